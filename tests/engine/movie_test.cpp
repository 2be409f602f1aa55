// Movie playback into a texture: starting the service, opening players, the frame copy into 32-bit
// and 16-bit textures (orientation, colours), the end reported once, stopping, and bad files.
#include <gtest/gtest.h>
#include <d3d9.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>
#include <optional>

#include "engine/movie/DShowMovie.h"
#include "engine/movie/USDirectShow.h"
#include "engine/files/USPath.h"
#include "support/ScratchDir.h"
#include "engine/util/USLogManager.h"
#include "engine/device/AppDeviceInfo.h"
#include "engine/device/D3DDevice.h"
#include "engine/resources/Texture.h"
#include "engine/util/USSingleton.h"
#include "support/EngineDevice.h"
#include "support/Threads.h"

namespace {

using testsupport::ThreadCount;

// Movie names as the game gives them: relative to the program's folder, which is unset here, so
// they are rooted paths in Windows form.
std::string MovieName(const char* file) {
    std::string path = std::string(MARLOWE_TEST_DATA_DIR) + "/movies/" + file;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

class MovieTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitDirectShow());
        dshow::hooks::SetFreeRunning(true);
    }
    void TearDown() override { dshow::hooks::SetFreeRunning(false); }
};

TEST(MovieServiceTest, WithoutDirectShowNoMovieOpens) {
    if (CUSSingleton<CUSDirectShow>::GetInstance()->IsInitialized()) GTEST_SKIP() << "started by an earlier test";
    Handle<_tagDShowMovieGrabTexture> movie;
    EXPECT_FALSE(CreateMovieGrabTexture(&movie, MovieName("clip.avi").c_str()));
    EXPECT_TRUE(movie.IsNull());
}

TEST_F(MovieTest, UnplayableNamesFailAndLeaveNoPlayer) {
    for (const char* file : {"missing.avi", "", "not_a_movie.mpg", "truncated.avi"}) {
        SCOPED_TRACE(file);
        Handle<_tagDShowMovieGrabTexture> movie;
        EXPECT_FALSE(CreateMovieGrabTexture(&movie, MovieName(file).c_str()));
        EXPECT_TRUE(movie.IsNull());
    }
}

// A program that never set its folder (the game run inside a test) finds a movie and writes its log
// by names relative to the current directory, as the game gives them, not at the top of the file
// system.
TEST_F(MovieTest, RelativeNamesWithoutAProgramFolderStayInTheCurrentDirectory) {
    ASSERT_TRUE(GetModuleDirectory().empty());
    ScratchDir dir;
    std::ifstream clip(std::string(MARLOWE_TEST_DATA_DIR) + "/movies/clip.mpg", std::ios::binary);
    dir.Write("movie/clip.mpg", std::string(std::istreambuf_iterator<char>(clip), {}));
    Handle<_tagDShowMovieGrabTexture> movie;
    ASSERT_TRUE(CreateMovieGrabTexture(&movie, "movie\\clip.mpg"));
    EXPECT_TRUE(MovieGrabTextureManager().Release(movie));
    EXPECT_FALSE(CreateMovieGrabTexture(&movie, "movie\\missing.mpg"));

    CUSLogManager* log = CUSSingleton<CUSLogManager>::GetInstance();
    ASSERT_EQ(log->Open("log.txt"), 0);
    log->Write("a line\n");
    EXPECT_EQ(dir.Log(), "a line\n");
    dir.OpenLog();  // by its absolute name, so that later lines do not land in the next current folder
}

// Closing a movie mid-way, stopped first or not, ends its streaming threads and its sound.
TEST_F(MovieTest, ClosingMidwayLeavesNoThreadBehind) {
    dshow::hooks::SetFreeRunning(false);  // real time, so the movie is still playing when closed
    for (bool stopFirst : {true, false}) {
        SCOPED_TRACE(stopFirst ? "stopped, then released" : "released while playing");
        int before = ThreadCount();
        Handle<_tagDShowMovieGrabTexture> movie;
        ASSERT_TRUE(CreateMovieGrabTexture(&movie, MovieName("clip_sound.mpg").c_str()));
        CDShowMovieGrabTexture* player = GetMovieGrabTexture(movie);
        ASSERT_TRUE(player->Play());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_TRUE(player->IsPlaying());
        if (stopFirst) {
            EXPECT_TRUE(player->Stop());
        }
        EXPECT_TRUE(MovieGrabTextureManager().Release(movie));
        EXPECT_EQ(ThreadCount(), before);
    }
}

TEST_F(MovieTest, PlayAndStopFollowTheOpenedAndPlayingStates) {
    CDShowMovieGrabTexture unopened;
    EXPECT_FALSE(unopened.Play());
    EXPECT_FALSE(unopened.Stop());
    EXPECT_FALSE(unopened.IsPlaying());  // no graph, no event interface

    Handle<_tagDShowMovieGrabTexture> movie;
    ASSERT_TRUE(CreateMovieGrabTexture(&movie, MovieName("clip_sound.wmv").c_str()));
    CDShowMovieGrabTexture* player = GetMovieGrabTexture(movie);
    ASSERT_NE(player, nullptr);
    std::uint32_t w = 0, h = 0;
    player->GetVideoSize(&w, &h);
    EXPECT_EQ(w, 66u);
    EXPECT_EQ(h, 50u);
    EXPECT_FALSE(player->Stop());  // not playing yet
    EXPECT_TRUE(player->Play());
    EXPECT_TRUE(player->Stop());
    EXPECT_FALSE(player->Stop());
    EXPECT_TRUE(MovieGrabTextureManager().Release(movie));
    EXPECT_EQ(GetMovieGrabTexture(movie), nullptr);
}

struct Rgb {
    int r, g, b;
};

