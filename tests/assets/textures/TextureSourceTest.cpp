// The 8-bit texture's source files (skins, bitmaps, packed mip records) and the 8-bit level
// chain they are built into.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <filesystem>
#include <string>

#include "assets/textures/STexture.h"
#include "sys/classlib/CMemFile.h"
#include "sys/window/headless/headless_dialogs.h"
#include "tests/assets/textures/TextureSourceSupport.h"
#include "tests/support/ScratchFolder.h"

namespace {

using namespace tarvex::test;

uint8_t Diagonal(int x, int y) { return static_cast<uint8_t>(x + 16 * y); }

class TextureSourceTest : public testing::Test {
protected:
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = folder + "/" + name;
        SaveBytes(path, bytes);
        return path;
    }
    std::string folder = MakeScratchFolder("assets-scratch");
};

TEST_F(TextureSourceTest, SkinFilesAreCheckedBeforeTheyReplaceAnything) {
    STexture texture;
    ASSERT_EQ(texture.LoadSkin(Write("good.skn", MakeSkin(8, 8, 2, Diagonal)).c_str()), 1);
    ASSERT_EQ(texture.m_iWidth, 8);
    EXPECT_EQ(texture.m_iLevelCount, 2);
    // Level 0 is kept with its rows turned over; level 1 follows it.
    EXPECT_EQ(texture.GetLevelChain()[0], Diagonal(0, 7));
    EXPECT_EQ(texture.GetLevelChain()[64], Diagonal(0, 3));
    EXPECT_EQ(texture.GetLevelChain().size(), 64u + 16 + 32);
    // Triple (1, 254, 0) is stored as (0, 254, 1).
    EXPECT_EQ(texture.m_Palette[1][0], 0);
    EXPECT_EQ(texture.m_Palette[1][2], 1);

    Bytes truncated = MakeSkin(16, 16, 3, Diagonal);
    truncated.resize(truncated.size() - 1);
    Bytes badMagic = MakeSkin(8, 8, 1, Diagonal);
    badMagic[3] = 'X';
    struct Case {
        const char* name;
        Bytes bytes;
    };
    const Case refused[] = {
        {"3 x 8", MakeSkin(3, 8, 1, Diagonal)},
        {"513 wide", MakeSkin(513, 8, 1, Diagonal)},
        {"more levels than stored", MakeSkin(8, 8, 3, Diagonal)},
        {"no level", MakeSkin(8, 8, 0, Diagonal)},
        {"negative levels", MakeSkin(8, 8, -1, Diagonal)},
        {"version 2", MakeSkin(8, 8, 1, Diagonal, 2)},
        {"short data", truncated},
        {"magic", badMagic},
        {"header only", Bytes(badMagic.begin(), badMagic.begin() + 20)},
    };
    for (const Case& c : refused) {
        EXPECT_EQ(texture.LoadSkin(Write("bad.skn", c.bytes).c_str()), 0) << c.name;
        EXPECT_EQ(texture.m_iWidth, 8) << c.name;
        EXPECT_EQ(texture.GetLevelChain()[0], Diagonal(0, 7)) << c.name;
    }
    EXPECT_EQ(texture.LoadSkin((folder + "/none.skn").c_str()), 0);

    STexture small;
    ASSERT_EQ(small.LoadSkin(Write("small.skn", MakeSkin(4, 4, 1, Diagonal)).c_str()), 1);
    EXPECT_EQ(small.m_iLevelCount, 1);
}

