#include "ui/SWindow.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "core/SResourceFactory.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/Exceptions.h"
#include "sys/window/dialogs.h"
#include "ui/SFont.h"
#include "sys/fs/fs.h"
#include "ui/SDC.h"

// Any stored class schema is read: the window's own schema word, not the class record's,
// decides which fields the data holds.
IMPLEMENT_SERIAL(SWindow, SResource, VERSIONABLE_SCHEMA | 1)

SWindow* SWindow::s_pCapture = nullptr;
SWindow* SWindow::s_pFocus = nullptr;
SWindow* SWindow::s_pMouseOver = nullptr;
sys::POINT SWindow::s_ptLastMouse;
SDC* SWindow::s_pGlobalBackdrop = nullptr;
SDC* SWindow::s_pCurrentSourceDC = nullptr;
int32_t SWindow::s_iPackRowBottom = 0;
std::vector<SResource*> SWindow::s_PackedImages;
SCatalog* SWindow::s_pCatalog = nullptr;

namespace {

constexpr const char* kCaption = "Tarvex";

bool PtInRect(const sys::RECT& rc, int x, int y) {
    return x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
}

sys::RECT Offset(const sys::RECT& rc, int dx, int dy) {
    return sys::RECT{rc.left + dx, rc.top + dy, rc.right + dx, rc.bottom + dy};
}

// Whether any item of the catalog holds the resource (with or without users).
bool CatalogHolds(SCatalog* pCatalog, SResource* pResource) {
    SCatalogItemList* pItems = pCatalog->GetItems();
    for (POSITION pos = pItems->GetHeadPosition(); pos != nullptr;) {
        if (pItems->GetNext(pos)->GetResource() == pResource)
            return true;
    }
    return false;
}

// The object the factory made before its file failed is only known to the factory.
void ForgetHalfMade() {
    delete SResourceFactory::GetLastCreated();
    SResourceFactory::ClearLastCreated();
}

void ShowMessage(const char* pszFormat, const char* pszName) {
    CString strText;
    strText.Format(pszFormat, pszName);
    sys::dialogs::MessageBox(strText.str(), kCaption, sys::MB_OK);
}

}  // namespace

// ---- life ---------------------------------------------------------------------------------

SWindow::SWindow() : m_pChildren(new SWindowList) {}

SWindow::SWindow(const SWindow& other)
    : SResource(other),
      m_crFore(other.GetForeColor()),
      m_dwStyle(other.m_dwStyle),
      m_rcWindow(other.m_rcWindow),
      m_strText(other.m_strText),
      m_pChildren(new SWindowList),
      m_bSound(1),
      m_nID(other.m_nID),
      m_bVisible(1),
      m_bOwnsResources(0) {
    SetParent(other.m_pParent);
}

SWindow::~SWindow() {
    // Unload leaves the parent, so the roles below are handed to the parent as it was.
    SWindow* pParent = m_pParent;
    // Detached by hand rather than through SetParent: a child list cut short by a damaged
    // archive holds children whose parent was never set, and may hold nulls.
    while (!m_pChildren->IsEmpty()) {
        SWindow* pChild = m_pChildren->RemoveHead();
        if (pChild == nullptr)
            continue;
        pChild->m_pParent = nullptr;
        delete pChild;
    }
    delete m_pChildren;
    m_pChildren = nullptr;
    delete m_pOwnPackingDC;
    m_pOwnPackingDC = nullptr;
    SWindow::Unload();
    if (s_pCapture == this)
        s_pCapture = pParent;
    if (s_pFocus == this)
        s_pFocus = pParent;
    if (s_pMouseOver == this)
        s_pMouseOver = pParent;
}

bool SWindow::Create(const char*, const char* pszText, uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent,
                     uint32_t nID, void*) {
    m_dwStyle = dwStyle;
    m_rcWindow = pParent != nullptr ? Offset(rcWindow, pParent->m_rcWindow.left, pParent->m_rcWindow.top) : rcWindow;
    m_strText = pszText;
    // Through SetParent, so a window created twice never sits in two child lists.
    SetParent(pParent);
    m_nID = nID;
    m_bCreated = 1;
    return true;
}

// ---- archive and copies -------------------------------------------------------------------

