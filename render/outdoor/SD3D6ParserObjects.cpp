// Map objects: the trees and sprites the map's cells ask for, grown from the program's one
// random generator (a map tagged "MapRandom" grows the same forest every time), and the
// placed models with their instances, descriptions and cell-list entries.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "assets/models/SSMHandle.h"
#include "render/SD3D6Parser.h"
#include "render/map/SHuntWorld.h"
#include "render/map/SMapKR5.h"
#include "render/outdoor/SOutdoorModelOutput.h"
#include "render/outdoor/SRendererCatalog.h"
#include "sys/rand.h"

namespace {

constexpr uint32_t kTreesSwitch = 0x08;

std::tm LocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (const std::tm* local = std::localtime(&now)) {
        parts = *local;
    }
    return parts;
}

bool Odd() { return (sys::Rand() & 1) != 0; }

}  // namespace

float SD3D6Parser::SpriteSize(int16_t index) const {
    // Sprites are as many map units wide as the tree scales say; a texture item without its
    // texture has no size and is not planted.
    const bool held = index >= 0 && index < m_TextureItems.GetSize() && m_TextureItems[index] != nullptr &&
                      m_TextureItems[index]->m_pTexture != nullptr;
    return held ? 1.0f : 0.0f;
}

void SD3D6Parser::PlaceRandomObjects() {
    if (m_pWorld == nullptr || m_pMap == nullptr) {
        return;
    }
    if ((s_dwSceneRenderSwitches & kTreesSwitch) == 0) {
        for (int c = 0; c < SHuntWorld::kCells; ++c) {
            m_pWorld->Cell(c).byObjectCount = 0;
        }
        return;
    }
    SMapKR5Tag tag;
    const int tagged = FindMapTag("MapRandom", &tag) != 0 ? std::atoi(tag.m_sValue.GetString()) : 0;
    sys::Srand(static_cast<unsigned>(tagged != 0 ? tagged : LocalTime().tm_sec));

    for (int c = 0; c < SHuntWorld::kCells; ++c) {
        SHuntCell& cell = m_pWorld->Cell(c);
        const uint8_t* record = m_pMap->GetCell(c);
        const double x0 = static_cast<double>(c & 255) * 256.0;
        const double y0 = static_cast<double>(c >> 8) * 256.0;
        for (int16_t& slot : cell.nObjects) {
            slot = -1;
        }
        for (int k = 0; k < SHuntCell::kSlots; ++k) {
            if (sys::Rand() % 256 >= record[16 + k]) {
                continue;
            }
            const uint8_t fx = record[24 + 2 * k], fy = record[25 + 2 * k];
            if (!(fx == 0 && fy == 255)) {
                cell.nObjects[k] = record[8 + k];
                cell.byObjectPositions[k][0] = fx;
                cell.byObjectPositions[k][1] = fy;
                cell.fObjectBases[k] = static_cast<float>(m_pWorld->GetTerrainHeight(x0 + fx, y0 + fy));
                cell.fObjectScales[k] = static_cast<float>(record[k]);
                continue;
            }
            for (int attempt = 0; attempt < 10; ++attempt) {
                const int tx = (sys::Rand() % 14 + 1) * 16;
                const int ty = (sys::Rand() % 14 + 1) * 16;
                bool taken = false;
                for (int j = 0; j < k && !taken; ++j) {
                    taken = cell.nObjects[j] >= 0 && cell.byObjectPositions[j][0] == tx &&
                            cell.byObjectPositions[j][1] == ty;
                }
                if (taken) {
                    continue;
                }
                // Random slots past the sixth share the model and age of the first ones.
                cell.nObjects[k] = record[8 + k % 6];
                cell.byObjectPositions[k][0] = static_cast<uint8_t>(tx);
                cell.byObjectPositions[k][1] = static_cast<uint8_t>(ty);
                cell.fObjectBases[k] = static_cast<float>(m_pWorld->GetTerrainHeight(x0 + tx, y0 + ty));
                cell.fObjectScales[k] = static_cast<float>(record[k % 6]);
                break;
            }
        }
    }

    const int names = m_pMap->m_ModelNames.GetSize();
    std::vector<int> lists(static_cast<size_t>(names), -1);
    for (int i = 0; i < names; ++i) {
        const int16_t index = FindTexture(m_pMap->GetModelName(i), 0, 1);
        if (index >= 0 && m_TextureItems[index]->m_wParentList != 0xFFFF) {
            lists[static_cast<size_t>(i)] = m_TextureItems[index]->m_wParentList;
        }
    }

    if (m_LevelInfo.Field(3) == 0) {
        for (int c = 0; c < SHuntWorld::kCells; ++c) {
            for (int16_t& slot : m_pWorld->Cell(c).nObjects) {
                if (slot >= 0 && Odd()) {
                    slot = -1;
                }
            }
        }
    }

    for (int c = 0; c < SHuntWorld::kCells; ++c) {
        ProgressTick();
        SHuntCell& cell = m_pWorld->Cell(c);
        for (int k = 0; k < SHuntCell::kSlots; ++k) {
            const int model = cell.nObjects[k];
            if (model < 0) {
                continue;
            }
            const int16_t texture =
                model < names ? TextureForName(m_pMap->GetModelName(model), lists[model]) : int16_t{-1};
            if (texture < 0) {
                cell.nObjects[k] = -1;
                continue;
            }
            const SD3D6TextureItem& item = *m_TextureItems[texture];
            const float age = cell.fObjectScales[k];
            float size = ((item.m_fOldScale - item.m_fYoungScale) * age * (1.0f / 255.0f) + item.m_fYoungScale) * 8.0f *
                         SpriteSize(texture);
            if (size == 0.0f) {
                cell.nObjects[k] = -1;
                continue;
            }
            if (Odd()) {
                size = -size;
            }
            cell.nObjects[k] = texture;
            cell.fObjectScales[k] = size / 256.0f;
        }
        int count = 0;
        for (int k = 0; k < SHuntCell::kSlots; ++k) {
            if (cell.nObjects[k] < 0) {
                continue;
            }
            if (count != k) {
                cell.nObjects[count] = cell.nObjects[k];
                cell.byObjectPositions[count][0] = cell.byObjectPositions[k][0];
                cell.byObjectPositions[count][1] = cell.byObjectPositions[k][1];
                cell.fObjectScales[count] = cell.fObjectScales[k];
                cell.fObjectBases[count] = cell.fObjectBases[k];
            }
            ++count;
        }
        for (int k = count; k < SHuntCell::kSlots; ++k) {
            cell.nObjects[k] = -1;
        }
        cell.byObjectCount = static_cast<uint8_t>(count);
    }

    const std::tm now = LocalTime();
    sys::Srand(static_cast<unsigned>(now.tm_sec * now.tm_hour));
}

