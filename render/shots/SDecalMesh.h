#pragma once

#include <cstdint>
#include <vector>

#include "render/map/SHuntWorld.h"
#include "render/queues/SPolygonRecord.h"

class SD3D6Parser;

// One triangle of a decal mesh: three vertex numbers, kept in the winding the quad began with.
struct SDecalTriangle {
    int32_t v[3];
};

// The geometry of a placed decal, kept by its ring record: the terrain-following vertices and
// triangles (three unsigned 16-bit vertex numbers each). The ring owns it; the arrays are
// replaced whenever the ring place is reused.
struct SDecalPolygon : SPolygonRecord {
    int16_t m_nVertexCount = 0;  // both arrays are new[] and owned
    int16_t m_nRingIndex = 0;

    void FreeArrays();
};

// A mesh being cut to the terrain. Both arrays grow as cuts add vertices and triangles;
// `m_iLimit` bounds the vertex count so the result still fits the 16-bit counts of a polygon
// record: once reached, further cuts leave the mesh as it stands.
struct SDecalMesh {
    std::vector<STileVertex> m_Vertices;
    std::vector<SDecalTriangle> m_Triangles;
    int32_t m_iLimit = 32000;
};

// Normal and both texture-coordinate pairs of `p` from its x and z, linear over the triangle
// a, b, c. The diffuse colour of p stays as it is.
void InterpolateTriangleAttributes(const STileVertex& a, const STileVertex& b, const STileVertex& c,
                                   STileVertex& p);

// Cuts every triangle present on entry along the segment p0-p1 (x, y, z each; only x and z
// take part in the tests, new vertices on the segment take its y), so that the piece of the
// segment over each triangle is made of triangle edges.
void SplitMeshAlongSegment(SDecalMesh& mesh, const float p0[3], const float p1[3]);

// A terrain vertex at (x, z) of the world: height, colour and normal interpolated over the
// terrain triangle holding the point; the texture coordinates are left at 0.
STileVertex SampleTerrainVertex(const SHuntWorld& world, double x, double z);

// Cuts the mesh along the five terrain edges of every cell its bounding box touches, so that
// every triangle lies over one terrain triangle. Vertices made on an edge stand `lift` above the
// ground, as the mesh's own corners do, so no part of the mesh sinks into the terrain.
void FitMeshToTerrain(const SHuntWorld& world, SDecalMesh& mesh, float lift = 0.0f);

struct ActorDesc;
// The geometry of a decal record of the ring (kind 1, sub-kind 4), or null.
SDecalPolygon* DecalPolygonOf(const ActorDesc& record);
