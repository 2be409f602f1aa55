// The demo game's chapters played in-process (tests/demo/support): the typewriter reveal, a click that
// shows all, a click that advances, full screen and back, the button bar's quick save, a save and a
// load that restore the same picture, skipping over read text, the branch of choices with its
// directions (a character fading away and back, the rain that falls on after a load), automatic mode
// running on into the second chapter; the save, load and configuration screens and the quick save
// as a player reaches them, through the button bar; and saves damaged inside a record, never loaded
// in part.
#include <dinput.h>
#include <dinput_hooks.h>
#include <xaudio2.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "demo/support/demo_game.h"
#include "engine/audio/USXAudio2.h"
#include "engine/device/D3DDevice.h"
#include "engine/input/AppCommonInfo.h"
#include "novel/novel/MessageLog.h"
#include "novel/novel/NovelSystem.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/GameVariables.h"
#include "novel/state/SaveDataManager.h"
#include "novel/state/SavedObject.h"
#include "support/SaveRecords.h"

namespace {

using demo::Frame;

class DemoPlay : public demo::DemoGame {
protected:
    // Bright pixels inside the message text's box: grows with every revealed character.
    static int TextPixels(const Frame& f) {
        int n = 0;
        for (int y = 484; y < 584; ++y)
            for (int x = 60; x < 740; ++x) {
                DWORD p = f[y * 800 + x];
                n += (p >> 16 & 0xFF) > 160 && (p >> 8 & 0xFF) > 160 && (p & 0xFF) > 160;
            }
        return n;
    }
    // A click at (x, y), and two frames for what it starts.
    void ClickAt(int x, int y) {
        DemoGame::ClickAt({x, y});
        Steps(2);
    }
    // The w x h block of a frame at (x, y).
    static Frame Block(const Frame& f, int x, int y, int w, int h) {
        Frame b;
        for (int j = y; j < y + h; ++j) b.insert(b.end(), f.begin() + j * 800 + x, f.begin() + j * 800 + x + w);
        return b;
    }
    static std::string Contents(const char* path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The opening movie clicked away, NEW GAME on the title, and the first chapter started with its
    // button bar (window 1).
    void StartFirstChapter() {
        PassOpening();
        StartNewGame();
        ASSERT_NE(CNovelSystem::GetInstance()->GetWindowManager().FindWindow(1), nullptr);
    }
    // Clicks every 20 frames, away from where choice items are, until the frame in which a choice
    // shows.
    void ClickUpToChoice() {
        CNovelSystem& novel = *CNovelSystem::GetInstance();
        dinput::hooks::InjectMouseMove(hwnd_, 400, 100);
        for (int i = 0; i < 600 && novel.GetResumeCode() != CNovelSystem::kResumeChoice; ++i) {
            if (i % 20 == 0)
                Click();
            else
                ASSERT_TRUE(Step());
        }
    }
};

constexpr DWORD kHaruHead = 0xF2A7B8, kRenHead = 0x9FC4EF;

TEST_F(DemoPlay, PlaysThroughTheScenario) {
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    StartFirstChapter();
    // The first message is revealed a character at a time.
    std::vector<int> reveal;
    for (int i = 0; i < 6; ++i) {
        Steps(2);
        reveal.push_back(TextPixels(Read()));
    }
    for (size_t i = 1; i < reveal.size(); ++i) EXPECT_GT(reveal[i], reveal[i - 1]) << "step " << i;
    // A click shows the whole message at once.
    Click();
    const Frame first = Settle();
    const int whole = TextPixels(first);
    EXPECT_GT(whole, reveal.back() * 2);
    // Alt+Return switches to full screen and back; the Return does not advance the text.
    CAppCommonInfo* common = CUSSingleton<CAppCommonInfo>::GetInstance();
    ASSERT_EQ(common->IsFullScreen(), 0u);
    for (unsigned expected : {1u, 0u}) {
        dinput::hooks::InjectKey(hwnd_, DIK_LMENU, true);
        Step();
        dinput::hooks::InjectKey(hwnd_, DIK_RETURN, true);
        Step();
        dinput::hooks::InjectKey(hwnd_, DIK_RETURN, false);
        dinput::hooks::InjectKey(hwnd_, DIK_LMENU, false);
        Steps(3);
        EXPECT_EQ(common->IsFullScreen(), expected);
    }
    EXPECT_EQ(TextPixels(Settle()), whole);
    EXPECT_NE(At(first, 250, 185), kHaruHead);  // no one there yet
    // The next click goes on: Haru appears with her line.
    Click();
    Steps(2);
    EXPECT_LT(TextPixels(Read()), whole);
    Click();
    const Frame haru = Settle();
    EXPECT_EQ(At(haru, 250, 185), kHaruHead);
    EXPECT_NE(At(haru, 560, 185), kRenHead);

    // The button bar sits on the message window's top edge (the light border of its first button),
    // and its quick-save button saves the game as it stands.
    const DWORD border = At(haru, 540, 448);
    EXPECT_GT(border >> 16 & 0xFF, 150u);
    EXPECT_GT(border & 0xFF, 150u);
    EXPECT_FALSE(std::filesystem::exists("save/q.sav"));
    dinput::hooks::InjectMouseMove(hwnd_, 180 + 66 * 5 + 32, 446 + 12);
    Steps(2);
    Click();
    Steps(10);
    dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    Steps(2);
    EXPECT_TRUE(std::filesystem::exists("save/q.sav"));
    EXPECT_EQ(At(Settle(), 250, 185), kHaruHead);  // the click on the bar did not advance the text
    EXPECT_EQ(Settle(), haru);

    // A save here; two messages later a load brings the same picture back.
    ASSERT_TRUE(CSaveDataManager::SaveToFile("save\\test.sav"));
    Click();
    Click();
    const Frame ren = Settle();
    EXPECT_EQ(At(ren, 560, 185), kRenHead);
    novel.SetLoadPath("save\\test.sav");
    novel.SetPendingCommand(CNovelSystem::kRequestLoad);
    Steps(80);
    EXPECT_EQ(Settle(), haru);

    // Skip mode runs through the text read before (Haru's line) and falls back to normal at the
    // first line not yet clicked past (Ren's).
    novel.SendCommand(CNovelSystem::kCommandSkip);
    Steps(10);
    EXPECT_EQ(novel.GetMode(), uint32_t(CNovelSystem::kNormal));
    EXPECT_EQ(At(Settle(), 560, 185), kRenHead);

    // Automatic mode (at its shortest wait) advances by itself, up to the choice, which ends it.
    CConfigDataManager::GetInstance()->SetConfigValue(CFG_AUTOMODE_WAIT_FRAME, 2);
    novel.SendCommand(CNovelSystem::kCommandAuto);
    for (int i = 0; i < 2000 && novel.GetResumeCode() != CNovelSystem::kResumeChoice; ++i) ASSERT_TRUE(Step());
    EXPECT_EQ(novel.GetResumeCode(), uint32_t(CNovelSystem::kResumeChoice));
    EXPECT_EQ(novel.GetMode(), uint32_t(CNovelSystem::kNormal));
}

// The branch after Ren's line: three answers slide in, light under the cursor and flash when chosen;
// the chosen route's line follows, then a question on a timer (whose time stands still while the
// cursor is over a UI window) takes its default when nobody answers, and automatic mode plays on into
// the second chapter. Item k of the first choice covers (240, 150 + 64 k) to (560, 198 + 64 k).
TEST_F(DemoPlay, ChoiceBranchesAndRejoins) {
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    StartFirstChapter();
    ClickUpToChoice();
    ASSERT_EQ(novel.GetResumeCode(), uint32_t(CNovelSystem::kResumeChoice));
    // The panel's edge of each item, left of its text: dark when idle, orange when lit.
    auto lit = [](DWORD p) { return (p >> 16 & 0xFF) > 0xC0 && (p >> 8 & 0xFF) > 0x90 && (p & 0xFF) < 0x80; };
    auto idle = [](DWORD p) { return (p >> 16 & 0xFF) < 0x60 && (p & 0xFF) < 0x80; };
    const Frame sliding = Read();
    EXPECT_FALSE(idle(At(sliding, 250, 300))) << std::hex << At(sliding, 250, 300);  // the last one comes in late
    Steps(40);
    const Frame shown = Read();
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(idle(At(shown, 250, 174 + 64 * k))) << k << std::hex << At(shown, 250, 174 + 64 * k);
    // Under the cursor the second answer lights up; the others stay as they were.
    dinput::hooks::InjectMouseMove(hwnd_, 400, 238);
    Steps(3);
    const Frame hovered = Read();
    EXPECT_TRUE(lit(At(hovered, 250, 238))) << std::hex << At(hovered, 250, 238);
    EXPECT_TRUE(idle(At(hovered, 250, 174)));
    // Chosen, it flashes (lit and idle by turns), then the route's first line is shown.
    Click();
    std::vector<bool> looks;
    for (int i = 0; i < 24; ++i) {
        Step();
        looks.push_back(lit(At(Read(), 250, 238)));
    }
    EXPECT_NE(std::count(looks.begin(), looks.end(), true), 0);
    EXPECT_NE(std::count(looks.begin(), looks.end(), false), 0);
    Steps(60);
    const CMessageLogManager::LogInfo* line = CMessageLogManager::GetInstance()->GetEntry(0);
    ASSERT_NE(line, nullptr);
    EXPECT_NE(line->text.find("\x89\x77\x82\xdc\x82\xc5\x91\x96\x82\xeb\x82\xa4"), std::string::npos);  // 駅まで走ろう
    EXPECT_EQ(novel.GetChoices().GetItemCount(), 0u);

    // Haru steps back fading out, then comes back fading in; the scene waits for each direction.
    // Her body turns into what lies behind it by steps (the median over a row of pixels that her
    // body covers throughout, so that a passing raindrop does not count), then comes back.
    auto faded = [this] {
        const Frame f = Read();
        std::vector<int> away;
        for (int x = 180; x <= 276; x += 12) {
            const DWORD p = At(f, x, 400);
            away.push_back(std::abs(int(p >> 16 & 0xFF) - 0x6B) + std::abs(int(p >> 8 & 0xFF) - 0x30) +
                           std::abs(int(p & 0xFF) - 0x40));
        }
        std::nth_element(away.begin(), away.begin() + 4, away.end());
        return away[4];
    };
    EXPECT_EQ(faded(), 0);
    dinput::hooks::InjectMouseButton(hwnd_, 0, true);
    std::vector<int> fade;
    for (int i = 0; i < 64; ++i) {
        Step();
        if (i == 0) dinput::hooks::InjectMouseButton(hwnd_, 0, false);
        fade.push_back(faded());
        // The next line waits for both directions.
        if (i < 55) {
            EXPECT_EQ(CMessageLogManager::GetInstance()->GetEntry(0), line) << i;
        }
    }
    const auto deepest = std::max_element(fade.begin(), fade.end());
    EXPECT_GT(*deepest, 60);
    EXPECT_TRUE(std::is_sorted(fade.begin(), deepest)) << "fading out";
    EXPECT_TRUE(std::is_sorted(fade.rbegin(), std::make_reverse_iterator(deepest))) << "fading in";
    EXPECT_GT(std::count_if(fade.begin(), deepest, [&](int d) { return d > 0 && d < *deepest; }), 10);
    EXPECT_EQ(fade.back(), 0);

    // The question on a timer: left alone, it takes its default after four seconds. Its time stands
    // still while the save screen (a UI window that takes the input) is open over it, longer than
    // the whole wait, and runs on from where it stood once the screen is closed.
    ClickUpToChoice();
    ASSERT_EQ(novel.GetResumeCode(), uint32_t(CNovelSystem::kResumeChoice));
    ASSERT_EQ(novel.GetChoices().GetItemCount(), 2u);
    CUIWindowManager& windows = novel.GetWindowManager();
    DemoGame::ClickAt({180 + 32, 458});  // SAVE on the bar
    Steps(3);
    ASSERT_EQ(windows.DialogCount(), 1u);
    Steps(300);
    DemoGame::ClickAt({744, 570});  // BACK
    Steps(3);
    ASSERT_EQ(windows.DialogCount(), 0u);
    EXPECT_EQ(novel.GetResumeCode(), uint32_t(CNovelSystem::kResumeChoice)) << "the time ran under the save screen";
    MoveTo({400, 100});
    Steps(200);
    EXPECT_EQ(novel.GetResumeCode(), uint32_t(CNovelSystem::kResumeChoice));
    Steps(60);
    line = CMessageLogManager::GetInstance()->GetEntry(0);
    ASSERT_NE(line, nullptr);
    EXPECT_NE(line->text.find("\x89\x4a\x82\xaa\x82\xe2\x82\xde\x82\xdc\x82\xc5\x91\xd2"), std::string::npos);  // 雨がやむまで待

    // Automatic mode plays on to the end of the chapter, where a direction starts the Puppet
    // character's motions (its talking channel), and on into the second chapter.
    CConfigDataManager::GetInstance()->SetConfigValue(CFG_AUTOMODE_WAIT_FRAME, 2);
    novel.SendCommand(CNovelSystem::kCommandAuto);
    ASSERT_NE(novel.GetRenderers().GetPuppetRenderer(40), nullptr);
    EXPECT_FALSE(novel.GetRenderers().GetPuppetRenderer(40)->GetChannel(1).enabled);
    bool talking = false;
    RunUntil(
        [&] {
            // Looked up each frame: the renderers go with the scene at the end.
            if (const PuppetRenderer* puppet = novel.GetRenderers().GetPuppetRenderer(40))
                talking = talking || puppet->GetChannel(1).enabled;
            return Scenario() == "scenario\\ch2.bin";
        },
        "the second chapter in automatic mode");
    EXPECT_TRUE(talking);
}


// The demo with its mixer stepped by hand, so that what the music sounds like can be measured.
class DemoScreens : public DemoPlay {
protected:
    void SetUp() override {
        xaudio2::hooks::SetManualMixing(true);
        DemoPlay::SetUp();
    }
    void TearDown() override {
        DemoPlay::TearDown();
        xaudio2::hooks::SetManualMixing(false);
    }
    // Mixes the next frames a hundredth of a second at a time, leaving the streamed music's reader
    // thread time to queue its chunks between passes, as the real-time mixer does (a busy machine
    // could otherwise starve it and the mix would come out silent).
    static std::vector<std::int16_t> Mix(int frames) {
        std::vector<std::int16_t> out;
        for (int done = 0; done < frames; done += 480) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const std::vector<std::int16_t> part = xaudio2::hooks::Step(USXAudio2::GetXAudio2(), 480);
            out.insert(out.end(), part.begin(), part.end());
        }
        return out;
    }
    // The root mean square of the next tenth of a second of mixed output.
    static double Loudness() {
        const std::vector<std::int16_t> samples = Mix(4800);
        double sum = 0;
        for (std::int16_t s : samples) sum += double(s) * s;
        return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
    }
    // A click on column c of the button bar (SAVE, LOAD, CONFIG, AUTO, SKIP, Q.SAVE, Q.LOAD, LOG, HIDE), then
    // frames for the dialog it opens to come up.
    void ClickBar(int c) {
        ClickAt(180 + 66 * c + 32, 458);
        Steps(3);
    }
    // Runs frames until the scene waits for a click (its message whole), then until the picture is
    // still.
    Frame AtClickWait() {
        CNovelSystem& novel = *CNovelSystem::GetInstance();
        for (int i = 0; i < 400 && novel.GetResumeCode() != CNovelSystem::kResumeClickWait; ++i) Step();
        EXPECT_EQ(novel.GetResumeCode(), uint32_t(CNovelSystem::kResumeClickWait));
        return Settle();
    }
    // The first chapter up to Haru's line, shown whole and still.
    Frame PlayToHarusLine() {
        StartFirstChapter();
        Click();
        Click();
        return AtClickWait();
    }
    // Bright pixels of a w x h block at (x, y): the digits of a slot's number and time stamp.
    static int BrightPixels(const Frame& f, int x, int y, int w, int h) {
        int n = 0;
        for (DWORD p : Block(f, x, y, w, h)) n += (p >> 16 & 0xFF) > 200 && (p >> 8 & 0xFF) > 200 && (p & 0xFF) > 200;
        return n;
    }
    // Every saved object's record, as a save of the game now would hold them.
    static std::string GameState() {
        SaveDataLoader4::SaveData data;
        ISavedObject<_tagSaveData>::SaveAll(data);
        std::ostringstream out;
        data.Save(out);
        return out.str();
    }
    static bool Near(DWORD a, DWORD b) {
        for (int shift : {0, 8, 16})
            if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 12) return false;
        return true;
    }
};

