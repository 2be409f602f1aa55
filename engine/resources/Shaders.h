// Vertex and pixel shaders loaded from compiled shader files (".vso", ".pso": Direct3D 9 tokens).
#pragma once
#include <d3d9.h>

#include "engine/resources/USHandle.h"

struct _tagUSVertexShader;
struct _tagUSPixelShader;
using VertexShaderHandle = Handle<_tagUSVertexShader>;
using PixelShaderHandle = Handle<_tagUSPixelShader>;

class CUSVertexShaderCtrl {
public:
    explicit CUSVertexShaderCtrl(IDirect3DVertexShader9* shader) : shader(shader) {}
    CUSVertexShaderCtrl(const CUSVertexShaderCtrl&) = delete;
    CUSVertexShaderCtrl& operator=(const CUSVertexShaderCtrl&) = delete;
    virtual ~CUSVertexShaderCtrl() {
        if (shader) shader->Release();
    }
    IDirect3DVertexShader9* shader;
};

class CUSPixelShaderCtrl {
public:
    explicit CUSPixelShaderCtrl(IDirect3DPixelShader9* shader) : shader(shader) {}
    CUSPixelShaderCtrl(const CUSPixelShaderCtrl&) = delete;
    CUSPixelShaderCtrl& operator=(const CUSPixelShaderCtrl&) = delete;
    virtual ~CUSPixelShaderCtrl() {
        if (shader) shader->Release();
    }
    IDirect3DPixelShader9* shader;
};

using VertexShaderManager = CUSHandleManager<CUSVertexShaderCtrl, VertexShaderHandle>;
using PixelShaderManager = CUSHandleManager<CUSPixelShaderCtrl, PixelShaderHandle>;
VertexShaderManager& GetVertexShaderManager();
PixelShaderManager& GetPixelShaderManager();

bool LoadVertexShader(const char* fileName, VertexShaderHandle* out);
// Loads the system's one pixel-shader file, "AlphaFade.pso".
bool LoadPixelShader(PixelShaderHandle* out);
CUSVertexShaderCtrl* GetVertexShader(VertexShaderHandle handle);
CUSPixelShaderCtrl* GetPixelShader(PixelShaderHandle handle);
// The managers' release functions (the application adds them to the device's release list).
void ReleaseAllVertexShaders();
void ReleaseAllPixelShaders();
