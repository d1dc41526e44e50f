#include "sys/classlib/CStdioFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

IMPLEMENT_DYNAMIC(CStdioFile, CFile)

CStdioFile::CStdioFile() = default;

CStdioFile::CStdioFile(const char* lpszFileName, unsigned nOpenFlags) {
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        throw error;
}

CStdioFile::~CStdioFile() { Abort(); }

bool CStdioFile::Open(const char* lpszFileName, unsigned nOpenFlags, CFileException* pError) {
    Abort();
    const int fd = OpenDescriptor(lpszFileName, nOpenFlags, pError);
    if (fd == hFileNull)
        return false;
    const unsigned access = nOpenFlags & 3u;
    const char* mode = access == modeRead ? "r" : access == modeWrite ? "w" : "r+";
    std::FILE* stream = ::fdopen(fd, mode);
    if (stream == nullptr) {
        const int osError = errno;
        ::close(fd);
        if (pError != nullptr)
            *pError = CFileException(CFileException::CauseFromOsError(osError), osError, lpszFileName);
        return false;
    }
    std::setvbuf(stream, m_buffer, _IOFBF, sizeof(m_buffer));
    m_pStream = stream;
    m_hFile = fd;
    m_strFileName = lpszFileName;
    m_bText = (nOpenFlags & typeBinary) == 0;
    return true;
}

void CStdioFile::ThrowStreamError() const {
    const int osError = errno != 0 ? errno : EIO;
    ThrowFileException(CFileException::CauseFromOsError(osError), osError, m_strFileName);
}

// The stream is this object's alone, so characters are taken without the stream's lock: text
// read here comes a character at a time, and locking for each one costs more than the read.
int CStdioFile::GetChar() {
    const int c = getc_unlocked(m_pStream);
    if (c == '\r' && m_bText) {
        const int next = getc_unlocked(m_pStream);
        if (next == '\n')
            return '\n';
        if (next != EOF)
            std::ungetc(next, m_pStream);
    }
    return c;
}

unsigned CStdioFile::Read(void* lpBuf, unsigned nCount) {
    CheckOpen();
    errno = 0;
    if (!m_bText) {
        const size_t got = std::fread(lpBuf, 1, nCount, m_pStream);
        if (got < nCount && std::ferror(m_pStream))
            ThrowStreamError();
        return static_cast<unsigned>(got);
    }
    auto* out = static_cast<char*>(lpBuf);
    unsigned done = 0;
    while (done < nCount) {
        const int c = GetChar();
        if (c == EOF)
            break;
        out[done++] = static_cast<char>(c);
    }
    if (std::ferror(m_pStream))
        ThrowStreamError();
    return done;
}

void CStdioFile::Write(const void* lpBuf, unsigned nCount) {
    CheckOpen();
    errno = 0;
    const auto* in = static_cast<const char*>(lpBuf);
    if (!m_bText) {
        if (std::fwrite(in, 1, nCount, m_pStream) != nCount)
            ThrowStreamError();
        return;
    }
    // Runs between line feeds go out whole; each line feed goes out as CR LF.
    unsigned from = 0;
    for (unsigned i = 0; i <= nCount; ++i) {
        if (i < nCount && in[i] != '\n')
            continue;
        const size_t run = i - from;
        if (run > 0 && std::fwrite(in + from, 1, run, m_pStream) != run)
            ThrowStreamError();
        if (i < nCount && std::fwrite("\r\n", 1, 2, m_pStream) != 2)
            ThrowStreamError();
        from = i + 1;
    }
}

uint64_t CStdioFile::Seek(int64_t lOff, unsigned nFrom) {
    CheckOpen();
    const int whence = nFrom == begin ? SEEK_SET : nFrom == current ? SEEK_CUR : nFrom == end ? SEEK_END : -1;
    if (whence < 0 || ::fseeko(m_pStream, static_cast<off_t>(lOff), whence) != 0)
        ThrowFileException(CFileException::badSeek, errno, m_strFileName);
    return GetPosition();
}

uint64_t CStdioFile::GetPosition() const {
    CheckOpen();
    const off_t at = ::ftello(m_pStream);
    if (at < 0)
        ThrowFileException(CFileException::badSeek, errno, m_strFileName);
    return static_cast<uint64_t>(at);
}

uint64_t CStdioFile::GetLength() const {
    CheckOpen();
    // Going to the end and back writes out what is buffered, so the length counts it.
    const off_t at = ::ftello(m_pStream);
    if (at < 0 || ::fseeko(m_pStream, 0, SEEK_END) != 0)
        ThrowFileException(CFileException::badSeek, errno, m_strFileName);
    const off_t length = ::ftello(m_pStream);
    if (length < 0 || ::fseeko(m_pStream, at, SEEK_SET) != 0)
        ThrowFileException(CFileException::badSeek, errno, m_strFileName);
    return static_cast<uint64_t>(length);
}

