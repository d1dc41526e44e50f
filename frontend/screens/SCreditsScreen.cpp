#include "frontend/screens/SCreditsScreen.h"

IMPLEMENT_DYNAMIC(SCreditsScreen, SAppScreen)

namespace {

constexpr const char* kMusic = "Interface:cop_training";
constexpr int kMainMenuScreen = 0;
constexpr int kSpecialThanksScreen = 12;

}  // namespace

SCreditsScreen::SCreditsScreen() = default;
SCreditsScreen::~SCreditsScreen() = default;

const char* SCreditsScreen::GetTitle() { return "Credit"; }
const char* SCreditsScreen::GetLayoutGroup() { return "Credit"; }
const char* SCreditsScreen::GetLayoutName() { return "c"; }
const char* SCreditsScreen::GetMusicName() { return kMusic; }

void SCreditsScreen::Activate() {
    SAppScreen::Activate();
    StartSlide(1);
}

void SCreditsScreen::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode != kNotifyClick)
        return;
    if (nID == kBackButton)
        m_iTarget = kMainMenuScreen;
    else if (nID == kSpecialThanksButton)
        m_iTarget = kSpecialThanksScreen;
    else
        return;
    StartSlide(0);
}

void SCreditsScreen::OnSlideDone() {
    SAppScreen::OnSlideDone();
    SwitchAfterSlideOut(m_iTarget);
}
