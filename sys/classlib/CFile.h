#pragma once

#include <cstdint>

#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/Exceptions.h"

// A binary file of the class library: opened by name with the open flags the data formats were
// written with, read and written in bytes, positioned, closed. Archives, the bitmap reader and
// the resource loaders work on it. Names go through the file layer (backslashes, any letter
// case); the name as given is kept for messages and GetFilePath. Failures other than Open's
// answer raise CFileException. The object owns its open file and closes it when destroyed.
class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)

public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        // Sharing flags are accepted and ignored: on this system nothing else opens our files.
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,    // only CStdioFile translates line ends
        typeBinary = 0x8000,
    };
    enum SeekPosition : unsigned { begin = 0, current = 1, end = 2 };

    CFile();
    // Opens at once; a failure raises CFileException with the cause and the name.
    CFile(const char* lpszFileName, unsigned nOpenFlags);
    ~CFile() override;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // False on failure, with the cause, errno and name in *pError when given. Opening a file
    // that does not exist without modeCreate gives fileNotFound (badPath when its folder is
    // missing too). modeCreate truncates unless modeNoTruncate is given.
    virtual bool Open(const char* lpszFileName, unsigned nOpenFlags, CFileException* pError = nullptr);
    // Up to nCount bytes; fewer only at the end of the file.
    virtual unsigned Read(void* lpBuf, unsigned nCount);
    // All nCount bytes, or an exception (diskFull when the device is full).
    virtual void Write(const void* lpBuf, unsigned nCount);
    // The new position from the start; a position before the start raises badSeek.
    virtual uint64_t Seek(int64_t lOff, unsigned nFrom);
    void SeekToBegin() { Seek(0, begin); }
    uint64_t SeekToEnd() { return Seek(0, end); }
    virtual uint64_t GetLength() const;
    virtual uint64_t GetPosition() const;
    // Pushes what was written to the device, so a later rename cannot expose a short file.
    virtual void Flush();
    // Closes; a failure to close (data that could not be written) raises CFileException.
    virtual void Close();
    // Closes without reporting anything.
    virtual void Abort();

    virtual bool IsOpen() const { return m_hFile != hFileNull; }
    // The name as given to Open, and its last component.
    const CString& GetFilePath() const { return m_strFileName; }
    CString GetFileName() const;

    static constexpr int hFileNull = -1;

protected:
    // Opens the operating-system file for the flags; -1 with *pError filled on failure.
    static int OpenDescriptor(const char* lpszFileName, unsigned nOpenFlags, CFileException* pError);
    [[noreturn]] void ThrowOsError(int osError) const;
    void CheckOpen() const;

    int m_hFile = hFileNull;
    CString m_strFileName;
};
