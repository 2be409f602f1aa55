// The whole demo game played headless along its routes, as a player would with the mouse, the wheel
// and the keyboard: the title, the gallery before and after its pictures were seen, the configuration
// screen, a new game through
// both chapters with the message log and its voice replay, the picture view, a quick save and a quick
// load that bring the same frame back, each answer of the choice, the question on a timer, the ending
// back at the title, and quitting. Each stop's frame is checked against its reference in
// tests/demo/references; a route that stops moving for 10 s of game time fails as stuck. Bad data on the way (movies, pictures) is logged and the game goes on.
#include <dinput.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "demo/support/demo_game.h"
#include "engine/device/D3DDevice.h"
#include "engine/input/AppCommonInfo.h"
#include "novel/novel/MessageLog.h"
#include "novel/novel/NovelSystem.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/SaveDataManager.h"
#include "novel/scenes/SceneManager.h"

namespace {

using demo::Frame;
using demo::Point;

// The button bar on the message window: quick save and quick load.
constexpr Point kQuickSave{542, 458}, kQuickLoad{608, 458};
// A place on the screen with no button under it, where the cursor rests between clicks.
constexpr Point kRest{40, 40};
// The configuration screen's BACK button.
constexpr Point kConfigBack{740, 570};

class Playthrough : public demo::DemoGame {
protected:
    CNovelSystem& Novel() { return *CNovelSystem::GetInstance(); }
    bool AtChoice() { return Novel().GetResumeCode() == CNovelSystem::kResumeChoice; }
    // The text of the newest line of the message log.
    static std::string NewestLine() {
        const CMessageLogManager::LogInfo* line = CMessageLogManager::GetInstance()->GetEntry(0);
        return line ? line->text : std::string();
    }
    // Clicks on (the first answer of a choice, elsewhere otherwise) until the second chapter starts.
    void PlayToSecondChapter() {
        int frame = 0;
        ASSERT_TRUE(RunUntil(
            [&] {
                if (++frame % 20 == 0) {
                    if (AtChoice()) ClickAt({400, 174});
                    else Click();
                    MoveTo(kRest);
                }
                return Scenario() == "scenario\\ch2.bin";
            },
            "the second chapter", 60));
    }
    // The next message: a click, and the message revealed whole.
    Frame Next() {
        Click();
        return Settle();
    }
};

TEST_F(Playthrough, EveryRouteFromTheTitleBackToTheTitle) {
    PassOpening();
    MoveTo(kRest);
    const Frame title = Settle();
    ExpectReference("title", title);

    // The gallery before any picture was seen: both entries locked, and a click on one does nothing.
    ClickAt(demo::kTitleGallery);
    MoveTo(kRest);
    const Frame locked = Settle();
    ExpectReference("gallery_locked", locked);
    ClickAt(demo::kGalleryPicture[0]);
    MoveTo(kRest);
    EXPECT_EQ(Settle(), locked);
    ClickAt(demo::kBack);
    MoveTo(kRest);
    EXPECT_EQ(Settle(), title);

    // The configuration screen over the title, and its BACK button back to the title.
    ClickAt(demo::kTitleConfig);
    MoveTo(kRest);
    ExpectReference("config", Settle());
    ClickAt(kConfigBack);
    MoveTo(kRest);
    EXPECT_EQ(Settle(), title);

    // A new game: the first chapter's first line, Haru's and Ren's.
    StartNewGame();
    MoveTo(kRest);
    Click();
    ExpectReference("ch1_first", Settle());
    Next();
    const Frame ren = Next();
    ExpectReference("ch1_ren", ren);

    // The message log over the chapter, the message window and the bar hidden; the newest line first.
    // Each row's button replays that row's voice (the narration has none).
    Wheel(+1);
    MoveTo(kRest);
    const Frame log = Settle();
    ExpectReference("log", log);
    const char* voices[] = {"voice\\ren_001.ogg", "voice\\haru_001.ogg", ""};
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        Novel().StopVoice();
        ClickAt({44, 141 + 150 * row});
        EXPECT_EQ(Novel().GetVoice().IsPlaying() ? Novel().GetVoice().GetFileName() : "", voices[row]);
    }
    Novel().StopVoice();
    // Up past the oldest line keeps it open; one turn down at the newest closes it.
    Wheel(+1);
    Wheel(+1);
    MoveTo(kRest);
    EXPECT_EQ(Settle(), log);
    Wheel(-1);
    EXPECT_EQ(Settle(), ren);

    // The picture view: Space hides the message window and the bar until a click brings them back.
    Key(DIK_SPACE);
    const Frame view = Settle();
    ExpectReference("picture_view", view);
    Click();
    EXPECT_EQ(Settle(), ren);

    // A quick save on Ren's line; two lines on, a quick load brings the same frame back.
    ClickAt(kQuickSave);
    MoveTo(kRest);
    Steps(10);
    ASSERT_TRUE(std::filesystem::exists("save/q.sav"));
    EXPECT_EQ(Settle(), ren);
    Next();
    Next();
    ClickAt(kQuickLoad);
    MoveTo(kRest);
    Steps(80);
    EXPECT_EQ(Settle(), ren);

