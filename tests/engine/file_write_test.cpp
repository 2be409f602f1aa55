// Replacing a file: the new bytes arrive whole, and a failed write leaves the old file as it was.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "engine/files/USFileWrite.h"
#include "support/ScratchDir.h"

namespace {

TEST(FileWrite, ReplacesTheOldFile) {
    ScratchDir dir;
    dir.Write("save/save_001.sav", "old contents, longer than the new");
    const std::string fresh = "new";
    ASSERT_TRUE(WriteFileAtomic("save\\save_001.sav", fresh.data(), fresh.size()));
    EXPECT_EQ("new", dir.Read("save/save_001.sav"));
    ASSERT_TRUE(WriteFileAtomic("cfg.cfg", fresh.data(), fresh.size()));
    EXPECT_EQ("new", dir.Read("cfg.cfg"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/save/save_001.sav.tmp"));
}

TEST(FileWrite, AFailedWriteKeepsTheOldFile) {
    ScratchDir dir;
    const std::string old(4096, 'o');
    const std::string fresh(8192, 'n');
    struct {
        const char* what;
        void (*before)(const ScratchDir&);
        void (*after)();
    } cases[] = {
        {"the disk fills up in the middle of the write",
         [](const ScratchDir&) {
             std::signal(SIGXFSZ, SIG_IGN);
             rlimit limit{1000, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &limit);
         },
         [] {
             rlimit limit{RLIM_INFINITY, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &limit);
         }},
        {"the temporary file cannot be made", [](const ScratchDir& d) { d.Write("q.sav.tmp/blocker", "x"); }, [] {}},
    };
    for (const auto& c : cases) {
        dir.Write("q.sav", old);
        c.before(dir);
        bool ok = WriteFileAtomic("q.sav", fresh.data(), fresh.size());
        c.after();
        EXPECT_FALSE(ok) << c.what;
        EXPECT_EQ(old, dir.Read("q.sav")) << c.what;
    }
    EXPECT_FALSE(std::filesystem::is_regular_file(dir.Path() + "/q.sav.tmp"));
}

}  // namespace
