// The scenario-map writer: what it writes reads back to the same map, field for field, it
// writes only the records asked for, and it refuses texts the format cannot hold.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>

#include "core/SObjectDef.h"
#include "render/map/SMapKR5.h"
#include "tests/support/ScratchFolder.h"
#include "tools/mapwriter/SMapWriter.h"

namespace {

// Cell bytes that differ from cell to cell and byte to byte. The reader repeats row 254 as
// row 255, so row 255 is made equal to it.
uint8_t CellByte(int cell, int byte) {
    if (cell >= 255 * 256) {
        cell -= 256;
    }
    return static_cast<uint8_t>(cell * 7 + byte * 13 + (cell >> 8));
}

std::unique_ptr<SMapKR5> MakeMap() {
    auto map = std::make_unique<SMapKR5>();
    for (int i = 0; i < 65536; ++i) {
        map->m_fHeights[i] = static_cast<float>(i % 977) * 0.375f - 40.0f;
        map->m_fSecondGrid[i] = static_cast<float>(i / 256) * 2.5f;
        for (int b = 0; b < 42; ++b) {
            map->GetCell(i)[b] = CellByte(i, b);
        }
    }
    map->m_Tags.Add(SMapKR5Tag{"MapName", "Quay", 1});
    map->m_Tags.Add(SMapKR5Tag{"", "", 255});
    map->m_GroundNames.Add("Grass");
    map->m_ModelNames.Add("Birch");
    auto* o = new SMapKR5Model_Output();
    o->m_sName = "Van";
    o->m_fX = 1000.5f;
    o->m_fY = 64.0f;
    uint32_t* values[] = {&o->m_dwValue3, &o->m_dwValue4, &o->m_dwValue5, &o->m_dwValue6,
                          &o->m_dwValue8, &o->m_dwValue9, &o->m_dwValue11, &o->m_dwValue12};
    for (uint32_t i = 0; i < 8; ++i) {
        *values[i] = 0x01010101u * (i + 3);
    }
    o->m_byValue7 = 7;
    o->m_wValue10 = 0xBEEF;
    o->m_byCategoryMask = o->m_byMaskCopy = 0x81;
    map->m_ModelOutputs.Add(o);
    for (int i = 0; i < 2; ++i) {
        SMapKR5Sound_Output s;
        s.m_sName = "Horn";
        s.m_iHasSecondName = i;
        s.m_sSecondName = i == 1 ? "Echo" : "";
        s.m_fP2 = 300.25f;
        uint32_t* fields[] = {&s.m_dwP1, &s.m_dwP3, &s.m_dwD, &s.m_dwE, &s.m_dwF, &s.m_dwG, &s.m_dwH, &s.m_dwI, &s.m_dwJ};
        for (uint32_t f = 0; f < 9; ++f) {
            *fields[f] = f + 1;
        }
        map->m_SoundOutputs.Add(s);
    }
    auto* zone = new SParserZone();
    zone->m_sName = std::string(4095, 'z').c_str();
    zone->m_pDef->SetOrAppend("Kind", "Pen", 2);
    zone->m_iPointCount = 3;
    zone->m_pPoints = new float[6]{1.0f, 2.0f, 3.5f, 254.0f, 0.0f, 255.0f};
    map->m_Zones.Add(zone);
    map->m_Zones.Add(new SParserZone());
    return map;
}

// Every field of the map's lists, one after the other, for comparing two maps at once.
std::string Describe(const SMapKR5& map) {
    std::string text;
    auto put = [&text](auto value) { text += std::to_string(value) + " "; };
    auto str = [&text](const char* value) { text += std::string(value) + "|"; };
    for (int i = 0; i < map.m_Tags.GetSize(); ++i) {
        str(map.m_Tags[i].m_sName.GetString()), str(map.m_Tags[i].m_sValue.GetString()), put(map.m_Tags[i].m_dwFlag);
    }
    for (int i = 0; i < map.m_GroundNames.GetSize(); ++i) {
        str(map.m_GroundNames[i].GetString());
    }
    for (int i = 0; i < map.m_ModelNames.GetSize(); ++i) {
        str(map.m_ModelNames[i].GetString());
    }
    for (int i = 0; i < map.m_ModelOutputs.GetSize(); ++i) {
        const SMapKR5Model_Output& o = *map.m_ModelOutputs[i];
        str(o.m_sName.GetString());
        for (auto v : {o.m_dwValue3, o.m_dwValue4, o.m_dwValue5, o.m_dwValue6, o.m_dwValue8, o.m_dwValue9,
                       o.m_dwValue11, o.m_dwValue12, uint32_t{o.m_byValue7}, uint32_t{o.m_wValue10},
                       uint32_t{o.m_byCategoryMask}, uint32_t{o.m_byMaskCopy}}) {
            put(v);
        }
        put(o.m_fX), put(o.m_fY);
    }
    for (int i = 0; i < map.m_SoundOutputs.GetSize(); ++i) {
        const SMapKR5Sound_Output& s = map.m_SoundOutputs[i];
        str(s.m_sName.GetString()), str(s.m_sSecondName.GetString()), put(s.m_iHasSecondName), put(s.m_fP2);
        for (auto v : {s.m_dwP1, s.m_dwP3, s.m_dwD, s.m_dwE, s.m_dwF, s.m_dwG, s.m_dwH, s.m_dwI, s.m_dwJ}) {
            put(v);
        }
    }
    for (int i = 0; i < map.m_Zones.GetSize(); ++i) {
        const SParserZone& z = *map.m_Zones[i];
        str(z.m_sName.GetString());
        for (int v = 0; v < z.m_pDef->GetCount(); ++v) {
            str(z.m_pDef->GetName(v).GetString()), str(z.m_pDef->GetValue(v).GetString()), put(z.m_pDef->GetTag(v));
        }
        for (int p = 0; p < 2 * z.m_iPointCount; ++p) {
            put(z.m_pPoints[p]);
        }
    }
    return text;
}

class MapWriterTest : public testing::Test {
protected:
    void SetUp() override { folder = tarvex::test::MakeScratchFolder("map_writer"); }

