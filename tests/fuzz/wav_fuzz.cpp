// Fuzz target: WAV files through the mmio RIFF reader, loaded whole and streamed.
#include "engine/audio/WaveLoader.h"
#include "fuzz/sound_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    USXAudio2::WaveLoader whole, stream;
    fuzz::PlaySoundFile(whole, stream, "fuzz.wav", data, size);
    return 0;
}
