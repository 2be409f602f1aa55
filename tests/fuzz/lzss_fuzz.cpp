// Fuzz target: the archive decompressor on arbitrary code (the first four bytes give the unpacked
// size), and the encoder's output of the same bytes decoding back to them.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/files/LZSS.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::uint32_t claimed = input.U32();
    const auto* code = input.Rest();
    const auto codeSize = static_cast<std::uint32_t>(input.RestSize());
    CLZSS lzss;
    // As the archive reader does: a claim the code cannot produce is refused before allocating.
    if (claimed <= CLZSS::MaxUnpackedSize(codeSize)) {
        unsigned char* out = nullptr;
        if (lzss.Decode(code, codeSize, out, claimed, true)) std::free(out);
    }
    std::vector<unsigned char> packed;
    if (lzss.Encode(data, static_cast<std::uint32_t>(size), packed)) {
        std::vector<unsigned char> back(size);
        unsigned char* into = back.data();
        if (!lzss.Decode(packed.data(), static_cast<std::uint32_t>(packed.size()), into,
                         static_cast<std::uint32_t>(size), false) ||
            std::memcmp(back.data(), data, size) != 0)
            std::abort();
    }
    return 0;
}
