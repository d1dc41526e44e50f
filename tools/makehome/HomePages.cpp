// The layouts of the demo Home folder: the five menu pages the front end shows and the three
// message dialogs of the display manager. Control ids are the ones the pages and dialogs look
// for; every picture sits at its own size, because windows draw their images into their own
// rectangles.

#include <cstdint>
#include <string>

#include "core/SResource.h"
#include "tools/makehome/HomeArt.h"
#include "tools/makehome/HomeSet.h"
#include "tools/makehome/HomeTexts.h"
#include "ui/widgets/SButton.h"
#include "ui/SDialog.h"
#include "ui/widgets/SEditBox.h"
#include "ui/widgets/SMultiImage.h"
#include "ui/SScreen.h"
#include "ui/widgets/SScrollBar.h"
#include "ui/widgets/STextCtrl.h"

namespace {

constexpr HomeRect kPage{0, 0, 640, 480};
constexpr HomeRect kDialog{0, 0, 400, 180};
constexpr uint32_t kTitleId = 900;
constexpr uint32_t kTextId = 100;
constexpr int kSmallWidth = 160;
constexpr int kSmallHeight = 30;
constexpr int kBottomRow = 418;
constexpr int kArrowSize = 20;

sys::RECT ToRect(const HomeRect& rc) { return sys::RECT{rc.left, rc.top, rc.right, rc.bottom}; }

// A new window of class T inside the parent (whose corner is the origin of every layout).
template <class T>
T* AddWindow(SWindow* pParent, uint32_t nID, const HomeRect& rc, uint32_t dwStyle = 0, const std::string& text = "") {
    auto* pWindow = new T;
    pWindow->Create(nullptr, text.c_str(), dwStyle, ToRect(rc), pParent, nID, nullptr);
    return pWindow;
}

template <class T>
T* NewLayout(const HomeRect& rc, const std::string& background) {
    auto* pLayout = new T;
    pLayout->Create(nullptr, "", 0, ToRect(rc), nullptr, 0, nullptr);
    // The only entry: the layout's screen gives entries 1 to 6 to the interface sounds.
    pLayout->AddResourceName(("id;" + background).c_str());
    return pLayout;
}

void NameButtonImages(SWindow* pButton, const std::string& key) {
    for (const char* suffix : {"_n", "_c", "_h"})
        pButton->AddResourceName(("id;" + key + suffix).c_str());
}

HomeRect Sized(int x, int y, int nWidth, int nHeight) { return HomeRect{x, y, x + nWidth, y + nHeight}; }

}  // namespace

void HomeSet::AddTitle(SWindow* pLayout, const std::string& key, const std::string& text) {
    const HomeCanvas title = home_art::Title(m_Glyphs, text);
    AddPicture(key, title);
    auto* pTitle = AddWindow<SMultiImage>(pLayout, kTitleId,
                                          Sized((kPage.Width() - title.Width()) / 2, 30, title.Width(), title.Height()));
    pTitle->AddResourceName(("id;" + key).c_str());
}

void HomeSet::AddMainMenu() {
    auto* pLayout = NewLayout<SScreen>(kPage, "bg_page");
    const HomeCanvas logo = home_art::Logo(m_Glyphs);
    AddPicture("menu_logo", logo);
    auto* pLogo = AddWindow<SMultiImage>(pLayout, 999, Sized((kPage.Width() - logo.Width()) / 2, 36, logo.Width(),
                                                             logo.Height()));
    pLogo->AddResourceName("id;menu_logo");

    struct Row {
        uint32_t id;
        const char* key;
        const char* label;
    };
    const Row rows[] = {{10, "btn_create", "Create Officer"}, {20, "btn_choose", "Choose Officer"},
                        {30, "btn_settings", "Settings"},     {40, "btn_help", "Help"},
                        {50, "btn_credits", "Credits"},       {60, "btn_quit", "Quit"}};
    constexpr int kWidth = 240;
    constexpr int kHeight = 36;
    int y = 172;
    // The page switches "Choose Officer" off while there is no officer to choose; a fourth
    // picture shows it greyed then.
    constexpr uint32_t kChooseId = 20;
    for (const Row& row : rows) {
        const bool bDisabled = row.id == kChooseId;
        AddButtonPictures(row.key, row.label, kWidth, kHeight, bDisabled);
        auto* pButton = AddWindow<SButton>(pLayout, row.id, Sized((kPage.Width() - kWidth) / 2, y, kWidth, kHeight), 0,
                                           row.label);
        NameButtonImages(pButton, row.key);
        if (bDisabled)
            pButton->AddResourceName(("id;" + std::string(row.key) + "_d").c_str());
        y += kHeight + 10;
    }
    AddLayout(kKindScreen, "MM", "main_menu", pLayout);
}

