// A fresh temporary folder that is the current directory for the life of one test object; the old
// current directory comes back and the folder is removed afterwards.
#pragma once
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Native absolute path of the folder.
    const std::string& Path() const { return path_; }
    // Writes a file (native path relative to the folder), creating its folders.
    void Write(const std::string& relative, std::string_view bytes) const;
    void Write(const std::string& relative, const std::vector<unsigned char>& bytes) const;
    std::string Read(const std::string& relative) const;
    // Sets a file's last-write time (seconds since 1970).
    void SetMTime(const std::string& relative, std::time_t seconds) const;
    // Points the game log at "log.txt" in this folder (emptied) and returns what it holds later.
    void OpenLog() const;
    std::string Log() const { return Read("log.txt"); }

private:
    std::string path_;
    std::string previous_;
};
