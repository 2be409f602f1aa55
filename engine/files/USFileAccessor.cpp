// CUSFileCtrlEX over CreateFileA / ReadFile / WriteFile / SetFilePointer.
#include "engine/files/USFileAccessor.h"

CUSFileCtrlEX::~CUSFileCtrlEX() { Close(); }

void CUSFileCtrlEX::Fail(const char* message, std::uint16_t code) const {
    throw CUSFileError(message, fileName_, code);
}

void CUSFileCtrlEX::OpenLoad(const std::string& name) {
    fileName_ = name;
    if (mode_ != kClosed) Fail("Already Open(Load)", 3);
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) Fail("Don't Open File(Load)", 1);
    handle_ = h;
    mode_ = kLoad;
    position_ = 0;
}

void CUSFileCtrlEX::OpenSave(const std::string& name) {
    fileName_ = name;
    if (mode_ != kClosed) Fail("Already Open(Save)", 4);
    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) Fail("Don't Open File(Save)", 2);
    handle_ = h;
    mode_ = kSave;
    position_ = 0;
}

void CUSFileCtrlEX::Close() {
    if (mode_ == kClosed) return;
    CloseHandle(handle_);
    handle_ = nullptr;
    mode_ = kClosed;
}

std::uint32_t CUSFileCtrlEX::Read(void* buffer, std::uint32_t count) {
    DWORD got = 0;
    if (mode_ != kLoad || !buffer || count == 0 || !ReadFile(handle_, buffer, count, &got, nullptr) || got != count)
        Fail("Don't Read", 5);
    position_ += got;
    return got;
}

std::uint32_t CUSFileCtrlEX::Write(const void* buffer, std::uint32_t count) {
    DWORD put = 0;
    if (mode_ != kSave || !buffer || count == 0 || !WriteFile(handle_, buffer, count, &put, nullptr) || put != count)
        Fail("Don't Write", 6);
    position_ += put;
    return put;
}

std::uint32_t CUSFileCtrlEX::GetSize() {
    if (mode_ == kClosed) Fail("Don't Get Size", 7);
    return GetFileSize(handle_, nullptr);
}

std::uint32_t CUSFileCtrlEX::Seek(std::int32_t distance, std::uint32_t origin) {
    position_ = SetFilePointer(handle_, distance, nullptr, origin);
    return position_;
}
