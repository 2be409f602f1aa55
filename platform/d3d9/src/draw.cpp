// Drawing entry of the software device.
#include "device.h"

namespace d3d9 {

HRESULT Device::Draw(D3DPRIMITIVETYPE, INT, UINT, UINT, const void*, bool, const BYTE*, UINT) {
    return D3DERR_INVALIDCALL;
}

}  // namespace d3d9
