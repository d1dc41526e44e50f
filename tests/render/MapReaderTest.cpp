// The scenario map reader on files laid out byte by byte: how grids, cells and outputs are
// turned on reading, records it skips, refused headers, damaged files, heights and tags; and
// the map cache.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/SObjectDef.h"
#include "render/map/CMapCache.h"
#include "render/map/SMapKR5.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "tests/render/MapTestSupport.h"
#include "tests/support/PeakMemory.h"
#include "tests/support/ScratchFolder.h"

namespace {

using tarvex::test::MapBytes;
using tarvex::test::MapHeader;

class MapReaderTest : public testing::Test {
protected:
    void SetUp() override { folder = tarvex::test::MakeScratchFolder("map_reader"); }

    // Writes the bytes and loads them into a fresh map (or the one given).
    int Load(const MapBytes& bytes, SMapKR5* into = nullptr) {
        const std::string path = folder + "/map.gmx";
        tarvex::test::WriteBytes(path, bytes.b);
        if (into == nullptr) {
            map = std::make_unique<SMapKR5>();
            into = map.get();
        }
        return into->LoadFile(path.c_str());
    }

    static MapBytes Grid(int fileRow, int column, float value) {
        MapBytes body;
        for (int i = 0; i < 65536; ++i) {
            body.F32(i == fileRow * 256 + column ? value : 0.0f);
        }
        return body;
    }

