// The seed corpora of the "SSMO" and ".bsp" fuzz targets are what our writers make; with
// TARVEX_UPDATE_REFERENCES=1 in the environment the seeds are written anew instead of checked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/assets/models/ModelSeeds.h"

namespace {

void CheckSeeds(const char* target, const std::vector<tarvex::test::Seed>& seeds) {
    const std::filesystem::path corpus = std::filesystem::path(TARVEX_FUZZ_CORPUS) / target;
    const char* update = std::getenv("TARVEX_UPDATE_REFERENCES");
    for (const auto& [name, bytes] : seeds) {
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
        EXPECT_EQ(stored, bytes) << name;
    }
}

TEST(ModelSeedCorpusTest, SeedsMatchTheWriters) {
    CheckSeeds("ssmo_fuzz", tarvex::test::SsmoSeeds());
    CheckSeeds("bsp_fuzz", tarvex::test::BspSeeds());
}

}  // namespace
