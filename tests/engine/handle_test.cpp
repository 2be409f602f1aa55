// Handle managers: slot and serial layout, stale handles, last-in first-out reuse, serial wrap,
// iteration and ReleaseAll, the engine's managers at exit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "engine/render/RenderObject.h"
#include "engine/resources/USHandle.h"

namespace {

int g_deleted = 0;
struct Thing {
    virtual ~Thing() { ++g_deleted; }
    int id = 0;
};
struct _tagThing;
using ThingHandle = Handle<_tagThing>;
using Manager = CUSHandleManager<Thing, ThingHandle>;

ThingHandle AddThing(Manager& m, int id) {
    auto t = std::make_unique<Thing>();
    t->id = id;
    ThingHandle h;
    m.Add(std::move(t), &h);
    return h;
}

TEST(HandleTest, StaleHandlesResolveToNothingAndFreedSlotsAreReusedLastInFirstOut) {
    struct _tagA;
    CUSHandleManager<Thing, Handle<_tagA>> fresh;
    Handle<_tagA> first, second;
    fresh.Add(std::make_unique<Thing>(), &first);
    fresh.Add(std::make_unique<Thing>(), &second);
    // Slot in the low 16 bits, serial in the high 16; the serial counter lives as long as the process.
    EXPECT_EQ(first.Value() & 0xFFFFu, 0u);
    EXPECT_NE(first.Serial(), 0u);
    EXPECT_EQ(second.Value(), ((first.Serial() % 0xFFFF + 1) << 16) | 1u);

    Manager m;
    ThingHandle a = AddThing(m, 1), b = AddThing(m, 2), c = AddThing(m, 3);
    EXPECT_EQ(m.GetCount(), 3u);
    ThingHandle staleA = a, staleB = b;
    EXPECT_TRUE(m.Release(a));
    EXPECT_TRUE(a.IsNull());
    EXPECT_TRUE(m.Release(b));
    ThingHandle d = AddThing(m, 4), e = AddThing(m, 5);
    EXPECT_EQ(d.Index(), staleB.Index());  // Last freed, first reused.
    EXPECT_EQ(e.Index(), staleA.Index());
    EXPECT_GT(d.Serial(), staleB.Serial());
    EXPECT_EQ(m.Get(staleA), nullptr);
    EXPECT_EQ(m.Get(d)->id, 4);
    EXPECT_FALSE(m.Release(staleB));
    EXPECT_TRUE(staleB.IsNull());  // The stale copy is cleared too.
    ThingHandle none;
    EXPECT_FALSE(m.Release(none));
    EXPECT_EQ(m.Get(c)->id, 3);
}

TEST(HandleTest, SerialsWrapFrom0xFFFFTo1) {
    struct _tagWrap;
    CUSHandleManager<Thing, Handle<_tagWrap>> m;
    Handle<_tagWrap> h;
    // The counter goes on from wherever an earlier run of this test left it.
    uint32_t last = 0;
    for (int i = 0; i < 0xFFFF && last != 0xFFFF; ++i) {
        m.Add(std::make_unique<Thing>(), &h);
        last = h.Serial();
        m.Release(h);
    }
    ASSERT_EQ(last, 0xFFFFu);
    m.Add(std::make_unique<Thing>(), &h);
    EXPECT_EQ(h.Serial(), 1u);
    EXPECT_NE(h.Value(), 0u);
}

TEST(HandleTest, NeverIssuedSerialZeroDoesNotFreeASlotTwice) {
    Manager m;
    AddThing(m, 1);
    ThingHandle b = AddThing(m, 2);
    m.Release(b);
    // Slot 1 is free and its serial is 0: a handle with serial 0 for slot 1 must not free it again.
    ThingHandle forged(1u);
    EXPECT_FALSE(m.Release(forged));
    ThingHandle c = AddThing(m, 3), d = AddThing(m, 4);
    EXPECT_NE(c.Index(), d.Index());
    EXPECT_EQ(m.Get(c)->id, 3);
    EXPECT_EQ(m.Get(d)->id, 4);
}

TEST(HandleTest, IterationAndReleaseAll) {
    g_deleted = 0;
    Manager m;
    ThingHandle a = AddThing(m, 1);
    AddThing(m, 2);
    AddThing(m, 3);
    ThingHandle dead = a;
    m.Release(dead);
    EXPECT_EQ(m.GetCount(), 2u);
    EXPECT_EQ(m.GetCapacity(), 3u);
    EXPECT_EQ(m.First()->id, 2);
    EXPECT_EQ(m.Next()->id, 3);
    EXPECT_EQ(m.Next(), nullptr);

    std::uint32_t lastSerial = AddThing(m, 9).Serial();
    m.ReleaseAll();
    EXPECT_EQ(g_deleted, 4);  // Each live object once (the released one was deleted at release).
    EXPECT_EQ(m.Get(a), nullptr);
    ThingHandle next = AddThing(m, 7);
    EXPECT_EQ(next.Index(), 0u);
    EXPECT_EQ(next.Serial(), lastSerial + 1);
}

// The engine's managers last the whole process: a handle made after an exit handler was registered
// (a singleton's renderer, the device's release list) still resolves and releases from that handler.
TEST(HandleTest, EngineManagersOutliveExitHandlers) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static VSParamHandle kept;
    EXPECT_EXIT(
        {
            std::atexit([] { _exit(GetVSParamInfo(kept) && GetVSParamManager().Release(kept) ? 0 : 1); });
            CVSParamInfo::Create(&kept);
            std::exit(2);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
