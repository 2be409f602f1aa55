// Scratch folder and input helpers of the fuzz targets.
#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fuzz {
namespace {
std::string g_scratch;

void RemoveScratch() {
    if (g_scratch.empty()) return;
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
    std::filesystem::remove_all(g_scratch, ignored);
}
}  // namespace

void EnterScratch() {
    if (!g_scratch.empty()) return;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::string pattern = (std::filesystem::temp_directory_path() / "marlowe_fuzz_XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    g_scratch = pattern;
    std::filesystem::current_path(g_scratch);
    std::atexit(RemoveScratch);
}

void WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
    std::filesystem::path path(name);
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", name.c_str());
        std::abort();
    }
}

void RemoveFile(const std::string& name) {
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
}

std::uint32_t Input::U32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(U8()) << (8 * i);
    return v;
}

std::uint8_t Input::U8() { return pos_ < size_ ? data_[pos_++] : 0; }
}  // namespace fuzz
