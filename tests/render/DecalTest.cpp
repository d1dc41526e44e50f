// Ground decals: cutting a mesh along terrain edges, attribute interpolation, and the decal ring
// with its placement on the ground.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "render/SD3D6Parser.h"
#include "render/shots/SDecalMesh.h"
#include "render/texture/SD3D6Lock.h"

namespace {

STileVertex Vertex(float x, float z) {
    STileVertex v;
    v.x = x, v.z = z;
    v.fTexCoord[0] = x / 10.0f;  // texture coordinates follow the position
    v.fTexCoord[1] = z / 10.0f;
    return v;
}

// The triangle (0, 0), (10, 0), (0, 10) at height 0.
SDecalMesh OneTriangle() {
    SDecalMesh mesh;
    mesh.m_Vertices = {Vertex(0, 0), Vertex(10, 0), Vertex(0, 10)};
    mesh.m_Triangles = {{{0, 1, 2}}};
    return mesh;
}

float SignedArea(const SDecalMesh& m, const SDecalTriangle& t) {
    const STileVertex &a = m.m_Vertices[t.v[0]], &b = m.m_Vertices[t.v[1]], &c = m.m_Vertices[t.v[2]];
    return (b.x - a.x) * (c.z - a.z) - (b.z - a.z) * (c.x - a.x);
}

TEST(DecalMeshTest, SplitsCountVerticesAndTriangles) {
    struct Case {
        const char* what;
        float p0[3], p1[3];
        size_t vertices, triangles;
    };
    const Case cases[] = {
        {"misses the bounding box", {20, 5, 20}, {30, 5, 30}, 3, 1},
        {"edge to edge", {-1, 5, 2}, {12, 5, 2}, 5, 3},
        {"from a corner across the far edge", {0, 5, 0}, {10, 5, 10}, 4, 2},
        {"through a corner and across the far edge", {-5, 5, -5}, {10, 5, 10}, 4, 2},
        {"ends inside", {-1, 5, 2}, {2, 5, 2}, 5, 4},
        {"starts at a corner, ends inside", {0, 5, 0}, {2, 5, 2}, 4, 3},
        {"wholly inside", {1, 5, 1}, {2, 5, 2}, 3, 1},
        {"along an edge", {-5, 5, 0}, {15, 5, 0}, 3, 1},
    };
    for (const Case& c : cases) {
        SDecalMesh mesh = OneTriangle();
        SplitMeshAlongSegment(mesh, c.p0, c.p1);
        EXPECT_EQ(mesh.m_Vertices.size(), c.vertices) << c.what;
        ASSERT_EQ(mesh.m_Triangles.size(), c.triangles) << c.what;
        float area = 0.0f;
        for (const SDecalTriangle& t : mesh.m_Triangles) {
            EXPECT_GT(SignedArea(mesh, t), 0.0f) << c.what << ": winding kept, nothing degenerate";
            area += SignedArea(mesh, t);
        }
        EXPECT_NEAR(area, 100.0f, 1e-3) << c.what << ": the pieces cover the triangle";
        // New vertices lie on the segment, with its height, and carry the interpolated coordinates.
        for (size_t i = 3; i < mesh.m_Vertices.size(); ++i) {
            const STileVertex& v = mesh.m_Vertices[i];
            EXPECT_EQ(v.y, 5.0f) << c.what;
            EXPECT_NEAR(v.fTexCoord[0], v.x / 10.0f, 1e-5) << c.what;
            EXPECT_NEAR(v.fTexCoord[1], v.z / 10.0f, 1e-5) << c.what;
        }
    }
}

TEST(DecalMeshTest, InterpolatesAttributesOverTheTriangle) {
    const STileVertex a = Vertex(0, 0), b = Vertex(10, 0), c = Vertex(0, 10);
    struct Case {
        float x, z;
    };
    // Points off the axes, on the axes (where the ray from a runs parallel to one axis) and on b.
    for (const Case& k : {Case{2, 3}, Case{0, 4}, Case{4, 0}, Case{10, 0}, Case{5, 5}}) {
        STileVertex p = Vertex(k.x, k.z);
        p.fTexCoord[0] = p.fTexCoord[1] = -1.0f;
        p.dwColour = 0x12345678;
        InterpolateTriangleAttributes(a, b, c, p);
        EXPECT_NEAR(p.fTexCoord[0], k.x / 10.0f, 1e-5) << k.x << "," << k.z;
        EXPECT_NEAR(p.fTexCoord[1], k.z / 10.0f, 1e-5) << k.x << "," << k.z;
        EXPECT_EQ(p.dwColour, 0x12345678u);
    }
}

// A texture record of a given size, as a built texture would report it.
class SizedLock : public SD3D6Lock {
public:
    SizedLock(int16_t width, int16_t height) {
        m_iWidth = width;
        m_iHeight = height;
    }
};

class DecalRingTest : public testing::Test {
protected:
    void SetUp() override {
        parser.m_iSessionMode = 2;
        parser.m_pWorld = new SHuntWorld();
        for (int i = 0; i < 65536; ++i) {
            parser.m_pWorld->m_pHeights[i] = static_cast<float>(i % 256) * 8.0f;  // rising 8 a cell along x
        }
        parser.m_LevelInfo.Field(4) = 2;
        parser.m_pDecalRing = new ActorDesc[2 + 32];
        parser.m_iDecalRingSize = 2 + 32;
        auto* item = new SD3D6TextureItem();
        item->m_pTexture = new SizedLock(64, 32);  // 8 by 4 map units to each side at scale 1
        parser.m_TextureItems.Add(item);
    }

