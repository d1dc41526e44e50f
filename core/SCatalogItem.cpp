#include "core/SCatalogItem.h"

#include <memory>
#include <string>
#include <vector>

#include "core/SCatalog.h"
#include "core/SResourceFactory.h"
#include "sys/classlib/CArchive.h"
#include "sys/fs/fs.h"
#include "sys/signals.h"
#include "sys/window/window.h"

// Schema 2 added the children, schema 3 the resource data.
IMPLEMENT_SERIAL(SCatalogItem, CObject, VERSIONABLE_SCHEMA | 3)

namespace {

constexpr uint32_t kSchemaWithChildren = 2;
constexpr uint32_t kSchemaWithData = 3;

// Splits at every "\"; the text after the last one counts only when it is not empty, so a
// trailing separator adds no empty component but a leading one does.
std::vector<std::string> SplitComponents(const CString& strPath) {
    std::vector<std::string> parts;
    const std::string& text = strPath.str();
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < text.size())
        parts.push_back(text.substr(start));
    return parts;
}

// Whether a file (or folder) of that name exists, in any letter case.
bool FindsFile(const CString& strPath) {
    if (strPath.IsEmpty())
        return false;
    std::vector<sys::fs::FindEntry> entries;
    return sys::fs::FindFiles(strPath.GetString(), entries);
}

CString ReplaceLastThree(const CString& strPath, const char* pszText) {
    return strPath.Left(strPath.GetLength() - 3) + pszText;
}

}  // namespace

// ---- construction -------------------------------------------------------------------------

SCatalogItem::SCatalogItem() : m_pChildren(new SCatalogItemList) {
    m_pCatalog = SCatalog::GetLoadingCatalog();
    SCatalog::TrackLoadedItem(this);
}

SCatalogItem::SCatalogItem(int nKind, const CString& strName, const CString& strFile, const CString& strPath,
                           int nControlKind, const CString& strExtra, const SCatalogItemList* pChildren)
    : m_pChildren(new SCatalogItemList),
      m_dwKind(static_cast<uint32_t>(nKind)),
      m_dwControlKind(static_cast<uint32_t>(nControlKind)),
      m_strName(strName),
      m_strExtra(strExtra) {
    SetFile(strPath, strFile, false);
    if (pChildren != nullptr) {
        for (POSITION pos = pChildren->GetHeadPosition(); pos != nullptr;) {
            SCatalogItem* pChild = pChildren->GetNext(pos);
            if (pChild != nullptr)
                m_pChildren->AddTail(pChild);
        }
    }
}

SCatalogItem::~SCatalogItem() {
    SCatalog::ForgetLoadedItem(this);
    delete m_pResource;
    delete m_pChildren;
}

// ---- the catalog file ---------------------------------------------------------------------

bool SCatalogItem::CarriesData() const {
    if (m_dwKind != kKindImage && m_dwKind != kKindSound)
        return true;
    return m_pCatalog != nullptr && m_pCatalog->IsEmbeddedName(m_strName);
}

void SCatalogItem::WriteItemList(CArchive& ar, const SCatalogItemList& list) {
    ar.WriteCount(static_cast<uint64_t>(list.GetCount()));
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
        ar.WriteObject(list.GetNext(pos));
}

void SCatalogItem::ReadItemList(CArchive& ar, SCatalogItemList& list, const SCatalogItem* pSelf) {
    const uint32_t nCount = ar.ReadCount();
    // Every entry takes at least its two-byte tag.
    ar.EnsureAvailable(uint64_t{nCount} * 2);
    for (uint32_t i = 0; i < nCount; ++i) {
        // A list of hundreds of millions of empty entries takes seconds to read: a request to
        // close the game ends the read, as the start-up it belongs to.
        if ((i & 0xFFFF) == 0xFFFF && sys::signals::IsCloseRequested())
            ThrowUserException();
        SCatalogItem* pItem = nullptr;
        ar >> pItem;
        if (pItem != nullptr && pItem != pSelf)
            list.AddTail(pItem);
    }
}

