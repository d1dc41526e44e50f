#include "assets/handlers/STextureHandler.h"

#include <algorithm>
#include <vector>

#include "assets/textures/STexFormat.h"
#include "assets/textures/STexture2.h"
#include "core/SDataCollection.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/Exceptions.h"
#include "sys/fs/fs.h"
#include "sys/window/dialogs.h"

IMPLEMENT_SERIAL(STextureData, CObject, 1)
IMPLEMENT_SERIAL(STextureHandler, SResource, 1)

// ---- STextureData ---------------------------------------------------------------------------

STextureData::~STextureData() { delete m_pTexture; }

void STextureData::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_strName << m_dwA1 << m_dwA2 << m_fB1 << m_fB2;
    else
        ar >> m_strName >> m_dwA1 >> m_dwA2 >> m_fB1 >> m_fB2;
}

// ---- STextureHandler ------------------------------------------------------------------------

STextureHandler::STextureHandler() : m_pValues(new SDataCollection(0, 1)), m_pEntries(new STextureDataArray) {
    m_pEntries->Add(NewEntry());
}

STextureHandler::~STextureHandler() {
    DeleteEntries();
    delete m_pEntries;
    delete m_pValues;
}

STextureData* STextureHandler::NewEntry() {
    auto* pEntry = new STextureData;
    pEntry->m_pTexture = new STexture2;
    return pEntry;
}

void STextureHandler::DeleteEntries() {
    for (int i = 0; i < m_pEntries->GetSize(); ++i)
        delete m_pEntries->GetAt(i);
    m_pEntries->RemoveAll();
}

STextureData* STextureHandler::Entry(int nIndex) const {
    if (nIndex == -1)
        nIndex = m_iCurrent;
    return nIndex >= 0 && nIndex < m_pEntries->GetSize() ? m_pEntries->GetAt(nIndex) : nullptr;
}

void STextureHandler::Serialize(CArchive& ar) {
    SResource::Serialize(ar);
    if (ar.IsStoring()) {
        m_pEntries->Serialize(ar);
        m_pValues->Serialize(ar);
        return;
    }
    DeleteEntries();
    m_pEntries->SerializeOwned(ar);
    m_pValues->Serialize(ar);
    // A stored list without entries (or with empty slots) would leave the current entry
    // pointing at nothing: every slot holds an entry and there is always one.
    for (int i = 0; i < m_pEntries->GetSize(); ++i) {
        if (m_pEntries->GetAt(i) == nullptr)
            m_pEntries->SetAt(i, new STextureData);
    }
    if (m_pEntries->GetSize() == 0)
        m_pEntries->Add(new STextureData);
    STextureData* pFirst = m_pEntries->GetAt(0);
    delete pFirst->m_pTexture;
    pFirst->m_pTexture = new STexture2;
}

bool STextureHandler::LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) {
    if (pSearchFolders == nullptr)
        return false;
    for (int i = 0; i < pSearchFolders->GetSize(); ++i) {
        if (LoadFromFile(pSearchFolders->GetAt(i), dwFlags))
            return true;
    }
    return false;
}

bool STextureHandler::LoadFromFile(const CString& strFolder, uintptr_t dwFlags) {
    if (dwFlags == 0)
        return false;
    STextureData* pEntry = Entry(-1);
    if (pEntry == nullptr || pEntry->m_strName.IsEmpty())
        return false;
    const CString strPath = strFolder.IsEmpty() ? pEntry->m_strName : strFolder + "\\" + pEntry->m_strName;
    if (!sys::fs::Exists(static_cast<const char*>(strPath)))
        return false;
    m_strFolder = strFolder;
    if (pEntry->m_pTexture == nullptr)
        pEntry->m_pTexture = new STexture2;
    if (!pEntry->m_pTexture->Load(strPath, 1)) {
        sys::dialogs::MessageBox("File load failed", "", sys::MB_OK);
        throw CUserException();
    }
    if (pEntry->m_pTexture->GetNumFormats() > 0)
        m_iCurrentFormat = 0;
    return true;
}

int32_t STextureHandler::Accept(SResourceVisitor* pVisitor) { return pVisitor->VisitTextureHandler(this); }

CString STextureHandler::GetEntryPath(int nIndex) const {
    const STextureData* pEntry = Entry(nIndex);
    if (pEntry == nullptr)
        return CString();
    return m_strFolder.IsEmpty() ? pEntry->m_strName : m_strFolder + "\\" + pEntry->m_strName;
}

STexture2* STextureHandler::GetEntryTexture(int nIndex) const {
    const STextureData* pEntry = Entry(nIndex);
    return pEntry != nullptr ? pEntry->m_pTexture : nullptr;
}

bool STextureHandler::GetEntryParamsA(int nIndex, uint32_t* pA1, uint32_t* pA2) const {
    const STextureData* pEntry = Entry(nIndex);
    if (pEntry == nullptr)
        return false;
    *pA1 = pEntry->m_dwA1;
    *pA2 = pEntry->m_dwA2;
    return true;
}

bool STextureHandler::SetEntryParamsA(int nIndex, uint32_t dwA1, uint32_t dwA2) {
    STextureData* pEntry = Entry(nIndex);
    if (pEntry == nullptr)
        return false;
    pEntry->m_dwA1 = dwA1;
    pEntry->m_dwA2 = dwA2;
    return true;
}

bool STextureHandler::GetEntryParamsB(int nIndex, float* pB1, float* pB2) const {
    const STextureData* pEntry = Entry(nIndex);
    if (pEntry == nullptr)
        return false;
    *pB1 = pEntry->m_fB1;
    *pB2 = pEntry->m_fB2;
    return true;
}

