#include "frontend/screens/SGunCalibrateScreen.h"

#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "core/SResource.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SDXActLabsGS.h"
#include "dx/input/SInputObj.h"
#include "dx/sound/SSound.h"
#include "frontend/hud/SAppLayout.h"
#include "frontend/screens/SScreenManager.h"
#include "sys/time/time.h"
#include "sys/window/shell.h"
#include "sys/window/window.h"
#include "ui/SDC.h"
#include "ui/SDisplayHost.h"
#include "ui/SSprite.h"

IMPLEMENT_DYNAMIC(SGunCalibrateScreen, SAppScreen)

namespace {

constexpr const char* kImageGroup = "MiscScreens";
constexpr const char* kTargetImage = "CalTarget";
constexpr const char* kHoleImage = "CalBulletHole";
constexpr const char* kShotSoundGroup = "Weapon";
constexpr const char* kShotSoundName = "ws-9mm-fire01";
constexpr const char* kBackgroundScript = "imgtiler(\"Interface:Screen rez bkgrnd\",0,0,xr,yb)";
constexpr int kInGameScreen = 11;
constexpr int kChooseOfficerScreen = 2;
constexpr int kButtonMargin = 20;
constexpr int kButtonRise = 50;
constexpr int kDoneFromRight = 128;

SGameObjects* Hub() { return SGameObjects::Instance(); }

SSound* SoundManager() {
    SGameObjects* hub = Hub();
    return hub->m_pGameItems != nullptr ? hub->m_pGameItems->m_pSound : nullptr;
}

}  // namespace

SGunCalibrateScreen::SGunCalibrateScreen() = default;

SGunCalibrateScreen::~SGunCalibrateScreen() {
    ReleaseCatalogSprite(m_pTargetImage);
    ReleaseCatalogSprite(m_pHoleImage);
    if (m_pBackground != nullptr) {
        m_pBackground->SetParent(nullptr);
        if (SDisplayHost* host = SDisplayHost::GetInstance())
            host->RemoveLayout(m_pBackground);
        delete m_pBackground;
        m_pBackground = nullptr;
    }
}

const char* SGunCalibrateScreen::GetTitle() { return "Gun Calibrate"; }
const char* SGunCalibrateScreen::GetLayoutGroup() { return kImageGroup; }
const char* SGunCalibrateScreen::GetLayoutName() { return "GunCalibrate"; }
const char* SGunCalibrateScreen::GetMusicName() { return "Background:bs-mainloop"; }

SDXActLabsGS* SGunCalibrateScreen::PresentGun() const {
    SInputObj* input = Hub()->m_pInput;
    return input != nullptr ? input->GetLightGun() : nullptr;
}

SDXActLabsGS* SGunCalibrateScreen::ActiveGun() const {
    SInputObj* input = Hub()->m_pInput;
    if (input == nullptr || input->GetSettings().m_iLightGun == 0 || !input->IsLightGunPresent())
        return nullptr;
    return input->GetLightGun();
}

bool SGunCalibrateScreen::IsFullScreen() const {
    SGraphics* display = Hub()->m_pGraphics;
    return display != nullptr && display->IsFullScreen() != 0;
}

void SGunCalibrateScreen::SetDoneFlag(bool bFlagged) {
    SWindow* done = m_pLayout != nullptr ? m_pLayout->FindChild(kDoneButton) : nullptr;
    if (done != nullptr)
        done->SetModalParent(bFlagged ? 1 : 0);
}

void SGunCalibrateScreen::MoveButton(uint32_t nID, int x, int y) {
    SWindow* button = m_pLayout != nullptr ? m_pLayout->FindChild(nID) : nullptr;
    if (button == nullptr)
        return;
    const sys::RECT rc = button->GetWindowRect();
    button->MoveWindow(sys::RECT{x, y, x + (rc.right - rc.left), y + (rc.bottom - rc.top)});
}

