// Box tests against planes and the view frustum, boxes carried through matrices, and segments
// clipped to boxes, with values worked by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "assets/math/Frustum.h"
#include "assets/math/Geometry.h"
#include "assets/math/Matrix16f.h"

namespace {

bboxf_t Box(float x0, float y0, float z0, float x1, float y1, float z1) {
    bboxf_t box;
    const float v[6] = {x0, y0, z0, x1, y1, z1};
    for (int i = 0; i < 6; ++i)
        box.v[i] = v[i];
    return box;
}

plane_t Plane(float x, float y, float z, float dist) {
    plane_t plane;
    plane.normal[0] = x;
    plane.normal[1] = y;
    plane.normal[2] = z;
    plane.dist = dist;
    plane.Classify();
    return plane;
}

TEST(GeometryTest, BoxSidesOfPlanes) {
    struct Case {
        plane_t plane;
        bboxf_t box;
        int side;
    };
    const plane_t axis = Plane(0, 1, 0, 2);
    const plane_t slanted = Plane(0.6f, -0.8f, 0, 0);
    const Case cases[] = {
        {axis, Box(0, 3, 0, 1, 4, 1), kBoxFront},
        {axis, Box(0, 2, 0, 1, 3, 1), kBoxFront},  // touching from the front
        {axis, Box(0, 0, 0, 1, 1, 1), kBoxBack},
        {axis, Box(0, 0, 0, 1, 2, 1), kBoxBack},
        {axis, Box(0, 1, 0, 1, 3, 1), kBoxStraddles},
        {slanted, Box(1, -1, 0, 2, 0, 1), kBoxFront},
        {slanted, Box(-2, 1, 0, -1, 2, 1), kBoxBack},
        {slanted, Box(-1, -1, 0, 1, 1, 1), kBoxStraddles},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].box.PlaneSide(cases[i].plane), cases[i].side) << "case " << i;
}

TEST(GeometryTest, BoxThroughMatrix) {
    // Rows: right (0, 1, 0), up (-1, 0, 0), forward (0, 0, 1), translation (10, 20, 30), so
    // (x, y, z) goes to (10 - y, 20 + x, 30 + z).
    float m[16];
    MatrixIdentity(m);
    m[0] = 0, m[1] = 1;
    m[4] = -1, m[5] = 0;
    m[12] = 10, m[13] = 20, m[14] = 30;
    bboxf_t box = Box(0, 0, 0, 1, 2, 3);
    box.Transform(m);
    const float expected[6] = {8, 20, 30, 10, 21, 33};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(box.v[i], expected[i]) << i;
}

TEST(GeometryTest, SegmentsAgainstBoxes) {
    const float lo[3] = {0, 0, 0};
    const float hi[3] = {1, 1, 1};
    struct Case {
        float p0[3], p1[3];
        bool meets;
        float clipped0[3], clipped1[3];
    };
    const Case cases[] = {
        // Through the box along x: clipped to the faces.
        {{-1, 0.5f, 0.5f}, {2, 0.5f, 0.5f}, true, {0, 0.5f, 0.5f}, {1, 0.5f, 0.5f}},
        // Parallel to the x faces, outside the x range.
        {{2, -1, 0.5f}, {2, 2, 0.5f}, false, {}, {}},
        // Exactly on the min x face.
        {{0, -1, 0.5f}, {0, 2, 0.5f}, true, {0, 0, 0.5f}, {0, 1, 0.5f}},
        // Starting inside: the start stays.
        {{0.5f, 0.5f, 0.5f}, {3, 0.5f, 0.5f}, true, {0.5f, 0.5f, 0.5f}, {1, 0.5f, 0.5f}},
        // Ending before the box.
        {{-3, 0.5f, 0.5f}, {-2, 0.5f, 0.5f}, false, {}, {}},
        // Wholly inside: nothing to clip.
        {{0.2f, 0.2f, 0.2f}, {0.8f, 0.8f, 0.8f}, true, {0.2f, 0.2f, 0.2f}, {0.8f, 0.8f, 0.8f}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        float p0[3] = {c.p0[0], c.p0[1], c.p0[2]};
        float p1[3] = {c.p1[0], c.p1[1], c.p1[2]};
        EXPECT_EQ(SegmentIntersectsBox(lo, hi, p0, p1, false), c.meets) << "case " << i;
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(p0[k], c.p0[k]) << "case " << i;
        if (!c.meets)
            continue;
        EXPECT_TRUE(SegmentIntersectsBox(lo, hi, p0, p1, true));
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(p0[k], c.clipped0[k], 1e-6f) << "case " << i << " axis " << k;
            EXPECT_NEAR(p1[k], c.clipped1[k], 1e-6f) << "case " << i << " axis " << k;
        }
    }
    // A start inside the box is kept bit for bit.
    float inside0[3] = {0.5f, 0.25f, 0.75f};
    float inside1[3] = {5, 0.25f, 0.75f};
    SegmentIntersectsBox(lo, hi, inside0, inside1, true);
    EXPECT_EQ(inside0[0], 0.5f);
    EXPECT_EQ(inside0[1], 0.25f);
}

