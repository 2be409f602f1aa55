// The application skeleton end to end under the dummy video driver: the shutdown path from WM_CLOSE
// to WM_QUIT (and a second application after it), single instance, idle rules and the window table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/USApp.h"
#include "engine/util/USCallbackManager.h"

namespace {

std::vector<std::string> g_events;

class RecordingApp : public CUSApp {
public:
    explicit RecordingApp(int quitAfter) : quitAfter_(quitAfter) {}
    bool Initialize() override {
        g_events.push_back("initialize");
        SetWindow(std::make_unique<CUSWindow>());
        CUSWindow* window = GetWindow();
        window->Create(nullptr, "AppTestWindow", 800, 600);
        return CUSApp::Initialize();
    }
    int Terminate() override {
        g_events.push_back("terminate");
        // The window is gone; its class goes too, so that the next app of this process can register it.
        UnregisterClassA("AppTestWindow", nullptr);
        return CUSApp::Terminate();
    }
    void Frame() override {
        ++frames;
        if (frames == quitAfter_) Quit();
    }
    LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l) override {
        if (msg == WM_CLOSE) g_events.push_back("WM_CLOSE");
        if (msg == WM_DESTROY) g_events.push_back("WM_DESTROY");
        return CUSApp::OnMessage(hwnd, msg, w, l);
    }
    int frames = 0;

private:
    int quitAfter_;
};

TEST(AppTest, CloseRunsShutdownCallbacksThenQuitsAndTerminates) {
    g_events.clear();
    CUSCallbackManager::Global().Add([] { g_events.push_back("shutdown callback"); });
    RecordingApp app(3);
    app.SetCreateInfo(nullptr, "", 0, "AppTestWindow", "MarloweAppTest_close");
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(app.frames, 3);
    EXPECT_EQ((std::vector<std::string>{"initialize", "WM_CLOSE", "WM_DESTROY", "shutdown callback", "terminate"}),
              g_events);
    // WM_NCDESTROY cleared the handle; the window no longer resolves through the table.
    EXPECT_EQ(app.GetWindow()->GetHandle(), nullptr);

    // A second application in the process makes its window of the same class, and runs only the
    // callbacks added since: the first one's services were released once.
    {
        CUSWindow window;
        window.Create(nullptr, "AppTestWindow", 800, 600);
        ASSERT_NE(window.GetHandle(), nullptr);
        DestroyWindow(window.GetHandle());
    }
    g_events.clear();
    RecordingApp second(1);
    second.SetCreateInfo(nullptr, "", 0, "AppTestWindow", "MarloweAppTest_close");
    EXPECT_EQ(second.Run(), 0);
    EXPECT_EQ((std::vector<std::string>{"initialize", "WM_CLOSE", "WM_DESTROY", "terminate"}), g_events);
}

TEST(AppTest, SecondInstanceReturnsAtOnce) {
    HANDLE first = CreateMutexA(nullptr, TRUE, "MarloweAppTest_single");
    ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    g_events.clear();
    RecordingApp app(1);
    app.SetCreateInfo(nullptr, "", 0, "AppTestWindow2", "MarloweAppTest_single");
    EXPECT_EQ(app.Run(), 0);
    EXPECT_TRUE(g_events.empty());  // No Initialize, no Terminate, no window.
    EXPECT_EQ(app.GetWindow(), nullptr);
    CloseHandle(first);
}

TEST(AppTest, WindowTableReusesFreedIndicesLastInFirstOut) {
    CUSNonDeleteIndexVector<int> table;
    int a = 1, b = 2, c = 3, d = 4;
    EXPECT_EQ(table.Add(&a), 0);
    EXPECT_EQ(table.Add(&b), 1);
    EXPECT_EQ(table.Add(&c), 2);
    table.Remove(0);
    table.Remove(2);
    EXPECT_EQ(table.Get(2), nullptr);
    EXPECT_EQ(table.Count(), 1u);
    EXPECT_EQ(table.Add(&d), 2);
    EXPECT_EQ(table.Add(&d), 0);
    EXPECT_EQ(table.Add(&d), 3);
}

}  // namespace
