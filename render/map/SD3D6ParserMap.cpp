// The renderer's answers about the loaded outdoor world: map tags, cell records, terrain
// heights, per-cell object lists, model outputs and map sounds; and the lights and fog that
// the game-logic library may change at run time.
#include <cfloat>
#include <cmath>
#include <cstring>

#include "render/SD3D6Parser.h"
#include "render/map/SHuntWorld.h"
#include "render/map/SMapKR5.h"
#include "render/pipeline/SD3DRaster.h"
#include "render/texture/SD3D6Lock.h"
#include "sys/d3d/d3d.h"

using namespace sys::d3d;

namespace {

// Tag names compare byte for byte; a missing name matches an empty one.
bool SameName(const SString& tagName, const char* name) {
    return std::strcmp(tagName.GetString(), name != nullptr ? name : "") == 0;
}

// Copies at most size characters; no terminator when the text fills the buffer.
void CopyBounded(char* buffer, const SString& text, int size) {
    if (buffer != nullptr && size > 0) {
        std::strncpy(buffer, text.GetString(), static_cast<size_t>(size));
    }
}

void FillLightDesc(D3DLIGHT2& desc, const SD3D6Light& entry) {
    desc.dwSize = 80;
    desc.dltType = D3DLIGHT_DIRECTIONAL;
    desc.dcvColor.r = entry.fColour[0];
    desc.dcvColor.g = entry.fColour[1];
    desc.dcvColor.b = entry.fColour[2];
    desc.dcvColor.a = 0.0f;
    desc.dvDirection.x = entry.fDirection[0];
    desc.dvDirection.y = entry.fDirection[1];
    desc.dvDirection.z = entry.fDirection[2];
    desc.dvRange = entry.fRange;
    desc.dvFalloff = 1.0f;
    desc.dvAttenuation0 = desc.dvAttenuation1 = desc.dvAttenuation2 = 0.0f;
    desc.dwFlags = D3DLIGHT_ACTIVE | D3DLIGHT_NO_SPECULAR;
}

}  // namespace

// An index from the map that names no texture item, or an item without its texture record,
// has no height. The texture records' sizes are not readable in this build yet.
float SD3D6Parser::TextureItemHeight(int16_t index) const {
    if (index < 0 || index >= m_TextureItems.GetSize() || m_TextureItems[index] == nullptr ||
        m_TextureItems[index]->m_pTexture == nullptr) {
        return 0.0f;
    }
    return static_cast<float>(m_TextureItems[index]->m_pTexture->GetHeight());
}

// --- Map tags -----------------------------------------------------------------------------------------

int SD3D6Parser::FindMapTag(const char* name, SMapKR5Tag* tag) {
    for (int i = 0; i < m_Tags.GetSize(); ++i) {
        if (SameName(m_Tags[i]->m_sName, name)) {
            if (tag != nullptr) {
                tag->m_sName = name != nullptr ? name : "";
                tag->m_sValue = m_Tags[i]->m_sValue;
                tag->m_dwFlag = m_Tags[i]->m_dwFlag;
            }
            return 1;
        }
    }
    return 0;
}

int SD3D6Parser::FindMapTagValue(const char* name, uint8_t* flag, char* buffer, int size) {
    if (flag == nullptr || buffer == nullptr) {
        return 0;
    }
    for (int i = 0; i < m_Tags.GetSize(); ++i) {
        if (SameName(m_Tags[i]->m_sName, name)) {
            CopyBounded(buffer, m_Tags[i]->m_sValue, size);
            *flag = static_cast<uint8_t>(m_Tags[i]->m_dwFlag);
            return 1;
        }
    }
    return 0;
}

int16_t SD3D6Parser::GetMapTagCount() { return static_cast<int16_t>(m_Tags.GetSize()); }

int SD3D6Parser::GetMapTag(int16_t index, SMapKR5Tag* tag) {
    if (index < 0 || index >= m_Tags.GetSize()) {
        return 0;
    }
    if (tag != nullptr) {
        *tag = *m_Tags[index];
    }
    return 1;
}

