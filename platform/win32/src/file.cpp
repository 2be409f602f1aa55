// kernel32 file calls over POSIX descriptors: open, read, write, seek, sizes, times, deletion,
// renames, directories and the NTFS-ordered directory search.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>

#include "handles.h"
#include "win32/codepage.h"
#include "win32/path.h"

namespace win32 {

FileObject::~FileObject() {
    if (fd >= 0) ::close(fd);
}

FILETIME ToFileTime(long long seconds, long nanoseconds) {
    // 11644473600 s between 1601-01-01 and 1970-01-01.
    unsigned long long t = (static_cast<unsigned long long>(seconds + 11644473600LL) * 10000000ULL) +
                           static_cast<unsigned long long>(nanoseconds / 100);
    return FILETIME{static_cast<DWORD>(t & 0xFFFFFFFFu), static_cast<DWORD>(t >> 32)};
}

}  // namespace win32

using namespace win32;

namespace {

DWORD ErrorFromErrno(int e) {
    switch (e) {
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR: return ERROR_ACCESS_DENIED;
        case EEXIST: return ERROR_ALREADY_EXISTS;
        default: return ERROR_INVALID_PARAMETER;
    }
}

unsigned long long ToU64(const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

}  // namespace

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE) {
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = NativePath(name);
    int flags = O_CLOEXEC;
    if ((access & GENERIC_READ) && (access & GENERIC_WRITE))
        flags |= O_RDWR;
    else if (access & GENERIC_WRITE)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    switch (disposition) {
        case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
        case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
        case OPEN_EXISTING: break;
        case OPEN_ALWAYS: flags |= O_CREAT; break;
        case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
        default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    auto* f = new FileObject;
    f->fd = fd;
    SetLastError(ERROR_SUCCESS);
    return f;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
    auto* f = As<FileObject>(file, KernelObject::Kind::File);
    if (read) *read = 0;
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD total = 0;
    auto* p = static_cast<char*>(buffer);
    while (total < toRead) {
        ssize_t n = ::read(f->fd, p + total, toRead - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (read) *read = total;
            SetLastError(ErrorFromErrno(errno));
            return FALSE;
        }
        if (n == 0) break;  // End of file: success with fewer bytes, as on Windows.
        total += static_cast<DWORD>(n);
    }
    if (read) *read = total;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED) {
    auto* f = As<FileObject>(file, KernelObject::Kind::File);
    if (written) *written = 0;
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD total = 0;
    auto* p = static_cast<const char*>(buffer);
    while (total < toWrite) {
        ssize_t n = ::write(f->fd, p + total, toWrite - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (written) *written = total;
            SetLastError(ErrorFromErrno(errno));
            return FALSE;
        }
        total += static_cast<DWORD>(n);
    }
    if (written) *written = total;
    return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
    auto* f = As<FileObject>(file, KernelObject::Kind::File);
    struct stat st;
    if (!f || ::fstat(f->fd, &st) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    unsigned long long size = static_cast<unsigned long long>(st.st_size);
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
    auto* f = As<FileObject>(file, KernelObject::Kind::File);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    long long offset = distanceHigh ? (static_cast<long long>(*distanceHigh) << 32) | static_cast<DWORD>(distance)
                                    : static_cast<long long>(distance);
    int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    off_t pos = ::lseek(f->fd, offset, whence);
    if (pos < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<unsigned long long>(pos) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(pos & 0xFFFFFFFF);
}

BOOL FlushFileBuffers(HANDLE file) {
    auto* f = As<FileObject>(file, KernelObject::Kind::File);
    return f && ::fsync(f->fd) == 0 ? TRUE : FALSE;
}

BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME access, LPFILETIME write) {
    auto* f = As<FileObject>(file, KernelObject::Kind::File);
    struct stat st;
    if (!f || ::fstat(f->fd, &st) != 0) return FALSE;
    if (creation) *creation = ToFileTime(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
    if (access) *access = ToFileTime(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    if (write) *write = ToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    return TRUE;
}

BOOL DeleteFileA(LPCSTR name) {
    if (!name || ::unlink(NativePath(name).c_str()) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
    if (!from || !to) return FALSE;
    std::string dst = NativePath(to);
    struct stat st;
    if (::stat(dst.c_str(), &st) == 0) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
        // A file with no write permission is a read-only file, which Windows never replaces.
        if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    if (::rename(NativePath(from).c_str(), dst.c_str()) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    if (flags & MOVEFILE_WRITE_THROUGH) {
        // The rename is on disk once the folder that holds the new name is.
        size_t slash = dst.rfind('/');
        std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : dst.substr(0, slash);
        int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR name) {
    struct stat st;
    if (!name || ::stat(NativePath(name).c_str(), &st) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

BOOL CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES) {
    if (!name || ::mkdir(NativePath(name).c_str(), 0755) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    if (!pattern || !data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // Split the pattern into the folder (resolved like any path) and the last component.
    std::string pat(pattern);
    size_t cut = std::string::npos;
    for (size_t i = 0; i < pat.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(pat[i]);
        if (IsCp932LeadByte(c) && i + 1 < pat.size()) {
            ++i;
            continue;
        }
        if (c == '\\' || c == '/') cut = i;
    }
    std::string dirPart = cut == std::string::npos ? "" : pat.substr(0, cut + 1);
    std::string namePart = cut == std::string::npos ? pat : pat.substr(cut + 1);
    std::string dir = dirPart.empty() ? "." : NativePath(dirPart);
    // Only '*' and '?' are wildcards on Windows: fnmatch's other specials are taken literally.
    std::string glob;
    for (char c : Cp932ToUtf8(namePart)) {
        if (c == '[' || c == ']' || c == '\\') glob += '\\';
        glob += c;
    }
    // "*.*" matches every name, with or without a dot, as on Windows.
    if (glob == "*.*") glob.resize(1);

    auto find = std::make_unique<FindObject>();
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            if (::fnmatch(glob.c_str(), e->d_name, FNM_CASEFOLD) != 0) continue;
            if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) {
                if (glob != "*" && glob != e->d_name) continue;
            }
            std::string full = dir + "/" + e->d_name;
            struct stat st;
            if (::stat(full.c_str(), &st) != 0) continue;
            std::string name = Utf8ToCp932(e->d_name);
            if (name.size() >= MAX_PATH) continue;
            WIN32_FIND_DATAA fd{};
            fd.dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
            fd.ftCreationTime = ToFileTime(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
            fd.ftLastAccessTime = ToFileTime(st.st_atim.tv_sec, st.st_atim.tv_nsec);
            fd.ftLastWriteTime = ToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
            fd.nFileSizeHigh = static_cast<DWORD>(static_cast<unsigned long long>(st.st_size) >> 32);
            fd.nFileSizeLow = static_cast<DWORD>(st.st_size & 0xFFFFFFFF);
            std::memcpy(fd.cFileName, name.c_str(), name.size() + 1);
            find->entries.push_back(fd);
        }
        ::closedir(d);
    }
    auto upper = [](const char* s) {
        std::string u(s);
        for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return u;
    };
    std::sort(find->entries.begin(), find->entries.end(), [&](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
        return upper(a.cFileName) < upper(b.cFileName);
    });
    if (find->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *data = find->entries[0];
    find->next = 1;
    return find.release();
}

BOOL FindNextFileA(HANDLE h, LPWIN32_FIND_DATAA data) {
    auto* find = As<FindObject>(h, KernelObject::Kind::Find);
    if (!find || !data) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (find->next >= find->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *data = find->entries[find->next++];
    return TRUE;
}

BOOL FindClose(HANDLE h) {
    auto* find = As<FindObject>(h, KernelObject::Kind::Find);
    if (!find) return FALSE;
    delete find;
    return TRUE;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
    unsigned long long x = ToU64(*a), y = ToU64(*b);
    return x < y ? -1 : x > y ? 1 : 0;
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, LPFILETIME local) {
    unsigned long long t = ToU64(*utc);
    time_t secs = static_cast<time_t>(t / 10000000ULL) - 11644473600LL;
    struct tm lt;
    if (!localtime_r(&secs, &lt)) return FALSE;
    long long shifted = static_cast<long long>(t) + static_cast<long long>(lt.tm_gmtoff) * 10000000LL;
    local->dwLowDateTime = static_cast<DWORD>(shifted & 0xFFFFFFFF);
    local->dwHighDateTime = static_cast<DWORD>(static_cast<unsigned long long>(shifted) >> 32);
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* time, LPSYSTEMTIME st) {
    unsigned long long t = ToU64(*time);
    time_t secs = static_cast<time_t>(t / 10000000ULL) - 11644473600LL;
    struct tm g;
    if (!gmtime_r(&secs, &g)) return FALSE;
    st->wYear = static_cast<WORD>(g.tm_year + 1900);
    st->wMonth = static_cast<WORD>(g.tm_mon + 1);
    st->wDayOfWeek = static_cast<WORD>(g.tm_wday);
    st->wDay = static_cast<WORD>(g.tm_mday);
    st->wHour = static_cast<WORD>(g.tm_hour);
    st->wMinute = static_cast<WORD>(g.tm_min);
    st->wSecond = static_cast<WORD>(g.tm_sec);
    st->wMilliseconds = static_cast<WORD>((t / 10000ULL) % 1000ULL);
    return TRUE;
}
