#pragma once

#include <cstdint>

#include "sys/raster/rasterizer.h"

// Eight-pixel-wide versions of the rasterizer's plain Gouraud span, for processors with AVX2
// (chosen at run time; the build assumes nothing past the x86-64 baseline). They compute
// exactly what the one-pixel loop computes, in the same order, so images do not change with
// the processor. Used by the span loops only.
namespace sys::raster::simd {

// Whether the wide loops can run here (and have not been switched off).
bool Available();
// Switches the wide loops off or back on (when the processor has them), so tests can compare
// them with the one-pixel loops.
void Enable(bool on);

// Fills the pixels first, first + 8, ... of a plain Gouraud row in whole groups of eight, as
// the one-pixel loop would with offsets counted from `first`. Returns how many pixels it went
// over (a multiple of 8); the caller finishes the rest. `written` grows by the pixels stored.
int64_t GouraudSpan(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y,
                    const float* rowStart, const float* stepX, float constantQ, bool rgb565, bool perspective,
                    uint64_t& written);

}  // namespace sys::raster::simd
