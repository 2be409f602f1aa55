// DXPuppetModel, the model table and the runtime's device callbacks.
#include "puppet/DXPuppetModel.h"

#include <d3dx9.h>

#include "engine/device/D3DDevice.h"
#include "engine/files/USFile.h"
#include "engine/util/USLogManager.h"
#include "engine/util/USSingleton.h"
#include "puppet/Puppet.h"

using puppet::MotionQueueManager;
using puppet::PuppetMotion;

void DXPuppetModel::Release() {
    motions_.clear();
    ReleaseModel();
    queues_.clear();
    eyeBlink_.reset();
}

void DXPuppetModel::ReleaseModel() {
    if (model_) model_->releaseAllTextures();
    model_.reset();
}

void DXPuppetModel::ReleaseDeviceObjects() {
    if (model_) model_->releaseDeviceObjects();
}

bool DXPuppetModel::LoadModel(const char* file) {
    CUSFile image;
    if (!image.Load(file)) return false;
    // A second load replaces the model; the old one is released rather than lost.
    ReleaseModel();
    model_.reset(PuppetModelD3D::loadModel(image.data, static_cast<int>(image.size)));
    model_->setDevice(GetD3DDevice());
    eyeBlink_ = std::make_unique<puppet::EyeBlinkMotion>();
    eyeBlink_->setInterval(4000);
    return true;
}

bool DXPuppetModel::LoadTexture(const char* file) {
    CUSFile image;
    if (!model_ || !image.Load(file)) return false;
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(D3DXCreateTextureFromFileInMemory(GetD3DDevice(), image.data, image.size, &texture))) {
        US_LOG("Failed load PuppetTexture [%s]\n", file);
        return false;
    }
    model_->setTexture(nextTextureNo_++, texture);
    return true;
}

std::unique_ptr<PuppetMotion> DXPuppetModel::ReadMotion(const char* file) {
    CUSFile text;
    if (!text.LoadText(file)) return nullptr;
    std::unique_ptr<PuppetMotion> motion(
        PuppetMotion::loadMotion(reinterpret_cast<const char*>(text.data), static_cast<int>(text.size)));
    motion->fadeInMsec = 0;
    motion->fadeOutMsec = 0;
    motion->loop = false;
    return motion;
}

bool DXPuppetModel::LoadMotion(const char* file) {
    std::unique_ptr<PuppetMotion> motion = ReadMotion(file);
    if (!motion) return false;
    motions_.push_back(std::move(motion));
    return true;
}

bool DXPuppetModel::SetMotion(int index, const char* file) {
    if (index < 0) return false;
    std::unique_ptr<PuppetMotion> motion = ReadMotion(file);
    if (!motion) return false;
    if (motions_.size() <= static_cast<size_t>(index)) motions_.resize(static_cast<size_t>(index) + 1);
    // A queue may still run the motion it replaces: stop it there first.
    if (PuppetMotion* old = motions_[static_cast<size_t>(index)].get()) {
        for (QueueEntry& q : queues_)
            for (const std::unique_ptr<puppet::MotionQueueEnt>& e : q.queue->entries())
                if (e->motion == old) e->motion = nullptr;
    }
    motions_[static_cast<size_t>(index)] = std::move(motion);
    return true;
}

PuppetMotion* DXPuppetModel::GetMotion(int index) {
    return index >= 0 && static_cast<size_t>(index) < motions_.size() ? motions_[static_cast<size_t>(index)].get() : nullptr;
}

void DXPuppetModel::StartMotion(int queue, int motion) {
    MotionQueueManager* q = GetMotionQueue(queue);
    if (!q || motion < 0 || static_cast<size_t>(motion) >= motions_.size()) return;
    q->startMotion(motions_[static_cast<size_t>(motion)].get(), false);
    currentMotion_ = motion;
}

void DXPuppetModel::SetQueueEnabled(int queue, bool enabled) {
    if (queue >= 0 && static_cast<size_t>(queue) < queues_.size()) queues_[static_cast<size_t>(queue)].enabled = enabled;
}

bool DXPuppetModel::IsQueueEnabled(int queue) {
    return queue >= 0 && static_cast<size_t>(queue) < queues_.size() && queues_[static_cast<size_t>(queue)].enabled;
}

void DXPuppetModel::Update() {
    if (!model_) return;
    for (QueueEntry& q : queues_)
        if (q.enabled) q.queue->updateParam(model_.get());
    model_->update();
}

void DXPuppetModel::Draw() {
    if (model_) model_->draw();
}

bool DXPuppetModel::IsQueueFinished(int queue) {
    return IsQueueEnabled(queue) && queues_[static_cast<size_t>(queue)].queue->isFinished();
}

void DXPuppetModel::AddMotionQueue() { queues_.push_back({std::make_unique<MotionQueueManager>(), true}); }

MotionQueueManager* DXPuppetModel::GetMotionQueue(int queue) {
    return queue >= 0 && static_cast<size_t>(queue) < queues_.size() ? queues_[static_cast<size_t>(queue)].queue.get() : nullptr;
}

PuppetModelTable& GetPuppetModelTable() { return *CUSSingleton<PuppetModelTable>::GetInstance(); }

bool CreatePuppetModel(PuppetModelHandle& handle, const char* file) {
    auto model = std::make_unique<DXPuppetModel>();
    if (!model->LoadModel(file)) return false;
    GetPuppetModelTable().Add(std::move(model), &handle);
    return true;
}

DXPuppetModel* GetPuppetModel(PuppetModelHandle handle) { return GetPuppetModelTable().Get(handle); }

void ReleasePuppetDeviceObjects() {
    PuppetModelTable& table = GetPuppetModelTable();
    for (DXPuppetModel* m = table.First(); m; m = table.Next()) m->ReleaseDeviceObjects();
}

void ShutdownPuppet() {
    GetPuppetModelTable().ReleaseAll();
    Puppet::dispose();
}
