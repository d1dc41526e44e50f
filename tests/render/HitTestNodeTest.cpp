// The shot primitives and the object tests: triangles seen edge-on or touched at the origin,
// circles and ground segments, billboard texture coordinates against the hit mask, cylinders,
// and the mesh tests of model instances with their children.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "assets/models/BspTree.h"
#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "render/SD3D6Parser.h"
#include "render/shots/SHitPrimitives.h"
#include "render/shots/SHitTests.h"
#include "render/texture/SD3D6Lock.h"
#include "tests/assets/models/ModelSamples.h"

namespace {

TEST(HitPrimitiveTest, TrianglesCircleAndGroundSegments) {
    const float v0[3] = {0, 0, 0}, v1[3] = {10, 0, 0}, v2[3] = {0, 10, 0};
    float t = -1, u = -1, v = -1;
    const float p[3] = {2, 3, -5}, down[3] = {0, 0, 1};
    ASSERT_TRUE(IntersectSegmentTriangle(p, down, v0, v1, v2, &t, &u, &v));
    EXPECT_FLOAT_EQ(t, 5.0f);
    EXPECT_FLOAT_EQ(u, 0.2f);
    EXPECT_FLOAT_EQ(v, 0.3f);
    const float back[3] = {0, 0, -1}, behind[3] = {2, 3, 5};
    EXPECT_TRUE(IntersectSegmentTriangle(behind, back, v0, v1, v2, &t, &u, &v)) << "both faces count";
    // Edge-on: in the triangle's plane, from either side.
    const float flat[3] = {-5, 2, 0}, along[3] = {1, 0, 0}, against[3] = {-1, 0, 0}, far[3] = {15, 2, 0};
    EXPECT_FALSE(IntersectSegmentTriangle(flat, along, v0, v1, v2, &t, &u, &v));
    EXPECT_FALSE(IntersectSegmentTriangle(far, against, v0, v1, v2, &t, &u, &v));
    // A nearly edge-on ray: det = 100 * 1e-6 = 1e-4, inside the float limit, outside the tree's.
    const float grazing[3] = {1, 0, 1e-6f};
    const float above[3] = {2, 3, -1e-6f};
    EXPECT_TRUE(IntersectSegmentTriangle(above, grazing, v0, v1, v2, &t, &u, &v));
    EXPECT_FALSE(SegmentTriangleTree(above, grazing, v0, v1, v2, &t, &u, &v));
    const double dp[3] = {2, 3, -5}, dd[3] = {0, 0, 1}, d0[3] = {0, 0, 0}, d1[3] = {10, 0, 0}, d2[3] = {0, 10, 0};
    double dt = 0, du = 0, dv = 0;
    ASSERT_TRUE(IntersectSegmentTriangleD(dp, dd, d0, d1, d2, &dt, &du, &dv));
    EXPECT_NEAR(dt, 5.0, 1e-6);  // the inverse is rounded to float as in the float test

    struct CircleCase {
        float x0, z0, x1, z1;
        bool hit;
        float hx, hz;
    };
    const CircleCase circles[] = {
        {-10, 0, 10, 0, true, -2, 0},   // through: the near crossing
        {0, 0, 10, 0, true, 2, 0},      // from the centre: the way out
        {-10, 3, 10, 3, false, 0, 0},   // passes beside
        {-10, 0, -5, 0, false, 0, 0},   // stops short
        {5, 5, 5, 5, false, 0, 0},      // a point
    };
    for (const CircleCase& c : circles) {
        float x[2] = {c.x0, c.x1}, z[2] = {c.z0, c.z1};
        ASSERT_EQ(IntersectSegmentCircle(2.0f, x, z), c.hit) << c.x0 << "," << c.z0;
        if (c.hit) {
            EXPECT_NEAR(x[0], c.hx, 1e-4);
            EXPECT_NEAR(z[0], c.hz, 1e-4);
        }
    }

    struct GroundCase {
        float px0, pz0, px1, pz1;
        bool hit;
        float hx, hz;
    };
    // Against Q0 = (0, 0), Q1 = (10, 10).
    const GroundCase grounds[] = {
        {0, 10, 10, 0, true, 5, 5},
        {0, 2, 2, 0, true, 1, 1},
        {20, 0, 30, 10, false, 0, 0},   // beyond Q1's end
        {0, 4, 4, 8, false, 0, 0},      // parallel
        {0, 20, 20, 0, true, 10, 10},   // exactly at Q1
    };
    for (const GroundCase& g : grounds) {
        float x[4] = {g.px0, g.px1, 10, 0}, z[4] = {g.pz0, g.pz1, 10, 0};
        ASSERT_EQ(SegmentSegment2D(x, z), g.hit) << g.px0 << "," << g.pz0;
        if (g.hit) {
            EXPECT_NEAR(x[0], g.hx, 1e-4);
            EXPECT_NEAR(z[0], g.hz, 1e-4);
        }
    }

    const float uv0[2] = {0, 0}, uv1[2] = {1, 0}, uv2[2] = {0, 1}, at[3] = {2, 3, 0};
    float uv[2];
    TriangleTexCoord(v0, v1, v2, at, uv0, uv1, uv2, uv);
    EXPECT_FLOAT_EQ(uv[0], 0.2f);
    EXPECT_FLOAT_EQ(uv[1], 0.3f);

    const float rel[3] = {5, 3, 0}, seg[3] = {10, 0, 0}, before[3] = {-1, 0, 0}, none[3] = {0, 0, 0};
    float dist2 = 0;
    ASSERT_TRUE(PointSegmentDistance(rel, seg, &t, &dist2));
    EXPECT_FLOAT_EQ(t, 0.5f);
    EXPECT_FLOAT_EQ(dist2, 9.0f);
    EXPECT_FALSE(PointSegmentDistance(before, seg, &t, &dist2));
    EXPECT_FALSE(PointSegmentDistance(rel, none, &t, &dist2));
}

// A texture record of a given size with an optional hit mask of columns x rows.
class MaskedLock : public SD3D6Lock {
public:
    MaskedLock(int16_t width, int16_t height) {
        m_iWidth = width;
        m_iHeight = height;
    }
    void Mask(int columns, int rows, uint32_t bits) {
        m_pHitMask = new uint32_t[1]{bits};
        m_fMaskWidth = static_cast<float>(columns);
        m_fMaskHeight = static_cast<float>(rows);
    }
};

class HitNodeTest : public testing::Test {
protected:
    void SetUp() override {
        parser.m_iSessionMode = 2;  // so that ending it frees the texture items
        auto* item = new SD3D6TextureItem();
        auto* lock = new MaskedLock(16, 32);
        lock->Mask(4, 2, 0x1F);  // the top row whole, the bottom row only its first column
        item->m_pTexture = lock;
        parser.m_TextureItems.Add(item);
        hit.m_fDistance = 1e30f;
        record.pHit = &hit;
        record.pParser = &parser;
    }

