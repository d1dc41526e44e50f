#include <memory>
#include "tests/support/ArchiveBytes.h"
#include "core/SMatrix.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

constexpr float kHalfPi = 1.5707963f;
constexpr float kThirtyDegrees = 0.52359878f;
// 30 degrees read back with the engine's factor 57.272728 instead of 180 / pi.
constexpr float kThirtyReadBack = 29.98793f;

void ExpectRows(const SMatrix& a, const float (&expected)[4][4], float tolerance = 1e-6f) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(a.m[r][c], expected[r][c], tolerance) << "row " << r << " column " << c;
        }
    }
}

// A row vector (x, y, z, 0) times the matrix.
SVector Times(const SVector& v, const SMatrix& a) {
    return SVector(v.x * a.m[0][0] + v.y * a.m[1][0] + v.z * a.m[2][0],
                   v.x * a.m[0][1] + v.y * a.m[1][1] + v.z * a.m[2][1],
                   v.x * a.m[0][2] + v.y * a.m[1][2] + v.z * a.m[2][2]);
}

void ExpectNear(const SVector& v, float x, float y, float z, float tolerance = 1e-4f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

}  // namespace

TEST(MatrixTest, ConstructorsAndClears) {
    ExpectRows(SMatrix(), {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    SMatrix a(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    ExpectRows(a, {{0, 1, 2, 3}, {4, 5, 6, 7}, {8, 9, 10, 11}, {12, 13, 14, 15}});
    a.Transpose();
    ExpectRows(a, {{0, 4, 8, 12}, {1, 5, 9, 13}, {2, 6, 10, 14}, {3, 7, 11, 15}});
    a.Zero();
    ExpectRows(a, {});
    // Multiplying by the cross-product matrix of v gives u x v: (1,2,3) x (4,5,6) = (-3,6,-3).
    const SMatrix crossOf(SVector(4, 5, 6));
    ExpectRows(crossOf, {{0, -6, 5, 0}, {6, 0, -4, 0}, {-5, 4, 0, 0}, {0, 0, 0, 0}});
    ExpectNear(Times(SVector(1, 2, 3), crossOf), -3, 6, -3, 0);
    ExpectNear(SMatrix::Cross(SVector(1, 2, 3), SVector(4, 5, 6)), -3, 6, -3, 0);
}

TEST(MatrixTest, RotationsTurnRowVectorsAndTheTranslation) {
    SMatrix x;
    x.RotateX(kHalfPi);
    ExpectNear(Times(SVector(0, 1, 0), x), 0, 0, 1);
    SMatrix y;
    y.RotateY(kHalfPi);
    ExpectNear(Times(SVector(1, 0, 0), y), 0, 0, -1);
    ExpectNear(Times(SVector(0, 0, 1), y), 1, 0, 0);
    SMatrix z;
    z.Translate(1, 2, 3);
    z.Translate(1, 2, 3);
    z.RotateZ(kHalfPi);
    ExpectNear(Times(SVector(1, 0, 0), z), 0, 1, 0);
    // M * Rz turns the translation row too: (2, 4) becomes (-4, 2).
    EXPECT_NEAR(z.m[3][0], -4, 1e-5f);
    EXPECT_NEAR(z.m[3][1], 2, 1e-5f);
    EXPECT_NEAR(z.m[3][2], 6, 1e-5f);
}

TEST(MatrixTest, MultiplyAddAccumulatesTheProductBTimesA) {
    const SMatrix b(1, 2, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    const SMatrix a(1, 0, 0, 0, 3, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    SMatrix target;
    target.Zero();
    target.MultiplyAdd(SMatrix(), b);
    ExpectRows(target, b.m);
    target.MultiplyAdd(SMatrix(), b);
    ExpectRows(target, {{2, 4, 0, 0}, {0, 2, 0, 0}, {0, 0, 2, 0}, {0, 0, 0, 2}});

    target.Zero();
    target.MultiplyAdd(a, b);  // b * a, not a * b (which would give row 1 = (3, 7, 0, 0))
    ExpectRows(target, {{7, 2, 0, 0}, {3, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});

    // Target as its own operands: b + b * b, with b * b = rows (1,4), (0,1).
    SMatrix self = b;
    self.MultiplyAdd(self, self);
    ExpectRows(self, {{2, 6, 0, 0}, {0, 2, 0, 0}, {0, 0, 2, 0}, {0, 0, 0, 2}});
}

TEST(MatrixTest, EulerAnglesUseTheEngineFactor) {
    ExpectNear(SMatrix().ToEulerAngles(), 0, 0, 0, 0);
    SMatrix x;
    x.RotateX(kThirtyDegrees);
    ExpectNear(x.ToEulerAngles(), kThirtyReadBack, 0, 0);
    SMatrix y;
    y.RotateY(kThirtyDegrees);
    ExpectNear(y.ToEulerAngles(), 0, -kThirtyReadBack, 0);
    SMatrix z;
    z.RotateZ(kThirtyDegrees);
    ExpectNear(z.ToEulerAngles(), 0, 0, -kThirtyReadBack);
    // m[2][2] near 0 takes the other branch: pi/2 * 57.272728 = 89.96379.
    SMatrix quarter;
    quarter.RotateY(kHalfPi);
    ExpectNear(quarter.ToEulerAngles(), 0, -89.96379f, 0);
}

TEST(MatrixTest, OrthonormalizeRebuildsFromColumnsZeroAndOne) {
    SMatrix skew(2, 1, 7, 5, 0, 1, 7, 5, 0, 0, 7, 5, 9, 9, 9, 9);
    skew.Orthonormalize();
    ExpectRows(skew, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});

    // Columns (0,0,3) and (0,2,2) give A = (0,0,1), C = (-1,0,0), B = (0,1,0).
    SMatrix tilted(0, 0, 0, 0, 0, 2, 0, 0, 3, 2, 0, 0, 0, 0, 0, 0);
    tilted.Orthonormalize();
    ExpectRows(tilted, {{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}});

    SMatrix flat(0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0);
    flat.Orthonormalize();
    ExpectRows(flat, {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 1}}, 0);
}

TEST(MatrixTest, StepAngleTowardStopsAtTheTarget) {
    EXPECT_FLOAT_EQ(SMatrix::StepAngleToward(350, 20, 5), 365);  // target one turn up
    EXPECT_FLOAT_EQ(SMatrix::StepAngleToward(10, 5, 100), 15);
    EXPECT_FLOAT_EQ(SMatrix::StepAngleToward(10, 5, 12), 12);
    EXPECT_FLOAT_EQ(SMatrix::StepAngleToward(5, 10, 5), 5);
    EXPECT_FLOAT_EQ(SMatrix::StepAngleToward(10, -30, 350), -10);  // target one turn down
    EXPECT_FLOAT_EQ(SMatrix::StepAngleToward(100, -5, 10), 95);
    EXPECT_FLOAT_EQ(SMatrix::StepAngleToward(100, 0, 10), 100);
}

TEST(MatrixTest, CreatedByNameAndStoresNothingOfItsOwn) {
    std::unique_ptr<CObject> made(CRuntimeClass::FromName("SMatrix")->CreateObject());
    ASSERT_NE(dynamic_cast<SMatrix*>(made.get()), nullptr);
    EXPECT_EQ(RUNTIME_CLASS(SMatrix)->GetSchema(), 1u);
    SMatrix matrix(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 2, 3, 1);
    EXPECT_TRUE(tarvex::test::StoreArchive([&](CArchive& ar) { matrix.Serialize(ar); }).empty());
}
