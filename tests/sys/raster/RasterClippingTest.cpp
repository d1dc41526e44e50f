// Clipping against the six planes of the view volume and the guard in front of the eye:
// triangles reaching past the viewport, crossing the eye plane, lying beyond the far plane,
// and vertices no divide could survive.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "tests/sys/raster/RasterTestCanvas.h"
#include "sys/raster/clipper.h"

namespace {

using namespace tarvex::test;

// A 90-degree perspective (x/z and y/z span -1..1) with the given near and far distances.
Matrix4 Perspective(float nearZ, float farZ) {
    Matrix4 p;
    const float q = farZ / (farZ - nearZ);
    p.m[2][2] = q;
    p.m[2][3] = 1.0f;
    p.m[3][2] = -q * nearZ;
    p.m[3][3] = 0.0f;
    return p;
}

void UsePerspective(RasterCanvas& canvas, float nearZ, float farZ) {
    Viewport v;
    v.dwWidth = static_cast<uint32_t>(canvas.width);
    v.dwHeight = static_cast<uint32_t>(canvas.height);
    ASSERT_TRUE(canvas.raster.SetViewport(v));
    ASSERT_TRUE(canvas.raster.SetTransform(D3DTRANSFORMSTATE_PROJECTION, Perspective(nearZ, farZ)));
    canvas.raster.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
}

TEST(RasterClipping, TriangleLargerThanTheViewportFillsItExactly) {
    RasterCanvas canvas(16, 16);
    canvas.UsePixelSpace();
    // Every sample of the 16 x 16 target has x + y <= 30 < 32.
    ASSERT_TRUE(canvas.Triangles({V(-8, -8), V(40, -8), V(-8, 40)}));
    EXPECT_EQ(canvas.raster.Counters().pixels, 256u);
    EXPECT_EQ(canvas.CountNonZero(), 256);
    EXPECT_TRUE(canvas.PaddingIntact());
}

TEST(RasterClipping, TriangleOutsideOnOneSideDrawsNothing) {
    RasterCanvas canvas(16, 16);
    canvas.UsePixelSpace();
    ASSERT_TRUE(canvas.Triangles({V(17, 0), V(30, 0), V(17, 10)}));
    ASSERT_TRUE(canvas.Triangles({V(0, -10), V(10, -10), V(0, -1)}));
    EXPECT_EQ(canvas.raster.Counters().triangles, 0u);
    EXPECT_EQ(canvas.CountNonZero(), 0);
}

TEST(RasterClipping, SubViewportKeepsDrawingInsideItsRectangle) {
    RasterCanvas canvas(64, 48);
    Viewport v;
    v.dwX = 16;
    v.dwY = 8;
    v.dwWidth = 32;
    v.dwHeight = 16;
    ASSERT_TRUE(canvas.raster.SetViewport(v));
    canvas.raster.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    ASSERT_TRUE(canvas.Triangles({V(-5, -5), V(5, -5), V(-5, 5), V(5, -5), V(5, 5), V(-5, 5)}));
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            EXPECT_EQ(canvas.Pixel(x, y) != 0, x >= 16 && x < 48 && y >= 8 && y < 24) << x << "," << y;
        }
    }
    EXPECT_EQ(canvas.raster.Counters().pixels, 32u * 16u);
}

TEST(RasterClipping, GroundTriangleThroughTheEyePlane) {
    RasterCanvas canvas(64, 64);
    UsePerspective(canvas, 1.0f, 100.0f);
    // On the ground y = -1, one corner 9 units behind the eye. Screen: sx = 32 + 32 x/z,
    // sy = 32 - 32 y/z.
    ASSERT_TRUE(canvas.Triangles({V(-10, -1, 0x0000FF00, 11), V(10, -1, 0x0000FF00, 11),
                                  V(0, -1, 0x0000FF00, -9)}));
    // The far edge z = 11 is at sy = 32 + 32/11 = 34.9: row 34 is sky, row 35 ground.
    EXPECT_EQ(canvas.Pixel(32, 34), 0u);
    EXPECT_EQ(canvas.Pixel(32, 35), 0x0000FF00u);
    // (32, 40): the ground point x = 0, z = 4 lies inside.
    EXPECT_EQ(canvas.Pixel(32, 40), 0x0000FF00u);
    // The bottom row sees z = 32/31 just past the near plane; there the triangle spans
    // |x| <= (z + 9) / 2, wider than the view's |x| <= z, so the whole row is ground.
    for (int x = 0; x < 64; ++x) {
        EXPECT_EQ(canvas.Pixel(x, 63), 0x0000FF00u) << x;
    }
    // Above the horizon nothing: no vertex behind the eye got mirrored into the sky.
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) {
            EXPECT_EQ(canvas.Pixel(x, y), 0u) << x << "," << y;
        }
    }
    EXPECT_TRUE(canvas.PaddingIntact());
}

