// The streaming voice: a long sound (music, long voices) played from two alternating 100 ms PCM
// buffers, refilled by a worker thread of its own that waits on six events.
#pragma once
#include <windows.h>

#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>

#include <memory>
#include <vector>

#include "engine/audio/SourceVoice.h"

namespace USLib {
// N unnamed auto-reset Win32 events, not signalled at first; closed by the destructor.
template <std::size_t N>
class event_table {
public:
    event_table() {
        for (HANDLE& e : events_) e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    ~event_table() {
        for (HANDLE e : events_) CloseHandle(e);
    }
    event_table(const event_table&) = delete;
    event_table& operator=(const event_table&) = delete;
    void Set(std::size_t index) { SetEvent(events_[index]); }
    void Reset(std::size_t index) { ResetEvent(events_[index]); }
    // The lowest signalled index (that event is reset), or -1 when the wait fails.
    int WaitAny() {
        const DWORD r = WaitForMultipleObjects(N, events_, FALSE, INFINITE);
        return r < WAIT_OBJECT_0 + N ? static_cast<int>(r - WAIT_OBJECT_0) : -1;
    }

private:
    HANDLE events_[N];
};
}  // namespace USLib

namespace USXAudio2 {

class StreamingSourceVoice : public BaseVoiceCallback,
                             public USLib::resource_manager<StreamingSourceVoice, StreamingSourceVoiceHandle>,
                             public DefoSourceVoice {
public:
    StreamingSourceVoice();
    ~StreamingSourceVoice() override;

    // Ends the worker, then destroys the XAudio2 voice and drops the loader and buffers.
    virtual void Release();
    // 0, or E_FAIL when the loose file cannot be opened for streaming, or XAudio2's negative result.
    virtual HRESULT Setup(const char* filename);
    // Takes the loader (opened for streaming), creates the voice and starts the worker.
    virtual HRESULT Init(std::unique_ptr<ISoundLoader> loader);
    // Plays from startMsec; loopCount 0 loops endlessly, n plays n times; loopEndMsec 0 = the end.
    virtual bool Play(std::uint32_t loopCount, std::uint32_t startMsec, std::uint32_t loopStartMsec,
                      std::uint32_t loopEndMsec);
    virtual void Stop();
    virtual void Pause();
    virtual void Resume();
    using BaseVoiceCallback::OnBufferEnd;
    // A buffer finished (XAudio2's callback thread): queue the other one and have the worker refill.
    virtual void OnBufferEnd();
    virtual void ThreadProc();
    virtual void OnPlay();
    virtual void OnStop();
    virtual void OnPause();
    virtual void OnResume();

    // True while a buffer that has finished playing waits for the worker to refill it (test hook).
    bool IsRefillPending();

private:
    enum Event { kPlay, kStop, kPause, kResume, kReadNext, kExit };
    static void BufferEndHandler(void* context);
    // Submits the buffer next in turn and has the one that finished refilled; with the mutex held.
    void SubmitNext(int finished);
    // Reads the next chunk into the buffer waiting for it (the worker's read-next event).
    void OnReadNext();

    std::vector<unsigned char> buffers_[2];
    std::uint32_t bufferBytes_[2] = {0, 0};  // the bytes each buffer holds
    std::uint32_t chunkSize_ = 0;
    std::unique_ptr<ISoundLoader> loader_;
    std::uint32_t loopCount_ = 0;
    std::uint32_t nextToSubmit_ = 0;
    int refill_ = -1;
    int playing_ = -1;     // the buffer queued in XAudio2
    int endBuffer_ = -1;   // the buffer holding the last data of the sound, once read
    bool refillPending_ = false;
    int starved_ = -1;  // the buffer that ended while the next one was still being read
    UINT32 staleEnds_ = 0;  // buffer ends still to come from buffers flushed by a stop
    USLib::event_table<6> events_;
    boost::thread thread_;
    boost::mutex mutex_;      // the XAudio2 voice, states 1-3, buffer indices, submits
    boost::mutex readMutex_;  // the loader and the buffer contents: a play's pre-fill or the worker's read
    std::unique_ptr<XAudio2VoiceCallback<StreamingSourceVoice>> callback_;
};

}  // namespace USXAudio2
