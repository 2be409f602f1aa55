// Fenwick's dialog driven without a display: the controls it shows for the settings, and what each
// player action does to the settings record, to "config.xml" and to the dialog's end code.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>

#include "settings_tool/AppSetting.h"
#include "settings_tool/ResolutionList.h"
#include "settings_tool/dialog/MainDlg.h"
#include "settings_tool/support/DisplayModes.h"
#include "support/ScratchDir.h"

namespace {

const char kNoMovie[] = "ムービーを再生しない";
const Sizes kThreeSizes = {{1920, 1200}, {1024, 768}, {1280, 720}};

std::string ConfigText(int playMovie, uint32_t width, uint32_t height) {
    return "[root]\r\nPlayMovie=" + std::to_string(playMovie) + "\r\nWidth=800\r\nHeight=600\r\nFullWidth=" +
           std::to_string(width) + "\r\nFullHeight=" + std::to_string(height) + "\r\n";
}

// The dialog over a config.xml in a fresh folder, as WinMain prepares it, initialised but not shown.
class MainDlgTest : public ::testing::Test {
protected:
    void Open(const std::string& config, const Sizes& sizes) {
        m_config = config;
        m_folder.Write("config.xml", config);
        GetAppSetting().Load();
        EnumerateSizes(sizes);
        m_dialog = std::make_unique<CMainDlg>();
        EXPECT_TRUE(m_dialog->OnInitDialog());
    }
    void TearDown() override {
        GetResolutionList().Clear();
        GetAppSetting().SetDefaults();
    }

    template <class T>
    T* Control(const char* label) {
        Fl_Group& window = m_dialog->Window();
        for (int i = 0; i < window.children(); ++i) {
            Fl_Widget* w = window.child(i);
            if (label ? w->label() && std::strcmp(w->label(), label) == 0 : !w->label()) return dynamic_cast<T*>(w);
        }
        return nullptr;
    }
    Fl_Check_Button* NoMovie() { return Control<Fl_Check_Button>(kNoMovie); }
    Fl_Choice* SizeList() { return Control<Fl_Choice>(nullptr); }
    // What a click does: a check box flips, then the control's callback runs.
    void Click(const char* label) {
        Fl_Button* button = Control<Fl_Button>(label);
        ASSERT_NE(button, nullptr) << label;
        if (button->type() == FL_TOGGLE_BUTTON) button->value(!button->value());
        button->do_callback();
    }
    void Pick(int index) {
        SizeList()->value(index);
        SizeList()->do_callback();
    }
    void CloseBox() { m_dialog->Window().do_callback(); }
    std::string Selected() { return SizeList()->text() ? SizeList()->text() : ""; }
    std::pair<uint32_t, uint32_t> FullScreenSize() {
        std::pair<uint32_t, uint32_t> size;
        GetAppSetting().GetFullScreenSize(size.first, size.second);
        return size;
    }
    std::string File() { return m_folder.Read("config.xml"); }

    ScratchDir m_folder;
    std::string m_config;
    std::unique_ptr<CMainDlg> m_dialog;
};

TEST_F(MainDlgTest, ControlsCarryTheirTextsInTabOrder) {
    Open(ConfigText(1, 800, 600), kThreeSizes);
    std::vector<std::string> labels;
    Fl_Group& window = m_dialog->Window();
    for (int i = 0; i < window.children(); ++i)
        labels.push_back(window.child(i)->label() ? window.child(i)->label() : "");
    EXPECT_EQ(labels, (std::vector<std::string>{"O&K", "ｷｬﾝｾﾙ(&C)", kNoMovie, "", "フルスクリーン時の解像度",
                                                "ゲームを起動する", "標準設定に戻す"}));
    EXPECT_STREQ(window.label(), "Fenwick");
    std::vector<std::string> items;
    for (int i = 0; i < SizeList()->size() - 1; ++i) items.push_back(SizeList()->menu()[i].label());
    EXPECT_EQ(items, (std::vector<std::string>{"1024 x 768", "1280 x 720", "1920 x 1200"}));
}

struct OpenCase {
    const char* name;
    std::string config;
    Sizes sizes;
    bool checked;
    std::string selected;  // empty: no selection
    std::pair<uint32_t, uint32_t> size;
};

void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }

const OpenCase kOpenCases[] = {
    {"OfferedSizeIsSelected", ConfigText(1, 1280, 720), kThreeSizes, false, "1280 x 720", {1280, 720}},
    {"MoviesOffShowChecked", ConfigText(0, 1920, 1200), kThreeSizes, true, "1920 x 1200", {1920, 1200}},
    {"SizeNotOfferedBecomesTheFirstEntry", ConfigText(1, 1920, 1080), kThreeSizes, false, "1024 x 768", {1024, 768}},
    {"NoModesKeepTheLoadedSize", ConfigText(1, 1920, 1080), {}, false, "", {1920, 1080}},
    {"EmptyFileShowsTheDefaults", "", {{800, 600}, {1024, 768}}, false, "800 x 600", {800, 600}},
};

class MainDlgOpenTest : public MainDlgTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(MainDlgOpenTest, ShowsTheSettingsAndOkSavesWhatIsShown) {
    const OpenCase& c = GetParam();
    Open(c.config, c.sizes);
    EXPECT_EQ(NoMovie()->value() != 0, c.checked);
    EXPECT_EQ(Selected(), c.selected);
    EXPECT_EQ(FullScreenSize(), c.size);
    Click("O&K");
    EXPECT_TRUE(m_dialog->IsEnded());
    EXPECT_EQ(m_dialog->GetEndCode(), 1);
    EXPECT_EQ(File(), ConfigText(c.checked ? 0 : 1, c.size.first, c.size.second));
}