    std::string folder;
    std::unique_ptr<SMapKR5> map;
};

TEST_F(MapReaderTest, GridsAndCellsAreMirroredShiftedAndFlipped) {
    MapBytes cells;
    for (int row = 0; row < 256; ++row) {
        for (int column = 0; column < 256; ++column) {
            uint8_t cell[42] = {};
            if (row == 0 && column == 3) {
                const uint8_t entry0[5] = {1, 2, 3, 4, 5};
                std::memcpy(cell, entry0, 5);
                cell[40] = 0x77;  // the flag byte comes first in the file
                cell[41] = 9;
            }
            if (row == 255 && column == 0) {
                cell[0] = 42;  // the file's last row is dropped by the row shift
            }
            for (uint8_t byte : cell) {
                cells.U8(byte);
            }
        }
    }
    MapBytes file = MapHeader(3);
    file.Record(2, Grid(0, 1, 1.5f)).Record(9, Grid(10, 20, 0.25f)).Record(8, cells);
    ASSERT_EQ(Load(file), 1);
    EXPECT_TRUE(map->IsUsable());

    EXPECT_EQ(map->m_fHeights[255 * 256 + 1], 12.0f);
    EXPECT_EQ(map->m_fHeights[1], 0.0f);
    EXPECT_EQ(map->m_fSecondGrid[245 * 256 + 20], 2.0f);
    // File row 0 becomes row 255 by the mirror, row 254 by the shift, and row 255 keeps it.
    for (int row : {254, 255}) {
        const uint8_t* cell = map->GetCell(row * 256 + 3);
        EXPECT_EQ(cell[0], 1) << row;
        EXPECT_EQ(cell[8], 2) << row;
        EXPECT_EQ(cell[16], 3) << row;
        EXPECT_EQ(cell[24], 4) << row;
        EXPECT_EQ(cell[25], 250) << row;
        EXPECT_EQ(cell[41], 0x77) << row;
        EXPECT_EQ(cell[40], 9) << row;
    }
    EXPECT_EQ(map->GetCell(253 * 256 + 3)[0], 0);
    EXPECT_EQ(map->GetCell(0)[0], 0);
    EXPECT_EQ(map->GetCell(0)[25], 255);  // every in-cell Y is flipped, a zero one too

    // A memory file's bytes, read in place, give the same map.
    CMemFile memory(file.b.data(), static_cast<unsigned>(file.b.size()));
    SMapKR5 lent;
    CArchive ar(&memory, CArchive::load);
    lent.Serialize(ar);
    ASSERT_TRUE(lent.IsUsable());
    EXPECT_EQ(std::memcmp(lent.m_fHeights, map->m_fHeights, sizeof(lent.m_fHeights)), 0);
    EXPECT_EQ(std::memcmp(lent.m_fSecondGrid, map->m_fSecondGrid, sizeof(lent.m_fSecondGrid)), 0);
    EXPECT_EQ(std::memcmp(lent.GetCell(0), map->GetCell(0), SMapKR5::kCellTableBytes), 0);
    EXPECT_EQ(memory.GetPosition(), file.b.size());
}

// Values that are not numbers, or beyond any terrain, would reach the outdoor world's
// interpolations as NaN: they read as ground level or as the farthest height kept.
TEST_F(MapReaderTest, GridValuesOutOfReachAreTamed) {
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {std::nanf(""), inf, -inf, 1e30f, -1e30f, 3.0f};
    MapBytes grid;
    for (int i = 0; i < 65536; ++i) {
        grid.F32(i < 6 ? values[i] : 0.0f);
    }
    MapBytes file = MapHeader(2);
    file.Record(2, grid).Record(9, grid);
    ASSERT_EQ(Load(file), 1);
    const float expected[] = {0.0f, 0.0f, 0.0f, 1048576.0f, -1048576.0f, 24.0f};
    for (int i = 0; i < 6; ++i) {
        // File row 0 is row 255 once read.
        EXPECT_EQ(map->m_fHeights[255 * 256 + i], expected[i]) << i;
        EXPECT_EQ(map->m_fSecondGrid[255 * 256 + i], expected[i]) << i;
    }
}

TEST_F(MapReaderTest, OutputsZonesNamesAndSkippedRecords) {
    MapBytes models;
    models.U32(2);
    for (float y : {0.0f, 65280.0f}) {
        models.Str("Car").F32(300.0f).F32(y).U32(3).U32(4).U32(5).U8(0x81).U32(6).U8(7).U32(8).U32(9).U16(10)
            .U32(11).U32(12);
    }
    MapBytes sounds;
    sounds.U32(2);
    sounds.U32(0).Str("Wind").U32(1).F32(0.0f);
    for (uint32_t v = 3; v <= 10; ++v) {
        sounds.U32(v);
    }
    sounds.U32(1).Str("Echo").Str("Bell").U32(1).F32(256.0f);
    for (uint32_t v = 3; v <= 10; ++v) {
        sounds.U32(v);
    }
    MapBytes names;
    names.U32(2).Str("Grass").Str("Mud").U32(1).Str("Oak");
    MapBytes zones;
    zones.U32(1).Str("Yard").U16(1).U16(4).U8(2).U16(3).Text("Kind").Text("Pen").U16(2);
    zones.F32(10.0f).F32(5.0f).F32(3.0f).F32(255.0f);
    MapBytes junk;
    junk.U32(0xDEADBEEF).U8(1);
    MapBytes tagsA, tagsB;
    tagsA.U32(1).U16(1).U8(1).U16(1).Text("A1");
    tagsB.U32(2).U16(1).U8(2).U16(1).Text("B2").U16(1).U8(0).U16(1).Text("b3");

    MapBytes file = MapHeader(12);
    file.Record(3, junk).Record(1, tagsA).Record(4, junk).Record(5, models).Record(0, junk).Record(7, sounds);
    file.Record(12, junk).Record(6, names).Record(10, zones).Record(1, tagsB).Record(200, junk).Record(3, MapBytes{});
    ASSERT_EQ(Load(file), 1);

    // Field order: the mask comes before value 6; y is mirrored.
    ASSERT_EQ(map->m_ModelOutputs.GetSize(), 2);
    const SMapKR5Model_Output& car = *map->m_ModelOutputs[0];
    EXPECT_EQ(car.m_fY, 65280.0f);
    EXPECT_EQ(map->m_ModelOutputs[1]->m_fY, 0.0f);
    EXPECT_EQ(car.m_byMaskCopy, 0x81);
    EXPECT_EQ(car.m_dwValue6 + car.m_byValue7 + car.m_wValue10 + car.m_dwValue12, 6u + 7u + 10u + 12u);

    ASSERT_EQ(map->m_SoundOutputs.GetSize(), 2);
    const SMapKR5Sound_Output& wind = map->m_SoundOutputs[0];
    const SMapKR5Sound_Output& bell = map->m_SoundOutputs[1];
    EXPECT_STREQ(wind.m_sName.GetString(), "Wind");
    EXPECT_STREQ(wind.m_sSecondName.GetString(), "");
    EXPECT_EQ(wind.m_iHasSecondName, 0);
    EXPECT_EQ(wind.m_fP2, 65280.0f);
    // The values after p3 are stored f, g, h, d, e, i, j.
    EXPECT_EQ(wind.m_dwF, 4u);
    EXPECT_EQ(wind.m_dwD, 7u);
    EXPECT_EQ(wind.m_dwJ, 10u);
    EXPECT_STREQ(bell.m_sName.GetString(), "Bell");
    EXPECT_STREQ(bell.m_sSecondName.GetString(), "Echo");
    EXPECT_EQ(bell.m_iHasSecondName, 1);
    EXPECT_EQ(bell.m_fP2, 65024.0f);

    EXPECT_STREQ(map->GetModelName(0), "Oak");
    EXPECT_STREQ(map->GetGroundName(1), "Mud");
    EXPECT_EQ(map->GetGroundName(2), nullptr);  // a cell may name a ground the list lacks
    EXPECT_EQ(map->GetModelName(-1), nullptr);

    ASSERT_EQ(map->m_Zones.GetSize(), 1);
    const SParserZone& yard = *map->m_Zones[0];
    EXPECT_STREQ(yard.m_sName.GetString(), "Yard");
    ASSERT_EQ(yard.m_iPointCount, 2);
    EXPECT_EQ(yard.m_pPoints[0], 10.0f);
    EXPECT_EQ(yard.m_pPoints[1], 250.0f);
    EXPECT_EQ(yard.m_pPoints[3], 0.0f);
    EXPECT_STREQ(yard.m_pDef->GetValueByName("Kind").GetString(), "Pen");
    EXPECT_EQ(yard.m_pDef->GetTagByName("Kind"), 2u);

    // Only the last tag record counts; names compare with their case.
    SMapKR5Tag tag;
    tag.m_sValue = "untouched";
    EXPECT_EQ(map->FindTag("A", &tag), 0);
    EXPECT_EQ(map->FindTag("c", &tag), 0);
    EXPECT_STREQ(tag.m_sValue.GetString(), "untouched");
    ASSERT_EQ(map->FindTag("b", &tag), 1);
    EXPECT_STREQ(tag.m_sValue.GetString(), "3");
    ASSERT_EQ(map->FindTag("B", &tag), 1);
    EXPECT_STREQ(tag.m_sValue.GetString(), "2");
    EXPECT_EQ(tag.m_dwFlag, 2u);

    // Without cell records the rows are still turned: Y of every entry becomes 255.
    EXPECT_EQ(map->GetCell(1234)[25 + 2 * 3], 255);
}

// A map is read as far as its records go, a piece at a time: a gigabyte it skips or never
// reaches costs no memory.
TEST_F(MapReaderTest, AGigabyteSkippedOrAfterTheRecordsIsNeverHeld) {
    constexpr uint64_t kGigabyte = 1ull << 30;
    MapBytes tags;
    tags.U32(1).U16(1).U8(4).U16(2).Text("T42");
    const MapBytes tagRecord = MapBytes{}.Record(1, tags);
    struct Case {
        const char* name;
        MapBytes head;  // then a gigabyte of zeros, then the tail
        MapBytes tail;
    };
    const Case cases[] = {
        {"skipped", MapHeader(2).U8(3).U8(0).U32(kGigabyte), tagRecord},
        {"after the records", MapHeader(1).Append(tagRecord), MapBytes{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder + "/map.gmx";
        tarvex::test::WriteBytes(path, c.head.b);
        std::filesystem::resize_file(path, c.head.b.size() + kGigabyte);
        std::ofstream(path, std::ios::binary | std::ios::app)
            .write(reinterpret_cast<const char*>(c.tail.b.data()), static_cast<std::streamsize>(c.tail.b.size()));
        map = std::make_unique<SMapKR5>();
        tarvex::test::ResetPeakMemory();
        const uint64_t before = tarvex::test::PeakMemoryBytes();
        ASSERT_EQ(map->LoadFile(path.c_str()), 1) << map->GetLoadError().GetString();
        EXPECT_LT(tarvex::test::PeakMemoryBytes() - before, 64u << 20);
        SMapKR5Tag tag;
        ASSERT_EQ(map->FindTag("T", &tag), 1);
        EXPECT_STREQ(tag.m_sValue.GetString(), "42");
        EXPECT_TRUE(map->IsUsable());
        std::filesystem::remove(path);
    }
}

// Cell tables pass from map to map: whatever an earlier map left, a new map's cells read as zero
// until it is loaded, and as turned zero cells once loaded without cell records.
TEST_F(MapReaderTest, ACellTablePassedOnShowsOnlyItsNewMap) {
    MapBytes cells;
    for (size_t i = 0; i < SMapKR5::kCellTableBytes; ++i) {
        cells.U8(0x11);
    }
    MapBytes withCells = MapHeader(1);
    withCells.Record(8, cells);
    MapBytes without = MapHeader(1);
    without.Record(1, MapBytes().U32(0));
    const std::vector<uint8_t> zero(SMapKR5::kCellTableBytes, 0);
    std::vector<uint8_t> turned = zero;
    for (size_t c = 0; c < turned.size(); c += SMapKR5::kCellBytes) {
        for (int k = 0; k < 8; ++k) {
            turned[c + 25 + 2 * k] = 255;
        }
    }
    for (const MapBytes* before : {&withCells, &without}) {
        for (const MapBytes* after : {static_cast<const MapBytes*>(&without), static_cast<const MapBytes*>(nullptr)}) {
            ASSERT_EQ(Load(*before), 1);
            map.reset();
            auto next = std::make_unique<SMapKR5>();
            if (after != nullptr) {
                ASSERT_EQ(Load(*after, next.get()), 1);
            }
            const SMapKR5& shown = *next;
            const std::vector<uint8_t>& expected = after != nullptr ? turned : zero;
            EXPECT_EQ(std::memcmp(shown.GetCell(0), expected.data(), expected.size()), 0)
                << (before == &withCells) << (after != nullptr);
        }
    }
}

TEST_F(MapReaderTest, RefusedHeaderEmptiesTheTagsOnly) {
    MapBytes tags;
    tags.U32(1).U16(1).U8(0).U16(1).Text("T1");
    MapBytes good = MapHeader(2);
    good.Record(1, tags).Record(2, Grid(255, 0, 1.0f));
    struct Case {
        const char* magic;
        uint8_t version;
    };
    for (const Case& c : {Case{"SMAX", 3}, Case{"SMAP", 2}, Case{"SMAP", 4}}) {
        ASSERT_EQ(Load(good), 1);
        ASSERT_EQ(map->m_Tags.GetSize(), 1);
        MapBytes bad = MapHeader(2, c.version, c.magic);
        bad.Record(1, tags);
        EXPECT_EQ(Load(bad, map.get()), 1) << c.magic << int(c.version);
        EXPECT_EQ(map->m_Tags.GetSize(), 0);
        EXPECT_FALSE(map->IsUsable());
        EXPECT_EQ(map->m_fHeights[0], 8.0f);  // the grid is as before
    }
}

TEST_F(MapReaderTest, DamagedFilesAreRefused) {
    MapBytes tag;
    tag.U16(1).U8(0).U16(1).Text("T1");
    auto withRecord = [](uint8_t type, const MapBytes& body, uint32_t length) {
        MapBytes file = MapHeader(1);
        file.U8(type).U8(0).U32(length).Append(body);
        return file;
    };
    MapBytes longTag;
    longTag.U32(1).U16(2048).U8(0).U16(0).Text(std::string(2048, 'x'));
    MapBytes longZone;
    longZone.U32(1).Str(std::string(4096, 'z')).U16(0).U16(0);
    MapBytes manyTags;
    manyTags.U32(100000).Append(tag);
    MapBytes negativeTags;
    negativeTags.U32(0xFFFFFFFF);
    MapBytes manyModels;
    manyModels.U32(0x7FFFFFFF);
    MapBytes manyPoints;
    manyPoints.U32(1).Str("Z").U16(0).U16(60000).F32(1.0f);
    MapBytes shortGrid;
    shortGrid.F32(1.0f);
    MapBytes truncated = MapHeader(1);
    truncated.U8(1).U8(0).U32(9).U32(1).U16(1).U8(0);
    // Records that each fit the file but together hold far more than any map does.
    MapBytes manyNames;
    manyNames.U32(3000000);
    manyNames.b.resize(manyNames.b.size() + 3000000 * 2);
    manyNames.U32(0);
    MapBytes manyZones;
    manyZones.U32(400000);
    manyZones.b.resize(manyZones.b.size() + 400000 * 6);
    // 82 MB of tag text, built in place: the table takes it without a copy.
    MapBytes longTags = MapHeader(1);
    longTags.U8(1).U8(0).U32(0).U32(20000);
    const std::string longText(2047, 't');
    for (int i = 0; i < 20000; ++i) {
        longTags.U16(2047).U8(0).U16(2047).Text(longText).Text(longText);
    }
    // Empty keys and values: only what the values are kept in can be charged.
    MapBytes manyValues;
    manyValues.U32(40);
    for (int zone = 0; zone < 40; ++zone) {
        manyValues.Str("Z").U16(65535);
        manyValues.b.resize(manyValues.b.size() + 65535 * 5);
        manyValues.U16(0);
    }

    struct Case {
        const char* name;
        MapBytes file;
    };
    MapBytes farOffset = MapHeader(1);
    farOffset.b[10] = 0xFF;
    farOffset.b[11] = 0xFF;
    MapBytes negativeOffset = MapHeader(1);
    negativeOffset.b[13] = 0x80;
    const Case cases[] = {
        {"short header", MapBytes{}.Text("SMAP").U8(3)},
        {"three bytes", MapBytes{}.Text("SMA")},
        {"truncated record", truncated},
        {"negative record count", MapHeader(-1)},
        {"huge record count", MapHeader(0x40000000)},
        {"offset past the end", farOffset},
        {"negative offset", negativeOffset},
        {"negative skip length", withRecord(3, MapBytes{}, 0xFFFFFFF0)},
        {"skip past the end", withRecord(4, MapBytes{}, 100)},
        {"negative length of a known record", withRecord(1, MapBytes{}.U32(0), 0x80000000)},
        {"over-long tag", withRecord(1, longTag, 0)},
        {"over-long zone name", withRecord(10, longZone, 0)},
        {"too many tags", withRecord(1, manyTags, 0)},
        {"negative tag count", withRecord(1, negativeTags, 4)},
        {"too many models", withRecord(5, manyModels, 4)},
        {"too many zone points", withRecord(10, manyPoints, 0)},
        {"short grid", withRecord(2, shortGrid, 262144)},
        {"short cell table", withRecord(8, shortGrid, 2752512)},
        {"names past any map's", withRecord(6, manyNames, 0)},
        {"zones past any map's", withRecord(10, manyZones, 0)},
        {"tag text past any map's", std::move(longTags)},
        {"zone values past any map's", withRecord(10, manyValues, 0)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Load(c.file), 0) << c.name;
        EXPECT_FALSE(map->IsUsable()) << c.name;
        // The reason stays with the map for whoever reports the refusal.
        EXPECT_FALSE(map->GetLoadError().IsEmpty()) << c.name;
    }
    EXPECT_EQ(Load(truncated), 0);
    EXPECT_STREQ(map->GetLoadError().GetString(), "archive: unexpected end of data");
    EXPECT_EQ(Load(withRecord(10, manyZones, 0)), 0);
    EXPECT_STREQ(map->GetLoadError().GetString(), "its records hold more than any map does (more than 64 MB)");
    SMapKR5 unopened;
    EXPECT_EQ(unopened.LoadFile((folder + "/missing.gmx").c_str()), 0);
    EXPECT_EQ(std::string(unopened.GetLoadError().GetString()).rfind("file not found", 0), 0u);
    EXPECT_EQ(unopened.LoadFile(folder.c_str()), 0);
}

TEST(MapHeightTest, HeightsOnTheCellTriangles) {
    SMapKR5 map;
    auto g = [&map](int column, int row) -> float& { return map.m_fHeights[row * 256 + column]; };
    g(1, 2) = 5.0f;
    g(0, 0) = 0.0f;
    g(1, 0) = 8.0f;
    g(0, 1) = 16.0f;
    g(1, 1) = 24.0f;
    g(254, 0) = 0.0f;
    g(255, 0) = 256.0f;
    g(17, 0) = 3.0f;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float x, y, height;
    };
    const Case cases[] = {
        {256.0f, 512.0f, 5.0f},   // a grid point exactly
        {64.0f, 64.0f, 6.0f},     // 0.5 x 0 + 0.25 x 8 + 0.25 x 16
        {192.0f, 192.0f, 18.0f},  // 0.5 x 24 + 0.25 x 8 + 0.25 x 16
        {-1.0f, 0.0f, 254.0f},    // wraps to 65535, limited to 65278
        {65536.0f + 17.0f * 256.0f, 0.0f, 3.0f},
        {nan, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(map.HeightAt(c.x, c.y), c.height) << c.x << ", " << c.y;
    }
}

TEST(MapCacheTest, FindAddAndEviction) {
    CMapCache cache;
    EXPECT_EQ(cache.Find("maps\\a.gmx"), nullptr);
    auto* first = new SMapKR5();
    EXPECT_EQ(cache.Add(first, "maps\\a.gmx", nullptr), 0);
    EXPECT_EQ(cache.Find("MAPS\\A.GMX"), first);
    auto* twin = new SMapKR5();
    EXPECT_EQ(cache.Add(twin, "Maps\\A.gmx", nullptr), -1);
    delete twin;

    // Without an object to keep the cache only grows.
    SMapKR5* maps[11];
    for (int i = 0; i < 11; ++i) {
        maps[i] = new SMapKR5();
        EXPECT_EQ(cache.Add(maps[i], ("m" + std::to_string(i)).c_str(), nullptr), i + 1);
    }
    EXPECT_EQ(cache.GetCount(), 12);

    // With one, the first entry holding another object leaves, and its object lives on.
    auto* extra = new SMapKR5();
    EXPECT_EQ(cache.Add(extra, "extra", first), 11);
    EXPECT_EQ(cache.Find("m0"), nullptr);
    EXPECT_EQ(cache.Find("maps\\a.gmx"), first);
    delete maps[0];
    cache.RemoveAll();
    EXPECT_EQ(cache.GetCount(), 0);
    EXPECT_EQ(cache.Find("extra"), nullptr);
}

}  // namespace
