// The layouts of the settings page's five option dialogs in the demo Home folder: game options,
// performance, controls, video and sound. Each fills the page's dialog area, and its control
// ids are the ones its dialog class looks for. Check boxes are toggle buttons whose checked
// picture shows them on; radio buttons of one choice share a group of their own; buttons that
// cycle through values draw their text.

#include <cstdint>
#include <string>

#include "core/SResource.h"
#include "tools/makehome/HomeArt.h"
#include "tools/makehome/HomeSet.h"
#include "ui/SDialog.h"
#include "ui/widgets/SButton.h"
#include "ui/widgets/SListCtrl.h"
#include "ui/widgets/SMultiImage.h"
#include "ui/widgets/SScrollBar.h"
#include "ui/widgets/SSlider.h"
#include "ui/widgets/STextCtrl.h"

namespace {

// The settings page's dialog area.
constexpr HomeRect kPanel{0, 0, 396, 332};
constexpr const char* kGroup = "OPTION_MENU_MAIN";
constexpr int kLine = 24;
constexpr int kStep = 20;

sys::RECT ToRect(const HomeRect& rc) { return sys::RECT{rc.left, rc.top, rc.right, rc.bottom}; }

HomeRect Sized(int x, int y, int nWidth, int nHeight) { return HomeRect{x, y, x + nWidth, y + nHeight}; }

template <class T>
T* AddWindow(SWindow* pParent, uint32_t nID, const HomeRect& rc, uint32_t dwStyle = 0, const std::string& text = "") {
    auto* pWindow = new T;
    pWindow->Create(nullptr, text.c_str(), dwStyle, ToRect(rc), pParent, nID, nullptr);
    return pWindow;
}

void AddText(SWindow* pParent, uint32_t nID, const HomeRect& rc, const std::string& text, uint32_t dwStyle = 0) {
    AddWindow<STextCtrl>(pParent, nID, rc, dwStyle, text)->AddResourceName("id;Master");
}

// A button without pictures, which draws the value it cycles through as its text.
void AddTextButton(SWindow* pParent, uint32_t nID, const HomeRect& rc) { AddWindow<SButton>(pParent, nID, rc); }

SSlider* AddSlider(SWindow* pParent, uint32_t nID, const HomeRect& rc, int nMin, int nMax) {
    auto* pSlider = AddWindow<SSlider>(pParent, nID, rc);
    pSlider->SetMin(nMin);
    pSlider->SetMax(nMax);
    return pSlider;
}

}  // namespace

