// The demo Home folder as the program reads it: the catalog file written by the generator is
// loaded again with the engine's catalog, and the lookups the pages, dialogs, display manager
// and sound manager make find what they need.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "assets/AssetResourceKinds.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "sys/fs/fs.h"
#include "tests/support/ScratchFolder.h"
#include "tools/makehome/HomeSet.h"
#include "ui/widgets/SButton.h"
#include "ui/SDIB.h"
#include "ui/SDialog.h"
#include "ui/widgets/SEditBox.h"
#include "ui/widgets/SListCtrl.h"
#include "ui/widgets/SSlider.h"
#include "ui/SFont.h"
#include "ui/widgets/SMultiImage.h"
#include "ui/SScreen.h"
#include "ui/widgets/SScrollBar.h"
#include "ui/SSprite.h"
#include "ui/widgets/STextCtrl.h"

namespace {

class HomeCatalogTest : public testing::Test {
protected:
    void SetUp() override {
        // As the application does before it reads its catalog.
        RegisterAssetResourceKinds();
        m_folder = tarvex::test::MakeScratchFolder("Tools");
        HomeSet home;
        home.Build();
        std::string error;
        ASSERT_TRUE(home.WriteTo(m_folder, error)) << error;
        m_pCatalog = std::make_unique<SCatalog>((m_folder + "/Tarvex.cat").c_str());
        // As the application does: no roots, the Home folder among the search folders.
        m_pCatalog->GetSearchFolders().Add(m_folder.c_str());
        SWindow::SetResourceCatalog(m_pCatalog.get());
    }
    void TearDown() override {
        SWindow::SetResourceCatalog(nullptr);
    }

