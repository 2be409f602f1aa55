// Shared by the fuzz targets that need the running game: the game started in-process on a copy of the
// build's game folder (in the scratch folder, with SDL's dummy drivers and a clock that sleeping
// advances, so frames cost no waiting), and frames run on it.
#pragma once
#include <string>

class CMainApp;

namespace fuzz {
// Starts the game on the first call (null when it does not start) and keeps it until the process ends.
CMainApp* StartGame();
// Delivers pending window messages and runs n frames.
void RunFrames(CMainApp& app, int n);
}  // namespace fuzz
