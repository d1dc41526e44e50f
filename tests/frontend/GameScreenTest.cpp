// The in-game screen: what the library's definitions choose for a session, the overlay lists
// the library drives through the host callbacks, the click line and the small text readers.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/SGameScreenLink.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SHostCallbacks.h"
#include "app/actors/SActorWorld.h"
#include "assets/models/SSMHandle.h"
#include "assets/models/SViewModel.h"
#include "core/SObjectDef.h"
#include "frontend/hud/SAppLayout.h"
#include "frontend/screens/SGameLayouts.h"
#include "frontend/screens/SGameScreen.h"
#include "render/SD3D6Parser.h"
#include "render/texture/SD3D6Lock.h"
#include "tests/assets/models/ModelSamples.h"
#include "tests/support/ScratchFolder.h"

namespace {

struct Value {
    const char* name;
    const char* value;
};

SObjectDef* MakeDef(const char* name, std::initializer_list<Value> values) {
    auto* def = new SObjectDef;
    def->SetName(name);
    for (const Value& v : values)
        def->SetOrAppend(v.name, v.value, 0);
    return def;
}

// The switches a session set-up turns on, back to how the renderer starts.
void RestoreRendererSwitches() {
    SD3D6Parser::s_byDrawAllObjects = 0;
    SD3D6Parser::s_bHitTestAllCells = 0;
    SD3D6Parser::s_bSecondModelMark = 0;
    SD3D6Parser::s_bGenModelBSP = 0;
}

class DefinitionList {
public:
    ~DefinitionList() { m_list.DeleteAll(); }
    void Add(SObjectDef* def) { m_list.AddTail(def); }
    SObjectDefList* Get() { return &m_list; }

private:
    SObjectDefList m_list;
};

}  // namespace

