#pragma once

#include "sys/classlib/CFile.h"

// A file held in memory: bitmaps are written into one before they go into an archive, and read
// from one laid over bytes an archive handed back. A growing memory file owns its block and
// enlarges it in steps of its grow size (1024 bytes unless told otherwise); a memory file laid
// over a caller's bytes reads and writes them in place and never frees them.
class CMemFile : public CFile {
    DECLARE_DYNAMIC(CMemFile)

public:
    explicit CMemFile(unsigned nGrowBytes = 1024);
    // Over the caller's bytes; with nGrowBytes 0 the file is those nBufferSize bytes and cannot
    // grow, otherwise it starts empty and moves into a block of its own when it outgrows them.
    CMemFile(uint8_t* lpBuffer, unsigned nBufferSize, unsigned nGrowBytes = 0);
    ~CMemFile() override;

    void Attach(uint8_t* lpBuffer, unsigned nBufferSize, unsigned nGrowBytes = 0);
    // Hands the block to the caller and leaves the file empty. A block the file allocated
    // itself was made with malloc and is released with free.
    uint8_t* Detach();
    // The file's bytes in place, GetLength() of them, for a reader that needs them all at once.
    const uint8_t* GetBytes() const { return m_lpBuffer; }

    // A memory file is opened by construction or Attach; Open is refused (invalidFile).
    bool Open(const char* lpszFileName, unsigned nOpenFlags, CFileException* pError = nullptr) override;
    unsigned Read(void* lpBuf, unsigned nCount) override;
    // Past the end of a file that cannot grow: CMemoryException.
    void Write(const void* lpBuf, unsigned nCount) override;
    // A position past the end is allowed; a write there fills the gap with zeros.
    uint64_t Seek(int64_t lOff, unsigned nFrom) override;
    uint64_t GetLength() const override { return m_nFileSize; }
    uint64_t GetPosition() const override { return m_nPosition; }
    void Flush() override {}
    void Close() override;
    void Abort() override { Close(); }
    bool IsOpen() const override { return true; }

private:
    void Free();
    void GrowTo(uint64_t nNewCapacity);

    uint8_t* m_lpBuffer = nullptr;
    uint64_t m_nBufferSize = 0;  // capacity
    uint64_t m_nFileSize = 0;
    uint64_t m_nPosition = 0;
    unsigned m_nGrowBytes = 1024;
    bool m_bOwnsBuffer = true;
};
