// The engine's handle-managed Puppet model: loads the model file, its textures and its motions
// through the engine's file layer, runs any number of motion queues on the model, and updates and
// draws it. Also the program's table of models and the two device callbacks of the runtime.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/resources/USHandle.h"
#include "puppet/Motion.h"
#include "puppet/PuppetModelD3D.h"

struct _tagDXPuppetModel;
using PuppetModelHandle = Handle<_tagDXPuppetModel>;

class DXPuppetModel {
public:
    DXPuppetModel() = default;
    DXPuppetModel(const DXPuppetModel&) = delete;
    DXPuppetModel& operator=(const DXPuppetModel&) = delete;
    virtual ~DXPuppetModel() { Release(); }

    virtual void Release();
    virtual void ReleaseDeviceObjects();
    // File names are Shift-JIS paths of the file layer. All results: true on success.
    virtual bool LoadModel(const char* file);
    // The texture gets the next texture number (0, 1, 2 … in load order).
    virtual bool LoadTexture(const char* file);
    // Appends a motion that starts and stops without fading and does not loop.
    virtual bool LoadMotion(const char* file);
    // Appends an empty place to the motion list, so that later motions keep their numbers.
    void AddEmptyMotion() { motions_.push_back(nullptr); }
    // As LoadMotion, at position index of the motion list (gaps are left empty).
    virtual bool SetMotion(int index, const char* file);
    // Starts a motion on a queue, fading out what runs there.
    virtual void StartMotion(int queue, int motion);
    virtual void SetQueueEnabled(int queue, bool enabled);
    virtual bool IsQueueEnabled(int queue);
    // Runs the enabled queues' motions into the model, then updates it.
    virtual void Update();
    virtual void Draw();
    // False for a disabled queue; else true when nothing runs on it.
    virtual bool IsQueueFinished(int queue);

    // Appends an empty, enabled motion queue.
    void AddMotionQueue();
    // Queue `queue`, or null beyond the list.
    puppet::MotionQueueManager* GetMotionQueue(int queue);
    PuppetModelD3D* GetModel() { return model_.get(); }
    int GetCurrentMotion() const { return currentMotion_; }
    int GetMotionCount() const { return static_cast<int>(motions_.size()); }
    puppet::PuppetMotion* GetMotion(int index);

private:
    struct QueueEntry {
        std::unique_ptr<puppet::MotionQueueManager> queue;
        bool enabled;
    };
    std::unique_ptr<puppet::PuppetMotion> ReadMotion(const char* file);
    // Lets the model's textures go, then the model.
    void ReleaseModel();

    std::unique_ptr<PuppetModelD3D> model_;
    std::vector<QueueEntry> queues_;
    std::vector<std::unique_ptr<puppet::PuppetMotion>> motions_;
    std::unique_ptr<puppet::EyeBlinkMotion> eyeBlink_;
    int32_t nextTextureNo_ = 0;
    int32_t currentMotion_ = 0;
};

using PuppetModelTable = CUSHandleManager<DXPuppetModel, PuppetModelHandle>;
// The program's one table of models.
PuppetModelTable& GetPuppetModelTable();
// Loads a model and registers it; on failure nothing is registered and the handle is left alone.
bool CreatePuppetModel(PuppetModelHandle& handle, const char* file);
DXPuppetModel* GetPuppetModel(PuppetModelHandle handle);
// Device-lost callback: every model releases its device objects.
void ReleasePuppetDeviceObjects();
// Device-release callback: releases every model, then shuts the runtime down.
void ShutdownPuppet();
