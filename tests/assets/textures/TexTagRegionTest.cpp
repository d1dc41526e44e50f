#include <gtest/gtest.h>

#include "assets/textures/STexLock.h"
#include "assets/textures/STexRegion.h"
#include "assets/textures/STexture2.h"

namespace {

// The smallest concrete lock: the base's tables are what is under test.
class TestLock : public STexLock {
public:
    int Build(STexture2*) override { return 1; }
    void Release() override {}
};

STexRegion* Polygon(std::initializer_list<STexRegion::Point> points) {
    auto* region = new STexRegion;
    for (const auto& p : points)
        region->AddPoint(p.x, p.y);
    return region;
}

TEST(TexTagRegionTest, NameHash) {
    struct Case {
        const char* name;
        uint8_t hash;
    };
    // By hand: "abc" is 0x21, 0x22 << 1, 0x23 << 2 XORed; "UpFilter" folds eight characters.
    const Case cases[] = {{"", 0x00}, {"abc", 0xE9}, {"ABC", 0xE9}, {"UpFilter", 0x84}, {"a", 0x21}};
    for (const Case& c : cases)
        EXPECT_EQ(HashTagName(c.name), c.hash) << c.name;
}

TEST(TexTagRegionTest, TagLookUpsOnEveryHolder) {
    STexture2 texture;
    TestLock lock;
    STexFormat format;
    STexRegion region;
    for (STexTagList* tags : std::initializer_list<STexTagList*>{&texture, &lock, &format, &region}) {
        EXPECT_EQ(tags->SetTag("UpFilter", "Box"), 1);
        EXPECT_EQ(tags->SetTag("Count", "12abc"), 2);
        EXPECT_EQ(tags->SetTag("Word", "abc"), 3);
        EXPECT_EQ(tags->SetTag("Scale", "2.5"), 4);
        // Replacing keeps the count and the position.
        EXPECT_EQ(tags->SetTag("UpFilter", "Cubic"), 4);
        EXPECT_EQ(tags->FindTag("UpFilter"), 0);
        EXPECT_EQ(tags->FindTag("upfilter"), -1);
        EXPECT_EQ(tags->GetTagString("upfilter", "Point"), "Point");
        EXPECT_EQ(tags->GetTagString("UpFilter", "Point"), "Cubic");
        EXPECT_EQ(tags->GetTagInt("Count", 7), 12);
        EXPECT_EQ(tags->GetTagInt("Word", 7), 0);
        EXPECT_EQ(tags->GetTagInt("Missing", 7), 7);
        EXPECT_FLOAT_EQ(tags->GetTagFloat("Scale", 1.0f), 2.5f);
        EXPECT_DOUBLE_EQ(tags->GetTagFloatAt(3), 2.5);
        EXPECT_EQ(tags->GetTagIntAt(1), 12);
        EXPECT_EQ(tags->SetTagName(2, "Other"), 1);
        EXPECT_EQ(tags->FindTag("Other"), 2);
        EXPECT_EQ(tags->GetTagValue(4), "");
        EXPECT_EQ(tags->SetTagValue(-1, "x"), 0);
    }
}

TEST(TexTagRegionTest, IndexFailuresAreRecordedOnlyWhenAsked) {
    STexture2 texture;
    texture.SetTag("a", "1");
    EXPECT_EQ(texture.GetTagValue(1), "");
    EXPECT_EQ(texture.GetLastError(), "");
    texture.m_iRecordErrors = 1;
    texture.GetTagValue(1);
    EXPECT_EQ(texture.GetLastError(), "Tag Index >= m_iNumTags");
    texture.GetTagName(-1);
    EXPECT_EQ(texture.GetLastError(), "Tag Index < 0");
    EXPECT_EQ(texture.AddRegion(nullptr), 0);
    EXPECT_EQ(texture.GetLastError(), "Reg is NULL");
    EXPECT_EQ(texture.GetRegion(0), nullptr);
    EXPECT_EQ(texture.GetLastError(), "Region Index >= m_iNumRegions");
    EXPECT_EQ(texture.RemoveTag(0), 1);
    EXPECT_EQ(texture.GetNumTags(), 0);

    TestLock lock;
    lock.SetRecordErrors(1);
    lock.GetTagIntAt(0);
    EXPECT_EQ(lock.GetLastError(), "Tag Index >= m_iNumTags");
    lock.GetRegion(-1);
    EXPECT_EQ(lock.GetLastError(), "Region Index < 0");
    EXPECT_EQ(lock.AddUse(), 1u);
    EXPECT_EQ(lock.DropUse(), 0u);
}

TEST(TexTagRegionTest, PointInPolygon) {
    struct Case {
        float x, y;
        int inside;
    };
    std::unique_ptr<STexRegion> triangle(Polygon({{0, 0}, {10, 0}, {0, 10}}));
    // (10, -5): both edges meeting at (10, 0) count and cancel.
    const Case cases[] = {{2, 2, 1}, {8, 8, 0}, {10, -5, 0}, {-1, 1, 0}, {1, 8.5f, 1}, {5, 6, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(triangle->Contains(c.x, c.y), c.inside) << c.x << "," << c.y;

    std::unique_ptr<STexRegion> line(Polygon({{0, 0}, {10, 10}}));
    EXPECT_EQ(line->Contains(5, 4), 0);
    EXPECT_EQ(line->RemoveLastPoint(), 1);
    EXPECT_EQ(line->RemoveLastPoint(), 0);
    EXPECT_EQ(line->GetNumPoints(), 0);
}

TEST(TexTagRegionTest, HitTestsSetEveryFlag) {
    TestLock lock;
    lock.AddRegion(Polygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
    lock.AddRegion(Polygon({{5, 5}, {15, 5}, {15, 15}, {5, 15}}));
    lock.AddRegion(Polygon({{0, 0}, {1, 1}}));
    lock.GetRegion(2)->SetHit(1);
    EXPECT_EQ(lock.HitTestRegions(7, 7), 1);
    EXPECT_EQ(lock.GetRegion(0)->IsHit(), 1);
    EXPECT_EQ(lock.GetRegion(1)->IsHit(), 1);
    EXPECT_EQ(lock.GetRegion(2)->IsHit(), 0);
    EXPECT_EQ(lock.HitTestRegions(20, 20), 0);
    EXPECT_EQ(lock.GetRegion(0)->IsHit() + lock.GetRegion(1)->IsHit(), 0);
    lock.Clear();
    lock.Clear();
    EXPECT_EQ(lock.GetNumRegions(), 0);
    EXPECT_EQ(lock.HitTestRegions(7, 7), 0);
}

}  // namespace