TEST_F(TextureSourceTest, BitmapsAndTheSkinsBesideThem) {
    const auto grey = [](int i) { return static_cast<uint32_t>(i * 0x010101); };
    struct Case {
        const char* name;
        int w, h;
        int result;
    };
    const Case sizes[] = {{"512 x 512", 512, 512, 1}, {"513 x 512", 513, 512, 0}, {"512 x 513", 512, 513, 0},
                          {"8 x 8", 8, 8, 1}};
    for (const Case& c : sizes) {
        STexture texture;
        EXPECT_EQ(texture.LoadBitmap8(Write("size.bmp", MakeBitmap8(c.w, c.h, 256, Diagonal, grey)).c_str()),
                  c.result)
            << c.name;
    }

    // 16 colours fill entries 0 to 15; the rest of the palette stays.
    STexture texture;
    texture.m_Palette[200][1] = 42;
    ASSERT_EQ(texture.LoadBitmap8(Write("few.bmp", MakeBitmap8(8, 8, 16, Diagonal, grey)).c_str()), 1);
    EXPECT_EQ(texture.m_Palette[15][0], 15);
    EXPECT_EQ(texture.m_Palette[200][1], 42);
    // The 8-bit chain keeps the stored bottom-first order.
    EXPECT_EQ(texture.GetLevelChain()[0], Diagonal(0, 7));

    // A good skin beside the bitmap is read instead; a bad one is passed over.
    Write("wall.skn", MakeSkin(16, 16, 1, Diagonal));
    const std::string wall = Write("wall.bmp", MakeBitmap8(8, 8, 16, Diagonal, grey));
    ASSERT_EQ(texture.LoadBitmap8(wall.c_str()), 1);
    EXPECT_EQ(texture.m_iWidth, 16);
    EXPECT_EQ(texture.GetFileNames().GetHead(), CString(wall.c_str()));
    Bytes broken = MakeSkin(16, 16, 1, Diagonal);
    broken[0] = 'X';
    Write("wall.skn", broken);
    ASSERT_EQ(texture.LoadBitmap8(wall.c_str()), 1);
    EXPECT_EQ(texture.m_iWidth, 8);

    Bytes lying = MakeBitmap8(8, 8, 16, Diagonal, grey);
    lying[46] = 0x01;
    lying[47] = 0x01;  // 257 colours
    EXPECT_EQ(texture.LoadBitmap8(Write("lying.bmp", lying).c_str()), 0);
    Bytes cut = MakeBitmap8(8, 8, 16, Diagonal, grey);
    cut.resize(cut.size() - 3);
    EXPECT_EQ(texture.LoadBitmap8(Write("cut.bmp", cut).c_str()), 0);
    EXPECT_EQ(texture.m_iWidth, 8);
}

TEST_F(TextureSourceTest, PackedMipRecordsRoundTrip) {
    const auto colour = [](int i) { return static_cast<uint32_t>(i * 0x030201 + 0x40); };
    struct Case {
        int w, h, colours;
        uint32_t levels;
        uint32_t dataSize;
    };
    // 64 x 32 down to 4 x 2; 512 x 512 stops after eight levels at 4 x 4.
    const Case cases[] = {{64, 32, 16, 5, 2048 + 512 + 128 + 32 + 8},
                          {512, 512, 256, 8, 262144 + 65536 + 16384 + 4096 + 1024 + 256 + 64 + 16}};
    for (const Case& c : cases) {
        Write("src.bmp", MakeBitmap8(c.w, c.h, c.colours, Diagonal, colour));
        STexture writer;
        writer.m_strFolder = folder.c_str();
        writer.AddFileName("src.bmp");
        CMemFile file;
        const uint8_t lead[3] = {1, 2, 3};
        file.Write(lead, 3);
        ASSERT_EQ(writer.GenerateMipFile(&file), 1);
        EXPECT_EQ(writer.m_iPackOffset, 3);
        EXPECT_EQ(writer.m_iHasMipFile, 1);
        EXPECT_EQ(writer.m_iLevelCount, static_cast<int>(c.levels));
        EXPECT_EQ(writer.m_iWidth, -1);
        EXPECT_EQ(writer.m_Palette[20][0], c.colours > 20 ? 0x54 : 0);

        Bytes bytes(static_cast<size_t>(file.GetLength()));
        file.SeekToBegin();
        file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
        ASSERT_EQ(bytes.size(), 3 + 1040 + c.dataSize);
        uint32_t header[4];
        std::memcpy(header, &bytes[3], 16);
        EXPECT_EQ(header[2], c.levels);
        EXPECT_EQ(header[3], c.dataSize);
        EXPECT_EQ(bytes[3 + 16 + 4 * 15 + 3], 0);
        EXPECT_EQ(bytes[3 + 16 + 4 * 20], c.colours > 20 ? 0x54 : 0);

        STexture reader;
        ASSERT_EQ(reader.ReadMipFile(&file, 3), 1);
        EXPECT_EQ(reader.m_iWidth, c.w);
        // The record's rows are bottom first; the planes made from them top first.
        EXPECT_EQ(reader.GetLevelChain()[0], Diagonal(0, 0));
        EXPECT_EQ(reader.GetLevelChain()[c.w], Diagonal(0, 1));
    }
}