    // The branch: the question and its three answers. Each answer's route is played from a save made
    // at the choice, and shows its own line.
    Click();
    ASSERT_TRUE(RunUntil([&] { return AtChoice(); }, "the choice"));
    Steps(40);  // the answers slide in
    ExpectReference("choice", Read());
    ASSERT_TRUE(CSaveDataManager::SaveToFile("save\\choice.sav"));
    const char* const routes[] = {"\x82\xc7\x82\xa4\x82\xbc",          // どうぞ
                                  "\x89\x77\x82\xdc\x82\xc5",          // 駅まで
                                  "\x82\xe0\x82\xa4\x8f\xad\x82\xb5"};  // もう少し
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        if (k > 0) {
            Novel().SetLoadPath("save\\choice.sav");
            Novel().SetPendingCommand(CNovelSystem::kRequestLoad);
            Steps(70);
            ASSERT_TRUE(RunUntil([&] { return AtChoice(); }, "the choice after a load"));
            Steps(40);
        }
        ClickAt({400, 174 + 64 * k});
        MoveTo(kRest);
        ASSERT_TRUE(RunUntil([&] { return NewestLine().find(routes[k]) != std::string::npos; }, "the answer's line"));
    }
    // The routes meet again at a question on a timer, which takes its default when nobody answers;
    // clicks then go on to the chapter's event picture, and to the second chapter.
    int frame = 0;
    ASSERT_TRUE(RunUntil(
        [&] {
            if (++frame % 20 == 0) Click();
            return AtChoice();
        },
        "the question on a timer"));
    ASSERT_TRUE(RunUntil([&] { return !AtChoice(); }, "the timer's default answer"));
    CCGShownFlagsManager& seen = CConfigDataManager::GetInstance()->GetCGShownFlags();
    ASSERT_TRUE(RunUntil(
        [&] {
            if (!seen.IsShown("image\\cg\\umbrella.png")) Click();
            return seen.IsShown("image\\cg\\umbrella.png");
        },
        "the chapter's event picture"));
    ExpectReference("ch1_picture", Settle());
    Click();
    ASSERT_TRUE(RunUntil([] { return Scenario() == "scenario\\ch2.bin"; }, "the second chapter"));
    Steps(3);
    Click();
    ExpectReference("ch2_street", Settle());
    Next();
    // The mother talks while her line is read (a fixed number of frames after the click, as she moves).
    Click();
    Steps(60);
    ExpectReference("ch2_mother", Read());
    EXPECT_EQ(Novel().GetVoice().GetFileName(), "voice\\hero_001.ogg");
    Next();
    Next();
    ExpectReference("ch2_end", Next());

    // The ending returns to the title, and the gallery now shows both pictures.
    Click();
    ASSERT_TRUE(RunUntil([&] { return AtTitle(); }, "the title after the ending"));
    MoveTo(kRest);
    EXPECT_EQ(Settle(), title);
    ClickAt(demo::kTitleGallery);
    MoveTo(kRest);
    ExpectReference("gallery", Settle());
    ClickAt(demo::kGalleryPicture[0]);
    ASSERT_TRUE(RunUntil([&] { return Novel().GetWindowManager().DialogCount() == 0; }, "the gallery's picture"));
    MoveTo(kRest);
    ExpectReference("gallery_umbrella", Settle());
    Click();
    ASSERT_TRUE(RunUntil([&] { return AtTitle(); }, "the title after the gallery's picture"));
    MoveTo(kRest);
    EXPECT_EQ(Settle(), title);

    // Quit ends the game.
    ClickAt(demo::kTitleQuit);
    int frames = 0;
    while (Step() && frames < 600) ++frames;
    EXPECT_LT(frames, 600) << "Quit did not end the game";
    EXPECT_EQ(Log().find("ERR"), std::string::npos) << Log();
}

// A quick save cut short (a disk that filled up, a copy broken off) shows as no save: the quick-load
// button leaves the game as it is, and the log says why.
TEST_F(Playthrough, TruncatedQuickSaveIsNeverLoaded) {
    PassOpening();
    StartNewGame();
    MoveTo(kRest);
    Click();
    Settle();
    ClickAt(kQuickSave);
    MoveTo(kRest);
    Steps(10);
    ASSERT_TRUE(std::filesystem::exists("save/q.sav"));
    std::filesystem::resize_file("save/q.sav", std::filesystem::file_size("save/q.sav") / 2);
    const Frame second = Next();
    ClickAt(kQuickLoad);
    MoveTo(kRest);
    Steps(80);
    EXPECT_EQ(Settle(), second);
    EXPECT_NE(Log().find("q.sav cannot be read"), std::string::npos) << Log();
}

