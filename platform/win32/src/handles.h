// Kernel objects behind HANDLE values of the Win32 stand-in: each handle points at one of these.
#pragma once
#include <string>
#include <vector>

#include "win32/kernel.h"

namespace win32 {

struct KernelObject {
    enum class Kind { File, Find, Mutex, Event };
    explicit KernelObject(Kind k) : kind(k) {}
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;
    virtual ~KernelObject() = default;
    Kind kind;
};

struct FileObject : KernelObject {
    FileObject() : KernelObject(Kind::File) {}
    ~FileObject() override;
    int fd = -1;
};

struct FindObject : KernelObject {
    FindObject() : KernelObject(Kind::Find) {}
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

template <class T>
T* As(HANDLE h, KernelObject::Kind kind) {
    if (!h || h == INVALID_HANDLE_VALUE) return nullptr;
    auto* o = static_cast<KernelObject*>(h);
    return o->kind == kind ? static_cast<T*>(o) : nullptr;
}

// 100 ns units since 1601-01-01, from a POSIX time.
FILETIME ToFileTime(long long seconds, long nanoseconds);

}  // namespace win32
