// Read-text records.
#include "novel/state/ReadFlags.h"

void CReadedFlagManager::SetReaded(const std::string& name) {
    auto it = nodes_.find(name);
    if (it != nodes_.end()) it->second.wholeFile = 1;
}

bool CReadedFlagManager::IsReaded(const std::string& name) const {
    auto it = nodes_.find(name);
    return it != nodes_.end() && it->second.wholeFile != 0;
}

void CReadedFlagManager::SetMessageReaded(const std::string& name, uint32_t n) {
    // A message number from broken code must not make the record grow without bound.
    if (n >= kMaxMessages) return;
    CReadedFlagsNode& node = nodes_[name];
    if (n >= node.bitCount) {
        node.bitCount = static_cast<uint32_t>((uint64_t(n) / 64 + 1) * 64);
        node.words.resize(node.bitCount / 32, 0);
    }
    node.words[n / 32] |= 1u << (n % 32);
}

bool CReadedFlagManager::IsMessageReaded(const std::string& name, uint32_t n) const {
    auto it = nodes_.find(name);
    if (it == nodes_.end() || n >= it->second.bitCount) return false;
    return (it->second.words[n / 32] >> (n % 32)) & 1;
}
