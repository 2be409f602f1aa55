// Gives the Direct3D 9 stand-in a list of display sizes and fills the process-wide mode list from it.
#include "settings_tool/support/DisplayModes.h"

#include "d3d9/testhooks.h"
#include "settings_tool/ResolutionList.h"

void EnumerateSizes(const Sizes& sizes) {
    std::vector<D3DDISPLAYMODE> modes;
    for (auto [w, h] : sizes) modes.push_back({w, h, 60, D3DFMT_X8R8G8B8});
    d3d9test::SetDisplayModes(&modes);
    GetResolutionList().Clear();
    GetResolutionList().Enumerate();
    d3d9test::SetDisplayModes(nullptr);
}
