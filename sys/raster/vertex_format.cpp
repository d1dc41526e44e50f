#include "sys/raster/vertex_format.h"

#include <cstring>

namespace sys::raster {

namespace {

constexpr uint32_t kKnownBits = D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_RESERVED1 |
                                D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK;
constexpr uint32_t kMaxTextureSets = 8;

float ReadFloat(const uint8_t* at) {
    float value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

void ReadColour(const uint8_t* at, float* out) {
    uint32_t argb;
    std::memcpy(&argb, at, sizeof argb);
    constexpr float kScale = 1.0f / 255.0f;
    out[0] = static_cast<float>((argb >> 16) & 0xFFu) * kScale;
    out[1] = static_cast<float>((argb >> 8) & 0xFFu) * kScale;
    out[2] = static_cast<float>(argb & 0xFFu) * kScale;
    out[3] = static_cast<float>(argb >> 24) * kScale;
}

}  // namespace

bool DescribeVertexFormat(uint32_t fvf, VertexLayout& layout) {
    layout = VertexLayout{};
    if ((fvf & ~kKnownBits) != 0 || (fvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZ) {
        return false;
    }
    const uint32_t sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (sets > kMaxTextureSets) {
        return false;
    }
    uint32_t offset = 12;
    if (fvf & D3DFVF_NORMAL) {
        layout.normal = static_cast<int32_t>(offset);
        offset += 12;
    }
    if (fvf & D3DFVF_RESERVED1) {
        offset += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        layout.diffuse = static_cast<int32_t>(offset);
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        layout.specular = static_cast<int32_t>(offset);
        offset += 4;
    }
    for (uint32_t set = 0; set < sets; ++set) {
        if (set < 2) {
            layout.texture[set] = static_cast<int32_t>(offset);
        }
        offset += 8;
    }
    layout.textureCount = sets;
    layout.stride = offset;
    return true;
}

void ReadVertex(const VertexLayout& layout, const uint8_t* vertex, float position[3],
                float attributes[kAttributeCount]) {
    position[0] = ReadFloat(vertex);
    position[1] = ReadFloat(vertex + 4);
    position[2] = ReadFloat(vertex + 8);
    if (layout.diffuse >= 0) {
        ReadColour(vertex + layout.diffuse, attributes + kDiffuseR);
    } else {
        attributes[kDiffuseR] = attributes[kDiffuseG] = attributes[kDiffuseB] = 1.0f;
        attributes[kDiffuseA] = 1.0f;
    }
    if (layout.specular >= 0) {
        ReadColour(vertex + layout.specular, attributes + kSpecularR);
    } else {
        attributes[kSpecularR] = attributes[kSpecularG] = attributes[kSpecularB] = 0.0f;
        attributes[kSpecularA] = 0.0f;
    }
    for (int set = 0; set < 2; ++set) {
        float* uv = attributes + kTexture0U + 2 * set;
        if (layout.texture[set] >= 0) {
            uv[0] = ReadFloat(vertex + layout.texture[set]);
            uv[1] = ReadFloat(vertex + layout.texture[set] + 4);
        } else {
            uv[0] = uv[1] = 0.0f;
        }
    }
}

}  // namespace sys::raster