INSTANTIATE_TEST_SUITE_P(Settings, MainDlgOpenTest, ::testing::ValuesIn(kOpenCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct ActionCase {
    const char* name;
    int playMovie;                       // in the file at start, with 1280 x 720
    std::vector<std::string> actions;    // control labels, "pick N" or "close"
    int endCode;                         // 0: the dialog is still open
    std::optional<std::string> written;  // nullopt: the file is as it was
};

void PrintTo(const ActionCase& c, std::ostream* os) { *os << c.name; }

const ActionCase kActionCases[] = {
    {"CheckingTurnsMoviesOff", 1, {kNoMovie, "O&K"}, 1, ConfigText(0, 1280, 720)},
    {"UncheckingTurnsMoviesOn", 0, {kNoMovie, "O&K"}, 1, ConfigText(1, 1280, 720)},
    {"PickedSizeIsSaved", 1, {"pick 2", "O&K"}, 1, ConfigText(1, 1920, 1200)},
    {"CancelWritesNothing", 1, {kNoMovie, "pick 0", "ｷｬﾝｾﾙ(&C)"}, 2, std::nullopt},
    {"CloseBoxWritesNothing", 0, {kNoMovie, "pick 2", "close"}, 2, std::nullopt},
    {"DefaultsWriteNothing", 0, {"pick 2", "標準設定に戻す"}, 0, std::nullopt},
    {"DefaultsThenOkSaveTheDefaults", 0, {"pick 2", "標準設定に戻す", "O&K"}, 1, ConfigText(1, 800, 600)},
    {"LastActionWins", 1, {"pick 0", kNoMovie, "pick 1", kNoMovie, "O&K"}, 1, ConfigText(1, 1280, 720)},
};

class MainDlgActionTest : public MainDlgTest, public ::testing::WithParamInterface<ActionCase> {};

TEST_P(MainDlgActionTest, EndsAndWritesAsThePlayerChose) {
    const ActionCase& c = GetParam();
    Open(ConfigText(c.playMovie, 1280, 720), kThreeSizes);
    for (const std::string& action : c.actions) {
        if (action == "close")
            CloseBox();
        else if (action.rfind("pick ", 0) == 0)
            Pick(std::stoi(action.substr(5)));
        else
            Click(action.c_str());
    }
    EXPECT_EQ(m_dialog->IsEnded() ? m_dialog->GetEndCode() : 0, c.endCode);
    EXPECT_EQ(File(), c.written.value_or(m_config));
}

INSTANTIATE_TEST_SUITE_P(Actions, MainDlgActionTest, ::testing::ValuesIn(kActionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainDlgTest, DefaultsShowTheDefaultSizeOrTheFirstEntryWhileTheRecordKeeps800x600) {
    struct {
        Sizes sizes;
        std::string selected;
    } const cases[] = {{{{800, 600}, {1280, 720}}, "800 x 600"}, {kThreeSizes, "1024 x 768"}};
    for (const auto& c : cases) {
        Open(ConfigText(0, 1280, 720), c.sizes);
        ASSERT_EQ(Selected(), "1280 x 720");
        Click("標準設定に戻す");
        EXPECT_EQ(NoMovie()->value(), 0);
        EXPECT_EQ(Selected(), c.selected);
        EXPECT_TRUE(GetAppSetting().IsPlayMovie());
        EXPECT_EQ(FullScreenSize(), std::make_pair(800u, 600u));
        EXPECT_FALSE(m_dialog->IsEnded());
        EXPECT_EQ(File(), m_config);
    }
}

bool WaitForFile(const char* name) {
    for (int i = 0; i < 500 && !std::filesystem::exists(name); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return std::filesystem::exists(name);
}

TEST_F(MainDlgTest, StartGameSavesThenStartsTheGameFromTheCurrentFolder) {
    // The game program here records the settings file it finds when it starts.
    m_folder.Write("Marlowe", "#!/bin/sh\ncp config.xml copy.tmp && mv copy.tmp started.xml\n");
    ::chmod("Marlowe", 0755);
    Open(ConfigText(1, 1280, 720), kThreeSizes);
    Click(kNoMovie);
    Pick(0);
    Click("ゲームを起動する");
    EXPECT_TRUE(m_dialog->IsEnded());
    EXPECT_EQ(m_dialog->GetEndCode(), 1002);
    ASSERT_TRUE(WaitForFile("started.xml"));
    EXPECT_EQ(m_folder.Read("started.xml"), ConfigText(0, 1024, 768));
}

TEST_F(MainDlgTest, GameThatCannotStartKeepsTheDialogOpenWithTheSettingsSaved) {
    Open(ConfigText(1, 1280, 720), kThreeSizes);
    Pick(2);
    Click("ゲームを起動する");
    EXPECT_FALSE(m_dialog->IsEnded());
    EXPECT_EQ(File(), ConfigText(1, 1920, 1200));
}

TEST_F(MainDlgTest, FailedSaveKeepsTheDialogOpenAndTheOldFile) {
    Open(ConfigText(1, 1280, 720), kThreeSizes);
    ::chmod("config.xml", 0444);
    Click(kNoMovie);
    for (const char* button : {"O&K", "ゲームを起動する"}) {
        Click(button);
        EXPECT_FALSE(m_dialog->IsEnded()) << button;
        EXPECT_EQ(File(), m_config);
    }
}

}  // namespace
