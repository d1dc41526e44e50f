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

#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "render/SD3D6Parser.h"
#include "render/map/SHuntWorld.h"
#include "render/map/SMapKR5.h"
#include "render/outdoor/SRendererCatalog.h"
#include "sys/classlib/CStringArray.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "tools/makehome/HomeOutdoor.h"

namespace {

// The search folder and the sky-box handler's files as the catalog will list them.
class HomeSkyCatalog : public SRendererCatalog {
public:
    bool GetTextureList(const char*, std::vector<STextureListSource>&) override { return false; }
    SResource* GetModelResource(const char*) override { return nullptr; }
    void GetModelFrameTexts(SResource*, std::vector<SString>&) override {}
    bool FindHandlerFileByKey(const char*, const char*, SString&, uint32_t&) override { return false; }
    bool GetHandlerFiles(const char* resource, const char* file, const char* const* entries, int count,
                         SString* paths) override {
        if (std::string(resource) != "Sky_Background" || std::string(file) != "Outdoor") {
            return false;
        }
        for (int i = 0; i < count; ++i) {
            std::string entry = entries[i];
            std::string name = entry.rfind("Fog", 0) == 0 ? "fog_" + entry.substr(3) : "sky_" + entry;
            for (char& c : name) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            paths[i] = ("Textures\\Outdoor\\" + (entry == "Water" ? std::string("water") : name) + ".bmp").c_str();
        }
        return true;
    }
    void ReleaseResource(SResource*) override {}
    const CStringArray* GetSearchFolders() override { return &folders; }

    CStringArray folders;
};

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
        catalog.folders.Add(folder.c_str());
        SD3D6Parser::SetCatalog(&catalog);
    }

    void TearDown() override {
        SD3D6Parser::SetCatalog(nullptr);
        parser.EndSession(0);
        parser.ReleaseRaster();
        CloseSurfaces();
        RenderDisplayTest::TearDown();
    }

    SParserCreateInfo info;
    SD3D6Parser parser;
    HomeSkyCatalog catalog;
    std::string folder;
};

TEST_F(HomeOutdoorTest, SessionBuildsTheDemoWorld) {
    SLevelInfo level;
    level.m_sMapPath = (folder + "/" + home_outdoor::kMapPath).c_str();
    ASSERT_EQ(parser.InitSession(2, &level, 0), 1);
    ASSERT_EQ(parser.InitSession(2, &level, 1), 1);
    parser.m_HWDesc.dpcTriCaps.dwRasterCaps |= 0x100;  // a device with table fog
    for (int step = 2; step <= 4; ++step) {
        ASSERT_EQ(parser.InitSession(2, &level, step), 1);
    }
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

}  // namespace
