#pragma once

// A benchmark case's label: the processor path the software device drew with
// (TARVEX_RASTER_ISA forces one) and its band thread count.

#include <string>

#include "sys/d3d/d3d.h"
#include "sys/raster/raster_spans_simd.h"

inline std::string RasterPathLabel(sys::d3d::IDirect3DDevice3* device) {
    const int threads = device->RasterThreads();
    return std::string(sys::raster::simd::IsaName(sys::raster::simd::ActiveIsa())) + ", " + std::to_string(threads) +
           (threads == 1 ? " thread" : " threads");
}
