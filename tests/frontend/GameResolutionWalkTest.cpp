// The game resolution as a player meets it, headless on a copy of the demo Home folder: with
// 800 x 600 chosen the range is played in frames of that size with its heads-up display laid
// out for it, and leaving it brings the menus back at 640 x 480. The inventory page puts the
// chosen item's model in its view, in the skin the item names.

#include <gtest/gtest.h>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/SGameDLL.h"
#include "app/SGameObjects.h"
#include "app/actors/SActor.h"
#include "assets/models/SSMHandle.h"
#include "dx/display/SGraphics.h"
#include "frontend/screens/SInventoryScreen.h"
#include "sys/input/headless/headless_input.h"
#include "sys/input/input.h"
#include "sys/video/headless/headless_video.h"
#include "tests/frontend/WalkTestSupport.h"
#include "tests/support/ReferenceImage.h"

namespace {

using tarvex::test::ScriptedApp;
using tarvex::test::Step;

class GameResolutionWalkTest : public tarvex::test::DemoWalkTest {};

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

Size DisplaySize() {
    const SGraphics* display = SGameObjects::Instance()->m_pGraphics;
    return Size{display->GetWidth(), display->GetHeight()};
}

Size FrameSize() {
    const auto& last = sys::video::headless::LastFrame();
    return Size{last.width, last.height};
}

Size RectSize(const sys::RECT& rect) { return Size{rect.right - rect.left, rect.bottom - rect.top}; }

TEST_F(GameResolutionWalkTest, TheRangeRunsAtTheChosenSizeAndTheMenusComeBackAt640x480) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        namespace input = sys::input::headless;
        const auto playing = [] {
            SGameDLL* library = SGameObjects::Instance()->m_pGameDLL;
            return Manager()->GetCurrentId() == 11 && library != nullptr && library->GetState() == 7;
        };
        auto wait = std::make_shared<int>(10);
        Size inRange;
        Size rangeFrame;
        Size rangePage;
        Size rangeLayout;
        Size menus;
        Size menuFrame;
        Size menuPage;
        app.m_steps = {
            [] {
                CGraphicsData* graphics = SGameObjects::Instance()->m_pConfig->m_pGraphics;
                graphics->m_iWidth = 800;
                graphics->m_iHeight = 600;
                return true;
            },
            Reached(0), Click(10), Reached(1),
            [] {
                Manager()->GetCurrentScreen()->GetLayout()->FindChild(200)->SetText("Wide");
                return true;
            },
            Click(111), Reached(3), Click(10), Reached(4), Click(111), playing,
            [wait] { return --*wait <= 0; },
            [&] {
                inRange = DisplaySize();
                rangeFrame = FrameSize();
                SAppScreen* page = Manager()->GetCurrentScreen();
                rangePage = RectSize(page->GetWindowRect());
                rangeLayout = page->GetLayout() != nullptr ? RectSize(page->GetLayout()->GetWindowRect()) : Size{};
                input::SetKey(sys::input::DIK_ESCAPE, true);
                return true;
            },
            [] {
                input::SetKey(sys::input::DIK_ESCAPE, false);
                return true;
            },
            [] {
                // The session's results wait for the second Escape.
                input::SetKey(sys::input::DIK_ESCAPE, true);
                return true;
            },
            [] {
                input::SetKey(sys::input::DIK_ESCAPE, false);
                return true;
            },
            Reached(4),
            [&] {
                menus = DisplaySize();
                menuFrame = FrameSize();
                menuPage = RectSize(Manager()->GetCurrentScreen()->GetWindowRect());
                return true;
            },
            Click(222), Reached(3), Click(222), Reached(2), Click(222), Reached(0), Click(60),
        };
        RunWalk(app);
        EXPECT_EQ(inRange, (Size{800, 600}));
        EXPECT_EQ(rangeFrame, (Size{800, 600}));
        EXPECT_EQ(rangePage, (Size{800, 600}));
        EXPECT_EQ(rangeLayout, (Size{800, 600}));
        EXPECT_EQ(menus, (Size{640, 480}));
        EXPECT_EQ(menuFrame, (Size{640, 480}));
        EXPECT_EQ(menuPage, (Size{640, 480}));
    });
}

class InventoryViewWalkTest : public tarvex::test::DemoWalkTest {};

TEST_F(InventoryViewWalkTest, TheCurrentItemsModelWearsItsAlternateSkinAndTheKitsIconsLieOnTheGrid) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        auto wait = std::make_shared<int>(10);
        std::string model;
        int skin = -1;
        std::vector<SInventoryIcon> icons;
        sys::RECT grid{};
        tarvex::test::Image frame;
        app.m_steps = {
            Reached(0), Click(10), Reached(1),
            [] {
                Manager()->GetCurrentScreen()->GetLayout()->FindChild(200)->SetText("Kit");
                return true;
            },
            Click(111), Reached(3),
            [] { return Manager()->SwitchTo(SInventoryScreen::kScreenId) != 0; },
            Reached(SInventoryScreen::kScreenId),
            [] {
                dynamic_cast<SInventoryScreen*>(Manager()->GetCurrentScreen())->SelectItem("Radio");
                return true;
            },
            [wait] { return --*wait <= 0; },
            [&] {
                auto* page = dynamic_cast<SInventoryScreen*>(Manager()->GetCurrentScreen());
                SActor* actor = page->GetItemActor();
                if (actor != nullptr && actor->m_pModel != nullptr) {
                    model = actor->m_sModelPath.GetString();
                    skin = actor->m_pModel->GetSkin(actor->m_pModel->FindGroup("Body"));
                }
                icons = page->GetIcons();
                grid = page->GetLayout()->FindChild(SInventoryScreen::kNarrowGridWindow)->GetWindowRect();
                frame = tarvex::test::LastFrameImage();
                return CloseWindow();
            },
        };
        RunWalk(app);
        EXPECT_EQ(model, "Models/Inventory/radio.ssm");
        EXPECT_EQ(skin, 1) << "the night skin the item names";
        // The new officer's kit lies on the grid, each item's icon over its cells.
        ASSERT_FALSE(icons.empty());
        for (const SInventoryIcon& icon : icons) {
            EXPECT_GE(icon.m_rcCells.left, grid.left) << icon.m_sName.GetString();
            EXPECT_GE(icon.m_rcCells.top, grid.top) << icon.m_sName.GetString();
            EXPECT_LE(icon.m_rcCells.right, grid.right) << icon.m_sName.GetString();
            EXPECT_LE(icon.m_rcCells.bottom, grid.bottom) << icon.m_sName.GetString();
        }
        EXPECT_TRUE(tarvex::test::MatchesReference(frame, "frontend/inventory_item.png", 4, 600));
    });
}

}  // namespace
