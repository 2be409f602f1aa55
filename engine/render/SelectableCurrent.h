// A per-type stack of current objects: the object selected last is current until deselected. Render
// tables and environments are selected while a process fills or draws them.
#pragma once
#include <deque>

template <class T>
class ISelectableCurrent {
public:
    virtual ~ISelectableCurrent() = default;
    virtual void Select() { Stack().push_back(static_cast<T*>(this)); }
    virtual void Deselect() {
        if (!Stack().empty()) Stack().pop_back();
    }
    // The current object, or null when none is selected.
    static T* GetCurrent() { return Stack().empty() ? nullptr : Stack().back(); }

private:
    static std::deque<T*>& Stack() {
        static std::deque<T*> stack;
        return stack;
    }
};
