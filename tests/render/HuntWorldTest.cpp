// The outdoor world's tables: cell objects and their attributes, texture orientation, terrain
// heights on the triangle pairs, the per-cell object lists, and cells cut at the water level.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "render/map/SHuntWorld.h"

namespace {

class HuntWorldTest : public testing::Test {
protected:
    float& Height(int x, int z) { return world->m_pHeights[z * 256 + x]; }

    std::unique_ptr<SHuntWorld> world = std::make_unique<SHuntWorld>();
};

TEST_F(HuntWorldTest, CellObjectsKeepTheirAttributes) {
    const int cell = 0x0102;  // x 2, z 1
    SHuntCell& record = world->Cell(cell);
    record.byObjectPositions[0][0] = 10;
    record.byObjectPositions[0][1] = 20;
    float x = 0.0f, z = 0.0f;
    ASSERT_TRUE(world->GetObjectPosition(cell, 0, &x, &z));
    EXPECT_EQ(x, 522.0f);
    EXPECT_EQ(z, 276.0f);

    // Three entries A, B, C, each with scale and base height marking who it is.
    const int16_t a = 11, b = 12, c = 13, d = 14;
    for (int16_t v : {c, b, a}) {
        SHuntCell& r = *world->EditObjects(cell, 0, v);
        r.fObjectScales[0] = v;
        r.fObjectBases[0] = v * 10.0f;
    }
    ASSERT_EQ(world->GetObjectCount(cell), 3);
    world->EditObjects(cell, 1, -1);  // 65535: remove B
    EXPECT_EQ(world->GetObjectCount(cell), 2);
    EXPECT_EQ(record.nObjects[0], a);
    EXPECT_EQ(record.nObjects[1], c);
    EXPECT_EQ(record.fObjectScales[1], c);
    EXPECT_EQ(record.nObjects[2], b);
    EXPECT_EQ(record.fObjectBases[2], b * 10.0f);
    world->EditObjects(cell, 0, d);  // D takes B's attributes from the first free place
    EXPECT_EQ(world->GetObjectCount(cell), 3);
    const int16_t order[3] = {d, a, c};
    const float scales[3] = {b, a, c};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(world->GetObjectIndex(cell, i), order[i]) << i;
        EXPECT_EQ(record.fObjectScales[i], scales[i]) << i;
    }

    // Hidden entries keep their index encoded as -2 - index.
    world->SetObjectIndex(cell, 1, 7);
    EXPECT_EQ(world->ShowObject(cell, 1, 0), 1);
    EXPECT_EQ(world->GetObjectIndex(cell, 1), -9);
    EXPECT_EQ(world->ShowObject(cell, 1, 1), 0);
    EXPECT_EQ(world->GetObjectIndex(cell, 1), 7);
    EXPECT_EQ(world->ShowObject(cell, 4, 1), 0);  // empty entry
    world->SetObjectIndex(cell, 1, -5);
    EXPECT_EQ(world->GetObjectIndex(cell, 1), 7);

    // Five entries fill a cell; entries from 5 on are out of reach.
    world->EditObjects(cell, 0, 20);
    world->EditObjects(cell, 0, 21);
    ASSERT_EQ(world->GetObjectCount(cell), 5);
    world->EditObjects(cell, 0, 22);
    EXPECT_EQ(world->GetObjectCount(cell), 5);
    EXPECT_EQ(world->GetObjectIndex(cell, 0), 21);
    record.nObjects[5] = 30;
    EXPECT_EQ(world->GetObjectIndex(cell, 5), -1);
    EXPECT_FALSE(world->GetObjectPosition(cell, 5, &x, &z));
    EXPECT_EQ(world->ShowObject(cell, 5, 0), 0);
    world->SetObjectIndex(cell, 5, 3);
    EXPECT_EQ(record.nObjects[5], 30);
    world->EditObjects(cell, 7, -1);
    EXPECT_EQ(world->GetObjectCount(cell), 5);
    // A cell of eight trees loses only the entry removed.
    record.byObjectCount = 8;
    record.nObjects[7] = 37;
    world->EditObjects(cell, 0, -1);
    EXPECT_EQ(world->GetObjectCount(cell), 7);
    EXPECT_EQ(record.nObjects[6], 37);
    EXPECT_EQ(record.nObjects[7], 21);
    // Only the low 16 bits of a cell number count.
    EXPECT_EQ(world->GetObjectCount(0x10102), 7);
}