void HomeSet::AddHelpPage() {
    auto* pLayout = NewLayout<SScreen>(kPage, "bg_text");
    AddTitle(pLayout, "title_help", "HELP");
    const HomeRect& panel = home_art::kTextPanel;
    const int nBarLeft = panel.right - 30;
    // Whole lines only: the text is cut at the control's bottom edge, so a line that did not
    // fit would show half of itself.
    const int nLines = (panel.Height() - 24) / HomeFontCellHeight(HomeSet::kFontScale);
    auto* pText = AddWindow<STextCtrl>(pLayout, 9010, HomeRect{panel.left + 16, panel.top + 12, nBarLeft - 12,
                                                               panel.top + 12 + nLines * HomeFontCellHeight(HomeSet::kFontScale)});
    pText->AddResourceName("id;Text");

    // The bar's arrow parts are as long as its arrow images; the two arrow buttons lie over
    // them, so a click there scrolls through the page's own buttons.
    const HomeRect bar{nBarLeft, panel.top + 12, nBarLeft + kArrowSize, panel.bottom - 12};
    AddPicture("scroll_track", home_art::ScrollTrack(bar.Width(), bar.Height()));
    AddPicture("scroll_thumb", home_art::ScrollThumb(kArrowSize, 24));
    AddArrowPictures("arrow_up", kArrowSize, true);
    AddArrowPictures("arrow_down", kArrowSize, false);
    auto* pBar = AddWindow<SScrollBar>(pLayout, 9020, bar, SScrollBar::kStyleVertical);
    for (const char* name : {"id;scroll_track", "id;scroll_thumb", "id;arrow_down_c", "id;arrow_up_c"})
        pBar->AddResourceName(name);
    pBar->SetRange(0, 50);
    auto* pUp = AddWindow<SButton>(pLayout, 9019, Sized(bar.left, bar.top, kArrowSize, kArrowSize));
    NameButtonImages(pUp, "arrow_up");
    auto* pDown = AddWindow<SButton>(pLayout, 9021, Sized(bar.left, bar.bottom - kArrowSize, kArrowSize, kArrowSize));
    NameButtonImages(pDown, "arrow_down");

    AddButtonPictures("btn_back", "Back", kSmallWidth, kSmallHeight);
    auto* pBack = AddWindow<SButton>(pLayout, 222, Sized((kPage.Width() - kSmallWidth) / 2, kBottomRow, kSmallWidth,
                                                          kSmallHeight), 0, "Back");
    NameButtonImages(pBack, "btn_back");
    AddLayout(kKindScreen, "h", "Help", pLayout);
}

SScreen* HomeSet::NewTextPage(const std::string& titleKey, const std::string& title, const char* text) {
    auto* pLayout = NewLayout<SScreen>(kPage, "bg_text");
    AddTitle(pLayout, titleKey, title);
    const HomeRect& panel = home_art::kTextPanel;
    auto* pText = AddWindow<STextCtrl>(pLayout, kTextId,
                                       HomeRect{panel.left + 16, panel.top + 24, panel.right - 16, panel.bottom - 12},
                                       STextCtrl::kStyleCentre, text);
    pText->AddResourceName("id;Text");
    return pLayout;
}

void HomeSet::AddCreditsPage() {
    SScreen* pLayout = NewTextPage("title_credits", "CREDITS", home_texts::kCredits);
    constexpr int kWide = 190;
    AddButtonPictures("btn_mainmenu", "Main Menu", kWide, kSmallHeight);
    AddButtonPictures("btn_thanks", "Special Thanks", kWide, kSmallHeight);
    auto* pBack = AddWindow<SButton>(pLayout, 222, Sized(kPage.Width() / 2 - 10 - kWide, kBottomRow, kWide,
                                                          kSmallHeight), 0, "Main Menu");
    NameButtonImages(pBack, "btn_mainmenu");
    auto* pThanks = AddWindow<SButton>(pLayout, 333, Sized(kPage.Width() / 2 + 10, kBottomRow, kWide, kSmallHeight), 0,
                                       "Special Thanks");
    NameButtonImages(pThanks, "btn_thanks");
    AddLayout(kKindScreen, "c", "Credit", pLayout);
}

void HomeSet::AddThanksPage() {
    SScreen* pLayout = NewTextPage("title_thanks", "SPECIAL THANKS", home_texts::kThanks);
    // The Back button's pictures were made for the help page.
    auto* pBack = AddWindow<SButton>(pLayout, 222, Sized((kPage.Width() - kSmallWidth) / 2, kBottomRow, kSmallWidth,
                                                          kSmallHeight), 0, "Back");
    NameButtonImages(pBack, "btn_back");
    AddLayout(kKindScreen, "st", "Help", pLayout);
}

