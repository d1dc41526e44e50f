// Outdoor sessions on maps made by our writer: the map is read once and kept, its zones come
// back at every session, unusable maps are neither used nor kept, the renderer answers tag,
// cell, height and sound queries; and the lights and fog the game-logic library may change.

#include <gtest/gtest.h>

#include <cfloat>
#include <filesystem>
#include <memory>
#include <string>

#include "core/SObjectDef.h"
#include "render/SD3D6Parser.h"
#include "render/map/SHuntWorld.h"
#include "render/map/SMapKR5.h"
#include "render/pipeline/SD3DRaster.h"
#include "sys/d3d/d3d.h"
#include "tests/render/MapTestSupport.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "tools/mapwriter/SMapWriter.h"

namespace {

// A small map: a slope in the heights (8 units a column), water at 100 in one corner, two tags, a placed model,
// a sound and a zone.
std::unique_ptr<SMapKR5> MakeMap() {
    auto map = std::make_unique<SMapKR5>();
    for (int i = 0; i < 65536; ++i) {
        map->m_fHeights[i] = static_cast<float>(i % 256) * 8.0f;
    }
    map->m_fSecondGrid[10 * 256 + 10] = 100.0f;
    map->m_Tags.Add(SMapKR5Tag{"MapName", "Harbour", 1});
    map->m_Tags.Add(SMapKR5Tag{"", "unnamed", 2});
    auto* car = new SMapKR5Model_Output();
    car->m_sName = "Car";
    car->m_fY = 512.0f;
    map->m_ModelOutputs.Add(car);
    SMapKR5Sound_Output sound;
    sound.m_sName = "Gulls";
    map->m_SoundOutputs.Add(sound);
    auto* zone = new SParserZone();
    zone->m_sName = "Dock";
    zone->m_pDef->SetOrAppend("Kind", "Water", 3);
    zone->m_iPointCount = 1;
    zone->m_pPoints = new float[2]{4.0f, 6.0f};
    map->m_Zones.Add(zone);
    map->GetCell(3 * 256 + 2)[41] = 0xE4;
    return map;
}

class OutdoorSessionTest : public testing::Test {
protected:
    void SetUp() override { folder = tarvex::test::MakeScratchFolder("outdoor_session"); }

    std::string Save(const SMapKR5& map, const char* name) {
        const std::string path = folder + "/" + name;
        EXPECT_TRUE(smapwriter::Save(map, path.c_str()));
        return path;
    }

    int Start(SD3D6Parser& parser, const std::string& path) {
        SLevelInfo level;
        level.m_sMapPath = path.c_str();
        return parser.InitSession(2, &level, 0);
    }

