#pragma once

#include "sys/gdi/gdi.h"
#include "sys/window/window.h"

class CFile;

// Writes a rectangle of a device context into an open file as a BMP file (the screen shots).
// Pictures deeper than 8 bits are stored as 24-bit rows, bottom line first, each padded to a
// multiple of four bytes. The caller owns the file and the context; nothing is kept.
// True when the whole file was written; false, with nothing or a partial file written, when
// the rectangle is empty, memory or the device context fails, or the file cannot be written.
bool CaptureDCToDIB(CFile& file, sys::HDC dc, const sys::RECT& rect);
