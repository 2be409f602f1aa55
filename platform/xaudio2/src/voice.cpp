// Source voices of our mixer: the buffer rules of the API (validated on submit), the play position
// with loop regions, and rendering with a gain ramp.
#include "voice.h"

#include <algorithm>
#include <cstring>

#include "engine.h"

namespace xaudio2 {

namespace {
constexpr UINT64 kOne = UINT64(1) << 32;
}

MixerSourceVoice::MixerSourceVoice(Engine& engine, const WAVEFORMATEX& format, IXAudio2VoiceCallback* callback,
                                   UINT32 outputRate)
    : engine_(engine),
      format_(format),
      callback_(callback),
      step_((UINT64(format.nSamplesPerSec) << 32) / outputRate),
      acc_(kOne) {}

bool MixerSourceVoice::IsSupported(const WAVEFORMATEX* f) {
    return f && f->wFormatTag == WAVE_FORMAT_PCM && (f->nChannels == 1 || f->nChannels == 2) &&
           (f->wBitsPerSample == 8 || f->wBitsPerSample == 16) &&
           f->nBlockAlign == f->nChannels * f->wBitsPerSample / 8 && f->nSamplesPerSec >= 1000 &&
           f->nSamplesPerSec <= 200000;
}

HRESULT MixerSourceVoice::SetVolume(float volume, UINT32) {
    if (!(volume >= -XAUDIO2_MAX_VOLUME_LEVEL && volume <= XAUDIO2_MAX_VOLUME_LEVEL)) return E_INVALIDARG;
    std::lock_guard<std::mutex> lock(engine_.Mutex());
    gain_.volume = volume;
    if (!running_) gain_.gain = volume;  // nothing sounds: no ramp needed, the next start is at this volume
    return S_OK;
}

void MixerSourceVoice::GetVolume(float* volume) {
    std::lock_guard<std::mutex> lock(engine_.Mutex());
    if (volume) *volume = gain_.volume;
}

void MixerSourceVoice::DestroyVoice() { engine_.DestroySourceVoice(this); }

HRESULT MixerSourceVoice::Start(UINT32, UINT32) {
    {
        std::lock_guard<std::mutex> lock(engine_.Mutex());
        running_ = true;
    }
    engine_.Wake();
    return S_OK;
}

HRESULT MixerSourceVoice::Stop(UINT32, UINT32) {
    std::lock_guard<std::mutex> lock(engine_.Mutex());
    running_ = false;
    return S_OK;
}

HRESULT MixerSourceVoice::SubmitSourceBuffer(const XAUDIO2_BUFFER* buffer, const XAUDIO2_BUFFER_WMA* wma) {
    if (!buffer || wma || !buffer->pAudioData || buffer->AudioBytes == 0 ||
        buffer->AudioBytes > XAUDIO2_MAX_BUFFER_BYTES || buffer->AudioBytes % format_.nBlockAlign != 0)
        return XAUDIO2_E_INVALID_CALL;
    const UINT32 frames = buffer->AudioBytes / format_.nBlockAlign;
    Queued q{};
    q.desc = *buffer;
    if (buffer->PlayBegin >= frames || buffer->PlayLength > frames - buffer->PlayBegin) return XAUDIO2_E_INVALID_CALL;
    q.playEnd = buffer->PlayLength ? buffer->PlayBegin + buffer->PlayLength : frames;
    if (buffer->LoopCount == 0) {
        if (buffer->LoopBegin != 0 || buffer->LoopLength != 0) return XAUDIO2_E_INVALID_CALL;
    } else {
        if (buffer->LoopCount > XAUDIO2_MAX_LOOP_COUNT && buffer->LoopCount != XAUDIO2_LOOP_INFINITE)
            return XAUDIO2_E_INVALID_CALL;
        q.loopBegin = buffer->LoopBegin;
        q.loopEnd = buffer->LoopLength ? buffer->LoopBegin + buffer->LoopLength : q.playEnd;
        // The loop region must hold frames and end inside the play region, past its start.
        if (q.loopBegin >= q.loopEnd || q.loopEnd > q.playEnd || q.loopEnd <= buffer->PlayBegin)
            return XAUDIO2_E_INVALID_CALL;
    }
    q.loopsLeft = buffer->LoopCount;
    q.pos = buffer->PlayBegin;
    std::lock_guard<std::mutex> lock(engine_.Mutex());
    if (queue_.size() + flushed_.size() >= XAUDIO2_MAX_QUEUED_BUFFERS) return XAUDIO2_E_INVALID_CALL;
    queue_.push_back(q);
    return S_OK;
}

HRESULT MixerSourceVoice::FlushSourceBuffers() {
    {
        std::lock_guard<std::mutex> lock(engine_.Mutex());
        // A started voice keeps the buffer it is playing.
        const size_t keep = running_ && !queue_.empty() && queue_.front().started ? 1 : 0;
        // Without a callback there is nobody to tell: the buffers are simply gone.
        if (callback_)
            for (size_t i = keep; i < queue_.size(); ++i) flushed_.push_back(queue_[i].desc.pContext);
        queue_.erase(queue_.begin() + static_cast<long>(keep), queue_.end());
    }
    engine_.Wake();  // the flushed buffers' ends are reported by a pass
    return S_OK;
}

void MixerSourceVoice::GetState(XAUDIO2_VOICE_STATE* state) {
    if (!state) return;
    std::lock_guard<std::mutex> lock(engine_.Mutex());
    state->pCurrentBufferContext = queue_.empty() ? nullptr : queue_.front().desc.pContext;
    state->BuffersQueued = static_cast<UINT32>(queue_.size() + flushed_.size());
    state->SamplesPlayed = samplesPlayed_;
}

void MixerSourceVoice::TakeFlushed(std::vector<Event>& events) {
    for (void* context : flushed_) events.push_back({Event::BufferEnd, context, 0});
    flushed_.clear();
}

UINT32 MixerSourceVoice::BytesRequired(UINT32 frames) const {
    UINT64 needed = (UINT64(frames) * step_ + (kOne - 1)) >> 32;
    UINT64 queued = 0;
    for (const Queued& b : queue_) {
        if (b.loopsLeft == XAUDIO2_LOOP_INFINITE) return 0;
        queued += b.playEnd - b.pos + UINT64(b.loopsLeft) * (b.loopEnd - b.loopBegin);
        if (queued >= needed) return 0;
    }
    return static_cast<UINT32>((needed - queued) * format_.nBlockAlign);
}

void MixerSourceVoice::ReadFrame(const Queued& b, UINT32 index, float frame[2]) const {
    ConvertRun(b.desc.pAudioData + size_t(index) * format_.nBlockAlign, 1, frame);
}

void MixerSourceVoice::ConvertRun(const BYTE* p, UINT32 frames, float* out) const {
    constexpr float k16 = 1.0f / 32768.0f, k8 = 1.0f / 128.0f;
    switch (format_.nBlockAlign) {
        case 4:  // 16-bit stereo
            for (UINT32 i = 0; i < frames; ++i, p += 4) {
                std::int16_t s[2];
                std::memcpy(s, p, 4);
                out[2 * i] = s[0] * k16;
                out[2 * i + 1] = s[1] * k16;
            }
            break;
        case 2:
            if (format_.wBitsPerSample == 16) {  // 16-bit mono
                for (UINT32 i = 0; i < frames; ++i, p += 2) {
                    std::int16_t s;
                    std::memcpy(&s, p, 2);
                    out[2 * i] = out[2 * i + 1] = s * k16;
                }
            } else {  // 8-bit stereo, unsigned
                for (UINT32 i = 0; i < frames; ++i, p += 2) {
                    out[2 * i] = (int(p[0]) - 128) * k8;
                    out[2 * i + 1] = (int(p[1]) - 128) * k8;
                }
            }
            break;
        default:  // 8-bit mono, unsigned
            for (UINT32 i = 0; i < frames; ++i, ++p) out[2 * i] = out[2 * i + 1] = (int(p[0]) - 128) * k8;
    }
}

MixerSourceVoice::Render MixerSourceVoice::Settle(std::vector<Event>& events) {
    while (!queue_.empty()) {
        Queued& b = queue_.front();
        if (!b.started) {
            b.started = true;
            events.push_back({Event::BufferStart, b.desc.pContext, 0});
        }
        const UINT32 end = b.loopsLeft ? b.loopEnd : b.playEnd;
        if (b.pos < end) return Render::Done;
        if (b.loopsLeft) {
            b.pos = b.loopBegin;
            if (b.loopsLeft != XAUDIO2_LOOP_INFINITE) --b.loopsLeft;
            events.push_back({Event::LoopEnd, b.desc.pContext, 0});
            continue;
        }
        events.push_back({Event::BufferEnd, b.desc.pContext, 0});
        if (b.desc.Flags & XAUDIO2_END_OF_STREAM) events.push_back({Event::StreamEnd, nullptr, 0});
        queue_.pop_front();
        return Render::Dispatch;
    }
    return Render::Starved;
}

MixerSourceVoice::Render MixerSourceVoice::RenderFrames(float* out, UINT32 frames, UINT32& produced,
                                                        std::vector<Event>& events) {
    if (step_ == kOne) {
        // Same rate: frames are copied as they are, a run at a time.
        while (produced < frames) {
            Render r = Settle(events);
            if (r != Render::Done) return r;
            Queued& b = queue_.front();
            const UINT32 end = b.loopsLeft ? b.loopEnd : b.playEnd;
            UINT32 n = std::min(end - b.pos, frames - produced);
            ConvertRun(b.desc.pAudioData + size_t(b.pos) * format_.nBlockAlign, n, out + 2 * produced);
            b.pos += n;
            produced += n;
            samplesPlayed_ += n;
        }
        return Render::Done;
    }
    // Resampling: output frame k lies at source position k * step; it is interpolated between the
    // frame before it (prev_) and the one after it.
    while (produced < frames) {
        // Inside the front buffer's region no boundary needs watching: runs of source frames are
        // converted at once and interpolated from there.
        if (!queue_.empty() && queue_.front().started) {
            Queued& b = queue_.front();
            const UINT32 end = b.loopsLeft ? b.loopEnd : b.playEnd;
            while (produced < frames) {
                const UINT32 left = end - b.pos;
                if (FramesNeeded() > left) break;
                const UINT32 n = std::min<UINT32>(left, kRun);
                ConvertRun(b.desc.pAudioData + size_t(b.pos) * format_.nBlockAlign, n, run_);
                UINT32 used = 0;
                while (produced < frames && used + FramesNeeded() <= n) {
                    for (; acc_ >= kOne; acc_ -= kOne, ++used) {
                        prev_[0] = run_[2 * used];
                        prev_[1] = run_[2 * used + 1];
                    }
                    Lerp(run_ + 2 * used, out + 2 * produced);
                    ++produced;
                    acc_ += step_;
                }
                b.pos += used;
                samplesPlayed_ += used;
            }
            if (produced == frames) break;
        }
        // One output frame across a boundary: loop ends and buffer ends on the way.
        while (acc_ >= kOne) {
            Render r = Settle(events);
            if (r != Render::Done) return r;
            Queued& b = queue_.front();
            ReadFrame(b, b.pos++, prev_);
            ++samplesPlayed_;
            acc_ -= kOne;
        }
        if (static_cast<UINT32>(acc_) == 0) {
            Interpolate(queue_.front(), out + 2 * produced);  // needs no following frame
        } else {
            Render r = Settle(events);
            if (r == Render::Dispatch) return r;
            if (r == Render::Done) {
                Interpolate(queue_.front(), out + 2 * produced);
            } else {
                // Nothing follows: the last frame is held.
                out[2 * produced] = prev_[0];
                out[2 * produced + 1] = prev_[1];
            }
        }
        ++produced;
        acc_ += step_;
    }
    return Render::Done;
}

void MixerSourceVoice::Interpolate(const Queued& b, float* o) const {
    float next[2] = {0, 0};
    if (static_cast<UINT32>(acc_) != 0) ReadFrame(b, b.pos, next);
    Lerp(next, o);
}

void MixerSourceVoice::Lerp(const float* next, float* o) const {
    const UINT32 frac = static_cast<UINT32>(acc_);
    if (frac == 0) {
        o[0] = prev_[0];
        o[1] = prev_[1];
        return;
    }
    const float t = static_cast<float>(frac) * (1.0f / 4294967296.0f);
    o[0] = prev_[0] + (next[0] - prev_[0]) * t;
    o[1] = prev_[1] + (next[1] - prev_[1]) * t;
}

UINT64 MixerSourceVoice::FramesNeeded() const { return (acc_ >> 32) + ((acc_ & 0xFFFFFFFFu) ? 1 : 0); }

void MixerSourceVoice::MixInto(const float* out, float* mix, UINT32 frames) {
    gain_.Run(frames, [&](UINT32 i, float g) {
        mix[2 * i] += out[2 * i] * g;
        mix[2 * i + 1] += out[2 * i + 1] * g;
    });
}

}  // namespace xaudio2
