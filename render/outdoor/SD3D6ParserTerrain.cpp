// The outdoor terrain build: ground textures and flags per cell, the map's tags, the trees,
// the shade under them, the vertex normals, the cut water edges and the tint of the ground
// under water; then the model resources the placed models need.
#include <cmath>
#include <cstring>
#include <vector>

#include "render/SD3D6Parser.h"
#include "render/map/SHuntWorld.h"
#include "render/map/SMapKR5.h"
#include "render/outdoor/SOutdoorModelOutput.h"
#include "render/texture/SD3D6Lock.h"

namespace {

const char* const kNightVision[] = {"MiscTextures-nv_1--24-0", "MiscTextures-nv_2--24-0", "MiscTextures-nv_3--24-0",
                                    "MiscTextures-nv_4--24-0", "_END"};
const char* const kSecondSet[] = {"MiscTextures-ch_1--24-0", "MiscTextures-ch_2--24-0", "MiscTextures-ch_3--24-0",
                                  "MiscTextures-ch_4--24-0", "_END"};

// The colour of ground d units under water: darker the deeper, black and clear from 28 on.
uint32_t DepthColour(float d) {
    const uint32_t b = d < 28.0f ? static_cast<uint32_t>((28.0f - d) * (1.0f / 28.0f) * 255.0f) : 0u;
    return b * 0x01010101u;
}

struct Vec3 {
    float x, y, z;
};

Vec3 Sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// The normal of a triangle whose corners go round clockwise seen from above (height up),
// scaled to unit length; zero for a degenerate one.
Vec3 FaceNormal(const Vec3& a, const Vec3& b, const Vec3& c) {
    const Vec3 e1 = Sub(b, a), e2 = Sub(c, a);
    Vec3 n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (length == 0.0f) {
        return {0.0f, 0.0f, 0.0f};
    }
    return {n.x / length, n.y / length, n.z / length};
}

}  // namespace

void SD3D6Parser::ProgressTick() {
    if (m_pfnCallback2 != nullptr) {
        m_pfnCallback2(1, 0, 1);
    }
}

int16_t SD3D6Parser::TextureForName(const char* name, int list) {
    if (list < 0) {
        return name != nullptr ? FindTexture(name, 0, 1) : int16_t{-1};
    }
    return DrawFromList(list, 0);
}

void SD3D6Parser::BuildHuntMap() {
    if (m_pMap == nullptr || m_pWorld == nullptr) {
        return;
    }
    m_iNightVisionCount = m_iSecondSetCount = 0;
    for (int i = 0; std::strcmp(kNightVision[i], "_END") != 0; ++i) {
        if (SD3D6Lock* lock = FindTextureLock(kNightVision[i])) {
            m_pNightVision[m_iNightVisionCount++] = lock;
        }
    }
    for (int i = 0; std::strcmp(kSecondSet[i], "_END") != 0; ++i) {
        if (SD3D6Lock* lock = FindTextureLock(kSecondSet[i])) {
            m_pSecondSet[m_iSecondSetCount++] = lock;
        }
    }
    m_pFlash = FindTextureLock("MiscTextures-red_flash--24-0");
    m_pJetBlack = FindTextureLock("GroundTexture-JetBlack--24-0");

    // Names that come from a list are drawn again for every cell, so a field of one named
    // ground is a mix of the list's textures.
    const int names = m_pMap->m_GroundNames.GetSize();
    std::vector<int> lists(static_cast<size_t>(names), -1);
    for (int i = 0; i < names; ++i) {
        const int16_t index = FindTexture(m_pMap->GetGroundName(i), 0, 1);
        if (index >= 0 && m_TextureItems[index]->m_wParentList != 0xFFFF) {
            lists[static_cast<size_t>(i)] = m_TextureItems[index]->m_wParentList;
        }
    }
    for (int c = 0; c < SHuntWorld::kCells; ++c) {
        SHuntCell& cell = m_pWorld->Cell(c);
        const uint8_t* record = m_pMap->GetCell(c);
        cell.byOrientation = record[41];
        int16_t texture = -1;
        if (names > 0 && record[40] < names) {
            texture = TextureForName(m_pMap->GetGroundName(record[40]), lists[record[40]]);
        }
        cell.nGroundTexture = texture < 0 ? int16_t{0} : texture;
        ProgressTick();
    }

    for (int i = 0; i < m_Tags.GetSize(); ++i) {
        delete m_Tags[i];
    }
    m_Tags.RemoveAll();
    for (int i = 0; i < m_pMap->m_Tags.GetSize(); ++i) {
        m_Tags.Add(new SMapKR5Tag(m_pMap->m_Tags[i]));
    }

    PlaceRandomObjects();
    for (int c = 0; c < SHuntWorld::kCells; ++c) {
        m_pWorld->Cell(c).dwColour = 0xFFFFFFFF;
    }
    ShadeUnderTrees();
    ComputeTerrainNormals();
    m_pWorld->ClipTileAtHeight();
    TintUnderWater();

    std::vector<const char*> models;
    for (int i = 0; i < m_ModelOutputs.GetSize(); ++i) {
        const SMapKR5Model_Output* output = m_ModelOutputs[i];
        if (output == nullptr || !outdoor_output::IsPlaced(*output)) {
            continue;
        }
        bool seen = false;
        for (const char* name : models) {
            seen = seen || std::strcmp(name, output->m_sName.GetString()) == 0;
        }
        if (!seen) {
            models.push_back(output->m_sName.GetString());
            FindModelResource(output->m_sName.GetString());
        }
    }
    m_iDecalNext = 0;
}

