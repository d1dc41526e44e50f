// The seeds of the fuzz targets of the career's readers, the start-up's readers and the range's
// layout files, and the long inputs of the patch download and the help page, are what our
// writers and the demo generator make; with TARVEX_UPDATE_REFERENCES=1 they are written anew
// instead of checked.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/SCommandLine.h"
#include "core/SObjectDef.h"
#include "core/SObjectParser.h"
#include "dx/display/SDXDrawDrivers.h"
#include "frontend/career/SHuntStats.h"
#include "sys/profile.h"
#include "tests/frontend/OfficerSeeds.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/SeedCorpus.h"
#include "tools/makehome/HomeSet.h"
#include "tools/makehome/HomeTexts.h"

namespace {

namespace fs = std::filesystem;
using tarvex::test::Bytes;
using tarvex::test::CheckSeeds;
using tarvex::test::SeedList;

Bytes AsBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The stand-in library's definitions; it is loaded by name at run time, so its script is read
// from its source.
std::string LibraryScript() {
    const std::string source = ReadText(fs::path(TARVEX_TEST_DATA) / "../../game/StandInObjects.cpp");
    const size_t start = source.find("R\"(");
    const size_t end = source.find(")\"", start);
    EXPECT_NE(start, std::string::npos);
    return source.substr(start + 3, end - start - 3);
}

SObjectDef* Def(const char* name, std::initializer_list<std::pair<const char*, const char*>> values) {
    auto* def = new SObjectDef;
    def->SetName(name);
    for (const auto& [key, value] : values)
        def->SetOrAppend(key, value, 0);
    return def;
}

std::string Script(SObjectDefList& defs) {
    std::string text;
    for (POSITION pos = defs.GetHeadPosition(); pos != nullptr;)
        text += SObjectParser::WriteDefinition(*defs.GetNext(pos), 0).GetString();
    defs.DeleteAll();
    return text;
}

// A range session's end as the library reports it and the host files it: the results' values
// with a game's statistics, the level record, a weapon's scores, a trophy and a kit item.
std::string ResultsScript() {
    SObjectDefList defs;
    SObjectDef* results = Def("Results", {{"Flag", "1"}, {"LevelPassed", "1"}, {"Shots", "15"}, {"Hits", "12"},
                                          {"Score", "80"}, {"LevelIndex", "1"}, {"SubGameType", "2"}, {"View", "1"}});
    SHuntStats stats;
    stats.m_iNumHunts = 1, stats.m_iTargetShotsFired = 15, stats.m_iTargetShotsHit = 12, stats.m_iBiggestRack = 3;
    stats.m_fLongestTargetShotHit = 21.5f;
    stats.ExportValues(results);
    defs.AddTail(results);
    defs.AddTail(Def("RangeQScore", {{"Flag", "1"}, {"LevelIndex", "1"}, {"Score", "80"}, {"Weapon", "Shotgun"}}));
    defs.AddTail(Def("WeaponsScores", {{"Gun", "70"}, {"GunQ", "1"}, {"Shotgun", "80"}, {"ShotgunQ", "1"}}));
    defs.AddTail(Def("RangeTrophy", {{"Weight", "90"}, {"Legal", "1"}}));
    defs.AddTail(Def("InvRadio", {{"Battery", "50"}}));
    defs.AddTail(Def("HunterDisplay", {{"MaxFOV", "-1"}, {"MinFOV", "nan"}}));
    // The in-game screen's renderer settings: the heads-up display's, the scenario's (sub-game
    // type 2) and the model flags'.
    defs.AddTail(Def("HUD", {{"NightVisFuzzPeriod", "2.7"}}));
    defs.AddTail(Def("SniperRange", {{"NoTerrain", "1"}, {"NoTrees", "1"}, {"GenModelBSP", "1"},
                                     {"ConTriNormOffs", "0.5"}, {"AlphaOffset", "0.25"}}));
    defs.AddTail(Def("ModelFlags", {{"GenModelExtData", "1"}}));
    // The last definition names the scenario whose ambient factors the in-game screen reads.
    defs.AddTail(Def("RangeAmbience", {{"AmbientFactors", "0.5, 0.25,1e3 ,-1"}}));
    return Script(defs);
}

// Kits naming the library's items: two weapons, two scopes, one item twice and one the
// library lacks, and an item of the file's own that takes more room than the grid has.
std::string KitsScript() {
    SObjectDefList defs;
    defs.AddTail(Def("SinglePlayer", {{"Item00", "InvShotgun"}, {"Item01", "InvPistol9mm"}, {"Item02", "InvRifleScope"},
                                      {"Item03", "InvRifleScope"}, {"Item04", "InvRadio"}, {"Item05", "invradio"},
                                      {"Item06", "InvUnknown"}, {"Item07", "InvCrate"},
                                      {"Item08", "InvDutyBelt"}}));
    defs.AddTail(Def("Multiplayer", {{"Item00", "InvCrate"}, {"Item01", "InvHandcuffs"}}));
    defs.AddTail(Def("InvCrate", {{"Name", "Crate"}, {"SlotsX", "-3"}, {"SlotsY", "2"}}));
    return Script(defs);
}

// The launcher's arguments joined as the program does, then the display choice's profile.
std::string StartupSeed(std::vector<const char*> arguments, const std::string& profile) {
    arguments.insert(arguments.begin(), "tarvex");
    return SCommandLine::JoinArguments(static_cast<int>(arguments.size()), arguments.data()) + "\n" + profile;
}

std::string SavedChoice(const std::string& folder, const char* mode) {
    const std::string path = folder + "/Tarvex.ini";
    sys::profile::SetFile(path);
    SDXDrawDrivers drivers;
    EXPECT_EQ(drivers.Enumerate(), 1);
    if (mode != nullptr) {
        const CString driver = drivers.GetDriver()->m_sName;
        const CString device = drivers.GetDevice()->m_sName;
        EXPECT_EQ(drivers.Select(driver, device, mode), 1) << mode;
    }
    EXPECT_EQ(drivers.SaveChoice(), 1);
    sys::profile::SetFile("");
    return ReadText(path);
}

// An information file of more patches for this version and kind than the dialog keeps.
std::string LongPatchList() {
    std::string file;
    for (int i = 0; i < 300; ++i)
        file += "V1.0a:" + std::to_string(i % 10 == 9 ? 1 : 0) + ":127.0.0.1/patches/QJB_patch" + std::to_string(i) +
                ".exe\r\n";
    return file;
}

class ReaderSeedCorpusTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_home = new HomeSet;
        s_home->Build();
    }
    static void TearDownTestSuite() {
        delete s_home;
        s_home = nullptr;
    }
    static Bytes HomeFile(const std::string& path) {
        for (const HomeSet::File& file : s_home->Files()) {
            if (file.path == path)
                return file.bytes;
        }
        ADD_FAILURE() << "no demo file " << path;
        return Bytes();
    }
    static HomeSet* s_home;
};

