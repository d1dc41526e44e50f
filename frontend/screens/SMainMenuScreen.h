#pragma once

#include <cstdint>

#include "frontend/screens/SAppScreen.h"

// The main menu (screen id 0): the first page of every run. It greets the officer with a random
// voice-over the first time it appears, leads to the officer pages, settings, help and credits
// through a slide-out, and closes the program. Owned by the screen manager.
class SMainMenuScreen : public SAppScreen {
    DECLARE_DYNAMIC(SMainMenuScreen)

public:
    static constexpr int kScreenId = 0;
    // Control ids of the layout.
    static constexpr uint32_t kCreateOfficerButton = 10;
    static constexpr uint32_t kChooseOfficerButton = 20;
    static constexpr uint32_t kSettingsButton = 30;
    static constexpr uint32_t kHelpButton = 40;
    static constexpr uint32_t kCreditsButton = 50;
    static constexpr uint32_t kQuitButton = 60;
    static constexpr uint32_t kImagesWindow = 999;
    // The palette index the images of window 999 draw as transparent.
    static constexpr int kTransparentIndex = 249;

    // Picks the male or the female voice-overs from the system profile's "MaleVoiceOvers".
    SMainMenuScreen();
    ~SMainMenuScreen() override;

    void OnNotify(uint32_t nID, int32_t nCode) override;
    void Activate() override;
    void Deactivate() override;
    // Presses that reach the page itself go no further.
    void OnLButtonDown(uint32_t nFlags, int x, int y) override;

    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetLayoutName() override;
    const char* GetMusicName() override;
    const char* const* GetVoiceOverList() override;
    // Moves on to the target page once the buttons have slid out.
    void OnSlideDone() override;

    int GetTarget() const { return m_iTarget; }
    // Whether the page has appeared in this run; the welcome plays only before that.
    static bool HasBeenShown() { return s_byShownBefore != 0; }
    // Back to the state of a fresh run.
    static void ForgetShown() { s_byShownBefore = 0; }

private:
    // Button 20 leads to the officer choice, which needs at least one officer.
    void UpdateChooseOfficerButton();
    static int CountOfficers();
    void MakeImagesTransparent();
    static void CloseProgram();

    int32_t m_iTarget = 2;

    static uint8_t s_byShownBefore;
};
