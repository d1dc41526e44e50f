// The range's textures as the renderer uploads them: every MIP level holds the picture, so a
// board or a hole seen from afar is not drawn from empty (black, clear) levels.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/textures/STexFormat.h"
#include "assets/textures/STexture2.h"
#include "sys/classlib/CMemFile.h"
#include "tools/makehome/HomeRangeTarget.h"

namespace {

struct Mean {
    double red = 0, green = 0, blue = 0, alpha = 0;
};

Mean LevelMean(STexFormat& format, int16_t level) {
    const STexLayer& layer = *format.Layers()[level];
    Mean mean;
    for (int y = 0; y < layer.height; ++y) {
        for (int x = 0; x < layer.width; ++x) {
            const uint32_t pixel = format.GetPixel(level, x, y);
            mean.red += (pixel >> 16) & 0xFF;
            mean.green += (pixel >> 8) & 0xFF;
            mean.blue += pixel & 0xFF;
            mean.alpha += format.HasAlpha() != 0 ? format.GetAlphaPixel(level, x, y) : 255;
        }
    }
    const double texels = static_cast<double>(layer.width) * layer.height;
    return {mean.red / texels, mean.green / texels, mean.blue / texels, mean.alpha / texels};
}

TEST(HomeRangeTargetTest, EveryLevelOfTheRangeTexturesAveragesTheFullPicture) {
    int textures = 0;
    for (auto& [path, bytes] : home_range::BuildTargetFiles()) {
        if (path.size() < 4 || path.compare(path.size() - 4, 4, ".stx") != 0) {
            continue;
        }
        ++textures;
        ASSERT_FALSE(bytes.empty()) << path;
        CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
        STexture2 texture;
        ASSERT_EQ(texture.LoadFromStream(&file, 1), 1) << path;
        STexFormat& format = *texture.GetFormat(0);
        ASSERT_GT(format.GetMIPDepth(), 1) << path;
        const Mean full = LevelMean(format, 0);
        // Halving by averaging keeps the mean, up to the stored format's rounding.
        for (int16_t level = 1; level < format.GetMIPDepth(); ++level) {
            const Mean small = LevelMean(format, level);
            EXPECT_NEAR(small.red, full.red, 12.0) << path << " level " << level;
            EXPECT_NEAR(small.green, full.green, 12.0) << path << " level " << level;
            EXPECT_NEAR(small.blue, full.blue, 12.0) << path << " level " << level;
            EXPECT_NEAR(small.alpha, full.alpha, 12.0) << path << " level " << level;
        }
    }
    EXPECT_EQ(textures, 2);
}

}  // namespace