bool STextureHandler::SetEntryParamsB(int nIndex, float fB1, float fB2) {
    STextureData* pEntry = Entry(nIndex);
    if (pEntry == nullptr)
        return false;
    pEntry->m_fB1 = fB1;
    pEntry->m_fB2 = fB2;
    return true;
}

bool STextureHandler::SetEntryName(const char* pszName, int nIndex) {
    STextureData* pEntry = Entry(nIndex);
    if (pEntry == nullptr)
        return false;
    pEntry->m_strName = pszName;
    return true;
}

void STextureHandler::AddEntry() { m_iCurrent = m_pEntries->Add(NewEntry()); }

void STextureHandler::RemoveEntry(int nIndex) {
    if (nIndex == -1)
        nIndex = m_iCurrent;
    if (nIndex < 0 || nIndex >= m_pEntries->GetSize())
        return;
    delete m_pEntries->GetAt(nIndex);
    m_pEntries->RemoveAt(nIndex);
    if (m_pEntries->GetSize() == 0)
        m_pEntries->Add(NewEntry());
    SelectEntry(m_pEntries->GetSize() - 1);
}

bool STextureHandler::SelectEntry(int nIndex) {
    if (nIndex < 0 || nIndex >= m_pEntries->GetSize())
        return false;
    STextureData* pEntry = m_pEntries->GetAt(nIndex);
    if (pEntry->m_pTexture == nullptr)
        pEntry->m_pTexture = new STexture2;
    m_iCurrent = nIndex;
    return LoadFromFile(m_strFolder, 1);
}

const char* STextureHandler::GetValue(const char* pszName) const { return m_pValues->GetValueByName(pszName).GetString(); }

void STextureHandler::SetValue(const char* pszName, const char* pszValue) { m_pValues->SetOrAppend(pszName, pszValue, 0); }

bool STextureHandler::GetValueAt(int nIndex, CString* pName, CString* pValue) const {
    if (nIndex < 0 || nIndex >= m_pValues->GetCount())
        return false;
    *pName = m_pValues->GetName(nIndex).GetString();
    *pValue = m_pValues->GetValue(nIndex).GetString();
    return true;
}

void STextureHandler::RemoveValueAt(int nIndex) { m_pValues->RemoveAt(nIndex); }

int STextureHandler::GetValueCount() const { return m_pValues->GetCount(); }

STexFormat* STextureHandler::FindFormatByName(const char* pszName) const {
    const STexture2* pTexture = GetEntryTexture(-1);
    if (pTexture == nullptr)
        return nullptr;
    for (int16_t i = 0; i < pTexture->GetNumFormats(); ++i) {
        STexFormat* pFormat = pTexture->GetFormat(i);
        if (pFormat != nullptr && pFormat->m_strName == pszName)
            return pFormat;
    }
    return nullptr;
}

STexFormat* STextureHandler::GetCurrentFormat() const {
    const STexture2* pTexture = GetEntryTexture(-1);
    if (pTexture == nullptr || m_iCurrentFormat < 0)
        return nullptr;
    return pTexture->GetFormat(static_cast<int16_t>(m_iCurrentFormat));
}

bool STextureHandler::AddFormatFromCurrent(STexFormat* pFormat) {
    STexture2* pTexture = GetEntryTexture(-1);
    STexFormat* pCurrent = GetCurrentFormat();
    if (pTexture == nullptr || pFormat == nullptr || !pTexture->AddFormat(pFormat))
        return false;
    if (pCurrent == nullptr)
        return true;
    // Only layers both formats have are copied: a deeper new format keeps its extra layers.
    const int16_t depth = std::min(pFormat->GetMIPDepth(), pCurrent->GetMIPDepth());
    for (int16_t k = 0; k < depth; ++k) {
        const int rgbSize = pCurrent->CopyLayerRGB(k, nullptr, 1);
        if (rgbSize > 0) {
            std::vector<uint8_t> rgb(static_cast<size_t>(rgbSize));
            if (pCurrent->CopyLayerRGB(k, rgb.data(), 1) == 0)
                pFormat->SetLayerRGB(k, rgb.data());
        }
        const int alphaSize = pCurrent->HasAlpha() && pFormat->HasAlpha() ? pCurrent->CopyLayerAlpha(k, nullptr) : -1;
        if (alphaSize > 0) {
            std::vector<uint8_t> alpha(static_cast<size_t>(alphaSize));
            if (pCurrent->CopyLayerAlpha(k, alpha.data()) == 0)
                pFormat->SetLayerAlpha(k, alpha.data());
        }
    }
    return true;
}

bool STextureHandler::ImportImage(const char* pszFormat, const char* pszImagePath) {
    STexture2* pTexture = GetEntryTexture(-1);
    STexFormat* pFormat = STexFormat::Parse(pszFormat);
    if (pTexture == nullptr || pFormat == nullptr) {
        delete pFormat;
        return false;
    }
    const int result = pTexture->ImportImage(pszImagePath, pFormat);
    // The container owns the format unless the import failed before clearing it.
    if (!result && (pTexture->GetNumFormats() == 0 || pTexture->GetFormat(0) != pFormat))
        delete pFormat;
    m_iCurrentFormat = 0;
    return result != 0;
}

void STextureHandler::SaveEntry(int nIndex) {
    STexture2* pTexture = GetEntryTexture(nIndex);
    if (pTexture == nullptr || !pTexture->Save(GetEntryPath(nIndex)))
        throw CUserException();
}