void SD3D6Parser::PlaceSSMObjects() {
    SRendererCatalog* catalog = GetCatalog();
    for (int i = 0; i < m_ModelItems.GetSize(); ++i) {
        SParseModelItem* item = m_ModelItems[i];
        if (item == nullptr || item->m_pResource == nullptr) {
            continue;
        }
        ProgressTick();
        for (int n = 0; n < item->m_Instances.GetSize(); ++n) {
            delete item->m_Instances[n];
        }
        item->m_Instances.RemoveAll();
        item->m_FollowTerrain.RemoveAll();
        std::vector<SString> texts;
        if (catalog != nullptr) {
            catalog->GetModelFrameTexts(item->m_pResource, texts);
        }
        for (const SString& text : texts) {
            if (std::strncmp(text.GetString(), "SSM:", 4) != 0) {
                continue;
            }
            SString path;
            uint32_t flags = 0;
            if (!catalog->FindHandlerFileByKey(text.Mid(4).GetString(), text.GetString(), path, flags)) {
                continue;
            }
            SSMHandle* handle = LoadModels(path.GetString());
            if (handle == nullptr) {
                continue;
            }
            handle->SetAnimated(0);
            handle->SetFrame(0);
            handle->SetCurrentGroup(handle->FindGroup("Normal"));
            handle->SetScale(8.0f);
            item->m_Instances.Add(handle);
            item->m_FollowTerrain.Add(flags & 1);
        }
        if (item->m_Instances.GetSize() == 0) {
            if (catalog != nullptr) {
                catalog->ReleaseResource(item->m_pResource);
            }
            delete item;
            m_ModelItems[i] = nullptr;
        }
    }

    for (int i = 0; i < m_ModelOutputs.GetSize(); ++i) {
        const SMapKR5Model_Output* output = m_ModelOutputs[i];
        if (output == nullptr || !outdoor_output::IsPlaced(*output) || m_pWorld == nullptr) {
            continue;
        }
        const int16_t index = FindModelItem(output->m_sName.GetString());
        if (index < 0 || m_ModelItems[index]->m_Instances.GetSize() == 0) {
            continue;
        }
        const SParseModelItem& item = *m_ModelItems[index];
        auto* desc = new ActorDesc();
        desc->m_pModel = item.m_Instances[0];
        desc->m_dwFlags = 5;
        desc->m_nKind = 0;
        desc->m_nSubKind = 1;
        desc->m_nChildCount = 0;
        desc->m_ppChildren = nullptr;
        const double x = output->m_fX, z = output->m_fY;
        const float heading = outdoor_output::Heading(*output);
        desc->m_vPosition.x = static_cast<float>(x);
        desc->m_vPosition.z = static_cast<float>(z);
        desc->m_vPosition.y =
            static_cast<float>(m_pWorld->GetTerrainHeight(x, z)) + outdoor_output::HeightOffset(*output);
        desc->m_vAngles.y = heading;
        desc->m_fScale = outdoor_output::Scale(*output);
        if (item.m_FollowTerrain[0] != 0) {
            // The slope between two points 32 units either way, along the heading and across it.
            auto slope = [this, x, z](double angle) {
                const double c = 32.0 * std::cos(angle), s = 32.0 * std::sin(angle);
                const double ahead = m_pWorld->GetTerrainHeight(x + c, z - s);
                const double behind = m_pWorld->GetTerrainHeight(x - c, z + s);
                return static_cast<float>(std::atan((ahead - behind) / 64.0));
            };
            desc->m_vAngles.z = slope(heading);
            desc->m_vAngles.x = slope(heading + 1.570796);
        } else {
            desc->m_vAngles.x = desc->m_vAngles.z = 0.0f;
        }
        AddObject(desc, 0, x, z);
        int cellX = 0, cellZ = 0;
        SHuntWorld::CellAt(x, z, &cellX, &cellZ);
        m_pWorld->Cell(cellZ * 256 + cellX).byObjectCount = 0;
        m_ActorDescs.Add(desc);
    }
}
