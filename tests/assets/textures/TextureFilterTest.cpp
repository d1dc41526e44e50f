#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "assets/textures/STextureFilter.h"
#include "assets/textures/STexture2.h"
#include "tests/assets/textures/TextureTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace {

using namespace tarvex::test;

TEST(TextureFilterTest, WeightListsOfWorkedExamples) {
    struct Case {
        const char* filter;
        int src, dst, index;
        int first;
        std::vector<int32_t> weights;
    };
    // Halving 8 to 4. Triangle at the edges: 0.75, 0.75, 0.25 of 16384 / 1.75 round to 7022,
    // 7022, 2341; the surplus 1 comes off the pixel under the centre.
    const Case cases[] = {
        {"Point", 8, 4, 0, 0, {16384}},
        {"Point", 8, 4, 3, 6, {16384}},
        {"Box", 8, 4, 1, 2, {8192, 8192}},
        {"Triangle", 8, 4, 1, 1, {2048, 6144, 6144, 2048}},
        {"Triangle", 8, 4, 2, 3, {2048, 6144, 6144, 2048}},
        {"Triangle", 8, 4, 0, 0, {7022, 7021, 2341}},
        {"Triangle", 8, 4, 3, 5, {2341, 7022, 7021}},
        {"Nonesuch", 8, 4, 2, 4, {16384}},
        {"Box", 4, 8, 3, 1, {16384}},  // enlarging: centre 1.75 lies in pixel 1
    };
    for (const Case& c : cases) {
        const int filter = FindTextureFilter(c.filter);
        STexResampler resampler(filter, filter, c.src, c.src, c.dst, c.dst);
        STexWeightList list;
        resampler.MakeWeightsX(c.index, list);
        EXPECT_EQ(list.first, c.first) << c.filter << " " << c.index;
        EXPECT_EQ(list.weights, c.weights) << c.filter << " " << c.index;
        EXPECT_EQ(list.end, list.first + static_cast<int>(list.weights.size()));
    }
}

TEST(TextureFilterTest, EveryWeightListSumsToOne) {
    const int sizes[][2] = {{8, 4}, {8, 3}, {5, 13}, {64, 7}, {3, 100}, {256, 255}, {7, 7}, {1, 9}};
    for (int filter = 0; filter < kNumTextureFilters; ++filter) {
        for (const auto& size : sizes) {
            STexResampler resampler(filter, filter, size[0], size[0], size[1], size[1]);
            for (int b = 0; b < size[1]; ++b) {
                STexWeightList list;
                resampler.MakeWeightsY(b, list);
                ASSERT_GE(list.first, 0);
                ASSERT_LE(list.end, size[0]);
                EXPECT_EQ(std::accumulate(list.weights.begin(), list.weights.end(), 0), 16384)
                    << g_TextureFilters[filter].name << " " << size[0] << "->" << size[1] << " at " << b;
            }
        }
    }
}

TEST(TextureFilterTest, ResamplesPlanesAndPixels) {
    // A flat picture stays flat through every filter, negative lobes included.
    for (int filter = 0; filter < kNumTextureFilters; ++filter) {
        std::vector<uint8_t> flat(9 * 7 * 4, 0xA5), out(5 * 11 * 4);
        STexResampler(filter, filter, 9, 7, 5, 11).ResampleImage(flat.data(), out.data());
        EXPECT_EQ(out, std::vector<uint8_t>(out.size(), 0xA5)) << g_TextureFilters[filter].name;
    }
    // Box halving rounds the 2 x 2 average half up: 11 / 4 -> 3, 1 / 4 -> 0, 2 / 4 -> 1.
    const uint8_t plane[16] = {1, 2, 0, 0, 3, 5, 0, 1, 0, 1, 200, 255, 0, 1, 255, 255};
    uint8_t half[4];
    STexResampler(1, 1, 4, 4, 2, 2).ResampleAlpha(plane, half);
    EXPECT_EQ(half[0], 3);
    EXPECT_EQ(half[1], 0);
    EXPECT_EQ(half[2], 1);
    EXPECT_EQ(half[3], 241);  // 965 / 4 = 241.25
    // A hard edge through Catmull-Rom overshoots and is held at 0 and 255.
    const uint8_t edge[8] = {0, 0, 0, 0, 255, 255, 255, 255};
    uint8_t wide[16];
    STexResampler(5, 0, 8, 1, 16, 1).ResampleAlpha(edge, wide);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(wide[15], 255);

    // Palette matching: the nearest usable entry, ties to the lower index.
    uint8_t palette[256][4] = {};
    palette[3][2] = palette[4][2] = 100;  // two equal reds
    palette[9][0] = 255;
    EXPECT_EQ(NearestPaletteIndex(palette, 1, 255, 0x00600000), 3);
    EXPECT_EQ(NearestPaletteIndex(palette, 4, 255, 0x00600000), 4);
    EXPECT_EQ(NearestPaletteIndex(palette, 0, 8, 0x000000F0), 0);
    EXPECT_EQ(NearestPaletteIndex(palette, 0, 9, 0x000000F0), 9);
}