// A second game in the same process starts as the first one did: the first game's settings, seen
// pictures, read text, message log and full screen do not reach it, and its first click is taken.
TEST_F(Playthrough, SecondGameInTheSameProcessStartsClean) {
    PassOpening();
    MoveTo(kRest);
    const Frame title = Settle();
    CConfigDataManager& config = *CConfigDataManager::GetInstance();
    const int32_t volume = config.GetConfigValue(CFG_VOLUME_BGM);
    StartNewGame();
    MoveTo(kRest);
    Next();
    Next();
    ASSERT_NE(CMessageLogManager::GetInstance()->GetEntry(0), nullptr);
    ASSERT_TRUE(config.GetReadedFlags().IsMessageReaded("scenario\\ch1.bin", 0));
    config.SetConfigValue(CFG_VOLUME_BGM, volume / 2);
    config.GetCGShownFlags().SetShown("image\\cg\\umbrella.png");
    CUSSingleton<CAppCommonInfo>::GetInstance()->SetFullScreen(1);
    app_->OnIdle();
    ASSERT_FALSE(IsDeviceWindowed());

    EndGame();
    StartGame();
    PassOpening();
    MoveTo(kRest);
    EXPECT_EQ(Settle(), title);
    EXPECT_EQ(CUSSingleton<CAppCommonInfo>::GetInstance()->IsFullScreen(), 0u);
    EXPECT_TRUE(IsDeviceWindowed());
    EXPECT_EQ(config.GetConfigValue(CFG_VOLUME_BGM), volume);
    EXPECT_FALSE(config.GetReadedFlags().IsMessageReaded("scenario\\ch1.bin", 0));
    EXPECT_EQ(CMessageLogManager::GetInstance()->GetEntry(0), nullptr);
    ClickAt(demo::kTitleGallery);
    MoveTo(kRest);
    ExpectReference("gallery_locked", Settle());
}

// The gallery's picture gone from the data archive (its entry under another name, as in an archive of
// another build): the picture page logs the missing file, and a click brings the title back.
class GalleryPictureGone : public Playthrough {
protected:
    void PrepareFolder() override {
        // Entry names are stored as they are: with one letter changed, the entry is no longer found.
        std::fstream arc("data.arc", std::ios::in | std::ios::out | std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(arc), {}};
        const std::string name = "image\\cg\\umbrella.png";
        const size_t at = bytes.find(name);
        ASSERT_NE(at, std::string::npos);
        arc.clear();
        arc.seekp(static_cast<std::streamoff>(at + name.size() - 1));
        arc.put('x');
    }
};

TEST_F(GalleryPictureGone, IsLoggedAndTheTitleComesBack) {
    CConfigDataManager::GetInstance()->GetCGShownFlags().SetShown("image\\cg\\umbrella.png");
    PassOpening();
    MoveTo(kRest);
    const Frame title = Settle();
    ClickAt(demo::kTitleGallery);
    MoveTo(kRest);
    Settle();
    ClickAt(demo::kGalleryPicture[0]);
    ASSERT_TRUE(RunUntil([&] { return Novel().GetWindowManager().DialogCount() == 0; }, "the gallery's picture"));
    MoveTo(kRest);
    Settle();
    Click();
    ASSERT_TRUE(RunUntil([&] { return AtTitle(); }, "the title after the missing picture"));
    MoveTo(kRest);
    EXPECT_EQ(Settle(), title);
    EXPECT_NE(Log().find("umbrella.png"), std::string::npos) << Log();
}

// Bad data on the way, each case in a game folder of its own: the game logs what it could not use and
// goes on to the title (and, for a picture, on through the chapter).
struct BadData {
    const char* name;
    const char* file;      // replaced in the game folder, or removed when contents is null
    const char* contents;
    const char* logged;    // a part of the log line that names the problem
};

class BadDataPlay : public Playthrough, public ::testing::WithParamInterface<BadData> {
protected:
    void PrepareFolder() override {
        const BadData& bad = GetParam();
        std::filesystem::remove(bad.file);
        if (bad.contents) {
            std::filesystem::create_directories(std::filesystem::path(bad.file).parent_path());
            std::ofstream(bad.file, std::ios::binary) << bad.contents;
        }
    }
};

TEST_P(BadDataPlay, IsLoggedAndTheGameGoesOn) {
    const BadData& bad = GetParam();
    PassOpening();
    StartNewGame();
    // Through the first chapter to the second; its event picture is the broken one of one case.
    PlayToSecondChapter();
    EXPECT_NE(Log().find(bad.logged), std::string::npos) << Log();
}

INSTANTIATE_TEST_SUITE_P(
    Demo, BadDataPlay,
    ::testing::Values(BadData{"MissingMovie", "movie/opening.mpg", nullptr, "opening.mpg"},
                      BadData{"BrokenMovie", "movie/opening.mpg", "not a movie", "opening.mpg"},
                      BadData{"BrokenPicture", "image/cg/umbrella.png", "not a picture", "umbrella.png"}),
    [](const ::testing::TestParamInfo<BadData>& info) { return std::string(info.param.name); });

}  // namespace
