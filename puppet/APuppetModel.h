// A Puppet model: loads a model file from memory and owns the model data and its runtime state.
// The drawing back end is added by the derived model of the graphics device.
#pragma once
#include <cstdint>

#include "puppet/BReader.h"
#include "puppet/ModelContext.h"

namespace puppet {

class ModelImpl;

class APuppetModel {
public:
    // Error flags.
    static constexpr uint32_t ERROR_END_MARK = 1u << 0;
    static constexpr uint32_t ERROR_VERSION = 1u << 1;
    static constexpr int MAX_VERSION = 9;
    static constexpr int32_t END_MARK = static_cast<int32_t>(0x88888888u);

    // Layout values that motions write.
    enum Layout { LAYOUT_X, LAYOUT_Y, LAYOUT_ANCHOR_X, LAYOUT_ANCHOR_Y, LAYOUT_SCALE_X, LAYOUT_SCALE_Y };

    APuppetModel() = default;
    APuppetModel(const APuppetModel&) = delete;
    APuppetModel& operator=(const APuppetModel&) = delete;
    virtual ~APuppetModel() = default;

    // Reads a model file. A rejected or malformed file leaves the model without data (and says why
    // in the error flags or on the standard output); it then updates and draws nothing.
    static void loadModel(APuppetModel* model, const uint8_t* buffer, int size);

    virtual void init();
    virtual void update();

    bool hasData() const { return modelImpl_ != nullptr; }
    ModelImpl* getModelImpl() { return modelImpl_; }
    ModelContext& getModelContext() { return context_; }
    uint32_t getErrorFlags() const { return errorFlags_; }
    float getLayout(Layout which) const { return layout_[which]; }
    void setLayout(Layout which, float value) { layout_[which] = value; }
    // The points of a textured mesh after the last update (5 floats each), or null.
    const float* getTransformedPoints(int drawIndex, int* pointCount);

private:
    ObjectStore objects_;  // everything the reader made; modelImpl_ points into it
    ModelImpl* modelImpl_ = nullptr;
    ModelContext context_;
    uint32_t errorFlags_ = 0;
    float layout_[6] = {};
};

}  // namespace puppet