void HomeSet::AddSettingsPage() {
    auto* pLayout = NewLayout<SScreen>(kPage, "bg_page");
    AddTitle(pLayout, "title_settings", "SETTINGS");
    struct Row {
        uint32_t id;
        const char* key;
        const char* label;
    };
    const Row rows[] = {{100, "tab_game", "Game"},
                        {200, "tab_performance", "Performance"},
                        {300, "tab_controls", "Controls"},
                        {400, "tab_video", "Video"},
                        {500, "tab_sound", "Sound"}};
    constexpr int kWidth = 156;
    constexpr int kHeight = 34;
    constexpr int kLeft = 36;
    constexpr uint32_t kRadioGroup = 1;
    // The option dialogs appear in the area right of the choice buttons.
    const HomeRect area{204, 92, 600, 424};
    int y = area.top + 4;
    for (const Row& row : rows) {
        AddButtonPictures(row.key, row.label, kWidth, kHeight);
        auto* pTab = AddWindow<SButton>(pLayout, row.id, Sized(kLeft, y, kWidth, kHeight), SButton::kStyleGroup,
                                        row.label);
        pTab->SetGroup(kRadioGroup);
        NameButtonImages(pTab, row.key);
        y += kHeight + 8;
    }
    AddWindow<SWindow>(pLayout, 1000, area);
    AddButtonPictures("btn_back_tall", "Back", kWidth, kHeight);
    auto* pBack = AddWindow<SButton>(pLayout, 222, Sized(kLeft, area.bottom - kHeight, kWidth, kHeight), 0, "Back");
    NameButtonImages(pBack, "btn_back_tall");
    // The page unchecks this button when it is left, but nothing on the page ever uses its
    // state; it is kept empty and out of reach so the player meets no button that does nothing.
    AddWindow<SButton>(pLayout, 1500, HomeRect{}, SButton::kStyleToggle);
    AddLayout(kKindScreen, "", "OPTION_MENU_MAIN", pLayout);
}

void HomeSet::AddDialogs() {
    constexpr int kWidth = 120;
    constexpr int kHeight = 32;
    constexpr int kRow = 128;
    const HomeRect field{60, 78, 340, 106};
    AddPicture("dlg_panel", home_art::DialogPanel(kDialog.Width(), kDialog.Height()));
    AddPicture("dlg_field", home_art::EntryField(field.Width(), field.Height()));
    AddButtonPictures("btn_yes", "Yes", kWidth, kHeight);
    AddButtonPictures("btn_no", "No", kWidth, kHeight);
    AddButtonPictures("btn_ok", "OK", kWidth, kHeight);
    AddButtonPictures("btn_cancel", "Cancel", kWidth, kHeight);

    // Button 1 ends a dialog with "yes" (or OK), button 2 with "no" (or Cancel).
    auto addButton = [&](SDialog* pDialog, uint32_t nID, int x, const char* key, const char* label) {
        NameButtonImages(AddWindow<SButton>(pDialog, nID, Sized(x, kRow, kWidth, kHeight), 0, label), key);
    };
    auto addText = [&](SDialog* pDialog, const HomeRect& rc) {
        AddWindow<STextCtrl>(pDialog, kTextId, rc, STextCtrl::kStyleCentre)->AddResourceName("id;Master");
    };

    auto* pYesNo = NewLayout<SDialog>(kDialog, "dlg_panel");
    addText(pYesNo, HomeRect{20, 20, 380, 118});
    addButton(pYesNo, 1, 70, "btn_yes", "Yes");
    addButton(pYesNo, 2, 210, "btn_no", "No");
    AddLayout(kKindDialog, "Generic", "YesNo", pYesNo);

    auto* pOk = NewLayout<SDialog>(kDialog, "dlg_panel");
    addText(pOk, HomeRect{20, 20, 380, 118});
    addButton(pOk, 1, (kDialog.Width() - kWidth) / 2, "btn_ok", "OK");
    AddLayout(kKindDialog, "Generic", "OK", pOk);

    auto* pPassword = NewLayout<SDialog>(kDialog, "dlg_panel");
    addText(pPassword, HomeRect{20, 14, 380, 74});
    // The field is a picture of its own under the edit box, which draws no background.
    AddWindow<SMultiImage>(pPassword, 120, field)->AddResourceName("id;dlg_field");
    auto* pEdit = AddWindow<SEditBox>(pPassword, 110, HomeRect{field.left + 6, field.top + 4, field.right - 6,
                                                              field.bottom - 2});
    pEdit->AddResourceName("id;Master");
    addButton(pPassword, 1, 70, "btn_ok", "OK");
    addButton(pPassword, 2, 210, "btn_cancel", "Cancel");
    AddLayout(kKindDialog, "Generic", "Password", pPassword);
}
