// UI controls: the inclusive hit rectangle, the look driver's three modes and its wait, the render
// description's record, "UICoroutine" objects, and on screen the shared sprite drawing, button
// groups, polygons and the save-slot controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "support/ScratchDir.h"
#include "novel/script/ASCommon.h"
#include "novel/state/GameVariables.h"
#include "novel/state/SaveDataManager.h"
#include "support/RenderDevice.h"
#include "support/ScenarioCode.h"
#include "novel/ui/UIButtons.h"
#include "novel/ui/UIControl.h"
#include "novel/ui/UIImageControls.h"
#include "novel/ui/UISaveDataControls.h"

namespace {

TEST(UIControlTest, HitRectangleIncludesEveryEdgeAndMovesWithThePosition) {
    CUIImage c;
    c.SetPosition(100, 50, 0);
    c.SetRect(10, 20, 30, 40);  // 110..140 x 70..110 on screen
    struct Case {
        float x, y;
        bool hit;
    };
    for (const Case& k : {Case{110, 70, true}, Case{140, 110, true}, Case{140, 70, true}, Case{110, 110, true},
                          Case{125, 90, true}, Case{109.9f, 90, false}, Case{140.1f, 90, false},
                          Case{125, 69.9f, false}, Case{125, 110.1f, false}, Case{10, 20, false}})
        EXPECT_EQ(c.HitTest(k.x, k.y), k.hit) << k.x << "," << k.y;
}

TEST(UIControlTest, GreaterZIsStrictAndActiveNeedsVisibleAndEnabled) {
    CUIImage a, b;
    a.SetPosition(0, 0, 1);
    b.SetPosition(0, 0, 1);
    EXPECT_FALSE(a.HasGreaterZ(&b));
    a.SetPosition(0, 0, 2);
    EXPECT_TRUE(a.HasGreaterZ(&b));
    EXPECT_FALSE(b.HasGreaterZ(&a));
    EXPECT_TRUE(a.IsVisible());
    EXPECT_FALSE(a.IsActive());  // enabled only when a window adds it
    a.SetEnable(true);
    EXPECT_TRUE(a.IsActive());
    a.SetVisible(false);
    EXPECT_FALSE(a.IsActive());
}

TEST(UIRenderInfoTest, RecordIs117BytesAndRoundTrips) {
    CUIRenderInfo info;
    EXPECT_EQ(info.pattern, -1);
    info.SetOffset(1, 2, 3);
    info.SetScale(2, 3, 4);
    info.SetRoll(0.5f, 0.25f, 1);
    info.SetColor(0.1f, 0.2f, 0.3f, 0.4f);
    info.sheet = 2;
    info.pattern = 7;
    info.wait = 5;
    info.rendering = false;
    USLib::binary_ostream<256> out;
    info.Save(out);
    ASSERT_EQ(out.GetSize(), 117u);
    CUIRenderInfo back;
    USLib::binary_istream in;
    in.Attach(out.GetData(), out.GetSize());
    back.Load(in);
    USLib::binary_ostream<256> again;
    back.Save(again);
    ASSERT_EQ(again.GetSize(), 117u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(again.GetData()), 117),
              std::string(reinterpret_cast<const char*>(out.GetData()), 117));
    EXPECT_FALSE(back.rendering);
    EXPECT_EQ(back.pattern, 7);
}

