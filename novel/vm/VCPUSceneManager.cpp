// The scene-flow machine's opcodes and saved record.
#include "novel/vm/VCPUSceneManager.h"

#include "novel/vm/SaveIO.h"

CVCPUSceneManager::CVCPUSceneManager() {
    Register("SceneManager", 0);
    RegisterOpcode(44, static_cast<Handler>(&CVCPUSceneManager::OpSetSceneEntry));
    RegisterOpcode(45, static_cast<Handler>(&CVCPUSceneManager::OpSetRestartEntry));
}

void CVCPUSceneManager::Save(USLib::binary_ostream<256>& out) {
    CBaseAppVCPU::Save(out);
    SaveIO::WriteU32(out, restartEntry_);
}

void CVCPUSceneManager::Load(USLib::binary_istream& in, uint32_t version) {
    CBaseAppVCPU::Load(in, version);
    restartEntry_ = SaveIO::ReadU32(in);
}
