// The two singleton templates: CUSSingleton<T> owns a lazily created process-wide T (created under a
// recursive mutex, destroyed at exit in reverse order of the holders' construction);
// USLib::singleton<T> only makes an object created elsewhere reachable through a static pointer.
#pragma once
#include <mutex>

template <class T>
class CUSSingleton {
public:
    virtual ~CUSSingleton() { DestroyInstance(); }

    virtual void DestroyInstance() {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        delete instance_;
        instance_ = nullptr;
    }

    static T* GetInstance() {
        Holder& h = TheHolder();
        std::lock_guard<std::recursive_mutex> lock(h.mutex_);
        if (!h.instance_) h.instance_ = new T;
        return h.instance_;
    }

    // True when the instance exists (for shutdown paths that must not create it).
    static bool HasInstance() {
        Holder& h = TheHolder();
        std::lock_guard<std::recursive_mutex> lock(h.mutex_);
        return h.instance_ != nullptr;
    }

private:
    using Holder = CUSSingleton<T>;
    // A function-local static is built on first use and destroyed at exit in reverse order of
    // construction, as the holders are.
    static Holder& TheHolder() {
        static Holder holder;
        return holder;
    }

    T* instance_ = nullptr;
    std::recursive_mutex mutex_;
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