// A UI-window-like engine: the common functions, "UICoroutine", and a test function that parks a
// control's look for n updates the way a window's "WaitCtrl" does.
class UIScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.OpenLog();
        testsupport::ResetGameState();
        engine_ = CreateScriptEngine();
        ASSERT_NE(engine_, nullptr);
        ASSERT_TRUE(RegisterCommonScriptInterface(engine_));
        ASSERT_TRUE(RegisterUICoroutine(engine_));
        ASSERT_GE(engine_->RegisterGlobalFunction("void Park(int)", asFUNCTION(Park), asCALL_CDECL), 0);
        ASSERT_GE(engine_->RegisterGlobalProperty("int runs", &runs_), 0);
        ASSERT_GE(engine_->RegisterGlobalFunction("int FunctionId(const string &in)", asFUNCTION(FunctionId),
                                                  asCALL_CDECL),
                  0);
    }
    void TearDown() override { engine_->ShutDownAndRelease(); }
    asIScriptModule* Build(const std::string& source) {
        dir_.Write("AS/UI.as", source);
        if (BuildScriptModule(engine_, "AS\\UI.as") < 0) return nullptr;
        return engine_->GetModule("AS\\UI.as");
    }
    int Id(asIScriptModule* m, const char* declaration) {
        asIScriptFunction* f = m->GetFunctionByDecl(declaration);
        return f ? f->GetId() : -1;
    }
    static void Park(int frames) {
        parked_->wait = frames;
        asGetActiveContext()->Suspend();
    }

    static int FunctionId(const std::string& declaration) {
        asIScriptFunction* running = asGetActiveContext()->GetFunction();
        asIScriptFunction* f = running->GetModule()->GetFunctionByDecl(declaration.c_str());
        return f ? f->GetId() : -1;
    }

    static inline CUIRenderInfo* parked_ = nullptr;
    static inline int runs_ = 0;
    ScratchDir dir_;
    asIScriptEngine* engine_ = nullptr;
};

TEST_F(UIScriptTest, LookIdsHideShowAPatternOrRunAScript) {
    asIScriptModule* m = Build("void Look() { runs++; SetNothing(); }\nvoid SetNothing() {}\n");
    ASSERT_NE(m, nullptr);
    CUIRenderInfo info;
    CUIContext look;
    look.SetRenderInfo(&info);
    look.SetContext(engine_->CreateContext());
    info.SetOffset(5, 5, 5);
    info.SetColor(0, 0, 0, 0);
    info.sheet = 3;
    info.pattern = 9;
    // A direct pattern resets the look and shows the pattern, without running anything.
    look.Start(static_cast<int32_t>(0x80000004u));
    EXPECT_EQ(look.GetMode(), CUIContext::kDirect);
    EXPECT_EQ(info.pattern, 4);
    EXPECT_EQ(info.sheet, 0);
    EXPECT_EQ(info.offset[0], 0);
    EXPECT_EQ(info.color[3], 1);
    runs_ = 0;
    EXPECT_EQ(look.Update(), 0);
    EXPECT_EQ(runs_, 0);
    // -1 shows nothing.
    look.Start(-1);
    EXPECT_EQ(info.pattern, -1);
    EXPECT_EQ(look.GetMode(), CUIContext::kNone);
    // A script id runs once per Start, in the next update.
    look.Start(Id(m, "void Look()"));
    look.Update();
    look.Update();
    EXPECT_EQ(runs_, 1);
    look.Start(Id(m, "void Look()"));
    look.Update();
    EXPECT_EQ(runs_, 2);
}

TEST_F(UIScriptTest, AParkedLookResumesInTheNthUpdateAfterIt) {
    asIScriptModule* m = Build("int n;\nvoid Look() { for (;;) { runs++; Park(n); } }\n");
    ASSERT_NE(m, nullptr);
    int* n = static_cast<int*>(m->GetAddressOfGlobalVar(m->GetGlobalVarIndexByName("n")));
    struct Case {
        int n, resumesAt;
    };
    // Update 0 runs the script and parks it; it runs again in update resumesAt.
    for (const Case& k : {Case{0, 1}, Case{1, 1}, Case{2, 2}, Case{4, 4}}) {
        CUIRenderInfo info;
        parked_ = &info;
        CUIContext look;
        look.SetRenderInfo(&info);
        look.SetContext(engine_->CreateContext());
        *n = k.n;
        runs_ = 0;
        look.Start(Id(m, "void Look()"));
        look.Update();
        ASSERT_EQ(runs_, 1);
        int update = 1;
        while (runs_ == 1 && update < 10) look.Update(), ++update;
        EXPECT_EQ(update - 1, k.resumesAt) << "n = " << k.n;
    }
}