    ActorDesc Desc(float x, float z, float yaw = -1.5707f) {
        ActorDesc d;
        d.m_nModelIndex = 0;
        d.m_vPosition = SVector(x, 0.0f, z);
        d.m_vAngles = SVector(0.0f, yaw, 0.0f);
        return d;
    }

    bool Listed(const ActorDesc* record) {
        int cx = 0, cz = 0;
        SHuntWorld::CellAt(record->m_vPosition.x, record->m_vPosition.z, &cx, &cz);
        for (SCellNode* n = parser.m_pWorld->GetList(cx, cz); n != nullptr; n = n->m_pNext) {
            if (n->m_pValue == record) {
                return true;
            }
        }
        return false;
    }

    SD3D6Parser parser;
};

TEST_F(DecalRingTest, RingReusesTheOldestPlace) {
    ActorDesc none = Desc(1000, 1000);
    none.m_nModelIndex = -1;
    parser.PlaceDecal(none, 0, 0, 0xFFFFFFFF);
    EXPECT_EQ(parser.m_iDecalCount, 0);
    EXPECT_EQ(parser.m_iDecalNext, 0);

    ActorDesc* ring = parser.m_pDecalRing;
    parser.PlaceDecal(Desc(1000, 1000), 0, 7, 0xFFFFFFFF);
    parser.PlaceDecal(Desc(2000, 1000), 0, 7, 0xFFFFFFFF);
    EXPECT_EQ(parser.m_iDecalCount, 2);
    EXPECT_TRUE(Listed(&ring[0]));
    EXPECT_TRUE(Listed(&ring[1]));
    const ActorDesc first = ring[0];
    parser.PlaceDecal(Desc(3000, 3000), 0, 7, 0xFFFFFFFF);
    EXPECT_EQ(parser.m_iDecalCount, 2);
    EXPECT_EQ(parser.m_iDecalNext, 1);
    EXPECT_FLOAT_EQ(ring[0].m_vPosition.x, 3000.0f);
    // The old decal left its cell; the new one is in its own.
    int cx = 0, cz = 0;
    SHuntWorld::CellAt(first.m_vPosition.x, first.m_vPosition.z, &cx, &cz);
    EXPECT_EQ(parser.m_pWorld->GetList(cx, cz), nullptr);
    EXPECT_TRUE(Listed(&ring[0]));
    EXPECT_EQ(DecalPolygonOf(ring[0])->m_nRingIndex, 0);

    // A named place is replaced; places beyond the ring are ignored.
    parser.PlaceDecal(Desc(4000, 4000), 0, 7, 1);
    EXPECT_FLOAT_EQ(ring[1].m_vPosition.x, 4000.0f);
    EXPECT_EQ(parser.m_iDecalCount, 2);
    parser.PlaceDecal(Desc(5000, 5000), 0, 7, 34);
    ActorDesc untextured = Desc(5000, 5000);
    untextured.m_nModelIndex = 3;  // no such texture item
    parser.PlaceDecal(untextured, 0, 7, 1);
    parser.PlaceDecal(Desc(5000, 5000), 0, 7, 0xFFFFFFFE);
    EXPECT_FLOAT_EQ(ring[1].m_vPosition.x, 4000.0f);
    EXPECT_EQ(ring[1].m_dwFlags, 1u);
    EXPECT_EQ(ring[1].m_nKind, 1);
    EXPECT_EQ(ring[1].m_nSubKind, 4);
    EXPECT_EQ(ring[1].m_dwWord3, 7u);
}

TEST_F(DecalRingTest, ARaisedCountAfterAllocationNamesNoPlaceBeyondTheRing) {
    parser.m_LevelInfo.Field(4) = 100;
    parser.PlaceDecal(Desc(1000, 1000), 0, 7, 50);
    EXPECT_EQ(parser.m_iDecalCount, 0);
    parser.PlaceDecal(Desc(1000, 1000), 0, 7, 33);
    EXPECT_TRUE(Listed(&parser.m_pDecalRing[33]));
}

TEST_F(DecalRingTest, NamedPlaceAheadOfTheRingIsReplacedOnce) {
    ActorDesc* ring = parser.m_pDecalRing;
    parser.PlaceDecal(Desc(1000, 1000), 0, 0, 1);
    ASSERT_TRUE(Listed(&ring[1]));
    parser.PlaceDecal(Desc(2000, 2000), 0, 0, 0xFFFFFFFF);
    parser.PlaceDecal(Desc(3000, 3000), 0, 0, 0xFFFFFFFF);  // takes place 1 over the named decal
    int cx = 0, cz = 0;
    SHuntWorld::CellAt(1000, 1000, &cx, &cz);
    EXPECT_EQ(parser.m_pWorld->GetList(cx, cz), nullptr);
    EXPECT_FLOAT_EQ(ring[1].m_vPosition.x, 3000.0f);
    EXPECT_EQ(parser.m_iDecalCount, 2);
}

TEST_F(DecalRingTest, QuadLiesOnTheGroundTurnedByTheYaw) {
    // Centre of a cell's lower triangle: nothing to cut. Yaw 0 turns the 16 x 8 quad so that
    // its long side runs along z.
    const float x = 100.25f * 256.0f, z = 100.25f * 256.0f;
    parser.PlaceDecal(Desc(x, z, 0.0f), 0, 0, 0xFFFFFFFF);
    const SDecalPolygon* polygon = DecalPolygonOf(parser.m_pDecalRing[0]);
    ASSERT_NE(polygon, nullptr);
    ASSERT_EQ(polygon->m_nVertexCount, 4);
    ASSERT_EQ(polygon->m_nTriangleCount, 2);
    float minX = 1e9f, maxX = -1e9f, minZ = 1e9f, maxZ = -1e9f;
    for (int i = 0; i < 4; ++i) {
        const STileVertex& v = polygon->m_pVertices[i];
        minX = std::fmin(minX, v.x), maxX = std::fmax(maxX, v.x);
        minZ = std::fmin(minZ, v.z), maxZ = std::fmax(maxZ, v.z);
        EXPECT_NEAR(v.y, v.x / 32.0f + 0.2f, 1e-3);  // the ground rises 8 over 256 along x
    }
    EXPECT_NEAR(maxX - minX, 8.0f, 1e-2);
    EXPECT_NEAR(maxZ - minZ, 16.0f, 1e-2);
    EXPECT_NEAR(parser.m_pDecalRing[0].m_vPosition.y, x / 32.0f + 0.2f, 1e-3);
    const uint16_t quad[6] = {0, 2, 1, 1, 2, 3};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(polygon->m_pIndices[i], quad[i]);
    }
    // Corner 0 is (-8, -4) in decal space: texture (0.005, 0.005), or (0.995, 0.005) mirrored.
    EXPECT_FLOAT_EQ(polygon->m_pVertices[0].fTexCoord[0], 0.005f);
    EXPECT_FLOAT_EQ(polygon->m_pVertices[1].fTexCoord[1], 0.995f);
    ActorDesc mirrored = Desc(x, z, 0.0f);
    mirrored.m_vAngles.x = 3.14159265f;
    parser.PlaceDecal(mirrored, 0, 0, 0xFFFFFFFF);
    const SDecalPolygon* other = DecalPolygonOf(parser.m_pDecalRing[1]);
    EXPECT_FLOAT_EQ(other->m_pVertices[0].fTexCoord[0], 0.995f);
    EXPECT_FLOAT_EQ(other->m_pVertices[0].fTexCoord[1], 0.005f);
}

