// The file layer's two process-wide grow-only buffers: the shared read buffer (loose files and the
// stored bytes of archive entries) and the shared output buffer (decompressed entries). An image in
// them stays valid only until the next shared load.
#pragma once
#include "engine/util/USRecycleVector.h"

namespace files_shared {
USLib::recycle_vector<unsigned char>& ReadBuffer();
USLib::recycle_vector<unsigned char>& OutputBuffer();
}  // namespace files_shared
