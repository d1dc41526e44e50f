#include "frontend/screens/SSettingsScreen.h"

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/CSystemData.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "frontend/dialogs/STransparantDialog.h"
#include "frontend/screens/SScreenManager.h"
#include "dx/display/SGraphics.h"
#include "sys/window/dialogs.h"
#include "sys/window/window.h"
#include "render/SD3D6Parser.h"
#include "ui/widgets/SButton.h"
#include "ui/SGraphicsHost.h"

IMPLEMENT_DYNAMIC(SSettingsScreen, SAppScreen)

SSettingsScreen::DialogMaker SSettingsScreen::s_apfnMakers[kDialogButtonCount] = {};

namespace {

constexpr const char* kMusic = "Interface:cop_training";
constexpr int kMainMenuScreen = 0;
// The recorded states, in the order the page keeps them.
constexpr uint32_t kCheckOrder[] = {SSettingsScreen::kControlsButton, SSettingsScreen::kGameOptionsButton,
                                    SSettingsScreen::kSoundButton, SSettingsScreen::kPerformanceButton,
                                    SSettingsScreen::kVideoButton};
// The refresh walks the buttons in id order.
constexpr uint32_t kRefreshOrder[] = {SSettingsScreen::kGameOptionsButton, SSettingsScreen::kPerformanceButton,
                                      SSettingsScreen::kControlsButton, SSettingsScreen::kVideoButton,
                                      SSettingsScreen::kSoundButton};
// A window shorter than this cannot hold the 480 lines of the interface.
constexpr int kMinWindowedDesktopHeight = 481;

SGameObjects* Hub() { return SGameObjects::Instance(); }

SGraphicsHost* DialogHost() { return dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance()); }

}  // namespace

SSettingsScreen::SSettingsScreen() {
    if (CConfigData* config = Hub()->m_pConfig)
        config->m_bPendingFullScreen = config->m_pSystem->m_bFullScreen;
}

SSettingsScreen::~SSettingsScreen() {
    DeleteDialog(m_pPrevDialog);
    DeleteDialog(m_pDialog);
}

const char* SSettingsScreen::GetTitle() { return ""; }
const char* SSettingsScreen::GetLayoutGroup() { return "OPTION_MENU_MAIN"; }
const char* SSettingsScreen::GetLayoutName() { return ""; }
const char* SSettingsScreen::GetMusicName() { return kMusic; }

// ---- dialog makers ----------------------------------------------------------------------------

int SSettingsScreen::MakerSlot(uint32_t nButtonId) {
    if (nButtonId % 100 != 0 || nButtonId < kGameOptionsButton || nButtonId > kSoundButton)
        return -1;
    return static_cast<int>(nButtonId / 100) - 1;
}

int SSettingsScreen::CheckSlot(uint32_t nButtonId) {
    for (int i = 0; i < kDialogButtonCount; ++i)
        if (kCheckOrder[i] == nButtonId)
            return i;
    return -1;
}

void SSettingsScreen::SetDialogMaker(uint32_t nButtonId, DialogMaker pfnMaker) {
    const int nSlot = MakerSlot(nButtonId);
    if (nSlot >= 0)
        s_apfnMakers[nSlot] = pfnMaker;
}

STransparantDialog* SSettingsScreen::MakeDialog(uint32_t nButtonId) {
    const int nSlot = MakerSlot(nButtonId);
    return nSlot >= 0 && s_apfnMakers[nSlot] != nullptr ? s_apfnMakers[nSlot]() : nullptr;
}

int SSettingsScreen::GetRecordedCheck(uint32_t nButtonId) const {
    const int nSlot = CheckSlot(nButtonId);
    return nSlot >= 0 ? m_aiChecked[nSlot] : 0;
}

// ---- a visit ----------------------------------------------------------------------------------

void SSettingsScreen::Activate() {
    SAppScreen::Activate();
    SGameItems* items = Hub()->m_pGameItems;
    if (SD3D6Parser* parser = items != nullptr ? items->m_pParser : nullptr) {
        for (int i = 0; i < parser->GetEndSessionStepCount(parser->m_iSessionMode); ++i)
            parser->EndSession(i);
    }
    StartSlide(1);
}

void SSettingsScreen::Update() {
    if (m_pDialog != nullptr)
        m_pDialog->Update();
    SAppScreen::Update();
}

void SSettingsScreen::OnSlideDone() {
    if (m_bFirstOpen != 0) {
        if (STransparantDialog* pDialog = MakeDialog(kGameOptionsButton))
            ShowDialog(pDialog);
        SetButtonCheck(kGameOptionsButton, 1);
        RefreshButtons();
        m_bFirstOpen = 0;
    }
    if (m_bLeave != 0) {
        if (SScreenManager* manager = SScreenManager::GetInstance())
            manager->SwitchTo(kMainMenuScreen);
        for (int32_t& nChecked : m_aiChecked)
            nChecked = 0;
        m_bLeave = 0;
        m_bFirstOpen = 1;
    }
}

// ---- clicks -----------------------------------------------------------------------------------

void SSettingsScreen::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode != kNotifyClick)
        return;
    if (CheckSlot(nID) >= 0) {
        // The open dialog's own button brings no second copy of it.
        if (GetRecordedCheck(nID) == 0) {
            if (STransparantDialog* pDialog = MakeDialog(nID))
                ShowDialog(pDialog);
            m_iDialogId = nID;
        }
        RefreshButtons();
    } else if (nID == kBackButton) {
        Leave();
    }
    if (m_iDialogId == kGameOptionsButton && m_pDialog != nullptr)
        m_iAnswer = m_pDialog->GetAnswer();
}

