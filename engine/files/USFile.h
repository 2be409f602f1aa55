// CUSFile: a whole game file as one block of memory, read by name from a loose file or an archive
// entry (loose file first, unless the archive system was mounted archive-first); or a C stream on a
// loose file for the streaming sound loaders.
#pragma once
#include <cstdint>
#include <cstdio>

class CUSFile {
public:
    CUSFile() = default;
    CUSFile(const CUSFile&) = delete;
    CUSFile& operator=(const CUSFile&) = delete;
    // Closes an open stream and frees an owned image.
    ~CUSFile();

    // The image in a new owned block; the data pointer, or null (logged) when the file is missing.
    unsigned char* Load(const char* name);
    // The same with a zero byte after the data (not counted in size).
    unsigned char* LoadText(const char* name);
    // The image in the layer's shared buffers (not owned): valid until the next shared load.
    unsigned char* LoadShared(const char* name);
    // Opens the named loose file (never an archive entry) as a C stream in mode "rb".
    bool OpenStream(const char* name);
    // Hands the stream to a reader that will close it itself (a decoder that owns its stream).
    std::FILE* DetachStream();

    // Read directly by the callers.
    bool streamMode = false;
    unsigned char* data = nullptr;
    std::uint32_t size = 0;
    std::uint32_t owned = 1;
    std::FILE* stream = nullptr;

private:
    void Release();
};

// Loose-file readers behind CUSFile. ReadWholeFile returns a new std::malloc block of exactly the
// file's size (null when it cannot be read) and its size in *size.
unsigned char* ReadWholeFile(const char* name, std::uint32_t* size);
// Sets file.data and file.size: an owned block with a zero byte after the data.
void ReadLooseFileText(const char* name, CUSFile& file);
// Sets file.data and file.size: the shared read buffer; only for an existing file (not a directory).
void ReadLooseFileShared(const char* name, CUSFile& file);