TEST(RasterClipping, FarPlaneCutsTheGround) {
    RasterCanvas canvas(64, 64);
    UsePerspective(canvas, 1.0f, 6.4f);
    ASSERT_TRUE(canvas.Triangles({V(-10, -1, 0x000000FF, 11), V(10, -1, 0x000000FF, 11),
                                  V(0, -1, 0x000000FF, -9)}));
    // z = 6.4 is at sy = 32 + 5 = 37: rows 35 and 36 are now beyond the far plane.
    EXPECT_EQ(canvas.Pixel(32, 36), 0u);
    EXPECT_EQ(canvas.Pixel(32, 38), 0x000000FFu);
    // Wholly beyond the far plane: nothing.
    canvas.raster.ResetCounters();
    ASSERT_TRUE(canvas.Triangles({V(-1, 0, 0x00FF0000, 7), V(1, 0, 0x00FF0000, 7), V(0, 1, 0x00FF0000, 7)}));
    EXPECT_EQ(canvas.raster.Counters().triangles, 0u);
}

TEST(RasterClipping, DegenerateAndPlaneHuggingTriangles) {
    // Near 1, far 6.4 on 64 x 64: each case says how many triangles reach the rasterizer.
    struct Case {
        LineVertex a, b, c;
        uint64_t triangles;
        const char* what;
    } cases[] = {
        {V(0, 0, 0xFFFFFF, 2), V(0, 0, 0xFFFFFF, 2), V(1, 1, 0xFFFFFF, 2), 0, "two corners the same"},
        {V(-1, -1, 0xFFFFFF, 2), V(0, 0, 0xFFFFFF, 2), V(1, 1, 0xFFFFFF, 2), 0, "corners in a line"},
        {V(-1, 0, 0xFFFFFF, 0), V(1, 0, 0xFFFFFF, 8), V(0, 1, 0xFFFFFF, 8), 1, "through the near and the far plane"},
        {V(-1, 0, 0xFFFFFF, 1), V(1, 0, 0xFFFFFF, 1), V(0, 1, 0xFFFFFF, 1), 1, "lying on the near plane"},
        {V(-1, 0, 0xFFFFFF, 0.5f), V(1, 0, 0xFFFFFF, 0.5f), V(0, 1, 0xFFFFFF, 0.5f), 0, "wholly before the near plane"},
        {V(-9, 0, 0xFFFFFF, 2), V(9, 0, 0xFFFFFF, 2), V(0, 9, 0xFFFFFF, 2), 1, "past both sides and the top"},
        {V(3, 0, 0xFFFFFF, 2), V(4, 0, 0xFFFFFF, 2), V(3, 1, 0xFFFFFF, 2), 0, "wholly right of the view"},
    };
    for (const Case& c : cases) {
        RasterCanvas canvas(64, 64);
        UsePerspective(canvas, 1.0f, 6.4f);
        ASSERT_TRUE(canvas.Triangles({c.a, c.b, c.c})) << c.what;
        EXPECT_EQ(canvas.raster.Counters().triangles, c.triangles) << c.what;
        EXPECT_EQ(canvas.CountNonZero() > 0, c.triangles > 0) << c.what;
        EXPECT_TRUE(canvas.PaddingIntact()) << c.what;
    }
}

