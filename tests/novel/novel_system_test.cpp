// Novel system: a scenario message reaches the log with its name, voice key and voice file and sets the
// automatic-mode countdown; modes and commands; the 128-entry log in order, its scroll and record.
#include <gtest/gtest.h>

#include <string>

#include "novel/novel/NovelSystem.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/SaveDataManager.h"
#include "novel/vm/VCOpcodes.h"
#include "support/ScratchDir.h"
#include "support/ScenarioCode.h"

namespace {

class NovelSystem : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::ResetGameState();
        novel.SetWordWrap(40, 2, true);
        novel.SetNormalMode();
        novel.SetAutoMode();  // countdown 0
        novel.SetNormalMode();
        log.Clear();
        log.ClearLogRowList();
    }
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    CMessageLogManager& log = *CMessageLogManager::GetInstance();
};

TEST_F(NovelSystem, ScenarioMessageIsLoggedAndTimed) {
    CVCPUNovel& machine = novel.GetMachine();
    machine.SetCode(testsupport::Code(R"(
        msg "ハル", "haru", "voice\haru_001.ogg", "雨が降ってきた。"
        msg "", "", "", "静かな夜。"
    )"));
    machine.JumpTo(0);
    EXPECT_EQ(machine.Run(), uint32_t(VCOpcodes::kResultRevealMessage));
    // 16 bytes of text: 8 x 2 frames per character, above the floor of 10.
    EXPECT_EQ(novel.GetAutoWait(), 16);
    EXPECT_EQ(novel.GetMessageCounter(), 0u);
    ASSERT_EQ(log.GetCount(), 1);
    const CMessageLogManager::LogInfo* e = log.GetEntry(0);
    EXPECT_EQ(e->name, "\x83\x6e\x83\x8b");  // ハル in CP932
    EXPECT_EQ(e->voiceKey, "haru");
    EXPECT_EQ(e->voiceFile, "voice\\haru_001.ogg");
    EXPECT_EQ(e->text.size(), 16u);
    EXPECT_EQ(machine.Run(), uint32_t(VCOpcodes::kResultClickWait));
    EXPECT_EQ(machine.Run(), uint32_t(VCOpcodes::kResultRevealMessage));
    EXPECT_EQ(novel.GetMessageCounter(), 1u);
    EXPECT_EQ(log.GetCount(), 2);
    EXPECT_EQ(log.GetEntry(0)->name, "");
    EXPECT_TRUE(CConfigDataManager::GetInstance()->GetReadedFlags().IsMessageReaded("test.bin", 1));
}

TEST_F(NovelSystem, AutoWaitNeverShrinksAndHasAFloorOfTen) {
    struct Case {
        uint32_t n, autoWait;
        int32_t before, after;
    } cases[] = {{30, 0, 0, 30}, {2, 0, 0, 10}, {5, 20, 0, 25}, {5, 0, 40, 40}};
    CConfigDataManager* config = CConfigDataManager::GetInstance();
    for (const Case& k : cases) {
        config->InitWaitFrameAutoSkipMode();
        config->AddWaitFrameAutoSkipMode(k.autoWait);
        novel.SetAutoMode();
        novel.SetAutoWait(k.before);
        if (k.before < 10) novel.SetAutoMode();
        novel.SetAutoWait(k.n);
        EXPECT_EQ(novel.GetAutoWait(), k.after) << k.n << " " << k.autoWait << " " << k.before;
    }
    novel.TickAutoWait();
    EXPECT_EQ(novel.GetAutoWait(), 39);
}

TEST_F(NovelSystem, CommandsSetModesAndPendingRequests) {
    struct Case {
        int32_t command;
        uint32_t mode;
        int32_t pending;
    } cases[] = {{0, CNovelSystem::kSkip, -1}, {1, CNovelSystem::kAuto, -1}, {2, CNovelSystem::kNormal, 1},
                 {4, CNovelSystem::kNormal, 2}, {5, CNovelSystem::kNormal, 0}, {6, CNovelSystem::kNormal, 3},
                 {7, CNovelSystem::kNormal, 4}, {10, CNovelSystem::kNormal, -1}};
    for (const Case& k : cases) {
        novel.SetNormalMode();
        novel.SendCommand(k.command);
        EXPECT_EQ(novel.GetMode(), k.mode) << k.command;
        EXPECT_EQ(novel.TakePendingCommand(), k.pending) << k.command;
        EXPECT_EQ(novel.TakePendingCommand(), -1);
    }
}

// Skipping is allowed in the skip mode (or with Ctrl held) where the message may be skipped (read, or
// fast skip on); the skip mode meeting a message that may not be skipped falls back to normal.
TEST_F(NovelSystem, SkipIsAllowedOnlyInTheSkipModeOverSkippableText) {
    CConfigDataManager* config = CConfigDataManager::GetInstance();
    novel.SetMessageCounter(987655);  // a message no test has read
    struct Case {
        bool skipMode, fastSkip, allowed;
        uint32_t after;
    } cases[] = {{true, true, true, CNovelSystem::kSkip},
                 {true, false, false, CNovelSystem::kNormal},
                 {false, true, false, CNovelSystem::kNormal},
                 {false, false, false, CNovelSystem::kNormal}};
    for (const Case& k : cases) {
        config->SetConfigValue(CFG_ENABLE_FAST_SKIP, k.fastSkip ? 1 : 0);
        if (k.skipMode)
            novel.SetSkipMode();
        else
            novel.SetNormalMode();
        EXPECT_EQ(novel.IsSkipAllowed(), k.allowed) << k.skipMode << k.fastSkip;
        EXPECT_EQ(novel.GetMode(), k.after) << k.skipMode << k.fastSkip;
    }
    config->SetConfigValue(CFG_ENABLE_FAST_SKIP, 0);
}

TEST_F(NovelSystem, CancelModesFollowsItsMask) {
    struct Case {
        uint32_t mask;
        int32_t command;  // 0 skip, 1 auto
        uint32_t after;
    } cases[] = {{3, 1, CNovelSystem::kNormal}, {1, 1, CNovelSystem::kAuto}, {2, 0, CNovelSystem::kSkip},
                 {1, 0, CNovelSystem::kNormal}};
    for (const Case& k : cases) {
        novel.SendCommand(k.command);
        CVCPUNovel& machine = novel.GetMachine();
        machine.SetCode(testsupport::Code("CancelModes " + std::to_string(k.mask) + "\nYield"));
        machine.JumpTo(0);
        machine.Run();
        EXPECT_EQ(novel.GetMode(), k.after) << k.mask;
    }
}

TEST_F(NovelSystem, ReadMarksAndSeenPicturesDriveJumps) {
    // Records live as long as the process: a fresh file and picture name for every run.
    static int run = 0;
    std::string source = R"(
        SetCodeReaded                     ; no record yet: nothing
        JumpIfCodeReaded "marks.bin", bad
        SetMessageNumber 12
        SetMessageReaded
        JumpIfMessageNotReaded 12, bad
        JumpIfMessageReaded 13, bad
        SetCodeReaded
        JumpIfCodeNotReaded "marks.bin", bad
        JumpIfCGShown "cg01.png", bad
        SetCGShown "cg01.png"
        JumpIfCGNotShown "cg01.png", bad
        SetResult 1
        Yield
    bad:
        SetResult 9
        Yield
    )";
    std::string n = std::to_string(++run);
    for (std::string from : {"marks.bin", "cg01.png"}) {
        for (size_t at = 0; (at = source.find(from, at)) != std::string::npos; at += n.size() + from.size()) {
            source.replace(at, from.size(), n + from);
        }
    }
    CVCPUNovel& machine = novel.GetMachine();
    machine.SetCode(testsupport::Code(source, n + "marks.bin"));
    machine.JumpTo(0);
    EXPECT_EQ(machine.Run(), 1u);
}

