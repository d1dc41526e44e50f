// The BMP fuzz target's seed corpus is what our bitmap writer makes; with
// TARVEX_UPDATE_REFERENCES=1 in the environment the seeds are written anew instead of checked.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/ui/BmpSeeds.h"
#include "tests/support/SeedCorpus.h"

namespace {

TEST(BmpSeedCorpusTest, SeedsMatchTheWriter) {
    tarvex::test::CheckSeeds("bmp_fuzz", tarvex::test::BmpSeeds());
}

}  // namespace
