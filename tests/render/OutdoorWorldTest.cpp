// The outdoor world's set-up on maps made by our writer: buffer sizes by view radius, the
// border wall and water states, the depth tint and vertex normals, trees grown the same way
// for a "MapRandom" map, the sky box's fall-backs, and the texture registry's look-ups.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "assets/textures/STexFormat.h"
#include "assets/textures/STexture2.h"
#include "assets/models/SSMHandle.h"
#include "core/SResource.h"
#include "render/SD3D6Parser.h"
#include "render/map/SHuntWorld.h"
#include "render/map/SMapKR5.h"
#include "render/outdoor/SRendererCatalog.h"
#include "render/texture/SD3D6Lock.h"
#include "sys/classlib/CStringArray.h"
#include "tests/assets/models/ModelSamples.h"
#include "tests/assets/textures/TextureTestSupport.h"
#include "tests/render/MapTestSupport.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "tools/mapwriter/SMapWriter.h"

namespace {

using Buffers = SOutdoorBuffers;

// Texture lists, handler files and search folders held in memory; it notes which handler
// entries were asked for.
class FakeCatalog : public SRendererCatalog {
public:
    bool GetTextureList(const char* key, std::vector<STextureListSource>& entries) override {
        const auto it = lists.find(key);
        if (it == lists.end()) {
            return false;
        }
        entries = it->second;
        return true;
    }
    SResource* GetModelResource(const char* key) override {
        const auto it = models.find(key);
        return it != models.end() ? it->second : nullptr;
    }
    void GetModelFrameTexts(SResource* model, std::vector<SString>& texts) override {
        for (const std::string& text : frames[model]) {
            texts.push_back(text.c_str());
        }
    }
    bool FindHandlerFileByKey(const char* key, const char*, SString& path, uint32_t& flags) override {
        const auto it = handlers.find(key);
        if (it == handlers.end()) {
            return false;
        }
        path = it->second.first.c_str();
        flags = it->second.second;
        return true;
    }
    bool GetHandlerFiles(const char* resource, const char*, const char* const* entries, int count,
                         SString* paths) override {
        if (std::string(resource) != "Sky") {
            return false;
        }
        for (int i = 0; i < count; ++i) {
            asked.push_back(entries[i]);
            const auto it = files.find(entries[i]);
            paths[i] = it != files.end() ? it->second.c_str() : "\\";
        }
        return true;
    }
    void ReleaseResource(SResource* resource) override { released.push_back(resource); }
    const CStringArray* GetSearchFolders() override { return &folders; }

    std::map<std::string, SResource*> models;
    std::map<SResource*, std::vector<std::string>> frames;
    std::map<std::string, std::pair<std::string, uint32_t>> handlers;  // model file and flags
    std::vector<SResource*> released;
    std::map<std::string, std::vector<STextureListSource>> lists;
    std::map<std::string, std::string> files;
    std::vector<std::string> asked;
    CStringArray folders;
};

// Weight of a list entry: its first value, whatever the day.
float FirstValue(int32_t first, int32_t, int32_t, int32_t, int32_t) { return static_cast<float>(first); }

constexpr float kRing8 = 705.7000732421875f;  // the wall's rings 8 and 9 (computed by hand)
constexpr float kRing9 = 804.985107421875f;

class OutdoorWorldTest : public tarvex::test::RenderDisplayTest {
protected:
    void SetUp() override {
        RenderDisplayTest::SetUp();
        OpenSurfaces(1);
        parser.Create(&info);
        ASSERT_EQ(parser.CreateRaster(&record), 1);
        folder = tarvex::test::MakeScratchFolder("outdoor_world");
        catalog.folders.Add(folder.c_str());
        SD3D6Parser::SetCatalog(&catalog);
        SD3D6Parser::s_dwSceneRenderSwitches = 0x5F;
    }

    void TearDown() override {
        SD3D6Parser::SetCatalog(nullptr);
        SD3D6Parser::s_dwSceneRenderSwitches = 0x5F;
        parser.EndSession(0);
        parser.ReleaseRaster();
        CloseSurfaces();
        RenderDisplayTest::TearDown();
    }

