// The two singleton templates: CUSSingleton<T> owns a process-wide T created on first use (under a
// recursive mutex) and destroyed at exit in reverse order of the holders' construction;
// USLib::singleton<T> only makes an object created elsewhere reachable through a static pointer.
#pragma once
#include <mutex>

template <class T>
class CUSSingleton {
public:
    static T* GetInstance() {
        Holder& h = TheHolder();
        std::lock_guard<std::recursive_mutex> lock(h.mutex);
        if (!instance_) instance_ = new T;
        return instance_;
    }

private:
    // The holder makes its T while it is itself being built, so whatever T's constructor reaches
    // first (other managers, other singletons) is complete before the holder and is destroyed after
    // it: the T's destructor may still use them at exit.
    struct Holder {
        std::recursive_mutex mutex;
        Holder() { instance_ = new T; }
        ~Holder() {
            delete instance_;
            instance_ = nullptr;
        }
    };
    static Holder& TheHolder() {
        static Holder holder;
        return holder;
    }
    // A plain pointer outlives the holder: a T destroyed earlier that reaches this one at exit gets a
    // fresh T, not a dangling pointer.
    static inline T* instance_ = nullptr;
};

namespace USLib {

template <class T>
class singleton {
public:
    // The base is recorded, not the T: while this constructor runs the T does not exist yet.
    singleton() { instance_ = this; }
    virtual ~singleton() { instance_ = nullptr; }
    singleton(const singleton&) = delete;
    singleton& operator=(const singleton&) = delete;

    static T* GetInstance() { return static_cast<T*>(instance_); }

private:
    static inline singleton* instance_ = nullptr;
};

}  // namespace USLib
