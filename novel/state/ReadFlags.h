// Read-text records (per scenario file: one flag per message number and a whole-file flag) and the
// set of pictures already shown; both are kept in "cfg.cfg" as the records "Readed" and "CGShown".
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "engine/save/SaveData.h"
#include "novel/state/SavedObject.h"

// The read marks of one scenario file: bit i marks message i; the bit count is a multiple of 64.
class CReadedFlagsNode {
public:
    virtual ~CReadedFlagsNode() = default;
    // Grows the bit set in steps of 64 to cover i, then sets bit i.
    virtual void SetReaded(uint32_t i);
    virtual bool IsReaded(uint32_t i) const { return i < bits.size() && bits[i]; }
    virtual void Save(USLib::binary_ostream<256>& out) const;
    virtual void Load(USLib::binary_istream& in, uint32_t version);

    SaveDataLoader4::BoolVector bits;
    uint8_t whole = 0;
};

class CReadedFlagManager : public ISavedObject<_tagConfigData> {
public:
    CReadedFlagManager() { Register("Readed", 0); }
    // Record: for every file its name, a zero byte and the node record, up to the record's end.
    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;

    virtual void Clear() { nodes_.clear(); }
    // Marks a file read only when it already has a record.
    virtual void SetReaded(const std::string& name);
    virtual bool IsReaded(const std::string& name) const;
    // Creates the file's record when needed and grows it to cover message n.
    // Numbers of kMaxMessages and above are ignored.
    virtual void SetMessageReaded(const std::string& name, uint32_t n);
    static constexpr uint32_t kMaxMessages = 1u << 20;
    virtual bool IsMessageReaded(const std::string& name, uint32_t n) const;

private:
    std::unordered_map<std::string, std::unique_ptr<CReadedFlagsNode>> nodes_;
};

class CCGShownFlagsManager : public ISavedObject<_tagConfigData> {
public:
    CCGShownFlagsManager() { Register("CGShown", 0); }
    // Record: u32 count, then every name and a zero byte. Load adds the names to the set.
    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;
    // A failed load of "cfg.cfg" is undone whole: the names it added go with the set's other names,
    // and loading the state from before the load brings those back.
    void BeginRestore() override { Clear(); }

    virtual void Clear() { shown_.clear(); }
    virtual void SetShown(const std::string& name) { shown_.insert(name); }
    virtual bool IsShown(const std::string& name) const { return shown_.count(name) != 0; }

private:
    std::unordered_set<std::string> shown_;
};