TEST_F(NovelSystem, LogKeepsTheLast128InOrderAndSavesOldestFirst) {
    for (int i = 1; i <= 130; ++i) {
        std::string n = std::to_string(i);
        log.Add(("name" + n).c_str(), "key", ("text" + n).c_str(), i % 2 ? ("v" + n + ".ogg").c_str() : "");
    }
    EXPECT_EQ(log.GetCount(), 128);
    EXPECT_EQ(log.GetEntry(0)->text, "text130");
    EXPECT_EQ(log.GetEntry(127)->text, "text3");
    EXPECT_EQ(log.GetEntry(128), nullptr);
    EXPECT_TRUE(log.HasVoice(1));   // message 129
    EXPECT_FALSE(log.HasVoice(0));  // message 130 has no voice

    USLib::binary_ostream<256> out;
    log.Save(out);
    log.Clear();
    log.Add("x", "x", "x", "x");
    USLib::binary_istream in;
    in.Attach(out.GetData(), out.GetSize());
    log.Load(in, 0);
    ASSERT_EQ(log.GetCount(), 128);
    EXPECT_EQ(log.GetEntry(0)->text, "text130");
    EXPECT_EQ(log.GetEntry(127)->text, "text3");
    EXPECT_EQ(log.GetEntry(1)->voiceFile, "v129.ogg");
}

