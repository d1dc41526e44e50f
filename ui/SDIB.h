#pragma once

#include <cstddef>
#include <cstdint>

#include "core/SResource.h"
#include "sys/gdi/gdi.h"
#include "sys/audio/mmio.h"

class CArchive;
class CFile;
class SDXSurface;

// The toolkit's image resource (kind 1, folder "Images"): a device-independent bitmap in
// memory, an info block (header and room for 256 colours) and the pixel rows, bottom row first,
// each padded to four bytes. Loaded from BMP files, from bitmaps compiled into the program or
// from an archive; drawn through GDI onto a surface; copied pixel by pixel into another bitmap;
// written back as a BMP. Fonts and sprites read their sheets through it. The catalog item or
// whoever made it owns it; it owns its info block and, unless attached to foreign bits, its
// pixels.
class SDIB : public SResource {
    DECLARE_SERIAL(SDIB)

public:
    // The most pixel bytes a picture read from a file or an archive may hold (2048 x 2048 at 32
    // bits, eighteen times the largest screen picture the game has); a larger one is refused as
    // a damaged one is, before anything is allocated for it.
    static constexpr uint64_t kMaxImageBytes = uint64_t{16} << 20;
    // The most an archive's stored BMP image may take: headers, a full colour table and pixels.
    static constexpr uint64_t kMaxStoredBytes = kMaxImageBytes + 14 + 40 + 256 * 4;

    // A 16 x 16 bitmap of 8 bits per pixel with a grey-ramp colour table.
    SDIB();
    ~SDIB() override;
    SDIB(const SDIB&) = delete;
    SDIB& operator=(const SDIB&) = delete;

    // Schema word, transparent index, transparent colour, flip flag, then the bitmap as a
    // length-prefixed BMP image. A stored image that does not read as a bitmap raises
    // CArchiveException and keeps the old picture.
    void Serialize(CArchive& ar) override;

    // Draws the bitmap at (0, 0) of the surface, through its device context.
    int BlitTo(SDXSurface* pTarget) override;
    // Colour entries from nFirst on. The colour table has room for 256 entries (those past the
    // colour count read as black); a null array, a negative first index, a count below 1 or a
    // range past the 256 entries is refused with 0 and nothing written.
    int GetPaletteEntries(int nFirst, int nCount, sys::PALETTEENTRY* pEntries) override;
    int GetColorTable(int nFirst, int nCount, sys::RGBQUAD* pEntries) override;
    int32_t GetWidth() override;
    // As stored: bottom-up bitmaps have a positive height.
    int32_t GetHeight() override;
    // Reads a BMP file at the file's current position. False (old picture kept) for anything
    // that is not an uncompressed 1, 4, 8 or 24-bit bitmap whose pixels the file holds whole.
    bool LoadFromCFile(CFile* pFile) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;

    // Copies a rectangle of 8-bit pixels into another 8-bit bitmap; source bytes equal to
    // nTransparent (unless -1) leave the destination unchanged. A rectangle that does not lie
    // inside both bitmaps, or a bitmap that is not 8-bit, copies nothing.
    virtual void CopyRectTo(SDIB* pDest, int nDestX, int nDestY, int nWidth, int nHeight, int nSrcX, int nSrcY,
                            int nTransparent);
    // A new, black 8-bit bitmap of that size with the grey-ramp colour table. False for a size
    // below 1.
    virtual bool Create(int nWidth, int nHeight);
    // A bitmap compiled into the program (see RegisterBitmapResource); only 40-byte headers
    // with 8 bits per pixel and no compression are taken.
    virtual bool LoadFromResource(uint32_t nResourceId, sys::mmio::HMODULE hModule);
    // False when the file does not open or does not read as a bitmap.
    virtual bool LoadFromPath(const char* pszPath);
    virtual bool ReadFromArchive(CArchive& ar);
    virtual bool WriteToArchive(CArchive& ar);
    // Writes a BMP file at the file's position. False without bits or a file.
    virtual bool WriteBMP(CFile* pFile);
    // The whole bitmap at its own size at (x, y) of the surface with the raster operation; the
    // flip flag is not applied here.
    virtual bool DrawToSurfaceRop(SDXSurface* pSurface, int x, int y, uint32_t dwRop);
    // The same into a device context, turned upside down when the flip flag is set. Answers
    // the GDI result (rows drawn, 0 on failure).
    virtual int DrawToDC(sys::HDC hDC, int x, int y, uint32_t dwRop);
    virtual bool DrawToSurfaceAt(SDXSurface* pSurface, int x, int y);

    // The front-end screens make index 249 transparent.
    void SetTransparentIndex(int nIndex) { m_nTransparentIndex = nIndex; }
    int GetTransparentIndex() const { return m_nTransparentIndex; }
    void SetFlip(bool bFlip) { m_bFlip = bFlip ? 1 : 0; }
    bool GetFlip() const { return m_bFlip != 0; }
    // The colour-table entry at the transparent index as a COLORREF; without an index (or one
    // outside the table) the transparent colour.
    sys::COLORREF GetTransparentColor() const;
    sys::COLORREF GetTransparentColorValue() const { return m_crTransparent; }
    void SetTransparentColorValue(sys::COLORREF crColour) { m_crTransparent = crColour; }
    // Copies the header and its colour table and draws from the caller's bits, which must hold
    // the rows the header describes and outlive the bitmap (or the next load).
    bool Attach(const sys::BITMAPINFO* pInfo, const void* pBits);
    // Maps an 8-bit bitmap onto a 256-entry palette: pixels are rewritten to the nearest
    // palette colours and the palette becomes the colour table. False without a palette or for
    // other depths.
    bool MatchPalette(sys::HPALETTE hPalette);
    int GetColorCount() const;
    // The colour at (x, y), y counted from the top: 8-bit bitmaps answer the colour-table
    // entry as a 32-bit value (blue in the low byte), 24-bit ones the COLORREF; other depths
    // and points outside the bitmap answer 0.
    uint32_t GetPixel(int x, int y) const;
    // Address of the 8-bit pixel at (x, y), y counted from the top; null outside the bitmap
    // or for other depths.
    uint8_t* PixelAddress(int x, int y) const;

    const sys::BITMAPINFO* GetInfo() const { return m_pInfo; }
    const uint8_t* GetBits() const { return m_pBits; }
    int GetBitCount() const { return m_pInfo->bmiHeader.biBitCount; }
    // Bytes from one row to the next: ((width x bits + 31) / 32) x 4.
    size_t GetStride() const;

    // Makes a bitmap (header, colour table, pixels, as in a BMP file after its 14-byte file
    // header) findable by LoadFromResource. A null module is the program itself. The bytes
    // must live as long as the program; null bytes forget the entry.
    static void RegisterBitmapResource(sys::mmio::HMODULE hModule, uint32_t nResourceId, const void* pData,
                                       uint32_t nSize);

private:
    void Replace(sys::BITMAPINFO* pInfo, uint8_t* pBits, bool bOwnsBits, size_t nBitsSize);
    const uint8_t* RowFromTop(int y) const;

    sys::BITMAPINFO* m_pInfo = nullptr;  // always the whole 1,064-byte block
    uint8_t* m_pBits = nullptr;
    int32_t m_bOwnsBits = 0;
    int32_t m_nTransparentIndex = -1;
    sys::COLORREF m_crTransparent = 0xFF00FF;
    int32_t m_bFlip = 0;
    size_t m_nBitsSize = 0;  // bytes the pixel rows take
};

// Registers the image kind (1 = SDIB) with the resource factory; called once at start-up.
void RegisterImageResourceKinds();
