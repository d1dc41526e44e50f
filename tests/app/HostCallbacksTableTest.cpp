#include "app/SHostCallbacks.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/SGameObjects.h"

namespace {

// The host's hub changes the working directory when it is made; the tests put it back.
class HostCallbacksTableTest : public testing::Test {
protected:
    void SetUp() override { m_saved = std::filesystem::current_path(); }
    void TearDown() override { std::filesystem::current_path(m_saved); }

    std::filesystem::path m_saved;
};

TEST_F(HostCallbacksTableTest, TableIsTwentySevenWordsAnnouncingOneHundredAndEight) {
    EXPECT_EQ(sizeof(SHostCallbacks), 27 * sizeof(void*));
    EXPECT_EQ(kHostCallbacksSize, 108u);
}

TEST_F(HostCallbacksTableTest, FillingLeavesTheSizeWordAndTheLibrarysWordAlone) {
    SHostCallbacks table{};
    int libraryWord = 0;
    table.m_dwSize = 7;
    table.m_pLibraryWord = &libraryWord;
    FillHostCallbacks(table);
    EXPECT_EQ(table.m_dwSize, 7u);
    EXPECT_EQ(table.m_pLibraryWord, &libraryWord);
}

TEST_F(HostCallbacksTableTest, EmptySlotsAnswerZero) {
    SHostCallbacks table{};
    FillHostCallbacks(table);
    ASSERT_NE(table.HostNoOpA, nullptr);
    ASSERT_NE(table.HostNoOpB, nullptr);
    EXPECT_EQ(table.HostNoOpA(), 0);
    EXPECT_EQ(table.HostNoOpB(), 0);
}

TEST_F(HostCallbacksTableTest, GraphicsValueIsTheSoftwareSwitch) {
    SHostCallbacks table{};
    FillHostCallbacks(table);
    ASSERT_NE(table.HostGetGraphicsValue, nullptr);
    CGraphicsData* graphics = SGameObjects::Instance()->m_pConfig->m_pGraphics;
    const int32_t saved = graphics->m_bSoftware;
    graphics->m_bSoftware = 0;
    EXPECT_EQ(table.HostGetGraphicsValue(), 0);
    graphics->m_bSoftware = 1;
    EXPECT_EQ(table.HostGetGraphicsValue(), 1);
    graphics->m_bSoftware = saved;
}

TEST_F(HostCallbacksTableTest, GameSoundsThatDoNotExistAreNull) {
    SHostCallbacks table{};
    FillHostCallbacks(table);
    ASSERT_NE(table.HostGetGameSound, nullptr);
    ASSERT_NE(table.HostGetGameSoundByIndex, nullptr);
    EXPECT_EQ(table.HostGetGameSound("no such sound.wav", 0), nullptr);
    EXPECT_EQ(table.HostGetGameSound(nullptr, 1), nullptr);
    EXPECT_EQ(table.HostGetGameSoundByIndex(0, 0), nullptr);
    EXPECT_EQ(table.HostGetGameSoundByIndex(5000, 1), nullptr);
}

}  // namespace
