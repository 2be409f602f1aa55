// Fuzz target: parts render info files, loaded for a texture size (both orientations) and saved back.
#include <cstdint>

#include "engine/resources/PartsRenderInfo.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::EnterScratch();
    fuzz::WriteFile("fuzz.prt", data, size);
    for (bool flip : {false, true}) {
        CPartsRenderInfo3 parts;
        if (parts.Load("fuzz.prt", 256.0f, 128.0f, flip) != 1) return 0;
        for (std::uint32_t i = 0; i < parts.Count(); ++i) parts.GetPart(i);
    }
    return 0;
}
