#include "assets/math/CQuat.h"

#include <cmath>

void CQuat::Serialize(sstream_t* stream) {
    StreamTransfer(stream, &w, 4);
    StreamTransfer(stream, &x, 4);
    StreamTransfer(stream, &y, 4);
    StreamTransfer(stream, &z, 4);
}

CQuat CQuat::operator*(const CQuat& b) const {
    return CQuat(w * b.w - x * b.x - y * b.y - z * b.z,
                 w * b.x + x * b.w + y * b.z - z * b.y,
                 w * b.y + y * b.w + z * b.x - x * b.z,
                 w * b.z + z * b.w + x * b.y - y * b.x);
}

void CQuat::Normalize() {
    const float scale = 1.0f / std::sqrt(Dot(*this));
    w *= scale;
    x *= scale;
    y *= scale;
    z *= scale;
}

CQuat CQuat::FromAxisAngle(float angle, float ax, float ay, float az) {
    const float s = std::sin(angle / 2.0f);
    return CQuat(std::cos(angle / 2.0f), s * ax, s * ay, s * az);
}

CQuat CQuat::FromEuler(float pitch, float yaw, float roll) {
    return FromAxisAngle(roll, 0.0f, 0.0f, 1.0f) * FromAxisAngle(pitch, 1.0f, 0.0f, 0.0f) *
           FromAxisAngle(yaw, 0.0f, 1.0f, 0.0f);
}

CQuat CQuat::Exp() const {
    const float t = std::sqrt(x * x + y * y + z * z);
    const float s = std::sin(t);
    if (std::fabs(s) < 0.001f)
        return CQuat(std::cos(t), x, y, z);
    const float k = s / t;
    return CQuat(std::cos(t), x * k, y * k, z * k);
}

CQuat CQuat::Log() const {
    if (std::fabs(w) < 1.0f) {
        const float t = std::acos(w);
        const float s = std::sin(t);
        if (std::fabs(s) >= 0.001f) {
            const float k = t / s;
            return CQuat(0.0f, x * k, y * k, z * k);
        }
    }
    return CQuat(0.0f, x, y, z);
}

CQuat CQuat::Slerp(float t, const CQuat& q0, const CQuat& q1) {
    float c = q0.Dot(q1);
    const float s = std::sqrt(std::fabs(1.0f - c * c));
    if (std::fabs(s) < 0.001f)
        return q0;
    const bool flip = c < 0.0f;
    if (flip)
        c = -c;
    const float angle = std::atan2(s, c);
    const float w0 = std::sin((1.0f - t) * angle) / s;
    const float w1 = std::sin(t * angle) / s;
    return flip ? w0 * q0 - w1 * q1 : w0 * q0 + w1 * q1;
}

float* QuatToMatrix(float* out, const CQuat& q) {
    if (!(std::fabs(q.w) < 1.0f)) {
        out[0] = 1.0f, out[1] = 0.0f, out[2] = 0.0f;
        out[4] = 0.0f, out[5] = 1.0f, out[6] = 0.0f;
        out[8] = 0.0f, out[9] = 0.0f, out[10] = 1.0f;
        return out;
    }
    const float angle = 2.0f * std::acos(q.w);
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float scale = 1.0f / std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
    const float x = q.x * scale;
    const float y = q.y * scale;
    const float z = q.z * scale;
    const float k = 1.0f - c;
    out[0] = 1.0f - (y * y + z * z) * k;
    out[1] = x * y * k + z * s;
    out[2] = x * z * k - y * s;
    out[4] = x * y * k - z * s;
    out[5] = 1.0f - (x * x + z * z) * k;
    out[6] = y * z * k + x * s;
    out[8] = x * z * k + y * s;
    out[9] = y * z * k - x * s;
    out[10] = 1.0f - (x * x + y * y) * k;
    return out;
}
