// The control and builder items of layout scripts: buttons placed in their block and hidden
// when partly outside, slider placeholders, ranges and commands, edit boxes shown by their
// trigger, and buttons, fonts and sprites built from files.

#include <gtest/gtest.h>

#include <string>

#include "core/SResourceFactory.h"
#include "sys/window/headless/headless_window.h"
#include "tests/support/ScratchFolder.h"
#include "tests/ui/LayoutControlsTestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/widgets/SEditBox.h"
#include "ui/SFont.h"
#include "ui/SFrame.h"
#include "ui/SSprite.h"

namespace {

using tarvex::test::ControlLayout;

class LayoutControlsTest : public tarvex::test::LayoutControlsFixture {
protected:
    template <class T>
    T* Object(SLayoutResList& list, int index) {
        SLayoutRes* record = ControlLayout::Record(list, index);
        return record != nullptr ? dynamic_cast<T*>(record->m_pObject) : nullptr;
    }
};

TEST_F(LayoutControlsTest, AButtonFollowsItsBlockAndIsHiddenWhilePartlyOutside) {
    SButton* play = AddWidget<SButton>(kKindButton, "Play", 40, 20);
    layout.variables["ox"] = 0;
    layout.SetScript("group(100,50,300,250,ox) button(\"Play:\",170,20,\"go\",\"Start\",1) endgroup"
                     " button(\"Gone:\",5,6)");
    Frame();
    EXPECT_EQ(layout.windowsCreatedCalls, 1);
    EXPECT_EQ(play->GetWindowRect(), (sys::RECT{270, 70, 310, 90}));
    EXPECT_FALSE(play->IsVisible());
    EXPECT_FALSE(play->GetSoundFlag());  // quiet
    // A missing button shows its name where the script put it, not moved by any block.
    EXPECT_TRUE(Drew("text 5,6 Gone:"));

    layout.variables["ox"] = -20;
    Frame();
    EXPECT_EQ(play->GetWindowRect(), (sys::RECT{250, 70, 290, 90}));
    EXPECT_TRUE(play->IsVisible());
    layout.OnNotify(play->GetID(), SWindow::kNotifyClick);
    EXPECT_EQ(layout.commands, std::vector<std::string>{"go"});
}

TEST_F(LayoutControlsTest, SlidersSpanTheirWidthOrShowAPlaceholder) {
    SSlider* vol = AddWidget<SSlider>(kKindSlider, "Vol", 10, 10);
    layout.SetScript("group(0,0,300,300) slider(\"Vol:\",10,20,110,30,\"volume\",5,255,12,200)"
                     " slider(\"None:\",0,100,50,110,\"x\",0,1,2,3) slider(\"Nine:\",0,200,9,209,\"x\",0,1,2) endgroup");
    Frame();
    EXPECT_EQ(vol->GetWindowRect(), (sys::RECT{10, 20, 110, 30}));
    EXPECT_EQ(vol->GetMin(), 0);
    EXPECT_EQ(vol->GetMax(), 100);
    EXPECT_EQ(vol->GetExtra(), 12);
    EXPECT_TRUE(vol->IsVisible());
    EXPECT_TRUE(Drew("rect 0,100,50,110"));
    EXPECT_TRUE(Drew("text 0,100 None:"));
    EXPECT_FALSE(Drew("text 0,200 Nine:"));

    vol->SetPos(40);
    layout.OnNotify(vol->GetID(), SWindow::kNotifyClick);
    EXPECT_EQ(layout.commands, std::vector<std::string>{"volume 40"});
}

TEST_F(LayoutControlsTest, AnEditBoxIsShownEmptyByItsTriggerAndTurnsGameKeysOff) {
    layout.variables["typing"] = 0;
    layout.SetScript("group(0,0,640,480) edit(typing,10,400,210,420,\"say\",\"> \") endgroup");
    Frame();
    auto* box = Object<SEditBox>(layout.GetEditList(), 0);
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->IsVisible());
    box->SetText("stale");
    Frame();
    EXPECT_FALSE(box->IsVisible());
    EXPECT_EQ(layout.keyboard, std::vector<int>{1});

    layout.variables["typing"] = 1;
    Frame();
    EXPECT_TRUE(box->IsVisible());
    CString text;
    EXPECT_STREQ(box->GetText(text), "");
    EXPECT_EQ(box->GetWindowRect(), (sys::RECT{10, 400, 210, 420}));
    EXPECT_EQ(SWindow::GetFocus(), box);
    EXPECT_EQ(layout.keyboard.back(), 0);
    EXPECT_STREQ(box->GetPrefix(), "> ");
    EXPECT_TRUE(box->IsMultiLine());

    box->SetText("hello");
    sys::window::headless::InjectKey(sys::VK_RETURN, 0x1C, true);
    SLayoutResourceLists::SendEnteredLines(layout, true);
    sys::window::headless::InjectKey(sys::VK_RETURN, 0x1C, false);
    EXPECT_EQ(layout.commands, std::vector<std::string>{"say hello"});
    EXPECT_FALSE(box->IsVisible());
    // Still triggered: it comes back empty on the next frame.
    Frame();
    EXPECT_TRUE(box->IsVisible());
    EXPECT_STREQ(box->GetText(text), "");
}

