#include "ui/layout/SLayoutResourceLists.h"

#include <cstdint>

#include "core/SCatalog.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"
#include "dx/display/SGraphics.h"
#include "sys/classlib/Exceptions.h"
#include "sys/classlib/CFile.h"
#include "sys/video/video.h"
#include "sys/window/window.h"
#include "ui/widgets/SButton.h"
#include "ui/SDIB.h"
#include "ui/widgets/SEditBox.h"
#include "ui/SFont.h"
#include "ui/layout/SLayoutControlItems.h"
#include "ui/widgets/SSlider.h"
#include "ui/SSprite.h"
#include "ui/widgets/SToolTipCtrl.h"

namespace {

constexpr uint32_t kSrcCopy = 0xCC0020;

void SetCreated(bool* pbCreated, bool bCreated) {
    if (pbCreated != nullptr)
        *pbCreated = bCreated;
}

// The first record of the name (any letter case). Widget records must also be free or bound to
// the asking item already, so that two items of one name never share a window.
SLayoutRes* FindRecord(SLayoutResList& list, const char* pszName, bool bWidget, SLayoutItem* pOwner) {
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        SLayoutRes* pRecord = list.GetNext(pos);
        if (pRecord->m_strName.CompareNoCase(pszName) != 0)
            continue;
        if (bWidget && pRecord->m_pOwner != nullptr && pRecord->m_pOwner != pOwner)
            continue;
        return pRecord;
    }
    return nullptr;
}

// A found record is in use again (and bound to the asking item); its object answers.
template <class T>
T* Claim(SLayoutRes* pRecord, bool bWidget, SLayoutItem* pOwner, bool* pbCreated) {
    pRecord->m_byKeep = 1;
    if (bWidget)
        pRecord->m_pOwner = pOwner;
    SetCreated(pbCreated, false);
    return dynamic_cast<T*>(pRecord->m_pObject);
}

SLayoutRes* NewRecord(const char* pszName, CObject* pObject, SLayoutItem* pOwner, bool bFromCatalog) {
    auto* pRecord = new SLayoutRes;
    pRecord->m_strName = pszName;
    pRecord->m_pObject = pObject;
    pRecord->m_pOwner = pOwner;
    pRecord->m_byFromCatalog = bFromCatalog ? 1 : 0;
    pRecord->m_byKeep = 1;
    return pRecord;
}

SDXDraw* DisplayOf(SLayout& layout) { return layout.GetDisplay(); }

// The object of the list's kind named "A:B", detached from the catalog so that the layout owns
// it. Null without ":", without a catalog, or when the catalog has no such entry.
template <class T>
T* LoadFromCatalog(SLayout& layout, int nKind, const char* pszName) {
    CString strName;
    CString strFile;
    SCatalog* pCatalog = layout.GetCatalog();
    if (!SLayoutResourceLists::SplitName(pszName, strName, strFile) || pCatalog == nullptr)
        return nullptr;
    const auto dwDisplay = reinterpret_cast<uintptr_t>(DisplayOf(layout));
    SResource* pResource = pCatalog->GetResource(nKind, strName, strFile, dwDisplay);
    if (pResource == nullptr)
        return nullptr;
    T* pObject = dynamic_cast<T*>(pResource);
    if (pObject == nullptr) {
        pCatalog->ReleaseResource(pResource);
        return nullptr;
    }
    pCatalog->DetachResource(pResource);
    return pObject;
}

void AdoptWindow(SLayout& layout, SWindow* pWindow) {
    if (pWindow != nullptr && pWindow->GetParent() != &layout)
        pWindow->SetParent(&layout);
}

// A window new to the layout: its id is its place in its list, it waits hidden for its item,
// and it counts as made in this frame so that the screen packs its images before it is drawn.
void InstallWindow(SLayout& layout, SWindow* pWindow, int32_t nId, bool bCounted) {
    pWindow->SetID(static_cast<uint32_t>(nId));
    pWindow->SetVisible(false);
    AdoptWindow(layout, pWindow);
    if (bCounted)
        layout.AddWindowsCreated();
}

void SizeToFirstImage(SWindow* pWindow) {
    SResourceArray* pImages = pWindow->GetResourceArray();
    if (pImages->GetSize() > 0 && pImages->GetAt(0) != nullptr)
        pWindow->MoveWindow(sys::RECT{0, 0, pImages->GetAt(0)->GetWidth(), pImages->GetAt(0)->GetHeight()});
}

void DeleteRecord(SLayoutRes* pRecord) {
    if (auto* pWindow = dynamic_cast<SWindow*>(pRecord->m_pObject))
        pWindow->SetParent(nullptr);
    delete pRecord->m_pObject;
    delete pRecord;
}

