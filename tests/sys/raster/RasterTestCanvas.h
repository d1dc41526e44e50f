#pragma once

// A render target, z-buffer and rasterizer for the raster tests, with rows padded past their
// pixels so that a write outside the target shows up in the padding.

#include <cstdint>
#include <cstring>
#include <vector>

#include "sys/raster/rasterizer.h"
#include "sys/raster/texture.h"

namespace tarvex::test {

using namespace sys::raster;

// The vertex of format 0x142: position, diffuse, one coordinate pair.
struct LineVertex {
    float x, y, z;
    uint32_t diffuse;
    float u, v;
};

constexpr uint8_t kPadding = 0xA5;

struct RasterCanvas {
    // The z rows are `depthPadding` bytes longer than the row's values.
    RasterCanvas(int w, int h, PixelFormat f = PixelFormat::XRGB8888, bool withDepth = true, int depthPadding = 6)
        : width(w), height(h), format(f) {
        const int bytes = f == PixelFormat::RGB565 ? 2 : 4;
        pitch = w * bytes + 12;
        pixels.assign(static_cast<size_t>(pitch) * h, kPadding);
        for (int y = 0; y < h; ++y) {
            std::memset(pixels.data() + static_cast<size_t>(y) * pitch, 0, static_cast<size_t>(w) * bytes);
        }
        RenderTarget target{pixels.data(), pitch, w, h, f};
        raster.SetRenderTarget(target);
        if (withDepth) {
            depthPitch = w * 2 + depthPadding;
            depth.assign(static_cast<size_t>(depthPitch / 2) * h, 0xFFFF);
            raster.SetDepthBuffer(DepthBuffer{depth.data(), depthPitch, w, h});
        }
    }

    // Object x, y become screen x, y and z passes through: the clip window spans the target
    // in pixels and the projection turns y round.
    void UsePixelSpace() {
        Viewport v;
        v.dwWidth = static_cast<uint32_t>(width);
        v.dwHeight = static_cast<uint32_t>(height);
        v.dvClipX = 0.0f;
        v.dvClipY = 0.0f;
        v.dvClipWidth = static_cast<float>(width);
        v.dvClipHeight = static_cast<float>(height);
        raster.SetViewport(v);
        Matrix4 flip;
        flip.m[1][1] = -1.0f;
        raster.SetTransform(D3DTRANSFORMSTATE_PROJECTION, flip);
    }

    uint32_t Pixel(int x, int y) const {
        const uint8_t* row = pixels.data() + static_cast<size_t>(y) * pitch;
        if (format == PixelFormat::RGB565) {
            uint16_t v;
            std::memcpy(&v, row + x * 2, 2);
            return v;
        }
        uint32_t v;
        std::memcpy(&v, row + x * 4, 4);
        return v;
    }

    uint16_t Depth(int x, int y) const { return depth[static_cast<size_t>(y) * (depthPitch / 2) + x]; }

    bool PaddingIntact() const {
        const int bytes = format == PixelFormat::RGB565 ? 2 : 4;
        for (int y = 0; y < height; ++y) {
            for (int i = width * bytes; i < pitch; ++i) {
                if (pixels[static_cast<size_t>(y) * pitch + i] != kPadding) {
                    return false;
                }
            }
        }
        return true;
    }

    int CountNonZero() const {
        int n = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                n += Pixel(x, y) != 0;
            }
        }
        return n;
    }

    bool Triangles(const std::vector<LineVertex>& v, uint32_t type = D3DPT_TRIANGLELIST) {
        return raster.DrawPrimitive(type, 0x142, v.data(), static_cast<uint32_t>(v.size()), 0);
    }

    int width, height;
    PixelFormat format;
    int pitch = 0;
    int depthPitch = 0;
    std::vector<uint8_t> pixels;
    std::vector<uint16_t> depth;
    Rasterizer raster;
};

inline LineVertex V(float x, float y, uint32_t colour = 0x00FFFFFF, float z = 0.5f) {
    return LineVertex{x, y, z, colour, 0.0f, 0.0f};
}

// A texture in test memory: `levels` mip levels from w x h down, texel (level, x, y) given by
// a function as a raw value of the layout.
struct TestTexture {
    template <typename Texel>
    TestTexture(TextureFormat f, int w, int h, int levels, Texel texel) {
        const int bytes = f == TextureFormat::XRGB8888 || f == TextureFormat::ARGB8888 ? 4 : 2;
        texture.format = f;
        memory.resize(static_cast<size_t>(levels));
        for (int l = 0; l < levels; ++l) {
            std::vector<uint8_t>& m = memory[static_cast<size_t>(l)];
            m.resize(static_cast<size_t>(w) * h * bytes);
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const uint32_t v = texel(l, x, y);
                    std::memcpy(m.data() + (static_cast<size_t>(y) * w + x) * bytes, &v, static_cast<size_t>(bytes));
                }
            }
            texture.levels[l] = TextureLevel{m.data(), w * bytes, w, h};
            w = w > 1 ? w / 2 : 1;
            h = h > 1 ? h / 2 : 1;
        }
        texture.levelCount = levels;
    }
    Texture texture;
    std::vector<std::vector<uint8_t>> memory;
};

// The reference scenes' view: 96 x 72 with the raster's aspect record (clip y 0.75, height 1.5)
// and a 90-degree projection with near 1 and the given far plane, so screen x = 48 + 48 x/z and
// y = 36 - 48 y/z; z test on, no culling, dithering on. False when the raster refuses a part.
inline bool SetUpReferenceView(sys::raster::Rasterizer& r, float farZ) {
    using namespace sys::raster;
    Viewport v;
    v.dwWidth = 96;
    v.dwHeight = 72;
    v.dvClipY = 0.75f;
    v.dvClipHeight = 1.5f;
    if (!r.SetViewport(v)) {
        return false;
    }
    Matrix4 p;
    const float nearZ = 1.0f, q = farZ / (farZ - nearZ);
    p.m[2][2] = q;
    p.m[2][3] = 1.0f;
    p.m[3][2] = -q * nearZ;
    p.m[3][3] = 0.0f;
    if (!r.SetTransform(D3DTRANSFORMSTATE_PROJECTION, p)) {
        return false;
    }
    r.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    r.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    r.SetRenderState(D3DRENDERSTATE_DITHERENABLE, 1);
    return true;
}

// A width x height view of the whole target with a projection whose w is the eye z and whose
// near plane is at 1 (z' = 1 - 1/z); z test on, no culling, dithering as given.
inline void SetUpUnitPerspective(sys::raster::Rasterizer& r, int width, int height, bool dither) {
    using namespace sys::raster;
    Viewport v;
    v.dwWidth = static_cast<uint32_t>(width);
    v.dwHeight = static_cast<uint32_t>(height);
    r.SetViewport(v);
    Matrix4 p;
    p.m[2][2] = 1.0f;
    p.m[2][3] = 1.0f;
    p.m[3][2] = -1.0f;
    p.m[3][3] = 0.0f;
    r.SetTransform(D3DTRANSFORMSTATE_PROJECTION, p);
    r.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    r.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    r.SetRenderState(D3DRENDERSTATE_DITHERENABLE, dither ? 1 : 0);
}

}  // namespace tarvex::test
