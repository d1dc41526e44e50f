// Reference images of a small perspective scene: Gouraud-shaded triangles that cut through
// each other under the z-test, a ground triangle clipped by the near and far planes, and one
// clipped by the left and top sides, on a 16-bit dithered and a 32-bit target. Pixels whose
// answer follows from the geometry are checked by hand before the images are compared.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/ReferenceImage.h"
#include "tests/support/ScratchFolder.h"
#include "tests/sys/raster/RasterTestCanvas.h"

namespace {

using namespace tarvex::test;

constexpr uint32_t kBackground = 0x00202040;

// 96 x 72 with the raster's aspect record (clip y 0.75, height 1.5), a 90-degree projection
// with near 1 and far 7.5: screen x = 48 + 48 x/z, y = 36 - 48 y/z.
void DrawScene(RasterCanvas& canvas, uint32_t fillMode) {
    Rasterizer& r = canvas.raster;
    ASSERT_TRUE(SetUpReferenceView(r, 7.5f));
    r.SetRenderState(D3DRENDERSTATE_FILLMODE, fillMode);
    ASSERT_TRUE(r.Clear(sys::RECT{0, 0, 96, 72}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f));

    // Ground y = -1 from 9 units behind the eye to 11 ahead: blue, cyan, white corners.
    ASSERT_TRUE(canvas.Triangles({V(-10, -1, 0x000000FF, 11), V(10, -1, 0x0000FFFF, 11), V(0, -1, 0x00FFFFFF, -9)}));
    // Red-to-yellow triangle in the plane z = 4 + x, green-to-cyan one in z = 4 - x: they cross
    // along x = 0, red in front on the left, green on the right.
    ASSERT_TRUE(canvas.Triangles({V(-2, -1, 0x00FF0000, 2), V(2, -1, 0x00FFFF00, 6), V(0, 1.5f, 0x00FF8000, 4)}));
    ASSERT_TRUE(canvas.Triangles({V(-2, 1, 0x0000FF00, 6), V(2, 1, 0x0000FFFF, 2), V(0, -1.5f, 0x0000FF80, 4)}));
    // Reaching out past the left and top edges: magenta, orange, yellow.
    ASSERT_TRUE(canvas.Triangles({V(-8, 4, 0x00FF00FF, 5), V(-2, 3, 0x00FF8000, 5), V(-4, 1, 0x00FFFF00, 5)}));
}

uint32_t Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

void CheckHandWorkedPixels(const Image& image, bool exactBackground) {
    // (44, 36) sees red-yellow at z = 48/13 and green-cyan behind it at 48/11: red wins.
    EXPECT_EQ(Channel(image.At(44, 36), 16), 255u);
    EXPECT_EQ(Channel(image.At(44, 36), 0), 0u);
    // (52, 36) mirrors it: green in front.
    EXPECT_EQ(Channel(image.At(52, 36), 16), 0u);
    EXPECT_EQ(Channel(image.At(52, 36), 8), 255u);
    // (48, 71): ground at z = 48/35, past the near plane and inside; every ground corner is
    // full blue.
    EXPECT_EQ(Channel(image.At(48, 71), 0), 255u);
    // (70, 43): ground at z = 6.86, just inside the far plane; (70, 42) is at z = 8: beyond it.
    EXPECT_EQ(Channel(image.At(70, 43), 0), 255u);
    EXPECT_NE(image.At(70, 43), image.At(70, 42));
    // (10, 15) inside the side-clipped triangle (all its corners full red); (2, 2) above it.
    EXPECT_EQ(Channel(image.At(10, 15), 16), 255u);
    if (exactBackground) {
        EXPECT_EQ(image.At(70, 42), kBackground);
        EXPECT_EQ(image.At(2, 2), kBackground);
        EXPECT_EQ(image.At(95, 0), kBackground);
    }
}

TEST(RasterReferenceImage, ShadedClippedZTestedScene32) {
    RasterCanvas canvas(96, 72, PixelFormat::XRGB8888);
    DrawScene(canvas, D3DFILL_SOLID);
    const Image image = ImageFromXRGB8888(canvas.pixels.data(), 96, 72, canvas.pitch);
    CheckHandWorkedPixels(image, true);
    // Tolerance: 2 per channel on 1% of the pixels, for rounding at shading boundaries.
    EXPECT_TRUE(MatchesReference(image, "raster/scene_xrgb8888.bmp", 2, 69));
    EXPECT_TRUE(canvas.PaddingIntact());
}

TEST(RasterReferenceImage, ShadedClippedZTestedScene16Dithered) {
    RasterCanvas canvas(96, 72, PixelFormat::RGB565);
    DrawScene(canvas, D3DFILL_SOLID);
    const Image image = ImageFromRGB565(canvas.pixels.data(), 96, 72, canvas.pitch);
    CheckHandWorkedPixels(image, false);
    // One 6-bit step is 4 and one 5-bit step 8 once widened; a dither flip is one step.
    EXPECT_TRUE(MatchesReference(image, "raster/scene_rgb565.bmp", 8, 69));
}

TEST(RasterReferenceImage, WireframeScene) {
    RasterCanvas canvas(96, 72, PixelFormat::XRGB8888);
    DrawScene(canvas, D3DFILL_WIREFRAME);
    const Image image = ImageFromXRGB8888(canvas.pixels.data(), 96, 72, canvas.pitch);
    // Interiors stay background; clip-made edges (the left and top screen borders) are not
    // drawn, so the top-left corner is background too.
    EXPECT_EQ(image.At(44, 36), kBackground);
    EXPECT_EQ(image.At(0, 0), kBackground);
    EXPECT_TRUE(MatchesReference(image, "raster/scene_wireframe.bmp", 2, 4));
}

TEST(RasterReferenceImage, HelperRoundTripsAndCountsDifferences) {
    const std::string folder = MakeScratchFolder("raster");
    Image image{3, 2, {0x00010203, 0x00FFFFFF, 0x00000000, 0x00804020, 0x00102030, 0x00FF0000}};
    const std::string path = folder + "/three.bmp";
    ASSERT_TRUE(WriteBmp(path, image));
    Image back;
    ASSERT_TRUE(ReadBmp(path, back));
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 2);
    EXPECT_EQ(back.pixels, image.pixels);
    // 3 x 3 bytes padded to 12 per row, two rows, after a 54-byte header.
    EXPECT_EQ(std::filesystem::file_size(path), 54u + 24u);
    ASSERT_TRUE(WritePng(folder + "/three.png", image));
    Image fromPng;
    ASSERT_TRUE(ReadPng(folder + "/three.png", fromPng));
    EXPECT_EQ(fromPng.pixels, image.pixels);
    EXPECT_FALSE(ReadPng(path, fromPng));  // a BMP is no PNG
    const std::string cut = folder + "/cut.png";
    std::filesystem::copy_file(folder + "/three.png", cut, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) - 20);
    EXPECT_FALSE(ReadPng(cut, fromPng));
    Image reference;  // written before the pictures were made with libpng
    ASSERT_TRUE(ReadPng(std::string(TARVEX_TEST_DATA) + "/frontend/main_menu.png", reference));
    EXPECT_EQ(reference.width, 640);
    EXPECT_EQ(reference.height, 480);

    Image changed = image;
    changed.pixels[4] = 0x00102033;  // one channel 3 away
    EXPECT_TRUE(ImagesMatch(changed, image, 3, 0));
    EXPECT_FALSE(ImagesMatch(changed, image, 2, 0));
    EXPECT_TRUE(ImagesMatch(changed, image, 2, 1));
    EXPECT_FALSE(ImagesMatch(Image{2, 3, std::vector<uint32_t>(6)}, image, 255, 6));

    // A file cut short of what its header promises is refused.
    std::filesystem::resize_file(path, 54 + 12);
    EXPECT_FALSE(ReadBmp(path, back));
    // 16-bit pixels widen with their top bits repeated.
    const uint16_t wide[2] = {0xF800, 0x8410};
    const Image widened = ImageFromRGB565(wide, 2, 1, 4);
    EXPECT_EQ(widened.At(0, 0), 0x00FF0000u);
    EXPECT_EQ(widened.At(1, 0), 0x00848284u);
}

}  // namespace
