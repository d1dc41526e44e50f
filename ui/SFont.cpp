#include "ui/SFont.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "core/SResourceFactory.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXPalette.h"
#include "dx/display/SDXSurface.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"
#include "sys/fs/fs.h"
#include "ui/SDIB.h"

IMPLEMENT_DYNAMIC(SFontCacheItem, CObject)
IMPLEMENT_SERIAL(SFont, SResource, 1)

namespace {

constexpr int kFirstChar = 32;
constexpr int kCalcRectWidth = 1024;

int Width(const sys::RECT& r) { return r.right - r.left; }
int Height(const sys::RECT& r) { return r.bottom - r.top; }

// Where a piece of a word broken between start and end had better end: just after its last
// folder separator, else its last "." or ":", else at end.
int AfterSeparator(const CString& word, int start, int end) {
    for (const char* separators : {"\\/", ".:"})
        for (int cut = end; cut > start; --cut)
            if (std::strchr(separators, word[cut - 1]) != nullptr)
                return cut;
    return end;
}

// Cuts a blit to the part whose source lies inside `sourceBounds` and whose destination lies
// inside `destBounds`, moving both rectangles alike (no stretching). False when nothing is left.
bool ClipCopy(sys::RECT& dest, sys::RECT& src, const sys::RECT& sourceBounds, const sys::RECT& destBounds) {
    auto cut = [&](int32_t& d, int32_t& s, int32_t dLimit, int32_t sLimit, bool low) {
        const int32_t over = low ? std::max(dLimit - d, sLimit - s) : std::max(d - dLimit, s - sLimit);
        if (over > 0) {
            d += low ? over : -over;
            s += low ? over : -over;
        }
    };
    cut(dest.left, src.left, destBounds.left, sourceBounds.left, true);
    cut(dest.top, src.top, destBounds.top, sourceBounds.top, true);
    cut(dest.right, src.right, destBounds.right, sourceBounds.right, false);
    cut(dest.bottom, src.bottom, destBounds.bottom, sourceBounds.bottom, false);
    return dest.right > dest.left && dest.bottom > dest.top;
}

sys::RECT SurfaceBounds(SDXSurface* surface) {
    return sys::RECT{0, 0, surface->GetCachedWidth(), surface->GetCachedHeight()};
}

// Blits a whole cached surface to (x, y) of the destination with its colour key, keeping to the
// destination so that text hanging over an edge is cut rather than refused.
void BlitWhole(SDXSurface* source, int x, int y, SDXSurface* dest) {
    sys::RECT src = SurfaceBounds(source);
    sys::RECT dst{x, y, x + src.right, y + src.bottom};
    if (ClipCopy(dst, src, SurfaceBounds(source), SurfaceBounds(dest)))
        dest->Blt(source, &dst, &src, 1, 0, 0);
}

}  // namespace

void RegisterFontResourceKind() { SResourceFactory::RegisterKind<SFont>(kKindFont); }

// ---- SFontCacheItem -------------------------------------------------------------------------

SFontCacheItem::~SFontCacheItem() { delete m_pSurface; }

// ---- construction ---------------------------------------------------------------------------

SFont::SFont() { Reset(); }

SFont::SFont(const char* name, SDXDraw* draw) : SFont() { Load(name, draw); }

SFont::SFont(uint32_t value1, uint32_t value2, const char* name, SDXDraw* draw) : SFont() {
    LoadFromItem(value1, value2, name, draw);
}

SFont::~SFont() {
    ClearCache();
    delete m_pSurface;
}

void SFont::Reset() {
    m_iColumns = 8;
    m_iAdvance = 15;
    m_iLineHeight = 15;
    m_iSheetWidth = 0;
    m_iSheetHeight = 0;
    m_iCharSpacing = 0;
    m_iCellWidth = 0;
    m_iCellHeight = 0;
    std::fill(std::begin(m_aBlank), std::end(m_aBlank), 0);
    std::fill(std::begin(m_aGlyph), std::end(m_aGlyph), sys::RECT{});
    m_bPalette = 0;
    m_crKey = 0xFF00FF;
    m_iCacheLimit = kDefaultCacheLimit;
}

// ---- resource operations --------------------------------------------------------------------

