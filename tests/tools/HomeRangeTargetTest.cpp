// The range's textures as the renderer uploads them: every MIP level holds the picture, so a
// board or a hole seen from afar is not drawn from empty (black) levels.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "assets/textures/STexFormat.h"
#include "assets/textures/STexture2.h"
#include "sys/classlib/CMemFile.h"
#include "tools/makehome/HomeRangeTarget.h"

namespace {

// The mean of red, green, blue and alpha (in that order) over one level.
std::array<double, 4> LevelMean(STexFormat& format, int16_t level) {
    std::array<double, 4> sum{};
    const STexLayer& layer = *format.Layers()[level];
    for (int y = 0; y < layer.height; ++y) {
        for (int x = 0; x < layer.width; ++x) {
            const uint32_t pixel = format.GetPixel(level, x, y);
            const int alpha = format.HasAlpha() != 0 ? format.GetAlphaPixel(level, x, y) : 255;
            const int channels[4] = {int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF), alpha};
            for (int c = 0; c < 4; ++c)
                sum[c] += channels[c] / (static_cast<double>(layer.width) * layer.height);
        }
    }
    return sum;
}

TEST(HomeRangeTargetTest, EveryLevelOfTheRangeTexturesAveragesTheFullPicture) {
    for (auto& [path, bytes] : home_range::BuildTargetFiles()) {
        if (path.find(".stx") == std::string::npos)
            continue;
        CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
        STexture2 texture;
        ASSERT_EQ(texture.LoadFromStream(&file, 1), 1) << path;
        STexFormat& format = *texture.GetFormat(0);
        ASSERT_GT(format.GetMIPDepth(), 1) << path;
        // Halving by averaging keeps the mean, up to the stored format's rounding.
        const auto full = LevelMean(format, 0);
        for (int16_t level = 1; level < format.GetMIPDepth(); ++level) {
            const auto small = LevelMean(format, level);
            for (int c = 0; c < 4; ++c)
                EXPECT_NEAR(small[c], full[c], 12.0) << path << " level " << level << " channel " << c;
        }
    }
}

}  // namespace
