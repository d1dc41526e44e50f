#include "ui/layout/SLayout.h"
#include "ui/layout/SLayoutResourceLists.h"

#include "sys/time/time.h"
#include "ui/SDC.h"
#include "ui/SScreen.h"
#include "ui/widgets/SSlider.h"
#include "ui/widgets/SToolTipCtrl.h"

IMPLEMENT_DYNAMIC(SLayoutRes, CObject)
IMPLEMENT_DYNAMIC(SLayout, SWindow)

SLayout::SLayout(sys::COLORREF crToolTipBack) : m_pToolTip(new SToolTipCtrl(crToolTipBack)) {
    // Clicks on a layout make no sound of their own (the control's flag is copied in per
    // click), and the screen behind shows through.
    m_bSound = 0;
    m_byPaintBackground = 0;
    m_pToolTip->CreateToolTip(this, 0);
}

SLayout::~SLayout() {
    ClearScript();
    // The control is ours, not the window tree's: it leaves the children before it goes.
    m_pToolTip->SetParent(nullptr);
    delete m_pToolTip;
}

void SLayout::SetToolTipColour(sys::COLORREF crBack) { m_pToolTip->SetBackgroundColor(crBack); }

// ---- script ---------------------------------------------------------------------------------

void SLayout::DeleteGroups() {
    while (!m_Groups.IsEmpty())
        delete m_Groups.RemoveHead();
}

void SLayout::ClearScript() {
    DeleteGroups();
    MarkResources(false);
    PurgeUnmarkedResources();
}

void SLayout::SetScript(const char* pszScript) {
    DeleteGroups();
    // Records stay: the first frame of the new tree marks what it still uses and purges the
    // rest, so resources shared by both scripts survive the change.
    MarkResources(false);
    m_strScript = pszScript;
    ParseScript();
    m_byScriptLoaded = 1;
    EnableKeyboard(1);
}

void SLayout::ShowAllGroups() {
    for (POSITION pos = m_Groups.GetHeadPosition(); pos != nullptr;)
        m_Groups.GetNext(pos)->Refresh();
}

void SLayout::AttachItem(SLayoutItem* pItem, SLayoutGroup* pBlock) {
    pItem->SetGroup(pBlock);
    pItem->SetLayout(this);
    pBlock->AddItem(pItem);
}

// ---- frame ----------------------------------------------------------------------------------

void SLayout::AddTime(TimeKind eKind, uint32_t dwMilliseconds) {
    switch (eKind) {
    case kTimeGroup: m_dwGroupTime += dwMilliseconds; break;
    case kTimeText: m_dwTextTime += dwMilliseconds; break;
    case kTimeImage: m_dwImageTime += dwMilliseconds; break;
    case kTimeControl: m_dwControlTime += dwMilliseconds; break;
    case kTimeSprite: m_dwSpriteTime += dwMilliseconds; break;
    }
}

uint32_t SLayout::GetTime(TimeKind eKind) const {
    switch (eKind) {
    case kTimeGroup: return m_dwGroupTime;
    case kTimeText: return m_dwTextTime;
    case kTimeImage: return m_dwImageTime;
    case kTimeControl: return m_dwControlTime;
    case kTimeSprite: return m_dwSpriteTime;
    }
    return 0;
}

int SLayout::Draw(SDC* pDC) {
    const uint32_t start = sys::time::TickCount();
    m_dwGroupTime = m_dwTextTime = m_dwImageTime = m_dwControlTime = m_dwSpriteTime = 0;
    m_iWindowsCreated = 0;
    m_dwLayoutTime = 0;
    if (!m_byInitialised)
        OnInitialUpdate();

    int result = 0;
    for (POSITION pos = m_Groups.GetHeadPosition(); pos != nullptr;)
        result |= m_Groups.GetNext(pos)->Render(pDC);

    if (!GetEditList().IsEmpty())
        m_byEnterWasUp = SLayoutResourceLists::SendEnteredLines(*this, m_byEnterWasUp != 0) ? 1 : 0;
    if (m_byScriptLoaded)
        PurgeUnmarkedResources();
    // New windows were not drawn in this pass; the screen is painted again with them and the
    // frame drawn once more (only once: a second pass that made windows again waits a frame).
    if (m_iWindowsCreated > 0 && !m_byRedrawing) {
        OnWindowsCreated();
        m_byRedrawing = 1;
        result |= Draw(pDC);
        m_byRedrawing = 0;
    }
    m_dwLayoutTime = sys::time::TickCount() - start;
    return result;
}

void SLayout::DrawChildWindow(SWindow* pWindow, SDC* pDC) {
    if (pWindow != nullptr && m_iWindowsCreated == 0)
        pWindow->Draw(pDC);
}

void SLayout::OnInitialUpdate() { m_byInitialised = 1; }

void SLayout::SetDepth(int32_t nDepth) { m_iDepth = nDepth; }

int32_t SLayout::GetDepth() { return m_iDepth; }

void SLayout::DrawBackground(SDC*) {}

int SLayout::LayoutHook(uint32_t) { return 1; }

// ---- windows --------------------------------------------------------------------------------