void SFont::Serialize(CArchive& ar) {
    // A ".fnt" file holds exactly these two fields, nothing of the resource base. A column
    // count no cell size can be computed from is read as stored (the catalog that carries it
    // stays readable) and refused when the font is loaded or built.
    if (ar.IsStoring()) {
        ar << m_strSheetName << static_cast<uint32_t>(m_iColumns);
        return;
    }
    uint32_t columns = 0;
    ar >> m_strSheetName >> columns;
    m_iColumns = static_cast<int32_t>(columns);
}

SResource* SFont::Clone(SResource* pTarget) {
    if (pTarget == nullptr)
        pTarget = new SFont;
    SResource::Clone(pTarget);
    auto* font = dynamic_cast<SFont*>(pTarget);
    if (font == nullptr || font == this)
        return pTarget;
    font->m_strPath = m_strPath;
    font->m_strSheetName = m_strSheetName;
    font->m_iColumns = m_iColumns;
    font->m_iAdvance = m_iAdvance;
    font->m_iLineHeight = m_iLineHeight;
    font->m_iSheetWidth = m_iSheetWidth;
    font->m_iSheetHeight = m_iSheetHeight;
    font->m_iCellWidth = m_iCellWidth;
    font->m_iCellHeight = m_iCellHeight;
    font->m_bPalette = m_bPalette;
    font->m_crKey = m_crKey;
    font->m_iCacheLimit = m_iCacheLimit;
    std::copy(std::begin(m_aBlank), std::end(m_aBlank), std::begin(font->m_aBlank));
    std::copy(std::begin(m_aGlyph), std::end(m_aGlyph), std::begin(font->m_aGlyph));
    return pTarget;
}

bool SFont::LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) {
    if (pSearchFolders == nullptr)
        return false;
    for (int i = 0; i < pSearchFolders->GetSize(); ++i) {
        if (LoadFromFile(pSearchFolders->GetAt(i), dwFlags))
            return true;
    }
    return false;
}

bool SFont::LoadFromFile(const CString& strFolder, uintptr_t dwFlags) {
    return Locate(strFolder, reinterpret_cast<SDXDraw*>(dwFlags));
}

bool SFont::LoadFromCFile(CFile* pFile) {
    if (pFile == nullptr)
        return false;
    CArchive ar(pFile, CArchive::load, 4096);
    Serialize(ar);
    ar.Close();
    return IsValidColumnCount(m_iColumns);
}

int32_t SFont::Accept(SResourceVisitor* pVisitor) { return pVisitor != nullptr ? pVisitor->VisitFont(this) : 0; }

bool SFont::LoadFromItem(uint32_t, uint32_t, const char* name, SDXDraw* draw) { return Load(name, draw); }

bool SFont::Load(const char* name, SDXDraw* draw) {
    CFile file(CString(name) + ".fnt", CFile::modeRead | CFile::shareDenyWrite);
    {
        CArchive ar(&file, CArchive::load, 4096);
        Serialize(ar);
        ar.Close();
    }
    file.Close();
    return IsValidColumnCount(m_iColumns) && Locate(CString(), draw);
}

// ---- locating and building ------------------------------------------------------------------

bool SFont::Locate(const CString& strFolder, SDXDraw* draw) {
    if (m_strPath.IsEmpty()) {
        const int length = strFolder.GetLength();
        if (length >= 3 && strFolder.Right(3).CompareNoCase("bmp") == 0) {
            m_strPath = strFolder;
        } else {
            m_strPath = strFolder;
            if (length > 0 && strFolder[length - 1] != '\\' && strFolder[length - 1] != '/')
                m_strPath += "\\";
            m_strPath += m_strSheetName;
        }
    }
    if (!Build(draw)) {
        m_strPath.Empty();
        return false;
    }
    return true;
}

