// COM start-up counting and class creation for the stand-ins.
#include <mutex>
#include <vector>

#include "win32/ole.h"

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

thread_local int g_comInits = 0;

struct ComClass {
    CLSID clsid;
    win32::ComFactory factory;
};

std::mutex g_classesLock;
std::vector<ComClass>& Classes() {
    static std::vector<ComClass> classes;
    return classes;
}

}  // namespace

HRESULT CoInitialize(LPVOID) { return g_comInits++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
    if (g_comInits > 0) --g_comInits;
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD, REFIID iid, LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    win32::ComFactory factory = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_classesLock);
        for (const ComClass& c : Classes())
            if (c.clsid == clsid) factory = c.factory;
    }
    return factory ? factory(iid, object) : REGDB_E_CLASSNOTREG;
}

namespace win32 {
void RegisterComClass(const CLSID& clsid, ComFactory factory) {
    std::lock_guard<std::mutex> lock(g_classesLock);
    for (ComClass& c : Classes())
        if (c.clsid == clsid) {
            c.factory = factory;
            return;
        }
    Classes().push_back({clsid, factory});
}
}  // namespace win32
