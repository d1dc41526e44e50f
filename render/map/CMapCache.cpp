#include "render/map/CMapCache.h"

CMapCache::CMapCache() = default;

CMapCache::~CMapCache() { RemoveAll(); }

CObject* CMapCache::Find(const char* name) const {
    const char* wanted = name != nullptr ? name : "";
    for (int i = 0; i < m_Items.GetSize(); ++i) {
        if (m_Items[i].m_sName.CompareNoCase(wanted) == 0) {
            return m_Items[i].m_pObject;
        }
    }
    return nullptr;
}

int CMapCache::Add(CObject* object, const char* name, const CObject* keep) {
    if (Find(name) != nullptr) {
        return -1;
    }
    if (m_Items.GetSize() > m_iCapacity && keep != nullptr) {
        for (int i = 0; i < m_Items.GetSize(); ++i) {
            if (m_Items[i].m_pObject != keep) {
                m_Items.RemoveAt(i);
                break;
            }
        }
    }
    CMapCacheItem item;
    item.m_sName = name != nullptr ? name : "";
    item.m_pObject = object;
    return m_Items.Add(item);
}

void CMapCache::RemoveAll() {
    for (int i = 0; i < m_Items.GetSize(); ++i) {
        delete m_Items[i].m_pObject;
    }
    m_Items.RemoveAll();
    m_Items.FreeExtra();
}
