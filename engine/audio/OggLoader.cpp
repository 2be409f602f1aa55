// Ogg Vorbis loader: 16-bit little-endian PCM decoded with ov_read, whole or in chunks.
#include "engine/audio/OggLoader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace USXAudio2 {

namespace {
const char kNotVorbis[] = "USXAudio2::OggLoader : Ogg Vorbis の音声として読めない（壊れているか対応していない形式）";
}

OggLoader::OggLoader() { std::memset(&vorbis_, 0, sizeof(vorbis_)); }

OggLoader::~OggLoader() { Close(); }

void OggLoader::ClearDecoder() {
    ov_clear(&vorbis_);  // closes the C stream of a stream it was opened on
    std::memset(&vorbis_, 0, sizeof(vorbis_));
}

void OggLoader::Close() {
    ClearDecoder();
    imagePos_ = 0;
    image_ = nullptr;
    imageSize_ = 0;
    pcm_.clear();
    pcm_.shrink_to_fit();
    streaming_ = 0;
}

size_t OggLoader::ReadImage(void* out, size_t size, size_t count, void* source) {
    auto* self = static_cast<OggLoader*>(source);
    if (!self || size == 0) return 0;
    size_t bytes = std::min(size * count, size_t(self->imageSize_ - self->imagePos_));
    std::memcpy(out, self->image_ + self->imagePos_, bytes);
    self->imagePos_ += static_cast<std::uint32_t>(bytes);
    return bytes / size;
}

int OggLoader::SeekImage(void* source, ogg_int64_t offset, int origin) {
    auto* self = static_cast<OggLoader*>(source);
    if (!self) return -1;
    ogg_int64_t base;
    switch (origin) {
        case SEEK_SET: base = 0; break;
        case SEEK_CUR: base = self->imagePos_; break;
        case SEEK_END: base = self->imageSize_; break;
        default: return -1;
    }
    // Kept inside the image, so that later reads never leave it.
    const ogg_int64_t to = base + offset;
    if (to < 0 || to > self->imageSize_) return -1;
    self->imagePos_ = static_cast<std::uint32_t>(to);
    return 0;
}

int OggLoader::CloseImage(void* source) {
    auto* self = static_cast<OggLoader*>(source);
    if (self && self->file_.owned && self->file_.data && !self->file_.streamMode) {
        std::free(self->file_.data);
        self->file_.data = nullptr;
    }
    return -1;
}

long OggLoader::TellImage(void* source) {
    auto* self = static_cast<OggLoader*>(source);
    return self ? static_cast<long>(self->imagePos_) : -1;
}

void OggLoader::BuildFormat() {
    const vorbis_info* info = ov_info(&vorbis_, -1);
    std::memset(&format_, 0, sizeof(format_));
    format_.wFormatTag = WAVE_FORMAT_PCM;
    format_.nChannels = static_cast<WORD>(info->channels);
    format_.nSamplesPerSec = static_cast<DWORD>(info->rate);
    format_.wBitsPerSample = 16;
    format_.nBlockAlign = static_cast<WORD>(format_.nChannels * 2);
    format_.nAvgBytesPerSec = format_.nBlockAlign * format_.nSamplesPerSec;
    const double seconds = ov_time_total(&vorbis_, -1);
    // The length comes from the last page's position, which a damaged file may set to anything.
    const double bytes = format_.nAvgBytesPerSec * (seconds > 0 ? seconds : 0.0);
    AlignToBlock(bytes < 4294967295.0 ? static_cast<std::uint32_t>(std::lround(bytes)) : 0xFFFFFFFFu);
}

std::uint32_t OggLoader::ReadPCM(unsigned char* buffer, std::uint32_t size) {
    std::uint32_t done = 0;
    int section = 0;
    while (done < size) {
        const long n = ov_read(&vorbis_, reinterpret_cast<char*>(buffer + done), static_cast<int>(size - done), 0, 2, 1,
                               &section);
        if (n <= 0) break;  // the end of the stream, or a decoder error: decoding stops
        done += static_cast<std::uint32_t>(n);
    }
    return done;
}

bool OggLoader::Load(const char* filename) {
    Close();
    if (!file_.LoadShared(filename)) {
        Report("USXAudio2::OggLoader::Load :ファイル読み込み失敗", filename);
        return false;
    }
    image_ = file_.data;
    imageSize_ = file_.size;
    imagePos_ = 0;
    const ov_callbacks callbacks = {ReadImage, SeekImage, CloseImage, TellImage};
    if (ov_open_callbacks(this, &vorbis_, nullptr, 0, callbacks) != 0) {
        ClearDecoder();
        Report(kNotVorbis, filename);
        return false;
    }
    BuildFormat();
    if (!IsPlayableFormat(format_) || dataSize_ == 0) {
        Close();
        Report(kNotVorbis, filename);
        return false;
    }
    // A stream that decodes shorter than its stated length (or fails midway) keeps what decoded. The
    // buffer grows with what decodes, never ahead to a stated length the file does not hold.
    constexpr std::uint32_t kStep = 1u << 20;
    std::uint32_t got = 0;
    while (got < dataSize_) {
        const std::uint32_t step = std::min(kStep, dataSize_ - got);
        pcm_.resize(got + step);
        const std::uint32_t n = ReadPCM(pcm_.data() + got, step);
        got += n;
        if (n < step) break;
    }
    AlignToBlock(got);
    pcm_.resize(dataSize_);
    streaming_ = 0;
    if (dataSize_ == 0) {
        Close();
        return false;
    }
    return true;
}

bool OggLoader::OpenStream(const char* filename) {
    Close();
    if (!file_.OpenStream(filename)) return false;
    if (ov_open(file_.stream, &vorbis_, nullptr, 0) != 0) {
        ClearDecoder();  // the stream stays with the file and is closed with it
        Report(kNotVorbis, filename);
        return false;
    }
    file_.DetachStream();  // the decoder closes it now
    BuildFormat();
    if (!IsPlayableFormat(format_) || dataSize_ == 0) {
        Close();
        Report(kNotVorbis, filename);
        return false;
    }
    streaming_ = 1;
    return true;
}

bool OggLoader::Seek(std::uint32_t bytePosition) {
    if (!streaming_ || bytePosition > loopEnd_) return false;
    position_ = FloorToFrame(bytePosition);
    return ov_pcm_seek(&vorbis_, position_ / format_.nBlockAlign) == 0;
}

}  // namespace USXAudio2