TEST_F(NovelSystem, LogScrollClampsAtBothEnds) {
    for (int i = 0; i < 10; ++i) log.Add("n", "k", "t", i == 3 ? "v.ogg" : "");
    for (uint32_t r = 0; r < 4; ++r) log.AddLogRow(r, 10 + r);
    EXPECT_EQ(log.Scroll(+10), 1);
    EXPECT_EQ(log.GetScroll(), 6);
    log.ResetScroll();
    EXPECT_EQ(log.Scroll(-1), -1);
    EXPECT_EQ(log.GetScroll(), 0);
    EXPECT_EQ(log.Scroll(+1), 0);
    EXPECT_EQ(log.GetScroll(), 1);
    // Entry 6 (the 4th message) is row 5 from here; rows past the entries have no voice.
    EXPECT_TRUE(log.RowHasVoice(5));
    EXPECT_EQ(log.GetRowEntry(5)->voiceFile, "v.ogg");
    EXPECT_EQ(log.GetRowEntry(0), nullptr);
    EXPECT_FALSE(log.RowHasVoice(20));
    novel.SendCommand(CNovelSystem::kCommandScrollLogDown);
    EXPECT_EQ(log.GetScroll(), 2);
}

TEST_F(NovelSystem, UnknownSpeakerUsesTheDefaultRecord) {
    CCharacterInfoManager& chars = novel.GetCharacters();
    chars.GetDefault().Set(3, 3, 20);
    chars.Add("haru").Set(21, 4, 22);
    EXPECT_EQ(chars.Find("haru").voiceSwitchIndex, 22u);
    EXPECT_EQ(chars.Find("nobody").voiceSwitchIndex, 20u);
    chars.Clear();
    EXPECT_EQ(chars.Find("haru").voiceSwitchIndex, 20u);
}

TEST_F(NovelSystem, SavedRecordCarriesTheMachineAndItsThreeWords) {
    ScratchDir folder;
    folder.Write("scenario/ch.bin", testsupport::Bytes("SetWaitFrames 30\nSetWaitFlags 1\nSetMessageNumber 5\nSetDialog2 \"AS\\\\Cfg.as\"\nSetFeatureMask 9\nYield\nYield"));
    ASSERT_TRUE(novel.LoadScenario("scenario\\ch.bin"));
    novel.SetResumeCode(2);
    novel.GetMachine().Run();
    novel.SetupSceneServices();
    novel.GetRenderSources().ReleaseAll();
    novel.GetChoices().Reset();
    USLib::binary_ostream<256> out;
    novel.Save(out);
    USLib::binary_ostream<256> choices;
    novel.GetChoices().Save(choices);
    // Wait frames, message number and wait flags, then the empty renderer record (4 bytes), the
    // five empty render-source tables (20 bytes), the direction record without resident slots
    // (the 16 + 16 parameters with their counts, 136 bytes, and the slot count) and the choices.
    const uint32_t withoutChoices = out.GetSize() - choices.GetSize();
    EXPECT_EQ(choices.GetSize(), novel.GetChoices().GetScriptName().size() + 1 + 12);
    const uint8_t* tail = out.GetData() + withoutChoices - 12 - 24 - 140;
    EXPECT_EQ(tail[0], 30);
    EXPECT_EQ(tail[4], 5);
    EXPECT_EQ(tail[8], 1);

    novel.SetResumeCode(0);
    novel.SetFeatureMask(0);
    novel.DisableDialog(1);
    // Format 1 records end before the choices, which a load of one leaves with no item.
    novel.GetChoices().AddChoice(0, 0, 0, 0, 8, 0, 0, 10, 10);
    USLib::binary_istream older;
    older.Attach(out.GetData(), withoutChoices);
    novel.Load(older, 1);
    EXPECT_EQ(older.GetPosition(), withoutChoices);
    EXPECT_EQ(novel.GetChoices().GetItemCount(), 0u);
    novel.GetChoices().AddChoice(0, 0, 0, 0, 8, 0, 0, 10, 10);
    novel.GetChoices().SetTimeOut(5);

    novel.SetResumeCode(0);
    USLib::binary_istream in;
    in.Attach(out.GetData(), out.GetSize());
    novel.Load(in, kSaveFormatVersion);
    EXPECT_EQ(in.GetPosition(), out.GetSize());
    EXPECT_EQ(novel.GetChoices().GetItemCount(), 0u);
    EXPECT_EQ(novel.GetChoices().GetTimeOut(), -1);
    EXPECT_EQ(novel.GetResumeCode(), 2u);
    EXPECT_EQ(novel.GetFeatureMask(), 9u);
    EXPECT_EQ(novel.GetScenarioName(), "scenario\\ch.bin");
    EXPECT_EQ(novel.GetDialogName(1), "AS\\Cfg.as");
    EXPECT_TRUE(novel.IsDialogEnabled(1));
    EXPECT_EQ(novel.GetMachine().GetWaitFrames(), 30u);
    EXPECT_EQ(novel.GetMachine().GetMessageNumber(), 5u);
    EXPECT_EQ(novel.GetMachine().GetWaitFlags(), 1u);
    EXPECT_EQ(novel.GetMachine().Run(), 0u);  // the second yield
}

}  // namespace

