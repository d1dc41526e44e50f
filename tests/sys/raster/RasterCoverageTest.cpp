// Which pixels a triangle or line covers: the top-left rule, sub-pixel corners, shared edges
// in quads and strips, the line end rule, and Gouraud colour at hand-worked samples.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/sys/raster/RasterTestCanvas.h"

namespace {

using namespace tarvex::test;

TEST(RasterCoverage, TopLeftRuleKeepsTopAndLeftEdgesOnly) {
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();
    // Clockwise on screen: top edge (0,0)-(4,0), left edge (0,4)-(0,0), and the hypotenuse
    // x + y = 4, which is neither, so samples on it stay out.
    ASSERT_TRUE(canvas.Triangles({V(0, 0), V(4, 0), V(0, 4)}));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool inside = x + y <= 3;
            EXPECT_EQ(canvas.Pixel(x, y) != 0, inside) << x << "," << y;
        }
    }
    EXPECT_EQ(canvas.raster.Counters().pixels, 10u);
    EXPECT_EQ(canvas.raster.Counters().triangles, 1u);
}

TEST(RasterCoverage, QuadOfTwoTrianglesCoversItsPixelsOnce) {
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();
    ASSERT_TRUE(canvas.Triangles({V(1, 1), V(5, 1), V(1, 4), V(5, 1), V(5, 4), V(1, 4)}));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(canvas.Pixel(x, y) != 0, x >= 1 && x <= 4 && y >= 1 && y <= 3) << x << "," << y;
        }
    }
    // 4 x 3 pixels, none written twice along the shared diagonal.
    EXPECT_EQ(canvas.raster.Counters().pixels, 12u);
}

TEST(RasterCoverage, SubPixelCornersMoveCoverage) {
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();
    // Samples with x >= 0.5, y >= 0.5 and x + y < 4: (1,1), (2,1), (1,2).
    ASSERT_TRUE(canvas.Triangles({V(0.5f, 0.5f), V(3.5f, 0.5f), V(0.5f, 3.5f)}));
    EXPECT_EQ(canvas.raster.Counters().pixels, 3u);
    EXPECT_NE(canvas.Pixel(1, 1), 0u);
    EXPECT_NE(canvas.Pixel(2, 1), 0u);
    EXPECT_NE(canvas.Pixel(1, 2), 0u);
    // A left edge 1/256 pixel right of a sample column leaves that column out.
    RasterCanvas shifted(8, 8);
    shifted.UsePixelSpace();
    ASSERT_TRUE(shifted.Triangles({V(2.00390625f, 0), V(6, 0), V(2.00390625f, 4)}));
    EXPECT_EQ(shifted.Pixel(2, 0), 0u);
    EXPECT_NE(shifted.Pixel(3, 0), 0u);
}

// Point-in-polygon with the sample strictly inside or strictly outside; on the outline is
// "unknown" and not checked.
int Side(const std::vector<std::pair<double, double>>& outline, double px, double py) {
    bool inside = false;
    const size_t n = outline.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const auto [xi, yi] = outline[i];
        const auto [xj, yj] = outline[j];
        const double cross = (xj - xi) * (py - yi) - (yj - yi) * (px - xi);
        const double dot = (px - xi) * (px - xj) + (py - yi) * (py - yj);
        if (std::fabs(cross) < 1e-9 && dot <= 0) {
            return 0;
        }
        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) {
            inside = !inside;
        }
    }
    return inside ? 1 : -1;
}

