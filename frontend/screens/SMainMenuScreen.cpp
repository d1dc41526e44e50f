#include "frontend/screens/SMainMenuScreen.h"

#include "app/CMainFrame.h"
#include "app/SGameObjects.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/screens/SScreenManager.h"
#include "sys/profile.h"
#include "sys/window/window.h"
#include "ui/SDIB.h"

IMPLEMENT_DYNAMIC(SMainMenuScreen, SAppScreen)

uint8_t SMainMenuScreen::s_byShownBefore = 0;

namespace {

constexpr const char* kMusic = "Interface:cop_training";

const char* const kMaleVoiceOvers[] = {
    "VoiceMale:vo-m1-start-computera", "VoiceMale:vo-m1-start-downinga", "VoiceMale:vo-m1-start-grandpaa",
    "VoiceMale:vo-m1-start-huntinga",  "VoiceMale:vo-m1-start-welcomea", nullptr};
const char* const kFemaleVoiceOvers[] = {
    "VoiceFemale:vo-f1-start-computera", "VoiceFemale:vo-f1-start-downinga", "VoiceFemale:vo-f1-start-grandpaa",
    "VoiceFemale:vo-f1-start-huntinga",  "VoiceFemale:vo-f1-start-welcomea", nullptr};

// Screen ids the buttons lead to.
constexpr int kCreateOfficerScreen = 1;
constexpr int kChooseOfficerScreen = 2;
constexpr int kHelpScreen = 6;
constexpr int kSettingsScreen = 7;
constexpr int kCreditsScreen = 9;
constexpr int kInventoryScreen = 13;

SGameObjects* Hub() { return SGameObjects::Instance(); }

}  // namespace

SMainMenuScreen::SMainMenuScreen() {
    // The voice is chosen in the per-user system profile, not in the game's own settings.
    SetMaleVoiceOvers(sys::profile::GetInt(sys::profile::Kind::System, "Settings", "MaleVoiceOvers", 1) == 1);
}

SMainMenuScreen::~SMainMenuScreen() = default;

const char* SMainMenuScreen::GetTitle() { return "Main Menu"; }
const char* SMainMenuScreen::GetLayoutGroup() { return "main_menu"; }
const char* SMainMenuScreen::GetLayoutName() { return "MM"; }
const char* SMainMenuScreen::GetMusicName() { return kMusic; }

const char* const* SMainMenuScreen::GetVoiceOverList() {
    return GetMaleVoiceOvers() ? kMaleVoiceOvers : kFemaleVoiceOvers;
}

void SMainMenuScreen::Activate() {
    m_iTarget = kChooseOfficerScreen;
    SAppScreen::Activate();
    // Coming back from another page is no occasion for a welcome.
    m_bVoiceOverStarted = s_byShownBefore;
    StartSlide(1);
    MakeImagesTransparent();
    UpdateChooseOfficerButton();
    s_byShownBefore = 1;
}

void SMainMenuScreen::Deactivate() {
    SAppScreen::Deactivate();
    Hub()->SetGameType(0);
}

void SMainMenuScreen::OnLButtonDown(uint32_t, int, int) {}

void SMainMenuScreen::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode != kNotifyClick)
        return;
    switch (nID) {
        case kCreateOfficerButton:
            m_iTarget = kCreateOfficerScreen;
            break;
        case kChooseOfficerButton:
            m_iTarget = kChooseOfficerScreen;
            break;
        case kSettingsButton:
            m_iTarget = kSettingsScreen;
            break;
        case kHelpButton:
            m_iTarget = kHelpScreen;
            break;
        case kCreditsButton:
            m_iTarget = kCreditsScreen;
            break;
        case kQuitButton:
            CloseProgram();
            return;
        default:
            return;
    }
    StartSlide(0);
}

void SMainMenuScreen::OnSlideDone() {
    UpdateChooseOfficerButton();
    SAppScreen::OnSlideDone();
    if (!HasSlidOut())
        return;
    // A new officer goes on to the inventory page, so both are made before the switch.
    SScreenManager* manager = SScreenManager::GetInstance();
    if (m_iTarget == kCreateOfficerScreen && manager != nullptr) {
        manager->GetScreen(kInventoryScreen);
        manager->GetScreen(kCreateOfficerScreen);
    }
    SwitchAfterSlideOut(m_iTarget);
}

void SMainMenuScreen::UpdateChooseOfficerButton() {
    if (m_pLayout == nullptr)
        return;
    if (SWindow* pButton = m_pLayout->FindChild(kChooseOfficerButton))
        pButton->SetNotifyParent(CountOfficers() > 0);
}

int SMainMenuScreen::CountOfficers() {
    // The list is read from the officer file the first time the menu asks for it.
    const SHunterInfoList* list = SGameObjects::Instance()->LoadPlayerList(false);
    return list != nullptr ? list->GetCount() : 0;
}

void SMainMenuScreen::MakeImagesTransparent() {
    SWindow* pImages = m_pLayout != nullptr ? m_pLayout->FindChild(kImagesWindow) : nullptr;
    if (pImages == nullptr)
        return;
    SResourceArray* pResources = pImages->GetResourceArray();
    for (int i = 0; i < pResources->GetSize(); ++i) {
        if (auto* pImage = dynamic_cast<SDIB*>(pResources->GetAt(i)))
            pImage->SetTransparentIndex(kTransparentIndex);
    }
}

void SMainMenuScreen::CloseProgram() {
    // A page still being made elsewhere must be finished before the program starts to end.
    if (SScreenManager* manager = SScreenManager::GetInstance())
        manager->WaitForScreenLoad();
    CMainFrame* frame = Hub()->m_pMainFrame;
    const sys::HWND window = frame != nullptr ? frame->GetSafeHwnd() : sys::window::GetMainWindow();
    sys::window::PostMessage(window, sys::WM_CLOSE, 0, 0);
}
