#include "core/SCatalog.h"

#include <algorithm>
#include <unordered_map>

#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"

IMPLEMENT_SERIAL(SCatalog, CObject, 1)

namespace {

// The catalog whose file this thread is reading; new items join it from their constructor.
thread_local SCatalog* t_pLoadingCatalog = nullptr;

// Sets the catalog being read for the length of a read, and puts the previous one back.
class LoadingScope {
public:
    explicit LoadingScope(SCatalog* pCatalog) : m_pPrevious(t_pLoadingCatalog) { t_pLoadingCatalog = pCatalog; }
    ~LoadingScope() { t_pLoadingCatalog = m_pPrevious; }
    LoadingScope(const LoadingScope&) = delete;
    LoadingScope& operator=(const LoadingScope&) = delete;

private:
    SCatalog* m_pPrevious;
};

bool SameText(const CString& a, const CString& b) { return a.CompareNoCase(b) == 0; }

}  // namespace

SCatalog* SCatalog::GetLoadingCatalog() { return t_pLoadingCatalog; }

void SCatalog::TrackLoadedItem(SCatalogItem* pItem) {
    if (t_pLoadingCatalog != nullptr)
        t_pLoadingCatalog->m_loadingItems.push_back(pItem);
}

void SCatalog::ForgetLoadedItem(SCatalogItem* pItem) {
    if (t_pLoadingCatalog == nullptr)
        return;
    std::vector<SCatalogItem*>& items = t_pLoadingCatalog->m_loadingItems;
    // An item deleted during a read is almost always the one made last.
    const auto found = std::find(items.rbegin(), items.rend(), pItem);
    if (found != items.rend())
        items.erase(std::next(found).base());
}

// ---- life ---------------------------------------------------------------------------------

SCatalog::SCatalog() : m_pItems(new SCatalogItemList) { ClearKindCache(); }

SCatalog::SCatalog(const char* lpszFileName) : SCatalog() {
    // The object is whole once the delegated constructor has run, so a failure below still
    // runs the destructor and frees whatever the read made.
    CFile file(lpszFileName, CFile::modeRead | CFile::shareDenyWrite);
    CArchive ar(&file, CArchive::load, 4096);
    Serialize(ar);
    ar.Close();
    ClearKindCache();
    file.Close();
}

SCatalog::SCatalog(const char* lpszFileName, uint32_t) : SCatalog(lpszFileName) {}

SCatalog::~SCatalog() {
    DestroyItems();
    delete m_pItems;
}

void SCatalog::ClearKindCache() {
    std::fill(std::begin(m_kindCache), std::end(m_kindCache), nullptr);
    for (KindIndex& index : m_kindIndex) {
        index.bBuilt = false;
        index.items.clear();
    }
}

const std::vector<SCatalogItem*>& SCatalog::ItemsOfKind(int nKind) {
    KindIndex& index = m_kindIndex[nKind];
    if (!index.bBuilt) {
        for (POSITION pos = m_pItems->GetHeadPosition(); pos != nullptr;) {
            SCatalogItem* pItem = m_pItems->GetNext(pos);
            if (pItem->GetKind() == static_cast<uint32_t>(nKind))
                index.items.push_back(pItem);
        }
        index.bBuilt = true;
    }
    return index.items;
}