// The rain outside the window is a resident direction: after a save made during the choice is loaded,
// it falls on, and the choice is there again to be made.
TEST_F(DemoPlay, RainAndChoiceComeBackAfterALoad) {
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    StartFirstChapter();
    ClickUpToChoice();
    Steps(40);
    ASSERT_TRUE(novel.GetDirections().IsResidentActive(0));
    ASSERT_TRUE(CSaveDataManager::SaveToFile("save\\choice.sav"));
    ClickAt(400, 174);
    Steps(60);
    EXPECT_EQ(novel.GetChoices().GetItemCount(), 0u);
    novel.SetLoadPath("save\\choice.sav");
    novel.SetPendingCommand(CNovelSystem::kRequestLoad);
    Steps(110);
    EXPECT_EQ(novel.GetResumeCode(), uint32_t(CNovelSystem::kResumeChoice));
    EXPECT_EQ(novel.GetChoices().GetItemCount(), 3u);
    ASSERT_TRUE(novel.GetDirections().IsResidentActive(0));
    ASSERT_NE(novel.GetDirections().GetResidentSlot(0)->GetBillboards(), nullptr);
    // Only the rain moves: the strip above the answers changes from frame to frame.
    const Frame a = Read();
    Step();
    EXPECT_NE(Block(a, 60, 40, 680, 100), Block(Read(), 60, 40, 680, 100));
    ClickAt(400, 238);
    Steps(60);
    const CMessageLogManager::LogInfo* line = CMessageLogManager::GetInstance()->GetEntry(0);
    ASSERT_NE(line, nullptr);
    EXPECT_NE(line->text.find("\x89\x77\x82\xdc\x82\xc5\x91\x96\x82\xeb\x82\xa4"), std::string::npos);  // 駅まで走ろう
}

