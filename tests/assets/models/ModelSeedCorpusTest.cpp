// The seed corpora of the "SSMO" and ".bsp" fuzz targets are what our writers make; with
// TARVEX_UPDATE_REFERENCES=1 in the environment the seeds are written anew instead of checked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/assets/models/ModelSeeds.h"
#include "tests/support/SeedCorpus.h"

namespace {

TEST(ModelSeedCorpusTest, SeedsMatchTheWriters) {
    tarvex::test::CheckSeeds("ssmo_fuzz", tarvex::test::SsmoSeeds());
    tarvex::test::CheckSeeds("bsp_fuzz", tarvex::test::BspSeeds());
}

}  // namespace
