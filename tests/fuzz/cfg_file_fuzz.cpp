// Fuzz target: "cfg.cfg" as the game reads it at start-up (complemented save container with the
// configuration values, read-text flags and seen-picture flags), then written back.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "novel/state/ConfigDataManager.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::EnterScratch();
    fuzz::WriteFile(CConfigDataManager::kFileName, data, size);
    CConfigDataManager* config = CConfigDataManager::GetInstance();
    for (int32_t i = 0; i < USER_CFG_INDEX; ++i) config->InitConfigValue(i, 1);
    CConfigDataManager::LoadConfigFile();
    config->SetConfigValue(CFG_MASTER_VOLUME, config->GetConfigValue(CFG_MASTER_VOLUME) + 1);
    CConfigDataManager::SaveConfigFile();
    return 0;
}
