// Configuration values by index, the volume formula and the configuration file "cfg.cfg".
#include "novel/state/ConfigDataManager.h"

#include <sstream>
#include <utility>

#include "engine/files/USPath.h"
#include "engine/input/AppCommonInfo.h"
#include "engine/util/USLogManager.h"
#include "novel/state/SaveFile.h"
#include "novel/vm/SaveIO.h"

const char* const CConfigDataManager::kFileName = "cfg.cfg";

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

float CConfigDataManager::GetVolume(int32_t c, uint32_t m, uint32_t a, uint32_t b) const {
    float v = static_cast<float>(GetConfigValue(c));
    if (b != 1) {
        v = (static_cast<float>(a) * v) / static_cast<float>(b);
        const float master = GetMaxVolume(MAX_VOL_INDEX_MASTER);
        v = master > 0.0f ? (static_cast<float>(GetConfigValue(CFG_MASTER_VOLUME)) / master) * v : 0.0f;
    }
    const float max = GetMaxVolume(m);
    return max > 0.0f ? v / max : 0.0f;
}

void CConfigDataManager::Save(USLib::binary_ostream<256>& out) {
    SaveIO::WriteU32(out, static_cast<uint32_t>(values_.size()));
    for (const auto& [index, value] : values_) {
        SaveIO::WriteU32(out, static_cast<uint32_t>(index));
        SaveIO::WriteU32(out, static_cast<uint32_t>(value));
    }
    SaveIO::WriteU32(out, CUSSingleton<CAppCommonInfo>::GetInstance()->IsFullScreen());
}

void CConfigDataManager::Load(USLib::binary_istream& in, uint32_t) {
    // Read everything before applying anything: a damaged record changes nothing.
    std::vector<std::pair<int32_t, int32_t>> pairs;
    for (uint32_t n = SaveIO::ReadU32(in); n > 0; --n) {
        const int32_t index = static_cast<int32_t>(SaveIO::ReadU32(in));
        pairs.emplace_back(index, static_cast<int32_t>(SaveIO::ReadU32(in)));
    }
    const uint32_t fullScreen = SaveIO::ReadU32(in);
    for (const auto& [index, value] : pairs) values_[index] = value;
    CUSSingleton<CAppCommonInfo>::GetInstance()->SetFullScreen(fullScreen);
}

void CConfigDataManager::Reset() {
    readed_.Clear();
    cgShown_.Clear();
    values_.clear();
    maxVolumes_.clear();
    intervals_.clear();
    autoWaits_.clear();
    stateAtRefusal_.clear();
    loadRan_ = false;
}

// The file's bytes for a container filled by SaveAll.
static std::string ConfigFileBytes(SaveDataLoader4::SaveData& data) {
    std::ostringstream out;
    data.Save(out);
    return out.str();
}

void CConfigDataManager::SaveConfigFile() {
    CConfigDataManager* self = GetInstance();
    if (!self->loadRan_) return;
    try {
        SaveDataLoader4::SaveData data;
        ISavedObject<_tagConfigData>::SaveAll(data);
        if (!self->stateAtRefusal_.empty() && ConfigFileBytes(data) == self->stateAtRefusal_) return;
        SaveFile::Write(kFileName, data);
        self->stateAtRefusal_.clear();
    } catch (const std::exception& e) {
        US_LOG("Failed to write %s (%s)\n", kFileName, e.what());
    }
}

void CConfigDataManager::LoadConfigFile() {
    CConfigDataManager* self = GetInstance();
    self->loadRan_ = true;
    if (!PathExists(kFileName, false)) return;
    try {
        SaveDataLoader4::SaveData defaults, data;
        ISavedObject<_tagConfigData>::Snapshot(defaults, 0);
        SaveFile::Read(kFileName, data);
        ISavedObject<_tagConfigData>::LoadAll(data, defaults);
        self->stateAtRefusal_.clear();
    } catch (const std::exception& e) {
        US_LOG("Failed to read %s, the defaults stay (%s)\n", kFileName, e.what());
        try {
            SaveDataLoader4::SaveData data;
            ISavedObject<_tagConfigData>::SaveAll(data);
            self->stateAtRefusal_ = ConfigFileBytes(data);
        } catch (const std::exception&) {
            self->stateAtRefusal_.clear();
        }
    }
}
