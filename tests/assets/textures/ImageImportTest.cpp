#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "assets/textures/STexImage.h"
#include "assets/textures/STexture2.h"
#include "tests/assets/textures/TextureTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace {

using namespace tarvex::test;

class ImageImportTest : public testing::Test {
protected:
    void SetUp() override { folder_ = MakeScratchFolder("assets-scratch"); }

    std::unique_ptr<STexImage> Read(const Bytes& bytes) {
        const std::string path = folder_ + "/picture";
        WriteFile(path, bytes);
        return ReadImageFile(path.c_str());
    }

    std::string folder_;
};

Bytes TgaPixels24(std::initializer_list<uint32_t> pixels) {
    Bytes b;
    for (uint32_t p : pixels) {
        b.push_back(static_cast<uint8_t>(p));
        b.push_back(static_cast<uint8_t>(p >> 8));
        b.push_back(static_cast<uint8_t>(p >> 16));
    }
    return b;
}

uint32_t PixelAt(const STexImage& image, int x, int y) {
    const uint8_t* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 4];
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

TEST_F(ImageImportTest, DecodesBmpFiles) {
    struct Case {
        int width, height, bits;
    };
    // Width 5 makes padded rows at every depth but 32.
    const Case cases[] = {{5, 3, 24}, {5, 3, 32}, {5, 3, 8}, {4, 4, 24}};
    for (const Case& c : cases) {
        std::unique_ptr<STexImage> image = Read(MakeBmp(c.width, c.height, c.bits));
        ASSERT_TRUE(image) << c.bits;
        ASSERT_EQ(image->width, c.width);
        ASSERT_EQ(image->height, c.height);
        EXPECT_EQ(image->paletted, c.bits == 8 ? 1 : 0);
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const uint32_t p = PatternPixel(x, y);
                if (c.bits == 8)
                    EXPECT_EQ(image->pixels[y * c.width + x], p & 0xFF);
                else
                    EXPECT_EQ(PixelAt(*image, x, y), c.bits == 32 ? p : (p | 0xFF000000));
            }
        }
        if (c.bits == 8) {
            EXPECT_EQ(image->palette[200][1], 55);
            EXPECT_EQ(image->palette[200][3], 7);
        }
    }
}