void SCatalogItem::StoreResourceData(CArchive& ar) {
    if (m_pResource == nullptr && (m_dwKind == kKindImage || m_dwKind == kKindSound))
        Load(0);
    if (m_pResource != nullptr) {
        m_pResource->Serialize(ar);
        return;
    }
    // The reader makes a default object of the kind and lets it read its data, so the writer
    // must write that object's data even when this item never made one.
    std::unique_ptr<SResource> pDefault(SResourceFactory().CreateResource(static_cast<int>(m_dwKind)));
    if (pDefault != nullptr)
        pDefault->Serialize(ar);
}

void SCatalogItem::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_dwFlags << m_dwKind << m_strName << m_strFileName << m_strDevPath << m_strReleasePath << m_dwWord1
           << m_dwControlKind << m_strExtra << m_dwWord2;
        if (CarriesData())
            StoreResourceData(ar);
        m_strings.Serialize(ar);
        WriteItemList(ar, *m_pChildren);
        return;
    }

    uint32_t nSchema = ar.GetObjectSchema();
    if (nSchema == UINT32_MAX)  // read directly rather than through an object record
        nSchema = kSchemaWithData;
    if (nSchema < 1 || nSchema > kSchemaWithData)
        ThrowArchiveException(CArchiveException::badSchema, ar.GetFileName());

    ar >> m_dwFlags >> m_dwKind >> m_strName >> m_strFileName >> m_strDevPath >> m_strReleasePath >> m_dwWord1 >>
        m_dwControlKind >> m_strExtra >> m_dwWord2;
    if (nSchema >= kSchemaWithData && CarriesData()) {
        delete m_pResource;
        m_pResource = SResourceFactory().CreateResource(static_cast<int>(m_dwKind));
        if (m_pResource != nullptr)
            m_pResource->Serialize(ar);
    }
    m_strings.RemoveAll();
    m_strings.Serialize(ar);
    if (nSchema >= kSchemaWithChildren) {
        m_pChildren->RemoveAll();
        ReadItemList(ar, *m_pChildren, this);
    }
}

// ---- folders and paths --------------------------------------------------------------------

CString SCatalogItem::GetKindFolder() const { return SResourceKinds::GetFolder(static_cast<int>(m_dwKind)); }

CString SCatalogItem::GetControlFolder() const {
    switch (m_dwControlKind) {
    case kKindButton:
    case kKindComboBox:
    case kKindEditBox:
    case kKindListBox:
    case kKindFont:
    case kKindTextCtrl:
        return SResourceKinds::GetFolder(static_cast<int>(m_dwControlKind));
    default:
        return CString();
    }
}

CString SCatalogItem::ModePath() const {
    const bool bRelease = m_pCatalog != nullptr && m_pCatalog->IsReleaseMode();
    return bRelease ? m_strReleasePath : m_strDevPath;
}

CString SCatalogItem::PathInFolder(const CString& strFolder) const {
    CString strPath = ModePath();
    if (strPath.GetLength() >= 2 && strPath[1] != ':') {
        if (!strFolder.IsEmpty())
            strPath = strFolder + "\\" + strPath;
    } else if (strPath.IsEmpty()) {
        strPath = strFolder;
    }
    return strPath;
}

CString SCatalogItem::GetExtension() const {
    if (m_dwKind != kKindImage)
        return SResourceKinds::GetExtension(static_cast<int>(m_dwKind));
    if (m_pCatalog == nullptr)
        return "tga";
    const CStringArray& folders = m_pCatalog->GetSearchFolders();
    for (const char* pszExtension : {"bmp", "jpg"}) {
        for (int i = 0; i < folders.GetSize(); ++i) {
            if (FindsFile(PathInFolder(folders[i]) + "\\" + m_strFileName + "." + pszExtension))
                return pszExtension;
        }
    }
    return "tga";
}

