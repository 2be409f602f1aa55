// Win32 file stand-in: Windows-style paths ('\', any letter case, CP932 names) reach the native file;
// directory search matches case-blind in name order; named mutexes; MulDiv.
#include <gtest/gtest.h>
#include <unistd.h>
#include <windows.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "win32/path.h"

namespace fs = std::filesystem;

namespace {

// A temporary folder made the current directory for one test.
class Win32FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "win32_XXXXXX").string();
        ASSERT_NE(nullptr, ::mkdtemp(pattern.data()));
        root_ = pattern;
        fs::current_path(root_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(root_);
    }
    void Touch(const std::string& utf8Relative, const std::string& content = "x") {
        fs::path p = root_ / utf8Relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << content;
    }
    std::string ReadThrough(const char* windowsPath) {
        HANDLE h = CreateFileA(windowsPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return "<none>";
        char buf[64];
        DWORD got = 0;
        ReadFile(h, buf, sizeof buf, &got, nullptr);
        CloseHandle(h);
        return std::string(buf, got);
    }
    fs::path root_, previous_;
};

// "ソース" in CP932 (the first character's trail byte is 0x5C, the code of '\').
const std::string kSource = "\x83\x5C\x81\x5B\x83\x58";

TEST_F(Win32FilesTest, WindowsPathsReachTheNativeFile) {
    Touch("Data/Image/bg.png", "bg");
    Touch("ソース/台本.txt", "script");
    Touch("save/q.sav", "quick");
    struct {
        std::string path;
        std::string content;
    } cases[] = {
        {"Data\\Image\\bg.png", "bg"},
        {"data\\IMAGE\\BG.PNG", "bg"},
        {"data/image\\bg.png", "bg"},
        {".\\save\\..\\save\\Q.SAV", "quick"},
        {kSource + "\\\x91\xe4\x96\x7b.txt", "script"},
        {kSource + "\\\x91\xe4\x96\x7b.TXT", "script"},
        {"Data\\Image\\missing.png", "<none>"},
        {"Data\\Image", "<none>"},  // A folder is not a file.
    };
    for (const auto& c : cases) EXPECT_EQ(c.content, ReadThrough(c.path.c_str())) << c.path;
    // Absolute paths carry no drive here; '\' becomes '/'.
    EXPECT_EQ((root_ / "save/q.sav").string(), win32::NativePath(win32::WindowsPath(root_.string()) + "\\SAVE\\Q.sav"));
}

TEST_F(Win32FilesTest, CreatingAFileKeepsTheExistingFolderSpelling) {
    Touch("Save/old.sav");
    HANDLE h = CreateFileA("SAVE\\new.sav", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);
    EXPECT_TRUE(fs::exists(root_ / "Save/new.sav"));
}

std::vector<std::string> Find(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(data.cFileName);
    while (FindNextFileA(h, &data));
    FindClose(h);
    return names;
}

TEST_F(Win32FilesTest, SearchMatchesWithoutCaseInNameOrder) {
    for (const char* name : {"b.arc", "A.ARC", "c.Arc", "d.arcx", "e[1].arc", "f.txt"}) Touch(name);
    Touch("ソース/x.ogg");
    using V = std::vector<std::string>;
    struct {
        std::string pattern;
        V names;
    } cases[] = {
        {"*.arc", V{"A.ARC", "b.arc", "c.Arc", "e[1].arc"}},
        {"E[1].ARC", V{"e[1].arc"}},
        {"?.txt", V{"f.txt"}},
        {kSource + "\\*.OGG", V{"x.ogg"}},
        {"*.wav", V{}},
    };
    for (const auto& c : cases) EXPECT_EQ(c.names, Find(c.pattern)) << c.pattern;
    EXPECT_EQ(V{kSource}, Find(kSource));
}

TEST(Win32Mutex, ASecondHolderGetsAlreadyExists) {
    const std::string name = "marlowe_test_mutex_" + std::to_string(::getpid());
    HANDLE first = CreateMutexA(nullptr, TRUE, name.c_str());
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
    HANDLE second = CreateMutexA(nullptr, TRUE, name.c_str());
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    CloseHandle(second);
    EXPECT_TRUE(ReleaseMutex(first));
    CloseHandle(first);
    // Once the first holder has gone the name is free again.
    HANDLE third = CreateMutexA(nullptr, TRUE, name.c_str());
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
    CloseHandle(third);
}

