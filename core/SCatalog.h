#pragma once

#include <cstdint>
#include <vector>

#include "core/SCatalogItem.h"
#include "core/SResource.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CStringArray.h"

class CArchive;

// The table of every named resource of the game, read at start-up from "Tarvex.cat": each item
// names one resource by kind, name and file, and holds its object once made (from the catalog
// file itself or from the resource's own file). Users get a resource by kind and name or by key
// and give it back by pointer; the catalog counts users per item, loads on the first use and
// unloads when the last user gives it back. The hub owns the one catalog of the program; the
// catalog owns its items.
class SCatalog : public CObject {
    DECLARE_SERIAL(SCatalog)

public:
    // The version this program writes; older files are read and become this version.
    static constexpr uint32_t kVersion = 2;
    // More embedded names than any catalog has images and sounds; a file that lists more is refused.
    static constexpr uint32_t kMaxEmbeddedNames = 65535;

    SCatalog();
    // Reads the catalog file. A file that cannot be opened or read raises CFileException or
    // CArchiveException to the caller. The second form's extra argument is not used.
    explicit SCatalog(const char* lpszFileName);
    SCatalog(const char* lpszFileName, uint32_t dwUnused);
    ~SCatalog() override;
    SCatalog(const SCatalog&) = delete;
    SCatalog& operator=(const SCatalog&) = delete;

    // The catalog file. Loading replaces every item; a failure leaves an empty catalog and
    // passes the exception on. After loading, items that carry their data but have no object
    // are loaded once.
    void Serialize(CArchive& ar) override;

    // The first free-standing item (control kind 0) of the kind whose name (and file, when one
    // is given) matches without regard to case, acquired. Null when there is none, when its
    // resource cannot be made, and for a kind outside 0..27.
    SResource* GetResource(int nKind, const CString& strName, const CString& strFile, uintptr_t dwFlags);
    // The first item of the kind (any kind for -1) whose key matches without regard to case,
    // acquired; null when none.
    SResource* GetResourceByKey(int nKind, const CString& strKey, uintptr_t dwFlags);
    // Adds a user and hands out the resource, loading it for the first user. Null (and the use
    // count as it was) when no object can be had.
    SResource* AcquireItem(SCatalogItem* pItem, uintptr_t dwFlags);
    // Gives a resource back. The last user's release unloads it (the object stays for the next
    // use). False for a resource no item holds and for an item that has no users.
    bool ReleaseResource(SResource* pResource);
    // The caller keeps pResource for good: its item loses that user and keeps a clone instead.
    void DetachResource(SResource* pResource);

    // The first item from the kind's first item on (from the head for -1) whose name matches
    // and, when strFile is not empty, whose file name matches (both without regard to case).
    // Later items are not checked for kind or control kind.
    SCatalogItem* FindItem(const CString& strName, const CString& strFile, int nKind);
    SCatalogItem* FindItemByKey(const CString& strKey);
    // Takes the item: it joins this catalog at the end of the list and its development path is
    // made relative to the development root. 1 (0 for a null item).
    int AddItem(SCatalogItem* pItem);
    SCatalogItemList* GetItems() const { return m_pItems; }

    uint32_t GetVersion() const { return m_nVersion; }
    // 1: items use their release paths and the release root; 0: development paths and root.
    uint8_t& ReleaseMode() { return m_bReleaseMode; }
    bool IsReleaseMode() const { return m_bReleaseMode != 0; }
    // The root folder of the current mode (the release root override wins in release mode
    // when set). The kind is not used.
    CString GetRoot(int nKind = 0) const;
    // True when both root folders are empty: items are then found through the search folders.
    bool UsesSearchFolders() const { return m_strDevRoot.IsEmpty() && m_strReleaseRoot.IsEmpty(); }

    void CollectKeysOfKind(int nKind, CStringArray& keys) const;
    void CollectKeysByName(int nKind, const CString& strName, CStringArray& keys) const;
    // Every item name not yet in the array (compared exactly).
    void CollectNames(CStringArray& names) const;

    // Names (compared exactly) of the image and sound items whose data the file holds.
    int AddEmbeddedName(const CString& strName);
    void RemoveEmbeddedName(const CString& strName);
    bool IsEmbeddedName(const CString& strName) const;
    const CStringArray& GetEmbeddedNames() const { return m_embeddedNames; }

    // The position of the first item of the kind, remembered per kind once found. Null for a
    // kind without items and for a kind outside 0..27.
    POSITION FirstItemOfKind(int nKind);

    const CString& GetDevRoot() const { return m_strDevRoot; }
    void SetDevRoot(const CString& strRoot) { m_strDevRoot = strRoot; }
    const CString& GetReleaseRoot() const { return m_strReleaseRoot; }
    void SetReleaseRoot(const CString& strRoot) { m_strReleaseRoot = strRoot; }
    const CString& GetReleaseRootOverride() const { return m_strReleaseRootOverride; }
    void SetReleaseRootOverride(const CString& strRoot) { m_strReleaseRootOverride = strRoot; }
    // Folders tried in order when both roots are empty; the application fills them.
    CStringArray& GetSearchFolders() { return m_searchFolders; }
    const CStringArray& GetSearchFolders() const { return m_searchFolders; }

    // While set, releases change nothing (set while the catalog is destroyed).
    bool IsKeepLoaded() const { return m_bKeepLoaded != 0; }
    void SetKeepLoaded(bool bKeep) { m_bKeepLoaded = bKeep ? 1 : 0; }

    // Two texts and a word the file carries; nothing here interprets them.
    const CString& GetFirstText() const { return m_strText1; }
    void SetFirstText(const CString& strText) { m_strText1 = strText; }
    const CString& GetSecondText() const { return m_strText2; }
    void SetSecondText(const CString& strText) { m_strText2 = strText; }
    uint32_t GetWord() const { return m_dwWord; }
    void SetWord(uint32_t dwWord) { m_dwWord = dwWord; }

    // The catalog whose file is being read on this thread at the moment, or null.
    static SCatalog* GetLoadingCatalog();

private:
    friend class SCatalogItem;

    void ClearKindCache();
    // The items of a kind in list order, gathered on first need and kept up to date by AddItem;
    // cleared with the kind cache. The kind must be in the table.
    const std::vector<SCatalogItem*>& ItemsOfKind(int nKind);
    // Deletes every item (and every item only reachable as a child), as destruction does.
    void DestroyItems();
    void LoadItems(CArchive& ar);
    void ReadEmbeddedNames(CArchive& ar);
    // Items made while a catalog file is read on this thread are noted by the catalog being
    // read, so that a failed read deletes every one of them.
    static void TrackLoadedItem(SCatalogItem* pItem);
    static void ForgetLoadedItem(SCatalogItem* pItem);

    uint8_t m_bReleaseMode = 0;
    uint8_t m_bKeepLoaded = 0;
    uint32_t m_nVersion = kVersion;
    CString m_strText1;
    CString m_strText2;
    uint32_t m_dwWord = 0;
    CString m_strDevRoot;
    CString m_strReleaseRoot;
    CStringArray m_searchFolders;
    SCatalogItemList* m_pItems;  // owned, with the items in it
    CStringArray m_embeddedNames;
    POSITION m_kindCache[kResourceKindCount];
    struct KindIndex {
        bool bBuilt = false;
        std::vector<SCatalogItem*> items;
    };
    KindIndex m_kindIndex[kResourceKindCount];
    CString m_strReleaseRootOverride;

    // Items read as children that the item list never names; owned like the listed ones.
    std::vector<SCatalogItem*> m_unlistedItems;
    std::vector<SCatalogItem*> m_loadingItems;
};
