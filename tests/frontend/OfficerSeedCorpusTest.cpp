// The officer-file fuzz target's seed corpus is what the officer list's own writer makes; with
// TARVEX_UPDATE_REFERENCES=1 in the environment the seeds are written anew instead of checked.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/frontend/OfficerSeeds.h"
#include "tests/support/SeedCorpus.h"

namespace {

TEST(OfficerSeedCorpusTest, SeedsMatchTheWriterAndReadBack) {
    const std::filesystem::path corpus = tarvex::test::SeedCorpusFolder("officer_file_fuzz");
    for (const auto& [name, bytes] : tarvex::test::OfficerSeeds()) {
        SCOPED_TRACE(name);
        tarvex::test::CheckSeed(corpus, name, bytes);
        // Every whole seed reads back to the same bytes; the cut one is refused.
        SHunterInfoList list;
        if (name == "cut_short") {
            EXPECT_THROW(tarvex::test::LoadArchive(bytes, [&](CArchive& ar) { list.Serialize(ar); }),
                         CArchiveException);
            continue;
        }
        tarvex::test::LoadArchive(bytes, [&](CArchive& ar) { list.Serialize(ar); });
        EXPECT_EQ(tarvex::test::StoreArchive([&](CArchive& ar) { list.StoreRecords(ar); }), bytes);
    }
}

}  // namespace
