// A layout's record lists: lookups by name (any letter case) and by owner, catalog windows with
// their ids and parent, image and cache surfaces, marking and purging with id renumbering and
// the clicks that follow the new ids, and the Enter key of edit boxes.

#include <gtest/gtest.h>

#include <string>

#include "sys/window/headless/headless_window.h"
#include "tests/support/ScratchFolder.h"
#include "tests/ui/LayoutControlsTestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/widgets/SEditBox.h"

namespace {

using tarvex::test::ControlLayout;
using Lists = SLayoutResourceLists;

class LayoutResourceListsTest : public tarvex::test::LayoutControlsFixture {};

TEST_F(LayoutResourceListsTest, WidgetsAreFoundByNameAndOwnerAndLoadedFromTheCatalog) {
    AddWidget<SButton>(kKindButton, "Play", 40, 20);
    AddWidget<SSlider>(kKindSlider, "Vol", 100, 10);
    SLayoutItem first, second;
    bool created = false;

    SButton* play = layout.GetButton("play:", &first, &created);
    ASSERT_NE(play, nullptr);
    EXPECT_TRUE(created);
    EXPECT_EQ(play->GetID(), 0u);
    EXPECT_EQ(play->GetParent(), &layout);
    EXPECT_FALSE(play->IsVisible());
    EXPECT_EQ(layout.GetButton("PLAY:", &first, &created), play);
    EXPECT_FALSE(created);

    // Another item of the same name gets a window of its own.
    SButton* again = layout.GetButton("Play:", &second, &created);
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, play);
    EXPECT_EQ(again->GetID(), 1u);

    // No ":" names nothing in the catalog; an unknown entry gives nothing either.
    EXPECT_EQ(layout.GetButton("Play", &first, &created), nullptr);
    EXPECT_EQ(layout.GetButton("Nope:", &first, &created), nullptr);
    EXPECT_EQ(layout.GetButtonList().GetCount(), 2);

    SSlider* slider = layout.GetSlider("Vol:", &first, &created);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->GetID(), 1000u);
    EXPECT_EQ(layout.GetWindowsCreated(), 3);

    // Edit boxes are made, not loaded, and do not count as created windows.
    SEditBox* box = layout.GetEdit("Edit1", &first, &created);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(created);
    EXPECT_EQ(box->GetID(), 2000u);
    EXPECT_EQ(box->GetParent(), &layout);
    EXPECT_EQ(layout.GetWindowsCreated(), 3);
}

TEST_F(LayoutResourceListsTest, ImageAndCacheSurfacesShareOneList) {
    const std::string folder = tarvex::test::MakeScratchFolder("layoutlists");
    const std::string path = folder + "/pic.bmp";
    tarvex::test::WriteIndexedBmp(path, 6, 4, std::vector<uint8_t>(24, 1));
    bool created = false;

    SDXSurface* image = layout.LoadImageSurface(path.c_str(), &created);
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(created);
    EXPECT_EQ(image->GetWidth(), 6);
    EXPECT_EQ(image->GetHeight(), 4);
    EXPECT_EQ(layout.LoadImageSurface((folder + "/PIC.BMP").c_str(), &created), image);
    EXPECT_FALSE(created);
    EXPECT_EQ(layout.LoadImageSurface((folder + "/missing.bmp").c_str(), &created), nullptr);

    // An existing cache answers whatever size is asked.
    SDXSurface* cache = layout.GetCacheSurface("panel", 10, 8, &created);
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(layout.GetCacheSurface("PANEL", 20, 20, &created), cache);
    EXPECT_FALSE(created);
    EXPECT_EQ(cache->GetWidth(), 10);
    EXPECT_EQ(layout.GetSurfaceList().GetCount(), 2);

    const uint32_t generation = layout.GetSurfaceGeneration();
    EXPECT_EQ(layout.ReleaseSurfaces(), 1);
    EXPECT_TRUE(layout.GetSurfaceList().IsEmpty());
    EXPECT_NE(layout.GetSurfaceGeneration(), generation);
}

