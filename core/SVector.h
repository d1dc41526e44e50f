#pragma once

#include "sys/classlib/CString.h"

class CArchive;

// The engine's three-float vector: positions and velocities in metres, directions, and angle
// triples in degrees stored as (pitch, yaw, roll) = (x, y, z). It is a plain value type copied
// by value; whoever holds one owns it.
//
// Angle conventions: y points up; yaw turns about y from +z toward +x; pitch is the elevation
// above the x-z plane, positive up. Wrapped angles lie in [0, 360), signed ones in (-180, 180].
class SVector {
public:
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    SVector() = default;
    SVector(float fX, float fY, float fZ) : x(fX), y(fY), z(fZ) {}

    SVector operator+(const SVector& v) const { return SVector(x + v.x, y + v.y, z + v.z); }
    SVector operator-(const SVector& v) const { return SVector(x - v.x, y - v.y, z - v.z); }
    SVector operator-() const { return SVector(-x, -y, -z); }
    SVector operator*(float f) const { return SVector(x * f, y * f, z * f); }
    SVector operator/(float f) const { return SVector(x / f, y / f, z / f); }
    SVector& operator+=(const SVector& v);
    SVector& operator-=(const SVector& v);
    SVector& operator*=(float f);
    SVector& operator/=(float f);
    bool operator==(const SVector& v) const { return x == v.x && y == v.y && z == v.z; }

    float Dot(const SVector& v) const { return x * v.x + y * v.y + z * v.z; }

    // Exactly 0 for the zero vector, without taking a square root.
    float Length() const;
    // Scales to length 1; the zero vector stays as it is. Returns the length it had.
    float Normalize();

    // Unit direction of the (pitch, yaw) pair in degrees; roll is ignored.
    static SVector ToDirection(const SVector& angles);
    // (pitch, yaw, 0) of this vector read as a direction, each wrapped into [0, 360).
    // Straight up gives pitch 90, straight down and the zero vector pitch 270, both yaw 0.
    SVector ToAngles() const;
    // Points the vector along the direction of the angles, keeping its length.
    void SetAngles(const SVector& angles);

    // Each component into [0, 360).
    void WrapAngles();
    // Each component above 180 loses 360: (-180, 180] for components wrapped beforehand.
    void WrapAnglesSigned();

    // Rotates in place by (a.x about x, a.y about y, a.z about z) degrees; the z rotation is
    // applied first, then x, then y, each to the vector as the previous one left it.
    void RotateByAngles(const SVector& angles);
    // Turns the direction by a relative pitch (delta.x) and yaw (delta.y), keeping the length.
    void TurnBy(const SVector& delta);
    // Turns the direction toward the target direction by at most rate * time degrees in pitch
    // and in yaw; once the target lies within one step it takes the target direction exactly.
    void TurnToward(const SVector& target, float rate, float time);

    // Every component times the conversion constant, in place.
    SVector& DegreesToRadians();
    SVector& RadiansToDegrees();

    // The yaw of ToAngles in radians.
    float YawRadians() const;
    // The yaw as the index of one of N equal sectors: 0 is centred on yaw 0 and the index
    // grows with the yaw; a yaw on a boundary belongs to the higher index.
    int Sector32() const;
    int Sector16() const;
    int Sector8() const;
    int Sector4() const;

    // origin + u * axisA + v * axisB, with h added to z, for coordinates (u, v, h).
    static SVector PointOnPlane(const SVector& origin, const SVector& coordinates,
                                const SVector& axisA, const SVector& axisB);

    // "[%10.05f, %10.05f, %10.05f]".
    CString ToString() const;

    // The stored form of every vector: three 32-bit floats x, y, z.
    void Write(CArchive& ar) const;
    void Read(CArchive& ar);
    void Serialize(CArchive& ar);

    // Square root from two small tables, good to 7 mantissa bits (about 1 %). Fast enough for
    // the angle code, which only needs a rough horizontal length. The sign of x is ignored.
    static float FastSqrt(float x);

    static constexpr float kDegreesToRadians = 0.017453292f;
    static constexpr float kRadiansToDegrees = 57.29578f;
};

inline SVector operator*(float f, const SVector& v) { return v * f; }
