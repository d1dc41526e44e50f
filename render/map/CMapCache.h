#pragma once

#include "core/SString.h"
#include "sys/classlib/CArray.h"
#include "sys/classlib/CObject.h"

// One cached object and the name it was loaded under.
struct CMapCacheItem {
    SString m_sName;
    CObject* m_pObject = nullptr;  // owned; deleted by RemoveAll
};

// Loaded objects by name (a scenario map is read from disk once per run, however many
// sessions use it). Names compare without regard to case; entries live until RemoveAll or
// the cache's destruction, which deletes the objects.
class CMapCache {
public:
    static constexpr int kDefaultCapacity = 10;

    CMapCache();
    ~CMapCache();
    CMapCache(const CMapCache&) = delete;
    CMapCache& operator=(const CMapCache&) = delete;

    // The object stored under name; null when absent. The first match in order wins.
    CObject* Find(const char* name) const;
    // The new entry's index, or -1 when the name is already cached. Above the capacity, with
    // an object to keep, the first entry holding another object leaves the cache; that object
    // is not deleted, since its user may still hold it.
    int Add(CObject* object, const char* name, const CObject* keep);
    void RemoveAll();

    int GetCount() const { return m_Items.GetSize(); }

private:
    CArray<CMapCacheItem, const CMapCacheItem&> m_Items;
    int m_iCapacity = kDefaultCapacity;
};
