// The fixed sizes of the device state: how many render states, texture stages, samplers, streams and
// shader constants the device keeps, so that its arrays, its range checks and the draw's copies agree.
#pragma once
#include <cstdint>

namespace d3d9 {

constexpr uint32_t kRenderStateCount = 256;       // D3DRENDERSTATETYPE values
constexpr uint32_t kTextureStageCount = 8;        // stages of the texture-stage cascade
constexpr uint32_t kTextureStageStateCount = 33;  // D3DTEXTURESTAGESTATETYPE values
constexpr uint32_t kSamplerCount = 16;            // samplers, one bound texture each
constexpr uint32_t kSamplerStateCount = 14;       // D3DSAMPLERSTATETYPE values
constexpr uint32_t kStreamCount = 2;              // vertex streams
constexpr uint32_t kTexCoordCount = 8;            // texture coordinates a vertex carries
constexpr uint32_t kVertexInputCount = 16;        // vertex shader input registers
constexpr uint32_t kVertexShaderConstCount = 256;
constexpr uint32_t kPixelShaderConstCount = 32;

}  // namespace d3d9
