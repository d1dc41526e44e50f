// The career's two pages of the demo Home folder: the scenario choice with a picture for each
// kind of level, and the history with the two fonts of its report. Control ids are the ones the
// pages look for.

#include <cstdint>
#include <string>

#include "core/SResource.h"
#include "tools/makehome/HomeArt.h"
#include "tools/makehome/HomeSet.h"
#include "ui/SScreen.h"
#include "ui/widgets/SButton.h"
#include "ui/widgets/STextCtrl.h"

namespace {

constexpr HomeRect kPage{0, 0, 640, 480};
constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 30;
constexpr int kBottomRow = 418;
constexpr HomeRgb kInk{242, 246, 252};
constexpr HomeRgb kGold{212, 172, 88};
constexpr HomeRgb kShadow{6, 8, 16};

template <class T>
T* AddWindow(SWindow* pParent, uint32_t nID, const HomeRect& rc, uint32_t dwStyle = 0, const std::string& text = "") {
    auto* pWindow = new T;
    pWindow->Create(nullptr, text.c_str(), dwStyle, sys::RECT{rc.left, rc.top, rc.right, rc.bottom}, pParent, nID,
                    nullptr);
    return pWindow;
}

SScreen* NewPage() {
    auto* pLayout = new SScreen;
    pLayout->Create(nullptr, "", 0, sys::RECT{kPage.left, kPage.top, kPage.right, kPage.bottom}, nullptr, 0, nullptr);
    pLayout->AddResourceName("id;bg_page");
    return pLayout;
}

STextCtrl* AddText(SWindow* pLayout, uint32_t nID, const HomeRect& rc, const std::string& text = "",
                   uint32_t dwStyle = 0) {
    return AddWindow<STextCtrl>(pLayout, nID, rc, dwStyle, text);
}

HomeRect Sized(int x, int y, int nWidth, int nHeight) { return HomeRect{x, y, x + nWidth, y + nHeight}; }

// A level's picture: the page draws it at its top-left corner, framed, gold once passed.
HomeCanvas LevelPicture(const HomeGlyphs& glyphs, const std::string& label, HomeRgb sky, HomeRgb ground, bool bPassed) {
    constexpr int kWidth = 200;
    constexpr int kHeight = 150;
    HomeCanvas canvas(kWidth, kHeight, sky);
    canvas.Fill(HomeRect{0, 96, kWidth, kHeight}, ground);
    canvas.Frame(HomeRect{0, 0, kWidth, kHeight}, bPassed ? kGold : kInk);
    canvas.TextCentred(glyphs, HomeRect{0, 104, kWidth, 128}, label, 2, kInk, kShadow);
    if (bPassed)
        canvas.TextCentred(glyphs, HomeRect{0, 126, kWidth, 146}, "PASSED", 2, kGold, kShadow);
    return canvas;
}

}  // namespace

void HomeSet::AddCareerPages() {
    struct Picture {
        const char* key;
        const char* label;
        HomeRgb sky;
        HomeRgb ground;
    };
    const Picture pictures[] = {{"level_range", "TARGET RANGE", {70, 110, 160}, {90, 80, 60}},
                                {"level_day", "ALLEY BY DAY", {120, 160, 210}, {70, 70, 80}},
                                {"level_night", "ALLEY BY NIGHT", {10, 14, 40}, {30, 30, 40}},
                                {"level_sniper", "SNIPER RANGE", {150, 120, 90}, {80, 70, 50}}};
    for (const Picture& picture : pictures) {
        AddPicture(picture.key, LevelPicture(m_Glyphs, picture.label, picture.sky, picture.ground, false));
        AddPicture(std::string(picture.key) + "_done",
                   LevelPicture(m_Glyphs, picture.label, picture.sky, picture.ground, true));
    }
    // The report has seventeen lines, so its fonts are the plain face at its own size.
    AddFont("Outline", HomeFontStyle{1, 214, 224, 240, 6, 8, 16});
    AddFont("Red", HomeFontStyle{1, 236, 72, 60, 6, 8, 16});

    struct Button {
        uint32_t id;
        const char* key;
        const char* label;
    };
    const auto addButtons = [this](SWindow* pLayout, std::initializer_list<Button> buttons) {
        const int nCount = static_cast<int>(buttons.size());
        const int nWidth = nCount > 4 ? kButtonWidth - 12 : kButtonWidth;
        int x = (kPage.Width() - nCount * nWidth - (nCount - 1) * 10) / 2;
        for (const Button& button : buttons) {
            AddButtonPictures(button.key, button.label, nWidth, kButtonHeight);
            auto* pButton = AddWindow<SButton>(pLayout, button.id, Sized(x, kBottomRow, nWidth, kButtonHeight), 0,
                                               button.label);
            for (const char* suffix : {"_n", "_c", "_h"})
                pButton->AddResourceName(("id;" + std::string(button.key) + suffix).c_str());
            x += nWidth + 10;
        }
    };

    SScreen* pChoose = NewPage();
    AddTitle(pChoose, "title_scenario", "SCENARIO");
    AddText(pChoose, 100, HomeRect{40, 180, 600, 240})->AddResourceName("id;Text");
    const char* const labels[] = {"Time limit:", "Score needed:", "Weapon:", "Best score:"};
    const uint32_t values[] = {200, 201, 203, 204};
    for (int i = 0; i < 4; ++i) {
        AddText(pChoose, 0, Sized(120, 260 + i * 32, 200, 24), labels[i])->AddResourceName("id;Text");
        AddText(pChoose, values[i], Sized(330, 260 + i * 32, 260, 24))->AddResourceName("id;Text");
    }
    addButtons(pChoose, {{1111, "btn_prev_level", "Previous"},
                         {2222, "btn_next_level", "Next"},
                         {111, "btn_start", "Start"},
                         {222, "btn_back_level", "Back"}});
    AddLayout(kKindScreen, "cs", "choose_scenario", pChoose);

    SScreen* pHistory = NewPage();
    AddTitle(pHistory, "title_history", "HISTORY");
    AddText(pHistory, 7600, HomeRect{40, 80, 600, 104}, "", STextCtrl::kStyleCentre)->AddResourceName("id;Text");
    AddText(pHistory, 7210, HomeRect{40, 108, 600, 132}, "", STextCtrl::kStyleCentre)->AddResourceName("id;Text");
    // Each value's run of column characters moves it past its label; with this face's narrow
    // blank the value column starts far enough right that no value meets its label.
    AddText(pHistory, 7100, HomeRect{160, 150, 480, 410});
    AddText(pHistory, 7101, HomeRect{252, 150, 600, 410})->AddResourceName("id;Outline");
    AddText(pHistory, 7102, HomeRect{160, 150, 480, 410});
    addButtons(pHistory, {{7010, "btn_prev_record", "Previous"},
                          {7020, "btn_next_record", "Next"},
                          {7030, "btn_delete_record", "Delete"},
                          {7040, "btn_print", "Print"},
                          {7090, "btn_back_history", "Back"}});
    AddLayout(kKindScreen, "", "History", pHistory);
}
