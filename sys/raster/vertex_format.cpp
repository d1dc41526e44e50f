#include "sys/raster/vertex_format.h"

namespace sys::raster {

namespace {

constexpr uint32_t kKnownBits = D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_RESERVED1 |
                                D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK;
constexpr uint32_t kMaxTextureSets = 8;

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

}  // namespace sys::raster
