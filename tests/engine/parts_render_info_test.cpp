// Parts render info files: write-then-read, flip, texture coordinates, replacement of the list,
// and refusal of files that are not parts files or are cut short.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/resources/PartsRenderInfo.h"
#include "support/ScratchDir.h"

namespace {

std::string Head(const char* magic, std::uint32_t version, std::uint32_t count) {
    std::string s(magic, 16);
    s.append(reinterpret_cast<const char*>(&version), 4);
    s.append(reinterpret_cast<const char*>(&count), 4);
    return s;
}

TEST(PartsRenderInfoTest, RoundTripWithFlipAndTextureCoordinates) {
    ScratchDir dir;
    CPartsRenderInfo3 written;
    CPartsInfo3* p = written.AddPart();
    p->g0 = -10, p->g1 = -20, p->g2 = 30, p->g3 = 40;
    p->t0 = 64, p->t1 = 32, p->t2 = 128, p->t3 = 96;
    written.AddPart()->g1 = 5;
    written.Save("parts.prt");

    CPartsRenderInfo3 read;
    ASSERT_EQ(read.Load("parts.prt", 256, 128, true), 1);
    ASSERT_EQ(read.Count(), 2u);
    const CPartsInfo3* q = read.GetPart(0);
    EXPECT_EQ(q->g0, -10);
    EXPECT_EQ(q->g1, 20);  // Flipped.
    EXPECT_EQ(q->g3, -40);
    EXPECT_EQ(q->t0, 64);  // Texel values and coordinates do not flip.
    EXPECT_FLOAT_EQ(q->tu0, 0.25f);
    EXPECT_FLOAT_EQ(q->tv0, 0.25f);
    EXPECT_FLOAT_EQ(q->tu1, 0.5f);
    EXPECT_FLOAT_EQ(q->tv1, 0.75f);

    // Saving writes g1 and g3 as stored, that is already flipped.
    read.Save("again.prt");
    CPartsRenderInfo3 again;
    ASSERT_EQ(again.Load("again.prt", 256, 128, false), 1);
    EXPECT_EQ(again.GetPart(0)->g1, 20);

    // An empty file replaces the list entirely.
    dir.Write("empty.prt", Head("PARSTRENDERINFO_", 4, 0));
    ASSERT_EQ(again.Load("empty.prt", 256, 128, false), 1);
    EXPECT_EQ(again.Count(), 0u);
}

TEST(PartsRenderInfoTest, FilesThatAreNotPartsFilesFailAndKeepTheList) {
    ScratchDir dir;
    dir.OpenLog();
    dir.Write("magic.prt", Head("PARTSRENDERINFO_", 4, 0));
    dir.Write("version.prt", Head("PARSTRENDERINFO_", 3, 0));
    dir.Write("short.prt", Head("PARSTRENDERINFO_", 4, 2) + std::string(40, '\0'));
    dir.Write("tiny.prt", "PARSTRENDER");
    CPartsRenderInfo3 info;
    info.AddPart();
    for (const char* name : {"magic.prt", "version.prt", "short.prt", "tiny.prt", "missing.prt"}) {
        EXPECT_EQ(info.Load(name, 16, 16, false), static_cast<std::int32_t>(0x80004005)) << name;
        EXPECT_EQ(info.Count(), 1u) << name;
    }
    EXPECT_NE(dir.Log().find("short.prt"), std::string::npos);
}

}  // namespace