void SCatalog::DestroyItems() {
    // Resources of items still to go may point at the one being deleted (a window at its
    // images); they are told first. Releases that deleted resources make meanwhile change
    // nothing, and an item listed twice is deleted once, at its first place. Lookups made
    // meanwhile walk the shrinking list, never remembered places in it.
    m_bKeepLoaded = 1;
    ClearKindCache();
    std::unordered_map<SCatalogItem*, int> entries;
    std::vector<SCatalogItem*> order;
    for (POSITION pos = m_pItems->GetHeadPosition(); pos != nullptr;) {
        SCatalogItem* pItem = m_pItems->GetNext(pos);
        if (entries[pItem]++ == 0)
            order.push_back(pItem);
    }
    for (SCatalogItem* pItem : m_unlistedItems) {
        if (entries.find(pItem) == entries.end())
            order.push_back(pItem);
    }
    m_unlistedItems.clear();
    // Every resource forgets the resources of the items before it in one call, before any item
    // goes: what the deletions in between do never reaches into another item's resource array.
    SResourceSet gone;
    for (size_t i = 0; i < order.size(); ++i) {
        if (SResource* pResource = order[i]->GetResource(); pResource != nullptr)
            gone.Add(pResource, i);
    }
    for (size_t k = 1; k < order.size(); ++k) {
        if (SResource* pResource = order[k]->GetResource(); pResource != nullptr) {
            gone.SetThreshold(k);
            pResource->RemoveReference(&gone);
        }
    }
    for (size_t i = 0; i < order.size(); ++i) {
        SCatalogItem* pItem = order[i];
        // The list keeps the items still to go, for releases made while this one is deleted.
        if (!m_pItems->IsEmpty() && m_pItems->GetHead() == pItem) {
            m_pItems->RemoveHead();
            if (entries[pItem] > 1) {
                for (POSITION pos = m_pItems->GetHeadPosition(); pos != nullptr;) {
                    const POSITION current = pos;
                    if (m_pItems->GetNext(pos) == pItem)
                        m_pItems->RemoveAt(current);
                }
            }
        }
        delete pItem;
    }
    ClearKindCache();
    m_bKeepLoaded = 0;
}

// ---- the catalog file ---------------------------------------------------------------------

void SCatalog::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_dwWord << kVersion << m_strText2 << m_strText1 << m_strDevRoot << m_strReleaseRoot;
        m_embeddedNames.Serialize(ar);
        SCatalogItem::WriteItemList(ar, *m_pItems);
        return;
    }
    DestroyItems();
    LoadItems(ar);

    // Items made inside children lists but never listed themselves still belong here.
    std::unordered_map<SCatalogItem*, bool> listed;
    for (POSITION pos = m_pItems->GetHeadPosition(); pos != nullptr;) {
        SCatalogItem* pItem = m_pItems->GetNext(pos);
        listed[pItem] = true;
        pItem->SetCatalog(this);
    }
    for (SCatalogItem* pItem : m_loadingItems) {
        if (listed.find(pItem) == listed.end()) {
            pItem->SetCatalog(this);
            m_unlistedItems.push_back(pItem);
        }
    }
    m_loadingItems.clear();

    for (POSITION pos = m_pItems->GetHeadPosition(); pos != nullptr;) {
        SCatalogItem* pItem = m_pItems->GetNext(pos);
        if (pItem->GetResource() == nullptr && pItem->CarriesData())
            pItem->Load(0);
    }
    m_nVersion = kVersion;
    ClearKindCache();
}

// Each name is one of the catalog's own images and sounds, which number some hundreds: a list
// of more than any catalog could use would take tens of bytes of memory for each byte of the
// file, and is refused before it is made.
void SCatalog::ReadEmbeddedNames(CArchive& ar) {
    const uint32_t nCount = ar.ReadCount();
    // Every string takes at least its one-byte length.
    ar.EnsureAvailable(nCount);
    if (nCount > kMaxEmbeddedNames)
        ThrowArchiveException(CArchiveException::badIndex, ar.GetFile()->GetFilePath());
    m_embeddedNames.SetSize(static_cast<int>(nCount));
    for (uint32_t i = 0; i < nCount; ++i)
        ar >> m_embeddedNames.ElementAt(static_cast<int>(i));
}

void SCatalog::LoadItems(CArchive& ar) {
    m_loadingItems.clear();
    try {
        LoadingScope scope(this);
        ar >> m_dwWord >> m_nVersion >> m_strText2 >> m_strText1 >> m_strDevRoot >> m_strReleaseRoot;
        m_embeddedNames.RemoveAll();
        if (m_nVersion > 1)
            ReadEmbeddedNames(ar);
        SCatalogItem::ReadItemList(ar, *m_pItems, nullptr);
    } catch (...) {
        // Every item this read made goes, whichever list it had reached; the catalog is left
        // empty rather than half read.
        std::vector<SCatalogItem*> made;
        made.swap(m_loadingItems);
        m_pItems->RemoveAll();
        for (SCatalogItem* pItem : made)
            delete pItem;
        m_nVersion = kVersion;
        m_dwWord = 0;
        m_strText1.Empty();
        m_strText2.Empty();
        m_strDevRoot.Empty();
        m_strReleaseRoot.Empty();
        m_embeddedNames.RemoveAll();
        ClearKindCache();
        throw;
    }
}

