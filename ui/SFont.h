#pragma once

#include <cstdint>

#include "core/SResource.h"
#include "core/SString.h"
#include "sys/classlib/CObList.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CStringList.h"
#include "sys/classlib/CTypedPtrList.h"
#include "sys/gdi/gdi.h"
#include "sys/window/window.h"

class CArchive;
class CFile;
class SDIB;
class SDXDraw;
class SDXSurface;

// One ready-made text of a font: the text rendered once into a surface of its own, so that the
// interface's recurring strings cost one blit per frame. Owned by the font's caches; owns its
// surface.
class SFontCacheItem : public CObject {
    DECLARE_DYNAMIC(SFontCacheItem)

public:
    SFontCacheItem() = default;
    ~SFontCacheItem() override;
    SFontCacheItem(const SFontCacheItem&) = delete;
    SFontCacheItem& operator=(const SFontCacheItem&) = delete;

    SString m_sText;
    sys::RECT m_rcRect;            // the layout rectangle of a draw-text item
    int32_t m_iCountOrFormat = 0;  // character count (text out) or format flags (draw text)
    int32_t m_iCharSpacing = 0;    // the font's spacing when the item was made
    SDXSurface* m_pSurface = nullptr;
};

using SFontCache = CTypedPtrList<CObList, SFontCacheItem*>;

// The toolkit's bitmap font (resource kind 17): a glyph sheet holding the 96 printable
// characters in a grid of equal cells, named by a small ".fnt" archive. Glyphs advance by the
// width measured from their pixels, so the font is proportional. Texts are rendered once into
// cached surfaces (one cache for texts at a point, one for texts laid out in a rectangle) and
// blitted from there. Owned by whoever loaded it (the catalog, the display manager for the
// interface font); drawing contexts only point at it.
class SFont : public SResource {
    DECLARE_SERIAL(SFont)

public:
    static constexpr int kGlyphCount = 96;
    static constexpr int kDefaultCacheLimit = 100;

    SFont();
    // Load(name, draw).
    SFont(const char* name, SDXDraw* draw);
    // LoadFromItem(value1, value2, name, draw).
    SFont(uint32_t value1, uint32_t value2, const char* name, SDXDraw* draw);
    ~SFont() override;
    SFont(const SFont&) = delete;
    SFont& operator=(const SFont&) = delete;

    // The ".fnt" fields: the sheet name and the column count.
    void Serialize(CArchive& ar) override;
    // Copies everything but the sheet surface and the caches.
    SResource* Clone(SResource* pTarget) override;
    // dwFlags carries the display (SDXDraw*) the sheet surface is made on, or 0.
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override;
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override;
    // Reads the ".fnt" fields; true when the column count lies in 1..96 (the sheet is located
    // later).
    bool LoadFromCFile(CFile* pFile) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;

    virtual bool LoadFromItem(uint32_t value1, uint32_t value2, const char* name, SDXDraw* draw);
    // Reads name + ".fnt" (a missing file raises CFileException) and locates the sheet; false
    // for a column count outside 1..96.
    virtual bool Load(const char* name, SDXDraw* draw);
    // Finds the sheet (the folder itself when it names a ".bmp", else the folder joined with the
    // sheet name) and builds it.
    virtual bool Locate(const CString& strFolder, SDXDraw* draw);
    virtual void ClearCache();
    // length -1: up to the terminating zero.
    virtual sys::SIZE GetTextExtent(const char* text, int length);
    // count -1: the whole text. direct: glyph by glyph into the destination (used to fill cache
    // surfaces); otherwise through the text-out cache.
    virtual void TextOut(int x, int y, const char* text, int count, SDXSurface* pDest, bool direct);
    // Win32 DrawText format bits: DT_CENTER, DT_RIGHT, DT_VCENTER, DT_WORDBREAK, DT_CALCRECT.
    virtual void DrawText(const char* text, sys::RECT* pRect, uint32_t format, SDXSurface* pDest);
    // The index in the whole text of a column of a laid-out line; -1 beyond the text.
    virtual int CharFromLine(const char* text, const sys::RECT& rect, int line, int column, uint32_t format);
    // Copies one laid-out line (terminated) into the buffer; answers the length written + 1, at
    // most the buffer size.
    virtual int GetLine(const char* text, const sys::RECT& rect, int line, uint32_t format, char* buffer,
                        int bufferSize);
    // Cuts before and after every " ", "\n" and "-"; words and separators in order.
    virtual void SplitWords(const char* text, CStringList& words);
    virtual void CalcRect(const char* text, CStringList& work, sys::RECT* pRect, uint32_t format);
    // Takes the next line's words from the front of the list; false when none was left.
    virtual bool LayoutLine(int lineNumber, CString& line, CStringList& words, const sys::RECT& rect,
                            sys::SIZE& size, uint32_t format, int& x, int& y);
    virtual bool Rebuild(SDXDraw* draw);
    virtual bool ReleaseSurface();
    virtual bool Restore(SDXDraw* draw);
    virtual void Reset();
    // Reads the sheet bitmap, measures its glyphs and, with a display, copies it into a surface.
    // False for a column count outside 1..96, a missing or unreadable sheet.
    virtual bool Build(SDXDraw* draw);
    virtual int CharToGlyph(char c) const;
    virtual int StrLen(const char* text) const;
    virtual void MeasureGlyphs(SDIB& sheet);
    virtual int BlankColumns(int glyph, SDIB& sheet);
    virtual int GlyphLeft(int glyph) const;
    virtual int GlyphTop(int glyph) const;

