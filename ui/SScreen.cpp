#include "ui/SScreen.h"

#include <algorithm>
#include <iterator>

#include "core/SCatalog.h"
#include "core/SResourceFactory.h"
#include "dx/sound/SDXSoundBuffer.h"
#include "sys/gdi/gdi.h"
#include "ui/SDC.h"

IMPLEMENT_SERIAL(SScreen, SWindow, VERSIONABLE_SCHEMA | 1)

namespace {

// Controls whose clicks sound like a button rather than an ordinary control.
constexpr uint32_t kButtonSoundIds[] = {3459, 3461, 3469, 3471, 3600, 3601, 3709, 3711, 3719, 3721, 3870, 3880};
// The two controls that turn the cube.
constexpr uint32_t kCubeTurnIds[] = {1111, 2222};
constexpr sys::COLORREF kFrameColour = 0xFF0000;

template <size_t N>
bool Contains(const uint32_t (&ids)[N], uint32_t nID) {
    return std::find(std::begin(ids), std::end(ids), nID) != std::end(ids);
}

}  // namespace

void RegisterScreenResourceKind() { SResourceFactory::RegisterKind<SScreen>(kKindScreen); }

SScreen::SScreen() = default;

SScreen::~SScreen() { ClearSoundEntries(); }

// ---- sounds -------------------------------------------------------------------------------

void SScreen::ClearSoundEntries() {
    for (int32_t* pIndex : {&m_iClickSound, &m_iMouseOverSound, &m_iButtonSound, &m_iCloseSound, &m_iCubeTurnSound,
                            &m_iOpenSound}) {
        if (*pIndex >= 0 && *pIndex < m_pResArray->GetSize())
            m_pResArray->SetAt(*pIndex, nullptr);
        *pIndex = -1;
    }
}

void SScreen::PlaySoundAt(int nIndex) {
    if (nIndex < 0 || nIndex >= m_pResArray->GetSize())
        return;
    // Entries loaded from wave files are plain waves without a device buffer: nothing to play.
    if (auto* pBuffer = dynamic_cast<SDXSoundBuffer*>(m_pResArray->GetAt(nIndex))) {
        pBuffer->SetCurrentPosition(0);
        pBuffer->Play(0);
    }
}

void SScreen::PlayCloseSound() { PlaySoundAt(m_iCloseSound); }

void SScreen::PlayOpenSound() { PlaySoundAt(m_iOpenSound); }

void SScreen::PlayMouseOverSound() { PlaySoundAt(m_iMouseOverSound); }

void SScreen::SetInterfaceSounds(SDXSoundBuffer* pClick, SDXSoundBuffer* pButton, SDXSoundBuffer* pOpen,
                                 SDXSoundBuffer* pClose, SDXSoundBuffer* pCubeTurn, SDXSoundBuffer* pMouseOver) {
    m_pResArray->SetAtGrow(1, pClick);
    m_pResArray->SetAtGrow(2, pButton);
    m_pResArray->SetAtGrow(3, pOpen);
    m_pResArray->SetAtGrow(4, pClose);
    m_pResArray->SetAtGrow(5, pCubeTurn);
    m_pResArray->SetAtGrow(6, pMouseOver);
    m_iClickSound = 1;
    m_iButtonSound = 2;
    m_iOpenSound = 3;
    m_iCloseSound = 4;
    m_iCubeTurnSound = 5;
    m_iMouseOverSound = 6;
}

void SScreen::SetTwoSounds(SDXSoundBuffer* pClick, SDXSoundBuffer* pMouseOver) {
    m_pResArray->SetAtGrow(1, pClick);
    m_pResArray->SetAtGrow(2, pMouseOver);
    m_iClickSound = 1;
    m_iMouseOverSound = 2;
}

void SScreen::OnNotify(uint32_t nID, int32_t nCode) {
    PlayNotifySound(nID, nCode);
    SWindow::OnNotify(nID, nCode);
}

void SScreen::PlayNotifySound(uint32_t nID, int32_t nCode) {
    const SWindow* pChild = FindChild(nID);
    const bool bSounding = pChild != nullptr && (pChild->GetStyle() & kStyleNoParentNotify) == 0 &&
                           pChild->GetSoundFlag();
    if (nCode == kNotifyClick && m_iClickSound >= 0 && m_iButtonSound >= 0 && m_iCubeTurnSound >= 0 && bSounding) {
        if (Contains(kButtonSoundIds, nID)) {
            PlaySoundAt(m_iButtonSound);
        } else if (Contains(kCubeTurnIds, nID)) {
            PlaySoundAt(m_iCubeTurnSound);
            PlaySoundAt(m_iClickSound);
        } else {
            PlaySoundAt(m_iClickSound);
        }
    } else if (nCode == kNotifyEditKey && m_iClickSound >= 0 && bSounding) {
        PlaySoundAt(m_iClickSound);
    }
}

// ---- loading ------------------------------------------------------------------------------

void SScreen::SetIndicesFromEntries() {
    const int n = m_pResArray->GetSize();
    m_iBackground = n >= 1 ? 0 : -1;
    if (n > 2) {
        m_iClickSound = 1;
        m_iMouseOverSound = 2;
    }
    if (n >= 7) {
        m_iClickSound = 1;
        m_iButtonSound = 2;
        m_iOpenSound = 3;
        m_iCloseSound = 4;
        m_iCubeTurnSound = 5;
        m_iMouseOverSound = 6;
    }
}