void PurgeList(SLayoutResList& list, int32_t nIdBase, bool bWindows) {
    int32_t nextId = nIdBase;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        const POSITION at = pos;
        SLayoutRes* pRecord = list.GetNext(pos);
        if (!pRecord->m_byKeep) {
            list.RemoveAt(at);
            DeleteRecord(pRecord);
            continue;
        }
        if (bWindows)
            if (auto* pWindow = dynamic_cast<SWindow*>(pRecord->m_pObject))
                pWindow->SetID(static_cast<uint32_t>(nextId));
        ++nextId;
    }
}

}  // namespace

bool SLayoutResourceLists::SplitName(const char* pszName, CString& strName, CString& strFile) {
    const CString text(pszName != nullptr ? pszName : "");
    const int colon = text.Find(':');
    if (colon < 0)
        return false;
    strName = text.Left(colon);
    strFile = text.Mid(colon + 1);
    return true;
}

SDIB* SLayoutResourceLists::ReadBitmapFile(const char* pszPath) {
    auto* pBitmap = new SDIB;
    try {
        CFile file;
        if (file.Open(pszPath, CFile::modeRead | CFile::typeBinary) && pBitmap->LoadFromCFile(&file))
            return pBitmap;
    } catch (const CException&) {
    }
    delete pBitmap;
    return nullptr;
}

// ---- catalog loads --------------------------------------------------------------------------

SSprite* SLayoutResourceLists::LoadResource(SLayout& layout, const char* pszName, bool* pbCreated) {
    SetCreated(pbCreated, false);
    SLayoutResList& list = layout.GetSpriteList();
    if (SLayoutRes* pRecord = FindRecord(list, pszName, false, nullptr))
        if (SSprite* pSprite = Claim<SSprite>(pRecord, false, nullptr, pbCreated))
            return pSprite;
    SSprite* pSprite = LoadFromCatalog<SSprite>(layout, kKindSprite, pszName);
    if (pSprite == nullptr)
        return nullptr;
    list.AddTail(NewRecord(pszName, pSprite, nullptr, true));
    SetCreated(pbCreated, true);
    return pSprite;
}

SFont* SLayoutResourceLists::LoadResourceAlt(SLayout& layout, const char* pszName, bool* pbCreated) {
    SetCreated(pbCreated, false);
    SLayoutResList& list = layout.GetFontList();
    if (SLayoutRes* pRecord = FindRecord(list, pszName, false, nullptr))
        if (SFont* pFont = Claim<SFont>(pRecord, false, nullptr, pbCreated))
            return pFont;
    SFont* pFont = LoadFromCatalog<SFont>(layout, kKindFont, pszName);
    if (pFont == nullptr)
        return nullptr;
    list.AddTail(NewRecord(pszName, pFont, nullptr, true));
    SetCreated(pbCreated, true);
    return pFont;
}

SButton* SLayoutResourceLists::GetButton(SLayout& layout, const char* pszName, SLayoutItem* pOwner,
                                         bool* pbCreated) {
    SetCreated(pbCreated, false);
    SLayoutResList& list = layout.GetButtonList();
    if (SLayoutRes* pRecord = FindRecord(list, pszName, true, pOwner))
        if (SButton* pButton = Claim<SButton>(pRecord, true, pOwner, pbCreated)) {
            AdoptWindow(layout, pButton);
            return pButton;
        }
    SButton* pButton = LoadFromCatalog<SButton>(layout, kKindButton, pszName);
    if (pButton == nullptr)
        return nullptr;
    const int32_t id = SLayout::kButtonIdBase + list.GetCount();
    list.AddTail(NewRecord(pszName, pButton, pOwner, true));
    SizeToFirstImage(pButton);
    InstallWindow(layout, pButton, id, true);
    SetCreated(pbCreated, true);
    return pButton;
}

SSlider* SLayoutResourceLists::GetSlider(SLayout& layout, const char* pszName, SLayoutItem* pOwner,
                                         bool* pbCreated) {
    SetCreated(pbCreated, false);
    SLayoutResList& list = layout.GetSliderList();
    if (SLayoutRes* pRecord = FindRecord(list, pszName, true, pOwner))
        if (SSlider* pSlider = Claim<SSlider>(pRecord, true, pOwner, pbCreated)) {
            AdoptWindow(layout, pSlider);
            return pSlider;
        }
    SSlider* pSlider = LoadFromCatalog<SSlider>(layout, kKindSlider, pszName);
    if (pSlider == nullptr)
        return nullptr;
    const int32_t id = SLayout::kSliderIdBase + list.GetCount();
    list.AddTail(NewRecord(pszName, pSlider, pOwner, true));
    InstallWindow(layout, pSlider, id, true);
    SetCreated(pbCreated, true);
    return pSlider;
}

