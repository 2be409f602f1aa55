// Test hooks of the Direct3D 9 stand-in: a given list of display modes, a forced device loss, the last
// presented frame, what of it was drawn again and what was sent, the worker-thread count, scalar
// arithmetic instead of vector lanes and an adapter that refuses 32-bit formats.
#pragma once
#include <d3d9.h>
#include <vector>

namespace d3d9test {
// Replaces the display modes that SDL2 reports (all formats share them; the first mode is the desktop
// mode). Null restores SDL2's list.
void SetDisplayModes(const std::vector<D3DDISPLAYMODE>* modes);
// Makes the device lost as a full-screen focus loss would: Present reports D3DERR_DEVICELOST and
// TestCooperativeLevel reports LOST until RestoreFocus, then NOTRESET until a successful Reset.
void ForceDeviceLost(IDirect3DDevice9* device);
void RestoreFocus(IDirect3DDevice9* device);
// The last presented frame as X8R8G8B8 words, row after row. False before the first Present.
bool ReadPresentedFrame(IDirect3DDevice9* device, std::vector<DWORD>& pixels, UINT& width, UINT& height);
// The rectangles of the frame that the last Present sent to the window (none when nothing changed).
std::vector<RECT> SentRects(IDirect3DDevice9* device);
// The rectangles of the back buffer that the last frame drawn was drawn again in, apart from each other,
// when it was drawn only where it differed from the frame before; false when it was drawn whole.
bool RedrawnRects(IDirect3DDevice9* device, std::vector<RECT>& rects);
// Number of threads that rasterise (1 = the calling thread only; 0 = the processor's cores, at most
// four, as without the hook). Applies to devices created afterwards.
void SetWorkerThreads(unsigned count);
// Whether the rasteriser works in AVX2 lanes where the processor has them (the default), or in its
// scalar arithmetic alone, which the lanes must match to the last byte. Applies to draws run afterwards.
void SetVectorLanes(bool use);
// An adapter that accepts only 16-bit colour formats (for the fallback paths), or the usual one.
void SetRefuse32BitFormats(bool refuse);
}  // namespace d3d9test
