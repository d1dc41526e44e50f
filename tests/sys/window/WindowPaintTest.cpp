#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sys/gdi/gdi.h"
#include "sys/time/time.h"
#include "sys/window/headless/headless_paint.h"
#include "sys/window/headless/headless_window.h"
#include "sys/window/progress_dialog.h"
#include "sys/window/wait_cursor.h"
#include "sys/window/window.h"
#include "sys/window/window_dc.h"

// Drawing into the bare window, the wait cursor's nesting and the progress dialog, as the
// headless backend records them.
namespace {

using namespace sys;
using namespace sys::window;

class WindowPaintTest : public testing::Test {
protected:
    void SetUp() override {
        headless::Reset();
        time::SetFakeTicks(7000);
        hwnd = CreateWindow("Tarvex", WS_CAPTION, nullptr,
                            [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(h, m, w, l); });
        ASSERT_NE(hwnd, nullptr);
    }
    void TearDown() override { headless::Reset(); }

    // Fills the whole client area through a context of the window.
    void Paint(COLORREF colour) {
        const HDC dc = GetDC(hwnd);
        ASSERT_NE(dc, nullptr);
        const HBRUSH brush = gdi::CreateSolidBrush(colour);
        gdi::FillRect(dc, RECT{0, 0, 640, 480}, brush);
        gdi::DeleteObject(brush);
        ASSERT_EQ(ReleaseDC(hwnd, dc), 1);
    }
    static uint32_t At(const std::vector<uint32_t>& picture, int x, int y) {
        return picture[static_cast<size_t>(y) * 640u + static_cast<size_t>(x)];
    }

    HWND hwnd = nullptr;
};

TEST_F(WindowPaintTest, AWindowContextShowsWhatWasDrawnWhenGivenBack) {
    const HDC dc = GetDC(hwnd);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDC(hwnd), nullptr);  // one at a time
    EXPECT_TRUE(headless::PicturesShown().empty());
    const HBRUSH brush = gdi::CreateSolidBrush(RGB(10, 20, 30));
    gdi::FillRect(dc, RECT{5, 6, 7, 8}, brush);
    gdi::DeleteObject(brush);
    EXPECT_EQ(ReleaseDC(hwnd, dc), 1);
    EXPECT_EQ(ReleaseDC(hwnd, dc), 0);

    const auto shown = headless::PicturesShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].tick, 7000u);
    EXPECT_EQ(shown[0].width, 640);
    EXPECT_EQ(shown[0].height, 480);
    const auto picture = headless::ShownPicture();
    ASSERT_EQ(picture.size(), 640u * 480u);
    EXPECT_EQ(At(picture, 5, 6), 0x000A141Eu);
    EXPECT_EQ(At(picture, 7, 8), 0u);  // black where nothing was drawn

    EXPECT_EQ(GetDC(nullptr), nullptr);
    DestroyWindow(hwnd);
    EXPECT_EQ(GetDC(hwnd), nullptr);
}

TEST_F(WindowPaintTest, WaitCursorsNestAndTheLastEndBringsTheShapeBack) {
    const HCURSOR mine = ArrowCursor();
    SetCursor(mine);
    struct Step {
        bool begin;
        int depth;
        HCURSOR shape;
    };
    const Step steps[] = {
        {true, 1, WaitCursor()}, {true, 2, WaitCursor()}, {false, 1, WaitCursor()},
        {false, 0, mine},        {false, 0, mine},  // an End without a Begin does nothing
    };
    for (const Step& step : steps) {
        step.begin ? BeginWaitCursor() : EndWaitCursor();
        EXPECT_EQ(WaitCursorDepth(), step.depth);
        const HCURSOR now = SetCursor(nullptr);
        SetCursor(now);
        EXPECT_EQ(now, step.shape);
    }
    EXPECT_NE(WaitCursor(), ArrowCursor());
}

TEST_F(WindowPaintTest, TheProgressDialogKeepsItsBarInRangeAndLeavesThePictureAsItWas) {
    Paint(RGB(0, 128, 0));
    const HPROGRESSDLG dialog = CreateProgressDialog(hwnd, "Title", "Some text");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(CreateProgressDialog(hwnd, "Second", ""), nullptr);
    // Drawn centred: the middle is the dialog's, the corner still the green under it.
    auto picture = headless::ShownPicture();
    EXPECT_NE(At(picture, 320, 240), 0x00008000u);
    EXPECT_EQ(At(picture, 0, 0), 0x00008000u);

    EXPECT_EQ(SendProgressMessage(dialog, PBM_SETRANGE, 0, MAKELPARAM(0, 50)), MAKELPARAM(0, 100));
    struct Step {
        int position;
        LRESULT previous;
    };
    const Step steps[] = {{10, 0}, {70, 10}, {-5, 50}, {25, 0}};
    for (const Step& step : steps)
        EXPECT_EQ(SendProgressMessage(dialog, PBM_SETPOS, static_cast<WPARAM>(step.position), 0), step.previous);
    EXPECT_EQ(SendProgressMessage(dialog, WM_USER + 99, 0, 0), 0);

    auto records = headless::ProgressDialogs();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].title, "Title");
    EXPECT_EQ(records[0].text, "Some text");
    EXPECT_EQ(records[0].low, 0);
    EXPECT_EQ(records[0].high, 50);
    EXPECT_EQ(records[0].positions, (std::vector<int>{10, 50, 0, 25}));
    EXPECT_TRUE(records[0].open);

    EXPECT_TRUE(DestroyProgressDialog(dialog));
    EXPECT_FALSE(DestroyProgressDialog(dialog));
    EXPECT_EQ(SendProgressMessage(dialog, PBM_SETPOS, 1, 0), 0);
    EXPECT_FALSE(headless::ProgressDialogs()[0].open);
    picture = headless::ShownPicture();
    EXPECT_EQ(At(picture, 320, 240), 0x00008000u);
    // Without a window to draw in it is still a dialog, and a new one may open.
    const HPROGRESSDLG unowned = CreateProgressDialog(nullptr, "T", "x");
    ASSERT_NE(unowned, nullptr);
    EXPECT_EQ(SendProgressMessage(unowned, PBM_SETPOS, 3, 0), 0);
    EXPECT_TRUE(DestroyProgressDialog(unowned));
}

}  // namespace
