// Sound fixtures: WAV images and the reference decode of the committed Ogg files.
#include "support/AudioFixtures.h"

#include <vorbis/vorbisfile.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace audio_fixtures {

std::string U16(unsigned v) { return std::string{char(v), char(v >> 8)}; }
std::string U32(unsigned v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

std::string Chunk(const char* id, const std::string& data) {
    std::string c = std::string(id, 4) + U32(static_cast<unsigned>(data.size())) + data;
    if (data.size() & 1) c += '\0';
    return c;
}

std::string PcmFormat(unsigned channels, unsigned bits, unsigned rate) {
    const unsigned align = channels * bits / 8;
    return U16(1) + U16(channels) + U32(rate) + U32(rate * align) + U16(align) + U16(bits);
}

std::string Wave(const std::string& chunks) { return Chunk("RIFF", "WAVE" + chunks); }

std::string PcmWave(unsigned channels, unsigned bits, unsigned rate, const std::string& pcm) {
    return Wave(Chunk("fmt ", PcmFormat(channels, bits, rate)) + Chunk("data", pcm));
}

static std::string FixturePath(const std::string& name) { return std::string(MARLOWE_TEST_DATA_DIR) + "/audio/" + name; }

std::string ReadFixture(const std::string& name) {
    std::ifstream file(FixturePath(name), std::ios::binary);
    if (!file) throw std::runtime_error("missing fixture " + name);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::int16_t> DecodeReference(const std::string& name) {
    OggVorbis_File vf;
    if (ov_fopen(FixturePath(name).c_str(), &vf) != 0) throw std::runtime_error("cannot decode " + name);
    std::vector<std::int16_t> pcm;
    char buf[8192];
    int section = 0;
    long n;
    while ((n = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section)) > 0) {
        const auto* s = reinterpret_cast<const std::int16_t*>(buf);
        pcm.insert(pcm.end(), s, s + n / 2);
    }
    ov_clear(&vf);
    return pcm;
}

}  // namespace audio_fixtures