void CStdioFile::Flush() {
    if (m_pStream == nullptr)
        return;
    if (std::fflush(m_pStream) != 0)
        ThrowStreamError();
}

void CStdioFile::Close() {
    if (m_pStream == nullptr)
        return;
    std::FILE* stream = m_pStream;
    m_pStream = nullptr;
    m_hFile = hFileNull;
    errno = 0;
    if (std::fclose(stream) != 0)
        ThrowStreamError();
}

void CStdioFile::Abort() {
    if (m_pStream != nullptr) {
        std::fclose(m_pStream);
        m_pStream = nullptr;
        m_hFile = hFileNull;
    }
}

void CStdioFile::WriteString(const char* lpsz) {
    if (lpsz != nullptr)
        Write(lpsz, static_cast<unsigned>(std::strlen(lpsz)));
}

// The C library finds the line end in its own buffer; only the carriage return before the line
// feed is left to take out here, as the character-wise translation does: the pair counts as one
// character, so a buffer that fills up with a carriage return takes the line feed after it too.
bool CStdioFile::ReadPiece(char* lpsz, unsigned nMax, bool pastNul, unsigned& count) {
    CheckOpen();
    count = 0;
    if (lpsz == nullptr || nMax == 0)
        return false;
    errno = 0;
    if (nMax < 2) {
        lpsz[0] = '\0';
        return false;
    }
    const unsigned size = std::min(nMax, static_cast<unsigned>(INT_MAX));
    // fgets does not say how much it placed. Filled with line feeds first, the buffer tells even
    // past a NUL byte read: fgets places at most one, as its last character and right before the
    // NUL it ends with, so the first line feed is either the text's own (a NUL after it) or one
    // of ours, right after the NUL that ends text without one. Otherwise only a full buffer puts
    // a character in its next-to-last place.
    if (pastNul)
        std::memset(lpsz, '\n', size);
    else
        lpsz[size - 2] = '\0';
    if (std::fgets(lpsz, static_cast<int>(size), m_pStream) == nullptr) {
        lpsz[0] = '\0';
        if (std::ferror(m_pStream))
            ThrowStreamError();
        return false;
    }
    count = size - 1;
    if (pastNul) {
        if (const auto* feed = static_cast<const char*>(std::memchr(lpsz, '\n', size))) {
            const auto at = static_cast<unsigned>(feed - lpsz);
            count = at + 1 < size && lpsz[at + 1] == '\0' ? at + 1 : at - 1;
        }
    } else if (lpsz[size - 2] == '\0') {
        count = static_cast<unsigned>(std::strlen(lpsz));
    }
    if (m_bText) {
        if (count == size - 1 && lpsz[count - 1] == '\r') {
            const int next = getc_unlocked(m_pStream);
            if (next == '\n')
                lpsz[count - 1] = '\n';
            else if (next != EOF)
                std::ungetc(next, m_pStream);
        } else if (count >= 2 && lpsz[count - 1] == '\n' && lpsz[count - 2] == '\r') {
            lpsz[count - 2] = '\n';
            lpsz[--count] = '\0';
        }
    }
    if (std::ferror(m_pStream))
        ThrowStreamError();
    return true;
}

char* CStdioFile::ReadString(char* lpsz, unsigned nMax) {
    unsigned count = 0;
    return ReadPiece(lpsz, nMax, false, count) ? lpsz : nullptr;
}

unsigned CStdioFile::ReadStringCount(char* lpsz, unsigned nMax) {
    unsigned count = 0;
    ReadPiece(lpsz, nMax, true, count);
    return count;
}

bool CStdioFile::ReadString(CString& rString) {
    CheckOpen();
    errno = 0;
    // The line is taken whole from the stream's buffer: built a character at a time, its growth
    // cost more than the reading when a file is a long list.
    char* buffer = nullptr;
    size_t capacity = 0;
    const ssize_t got = getdelim(&buffer, &capacity, '\n', m_pStream);
    std::string line;
    if (got > 0) {
        size_t length = static_cast<size_t>(got);
        // In text, a carriage return before the line feed belongs to the line end.
        if (buffer[length - 1] == '\n') {
            --length;
            if (m_bText && length > 0 && buffer[length - 1] == '\r')
                --length;
        }
        line.assign(buffer, length);
    }
    std::free(buffer);
    if (std::ferror(m_pStream))
        ThrowStreamError();
    rString = CString(std::move(line));
    return got > 0;
}
