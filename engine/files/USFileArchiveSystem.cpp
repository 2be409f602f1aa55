// Archive mounting, indexing and entry reads. An archive is the magic "BRAMBLE_ARC_FILE" followed by
// entries (five u32: stored size, unpacked size, name length, two reserved; the name; the stored
// bytes) and ends with a header whose stored size is 0. Stored bytes are XOR-enciphered and, when
// the unpacked size is not 0, LZSS-compressed first.
#include "engine/files/USFileArchiveSystem.h"

#include <strings.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "engine/files/LZSS.h"
#include "engine/files/USPath.h"
#include "engine/files/USSharedBuffers.h"

namespace {

constexpr char kMagic[16] = {'B', 'R', 'A', 'M', 'B', 'L', 'E', '_', 'A', 'R', 'C', '_', 'F', 'I', 'L', 'E'};
constexpr std::uint32_t kHeaderSize = 20;

// The one process-wide archive system, built before the program's entry runs.
USFileArchiveSystem g_archiveSystem;

std::uint32_t ReadU32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool ReadExactly(HANDLE file, void* into, std::uint32_t size) {
    DWORD got = 0;
    return ReadFile(file, into, size, &got, nullptr) && got == size;
}

// Closes a file handle when it goes out of scope.
struct FileCloser {
    HANDLE handle;
    ~FileCloser() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

HANDLE OpenForRead(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

}  // namespace

USFileArchiveSystem::USFileArchiveSystem() {
    index_.rehash(11);
    index_.max_load_factor(1.0f);
}

void USFileArchiveSystem::Init(std::string key, bool archiveFirst, bool useArchives) {
    Clear();
    archiveFirst_ = archiveFirst;
    key_ = std::move(key);
    cipher_.SetKey(key_.data(), static_cast<std::uint32_t>(key_.size()));
    if (!useArchives) return;

    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("*.arc", &found);
    if (find == INVALID_HANDLE_VALUE) return;
    // Oldest first; a multimap places an equal time after those already held, keeping listing order.
    auto older = [](const FILETIME& a, const FILETIME& b) { return CompareFileTime(&a, &b) < 0; };
    std::multimap<FILETIME, std::string, decltype(older)> byTime(older);
    do {
        byTime.emplace(found.ftLastWriteTime, found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    for (const auto& [time, path] : byTime)
        if (LoadArchiveIndex(path)) mounted_.push_back(path);

    for (auto* buffer : {&files_shared::ReadBuffer(), &files_shared::OutputBuffer()})
        if (buffer->capacity() <= 1024) buffer->request(1024);
}

void USFileArchiveSystem::Clear() {
    index_.clear();
    mounted_.clear();
}

bool USFileArchiveSystem::IsMounted(const std::string& path) const {
    for (const std::string& m : mounted_)
        if (strcasecmp(m.c_str(), path.c_str()) == 0) return true;
    return false;
}

bool USFileArchiveSystem::LoadArchiveIndex(const std::string& path) {
    FileCloser file{OpenForRead(path)};
    if (file.handle == INVALID_HANDLE_VALUE) return false;
    char magic[16];
    if (!ReadExactly(file.handle, magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof magic) != 0) return false;
    DWORD sizeHigh = 0;
    const std::uint64_t fileSize = GetFileSize(file.handle, &sizeHigh) | (static_cast<std::uint64_t>(sizeHigh) << 32);

    std::uint64_t running = sizeof kMagic;
    std::string name;
    for (;;) {
        unsigned char header[kHeaderSize];
        if (!ReadExactly(file.handle, header, kHeaderSize)) return false;
        const std::uint32_t stored = ReadU32(header);
        if (stored == 0) return true;
        const std::uint32_t nameLength = ReadU32(header + 8);
        // An entry must lie inside the file (and inside the 32-bit offsets of the index); one that
        // does not is where the archive was cut short or damaged: the index ends before it.
        const std::uint64_t dataOffset = running + kHeaderSize + nameLength;
        if (dataOffset + stored > fileSize || dataOffset > 0xFFFFFFFFu) return false;
        name.resize(nameLength);
        if (!ReadExactly(file.handle, name.data(), nameLength)) return false;
        RegisterEntry(name, path, static_cast<std::uint32_t>(dataOffset), stored, ReadU32(header + 4),
                      ReadU32(header + 12), ReadU32(header + 16));
        running = dataOffset + stored;
        LONG high = static_cast<LONG>(running >> 32);
        if (SetFilePointer(file.handle, static_cast<LONG>(running & 0xFFFFFFFFu), &high, FILE_BEGIN) ==
                INVALID_SET_FILE_POINTER &&
            GetLastError() != ERROR_SUCCESS)
            return false;
    }
}

void USFileArchiveSystem::RegisterEntry(const std::string& name, const std::string& archivePath,
                                        std::uint32_t offset, std::uint32_t storedSize, std::uint32_t unpackedSize,
                                        std::uint32_t reservedA, std::uint32_t reservedB) {
    index_[name] = IndexRecord{archivePath, offset, storedSize, unpackedSize, reservedA, reservedB};
}

bool USFileArchiveSystem::Exists(const std::string& name) const { return index_.find(name) != index_.end(); }

const USFileArchiveSystem::IndexRecord* USFileArchiveSystem::Find(const std::string& name) const {
    if (index_.empty()) return nullptr;
    auto it = index_.find(name);
    return it == index_.end() ? nullptr : &it->second;
}

bool USFileArchiveSystem::ReadStored(const IndexRecord& record, unsigned char* into) {
    if (!into) return false;
    FileCloser file{OpenForRead(record.archivePath)};
    if (file.handle == INVALID_HANDLE_VALUE) return false;
    LONG high = 0;
    if (SetFilePointer(file.handle, static_cast<LONG>(record.offset), &high, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER &&
        GetLastError() != ERROR_SUCCESS)
        return false;
    if (!ReadExactly(file.handle, into, record.storedSize)) return false;
    cipher_.Decrypt(into, record.storedSize);
    return true;
}

// A compressed entry's claimed size must be one its stored bytes can produce; a larger claim is
// damage, and allocating it could exhaust memory.
static bool PlausibleUnpacked(const USFileArchiveSystem::IndexRecord& record) {
    return record.unpackedSize <= CLZSS::MaxUnpackedSize(record.storedSize);
}

unsigned char* USFileArchiveSystem::ReadEntry(const std::string& name) {
    const IndexRecord* record = Find(name);
    if (!record || (record->unpackedSize && !PlausibleUnpacked(*record))) return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(record->storedSize));
    if (!ReadStored(*record, block)) {
        std::free(block);
        return nullptr;
    }
    if (record->unpackedSize == 0) {
        lastSize_ = record->storedSize;
        return block;
    }
    unsigned char* out = nullptr;
    CLZSS lzss;
    bool ok = lzss.Decode(block, record->storedSize, out, record->unpackedSize, true);
    std::free(block);
    if (!ok) return nullptr;
    lastSize_ = record->unpackedSize;
    return out;
}

unsigned char* USFileArchiveSystem::ReadEntryText(const std::string& name) {
    const IndexRecord* record = Find(name);
    if (!record || (record->unpackedSize && !PlausibleUnpacked(*record))) return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(std::size_t{record->storedSize} + 1));
    if (!ReadStored(*record, block)) {
        std::free(block);
        return nullptr;
    }
    if (record->unpackedSize == 0) {
        block[record->storedSize] = 0;
        lastSize_ = record->storedSize;
        return block;
    }
    auto* out = static_cast<unsigned char*>(std::malloc(std::size_t{record->unpackedSize} + 1));
    CLZSS lzss;
    bool ok = out && lzss.Decode(block, record->storedSize, out, record->unpackedSize, false);
    std::free(block);
    if (!ok) {
        std::free(out);
        return nullptr;
    }
    out[record->unpackedSize] = 0;
    lastSize_ = record->unpackedSize;
    return out;
}

unsigned char* USFileArchiveSystem::ReadEntryShared(const std::string& name) {
    const IndexRecord* record = Find(name);
    if (!record || (record->unpackedSize && !PlausibleUnpacked(*record))) return nullptr;
    auto& readBuffer = files_shared::ReadBuffer();
    if (!ReadStored(*record, readBuffer.request(record->storedSize))) return nullptr;
    if (record->unpackedSize == 0) {
        lastSize_ = record->storedSize;
        return readBuffer.data();
    }
    unsigned char* out = files_shared::OutputBuffer().request(record->unpackedSize);
    CLZSS lzss;
    if (!out || !lzss.Decode(readBuffer.data(), record->storedSize, out, record->unpackedSize, false)) return nullptr;
    lastSize_ = record->unpackedSize;
    return out;
}

bool ArchiveFileExists(const char* name) {
    return name && (USFileArchiveSystem::GetInstance()->Exists(name) || PathExists(name, false));
}
