// Actors: flags and their names, the stored record, the description text, angle limits,
// relative yaw, the sight cone and range, children, drawing the focus actor, aiming and sounds.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "app/actors/SActorWorld.h"
#include "assets/models/SSMHandle.h"
#include "sys/classlib/CStringList.h"
#include "tests/app/actors/RecordingScene.h"
#include "tests/support/ArchiveBytes.h"

using namespace tarvex::test;

namespace {

uint32_t U32At(const Bytes& bytes, size_t at) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

float FloatAt(const Bytes& bytes, size_t at) {
    float value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

TEST(ActorTest, FlagsStartAtTheirDefaultsAndAnswerByName) {
    SActor actor;
    EXPECT_EQ(actor.m_dwFlagsA, 0x2008b1u);
    EXPECT_EQ(actor.m_dwFlagsB, 0u);
    for (const char* name : {"Visible", "collide", "CLIPTOGROUND", "ClipToWorld", "PitchToSlope", "DescribeOffsets"}) {
        EXPECT_EQ(actor.GetFlag(name), 1) << name;
    }
    EXPECT_EQ(actor.GetFlag("Flying"), 0);
    EXPECT_EQ(actor.GetFlag("NoSuchFlag"), 0);
    EXPECT_EQ(actor.GetFlag(nullptr), 0);
    // The description's owner word is the actor's whole address, which a shot at an attached
    // part reports; a stack address lies past 32 bits.
    ASSERT_GT(reinterpret_cast<uintptr_t>(&actor), uintptr_t{0xFFFFFFFF});
    EXPECT_EQ(actor.m_Desc.m_dwOwner, reinterpret_cast<uintptr_t>(&actor));

    actor.m_dwFlagsB = 0x10000;
    EXPECT_EQ(actor.GetFlag("running"), 1);
    actor.SetFlag("RUNNING", true);
    EXPECT_EQ(actor.m_dwFlagsB, 0x10002u);
    actor.SetFlag("Running", false);
    EXPECT_EQ(actor.m_dwFlagsB, 0x10000u);  // only bit 1 is cleared
    actor.SetFlag("Unknown", true);
    EXPECT_EQ(actor.m_dwFlagsB, 0x10000u);
}

TEST(ActorTest, AFreshActorStoresItsRecordAndLoadsOlderVersions) {
    SActor actor;
    const Bytes bytes = StoreArchive([&](CArchive& ar) { actor.Serialize(ar); });
    // Version, "Actor" (4 + 5), "" (4), 7 floats, 2 flag words, 2 limits, 15 vectors, target.
    ASSERT_EQ(bytes.size(), 4u + 9 + 4 + 7 * 4 + 8 + 8 + 15 * 12 + 4);
    EXPECT_EQ(U32At(bytes, 0), 2u);
    EXPECT_EQ(U32At(bytes, 4), 5u);
    EXPECT_EQ(std::memcmp(bytes.data() + 8, "Actor", 5), 0);
    EXPECT_EQ(U32At(bytes, 13), 0u);
    const float floats[] = {2.0f, 2.0f, 1.875f, 100.0f, 0.2f, 1600.0f, 1.0f};
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(FloatAt(bytes, 17 + 4 * i), floats[i]) << i;
    }
    EXPECT_EQ(U32At(bytes, 45), 0x2008b1u);
    EXPECT_EQ(U32At(bytes, 49), 0u);
    EXPECT_EQ(FloatAt(bytes, 53), -1.0f);
    EXPECT_EQ(FloatAt(bytes, 57), 360.0f);
    const size_t bounds = 61 + 6 * 12;  // after position, A, last placed, orientation, velocity, acceleration
    EXPECT_EQ(FloatAt(bytes, bounds), -1.0f);
    EXPECT_EQ(FloatAt(bytes, bounds + 12), 1.0f);
    const size_t locked = 61 + 11 * 12;
    EXPECT_EQ(FloatAt(bytes, locked), -1.0f);
    EXPECT_EQ(FloatAt(bytes, locked + 8), 0.0f);
    EXPECT_EQ(U32At(bytes, bytes.size() - 4), 0xFFFFFFFFu);

    // Version 1 has no target index.
    Bytes older = bytes;
    older[0] = 1;
    older.resize(older.size() - 4);
    std::memcpy(older.data() + 45, "\x07\0\0\0", 4);
    SActor loaded;
    loaded.m_iTargetIndex = -1;
    LoadArchive(older, [&](CArchive& ar) { loaded.Serialize(ar); });
    EXPECT_EQ(loaded.m_dwFlagsA, 7u);
    EXPECT_EQ(loaded.m_iTargetIndex, -1);
    EXPECT_STREQ(loaded.m_sClassName.GetString(), "Actor");
}

TEST(ActorTest, DescribeListsTheStateOfAFreshActor) {
    SActor actor;
    CStringList lines;
    actor.Describe(&lines);
    ASSERT_EQ(lines.GetCount(), 12);
    EXPECT_STREQ(lines.GetHead().GetString(), "Actor: Actor");
    POSITION position = lines.FindIndex(1);
    EXPECT_STREQ(lines.GetAt(position).GetString(),
                 "Position [M]:\t[   0.00000,    0.00000,    0.00000] (Quad 0, 0)");
    EXPECT_STREQ(lines.GetAt(lines.FindIndex(7)).GetString(),
                 "Locked Angles [A]: [  -1.00000,   -1.00000,    0.00000]");
    EXPECT_STREQ(lines.GetAt(lines.FindIndex(9)).GetString(), "Speed %: 1.000000 (Energy 100.000000)");
    EXPECT_STREQ(lines.GetAt(lines.FindIndex(10)).GetString(), "Grounded: No");
    EXPECT_STREQ(lines.GetTail().GetString(), "");
}

// A stored position may hold any float: past the whole-metre range a quad reads as the end of
// that range, and a coordinate that is not a number as quad 0.
TEST(ActorTest, DescribeNamesAQuadForEveryPosition) {
    const struct {
        float x, z;
        const char* quads;
    } rows[] = {
        {100.0f, -33.5f, "(Quad 3, -1)"},
        {3e32f, -3e32f, "(Quad 67108860, -67108864)"},
        {std::nanf(""), 64.0f, "(Quad 0, 2)"},
    };
    for (const auto& row : rows) {
        SActor actor;
        actor.m_vPosition = SVector(row.x, 0.0f, row.z);
        CStringList lines;
        actor.Describe(&lines);
        const std::string position = lines.GetAt(lines.FindIndex(1)).GetString();
        EXPECT_EQ(position.substr(position.rfind('(')), row.quads) << position;
    }
}

TEST(ActorTest, AnglesAreClampedToTheirLimitsAndYawIsRelative) {
    SActor actor;
    const struct {
        float centre, give, angle, result;
        bool replaced;
    } clamps[] = {
        {350, 20, 5, 5, false}, {90, 10, 120, 100, true}, {90, 10, 60, 80, true}, {90, 10, 95, 95, false},
    };
    for (const auto& row : clamps) {
        float angle = row.angle;
        EXPECT_EQ(actor.ClampAngle(row.centre, row.give, angle), row.replaced) << row.angle;
        EXPECT_NEAR(angle, row.result, 1e-4) << row.angle;
    }

    const struct {
        SVector direction;
        float yaw, relative;
    } yaws[] = {
        {SVector(0, 0, -1), 0, 180}, {SVector(1, 0, 0), 0, 90}, {SVector(1, 0, 0), 90, 0}, {SVector(-1, 0, 0), 0, -90},
    };
    for (const auto& row : yaws) {
        SVector direction = row.direction;
        const SVector angles(0, row.yaw, 0);
        EXPECT_NEAR(actor.RelativeYaw(direction, &angles), row.relative, 1e-3);
    }
}

class ActorInWorldTest : public ::testing::Test {
protected:
    void SetUp() override {
        world.Init(&scene, nullptr, "", 4);
        eye = new SActor();
        world.AddActor(eye, 0, -1);
    }
    void TearDown() override { world.Clear(); }

