// Test support: models from descriptions.
#include "puppet/support/PuppetTestModel.h"

#include <gtest/gtest.h>

#include "tools/puppet_writer/PuppetWriter.h"

namespace puppet_test {

std::vector<uint8_t> ModelBytes(const std::string& description) {
    puppet_writer::ModelDescription d;
    std::string error;
    EXPECT_TRUE(puppet_writer::ParseDescription(description, d, error)) << error;
    return puppet_writer::WriteModel(d);
}

std::unique_ptr<TestModel> LoadModel(const std::vector<uint8_t>& bytes) {
    auto model = std::make_unique<TestModel>();
    puppet::APuppetModel::loadModel(model.get(), bytes.data(), static_cast<int>(bytes.size()));
    return model;
}

std::unique_ptr<TestModel> LoadDescription(const std::string& description) { return LoadModel(ModelBytes(description)); }

void SetParam(puppet::APuppetModel& model, const char* name, float value) {
    puppet::ModelContext& mc = model.getModelContext();
    mc.setParamFloat(mc.getParamIndex(puppet::ParamID::getID(puppet::PPString(name))), value);
    model.update();
}

std::pair<float, float> MeshPoint(puppet::APuppetModel& model, const char* mesh, int i) {
    int index = model.getModelContext().getDrawDataIndex(puppet::DrawDataID::getID(puppet::PPString(mesh)));
    int count = 0;
    const float* points = model.getTransformedPoints(index, &count);
    EXPECT_TRUE(points != nullptr && i < count) << mesh;
    if (!points || i >= count) return {0.0f, 0.0f};
    return {points[5 * i], points[5 * i + 1]};
}

void UnbindDrawObjects(IDirect3DDevice9* device) {
    if (!device) return;
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetStreamSource(1, nullptr, 0, 0);
    device->SetIndices(nullptr);
    device->SetTexture(0, nullptr);
    device->SetVertexDeclaration(nullptr);
}

}  // namespace puppet_test
