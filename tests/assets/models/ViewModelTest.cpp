#include "assets/models/SViewModel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "render/SD3D6Parser.h"
#include "sys/classlib/CStringList.h"
#include "tests/assets/models/ModelSamples.h"

namespace {

constexpr float kPitch = 0.5f;
constexpr float kYaw = 1.5707964f;  // the camera looks along +x

// A view model on a model with one three-step animation ("idle", 1.0 long), placed by a
// renderer whose camera has the angles above.
class ViewModelTest : public testing::Test {
protected:
    void SetUp() override {
        m_model = tarvex::test::MakeDressedModel();
        m_renderer.SetViewAngles(kPitch, kYaw, 0.0f);
        m_view.m_pRenderer = &m_renderer;
        m_view.SetModelInstance(m_model->CreateHandle());
    }

    SSMHandle* Instance() { return m_view.m_pModel; }
    void SetStep(int16_t step) { Instance()->m_animStates[0].step = step; }

    std::unique_ptr<SSMObject> m_model;
    SD3D6Parser m_renderer;
    SViewModel m_view;
};

int s_iFired = 0;
int CountTrigger(SViewModel*, SActor*, SVMTrigger*) { return ++s_iFired; }

TEST_F(ViewModelTest, RotateTypesPlaceTheModelByCameraOwnerAndOffsets) {
    SActor owner;
    owner.m_vOffsetPosition = SVector(0.0f, 0.0f, 2.0f);
    m_view.m_pOwner = &owner;
    m_view.m_fScale = 1.5f;
    m_view.m_vPosition = SVector(1.0f, 2.0f, 3.0f);
    m_view.m_vViewOffset = SVector(0.0f, 1.0f, 0.0f);
    m_view.m_vOffsetAngles = SVector(10.0f, 20.0f, 30.0f);
    // (1, 3, 3) plus the owner's (0, 0, 2) turned a quarter to +x and scaled: (4, 3, 3) metres.
    const struct {
        int type;
        float pitch;
        float yaw;
        const char* name;
    } cases[] = {
        {0, kPitch, 0.34906584f, "Rotate Type: Sync Yaw"},
        {1, 0.17453292f, 0.34906584f, "Rotate Type: Sync Pitch and Yaw"},
        {2, 0.17453292f, kYaw, "Rotate Type: Lock Owner Yaw"},
        {7, 0.17453292f, 0.34906584f, "Rotate Type: Unknown!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        m_view.m_iRotateType = c.type;
        ActorDesc* desc = m_view.Update();
        ASSERT_EQ(desc, &m_view.m_Desc);
        EXPECT_EQ(desc->m_pModel, Instance());
        EXPECT_NEAR(desc->m_vPosition.x, 32.0f, 1e-4f);
        EXPECT_NEAR(desc->m_vPosition.y, 24.0f, 1e-4f);
        EXPECT_NEAR(desc->m_vPosition.z, 24.0f, 1e-4f);
        EXPECT_NEAR(desc->m_vAngles.x, c.pitch, 1e-5f);
        EXPECT_NEAR(desc->m_vAngles.y, c.yaw, 1e-5f);
        EXPECT_NEAR(desc->m_vAngles.z, 0.52359876f, 1e-5f);
        CStringList lines;
        m_view.Describe(&lines);
        ASSERT_EQ(lines.GetCount(), 5);
        EXPECT_STREQ(lines.GetAt(lines.FindIndex(1)), c.name);
        EXPECT_STREQ(lines.GetTail(), "Animation: idle (0) Frame: 0 (Global: 0)");
    }
}

TEST_F(ViewModelTest, AViewModelThatIsNotVisibleIsPlacedButNotDrawn) {
    m_view.m_Desc.m_dwFlags = 0xC;
    m_view.m_vPosition = SVector(1.0f, 0.0f, 0.0f);
    m_view.Update();
    EXPECT_EQ(m_view.m_Desc.m_dwFlags, 1u);
    m_view.SetFlag("Visible", false);
    m_view.m_Desc.m_dwFlags = 0xD;
    m_view.m_vPosition = SVector(2.0f, 0.0f, 0.0f);
    m_view.Update();
    EXPECT_EQ(m_view.m_Desc.m_dwFlags, 0xCu);
    EXPECT_FLOAT_EQ(m_view.m_Desc.m_vPosition.x, 16.0f);
}

TEST_F(ViewModelTest, SwitchingPitchSyncGivesAKickThatDecaysOverTheAnimation) {
    // A camera pitch of 4.0 is taken as 4.0 - 2 pi = -2.2831853.
    m_renderer.SetViewAngles(4.0f, 0.0f, 0.0f);
    const struct {
        const char* what;
        float length;   // of the current animation; negative: none
        bool model;
        float kick;
        float decay;
    } cases[] = {
        {"four long", 4.0f, true, -2.2831853f, 0.5707963f},
        {"zero long", 0.0f, true, 0.0f, 0.0f},
        {"no animation", -1.0f, true, 0.0f, 0.0f},
        {"no model", 4.0f, false, 0.0f, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SViewModel view;
        view.m_pRenderer = &m_renderer;
        m_model->m_anims[0]->totalTime = c.length;
        if (c.model) {
            view.SetModelInstance(m_model->CreateHandle());
            if (c.length < 0.0f)
                view.m_pModel->m_nCurAnim = -1;
        }
        view.SetRotateType(0);
        EXPECT_EQ(view.m_iRotateType, 0);
        EXPECT_NEAR(view.m_vPitchKick.x, c.kick, 1e-5f);
        EXPECT_NEAR(view.m_fKickDecay, c.decay, 1e-5f);
        view.OnEvent(1);
        EXPECT_NEAR(view.m_vPitchKick.x, c.kick == 0.0f ? 0.0f : -1.712389f, 1e-5f);
        view.OnEvent(5);
        EXPECT_FLOAT_EQ(view.m_vPitchKick.x, 0.0f);
    }
    // Switching to or from type 2 stores the type only.
    SViewModel view;
    view.m_pRenderer = &m_renderer;
    view.SetModelInstance(m_model->CreateHandle());
    m_model->m_anims[0]->totalTime = 4.0f;
    view.SetRotateType(2);
    view.SetRotateType(0);
    EXPECT_EQ(view.m_iRotateType, 0);
    EXPECT_FLOAT_EQ(view.m_vPitchKick.x, 0.0f);
}

TEST_F(ViewModelTest, TriggersFireWhenTheAnimationPassesTheirFrame) {
    s_iFired = 0;
    m_view.m_pfnTrigger = &CountTrigger;
    m_view.m_Triggers.AddTail(new SVMTrigger(0, 5));
    const struct {
        int16_t step;
        int fired;  // so far
    } steps[] = {{3, 0}, {7, 1}, {8, 1}, {2, 1}, {6, 2}, {6, 2}};
    int answered = 0;
    for (const auto& s : steps) {
        SetStep(s.step);
        const int answer = m_view.OnEvent(0);
        EXPECT_EQ(s_iFired, s.fired) << "step " << s.step;
        // The callback's answer comes back when it ran, else 0.
        EXPECT_EQ(answer, s.fired != answered ? s.fired : 0) << "step " << s.step;
        answered = s.fired;
    }
    // Another animation never fires it; a trigger at frame 0 fires on the first event.
    s_iFired = 0;
    m_view.DeleteTriggers();
    m_view.m_Triggers.AddTail(new SVMTrigger(1, 0));
    m_view.m_Triggers.AddTail(new SVMTrigger(0, 0));
    SetStep(0);
    m_view.OnEvent(0);
    m_view.OnEvent(0);
    EXPECT_EQ(s_iFired, 1);
}

TEST(ViewModelNamingTest, EachViewModelTakesTheNextNumber) {
    SViewModel first;
    SViewModel second;
    const std::string a = first.m_sClassName.GetString();
    const std::string b = second.m_sClassName.GetString();
    ASSERT_EQ(a.rfind("ViewModel", 0), 0u);
    ASSERT_EQ(b.rfind("ViewModel", 0), 0u);
    EXPECT_EQ(std::atoi(b.c_str() + 9), std::atoi(a.c_str() + 9) + 1);
    EXPECT_EQ(first.m_iRotateType, 1);
    EXPECT_EQ(first.GetFlag("Flying"), 1);
    EXPECT_EQ(first.GetFlag("ClipToGround"), 0);
    EXPECT_TRUE(first.IsKindOf(RUNTIME_CLASS(SActor)));
}

}  // namespace
