#pragma once

#include <cstdint>

#include "core/SResource.h"
#include "sys/classlib/CObArray.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CTypedPtrArray.h"

class SDataCollection;
class STexFormat;
class STexture2;

// One texture entry of a texture list: the file name of an "STEX" texture relative to a
// folder, four parameters its users interpret, and the container once loaded (not archived).
class STextureData : public CObject {
    DECLARE_SERIAL(STextureData)

public:
    STextureData() = default;
    ~STextureData() override;
    STextureData(const STextureData&) = delete;
    STextureData& operator=(const STextureData&) = delete;

    void Serialize(CArchive& ar) override;

    STexture2* m_pTexture = nullptr;  // owned
    CString m_strName;
    uint32_t m_dwA1 = 1;
    uint32_t m_dwA2 = 365;
    float m_fB1 = 1.0f;
    float m_fB2 = 1.0f;
};

using STextureDataArray = CTypedPtrArray<CObArray, STextureData*>;

// A list of "STEX" texture entries with parameters and a table of named values (kind 24). It
// holds no media of its own: the catalog tells it where to search and it loads the current
// entry's texture from there. The catalog owns it; it owns its entries and their textures.
// An index of -1 names the current entry; other indexes out of range answer nothing.
class STextureHandler : public SResource {
    DECLARE_SERIAL(STextureHandler)

public:
    STextureHandler();
    ~STextureHandler() override;

    void Serialize(CArchive& ar) override;
    // Tries each search folder in order; true at the first that loads.
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override;
    // Loads the current entry's texture from the folder. A file that exists but does not load
    // shows "File load failed" and raises the class library's user exception.
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;

    int GetEntryCount() const { return m_pEntries->GetSize(); }
    CString GetEntryPath(int nIndex) const;
    STexture2* GetEntryTexture(int nIndex) const;
    bool GetEntryParamsA(int nIndex, uint32_t* pA1, uint32_t* pA2) const;
    bool SetEntryParamsA(int nIndex, uint32_t dwA1, uint32_t dwA2);
    bool GetEntryParamsB(int nIndex, float* pB1, float* pB2) const;
    bool SetEntryParamsB(int nIndex, float fB1, float fB2);
    bool SetEntryName(const char* pszName, int nIndex);
    void AddEntry();
    void RemoveEntry(int nIndex);
    void SetCurrentIndex(int nIndex) { m_iCurrent = nIndex; }
    int GetCurrentIndex() const { return m_iCurrent; }
    bool SelectEntry(int nIndex);

    const char* GetValue(const char* pszName) const;
    void SetValue(const char* pszName, const char* pszValue);
    bool GetValueAt(int nIndex, CString* pName, CString* pValue) const;
    void RemoveValueAt(int nIndex);
    int GetValueCount() const;

    STexFormat* FindFormatByName(const char* pszName) const;
    STexFormat* GetCurrentFormat() const;
    // Takes ownership of the format when it is added (true).
    bool AddFormatFromCurrent(STexFormat* pFormat);
    bool ImportImage(const char* pszFormat, const char* pszImagePath);
    // Raises the class library's user exception when the entry has no texture or it cannot
    // be saved.
    void SaveEntry(int nIndex);

    const CString& GetFolder() const { return m_strFolder; }
    int GetCurrentFormatIndex() const { return m_iCurrentFormat; }

private:
    STextureData* Entry(int nIndex) const;
    STextureData* NewEntry();
    void DeleteEntries();

    SDataCollection* m_pValues;     // owned
    STextureDataArray* m_pEntries;  // owned, owning its entries
    int32_t m_iCurrent = 0;
    CString m_strFolder;
    int32_t m_iCurrentFormat = -1;
};
