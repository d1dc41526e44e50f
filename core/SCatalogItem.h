#pragma once

#include <cstdint>

#include "core/SResource.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CStringList.h"
#include "sys/classlib/CTypedPtr.h"

class CArchive;
class SCatalog;
class SCatalogItemList;

// Messages an item sends to the application's main window when its children change, with
// (this item, child) as wParam and lParam: the application's user message base + 103 and + 104.
constexpr uint32_t kMsgCatalogChildAdded = 0x0400 + 103;
constexpr uint32_t kMsgCatalogChildRemoved = 0x0400 + 104;

// One entry of the resource catalog: a resource named by kind, name and file, with the folders
// its file lives in during development and in a release, the number of current users, and the
// resource object once it exists. Items belong to their catalog, which deletes them; an item
// owns its resource object and its child list, but not the child items in it.
class SCatalogItem : public CObject {
    DECLARE_SERIAL(SCatalogItem)

public:
    // Empty item. While a catalog is being read it belongs to that catalog from the start, so
    // that its Serialize can ask which images and sounds the file embeds.
    SCatalogItem();
    // A new item; the folder is stored as the development path (made relative to the
    // development root once the item joins a catalog) and the given items become its children.
    SCatalogItem(int nKind, const CString& strName, const CString& strFile, const CString& strPath,
                 int nControlKind = 0, const CString& strExtra = CString(),
                 const SCatalogItemList* pChildren = nullptr);
    ~SCatalogItem() override;
    SCatalogItem(const SCatalogItem&) = delete;
    SCatalogItem& operator=(const SCatalogItem&) = delete;

    // The item's part of the catalog file. Loading reads items written with schema 1 (no
    // resource data, no children), 2 (no resource data) and 3; other schemas are refused.
    void Serialize(CArchive& ar) override;

    // The folder name of the item's kind, and of the kind of the control it belongs to (only
    // buttons, combo boxes, edit boxes, list boxes, fonts and texts have one; "" otherwise).
    CString GetKindFolder() const;
    CString GetControlFolder() const;
    // The extension of the item's file. Images probe the catalog's search folders: "bmp" when
    // such a file exists in any of them, else "jpg" when that exists, else "tga".
    CString GetExtension() const;
    // Where the item's file (or its folder, without bWithFile) is. With search folders (the
    // catalog has no root folders) the first folder whose path exists wins; with roots the
    // path is built against the root of the current mode. bCollapse removes a doubled
    // "X\..\X" step.
    CString GetFullPath(bool bUseRoots = true, bool bWithFile = false, bool bCollapse = true) const;
    // The folder handed to LoadFromFile when the catalog has root folders.
    CString GetFolder() const;
    // Stores the folder, made relative to the catalog's release or development root, as the
    // release or development path, and the file name.
    void SetFile(const CString& strFolder, const CString& strFile, bool bRelease);
    // The path made relative to the release root when the flags word is not 0, else to the
    // development root; unchanged without a catalog.
    CString MakeRelativePath(const CString& strPath) const;
    // "name-file-extra-kind-controlkind", the text by which items are found by key.
    CString GetKey() const;
    // Makes the resource object from its file when there is none, then (for the first user
    // only) lets it load through the catalog's search folders or its folder. A file or archive
    // failure on the way leaves a freshly made object deleted and the item without one. True
    // when nothing failed that way; a load that merely answered false still counts as done.
    bool Load(uintptr_t dwFlags);

    int GetUseCount() const { return m_nUseCount; }
    void AddUse() { ++m_nUseCount; }
    void DropUse() { --m_nUseCount; }
    SResource* GetResource() const { return m_pResource; }
    // Takes the object as the item's own; the previous one is not deleted (its owner is the
    // caller that detached it).
    void SetResource(SResource* pResource) { m_pResource = pResource; }

    void AddString(const CString& strText) { m_strings.AddTail(strText); }
    const CStringList& GetStrings() const { return m_strings; }

    // Appends a child (never the item itself) and tells the main window.
    void AddChild(SCatalogItem* pChild);
    // Removes every entry of the child, telling the main window once per entry.
    void RemoveChild(SCatalogItem* pChild);
    // Removes the first child whose resource object is pResource.
    void RemoveChildByResource(SResource* pResource);
    SCatalogItemList* GetChildren() const { return m_pChildren; }

    SCatalog* GetCatalog() const { return m_pCatalog; }
    void SetCatalog(SCatalog* pCatalog) { m_pCatalog = pCatalog; }
    uint32_t GetKind() const { return m_dwKind; }
    uint32_t GetControlKind() const { return m_dwControlKind; }
    const CString& GetName() const { return m_strName; }
    const CString& GetFileName() const { return m_strFileName; }
    const CString& GetExtraText() const { return m_strExtra; }
    const CString& GetDevPath() const { return m_strDevPath; }
    const CString& GetReleasePath() const { return m_strReleasePath; }
    uint32_t GetFlags() const { return m_dwFlags; }
    void SetFlags(uint32_t dwFlags) { m_dwFlags = dwFlags; }
    // Two stored words that nothing here interprets.
    uint32_t GetFirstWord() const { return m_dwWord1; }
    void SetFirstWord(uint32_t dwWord) { m_dwWord1 = dwWord; }
    uint32_t GetSecondWord() const { return m_dwWord2; }
    void SetSecondWord(uint32_t dwWord) { m_dwWord2 = dwWord; }

    // Whether the catalog file holds this item's resource data: always, except for images and
    // sounds whose names are not among the catalog's embedded names.
    bool CarriesData() const;

    // The relative-path rule: path expressed relative to root when their first components
    // agree ("C:\Game" and "C:\Game\Data\Images" give "Data\Images"), else path unchanged.
    static CString RelativePath(const CString& strRoot, const CString& strPath);
    // Removes "\..\B" after a directory named B, looking only at the first "\..\".
    static CString CollapsePath(const CString& strPath);

    // The item list form of the catalog file and of children: the count, then each item as an
    // object record. Reading skips null entries and pSelf (an item cannot hold itself).
    static void WriteItemList(CArchive& ar, const SCatalogItemList& list);
    static void ReadItemList(CArchive& ar, SCatalogItemList& list, const SCatalogItem* pSelf);

private:
    // The path of the current mode placed in a search folder; a path with a drive stays as it
    // is and an empty one becomes the folder.
    CString PathInFolder(const CString& strFolder) const;
    CString ModePath() const;
    void StoreResourceData(CArchive& ar);
    void NotifyMainWindow(uint32_t nMessage, SCatalogItem* pChild);

    SCatalogItemList* m_pChildren;  // owned list; the items in it are not
    SCatalog* m_pCatalog = nullptr;
    int32_t m_nUseCount = 0;
    SResource* m_pResource = nullptr;  // owned
    uint32_t m_dwKind = 0;
    uint32_t m_dwWord1 = 0;
    uint32_t m_dwControlKind = 0;
    uint32_t m_dwWord2 = 0;
    CString m_strName;
    CString m_strFileName;
    CString m_strExtra;
    CString m_strDevPath;
    CString m_strReleasePath;
    CStringList m_strings;
    uint32_t m_dwFlags = 0;
};

// The catalog's list of items, and an item's list of children. Points at items, owns none.
// A class rather than an alias of the typed list only so that it can be named before
// SCatalogItem is complete.
class SCatalogItemList : public CTypedPtrList<CObList, SCatalogItem*> {
public:
    using CTypedPtrList<CObList, SCatalogItem*>::CTypedPtrList;
};
