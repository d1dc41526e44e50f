// The configuration's console variables as SET, LIST and the detail levels use them: names in
// any case, atoi values, clamps, refused values that keep the old one, and profiles 1 to 5.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/CServerData.h"
#include "app/CSoundData.h"
#include "app/CSystemData.h"
#include "dx/input/SInputObjSettings.h"

namespace {

std::string Get(const CConfigData& config, const char* name) {
    SString value;
    if (!config.GetVariable(name, value))
        return "<unknown>";
    return value.GetString();
}

TEST(ConfigVariablesTest, ConstructionGivesDetailLevelOneWithNoProfileChosen) {
    CConfigData config;
    EXPECT_EQ("-1", Get(config, "cfg_sysprofile"));
    EXPECT_EQ("50", Get(config, "snd_3dresolution"));
    EXPECT_EQ("Off", Get(config, "gfx_weather"));
    EXPECT_EQ("None", Get(config, "gfx_filter"));
    EXPECT_EQ("640 480", Get(config, "gfx_res"));
    EXPECT_EQ("1", Get(config, "gfx_software"));
    EXPECT_EQ(0, config.m_pGraphics->m_iProfileLevelValue);
    EXPECT_EQ(1, config.m_pGraphics->m_bPrimaryDriver);
    EXPECT_EQ(1, config.m_pGraphics->m_bCanRenderWindowed);
    EXPECT_EQ(16, config.m_pGraphics->m_iColorDepth);
    EXPECT_EQ(nullptr, config.m_pInputSettings);
}

TEST(ConfigVariablesTest, NamesMatchInAnyCase) {
    CConfigData config;
    EXPECT_TRUE(config.SetVariable("GAME_FullScreen", "1"));
    EXPECT_EQ("1", Get(config, "game_fullscreen"));
    EXPECT_EQ(1, config.m_pSystem->m_bFullScreen);
    EXPECT_TRUE(config.SetVariable("SRV_FLOOD", "9"));
    EXPECT_EQ("9", Get(config, "Srv_Flood"));
    EXPECT_TRUE(config.SetVariable("Cfg_SysProfile", "4"));
    EXPECT_EQ(4, config.m_iSysProfile);
}

TEST(ConfigVariablesTest, NumbersAreReadLikeAtoi) {
    CConfigData config;
    EXPECT_TRUE(config.SetVariable("game_viewsize", "12abc"));
    EXPECT_EQ("12", Get(config, "game_viewsize"));
    EXPECT_TRUE(config.SetVariable("game_viewsize", "abc"));
    EXPECT_EQ("0", Get(config, "game_viewsize"));
    EXPECT_TRUE(config.SetVariable("gfx_overlaypersistence", "  -7"));
    EXPECT_EQ("-7", Get(config, "gfx_overlaypersistence"));
}

// Digits past the int range lie beyond the bound on their side, whatever the setting's range.
TEST(ConfigVariablesTest, NumbersPastTheIntRangeStopAtTheBoundOnTheirSide) {
    CConfigData config;
    SInputObjSettings input;
    config.m_pInputSettings = &input;
    const char* const huge = "99999999999999999999";
    const char* const hugeNegative = "-99999999999999999999";
    const struct {
        const char* name;
        const char* value;
        const char* stored;
    } cases[] = {
        {"inp_msensitivity", huge, "255"},         {"inp_msensitivity", hugeNegative, "1"},
        {"inp_msensitivity", "4294967297", "255"}, {"snd_idleremovetime", huge, "600"},
        {"snd_idleremovetime", hugeNegative, "0"}, {"srv_maxplayers", "4294967298", "8"},
        {"srv_time", huge, "2147483647"},          {"srv_time", hugeNegative, "-2147483648"},
        {"gfx_treepop", "2147483648", "2147483647"}, {"inp_aiming", "-2147483649", "-2147483648"},
        {"cfg_sysprofile", "4294967297", "2147483647"}, {"game_viewsize", " +2147483647x", "2147483647"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(config.SetVariable(c.name, c.value)) << c.name;
        EXPECT_EQ(c.stored, Get(config, c.name)) << c.name << " = " << c.value;
    }
}

TEST(ConfigVariablesTest, UnknownNamesAreRefused) {
    CConfigData config;
    EXPECT_FALSE(config.SetVariable("gfx_nosuchthing", "1"));
    EXPECT_FALSE(config.SetVariable("", "1"));
    SString value;
    EXPECT_FALSE(config.GetVariable("gfx_nosuchthing", value));
    // The server texts are written to the file but are no console variables.
    EXPECT_FALSE(config.SetVariable("srv_curse", "x"));
    EXPECT_FALSE(config.SetVariable("srv_logfile", "x"));
    EXPECT_TRUE(config.m_pServer->m_sCurse.IsEmpty());
}

TEST(ConfigVariablesTest, ServerPlayerCountIsClampedToTwoToEight) {
    CConfigData config;
    EXPECT_TRUE(config.SetVariable("srv_maxplayers", "20"));
    EXPECT_EQ("8", Get(config, "srv_maxplayers"));
    EXPECT_TRUE(config.SetVariable("srv_maxplayers", "1"));
    EXPECT_EQ("2", Get(config, "srv_maxplayers"));
    EXPECT_TRUE(config.SetVariable("srv_maxplayers", "5"));
    EXPECT_EQ("5", Get(config, "srv_maxplayers"));
    // The other server numbers are not limited.
    EXPECT_TRUE(config.SetVariable("srv_time", "-30"));
    EXPECT_EQ("-30", Get(config, "srv_time"));
}

TEST(ConfigVariablesTest, SoundValuesAreClampedToTheirRanges) {
    CConfigData config;
    const struct {
        const char* name;
        const char* value;
        const char* stored;
    } cases[] = {
        {"snd_idleremovetime", "1000", "600"}, {"snd_idleremovetime", "-5", "0"},
        {"snd_idleremovetime", "600", "600"},  {"snd_maxsamebuffers", "0", "1"},
        {"snd_maxsamebuffers", "17", "16"},    {"snd_maxsamebuffers", "16", "16"},
        {"snd_3dresolution", "101", "100"},    {"snd_3dresolution", "-1", "0"},
        {"snd_enabled", "2", "1"},             {"snd_music", "-3", "0"},
        {"snd_voice", "0", "0"},               {"snd_3dsoftware", "7", "1"},
        {"snd_8bitquality", "1", "1"},         {"snd_3denabled", "99", "1"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(config.SetVariable(c.name, c.value)) << c.name;
        EXPECT_EQ(c.stored, Get(config, c.name)) << c.name << " = " << c.value;
    }
}

TEST(ConfigVariablesTest, SoundDriverKeepsItsTextUnchanged) {
    CConfigData config;
    EXPECT_TRUE(config.SetVariable("snd_driver", " Primary Sound Driver "));
    EXPECT_EQ(" Primary Sound Driver ", Get(config, "snd_driver"));
    EXPECT_STREQ(" Primary Sound Driver ", config.m_pSound->m_sDriver.GetString());
}

TEST(ConfigVariablesTest, ResolutionIsTwoNumbersAndSoftwareKeeps640By480) {
    CConfigData config;
    ASSERT_EQ(1, config.m_pGraphics->m_bSoftware);
    EXPECT_TRUE(config.SetVariable("gfx_res", "800 600"));
    EXPECT_EQ("640 480", Get(config, "gfx_res"));

    EXPECT_TRUE(config.SetVariable("gfx_software", "0"));
    EXPECT_TRUE(config.SetVariable("gfx_res", "800 600"));
    EXPECT_EQ("800 600", Get(config, "gfx_res"));
    EXPECT_TRUE(config.SetVariable("gfx_res", "\t1024 \t 768  "));
    EXPECT_EQ(1024, config.m_pGraphics->m_iWidth);
    EXPECT_EQ(768, config.m_pGraphics->m_iHeight);
}

TEST(ConfigVariablesTest, ResolutionThatIsNotTwoNumbersOfAtLeast640By480IsRefused) {
    CConfigData config;
    ASSERT_TRUE(config.SetVariable("gfx_software", "0"));
    ASSERT_TRUE(config.SetVariable("gfx_res", "1024 768"));
    // Sizes below the menus' 640 x 480 too: the pages would not fit in such a window.
    for (const char* bad : {"", "800", "800x600", "800,600", "800 600 32", "wide tall", "800 tall", "800 600x",
                            "99999999999 600", "  ", "8OO 600", "abc", "0 0", "-640 -480", "1 1", "320 200",
                            "639 480", "640 479"}) {
        EXPECT_FALSE(config.SetVariable("gfx_res", bad)) << "'" << bad << "'";
        EXPECT_EQ("1024 768", Get(config, "gfx_res")) << "'" << bad << "'";
    }
    EXPECT_TRUE(config.SetVariable("gfx_res", "640 480"));
    EXPECT_EQ("640 480", Get(config, "gfx_res"));
    // Refused also while the software display would ignore the numbers anyway.
    ASSERT_TRUE(config.SetVariable("gfx_res", "1024 768"));
    ASSERT_TRUE(config.SetVariable("gfx_software", "1"));
    for (const char* bad : {"800", "0 0"}) {
        EXPECT_FALSE(config.SetVariable("gfx_res", bad)) << "'" << bad << "'";
        EXPECT_EQ("1024 768", Get(config, "gfx_res")) << "'" << bad << "'";
    }
}

TEST(ConfigVariablesTest, DriverIdentifierIsReadAsSixteenBytesInMemoryOrder) {
    CConfigData config;
    EXPECT_TRUE(config.SetVariable("gfx_driver_guid", "00112233445566778899aabbccddeeFF"));
    const uint8_t expected[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                  0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(expected[i], config.m_pGraphics->m_DriverGuid[i]) << "byte " << i;
    EXPECT_EQ("00112233445566778899AABBCCDDEEFF", Get(config, "gfx_driver_guid"));
}

TEST(ConfigVariablesTest, DriverIdentifierThatIsNotThirtyTwoHexDigitsIsRefused) {
    CConfigData config;
    const char* good = "0123456789ABCDEF0123456789ABCDEF";
    ASSERT_TRUE(config.SetVariable("gfx_driver_guid", good));
    for (const char* bad : {"", "0123456789ABCDEF0123456789ABCDE", "0123456789ABCDEF0123456789ABCDEF0",
                            "0123456789ABCDEF0123456789ABCDEG", " 123456789ABCDEF0123456789ABCDEF",
                            "{01234567-89AB-CDEF-0123-456789ABCDEF}", "0x23456789ABCDEF0123456789ABCDEF"}) {
        EXPECT_FALSE(config.SetVariable("gfx_driver_guid", bad)) << "'" << bad << "'";
        EXPECT_EQ(good, Get(config, "gfx_driver_guid")) << "'" << bad << "'";
    }
}

TEST(ConfigVariablesTest, WeatherAndFilterTakeOnlyTheirExactNames) {
    CConfigData config;
    EXPECT_TRUE(config.SetVariable("gfx_weather", "2D"));
    EXPECT_EQ(CGraphicsData::kWeather2D, config.m_pGraphics->m_iWeather);
    EXPECT_FALSE(config.SetVariable("gfx_weather", "off"));
    EXPECT_FALSE(config.SetVariable("gfx_weather", "2"));
    EXPECT_EQ("2D", Get(config, "gfx_weather"));
    EXPECT_TRUE(config.SetVariable("gfx_weather", "Off"));
    EXPECT_EQ(2, config.m_pGraphics->m_iWeather);

    EXPECT_TRUE(config.SetVariable("gfx_filter", "Anisotropic"));
    EXPECT_EQ(4, config.m_pGraphics->m_iFilter);
    EXPECT_FALSE(config.SetVariable("gfx_filter", "linear"));
    EXPECT_FALSE(config.SetVariable("gfx_filter", "Linear "));
    EXPECT_EQ("Anisotropic", Get(config, "gfx_filter"));
}

TEST(ConfigVariablesTest, SystemProfileIsOnlyStoredWhenSet) {
    CConfigData config;
    ASSERT_TRUE(config.SetVariable("gfx_fog", "0"));
    EXPECT_TRUE(config.SetVariable("cfg_sysprofile", "5"));
    EXPECT_EQ("5", Get(config, "cfg_sysprofile"));
    // The level's values are not applied: the lines above it in "default.cfg" stay.
    EXPECT_EQ("0", Get(config, "gfx_fog"));
    EXPECT_EQ("None", Get(config, "gfx_filter"));
}

TEST(ConfigVariablesTest, InputVariablesGoToTheAttachedInputSettings) {
    CConfigData config;
    EXPECT_FALSE(config.SetVariable("inp_msensitivity", "300"));
    SInputObjSettings input;
    config.m_pInputSettings = &input;
    EXPECT_TRUE(config.SetVariable("inp_msensitivity", "300"));
    EXPECT_EQ(255, input.m_nMSensitivity);
    EXPECT_EQ("255", Get(config, "inp_msensitivity"));
    EXPECT_TRUE(config.SetVariable("INP_INVERTY", "0"));
    EXPECT_EQ(0, input.m_iInvertY);
}

TEST(ConfigVariablesTest, ListGivesHeadersNamesAndHintsInOrder) {
    CConfigData config;
    CArray<SString> names;
    EXPECT_TRUE(config.ListVariables(names));
    std::vector<std::string> list;
    for (int i = 0; i < names.GetSize(); ++i)
        list.push_back(names[i].GetString());

    auto index = [&list](const std::string& name) {
        return static_cast<int>(std::find(list.begin(), list.end(), name) - list.begin());
    };
    ASSERT_FALSE(list.empty());
    EXPECT_EQ("cfg_sysprofile", list[0]);
    EXPECT_EQ(1, index("\n-- System settings\n"));
    EXPECT_EQ("game_maxvisibledeer", list[2]);
    // 12 system names, then the graphics header.
    EXPECT_EQ(14, index("\n-- Graphic settings\n"));
    EXPECT_EQ(index("gfx_weather") + 1, index("[3D, 2D, Off]"));
    EXPECT_EQ(index("gfx_filter") + 1, index("[None, Linear, Bilinear, Trilinear, Anisotropic]"));
    // 28 graphics variables and 2 hints.
    EXPECT_EQ(14 + 1 + 30, index("\n-- Sound settings\n"));
    EXPECT_EQ(index("snd_voice") + 1, index("snd_driver"));
    EXPECT_EQ(45 + 1 + 10, index("\n-- Server settings\n"));
    EXPECT_EQ(56 + 1 + 8, static_cast<int>(list.size()));
    EXPECT_EQ(static_cast<int>(list.size()), index("srv_curse"));

    // Every listed name but headers and hints can be read.
    for (const std::string& name : list) {
        if (name[0] == '\n' || name[0] == '[')
            continue;
        SString value;
        EXPECT_TRUE(config.GetVariable(name.c_str(), value)) << name;
    }

    SInputObjSettings input;
    config.m_pInputSettings = &input;
    CArray<SString> withInput;
    config.ListVariables(withInput);
    ASSERT_EQ(names.GetSize() + 12, withInput.GetSize());
    EXPECT_STREQ("\n-- Input settings\n", withInput[names.GetSize()].GetString());
}

// The values each detail level sets, worked out from the level rules by hand.
struct LevelValues {
    int level;
    const char* textureQuality;
    const char* spritePerspective;
    const char* backgroundQuality;
    const char* animationQuality;
    const char* alphaSprites;
    const char* softSprites;
    const char* fog;
    const char* texDetail;
    const char* weather;
    const char* filter;
    const char* resolution3D;
    int levelValue;
};

void PrintTo(const LevelValues& values, std::ostream* out) { *out << "level " << values.level; }

class ConfigProfileTest : public testing::TestWithParam<LevelValues> {};

TEST_P(ConfigProfileTest, LevelSetsItsGraphicsAndSoundValues) {
    const LevelValues& v = GetParam();
    CConfigData config;
    // Start from values every level overwrites.
    for (const char* name : {"gfx_treedensity", "gfx_treepop", "gfx_landpop", "gfx_detailquality", "snd_3denabled",
                             "snd_8bitquality"})
        ASSERT_TRUE(config.SetVariable(name, "1")) << name;
    ASSERT_TRUE(config.SetVariable("gfx_treedensity", "9"));
    ASSERT_TRUE(config.SetVariable("gfx_detailquality", "0"));
    ASSERT_TRUE(config.SetVariable("gfx_treepop", "40"));
    ASSERT_TRUE(config.SetVariable("gfx_landmipmapped", "0"));

    config.SetProfile(v.level);

    EXPECT_EQ(std::to_string(v.level), Get(config, "cfg_sysprofile"));
    EXPECT_EQ(v.textureQuality, Get(config, "gfx_texturequality"));
    EXPECT_EQ(v.spritePerspective, Get(config, "gfx_spriteperspective"));
    EXPECT_EQ(v.backgroundQuality, Get(config, "gfx_backgroundquality"));
    EXPECT_EQ(v.animationQuality, Get(config, "gfx_animationquality"));
    EXPECT_EQ(v.alphaSprites, Get(config, "gfx_alphasprites"));
    EXPECT_EQ(v.softSprites, Get(config, "gfx_softsprites"));
    EXPECT_EQ(v.fog, Get(config, "gfx_fog"));
    EXPECT_EQ(v.texDetail, Get(config, "gfx_texdetail"));
    EXPECT_EQ(v.weather, Get(config, "gfx_weather"));
    EXPECT_EQ(v.filter, Get(config, "gfx_filter"));
    EXPECT_EQ(v.resolution3D, Get(config, "snd_3dresolution"));
    EXPECT_EQ(v.levelValue, config.m_pGraphics->m_iProfileLevelValue);
    EXPECT_EQ("5", Get(config, "gfx_treedensity"));
    EXPECT_EQ("0", Get(config, "gfx_treepop"));
    EXPECT_EQ("0", Get(config, "gfx_landpop"));
    EXPECT_EQ("2", Get(config, "gfx_detailquality"));
    EXPECT_EQ("0", Get(config, "snd_3denabled"));
    EXPECT_EQ("0", Get(config, "snd_8bitquality"));
    // Values no level touches stay as set.
    EXPECT_EQ("0", Get(config, "gfx_landmipmapped"));
    EXPECT_EQ("1", Get(config, "gfx_software"));
}

INSTANTIATE_TEST_SUITE_P(
    Levels, ConfigProfileTest,
    testing::Values(LevelValues{1, "0", "0", "0", "0", "0", "1", "0", "0", "Off", "None", "50", 0},
                    LevelValues{2, "0", "0", "1", "1", "0", "1", "0", "0", "Off", "None", "50", 25},
                    LevelValues{3, "1", "1", "2", "1", "1", "1", "0", "0", "3D", "Linear", "50", 50},
                    LevelValues{4, "1", "1", "2", "1", "1", "2", "1", "1", "3D", "Bilinear", "75", 75},
                    LevelValues{5, "1", "1", "2", "1", "1", "2", "1", "1", "3D", "Trilinear", "100", 100}),
    [](const testing::TestParamInfo<LevelValues>& info) { return "Level" + std::to_string(info.param.level); });

TEST(ConfigVariablesTest, CopyFromTakesTheVideoChoicesOnly) {
    CConfigData source;
    ASSERT_TRUE(source.SetVariable("gfx_software", "0"));
    for (const auto& [name, value] : std::vector<std::pair<const char*, const char*>>{
             {"gfx_treedensity", "8"}, {"gfx_treepop", "40"}, {"gfx_landpop", "30"}, {"gfx_treesmipmapped", "0"},
             {"gfx_landmipmapped", "0"}, {"gfx_texturequality", "2"}, {"gfx_animalquality", "3"},
             {"gfx_weather", "2D"}, {"gfx_backgroundquality", "2"}, {"gfx_animationquality", "1"},
             {"gfx_wireframe", "1"}, {"gfx_detailquality", "1"}, {"gfx_res", "1024 768"}, {"gfx_colorkeying", "1"},
             {"gfx_softwarelight", "0"}, {"gfx_driver_guid", "FFEEDDCCBBAA99887766554433221100"},
             {"gfx_fog", "1"}, {"gfx_filter", "Trilinear"}, {"gfx_viewportindex", "2"}})
        ASSERT_TRUE(source.SetVariable(name, value)) << name;
    source.m_pGraphics->m_iProfileLevelValue = 77;

    CConfigData target;
    EXPECT_EQ(target.m_pGraphics, target.m_pGraphics->CopyFrom(*source.m_pGraphics));
    for (const char* name : {"gfx_treedensity", "gfx_treepop", "gfx_landpop", "gfx_treesmipmapped", "gfx_landmipmapped",
                             "gfx_texturequality", "gfx_animalquality", "gfx_weather", "gfx_backgroundquality",
                             "gfx_animationquality", "gfx_wireframe", "gfx_detailquality", "gfx_res",
                             "gfx_colorkeying", "gfx_softwarelight", "gfx_driver_guid"})
        EXPECT_EQ(Get(source, name), Get(target, name)) << name;
    EXPECT_EQ(77, target.m_pGraphics->m_iProfileLevelValue);
    // Not among the video choices.
    EXPECT_EQ("0", Get(target, "gfx_fog"));
    EXPECT_EQ("None", Get(target, "gfx_filter"));
    EXPECT_EQ("4", Get(target, "gfx_viewportindex"));
    EXPECT_EQ("1", Get(target, "gfx_software"));
}

TEST(ConfigVariablesTest, DriverMemoryThresholds) {
    EXPECT_TRUE(CGraphicsData::MeetsMemoryThresholds(1228800, 196608, 614400));
    EXPECT_FALSE(CGraphicsData::MeetsMemoryThresholds(1228799, 196608, 1228800));
    EXPECT_FALSE(CGraphicsData::MeetsMemoryThresholds(16u << 20, 196607, 16u << 20));
    EXPECT_FALSE(CGraphicsData::MeetsMemoryThresholds(16u << 20, 16u << 20, 614399));
    EXPECT_TRUE(CGraphicsData::MeetsMemoryThresholds(16u << 20, 16u << 20, 16u << 20));
}

}  // namespace
