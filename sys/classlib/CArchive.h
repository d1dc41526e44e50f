#pragma once

#include <bit>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "sys/classlib/CFile.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/Exceptions.h"

// A class-library archive: a buffered stream over a CFile in one direction, loading or storing,
// through which persistent objects write and read themselves with one Serialize. Every catalog,
// font, window, texture list, model and officer file is one, so the bytes are fixed:
// little-endian integers and floats (1, 2, 4 bytes; double 8), the length-prefixed string form,
// the count form, and objects through pointers with class records and back-references that
// share one index space per archive.
//
// Loading trusts nothing: running out of data, a bad tag, an unknown class, a refused schema,
// a count or length that the rest of the file cannot hold all raise CArchiveException before
// anything is allocated for them. Readers of their own counts check them with EnsureAvailable
// or GetBytesLeft first.
//
// The archive does not own its file; the file must outlive it. Close (or Flush) before the file
// is closed: a storing archive destroyed without Close still writes its buffer, but a failure
// there can no longer be reported.
class CArchive {
public:
    enum Mode : unsigned { store = 0, load = 1, bNoFlushOnDelete = 2 };

    // nBufSize: the read or write buffer (the formats use 4096 bytes); lpBuf: the caller's own
    // buffer of that size, or null for one owned by the archive.
    CArchive(CFile* pFile, unsigned nMode, int nBufSize = 4096, void* lpBuf = nullptr);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return (m_nMode & load) != 0; }
    bool IsStoring() const { return (m_nMode & load) == 0; }

    // The file, with its position brought to where the archive stands (buffered writes written,
    // buffered but unread bytes given back), so a caller may read or write it directly and then
    // go on with the archive.
    CFile* GetFile();
    void Flush();
    // Flushes and lets go of the file. Later use of the archive raises genericException.
    void Close();
    // Lets go of the file without writing what is buffered.
    void Abort();

    // Raw bytes. Read answers how many it got (fewer only at the end of the data).
    unsigned Read(void* lpBuf, unsigned nMax);
    void Write(const void* lpBuf, unsigned nMax);

    // Loading: how many bytes remain, in the buffer and in the file after it.
    uint64_t GetBytesLeft();
    // Loading: raises endOfFile unless at least nBytes remain. Call it with a count times the
    // smallest stored size of one element before allocating for the elements.
    void EnsureAvailable(uint64_t nBytes) {
        if (nBytes > m_nLimit - m_nCur)
            EnsureAvailableSlow(nBytes);
    }

    // The count form of collections: a WORD below 0xFFFF, else 0xFFFF and a DWORD. ReadCount
    // refuses counts beyond what an int can index; the caller still checks the count against
    // the bytes left with EnsureAvailable.
    void WriteCount(uint64_t nCount);
    uint32_t ReadCount();

    // Objects through pointers (null allowed). A new object's class record is written the first
    // time the class appears in this archive; an object already written is written as its
    // index, and reads back as the same object.
    void WriteObject(const CObject* pOb);
    // The object, of pClassRefRequested or a class derived from it (any class when null);
    // created by name and loaded with Serialize when new. An object whose Serialize fails is
    // deleted again, unless it has been handed out already through a back-reference.
    CObject* ReadObject(const CRuntimeClass* pClassRefRequested);
    // ReadObject for an owner that deletes what it reads: a reference to an object read before
    // is refused with badIndex, so no object gets two owners or comes to own an object that
    // holds it. A null pointer reads as null.
    CObject* ReadNewObject(const CRuntimeClass* pClassRefRequested);

    // Inside Serialize while loading an object of a versionable class: the schema the file was
    // written with. Answers once per object; (uint32_t)-1 afterwards or when none is known.
    uint32_t GetObjectSchema();
    void SetObjectSchema(uint32_t nSchema) { m_nObjectSchema = nSchema; }

    // Stored values, little-endian, by exact width. BOOL and LONG are int32_t.
    CArchive& operator<<(char v) { return PutValue(v); }
    CArchive& operator<<(int8_t v) { return PutValue(v); }
    CArchive& operator<<(uint8_t v) { return PutValue(v); }
    CArchive& operator<<(int16_t v) { return PutValue(v); }
    CArchive& operator<<(uint16_t v) { return PutValue(v); }
    CArchive& operator<<(int32_t v) { return PutValue(v); }
    CArchive& operator<<(uint32_t v) { return PutValue(v); }
    CArchive& operator<<(float v) { return PutValue(v); }
    CArchive& operator<<(double v) { return PutValue(v); }
    CArchive& operator<<(const CString& s);
    CArchive& operator<<(const CObject* pOb) {
        WriteObject(pOb);
        return *this;
    }

    CArchive& operator>>(char& v) { return GetValue(v); }
    CArchive& operator>>(int8_t& v) { return GetValue(v); }
    CArchive& operator>>(uint8_t& v) { return GetValue(v); }
    CArchive& operator>>(int16_t& v) { return GetValue(v); }
    CArchive& operator>>(uint16_t& v) { return GetValue(v); }
    CArchive& operator>>(int32_t& v) { return GetValue(v); }
    CArchive& operator>>(uint32_t& v) { return GetValue(v); }
    CArchive& operator>>(float& v) { return GetValue(v); }
    CArchive& operator>>(double& v) { return GetValue(v); }
    CArchive& operator>>(CString& s);

    // Types whose stored width would differ between platforms or be a guess: say the width.
    CArchive& operator<<(bool) = delete;
    CArchive& operator<<(long) = delete;
    CArchive& operator<<(unsigned long) = delete;
    CArchive& operator<<(long long) = delete;
    CArchive& operator<<(unsigned long long) = delete;
    CArchive& operator<<(const char*) = delete;
    CArchive& operator>>(bool&) = delete;
    CArchive& operator>>(long&) = delete;
    CArchive& operator>>(unsigned long&) = delete;
    CArchive& operator>>(long long&) = delete;
    CArchive& operator>>(unsigned long long&) = delete;

    // The name of the archive's file, for messages.
    const CString& GetFileName() const { return m_strFileName; }