    std::string folder;
};

TEST_F(OutdoorSessionTest, MapIsReadOnceAndAnswersQueries) {
    const std::string path = Save(*MakeMap(), "harbour.gmx");
    SD3D6Parser parser;
    ASSERT_EQ(Start(parser, path), 1);
    ASSERT_EQ(parser.InitSession(2, nullptr, 1), 1);

    // Heights: the slope plus the border wall, whose first ring rises 64 at column 9.
    EXPECT_EQ(parser.GetCellHeight(30 * 256 + 20), 160.0f);
    EXPECT_EQ(parser.GetCellHeight(30 * 256 + 9), 72.0f + 64.0f);
    EXPECT_EQ(parser.GetMapHeightGrid()[30 * 256 + 9], 72.0f);
    EXPECT_NEAR(parser.GetTerrainHeight(20.5 * 256.0, 30 * 256.0), 164.0, 1e-4);
    double heights[2];
    parser.GetHeights(10 * 256.0 + 1.0, 10 * 256.0 + 1.0, heights);
    EXPECT_EQ(heights[1], 100.0);  // the water cell reports its level
    EXPECT_EQ(parser.GetCellTextureIndex(7), 0);  // a map without ground names gives texture 0
    parser.SetCellTextureIndex(7, 4);
    parser.SetCellTextureIndex(7, -3);
    EXPECT_EQ(parser.GetCellTextureIndex(7), 4);
    parser.SetCellMark(7, 9);
    EXPECT_EQ(parser.GetCellMark(7), 9);
    parser.RotateCellTexture(3 * 256 + 2);
    parser.FlipCellTexture(7);
    EXPECT_EQ(parser.m_pWorld->Cell(3 * 256 + 2).byOrientation, 0x39);
    EXPECT_EQ(parser.m_pWorld->Cell(7).byOrientation, 0);
    EXPECT_EQ(parser.GetCellObjectHeight(7, 0), 0.0f);
    parser.SetCellObjectIndex(7, 0, 3000);  // no texture item 3000: no height, no fault
    parser.m_pWorld->Cell(7).fObjectScales[0] = 1.0f;
    EXPECT_EQ(parser.GetCellObjectHeight(7, 0), 0.0f);

    // Tags, exactly as named; an empty name finds the unnamed tag.
    SMapKR5Tag tag;
    ASSERT_EQ(parser.FindMapTag("MapName", &tag), 1);
    EXPECT_STREQ(tag.m_sValue.GetString(), "Harbour");
    EXPECT_EQ(parser.FindMapTag("mapname", &tag), 0);
    ASSERT_EQ(parser.FindMapTag(nullptr, &tag), 1);
    EXPECT_STREQ(tag.m_sValue.GetString(), "unnamed");
    char buffer[8] = "xxxxxxx";
    uint8_t flag = 0;
    EXPECT_EQ(parser.FindMapTagValue("MapName", nullptr, buffer, 8), 0);
    ASSERT_EQ(parser.FindMapTagValue("MapName", &flag, buffer, 3), 1);
    EXPECT_EQ(std::string(buffer, 4), "Harx");  // three characters, no terminator
    EXPECT_EQ(flag, 1);
    char name[16] = {};
    ASSERT_EQ(parser.GetMapTagText(0, nullptr, name, 16, nullptr, 0), 1);
    EXPECT_STREQ(name, "MapName");
    EXPECT_EQ(parser.GetMapTag(2, &tag), 0);

    // Outputs, sounds and zones.
    ASSERT_EQ(parser.GetModelOutputCount(), 1);
    EXPECT_EQ(parser.GetModelOutput(0)->m_fY, 512.0f);
    EXPECT_EQ(parser.GetModelOutput(1), nullptr);
    ASSERT_EQ(parser.GetMapSoundCount(), 1);
    EXPECT_STREQ(static_cast<SMapKR5Sound_Output*>(parser.GetMapSound(0))->m_sName.GetString(), "Gulls");
    EXPECT_EQ(parser.GetMapSound(1), nullptr);
    ASSERT_EQ(parser.m_Zones.GetSize(), 1);
    EXPECT_EQ(parser.m_Zones[0]->m_pPoints[1], 6.0f);
    EXPECT_STREQ(parser.m_Zones[0]->m_pDef->GetValueByName("Kind").GetString(), "Water");
    ASSERT_EQ(parser.InitSession(2, nullptr, 3), 1);
    EXPECT_EQ(parser.GetMapSoundCount(), 0);
    EXPECT_EQ(parser.EndSession(0), 1);
    EXPECT_EQ(parser.GetCellHeight(0), -FLT_MAX);
    EXPECT_EQ(parser.GetMapHeightGrid(), nullptr);
    EXPECT_EQ(parser.m_Zones.GetSize(), 0);

    // A second session takes the cached map (the file is gone) and its zones again.
    std::filesystem::remove(path);
    ASSERT_EQ(Start(parser, path), 1);
    EXPECT_EQ(parser.m_Zones.GetSize(), 1);
    EXPECT_EQ(parser.GetModelOutputCount(), 1);
    SD3D6Parser other;
    ASSERT_EQ(Start(other, path), 1);
    EXPECT_EQ(other.m_Zones.GetSize(), 1);
}

TEST_F(OutdoorSessionTest, UnusableMapsAreNotKept) {
    const std::vector<uint8_t> good = smapwriter::Build(*MakeMap());
    ASSERT_FALSE(good.empty());
    std::vector<uint8_t> badHeader = good;
    badHeader[4] = 4;
    std::vector<uint8_t> cut(good.begin(), good.begin() + 1000);
    // A map once read is kept under its path for the program's run, changed on disk or not; a
    // repeated run of this test names its maps anew.
    static int round = 0;
    ++round;
    for (const auto& bad : {badHeader, cut}) {
        const std::string path =
            folder + "/map" + std::to_string(bad.size()) + "-" + std::to_string(round) + ".gmx";
        tarvex::test::WriteBytes(path, bad);
        SD3D6Parser parser;
        EXPECT_EQ(Start(parser, path), 0);
        tarvex::test::WriteBytes(path, good);
        EXPECT_EQ(Start(parser, path), 1);  // read now, so nothing was kept before
    }
    SD3D6Parser parser;
    EXPECT_EQ(Start(parser, folder + "/missing.gmx"), 0);
}

TEST_F(OutdoorSessionTest, ObjectsInCellListsAndTheModelView) {
    SD3D6Parser parser;
    int a = 0, b = 0;
    EXPECT_EQ(parser.AddObject(&a, 1, 100.0, 100.0), nullptr);  // no session, no lists
    EXPECT_EQ(parser.MoveInCellLists(&a, 1, 1, 1, 1), 1);
    ASSERT_EQ(Start(parser, Save(*MakeMap(), "lists.gmx")), 1);
    auto* node = static_cast<SCellNode*>(parser.AddObject(&a, 6, 522.0, 276.0));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(parser.m_pWorld->GetList(2, 1), node);
    EXPECT_EQ(parser.MoveObject(&a, 522.0, 276.0, 1000.0, 276.0), 1);
    EXPECT_EQ(parser.m_pWorld->GetList(3, 1), node);
    EXPECT_EQ(parser.RemoveObject(&a, 522.0, 276.0), 0);
    EXPECT_EQ(parser.RemoveObject(&a, 1000.0, 276.0), 1);
    parser.EndSession(0);

    SModelViewInfo view;
    ASSERT_EQ(parser.InitSession(1, &view, 0), 1);
    parser.AddObject(&a, 1, 1.0, 2.0);
    parser.AddObject(&b, 2, 3.0, 4.0);
    EXPECT_EQ(parser.MoveObject(&b, 0.0, 0.0, 7.0, 8.0), 1);
    ASSERT_EQ(parser.m_SSMVRecords.GetSize(), 2);
    EXPECT_EQ(parser.m_SSMVRecords[1]->m_fX, 7.0f);
    EXPECT_EQ(parser.RemoveObject(&a, 0.0, 0.0), 1);
    EXPECT_EQ(parser.RemoveObject(&a, 0.0, 0.0), 0);
    EXPECT_EQ(parser.m_SSMVRecords[0]->m_Node.m_pValue, &b);
    parser.EndSession(0);
}

class LightsAndFogTest : public tarvex::test::RenderDisplayTest {};

TEST_F(LightsAndFogTest, LightTableAndFogAdjustments) {
    OpenSurfaces(0);
    SParserCreateInfo info;
    SD3D6Parser parser;
    parser.Create(&info);
    ASSERT_EQ(parser.CreateRaster(&record), 1);

    parser.SetLightCount(0);
    EXPECT_EQ(parser.GetLightCount(), 0);
    EXPECT_EQ(parser.GetLight(0), nullptr);
    parser.SetLightCount(2);
    ASSERT_EQ(parser.GetLightCount(), 2);
    const SD3D6Light* light = parser.GetLight(1);
    ASSERT_NE(light, nullptr);
    ASSERT_NE(light->pLight, nullptr);
    const sys::d3d::D3DLIGHT2& desc = light->pLight->Description();
    EXPECT_EQ(desc.dltType, sys::d3d::D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(desc.dvDirection.y, -1.0f);
    EXPECT_EQ(desc.dvRange, 10000.0f);
    EXPECT_EQ(desc.dwFlags, 3u);
    EXPECT_NE(light->pLight->Viewport(), nullptr);

    SD3D6Light sun;
    sun.dwKind = 1;
    sun.fDirection[0] = 0.6f;
    sun.fDirection[1] = -0.8f;
    sun.fRange = 500.0f;
    sun.fColour[2] = 0.25f;
    EXPECT_EQ(parser.SetLight(1, &sun), 1);
    EXPECT_EQ(parser.SetLight(2, &sun), 0);
    EXPECT_EQ(light->pLight->Description().dvDirection.x, 0.6f);
    EXPECT_EQ(light->pLight->Description().dcvColor.b, 0.25f);
    EXPECT_EQ(light->pLight->Description().dvRange, 500.0f);

    const SVector direction(1.0f, 2.0f, 3.0f);
    parser.SetSunDirection(&direction);
    EXPECT_EQ(parser.m_fSunDirection[2], -3.0f);

    // Fog follows only while an outdoor session has its fog on.
    parser.m_byFogColour[0] = 200;
    parser.m_byFogColour[1] = 100;
    parser.m_byFogColour[2] = 50;
    parser.m_fFogStart = 400.0f;
    auto* device = parser.GetRaster()->GetDevice(0);
    auto state = [device](uint32_t which) {
        uint32_t value = 0;
        device->GetRenderState(which, &value);
        return value;
    };
    device->SetRenderState(sys::d3d::D3DRENDERSTATE_FOGCOLOR, 0x123456);
    const SVector half(0.5f, 0.5f, 0.5f);
    parser.SetAtmosphere(&direction, &half);
    EXPECT_EQ(parser.m_fFogFactors[0], 0.5f);
    EXPECT_EQ(state(sys::d3d::D3DRENDERSTATE_FOGCOLOR), 0x123456u);
    parser.m_iSessionMode = 2;
    parser.m_LevelInfo.Field(19) = 1;
    struct Case {
        SVector factors;
        uint32_t colour;
    };
    const Case cases[] = {{SVector(0.5f, 0.5f, 0.5f), 0x643219u},   // 100, 50, 25
                          {SVector(1.5f, 1.0f, 1.0f), 0xFF6432u},   // red saturates at 255
                          {SVector(-1.0f, 0.0f, 2.0f), 0x000064u}};
    for (const Case& c : cases) {
        parser.SetAtmosphere(&direction, &c.factors);
        EXPECT_EQ(state(sys::d3d::D3DRENDERSTATE_FOGCOLOR), c.colour);
    }
    parser.SetFogStartScale(0.5f);
    const uint32_t start = state(sys::d3d::D3DRENDERSTATE_FOGTABLESTART);
    float startValue;
    std::memcpy(&startValue, &start, 4);
    EXPECT_EQ(startValue, 200.0f);
    parser.m_iSessionMode = 0;
    parser.ReleaseRaster();
    CloseSurfaces();
}

}  // namespace
