// The demo outdoor world as an outdoor session reads it: the map's hill, pond, ground and
// trees, its placed models, the textures and sky box with their fog, and the static models
// whose trees come from their ".bsp" files.

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "assets/AssetResourceKinds.h"
#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "render/SD3D6Parser.h"
#include "render/map/SHuntWorld.h"
#include "render/map/SMapKR5.h"
#include "render/outdoor/SRendererCatalogAdapter.h"
#include "render/texture/SD3D6Lock.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/CStringArray.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "tools/makehome/HomeOutdoor.h"

namespace {

// The demo's outdoor catalog entries as the program reads them: stored by the demo generator,
// read back from the catalog file's bytes, the Home folder its search folder.
void LoadOutdoorCatalog(SCatalog& catalog) {
    SCatalog written;
    home_outdoor::AddOutdoorCatalogItems(written);
    CMemFile file(64 * 1024);
    {
        CArchive ar(&file, CArchive::store);
        written.Serialize(ar);
        ar.Close();
    }
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    catalog.Serialize(ar);
}

// The outdoor world's weight function: an entry grows from its first to its last day.
float GrowsToday(int32_t firstDay, int32_t lastDay, int32_t day, int32_t, int32_t) {
    return firstDay <= day && day <= lastDay ? 1.0f : 0.0f;
}

class HomeOutdoorTest : public tarvex::test::RenderDisplayTest {
protected:
    void SetUp() override {
        RenderDisplayTest::SetUp();
        OpenSurfaces(1);
        parser.Create(&info);
        ASSERT_EQ(parser.CreateRaster(&record), 1);
        folder = tarvex::test::MakeScratchFolder("home_outdoor");
        for (const auto& file : home_outdoor::BuildOutdoorFiles()) {
            ASSERT_FALSE(file.bytes.empty()) << file.path;
            const std::string path = folder + "/" + file.path;
            std::filesystem::create_directories(std::filesystem::path(path).parent_path());
            std::ofstream out(path, std::ios::binary);
            const auto size = static_cast<std::streamsize>(file.bytes.size());
            out.write(reinterpret_cast<const char*>(file.bytes.data()), size);
        }
        RegisterAssetResourceKinds();
        LoadOutdoorCatalog(resources);
        ASSERT_NE(resources.GetItems()->GetCount(), 0);
        resources.GetSearchFolders().Add(folder.c_str());
        SParser::SetCatalog(&catalog);
        parser.SetCallback4(reinterpret_cast<SParser::Callback4>(reinterpret_cast<void (*)()>(&GrowsToday)));
    }

    void TearDown() override {
        parser.EndSession(0);
        SParser::SetCatalog(nullptr);
        parser.ReleaseRaster();
        CloseSurfaces();
        RenderDisplayTest::TearDown();
    }

