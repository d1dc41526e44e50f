// The font fuzz target's seed corpus is what the font's own writer makes; with
// TARVEX_UPDATE_REFERENCES=1 in the environment the seeds are written anew instead of checked.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "ui/SFont.h"
#include "tests/support/SeedCorpus.h"

namespace {

std::vector<uint8_t> Written(const char* sheet, int columns) {
    SFont font;
    font.SetSheetName(sheet);
    font.SetColumns(columns);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        font.Serialize(ar);
        ar.Close();
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> Seeds() {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> seeds;
    seeds.emplace_back("eight_columns.fnt", Written("menu.bmp", 8));
    seeds.emplace_back("sixteen_columns.fnt", Written("Fonts\\large.bmp", 16));
    seeds.emplace_back("one_row.fnt", Written("strip.BMP", 96));
    // A name of 300 characters takes the long string form (0xFF and a WORD).
    seeds.emplace_back("long_name.fnt", Written((std::string(296, 'n') + ".bmp").c_str(), 12));
    std::vector<uint8_t> truncated = Written("cut.bmp", 8);
    truncated.resize(truncated.size() - 2);
    seeds.emplace_back("truncated.fnt", truncated);
    return seeds;
}

TEST(FontSeedCorpusTest, SeedsMatchTheWriter) {
    tarvex::test::CheckSeeds("font_fuzz", Seeds());
}

}  // namespace
