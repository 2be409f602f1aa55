// Configuration values by index.
#include "novel/state/ConfigDataManager.h"

#include "engine/util/USLogManager.h"

void CConfigDataManager::SetConfigValue(int32_t index, int32_t value) {
    auto it = values_.find(index);
    if (it != values_.end()) it->second = value;
}

int32_t CConfigDataManager::GetConfigValue(int32_t index) const {
    auto it = values_.find(index);
    if (it != values_.end()) return it->second;
    US_LOG("CConfigDataManager::GetConfigValue :: 未登録のコンフィグインデックス%dでコンフィグ値を取得しようとした\n", index);
    return 0;
}