TEST_F(UIScriptTest, CoroutinesRunIndependentlyAndOneDestroyedWhileSuspendedIsAborted) {
    asIScriptModule* m = Build(R"as(
int a = 0;
int b = 0;
int bEnded = 0;
void A() { for (;;) { a++; Suspend(); } }
void B() { b += 10; Suspend(); b += 10; Suspend(); bEnded = 1; }
void Main() {
    UICoroutine x;
    x.Create();
    x.SetFunction(FunctionId("void A()"));
    {
        UICoroutine y;
        y.Create();
        y.SetFunction(FunctionId("void B()"));
        x.Execute(); x.Execute(); y.Execute(); x.Execute();
    }
    x.Execute();
    runs = a * 100 + b + bEnded;
    // Choosing a function again starts it over.
    x.SetFunction(FunctionId("void A()"));
    x.Execute();
}
)as");
    ASSERT_NE(m, nullptr);
    asIScriptContext* ctx = engine_->CreateContext();
    ASSERT_GE(ctx->Prepare(m->GetFunctionByDecl("void Main()")), 0);
    EXPECT_EQ(ctx->Execute(), asEXECUTION_FINISHED);
    EXPECT_EQ(runs_, 410);  // A ran four times, B once and was then dropped mid-way
    EXPECT_EQ(*static_cast<int*>(m->GetAddressOfGlobalVar(m->GetGlobalVarIndexByName("a"))), 5);
    ctx->Release();
}

TEST_F(UIScriptTest, CoroutinesCannotBeCopied) {
    EXPECT_EQ(Build("void Main() { UICoroutine x; UICoroutine y; y = x; }\n"), nullptr);
}

}  // namespace

namespace {

class UISpriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Ok());
        testsupport::WriteTga("sheet.tga", 8, 4, [](int x, int) { return x < 4 ? 0xFFFF0000u : 0xFF00FF00u; });
        testsupport::WritePartsFile("sheet.parts", {{0, 0, 4, 4, 0, 0, 4, 4}, {0, 0, 4, 4, 4, 0, 8, 4}});
        std::unique_ptr<ResourceInfo> sheet = ResourceInfo::Create("sheet.tga", D3DFMT_A8R8G8B8, "sheet.parts");
        ASSERT_NE(sheet, nullptr);
        sheets.push_back(std::move(sheet));
    }
    ScratchDir folder;
    testsupport::RenderDevice device;
    ResourceList sheets;
};

TEST_F(UISpriteTest, MissingFilesMakeNoSheet) {
    EXPECT_EQ(ResourceInfo::Create("none.tga", D3DFMT_A8R8G8B8, "sheet.parts"), nullptr);
    EXPECT_EQ(ResourceInfo::Create("sheet.tga", D3DFMT_A8R8G8B8, "none.parts"), nullptr);
}

TEST_F(UISpriteTest, ImageDrawsItsPatternAtPositionPlusWindowPlusOffset) {
    CUIImage image;
    image.SetPosition(100, 50, 0);
    image.SetLayer(0);
    image.Setup(nullptr, static_cast<int32_t>(0x80000001u));  // direct pattern 1: green
    const float window[3] = {20, 10, 0};
    auto frame = device.Frame([&] { image.Render(window, sheets); });
    constexpr DWORD kGreen = 0x00FF00, kRed = 0xFF0000, kBlack = 0;
    EXPECT_EQ(testsupport::Pixel(frame, 120, 60), kGreen);
    EXPECT_EQ(testsupport::Pixel(frame, 123, 63), kGreen);
    EXPECT_EQ(testsupport::Pixel(frame, 119, 60), kBlack);
    EXPECT_EQ(testsupport::Pixel(frame, 124, 60), kBlack);
    image.GetRenderInfo()->SetOffset(-20, 0, 0);
    image.GetRenderInfo()->SetPatNo(0);
    frame = device.Frame([&] { image.Render(window, sheets); });
    EXPECT_EQ(testsupport::Pixel(frame, 100, 60), kRed);
    EXPECT_EQ(testsupport::Pixel(frame, 120, 60), kBlack);
    // Pattern -1, a pattern beyond the sheet and a sheet beyond the list draw nothing.
    for (auto [sheet, pattern] : {std::pair{0, -1}, std::pair{0, 2}, std::pair{1, 0}, std::pair{-1, 0}}) {
        image.GetRenderInfo()->sheet = sheet;
        image.GetRenderInfo()->pattern = pattern;
        frame = device.Frame([&] { image.Render(window, sheets); });
        EXPECT_EQ(testsupport::Pixel(frame, 100, 60), kBlack) << sheet << "," << pattern;
    }
    // A hidden image still takes its update (and never the click).
    EXPECT_FALSE(image.Update(101, 61, 1));
}