    template <class T>
    T* Layout(int nKind, const char* name, const char* file) {
        SResource* pResource = m_pCatalog->GetResource(nKind, name, file, 0);
        auto* pLayout = dynamic_cast<T*>(pResource);
        EXPECT_NE(pLayout, nullptr) << name << " / " << file;
        return pLayout;
    }
    template <class T>
    static T* Child(SWindow* pLayout, uint32_t nID) {
        auto* pChild = dynamic_cast<T*>(pLayout != nullptr ? pLayout->FindChild(nID) : nullptr);
        EXPECT_NE(pChild, nullptr) << "child " << nID;
        return pChild;
    }
    // A button with its pictures loaded (normal, checked, hover, and the switched-off one where
    // the page can switch it off), each the button's own size.
    static void ExpectButton(SWindow* pLayout, uint32_t nID, int nImages = 3) {
        SButton* pButton = Child<SButton>(pLayout, nID);
        ASSERT_NE(pButton, nullptr);
        ASSERT_EQ(pButton->GetResourceArray()->GetSize(), nImages) << nID;
        const sys::RECT& rc = pButton->GetWindowRect();
        for (int i = 0; i < nImages; ++i) {
            SResource* pImage = pButton->GetResourceArray()->GetAt(i);
            ASSERT_NE(pImage, nullptr) << nID;
            EXPECT_EQ(pImage->GetWidth(), rc.right - rc.left) << nID;
            EXPECT_EQ(pImage->GetHeight(), rc.bottom - rc.top) << nID;
        }
    }
    std::string ReadFile(const char* name) const {
        std::ifstream in(m_folder + "/" + name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string m_folder;
    std::unique_ptr<SCatalog> m_pCatalog;
};

TEST_F(HomeCatalogTest, MainMenuHasItsSixButtonsAndTheLogoKeyedAt249) {
    auto* pMenu = Layout<SScreen>(kKindScreen, "MM", "main_menu");
    ASSERT_NE(pMenu, nullptr);
    ASSERT_NE(pMenu->GetBackgroundImage(), nullptr);
    EXPECT_EQ(pMenu->GetBackgroundImage()->GetWidth(), 640);
    EXPECT_EQ(pMenu->GetBackgroundImage()->GetHeight(), 480);
    for (uint32_t nID : {10u, 30u, 40u, 50u, 60u})
        ExpectButton(pMenu, nID);
    ExpectButton(pMenu, 20, 4);
    auto* pLogo = Child<SMultiImage>(pMenu, 999);
    ASSERT_NE(pLogo, nullptr);
    auto* pImage = dynamic_cast<SDIB*>(pLogo->GetResourceArray()->GetAt(0));
    ASSERT_NE(pImage, nullptr);
    pImage->SetTransparentIndex(249);
    EXPECT_EQ(pImage->GetTransparentColor(), 0xFF00FFu);
    // The corner of the logo is transparent.
    EXPECT_EQ(*pImage->PixelAddress(0, 0), 249);
}

TEST_F(HomeCatalogTest, HelpCreditsAndThanksPagesHoldTheirControls) {
    auto* pHelp = Layout<SScreen>(kKindScreen, "h", "Help");
    for (uint32_t nID : {222u, 9019u, 9021u})
        ExpectButton(pHelp, nID);
    auto* pText = Child<STextCtrl>(pHelp, 9010);
    ASSERT_NE(pText, nullptr);
    EXPECT_NE(pText->GetFont(), nullptr);
    auto* pBar = Child<SScrollBar>(pHelp, 9020);
    ASSERT_NE(pBar, nullptr);
    int nMin = -1;
    int nMax = -1;
    pBar->GetRange(nMin, nMax);
    EXPECT_EQ(nMin, 0);
    EXPECT_EQ(nMax, 50);
    EXPECT_EQ(pBar->GetResourceArray()->GetSize(), 4);

    auto* pCredits = Layout<SScreen>(kKindScreen, "c", "Credit");
    ExpectButton(pCredits, 222);
    ExpectButton(pCredits, 333);
    auto* pThanks = Layout<SScreen>(kKindScreen, "st", "Help");
    ExpectButton(pThanks, 222);
    for (SScreen* pPage : {pCredits, pThanks}) {
        CString text;
        auto* pCreditsText = Child<STextCtrl>(pPage, 100);
        ASSERT_NE(pCreditsText, nullptr);
        EXPECT_FALSE(pCreditsText->GetText(text).IsEmpty());
    }
}

TEST_F(HomeCatalogTest, SettingsPageHasOneRadioGroupAndTheDialogArea) {
    auto* pSettings = Layout<SScreen>(kKindScreen, "", "OPTION_MENU_MAIN");
    ASSERT_NE(pSettings, nullptr);
    for (uint32_t nID : {100u, 200u, 300u, 400u, 500u}) {
        ExpectButton(pSettings, nID);
        auto* pTab = Child<SButton>(pSettings, nID);
        EXPECT_EQ(pTab->GetStyle(), SButton::kStyleGroup);
        EXPECT_EQ(pTab->GetGroup(), 1u);
    }
    ExpectButton(pSettings, 222);
    EXPECT_NE(Child<SButton>(pSettings, 1500), nullptr);
    ASSERT_NE(pSettings->FindChild(1000), nullptr);
    const sys::RECT& rcArea = pSettings->FindChild(1000)->GetWindowRect();
    EXPECT_GT(rcArea.right - rcArea.left, 300);

    // Checking one tab unchecks the others.
    auto* pGame = Child<SButton>(pSettings, 100);
    auto* pVideo = Child<SButton>(pSettings, 400);
    pGame->SetCheck(1);
    pVideo->SetCheck(1);
    EXPECT_EQ(pGame->GetCheck(), 0);
    EXPECT_EQ(pVideo->GetCheck(), 1);
}

TEST_F(HomeCatalogTest, GenericDialogsEndWithButtonsOneAndTwo) {
    auto* pYesNo = Layout<SDialog>(kKindDialog, "Generic", "YesNo");
    ASSERT_NE(pYesNo, nullptr);
    ASSERT_NE(pYesNo->GetBackgroundImage(), nullptr);
    EXPECT_NE(Child<STextCtrl>(pYesNo, 100), nullptr);
    ExpectButton(pYesNo, 1);
    ExpectButton(pYesNo, 2);

    auto* pOk = Layout<SDialog>(kKindDialog, "Generic", "OK");
    ExpectButton(pOk, 1);
    EXPECT_EQ(pOk->FindChild(2), nullptr);

    auto* pPassword = Layout<SDialog>(kKindDialog, "Generic", "Password");
    ExpectButton(pPassword, 1);
    ExpectButton(pPassword, 2);
    auto* pEdit = Child<SEditBox>(pPassword, 110);
    ASSERT_NE(pEdit, nullptr);
    EXPECT_NE(pEdit->GetFont(), nullptr);

    // A click on button 1 ends the dialog with "yes".
    pYesNo->OnNotify(1, SWindow::kNotifyClick);
    EXPECT_TRUE(pYesNo->IsDone());
    EXPECT_EQ(pYesNo->GetResult(), 1);
}

TEST_F(HomeCatalogTest, OptionDialogsFitTheSettingsAreaAndHoldTheControlsTheirClassesRead) {
    const struct {
        const char* name;
        std::vector<uint32_t> ids;
    } dialogs[] = {
        {"OMMD", {3100, 3101, 3110, 3200, 3210, 638, 77}},
        {"OMP", {3469, 3470, 3471, 3480, 4000}},
        {"OMC", {200, 250, 3600, 3601, 3300, 3530, 3540, 3560, 3570, 3580, 3590, 3700, 3709, 3710, 3711, 3719, 3720,
                 3721, 3750}},
        {"OMD", {3720, 3700, 3730, 3740, 3640, 3650, 3670, 3680, 3690, 3695}},
        {"OMS", {3840, 3841, 3842, 3819, 3830, 3820, 3800, 3810, 3850, 3860, 3870, 3880}},
    };
    auto* pSettings = Layout<SScreen>(kKindScreen, "", "OPTION_MENU_MAIN");
    ASSERT_NE(pSettings, nullptr);
    const sys::RECT rcArea = pSettings->FindChild(1000)->GetWindowRect();
    for (const auto& entry : dialogs) {
        auto* pDialog = Layout<SDialog>(kKindDialog, "OPTION_MENU_MAIN", entry.name);
        ASSERT_NE(pDialog, nullptr) << entry.name;
        EXPECT_NE(pDialog->GetBackgroundImage(), nullptr) << entry.name;
        const sys::RECT& rc = pDialog->GetWindowRect();
        EXPECT_LE(rc.right - rc.left, rcArea.right - rcArea.left) << entry.name;
        EXPECT_LE(rc.bottom - rc.top, rcArea.bottom - rcArea.top) << entry.name;
        for (uint32_t nID : entry.ids) {
            SWindow* pControl = pDialog->FindChild(nID);
            ASSERT_NE(pControl, nullptr) << entry.name << " " << nID;
            const sys::RECT& rcControl = pControl->GetWindowRect();
            EXPECT_TRUE(rcControl.left >= rc.left && rcControl.right <= rc.right && rcControl.top >= rc.top &&
                        rcControl.bottom <= rc.bottom)
                << entry.name << " " << nID;
        }
    }
    // The sensitivities keep their stored range; the 3D resolution runs from 1 to 100.
    auto* pControls = Layout<SDialog>(kKindDialog, "OPTION_MENU_MAIN", "OMC");
    EXPECT_EQ(Child<SSlider>(pControls, 3710)->GetMax(), 255);
    EXPECT_NE(Child<SListCtrl>(pControls, 200), nullptr);
    auto* pSound = Layout<SDialog>(kKindDialog, "OPTION_MENU_MAIN", "OMS");
    EXPECT_EQ(Child<SSlider>(pSound, 3860)->GetMax(), 100);
    // The two 3D choices are one group; choosing one unchecks the other.
    auto* pOff = Child<SButton>(pSound, 3819);
    auto* pSoftware = Child<SButton>(pSound, 3820);
    pOff->SetCheck(1);
    pSoftware->SetCheck(1);
    EXPECT_EQ(pOff->GetCheck(), 0);
}

TEST_F(HomeCatalogTest, FontsCursorAndSoundsAreWhereTheProgramLooks) {
    for (const char* name : {"Master", "Text"}) {
        auto* pFont = dynamic_cast<SFont*>(m_pCatalog->GetResource(kKindFont, name, "", 0));
        ASSERT_NE(pFont, nullptr) << name;
        EXPECT_EQ(pFont->GetLineHeight(), 22);
        EXPECT_GT(pFont->GetTextExtent("Tarvex", -1).cx, 0);
    }
    auto* pCursor = dynamic_cast<SSprite*>(m_pCatalog->GetResource(kKindSprite, "Cursor", "HuntHand", 0));
    ASSERT_NE(pCursor, nullptr);
    ASSERT_EQ(pCursor->GetFrameCount(), 1);
    EXPECT_GT(pCursor->GetWidthSum(), 0u);
    EXPECT_GT(pCursor->GetHeightSum(), 0u);
    EXPECT_TRUE(std::filesystem::exists(m_folder + "/Graphics/" + pCursor->GetFrame(0)->GetFileName().str()));

    // The interface sounds, the menus' music and the main menu's male voice-overs.
    const std::pair<const char*, const char*> sounds[] = {
        {"Interface", "mouse_over"},         {"Interface", "interface_click"},
        {"Interface", "interface_button"},   {"Interface", "interface_open"},
        {"Interface", "interface_close"},    {"Interface", "cube_turn"},
        {"Interface", "cop_training"},       {"VoiceMale", "vo-m1-start-welcomea"},
        {"VoiceMale", "vo-m1-start-computera"}, {"VoiceMale", "vo-m1-start-huntinga"}};
    for (const auto& [group, name] : sounds) {
        SCatalogItem* pItem = m_pCatalog->FindItem(group, name, kKindSound);
        ASSERT_NE(pItem, nullptr) << name;
        EXPECT_EQ(pItem->GetKind(), static_cast<uint32_t>(kKindSound));
        // The path is written the data's way; the file layer maps it.
        EXPECT_TRUE(sys::fs::Exists(pItem->GetFullPath(true, true, true).str())) << name;
    }
    EXPECT_TRUE(std::filesystem::exists(m_folder + "/splash.wav"));
}

TEST_F(HomeCatalogTest, TextFilesAreThereAndTheHelpScrolls) {
    const std::string help = ReadFile("help.sss");
    EXPECT_GE(std::count(help.begin(), help.end(), '\n'), 40);
    const std::string commands = ReadFile("defcmds.cfg");
    std::istringstream lines(commands);
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(line.rfind("--", 0) == 0 || line.rfind("bind ", 0) == 0) << line;
    EXPECT_TRUE(std::filesystem::exists(m_folder + "/splash.bmp"));
}

TEST_F(HomeCatalogTest, EveryRunWritesTheSameBytes) {
    HomeSet again;
    again.Build();
    const std::string second = tarvex::test::MakeScratchFolder("ToolsAgain");
    std::string error;
    ASSERT_TRUE(again.WriteTo(second, error)) << error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_folder)) {
        if (!entry.is_regular_file())
            continue;
        const auto relative = std::filesystem::relative(entry.path(), m_folder);
        std::ifstream a(entry.path(), std::ios::binary);
        std::ifstream b(std::filesystem::path(second) / relative, std::ios::binary);
        std::stringstream sa;
        std::stringstream sb;
        sa << a.rdbuf();
        sb << b.rdbuf();
        EXPECT_EQ(sa.str(), sb.str()) << relative;
    }
}

}  // namespace
