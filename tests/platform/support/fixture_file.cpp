// Reads an image fixture of tests/data/images into memory.
#include "fixture_file.h"

#include <fstream>
#include <iterator>

std::vector<unsigned char> ReadFixture(const std::string& name) {
    std::ifstream in(std::string(MARLOWE_TEST_DATA_DIR) + "/images/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
