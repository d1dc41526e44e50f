#pragma once

#include <cstdint>

#include "core/SMatrix.h"
#include "core/SVector.h"
#include "render/parser/SParser.h"

class mbspitem_t;
class plane_t;

// What a line test asks for (the flags of the call) and what it reports (the hit kinds).
namespace hit {
enum Flags : uint32_t {
    kMapObjects = 0x1,
    kBillboard = 0x2,
    kCylinder = 0x4,
    kActors = 0x8,
    kSubKind1 = 0x10,
    kRegions = 0x20,
    kTriangles = 0x40,
    kTerrain = 0x100,
    kWaterLevels = 0x200,
    kWater = 0x400,
    kStaticOnly = 0x1000,
};
enum Kinds : uint32_t {
    kKindBillboard = 3,
    kKindCylinder = 5,
    kKindRegion = 0x28,
    kKindRegionSub1 = 0x38,
    kKindTriangle = 0x68,
    kKindTriangleSub1 = 0x78,
    kKindTerrain = 0x100,
    kKindWater = 0x400,
    kKindBorder = 0x1000,
};
}  // namespace hit

// The state one line test hands to the object tests: the segment from origin B to far point A
// in map units, the object under test with the matrices between its model space and the
// world, and where hits go. Matrices are saved and restored per level of a hierarchy.
struct SHitTraversal {
    ActorDesc* pObject = nullptr;
    int32_t bMapObject = 0;
    int32_t iCell = 0;
    int32_t iEntry = 0;
    SMatrix localToWorld;
    float fLocalToWorldScale = 1.0f;
    SMatrix worldToLocal;
    float fWorldToLocalScale = 1.0f;
    float fHeading[2] = {1.0f, 0.0f};  // cos(h), -sin(h) of the shot's heading
    SVector vB;
    SVector vA;
    SVector vDelta;  // A - B
    uint8_t byNodeFlags = 0;
    uintptr_t dwObjectValue = 0;
    float fLow = 0.0f;
    float fHigh = 0.0f;
    uint32_t dwFlags = 0;
    SHitRecord* pHit = nullptr;
    SParser* pParser = nullptr;  // texture records by index
};

// The object under test and, recursively, its attached children.
void HitTestHierarchy(SHitTraversal& record);
// Plain triangles of the groups marked for it, in model space.
void HitTestMesh(SHitTraversal& record, const SVector& localB, const SVector& localA, const SMatrix& localToWorld);
// Triangles of the drawn groups, through the hit regions of their textures where they have any.
void HitTestMeshRegions(SHitTraversal& record, const SVector& localB, const SVector& localA,
                        const SMatrix& localToWorld);
// A map object of a cell as an upright cylinder or as a billboard with a hit mask.
void HitTestMapObject(SHitTraversal& record);

// The BSP path of a static model: the query and its walk.
struct SHitTreeQuery {
    SHitTraversal* pRecord = nullptr;
    int32_t iGroup = 0;
    SVector vB, vA, vDir;
    float fBest = 3.4028235e38f;
};
void HitTestTree(const mbspitem_t* node, const plane_t& plane, SHitTreeQuery& query);
void HitTestTreeTriangle(uint32_t triangle, SHitTreeQuery& query);
// The same tree walked down its splitting planes along the part p-q of the query's segment, the
// side p lies on first. A child whose box reaches across its parent's plane (the builder never
// cuts a triangle) is handed the whole part.
void HitTestTreeSegment(const mbspitem_t* node, const SVector& p, const SVector& q, SHitTreeQuery& query);
