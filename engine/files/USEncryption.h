// The archive cipher: a repeating-key XOR over a byte block, behind the IUSEncryption interface.
#pragma once
#include <cstdint>

class IUSEncryption {
public:
    virtual ~IUSEncryption() = default;
    virtual int Decrypt(void* buffer, std::uint32_t size) = 0;
    virtual int Encrypt(void* buffer, std::uint32_t size) = 0;
    // Never hands the key out: writes a null pointer and length 0.
    virtual void GetKey(const char** key, std::uint32_t* length) = 0;
};

class CUSXOREncryption : public IUSEncryption {
public:
    // buffer[i] ^= key[i mod key length], the key index starting at 0 on every call. Returns 1.
    int Decrypt(void* buffer, std::uint32_t size) override;
    // The cipher is its own inverse.
    int Encrypt(void* buffer, std::uint32_t size) override;
    void GetKey(const char** key, std::uint32_t* length) override;
    // The key is not copied: it must outlive the cipher.
    void SetKey(const char* key, std::uint32_t length);

private:
    const char* key_ = nullptr;
    std::uint32_t keyLength_ = 0;
};
