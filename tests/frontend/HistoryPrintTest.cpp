// Printing the history page: without a default printer, with one that cannot take pictures or
// one that refuses the page, nothing is printed and the player is told why; otherwise one page "Stats" holding the screen picture (the window's part of the
// desktop when not full screen) in draft portrait, sized for 150 screen pixels to the inch.

#include <gtest/gtest.h>

#include "app/SGameObjects.h"
#include "frontend/screens/SHistoryScreen.h"
#include "sys/print/headless/headless_print.h"
#include "sys/window/headless/headless_dialogs.h"
#include "sys/window/window.h"
#include "tests/dx/display/GraphicsTestSupport.h"

namespace {

namespace printer = sys::print::headless;

class HistoryPrintTest : public tarvex::test::GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        printer::Reset();
        SGameObjects::Instance()->m_pGraphics = &graphics;
    }
    void TearDown() override {
        SGameObjects::Instance()->m_pGraphics = nullptr;
        printer::Reset();
        GraphicsTest::TearDown();
    }
    static sys::print::Printer Printer(bool canCopy) {
        sys::print::Printer p;
        p.name = "Office";
        p.dpiX = 300;
        p.dpiY = 600;
        p.canCopyBitmaps = canCopy;
        return p;
    }
    SHistoryScreen page;
};

TEST_F(HistoryPrintTest, WhatCannotBePrintedIsSaid) {
    ASSERT_EQ(Reset(1), 1);
    sys::dialogs::headless::Reset();
    page.PrintStats();
    printer::InstallPrinter(Printer(false));
    page.PrintStats();
    printer::InstallPrinter(Printer(true));
    printer::RefusePages(true);
    page.PrintStats();
    EXPECT_TRUE(printer::Printed().empty());
    const auto shown = sys::dialogs::headless::Shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, "There is no default printer, so the statistics cannot be printed.");
    EXPECT_EQ(shown[1].text, "The printer \"Office\" cannot print pictures, so the statistics cannot be printed.");
    EXPECT_EQ(shown[2].text.rfind("The statistics could not be printed: ", 0), 0u) << shown[2].text;
    sys::dialogs::headless::Reset();
}

TEST_F(HistoryPrintTest, ThePageIsTheScreenPictureAt150PixelsAnInch) {
    printer::InstallPrinter(Printer(true));
    for (int fullScreen : {1, 0}) {
        SCOPED_TRACE(fullScreen);
        printer::Reset();
        printer::InstallPrinter(Printer(true));
        ASSERT_EQ(Reset(fullScreen), 1);
        sys::POINT origin{0, 0};
        if (fullScreen == 0) {
            ASSERT_TRUE(sys::window::ClientToScreen(window, origin));
        }
        const sys::RECT mark{origin.x + 10, origin.y + 20, origin.x + 30, origin.y + 25};
        // Pure red in the primary's own pixel format: 16-bit full screen, 32-bit desktop.
        graphics.GetPrimary()->Clear(&mark, fullScreen != 0 ? 0xF800 : 0xFF0000);
        page.PrintStats();
        const auto printed = printer::Printed();
        ASSERT_EQ(printed.size(), 1u);
        EXPECT_EQ(printed[0].printer, "Office");
        EXPECT_EQ(printed[0].document, "Stats");
        EXPECT_EQ(printed[0].settings.orientation, sys::print::kOrientationPortrait);
        EXPECT_EQ(printed[0].settings.quality, -2);
        EXPECT_EQ(printed[0].settings.dither, 2);
        const sys::print::Page& p = printed[0].page;
        ASSERT_EQ(p.width, 640);
        ASSERT_EQ(p.height, 480);
        EXPECT_EQ(p.printedWidth, 1280);
        EXPECT_EQ(p.printedHeight, 1920);
        const auto red = [](uint32_t pixel) { return (pixel & 0xF8FFFF) == 0xF80000; };
        EXPECT_TRUE(red(p.pixels[20 * 640 + 10]));
        EXPECT_TRUE(red(p.pixels[24 * 640 + 29]));
        EXPECT_EQ(p.pixels[19 * 640 + 10] & 0xFFFFFF, 0u);
    }
}

}  // namespace
