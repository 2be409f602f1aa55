// Render objects: one drawable thing of a frame (transform, state record numbers, up to four
// texture stages, a model that issues the draw call, an optional shader with constant sets), and
// the shared frame transform record they write while drawing.
#pragma once
#include <d3dx9.h>

#include <cstdint>
#include <memory>

#include "engine/resources/Mesh.h"
#include "engine/resources/Shaders.h"
#include "engine/resources/Texture.h"

struct _tagUSVSParam;
struct _tagUSPSParam;
struct _tagRenderObject;
using VSParamHandle = Handle<_tagUSVSParam>;
using PSParamHandle = Handle<_tagUSPSParam>;
using RenderObjectHandle = Handle<_tagRenderObject>;

namespace USLib {

// An inline array of N values with a count; adding to a full one is ignored.
template <class T, unsigned N>
class fixed_vector {
public:
    void Clear() { count_ = 0; }
    T* PushBack() { return count_ < N ? &items_[count_++] : nullptr; }
    T* PopBack() { return count_ > 0 ? &items_[--count_] : nullptr; }
    const T* begin() const { return items_; }
    const T* end() const { return items_ + count_; }
    unsigned size() const { return count_; }

private:
    T items_[N] = {};
    unsigned count_ = 0;
};

}  // namespace USLib

namespace RenderSystem {

// The frame's shared transform record, the view-projection captured by the drawing process and the
// camera-facing rotation.
struct FrameTransform {
    D3DXVECTOR3 position{0, 0, 0};
    D3DXVECTOR3 scale{1, 1, 1};
    D3DXMATRIX rotation;
    D3DXMATRIX world;
    D3DXMATRIX viewProjection;
    D3DXMATRIX cameraRotation;
    FrameTransform();
};
FrameTransform& GetFrameTransform();

class CSpriteTextureInfoNode {
public:
    virtual ~CSpriteTextureInfoNode() = default;
    virtual void SetStage(std::uint32_t stage) { stage_ = stage; }
    virtual void SetEnabled(std::uint32_t enabled) { enabled_ = enabled; }
    virtual void SetTexture(TextureHandle texture) { texture_ = texture; }
    virtual void ClearStageStates() { stageStates_.Clear(); }
    virtual void AddStageState(std::uint32_t record);
    virtual void ClearSamplerStates() { samplerStates_.Clear(); }
    virtual void AddSamplerState(std::uint32_t record);
    virtual void Apply();

    TextureHandle GetTexture() const { return texture_; }

private:
    std::uint32_t enabled_ = 1;
    std::uint32_t stage_ = 0;
    TextureHandle texture_;
    USLib::fixed_vector<std::uint32_t, 32> stageStates_;
    USLib::fixed_vector<std::uint32_t, 16> samplerStates_;
};

class IRenderModel {
public:
    virtual ~IRenderModel() = default;
    virtual void Draw() = 0;
    virtual void SetData(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t e) = 0;
    virtual void Clear() = 0;
    virtual std::uint32_t IsPartial() const = 0;
};

// Draws a mesh of the mesh manager, whole or a stored index range.
class CRenderMesh : public IRenderModel {
public:
    void Draw() override;
    void SetData(std::uint32_t baseVertex, std::uint32_t minVertex, std::uint32_t vertexCount,
                 std::uint32_t startIndex, std::uint32_t primitiveCount) override;
    void Clear() override { partial_ = 0; }
    std::uint32_t IsPartial() const override { return partial_; }

    MeshHandle mesh;

private:
    std::uint32_t partial_ = 0;
    std::uint32_t baseVertex_ = 0, minVertex_ = 0, vertexCount_ = 0, startIndex_ = 0, primitiveCount_ = 0;
};

// Draws geometry kept in the caller's memory, without buffers.
class CRenderMemoryMesh : public IRenderModel {
public:
    void Draw() override;
    // Only the second argument (the minimum vertex index) is kept.
    void SetData(std::uint32_t, std::uint32_t minVertex, std::uint32_t, std::uint32_t, std::uint32_t) override;
    void Clear() override {
        partial_ = 0;
        minVertex_ = 0;
    }
    std::uint32_t IsPartial() const override { return partial_; }

