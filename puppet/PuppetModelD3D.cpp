// PuppetModelD3D: loading, drawing and the device objects of a model.
#include "puppet/PuppetModelD3D.h"

PuppetModelD3D* PuppetModelD3D::loadModel(const uint8_t* buffer, int size) {
    auto* model = new PuppetModelD3D;
    APuppetModel::loadModel(model, buffer, size);
    return model;
}

void PuppetModelD3D::draw() {
    if (hasData()) getModelContext().draw(drawParam_);
}

void PuppetModelD3D::releaseDeviceObjects() {
    getModelContext().deviceLost();
    drawParam_.releaseDeviceObjects();
}
