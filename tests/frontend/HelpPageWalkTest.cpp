// The help page of the demo Home folder at 640 x 480, read to its end: the wheel, Page Down,
// End, the down arrow and the scroll bar's handle dragged to the bottom each bring the text's
// last line into view, and Home brings back its first.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "frontend/screens/SHelpScreen.h"
#include "frontend/screens/SMainMenuScreen.h"
#include "sys/window/headless/headless_window.h"
#include "sys/window/window.h"
#include "tests/frontend/InCopyOfProcess.h"
#include "tests/frontend/WalkTestSupport.h"
#include "ui/SFont.h"
#include "ui/widgets/SScrollBar.h"
#include "ui/widgets/STextCtrl.h"

namespace {

using tarvex::test::ScriptedApp;
using tarvex::test::Step;

class HelpPageWalkTest : public tarvex::test::DemoWalkTest {
protected:
    static SHelpScreen* Help() { return dynamic_cast<SHelpScreen*>(Manager()->GetCurrentScreen()); }
    static SWindow* Control(uint32_t id) { return Help() != nullptr ? Help()->GetLayout()->FindChild(id) : nullptr; }

    // The action once a frame, `times` frames in a row.
    static Step Repeat(int times, std::function<void()> action) {
        return [times, action, done = 0]() mutable {
            action();
            return ++done == times;
        };
    }
    static void Key(uint32_t key) {
        sys::window::headless::InjectKey(key, 0, true);
        sys::window::headless::InjectKey(key, 0, false);
    }
    // The handle pressed, moved to the bar's bottom edge over a few frames, and let go.
    static std::vector<Step> DragHandleToBottom() {
        const auto bar = [] { return dynamic_cast<SScrollBar*>(Control(SHelpScreen::kScrollBar)); };
        return {
            [bar] {
                sys::RECT thumb;
                bar()->GetPartRect(SScrollBar::kPartThumb, thumb);
                sys::window::headless::InjectMouseMove((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
                sys::window::headless::InjectMouseButton(0, true);
                return true;
            },
            Repeat(4,
                   [bar, y = 0]() mutable {
                       const sys::RECT& rc = bar()->GetWindowRect();
                       y = y == 0 ? (rc.top + rc.bottom) / 2 : rc.bottom + 40;
                       sys::window::headless::InjectMouseMove((rc.left + rc.right) / 2, y);
                   }),
            [] {
                sys::window::headless::InjectMouseButton(0, false);
                return true;
            },
        };
    }

    // The lines the text control drew at its last frame, laid out as its font lays them out in
    // its rectangle; only whole lines count.
    static std::vector<std::string> DrawnLines() {
        auto* text = dynamic_cast<STextCtrl*>(Control(SHelpScreen::kTextControl));
        SFont* font = text != nullptr ? text->GetFont() : nullptr;
        if (font == nullptr || font->GetLineHeight() <= 0)
            return {};
        const char* all = Help()->GetText();
        const sys::RECT& rc = text->GetWindowRect();
        const uint32_t format = text->GetTextFormat();
        const int offset = font->CharFromLine(all, rc, text->GetTopLine(), 0, format);
        // The control drew the text from its first visible line on.
        bool drawn = false;
        const SFontCache& cache = font->GetDrawTextCache();
        for (POSITION pos = cache.GetHeadPosition(); pos != nullptr;) {
            if (std::string(cache.GetNext(pos)->m_sText.GetString()) == all + std::max(offset, 0))
                drawn = true;
        }
        EXPECT_TRUE(drawn) << "top line " << text->GetTopLine();
        std::vector<std::string> lines;
        char line[512];
        for (int row = 0; (row + 1) * font->GetLineHeight() <= rc.bottom - rc.top; ++row) {
            font->GetLine(all, rc, text->GetTopLine() + row, format, line, sizeof line);
            lines.emplace_back(line);
        }
        return lines;
    }
    static Step Shows(const std::string& wanted, const char* way) {
        return [wanted, way] {
            const std::vector<std::string> lines = DrawnLines();
            EXPECT_NE(std::find(lines.begin(), lines.end(), wanted), lines.end())
                << way << ": position " << Help()->GetScrollPosition() << ", last line drawn \""
                << (lines.empty() ? "" : lines.back()) << "\"";
            return true;
        };
    }
};

TEST_F(HelpPageWalkTest, EveryWayDownBringsTheLastLineIntoView) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        const std::string first = "WELCOME TO TARVEX";
        const std::string last = "End of the help text.";
        const Step home = Repeat(1, [] { Key(sys::VK_HOME); });
        std::vector<Step> steps = {Reached(0), Click(SMainMenuScreen::kHelpButton), Reached(SHelpScreen::kScreenId),
                                   Shows(first, "opening")};
        const std::vector<std::pair<const char*, Step>> ways = {
            {"wheel", Repeat(30, [] { sys::window::headless::InjectMouseWheel(-120); })},
            {"Page Down", Repeat(30, [] { Key(sys::VK_NEXT); })},
            {"End", Repeat(1, [] { Key(sys::VK_END); })},
            {"down arrow", Repeat(60, [] { Key(sys::VK_DOWN); })},
        };
        for (const auto& [way, action] : ways)
            steps.insert(steps.end(), {action, Shows(last, way), home, Shows(first, "Home")});
        for (const Step& step : DragHandleToBottom())
            steps.push_back(step);
        steps.insert(steps.end(), {Shows(last, "handle"), CloseWindow});
        app.m_steps = steps;
        RunWalk(app);
        EXPECT_EQ(app.m_next, app.m_steps.size());
    });
}

}  // namespace