TEST(GameScreenSettingsTest, ScenarioAndNamedDefinitionsChooseTheRenderSettings) {
    struct Case {
        const char* label;
        std::initializer_list<Value> scenario;
        std::initializer_list<Value> hud;
        const char* ambient;
        uint32_t passMask;
        uint32_t fuzzPeriod;
        float conTriNormOffs;
        float alphaOffset;
        float factors[4];
    };
    const Case cases[] = {
        {"trees and quads off", {{"NoTrees", "1"}, {"NoQuads", "1"}}, {}, "", 0x57, 500, 0.25f, 0.5f, {1, 1, 1, 1}},
        {"every pass switch", {{"NoTerrain", "1"}, {"NoWater", "1"}, {"NoBackground", "1"}}, {}, "", 0x4C, 500,
         0.25f, 0.5f, {1, 1, 1, 1}},
        {"fuzz period in whole seconds", {}, {{"NightVisFuzzPeriod", "2.7"}}, "", 0x5F, 2000, 0.25f, 0.5f,
         {1, 1, 1, 1}},
        {"non-positive fuzz period ignored", {}, {{"NightVisFuzzPeriod", "-1"}}, "", 0x5F, 500, 0.25f, 0.5f,
         {1, 1, 1, 1}},
        {"endless fuzz period held at the longest", {}, {{"NightVisFuzzPeriod", "1e30"}}, "", 0x5F, 4294967000u,
         0.25f, 0.5f, {1, 1, 1, 1}},
        {"zero offsets keep the old ones", {{"ConTriNormOffs", "0"}, {"AlphaOffset", "0"}}, {}, "", 0x5F, 500,
         0.25f, 0.5f, {1, 1, 1, 1}},
        {"offsets replaced", {{"ConTriNormOffs", "1.5"}, {"AlphaOffset", "-40"}}, {}, "", 0x5F, 500, 1.5f, -40.0f,
         {1, 1, 1, 1}},
        {"negative ambient factors ignored", {}, {}, "0.5,-1,2,0", 0x5F, 500, 0.25f, 0.5f, {0.5f, 1, 2, 0}},
        {"fewer factors change only those", {}, {}, "3", 0x5F, 500, 0.25f, 0.5f, {3, 1, 1, 1}},
        {"nothing readable", {}, {}, "abc", 0x5F, 500, 0.25f, 0.5f, {1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        DefinitionList defs;
        defs.Add(MakeDef("TargetRange", c.scenario));
        defs.Add(MakeDef("HUD", c.hud));
        defs.Add(MakeDef("Range1", {{"AmbientFactors", c.ambient}}));
        SD3D6Parser::s_dwNightVisionPeriod = 500;
        SD3D6Parser::s_fConTriNormOffs = 0.25f;
        SD3D6Parser::s_fAlphaOffset = 0.5f;
        SD3D6Lock::s_fAmbientFactors[0] = 7.0f;
        SGameScreen::ResetRendererSettings();
        SGameScreen::ApplyDefinitions(defs.Get(), "TargetRange", "Range1");
        EXPECT_EQ(SD3D6Parser::s_dwSceneRenderSwitches, c.passMask) << c.label;
        EXPECT_EQ(SD3D6Parser::s_dwNightVisionPeriod, c.fuzzPeriod) << c.label;
        EXPECT_FLOAT_EQ(SD3D6Parser::s_fConTriNormOffs, c.conTriNormOffs) << c.label;
        EXPECT_FLOAT_EQ(SD3D6Parser::s_fAlphaOffset, c.alphaOffset) << c.label;
        for (int i = 0; i < 4; ++i)
            EXPECT_FLOAT_EQ(SD3D6Lock::s_fAmbientFactors[i], c.factors[i]) << c.label << " factor " << i;
    }
    SGameScreen::ResetRendererSettings();
    SD3D6Parser::s_fAlphaOffset = 0.0f;
    SD3D6Parser::s_fConTriNormOffs = 0.0f;
    SD3D6Parser::s_dwNightVisionPeriod = 300;
}

TEST(GameScreenSettingsTest, SetUpSwitchesAndTheModelFlags) {
    SD3D6Parser::s_bNightVision = SD3D6Parser::s_bRedFlash = SD3D6Parser::s_bCentredOverlay = true;
    SD3D6Parser::s_bViewModelsAfterOverlays = true;
    SD3D6Parser::s_byDrawAllObjects = 0;
    SD3D6Parser::s_bSecondModelMark = 0;
    SD3D6Parser::s_bGenModelExtData = 0;
    SGameScreen::ResetRendererSettings();
    EXPECT_FALSE(SD3D6Parser::s_bNightVision || SD3D6Parser::s_bRedFlash || SD3D6Parser::s_bCentredOverlay ||
                 SD3D6Parser::s_bViewModelsAfterOverlays);
    EXPECT_EQ(SD3D6Parser::s_byDrawAllObjects, 1);
    EXPECT_EQ(SD3D6Parser::s_bHitTestAllCells, 1);
    EXPECT_EQ(SD3D6Parser::s_bSecondModelMark, 1);
    EXPECT_EQ(SD3D6Parser::s_bGenModelExtData, 1);

    const struct {
        const char* genModelBSP;
        const char* extData;
        int32_t bsp, ext;
    } cases[] = {{"1", "0", 1, 0}, {"0", "", 0, 1}, {"2", "5", 1, 1}};
    for (const auto& c : cases) {
        DefinitionList defs;
        defs.Add(MakeDef("TargetRange", {{"GenModelBSP", c.genModelBSP}}));
        defs.Add(MakeDef("ModelFlags", {{"GenModelExtData", c.extData}}));
        SGameScreen::ResetRendererSettings();
        SGameScreen::ApplyDefinitions(defs.Get(), "TargetRange", nullptr);
        EXPECT_EQ(SD3D6Parser::s_bGenModelBSP, c.bsp) << c.genModelBSP;
        EXPECT_EQ(SD3D6Parser::s_bGenModelExtData, c.ext) << c.extData;
    }
    RestoreRendererSwitches();
}

TEST(GameScreenSettingsTest, MissingDefinitionsAndLongFactorTextsAreSafe) {
    SGameScreen::ResetRendererSettings();
    SGameScreen::ApplyDefinitions(nullptr, "TargetRange", "Range1");
    EXPECT_EQ(SD3D6Parser::s_dwSceneRenderSwitches, 0x5Fu);
    // Far longer than any buffer a reader might copy it into: the first four numbers count.
    std::string text = "0.5,0.25,0.125,2";
    text += std::string(4000, '7');
    float factors[4] = {1, 1, 1, 1};
    SGameScreen::ReadAmbientFactors(text.c_str(), factors);
    EXPECT_FLOAT_EQ(factors[0], 0.5f);
    EXPECT_FLOAT_EQ(factors[2], 0.125f);
    EXPECT_GT(factors[3], 1.0e30f);  // "2777..." read as one (huge) number, not past the text
    RestoreRendererSwitches();
}

TEST(GameScreenTextTest, ColonTriplesAndClickLines) {
    const struct {
        const char* text;
        int32_t packed;
    } triples[] = {{"", 0}, {"1:2:3", (1 << 16) + (2 << 8) + 3}, {"10:0:5]", (10 << 16) + 5},
                   {"2:x:7[9]", (2 << 16) + 7}, {"4", 4 << 16}};
    for (const auto& t : triples)
        EXPECT_EQ(SGameScreen::PackColonTriple(t.text), t.packed) << t.text;

    const float point[3] = {8.0f, 16.0f, 24.0f};
    const float angles[2] = {10.5f, -3.25f};
    EXPECT_STREQ(SGameScreen::FormatClickLine(SString("fire"), point, angles).GetString(),
                 "fire 1.00,2.00,3.00, 10.50,-3.25");
}

TEST(GameScreenOverlayTest, OverlaysAreFlaggedAndRemovedOnlyOnTheMainThreadSweep) {
    SGameScreen screen;
    EXPECT_EQ(screen.ShowLayout(0, 3), 1);
    EXPECT_EQ(screen.ShowLayout(0, 3), 1);
    ASSERT_EQ(screen.GetActiveLayouts().size(), 1u);
    screen.ShowLayout(2, 3);
    EXPECT_EQ(screen.GetActiveLayouts().front()->m_bRemove, 1);
    screen.ShowLayout(0, 3);  // the flagged one still waits for the sweep
    EXPECT_EQ(screen.GetActiveLayouts().size(), 2u);
    screen.RemoveFlaggedLayouts();
    EXPECT_EQ(screen.GetActiveLayouts().size(), 1u);

    screen.ShowLayout(4, 5);
    ASSERT_EQ(screen.GetPassiveLayouts().size(), 1u);
    EXPECT_EQ(screen.GetPassiveLayouts().front()->m_pLayout->GetParent(), nullptr);  // display only
    EXPECT_EQ(screen.ShowLayout(1, 9), 1);
    EXPECT_EQ(screen.GetActiveLayouts().size(), 1u);  // kind 1 changes nothing

    EXPECT_EQ(screen.ShowTextureLayout(1, -1, "", 0.5f, 0.25f, 0.5f, 0.0f), 0);
    EXPECT_EQ(screen.ShowTextureLayout(1, 2, "", 0.5f, 0.25f, 0.5f, 0.0f), 1);
    ASSERT_EQ(screen.GetTextureLayouts().size(), 1u);
    int x = 0, y = 0, w = 0, h = 0;
    screen.GetTextureLayouts().front()->Place(256, 256, x, y, w, h);
    EXPECT_EQ(w, 128);
    EXPECT_EQ(h, 64);
    EXPECT_EQ(x, 128);
    EXPECT_EQ(y, 0);
    screen.ShowTextureLayout(0, 2, "", 0, 0, 0, 0);
    EXPECT_FALSE(screen.GetTextureLayouts().front()->m_pLayout->IsVisible());

    EXPECT_EQ(screen.QueueScreenshot(64, 48, 1, "", "Shots"), 0);
    EXPECT_EQ(screen.QueueScreenshot(64, 48, 1, "", "Shots"), 1);
    screen.ProcessScreenshot(nullptr);  // no frame to shoot: dropped, not kept for ever
    EXPECT_EQ(screen.GetScreenshots().size(), 1u);
    screen.RemoveAllLayouts();
    EXPECT_TRUE(screen.GetActiveLayouts().empty());
    EXPECT_TRUE(screen.GetPassiveLayouts().empty());
    EXPECT_TRUE(screen.GetTextureLayouts().empty());
    EXPECT_TRUE(screen.GetScreenshots().empty());
}

TEST(GameScreenOverlayTest, HostCallbacksReachTheScreenOnlyWhileItIsCurrent) {
    SHostCallbacks table{};
    FillHostCallbacks(table);
    SGameScreen screen;
    EXPECT_EQ(table.HostShowLayout(0, 1), 0);
    EXPECT_EQ(table.HostShowTextureLayout(4, 1, "", 1, 1, 0, 0), 0);
    EXPECT_EQ(table.HostQueueScreenshot(8, 8, 1, "", "Pics"), 1);
    EXPECT_TRUE(screen.GetScreenshots().empty());

    SGameScreenLink::SetCurrent(&screen);
    EXPECT_EQ(table.HostShowLayout(0, 1), 1);
    EXPECT_EQ(table.HostShowTextureLayout(4, 1, "", 1, 1, 0, 0), 1);
    EXPECT_EQ(table.HostQueueScreenshot(8, 8, 1, "", "Pics"), 1);
    EXPECT_EQ(table.HostScreenModelAnimation(-4, 0, 0.0f, 0, 0, 0), 0);
    SGameScreenLink::SetCurrent(nullptr);
    EXPECT_EQ(screen.GetActiveLayouts().size(), 1u);
    ASSERT_EQ(screen.GetTextureLayouts().size(), 1u);
    EXPECT_EQ(screen.GetTextureLayouts().front()->m_iTextureIndex, 4);
    EXPECT_EQ(screen.GetScreenshots().size(), 1u);
    EXPECT_TRUE(SD3D6Parser::s_bNightVision);
    screen.ModelCommand(-5, 0, 0.0f, 0, 0, 0);
    EXPECT_FALSE(SD3D6Parser::s_bNightVision);
    // Frame selection on attachments that are not there changes nothing and never fails.
    screen.ModelCommand(-6, 0, 1.0f, 0, 0, 0);
    screen.ModelCommand(-7, 0, 0.5f, 0, 0, 0);
    EXPECT_EQ(screen.GetAttachment(0), nullptr);
}

TEST(GameScreenOverlayTest, ModelCommandsSetTheRenderersOwnSwitches) {
    SGameScreen screen;
    bool* const nightVision = &SD3D6Parser::s_bNightVision;
    bool* const centred = &SD3D6Parser::s_bCentredOverlay;
    bool* const flash = &SD3D6Parser::s_bRedFlash;
    bool* const last = &SD3D6Parser::s_bViewModelsAfterOverlays;
    const struct {
        int command;
        bool* flag;
        bool on;
    } cases[] = {{-4, nightVision, true},  {-5, nightVision, false}, {-11, centred, true}, {-12, centred, false},
                 {-13, flash, true},       {-14, flash, false},      {-2, last, true},     {-3, last, false}};
    for (const auto& c : cases) {
        *c.flag = !c.on;
        EXPECT_EQ(screen.ModelCommand(c.command, 0, 0.25f, 0, 0, 0), 0);
        EXPECT_EQ(*c.flag, c.on) << c.command;
    }
    // The centred overlay keeps its index and its scale as given, a fraction included.
    screen.ModelCommand(-11, 2, 0.25f, 0, 0, 0);
    EXPECT_EQ(SD3D6Parser::s_iCentredIndex, 2);
    EXPECT_FLOAT_EQ(SD3D6Parser::s_fCentredScale, 0.25f);
    SGameScreen::ResetRendererSettings();
    EXPECT_FALSE(SD3D6Parser::s_bCentredOverlay);
    RestoreRendererSwitches();
}

// A view model stands on the first frame of its model, not animated, though the model has an
// animation (taking the instance would start it).
TEST(GameScreenOverlayTest, AViewModelStandsStillOnItsFirstFrame) {
    const std::string folder = tarvex::test::MakeScratchFolder("view_model");
    auto model = tarvex::test::MakeDressedModel();
    model->m_nAnims = 1;
    model->m_nFrames = 2;
    const std::vector<uint8_t> bytes = tarvex::test::StoreModel(*model);
    const std::string path = folder + "/weapon.ssm";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    SGameItems* items = SGameObjects::Instance()->m_pGameItems;
    ASSERT_NE(items, nullptr);
    SD3D6Parser parser;
    SActorWorld* world = items->m_pWorld[0];
    world->Init(&parser, nullptr, "", 8);
    items->m_pSoundNames->Set(3, "Weapon", ("id;" + path).c_str(), 0);

    SGameScreen screen;
    screen.ModelCommand(-10, 3, 0.0f, 0, -1, -1);
    SViewModel* view = screen.GetViewModel();
    ASSERT_NE(view, nullptr);
    ASSERT_NE(view->m_pModel, nullptr);
    ASSERT_GT(view->m_pModel->GetModel()->m_nAnims, 0);
    EXPECT_EQ(view->m_pModel->IsAnimated(), 0);
    EXPECT_EQ(view->m_pModel->m_nCurFrame, 0);
    EXPECT_EQ(view->m_bHidden, 1);
    screen.DeleteViewModels();
    world->Init(nullptr, nullptr, "", 8);
}