TEST(RasterClipping, ProjectionWithoutNearDistanceNeverDividesByZero) {
    RasterCanvas canvas(64, 64);
    // z' = 0.5 w: the near plane sits at the eye itself, so clipping against it makes vertices
    // with w = 0; the guard plane must keep them from the divide.
    Viewport v;
    v.dwWidth = 64;
    v.dwHeight = 64;
    ASSERT_TRUE(canvas.raster.SetViewport(v));
    Matrix4 p;
    p.m[2][3] = 1.0f;
    p.m[3][3] = 0.0f;
    p.m[2][2] = 0.5f;
    ASSERT_TRUE(canvas.raster.SetTransform(D3DTRANSFORMSTATE_PROJECTION, p));
    canvas.raster.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    // A triangle through the eye point is seen edge-on: nothing to draw, nothing to break.
    ASSERT_TRUE(canvas.Triangles({V(0, 0, 0x00FFFFFF, 0), V(-4, -4, 0x00FFFFFF, 4), V(4, -4, 0x00FFFFFF, 4)}));
    EXPECT_EQ(canvas.CountNonZero(), 0);
    // Ground y = -1 from behind the eye (z = -1) to z = 3, corners (x, z) = (-2, -1), (2, 3),
    // (-2, 3): the right edge is x = z - 1.
    ASSERT_TRUE(canvas.Triangles({V(-2, -1, 0x00FFFFFF, -1), V(2, -1, 0x00FFFFFF, 3), V(-2, -1, 0x00FFFFFF, 3)}));
    EXPECT_NE(canvas.Pixel(32, 63), 0u);  // z = 32/31: x = 0 lies left of x = z - 1
    EXPECT_NE(canvas.Pixel(32, 50), 0u);  // z = 16/9
    EXPECT_EQ(canvas.Pixel(60, 63), 0u);  // x = 0.875 z, right of the edge
    EXPECT_EQ(canvas.Pixel(32, 40), 0u);  // z = 4, beyond the far corners
    for (int y = 0; y < 33; ++y) {
        for (int x = 0; x < 64; ++x) {
            EXPECT_EQ(canvas.Pixel(x, y), 0u) << x << "," << y;
        }
    }
    EXPECT_TRUE(canvas.PaddingIntact());
}

TEST(RasterClipping, AllZeroProjectionDrawsNothing) {
    RasterCanvas canvas(16, 16);
    canvas.UsePixelSpace();
    Matrix4 zero;
    for (auto& row : zero.m) {
        for (float& value : row) {
            value = 0.0f;
        }
    }
    ASSERT_TRUE(canvas.raster.SetTransform(D3DTRANSFORMSTATE_PROJECTION, zero));
    ASSERT_TRUE(canvas.Triangles({V(0, 0), V(8, 0), V(0, 8)}));
    EXPECT_EQ(canvas.CountNonZero(), 0);
}

TEST(RasterClipping, NonFiniteVertexDropsOnlyItsTriangle) {
    RasterCanvas canvas(16, 16);
    canvas.UsePixelSpace();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    ASSERT_TRUE(canvas.Triangles({V(0, 0), V(nan, 0), V(0, 8), V(0, 0), V(inf, 0), V(0, 8),
                                  V(0, 0), V(4, 0), V(0, 4), V(1e30f, 1e30f), V(-1e30f, 1e30f), V(0, -1e30f)}));
    // The huge one is finite: clipped to the target, it covers everything; the others vanish.
    EXPECT_EQ(canvas.raster.Counters().triangles, 2u);
    EXPECT_TRUE(canvas.PaddingIntact());
}

TEST(RasterClipping, SharedEdgeCutByAPlaneStaysClosed) {
    RasterCanvas canvas(32, 32, PixelFormat::XRGB8888, false);
    canvas.UsePixelSpace();
    canvas.raster.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    // Two triangles sharing a long edge that leaves the viewport on the left and bottom.
    ASSERT_TRUE(canvas.Triangles({V(-20.3f, 40.7f), V(30.1f, 3.3f), V(25.9f, 45.2f),
                                  V(-20.3f, 40.7f), V(30.1f, 3.3f), V(-9.7f, -6.1f)}));
    // Together they cover the target except what lies beyond the outer edges; each covered
    // sample is written once.
    EXPECT_EQ(canvas.raster.Counters().pixels, static_cast<uint64_t>(canvas.CountNonZero()));
    for (int y = 10; y < 32; ++y) {
        for (int x = 8; x < 28; ++x) {
            EXPECT_NE(canvas.Pixel(x, y), 0u) << x << "," << y;
        }
    }
}

