// The Direct3D object of the software device: adapter 0, its display modes, formats and capabilities.
#pragma once
#include <d3d9.h>

#include <atomic>
#include <vector>

namespace d3d9 {

class Direct3D final : public IDirect3D9 {
public:
    Direct3D();
    virtual ~Direct3D();
    HRESULT QueryInterface(REFIID, void** object) override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;

    UINT GetAdapterCount() override { return 1; }
    HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) override;
    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override;
    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index, D3DDISPLAYMODE* mode) override;
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                            BOOL windowed) override;
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override;
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) override;

    // The display modes of one back-buffer format, in the order the display reports them.
    static std::vector<D3DDISPLAYMODE> Modes(D3DFORMAT format);
    static void FillCaps(D3DCAPS9& caps);
    static bool IsBackBufferFormat(D3DFORMAT format);

private:
    std::atomic<ULONG> refs_{1};
    bool ownsVideo_ = false;
};

}  // namespace d3d9