TEST(GeometryTest, FrustumPlanesAndBoxCulling) {
    // Looking down +z from the origin with a 90-degree field of view and 4:3 aspect.
    float view[16];
    MatrixIdentity(view);
    const float eye[3] = {0, 0, 0};
    frustum_t frustum;
    frustum.Setup(90.0f * 0.017453292f, 4.0f / 3.0f, view, eye, 1.0f, 100.0f);
    EXPECT_EQ(frustum.mask, 0x3Fu);

    const float h = 0.70710677f;
    const float sv = std::sin(std::atan(0.75f));  // the vertical half angle is atan(0.75)
    const float cv = std::cos(std::atan(0.75f));
    const float normals[6][3] = {{h, 0, h}, {-h, 0, h}, {0, cv, sv}, {0, -cv, sv}, {0, 0, 1}, {0, 0, -1}};
    const float dists[6] = {0, 0, 0, 0, 1, -100};
    for (int i = 0; i < 6; ++i) {
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(frustum.planes[i].normal[k], normals[i][k], 1e-6f) << "plane " << i;
        EXPECT_NEAR(frustum.planes[i].dist, dists[i], 1e-6f) << "plane " << i;
    }
    EXPECT_NEAR(sv, 0.6f, 1e-6f);
    EXPECT_EQ(frustum.planes[4].type, 2);
    EXPECT_EQ(frustum.planes[5].type, 3);
    EXPECT_EQ(frustum.planes[5].signbits, 4);
    EXPECT_EQ(frustum.fixed[4].normal[2], 65536);
    EXPECT_EQ(frustum.fixed[5].dist, -100 * 65536);
    EXPECT_EQ(frustum.fixed[0].normal[0], 46340);  // 0.70710677 x 65536, truncated
    EXPECT_EQ(frustum.fixed[5].positive[2], 2);
    EXPECT_EQ(frustum.fixed[5].negative[2], 5);

    struct Case {
        bboxf_t box;
        uint32_t maskIn;
        int visible;
        uint32_t maskOut;
    };
    const Case cases[] = {
        {Box(-1, -1, 5, 1, 1, 6), 0x3F, 1, 0x00},        // wholly inside every plane
        {Box(-1, -1, -3, 1, 1, -2), 0x3F, 0, 0x3F},      // behind the eye
        {Box(-0.1f, -0.1f, 0, 0.1f, 0.1f, 1), 0x3F, 0, 0x3F},  // touching the near plane outside
        {Box(-0.1f, -0.1f, 0, 0.1f, 0.1f, 2), 0x3F, 1, 0x1F},  // across the near plane
        {Box(-1, -1, -3, 1, 1, -2), 0x00, 1, 0x00},      // nothing left to test
        {Box(-1, -1, -3, 1, 1, -2), 0x20, 1, 0x00},      // only the far plane tested
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        uint32_t mask = cases[i].maskIn;
        EXPECT_EQ(frustum.CullBox(cases[i].box, mask), cases[i].visible) << "case " << i;
        EXPECT_EQ(mask, cases[i].maskOut) << "case " << i;
    }
}

}  // namespace
