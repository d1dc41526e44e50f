#include "sys/classlib/Exceptions.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

const char* FileCauseText(int cause) {
    static const char* const texts[] = {
        "no error",
        "unspecified error",
        "file not found",
        "bad path",
        "too many open files",
        "access denied",
        "invalid file",
        "cannot remove the current directory",
        "directory full",
        "bad seek",
        "hardware I/O error",
        "sharing violation",
        "lock violation",
        "disk full",
        "end of file",
    };
    if (cause < 0 || cause >= static_cast<int>(sizeof(texts) / sizeof(texts[0])))
        return "unspecified error";
    return texts[cause];
}

const char* ArchiveCauseText(int cause) {
    static const char* const texts[] = {
        "no error",
        "unspecified error",
        "write to an archive opened for loading",
        "unexpected end of data",
        "read from an archive opened for storing",
        "bad object or class reference",
        "unexpected or unknown class",
        "unsupported schema",
    };
    if (cause < 0 || cause >= static_cast<int>(sizeof(texts) / sizeof(texts[0])))
        return "unspecified error";
    return texts[cause];
}

}  // namespace

const char* CException::what() const noexcept {
    try {
        m_what = Describe();
    } catch (...) {
        return "class library exception";
    }
    return m_what.c_str();
}

bool CException::GetErrorMessage(char* lpszError, unsigned nMaxError) const {
    if (lpszError == nullptr || nMaxError == 0)
        return false;
    const std::string text = Describe();
    const size_t n = std::min<size_t>(text.size(), nMaxError - 1);
    std::memcpy(lpszError, text.data(), n);
    lpszError[n] = '\0';
    return true;
}

CFileException::CFileException(int cause, long lOsError, const char* lpszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszFileName) {}

int CFileException::CauseFromOsError(int osError) {
    switch (osError) {
    case 0:
        return none;
    case ENOENT:
        return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return badPath;
    case EMFILE:
    case ENFILE:
        return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case ENXIO:
        return accessDenied;
    case EBADF:
        return invalidFile;
    case EINVAL:
    case ESPIPE:
    case EOVERFLOW:
        return badSeek;
    case EIO:
        return hardIO;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return diskFull;
    default:
        return genericException;
    }
}

std::string CFileException::Describe() const {
    std::string text = FileCauseText(m_cause);
    if (!m_strFileName.IsEmpty())
        text += std::string(": ") + m_strFileName.GetString();
    // Files are refused with ENXIO when they are pipes or devices; the system's own words for it
    // ("No such device or address") would send the player looking for something missing.
    if (m_lOsError == ENXIO)
        text += " (not a plain file)";
    else if (m_lOsError > 0)
        text += std::string(" (") + std::strerror(static_cast<int>(m_lOsError)) + ")";
    return text;
}

CArchiveException::CArchiveException(int cause, const char* lpszArchiveName)
    : m_cause(cause), m_strFileName(lpszArchiveName) {}

std::string CArchiveException::Describe() const {
    std::string text = std::string("archive: ") + ArchiveCauseText(m_cause);
    if (!m_strFileName.IsEmpty())
        text += std::string(": ") + m_strFileName.GetString();
    return text;
}

std::string CMemoryException::Describe() const { return "out of memory"; }

std::string CUserException::Describe() const { return "operation stopped"; }

void ThrowFileException(int cause, long lOsError, const char* lpszFileName) {
    throw CFileException(cause, lOsError, lpszFileName);
}

void ThrowArchiveException(int cause, const char* lpszArchiveName) {
    throw CArchiveException(cause, lpszArchiveName);
}

void ThrowMemoryException() { throw CMemoryException(); }

void ThrowUserException() { throw CUserException(); }
