#pragma once

#include "assets/models/SClass.h"

// An orientation as a quaternion (w the scalar part): the marker transforms of loaded models,
// the placement of model instances, and the blend between two orientations in the renderer's
// model walk. Operations return new values and normalise only where they say so. Streamed as
// 16 bytes: w, x, y, z.
class CQuat : public sclass_t {
public:
    CQuat() : w(0.0f), x(0.0f), y(0.0f), z(0.0f) {}
    CQuat(float qw, float qx, float qy, float qz) : w(qw), x(qx), y(qy), z(qz) {}
    CQuat(const CQuat&) = default;
    CQuat& operator=(const CQuat&) = default;

    void Serialize(sstream_t* stream) override;

    CQuat operator+(const CQuat& b) const { return CQuat(w + b.w, x + b.x, y + b.y, z + b.z); }
    CQuat operator-(const CQuat& b) const { return CQuat(w - b.w, x - b.x, y - b.y, z - b.z); }
    // Hamilton product.
    CQuat operator*(const CQuat& b) const;
    friend CQuat operator*(float s, const CQuat& q) { return CQuat(s * q.w, s * q.x, s * q.y, s * q.z); }
    float Dot(const CQuat& b) const { return w * b.w + x * b.x + y * b.y + z * b.z; }
    CQuat Conjugate() const { return CQuat(w, -x, -y, -z); }

    void Normalize();
    // The axis is taken as given, not normalised.
    static CQuat FromAxisAngle(float angle, float ax, float ay, float az);
    // Qz(roll) x Qx(pitch) x Qy(yaw).
    static CQuat FromEuler(float pitch, float yaw, float roll);
    CQuat Exp() const;
    CQuat Log() const;
    // The shorter arc from q0 (t = 0) to q1 (t = 1); q0 itself when the two nearly coincide.
    static CQuat Slerp(float t, const CQuat& q0, const CQuat& q1);

    float w, x, y, z;
};

// Writes the rotation into the upper 3 x 3 of a 16-float row-vector matrix; the other elements
// keep their values.
float* QuatToMatrix(float* out, const CQuat& q);
