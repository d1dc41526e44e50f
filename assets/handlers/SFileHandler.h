#pragma once

#include <cstdint>

#include "core/SResource.h"
#include "sys/classlib/CObArray.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CTypedPtrArray.h"

// One listed file: its file name relative to a folder, the name it is looked up by, and two
// values and flags its users interpret.
class SFileFinder : public CObject {
    DECLARE_SERIAL(SFileFinder)

public:
    SFileFinder() = default;
    ~SFileFinder() override = default;

    void Serialize(CArchive& ar) override;

    CString m_strFile;
    CString m_strName;
    uint32_t m_dwFirst = 0;
    int32_t m_iSecond = -1;
    uint32_t m_dwFlags = 0;
};

using SFileFinderArray = CTypedPtrArray<CObArray, SFileFinder*>;

// A list of named files (kind 22). The catalog tells it where to search; lookups answer the
// full path of a file in the folder it was loaded from, or in the first search folder that
// holds it. The catalog owns it; it owns its finders. Indexes out of range answer nothing.
class SFileHandler : public SResource {
    DECLARE_SERIAL(SFileHandler)

public:
    SFileHandler() = default;
    ~SFileHandler() override;

    void Serialize(CArchive& ar) override;
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override;
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;

    int GetCount() const { return m_Finders.GetSize(); }
    int AddFile(const char* pszFile, const char* pszName, uint32_t dwFirst, int32_t iSecond);
    void RemoveFile(int nIndex);
    const char* GetName(int nIndex) const;
    bool SetName(int nIndex, const char* pszName);
    bool SetFile(int nIndex, const char* pszFile);
    uint32_t GetFlags(int nIndex) const;
    bool SetFlags(int nIndex, uint32_t dwFlags);
    // The path of the finder's file; 0 when the index is bad or no search folder holds it.
    int GetFilePath(int nIndex, CString* pPath) const;
    // GetFilePath of the first finder whose name matches without regard to case.
    int FindByName(const char* pszName, CString* pPath) const;

    uint32_t m_dwWord = 0;

private:
    SFileFinder* Finder(int nIndex) const {
        return nIndex >= 0 && nIndex < m_Finders.GetSize() ? m_Finders.GetAt(nIndex) : nullptr;
    }
    void DeleteFinders();

    CString m_strFolder;
    CStringArray* m_pSearchFolders = nullptr;  // the catalog's; null when one folder was given
    SFileFinderArray m_Finders;
};

// The name of one model file (kind 21), and where the catalog found it.
class SSMLoader : public SResource {
    DECLARE_SERIAL(SSMLoader)

public:
    SSMLoader() = default;
    ~SSMLoader() override = default;

    void Serialize(CArchive& ar) override;
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override;
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;

    void SetFileName(const char* pszName) { m_strFileName = pszName; }
    const CString& GetFileName() const { return m_strFileName; }
    // With bSearch, a loader without a folder first adopts the first search folder holding
    // the file. Then folder + "/" + file name, or the file name alone.
    CString GetPath(bool bSearch);

private:
    CStringArray* m_pSearchFolders = nullptr;  // the catalog's, not owned
    CString m_strFolder;
    CString m_strFileName;
};
