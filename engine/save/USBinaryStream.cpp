// binary_istream: whole-file reads through the Win32 file calls, bounded reads and skips.
#include "engine/save/USBinaryStream.h"

#include <windows.h>

namespace USLib {

binary_istream::binary_istream(binary_istream&& other) noexcept
    : data_(other.data_), owns_(other.owns_), size_(other.size_), position_(other.position_) {
    other.data_ = nullptr;
    other.owns_ = other.size_ = other.position_ = 0;
}

void binary_istream::Close() {
    if (owns_) std::free(data_);
    data_ = nullptr;
    owns_ = size_ = position_ = 0;
}

bool binary_istream::Open(const char* path) {
    Close();
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(file, nullptr);
    data_ = size == INVALID_FILE_SIZE ? nullptr : static_cast<unsigned char*>(std::malloc(size ? size : 1));
    owns_ = 1;
    size_ = data_ ? size : 0;
    DWORD got = 0;
    bool ok = data_ && ReadFile(file, data_, size, &got, nullptr) && got == size;
    CloseHandle(file);
    if (!ok) Close();
    return ok;
}

void binary_istream::Attach(const unsigned char* data, std::uint32_t size) {
    Close();
    data_ = const_cast<unsigned char*>(data);
    size_ = size;
}

void binary_istream::Need(std::uint32_t n) const {
    if (n > size_ - position_) throw stream_error("binary_istream: read past the end");
}

void binary_istream::Read(void* dst, std::uint32_t n) {
    Need(n);
    if (n) std::memcpy(dst, data_ + position_, n);
    position_ += n;
}

const unsigned char* binary_istream::Skip(std::uint32_t n) {
    Need(n);
    const unsigned char* at = data_ + position_;
    position_ += n;
    return at;
}

}  // namespace USLib
