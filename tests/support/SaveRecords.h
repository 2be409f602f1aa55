// Test support: the records of a save file (or "cfg.cfg") as the game writes it, and the same file
// with one record changed, for tests of damaged saves whose container still reads whole.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

struct SaveRecord {
    std::string name;
    std::uint32_t number;
    std::string payload;
};

// The records of a file's container (its bytes complemented on disk), in file order.
std::vector<SaveRecord> SaveRecords(const std::string& file);
// The file with the payload of the record called name changed by damage and its length set to
// match, so that the container stays whole.
std::string WithRecord(const std::string& file, const std::string& name, const std::function<void(std::string&)>& damage);

}  // namespace testsupport
