// Game flags, game parameters and the by-kind accessors.
#include "novel/state/GameVariables.h"

#include "engine/input/AppCommonInfo.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/vm/SaveIO.h"

void CGameFlagsManager::AllocGameFlags(uint32_t count) {
    count_ = count;
    bits_.assign((uint64_t(count) + 7) / 8, 0);
}

void CGameFlagsManager::SetFlag(uint32_t i, bool on) {
    if (i >= count_) return;
    uint8_t mask = static_cast<uint8_t>(1u << (i % 8));
    bits_[i / 8] = on ? (bits_[i / 8] | mask) : (bits_[i / 8] & ~mask);
}

bool CGameFlagsManager::GetFlag(uint32_t i) const { return i < count_ && (bits_[i / 8] >> (i % 8)) & 1; }

void CGameFlagsManager::ClearFlags() { std::fill(bits_.begin(), bits_.end(), 0); }

void CGameFlagsManager::Save(USLib::binary_ostream<256>& out) {
    SaveIO::WriteU32(out, count_);
    if (!bits_.empty()) out.Write(bits_.data(), static_cast<uint32_t>(bits_.size()));
}

// The table's size comes from the set-up script, never from the file: the stored count is read and
// not used.
void CGameFlagsManager::Load(USLib::binary_istream& in, uint32_t) {
    SaveIO::ReadU32(in);
    SaveIO::ReadBytes(in, bits_.data(), static_cast<uint32_t>(bits_.size()));
}

void CGameParameterManager::AllocGameParam(uint32_t count) {
    FreeParams();
    values_.assign(count, 0);
}

void CGameParameterManager::Save(USLib::binary_ostream<256>& out) {
    SaveIO::WriteU32(out, GetCount());
    for (int32_t v : values_) SaveIO::WriteU32(out, static_cast<uint32_t>(v));
}

void CGameParameterManager::Load(USLib::binary_istream& in, uint32_t) {
    SaveIO::ReadU32(in);
    for (int32_t& v : values_) v = static_cast<int32_t>(SaveIO::ReadU32(in));
}

int32_t GetVariableByKind(int32_t kind, int32_t index) {
    switch (kind) {
        case kVariableIndex: return index;
        case kVariableConfig: return CConfigDataManager::GetInstance()->GetConfigValue(index);
        case kVariableParam: return CGameParameterManager::GetInstance()->GetParam(static_cast<uint32_t>(index));
        case kVariableFlag: return CGameFlagsManager::GetInstance()->GetFlag(static_cast<uint32_t>(index)) ? 1 : 0;
        case kVariableFullScreen: return CUSSingleton<CAppCommonInfo>::GetInstance()->IsFullScreen() != 0 ? 1 : 0;
        default: return 0;
    }
}

void SetVariableByKind(int32_t kind, int32_t index, int32_t value) {
    switch (kind) {
        case kVariableConfig: CConfigDataManager::GetInstance()->SetConfigValue(index, value); break;
        case kVariableParam: CGameParameterManager::GetInstance()->SetParam(static_cast<uint32_t>(index), value); break;
        case kVariableFlag: CGameFlagsManager::GetInstance()->SetFlag(static_cast<uint32_t>(index), value != 0); break;
        case kVariableFullScreen: CUSSingleton<CAppCommonInfo>::GetInstance()->SetFullScreen(value == 1 ? 1 : 0); break;
        default: break;
    }
}