// Save slots whose files were cut short or damaged at the start show as empty on the load screen and
// take no click; each is logged and kept as it was, and a good save beside them still loads.
TEST_F(DemoScreens, DamagedSavesShowAsEmptySlotsAndStayOnDisk) {
    CUIWindowManager& windows = CNovelSystem::GetInstance()->GetWindowManager();
    const Frame haru = PlayToHarusLine();
    const char* const slots[] = {"save/save_00000.sav", "save/save_00001.sav", "save/save_00002.sav"};
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(CSaveDataManager::SaveToFile(GetSavePath(k).c_str()));
    // Slot 0 cut in half; slot 1 with its first bytes overwritten.
    std::filesystem::resize_file(slots[0], std::filesystem::file_size(slots[0]) / 2);
    {
        std::fstream damaged(slots[1], std::ios::in | std::ios::out | std::ios::binary);
        damaged << std::string(16, '\xA5');
    }
    const std::string kept[] = {Contents(slots[0]), Contents(slots[1])};
    dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    Steps(2);
    Click();
    AtClickWait();

    ClickBar(1);
    ASSERT_EQ(windows.DialogCount(), 1u);
    const Frame load = Settle();
    EXPECT_EQ(BrightPixels(load, 30 + 40, 165, 120, 40), 0);
    EXPECT_EQ(BrightPixels(load, 220 + 40, 165, 120, 40), 0);
    EXPECT_GT(BrightPixels(load, 410 + 40, 165, 120, 40), 0);
    for (int x : {110, 300}) {
        ClickAt(x, 185);
        EXPECT_EQ(windows.DialogCount(), 1u) << x;
    }
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(Contents(slots[k]), kept[k]) << slots[k];
        EXPECT_NE(Log().find(std::string("save_0000") + char('0' + k) + ".sav cannot be read"), std::string::npos)
            << Log();
    }
    ClickAt(490, 185);
    EXPECT_EQ(windows.DialogCount(), 0u);
    dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    Steps(80);
    EXPECT_EQ(AtClickWait(), haru);
}

