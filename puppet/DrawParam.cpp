// DrawParam_D3D: device states, the position buffer, the texture factor and the draw call.
#include "puppet/DrawParam.h"

#include <algorithm>
#include <cstring>

namespace puppet {

void DrawParam::setBaseColor(float alpha, float red, float green, float blue) {
    baseAlpha_ = std::clamp(alpha, 0.0f, 1.0f);
    baseRed_ = std::clamp(red, 0.0f, 1.0f);
    baseGreen_ = std::clamp(green, 0.0f, 1.0f);
    baseBlue_ = std::clamp(blue, 0.0f, 1.0f);
}

DrawParam_D3D::DrawParam_D3D() { textures_.resize(32, nullptr); }

DrawParam_D3D::~DrawParam_D3D() {
    releaseAllTextures();
    releaseDeviceObjects();
    if (declaration_) declaration_->Release();
}

void DrawParam_D3D::setTexture(int number, IDirect3DTexture9* texture) {
    if (number < 0) return;
    if (textures_.size() < number + 1) textures_.resize(number + 1, nullptr);
    if (textures_[number]) textures_[number]->Release();
    textures_[number] = texture;
}

void DrawParam_D3D::releaseAllTextures() {
    for (int i = textures_.size(); i-- > 0;) {
        if (textures_[i]) textures_[i]->Release();
        textures_[i] = nullptr;
    }
}

void DrawParam_D3D::releaseDeviceObjects() {
    if (positionBuffer_) positionBuffer_->Release();
    positionBuffer_ = nullptr;
    positionBufferSize_ = 0;
}

void DrawParam_D3D::setupDraw() {
    if (!device_) return;
    device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    if (!declaration_) {
        const D3DVERTEXELEMENT9 elements[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {1, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
            D3DDECL_END(),
        };
        device_->CreateVertexDeclaration(elements, &declaration_);
    }
    device_->SetVertexDeclaration(declaration_);
}

void DrawParam_D3D::drawTexture(int textureNo, int indexCount, int vertexCount, const float* points, float opacity,
                                IDirect3DVertexBuffer9* uvBuffer) {
    if (!device_) {
        errorCode_ = ERROR_NO_DEVICE;
        return;
    }
    device_->SetTexture(0, textureNo >= 0 && textureNo < textures_.size() ? textures_[textureNo] : nullptr);
    if (positionBufferSize_ < 12 * vertexCount) {
        releaseDeviceObjects();
        int size = std::max(24 * vertexCount, 300);
        if (FAILED(device_->CreateVertexBuffer(static_cast<UINT>(size), D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED,
                                               &positionBuffer_, nullptr))) {
            positionBuffer_ = nullptr;
            errorCode_ = ERROR_VERTEX_BUFFER;
            return;
        }
        positionBufferSize_ = size;
    }
    void* data = nullptr;
    if (FAILED(positionBuffer_->Lock(0, 0, &data, 0))) {
        errorCode_ = ERROR_LOCK;
        return;
    }
    auto* out = static_cast<float*>(data);
    for (int i = 0; i < vertexCount; ++i) std::memcpy(out + 3 * i, points + 5 * i, 12);
    positionBuffer_->Unlock();

    auto channel = [](float v) { return static_cast<DWORD>(std::clamp(static_cast<int>(v * 255.0f), 0, 255)); };
    DWORD factor = channel(baseAlpha_ * opacity) << 24 | channel(baseRed_) << 16 | channel(baseGreen_) << 8 | channel(baseBlue_);
    device_->SetRenderState(D3DRS_TEXTUREFACTOR, factor);
    device_->SetStreamSource(0, positionBuffer_, 0, 12);
    device_->SetStreamSource(1, uvBuffer, 0, 8);
    device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, static_cast<UINT>(vertexCount), 0,
                                  static_cast<UINT>(indexCount / 3));
}

}  // namespace puppet
