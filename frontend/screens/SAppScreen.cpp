#include "frontend/screens/SAppScreen.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/CSoundData.h"
#include "app/CSystemData.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "core/SObjectDef.h"
#include "core/SResource.h"
#include "frontend/screens/SButtonSlide.h"
#include "frontend/screens/SScreenManager.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SDXActLabsGS.h"
#include "dx/input/SInputObj.h"
#include "dx/sound/SSound.h"
#include "sys/rand.h"
#include "sys/window/window.h"
#include "ui/SDisplayHost.h"
#include "ui/SFont.h"
#include "ui/SSprite.h"
#include "ui/widgets/SToolTipCtrl.h"

IMPLEMENT_DYNAMIC(SAppScreen, SScreen)

int SAppScreen::s_aInterfaceSounds[kInterfaceSoundCount] = {-1, -1, -1, -1, -1, -1};
int SAppScreen::s_iMusic = -1;
int SAppScreen::s_iAmbient = -1;
uint8_t SAppScreen::s_bMaleVoiceOvers = 1;

namespace {

// Positions in s_aInterfaceSounds.
enum { kClick, kButton, kMouseOver, kOpen, kClose, kCubeTurn };

constexpr const char* kInterfaceGroup = "Interface";
constexpr int kMenuWidth = 640;
constexpr int kMenuHeight = 480;

SGameObjects* Hub() { return SGameObjects::Instance(); }

SSound* SoundManager() {
    SGameObjects* hub = Hub();
    return hub->m_pGameItems != nullptr ? hub->m_pGameItems->m_pSound : nullptr;
}

CConfigData* Config() { return Hub()->m_pConfig; }

// The light gun whose coordinate range follows the display: wanted and made.
SDXActLabsGS* ResolutionLightGun() {
    SInputObj* input = Hub()->m_pInput;
    if (input == nullptr || input->GetSettings().m_iLightGun == 0)
        return nullptr;
    return input->GetLightGun();
}

}  // namespace

SAppScreen::SAppScreen() : m_pButtonSlide(new SButtonSlide) {}

SAppScreen::~SAppScreen() {
    if (SDisplayHost* host = SDisplayHost::GetInstance()) {
        for (SFont* pFont : m_RegisteredFonts)
            host->RemoveFont(pFont);
    }
    if (m_pToolTips != nullptr)
        m_pToolTips->SetParent(nullptr);
    delete m_pToolTips;
    m_pToolTips = nullptr;
    if (m_pLayout != nullptr) {
        m_pLayout->SetParent(nullptr);
        if (SCatalog* catalog = GetResourceCatalog())
            catalog->ReleaseResource(m_pLayout);
        m_pLayout = nullptr;
    }
    delete m_pButtonSlide;
    m_pButtonSlide = nullptr;
}

void SAppScreen::OnNotify(uint32_t nID, int32_t nCode) { SScreen::OnNotify(nID, nCode); }

// ---- names ------------------------------------------------------------------------------------

SScreen* SAppScreen::GetLayout() { return m_pLayout; }
const char* SAppScreen::GetTitle() { return ""; }
const char* SAppScreen::GetLayoutGroup() { return ""; }
const char* SAppScreen::GetAmbientLoopName() { return nullptr; }
const char* const* SAppScreen::GetVoiceOverList() { return nullptr; }
const char* SAppScreen::GetMusicName() { return nullptr; }
const char* SAppScreen::GetLayoutName() { return ""; }
void SAppScreen::ReleaseDeviceObjects() {}
void SAppScreen::RestoreDeviceObjects(SGraphics*) {}

// ---- set-up -----------------------------------------------------------------------------------

bool SAppScreen::Initialise() {
    SCatalog* catalog = GetResourceCatalog();
    if (catalog != nullptr && m_pLayout == nullptr) {
        SGraphics* display = Hub()->m_pGraphics;
        const auto dwDisplay = reinterpret_cast<uintptr_t>(static_cast<SDXDraw*>(display));
        SResource* pResource =
            catalog->GetResource(kKindScreen, CString(GetLayoutName()), CString(GetLayoutGroup()), dwDisplay);
        m_pLayout = dynamic_cast<SScreen*>(pResource);
        if (m_pLayout == nullptr && pResource != nullptr)
            catalog->ReleaseResource(pResource);
        if (m_pLayout != nullptr)
            m_pLayout->SetParent(this);
    }
    if (m_pLayout == nullptr)
        return false;
    ReloadLayoutFonts();
    CreateToolTips();
    return true;
}

