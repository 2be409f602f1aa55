// Shader loading from token files; the files' bytes are handed to the device as they are.
#include "engine/resources/Shaders.h"

#include "engine/device/D3DDevice.h"
#include <cstring>
#include <vector>

#include "engine/files/USFile.h"
#include "engine/resources/LastingManager.h"

VertexShaderManager& GetVertexShaderManager() { return LastingManager<VertexShaderManager>(); }

PixelShaderManager& GetPixelShaderManager() { return LastingManager<PixelShaderManager>(); }

namespace {

// The token stream of a shader file, copied so that it is DWORD-aligned; empty when missing.
bool ReadTokens(const char* name, std::vector<DWORD>& tokens) {
    CUSFile file;
    if (!file.LoadShared(name) || file.size < 4) return false;
    tokens.assign((file.size + 3) / 4, 0);
    std::memcpy(tokens.data(), file.data, file.size);
    return true;
}

}  // namespace

bool LoadVertexShader(const char* fileName, VertexShaderHandle* out) {
    std::vector<DWORD> tokens;
    if (!ReadTokens(fileName, tokens)) return false;
    IDirect3DVertexShader9* shader = nullptr;
    if (GetD3DDevice()->CreateVertexShader(tokens.data(), &shader) < 0) return false;
    GetVertexShaderManager().Add(std::make_unique<CUSVertexShaderCtrl>(shader), out);
    return true;
}

bool LoadPixelShader(PixelShaderHandle* out) {
    std::vector<DWORD> tokens;
    if (!ReadTokens("AlphaFade.pso", tokens)) return false;
    IDirect3DPixelShader9* shader = nullptr;
    if (GetD3DDevice()->CreatePixelShader(tokens.data(), &shader) < 0) return false;
    GetPixelShaderManager().Add(std::make_unique<CUSPixelShaderCtrl>(shader), out);
    return true;
}

CUSVertexShaderCtrl* GetVertexShader(VertexShaderHandle handle) { return GetVertexShaderManager().Get(handle); }
CUSPixelShaderCtrl* GetPixelShader(PixelShaderHandle handle) { return GetPixelShaderManager().Get(handle); }
void ReleaseAllVertexShaders() { GetVertexShaderManager().ReleaseAll(); }
void ReleaseAllPixelShaders() { GetPixelShaderManager().ReleaseAll(); }
