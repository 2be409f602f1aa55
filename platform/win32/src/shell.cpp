// ShellExecuteA "open": web and mail addresses and documents go to the desktop's opener (xdg-open);
// program files are never run from here. win32::StartProgram runs a program file. Both start their
// process detached, in the current directory.
#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <string>

#include "win32/codepage.h"
#include "win32/path.h"
#include "win32/shell.h"

extern char** environ;

namespace {

// Runs program with at most one argument; a double fork, so that the started process is not our
// child and leaves no zombie. True when it started.
bool SpawnDetached(std::string program, std::string argument) {
    pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        setsid();
        pid_t pid;
        char* argv[] = {program.data(), argument.empty() ? nullptr : argument.data(), nullptr};
        int rc = posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ);
        _exit(rc == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool StartsWithCaseBlind(const char* text, const char* prefix) {
    return strncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

// Addresses the opener gets: the web and mail. Other schemes (file:, or those whose handlers run
// programs) are refused.
bool IsOpenableAddress(const char* file) {
    return StartsWithCaseBlind(file, "http://") || StartsWithCaseBlind(file, "https://") ||
           StartsWithCaseBlind(file, "mailto:");
}

// Documents by their extension: what an opener shows rather than runs.
bool IsDocumentName(const std::string& path) {
    static const char* const kExtensions[] = {".txt", ".htm", ".html", ".pdf", ".png", ".jpg", ".jpeg", ".gif", ".bmp"};
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    for (const char* extension : kExtensions)
        if (strcasecmp(path.c_str() + dot, extension) == 0) return true;
    return false;
}

// True when the scheme-like start of file ("x:" with two or more letters) makes it an address rather
// than a path (a drive letter has one).
bool HasScheme(const char* file) {
    const char* p = file;
    if (!std::isalpha(static_cast<unsigned char>(*p))) return false;
    while (std::isalnum(static_cast<unsigned char>(*p)) || *p == '+' || *p == '-' || *p == '.') ++p;
    return *p == ':' && p - file >= 2;
}

HINSTANCE Result(INT_PTR code) { return reinterpret_cast<HINSTANCE>(code); }

}  // namespace

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR, LPCSTR, INT) {
    if (!file || (operation && std::strcmp(operation, "open") != 0)) return Result(31);
    if (HasScheme(file)) {
        if (!IsOpenableAddress(file)) return Result(SE_ERR_ACCESSDENIED);
        return Result(SpawnDetached("xdg-open", win32::Cp932ToUtf8(file)) ? 33 : SE_ERR_FNF);
    }
    const std::string target = win32::NativePath(file);
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) return Result(SE_ERR_FNF);
    // A program file is never run, whatever its name; other files open only as documents.
    if (!S_ISREG(st.st_mode) || (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) || !IsDocumentName(target))
        return Result(SE_ERR_ACCESSDENIED);
    return Result(SpawnDetached("xdg-open", target) ? 33 : SE_ERR_FNF);
}

namespace win32 {

bool StartProgram(const char* path) {
    if (!path) return false;
    std::string program = NativePath(path);
    struct stat st;
    if (::stat(program.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(program.c_str(), X_OK) != 0) return false;
    if (program.find('/') == std::string::npos) program = "./" + program;
    return SpawnDetached(program, std::string());
}

}  // namespace win32
