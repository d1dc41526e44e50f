#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Printing one page picture on the user's default printer. The printing service is asked for
// its default printer; without one nothing can be printed, which callers treat as an ordinary
// outcome. The game backend prints through CUPS when the program was built with it; the
// headless backend has no printer unless a test installs one, and keeps every page it is handed
// so tests can see what would have been printed.
namespace sys::print {

// The page settings the game asks for: portrait, draft quality, coarse dithering.
constexpr int kOrientationPortrait = 1;
constexpr int kQualityLow = -2;
constexpr int kDitherCoarse = 2;

struct Printer {
    std::string name;
    int dpiX = 0;  // the printer's pixels per inch
    int dpiY = 0;
    bool canCopyBitmaps = false;
};

struct PageSettings {
    int orientation = kOrientationPortrait;
    int quality = kQualityLow;
    int dither = kDitherCoarse;
};

// A page picture: rows of 32-bit XRGB pixels (blue in the low byte), top row first, and the
// size in printer pixels it is to cover from the page's top-left corner.
struct Page {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    int printedWidth = 0;
    int printedHeight = 0;
};

// The default printer; false when there is none.
bool FindDefaultPrinter(Printer& out);
// Prints one page as a document of that name. False when the printer could not take it (the
// reason in LastError()).
bool PrintPage(const Printer& printer, const std::string& document, const PageSettings& settings, const Page& page);
std::string LastError();

}  // namespace sys::print
