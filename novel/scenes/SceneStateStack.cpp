// Scene stack commands.
#include "novel/scenes/SceneStateStack.h"

void CSceneStateStack::Clear() {
    while (!scenes_.empty()) {
        IBaseSceneState* top = scenes_.back();
        top->Leave();
        scenes_.pop_back();
        delete top;
    }
    DropQueued();
}

void CSceneStateStack::DropQueued() {
    for (Command& c : queue_) {
        if (c.kind == 0) delete c.scene;
    }
    queue_.clear();
}

void CSceneStateStack::QueuePush(IBaseSceneState* scene, bool dropQueued) {
    if (dropQueued) DropQueued();
    scene->SetStack(this);
    queue_.push_back({0, scene, 0});
}

void CSceneStateStack::QueuePop(uint32_t count, bool dropQueued) {
    if (dropQueued) DropQueued();
    queue_.push_back({1, nullptr, count});
}

void CSceneStateStack::Update() {
    while (!queue_.empty()) {
        Command c = queue_.front();
        queue_.pop_front();
        if (c.kind == 0) PushNow(c.scene);
        if (c.kind == 1) {
            for (uint32_t i = 0; i < c.count && !scenes_.empty(); ++i) PopNow();
        }
    }
    // By index: a scene's update may queue commands but never changes the stack itself.
    for (size_t i = 0; i < scenes_.size(); ++i) scenes_[i]->Update();
}

void CSceneStateStack::PushNow(IBaseSceneState* scene) {
    if (!scenes_.empty()) scenes_.back()->Pause();
    scene->Enter();
    scenes_.push_back(scene);
}

void CSceneStateStack::PopNow() {
    if (scenes_.empty()) return;
    IBaseSceneState* top = scenes_.back();
    top->Leave();
    scenes_.pop_back();
    delete top;
    if (!scenes_.empty()) scenes_.back()->Resume();
}