// ---- lookups ------------------------------------------------------------------------------

POSITION SCatalog::FirstItemOfKind(int nKind) {
    if (!SResourceKinds::IsInTable(nKind))
        return nullptr;
    if (m_kindCache[nKind] != nullptr)
        return m_kindCache[nKind];
    for (POSITION pos = m_pItems->GetHeadPosition(); pos != nullptr;) {
        const POSITION current = pos;
        if (m_pItems->GetNext(pos)->GetKind() == static_cast<uint32_t>(nKind)) {
            m_kindCache[nKind] = current;
            return current;
        }
    }
    return nullptr;
}

// Walking the list from the kind's first item and matching the kind visits exactly the items
// of that kind in list order (the list only grows at its tail), so the walk goes through the
// kind's own index instead of every item after the first one.
SResource* SCatalog::GetResource(int nKind, const CString& strName, const CString& strFile, uintptr_t dwFlags) {
    if (FirstItemOfKind(nKind) == nullptr)
        return nullptr;
    for (SCatalogItem* pItem : ItemsOfKind(nKind)) {
        if (pItem->GetControlKind() == 0 && SameText(pItem->GetName(), strName) &&
            (strFile.IsEmpty() || SameText(pItem->GetFileName(), strFile))) {
            return AcquireItem(pItem, dwFlags);
        }
    }
    return nullptr;
}

SResource* SCatalog::GetResourceByKey(int nKind, const CString& strKey, uintptr_t dwFlags) {
    if (nKind == -1) {
        for (POSITION pos = m_pItems->GetHeadPosition(); pos != nullptr;) {
            SCatalogItem* pItem = m_pItems->GetNext(pos);
            if (SameText(pItem->GetKey(), strKey))
                return AcquireItem(pItem, dwFlags);
        }
        return nullptr;
    }
    if (FirstItemOfKind(nKind) == nullptr)
        return nullptr;
    for (SCatalogItem* pItem : ItemsOfKind(nKind)) {
        if (SameText(pItem->GetKey(), strKey))
            return AcquireItem(pItem, dwFlags);
    }
    return nullptr;
}

SCatalogItem* SCatalog::FindItem(const CString& strName, const CString& strFile, int nKind) {
    if (nKind != -1 && !SResourceKinds::IsInTable(nKind))
        return nullptr;
    for (POSITION pos = nKind == -1 ? m_pItems->GetHeadPosition() : FirstItemOfKind(nKind); pos != nullptr;) {
        SCatalogItem* pItem = m_pItems->GetNext(pos);
        if (SameText(pItem->GetName(), strName) && (strFile.IsEmpty() || SameText(pItem->GetFileName(), strFile)))
            return pItem;
    }
    return nullptr;
}

SCatalogItem* SCatalog::FindItemByKey(const CString& strKey) {
    for (POSITION pos = m_pItems->GetHeadPosition(); pos != nullptr;) {
        SCatalogItem* pItem = m_pItems->GetNext(pos);
        if (SameText(pItem->GetKey(), strKey))
            return pItem;
    }
    return nullptr;
}

// ---- users --------------------------------------------------------------------------------

SResource* SCatalog::AcquireItem(SCatalogItem* pItem, uintptr_t dwFlags) {
    if (pItem == nullptr)
        return nullptr;
    pItem->AddUse();
    if (pItem->GetUseCount() >= 2 && pItem->GetResource() != nullptr)
        return pItem->GetResource();
    const bool bLoaded = pItem->Load(dwFlags);
    SResource* pResource = pItem->GetResource();
    if (!bLoaded || pResource == nullptr) {
        // Nobody got anything, so nobody counts as a user.
        pItem->DropUse();
        return nullptr;
    }
    return pResource;
}