    // A texture file "<name>.stx" in the search folder with these tags.
    void WriteTexture(const std::string& name, const std::map<std::string, std::string>& tags) {
        STexture2 texture;
        ASSERT_TRUE(tarvex::test::ImportBmp(texture, folder, 8, 8, tarvex::test::kRGB565));
        for (const auto& [key, value] : tags) {
            texture.SetTag(key.c_str(), value.c_str());
        }
        ASSERT_EQ(texture.Save((folder + "/" + name + ".stx").c_str()), 1);
    }

    // Saves the map under a new name and runs the session's steps up to `lastStep`.
    int Run(const SMapKR5& map, int lastStep, SLevelInfo level = SLevelInfo()) {
        const std::string path = folder + "/map" + std::to_string(++maps) + ".gmx";
        EXPECT_TRUE(smapwriter::Save(map, path.c_str()));
        level.m_sMapPath = path.c_str();
        for (int step = 0; step <= lastStep; ++step) {
            if (parser.InitSession(2, &level, step) != 1) {
                return 0;
            }
        }
        return 1;
    }

    SParserCreateInfo info;
    SD3D6Parser parser;
    FakeCatalog catalog;
    std::string folder;
    int maps = 0;
};

TEST_F(OutdoorWorldTest, BuffersFollowTheViewRadius) {
    struct Case {
        int landPop, radius, far;
    };
    // Out-of-range settings are held to the slider's 0 to 255.
    const Case cases[] = {{0, 20, 2073}, {25, 22, 2304}, {255, 50, 5529}, {1000, 50, 5529}, {-7, 20, 2073}};
    SMapKR5 map;
    for (const Case& c : cases) {
        SLevelInfo level;
        level.Field(1) = c.landPop;
        level.Field(4) = c.landPop * 1000000;  // decal records are held to a sane count too
        ASSERT_EQ(Run(map, 0, level), 1);
        EXPECT_EQ(parser.m_LevelInfo.Field(1), c.radius);
        EXPECT_EQ(parser.m_LevelInfo.Field(5), c.far);
        EXPECT_EQ(parser.m_fProjection[3], static_cast<float>(c.far));
    }
    const Buffers& buffers = parser.m_Buffers;
    EXPECT_EQ(buffers.Bytes(Buffers::kGroundCells), 2048u);
    EXPECT_EQ(buffers.Capacity(Buffers::kTriangleVertices, 44), 32768u);
    EXPECT_EQ(buffers.Capacity(Buffers::kSpriteQuads, 40), 16384u);
    EXPECT_EQ(buffers.Bytes(Buffers::kSharedVertices), 1441792u);
    EXPECT_EQ(buffers.Bytes(Buffers::kScratch), 131072u);

    // radius, lift, then the expected radius, far distance, list cells, vertex bytes, lift.
    struct Range {
        int radius;
        float lift;
        int expectRadius, expectFar;
        size_t cells, vertexBytes;
        int offset;
    };
    ASSERT_EQ(Run(map, 4), 1);
    const Range ranges[] = {
        {0, 0.0f, 22, 2304, 1024, 1441792, 0},          // nothing saved: ignored
        {120, 12.7f, 120, 13593, 3386, 5767168, 12},
        {300, 3.0f, 300, 34329, 19606, 11534336, 3},
        {0, 0.0f, 22, 2304, 186, 1441792, 0},           // back to the session's own
        {-1, 5.0f, 22, 2304, 186, 1441792, 0},          // nothing saved any more
    };
    for (const Range& r : ranges) {
        parser.m_Buffers.Count(Buffers::kGroundCells) = 5;
        parser.SetViewRange(r.radius, r.lift, 100, 200);
        EXPECT_EQ(parser.m_LevelInfo.Field(1), r.expectRadius) << r.radius;
        EXPECT_EQ(parser.m_LevelInfo.Field(5), r.expectFar) << r.radius;
        EXPECT_EQ(buffers.Capacity(Buffers::kWaterCells, 2), r.cells) << r.radius;
        EXPECT_EQ(buffers.Capacity(Buffers::kWorkList1, 16), r.cells) << r.radius;
        EXPECT_EQ(buffers.Bytes(Buffers::kTriangleVertices), r.vertexBytes) << r.radius;
        EXPECT_EQ(SD3D6Parser::s_iViewHeightOffset, r.offset) << r.radius;
        EXPECT_EQ(parser.m_fProjection[3], static_cast<float>(r.expectFar));
    }
    EXPECT_EQ(parser.m_Buffers.Count(Buffers::kGroundCells), 5);  // the ignored call kept it
    parser.SetViewRange(40, 0.0f, 0, 0);
    EXPECT_EQ(parser.m_Buffers.Count(Buffers::kGroundCells), 0);
    parser.SetViewRange(0, 0.0f, 0, 0);
}

TEST_F(OutdoorWorldTest, WallWaterTintAndNormals) {
    SMapKR5 map;
    auto corner = [&map](int x, int y) -> float& { return map.m_fHeights[y * 256 + x]; };
    auto water = [&map](int x, int y) -> float& { return map.m_fSecondGrid[y * 256 + x]; };
    corner(51, 50) = 16.0f;  // cell (50, 50): water reaching its highest corner
    water(50, 50) = 16.0f;
    corner(61, 60) = 24.0f;  // cell (60, 60): cut by the water level
    water(60, 60) = 8.0f;
    water(100, 100) = 0.0f;  // level with the ground: dry
    water(120, 120) = 10.0f;
    water(130, 130) = 40.0f;
    water(255, 40) = 50.0f;  // the last column is never wet
    ASSERT_EQ(Run(map, 1), 1);
    SHuntWorld& world = *parser.m_pWorld;

    struct Cell {
        int x, y;
        uint8_t state;
        uint32_t colour;
    };
    const Cell cells[] = {
        {50, 50, 2, 0x6D6D6D6D},   // 16 under at its own corner: (28 - 16) / 28 x 255 = 109
        {60, 60, 1, 0xB6B6B6B6},   // 8 under water: (28 - 8) / 28 x 255 = 182
        {100, 100, 0, 0xFFFFFFFF},
        {120, 120, 2, 0xA3A3A3A3},  // 10 under: 163
        {119, 119, 2, 0xA3A3A3A3},  // its corner (120, 120) lifts the whole cell's level
        {130, 130, 2, 0x00000000},  // 28 or more: black and clear
        {255, 40, 0, 0xFFFFFFFF},
    };
    for (const Cell& c : cells) {
        EXPECT_EQ(world.Cell(c.y * 256 + c.x).byWater, c.state) << c.x << ", " << c.y;
        EXPECT_EQ(world.Cell(c.y * 256 + c.x).dwColour, c.colour) << c.x << ", " << c.y;
    }

    // Ten rings rise toward the edges; where a wall row and column cross both count.
    EXPECT_EQ(world.m_pHeights[0], 2.0f * kRing9);
    EXPECT_EQ(world.m_pHeights[100 * 256 + 9], 64.0f);
    EXPECT_EQ(world.m_pHeights[246 * 256 + 246], 128.0f);
    EXPECT_EQ(world.m_pLoadedHeights[0], 0.0f);

    // Flat ground points up; the far corner has one triangle, leaning off the wall.
    const float* flat = world.Cell(100 * 256 + 100).fNormal;
    EXPECT_EQ(flat[0], 0.0f);
    EXPECT_EQ(flat[1], 1.0f);
    EXPECT_EQ(flat[2], 0.0f);
    const float d = kRing9 - kRing8;
    const float length = std::sqrt(2.0f * 256.0f * d * 256.0f * d + 65536.0f * 65536.0f);
    const float* edge = world.Cell(255 * 256 + 255).fNormal;
    EXPECT_NEAR(edge[0], -256.0f * d / length, 1e-5);
    EXPECT_NEAR(edge[1], 65536.0f / length, 1e-5);
    EXPECT_NEAR(edge[2], -256.0f * d / length, 1e-5);
}

TEST_F(OutdoorWorldTest, MapRandomGrowsTheSameForest) {
    WriteTexture("tree", {{"TREE-YoungScale", "3.0"}, {"TREE-ShadeLevel", "16"}});
    WriteTexture("grass", {});
    SMapKR5 map;
    map.m_ModelNames.Add("file;tree.bmp");
    map.m_GroundNames.Add("file;grass.bmp");
    map.m_GroundNames.Add("file;missing.bmp");
    map.m_Tags.Add(SMapKR5Tag{"MapRandom", "7", 0});
    uint8_t* first = map.GetCell(0);
    first[16] = 255;  // slot 0: always, at a random place
    first[24] = 0;
    first[25] = 255;
    first[17] = 100;  // slot 1: the second draw (128) is above its chance
    first[25 + 2] = 255;
    map.GetCell(5)[40] = 1;  // the ground name that cannot be found
    for (int c = 300; c < 400; ++c) {
        uint8_t* cell = map.GetCell(c);
        for (int k = 0; k < 8; ++k) {
            cell[16 + k] = 128;
            cell[25 + 2 * k] = 255;
        }
    }
    ASSERT_EQ(Run(map, 1), 1);
    SHuntWorld& world = *parser.m_pWorld;
    // Seed 7 draws 61 (placed), then 17422 and 15215: offsets (6 + 1) x 16 and (11 + 1) x 16.
    const SHuntCell& cell = world.Cell(0);
    ASSERT_EQ(cell.byObjectCount, 1);
    EXPECT_EQ(cell.byObjectPositions[0][0], 112);
    EXPECT_EQ(cell.byObjectPositions[0][1], 192);
    EXPECT_EQ(std::fabs(cell.fObjectScales[0]), 3.0f * 8.0f / 256.0f);
    const int16_t tree = parser.FindTexture("file;tree.bmp", 0, 1);
    EXPECT_EQ(cell.nObjects[0], tree);
    EXPECT_EQ(cell.nObjects[1], -1);
    // The tree shades the corners within 512 units, its own cell's among them.
    EXPECT_EQ(world.Cell(0).dwColour, 0xFFEFEFEFu);
    EXPECT_EQ(world.Cell(257).dwColour, 0xFFEFEFEFu);
    EXPECT_EQ(world.Cell(3).dwColour, 0xFFFFFFFFu);
    EXPECT_EQ(world.Cell(1000).nGroundTexture, parser.FindTexture("file;grass.bmp", 0, 1));
    EXPECT_EQ(world.Cell(5).nGroundTexture, 0);

    std::vector<SHuntCell> grown(world.m_pCells + 300, world.m_pCells + 400);
    ASSERT_EQ(Run(map, 1), 1);
    for (int c = 300; c < 400; ++c) {
        const SHuntCell& again = parser.m_pWorld->Cell(c);
        ASSERT_EQ(again.byObjectCount, grown[c - 300].byObjectCount) << c;
        for (int k = 0; k < again.byObjectCount; ++k) {
            EXPECT_EQ(again.byObjectPositions[k][0], grown[c - 300].byObjectPositions[k][0]);
            EXPECT_EQ(again.fObjectScales[k], grown[c - 300].fObjectScales[k]);
            EXPECT_GE(again.nObjects[k], 0);
        }
    }

    SD3D6Parser::s_dwSceneRenderSwitches = 0x5F & ~0x08;  // "NoTrees"
    ASSERT_EQ(Run(map, 1), 1);
    EXPECT_EQ(parser.m_pWorld->Cell(0).byObjectCount, 0);
}

void AddOutput(SMapKR5& map, const char* name, float x, float z, float offset, float scale, uint8_t flags) {
    auto* output = new SMapKR5Model_Output();
    output->m_sName = name;
    output->m_fX = x;
    output->m_fY = z;
    std::memcpy(&output->m_dwValue3, &offset, 4);
    std::memcpy(&output->m_dwValue5, &scale, 4);
    output->m_byValue7 = flags;
    map.m_ModelOutputs.Add(output);
}

TEST_F(OutdoorWorldTest, PlacedModelsStandOnTheGroundAndLean) {
    auto model = tarvex::test::MakeTriangleModel({{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 0}});
    const std::string shedPath = folder + "/shed.ssm";
    tarvex::test::WriteFile(shedPath, tarvex::test::StoreModel(*model));
    SResource shed, empty;
    catalog.models = {{"Shed", &shed}, {"Empty", &empty}};
    catalog.frames = {{&shed, {"SSM:Sheds", "Plain"}}, {&empty, {"SSM:Missing"}}};
    catalog.handlers = {{"Sheds", {shedPath, 1}}};

    SMapKR5 map;
    for (int i = 0; i < 65536; ++i) {
        map.m_fHeights[i] = static_cast<float>(i % 256) * 8.0f;  // rising 8 a cell along x
    }
    const float x = 100.5f * 256.0f, z = 100.5f * 256.0f;
    AddOutput(map, "Shed", x, z, 10.0f, 2.0f, 0x80);
    AddOutput(map, "Empty", x, z, 0.0f, 1.0f, 0x80);
    AddOutput(map, "Shed", 50.0f * 256.0f, z, 0.0f, 1.0f, 0x00);  // not a model to place
    ASSERT_EQ(Run(map, 1), 1);
    parser.m_pWorld->Cell(100 * 256 + 100).byObjectCount = 3;
    ASSERT_EQ(parser.InitSession(2, nullptr, 2), 1);

    ASSERT_EQ(parser.m_ActorDescs.GetSize(), 1);
    const ActorDesc& desc = *parser.m_ActorDescs[0];
    const int16_t item = parser.FindModelItem("Shed");
    ASSERT_GE(item, 0);
    ASSERT_EQ(parser.m_ModelItems[item]->m_Instances.GetSize(), 1);
    EXPECT_EQ(desc.m_pModel, parser.m_ModelItems[item]->m_Instances[0]);
    EXPECT_EQ(desc.m_pModel->GetScale(), 8.0f);
    EXPECT_EQ(desc.m_dwFlags, 5u);
    EXPECT_EQ(desc.m_nSubKind, 1);
    EXPECT_EQ(desc.m_fScale, 2.0f);
    EXPECT_NEAR(desc.m_vPosition.y, 804.0f + 10.0f, 1e-3);
    EXPECT_NEAR(desc.m_vAngles.z, std::atan(2.0 / 64.0), 1e-5);  // 2 units up over 64 ahead
    EXPECT_NEAR(desc.m_vAngles.x, 0.0f, 1e-5);                   // level across
    EXPECT_EQ(parser.m_pWorld->GetList(100, 100)->m_pValue, &desc);
    EXPECT_EQ(parser.m_pWorld->Cell(100 * 256 + 100).byObjectCount, 0);
    // A resource without a loadable model is given back and forgotten.
    EXPECT_EQ(parser.FindModelItem("Empty"), -1);
    ASSERT_EQ(catalog.released.size(), 1u);
    EXPECT_EQ(catalog.released[0], &empty);
    // The model file is loaded once; a second instance shares it.
    SSMHandle* again = parser.LoadModels(shedPath.c_str());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetModel(), desc.m_pModel->GetModel());
    EXPECT_EQ(parser.m_SSMItems.GetSize(), 1);
    delete again;
    EXPECT_EQ(parser.LoadModels((folder + "/none.ssm").c_str()), nullptr);
    EXPECT_EQ(parser.m_SSMItems.GetSize(), 1);
}

