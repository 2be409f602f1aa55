// Game flags, parameters and configuration values put in a known state, for tests and fuzz targets that
// run scenario code.
#pragma once

namespace testsupport {

// `count` flags and parameters, configuration indexes 0-8 registered as 0, character interval table {2},
// automatic wait table {0}.
void ResetGameState(int count = 16);

}  // namespace testsupport