    SParserCreateInfo info;
    SD3D6Parser parser;
    SCatalog resources;
    SRendererCatalogAdapter catalog{&resources};
    std::string folder;
};

// The session steps that build the world: map, buffers, terrain, objects and background.
void BuildWorld(SD3D6Parser& parser, SLevelInfo& level) {
    ASSERT_EQ(parser.InitSession(2, &level, 0), 1);
    ASSERT_EQ(parser.InitSession(2, &level, 1), 1);
    parser.m_HWDesc.dpcTriCaps.dwRasterCaps |= 0x100;  // a device with table fog
    for (int step = 2; step <= 4; ++step) {
        ASSERT_EQ(parser.InitSession(2, &level, step), 1);
    }
}

TEST_F(HomeOutdoorTest, SessionBuildsTheDemoWorld) {
    SLevelInfo level;
    level.m_sMapPath = (folder + "/" + home_outdoor::kMapPath).c_str();
    BuildWorld(parser, level);
    ASSERT_FALSE(HasFatalFailure());
    SHuntWorld& world = *parser.m_pWorld;
    const int hill = 96 * 256 + 96, pond = 140 * 256 + 150;
    EXPECT_GT(parser.GetCellHeight(hill), parser.GetCellHeight(pond) + 500.0f);
    EXPECT_EQ(world.Cell(pond).byWater, 2);
    EXPECT_EQ(world.Cell(hill).byWater, 0);
    EXPECT_EQ(world.Cell(pond).nGroundTexture, parser.FindTexture("file;Textures\\Outdoor\\sand.bmp", 0, 1));
    EXPECT_EQ(world.Cell(hill).nGroundTexture, parser.FindTexture("file;Textures\\Outdoor\\dirt.bmp", 0, 1));
    EXPECT_EQ(world.Cell(10000).nGroundTexture, parser.FindTexture("file;Textures\\Outdoor\\grass.bmp", 0, 1));

    // A wood of pines and bushes on the hill's slopes, shaded beneath.
    const int16_t pine = parser.FindTexture("file;Textures\\Outdoor\\pine.bmp", 0, 1);
    ASSERT_GE(pine, 0);
    EXPECT_EQ(parser.m_TextureItems[pine]->m_fYoungScale, 6.0f);
    int pines = 0, shaded = 0;
    for (int y = 80; y < 112; ++y) {
        for (int x = 80; x < 112; ++x) {
            const SHuntCell& cell = world.Cell(y * 256 + x);
            for (int k = 0; k < cell.byObjectCount; ++k) {
                pines += cell.nObjects[k] == pine ? 1 : 0;
            }
            shaded += cell.dwColour != 0xFFFFFFFF ? 1 : 0;
        }
    }
    EXPECT_GT(pines, 50);
    EXPECT_GT(shaded, 50);

    // The fog sky: all five faces, the water, and the top face's fog.
    for (SD3D6Lock* face : parser.m_pSkyFaces) {
        EXPECT_NE(face, nullptr);
    }
    EXPECT_NE(parser.m_pWaterTexture, nullptr);
    EXPECT_EQ(parser.m_LevelInfo.Field(19), 1);
    EXPECT_EQ(parser.m_dwFogColour, 0x969BA0u);
    EXPECT_EQ(parser.m_fFogEnd, 2300.0f);

    // Two placed models; the static models bring their trees and textures.
    int placed = 0;
    for (int i = 0; i < parser.GetModelOutputCount(); ++i) {
        placed += (parser.GetModelOutput(static_cast<int16_t>(i))->m_byValue7 & 0x80) != 0 ? 1 : 0;
    }
    EXPECT_EQ(placed, 2);
    for (const char* name : {"hut", "crate"}) {
        const std::string path = folder + "/" + home_outdoor::kModelFolder + "/" + name + ".ssm";
        SSMHandle* handle = parser.LoadModels(path.c_str());
        ASSERT_NE(handle, nullptr) << name;
        EXPECT_EQ(handle->GetModel()->m_bBSPBuilt, 1) << name;
        ASSERT_EQ(handle->m_textureSlots.size(), 1u);
        EXPECT_GE(handle->m_textureSlots[0], 0) << name;
        EXPECT_NE(handle->FindGroup("Normal"), static_cast<int16_t>(0xFFFF));
        delete handle;
    }
}

// The list-named ground and trees, the sky box and the two placed models all come from the
// catalog's entries: lists drawn by weight, handlers listing files, models through handlers.
TEST_F(HomeOutdoorTest, CatalogSuppliesListsSkyAndModels) {
    SLevelInfo level;
    level.m_sMapPath = (folder + "/" + home_outdoor::kMapPath).c_str();
    level.Field(21) = 180;  // a day on which every demo entry grows
    BuildWorld(parser, level);
    ASSERT_FALSE(HasFatalFailure());
    SHuntWorld& world = *parser.m_pWorld;
    auto textureOf = [this](const char* file) {
        return parser.FindTexture((std::string("file;Textures\\Outdoor\\") + file).c_str(), 0, 1);
    };

    // The meadow ring round the hill draws both of its list's grounds.
    std::map<int16_t, int> ground;
    for (int x = 96 + 10; x < 96 + 20; ++x) {
        ++ground[world.Cell(96 * 256 + x).nGroundTexture];
    }
    const int16_t meadow = textureOf("meadow.stx"), grass = textureOf("grass.stx");
    ASSERT_GE(meadow, 0);
    ASSERT_GE(grass, 0);
    EXPECT_EQ(ground[meadow] + ground[grass], 10);
    EXPECT_GT(ground[meadow], 0);
    EXPECT_NE(parser.m_TextureItems[meadow]->m_wParentList, 0xFFFF);

    // The wood's odd slots draw pines and bushes from the tree list.
    const int16_t listPine = textureOf("pine.stx"), listBush = textureOf("bush.stx");
    ASSERT_GE(listPine, 0);
    ASSERT_GE(listBush, 0);
    int fromList = 0;
    for (int y = 80; y < 112; ++y) {
        for (int x = 80; x < 112; ++x) {
            const SHuntCell& cell = world.Cell(y * 256 + x);
            for (int k = 0; k < cell.byObjectCount; ++k) {
                fromList += cell.nObjects[k] == listPine || cell.nObjects[k] == listBush ? 1 : 0;
            }
        }
    }
    EXPECT_GT(fromList, 20);

    // The sky box from the "Sky_Background" handler, with the top face's fog.
    for (SD3D6Lock* face : parser.m_pSkyFaces) {
        EXPECT_NE(face, nullptr);
    }
    EXPECT_NE(parser.m_pWaterTexture, nullptr);
    EXPECT_EQ(parser.m_LevelInfo.Field(19), 1);
    EXPECT_EQ(parser.m_dwFogColour, 0x969BA0u);

    // Both models, each through its own handler; only the crate follows the ground.
    ASSERT_EQ(parser.m_ActorDescs.GetSize(), 2);
    const struct {
        const char* key;
        int follows;
    } models[] = {{home_outdoor::kHutModelKey, 0}, {home_outdoor::kCrateModelKey, 1}};
    for (const auto& model : models) {
        const int16_t item = parser.FindModelItem(model.key);
        ASSERT_GE(item, 0) << model.key;
        ASSERT_EQ(parser.m_ModelItems[item]->m_Instances.GetSize(), 1) << model.key;
        EXPECT_EQ(parser.m_ModelItems[item]->m_FollowTerrain[0], model.follows) << model.key;
        EXPECT_GE(parser.m_ModelItems[item]->m_Instances[0]->m_textureSlots[0], 0) << model.key;
    }

    // The parser's handler look-up reads the same handlers; an entry none lists loads nothing.
    SSMHandle* hut = parser.LoadSSMModelsFromHandler("StaticModel", "Hut");
    ASSERT_NE(hut, nullptr);
    EXPECT_EQ(hut->GetModel(), parser.m_ModelItems[parser.FindModelItem(home_outdoor::kHutModelKey)]
                                   ->m_Instances[0]
                                   ->GetModel());
    delete hut;
    EXPECT_EQ(parser.LoadModelsFromHandler("StaticModel", "Hut", "Roof"), nullptr);

    // Every resource goes back to the catalog: the look-ups at once, the models with the session.
    parser.EndSession(0);
    for (POSITION pos = resources.GetItems()->GetHeadPosition(); pos != nullptr;) {
        const SCatalogItem* item = resources.GetItems()->GetNext(pos);
        EXPECT_EQ(item->GetUseCount(), 0) << item->GetKey().GetString();
    }
}

}  // namespace