bool SFont::Build(SDXDraw* draw) {
    if (!IsValidColumnCount(m_iColumns) || m_strPath.IsEmpty() || !sys::fs::Exists(m_strPath.GetString()))
        return false;
    delete m_pSurface;
    m_pSurface = nullptr;
    std::unique_ptr<SDXSurface> surface;
    if (draw != nullptr)
        surface = std::make_unique<SDXSurface>(m_strSheetName);

    SDIB sheet;
    try {
        CFile file;
        if (!file.Open(m_strPath, CFile::modeRead | CFile::typeBinary))
            return false;
        if (!sheet.LoadFromCFile(&file))
            return false;
        file.Close();
    } catch (const CException&) {
        // A sheet that cannot be read leaves the font without one; nothing is shown.
        return false;
    }

    m_iSheetWidth = sheet.GetWidth();
    m_iSheetHeight = std::abs(sheet.GetHeight());
    m_iCellWidth = m_iSheetWidth / m_iColumns;
    m_iCellHeight = m_iSheetHeight / (kGlyphCount / m_iColumns);
    m_iAdvance = m_iCellWidth;
    m_iLineHeight = m_iCellHeight;
    MeasureGlyphs(sheet);

    if (surface) {
        std::unique_ptr<SDXPalette> palette;
        if (m_bPalette != 0) {
            palette = std::make_unique<SDXPalette>();
            if (!palette->CreatePalette(&sheet, draw, 0))
                return false;
        }
        if (!surface->CreateSurface(draw, m_iSheetWidth, m_iSheetHeight, sys::video::DDSCAPS_SYSTEMMEMORY,
                                    palette.get(), 0))
            return false;
        sheet.DrawToSurfaceRop(surface.get(), 0, 0, sys::SRCCOPY);
        // Cells are always copied whole: the sheet's magenta only becomes transparent once the
        // text sits in a cache surface that has the key.
        surface->ResetTransparentColor();
        m_pSurface = surface.release();
    }
    return true;
}

bool SFont::Rebuild(SDXDraw* draw) { return Build(draw); }

bool SFont::Restore(SDXDraw* draw) { return Build(draw); }

void SFont::RenewLostSheet() {
    sys::video::IDirectDrawSurface4* sheet = m_pSurface != nullptr ? m_pSurface->GetSurface() : nullptr;
    if (sheet == nullptr || !sys::video::Failed(sheet->IsLost()))
        return;
    SDXDraw* draw = m_pSurface->GetOwner();
    ReleaseSurface();
    if (draw != nullptr)
        Build(draw);
}

bool SFont::ReleaseSurface() {
    ClearCache();
    delete m_pSurface;
    m_pSurface = nullptr;
    return true;
}

void SFont::MeasureGlyphs(SDIB& sheet) {
    const sys::RECT bounds{0, 0, m_iSheetWidth, m_iSheetHeight};
    const int spaceBlank = static_cast<int>(0.7 * m_iCellWidth);
    m_aBlank[0] = spaceBlank;
    m_aGlyph[0] = sys::RECT{0, 0, spaceBlank, m_iCellHeight};
    for (int glyph = 1; glyph < kGlyphCount; ++glyph) {
        m_aBlank[glyph] = BlankColumns(glyph, sheet);
        const int left = GlyphLeft(glyph);
        const int top = GlyphTop(glyph);
        // A column count that does not divide 96 leaves the last glyphs below the sheet: their
        // cells are cut to it (down to nothing) so no blit reads outside the picture.
        sys::RECT cell{left, top, left + m_iCellWidth, top + m_iCellHeight};
        cell.left = std::clamp(cell.left, bounds.left, bounds.right);
        cell.right = std::clamp(cell.right, cell.left, bounds.right);
        cell.top = std::clamp(cell.top, bounds.top, bounds.bottom);
        cell.bottom = std::clamp(cell.bottom, cell.top, bounds.bottom);
        m_aGlyph[glyph] = cell;
    }
}

int SFont::BlankColumns(int glyph, SDIB& sheet) {
    const uint32_t background = sheet.GetPixel(0, 0);
    const int left = GlyphLeft(glyph);
    const int top = GlyphTop(glyph);
    int blank = 0;
    for (int column = m_iCellWidth - 1; column >= 0; --column) {
        const int x = left + column;
        bool ink = false;
        // The lowest row of a cell is left out: it may hold the sheet's grid line.
        for (int row = m_iCellHeight - 2; row >= 0 && !ink; --row) {
            const int y = top + row;
            if (x < m_iSheetWidth && y < m_iSheetHeight)
                ink = sheet.GetPixel(x, y) != background;
        }
        if (ink)
            break;
        ++blank;
    }
    return blank;
}

int SFont::GlyphLeft(int glyph) const { return m_iColumns > 0 ? (glyph % m_iColumns) * m_iCellWidth : 0; }

int SFont::GlyphTop(int glyph) const { return m_iColumns > 0 ? (glyph / m_iColumns) * m_iCellHeight : 0; }

int SFont::CharToGlyph(char c) const {
    const int code = static_cast<unsigned char>(c);
    return code >= kFirstChar && code < kFirstChar + kGlyphCount ? code - kFirstChar : 0;
}

