// CUSFile loads: the loose file and the archive entry tried in the mounted order, the failure logged.
#include "engine/files/USFile.h"

#include <windows.h>

#include <cstdlib>

#include "engine/files/USFileArchiveSystem.h"
#include "engine/files/USPath.h"
#include "engine/files/USSharedBuffers.h"
#include "engine/util/USLogManager.h"
#include "win32/path.h"

namespace files_shared {
USLib::recycle_vector<unsigned char>& ReadBuffer() {
    static USLib::recycle_vector<unsigned char> buffer;
    return buffer;
}
USLib::recycle_vector<unsigned char>& OutputBuffer() {
    static USLib::recycle_vector<unsigned char> buffer;
    return buffer;
}
}  // namespace files_shared

namespace {


// Reads a loose file into a block from `allocate(size)`; the block, or null when the file cannot be
// opened or read in full.
template <class Allocate>
unsigned char* ReadLoose(const char* name, std::uint32_t* size, Allocate allocate) {
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    DWORD fileSize = GetFileSize(file, nullptr);
    unsigned char* block = fileSize == INVALID_FILE_SIZE ? nullptr : allocate(fileSize);
    DWORD got = 0;
    bool ok = block && ReadFile(file, block, fileSize, &got, nullptr) && got == fileSize;
    CloseHandle(file);
    if (!ok) return nullptr;
    *size = fileSize;
    return block;
}

}  // namespace

unsigned char* ReadWholeFile(const char* name, std::uint32_t* size) {
    unsigned char* block = nullptr;
    unsigned char* result = ReadLoose(name, size, [&](std::uint32_t n) {
        return block = static_cast<unsigned char*>(std::malloc(n ? n : 1));
    });
    if (!result) std::free(block);
    return result;
}

void ReadLooseFileText(const char* name, CUSFile& file) {
    unsigned char* block = nullptr;
    std::uint32_t size = 0;
    unsigned char* result = ReadLoose(name, &size, [&](std::uint32_t n) {
        return block = static_cast<unsigned char*>(std::malloc(std::size_t{n} + 1));
    });
    if (!result) {
        std::free(block);
        return;
    }
    result[size] = 0;
    file.data = result;
    file.size = size;
}

void ReadLooseFileShared(const char* name, CUSFile& file) {
    if (!PathExists(name, false)) return;
    std::uint32_t size = 0;
    file.data = ReadLoose(name, &size, [](std::uint32_t n) { return files_shared::ReadBuffer().request(n); });
    file.size = file.data ? size : 0;
}

CUSFile::~CUSFile() { Release(); }

void CUSFile::Release() {
    if (stream) std::fclose(stream);
    stream = nullptr;
    if (!streamMode && owned == 1) std::free(data);
    streamMode = false;
    data = nullptr;
    size = 0;
    owned = 1;
}

// Tries the loose file and the archive entry in the mounted order; logs when neither gives the image.
template <class Loose, class Entry>
unsigned char* LoadInOrder(CUSFile& file, const char* name, Loose loose, Entry entry) {
    if (!name) return nullptr;
    USFileArchiveSystem& archives = *USFileArchiveSystem::GetInstance();
    auto fromArchive = [&] {
        if ((file.data = entry(archives))) file.size = archives.GetLastSize();
    };
    if (archives.IsArchiveFirst()) {
        fromArchive();
        if (!file.data) loose();
    } else {
        loose();
        if (!file.data) fromArchive();
    }
    if (!file.data) US_LOG("ファイル[%s]の読み込みに失敗\n", name);
    return file.data;
}

unsigned char* CUSFile::Load(const char* name) {
    Release();
    auto loose = [&] {
        std::uint32_t n = 0;
        if (PathExists(name, false) && (data = ReadWholeFile(name, &n))) size = n;
    };
    return LoadInOrder(*this, name, loose, [&](USFileArchiveSystem& a) { return a.ReadEntry(name); });
}

unsigned char* CUSFile::LoadText(const char* name) {
    Release();
    return LoadInOrder(*this, name, [&] { ReadLooseFileText(name, *this); },
                       [&](USFileArchiveSystem& a) { return a.ReadEntryText(name); });
}

unsigned char* CUSFile::LoadShared(const char* name) {
    Release();
    owned = 0;
    return LoadInOrder(*this, name, [&] { ReadLooseFileShared(name, *this); },
                       [&](USFileArchiveSystem& a) { return a.ReadEntryShared(name); });
}

bool CUSFile::OpenStream(const char* name) {
    Release();
    // A directory opens as a stream on Linux, not on Windows: refuse it here.
    DWORD attributes = GetFileAttributesA(name);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    stream = std::fopen(win32::NativePath(name).c_str(), "rb");
    streamMode = stream != nullptr;
    return streamMode;
}

std::FILE* CUSFile::DetachStream() {
    std::FILE* s = stream;
    stream = nullptr;
    return s;
}