CString SCatalogItem::GetFullPath(bool bUseRoots, bool bWithFile, bool bCollapse) const {
    // Both forms finish a path the same way: no file name means no path at all. The image
    // extension probes the disk, so it is found once for all folders.
    const CString strExtension = bWithFile && !m_strFileName.IsEmpty() ? GetExtension() : CString();
    auto finish = [&](CString strPath) {
        if (m_strFileName.IsEmpty())
            return CString();
        if (bWithFile)
            strPath += "\\" + m_strFileName + "." + strExtension;
        return strPath;
    };

    CString strPath;
    if (m_pCatalog == nullptr || m_pCatalog->UsesSearchFolders()) {
        static const CStringArray kNoFolders;
        const CStringArray& folders = m_pCatalog != nullptr ? m_pCatalog->GetSearchFolders() : kNoFolders;
        if (folders.IsEmpty())
            strPath = finish(bUseRoots ? PathInFolder(CString()) : ModePath());
        for (int i = 0; i < folders.GetSize(); ++i) {
            strPath = finish(bUseRoots ? PathInFolder(folders[i]) : ModePath());
            if (strPath.IsEmpty() || FindsFile(strPath))
                break;
            // Pictures may have been converted to jpg after the catalog was written.
            strPath = ReplaceLastThree(strPath, "jpg");
            if (FindsFile(strPath))
                break;
        }
    } else {
        strPath = ModePath();
        if (bUseRoots) {
            if (strPath.GetLength() >= 2 && strPath[1] != ':') {
                if (!m_pCatalog->GetDevRoot().IsEmpty())
                    strPath = m_pCatalog->GetRoot() + "\\" + strPath;
            } else if (strPath.IsEmpty()) {
                strPath = m_pCatalog->GetRoot();
            }
        }
        strPath = finish(strPath);
    }
    return bCollapse ? CollapsePath(strPath) : strPath;
}

CString SCatalogItem::GetFolder() const {
    if (m_pCatalog == nullptr)
        return CString();
    CString strFolder = m_pCatalog->GetRoot();
    if (m_pCatalog->IsReleaseMode() && !strFolder.IsEmpty() && !m_strReleasePath.IsEmpty())
        strFolder += "\\" + m_strReleasePath;
    return strFolder;
}

CString SCatalogItem::RelativePath(const CString& strRoot, const CString& strPath) {
    const std::vector<std::string> root = SplitComponents(strRoot);
    const std::vector<std::string> path = SplitComponents(strPath);
    if (root.empty() || path.empty() || root[0] != path[0])
        return strPath;

    std::string result;
    size_t nUsed = root.size();
    for (size_t i = 0; i < root.size(); ++i) {
        if (i >= path.size()) {
            for (size_t k = i; k < root.size(); ++k)
                result += "..\\";
            nUsed = path.size();
            break;
        }
        if (root[i] != path[i]) {
            for (size_t k = i; k < root.size(); ++k)
                result += "..\\";
            result += path[i] + "\\";
            nUsed = i + 1;
            break;
        }
    }
    for (size_t i = nUsed; i < path.size(); ++i)
        result += path[i] + "\\";
    if (!result.empty() && result.front() == '\\')
        result.erase(0, 1);
    if (!result.empty() && result.back() == '\\')
        result.pop_back();
    return CString(result);
}

CString SCatalogItem::CollapsePath(const CString& strPath) {
    const int k = strPath.Find("\\..\\");
    if (k <= 0)
        return strPath;
    int nStartA = k - 1;
    while (nStartA >= 0 && strPath[nStartA] != '\\')
        --nStartA;
    ++nStartA;
    const CString strA = strPath.Mid(nStartA, k - nStartA);
    const int nStartB = k + 4;
    int nEndB = strPath.Find('\\', nStartB);
    if (nEndB < 0)
        nEndB = strPath.GetLength();
    const CString strB = strPath.Mid(nStartB, nEndB - nStartB);
    if (strA != strB)
        return strPath;
    return strPath.Left(k) + strPath.Mid(nEndB);
}