void SAppScreen::ReloadLayoutFonts() {
    SGraphics* display = Hub()->m_pGraphics;
    SDisplayHost* host = SDisplayHost::GetInstance();
    SWindowList* pChildren = m_pLayout->GetChildren();
    for (POSITION pos = pChildren->GetHeadPosition(); pos != nullptr;) {
        SWindow* pChild = pChildren->GetNext(pos);
        SFont* pFont = pChild->SetFont(nullptr);
        if (pFont == nullptr)
            continue;
        // The catalog's font was built for whatever display existed when it loaded.
        if (display != nullptr)
            pFont->Locate(CString(""), display);
        if (host != nullptr) {
            host->AddFont(pFont);
            m_RegisteredFonts.push_back(pFont);
        }
        pChild->SetFont(pFont);
    }
}

void SAppScreen::CreateToolTips() {
    CConfigData* config = Config();
    if (config == nullptr || config->m_pSystem->m_bToolTips == 0 || m_pToolTips != nullptr)
        return;
    m_pToolTips = new SToolTipCtrl(kToolTipColour);
    m_pToolTips->CreateToolTip(m_pLayout, 0);
    SGameDLL* library = Hub()->m_pGameDLL;
    SObjectDefList* pList = library != nullptr ? library->GetObjectList() : nullptr;
    SObjectDef* pTips = pList != nullptr ? pList->FindByName("ToolTips") : nullptr;
    if (pTips == nullptr)
        return;
    const char* pszPrefix = *GetLayoutName() != '\0' ? GetLayoutName() : GetLayoutGroup();
    const size_t nPrefix = std::strlen(pszPrefix);
    for (int i = 0; i < pTips->GetCount(); ++i) {
        const char* pszName = pTips->GetName(i).GetString();
        const char* pszAt = std::strstr(pszName, pszPrefix);
        if (pszAt == nullptr)
            continue;
        const long nID = std::strtol(pszAt + nPrefix, nullptr, 10);
        if (SWindow* pChild = m_pLayout->FindChild(static_cast<uint32_t>(nID)))
            m_pToolTips->AddTip(pChild, pTips->GetValue(i).GetString());
    }
}

void SAppScreen::LoadInterfaceSounds() {
    SSound* sound = SoundManager();
    if (sound == nullptr)
        return;
    static constexpr struct {
        int slot;
        const char* name;
    } kSounds[] = {{kMouseOver, "mouse_over"},         {kClick, "interface_click"},
                   {kButton, "interface_button"},      {kOpen, "interface_open"},
                   {kClose, "interface_close"},        {kCubeTurn, "cube_turn"}};
    for (const auto& entry : kSounds) {
        s_aInterfaceSounds[entry.slot] = sound->LoadSoundByKey(kInterfaceGroup, entry.name);
        if (s_aInterfaceSounds[entry.slot] >= 0)
            sound->EnsureSoundLoaded(s_aInterfaceSounds[entry.slot]);
    }
}

bool SAppScreen::CreateScreen(const char* pszClassName, const char* pszText, uint32_t dwStyle,
                              const sys::RECT& rcWindow, SWindow* pOwner, uint32_t nID, void* pCreateContext) {
    if (s_aInterfaceSounds[kClick] == -1)
        LoadInterfaceSounds();
    SSound* sound = SoundManager();
    if (m_pLayout != nullptr && sound != nullptr) {
        m_pLayout->SetInterfaceSounds(sound->FindSound(s_aInterfaceSounds[kClick]),
                                      sound->FindSound(s_aInterfaceSounds[kButton]),
                                      sound->FindSound(s_aInterfaceSounds[kOpen]),
                                      sound->FindSound(s_aInterfaceSounds[kClose]),
                                      sound->FindSound(s_aInterfaceSounds[kCubeTurn]),
                                      sound->FindSound(s_aInterfaceSounds[kMouseOver]));
    }
    return SScreen::CreateScreen(pszClassName, pszText, dwStyle, rcWindow, pOwner, nID, pCreateContext);
}

// ---- a visit ----------------------------------------------------------------------------------

void SAppScreen::Activate() {
    if (m_pLayout != nullptr)
        m_pLayout->PlayOpenSound();
    m_iVoiceOver = -1;
    m_bVoiceOverStarted = 0;
    m_bAmbientStarted = 0;
    m_bMusicStarted = 0;
    // An outward slide of the last visit must not send the page away again.
    m_bySlideStarted = 0;
}

void SAppScreen::Deactivate() {
    SSound* sound = SoundManager();
    if (sound != nullptr && m_iVoiceOver >= 0)
        sound->ReleaseSound(m_iVoiceOver);
    if (s_iMusic != -1) {
        if (sound != nullptr)
            sound->StopSound(s_iMusic);
        s_iMusic = -1;
        m_bMusicStarted = 0;
    }
    m_bSlideDoneHandled = 0;
}

void SAppScreen::Update() {
    if (m_pButtonSlide == nullptr)
        return;
    if (m_bySlideLatched != 0) {
        OnSlideDone();
        return;
    }
    if (m_pButtonSlide->Step() != 0)
        m_bySlideFinished = 1;
}