SEditBox* SLayoutResourceLists::GetEdit(SLayout& layout, const char* pszName, SLayoutItem* pOwner,
                                        bool* pbCreated) {
    SetCreated(pbCreated, false);
    SLayoutResList& list = layout.GetEditList();
    if (SLayoutRes* pRecord = FindRecord(list, pszName, true, pOwner))
        if (SEditBox* pBox = Claim<SEditBox>(pRecord, true, pOwner, pbCreated)) {
            AdoptWindow(layout, pBox);
            return pBox;
        }
    // Edit boxes are made here, never loaded; they are drawn in this frame already.
    auto* pBox = new SEditBox;
    const int32_t id = SLayout::kEditIdBase + list.GetCount();
    list.AddTail(NewRecord(pszName, pBox, pOwner, false));
    InstallWindow(layout, pBox, id, false);
    SetCreated(pbCreated, true);
    return pBox;
}

// ---- surfaces -------------------------------------------------------------------------------

SDXSurface* SLayoutResourceLists::LoadImageSurface(SLayout& layout, const char* pszName, bool* pbCreated) {
    SetCreated(pbCreated, false);
    SLayoutResList& list = layout.GetSurfaceList();
    if (SLayoutRes* pRecord = FindRecord(list, pszName, false, nullptr))
        if (SDXSurface* pSurface = Claim<SDXSurface>(pRecord, false, nullptr, pbCreated))
            return pSurface;

    CString strName;
    CString strFile;
    SCatalog* pCatalog = layout.GetCatalog();
    const bool bFromCatalog = SplitName(pszName, strName, strFile);
    SDIB* pBitmap = nullptr;
    if (bFromCatalog) {
        SResource* pResource = pCatalog != nullptr ? pCatalog->GetResource(kKindImage, strName, strFile, 0) : nullptr;
        pBitmap = dynamic_cast<SDIB*>(pResource);
        if (pBitmap == nullptr && pResource != nullptr)
            pCatalog->ReleaseResource(pResource);
    } else {
        pBitmap = ReadBitmapFile(pszName);
    }
    if (pBitmap == nullptr)
        return nullptr;

    SDXDraw* pDisplay = DisplayOf(layout);
    auto* pSurface = new SDXSurface;
    const bool bMade = pDisplay != nullptr && pSurface->CreateSurface(pDisplay, pBitmap->GetWidth(), pBitmap->GetHeight(),
                                                                      sys::video::DDSCAPS_SYSTEMMEMORY, nullptr, 0) == 1;
    if (bMade)
        pBitmap->DrawToSurfaceRop(pSurface, 0, 0, kSrcCopy);
    if (bFromCatalog)
        pCatalog->ReleaseResource(pBitmap);
    else
        delete pBitmap;
    if (!bMade) {
        delete pSurface;
        return nullptr;
    }
    list.AddTail(NewRecord(pszName, pSurface, nullptr, bFromCatalog));
    SetCreated(pbCreated, true);
    return pSurface;
}

SDXSurface* SLayoutResourceLists::GetCacheSurface(SLayout& layout, const char* pszName, int nWidth, int nHeight,
                                                  bool* pbCreated) {
    SetCreated(pbCreated, false);
    SLayoutResList& list = layout.GetSurfaceList();
    // A found surface answers whatever its size: a cache is drawn once.
    if (SLayoutRes* pRecord = FindRecord(list, pszName, false, nullptr))
        if (SDXSurface* pSurface = Claim<SDXSurface>(pRecord, false, nullptr, pbCreated))
            return pSurface;
    SDXDraw* pDisplay = DisplayOf(layout);
    if (pDisplay == nullptr || nWidth <= 0 || nHeight <= 0)
        return nullptr;
    auto* pSurface = new SDXSurface;
    if (pSurface->CreateSurface(pDisplay, nWidth, nHeight, sys::video::DDSCAPS_SYSTEMMEMORY, nullptr, 0) != 1) {
        delete pSurface;
        return nullptr;
    }
    list.AddTail(NewRecord(pszName, pSurface, nullptr, false));
    SetCreated(pbCreated, true);
    return pSurface;
}

void SLayoutResourceLists::ReleaseSurfaces(SLayout& layout) {
    SLayoutResList& list = layout.GetSurfaceList();
    while (!list.IsEmpty())
        DeleteRecord(list.RemoveHead());
}

