#pragma once

#include <cstdint>

#include "sys/raster/raster_types.h"

// Colour to pixel conversion for the rasterizer's targets, with the 4x4 ordered dither used on
// 16-bit targets. Shared by fills and clears.
namespace sys::raster {

// Thresholds (b + 0.5) / 16 of the classic 4x4 Bayer matrix, by (y & 3, x & 3). Averaged over
// the cell, floor(v + t) gives back v exactly, so dithered gradients keep their mean.
inline float DitherThreshold(int32_t x, int32_t y) {
    static constexpr float kThreshold[4][4] = {
        {0.5f / 16, 8.5f / 16, 2.5f / 16, 10.5f / 16},
        {12.5f / 16, 4.5f / 16, 14.5f / 16, 6.5f / 16},
        {3.5f / 16, 11.5f / 16, 1.5f / 16, 9.5f / 16},
        {15.5f / 16, 7.5f / 16, 13.5f / 16, 5.5f / 16}};
    return kThreshold[y & 3][x & 3];
}

// Clamps to 0..1; NaN becomes 0, so no conversion below ever sees it.
inline float Saturate(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

// Quantises a 0..1 channel to `levels` - 1 steps with threshold t in [0, 1).
inline uint32_t Quantise(float v, float levels, float t) {
    return static_cast<uint32_t>(Saturate(v) * levels + t);
}

inline uint16_t PackRGB565(const ColorF& c, float t) {
    return static_cast<uint16_t>((Quantise(c.r, 31.0f, t) << 11) |
                                 (Quantise(c.g, 63.0f, t) << 5) | Quantise(c.b, 31.0f, t));
}

inline uint32_t PackXRGB8888(const ColorF& c) {
    return (Quantise(c.r, 255.0f, 0.5f) << 16) | (Quantise(c.g, 255.0f, 0.5f) << 8) |
           Quantise(c.b, 255.0f, 0.5f);
}

inline ColorF UnpackARGB(uint32_t argb) {
    constexpr float kScale = 1.0f / 255.0f;
    return ColorF{static_cast<float>((argb >> 16) & 0xFFu) * kScale,
                  static_cast<float>((argb >> 8) & 0xFFu) * kScale,
                  static_cast<float>(argb & 0xFFu) * kScale,
                  static_cast<float>(argb >> 24) * kScale};
}

// z (0..1) as a z-buffer value, nearest step.
inline uint32_t DepthValue(float z) {
    return static_cast<uint32_t>(Saturate(z) * 65535.0f + 0.5f);
}

inline bool DepthCompare(uint32_t func, uint32_t incoming, uint32_t stored) {
    switch (func) {
    case D3DCMP_NEVER: return false;
    case D3DCMP_LESS: return incoming < stored;
    case D3DCMP_EQUAL: return incoming == stored;
    case D3DCMP_LESSEQUAL: return incoming <= stored;
    case D3DCMP_GREATER: return incoming > stored;
    case D3DCMP_NOTEQUAL: return incoming != stored;
    case D3DCMP_GREATEREQUAL: return incoming >= stored;
    default: return true;
    }
}

}  // namespace sys::raster