HomeSet* ReaderSeedCorpusTest::s_home = nullptr;

TEST_F(ReaderSeedCorpusTest, CareerSeedsAreTheLibrarysDefinitionsAndResults) {
    const std::string library = LibraryScript();
    const std::string results = ResultsScript();
    CheckSeeds("career_results_fuzz", SeedList{{"library.txt", AsBytes(library)},
                                                {"results.txt", AsBytes(library + results)},
                                                {"results_only.txt", AsBytes(results)}});
    CheckSeeds("kit_file_fuzz",
               SeedList{{"DefEquip.cfg", HomeFile("DefEquip.cfg")}, {"kits.txt", AsBytes(KitsScript())}});
    CheckSeeds("range_layout_fuzz",
               SeedList{{"hud.lay", HomeFile("Layouts/hud.lay")}, {"results.lay", HomeFile("Layouts/results.lay")}});
    CheckSeeds("player_file_fuzz", tarvex::test::OfficerSeeds());
}

TEST_F(ReaderSeedCorpusTest, StartupSeedsAreJoinedArgumentsAndSavedChoices) {
    const std::string folder = tarvex::test::MakeScratchFolder("ReaderSeeds");
    const std::string chosen = SavedChoice(folder, nullptr);
    const std::string other = SavedChoice(folder, "800 x 600 x 16");
    CheckSeeds("startup_fuzz",
               SeedList{{"dedicated.txt", AsBytes(StartupSeed({"-dedicated", "-map:targetrange.gmx", "-date:6/1/2000",
                                                               "-time:9:00", "-name:Range Host", "-srv_maxplayers:8",
                                                               "-srv_log", "/srv_time:30"},
                                                              chosen))},
                        {"connect.txt", AsBytes(StartupSeed({"-connect:127.0.0.1:2000", "+name", "Officer Smith",
                                                             "-password:a b", "plain"},
                                                            other))}});
}

TEST_F(ReaderSeedCorpusTest, LongSeedsReachThePatchCapAndTheHelpCap) {
    const std::string file = LongPatchList();
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n";
    CheckSeeds("patch_fuzz",
               SeedList{{"http_long_list.txt", AsBytes(std::string(1, '\0') + head + "Content-Length: " +
                                                       std::to_string(file.size()) + "\r\n\r\n" + file)},
                        {"ftp_long_list.txt",
                         AsBytes(std::string(1, '\1') + "220 Ready\n331 Password\n230 In\n257 \"/\"\n200 Type\n213 " +
                                 std::to_string(file.size()) + "\n150 Opening\n226 Done\n\n" + file)}});
    // The help target repeats the rest of an input whose first byte has the top bit set to
    // about the size the page reads, the second byte saying how far past; here the demo's help
    // text with CR LF ends, to 127 bytes past.
    std::string help;
    for (const char* c = home_texts::kHelp; *c != '\0'; ++c)
        help += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
    CheckSeeds("help_text_fuzz", SeedList{{"repeated_help.sss", AsBytes("\xC3\xFF" + help)}});
}

}  // namespace
