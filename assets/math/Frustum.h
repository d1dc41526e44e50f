#pragma once

#include <cstdint>

#include "assets/math/Geometry.h"

// The six planes of the view frustum, held by the rasteriser and rebuilt on every view change,
// with per-plane box-corner indices so a box test costs two dot products per plane. Planes 0
// and 1 are the sides, 2 and 3 the top and bottom, 4 the near and 5 the far plane.
struct frustum_t {
    // 16.16 fixed-point copy of a plane for integer paths, with the corner indices into a box's
    // six floats that lie farthest along (positive) and against (negative) the normal.
    struct fixedplane_t {
        int32_t normal[3];
        int32_t dist;
        int32_t positive[3];
        int32_t negative[3];
    };

    plane_t planes[6];
    fixedplane_t fixed[6];
    uint32_t mask = 0;  // bit i: plane i valid

    // fov in radians; view: the view matrix whose rows 0, 1, 2, 3 are right, up, forward and
    // the translation.
    void Setup(float fov, float aspect, const float* view, const float* eye, float nearDistance,
               float farDistance);
    // 0 when the box lies wholly outside one tested plane; else 1, with the bit of every plane
    // the box lies wholly inside cleared in clipMask so children can skip it.
    int CullBox(const bboxf_t& box, uint32_t& clipMask) const;
};