int SFont::StrLen(const char* text) const { return text != nullptr ? static_cast<int>(std::strlen(text)) : 0; }

// ---- caches ---------------------------------------------------------------------------------

void SFont::DeleteItems(SFontCache& cache) {
    while (!cache.IsEmpty())
        delete cache.RemoveHead();
}

void SFont::ClearCache() {
    DeleteItems(m_DrawTextCache);
    DeleteItems(m_TextOutCache);
}

SFontCacheItem* SFont::MakeCacheItem(SFontCache& cache, const char* label, int number, const char* text, int length,
                                     int width, int height) {
    if (m_pSurface == nullptr || width <= 0 || height <= 0)
        return nullptr;
    CString name;
    name.Format("%s : %d - ", label, number);
    name += CString(text, length);
    auto item = std::make_unique<SFontCacheItem>();
    item->m_pSurface = new SDXSurface(name);
    if (!item->m_pSurface->CreateSurface(m_pSurface->GetOwner(), width, height, sys::video::DDSCAPS_SYSTEMMEMORY,
                                         nullptr, 0))
        return nullptr;
    item->m_pSurface->SetTransparentColor(m_crKey);
    item->m_pSurface->Clear(nullptr, 0);
    item->m_sText = SString(text, length);
    item->m_iCharSpacing = m_iCharSpacing;
    cache.AddTail(item.get());
    // Hits never move an item: the oldest one made is always the first to go.
    while (cache.GetCount() > m_iCacheLimit)
        delete cache.RemoveHead();
    return item.release();
}

// ---- measuring and drawing ------------------------------------------------------------------

sys::SIZE SFont::GetTextExtent(const char* text, int length) {
    sys::SIZE size;
    if (length < 0)
        length = StrLen(text);
    for (int i = 0; i < length && text != nullptr; ++i) {
        const int glyph = CharToGlyph(text[i]);
        size.cx += m_iAdvance - m_aBlank[glyph] + m_iCharSpacing;
    }
    size.cy = Height(m_aGlyph[0]);
    return size;
}

void SFont::BlitGlyph(int glyph, int x, int y, SDXSurface* pDest) {
    const sys::RECT& cell = m_aGlyph[glyph];
    sys::RECT src{cell.left, cell.top, cell.right, cell.top + m_iLineHeight};
    sys::RECT dst{x, y, x + Width(src), y + m_iLineHeight};
    const sys::RECT sheet{0, 0, m_iSheetWidth, m_iSheetHeight};
    if (ClipCopy(dst, src, sheet, SurfaceBounds(pDest)))
        pDest->Blt(m_pSurface, &dst, &src, 0, 0, 0);
}

void SFont::TextOut(int x, int y, const char* text, int count, SDXSurface* pDest, bool direct) {
    if (text == nullptr || pDest == nullptr)
        return;
    if (!direct)
        RenewLostSheet();
    if (m_pSurface == nullptr)
        return;
    const int length = StrLen(text);
    if (count < 0 || count > length)
        count = length;
    if (count == 0)
        return;
    if (direct) {
        for (int i = 0; i < count; ++i) {
            const int glyph = CharToGlyph(text[i]);
            BlitGlyph(glyph, x, y, pDest);
            x += m_iAdvance - m_aBlank[glyph] + m_iCharSpacing;
        }
        return;
    }

    SFontCacheItem* found = nullptr;
    for (POSITION pos = m_TextOutCache.GetHeadPosition(); pos != nullptr && found == nullptr;) {
        SFontCacheItem* item = m_TextOutCache.GetNext(pos);
        if (item->m_iCountOrFormat == count && item->m_iCharSpacing == m_iCharSpacing &&
            std::strncmp(item->m_sText.GetString(), text, static_cast<size_t>(count)) == 0 &&
            item->m_sText.GetLength() == count)
            found = item;
    }
    if (found == nullptr) {
        const sys::SIZE size = GetTextExtent(text, count);
        found = MakeCacheItem(m_TextOutCache, "FontCacheTextOut", ++m_iTextOutNumber, text, count, size.cx, size.cy);
        if (found == nullptr)
            return;
        found->m_iCountOrFormat = count;
        int penX = 0;
        for (int i = 0; i < count; ++i) {
            const int glyph = CharToGlyph(text[i]);
            BlitGlyph(glyph, penX, 0, found->m_pSurface);
            penX += m_iAdvance - m_aBlank[glyph] + (glyph != 0 ? m_iCharSpacing : 0);
        }
    }
    BlitWhole(found->m_pSurface, x, y, pDest);
}

