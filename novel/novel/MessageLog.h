// The message log (the last 128 messages with their speakers and voices, newest first; saved as
// "Log") and the character table that maps a speaker's voice key to the configuration indexes of the
// speaker's voice volume and switch.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/util/USSingleton.h"
#include "novel/novel/USLoopVector.h"
#include "novel/state/SavedObject.h"

class CMessageLogManager : public ISavedObject<_tagSaveData> {
public:
    struct LogInfo {
        virtual ~LogInfo() = default;
        virtual void Assign(const char* n, const char* key, const char* t, const char* file) {
            name = n;
            voiceKey = key;
            text = t;
            voiceFile = file;
        }
        std::string name;
        std::string voiceKey;
        std::string text;
        std::string voiceFile;
    };
    static constexpr int32_t kCapacity = 128;

    CMessageLogManager() { Register("Log", 0); }
    static CMessageLogManager* GetInstance() { return CUSSingleton<CMessageLogManager>::GetInstance(); }

    // The count, then the entries from the oldest to the newest.
    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;

    // A new entry, overwriting the oldest when the log is full.
    void Add(const char* name, const char* voiceKey, const char* text, const char* voiceFile) {
        entries_.PushNext().Assign(name, voiceKey, text, voiceFile);
    }
    // Clearing the log: scroll position 0, no entries, every row's buffers emptied.
    void Clear();

    virtual int32_t GetCount() const { return entries_.GetCount(); }
    // Entry i, 0 the newest; null when i is not below the count.
    const LogInfo* GetEntry(int32_t i) const;
    virtual bool HasVoice(int32_t i) const {
        const LogInfo* e = GetEntry(i);
        return e && !e->voiceFile.empty();
    }

    // The list of log-window rows (pairs of text-buffer numbers: text, name), built anew by the
    // novel-setting script.
    virtual void ClearLogRowList() { rows_.clear(); }
    virtual void AddLogRow(uint32_t textBuffer, uint32_t nameBuffer) { rows_.emplace_back(textBuffer, nameBuffer); }
    // The (text buffer, name buffer) pair of each log-window row.
    const std::vector<std::pair<uint32_t, uint32_t>>& GetLogRows() const { return rows_; }
    // Every row's text and name buffers emptied (all of nothing visible).
    void ClearLogRows();
    // Row r shows the entry at scroll position + r (its text and name, whole); rows past the entries
    // are emptied.
    virtual void ShowLogRows();
    virtual void ResetScroll() {
        scroll_ = 0;
        ShowLogRows();
    }
    // Moves the first shown row by delta (positive: older); 1 when clamped at the oldest end, -1 at
    // the newest, 0 when it moved freely (the rows then show the new position).
    virtual int32_t Scroll(int32_t delta);
    int32_t GetScroll() const { return scroll_; }
    virtual bool RowHasVoice(int32_t row) const;
    // The entry shown in a log row, or null.
    const LogInfo* GetRowEntry(int32_t row) const { return RowHasVoice(row) ? GetEntry(scroll_ + row) : nullptr; }

private:
    CUSLoopVector<LogInfo, kCapacity> entries_;
    int32_t scroll_ = 0;
    std::vector<std::pair<uint32_t, uint32_t>> rows_;
};

struct CCharacterInfo {
    virtual ~CCharacterInfo() = default;
    virtual void Set(uint32_t volume, uint32_t maxVolume, uint32_t voiceSwitch) {
        volumeIndex = volume;
        maxVolumeIndex = maxVolume;
        voiceSwitchIndex = voiceSwitch;
    }
    uint32_t volumeIndex = 0;
    uint32_t maxVolumeIndex = 0;
    uint32_t voiceSwitchIndex = 0;
};

class CCharacterInfoManager {
public:
    virtual ~CCharacterInfoManager() { Clear(); }
    // Deletes every named record; the default record stays.
    virtual void Clear() { records_.clear(); }
    CCharacterInfo& GetDefault() { return default_; }
    // The record of the name, created when there is none.
    CCharacterInfo& Add(const std::string& name);
    // The record of the name, or the default record.
    const CCharacterInfo& Find(const std::string& name) const;

private:
    CCharacterInfo default_;
    std::unordered_map<std::string, std::unique_ptr<CCharacterInfo>> records_;
};
