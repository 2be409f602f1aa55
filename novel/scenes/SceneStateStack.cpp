// Scene stack commands.
#include "novel/scenes/SceneStateStack.h"

void CSceneStateStack::Clear() {
    while (!scenes_.empty()) {
        scenes_.back()->Leave();
        scenes_.pop_back();
    }
    DropQueued();
}

void CSceneStateStack::DropQueued() { queue_.clear(); }

void CSceneStateStack::QueuePush(std::unique_ptr<IBaseSceneState> scene, bool dropQueued) {
    if (dropQueued) DropQueued();
    scene->SetStack(this);
    queue_.push_back({kPush, std::move(scene), 0});
}

void CSceneStateStack::QueuePop(uint32_t count, bool dropQueued) {
    if (dropQueued) DropQueued();
    queue_.push_back({kPop, nullptr, count});
}

void CSceneStateStack::Update() {
    while (!queue_.empty()) {
        Command c = std::move(queue_.front());
        queue_.pop_front();
        if (c.kind == kPush) PushNow(std::move(c.scene));
        if (c.kind == kPop) {
            for (uint32_t i = 0; i < c.count && !scenes_.empty(); ++i) PopNow();
        }
    }
    // By index: a scene's update may queue commands but never changes the stack itself.
    for (size_t i = 0; i < scenes_.size(); ++i) scenes_[i]->Update();
}

void CSceneStateStack::PushNow(std::unique_ptr<IBaseSceneState> scene) {
    if (!scenes_.empty()) scenes_.back()->Pause();
    scene->Enter();
    scenes_.push_back(std::move(scene));
}

void CSceneStateStack::PopNow() {
    if (scenes_.empty()) return;
    scenes_.back()->Leave();
    scenes_.pop_back();
    if (!scenes_.empty()) scenes_.back()->Resume();
}
