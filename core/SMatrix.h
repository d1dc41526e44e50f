#pragma once

#include "core/SVector.h"
#include "sys/classlib/CObject.h"

// The engine's 4 x 4 float matrix for scene-graph transforms, a value owned by whoever holds
// it. Row vectors multiply from the left: the translation lies in row 3 and the axes in
// columns 0, 1 and 2 of rows 0 to 2. Rotation angles are radians; the Euler angles it hands
// out are degrees.
class SMatrix : public CObject {
    DECLARE_SERIAL(SMatrix)

public:
    float m[4][4];

    // Identity.
    SMatrix();
    // The cross-product matrix of v: rows (0, -z, y, 0), (z, 0, -x, 0), (-y, x, 0, 0), (0, 0, 0, 0).
    explicit SMatrix(const SVector& v);
    // Sixteen values, row by row.
    SMatrix(float m00, float m01, float m02, float m03, float m10, float m11, float m12, float m13,
            float m20, float m21, float m22, float m23, float m30, float m31, float m32,
            float m33);
    SMatrix(const SMatrix& other) = default;
    SMatrix& operator=(const SMatrix& other) = default;

    void Zero();
    void Identity();

    // M = M * R for a rotation about the named axis.
    void RotateX(float angle);
    void RotateY(float angle);
    void RotateZ(float angle);
    // Adds to the translation row.
    void Translate(float x, float y, float z);

    // this[i][j] += sum over k of b[i][k] * a[k][j]. It accumulates: zero the target first for
    // the plain product b * a. Either operand may be this matrix itself.
    void MultiplyAdd(const SMatrix& a, const SMatrix& b);
    void Transpose();

    // (x, y, z) angles in degrees. The conversion factor is the engine's own 57.272728, which
    // stored orientations were made with, so it is kept rather than the exact 180 / pi.
    SVector ToEulerAngles() const;
    // Rebuilds an orthonormal rotation from columns 0 and 1; the translation is dropped and
    // row 3 becomes (0, 0, 0, 1). A zero column stays zero rather than being divided by 0.
    void Orthonormalize();

    // a x b.
    static SVector Cross(const SVector& a, const SVector& b);
    // The angle reached by moving from current by step degrees toward target, stopping at the
    // target; the target is taken one turn on when it lies behind the direction of the step.
    static float StepAngleToward(float current, float step, float target);
};
