// The game log: lines formatted from the system's CP932 text reach "log.txt" in UTF-8, and bytes that
// are not CP932 text are replaced instead of cutting the line short.
#include <gtest/gtest.h>

#include <string>

#include "engine/util/USLogManager.h"
#include "support/ScratchDir.h"

TEST(LogManager, LinesAreWrittenInUtf8) {
    ScratchDir dir;
    dir.OpenLog();
    const std::string name = win32::Utf8ToCp932("画像\\背景.png");
    US_LOG("読み込めません [%s] %d\n", name.c_str(), 7);
    US_LOG("bad [%s]\n", "\xA0x");
    EXPECT_EQ(dir.Log(), "読み込めません [画像\\背景.png] 7\nbad [\xEF\xBF\xBDx]\n");
}
