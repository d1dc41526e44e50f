// The option dialog base: its layout fetched from the catalog and centred, the slide in from
// the right with the end seen at a step, latched at a draw and handled at the next update, the
// quit message inside the modal loop, and the "Generic" dialogs made through the factory.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "dx/display/SGraphics.h"
#include "frontend/dialogs/STransparantDialog.h"
#include "sys/profile.h"
#include "sys/time/time.h"
#include "sys/window/window.h"
#include "tests/app/ConfigTestSupport.h"
#include "tests/dx/display/VideoTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "ui/SDC.h"

namespace {

namespace fs = std::filesystem;

class OptionDialogTest : public tarvex::test::VideoTest {
protected:
    void SetUp() override {
        VideoTest::SetUp();
        const std::string folder = tarvex::test::MakeScratchFolder("OptionDialog");
        sys::profile::SetFile(folder + "/profile.ini");
        fs::create_directory(folder + "/Home");
        fs::current_path(folder);
        hub = new SGameObjects;
        sys::time::SetFakeTicks(0);
        SWindow::SetResourceCatalog(&catalog);
    }
    void TearDown() override {
        SWindow::SetResourceCatalog(nullptr);
        delete hub;
        VideoTest::TearDown();
    }

    // A catalog dialog layout "Generic":name of the width and height at the top-left corner.
    SDialog* AddLayout(const char* name, int width, int height) {
        auto* layout = new SDialog;
        layout->Create(nullptr, "", 0, sys::RECT{0, 0, width, height}, nullptr, 0, nullptr);
        auto* item = new SCatalogItem(STransparantDialog::kDialogsKind, "Generic", name, "");
        item->SetResource(layout);
        catalog.AddItem(item);
        return layout;
    }