    SActor* AddAt(const SVector& position) {
        SActor* actor = new SActor();
        actor->m_vPosition = position;
        world.AddActor(actor, 0, -1);
        return actor;
    }

    RecordingScene scene;
    SActorWorld world;
    SActor* eye = nullptr;
};

TEST_F(ActorInWorldTest, SightNeedsRangeTheConeAndAClearLine) {
    const SVector from(0, 0, 0);
    const SVector ahead(0, 0, 0);
    const struct {
        float yaw;
        float distance;
        bool seen;
    } rows[] = {
        {0.0f, 50.0f, true}, {29.9f, 50.0f, true}, {30.0f, 50.0f, false}, {-29.9f, 50.0f, true},
        {0.0f, 100.0f, false},  // exactly at the range
        {0.0f, 99.0f, true},
    };
    for (const auto& row : rows) {
        SActor* target = AddAt(SVector::ToDirection(SVector(0, row.yaw, 0)) * row.distance);
        EXPECT_EQ(eye->CanSeeActorFrom(from, ahead, target, 100, 0) != 0, row.seen) << row.yaw << " " << row.distance;
        world.DestroyActor(target, 0);
    }
    SActor* target = AddAt(SVector(0, 0, 10));
    scene.hitResult = 0;
    EXPECT_EQ(eye->CanSeeActorFrom(from, ahead, target, 100, 0), 0);
    EXPECT_EQ(eye->CanSeeActorFrom(from, ahead, nullptr, 100, 0), 0);
    SActor outside;
    EXPECT_EQ(outside.CanSeePointFrom(from, ahead, SVector(0, 0, 5), 100, 0), 0);
}

TEST_F(ActorInWorldTest, ChildrenAreKeptOnceAndNeverFormALoop) {
    SActor* child = AddAt(SVector(1, 0, 1));
    SActor* grandchild = AddAt(SVector(2, 0, 2));
    eye->AttachChild(child);
    eye->AttachChild(child);
    ASSERT_NE(eye->GetChildren(), nullptr);
    EXPECT_EQ(eye->GetChildren()->GetCount(), 1);
    EXPECT_FALSE(child->HasFlagA(SActor::kCollide));
    EXPECT_TRUE(child->HasFlagA(SActor::kIsChild));
    EXPECT_TRUE(child->HasFlagB(SActor::kFlying));

    child->AttachChild(grandchild);
    grandchild->AttachChild(eye);  // an ancestor
    eye->AttachChild(eye);         // itself
    EXPECT_EQ(eye->m_pParent, nullptr);
    EXPECT_EQ(grandchild->GetChildren(), nullptr);
    EXPECT_TRUE(grandchild->IsRelated(eye, true, false));
    EXPECT_TRUE(eye->IsRelated(grandchild, false, true));

    eye->DetachChild(child);
    EXPECT_EQ(child->m_pParent, nullptr);
    EXPECT_EQ(child->m_bPlaced, 1);  // placed again in its world

    // Without a world a detached child stays unplaced, and the slope is level.
    SActor parent, loose;
    parent.AttachChild(&loose);
    parent.DetachChild(&loose);
    EXPECT_EQ(loose.m_bPlaced, 0);
    EXPECT_EQ(loose.SlopeAngle(0.0f), 0.0f);
}

TEST_F(ActorInWorldTest, TheFocusActorIsDrawnOnlyWithACameraOffset) {
    eye->m_pModel = new SSMHandle();
    world.SetFocusActor(eye);
    ASSERT_NE(eye->Update(), nullptr);
    EXPECT_EQ(eye->m_Desc.m_dwFlags & 1, 0u);
    world.m_vCameraOffset = SVector(0, 0, -1);
    eye->Update();
    EXPECT_EQ(eye->m_Desc.m_dwFlags & 1, 1u);
    world.SetFocusActor(nullptr);
    eye->m_dwFlagsA &= ~SActor::kVisible;
    eye->Update();
    EXPECT_EQ(eye->m_Desc.m_dwFlags & 1, 0u);
}

TEST_F(ActorInWorldTest, AimDistanceIsMinusOneWhenNothingIsHit) {
    scene.hitResult = 1;
    EXPECT_EQ(eye->AimDistance(), -1.0f);
    scene.hitResult = 0;
    scene.m_HitRecord.m_dwKind = 1;
    scene.m_HitRecord.m_vPoint = SVector(0.0f, 1.875f * 8.0f, 80.0f);
    EXPECT_FLOAT_EQ(eye->AimDistance(), 10.0f);
    scene.m_HitRecord.m_dwKind = 0x1000;  // the map border is not a target
    EXPECT_EQ(eye->AimDistance(), -1.0f);
}

TEST(ActorTest, ASecondSoundOfTheSameNameIsDeleted) {
    SActor actor;
    SActorSound* first = new SActorSound(nullptr, &actor);
    first->m_sName = "Bark";
    SActorSound* second = new SActorSound(nullptr, &actor);
    second->m_sName = "Bark";
    actor.AddSound(first);
    actor.AddSound(second);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(actor.m_Sounds.GetCount(), 1);
    actor.RemoveSound("Bark");
    EXPECT_EQ(actor.m_Sounds.GetCount(), 0);
}

}  // namespace