TEST_F(UISpriteTest, PartsOfASheetThatIsNotAPowerOfTwoShowOnlyThemselves) {
    // Three rows of 4 x 4: red, green, blue; the texture is made 4 x 16.
    testsupport::WriteTga("rows.tga", 4, 12, [](int, int y) {
        return y < 4 ? 0xFFFF0000u : y < 8 ? 0xFF00FF00u : 0xFF0000FFu;
    });
    testsupport::WritePartsFile("rows.parts", {{0, 0, 4, 4, 0, 4, 4, 8}});
    std::unique_ptr<ResourceInfo> rows = ResourceInfo::Create("rows.tga", D3DFMT_A8R8G8B8, "rows.parts");
    ASSERT_NE(rows, nullptr);
    sheets.push_back(std::move(rows));
    CUIImage image;
    image.SetPosition(100, 50, 0);
    image.Setup(nullptr, static_cast<int32_t>(0x80000000u));
    image.GetRenderInfo()->sheet = 1;
    const float window[3] = {0, 0, 0};
    auto frame = device.Frame([&] { image.Render(window, sheets); });
    for (int y = 50; y < 54; ++y) EXPECT_EQ(testsupport::Pixel(frame, 101, y), 0x00FF00u) << y;
}

TEST_F(UISpriteTest, ImageWithLookMinusOneDrawsNothing) {
    CUIImage image;
    image.SetPosition(100, 50, 0);
    image.Setup(nullptr, -1);
    const float window[3] = {0, 0, 0};
    auto frame = device.Frame([&] { image.Render(window, sheets); });
    EXPECT_EQ(testsupport::Pixel(frame, 101, 51), 0u);
}

}  // namespace

