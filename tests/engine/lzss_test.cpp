// LZSS: hand-made code streams that pin the decoder's reading of the format, and encoder-to-decoder
// round trips over inputs of different shapes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/files/LZSS.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Two code bytes of a match at ring position pos, len bytes long.
void Match(Bytes& code, unsigned pos, unsigned len) {
    code.push_back(static_cast<unsigned char>(pos & 0xFF));
    code.push_back(static_cast<unsigned char>(((pos >> 4) & 0xF0) | (len - 3)));
}

// Decodes into an allocated block; "<fail>" when the decoder refuses.
std::string Decode(const Bytes& code, std::uint32_t size) {
    CLZSS lzss;
    unsigned char* out = nullptr;
    if (!lzss.Decode(code.data(), static_cast<std::uint32_t>(code.size()), out, size, true)) {
        EXPECT_EQ(nullptr, out);
        return "<fail>";
    }
    std::string s(reinterpret_cast<char*>(out), size);
    std::free(out);
    return s;
}

TEST(LzssDecode, HandMadeStreams) {
    // Literal 'A' (written at ring 4078), then a match at 4078: it overlaps itself.
    Bytes overlap = {0x01, 'A'};
    Match(overlap, 4078, 5);
    // A match into the ring before anything was written reads zeros.
    Bytes zeros = {0x00};
    Match(zeros, 100, 4);
    // "ab" then a match reaching from the zero ring into the output and on into its own bytes.
    Bytes straddle = {0x03, 'a', 'b'};
    Match(straddle, 4076, 5);
    struct {
        const char* what;
        Bytes code;
        std::uint32_t size;
        std::string expected;
    } cases[] = {
        {"self-overlapping match", overlap, 6, "AAAAAA"},
        {"stops in the middle of a match", overlap, 4, "AAAA"},
        {"zero-filled ring", zeros, 4, std::string(4, '\0')},
        {"match from the zero ring into the output", straddle, 7, std::string("ab\0\0ab\0", 7)},
        {"flag bits are read least significant first", {0x05, 'x', 0xEE, 0xF0, 'y'}, 5, "xxxxy"},
        {"nothing to write reads nothing", {}, 0, ""},
        {"code ends before the output is full", {0x01, 'A'}, 3, "<fail>"},
        {"code ends inside a match", {0x00, 0xEE}, 3, "<fail>"},
        {"no flag byte", {}, 1, "<fail>"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, Decode(c.code, c.size)) << c.what;
}

TEST(LzssDecode, MatchAtTheWritePositionReadsTheByte4096Back) {
    // 4096 literals fill the ring once; a match at the write position copies the oldest bytes.
    Bytes code;
    std::string expected;
    for (int group = 0; group < 512; ++group) {
        code.push_back(0xFF);
        for (int i = 0; i < 8; ++i) {
            auto b = static_cast<unsigned char>((group * 8 + i) * 7);
            code.push_back(b);
            expected.push_back(static_cast<char>(b));
        }
    }
    code.push_back(0x00);
    Match(code, 4078, 18);  // r is back at 4078 after 4096 bytes.
    expected += expected.substr(0, 18);
    EXPECT_EQ(expected, Decode(code, static_cast<std::uint32_t>(expected.size())));
}

std::string Pseudo(std::size_t n, unsigned seed, unsigned alphabet) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s.push_back(static_cast<char>((seed >> 16) % alphabet));
    }
    return s;
}

TEST(LzssRoundTrip, EncoderOutputDecodesToTheInput) {
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "text line " + std::to_string(i * 31 % 97) + "\r\n";
    std::string periodic;
    for (int i = 0; i < 20000; ++i) periodic.push_back(static_cast<char>(i % 4099 % 251));
    struct {
        const char* what;
        std::string input;
    } cases[] = {
        {"17 bytes, the shortest accepted", std::string(17, 'z')},
        {"zeros, matched against the empty ring", std::string(70000, '\0')},
        {"text", text},
        {"small alphabet", Pseudo(100000, 7, 4)},
        {"period just over the ring size", periodic},
    };
    for (const auto& c : cases) {
        CLZSS encoder;
        Bytes code;
        const auto size = static_cast<std::uint32_t>(c.input.size());
        ASSERT_TRUE(encoder.Encode(reinterpret_cast<const unsigned char*>(c.input.data()), size, code)) << c.what;
        EXPECT_LE(code.size(), size - 8) << c.what;
        EXPECT_EQ(c.input, Decode(code, size)) << c.what;
    }
}

TEST(LzssEncode, RefusesShortAndIncompressibleInput) {
    struct {
        const char* what;
        std::string input;
    } cases[] = {
        {"16 bytes", std::string(16, 'a')},
        {"noise", Pseudo(5000, 3, 256)},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        CLZSS encoder;
        Bytes code{1, 2, 3};
        EXPECT_FALSE(encoder.Encode(reinterpret_cast<const unsigned char*>(c.input.data()),
                                    static_cast<std::uint32_t>(c.input.size()), code))
            << c.what;
        EXPECT_TRUE(code.empty()) << c.what;
    }
}

}  // namespace