// Save files whose container reads whole but one of whose records is cut short or damaged inside are
// never loaded in part: whatever record fails, their slot shows as empty, a load keeps every saved
// object as it was and draws the same frame, the file stays as it was, and the log says why. On the
// load screen such a slot shows as empty and takes no click; a load asked for all the same fades out
// and back in to the same line.
TEST_F(DemoScreens, SavesDamagedInsideARecordAreNeverLoadedHalf) {
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    CUIWindowManager& windows = novel.GetWindowManager();
    const Frame haru = PlayToHarusLine();
    ASSERT_TRUE(CSaveDataManager::SaveToFile(GetSavePath(0).c_str()));
    const std::string good = Contents("save/save_00000.sav");
    dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    Steps(2);
    Click();
    const Frame ren = AtClickWait();
    const std::string state = GameState();

    // Every record of the save, cut to half its length or by its last byte.
    const struct {
        const char* what;
        void (*damage)(std::string&);
    } damages[] = {
        {"cut to half", [](std::string& r) { r.resize(r.size() / 2); }},
        {"last byte gone", [](std::string& r) { r.pop_back(); }},
    };
    std::vector<std::string> records;
    for (const testsupport::SaveRecord& r : testsupport::SaveRecords(good)) records.push_back(r.name);
    for (const char* kind : {"NovelSystem", "WindowManager", "SceneManager", "Log", "GameFlags", "GameParameter", "BGM",
                             "LoopSE", "SE", "SnapImage"})
        EXPECT_NE(std::find(records.begin(), records.end(), kind), records.end()) << kind;
    for (const std::string& record : records) {
        for (const auto& d : damages) {
            SCOPED_TRACE(record + ", " + d.what);
            const std::string bad = testsupport::WithRecord(good, record, d.damage);
            ASSERT_NE(bad, good);
            { std::ofstream("save/save_00001.sav", std::ios::binary) << bad; }
            CSaveDataInfoNode node;
            CSaveDataManager::ReadSlotInfo(node, 1);
            EXPECT_FALSE(node.exists);
            EXPECT_FALSE(CSaveDataManager::LoadFromFile(GetSavePath(1).c_str()));
            EXPECT_TRUE(GameState() == state);
            Step();
            EXPECT_TRUE(Read() == ren);
            EXPECT_EQ(Contents("save/save_00001.sav"), bad);
        }
    }
    EXPECT_NE(Log().find("save_00001.sav (" ), std::string::npos) << Log();
    EXPECT_NE(Log().find("save_00001.sav cannot be read (a record is damaged"), std::string::npos) << Log();

    // On the load screen: slot 1 holds the save with the novel system's record cut.
    const std::string bad = testsupport::WithRecord(good, "NovelSystem", [](std::string& r) { r.resize(r.size() / 2); });
    { std::ofstream("save/save_00001.sav", std::ios::binary) << bad; }
    ClickBar(1);
    ASSERT_EQ(windows.DialogCount(), 1u);
    const Frame load = Settle();
    EXPECT_GT(BrightPixels(load, 30 + 40, 165, 120, 40), 0);  // slot 0, the good save, with its time stamp
    EXPECT_EQ(BrightPixels(load, 220 + 40, 165, 120, 40), 0);
    ClickAt(300, 185);
    EXPECT_EQ(windows.DialogCount(), 1u);
    EXPECT_TRUE(GameState() == state);
    // Asked for all the same, the load fades out and back in to the same line.
    ClickAt(740, 570);  // BACK
    ASSERT_EQ(windows.DialogCount(), 0u);
    novel.SetLoadPath(GetSavePath(1).c_str());
    novel.SetPendingCommand(CNovelSystem::kRequestLoad);
    dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    Steps(80);
    EXPECT_EQ(AtClickWait(), ren);
    EXPECT_TRUE(GameState() == state);
    EXPECT_EQ(Contents("save/save_00001.sav"), bad);
    // The good save beside it still loads.
    ClickBar(1);
    ClickAt(110, 185);
    dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    Steps(80);
    EXPECT_EQ(AtClickWait(), haru);
}

