#include "tools/makehome/HomeArt.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace home_art {

namespace {

// The palette of the set.
constexpr HomeRgb kPageTop{14, 22, 42};
constexpr HomeRgb kPageBottom{36, 54, 86};
constexpr HomeRgb kGold{212, 172, 88};
constexpr HomeRgb kFooter{8, 12, 24};
constexpr HomeRgb kFooterLine{60, 80, 120};
constexpr HomeRgb kFooterText{128, 146, 180};
constexpr HomeRgb kPanel{11, 18, 34};
constexpr HomeRgb kPanelEdge{84, 104, 140};
constexpr HomeRgb kShadow{6, 8, 16};
constexpr HomeRgb kWhite{242, 246, 252};
constexpr HomeRgb kPaleGold{255, 232, 160};
constexpr int kPageLevels = 10;

struct ButtonLook {
    HomeRgb top;
    HomeRgb bottom;
    HomeRgb edge;
    HomeRgb ink;
    int press;  // pixels the label moves when pressed
};

ButtonLook LookOf(ButtonState state) {
    switch (state) {
    case ButtonState::Checked:
        return ButtonLook{{24, 36, 60}, {52, 76, 116}, kGold, {255, 214, 120}, 1};
    case ButtonState::Hover:
        return ButtonLook{{76, 110, 164}, {40, 62, 102}, kGold, kPaleGold, 0};
    case ButtonState::Disabled:
        return ButtonLook{{40, 50, 68}, {30, 38, 54}, {70, 84, 110}, {118, 128, 148}, 0};
    case ButtonState::Normal:
    default:
        return ButtonLook{{52, 78, 122}, {26, 40, 68}, {112, 140, 188}, kWhite, 0};
    }
}

// The face of a button: a ramp inside a one-pixel edge, with a darker line along the bottom.
HomeCanvas ButtonFace(int nWidth, int nHeight, const ButtonLook& look) {
    HomeCanvas canvas(nWidth, nHeight, look.bottom);
    canvas.Gradient(HomeRect{1, 1, nWidth - 1, nHeight - 1}, look.top, look.bottom, 6);
    canvas.Frame(HomeRect{0, 0, nWidth, nHeight}, look.edge);
    canvas.Fill(HomeRect{1, nHeight - 2, nWidth - 1, nHeight - 1}, kShadow);
    return canvas;
}

void Footer(HomeCanvas& canvas, const HomeGlyphs& glyphs) {
    canvas.Fill(HomeRect{0, kFooterTop, canvas.Width(), canvas.Height()}, kFooter);
    canvas.Fill(HomeRect{0, kFooterTop, canvas.Width(), kFooterTop + 1}, kFooterLine);
    canvas.TextCentred(glyphs, HomeRect{0, kFooterTop + 1, canvas.Width(), canvas.Height()},
                       "TARVEX HOST PROGRAM  -  DEMO DATA", 1, kFooterText, kFooter);
}

void Panel(HomeCanvas& canvas, const HomeRect& rect) {
    canvas.Fill(rect, kPanel);
    canvas.Frame(rect, kPanelEdge);
}

// Rows of the arrow pointer: X outline, W fill, anything else the key.
constexpr const char* kCursorArt[] = {
    "X...........", "XX..........", "XWX.........", "XWWX........", "XWWWX.......", "XWWWWX......",
    "XWWWWWX.....", "XWWWWWWX....", "XWWWWWWWX...", "XWWWWWWWWX..", "XWWWWWWWWWX.", "XWWWWWWXXXXX",
    "XWWWXWWX....", "XWWX.XWWX...", "XWX..XWWX...", "XX....XWWX..", "X.....XWWX..", ".......XWWX.",
    ".......XXX..",
};

}  // namespace

HomeCanvas PageBackground(const HomeGlyphs& glyphs, PageKind kind) {
    HomeCanvas canvas(640, 480, kPageTop);
    canvas.Gradient(HomeRect{0, 0, 640, kFooterTop}, kPageTop, kPageBottom, kPageLevels);
    if (kind == PageKind::Text)
        Panel(canvas, kTextPanel);
    Footer(canvas, glyphs);
    return canvas;
}

HomeCanvas Button(const HomeGlyphs& glyphs, int nWidth, int nHeight, const std::string& label, ButtonState state) {
    const ButtonLook look = LookOf(state);
    HomeCanvas canvas = ButtonFace(nWidth, nHeight, look);
    canvas.TextCentred(glyphs, HomeRect{look.press, look.press, nWidth + look.press, nHeight + look.press}, label, 2,
                       look.ink, kShadow);
    return canvas;
}

HomeCanvas ArrowButton(int nSize, bool bUp, ButtonState state) {
    const ButtonLook look = LookOf(state);
    HomeCanvas canvas = ButtonFace(nSize, nSize, look);
    // A filled triangle, its base half the button wide.
    const int nHalf = nSize / 4;
    const int cx = nSize / 2 + look.press;
    const int cy = nSize / 2 + look.press;
    for (int row = 0; row <= nHalf; ++row) {
        const int y = bUp ? cy - nHalf / 2 + row : cy + nHalf / 2 - row;
        canvas.Fill(HomeRect{cx - row, y, cx + row + 1, y + 1}, look.ink);
    }
    return canvas;
}

