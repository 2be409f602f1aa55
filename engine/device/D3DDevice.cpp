// Device state and device-event lists. The device itself is created by the Direct3D start-up; until
// then the game is windowed and display changes fail.
#include "engine/device/D3DDevice.h"

#include <mutex>

namespace {

struct DeviceState {
    unsigned windowed = 1;
    std::vector<DeviceEventCallback> lost, reset, release;
    std::mutex displayChange;
};

DeviceState& State() {
    static DeviceState state;
    return state;
}

void RunList(const std::vector<DeviceEventCallback>& list) {
    for (DeviceEventCallback cb : list) cb();
}

}  // namespace

bool IsDeviceWindowed() { return State().windowed != 0; }

HRESULT ChangeDisplayMode(unsigned, unsigned, bool) {
    std::lock_guard<std::mutex> lock(State().displayChange);
    return E_FAIL;  // No device exists to switch.
}

void AddDeviceLostCallback(DeviceEventCallback callback) { State().lost.push_back(callback); }
void AddDeviceResetCallback(DeviceEventCallback callback) { State().reset.push_back(callback); }
void AddDeviceReleaseCallback(DeviceEventCallback callback) { State().release.push_back(callback); }
void OnDeviceLost() { RunList(State().lost); }
void OnDeviceReset() { RunList(State().reset); }
void OnDeviceRelease() { RunList(State().release); }