namespace {

TEST_F(UISpriteTest, GroupDrawsEveryLitChildAtItsPlaceInOneCall) {
    CGameParameterManager::GetInstance()->AllocGameParam(4);
    CGameParameterManager::GetInstance()->SetParam(0, 2);
    CUIGroupButtons group(std::make_unique<RadioCheckValueFunctor>());
    group.SetPosition(100, 100, 0);
    group.Setup();
    group.SetVariable(2, 0);
    group.AddChild(1, 0, 1, 0, 0, 0, 0, 4, 4);   // unlit: red
    group.AddChild(1, 0, 2, 20, 0, 0, 0, 4, 4);  // lit: green
    group.AddChild(1, -1, 3, 40, 0, 0, 0, 4, 4); // unlit without a pattern: not drawn
    group.Update(0, 0, 0);
    const float window[3] = {0, 0, 0};
    auto frame = device.Frame([&] { group.Render(window, sheets); });
    EXPECT_EQ(testsupport::Pixel(frame, 101, 101), 0xFF0000u);
    EXPECT_EQ(testsupport::Pixel(frame, 121, 101), 0x00FF00u);
    EXPECT_EQ(testsupport::Pixel(frame, 141, 101), 0u);
    EXPECT_EQ(testsupport::Pixel(frame, 111, 101), 0u);
}

TEST_F(UISpriteTest, PolygonFillsWithTheLooksColourAlphaTruncated) {
    CUIPolygon polygon;
    polygon.Setup(nullptr, static_cast<int32_t>(0x80000000u), 10, 20, 30, 40);
    polygon.GetRenderInfo()->SetColor(0, 1, 0, 0.5f);
    const float window[3] = {100, 100, 0};
    auto frame = device.Frame([&] { polygon.Render(window, sheets); });
    EXPECT_EQ(polygon.Vertices()[3].colour, 0x7F00FF00u);
    EXPECT_EQ(polygon.Vertices()[3].x, 40);
    EXPECT_EQ(polygon.Vertices()[3].y, 60);
    EXPECT_NE(testsupport::Pixel(frame, 115, 125), 0u);  // drawn, moved by the window
    EXPECT_EQ(testsupport::Pixel(frame, 105, 125), 0u);
}

class UISaveSlotTest : public UISpriteTest {
protected:
    void SetUp() override {
        UISpriteTest::SetUp();
        CSaveDataManager* saves = CSaveDataManager::GetInstance();
        saves->Setup(12, 6);
        saves->SetViewTop(0);
        // Every character code draws part 0 (red); character i sits at (10 i, 0).
        for (uint32_t i = 0; i < 17; ++i) saves->SetDigitLayout(i, 10.0f * i, 0, 0);
        HoveredSaveSlot() = -1;
    }
    void TearDown() override {
        CSaveDataManager::GetInstance()->Setup(0, 0);
        HoveredSaveSlot() = -1;
        UISpriteTest::TearDown();
    }
};

TEST_F(UISaveSlotTest, EmptySlotShowsOnlyItsNumberAndTheQuickSlotNothing) {
    for (int32_t slot : {2, -1}) {
        CUISaveFileButton button;
        button.SetPosition(100, 100, 0);
        button.SetEnable(true);
        button.Setup(slot, nullptr, static_cast<int32_t>(0x80000001u), static_cast<int32_t>(0x80000001u), -1, -1, -1);
        button.Update(0, 0, 0);
        const float window[3] = {0, 0, 0};
        auto frame = device.Frame([&] { button.Render(window, sheets); });
        const bool numbered = slot != -1;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(testsupport::Pixel(frame, 101 + 10 * i, 101) == 0xFF0000u, numbered) << slot << " char " << i;
        EXPECT_NE(testsupport::Pixel(frame, 131, 101), 0xFF0000u) << slot;  // no time stamp
    }
}

TEST_F(UISaveSlotTest, SnapshotImageTakesTheSlotTheCursorPassedOver) {
    CUISaveFileButton button;
    button.SetRect(0, 0, 10, 10);
    button.SetEnable(true);
    button.Setup(5, nullptr, -1, -1, -1, -1, -1);
    CUISaveDataSnapImage first, second;
    first.Setup();
    second.Setup();
    button.Update(5, 5, 0);
    EXPECT_EQ(HoveredSaveSlot(), 5);
    first.Update(0, 0, 0);
    second.Update(0, 0, 0);
    EXPECT_EQ(first.GetSlot(), 5);
    EXPECT_EQ(second.GetSlot(), -1);  // taken by the first
    button.Update(50, 50, 0);  // the cursor leaves: the image keeps the slot
    first.Update(0, 0, 0);
    EXPECT_EQ(first.GetSlot(), 5);
    // An empty slot's thumbnail draws nothing.
    const float window[3] = {0, 0, 0};
    auto frame = device.Frame([&] { first.Render(window, sheets); });
    EXPECT_EQ(std::count_if(frame.begin(), frame.end(), [](DWORD p) { return (p & 0xFFFFFF) != 0; }), 0);
}

// Looks as direct patterns: 1 empty, 2 empty under the cursor, 9 pressed.
TEST_F(UISaveSlotTest, BusyButtonKeepsItsPressedLookUntilSignalled) {
    const auto direct = [](int32_t pattern) { return static_cast<int32_t>(0x80000000u | pattern); };
    CUISaveFileButton button;
    button.SetRect(0, 0, 10, 10);
    button.SetEnable(true);
    button.Setup(0, nullptr, direct(1), direct(2), -1, -1, direct(9));
    const int32_t& look = button.GetRenderInfo()->pattern;
    EXPECT_TRUE(button.Update(5, 5, 1));
    EXPECT_TRUE(button.IsBusy());
    EXPECT_EQ(look, 9);
    button.Update(50, 50, 1);  // neither the cursor nor a click changes a busy button
    EXPECT_TRUE(button.IsBusy());
    EXPECT_EQ(look, 9);
    button.Signal(0);
    EXPECT_FALSE(button.IsBusy());
    // Signalled, it shows the look the cursor gives it again, even the one it had before the click.
    button.Update(5, 5, 0);
    EXPECT_EQ(look, 2);
    button.Update(50, 50, 0);
    EXPECT_EQ(look, 1);
    EXPECT_TRUE(button.Update(5, 5, 1));
    EXPECT_TRUE(button.IsBusy());
}

}  // namespace