// A wavy band with corners at awkward sub-pixel positions, alternating top and bottom, drawn
// as one strip; `step` is the distance between corners along the band.
void CheckStripHasNoCracksOrOverlaps(float step, int width) {
    RasterCanvas canvas(width, 72, PixelFormat::XRGB8888, false);
    canvas.UsePixelSpace();
    canvas.raster.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    std::vector<LineVertex> strip;
    std::vector<std::pair<double, double>> top, bottom;
    for (int i = 0; i <= 24; ++i) {
        const float x = 3.3f + static_cast<float>(i) * step + 0.37f * static_cast<float>(i % 3);
        const float yTop = 10.17f + 6.0f * std::sin(static_cast<float>(i) * 0.7f);
        const float yBottom = 55.61f + 9.0f * std::cos(static_cast<float>(i) * 0.9f);
        strip.push_back(V(x, yTop, 0x00FF0000u + static_cast<uint32_t>(i)));
        strip.push_back(V(x + 0.25f, yBottom, 0x0000FF00u));
        top.emplace_back(x, yTop);
        bottom.emplace_back(x + 0.25f, yBottom);
    }
    ASSERT_TRUE(canvas.Triangles(strip, D3DPT_TRIANGLESTRIP));
    std::vector<std::pair<double, double>> outline(top.begin(), top.end());
    outline.insert(outline.end(), bottom.rbegin(), bottom.rend());
    int inside = 0;
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const int side = Side(outline, x, y);
            if (side > 0) {
                ++inside;
                EXPECT_NE(canvas.Pixel(x, y), 0u) << "crack at " << x << "," << y;
            } else if (side < 0) {
                EXPECT_EQ(canvas.Pixel(x, y), 0u) << "spill at " << x << "," << y;
            }
        }
    }
    EXPECT_GT(inside, static_cast<int>(step * 24 * 35));
    // Every covered pixel written exactly once: no overlap along the 47 shared edges.
    EXPECT_EQ(canvas.raster.Counters().pixels, static_cast<uint64_t>(canvas.CountNonZero()));
    EXPECT_EQ(canvas.raster.Counters().triangles, 48u);
}

TEST(RasterCoverage, StripOfNarrowTrianglesLeavesNoCracksAndNoOverlaps) {
    CheckStripHasNoCracksOrOverlaps(3.7f, 96);
}

TEST(RasterCoverage, StripOfWideTrianglesLeavesNoCracksAndNoOverlaps) {
    // Wider than 16 samples: the spans come from the edge divisions instead.
    CheckStripHasNoCracksOrOverlaps(23.7f, 600);
}

TEST(RasterCoverage, FanAroundOnePointCoversEachPixelOnce) {
    RasterCanvas canvas(32, 32, PixelFormat::XRGB8888, false);
    canvas.UsePixelSpace();
    canvas.raster.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    // Twelve triangles round a centre on a sub-pixel position, as a mesh would share it.
    std::vector<LineVertex> list;
    const float cx = 15.3f, cy = 16.7f;
    for (int i = 0; i < 12; ++i) {
        const float a0 = static_cast<float>(i) * 0.5235988f, a1 = static_cast<float>(i + 1) * 0.5235988f;
        list.push_back(V(cx, cy));
        list.push_back(V(cx + 13.0f * std::cos(a0), cy + 13.0f * std::sin(a0)));
        list.push_back(V(cx + 13.0f * std::cos(a1), cy + 13.0f * std::sin(a1)));
    }
    ASSERT_TRUE(canvas.Triangles(list));
    EXPECT_EQ(canvas.raster.Counters().pixels, static_cast<uint64_t>(canvas.CountNonZero()));
    // Samples near the centre are all covered.
    for (int y = 13; y <= 20; ++y) {
        for (int x = 12; x <= 19; ++x) {
            EXPECT_NE(canvas.Pixel(x, y), 0u) << x << "," << y;
        }
    }
}

TEST(RasterCoverage, LinesDrawTheirLastPixelByDefault) {
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();
    std::vector<LineVertex> lines = {V(1, 2), V(5, 2), V(6, 6), V(2, 6)};
    ASSERT_TRUE(canvas.raster.DrawPrimitive(D3DPT_LINELIST, 0x142, lines.data(), 4, 0));
    for (int x = 1; x <= 5; ++x) {
        EXPECT_NE(canvas.Pixel(x, 2), 0u) << x;
    }
    for (int x = 2; x <= 6; ++x) {
        EXPECT_NE(canvas.Pixel(x, 6), 0u) << x;
    }
    EXPECT_EQ(canvas.raster.Counters().pixels, 10u);
}

