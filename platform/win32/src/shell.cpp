// ShellExecuteA "open": hands a file or address to the desktop's opener (xdg-open), detached.
#include <spawn.h>
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
    std::string target = std::strstr(file, "://") ? win32::Cp932ToUtf8(file) : win32::NativePath(file);
    // Double fork so that the opener is not our child and leaves no zombie.
    pid_t child = fork();
    if (child < 0) return reinterpret_cast<HINSTANCE>(0);
    if (child == 0) {
        setsid();
        pid_t pid;
        char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(target.c_str()), nullptr};
        int rc = posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ);
        _exit(rc == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(ok ? 33 : 2));
}