TEST_F(OutdoorWorldTest, BackgroundFallsBackToASolidColour) {
    WriteTexture("front", {});
    WriteTexture("top", {{"FOG-ColorRGB", "200 100 50"}, {"FOG-RangeNear", "1000"}, {"FOG-RangeFar", "3000"}});
    WriteTexture("water", {});
    struct Case {
        const char* background;  // null: no tag
        const char* solid;
        bool allFaces, tableFog;
        int expectQuality, expectFog;
        uint32_t colour;
        const char* firstEntry;
    };
    const Case cases[] = {
        {nullptr, nullptr, true, true, 0, 0, 0x6497DA, ""},
        {nullptr, "10 20", true, true, 0, 0, 0x0A1400, ""},
        {"Other:day", nullptr, true, true, 0, 0, 0x6497DA, ""},  // no such handler
        {"Sky:day", nullptr, false, true, 0, 0, 0x6497DA, "FogFront"},  // four faces only
        {"Sky:day", nullptr, true, false, 2, 0, 0x6497DA, "Front"},  // no table fog: clear sky
        {"Sky:day", nullptr, true, true, 2, 1, 0x6497DA, "FogFront"},
    };
    for (const Case& c : cases) {
        SMapKR5 map;
        if (c.background != nullptr) {
            map.m_Tags.Add(SMapKR5Tag{"MapBackground", c.background, 0});
        }
        if (c.solid != nullptr) {
            map.m_Tags.Add(SMapKR5Tag{"SolidColorRGB", c.solid, 0});
        }
        catalog.files.clear();
        catalog.asked.clear();
        for (const char* face : {"Front", "Left", "Back", "Right", "FogFront", "FogLeft", "FogBack", "FogRight"}) {
            catalog.files[face] = "front.bmp";
        }
        catalog.files[c.tableFog ? "FogTop" : "Top"] = "top.bmp";
        if (!c.allFaces) {
            catalog.files.erase("FogRight");
        }
        catalog.files["Water"] = "water.bmp";
        ASSERT_EQ(Run(map, 1), 1);
        parser.m_HWDesc.dpcTriCaps.dwRasterCaps = c.tableFog ? 0x100 : 0;
        SD3D6Lock::s_fAmbientFactors[1] = 0.5f;
        parser.LoadBackground();
        EXPECT_EQ(SD3D6Lock::s_fAmbientFactors[1], 0.5f);
        SD3D6Lock::s_fAmbientFactors[1] = 1.0f;
        EXPECT_EQ(parser.m_LevelInfo.Field(6), c.expectQuality) << c.background;
        EXPECT_EQ(parser.m_LevelInfo.Field(19), c.expectFog) << c.background;
        EXPECT_EQ(parser.m_pSkyFaces[4] != nullptr, c.expectQuality != 0);
        EXPECT_EQ(parser.m_dwBackgroundColour, c.colour);
        EXPECT_EQ(catalog.asked.empty() ? std::string() : catalog.asked[0], c.firstEntry);
        if (!catalog.asked.empty()) {
            EXPECT_NE(parser.m_pWaterTexture, nullptr);  // kept even when the faces are not
        }
        if (c.expectFog == 1) {
            EXPECT_EQ(parser.m_dwFogColour, 0xC86432u);
            EXPECT_EQ(parser.m_fFogStart, 1000.0f);
            EXPECT_EQ(parser.m_fFogEnd, 3000.0f);
        }
    }
}

