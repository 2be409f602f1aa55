// WriteFileAtomic over the Win32 file calls: temporary file, flush, rename over the target.
#include "engine/files/USFileWrite.h"

#include <windows.h>

#include <string>

bool WriteFileAtomic(const char* path, const void* data, std::size_t size) {
    if (!path || size > 0xFFFFFFFFu) return false;
    const std::string temp = std::string(path) + ".tmp";
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = (size == 0 || (WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size)) &&
              FlushFileBuffers(file);
    CloseHandle(file);
    // The rename replaces the old file in one step; write-through makes the new name itself durable.
    ok = ok && MoveFileExA(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileA(temp.c_str());
    return ok;
}
