#pragma once

#include <cstdint>
#include <string>

class SGameObjects;
class SGraphics;
class SGraphicsHost;

// The points where the application's start-up, message pump, main loop, display shell and
// shut-down hand over to the front end (screens, software cursor, dialogs). The front end sits
// above the application, so the application knows only this interface; the program's entry
// installs the front end's implementation before start-up. Every call is optional: the base
// does nothing, and it is what answers while nothing is installed. The installer does not own
// the hooks.
class SFrontEndHooks {
public:
    virtual ~SFrontEndHooks() = default;

    // Null goes back to the do-nothing base.
    static void Install(SFrontEndHooks* hooks);
    // The installed hooks, or the do-nothing base; never null.
    static SFrontEndHooks& Installed();

    // Before the display mode is set: the screen manager exists from here on.
    virtual void CreateScreens(SGameObjects* hub) { (void)hub; }
    // After the display mode is set; a dedicated server skips the front-end pages.
    virtual void PreloadScreens(SGameObjects* hub, bool dedicated) {
        (void)hub;
        (void)dedicated;
    }
    // The main menu, on an ordinary (not lobby-launched) start. When it cannot be made, the
    // answer says what is missing (a sentence for the player) and start-up gives up; empty
    // when it is shown.
    virtual std::string ShowFirstScreen(SGameObjects* hub) {
        (void)hub;
        return std::string();
    }
    // Once the display and the catalog exist: the software cursor and the dialog factory.
    virtual void CreateInterface(SGameObjects* hub, SGraphicsHost* host) {
        (void)hub;
        (void)host;
    }
    // Makes the screen with the id current (the multiplayer starts skip the menus).
    virtual void SwitchScreen(SGameObjects* hub, int id) {
        (void)hub;
        (void)id;
    }
    // A light-gun trigger binding fired outside play: the calibration page takes it as a shot
    // when it is the current page.
    virtual void NotifyGunCalibrateScreen(SGameObjects* hub) { (void)hub; }
    // Every window message, after the window procedure had it.
    virtual void HandleInput(SGameObjects* hub, uint32_t message, uintptr_t wParam, intptr_t lParam) {
        (void)hub;
        (void)message;
        (void)wParam;
        (void)lParam;
    }
    // The current screen draws itself again (the window was uncovered, or the console over it
    // closed); nothing while no screen is current.
    virtual void RedrawScreen(SGameObjects* hub) { (void)hub; }
    // The current screen's per-frame operation.
    virtual void UpdateScreen(SGameObjects* hub) { (void)hub; }
    // The display shell's calls around a display-mode change.
    virtual void ReleaseDeviceObjects(SGameObjects* hub) { (void)hub; }
    virtual void RestoreDeviceObjects(SGameObjects* hub, SGraphics* display) {
        (void)hub;
        (void)display;
    }
    virtual void SetInterfaceSurfaces(SGameObjects* hub) { (void)hub; }
    // Lets go of everything the other calls made; safe to call again and when nothing was made.
    // Runs while the display host and the catalog still exist.
    virtual void Shutdown(SGameObjects* hub) { (void)hub; }
};
