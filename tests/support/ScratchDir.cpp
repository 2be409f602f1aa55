// ScratchDir: per-test temporary current directory.
#include "support/ScratchDir.h"

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "engine/util/USLogManager.h"
#include "win32/path.h"

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd)) previous_ = cwd;
    std::string pattern = (fs::temp_directory_path() / "marlowe_XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    if (::chdir(path_.c_str()) != 0) throw std::runtime_error("chdir failed");
}

ScratchDir::~ScratchDir() {
    if (!previous_.empty() && ::chdir(previous_.c_str()) != 0) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void ScratchDir::Write(const std::string& relative, std::string_view bytes) const {
    fs::path p = fs::path(path_) / relative;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void ScratchDir::Write(const std::string& relative, const std::vector<unsigned char>& bytes) const {
    Write(relative, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string ScratchDir::Read(const std::string& relative) const {
    std::ifstream file(fs::path(path_) / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void ScratchDir::SetMTime(const std::string& relative, std::time_t seconds) const {
    struct utimbuf times {seconds, seconds};
    ::utime((fs::path(path_) / relative).c_str(), &times);
}

void ScratchDir::OpenLog() const {
    // Before the module directory is set the log's folder is the root: an absolute name works.
    CUSSingleton<CUSLogManager>::GetInstance()->Open(win32::WindowsPath(path_ + "/log.txt").c_str());
}
