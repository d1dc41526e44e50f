// "default.cfg" as the configuration writes it: the exact lines (typed here by hand, with
// CR LF line ends), the atomic save, and a full write/re-read cycle.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/CServerData.h"
#include "app/CSoundData.h"
#include "app/CSystemData.h"
#include "core/STextUtil.h"
#include "dx/input/SInputObjSettings.h"
#include "dx/input/SInputs.h"
#include "sys/classlib/Exceptions.h"
#include "sys/video/headless/headless_video.h"
#include "tests/app/ConfigTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace headless = sys::video::headless;
using tarvex::test::ReadWholeFile;
using tarvex::test::SplitCrLf;
using tarvex::test::WriteWholeFile;

const std::vector<std::string> kSystemLines = {
    "",
    "-- System settings",
    "",
    "set game_maxvisibledeer \"5\" ",
    "set game_fullscreen \"0\" ",
    "set game_viewsize \"4\" ",
    "set game_bucks \"1\" ",
    "set game_does \"0\" ",
    "set game_otheranimals \"1\" ",
    "set game_walkwobble \"1\" ",
    "set game_footsteps \"1\" ",
    "set game_tooltips \"1\" ",
    "set game_activatesound \"1\" ",
    "set game_attentionsound \"1\" ",
    "set game_autorun \"0\" ",
};

// Graphics at detail level 1 (a configuration just constructed).
const std::vector<std::string> kGraphicsLevel1Lines = {
    "",
    "-- Graphic settings",
    "",
    "set gfx_treedensity \"5\" ",
    "set gfx_treepop \"0\" ",
    "set gfx_landpop \"0\" ",
    "set gfx_treesmipmapped \"1\" ",
    "set gfx_landmipmapped \"1\" ",
    "set gfx_texturequality \"0\" ",
    "set gfx_animalquality \"1\" ",
    "set gfx_overlaypersistence \"4000\" ",
    "set gfx_spriteperspective \"0\" ",
    "set gfx_viewportindex \"4\" ",
    "set gfx_backgroundquality \"0\" ",
    "set gfx_animationquality \"0\" ",
    "set gfx_wbuffering \"1\" ",
    "set gfx_depthbuffer16bit \"0\" ",
    "set gfx_alphasprites \"0\" ",
    "set gfx_softsprites \"1\" ",
    "set gfx_fog \"0\" ",
    "set gfx_software \"1\" ",
    "set gfx_wireframe \"0\" ",
    "set gfx_texdetail \"0\" ",
    "set gfx_colorkeying \"0\" ",
    "set gfx_softwarelight \"1\" ",
    "set gfx_fastscopes \"0\" ",
    "set gfx_detailquality \"2\" ",
    "set gfx_driver_guid \"00000000000000000000000000000000\"",
    "set gfx_res \"640 480\"",
    "set gfx_weather \"Off\"",
    "set gfx_filter \"None\"",
};

// Graphics at detail level 3, the level of a first "default.cfg".
const std::vector<std::string> kGraphicsLevel3Lines = {
    "",
    "-- Graphic settings",
    "",
    "set gfx_treedensity \"5\" ",
    "set gfx_treepop \"0\" ",
    "set gfx_landpop \"0\" ",
    "set gfx_treesmipmapped \"1\" ",
    "set gfx_landmipmapped \"1\" ",
    "set gfx_texturequality \"1\" ",
    "set gfx_animalquality \"1\" ",
    "set gfx_overlaypersistence \"4000\" ",
    "set gfx_spriteperspective \"1\" ",
    "set gfx_viewportindex \"4\" ",
    "set gfx_backgroundquality \"2\" ",
    "set gfx_animationquality \"1\" ",
    "set gfx_wbuffering \"1\" ",
    "set gfx_depthbuffer16bit \"0\" ",
    "set gfx_alphasprites \"1\" ",
    "set gfx_softsprites \"1\" ",
    "set gfx_fog \"0\" ",
    "set gfx_software \"1\" ",
    "set gfx_wireframe \"0\" ",
    "set gfx_texdetail \"0\" ",
    "set gfx_colorkeying \"0\" ",
    "set gfx_softwarelight \"1\" ",
    "set gfx_fastscopes \"0\" ",
    "set gfx_detailquality \"2\" ",
    "set gfx_driver_guid \"00000000000000000000000000000000\"",
    "set gfx_res \"640 480\"",
    "set gfx_weather \"3D\"",
    "set gfx_filter \"Linear\"",
};

