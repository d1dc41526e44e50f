#pragma once

// Test-only resource classes and helpers shared by the catalog and factory tests, the catalog
// fuzz target and its corpus writer: a resource that carries a value and a text in the catalog
// file and counts how it is loaded, the registration of it for a set of kinds, and archive
// helpers over memory files.

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/SCatalog.h"
#include "core/SResource.h"
#include "core/SResourceFactory.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/CMemFile.h"

namespace catalogtest {

// Carries a u32 and a text after the schema word. Its own file is an archive holding the text
// and the u32; the text "refuse" makes LoadFromCFile answer false, and a file too short for
// both raises the archive's endOfFile, as a damaged resource file would.
class TestResource : public SResource {
public:
    TestResource() { ++s_nLive; }
    ~TestResource() override {
        --s_nLive;
        for (int i = 0; i < m_pResArray->GetSize(); ++i)
            s_referencesAtDeath.push_back(m_pResArray->GetAt(i));
    }

    void Serialize(CArchive& ar) override {
        SResource::Serialize(ar);
        if (ar.IsStoring())
            ar << m_dwValue << m_strText;
        else
            ar >> m_dwValue >> m_strText;
    }
    void Unload() override { ++m_nUnloads; }
    SResource* Clone(SResource* pTarget) override {
        TestResource* pCopy = pTarget != nullptr ? dynamic_cast<TestResource*>(pTarget) : new TestResource;
        if (pCopy == nullptr)
            return nullptr;
        SResource::Clone(pCopy);
        pCopy->m_dwValue = m_dwValue;
        pCopy->m_strText = m_strText;
        return pCopy;
    }
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override {
        ++m_nLoads;
        m_nLastFolderCount = pSearchFolders != nullptr ? pSearchFolders->GetSize() : -1;
        m_dwLastFlags = dwFlags;
        return true;
    }
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override {
        ++m_nLoads;
        m_strLastFolder = strFolder;
        m_dwLastFlags = dwFlags;
        return true;
    }
    bool LoadFromCFile(CFile* pFile) override {
        CArchive ar(pFile, CArchive::load);
        ar >> m_strText >> m_dwValue;
        m_bFromFile = true;
        return m_strText != "refuse";
    }

    uint32_t m_dwValue = 0;
    CString m_strText;
    int m_nLoads = 0;
    int m_nUnloads = 0;
    int m_nLastFolderCount = -2;
    uintptr_t m_dwLastFlags = 0;
    CString m_strLastFolder;
    bool m_bFromFile = false;

    static inline int s_nLive = 0;
    static inline std::vector<SResource*> s_referencesAtDeath;
};

// Registers TestResource for the given kinds while it lives, and removes them afterwards.
class KindRegistration {
public:
    KindRegistration(std::initializer_list<int> kinds) : m_kinds(kinds) {
        for (int nKind : m_kinds)
            SResourceFactory::RegisterKind<TestResource>(nKind);
    }
    ~KindRegistration() {
        for (int nKind : m_kinds)
            SResourceFactory::RegisterKind(nKind, nullptr);
    }
    KindRegistration(const KindRegistration&) = delete;
    KindRegistration& operator=(const KindRegistration&) = delete;

private:
    std::vector<int> m_kinds;
};

using Bytes = std::vector<uint8_t>;

// Runs Serialize of a storing archive over a memory file and hands back the bytes.
template <class T>
Bytes StoreBytes(T& object) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        object.Serialize(ar);
        ar.Close();
    }
    const uint64_t nLength = file.GetLength();
    Bytes bytes(static_cast<size_t>(nLength));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

// Runs Serialize of a loading archive over a copy of the bytes.
template <class T>
void LoadBytes(T& object, const Bytes& bytes) {
    Bytes copy = bytes;
    CMemFile file(copy.data(), static_cast<unsigned>(copy.size()));
    CArchive ar(&file, CArchive::load);
    object.Serialize(ar);
}

// A resource file in TestResource's own form.
inline void WriteResourceFile(const std::filesystem::path& path, const char* pszText, uint32_t dwValue) {
    std::filesystem::create_directories(path.parent_path());
    CFile file(path.string().c_str(), CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store);
    ar << CString(pszText) << dwValue;
    ar.Close();
    file.Close();
}

inline void WriteRawFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::filesystem::create_directories(path.parent_path());
    CFile file(path.string().c_str(), CFile::modeCreate | CFile::modeWrite);
    file.Write(bytes.data(), static_cast<unsigned>(bytes.size()));
    file.Close();
}

// A catalog item with data of TestResource attached, ready for AddItem.
inline SCatalogItem* MakeDataItem(int nKind, const char* pszName, uint32_t dwValue, const char* pszText) {
    auto* pItem = new SCatalogItem(nKind, pszName, pszName, "Data");
    auto* pResource = new TestResource;
    pResource->m_dwValue = dwValue;
    pResource->m_strText = pszText;
    pItem->SetResource(pResource);
    return pItem;
}

}  // namespace catalogtest
