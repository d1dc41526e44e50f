#pragma once

#include <cstdint>

#include "frontend/screens/SAppScreen.h"

class STransparantDialog;

// The settings page (screen id 7): five check buttons each bring one option dialog into the
// page's own layout, where it slides in and is stepped with the page; the page opens with the
// game options and, when left, applies a changed screen mode. The screen manager owns the
// page; the page owns the dialog it shows (and the one it is replacing).
class SSettingsScreen : public SAppScreen {
    DECLARE_DYNAMIC(SSettingsScreen)

public:
    static constexpr int kScreenId = 7;
    // The dialog buttons: game options, performance, controls, video, sound.
    static constexpr uint32_t kGameOptionsButton = 100;
    static constexpr uint32_t kPerformanceButton = 200;
    static constexpr uint32_t kControlsButton = 300;
    static constexpr uint32_t kVideoButton = 400;
    static constexpr uint32_t kSoundButton = 500;
    static constexpr uint32_t kBackButton = 222;
    static constexpr uint32_t kDialogArea = 1000;
    static constexpr uint32_t kButton1500 = 1500;  // unchecked when the page is left
    static constexpr const char* kChangeModeText = "Change screen mode?";
    static constexpr const char* kModeFailedText = "The screen mode could not be changed.";

    // Makes the option dialog of one button; the caller owns it. Null makes none.
    using DialogMaker = STransparantDialog* (*)();

    // The pending full-screen value starts as the configured one.
    SSettingsScreen();
    ~SSettingsScreen() override;

    void OnNotify(uint32_t nID, int32_t nCode) override;
    // Ends whatever session the renderer holds: the option dialogs change what it was built on.
    void Activate() override;
    // Steps the shown dialog first, then the page.
    using SAppScreen::Update;
    void Update() override;

    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetLayoutName() override;
    const char* GetMusicName() override;
    // Not tied to a direction: opens the game options after entering, returns to the main
    // menu after a leave request. Update calls it on every frame once the slide has ended.
    void OnSlideDone() override;

    // Shows the restart notice when the flag is set, and clears it.
    void ShowRestartWarning();
    void SetRestartWarning(bool bOn) { m_byRestartWarning = bOn ? 1 : 0; }

    STransparantDialog* GetDialog() const { return m_pDialog; }
    uint32_t GetDialogId() const { return m_iDialogId; }
    int GetAnswer() const { return m_iAnswer; }
    // The checked state recorded at the last refresh of a dialog button (0 for other ids).
    int GetRecordedCheck(uint32_t nButtonId) const;

    // The option dialog classes register here, one per button id 100..500; other ids are
    // ignored and null empties the slot.
    static void SetDialogMaker(uint32_t nButtonId, DialogMaker pfnMaker);

private:
    static constexpr int kDialogButtonCount = 5;

    // Index of a dialog button in m_aiChecked, or -1.
    static int CheckSlot(uint32_t nButtonId);
    static int MakerSlot(uint32_t nButtonId);
    static STransparantDialog* MakeDialog(uint32_t nButtonId);
    SWindow* FindControl(uint32_t nID) const;
    void ShowDialog(STransparantDialog* pDialog);
    // Sets each dialog button to its own state again, so that its group rules apply, and
    // records the state.
    void RefreshButtons();
    void SetButtonCheck(uint32_t nID, int nCheck);
    void Leave();
    // Makes "game_fullscreen" what the screen shows after the change; a mode that cannot be
    // set is reported and the other one set again.
    void ApplyScreenMode();
    // The display rebuilt in full screen (1) or in a window (0); false when it failed.
    bool SetScreenMode(int nFullScreen);
    static void DeleteDialog(STransparantDialog*& rpDialog);

    int32_t m_iAnswer = 0;
    uint32_t m_iDialogId = kGameOptionsButton;
    uint8_t m_byRestartWarning = 0;
    STransparantDialog* m_pDialog = nullptr;      // owned; a child of the layout while shown
    STransparantDialog* m_pPrevDialog = nullptr;  // owned; only while it is being replaced
    // For ids 300, 100, 500, 200, 400 in this order.
    int32_t m_aiChecked[kDialogButtonCount] = {0, 0, 0, 0, 0};
    int32_t m_bLeave = 0;
    int32_t m_bFirstOpen = 1;

    static DialogMaker s_apfnMakers[kDialogButtonCount];
};
