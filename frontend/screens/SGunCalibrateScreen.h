#pragma once

#include <cstdint>
#include <vector>

#include "frontend/screens/SAppScreen.h"

class SAppLayout;
class SDXActLabsGS;
class SSprite;

// The light-gun check before play (screen id 8): a target at one of two fixed points, a hole
// where each shot hit, and the way on into the game (Done) or back to the officer choice
// (Back). In full screen the gun is put into its calibration mode; in a window the page
// explains that it cannot calibrate and asks for the system's game-controller settings
// instead. Owned by the screen manager; it owns its background layout and holds one catalog
// use of each of its two images.
class SGunCalibrateScreen : public SAppScreen {
    DECLARE_DYNAMIC(SGunCalibrateScreen)

public:
    static constexpr int kScreenId = 8;
    static constexpr uint32_t kDoneButton = 1;
    static constexpr uint32_t kBackButton = 2;
    static constexpr uint32_t kInstructionText = 4;
    static constexpr uint32_t kHoldMs = 500;
    static constexpr int kShotsToFinish = 3;
    static constexpr int kModeCalibrate = 32;
    static constexpr int kModeDone = 16;
    static constexpr int kModeOff = 0;
    static constexpr const char* kFullScreenText =
        "Aim at the center of the target and pull the trigger. You will see a bullet hole appear where you have "
        "hit the target.\n\nContinue to shoot until the accuracy is satisfactory. Once you have shot the target at "
        "least 3 times, click 'Done' to proceed into the game.";
    static constexpr const char* kWindowedText =
        "The game cannot calibrate your light gun in windowed mode. You must use the light gun's own calibration "
        "tool under Game Controllers.\n\nSelect the light gun from the list of controllers, and click "
        "'Properties.' Then select Gun 1 and 'Calibrate.' Follow the on-screen instructions";

    SGunCalibrateScreen();
    ~SGunCalibrateScreen() override;

    void Activate() override;
    void Deactivate() override;
    // The page, then in full screen the target and the holes; a shot's hold ends here.
    int Draw(SDC* pDC) override;
    void OnNotify(uint32_t nID, int32_t nCode) override;
    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetLayoutName() override;
    const char* GetMusicName() override;

    // A light-gun trigger fired while this page is current.
    virtual void OnShot();

    sys::POINT GetTargetPoint(int nIndex) const { return m_aTargets[nIndex & 1]; }
    int GetTargetIndex() const { return m_iTarget; }
    const std::vector<sys::POINT>& GetHoles() const { return m_Holes; }
    int GetShotCount() const { return m_iShotCount; }
    uint32_t GetHoldUntil() const { return m_dwHoldUntil; }
    SAppLayout* GetBackground() const { return m_pBackground; }

private:
    // The light gun when the input object has one active; null otherwise.
    SDXActLabsGS* ActiveGun() const;
    // The light gun's device whenever it exists.
    SDXActLabsGS* PresentGun() const;
    bool IsFullScreen() const;
    void SetDoneFlag(bool bFlagged);
    void MoveButton(uint32_t nID, int x, int y);

    SSprite* m_pTargetImage = nullptr;
    SSprite* m_pHoleImage = nullptr;
    std::vector<sys::POINT> m_Holes;
    int32_t m_iShotSound = -1;
    uint32_t m_dwHoldUntil = 0;
    int32_t m_iShotCount = 0;
    SAppLayout* m_pBackground = nullptr;  // owned; a child of the page's layout while it has one
    sys::POINT m_aTargets[2] = {};
    int32_t m_iTarget = 0;
};
