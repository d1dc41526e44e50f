#include "sys/classlib/CArchive.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {

// Tags of an object written through a pointer.
constexpr uint16_t kNullTag = 0;
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint16_t kBigObjectTag = 0x7FFF;
constexpr uint32_t kBigClassTag = 0x80000000u;
// Indices from here on would collide with the tag bits.
constexpr uint32_t kMaxMapCount = 0x3FFFFFFEu;

// The length prefix of the string form.
constexpr uint8_t kByteLengthMarker = 0xFF;
constexpr uint16_t kWordLengthMarker = 0xFFFF;
// A WORD of 0xFFFE after the marker byte never stands for a length in our files.
constexpr uint16_t kLargestWordLength = 0xFFFD;

constexpr uint16_t kCountMarker = 0xFFFF;

constexpr int kMinBufferSize = 64;

}  // namespace

CArchive::CArchive(CFile* pFile, unsigned nMode, int nBufSize, void* lpBuf)
    : m_pFile(pFile), m_nMode(nMode) {
    if (m_pFile != nullptr)
        m_strFileName = m_pFile->GetFilePath();
    m_nBufSize = static_cast<unsigned>(std::max(nBufSize, kMinBufferSize));
    if (lpBuf != nullptr && nBufSize >= kMinBufferSize) {
        m_pBuf = static_cast<unsigned char*>(lpBuf);
    } else {
        // Left unfilled: only bytes read in or written are ever used, and archives are made
        // per file with buffers of up to 256 KB.
        m_ownBuffer.reset(new unsigned char[m_nBufSize]);
        m_pBuf = m_ownBuffer.get();
    }
    if (m_pFile == nullptr)
        return;
    if (IsStoring())
        m_nLimit = m_nBufSize;
    else
        m_loadArray.push_back({EntryKind::Null, 0, nullptr, nullptr});
}

CArchive::~CArchive() {
    if (m_pFile != nullptr && IsStoring() && (m_nMode & bNoFlushOnDelete) == 0) {
        // A destructor cannot report; callers that care call Close and see the exception.
        try {
            WriteBuffer();
        } catch (...) {
        }
    }
}

void CArchive::Fail(int cause) const { ThrowArchiveException(cause, m_strFileName); }

void CArchive::CheckLoading() const {
    if (m_pFile == nullptr)
        Fail(CArchiveException::genericException);
    if (!IsLoading())
        Fail(CArchiveException::writeOnly);
}

void CArchive::CheckStoring() const {
    if (m_pFile == nullptr)
        Fail(CArchiveException::genericException);
    if (!IsStoring())
        Fail(CArchiveException::readOnly);
}

void CArchive::ReverseBytes(unsigned char* bytes, size_t n) { std::reverse(bytes, bytes + n); }

// ---- buffer -------------------------------------------------------------------------------

void CArchive::FillBuffer() {
    const unsigned left = m_nLimit - m_nCur;
    if (left > 0 && m_nCur > 0)
        std::memmove(m_pBuf, m_pBuf + m_nCur, left);
    m_nCur = 0;
    m_nLimit = left;
    m_nLimit += m_pFile->Read(m_pBuf + left, m_nBufSize - left);
}

void CArchive::WriteBuffer() {
    if (m_nCur > 0) {
        const unsigned n = m_nCur;
        m_nCur = 0;
        m_pFile->Write(m_pBuf, n);
    }
}

void CArchive::Flush() {
    if (m_pFile == nullptr)
        return;
    if (IsStoring()) {
        WriteBuffer();
    } else if (m_nLimit > m_nCur) {
        // Give back what was read ahead, so the file stands where the archive does.
        m_pFile->Seek(-static_cast<int64_t>(m_nLimit - m_nCur), CFile::current);
        m_nCur = m_nLimit = 0;
    } else {
        m_nCur = m_nLimit = 0;
    }
}

CFile* CArchive::GetFile() {
    Flush();
    return m_pFile;
}

void CArchive::Close() {
    if (m_pFile == nullptr)
        return;
    Flush();
    m_pFile = nullptr;
    m_nCur = m_nLimit = 0;
}

void CArchive::Abort() {
    m_pFile = nullptr;
    m_nCur = m_nLimit = 0;
}

unsigned CArchive::Read(void* lpBuf, unsigned nMax) {
    CheckLoading();
    auto* out = static_cast<unsigned char*>(lpBuf);
    unsigned done = std::min(nMax, m_nLimit - m_nCur);
    std::memcpy(out, m_pBuf + m_nCur, done);
    m_nCur += done;
    while (done < nMax) {
        const unsigned want = nMax - done;
        if (want >= m_nBufSize) {
            // Large blocks go straight from the file to the caller.
            const unsigned got = m_pFile->Read(out + done, want);
            done += got;
            if (got == 0)
                break;
            continue;
        }
        FillBuffer();
        const unsigned n = std::min(want, m_nLimit - m_nCur);
        if (n == 0)
            break;
        std::memcpy(out + done, m_pBuf + m_nCur, n);
        m_nCur += n;
        done += n;
    }
    return done;
}

