// The archive cipher: byte i is XOR-ed with key[i mod key length] from position 0 on every call,
// whatever the key length and block size; the key is never handed out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/files/USEncryption.h"

namespace {

std::string Mixed(std::size_t n) {
    std::string key;
    for (std::size_t i = 0; i < n; ++i) key.push_back(static_cast<char>('!' + i * 7 % 90));
    return key;
}

TEST(XorCipher, EveryByteMeetsItsKeyCharacter) {
    const std::string keys[] = {"k", "abc", "qT7mRw2Z", Mixed(63), Mixed(64), Mixed(65)};
    const std::uint32_t sizes[] = {0, 1, 7, 511, 512, 513, 1500, 5003};
    for (const std::string& key : keys) {
        for (std::uint32_t size : sizes) {
            std::vector<unsigned char> bytes(size);
            for (std::uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 13 + 5);
            std::vector<unsigned char> expected = bytes;
            for (std::uint32_t i = 0; i < size; ++i) expected[i] ^= static_cast<unsigned char>(key[i % key.size()]);
            CUSXOREncryption cipher;
            cipher.SetKey(key.data(), static_cast<std::uint32_t>(key.size()));
            EXPECT_EQ(1, cipher.Decrypt(bytes.data(), size));
            EXPECT_EQ(expected, bytes) << key.size() << " " << size;
        }
    }
}

TEST(XorCipher, EncryptUndoesDecryptAndTheKeyStaysHidden) {
    const std::string key = "qT7mRw2Z";
    CUSXOREncryption cipher;
    cipher.SetKey(key.data(), 8);
    std::string text = "scenario\\ch1.bin";
    cipher.Decrypt(text.data(), static_cast<std::uint32_t>(text.size()));
    EXPECT_NE("scenario\\ch1.bin", text);
    cipher.Encrypt(text.data(), static_cast<std::uint32_t>(text.size()));
    EXPECT_EQ("scenario\\ch1.bin", text);
    const char* got = "not null";
    std::uint32_t length = 99;
    cipher.GetKey(&got, &length);
    EXPECT_EQ(nullptr, got);
    EXPECT_EQ(0u, length);
}

}  // namespace
