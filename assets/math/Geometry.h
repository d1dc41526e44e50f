#pragma once

#include <cstdint>

#include "assets/models/SClass.h"

// Planes and axis-aligned boxes: the tests the renderer runs many times a frame (box against
// plane, box through a matrix, segment against box) and the plane arithmetic of the BSP builder.

constexpr float kLargestFloat = 3.4028235e38f;
// Points closer to a plane than this lie on it.
constexpr float kPlaneEpsilon = 0.001f;

// A plane: points p with normal . p = distance. The type (0, 1, 2 for a normal exactly along
// +x, +y or +z, else 3) gives single-comparison tests; the sign bits (bit k for a negative
// component k) pick the nearest and farthest corners of a box. Streamed as 18 bytes.
class plane_t : public sclass_t {
public:
    plane_t();
    void Serialize(sstream_t* stream) override;
    // Sets the type and sign bits from the normal.
    void Classify();
    // Signed distance of a point; positive in front.
    float Distance(const float* p) const;

    float normal[3];
    float dist;
    uint8_t type;
    uint8_t signbits;
};

enum PlaneSideResult : int { kPointBack = -1, kPointOn = 0, kPointFront = 1 };
// Front (distance >= 0.001), back (<= -0.001) or on the plane.
int ClassifyPoint(const plane_t& plane, const float* p);

// The plane through a triangle, facing along (p1 - p0) x (p2 - p1). A degenerate triangle
// yields a non-finite plane.
void PlaneFromTriangle(plane_t& plane, const float* p0, const float* p1, const float* p2);

enum BoxSide : int { kBoxFront = 1, kBoxBack = 2, kBoxStraddles = 3 };

// An axis-aligned box, indexed as six floats: min x, y, z, max x, y, z. Streamed as 24 bytes.
class bboxf_t : public sclass_t {
public:
    bboxf_t();
    void Serialize(sstream_t* stream) override;
    // Empty: min at the largest float, max at its negative, so any point widens it.
    void Reset();
    void AddPoint(const float* p);
    void AddBox(const bboxf_t& other);
    // kBoxFront, kBoxBack or kBoxStraddles.
    int PlaneSide(const plane_t& plane) const;
    // Replaces the box by the axis-aligned box around its eight corners carried by the matrix.
    void Transform(const float* matrix);

    float v[6];
};

// Whether the segment P0-P1 may meet the box (it may also accept some segments that pass
// beside it; callers test triangles afterwards). With clip, P0 and P1 are shortened to the
// part inside.
bool SegmentIntersectsBox(const float* boxMin, const float* boxMax, float* p0, float* p1, bool clip);
