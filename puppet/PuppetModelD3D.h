// A Puppet model drawn through the Direct3D 9 device: the model plus its drawing back end.
#pragma once
#include <d3d9.h>

#include "puppet/APuppetModel.h"
#include "puppet/DrawParam.h"

class PuppetModelD3D : public puppet::APuppetModel {
public:
    // Always a model; a rejected file gives a model without data.
    static PuppetModelD3D* loadModel(const uint8_t* buffer, int size);

    void draw();
    void setDevice(IDirect3DDevice9* device) { drawParam_.setDevice(device); }
    // Takes over the texture as texture number `number` of the draw data.
    void setTexture(int number, IDirect3DTexture9* texture) { drawParam_.setTexture(number, texture); }
    void releaseAllTextures() { drawParam_.releaseAllTextures(); }
    // Releases the device buffers; the next draw makes them again.
    void releaseDeviceObjects();
    puppet::DrawParam_D3D& getDrawParam() { return drawParam_; }

private:
    puppet::DrawParam_D3D drawParam_;
};