namespace {

// あ..き are double-byte letters in CP932; 。 may not start a line, 「 may not end one.
const std::string A = "\x82\xa0", I = "\x82\xa2", U = "\x82\xa4", E = "\x82\xa6", O = "\x82\xa8", KA = "\x82\xa9",
                  KI = "\x82\xab", MARU = "\x81\x42", KAGI = "\x81\x75", SPACE = "\x81\x40";

TEST(MessageWrap, NamedMessagesIndentContinuationLines) {
    struct Case {
        const char* what;
        int32_t chars, extra;
        std::string text, expected;
    } cases[] = {
        {"seven letters, width 5", 5, 2, A + I + U + E + O + KA + KI, A + I + U + E + O + "\n" + SPACE + KA + KI},
        {"continuation lines count the indent", 3, 0, A + I + U + E + O + KA,
         A + I + U + "\n" + SPACE + E + O + "\n" + SPACE + KA},
        {"ending with a line break", 5, 2, A + "\n", A + "\n" + SPACE},
        {"empty", 5, 2, "", ""},
        {"full stop pulled back", 5, 2, A + I + U + E + O + MARU + KA, A + I + U + E + O + MARU + "\n" + SPACE + KA},
        {"opening bracket carried", 5, 2, A + I + U + E + KAGI + KA, A + I + U + E + "\n" + SPACE + KAGI + KA},
    };
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    novel.GetWordWrap() = CAppWordWrapManager();  // the default line-breaking rules, whatever ran before
    for (const Case& k : cases) {
        novel.SetWordWrap(k.chars, k.extra, true);
        EXPECT_EQ(novel.WrapMessageText(k.text.c_str()), k.expected) << k.what;
    }
    novel.SetWordWrap(5, 2, false);
    EXPECT_EQ(novel.WrapMessageText((A + I + U + E + O + KA).c_str()), A + I + U + E + O + "\n" + KA);
}

TEST(MessageWrap, AMessageWithoutANameIsNeverIndented) {
    testsupport::ResetGameState();
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    novel.SetWordWrap(3, 0, true);
    novel.ShowMessage((A + I + U + E).c_str(), "", "", "");
    EXPECT_EQ(CMessageLogManager::GetInstance()->GetEntry(0)->text, A + I + U + "\n" + E);
    novel.ShowMessage((A + I + U + E).c_str(), "k", "name", "");
    EXPECT_EQ(CMessageLogManager::GetInstance()->GetEntry(0)->text, A + I + U + "\n" + SPACE + E);
}

}  // namespace

namespace {

// A scenario that ended inside a called code file: the next scenario starts at the top level.
TEST(NovelScenario, LoadingAScenarioLeavesCalledCodeFiles) {
    testsupport::ResetGameState();
    ScratchDir folder;
    folder.Write("a.bin", testsupport::Bytes("RunSubCode \"sub.bin\"\nYield"));
    folder.Write("sub.bin", testsupport::Bytes("SetResult 5\nYield"));
    folder.Write("b.bin", testsupport::Bytes("SetResult 2\nYield"));
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    ASSERT_TRUE(novel.LoadScenario("a.bin"));
    EXPECT_EQ(novel.GetMachine().Run(), 5u);
    EXPECT_FALSE(novel.LoadScenario("missing.bin"));
    EXPECT_EQ(novel.GetMachine().GetCurrentCodeName(), "sub.bin");  // nothing changed
    ASSERT_TRUE(novel.LoadScenario("b.bin"));
    EXPECT_FALSE(novel.GetMachine().GetCursor().HasDelegate());
    EXPECT_EQ(novel.GetMachine().Run(), 2u);
    EXPECT_EQ(novel.GetScenarioName(), "b.bin");
}

}  // namespace
