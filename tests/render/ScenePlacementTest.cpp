// Where instances and their children are placed, worked by hand: a child on a tag of its
// parent's frame, on a triangle of it, on the parent's own tag, an instance hung on a tag of its
// own model, the object-matrix operation that the actor worlds use, and the line test finding
// children where they are drawn.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "assets/math/Matrix16f.h"
#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "core/SMatrix.h"
#include "render/SD3D6Parser.h"
#include "render/frame/SScenePlacement.h"
#include "render/shots/SHitTests.h"
#include "tests/assets/models/ModelSamples.h"

namespace {

constexpr float kHalfTurn = 1.5707963f;

SVector Carry(const float* m, const SVector& p) {
    return SVector(p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12], p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
                   p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]);
}

void ExpectNear(const SVector& got, const SVector& want, const char* what) {
    EXPECT_NEAR(got.x, want.x, 1e-4) << what;
    EXPECT_NEAR(got.y, want.y, 1e-4) << what;
    EXPECT_NEAR(got.z, want.z, 1e-4) << what;
}

// A parent model: triangle 0 (0, 0, 0), (4, 0, 0), (0, 0, 2) in group 0, and group 1 a marker
// whose tag runs from (10, 0, 0) to (10, 20, 0), turned a quarter about Y, at size 2, its
// rotation stored as the loader stores it.
class ScenePlacementTest : public testing::Test {
protected:
    void SetUp() override {
        model = tarvex::test::MakeTriangleModel(
            {{{{0, 0, 0}, {4, 0, 0}, {0, 0, 2}}, 0}, {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 1}}, 2);
        model->m_groups[1]->flags |= kGroupSingleMarker;
        SSMGroupFrame& tag = model->m_frames[0]->groupFrames[1];
        tag.origin[0] = 10.0f;
        tag.end[0] = 10.0f, tag.end[1] = 20.0f;
        tag.yaw = kHalfTurn;
        tag.length = 2.0f;
        tag.orientation = CQuat::FromEuler(0.0f, kHalfTurn, 0.0f);
        MatrixIdentity(tag.matrix.m);
        QuatToMatrix(tag.matrix.m, tag.orientation);
        handle.reset(model->CreateHandle());
        parent.m_pModel = handle.get();
        parent.m_vPosition = SVector(100, 0, 0);
        choice.pFrame = model->m_frames[0].get();
    }

    // The world matrix of a child of `parent`, as the drawing composes it.
    void ChildWorld(const ActorDesc& child, float* world, float offset = 0.0f) {
        SPlacement own, hung;
        PlaceObject(parent, handle.get(), choice, own);
        if (PlaceChild(child, *handle, choice, offset, hung)) {
            ThenMatrix(world, hung.fMatrix, own.fMatrix);
        } else {
            std::memcpy(world, own.fMatrix, 64);
        }
    }

    std::unique_ptr<SSMObject> model;
    std::unique_ptr<SSMHandle> handle;
    ActorDesc parent;
    SFrameChoice choice;
};

TEST_F(ScenePlacementTest, ChildrenOnTagsTrianglesAndTheParentsOwnTag) {
    struct Case {
        const char* what;
        bool attachedParent;
        int16_t tag, triangle;
        float weight, u, v, offset;
        SVector local, world;
    };
    // Tag: p = (10, 10, 0), scale 2, a quarter about Y: (0, 0, 1) -> (-1, 0, 0) x 2 - p, then
    // moved by the parent. Triangle: axes (1, 0, 0), (0, 0, -1), (0, -1, 0) at
    // (0, 0, 0) + 0.25 (4, 0, 0) + 0.5 (0, 0, 2) + 3 (0, -1, 0) = (1, -3, 1). Own tag of a parent
    // hung on that tag: the parent carries (x, y, z) to ((x + 10), y, z) turned back a quarter
    // and halved (base 1 over tag size 2), so its origin stands at (100, 0, -5); the child's
    // (0, 0, 1) lands at (-12, 0, 0) in the parent, that is (100, 0, 1).
    const Case cases[] = {
        {"on a tag", false, 1, -1, 0.5f, 0, 0, 0, {0, 0, 1}, {88, -10, 0}},
        {"on a tag, its origin", false, 1, -1, 0.5f, 0, 0, 0, {0, 0, 0}, {90, -10, 0}},
        {"on a triangle", false, -1, 0, 0, 0.25f, 0.5f, 3.0f, {0, 0, 1}, {101, -4, 1}},
        {"on a triangle, across it", false, -1, 0, 0, 0.25f, 0.5f, 3.0f, {0, 1, 0}, {101, -3, 0}},
        {"with the unattached parent", false, -1, -1, 0, 0, 0, 0, {0, 0, 1}, {100, 0, 1}},
        {"on the parent's own tag", true, -1, -1, 0, 0, 0, 0, {0, 0, 0}, {100, 0, 1}},
    };
    for (const Case& c : cases) {
        handle->m_nCurGroup = c.attachedParent ? 1 : 0;
        ActorDesc child;
        child.m_nTagIndex = c.tag;
        child.m_nTriangleIndex = c.triangle;
        child.m_fBlendWeight = c.weight;
        child.m_fTriangleU = c.u;
        child.m_fTriangleV = c.v;
        float world[16];
        ChildWorld(child, world, c.offset);
        const SVector local = c.attachedParent ? SVector(0, 0, 1) : c.local;
        ExpectNear(Carry(world, local), c.world, c.what);
    }
    // The instance hung on its own tag: its origin.
    handle->m_nCurGroup = 1;
    SPlacement own;
    PlaceObject(parent, handle.get(), choice, own);
    ExpectNear(Carry(own.fMatrix, SVector()), SVector(100, 0, -5), "attached instance");
    EXPECT_FLOAT_EQ(own.fScale, 0.5f);
    // A drawn group that is not a marker does not hang the instance.
    handle->m_nCurGroup = 0;
    EXPECT_EQ(InstanceTag(*handle), -1);
}