HomeCanvas Title(const HomeGlyphs& glyphs, const std::string& text) {
    constexpr int kScale = 4;
    const int nWidth = glyphs.TextWidth(text, kScale) + 2;
    HomeCanvas canvas(nWidth, 8 * kScale + 2 * HomeShadowOffset(kScale), HomeCanvas::kKey);
    canvas.Text(glyphs, 1, -kScale, text, kScale, kGold, kShadow);
    return canvas;
}

HomeCanvas Logo(const HomeGlyphs& glyphs) {
    constexpr int kScale = 9;
    constexpr int kWidth = 400;
    constexpr int kHeight = 116;
    HomeCanvas canvas(kWidth, kHeight, HomeCanvas::kKey, true);
    const std::string name = "TARVEX";
    const int nNameWidth = glyphs.TextWidth(name, kScale);
    const int x0 = (kWidth - nNameWidth) / 2;
    // The shadow, then the letters filled with a ramp from pale to deep gold.
    canvas.Text(glyphs, x0 + 3, 3 - kScale, name, kScale, kShadow, kShadow);
    HomeCanvas letters(kWidth, kHeight, HomeCanvas::kKey);
    letters.Text(glyphs, x0, -kScale, name, kScale, kWhite, HomeCanvas::kKey);
    for (int y = 0; y < 7 * kScale + 3; ++y) {
        const int t = std::clamp(y * 255 / (7 * kScale), 0, 255);
        const HomeRgb gold{static_cast<uint8_t>(255 - t * 40 / 255), static_cast<uint8_t>(236 - t * 90 / 255),
                           static_cast<uint8_t>(150 - t * 110 / 255)};
        for (int x = 0; x < kWidth; ++x) {
            if (letters.ColourAt(x, y) == kWhite)
                canvas.Plot(x, y, gold);
        }
    }
    canvas.TextCentred(glyphs, HomeRect{0, 7 * kScale + 8, kWidth, 7 * kScale + 40}, "HOST PROGRAM", 2,
                       {170, 196, 236}, kShadow);
    canvas.Fill(HomeRect{0, kHeight - 2, kWidth, kHeight}, kGold);
    return canvas;
}

HomeCanvas Splash(const HomeGlyphs& glyphs) {
    // The whole client area: start-up draws it at the window's top-left corner.
    HomeCanvas canvas(640, 480, kPageTop);
    canvas.Gradient(HomeRect{0, 0, 640, 480}, kPageTop, kPageBottom, 8);
    canvas.Frame(HomeRect{0, 0, 640, 480}, kGold);
    canvas.TextCentred(glyphs, HomeRect{0, 120, 640, 280}, "TARVEX", 12, kGold, kShadow);
    canvas.TextCentred(glyphs, HomeRect{0, 280, 640, 340}, "Starting...", 4, kWhite, kShadow);
    return canvas;
}

HomeCanvas Cursor() {
    const int nHeight = static_cast<int>(std::size(kCursorArt));
    const int nWidth = static_cast<int>(std::char_traits<char>::length(kCursorArt[0]));
    HomeCanvas canvas(nWidth, nHeight, HomeCanvas::kKey);
    for (int y = 0; y < nHeight; ++y) {
        for (int x = 0; x < nWidth; ++x) {
            if (kCursorArt[y][x] == 'X')
                canvas.Plot(x, y, HomeRgb{16, 16, 24});
            else if (kCursorArt[y][x] == 'W')
                canvas.Plot(x, y, HomeRgb{250, 250, 250});
        }
    }
    return canvas;
}

HomeCanvas ScrollTrack(int nWidth, int nHeight) {
    HomeCanvas canvas(nWidth, nHeight, kPanel);
    canvas.Frame(HomeRect{0, 0, nWidth, nHeight}, kPanelEdge);
    // A groove down the middle.
    canvas.Fill(HomeRect{nWidth / 2 - 1, 2, nWidth / 2 + 1, nHeight - 2}, HomeRgb{30, 44, 70});
    return canvas;
}

HomeCanvas ScrollThumb(int nWidth, int nHeight) {
    const ButtonLook look = LookOf(ButtonState::Normal);
    HomeCanvas canvas = ButtonFace(nWidth, nHeight, look);
    // Three grip lines across the middle.
    for (int k = -1; k <= 1; ++k)
        canvas.Fill(HomeRect{4, nHeight / 2 + 3 * k, nWidth - 4, nHeight / 2 + 3 * k + 1}, look.edge);
    return canvas;
}

HomeCanvas DialogPanel(int nWidth, int nHeight) {
    HomeCanvas canvas(nWidth, nHeight, kPanel);
    canvas.Gradient(HomeRect{1, 1, nWidth - 1, nHeight - 1}, HomeRgb{30, 46, 76}, HomeRgb{14, 22, 40}, 8);
    canvas.Frame(HomeRect{0, 0, nWidth, nHeight}, kGold);
    canvas.Frame(HomeRect{2, 2, nWidth - 2, nHeight - 2}, kPanelEdge);
    return canvas;
}

HomeCanvas EntryField(int nWidth, int nHeight) {
    HomeCanvas canvas(nWidth, nHeight, HomeRgb{4, 6, 12});
    canvas.Frame(HomeRect{0, 0, nWidth, nHeight}, kPanelEdge);
    return canvas;
}

}  // namespace home_art
