// The officer records and their stored form: the bytes of "player.cfg" written by hand from the
// class library's archive form, every older record version, refusal of damaged files, the
// statistics merge and the record operations the officer pages and the game library use.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/SObjectDef.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "sys/time/time.h"
#include "tests/support/ArchiveBytes.h"

namespace {

using tarvex::test::Bytes;
using tarvex::test::LoadArchive;
using tarvex::test::StoreArchive;

// Little-endian bytes in the archive's forms, written out by hand.
struct Writer {
    Bytes bytes;
    Writer& U16(uint16_t v) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
        return *this;
    }
    Writer& I32(int32_t v) {
        const auto u = static_cast<uint32_t>(v);
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(u >> shift));
        return *this;
    }
    Writer& F32(float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        return I32(static_cast<int32_t>(u));
    }
    Writer& Zeros(int words) {
        for (int i = 0; i < words; ++i)
            I32(0);
        return *this;
    }
    // The short text form: one length byte, the characters.
    Writer& Text(const std::string& s) {
        bytes.push_back(static_cast<uint8_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    // A new class: tag 0xFFFF, schema, name length, name.
    Writer& NewClass(const std::string& name) {
        U16(0xFFFF).U16(1).U16(static_cast<uint16_t>(name.size()));
        bytes.insert(bytes.end(), name.begin(), name.end());
        return *this;
    }
    // A definition's own data with no values: name, base name, count 0, high water -1.
    Writer& EmptyDef(const std::string& name) { return Text(name).Text("").I32(0).I32(-1); }
};

// A record as a version-`version` writer laid it out, with start index 9 and (from version 2)
// a statistics block of version `statsVersion` whose values count up from 1.
Bytes RecordOfVersion(int version, int statsVersion, const Bytes& trophies = {0, 0}, uint16_t officers = 1) {
    Writer w;
    w.U16(officers).NewClass("SHunterInfo").I32(version);
    w.Text("Old").Text("map.gmx").Text("n1");
    w.I32(1).I32(2).I32(3).I32(4);              // rank, skill, level type, day or night
    w.I32(10).I32(20).I32(30).I32(40);          // scores
    w.I32(1).I32(1).I32(0).I32(0);              // qualifications
    w.I32(2).I32(3);                            // highest passed, current level
    w.Text("n2").I32(6);
    if (version >= 4)
        w.I32(9);
    w.EmptyDef("skin").EmptyDef("model");
    w.I32(1).Text("City").Text("").Text("").Text("").Text("44").Text("").Text("").Text("");
    w.bytes.insert(w.bytes.end(), trophies.begin(), trophies.end());
    for (int list = 1; list < 5; ++list)
        w.U16(0);
    if (version >= 2) {
        w.I32(statsVersion);
        int next = 1;
        const int values = (statsVersion >= 1 ? 12 : 0) + (statsVersion >= 2 ? 1 : 0) + (statsVersion >= 3 ? 2 : 0) +
                           (statsVersion >= 4 ? 2 : 0);
        for (int i = 0; i < values; ++i)
            w.I32(next++);
    }
    return w.bytes;
}

class OfficerRecordsTest : public testing::Test {
protected:
    static SObjectDef* Def(const char* name) {
        auto* def = new SObjectDef;
        def->SetName(name);
        return def;
    }
};

TEST_F(OfficerRecordsTest, ANewOfficerIsStoredByteForByte) {
    SHunterInfoList list;
    list.AddTail(new SHunterInfo("Al"));
    Writer w;
    w.U16(1).NewClass("SHunterInfo").I32(5);
    w.Text("Al").Text("").Text("");
    w.Zeros(12);                 // rank .. day or night, scores, qualifications
    w.I32(-1).I32(0);            // no level passed yet, level 0
    w.Text("").I32(0).I32(0);    // second note, portrait, start index
    w.EmptyDef("").EmptyDef("");
    w.I32(1);
    for (int i = 0; i < 8; ++i)
        w.Text("");
    for (int list = 0; list < 5; ++list)
        w.U16(0);
    w.I32(4).Zeros(17);
    EXPECT_EQ(StoreArchive([&](CArchive& ar) { list.StoreRecords(ar); }), w.bytes);
}

TEST_F(OfficerRecordsTest, AFullOfficerIsStoredByteForByteAndReadBack) {
    SHunterInfoList list;
    auto* bo = new SHunterInfo("Bo");
    list.AddTail(bo);
    bo->m_iRank = 2, bo->m_iSkill = 1, bo->m_iLevelType = 3, bo->m_iDayNight = 1;
    bo->m_iScorePistol = 10, bo->m_iScoreSniper = 20, bo->m_iScoreShotgun = 30, bo->m_iScoreMP5 = 40;
    bo->m_bQualifiedPistol = 1, bo->m_bQualifiedSniper = 1;
    bo->m_iHighestPassedLevel = 4, bo->m_iLevelIndex = 5;
    bo->m_sNote2 = "n2", bo->m_iPortrait = 7, bo->m_iStartIndex = 9;
    bo->SetMapFile("Levels\\a.gmx");
    bo->m_pSkinDef->SetName("Skin");
    bo->m_Bio.m_sCity = "Oslo", bo->m_Bio.m_sState = "OS", bo->m_Bio.m_sEmail = "e@x", bo->m_Bio.m_sURL = "u";
    bo->m_Bio.m_sAge = "30", bo->m_Bio.m_sNotes = "hi";
    SHuntStats& s = bo->m_Stats;
    s.m_iNumHunts = 3, s.m_iExtraCountA = 8, s.m_iTrophies = 2, s.m_iTargetShotsFired = 100;
    s.m_iTargetShotsHit = 50, s.m_iHuntShotsFired = 7, s.m_iHuntShotsHit = 6, s.m_iBiggestRack = 12;
    s.m_fLongestHuntShotHit = 1.5f, s.m_fLongestHuntShotKill = 2.5f, s.m_fLongestTargetShotHit = 3.25f;
    s.m_fHeaviestBuck = 100.0f, s.m_fHeaviestDoe = 80.5f;
    s.m_iBucksKilled = 4, s.m_iDoesKilled = 5, s.m_iNumHuntsSurvived = 2, s.m_iNumWins = 1;
    bo->AddTrophy(Def("Trophy000000000"));
    bo->AddTrophy(Def("Trophy000000001"));
    bo->AddLevelScore(Def("QScore1"));
    bo->TakeItem(Def("Glock"));

    Writer w;
    w.U16(1).NewClass("SHunterInfo").I32(5);
    w.Text("Bo").Text("Levels\\a.gmx").Text("");
    w.I32(2).I32(1).I32(3).I32(1);
    w.I32(10).I32(20).I32(30).I32(40);
    w.I32(1).I32(0).I32(1).I32(0);  // pistol, shotgun, sniper, MP5
    w.I32(4).I32(5);
    w.Text("n2").I32(7).I32(9);
    w.EmptyDef("Skin").EmptyDef("");
    w.I32(1).Text("Oslo").Text("OS").Text("e@x").Text("u").Text("30").Text("").Text("").Text("hi");
    // Index 1 is the officer's class, 2 the officer, 3 the definitions' class.
    w.U16(2).U16(0xFFFF).U16(1).U16(10);
    w.bytes.insert(w.bytes.end(), {'S', 'O', 'b', 'j', 'e', 'c', 't', 'D', 'e', 'f'});
    w.EmptyDef("Trophy000000000").U16(0x8003).EmptyDef("Trophy000000001");
    w.U16(1).U16(0x8003).EmptyDef("QScore1");
    w.U16(1).U16(0x8003).EmptyDef("Glock");
    w.U16(0).U16(0);
    w.I32(4).I32(3).I32(2).I32(100).I32(50).I32(7).I32(6).I32(12);
    w.F32(1.5f).F32(2.5f).F32(3.25f).F32(100.0f).F32(80.5f);
    w.I32(8).I32(4).I32(5).I32(2).I32(1);
    const Bytes stored = StoreArchive([&](CArchive& ar) { list.StoreRecords(ar); });
    ASSERT_EQ(stored, w.bytes);

    SHunterInfoList read;
    LoadArchive(stored, [&](CArchive& ar) { read.Serialize(ar); });
    ASSERT_EQ(read.GetCount(), 1);
    // Every field came back: the record stores to the same bytes.
    EXPECT_EQ(StoreArchive([&](CArchive& ar) { read.StoreRecords(ar); }), stored);
    EXPECT_EQ(read.GetRecord(0)->GetTrophy(1)->GetName(), "Trophy000000001");
    EXPECT_FALSE(read.IsModified());
}

TEST_F(OfficerRecordsTest, EveryOlderVersionLoads) {
    const struct {
        int version;
        int statsVersion;
    } cases[] = {{1, 0}, {2, 1}, {2, 2}, {3, 3}, {4, 3}, {5, 4}, {6, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "version " << c.version << " statistics " << c.statsVersion);
        SHunterInfoList list;
        LoadArchive(RecordOfVersion(c.version, c.statsVersion), [&](CArchive& ar) { list.Serialize(ar); });
        ASSERT_EQ(list.GetCount(), 1);
        const SHunterInfo* r = list.GetRecord(0);
        EXPECT_EQ(r->GetMapFile(), "map.gmx");
        EXPECT_EQ(r->m_iPortrait, 6);
        EXPECT_EQ(r->m_Bio.m_sAge, "44");
        EXPECT_EQ(r->m_iStartIndex, c.version >= 4 ? 9 : 0);
        const SHuntStats& s = r->m_Stats;
        EXPECT_EQ(s.m_iNumHunts, c.statsVersion >= 1 ? 1 : 0);
        EXPECT_EQ(s.m_iBiggestRack, c.statsVersion >= 1 ? 7 : 0);
        EXPECT_EQ(s.m_iExtraCountA, c.statsVersion >= 2 ? 13 : 0);
        EXPECT_EQ(s.m_iDoesKilled, c.statsVersion >= 3 ? 15 : 0);
        EXPECT_EQ(s.m_iNumWins, c.statsVersion >= 4 ? 17 : 0);
    }
}

TEST_F(OfficerRecordsTest, DamagedFilesAreRefusedWhole) {
    const Bytes good = RecordOfVersion(5, 4);
    Bytes truncated(good.begin(), good.end() - 3);
    // 0xFFFF and a 32-bit count of 0x10000000 officers.
    Bytes hugeCount = good;
    hugeCount[0] = 0xFF, hugeCount[1] = 0xFF;
    hugeCount.insert(hugeCount.begin() + 2, {0x00, 0x00, 0x00, 0x10});
    Writer nullOfficer;
    nullOfficer.U16(1).U16(0);
    // Indexes: 1 the officer class, 2 the officer, 3 the definition class, 4 the trophy.
    Writer trophyTwice;
    trophyTwice.U16(2).NewClass("SObjectDef").EmptyDef("T").U16(4);
    Writer trophyNull;
    trophyNull.U16(1).U16(0);
    // The repeat hands out a back-reference, after which the record is cut short: the archive
    // keeps the half-read officer, and the list's reader must not leak it.
    Bytes trophyTwiceCut = RecordOfVersion(5, 4, trophyTwice.bytes);
    trophyTwiceCut.resize(trophyTwiceCut.size() - 3);
    // A second officer that is a reference back to the first.
    Bytes officerTwice = RecordOfVersion(5, 4, {0, 0}, 2);
    officerTwice.insert(officerTwice.end(), {0x02, 0x00});

    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {{"truncated", truncated},
                 {"count beyond the file", hugeCount},
                 {"null officer", nullOfficer.bytes},
                 {"one trophy twice", RecordOfVersion(5, 4, trophyTwice.bytes)},
                 {"one trophy twice, cut short", trophyTwiceCut},
                 {"null trophy", RecordOfVersion(5, 4, trophyNull.bytes)},
                 {"one officer twice", officerTwice}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SHunterInfoList list;
        EXPECT_THROW(LoadArchive(c.bytes, [&](CArchive& ar) { list.Serialize(ar); }), CArchiveException);
        EXPECT_EQ(list.GetCount(), 0);
    }
    // The same trophy list without the repeat reads.
    Writer trophyOnce;
    trophyOnce.U16(1).NewClass("SObjectDef").EmptyDef("T");
    SHunterInfoList list;
    LoadArchive(RecordOfVersion(5, 4, trophyOnce.bytes), [&](CArchive& ar) { list.Serialize(ar); });
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetRecord(0)->GetTrophy(0)->GetName(), "T");
}

