// CMainApp: the game's start-up, frame and shutdown, and WinMain's preparation of the process.
#include "novel/app/MainApp.h"

#include <clocale>
#include <cstring>

#include "engine/audio/USXAudio2.h"
#include "engine/device/AppDeviceInfo.h"
#include "engine/device/D3DDevice.h"
#include "engine/files/USFileArchiveSystem.h"
#include "engine/files/USPath.h"
#include "engine/input/AppCommonInfo.h"
#include "engine/input/VirtualInputDevice.h"
#include "engine/movie/USDirectShow.h"
#include "engine/audio/USXAudio2.h"
#include "engine/render/ResolutionAdjuster.h"
#include "engine/render/RenderSystem.h"
#include "engine/resources/Buffers.h"
#include "engine/resources/Surface.h"
#include "engine/resources/ZBuffer.h"
#include "engine/util/USLogManager.h"
#include "novel/app/SharedResources.h"
#include "novel/script/SystemInfo.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/SaveDataManager.h"
#include "novel/state/SnapImage.h"
#include "puppet/DXPuppetModel.h"
#include "puppet/Puppet.h"
#include "settings_tool/AppSetting.h"

const char* const CMainApp::kTitle = "Marlowe";
const char* const CMainApp::kMutexName = "Append_Halcyon_000";
const char* const CMainApp::kDataArchive = "data.arc";

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
    // The set-up script and "cfg.cfg" fill the configuration from nothing, also in a second game.
    CConfigDataManager::GetInstance()->Reset();
    uint32_t width, height;
    GetAppSetting().GetWindowSize(width, height);
    g_gameScreen.Set(width, height);
    GetAppSetting().GetFullScreenSize(width, height);
    g_fullScreen.Set(width, height);

    SetWindow(std::make_unique<CUSWindow>());
    CUSWindow* window = GetWindow();
    window->Create(GetInstance(), GetTitle().c_str(), g_gameScreen.width, g_gameScreen.height);
    if (!window->GetHandle()) {
        FailStartUp("ゲームのウィンドウを開けません。表示先のディスプレイ（DISPLAY）がないか、開けません。");
        return false;
    }

    // The novel set-up makes the first fonts; finding them gets ready meanwhile (the display is started,
    // and with it the last change of the locale).
    win32::StartFontLookup();
    timeBeginPeriod(1);
    SetActive(1);
    ClearDisplayModeRequest();
    window->AddReceiver(&keyReceiver_);

    if (!InitDirectX()) {
        Quit();
        return false;
    }
    RegisterIndexBufferCallbacks();
    RegisterVertexBufferCallbacks();
    RegisterZBufferCallbacks();
    AddDeviceReleaseCallback(ReleaseAllVertexShaders);
    AddDeviceReleaseCallback(ReleaseAllPixelShaders);
    RegisterMeshCallbacks();
    RegisterSurfaceCallbacks();
    Puppet::init();
    AddDeviceLostCallback(ReleasePuppetDeviceObjects);
    AddDeviceReleaseCallback(ShutdownPuppet);

    // Input starts as nothing held, the display as windowed, also in a second game of the process.
    CAppCommonInfo* common = CUSSingleton<CAppCommonInfo>::GetInstance();
    common->Reset();
    CUSSingleton<CVirtualInputDevice>::GetInstance()->Reset();
    common->GetMouse().Init(window->GetHandle());
    common->GetRand().Seed(timeGetTime());
    USFileArchiveSystem::GetInstance()->Init("qT7mRw2Z", false, true);
    if (!USFileArchiveSystem::GetInstance()->IsMounted(kDataArchive)) {
        std::string text = std::string("データファイル「") + kDataArchive +
                           (GetFileAttributesA(kDataArchive) == INVALID_FILE_ATTRIBUTES ? "」が見つかりません。"
                                                                                         : "」が壊れています。");
        FailStartUp(text.c_str());
        return false;
    }
    // Without its set-up scripts the game cannot set up its text, saves or settings.
    for (const char* script : {"AS\\InitSystem.as", "AS\\InitNovel.as"}) {
        if (!ArchiveFileExists(script)) {
            FailStartUp((std::string("設定スクリプト「") + script + "」が見つかりません。").c_str());
            return false;
        }
    }

    LoadSharedResources(g_gameScreen.widthF, g_gameScreen.heightF);

    const char* const setup = "AS\\InitSystem.as";
    US_LOG("Start-up: system set-up script %s %s\n", setup,
           CSystemInfo::GetInstance()->Execute(setup) ? "done" : "not run");
    CSnapImage::GetInstance()->Register("SnapImage", 0);
    CConfigDataManager::LoadConfigFile();
    US_LOG("Start-up: configuration read\n");
    sceneManager_.Init();
    US_LOG("Start-up: scene manager started\n");
    CSaveDataManager::GetInstance()->SetViewTop(0);

    USResolutionAdjuster* adjuster = USResolutionAdjuster::GetInstance();
    GetMeshManager().Release(adjuster->Quad());
    CreateQuadMesh(&adjuster->Quad(), D3DFVF_XYZ | D3DFVF_TEX1);
    adjuster->Setup();
    return true;
}

