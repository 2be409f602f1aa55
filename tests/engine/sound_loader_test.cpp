// Sound loaders: the extension table, whole loads and streams of Ogg Vorbis (against a direct
// libvorbis decode) and WAV, loop regions and counts in streamed chunks, lengths claimed beyond what
// a file holds, and refused input.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/audio/OggLoader.h"
#include "engine/audio/WaveLoader.h"
#include "support/AudioFixtures.h"
#include "support/ScratchDir.h"

namespace {

using namespace audio_fixtures;
using USXAudio2::ISoundLoader;
using Bytes = std::vector<unsigned char>;

Bytes AsBytes(const std::vector<std::int16_t>& pcm) {
    Bytes b(pcm.size() * 2);
    std::memcpy(b.data(), pcm.data(), b.size());
    return b;
}
Bytes Slice(const Bytes& b, size_t from, size_t to) { return Bytes(b.begin() + long(from), b.begin() + long(to)); }
Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Reads chunks until the loader reports the end (or max bytes); the bytes read in order.
Bytes Drain(ISoundLoader& loader, std::uint32_t chunk, size_t max = 4u << 20) {
    Bytes out;
    std::vector<unsigned char> buf(chunk);
    for (;;) {
        std::uint32_t size = chunk;
        const int r = loader.ReadChunk(buf.data(), size);
        out.insert(out.end(), buf.begin(), buf.begin() + size);
        if (r != 0 || out.size() >= max) return out;
    }
}

class SoundLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.Write("music.ogg", ReadFixture("music.ogg"));
        music_ = AsBytes(DecodeReference("music.ogg"));
    }
    ScratchDir dir_;
    Bytes music_;  // 1.2 s, stereo, 48 kHz: 192000 bytes a second
};

TEST(SoundLoaderTable, ExtensionsMatchExactly) {
    struct Case {
        const char* name;
        const char* kind;
    } cases[] = {{"se\\hit.wav", "wav"}, {"hit.WAV", "wav"},   {"bgm\\song.ogg", "ogg"}, {"song.OGG", "ogg"},
                 {"hit.Wav", "none"},    {"song.mp3", "none"}, {"song.", "none"},         {"", "none"}};
    for (const Case& c : cases) {
        std::unique_ptr<ISoundLoader> loader = USXAudio2::CreateSoundLoader(c.name);
        const char* kind = dynamic_cast<USXAudio2::WaveLoader*>(loader.get())  ? "wav"
                           : dynamic_cast<USXAudio2::OggLoader*>(loader.get()) ? "ogg"
                                                                                : "none";
        EXPECT_STREQ(kind, c.kind) << c.name;
    }
}

