#pragma once

#include <cstdint>

#include "app/SFrontEndHooks.h"
#include "frontend/dialogs/STransparantDialog.h"

class SCursor;

// The front end as the application starts, runs and ends it: makes the hub's screen manager
// and hands it the display's interface contexts, messages and device changes, makes the
// software cursor from the catalog and gives the display host the front end's dialogs. The
// program's entry makes one, installs it (SFrontEndHooks::Install) before start-up and keeps it
// until the end; it owns the cursor and the dialog factory, the hub owns the screen manager
// until Shutdown deletes it.
class SFrontEndSetup : public SFrontEndHooks {
public:
    // The catalog's sprite the cursor is copied from: kind 3, name "Cursor", file "HuntHand".
    static constexpr const char* kCursorName = "Cursor";
    static constexpr const char* kCursorFile = "HuntHand";
    static constexpr int kMainMenuId = 0;

    // Also gives the hub the officer records, for the rest of the process.
    SFrontEndSetup();
    ~SFrontEndSetup() override;
    SFrontEndSetup(const SFrontEndSetup&) = delete;
    SFrontEndSetup& operator=(const SFrontEndSetup&) = delete;

    void CreateScreens(SGameObjects* hub) override;
    void PreloadScreens(SGameObjects* hub, bool dedicated) override;
    // Without the main menu's layout in the catalog there is no first screen.
    std::string ShowFirstScreen(SGameObjects* hub) override;
    // Without the sprite in the catalog the cursor stays an empty one and draws nothing.
    void CreateInterface(SGameObjects* hub, SGraphicsHost* host) override;
    void SwitchScreen(SGameObjects* hub, int id) override;
    void NotifyGunCalibrateScreen(SGameObjects* hub) override;
    void HandleInput(SGameObjects* hub, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void UpdateScreen(SGameObjects* hub) override;
    void RedrawScreen(SGameObjects* hub) override;
    void ReleaseDeviceObjects(SGameObjects* hub) override;
    void RestoreDeviceObjects(SGameObjects* hub, SGraphics* display) override;
    void SetInterfaceSurfaces(SGameObjects* hub) override;
    void Shutdown(SGameObjects* hub) override;

    SCursor* GetCursor() const { return m_pCursor; }
    STransparantDialogFactory* GetDialogFactory() const { return m_pDialogFactory; }

private:
    SCursor* m_pCursor = nullptr;                            // owned
    STransparantDialogFactory* m_pDialogFactory = nullptr;   // owned
    SGraphicsHost* m_pDialogHost = nullptr;                  // the host holding the factory
};
