#include "render/shots/SDecalMesh.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kOnLineTolerance = 0.001f;
constexpr float kLow = 0.001f;
constexpr float kHigh = 0.999f;

// Where a point stands against the triangle being cut: on corner 0-2, on edge 0-2 (corner k to
// corner k + 1) strictly between its ends, inside, or outside. New vertices are made only for
// points the cut actually uses, so a triangle left as it was adds nothing to the mesh.
struct CutPoint {
    enum Kind { kCorner, kEdge, kInside, kOutside } kind = kOutside;
    int index = 0;        // corner or edge number
    float x = 0, y = 0, z = 0;
    float edgeParam = 0;  // along the edge, for kEdge
    float segParam = 0;   // along the segment, for boundary candidates
};

// Whether p lies on the line through a and b, its parameter measured in x matching the one in
// z; for a line parallel to an axis, the point must share that coordinate.
bool OnLine(float px, float pz, float ax, float az, float bx, float bz, float* t) {
    const float dx = bx - ax, dz = bz - az;
    if (dx == 0.0f && dz == 0.0f) {
        return false;
    }
    if (dx == 0.0f) {
        if (px != ax) {
            return false;
        }
        *t = (pz - az) / dz;
        return true;
    }
    if (dz == 0.0f) {
        if (pz != az) {
            return false;
        }
        *t = (px - ax) / dx;
        return true;
    }
    const float tx = (px - ax) / dx, tz = (pz - az) / dz;
    if (std::fabs(tx - tz) > kOnLineTolerance) {
        return false;
    }
    *t = tx;
    return true;
}

CutPoint Classify(const STileVertex* c[3], const float p[3]) {
    CutPoint out;
    out.x = p[0], out.y = p[1], out.z = p[2];
    for (int i = 0; i < 3; ++i) {
        if (p[0] == c[i]->x && p[2] == c[i]->z) {
            out.kind = CutPoint::kCorner, out.index = i;
            return out;
        }
    }
    for (int k = 0; k < 3; ++k) {
        const STileVertex& v = *c[k];
        const STileVertex& w = *c[(k + 1) % 3];
        float t = 0;
        if (OnLine(p[0], p[2], v.x, v.z, w.x, w.z, &t) && t > 0.0f && t < 1.0f) {
            out.kind = CutPoint::kEdge, out.index = k, out.edgeParam = t;
            return out;
        }
    }
    bool inside = false;
    for (int k = 0; k < 3; ++k) {
        const STileVertex& v = *c[k];
        const STileVertex& w = *c[(k + 1) % 3];
        if ((v.z > p[2]) != (w.z > p[2])) {
            const float cross = v.x + (p[2] - v.z) * (w.x - v.x) / (w.z - v.z);
            inside = cross > p[0] ? !inside : inside;
        }
    }
    out.kind = inside ? CutPoint::kInside : CutPoint::kOutside;
    return out;
}

// The segment's boundary candidates on the triangle: corners on the segment and edge crossings.
int Candidates(const STileVertex* c[3], const float p0[3], const float p1[3], CutPoint* out) {
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        float s = 0;
        if (OnLine(c[i]->x, c[i]->z, p0[0], p0[2], p1[0], p1[2], &s) && s >= 0.0f && s <= 1.0f) {
            out[n].kind = CutPoint::kCorner, out[n].index = i, out[n].segParam = s;
            ++n;
        }
    }
    const float dx = p1[0] - p0[0], dz = p1[2] - p0[2];
    for (int k = 0; k < 3; ++k) {
        const STileVertex& v = *c[k];
        const STileVertex& w = *c[(k + 1) % 3];
        const float ex = w.x - v.x, ez = w.z - v.z;
        const float det = dx * ez - dz * ex;
        if (std::fabs(det) <= kOnLineTolerance) {
            continue;
        }
        const float wx = v.x - p0[0], wz = v.z - p0[2];
        const float s = (wx * ez - wz * ex) / det;
        const float r = (wx * dz - wz * dx) / det;
        if (r > kLow && r < kHigh && s > kLow && s < kHigh) {
            CutPoint& cp = out[n++];
            cp.kind = CutPoint::kEdge, cp.index = k, cp.edgeParam = r, cp.segParam = s;
            cp.x = v.x + r * ex, cp.z = v.z + r * ez;
            cp.y = p0[1] + (p1[1] - p0[1]) * s;
        }
    }
    return n;
}

