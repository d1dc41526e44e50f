// The texture fuzz targets' seed corpora are what our writers make; with
// TARVEX_UPDATE_REFERENCES=1 in the environment the seeds are written anew instead of checked.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/assets/textures/TextureSeeds.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/SeedCorpus.h"

namespace {

using namespace tarvex::test;

TEST(TextureSeedCorpusTest, SeedsMatchTheWriters) {
    CheckSeeds("stex_fuzz", StexSeeds(MakeScratchFolder("assets-scratch")));
    CheckSeeds("image_import_fuzz", ImageSeeds());
}

}  // namespace
