#include <algorithm>
#include <cmath>
#include <cstring>

#include "sys/raster/texture.h"

namespace sys::raster {

namespace {

uint32_t ReadRaw(const TextureFormat format, const TextureLevel& level, int32_t x, int32_t y) {
    const uint8_t* row = level.pixels + static_cast<std::ptrdiff_t>(y) * level.pitch;
    if (format == TextureFormat::XRGB8888 || format == TextureFormat::ARGB8888) {
        uint32_t v;
        std::memcpy(&v, row + static_cast<std::ptrdiff_t>(x) * 4, 4);
        return v;
    }
    uint16_t v;
    std::memcpy(&v, row + static_cast<std::ptrdiff_t>(x) * 2, 2);
    return v;
}

// A texel index brought inside 0..size-1 by the address mode.
int32_t Address(int32_t i, int32_t size, uint32_t mode) {
    switch (mode) {
    case D3DTADDRESS_CLAMP:
    case D3DTADDRESS_BORDER: return std::clamp(i, 0, size - 1);
    case D3DTADDRESS_MIRROR: {
        int32_t m = i % (2 * size);
        if (m < 0) {
            m += 2 * size;
        }
        return m < size ? m : 2 * size - 1 - m;
    }
    default: {
        int32_t m = i % size;
        return m < 0 ? m + size : m;
    }
    }
}

// Floor for the texel coordinates, which stay far inside int range after the clamp below.
int32_t FloorToInt(float v) {
    const int32_t t = static_cast<int32_t>(v);
    return t - (static_cast<float>(t) > v ? 1 : 0);
}

// Keeps huge or non-finite coordinates from overflowing the texel arithmetic; any value this
// far out addresses like one a whole number of periods nearer.
float Tame(float v) {
    constexpr float kLimit = 1048576.0f;
    if (!(v > -kLimit && v < kLimit)) {
        return std::isnan(v) ? 0.0f : std::fmod(v, kLimit);
    }
    return v;
}

bool SampleLevel(const Texture& t, const SamplerState& s, const TextureLevel& level, bool linear, float u, float v,
                 ColorF& out) {
    const float x = Tame(u) * static_cast<float>(level.width);
    const float y = Tame(v) * static_cast<float>(level.height);
    if (!linear) {
        const int32_t i = Address(FloorToInt(x), level.width, s.addressU);
        const int32_t j = Address(FloorToInt(y), level.height, s.addressV);
        const uint32_t raw = ReadRaw(t.format, level, i, j);
        if (s.colourKey && raw == t.colourKey) {
            return false;
        }
        out = DecodeTexel(t.format, raw);
        return true;
    }
    const float fx = x - 0.5f, fy = y - 0.5f;
    const int32_t i0 = FloorToInt(fx), j0 = FloorToInt(fy);
    const float ax = fx - static_cast<float>(i0), ay = fy - static_cast<float>(j0);
    const int32_t i[2] = {Address(i0, level.width, s.addressU), Address(i0 + 1, level.width, s.addressU)};
    const int32_t j[2] = {Address(j0, level.height, s.addressV), Address(j0 + 1, level.height, s.addressV)};
    uint32_t raw[2][2];
    for (int b = 0; b < 2; ++b) {
        for (int a = 0; a < 2; ++a) {
            raw[b][a] = ReadRaw(t.format, level, i[a], j[b]);
        }
    }
    if (s.colourKey && raw[ay >= 0.5f][ax >= 0.5f] == t.colourKey) {
        return false;
    }
    const float weight[2][2] = {{(1 - ax) * (1 - ay), ax * (1 - ay)}, {(1 - ax) * ay, ax * ay}};
    ColorF sum;
    for (int b = 0; b < 2; ++b) {
        for (int a = 0; a < 2; ++a) {
            const ColorF c = DecodeTexel(t.format, raw[b][a]);
            sum.r += c.r * weight[b][a];
            sum.g += c.g * weight[b][a];
            sum.b += c.b * weight[b][a];
            sum.a += c.a * weight[b][a];
        }
    }
    out = sum;
    return true;
}

}  // namespace

ColorF DecodeTexel(TextureFormat format, uint32_t raw) {
    switch (format) {
    case TextureFormat::RGB565:
        return ColorF{static_cast<float>((raw >> 11) & 31) / 31.0f, static_cast<float>((raw >> 5) & 63) / 63.0f,
                      static_cast<float>(raw & 31) / 31.0f, 1.0f};
    case TextureFormat::ARGB1555:
        return ColorF{static_cast<float>((raw >> 10) & 31) / 31.0f, static_cast<float>((raw >> 5) & 31) / 31.0f,
                      static_cast<float>(raw & 31) / 31.0f, (raw & 0x8000) != 0 ? 1.0f : 0.0f};
    case TextureFormat::RGB555:
        return ColorF{static_cast<float>((raw >> 10) & 31) / 31.0f, static_cast<float>((raw >> 5) & 31) / 31.0f,
                      static_cast<float>(raw & 31) / 31.0f, 1.0f};
    case TextureFormat::ARGB4444:
        return ColorF{static_cast<float>((raw >> 8) & 15) / 15.0f, static_cast<float>((raw >> 4) & 15) / 15.0f,
                      static_cast<float>(raw & 15) / 15.0f, static_cast<float>((raw >> 12) & 15) / 15.0f};
    case TextureFormat::XRGB8888:
        return ColorF{static_cast<float>((raw >> 16) & 255) / 255.0f, static_cast<float>((raw >> 8) & 255) / 255.0f,
                      static_cast<float>(raw & 255) / 255.0f, 1.0f};
    case TextureFormat::ARGB8888:
    default:
        return ColorF{static_cast<float>((raw >> 16) & 255) / 255.0f, static_cast<float>((raw >> 8) & 255) / 255.0f,
                      static_cast<float>(raw & 255) / 255.0f, static_cast<float>(raw >> 24) / 255.0f};
    }
}

float LevelOfDetail(float dudx, float dvdx, float dudy, float dvdy) {
    const float x = dudx * dudx + dvdx * dvdx;
    const float y = dudy * dudy + dvdy * dvdy;
    const float rho2 = std::max(x, y);
    if (!(rho2 > 0.0f)) {
        return -64.0f;
    }
    return 0.5f * std::log2(rho2);
}

bool SampleTexture(const Texture& t, const SamplerState& s, float u, float v, float lod, ColorF& out) {
    if (t.levelCount < 1) {
        out = ColorF{1.0f, 1.0f, 1.0f, 1.0f};
        return true;
    }
    const int last = t.levelCount - 1;
    const int base = static_cast<int>(std::min<uint32_t>(s.maxMipLevel, static_cast<uint32_t>(last)));
    lod += s.lodBias;
    if (!(lod > 0.0f)) {
        return SampleLevel(t, s, t.levels[base], s.linearMag, u, v, out);
    }
    if (s.mipFilter == D3DTFP_POINT) {
        const int level = std::clamp(static_cast<int>(std::min(lod, 64.0f) + 0.5f), base, last);
        return SampleLevel(t, s, t.levels[level], s.linearMin, u, v, out);
    }
    if (s.mipFilter != D3DTFP_LINEAR) {
        return SampleLevel(t, s, t.levels[base], s.linearMin, u, v, out);
    }
    const float d = std::clamp(lod, static_cast<float>(base), static_cast<float>(last));
    const int l0 = static_cast<int>(d);
    const float f = d - static_cast<float>(l0);
    if (l0 >= last || f == 0.0f) {
        return SampleLevel(t, s, t.levels[l0], s.linearMin, u, v, out);
    }
    ColorF c0, c1;
    // The nearer level decides whether colour keying discards the sample.
    const bool kept0 = SampleLevel(t, s, t.levels[l0], s.linearMin, u, v, c0);
    const bool kept1 = SampleLevel(t, s, t.levels[l0 + 1], s.linearMin, u, v, c1);
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

}  // namespace sys::raster
