// The message log's window rows on real text buffers: row r shows the entry at the scroll position
// + r, scrolling refreshes the rows only when it moved freely, rows past the entries stay empty.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "novel/novel/NovelSystem.h"
#include "support/ScratchDir.h"
#include "support/RenderDevice.h"
#include "support/ScenarioCode.h"

namespace {

const char* const kGothic = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ ゴシック in CP932

class LogRows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Ok());
        buffers.DeleteAll();
        log.ClearLogRowList();
        log.Clear();
    }
    void TearDown() override {
        log.ClearLogRowList();
        buffers.DeleteAll();
    }
    void AddRows(int n) {
        for (int r = 0; r < n; ++r) {
            uint32_t text = buffers.CreateStringRenderTexture(16, kGothic, 256, 32, 20, 20, 0, true);
            uint32_t name = buffers.CreateStringRenderTexture(16, kGothic, 128, 32, 20, 20, 0, true);
            log.AddLogRow(text, name);
        }
    }
    // The text and name each row's buffers hold.
    std::vector<std::string> Shown() {
        std::vector<std::string> out;
        for (const auto& [text, name] : log.GetLogRows()) {
            out.push_back(buffers.Get(text)->GetText() + "/" + buffers.Get(name)->GetText());
        }
        return out;
    }
    ScratchDir folder;
    testsupport::RenderDevice device;
    CStringRendererManager& buffers = CNovelSystem::GetInstance()->GetTextBuffers();
    CMessageLogManager& log = *CMessageLogManager::GetInstance();
};

TEST_F(LogRows, RowsFollowTheScrollPosition) {
    AddRows(2);
    log.Add("A", "", "one", "");
    log.Add("B", "", "two", "");
    log.Add("C", "", "three", "");
    log.ResetScroll();
    EXPECT_EQ(Shown(), (std::vector<std::string>{"three/C", "two/B"}));
    CStringRenderTexture* row0 = buffers.Get(log.GetLogRows()[0].first);
    EXPECT_EQ(row0->GetRenderingCharCount(), CStringRenderTexture::kAll);
    EXPECT_EQ(log.Scroll(+1), 0);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"two/B", "one/A"}));
    EXPECT_EQ(log.Scroll(+1), 1);  // clamped: no refresh
    EXPECT_EQ(Shown(), (std::vector<std::string>{"two/B", "one/A"}));
    CNovelSystem::GetInstance()->SendCommand(CNovelSystem::kCommandScrollLogUp);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"three/C", "two/B"}));
}

TEST_F(LogRows, RowsPastTheEntriesStayEmpty) {
    AddRows(4);
    log.Add("A", "", "one", "");
    log.Add("B", "", "two", "");
    log.ResetScroll();
    EXPECT_EQ(Shown(), (std::vector<std::string>{"two/B", "one/A", "/", "/"}));
}

}  // namespace