const std::vector<std::string> kSoundLines = {
    "",
    "-- Sound settings",
    "",
    "set snd_enabled \"1\" ",
    "set snd_3denabled \"0\" ",
    "set snd_music \"1\" ",
    "set snd_voice \"1\" ",
    "set snd_3dsoftware \"1\" ",
    "set snd_8bitquality \"0\" ",
    "set snd_3dresolution \"50\" ",
    "set snd_maxsamebuffers \"4\" ",
    "set snd_idleremovetime \"0\" ",
    "set snd_driver \"\"",
};

const std::vector<std::string> kServerLines = {
    "",
    "-- Server settings",
    "",
    "set srv_clean \"1\" ",
    "set srv_log \"0\" ",
    "set srv_death \"1\" ",
    "set srv_flood \"5\" ",
    "set srv_game \"0\" ",
    "set srv_kills \"-1\" ",
    "set srv_time \"-1\" ",
    "set srv_maxplayers \"8\" ",
    "set srv_curse ",
    "set srv_logfile ",
};

// The input section of the 23 default commands in the arrow-key layout.
const std::vector<std::string> kDefaultInputLines = {
    "",
    "-- Input settings",
    "",
    "bind up \"forward\" \"Walk Forward\"",
    "bind down \"back\" \"Walk Backward\"",
    "bind end \"right\" \"Step Right\"",
    "bind delete \"left\" \"Step Left\"",
    "bind rshift \"run\" \"Run\"",
    "bind ralt \"jump\" \"Jump\"",
    "bind rctrl \"crouch\" \"Crouch\"",
    "bind lshift \"shift\" \"Function Shift\"",
    "bind right \"tright\" \"Turn Right\"",
    "bind left \"tleft\" \"Turn Left\"",
    "bind pgup \"lup\" \"Look Up\"",
    "bind pgdn \"ldown\" \"Look Down\"",
    "bind return \"use\" \"Use Item\"",
    "bind z \"use2\" \"Use Item 2\"",
    "bind space \"weapon\" \"Raise Weapon\"",
    "bind l \"lower\" \"Lower Item\"",
    "bind [ \"open\" \"Open Weapon\"",
    "bind ] \"close\" \"Close Weapon\"",
    "bind = \"zoomin\" \"Zoom In\"",
    "bind - \"zoomout\" \"Zoom Out\"",
    "bind k- \"viewdec\" \"Decrease View\"",
    "bind k+ \"viewinc\" \"Increase View\"",
    "bind bckspace \"cycle\" \"Cycle Start\"",
    "set inp_aiming \"1\"",
    "set inp_aiming_nload \"1\"",
    "set inp_invertx \"0\"",
    "set inp_inverty \"1\"",
    "set inp_joystick \"0\"",
    "set inp_lightgun \"0\"",
    "set inp_calibratelightgun \"0\"",
    "set inp_ffeedback \"0\"",
    "set inp_msmoothing \"1\"",
    "set inp_msensitivity \"127\"",
    "set inp_jsensitivity \"127\"",
};

std::vector<std::string> Concat(std::initializer_list<const std::vector<std::string>*> parts,
                                std::initializer_list<std::string> tail) {
    std::vector<std::string> lines;
    for (const auto* part : parts)
        lines.insert(lines.end(), part->begin(), part->end());
    lines.insert(lines.end(), tail);
    lines.push_back("");  // after the last CR LF
    return lines;
}

void ExpectSameLines(const std::vector<std::string>& expected, const std::vector<std::string>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(expected[i], actual[i]) << "line " << i + 1;
}

class DefaultCfgTest : public testing::Test {
protected:
    void SetUp() override { m_folder = tarvex::test::MakeScratchFolder("DefaultCfgTest"); }
    std::string PathOf(const char* name) const { return m_folder + "/" + name; }
    std::string m_folder;
};

