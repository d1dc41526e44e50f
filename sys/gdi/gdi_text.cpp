#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <string_view>
#include <vector>

#include "sys/gdi/gdi_core.h"
#include "sys/gdi/gdi.h"

// The built-in font and the text calls that draw with it.

namespace sys::gdi {

using namespace detail;

namespace {

// Glyphs of the characters 32 to 126, five pixels wide; the sixth column of each cell is the
// gap to the next character. Rows are given from the second row of the cell down ("#" is ink,
// rows separated by "/"); the first row is always empty, missing rows at the end are empty.
// Capitals stand on rows 1 to 7 of the cell (the baseline is under row 7); descenders use rows
// 8 and 9.
constexpr std::array<std::string_view, 95> kGlyphArt = {
    "",                                                             // space
    "..#../..#../..#../..#../..#../...../..#..",                    // !
    ".#.#./.#.#./.#.#.",                                            // "
    ".#.#./.#.#./#####/.#.#./#####/.#.#./.#.#.",                    // #
    "..#../.####/#.#../.###./..#.#/####./..#..",                    // $
    "##.../##..#/...#./..#../.#.../#..##/...##",                    // %
    ".##../#..#./#.#../.#.../#.#.#/#..#./.##.#",                    // &
    "..#../..#../.#...",                                            // '
    "...#./..#../.#.../.#.../.#.../..#../...#.",                    // (
    ".#.../..#../...#./...#./...#./..#../.#...",                    // )
    "...../..#../#.#.#/.###./#.#.#/..#../.....",                    // *
    "...../..#../..#../#####/..#../..#../.....",                    // +
    "...../...../...../...../...../.##../..#../.#...",              // ,
    "...../...../...../#####",                                      // -
    "...../...../...../...../...../.##../.##..",                    // .
    "...../....#/...#./..#../.#.../#..../.....",                    // /
    ".###./#...#/#..##/#.#.#/##..#/#...#/.###.",                    // 0
    "..#../.##../..#../..#../..#../..#../.###.",                    // 1
    ".###./#...#/....#/...#./..#../.#.../#####",                    // 2
    "#####/...#./..#../...#./....#/#...#/.###.",                    // 3
    "...#./..##./.#.#./#..#./#####/...#./...#.",                    // 4
    "#####/#..../####./....#/....#/#...#/.###.",                    // 5
    "..##./.#.../#..../####./#...#/#...#/.###.",                    // 6
    "#####/....#/...#./..#../.#.../.#.../.#...",                    // 7
    ".###./#...#/#...#/.###./#...#/#...#/.###.",                    // 8
    ".###./#...#/#...#/.####/....#/...#./.##..",                    // 9
    "...../.##../.##../...../.##../.##../.....",                    // :
    "...../.##../.##../...../.##../..#../.#...",                    // ;
    "...#./..#../.#.../#..../.#.../..#../...#.",                    // <
    "...../...../#####/...../#####",                                // =
    ".#.../..#../...#./....#/...#./..#../.#...",                    // >
    ".###./#...#/....#/...#./..#../...../..#..",                    // ?
    ".###./#...#/....#/.##.#/#.#.#/#.#.#/.###.",                    // @
    ".###./#...#/#...#/#####/#...#/#...#/#...#",                    // A
    "####./#...#/#...#/####./#...#/#...#/####.",                    // B
    ".###./#...#/#..../#..../#..../#...#/.###.",                    // C
    "###../#..#./#...#/#...#/#...#/#..#./###..",                    // D
    "#####/#..../#..../####./#..../#..../#####",                    // E
    "#####/#..../#..../####./#..../#..../#....",                    // F
    ".###./#...#/#..../#.###/#...#/#...#/.####",                    // G
    "#...#/#...#/#...#/#####/#...#/#...#/#...#",                    // H
    ".###./..#../..#../..#../..#../..#../.###.",                    // I
    "..###/...#./...#./...#./...#./#..#./.##..",                    // J
    "#...#/#..#./#.#../##.../#.#../#..#./#...#",                    // K
    "#..../#..../#..../#..../#..../#..../#####",                    // L
    "#...#/##.##/#.#.#/#.#.#/#...#/#...#/#...#",                    // M
    "#...#/#...#/##..#/#.#.#/#..##/#...#/#...#",                    // N
    ".###./#...#/#...#/#...#/#...#/#...#/.###.",                    // O
    "####./#...#/#...#/####./#..../#..../#....",                    // P
    ".###./#...#/#...#/#...#/#.#.#/#..#./.##.#",                    // Q
    "####./#...#/#...#/####./#.#../#..#./#...#",                    // R
    ".####/#..../#..../.###./....#/....#/####.",                    // S
    "#####/..#../..#../..#../..#../..#../..#..",                    // T
    "#...#/#...#/#...#/#...#/#...#/#...#/.###.",                    // U
    "#...#/#...#/#...#/#...#/#...#/.#.#./..#..",                    // V
    "#...#/#...#/#...#/#.#.#/#.#.#/#.#.#/.#.#.",                    // W
    "#...#/#...#/.#.#./..#../.#.#./#...#/#...#",                    // X
    "#...#/#...#/#...#/.#.#./..#../..#../..#..",                    // Y
    "#####/....#/...#./..#../.#.../#..../#####",                    // Z
    ".###./.#.../.#.../.#.../.#.../.#.../.###.",                    // [
    "...../#..../.#.../..#../...#./....#/.....",                    // backslash
    ".###./...#./...#./...#./...#./...#./.###.",                    // ]
    "..#../.#.#./#...#",                                            // ^
    "...../...../...../...../...../...../...../#####",              // _
    ".#.../..#../...#.",                                            // `
    "...../...../.###./....#/.####/#...#/.####",                    // a
    "#..../#..../#.##./##..#/#...#/#...#/####.",                    // b
    "...../...../.###./#..../#..../#...#/.###.",                    // c
    "....#/....#/.##.#/#..##/#...#/#...#/.####",                    // d
    "...../...../.###./#...#/#####/#..../.###.",                    // e
    "..##./.#..#/.#.../###../.#.../.#.../.#...",                    // f
    "...../...../.####/#...#/#...#/#...#/.####/....#/.###.",        // g
    "#..../#..../#.##./##..#/#...#/#...#/#...#",                    // h
    "..#../...../.##../..#../..#../..#../.###.",                    // i
    "...#./...../..##./...#./...#./...#./...#./#..#./.##..",        // j
    "#..../#..../#..#./#.#../##.../#.#../#..#.",                    // k
    ".##../..#../..#../..#../..#../..#../.###.",                    // l
    "...../...../##.#./#.#.#/#.#.#/#...#/#...#",                    // m
    "...../...../#.##./##..#/#...#/#...#/#...#",                    // n
    "...../...../.###./#...#/#...#/#...#/.###.",                    // o
    "...../...../####./#...#/#...#/#...#/####./#..../#....",        // p
    "...../...../.####/#...#/#...#/#...#/.####/....#/....#",        // q
    "...../...../#.##./##..#/#..../#..../#....",                    // r
    "...../...../.###./#..../.###./....#/####.",                    // s
    ".#.../.#.../###../.#.../.#.../.#..#/..##.",                    // t
    "...../...../#...#/#...#/#...#/#..##/.##.#",                    // u
    "...../...../#...#/#...#/#...#/.#.#./..#..",                    // v
    "...../...../#...#/#...#/#.#.#/#.#.#/.#.#.",                    // w
    "...../...../#...#/.#.#./..#../.#.#./#...#",                    // x
    "...../...../#...#/#...#/#...#/#...#/.####/....#/.###.",        // y
    "...../...../#####/...#./..#../.#.../#####",                    // z
    "...#./..#../..#../.#.../..#../..#../...#.",                    // {
    "..#../..#../..#../..#../..#../..#../..#..",                    // |
    ".#.../..#../..#../...#./..#../..#../.#...",                    // }
    "...../...../.#.../#.#.#/...#.",                                // ~
};

constexpr int kGlyphWidth = 5;

// Row masks of one glyph, bit 4 the leftmost pixel.
using GlyphRows = std::array<uint8_t, kFontCellHeight>;

constexpr std::array<GlyphRows, 95> ParseGlyphs() {
    std::array<GlyphRows, 95> glyphs{};
    for (size_t g = 0; g < kGlyphArt.size(); ++g) {
        int row = 1;
        int column = 0;
        for (const char c : kGlyphArt[g]) {
            if (c == '/') {
                if (column != kGlyphWidth)
                    throw "a glyph row must be five pixels wide";
                ++row;
                column = 0;
                continue;
            }
            if ((c != '#' && c != '.') || column >= kGlyphWidth || row >= kFontCellHeight)
                throw "bad glyph art";
            if (c == '#')
                glyphs[g][static_cast<size_t>(row)] |= static_cast<uint8_t>(1u << (kGlyphWidth - 1 - column));
            ++column;
        }
        if (column != 0 && column != kGlyphWidth)
            throw "a glyph row must be five pixels wide";
    }
    return glyphs;
}

constexpr std::array<GlyphRows, 95> kGlyphs = ParseGlyphs();

// The glyph of a character; characters without one draw as the blank.
const GlyphRows& GlyphOf(char c) {
    const auto code = static_cast<unsigned char>(c);
    return kGlyphs[(code >= 32 && code <= 126) ? code - 32 : 0];
}

// The row on which an "&" prefix underlines a character: just under the baseline.
constexpr int kUnderlineRow = kFontAscent;

size_t TextLength(const char* text, int count) {
    if (text == nullptr)
        return 0;
    return count < 0 ? std::strlen(text) : static_cast<size_t>(count);
}

// One character as laid out: the character and whether it is underlined.
struct Cell {
    char c = ' ';
    bool underline = false;
};
using Line = std::vector<Cell>;

struct TextPen {
    Painter ink;
    Painter back;
    bool opaque = false;