// Players drawing into textures of the engine's device, on a window of the dummy video driver.
class MovieTextureTest : public MovieTest {
protected:
    void SetUp() override {
        MovieTest::SetUp();
        device_.emplace("MovieTestWindow");
        ASSERT_TRUE(device_->Ok());
    }
    void TearDown() override {
        MovieGrabTextureManager().ReleaseAll();
        GetTextureManager().ReleaseAll();
        device_.reset();
        MovieTest::TearDown();
    }
    // Plays to the end, updating once per "game frame"; false when the end never comes.
    static bool PlayToEnd(CDShowMovieGrabTexture* player) {
        for (int i = 0; i < 1000; ++i) {
            player->Update();
            if (!player->IsPlaying()) return true;
        }
        return false;
    }
    // Texel (x, y) of level 0 as 8-bit r, g, b (16-bit texels widened).
    static Rgb Texel(TextureHandle handle, int x, int y) {
        IDirect3DTexture9* texture = GetTexture(handle)->GetD3DTexture();
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        const BYTE* row = static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch;
        Rgb c;
        if (GetTexture(handle)->GetLevelDesc().Format == D3DFMT_A8R8G8B8) {
            DWORD v = reinterpret_cast<const DWORD*>(row)[x];
            c = {static_cast<int>(v >> 16 & 0xFF), static_cast<int>(v >> 8 & 0xFF), static_cast<int>(v & 0xFF)};
        } else {
            WORD v = reinterpret_cast<const WORD*>(row)[x];
            c = {(v >> 10 & 31) << 3, (v >> 5 & 31) << 3, (v & 31) << 3};
        }
        texture->UnlockRect(0);
        return c;
    }
    // The clip's last frame: picture rows bottom-up in the texture (the quad that draws it flips V).
    static void ExpectLastFrame(TextureHandle texture) {
        struct Probe {
            int x, pictureY;
            Rgb colour;
        } probes[] = {{12, 10, {255, 0, 0}}, {53, 10, {0, 255, 0}}, {12, 40, {0, 0, 255}}, {53, 40, {225, 225, 225}}};
        for (const Probe& p : probes) {
            Rgb got = Texel(texture, p.x, 49 - p.pictureY);
            EXPECT_NEAR(got.r, p.colour.r, 24) << p.x << "," << p.pictureY;
            EXPECT_NEAR(got.g, p.colour.g, 24) << p.x << "," << p.pictureY;
            EXPECT_NEAR(got.b, p.colour.b, 24) << p.x << "," << p.pictureY;
        }
    }
    std::optional<testsupport::EngineDevice> device_;
};

TEST_F(MovieTextureTest, FramesReachBothTextureFormatsInTheSameOrientationAndTheEndIsReportedOnce) {
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5}) {
        SCOPED_TRACE(format);
        Handle<_tagDShowMovieGrabTexture> movie;
        ASSERT_TRUE(CreateMovieGrabTexture(&movie, MovieName("clip.avi").c_str()));
        CDShowMovieGrabTexture* player = GetMovieGrabTexture(movie);
        std::uint32_t w = 0, h = 0;
        player->GetVideoSize(&w, &h);
        TextureHandle texture;
        ASSERT_TRUE(CreateTexture(&texture, format, w, h, 0));
        player->SetTexture(texture);
        ASSERT_TRUE(player->Play());
        ASSERT_TRUE(PlayToEnd(player));
        EXPECT_TRUE(player->IsPlaying());  // the end was reported by the call before
        player->Update();                   // the last frame arrived before the end event
        ExpectLastFrame(texture);
        EXPECT_TRUE(player->Stop());
        MovieGrabTextureManager().Release(movie);
        GetTextureManager().Release(texture);
    }
}

TEST_F(MovieTextureTest, FrameWithoutAUsableTextureWaitsForOne) {
    Handle<_tagDShowMovieGrabTexture> movie;
    ASSERT_TRUE(CreateMovieGrabTexture(&movie, MovieName("clip.mpg").c_str()));
    CDShowMovieGrabTexture* player = GetMovieGrabTexture(movie);
    TextureHandle stale;
    ASSERT_TRUE(CreateTexture(&stale, D3DFMT_A8R8G8B8, 66, 50, 0));
    TextureHandle kept = stale;
    GetTextureManager().Release(kept);
    player->SetTexture(stale);  // resolves to nothing: frames are not copied
    ASSERT_TRUE(player->Play());
    ASSERT_TRUE(PlayToEnd(player));
    TextureHandle texture;
    ASSERT_TRUE(CreateTexture(&texture, D3DFMT_A8R8G8B8, 66, 50, 0));
    player->SetTexture(texture);
    player->Update();  // the frame still marked as changed is copied now
    ExpectLastFrame(texture);
}

TEST_F(MovieTextureTest, TextureSmallerThanTheMovieTakesWhatFits) {
    Handle<_tagDShowMovieGrabTexture> movie;
    ASSERT_TRUE(CreateMovieGrabTexture(&movie, MovieName("clip.wmv").c_str()));
    CDShowMovieGrabTexture* player = GetMovieGrabTexture(movie);
    TextureHandle texture;
    ASSERT_TRUE(CreateTexture(&texture, D3DFMT_A8R8G8B8, 32, 16, 0));
    player->SetTexture(texture);
    ASSERT_TRUE(player->Play());
    ASSERT_TRUE(PlayToEnd(player));
    player->Update();
    // Texture rows 0 to 15 hold the bottom of the picture's left part: blue, nothing written past the texture.
    Rgb got = Texel(texture, 10, 5);
    EXPECT_NEAR(got.b, 255, 24);
    EXPECT_NEAR(got.r, 0, 24);
}

}  // namespace