TEST_F(OfficerRecordsTest, StatisticsImportAddsCountsAndKeepsMaxima) {
    SHuntStats stats;
    stats.m_iNumHunts = 2, stats.m_iBiggestRack = 9, stats.m_fHeaviestBuck = 120.0f, stats.m_iTrophies = 5;
    SObjectDef results;
    results.SetOrAppendInt("HS_NumHunts", 1);
    results.SetOrAppendInt("HS_TargetShotsFired", 30);
    results.SetOrAppendInt("HS_NumWins", 1);
    results.SetOrAppendInt("HS_BiggestRack", 7);           // lower: the stored 9 stays
    results.SetOrAppendFloat("HS_HeaviestBuck", 150.5f);   // higher: taken
    results.SetOrAppendFloat("HS_LongestHuntShotKill", 88.0f);
    stats.ImportValues(&results);
    stats.ImportValues(&results);
    EXPECT_EQ(stats.m_iNumHunts, 4);
    EXPECT_EQ(stats.m_iTargetShotsFired, 60);
    EXPECT_EQ(stats.m_iNumWins, 2);
    EXPECT_EQ(stats.m_iBiggestRack, 9);
    EXPECT_EQ(stats.m_fHeaviestBuck, 150.5f);
    EXPECT_EQ(stats.m_fLongestHuntShotKill, 88.0f);
    EXPECT_EQ(stats.m_iTrophies, 5);  // never imported

    // A count near the top does not wrap round.
    SObjectDef huge;
    huge.SetOrAppendInt("HS_NumHunts", 2147483647);
    stats.ImportValues(&huge);
    EXPECT_EQ(stats.m_iNumHunts, 2147483647);

    SObjectDef exported;
    stats.ExportValues(&exported);
    EXPECT_EQ(exported.GetCount(), 15);
    EXPECT_STREQ(exported.GetName(14).GetString(), "HS_NumWins");
    EXPECT_EQ(exported.GetFloatByName("HS_HeaviestBuck"), 150.5f);
    EXPECT_EQ(exported.FindByName("HS_Trophies"), -1);
}

