// kernel32 process calls: last error, module and working directory, named mutexes over flock'ed
// lock files, events with Win32 wait semantics, CloseHandle, debug output and MulDiv.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "handles.h"
#include "win32/codepage.h"
#include "win32/path.h"

using namespace win32;

namespace {

thread_local DWORD g_lastError = 0;

struct MutexObject : KernelObject {
    MutexObject() : KernelObject(Kind::Mutex) {}
    ~MutexObject() override {
        if (fd >= 0) ::close(fd);
    }
    int fd = -1;
    bool owned = false;
};

// All events share one lock and one condition variable: waits are rare and short-lived (the
// streaming-sound workers), and one lock makes wait-any over several events simple and exact.
std::mutex g_eventLock;
std::condition_variable g_eventChanged;

struct EventObject : KernelObject {
    EventObject() : KernelObject(Kind::Event) {}
    bool manualReset = false;
    bool signalled = false;
};

// The folder of this user's lock files, so that another user's program never holds a mutex of ours:
// XDG_RUNTIME_DIR (the user's own by definition), else a folder of the user's in the temporary
// folder, made with mode 0700 and taken only when it is a real folder of this user that no one else
// can enter. Empty when there is no such folder.
std::string LockFolder() {
    struct stat st;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) return runtime;
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/marlowe-" + std::to_string(::getuid());
    ::mkdir(dir.c_str(), 0700);
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return {};
    if ((st.st_mode & 077) && ::chmod(dir.c_str(), 0700) != 0) return {};
    return dir;
}

}  // namespace

DWORD GetLastError() { return g_lastError; }
void SetLastError(DWORD code) { g_lastError = code; }

BOOL CloseHandle(HANDLE object) {
    if (!object || object == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete static_cast<KernelObject*>(object);
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size) {
    char exe[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0 || size == 0) return 0;
    exe[n] = 0;
    std::string path;
    if (Utf8ToCp932(exe, path)) {
        path = WindowsPath(exe);
    } else {
        // The folder cannot be written in CP932: report a path relative to the working directory.
        const char* slash = std::strrchr(exe, '/');
        path = ".\\" + WindowsPath(slash ? slash + 1 : exe);
    }
    DWORD len = static_cast<DWORD>(path.size());
    if (len >= size) {
        std::memcpy(buffer, path.data(), size - 1);
        buffer[size - 1] = 0;
        SetLastError(122);
        return size;
    }
    std::memcpy(buffer, path.c_str(), len + 1);
    return len;
}

HMODULE GetModuleHandleA(LPCSTR) {
    static char self;
    return reinterpret_cast<HMODULE>(&self);
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
    if (!path || ::chdir(NativePath(path).c_str()) != 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return 0;
    std::string path = WindowsPath(cwd);
    if (path.size() + 1 > size) return static_cast<DWORD>(path.size() + 1);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
    auto* m = new MutexObject;
    SetLastError(ERROR_SUCCESS);
    if (!name) {
        m->owned = initialOwner != FALSE;
        return m;
    }
    const std::string dir = LockFolder();
    if (dir.empty()) {
        // No private place for lock files: behave as a private, unnamed mutex.
        m->owned = initialOwner != FALSE;
        return m;
    }
    std::string base = Cp932ToUtf8(name);
    for (char& c : base)
        if (c == '/') c = '_';
    std::string file = dir + "/" + base + ".lock";
    m->fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m->fd < 0) {
        // No lock file can be made: behave as a private, unnamed mutex.
        m->owned = initialOwner != FALSE;
        return m;
    }
    if (::flock(m->fd, LOCK_EX | LOCK_NB) != 0) {
        // Someone holds it: this handle refers to an existing mutex.
        SetLastError(ERROR_ALREADY_EXISTS);
        return m;
    }
    // The lock stays while the handle lives, owned or not, so that others see the mutex as existing.
    m->owned = initialOwner != FALSE;
    return m;
}

BOOL ReleaseMutex(HANDLE h) {
    auto* m = As<MutexObject>(h, KernelObject::Kind::Mutex);
    if (!m || !m->owned) return FALSE;
    m->owned = false;
    return TRUE;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR) {
    auto* e = new EventObject;
    e->manualReset = manualReset != FALSE;
    e->signalled = initialState != FALSE;
    return e;
}

BOOL SetEvent(HANDLE h) {
    auto* e = As<EventObject>(h, KernelObject::Kind::Event);
    if (!e) return FALSE;
    {
        std::lock_guard<std::mutex> lock(g_eventLock);
        e->signalled = true;
    }
    g_eventChanged.notify_all();
    return TRUE;
}

BOOL ResetEvent(HANDLE h) {
    auto* e = As<EventObject>(h, KernelObject::Kind::Event);
    if (!e) return FALSE;
    std::lock_guard<std::mutex> lock(g_eventLock);
    e->signalled = false;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
    return WaitForMultipleObjects(1, &object, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD milliseconds) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !objects || waitAll) return WAIT_FAILED;
    EventObject* events[MAXIMUM_WAIT_OBJECTS];
    for (DWORD i = 0; i < count; ++i) {
        events[i] = As<EventObject>(objects[i], KernelObject::Kind::Event);
        if (!events[i]) return WAIT_FAILED;
    }
    std::unique_lock<std::mutex> lock(g_eventLock);
    auto ready = [&]() -> int {
        for (DWORD i = 0; i < count; ++i)
            if (events[i]->signalled) return static_cast<int>(i);
        return -1;
    };
    int index = ready();
    if (index < 0) {
        if (milliseconds == INFINITE) {
            g_eventChanged.wait(lock, [&] { return (index = ready()) >= 0; });
        } else if (!g_eventChanged.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                            [&] { return (index = ready()) >= 0; })) {
            return WAIT_TIMEOUT;
        }
    }
    if (!events[index]->manualReset) events[index]->signalled = false;
    return WAIT_OBJECT_0 + static_cast<DWORD>(index);
}

void OutputDebugStringA(LPCSTR text) {
    if (!text) return;
    std::string utf8 = Cp932ToUtf8(text);
    std::fputs(utf8.c_str(), stderr);
    if (utf8.empty() || utf8.back() != '\n') std::fputc('\n', stderr);
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    long long num = static_cast<long long>(a) * b;
    long long den = c;
    // Round half away from zero.
    bool negative = (num < 0) != (den < 0);
    long long q = (std::llabs(num) + std::llabs(den) / 2) / std::llabs(den);
    if (negative) q = -q;
    if (q > INT_MAX || q < INT_MIN) return -1;
    return static_cast<int>(q);
}