bool CMainApp::InitDirectX() {
    if (CheckD3DXRuntime() != 0) {
        MessageBoxA(GetWindow()->GetHandle(),
                    US_SYSTEM_TEXT("必要なDirectXランタイムが見つかりません。\n製品のディスクからランチャーを立ち上げ、"
                                   "DirectXをインストールしてください。"),
                    US_SYSTEM_TEXT("DirectXランタイムエラー"), MB_OK);
        return false;
    }
    if (InitDirect3D() < 0) return false;
    D3DDISPLAYMODE desktop;
    if (GetDirect3D()->GetAdapterDisplayMode(0, &desktop) < 0) return false;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    for (D3DFORMAT candidate : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5}) {
        if (GetDirect3D()->CheckDeviceType(0, D3DDEVTYPE_HAL, desktop.Format, candidate, TRUE) >= 0) {
            format = candidate;
            break;
        }
    }
    if (format == D3DFMT_UNKNOWN) return false;
    if (!CUSSingleton<CUSAppDeviceInfo>::GetInstance()->Setup(format, false)) return false;
    if (CreateD3DDevice(GetWindow()->GetHandle(), g_gameScreen.width, g_gameScreen.height, g_fullScreen.width,
                        g_fullScreen.height, format, format) < 0)
        return false;
    if (!InitDirectInput(GetInstance(), GetWindow()->GetHandle())) return false;
    if (InitXAudio2() < 0) return false;
    if (GetAppSetting().IsPlayMovie() && !InitDirectShow()) return false;
    D3DPERF_SetOptions(1);
    BeginFrame();
    EndFrame();
    return true;
}

void CMainApp::Frame() {
    CUSSingleton<CAppCommonInfo>::GetInstance()->Update();
    CUSSingleton<CVirtualInputDevice>::GetInstance()->Update();
    // Alt+Return switches between the window and full screen; the scenes do not see that Return.
    if (CUSSingleton<CVirtualInputDevice>::GetInstance()->CheckAltEnter())
        CUSSingleton<CAppCommonInfo>::GetInstance()->ToggleFullScreen();
    RenderSystem::CRenderingManager* rendering = RenderSystem::CRenderingManager::GetInstance();
    rendering->UpdateProcesses();
    sceneManager_.Update();
    bool draw = !frameTimer_.IsLagging() || CUSSingleton<CAppCommonInfo>::GetInstance()->GetForceDraw();
    if (draw && BeginFrame() >= 0) {
        bool fullScreen = !IsDeviceWindowed();
        USResolutionAdjuster* adjuster = USResolutionAdjuster::GetInstance();
        if (fullScreen) adjuster->BeginRender();
        rendering->RenderProcesses();
        if (fullScreen) adjuster->EndRender();
        EndFrame();
    }
    frameTimer_.Wait();
}

void CMainApp::FailStartUp(const char* utf8Text) {
    startUpFailed_ = true;
    const std::string text = win32::Utf8ToCp932(utf8Text);
    US_LOG("Start-up failed: %s\n", text.c_str());
    HWND window = GetWindow() ? GetWindow()->GetHandle() : nullptr;
    MessageBoxA(window, text.c_str(), US_SYSTEM_TEXT("エラー"), MB_ICONHAND);
    if (window)
        Quit();
    else
        PostQuitMessage(1);
}

int CMainApp::Terminate() {
    CConfigDataManager::SaveConfigFile();
    RenderSystem::CRenderingManager::GetInstance()->Shutdown();
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
    return app.StartUpFailed() ? 1 : 0;
}
