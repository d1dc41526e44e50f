#pragma once

#include <cstdint>
#include <cstring>

#include "sys/raster/texture.h"

// Texel layouts as the samplers read them: channel extraction and the scales back to 0..1,
// shared by the one-texel and the wide samplers so both compute the same values.
namespace sys::raster::texels {

template <TextureFormat F>
constexpr bool kWide = F == TextureFormat::XRGB8888 || F == TextureFormat::ARGB8888;

template <TextureFormat F>
inline ColorF Decode(uint32_t raw) {
    constexpr float k5 = 1.0f / 31.0f, k6 = 1.0f / 63.0f, k4 = 1.0f / 15.0f, k8 = 1.0f / 255.0f;
    if constexpr (F == TextureFormat::RGB565) {
        return ColorF{static_cast<float>((raw >> 11) & 31) * k5, static_cast<float>((raw >> 5) & 63) * k6,
                      static_cast<float>(raw & 31) * k5, 1.0f};
    } else if constexpr (F == TextureFormat::ARGB1555) {
        return ColorF{static_cast<float>((raw >> 10) & 31) * k5, static_cast<float>((raw >> 5) & 31) * k5,
                      static_cast<float>(raw & 31) * k5, (raw & 0x8000) != 0 ? 1.0f : 0.0f};
    } else if constexpr (F == TextureFormat::RGB555) {
        return ColorF{static_cast<float>((raw >> 10) & 31) * k5, static_cast<float>((raw >> 5) & 31) * k5,
                      static_cast<float>(raw & 31) * k5, 1.0f};
    } else if constexpr (F == TextureFormat::ARGB4444) {
        return ColorF{static_cast<float>((raw >> 8) & 15) * k4, static_cast<float>((raw >> 4) & 15) * k4,
                      static_cast<float>(raw & 15) * k4, static_cast<float>((raw >> 12) & 15) * k4};
    } else if constexpr (F == TextureFormat::XRGB8888) {
        return ColorF{static_cast<float>((raw >> 16) & 255) * k8, static_cast<float>((raw >> 8) & 255) * k8,
                      static_cast<float>(raw & 255) * k8, 1.0f};
    } else {
        return ColorF{static_cast<float>((raw >> 16) & 255) * k8, static_cast<float>((raw >> 8) & 255) * k8,
                      static_cast<float>(raw & 255) * k8, static_cast<float>(raw >> 24) * k8};
    }
}

// A texel's channels as whole numbers (red, green, blue, alpha), and what turns a sum of them
// weighted to 65536 back into 0..1.
template <TextureFormat F>
inline void Channels(uint32_t raw, int32_t* c) {
    if constexpr (F == TextureFormat::RGB565) {
        c[0] = static_cast<int32_t>(raw >> 11);
        c[1] = static_cast<int32_t>((raw >> 5) & 63);
        c[2] = static_cast<int32_t>(raw & 31);
        c[3] = 1;
    } else if constexpr (F == TextureFormat::ARGB1555 || F == TextureFormat::RGB555) {
        c[0] = static_cast<int32_t>((raw >> 10) & 31);
        c[1] = static_cast<int32_t>((raw >> 5) & 31);
        c[2] = static_cast<int32_t>(raw & 31);
        c[3] = F == TextureFormat::RGB555 ? 1 : static_cast<int32_t>(raw >> 15);
    } else if constexpr (F == TextureFormat::ARGB4444) {
        c[0] = static_cast<int32_t>((raw >> 8) & 15);
        c[1] = static_cast<int32_t>((raw >> 4) & 15);
        c[2] = static_cast<int32_t>(raw & 15);
        c[3] = static_cast<int32_t>(raw >> 12);
    } else {
        c[0] = static_cast<int32_t>((raw >> 16) & 255);
        c[1] = static_cast<int32_t>((raw >> 8) & 255);
        c[2] = static_cast<int32_t>(raw & 255);
        c[3] = F == TextureFormat::XRGB8888 ? 1 : static_cast<int32_t>(raw >> 24);
    }
}

struct ChannelScale {
    float r, g, b, a;
};

template <TextureFormat F>
constexpr ChannelScale Scale() {
    constexpr float kWeight = 1.0f / 65536.0f;
    switch (F) {
    case TextureFormat::RGB565: return {kWeight / 31, kWeight / 63, kWeight / 31, kWeight};
    case TextureFormat::ARGB1555: return {kWeight / 31, kWeight / 31, kWeight / 31, kWeight};
    case TextureFormat::RGB555: return {kWeight / 31, kWeight / 31, kWeight / 31, kWeight};
    case TextureFormat::ARGB4444: return {kWeight / 15, kWeight / 15, kWeight / 15, kWeight / 15};
    case TextureFormat::XRGB8888: return {kWeight / 255, kWeight / 255, kWeight / 255, kWeight};
    default: return {kWeight / 255, kWeight / 255, kWeight / 255, kWeight / 255};
    }
}

// The log2 of the level of detail, the same on every processor and in the wide loops: the
// exponent plus an odd series in t = (m - 1) / (m + 1) for the mantissa m brought into
// [sqrt(1/2), sqrt(2)], good to about 1e-7. For positive finite x.
constexpr float kSqrt2 = 1.41421356f;
constexpr float kTwoOverLn2 = 2.88539008f;

inline float DetailLog2(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    int32_t e = static_cast<int32_t>((bits >> 23) & 0xFF) - 127;
    const uint32_t mantissaBits = (bits & 0x7FFFFF) | 0x3F800000;
    float m;
    std::memcpy(&m, &mantissaBits, sizeof m);
    if (m > kSqrt2) {
        m = m * 0.5f;
        e = e + 1;
    }
    const float t = (m - 1.0f) / (m + 1.0f);
    const float t2 = t * t;
    float p = t2 * (1.0f / 9.0f) + (1.0f / 7.0f);
    p = p * t2 + 0.2f;
    p = p * t2 + (1.0f / 3.0f);
    p = p * t2 + 1.0f;
    return static_cast<float>(e) + (t * p) * kTwoOverLn2;
}

}  // namespace sys::raster::texels
