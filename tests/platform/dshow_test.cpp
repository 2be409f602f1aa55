// The DirectShow stand-in on its own: COM creation, format negotiation with a renderer, frame
// contents, orientation and timing, the end event, stopping, and damaged or foreign files.
#include <gtest/gtest.h>
#include <streams.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/ScratchDir.h"
#include "support/Threads.h"

namespace {

using Clock = std::chrono::steady_clock;
const CLSID kTestRendererClsid = {0x1d2c3b4a, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 1}};

std::string MoviePath(const char* name) { return std::string(MARLOWE_TEST_DATA_DIR) + "/movies/" + name; }

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

using testsupport::ThreadCount;

struct Frame {
    std::vector<BYTE> bytes;
    REFERENCE_TIME start;
    Clock::time_point arrival;
};

// Records what the graph negotiates and every frame it hands over.
class CollectingRenderer : public CBaseVideoRenderer {
public:
    CollectingRenderer(bool* destroyed, HRESULT accept = S_OK, HRESULT* constructed = nullptr)
        : CBaseVideoRenderer(kTestRendererClsid, nullptr, nullptr, constructed), m_destroyed(destroyed), m_accept(accept) {}
    ~CollectingRenderer() override {
        if (m_destroyed) *m_destroyed = true;
    }

    HRESULT CheckMediaType(const CMediaType* type) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_offered = *type;
        return m_accept;
    }
    HRESULT SetMediaType(const CMediaType* type) override {
        auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->Format());
        m_header = info->bmiHeader;
        return S_OK;
    }
    HRESULT DoRenderSample(IMediaSample* sample) override {
        BYTE* data = nullptr;
        REFERENCE_TIME start = 0, end = 0;
        sample->GetPointer(&data);
        sample->GetTime(&start, &end);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames.push_back({std::vector<BYTE>(data, data + sample->GetSize()), start, Clock::now()});
        if (m_stallFirst && m_frames.size() == 1) std::this_thread::sleep_for(m_stallFirst.value());
        return S_OK;
    }

    std::vector<Frame> Frames() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames;
    }
    CMediaType m_offered;
    BITMAPINFOHEADER m_header{};
    std::optional<std::chrono::milliseconds> m_stallFirst;

private:
    bool* m_destroyed;
    HRESULT m_accept;
    std::mutex m_mutex;
    std::vector<Frame> m_frames;
};

// A graph built the way the game builds it: created through COM, renderer added, file rendered.
class Graph {
public:
    explicit Graph(CollectingRenderer* renderer) : m_renderer(renderer) {
        EXPECT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                               reinterpret_cast<void**>(&builder))));
        builder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
        builder->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events));
        renderer->AddRef();  // our own reference, as the game's player keeps one
        EXPECT_EQ(builder->AddFilter(renderer, u"TEXTURERENDERER"), S_OK);
    }
    ~Graph() {
        events->Release();
        control->Release();
        builder->Release();
        m_renderer->Release();
    }
    HRESULT Render(const std::string& path) { return builder->RenderFile(Wide(path).c_str(), nullptr); }
    // Event codes until none comes within the time-out.
    std::vector<LONG> DrainEvents(LONG msTimeout) {
        std::vector<LONG> codes;
        LONG code;
        LONG_PTR p1, p2;
        while (events->GetEvent(&code, &p1, &p2, msTimeout) == S_OK) {
            codes.push_back(code);
            events->FreeEventParams(code, p1, p2);
        }
        return codes;
    }
    // Waits (up to 10 s) for the first event.
    LONG WaitEvent() {
        LONG code = 0;
        LONG_PTR p1, p2;
        for (int i = 0; i < 2500 && events->GetEvent(&code, &p1, &p2, 4) == E_ABORT; ++i) {
        }
        return code;
    }

    IGraphBuilder* builder = nullptr;
    IMediaControl* control = nullptr;
    IMediaEvent* events = nullptr;

private:
    CollectingRenderer* m_renderer;
};

class DShowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override {
        dshow::hooks::SetFreeRunning(false);
        CoUninitialize();
    }
};