    void SetCharSpacing(int pixels) { m_iCharSpacing = pixels; }
    void SetColumns(int count) { m_iColumns = count; }

    SDXSurface* GetSheetSurface() const { return m_pSurface; }
    const CString& GetSheetPath() const { return m_strPath; }
    const CString& GetSheetName() const { return m_strSheetName; }
    void SetSheetName(const char* name) { m_strSheetName = name; }
    void SetPaletteFlag(bool on) { m_bPalette = on ? 1 : 0; }
    int GetColumns() const { return m_iColumns; }
    int GetAdvanceWidth() const { return m_iAdvance; }
    int GetLineHeight() const { return m_iLineHeight; }
    int GetCellWidth() const { return m_iCellWidth; }
    int GetCellHeight() const { return m_iCellHeight; }
    int GetCharSpacing() const { return m_iCharSpacing; }
    int GetBlankWidth(int glyph) const { return m_aBlank[glyph]; }
    const sys::RECT& GetGlyphRect(int glyph) const { return m_aGlyph[glyph]; }
    const SFontCache& GetTextOutCache() const { return m_TextOutCache; }
    const SFontCache& GetDrawTextCache() const { return m_DrawTextCache; }

    static bool IsValidColumnCount(int count) { return count >= 1 && count <= kGlyphCount; }

private:
    // A new cache item whose surface (w x h, filled with the colour key) is ready, appended to
    // the cache with the oldest items beyond the limit dropped; null when no surface was made.
    SFontCacheItem* MakeCacheItem(SFontCache& cache, const char* label, int number, const char* text, int length,
                                  int width, int height);
    // A display rebuild takes every surface made on the DirectDraw object it replaces; a font
    // the display manager was never told of (one a dialog loaded through the catalog) finds
    // its sheet gone when it next writes, and builds it again, with its caches, on that display.
    void RenewLostSheet();
    // Copies a glyph cell to (x, y), cut to the sheet and the destination.
    void BlitGlyph(int glyph, int x, int y, SDXSurface* pDest);
    // Lays out every line up to `line`, giving its text and the index of its first character.
    bool FindLine(const char* text, const sys::RECT& rect, int line, uint32_t format, CString& lineText,
                  int& start);
    // Breaks a word too wide for a line of `width` into lines, queues all but the first piece at
    // the front of `words` and returns the first.
    CString BreakWord(const CString& word, int width, CStringList& words);
    static void DeleteItems(SFontCache& cache);

    SDXSurface* m_pSurface = nullptr;
    CString m_strPath;
    CString m_strSheetName;
    int32_t m_iColumns = 8;
    int32_t m_iAdvance = 15;
    int32_t m_iLineHeight = 15;
    int32_t m_iSheetWidth = 0;
    int32_t m_iSheetHeight = 0;
    int32_t m_iCharSpacing = 0;
    int32_t m_iCellWidth = 0;
    int32_t m_iCellHeight = 0;
    int32_t m_aBlank[kGlyphCount] = {};
    sys::RECT m_aGlyph[kGlyphCount] = {};
    int32_t m_bPalette = 0;
    SFontCache m_DrawTextCache;
    SFontCache m_TextOutCache;
    sys::COLORREF m_crKey = 0xFF00FF;
    int32_t m_iCacheLimit = kDefaultCacheLimit;
    int m_iTextOutNumber = 0;
    int m_iDrawTextNumber = 0;
};

// Lets the resource factory make fonts (kind 17). Called once at start-up.
void RegisterFontResourceKind();