SWindow* SLayout::ChildFromPoint(int x, int y, uint32_t nValue) {
    if (!m_bVisible)
        return nullptr;
    for (POSITION pos = m_pChildren->GetTailPosition(); pos != nullptr;)
        if (SWindow* pHit = m_pChildren->GetPrev(pos)->ChildFromPoint(x, y, nValue))
            return pHit;
    if (m_pParent == nullptr)
        return nullptr;
    SWindowList* pSiblings = m_pParent->GetChildren();
    for (POSITION pos = pSiblings->GetTailPosition(); pos != nullptr;) {
        SWindow* pSibling = pSiblings->GetPrev(pos);
        if (pSibling->IsKindOf(RUNTIME_CLASS(SLayout)))
            continue;
        if (SWindow* pHit = pSibling->ChildFromPoint(x, y, nValue))
            return pHit;
    }
    return nullptr;
}

namespace {

SLayoutRes* RecordAt(SLayoutResList& list, int32_t nIndex) {
    if (nIndex < 0 || nIndex >= list.GetCount())
        return nullptr;
    return list.GetAt(list.FindIndex(nIndex));
}

}  // namespace

void SLayout::OnNotify(uint32_t nID, int32_t nCode) {
    m_bSound = 0;
    if (nCode == kNotifyClick) {
        const int32_t id = static_cast<int32_t>(nID);
        CString command;
        bool send = false;
        if (id < kSliderIdBase) {
            if (SLayoutRes* pRecord = RecordAt(GetButtonList(), id - kButtonIdBase)) {
                if (auto* pWindow = dynamic_cast<SWindow*>(pRecord->m_pObject))
                    m_bSound = pWindow->GetSoundFlag() ? 1 : 0;
                command = pRecord->m_strCommand;
                send = true;
            }
        } else if (SLayoutRes* pRecord = RecordAt(GetSliderList(), id - kSliderIdBase)) {
            auto* pSlider = dynamic_cast<SSlider*>(pRecord->m_pObject);
            if (pSlider != nullptr)
                m_bSound = pSlider->GetSoundFlag() ? 1 : 0;
            command.Format("%s %d", pRecord->m_strCommand.GetString(), pSlider != nullptr ? pSlider->GetPos() : 0);
            send = true;
        }
        if (send)
            OnCommand(command);
    }
    if (m_pParent != nullptr)
        m_pParent->OnNotify(m_nID, nCode);
}

void SLayout::PlayMouseOverSound() {
    if (m_pParent != nullptr && m_pParent->IsKindOf(RUNTIME_CLASS(SScreen)))
        static_cast<SScreen*>(m_pParent)->PlayMouseOverSound();
}

// ---- record lists ---------------------------------------------------------------------------
// The lookups that fill the lists (catalog, files, widget windows) answer nothing here; items
// then draw their placeholders.

SSprite* SLayout::LoadResource(const char* pszName, bool* pbCreated) {
    return SLayoutResourceLists::LoadResource(*this, pszName, pbCreated);
}

SDXSurface* SLayout::LoadImageSurface(const char* pszName, bool* pbCreated) {
    return SLayoutResourceLists::LoadImageSurface(*this, pszName, pbCreated);
}

SDXSurface* SLayout::GetCacheSurface(const char* pszName, int nWidth, int nHeight, bool* pbCreated) {
    return SLayoutResourceLists::GetCacheSurface(*this, pszName, nWidth, nHeight, pbCreated);
}

SButton* SLayout::GetButton(const char* pszName, SLayoutItem* pOwner, bool* pbCreated) {
    return SLayoutResourceLists::GetButton(*this, pszName, pOwner, pbCreated);
}

SFont* SLayout::LoadResourceAlt(const char* pszName, bool* pbCreated) {
    return SLayoutResourceLists::LoadResourceAlt(*this, pszName, pbCreated);
}

SSlider* SLayout::GetSlider(const char* pszName, SLayoutItem* pOwner, bool* pbCreated) {
    return SLayoutResourceLists::GetSlider(*this, pszName, pOwner, pbCreated);
}

SEditBox* SLayout::GetEdit(const char* pszName, SLayoutItem* pOwner, bool* pbCreated) {
    return SLayoutResourceLists::GetEdit(*this, pszName, pOwner, pbCreated);
}

SLayoutResList& SLayout::GetSpriteList() { return m_Sprites; }
SLayoutResList& SLayout::GetSurfaceList() { return m_Surfaces; }
SLayoutResList& SLayout::GetButtonList() { return m_Buttons; }
SLayoutResList& SLayout::GetFontList() { return m_Fonts; }
SLayoutResList& SLayout::GetSliderList() { return m_Sliders; }
SLayoutResList& SLayout::GetEditList() { return m_Edits; }

void SLayout::SetButtonCommand(SWindow* pWindow, const char* pszText) {
    SLayoutResourceLists::SetCommand(m_Buttons, pWindow, pszText);
}
void SLayout::SetSliderCommand(SWindow* pWindow, const char* pszText) {
    SLayoutResourceLists::SetCommand(m_Sliders, pWindow, pszText);
}
void SLayout::SetEditCommand(SWindow* pWindow, const char* pszText) {
    SLayoutResourceLists::SetCommand(m_Edits, pWindow, pszText);
}
void SLayout::SetButtonTip(SWindow* pWindow, const char* pszText) {
    SLayoutResourceLists::SetButtonTip(*this, pWindow, pszText);
}

void SLayout::MarkResources(bool bKeep) { SLayoutResourceLists::MarkResources(*this, bKeep); }

void SLayout::PurgeUnmarkedResources() {
    SLayoutResourceLists::PurgeUnmarkedResources(*this);
    m_byScriptLoaded = 0;
}

int SLayout::RestoreSurfaces(SGraphics*) { return 1; }

int SLayout::ReleaseSurfaces() {
    SLayoutResourceLists::ReleaseSurfaces(*this);
    ++m_dwSurfaceGeneration;
    return 1;
}
