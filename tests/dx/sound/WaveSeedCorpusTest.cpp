// The fuzz target's seed corpus is what our WAVE writer makes; with TARVEX_UPDATE_REFERENCES=1
// in the environment the seeds are written anew instead of checked.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/dx/sound/WaveSeeds.h"

namespace {

TEST(WaveSeedCorpusTest, SeedsMatchTheWriter) {
    const std::filesystem::path corpus = std::filesystem::path(TARVEX_FUZZ_CORPUS) / "wave_fuzz";
    const char* update = std::getenv("TARVEX_UPDATE_REFERENCES");
    for (const auto& [name, bytes] : tarvex::test::WaveSeeds()) {
        const std::filesystem::path path = corpus / name;
        if (update != nullptr && std::string(update) == "1") {
            std::filesystem::create_directories(corpus);
            tarvex::test::WriteBytes(path.string(), bytes);
            continue;
        }
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in.good()) << path;
        const std::vector<uint8_t> stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(stored, bytes) << name;
    }
}

}  // namespace