// The terrain build's progress tick; mends the ground texture once the first cell has its own.
std::function<void()> g_onTick;
void* Tick(...) {
    if (g_onTick) {
        g_onTick();
        g_onTick = nullptr;
    }
    return nullptr;
}

// A ground texture that cannot be read is tried once per map: every cell of its name gets
// texture 0, even when the file is mended while the cells are given their textures, and the
// file is named once with why. The next map tries it again.
TEST_F(OutdoorWorldTest, AnUnreadableGroundTextureIsTriedOncePerMap) {
    WriteTexture("oak", {});
    tarvex::test::WriteBytes(folder + "/grass.stx", std::vector<uint8_t>(64, 0xFF));
    SMapKR5 map;
    map.m_GroundNames.Add("file;grass.bmp");
    map.m_GroundNames.Add("file;oak.bmp");
    map.GetCell(0)[40] = 1;  // the first cell is oak, the others grass
    g_onTick = [this] { WriteTexture("grass", {}); };
    parser.SetCallback2(&Tick);
    ASSERT_EQ(Run(map, 1), 1);
    for (int cell = 0; cell < SHuntWorld::kCells; ++cell)
        ASSERT_EQ(parser.GetCellTextureIndex(cell), 0) << cell;
    ASSERT_EQ(parser.GetUnreadableTextures().size(), 1u);
    EXPECT_EQ(parser.GetUnreadableTextures()[0].sPath, folder + "/grass.stx");
    EXPECT_EQ(parser.GetUnreadableTextures()[0].sWhy, "Filename is not an STexture2 stream");

    ASSERT_EQ(Run(map, 1), 1);
    const int16_t grass = parser.FindTexture("file;grass.bmp", 0, 1);
    EXPECT_GE(grass, 0);
    EXPECT_EQ(parser.GetCellTextureIndex(1), grass);
    EXPECT_TRUE(parser.GetUnreadableTextures().empty());
    parser.SetCallback2(nullptr);
}