TEST_F(HuntWorldTest, TextureOrientationTurnsAndMirrors) {
    EXPECT_EQ(SHuntWorld::RotateOrientation(0xE4), 0x39);
    EXPECT_EQ(SHuntWorld::FlipOrientation(0xE4), 0x1B);
    for (int n = 0; n < 256; ++n) {
        uint8_t b = static_cast<uint8_t>(n);
        for (int i = 0; i < 4; ++i) {
            b = SHuntWorld::RotateOrientation(b);
        }
        EXPECT_EQ(b, n);
        EXPECT_EQ(SHuntWorld::FlipOrientation(SHuntWorld::FlipOrientation(static_cast<uint8_t>(n))), n);
    }
}

TEST_F(HuntWorldTest, TerrainHeightsAndWater) {
    Height(0, 0) = 0.0f;
    Height(1, 0) = 8.0f;
    Height(0, 1) = 16.0f;
    Height(1, 1) = 40.0f;
    Height(17, 0) = 0.0f;
    Height(18, 0) = 16.0f;
    Height(254, 0) = 0.0f;
    Height(255, 0) = 256.0f;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double x, z, height;
    };
    const Case cases[] = {
        {256.0, 0.0, 8.0},      // a grid point
        {64.0, 64.0, 6.0},      // near triangle: 0.25 x 8 + 0.25 x 16
        {192.0, 192.0, 26.0},   // far triangle through 8, 16 and 40
        {70000.0, 0.0, 7.0},    // read at 4464: 7/16 of the way from 0 to 16
        {65400.0, 0.0, 254.0},  // read at 65278
        {-65536.0 * 3 + 64.0, 64.0, 6.0},
        {nan, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(world->GetTerrainHeight(c.x, c.z), c.height, 1e-4) << c.x << ", " << c.z;
    }

    world->Cell(0).byWater = 1;
    world->m_pWaterLevels[0] = 30.0f;
    double heights[2] = {};
    world->GetHeights(64.0, 64.0, heights);
    EXPECT_NEAR(heights[0], 6.0, 1e-4);
    EXPECT_EQ(heights[1], 30.0);
    EXPECT_EQ(world->GetSurfaceHeight(64.0, 64.0), 30.0);
    world->Cell(0).byWater = 0;
    EXPECT_NEAR(world->GetSurfaceHeight(64.0, 64.0), 6.0, 1e-4);
    world->GetHeights(64.0, 64.0, heights);
    EXPECT_EQ(heights[1], heights[0]);

    // A cell laid straight (0xE4) maps its ground one to one onto the texture.
    world->Cell(0).byOrientation = 0xE4;
    double u = -1.0, v = -1.0;
    world->GetTerrainTexCoord(128.0, 64.0, &u, &v);
    EXPECT_DOUBLE_EQ(u, 0.5);
    EXPECT_DOUBLE_EQ(v, 0.25);
    world->GetTerrainTexCoord(192.0, 224.0, &u, &v);
    EXPECT_DOUBLE_EQ(u, 0.75);
    EXPECT_DOUBLE_EQ(v, 0.875);
    u = v = -1.0;
    world->GetTerrainTexCoord(256.0, 512.0, &u, &v);
    EXPECT_EQ(u, -1.0);
}

TEST_F(HuntWorldTest, ObjectListsAddRemoveAndMove) {
    int a = 0, b = 0;
    SCellNode* first = world->AddToList(&a, 3, 2, 1);
    SCellNode* second = world->AddToList(&b, 4, 258, 257);  // the same cell, wrapped
    EXPECT_EQ(world->GetList(2, 1), second);
    EXPECT_EQ(second->m_pNext, first);
    EXPECT_EQ(first->m_byKind, 3);

    EXPECT_EQ(world->MoveInLists(&a, 2, 1, 9, 9), 1);
    EXPECT_EQ(world->GetList(9, 9)->m_pValue, &a);
    EXPECT_EQ(world->GetList(2, 1)->m_pNext, nullptr);
    EXPECT_EQ(world->MoveInLists(&a, 2, 1, 3, 3), 0);
    EXPECT_EQ(world->MoveInLists(&a, 40, 40, 40, 40), 1);  // same cell: nothing to look for

    EXPECT_EQ(world->RemoveFromList(&b, 2, 1), 1);
    EXPECT_EQ(world->RemoveFromList(&b, 2, 1), 0);
    EXPECT_EQ(world->GetList(2, 1), nullptr);

    struct Case {
        double x, z;
        int cellX, cellZ;
    };
    const Case cases[] = {{522.0, 276.0, 2, 1}, {65535.0, 0.0, 255, 0}, {-10.0, 256.0, 0, 1},
                          {-300.0, 0.0, 255, 0}, {std::numeric_limits<double>::infinity(), 1e300, 0, 0}};
    for (const Case& c : cases) {
        int x = -1, z = -1;
        SHuntWorld::CellAt(c.x, c.z, &x, &z);
        EXPECT_EQ(x, c.cellX) << c.x;
        EXPECT_EQ(z, c.cellZ) << c.z;
    }
}

