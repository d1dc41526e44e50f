#pragma once

#include <cstdio>

#include "sys/classlib/CFile.h"

// A buffered file that reads and writes lines: configuration scripts, object-definition
// scripts, logs. Unless opened with typeBinary it is a text file as the data's platform knows
// them: every line feed written becomes carriage return + line feed, and a carriage return
// read just before a line feed is dropped, so files from either platform read the same.
// Positions and lengths are those of the bytes in the file. Owns its open file.
class CStdioFile : public CFile {
    DECLARE_DYNAMIC(CStdioFile)

public:
    CStdioFile();
    CStdioFile(const char* lpszFileName, unsigned nOpenFlags);
    ~CStdioFile() override;

    bool Open(const char* lpszFileName, unsigned nOpenFlags, CFileException* pError = nullptr) override;
    unsigned Read(void* lpBuf, unsigned nCount) override;
    void Write(const void* lpBuf, unsigned nCount) override;
    uint64_t Seek(int64_t lOff, unsigned nFrom) override;
    uint64_t GetLength() const override;
    uint64_t GetPosition() const override;
    void Flush() override;
    void Close() override;
    void Abort() override;

    // Writes the text as it stands (no line end is added).
    virtual void WriteString(const char* lpsz);
    // At most nMax - 1 characters, up to and including the next line feed, NUL-terminated;
    // null at the end of the file.
    virtual char* ReadString(char* lpsz, unsigned nMax);
    // As ReadString(char*, unsigned), but answers how many characters it placed before the NUL
    // it ends them with (0 at the end of the file), so that a NUL byte in the text hides neither
    // the characters after it nor the line feed. It costs a pass over the buffer more.
    unsigned ReadStringCount(char* lpsz, unsigned nMax);
    // The next line without its line feed; false at the end of the file.
    virtual bool ReadString(CString& rString);

    bool IsTextMode() const { return m_bText; }

private:
    // Both ReadStrings of a buffer; false at the end of the file. `count` is how many characters
    // were placed, counted past any NUL byte among them if `pastNul`, else up to the first.
    bool ReadPiece(char* lpsz, unsigned nMax, bool pastNul, unsigned& count);
    // The next character after line-end translation; EOF at the end.
    int GetChar();
    [[noreturn]] void ThrowStreamError() const;

    std::FILE* m_pStream = nullptr;
    bool m_bText = true;
    // The stream's buffer: the C library would allocate one for every file opened, and command
    // files that run each other open hundreds in a row.
    char m_buffer[4096];
};
