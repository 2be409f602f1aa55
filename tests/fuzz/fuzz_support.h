// Shared by the fuzz targets: a private scratch folder made the current directory on first use (the
// game reads its files from there and writes its log there), removed when the process exits.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {
// Makes the scratch folder the current directory (once) and headless SDL drivers the default.
void EnterScratch();
// Writes bytes to a file of the scratch folder (relative native path, folders made as needed).
void WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size);
void RemoveFile(const std::string& name);

// Reads fixed-size values from the front of an input, zero when it runs out.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint32_t U32();
    std::uint8_t U8();
    const std::uint8_t* Rest() const { return data_ + pos_; }
    std::size_t RestSize() const { return size_ - pos_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};
}  // namespace fuzz
