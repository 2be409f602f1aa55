// Code cursor: bounds of reads and seeks, calls, nested code files, interrupt entry, saved record, and
// saved records that name other files or offsets outside their code.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "novel/vm/VCPointer.h"
#include "support/ScratchDir.h"
#include "support/ScenarioCode.h"

namespace {

VirtualCodePtr Words(std::vector<uint32_t> words, const std::string& name = "w.bin") {
    return CVirtualCode::CreateFromBytes(name, words.data(), static_cast<uint32_t>(words.size() * 4));
}

TEST(CodeCursor, ReadsStopAtTheEndAndLeaveThePosition) {
    CVCPointer c;
    c.SetCode(Words({11, 22}));
    c.Seek(4);
    EXPECT_EQ(c.ReadInt(), 22u);
    EXPECT_EQ(c.GetPosition(), 8u);
    EXPECT_EQ(c.ReadInt(), 0u);
    EXPECT_EQ(c.GetPosition(), 8u);
    EXPECT_EQ(c.ReadPointer(), nullptr);
    EXPECT_EQ(c.ReadFloat(), 0.0f);
}

TEST(CodeCursor, SeekSkipAndReadBytesFollowTheirBoundsRules) {
    struct Case {
        const char* what;
        uint32_t start;
        int op;  // 0 Seek(arg), 1 Skip(arg), 2 ReadBytes(arg)
        int64_t arg;
        uint32_t position;
        bool pointer;
    } cases[] = {
        {"seek inside rounds down", 0, 0, 10, 8, false},
        {"seek past the end is kept", 0, 0, 20, 20, false},
        {"skip back", 8, 1, -4, 4, false},
        {"skip past the end stays", 8, 1, 12, 8, false},
        {"read 5 bytes advances 8", 0, 2, 5, 8, true},
        {"read 17 bytes fails", 0, 2, 17, 0, false},
        {"read bytes from far past the end fails", 0xFFFFFFFC, 2, 8, 0xFFFFFFFC, false},
    };
    for (const Case& k : cases) {
        CVCPointer c;
        c.SetCode(Words({1, 2, 3, 4}));
        c.Seek(k.start);
        const uint8_t* p = nullptr;
        if (k.op == 0) c.Seek(static_cast<uint32_t>(k.arg));
        if (k.op == 1) c.Skip(static_cast<int32_t>(k.arg));
        if (k.op == 2) p = c.ReadBytes(static_cast<uint32_t>(k.arg));
        EXPECT_EQ(c.GetPosition(), k.position) << k.what;
        EXPECT_EQ(p != nullptr, k.pointer) << k.what;
    }
}

TEST(CodeCursor, TablesSelectEntryZeroOutsideTheirCount) {
    CVCPointer c;
    c.SetCode(Words({100, 200, 300, 400}));
    EXPECT_EQ(c.ReadTableIntAt(4, 1, 3), 300u);
    EXPECT_EQ(c.ReadTableIntAt(4, 3, 3), 200u);
    EXPECT_EQ(c.ReadTableIntAt(4, 0xFFFFFFFF, 3), 200u);
    EXPECT_EQ(c.ReadTableIntAt(12, 1, 2), 0u);  // entry past the end
    EXPECT_EQ(c.ReadTableIntAt(0xFFFFFFF0, 1, 9), 0u);
    EXPECT_EQ(c.GetPointerAt(9), c.GetPointerAt(8));
    EXPECT_EQ(c.GetPointerAt(13), nullptr);
    EXPECT_EQ(c.GetPointerAt(16), nullptr);
}

TEST(CodeCursor, CallAndReturn) {
    CVCPointer c;
    c.SetCode(Words(std::vector<uint32_t>(8)));
    c.Seek(12);
    c.Call(16);
    EXPECT_EQ(c.GetPosition(), 16u);
    EXPECT_TRUE(c.Return());
    EXPECT_EQ(c.GetPosition(), 12u);
    EXPECT_FALSE(c.Return());
    EXPECT_EQ(c.GetPosition(), 12u);
}

TEST(CodeCursor, NestedCodeTakesEveryInnermostOperation) {
    CVCPointer c;
    c.SetCode(Words({1, 2, 3, 4}, "outer.bin"));
    c.Seek(8);
    c.Call(4);  // outer return stack: 8
    c.CallCode(Words({7, 8, 9, 10, 11, 12}, "inner.bin"), 0);
    EXPECT_EQ(c.ReadInt(), 7u);
    c.Call(16);
    c.SetInterrupt(20);
    EXPECT_EQ(c.GetCurrentCode()->GetName(), "inner.bin");
    uint32_t levels = 0;
    c.CountLevels(levels);
    EXPECT_EQ(levels, 2u);
    c.PopReturn();  // the outer cursor's own stack
    EXPECT_TRUE(c.Return());
    EXPECT_EQ(c.GetPosition(), 4u);
    EXPECT_TRUE(c.IsInterruptSet());
    c.EndCallCode();
    EXPECT_FALSE(c.HasDelegate());
    EXPECT_EQ(c.GetPosition(), 4u);
    EXPECT_FALSE(c.IsInterruptSet());
    EXPECT_FALSE(c.Return());  // popped above
}

TEST(CodeCursor, InterruptEntryIsCalledAndLeft) {
    CVCPointer c;
    c.SetCode(Words(std::vector<uint32_t>(8)));
    c.Seek(8);
    c.EnterInterrupt();  // not set: nothing
    EXPECT_EQ(c.GetPosition(), 8u);
    c.SetInterrupt(24);
    c.EnterInterrupt();
    EXPECT_EQ(c.GetPosition(), 24u);
    c.LeaveInterrupt();
    EXPECT_EQ(c.GetPosition(), 8u);
    c.ClearInterrupt();
    c.EnterInterrupt();
    EXPECT_EQ(c.GetPosition(), 8u);
}

TEST(CodeCursor, SavedRecordRestoresEveryLevel) {
    ScratchDir folder;
    folder.Write("scenario/a.bin", std::vector<uint8_t>(64));
    folder.Write("scenario/b.bin", std::vector<uint8_t>(64));
    folder.Write("scenario/c.bin", std::vector<uint8_t>(64));
    CVCPointer c;
    c.SetCode(CVirtualCode::Create("scenario\\a.bin"));
    c.Seek(8);
    c.Call(16);
    c.CallCode(CVirtualCode::Create("scenario\\b.bin"), 0);
    c.SetInterrupt(40);
    c.Call(32);
    c.Call(36);
    c.CallCode(CVirtualCode::Create("scenario\\c.bin"), 0);
    c.Seek(60);

    CVCPointer d;
    testsupport::RoundTrip(c, d);
    uint32_t levels = 0;
    d.CountLevels(levels);
    ASSERT_EQ(levels, 3u);
    EXPECT_EQ(d.GetCurrentCode()->GetName(), "scenario\\c.bin");
    EXPECT_EQ(d.GetPosition(), 60u);
    d.EndCallCode();
    EXPECT_EQ(d.GetCurrentCode()->GetName(), "scenario\\b.bin");
    EXPECT_TRUE(d.IsInterruptSet());
    EXPECT_TRUE(d.Return());
    EXPECT_EQ(d.GetPosition(), 32u);
    EXPECT_TRUE(d.Return());
    EXPECT_EQ(d.GetPosition(), 0u);
    d.EndCallCode();
    EXPECT_EQ(d.GetCurrentCode()->GetName(), "scenario\\a.bin");
    EXPECT_EQ(d.GetPosition(), 16u);
    EXPECT_TRUE(d.Return());
    EXPECT_EQ(d.GetPosition(), 8u);
}

TEST(CodeCursor, RecordsWithoutLevelsOrTooManyAreRefused) {
    for (uint32_t levels : {0u, CVCPointer::kMaxLevels + 1, 0xFFFFFFFFu}) {
        USLib::binary_ostream<256> out;
        out.Write(&levels, 4);
        for (int i = 0; i < 1000; ++i) out.Write("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22);
        USLib::binary_istream in;
        in.Attach(out.GetData(), out.GetSize());
        CVCPointer c;
        EXPECT_ANY_THROW(c.Load(in, 0)) << levels;
    }
}

TEST(CodeCursor, AMissingCodeFileLoadsAsNoCode) {
    ScratchDir folder;
    folder.Write("bin/gone.bin", std::vector<uint8_t>(16));
    CVCPointer c;
    c.SetCode(CVirtualCode::Create("bin\\gone.bin"));
    c.Seek(4);
    USLib::binary_ostream<256> out;
    c.Save(out);
    std::filesystem::remove("bin/gone.bin");
    USLib::binary_istream in;
    in.Attach(out.GetData(), out.GetSize());
    CVCPointer d;
    d.Load(in, 0);
    EXPECT_EQ(d.GetCurrentCode(), nullptr);
    EXPECT_EQ(d.ReadInt(), 0u);
    EXPECT_EQ(d.GetPointerAt(0), nullptr);
}

// A saved record that names a file the game does not run as code, or offsets outside the named code
// file, is refused before anything in it runs.
TEST(CodeCursor, RecordsNamingOtherFilesOrOffsetsOutsideAreRefused) {
    ScratchDir folder;
    for (const char* file : {"scenario/ch1.bin", "bin/Scene.bin", "save/data00.sav", "cfg.cfg", "ch1.bin"})
        folder.Write(file, std::vector<uint8_t>(64));
    const struct {
        const char* name;
        uint32_t position, returnTo, interrupt;
        bool loads;
    } cases[] = {
        {"scenario\\ch1.bin", 60, 16, 8, true},
        {"SCENARIO\\ch1.bin", 64, 64, 64, true},  // the end of the file is still inside it
        {"bin\\Scene.bin", 0, 0, 0, true},
        {"scenario/ch1.bin", 4, 0, 0, true},
        {"scenario\\ch1.bin", 68, 0, 0, false},
        {"scenario\\ch1.bin", 0, 0x10000, 0, false},
        {"scenario\\ch1.bin", 0, 0, 0xFFFFFFFC, false},
        {"save\\data00.sav", 0, 0, 0, false},
        {"cfg.cfg", 0, 0, 0, false},
        {"ch1.bin", 0, 0, 0, false},
        {"scenario\\..\\save\\data00.sav", 0, 0, 0, false},
        {"scenario\\.\\ch1.bin", 0, 0, 0, false},
        {"scenario\\\\ch1.bin", 0, 0, 0, false},
        {"\\scenario\\ch1.bin", 0, 0, 0, false},
        {"/bin/sh", 0, 0, 0, false},
        {"C:\\scenario\\ch1.bin", 0, 0, 0, false},
        {"scenario", 0, 0, 0, false},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        USLib::binary_ostream<256> out;
        const uint32_t levels = 1, returns = 1, reserved = 0;
        const uint8_t enabled = 1;
        out.Write(&levels, 4);
        out.Write(k.name, static_cast<uint32_t>(std::strlen(k.name)) + 1);
        out.Write(&k.position, 4);
        out.Write(&returns, 4);
        out.Write(&k.returnTo, 4);
        out.Write(&k.interrupt, 4);
        out.Write(&reserved, 4);
        out.Write(&enabled, 1);
        USLib::binary_istream in;
        in.Attach(out.GetData(), out.GetSize());
        CVCPointer c;
        if (k.loads) {
            ASSERT_NO_THROW(c.Load(in, 0));
            ASSERT_NE(c.GetCurrentCode(), nullptr);
            EXPECT_EQ(c.GetPosition(), k.position);
        } else {
            EXPECT_ANY_THROW(c.Load(in, 0));
        }
    }
}

}  // namespace
