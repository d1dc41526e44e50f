#include "assets/models/SMesh.h"

#include <cmath>
#include <cstring>

#include "core/SResourceFactory.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/Exceptions.h"
#include "sys/fs/fs.h"

IMPLEMENT_SERIAL(SMesh, SResource, 1)

namespace {

constexpr size_t kHeaderSize = 12;
constexpr float kFarLow = 2147483648.0f;
constexpr float kFarHigh = -2147483648.0f;

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// What a mesh takes by its header's counts: the header, the vertices and the records.
uint64_t MeshBytes(const uint8_t* header) {
    return kHeaderSize + uint64_t{ReadU32(header + 4)} * 12 + uint64_t{ReadU32(header + 8)} * SMesh::kRecordSize;
}

// The bytes the file's header says the mesh takes, or false when the file cannot be opened or
// read, or its header names more than the file holds or than any mesh may take: then nothing
// after the header is read.
bool ReadMeshBytes(const CString& strPath, std::vector<uint8_t>& bytes) {
    CFile file;
    if (!file.Open(strPath, CFile::modeRead | CFile::typeBinary))
        return false;
    try {
        const uint64_t length = file.GetLength();
        uint8_t header[kHeaderSize];
        if (length < kHeaderSize || file.Read(header, kHeaderSize) != kHeaderSize)
            return false;
        const uint64_t needed = MeshBytes(header);
        if (needed > length || needed > SMesh::kMaxFileBytes)
            return false;
        bytes.assign(header, header + kHeaderSize);
        bytes.resize(static_cast<size_t>(needed));
        const auto rest = static_cast<unsigned>(needed - kHeaderSize);
        const unsigned got = rest == 0 ? 0 : file.Read(bytes.data() + kHeaderSize, rest);
        file.Close();
        return got == rest;
    } catch (CFileException&) {
        return false;
    }
}

}  // namespace

SMesh::SMesh() { Reset(); }

SMesh::~SMesh() = default;

void SMesh::Reset() {
    m_Vertices.clear();
    m_Records.clear();
    m_nVertices = 0;
    m_nRecords = 0;
    m_dwFlags = 0;
    std::memset(m_dwWords, 0, sizeof(m_dwWords));
    std::memset(m_byOptions, 0, sizeof(m_byOptions));
    m_strSecondName.Empty();
    m_strFileName.Empty();
}

void SMesh::Serialize(CArchive& ar) {
    SResource::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_dwWords[0] << m_strFileName << m_strSecondName;
        ar << m_byOptions[0] << m_byOptions[1] << m_byOptions[2];
        ar << m_dwWords[1] << m_dwWords[2] << m_dwWords[3] << m_dwWords[4] << m_dwFlags;
    } else {
        ar >> m_dwWords[0] >> m_strFileName >> m_strSecondName;
        ar >> m_byOptions[0] >> m_byOptions[1] >> m_byOptions[2];
        ar >> m_dwWords[1] >> m_dwWords[2] >> m_dwWords[3] >> m_dwWords[4] >> m_dwFlags;
    }
}

bool SMesh::LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) {
    if (pSearchFolders == nullptr || pSearchFolders->GetSize() == 0)
        return false;
    return LoadFromFile(pSearchFolders->GetAt(0), dwFlags);
}

bool SMesh::LoadFromFile(const CString& strFolder, uintptr_t) {
    m_strFolder = strFolder;
    const CString strPath = m_strFolder.IsEmpty() ? m_strFileName : m_strFolder + "\\" + m_strFileName;
    if (!sys::fs::Exists(static_cast<const char*>(strPath)))
        return false;
    std::vector<uint8_t> bytes;
    if (!ReadMeshBytes(strPath, bytes))
        return false;
    return LoadD2MS(bytes.data(), bytes.size());
}

int32_t SMesh::Accept(SResourceVisitor* pVisitor) { return pVisitor->VisitMesh(this); }

bool SMesh::LoadD2MS(const uint8_t* pData, size_t nSize) {
    if (nSize < kHeaderSize || std::memcmp(pData, "D2MS", 4) != 0)
        return false;
    const uint64_t nVertices = ReadU32(pData + 4);
    const uint64_t nRecords = ReadU32(pData + 8);
    // Counts come from the file: the arrays they describe must fit in what it holds.
    const uint64_t vertexBytes = nVertices * 12;
    const uint64_t recordBytes = nRecords * kRecordSize;
    if (MeshBytes(pData) > nSize)
        return false;
    m_nVertices = static_cast<uint32_t>(nVertices);
    m_nRecords = static_cast<uint32_t>(nRecords);
    m_Vertices.resize(static_cast<size_t>(nVertices) * 3);
    if (vertexBytes != 0)
        std::memcpy(m_Vertices.data(), pData + kHeaderSize, static_cast<size_t>(vertexBytes));
    m_Records.assign(pData + kHeaderSize + vertexBytes, pData + kHeaderSize + vertexBytes + recordBytes);
    ComputeBounds();
    return true;
}

void SMesh::ComputeBounds() {
    m_fMinZ = kFarLow;
    m_fMaxZ = kFarHigh;
    for (uint32_t i = 0; i < m_nVertices; ++i) {
        const float z = m_Vertices[i * 3 + 2];
        if (z < m_fMinZ)
            m_fMinZ = z;
        if (z > m_fMaxZ)
            m_fMaxZ = z;
    }

    // The footprint is the smallest of four rectangles turned 22 degrees apart; a quarter turn
    // would repeat the first.
    float best[4] = {};
    float bestAngle = 0.0f;
    float bestArea = 0.0f;
    for (int k = 0; k < 4; ++k) {
        const float angle = static_cast<float>(k * 22) * 3.141592f / 180.0f;
        const float c = std::cos(angle);
        const float s = std::sin(angle);
        float minU = kFarLow, minV = kFarLow, maxU = kFarHigh, maxV = kFarHigh;
        for (uint32_t i = 0; i < m_nVertices; ++i) {
            const float x = m_Vertices[i * 3];
            const float y = m_Vertices[i * 3 + 1];
            const float u = x * c - y * s;
            const float v = y * c + x * s;
            minU = std::min(minU, u);
            maxU = std::max(maxU, u);
            minV = std::min(minV, v);
            maxV = std::max(maxV, v);
        }
        const float area = (maxV - minV) * (maxU - minU);
        if (k == 0 || area < bestArea) {
            bestArea = area;
            bestAngle = angle;
            best[0] = minU;
            best[1] = minV;
            best[2] = maxU;
            best[3] = maxV;
        }
    }
    const float corners[4][2] = {{best[0], best[1]}, {best[2], best[1]}, {best[2], best[3]}, {best[0], best[3]}};
    const float c = std::cos(-bestAngle);
    const float s = std::sin(-bestAngle);
    for (int i = 0; i < 4; ++i) {
        m_fFootprint[i][0] = corners[i][0] * c - corners[i][1] * s;
        m_fFootprint[i][1] = corners[i][0] * s + corners[i][1] * c;
    }
}