private:
    enum class EntryKind : uint8_t { Null, Class, Object, Dropped };
    struct LoadEntry {
        EntryKind kind;
        uint32_t schema;
        const CRuntimeClass* pClass;
        CObject* pObject;
    };

    template <class T>
    CArchive& PutValue(T value) {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        if constexpr (std::endian::native == std::endian::big)
            ReverseBytes(bytes, sizeof(T));
        PutBytes(bytes, sizeof(T));
        return *this;
    }
    template <class T>
    CArchive& GetValue(T& value) {
        unsigned char bytes[sizeof(T)];
        GetBytes(bytes, sizeof(T));
        if constexpr (std::endian::native == std::endian::big)
            ReverseBytes(bytes, sizeof(T));
        std::memcpy(&value, bytes, sizeof(T));
        return *this;
    }
    static void ReverseBytes(unsigned char* bytes, size_t n);

    void PutBytes(const void* p, unsigned n) {
        if (n <= m_nLimit - m_nCur && IsStoring()) {
            std::memcpy(m_pBuf + m_nCur, p, n);
            m_nCur += n;
        } else {
            Write(p, n);
        }
    }
    // Exactly n bytes or endOfFile.
    void GetBytes(void* p, unsigned n) {
        if (n <= m_nLimit - m_nCur && IsLoading()) {
            std::memcpy(p, m_pBuf + m_nCur, n);
            m_nCur += n;
        } else {
            ReadExactSlow(p, n);
        }
    }
    void ReadExactSlow(void* p, unsigned n);
    void EnsureAvailableSlow(uint64_t nBytes);
    void FillBuffer();
    void WriteBuffer();
    void CheckLoading() const;
    void CheckStoring() const;
    [[noreturn]] void Fail(int cause) const;

    void WriteClass(const CRuntimeClass* pClass);
    const CRuntimeClass* ReadClass(const CRuntimeClass* pClassRefRequested, uint32_t* pSchema, uint32_t* pObTag);
    uint32_t NextMapIndex();
    CObject* ReadObject(const CRuntimeClass* pClassRefRequested, bool bShared);

    CFile* m_pFile;
    unsigned m_nMode;
    CString m_strFileName;
    std::unique_ptr<unsigned char[]> m_ownBuffer;
    unsigned char* m_pBuf;
    unsigned m_nBufSize;
    // Loading: m_nCur is the next unread byte and m_nLimit the end of the bytes read into the
    // buffer. Storing: m_nCur is the end of the buffered bytes and m_nLimit the buffer size.
    // Both 0 once the archive has let go of its file, so the inline paths fall through to the
    // checked ones.
    unsigned m_nCur = 0;
    unsigned m_nLimit = 0;
    uint64_t m_nFileLength = UINT64_MAX;  // loading: the file's length, read on first need

    uint32_t m_nMapCount = 1;  // index 0 is the null pointer
    std::unordered_map<const void*, uint32_t> m_storeMap;
    std::vector<LoadEntry> m_loadArray;
    uint64_t m_nBackReferences = 0;
    uint32_t m_nObjectSchema = UINT32_MAX;
    // The text its strings have taken so far, in either direction. Every string of our files is
    // a name, a path or a label, so a file whose strings add up past kTextBudget is damaged,
    // however much of it the file's length could hold; without the bound a large file of long
    // strings would cost its size again in memory. Storing spends the same budget, so that no
    // archive is written that its reader would refuse.
    static constexpr uint64_t kTextBudget = 16u << 20;
    uint64_t m_nTextSpent = 0;
    void SpendText(uint32_t length);
};

namespace classlib {

// The object read as a T; an object of any other class is refused with badClass.
template <class T>
T* TypedObject(CArchive& ar, CObject* pObject) {
    if (pObject == nullptr)
        return nullptr;
    T* typed = dynamic_cast<T*>(pObject);
    if (typed == nullptr)
        ThrowArchiveException(CArchiveException::badClass, ar.GetFileName());
    return typed;
}

}  // namespace classlib

// Reads an object of class T (or derived from it) into a typed pointer; an object of any other
// class is refused with badClass.
template <class T>
    requires std::derived_from<T, CObject>
CArchive& operator>>(CArchive& ar, T*& pOb) {
    pOb = classlib::TypedObject<T>(ar, ar.ReadObject(RUNTIME_CLASS(T)));
    return ar;
}
