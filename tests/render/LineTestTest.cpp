// The scene line test through a small outdoor world: the cells along a shot, the borders, the
// water surface and the terrain, map objects and listed actors, and a flag table left clear.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "render/SD3D6Parser.h"
#include "render/map/SHuntWorld.h"
#include "render/shots/SHitTests.h"
#include "render/texture/SD3D6Lock.h"
#include "tests/assets/models/ModelSamples.h"

namespace {

class SizedLock : public SD3D6Lock {
public:
    SizedLock(int16_t width, int16_t height) {
        m_iWidth = width;
        m_iHeight = height;
    }
};

class LineTestTest : public testing::Test {
protected:
    void SetUp() override {
        parser.m_iSessionMode = 2;
        parser.m_pWorld = new SHuntWorld();  // flat ground at height 0
        auto* item = new SD3D6TextureItem();
        item->m_pTexture = new SizedLock(16, 32);  // a cylinder of radius 2, 32 high
        parser.m_TextureItems.Add(item);
    }

    int Shoot(SVector b, SVector a, uint32_t flags, float low = 0.0f, float high = 0.0f) {
        const int result = parser.HitTest(&a, &b, low, high, flags);
        const uint8_t* table = parser.m_pTileFlags.get();
        EXPECT_TRUE(std::all_of(table, table + 65536, [](uint8_t f) { return f == 0; })) << "flag table left clear";
        return result;
    }

    // One map object in cell (100, 100), standing at (25728, 0, 25728).
    SHuntCell& PlaceMapObject() {
        SHuntCell& cell = parser.m_pWorld->Cell(100 * 256 + 100);
        cell.byObjectCount = 1;
        cell.nObjects[0] = 0;
        cell.byObjectPositions[0][0] = 128;
        cell.byObjectPositions[0][1] = 128;
        cell.fObjectScales[0] = 1.0f;
        return cell;
    }

