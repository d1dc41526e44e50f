#pragma once

#include <exception>
#include <string>

#include "sys/classlib/CString.h"

// The class library's exceptions: the only exceptions the program throws and catches, around
// loading and start-up. They are thrown by value and caught by reference
// (catch (CFileException& e)); a handler reads the cause and the file name from the object.
// The cause numbers are the ones messages show to the user ("Could not save to %s  [%d]").

// Base of the four kinds; what() gives a short English description for logs.
class CException : public std::exception {
public:
    const char* what() const noexcept override;
    // Copies the description into a caller's buffer (truncated to nMaxError - 1 characters);
    // false when there is no buffer.
    bool GetErrorMessage(char* lpszError, unsigned nMaxError) const;

protected:
    CException() = default;
    virtual std::string Describe() const = 0;

private:
    mutable std::string m_what;
};

// A file could not be opened, read, written or positioned.
class CFileException : public CException {
public:
    enum {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    explicit CFileException(int cause = none, long lOsError = -1, const char* lpszFileName = nullptr);

    // The cause that stands for an operating-system error number (errno).
    static int CauseFromOsError(int osError);

    int m_cause;
    long m_lOsError;  // errno of the failed call, -1 when none applies
    CString m_strFileName;

protected:
    std::string Describe() const override;
};

// An archive met data it cannot read (or was used in the wrong direction).
class CArchiveException : public CException {
public:
    enum {
        none = 0,
        genericException = 1,
        readOnly = 2,    // a store operation on a loading archive
        endOfFile = 3,   // the data ends early, or a count or length runs past the end
        writeOnly = 4,   // a load operation on a storing archive
        badIndex = 5,    // a reference that names nothing read before, or too many objects
        badClass = 6,    // an unknown class name, or an object of an unexpected class
        badSchema = 7,   // a schema the class does not accept
    };

    explicit CArchiveException(int cause = none, const char* lpszArchiveName = nullptr);

    int m_cause;
    CString m_strFileName;

protected:
    std::string Describe() const override;
};

// Memory could not be had (a memory file that cannot grow, an allocation that failed).
class CMemoryException : public CException {
protected:
    std::string Describe() const override;
};

// An operation gave up after telling the user why; handlers only unwind.
class CUserException : public CException {
protected:
    std::string Describe() const override;
};

[[noreturn]] void ThrowFileException(int cause, long lOsError = -1, const char* lpszFileName = nullptr);
[[noreturn]] void ThrowArchiveException(int cause, const char* lpszArchiveName = nullptr);
[[noreturn]] void ThrowMemoryException();
[[noreturn]] void ThrowUserException();
