// Sound fixtures for the audio tests: RIFF WAVE images built byte by byte, the committed Ogg files,
// and reference PCM decoded from them directly with libvorbis.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace audio_fixtures {

std::string U16(unsigned v);
std::string U32(unsigned v);
// A chunk: id, little-endian size, data, pad byte when the size is odd.
std::string Chunk(const char* id, const std::string& data);
// The 16-byte PCM "fmt " record.
std::string PcmFormat(unsigned channels, unsigned bits, unsigned rate);
// RIFF "WAVE" around the given chunks.
std::string Wave(const std::string& chunks);
// A plain PCM WAV file.
std::string PcmWave(unsigned channels, unsigned bits, unsigned rate, const std::string& pcm);

// Bytes of tests/data/audio/<name>.
std::string ReadFixture(const std::string& name);
// The fixture decoded with libvorbis alone: interleaved 16-bit samples.
std::vector<std::int16_t> DecodeReference(const std::string& name);

}  // namespace audio_fixtures