    void Draw(int x, int y, const Cell& cell) const {
        if (opaque)
            back.Fill({x, y, x + kFontCellWidth, y + kFontCellHeight});
        const GlyphRows& rows = GlyphOf(cell.c);
        for (int r = 0; r < kFontCellHeight; ++r) {
            const uint8_t bits = rows[static_cast<size_t>(r)];
            for (int col = 0; bits != 0 && col < kGlyphWidth; ++col) {
                if ((bits >> (kGlyphWidth - 1 - col)) & 1u)
                    ink.Point(x + col, y + r);
            }
        }
        if (cell.underline)
            ink.Span(x, x + kFontCellWidth, y + kUnderlineRow);
    }

    void Draw(int x, int y, const Line& line) const {
        for (const Cell& cell : line) {
            Draw(x, y, cell);
            x += kFontCellWidth;
        }
    }
};

TextPen MakeTextPen(const DeviceContext& context, const RECT& clip) {
    const PixelSurface& surface = context.Surface();
    ColourMapper mapper(surface);
    const RECT cut = Intersect(clip, SurfaceRect(surface));
    TextPen pen{Painter{surface, cut, mapper.Map(context.textColour)}, Painter{surface, cut, mapper.Map(context.backColour)},
                context.backMode == OPAQUE};
    return pen;
}

int LineWidth(const Line& line) { return static_cast<int>(line.size()) * kFontCellWidth; }

// The text as cells, with "&" prefixes applied unless they are off.
Line ApplyPrefixes(std::string_view text, bool prefixes) {
    Line cells;
    cells.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (prefixes && text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                cells.push_back({'&', false});
                ++i;
            } else if (i + 1 < text.size() && text[i + 1] != '\n') {
                cells.push_back({text[i + 1], true});
                ++i;
            }
            continue;
        }
        cells.push_back({text[i], false});
    }
    return cells;
}

