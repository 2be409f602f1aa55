// What both sound loaders share: millisecond conversions, loop region and count, the chunk reader
// that wraps around the loop region, and the loader table by file extension.
#include "engine/audio/SoundLoader.h"

#include <windows.h>

#include <cstring>

#include "engine/audio/OggLoader.h"
#include "engine/audio/WaveLoader.h"
#include "engine/files/USPath.h"

namespace USXAudio2 {

ISoundLoader::ISoundLoader() = default;

std::uint32_t ISoundLoader::BytesToMsec(std::uint32_t bytes) {
    return static_cast<std::uint32_t>(MulDiv(static_cast<int>(bytes), 1000, static_cast<int>(format_.nAvgBytesPerSec)));
}

std::uint32_t ISoundLoader::MsecToBytes(std::uint32_t msec) {
    return static_cast<std::uint32_t>(MulDiv(static_cast<int>(msec), static_cast<int>(format_.nAvgBytesPerSec), 1000));
}

std::uint32_t ISoundLoader::FloorToFrame(std::uint32_t bytes) const {
    return format_.nBlockAlign ? bytes - bytes % format_.nBlockAlign : bytes;
}

bool ISoundLoader::SetLoopStart(std::uint32_t msec) {
    const std::uint32_t bytes = FloorToFrame(MsecToBytes(msec));
    if (bytes > dataSize_) return false;
    loopStart_ = bytes;
    return true;
}

bool ISoundLoader::SetLoopEnd(std::uint32_t msec) {
    const std::uint32_t bytes = msec == 0 ? dataSize_ : FloorToFrame(MsecToBytes(msec));
    if (bytes > dataSize_) return false;
    loopEnd_ = bytes;
    return true;
}

void ISoundLoader::SetLoopCount(std::uint32_t count) { loopCount_ = count == 0 ? kEndless : count - 1; }

void ISoundLoader::DecrementLoopCount() {
    if (loopCount_ != 0 && loopCount_ != kEndless) --loopCount_;
}

std::uint32_t ISoundLoader::AlignToBlock(std::uint32_t bytes) {
    dataSize_ = bytes & (0u - format_.nBlockAlign);
    return dataSize_;
}

int ISoundLoader::ReadChunk(void* buffer, std::uint32_t& size) {
    if (!streaming_) return 2;
    auto* out = static_cast<unsigned char*>(buffer);
    std::uint32_t filled = 0;
    bool emptyPass = false;
    // Fill up to the loop end, then wrap to the loop start; a loop region shorter than the chunk
    // wraps as often as it needs. The physical end of the data wraps like the loop end.
    while (filled < size) {
        const std::uint32_t toLoopEnd = loopEnd_ > position_ ? loopEnd_ - position_ : 0;
        const std::uint32_t want = std::min(size - filled, toLoopEnd);
        const std::uint32_t got = want ? ReadPCM(out + filled, want) : 0;
        filled += got;
        position_ += got;
        if (got == want && position_ < loopEnd_) continue;
        // A pass without a single byte (an empty loop region, a loop start past the data) ends it.
        if (HasEnded() || (got == 0 && emptyPass) || !Seek(loopStart_)) {
            size = filled;
            return 1;
        }
        emptyPass = got == 0;
        DecrementLoopCount();
    }
    return 0;
}

bool ISoundLoader::IsPlayableFormat(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 &&
           f.nSamplesPerSec >= 1000 && f.nSamplesPerSec <= 200000 &&
           f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}

void ISoundLoader::Report(const char* text, const char* filename) {
    std::string line = win32::Utf8ToCp932(text);
    if (filename) line += filename;
    line += "\n";
    OutputDebugStringA(line.c_str());
}

namespace {

enum LoaderType { kWave, kOgg };
struct LoaderRow {
    int type;
    const char* extension;
};
const LoaderRow kLoaders[] = {{kWave, "wav"}, {kWave, "WAV"}, {kOgg, "ogg"}, {kOgg, "OGG"}, {-1, "***"}};

}  // namespace

std::unique_ptr<ISoundLoader> CreateSoundLoader(const char* filename) {
    const std::string extension = GetFileExtension(filename ? filename : "");
    for (const LoaderRow* row = kLoaders; row->type != -1; ++row) {
        if (extension != row->extension) continue;
        if (row->type == kWave) return std::make_unique<WaveLoader>();
        return std::make_unique<OggLoader>();
    }
    return nullptr;
}

}  // namespace USXAudio2