void CArchive::ReadExactSlow(void* p, unsigned n) {
    if (Read(p, n) != n)
        Fail(CArchiveException::endOfFile);
}

void CArchive::Write(const void* lpBuf, unsigned nMax) {
    CheckStoring();
    const auto* in = static_cast<const unsigned char*>(lpBuf);
    if (nMax <= m_nLimit - m_nCur) {
        std::memcpy(m_pBuf + m_nCur, in, nMax);
        m_nCur += nMax;
        return;
    }
    WriteBuffer();
    if (nMax >= m_nBufSize) {
        m_pFile->Write(in, nMax);
        return;
    }
    std::memcpy(m_pBuf, in, nMax);
    m_nCur = nMax;
}

uint64_t CArchive::GetBytesLeft() {
    CheckLoading();
    if (m_nFileLength == UINT64_MAX)
        m_nFileLength = m_pFile->GetLength();
    const uint64_t position = m_pFile->GetPosition();
    const uint64_t inFile = m_nFileLength > position ? m_nFileLength - position : 0;
    return (m_nLimit - m_nCur) + inFile;
}

void CArchive::EnsureAvailableSlow(uint64_t nBytes) {
    if (GetBytesLeft() < nBytes)
        Fail(CArchiveException::endOfFile);
}

// ---- strings and counts -------------------------------------------------------------------

void CArchive::SpendText(uint32_t length) {
    if (length > kTextBudget - m_nTextSpent)
        Fail(CArchiveException::genericException);
    m_nTextSpent += length;
}

CArchive& CArchive::operator<<(const CString& s) {
    const uint32_t length = static_cast<uint32_t>(s.GetLength());
    CheckStoring();
    SpendText(length);
    if (length < kByteLengthMarker) {
        *this << static_cast<uint8_t>(length);
    } else if (length <= kLargestWordLength) {
        *this << kByteLengthMarker << static_cast<uint16_t>(length);
    } else {
        *this << kByteLengthMarker << kWordLengthMarker << length;
    }
    Write(s.GetString(), length);
    return *this;
}

CArchive& CArchive::operator>>(CString& s) {
    uint8_t byteLength;
    *this >> byteLength;
    uint32_t length = byteLength;
    if (byteLength == kByteLengthMarker) {
        uint16_t wordLength;
        *this >> wordLength;
        length = wordLength;
        if (wordLength == kWordLengthMarker)
            *this >> length;
        else if (wordLength > kLargestWordLength)
            Fail(CArchiveException::genericException);  // a wide-character string: not ours
    }
    if (length > static_cast<uint32_t>(INT32_MAX))
        Fail(CArchiveException::endOfFile);
    EnsureAvailable(length);
    SpendText(length);
    std::string text(length, '\0');
    GetBytes(text.data(), length);
    s = CString(std::move(text));
    return *this;
}

void CArchive::WriteCount(uint64_t nCount) {
    if (nCount < kCountMarker) {
        *this << static_cast<uint16_t>(nCount);
        return;
    }
    if (nCount > UINT32_MAX)
        Fail(CArchiveException::genericException);
    *this << kCountMarker << static_cast<uint32_t>(nCount);
}

uint32_t CArchive::ReadCount() {
    uint16_t wordCount;
    *this >> wordCount;
    if (wordCount != kCountMarker)
        return wordCount;
    uint32_t count;
    *this >> count;
    // Collections index with int; no file of ours comes near this many elements.
    if (count > static_cast<uint32_t>(INT32_MAX))
        Fail(CArchiveException::endOfFile);
    return count;
}

uint32_t CArchive::GetObjectSchema() {
    const uint32_t schema = m_nObjectSchema;
    m_nObjectSchema = UINT32_MAX;
    return schema;
}

// ---- objects ------------------------------------------------------------------------------

uint32_t CArchive::NextMapIndex() {
    if (m_nMapCount >= kMaxMapCount)
        Fail(CArchiveException::badIndex);
    return m_nMapCount++;
}

void CArchive::WriteClass(const CRuntimeClass* pClass) {
    const auto known = m_storeMap.find(pClass);
    if (known != m_storeMap.end()) {
        const uint32_t index = known->second;
        if (index < kBigObjectTag) {
            *this << static_cast<uint16_t>(kClassTag | index);
        } else {
            *this << kBigObjectTag << (kBigClassTag | index);
        }
        return;
    }
    const size_t nameLength = std::strlen(pClass->m_lpszClassName);
    *this << kNewClassTag << static_cast<uint16_t>(pClass->GetSchema()) << static_cast<uint16_t>(nameLength);
    Write(pClass->m_lpszClassName, static_cast<unsigned>(nameLength));
    m_storeMap.emplace(pClass, NextMapIndex());
}