void HomeSet::AddOptionDialogs() {
    AddPicture("opt_panel", home_art::DialogPanel(kPanel.Width(), kPanel.Height()));
    AddButtonPictures("opt_minus", "-", kStep, kStep);
    AddButtonPictures("opt_plus", "+", kStep, kStep);

    auto newDialog = [&]() {
        auto* pDialog = new SDialog;
        pDialog->Create(nullptr, "", 0, ToRect(kPanel), nullptr, 0, nullptr);
        pDialog->AddResourceName("id;opt_panel");
        return pDialog;
    };
    // A check box, or with a group a radio button, with its label drawn on its pictures.
    auto addChoice = [&](SWindow* pParent, uint32_t nID, const HomeRect& rc, const char* label, uint32_t dwGroup) {
        const std::string key = "opt_" + std::to_string(nID);
        AddButtonPictures(key, label, rc.Width(), rc.Height());
        auto* pButton = AddWindow<SButton>(pParent, nID, rc, dwGroup != 0 ? SButton::kStyleGroup : SButton::kStyleToggle,
                                           label);
        pButton->SetGroup(dwGroup);
        for (const char* suffix : {"_n", "_c", "_h"})
            pButton->AddResourceName(("id;" + key + suffix).c_str());
    };
    auto addPush = [&](SWindow* pParent, uint32_t nID, const HomeRect& rc, const std::string& key) {
        auto* pButton = AddWindow<SButton>(pParent, nID, rc);
        for (const char* suffix : {"_n", "_c", "_h"})
            pButton->AddResourceName(("id;" + key + suffix).c_str());
    };
    // A slider between its down and up buttons.
    auto addStepper = [&](SWindow* pParent, int y, uint32_t nDown, uint32_t nSlider, uint32_t nUp, int nMin, int nMax) {
        addPush(pParent, nDown, Sized(146, y, kStep, kStep), "opt_minus");
        AddSlider(pParent, nSlider, HomeRect{172, y + 4, 350, y + kStep - 4}, nMin, nMax);
        addPush(pParent, nUp, Sized(356, y, kStep, kStep), "opt_plus");
    };
    // A value button on a field of its own, right of its label or, for long values such as
    // driver names, across the dialog under it.
    constexpr HomeRect kShortField{146, 0, 384, kLine};
    constexpr HomeRect kLongField{12, 0, 384, kLine};
    AddPicture("opt_field_short", home_art::EntryField(kShortField.Width(), kShortField.Height()));
    AddPicture("opt_field_long", home_art::EntryField(kLongField.Width(), kLongField.Height()));
    auto addValueRow = [&](SWindow* pParent, int y, const char* label, uint32_t nButton, bool bLong = false) {
        AddText(pParent, 0, HomeRect{12, y + 4, 142, y + kLine}, label);
        const HomeRect& field = bLong ? kLongField : kShortField;
        const int top = bLong ? y + kLine + 2 : y;
        const HomeRect rc{field.left, top, field.right, top + kLine};
        AddWindow<SMultiImage>(pParent, 0, rc)->AddResourceName(bLong ? "id;opt_field_long" : "id;opt_field_short");
        AddTextButton(pParent, nButton, HomeRect{rc.left + 4, rc.top + 2, rc.right - 4, rc.bottom});
    };

    // Game options.
    SDialog* pGame = newDialog();
    AddText(pGame, 0, HomeRect{16, 16, 380, 36}, "Display", STextCtrl::kStyleCentre);
    addChoice(pGame, 3100, Sized(40, 44, 150, 30), "Window", 11);
    addChoice(pGame, 3101, Sized(206, 44, 150, 30), "Full Screen", 11);
    AddText(pGame, 0, HomeRect{16, 96, 380, 116}, "Officer file", STextCtrl::kStyleCentre);
    addChoice(pGame, 3200, Sized(40, 124, 150, 30), "Back Up", 0);
    addChoice(pGame, 3210, Sized(206, 124, 150, 30), "Restore", 0);
    AddText(pGame, 0, HomeRect{16, 176, 380, 196}, "Updates", STextCtrl::kStyleCentre);
    addChoice(pGame, 3110, Sized(123, 204, 150, 30), "Find Patch", 0);
    AddText(pGame, 0, HomeRect{16, 248, 196, 268}, "Last checked:");
    AddText(pGame, 638, HomeRect{200, 248, 380, 268}, "");
    AddText(pGame, 77, HomeRect{16, 280, 380, 316}, "", STextCtrl::kStyleCentre);
    AddLayout(kKindDialog, kGroup, "OMMD", pGame);

    // Performance: the resolution slider runs over the display's modes; its maximum is set when
    // the dialog opens.
    SDialog* pPerformance = newDialog();
    AddText(pPerformance, 0, HomeRect{12, 40, 142, 60}, "Resolution");
    addStepper(pPerformance, 36, 3469, 3470, 3471, 0, 0);
    AddText(pPerformance, 3480, HomeRect{146, 64, 380, 84}, "", STextCtrl::kStyleCentre);
    addValueRow(pPerformance, 120, "Detail", 4000);
    AddLayout(kKindDialog, kGroup, "OMP", pPerformance);

    // Controls: six rows of bindings with a scroll bar whose arrow buttons lie over its ends.
    SDialog* pControls = newDialog();
    // The dialog gives the list rows of 16 pixels, so its names are written in the small font,
    // in columns wide enough for the longest key names ("Right shift", "Gray delete").
    auto* pList = AddWindow<SListCtrl>(pControls, 200, HomeRect{12, 12, 352, 134});
    pList->SetColumnCount(2);
    pList->SetColumnTitle(0, "Command");
    pList->SetColumnTitle(1, "Input");
    pList->SetColumnWidth(0, 180);
    pList->SetColumnWidth(1, 150);
    pList->SetLeftMargin(4);
    pList->AddResourceName("id;Small");
    // The bar's track is its own length; its arrow parts are as long as the arrow buttons that
    // lie over them, and the thumb shows which rows are in view.
    const HomeRect bar{356, 12, 376, 134};
    AddPicture("scroll_track_controls", home_art::ScrollTrack(bar.Width(), bar.Height()));
    auto* pBar = AddWindow<SScrollBar>(pControls, 250, bar, SScrollBar::kStyleVertical);
    for (const char* name : {"id;scroll_track_controls", "id;scroll_thumb", "id;arrow_down_c", "id;arrow_up_c"})
        pBar->AddResourceName(name);
    addPush(pControls, 3600, Sized(356, 12, kStep, kStep), "arrow_up");
    addPush(pControls, 3601, Sized(356, 114, kStep, kStep), "arrow_down");
    const struct {
        uint32_t id;
        const char* label;
    } checks[] = {{3300, "Mouse Aim"}, {3530, "Invert X"},  {3540, "Invert Y"}, {3560, "Wobble"},
                  {3570, "Footsteps"}, {3580, "Auto Run"}, {3590, "Joystick"}};
    int n = 0;
    for (const auto& check : checks) {
        addChoice(pControls, check.id, Sized(12 + (n % 3) * 124, 140 + (n / 3) * 28, 120, 24), check.label, 0);
        ++n;
    }
    // A one-shot action, so a push button: a toggle would stay lit after the reset.
    AddButtonPictures("opt_3750", "Default Keys", 244, 24);
    addPush(pControls, 3750, Sized(136, 196, 244, 24), "opt_3750");
    AddText(pControls, 0, HomeRect{12, 230, 142, 250}, "Mouse");
    addStepper(pControls, 228, 3709, 3710, 3711, 1, 255);
    AddText(pControls, 0, HomeRect{12, 256, 142, 276}, "Joystick");
    addStepper(pControls, 254, 3719, 3720, 3721, 1, 255);
    AddText(pControls, 3700, HomeRect{16, 290, 380, 320}, "Press a key or mouse button",
            STextCtrl::kStyleCentre);
    AddLayout(kKindDialog, kGroup, "OMC", pControls);

    // Video.
    SDialog* pVideo = newDialog();
    addValueRow(pVideo, 12, "Driver", 3720, true);
    addValueRow(pVideo, 72, "Filter", 3700);
    addValueRow(pVideo, 100, "Background", 3730);
    addValueRow(pVideo, 128, "Textures", 3740);
    const struct {
        uint32_t id;
        const char* label;
    } switches[] = {{3640, "Fast Scopes"}, {3650, "Fog"},         {3670, "16-Bit Depth"},
                    {3680, "Colour Key"},  {3690, "Detail Maps"}, {3695, "Soft Light"}};
    n = 0;
    for (const auto& entry : switches) {
        addChoice(pVideo, entry.id, Sized(12 + (n % 2) * 188, 170 + (n / 2) * 32, 180, 26), entry.label, 0);
        ++n;
    }
    AddLayout(kKindDialog, kGroup, "OMD", pVideo);

    // Sound.
    SDialog* pSound = newDialog();
    addChoice(pSound, 3840, Sized(12, 16, 120, 26), "Sound", 0);
    addChoice(pSound, 3841, Sized(136, 16, 120, 26), "Music", 0);
    addChoice(pSound, 3842, Sized(260, 16, 120, 26), "Voice", 0);
    AddText(pSound, 0, HomeRect{12, 60, 142, 80}, "3D Sound");
    addChoice(pSound, 3819, Sized(12, 84, 120, 26), "Off", 12);
    addChoice(pSound, 3830, Sized(136, 84, 120, 26), "Hardware", 12);
    addChoice(pSound, 3820, Sized(260, 84, 120, 26), "Software", 12);
    AddText(pSound, 0, HomeRect{12, 124, 142, 144}, "Quality");
    addChoice(pSound, 3800, Sized(136, 120, 120, 26), "8-Bit", 13);
    addChoice(pSound, 3810, Sized(260, 120, 120, 26), "16-Bit", 13);
    addValueRow(pSound, 160, "Driver", 3850, true);
    AddText(pSound, 0, HomeRect{12, 232, 142, 252}, "3D Detail");
    addStepper(pSound, 228, 3870, 3860, 3880, 1, 100);
    AddLayout(kKindDialog, kGroup, "OMS", pSound);
}
