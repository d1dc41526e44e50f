// The officer in the 3D view of the creation and information pages, headless on a copy of the
// demo Home folder: the creation page shows each model the player steps to, and the new
// officer stands in the information page's view.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/actors/SActor.h"
#include "core/SObjectDef.h"
#include "frontend/screens/SCharacterInfo.h"
#include "frontend/screens/SCreateCharacterScreen.h"
#include "tests/frontend/WalkTestSupport.h"

namespace {

using tarvex::test::ScriptedApp;
using tarvex::test::Step;

class OfficerViewWalkTest : public tarvex::test::DemoWalkTest {};

std::string ShownModel(const SOfficerView& view) {
    const SActor* officer = view.GetOfficer();
    return officer != nullptr && officer->m_pModel != nullptr ? officer->m_sModelPath.GetString() : "";
}

// Values the definition lacks, or a missing definition, take the defaults; an upper field-of-view
// bound of 0 keeps the whole range.
TEST(OfficerViewSettings, TheDefinitionsValuesOrTheDefaults) {
    SObjectDef partial;
    partial.SetOrAppendInt("Scale", 8);
    partial.SetOrAppendInt("MinFOV", 30);
    const SObjectDef* const definitions[] = {nullptr, &partial};
    for (const SObjectDef* definition : definitions) {
        const SOfficerView::Settings s = SOfficerView::ReadSettings(definition);
        EXPECT_EQ(s.turn, 180.0f);
        EXPECT_EQ(s.yaw, 1.0f);
        EXPECT_EQ(s.distance, 5.0f);
        EXPECT_EQ(s.height, 0.5f);
        EXPECT_EQ(s.x, 0.0f);
        EXPECT_EQ(s.maxFov, 180.0f);
        EXPECT_EQ(s.scale, definition != nullptr ? 8.0f : 1.0f);
        EXPECT_EQ(s.minFov, definition != nullptr ? 30.0f : 0.0f);
    }
}

TEST_F(OfficerViewWalkTest, TheCreationPageShowsEachModelAndTheInformationPageTheNewOfficer) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        std::vector<std::string> stepped;
        std::string informed;
        tarvex::test::Image creation;
        tarvex::test::Image information;
        const auto settle = [] {
            auto frames = std::make_shared<int>(10);
            return Step([frames] { return --*frames <= 0; });
        };
        const auto creationModel = [&] {
            auto* page = dynamic_cast<SCreateCharacterScreen*>(Manager()->GetCurrentScreen());
            stepped.push_back(page != nullptr ? ShownModel(page->GetOfficerView()) : "");
            return true;
        };
        app.m_steps = {
            Reached(0), Click(10), Reached(SCreateCharacterScreen::kScreenId), settle(), creationModel,
            [&] {
                creation = tarvex::test::LastFrameImage();
                return true;
            },
            Click(SCreateCharacterScreen::kNextCommand), settle(), creationModel,
            Click(SCreateCharacterScreen::kNextCommand), settle(), creationModel,
            [] {
                Manager()->GetCurrentScreen()->GetLayout()->FindChild(SCreateCharacterScreen::kNameBox)->SetText("Viewed");
                return true;
            },
            Click(SCreateCharacterScreen::kCreateCommand), Reached(SCharacterInfo::kScreenId), settle(),
            [&] {
                auto* page = dynamic_cast<SCharacterInfo*>(Manager()->GetCurrentScreen());
                informed = page != nullptr ? ShownModel(page->GetOfficerView()) : "";
                information = tarvex::test::LastFrameImage();
                return CloseWindow();
            },
        };
        RunWalk(app);
        const std::string male = "Models/Officers/officer_m.ssm", female = "Models/Officers/officer_f.ssm";
        EXPECT_EQ(stepped, (std::vector<std::string>{male, female, male}));
        EXPECT_EQ(informed, male);
        EXPECT_TRUE(tarvex::test::MatchesReference(creation, "frontend/officer_create.png", 4, 600));
        EXPECT_TRUE(tarvex::test::MatchesReference(information, "frontend/officer_info.png", 4, 600));
    });
}

}  // namespace
