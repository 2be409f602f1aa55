// Test support: reading the records of a save file and writing it back with one record changed.
#include "support/SaveRecords.h"

#include <cstring>

namespace testsupport {

namespace {

std::string Complement(std::string bytes) {
    for (char& c : bytes) c = static_cast<char>(~c);
    return bytes;
}

}  // namespace

std::vector<SaveRecord> SaveRecords(const std::string& file) {
    const std::string bytes = Complement(file);
    auto u32 = [&](size_t at) {
        std::uint32_t v = 0;
        if (at + 4 <= bytes.size()) std::memcpy(&v, bytes.data() + at, 4);
        return v;
    };
    std::vector<SaveRecord> records;
    for (size_t at = 20; u32(at) != 0;) {
        const std::uint32_t nameSize = u32(at), number = u32(at + 4);
        std::string name = bytes.substr(at + 8, nameSize);
        at += 8 + nameSize;
        const std::uint32_t size = u32(at);
        records.push_back({std::move(name), number, bytes.substr(at + 4, size)});
        at += 4 + size;
    }
    return records;
}

std::string WithRecord(const std::string& file, const std::string& name, const std::function<void(std::string&)>& damage) {
    std::string out = Complement(file.substr(0, 20));
    auto put = [&](std::uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); };
    for (SaveRecord r : SaveRecords(file)) {
        if (r.name == name) damage(r.payload);
        put(static_cast<std::uint32_t>(r.name.size()));
        put(r.number);
        out += r.name;
        put(static_cast<std::uint32_t>(r.payload.size()));
        out += r.payload;
    }
    put(0);
    put(0);
    return Complement(out);
}

}  // namespace testsupport
