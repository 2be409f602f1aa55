// The movie service's start and stop: COM for DirectShow, counted in the application's COM manager,
// and the shutdown callback that deletes every movie player.
#pragma once
#include <cstdint>

class CUSDirectShow {
public:
    virtual ~CUSDirectShow() = default;
    // CoInitialize through the COM manager; logs the outcome. True when DirectShow is usable.
    virtual bool Initialize();
    bool IsInitialized() const { return initialized_ != 0; }

private:
    std::uint32_t initialized_ = 0;
};

// Starts DirectShow (once, when the PlayMovie setting is on) and registers ReleaseDirectShow with
// the shutdown callbacks. Without it no movie opens.
bool InitDirectShow();
// Deletes every movie player and shuts COM down for DirectShow.
void ReleaseDirectShow();