TEST(RasterCoverage, LinesWithoutLastPixelLeaveOutTheirEnd) {
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();
    canvas.raster.SetRenderState(D3DRENDERSTATE_LASTPIXEL, 0);
    std::vector<LineVertex> lines = {V(1, 2), V(5, 2), V(0, 0), V(4, 4), V(7, 7), V(7, 3)};
    ASSERT_TRUE(canvas.raster.DrawPrimitive(D3DPT_LINELIST, 0x142, lines.data(), 6, 0));
    std::vector<std::pair<int, int>> expected = {{1, 2}, {2, 2}, {3, 2}, {4, 2},  // horizontal
                                                 {0, 0}, {1, 1}, {2, 2}, {3, 3},  // diagonal
                                                 {7, 7}, {7, 6}, {7, 5}, {7, 4}};  // upwards
    for (const auto& [x, y] : expected) {
        EXPECT_NE(canvas.Pixel(x, y), 0u) << x << "," << y;
    }
    EXPECT_EQ(canvas.Pixel(5, 2), 0u);
    EXPECT_EQ(canvas.Pixel(4, 4), 0u);
    EXPECT_EQ(canvas.Pixel(7, 3), 0u);
    EXPECT_EQ(canvas.raster.Counters().lines, 3u);
    EXPECT_EQ(canvas.raster.Counters().pixels, 12u);
}

TEST(RasterCoverage, IndexedLineListDrawsNamedPairs) {
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();
    std::vector<LineVertex> v = {V(1, 1), V(6, 1), V(6, 6)};
    const uint16_t indices[] = {0, 1, 1, 2, 2, 9};  // the last pair names a missing vertex
    ASSERT_TRUE(canvas.raster.DrawIndexedPrimitive(D3DPT_LINELIST, 0x142, v.data(), 3, indices, 6, 0));
    EXPECT_EQ(canvas.raster.Counters().lines, 2u);
    // x 1..6 on row 1, then rows 1..6 on column 6: (6, 1) twice.
    EXPECT_EQ(canvas.raster.Counters().pixels, 12u);
    EXPECT_EQ(canvas.CountNonZero(), 11);
    EXPECT_NE(canvas.Pixel(6, 6), 0u);
    EXPECT_EQ(canvas.Pixel(7, 6), 0u);
}

TEST(RasterCoverage, GouraudColourAtHandWorkedSamples) {
    RasterCanvas canvas(40, 40);
    canvas.UsePixelSpace();
    ASSERT_TRUE(canvas.Triangles({V(0, 0, 0x00FF0000), V(32, 0, 0x0000FF00), V(0, 32, 0x000000FF)}));
    EXPECT_EQ(canvas.Pixel(0, 0), 0x00FF0000u);
    // (8, 0): red 0.75, green 0.25 -> 191.25 and 63.75, rounded.
    EXPECT_EQ(canvas.Pixel(8, 0), 0x00BF4000u);
    // (0, 24): red 0.25, blue 0.75.
    EXPECT_EQ(canvas.Pixel(0, 24), 0x004000BFu);
    // (8, 8): red 0.5, green 0.25, blue 0.25 -> 128, 64, 64.
    EXPECT_EQ(canvas.Pixel(8, 8), 0x00804040u);
}

TEST(RasterCoverage, ColourIsInterpolatedPerspectiveCorrect) {
    RasterCanvas canvas(40, 40, PixelFormat::XRGB8888, false);
    Viewport v;
    v.dwWidth = 40;
    v.dwHeight = 40;
    v.dvClipX = 0;
    v.dvClipY = 0;
    v.dvClipWidth = 40;
    v.dvClipHeight = 40;
    ASSERT_TRUE(canvas.raster.SetViewport(v));
    // w = object z, screen = (x / z, y / z), z / w = 0.5 everywhere.
    Matrix4 projection;
    projection.m[1][1] = -1;
    projection.m[2][2] = 0.5f;
    projection.m[2][3] = 1;
    projection.m[3][3] = 0;
    ASSERT_TRUE(canvas.raster.SetTransform(D3DTRANSFORMSTATE_PROJECTION, projection));
    LineVertex a{0, 0, 1, 0x00FF0000, 0, 0};
    LineVertex b{64, 0, 2, 0x00000000, 0, 0};
    LineVertex c{0, 64, 2, 0x00000000, 0, 0};
    ASSERT_TRUE(canvas.Triangles({a, b, c}));
    // Halfway along a-b on screen (16, 0): red/w and 1/w are halfway, (0.5 / 0.75) = 2/3 red
    // where a screen-linear blend would give half.
    EXPECT_EQ(canvas.Pixel(16, 0), 0x00AA0000u);
    EXPECT_EQ(canvas.Pixel(0, 0), 0x00FF0000u);
}

}  // namespace
