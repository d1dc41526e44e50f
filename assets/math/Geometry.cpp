#include "assets/math/Geometry.h"

#include <cmath>
#include <cstring>

namespace {

float Dot(const float* a, const float* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// The type tests compare the stored bits with those of 1.0, so -1.0 on an axis is no axis type.
bool IsExactlyOne(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits == 0x3F800000u;
}

}  // namespace

plane_t::plane_t() : normal{0.0f, 0.0f, 0.0f}, dist(0.0f), type(0xFF), signbits(0) {}

void plane_t::Serialize(sstream_t* stream) {
    StreamTransfer(stream, &normal[0], 4);
    StreamTransfer(stream, &normal[1], 4);
    StreamTransfer(stream, &normal[2], 4);
    StreamTransfer(stream, &dist, 4);
    StreamTransfer(stream, &type, 1);
    StreamTransfer(stream, &signbits, 1);
}

void plane_t::Classify() {
    if (IsExactlyOne(normal[0]))
        type = 0;
    else if (IsExactlyOne(normal[1]))
        type = 1;
    else if (IsExactlyOne(normal[2]))
        type = 2;
    else
        type = 3;
    signbits = 0;
    for (int k = 0; k < 3; ++k) {
        if (normal[k] < 0.0f)
            signbits |= static_cast<uint8_t>(1u << k);
    }
}

float plane_t::Distance(const float* p) const {
    if (type < 3)
        return p[type] - dist;
    return Dot(normal, p) - dist;
}

int ClassifyPoint(const plane_t& plane, const float* p) {
    const float d = plane.Distance(p);
    if (d >= kPlaneEpsilon)
        return kPointFront;
    if (d <= -kPlaneEpsilon)
        return kPointBack;
    return kPointOn;
}

void PlaneFromTriangle(plane_t& plane, const float* p0, const float* p1, const float* p2) {
    const float a[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const float b[3] = {p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
    float n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    const float scale = 1.0f / std::sqrt(Dot(n, n));
    for (int k = 0; k < 3; ++k)
        plane.normal[k] = n[k] * scale;
    plane.dist = Dot(plane.normal, p0);
    plane.Classify();
}

bboxf_t::bboxf_t() : v{0, 0, 0, 0, 0, 0} {}

void bboxf_t::Serialize(sstream_t* stream) {
    for (float& value : v)
        StreamTransfer(stream, &value, 4);
}

void bboxf_t::Reset() {
    for (int k = 0; k < 3; ++k) {
        v[k] = kLargestFloat;
        v[k + 3] = -kLargestFloat;
    }
}

void bboxf_t::AddPoint(const float* p) {
    for (int k = 0; k < 3; ++k) {
        if (p[k] < v[k])
            v[k] = p[k];
        if (p[k] > v[k + 3])
            v[k + 3] = p[k];
    }
}

void bboxf_t::AddBox(const bboxf_t& other) {
    for (int k = 0; k < 3; ++k) {
        if (other.v[k] < v[k])
            v[k] = other.v[k];
        if (other.v[k + 3] > v[k + 3])
            v[k + 3] = other.v[k + 3];
    }
}

int bboxf_t::PlaneSide(const plane_t& plane) const {
    if (plane.type < 3) {
        const int a = plane.type;
        if (plane.dist <= v[a])
            return kBoxFront;
        if (plane.dist >= v[a + 3])
            return kBoxBack;
        return kBoxStraddles;
    }
    float nearCorner[3];
    float farCorner[3];
    for (int k = 0; k < 3; ++k) {
        const bool negative = (plane.signbits & (1u << k)) != 0;
        nearCorner[k] = negative ? v[k] : v[k + 3];
        farCorner[k] = negative ? v[k + 3] : v[k];
    }
    const float d1 = Dot(plane.normal, nearCorner);
    const float d2 = Dot(plane.normal, farCorner);
    int side = 0;
    if (d1 >= plane.dist)
        side |= kBoxFront;
    if (d2 < plane.dist)
        side |= kBoxBack;
    return side;
}

void bboxf_t::Transform(const float* m) {
    float corner0[3];
    for (int j = 0; j < 3; ++j)
        corner0[j] = v[0] * m[j] + v[1] * m[4 + j] + v[2] * m[8 + j] + m[12 + j];
    float edges[3][3];
    for (int axis = 0; axis < 3; ++axis) {
        const float length = v[axis + 3] - v[axis];
        for (int j = 0; j < 3; ++j)
            edges[axis][j] = length * m[4 * axis + j];
    }
    Reset();
    for (int combination = 0; combination < 8; ++combination) {
        float corner[3] = {corner0[0], corner0[1], corner0[2]};
        for (int axis = 0; axis < 3; ++axis) {
            if (combination & (1 << axis)) {
                for (int j = 0; j < 3; ++j)
                    corner[j] += edges[axis][j];
            }
        }
        AddPoint(corner);
    }
}

bool SegmentIntersectsBox(const float* boxMin, const float* boxMax, float* p0, float* p1, bool clip) {
    float t0 = 0.0f;
    float t1 = 1.0f;
    const float d[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    // Each face sets t0 or t1 outright, as the renderer's hit test has always done.
    auto face = [&](float q, float e) {
        if (e > 0.0f) {
            t0 = q / e;
            return !(t0 > t1);
        }
        if (e < 0.0f) {
            t1 = q / e;
            return !(t1 < t0);
        }
        return !(q > 0.0f);
    };
    for (int k = 0; k < 3; ++k) {
        if (!face(boxMin[k] - p0[k], d[k]))
            return false;
        if (!face(p0[k] - boxMax[k], -d[k]))
            return false;
    }
    if (clip) {
        if (t1 < 1.0f) {
            for (int k = 0; k < 3; ++k)
                p1[k] = p0[k] + t1 * d[k];
        }
        if (t0 > 0.0f) {
            for (int k = 0; k < 3; ++k)
                p0[k] = p0[k] + t0 * d[k];
        }
    }
    return true;
}