int SD3D6Parser::GetMapTagText(int16_t index, uint8_t* flag, char* name, int nameSize, char* value, int valueSize) {
    if (index < 0 || index >= m_Tags.GetSize()) {
        return 0;
    }
    const SMapKR5Tag& tag = *m_Tags[index];
    if (flag != nullptr) {
        *flag = static_cast<uint8_t>(tag.m_dwFlag);
    }
    CopyBounded(name, tag.m_sName, nameSize);
    CopyBounded(value, tag.m_sValue, valueSize);
    return 1;
}

// --- Cell records -------------------------------------------------------------------------------------

uint8_t SD3D6Parser::GetCellObjectCount(int cell) { return m_pWorld != nullptr ? m_pWorld->GetObjectCount(cell) : 0; }

int16_t SD3D6Parser::GetCellObjectIndex(int cell, int entry) {
    return m_pWorld != nullptr ? m_pWorld->GetObjectIndex(cell, entry) : int16_t{-1};
}

void SD3D6Parser::GetCellObjectPosition(int cell, int entry, float* x, float* z) {
    if (m_pWorld != nullptr) {
        m_pWorld->GetObjectPosition(cell, entry, x, z);
    }
}

float SD3D6Parser::GetCellObjectHeight(int cell, int entry) {
    int16_t index = -1;
    float scale = 0.0f;
    if (m_pWorld == nullptr || !m_pWorld->GetShownObject(cell, entry, &index, &scale)) {
        return 0.0f;
    }
    return std::fabs(2.0f * TextureItemHeight(index) * scale);
}

int SD3D6Parser::ShowCellObject(int cell, int entry, int show) {
    return m_pWorld != nullptr ? m_pWorld->ShowObject(cell, entry, show) : 0;
}

int16_t SD3D6Parser::GetCellTextureIndex(int cell) {
    return m_pWorld != nullptr ? m_pWorld->Cell(cell).nGroundTexture : int16_t{-1};
}

void SD3D6Parser::SetCellTextureIndex(int cell, int16_t value) {
    if (m_pWorld != nullptr && value >= 0) {
        m_pWorld->Cell(cell).nGroundTexture = value;
    }
}

int SD3D6Parser::GetCellMark(int cell) { return m_pWorld != nullptr ? m_pWorld->Cell(cell).byMark : -1; }

void SD3D6Parser::SetCellMark(int cell, uint8_t value) {
    if (m_pWorld != nullptr) {
        m_pWorld->Cell(cell).byMark = value;
    }
}

void SD3D6Parser::SetCellObjectIndex(int cell, int entry, int16_t value) {
    if (m_pWorld != nullptr) {
        m_pWorld->SetObjectIndex(cell, entry, value);
    }
}

void SD3D6Parser::FlipCellTexture(int cell) {
    if (m_pWorld != nullptr) {
        uint8_t& orientation = m_pWorld->Cell(cell).byOrientation;
        orientation = SHuntWorld::FlipOrientation(orientation);
    }
}

void SD3D6Parser::RotateCellTexture(int cell) {
    if (m_pWorld != nullptr) {
        uint8_t& orientation = m_pWorld->Cell(cell).byOrientation;
        orientation = SHuntWorld::RotateOrientation(orientation);
    }
}

float SD3D6Parser::GetCellHeight(int cell) {
    return m_pWorld != nullptr ? m_pWorld->m_pHeights[cell & 0xFFFF] : -FLT_MAX;
}

void* SD3D6Parser::EditCellObjects(int cell, int entry, int16_t value) {
    return m_pWorld != nullptr ? m_pWorld->EditObjects(cell, entry, value) : nullptr;
}

float* SD3D6Parser::GetMapHeightGrid() {
    return m_iSessionMode == 2 && m_pWorld != nullptr ? m_pWorld->m_pLoadedHeights : nullptr;
}

// --- Terrain ------------------------------------------------------------------------------------------

double SD3D6Parser::GetTerrainHeight(double x, double z) {
    return m_pWorld != nullptr ? m_pWorld->GetTerrainHeight(x, z) : 0.0;
}

double SD3D6Parser::GetSurfaceHeight(double x, double z) {
    return m_pWorld != nullptr ? m_pWorld->GetSurfaceHeight(x, z) : 0.0;
}

