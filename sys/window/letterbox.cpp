#include "sys/window/letterbox.h"

#include <algorithm>
#include <cstdint>

namespace sys::window {

RECT FitPicture(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) {
        return RECT{};
    }
    // Compared by cross products so that exact fits stay exact.
    const int64_t byWidth = static_cast<int64_t>(areaWidth) * pictureHeight;
    const int64_t byHeight = static_cast<int64_t>(areaHeight) * pictureWidth;
    int width = areaWidth;
    int height = areaHeight;
    if (byWidth > byHeight) {
        width = static_cast<int>((byHeight + pictureHeight / 2) / pictureHeight);
    } else if (byWidth < byHeight) {
        height = static_cast<int>((byWidth + pictureWidth / 2) / pictureWidth);
    }
    width = std::max(width, 1);
    height = std::max(height, 1);
    const int left = (areaWidth - width) / 2;
    const int top = (areaHeight - height) / 2;
    return RECT{left, top, left + width, top + height};
}

namespace {

int ToPicture(int area, int fittedStart, int fittedSize, int pictureSize) {
    if (fittedSize <= 0) {
        return 0;
    }
    const int64_t offset = static_cast<int64_t>(area - fittedStart) * pictureSize;
    // Floor division, so that points left of the picture do not round towards it.
    int64_t pixel = offset >= 0 ? offset / fittedSize : -((-offset + fittedSize - 1) / fittedSize);
    return static_cast<int>(std::clamp<int64_t>(pixel, 0, pictureSize - 1));
}

int ToArea(int picture, int fittedStart, int fittedSize, int pictureSize) {
    if (pictureSize <= 0) {
        return fittedStart;
    }
    return fittedStart + static_cast<int>((static_cast<int64_t>(picture) * 2 + 1) * fittedSize / (2 * pictureSize));
}

}  // namespace

POINT AreaToPicture(POINT area, const RECT& fitted, int pictureWidth, int pictureHeight) {
    return POINT{ToPicture(area.x, fitted.left, fitted.right - fitted.left, pictureWidth),
                 ToPicture(area.y, fitted.top, fitted.bottom - fitted.top, pictureHeight)};
}

POINT PictureToArea(POINT picture, const RECT& fitted, int pictureWidth, int pictureHeight) {
    return POINT{ToArea(picture.x, fitted.left, fitted.right - fitted.left, pictureWidth),
                 ToArea(picture.y, fitted.top, fitted.bottom - fitted.top, pictureHeight)};
}

}  // namespace sys::window