void SWindow::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        // The own-packing word is always written, so the schema word that says so must be
        // the one written with it.
        m_dwSchema = kSchemaWord;
        SResource::Serialize(ar);
        ar << m_rcWindow.left << m_rcWindow.top << m_rcWindow.right << m_rcWindow.bottom;
        ar << m_dwStyle << m_strText << m_nID << static_cast<uint32_t>(m_byOwnPacking != 0 ? 1 : 0);
    } else {
        SResource::Serialize(ar);
        ar >> m_rcWindow.left >> m_rcWindow.top >> m_rcWindow.right >> m_rcWindow.bottom;
        ar >> m_dwStyle >> m_strText >> m_nID;
        if (m_dwSchema > 3) {
            uint32_t dwOwnPacking = 0;
            ar >> dwOwnPacking;
            m_byOwnPacking = dwOwnPacking != 0 ? 1 : 0;
        }
        m_bCreated = 1;
    }
    // Each child is a window of its own in the file: one written as a reference to a window
    // read before would be deleted twice, or would contain itself.
    m_pChildren->SerializeOwned(ar);
    if (ar.IsLoading()) {
        for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;) {
            const POSITION at = pos;
            SWindow* pChild = m_pChildren->GetNext(pos);
            if (pChild != nullptr)
                pChild->m_pParent = this;
            else
                m_pChildren->RemoveAt(at);
        }
    }
    m_ResourceNames.Serialize(ar);
    m_dwSchema = kSchemaWord;
}

SResource* SWindow::Clone(SResource* pTarget) {
    SWindow* pWindow = pTarget == nullptr ? new SWindow : dynamic_cast<SWindow*>(pTarget);
    if (pWindow == nullptr)
        return nullptr;
    SResource::Clone(pWindow);
    pWindow->m_rcWindow = m_rcWindow;
    pWindow->m_dwStyle = m_dwStyle;
    pWindow->m_strText = m_strText;
    pWindow->m_bSound = m_bSound;
    pWindow->m_nID = m_nID;
    for (POSITION pos = m_ResourceNames.GetHeadPosition(); pos != nullptr;)
        pWindow->m_ResourceNames.AddTail(m_ResourceNames.GetNext(pos));
    return pWindow;
}

bool SWindow::RemoveReference(SResource* pResource) {
    SResource::RemoveReference(pResource);
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;)
        m_pChildren->GetNext(pos)->RemoveReference(pResource);
    return true;
}

// ---- resources ----------------------------------------------------------------------------

bool SWindow::LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) {
    if (m_byLoaded)
        return true;
    bool bResult = LoadNames(pSearchFolders, nullptr, dwFlags);
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;) {
        SWindow* pChild = m_pChildren->GetNext(pos);
        pChild->SetContextValue(m_dwContext);
        bResult = pChild->LoadFromMemory(pSearchFolders, dwFlags) && bResult;
    }
    m_byLoaded = 1;
    return bResult;
}

bool SWindow::LoadFromFile(const CString& strFolder, uintptr_t dwFlags) {
    if (m_byLoaded)
        return true;
    bool bResult = LoadNames(nullptr, &strFolder, dwFlags);
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;)
        bResult = m_pChildren->GetNext(pos)->LoadFromFile(strFolder, dwFlags) && bResult;
    m_byLoaded = 1;
    return bResult;
}

