// The filter graph: one object serving the graph builder, media control, media event and video
// window interfaces. Run starts a streaming thread per stream; the video thread converts each
// frame to bottom-up BGR24 and hands it to the renderer at its presentation time.
#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <streams.h>

#include "playback_clock.h"
#include "sound_output.h"
#include "stream_decoder.h"

namespace dshow {

class FilterGraph final : public IGraphBuilder, public IMediaControl, public IMediaEvent, public IVideoWindow {
public:
    static HRESULT Create(REFIID iid, void** object);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
    HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override;

    HRESULT Run() override;
    HRESULT Stop() override;

    HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) override;
    HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;

private:
    FilterGraph() = default;
    ~FilterGraph();
    void VideoStream(std::unique_ptr<StreamDecoder> decoder);
    void AudioStream(std::unique_ptr<StreamDecoder> decoder, std::unique_ptr<SoundOutput> sound);
    // Waits while more than `queued` sound buffers are queued, pulling the clock onto the sound's
    // position; false when the graph is stopping.
    bool FollowSound(SoundOutput& sound, REFERENCE_TIME first, UINT32 queued);
    // Waits until the clock reaches time; false when the graph is stopping.
    bool WaitUntil(REFERENCE_TIME time);
    void StreamEnded();

    std::atomic<ULONG> m_refs{1};
    std::vector<IBaseFilter*> m_filters;
    CBaseVideoRenderer* m_renderer = nullptr;
    std::string m_path;  // native path of the rendered file, empty until RenderFile succeeds
    bool m_hasAudio = false;
    int m_width = 0;
    int m_height = 0;

    bool m_running = false;
    bool m_freeRunning = false;
    std::vector<std::thread> m_threads;
    std::mutex m_streamMutex;  // guards the two below and the stop flag's waits
    std::condition_variable m_streamWake;
    bool m_stopping = false;
    int m_activeStreams = 0;
    PlaybackClock m_clock;

    std::mutex m_eventMutex;
    std::condition_variable m_eventReady;
    std::deque<LONG> m_events;
};

}  // namespace dshow
