// Shared by the fuzz targets that draw or make device resources: the engine's device on a window of
// SDL's dummy video driver, made once per process.
#pragma once

namespace fuzz {
// Enters the scratch folder and makes the device on the first call (unless the running game has one);
// false when it cannot be made.
bool OpenEngineDevice();
}  // namespace fuzz
