// The archive form of the configuration sections: each one's integer fields as 32-bit words
// in declaration order, and nothing else; and what is stored loads back into a fresh
// configuration field for field.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/CServerData.h"
#include "app/CSoundData.h"
#include "app/CSystemData.h"
#include "tests/support/ArchiveBytes.h"

namespace {

using tarvex::test::Bytes;

Bytes Store(CObject& section) {
    return tarvex::test::StoreArchive([&](CArchive& ar) { section.Serialize(ar); });
}

TEST(ConfigArchiveTest, EachSectionStoresItsIntegersAsWords) {
    CSystemData system;
    CGraphicsData graphics;
    CSoundData sound;
    CServerData server;
    sound.m_sDriver = "hw:0";
    server.m_sCurse = "darn";
    // Graphics: 24 integer variables, weather and filter, then windowed, primary driver, depth,
    // width, height and the level value (the identifier's bytes are not integers).
    const struct {
        CObject* section;
        size_t words;
    } cases[] = {{&system, 12}, {&graphics, 32}, {&sound, 9}, {&server, 8}};
    for (const auto& c : cases)
        EXPECT_EQ(Store(*c.section).size(), c.words * 4) << c.section->GetRuntimeClass()->m_lpszClassName;
}

TEST(ConfigArchiveTest, SoundWordsComeInDeclarationOrder) {
    CSoundData sound;
    sound.m_bEnabled = 0;
    sound.m_b3DEnabled = 1;
    sound.m_bMusic = 0;
    sound.m_bVoice = 1;
    sound.m_b3DSoftware = 0;
    sound.m_b8BitQuality = 1;
    sound.m_i3DResolution = 75;
    sound.m_iMaxSameBuffers = 16;
    sound.m_iIdleRemoveTime = 600;  // 0x258
    const Bytes expected = {0, 0, 0, 0, 1, 0, 0, 0, 0,  0, 0, 0, 1,    0, 0, 0, 0, 0,
                            0, 0, 1, 0, 0, 0, 75, 0, 0, 0, 16, 0, 0, 0, 0x58, 2, 0, 0};
    EXPECT_EQ(Store(sound), expected);
}

std::string Get(const CConfigData& config, const std::string& name) {
    SString value;
    return config.GetVariable(name.c_str(), value) ? value.GetString() : "<unknown>";
}

TEST(ConfigArchiveTest, LoadingWhatWasStoredGivesBackEveryField) {
    CConfigData stored;
    stored.m_Header.m_sTitle = "Range Settings";
    stored.m_Header.m_sMaker = "Somebody Else";
    stored.m_Header.m_sVersion = "2.5";
    ASSERT_TRUE(stored.SetVariable("gfx_software", "0"));
    ASSERT_TRUE(stored.SetVariable("gfx_res", "1152 864"));
    ASSERT_TRUE(stored.SetVariable("gfx_weather", "2D"));
    ASSERT_TRUE(stored.SetVariable("gfx_filter", "Bilinear"));
    CGraphicsData& graphics = *stored.m_pGraphics;
    graphics.m_bCanRenderWindowed = 0;
    graphics.m_bPrimaryDriver = 0;
    graphics.m_iColorDepth = 32;
    graphics.m_iProfileLevelValue = 61;

    // Not in the archive: the detail level, the driver identifier and the sound driver's name.
    const std::set<std::string> unstored = {"cfg_sysprofile", "gfx_driver_guid", "snd_driver"};
    const std::set<std::string> texts = {"gfx_res", "gfx_weather", "gfx_filter"};
    const CConfigData fresh;
    CArray<SString> listed;
    fresh.ListVariables(listed);
    std::vector<std::string> names;
    for (int i = 0; i < listed.GetSize(); ++i) {
        const std::string name = listed[i].GetString();
        if (name[0] != '\n' && name[0] != '[' && unstored.count(name) == 0)
            names.push_back(name);
    }
    // Each integer a number of its own, or the end of its range it does not start at.
    for (size_t i = 0; i < names.size(); ++i) {
        if (texts.count(names[i]) != 0)
            continue;
        for (const std::string& value : {std::to_string(100 + i), std::string("-1"), std::string("1")}) {
            ASSERT_TRUE(stored.SetVariable(names[i].c_str(), value.c_str())) << names[i];
            if (Get(stored, names[i]) != Get(fresh, names[i]))
                break;
        }
    }

    CConfigData loaded;
    tarvex::test::LoadArchive(Store(stored), [&](CArchive& ar) { loaded.Serialize(ar); });
    // 12 system, 27 graphics, 9 sound and 8 server variables.
    EXPECT_EQ(names.size(), 12u + 27u + 9u + 8u);
    for (const std::string& name : names) {
        EXPECT_NE(Get(fresh, name), Get(stored, name)) << name;
        EXPECT_EQ(Get(stored, name), Get(loaded, name)) << name;
    }
    EXPECT_EQ(loaded.m_pGraphics->m_bCanRenderWindowed, 0);
    EXPECT_EQ(loaded.m_pGraphics->m_bPrimaryDriver, 0);
    EXPECT_EQ(loaded.m_pGraphics->m_iColorDepth, 32);
    EXPECT_EQ(loaded.m_pGraphics->m_iProfileLevelValue, 61);
    EXPECT_STREQ(loaded.m_Header.m_sTitle.GetString(), "Range Settings");
    EXPECT_STREQ(loaded.m_Header.m_sMaker.GetString(), "Somebody Else");
    EXPECT_STREQ(loaded.m_Header.m_sVersion.GetString(), "2.5");
    EXPECT_EQ(loaded.m_Header.m_fVersion, 2.5f);
}

}  // namespace