// pFolder set: the one folder of LoadFromFile; else the search folders of LoadFromMemory.
bool SWindow::LoadNames(CStringArray* pSearchFolders, const CString* pFolder, uintptr_t dwFlags) {
    bool bResult = true;
    SResourceFactory factory;
    for (POSITION pos = m_ResourceNames.GetHeadPosition(); pos != nullptr;) {
        const CString& strName = m_ResourceNames.GetNext(pos);
        if (strName.Left(3).Compare("id;") == 0) {
            if (s_pCatalog == nullptr) {
                ShowMessage("No catalog to load %s!", strName);
                bResult = false;
                continue;
            }
            SCatalogItem* pItem = s_pCatalog->FindItem(strName.Mid(3), CString(), -1);
            SResource* pResource = pItem != nullptr ? s_pCatalog->AcquireItem(pItem, dwFlags) : nullptr;
            if (pResource != nullptr)
                m_pResArray->Add(pResource);
            continue;
        }
        const int nKind = strName.Right(3).Compare("wav") == 0 ? kKindSound : kKindImage;
        CString strFolder;
        if (pFolder != nullptr) {
            if (!pFolder->IsEmpty())
                strFolder = *pFolder + "\\";
        } else {
            bool bFound = false;
            for (int i = 0; pSearchFolders != nullptr && i < pSearchFolders->GetSize() && !bFound; ++i) {
                CString strCandidate = pSearchFolders->GetAt(i);
                if (!strCandidate.IsEmpty())
                    strCandidate += "\\";
                if (sys::fs::Exists((strCandidate + strName).str())) {
                    strFolder = strCandidate;
                    bFound = true;
                }
            }
            if (!bFound)
                continue;
        }
        try {
            SResource* pResource = factory.CreateFromFile(nKind, strFolder, strName);
            if (pResource != nullptr) {
                m_pResArray->Add(pResource);
                m_MadeResources.push_back(pResource);
            }
        } catch (CFileException& e) {
            ForgetHalfMade();
            ShowMessage("Failed to load file %s!", e.m_strFileName);
        } catch (CArchiveException& e) {
            // A damaged resource file is reported like an unreadable one, not passed up.
            ForgetHalfMade();
            ShowMessage("Failed to load file %s!", e.m_strFileName);
        }
    }
    return bResult;
}

void SWindow::Unload() {
    if (m_bOwnsResources && s_pCatalog != nullptr) {
        int nIndex = 0;
        for (POSITION pos = m_ResourceNames.GetHeadPosition(); pos != nullptr && nIndex < m_pResArray->GetSize();
             ++nIndex) {
            m_ResourceNames.GetNext(pos);
            SResource* pResource = m_pResArray->GetAt(nIndex);
            // A damaged file can name the window itself among its resources: it is being
            // destroyed already.
            if (pResource == nullptr || pResource == static_cast<SResource*>(this) || IsMadeHere(pResource))
                continue;
            // Only what no catalog item holds is ours to delete; an item's object stays with it.
            if (!s_pCatalog->ReleaseResource(pResource) && !CatalogHolds(s_pCatalog, pResource))
                delete pResource;
        }
    }
    for (SResource* pResource : m_MadeResources)
        delete pResource;
    m_MadeResources.clear();
    m_byLoaded = 0;
    m_pResArray->RemoveAll();
    SetParent(nullptr);
}

bool SWindow::IsMadeHere(const SResource* pResource) const {
    return std::find(m_MadeResources.begin(), m_MadeResources.end(), pResource) != m_MadeResources.end();
}

void SWindow::AddResource(SResource* pResource, bool bFit) {
    if (bFit && pResource != nullptr) {
        m_rcWindow.right = m_rcWindow.left + pResource->GetWidth();
        m_rcWindow.bottom = m_rcWindow.top + pResource->GetHeight();
    }
    m_pResArray->Add(pResource);
}

void SWindow::AddResourceName(const char* pszName) { m_ResourceNames.AddTail(CString(pszName)); }

// ---- packing ------------------------------------------------------------------------------

bool SWindow::PlaceImage(SDC* pDC, SResource* pImage, int nWidth, int nHeight, sys::POINT& rptCursor,
                         int32_t& rnRowBottom) {
    const int w = pImage->GetWidth();
    const int h = pImage->GetHeight();
    sys::RECT rcPlace{rptCursor.x, rptCursor.y, rptCursor.x + w, rptCursor.y + h};
    if (rcPlace.right < nWidth) {
        if (rcPlace.bottom >= rnRowBottom)
            rnRowBottom = rcPlace.bottom;
    } else {
        rcPlace = sys::RECT{0, rnRowBottom + 1, w, rnRowBottom + 1 + h};
        if (rcPlace.bottom > nHeight)
            return false;
        rnRowBottom = rcPlace.bottom;
    }
    pDC->DrawImage(rcPlace, pImage, 0, 0);
    pImage->SetRect(rcPlace);
    SDC::NotePacked(pImage, pDC);
    rptCursor = sys::POINT{rcPlace.right, rcPlace.top};
    return true;
}

