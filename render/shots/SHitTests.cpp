#include "render/shots/SHitTests.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "assets/math/Geometry.h"
#include "assets/models/BspTree.h"
#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "render/SD3D6Parser.h"
#include "render/frame/SScenePlacement.h"
#include "render/shots/SHitPrimitives.h"
#include "render/texture/SD3D6Lock.h"

namespace {

constexpr float kNoHit = 3.4028235e38f;
// How far a segment cut at a splitting plane is pulled back toward its near end.
constexpr float kTreeCutMargin = 0.01f;

// Group state bits of an instance that the tests read.
constexpr uint32_t kStateRegionTest = 0x10;
constexpr uint32_t kStateTriangleTest = 0x20;
constexpr uint32_t kStateNoRegionTest = 0x40;
constexpr uint32_t kStateHasRegions = 0x1000;

SVector Transform(const SMatrix& m, const SVector& p) {
    return SVector(p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
                   p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
                   p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]);
}

// a then b, for row vectors.
SMatrix Product(const SMatrix& a, const SMatrix& b) {
    SMatrix out;
    out.Zero();
    out.MultiplyAdd(b, a);
    return out;
}

float Length2(const SVector& v) { return v.x * v.x + v.y * v.y + v.z * v.z; }

// Signed distance from a splitting plane; an axis plane reads one coordinate.
float PlaneDistance(const plane_t& plane, const SVector& p) {
    const float c[3] = {p.x, p.y, p.z};
    if (plane.type < 3) {
        return c[plane.type] - plane.dist;
    }
    return plane.normal[0] * c[0] + plane.normal[1] * c[1] + plane.normal[2] * c[2] - plane.dist;
}

