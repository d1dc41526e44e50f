#pragma once

#include "assets/models/SClass.h"

// 4 x 4 float matrices as the renderer uses them: row-major (element [r][c] at 4r + c), applied
// to row vectors (p' = p . M), so a translation lies in elements 12, 13 and 14. Every function
// writes a whole matrix into the caller's 16 floats and returns them; none allocates.

// A streamable matrix: the sixteen floats as one 64-byte block.
class matrix16f_t : public sclass_t {
public:
    matrix16f_t();
    void Serialize(sstream_t* stream) override;

    float m[16];
};

float* MatrixZero(float* out);
float* MatrixIdentity(float* out);
float* MatrixRotateX(float* out, float a);
float* MatrixRotateY(float* out, float a);
float* MatrixRotateZ(float* out, float a);
float* MatrixTranslate(float* out, float x, float y, float z);
float* MatrixScale(float* out, float x, float y, float z);
// out = B . A: a point is carried by B first, then by A. out may be A or B.
float* MatrixMultiply(float* out, const float* a, const float* b);