// Lock files of named mutexes live where only this user can reach them: XDG_RUNTIME_DIR, else a
// folder of the user's own (mode 0700) in the temporary folder, never one that is a link elsewhere.
TEST(Win32Mutex, LockFilesStayInAFolderOfTheUser) {
    const fs::path scratch = fs::temp_directory_path() / ("mutex_folder_" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    fs::create_directories(scratch / "runtime");
    fs::create_directories(scratch / "elsewhere");
    const std::string own = "marlowe-" + std::to_string(::getuid());
    auto env = [](const char* key) {
        const char* v = std::getenv(key);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    const auto runtime = env("XDG_RUNTIME_DIR"), tmp = env("TMPDIR");
    struct Case {
        const char* name;
        std::string runtime;                 // empty: unset
        std::function<void()> prepare;       // what the temporary folder holds before
        fs::path lock;                       // where the lock file must be; empty: nowhere
    };
    const Case cases[] = {
        {"runtime folder", (scratch / "runtime").string(), [] {}, scratch / "runtime" / "m.lock"},
        {"no runtime folder", "", [] {}, scratch / own / "m.lock"},
        {"runtime folder that is no folder", (scratch / "elsewhere" / "file").string(),
         [&] { std::ofstream(scratch / "elsewhere" / "file") << "x"; }, scratch / own / "m.lock"},
        {"own folder open to all", "",
         [&] {
             fs::create_directory(scratch / own);
             fs::permissions(scratch / own, fs::perms::all);
         },
         scratch / own / "m.lock"},
        {"own folder a link elsewhere", "", [&] { fs::create_directory_symlink(scratch / "elsewhere", scratch / own); },
         fs::path()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(scratch / own);
        fs::remove(scratch / "runtime" / "m.lock");
        c.prepare();
        if (c.runtime.empty())
            ::unsetenv("XDG_RUNTIME_DIR");
        else
            ::setenv("XDG_RUNTIME_DIR", c.runtime.c_str(), 1);
        ::setenv("TMPDIR", scratch.c_str(), 1);
        HANDLE first = CreateMutexA(nullptr, TRUE, "m");
        ASSERT_NE(nullptr, first);
        HANDLE second = CreateMutexA(nullptr, TRUE, "m");
        if (c.lock.empty()) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
            EXPECT_FALSE(fs::exists(scratch / "elsewhere" / "m.lock"));
        } else {
            EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
            EXPECT_TRUE(fs::exists(c.lock));
            if (c.lock.parent_path() == scratch / own) {
                EXPECT_EQ(fs::status(scratch / own).permissions() & fs::perms::all, fs::perms::owner_all);
            }
        }
        CloseHandle(second);
        CloseHandle(first);
    }
    auto restore = [](const char* key, const std::optional<std::string>& v) {
        if (v)
            ::setenv(key, v->c_str(), 1);
        else
            ::unsetenv(key);
    };
    restore("XDG_RUNTIME_DIR", runtime);
    restore("TMPDIR", tmp);
    fs::remove_all(scratch);
}

TEST(Win32MulDiv, RoundsToNearestAndFailsWithMinusOne) {
    struct {
        int a, b, c, expected;
    } cases[] = {
        {10, 3, 4, 8},       // 7.5 rounds up
        {10, 1, 4, 3},       // 2.5 rounds away from zero
        {-10, 1, 4, -3},     // -2.5 too
        {10, -1, 4, -3},
        {-10, -1, 4, 3},
        {7, 1, 3, 2},        // 2.33
        {8, 1, 3, 3},        // 2.67
        {800, 600, 1024, 469},
        {5, 5, 0, -1},       // division by zero
        {INT_MAX, 2, 1, -1},  // overflow
        {INT_MIN, 2, 1, -1},
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX},  // the 64-bit intermediate does not overflow
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, MulDiv(c.a, c.b, c.c)) << c.a << "*" << c.b << "/" << c.c;
}

}  // namespace
