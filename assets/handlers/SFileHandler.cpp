#include "assets/handlers/SFileHandler.h"

#include "sys/classlib/CArchive.h"
#include "sys/fs/fs.h"

IMPLEMENT_SERIAL(SFileFinder, CObject, 1)
IMPLEMENT_SERIAL(SFileHandler, SResource, 1)
IMPLEMENT_SERIAL(SSMLoader, SResource, 1)

// ---- SFileFinder ----------------------------------------------------------------------------

void SFileFinder::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_strName << m_strFile << m_dwFirst << static_cast<uint32_t>(m_iSecond) << m_dwFlags;
    } else {
        uint32_t dwSecond = 0;
        ar >> m_strName >> m_strFile >> m_dwFirst >> dwSecond >> m_dwFlags;
        m_iSecond = static_cast<int32_t>(dwSecond);
    }
}

// ---- SFileHandler ---------------------------------------------------------------------------

SFileHandler::~SFileHandler() { DeleteFinders(); }

void SFileHandler::DeleteFinders() {
    for (int i = 0; i < m_Finders.GetSize(); ++i)
        delete m_Finders.GetAt(i);
    m_Finders.RemoveAll();
}

void SFileHandler::Serialize(CArchive& ar) {
    SResource::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_dwWord;
    } else {
        ar >> m_dwWord;
        DeleteFinders();
    }
    m_Finders.SerializeOwned(ar);
}

bool SFileHandler::LoadFromMemory(CStringArray* pSearchFolders, uintptr_t) {
    m_strFolder.Empty();
    m_pSearchFolders = pSearchFolders;
    return true;
}

bool SFileHandler::LoadFromFile(const CString& strFolder, uintptr_t) {
    m_strFolder = strFolder;
    m_pSearchFolders = nullptr;
    return true;
}

int32_t SFileHandler::Accept(SResourceVisitor* pVisitor) { return pVisitor->VisitFileHandler(this); }

int SFileHandler::AddFile(const char* pszFile, const char* pszName, uint32_t dwFirst, int32_t iSecond) {
    auto* pFinder = new SFileFinder;
    pFinder->m_strFile = pszFile;
    pFinder->m_strName = pszName;
    pFinder->m_dwFirst = dwFirst;
    pFinder->m_iSecond = iSecond;
    return m_Finders.Add(pFinder);
}

void SFileHandler::RemoveFile(int nIndex) {
    if (Finder(nIndex) == nullptr)
        return;
    delete m_Finders.GetAt(nIndex);
    m_Finders.RemoveAt(nIndex);
}

const char* SFileHandler::GetName(int nIndex) const {
    const SFileFinder* pFinder = Finder(nIndex);
    return pFinder != nullptr ? pFinder->m_strName.GetString() : nullptr;
}

bool SFileHandler::SetName(int nIndex, const char* pszName) {
    SFileFinder* pFinder = Finder(nIndex);
    if (pFinder != nullptr)
        pFinder->m_strName = pszName;
    return pFinder != nullptr;
}

bool SFileHandler::SetFile(int nIndex, const char* pszFile) {
    SFileFinder* pFinder = Finder(nIndex);
    if (pFinder != nullptr)
        pFinder->m_strFile = pszFile;
    return pFinder != nullptr;
}

uint32_t SFileHandler::GetFlags(int nIndex) const {
    const SFileFinder* pFinder = Finder(nIndex);
    return pFinder != nullptr ? pFinder->m_dwFlags : 0;
}

bool SFileHandler::SetFlags(int nIndex, uint32_t dwFlags) {
    SFileFinder* pFinder = Finder(nIndex);
    if (pFinder != nullptr)
        pFinder->m_dwFlags = dwFlags;
    return pFinder != nullptr;
}

int SFileHandler::GetFilePath(int nIndex, CString* pPath) const {
    const SFileFinder* pFinder = Finder(nIndex);
    if (pFinder == nullptr)
        return 0;
    if (m_pSearchFolders == nullptr) {
        *pPath = m_strFolder + "\\" + pFinder->m_strFile;
        return 1;
    }
    for (int i = 0; i < m_pSearchFolders->GetSize(); ++i) {
        const CString& strFolder = m_pSearchFolders->GetAt(i);
        if (sys::fs::Exists(static_cast<const char*>(strFolder + "/" + pFinder->m_strFile))) {
            *pPath = strFolder + "\\" + pFinder->m_strFile;
            return 1;
        }
    }
    return 0;
}

int SFileHandler::FindByName(const char* pszName, CString* pPath) const {
    for (int i = 0; i < m_Finders.GetSize(); ++i) {
        const SFileFinder* pFinder = m_Finders.GetAt(i);
        if (pFinder != nullptr && pFinder->m_strName.CompareNoCase(pszName) == 0)
            return GetFilePath(i, pPath);
    }
    return 0;
}

// ---- SSMLoader ------------------------------------------------------------------------------

void SSMLoader::Serialize(CArchive& ar) {
    SResource::Serialize(ar);
    if (ar.IsStoring())
        ar << m_strFileName;
    else
        ar >> m_strFileName;
}

bool SSMLoader::LoadFromMemory(CStringArray* pSearchFolders, uintptr_t) {
    m_strFolder.Empty();
    m_pSearchFolders = pSearchFolders;
    return true;
}

bool SSMLoader::LoadFromFile(const CString& strFolder, uintptr_t) {
    m_strFolder = strFolder;
    m_pSearchFolders = nullptr;
    return true;
}

int32_t SSMLoader::Accept(SResourceVisitor* pVisitor) { return pVisitor->VisitSMLoader(this); }

CString SSMLoader::GetPath(bool bSearch) {
    if (bSearch && m_strFolder.IsEmpty() && m_pSearchFolders != nullptr) {
        for (int i = 0; i < m_pSearchFolders->GetSize(); ++i) {
            if (sys::fs::Exists(static_cast<const char*>(m_pSearchFolders->GetAt(i) + "/" + m_strFileName))) {
                m_strFolder = m_pSearchFolders->GetAt(i);
                break;
            }
        }
    }
    return m_strFolder.IsEmpty() ? m_strFileName : m_strFolder + "/" + m_strFileName;
}
