// Ground decals of the outdoor world: flat textured marks laid on the terrain, kept in a ring
// of fixed capacity whose oldest place is reused when it is full.

#include <cmath>

#include "render/SD3D6Parser.h"
#include "render/shots/SDecalMesh.h"
#include "render/texture/SD3D6Lock.h"

namespace {

constexpr float kLift = 0.2f;
constexpr float kMirrored = 3.14159265f;

// A decal centre on one axis: into [0, 65536), kept off the far edge of the grid.
float DecalCentre(float v) {
    if (!std::isfinite(v)) {
        return 0.0f;
    }
    if (v < 0.0f) {
        v += 65536.0f;
    } else if (v >= 65536.0f) {
        v -= 65536.0f;
    }
    if (v < 0.0f || v >= 65536.0f) {
        v = std::fmod(v, 65536.0f);
        v = v < 0.0f ? v + 65536.0f : v;
    }
    return std::fmin(v, 65280.0f);
}

}  // namespace

SDecalPolygon* DecalPolygonOf(const ActorDesc& record) {
    // Only ring places hold decals, so the polygon record is always a decal's.
    return static_cast<SDecalPolygon*>(static_cast<SPolygonRecord*>(record.m_pPoints));
}

void SD3D6Parser::FreeDecalPolygons() {
    if (m_pDecalRing == nullptr) {
        return;
    }
    const int places = m_iDecalRingSize;
    for (int i = 0; i < places; ++i) {
        ActorDesc& record = m_pDecalRing[i];
        if (record.m_nKind == 1 && record.m_nSubKind == 4 && record.m_pPoints != nullptr) {
            SDecalPolygon* polygon = DecalPolygonOf(record);
            polygon->FreeArrays();
            delete polygon;
            record.m_pPoints = nullptr;
        }
    }
}

int SD3D6Parser::PlaceDecal(ActorDesc desc, uint32_t, uint32_t childWord, uint32_t ringIndex) {
    if (desc.m_nModelIndex == -1 || m_pDecalRing == nullptr || m_pWorld == nullptr) {
        return 0;
    }
    SD3D6Lock* texture = nullptr;
    if (desc.m_nModelIndex >= 0 && desc.m_nModelIndex < m_TextureItems.GetSize() &&
        m_TextureItems[desc.m_nModelIndex] != nullptr) {
        texture = m_TextureItems[desc.m_nModelIndex]->m_pTexture;
    }
    const int capacity = m_iDecalRingSize - 32;
    const auto asked = static_cast<int32_t>(ringIndex);
    // A texture that is not there, or a place outside the ring, asks for nothing drawable.
    if (texture == nullptr || asked < -1 || asked >= capacity + 32) {
        return 0;
    }

    // Choose the place; a reused one leaves its cell list before it changes.
    int place = 0;
    SDecalPolygon* polygon = nullptr;
    auto reuse = [this, &polygon](int at) {
        ActorDesc& old = m_pDecalRing[at];
        RemoveObject(&old, old.m_vPosition.x, old.m_vPosition.z);
        polygon = old.m_nKind == 1 && old.m_nSubKind == 4 ? DecalPolygonOf(old) : nullptr;
        if (polygon != nullptr) {
            polygon->FreeArrays();
        } else {
            polygon = new SDecalPolygon();
        }
    };
    if (asked == -1) {
        if (m_iDecalNext >= capacity) {
            m_iDecalNext = 0;
        }
        if (m_iDecalNext < m_iDecalCount) {
            place = m_iDecalNext;
            reuse(place);
            ++m_iDecalNext;
        } else {
            // A place named earlier may already hold a decal: it is replaced, not listed twice.
            place = m_iDecalCount;
            reuse(place);
            m_iDecalCount = m_iDecalNext = m_iDecalCount + 1;
        }
    } else {
        place = asked;
        reuse(place);
    }
    polygon->m_nRingIndex = static_cast<int16_t>(place);

    ActorDesc& record = m_pDecalRing[place];
    record = desc;
    record.m_pPoints = static_cast<SPolygonRecord*>(polygon);
    record.m_dwFlags = 1;
    record.m_nKind = 1;
    record.m_nSubKind = 4;
    record.m_nPointCount = 1;  // the one polygon record
    record.m_nChildCount = 0;
    record.m_ppChildren = nullptr;
    record.m_dwWord3 = childWord;
    record.m_dwWord4 = static_cast<uint32_t>(place);
    record.m_sName = "";

    // The quad in decal space, turned by the yaw and laid on the ground.
    const float halfWidth = texture->GetWidth() * texture->m_fScaleU * desc.m_fScale * 0.125f;
    const float halfDepth = texture->GetHeight() * texture->m_fScaleV * desc.m_fScale * 0.125f;
    const float a = -(desc.m_vAngles.y + 1.5707f);
    const float ca = std::cos(a), sa = std::sin(a);
    const float corners[4][2] = {{-halfWidth, -halfDepth}, {halfWidth, -halfDepth}, {-halfWidth, halfDepth},
                                 {halfWidth, halfDepth}};
    const bool mirrored = desc.m_vAngles.x == kMirrored;
    const float uv[4][2] = {{0.005f, 0.005f}, {0.005f, 0.995f}, {0.995f, 0.005f}, {0.995f, 0.995f}};
    const int mirror[4] = {2, 3, 0, 1};
    SDecalMesh mesh;
    float sumX = 0.0f, sumZ = 0.0f;
    for (int i = 0; i < 4; ++i) {
        const float x = corners[i][0] * ca - corners[i][1] * sa + desc.m_vPosition.x;
        const float z = corners[i][0] * sa + corners[i][1] * ca + desc.m_vPosition.z;
        STileVertex v = SampleTerrainVertex(*m_pWorld, x, z);
        v.y += kLift;
        const float* t = uv[mirrored ? mirror[i] : i];
        v.fTexCoord[0] = t[0];
        v.fTexCoord[1] = t[1];
        mesh.m_Vertices.push_back(v);
        sumX += x, sumZ += z;
    }
    const float cx = DecalCentre(sumX * 0.25f), cz = DecalCentre(sumZ * 0.25f);
    record.m_vPosition = SVector(cx, static_cast<float>(m_pWorld->GetTerrainHeight(cx, cz)) + kLift, cz);

    mesh.m_Triangles = {{{0, 2, 1}}, {{1, 2, 3}}};
    FitMeshToTerrain(*m_pWorld, mesh, kLift);

    polygon->m_nVertexCount = static_cast<int16_t>(mesh.m_Vertices.size());
    polygon->m_nTriangleCount = static_cast<int16_t>(mesh.m_Triangles.size());
    polygon->m_pVertices = new STileVertex[mesh.m_Vertices.size()];
    std::copy(mesh.m_Vertices.begin(), mesh.m_Vertices.end(), polygon->m_pVertices);
    polygon->m_pIndices = new uint16_t[mesh.m_Triangles.size() * 3];
    for (size_t t = 0; t < mesh.m_Triangles.size(); ++t) {
        for (int k = 0; k < 3; ++k) {
            polygon->m_pIndices[t * 3 + k] = static_cast<uint16_t>(mesh.m_Triangles[t].v[k]);
        }
    }
    AddObject(&record, 0, cx, cz);
    return 0;
}