void SFont::DrawText(const char* text, sys::RECT* pRect, uint32_t format, SDXSurface* pDest) {
    if (pRect == nullptr)
        return;
    if ((format & sys::DT_CALCRECT) != 0) {
        if (text == nullptr || *text == '\0') {
            *pRect = sys::RECT{};
            return;
        }
        if (pRect->right == pRect->left)
            pRect->right = pRect->left + kCalcRectWidth;
        CStringList work;
        CalcRect(text, work, pRect, format);
        return;
    }
    if (text == nullptr || *text == '\0' || pDest == nullptr)
        return;
    RenewLostSheet();

    const int width = Width(*pRect);
    const int height = Height(*pRect);
    const int length = StrLen(text);
    SFontCacheItem* found = nullptr;
    for (POSITION pos = m_DrawTextCache.GetHeadPosition(); pos != nullptr && found == nullptr;) {
        SFontCacheItem* item = m_DrawTextCache.GetNext(pos);
        if (Width(item->m_rcRect) == width && Height(item->m_rcRect) == height &&
            item->m_iCountOrFormat == static_cast<int32_t>(format) && item->m_iCharSpacing == m_iCharSpacing &&
            item->m_sText.Compare(text) == 0)
            found = item;
    }
    if (found == nullptr) {
        found = MakeCacheItem(m_DrawTextCache, "FontCacheDrawText", ++m_iDrawTextNumber, text, length, width, height);
        if (found == nullptr)
            return;
        found->m_rcRect = *pRect;
        found->m_iCountOrFormat = static_cast<int32_t>(format);
        const sys::RECT layout{0, 0, width, height};
        CStringList words;
        SplitWords(text, words);
        CString line;
        sys::SIZE size;
        int x = 0;
        int y = 0;
        for (int n = 0;; ++n) {
            if ((format & sys::DT_WORDBREAK) != 0 && n * m_iLineHeight > height)
                break;
            if (!LayoutLine(n, line, words, layout, size, format, x, y))
                break;
            TextOut(x, y, line, line.GetLength(), found->m_pSurface, true);
        }
    }
    BlitWhole(found->m_pSurface, pRect->left, pRect->top, pDest);
}

// ---- layout ---------------------------------------------------------------------------------

void SFont::SplitWords(const char* text, CStringList& words) {
    if (text == nullptr)
        return;
    const char* start = text;
    while (*start != '\0') {
        const size_t run = std::strcspn(start, " \n-");
        if (run > 0)
            words.AddTail(CString(start, static_cast<int>(run)));
        if (start[run] == '\0')
            break;
        words.AddTail(CString(start + run, 1));
        start += run + 1;
    }
}

bool SFont::LayoutLine(int lineNumber, CString& line, CStringList& words, const sys::RECT& rect, sys::SIZE& size,
                       uint32_t format, int& x, int& y) {
    line.Empty();
    if (words.IsEmpty())
        return false;
    const int width = Width(rect);
    // Extents add up character by character, so the line's width is kept instead of measuring
    // the whole line again for every word.
    int lineWidth = 0;
    while (!words.IsEmpty()) {
        const CString word = words.GetHead();
        if (word == "\n") {
            words.RemoveHead();
            line += " ";
            break;
        }
        const CString shown = word == "&&" ? CString("&") : word;
        const int shownWidth = GetTextExtent(shown, shown.GetLength()).cx;
        if (lineWidth + shownWidth <= width) {
            words.RemoveHead();
            line += shown;
            lineWidth += shownWidth;
            continue;
        }
        if (line.IsEmpty()) {
            words.RemoveHead();
            line = BreakWord(shown, width, words);
        } else if (word == " ") {
            // The blank the line breaks at belongs to neither line.
            words.RemoveHead();
        }
        break;
    }
    line.TrimRight();
    size = GetTextExtent(line, line.GetLength());
    if ((format & sys::DT_RIGHT) != 0)
        x = rect.right - size.cx;
    else if ((format & sys::DT_CENTER) != 0)
        x = rect.left + (rect.right - size.cx - rect.left) / 2;
    else
        x = rect.left;
    if ((format & sys::DT_VCENTER) != 0)
        y = rect.top + (rect.bottom - (lineNumber + 1) * m_iLineHeight - rect.top) / 2;
    else
        y = rect.top + lineNumber * m_iLineHeight;
    return true;
}

