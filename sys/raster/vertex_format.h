#pragma once

#include <cstdint>
#include <cstring>

#include "sys/raster/raster_types.h"

// Decoding of flexible vertex formats for untransformed vertices: where each field sits in a
// vertex, and the read of one vertex into position and attributes. Used by the rasterizer.
namespace sys::raster {

struct VertexLayout {
    uint32_t stride = 0;       // bytes per vertex
    int32_t normal = -1;       // byte offsets, -1 when the format has no such field
    int32_t diffuse = -1;
    int32_t specular = -1;
    int32_t texture[2] = {-1, -1};  // the first two coordinate pairs; later pairs are skipped
    uint32_t textureCount = 0;
};

// Fills `layout` for an untransformed format (position as x, y, z). Formats with transformed
// or blended positions, or with bits this layer does not know, are refused.
bool DescribeVertexFormat(uint32_t fvf, VertexLayout& layout);

// A field of a vertex, read where it lies.
namespace vertex_fields {

inline float ReadFloat(const uint8_t* at) {
    float value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

inline void ReadColour(const uint8_t* at, float* out) {
    uint32_t argb;
    std::memcpy(&argb, at, sizeof argb);
    constexpr float kScale = 1.0f / 255.0f;
    out[0] = static_cast<float>((argb >> 16) & 0xFFu) * kScale;
    out[1] = static_cast<float>((argb >> 8) & 0xFFu) * kScale;
    out[2] = static_cast<float>(argb & 0xFFu) * kScale;
    out[3] = static_cast<float>(argb >> 24) * kScale;
}

}  // namespace vertex_fields

// Reads the vertex at `vertex`: its position, and its attributes in AttributeSlot order. A
// format without diffuse colour gives opaque white, one without specular gives black, missing
// texture coordinates are 0. Inline: it runs for every vertex of every draw.
inline void ReadVertex(const VertexLayout& layout, const uint8_t* vertex, float position[3],
                       float attributes[kAttributeCount]) {
    position[0] = vertex_fields::ReadFloat(vertex);
    position[1] = vertex_fields::ReadFloat(vertex + 4);
    position[2] = vertex_fields::ReadFloat(vertex + 8);
    if (layout.diffuse >= 0) {
        vertex_fields::ReadColour(vertex + layout.diffuse, attributes + kDiffuseR);
    } else {
        attributes[kDiffuseR] = attributes[kDiffuseG] = attributes[kDiffuseB] = 1.0f;
        attributes[kDiffuseA] = 1.0f;
    }
    if (layout.specular >= 0) {
        vertex_fields::ReadColour(vertex + layout.specular, attributes + kSpecularR);
    } else {
        attributes[kSpecularR] = attributes[kSpecularG] = attributes[kSpecularB] = 0.0f;
        attributes[kSpecularA] = 0.0f;
    }
    for (int set = 0; set < 2; ++set) {
        float* uv = attributes + kTexture0U + 2 * set;
        if (layout.texture[set] >= 0) {
            uv[0] = vertex_fields::ReadFloat(vertex + layout.texture[set]);
            uv[1] = vertex_fields::ReadFloat(vertex + layout.texture[set] + 4);
        } else {
            uv[0] = uv[1] = 0.0f;
        }
    }
}

}  // namespace sys::raster