void SGunCalibrateScreen::Activate() {
    SAppScreen::Activate();
    m_iTarget = 0;
    m_iShotSound = -1;
    m_dwHoldUntil = 0;
    m_iShotCount = 0;
    m_Holes.clear();

    if (m_pBackground == nullptr) {
        m_pBackground = new SAppLayout(Hub());
        m_pBackground->SetScript(kBackgroundScript);
        if (m_pLayout != nullptr) {
            // Drawn first, behind the page's own controls.
            m_pBackground->SetParent(m_pLayout);
            SWindowList* children = m_pLayout->GetChildren();
            if (POSITION pos = children->Find(m_pBackground)) {
                children->RemoveAt(pos);
                children->AddHead(m_pBackground);
            }
        }
        if (SDisplayHost* host = SDisplayHost::GetInstance())
            host->AddLayout(m_pBackground);
    }
    if (SSound* sound = SoundManager()) {
        m_iShotSound = sound->LoadSoundByKey(kShotSoundGroup, kShotSoundName);
        if (m_iShotSound >= 0)
            sound->EnsureSoundLoaded(m_iShotSound);
    }
    if (m_pTargetImage == nullptr)
        m_pTargetImage = LoadCatalogSprite(kTargetImage, kImageGroup);
    if (m_pHoleImage == nullptr)
        m_pHoleImage = LoadCatalogSprite(kHoleImage, kImageGroup);

    PlaceMainWindow();
    SGraphics* display = Hub()->m_pGraphics;
    const int width = display != nullptr ? display->GetWidth() : 0;
    const int height = display != nullptr ? display->GetHeight() : 0;
    m_pBackground->MoveWindow(sys::RECT{0, 0, width, height});
    m_aTargets[0] = sys::POINT{width / 4, 3 * height / 4};
    m_aTargets[1] = sys::POINT{3 * width / 4, height / 4};

    MoveButton(kBackButton, kButtonMargin, height - kButtonRise);
    MoveButton(kDoneButton, width - kDoneFromRight, height - kButtonRise);

    SWindow* text = m_pLayout != nullptr ? m_pLayout->FindChild(kInstructionText) : nullptr;
    SDXActLabsGS* gun = ActiveGun();
    if (gun != nullptr && IsFullScreen()) {
        if (text != nullptr)
            text->SetText(kFullScreenText);
        Hub()->m_pInput->EnableMouse(true);
        gun->SetCalibrationMode(kModeCalibrate, 0);
        SetDoneFlag(true);
    } else {
        if (text != nullptr)
            text->SetText(kWindowedText);
        sys::window::ShellExecute(sys::window::GetMainWindow(), "open", "control.exe", "joy.cpl", nullptr,
                                  sys::SW_SHOWNORMAL);
    }
}

void SGunCalibrateScreen::OnShot() {
    const uint32_t now = sys::time::TickCount();
    // Pulls within the hold of the last shot count as that shot.
    if (m_dwHoldUntil != 0 && static_cast<int32_t>(now - m_dwHoldUntil) < 0)
        return;
    if (SDXActLabsGS* gun = ActiveGun()) {
        // Where the gun points, not where the system pointer is: the gun reports screen pixels
        // in the range the placement gave it.
        sys::POINT hit{gun->GetX(), gun->GetY()};
        if (const sys::HWND window = sys::window::GetMainWindow())
            sys::window::ScreenToClient(window, hit);
        if (m_iShotCount == 0) {
            m_Holes.push_back(m_aTargets[0]);
        } else {
            m_Holes.clear();
            m_Holes.push_back(hit);
        }
    }
    SSound* sound = SoundManager();
    if (sound != nullptr && m_iShotSound >= 0)
        sound->PlaySound(m_iShotSound, 0, true, 0, 0);
    if (++m_iShotCount >= kShotsToFinish)
        SetDoneFlag(false);
    m_dwHoldUntil = now + kHoldMs;
    if (m_dwHoldUntil == 0)
        m_dwHoldUntil = 1;  // 0 means no shot is held
}

int SGunCalibrateScreen::Draw(SDC* pDC) {
    const int result = SAppScreen::Draw(pDC);
    SDXSurface* surface = pDC != nullptr ? pDC->GetSurface() : nullptr;
    if (IsFullScreen() && surface != nullptr) {
        const sys::POINT target = m_aTargets[m_iTarget];
        if (m_pTargetImage != nullptr)
            m_pTargetImage->Draw(surface, target.x, target.y);
        if (m_pHoleImage != nullptr) {
            for (const sys::POINT& hole : m_Holes)
                m_pHoleImage->Draw(surface, hole.x, hole.y);
        }
    }
    // Each shot's hole is shown for the hold, then the target moves to the other point.
    if (m_dwHoldUntil != 0 && static_cast<int32_t>(sys::time::TickCount() - m_dwHoldUntil) >= 0) {
        m_Holes.clear();
        m_dwHoldUntil = 0;
        m_iTarget ^= 1;
    }
    return result;
}

void SGunCalibrateScreen::OnNotify(uint32_t nID, int32_t nCode) {
    SAppScreen::OnNotify(nID, nCode);
    if (nCode != kNotifyClick)
        return;
    SScreenManager* manager = Hub()->m_pScreenManager;
    if (nID == kDoneButton) {
        if (SDXActLabsGS* gun = PresentGun())
            gun->SetCalibrationMode(kModeDone, 0);
        if (SInputObj* input = Hub()->m_pInput) {
            input->GetSettings().m_iCalibrateLightGun = 0;
            input->SetLightGunPresent(false);
        }
        if (manager != nullptr)
            manager->SwitchTo(kInGameScreen);
    } else if (nID == kBackButton) {
        if (SDXActLabsGS* gun = PresentGun())
            gun->SetCalibrationMode(kModeOff, 0);
        RestoreMenuResolution();
        if (manager != nullptr)
            manager->SwitchTo(kChooseOfficerScreen);
    }
}

void SGunCalibrateScreen::Deactivate() {
    if (SSound* sound = SoundManager(); sound != nullptr && m_iShotSound >= 0)
        sound->ReleaseSound(m_iShotSound);
    m_iShotSound = -1;
    if (SInputObj* input = Hub()->m_pInput)
        input->DisableMouse();
    SAppScreen::Deactivate();
}
