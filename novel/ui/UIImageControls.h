// The passive controls of UI windows, which never take input and whose look only their script or
// direct pattern drives: a sheet image, a render-source image, a filled polygon and a text buffer.
#pragma once
#include "novel/text/StringRenderer.h"
#include "novel/ui/UIControl.h"

class CUIImage : public CUISpriteControl {
public:
    bool Update(float x, float y, std::uint32_t input) override;
    // Starts the look at once, then builds the sprite.
    virtual void Setup(asIScriptContext* context, std::int32_t lookId);
};

// Shows a part of a parts-texture render source of the novel scene: the render info's sheet number
// names the source.
class UIRenderSourceImage : public CUIImage {
public:
    void Render(const float windowPosition[3], const ResourceList& sheets) override;
};

// A rectangle filled with the render info's colour.
class CUIPolygon : public BaseUIControl {
public:
    CUIPolygon() = default;
    CUIPolygon(const CUIPolygon&) = delete;
    CUIPolygon& operator=(const CUIPolygon&) = delete;
    ~CUIPolygon() override { ReleaseResources(); }
    bool Update(float x, float y, std::uint32_t input) override;
    void Render(const float windowPosition[3], const ResourceList& sheets) override;
    virtual void ReleaseResources();
    virtual void Setup(asIScriptContext* context, std::int32_t lookId, float x, float y, float w, float h);

    struct Vertex {
        float x, y, z;
        std::uint32_t colour;
    };
    const Vertex* Vertices() const { return vertices_; }

private:
    RenderObjectHandle object_;
    CUIContext context_;
    CUIRenderInfo info_;
    bool setUp_ = false;
    Vertex vertices_[4] = {};
};

// A text buffer drawn through a text renderer of its own.
class CUIText : public BaseUIControl {
public:
    bool Update(float x, float y, std::uint32_t input) override;
    void Render(const float windowPosition[3], const ResourceList& sheets) override;
    virtual void Setup(std::uint32_t textIndex, asIScriptContext* context, std::int32_t lookId);

private:
    CStringRenderer renderer_;
    CUIRenderInfo info_;
    std::uint32_t textIndex_ = 0;
    CUIContext context_;
};