TEST(RasterClipping, RandomGeometryNeverWritesOutsideTheViewport) {
    RasterCanvas canvas(64, 48);
    Viewport v;
    v.dwX = 8;
    v.dwY = 8;
    v.dwWidth = 40;
    v.dwHeight = 30;
    ASSERT_TRUE(canvas.raster.SetViewport(v));
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_ALWAYS);
    canvas.raster.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f);
    std::uniform_real_distribution<float> element(-2.0f, 2.0f);
    const float extremes[] = {0.0f, 1e-30f, -1e-30f, 1e30f, -1e30f, 3.4e38f, 1e-7f};
    for (int round = 0; round < 200; ++round) {
        Matrix4 projection;
        for (auto& row : projection.m) {
            for (float& value : row) {
                value = element(random);
            }
        }
        if (round % 4 == 0) {
            projection = Perspective(0.5f + static_cast<float>(round % 7), 40.0f);
        }
        canvas.raster.SetTransform(D3DTRANSFORMSTATE_PROJECTION, projection);
        canvas.raster.SetRenderState(D3DRENDERSTATE_FILLMODE, round % 3 == 0 ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
        std::vector<LineVertex> list;
        for (int i = 0; i < 60; ++i) {
            LineVertex vertex = V(coordinate(random), coordinate(random), 0x00FFFFFF, coordinate(random));
            if (i % 17 == 0) {
                vertex.x = extremes[(i + round) % 7];
                vertex.z = extremes[(i + round + 3) % 7];
            }
            list.push_back(vertex);
        }
        ASSERT_TRUE(canvas.Triangles(list));
        ASSERT_TRUE(canvas.Triangles(list, D3DPT_TRIANGLESTRIP));
        ASSERT_TRUE(canvas.raster.DrawPrimitive(D3DPT_LINELIST, 0x142, list.data(), 60, 0));
    }
    EXPECT_GT(canvas.raster.Counters().pixels, 1000u);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            if (x < 8 || x >= 48 || y < 8 || y >= 38) {
                ASSERT_EQ(canvas.Pixel(x, y), 0u) << x << "," << y;
                ASSERT_EQ(canvas.Depth(x, y), 0xFFFF) << x << "," << y;
            }
        }
    }
    EXPECT_TRUE(canvas.PaddingIntact());
}

TEST(RasterClipping, SegmentClipperCutsBothEndsAndCarriesAttributes) {
    ClipVertex a{-2.0f, 0.0f, 0.5f, 1.0f, {}};
    ClipVertex b{2.0f, 0.0f, 0.5f, 1.0f, {}};
    b.attributes[kDiffuseR] = 1.0f;
    const uint32_t codes = ClipCode(a) | ClipCode(b);
    EXPECT_EQ(codes, kClipLeft | kClipRight);
    ASSERT_TRUE(ClipSegmentToVolume(a, b, codes));
    // x = -1 and x = 1 are a quarter and three quarters of the way along.
    EXPECT_EQ(a.x, -1.0f);
    EXPECT_EQ(b.x, 1.0f);
    EXPECT_FLOAT_EQ(a.attributes[kDiffuseR], 0.25f);
    EXPECT_FLOAT_EQ(b.attributes[kDiffuseR], 0.75f);
    // Both ends beyond the far plane: nothing left.
    ClipVertex c{0.0f, 0.0f, 2.0f, 1.0f, {}};
    ClipVertex d{0.5f, 0.0f, 3.0f, 1.0f, {}};
    EXPECT_FALSE(ClipSegmentToVolume(c, d, ClipCode(c) | ClipCode(d)));
}

TEST(RasterClipping, PolygonClipperNeverLeavesAVertexBehindTheEye) {
    // Clip codes and the polygon clipper on their own: a triangle with one vertex far behind.
    ClipPolygon polygon;
    polygon.count = 3;
    polygon.v[0] = ClipVertex{0.0f, 0.0f, 0.5f, 1.0f, {}};
    polygon.v[1] = ClipVertex{0.5f, 0.0f, 0.5f, 1.0f, {}};
    polygon.v[2] = ClipVertex{1e20f, 1e20f, -1e20f, -1e20f, {}};
    polygon.edge[0] = polygon.edge[1] = polygon.edge[2] = true;
    const uint32_t codes = ClipCode(polygon.v[0]) | ClipCode(polygon.v[1]) | ClipCode(polygon.v[2]);
    ASSERT_TRUE(ClipPolygonToVolume(polygon, codes));
    for (int i = 0; i < polygon.count; ++i) {
        EXPECT_GE(polygon.v[i].w, kMinimumW);
        EXPECT_TRUE(std::isfinite(polygon.v[i].x));
        EXPECT_LE(std::fabs(polygon.v[i].x), polygon.v[i].w * 1.0001f);
        EXPECT_GE(polygon.v[i].z, 0.0f);
    }
    // The two edges made by the cut are flagged as not original.
    int made = 0;
    for (int i = 0; i < polygon.count; ++i) {
        made += polygon.edge[i] ? 0 : 1;
    }
    EXPECT_GE(made, 1);
    EXPECT_EQ(ClipCode(ClipVertex{std::nanf(""), 0, 0, 1, {}}), kClipInvalid);
}

}  // namespace
