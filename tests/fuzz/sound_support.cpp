// A sound file through both load kinds of a loader, for the WAV and Ogg fuzz targets.
#include "fuzz/sound_support.h"

#include "fuzz/fuzz_support.h"

namespace fuzz {
void PlaySoundFile(USXAudio2::ISoundLoader& whole, USXAudio2::ISoundLoader& stream, const char* name,
                   const std::uint8_t* data, std::size_t size) {
    EnterScratch();
    WriteFile(name, data, size);
    if (whole.Load(name)) {
        whole.GetData();
        whole.GetLengthMsec();
    }
    whole.Close();
    if (!stream.OpenStream(name)) return;
    stream.SetLoopCount(2);
    stream.SetLoopStart(stream.GetLengthMsec() / 3);
    stream.SetLoopEnd(stream.GetLengthMsec() / 2);
    unsigned char buffer[4096];
    // Two passes of the loop and the rest: a bounded number of chunks, so that a stream that never
    // ends shows as a time-out.
    for (int i = 0; i < 100000; ++i) {
        std::uint32_t got = sizeof buffer;
        if (stream.ReadChunk(buffer, got) != 0) break;
    }
    stream.Close();
}
}  // namespace fuzz
