#pragma once

// The steps the career's fuzz targets share: reading script text line by line as the game-logic
// library's parser reads what it is handed, and storing an officer list to see it read back to
// the same bytes.

#include <string>

#include "core/SObjectDef.h"
#include "core/SObjectParser.h"
#include "frontend/career/SHunterInfoList.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/ArchiveBytes.h"

namespace fuzzsupport {

// The definitions the lines make are filed into `objects`, which owns them.
inline void ParseLines(SObjectDefList& objects, const std::string& text) {
    SObjectParser parser;
    parser.SetDefList(&objects);
    for (size_t at = 0; at <= text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        parser.ParseLine(text.substr(at, end - at).c_str());
        at = end + 1;
    }
}

inline void CheckOfficersStoreAsRead(const SHunterInfoList& list) {
    using tarvex::test::StoreArchive;
    const tarvex::test::Bytes stored = StoreArchive([&list](CArchive& ar) { list.StoreRecords(ar); });
    SHunterInfoList again;
    tarvex::test::LoadArchive(stored, [&again](CArchive& ar) { again.Serialize(ar); });
    Check(StoreArchive([&again](CArchive& ar) { again.StoreRecords(ar); }) == stored);
}

}  // namespace fuzzsupport
