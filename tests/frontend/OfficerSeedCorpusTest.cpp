// The officer-file fuzz target's seed corpus is what the officer list's own writer makes; with
// TARVEX_UPDATE_REFERENCES=1 in the environment the seeds are written anew instead of checked.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/frontend/OfficerSeeds.h"

namespace {

TEST(OfficerSeedCorpusTest, SeedsMatchTheWriterAndReadBack) {
    const std::filesystem::path corpus = std::filesystem::path(TARVEX_FUZZ_CORPUS) / "officer_file_fuzz";
    const char* update = std::getenv("TARVEX_UPDATE_REFERENCES");
    for (const auto& [name, bytes] : tarvex::test::OfficerSeeds()) {
        SCOPED_TRACE(name);
        const std::filesystem::path path = corpus / name;
        if (update != nullptr && std::string(update) == "1") {
            std::filesystem::create_directories(corpus);
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            continue;
        }
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in.good()) << path;
        const std::vector<uint8_t> stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(stored, bytes);
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
