#pragma once

#include <cstdint>

#include "sys/raster/raster_types.h"

// Homogeneous clipping of triangles and line segments against the view volume, before the
// divide by w. The rasterizer folds the viewport's clip window into its matrix, so the volume
// here is always -w <= x <= w, -w <= y <= w, 0 <= z <= w, plus a guard plane w >= kMinimumW
// that keeps every vertex that reaches the divide strictly in front of the eye, whatever
// projection matrix the caller set. Used by the rasterizer only.
namespace sys::raster {

// Plain data without initialisers: polygons hold a dozen of these per triangle drawn.
struct ClipVertex {
    float x;
    float y;
    float z;
    float w;
    float attributes[kAttributeCount];
};

constexpr float kMinimumW = 1.0e-5f;

// Outcode bits: one per plane the vertex lies outside; kClipInvalid for a vertex that has a
// non-finite coordinate (such a vertex makes its primitive disappear).
constexpr uint32_t kClipGuard = 0x01;
constexpr uint32_t kClipNear = 0x02;
constexpr uint32_t kClipFar = 0x04;
constexpr uint32_t kClipLeft = 0x08;
constexpr uint32_t kClipRight = 0x10;
constexpr uint32_t kClipBottom = 0x20;
constexpr uint32_t kClipTop = 0x40;
constexpr uint32_t kClipInvalid = 0x80;
constexpr int kClipPlaneCount = 7;

uint32_t ClipCode(const ClipVertex& vertex);

// A convex polygon with one flag per edge: edge[i] (from v[i] to v[i + 1]) is true when it
// lies on an edge of the original triangle, false when a clip plane made it. Wireframe fill
// draws only the true ones.
struct ClipPolygon {
    static constexpr int kCapacity = 3 + kClipPlaneCount + 2;
    int count = 0;
    ClipVertex v[kCapacity];
    bool edge[kCapacity];
};

// Clips `polygon` against the planes whose bits are set in `planes`. Returns false when
// nothing is left. New vertices are always interpolated from the inside end of an edge
// towards the outside one, so two triangles that share an edge get bit-identical vertices
// where a plane cuts it, and no crack opens between them.
bool ClipPolygonToVolume(ClipPolygon& polygon, uint32_t planes);

// Clips the segment a-b; returns false when nothing is left.
bool ClipSegmentToVolume(ClipVertex& a, ClipVertex& b, uint32_t planes);

}  // namespace sys::raster