class TileClipTest : public HuntWorldTest {
protected:
    // A water cell with corner heights 0 to 3 and the water levels at its corners.
    void MakeCell(int x, int z, const float heights[4], const float levels[4]) {
        for (int corner = 0; corner < 4; ++corner) {
            const int index = (z + (corner >> 1)) * 256 + x + (corner & 1);
            world->m_pHeights[index] = heights[corner];
            world->m_pWaterLevels[index] = levels[corner];
        }
        world->Cell(z * 256 + x).byWater = 1;
    }
};

TEST_F(TileClipTest, CellsAreCutAtTheirWaterLevel) {
    const float five[4] = {5, 5, 5, 5};
    const float dryHeights[4] = {10, 11, 12, 13};
    const float levelHeights[4] = {10, 5, 5, 0};
    const float steepHeights[4] = {20, 5, 5, 5};
    const float uneven[4] = {10, 10, 10, 12};
    const float cornerHeights[4] = {10, 10, 10, 0};
    MakeCell(5, 5, dryHeights, five);
    MakeCell(20, 20, levelHeights, five);
    MakeCell(40, 40, steepHeights, uneven);
    MakeCell(60, 60, cornerHeights, five);
    world->Cell(40 * 256 + 40).dwColour = 0xFF0000FF;  // corner 0 of the steep cell
    world->Cell(40 * 256 + 41).dwColour = 0x000000FF;  // its corner 1

    struct Case {
        int x, z, vertices;
        int above[2], below[2];  // vertex counts of the pieces on each side
    };
    const Case cases[] = {
        {5, 5, 0, {0, 0}, {0, 0}},    // nothing crosses and corners 1, 2 are not at the level
        {20, 20, 6, {3, 0}, {3, 0}},  // two triangles, split by where corners 0 and 3 lie
        {40, 40, 8, {3, 0}, {5, 0}},  // edges 1-0 and 0-2 crossed at level 12
        {60, 60, 8, {5, 0}, {3, 0}},  // edges 2-3 and 3-1 crossed
    };
    for (const Case& c : cases) {
        EXPECT_EQ(world->BuildTerrainTile(c.x, c.z, -1), c.vertices) << c.x;
    }
    world->ClipTileAtHeight();
    EXPECT_EQ(world->m_iTileVertexCount, 22);
    for (const Case& c : cases) {
        const SHuntCell& cell = world->Cell(c.z * 256 + c.x);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(cell.byPieceCounts[i], c.above[i]) << c.x;
            EXPECT_EQ(cell.byPieceCounts[2 + i], c.below[i]) << c.x;
            EXPECT_EQ(cell.iPieceFirst[i] == -1, c.above[i] == 0) << c.x;
        }
    }

    // The first triangle of the level cell is (0, 2, 1) with corner 0 above the water.
    const SHuntCell& level = world->Cell(20 * 256 + 20);
    const STileVertex* above = world->m_pTileVertices + level.iPieceFirst[0];
    EXPECT_EQ(above[0].y, 10.0f);
    EXPECT_EQ(above[1].z, 21 * 256.0f);
    EXPECT_EQ(above[2].x, 21 * 256.0f);
    EXPECT_EQ(above[0].fTexCoord[2], 0.0f);
    EXPECT_EQ(above[2].fTexCoord[2], 1.0f);

    // The steep cell's small piece is (0, 8, 7): the crossings lie at 12, 7/15 of the way from
    // corner 1 to corner 0 and 8/15 of the way from corner 0 to corner 2.
    const SHuntCell& steep = world->Cell(40 * 256 + 40);
    const STileVertex* piece = world->m_pTileVertices + steep.iPieceFirst[0];
    EXPECT_EQ(piece[0].y, 20.0f);
    EXPECT_EQ(piece[1].y, 12.0f);
    EXPECT_FLOAT_EQ(piece[1].z, 40 * 256.0f + 256.0f * 8.0f / 15.0f);
    EXPECT_FLOAT_EQ(piece[2].x, 41 * 256.0f - 256.0f * 7.0f / 15.0f);
    EXPECT_EQ(piece[2].dwColour, 0x770000FFu);  // alpha 255 x 7/15 = 119, truncated
}

}  // namespace
