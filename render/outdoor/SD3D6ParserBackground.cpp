// The world's surroundings: the sky box the map names (with or without fog), the water
// texture, the table fog carried by the sky's top texture, or a solid colour; and the
// outdoor world's default device states.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "render/SD3D6Parser.h"
#include "render/outdoor/SRendererCatalog.h"
#include "render/pipeline/SD3DRaster.h"
#include "render/texture/SD3D6Lock.h"
#include "sys/d3d/d3d.h"

using namespace sys::d3d;

namespace {

constexpr uint32_t kFogTableCap = 0x100;
constexpr uint32_t kDefaultBackground = 0x6497DA;

// Three numbers separated by blanks; the ones missing read 0.
void ParseRGB(const char* text, int rgb[3]) {
    rgb[0] = rgb[1] = rgb[2] = 0;
    std::sscanf(text != nullptr ? text : "", "%d %d %d", &rgb[0], &rgb[1], &rgb[2]);
}

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

// Keeps the texture records' ambient factors and puts them back on every way out, so the
// background loads at full light without changing what later textures get.
class AmbientAtFull {
public:
    AmbientAtFull() {
        std::copy(std::begin(SD3D6Lock::s_fAmbientFactors), std::end(SD3D6Lock::s_fAmbientFactors), m_fSaved);
        std::fill(std::begin(SD3D6Lock::s_fAmbientFactors), std::end(SD3D6Lock::s_fAmbientFactors), 1.0f);
    }
    ~AmbientAtFull() { std::copy(std::begin(m_fSaved), std::end(m_fSaved), SD3D6Lock::s_fAmbientFactors); }
    AmbientAtFull(const AmbientAtFull&) = delete;
    AmbientAtFull& operator=(const AmbientAtFull&) = delete;

private:
    float m_fSaved[4];
};

}  // namespace

void SD3D6Parser::LoadBackground() {
    const AmbientAtFull ambient;
    std::fill(std::begin(m_pSkyFaces), std::end(m_pSkyFaces), nullptr);
    m_LevelInfo.Field(19) = 0;
    if ((m_HWDesc.dpcTriCaps.dwRasterCaps & kFogTableCap) == 0) {
        m_LevelInfo.Field(18) = 0;
    }
    m_nWaterTexture = -1;
    m_pWaterTexture = nullptr;

    SMapKR5Tag tag;
    if (FindMapTag("MapBackground", &tag) == 0) {
        m_LevelInfo.Field(6) = 0;
    } else {
        const SString value = tag.m_sValue;
        const int colon = value.Find(':');
        const SString resource = colon >= 0 ? value.Left(colon) : SString("Sky_Background");
        const SString file = colon >= 0 ? value.Mid(colon + 1) : value;
        static const char* const kClear[6] = {"Front", "Left", "Back", "Right", "Top", "Water"};
        static const char* const kFoggy[6] = {"FogFront", "FogLeft", "FogBack", "FogRight", "FogTop", "Water"};
        SString paths[6];
        SRendererCatalog* catalog = GetCatalog();
        if (catalog == nullptr || !catalog->GetHandlerFiles(resource.GetString(), file.GetString(),
                                                            m_LevelInfo.Field(18) != 0 ? kFoggy : kClear, 6, paths)) {
            for (SString& path : paths) {
                path.Empty();
            }
        }
        if (m_LevelInfo.Field(6) > 0) {
            auto find = [this](const SString& path) {
                SString name("file;");
                name += path;
                return FindTexture(name.GetString(), 0, 1);
            };
            bool allFaces = true;
            for (int i = 0; i < 5; ++i) {
                m_pSkyFaces[i] = static_cast<SD3D6Lock*>(GetTexture(find(paths[i])));
                allFaces = allFaces && m_pSkyFaces[i] != nullptr;
            }
            const int16_t water = find(paths[5]);
            if (water >= 0) {
                m_nWaterTexture = water;
                m_pWaterTexture = static_cast<SD3D6Lock*>(GetTexture(water));
            }
            if (!allFaces) {
                std::fill(std::begin(m_pSkyFaces), std::end(m_pSkyFaces), nullptr);
                m_LevelInfo.Field(6) = 0;
                m_LevelInfo.Field(19) = 0;
            } else {
                const SD3D6Lock* top = m_pSkyFaces[4];
                const int16_t colourTag = top->FindTag("FOG-ColorRGB");
                const int16_t nearTag = top->FindTag("FOG-RangeNear");
                const int16_t farTag = top->FindTag("FOG-RangeFar");
                const auto none = static_cast<int16_t>(0xFFFF);
                if (colourTag != none && nearTag != none && farTag != none && m_LevelInfo.Field(18) != 0) {
                    int rgb[3];
                    ParseRGB(top->GetTagValue(colourTag).GetString(), rgb);
                    for (int i = 0; i < 3; ++i) {
                        m_byFogColour[i] = static_cast<uint8_t>(rgb[i]);
                    }
                    m_fFogStart = top->GetTagFloat("FOG-RangeNear", 0.0f);
                    m_fFogEnd = top->GetTagFloat("FOG-RangeFar", 0.0f);
                    m_dwFogColour = 0;
                    for (int i = 0; i < 3; ++i) {
                        const float scaled = static_cast<float>(m_byFogColour[i]) * m_fFogFactors[i];
                        const uint32_t channel =
                            scaled >= 255.0f ? 255u : scaled > 0.0f ? static_cast<uint32_t>(scaled) : 0u;
                        m_dwFogColour |= channel << (16 - 8 * i);
                    }
                    if (m_pD3DRaster != nullptr && m_pD3DRaster->GetDevice(0) != nullptr) {
                        IDirect3DDevice3* device = m_pD3DRaster->GetDevice(0);
                        device->SetRenderState(D3DRENDERSTATE_FOGTABLEMODE, 3);
                        device->SetRenderState(D3DRENDERSTATE_FOGCOLOR, m_dwFogColour);
                        device->SetRenderState(D3DRENDERSTATE_FOGTABLESTART, FloatBits(m_fFogStartScale * m_fFogStart));
                        device->SetRenderState(D3DRENDERSTATE_FOGTABLEEND, FloatBits(m_fFogEnd));
                        device->SetRenderState(D3DRENDERSTATE_FOGENABLE, 1);
                    }
                    m_LevelInfo.Field(19) = 1;
                } else {
                    m_LevelInfo.Field(19) = 0;
                }
            }
        }
    }

    if (m_nWaterTexture < 0) {
        const int16_t water = FindTexture("GroundTexture-Water1--24-0", 0, 1);
        if (water >= 0) {
            m_nWaterTexture = water;
            m_pWaterTexture = static_cast<SD3D6Lock*>(GetTexture(water));
        }
    }
    if (m_LevelInfo.Field(6) <= 0) {
        std::fill(std::begin(m_pSkyFaces), std::end(m_pSkyFaces), nullptr);
        if (FindMapTag("SolidColorRGB", &tag) != 0) {
            int rgb[3];
            ParseRGB(tag.m_sValue.GetString(), rgb);
            m_dwBackgroundColour = (static_cast<uint32_t>(rgb[0] & 0xFF) << 16) |
                                   (static_cast<uint32_t>(rgb[1] & 0xFF) << 8) | static_cast<uint32_t>(rgb[2] & 0xFF);
        } else {
            m_dwBackgroundColour = kDefaultBackground;
        }
    }
}

void SD3D6Parser::ResetRenderStates() { ResetDeviceStates(); }