// What makes a settings file no configuration: bytes no console text holds, a carriage return
// that would run two lines as one, more than one run reads, or text (comments are none) of
// which no line begins with a known command (here "set", in any case, and "+fire").
TEST_F(DefaultCfgTest, TextWithoutAKnownCommandOrWithLinesRunTogetherIsDamaged) {
    const auto known = [](const char* word) { return CompareTextNoCase(word, "set") == 0 || std::string(word) == "+fire"; };
    const struct {
        const char* what;
        std::string text;
        bool damaged;  // by its bytes
        bool unknown;  // no line is a known command
        bool tooLong = false;  // more than one run reads
    } cases[] = {
        {"written by the program", "\r\n-- System settings\r\n\r\nset game_viewsize \"4\" \r\n", false, false},
        {"line feeds alone", "SET game_viewsize \"4\"\n", false, false},
        {"a known line among others", "junk\n-- note\n+fire\n", false, false},
        {"returns before the line feed", "set a \"1\"\r\r\n\r \nset b \"2\"\r", false, false},
        {"lone carriage returns", "set a \"1\"\rset b \"2\"\r", true, false},
        {"a return inside a line", "set a \"1\"\r \tset b \"2\"\r\n", true, false},
        {"a NUL", std::string("set a \"1\"\0\n", 11), true, false},
        {"0xFF bytes", std::string(2867, '\xFF'), false, true},
        {"words alone", "settings\nfire\n-fire\n", false, true},
        {"comments alone", "-- set a \"1\"\n", false, false},
        {"after a byte-order mark", "\xEF\xBB\xBFset a \"1\"\r\n", false, false},
        {"past what one run reads", "set a \"1\"\n" + std::string(600 * 1024, '\n'), false, false, true},
        {"all that one run reads", "set a \"1\"\n" + std::string(512 * 1024 - 10, '\n'), false, false},
        {"a byte past it", "set a \"1\"\n" + std::string(512 * 1024 - 9, '\n'), false, false, true},
        {"empty", "", false, false},
        {"blank lines", " \r\n\t\n\n", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteWholeFile(PathOf("default.cfg"), c.text);
        EXPECT_EQ(CConfigData::CheckText(PathOf("default.cfg").c_str()),
                  c.tooLong   ? CConfigData::kTextTooLong
                  : c.damaged ? CConfigData::kTextDamaged
                              : CConfigData::kTextReadable);
        EXPECT_EQ(CConfigData::HoldsNoKnownCommand(PathOf("default.cfg").c_str(), known), c.unknown);
    }
}

TEST_F(DefaultCfgTest, FreshConfigurationWritesEveryLineOfTheLayout) {
    CConfigData config;
    config.SaveToFile(PathOf("default.cfg").c_str());

    const std::vector<std::string> expected =
        Concat({&kSystemLines, &kGraphicsLevel1Lines, &kSoundLines, &kServerLines},
               {"", "--", "", "set cfg_sysprofile \"-1\" "});
    ExpectSameLines(expected, SplitCrLf(ReadWholeFile(PathOf("default.cfg"))));
}

TEST_F(DefaultCfgTest, FirstStartConfigurationPutsTheDefaultBindingsFirst) {
    // What start-up writes when there is no "default.cfg": level 3, the arrow-key layout.
    SInputObjSettings input;
    CConfigData config;
    config.m_pInputSettings = &input;
    config.SetProfile(3);
    SInputs::SetDefaultBindings(input, 2);
    config.SaveToFile(PathOf("default.cfg").c_str());

    const std::vector<std::string> expected =
        Concat({&kDefaultInputLines, &kSystemLines, &kGraphicsLevel3Lines, &kSoundLines, &kServerLines},
               {"", "--", "", "set cfg_sysprofile \"3\" "});
    ExpectSameLines(expected, SplitCrLf(ReadWholeFile(PathOf("default.cfg"))));
}

TEST_F(DefaultCfgTest, FirstStartWithTheHardwareDriverChosenTurnsSoftwareOff) {
    // A fresh machine with a usable driver: the first driver is chosen before writing.
    headless::Reset();
    SInputObjSettings input;
    CConfigData config;
    config.m_pInputSettings = &input;
    config.m_pGraphics->EnumerateDrivers();
    ASSERT_EQ(1, config.m_pGraphics->GetUsableDriverCount());
    config.m_pGraphics->SelectDriver(1);
    config.SetProfile(3);
    SInputs::SetDefaultBindings(input, 2);
    config.SaveToFile(PathOf("default.cfg").c_str());

    std::vector<std::string> graphics = kGraphicsLevel3Lines;
    const auto software = std::find(graphics.begin(), graphics.end(), "set gfx_software \"1\" ");
    ASSERT_NE(graphics.end(), software);
    *software = "set gfx_software \"0\" ";
    const std::vector<std::string> expected =
        Concat({&kDefaultInputLines, &kSystemLines, &graphics, &kSoundLines, &kServerLines},
               {"", "--", "", "set cfg_sysprofile \"3\" "});
    ExpectSameLines(expected, SplitCrLf(ReadWholeFile(PathOf("default.cfg"))));
}

TEST_F(DefaultCfgTest, EveryLineEndsInCarriageReturnLineFeed) {
    CConfigData config;
    config.SaveToFile(PathOf("default.cfg").c_str());
    const std::string text = ReadWholeFile(PathOf("default.cfg"));
    ASSERT_FALSE(text.empty());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare line feed at byte " << i;
        }
    }
    EXPECT_EQ("\r\n", text.substr(text.size() - 2));
}

