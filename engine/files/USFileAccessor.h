// IUSFileAccessor and CUSFileCtrlEX: a file accessor over a Win32 file handle for the readers and
// writers that move bytes themselves (mesh files, parts render info). Every failure throws
// CUSFileError with the file name, a fixed message and its code.
#pragma once
#include <cstdint>
#include <string>

#include <windows.h>

class CUSFileError {
public:
    CUSFileError(std::string message, std::string fileName, std::uint16_t code)
        : message_(std::move(message)), fileName_(std::move(fileName)), code_(code) {}
    virtual ~CUSFileError() = default;
    virtual const std::string& GetFileName() const { return fileName_; }
    virtual const std::string& GetMessage() const { return message_; }
    virtual std::uint16_t GetCode() const { return code_; }

private:
    std::string message_;
    std::string fileName_;
    std::uint16_t code_;
};

class IUSFileAccessor {
public:
    virtual ~IUSFileAccessor() = default;
    virtual void OpenLoad(const std::string& name) = 0;
    virtual void OpenSave(const std::string& name) = 0;
    virtual void Close() = 0;
    virtual std::uint32_t Read(void* buffer, std::uint32_t count) = 0;
    virtual std::uint32_t Write(const void* buffer, std::uint32_t count) = 0;
    virtual std::uint32_t GetSize() = 0;
    // origin: 0 from the start, 1 from the current position, 2 from the end. Returns the new position.
    virtual std::uint32_t Seek(std::int32_t distance, std::uint32_t origin) = 0;
    virtual std::uint32_t SeekToEnd() { return Seek(0, 2); }
    // Bytes moved since opening, or the result of the last seek.
    virtual std::uint32_t GetPosition() const { return position_; }
    // The name given to the last open.
    virtual const std::string& GetFileName() const { return fileName_; }

protected:
    std::string fileName_;
    std::uint32_t position_ = 0;
};

class CUSFileCtrlEX : public IUSFileAccessor {
public:
    enum Mode : std::uint32_t { kLoad = 0, kSave = 1, kClosed = 255 };

    CUSFileCtrlEX() = default;
    CUSFileCtrlEX(const CUSFileCtrlEX&) = delete;
    CUSFileCtrlEX& operator=(const CUSFileCtrlEX&) = delete;
    ~CUSFileCtrlEX() override;

    // Opens an existing file for reading (shared read).
    void OpenLoad(const std::string& name) override;
    // Truncates an existing file, else creates a new one; write access, no sharing.
    void OpenSave(const std::string& name) override;
    void Close() override;
    // Reads exactly count bytes; a read that comes up short fails like any other.
    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    std::uint32_t Write(const void* buffer, std::uint32_t count) override;
    std::uint32_t GetSize() override;
    std::uint32_t Seek(std::int32_t distance, std::uint32_t origin) override;

    std::uint32_t GetMode() const { return mode_; }

private:
    [[noreturn]] void Fail(const char* message, std::uint16_t code) const;

    HANDLE handle_ = nullptr;
    std::uint32_t mode_ = kClosed;
};
