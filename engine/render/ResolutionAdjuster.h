// Full-screen scaling: the 800x600 frame is drawn off-screen and then onto the back buffer, scaled
// by one factor and centred with bars; the same factor maps the cursor back. Also the stack that
// saves render targets, the projections and the table of shared numbered resources.
#pragma once
#include <d3dx9.h>

#include <list>
#include <memory>

#include "engine/resources/Mesh.h"
#include "engine/resources/Shaders.h"
#include "engine/resources/Texture.h"
#include "engine/util/USSingleton.h"

class CRenderBufferInfo {
public:
    CRenderBufferInfo() = default;
    CRenderBufferInfo(const CRenderBufferInfo&) = delete;
    CRenderBufferInfo& operator=(const CRenderBufferInfo&) = delete;
    virtual ~CRenderBufferInfo();
    // Takes the device's render target 0 and depth surface, holding a reference to each.
    virtual void Capture();
    // Sets both back and releases the references.
    virtual void Restore();

private:
    IDirect3DSurface9* renderTarget_ = nullptr;
    IDirect3DSurface9* depth_ = nullptr;
};

class CUSRenderBufferStack {
public:
    CUSRenderBufferStack() = default;
    CUSRenderBufferStack(const CUSRenderBufferStack&) = delete;
    CUSRenderBufferStack& operator=(const CUSRenderBufferStack&) = delete;
    virtual ~CUSRenderBufferStack() { DeleteAll(); }
    virtual void DeleteAll();
    virtual void Push();
    virtual void Pop();
    // Pops every record, so the first saved target ends up restored.
    virtual void Clear();
    size_t Size() const { return records_.size(); }

private:
    std::list<std::unique_ptr<CRenderBufferInfo>> records_;
};

struct _tagUSProjection;
using ProjectionHandle = Handle<_tagUSProjection>;

class CUSDefoProjection {
public:
    CUSDefoProjection();
    virtual ~CUSDefoProjection() = default;
    virtual const D3DXMATRIX* GetMatrix() const { return &matrix_; }
    virtual const D3DXMATRIX* GetInverse() const { return &inverse_; }
    virtual void Apply() const;
    virtual bool IsValid() const { return valid_ != 0; }
    virtual void ComputeInverse();

protected:
    D3DXMATRIX matrix_;
    D3DXMATRIX inverse_;
    std::uint32_t valid_ = 0;
};

class CUSOrthoProjection : public CUSDefoProjection {
public:
    virtual void SetOrthoLH(float w, float h, float zn, float zf);
    virtual void SetOrthoRH(float w, float h, float zn, float zf);
    virtual void SetOrthoOffCenterLH(float l, float r, float b, float t, float zn, float zf);
    virtual void SetOrthoOffCenterRH(float l, float r, float b, float t, float zn, float zf);

private:
    void Built();
};

using ProjectionManager = CUSHandleManager<CUSDefoProjection, ProjectionHandle>;
ProjectionManager& GetProjectionManager();

class USResolutionAdjuster {
public:
    USResolutionAdjuster();
    virtual ~USResolutionAdjuster() { ReleaseResources(); }
    virtual void ReleaseResources();
    // Makes the off-screen target and fills the quad; the quad mesh must exist. Always true.
    bool Setup();
    void BeginRender();
    void EndRender();

    MeshHandle& Quad() { return quad_; }
    float GetScale() const { return scale_; }
    bool IsScaling() const { return scaling_; }
    float GetOffsetX() const { return offsetX_; }
    float GetOffsetY() const { return offsetY_; }

    static USResolutionAdjuster* GetInstance() { return CUSSingleton<USResolutionAdjuster>::GetInstance(); }

private:
    TextureHandle target_;
    CUSRenderBufferStack saved_;
    float scale_ = 1.0f;
    bool scaling_ = false;
    float offsetX_ = 0.0f, offsetY_ = 0.0f;
    MeshHandle quad_;
    D3DXMATRIX projection_, world_, view_;
};

namespace RenderSystem {

// A numbered table of handles of one resource kind, filled at start-up and read by number.
template <class T, class H, CUSHandleManager<T, H>& (*Manager)()>
class tResourceHandleManager {
public:
    virtual ~tResourceHandleManager() { Release(); }
    virtual void Release() {
        for (H& h : handles_) Manager().Release(h);
        handles_.clear();
    }
    virtual void Reserve(std::uint32_t n) {
        Release();
        handles_.assign(n, H());
    }
    virtual H* At(std::uint32_t i) { return &handles_.at(i); }
    std::uint32_t Count() const { return static_cast<std::uint32_t>(handles_.size()); }

private:
    std::vector<H> handles_;
};

class CResourceManager {
public:
    CResourceManager();
    virtual ~CResourceManager() = default;
    virtual void ReleaseAll() {
        textures.Release();
        meshes.Release();
        vertexShaders.Release();
        pixelShaders.Release();
    }
    static CResourceManager& Instance();

    tResourceHandleManager<CUSDefoTexture, TextureHandle, GetTextureManager> textures;
    tResourceHandleManager<CUSMesh, MeshHandle, GetMeshManager> meshes;
    tResourceHandleManager<CUSVertexShaderCtrl, VertexShaderHandle, GetVertexShaderManager> vertexShaders;
    tResourceHandleManager<CUSPixelShaderCtrl, PixelShaderHandle, GetPixelShaderManager> pixelShaders;
};

}  // namespace RenderSystem