bool SCatalog::ReleaseResource(SResource* pResource) {
    if (pResource == nullptr || m_pItems->IsEmpty())
        return false;
    SCatalogItem* pItem = nullptr;
    for (POSITION pos = m_pItems->GetHeadPosition(); pos != nullptr && pItem == nullptr;) {
        SCatalogItem* pCandidate = m_pItems->GetNext(pos);
        if (pCandidate->GetResource() == pResource)
            pItem = pCandidate;
    }
    if (pItem == nullptr)
        return false;
    if (m_bKeepLoaded)
        return true;
    // A release nobody acquired must not drive the count below zero, where the next user
    // would never load the resource again.
    if (pItem->GetUseCount() <= 0)
        return false;
    pItem->DropUse();
    if (pItem->GetUseCount() > 0)
        return true;
    pResource->Unload();
    return true;
}

void SCatalog::DetachResource(SResource* pResource) {
    if (pResource == nullptr)
        return;
    for (POSITION pos = m_pItems->GetHeadPosition(); pos != nullptr;) {
        SCatalogItem* pItem = m_pItems->GetNext(pos);
        if (pItem->GetResource() == pResource) {
            if (pItem->GetUseCount() > 0)
                pItem->DropUse();
            pItem->SetResource(pResource->Clone(nullptr));
            return;
        }
    }
}

int SCatalog::AddItem(SCatalogItem* pItem) {
    if (pItem == nullptr)
        return 0;
    pItem->SetCatalog(this);
    m_pItems->AddTail(pItem);
    if (SResourceKinds::IsInTable(static_cast<int>(pItem->GetKind())) && m_kindIndex[pItem->GetKind()].bBuilt)
        m_kindIndex[pItem->GetKind()].items.push_back(pItem);
    pItem->SetFile(pItem->GetDevPath(), pItem->GetFileName(), false);
    return 1;
}

CString SCatalog::GetRoot(int) const {
    if (!m_bReleaseMode)
        return m_strDevRoot;
    return m_strReleaseRootOverride.IsEmpty() ? m_strReleaseRoot : m_strReleaseRootOverride;
}

// ---- lists of names and keys --------------------------------------------------------------

void SCatalog::CollectKeysOfKind(int nKind, CStringArray& keys) const {
    for (POSITION pos = m_pItems->GetHeadPosition(); pos != nullptr;) {
        const SCatalogItem* pItem = m_pItems->GetNext(pos);
        if (pItem->GetKind() == static_cast<uint32_t>(nKind))
            keys.Add(pItem->GetKey());
    }
}

void SCatalog::CollectKeysByName(int nKind, const CString& strName, CStringArray& keys) const {
    for (POSITION pos = m_pItems->GetHeadPosition(); pos != nullptr;) {
        const SCatalogItem* pItem = m_pItems->GetNext(pos);
        if (pItem->GetKind() == static_cast<uint32_t>(nKind) && SameText(pItem->GetName(), strName))
            keys.Add(pItem->GetKey());
    }
}

void SCatalog::CollectNames(CStringArray& names) const {
    for (POSITION pos = m_pItems->GetHeadPosition(); pos != nullptr;) {
        const CString& strName = m_pItems->GetNext(pos)->GetName();
        bool bKnown = false;
        for (int i = 0; i < names.GetSize() && !bKnown; ++i)
            bKnown = names[i] == strName;
        if (!bKnown)
            names.Add(strName);
    }
}

int SCatalog::AddEmbeddedName(const CString& strName) {
    if (!IsEmbeddedName(strName))
        m_embeddedNames.Add(strName);
    return 1;
}

void SCatalog::RemoveEmbeddedName(const CString& strName) {
    for (int i = m_embeddedNames.GetSize() - 1; i >= 0; --i) {
        if (m_embeddedNames[i] == strName)
            m_embeddedNames.RemoveAt(i);
    }
}

bool SCatalog::IsEmbeddedName(const CString& strName) const {
    for (int i = 0; i < m_embeddedNames.GetSize(); ++i) {
        if (m_embeddedNames[i] == strName)
            return true;
    }
    return false;
}
