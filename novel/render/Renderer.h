// The renderer interface of the novel scene (one visible thing addressed by a 32-bit id), the base
// that holds the state every kind shares with its saved record, the set-up shared by the kinds'
// render objects, and the script type "IRenderer".
#pragma once
#include <cstdint>

#include "engine/render/RenderObject.h"
#include "novel/render/RenderSource.h"

namespace AngelScript {
class asIScriptEngine;
}

class IRenderer {
public:
    virtual ~IRenderer() = default;
    virtual void SetTag(std::uint32_t tag) = 0;
    virtual std::uint32_t GetTag() = 0;
    virtual void SetRenderSourceManager(RenderSource::CRenderSourceManager* sources) = 0;
    virtual RenderSource::CRenderSourceManager* GetRenderSourceManager() = 0;
    virtual void SetSource(std::uint32_t source) = 0;
    virtual std::uint32_t GetSource() = 0;
    virtual void SetRendering(bool rendering) = 0;
    virtual bool IsRendering() = 0;
    virtual void SetRegistTable(std::uint32_t table) = 0;
    virtual std::uint32_t GetRegistTable() = 0;
    virtual void Render() = 0;
    virtual void SetPosition(float x, float y, float z) = 0;
    virtual const float* GetPosition() = 0;
    virtual void SetScale(float x, float y, float z) = 0;
    virtual const float* GetScale() = 0;
    virtual void SetRoll(float yaw, float pitch, float roll) = 0;
    virtual const float* GetRoll() = 0;
    virtual void SetColor(float r, float g, float b, float a) = 0;
    virtual const float* GetColor() = 0;
    virtual void SetBlendRenderState(std::uint32_t state) = 0;
    virtual void SetAlphaSource(std::uint32_t source) = 0;
    virtual void SetPatNo(std::uint32_t pattern) = 0;
    virtual void BeginSettingMotion() = 0;
    virtual void PushMotion(std::uint32_t motion) = 0;
    virtual void PushLoopMotion(std::uint32_t motion) = 0;
    virtual void Save(RenderSource::OStream& out) = 0;
    virtual void Load(RenderSource::IStream& in, std::uint32_t version) = 0;
};

class BaseNovelRenderObject : public IRenderer {
public:
    BaseNovelRenderObject() = default;
    BaseNovelRenderObject(const BaseNovelRenderObject&) = delete;
    BaseNovelRenderObject& operator=(const BaseNovelRenderObject&) = delete;
    void SetTag(std::uint32_t tag) override { tag_ = tag; }
    std::uint32_t GetTag() override { return tag_; }
    void SetRenderSourceManager(RenderSource::CRenderSourceManager* sources) override { sources_ = sources; }
    RenderSource::CRenderSourceManager* GetRenderSourceManager() override { return sources_; }
    void SetSource(std::uint32_t) override {}
    std::uint32_t GetSource() override { return 0xFFFFFFFFu; }
    void SetRendering(bool rendering) override { rendering_ = rendering ? 1 : 0; }
    bool IsRendering() override { return rendering_ != 0; }
    void SetRegistTable(std::uint32_t table) override { registTable_ = table; }
    std::uint32_t GetRegistTable() override { return registTable_; }
    void Render() override {}
    void SetPosition(float x, float y, float z) override { Set3(position_, x, y, z); }
    const float* GetPosition() override { return position_; }
    void SetScale(float x, float y, float z) override { Set3(scale_, x, y, z); }
    const float* GetScale() override { return scale_; }
    void SetRoll(float yaw, float pitch, float roll) override { Set3(roll_, yaw, pitch, roll); }
    const float* GetRoll() override { return roll_; }
    void SetColor(float r, float g, float b, float a) override;
    const float* GetColor() override { return color_; }
    void SetBlendRenderState(std::uint32_t) override {}
    void SetAlphaSource(std::uint32_t) override {}
    void SetPatNo(std::uint32_t) override {}
    void BeginSettingMotion() override {}
    void PushMotion(std::uint32_t) override {}
    void PushLoopMotion(std::uint32_t) override {}
    // The 64-byte base record: tag, rendering, table, position, scale, roll, colour.
    void Save(RenderSource::OStream& out) override;
    void Load(RenderSource::IStream& in, std::uint32_t version) override;
    // Hands the loaded values to the setters, so that each kind acts on them.
    virtual void Restore();

protected:
    // True when scale is exactly 1 and there is no rotation: the picture can be point-sampled.
    bool IsUnscaled() const;
    // The world transform of a render object from the renderer's scale and yaw, pitch, roll.
    void ApplyScaleAndRoll(RenderSystem::CBaseRenderObject& object) const;

    std::uint32_t tag_ = 0;
    std::uint32_t rendering_ = 0;
    std::uint32_t registTable_ = 0;
    float position_[3] = {0, 0, 0};
    float scale_[3] = {1, 1, 1};
    float roll_[3] = {0, 0, 0};
    float color_[4] = {1, 1, 1, 1};
    RenderSource::CRenderSourceManager* sources_ = nullptr;

private:
    static void Set3(float* v, float a, float b, float c) {
        v[0] = a;
        v[1] = b;
        v[2] = c;
    }
};

namespace NovelRender {

// Shared resource tables filled at start-up (null handles when a table has no such entry).
MeshHandle SharedMesh(std::uint32_t i);
VertexShaderHandle SharedVertexShader(std::uint32_t i);
PixelShaderHandle SharedPixelShader(std::uint32_t i);

// Creates a render object for a renderer: transform mode 0, no culling, the one render-state preset,
// every texture stage off and then stage 0 on with texture-stage preset 0 and the sampler preset,
// drawing shared mesh `mesh` (or no mesh yet for a negative number).
RenderSystem::CBaseRenderObject* CreateRenderObject(RenderObjectHandle* out, std::uint32_t element,
                                                    std::int32_t mesh, std::uint32_t samplerPreset);
// Turns texture stage `stage` on with presets 0 and `samplerPreset`.
void EnableStage(RenderSystem::CBaseRenderObject& object, std::uint32_t stage, std::uint32_t samplerPreset);
// A vertex-shader constant set whose registers 0-3 receive the transposed world-view-projection.
CVSParamInfo* CreateVSParams(VSParamHandle* out);
// Gives the object a shader of shared vertex program `vertexShader` fed by the constant set `params`,
// with no pixel program.
void SetVertexProgram(RenderSystem::CBaseRenderObject& object, std::uint32_t vertexShader, VSParamHandle params);
// Writes one four-float register and raises the set's count to cover it.
void SetRegister(CVSParamInfo& params, std::uint32_t index, const float* v);
void SetRegister(CVSParamInfo& params, std::uint32_t index, float a, float b, float c, float d);
// The translation of a picture whose pixels must meet the screen's: floor(x) - 0.5, floor(y) - 0.5.
D3DXVECTOR3 SnapToPixel(const float* position);
// Queues a render object into a layer of the current render process's table.
void Queue(std::uint32_t layer, RenderObjectHandle handle);

// Registers the script type "IRenderer" and its methods; false when any registration fails.
bool RegisterIRenderer(AngelScript::asIScriptEngine* engine);

// The angle factors of the script interface (degrees to radians and back).
inline constexpr double kDegToRad = 0.01745329238474369;
inline constexpr double kRadToDeg = 57.2957763671875;

}  // namespace NovelRender
