#include "frontend/SFrontEndSetup.h"

#include "app/CTarvexApp.h"
#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "core/SResource.h"
#include "frontend/career/SOfficerRecords.h"
#include "frontend/dialogs/SGameOptionsDialog.h"
#include "frontend/dialogs/SOptionDialogs.h"
#include "frontend/dialogs/SUpdateDlg.h"
#include "frontend/hud/SCursor.h"
#include "frontend/screens/SAppScreen.h"
#include "frontend/screens/SCharacterInfo.h"
#include "frontend/screens/SChooseCharacterScreen.h"
#include "frontend/screens/SCreateCharacterScreen.h"
#include "frontend/screens/SCreditsScreen.h"
#include "frontend/screens/SGameScreen.h"
#include "frontend/screens/SGunCalibrateScreen.h"
#include "frontend/screens/SHelpScreen.h"
#include "frontend/screens/SHistoryScreen.h"
#include "frontend/screens/SInventoryScreen.h"
#include "frontend/screens/SMainMenuScreen.h"
#include "frontend/screens/SScenarioScreen.h"
#include "frontend/screens/SScreenManager.h"
#include "frontend/screens/SSettingsScreen.h"
#include "frontend/screens/SSpecialThanksScreen.h"
#include "dx/display/SGraphics.h"
#include "ui/SGraphicsHost.h"

namespace {

SScreenManager* Manager(SGameObjects* hub) { return hub != nullptr ? hub->m_pScreenManager : nullptr; }

}  // namespace

SFrontEndSetup::SFrontEndSetup() {
    SOfficerRecords::Install();
    // A joining player's officer gets its starting kit and model from the inventory page.
    SOfficerRecords::SetOfficerMaker(
        [](SGameObjects* hub, const char* name, const char* kitName, SObjectDefList* items) -> SHunterInfo* {
            SScreenManager* manager = Manager(hub);
            auto* inventory =
                manager != nullptr ? dynamic_cast<SInventoryScreen*>(manager->GetScreen(SInventoryScreen::kScreenId))
                                   : nullptr;
            return inventory != nullptr ? inventory->CreateOfficer(name, kitName, items) : nullptr;
        });
    SGameOptionsDialog::SetPatchDownloader(&SUpdateDlg::RunDownload);
}

SFrontEndSetup::~SFrontEndSetup() {
    // Shutdown normally ran; a host still holding the factory must not keep a dangling one.
    if (m_pDialogHost != nullptr)
        m_pDialogHost->SetDialogFactory(nullptr);
    delete m_pDialogFactory;
}

void SFrontEndSetup::CreateScreens(SGameObjects* hub) {
    if (hub == nullptr || hub->m_pScreenManager != nullptr)
        return;
    hub->m_pScreenManager = new SScreenManager;
    SScreenManager* manager = hub->m_pScreenManager;
    manager->SetScreenFactory(SMainMenuScreen::kScreenId, []() -> SAppScreen* { return new SMainMenuScreen; });
    manager->SetScreenFactory(SHelpScreen::kScreenId, []() -> SAppScreen* { return new SHelpScreen; });
    manager->SetScreenFactory(SSettingsScreen::kScreenId, []() -> SAppScreen* { return new SSettingsScreen; });
    manager->SetScreenFactory(SCreditsScreen::kScreenId, []() -> SAppScreen* { return new SCreditsScreen; });
    manager->SetScreenFactory(SSpecialThanksScreen::kScreenId,
                              []() -> SAppScreen* { return new SSpecialThanksScreen; });
    manager->SetScreenFactory(SScenarioScreen::kScreenId, []() -> SAppScreen* { return new SScenarioScreen; });
    manager->SetScreenFactory(SHistoryScreen::kScreenId, []() -> SAppScreen* { return new SHistoryScreen; });
    manager->SetScreenFactory(SGameScreen::kScreenId, []() -> SAppScreen* { return new SGameScreen; });
    option_dialogs::Install();
    manager->SetScreenFactory(SGunCalibrateScreen::kScreenId, []() -> SAppScreen* { return new SGunCalibrateScreen; });
    manager->SetScreenFactory(SCreateCharacterScreen::kScreenId,
                              []() -> SAppScreen* { return new SCreateCharacterScreen; });
    manager->SetScreenFactory(SChooseCharacterScreen::kScreenId,
                              []() -> SAppScreen* { return new SChooseCharacterScreen; });
    manager->SetScreenFactory(SCharacterInfo::kScreenId, []() -> SAppScreen* { return new SCharacterInfo; });
    // The 3D view page is the base of the inventory page, which is the one model view made by id.
    manager->SetScreenFactory(SInventoryScreen::kScreenId, []() -> SAppScreen* { return new SInventoryScreen; });
}

void SFrontEndSetup::PreloadScreens(SGameObjects* hub, bool dedicated) {
    if (SScreenManager* manager = Manager(hub)) {
        manager->PreloadScreens(nullptr, dedicated);
        manager->WaitForScreenLoad();
    }
}

