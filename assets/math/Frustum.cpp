#include "assets/math/Frustum.h"

#include <cmath>

namespace {

float Dot(const float* a, const float* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void SetPlane(plane_t& plane, float a, const float* u, float b, const float* w, const float* point) {
    for (int k = 0; k < 3; ++k)
        plane.normal[k] = a * u[k] + b * w[k];
    plane.dist = Dot(plane.normal, point);
}

int32_t ToFixed(float value) {
    return static_cast<int32_t>(value * 65536.0f);
}

}  // namespace

void frustum_t::Setup(float fov, float aspect, const float* view, const float* eye, float nearDistance,
                      float farDistance) {
    const float* right = view;
    const float* up = view + 4;
    const float* forward = view + 8;
    const float* translation = view + 12;
    mask = 0;

    float point[3];
    for (int k = 0; k < 3; ++k)
        point[k] = nearDistance * forward[k] + translation[k];
    for (int k = 0; k < 3; ++k)
        planes[4].normal[k] = forward[k];
    planes[4].dist = Dot(planes[4].normal, point);
    mask |= 1u << 4;

    for (int k = 0; k < 3; ++k) {
        point[k] = farDistance * forward[k] + translation[k];
        planes[5].normal[k] = -forward[k];
    }
    planes[5].dist = Dot(planes[5].normal, point);
    mask |= 1u << 5;

    const float h = fov * 0.5f;
    const float c = std::cos(h);
    const float s = std::sin(h);
    SetPlane(planes[0], s, forward, c, right, eye);
    SetPlane(planes[1], s, forward, -c, right, eye);
    mask |= 3u;

    const float vertical = std::atan2(std::tan(h) / aspect, 1.0f);
    const float cv = std::cos(vertical);
    const float sv = std::sin(vertical);
    SetPlane(planes[2], sv, forward, cv, up, eye);
    SetPlane(planes[3], sv, forward, -cv, up, eye);
    mask |= 3u << 2;

    for (int i = 0; i < 6; ++i) {
        if ((mask & (1u << i)) == 0)
            continue;
        plane_t& plane = planes[i];
        fixedplane_t& f = fixed[i];
        for (int k = 0; k < 3; ++k)
            f.normal[k] = ToFixed(plane.normal[k]);
        f.dist = ToFixed(plane.dist);
        plane.Classify();
        for (int k = 0; k < 3; ++k) {
            if (plane.normal[k] >= 0.0f) {
                f.positive[k] = k + 3;
                f.negative[k] = k;
            } else {
                f.positive[k] = k;
                f.negative[k] = k + 3;
            }
        }
    }
}

int frustum_t::CullBox(const bboxf_t& box, uint32_t& clipMask) const {
    if (clipMask == 0)
        return 1;
    for (int i = 0; i < 6; ++i) {
        const uint32_t bit = 1u << i;
        if ((mask & bit) == 0 || (clipMask & bit) == 0)
            continue;
        const plane_t& plane = planes[i];
        const fixedplane_t& f = fixed[i];
        const float p[3] = {box.v[f.positive[0]], box.v[f.positive[1]], box.v[f.positive[2]]};
        if (Dot(plane.normal, p) - plane.dist <= 0.0f)
            return 0;
        const float n[3] = {box.v[f.negative[0]], box.v[f.negative[1]], box.v[f.negative[2]]};
        if (Dot(plane.normal, n) - plane.dist >= 0.0f)
            clipMask &= ~bit;
    }
    return 1;
}