void SD3D6Parser::GetHeights(double x, double z, double* heights) {
    if (m_pWorld != nullptr) {
        m_pWorld->GetHeights(x, z, heights);
    } else if (heights != nullptr) {
        heights[0] = heights[1] = 0.0;
    }
}

void SD3D6Parser::GetTerrainTexCoord(double x, double z, double* u, double* v) {
    if (m_pWorld != nullptr) {
        m_pWorld->GetTerrainTexCoord(x, z, u, v);
    }
}

// --- Object lists -------------------------------------------------------------------------------------

void* SD3D6Parser::AddToCellList(void* value, uint8_t kind, int cellX, int cellZ) {
    return m_pWorld != nullptr ? m_pWorld->AddToList(value, kind, cellX, cellZ) : nullptr;
}

int SD3D6Parser::RemoveFromCellList(void* value, int cellX, int cellZ) {
    return m_pWorld != nullptr ? m_pWorld->RemoveFromList(value, cellX, cellZ) : 0;
}

int SD3D6Parser::MoveInCellLists(void* value, int oldX, int oldZ, int newX, int newZ) {
    if (oldX == newX && oldZ == newZ) {
        return 1;
    }
    return m_pWorld != nullptr ? m_pWorld->MoveInLists(value, oldX, oldZ, newX, newZ) : 0;
}

void* SD3D6Parser::AddObject(void* value, uint8_t kind, double x, double z) {
    if (m_iSessionMode == 1) {
        auto* record = new SParseSSMV();
        record->m_fX = static_cast<float>(x);
        record->m_fZ = static_cast<float>(z);
        record->m_Node.m_pValue = value;
        record->m_Node.m_byKind = kind;
        m_SSMVRecords.Add(record);
        return m_SSMVRecords.GetData();
    }
    int cellX = 0, cellZ = 0;
    SHuntWorld::CellAt(x, z, &cellX, &cellZ);
    return AddToCellList(value, kind, cellX, cellZ);
}

int SD3D6Parser::RemoveObject(void* value, double x, double z) {
    if (m_iSessionMode == 1) {
        for (int i = 0; i < m_SSMVRecords.GetSize(); ++i) {
            if (m_SSMVRecords[i]->m_Node.m_pValue == value) {
                delete m_SSMVRecords[i];
                m_SSMVRecords.RemoveAt(i);
                return 1;
            }
        }
        return 0;
    }
    if (m_iSessionMode != 2) {
        return 0;
    }
    int cellX = 0, cellZ = 0;
    SHuntWorld::CellAt(x, z, &cellX, &cellZ);
    return RemoveFromCellList(value, cellX, cellZ);
}

int SD3D6Parser::MoveObject(void* value, double oldX, double oldZ, double newX, double newZ) {
    if (m_iSessionMode == 1) {
        for (int i = 0; i < m_SSMVRecords.GetSize(); ++i) {
            if (m_SSMVRecords[i]->m_Node.m_pValue == value) {
                m_SSMVRecords[i]->m_fX = static_cast<float>(newX);
                m_SSMVRecords[i]->m_fZ = static_cast<float>(newZ);
            }
        }
        return 1;
    }
    if (m_iSessionMode != 2) {
        return 0;
    }
    int oldCellX = 0, oldCellZ = 0, newCellX = 0, newCellZ = 0;
    SHuntWorld::CellAt(oldX, oldZ, &oldCellX, &oldCellZ);
    SHuntWorld::CellAt(newX, newZ, &newCellX, &newCellZ);
    return MoveInCellLists(value, oldCellX, oldCellZ, newCellX, newCellZ);
}

// --- Map sounds ---------------------------------------------------------------------------------------

int16_t SD3D6Parser::GetMapSoundCount() {
    return m_pMap != nullptr ? static_cast<int16_t>(m_pMap->m_SoundOutputs.GetSize()) : int16_t{0};
}

void* SD3D6Parser::GetMapSound(int16_t index) {
    if (m_pMap == nullptr || index < 0 || index >= m_pMap->m_SoundOutputs.GetSize()) {
        return nullptr;
    }
    return &m_pMap->m_SoundOutputs[index];
}

// --- Lights and fog -----------------------------------------------------------------------------------

