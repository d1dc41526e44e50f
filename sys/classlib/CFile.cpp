#include "sys/classlib/CFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "sys/fs/fs.h"

IMPLEMENT_DYNAMIC(CFile, CObject)

namespace {

// A missing file in an existing folder is "not found"; a missing folder on the way is a bad
// path, as the messages that show the cause tell them apart.
int CauseForMissing(const std::string& nativePath) {
    const size_t slash = nativePath.find_last_of('/');
    if (slash == std::string::npos)
        return CFileException::fileNotFound;
    const std::string folder = slash == 0 ? std::string("/") : nativePath.substr(0, slash);
    struct stat info;
    if (::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return CFileException::fileNotFound;
    return CFileException::badPath;
}

void Fill(CFileException* pError, int cause, long osError, const char* name) {
    if (pError != nullptr)
        *pError = CFileException(cause, osError, name);
}

}  // namespace

CFile::CFile() = default;

CFile::CFile(const char* lpszFileName, unsigned nOpenFlags) {
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        throw error;
}

CFile::~CFile() {
    if (m_hFile != hFileNull)
        ::close(m_hFile);
}

int CFile::OpenDescriptor(const char* lpszFileName, unsigned nOpenFlags, CFileException* pError) {
    const char* name = lpszFileName != nullptr ? lpszFileName : "";
    int flags = 0;
    switch (nOpenFlags & 3u) {
    case modeRead:
        flags |= O_RDONLY;
        break;
    case modeWrite:
        flags |= O_WRONLY;
        break;
    case modeReadWrite:
        flags |= O_RDWR;
        break;
    default:
        Fill(pError, CFileException::genericException, EINVAL, name);
        return hFileNull;
    }
    if ((nOpenFlags & modeCreate) != 0) {
        flags |= O_CREAT;
        if ((nOpenFlags & modeNoTruncate) == 0)
            flags |= O_TRUNC;
    }
    const std::string path = sys::fs::NativePath(name);
    if (path.empty()) {
        Fill(pError, CFileException::fileNotFound, ENOENT, name);
        return hFileNull;
    }
    const int fd = sys::fs::OpenNative(path, flags);
    if (fd < 0) {
        const int osError = errno;
        const int cause = osError == ENOENT ? CauseForMissing(path) : CFileException::CauseFromOsError(osError);
        Fill(pError, cause, osError, name);
        return hFileNull;
    }
    return fd;
}

bool CFile::Open(const char* lpszFileName, unsigned nOpenFlags, CFileException* pError) {
    if (m_hFile != hFileNull)
        Abort();
    const int fd = OpenDescriptor(lpszFileName, nOpenFlags, pError);
    if (fd == hFileNull)
        return false;
    m_hFile = fd;
    m_strFileName = lpszFileName;
    return true;
}

void CFile::ThrowOsError(int osError) const {
    ThrowFileException(CFileException::CauseFromOsError(osError), osError, m_strFileName);
}

void CFile::CheckOpen() const {
    if (m_hFile == hFileNull)
        ThrowFileException(CFileException::invalidFile, -1, m_strFileName);
}

unsigned CFile::Read(void* lpBuf, unsigned nCount) {
    CheckOpen();
    unsigned done = 0;
    auto* out = static_cast<unsigned char*>(lpBuf);
    while (done < nCount) {
        const ssize_t got = ::read(m_hFile, out + done, nCount - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ThrowOsError(errno);
        }
        if (got == 0)
            break;
        done += static_cast<unsigned>(got);
    }
    return done;
}

void CFile::Write(const void* lpBuf, unsigned nCount) {
    CheckOpen();
    unsigned done = 0;
    const auto* in = static_cast<const unsigned char*>(lpBuf);
    while (done < nCount) {
        const ssize_t put = ::write(m_hFile, in + done, nCount - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            ThrowOsError(errno);
        }
        if (put == 0)
            ThrowFileException(CFileException::diskFull, ENOSPC, m_strFileName);
        done += static_cast<unsigned>(put);
    }
}

uint64_t CFile::Seek(int64_t lOff, unsigned nFrom) {
    CheckOpen();
    const int whence = nFrom == begin ? SEEK_SET : nFrom == current ? SEEK_CUR : nFrom == end ? SEEK_END : -1;
    if (whence < 0)
        ThrowFileException(CFileException::badSeek, EINVAL, m_strFileName);
    const off_t at = ::lseek(m_hFile, static_cast<off_t>(lOff), whence);
    if (at < 0)
        ThrowFileException(CFileException::badSeek, errno, m_strFileName);
    return static_cast<uint64_t>(at);
}

uint64_t CFile::GetLength() const {
    CheckOpen();
    struct stat info;
    if (::fstat(m_hFile, &info) != 0)
        ThrowOsError(errno);
    return static_cast<uint64_t>(info.st_size);
}

uint64_t CFile::GetPosition() const {
    CheckOpen();
    const off_t at = ::lseek(m_hFile, 0, SEEK_CUR);
    if (at < 0)
        ThrowFileException(CFileException::badSeek, errno, m_strFileName);
    return static_cast<uint64_t>(at);
}

void CFile::Flush() {
    if (m_hFile == hFileNull)
        return;
    // Pipes and terminals cannot be synced; that is no failure of the data.
    if (::fsync(m_hFile) != 0 && errno != EINVAL && errno != EROFS)
        ThrowOsError(errno);
}

void CFile::Close() {
    if (m_hFile == hFileNull)
        return;
    const int fd = m_hFile;
    m_hFile = hFileNull;
    if (::close(fd) != 0 && errno != EINTR)
        ThrowOsError(errno);
}

void CFile::Abort() {
    if (m_hFile != hFileNull) {
        ::close(m_hFile);
        m_hFile = hFileNull;
    }
}

CString CFile::GetFileName() const {
    const std::string& path = m_strFileName.str();
    const size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? m_strFileName : CString(path.substr(cut + 1));
}
