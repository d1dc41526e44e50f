// Turning a loaded model into a drawable one: the file and its trees, the axes of the
// modelling tool turned into the renderer's, duplicate vertices welded with normals built, and
// the per-frame bounds, marker transforms and per-group vertex tables.
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "assets/models/SSMObject.h"
#include "sys/classlib/CFile.h"

namespace {

uint32_t Bits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

uint64_t Mix(uint64_t hash, uint32_t word) {
    hash ^= word;
    hash *= 0x100000001B3ull;
    hash ^= hash >> 29;
    return hash;
}

void Cross(const float* a, const float* b, float* out) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

float Dot(const float* a, const float* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// The face normal (p1 - p0) x (p2 - p1).
void FaceNormal(const float* p0, const float* p1, const float* p2, float* out) {
    const float a[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const float b[3] = {p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
    Cross(a, b, out);
}

// Scales to unit length; false (and untouched) for a zero vector.
bool Normalize(float* v) {
    const float length = std::sqrt(Dot(v, v));
    if (length == 0.0f)
        return false;
    const float scale = 1.0f / length;
    for (int k = 0; k < 3; ++k)
        v[k] *= scale;
    return true;
}

// Which corner of a marker's first triangle is the apex (0), near (1) and far (2) corner;
// false when the group has no such corners.
bool MarkerRoles(const SSMObject& model, const SSMGroup& group, int* role) {
    const SSMTriangle& first = model.m_triangles[static_cast<size_t>(group.triangles[0])];
    if (group.flags & kGroupSingleMarker) {
        role[0] = 0;
        role[1] = 1;
        role[2] = 2;
        return true;
    }
    const SSMTriangle& second = model.m_triangles[static_cast<size_t>(group.triangles[1])];
    int apex = -1;
    int shared[2];
    int sharedCount = 0;
    for (int k = 0; k < 3; ++k) {
        const int16_t v = first.vertex[k];
        const bool inSecond = v == second.vertex[0] || v == second.vertex[1] || v == second.vertex[2];
        if (!inSecond) {
            if (apex >= 0)
                return false;
            apex = k;
        } else {
            if (sharedCount == 2)
                return false;
            shared[sharedCount++] = k;
        }
    }
    // Two triangles that do not share exactly two vertices name no apex, near or far corner.
    if (apex < 0 || sharedCount != 2 || first.vertex[shared[0]] == first.vertex[shared[1]])
        return false;
    const float* positions = model.m_frames[0]->positions.data();
    auto squared = [&](int a, int b) {
        const float* pa = positions + 3 * first.vertex[a];
        const float* pb = positions + 3 * first.vertex[b];
        const float d[3] = {pa[0] - pb[0], pa[1] - pb[1], pa[2] - pb[2]};
        return Dot(d, d);
    };
    const bool firstIsNear = !(squared(shared[1], apex) < squared(shared[0], apex));
    role[apex] = 0;
    role[shared[0]] = firstIsNear ? 1 : 2;
    role[shared[1]] = firstIsNear ? 2 : 1;
    return true;
}

void SetMarkerFrame(const float* corner[3], const int* role, SSMGroupFrame& record) {
    const float* apex = nullptr;
    const float* nearCorner = nullptr;
    const float* farCorner = nullptr;
    for (int k = 0; k < 3; ++k) {
        if (role[k] == 0)
            apex = corner[k];
        else if (role[k] == 1)
            nearCorner = corner[k];
        else
            farCorner = corner[k];
    }
    for (int k = 0; k < 3; ++k) {
        record.origin[k] = -nearCorner[k];
        record.end[k] = -farCorner[k];
    }
    float relative[3][3];
    for (int k = 0; k < 3; ++k) {
        const float* p = role[k] == 0 ? apex : role[k] == 1 ? nearCorner : farCorner;
        for (int j = 0; j < 3; ++j)
            relative[k][j] = role[k] == 1 ? 0.0f : p[j] - nearCorner[j];
    }
    float n[3];
    FaceNormal(relative[0], relative[1], relative[2], n);
    if (!Normalize(n)) {
        n[0] = 0.0f;
        n[1] = 1.0f;
        n[2] = 0.0f;
    }
    const float d[3] = {farCorner[0] - nearCorner[0], farCorner[1] - nearCorner[1], farCorner[2] - nearCorner[2]};
    record.length = std::sqrt(Dot(d, d));
    const float yaw = -std::atan2(d[0], d[2]);
    const float cy = std::cos(yaw);
    const float sy = std::sin(yaw);
    const float dz = d[2] * cy - d[0] * sy;
    const float nz = n[2] * cy - n[0] * sy;
    const float nx = n[2] * sy + n[0] * cy;
    const float pitch = -std::atan2(d[1], dz);
    const float roll = -std::atan2(-nx, std::sin(pitch) * nz + std::cos(pitch) * n[1]);
    record.pitch = pitch;
    record.yaw = yaw;
    record.roll = roll;
    record.orientation = CQuat::FromEuler(pitch, yaw, roll);
    MatrixIdentity(record.matrix.m);
    QuatToMatrix(record.matrix.m, record.orientation);
}

}  // namespace

int SSMObject::LoadFile(const char* path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary)) {
        Clear();
        return 0;
    }
    bool loaded = false;
    try {
        CArchive ar(&file, CArchive::load);
        loaded = Load(ar);
        ar.Close();
        file.Close();
    } catch (const CArchiveException&) {
        loaded = false;
    } catch (const CFileException&) {
        loaded = false;
    }
    if (!loaded) {
        Clear();
        return 0;
    }
    m_strFileName = path;
    m_bBSPWanted = FindTag("NoStatic") < 0 ? 1 : 0;
    if (m_bBSPWanted) {
        for (auto& group : m_groups) {
            if (group->flags & kGroupInBsp)
                group->flags |= kGroupHasBsp;
        }
    }
    if (m_bBSPBuilt == 0)
        LoadBSP(path);
    if (FindTag("Static_1") >= 0)
        m_uModelFlags |= 1u;
    return 1;
}

void SSMObject::RemapAxes(const uint8_t* order, const float* scales) {
    if (order[0] > 2 || order[1] > 2 || order[2] > 2)
        return;
    for (auto& frame : m_frames) {
        for (size_t i = 0; i + 2 < frame->positions.size(); i += 3) {
            float* v = &frame->positions[i];
            const float old[3] = {v[0], v[1], v[2]};
            for (int k = 0; k < 3; ++k)
                v[k] = old[order[k]] * scales[k];
        }
    }
}

void SSMObject::WeldVertices() {
    if (m_frames.empty() || m_nVertices <= 0)
        return;
    const size_t vertices = static_cast<size_t>(m_nVertices);
    for (const auto& frame : m_frames) {
        if (frame->positions.size() < 3 * vertices)
            return;
    }

    // Vertices equal bit for bit in every frame share one new index, numbered by first
    // occurrence. A hash of all their coordinates finds the candidates.
    std::vector<int> remap(vertices < 32 ? 32 : vertices, -1);
    std::vector<size_t> firstOld;
    std::unordered_multimap<uint64_t, size_t> seen;
    seen.reserve(vertices);
    auto sameEverywhere = [&](size_t a, size_t b) {
        for (const auto& frame : m_frames) {
            const float* p = frame->positions.data();
            for (int k = 0; k < 3; ++k) {
                if (Bits(p[3 * a + k]) != Bits(p[3 * b + k]))
                    return false;
            }
        }
        return true;
    };
    for (size_t i = 0; i < vertices; ++i) {
        uint64_t hash = 0xCBF29CE484222325ull;
        for (const auto& frame : m_frames) {
            for (int k = 0; k < 3; ++k)
                hash = Mix(hash, Bits(frame->positions[3 * i + k]));
        }
        auto [begin, end] = seen.equal_range(hash);
        for (auto it = begin; it != end; ++it) {
            if (sameEverywhere(firstOld[static_cast<size_t>(it->second)], i)) {
                remap[i] = static_cast<int>(it->second);
                break;
            }
        }
        if (remap[i] < 0) {
            remap[i] = static_cast<int>(firstOld.size());
            seen.emplace(hash, firstOld.size());
            firstOld.push_back(i);
        }
    }
    const size_t welded = firstOld.size();

    for (SSMTriangle& t : m_triangles) {
        for (int16_t& v : t.vertex)
            v = static_cast<int16_t>(remap[static_cast<size_t>(v)]);
    }
    for (auto& frame : m_frames) {
        std::vector<float> positions(3 * welded);
        for (size_t i = 0; i < vertices; ++i) {
            for (int k = 0; k < 3; ++k)
                positions[3 * static_cast<size_t>(remap[i]) + k] = frame->positions[3 * i + k];
        }
        frame->positions = std::move(positions);
        frame->normals.assign(3 * welded, 0.0f);
    }
    for (auto& frame : m_frames) {
        const float* p = frame->positions.data();
        float* normals = frame->normals.data();
        for (const SSMTriangle& t : m_triangles) {
            float n[3];
            FaceNormal(p + 3 * t.vertex[0], p + 3 * t.vertex[1], p + 3 * t.vertex[2], n);
            if (!Normalize(n))
                continue;
            for (int16_t v : t.vertex) {
                for (int k = 0; k < 3; ++k)
                    normals[3 * v + k] += n[k];
            }
        }
        for (size_t i = 0; i < welded; ++i)
            Normalize(normals + 3 * i);
    }
    m_nVertices = static_cast<int16_t>(welded);
}

void SSMObject::PostLoad() {
    for (auto& frame : m_frames) {
        frame->boxA.Reset();
        frame->boxB.Reset();
        for (const auto& group : m_groups) {
            if (group->flags & kGroupMarker)
                continue;
            const bool inB = (group->flags & kGroupNotInBoxB) == 0;
            for (int16_t t : group->triangles) {
                for (int16_t v : m_triangles[static_cast<size_t>(t)].vertex) {
                    const float* p = &frame->positions[3 * static_cast<size_t>(v)];
                    frame->boxA.AddPoint(p);
                    if (inB)
                        frame->boxB.AddPoint(p);
                }
            }
        }
    }

    for (size_t g = 0; g < m_groups.size(); ++g) {
        const SSMGroup& group = *m_groups[g];
        const bool marker = ((group.flags & kGroupSingleMarker) && !group.triangles.empty()) ||
                            ((group.flags & kGroupMarker) && group.triangles.size() == 2);
        int role[3];
        if (!marker || m_frames.empty() || !MarkerRoles(*this, group, role)) {
            for (auto& frame : m_frames)
                frame->groupFrames[g] = SSMGroupFrame();
            continue;
        }
        const SSMTriangle& first = m_triangles[static_cast<size_t>(group.triangles[0])];
        for (auto& frame : m_frames) {
            const float* corner[3];
            for (int k = 0; k < 3; ++k)
                corner[k] = &frame->positions[3 * static_cast<size_t>(first.vertex[k])];
            SetMarkerFrame(corner, role, frame->groupFrames[g]);
        }
    }

    const size_t vertices = static_cast<size_t>(m_nVertices > 0 ? m_nVertices : 0);
    std::vector<uint8_t> used(vertices);
    for (auto& group : m_groups) {
        std::fill(used.begin(), used.end(), 0);
        for (int16_t t : group->triangles) {
            for (int16_t v : m_triangles[static_cast<size_t>(t)].vertex)
                used[static_cast<size_t>(v)] = 1;
        }
        group->vertexSet.clear();
        for (size_t v = 0; v < vertices; ++v) {
            if (used[v])
                group->vertexSet.push_back(static_cast<int16_t>(v));
        }
        group->vertexSetCount = static_cast<int16_t>(group->vertexSet.size());
    }

    // Corners that agree in vertex and texture coordinates share one render vertex. The hash
    // folds -0 into +0 so that it agrees with the exact comparison.
    auto key = [](int32_t vertex, float u, float v) {
        const float zero = 0.0f;
        return Mix(Mix(Mix(0xCBF29CE484222325ull, static_cast<uint32_t>(vertex)), Bits(u == zero ? zero : u)),
                   Bits(v == zero ? zero : v));
    };
    std::unordered_multimap<uint64_t, int16_t> entries;
    for (auto& group : m_groups) {
        group->renderVertices.clear();
        group->corners.clear();
        entries.clear();
        for (int16_t t : group->triangles) {
            const SSMTriangle& triangle = m_triangles[static_cast<size_t>(t)];
            for (int k = 0; k < 3; ++k) {
                const SSMRenderVertex corner = {triangle.vertex[k], triangle.uv[k].u, triangle.uv[k].v};
                const uint64_t hash = key(corner.vertex, corner.u, corner.v);
                int16_t found = -1;
                auto [begin, end] = entries.equal_range(hash);
                for (auto it = begin; it != end; ++it) {
                    const SSMRenderVertex& entry = group->renderVertices[static_cast<size_t>(it->second)];
                    if (entry.vertex == corner.vertex && entry.u == corner.u && entry.v == corner.v &&
                        (found < 0 || it->second < found))
                        found = it->second;
                }
                if (found < 0) {
                    found = static_cast<int16_t>(group->renderVertices.size());
                    group->renderVertices.push_back(corner);
                    entries.emplace(hash, found);
                }
                group->corners.push_back(found);
            }
        }
        group->renderVertexCount = static_cast<int16_t>(group->renderVertices.size());
    }
}
