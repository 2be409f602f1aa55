// Read-text records (per scenario file: one flag per message number and a whole-file flag) and the
// set of pictures already shown.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct CReadedFlagsNode {
    std::vector<uint32_t> words;  // message flags, 32 per word
    uint32_t bitCount = 0;        // a multiple of 64
    uint8_t wholeFile = 0;
};

class CReadedFlagManager {
public:
    virtual ~CReadedFlagManager() = default;
    // Marks a file read only when it already has a record.
    virtual void SetReaded(const std::string& name);
    virtual bool IsReaded(const std::string& name) const;
    // Creates the file's record when needed and grows it to cover message n.
    // Numbers of kMaxMessages and above are ignored.
    virtual void SetMessageReaded(const std::string& name, uint32_t n);
    static constexpr uint32_t kMaxMessages = 1u << 20;
    virtual bool IsMessageReaded(const std::string& name, uint32_t n) const;

private:
    std::unordered_map<std::string, CReadedFlagsNode> nodes_;
};

class CCGShownFlagsManager {
public:
    virtual ~CCGShownFlagsManager() = default;
    virtual void SetShown(const std::string& name) { shown_.insert(name); }
    virtual bool IsShown(const std::string& name) const { return shown_.count(name) != 0; }

private:
    std::unordered_set<std::string> shown_;
};