TEST_F(DefaultCfgTest, TextsAreWrittenAsTheyStand) {
    CConfigData config;
    config.m_pServer->m_sCurse = "darn heck";
    config.m_pServer->m_sLogFile = "KR5Server.log";
    // Control characters, which would have the next start set the file aside, become "?".
    ASSERT_TRUE(config.SetVariable("snd_driver", "ds\x1cound\r.dll"));
    ASSERT_TRUE(config.SetVariable("gfx_driver_guid", "0123456789abcdefFEDCBA9876543210"));
    ASSERT_TRUE(config.SetVariable("gfx_software", "0"));
    ASSERT_TRUE(config.SetVariable("gfx_res", "1024 768"));
    config.SaveToFile(PathOf("default.cfg").c_str());

    const std::vector<std::string> lines = SplitCrLf(ReadWholeFile(PathOf("default.cfg")));
    auto has = [&lines](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("set srv_curse darn heck"));
    EXPECT_TRUE(has("set srv_logfile KR5Server.log"));
    EXPECT_TRUE(has("set snd_driver \"ds?ound?.dll\""));
    EXPECT_EQ(CConfigData::CheckText(PathOf("default.cfg").c_str()), CConfigData::kTextReadable);
    EXPECT_TRUE(has("set gfx_driver_guid \"0123456789ABCDEFFEDCBA9876543210\""));
    EXPECT_TRUE(has("set gfx_res \"1024 768\""));
}

TEST_F(DefaultCfgTest, SavingReplacesTheOldFileAndLeavesNoTemporaryFile) {
    WriteWholeFile(PathOf("default.cfg"), "old text\r\n");
    CConfigData config;
    config.SaveToFile(PathOf("default.cfg").c_str());

    const std::string text = ReadWholeFile(PathOf("default.cfg"));
    EXPECT_EQ(std::string::npos, text.find("old text"));
    EXPECT_NE(std::string::npos, text.find("set cfg_sysprofile \"-1\" \r\n"));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(std::vector<std::string>{"default.cfg"}, names);
}

TEST_F(DefaultCfgTest, AFailedSaveIsReportedAndLeavesTheOldFileUntouched) {
    // A name that leaves no room for the temporary file's ending: the text cannot be written.
    const std::string name = PathOf(std::string(253, 'd').c_str());
    WriteWholeFile(name, "old text\r\n");
    CConfigData config;
    EXPECT_THROW(config.SaveToFile(name.c_str()), CFileException);
    EXPECT_EQ("old text\r\n", ReadWholeFile(name));
}

TEST_F(DefaultCfgTest, AFailedReplaceIsReportedWithTheFileName) {
    // A folder stands where the file should be: the finished text cannot take its place.
    std::filesystem::create_directories(PathOf("default.cfg") + "/inside");
    CConfigData config;
    try {
        config.SaveToFile(PathOf("default.cfg").c_str());
        FAIL() << "the save should fail";
    } catch (CFileException& e) {
        EXPECT_EQ(PathOf("default.cfg"), e.m_strFileName.GetString());
        EXPECT_NE(CFileException::none, e.m_cause);
    }
    EXPECT_TRUE(std::filesystem::is_directory(PathOf("default.cfg") + "/inside"));
    EXPECT_FALSE(std::filesystem::exists(PathOf("default.cfg.tmp")));
}

