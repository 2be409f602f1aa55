// Writes archives ("*.arc") in the layout the engine mounts: the magic, then per entry five u32
// (stored size, unpacked size or 0, name length, two reserved zeros), the name and the stored bytes
// (LZSS-compressed when asked and when the encoder accepts the data, then XOR-enciphered), and an
// end header whose stored size is 0. Used by the arcpack tool and by tests that need archives.
#pragma once
#include <string>
#include <vector>

namespace arcpack {

struct Entry {
    std::string name;  // Byte-exact as the game asks for it (CP932, '\' separators).
    std::vector<unsigned char> data;
};

// The whole archive as bytes. An entry with no data cannot be stored (its header would read as the
// end marker): BuildArchive throws std::invalid_argument for it.
std::vector<unsigned char> BuildArchive(const std::vector<Entry>& entries, const std::string& key, bool compress);

// Writes bytes to a native path; false on failure.
bool WriteBytes(const std::string& nativePath, const std::vector<unsigned char>& bytes);

}  // namespace arcpack