void SD3D6Parser::ShadeUnderTrees() {
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const SHuntCell& cell = m_pWorld->Cell(y * 256 + x);
            if (cell.byWater != 0) {
                continue;
            }
            for (int k = 0; k < cell.byObjectCount && k < SHuntCell::kSlots; ++k) {
                const int16_t index = cell.nObjects[k];
                if (index < 0 || index >= m_TextureItems.GetSize() || m_TextureItems[index] == nullptr) {
                    continue;
                }
                const uint32_t s = m_TextureItems[index]->m_byShadeLevel;
                if (s == 0) {
                    continue;
                }
                const float ox = static_cast<float>(x) * 256.0f + cell.byObjectPositions[k][0];
                const float oz = static_cast<float>(y) * 256.0f + cell.byObjectPositions[k][1];
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || nx > 255 || ny < 0 || ny > 255) {
                            continue;
                        }
                        const float ddx = static_cast<float>(nx) * 256.0f - ox;
                        const float ddz = static_cast<float>(ny) * 256.0f - oz;
                        if (std::sqrt(ddx * ddx + ddz * ddz) > 512.0f) {
                            continue;
                        }
                        uint32_t& colour = m_pWorld->Cell(ny * 256 + nx).dwColour;
                        for (int shift = 0; shift < 24; shift += 8) {
                            const uint32_t channel = (colour >> shift) & 0xFF;
                            if (channel >= s) {
                                colour = (colour & ~(0xFFu << shift)) | ((channel - s) << shift);
                            }
                        }
                        colour |= 0xFF000000u;
                    }
                }
            }
        }
    }
}

void SD3D6Parser::ComputeTerrainNormals() {
    if (m_pWorld == nullptr) {
        return;
    }
    const float* h = m_pWorld->m_pHeights;
    auto at = [h](int x, int y) {
        return Vec3{static_cast<float>(x) * 256.0f, h[y * 256 + x], static_cast<float>(y) * 256.0f};
    };
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const Vec3 v = at(x, y);
            Vec3 sum{0.0f, 0.0f, 0.0f};
            auto add = [&sum](const Vec3& n) {
                sum.x += n.x;
                sum.y += n.y;
                sum.z += n.z;
            };
            // The six triangles around the vertex, each with its corners in the same turn.
            if (y > 0 && x < 255) {
                add(FaceNormal(v, at(x + 1, y - 1), at(x, y - 1)));
                add(FaceNormal(v, at(x + 1, y), at(x + 1, y - 1)));
            }
            if (x < 255 && y < 255) {
                add(FaceNormal(v, at(x, y + 1), at(x + 1, y)));
            }
            if (y < 255 && x > 0) {
                add(FaceNormal(v, at(x - 1, y + 1), at(x, y + 1)));
                add(FaceNormal(v, at(x - 1, y), at(x - 1, y + 1)));
            }
            if (x > 0 && y > 0) {
                add(FaceNormal(v, at(x, y - 1), at(x - 1, y)));
            }
            const float length = std::sqrt(sum.x * sum.x + sum.y * sum.y + sum.z * sum.z);
            if (length != 0.0f) {
                sum = {sum.x / length, sum.y / length, sum.z / length};
            }
            float* normal = m_pWorld->Cell(y * 256 + x).fNormal;
            normal[0] = sum.x;
            normal[1] = sum.y;
            normal[2] = sum.z;
        }
    }
}

void SD3D6Parser::TintUnderWater() {
    for (int c = 0; c < SHuntWorld::kCells; ++c) {
        SHuntCell& cell = m_pWorld->Cell(c);
        if (cell.byWater == 0) {
            continue;
        }
        const float level = m_pWorld->m_pWaterLevels[c];
        const float d = level - m_pWorld->m_pHeights[c];
        if (d > 0.0f) {
            cell.dwColour = DepthColour(d);
        }
        if (cell.byWater != 1 || m_pWorld->m_pTileVertices == nullptr) {
            continue;
        }
        for (int piece = 0; piece < 4; ++piece) {
            if (cell.iPieceFirst[piece] < 0) {
                continue;
            }
            for (int v = 0; v < cell.byPieceCounts[piece]; ++v) {
                const int index = cell.iPieceFirst[piece] + v;
                if (index >= m_pWorld->m_iTileVertexCount) {
                    break;
                }
                STileVertex& vertex = m_pWorld->m_pTileVertices[index];
                const float dv = level - vertex.y;
                if (dv > 0.0f) {
                    vertex.dwColour = DepthColour(dv);
                }
            }
        }
    }
}
