#include "tests/support/ArchiveBytes.h"
#include "core/SVector.h"

#include <cmath>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>

namespace {

constexpr float kTight = 1e-5f;
// ToAngles measures the horizontal length with the 7-bit square root, so pitch is rough.
constexpr float kPitchTolerance = 1.0f;

void ExpectNear(const SVector& v, float x, float y, float z, float tolerance = kTight) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

SVector Angles(const SVector& direction) { return direction.ToAngles(); }

}  // namespace

TEST(VectorAngleTest, ToAnglesOfTheAxes) {
    ExpectNear(Angles(SVector(0, 0, 1)), 0, 0, 0);
    ExpectNear(Angles(SVector(1, 0, 0)), 0, 90, 0);
    ExpectNear(Angles(SVector(0, 0, -1)), 0, 180, 0);
    ExpectNear(Angles(SVector(-1, 0, 0)), 0, 270, 0);  // never -90
    ExpectNear(Angles(SVector(0, 1, 0)), 90, 0, 0);
    ExpectNear(Angles(SVector(0, -1, 0)), 270, 0, 0);
    ExpectNear(Angles(SVector(0, 0, 0)), 270, 0, 0);
}

TEST(VectorAngleTest, ToAnglesOfSlantedDirectionsLeavesTheVectorAlone) {
    const SVector up45(4, 4, 0);
    ExpectNear(up45.ToAngles(), 45, 90, 0, kPitchTolerance);
    ExpectNear(Angles(SVector(0, -3, -3)), 315, 180, 0, kPitchTolerance);
    EXPECT_EQ(up45, SVector(4, 4, 0));
}

TEST(VectorAngleTest, DirectionsFromAnglesAndBack) {
    ExpectNear(SVector::ToDirection(SVector(0, 90, 45)), 1, 0, 0);
    ExpectNear(SVector::ToDirection(SVector(30, 0, 0)), 0, 0.5f, std::sqrt(3.0f) / 2);
    for (float pitch : {-60.0f, 0.0f, 20.0f, 75.0f}) {
        for (float yaw : {0.0f, 45.0f, 135.0f, 200.0f, 315.0f}) {
            const SVector back = SVector::ToDirection(SVector(pitch, yaw, 0)).ToAngles();
            const float wrappedPitch = pitch < 0 ? pitch + 360 : pitch;
            EXPECT_NEAR(back.x, wrappedPitch, kPitchTolerance) << pitch << " " << yaw;
            EXPECT_NEAR(back.y, yaw, 1e-3f) << pitch << " " << yaw;
        }
    }
    SVector v(0, 0, 5);
    v.SetAngles(SVector(0, 90, 0));
    ExpectNear(v, 5, 0, 0);
}

TEST(VectorAngleTest, WrapAnglesIntoOneTurn) {
    SVector a(-30, 720, 360);
    a.WrapAngles();
    ExpectNear(a, 330, 0, 0, 0);
    // A tiny negative angle rounds up to a full turn, which counts as 0.
    SVector b(-1e-7f, 359.5f, 1080.25f);
    b.WrapAngles();
    ExpectNear(b, 0, 359.5f, 0.25f, 0);
}

TEST(VectorAngleTest, WrapAnglesEndsOnHugeAndInfiniteAngles) {
    SVector a(1e30f, -1e20f, std::numeric_limits<float>::infinity());
    a.WrapAngles();
    EXPECT_GE(a.x, 0.0f);
    EXPECT_LT(a.x, 360.0f);
    EXPECT_GE(a.y, 0.0f);
    EXPECT_LT(a.y, 360.0f);
    EXPECT_TRUE(std::isnan(a.z));
}

TEST(VectorAngleTest, WrapAnglesSigned) {
    SVector a(190, 180, 359);
    a.WrapAnglesSigned();
    ExpectNear(a, -170, 180, -1, 0);
}

TEST(VectorAngleTest, RotateByAnglesAppliesZThenXThenY) {
    const SVector before(1.25f, -3.5f, 0.1f);
    SVector v = before;
    v.RotateByAngles(SVector(0, 0, 0));
    EXPECT_EQ(std::memcmp(&v, &before, sizeof v), 0);

    SVector a(1, 0, 0);
    a.RotateByAngles(SVector(90, 0, 90));  // z: (0, -1, 0); x: (0, 0, 1)
    ExpectNear(a, 0, 0, 1);
    SVector b(1, 0, 0);
    b.RotateByAngles(SVector(90, 90, 0));  // x leaves it; y: (0, 0, -1)
    ExpectNear(b, 0, 0, -1);
    // Pitch then yaw applied to +z is the direction of those angles.
    SVector c(0, 0, 1);
    c.RotateByAngles(SVector(30, 60, 0));
    const SVector d = SVector::ToDirection(SVector(30, 60, 0));
    ExpectNear(c, d.x, d.y, d.z);
}

TEST(VectorAngleTest, TurnByAddsPitchAndYawKeepingLength) {
    SVector v(0, 0, 2);
    v.TurnBy(SVector(0, 90, 0));
    ExpectNear(v, 2, 0, 0);
    SVector w = SVector::ToDirection(SVector(20, 40, 0)) * 3;
    w.TurnBy(SVector(10, 15, 0));
    const SVector expected = SVector::ToDirection(SVector(30, 55, 0)) * 3;
    ExpectNear(w, expected.x, expected.y, expected.z);
}

