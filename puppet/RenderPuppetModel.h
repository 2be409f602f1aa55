// The render-model kind that draws a Puppet model when the render system draws its render object.
#pragma once
#include <cstdint>

#include "engine/render/RenderObject.h"
#include "puppet/DXPuppetModel.h"

namespace RenderSystem {

class RenderPuppetModel : public IRenderModel {
public:
    // Applies the Puppet states, draws the model the handle names (if it still lives), then leaves
    // texture stage 0 empty.
    void Draw() override;
    void SetData(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) override {}
    void Clear() override {}
    std::uint32_t IsPartial() const override { return 0; }

    PuppetModelHandle model;
};

}  // namespace RenderSystem