void TrimRight(Line& line) {
    while (!line.empty() && line.back().c == ' ')
        line.pop_back();
}

// Breaks one paragraph into lines no wider than `width` where blanks allow it.
void BreakWords(const Line& paragraph, int width, std::vector<Line>& lines) {
    size_t start = 0;
    const size_t end = paragraph.size();
    bool first = true;
    while (true) {
        // Take whole words while they fit; the first word of a line is taken whatever its width.
        size_t fitted = start;
        size_t scan = start;
        bool anyWord = false;
        while (scan < end) {
            size_t wordStart = scan;
            while (wordStart < end && paragraph[wordStart].c == ' ')
                ++wordStart;
            if (wordStart == end)
                break;
            size_t wordEnd = wordStart;
            while (wordEnd < end && paragraph[wordEnd].c != ' ')
                ++wordEnd;
            const auto cells = static_cast<int64_t>(wordEnd - start);
            if (anyWord && cells * kFontCellWidth > width)
                break;
            fitted = wordEnd;
            scan = wordEnd;
            anyWord = true;
            if (cells * kFontCellWidth > width)
                break;
        }
        if (!anyWord) {
            // Only blanks are left: they end the paragraph's last line (or are its only line).
            if (first)
                lines.emplace_back(paragraph.begin() + static_cast<ptrdiff_t>(start), paragraph.end());
            return;
        }
        Line line(paragraph.begin() + static_cast<ptrdiff_t>(start), paragraph.begin() + static_cast<ptrdiff_t>(fitted));
        TrimRight(line);
        lines.push_back(std::move(line));
        first = false;
        start = fitted;
        while (start < end && paragraph[start].c == ' ')
            ++start;
        if (start == end)
            return;
    }
}

