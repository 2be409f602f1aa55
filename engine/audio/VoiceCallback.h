// Voice notifications: the engine's own callback interface, a base that fans each notification out
// to lists of plain handler functions, and the object that forwards XAudio2's calls to a voice.
#pragma once
#include <xaudio2.h>

#include <algorithm>
#include <vector>

namespace USXAudio2 {

class IVoiceCallback {
public:
    virtual ~IVoiceCallback() = default;
    virtual void OnStreamEnd() = 0;
    virtual void OnVoiceProcessingPassEnd() = 0;
    virtual void OnVoiceProcessingPassStart() = 0;
    virtual void OnBufferEnd(void* context) = 0;
    virtual void OnBufferStart(void* context) = 0;
    virtual void OnLoopEnd(void* context) = 0;
    virtual void OnVoiceError(void* context, HRESULT error) = 0;
};

class BaseVoiceCallback : public IVoiceCallback {
public:
    using Handler = void (*)();
    using ContextHandler = void (*)(void* context);
    using ErrorHandler = void (*)(void* context, HRESULT error);

    void OnStreamEnd() override { Call(streamEnd_); }
    void OnVoiceProcessingPassEnd() override { Call(passEnd_); }
    void OnVoiceProcessingPassStart() override { Call(passStart_); }
    void OnBufferEnd(void* context) override { Call(bufferEnd_, context); }
    void OnBufferStart(void* context) override { Call(bufferStart_, context); }
    void OnLoopEnd(void* context) override { Call(loopEnd_, context); }
    void OnVoiceError(void* context, HRESULT error) override { Call(voiceError_, context, error); }

    void AddOnBufferEnd(ContextHandler handler) { bufferEnd_.push_back(handler); }
    void RemoveOnBufferEnd(ContextHandler handler) {
        bufferEnd_.erase(std::remove(bufferEnd_.begin(), bufferEnd_.end(), handler), bufferEnd_.end());
    }

private:
    template <class Fn, class... Args>
    static void Call(const std::vector<Fn>& handlers, Args... args) {
        for (Fn handler : handlers) handler(args...);
    }

    std::vector<Handler> streamEnd_, passEnd_, passStart_;
    std::vector<ContextHandler> bufferEnd_, bufferStart_, loopEnd_;
    std::vector<ErrorHandler> voiceError_;
};

// Forwards XAudio2's notifications to the owning voice (the pass-start byte count is dropped).
template <class T>
class XAudio2VoiceCallback : public IXAudio2VoiceCallback {
public:
    explicit XAudio2VoiceCallback(T* owner) : owner_(owner) {}
    virtual ~XAudio2VoiceCallback() = default;
    void OnVoiceProcessingPassStart(UINT32) override { owner_->OnVoiceProcessingPassStart(); }
    void OnVoiceProcessingPassEnd() override { owner_->OnVoiceProcessingPassEnd(); }
    void OnStreamEnd() override { owner_->OnStreamEnd(); }
    void OnBufferStart(void* context) override { owner_->OnBufferStart(context); }
    void OnBufferEnd(void* context) override { owner_->OnBufferEnd(context); }
    void OnLoopEnd(void* context) override { owner_->OnLoopEnd(context); }
    void OnVoiceError(void* context, HRESULT error) override { owner_->OnVoiceError(context, error); }

private:
    T* owner_;
};

}  // namespace USXAudio2
