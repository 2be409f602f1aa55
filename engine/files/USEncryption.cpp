// Repeating-key XOR cipher of the archives.
#include "engine/files/USEncryption.h"

#include <cstddef>
#include <cstring>

int CUSXOREncryption::Decrypt(void* buffer, std::uint32_t size) {
    // An empty key leaves the bytes as they are (nothing to XOR with).
    if (!key_ || keyLength_ == 0 || !buffer) return 1;
    auto* p = static_cast<unsigned char*>(buffer);
    // Whole blocks are XOR-ed 8 bytes at a time with the key repeated into a pattern, read from the
    // key position at which the block starts; the rest byte by byte.
    constexpr std::size_t kBlock = 512, kMaxFastKey = 64;
    std::size_t done = 0;
    if (keyLength_ <= kMaxFastKey) {
        unsigned char pattern[kBlock + kMaxFastKey];
        for (std::size_t i = 0; i < sizeof pattern; ++i) pattern[i] = static_cast<unsigned char>(key_[i % keyLength_]);
        std::size_t shift = 0;
        for (; done + kBlock <= size; done += kBlock) {
            for (std::size_t i = 0; i < kBlock; i += 8) {
                std::uint64_t a, k;
                std::memcpy(&a, p + done + i, 8);
                std::memcpy(&k, pattern + shift + i, 8);
                a ^= k;
                std::memcpy(p + done + i, &a, 8);
            }
            shift = (shift + kBlock) % keyLength_;
        }
    }
    for (std::size_t i = done; i < size; ++i) p[i] ^= static_cast<unsigned char>(key_[i % keyLength_]);
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