    // Saves the whole map, or writes the file of the records asked for, and reads it back.
    std::unique_ptr<SMapKR5> ReadBack(const SMapKR5& map, unsigned records = smapwriter::kAll) {
        const std::string path = folder + "/map.gmx";
        if (records == smapwriter::kAll) {
            EXPECT_TRUE(smapwriter::Save(map, path.c_str()));
        } else {
            const std::vector<uint8_t> bytes = smapwriter::Build(map, records);
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                        static_cast<std::streamsize>(bytes.size()));
        }
        auto read = std::make_unique<SMapKR5>();
        EXPECT_EQ(read->LoadFile(path.c_str()), 1);
        EXPECT_TRUE(read->IsUsable());
        return read;
    }

    std::string folder;
};

TEST_F(MapWriterTest, EveryFieldReadsBack) {
    const auto map = MakeMap();
    const std::vector<uint8_t> bytes = smapwriter::Build(*map);
    ASSERT_GT(bytes.size(), 14u);
    EXPECT_EQ(std::memcmp(bytes.data(), "SMAP\x03\x00\x08\x00\x00\x00\x0E\x00\x00\x00", 14), 0);
    EXPECT_EQ(bytes[14], 1);  // the tags come first

    const auto read = ReadBack(*map);
    EXPECT_EQ(std::memcmp(read->m_fHeights, map->m_fHeights, sizeof(map->m_fHeights)), 0);
    EXPECT_EQ(std::memcmp(read->m_fSecondGrid, map->m_fSecondGrid, sizeof(map->m_fSecondGrid)), 0);
    EXPECT_EQ(std::memcmp(read->m_pCells, map->m_pCells, SMapKR5::kCellTableBytes), 0);
    EXPECT_EQ(Describe(*read), Describe(*map));
    EXPECT_EQ(read->m_Zones[0]->m_sName.GetLength(), 4095);
}

TEST_F(MapWriterTest, OnlyTheRecordsAskedFor) {
    const auto map = MakeMap();
    const auto read = ReadBack(*map, smapwriter::kTags | smapwriter::kSounds);
    EXPECT_EQ(read->m_Tags.GetSize() + read->m_SoundOutputs.GetSize(), 4);
    EXPECT_EQ(read->m_ModelOutputs.GetSize() + read->m_Zones.GetSize(), 0);
    EXPECT_EQ(read->m_fHeights[1000], 0.0f);
    EXPECT_LT(smapwriter::Build(*map, smapwriter::kTags).size(), 100u);
}

