// ShellExecuteA "open": a program file in the current folder runs there, detached; a missing file is
// reported as not found without starting anything.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

class ShellExecuteTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "shell_test_XXXXXX").string();
        m_folder = ::mkdtemp(pattern.data());
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_folder);
    }
    void TearDown() override {
        std::filesystem::current_path(m_previous);
        std::filesystem::remove_all(m_folder);
    }
    std::filesystem::path m_folder, m_previous;
};

TEST_F(ShellExecuteTest, ProgramInTheCurrentFolderRunsThere) {
    // The program writes the folder it runs in, then its parent process id (1 or a subreaper once
    // detached from us would do; ours would mean it is still our child).
    std::ofstream("Game") << "#!/bin/sh\npwd > ran.tmp && echo $PPID >> ran.tmp && mv ran.tmp ran.txt\n";
    ::chmod("Game", 0755);
    HINSTANCE result = ShellExecuteA(nullptr, "open", "GAME", nullptr, nullptr, SW_SHOWNORMAL);
    EXPECT_GT(reinterpret_cast<INT_PTR>(result), 32);
    for (int i = 0; i < 500 && !std::filesystem::exists("ran.txt"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream ran("ran.txt");
    std::string folder;
    pid_t parent = 0;
    ASSERT_TRUE(std::getline(ran, folder) && (ran >> parent));
    EXPECT_EQ(std::filesystem::canonical(folder), std::filesystem::canonical(m_folder));
    EXPECT_NE(parent, ::getpid());
}

TEST_F(ShellExecuteTest, MissingFileIsNotFound) {
    HINSTANCE result = ShellExecuteA(nullptr, "open", "Missing", nullptr, nullptr, SW_SHOWNORMAL);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(result), 2);
}

}  // namespace