int SD3D6Parser::SetLightCount(int count) {
    if (m_pD3DRaster == nullptr) {
        return 0;
    }
    m_pD3DRaster->RemoveLightsFromViewport();
    m_pD3DRaster->FreeLights();
    if (count <= 0) {
        return 1;
    }
    auto* entries = new SD3D6Light[static_cast<size_t>(count)];
    for (int i = 0; i < count; ++i) {
        SD3D6Light& entry = entries[i];
        entry.dwKind = 1;
        entry.fRange = 10000.0f;
        entry.pDesc = new D3DLIGHT2();
        FillLightDesc(*entry.pDesc, entry);
        if (m_pD3DRaster->GetDirect3D() != nullptr) {
            m_pD3DRaster->GetDirect3D()->CreateLight(&entry.pLight, nullptr);
        }
        if (entry.pLight != nullptr) {
            entry.pLight->SetLight(entry.pDesc);
        }
    }
    m_pD3DRaster->SetLights(entries, count);
    m_pD3DRaster->AddLightsToViewport();
    m_pD3DRaster->ApplyLights();
    return 1;
}

int SD3D6Parser::SetLight(int index, const SD3D6Light* source) {
    if (m_pD3DRaster == nullptr || source == nullptr || index < 0 || index >= m_pD3DRaster->GetLightCount()) {
        return 0;
    }
    SD3D6Light& entry = m_pD3DRaster->GetLights()[index];
    entry.dwKind = source->dwKind;
    std::memcpy(entry.fDirection, source->fDirection, sizeof(entry.fDirection));
    entry.fRange = source->fRange;
    std::memcpy(entry.fColour, source->fColour, sizeof(entry.fColour));
    if (entry.pDesc == nullptr) {
        entry.pDesc = new D3DLIGHT2();
    }
    FillLightDesc(*entry.pDesc, entry);
    m_pD3DRaster->ApplyLights();
    return 1;
}

void SD3D6Parser::SetSunDirection(const SVector* direction) {
    if (direction != nullptr) {
        m_fSunDirection[0] = -direction->x;
        m_fSunDirection[1] = -direction->y;
        m_fSunDirection[2] = -direction->z;
    }
}

void SD3D6Parser::ApplyFogColour() {
    uint32_t colour = 0;
    for (int i = 0; i < 3; ++i) {
        // A factor may brighten the fog, but a channel saturates instead of wrapping round.
        const float scaled = static_cast<float>(m_byFogColour[i]) * m_fFogFactors[i];
        const uint32_t channel = scaled >= 255.0f ? 255u : scaled > 0.0f ? static_cast<uint32_t>(scaled) : 0u;
        colour |= channel << (16 - 8 * i);
    }
    m_pD3DRaster->GetDevice(0)->SetRenderState(D3DRENDERSTATE_FOGCOLOR, colour);
}

void SD3D6Parser::SetAtmosphere(const SVector* direction, const SVector* factors) {
    if (direction != nullptr) {
        m_fAtmosphereDirection[0] = direction->x;
        m_fAtmosphereDirection[1] = direction->y;
        m_fAtmosphereDirection[2] = direction->z;
    }
    if (factors != nullptr) {
        m_fFogFactors[0] = factors->x;
        m_fFogFactors[1] = factors->y;
        m_fFogFactors[2] = factors->z;
    }
    if (m_iSessionMode == 2 && m_LevelInfo.Field(19) == 1 && m_pD3DRaster != nullptr &&
        m_pD3DRaster->GetDevice(0) != nullptr) {
        ApplyFogColour();
    }
}

void SD3D6Parser::SetFogStartScale(float factor) {
    m_fFogStartScale = factor;
    if (m_iSessionMode == 2 && m_LevelInfo.Field(19) == 1 && m_pD3DRaster != nullptr &&
        m_pD3DRaster->GetDevice(0) != nullptr) {
        const float start = m_fFogStart * factor;
        uint32_t bits;
        std::memcpy(&bits, &start, sizeof(bits));
        m_pD3DRaster->GetDevice(0)->SetRenderState(D3DRENDERSTATE_FOGTABLESTART, bits);
    }
}