int SAppScreen::Draw(SDC* pDC) {
    const int nResult = SScreen::Draw(pDC);
    if (m_bVoiceOverStarted == 0) {
        m_bVoiceOverStarted = 1;
        StartVoiceOver();
    }
    if (m_bAmbientStarted == 0) {
        m_bAmbientStarted = 1;
        StartAmbientLoop();
    }
    if (m_bMusicStarted == 0) {
        m_bMusicStarted = 1;
        StartMusic();
    }
    if (m_bySlideFinished != 0)
        m_bySlideLatched = 1;
    return nResult;
}

// ---- slides -----------------------------------------------------------------------------------

void SAppScreen::StartSlide(int nDirection) {
    m_pButtonSlide->SetWindow(m_pLayout);
    m_pButtonSlide->Start(nDirection);
    m_bySlideFinished = 0;
    m_bySlideLatched = 0;
    m_bySlideStarted = 1;
}

void SAppScreen::OnSlideDone() {
    if (m_bSlideDoneHandled != 0)
        return;
    m_bSlideDoneHandled = 1;
    if (m_pLayout != nullptr)
        m_pLayout->PlayCloseSound();
}

int SAppScreen::GetSlideDirection() const { return m_pButtonSlide != nullptr ? m_pButtonSlide->GetDirection() : 1; }

bool SAppScreen::HasSlidOut() const {
    return m_bySlideStarted != 0 && m_bySlideLatched != 0 && GetSlideDirection() == 0;
}

bool SAppScreen::SwitchAfterSlideOut(int nScreenId) {
    SScreenManager* manager = SScreenManager::GetInstance();
    if (!HasSlidOut() || manager == nullptr)
        return false;
    if (manager->SwitchTo(nScreenId) != 0)
        return true;
    // A page that cannot be had would leave this one with its buttons gone and nothing to
    // click; they come back instead.
    StartSlide(1);
    return false;
}

// ---- sounds -----------------------------------------------------------------------------------

const char* SAppScreen::ChooseVoiceOver(const char* const* ppList) {
    if (ppList == nullptr)
        return nullptr;
    const char* pszChoice = nullptr;
    for (int k = 1; ppList[k - 1] != nullptr; ++k) {
        if (sys::Rand() % 100 < 100 / k)
            pszChoice = ppList[k - 1];
    }
    return pszChoice;
}

void SAppScreen::StartVoiceOver() {
    CConfigData* config = Config();
    SSound* sound = SoundManager();
    if (config == nullptr || config->m_pSystem->m_bActivateSound == 0 || sound == nullptr)
        return;
    const char* pszChoice = ChooseVoiceOver(GetVoiceOverList());
    if (pszChoice == nullptr || *pszChoice == '\0')
        return;
    m_iVoiceOver = sound->LoadSound(pszChoice);
    if (m_iVoiceOver < 0)
        return;
    sound->EnsureSoundLoaded(m_iVoiceOver);
    sound->PlaySound(m_iVoiceOver, 0, true, 0, 0);
}

void SAppScreen::StartAmbientLoop() {
    SSound* sound = SoundManager();
    if (sound == nullptr)
        return;
    const char* pszName = GetAmbientLoopName();
    const int nId = pszName != nullptr && *pszName != '\0' ? sound->LoadSound(pszName) : -1;
    // Pages that share a loop keep it going across a switch.
    if (nId == s_iAmbient)
        return;
    if (s_iAmbient >= 0)
        sound->StopSound(s_iAmbient);
    if (nId >= 0) {
        sound->EnsureSoundLoaded(nId);
        sound->PlaySound(nId, 1, true, 0, 0);
    }
    s_iAmbient = nId;
}

void SAppScreen::StartMusic() {
    CConfigData* config = Config();
    SSound* sound = SoundManager();
    if (config == nullptr || config->m_pSound->m_bMusic == 0 || sound == nullptr)
        return;
    const char* pszName = GetMusicName();
    const int nId = pszName != nullptr && *pszName != '\0' ? sound->LoadSound(pszName) : -1;
    if (nId < 0)
        return;
    sound->EnsureSoundLoaded(nId);
    sound->PlaySound(nId, 1, true, 0, 0);
    s_iMusic = nId;
}

void SAppScreen::ReleaseSoundsExceptInterface() {
    if (SSound* sound = SoundManager())
        sound->ReleaseAllExcept(s_aInterfaceSounds, kInterfaceSoundCount);
}

// ---- catalog sprites -----------------------------------------------------------------------------

