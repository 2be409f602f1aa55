// The display-mode list: which adapter modes become entries, in which order, and how positions and
// sizes map to each other.
#include <gtest/gtest.h>

#include "d3d9/testhooks.h"
#include "settings_tool/ResolutionList.h"

namespace {

struct ListCase {
    const char* name;
    std::vector<D3DDISPLAYMODE> modes;
    std::vector<std::string> texts;
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name; }

const ListCase kListCases[] = {
    {"RefreshRatesAndFormatsGiveOneEntry",
     {{1024, 768, 60, D3DFMT_X8R8G8B8}, {1024, 768, 75, D3DFMT_X8R8G8B8}, {1024, 768, 60, D3DFMT_R5G6B5}},
     {"1024 x 768"}},
    {"SmallerThanTheWindowIsDropped",
     {{640, 480, 60, D3DFMT_X8R8G8B8}, {800, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_X8R8G8B8}},
     {"800 x 600"}},
    {"HeightAloneDecides", {{1280, 599, 60, D3DFMT_X8R8G8B8}, {1280, 600, 0, D3DFMT_X8R8G8B8}}, {"1280 x 600"}},
    {"SortedByWidthThenHeight",
     {{1280, 1024, 60, D3DFMT_X8R8G8B8}, {1280, 720, 60, D3DFMT_X8R8G8B8}, {1024, 768, 60, D3DFMT_X8R8G8B8}},
     {"1024 x 768", "1280 x 720", "1280 x 1024"}},
    {"NoModes", {}, {}},
};

class ResolutionListTest : public ::testing::TestWithParam<ListCase> {
protected:
    void TearDown() override { d3d9test::SetDisplayModes(nullptr); }
};

TEST_P(ResolutionListTest, ListsTheModesThatFit) {
    d3d9test::SetDisplayModes(&GetParam().modes);
    ResolutionList list;
    EXPECT_TRUE(list.Enumerate());
    std::vector<std::string> texts;
    for (unsigned i = 0; i < list.GetCount(); ++i) texts.push_back(list.GetText(i));
    EXPECT_EQ(texts, GetParam().texts);
}

INSTANTIATE_TEST_SUITE_P(Modes, ResolutionListTest, ::testing::ValuesIn(kListCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ResolutionListPositions, IndexOfAndGetAtMapPositionsAndSizes) {
    const std::vector<D3DDISPLAYMODE> modes = {
        {1280, 1024, 60, D3DFMT_X8R8G8B8}, {1280, 720, 60, D3DFMT_X8R8G8B8}, {1024, 768, 60, D3DFMT_X8R8G8B8}};
    d3d9test::SetDisplayModes(&modes);
    ResolutionList list;
    list.Enumerate();
    d3d9test::SetDisplayModes(nullptr);
    struct {
        uint32_t w, h;
        int index;
    } const cases[] = {{1024, 768, 0}, {1280, 720, 1}, {1280, 1024, 2}, {1920, 1080, 0}, {720, 1280, 0}};
    for (const auto& c : cases) EXPECT_EQ(list.IndexOf(c.w, c.h), c.index) << c.w << "x" << c.h;
    uint32_t w = 0, h = 0;
    list.GetAt(1, w, h);
    EXPECT_EQ(w, 1280u);
    EXPECT_EQ(h, 720u);
}

TEST(ResolutionListPositions, EnumerateAgainAddsOnlyNewSizesAndClearEmpties) {
    const std::vector<D3DDISPLAYMODE> first = {{1024, 768, 60, D3DFMT_X8R8G8B8}, {1280, 720, 60, D3DFMT_X8R8G8B8}};
    const std::vector<D3DDISPLAYMODE> second = {{1280, 720, 75, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_X8R8G8B8}};
    ResolutionList list;
    d3d9test::SetDisplayModes(&first);
    list.Enumerate();
    d3d9test::SetDisplayModes(&second);
    list.Enumerate();
    d3d9test::SetDisplayModes(nullptr);
    std::vector<std::string> texts;
    for (unsigned i = 0; i < list.GetCount(); ++i) texts.push_back(list.GetText(i));
    EXPECT_EQ(texts, (std::vector<std::string>{"800 x 600", "1024 x 768", "1280 x 720"}));
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0u);
}

}  // namespace
