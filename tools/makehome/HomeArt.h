#pragma once

#include <string>

#include "tools/makehome/HomeCanvas.h"
#include "tools/makehome/HomeGlyphs.h"

// The pictures of the demo Home folder, drawn from scratch: page backgrounds, buttons in their
// three states, titles, the logo, the splash picture, the cursor, scroll-bar parts and dialog
// panels. Plain shapes and ramps in a dark blue with warm gold accents; every text is the
// built-in font scaled up. Each function answers a new picture; the Home builder owns them.
namespace home_art {

// The states a button draws, in the order its images are listed: normal, checked (pressed or
// selected), under the mouse, and switched off (a fourth image, drawn while the button takes
// no clicks).
enum class ButtonState { Normal, Checked, Hover, Disabled };

// The two page backgrounds: a plain one (the main menu, the settings page) and one with a
// panel for the text pages.
enum class PageKind { Plain, Text };

// Where the text pages' panel lies, for the layouts that place controls on it.
constexpr HomeRect kTextPanel{50, 92, 590, 412};
constexpr int kFooterTop = 452;

HomeCanvas PageBackground(const HomeGlyphs& glyphs, PageKind kind);
HomeCanvas Button(const HomeGlyphs& glyphs, int nWidth, int nHeight, const std::string& label, ButtonState state);
// A square button with an arrow pointing up or down.
HomeCanvas ArrowButton(int nSize, bool bUp, ButtonState state);
// A page title on the colour key, cut to the text.
HomeCanvas Title(const HomeGlyphs& glyphs, const std::string& text);
// The main menu's logo with a gold rule along its bottom; its background is the colour key at
// palette index 249.
HomeCanvas Logo(const HomeGlyphs& glyphs);
HomeCanvas Splash(const HomeGlyphs& glyphs);
// An arrow pointer on the colour key; its hot spot is the top-left pixel.
HomeCanvas Cursor();
HomeCanvas ScrollTrack(int nWidth, int nHeight);
HomeCanvas ScrollThumb(int nWidth, int nHeight);
HomeCanvas DialogPanel(int nWidth, int nHeight);
// The sunken field an edit box sits on.
HomeCanvas EntryField(int nWidth, int nHeight);

}  // namespace home_art
