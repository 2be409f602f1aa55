// Read-text records and seen pictures, with their "cfg.cfg" records.
#include "novel/state/ReadFlags.h"

#include "novel/vm/SaveIO.h"

void CReadedFlagsNode::SetReaded(uint32_t i) {
    if (i >= bits.size()) bits.resize((i / 64 + 1) * 64);
    bits.set(i);
}

void CReadedFlagsNode::Save(USLib::binary_ostream<256>& out) const {
    SaveDataLoader4::WriteBoolVector(bits, out);
    out.Write(&whole, 1);
}

void CReadedFlagsNode::Load(USLib::binary_istream& in, uint32_t) {
    SaveDataLoader4::ReadBoolVector(in, bits);
    in.Read(&whole, 1);
}

void CReadedFlagManager::Save(USLib::binary_ostream<256>& out) {
    for (auto& [name, node] : nodes_) {
        SaveIO::WriteString(out, name);
        node->Save(out);
    }
}

void CReadedFlagManager::Load(USLib::binary_istream& in, uint32_t version) {
    // Read into a fresh map first: a damaged record leaves the marks as they were.
    std::unordered_map<std::string, std::unique_ptr<CReadedFlagsNode>> nodes;
    while (in.GetPosition() < in.GetSize()) {
        std::string name = SaveIO::ReadString(in);
        auto node = std::make_unique<CReadedFlagsNode>();
        node->Load(in, version);
        // A count that is no multiple of 64 or beyond the cap is not a record this program wrote.
        if (node->bits.size() % 64 != 0 || node->bits.size() > kMaxMessages)
            throw USLib::stream_error("bad read-mark record");
        nodes[name] = std::move(node);
    }
    nodes_.swap(nodes);
}

void CReadedFlagManager::SetReaded(const std::string& name) {
    auto it = nodes_.find(name);
    if (it != nodes_.end()) it->second->whole = 1;
}

bool CReadedFlagManager::IsReaded(const std::string& name) const {
    auto it = nodes_.find(name);
    return it != nodes_.end() && it->second->whole != 0;
}

void CReadedFlagManager::SetMessageReaded(const std::string& name, uint32_t n) {
    // A message number from broken code must not make the record grow without bound.
    if (n >= kMaxMessages) return;
    std::unique_ptr<CReadedFlagsNode>& node = nodes_[name];
    if (!node) node = std::make_unique<CReadedFlagsNode>();
    node->SetReaded(n);
}

bool CReadedFlagManager::IsMessageReaded(const std::string& name, uint32_t n) const {
    auto it = nodes_.find(name);
    return it != nodes_.end() && it->second->IsReaded(n);
}

void CCGShownFlagsManager::Save(USLib::binary_ostream<256>& out) {
    SaveIO::WriteU32(out, static_cast<uint32_t>(shown_.size()));
    for (const std::string& name : shown_) SaveIO::WriteString(out, name);
}

void CCGShownFlagsManager::Load(USLib::binary_istream& in, uint32_t) {
    std::unordered_set<std::string> names;
    for (uint32_t n = SaveIO::ReadU32(in); n > 0; --n) names.insert(SaveIO::ReadString(in));
    shown_.merge(names);
}