SVector Cross(const SVector& a, const SVector& b) {
    return SVector(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

// The frame an instance shows, unblended; null when its animation or frame is not there.
const SSMFrame* CurrentFrame(const SSMHandle& handle) {
    SFrameChoice choice;
    return ChooseInstanceFrame(handle, *handle.GetModel(), false, choice) ? choice.pFrame : nullptr;
}

// The three corners of a model triangle from a block of vertex records `stride` floats apart.
bool Corners(const SSMObject& model, const std::vector<float>& vertices, size_t stride, int triangle,
             SVector out[3]) {
    if (triangle < 0 || static_cast<size_t>(triangle) >= model.m_triangles.size()) {
        return false;
    }
    for (int k = 0; k < 3; ++k) {
        const int v = model.m_triangles[triangle].vertex[k];
        if (v < 0 || static_cast<size_t>(v + 1) * stride > vertices.size()) {
            return false;
        }
        const float* p = &vertices[static_cast<size_t>(v) * stride];
        out[k] = SVector(p[0], p[1], p[2]);
    }
    return true;
}

void DescribeObject(ActorDesc& out, const ActorDesc& object) {
    out.m_pModel = object.m_pModel;
    out.m_dwFlags = object.m_dwFlags;
    out.m_vPosition = object.m_vPosition;
    out.m_vAngles = object.m_vAngles;
    out.m_fScale = object.m_fScale;
    out.m_sName = object.m_sName;
}

// What every actor triangle hit records.
void RecordTriangleHit(SHitTraversal& record, uint32_t kind, int group, int triangle, const SVector corners[3],
                       const SVector& point, float distance) {
    SHitRecord& hit = *record.pHit;
    hit.m_dwKind = kind;
    hit.m_nGroup = static_cast<int16_t>(group);
    hit.m_byNodeFlags = record.byNodeFlags;
    hit.m_wTriangle = static_cast<uint16_t>(triangle);
    hit.m_vNormal = Cross(corners[1] - corners[0], corners[2] - corners[1]);
    DescribeObject(hit.m_Object, *record.pObject);
    hit.m_vPoint = point;
    hit.m_dwObject = record.dwObjectValue;
    hit.m_dwWord1 = hit.m_dwWord2 = 0;
    hit.m_fObjectHeight = 0.0f;
    hit.m_cSide = 0;
    hit.m_fDistance = distance;
}

bool SegmentDirection(const SVector& b, const SVector& a, SVector* dir) {
    const float length = std::sqrt(Length2(a - b));
    if (!(length > 0.0f)) {
        return false;  // a point has no direction to shoot along
    }
    *dir = (a - b) / length;
    return true;
}

// The ground height of the segment over a point at horizontal offset (dx, dz) from B, measured
// along whichever horizontal axis the segment runs more along.
float HeightAt(const SHitTraversal& record, float dx, float dz) {
    const SVector& d = record.vDelta;
    if (std::fabs(d.z) <= std::fabs(d.x)) {
        return record.vB.y + dx * d.y / d.x;
    }
    return record.vB.y + dz * d.y / d.z;
}

void RecordMapObjectHit(SHitTraversal& record, uint32_t kind, const SVector& point, float distance, float height,
                        int8_t side, float u, float v) {
    const ActorDesc& object = *record.pObject;
    SHitRecord& hit = *record.pHit;
    hit.m_dwKind = kind;
    hit.m_vPoint = point;
    hit.m_fDistance = distance;
    hit.m_Object = ActorDesc();
    hit.m_Object.m_dwFlags = 5;
    hit.m_Object.m_vPosition = object.m_vPosition;
    hit.m_Object.m_fScale = object.m_fScale;
    hit.m_Object.m_nModelIndex = object.m_nModelIndex;
    hit.m_fObjectHeight = height;
    hit.m_cSide = side;
    hit.m_nModelIndex = object.m_nModelIndex;
    hit.m_byEntry = static_cast<uint8_t>(record.iEntry);
    hit.m_dwCell = static_cast<uint32_t>(record.iCell);
    hit.m_fParams[0] = hit.m_fTexCoord[0] = u;
    hit.m_fParams[1] = hit.m_fTexCoord[1] = v;
    hit.m_wTriangle = 0xFFFF;
    hit.m_nTextureSlot = object.m_nModelIndex;
    hit.m_dwObject = 0;
    hit.m_dwWord1 = hit.m_dwWord2 = 0;
}

void Cylinder(SHitTraversal& record, const SD3D6Lock& item) {
    const ActorDesc& object = *record.pObject;
    const SVector& base = object.m_vPosition;
    const float a = std::fabs(object.m_fScale);
    const float r = a * item.GetWidth() * 0.125f;
    const float height = item.GetHeight() * a;
    float x[2] = {record.vB.x - base.x, record.vA.x - base.x};
    float z[2] = {record.vB.z - base.z, record.vA.z - base.z};
    if (x[1] * x[1] + z[1] * z[1] > x[0] * x[0] + z[0] * z[0]) {
        return;  // the far point lies farther from the object than the origin
    }
    const float bx = x[0], bz = z[0];
    if (!IntersectSegmentCircle(r, x, z)) {
        return;
    }
    const float d = (x[0] - bx) * (x[0] - bx) + (z[0] - bz) * (z[0] - bz);
    if (!(d < record.pHit->m_fDistance)) {
        return;
    }
    const float y = HeightAt(record, x[0] - bx, z[0] - bz);
    if (base.y < y + record.fHigh && y + record.fLow < base.y + height) {
        RecordMapObjectHit(record, hit::kKindCylinder, SVector(x[0] + base.x, y, z[0] + base.z), d, height, 1, 0, 0);
    }
}

void Billboard(SHitTraversal& record, const SD3D6Lock& item) {
    const ActorDesc& object = *record.pObject;
    const SVector& base = object.m_vPosition;
    const float a = std::fabs(object.m_fScale);
    const float w = a * item.GetWidth();
    const float height = 2.0f * item.GetHeight() * a;
    // The base line stands across the shot; a mirrored object has its ends swapped.
    float hc = record.fHeading[0], hs = record.fHeading[1];
    if (object.m_fScale < 0.0f) {
        hc = -hc, hs = -hs;
    }
    const float q1x = base.x + hc * w, q1z = base.z + hs * w;
    const float q0x = base.x - hc * w, q0z = base.z - hs * w;
    float x[4] = {record.vB.x, record.vA.x, q1x, q0x};
    float z[4] = {record.vB.z, record.vA.z, q1z, q0z};
    if (!SegmentSegment2D(x, z)) {
        return;
    }
    const float dx = x[0] - record.vB.x, dz = z[0] - record.vB.z;
    const float d = dx * dx + dz * dz;
    if (!(d < record.pHit->m_fDistance)) {
        return;
    }
    const float y = HeightAt(record, dx, dz);
    if (!(base.y < y && y < base.y + height)) {
        return;
    }
    float u = std::trunc(std::fabs(q1x - q0x)) > std::trunc(std::fabs(q1z - q0z)) ? (x[0] - q0x) / (q1x - q0x)
                                                                                 : (z[0] - q0z) / (q1z - q0z);
    float v = height == 0.0f ? 0.98f : (height - (y - base.y)) / height;
    v = v >= 1.0f ? 0.98f : v;
    u = u >= 1.0f ? 0.98f : u;
    u = u < 0.0f ? 0.0f : u;
    v = v < 0.0f ? 0.0f : v;
    const int row = static_cast<int>(v * item.m_fMaskHeight);
    const int column = static_cast<int>(u * item.m_fMaskWidth);
    if (!item.MaskBit(column, row)) {
        return;  // a clear texel lets the shot through
    }
    RecordMapObjectHit(record, hit::kKindBillboard, SVector(x[0], y, z[0]), d, height, 0, u, v);
}

// Composes a local placement onto the record's matrices, its inverse onto the way back; false
// (the record untouched) when the placement flattens space and cannot be undone.
bool ComposePlacement(SHitTraversal& record, const SPlacement& placement) {
    SMatrix toWorld, toLocal;
    if (!InvertAffine(placement.fMatrix, &toLocal.m[0][0])) {
        return false;
    }
    std::memcpy(toWorld.m, placement.fMatrix, 64);
    record.localToWorld = Product(toWorld, record.localToWorld);
    record.worldToLocal = Product(record.worldToLocal, toLocal);
    record.fLocalToWorldScale *= placement.fScale;
    record.fWorldToLocalScale /= placement.fScale;
    return true;
}

void TreePath(SHitTraversal& record, const SSMObject& model, const std::vector<int>& groups) {
    const SVector& b = record.vB;
    const SVector& a = record.vA;
    plane_t plane;
    const float nx = -(a.z - b.z), nz = a.x - b.x;
    const float length = std::sqrt(nx * nx + nz * nz);
    plane.normal[0] = nx / length;
    plane.normal[1] = 0.0f;
    plane.normal[2] = nz / length;
    plane.dist = plane.normal[0] * b.x + plane.normal[2] * b.z;
    plane.Classify();
    SHitTreeQuery query;
    query.pRecord = &record;
    query.vB = b;
    query.vA = a;
    if (!SegmentDirection(b, a, &query.vDir)) {
        query.vDir = a - b;
    }
    for (int g : groups) {
        query.iGroup = g;
        HitTestTree(model.m_groups[g]->pRoot, plane, query);
    }
}

}  // namespace

void HitTestMapObject(SHitTraversal& record) {
    const ActorDesc& object = *record.pObject;
    const int m = object.m_nModelIndex;
    const auto* item = m >= 0 && record.pParser != nullptr
                           ? static_cast<const SD3D6Lock*>(record.pParser->GetTexture(static_cast<int16_t>(m)))
                           : nullptr;
    if (item == nullptr) {
        return;  // no texture record to size the object by
    }
    if ((record.dwFlags & hit::kBillboard) != 0) {
        if (item->m_pHitMask != nullptr) {
            Billboard(record, *item);
        }
    } else if ((record.dwFlags & hit::kCylinder) != 0) {
        Cylinder(record, *item);
    }
}

void HitTestMesh(SHitTraversal& record, const SVector& localB, const SVector& localA, const SMatrix& localToWorld) {
    const SSMHandle& handle = *record.pObject->m_pModel;
    const SSMObject& model = *handle.GetModel();
    const SSMFrame* frame = CurrentFrame(handle);
    const size_t groups = std::min(handle.m_groupStates.size(), model.m_groups.size());
    bool any = false;
    for (size_t g = 0; g < groups; ++g) {
        any = any || (handle.m_groupStates[g].flags & kStateTriangleTest) != 0;
    }
    SVector dir;
    if (!any || frame == nullptr || !SegmentDirection(localB, localA, &dir)) {
        return;
    }
    float best = kNoHit;
    int bestTriangle = -1;
    const float* p = &localB.x;
    for (size_t g = 0; g < groups; ++g) {
        if ((handle.m_groupStates[g].flags & kStateTriangleTest) == 0) {
            continue;
        }
        for (int16_t triangle : model.m_groups[g]->triangles) {
            SVector c[3];
            float t = 0, u = 0, v = 0;
            if (Corners(model, frame->positions, 3, triangle, c) &&
                IntersectSegmentTriangle(p, &dir.x, &c[0].x, &c[1].x, &c[2].x, &t, &u, &v) && t > 0.0f &&
                t < best) {
                best = t;
                bestTriangle = triangle;
            }
        }
        if (bestTriangle < 0) {
            continue;
        }
        const SVector point = Transform(localToWorld, localB + dir * best);
        const float d = Length2(point - record.vB);
        if (d < record.pHit->m_fDistance) {
            SVector c[3];
            Corners(model, frame->positions, 3, bestTriangle, c);
            for (SVector& corner : c) {
                corner = Transform(localToWorld, corner);
            }
            const bool sub1 = record.pObject->m_nSubKind == 1;
            RecordTriangleHit(record, sub1 ? hit::kKindTriangleSub1 : hit::kKindTriangle, static_cast<int>(g),
                              bestTriangle, c, point, d);
            record.pHit->m_nTextureSlot = -1;
        }
    }
}

void HitTestMeshRegions(SHitTraversal& record, const SVector& localB, const SVector& localA,
                        const SMatrix& localToWorld) {
    SSMHandle& handle = *record.pObject->m_pModel;
    const SSMObject& model = *handle.GetModel();
    const SSMFrame* frame = CurrentFrame(handle);
    SVector dir;
    if (frame == nullptr || !SegmentDirection(localB, localA, &dir)) {
        return;
    }
    const size_t groups = std::min(handle.m_groupStates.size(), model.m_groups.size());
    float best = kNoHit;
    int bestTriangle = -1;
    float bestParams[2] = {}, bestUV[2] = {};
    const float* p = &localB.x;
    for (size_t g = 0; g < groups; ++g) {
        const uint32_t state = handle.m_groupStates[g].flags;
        if ((state & kStateRegionTest) == 0 || (state & kStateNoRegionTest) != 0) {
            continue;
        }
        STexLock* regions = nullptr;
        if ((state & kStateHasRegions) != 0 && record.pParser != nullptr) {
            const auto group = static_cast<int16_t>(g);
            const int16_t slot = handle.GetSkinTexture(group, handle.GetSkin(group));
            regions = static_cast<SD3D6Lock*>(record.pParser->GetTexture(slot));
        }
        for (int16_t triangle : model.m_groups[g]->triangles) {
            SVector c[3];
            float t = 0, u = 0, v = 0;
            if (!Corners(model, frame->positions, 3, triangle, c) ||
                !IntersectSegmentTriangle(p, &dir.x, &c[0].x, &c[1].x, &c[2].x, &t, &u, &v) || !(t > 0.0f)) {
                continue;
            }
            const SSMTriangle& record3 = model.m_triangles[triangle];
            const SVector at = localB + dir * t;
            float uv[2];
            TriangleTexCoord(&c[0].x, &c[1].x, &c[2].x, &at.x, &record3.uv[0].u, &record3.uv[1].u, &record3.uv[2].u,
                             uv);
            if (regions != nullptr && (regions->GetNumRegions() <= 0 || regions->HitTestRegions(uv[0], uv[1]) == 0)) {
                continue;
            }
            if (t < best) {
                best = t;
                bestTriangle = triangle;
                bestParams[0] = u, bestParams[1] = v;
                bestUV[0] = uv[0], bestUV[1] = uv[1];
            }
        }
        if (bestTriangle < 0) {
            continue;
        }
        const SVector point = Transform(localToWorld, localB + dir * best);
        const float d = Length2(point - record.vB);
        if (d < record.pHit->m_fDistance) {
            SVector c[3];
            Corners(model, frame->positions, 3, bestTriangle, c);
            for (SVector& corner : c) {
                corner = Transform(localToWorld, corner);
            }
            const bool sub1 = record.pObject->m_nSubKind == 1;
            RecordTriangleHit(record, sub1 ? hit::kKindRegionSub1 : hit::kKindRegion, static_cast<int>(g), bestTriangle,
                              c, point, d);
            SHitRecord& hit = *record.pHit;
            hit.m_nTextureSlot = static_cast<int16_t>(handle.m_groupStates[g].textureSlot);
            hit.m_fParams[0] = bestParams[0], hit.m_fParams[1] = bestParams[1];
            hit.m_fTexCoord[0] = bestUV[0], hit.m_fTexCoord[1] = bestUV[1];
        }
    }
}

void HitTestTreeTriangle(uint32_t triangle, SHitTreeQuery& query) {
    SHitTraversal& record = *query.pRecord;
    SSMHandle& handle = *record.pObject->m_pModel;
    const SSMObject& model = *handle.GetModel();
    SVector c[3];
    float t = 0, u = 0, v = 0;
    if (triangle > 0x7FFF || !Corners(model, model.m_bspVertices, 6, static_cast<int>(triangle), c) ||
        !SegmentTriangleTree(&query.vB.x, &query.vDir.x, &c[0].x, &c[1].x, &c[2].x, &t, &u, &v) ||
        !(t > 0.0f && t < query.fBest)) {
        return;
    }
    query.fBest = t;
    const SVector point = query.vB + query.vDir * t;
    const float d = Length2(point - record.vB);
    if (!(d < record.pHit->m_fDistance)) {
        return;
    }
    const bool sub1 = record.pObject->m_nSubKind == 1;
    RecordTriangleHit(record, sub1 ? hit::kKindRegionSub1 : hit::kKindRegion, query.iGroup, static_cast<int>(triangle),
                      c, point, d);
    SHitRecord& hit = *record.pHit;
    const auto group = static_cast<size_t>(query.iGroup);
    hit.m_nTextureSlot = group < handle.m_groupStates.size()
                             ? static_cast<int16_t>(handle.m_groupStates[group].textureSlot)
                             : static_cast<int16_t>(-1);
    hit.m_fParams[0] = u, hit.m_fParams[1] = v;
    const SSMTriangle& tri = model.m_triangles[triangle];
    TriangleTexCoord(&c[0].x, &c[1].x, &c[2].x, &point.x, &tri.uv[0].u, &tri.uv[1].u, &tri.uv[2].u, hit.m_fTexCoord);
    hit.m_dwObject = record.pObject->m_dwOwner;
    hit.m_pModel = record.pObject->m_pModel;
}

static void HitTestLeafTriangles(const mleaf_t* leaf, SHitTreeQuery& query) {
    for (uint32_t triangle : leaf->triangles) {
        HitTestTreeTriangle(triangle, query);
    }
}

void HitTestTree(const mbspitem_t* node, const plane_t& plane, SHitTreeQuery& query) {
    // Loaded trees are checked when read; the depth bound keeps a damaged one from recursing
    // without end.
    static thread_local int depth = 0;
    if (node == nullptr || depth > 4096 || node->box.PlaneSide(plane) != kBoxStraddles) {
        return;
    }
    if (node->IsLeaf()) {
        HitTestLeafTriangles(static_cast<const mleaf_t*>(node), query);
        return;
    }
    const auto* interior = static_cast<const mnode_t*>(node);
    HitTestTreeTriangle(interior->splitTriangle, query);
    ++depth;
    HitTestTree(interior->pFront, plane, query);
    HitTestTree(interior->pBack, plane, query);
    --depth;
}

void HitTestTreeSegment(const mbspitem_t* node, const SVector& p, const SVector& q, SHitTreeQuery& query) {
    static thread_local int depth = 0;
    if (node == nullptr || depth > 4096) {
        return;
    }
    if (node->IsLeaf()) {
        HitTestLeafTriangles(static_cast<const mleaf_t*>(node), query);
        return;
    }
    const auto* interior = static_cast<const mnode_t*>(node);
    HitTestTreeTriangle(interior->splitTriangle, query);
    const plane_t& plane = interior->plane;
    const float d1 = PlaneDistance(plane, p), d2 = PlaneDistance(plane, q);
    const bool behind = d1 < 0.0f;
    const bool crosses = behind != (d2 < 0.0f);
    // The part on p's side ends at the plane pulled back toward p, so rounding never carries it
    // past; the rest starts there.
    SVector cut = q;
    if (crosses) {
        const float margin = behind ? kTreeCutMargin : -kTreeCutMargin;
        cut = p + (q - p) * std::clamp((d1 + margin) / (d1 - d2), 0.0f, 1.0f);
    }
    auto visit = [&](const mbspitem_t* child, const SVector& from, const SVector& to, bool reached) {
        if (child != nullptr && child->box.PlaneSide(plane) == kBoxStraddles) {
            HitTestTreeSegment(child, p, q, query);
        } else if (reached) {
            HitTestTreeSegment(child, from, to, query);
        }
    };
    ++depth;
    visit(behind ? interior->pBack : interior->pFront, p, cut, true);
    visit(behind ? interior->pFront : interior->pBack, cut, q, crosses);
    --depth;
}

void HitTestHierarchy(SHitTraversal& record) {
    if (record.bMapObject != 0) {
        if ((record.dwFlags & hit::kMapObjects) != 0) {
            HitTestMapObject(record);
        }
        return;
    }
    ActorDesc& object = *record.pObject;
    const uint32_t flags = record.dwFlags;
    if (object.m_nKind != 0 || (flags & hit::kActors) == 0 ||
        (object.m_nSubKind == 1 && (flags & hit::kSubKind1) == 0) || object.m_pModel == nullptr ||
        object.m_pModel->GetModel() == nullptr) {
        return;
    }
    SSMHandle& handle = *object.m_pModel;
    const SSMObject& model = *handle.GetModel();
    if ((flags & hit::kStaticOnly) != 0 && (model.m_uModelFlags & 1) == 0) {
        return;
    }
    const SSMFrame* frame = CurrentFrame(handle);
    if (frame == nullptr) {
        return;
    }
    bool drawn = false;
    std::vector<int> treeGroups;
    const size_t groups = std::min(handle.m_groupStates.size(), model.m_groups.size());
    for (size_t g = 0; g < groups; ++g) {
        drawn = drawn || (handle.m_groupStates[g].flags & kStateRegionTest) != 0;
        if ((model.m_groups[g]->flags & kGroupInBsp) != 0) {
            treeGroups.push_back(static_cast<int>(g));
        }
    }
    const bool children = object.m_nChildCount > 0 && object.m_ppChildren != nullptr;
    if (!drawn && !children) {
        return;
    }
    const float horizontal = std::hypot(record.vA.x - record.vB.x, record.vA.z - record.vB.z);
    // The tree path cuts by the upright plane through the shot; a vertical shot has no such
    // plane and takes the box path instead.
    if (model.m_bBSPWanted != 0 && model.m_bBSPBuilt != 0 && !children && horizontal > 0.0f) {
        TreePath(record, model, treeGroups);
        return;
    }
    SFrameChoice choice;
    choice.pFrame = frame;
    SPlacement placement;
    PlaceObject(object, &handle, choice, placement);
    const SMatrix savedToWorld = record.localToWorld, savedToLocal = record.worldToLocal;
    const float savedToWorldScale = record.fLocalToWorldScale, savedToLocalScale = record.fWorldToLocalScale;
    if (!ComposePlacement(record, placement)) {
        return;  // a flattened object has no model space to test in
    }
    const SMatrix toWorld = record.localToWorld, toLocal = record.worldToLocal;
    const float toWorldScale = record.fLocalToWorldScale, toLocalScale = record.fWorldToLocalScale;

    const SVector localB = Transform(toLocal, record.vB);
    const SVector localA = Transform(toLocal, record.vA);
    float p0[3] = {localB.x, localB.y, localB.z};
    float p1[3] = {localA.x, localA.y, localA.z};
    if (SegmentIntersectsBox(&frame->boxA.v[0], &frame->boxA.v[3], p0, p1, false)) {
        if ((flags & hit::kTriangles) != 0) {
            HitTestMesh(record, localB, localA, toWorld);
        }
        if ((flags & hit::kRegions) != 0) {
            HitTestMeshRegions(record, localB, localA, toWorld);
        }
    }

    if (children) {
        // Every child hangs from this object's own matrices, whatever its siblings composed.
        const uintptr_t owner = record.dwObjectValue;
        for (int i = 0; i < object.m_nChildCount; ++i) {
            ActorDesc* child = object.m_ppChildren[i];
            if (child == nullptr) {
                continue;
            }
            record.localToWorld = toWorld;
            record.worldToLocal = toLocal;
            record.fLocalToWorldScale = toWorldScale;
            record.fWorldToLocalScale = toLocalScale;
            SPlacement hung;
            if (PlaceChild(*child, handle, choice, SD3D6Parser::s_fConTriNormOffs, hung)) {
                ComposePlacement(record, hung);
            }
            record.pObject = child;
            record.dwObjectValue = child->m_dwOwner;
            HitTestHierarchy(record);
        }
        record.pObject = &object;
        record.dwObjectValue = owner;
    }
    record.localToWorld = savedToWorld;
    record.worldToLocal = savedToLocal;
    record.fLocalToWorldScale = savedToWorldScale;
    record.fWorldToLocalScale = savedToLocalScale;
}
