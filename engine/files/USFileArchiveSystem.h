// The archive half of the virtual file system: mounts every "*.arc" of the current directory into
// one index of entry names (byte-exact) and reads entries back deciphered and decompressed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <boost/unordered_map.hpp>

#include "engine/files/USEncryption.h"
#include "engine/util/USSingleton.h"

class USFileArchiveSystem : public USLib::singleton<USFileArchiveSystem> {
public:
    // Where one entry's stored bytes are.
    struct IndexRecord {
        std::string archivePath;  // As found in the directory listing, relative to the current directory.
        std::uint32_t offset;
        std::uint32_t storedSize;
        std::uint32_t unpackedSize;  // 0: stored uncompressed.
        std::uint32_t reservedA;
        std::uint32_t reservedB;
    };

    USFileArchiveSystem();
    ~USFileArchiveSystem() override = default;

    // Rebuilds the index: stores the key and the archive-first flag, then (with useArchives) indexes
    // every "*.arc" of the current directory, oldest last-write time first, so that the newest
    // archive provides a name held by several (equal times: the one listed later).
    void Init(std::string key, bool archiveFirst, bool useArchives);
    void Clear();
    // Indexes one archive; true when its end marker was reached. A wrong magic registers nothing;
    // an archive cut short keeps the entries indexed before the cut.
    bool LoadArchiveIndex(const std::string& path);
    // Adds a record, or overwrites the one held under that name.
    virtual void RegisterEntry(const std::string& name, const std::string& archivePath, std::uint32_t offset,
                               std::uint32_t storedSize, std::uint32_t unpackedSize, std::uint32_t reservedA,
                               std::uint32_t reservedB);
    virtual bool Exists(const std::string& name) const;
    // Whether Init indexed the archive of that file name (any case) whole: false for one missing,
    // unreadable, of a wrong magic or cut short.
    bool IsMounted(const std::string& path) const;

    // The entry's bytes (null when absent or unreadable); the size goes to GetLastSize. ReadEntry and
    // ReadEntryText give a new std::malloc block (ReadEntryText with a zero byte after the data);
    // ReadEntryShared gives a pointer into the shared buffers, valid until the next shared load.
    unsigned char* ReadEntry(const std::string& name);
    unsigned char* ReadEntryText(const std::string& name);
    unsigned char* ReadEntryShared(const std::string& name);

    std::uint32_t GetLastSize() const { return lastSize_; }
    bool IsArchiveFirst() const { return archiveFirst_; }
    const IndexRecord* Find(const std::string& name) const;

private:
    // Reads the record's stored bytes into `into` and deciphers them.
    bool ReadStored(const IndexRecord& record, unsigned char* into);

    boost::unordered_map<std::string, IndexRecord> index_;
    std::vector<std::string> mounted_;  // archives Init indexed whole
    std::uint32_t lastSize_ = 0;
    bool archiveFirst_ = false;
    std::string key_;
    CUSXOREncryption cipher_;
};

// True when name is an archive entry, or else a loose file (not a directory) of that name exists.
bool ArchiveFileExists(const char* name);