SSprite* SAppScreen::LoadCatalogSprite(const char* pszName, const char* pszGroup) {
    SCatalog* catalog = GetResourceCatalog();
    if (catalog == nullptr)
        return nullptr;
    const auto dwDisplay = reinterpret_cast<uintptr_t>(static_cast<SDXDraw*>(Hub()->m_pGraphics));
    SResource* found = catalog->GetResource(kKindSprite, CString(pszName), CString(pszGroup), dwDisplay);
    auto* sprite = dynamic_cast<SSprite*>(found);
    if (sprite == nullptr) {
        if (found != nullptr)
            catalog->ReleaseResource(found);
        return nullptr;
    }
    if (SDisplayHost* host = SDisplayHost::GetInstance())
        host->AddSprite(sprite);
    return sprite;
}

void SAppScreen::ReleaseCatalogSprite(SSprite*& pSprite) {
    if (pSprite == nullptr)
        return;
    if (SDisplayHost* host = SDisplayHost::GetInstance())
        host->RemoveSprite(pSprite);
    if (SCatalog* catalog = GetResourceCatalog())
        catalog->ReleaseResource(pSprite);
    pSprite = nullptr;
}

// ---- main window --------------------------------------------------------------------------------

void SAppScreen::PlaceMainWindow() {
    SGameObjects* hub = Hub();
    CConfigData* config = hub->m_pConfig;
    SGraphics* display = hub->m_pGraphics;
    if (config == nullptr || display == nullptr)
        return;
    int nDesktopWidth = sys::window::GetSystemMetrics(sys::SM_CXSCREEN);
    int nDesktopHeight = sys::window::GetSystemMetrics(sys::SM_CYSCREEN);
    CGraphicsData* graphics = config->m_pGraphics;
    if (graphics->m_bSoftware != 0) {
        graphics->m_iWidth = kMenuWidth;
        graphics->m_iHeight = kMenuHeight;
    }
    m_iSavedModeWidth = display->GetWidth();
    m_iSavedModeHeight = display->GetHeight();
    sys::RECT rcArea{0, 0, nDesktopWidth, nDesktopHeight};
    if (display->IsFullScreen() == 0)
        sys::window::GetWorkArea(rcArea);
    nDesktopWidth = std::min(nDesktopWidth, static_cast<int>(rcArea.right - rcArea.left));
    nDesktopHeight = std::min(nDesktopHeight, static_cast<int>(rcArea.bottom - rcArea.top));
    // The frame's borders: both come out zero or negative.
    int nBorder = 0;
    int nTop = 0;
    if (sys::HWND window = sys::window::GetMainWindow()) {
        sys::RECT rcFrame{};
        sys::POINT ptClient{0, 0};
        if (sys::window::GetWindowRect(window, rcFrame) && sys::window::ClientToScreen(window, ptClient)) {
            nBorder = rcFrame.left - ptClient.x;
            nTop = rcFrame.top - ptClient.y;
        }
    }
    int nWidth = graphics->m_iWidth;
    int nHeight = graphics->m_iHeight;
    const char* pszDedicated =
        hub->m_pGameDLL != nullptr ? hub->m_pGameDLL->GetProperty("ServerDedicated") : nullptr;
    if (pszDedicated != nullptr && std::atoi(pszDedicated) != 0) {
        nWidth = kMenuWidth;
        nHeight = kMenuHeight;
    }
    if (config->m_pSystem->m_bFullScreen == 0) {
        nWidth = std::min(nWidth, nDesktopWidth + 2 * nBorder);
        nHeight = std::min(nHeight, nDesktopHeight + nTop + nBorder);
    }
    display->SetModeSize(nWidth, nHeight);
    if (nWidth != m_iSavedModeWidth || nHeight != m_iSavedModeHeight)
        ResizeDisplay(nWidth, nHeight);
    // The gun reports positions in the range of the desktop it is now aimed at.
    if (SDXActLabsGS* gun = ResolutionLightGun()) {
        gun->UnlockResolution();
        gun->SetResolutionRange(sys::window::GetSystemMetrics(sys::SM_CXSCREEN),
                                sys::window::GetSystemMetrics(sys::SM_CYSCREEN));
    }
}

void SAppScreen::RestoreMenuResolution() {
    if (SDXActLabsGS* gun = ResolutionLightGun())
        gun->UnlockResolution();
    SGraphics* display = Hub()->m_pGraphics;
    if (display == nullptr || (display->GetWidth() == kMenuWidth && display->GetHeight() == kMenuHeight))
        return;
    display->SetModeSize(kMenuWidth, kMenuHeight);
    ResizeDisplay(kMenuWidth, kMenuHeight);
}

void SAppScreen::ResizeDisplay(int nWidth, int nHeight) {
    const sys::RECT rcPage{0, 0, nWidth, nHeight};
    MoveWindow(rcPage);
    if (m_pLayout != nullptr)
        m_pLayout->MoveWindow(rcPage);
    Hub()->m_pGraphics->ResetDisplayMode();
}
