// The filter graph over FFmpeg: RenderFile probes the file and negotiates the video format with the
// renderer; Run streams the frames to it at their presentation times; EC_COMPLETE follows once
// every stream has ended.
#include "filter_graph.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "ffmpeg_library.h"
#include "media_sample.h"
#include "win32/path.h"

const CLSID CLSID_FilterGraph = {0xe436ebb3, 0x524f, 0x11ce, {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};

namespace {
// Defined beside the class identifier, so that any user of the identifier links the class in.
const struct Registration {
    Registration() { win32::RegisterComClass(CLSID_FilterGraph, dshow::FilterGraph::Create); }
} g_registration;
std::atomic<bool> g_freeRunning{false};
constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002);

// Bytes in one 24-bit row rounded up to a multiple of 4.
int RowPitch(int width) { return (3 * width + 3) & ~3; }

std::string NativeFileName(LPCWSTR file) {
    int size = WideCharToMultiByte(CP_ACP, 0, file, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string cp932(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, file, -1, cp932.data(), size, nullptr, nullptr);
    cp932.resize(static_cast<size_t>(size) - 1);
    return win32::NativePath(cp932);
}
}  // namespace

namespace dshow::hooks {
void SetFreeRunning(bool freeRunning) { g_freeRunning = freeRunning; }
}  // namespace dshow::hooks

namespace dshow {

HRESULT FilterGraph::Create(REFIID iid, void** object) {
    FilterGraph* graph = new FilterGraph;
    HRESULT hr = graph->QueryInterface(iid, object);
    graph->Release();
    return hr;
}

FilterGraph::~FilterGraph() {
    Stop();
    for (IBaseFilter* filter : m_filters) filter->Release();
}

HRESULT FilterGraph::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IGraphBuilder)
        *object = static_cast<IGraphBuilder*>(this);
    else if (iid == IID_IMediaControl)
        *object = static_cast<IMediaControl*>(this);
    else if (iid == IID_IMediaEvent)
        *object = static_cast<IMediaEvent*>(this);
    else if (iid == IID_IVideoWindow)
        *object = static_cast<IVideoWindow*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG FilterGraph::AddRef() { return ++m_refs; }

ULONG FilterGraph::Release() {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
}

HRESULT FilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR) {
    if (!filter) return E_POINTER;
    if (m_running) return E_UNEXPECTED;
    filter->AddRef();
    m_filters.push_back(filter);
    if (auto* renderer = dynamic_cast<CBaseVideoRenderer*>(filter); renderer && !m_renderer) m_renderer = renderer;
    return S_OK;
}

HRESULT FilterGraph::RenderFile(LPCWSTR file, LPCWSTR) {
    if (!file) return E_POINTER;
    if (!m_path.empty()) return E_UNEXPECTED;  // one file per graph
    std::string path = NativeFileName(file);
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return kFileNotFound;
    // Our graph has no window of its own: the video needs the application's renderer.
    if (!m_renderer) return E_FAIL;

    std::unique_ptr<StreamDecoder> video = StreamDecoder::Open(path, AVMEDIA_TYPE_VIDEO);
    if (!video) return E_FAIL;
    // Cue the first frame: a stream that decodes no picture cannot be rendered.
    AVFrame* frame = Ff().av_frame_alloc();
    bool decodes = frame && video->Next(frame);
    Ff().av_frame_free(&frame);
    if (!decodes) return E_FAIL;

    int width = video->Codec()->width;
    int height = video->Codec()->height;
    VIDEOINFOHEADER info{};
    info.rcSource = {0, 0, width, height};
    info.rcTarget = info.rcSource;
    info.AvgTimePerFrame = video->FrameDuration();
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: rows bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(RowPitch(width) * height);
    CMediaType type;
    type.SetType(&MEDIATYPE_Video);
    type.SetSubtype(&MEDIASUBTYPE_RGB24);
    type.SetFormatType(&FORMAT_VideoInfo);
    type.bFixedSizeSamples = TRUE;
    type.lSampleSize = info.bmiHeader.biSizeImage;
    if (!type.SetFormat(reinterpret_cast<const BYTE*>(&info), sizeof info)) return E_OUTOFMEMORY;
    HRESULT hr = m_renderer->CheckMediaType(&type);
    if (FAILED(hr)) return hr;
    hr = m_renderer->SetMediaType(&type);
    if (FAILED(hr)) return hr;

    m_hasAudio = StreamDecoder::Open(path, AVMEDIA_TYPE_AUDIO) != nullptr;
    m_width = width;
    m_height = height;
    m_path = path;
    return S_OK;
}

