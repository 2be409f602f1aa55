// A compiled scenario code file: the whole file as 32-bit little-endian words, shared by the cursors
// that read it and kept under its name so that a saved cursor can open it again.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CVirtualCode;
using VirtualCodePtr = std::shared_ptr<CVirtualCode>;

class CVirtualCode {
public:
    virtual ~CVirtualCode() = default;

    // Opens a code file through the file layer; empty when it cannot be read (the file layer logs it).
    static VirtualCodePtr Create(const std::string& name);
    // True when name is one the game runs as code: an archive entry, or a file in the game's "scenario"
    // or "bin" folder (a relative name that never leaves it). Anything else (a save, the configuration,
    // a program) is never opened as code on a saved record's word.
    static bool IsCodeFileName(const std::string& name);
    // A code file made from bytes already in memory (the assembler's output, tests).
    static VirtualCodePtr CreateFromBytes(const std::string& name, const void* bytes, uint32_t size);

    virtual void Release();
    bool Load(const std::string& name);

    // The image always ends with at least four zero bytes beyond the size, so that a string that is not
    // terminated inside the file still ends before the image does.
    const uint32_t* GetWords() const { return image_.data(); }
    const uint8_t* GetBytes() const { return reinterpret_cast<const uint8_t*>(image_.data()); }
    uint32_t GetSize() const { return size_; }
    const std::string& GetName() const { return name_; }

private:
    void Assign(const std::string& name, const void* bytes, uint32_t size);

    std::vector<uint32_t> image_;
    uint32_t size_ = 0;
    std::string name_;
};
