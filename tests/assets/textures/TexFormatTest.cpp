#include <gtest/gtest.h>

#include <memory>

#include "assets/textures/STexFormat.h"
#include "assets/textures/STexture2.h"
#include "tests/assets/textures/TextureTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace {

using namespace tarvex::test;

// A format of one 4 x 2 layer with buffers, as a container would give it.
std::unique_ptr<STexFormat> WithLayer(const char* line) {
    std::unique_ptr<STexFormat> format(STexFormat::Parse(line));
    if (!format)
        return nullptr;
    format->m_iWidth = 4;
    format->m_iHeight = 2;
    format->m_iMIPDepth = 1;
    format->Layers().push_back(STexLayer::Create(4, 2, format->m_iBytesPerPixel, format->HasAlpha(), true));
    format->SetRecordErrors(1);
    return format;
}

TEST(TexFormatTest, ParsesFormatLines) {
    struct Case {
        const char* line;
        bool made;
        int bytesPerPixel;
        int hasAlpha;
        int alphaMask;
        int palettized;
    };
    const Case cases[] = {
        {"R5G6B5 16 0 2 5 6 5 0 11 5 0 0 31 63 31 0 ", true, 2, 0, 0, 0},
        {"A8 24 8 4 8 8 8 8 16 8 0 24 255 255 255 255", true, 4, 1, 0, 0},  // last field unended
        {"A8 24 8 4 8 8 8 8 16 8 0 24 255 255 255 255 ", true, 4, 1, 255, 0},
        {"X8 24 8 4 8 8 8 0 16 8 0 24 255 255 255 0 ", true, 4, 0, 0, 0},  // alpha width 0
        {"P8 1 0 1 0 0 0 0 0 0 0 0 0 0 0 0 ", true, 1, 0, 0, 1},
        {"I8 8 0 1 0 0 0 0 0 0 0 0 0 0 0 0 ", true, 1, 0, 0, 0},
        {"Z 16 0 2 0 6 5 0 11 5 0 0 31 63 31 0 ", false, 0, 0, 0, 0},    // red width 0
        {"W 16 0 2 9 6 5 0 11 5 0 0 31 63 31 0 ", false, 0, 0, 0, 0},    // red width 9
        {"B 16 0 5 5 6 5 0 11 5 0 0 31 63 31 0 ", false, 0, 0, 0, 0},    // 5 bytes a pixel
        {"N", false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        std::unique_ptr<STexFormat> format(STexFormat::Parse(c.line));
        ASSERT_EQ(format != nullptr, c.made) << c.line;
        if (!format)
            continue;
        EXPECT_EQ(format->m_iBytesPerPixel, c.bytesPerPixel) << c.line;
        EXPECT_EQ(format->HasAlpha(), c.hasAlpha) << c.line;
        EXPECT_EQ(format->m_Masks[STexFormat::kAlpha], c.alphaMask) << c.line;
        EXPECT_EQ(format->IsPalettized(), c.palettized) << c.line;
    }
    std::unique_ptr<STexFormat> rgb(STexFormat::Parse(kRGB565));
    EXPECT_EQ(rgb->m_strName, "R5G6B5");
    EXPECT_EQ(rgb->m_Shifts[STexFormat::kRed], 11);
    EXPECT_EQ(rgb->m_iWidth, -1);
}

TEST(TexFormatTest, ConvertsPixelsBetweenPackedAndWorkingForm) {
    struct Case {
        const char* line;
        uint32_t color;      // written
        uint32_t readBack;   // by hand: channel top bits replicated
    };
    const Case cases[] = {
        {kRGB565, 0x00FFFFFF, 0x00FFFFFF},
        {kRGB565, 0x00123456, 0x00103452},  // r 2 -> 0x10, g 13 -> 0x34, b 10 -> 0x50 + 0x02
        {kARGB4444, 0x00F08010, 0x00FF8811},
        {kARGB8888, 0x00ABCDEF, 0x00ABCDEF},
        {"R8G8B8 24 0 3 8 8 8 0 16 8 0 0 255 255 255 0 ", 0x00010203, 0x00010203},
    };
    for (const Case& c : cases) {
        std::unique_ptr<STexFormat> format = WithLayer(c.line);
        format->SetPixel(0, 3, 1, c.color);
        EXPECT_EQ(format->GetPixel(0, 3, 1) & 0x00FFFFFF, c.readBack) << c.line;
    }
    std::unique_ptr<STexFormat> rgb = WithLayer(kRGB565);
    rgb->SetPixel(0, 0, 0, 0x00FFFFFF);
    EXPECT_EQ(rgb->GetLayer(0)->rgb[0], 0xFF);
    EXPECT_EQ(rgb->GetLayer(0)->rgb[1], 0xFF);
    // Outside the layer nothing is written and nothing is read.
    rgb->SetPixel(0, 4, 0, 0x00FFFFFF);
    rgb->SetPixel(0, -1, 0, 0x00FFFFFF);
    rgb->SetPixel(0, 0, 2, 0x00FFFFFF);
    EXPECT_EQ(rgb->GetPixel(0, 1, 0), 0u);
    EXPECT_EQ(rgb->GetPixel(0, 4, 0), 0u);
    EXPECT_EQ(rgb->GetLayer(0)->rgb[8], 0u);  // padding of row 0
}

TEST(TexFormatTest, AlphaPlanes) {
    std::unique_ptr<STexFormat> format = WithLayer(kARGB4444);
    format->GetLayer(0)->alpha[0] = 15;
    format->GetLayer(0)->alpha[1] = 8;
    EXPECT_EQ(format->GetAlphaPixel(0, 0, 0), 255);
    EXPECT_EQ(format->GetAlphaPixel(0, 1, 0), 0x88);
    const uint8_t rgba[8 * 4] = {1, 2, 3, 0x7F, 4, 5, 6, 0xFF};
    EXPECT_EQ(format->SetLayerRGBA(0, rgba), 1);
    EXPECT_EQ(format->GetLayer(0)->alpha[0], 7);
    EXPECT_EQ(format->GetLayer(0)->alpha[1], 15);
    uint8_t plane[8];
    EXPECT_EQ(format->CopyLayerAlpha(0, nullptr), 8);
    EXPECT_EQ(format->CopyLayerAlpha(0, plane), 0);
    EXPECT_EQ(plane[0], 0x77);

    // Palette indices: alpha is cleared where the index is the colour key.
    std::unique_ptr<STexFormat> indexed = WithLayer("P8A 1 8 1 0 0 0 8 0 0 0 0 0 0 0 255 ");
    indexed->m_iColorKey = 5;
    const uint8_t indices[8] = {5, 6, 5, 0, 0, 0, 0, 0};
    EXPECT_EQ(indexed->SetLayerRGBA(0, indices), 1);
    EXPECT_EQ(indexed->GetLayer(0)->alpha[0], 0);
    EXPECT_EQ(indexed->GetLayer(0)->alpha[1], 255);
    EXPECT_EQ(indexed->GetPixel(0, 1, 0), 6u);
}

TEST(TexFormatTest, CopiesAndRefusals) {
    std::unique_ptr<STexFormat> rgb = WithLayer(kRGB565);
    EXPECT_EQ(rgb->CopyLayerRGB(0, nullptr, 0), 4 * 2 * 4);
    EXPECT_EQ(rgb->CopyLayerRGB(0, nullptr, 1), 4 * 2 * 4);
    EXPECT_EQ(rgb->CopyLayerRGB(1, nullptr, 0), -1);
    EXPECT_EQ(rgb->GetLastError(), "Layer Index >= m_iMIPDepth");
    EXPECT_EQ(rgb->CopyLayerRGB(-1, nullptr, 0), -1);
    EXPECT_EQ(rgb->GetLastError(), "Layer Index < 0");

    // A format whose colour bit count says 8 but packs 2 bytes: the size asked for is the size written.
    std::unique_ptr<STexFormat> odd = WithLayer("O 8 0 2 5 6 5 0 11 5 0 0 31 63 31 0 ");
    EXPECT_EQ(odd->CopyLayerRGB(0, nullptr, 0), 32);
    std::unique_ptr<STexFormat> indexed = WithLayer(kPalette8);
    EXPECT_EQ(indexed->CopyLayerRGB(0, nullptr, 0), 8);
    EXPECT_EQ(indexed->CopyLayerRGB(0, nullptr, 1), 32);

    const uint8_t pixels[32] = {};
    rgb->SetPixel(0, 0, 0, 0x00FFFFFF);
    rgb->SetLayerRGBLock(0, 1);
    EXPECT_EQ(rgb->SetLayerRGB(0, pixels), 0);
    EXPECT_EQ(rgb->GetLastError(), "RGB Buffer is Locked");
    EXPECT_EQ(rgb->GetPixel(0, 0, 0), 0x00FFFFFFu);
    EXPECT_EQ(rgb->SetLayerRGBA(0, pixels), 0);
    EXPECT_EQ(rgb->SetLayerRGB(0, nullptr), 0);
    EXPECT_EQ(rgb->GetLastError(), "Input Buffer is NULL");
    EXPECT_EQ(rgb->SetLayerAlpha(0, pixels), 0);
    EXPECT_EQ(rgb->GetLastError(), "No Alpha in Format");
    EXPECT_EQ(rgb->MakeColorKeyAlpha(), 0);
    EXPECT_EQ(rgb->GetLastError(), "Format has no Alpha");

    uint8_t palette[256][4];
    std::unique_ptr<STexFormat> eightBit = WithLayer("I8 8 0 1 0 0 0 0 0 0 0 0 0 0 0 0 ");
    EXPECT_EQ(eightBit->GetPalette(palette), 0);
    EXPECT_EQ(eightBit->GetLastError(), "Format has no Palette");
    EXPECT_EQ(indexed->GetPalette(palette), 1);
    EXPECT_EQ(palette[9][0], 9);  // grey ramp

    std::unique_ptr<STexFormat> keyed = WithLayer(kARGB8888);
    keyed->m_iColorKey = 0x00112233;
    keyed->SetPixel(0, 2, 1, 0x00112233);
    EXPECT_EQ(keyed->MakeColorKeyAlpha(), 1);
    EXPECT_EQ(keyed->GetAlphaPixel(0, 2, 1), 0);
    EXPECT_EQ(keyed->GetAlphaPixel(0, 1, 1), 255);
}

TEST(TexFormatTest, BuildsMipLevelsFromTheSourceLevel) {
    const std::string folder = MakeScratchFolder("assets-scratch");
    STexture2 texture;
    ASSERT_TRUE(ImportBmp(texture, folder, 8, 8, kARGB8888));
    STexFormat* format = texture.GetFormat(0);
    format->SetRecordErrors(1);
    ASSERT_EQ(format->GetMIPDepth(), 2);
    // Point halving takes the even pixels of level 0.
    ASSERT_EQ(format->BuildMipLayersRGB("Point", "Point"), 1);
    ASSERT_EQ(format->BuildMipLayersAlpha("Nonesuch", "Point"), 1);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(format->GetPixel(1, x, y), PatternPixel(2 * x, 2 * y) & 0x00FFFFFF);
            EXPECT_EQ(format->GetAlphaPixel(1, x, y), 255);  // a 24-bit picture is opaque
        }
    }
    // A locked level is kept.
    format->SetPixel(1, 0, 0, 0x00000001);
    format->SetLayerRGBLock(1, 1);
    ASSERT_EQ(format->BuildMipLayersRGB("Box", "Box"), 1);
    EXPECT_EQ(format->GetPixel(1, 0, 0), 1u);

    // Without any supplied level there is nothing to build from.
    format->SetLayerRGBSource(0, 0);
    EXPECT_EQ(format->BuildMipLayersRGB("Box", "Box"), 0);
    EXPECT_EQ(format->GetLastError(), "Missing Layer RGB Data");
    format->SetLayerAlphaSource(0, 0);
    EXPECT_EQ(format->BuildMipLayersAlpha("Box", "Box"), 0);
    EXPECT_EQ(format->GetLastError(), "Missing Layer Alpha Data");
}