namespace {

// The sprites' clear texels stay clear under every sprite setting: the alpha test drops them
// when sprites use the alpha format, the colour key when they use the opaque one.
TEST_F(HomeOutdoorTest, SpritesDropTheirClearTexelsUnderEverySetting) {
    struct Setting {
        int colourKeying, softSprites;
        bool keyed;
    };
    const Setting settings[] = {{0, 1, false}, {0, 0, true}, {1, 1, true}};
    for (const Setting& setting : settings) {
        SLevelInfo level;
        level.m_sMapPath = (folder + "/" + home_outdoor::kMapPath).c_str();
        level.Field(10) = setting.colourKeying;
        level.Field(13) = setting.softSprites;
        BuildWorld(parser, level);
        ASSERT_FALSE(HasFatalFailure());
        for (const char* file : {"pine.bmp", "bush.bmp"}) {
            const std::string name = std::string("file;Textures\\Outdoor\\") + file;
            const SD3D6Lock* record = parser.TextureRecord(parser.FindTexture(name.c_str(), 0, 1));
            ASSERT_NE(record, nullptr) << file;
            const SD3D6TextureStates& states = record->m_States;
            SCOPED_TRACE(std::string(file) + " colour keying " + std::to_string(setting.colourKeying) +
                         " soft sprites " + std::to_string(setting.softSprites));
            EXPECT_EQ(states.dwColorKeyEnable, setting.keyed ? 1u : 0u);
            EXPECT_EQ(states.dwAlphaTestEnable, setting.keyed ? 0u : 1u);
            if (!setting.keyed) {
                EXPECT_EQ(states.dwAlphaFunc, 7u);  // greater-equal: alpha from 128 is solid, as in the hit mask
                EXPECT_EQ(states.dwAlphaRef, 128u);
            }
            EXPECT_TRUE(record->MaskBit(8, 8)) << "a leaf of the half-size level";
            EXPECT_FALSE(record->MaskBit(0, 0)) << "a clear corner";
        }
        parser.EndSession(0);
    }
}

}  // namespace
