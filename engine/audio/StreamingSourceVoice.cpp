// The streaming voice: one buffer queued in XAudio2 at a time, the other refilled by the worker.
// Threads: the main thread (play, stop, pause, resume, release), the worker (event handlers and
// chunk reads) and the mixer's callback thread (buffer ends). The voice's mutex guards the XAudio2
// voice, the states and the buffer indices; the read mutex keeps a play's pre-fill and the
// worker's chunk reads apart, since both use the loader and the buffers.
#include "engine/audio/StreamingSourceVoice.h"

namespace USXAudio2 {

using Lock = boost::lock_guard<boost::mutex>;

StreamingSourceVoice::StreamingSourceVoice()
    : callback_(std::make_unique<XAudio2VoiceCallback<StreamingSourceVoice>>(this)) {}

StreamingSourceVoice::~StreamingSourceVoice() { Release(); }

void StreamingSourceVoice::Release() {
    if (thread_.joinable()) {
        events_.Set(kExit);
        thread_.join();
    }
    if (sourceVoice_) {
        sourceVoice_->FlushSourceBuffers();
        sourceVoice_->DestroyVoice();  // waits for a buffer-end callback of it still running
        sourceVoice_ = nullptr;
    }
    RemoveOnBufferEnd(BufferEndHandler);
    loader_.reset();
    for (auto& b : buffers_) std::vector<unsigned char>().swap(b);
    bufferBytes_[0] = bufferBytes_[1] = 0;
    refill_ = playing_ = endBuffer_ = starved_ = -1;
    refillPending_ = false;
    staleEnds_ = 0;
    ready_ = 0;
    state_ = kStateNone;
}

HRESULT StreamingSourceVoice::Setup(const char* filename) {
    Release();
    std::unique_ptr<ISoundLoader> loader = CreateSoundLoader(filename);
    if (!loader || !loader->OpenStream(filename)) return E_FAIL;
    HRESULT hr = Init(std::move(loader));
    if (SUCCEEDED(hr)) name_ = filename;
    return hr;
}

HRESULT StreamingSourceVoice::Init(std::unique_ptr<ISoundLoader> loader) {
    IXAudio2* engine = GetXAudio2();
    HRESULT hr = engine ? engine->CreateSourceVoice(&sourceVoice_, loader->GetWaveFormat(), 0,
                                                    XAUDIO2_DEFAULT_FREQ_RATIO, callback_.get(), nullptr, nullptr)
                        : E_FAIL;
    if (FAILED(hr)) {
        sourceVoice_ = nullptr;
        return hr;
    }
    AddOnBufferEnd(BufferEndHandler);
    loader_ = std::move(loader);
    // 100 ms, on whole sample frames so that every buffer is one the voice accepts.
    const std::uint32_t block = loader_->GetWaveFormat()->nBlockAlign;
    chunkSize_ = loader_->MsecToBytes(100) / block * block;
    for (auto& b : buffers_) b.assign(chunkSize_, 0);
    SetReady(*loader_);
    for (std::size_t e = 0; e < 6; ++e) events_.Reset(e);
    thread_ = boost::thread(&StreamingSourceVoice::ThreadProc, this);
    return S_OK;
}

bool StreamingSourceVoice::Play(std::uint32_t loopCount, std::uint32_t startMsec, std::uint32_t loopStartMsec,
                                std::uint32_t loopEndMsec) {
    if (!loader_) return true;
    // The stop takes effect here and now, so that XAudio2 holds neither buffer while they are
    // refilled; stop, pause and resume requests still pending are older than this play and go too
    // (otherwise a Stop just before a Play would be handled after it and silence it).
    OnStop();
    events_.Reset(kStop);
    events_.Reset(kPause);
    events_.Reset(kResume);
    {
        Lock read(readMutex_);
        events_.Reset(kReadNext);
        loader_->SetLoopCount(loopCount);
        loader_->SetLoopStart(loopStartMsec);
        loader_->SetLoopEnd(loopEndMsec);
        loader_->Seek(loader_->MsecToBytes(startMsec));
        std::uint32_t bytes[2] = {0, 0};
        int end = -1;
        for (int i = 0; i < 2 && end == -1; ++i) {
            bytes[i] = chunkSize_;
            if (loader_->ReadChunk(buffers_[i].data(), bytes[i]) != 0) end = i;
        }
        Lock lock(mutex_);
        bufferBytes_[0] = bytes[0];
        bufferBytes_[1] = bytes[1];
        endBuffer_ = end;
        refillPending_ = false;
        starved_ = -1;
    }
    loopCount_ = loopCount;
    events_.Set(kPlay);
    return true;
}

void StreamingSourceVoice::Stop() {
    if (sourceVoice_) events_.Set(kStop);
}

void StreamingSourceVoice::Pause() {
    if (state_ == kStatePlaying) events_.Set(kPause);
}

void StreamingSourceVoice::Resume() {
    if (state_ == kStatePaused) events_.Set(kResume);
}

void StreamingSourceVoice::ThreadProc() {
    for (;;) {
        switch (events_.WaitAny()) {
            case kPlay: OnPlay(); break;
            case kStop: OnStop(); break;
            case kPause: OnPause(); break;
            case kResume: OnResume(); break;
            case kReadNext: OnReadNext(); break;
            default: return;  // exit, or a failed wait
        }
    }
}

void StreamingSourceVoice::OnPlay() {
    Lock lock(mutex_);
    if (!sourceVoice_) return;
    if (bufferBytes_[0] == 0) {  // nothing to play (a start at the loop end)
        state_ = kStateStopped;
        return;
    }
    XAUDIO2_BUFFER buffer{};
    buffer.Flags = XAUDIO2_END_OF_STREAM;
    buffer.AudioBytes = bufferBytes_[0];
    buffer.pAudioData = buffers_[0].data();
    buffer.pContext = this;
    if (FAILED(sourceVoice_->SubmitSourceBuffer(&buffer, nullptr))) {
        sourceVoice_->DestroyVoice();
        sourceVoice_ = nullptr;
        ready_ = 0;
        return;
    }
    nextToSubmit_ = 1;
    playing_ = 0;
    if (SUCCEEDED(sourceVoice_->Start(0, XAUDIO2_COMMIT_NOW))) {
        refill_ = -1;  // both buffers are full
        state_ = endBuffer_ == -1 ? kStatePlaying : kStateEndOfData;
    }
}

void StreamingSourceVoice::OnStop() {
    Lock lock(mutex_);
    if (!sourceVoice_ || FAILED(sourceVoice_->Stop(0, XAUDIO2_COMMIT_NOW))) return;
    state_ = kStateStopped;
    sourceVoice_->FlushSourceBuffers();
    // The flushed buffers still report their ends; those must not count as this voice's next ones.
    XAUDIO2_VOICE_STATE s{};
    sourceVoice_->GetState(&s);
    staleEnds_ = s.BuffersQueued;
    refill_ = playing_ = starved_ = -1;
    refillPending_ = false;
}

void StreamingSourceVoice::OnPause() {
    Lock lock(mutex_);
    if (sourceVoice_ && SUCCEEDED(sourceVoice_->Stop(0, XAUDIO2_COMMIT_NOW))) state_ = kStatePaused;
}

void StreamingSourceVoice::OnResume() {
    Lock lock(mutex_);
    if (sourceVoice_ && SUCCEEDED(sourceVoice_->Start(0, XAUDIO2_COMMIT_NOW))) state_ = kStatePlaying;
}

void StreamingSourceVoice::OnReadNext() {
    Lock read(readMutex_);
    int index;
    {
        Lock lock(mutex_);
        index = refill_;
        refill_ = -1;
    }
    if (index < 0) return;
    std::uint32_t size = chunkSize_;
    const int result = loader_->ReadChunk(buffers_[index].data(), size);
    Lock lock(mutex_);
    bufferBytes_[index] = size;
    refillPending_ = false;
    if (result != 0) {
        endBuffer_ = index;
        if (state_ == kStatePlaying) state_ = kStateEndOfData;
    }
    if (starved_ != -1) {
        const int finished = starved_;
        starved_ = -1;
        SubmitNext(finished);
    }
}

void StreamingSourceVoice::BufferEndHandler(void* context) { static_cast<StreamingSourceVoice*>(context)->OnBufferEnd(); }

void StreamingSourceVoice::OnBufferEnd() {
    Lock lock(mutex_);
    if (staleEnds_ > 0) {
        --staleEnds_;
        return;
    }
    if (state_ == kStateStopped || state_ == kStateNone || playing_ == -1) return;
    const int finished = playing_;
    playing_ = -1;
    if (finished == endBuffer_) {  // the last of the sound has played
        Stop();
        return;
    }
    if (refillPending_) {  // the worker submits the next buffer as soon as it is read
        starved_ = finished;
        return;
    }
    SubmitNext(finished);
}

void StreamingSourceVoice::SubmitNext(int finished) {
    const int next = static_cast<int>(nextToSubmit_);
    XAUDIO2_BUFFER buffer{};
    buffer.Flags = XAUDIO2_END_OF_STREAM;
    buffer.AudioBytes = bufferBytes_[next];
    buffer.pAudioData = buffers_[next].data();
    buffer.pContext = this;
    if (bufferBytes_[next] == 0 || FAILED(sourceVoice_->SubmitSourceBuffer(&buffer, nullptr))) {
        Stop();
        return;
    }
    playing_ = next;
    nextToSubmit_ ^= 1;
    if (endBuffer_ == -1) {
        refill_ = finished;
        refillPending_ = true;
        events_.Set(kReadNext);
    }
}

bool StreamingSourceVoice::IsRefillPending() {
    Lock lock(mutex_);
    return refillPending_;
}

}  // namespace USXAudio2