bool SScreen::LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) {
    const bool bResult = SWindow::LoadFromMemory(pSearchFolders, dwFlags);
    SetIndicesFromEntries();
    return bResult;
}

bool SScreen::LoadFromFile(const CString& strFolder, uintptr_t dwFlags) {
    const bool bResult = SWindow::LoadFromFile(strFolder, dwFlags);
    if (bResult)
        SetIndicesFromEntries();
    return bResult;
}

void SScreen::Unload() {
    ClearSoundEntries();
    SWindow::Unload();
}

int32_t SScreen::Accept(SResourceVisitor* pVisitor) { return pVisitor != nullptr ? pVisitor->VisitScreen(this) : 0; }

bool SScreen::CreateScreen(const char*, const char*, uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pOwner,
                           uint32_t, void*) {
    m_dwStyle = dwStyle;
    m_rcWindow = rcWindow;
    m_pOwner = pOwner;
    return true;
}

void SScreen::Activate() {}

void SScreen::Deactivate() {}

void SScreen::Update() {}

// ---- background ---------------------------------------------------------------------------

SResource* SScreen::GetBackgroundImage() const {
    if (m_iBackground < 0 || m_iBackground >= m_pResArray->GetSize())
        return nullptr;
    return m_pResArray->GetAt(m_iBackground);
}

SResource* SScreen::SetBackgroundImage(SResource* pImage) {
    if (m_iBackground < 0 || m_iBackground >= m_pResArray->GetSize()) {
        AddResource(pImage, true);
        m_iBackground = m_pResArray->GetSize() - 1;
        return pImage;
    }
    SResource* pOld = m_pResArray->GetAt(m_iBackground);
    const auto made = std::find(m_MadeResources.begin(), m_MadeResources.end(), pOld);
    if (pOld != nullptr && pOld != pImage && made != m_MadeResources.end()) {
        // A picture the screen read from its own file is deleted once, here, and no longer
        // with the screen's other files at unloading.
        m_MadeResources.erase(made);
        delete pOld;
    } else if (pOld != nullptr && pOld != pImage) {
        SCatalog* pCatalog = GetResourceCatalog();
        if (pCatalog == nullptr || !pCatalog->ReleaseResource(pOld))
            delete pOld;
    }
    m_pResArray->SetAt(m_iBackground, pImage);
    return pImage;
}

bool SScreen::SetCurrentSourceDC(SDC* pDC) {
    SetSourceDC(pDC);
    return true;
}

bool SScreen::PackImages(SDC* pDC, int nWidth, int nHeight, sys::POINT& rptCursor) {
    SetPackingRowBottom(0);
    if (pDC == nullptr)
        return false;
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;)
        m_pChildren->GetNext(pos)->PackImages(pDC, nWidth, nHeight, rptCursor);
    if (SResource* pBackground = GetBackgroundImage())
        pBackground->SetRect(m_rcWindow);
    return true;
}

void SScreen::DrawBackground(SDC* pDC) {
    if (pDC == nullptr)
        return;
    if (SResource* pBackground = GetBackgroundImage()) {
        if (GetGlobalBackdrop() != nullptr)
            pDC->DrawImageFrom(m_rcWindow, pBackground, GetGlobalBackdrop(), 0);
        else
            pDC->DrawImage(m_rcWindow, pBackground, 0, 0);
        return;
    }
    sys::HBRUSH hBrush = sys::gdi::CreateSolidBrush(kFrameColour);
    sys::RECT rc = m_rcWindow;
    pDC->FrameRect(rc, hBrush);
    rc = sys::RECT{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1};
    pDC->FrameRect(rc, hBrush);
    rc = sys::RECT{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1};
    pDC->Rectangle(rc, nullptr, nullptr);
    sys::gdi::DeleteObject(hBrush);
}

void SScreen::Paint(SDC*) {}

// ---- focus --------------------------------------------------------------------------------

void SScreen::OnNextDlgCtl(bool bForward, SWindow* pTarget) {
    SWindow* pFocus = GetFocus();
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;) {
        const POSITION posChild = pos;
        SWindow* pChild = m_pChildren->GetNext(pos);
        if (pTarget != nullptr && pChild == pTarget) {
            pChild->SetFocus();
            return;
        }
        if (pFocus == nullptr || pChild != pFocus)
            continue;
        // Walk from the focus window, wrapping at either end, to the next tab stop.
        POSITION walk = posChild;
        SWindow* pNext = nullptr;
        do {
            if (bForward) {
                m_pChildren->GetNext(walk);
                if (walk == nullptr)
                    walk = m_pChildren->GetHeadPosition();
            } else {
                m_pChildren->GetPrev(walk);
                if (walk == nullptr)
                    walk = m_pChildren->GetTailPosition();
            }
            pNext = m_pChildren->GetAt(walk);
        } while (pNext != pFocus && (pNext->GetStyle() & kStyleTabStop) == 0);
        pNext->SetFocus();
        return;
    }
}
