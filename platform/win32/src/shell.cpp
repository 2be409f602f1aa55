// ShellExecuteA "open": runs a program file itself, and hands any other file or address to the
// desktop's opener (xdg-open); either way detached, in the current directory.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "win32/codepage.h"
#include "win32/path.h"
#include "win32/shell.h"

extern char** environ;

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR, LPCSTR, INT) {
    if (!file || (operation && std::strcmp(operation, "open") != 0)) return reinterpret_cast<HINSTANCE>(31);
    // Addresses pass as they are; paths are mapped to native ones.
    bool address = std::strstr(file, "://") != nullptr;
    std::string target = address ? win32::Cp932ToUtf8(file) : win32::NativePath(file);
    struct stat st;
    if (!address && ::stat(target.c_str(), &st) != 0) return reinterpret_cast<HINSTANCE>(2);  // file not found
    std::string program = "xdg-open";
    if (!address && S_ISREG(st.st_mode) && ::access(target.c_str(), X_OK) == 0) {
        program = target.find('/') == std::string::npos ? "./" + target : target;
        target.clear();
    }
    // Double fork so that the started process is not our child and leaves no zombie.
    pid_t child = fork();
    if (child < 0) return reinterpret_cast<HINSTANCE>(0);
    if (child == 0) {
        setsid();
        pid_t pid;
        char* argv[] = {program.data(), target.empty() ? nullptr : target.data(), nullptr};
        int rc = posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ);
        _exit(rc == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(ok ? 33 : 2));
}
