// Fuzz target: a save file loaded into the running demo game, which then plays on for a second.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "fuzz/game_support.h"
#include "novel/state/SaveDataManager.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CMainApp* game = fuzz::StartGame();
    if (!game) return 0;
    fuzz::WriteFile("save/fuzz.sav", data, size);
    CSaveDataManager::LoadFromFile("save\\fuzz.sav");
    fuzz::RunFrames(*game, 60);
    return 0;
}
