// The demo game run in-process on the dummy video and audio drivers, for the demo tests: a copy of
// the game folder the build made in a private temporary folder, a settable clock (one frame per
// step), input injected as the window system would deliver it, the presented frames read back, and
// frames checked against references kept in the tree as a hash and a picture.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "novel/app/MainApp.h"

namespace demo {

// The game window's frames: 800 x 600 words, 0x00RRGGBB.
using Frame = std::vector<DWORD>;

// Where the title window's buttons and the gallery's entries sit on the screen.
struct Point {
    int x, y;
};
constexpr Point kTitleNewGame{400, 316}, kTitleLoad{400, 360}, kTitleConfig{400, 404}, kTitleGallery{400, 448},
    kTitleQuit{400, 492};
constexpr Point kGalleryPicture[] = {{280, 280}, {520, 280}};
constexpr Point kBack{680, 556};

class DemoGame : public ::testing::Test {
protected:
    void SetUp() override { StartGame(); }
    void TearDown() override { EndGame(); }
    // A game in a fresh copy of the game folder, started as the program starts it; its opening movie
    // is running.
    void StartGame();
    // The window closed as a player closes it (unless the game has quit already), the game shut down
    // and its folder removed.
    void EndGame();
    // Changes the copy of the game folder before the game starts (bad data for a test).
    virtual void PrepareFolder() {}

    // Pumps the window messages and runs one frame; false once the game has quit.
    bool Step();
    void Steps(int n);
    void MoveTo(Point p);
    // A left click at a point (or where the cursor is): pressed in one frame, released in the next.
    void Click();
    void ClickAt(Point p);
    void RightClick();
    // One wheel notch: +1 up, -1 down.
    void Wheel(int notches);
    void Key(BYTE dik);

    Frame Read() const;
    static DWORD At(const Frame& f, int x, int y) { return f[y * 800 + x]; }
    // Runs frames until the picture stops changing for a few frames, at most n.
    Frame Settle(int n = 300);
    // Runs frames until the condition holds; fails when the given game time (10 s unless a longer
    // stretch of play is waited for) passes without it: the game is stuck on this route.
    bool RunUntil(const std::function<bool()>& condition, const char* what, DWORD seconds = 10);

    // The title screen is up: its window over the title's novel scene.
    bool AtTitle();
    // The opening movie, faded out by a click, and the title screen up and still.
    void PassOpening();
    // From the title: a new game, up to the first message shown whole.
    void StartNewGame();
    // The scenario the novel system runs ("scenario\ch1.bin"...).
    static std::string Scenario();

    // Checks a settled frame against the reference of that name in tests/demo/references: its hash
    // (<name>.hash) must match. A reference missing from the tree is made from this frame, with a
    // picture (<name>.png) to look at, and reported.
    void ExpectReference(const std::string& name, const Frame& frame);

    // The log as the game has written it so far.
    std::string Log() const;

    std::filesystem::path previous_, folder_;
    std::unique_ptr<CMainApp> app_;
    HWND hwnd_ = nullptr;
    bool quit_ = false;  // The game's message loop has ended.
};

}  // namespace demo