CString SFont::BreakWord(const CString& word, int width, CStringList& words) {
    // A word wider than the whole line is broken inside itself. At least one character stays
    // on each line, so even a rectangle narrower than one glyph makes progress. Every piece is
    // cut here at once from the widths of all prefixes and queued as a word of its own: each
    // piece but the last is the longest prefix of the rest that fits, taken back to just after
    // its last separator, so a path or an address reads in whole names (pieces that then fit
    // together share a line, which still ends at a separator); the last piece is the rest once
    // it fits. A long word costs one pass instead of one per line.
    const int length = word.GetLength();
    std::vector<int> prefix(static_cast<size_t>(length) + 1, 0);
    for (int i = 0; i < length; ++i) {
        const int glyph = CharToGlyph(word[i]);
        prefix[static_cast<size_t>(i) + 1] = prefix[static_cast<size_t>(i)] + m_iAdvance - m_aBlank[glyph] + m_iCharSpacing;
    }
    // lowest[i]: the smallest prefix width from i on. It never falls as i grows, so the last end
    // whose width fits is found by a binary search, even when spacing makes some glyphs negative.
    std::vector<int> lowest(prefix);
    for (int i = length - 1; i >= 0; --i)
        lowest[static_cast<size_t>(i)] = std::min(lowest[static_cast<size_t>(i)], lowest[static_cast<size_t>(i) + 1]);
    std::vector<int> cuts;
    for (int start = 0; start < length;) {
        const int limit = prefix[static_cast<size_t>(start)] + width;
        const auto after = std::upper_bound(lowest.begin() + start + 1, lowest.end(), limit);
        const int fits = std::max(start + 1, static_cast<int>(after - lowest.begin()) - 1);
        const int end = fits < length ? AfterSeparator(word, start, fits) : fits;
        cuts.push_back(end);
        start = end;
    }
    for (size_t i = cuts.size(); i-- > 1;)
        words.AddHead(word.Mid(cuts[i - 1], cuts[i] - cuts[i - 1]));
    return word.Left(cuts.front());
}

void SFont::CalcRect(const char* text, CStringList& work, sys::RECT* pRect, uint32_t format) {
    if (pRect == nullptr)
        return;
    work.RemoveAll();
    SplitWords(text, work);
    const sys::RECT layout = *pRect;
    CString line;
    sys::SIZE size;
    int widest = 0;
    int bottom = layout.top;
    int x = 0;
    int y = 0;
    for (int n = 0; LayoutLine(n, line, work, layout, size, format, x, y); ++n) {
        widest = std::max(widest, size.cx);
        bottom = y + size.cy;
    }
    pRect->right = pRect->left + widest;
    pRect->bottom = bottom;
}

bool SFont::FindLine(const char* text, const sys::RECT& rect, int line, uint32_t format, CString& lineText,
                     int& start) {
    if (text == nullptr || line < 0)
        return false;
    CStringList words;
    SplitWords(text, words);
    const int total = StrLen(text);
    sys::SIZE size;
    int x = 0;
    int y = 0;
    for (int n = 0; n <= line; ++n) {
        // Where this line begins in the text: what the words still waiting do not hold. A word
        // "&&" shows as one character but stands for two of the text.
        int waiting = 0;
        for (POSITION pos = words.GetHeadPosition(); pos != nullptr;)
            waiting += words.GetNext(pos).GetLength();
        start = total - waiting;
        if (!LayoutLine(n, lineText, words, rect, size, format, x, y))
            return false;
    }
    return true;
}

int SFont::CharFromLine(const char* text, const sys::RECT& rect, int line, int column, uint32_t format) {
    CString lineText;
    int start = 0;
    if (column < 0 || !FindLine(text, rect, line, format, lineText, start))
        return -1;
    const int index = start + column;
    return index <= StrLen(text) ? index : -1;
}

int SFont::GetLine(const char* text, const sys::RECT& rect, int line, uint32_t format, char* buffer, int bufferSize) {
    if (buffer == nullptr || bufferSize <= 0)
        return 0;
    CString lineText;
    int start = 0;
    if (!FindLine(text, rect, line, format, lineText, start))
        lineText.Empty();
    const int copied = std::min(lineText.GetLength(), bufferSize - 1);
    std::memcpy(buffer, lineText.GetString(), static_cast<size_t>(copied));
    buffer[copied] = '\0';
    return copied + 1;
}