// The save, load and configuration screens and the quick save, all reached through the button bar
// over Haru's line. On a page, slot k sits at (30 + 190 (k % 4), 45 + 170 (k / 4)): its 160 x 120
// thumbnail, then its 160 x 40 button below, whose number stands at its left and whose time stamp
// from x 40 on; BACK is at (720, 560), the question's YES at (330, 300) and NO at (420, 300).
TEST_F(DemoScreens, SaveLoadConfigurationAndQuickSaveThroughTheBar) {
    CUIWindowManager& windows = CNovelSystem::GetInstance()->GetWindowManager();
    const Frame haru = PlayToHarusLine();
    ASSERT_EQ(At(haru, 250, 185), kHaruHead);
    const char* const slot0 = "save/save_00000.sav";

    // SAVE opens the save screen in front of everything, the message window included.
    ClickBar(0);
    ASSERT_EQ(windows.DialogCount(), 1u);
    const Frame before = Settle();
    EXPECT_GT(At(haru, 22, 520) & 0xFF, 200u);  // the message window's light border
    EXPECT_LT(At(before, 22, 520) & 0xFF, 100u);
    EXPECT_EQ(BrightPixels(before, 30 + 40, 165, 120, 40), 0);

    // A click on an empty slot saves there at once; the slot then shows its thumbnail and its used
    // look with the time stamp, while the empty slot beside it stays as it was.
    ClickAt(110, 185);
    ASSERT_TRUE(std::filesystem::exists(slot0));
    const Frame saved = Read();
    EXPECT_NE(Block(saved, 30, 45, 160, 120), Block(before, 30, 45, 160, 120));
    EXPECT_GT(BrightPixels(saved, 30 + 40, 165, 120, 40), 0);
    EXPECT_EQ(Block(saved, 220, 45, 160, 160), Block(before, 220, 45, 160, 160));

    // On a used slot the screen asks first: NO keeps the file, YES overwrites it.
    const std::string first = Contents(slot0);
    CGameParameterManager::GetInstance()->SetParam(0, 12345);
    ClickAt(110, 185);
    ClickAt(444, 310);
    EXPECT_EQ(Contents(slot0), first);
    ClickAt(110, 185);
    ClickAt(354, 310);
    EXPECT_NE(Contents(slot0), first);
    ClickAt(744, 570);
    Steps(3);
    EXPECT_EQ(windows.DialogCount(), 0u);

    // The game goes on to Ren's line.
    dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    Steps(2);
    Click();
    const Frame ren = AtClickWait();
    EXPECT_EQ(At(ren, 560, 185), kRenHead);

    // LOAD: the saved slot shows the picture as it was saved (Haru alone, a fifth of the size) and
    // its time stamp; an empty slot takes no click; the saved slot brings Haru's line back.
    ClickBar(1);
    ASSERT_EQ(windows.DialogCount(), 1u);
    const Frame load = Settle();
    EXPECT_TRUE(Near(At(load, 30 + 50, 45 + 37), kHaruHead)) << std::hex << At(load, 30 + 50, 45 + 37);
    EXPECT_FALSE(Near(At(load, 30 + 112, 45 + 37), kRenHead));
    EXPECT_GT(BrightPixels(load, 30 + 40, 165, 120, 40), 0);
    EXPECT_EQ(BrightPixels(load, 220 + 40, 165, 120, 40), 0);
    ClickAt(300, 185);
    EXPECT_EQ(windows.DialogCount(), 1u);
    ClickAt(110, 185);
    EXPECT_EQ(windows.DialogCount(), 0u);
    dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    Steps(80);
    EXPECT_EQ(AtClickWait(), haru);

    // CONFIG: the music gauge changes what the mixer puts out. A few seconds are mixed first, so that
    // the voices and the chime are over and only the music plays.
    ClickBar(2);
    ASSERT_EQ(windows.DialogCount(), 1u);
    Mix(48000 * 4);
    CConfigDataManager& config = *CConfigDataManager::GetInstance();
    ClickAt(200 + 16 * 9 + 5, 127);  // the last cell: 100
    ASSERT_EQ(config.GetConfigValue(CFG_VOLUME_BGM), 100);
    Loudness();
    const double loud = Loudness();
    ClickAt(200 + 5, 127);  // the first cell: 10
    ASSERT_EQ(config.GetConfigValue(CFG_VOLUME_BGM), 10);
    Loudness();
    const double quiet = Loudness();
    EXPECT_GT(loud, 100.0);
    EXPECT_LT(quiet, loud * 0.5);

    // Each other value is written as it is clicked.
    struct Case {
        int x, y, index, value;
    };
    const Case cases[] = {
        {200 + 16 * 4 + 5, 87, CFG_MASTER_VOLUME, 50},  // gauge cell 5 of 10
        {200 + 5, 167, CFG_VOLUME_SE, 10},              // the first cell
        {200 + 16 * 2 + 5, 207, CFG_VOLUME_VOICE, 30},
        {200 + 24 * 3 + 7, 267, CFG_CHAR_DRAW_INTERVAL, 3},
        {200 + 7, 307, CFG_AUTOMODE_WAIT_FRAME, 0},
        {207, 387, CFG_ENABLE_FAST_SKIP, 1},  // the check box turns on
        {207, 387, CFG_ENABLE_FAST_SKIP, 0},  // and off again
    };
    for (const Case& c : cases) {
        ClickAt(c.x, c.y);
        EXPECT_EQ(config.GetConfigValue(c.index), c.value) << "value " << c.index << " at " << c.x << "," << c.y;
    }
    // FULL switches the window to full screen; it is switched back directly, since the cursor then
    // stands elsewhere on the larger screen.
    CAppCommonInfo* common = CUSSingleton<CAppCommonInfo>::GetInstance();
    // The message loop's idle turn carries out a requested change of display mode.
    ASSERT_TRUE(IsDeviceWindowed());
    ClickAt(327, 347);
    EXPECT_EQ(common->IsFullScreen(), 1u);
    app_->OnIdle();
    EXPECT_FALSE(IsDeviceWindowed());
    common->SetFullScreen(0);
    app_->OnIdle();
    EXPECT_TRUE(IsDeviceWindowed());
    Steps(2);
    ClickAt(744, 570);
    Steps(3);
    EXPECT_EQ(windows.DialogCount(), 0u);

    // Q.SAVE keeps Haru's line; after Ren's, Q.LOAD brings it back.
    dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    const Frame quick = Settle();
    ClickBar(5);
    Steps(10);
    EXPECT_TRUE(std::filesystem::exists("save/q.sav"));
    dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    Steps(2);
    Click();
    EXPECT_EQ(At(AtClickWait(), 560, 185), kRenHead);
    ClickBar(6);
    dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    Steps(80);
    EXPECT_EQ(AtClickWait(), quick);

    // LOG opens the message log over the chapter, the message window hidden; a turn of the wheel
    // down at the newest line closes it.
    ClickBar(7);
    dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    const Frame logged = Settle();
    EXPECT_LT(At(logged, 22, 520) & 0xFF, 100u);
    EXPECT_NE(logged, quick);
    Wheel(-1);
    EXPECT_EQ(Settle(), quick);

    // HIDE hides the message window and the bar, the scene left as it is, until a click.
    ClickBar(8);
    dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    const Frame hidden = Settle();
    EXPECT_LT(At(hidden, 22, 520) & 0xFF, 100u);
    EXPECT_EQ(BrightPixels(hidden, 180, 446, 594, 24), 0);
    EXPECT_EQ(At(hidden, 250, 185), kHaruHead);
    Click();
    EXPECT_EQ(Settle(), quick);
    EXPECT_EQ(At(Settle(), 250, 185), kHaruHead);  // the click brought the window back, the text stayed

    // Every screen built, with every function of the interface registered.
    const std::string log = Log();
    EXPECT_EQ(log.find("ERR"), std::string::npos) << log;
    EXPECT_EQ(log.find("Failed"), std::string::npos) << log;
}

}  // namespace
