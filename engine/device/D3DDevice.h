// The process's one Direct3D device and its state: windowed or full screen, the device-state machine
// and the three device-event lists through which resource managers release and rebuild their
// default-pool objects.
#pragma once
#include <windows.h>

#include <vector>

using DeviceEventCallback = void (*)();

// 1 while the device runs with the windowed parameters (also before a device exists), 0 in full screen.
bool IsDeviceWindowed();

// Switches between windowed and full-screen display; 0xFFFFFFFF keeps a dimension. Negative on
// failure (also when there is no device yet); the caller retries at the next idle.
HRESULT ChangeDisplayMode(unsigned width, unsigned height, bool windowed);

// The device-event lists, each run front to back.
void AddDeviceLostCallback(DeviceEventCallback callback);
void AddDeviceResetCallback(DeviceEventCallback callback);
void AddDeviceReleaseCallback(DeviceEventCallback callback);
void OnDeviceLost();
void OnDeviceReset();
void OnDeviceRelease();