TEST_F(LayoutControlsTest, KeywordsWithoutRegardToCaseAndTheRefreshRule) {
    layout.SetScript("BUTTON(a,1,2) sliderr(a) Edit(1) makefontr(f) MakeSlider");
    SLayoutGroup* root = layout.Root();
    EXPECT_NE(dynamic_cast<SLayoutItemButton*>(ControlLayout::ItemAt(root, 0)), nullptr);
    auto* slider = dynamic_cast<SLayoutItemSlider*>(ControlLayout::ItemAt(root, 1));
    ASSERT_NE(slider, nullptr);
    EXPECT_TRUE(slider->GetRefreshFlag());
    EXPECT_NE(dynamic_cast<SLayoutItemEdit*>(ControlLayout::ItemAt(root, 2)), nullptr);
    auto* font = dynamic_cast<SLayoutItemMake*>(ControlLayout::ItemAt(root, 3));
    auto* slider2 = dynamic_cast<SLayoutItemMake*>(ControlLayout::ItemAt(root, 4));
    ASSERT_NE(font, nullptr);
    ASSERT_NE(slider2, nullptr);
    EXPECT_EQ(font->GetKind(), SLayoutItemMake::kMakeFont);
    EXPECT_EQ(slider2->GetKind(), SLayoutItemMake::kMakeSlider);
    EXPECT_TRUE(layout.offered.empty());
}

class LayoutBuildersTest : public LayoutControlsTest {
protected:
    void SetUp() override {
        LayoutControlsTest::SetUp();
        RegisterImageResourceKinds();
        folder = tarvex::test::MakeScratchFolder("layoutbuilders");
    }
    void TearDown() override {
        SResourceFactory::RegisterKind(kKindImage, nullptr);
        LayoutControlsTest::TearDown();
    }
    std::string folder;
};

TEST_F(LayoutBuildersTest, ABuiltButtonGetsItsPlaceInTheListAtOnce) {
    for (const char* name : {"up", "down", "over"})
        tarvex::test::WriteIndexedBmp(folder + "/" + name + ".bmp", 30, 12, std::vector<uint8_t>(360, 1));
    AddWidget<SButton>(kKindButton, "Play", 40, 20);
    const std::string dir = "\"" + folder + "/";
    // Built on a later frame than the script's first, whose purge numbers every window anew.
    layout.variables["ready"] = 0;
    layout.SetScript(("button(\"Play:\",0,0,\"play\") if(ready) makebutton(\"Go\"," + dir + "up.bmp\"," + dir +
                      "down.bmp\"," + dir + "over.bmp\") button(\"go\",5,5,\"start\") endif")
                         .c_str());
    Frame();
    layout.variables["ready"] = 1;
    Frame();
    auto* go = Object<SButton>(layout.GetButtonList(), 1);
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(go->GetResourceArray()->GetSize(), 3);
    EXPECT_EQ(go->GetID(), 1u);
    EXPECT_EQ(go->GetParent(), &layout);
    EXPECT_EQ(layout.windowsCreatedCalls, 2);
    EXPECT_EQ(go->GetWindowRect(), (sys::RECT{5, 5, 35, 17}));
    EXPECT_TRUE(go->IsVisible());
    // Its id names its own record, so its click is its own command.
    layout.OnNotify(go->GetID(), SWindow::kNotifyClick);
    EXPECT_EQ(layout.commands, std::vector<std::string>{"start"});
}

TEST_F(LayoutBuildersTest, ABuiltFontIsMeasuredInItsOwnColumnsAndTakesOnlyWideSpacing) {
    // 16 columns of 8 x 10 cells: read in the default 8 columns the cells would be 16 wide.
    tarvex::test::WriteGlyphSheet(folder + "/sheet.bmp", 16, 8, 10, [](int) { return 3; });
    const std::string sheet = "\"" + folder + "/sheet.bmp\"";
    layout.SetScript(("makefont(\"Wide\"," + sheet + ",255,0,255,16,11) makefont(\"Tight\"," + sheet +
                      ",0,0,0,16,10) makefont(\"Lost\",\"" + folder + "/none.bmp\")")
                         .c_str());
    Frame();
    SFont* wide = layout.LoadResourceAlt("wide", nullptr);
    SFont* tight = layout.LoadResourceAlt("Tight", nullptr);
    ASSERT_NE(wide, nullptr);
    ASSERT_NE(tight, nullptr);
    EXPECT_EQ(wide->GetColumns(), 16);
    EXPECT_EQ(wide->GetCellWidth(), 8);
    EXPECT_EQ(wide->GetCharSpacing(), 11);
    EXPECT_EQ(tight->GetCharSpacing(), 0);
    EXPECT_EQ(layout.GetFontList().GetCount(), 2);  // no record for a font that was not found
}

TEST_F(LayoutBuildersTest, ABuiltSpriteHasAFramePerFile) {
    tarvex::test::WriteIndexedBmp(folder + "/f1.bmp", 6, 4, std::vector<uint8_t>(24, 2));
    layout.SetScript(("makesprite(\"Spin\",3,4,0,0,0,\"" + folder + "/f1.bmp\",\"" + folder + "/gone.bmp\")").c_str());
    Frame();
    SSprite* spin = layout.LoadResource("SPIN", nullptr);
    ASSERT_NE(spin, nullptr);
    ASSERT_EQ(spin->GetFrameCount(), 2);
    EXPECT_EQ(spin->GetFrame(0)->GetFrameRect(), (sys::RECT{0, 0, 6, 4}));
    EXPECT_EQ(spin->GetFrame(0)->GetHotSpot(), (sys::POINT{3, 4}));
    EXPECT_EQ(spin->GetFrame(1)->GetFileName(), CString());
}

}  // namespace