// Reads one written line back the way the console's SET hands it over: the name, and the
// value inside its quotes (or the rest of the line for the unquoted texts).
bool SplitSetLine(const std::string& line, std::string& name, std::string& value) {
    if (line.rfind("set ", 0) != 0)
        return false;
    const size_t nameEnd = line.find(' ', 4);
    name = line.substr(4, nameEnd == std::string::npos ? std::string::npos : nameEnd - 4);
    std::string rest = nameEnd == std::string::npos ? "" : line.substr(nameEnd + 1);
    const size_t open = rest.find('"');
    const size_t close = rest.rfind('"');
    value = open != std::string::npos && close > open ? rest.substr(open + 1, close - open - 1) : rest;
    return true;
}

TEST_F(DefaultCfgTest, WritingAndReadingBackReproducesEveryVariable) {
    SInputObjSettings writtenInput;
    CConfigData written;
    written.m_pInputSettings = &writtenInput;
    written.SetProfile(4);
    // Every section with values away from its defaults.
    const std::vector<std::pair<const char*, const char*>> changes = {
        {"game_fullscreen", "1"},     {"game_autorun", "1"},         {"game_viewsize", "7"},
        {"gfx_software", "0"},        {"gfx_res", "800 600"},        {"gfx_weather", "2D"},
        {"gfx_filter", "Anisotropic"}, {"gfx_treepop", "40"},        {"gfx_wireframe", "1"},
        {"gfx_driver_guid", "00112233445566778899AABBCCDDEEFF"},
        {"snd_music", "0"},           {"snd_driver", "Primary Sound Driver"},
        {"snd_idleremovetime", "120"}, {"srv_maxplayers", "4"},      {"srv_kills", "25"},
        {"srv_time", "30"},           {"inp_invertx", "1"},          {"inp_msensitivity", "200"},
    };
    for (const auto& [name, value] : changes)
        ASSERT_TRUE(written.SetVariable(name, value)) << name;
    writtenInput.AddCommand("night", "Night Vision", 1, 49, -1, -1);
    written.SaveToFile(PathOf("default.cfg").c_str());
    EXPECT_EQ(ReadWholeFile(PathOf("default.cfg")).size(), written.SavedSize());

    SInputObjSettings readInput;
    CConfigData read;
    read.m_pInputSettings = &readInput;
    for (const std::string& line : SplitCrLf(ReadWholeFile(PathOf("default.cfg")))) {
        std::string name;
        std::string value;
        if (!SplitSetLine(line, name, value))
            continue;
        const bool taken = read.SetVariable(name.c_str(), value.c_str());
        EXPECT_EQ(name != "srv_curse" && name != "srv_logfile", taken) << line;
    }

    CArray<SString> names;
    written.ListVariables(names);
    int compared = 0;
    for (int i = 0; i < names.GetSize(); ++i) {
        SString expected;
        SString actual;
        if (!written.GetVariable(names[i].GetString(), expected))
            continue;  // headers and hints
        ASSERT_TRUE(read.GetVariable(names[i].GetString(), actual)) << names[i].GetString();
        EXPECT_STREQ(expected.GetString(), actual.GetString()) << names[i].GetString();
        ++compared;
    }
    // cfg_sysprofile, 12 system, 28 graphics, 10 sound, 8 server and 11 input variables.
    EXPECT_EQ(1 + 12 + 28 + 10 + 8 + 11, compared);

    // Set back, with the first start's level and bindings, it writes what a first start does.
    written.ResetSettings();
    written.SetProfile(3);
    SInputs::SetDefaultBindings(writtenInput, 2);
    written.SaveToFile(PathOf("default.cfg").c_str());
    ExpectSameLines(Concat({&kDefaultInputLines, &kSystemLines, &kGraphicsLevel3Lines, &kSoundLines, &kServerLines},
                           {"", "--", "", "set cfg_sysprofile \"3\" "}),
                    SplitCrLf(ReadWholeFile(PathOf("default.cfg"))));
}

}  // namespace
