// Row-vector matrices and quaternions: the worked values and the sign conventions the renderer
// depends on.
#include <gtest/gtest.h>

#include <cmath>

#include "assets/math/CQuat.h"
#include "assets/math/Matrix16f.h"

namespace {

constexpr float kPi = 3.14159265f;

// The row vector (x, y, z, 1) times the matrix.
void Carry(const float* m, const float* p, float* out) {
    for (int j = 0; j < 3; ++j)
        out[j] = p[0] * m[j] + p[1] * m[4 + j] + p[2] * m[8 + j] + m[12 + j];
}

void ExpectPoint(const float* actual, float x, float y, float z) {
    EXPECT_NEAR(actual[0], x, 1e-6f);
    EXPECT_NEAR(actual[1], y, 1e-6f);
    EXPECT_NEAR(actual[2], z, 1e-6f);
}

void ExpectQuat(const CQuat& q, float w, float x, float y, float z, float tolerance = 1e-6f) {
    EXPECT_NEAR(q.w, w, tolerance);
    EXPECT_NEAR(q.x, x, tolerance);
    EXPECT_NEAR(q.y, y, tolerance);
    EXPECT_NEAR(q.z, z, tolerance);
}

TEST(MatrixQuatTest, MatricesBuildAndMultiplyAsRowVectorTransforms) {
    const float a = 0.4f;
    float translate[16];
    float rotate[16];
    float product[16];
    MatrixTranslate(translate, 1, 0, 0);
    MatrixRotateZ(rotate, a);
    // The product carries a point by B (the rotation) first, then by A.
    MatrixMultiply(product, translate, rotate);
    float out[3];
    const float origin[3] = {0, 0, 0};
    const float unitX[3] = {1, 0, 0};
    Carry(product, origin, out);
    ExpectPoint(out, 1, 0, 0);
    Carry(product, unitX, out);
    ExpectPoint(out, 1 + std::cos(a), -std::sin(a), 0);
    // The output may be one of the inputs.
    MatrixMultiply(translate, translate, rotate);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(translate[i], product[i]) << i;

    float m[16];
    const float unitY[3] = {0, 1, 0};
    Carry(MatrixRotateX(m, kPi / 2), unitY, out);
    ExpectPoint(out, 0, 0, -1);
    Carry(MatrixRotateY(m, kPi / 2), unitX, out);
    ExpectPoint(out, 0, 0, 1);
    const float p[3] = {1, 2, 3};
    Carry(MatrixScale(m, 2, 3, 4), p, out);
    ExpectPoint(out, 2, 6, 12);
    MatrixZero(m);
    for (float value : m)
        EXPECT_EQ(value, 0.0f);
    MatrixIdentity(m);
    EXPECT_EQ(m[0] + m[5] + m[10] + m[15], 4.0f);
}

TEST(MatrixQuatTest, QuaternionAlgebra) {
    const CQuat i(0, 1, 0, 0);
    const CQuat j(0, 0, 1, 0);
    ExpectQuat(i * j, 0, 0, 0, 1);
    ExpectQuat(j * i, 0, 0, 0, -1);
    ExpectQuat(CQuat(1, 2, 3, 4).Conjugate(), 1, -2, -3, -4);
    EXPECT_EQ(CQuat(1, 2, 3, 4).Dot(CQuat(2, 3, 4, 5)), 40.0f);
    ExpectQuat(2.0f * CQuat(1, 2, 3, 4) - CQuat(1, 1, 1, 1), 1, 3, 5, 7);
    CQuat n(0, 3, 0, 4);
    n.Normalize();
    ExpectQuat(n, 0, 0.6f, 0, 0.8f);

    const float a = 0.7f;
    ExpectQuat(CQuat::FromEuler(0, a, 0), std::cos(a / 2), 0, std::sin(a / 2), 0);
    // The axis is taken as given.
    ExpectQuat(CQuat::FromAxisAngle(kPi, 0, 0, 2), std::cos(kPi / 2), 0, 0, 2);
    // Roll about z comes last in the product: Qz x Qx.
    const CQuat euler = CQuat::FromEuler(0.3f, 0, 0.5f);
    const CQuat expected = CQuat::FromAxisAngle(0.5f, 0, 0, 1) * CQuat::FromAxisAngle(0.3f, 1, 0, 0);
    ExpectQuat(euler, expected.w, expected.x, expected.y, expected.z);

    // Exp and Log undo each other for a unit quaternion.
    const CQuat q = CQuat::FromAxisAngle(1.2f, 0, 0.6f, 0.8f);
    const CQuat log = q.Log();
    ExpectQuat(log, 0, 0, 0.6f * 0.6f, 0.8f * 0.6f);
    ExpectQuat(log.Exp(), q.w, q.x, q.y, q.z);
    ExpectQuat(CQuat(0, 0.0001f, 0, 0).Exp(), 1, 0.0001f, 0, 0);
    ExpectQuat(CQuat(1, 0.5f, 0, 0).Log(), 0, 0.5f, 0, 0);
}

TEST(MatrixQuatTest, SlerpAndConversionToMatrices) {
    const CQuat q = CQuat::FromAxisAngle(0.8f, 0, 1, 0);
    for (float t : {0.0f, 0.3f, 1.0f}) {
        const CQuat same = CQuat::Slerp(t, q, q);
        EXPECT_EQ(same.w, q.w);
        EXPECT_EQ(same.y, q.y);
    }
    const CQuat opposite = CQuat::Slerp(0.5f, q, -1.0f * q);
    EXPECT_EQ(opposite.w, q.w);
    EXPECT_EQ(opposite.y, q.y);
    // Halfway between the identity and a quarter turn about y is an eighth turn.
    const CQuat half = CQuat::Slerp(0.5f, CQuat(1, 0, 0, 0), CQuat::FromAxisAngle(kPi / 2, 0, 1, 0));
    ExpectQuat(half, std::cos(kPi / 8), 0, std::sin(kPi / 8), 0);
    // The shorter arc: the far sign of the same end rotation gives the same result.
    const CQuat farEnd = CQuat::Slerp(0.5f, CQuat(1, 0, 0, 0), -1.0f * CQuat::FromAxisAngle(kPi / 2, 0, 1, 0));
    ExpectQuat(farEnd, half.w, half.x, half.y, half.z);

    float m[16];
    for (float& value : m)
        value = 9.0f;
    QuatToMatrix(m, CQuat(1, 0, 0, 0));
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(m[4 * r + c], identity[3 * r + c]);
    }
    EXPECT_EQ(m[3], 9.0f);
    EXPECT_EQ(m[15], 9.0f);

    // A turn about y by a as a quaternion is the matrix rotation by -a; likewise about x and z.
    struct Axis {
        float x, y, z;
        float* (*rotate)(float*, float);
    };
    const Axis axes[] = {{1, 0, 0, MatrixRotateX}, {0, 1, 0, MatrixRotateY}, {0, 0, 1, MatrixRotateZ}};
    for (const Axis& axis : axes) {
        for (float a : {0.3f, 1.1f, -2.0f}) {
            float fromQuat[16];
            float fromMatrix[16];
            MatrixIdentity(fromQuat);
            QuatToMatrix(fromQuat, CQuat::FromAxisAngle(a, axis.x, axis.y, axis.z));
            axis.rotate(fromMatrix, -a);
            for (int i = 0; i < 16; ++i)
                EXPECT_NEAR(fromQuat[i], fromMatrix[i], 1e-6f) << "axis " << axis.x << axis.y << axis.z << " a " << a;
        }
    }
}

}  // namespace
