// The device and its state machine: start-up report, device creation, lost-device recovery in
// BeginFrame, display-mode changes, release, and the state-table helpers.
#include "engine/device/D3DDevice.h"

#include <d3dx9.h>

#include <mutex>
#include <vector>

#include "engine/resources/Texture.h"
#include "engine/util/USCallbackManager.h"
#include "engine/util/USLogManager.h"


namespace {

struct DeviceState {
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    DWORD state = kDeviceReady;
    DWORD windowed = 1;
    DWORD clearFlags = 0;
    HWND window = nullptr;
    RECT savedRect{};
    LONG savedStyle = 0;
    D3DCAPS9 caps{};
    CUSDXPPManager params;
    CAdapterInfo adapter;
    std::vector<DeviceEventCallback> lost, reset, release;
    std::mutex displayChange;
};

DeviceState& S() {
    static DeviceState state;
    return state;
}

void RunList(const std::vector<DeviceEventCallback>& list) {
    for (size_t i = 0; i < list.size(); ++i) list[i]();
}

const char* EnableText(bool on) { return on ? "Enable" : "Disenable"; }

}  // namespace

IDirect3D9* GetDirect3D() { return S().d3d; }
IDirect3DDevice9* GetD3DDevice() { return S().device; }
CAdapterInfo& GetAdapterInfo() { return S().adapter; }
CUSDXPPManager& GetPresentParameters() { return S().params; }
const D3DCAPS9& GetDeviceCaps() { return S().caps; }
D3DPRESENT_PARAMETERS& GetCurrentPresentParameters() { return S().params.GetParameters(S().windowed != 0); }
DWORD GetDeviceState() { return S().state; }
void SetDeviceState(DWORD state) { S().state = state; }
bool IsDeviceWindowed() { return S().windowed != 0; }

DWORD CheckD3DXRuntime() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    D3DXMatrixInverse(&m, nullptr, &m);
    return 0;
}

HRESULT InitDirect3D() {
    DeviceState& s = S();
    US_LOG("Initialize DirectXGraphics...\n\n");
    s.d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!s.d3d) {
        US_LOG("Direct3D9インターフェースの取得に失敗しました。\n");
        return E_FAIL;
    }
    D3DADAPTER_IDENTIFIER9 id{};
    s.d3d->GetAdapterIdentifier(0, 0, &id);
    US_LOG("AdapterInfo\n");
    US_LOG("\tName = [ %s ]\n", id.Description);
    US_LOG("\tDevice = [ %s ]\n", id.DeviceName);
    US_LOG("\tDriver = [ %s ]\n", id.Driver);
    DWORD high = static_cast<DWORD>(id.DriverVersion.HighPart), low = id.DriverVersion.LowPart;
    US_LOG("\tProduct = [ %u ]\n", high >> 16);
    US_LOG("\tVersion = [ %u.%u.%u ]\n", high & 0xFFFF, low >> 16, low & 0xFFFF);
    US_LOG("\tWHQL Level = [ ");
    if (id.WHQLLevel == 0)
        US_LOG("認証されていない");
    else if (id.WHQLLevel == 1)
        US_LOG("WHQL認証は受けているが、利用できる日付情報はない");
    else
        US_LOG("%u.%u.%u", id.WHQLLevel >> 16, (id.WHQLLevel >> 8) & 0xFF, id.WHQLLevel & 0xFF);
    US_LOG(" ]\n\n");

    US_LOG("DisplayMode...\n");
    D3DDISPLAYMODE mode;
    if (s.d3d->GetAdapterDisplayMode(0, &mode) >= 0) {
        US_LOG("\tWidth = [ %u ]\n", mode.Width);
        US_LOG("\tHeight = [ %u ]\n", mode.Height);
        US_LOG("\tRefreshRate = [ %u ]\n", mode.RefreshRate);
        US_LOG("\tFormat = [ %s ]\n", GetD3DFormatName(mode.Format));
    }

    US_LOG("\nCheck Hardware Ability...\n");
    s.d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &s.caps);
    US_LOG("\tPureDevice [ %s ]\n", EnableText(s.caps.DevCaps & D3DDEVCAPS_PUREDEVICE));
    US_LOG("\tHardwareTnL [ %s ]\n", EnableText(s.caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT));
    US_LOG("\tHardwareRasterization [ %s ]\n", EnableText(s.caps.DevCaps & D3DDEVCAPS_HWRASTERIZATION));
    US_LOG("\tVertex Shader Ver. [ %u.%u ]\n", (s.caps.VertexShaderVersion >> 8) & 0xFF,
           s.caps.VertexShaderVersion & 0xFF);
    US_LOG("\tPixel Shader Ver. [ %u.%u ]\n\n", (s.caps.PixelShaderVersion >> 8) & 0xFF,
           s.caps.PixelShaderVersion & 0xFF);

    s.adapter.Enumerate(s.d3d);
    CUSCallbackManager::Global().Add(ReleaseDirect3D);
    return 0;
}

HRESULT CreateD3DDevice(HWND window, UINT width, UINT height, UINT fullWidth, UINT fullHeight, D3DFORMAT windowedFormat,
                        D3DFORMAT fullFormat) {
    DeviceState& s = S();
    if (!s.d3d) return E_FAIL;
    GetWindowRect(window, &s.savedRect);
    s.window = window;
    s.params.SetBackBufferFormats(windowedFormat, fullFormat);
    s.params.SetDeviceWindow(window);
    s.params.SetFlags(0);
    s.params.Setup(width, height, fullWidth, fullHeight, 1, 1);
    s.params.SetAutoDepthStencil(D3DFMT_D16);
    s.params.SetVSync(false);
    s.windowed = 1;
    s.clearFlags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
    DWORD flags = s.caps.VertexShaderVersion >= D3DVS_VERSION(2, 0)
                      ? D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED
                      : D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED;
    HRESULT hr = s.d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, flags, &s.params.GetParameters(true), &s.device);
    if (hr < 0) hr = s.d3d->CreateDevice(0, D3DDEVTYPE_REF, window, flags, &s.params.GetParameters(true), &s.device);
    if (hr < 0) {
        US_LOG("Failed Initialization of DirectXGraphics!\n\n");
        return hr;
    }
    RegisterTextureCallbacks();
    US_LOG("Success Initialization of DirectXGraphics\n\n");
    s.state = kDeviceReady;
    return 0;
}

