#include "core/SMatrix.h"

#include <cmath>

IMPLEMENT_SERIAL(SMatrix, CObject, 1)

namespace {

constexpr float kEulerFactor = 57.272728f;
constexpr float kNearlyZero = 0.00001f;

}  // namespace

SMatrix::SMatrix() { Identity(); }

SMatrix::SMatrix(const SVector& v)
    : SMatrix(0.0f, -v.z, v.y, 0.0f,  //
              v.z, 0.0f, -v.x, 0.0f,  //
              -v.y, v.x, 0.0f, 0.0f,  //
              0.0f, 0.0f, 0.0f, 0.0f) {}

SMatrix::SMatrix(float m00, float m01, float m02, float m03, float m10, float m11, float m12,
                 float m13, float m20, float m21, float m22, float m23, float m30, float m31,
                 float m32, float m33)
    : m{{m00, m01, m02, m03}, {m10, m11, m12, m13}, {m20, m21, m22, m23}, {m30, m31, m32, m33}} {}

void SMatrix::Zero() {
    for (auto& row : m) {
        for (float& value : row) {
            value = 0.0f;
        }
    }
}

void SMatrix::Identity() {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            m[r][c] = r == c ? 1.0f : 0.0f;
        }
    }
}

void SMatrix::RotateX(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    for (auto& row : m) {
        const float a = row[1], b = row[2];
        row[1] = c * a - s * b;
        row[2] = s * a + c * b;
    }
}

void SMatrix::RotateY(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    for (auto& row : m) {
        const float a = row[0], b = row[2];
        row[0] = c * a + s * b;
        row[2] = c * b - s * a;
    }
}

void SMatrix::RotateZ(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    for (auto& row : m) {
        const float a = row[0], b = row[1];
        row[0] = c * a - s * b;
        row[1] = s * a + c * b;
    }
}

void SMatrix::Translate(float x, float y, float z) {
    m[3][0] += x;
    m[3][1] += y;
    m[3][2] += z;
}

void SMatrix::MultiplyAdd(const SMatrix& a, const SMatrix& b) {
    // The product is formed apart first: accumulating straight into this matrix would feed
    // half-updated values back in whenever it is also one of the operands.
    float product[4][4];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += b.m[i][k] * a.m[k][j];
            }
            product[i][j] = sum;
        }
    }
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m[i][j] += product[i][j];
        }
    }
}

void SMatrix::Transpose() {
    for (int r = 0; r < 4; ++r) {
        for (int c = r + 1; c < 4; ++c) {
            const float t = m[r][c];
            m[r][c] = m[c][r];
            m[c][r] = t;
        }
    }
}

SVector SMatrix::ToEulerAngles() const {
    const float d = m[2][2];
    const float b = -m[0][2];
    float p, q, r, t;
    if (std::fabs(d) <= kNearlyZero) {
        p = -m[2][1];
        q = m[1][1];
        r = 0.0f;
        t = 1.0f;
    } else {
        p = m[1][2] / d;
        q = m[2][2] / d;
        r = m[0][1] / d;
        t = m[0][0] / d;
    }
    return SVector(std::atan2(p, q) * kEulerFactor, std::atan2(b, d) * -kEulerFactor,
                   std::atan2(r, t) * -kEulerFactor);
}

void SMatrix::Orthonormalize() {
    SVector a(m[0][0], m[1][0], m[2][0]);
    SVector b(m[0][1], m[1][1], m[2][1]);
    a.Normalize();
    SVector c = Cross(a, b);
    c.Normalize();
    b = Cross(c, a);
    b.Normalize();

    const SVector columns[3] = {a, b, c};
    for (int col = 0; col < 3; ++col) {
        m[0][col] = columns[col].x;
        m[1][col] = columns[col].y;
        m[2][col] = columns[col].z;
    }
    m[0][3] = m[1][3] = m[2][3] = 0.0f;
    m[3][0] = m[3][1] = m[3][2] = 0.0f;
    m[3][3] = 1.0f;
}

SVector SMatrix::Cross(const SVector& a, const SVector& b) {
    return SVector(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

float SMatrix::StepAngleToward(float current, float step, float target) {
    if (step > 0.0f) {
        if (target < current) {
            target += 360.0f;
        }
        return target < current + step ? target : current + step;
    }
    if (step < 0.0f) {
        if (target > current) {
            target -= 360.0f;
        }
        return target > current + step ? target : current + step;
    }
    return current;
}
