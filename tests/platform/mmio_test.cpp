// The mmio RIFF reader over memory images and files: chunk search, pad bytes, parents, bad sizes.
#include <gtest/gtest.h>
#include <mmsystem.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

std::string U32(DWORD v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Chunk(const char* id, const std::string& data) {
    std::string c = std::string(id, 4) + U32(static_cast<DWORD>(data.size())) + data;
    if (data.size() & 1) c += '\0';
    return c;
}

// RIFF "WAVE" with an odd-sized chunk before "fmt " (pad byte), then "data".
const std::string kImage = Chunk("RIFF", "WAVE" + Chunk("junk", "abc") + Chunk("fmt ", "0123456789abcdef") +
                                             Chunk("data", "PCMDATA!"));

struct Source {
    const char* name;
    bool file;
};

void PrintTo(const Source& s, std::ostream* os) { *os << s.name; }

class MmioTest : public ::testing::TestWithParam<Source> {
protected:
    HMMIO Open(const std::string& image) {
        if (!GetParam().file) {
            MMIOINFO info{};
            info.fccIOProc = FOURCC_MEM;
            info.pchBuffer = const_cast<char*>(image.data());
            info.cchBuffer = static_cast<LONG>(image.size());
            return mmioOpenA(nullptr, &info, MMIO_READ);
        }
        // One file per process: CTest runs the cases in parallel.
        path_ = ::testing::TempDir() + "mmio_test_" + std::to_string(::getpid()) + ".wav";
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
        return mmioOpenA(path_.data(), nullptr, MMIO_READ);
    }
    void TearDown() override {
        if (!path_.empty()) std::remove(path_.c_str());
    }
    std::string path_;
};

TEST_P(MmioTest, WalksTheWaveChunksSkippingOthersAndTheirPadBytes) {
    HMMIO h = Open(kImage);
    ASSERT_NE(h, nullptr);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    EXPECT_EQ(riff.ckid, FOURCC_RIFF);
    EXPECT_EQ(riff.cksize, kImage.size() - 8);
    EXPECT_EQ(riff.dwDataOffset, 8u);

    MMCKINFO fmt{};
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    ASSERT_EQ(mmioDescend(h, &fmt, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(fmt.cksize, 16u);
    EXPECT_EQ(fmt.dwDataOffset, 12u + 12u + 8u);  // RIFF header + form type, "junk" with pad, own header
    char buf[20] = {};
    EXPECT_EQ(mmioRead(h, buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "0123");
    ASSERT_EQ(mmioAscend(h, &fmt, 0), MMSYSERR_NOERROR);

    MMCKINFO data{};
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioDescend(h, &data, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), static_cast<LONG>(data.dwDataOffset));
    EXPECT_EQ(mmioRead(h, buf, 20), 8);  // only what the file holds
    EXPECT_EQ(std::string(buf, 8), "PCMDATA!");
    EXPECT_EQ(mmioRead(h, buf, 20), 0);
    EXPECT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
}

TEST_P(MmioTest, MissingOrOversizedChunksAreNotFound) {
    struct Case {
        const char* what;
        std::string image;
        const char* form;
        const char* chunk;
    };
    const std::string oversized = "RIFF" + U32(100) + "WAVE" + std::string("fmt ") + U32(1000) + "xx";
    const Case cases[] = {
        {"other form type", kImage, "AVI ", nullptr},
        {"no such chunk", kImage, "WAVE", "LIST"},
        {"chunk beyond the parent", oversized, "WAVE", "data"},
        {"not RIFF at all", "OggS and then some bytes of a different format", "WAVE", nullptr},
        {"empty", "", "WAVE", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HMMIO h = Open(c.image);
        ASSERT_NE(h, nullptr);
        MMCKINFO riff{};
        riff.fccType = mmioFOURCC(c.form[0], c.form[1], c.form[2], c.form[3]);
        MMRESULT r = mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF);
        if (c.chunk) {
            ASSERT_EQ(r, MMSYSERR_NOERROR);
            MMCKINFO ck{};
            ck.ckid = mmioFOURCC(c.chunk[0], c.chunk[1], c.chunk[2], c.chunk[3]);
            r = mmioDescend(h, &ck, &riff, MMIO_FINDCHUNK);
        }
        EXPECT_EQ(r, static_cast<MMRESULT>(MMIOERR_CHUNKNOTFOUND));
        mmioClose(h, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, MmioTest, ::testing::Values(Source{"memory", false}, Source{"file", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Mmio, OpeningAMissingFileFails) {
    MMIOINFO info{};
    char name[] = "no\\such\\file.wav";
    EXPECT_EQ(mmioOpenA(name, &info, MMIO_READ), nullptr);
    EXPECT_EQ(info.wErrorRet, static_cast<UINT>(MMIOERR_CANNOTOPEN));
}

}  // namespace