TEST_F(SoundLoaderTest, OggLoadsWholeAsLibvorbisDecodesIt) {
    USXAudio2::OggLoader loader;
    ASSERT_TRUE(loader.Load("music.ogg"));
    const WAVEFORMATEX* f = loader.GetWaveFormat();
    EXPECT_EQ(f->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(f->nChannels, 2);
    EXPECT_EQ(f->nSamplesPerSec, 48000u);
    EXPECT_EQ(f->wBitsPerSample, 16);
    EXPECT_EQ(f->nBlockAlign, 4);
    EXPECT_EQ(f->nAvgBytesPerSec, 192000u);
    EXPECT_FALSE(loader.IsStreaming());
    ASSERT_EQ(loader.GetDataSize(), music_.size());
    EXPECT_EQ(Bytes(loader.GetData(), loader.GetData() + loader.GetDataSize()), music_);
    EXPECT_EQ(loader.GetLengthMsec(), 1200u);
    std::uint32_t size = 16;
    unsigned char buf[16];
    EXPECT_EQ(loader.ReadChunk(buf, size), 2);  // not open for streaming
}

TEST_F(SoundLoaderTest, OggStreamLoopsAtItsLoopPointsSampleExact) {
    struct Case {
        const char* what;
        std::uint32_t count, startMs = 0, loopStartMs = 0, loopEndMs = 0, chunk;
        Bytes expected;
    };
    const size_t ms = 192;  // bytes per millisecond
    const Case cases[] = {
        {.what = "once to the end", .count = 1, .chunk = 19200, .expected = music_},
        {.what = "from 500 ms",
         .count = 1,
         .startMs = 500,
         .chunk = 19200,
         .expected = Slice(music_, 500 * ms, music_.size())},
        {.what = "twice over 200..1000 ms",
         .count = 2,
         .loopStartMs = 200,
         .loopEndMs = 1000,
         .chunk = 19200,
         .expected = Concat({Slice(music_, 0, 1000 * ms), Slice(music_, 200 * ms, 1000 * ms)})},
        // A loop shorter than a chunk wraps several times inside one chunk.
        {.what = "three times over 100..130 ms",
         .count = 3,
         .startMs = 90,
         .loopStartMs = 100,
         .loopEndMs = 130,
         .chunk = 19200,
         .expected = Concat(
             {Slice(music_, 90 * ms, 130 * ms), Slice(music_, 100 * ms, 130 * ms), Slice(music_, 100 * ms, 130 * ms)})},
        // The whole sound looped: the chunk that crosses the end goes on from the start.
        {.what = "whole sound twice, odd chunk", .count = 2, .chunk = 7000, .expected = Concat({music_, music_})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        USXAudio2::OggLoader loader;
        ASSERT_TRUE(loader.OpenStream("music.ogg"));
        EXPECT_TRUE(loader.IsStreaming());
        EXPECT_EQ(loader.GetData(), nullptr);
        loader.SetLoopCount(c.count);
        ASSERT_TRUE(loader.SetLoopStart(c.loopStartMs));
        ASSERT_TRUE(loader.SetLoopEnd(c.loopEndMs));
        ASSERT_TRUE(loader.Seek(loader.MsecToBytes(c.startMs)));
        EXPECT_EQ(Drain(loader, c.chunk), c.expected);
    }
}

TEST_F(SoundLoaderTest, LoopCountsAndLoopPointLimits) {
    USXAudio2::OggLoader loader;
    ASSERT_TRUE(loader.OpenStream("music.ogg"));
    ASSERT_TRUE(loader.SetLoopStart(0));
    ASSERT_TRUE(loader.SetLoopEnd(0));  // the end of the data
    // 0 and 256 loop endlessly: ten passes' worth of chunks never reach an end.
    for (std::uint32_t endless : {0u, 256u}) {
        loader.SetLoopCount(endless);
        ASSERT_TRUE(loader.Seek(0));
        EXPECT_EQ(Drain(loader, 19200, music_.size() * 10).size(), music_.size() * 10) << endless;
    }
    // The loop points refuse positions beyond the data and keep their values.
    EXPECT_FALSE(loader.SetLoopStart(1300));
    EXPECT_FALSE(loader.SetLoopEnd(1201));
    ASSERT_TRUE(loader.SetLoopEnd(600));
    EXPECT_FALSE(loader.Seek(loader.MsecToBytes(700)));  // beyond the loop end
    loader.SetLoopCount(1);
    ASSERT_TRUE(loader.Seek(0));
    EXPECT_EQ(Drain(loader, 19200), Slice(music_, 0, 600 * 192));
    // The last chunk of a single pass ends the stream with the bytes that were left.
    ASSERT_TRUE(loader.SetLoopEnd(0));
    ASSERT_TRUE(loader.Seek(0));
    std::vector<unsigned char> buf(100000);
    std::uint32_t size = 100000;
    EXPECT_EQ(loader.ReadChunk(buf.data(), size), 0);
    EXPECT_EQ(size, 100000u);
    size = 200000;
    buf.resize(size);
    EXPECT_EQ(loader.ReadChunk(buf.data(), size), 1);
    EXPECT_EQ(size, music_.size() - 100000);
}

TEST_F(SoundLoaderTest, WaveLoadsWholeAndStreamsWithItsChunksAnywhere) {
    // 8-bit stereo at 22.05 kHz, with other chunks around (one of odd size) and an odd data size
    // padded in the file.
    std::string pcm;
    for (int i = 0; i < 301; ++i) pcm += char(i * 7);
    const std::string file =
        Wave(Chunk("LIST", "INFOjunk") + Chunk("fmt ", PcmFormat(2, 8, 22050)) + Chunk("odd!", "x") + Chunk("data", pcm)) +
        "";
    dir_.Write("se.wav", file);
    const Bytes frames(pcm.begin(), pcm.end() - 1);  // 150 whole frames

    USXAudio2::WaveLoader whole;
    ASSERT_TRUE(whole.Load("se.wav"));
    EXPECT_EQ(whole.GetWaveFormat()->nChannels, 2);
    EXPECT_EQ(whole.GetWaveFormat()->wBitsPerSample, 8);
    EXPECT_EQ(whole.GetWaveFormat()->nAvgBytesPerSec, 44100u);
    ASSERT_EQ(whole.GetDataSize(), 300u);
    EXPECT_EQ(Bytes(whole.GetData(), whole.GetData() + 300), frames);

    USXAudio2::WaveLoader stream;
    ASSERT_TRUE(stream.OpenStream("se.wav"));
    stream.SetLoopCount(2);
    ASSERT_TRUE(stream.SetLoopStart(1));  // 44 bytes
    ASSERT_TRUE(stream.SetLoopEnd(0));
    ASSERT_TRUE(stream.Seek(0));
    EXPECT_EQ(Drain(stream, 64), Concat({frames, Slice(frames, 44, 300)}));
}

TEST_F(SoundLoaderTest, TruncatedWaveDataKeepsWhatIsThereAndLoopsAtThePhysicalEnd) {
    // The data chunk claims more than the file's 100 bytes: a little more, or about 3 GB, which is
    // never allocated, since only what the file holds is counted.
    const std::string pcm(100, '\x40');
    for (const std::uint32_t claim : {400u, 0xC0000000u}) {
        SCOPED_TRACE(claim);
        std::string file = Wave(Chunk("fmt ", PcmFormat(1, 16, 8000)) + "data" + U32(claim) + pcm);
        dir_.Write("cut.wav", file);
        USXAudio2::WaveLoader stream;
        ASSERT_TRUE(stream.OpenStream("cut.wav"));
        EXPECT_EQ(stream.GetDataSize(), 100u);
        stream.SetLoopCount(2);
        ASSERT_TRUE(stream.SetLoopStart(0));
        ASSERT_TRUE(stream.SetLoopEnd(0));
        ASSERT_TRUE(stream.Seek(0));
        EXPECT_EQ(Drain(stream, 64), Bytes(200, 0x40));

        USXAudio2::WaveLoader whole;
        ASSERT_TRUE(whole.Load("cut.wav"));
        EXPECT_EQ(whole.GetDataSize(), 100u);
    }
}

TEST_F(SoundLoaderTest, OggCutMidwayKeepsTheSoundUpToTheCut) {
    const std::string ogg = ReadFixture("music.ogg");
    dir_.Write("cut.ogg", ogg.substr(0, ogg.rfind("OggS") + 10));  // into the last page
    USXAudio2::OggLoader whole;
    ASSERT_TRUE(whole.Load("cut.ogg"));
    const std::uint32_t size = whole.GetDataSize();
    EXPECT_GT(size, 0u);
    EXPECT_LT(size, music_.size());
    EXPECT_EQ(Bytes(whole.GetData(), whole.GetData() + size), Slice(music_, 0, size));

    USXAudio2::OggLoader stream;
    ASSERT_TRUE(stream.OpenStream("cut.ogg"));
    stream.SetLoopCount(1);
    ASSERT_TRUE(stream.SetLoopStart(0));
    ASSERT_TRUE(stream.SetLoopEnd(0));
    ASSERT_TRUE(stream.Seek(0));
    EXPECT_EQ(Drain(stream, 19200), Slice(music_, 0, size));
}

// The Ogg page checksum: CRC-32 with polynomial 0x04C11DB7, no reflection, initial 0.
std::uint32_t OggCrc(const std::string& page) {
    std::uint32_t crc = 0;
    for (unsigned char c : page) {
        crc ^= std::uint32_t(c) << 24;
        for (int i = 0; i < 8; ++i) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

TEST_F(SoundLoaderTest, OggClaimingHoursDecodesWhatItHoldsWithoutReservingTheClaim) {
    // The last page's position says 5,000 seconds (960 MB of PCM); the pages hold 1.2 s.
    std::string ogg = ReadFixture("music.ogg");
    const size_t last = ogg.rfind("OggS");
    const std::uint64_t granule = 5000ull * 48000;
    for (int i = 0; i < 8; ++i) ogg[last + 6 + i] = char(granule >> (8 * i));
    for (int i = 0; i < 4; ++i) ogg[last + 22 + i] = 0;
    const std::uint32_t crc = OggCrc(ogg.substr(last));
    for (int i = 0; i < 4; ++i) ogg[last + 22 + i] = char(crc >> (8 * i));
    dir_.Write("long.ogg", ogg);
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    USXAudio2::OggLoader whole;
    ASSERT_TRUE(whole.Load("long.ogg"));
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "peak kilobytes grew by this much";
    // Without a true end position the last block is not trimmed: at most one block (2048 frames) more.
    const std::uint32_t size = whole.GetDataSize();
    ASSERT_GE(size, music_.size());
    ASSERT_LE(size, music_.size() + 2048 * 4);
    EXPECT_EQ(Bytes(whole.GetData(), whole.GetData() + music_.size()), music_);
}

TEST_F(SoundLoaderTest, BadFilesAreRefusedWithTheirMessage) {
    const std::string ogg = ReadFixture("music.ogg");
    struct Case {
        const char* what;
        const char* name;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"fmt chunk too long (extensible)", "long.wav",
         Wave(Chunk("fmt ", PcmFormat(2, 16, 48000) + U16(22) + std::string(22, '\0')) + Chunk("data", "abcd")),
         "対応していないフォーマットチャンク"},
        {"fmt chunk missing", "nofmt.wav", Wave(Chunk("data", "abcd")), "フォーマットチャンクが見つからない"},
        {"data chunk missing", "nodata.wav", Wave(Chunk("fmt ", PcmFormat(1, 16, 8000))), "データチャンクが見つからない"},
        {"24-bit samples", "deep.wav", PcmWave(1, 24, 8000, "abcdef"), "対応していないフォーマットチャンク"},
        {"not RIFF", "text.wav", "just some text, not a sound", "WAVEチャンクが見つからない"},
        {"truncated Ogg", "cut.ogg", ogg.substr(0, 300), "Ogg Vorbis"},
        {"not Ogg", "text.ogg", "just some text, not a sound", "Ogg Vorbis"},
        {"a WAV named .ogg", "wave.ogg", PcmWave(1, 16, 8000, "abcd"), "Ogg Vorbis"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir_.Write(c.name, c.bytes);
        for (bool streaming : {false, true}) {
            std::unique_ptr<ISoundLoader> loader = USXAudio2::CreateSoundLoader(c.name);
            ASSERT_NE(loader, nullptr);
            ::testing::internal::CaptureStderr();
            EXPECT_FALSE(streaming ? loader->OpenStream(c.name) : loader->Load(c.name));
            EXPECT_NE(::testing::internal::GetCapturedStderr().find(c.message), std::string::npos);
            EXPECT_EQ(loader->GetData(), nullptr);
            EXPECT_FALSE(loader->IsStreaming());
        }
    }
    // A missing file: the load names it.
    USXAudio2::OggLoader loader;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(loader.Load("missing.ogg"));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("ファイル読み込み失敗missing.ogg"), std::string::npos);
    EXPECT_FALSE(loader.OpenStream("missing.ogg"));
}

}  // namespace
