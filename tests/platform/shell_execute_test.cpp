// Starting a program file: it runs in the current folder, detached. ShellExecuteA "open": addresses
// and documents reach the desktop's opener (a stand-in xdg-open on PATH records what it was given),
// program files and other names are refused without anything being run, and a missing file is
// reported as not found.
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

TEST_F(ShellExecuteTest, StartProgramRunsAProgramInTheCurrentFolder) {
    // The program writes the folder it runs in, then its parent process id (1 or a subreaper once
    // detached from us would do; ours would mean it is still our child).
    std::ofstream("Game") << "#!/bin/sh\npwd > ran.tmp && echo $PPID >> ran.tmp && mv ran.tmp ran.txt\n";
    ::chmod("Game", 0755);
    EXPECT_TRUE(win32::StartProgram("GAME"));
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
    EXPECT_FALSE(win32::StartProgram("Missing"));
    std::ofstream("notes.txt") << "not a program\n";
    EXPECT_FALSE(win32::StartProgram("notes.txt"));
}

TEST_F(ShellExecuteTest, OpenPassesAddressesAndDocumentsAndNeverRunsAProgram) {
    // The stand-in opener writes its argument to opened.txt; every program here would write ran.txt.
    std::filesystem::create_directory("bin");
    const std::string opened = m_folder.string() + "/opened";
    std::ofstream("bin/xdg-open") << "#!/bin/sh\necho \"$1\" > \"" << opened << ".tmp\" && mv \"" << opened
                                  << ".tmp\" \"" << opened << ".txt\"\n";
    ::chmod("bin/xdg-open", 0755);
    const std::string run = "#!/bin/sh\ntouch ran.txt\n";
    for (const char* name : {"Game", "game.txt", "start.html", "Game.sh", "setup.exe", "launch.desktop"})
        std::ofstream(name) << run;
    for (const char* name : {"Game", "game.txt", "start.html"}) ::chmod(name, 0755);
    std::ofstream("manual.TXT") << "a manual\n";
    std::ofstream("page.html") << "<p>a page</p>\n";
    std::filesystem::create_directory("docs");
    std::ofstream("docs/guide.pdf") << "%PDF-1.4\n";
    const std::string path = (m_folder / "bin").string() + ":" + ::getenv("PATH");
    const std::string previousPath = ::getenv("PATH");
    ::setenv("PATH", path.c_str(), 1);
    const struct {
        const char* file;
        INT_PTR result;    // 33 opened, 5 refused, 2 not found
        const char* given;  // what the opener got, or nothing
    } cases[] = {
        {"https://example.org/a?b=c", 33, "https://example.org/a?b=c"},
        {"HTTP://example.org/", 33, "HTTP://example.org/"},
        {"mailto:someone@example.org", 33, "mailto:someone@example.org"},
        {"manual.TXT", 33, "manual.TXT"},
        {"page.html", 33, "page.html"},
        {"docs\\guide.pdf", 33, "docs/guide.pdf"},
        {"Game", 5, nullptr},  // a program in the game folder
        {"game.txt", 5, nullptr},  // a program named like a document
        {"start.html", 5, nullptr},
        {"Game.sh", 5, nullptr},  // not executable, but a script an opener may run
        {"setup.exe", 5, nullptr},
        {"launch.desktop", 5, nullptr},
        {"docs", 5, nullptr},
        {"file:///bin/sh", 5, nullptr},
        {"smb://server/share", 5, nullptr},
        {"Missing.txt", 2, nullptr},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.file);
        std::filesystem::remove("opened.txt");
        HINSTANCE result = ShellExecuteA(nullptr, "open", k.file, nullptr, nullptr, SW_SHOWNORMAL);
        EXPECT_EQ(reinterpret_cast<INT_PTR>(result), k.result);
        // ShellExecuteA returns once the opener has started: wait for what it writes.
        for (int i = 0; i < 500 && k.given && !std::filesystem::exists("opened.txt"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream opened("opened.txt");
        std::string given;
        std::getline(opened, given);
        EXPECT_EQ(given, k.given ? k.given : "");
    }
    ::setenv("PATH", previousPath.c_str(), 1);
    // Nothing that was refused ran (a program would have had time to while the others were opened).
    EXPECT_FALSE(std::filesystem::exists("ran.txt"));
}

}  // namespace
