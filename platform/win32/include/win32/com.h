// The COM base every interface of our platform layer derives from: reference counting and the
// interface query, nothing more.
#pragma once
#include "win32/types.h"

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;
