// Fuzz target: the save container, read whole and one record at a time, as a plain stream and as the
// complemented file on disk; a container that reads must write out and read back the same records.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <sstream>
#include <string>

#include "engine/save/SaveData.h"
#include "fuzz/fuzz_support.h"
#include "novel/state/SaveFile.h"

namespace {
std::string Saved(SaveDataLoader4::SaveData& data) {
    std::ostringstream out;
    data.Save(out);
    return out.str();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::EnterScratch();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        SaveDataLoader4::SaveData container;
        std::istringstream in(bytes);
        try {
            container.LoadNode(in, CSaveDataKey("Config", 0));
        } catch (const SaveDataLoader4::save_error&) {
        }
    }
    SaveDataLoader4::SaveData container;
    try {
        std::istringstream in(bytes);
        container.Load(in);
    } catch (const SaveDataLoader4::save_error&) {
        return 0;
    }
    // What was read writes out, and that reads back and writes out the same bytes.
    const std::string first = Saved(container);
    SaveDataLoader4::SaveData again;
    std::istringstream in(first);
    again.Load(in);
    if (Saved(again) != first) std::abort();
    // The same container through the file layer, complemented on disk.
    SaveFile::Write("fuzz.sav", container);
    SaveDataLoader4::SaveData fromFile;
    SaveFile::Read("fuzz.sav", fromFile);
    if (Saved(fromFile) != first) std::abort();
    return 0;
}
