#include "app/SHostCallbacks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/SGameObjects.h"
#include "render/SD3D6Parser.h"

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

TEST_F(HostCallbacksTableTest, EveryHostWordIsFilledInItsPlace) {
    SHostCallbacks table{};
    FillHostCallbacks(table);
    void* words[kHostCallbacksWords];
    static_assert(sizeof(words) == sizeof(table));
    std::memcpy(words, &table, sizeof(words));
    for (int word = 1; word <= 25; ++word)
        EXPECT_NE(words[word], nullptr) << "word " << word;
    EXPECT_EQ(words[26], nullptr);
    // Words identified by what they answer: 1 the level record, 10 the same as 7, 13 the map
    // path, 22 a profile definition, 21 and 23 nothing.
    SLevelInfo* info = nullptr;
    EXPECT_EQ(reinterpret_cast<int (*)(SLevelInfo**)>(words[1])(&info), 1);
    EXPECT_EQ(info, &HostLevelInfo());
    EXPECT_EQ(words[10], words[7]);
    reinterpret_cast<int (*)(const char*)>(words[13])("word13.gmx");
    EXPECT_NE(std::string(HostLevelInfo().m_sMapPath.GetString()).find("\\Maps\\word13.gmx"), std::string::npos);
    EXPECT_EQ(reinterpret_cast<SObjectDef* (*)(const char*)>(words[22])(nullptr), nullptr);
    EXPECT_EQ(reinterpret_cast<int (*)()>(words[21])(), 0);
    EXPECT_EQ(reinterpret_cast<int (*)()>(words[23])(), 0);
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