bool SWindow::PackImages(SDC* pDC, int nWidth, int nHeight, sys::POINT& rptCursor) {
    if (pDC == nullptr)
        return false;
    if (rptCursor.x == 0 && rptCursor.y == 0) {
        s_PackedImages.clear();
        pDC->ForgetPacked();
    }
    if (m_byOwnPacking && m_pChildren->IsEmpty())
        return PackOwnImages(pDC);
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;) {
        if (!m_pChildren->GetNext(pos)->PackImages(pDC, nWidth, nHeight, rptCursor))
            return false;
    }
    for (int i = 0; i < m_pResArray->GetSize(); ++i) {
        SResource* pImage = m_pResArray->GetAt(i);
        if (pImage == nullptr || std::find(s_PackedImages.begin(), s_PackedImages.end(), pImage) != s_PackedImages.end())
            continue;
        if (!PlaceImage(pDC, pImage, nWidth, nHeight, rptCursor, s_iPackRowBottom))
            return false;
        s_PackedImages.push_back(pImage);
    }
    return true;
}

// The surface holds k columns and ceil(n / k) rows of the largest image (k = the integer square
// root of n), with the one-pixel gaps between rows, so every image finds a place. An image that
// still gets none keeps an empty source rectangle (it then draws itself) and the answer is false.
bool SWindow::PackOwnImages(SDC* pDC) {
    delete m_pOwnPackingDC;
    m_pOwnPackingDC = nullptr;
    std::vector<SResource*> images;
    int nMaxWidth = 0;
    int nMaxHeight = 0;
    for (int i = 0; i < m_pResArray->GetSize(); ++i) {
        SResource* pImage = m_pResArray->GetAt(i);
        if (pImage == nullptr)
            continue;
        images.push_back(pImage);
        nMaxWidth = std::max(nMaxWidth, static_cast<int>(pImage->GetWidth()));
        nMaxHeight = std::max(nMaxHeight, static_cast<int>(pImage->GetHeight()));
    }
    const int n = static_cast<int>(images.size());
    int nWidth = 640;
    int nHeight = 480;
    if (n > 0) {
        const int k = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(n))));
        const int nRows = (n + k - 1) / k;
        nWidth = nMaxWidth * k + 10;
        nHeight = (nMaxHeight + 1) * nRows + 10;
    }
    m_pOwnPackingDC = pDC->CreateCompatibleDC(nWidth, nHeight);
    if (m_pOwnPackingDC == nullptr)
        return false;
    sys::POINT ptCursor;
    int32_t nRowBottom = 0;
    bool bAllPlaced = true;
    for (SResource* pImage : images) {
        if (!bAllPlaced || !PlaceImage(m_pOwnPackingDC, pImage, nWidth, nHeight, ptCursor, nRowBottom)) {
            bAllPlaced = false;
            pImage->SetRect(sys::RECT{});
            SDC::NotePacked(pImage, nullptr);
        }
    }
    return bAllPlaced;
}

bool SWindow::DrawResourceImage(SDC* pDC, const sys::RECT& rect, int nIndex) {
    if (pDC == nullptr || nIndex < 0 || nIndex >= m_pResArray->GetSize())
        return false;
    SDC* pSource = m_pOwnPackingDC != nullptr ? m_pOwnPackingDC : s_pCurrentSourceDC;
    DrawPackedImage(pDC, rect, m_pResArray->GetAt(nIndex), pSource);
    return true;
}

void SWindow::DrawPackedImage(SDC* pDC, const sys::RECT& rect, SResource* pImage, SDC* pSource) {
    // What another page or dialog packed lies on its own context; here the image draws itself.
    if (pSource != nullptr && pSource->HoldsPacked(pImage))
        pDC->DrawImageFrom(rect, pImage, pSource, 0);
    else
        pDC->DrawImage(rect, pImage, 0, 0);
}

// ---- tree ---------------------------------------------------------------------------------

SWindow* SWindow::SetParent(SWindow* pNewParent) {
    SWindow* pOld = m_pParent;
    if (pOld != nullptr && pOld->m_pChildren != nullptr) {
        if (POSITION pos = pOld->m_pChildren->Find(this))
            pOld->m_pChildren->RemoveAt(pos);
    }
    if (pNewParent != nullptr)
        pNewParent->AddChild(this);
    m_pParent = pNewParent;
    return pOld;
}

void SWindow::AddChild(SWindow* pChild) { m_pChildren->AddTail(pChild); }

SWindow* SWindow::FindChild(uint32_t nID) const {
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;) {
        SWindow* pChild = m_pChildren->GetNext(pos);
        if (pChild->m_nID == nID)
            return pChild;
    }
    return nullptr;
}

