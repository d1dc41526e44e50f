#include "sys/classlib/CMemFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

IMPLEMENT_DYNAMIC(CMemFile, CFile)

CMemFile::CMemFile(unsigned nGrowBytes) : m_nGrowBytes(nGrowBytes) {}

CMemFile::CMemFile(uint8_t* lpBuffer, unsigned nBufferSize, unsigned nGrowBytes) {
    Attach(lpBuffer, nBufferSize, nGrowBytes);
}

CMemFile::~CMemFile() { Free(); }

void CMemFile::Free() {
    if (m_bOwnsBuffer)
        std::free(m_lpBuffer);
    m_lpBuffer = nullptr;
    m_nBufferSize = 0;
    m_nFileSize = 0;
    m_nPosition = 0;
    m_bOwnsBuffer = true;
}

void CMemFile::Attach(uint8_t* lpBuffer, unsigned nBufferSize, unsigned nGrowBytes) {
    Free();
    m_lpBuffer = lpBuffer;
    m_nBufferSize = lpBuffer != nullptr ? nBufferSize : 0;
    m_nFileSize = nGrowBytes == 0 ? m_nBufferSize : 0;
    m_nGrowBytes = nGrowBytes;
    m_bOwnsBuffer = false;
}

uint8_t* CMemFile::Detach() {
    uint8_t* block = m_lpBuffer;
    m_lpBuffer = nullptr;
    m_bOwnsBuffer = true;
    Free();
    return block;
}

bool CMemFile::Open(const char* lpszFileName, unsigned, CFileException* pError) {
    if (pError != nullptr)
        *pError = CFileException(CFileException::invalidFile, EINVAL, lpszFileName);
    return false;
}

unsigned CMemFile::Read(void* lpBuf, unsigned nCount) {
    if (m_nPosition >= m_nFileSize || nCount == 0)
        return 0;
    const uint64_t left = m_nFileSize - m_nPosition;
    const unsigned n = left < nCount ? static_cast<unsigned>(left) : nCount;
    std::memcpy(lpBuf, m_lpBuffer + m_nPosition, n);
    m_nPosition += n;
    return n;
}

void CMemFile::GrowTo(uint64_t nNeeded) {
    if (nNeeded <= m_nBufferSize)
        return;
    if (m_nGrowBytes == 0)
        ThrowMemoryException();
    // Whole grow steps, so a run of small writes reallocates once per step.
    const uint64_t steps = (nNeeded - m_nBufferSize + m_nGrowBytes - 1) / m_nGrowBytes;
    const uint64_t capacity = m_nBufferSize + steps * m_nGrowBytes;
    if (capacity > SIZE_MAX / 2)
        ThrowMemoryException();
    uint8_t* block;
    if (m_bOwnsBuffer) {
        block = static_cast<uint8_t*>(std::realloc(m_lpBuffer, static_cast<size_t>(capacity)));
    } else {
        // The caller's bytes are never resized or freed; the file moves into a block of its own.
        block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(capacity)));
        if (block != nullptr && m_nFileSize > 0)
            std::memcpy(block, m_lpBuffer, static_cast<size_t>(m_nFileSize));
    }
    if (block == nullptr)
        ThrowMemoryException();
    m_lpBuffer = block;
    m_nBufferSize = capacity;
    m_bOwnsBuffer = true;
}

void CMemFile::Write(const void* lpBuf, unsigned nCount) {
    if (nCount == 0)
        return;
    const uint64_t end = m_nPosition + nCount;
    GrowTo(end);
    if (m_nPosition > m_nFileSize)
        std::memset(m_lpBuffer + m_nFileSize, 0, static_cast<size_t>(m_nPosition - m_nFileSize));
    std::memcpy(m_lpBuffer + m_nPosition, lpBuf, nCount);
    m_nPosition = end;
    if (end > m_nFileSize)
        m_nFileSize = end;
}

uint64_t CMemFile::Seek(int64_t lOff, unsigned nFrom) {
    int64_t base;
    switch (nFrom) {
    case begin:
        base = 0;
        break;
    case current:
        base = static_cast<int64_t>(m_nPosition);
        break;
    case end:
        base = static_cast<int64_t>(m_nFileSize);
        break;
    default:
        ThrowFileException(CFileException::badSeek, EINVAL);
    }
    if ((lOff < 0 && base + lOff < 0) || (lOff > 0 && base > INT64_MAX - lOff))
        ThrowFileException(CFileException::badSeek, EINVAL);
    m_nPosition = static_cast<uint64_t>(base + lOff);
    return m_nPosition;
}

void CMemFile::Close() { Free(); }
