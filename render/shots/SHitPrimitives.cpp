#include "render/shots/SHitPrimitives.h"

#include <cmath>

namespace {

template <typename T>
void Cross(const T* a, const T* b, T* out) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

template <typename T>
T Dot(const T* a, const T* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

template <typename T>
bool RayTriangle(const T* p, const T* d, const T* v0, const T* v1, const T* v2, T limit, T* t, T* u, T* v) {
    const T e1[3] = {v1[0] - v0[0], v1[1] - v0[1], v1[2] - v0[2]};
    const T e2[3] = {v2[0] - v0[0], v2[1] - v0[1], v2[2] - v0[2]};
    T pv[3];
    Cross(d, e2, pv);
    const T det = Dot(e1, pv);
    if (det > -limit && det < limit) {
        return false;
    }
    const T inv = static_cast<T>(static_cast<float>(1.0 / det));
    const T s[3] = {p[0] - v0[0], p[1] - v0[1], p[2] - v0[2]};
    *u = Dot(s, pv) * inv;
    if (*u < 0 || *u > 1) {
        return false;
    }
    T q[3];
    Cross(s, e1, q);
    *v = Dot(d, q) * inv;
    if (*v < 0 || *u + *v > 1) {
        return false;
    }
    *t = Dot(e2, q) * inv;
    return true;
}

}  // namespace

bool IntersectSegmentTriangle(const float* p, const float* d, const float* v0, const float* v1, const float* v2,
                              float* t, float* u, float* v) {
    return RayTriangle(p, d, v0, v1, v2, 1e-9f, t, u, v);
}

bool SegmentTriangleTree(const float* p, const float* d, const float* v0, const float* v1, const float* v2,
                         float* t, float* u, float* v) {
    return RayTriangle(p, d, v0, v1, v2, 0.001f, t, u, v);
}

bool IntersectSegmentTriangleD(const double* p, const double* d, const double* v0, const double* v1,
                               const double* v2, double* t, double* u, double* v) {
    return RayTriangle(p, d, v0, v1, v2, 1e-9, t, u, v);
}

bool IntersectSegmentCircle(float r, float* x, float* z) {
    const float dx = x[1] - x[0], dz = z[1] - z[0];
    const float a = dx * dx + dz * dz;
    if (a == 0.0f) {
        return false;  // a point has no crossing to find
    }
    const float b = dx * x[0] + dz * z[0];
    const float disc = 4.0f * b * b - 4.0f * a * (x[0] * x[0] + z[0] * z[0] - r * r);
    if (disc < 0.0f) {
        return false;
    }
    const float root = std::sqrt(disc);
    const float t1 = (-2.0f * b + root) / (2.0f * a);
    const float t2 = (-2.0f * b - root) / (2.0f * a);
    float t = 0.0f;
    if (t1 >= 0.0f && t1 <= 1.0f) {
        t = t2 > 0.0f && t2 <= 1.0f && t2 <= t1 ? t2 : t1;
    } else if (t2 > 0.0f && t2 <= 1.0f) {
        t = t2;
    } else {
        return false;
    }
    x[0] += t * dx;
    z[0] += t * dz;
    return true;
}

bool SegmentSegment2D(float* x, float* z) {
    const float g = std::atan2(z[2] - z[3], x[2] - x[3]);
    const float cg = std::cos(g), sg = std::sin(g);
    auto along = [&](int i) { return cg * (x[i] - x[3]) + sg * (z[i] - z[3]); };
    auto across = [&](int i) { return -sg * (x[i] - x[3]) + cg * (z[i] - z[3]); };
    const float y0 = across(0), y1 = across(1);
    if (y0 * y1 > 1e-7f || y0 == y1) {
        return false;
    }
    const float x0 = along(0), x1 = along(1);
    const float cross = x0 - (x1 - x0) * y0 / (y1 - y0);
    if (cross < 0.0f || cross > along(2)) {
        return false;
    }
    x[0] = x[3] + cross * cg;
    z[0] = z[3] + cross * sg;
    return true;
}

void TriangleTexCoord(const float* v0, const float* v1, const float* v2, const float* p, const float* uv0,
                      const float* uv1, const float* uv2, float* uv) {
    const float e1[3] = {v1[0] - v0[0], v1[1] - v0[1], v1[2] - v0[2]};
    const float e2[3] = {v2[0] - v0[0], v2[1] - v0[1], v2[2] - v0[2]};
    const float q[3] = {p[0] - v0[0], p[1] - v0[1], p[2] - v0[2]};
    float n[3];
    Cross(e1, e2, n);
    // q = a e1 + b e2 + c n, solved by Cramer's rule; c is 0 for a point in the plane.
    float c2n[3], cn1[3];
    Cross(e2, n, c2n);
    Cross(n, e1, cn1);
    const float det = Dot(e1, c2n);
    if (det == 0.0f) {
        uv[0] = uv0[0], uv[1] = uv0[1];
        return;
    }
    const float a = Dot(q, c2n) / det;
    const float b = Dot(q, cn1) / det;
    uv[0] = uv0[0] + a * (uv1[0] - uv0[0]) + b * (uv2[0] - uv0[0]);
    uv[1] = uv0[1] + a * (uv1[1] - uv0[1]) + b * (uv2[1] - uv0[1]);
}

bool PointSegmentDistance(const float* p, const float* d, float* t, float* distance2) {
    const float len2 = Dot(d, d);
    if (len2 == 0.0f) {
        return false;
    }
    *t = Dot(p, d) / len2;
    if (*t < 0.0f || *t > 1.0f) {
        return false;
    }
    const float r[3] = {p[0] - *t * d[0], p[1] - *t * d[1], p[2] - *t * d[2]};
    *distance2 = Dot(r, r);
    return true;
}