SWindow* SWindow::FindDescendant(uint32_t nID) const {
    if (SWindow* pChild = FindChild(nID))
        return pChild;
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;) {
        if (SWindow* pFound = m_pChildren->GetNext(pos)->FindDescendant(nID))
            return pFound;
    }
    return nullptr;
}

void SWindow::SortChildrenByHeight() {
    std::vector<SWindow*> children;
    while (!m_pChildren->IsEmpty())
        children.push_back(m_pChildren->RemoveHead());
    std::stable_sort(children.begin(), children.end(), [](const SWindow* a, const SWindow* b) {
        return a->m_rcWindow.bottom - a->m_rcWindow.top > b->m_rcWindow.bottom - b->m_rcWindow.top;
    });
    for (SWindow* pChild : children)
        m_pChildren->AddTail(pChild);
}

void SWindow::BringToTop() {
    if (m_pParent == nullptr)
        return;
    if (POSITION pos = m_pParent->m_pChildren->Find(this)) {
        m_pParent->m_pChildren->RemoveAt(pos);
        m_pParent->m_pChildren->AddTail(this);
    }
}

void SWindow::SendToBack() {
    if (m_pParent == nullptr)
        return;
    if (POSITION pos = m_pParent->m_pChildren->Find(this)) {
        m_pParent->m_pChildren->RemoveAt(pos);
        m_pParent->m_pChildren->AddHead(this);
    }
}

void SWindow::MoveWindow(const sys::RECT& rcWindow) {
    const int dx = rcWindow.left - m_rcWindow.left;
    const int dy = rcWindow.top - m_rcWindow.top;
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;) {
        SWindow* pChild = m_pChildren->GetNext(pos);
        pChild->MoveWindow(Offset(pChild->m_rcWindow, dx, dy));
    }
    m_rcWindow = rcWindow;
}

SWindow* SWindow::ChildFromPoint(int x, int y, uint32_t nValue) {
    if (!m_bVisible)
        return nullptr;
    for (POSITION pos = m_pChildren->GetTailPosition(); pos != nullptr;) {
        if (SWindow* pHit = m_pChildren->GetPrev(pos)->ChildFromPoint(x, y, nValue))
            return pHit;
    }
    return PtInRect(m_rcWindow, x, y) ? this : nullptr;
}

// ---- simple state -------------------------------------------------------------------------

void SWindow::SetFocus() { s_pFocus = this; }

uint32_t SWindow::SetStyle(uint32_t dwStyle) {
    m_dwStyle = dwStyle;
    return m_dwStyle;
}

bool SWindow::HasFocus(bool bOnlyThis) {
    if (s_pFocus == this)
        return true;
    if (bOnlyThis)
        return false;
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;) {
        if (m_pChildren->GetNext(pos)->HasFocus(false))
            return true;
    }
    return false;
}

namespace {

void OfferLoadedFonts(SWindow& window, SResourceArray& resources) {
    if (window.GetFont() != nullptr)
        return;
    for (int i = 0; i < resources.GetSize(); ++i) {
        if (SFont* pFont = dynamic_cast<SFont*>(resources.GetAt(i)))
            window.SetFont(pFont);
    }
}

}  // namespace

bool SWindow::LoadTakingFonts(CStringArray* pSearchFolders, uintptr_t dwFlags) {
    const uint8_t byLoaded = m_byLoaded;
    m_byLoaded = 0;
    const bool bResult = SWindow::LoadFromMemory(pSearchFolders, dwFlags);
    m_byLoaded = byLoaded;
    OfferLoadedFonts(*this, *m_pResArray);
    return bResult;
}

bool SWindow::LoadTakingFonts(const CString& strFolder, uintptr_t dwFlags) {
    const uint8_t byLoaded = m_byLoaded;
    m_byLoaded = 0;
    const bool bResult = SWindow::LoadFromFile(strFolder, dwFlags);
    m_byLoaded = byLoaded;
    OfferLoadedFonts(*this, *m_pResArray);
    return bResult;
}

SFont* SWindow::SetFont(SFont* pFont) {
    SFont* pPrevious = m_pFont;
    m_pFont = pFont;
    return pPrevious;
}

