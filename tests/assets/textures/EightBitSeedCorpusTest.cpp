// The seed corpora of the mesh, skin and mip-record fuzz targets are what our writers make;
// with TARVEX_UPDATE_REFERENCES=1 in the environment they are written anew instead of checked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "assets/textures/STexture.h"
#include "sys/classlib/CMemFile.h"
#include "tests/assets/textures/TextureSourceSupport.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/SeedCorpus.h"

namespace {

using namespace tarvex::test;
using Seeds = std::vector<std::pair<std::string, Bytes>>;

Bytes Mesh(uint32_t vertices, uint32_t records) {
    Bytes b = {'D', '2', 'M', 'S'};
    Put32(b, vertices);
    Put32(b, records);
    for (uint32_t i = 0; i < vertices * 3; ++i)
        Put32(b, 0x3F800000u + (i << 16));  // floats near 1.0
    for (uint32_t i = 0; i < records * 32; ++i)
        b.push_back(static_cast<uint8_t>(i));
    return b;
}

Bytes MipRecord(const std::string& folder, int w, int h) {
    SaveBytes(folder + "/seed.bmp", MakeBitmap8(w, h, 16, [](int x, int y) { return static_cast<uint8_t>((x ^ y) & 15); },
                                                [](int i) { return static_cast<uint32_t>(i * 0x110F0D); }));
    STexture writer;
    writer.m_strFolder = folder.c_str();
    writer.m_iKeyIndex = 3;
    writer.AddFileName("seed.bmp");
    CMemFile file;
    if (writer.GenerateMipFile(&file) != 1)
        return {};
    Bytes bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

TEST(EightBitSeedCorpus, SeedsMatchTheWriters) {
    const auto diagonal = [](int x, int y) { return static_cast<uint8_t>(x + 3 * y); };
    Bytes shortSkin = MakeSkin(16, 16, 3, diagonal);
    shortSkin.resize(shortSkin.size() - 5);
    Bytes shortMesh = Mesh(4, 1);
    shortMesh.resize(shortMesh.size() - 9);
    CheckSeeds("d2ms_fuzz", {{"empty.d2ms", Mesh(0, 0)}, {"three.d2ms", Mesh(3, 2)}, {"short.d2ms", shortMesh}});
    CheckSeeds("sknm_fuzz", {{"small.skn", MakeSkin(4, 4, 1, diagonal)},
                              {"levels.skn", MakeSkin(16, 8, 2, diagonal)},
                              {"short.skn", shortSkin}});
    const std::string folder = MakeScratchFolder("assets-scratch");
    const Bytes small = MipRecord(folder, 8, 8);
    Bytes two = small;
    const Bytes wide = MipRecord(folder, 32, 8);
    two.insert(two.end(), wide.begin(), wide.end());
    ASSERT_FALSE(small.empty());
    CheckSeeds("mip_records_fuzz", {{"small.mip", small}, {"two.mip", two}});
}

}  // namespace
