// Ordered lists of argument-less callbacks; only the shutdown list is filled: each device service
// adds its release function as it starts, and WM_DESTROY runs them in that order and empties the list.
#pragma once
#include <vector>

#include "engine/util/USSingleton.h"

class CUSCallbackManager : public USLib::singleton<CUSCallbackManager> {
public:
    using Callback = void (*)();

    ~CUSCallbackManager() override { Clear(); }
    virtual void Clear();
    virtual void RunList1();
    virtual void RunList2();
    virtual void RunShutdownCallbacks();
    virtual void Add(Callback callback);

    // The one process-wide manager, built before the program's entry.
    static CUSCallbackManager& Global();

private:
    std::vector<Callback> lists_[3];
};