TEST_F(OutdoorWorldTest, RegistryFindsNamesOnce) {
    struct Hash {
        const char* name;
        uint8_t hash;
    };
    const Hash hashes[] = {{"", 0}, {"A", 1}, {"ab", 5}, {"AB", 5}, {"abcdefg", 190}, {";", 251}};
    for (const Hash& h : hashes) {
        EXPECT_EQ(SD3D6Parser::HashName8(h.name), h.hash) << h.name;
    }

    WriteTexture("oak", {{"TREE-Oscillator1", "12"}, {"TREE-Oscillator2", "4"}});
    WriteTexture("child", {{"TXT-ParentClass", "file;oak.bmp"}});
    WriteTexture("loop", {{"TXT-ParentClass", "Loop"}});
    catalog.lists["Trees"] = {STextureListSource{"oak.bmp", {5, 0, 0, 0}}};
    catalog.lists["Loop"] = {STextureListSource{"loop.bmp", {1, 0, 0, 0}}};
    const SMapKR5 map;
    ASSERT_EQ(Run(map, 0), 1);

    const int16_t oak = parser.FindTexture("file;oak.bmp", 0, 1);
    ASSERT_GE(oak, 0);
    EXPECT_EQ(parser.FindTexture("file;oak.bmp", 0, 1), oak);
    EXPECT_EQ(parser.FindTexture("FILE;OAK.BMP", 0, 1), oak);
    EXPECT_EQ(parser.FindTexture("file;child.bmp", 0, 1), oak);  // stands for its parent
    EXPECT_EQ(parser.m_TextureItems.GetSize(), 1);
    EXPECT_STREQ(parser.m_TextureItems[oak]->m_sName.GetString(), "pmb.kao;elif");
    EXPECT_EQ(parser.m_TextureItems[oak]->m_byOscillator1, 9);
    EXPECT_EQ(parser.m_TextureItems[oak]->m_byOscillator2, 4);
    char name[32] = {};
    ASSERT_EQ(parser.GetTextureName(oak, name, 32), 1);
    EXPECT_STREQ(name, "file;oak.bmp");
    EXPECT_EQ(parser.FindTexture("file;none.bmp", 0, 1), -1);

    EXPECT_EQ(parser.FindTexture("Trees", 0, 1), -1);  // no weights without the host's function
    EXPECT_EQ(parser.FindTexture("Trees", 0, 1), -1);
    parser.SetCallback4(reinterpret_cast<SParser::Callback4>(reinterpret_cast<void (*)()>(&FirstValue)));
    ASSERT_EQ(Run(map, 0), 1);  // a new session forgets the empty list
    const int16_t drawn = parser.FindTexture("Trees", 0, 1);
    ASSERT_GE(drawn, 0);
    EXPECT_EQ(parser.m_TextureItems[drawn]->m_wParentList, 0);
    EXPECT_EQ(parser.m_TextureLists[0]->m_iTotalWeight, 5);
    EXPECT_EQ(parser.FindTexture("trees", 0, 1), -1);  // list names keep their case
    // A texture whose parent is a list holding that texture ends, however it resolves.
    parser.FindTexture("file;loop.bmp", 0, 1);
    parser.FindTexture("Loop", 0, 1);
    parser.SetCallback4(nullptr);
}

}  // namespace