// ---- command texts --------------------------------------------------------------------------

void SLayoutResourceLists::SetCommand(SLayoutResList& list, SWindow* pWindow, const char* pszText) {
    if (pWindow == nullptr)
        return;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        SLayoutRes* pRecord = list.GetNext(pos);
        if (pRecord->m_pObject == pWindow) {
            pRecord->m_strCommand = pszText != nullptr ? pszText : "";
            return;
        }
    }
}

void SLayoutResourceLists::SetButtonTip(SLayout& layout, SWindow* pWindow, const char* pszText) {
    if (pWindow == nullptr || layout.GetToolTip() == nullptr)
        return;
    SLayoutResList& list = layout.GetButtonList();
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
        if (list.GetNext(pos)->m_pObject == pWindow) {
            layout.GetToolTip()->SetTipText(pWindow, pszText != nullptr ? pszText : "");
            return;
        }
}

// ---- builders -------------------------------------------------------------------------------

void SLayoutResourceLists::AddBuiltButton(SLayout& layout, const char* pszName, SButton* pButton) {
    SLayoutResList& list = layout.GetButtonList();
    const int32_t id = SLayout::kButtonIdBase + list.GetCount();
    list.AddTail(NewRecord(pszName, pButton, nullptr, false));
    InstallWindow(layout, pButton, id, true);
}

void SLayoutResourceLists::AddBuiltFont(SLayout& layout, const char* pszName, SFont* pFont) {
    layout.GetFontList().AddTail(NewRecord(pszName, pFont, nullptr, false));
}

void SLayoutResourceLists::AddBuiltSprite(SLayout& layout, const char* pszName, SSprite* pSprite) {
    layout.GetSpriteList().AddTail(NewRecord(pszName, pSprite, nullptr, false));
}

// ---- mark and purge -------------------------------------------------------------------------

void SLayoutResourceLists::MarkResources(SLayout& layout, bool bKeep) {
    SLayoutResList* lists[] = {&layout.GetSpriteList(), &layout.GetSurfaceList(), &layout.GetButtonList(),
                               &layout.GetFontList(),   &layout.GetSliderList(),  &layout.GetEditList()};
    for (SLayoutResList* pList : lists)
        for (POSITION pos = pList->GetHeadPosition(); pos != nullptr;) {
            SLayoutRes* pRecord = pList->GetNext(pos);
            pRecord->m_byKeep = bKeep ? 1 : 0;
            if (!bKeep)
                pRecord->m_pOwner = nullptr;
        }
    for (SLayoutResList* pList : {&layout.GetButtonList(), &layout.GetSliderList(), &layout.GetEditList()})
        for (POSITION pos = pList->GetHeadPosition(); pos != nullptr;)
            if (auto* pWindow = dynamic_cast<SWindow*>(pList->GetNext(pos)->m_pObject))
                pWindow->SetVisible(bKeep);
}

void SLayoutResourceLists::PurgeUnmarkedResources(SLayout& layout) {
    PurgeList(layout.GetSurfaceList(), 0, false);
    PurgeList(layout.GetButtonList(), SLayout::kButtonIdBase, true);
    PurgeList(layout.GetSliderList(), SLayout::kSliderIdBase, true);
    PurgeList(layout.GetEditList(), SLayout::kEditIdBase, true);
    PurgeList(layout.GetFontList(), 0, false);
    PurgeList(layout.GetSpriteList(), 0, false);
}

// ---- Enter ----------------------------------------------------------------------------------

bool SLayoutResourceLists::SendEnteredLines(SLayout& layout, bool bEnterWasUp) {
    const bool bEnterDown = sys::window::GetAsyncKeyState(sys::VK_RETURN) < 0;
    SLayoutResList& list = layout.GetEditList();
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr && bEnterDown;) {
        SLayoutRes* pRecord = list.GetNext(pos);
        auto* pBox = dynamic_cast<SEditBox*>(pRecord->m_pObject);
        if (pRecord->m_pOwner == nullptr || pBox == nullptr || !pBox->IsVisible())
            continue;
        CString strLine;
        pBox->GetText(strLine);
        auto* pItem = dynamic_cast<SLayoutItemEdit*>(pRecord->m_pOwner);
        if (pItem != nullptr && pItem->GetHideAfterEntry())
            pBox->SetVisible(false);
        // A press held over several frames sends its line once.
        if (bEnterWasUp) {
            CString strCommand;
            strCommand.Format("%s %s", pRecord->m_strCommand.GetString(), strLine.GetString());
            layout.OnCommand(strCommand);
            layout.EnableKeyboard(1);
        }
    }
    return !bEnterDown;
}
