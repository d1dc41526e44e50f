// A fixed-size picture shown in an area the desktop chose: where it lands with its aspect kept,
// and how points in the area map back into its pixels and out again.

#include <gtest/gtest.h>

#include "sys/window/letterbox.h"

namespace {

using sys::POINT;
using sys::RECT;
using sys::window::AreaToPicture;
using sys::window::FitPicture;
using sys::window::PictureToArea;

TEST(LetterboxTest, ThePictureIsScaledAsFarAsItFitsAndCentred) {
    const struct {
        int pw, ph, aw, ah;
        RECT fitted;
    } cases[] = {
        {640, 480, 640, 480, {0, 0, 640, 480}},        // the same size
        {640, 480, 1280, 1024, {0, 32, 1280, 992}},    // 5:4 display: bars above and below
        {640, 480, 1920, 1080, {240, 0, 1680, 1080}},  // wide display: bars at the sides
        {640, 480, 1000, 600, {100, 0, 900, 600}},     // a window the desktop widened
        {640, 480, 320, 480, {0, 120, 320, 360}},      // smaller than the picture
        {640, 480, 0, 480, {}},                        // nothing to show in
        {0, 480, 640, 480, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FitPicture(c.pw, c.ph, c.aw, c.ah), c.fitted) << c.aw << "x" << c.ah;
    }
}

TEST(LetterboxTest, AreaPointsMapIntoThePictureAndBack) {
    // 640 x 480 on a 1280 x 1024 display: two area pixels a picture pixel, 32 lines of bar.
    const RECT fitted = FitPicture(640, 480, 1280, 1024);
    const struct {
        POINT area;
        POINT picture;
    } cases[] = {
        {{0, 32}, {0, 0}},
        {{1, 33}, {0, 0}},
        {{2, 34}, {1, 1}},
        {{1279, 991}, {639, 479}},
        {{640, 512}, {320, 240}},
        {{100, 0}, {50, 0}},          // the bar above: the top row
        {{100, 1023}, {50, 479}},     // the bar below: the bottom row
        {{-5, 500}, {0, 234}},        // left of the display
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AreaToPicture(c.area, fitted, 640, 480), c.picture) << c.area.x << "," << c.area.y;
    }
    // Out to the centre of the pixel's area, and back to the same pixel.
    EXPECT_EQ(PictureToArea(POINT{0, 0}, fitted, 640, 480), (POINT{1, 33}));
    EXPECT_EQ(PictureToArea(POINT{639, 479}, fitted, 640, 480), (POINT{1279, 991}));
    for (const POINT p : {POINT{0, 0}, POINT{17, 401}, POINT{639, 479}}) {
        EXPECT_EQ(AreaToPicture(PictureToArea(p, fitted, 640, 480), fitted, 640, 480), p);
    }
    // Shrunk to half: every other area pixel is skipped.
    const RECT half = FitPicture(640, 480, 320, 240);
    EXPECT_EQ(AreaToPicture(POINT{160, 120}, half, 640, 480), (POINT{320, 240}));
    EXPECT_EQ(PictureToArea(POINT{321, 241}, half, 640, 480), (POINT{160, 120}));
}

}  // namespace
