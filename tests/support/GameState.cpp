// Game state put in a known state for scenario code runs.
#include "support/GameState.h"

#include "novel/state/ConfigDataManager.h"
#include "novel/state/GameVariables.h"

namespace testsupport {

void ResetGameState(int count) {
    CGameFlagsManager::GetInstance()->AllocGameFlags(count);
    CGameParameterManager::GetInstance()->AllocGameParam(count);
    CConfigDataManager* config = CConfigDataManager::GetInstance();
    for (int i = 0; i <= USER_CFG_INDEX; ++i) {
        config->InitConfigValue(i, 0);
        config->SetConfigValue(i, 0);
    }
    config->InitIntervalRenderingText();
    config->AddIntervalRenderingText(2);
    config->InitWaitFrameAutoSkipMode();
    config->AddWaitFrameAutoSkipMode(0);
}

}  // namespace testsupport