// Pixel of a bottom-up BGR24 frame at picture coordinates (x, y from the top).
struct Bgr {
    int b, g, r;
};
Bgr PixelAt(const Frame& f, const BITMAPINFOHEADER& h, int x, int y) {
    int pitch = (3 * h.biWidth + 3) & ~3;
    const BYTE* p = f.bytes.data() + static_cast<size_t>(h.biHeight - 1 - y) * pitch + 3 * x;
    return {p[0], p[1], p[2]};
}
void ExpectNear(Bgr got, Bgr want, const std::string& where) {
    constexpr int kTolerance = 24;  // lossy codecs and 4:2:0 colour
    EXPECT_NEAR(got.b, want.b, kTolerance) << where;
    EXPECT_NEAR(got.g, want.g, kTolerance) << where;
    EXPECT_NEAR(got.r, want.r, kTolerance) << where;
}

TEST_F(DShowTest, GraphAnswersItsInterfacesAndReleasesTheRendererLast) {
    IGraphBuilder* builder = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&builder)),
              S_OK);
    struct Case {
        const IID* iid;
        HRESULT result;
    } cases[] = {{&IID_IUnknown, S_OK},     {&IID_IMediaControl, S_OK},      {&IID_IMediaEvent, S_OK},
                 {&IID_IVideoWindow, S_OK}, {&IID_IMediaSample, E_NOINTERFACE}, {&MEDIATYPE_Video, E_NOINTERFACE}};
    std::vector<IUnknown*> held;
    for (const Case& c : cases) {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(builder->QueryInterface(*c.iid, &object), c.result);
        if (c.result == S_OK)
            held.push_back(static_cast<IUnknown*>(object));
        else
            EXPECT_EQ(object, nullptr);
    }
    bool destroyed = false;
    HRESULT constructed = E_FAIL;
    auto* renderer = new CollectingRenderer(&destroyed, S_OK, &constructed);
    EXPECT_EQ(constructed, S_OK);
    builder->AddFilter(renderer, u"TEXTURERENDERER");  // the graph's reference is the only one
    builder->Release();
    for (IUnknown* i : held) {
        EXPECT_FALSE(destroyed);
        i->Release();
    }
    EXPECT_TRUE(destroyed);
}

// Every format a game author would use: frames, orientation, order, times and one end event.
TEST_F(DShowTest, ClipsDeliverEveryFrameUprightWithOneCompleteEvent) {
    dshow::hooks::SetFreeRunning(true);
    for (const char* name : {"clip.mpg", "clip_sound.mpg", "clip.avi", "clip_sound.avi", "clip.wmv", "clip_sound.wmv"}) {
        SCOPED_TRACE(name);
        auto* renderer = new CollectingRenderer(nullptr);
        Graph graph(renderer);
        ASSERT_EQ(graph.Render(MoviePath(name)), S_OK);

        EXPECT_EQ(*renderer->m_offered.Type(), MEDIATYPE_Video);
        EXPECT_EQ(*renderer->m_offered.Subtype(), MEDIASUBTYPE_RGB24);
        EXPECT_EQ(*renderer->m_offered.FormatType(), FORMAT_VideoInfo);
        EXPECT_EQ(renderer->m_header.biWidth, 66);
        EXPECT_EQ(renderer->m_header.biHeight, 50);  // positive: bottom-up
        EXPECT_EQ(renderer->m_header.biBitCount, 24);
        EXPECT_EQ(renderer->m_header.biSizeImage, 200u * 50u);  // 198-byte rows padded to 200

        ASSERT_EQ(graph.control->Run(), S_OK);
        EXPECT_EQ(graph.WaitEvent(), EC_COMPLETE);
        EXPECT_TRUE(graph.DrainEvents(100).empty());  // the end is reported once
        EXPECT_EQ(graph.control->Stop(), S_OK);

        std::vector<Frame> frames = renderer->Frames();
        ASSERT_EQ(frames.size(), 10u);
        EXPECT_LT(frames[0].start, 1000000);  // the file's first picture, within 0.1 s of its first sound
        for (size_t i = 0; i < frames.size(); ++i) {
            std::string where = "frame " + std::to_string(i);
            ASSERT_EQ(frames[i].bytes.size(), 200u * 50u);
            // 25 frames a second; the picture may start a little after the sound.
            EXPECT_NEAR(frames[i].start - frames[0].start, static_cast<REFERENCE_TIME>(i) * 400000, 20000) << where;
            ExpectNear(PixelAt(frames[i], renderer->m_header, 12, 10), {0, 0, 255}, where + " top left");
            ExpectNear(PixelAt(frames[i], renderer->m_header, 53, 10), {0, 255, 0}, where + " top right");
            ExpectNear(PixelAt(frames[i], renderer->m_header, 12, 40), {255, 0, 0}, where + " bottom left");
            int grey = 25 * static_cast<int>(i);
            ExpectNear(PixelAt(frames[i], renderer->m_header, 53, 40), {grey, grey, grey}, where + " bottom right");
            // The picture's edges: the last column and the top and bottom rows.
            ExpectNear(PixelAt(frames[i], renderer->m_header, 65, 10), {0, 255, 0}, where + " right edge");
            ExpectNear(PixelAt(frames[i], renderer->m_header, 0, 0), {0, 0, 255}, where + " top row");
            ExpectNear(PixelAt(frames[i], renderer->m_header, 0, 49), {255, 0, 0}, where + " bottom row");
        }
    }
}

