// The stack of running scenes: queued push and pop commands applied once per frame; the scene below a
// pushed one is paused and resumed when the top is popped.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

class CSceneStateStack;

class IBaseSceneState {
public:
    virtual ~IBaseSceneState() = default;
    virtual void Enter() = 0;
    virtual void Update() = 0;
    virtual void Leave() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;

    CSceneStateStack* GetStack() const { return stack_; }
    void SetStack(CSceneStateStack* stack) { stack_ = stack; }

private:
    CSceneStateStack* stack_ = nullptr;
};

class CSceneStateStack {
public:
    CSceneStateStack() = default;
    CSceneStateStack(const CSceneStateStack&) = delete;
    CSceneStateStack& operator=(const CSceneStateStack&) = delete;
    virtual ~CSceneStateStack() { Clear(); }

    // Leaves and deletes every scene, top first (no Resume), then drops the queued commands.
    virtual void Clear();
    // The stack takes the scene (it deletes it when popped or dropped); with dropQueued, queued commands
    // are dropped first.
    virtual void QueuePush(std::unique_ptr<IBaseSceneState> scene, bool dropQueued);
    virtual void QueuePop(uint32_t count, bool dropQueued);
    // Applies the queued commands, then updates every scene bottom to top (paused ones included).
    virtual void Update();
    virtual void PushNow(std::unique_ptr<IBaseSceneState> scene);
    virtual void PopNow();

    bool IsEmpty() const { return scenes_.empty(); }
    bool HasQueuedCommands() const { return !queue_.empty(); }
    size_t GetCount() const { return scenes_.size(); }
    IBaseSceneState* GetTop() const { return scenes_.empty() ? nullptr : scenes_.back().get(); }

private:
    enum CommandKind : int32_t { kPush = 0, kPop = 1 };
    struct Command {
        CommandKind kind;
        std::unique_ptr<IBaseSceneState> scene;  // the scene a push puts on the stack
        uint32_t count;                          // how many scenes a pop takes off
    };
    void DropQueued();

    std::vector<std::unique_ptr<IBaseSceneState>> scenes_;
    std::deque<Command> queue_;
};

// The scene leaves its stack: its pop is queued, so it goes at the stack's next update.
inline void QueueLeave(IBaseSceneState& scene) {
    if (CSceneStateStack* stack = scene.GetStack()) stack->QueuePop(1, false);
}