std::string SFrontEndSetup::ShowFirstScreen(SGameObjects* hub) {
    SScreenManager* manager = Manager(hub);
    if (manager == nullptr)
        return std::string();
    manager->SwitchTo(kMainMenuId);
    SAppScreen* screen = manager->GetScreen(kMainMenuId);
    if (screen != nullptr && screen->GetLayout() != nullptr)
        return std::string();
    // Without its layout the page is an empty window that answers nothing.
    if (screen == nullptr)
        return "The main menu cannot be made.";
    return std::string("The main menu cannot be shown: \"") + SGameObjects::kCatalogFile + "\" has no screen \"" +
           screen->GetLayoutName() + "\" in the group \"" + screen->GetLayoutGroup() + "\".";
}

void SFrontEndSetup::CreateInterface(SGameObjects* hub, SGraphicsHost* host) {
    SGraphics* graphics = hub != nullptr ? hub->m_pGraphics : nullptr;
    if (graphics != nullptr && m_pCursor == nullptr) {
        m_pCursor = new SCursor(1, graphics);
        if (SCatalog* catalog = hub->m_pCatalog) {
            SResource* found = catalog->GetResource(kKindSprite, CString(kCursorName), CString(kCursorFile),
                                                    reinterpret_cast<uintptr_t>(static_cast<SDXDraw*>(graphics)));
            if (auto* sprite = dynamic_cast<SSprite*>(found))
                m_pCursor->CopyFrom(sprite);
            if (found != nullptr)
                catalog->ReleaseResource(found);
        }
        g_pCursor = m_pCursor;
        SDisplayCursor* previous = graphics->SetCursorObject(m_pCursor);
        if (previous != nullptr && previous != m_pCursor)
            delete previous;
    }
    if (host != nullptr && m_pDialogHost == nullptr) {
        if (m_pDialogFactory == nullptr)
            m_pDialogFactory = new STransparantDialogFactory(hub);
        host->SetDialogFactory(m_pDialogFactory);
        m_pDialogHost = host;
    }
}

void SFrontEndSetup::SwitchScreen(SGameObjects* hub, int id) {
    if (SScreenManager* manager = Manager(hub))
        manager->SwitchTo(id);
}

void SFrontEndSetup::NotifyGunCalibrateScreen(SGameObjects* hub) {
    SScreenManager* manager = Manager(hub);
    if (manager == nullptr || manager->GetCurrentId() != SGunCalibrateScreen::kScreenId)
        return;
    if (auto* screen = dynamic_cast<SGunCalibrateScreen*>(manager->GetCurrentScreen()))
        screen->OnShot();
}

void SFrontEndSetup::HandleInput(SGameObjects* hub, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (SScreenManager* manager = Manager(hub))
        manager->HandleInput(message, wParam, lParam);
}

void SFrontEndSetup::UpdateScreen(SGameObjects* hub) {
    SScreenManager* manager = Manager(hub);
    if (SAppScreen* screen = manager != nullptr ? manager->GetCurrentScreen() : nullptr)
        screen->Update();
}

void SFrontEndSetup::RedrawScreen(SGameObjects* hub) {
    if (SScreenManager* manager = Manager(hub))
        manager->Paint();
}

void SFrontEndSetup::ReleaseDeviceObjects(SGameObjects* hub) {
    if (SScreenManager* manager = Manager(hub))
        manager->ReleaseDeviceObjects();
}

void SFrontEndSetup::RestoreDeviceObjects(SGameObjects* hub, SGraphics* display) {
    if (SScreenManager* manager = Manager(hub))
        manager->RestoreDeviceObjects(display);
}

void SFrontEndSetup::SetInterfaceSurfaces(SGameObjects* hub) {
    SScreenManager* manager = Manager(hub);
    auto* host = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance());
    if (manager != nullptr && host != nullptr)
        manager->SetSurfaces(host->GetSourceDC(), host->GetBackgroundDC());
}

void SFrontEndSetup::Shutdown(SGameObjects* hub) {
    if (SScreenManager* manager = Manager(hub)) {
        if (SAppScreen* screen = manager->GetCurrentScreen())
            screen->Deactivate();
        manager->DeleteAllScreens();
        delete manager;
        hub->m_pScreenManager = nullptr;
    }
    if (m_pCursor != nullptr) {
        // The display draws the cursor every frame, so it lets go of it before it is deleted.
        SGraphics* graphics = hub != nullptr ? hub->m_pGraphics : nullptr;
        if (graphics != nullptr && graphics->GetCursor() == m_pCursor)
            graphics->SetCursorObject(nullptr);
        if (g_pCursor == m_pCursor)
            g_pCursor = nullptr;
        delete m_pCursor;
        m_pCursor = nullptr;
    }
    if (m_pDialogHost != nullptr) {
        m_pDialogHost->SetDialogFactory(nullptr);
        m_pDialogHost = nullptr;
    }
}
