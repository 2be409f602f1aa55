// Fuzz target: the engine's mesh files and DirectX text .x files. The first byte picks the reader, the
// rest is the file; a mesh that loads is saved and loaded back.
#include <cstdint>

#include "engine/resources/Mesh.h"
#include "fuzz/device_support.h"
#include "fuzz/fuzz_support.h"

namespace {
class MaterialSink : public IMaterialReceiver {
public:
    void ReceiveMaterials(ID3DXBuffer* materials, DWORD count) override {
        if (!materials) return;
        auto* list = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
        for (DWORD i = 0; i < count; ++i) (void)list[i].MatD3D.Diffuse.a;
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || !fuzz::OpenEngineDevice()) return 0;
    const bool xFile = data[0] & 1;
    fuzz::WriteFile("fuzz.msh", data + 1, size - 1);
    CUSMesh mesh;
    MaterialSink sink;
    if ((xFile ? mesh.LoadXFile("fuzz.msh", &sink) : mesh.LoadFile("fuzz.msh")) < 0) return 0;
    if (mesh.SaveFile("saved.msh") >= 0) {
        CUSMesh again;
        again.LoadFile("saved.msh");
    }
    return 0;
}
