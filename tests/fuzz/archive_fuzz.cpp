// Fuzz target: an archive file mounted by the virtual file system, then every entry its index names
// read back deciphered and decompressed, whole and as text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/files/USFileArchiveSystem.h"
#include "fuzz/fuzz_support.h"

namespace {
// The key the seed archives were packed with (tests/fuzz/CMakeLists.txt).
const char kKey[] = "fuzzKey1";

// Remembers the names the index registers, so that each entry can be read back.
class RecordingArchiveSystem : public USFileArchiveSystem {
public:
    void RegisterEntry(const std::string& name, const std::string& archivePath, std::uint32_t offset,
                       std::uint32_t storedSize, std::uint32_t unpackedSize, std::uint32_t reservedA,
                       std::uint32_t reservedB) override {
        names.push_back(name);
        USFileArchiveSystem::RegisterEntry(name, archivePath, offset, storedSize, unpackedSize, reservedA,
                                           reservedB);
    }
    std::vector<std::string> names;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::EnterScratch();
    fuzz::WriteFile("data.arc", data, size);
    RecordingArchiveSystem archives;
    archives.Init(kKey, true, false);
    archives.LoadArchiveIndex("data.arc");
    for (const auto& name : archives.names) {
        std::free(archives.ReadEntry(name));
        std::free(archives.ReadEntryText(name));
        archives.ReadEntryShared(name);
    }
    return 0;
}
