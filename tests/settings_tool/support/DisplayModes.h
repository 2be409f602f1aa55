// Gives the Direct3D 9 stand-in a list of display sizes and fills the process-wide mode list from it.
#pragma once
#include <d3d9.h>

#include <utility>
#include <vector>

using Sizes = std::vector<std::pair<UINT, UINT>>;

// Each size is offered at 60 Hz; the list is emptied first and then enumerated.
void EnumerateSizes(const Sizes& sizes);