float Lerp(float a, float b, float t) { return a + (b - a) * t; }

// The vertex number a cut point stands for, appending a vertex for an edge or inside point.
int32_t Materialise(SDecalMesh& mesh, const int32_t corner[3], const CutPoint& p) {
    if (p.kind == CutPoint::kCorner) {
        return corner[p.index];
    }
    const STileVertex a = mesh.m_Vertices[corner[0]];
    const STileVertex b = mesh.m_Vertices[corner[1]];
    const STileVertex c = mesh.m_Vertices[corner[2]];
    STileVertex v;
    if (p.kind == CutPoint::kEdge) {
        const STileVertex& from = mesh.m_Vertices[corner[p.index]];
        const STileVertex& to = mesh.m_Vertices[corner[(p.index + 1) % 3]];
        v = from;
        for (int i = 0; i < 3; ++i) {
            v.fNormal[i] = Lerp(from.fNormal[i], to.fNormal[i], p.edgeParam);
        }
        for (int i = 0; i < 4; ++i) {
            v.fTexCoord[i] = Lerp(from.fTexCoord[i], to.fTexCoord[i], p.edgeParam);
        }
    } else {
        v = a;
        v.x = p.x, v.z = p.z;
        InterpolateTriangleAttributes(a, b, c, v);
    }
    v.x = p.x, v.y = p.y, v.z = p.z;
    mesh.m_Vertices.push_back(v);
    return static_cast<int32_t>(mesh.m_Vertices.size() - 1);
}

// Re-cuts triangle `t` (corners a, b, c in its winding) so that the piece between the two cut
// points is made of triangle edges. The first new triangle takes the old one's place.
void Recut(SDecalMesh& mesh, size_t t, CutPoint p, CutPoint q) {
    using K = CutPoint;
    if (p.kind == q.kind && (p.kind != K::kEdge || p.index == q.index)) {
        return;  // both corners, both inside, or along one edge: nothing to cut
    }
    // Order the pair as corner < edge < inside.
    if (p.kind > q.kind) {
        std::swap(p, q);
    }
    const SDecalTriangle old = mesh.m_Triangles[t];
    // Rotating the corners keeps the winding; `r` is the corner that becomes a.
    auto rotated = [&old](int r, int32_t out[3]) {
        for (int i = 0; i < 3; ++i) {
            out[i] = old.v[(r + i) % 3];
        }
    };
    int32_t abc[3];
    SDecalTriangle made[4];
    int count = 0;
    if (p.kind == K::kEdge && q.kind == K::kEdge) {
        const int shared = q.index == (p.index + 2) % 3 ? p.index : q.index;
        const CutPoint& onAB = p.index == shared ? p : q;
        const CutPoint& onCA = p.index == shared ? q : p;
        const int32_t e = Materialise(mesh, old.v, onAB);
        const int32_t f = Materialise(mesh, old.v, onCA);
        rotated(shared, abc);
        made[0] = {{abc[0], e, f}}, made[1] = {{e, abc[1], f}}, made[2] = {{f, abc[1], abc[2]}};
        count = 3;
    } else if (p.kind == K::kCorner && q.kind == K::kEdge) {
        const int32_t e = Materialise(mesh, old.v, q);
        rotated(q.index, abc);
        made[0] = {{abc[0], e, abc[2]}}, made[1] = {{e, abc[1], abc[2]}};
        count = 2;
    } else if (p.kind == K::kCorner && q.kind == K::kInside) {
        const int32_t n = Materialise(mesh, old.v, q);
        rotated(p.index, abc);
        made[0] = {{abc[0], abc[1], n}}, made[1] = {{n, abc[1], abc[2]}}, made[2] = {{n, abc[2], abc[0]}};
        count = 3;
    } else if (p.kind == K::kEdge && q.kind == K::kInside) {
        const int32_t e = Materialise(mesh, old.v, p);
        const int32_t n = Materialise(mesh, old.v, q);
        rotated(p.index, abc);
        made[0] = {{abc[0], e, n}}, made[1] = {{n, e, abc[1]}}, made[2] = {{n, abc[1], abc[2]}};
        made[3] = {{abc[2], abc[0], n}};
        count = 4;
    }
    if (count == 0) {
        return;
    }
    mesh.m_Triangles[t] = made[0];
    for (int i = 1; i < count; ++i) {
        mesh.m_Triangles.push_back(made[i]);
    }
}

}  // namespace

