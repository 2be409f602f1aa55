// The Fenwick program itself: a second start while one holds "OrrinLauncher" ends at once with 0, and
// without a display the dialog cannot be created (-1, status 255). Neither writes "config.xml".
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <windows.h>

#include <filesystem>

#include "support/ScratchDir.h"

extern char** environ;

namespace {

// Runs a copy of Fenwick in folder with no display and the given runtime folder; returns its status.
int RunFenwick(const std::filesystem::path& folder, const std::filesystem::path& runtime) {
    std::filesystem::copy_file(MARLOWE_BINARY_DIR "/game/Fenwick", folder / "Fenwick");
    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + runtime.string(), "SDL_VIDEODRIVER=dummy",
                                    "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = (folder / "Fenwick").string();
    char* argv[] = {program.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FenwickProcess, SecondInstanceEndsWithZeroAndNoDisplayWithMinusOne) {
    struct {
        bool otherInstance;
        int status;
    } const cases[] = {{true, 0}, {false, 255}};
    for (const auto& c : cases) {
        ScratchDir folder;
        const std::filesystem::path at = folder.Path();
        std::filesystem::create_directory("run");
        std::filesystem::create_directory("game");
        ::setenv("XDG_RUNTIME_DIR", (at / "run").c_str(), 1);
        HANDLE held = c.otherInstance ? CreateMutexA(nullptr, TRUE, "OrrinLauncher") : nullptr;
        EXPECT_EQ(RunFenwick(at / "game", at / "run"), c.status);
        EXPECT_FALSE(std::filesystem::exists("game/config.xml"));
        if (held) CloseHandle(held);
    }
}

}  // namespace
