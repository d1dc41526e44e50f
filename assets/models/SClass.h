#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// The small value types of the geometry layer (matrices, boxes, planes, quaternions and the
// BSP records) write themselves as raw little-endian bytes through a plain stream record rather
// than through the class library's archive: the compiled ".bsp" files are made only of them.

// The class record every geometry value type answers with. Built once at start-up; nothing
// reads it beyond GetClassRecord.
struct sclassrecord_t {
    const char* pszName;
    uint32_t uObjectSize;
    uint32_t uReserved[4];
};

// A byte source or sink for the stream record: an open C file (not owned; whoever opened it
// closes it), or bytes in memory, which lets a whole ".bsp" be parsed before anything is kept
// and written atomically afterwards. A read that moves fewer bytes than asked leaves a mark, so
// a reader can refuse a short file.
struct sfile_t {
    std::FILE* pFile = nullptr;
    const uint8_t* pData = nullptr;   // memory source
    size_t nSize = 0;
    size_t nPos = 0;
    std::vector<uint8_t>* pOut = nullptr;  // memory sink
    bool bShortRead = false;

    sfile_t() = default;
    explicit sfile_t(std::FILE* file) : pFile(file) {}
    sfile_t(const uint8_t* data, size_t size) : pData(data), nSize(size) {}
    explicit sfile_t(std::vector<uint8_t>* out) : pOut(out) {}

    // Bytes moved.
    size_t Read(void* buffer, size_t n);
    size_t Write(const void* buffer, size_t n);
    // Memory sources only: bytes not yet read (SIZE_MAX for a C file).
    size_t Remaining() const;
};

// A stream over an sfile_t in one direction. Any mode other than read or write makes every
// Serialize a no-op.
struct sstream_t {
    enum : uint32_t { kRead = 1, kWrite = 2 };
    sfile_t* pFile = nullptr;
    uint32_t uMode = 0;
};

// 1 when all n bytes moved, 0 when fewer did, -1 without a holder.
int StreamReadBlock(sstream_t* stream, void* buffer, size_t n);
int StreamWriteBlock(sstream_t* stream, const void* buffer, size_t n);
// Reads or writes by the stream's mode; answers the bytes moved, or the mode value (moving
// nothing) without a holder or with another mode.
size_t StreamTransfer(sstream_t* stream, void* buffer, size_t n);
// Reads straight from a holder whatever the mode; 1 when all n bytes arrived.
int FileReadBlock(sfile_t* file, void* buffer, size_t n);

// Base of the value types: a virtual table and one word that is never streamed.
class sclass_t {
public:
    sclass_t() = default;
    sclass_t(const sclass_t&) = default;
    sclass_t& operator=(const sclass_t&) = default;
    virtual ~sclass_t() = default;
    // Every derived class answers with the base's record.
    virtual const sclassrecord_t* GetClassRecord() const;
    // Reads or writes the value by the stream's mode; the base moves nothing.
    virtual void Serialize(sstream_t* stream);

    static const sclassrecord_t s_classRecord;

    uint32_t m_uWord = 0;
};