void CArchive::WriteObject(const CObject* pOb) {
    CheckStoring();
    if (pOb == nullptr) {
        *this << kNullTag;
        return;
    }
    const auto known = m_storeMap.find(pOb);
    if (known != m_storeMap.end()) {
        const uint32_t index = known->second;
        if (index < kBigObjectTag) {
            *this << static_cast<uint16_t>(index);
        } else {
            *this << kBigObjectTag << index;
        }
        return;
    }
    const CRuntimeClass* pClass = pOb->GetRuntimeClass();
    if (!pClass->IsSerializable())
        Fail(CArchiveException::badClass);
    WriteClass(pClass);
    m_storeMap.emplace(pOb, NextMapIndex());
    const_cast<CObject*>(pOb)->Serialize(*this);
}

const CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* pClassRefRequested, uint32_t* pSchema,
                                         uint32_t* pObTag) {
    uint16_t tag;
    *this >> tag;
    uint32_t obTag;
    if (tag == kBigObjectTag)
        *this >> obTag;
    else
        obTag = (static_cast<uint32_t>(tag & kClassTag) << 16) | (tag & ~kClassTag & 0xFFFFu);

    const CRuntimeClass* pClass;
    uint32_t schema;
    if (tag == kNewClassTag) {
        uint16_t storedSchema;
        uint16_t nameLength;
        *this >> storedSchema >> nameLength;
        EnsureAvailable(nameLength);
        std::string name(nameLength, '\0');
        GetBytes(name.data(), nameLength);
        if (name.find('\0') != std::string::npos)
            Fail(CArchiveException::badClass);
        pClass = CRuntimeClass::FromName(name.c_str());
        if (pClass == nullptr || !pClass->IsSerializable())
            Fail(CArchiveException::badClass);
        if (!pClass->IsVersionable() && storedSchema != static_cast<uint16_t>(pClass->GetSchema()))
            Fail(CArchiveException::badSchema);
        schema = storedSchema;
        NextMapIndex();
        m_loadArray.push_back({EntryKind::Class, schema, pClass, nullptr});
    } else if ((obTag & kBigClassTag) != 0) {
        const uint32_t index = obTag & ~kBigClassTag;
        if (index >= m_loadArray.size() || m_loadArray[index].kind != EntryKind::Class)
            Fail(CArchiveException::badIndex);
        pClass = m_loadArray[index].pClass;
        schema = m_loadArray[index].schema;
    } else {
        *pObTag = obTag;
        return nullptr;
    }
    if (pClassRefRequested != nullptr && !pClass->IsDerivedFrom(pClassRefRequested))
        Fail(CArchiveException::badClass);
    *pSchema = schema;
    *pObTag = 0;
    return pClass;
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested) { return ReadObject(pClassRefRequested, true); }

CObject* CArchive::ReadNewObject(const CRuntimeClass* pClassRefRequested) {
    return ReadObject(pClassRefRequested, false);
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested, bool bShared) {
    CheckLoading();
    uint32_t schema = 0;
    uint32_t obTag = 0;
    const CRuntimeClass* pClass = ReadClass(pClassRefRequested, &schema, &obTag);
    if (pClass == nullptr) {
        if (obTag == kNullTag)
            return nullptr;
        // Only an object read before can be referred to; an index naming a class record, a
        // dropped object or nothing at all is refused rather than handed out as an object.
        if (!bShared || obTag >= m_loadArray.size() || m_loadArray[obTag].kind != EntryKind::Object)
            Fail(CArchiveException::badIndex);
        CObject* pOb = m_loadArray[obTag].pObject;
        if (pClassRefRequested != nullptr && !pOb->IsKindOf(pClassRefRequested))
            Fail(CArchiveException::badClass);
        ++m_nBackReferences;
        return pOb;
    }

    CObject* pOb = pClass->CreateObject();
    if (pOb == nullptr)
        Fail(CArchiveException::badClass);
    uint32_t index;
    try {
        index = NextMapIndex();
        m_loadArray.push_back({EntryKind::Object, schema, pClass, pOb});
    } catch (...) {
        delete pOb;
        throw;
    }
    const uint32_t savedSchema = m_nObjectSchema;
    const uint64_t backReferencesBefore = m_nBackReferences;
    m_nObjectSchema = schema;
    try {
        pOb->Serialize(*this);
    } catch (...) {
        m_nObjectSchema = savedSchema;
        // Unless a back-reference was handed out meanwhile, everything the half-read object
        // holds was made for it alone, so deleting it cannot free what someone else holds.
        if (m_nBackReferences == backReferencesBefore) {
            m_loadArray[index].kind = EntryKind::Dropped;
            m_loadArray[index].pObject = nullptr;
            delete pOb;
        }
        throw;
    }
    m_nObjectSchema = savedSchema;
    return pOb;
}