void ReleaseDirect3D() {
    DeviceState& s = S();
    RunList(s.release);
    s.lost.clear();
    s.reset.clear();
    s.release.clear();
    if (s.device) {
        s.device->Release();
        s.device = nullptr;
    }
    US_LOG("Release DirectXGraphics Device\n");
    if (s.d3d) {
        s.d3d->Release();
        s.d3d = nullptr;
    }
    US_LOG("Release DirectXGraphics objects\n\n");
}

HRESULT BeginFrame() {
    DeviceState& s = S();
    if (!s.device) return E_FAIL;
    if (s.state == kDeviceLost) {
        OnDeviceLost();
        s.state = kDeviceWaitingForReset;
    }
    if (s.state == kDeviceLost || s.state == kDeviceWaitingForReset) {
        HRESULT hr = s.device->TestCooperativeLevel();
        if (hr == D3DERR_DEVICELOST) return hr;
        hr = s.device->Reset(&GetCurrentPresentParameters());
        if (hr == 0) OnDeviceReset();
        // Objects of the default pool made while the device was lost (a scene that started then)
        // keep Reset failing: they are let go as at the loss, and the next frame tries again.
        if (hr == D3DERR_INVALIDCALL) OnDeviceLost();
        if (hr < 0) return hr;
        s.state = kDeviceReady;
    }
    HRESULT hr = s.device->Clear(0, nullptr, s.clearFlags, 0xFF000000, 1.0f, 0);
    if (hr < 0) return hr;
    return s.device->BeginScene();
}

HRESULT EndFrame() {
    DeviceState& s = S();
    if (!s.device) return 0;
    s.device->EndScene();
    if (s.device->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST) s.state = kDeviceLost;
    return 0;
}

HRESULT ChangeDisplayMode(UINT width, UINT height, bool windowed) {
    DeviceState& s = S();
    std::lock_guard<std::mutex> lock(s.displayChange);
    if (!s.device) return E_FAIL;
    D3DPRESENT_PARAMETERS& target = s.params.GetParameters(windowed);
    bool sizeChanged = false;
    LONG w = s.savedRect.right - s.savedRect.left;
    LONG h = s.savedRect.bottom - s.savedRect.top;
    if (width != 0xFFFFFFFF) {
        target.BackBufferWidth = width;
        w = static_cast<LONG>(width);
        sizeChanged = true;
    }
    if (height != 0xFFFFFFFF) {
        target.BackBufferHeight = height;
        h = static_cast<LONG>(height);
        sizeChanged = true;
    }
    OnDeviceLost();
    if (s.windowed) {
        GetWindowRect(s.window, &s.savedRect);
        s.savedStyle = GetWindowLongA(s.window, GWL_STYLE);
    }
    HRESULT hr = s.device->TestCooperativeLevel();
    if (hr < 0) {
        US_LOG("Failed TestCooperativeLevel \n");
        return hr;
    }
    hr = s.device->Reset(&target);
    if (hr < 0) {
        US_LOG("Failed Reset Device! (%d,%d)\n", w, h);
        return hr;
    }
    if (windowed) {
        SetWindowLongA(s.window, GWL_STYLE, s.savedStyle);
        if (sizeChanged) {
            s.savedRect.right = s.savedRect.left + w;
            s.savedRect.bottom = s.savedRect.top + h;
            AdjustWindowRect(&s.savedRect, static_cast<DWORD>(GetWindowLongA(s.window, GWL_STYLE)), TRUE);
            w = s.savedRect.right - s.savedRect.left;
            h = s.savedRect.bottom - s.savedRect.top;
        }
        SetWindowPos(s.window, HWND_NOTOPMOST, s.savedRect.left, s.savedRect.top, w, h, SWP_SHOWWINDOW);
    } else {
        SetWindowLongA(s.window, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE));
    }
    OnDeviceReset();
    s.windowed = windowed ? 1 : 0;
    return 0;
}

void AddDeviceLostCallback(DeviceEventCallback callback) { S().lost.push_back(callback); }
void AddDeviceResetCallback(DeviceEventCallback callback) { S().reset.push_back(callback); }
void AddDeviceReleaseCallback(DeviceEventCallback callback) { S().release.push_back(callback); }
void OnDeviceLost() { RunList(S().lost); }
void OnDeviceReset() { RunList(S().reset); }

void ApplyRenderStates(const StateTableEntry* table) {
    IDirect3DDevice9* device = S().device;
    for (; device && table->state != kStateTableEnd; ++table)
        device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(table->state), table->value);
}

void ApplyTextureStageStates(DWORD stage, const StateTableEntry* table) {
    IDirect3DDevice9* device = S().device;
    for (; device && table->state != kStateTableEnd; ++table)
        device->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(table->state), table->value);
}

void ApplySamplerStates(DWORD sampler, const StateTableEntry* table) {
    IDirect3DDevice9* device = S().device;
    for (; device && table->state != kStateTableEnd; ++table)
        device->SetSamplerState(sampler, static_cast<D3DSAMPLERSTATETYPE>(table->state), table->value);
}