TEST(VectorAngleTest, TurnTowardStepsAndThenLandsOnTheTarget) {
    SVector v(0, 0, 2);
    v.TurnToward(SVector(5, 0, 0), 15, 2);  // at most 30 degrees
    ExpectNear(v, 1, 0, std::sqrt(3.0f));

    SVector w(0, 0, 2);
    w.TurnToward(SVector(5, 0, 0), 90, 1);  // within one step: the target, at own length
    ExpectNear(w, 2, 0, 0);

    // The short way round: from yaw 10 toward yaw 350 turns down through 0.
    SVector s = SVector::ToDirection(SVector(0, 10, 0));
    s.TurnToward(SVector::ToDirection(SVector(0, 350, 0)), 5, 1);
    EXPECT_NEAR(s.ToAngles().y, 5, 1e-3f);

    const SVector target = SVector::ToDirection(SVector(20, 70, 0));
    SVector t(0, 0, 1);
    for (int i = 0; i < 8; ++i) t.TurnToward(target, 10, 1);
    ExpectNear(t, target.x, target.y, target.z);

    SVector unchanged(0, 0, 1);
    unchanged.TurnToward(SVector(0, 0, 0), 10, 1);
    EXPECT_EQ(unchanged, SVector(0, 0, 1));
}

TEST(VectorAngleTest, UnitConversionsAndYaw) {
    SVector a(180, 90, -45);
    a.DegreesToRadians();
    ExpectNear(a, 3.14159256f, 1.57079628f, -0.78539814f);
    a.RadiansToDegrees();
    ExpectNear(a, 180, 90, -45, 1e-3f);
    EXPECT_NEAR(SVector(1, 0, 0).YawRadians(), 1.5707963f, kTight);
}

TEST(VectorAngleTest, SectorsCountFromYawZeroUpward) {
    auto at = [](float yaw) { return SVector::ToDirection(SVector(0, yaw, 0)); };
    EXPECT_EQ(at(0).Sector32(), 0);
    EXPECT_EQ(at(90).Sector4(), 1);
    EXPECT_EQ(at(90).Sector8(), 2);
    EXPECT_EQ(at(90).Sector16(), 4);
    EXPECT_EQ(at(90).Sector32(), 8);
    EXPECT_EQ(at(270).Sector32(), 24);
    EXPECT_EQ(at(359).Sector32(), 0);  // within half a sector of a full turn
    EXPECT_EQ(at(44).Sector4(), 0);    // sector 1 of 4 starts at 45 degrees
    EXPECT_EQ(at(46).Sector4(), 1);
    EXPECT_EQ(at(5.5f).Sector32(), 0);  // sector 1 of 32 starts at 5.625 degrees
    EXPECT_EQ(at(5.75f).Sector32(), 1);
    EXPECT_EQ(at(314).Sector4(), 3);
    EXPECT_EQ(at(316).Sector4(), 0);
}

TEST(VectorAngleTest, ArithmeticPlaneAndText) {
    EXPECT_EQ(SVector(0, 0, 0).Length(), 0.0f);
    EXPECT_FLOAT_EQ(SVector(3, 4, 12).Length(), 13.0f);
    SVector d(2, 4, 6);
    d /= 2;
    EXPECT_EQ(d, SVector(1, 2, 3));
    // origin + 2 * a + 3 * b, then h = 4 added to z.
    ExpectNear(SVector::PointOnPlane(SVector(1, 2, 3), SVector(2, 3, 4), SVector(0, 0, 1),
                                     SVector(1, 0, 0)),
               4, 2, 9, 0);
    EXPECT_EQ(SVector(1, -2.5f, 0).ToString(), "[   1.00000,   -2.50000,    0.00000]");
}

TEST(VectorAngleTest, FastSqrtIsTruncatedToSevenBits) {
    EXPECT_EQ(SVector::FastSqrt(0), 0.0f);
    EXPECT_EQ(SVector::FastSqrt(4), 2.0f);
    EXPECT_EQ(SVector::FastSqrt(100), 10.0f);       // mantissa 1.5625 -> 1.25
    EXPECT_EQ(SVector::FastSqrt(2), 1.4140625f);    // 1 + 53/128
    EXPECT_EQ(SVector::FastSqrt(0.5f), 0.70703125f);  // odd negative exponent
    // Truncating the input and the result to 7 bits costs at most 2^-8 + 2^-7, never a gain.
    for (float x = 1e-6f; x < 1e6f; x *= 1.37f) {
        const float ratio = SVector::FastSqrt(x) / std::sqrt(x);
        EXPECT_LE(ratio, 1.0f + 1e-6f) << x;
        EXPECT_GE(ratio, 1.0f - 0.0118f) << x;
    }
}

TEST(VectorAngleTest, StoredAsThreeLittleEndianFloats) {
    tarvex::test::Bytes bytes =
        tarvex::test::StoreArchive([](CArchive& ar) { SVector(1.0f, -2.0f, 0.5f).Serialize(ar); });
    EXPECT_EQ(bytes, (tarvex::test::Bytes{0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0, 0x00,
                                          0x00, 0x00, 0x3F}));
    SVector back;
    tarvex::test::LoadArchive(bytes, [&](CArchive& ar) { back.Serialize(ar); });
    EXPECT_EQ(back, SVector(1.0f, -2.0f, 0.5f));
}

TEST(VectorAngleTest, TextOfHugeComponentsIsNeverCut) {
    // Each component needs 45 characters at this size; a fixed-size buffer would cut the text.
    CString text = SVector(3e38f, -3e38f, 3e38f).ToString();
    EXPECT_EQ(text.Right(1), "]");
    EXPECT_GT(text.GetLength(), 128);
}
