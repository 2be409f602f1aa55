// Archive writer: LZSS through the engine's own encoder, the engine's cipher, little-endian headers.
#include "tools/arcpack/ArcWriter.h"

#include <cstdint>
#include <fstream>
#include <stdexcept>

#include "engine/files/LZSS.h"
#include "engine/files/USEncryption.h"

namespace arcpack {

namespace {

void PutU32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

}  // namespace

std::vector<unsigned char> BuildArchive(const std::vector<Entry>& entries, const std::string& key, bool compress) {
    CUSXOREncryption cipher;
    cipher.SetKey(key.data(), static_cast<std::uint32_t>(key.size()));
    std::vector<unsigned char> out{'B', 'R', 'A', 'M', 'B', 'L', 'E', '_', 'A', 'R', 'C', '_', 'F', 'I', 'L', 'E'};
    for (const Entry& entry : entries) {
        if (entry.data.empty()) throw std::invalid_argument("empty entry cannot be stored: " + entry.name);
        std::vector<unsigned char> stored;
        std::uint32_t unpacked = 0;
        CLZSS lzss;
        const auto size = static_cast<std::uint32_t>(entry.data.size());
        if (compress && lzss.Encode(entry.data.data(), size, stored))
            unpacked = size;
        else
            stored = entry.data;
        cipher.Encrypt(stored.data(), static_cast<std::uint32_t>(stored.size()));
        PutU32(out, static_cast<std::uint32_t>(stored.size()));
        PutU32(out, unpacked);
        PutU32(out, static_cast<std::uint32_t>(entry.name.size()));
        PutU32(out, 0);
        PutU32(out, 0);
        out.insert(out.end(), entry.name.begin(), entry.name.end());
        out.insert(out.end(), stored.begin(), stored.end());
    }
    for (int i = 0; i < 5; ++i) PutU32(out, 0);
    return out;
}

bool WriteBytes(const std::string& nativePath, const std::vector<unsigned char>& bytes) {
    std::ofstream file(nativePath, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}

}  // namespace arcpack
