#pragma once

#include "dx/display/SDisplayHooks.h"

class SGameObjects;
class SGraphics;
class SRendererFactory;

// The application's side of the display manager: the main window and its frame style, the
// renderer made by the renderer factory, the game-logic library's state and steps, and the
// hub's overlay switches and values. Made by start-up with the hub and the factory and installed
// on the display manager (Install); owns neither.
class SGraphicsShell : public SDisplayShell {
public:
    SGraphicsShell(SGameObjects* hub, SRendererFactory* factory) : m_pHub(hub), m_pFactory(factory) {}

    void Install(SGraphics* graphics);

    // A window with a caption, system menu and minimise box, or a bare one for full screen.
    void SetFullScreen(int fullScreen) override;
    // Sizes the window around a client area of that size, centred in the work area.
    void SetClientSize(int width, int height) override;

    uint32_t GetFullScreenDepth() override;

    SDisplayRenderer* CreateRenderer() override;
    SDisplayRenderer* GetRenderer() override;
    void ReleaseRenderer() override;

    bool HasGameLibrary() override;
    int GetGameState() override;
    // A library that refuses the command must not take the frame down with it.
    void SessionCommand(int code, int argument) override;
    void AdvanceGame(float framesPerSecond) override;

    bool ShowFrameStats() override;
    bool ShowMousePosition() override;
    bool ShowSoundStats() override;
    float GetFrameRate() override;
    sys::POINT GetMousePosition() override;
    std::string GetSoundStats() override;

private:
    SGameObjects* m_pHub;
    SRendererFactory* m_pFactory;
};