// A one-byte format with 8 colour bits stores indexes like a palette format: built levels and
// resampled copies hold the index of the same colour.
TEST(TexFormatTest, OneByteFormatsKeepIndexesInBuiltAndResampledLevels) {
    const std::string folder = MakeScratchFolder("assets-scratch");
    STexture2 texture;
    ASSERT_TRUE(ImportBmp(texture, folder, 8, 8, "I8 8 0 1 0 0 0 0 0 0 0 0 0 0 0 0 ", 8));
    STexFormat* format = texture.GetFormat(0);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            format->SetPixel(0, x, y, 5);
    }
    ASSERT_EQ(format->BuildMipLayersRGB("Box", "Box"), 1);
    ASSERT_EQ(texture.ResampleFormat(6, 6), 1);
    for (int level = 0; level < format->GetMIPDepth(); ++level) {
        const STexLayer* layer = format->GetLayer(static_cast<int16_t>(level));
        for (int y = 0; y < layer->height; ++y) {
            for (int x = 0; x < layer->width; ++x)
                EXPECT_EQ(format->GetPixel(static_cast<int16_t>(level), x, y), 5u) << level << ": " << x << "," << y;
        }
    }
}

TEST(TexFormatTest, LoadsLayersFromPictures) {
    const std::string folder = MakeScratchFolder("assets-scratch");
    STexture2 texture;
    ASSERT_TRUE(ImportBmp(texture, folder, 8, 8, kARGB8888));
    STexFormat* format = texture.GetFormat(0);
    format->SetRecordErrors(1);
    const std::string small = folder + "/small.bmp";
    WriteFile(small, MakeBmp(4, 4, 32));
    ASSERT_EQ(format->LoadLayerRGBA(1, small.c_str()), 1);
    EXPECT_EQ(format->GetLayerRGBSource(1), 1);
    EXPECT_EQ(format->GetLayerAlphaSource(1), 1);
    EXPECT_EQ(format->GetPixel(1, 3, 2), PatternPixel(3, 2) & 0x00FFFFFF);
    EXPECT_EQ(format->GetAlphaPixel(1, 3, 2), PatternPixel(3, 2) >> 24);
    EXPECT_EQ(format->LoadLayerAlpha(0, small.c_str()), 0);
    EXPECT_EQ(format->GetLastError(), "Filename does not match Layer Resolution");
    EXPECT_EQ(format->LoadLayerRGB(0, (folder + "/missing.bmp").c_str()), 0);
    EXPECT_EQ(format->GetLastError(), "Unable to load Filename");
    format->SetLayerAlphaLock(1, 1);
    EXPECT_EQ(format->LoadLayerAlpha(1, small.c_str()), 0);
    EXPECT_EQ(format->GetLastError(), "Alpha Buffer is Locked");
}

}  // namespace
