// The scene-flow machine: runs the scene code "bin\Scene.bin", whose scene records say which scenario
// or movie comes next; saved as "SceneManager".
#pragma once
#include "engine/util/USSingleton.h"
#include "novel/state/SavedObject.h"
#include "novel/vm/BaseAppVCPU.h"

class CVCPUSceneManager : public CBaseAppVCPU,
                          public ISavedObject<_tagSaveData>,
                          public USLib::singleton<CVCPUSceneManager> {
public:
    CVCPUSceneManager();

    // Calls the scene record that opcode 44 named last: the next two words are its kind and name.
    virtual void CallSceneEntry() { CallAddress(sceneEntry_); }
    virtual void ReturnFromSceneEntry() { ReturnFromCall(); }
    virtual void JumpToRestartEntry() { JumpTo(restartEntry_); }

    // The cursor record, the wait counter, the stack cells and the restart entry.
    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;

    uint32_t GetSceneEntry() const { return sceneEntry_; }
    uint32_t GetRestartEntry() const { return restartEntry_; }

private:
    void OpSetSceneEntry() { sceneEntry_ = cursor_.ReadInt(); }
    void OpSetRestartEntry() { restartEntry_ = cursor_.ReadInt(); }

    uint32_t sceneEntry_ = 0;
    uint32_t restartEntry_ = 0;
};