TEST_F(ScenePlacementTest, ObjectMatrixOfInstancesAndChildren) {
    SD3D6Parser parser;
    // A crate given at (100, 20, 300) is placed there, turned and scaled by its own values.
    ActorDesc crate = parent;
    crate.m_vPosition = SVector(100, 20, 300);
    crate.m_fScale = 2.0f;
    SMatrix m;
    parser.BuildObjectMatrix(nullptr, &crate, &m, 0);
    ExpectNear(SVector(m.m[3][0], m.m[3][1], m.m[3][2]), SVector(100, 20, 300), "crate");
    SVector point(1, 0, 0);
    ExpectNear(*parser.TransformPoint(&point, m), SVector(102, 20, 300), "crate's scale");

    // A kind-2 point hung on the crate's tag 1 at the middle of its segment.
    ActorDesc mark;
    mark.m_nKind = 2;
    mark.m_nTagIndex = 1;
    mark.m_fBlendWeight = 0.5f;
    mark.m_vPosition = SVector(0, 0, 1);
    SMatrix combined = m;
    parser.BuildObjectMatrix(&crate, &mark, &combined, 0);
    SVector origin;
    // (0, 0, 1) -> (-12, -10, 0) in the crate, doubled and moved: (76, 0, 300).
    ExpectNear(*parser.TransformPoint(&origin, combined), SVector(76, 0, 300), "point on a tag");

    // The instance hung on its own tag agrees with the drawing.
    handle->m_nCurGroup = 1;
    SMatrix hung;
    parser.BuildObjectMatrix(nullptr, &parent, &hung, 0);
    ExpectNear(SVector(hung.m[3][0], hung.m[3][1], hung.m[3][2]), SVector(100, 0, -5), "attached instance");
    EXPECT_FLOAT_EQ(handle->m_fSizeFactor, 0.5f);
    // Kinds other than 0 and 2, and a kind 0 without a model, leave the matrix as it was.
    ActorDesc none;
    none.m_nKind = 1;
    SMatrix untouched;
    parser.BuildObjectMatrix(nullptr, &none, &untouched, 0);
    EXPECT_FLOAT_EQ(untouched.m[3][0], 0.0f);
}

TEST_F(ScenePlacementTest, TheLineTestFindsChildrenWhereTheyAreDrawn) {
    // The child: one triangle (0, 0, 0), (10, 0, 0), (0, 10, 0).
    auto small = tarvex::test::MakeTriangleModel({{{{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}, 0}});
    small->m_frames[0]->boxA.Reset();
    for (int i = 0; i < 3; ++i) {
        small->m_frames[0]->boxA.AddPoint(&small->m_frames[0]->positions[i * 3]);
    }
    std::unique_ptr<SSMHandle> own(small->CreateHandle());
    own->m_groupStates[0].flags = 0x30;
    ActorDesc child;
    child.m_pModel = own.get();
    child.m_dwOwner = 7;
    ActorDesc* children[1] = {&child};
    parent.m_nChildCount = 1;
    parent.m_ppChildren = children;
    model->m_frames[0]->groupFrames[1].yaw = 0.0f;

    SD3D6Parser parser;
    SHitRecord hit;
    SHitTraversal record;
    record.pHit = &hit;
    record.pParser = &parser;
    record.pObject = &parent;
    struct Case {
        const char* what;
        int16_t tag, triangle;
        SVector b, a, point;
    };
    const float saved = SD3D6Parser::s_fConTriNormOffs;
    SD3D6Parser::s_fConTriNormOffs = 3.0f;
    // On the tag, (x, y, 0) becomes (2x + 90, 2y - 10, 0); on the triangle (x + 101, -3, 1 - y).
    const Case cases[] = {
        {"on a tag", 1, -1, {92, -8, -10}, {92, -8, 10}, {92, -8, 0}},
        {"on a triangle", -1, 0, {102, 10, 0}, {102, -10, 0}, {102, -3, 0}},
    };
    for (const Case& c : cases) {
        child.m_nTagIndex = c.tag;
        child.m_nTriangleIndex = c.triangle;
        child.m_fBlendWeight = 0.5f;
        child.m_fTriangleU = 0.25f;
        child.m_fTriangleV = 0.5f;
        float world[16];
        ChildWorld(child, world, 3.0f);
        const SVector drawn = Carry(world, SVector(1, 1, 0));
        ExpectNear(drawn, c.point, c.what);
        record.vB = c.b;
        record.vA = c.a;
        record.vDelta = c.a - c.b;
        record.dwFlags = hit::kActors | hit::kTriangles;
        hit.m_fDistance = 1e30f;
        hit.m_dwKind = 0;
        HitTestHierarchy(record);
        ASSERT_EQ(hit.m_dwKind, hit::kKindTriangle) << c.what;
        ExpectNear(hit.m_vPoint, c.point, c.what);
        EXPECT_EQ(hit.m_dwObject, 7u);
    }
    SD3D6Parser::s_fConTriNormOffs = saved;
}

}  // namespace
