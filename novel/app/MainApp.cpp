// CMainApp: the game's start-up, frame and shutdown, and WinMain's preparation of the process.
#include "novel/app/MainApp.h"

#include <clocale>

#include "engine/files/USFileArchiveSystem.h"
#include "engine/files/USPath.h"
#include "engine/input/AppCommonInfo.h"
#include "engine/input/VirtualInputDevice.h"
#include "engine/audio/USXAudio2.h"
#include "engine/util/USLogManager.h"
#include "novel/script/SystemInfo.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/SaveDataManager.h"
#include "novel/state/SnapImage.h"
#include "settings_tool/AppSetting.h"

const char* const CMainApp::kTitle = "Marlowe";
const char* const CMainApp::kMutexName = "Append_Halcyon_000";

ScreenSize g_gameScreen;
ScreenSize g_fullScreen;

void ScreenSize::Set(unsigned w, unsigned h) {
    width = w;
    height = h;
    widthF = static_cast<float>(w);
    heightF = static_cast<float>(h);
    aspect = widthF / heightF;
}

CMainApp::CMainApp() = default;
CMainApp::~CMainApp() = default;

bool CMainApp::Initialize() {
    CUSSingleton<CUSLogManager>::GetInstance()->Open("log.txt");
    uint32_t width, height;
    GetAppSetting().GetWindowSize(width, height);
    g_gameScreen.Set(width, height);
    GetAppSetting().GetFullScreenSize(width, height);
    g_fullScreen.Set(width, height);

    auto* window = new CUSWindow;
    SetWindow(window);
    window->Create(GetInstance(), kTitle, g_gameScreen.width, g_gameScreen.height);

    timeBeginPeriod(1);
    SetActive(1);
    ClearDisplayModeRequest();
    window->AddReceiver(&keyReceiver_);

    if (!InitDirectX()) {
        Quit();
        return false;
    }
    CAppCommonInfo* common = CUSSingleton<CAppCommonInfo>::GetInstance();
    common->GetMouse().Init(window->GetHandle());
    common->GetRand().Seed(timeGetTime());
    USFileArchiveSystem::GetInstance()->Init("qT7mRw2Z", false, true);

    const char* const setup = "AS\\InitSystem.as";
    US_LOG("Start-up: system set-up script %s %s\n", setup,
           CSystemInfo::GetInstance()->Execute(setup) ? "done" : "not run");
    CSnapImage::GetInstance()->Register("SnapImage", 0);
    CConfigDataManager::LoadConfigFile();
    US_LOG("Start-up: configuration read\n");
    sceneManager_.Init();
    US_LOG("Start-up: scene manager started\n");
    CSaveDataManager::GetInstance()->SetViewTop(0);
    return true;
}

bool CMainApp::InitDirectX() {
    if (!InitDirectInput(GetInstance(), GetWindow()->GetHandle())) return false;
    if (FAILED(InitXAudio2())) return false;
    return true;
}

void CMainApp::Frame() {
    CUSSingleton<CAppCommonInfo>::GetInstance()->Update();
    CUSSingleton<CVirtualInputDevice>::GetInstance()->Update();
    sceneManager_.Update();
    frameTimer_.Wait();
}

int CMainApp::Terminate() {
    CConfigDataManager::SaveConfigFile();
    return CUSDirectXApp::Terminate();
}

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    // The engine scans Shift-JIS itself; the locale only matters to C library calls, which it avoids.
    std::setlocale(LC_CTYPE, "japanese");
    SetCurrentDirectoryToModule();
    GetAppSetting().Load();

    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("save", &data);
    bool haveFolder = find != INVALID_HANDLE_VALUE && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    if (!haveFolder && !CreateDirectoryA("save", nullptr)) {
        MessageBoxA(nullptr, win32::Utf8ToCp932("セーブフォルダの生成に失敗しました。").c_str(),
                    win32::Utf8ToCp932("エラー").c_str(), MB_ICONEXCLAMATION);
        return 0;
    }

    CMainApp app;
    app.SetCreateInfo(instance, commandLine, showCommand, CMainApp::kTitle, CMainApp::kMutexName);
    app.Run();
    return 0;
}
