// The fuzz target's seed corpus is what our WAVE writer makes; with TARVEX_UPDATE_REFERENCES=1
// in the environment the seeds are written anew instead of checked.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/dx/sound/WaveSeeds.h"
#include "tests/support/SeedCorpus.h"

namespace {

TEST(WaveSeedCorpusTest, SeedsMatchTheWriter) {
    tarvex::test::CheckSeeds("wave_fuzz", tarvex::test::WaveSeeds());
}

}  // namespace
