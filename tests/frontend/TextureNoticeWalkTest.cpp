// A range whose map has a damaged texture, played headless on a copy of the demo Home folder
// with the fake clock: the notice that names the file comes up with the pointer free, the range
// behind it is drawn as it is without it, a click on its OK closes it, the ten seconds it stood
// open cost the range none of its time, and the range's clock runs again once it is closed.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/SClientInfo.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SDataCollection.h"
#include "dx/display/SGraphics.h"
#include "frontend/dialogs/STransparantDialog.h"
#include "sys/input/headless/headless_input.h"
#include "sys/time/headless/headless_clock.h"
#include "sys/window/headless/headless_window.h"
#include "tests/frontend/WalkTestSupport.h"
#include "ui/SGraphicsHost.h"

namespace {

using tarvex::test::ScriptedApp;

// Stands between the display manager and the interface toolkit to see the idle steps of modal
// dialogs: those are the only times the toolkit is handed the screen's default font.
class DialogIdleWatch : public SDisplayClient {
public:
    SDisplayClient* inner = nullptr;
    std::function<void()> onIdle;

    void AttachInterfaceSurfaces(SDXSurface* source, SDXSurface* background) override {
        inner->AttachInterfaceSurfaces(source, background);
    }
    void ReplaceBackgroundSurface(SDXSurface* background) override { inner->ReplaceBackgroundSurface(background); }
    void DetachInterfaceSurfaces() override { inner->DetachInterfaceSurfaces(); }
    void BeginBackDC(SDXSurface* back) override { inner->BeginBackDC(back); }
    void EndBackDC() override { inner->EndBackDC(); }
    void DrawScreen() override { inner->DrawScreen(); }
    void UpdateScreen() override { inner->UpdateScreen(); }
    void GiveScreenDefaultFont() override {
        inner->GiveScreenDefaultFont();
        onIdle();
    }
    void DropDefaultFontCache() override { inner->DropDefaultFontCache(); }
};

// The heads-up display's status texts: the weapon's name along the top, rounds, time and score
// along the bottom of the 640 x 480 picture, clear of the notice in the middle.
std::vector<tarvex::test::Image> StatusTexts(const tarvex::test::Image& frame) {
    const struct {
        int top, bottom;
    } kStrips[] = {{0, 40}, {430, 480}};
    std::vector<tarvex::test::Image> strips;
    for (const auto& strip : kStrips) {
        tarvex::test::Image part{frame.width, strip.bottom - strip.top, {}};
        if (frame.height >= strip.bottom)
            part.pixels.assign(frame.pixels.begin() + static_cast<ptrdiff_t>(strip.top) * frame.width,
                               frame.pixels.begin() + static_cast<ptrdiff_t>(strip.bottom) * frame.width);
        strips.push_back(part);
    }
    return strips;
}

// The time the heads-up display shows as left of the range.
std::string TimeLeft() {
    SClientInfo* client = SGameObjects::Instance()->m_pGameItems->m_pClientInfo;
    return client != nullptr ? client->m_pValues->GetValue(11).GetString() : "(no client)";
}

class TextureNoticeWalkTest : public tarvex::test::DemoWalkTest {};

TEST_F(TextureNoticeWalkTest, TheNoticeClosesWithAClickAndCostsTheRangeNoTime) {
    const auto clockRuns = [frames = 0]() mutable {
        // One second of the range's time shows within a few frames more than a second.
        if (TimeLeft() == "2:29")
            return true;
        if (++frames > 60) {
            ADD_FAILURE() << "the range's clock stands at " << TimeLeft() << " after the notice";
            return true;
        }
        return false;
    };
    tarvex::test::InCopyOfProcess([&] {
        std::ofstream(Home() / "Textures" / "Outdoor" / "sand.stx", std::ios::binary) << std::string(4096, 'x');
        ScriptedApp& app = MakeScriptedApp();
        DialogIdleWatch watch;
        int idleSteps = 0;
        std::vector<tarvex::test::Image> withNotice;
        // While the notice is up: first the time shown and the pointer, then ten seconds pass,
        // then a click on OK once the box has slid in, the status texts of that frame kept. One
        // that does not close it is given up.
        watch.onIdle = [&] {
            ++idleSteps;
            SWindow* layout = SWindow::GetFocus();
            auto* notice = dynamic_cast<STransparantDialog*>(layout != nullptr ? layout->GetParent() : nullptr);
            SWindow* ok = notice != nullptr ? notice->FindControl(1) : nullptr;
            EXPECT_EQ(TimeLeft(), "2:30") << "idle step " << idleSteps;
            if (idleSteps == 1) {
                EXPECT_FALSE(sys::input::headless::MouseExclusive()) << "the pointer is free to close the notice";
                // Over the notice's text, where it hides none of the status texts.
                sys::window::headless::InjectMouseMove(320, 200);
                sys::time::headless::Advance(10000);
                return;
            }
            if (ok != nullptr && notice->IsSlideFinished()) {
                withNotice = StatusTexts(tarvex::test::LastFrameImage());
                ClickMiddle(ok->GetWindowRect());
            }
            if (idleSteps > 100) {
                ADD_FAILURE() << "the notice did not close";
                sys::window::headless::InjectClose();
            }
            sys::time::headless::Advance(tarvex::test::kWalkFrameMs);
        };
        const auto playing = [] {
            SGameDLL* library = SGameObjects::Instance()->m_pGameDLL;
            return Manager()->GetCurrentId() == 11 && library != nullptr && library->GetState() == 7;
        };
        app.m_steps = {
            [&] {
                watch.inner = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance());
                SGameObjects::Instance()->m_pGraphics->SetClient(&watch);
                return true;
            },
            Reached(0), Click(10), Reached(1),
            [] {
                Manager()->GetCurrentScreen()->GetLayout()->FindChild(200)->SetText("Reader");
                return true;
            },
            Click(111), Reached(3), Click(10), Reached(4), Click(111), playing,
            [&] {
                EXPECT_GE(idleSteps, 2) << "the notice was shown";
                EXPECT_EQ(TimeLeft(), "2:30");
                EXPECT_TRUE(sys::input::headless::MouseExclusive()) << "the range has the mouse back for aiming";
                SGameObjects::Instance()->m_pGraphics->SetClient(watch.inner);
                const auto without = StatusTexts(tarvex::test::LastFrameImage());
                EXPECT_FALSE(withNotice.empty()) << "a frame with the notice up was shown";
                for (size_t i = 0; i < withNotice.size(); ++i)
                    EXPECT_TRUE(tarvex::test::ImagesMatch(withNotice[i], without[i], 0, 0)) << "status strip " << i;
                return true;
            },
            clockRuns, CloseWindow,
        };
        RunWalk(app);
        EXPECT_EQ(app.m_next, app.m_steps.size());
    });
}

}  // namespace
