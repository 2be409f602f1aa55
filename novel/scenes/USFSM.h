// A state machine embedded in its owner: E one-shot handlers and U per-frame state handlers, all
// member functions of the owner, with a pending one-shot index and a current state index.
#pragma once
#include <array>
#include <cstdint>

template <class Owner, int E, int U>
class CUSFSM {
public:
    using Handler = void (Owner::*)();

    virtual ~CUSFSM() = default;

    // Filled by the owner's constructor: the E one-shot handlers, then the U state handlers.
    void Setup(Owner* owner, const std::array<Handler, E + U>& handlers) {
        owner_ = owner;
        handlers_ = handlers;
    }
    void SetEvent(int32_t e) { event_ = e; }
    void SetState(int32_t s) { state_ = s; }
    int32_t GetEvent() const { return event_; }
    int32_t GetState() const { return state_; }

    // The pending one-shot runs once (an event it fires is lost), then the current state's handler.
    void Update() {
        if (static_cast<uint32_t>(event_) < E) {
            if (Handler h = handlers_[event_]) (owner_->*h)();
            event_ = -1;
        }
        if (static_cast<uint32_t>(state_) < U) {
            if (Handler h = handlers_[E + state_]) (owner_->*h)();
        }
    }

private:
    Owner* owner_ = nullptr;
    std::array<Handler, E + U> handlers_{};
    int32_t event_ = -1;
    int32_t state_ = -1;
};
