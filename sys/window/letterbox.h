#pragma once

#include "sys/window/window.h"

// Showing a picture of a fixed size in an area the desktop chose (a resized window, a whole
// display): the picture is scaled as far as it fits with its aspect kept and centred, black
// around it, and points in the area are mapped back into the picture's own pixels. The Sdl
// display and window backends share it so that what is drawn and what the mouse hits agree.
namespace sys::window {

// Where the picture lands inside an area of this size (area coordinates). Empty for empty
// sizes.
RECT FitPicture(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight);

// The picture pixel under an area point; points in the black bars go to the nearest edge pixel.
POINT AreaToPicture(POINT area, const RECT& fitted, int pictureWidth, int pictureHeight);

// The area point over the centre of a picture pixel (for placing the system pointer).
POINT PictureToArea(POINT picture, const RECT& fitted, int pictureWidth, int pictureHeight);

}  // namespace sys::window
