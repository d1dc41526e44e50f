// Instances of a model: their defaults, group, skin and texture choices, frames and
// animations, and what happens when the model goes away first.
#include <gtest/gtest.h>

#include <memory>

#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "tests/assets/models/ModelSamples.h"

namespace {

constexpr int16_t kBad = static_cast<int16_t>(0xFFFF);

std::unique_ptr<SSMObject> Model() {
    auto model = tarvex::test::MakeDressedModel();
    model->m_resources[0]->textureSlot = 5;
    auto second = std::make_unique<SSMResource>();
    second->name = "wood";
    second->textureSlot = 9;
    model->m_resources.push_back(std::move(second));
    auto skin = std::make_unique<SSMSkin>();
    skin->name = "Planks";
    skin->resource = 1;
    model->m_groups[0]->skins.push_back(std::move(skin));
    model->m_groups[1]->flags = kGroupMarker | 0x20;
    model->m_groups[1]->value = 77;
    return model;
}

// Every question a handle without a model can be asked, and its answer.
void ExpectNoModelAnswers(SSMHandle& handle) {
    EXPECT_EQ(handle.GetModel(), nullptr);
    EXPECT_EQ(handle.FindGroup("Normal"), kBad);
    EXPECT_EQ(handle.GetCurrentGroup(), -1);
    EXPECT_EQ(handle.FindSkin(0, "Skin0"), -1);
    EXPECT_EQ(handle.GetSkin(0), kBad);
    EXPECT_EQ(handle.GetSkinTexture(0, 0), -1);
    EXPECT_EQ(handle.IsDirectTexture(0), 0);
    EXPECT_EQ(handle.IsAnimated(), 0);
    EXPECT_EQ(handle.GetFrame(), -1);
    EXPECT_EQ(handle.GetAnimFrameCount(kBad), -1);
    EXPECT_EQ(handle.GetAnimStep(0), -1);
    EXPECT_EQ(handle.GetAnimTotalTime(kBad), -1.0f);
    EXPECT_EQ(handle.GetGroupFrameRecord(0, 0), nullptr);
    EXPECT_EQ(handle.IsMarkerGroup(1), 0);
    EXPECT_EQ(handle.FindAnim("idle"), -1);
    EXPECT_EQ(handle.FindModelTag("Static_1"), -1);
    EXPECT_EQ(handle.SelectGroupByName("Normal", 2.0f), 0);
    EXPECT_EQ(handle.GetFrameCount(), 0);
    // Setters change nothing and touch no memory.
    handle.SetSkin(0, 0);
    handle.SetGroupTexture(0, 3);
    handle.SetCurrentGroup(0);
    handle.SetAnimated(1);
    handle.SetFrame(0);
    handle.ClearGroupMarks();
    EXPECT_EQ(handle.IsAnimated(), 0);
}

TEST(SSMHandleTest, NewHandlesAndTheirAnswers) {
    SSMHandle unbound;
    ExpectNoModelAnswers(unbound);

    auto model = Model();
    std::unique_ptr<SSMHandle> handle(model->CreateHandle());
    EXPECT_EQ(model->m_handles.size(), 1u);
    EXPECT_EQ(handle->m_nCurAnim, 0);
    EXPECT_EQ(handle->GetFrame(), 0);
    EXPECT_EQ(handle->GetCurrentGroup(), -1);
    EXPECT_EQ(handle->GetScale(), 1.0f);
    // Group states copy the group's flags and value; texture slots start from the resources.
    EXPECT_EQ(handle->GetGroupFlags(1), kGroupMarker | 0x20);
    EXPECT_EQ(handle->GetGroupValue(1), 77u);
    EXPECT_EQ(handle->m_groupStates[0].textureSlot, 5);
    EXPECT_EQ(handle->m_groupStates[1].textureSlot, -1);
    EXPECT_EQ(handle->GetSkinTexture(0, 1), 9);
    EXPECT_EQ(handle->m_animStates[0].flags, 1u);
    EXPECT_EQ(handle->m_animStates[0].speed, 1.0f);

    EXPECT_EQ(handle->FindGroup("part"), 1);
    EXPECT_EQ(handle->FindGroup("nothing"), kBad);
    EXPECT_EQ(handle->FindSkin(0, "PLANKS"), 1);
    EXPECT_EQ(handle->FindAnim("IDLE"), 0);
    EXPECT_EQ(handle->FindModelTag("static_1"), 0);
    EXPECT_EQ(handle->IsMarkerGroup(1), 1);  // flag 0x8 and exactly two triangles
    EXPECT_EQ(handle->IsMarkerGroup(0), 0);
    EXPECT_EQ(handle->GetAnimFrameCount(kBad), 3);
    EXPECT_EQ(handle->GetAnimTotalTime(0), 1.0f);
    EXPECT_EQ(handle->GetAnimStep(kBad), 0);
    EXPECT_EQ(handle->GetAnimTotalTime(1), -1.0f);
    EXPECT_EQ(handle->GetFrameCount(), 2);
    EXPECT_EQ(handle->GetGroupCount(), 2);
}

TEST(SSMHandleTest, GroupsSkinsFramesAndAnimationState) {
    auto model = Model();
    std::unique_ptr<SSMHandle> handle(model->CreateHandle());

    handle->SetGroupTexture(0, 7);
    EXPECT_EQ(handle->GetSkin(0), 7);
    EXPECT_EQ(handle->IsDirectTexture(0), 1);
    handle->SetSkin(0, 1);
    EXPECT_EQ(handle->GetSkin(0), 1);
    EXPECT_EQ(handle->IsDirectTexture(0), 0);
    EXPECT_EQ(handle->m_groupStates[0].textureSlot, 9);
    handle->SetSkin(0, 2);  // no such skin
    EXPECT_EQ(handle->GetSkin(0), 1);
    EXPECT_EQ(handle->GetSkin(2), kBad);

    handle->SetCurrentGroup(1);
    handle->SetCurrentGroup(2);
    EXPECT_EQ(handle->GetCurrentGroup(), 1);
    EXPECT_EQ(handle->SelectGroupByName("NORMAL", 8.0f), 1);
    EXPECT_EQ(handle->GetCurrentGroup(), 0);
    EXPECT_EQ(handle->GetScale(), 8.0f);
    EXPECT_EQ(handle->SelectGroupByName("none", 2.0f), 0);

    handle->SetFrame(1);
    handle->SetFrame(2);  // the frame count itself
    handle->SetFrame(-1);
    EXPECT_EQ(handle->GetFrame(), 1);

    handle->SetAnimated(1);
    EXPECT_EQ(handle->IsAnimated(), 1);
    // Animated: frame 0xFFFF is the frame of the current animation's current step.
    handle->m_animStates[0].step = 1;
    EXPECT_EQ(handle->GetGroupFrameRecord(1, kBad), &model->m_frames[1]->groupFrames[1]);
    handle->m_animStates[0].step = 2;
    EXPECT_EQ(handle->GetGroupFrameRecord(1, kBad), &model->m_frames[0]->groupFrames[1]);
    handle->SetAnimated(2);
    EXPECT_EQ(handle->IsAnimated(), 0);
    EXPECT_EQ(handle->GetGroupFrameRecord(1, kBad), &model->m_frames[1]->groupFrames[1]);
    EXPECT_EQ(handle->GetGroupFrameRecord(1, 2), nullptr);

    handle->SetGroupMark(1);
    EXPECT_EQ(handle->TestGroupMark(1), 1);
    handle->ClearGroupMarks();
    EXPECT_EQ(handle->TestGroupMark(1), 0);
    handle->SetGroupInBsp(1, true);
    EXPECT_EQ(handle->GetGroupFlags(1) & kGroupInBsp, kGroupInBsp);
    handle->SetGroupInBsp(1, false);
    EXPECT_EQ(handle->GetGroupFlags(1) & kGroupInBsp, 0u);
}

TEST(SSMHandleTest, HandlesOutliveTheirModelSafely) {
    auto model = Model();
    auto* first = model->CreateHandle();
    std::unique_ptr<SSMHandle> second(model->CreateHandle());
    delete first;
    ASSERT_EQ(model->m_handles.size(), 1u);
    EXPECT_EQ(model->m_handles[0], second.get());

    // Clearing the model detaches the handle: it answers as one without a model.
    model->Clear();
    EXPECT_TRUE(model->m_handles.empty());
    ExpectNoModelAnswers(*second);

    // Destroying the model does the same; deleting the handle afterwards is safe.
    auto other = Model();
    std::unique_ptr<SSMHandle> third(other->CreateHandle());
    other.reset();
    ExpectNoModelAnswers(*third);
    third.reset();
}

}  // namespace
