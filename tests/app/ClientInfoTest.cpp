#include "app/SClientInfo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SDataCollection.h"
#include "frontend/hud/SAppLayout.h"
#include "sys/time/time.h"

namespace {

TEST(ClientInfoTest, AverageRangeOfTheNonZeroEntriesIsKeptUntilTheRingChanges) {
    const struct {
        std::vector<int32_t> ring;
        int previous;  // the cached average before the call
        int expected;
    } cases[] = {
        {{}, 0, 0},            // an empty ring keeps the average after Reset
        {{}, 12, 12},          // ... and any earlier one
        {{10, 0, 21}, 0, 15},  // 31 / 2 truncated
        {{-7, 0, 0, -2}, 0, -4},
        {{5, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 7}, 0, 6},
    };
    for (const auto& c : cases) {
        SClientInfo client;
        for (size_t i = 0; i < c.ring.size(); ++i)
            client.m_iRanges[i] = c.ring[i];
        client.m_iAverageRange = c.previous;
        EXPECT_EQ(client.GetAverageRange(), c.expected);
        EXPECT_EQ(client.m_bRangeChanged, 0);
        // Until the ring is marked changed the cached value answers.
        client.m_iRanges[0] = 1000;
        EXPECT_EQ(client.GetAverageRange(), c.expected);
        client.ResetRanges();
        EXPECT_EQ(client.m_iRanges[0], 0);
        EXPECT_EQ(client.m_bRangeChanged, 1);
        EXPECT_EQ(client.GetAverageRange(), 0);
    }
}

TEST(ClientInfoTest, ResetRestoresTheInitialStateAndTheHistoryKeepsOnlyTheLatest) {
    SClientInfo client;
    SOrientationHist first;
    first.m_iValue = 1;
    SOrientationHist second;
    second.m_iValue = 2;
    second.m_vValues[4] = SVector(1.0f, 2.0f, 3.0f);
    client.AddOrientation(first);
    client.AddOrientation(second);
    ASSERT_EQ(client.m_OrientationHist.GetCount(), 1);
    EXPECT_EQ(client.m_OrientationHist.GetHead()->m_iValue, 2);
    EXPECT_FLOAT_EQ(client.m_OrientationHist.GetHead()->m_vValues[4].z, 3.0f);
    EXPECT_EQ(client.m_bOrientation, 1);
    client.ClearOrientation();
    EXPECT_TRUE(client.m_OrientationHist.IsEmpty());
    EXPECT_EQ(client.m_bOrientation, 0);

    client.m_iClientId = 4;
    client.m_iMoveMode = 3;
    client.m_bFlag1 = 0;
    client.m_iRangePos = 9;
    client.m_bRangeChanged = 0;
    client.m_pValues->SetOrAppend("kept", "1", 0);
    EXPECT_EQ(client.Reset(), 0);
    EXPECT_EQ(client.m_iClientId, -1);
    EXPECT_EQ(client.m_iSecondId, -1);
    EXPECT_EQ(client.m_iMoveMode, 0);
    EXPECT_EQ(client.m_bFlag1, 1);
    EXPECT_FLOAT_EQ(client.m_fValue1, 200.0f);
    EXPECT_FLOAT_EQ(client.m_fState4, 0.2f);
    EXPECT_EQ(client.m_iState2, 1);
    EXPECT_EQ(client.m_iRangePos, 0);
    EXPECT_EQ(client.m_bRangeChanged, 1);
    EXPECT_EQ(client.m_pValues->FindByName("kept"), 0);
    EXPECT_TRUE(client.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_NE(CRuntimeClass::FromName("SClientInfo"), nullptr);
}

TEST(ClientInfoTest, FloodCheckCountsCallsInATwoSecondWindow) {
    SClientInfo client;
    sys::time::SetFakeTicks(100000);
    // The first call opens a window at 100000; four calls are allowed in it with a limit of 3.
    EXPECT_FALSE(client.FloodCheck(3));
    const struct {
        uint32_t advance;
        bool refused;
    } steps[] = {
        {100, false}, {100, false}, {100, false}, {100, false},  // the fifth counted call is refused
        {100, true},  {1700, true},                               // the window has closed with 5 calls
        {10000, true}, {7700, true},                              // 19.9 s after the window began
        {200, false},                                             // the penalty is over: a new window
        {100, false},
    };
    for (const auto& s : steps) {
        sys::time::AdvanceFake(s.advance);
        EXPECT_EQ(client.FloodCheck(3), s.refused) << "at " << sys::time::TickCount();
    }
    // A window that closed under the limit simply starts again.
    SClientInfo quiet;
    sys::time::SetFakeTicks(500000);
    EXPECT_FALSE(quiet.FloodCheck(3));
    sys::time::AdvanceFake(2500);
    EXPECT_FALSE(quiet.FloodCheck(3));
    EXPECT_EQ(quiet.m_dwFloodStart, 502500u);
}

TEST(ClientInfoTest, ClientListsAreWalkedOneLockedOperationAtATime) {
    CObList list;
    SClientInfo a;
    SClientInfo b;
    a.m_iClientId = 1;
    b.m_iClientId = 2;
    SClientInfo::AddTail(&list, &a);
    SClientInfo::AddTail(&list, &b);
    EXPECT_EQ(SClientInfo::GetCount(&list), 2);
    std::vector<int> ids;
    for (POSITION pos = SClientInfo::GetHeadPosition(&list); pos != nullptr;)
        ids.push_back(SClientInfo::GetNext(&list, pos)->m_iClientId);
    EXPECT_EQ(ids, (std::vector<int>{1, 2}));
    EXPECT_EQ(SClientInfo::GetAt(&list, SClientInfo::FindIndex(&list, 1)), &b);
    EXPECT_EQ(SClientInfo::GetAt(&list, SClientInfo::GetTailPosition(&list)), &b);
    EXPECT_EQ(SClientInfo::FindIndex(&list, 2), nullptr);
}

TEST(ClientInfoTest, TheGameItemsHoldOneAndTheLayoutReadsItsTables) {
    const std::filesystem::path saved = std::filesystem::current_path();
    SGameObjects* hub = SGameObjects::Instance();
    std::filesystem::current_path(saved);
    SGameItems* items = hub->m_pGameItems;
    ASSERT_NE(items->m_pClientInfo, nullptr);
    SClientInfo* before = items->m_pClientInfo;
    before->m_iClientId = 7;
    items->ResetClientInfo();
    ASSERT_NE(items->m_pClientInfo, nullptr);
    EXPECT_EQ(items->m_pClientInfo->m_iClientId, -1);

    SClientInfo& client = *items->m_pClientInfo;
    client.m_pValues->Set(3, "panel", "1", 0);
    client.m_pValues->Set(57, "weaponX", "2.5", 0);
    client.m_pScripts->Set(2, "overlay", "scope.lay", 0);
    SAppLayout layout(hub);
    EXPECT_EQ(layout.GetValue("client 3", nullptr, nullptr), 1);
    EXPECT_FLOAT_EQ(layout.GetFloatValue("client 57", nullptr, nullptr), 2.5f);
    EXPECT_STREQ(static_cast<const char*>(layout.GetText("client 57", nullptr)), "2.5");
    EXPECT_STREQ(static_cast<const char*>(layout.GetText("path 2", nullptr)), "scope.lay");
    EXPECT_EQ(layout.GetValue("client 90", nullptr, nullptr), 0);
    items->ResetClientInfo();
}

}  // namespace