CString& SWindow::GetText(CString& strText) {
    strText = m_strText;
    return strText;
}

void SWindow::SetText(const char* pszText) { m_strText = pszText; }

SDC* SWindow::GetDC() { return m_pLastDC; }

void SWindow::WindowHook(uint32_t) {}

uint8_t SWindow::SetPaintBackground(uint8_t byPaint) {
    m_byPaintBackground = byPaint;
    return m_byPaintBackground;
}

uint8_t SWindow::SetOwnPacking(uint8_t byOwn) {
    m_byOwnPacking = byOwn;
    return m_byOwnPacking;
}

uint8_t SWindow::GetOwnPacking() { return m_byOwnPacking; }

SDC* SWindow::GetPackingDC() { return m_pOwnPackingDC; }

sys::COLORREF SWindow::GetForeColor() const { return m_crFore; }

void SWindow::SetNotifyParent(bool bNotify) {
    if (bNotify)
        m_dwStyle &= ~kStyleNoParentNotify;
    else
        m_dwStyle |= kStyleNoParentNotify;
}

void SWindow::SetMouseOver() { s_pMouseOver = this; }

// ---- drawing ------------------------------------------------------------------------------

int SWindow::Draw(SDC* pDC) {
    if (!m_bVisible || pDC == nullptr)
        return 0;
    SFont* pPrevious = m_pFont != nullptr ? pDC->SelectFont(m_pFont) : nullptr;
    if (m_byPaintBackground)
        DrawBackground(pDC);
    Paint(pDC);
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;)
        m_pChildren->GetNext(pos)->Draw(pDC);
    m_pLastDC = pDC;
    if (pPrevious != nullptr)
        pDC->SelectFont(pPrevious);
    return 0;
}

int SWindow::Update(uintptr_t nValue) {
    if (!m_bVisible)
        return 0;
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;)
        m_pChildren->GetNext(pos)->Update(nValue);
    return 0;
}

void SWindow::DrawBackground(SDC*) {}

void SWindow::Paint(SDC*) {}

// ---- events -------------------------------------------------------------------------------

void SWindow::OnActivate(uint32_t, uint32_t) {}

void SWindow::OnMouseMove(uint32_t nFlags, int x, int y) {
    if (SWindow* pHit = ChildFromPoint(x, y, 0))
        pHit->SetMouseOver();
    if (s_pMouseOver != nullptr && s_pMouseOver != this)
        s_pMouseOver->OnMouseMove(nFlags, x, y);
}

void SWindow::OnLButtonDown(uint32_t nFlags, int x, int y) {
    if (IsNotifyingParent())
        m_pParent->OnLButtonDown(nFlags, x, y);
}

void SWindow::OnLButtonDblClk(uint32_t nFlags, int x, int y) {
    if (IsNotifyingParent())
        m_pParent->OnLButtonDblClk(nFlags, x, y);
}

void SWindow::OnRButtonDown(uint32_t nFlags, int x, int y) {
    if (IsNotifyingParent())
        m_pParent->OnRButtonDown(nFlags, x, y);
}

void SWindow::OnLButtonUp(uint32_t nFlags, int x, int y) {
    if (!IsNotifyingParent())
        return;
    m_pParent->OnLButtonUp(nFlags, x, y);
    m_pParent->SendMessage(sys::WM_NOTIFY, m_nID, kNotifyClick);
}

void SWindow::OnRButtonUp(uint32_t nFlags, int x, int y) {
    if (IsNotifyingParent())
        m_pParent->OnRButtonUp(nFlags, x, y);
}

void SWindow::OnKeyDown(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) {
    if (IsNotifyingParent())
        m_pParent->OnKeyDown(nChar, nRepCnt, nFlags);
}

void SWindow::OnNotify(uint32_t nID, int32_t nCode) {
    if (m_pParent != nullptr)
        m_pParent->OnNotify(nID, nCode);
}

void SWindow::OnChar(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) {
    if (IsNotifyingParent())
        m_pParent->OnChar(nChar, nRepCnt, nFlags);
}

void SWindow::OnTimer(uintptr_t nIDEvent) {
    if (m_pParent != nullptr)
        m_pParent->OnTimer(nIDEvent);
}

void SWindow::OnNcMouseMove(uint32_t, int, int) {}