void SDecalPolygon::FreeArrays() {
    delete[] m_pVertices;
    delete[] m_pIndices;
    m_pVertices = nullptr;
    m_pIndices = nullptr;
    m_nVertexCount = 0;
    m_nTriangleCount = 0;
}

void InterpolateTriangleAttributes(const STileVertex& a, const STileVertex& b, const STileVertex& c,
                                   STileVertex& p) {
    for (const STileVertex* v : {&a, &b, &c}) {
        if (p.x == v->x && p.z == v->z) {
            std::copy(v->fNormal, v->fNormal + 3, p.fNormal);
            std::copy(v->fTexCoord, v->fTexCoord + 4, p.fTexCoord);
            return;
        }
    }
    const float d1x = b.x - a.x, d1z = b.z - a.z;
    const float ex = c.x - b.x, ez = c.z - b.z;
    const float qx = p.x - a.x, qz = p.z - a.z;
    const float den = ez * qx - ex * qz;
    if (den == 0.0f) {
        return;
    }
    const float t = (qz * d1x - qx * d1z) / den;
    // The ray from a through p meets edge bc at a + (d1 + t e); s is p's share of that ray,
    // measured on whichever axis the ray is not parallel to.
    const float rx = ex * t + d1x, rz = ez * t + d1z;
    float s = 0.0f;
    if (rx != 0.0f) {
        s = qx / rx;
    } else if (rz != 0.0f) {
        s = qz / rz;
    } else {
        return;
    }
    auto blend = [s, t](float va, float vb, float vc) {
        const float l = va + (vb - va) * s;
        const float m = va + (vc - va) * s;
        return l + (m - l) * t;
    };
    for (int i = 0; i < 3; ++i) {
        p.fNormal[i] = blend(a.fNormal[i], b.fNormal[i], c.fNormal[i]);
    }
    for (int i = 0; i < 4; ++i) {
        p.fTexCoord[i] = blend(a.fTexCoord[i], b.fTexCoord[i], c.fTexCoord[i]);
    }
}

void SplitMeshAlongSegment(SDecalMesh& mesh, const float p0[3], const float p1[3]) {
    const size_t count = mesh.m_Triangles.size();
    for (size_t t = 0; t < count; ++t) {
        // A cut adds at most two vertices.
        if (mesh.m_Vertices.size() + 2 > static_cast<size_t>(mesh.m_iLimit)) {
            return;
        }
        const SDecalTriangle tri = mesh.m_Triangles[t];
        const STileVertex* c[3] = {&mesh.m_Vertices[tri.v[0]], &mesh.m_Vertices[tri.v[1]],
                                   &mesh.m_Vertices[tri.v[2]]};
        const float minX = std::min({c[0]->x, c[1]->x, c[2]->x}), maxX = std::max({c[0]->x, c[1]->x, c[2]->x});
        const float minZ = std::min({c[0]->z, c[1]->z, c[2]->z}), maxZ = std::max({c[0]->z, c[1]->z, c[2]->z});
        if ((p0[0] < minX && p1[0] < minX) || (p0[0] > maxX && p1[0] > maxX) || (p0[2] < minZ && p1[2] < minZ) ||
            (p0[2] > maxZ && p1[2] > maxZ)) {
            continue;
        }
        CutPoint entry = Classify(c, p0);
        CutPoint exit = Classify(c, p1);
        if (entry.kind == CutPoint::kOutside || exit.kind == CutPoint::kOutside) {
            CutPoint cand[6];
            const int n = Candidates(c, p0, p1, cand);
            if (n == 0) {
                continue;
            }
            if (entry.kind == CutPoint::kOutside) {
                entry = *std::min_element(cand, cand + n,
                                          [](const CutPoint& l, const CutPoint& r) { return l.segParam < r.segParam; });
            }
            if (exit.kind == CutPoint::kOutside) {
                exit = *std::max_element(cand, cand + n,
                                         [](const CutPoint& l, const CutPoint& r) { return l.segParam < r.segParam; });
            }
        }
        Recut(mesh, t, entry, exit);
    }
}

