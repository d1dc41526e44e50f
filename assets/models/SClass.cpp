#include "assets/models/SClass.h"

#include <bit>
#include <cstring>

// Values are streamed exactly as they lie in memory; the stored files are little-endian.
static_assert(std::endian::native == std::endian::little);

const sclassrecord_t sclass_t::s_classRecord = {"sclass_t", 8, {0, 0, 0, 0}};

const sclassrecord_t* sclass_t::GetClassRecord() const {
    return &s_classRecord;
}

void sclass_t::Serialize(sstream_t*) {}

size_t sfile_t::Read(void* buffer, size_t n) {
    size_t moved = 0;
    if (pFile != nullptr) {
        moved = std::fread(buffer, 1, n, pFile);
    } else if (pData != nullptr) {
        moved = n < nSize - nPos ? n : nSize - nPos;
        std::memcpy(buffer, pData + nPos, moved);
        nPos += moved;
    }
    if (moved < n)
        bShortRead = true;
    return moved;
}

size_t sfile_t::Write(const void* buffer, size_t n) {
    if (pFile != nullptr)
        return std::fwrite(buffer, 1, n, pFile);
    if (pOut != nullptr) {
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        pOut->insert(pOut->end(), bytes, bytes + n);
        return n;
    }
    return 0;
}

size_t sfile_t::Remaining() const {
    if (pFile != nullptr)
        return SIZE_MAX;
    return nSize - nPos;
}

int StreamReadBlock(sstream_t* stream, void* buffer, size_t n) {
    if (stream == nullptr || stream->pFile == nullptr)
        return -1;
    return stream->pFile->Read(buffer, n) == n ? 1 : 0;
}

int StreamWriteBlock(sstream_t* stream, const void* buffer, size_t n) {
    if (stream == nullptr || stream->pFile == nullptr)
        return -1;
    return stream->pFile->Write(buffer, n) == n ? 1 : 0;
}

size_t StreamTransfer(sstream_t* stream, void* buffer, size_t n) {
    if (stream == nullptr)
        return 0;
    if (stream->pFile == nullptr)
        return stream->uMode;
    if (stream->uMode == sstream_t::kRead)
        return stream->pFile->Read(buffer, n);
    if (stream->uMode == sstream_t::kWrite)
        return stream->pFile->Write(buffer, n);
    return stream->uMode;
}

int FileReadBlock(sfile_t* file, void* buffer, size_t n) {
    if (file == nullptr)
        return 0;
    return file->Read(buffer, n) == n ? 1 : 0;
}
