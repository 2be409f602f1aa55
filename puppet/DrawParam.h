// The drawing back end of a model: the common base colour, and the Direct3D 9 back end that owns
// the model's textures and draws each textured mesh from two vertex streams (positions, uv)
// with texture × texture factor and alpha blending.
#pragma once
#include <d3d9.h>

#include "puppet/PPVector.h"

namespace puppet {

class DrawParam {
public:
    virtual ~DrawParam() = default;
    virtual void setupDraw() {}
    // Each value is kept within 0 … 1.
    void setBaseColor(float alpha, float red, float green, float blue);

protected:
    float baseAlpha_ = 1.0f, baseRed_ = 1.0f, baseGreen_ = 1.0f, baseBlue_ = 1.0f;
};

class DrawParam_D3D : public DrawParam {
public:
    // Drawing errors, kept in errorCode().
    static constexpr int ERROR_VERTEX_BUFFER = 6001;
    static constexpr int ERROR_LOCK = 6002;
    static constexpr int ERROR_INDEX_BUFFER = 6003;
    static constexpr int ERROR_NO_DEVICE = 6005;

    DrawParam_D3D();
    DrawParam_D3D(const DrawParam_D3D&) = delete;
    DrawParam_D3D& operator=(const DrawParam_D3D&) = delete;
    ~DrawParam_D3D() override;

    void setupDraw() override;
    // Draws one mesh: positions from points (5 floats each), uv from the mesh's vertex buffer,
    // indices from the index buffer the mesh has set on the device.
    void drawTexture(int textureNo, int indexCount, int vertexCount, const float* points, float opacity,
                     IDirect3DVertexBuffer9* uvBuffer);

    void setDevice(IDirect3DDevice9* device) { device_ = device; }
    IDirect3DDevice9* device() const { return device_; }
    // Takes over the texture as number `number`.
    void setTexture(int number, IDirect3DTexture9* texture);
    void releaseAllTextures();
    void releaseDeviceObjects();
    void setError(int code) { errorCode_ = code; }
    int errorCode() const { return errorCode_; }
    int positionBufferSize() const { return positionBufferSize_; }
    // Texture number n, or null.
    IDirect3DTexture9* texture(int n) const { return n >= 0 && n < textures_.size() ? textures_[n] : nullptr; }

private:
    PPVector<IDirect3DTexture9*> textures_;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DVertexBuffer9* positionBuffer_ = nullptr;
    int positionBufferSize_ = 0;
    IDirect3DVertexDeclaration9* declaration_ = nullptr;
    int errorCode_ = 0;
};

}  // namespace puppet
