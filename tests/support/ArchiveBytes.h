#pragma once

// Round trips through an in-memory archive: what a writer stores, as bytes, and a reader run
// over given bytes, so tests can pin stored layouts byte for byte.

#include <cstdint>
#include <functional>
#include <vector>

#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"

namespace tarvex::test {

using Bytes = std::vector<uint8_t>;

inline Bytes StoreArchive(const std::function<void(CArchive&)>& write)
{
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    write(ar);
    ar.Close();
    Bytes bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

inline void LoadArchive(Bytes bytes, const std::function<void(CArchive&)>& read)
{
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    read(ar);
}

}  // namespace tarvex::test
