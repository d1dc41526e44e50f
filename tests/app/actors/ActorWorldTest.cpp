// Actor worlds: quads and heights of the outdoor map, the actor table, clipping, placement in
// the renderer's cell lists, line tests, the view, scene-definition lines, clear positions,
// water nearby and texture-region tags.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "app/actors/SActorWorld.h"
#include "assets/models/SSMHandle.h"
#include "assets/textures/STexRegion.h"
#include "tests/app/actors/RecordingScene.h"
#include "tests/assets/models/ModelSamples.h"

using tarvex::test::RecordingScene;

namespace {

class ActorWorldTest : public ::testing::Test {
protected:
    void SetUp() override { world.Init(&scene, nullptr, "C:\\Game", 4); }
    void TearDown() override { world.Clear(); }

    SActor* Add(float x, float z, const char* className = "Actor") {
        SActor* actor = new SActor();
        actor->m_vPosition = SVector(x, 0.0f, z);
        actor->m_sClassName = className;
        world.AddActor(actor, 0, -1);
        return actor;
    }

    RecordingScene scene;
    SActorWorld world;
};

TEST_F(ActorWorldTest, QuadsKeysAndHeightsFollowTheMapGrid) {
    const struct {
        float x;
        int quad;
    } quads[] = {{31.99f, 0}, {32.0f, 1}, {8191.0f, 255}, {8192.0f, 0}};
    for (const auto& row : quads) {
        EXPECT_EQ(world.QuadX(SVector(row.x, 0, 0)), row.quad) << row.x;
        EXPECT_EQ(world.QuadZ(SVector(0, 0, row.x)), row.quad) << row.x;
    }
    EXPECT_EQ(world.QuadKey(3, 2), 515);
    EXPECT_EQ(world.QuadKeyAt(SVector(100.0f, 0, 70.0f)), 2 * 256 + 3);

    // Terrain at 80 scene units is 10 m, inside the map and on its far corner only.
    const struct {
        float x, z;
        double height;
    } heights[] = {{8192.0f, 8192.0f, 10.0}, {8192.01f, 0.0f, 0.0}, {-0.01f, 0.0f, 0.0}, {4000.0f, 10.0f, 10.0}};
    for (const auto& row : heights) {
        EXPECT_DOUBLE_EQ(world.GroundHeight(row.x, row.z), row.height) << row.x;
    }
    scene.m_iSessionMode = 1;  // model view: no map, no heights
    EXPECT_DOUBLE_EQ(world.GroundHeight(100.0f, 100.0f), 0.0);
}

TEST_F(ActorWorldTest, TheTableFillsHolesAndReplacesOccupiedSlotsWithoutLosingActors) {
    SActor* a = Add(1, 1);
    SActor* b = Add(2, 2);
    Add(3, 3);
    EXPECT_EQ(world.FindActor(b), 1);
    EXPECT_EQ(world.DestroyActorAt(1, 0), nullptr);
    EXPECT_EQ(world.GetActorCount(), 2);
    SActor* c = new SActor();
    EXPECT_EQ(world.AddActor(c, 0, -1), 1);  // the hole
    EXPECT_EQ(world.GetActorCount(), 3);
    EXPECT_EQ(world.GetActor(-1), nullptr);
    EXPECT_EQ(world.GetActor(world.GetHighestIndex() + 1), nullptr);

    // A placed actor the renderer will not let go of is queued for deletion, not leaked, and
    // the count stays that of the actors in the table.
    world.PlaceActor(a, nullptr);
    scene.removeResult = 0;
    SActor* d = new SActor();
    EXPECT_EQ(world.AddActor(d, 0, 0), 0);
    EXPECT_EQ(world.GetActor(0), d);
    EXPECT_EQ(world.GetActorCount(), 3);
    EXPECT_EQ(world.m_Deferred.GetSize(), 1);
    EXPECT_EQ(world.m_Deferred.GetAt(0), a);
    scene.removeResult = 1;

    // Adding past the end grows the table and nulls the slots between.
    SActor* e = new SActor();
    EXPECT_EQ(world.AddActor(e, 0, 9), 9);
    EXPECT_EQ(world.GetActor(5), nullptr);
    EXPECT_EQ(world.GetHighestIndex(), 9);

    // Destroying the focus actor clears the focus; the camera then stays.
    world.SetFocusActor(e);
    world.DestroyActor(e, 0);
    EXPECT_EQ(world.GetFocusActor(), nullptr);
    SVector position, angles;
    EXPECT_FALSE(world.GetViewpoint(position, angles));
    EXPECT_EQ(world.GetHighestIndex(), 2);
    EXPECT_EQ(world.CountByName("act"), 3);
}

TEST_F(ActorWorldTest, ClippingSetsOrRaisesTheHeight) {
    scene.ground = 8.0;  // 1 m
    scene.water = 24.0;  // 3 m, over the whole map
    scene.waterTo = 1e9;
    const struct {
        float y;
        int flying, ground, water;
        float expected;
    } rows[] = {
        {2.0f, 1, 1, 1, 3.0f},    // flying under water is raised to the surface
        {5.0f, 1, 1, 1, 5.0f},    // flying above it stays
        {9.0f, 0, 1, 1, 3.0f},    // walking is set onto the water
        {9.0f, 0, 1, 0, 1.0f},    // or onto the ground without water clipping
        {0.5f, 1, 1, 0, 1.0f},    // flying in the ground is raised out of it
        {0.5f, 1, 0, 0, 0.5f},
    };
    for (const auto& row : rows) {
        SVector p(100.0f, row.y, 100.0f);
        world.ClipPosition(p, row.flying, row.ground, row.water);
        EXPECT_FLOAT_EQ(p.y, row.expected) << row.y << " " << row.flying << row.ground << row.water;
    }
}

SActor* g_moved = nullptr;
void RecordMove(SActor* actor, const SVector*, const SVector*) { g_moved = actor; }

TEST_F(ActorWorldTest, PlacementRegistersOnceAndSmallMovesChangeNothing) {
    SActor* actor = Add(10.0f, 20.0f);
    world.PlaceActor(actor, nullptr);
    world.PlaceActor(actor, nullptr);
    ASSERT_EQ(scene.Count("add"), 1);
    EXPECT_EQ(scene.calls[0].a, 3.0);
    EXPECT_EQ(scene.calls[0].b, 80.0);
    EXPECT_EQ(scene.calls[0].c, 160.0);

    world.SetMoveCallback(RecordMove);
    g_moved = nullptr;
    world.MoveActor(actor, SVector(10.02f, 0.0f, 20.02f));
    EXPECT_EQ(scene.Count("move"), 0);
    EXPECT_EQ(g_moved, nullptr);
    world.MoveActor(actor, SVector(12.0f, 0.0f, 20.0f));
    EXPECT_EQ(scene.Count("move"), 1);
    EXPECT_EQ(g_moved, actor);
    EXPECT_EQ(scene.calls.back().c, 96.0);

    EXPECT_TRUE(world.UnplaceActor(actor));
    EXPECT_FALSE(world.UnplaceActor(actor));  // not placed while a scene is set
    SActorWorld sceneless;
    SActor loose;
    EXPECT_TRUE(sceneless.UnplaceActor(&loose));
}

TEST_F(ActorWorldTest, LineTestsScaleShieldTheTesterAndRestoreItsFlags) {
    SActor* tester = Add(0, 0);
    SActor* target = Add(5, 5);
    tester->m_pTarget = target;
    target->m_Desc.m_dwFlags = 2 | 4;
    scene.watched = &tester->m_Desc;
    scene.hitResult = 0;
    EXPECT_EQ(world.LineTest(tester, SVector(1, 0, 0), SVector(2, 0, 0), 0.5f, 1.0f, 7), 0);
    ASSERT_EQ(scene.testerFlagsSeen.size(), 1u);
    EXPECT_EQ(scene.testerFlagsSeen[0] & 4, 0u);  // left out while testing
    EXPECT_EQ(tester->m_Desc.m_dwFlags & 4, 4u);  // and back afterwards
    EXPECT_EQ(target->m_Desc.m_dwFlags & 2, 2u);
    const auto& hit = scene.calls.back();
    EXPECT_EQ(hit.a, 8.0);
    EXPECT_EQ(hit.b, 16.0);
    EXPECT_EQ(hit.c, 4.0);
    EXPECT_EQ(hit.d, 8.0);

    target->m_Desc.m_dwFlags = 4;
    tester->m_Desc.m_dwFlags = 0;
    world.LineTest(tester, SVector(), SVector(1, 0, 0), 0, 0, 0);
    EXPECT_EQ(target->m_Desc.m_dwFlags & 2, 0u);
    EXPECT_EQ(tester->m_Desc.m_dwFlags & 4, 0u);
    EXPECT_EQ(world.m_dwLineTestCount, 2u);

    SActorWorld sceneless;
    EXPECT_EQ(sceneless.LineTest(nullptr, SVector(), SVector(1, 0, 0), 0, 0, 0), 1);
    EXPECT_EQ(sceneless.m_dwLineTestCount, 1u);
}

TEST_F(ActorWorldTest, TheCameraFollowsTheFocusActorInSceneUnitsAndRadians) {
    world.SetView(SVector(), SVector(), 75.0f, -1.0f, 500.0f);
    float fov, base, nearZ, farZ;
    scene.GetProjection(&fov, &base, &nearZ, &farZ);
    EXPECT_EQ(fov, 75.0f);
    EXPECT_EQ(nearZ, 1.0f);  // -1 keeps the value
    EXPECT_EQ(farZ, 500.0f);

    SActor* focus = Add(10.0f, 20.0f);
    focus->m_vOrientation = SVector(10.0f, 90.0f, 30.0f);
    world.SetFocusActor(focus);
    const auto& angles = scene.calls.back();
    ASSERT_EQ(angles.what, "angles");
    EXPECT_NEAR(angles.a, 10.0 * 0.017453292, 1e-6);
    EXPECT_NEAR(angles.b, 90.0 * 0.017453292, 1e-6);
    EXPECT_EQ(angles.c, 0.0);
    const auto& position = scene.calls[scene.calls.size() - 2];
    EXPECT_FLOAT_EQ(position.a, 80.0f);
    EXPECT_FLOAT_EQ(position.b, 1.875f * 8.0f);  // eye height
    EXPECT_FLOAT_EQ(position.c, 160.0f);

    // A camera offset of 1 cm is no offset: no clipping and no rise.
    world.m_vCameraOffset = SVector(0.0f, 0.0f, 0.01f);
    SVector eye, view;
    ASSERT_TRUE(world.GetViewpoint(eye, view));
    EXPECT_FLOAT_EQ(eye.y, 1.875f);
}

TEST_F(ActorWorldTest, DefinitionLinesPickTheRendererLoad) {
    const struct {
        const char* line;
        const char* load;
    } rows[] = {
        {"id;Tree", "models:Tree"},
        {"models\\tree.ssm", "models:C:\\Game\\models\\tree.ssm"},
        {"\\models\\tree.ssm", "models:C:\\Game\\models\\tree.ssm"},
        {"D:\\tree.ssm", "models:D:\\tree.ssm"},
        {"Models:Tree", "two:Models|Tree"},
        {"Models:Trees:Oak", "three:Models|Trees|Oak"},
    };
    for (const auto& row : rows) {
        scene.loads.clear();
        world.LoadSceneDefinition(row.line);
        ASSERT_EQ(scene.loads.size(), 1u) << row.line;
        EXPECT_EQ(scene.loads[0], row.load);
    }
    SActorWorld sceneless;
    EXPECT_EQ(sceneless.LoadSceneDefinition("id;Tree"), nullptr);
}

TEST_F(ActorWorldTest, ClearPositionsAndWaterLookAroundThePoint) {
    // An object registered in quad (0, 0), 2 m from a point near the map's corner.
    scene.cellWithObject = 0;
    scene.objectX = 8.0f * 3.0f;
    scene.objectZ = 8.0f * 3.0f;
    EXPECT_FALSE(world.IsPositionClear(SVector(3.0f, 0, 5.0f), 5.0f));
    EXPECT_TRUE(world.IsPositionClear(SVector(3.0f, 0, 9.0f), 5.0f));
    // Radius 0 still reaches one quad.
    EXPECT_FALSE(world.IsPositionClear(SVector(3.0f, 0, 3.0f), 0.0f));

    ActorDesc desc;
    desc.m_dwOwner = 1;
    desc.m_vPosition = SVector(800.0f, 0.0f, 800.0f);
    scene.nearby.push_back(&desc);
    scene.cellWithObject = -1;
    EXPECT_FALSE(world.IsPositionClear(SVector(100.0f, 0, 101.0f), 2.0f));
    EXPECT_TRUE(world.IsPositionClear(SVector(100.0f, 0, 103.0f), 2.0f));

    // Water only in quad (2, 2), 64..96 m: a point in that quad finds it with radius 0.
    scene.water = 160.0;
    scene.waterFrom = 64.0 * 8.0;
    scene.waterTo = 96.0 * 8.0;
    EXPECT_TRUE(world.IsWaterNear(SVector(70.0f, 0, 70.0f), 0.0f));
    EXPECT_FALSE(world.IsWaterNear(SVector(40.0f, 0, 40.0f), 0.0f));
    EXPECT_TRUE(world.IsWaterNear(SVector(40.0f, 0, 40.0f), 32.0f));
}

class PlainLock : public STexLock {
public:
    int Build(STexture2*) override { return 1; }
    void Release() override {}
};

TEST_F(ActorWorldTest, TagsComeFromTheFirstRegionAndStayInTheBuffer) {
    PlainLock lock;
    for (const char* value : {"", "Grass", "Sand"}) {
        STexRegion* region = new STexRegion();
        region->AddPoint(0, 0);
        region->AddPoint(1, 0);
        region->AddPoint(0, 1);
        if (value[0] != '\0') region->SetTag("Surface", value);
        lock.AddRegion(region);
    }
    scene.texture = &lock;
    char out[16];
    EXPECT_EQ(world.TextureTag(0, "Surface", out, sizeof out), 5);
    EXPECT_STREQ(out, "Grass");
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(world.TextureTag(0, "Surface", small, sizeof small), 3);
    EXPECT_EQ(std::memcmp(small, "Gra", 4), 0);
    char untouched = 'x';
    EXPECT_EQ(world.TextureTag(0, "Surface", &untouched, 0), 0);
    EXPECT_EQ(untouched, 'x');
    EXPECT_EQ(world.TextureTag(0, "Missing", out, sizeof out), 0);
    EXPECT_STREQ(out, "");
    scene.texture = nullptr;
    EXPECT_EQ(world.TextureTag(0, "Surface", out, sizeof out), 0);
}

TEST_F(ActorWorldTest, NearestActorsByNameAndWithoutASource) {
    Add(10, 0, "Deer");
    SActor* near = Add(3, 0, "BigDeer");
    Add(1, 0, "Duck");
    EXPECT_EQ(world.FindNearestByName(2, "deer"), world.FindActor(near));
    EXPECT_EQ(world.FindNearestByName(0, ""), -1);
    EXPECT_EQ(world.FindNearestActor(nullptr, 1.0f, 0, "DEER"), near);  // range ignored
    EXPECT_EQ(world.FindNearestActor(nullptr, 100.0f, 1, nullptr), nullptr);
}

}  // namespace

