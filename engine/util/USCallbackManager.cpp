// CUSCallbackManager: the shutdown list run at WM_DESTROY.
#include "engine/util/USCallbackManager.h"

namespace {
CUSCallbackManager g_callbacks;
}

CUSCallbackManager& CUSCallbackManager::Global() { return g_callbacks; }

void CUSCallbackManager::Clear() {
    for (auto& list : lists_) list.clear();
}

void CUSCallbackManager::RunList1() {
    for (Callback cb : lists_[0]) cb();
}

void CUSCallbackManager::RunList2() {
    for (Callback cb : lists_[1]) cb();
}

void CUSCallbackManager::RunShutdownCallbacks() {
    // Index-based: a callback may not add to the list, but copying would hide that mistake.
    for (size_t i = 0; i < lists_[2].size(); ++i) lists_[2][i]();
    // Each service adds its release function again when it starts again (a later game in the process).
    lists_[2].clear();
}

void CUSCallbackManager::Add(Callback callback) { lists_[2].push_back(callback); }
