// Device-context capture to a BMP file: exact bytes of small captures from 16, 24 and 32-bit
// surfaces, including odd widths whose rows need padding.

#include <gtest/gtest.h>

#include "tests/support/ScratchFolder.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/SCaptureDIB.h"
#include "sys/classlib/CFile.h"
#include "sys/gdi/gdi.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class CaptureToBitmapFile : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (fs::path(tarvex::test::MakeScratchFolder("core-scratch")) / "capture.bmp").string();
        fs::remove(path_);
    }
    void TearDown() override { fs::remove(path_); }

    // Captures the rectangle of a context over the given pixels into the scratch file.
    bool Capture(void* pixels, int width, int height, int pitch, uint16_t bits, sys::RECT rect) {
        sys::HDC dc = sys::gdi::CreateSurfaceDC(sys::gdi::DescribeSurface(pixels, width, height, pitch, bits));
        EXPECT_NE(dc, nullptr);
        CFile file;
        EXPECT_TRUE(file.Open(path_.c_str(), CFile::modeCreate | CFile::modeWrite));
        const bool result = CaptureDCToDIB(file, dc, rect);
        file.Close();
        sys::gdi::DeleteDC(dc);
        return result;
    }

    Bytes Written() const {
        std::ifstream in(path_, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // The 14-byte file header and the 40-byte header of a 24-bit picture.
    static Bytes Headers24(uint8_t width, uint8_t height, uint8_t imageSize) {
        const uint8_t fileSize = static_cast<uint8_t>(54 + imageSize);
        return {'B', 'M', fileSize, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
                40, 0, 0, 0, width, 0, 0, 0, height, 0, 0, 0, 1, 0, 24, 0,  // size, w, h, planes, bits
                0, 0, 0, 0, imageSize, 0, 0, 0,                        // compression, image size
                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    }

    static Bytes Join(Bytes head, const Bytes& image) {
        head.insert(head.end(), image.begin(), image.end());
        return head;
    }

    std::string path_;
};

}  // namespace

TEST_F(CaptureToBitmapFile, OddWidthFromA16BitSurface) {
    // 5 x 4 pixels of RGB565; the capture takes columns 1..3 of rows 1..2.
    std::vector<uint16_t> pixels(5 * 4, 0x1234);
    pixels[1 * 5 + 1] = 0xF800;  // red
    pixels[1 * 5 + 2] = 0x07E0;  // green
    pixels[1 * 5 + 3] = 0x001F;  // blue
    pixels[2 * 5 + 1] = 0xFFFF;  // white
    pixels[2 * 5 + 2] = 0x8410;  // the top bit of each channel: 0x84, 0x82, 0x84 once widened
    pixels[2 * 5 + 3] = 0x0000;
    ASSERT_TRUE(Capture(pixels.data(), 5, 4, 10, 16, {1, 1, 4, 3}));

    // Rows of 3 x 3 bytes padded to 12, bottom row first, blue-green-red.
    const Bytes image = {0xFF, 0xFF, 0xFF, 0x84, 0x82, 0x84, 0x00, 0x00, 0x00, 0, 0, 0,
                         0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0, 0, 0};
    EXPECT_EQ(Written(), Join(Headers24(3, 2, 24), image));
}

TEST_F(CaptureToBitmapFile, SinglePixelFromA32BitSurface) {
    std::vector<uint32_t> pixels = {0x00FFFFFF, 0x00000000, 0xAB123456};
    ASSERT_TRUE(Capture(pixels.data(), 3, 1, 12, 32, {2, 0, 3, 1}));
    // The unused top byte is not copied; the row is padded from 3 to 4 bytes.
    EXPECT_EQ(Written(), Join(Headers24(1, 1, 4), {0x56, 0x34, 0x12, 0x00}));
}

TEST_F(CaptureToBitmapFile, WholeSurfaceFrom24Bits) {
    // Two rows of two pixels, each row padded to 8 bytes in memory already.
    std::vector<uint8_t> pixels = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xEE, 0xEE,
                                   0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0xEE, 0xEE};
    ASSERT_TRUE(Capture(pixels.data(), 2, 2, 8, 24, {0, 0, 2, 2}));
    const Bytes image = {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0, 0,
                         0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0, 0};
    EXPECT_EQ(Written(), Join(Headers24(2, 2, 16), image));
}

TEST_F(CaptureToBitmapFile, PartsOutsideTheSurfaceAreBlack) {
    std::vector<uint32_t> pixels = {0x00A0B0C0, 0x00FFFFFF};
    ASSERT_TRUE(Capture(pixels.data(), 2, 1, 8, 32, {-1, 0, 1, 1}));
    EXPECT_EQ(Written(), Join(Headers24(2, 1, 8), {0, 0, 0, 0xC0, 0xB0, 0xA0, 0, 0}));
}

TEST_F(CaptureToBitmapFile, EmptyRectangleWritesNothing) {
    std::vector<uint32_t> pixels(4, 0x00FFFFFF);
    EXPECT_FALSE(Capture(pixels.data(), 2, 2, 8, 32, {1, 1, 1, 2}));
    EXPECT_FALSE(Capture(pixels.data(), 2, 2, 8, 32, {1, 1, 0, 0}));
    EXPECT_TRUE(Written().empty());
}