TEST_F(LayoutResourceListsTest, PurgeRenumbersTheWindowsThatStaySoClicksFollowThem) {
    for (const char* name : {"A", "B", "C"})
        AddWidget<SButton>(kKindButton, name, 10, 10);
    AddWidget<SSlider>(kKindSlider, "Vol", 100, 10);
    SLayoutItem owners[4];
    SButton* a = layout.GetButton("A:", &owners[0], nullptr);
    SButton* b = layout.GetButton("B:", &owners[1], nullptr);
    SButton* c = layout.GetButton("C:", &owners[2], nullptr);
    SSlider* vol = layout.GetSlider("Vol:", &owners[3], nullptr);
    layout.SetButtonCommand(a, "cmd a");
    layout.SetButtonCommand(c, "cmd c");
    layout.SetSliderCommand(vol, "volume");
    for (SWindow* window : {static_cast<SWindow*>(a), static_cast<SWindow*>(b), static_cast<SWindow*>(c)})
        window->SetVisible(true);

    // Unmarking frees and hides every widget.
    layout.MarkResources(false);
    EXPECT_FALSE(a->IsVisible());
    EXPECT_EQ(ControlLayout::Record(layout.GetButtonList(), 2)->m_pOwner, nullptr);

    // A new script uses A, C and the slider again; B goes and C takes its id.
    EXPECT_EQ(layout.GetButton("a:", &owners[0], nullptr), a);
    EXPECT_EQ(layout.GetButton("c:", &owners[2], nullptr), c);
    EXPECT_EQ(layout.GetSlider("vol:", &owners[3], nullptr), vol);
    EXPECT_EQ(c->GetID(), 2u);
    const int children = layout.GetChildren()->GetCount();
    layout.PurgeUnmarkedResources();
    EXPECT_EQ(layout.GetButtonList().GetCount(), 2);
    EXPECT_EQ(c->GetID(), 1u);
    EXPECT_EQ(layout.GetChildren()->GetCount(), children - 1);
    EXPECT_FALSE(layout.IsScriptLoaded());

    layout.OnNotify(1, SWindow::kNotifyClick);
    vol->SetPos(37);
    layout.OnNotify(1000, SWindow::kNotifyClick);
    layout.OnNotify(2, SWindow::kNotifyClick);  // no record there any more
    EXPECT_EQ(layout.commands, (std::vector<std::string>{"cmd c", "volume 37"}));
}

TEST_F(LayoutResourceListsTest, EnterSendsTheTypedLineOncePerPress) {
    layout.SetScript("edit(1,10,10,200,40,\"say\",\"\",nofont,0,0) edit(1,10,50,200,80,\"shout\")");
    Frame();
    auto* keep = dynamic_cast<SEditBox*>(ControlLayout::Record(layout.GetEditList(), 0)->m_pObject);
    auto* hide = dynamic_cast<SEditBox*>(ControlLayout::Record(layout.GetEditList(), 1)->m_pObject);
    ASSERT_NE(keep, nullptr);
    ASSERT_NE(hide, nullptr);
    ASSERT_TRUE(keep->IsVisible());
    keep->SetText("hello");
    hide->SetText("HEY");

    sys::window::headless::InjectKey(sys::VK_RETURN, 0x1C, true);
    EXPECT_FALSE(Lists::SendEnteredLines(layout, true));
    EXPECT_EQ(layout.commands, (std::vector<std::string>{"say hello", "shout HEY"}));
    EXPECT_EQ(layout.keyboard.back(), 1);
    EXPECT_TRUE(keep->IsVisible());
    EXPECT_FALSE(hide->IsVisible());  // hidden after its entry, text kept
    CString text;
    EXPECT_STREQ(hide->GetText(text), "HEY");

    // Held down over another frame: nothing more.
    EXPECT_FALSE(Lists::SendEnteredLines(layout, false));
    EXPECT_EQ(layout.commands.size(), 2u);
    sys::window::headless::InjectKey(sys::VK_RETURN, 0x1C, false);
    EXPECT_TRUE(Lists::SendEnteredLines(layout, false));

    // A box no item uses any more sends nothing.
    layout.MarkResources(false);
    keep->SetVisible(true);
    sys::window::headless::InjectKey(sys::VK_RETURN, 0x1C, true);
    Lists::SendEnteredLines(layout, true);
    EXPECT_EQ(layout.commands.size(), 2u);
}

}  // namespace