HRESULT FilterGraph::Run() {
    if (m_running) return S_OK;
    if (m_path.empty()) return E_UNEXPECTED;
    std::unique_ptr<StreamDecoder> video = StreamDecoder::Open(m_path, AVMEDIA_TYPE_VIDEO);
    if (!video) return E_FAIL;  // the file changed since RenderFile
    // Sound plays through XAudio2 when it can; otherwise the video runs on the wall clock alone.
    std::unique_ptr<StreamDecoder> audio = m_hasAudio ? StreamDecoder::Open(m_path, AVMEDIA_TYPE_AUDIO) : nullptr;
    std::unique_ptr<SoundOutput> sound = audio ? SoundOutput::Open(audio->Codec()) : nullptr;
    {
        std::lock_guard<std::mutex> lock(m_streamMutex);
        m_stopping = false;
        m_activeStreams = sound ? 2 : 1;
    }
    m_freeRunning = g_freeRunning;
    m_clock.Start();
    m_threads.emplace_back(&FilterGraph::VideoStream, this, std::move(video));
    if (sound) m_threads.emplace_back(&FilterGraph::AudioStream, this, std::move(audio), std::move(sound));
    m_running = true;
    return S_OK;
}

HRESULT FilterGraph::Stop() {
    if (!m_running) return S_OK;
    {
        std::lock_guard<std::mutex> lock(m_streamMutex);
        m_stopping = true;
    }
    m_streamWake.notify_all();
    for (std::thread& t : m_threads) t.join();
    m_threads.clear();
    m_running = false;
    return S_OK;
}

HRESULT FilterGraph::GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) {
    if (!eventCode || !param1 || !param2) return E_POINTER;
    std::unique_lock<std::mutex> lock(m_eventMutex);
    auto ready = [this] { return !m_events.empty(); };
    if (msTimeout < 0)
        m_eventReady.wait(lock, ready);
    else if (!m_eventReady.wait_for(lock, std::chrono::milliseconds(msTimeout), ready))
        return E_ABORT;
    *eventCode = m_events.front();
    *param1 = 0;
    *param2 = 0;
    m_events.pop_front();
    return S_OK;
}

HRESULT FilterGraph::FreeEventParams(LONG, LONG_PTR, LONG_PTR) { return S_OK; }

bool FilterGraph::WaitUntil(REFERENCE_TIME time) {
    std::unique_lock<std::mutex> lock(m_streamMutex);
    // The clock may be pulled onto the sound while waiting: look again at least every 10 ms.
    while (!m_stopping && m_clock.Now() < time) {
        auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(10);
        m_streamWake.wait_until(lock, std::min(m_clock.When(time), limit));
    }
    return !m_stopping;
}

void FilterGraph::StreamEnded() {
    bool complete;
    {
        std::lock_guard<std::mutex> lock(m_streamMutex);
        complete = --m_activeStreams == 0 && !m_stopping;
    }
    if (!complete) return;
    {
        std::lock_guard<std::mutex> lock(m_eventMutex);
        m_events.push_back(EC_COMPLETE);
    }
    m_eventReady.notify_all();
}