TEST_F(TextureSourceTest, DamagedMipRecordsAreRefused) {
    const auto colour = [](int i) { return static_cast<uint32_t>(i); };
    Write("src.bmp", MakeBitmap8(16, 16, 256, Diagonal, colour));
    STexture writer;
    writer.m_strFolder = folder.c_str();
    writer.AddFileName("src.bmp");
    CMemFile file;
    ASSERT_EQ(writer.GenerateMipFile(&file), 1);
    Bytes good(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(good.data(), static_cast<unsigned>(good.size()));

    const auto patched = [&](size_t at, uint32_t value) {
        Bytes b = good;
        std::memcpy(&b[at], &value, 4);
        return b;
    };
    // A whole record of 600 x 2: a side the build refuses, with the data for it.
    Bytes wide = patched(0, 600);
    for (const auto& [at, value] : {std::pair<size_t, uint32_t>{4, 2}, {8, 1}, {12, 1200}})
        std::memcpy(&wide[at], &value, 4);
    wide.resize(1040 + 1200, 7);
    struct Case {
        const char* name;
        Bytes bytes;
        int32_t offset;
    };
    const Case cases[] = {
        {"nine levels", patched(8, 9), 0},
        {"more levels than the size has", patched(8, 5), 0},
        {"no level", patched(8, 0), 0},
        {"data size too small", patched(12, 100), 0},
        {"data past the end", patched(12, 0x7FFFFFFF), 0},
        {"zero width", patched(0, 0), 0},
        {"huge height", patched(4, 0x40000000), 0},
        {"600 x 2", wide, 0},
        {"cut short", Bytes(good.begin(), good.end() - 1), 0},
        {"offset past the end", good, static_cast<int32_t>(good.size())},
        {"negative offset", good, -4},
    };
    STexture reader;
    CMemFile first(good.data(), static_cast<unsigned>(good.size()));
    ASSERT_EQ(reader.ReadMipFile(&first, 0), 1);
    for (const Case& c : cases) {
        Bytes bytes = c.bytes;
        CMemFile damaged(bytes.data(), static_cast<unsigned>(bytes.size()));
        EXPECT_EQ(reader.ReadMipFile(&damaged, c.offset), 0) << c.name;
        EXPECT_EQ(reader.m_iWidth, 16) << c.name;
        EXPECT_EQ(reader.m_iHeight, 16) << c.name;
        EXPECT_EQ(reader.m_iLevelCount, 3) << c.name;
    }

    // The writer's refusals, with their messages.
    sys::dialogs::headless::Reset();
    STexture empty;
    CMemFile out;
    EXPECT_EQ(empty.GenerateMipFile(&out), 0);
    Write("big.bmp", MakeBitmap8(520, 4, 256, Diagonal, colour));
    STexture big;
    big.m_strFolder = folder.c_str();
    big.AddFileName("big.bmp");
    EXPECT_EQ(big.GenerateMipFile(&out), 0);
    std::filesystem::create_directories(folder + "/blocked.mip");
    EXPECT_EQ(writer.WriteMipFile("blocked.mip"), 0);
    const auto shown = sys::dialogs::headless::Shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, "There does not appear to be an image to generate the MIPs from!");
    EXPECT_EQ(shown[1].text, "Error: " + folder + "\\big.bmp is too big to mip.  Size must be < 512");
    EXPECT_EQ(shown[2].text, "There was an error saving " + folder + "\\blocked.mip!");

    // Written whole into its own file, the record starts at offset 0.
    ASSERT_EQ(writer.WriteMipFile("out.mip"), 1);
    EXPECT_EQ(writer.m_iPackOffset, 0);
    EXPECT_EQ(ReadFile(folder + "/out.mip"), good);
}

