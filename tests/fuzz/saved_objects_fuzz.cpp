// Fuzz target: the records of the saved objects that need no device (game flags and parameters, the
// message log, the configuration with its read-text and seen-picture flags). The first byte picks the
// object, the rest is its record; a record that loads must save, load back and save again to as many
// bytes (the objects keep names in hash maps, so the order of a record may change).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/save/USBinaryStream.h"
#include "fuzz/fuzz_support.h"
#include "novel/novel/MessageLog.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/GameVariables.h"

namespace {
template <class Kind>
std::string SaveRecord(ISavedObject<Kind>& object) {
    USLib::binary_ostream<256> out;
    object.Save(out);
    return std::string(reinterpret_cast<const char*>(out.GetData()), out.GetSize());
}

template <class Kind>
bool LoadRecord(ISavedObject<Kind>& object, const unsigned char* data, std::size_t size) {
    USLib::binary_istream in;
    in.Attach(data, static_cast<std::uint32_t>(size));
    object.BeginLoad();
    try {
        object.Load(in, 0);
    } catch (const std::exception&) {
        return false;
    }
    object.EndLoad();
    return true;
}

template <class Kind>
void RoundTrip(ISavedObject<Kind>& object, const std::uint8_t* data, std::size_t size) {
    if (!LoadRecord(object, data, size)) return;
    const std::string first = SaveRecord(object);
    if (!LoadRecord(object, reinterpret_cast<const unsigned char*>(first.data()), first.size()) ||
        SaveRecord(object).size() != first.size())
        std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::EnterScratch();
    if (size == 0) return 0;
    const std::uint8_t* record = data + 1;
    const std::size_t recordSize = size - 1;
    CConfigDataManager* config = CConfigDataManager::GetInstance();
    switch (data[0] % 6) {
        case 0: RoundTrip(*CGameFlagsManager::GetInstance(), record, recordSize); break;
        case 1: RoundTrip(*CGameParameterManager::GetInstance(), record, recordSize); break;
        case 2: RoundTrip(*CMessageLogManager::GetInstance(), record, recordSize); break;
        case 3: RoundTrip(*config, record, recordSize); break;
        case 4: RoundTrip(config->GetReadedFlags(), record, recordSize); break;
        default: RoundTrip(config->GetCGShownFlags(), record, recordSize); break;
    }
    return 0;
}
