#include <algorithm>
#include <cmath>
#include <cstring>

#include "sys/raster/texture.h"
#include "sys/raster/texture_texels.h"

namespace sys::raster {

namespace {

using namespace texels;

template <TextureFormat F>
inline uint32_t ReadRaw(const TextureLevel& level, int32_t x, int32_t y) {
    const uint8_t* row = level.pixels + static_cast<std::ptrdiff_t>(y) * level.pitch;
    if constexpr (kWide<F>) {
        uint32_t v;
        std::memcpy(&v, row + static_cast<std::ptrdiff_t>(x) * 4, 4);
        return v;
    } else {
        uint16_t v;
        std::memcpy(&v, row + static_cast<std::ptrdiff_t>(x) * 2, 2);
        return v;
    }
}

// A texel index brought inside 0..size-1 by the address mode. Sizes are powers of two in
// practice, which need no division.
inline int32_t Address(int32_t i, int32_t size, uint32_t mode) {
    const bool pow2 = (size & (size - 1)) == 0;
    switch (mode) {
    case D3DTADDRESS_CLAMP:
    case D3DTADDRESS_BORDER: return i < 0 ? 0 : (i >= size ? size - 1 : i);
    case D3DTADDRESS_MIRROR: {
        int32_t m = pow2 ? (i & (2 * size - 1)) : i % (2 * size);
        if (m < 0) {
            m += 2 * size;
        }
        return m < size ? m : 2 * size - 1 - m;
    }
    default: {
        if (pow2) {
            return i & (size - 1);
        }
        int32_t m = i % size;
        return m < 0 ? m + size : m;
    }
    }
}

// Floor for the texel coordinates, which stay far inside int range after the clamp below.
inline int32_t FloorToInt(float v) {
    const int32_t t = static_cast<int32_t>(v);
    return t - (static_cast<float>(t) > v ? 1 : 0);
}

// Keeps huge coordinates from overflowing the texel arithmetic (a coordinate times a level's
// width must stay far inside int range): any value this far out addresses like one a whole,
// even number of repeats nearer. Non-finite ones read the first texel.
inline float Tame(float v) {
    constexpr float kLimit = 65536.0f;
    if (!(v > -kLimit && v < kLimit)) [[unlikely]] {
        return std::isfinite(v) ? std::fmod(v, kLimit) : 0.0f;
    }
    return v;
}

template <TextureFormat F>
bool SampleLevel(const Texture& t, const SamplerState& s, const TextureLevel& level, bool linear, float u, float v,
                 ColorF& out) {
    const float x = Tame(u) * static_cast<float>(level.width);
    const float y = Tame(v) * static_cast<float>(level.height);
    if (!linear) {
        const int32_t i = Address(FloorToInt(x), level.width, s.addressU);
        const int32_t j = Address(FloorToInt(y), level.height, s.addressV);
        const uint32_t raw = ReadRaw<F>(level, i, j);
        if (s.colourKey && raw == t.colourKey) {
            return false;
        }
        out = Decode<F>(raw);
        return true;
    }
    const float fx = x - 0.5f, fy = y - 0.5f;
    const int32_t i0 = FloorToInt(fx), j0 = FloorToInt(fy);
    const float ax = fx - static_cast<float>(i0), ay = fy - static_cast<float>(j0);
    const int32_t i[2] = {Address(i0, level.width, s.addressU), Address(i0 + 1, level.width, s.addressU)};
    const int32_t j[2] = {Address(j0, level.height, s.addressV), Address(j0 + 1, level.height, s.addressV)};
    const uint32_t raw[2][2] = {{ReadRaw<F>(level, i[0], j[0]), ReadRaw<F>(level, i[1], j[0])},
                                {ReadRaw<F>(level, i[0], j[1]), ReadRaw<F>(level, i[1], j[1])}};
    if (s.colourKey && raw[ay >= 0.5f][ax >= 0.5f] == t.colourKey) {
        return false;
    }
    // Weights in 1/256 steps, summed over whole channel values: one conversion per channel
    // instead of one per texel, within a 256th of the exact mix.
    const int32_t wx = static_cast<int32_t>(ax * 256.0f + 0.5f), wy = static_cast<int32_t>(ay * 256.0f + 0.5f);
    const int32_t weight[4] = {(256 - wx) * (256 - wy), wx * (256 - wy), (256 - wx) * wy, wx * wy};
    const uint32_t texels[4] = {raw[0][0], raw[0][1], raw[1][0], raw[1][1]};
    int32_t sum[4] = {0, 0, 0, 0};
    for (int k = 0; k < 4; ++k) {
        int32_t c[4];
        Channels<F>(texels[k], c);
        sum[0] += c[0] * weight[k];
        sum[1] += c[1] * weight[k];
        sum[2] += c[2] * weight[k];
        sum[3] += c[3] * weight[k];
    }
    constexpr ChannelScale kScale = Scale<F>();
    out = ColorF{static_cast<float>(sum[0]) * kScale.r, static_cast<float>(sum[1]) * kScale.g,
                 static_cast<float>(sum[2]) * kScale.b, static_cast<float>(sum[3]) * kScale.a};
    return true;
}

template <TextureFormat F>
bool Sample(const Texture& t, const SamplerState& s, float u, float v, float lod, ColorF& out) {
    const int last = t.levelCount - 1;
    const int base = static_cast<int>(std::min<uint32_t>(s.maxMipLevel, static_cast<uint32_t>(last)));
    lod += s.lodBias;
    if (!(lod > 0.0f)) {
        return SampleLevel<F>(t, s, t.levels[base], s.linearMag, u, v, out);
    }
    if (s.mipFilter == D3DTFP_POINT) {
        const int level = std::clamp(static_cast<int>(std::min(lod, 64.0f) + 0.5f), base, last);
        return SampleLevel<F>(t, s, t.levels[level], s.linearMin, u, v, out);
    }
    if (s.mipFilter != D3DTFP_LINEAR) {
        return SampleLevel<F>(t, s, t.levels[base], s.linearMin, u, v, out);
    }
    const float d = std::clamp(lod, static_cast<float>(base), static_cast<float>(last));
    const int l0 = static_cast<int>(d);
    const float f = d - static_cast<float>(l0);
    if (l0 >= last || f == 0.0f) {
        return SampleLevel<F>(t, s, t.levels[l0], s.linearMin, u, v, out);
    }
    ColorF c0, c1;
    // The nearer level decides whether colour keying discards the sample.
    const bool kept0 = SampleLevel<F>(t, s, t.levels[l0], s.linearMin, u, v, c0);
    const bool kept1 = SampleLevel<F>(t, s, t.levels[l0 + 1], s.linearMin, u, v, c1);
    if (!(f < 0.5f ? kept0 : kept1)) {
        return false;
    }
    if (!kept0) {
        c0 = c1;
    } else if (!kept1) {
        c1 = c0;
    }
    out = ColorF{c0.r + (c1.r - c0.r) * f, c0.g + (c1.g - c0.g) * f, c0.b + (c1.b - c0.b) * f,
                 c0.a + (c1.a - c0.a) * f};
    return true;
}

}  // namespace

ColorF DecodeTexel(TextureFormat format, uint32_t raw) {
    switch (format) {
    case TextureFormat::RGB565: return Decode<TextureFormat::RGB565>(raw);
    case TextureFormat::ARGB1555: return Decode<TextureFormat::ARGB1555>(raw);
    case TextureFormat::ARGB4444: return Decode<TextureFormat::ARGB4444>(raw);
    case TextureFormat::RGB555: return Decode<TextureFormat::RGB555>(raw);
    case TextureFormat::XRGB8888: return Decode<TextureFormat::XRGB8888>(raw);
    default: return Decode<TextureFormat::ARGB8888>(raw);
    }
}

float LevelOfDetail(float dudx, float dvdx, float dudy, float dvdy) {
    const float x = dudx * dudx + dvdx * dvdx;
    const float y = dudy * dudy + dvdy * dvdy;
    const float rho2 = std::max(x, y);
    if (!(rho2 > 0.0f)) {
        return -64.0f;
    }
    return 0.5f * DetailLog2(rho2);
}

bool SampleTexture(const Texture& t, const SamplerState& s, float u, float v, float lod, ColorF& out) {
    if (t.levelCount < 1) {
        out = ColorF{1.0f, 1.0f, 1.0f, 1.0f};
        return true;
    }
    switch (t.format) {
    case TextureFormat::RGB565: return Sample<TextureFormat::RGB565>(t, s, u, v, lod, out);
    case TextureFormat::ARGB1555: return Sample<TextureFormat::ARGB1555>(t, s, u, v, lod, out);
    case TextureFormat::ARGB4444: return Sample<TextureFormat::ARGB4444>(t, s, u, v, lod, out);
    case TextureFormat::RGB555: return Sample<TextureFormat::RGB555>(t, s, u, v, lod, out);
    case TextureFormat::XRGB8888: return Sample<TextureFormat::XRGB8888>(t, s, u, v, lod, out);
    default: return Sample<TextureFormat::ARGB8888>(t, s, u, v, lod, out);
    }
}

}  // namespace sys::raster
