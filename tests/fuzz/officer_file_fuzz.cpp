// Feeds arbitrary bytes to the officer-file reader. A bad file must end in CArchiveException
// with the list left empty; a file that reads must store, read back and store again to the same
// bytes. Anything else (a crash, another exception, a leak) is a finding.
//
// The seeds in corpus/officer_file_fuzz/ are written by the officer list's own writer, through
// OfficerSeedCorpusTest in tests/frontend (TARVEX_UPDATE_REFERENCES=1 writes them anew).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

std::vector<uint8_t> Store(const SHunterInfoList& list) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    list.StoreRecords(ar);
    ar.Close();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

// True when the bytes read whole into the list.
bool Load(std::vector<uint8_t> bytes, SHunterInfoList& list) {
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
    // A small buffer, so refills happen inside values and records.
    CArchive ar(&file, CArchive::load, 64);
    try {
        list.Serialize(ar);
    } catch (const CArchiveException&) {
        Check(list.GetCount() == 0);
        return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SHunterInfoList list;
    if (!Load(std::vector<uint8_t>(data, data + size), list))
        return 0;
    const std::vector<uint8_t> stored = Store(list);
    SHunterInfoList again;
    Check(Load(stored, again));
    Check(Store(again) == stored);
    return 0;
}
