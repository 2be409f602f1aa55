// Fuzz target: "config.xml", the start-up settings shared by Fenwick and the game, read and written back.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "settings_tool/AppSetting.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::EnterScratch();
    fuzz::WriteFile("config.xml", data, size);
    AppSetting setting;
    setting.Load();
    setting.Save();
    return 0;
}