TEST_F(DecalRingTest, QuadIsCutAlongTheCellEdgeItCrosses) {
    // 8 x 8 around (256, 104): only the cell edge x = 256 runs under it. Each of the two quad
    // triangles is cut edge to edge: two new vertices and three triangles each.
    parser.PlaceDecal(Desc(256.0f, 104.0f, -1.5707f), 0, 0, 0xFFFFFFFF);
    const SDecalPolygon* polygon = DecalPolygonOf(parser.m_pDecalRing[0]);
    ASSERT_NE(polygon, nullptr);
    EXPECT_EQ(polygon->m_nVertexCount, 8);
    EXPECT_EQ(polygon->m_nTriangleCount, 6);
    for (int i = 4; i < polygon->m_nVertexCount; ++i) {
        EXPECT_NEAR(polygon->m_pVertices[i].x, 256.0f, 1e-3);
        EXPECT_NEAR(polygon->m_pVertices[i].y, 8.2f, 1e-3);  // the terrain edge, lifted as the corners are
    }
}

TEST_F(DecalRingTest, CentreWrapsIntoTheMap) {
    struct Case {
        float x, stored;
    };
    for (const Case& c : {Case{-300.0f, 65236.0f}, Case{-10.0f, 65280.0f}, Case{65400.0f, 65280.0f}}) {
        parser.PlaceDecal(Desc(c.x, 1000.0f), 0, 0, 0);
        EXPECT_NEAR(parser.m_pDecalRing[0].m_vPosition.x, c.stored, 1e-2) << c.x;
        EXPECT_TRUE(Listed(&parser.m_pDecalRing[0])) << c.x;
    }
}

}  // namespace
