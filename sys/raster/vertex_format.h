#pragma once

#include <cstdint>

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

// Reads the vertex at `vertex`: its position, and its attributes in AttributeSlot order. A
// format without diffuse colour gives opaque white, one without specular gives black, missing
// texture coordinates are 0.
void ReadVertex(const VertexLayout& layout, const uint8_t* vertex, float position[3],
                float attributes[kAttributeCount]);

}  // namespace sys::raster
