// Our stand-in for the Direct3D 9 interfaces: a software device that draws in memory and presents
// through an SDL2 window. Only the calls the game makes are declared.
#pragma once
#include "d3d9types.h"
#include "d3d9caps.h"

#define D3D_SDK_VERSION 32

struct IDirect3D9;
struct IDirect3DDevice9;

struct IDirect3DResource9 : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
    virtual D3DRESOURCETYPE GetType() = 0;
};

struct IDirect3DSurface9 : IDirect3DResource9 {
    virtual HRESULT GetDesc(D3DSURFACE_DESC* desc) = 0;
    virtual HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
    virtual HRESULT UnlockRect() = 0;
};

struct IDirect3DBaseTexture9 : IDirect3DResource9 {
    virtual DWORD GetLevelCount() = 0;
};

struct IDirect3DTexture9 : IDirect3DBaseTexture9 {
    virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
    virtual HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) = 0;
    virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
    virtual HRESULT UnlockRect(UINT level) = 0;
};

struct IDirect3DVertexBuffer9 : IDirect3DResource9 {
    virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) = 0;
};

struct IDirect3DIndexBuffer9 : IDirect3DResource9 {
    virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) = 0;
};

struct IDirect3DVertexDeclaration9 : IUnknown {
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) = 0;
};

struct IDirect3DVertexShader9 : IUnknown {};
struct IDirect3DPixelShader9 : IUnknown {};

struct IDirect3DDevice9 : IUnknown {
    virtual HRESULT TestCooperativeLevel() = 0;
    virtual HRESULT GetDirect3D(IDirect3D9** d3d) = 0;
    virtual HRESULT GetDeviceCaps(D3DCAPS9* caps) = 0;
    virtual HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) = 0;
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS* params) = 0;
    virtual HRESULT Present(const RECT* source, const RECT* dest, HWND window, const RGNDATA* dirty) = 0;
    virtual HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** surface) = 0;

    virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DTexture9** texture, HANDLE* shared) = 0;
    virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9** buffer, HANDLE* shared) = 0;
    virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer9** buffer, HANDLE* shared) = 0;
    virtual HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                              DWORD quality, BOOL discard, IDirect3DSurface9** surface,
                                              HANDLE* shared) = 0;
    virtual HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DSurface9** surface, HANDLE* shared) = 0;
    virtual HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destination) = 0;
    virtual HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) = 0;
    virtual HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface) = 0;
    virtual HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface) = 0;
    virtual HRESULT GetDepthStencilSurface(IDirect3DSurface9** surface) = 0;

    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) = 0;
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
    virtual HRESULT SetViewport(const D3DVIEWPORT9* viewport) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT9* viewport) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
    virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) = 0;
    virtual HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
    virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) = 0;
    virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
    virtual HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) = 0;

    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT numVertices,
                                         UINT startIndex, UINT primitiveCount) = 0;
    virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT primitiveCount,
                                           const void* indices, D3DFORMAT indexFormat, const void* vertices,
                                           UINT stride) = 0;
    virtual HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                            IDirect3DVertexDeclaration9** declaration) = 0;
    virtual HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) = 0;
    virtual HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration) = 0;
    virtual HRESULT SetFVF(DWORD fvf) = 0;
    virtual HRESULT GetFVF(DWORD* fvf) = 0;
    virtual HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) = 0;
    virtual HRESULT SetVertexShader(IDirect3DVertexShader9* shader) = 0;
    virtual HRESULT GetVertexShader(IDirect3DVertexShader9** shader) = 0;
    virtual HRESULT SetVertexShaderConstantF(UINT start, const float* data, UINT count) = 0;
    virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) = 0;
    virtual HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) = 0;
    virtual HRESULT CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) = 0;
    virtual HRESULT SetPixelShader(IDirect3DPixelShader9* shader) = 0;
    virtual HRESULT GetPixelShader(IDirect3DPixelShader9** shader) = 0;
    virtual HRESULT SetPixelShaderConstantF(UINT start, const float* data, UINT count) = 0;
};

struct IDirect3D9 : IUnknown {
    virtual UINT GetAdapterCount() = 0;
    virtual HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) = 0;
    virtual UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) = 0;
    virtual HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index, D3DDISPLAYMODE* mode) = 0;
    virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) = 0;
    virtual HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                                    BOOL windowed) = 0;
    virtual HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                      D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) = 0;
    virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) = 0;
    virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                                 D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) = 0;
};

using LPDIRECT3D9 = IDirect3D9*;
using LPDIRECT3DDEVICE9 = IDirect3DDevice9*;
using LPDIRECT3DTEXTURE9 = IDirect3DTexture9*;
using LPDIRECT3DBASETEXTURE9 = IDirect3DBaseTexture9*;
using LPDIRECT3DSURFACE9 = IDirect3DSurface9*;
using LPDIRECT3DVERTEXBUFFER9 = IDirect3DVertexBuffer9*;
using LPDIRECT3DINDEXBUFFER9 = IDirect3DIndexBuffer9*;
using LPDIRECT3DVERTEXDECLARATION9 = IDirect3DVertexDeclaration9*;
using LPDIRECT3DVERTEXSHADER9 = IDirect3DVertexShader9*;
using LPDIRECT3DPIXELSHADER9 = IDirect3DPixelShader9*;

// Creates the Direct3D object; null when the version is not ours.
IDirect3D9* Direct3DCreate9(UINT sdkVersion);
// Profiler attachment control: nothing attaches here, so it only answers.
int D3DPERF_SetOptions(DWORD options);