TEST_F(OfficerRecordsTest, RecordOperationsMarkChangesAndKeepLatches) {
    SHunterInfo officer("Cy");
    EXPECT_FALSE(officer.IsChanged());
    officer.AddLevelScore(Def("QScore"));
    EXPECT_FALSE(officer.IsChanged());  // the caller marks it
    officer.SetMapFile("");
    EXPECT_FALSE(officer.IsChanged());
    officer.SetMapFile("a.gmx");
    EXPECT_TRUE(officer.IsChanged());

    SObjectDef first;
    first.SetOrAppendInt("Gun", 80);
    first.SetOrAppendInt("GunQ", 1);
    first.SetOrAppendInt("MP5", 12);
    officer.ReadWeaponScores(&first);
    SObjectDef second;
    second.SetOrAppendInt("Gun", 40);
    second.SetOrAppendInt("GunQ", 0);
    second.SetOrAppendInt("ShotgunQ", 1);
    officer.ReadWeaponScores(&second);
    EXPECT_EQ(officer.m_iScorePistol, 40);
    EXPECT_EQ(officer.m_iScoreMP5, 0);
    EXPECT_EQ(officer.m_bQualifiedPistol, 1);
    EXPECT_EQ(officer.m_bQualifiedShotgun, 1);
    SObjectDef qualified;
    officer.WriteQualifiedWeapons(&qualified);
    EXPECT_EQ(qualified.GetName(), "QualifiedWeapons");
    EXPECT_EQ(qualified.GetIntByName("Shotgun"), 1);

    // Kit: an item stored earlier comes back with the new values, one entry only.
    SObjectDef* rifle = Def("Rifle");
    rifle->SetOrAppendInt("Ammo", 5);
    officer.TakeItem(rifle);
    officer.TakeItem(Def("Knife"));
    officer.StoreItem("Rifle");
    SObjectDef* again = Def("Rifle");
    again->SetOrAppendInt("Ammo", 9);
    officer.TakeItem(again);
    EXPECT_EQ(officer.m_pStoredKit->GetCount(), 0);
    ASSERT_EQ(officer.m_pCarriedKit->GetCount(), 2);
    EXPECT_EQ(officer.m_pCarriedKit->GetTail(), rifle);
    EXPECT_EQ(rifle->GetIntByName("Ammo"), 9);
    // The game library's current definition of an item replaces the stored values; an item it
    // no longer defines keeps them.
    SObjectDefList library;
    library.AddTail(Def("KNIFE"));
    library.GetHead()->SetOrAppendInt("Blade", 12);
    officer.RefreshKits(&library);
    EXPECT_EQ(officer.m_pCarriedKit->GetHead()->GetIntByName("Blade"), 12);
    EXPECT_EQ(rifle->GetIntByName("Ammo"), 9);
    library.DeleteAll();

    officer.ClearChanged();
    EXPECT_TRUE(officer.AddTrophy(Def("Trophy000000000")));
    EXPECT_TRUE(officer.m_bTrophyAdded != 0 && officer.IsChanged());
    EXPECT_EQ(officer.GetTrophy(5), nullptr);
}

