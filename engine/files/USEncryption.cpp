// Repeating-key XOR cipher of the archives.
#include "engine/files/USEncryption.h"

#include <cstddef>

int CUSXOREncryption::Decrypt(void* buffer, std::uint32_t size) {
    // An empty key leaves the bytes as they are (nothing to XOR with).
    if (!key_ || keyLength_ == 0 || !buffer) return 1;
    auto* p = static_cast<unsigned char*>(buffer);
    // The key repeated into a block of whole key periods: XOR-ing block by block keeps the key
    // position right and gives the compiler a fixed-length loop it can vectorise.
    constexpr std::size_t kBlock = 512;
    std::size_t period = keyLength_ <= kBlock ? (kBlock / keyLength_) * keyLength_ : 0;
    if (period == 0) {
        for (std::uint32_t i = 0; i < size; ++i) p[i] ^= static_cast<unsigned char>(key_[i % keyLength_]);
        return 1;
    }
    unsigned char pattern[kBlock];
    for (std::size_t i = 0; i < period; ++i) pattern[i] = static_cast<unsigned char>(key_[i % keyLength_]);
    std::size_t done = 0;
    for (; done + period <= size; done += period)
        for (std::size_t i = 0; i < period; ++i) p[done + i] ^= pattern[i];
    for (std::size_t i = 0; done + i < size; ++i) p[done + i] ^= pattern[i];
    return 1;
}

int CUSXOREncryption::Encrypt(void* buffer, std::uint32_t size) { return Decrypt(buffer, size); }

void CUSXOREncryption::GetKey(const char** key, std::uint32_t* length) {
    if (key) *key = nullptr;
    if (length) *length = 0;
}

void CUSXOREncryption::SetKey(const char* key, std::uint32_t length) {
    key_ = key;
    keyLength_ = length;
}
