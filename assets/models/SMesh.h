#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/SResource.h"
#include "sys/classlib/CString.h"

// A vertex cloud read from a "D2MS" file, with a block of fixed-size records carried as read,
// its z range and the tightest of four rotated rectangles around its x, y footprint. The
// catalog owns it (kind 4); nothing reads the records or the archived settings after loading.
class SMesh : public SResource {
    DECLARE_SERIAL(SMesh)

public:
    static constexpr uint32_t kRecordSize = 32;
    // The most a mesh file may take by its header (over a million vertices); a file whose header
    // names more is refused as a damaged one is, and bytes past what it names are never read.
    static constexpr uint64_t kMaxFileBytes = uint64_t{16} << 20;

    SMesh();
    ~SMesh() override;

    void Serialize(CArchive& ar) override;
    // The first string of the list, loaded by name; false for a null or empty list.
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override;
    // strFolder becomes the folder; the file is the file name inside it (alone when empty).
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;

    // Reads a "D2MS" image from memory. The whole layout is checked against the size first, so
    // a refused image leaves the mesh as it was.
    bool LoadD2MS(const uint8_t* pData, size_t nSize);
    void Reset();

    void SetFileName(const CString& strName) { m_strFileName = strName; }
    const CString& GetFileName() const { return m_strFileName; }
    const CString& GetFolder() const { return m_strFolder; }
    uint32_t GetVertexCount() const { return m_nVertices; }
    uint32_t GetRecordCount() const { return m_nRecords; }
    const float* GetVertex(uint32_t nIndex) const { return nIndex < m_nVertices ? &m_Vertices[nIndex * 3] : nullptr; }
    const uint8_t* GetRecord(uint32_t nIndex) const {
        return nIndex < m_nRecords ? &m_Records[nIndex * kRecordSize] : nullptr;
    }
    float GetMinZ() const { return m_fMinZ; }
    float GetMaxZ() const { return m_fMaxZ; }
    // Corner i (0..3) of the footprint rectangle, x then y.
    const float* GetFootprintCorner(int i) const { return m_fFootprint[i & 3]; }

    uint32_t m_dwFlags = 0;
    CString m_strSecondName;
    uint8_t m_byOptions[3] = {};
    uint32_t m_dwWords[5] = {};

private:
    void ComputeBounds();

    CString m_strFolder;
    CString m_strFileName;
    float m_fMinZ = 0.0f;
    float m_fMaxZ = 0.0f;
    float m_fFootprint[4][2] = {};
    uint32_t m_nVertices = 0;
    uint32_t m_nRecords = 0;
    std::vector<float> m_Vertices;   // x, y, z per vertex
    std::vector<uint8_t> m_Records;  // kRecordSize bytes per record
};