class ResampleFormatTest : public testing::Test {
protected:
    void SetUp() override { folder_ = MakeScratchFolder("assets-scratch"); }
    std::string folder_;
};

TEST_F(ResampleFormatTest, ReusesExistingLevels) {
    STexture2 texture;
    ASSERT_TRUE(ImportBmp(texture, folder_, 64, 64, kARGB8888));
    STexFormat* format = texture.GetFormat(0);
    ASSERT_EQ(texture.GetMIPDepth(), 5);
    ASSERT_EQ(format->BuildMipLayersRGB("Box", "Box"), 1);
    const uint32_t corner = format->GetPixel(2, 15, 15);
    const STexLayer* level2 = format->GetLayer(2);

    EXPECT_EQ(texture.ResampleFormat(64, 64), 1);
    EXPECT_EQ(texture.ResampleFormat(2, 2), 0);
    EXPECT_EQ(texture.ResampleFormat(16, 16), 1);
    EXPECT_EQ(texture.GetMIPDepth(), 3);
    EXPECT_EQ(format->GetMIPDepth(), 3);
    EXPECT_EQ(format->GetLayer(0), level2);
    EXPECT_EQ(format->GetPixel(0, 15, 15), corner);
    EXPECT_EQ(format->GetLayerRGBSource(0), 1);

    // A level that is missing its pixels stops a resampling.
    texture.UnloadFormat(0);
    EXPECT_EQ(texture.ResampleFormat(8, 4), 0);
}

TEST_F(ResampleFormatTest, FiltersNamedByTheTextureTags) {
    struct Case {
        const char* downFilter;  // null: no tag at all
        int width, height;
    };
    const Case cases[] = {{nullptr, 8, 4}, {"Box", 8, 4}, {"Point", 5, 5}};
    for (const Case& c : cases) {
        STexture2 texture;
        ASSERT_TRUE(ImportBmp(texture, folder_, 16, 16, "R8G8B8 24 0 3 8 8 8 0 16 8 0 0 255 255 255 0 "));
        STexFormat* format = texture.GetFormat(0);
        ASSERT_EQ(format->BuildMipLayersRGB("Point", "Point"), 1);
        if (c.downFilter)
            texture.SetTag("DownFilter", c.downFilter);
        ASSERT_EQ(texture.ResampleFormat(c.width, c.height), 1);
        ASSERT_EQ(format->m_iWidth, c.width);
        const STexLayer* layer = format->GetLayer(0);
        // Layers made here are not padded: 5 pixels of 3 bytes take 15.
        EXPECT_EQ(layer->pitch, 3 * c.width);
        EXPECT_EQ(layer->rgbOffset, -1);
        if (c.width != 8)
            continue;
        // The 8 x 8 level (level 0's even pixels) is the source; columns map one to one.
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 8; ++x) {
                const uint32_t a = PatternPixel(2 * x, 4 * y), b = PatternPixel(2 * x, 4 * y + 2);
                uint32_t expected = a & 0x00FFFFFF;
                if (c.downFilter) {
                    expected = 0;
                    for (int shift = 0; shift < 24; shift += 8)
                        expected |= ((((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + 1) / 2) << shift;
                }
                EXPECT_EQ(format->GetPixel(0, x, y), expected) << x << "," << y;
            }
        }
    }
}

}  // namespace
