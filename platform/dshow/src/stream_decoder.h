// One stream of a movie file, demuxed and decoded frame by frame with libavformat/libavcodec.
#pragma once
#include <memory>
#include <string>

#include <dshow.h>

#include "ffmpeg_library.h"

namespace dshow {

class StreamDecoder {
public:
    // The best stream of the given kind in the file; null when the file cannot be read or has no
    // such stream with a decoder.
    static std::unique_ptr<StreamDecoder> Open(const std::string& path, AVMediaType type);
    ~StreamDecoder();
    StreamDecoder(const StreamDecoder&) = delete;
    StreamDecoder& operator=(const StreamDecoder&) = delete;

    // The next decoded frame; false once the stream has ended (a damaged tail ends it too).
    bool Next(AVFrame* frame);
    const AVCodecContext* Codec() const { return m_codec; }
    // A frame's presentation time from the file's start (MPEG streams do not start at 0).
    REFERENCE_TIME StartTime(const AVFrame* frame);
    // Nominal length of one video frame.
    REFERENCE_TIME FrameDuration() const { return m_frameDuration; }

private:
    StreamDecoder() = default;
    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_codec = nullptr;
    AVPacket* m_packet = nullptr;
    AVStream* m_stream = nullptr;
    int64_t m_origin = 0;
    REFERENCE_TIME m_frameDuration = 0;
    REFERENCE_TIME m_lastTime = -1;
    bool m_flushed = false;
};

}  // namespace dshow
