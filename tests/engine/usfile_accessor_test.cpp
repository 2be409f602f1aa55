// CUSFileCtrlEX: every failure throws CUSFileError with its message and code; positions and
// truncation on save.
#include <gtest/gtest.h>

#include <functional>

#include "engine/files/USFileAccessor.h"
#include "support/ScratchDir.h"

namespace {

TEST(FileAccessor, FailuresThrowTheirCodeAndMessage) {
    ScratchDir dir;
    dir.Write("in.bin", "0123456789");
    char buf[16];
    struct {
        const char* what;
        std::function<void(CUSFileCtrlEX&)> act;
        std::uint16_t code;
        const char* message;
    } cases[] = {
        {"load a missing file", [](CUSFileCtrlEX& f) { f.OpenLoad("missing.bin"); }, 1, "Don't Open File(Load)"},
        {"save into a missing folder", [](CUSFileCtrlEX& f) { f.OpenSave("no\\out.bin"); }, 2,
         "Don't Open File(Save)"},
        {"load while open", [](CUSFileCtrlEX& f) { f.OpenLoad("in.bin"), f.OpenLoad("in.bin"); }, 3,
         "Already Open(Load)"},
        {"save while open", [](CUSFileCtrlEX& f) { f.OpenLoad("in.bin"), f.OpenSave("x.bin"); }, 4,
         "Already Open(Save)"},
        {"read when closed", [&](CUSFileCtrlEX& f) { f.Read(buf, 1); }, 5, "Don't Read"},
        {"read with count 0", [&](CUSFileCtrlEX& f) { f.OpenLoad("in.bin"), f.Read(buf, 0); }, 5, "Don't Read"},
        {"read a null buffer", [](CUSFileCtrlEX& f) { f.OpenLoad("in.bin"), f.Read(nullptr, 1); }, 5, "Don't Read"},
        {"read past the end", [&](CUSFileCtrlEX& f) { f.OpenLoad("in.bin"), f.Read(buf, 11); }, 5, "Don't Read"},
        {"read a file open for save", [&](CUSFileCtrlEX& f) { f.OpenSave("x.bin"), f.Read(buf, 1); }, 5, "Don't Read"},
        {"write a file open for load", [&](CUSFileCtrlEX& f) { f.OpenLoad("in.bin"), f.Write(buf, 1); }, 6,
         "Don't Write"},
        {"write with count 0", [&](CUSFileCtrlEX& f) { f.OpenSave("x.bin"), f.Write(buf, 0); }, 6, "Don't Write"},
        {"size when closed", [](CUSFileCtrlEX& f) { f.GetSize(); }, 7, "Don't Get Size"},
    };
    for (const auto& c : cases) {
        CUSFileCtrlEX file;
        try {
            c.act(file);
            ADD_FAILURE() << c.what << ": no exception";
        } catch (const CUSFileError& e) {
            EXPECT_EQ(c.code, e.GetCode()) << c.what;
            EXPECT_EQ(c.message, e.GetMessage()) << c.what;
            EXPECT_EQ(file.GetFileName(), e.GetFileName()) << c.what;
        }
    }
}

TEST(FileAccessor, WritesTruncateAndReadsAdvanceThePosition) {
    ScratchDir dir;
    dir.Write("out.bin", "an older and longer content");
    CUSFileCtrlEX file;
    file.OpenSave("OUT.bin");
    EXPECT_EQ(CUSFileCtrlEX::kSave, file.GetMode());
    EXPECT_EQ(5u, file.Write("hello", 5));
    EXPECT_EQ(3u, file.Write(" you", 3));
    EXPECT_EQ(8u, file.GetPosition());
    file.Close();
    file.Close();  // Closing twice does nothing.
    EXPECT_EQ(CUSFileCtrlEX::kClosed, file.GetMode());
    EXPECT_EQ("hello yo", dir.Read("out.bin"));

    file.OpenLoad("out.bin");
    EXPECT_EQ(8u, file.GetSize());
    char buf[4] = {};
    file.Read(buf, 2);
    file.Read(buf + 2, 2);
    EXPECT_EQ(std::string("hell"), std::string(buf, 4));
    EXPECT_EQ(4u, file.GetPosition());
    EXPECT_EQ(8u, file.SeekToEnd());
    EXPECT_EQ(6u, file.Seek(-2, 1));
    EXPECT_EQ(1u, file.Seek(1, 0));
    file.Read(buf, 1);
    EXPECT_EQ('e', buf[0]);
}

}  // namespace