TEST_F(DShowTest, FramesArriveNoEarlierThanTheirTimeAndTheEndAfterTheLastFrame) {
    auto* renderer = new CollectingRenderer(nullptr);
    Graph graph(renderer);
    ASSERT_EQ(graph.Render(MoviePath("clip.avi")), S_OK);
    Clock::time_point before = Clock::now();
    ASSERT_EQ(graph.control->Run(), S_OK);
    EXPECT_EQ(graph.WaitEvent(), EC_COMPLETE);
    EXPECT_GE(Clock::now() - before, std::chrono::milliseconds(400));
    std::vector<Frame> frames = renderer->Frames();
    ASSERT_FALSE(frames.empty());
    for (const Frame& f : frames)
        EXPECT_GE(std::chrono::duration_cast<std::chrono::microseconds>(f.arrival - before).count(), f.start / 10);
}

TEST_F(DShowTest, LateFramesAreDroppedAndPlayCarriesOn) {
    auto* renderer = new CollectingRenderer(nullptr);
    renderer->m_stallFirst = std::chrono::milliseconds(250);  // frames 1 to 5 end while it stalls
    Graph graph(renderer);
    ASSERT_EQ(graph.Render(MoviePath("clip.mpg")), S_OK);
    ASSERT_EQ(graph.control->Run(), S_OK);
    EXPECT_EQ(graph.WaitEvent(), EC_COMPLETE);
    std::vector<Frame> frames = renderer->Frames();
    EXPECT_LE(frames.size(), 5u);
    for (size_t i = 1; i < frames.size(); ++i) EXPECT_GT(frames[i].start, frames[i - 1].start);
}

TEST_F(DShowTest, StoppingOrReleasingMidwayEndsTheStreamingThreadWithoutAnEndEvent) {
    for (bool stopFirst : {true, false}) {
        SCOPED_TRACE(stopFirst ? "Stop" : "Release while running");
        int threadsBefore = ThreadCount();
        bool destroyed = false;
        {
            auto* renderer = new CollectingRenderer(&destroyed);
            Graph graph(renderer);
            ASSERT_EQ(graph.Render(MoviePath("clip_sound.wmv")), S_OK);
            ASSERT_EQ(graph.control->Run(), S_OK);
            for (int i = 0; i < 10000 && renderer->Frames().empty(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ASSERT_FALSE(renderer->Frames().empty());
            if (stopFirst) {
                EXPECT_EQ(graph.control->Stop(), S_OK);
                EXPECT_EQ(ThreadCount(), threadsBefore);
                size_t delivered = renderer->Frames().size();
                EXPECT_TRUE(graph.DrainEvents(500).empty());  // past the movie's end: nothing more comes
                EXPECT_EQ(renderer->Frames().size(), delivered);
            }
        }
        EXPECT_TRUE(destroyed);
        EXPECT_EQ(ThreadCount(), threadsBefore);
    }
}

TEST_F(DShowTest, UnplayableFilesFailToRender) {
    struct Case {
        const char* file;
        HRESULT accept;
        HRESULT result;
    } cases[] = {
        {"missing.mpg", S_OK, static_cast<HRESULT>(0x80070002)},
        {"", S_OK, static_cast<HRESULT>(0x80070002)},  // the folder itself
        {"not_a_movie.mpg", S_OK, E_FAIL},
        {"truncated.avi", S_OK, E_FAIL},
        {"clip.avi", E_FAIL, E_FAIL},  // the renderer refuses the format
        {"clip.avi", E_INVALIDARG, E_INVALIDARG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto* renderer = new CollectingRenderer(nullptr, c.accept);
        Graph graph(renderer);
        EXPECT_EQ(graph.Render(MoviePath(c.file)), c.result);
        EXPECT_FALSE(SUCCEEDED(graph.control->Run()));
        EXPECT_TRUE(renderer->Frames().empty());
    }
}

TEST_F(DShowTest, GraphWithoutRendererCannotRender) {
    IGraphBuilder* builder = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&builder)),
              S_OK);
    EXPECT_FALSE(SUCCEEDED(builder->RenderFile(Wide(MoviePath("clip.avi")).c_str(), nullptr)));
    builder->Release();
}

