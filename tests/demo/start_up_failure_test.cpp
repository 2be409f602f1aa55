// The game started without what it needs (a display it can open, its data archive whole, its set-up
// scripts), as its own process on a copy of the game folder: it names what is missing on stderr (where
// the message box goes without a display) and in "log.txt", and leaves at once with status 1.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the game in folder with exactly the given environment; its status (-1: still running after a
// minute, then killed). Its stdout and stderr go to folder/out.txt.
int RunGame(const fs::path& folder, std::vector<std::string> env) {
    const std::string exe = (folder / "Marlowe").string(), out = (folder / "out.txt").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(exe.c_str()), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -2;
    int status = 0;
    for (int i = 0; i < 600; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

TEST(StartUpFailure, NamesWhatIsMissingAndLeavesWithStatusOne) {
    const fs::path scratch = fs::temp_directory_path() / ("start_up_failure_" + std::to_string(::getpid()));
    const fs::path game = scratch / "game";
    const char* const kDummy = "SDL_VIDEODRIVER=dummy";
    struct Case {
        const char* name;
        std::function<void()> spoil;  // what is taken from the game folder
        const char* display;          // the display's environment entry ("": no display at all)
        std::string said;             // UTF-8, on stderr and in log.txt
    };
    const Case cases[] = {
        {"no display", [] {}, "", "DISPLAY"},
        // An X display with no server behind it: never an invisible game on an off-screen driver.
        {"display that cannot be opened", [] {}, "DISPLAY=:65000", "DISPLAY"},
        {"no data archive", [&] { fs::remove(game / "data.arc"); }, kDummy, "「data.arc」が見つかりません"},
        {"data archive cut short",
         [&] { fs::resize_file(game / "data.arc", fs::file_size(game / "data.arc") / 2); }, kDummy,
         "「data.arc」が壊れています"},
        {"data archive of another kind",
         [&] { std::ofstream(game / "data.arc", std::ios::binary | std::ios::trunc) << "not an archive at all"; },
         kDummy, "「data.arc」が壊れています"},
        {"no set-up script folder", [&] { fs::remove_all(game / "AS"); }, kDummy, "「AS\\InitSystem.as」が見つかりません"},
        {"no novel set-up script", [&] { fs::remove(game / "AS" / "InitNovel.as"); }, kDummy,
         "「AS\\InitNovel.as」が見つかりません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(scratch);
        fs::create_directories(scratch);
        fs::copy(MARLOWE_GAME_DIR, game, fs::copy_options::recursive);
        c.spoil();
        std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + scratch.string(), "HOME=" + scratch.string(),
                                        "SDL_AUDIODRIVER=dummy"};
        if (*c.display) env.push_back(c.display);
        EXPECT_EQ(RunGame(game, env), 1);
        EXPECT_NE(ReadAll(game / "out.txt").find(c.said), std::string::npos) << ReadAll(game / "out.txt");
        EXPECT_NE(ReadAll(game / "log.txt").find(c.said), std::string::npos);
    }
    fs::remove_all(scratch);
}

}  // namespace
