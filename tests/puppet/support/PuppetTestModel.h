// Test support: builds a model file from a description text and loads it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include <d3d9.h>

#include "puppet/APuppetModel.h"
#include "support/TestDevice.h"

namespace puppet_test {

// The model file that the description gives (the test fails on a bad description).
std::vector<uint8_t> ModelBytes(const std::string& description);

// A concrete model without a drawing back end.
class TestModel : public puppet::APuppetModel {};

std::unique_ptr<TestModel> LoadModel(const std::vector<uint8_t>& bytes);
std::unique_ptr<TestModel> LoadDescription(const std::string& description);

// Sets a parameter by name and updates the model.
void SetParam(puppet::APuppetModel& model, const char* name, float value);

// x, y of point i of draw data `mesh` after the last update.
std::pair<float, float> MeshPoint(puppet::APuppetModel& model, const char* mesh, int i);

// Unbinds what a model's draw left on the device (streams, indices, texture, declaration), so that
// the device can go when the test releases it.
void UnbindDrawObjects(IDirect3DDevice9* device);

// The stand-in's test device, with the model's objects unbound before it goes.
struct PuppetTestDevice : TestDevice {
    using TestDevice::TestDevice;
    ~PuppetTestDevice() { UnbindDrawObjects(device); }
};

}  // namespace puppet_test