TEST_F(ImageImportTest, RefusesUnsoundPictures) {
    Bytes tooManyColours = MakeBmp(4, 4, 8, 300);
    Bytes zeroWide = MakeBmp(4, 4, 24);
    zeroWide[18] = 0;
    Bytes negativeHigh = MakeBmp(4, 4, 24);
    negativeHigh[22] = 0xFC, negativeHigh[23] = negativeHigh[24] = negativeHigh[25] = 0xFF;
    Bytes huge = MakeBmp(4, 4, 24);
    huge[19] = huge[20] = 0x40;  // 4 + 0x404000 pixels a row
    const Bytes cases[] = {
        tooManyColours,
        zeroWide,
        negativeHigh,
        huge,
        MakeTga(1, 4, 4, 24, 0, Bytes(48)),   // colour-mapped
        MakeTga(2, 4, 4, 8, 0, Bytes(16)),    // 8-bit true colour
        MakeTga(2, 0, 4, 24, 0, Bytes()),     // no width
        Bytes{'B', 'M', 1},
        Bytes(),
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_FALSE(Read(cases[i])) << "case " << i;

    // A sound picture grown (by resizing, which costs no disk) to the longest file a picture
    // takes still reads; one byte more and it is refused unread.
    const std::string path = folder_ + "/grown";
    for (uint64_t size : {STexImage::kMaxFileBytes, STexImage::kMaxFileBytes + 1}) {
        WriteFile(path, MakeBmp(4, 4, 24));
        std::filesystem::resize_file(path, size);
        EXPECT_EQ(ReadImageFile(path.c_str()) != nullptr, size == STexImage::kMaxFileBytes) << size;
    }
}

TEST_F(ImageImportTest, DecodesTgaFiles) {
    const uint32_t a = 0x102030, b = 0x405060, c = 0x708090, d = 0xA0B0C0;
    // Bottom-up rows (descriptor 0) come out flipped; top-down ones (0x20) as stored.
    for (int descriptor : {0x20, 0}) {
        std::unique_ptr<STexImage> plain = Read(MakeTga(2, 2, 2, 24, descriptor, TgaPixels24({a, b, c, d})));
        ASSERT_TRUE(plain);
        const bool top = descriptor == 0x20;
        EXPECT_EQ(PixelAt(*plain, 0, 0), (top ? a : c) | 0xFF000000);
        EXPECT_EQ(PixelAt(*plain, 1, 1), (top ? d : b) | 0xFF000000);

        // One repeated packet of three, one raw packet of one.
        Bytes packets = {0x82};
        Bytes run = TgaPixels24({a});
        packets.insert(packets.end(), run.begin(), run.end());
        packets.push_back(0x00);
        Bytes raw = TgaPixels24({d});
        packets.insert(packets.end(), raw.begin(), raw.end());
        std::unique_ptr<STexImage> rle = Read(MakeTga(10, 2, 2, 24, descriptor, packets));
        ASSERT_TRUE(rle);
        EXPECT_EQ(PixelAt(*rle, 1, top ? 0 : 1), a | 0xFF000000);
        EXPECT_EQ(PixelAt(*rle, 1, top ? 1 : 0), d | 0xFF000000);
    }
    // 16-bit pixels: five bits a channel, the top bit ignored.
    std::unique_ptr<STexImage> sixteen = Read(MakeTga(2, 1, 1, 16, 0x20, Bytes{0xFF, 0x7F}));
    ASSERT_TRUE(sixteen);
    EXPECT_EQ(PixelAt(*sixteen, 0, 0), 0xFFF8F8F8u);
    // A run past the last pixel is cut at it; a file cut short leaves zeros.
    std::unique_ptr<STexImage> overrun = Read(MakeTga(10, 2, 2, 32, 0x20, Bytes{0xFF, 1, 2, 3, 4}));
    ASSERT_TRUE(overrun);
    EXPECT_EQ(PixelAt(*overrun, 1, 1), 0x04030201u);
    std::unique_ptr<STexImage> shortFile = Read(MakeTga(2, 2, 2, 32, 0x20, Bytes{1, 2, 3, 4}));
    ASSERT_TRUE(shortFile);
    EXPECT_EQ(PixelAt(*shortFile, 0, 0), 0x04030201u);
    EXPECT_EQ(PixelAt(*shortFile, 1, 1), 0u);
}

TEST_F(ImageImportTest, ImportsIntoTextures) {
    struct Case {
        int width, height, bits;
        const char* line;
        int depth;
        const char* error;
    };
    const Case cases[] = {
        {64, 32, 24, kRGB565, 4, ""},
        {4, 4, 24, kRGB565, 1, ""},
        {2, 64, 24, kRGB565, 0, "Filename is too small"},
        {16, 16, 24, kPalette8, 0, "Format has Palette - Filename does not"},
        {16, 8, 8, kPalette8, 2, ""},
        {16, 8, 8, kARGB8888, 2, ""},
        {16, 8, 32, kARGB8888, 2, ""},
        {16, 8, 24, kARGB8888, 2, ""},
    };
    for (const Case& c : cases) {
        const std::string path = folder_ + "/import.bmp";
        WriteFile(path, MakeBmp(c.width, c.height, c.bits));
        STexture2 texture;
        texture.m_iRecordErrors = 1;
        STexFormat* format = STexFormat::Parse(c.line);
        const int result = texture.ImportImage(path.c_str(), format);
        EXPECT_EQ(texture.GetLastError(), c.error) << c.width << "x" << c.height << " " << c.line;
        if (!result) {
            EXPECT_EQ(texture.GetNumFormats(), 0);
            delete format;  // a refused import leaves it with the caller
            continue;
        }
        ASSERT_EQ(texture.GetFormat(0), format);
        EXPECT_EQ(texture.GetMIPDepth(), c.depth);
        EXPECT_EQ(format->GetMIPDepth(), c.depth);
        EXPECT_EQ(format->GetLayer(c.depth - 1)->width, c.width >> (c.depth - 1));
        EXPECT_EQ(format->GetLayerRGBSource(0), 1);
        EXPECT_EQ(format->GetLayer(0)->pitch, (format->m_iBytesPerPixel * c.width + 3) & ~3);
        const uint32_t p = PatternPixel(3, 2);
        if (c.bits == 8 && format->IsPalettized()) {
            EXPECT_EQ(format->GetPixel(0, 3, 2), p & 0xFF);
            uint8_t palette[256][4];
            format->GetPalette(palette);
            EXPECT_EQ(palette[10][2], 30);
        } else if (c.bits == 8) {
            // Through the palette: (i, 255 - i, i * 3) with its fourth byte 7 as alpha.
            const uint32_t i = p & 0xFF;
            EXPECT_EQ(format->GetPixel(0, 3, 2), i | ((255 - i) << 8) | (((i * 3) & 0xFF) << 16));
            EXPECT_EQ(format->GetAlphaPixel(0, 3, 2), 7);
        } else if (format->HasAlpha()) {
            EXPECT_EQ(format->GetPixel(0, 3, 2), p & 0x00FFFFFF);
            EXPECT_EQ(format->GetAlphaPixel(0, 3, 2), c.bits == 32 ? p >> 24 : 255u);
        }
    }
    // A missing file, and a picture whose rows would not fit a 16-bit pitch in this format.
    const std::string wide = folder_ + "/wide.tga";
    WriteFile(wide, MakeTga(2, 16384, 4, 24, 0x20, Bytes()));
    for (const std::string& path : {folder_ + "/none.bmp", wide}) {
        STexture2 texture;
        texture.m_iRecordErrors = 1;
        STexFormat* format = STexFormat::Parse(kRGB565);
        EXPECT_EQ(texture.ImportImage(path.c_str(), format), 0);
        EXPECT_EQ(texture.GetLastError(), "Unable to load Filename");
        delete format;
    }
}

}  // namespace
