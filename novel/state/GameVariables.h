// The scenario's own variables (game flags and game parameters, both saved with every game) and the
// one way to read and write a value of any kind by kind number and index.
#pragma once
#include <cstdint>
#include <vector>

#include "engine/util/USSingleton.h"
#include "novel/state/SavedObject.h"

class CGameFlagsManager : public ISavedObject<_tagSaveData> {
public:
    CGameFlagsManager() { Register("GameFlags", 0); }
    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;

    virtual void AllocGameFlags(uint32_t count);
    virtual uint32_t GetCount() const { return count_; }
    // An index at or beyond the count is ignored and reads as false.
    virtual void SetFlag(uint32_t i, bool on);
    virtual bool GetFlag(uint32_t i) const;
    virtual void ClearFlags();

    static CGameFlagsManager* GetInstance() { return CUSSingleton<CGameFlagsManager>::GetInstance(); }

private:
    std::vector<uint8_t> bits_;
    uint32_t count_ = 0;
};

class CGameParameterManager : public ISavedObject<_tagSaveData> {
public:
    CGameParameterManager() { Register("GameParameter", 0); }
    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;

    virtual void FreeParams() { values_.clear(); }
    virtual void AllocGameParam(uint32_t count);
    // An index at or beyond the count reads 0 and is not written.
    virtual int32_t GetParam(uint32_t i) const { return i < values_.size() ? values_[i] : 0; }
    virtual void SetParam(uint32_t i, int32_t value) {
        if (i < values_.size()) values_[i] = value;
    }
    uint32_t GetCount() const { return static_cast<uint32_t>(values_.size()); }

    static CGameParameterManager* GetInstance() { return CUSSingleton<CGameParameterManager>::GetInstance(); }

private:
    std::vector<int32_t> values_;
};

// What a variable kind number names.
enum VariableKind : int32_t {
    kVariableIndex = 0,       // the index itself (read only)
    kVariableConfig = 1,      // a configuration value
    kVariableParam = 2,       // a game parameter
    kVariableFlag = 3,        // a game flag (0 or 1)
    kVariableFullScreen = 4,  // 1 full screen, 0 windowed
};

// The variable of a kind at an index; other kinds read 0.
int32_t GetVariableByKind(int32_t kind, int32_t index);
// A flag is set by a non-zero value; full screen by 1, windowed by anything else; the index kind and
// others are not written.
void SetVariableByKind(int32_t kind, int32_t index, int32_t value);
