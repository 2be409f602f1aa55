// Fuzz target: Ogg Vorbis files through vorbisfile, decoded whole and streamed.
#include "engine/audio/OggLoader.h"
#include "fuzz/sound_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    USXAudio2::OggLoader whole, stream;
    fuzz::PlaySoundFile(whole, stream, "fuzz.ogg", data, size);
    return 0;
}