    // An actor whose model is one upright triangle, standing at (30000, 0, 30000); not yet
    // filed in any cell.
    ActorDesc& StandingTriangle() {
        model = tarvex::test::MakeTriangleModel({{{{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}, 0}});
        model->m_frames[0]->boxA.Reset();
        for (int i = 0; i < 3; ++i) {
            model->m_frames[0]->boxA.AddPoint(&model->m_frames[0]->positions[i * 3]);
        }
        handle.reset(model->CreateHandle());
        handle->m_groupStates[0].flags = 0x30;
        actor.m_pModel = handle.get();
        actor.m_vPosition = SVector(30000, 0, 30000);
        actor.m_dwFlags = 4;
        return actor;
    }

    SD3D6Parser parser;
    SHitRecord& hit = parser.m_HitRecord;
    std::unique_ptr<SSMObject> model;
    std::unique_ptr<SSMHandle> handle;
    ActorDesc actor;
};

TEST_F(LineTestTest, BordersTerrainAndWater) {
    struct Case {
        const char* what;
        SVector b, a;
        uint32_t flags;
        uint32_t kind;
        SVector point;
        float distance;
    };
    const uint32_t terrain = hit::kTerrain;
    const uint32_t water = hit::kTerrain | hit::kWaterLevels | hit::kWater;
    const Case cases[] = {
        {"nothing between two points of one cell", {25700, 50, 25700}, {25750, 50, 25760}, terrain, 0,
         {25750, 50, 25760}, 50 * 50 + 60 * 60},
        {"out through the border", {3000, 50, 3000}, {1000, 50, 3000}, terrain, hit::kKindBorder, {2560.5f, 50, 3000},
         440 * 440},
        {"out through the border, climbing", {3000, 50, 3000}, {1000, 250, 3000}, terrain, hit::kKindBorder,
         {2560.5f, 94, 3000}, 440 * 440},
        {"into the ground", {25700, 100, 25700}, {25800, -100, 25700}, terrain, hit::kKindTerrain, {25750, 0, 25700},
         50 * 50 + 100 * 100},
        {"onto the water", {25700, 100, 25700}, {25800, -100, 25700}, water, hit::kKindWater, {25740, 20, 25700},
         40 * 40 + 80 * 80},
        {"water level without the surface test", {25700, 100, 25700}, {25800, -100, 25700},
         terrain | hit::kWaterLevels, hit::kKindTerrain, {25750, 0, 25700}, 50 * 50 + 100 * 100},
        {"straight down", {25700, 100, 25700}, {25700, -100, 25700}, terrain, hit::kKindTerrain, {25700, 0, 25700},
         100 * 100},
        {"a point", {25700, 100, 25700}, {25700, 100, 25700}, terrain, 0, {25700, 100, 25700}, 0},
    };
    const int wet = 100 * 256 + 100;
    parser.m_pWorld->Cell(wet).byWater = 1;
    parser.m_pWorld->m_pWaterLevels[wet] = 20.0f;
    for (const Case& c : cases) {
        ASSERT_EQ(Shoot(c.b, c.a, c.flags), c.kind == 0 ? 1 : 0) << c.what;
        EXPECT_EQ(hit.m_dwKind, c.kind) << c.what;
        EXPECT_NEAR(hit.m_vPoint.x, c.point.x, 1e-2) << c.what;
        EXPECT_NEAR(hit.m_vPoint.y, c.point.y, 1e-2) << c.what;
        EXPECT_NEAR(hit.m_vPoint.z, c.point.z, 1e-2) << c.what;
        EXPECT_NEAR(hit.m_fDistance, c.distance, 1.0f) << c.what;
    }
    // A and B in one cell list only that cell's 3 x 3 block.
    Shoot(SVector(25700, 50, 25700), SVector(25750, 50, 25760), terrain);
    EXPECT_EQ(parser.m_HitCells.size(), 9u);
    // A long diagonal lists a band three cells wide, each cell once.
    Shoot(SVector(10000, 500, 10000), SVector(20000, 500, 15000), terrain);
    std::vector<uint16_t> cells = parser.m_HitCells;
    std::sort(cells.begin(), cells.end());
    EXPECT_EQ(std::adjacent_find(cells.begin(), cells.end()), cells.end());
    EXPECT_GT(cells.size(), 3u * 39u);
    EXPECT_LT(cells.size(), 5u * 41u);
}

TEST_F(LineTestTest, UnsafeInputFindsNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const SVector bad[] = {{nan, 0, 0}, {0, inf, 0}, {0, 0, -inf}};
    for (const SVector& v : bad) {
        EXPECT_EQ(Shoot(SVector(25700, 50, 25700), v, 0x1FFF), 1);
        EXPECT_EQ(Shoot(v, SVector(25700, 50, 25700), 0x1FFF), 1);
        EXPECT_EQ(hit.m_dwKind, 0u);
    }
    // Far outside the map on both ends: no cells, only the border may be met.
    EXPECT_EQ(Shoot(SVector(-1e7f, 50, 30000), SVector(1e7f, 50, 30000), hit::kTerrain), 0);
    EXPECT_EQ(hit.m_dwKind, hit::kKindBorder);
    EXPECT_TRUE(parser.m_HitCells.size() < 5u * 260u);
    // Shots along the map's last row and column read no grid corner past them: those cells
    // are never listed.
    EXPECT_EQ(Shoot(SVector(100, 50, 65500), SVector(65500, -50, 65500), hit::kTerrain), 1);
    EXPECT_EQ(Shoot(SVector(65500, 50, 100), SVector(65500, -50, 65500), hit::kTerrain), 1);
}

TEST_F(LineTestTest, MapObjectsAndActorsInTheirCells) {
    SHuntCell& cell = PlaceMapObject();
    const uint32_t objects = hit::kMapObjects | hit::kCylinder | hit::kTerrain;
    struct Case {
        float x;
        int8_t side;
    };
    for (const Case& c : {Case{25727, 1}, Case{25729, -1}}) {
        // The far point must lie nearer to the object than the origin.
        ASSERT_EQ(Shoot(SVector(c.x, 10, 25700), SVector(c.x, 10, 25900), objects), 1);
        ASSERT_EQ(Shoot(SVector(c.x, 10, 25600), SVector(c.x, 10, 25800), objects), 0);
        EXPECT_EQ(hit.m_dwKind, hit::kKindCylinder);
        EXPECT_EQ(hit.m_cSide, c.side) << c.x;
        EXPECT_EQ(hit.m_dwCell, 100u * 256u + 100u);
        EXPECT_EQ(hit.m_nModelIndex, 0);
        EXPECT_NEAR(hit.m_vPoint.z, 25728.0f - std::sqrt(3.0f), 1e-2);
    }
    // Map objects of a water cell, or without the flag, are not tested.
    ASSERT_EQ(Shoot(SVector(25728, 10, 25600), SVector(25728, 10, 25800), hit::kTerrain), 1);
    cell.byWater = 2;
    ASSERT_EQ(Shoot(SVector(25728, 10, 25600), SVector(25728, 10, 25800), objects), 1);
    cell.byWater = 0;

    StandingTriangle();
    parser.AddObject(&actor, 2, 30000, 30000);
    const uint32_t actors = hit::kActors | hit::kTriangles | hit::kTerrain;
    ASSERT_EQ(Shoot(SVector(30002, 2, 29900), SVector(30002, 2, 30100), actors), 0);
    EXPECT_EQ(hit.m_dwKind, hit::kKindTriangle);
    EXPECT_NEAR(hit.m_vPoint.z, 30000.0f, 1e-2);
    EXPECT_EQ(hit.m_byNodeFlags, 2);
    EXPECT_EQ(hit.m_pModel, nullptr);
    // The node value comes back whole: the library finds its object again from it.
    EXPECT_EQ(reinterpret_cast<ActorDesc*>(hit.m_dwObject), &actor);
    // The shooter's own description loses bit 4 for its shot; bit 2 keeps an actor out too.
    for (uint32_t flags : {0u, 6u}) {
        actor.m_dwFlags = flags;
        EXPECT_EQ(Shoot(SVector(30002, 2, 29900), SVector(30002, 2, 30100), actors), 1) << flags;
    }
    parser.RemoveObject(&actor, 30000, 30000);
}

}  // namespace

namespace {

// With the all-cells switch the test walks the actors of every cell, wherever their nodes are
// filed, and leaves the map objects out.
TEST_F(LineTestTest, AllCellsSwitchFindsActorsFiledFarFromTheShot) {
    PlaceMapObject();
    StandingTriangle();
    parser.AddToCellList(&actor, 2, 10, 10);  // filed in a corner cell, far from where it stands
    const uint32_t flags = hit::kActors | hit::kTriangles | hit::kMapObjects | hit::kCylinder;
    for (uint8_t all : {0, 1}) {
        SD3D6Parser::s_bHitTestAllCells = all;
        EXPECT_EQ(Shoot(SVector(30002, 2, 29900), SVector(30002, 2, 30100), flags), all != 0 ? 0 : 1) << int(all);
        EXPECT_EQ(hit.m_dwKind, all != 0 ? hit::kKindTriangle : 0u) << int(all);
        EXPECT_EQ(Shoot(SVector(25728, 10, 25600), SVector(25728, 10, 25800), flags), all != 0 ? 1 : 0) << int(all);
    }
    SD3D6Parser::s_bHitTestAllCells = 0;
    parser.RemoveFromCellList(&actor, 10, 10);
}

}  // namespace