namespace {

double MapCoordinate(double v) {
    if (!std::isfinite(v)) {
        return 0.0;
    }
    v = std::fmod(v, 65536.0);
    if (v < 0.0) {
        v += 65536.0;
    }
    return std::min(v, 65278.0);
}

}  // namespace

STileVertex SampleTerrainVertex(const SHuntWorld& world, double x, double z) {
    const double fx = MapCoordinate(x) / 256.0, fz = MapCoordinate(z) / 256.0;
    const int ix = static_cast<int>(fx), iz = static_cast<int>(fz);
    const double s = fx - ix, t = fz - iz;
    // Corners (x, z), (x + 1, z), (x, z + 1), (x + 1, z + 1) with the weights of the terrain
    // triangle holding the point; the cell is split along its (x + 1, z)-(x, z + 1) diagonal.
    double w[4];
    if (s + t < 1.0) {
        w[0] = 1.0 - s - t, w[1] = s, w[2] = t, w[3] = 0.0;
    } else {
        w[0] = 0.0, w[1] = 1.0 - t, w[2] = 1.0 - s, w[3] = s + t - 1.0;
    }
    const int cells[4] = {iz * 256 + ix, iz * 256 + ix + 1, (iz + 1) * 256 + ix, (iz + 1) * 256 + ix + 1};
    STileVertex v;
    v.x = static_cast<float>(x);
    v.z = static_cast<float>(z);
    v.y = static_cast<float>(world.GetTerrainHeight(x, z));
    double colour[4] = {};
    for (int k = 0; k < 4; ++k) {
        const SHuntCell& cell = world.m_pCells[cells[k]];
        for (int i = 0; i < 3; ++i) {
            v.fNormal[i] += static_cast<float>(w[k] * cell.fNormal[i]);
        }
        for (int b = 0; b < 4; ++b) {
            colour[b] += w[k] * ((cell.dwColour >> (8 * b)) & 0xFF);
        }
    }
    v.dwColour = 0;
    for (int b = 0; b < 4; ++b) {
        const auto byte = static_cast<uint32_t>(std::clamp(colour[b] + 0.5, 0.0, 255.0));
        v.dwColour |= byte << (8 * b);
    }
    return v;
}

void FitMeshToTerrain(const SHuntWorld& world, SDecalMesh& mesh, float lift) {
    if (mesh.m_Vertices.empty()) {
        return;
    }
    float minX = mesh.m_Vertices[0].x, maxX = minX, minZ = mesh.m_Vertices[0].z, maxZ = minZ;
    for (const STileVertex& v : mesh.m_Vertices) {
        minX = std::min(minX, v.x), maxX = std::max(maxX, v.x);
        minZ = std::min(minZ, v.z), maxZ = std::max(maxZ, v.z);
    }
    // Only cells inside the grid are cut: the last row and column have no far corner.
    auto cell = [](double v) { return static_cast<int>(std::clamp(std::floor(v / 256.0), -1.0, 256.0)); };
    const int x0 = std::max(cell(minX), 0), x1 = std::min(cell(maxX) + 1, 255);
    const int z0 = std::max(cell(minZ), 0), z1 = std::min(cell(maxZ) + 1, 255);
    auto corner = [&world, lift](int x, int z, float* out) {
        out[0] = static_cast<float>(x * 256);
        out[1] = world.m_pHeights[z * 256 + x] + lift;
        out[2] = static_cast<float>(z * 256);
    };
    for (int z = z0; z < z1; ++z) {
        for (int x = x0; x < x1; ++x) {
            float c00[3], c10[3], c01[3], c11[3];
            corner(x, z, c00), corner(x + 1, z, c10), corner(x, z + 1, c01), corner(x + 1, z + 1, c11);
            SplitMeshAlongSegment(mesh, c00, c10);
            SplitMeshAlongSegment(mesh, c10, c11);
            SplitMeshAlongSegment(mesh, c01, c11);
            SplitMeshAlongSegment(mesh, c10, c01);
            SplitMeshAlongSegment(mesh, c00, c01);
        }
    }
}
