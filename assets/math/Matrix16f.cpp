#include "assets/math/Matrix16f.h"

#include <cmath>
#include <cstring>

matrix16f_t::matrix16f_t() {
    MatrixZero(m);
}

void matrix16f_t::Serialize(sstream_t* stream) {
    StreamTransfer(stream, m, sizeof(m));
}

float* MatrixZero(float* out) {
    for (int i = 0; i < 16; ++i)
        out[i] = 0.0f;
    return out;
}

float* MatrixIdentity(float* out) {
    MatrixZero(out);
    out[0] = out[5] = out[10] = out[15] = 1.0f;
    return out;
}

float* MatrixRotateX(float* out, float a) {
    MatrixIdentity(out);
    const float c = std::cos(a);
    const float s = std::sin(a);
    out[5] = c;
    out[6] = -s;
    out[9] = s;
    out[10] = c;
    return out;
}

float* MatrixRotateY(float* out, float a) {
    MatrixIdentity(out);
    const float c = std::cos(a);
    const float s = std::sin(a);
    out[0] = c;
    out[2] = s;
    out[8] = -s;
    out[10] = c;
    return out;
}

float* MatrixRotateZ(float* out, float a) {
    MatrixIdentity(out);
    const float c = std::cos(a);
    const float s = std::sin(a);
    out[0] = c;
    out[1] = -s;
    out[4] = s;
    out[5] = c;
    return out;
}

float* MatrixTranslate(float* out, float x, float y, float z) {
    MatrixIdentity(out);
    out[12] = x;
    out[13] = y;
    out[14] = z;
    return out;
}

float* MatrixScale(float* out, float x, float y, float z) {
    MatrixIdentity(out);
    out[0] = x;
    out[5] = y;
    out[10] = z;
    return out;
}

float* MatrixMultiply(float* out, const float* a, const float* b) {
    float product[16];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += b[4 * i + k] * a[4 * k + j];
            product[4 * i + j] = sum;
        }
    }
    std::memcpy(out, product, sizeof(product));
    return out;
}
