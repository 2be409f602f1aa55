// A fresh temporary folder made the current directory for one test, and small file helpers.
#include "settings_tool/support/TempFolder.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>

TempFolder::TempFolder() : m_previous(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "fenwick_test_XXXXXX").string();
    m_path = ::mkdtemp(pattern.data());
    std::filesystem::current_path(m_path);
}

TempFolder::~TempFolder() {
    std::filesystem::current_path(m_previous);
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteWholeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}