    void Shoot(SVector b, SVector a, uint32_t flags) {
        record.vB = b;
        record.vA = a;
        record.vDelta = a - b;
        record.dwFlags = flags;
        hit.m_fDistance = 1e30f;
        hit.m_dwKind = 0;
    }

    SD3D6Parser parser;
    SHitRecord hit;
    SHitTraversal record;
};

TEST_F(HitNodeTest, BillboardsReadTheirMask) {
    ActorDesc object;
    object.m_nModelIndex = 0;
    object.m_vPosition = SVector(1000, 0, 1000);  // 32 wide (u along x), 64 high
    record.pObject = &object;
    record.bMapObject = 1;
    record.fHeading[0] = 1.0f, record.fHeading[1] = 0.0f;  // shots along +z
    struct Case {
        const char* what;
        float x, y, scale;
        bool hit;
        float u, v;
    };
    const Case cases[] = {
        {"near the top", 1000, 60, 1, true, 0.5f, 0.0625f},
        {"near the base on a clear bit", 1000, 4, 1, false, 0, 0},
        {"near the base on a set bit", 988, 4, 1, true, 0.125f, 0.9375f},
        {"at Q1's end", 1016, 60, 1, true, 0.98f, 0.0625f},
        {"mirrored", 1008, 60, -1, true, 0.25f, 0.0625f},
        {"above it", 1000, 70, 1, false, 0, 0},
        {"beside it", 1020, 60, 1, false, 0, 0},
    };
    for (const Case& c : cases) {
        object.m_fScale = c.scale;
        Shoot(SVector(c.x, c.y, 900), SVector(c.x, c.y, 1100), hit::kMapObjects | hit::kBillboard);
        HitTestHierarchy(record);
        ASSERT_EQ(hit.m_dwKind, c.hit ? hit::kKindBillboard : 0u) << c.what;
        if (c.hit) {
            EXPECT_NEAR(hit.m_fTexCoord[0], c.u, 1e-5) << c.what;
            EXPECT_NEAR(hit.m_fTexCoord[1], c.v, 1e-5) << c.what;
            EXPECT_NEAR(hit.m_vPoint.z, 1000.0f, 1e-3) << c.what;
            EXPECT_FLOAT_EQ(hit.m_fDistance, 100.0f * 100.0f) << c.what;
            EXPECT_EQ(hit.m_wTriangle, 0xFFFF);
            EXPECT_FLOAT_EQ(hit.m_fObjectHeight, 64.0f);
        }
    }
}

TEST_F(HitNodeTest, CylindersNeedTheFarPointNearer) {
    ActorDesc object;
    object.m_nModelIndex = 0;
    object.m_vPosition = SVector(1000, 0, 1000);  // radius 2, 32 high
    record.pObject = &object;
    record.bMapObject = 1;
    record.iCell = 0x0303;
    record.iEntry = 2;
    struct Case {
        const char* what;
        float y, farZ, low;
        bool hit;
    };
    const Case cases[] = {
        {"through the middle", 10, 1100, 0, true},
        {"far point farther than the origin", 10, 1150, 0, false},
        {"over the top", 40, 1100, 0, false},
        {"over the top, widened below", 40, 1100, -10, true},
    };
    for (const Case& c : cases) {
        record.fLow = c.low;
        Shoot(SVector(1000, c.y, 900), SVector(1000, c.y, c.farZ), hit::kMapObjects | hit::kCylinder);
        HitTestHierarchy(record);
        ASSERT_EQ(hit.m_dwKind, c.hit ? hit::kKindCylinder : 0u) << c.what;
        if (c.hit) {
            EXPECT_NEAR(hit.m_vPoint.z, 998.0f, 1e-3) << c.what;
            EXPECT_FLOAT_EQ(hit.m_vPoint.y, c.y);
            EXPECT_NEAR(hit.m_fDistance, 98.0f * 98.0f, 1e-1);
            EXPECT_EQ(hit.m_cSide, 1);
            EXPECT_EQ(hit.m_dwCell, 0x0303u);
            EXPECT_EQ(hit.m_byEntry, 2);
            EXPECT_EQ(hit.m_Object.m_dwFlags, 5u);
        }
    }
    // A texture record that is not there skips the entry.
    object.m_nModelIndex = 5;
    Shoot(SVector(1000, 10, 900), SVector(1000, 10, 1100), hit::kMapObjects | hit::kCylinder);
    HitTestHierarchy(record);
    EXPECT_EQ(hit.m_dwKind, 0u);
}

TEST_F(HitNodeTest, ModelTrianglesByTheBoxPath) {
    // One triangle (0, 0, 0), (10, 0, 0), (0, 10, 0) in model space.
    auto model = tarvex::test::MakeTriangleModel({{{{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}, 0}});
    model->m_frames[0]->boxA.Reset();
    for (int i = 0; i < 3; ++i) {
        model->m_frames[0]->boxA.AddPoint(&model->m_frames[0]->positions[i * 3]);
    }
    std::unique_ptr<SSMHandle> handle(model->CreateHandle());
    ActorDesc actor;
    actor.m_pModel = handle.get();
    actor.m_vPosition = SVector(1000, 0, 1000);
    actor.m_dwOwner = 0x7700000077u;
    record.pObject = &actor;
    record.bMapObject = 0;
    record.dwObjectValue = 0x5500000055u;  // values use all 64 bits
    struct Case {
        const char* what;
        uint32_t state;
        int16_t subKind;
        float scale;
        SVector b, a;
        uint32_t flags, kind;
        SVector point;
    };
    const uint32_t plain = hit::kActors | hit::kTriangles;
    const uint32_t regions = hit::kActors | hit::kRegions;
    const Case cases[] = {
        {"straight through", 0x30, 0, 1, {1002, 2, 990}, {1002, 2, 1010}, plain, hit::kKindTriangle, {1002, 2, 1000}},
        {"scaled twice", 0x30, 0, 2, {1015, 2, 990}, {1015, 2, 1010}, plain, hit::kKindTriangle, {1015, 2, 1000}},
        {"edge-on", 0x30, 0, 1, {990, 2, 1000}, {1010, 2, 1000}, plain, 0, {}},
        {"from the surface", 0x30, 0, 1, {1002, 2, 1000}, {1002, 2, 1010}, plain, 0, {}},
        {"sub-kind 1 not asked for", 0x30, 1, 1, {1002, 2, 990}, {1002, 2, 1010}, plain, 0, {}},
        {"sub-kind 1", 0x30, 1, 1, {1002, 2, 990}, {1002, 2, 1010}, plain | hit::kSubKind1, hit::kKindTriangleSub1,
         {1002, 2, 1000}},
        {"regions without a texture record", 0x1010, 0, 1, {1002, 2, 990}, {1002, 2, 1010}, regions,
         hit::kKindRegion, {1002, 2, 1000}},
        {"nothing drawn", 0x20, 0, 1, {1002, 2, 990}, {1002, 2, 1010}, plain, 0, {}},
        {"region test excluded", 0x1050, 0, 1, {1002, 2, 990}, {1002, 2, 1010}, regions, 0, {}},
    };
    for (const Case& c : cases) {
        handle->m_groupStates[0].flags = c.state;
        handle->m_groupStates[0].textureSlot = 9;
        actor.m_nSubKind = c.subKind;
        actor.m_fScale = c.scale;
        Shoot(c.b, c.a, c.flags);
        HitTestHierarchy(record);
        ASSERT_EQ(hit.m_dwKind, c.kind) << c.what;
        if (c.kind != 0) {
            EXPECT_NEAR(hit.m_vPoint.x, c.point.x, 1e-3) << c.what;
            EXPECT_NEAR(hit.m_vPoint.y, c.point.y, 1e-3) << c.what;
            EXPECT_NEAR(hit.m_vPoint.z, c.point.z, 1e-3) << c.what;
            EXPECT_NEAR(hit.m_fDistance, 100.0f, 1e-2) << c.what;
            EXPECT_EQ(hit.m_dwObject, 0x5500000055u);
            EXPECT_EQ(hit.m_wTriangle, 0);
            EXPECT_NEAR(std::fabs(hit.m_vNormal.z), 100.0f * c.scale * c.scale, 1e-2) << c.what;
            EXPECT_EQ(hit.m_nTextureSlot, c.kind == hit::kKindRegion ? 9 : -1) << c.what;
        }
    }

    // A child on tag -1 of an unattached parent is tested with the parent's matrices and
    // reports its owner value; the parent itself shows nothing.
    std::unique_ptr<SSMHandle> own(model->CreateHandle());
    own->m_groupStates[0].flags = 0x30;
    handle->m_groupStates[0].flags = 0;
    ActorDesc child;
    child.m_pModel = own.get();
    child.m_dwOwner = 0x8800000088u;
    ActorDesc* children[1] = {&child};
    ActorDesc parent;
    parent.m_pModel = handle.get();
    parent.m_vPosition = SVector(1000, 0, 1000);
    parent.m_nChildCount = 1;
    parent.m_ppChildren = children;
    record.pObject = &parent;
    Shoot(SVector(1002, 2, 990), SVector(1002, 2, 1010), plain);
    HitTestHierarchy(record);
    EXPECT_EQ(hit.m_dwKind, hit::kKindTriangle);
    EXPECT_NEAR(hit.m_vPoint.z, 1000.0f, 1e-3);
    EXPECT_EQ(hit.m_dwObject, 0x8800000088u);
    EXPECT_EQ(record.pObject, &parent);
    EXPECT_EQ(record.dwObjectValue, 0x5500000055u);
}

TEST_F(HitNodeTest, StaticModelsByTheirTree) {
    // A static model whose tree is one leaf holding its triangle, in world coordinates.
    auto model = tarvex::test::MakeTriangleModel({{{{1000, 0, 1000}, {1010, 0, 1000}, {1000, 10, 1000}}, 0}});
    mleaf_t leaf;
    leaf.triangles = {0};
    leaf.box.Reset();
    for (int i = 0; i < 3; ++i) {
        leaf.box.AddPoint(&model->m_frames[0]->positions[i * 3]);
    }
    model->m_groups[0]->pRoot = &leaf;
    model->m_bBSPWanted = model->m_bBSPBuilt = 1;
    std::unique_ptr<SSMHandle> handle(model->CreateHandle());
    handle->m_groupStates[0].flags = 0x10;
    handle->m_groupStates[0].textureSlot = 4;
    ActorDesc actor;
    actor.m_pModel = handle.get();
    actor.m_dwOwner = 0x6600000066u;
    record.pObject = &actor;
    record.bMapObject = 0;
    struct Case {
        const char* what;
        SVector b, a;
        uint32_t kind;
    };
    const Case cases[] = {
        {"through the leaf", {1002, 2, 990}, {1002, 2, 1010}, hit::kKindRegion},
        {"beside its box", {1020, 2, 990}, {1020, 2, 1010}, 0},
        {"from the surface", {1002, 2, 1000}, {1002, 2, 1010}, 0},
    };
    for (const Case& c : cases) {
        Shoot(c.b, c.a, hit::kActors | hit::kRegions);
        hit.m_pModel = nullptr;
        HitTestHierarchy(record);
        ASSERT_EQ(hit.m_dwKind, c.kind) << c.what;
        if (c.kind != 0) {
            EXPECT_NEAR(hit.m_vPoint.z, 1000.0f, 1e-3);
            EXPECT_EQ(hit.m_dwObject, 0x6600000066u);
            EXPECT_EQ(hit.m_pModel, handle.get());
            EXPECT_EQ(hit.m_nTextureSlot, 4);
            // Corner k of triangle 0 carries the texture coordinate (k, 0); (1002, 2) lies at
            // a = 0.2, b = 0.2 on it.
            EXPECT_NEAR(hit.m_fTexCoord[0], 0.2f + 2 * 0.2f, 1e-4);
        }
    }
}

// The segment descent of a tree: one node splitting at x = 1000 with its own triangle in the
// plane, a leaf on each side with an upright triangle, a triangle across the plane kept uncut
// behind it, and one across it in front. Then a deeper tree at the same plane whose sides are
// split again, at z = 20 behind and 0.005 past the plane in front, where a shot crossing at the
// split is handed on by parts: two triangles meeting on the plane at an equal distance (the
// near side's counts), a cell thinner than the cut's 0.01 pull toward the near end, and a
// triangle touching the line where the two planes behind meet.
TEST_F(HitNodeTest, TreeDescentByPlanes) {
    auto model = tarvex::test::MakeTriangleModel({
        {{{1000, 0, 0}, {1000, 10, 0}, {1000, 0, 10}}, 0},   // 0: the node's own, in the plane
        {{{1005, 0, 0}, {1005, 10, 0}, {1005, 0, 10}}, 0},   // 1: in front
        {{{995, 0, 0}, {995, 10, 0}, {995, 0, 10}}, 0},      // 2: behind
        {{{1003, 0, 20}, {993, 10, 20}, {1003, 0, 30}}, 0},  // 3: x + y = 1003, filed behind
        {{{995, 0, 35}, {1005, 0, 35}, {1000, 10, 35}}, 0},  // 4: facing z, filed in front
        {{{1000.002f, 0, 40}, {1000.002f, 10, 40}, {1000.002f, 0, 50}}, 0},  // 5: in the thin cell
        {{{1000, 0, 20}, {990, 0, 10}, {1000, 10, 20}}, 0},   // 6: x - z = 980, behind, below z = 20
        {{{1000, 0, 20}, {1010, 0, 30}, {1000, 10, 20}}, 0},  // 7: 6 mirrored in front
        {{{1000, 20, 20}, {990, 20, 0}, {1000, 30, 20}}, 0},  // 8: 2x - z = 1980, behind, below z = 20
    });
    auto box = [&](mbspitem_t& item, std::initializer_list<int> triangles) {
        item.box.Reset();
        for (int t : triangles) {
            for (int k = 0; k < 3; ++k) {
                item.box.AddPoint(&model->m_bspVertices[static_cast<size_t>(t * 3 + k) * 6]);
            }
        }
    };
    mleaf_t front, back, empty;
    front.triangles = {1, 4};
    back.triangles = {2, 3};
    box(front, {1, 4});
    box(back, {2, 3});
    auto split = [&](mnode_t& node, int axis, float at, mbspitem_t* backChild, mbspitem_t* frontChild,
                     std::initializer_list<int> triangles) {
        node.plane.normal[0] = node.plane.normal[1] = node.plane.normal[2] = 0.0f;
        node.plane.normal[axis] = 1.0f;
        node.plane.dist = at;
        node.plane.Classify();
        node.pBack = backChild;
        node.pFront = frontChild;
        box(node, triangles);
    };
    mnode_t root;
    split(root, 0, 1000.0f, &back, &front, {0, 1, 2, 3, 4});
    mleaf_t below, thin, beyond;
    below.triangles = {6, 8};
    thin.triangles = {5};
    beyond.triangles = {7};
    box(below, {6, 8});
    box(thin, {5});
    box(beyond, {7});
    mnode_t deep, behind, ahead;
    split(deep, 0, 1000.0f, &behind, &ahead, {0, 5, 6, 7, 8});
    split(behind, 2, 20.0f, &below, &empty, {6, 8});
    split(ahead, 0, 1000.005f, &thin, &beyond, {5, 7});
    behind.splitTriangle = ahead.splitTriangle = 0xFFFF;  // none of their own
    std::unique_ptr<SSMHandle> handle(model->CreateHandle());
    ActorDesc actor;
    actor.m_pModel = handle.get();
    record.pObject = &actor;
    struct Case {
        const char* what;
        const mbspitem_t* tree;
        SVector b, a;
        int triangle;  // -1: nothing
        float x, z;
    };
    const Case cases[] = {
        {"across, from behind: the nearer first", &root, {990, 2, 2}, {1010, 2, 2}, 2, 995, 2},
        {"across, from the front: the nearer first", &root, {1010, 2, 2}, {990, 2, 2}, 1, 1005, 2},
        {"wholly behind", &root, {990, 2, 2}, {998, 2, 2}, 2, 995, 2},
        {"wholly in front", &root, {1010, 2, 2}, {1002, 2, 2}, 1, 1005, 2},
        {"the node's own triangle", &root, {997, 2, 2}, {1003, 2, 2}, 0, 1000, 2},
        {"an uncut triangle met in front of its leaf's side", &root, {1010, 2, 25}, {1000.5f, 2, 25}, 3, 1001, 25},
        {"lying in the plane", &root, {1000, 2, -10}, {1000, 2, 40}, 4, 1000, 35},
        {"lying in the plane, short of everything", &root, {1000, 2, 12}, {1000, 2, 30}, -1, 0, 0},
        {"an empty tree", nullptr, {990, 2, 2}, {1010, 2, 2}, -1, 0, 0},
        {"an empty leaf", &empty, {990, 2, 2}, {1010, 2, 2}, -1, 0, 0},
        {"deeper: a tie on the plane goes to the near side", &deep, {990, 2, 15}, {1010, 2, 25}, 6, 1000, 20},
        {"deeper: a cell thinner than the pull", &deep, {990, 2, 42}, {1010, 2, 42}, 5, 1000.002f, 42},
        {"deeper: met where the planes meet", &deep, {1010, 22, 10}, {990, 22, 30}, 8, 1000, 20},
    };
    for (const Case& c : cases) {
        Shoot(c.b, c.a, hit::kActors | hit::kRegions);
        hit.m_fDistance = (c.a - c.b).x * (c.a - c.b).x + (c.a - c.b).z * (c.a - c.b).z;
        SHitTreeQuery query;
        query.pRecord = &record;
        query.vB = c.b, query.vA = c.a, query.vDir = (c.a - c.b) / std::sqrt(hit.m_fDistance);
        HitTestTreeSegment(c.tree, c.b, c.a, query);
        ASSERT_EQ(hit.m_dwKind, c.triangle < 0 ? 0u : hit::kKindRegion) << c.what;
        if (c.triangle >= 0) {
            EXPECT_EQ(hit.m_wTriangle, c.triangle) << c.what;
            EXPECT_NEAR(hit.m_vPoint.x, c.x, 1e-3) << c.what;
            EXPECT_NEAR(hit.m_vPoint.z, c.z, 1e-3) << c.what;
        }
    }
}

}  // namespace
