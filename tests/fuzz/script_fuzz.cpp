// Fuzz target: AngelScript set-up scripts, run by both set-up hosts (the system set-up at start-up and
// the novel setting at each novel scene's start), as "AS\Fuzz.as".
#include <cstdint>

#include "fuzz/device_support.h"
#include "fuzz/fuzz_support.h"
#include "novel/script/ASNovelSetting.h"
#include "novel/script/SystemInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!fuzz::OpenEngineDevice()) return 0;
    fuzz::WriteFile("AS/Fuzz.as", data, size);
    CSystemInfo::GetInstance()->Execute("AS\\Fuzz.as");
    CASNovelSetting().Execute("AS\\Fuzz.as");
    return 0;
}