TEST_F(TextureSourceTest, EightBitChainReductions) {
    // The reader's own palette (entries 0 to 3 distinct greys) decides nearest colours.
    struct Case {
        const char* name;
        uint8_t block[4];
        int key;
        uint8_t expected;
    };
    // Greys 0, 40, 80, 120 at entries 0..3; key index 3.
    const Case cases[] = {
        {"one opaque pixel", {1, 3, 3, 3}, 3, 3},
        {"two opaque average", {0, 2, 3, 3}, 3, 1},
        {"no key averages all four", {0, 0, 2, 2}, -1, 1},
        {"truncated average", {1, 2, 2, 3}, 3, 2},
    };
    for (const Case& c : cases) {
        STexture texture;
        for (int i = 0; i < 256; ++i)
            for (int k = 0; k < 3; ++k)
                texture.m_Palette[i][k] = static_cast<uint8_t>(i < 4 ? i * 40 : 255);
        texture.m_iKeyIndex = static_cast<int16_t>(c.key);
        texture.m_iWidth = 4;
        texture.m_iHeight = 4;
        // An 8 x 8 plane made of the 2 x 2 block repeated, so the 4 x 4 top level is reduced.
        PrePlaneTexture plane;
        plane.m_iWidth = 8;
        plane.m_iHeight = 8;
        plane.m_Pixels.resize(64);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                plane.m_Pixels[y * 8 + x] = c.block[(y & 1) * 2 + (x & 1)];
        texture.Planes().push_back(plane);
        ASSERT_EQ(texture.BuildFromPlanes(), 1) << c.name;
        EXPECT_EQ(texture.GetLevelChain()[5], c.expected) << c.name;
        EXPECT_TRUE(texture.Planes().empty());
    }

    // Reduced detail halves a 512 x 512 texture once, built from the big plane.
    STexture texture;
    for (int i = 0; i < 256; ++i)
        texture.m_Palette[i][0] = static_cast<uint8_t>(i);
    texture.m_iReduceDetail = 1;
    texture.m_iWidth = 512;
    texture.m_iHeight = 512;
    PrePlaneTexture plane;
    plane.m_iWidth = 512;
    plane.m_iHeight = 512;
    plane.m_Pixels.assign(512 * 512, 7);
    texture.Planes().push_back(plane);
    ASSERT_EQ(texture.BuildFromPlanes(), 1);
    EXPECT_EQ(texture.m_iWidth, 256);
    EXPECT_EQ(texture.m_iLevelCount, 7);
    EXPECT_EQ(texture.m_fTexelFactor, 2.0f);
    EXPECT_EQ(texture.GetLevelChain()[0], 7);

    // The writer's reduction keeps a pixel only when more than a third of its block is opaque.
    const uint8_t palette[4][4] = {{0, 0, 0, 0}, {40, 40, 40, 0}, {80, 80, 80, 0}, {120, 120, 120, 0}};
    g_byMipRangeFirst = 0;
    g_byMipRangeEnd = 3;
    const uint8_t source[2][4] = {{1, 3, 3, 3}, {1, 2, 3, 3}};
    uint8_t out = 0;
    ReduceIndexedImage(source[0], &out, 2, 2, 1, 1, palette, 3);
    EXPECT_EQ(out, 3);
    const uint8_t wide[6] = {0, 2, 3, 3, 3, 3};
    ReduceIndexedImage(wide, &out, 6, 1, 1, 1, palette, 3);
    EXPECT_EQ(out, 3);  // two of six: not more than a third
    ReduceIndexedImage(source[1], &out, 2, 2, 1, 1, palette, 3);
    EXPECT_EQ(out, 1);  // (40 + 80) / 2 = 60: entry 1 wins the tie with entry 2
    g_byMipRangeEnd = 255;
}

}  // namespace
