// The heads-up layout's own items: the keyword factory, the map square of the icons and the
// contour levels of the terrain map.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "frontend/hud/SAppLayout.h"
#include "frontend/hud/SAppLayoutItems.h"

TEST(HeadsUpItemsTest, KeywordsMakeTheirItemsWithoutRegardToCase) {
    SAppLayout layout(nullptr);
    const struct {
        const char* word;
        int kind;  // -1 render, 0..3 icon kinds, 4 terrain, 5 none
    } cases[] = {{"renderframe", -1},     {"RenderFrame", -1},       {"mapicongame", 0}, {"MAPICONSTATIC", 1},
                 {"mapiconmodel", 2},     {"mapiconmodelflag", 3},   {"mapterrain", 4},  {"mapicon", 5},
                 {"renderframes", 5}};
    for (const auto& c : cases) {
        std::unique_ptr<SLayoutItem> item(layout.CreateAppItem(c.word));
        if (c.kind == 5) {
            EXPECT_EQ(item, nullptr) << c.word;
        } else if (c.kind == -1) {
            EXPECT_NE(dynamic_cast<SAppLayoutItemRender*>(item.get()), nullptr) << c.word;
        } else if (c.kind == 4) {
            EXPECT_NE(dynamic_cast<SAppLayoutItemMapTerrain*>(item.get()), nullptr) << c.word;
        } else {
            auto* icon = dynamic_cast<SAppLayoutItemMapIcon*>(item.get());
            ASSERT_NE(icon, nullptr) << c.word;
            EXPECT_EQ(icon->GetKind(), c.kind) << c.word;
        }
    }
}

TEST(HeadsUpItemsTest, TheMapSquareIsMovedInsideTheMap) {
    const struct {
        float scale, x, z;
        sys::RECT expected;
    } cases[] = {
        {1.0f, 4096.0f, 4096.0f, {0, 0, 8192, 8192}},
        {1.0f, 100.0f, 7000.0f, {0, 0, 8192, 8192}},
        {0.25f, 100.0f, 8100.0f, {0, 0, 2048, 2048}},            // map y = 92
        {0.25f, 8000.0f, 100.0f, {6144, 6144, 8192, 8192}},      // map y = 8092
        {0.25f, 4096.0f, 4096.0f, {3072, 3072, 5120, 5120}},
    };
    for (const auto& c : cases) {
        const sys::RECT r = SAppLayoutItemMapIcon::ComputeMapRect(c.scale, c.x, c.z);
        EXPECT_EQ(r.left, c.expected.left) << c.scale << " " << c.x << " " << c.z;
        EXPECT_EQ(r.top, c.expected.top) << c.scale << " " << c.x << " " << c.z;
        EXPECT_EQ(r.right, c.expected.right) << c.scale << " " << c.x << " " << c.z;
        EXPECT_EQ(r.bottom, c.expected.bottom) << c.scale << " " << c.x << " " << c.z;
    }
}

TEST(HeadsUpItemsTest, ContourLevelsSplitTheHeightRangeIntoEighths) {
    constexpr int kCells = SAppLayoutItemMapTerrain::kCells;
    std::vector<float> flat(kCells * kCells, 12.9f);
    flat[5] = 19.5f;  // a range of 7 after truncation
    std::vector<uint8_t> levels;
    EXPECT_FALSE(SAppLayoutItemMapTerrain::ContourLevels(flat.data(), levels));
    EXPECT_TRUE(levels.empty());

    // Heights 100 .. 116: range 16, a level every 2.
    std::vector<float> ramp(kCells * kCells, 100.0f);
    ramp[1] = 101.9f;
    ramp[2] = 102.0f;
    ramp[3] = 109.0f;
    ramp[4] = 116.0f;
    ASSERT_TRUE(SAppLayoutItemMapTerrain::ContourLevels(ramp.data(), levels));
    EXPECT_EQ(levels[0], 0);
    EXPECT_EQ(levels[1], 0);
    EXPECT_EQ(levels[2], 1);
    EXPECT_EQ(levels[3], 4);
    EXPECT_EQ(levels[4], 8);
    EXPECT_EQ(SAppLayoutItemMapTerrain::LevelColour(6), SAppLayoutItemMapTerrain::LevelColour(8));
    EXPECT_EQ(SAppLayoutItemMapTerrain::LevelColour(7), 0x4B4B4Bu);
    EXPECT_EQ(SAppLayoutItemMapTerrain::LevelColour(0), 0x004B19u);
}