void FilterGraph::VideoStream(std::unique_ptr<StreamDecoder> decoder) {
    const int pitch = RowPitch(m_width);
    const size_t size = static_cast<size_t>(pitch) * m_height;
    AVFrame* frame = Ff().av_frame_alloc();
    // swscale writes whole SIMD blocks past the end of a row, so it converts into a padded picture
    // of its own, which is then copied row by row into the sample, bottom row first.
    uint8_t* picture[4] = {};
    int linesizes[4] = {};
    bool ready = frame && Ff().av_image_alloc(picture, linesizes, m_width, m_height, AV_PIX_FMT_BGR24, 64) >= 0;
    SwsContext* scaler = nullptr;
    REFERENCE_TIME lastEnd = 0;
    bool shown = false;
    bool stopping = false;
    while (ready && !stopping && decoder->Next(frame)) {
        REFERENCE_TIME start = decoder->StartTime(frame);
        REFERENCE_TIME end = start + decoder->FrameDuration();
        lastEnd = std::max(lastEnd, end);
        // A frame whose display time is already over is dropped, so a slow machine keeps pace; the
        // first is always shown, so that a machine too slow for every frame still shows the movie.
        bool late = shown && !m_freeRunning && m_clock.Now() > end;
        if (!late)
            scaler = Ff().sws_getCachedContext(scaler, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                          m_width, m_height, AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!late && scaler) {
            Ff().sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, picture, linesizes);
            auto* sample = new MediaSample(size, start, end);
            for (int y = 0; y < m_height; ++y)
                std::memcpy(sample->Data() + static_cast<size_t>(pitch) * (m_height - 1 - y),
                            picture[0] + static_cast<size_t>(linesizes[0]) * y, static_cast<size_t>(3 * m_width));
            if (m_freeRunning || WaitUntil(start)) m_renderer->DoRenderSample(sample);
            shown = true;
            sample->Release();
        }
        Ff().av_frame_unref(frame);
        std::lock_guard<std::mutex> lock(m_streamMutex);
        stopping = m_stopping;
    }
    Ff().sws_freeContext(scaler);
    Ff().av_freep(&picture[0]);
    Ff().av_frame_free(&frame);
    // The stream ends when its last frame's display time is over.
    if (!stopping && !m_freeRunning) WaitUntil(lastEnd);
    StreamEnded();
}

void FilterGraph::AudioStream(std::unique_ptr<StreamDecoder> decoder, std::unique_ptr<SoundOutput> sound) {
    constexpr UINT32 kMostQueued = 4;  // 200 ms of sound ahead of the voice
    AVFrame* frame = Ff().av_frame_alloc();
    REFERENCE_TIME first = -1;
    bool playing = frame != nullptr;
    while (playing && decoder->Next(frame)) {
        if (first < 0) {
            // The sound starts at its own time on the clock.
            first = decoder->StartTime(frame);
            playing = WaitUntil(first);
            if (playing) sound->Start();
        }
        if (playing) {
            sound->Write(frame);
            playing = FollowSound(*sound, first, kMostQueued);
        }
        Ff().av_frame_unref(frame);
    }
    if (playing) {
        sound->Finish();
        FollowSound(*sound, std::max<REFERENCE_TIME>(first, 0), 0);
    }
    Ff().av_frame_free(&frame);
    sound.reset();
    StreamEnded();
}

bool FilterGraph::FollowSound(SoundOutput& sound, REFERENCE_TIME first, UINT32 queued) {
    REFERENCE_TIME played = -1;
    std::unique_lock<std::mutex> lock(m_streamMutex);
    while (!m_stopping && sound.BuffersQueued() > queued) {
        // Only a sound that moves on sets the clock: a starved voice must not hold the picture back.
        REFERENCE_TIME now = sound.Played();
        if (now > played) {
            if (played >= 0) m_clock.Follow(first + now);
            played = now;
        }
        m_streamWake.wait_for(lock, std::chrono::milliseconds(5));
    }
    return !m_stopping;
}

}  // namespace dshow