    tarvex::test::TestEnvironmentGuard guard;
    SGameObjects* hub = nullptr;
    SCatalog catalog;
};

TEST_F(OptionDialogTest, TheLayoutIsCentredInTheMenuScreen) {
    SDialog* narrow = AddLayout("Narrow", 300, 100);
    SDialog* wide = AddLayout("Wide", 301, 101);
    STransparantDialog first("Generic", "Narrow", hub);
    STransparantDialog second("Generic", "Wide", hub);
    ASSERT_EQ(first.GetLayout(), narrow);
    ASSERT_EQ(second.GetLayout(), wide);
    EXPECT_EQ(narrow->GetParent(), &first);

    first.Prepare(0);
    second.Prepare(0);
    EXPECT_EQ(narrow->GetWindowRect(), (sys::RECT{170, 190, 470, 290}));
    EXPECT_EQ(wide->GetWindowRect(), (sys::RECT{170, 190, 471, 291}));
    EXPECT_TRUE(first.IsVisible());
    // Without a background image the dialog keeps the contexts it had.
    EXPECT_EQ(first.GetBackgroundDC(), nullptr);
    EXPECT_EQ(first.GetOwnDC(), nullptr);

    // The window may show the picture at another size; the layout stays centred in the picture.
    const sys::RECT small{0, 0, 200, 100};
    ASSERT_NE(sys::window::CreateWindow("Tarvex", 0, &small, sys::window::DefWindowProc), nullptr);
    SGraphics display;
    hub->m_pGraphics = &display;
    first.Prepare(0);
    EXPECT_EQ(narrow->GetWindowRect(), (sys::RECT{170, 190, 470, 290}));
    hub->m_pGraphics = nullptr;
    sys::window::DestroyWindow(sys::window::GetMainWindow());

    first.SetExplicitRect(sys::RECT{10, 20, 310, 120});
    first.Prepare(0);
    EXPECT_EQ(narrow->GetWindowRect(), (sys::RECT{10, 20, 310, 120}));
}

TEST_F(OptionDialogTest, TheLayoutSlidesInFromTheRightAndItsEndIsLatchedThenHandled) {
    SDialog* layout = AddLayout("YesNo", 300, 100);
    STransparantDialog dialog("Generic", "YesNo", hub);
    dialog.Prepare(0);
    dialog.StartSlide(1);
    EXPECT_EQ(layout->GetWindowRect().left, 170 + 640);

    sys::time::SetFakeTicks(125);
    dialog.Update();
    EXPECT_EQ(layout->GetWindowRect().left, 170 - 320 + 640);
    EXPECT_FALSE(dialog.IsSlideFinished());

    sys::time::SetFakeTicks(260);
    dialog.Update();
    EXPECT_EQ(layout->GetWindowRect().left, 170);
    EXPECT_TRUE(dialog.IsSlideFinished());
    EXPECT_FALSE(dialog.IsSlideLatched());
    SDC dc;
    dialog.Draw(&dc);
    EXPECT_TRUE(dialog.IsSlideLatched());
    dialog.Update();  // the slide-done step; the layout stays put
    EXPECT_EQ(layout->GetWindowRect().left, 170);
}

TEST_F(OptionDialogTest, AQuitInsideTheModalLoopCancelsAndIsPostedAgain) {
    AddLayout("OK", 200, 80);
    STransparantDialog dialog("Generic", "OK", hub);
    sys::window::PostQuitMessage(7);
    SDC dc;
    EXPECT_EQ(dialog.DoModal(&dc), STransparantDialog::kCancel);
    sys::MSG msg;
    ASSERT_TRUE(sys::window::PeekMessage(msg, nullptr, 0, 0, sys::PM_REMOVE));
    EXPECT_EQ(msg.message, sys::WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(dialog.GetParent(), nullptr);
}

TEST_F(OptionDialogTest, EscapeEndsTheModalDialogWithTwo) {
    AddLayout("OK", 200, 80);
    STransparantDialog dialog("Generic", "OK", hub);
    sys::window::PostMessage(nullptr, sys::WM_KEYDOWN, sys::VK_ESCAPE, 0);
    SDC dc;
    EXPECT_EQ(dialog.DoModal(&dc), 2);
}

TEST_F(OptionDialogTest, InTheModalLoopTheFirstButtonAnswersAndNothingReachesThePageBehind) {
    // Text 100 over Yes (1) and No (2), all relative to the layout, which is centred at (170, 190).
    SDialog* layout = AddLayout("YesNo", 300, 100);
    for (auto [id, rc] : {std::pair{100u, sys::RECT{10, 10, 290, 50}}, {1u, sys::RECT{10, 60, 100, 90}},
                          {2u, sys::RECT{110, 60, 200, 90}}})
        (new SWindow)->Create(nullptr, "", 0, rc, layout, id, nullptr);
    struct Page : SWindow {
        void OnNotify(uint32_t nID, int32_t) override { notified.push_back(nID); }
        void OnLButtonUp(uint32_t, int, int) override { notified.push_back(0); }
        std::vector<uint32_t> notified;
    } page;
    STransparantDialog dialog("Generic", "YesNo", hub);
    dialog.SetParent(&page);
    for (auto [x, y] : {std::pair{320, 220}, {225, 265}, {325, 265}}) {
        const auto at = static_cast<intptr_t>(static_cast<uint32_t>(x) | (static_cast<uint32_t>(y) << 16));
        sys::window::PostMessage(nullptr, sys::WM_LBUTTONDOWN, 0, at);
        sys::window::PostMessage(nullptr, sys::WM_LBUTTONUP, 0, at);
    }
    SDC dc;
    EXPECT_EQ(dialog.DoModal(&dc), 1);
    EXPECT_TRUE(page.notified.empty());
    // The click on No is left for whoever runs next.
    sys::MSG msg;
    EXPECT_TRUE(sys::window::PeekMessage(msg, nullptr, 0, 0, sys::PM_NOREMOVE));
}

TEST_F(OptionDialogTest, TheFactoryMakesGenericDialogsOnlyFromLayoutsThatExist) {
    SDialog* layout = AddLayout("YesNo", 300, 100);
    STransparantDialogFactory factory(hub);
    EXPECT_EQ(factory.CreateDialog("Generic", "Password"), nullptr);
    SDialog* made = factory.CreateDialog("Generic", "YesNo");
    ASSERT_NE(made, nullptr);
    auto* dialog = dynamic_cast<STransparantDialog*>(made);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetLayout(), layout);
    delete made;
    EXPECT_EQ(layout->GetParent(), nullptr);  // given back to the catalog
}

}  // namespace