namespace {

TEST_F(ActorWorldTest, ChildActorsArePlacedThroughTheirParentsTags) {
    // The parent's model: group 1 is a marker whose tag runs from (10, 0, 0) to (10, 20, 0),
    // turned a quarter about Y, at size 2.
    auto model = tarvex::test::MakeTriangleModel(
        {{{{0, 0, 0}, {4, 0, 0}, {0, 0, 2}}, 0}, {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 1}}, 2);
    model->m_groups[1]->flags |= kGroupSingleMarker;
    SSMGroupFrame& tag = model->m_frames[0]->groupFrames[1];
    tag.origin[0] = 10.0f;
    tag.end[0] = 10.0f, tag.end[1] = 20.0f;
    tag.yaw = 1.5707963f;
    tag.length = 2.0f;
    std::unique_ptr<SSMHandle> parentModel(model->CreateHandle());
    std::unique_ptr<SSMHandle> childModel(model->CreateHandle());
    SActor* parent = Add(12.5f, 37.5f);
    parent->m_vPosition.y = 2.5f;  // (100, 20, 300) in scene units
    parent->m_pModel = parentModel.get();
    parent->m_Desc.m_pModel = parentModel.get();
    SActor* child = Add(0.0f, 0.0f);
    child->m_pParent = parent;
    child->m_pModel = childModel.get();
    child->m_Desc.m_pModel = childModel.get();
    child->m_Desc.m_nTagIndex = 1;
    child->m_Desc.m_fBlendWeight = 0.5f;

    // The child's origin hangs at minus the tag's middle (10, 10, 0), doubled by the tag's size
    // and turned: (-10, -10, 0) from the parent; (0, 0, 1) actor unit = 8 scene units turns to
    // (-8, 0, 0), doubles to (-16, 0, 0) and moves to (-26, -10, 0).
    SMatrix matrix;
    world.GetActorMatrix(child, &matrix);
    EXPECT_NEAR(matrix.m[3][0], 90.0f, 1e-3);
    EXPECT_NEAR(matrix.m[3][1], 10.0f, 1e-3);
    EXPECT_NEAR(matrix.m[3][2], 300.0f, 1e-3);
    struct Case {
        SVector point, world;
    };
    for (const Case& c : {Case{SVector(0, 0, 0), SVector(11.25f, 1.25f, 37.5f)},
                          Case{SVector(0, 0, 1), SVector(9.25f, 1.25f, 37.5f)}}) {
        SVector point = c.point;
        world.ActorPointToWorld(child, point, nullptr);
        EXPECT_NEAR(point.x, c.world.x, 1e-4);
        EXPECT_NEAR(point.y, c.world.y, 1e-4);
        EXPECT_NEAR(point.z, c.world.z, 1e-4);
    }
    // The models are the test's, not the actors'.
    for (SActor* actor : {parent, child}) {
        actor->m_pModel = nullptr;
        actor->m_Desc.m_pModel = nullptr;
    }
}

}  // namespace
