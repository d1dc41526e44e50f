#include "ui/widgets/SMultiImage.h"

#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "core/SResourceFactory.h"
#include "sys/classlib/Exceptions.h"
#include "sys/window/dialogs.h"
#include "ui/SDC.h"

IMPLEMENT_SERIAL(SMultiImage, SWindow, VERSIONABLE_SCHEMA | 1)

void RegisterMultiImageResourceKind() { SResourceFactory::RegisterKind<SMultiImage>(kKindMultiImage); }

namespace {

constexpr const char* kCaption = "Tarvex";

void ShowLoadFailure(const char* pszName) {
    CString strText;
    strText.Format("Failed to load file %s!", pszName);
    sys::dialogs::MessageBox(strText.str(), kCaption, sys::MB_OK);
}

bool CatalogHolds(SCatalog* pCatalog, SResource* pResource) {
    SCatalogItemList* pItems = pCatalog->GetItems();
    for (POSITION pos = pItems->GetHeadPosition(); pos != nullptr;) {
        if (pItems->GetNext(pos)->GetResource() == pResource)
            return true;
    }
    return false;
}

}  // namespace

SMultiImage::SMultiImage() = default;

SMultiImage::~SMultiImage() = default;

int32_t SMultiImage::Accept(SResourceVisitor* pVisitor) {
    return pVisitor != nullptr ? pVisitor->VisitMultiImage(this) : 0;
}

CString SMultiImage::PathOf(const CString& strName) const {
    return m_strFolder.IsEmpty() ? strName : m_strFolder + "\\" + strName;
}

SResource* SMultiImage::LoadImage(const CString& strName) {
    if (strName.Left(3).Compare("id;") == 0 && s_pCatalog != nullptr) {
        SCatalogItem* pItem = s_pCatalog->FindItem(strName.Mid(3), CString(), kKindImage);
        return pItem != nullptr ? s_pCatalog->AcquireItem(pItem, 0) : nullptr;
    }
    SResourceFactory factory;
    try {
        return factory.CreateFromFile(kKindImage, CString(), PathOf(strName));
    } catch (CException&) {
        delete SResourceFactory::GetLastCreated();
        SResourceFactory::ClearLastCreated();
        return nullptr;
    }
}

void SMultiImage::ReleaseImage(SResource* pImage) {
    if (pImage == nullptr)
        return;
    // The next picture takes over its place; a catalog image kept for other users no longer
    // lies there.
    SDC::NotePacked(pImage, nullptr);
    if (s_pCatalog == nullptr || (!s_pCatalog->ReleaseResource(pImage) && !CatalogHolds(s_pCatalog, pImage)))
        delete pImage;
}

void SMultiImage::SetCurImage(int nIndex) {
    if (nIndex == m_iCurrent)
        return;
    SResource* pOld = m_pResArray->GetSize() > 0 ? m_pResArray->GetAt(0) : nullptr;
    SDC* pPacking = m_pOwnPackingDC != nullptr ? m_pOwnPackingDC : s_pCurrentSourceDC;
    bool bHasPlace = false;
    sys::RECT rcPlace;
    // A place the old image took on another context is no room of this one.
    if (pOld != nullptr && pPacking != nullptr && pPacking->HoldsPacked(pOld)) {
        pOld->GetRect(&rcPlace);
        bHasPlace = true;
    }
    m_iCurrent = nIndex;
    CStringList& names = GetResourceNames();
    if (nIndex < 0 || names.IsEmpty())
        return;
    ReleaseImage(pOld);
    if (m_pResArray->GetSize() > 0)
        m_pResArray->SetAt(0, nullptr);
    POSITION pos = names.FindIndex(nIndex);
    if (pos == nullptr)
        return;
    const CString strName = names.GetAt(pos);
    SResource* pImage = LoadImage(strName);
    if (pImage == nullptr) {
        ShowLoadFailure(strName);
        return;
    }
    if (m_pResArray->GetSize() > 0)
        m_pResArray->SetAt(0, pImage);
    else
        m_pResArray->Add(pImage);
    if (bHasPlace) {
        pPacking->DrawImage(rcPlace, pImage, 0, 0);
        pImage->SetRect(rcPlace);
        SDC::NotePacked(pImage, pPacking);
    }
}

bool SMultiImage::LoadFromFile(const CString& strFolder, uintptr_t dwFlags) {
    m_strFolder = strFolder;
    SetCurImage(0);
    bool bResult = true;
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;)
        bResult = m_pChildren->GetNext(pos)->LoadFromFile(strFolder, dwFlags) && bResult;
    return bResult;
}

bool SMultiImage::LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) {
    SetCurImage(0);
    bool bResult = true;
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;)
        bResult = m_pChildren->GetNext(pos)->LoadFromMemory(pSearchFolders, dwFlags) && bResult;
    return bResult;
}

void SMultiImage::LoadAllImages(const char* pszFolder) {
    m_strFolder = pszFolder;
    // The pictures held so far (the current one, or an earlier load of them all) are given
    // back before the array is refilled.
    for (int i = 0; i < m_pResArray->GetSize(); ++i)
        ReleaseImage(m_pResArray->GetAt(i));
    m_pResArray->RemoveAll();
    CStringList& names = GetResourceNames();
    SResourceFactory factory;
    for (POSITION pos = names.GetHeadPosition(); pos != nullptr;) {
        const POSITION posName = pos;
        const CString strName = names.GetNext(pos);
        try {
            if (SResource* pImage = factory.CreateFromFile(kKindImage, CString(), PathOf(strName)))
                m_pResArray->Add(pImage);
        } catch (CFileException& e) {
            delete SResourceFactory::GetLastCreated();
            SResourceFactory::ClearLastCreated();
            ShowLoadFailure(e.m_strFileName);
            names.RemoveAt(posName);
        }
    }
}

int SMultiImage::Draw(SDC* pDC) {
    if (!m_bVisible)
        return 0;
    if (pDC == nullptr)
        return SWindow::Draw(pDC);
    DrawResourceImage(pDC, m_rcWindow, 0);
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;)
        m_pChildren->GetNext(pos)->Draw(pDC);
    return 0;
}