    const void* vertices = nullptr;
    DWORD fvf = 0;
    std::uint32_t vertexCount = 0;
    const WORD* indices = nullptr;
    std::uint32_t primitiveCount = 0;
    D3DPRIMITIVETYPE primitiveType = D3DPT_TRIANGLELIST;

private:
    std::uint32_t partial_ = 0;
    std::uint32_t minVertex_ = 0;
};

class IShader {
public:
    virtual ~IShader() = default;
    virtual void Apply() = 0;
};

class CASMShader : public IShader {
public:
    void Apply() override;
    virtual void SetVertexShader(VertexShaderHandle h) {
        vsFlag_ = 1;
        vs_ = h;
    }
    virtual void ClearVertexShader() { vsFlag_ = vsParamFlag_ = 0; }
    virtual void SetVSParam(VSParamHandle h) {
        vsParamFlag_ = 1;
        vsParam_ = h;
    }
    virtual void ClearVSParam() { vsParamFlag_ = 0; }
    virtual void SetPixelShader(PixelShaderHandle h) {
        psFlag_ = 1;
        ps_ = h;
    }
    virtual void ClearPixelShader() { psFlag_ = psParamFlag_ = 0; }
    virtual void SetPSParam(PSParamHandle h) {
        psParamFlag_ = 1;
        psParam_ = h;
    }
    virtual void ClearPSParam() { psParamFlag_ = 0; }

private:
    std::uint32_t vsFlag_ = 0;
    VertexShaderHandle vs_;
    std::uint32_t vsParamFlag_ = 0;
    VSParamHandle vsParam_;
    std::uint32_t psFlag_ = 0;
    PixelShaderHandle ps_;
    std::uint32_t psParamFlag_ = 0;
    PSParamHandle psParam_;
};

class CBaseRenderObject {
public:
    CBaseRenderObject();
    CBaseRenderObject(const CBaseRenderObject&) = delete;
    CBaseRenderObject& operator=(const CBaseRenderObject&) = delete;
    virtual ~CBaseRenderObject() { ReleaseModel(); }
    virtual void ReleaseModel();
    virtual void ResetTextureStages();
    virtual void ClearElements() { elements_.Clear(); }
    virtual void AddElement(std::uint32_t record);
    virtual void ApplyTransform();
    virtual void ApplyBillboardTransform();
    virtual void Draw();
    virtual float GetSortKey() const;
    // The object takes the model and the shader (deleting the one it had).
    virtual void SetModel(std::unique_ptr<IRenderModel> model);
    virtual void SetShader(std::unique_ptr<IShader> shader);

    // Creates an object and registers it with the render-object manager.
    static CBaseRenderObject* Create(RenderObjectHandle* out);

    IRenderModel* GetModel() const { return model_.get(); }
    IShader* GetShader() const { return shader_.get(); }
    CSpriteTextureInfoNode& Stage(unsigned i) { return stages_[i]; }

    D3DXVECTOR3 position{0, 0, 0};
    D3DXVECTOR3 scale{1, 1, 1};
    D3DXMATRIX rotation;
    // 0 world transform, 1 billboard, other: keep the world matrix last computed.
    std::uint32_t transformKind = 0;
    DWORD cullMode = D3DCULL_NONE;
    std::uint32_t blendState = 0;

private:
    USLib::fixed_vector<std::uint32_t, 32> elements_;
    CSpriteTextureInfoNode stages_[4];
    std::unique_ptr<IRenderModel> model_;
    std::unique_ptr<IShader> shader_;
};

}  // namespace RenderSystem

// Vertex-shader constant set: 256 registers, the first `count` uploaded; the world-view-projection
// goes (transposed) into four registers from `wvpRegister` unless it is -1.
class CVSParamInfo {
public:
    virtual ~CVSParamInfo() = default;
    virtual void Upload() const;
    static CVSParamInfo* Create(VSParamHandle* out);

    float registers[256][4] = {};
    std::uint32_t count = 0;
    std::int32_t wvpRegister = -1;
};

// Pixel-shader constant set: 32 registers.
class CPSParamInfo {
public:
    virtual ~CPSParamInfo() = default;
    virtual void Reset() { count = 0; }
    // Both change nothing when the registers would not fit in the 32.
    virtual void Append(const float* src, std::uint32_t n);
    virtual void SetAt(std::uint32_t index, const float* src, std::uint32_t n);
    virtual void Upload() const;
    static CPSParamInfo* Create(PSParamHandle* out);

    float registers[32][4] = {};
    std::uint32_t count = 0;
};

using RenderObjectManager = CUSHandleManager<RenderSystem::CBaseRenderObject, RenderObjectHandle>;
using VSParamManager = CUSHandleManager<CVSParamInfo, VSParamHandle>;
using PSParamManager = CUSHandleManager<CPSParamInfo, PSParamHandle>;
RenderObjectManager& GetRenderObjectManager();
VSParamManager& GetVSParamManager();
PSParamManager& GetPSParamManager();
RenderSystem::CBaseRenderObject* GetRenderObject(RenderObjectHandle handle);
CVSParamInfo* GetVSParamInfo(VSParamHandle handle);
CPSParamInfo* GetPSParamInfo(PSParamHandle handle);