SWindow* SSettingsScreen::FindControl(uint32_t nID) const {
    return m_pLayout != nullptr ? m_pLayout->FindChild(nID) : nullptr;
}

void SSettingsScreen::SetButtonCheck(uint32_t nID, int nCheck) {
    if (auto* pButton = dynamic_cast<SButton*>(FindControl(nID)))
        pButton->SetCheck(nCheck);
}

void SSettingsScreen::RefreshButtons() {
    for (uint32_t nID : kRefreshOrder) {
        auto* pButton = dynamic_cast<SButton*>(FindControl(nID));
        if (pButton != nullptr)
            pButton->SetCheck(pButton->GetCheck());
        m_aiChecked[CheckSlot(nID)] = pButton != nullptr ? pButton->GetCheck() : 0;
    }
}

// ---- dialogs ----------------------------------------------------------------------------------

void SSettingsScreen::DeleteDialog(STransparantDialog*& rpDialog) {
    if (rpDialog == nullptr)
        return;
    rpDialog->SetParent(nullptr);
    delete rpDialog;
    rpDialog = nullptr;
}

void SSettingsScreen::ShowDialog(STransparantDialog* pDialog) {
    m_pPrevDialog = m_pDialog;
    m_pDialog = nullptr;
    if (m_pPrevDialog != nullptr) {
        m_pPrevDialog->SetParent(nullptr);
        // Its questions ("Save changed settings?") are asked over this page.
        m_pPrevDialog->SetOwnerPage(this);
        m_pPrevDialog->Deactivate();
        DeleteDialog(m_pPrevDialog);
    }
    m_pDialog = pDialog;
    pDialog->SetParent(m_pLayout != nullptr ? static_cast<SWindow*>(m_pLayout) : this);
    pDialog->SetOwnerPage(this);
    if (SWindow* pArea = FindControl(kDialogArea))
        pDialog->SetExplicitRect(pArea->GetWindowRect());
    pDialog->Activate();
    // Placed before the slide starts, so that the slide brings it to rest where it was placed.
    pDialog->Prepare(0);
    pDialog->StartSlide(1);
}

// ---- leaving ----------------------------------------------------------------------------------

void SSettingsScreen::Leave() {
    if (m_pDialog != nullptr) {
        m_pDialog->SetParent(nullptr);
        m_pDialog->Deactivate();
    }
    CConfigData* config = Hub()->m_pConfig;
    if (config != nullptr && config->m_bPendingFullScreen != config->m_pSystem->m_bFullScreen) {
        SGraphicsHost* host = DialogHost();
        if (host != nullptr && host->MessageDialog(kChangeModeText, static_cast<int>(sys::MB_YESNO), this, 0) == 1)
            ApplyScreenMode();
    }
    DeleteDialog(m_pDialog);
    DeleteDialog(m_pPrevDialog);
    m_byRestartWarning = 0;
    for (uint32_t nID : {kBackButton, kButton1500, kGameOptionsButton, kPerformanceButton, kControlsButton,
                         kVideoButton, kSoundButton})
        SetButtonCheck(nID, 0);
    m_bLeave = 1;
}

bool SSettingsScreen::SetScreenMode(int nFullScreen) {
    const CConfigData* config = Hub()->m_pConfig;
    SGraphics* display = Hub()->m_pGraphics;
    display->SetDisplayOptions(config->m_pGraphics->m_bSoftware == 0 ? 1 : 0, nFullScreen);
    return display->ResetDisplayMode() != 0;
}

void SSettingsScreen::ApplyScreenMode() {
    CConfigData* config = Hub()->m_pConfig;
    CSystemData* system = config->m_pSystem;
    SGraphics* display = Hub()->m_pGraphics;
    int nMode = config->m_bPendingFullScreen != 0 ? 1 : 0;
    if (display == nullptr) {
        if (nMode == 0 && sys::window::GetSystemMetrics(sys::SM_CYSCREEN) < kMinWindowedDesktopHeight)
            nMode = 1;
        system->m_bFullScreen = nMode;
        config->m_bPendingFullScreen = nMode;
        return;
    }
    const int nShown = system->m_bFullScreen != 0 ? 1 : 0;
    // A full-screen mode is all of the screen the program sees, so the desktop's own height is
    // only known once the window is back on it.
    bool bSet = SetScreenMode(nMode);
    if (bSet && nMode == 0 && sys::window::GetSystemMetrics(sys::SM_CYSCREEN) < kMinWindowedDesktopHeight) {
        nMode = 1;
        bSet = SetScreenMode(nMode);
    }
    if (!bSet) {
        // The other mode is the one the player had (or a window, when full screen was forced).
        nMode = 1 - nMode;
        bSet = SetScreenMode(nMode);
        SGraphicsHost* host = DialogHost();
        if (bSet && host != nullptr)
            host->MessageDialog(kModeFailedText, 0, this, 0);
        else
            sys::dialogs::MessageBox(kModeFailedText, "Tarvex", sys::MB_OK);
    }
    // What is saved is what the screen shows; with no display at all, what the player had.
    if (!bSet)
        nMode = nShown;
    system->m_bFullScreen = nMode;
    config->m_bPendingFullScreen = nMode;
}

void SSettingsScreen::ShowRestartWarning() {
    if (m_byRestartWarning != 0) {
        if (SGraphicsHost* host = DialogHost())
            host->MessageDialog(STransparantDialog::kRestartText, 0, this, 0);
    }
    m_byRestartWarning = 0;
}