TEST_F(MapWriterTest, TextsTooLongForTheFormatAreRefused) {
    struct Case {
        const char* name;
        void (*spoil)(SMapKR5&);
    };
    const Case cases[] = {
        {"tag", [](SMapKR5& m) { m.m_Tags.Add(SMapKR5Tag{std::string(2048, 't').c_str(), "", 0}); }},
        {"ground name", [](SMapKR5& m) { m.m_GroundNames.Add(std::string(2048, 'g').c_str()); }},
        {"model", [](SMapKR5& m) { m.m_ModelOutputs[0]->m_sName = std::string(2048, 'm').c_str(); }},
        {"zone key", [](SMapKR5& m) { m.m_Zones[0]->m_pDef->SetOrAppend(std::string(4096, 'k').c_str(), "", 0); }},
    };
    for (const Case& c : cases) {
        auto map = MakeMap();
        c.spoil(*map);
        EXPECT_TRUE(smapwriter::Build(*map).empty()) << c.name;
        const std::string path = folder + "/" + c.name + ".gmx";
        EXPECT_FALSE(smapwriter::Save(*map, path.c_str())) << c.name;
        EXPECT_FALSE(std::filesystem::exists(path)) << c.name;
    }
}

// Writes the seed corpus of the map reader's fuzz target: small maps of our writer without
// their grids and cells (a whole map is 3 MB), a few damaged ones made from them, and maps with
// both grids (and tags), one of them with heights that are not numbers under its water.
TEST_F(MapWriterTest, DISABLED_WriteSmapFuzzSeeds) {
    const std::filesystem::path dir = std::filesystem::path(TARVEX_FUZZ_CORPUS) / "smap_fuzz";
    std::filesystem::create_directories(dir);
    auto write = [&dir](const char* name, const std::vector<uint8_t>& bytes) {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    const auto map = MakeMap();
    map->m_Zones[0]->m_sName = "Pen";
    const unsigned lists = smapwriter::kAll & ~(smapwriter::kHeights | smapwriter::kSecondGrid | smapwriter::kCells);
    const std::vector<uint8_t> all = smapwriter::Build(*map, lists);
    write("lists.gmx", all);
    write("tags.gmx", smapwriter::Build(*map, smapwriter::kTags));
    write("zones.gmx", smapwriter::Build(*map, smapwriter::kZones));
    write("sounds_models.gmx", smapwriter::Build(*map, smapwriter::kSounds | smapwriter::kModels));
    std::vector<uint8_t> version2 = all;
    version2[4] = 2;
    write("version2.gmx", version2);
    write("truncated.gmx", std::vector<uint8_t>(all.begin(), all.begin() + static_cast<long>(all.size() / 2)));
    // A record the reader skips by its length, ahead of the tags.
    std::vector<uint8_t> skipped = smapwriter::Build(*map, smapwriter::kTags);
    skipped[6] = 2;
    const uint8_t junk[] = {3, 0, 4, 0, 0, 0, 0xDE, 0xAD, 0xBE, 0xEF};
    skipped.insert(skipped.begin() + 14, std::begin(junk), std::end(junk));
    write("skipped.gmx", skipped);

    // The target builds the outdoor world from maps whose length is a multiple of 4096; the
    // reader leaves what follows the last record alone.
    const auto world = [&map] {
        std::vector<uint8_t> bytes =
            smapwriter::Build(*map, smapwriter::kTags | smapwriter::kHeights | smapwriter::kSecondGrid);
        bytes.resize((bytes.size() + 4095) / 4096 * 4096);
        return bytes;
    };
    write("grids.gmx", world());
    for (int i = 0; i < 65536; i += 7) {
        map->m_fHeights[i] = i % 2 == 0 ? std::numeric_limits<float>::infinity() : std::nanf("");
        map->m_fSecondGrid[i] = 1e30f;
    }
    write("regress_nonfinite_heights.gmx", world());
}

}  // namespace
