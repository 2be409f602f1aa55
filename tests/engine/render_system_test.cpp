// Render system without a device: the bounded key queue, layers, draw order by key with its tie
// rule, the standard state records and the current-table stack.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "engine/render/RenderStateManager.h"
#include "engine/render/RenderSystem.h"

namespace {

using Queue = USLib::priority_queue<RenderObjectHandle>;

std::vector<int> Drain(Queue& q) {
    std::vector<int> out;
    while (!q.Empty()) out.push_back(static_cast<int>(q.PopHighest().Value()));
    return out;
}

TEST(PriorityQueueTest, FullQueueDropsTheSmallestOrRejects) {
    struct Case {
        float key;
        std::vector<int> expected;  // Payloads from the highest key down.
    };
    // A queue of capacity 2 holding 5 (payload 5) and 3 (payload 3).
    for (const Case& c : {Case{4.0f, {5, 4}}, Case{2.0f, {5, 3}}, Case{3.0f, {5, 99}}}) {
        Queue q;
        q.Reserve(2);
        *q.Insert(5.0f) = RenderObjectHandle(5);
        *q.Insert(3.0f) = RenderObjectHandle(3);
        if (RenderObjectHandle* slot = q.Insert(c.key)) *slot = RenderObjectHandle(c.key == 3.0f ? 99 : static_cast<int>(c.key));
        EXPECT_EQ(Drain(q), c.expected) << "key " << c.key;
    }
    Queue none;
    none.Reserve(0);
    EXPECT_EQ(none.Insert(1.0f), nullptr);
    Queue q;
    q.Reserve(4);
    EXPECT_EQ(q.Insert(std::numeric_limits<float>::quiet_NaN()), nullptr);
    EXPECT_EQ(q.Insert(std::numeric_limits<float>::max()), nullptr);
    EXPECT_EQ(q.Insert(-std::numeric_limits<float>::infinity()), nullptr);
}

std::vector<std::string> g_drawn;

class NamedModel : public RenderSystem::IRenderModel {
public:
    explicit NamedModel(std::string name) : name_(std::move(name)) {}
    void Draw() override { g_drawn.push_back(name_); }
    void SetData(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) override {}
    void Clear() override {}
    std::uint32_t IsPartial() const override { return 0; }

private:
    std::string name_;
};

RenderObjectHandle MakeObject(const std::string& name, float z) {
    RenderObjectHandle h;
    RenderSystem::CBaseRenderObject* o = RenderSystem::CBaseRenderObject::Create(&h);
    o->position = D3DXVECTOR3(0, 0, z);
    o->SetModel(std::make_unique<NamedModel>(name));
    return h;
}

TEST(RenderObjectTableTest, DrawsOneLayerInKeyOrderWithTheTieRule) {
    RenderSystem::GetFrameTransform() = RenderSystem::FrameTransform();  // Identity view-projection: key = z.
    RenderObjectTable table;
    table.AddLayer(8);
    table.ReserveQueue();
    RenderObjectHandle a = MakeObject("A", 1.0f), b = MakeObject("B", 2.0f), c = MakeObject("C", 1.0f);
    for (auto h : {a, b, c}) table.Add(0, h);

    g_drawn.clear();
    table.SortLayer(0);
    table.DrawFromHighestKey();
    EXPECT_EQ(g_drawn, (std::vector<std::string>{"B", "C", "A"}));
    g_drawn.clear();
    table.SortLayer(0);
    table.DrawFromLowestKey();
    EXPECT_EQ(g_drawn, (std::vector<std::string>{"A", "C", "B"}));

    // An object released during the frame is skipped, not drawn.
    GetRenderObjectManager().Release(b);
    g_drawn.clear();
    table.SortLayer(0);
    table.DrawFromHighestKey();
    EXPECT_EQ(g_drawn, (std::vector<std::string>{"C", "A"}));
    GetRenderObjectManager().ReleaseAll();
}

TEST(RenderObjectTableTest, FullLayerKeepsTheFirstHandles) {
    RenderObjectVector layer;
    layer.Reserve(256);
    for (std::uint32_t i = 1; i <= 300; ++i) layer.Add(RenderObjectHandle(i));
    std::uint32_t cursor = 0, count = 0;
    RenderObjectHandle h;
    while (layer.Next(cursor, h)) EXPECT_EQ(h.Value(), ++count);
    EXPECT_EQ(count, 256u);
}

TEST(RenderStateManagerTest, SetupRegistersTheStandardRecordsOnce) {
    class Process : public CBaseAppRenderProcess {
        void Render() override {}
    } first, second;
    first.Setup();
    second.Setup();
    auto& states = RenderSystem::CRenderStateManager::Instance();
    EXPECT_EQ(states.DepthCount(), 8u);
    EXPECT_EQ(states.BlendCount(), 8u);
    EXPECT_EQ(states.TextureStageCount(), 1u);
    EXPECT_EQ(states.SamplerCount(), 2u);
}

TEST(SelectableCurrentTest, TheTableSelectedLastIsCurrent) {
    RenderObjectTable one, two;
    EXPECT_EQ(RenderObjectTable::GetCurrent(), nullptr);
    one.Select();
    two.Select();
    EXPECT_EQ(RenderObjectTable::GetCurrent(), &two);
    two.Deselect();
    EXPECT_EQ(RenderObjectTable::GetCurrent(), &one);
    one.Deselect();
    EXPECT_EQ(RenderObjectTable::GetCurrent(), nullptr);
}

TEST(PSParamInfoTest, RegistersThatDoNotFitChangeNothing) {
    CPSParamInfo p;
    float src[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    p.SetAt(30, src, 2);
    EXPECT_EQ(p.count, 32u);
    EXPECT_EQ(p.registers[31][0], 5.0f);
    p.SetAt(31, src, 2);
    p.Append(src, 1);
    EXPECT_EQ(p.count, 32u);
    EXPECT_EQ(p.registers[31][0], 5.0f);
}

}  // namespace
