#pragma once

// The geometric tests a shot is resolved with: segment against triangle (in float with two
// determinant limits, and a double twin), segment against a circle and against another
// segment on the ground plane, a point's texture coordinate on a triangle, and a point's
// distance from a segment. Points are three floats x, y, z unless said otherwise.

// A ray from p along d against the triangle v0, v1, v2 (both faces). False when the triangle is
// seen edge-on (|det| below 1e-9) or missed; u and v are written as soon as each is known, t
// only on a hit. The sign and range of t are the caller's to judge.
bool IntersectSegmentTriangle(const float* p, const float* d, const float* v0, const float* v1, const float* v2,
                              float* t, float* u, float* v);
// The same with the looser determinant limit 0.001 that the BSP path uses.
bool SegmentTriangleTree(const float* p, const float* d, const float* v0, const float* v1, const float* v2,
                         float* t, float* u, float* v);
bool IntersectSegmentTriangleD(const double* p, const double* d, const double* v0, const double* v1,
                               const double* v2, double* t, double* u, double* v);

// The segment (x[0], z[0])-(x[1], z[1]) against the circle of radius r about the origin. On a
// hit the nearer crossing inside the segment replaces (x[0], z[0]).
bool IntersectSegmentCircle(float r, float* x, float* z);

// The ground segment P0-P1 against Q0-Q1, coordinates given as x = (P0, P1, Q1, Q0) and
// z likewise. On a hit the crossing point replaces P0 (x[0], z[0]).
bool SegmentSegment2D(float* x, float* z);

// The texture coordinate at p, a point in the plane of v0, v1, v2 whose corners carry uv0,
// uv1, uv2 (two floats each).
void TriangleTexCoord(const float* v0, const float* v1, const float* v2, const float* p, const float* uv0,
                      const float* uv1, const float* uv2, float* uv);

// Where the point p (relative to the segment's start) projects onto the segment d: false for a
// zero-length segment or a projection outside it; else its parameter and squared distance.
bool PointSegmentDistance(const float* p, const float* d, float* t, float* distance2);
