#pragma once

// The fuzz targets' seed corpora are what our own writers make: each stored seed is checked
// against its writer, or written anew when references are being updated (TARVEX_UPDATE_REFERENCES=1
// or --update-references).

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/ReferenceImage.h"

namespace tarvex::test {

inline std::filesystem::path SeedCorpusFolder(const char* target) {
    return std::filesystem::path(TARVEX_FUZZ_CORPUS) / target;
}

inline void CheckSeed(const std::filesystem::path& corpus, const std::string& name, const std::vector<uint8_t>& bytes) {
    ASSERT_FALSE(bytes.empty()) << "a writer made an empty seed: " << name;
    const std::filesystem::path path = corpus / name;
    if (UpdateReferencesRequested()) {
        std::filesystem::create_directories(corpus);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.good()) << path;
    const std::vector<uint8_t> stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(stored, bytes) << path;
}

// `seeds` holds (file name, bytes) pairs.
template <typename Seeds>
void CheckSeeds(const char* target, const Seeds& seeds) {
    const std::filesystem::path corpus = SeedCorpusFolder(target);
    for (const auto& [name, bytes] : seeds) {
        CheckSeed(corpus, name, bytes);
    }
}

using SeedList = std::vector<std::pair<std::string, std::vector<uint8_t>>>;
inline void CheckSeeds(const char* target, const SeedList& seeds) { CheckSeeds<SeedList>(target, seeds); }

}  // namespace tarvex::test
