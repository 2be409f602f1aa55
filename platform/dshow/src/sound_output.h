// A movie's sound on its way to the XAudio2 stand-in: decoded frames are converted to 16-bit PCM
// at the stream's own rate and queued on a source voice of a private XAudio2 engine.
#pragma once
#include <dshow.h>
#include <xaudio2.h>

#include <deque>
#include <memory>
#include <vector>

#include "ffmpeg_library.h"

namespace dshow {

class SoundOutput {
public:
    // Null when the sound cannot be converted or no voice can be made (the video then plays alone).
    static std::unique_ptr<SoundOutput> Open(const AVCodecContext* codec);
    ~SoundOutput();
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    void Start();
    // Converts a decoded frame; every 50 ms of sound becomes one queued buffer.
    void Write(const AVFrame* frame);
    // Queues what is left as the stream's last buffer.
    void Finish();
    // Buffers still queued; the ones already played are freed here.
    UINT32 BuffersQueued();
    // Time the voice has played so far.
    REFERENCE_TIME Played();

private:
    SoundOutput() = default;
    void Submit(bool last);

    IXAudio2* m_engine = nullptr;
    IXAudio2MasteringVoice* m_master = nullptr;
    IXAudio2SourceVoice* m_voice = nullptr;
    SwrContext* m_resampler = nullptr;
    int m_channels = 0;
    int m_rate = 0;
    std::vector<std::int16_t> m_pending;
    std::deque<std::vector<std::int16_t>> m_queued;  // read in place by the voice until played
};

}  // namespace dshow