void SCatalogItem::SetFile(const CString& strFolder, const CString& strFile, bool bRelease) {
    CString strRelative = strFolder;
    if (m_pCatalog != nullptr)
        strRelative = RelativePath(bRelease ? m_pCatalog->GetReleaseRoot() : m_pCatalog->GetDevRoot(), strFolder);
    if (bRelease)
        m_strReleasePath = strRelative;
    else
        m_strDevPath = strRelative;
    m_strFileName = strFile;
}

CString SCatalogItem::MakeRelativePath(const CString& strPath) const {
    if (m_pCatalog == nullptr)
        return strPath;
    return RelativePath(m_dwFlags != 0 ? m_pCatalog->GetReleaseRoot() : m_pCatalog->GetDevRoot(), strPath);
}

CString SCatalogItem::GetKey() const {
    CString strKey;
    strKey.Format("%s-%s-%s-%d-%d", m_strName.GetString(), m_strFileName.GetString(), m_strExtra.GetString(),
                  static_cast<int>(m_dwKind), static_cast<int>(m_dwControlKind));
    return strKey;
}

// ---- loading ------------------------------------------------------------------------------

bool SCatalogItem::Load(uintptr_t dwFlags) {
    bool bMadeNow = false;
    if (m_pResource == nullptr) {
        // Without a class for the kind the factory makes nothing and never opens the file, so
        // the path (which probes the disk) is not worth building.
        if (SResourceFactory::GetCreator(static_cast<int>(m_dwKind)) == nullptr)
            return true;
        const CString strPath = GetFullPath(true, true, true);
        try {
            m_pResource = SResourceFactory().CreateFromFile(static_cast<int>(m_dwKind), strPath, CString());
            bMadeNow = true;
        } catch (const CFileException&) {
        } catch (const CArchiveException&) {
        }
        if (!bMadeNow) {
            // The object the factory made before the file failed is only known to it.
            delete SResourceFactory::GetLastCreated();
            SResourceFactory::ClearLastCreated();
            return false;
        }
        SResourceFactory::ClearLastCreated();
    }
    if (m_pResource == nullptr || m_nUseCount >= 2)
        return true;
    try {
        if (m_pCatalog == nullptr || m_pCatalog->UsesSearchFolders()) {
            m_pResource->LoadFromMemory(m_pCatalog != nullptr ? &m_pCatalog->GetSearchFolders() : nullptr, dwFlags);
        } else {
            m_pResource->LoadFromFile(GetFolder(), dwFlags);
        }
    } catch (const CFileException&) {
        if (bMadeNow) {
            delete m_pResource;
            m_pResource = nullptr;
        }
        return false;
    } catch (const CArchiveException&) {
        if (bMadeNow) {
            delete m_pResource;
            m_pResource = nullptr;
        }
        return false;
    }
    return true;
}

// ---- children -----------------------------------------------------------------------------

void SCatalogItem::NotifyMainWindow(uint32_t nMessage, SCatalogItem* pChild) {
    const sys::HWND hwnd = sys::window::GetMainWindow();
    if (hwnd != nullptr) {
        sys::window::SendMessage(hwnd, nMessage, reinterpret_cast<sys::WPARAM>(this),
                                 reinterpret_cast<sys::LPARAM>(pChild));
    }
}

void SCatalogItem::AddChild(SCatalogItem* pChild) {
    if (pChild == nullptr || pChild == this)
        return;
    m_pChildren->AddTail(pChild);
    NotifyMainWindow(kMsgCatalogChildAdded, pChild);
}

void SCatalogItem::RemoveChild(SCatalogItem* pChild) {
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;) {
        const POSITION current = pos;
        if (m_pChildren->GetNext(pos) == pChild) {
            m_pChildren->RemoveAt(current);
            NotifyMainWindow(kMsgCatalogChildRemoved, pChild);
        }
    }
}

void SCatalogItem::RemoveChildByResource(SResource* pResource) {
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;) {
        const POSITION current = pos;
        if (m_pChildren->GetNext(pos)->GetResource() == pResource) {
            m_pChildren->RemoveAt(current);
            return;
        }
    }
}
