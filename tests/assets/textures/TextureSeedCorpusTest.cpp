// The texture fuzz targets' seed corpora are what our writers make; with
// TARVEX_UPDATE_REFERENCES=1 in the environment the seeds are written anew instead of checked.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/assets/textures/TextureSeeds.h"
#include "tests/support/ScratchFolder.h"

namespace {

using namespace tarvex::test;

void CheckCorpus(const char* target, const Seeds& seeds) {
    const std::filesystem::path corpus = std::filesystem::path(TARVEX_FUZZ_CORPUS) / target;
    const char* update = std::getenv("TARVEX_UPDATE_REFERENCES");
    for (const auto& [name, bytes] : seeds) {
        ASSERT_FALSE(bytes.empty()) << name;
        const std::filesystem::path path = corpus / name;
        if (update != nullptr && std::string(update) == "1") {
            std::filesystem::create_directories(corpus);
            WriteFile(path.string(), bytes);
            continue;
        }
        EXPECT_EQ(ReadFile(path.string()), bytes) << path;
    }
}

TEST(TextureSeedCorpusTest, SeedsMatchTheWriters) {
    CheckCorpus("stex_fuzz", StexSeeds(MakeScratchFolder("assets-scratch")));
    CheckCorpus("image_import_fuzz", ImageSeeds());
}

}  // namespace