void SWindow::OnMouseWheel(uint32_t nFlags, int16_t zDelta, int x, int y) {
    if (m_pParent != nullptr)
        m_pParent->OnMouseWheel(nFlags, zDelta, x, y);
}

void SWindow::OnNextDlgCtl(bool, SWindow*) {}

// ---- routing ------------------------------------------------------------------------------

intptr_t SWindow::SendMessage(uint32_t nMessage, uintptr_t wParam, intptr_t lParam) {
    if (!m_bVisible)
        return 0;
    const uint32_t nFlags = static_cast<uint32_t>(wParam);
    // Signed, so a captured pointer left of or above the client area stays negative.
    const int x = sys::GET_X_LPARAM(lParam);
    const int y = sys::GET_Y_LPARAM(lParam);
    // The visible window under the pointer, found from this root.
    auto hit = [&]() -> SWindow* {
        SWindow* pHit = ChildFromPoint(x, y, 0);
        return pHit != nullptr && pHit->m_bVisible ? pHit : nullptr;
    };
    switch (nMessage) {
    case sys::WM_MOUSEMOVE:
        (s_pCapture != nullptr ? s_pCapture : this)->OnMouseMove(nFlags, x, y);
        break;
    case sys::WM_LBUTTONDOWN:
        s_ptLastMouse = sys::POINT{x, y};
        if (s_pCapture != nullptr) {
            s_pCapture->OnLButtonDown(nFlags, x, y);
        } else if (SWindow* pHit = hit()) {
            s_pFocus = pHit;
            pHit->OnLButtonDown(nFlags, x, y);
        }
        break;
    case sys::WM_LBUTTONUP:
        if (s_pCapture != nullptr)
            s_pCapture->OnLButtonUp(nFlags, x, y);
        else if (SWindow* pHit = hit())
            pHit->OnLButtonUp(nFlags, x, y);
        break;
    case sys::WM_LBUTTONDBLCLK:
        s_ptLastMouse = sys::POINT{x, y};
        if (s_pCapture != nullptr) {
            s_pCapture->OnLButtonDblClk(nFlags, x, y);
        } else if (SWindow* pHit = hit()) {
            s_pFocus = pHit;
            pHit->OnLButtonDblClk(nFlags, x, y);
        }
        break;
    case sys::WM_RBUTTONDOWN:
        s_ptLastMouse = sys::POINT{x, y};
        if (SWindow* pHit = hit())
            pHit->OnRButtonDown(nFlags, x, y);
        break;
    case sys::WM_RBUTTONUP:
        if (SWindow* pHit = hit())
            pHit->OnRButtonUp(nFlags, x, y);
        break;
    case sys::WM_MOUSEWHEEL:
        (s_pCapture != nullptr ? s_pCapture : this)
            ->OnMouseWheel(sys::LOWORD(wParam), static_cast<int16_t>(sys::HIWORD(wParam)), x, y);
        break;
    case sys::WM_NCMOUSEMOVE:
        (s_pCapture != nullptr ? s_pCapture : this)->OnNcMouseMove(nFlags, x, y);
        break;
    case sys::WM_KEYDOWN:
        if (s_pFocus != nullptr && s_pFocus->m_bVisible)
            s_pFocus->OnKeyDown(nFlags, sys::LOWORD(static_cast<uint64_t>(lParam)), sys::HIWORD(static_cast<uint64_t>(lParam)));
        break;
    case sys::WM_CHAR:
        if (s_pFocus != nullptr && s_pFocus->m_bVisible)
            s_pFocus->OnChar(nFlags, sys::LOWORD(static_cast<uint64_t>(lParam)), sys::HIWORD(static_cast<uint64_t>(lParam)));
        break;
    case sys::WM_TIMER:
        OnTimer(wParam);
        break;
    case sys::WM_ACTIVATE:
        OnActivate(sys::LOWORD(wParam), sys::HIWORD(wParam));
        break;
    case sys::WM_NEXTDLGCTL:
        if (sys::LOWORD(static_cast<uint64_t>(lParam)) != 0)
            OnNextDlgCtl(false, reinterpret_cast<SWindow*>(wParam));
        else
            OnNextDlgCtl(wParam != 0, nullptr);
        break;
    case sys::WM_NOTIFY:
        OnNotify(nFlags, static_cast<int32_t>(lParam));
        break;
    default:
        break;
    }
    return 0;
}
