#include "frontend/screens/SSpecialThanksScreen.h"

IMPLEMENT_DYNAMIC(SSpecialThanksScreen, SAppScreen)

namespace {

constexpr const char* kMusic = "Interface:cop_training";
constexpr int kCreditsScreen = 9;

}  // namespace

SSpecialThanksScreen::SSpecialThanksScreen() = default;
SSpecialThanksScreen::~SSpecialThanksScreen() = default;

// The page is titled like the help page whose layout group it shares.
const char* SSpecialThanksScreen::GetTitle() { return "Help"; }
const char* SSpecialThanksScreen::GetLayoutGroup() { return "Help"; }
const char* SSpecialThanksScreen::GetLayoutName() { return "st"; }
const char* SSpecialThanksScreen::GetMusicName() { return kMusic; }

void SSpecialThanksScreen::Activate() {
    SAppScreen::Activate();
    StartSlide(1);
}

void SSpecialThanksScreen::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode == kNotifyClick && nID == kBackButton)
        StartSlide(0);
}

void SSpecialThanksScreen::OnSlideDone() {
    SAppScreen::OnSlideDone();
    SwitchAfterSlideOut(kCreditsScreen);
}
