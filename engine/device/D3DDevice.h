// The process's one Direct3D device and everything that describes it: the Direct3D object, the two
// present-parameter sets, adapter modes and formats, the device-state machine that survives a lost
// device, the frame bracket, display changes, the three device-event lists and state tables.
#pragma once
#include <d3d9.h>

#include "engine/device/AdapterInfo.h"

using DeviceEventCallback = void (*)();

// Device state values.
enum : DWORD { kDeviceReady = 0, kDeviceLost = 1, kDeviceWaitingForReset = 2 };

// A (state, value) pair of a state table; a table ends with the pair whose state is kStateTableEnd.
struct StateTableEntry {
    DWORD state;
    DWORD value;
};
constexpr DWORD kStateTableEnd = 0x7FFFFFFF;

IDirect3D9* GetDirect3D();
IDirect3DDevice9* GetD3DDevice();
CAdapterInfo& GetAdapterInfo();
CUSDXPPManager& GetPresentParameters();
const D3DCAPS9& GetDeviceCaps();
// The parameter set now in use (windowed set while windowed).
D3DPRESENT_PARAMETERS& GetCurrentPresentParameters();
DWORD GetDeviceState();
void SetDeviceState(DWORD state);
// True while the device runs with the windowed parameters (also before a device exists).
bool IsDeviceWindowed();

// 0 when D3DX works; 2 library missing, 3 entry point missing, 1 another library (our D3DX is linked
// in, so the probe always answers 0).
DWORD CheckD3DXRuntime();
HRESULT InitDirect3D();
HRESULT CreateD3DDevice(HWND window, UINT width, UINT height, UINT fullWidth, UINT fullHeight, D3DFORMAT windowedFormat,
                        D3DFORMAT fullFormat);
void ReleaseDirect3D();
// Negative: draw nothing this frame and skip Present.
HRESULT BeginFrame();
// EndScene and Present; a lost device sets the device state to lost. Always 0.
HRESULT EndFrame();
// 0xFFFFFFFF keeps a dimension. Negative on failure; the caller retries at the next idle.
HRESULT ChangeDisplayMode(UINT width, UINT height, bool windowed);

void AddDeviceLostCallback(DeviceEventCallback callback);
void AddDeviceResetCallback(DeviceEventCallback callback);
void AddDeviceReleaseCallback(DeviceEventCallback callback);
void OnDeviceLost();
void OnDeviceReset();

void ApplyRenderStates(const StateTableEntry* table);
void ApplyTextureStageStates(DWORD stage, const StateTableEntry* table);
void ApplySamplerStates(DWORD sampler, const StateTableEntry* table);
