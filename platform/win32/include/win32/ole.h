// ole32 stand-in: IUnknown, CoInitialize/CoUninitialize and CoCreateInstance over a table of classes
// that the other stand-ins (DirectInput, XAudio2, DirectShow) register.
#pragma once
#include "win32/types.h"

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_ALL 0x17
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110)

#define STDMETHOD(name) virtual HRESULT STDMETHODCALLTYPE name
#define STDMETHOD_(type, name) virtual type STDMETHODCALLTYPE name
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE
#define PURE = 0

extern const IID IID_IUnknown;

class IUnknown {
public:
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

// S_OK on the first call of a thread, S_FALSE on later ones.
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object);

namespace win32 {
// A class factory: creates the object and answers the asked interface (QueryInterface semantics).
using ComFactory = HRESULT (*)(REFIID iid, void** object);
// Makes CoCreateInstance of clsid use factory. Registering the same class again replaces it.
void RegisterComClass(const CLSID& clsid, ComFactory factory);
}  // namespace win32