std::vector<Line> LayOut(const Line& cells, const RECT& rect, uint32_t format) {
    std::vector<Line> lines;
    if ((format & DT_SINGLELINE) != 0) {
        lines.push_back(cells);
        return lines;
    }
    const int width = rect.right - rect.left;
    size_t start = 0;
    while (true) {
        size_t stop = start;
        while (stop < cells.size() && cells[stop].c != '\n')
            ++stop;
        size_t last = stop;
        if (last > start && stop < cells.size() && cells[last - 1].c == '\r')
            --last;
        const Line paragraph(cells.begin() + static_cast<ptrdiff_t>(start), cells.begin() + static_cast<ptrdiff_t>(last));
        if ((format & DT_WORDBREAK) != 0)
            BreakWords(paragraph, width, lines);
        else
            lines.push_back(paragraph);
        if (stop >= cells.size())
            return lines;
        start = stop + 1;
    }
}

}  // namespace

bool TextOut(HDC dc, int x, int y, const char* text, int count) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    const DeviceContext* context = FindContext(registry, dc);
    if (context == nullptr || (text == nullptr && count != 0))
        return false;
    const std::string_view chars(text == nullptr ? "" : text, TextLength(text, count));
    Line line;
    line.reserve(chars.size());
    for (const char c : chars)
        line.push_back({c, false});
    MakeTextPen(*context, SurfaceRect(context->Surface())).Draw(x, y, line);
    return true;
}

bool GetTextExtentPoint32(HDC dc, const char* text, int count, SIZE* size) {
    if (size == nullptr || (text == nullptr && count != 0))
        return false;
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    if (FindContext(registry, dc) == nullptr)
        return false;
    const size_t length = TextLength(text, count);
    size->cx = static_cast<int32_t>(std::min<size_t>(length, INT32_MAX / kFontCellWidth)) * kFontCellWidth;
    size->cy = kFontCellHeight;
    return true;
}

int DrawText(HDC dc, const char* text, int count, RECT* rect, uint32_t format) {
    if (rect == nullptr || (text == nullptr && count != 0))
        return 0;
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    const DeviceContext* context = FindContext(registry, dc);
    if (context == nullptr)
        return 0;
    const std::string_view chars(text == nullptr ? "" : text, TextLength(text, count));
    const std::vector<Line> lines = LayOut(ApplyPrefixes(chars, (format & DT_NOPREFIX) == 0), *rect, format);
    const int height = static_cast<int>(lines.size()) * kFontCellHeight;

    if ((format & DT_CALCRECT) != 0) {
        int widest = 0;
        for (const Line& line : lines)
            widest = std::max(widest, LineWidth(line));
        rect->right = rect->left + widest;
        rect->bottom = rect->top + height;
        return height;
    }

    int y = rect->top;
    if ((format & DT_SINGLELINE) != 0 && (format & DT_VCENTER) != 0)
        y = rect->top + (rect->bottom - rect->top - kFontCellHeight) / 2;
    const RECT clip = (format & DT_NOCLIP) != 0 ? SurfaceRect(context->Surface()) : *rect;
    const TextPen pen = MakeTextPen(*context, clip);
    for (const Line& line : lines) {
        int x = rect->left;
        if ((format & DT_CENTER) != 0)
            x = rect->left + (rect->right - rect->left - LineWidth(line)) / 2;
        else if ((format & DT_RIGHT) != 0)
            x = rect->right - LineWidth(line);
        pen.Draw(x, y, line);
        y += kFontCellHeight;
    }
    return y - rect->top;
}

}  // namespace sys::gdi