TEST_F(OfficerRecordsTest, LocationLineAndScenarioDate) {
    const struct {
        const char* city;
        const char* state;
        const char* line;
    } locations[] = {{"Oslo", "OS", "Oslo, OS\n"}, {"", "OS", "OS\n"}, {"Oslo", "", "Oslo\n"}, {"", "", ""}};
    for (const auto& l : locations) {
        SHunterBio bio;
        bio.m_sCity = l.city, bio.m_sState = l.state;
        EXPECT_EQ(bio.GetLocation(), l.line);
    }

    const struct {
        int storedMonth, storedDay, nowYear, month, day;
    } dates[] = {{2, 29, 2027, 2, 28}, {2, 29, 2028, 2, 29}, {7, 4, 2027, 7, 4}};
    for (const auto& d : dates) {
        sys::time::LocalTime now;
        now.year = d.nowYear, now.month = 5, now.day = 1, now.hour = 12;
        sys::time::SetFakeLocalTime(now);
        SHunterInfo officer;
        EXPECT_TRUE(officer.SetScenarioTime(CTime(2024, d.storedMonth, d.storedDay, 6, 30, 0)));
        EXPECT_FALSE(officer.SetScenarioTime(CTime(2024, d.storedMonth, d.storedDay, 6, 30, 0)));
        const CTime date = officer.GetScenarioDate();
        EXPECT_EQ(date.GetYear(), d.nowYear);
        EXPECT_EQ(date.GetMonth(), d.month);
        EXPECT_EQ(date.GetDay(), d.day);
        EXPECT_EQ(date.GetHour(), 6);
        EXPECT_EQ(date.GetMinute(), 30);
    }
}

}  // namespace