TEST_F(DShowTest, FileCutShortPlaysWhatItHasThenEnds) {
    dshow::hooks::SetFreeRunning(true);
    auto* renderer = new CollectingRenderer(nullptr);
    Graph graph(renderer);
    ASSERT_EQ(graph.Render(MoviePath("half.avi")), S_OK);
    ASSERT_EQ(graph.control->Run(), S_OK);
    EXPECT_EQ(graph.WaitEvent(), EC_COMPLETE);
    EXPECT_GE(renderer->Frames().size(), 1u);
    EXPECT_LT(renderer->Frames().size(), 10u);
}

// File names reach the graph as wide Windows paths: Japanese names and any letter case resolve.
TEST_F(DShowTest, WideJapaneseNameAndOtherCaseFindTheFile) {
    namespace fs = std::filesystem;
    ScratchDir folder;
    fs::path dir = folder.Path();
    fs::copy_file(MoviePath("clip.avi"), dir / "\xe3\x83\xa0\xe3\x83\xbc\xe3\x83\x93\xe3\x83\xbc.avi",
                  fs::copy_options::overwrite_existing);  // "ムービー.avi"
    std::u16string base = Wide(dir.string());
    for (std::u16string name : {base + u"\\\u30e0\u30fc\u30d3\u30fc.avi", base + u"/\u30e0\u30fc\u30d3\u30fc.AVI"}) {
        auto* renderer = new CollectingRenderer(nullptr);
        Graph graph(renderer);
        EXPECT_EQ(graph.builder->RenderFile(name.c_str(), nullptr), S_OK);
        EXPECT_EQ(renderer->m_header.biWidth, 66);
    }
}

// The movie's sound goes through the XAudio2 stand-in: SDL's disk driver records what it plays.
TEST_F(DShowTest, SoundTrackReachesTheAudioOutput) {
    ScratchDir folder;
    std::string recording = folder.Path() + "/sound.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
    {
        auto* renderer = new CollectingRenderer(nullptr);
        Graph graph(renderer);
        ASSERT_EQ(graph.Render(MoviePath("clip_sound.avi")), S_OK);
        ASSERT_EQ(graph.control->Run(), S_OK);
        EXPECT_EQ(graph.WaitEvent(), EC_COMPLETE);
        EXPECT_FALSE(renderer->Frames().empty());
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // 16-bit stereo at 48 kHz: the left channel carries the 440 Hz tone.
    std::ifstream in(recording, std::ios::binary);
    std::vector<std::int16_t> samples;
    for (std::int16_t v[2]; in.read(reinterpret_cast<char*>(v), sizeof v);) samples.push_back(v[0]);
    // Upward zero crossings of the tone (silence is exact zeros and has none): 0.4 s of 440 Hz
    // gives about 176 of them, about 109 samples apart. A late mixer pass may leave a gap, so the
    // spacing is judged by its median.
    std::vector<size_t> rises;
    for (size_t i = 1; i < samples.size(); ++i)
        if (samples[i - 1] < 0 && samples[i] >= 0) rises.push_back(i);
    ASSERT_GT(rises.size(), 2u);
    std::vector<size_t> gaps;
    for (size_t i = 1; i < rises.size(); ++i) gaps.push_back(rises[i] - rises[i - 1]);
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    EXPECT_NEAR(static_cast<double>(rises.size()), 176.0, 12.0);
    EXPECT_NEAR(48000.0 / gaps[gaps.size() / 2], 440.0, 15.0);
}

}  // namespace
