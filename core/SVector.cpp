#include "core/SVector.h"

#include "sys/classlib/CArchive.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// The direction-to-angles conversion works in double with this factor; only the component-wise
// conversion uses the single-precision one.
constexpr double kAnglesRadiansToDegrees = 57.29577951471995;
constexpr double kPi = 3.14159265358979323846;

uint32_t FloatBits(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

float BitsFloat(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Entries 0..127 hold the top 7 mantissa bits of sqrt(1 + i/128), entries 128..255 those of
// sqrt(2 * (1 + i/128)): the second half serves inputs whose exponent is odd.
struct SqrtTables {
    std::array<uint16_t, 256> entries{};
    SqrtTables() {
        for (int i = 0; i < 128; ++i) {
            const float mantissa = 1.0f + static_cast<float>(i) / 128.0f;
            entries[i] = static_cast<uint16_t>((FloatBits(std::sqrt(mantissa)) >> 16) & 0x7F);
            entries[128 + i] =
                static_cast<uint16_t>((FloatBits(std::sqrt(2.0f * mantissa)) >> 16) & 0x7F);
        }
    }
};

const SqrtTables& Tables() {
    // Built on first use; a function-local static is initialised once even across threads.
    static const SqrtTables tables;
    return tables;
}

// Brings one angle into [0, 360). Whole turns are taken off with fmod first: it gives the same
// result as stepping by 360 (each such float step is exact below 2^27), but a huge or infinite
// angle can no longer keep the stepping loops spinning for ever.
float WrapAngle(float a) {
    if (!(std::fabs(a) < 720.0f)) {
        a = std::fmod(a, 360.0f);
    }
    while (a < 0.0f) {
        a += 360.0f;
    }
    while (a >= 360.0f) {
        a -= 360.0f;
    }
    if (a == 360.0f) {
        a = 0.0f;
    }
    return a;
}

// Index of the sector of N that holds the yaw (radians, [0, 2*pi)): the number of sector
// boundaries, the odd multiples of pi / N, at or below the yaw, with the last sector folded
// back onto sector 0. Comparing against the boundaries as floats puts a yaw that lies exactly
// on one into the higher sector.
int SectorOfYaw(float yaw, int sectors) {
    int index = 0;
    for (int j = 0; j < sectors; ++j) {
        const float boundary = static_cast<float>((2 * j + 1) * kPi / sectors);
        if (yaw >= boundary) {
            index = j + 1;
        }
    }
    return index % sectors;
}

}  // namespace

SVector& SVector::operator+=(const SVector& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
}

SVector& SVector::operator-=(const SVector& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    return *this;
}

SVector& SVector::operator*=(float f) {
    x *= f;
    y *= f;
    z *= f;
    return *this;
}

SVector& SVector::operator/=(float f) {
    x /= f;
    y /= f;
    z /= f;
    return *this;
}

float SVector::Length() const {
    if (x == 0.0f && y == 0.0f && z == 0.0f) {
        return 0.0f;
    }
    return std::sqrt(x * x + y * y + z * z);
}

float SVector::Normalize() {
    const float length = Length();
    if (length != 0.0f) {
        *this /= length;
    }
    return length;
}

SVector SVector::ToDirection(const SVector& angles) {
    const float pitch = angles.x * kDegreesToRadians;
    const float yaw = angles.y * kDegreesToRadians;
    const float cp = std::cos(pitch);
    return SVector(std::sin(yaw) * cp, std::sin(pitch), std::cos(yaw) * cp);
}

SVector SVector::ToAngles() const {
    // Works on a unit copy: the vector itself stays exactly as it is.
    SVector unit = *this;
    unit.Normalize();

    SVector angles;
    if (unit.z == 0.0f && unit.x == 0.0f) {
        angles.x = unit.y > 0.0f ? 90.0f : 270.0f;
        angles.y = 0.0f;
    } else {
        double yaw = std::atan2(static_cast<double>(unit.x), static_cast<double>(unit.z)) *
                     kAnglesRadiansToDegrees;
        if (yaw < 0.0) {
            yaw += 360.0;
        }
        const float horizontal = FastSqrt(unit.z * unit.z + unit.x * unit.x);
        double pitch = std::atan2(static_cast<double>(unit.y), static_cast<double>(horizontal)) *
                       kAnglesRadiansToDegrees;
        if (pitch < 0.0) {
            pitch += 360.0;
        }
        angles.x = static_cast<float>(pitch);
        angles.y = static_cast<float>(yaw);
    }
    angles.z = 0.0f;
    // Rounding can leave a value of exactly 360 after the float conversion.
    angles.WrapAngles();
    return angles;
}

void SVector::SetAngles(const SVector& angles) {
    const float length = Length();
    *this = ToDirection(angles) * length;
}

void SVector::WrapAngles() {
    x = WrapAngle(x);
    y = WrapAngle(y);
    z = WrapAngle(z);
}

void SVector::WrapAnglesSigned() {
    if (x > 180.0f) x -= 360.0f;
    if (y > 180.0f) y -= 360.0f;
    if (z > 180.0f) z -= 360.0f;
}

void SVector::RotateByAngles(const SVector& a) {
    if (a.Dot(a) == 0.0f) {
        return;
    }
    const float ax = a.x * kDegreesToRadians;
    const float ay = a.y * kDegreesToRadians;
    const float az = a.z * kDegreesToRadians;
    const float cx = std::cos(ax), sx = std::sin(ax);
    const float cy = std::cos(ay), sy = std::sin(ay);
    const float cz = std::cos(az), sz = std::sin(az);

    float nx = y * sz + x * cz;
    float ny = y * cz - x * sz;
    x = nx;
    y = ny;

    float nz = z * cx - y * sx;
    ny = z * sx + y * cx;
    z = nz;
    y = ny;

    nz = z * cy - x * sy;
    nx = z * sy + x * cy;
    z = nz;
    x = nx;
}

void SVector::TurnBy(const SVector& delta) {
    const float length = Normalize();
    const float yaw = ToAngles().y;
    // Swing the direction into the y-z plane, pitch it there, then swing it back with the
    // added yaw: pitch and yaw change independently of where the direction pointed.
    RotateByAngles(SVector(0.0f, -yaw, 0.0f));
    RotateByAngles(SVector(delta.x, 0.0f, 0.0f));
    RotateByAngles(SVector(0.0f, yaw + delta.y, 0.0f));
    Normalize();
    *this *= length;
}

void SVector::TurnToward(const SVector& target, float rate, float time) {
    SVector goal = target;
    if (goal.Normalize() == 0.0f) {
        return;  // a zero target names no direction to turn to
    }
    const float step = std::max(rate * time, 0.0f);

    // The remaining turn as pitch and yaw differences, each the short way round, so stepping
    // them with TurnBy lands on the target's own angles.
    const SVector current = ToAngles();
    const SVector wanted = goal.ToAngles();
    SVector turn = wanted - current;
    turn.z = 0.0f;
    turn.WrapAngles();
    turn.WrapAnglesSigned();

    if (std::fabs(turn.x) <= step && std::fabs(turn.y) <= step) {
        *this = goal * Length();
        return;
    }
    if (std::fabs(turn.x) > step) turn.x = std::copysign(step, turn.x);
    if (std::fabs(turn.y) > step) turn.y = std::copysign(step, turn.y);
    TurnBy(turn);
}

SVector& SVector::DegreesToRadians() {
    *this *= kDegreesToRadians;
    return *this;
}

SVector& SVector::RadiansToDegrees() {
    *this *= kRadiansToDegrees;
    return *this;
}

float SVector::YawRadians() const { return ToAngles().y * kDegreesToRadians; }

int SVector::Sector32() const { return SectorOfYaw(YawRadians(), 32); }
int SVector::Sector16() const { return SectorOfYaw(YawRadians(), 16); }
int SVector::Sector8() const { return SectorOfYaw(YawRadians(), 8); }
int SVector::Sector4() const { return SectorOfYaw(YawRadians(), 4); }

SVector SVector::PointOnPlane(const SVector& origin, const SVector& coordinates,
                              const SVector& axisA, const SVector& axisB) {
    SVector point = origin + axisA * coordinates.x + axisB * coordinates.y;
    point.z += coordinates.z;
    return point;
}

CString SVector::ToString() const {
    CString text;
    text.Format("[%10.05f, %10.05f, %10.05f]", static_cast<double>(x), static_cast<double>(y),
                static_cast<double>(z));
    return text;
}

void SVector::Write(CArchive& ar) const { ar << x << y << z; }

void SVector::Read(CArchive& ar) { ar >> x >> y >> z; }

void SVector::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        Write(ar);
    } else {
        Read(ar);
    }
}

float SVector::FastSqrt(float value) {
    if (value == 0.0f) {
        return 0.0f;
    }
    const uint32_t bits = FloatBits(value);
    const int exponent = static_cast<int>((bits >> 23) & 0xFF) - 127;
    int index = static_cast<int>((bits >> 16) & 0x7F);
    if (exponent & 1) {
        index += 128;
    }
    // Halving the exponent rounds toward minus infinity (an arithmetic shift), which is what
    // sends odd exponents to the sqrt(2 * m) half of the table.
    const uint32_t halfExponent = static_cast<uint32_t>((exponent >> 1) + 127);
    const uint32_t mantissa = static_cast<uint32_t>(Tables().entries[index]) << 16;
    return BitsFloat((halfExponent << 23) | mantissa);
}
