#include "ui/SDIB.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "core/SResourceFactory.h"
#include "dx/display/SDXSurface.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/CMemFile.h"

IMPLEMENT_SERIAL(SDIB, SResource, 1)

namespace {

constexpr uint16_t kBmpType = 0x4D42;  // "BM"
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kCoreHeaderSize = 12;
// Compiled-in bitmaps share the platform's table of program resources under this type.
constexpr const char* kBitmapResourceType = "BITMAP";

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

void PutU16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* p, uint32_t v) {
    PutU16(p, v);
    PutU16(p + 2, v >> 16);
}

// The 40-byte header as a BMP file stores it, from its fields (so the byte order is fixed).
void HeaderFromBytes(const uint8_t* p, sys::BITMAPINFOHEADER& h) {
    h.biSize = ReadU32(p);
    h.biWidth = static_cast<int32_t>(ReadU32(p + 4));
    h.biHeight = static_cast<int32_t>(ReadU32(p + 8));
    h.biPlanes = ReadU16(p + 12);
    h.biBitCount = ReadU16(p + 14);
    h.biCompression = ReadU32(p + 16);
    h.biSizeImage = ReadU32(p + 20);
    h.biXPelsPerMeter = static_cast<int32_t>(ReadU32(p + 24));
    h.biYPelsPerMeter = static_cast<int32_t>(ReadU32(p + 28));
    h.biClrUsed = ReadU32(p + 32);
    h.biClrImportant = ReadU32(p + 36);
}

void HeaderToBytes(const sys::BITMAPINFOHEADER& h, uint8_t* p) {
    PutU32(p, h.biSize);
    PutU32(p + 4, static_cast<uint32_t>(h.biWidth));
    PutU32(p + 8, static_cast<uint32_t>(h.biHeight));
    PutU16(p + 12, h.biPlanes);
    PutU16(p + 14, h.biBitCount);
    PutU32(p + 16, h.biCompression);
    PutU32(p + 20, h.biSizeImage);
    PutU32(p + 24, static_cast<uint32_t>(h.biXPelsPerMeter));
    PutU32(p + 28, static_cast<uint32_t>(h.biYPelsPerMeter));
    PutU32(p + 32, h.biClrUsed);
    PutU32(p + 36, h.biClrImportant);
}

// Colours a header's table holds: the bit count decides (2, 16, 256, none), a Windows header's
// non-zero biClrUsed replaces that, and no table holds more than 256.
int ColourCount(const sys::BITMAPINFOHEADER& h, bool bCoreHeader) {
    uint32_t count = 0;
    switch (h.biBitCount) {
        case 1: count = 2; break;
        case 4: count = 16; break;
        case 8: count = 256; break;
        default: break;
    }
    if (!bCoreHeader && h.biClrUsed != 0)
        count = h.biClrUsed;
    return static_cast<int>(std::min<uint32_t>(count, 256));
}

uint64_t StrideOf(int32_t nWidth, uint16_t nBits) {
    return (static_cast<uint64_t>(nWidth) * nBits + 31) / 32 * 4;
}

uint64_t RowCount(int32_t nHeight) { return static_cast<uint64_t>(std::abs(static_cast<int64_t>(nHeight))); }

bool IsReadableDepth(uint16_t nBits) { return nBits == 1 || nBits == 4 || nBits == 8 || nBits == 24; }

// A new info block, all 1,064 bytes zeroed, so every colour lookup stays inside it.
sys::BITMAPINFO* NewInfo() { return new sys::BITMAPINFO{}; }

void GreyRamp(sys::BITMAPINFO& info) {
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<uint8_t>(i);
        info.bmiColors[i] = sys::RGBQUAD{level, level, level, 0};
    }
}

}  // namespace

void RegisterImageResourceKinds() { SResourceFactory::RegisterKind<SDIB>(kKindImage); }

SDIB::SDIB() { Create(16, 16); }

SDIB::~SDIB() { Replace(nullptr, nullptr, false, 0); }

void SDIB::Replace(sys::BITMAPINFO* pInfo, uint8_t* pBits, bool bOwnsBits, size_t nBitsSize) {
    delete m_pInfo;
    if (m_bOwnsBits != 0)
        delete[] m_pBits;
    m_pInfo = pInfo;
    m_pBits = pBits;
    m_bOwnsBits = bOwnsBits ? 1 : 0;
    m_nBitsSize = nBitsSize;
}

size_t SDIB::GetStride() const {
    return static_cast<size_t>(StrideOf(m_pInfo->bmiHeader.biWidth, m_pInfo->bmiHeader.biBitCount));
}

int SDIB::GetColorCount() const { return ColourCount(m_pInfo->bmiHeader, m_pInfo->bmiHeader.biSize == kCoreHeaderSize); }

int32_t SDIB::GetWidth() { return m_pInfo->bmiHeader.biWidth; }

int32_t SDIB::GetHeight() { return m_pInfo->bmiHeader.biHeight; }

int32_t SDIB::Accept(SResourceVisitor* pVisitor) { return pVisitor != nullptr ? pVisitor->VisitDIB(this) : 0; }

bool SDIB::Create(int nWidth, int nHeight) {
    if (nWidth < 1 || nHeight < 1)
        return false;
    const size_t nImage = static_cast<size_t>((static_cast<uint64_t>(nWidth) + 3) & ~uint64_t{3}) *
                          static_cast<size_t>(nHeight);
    auto* pBits = new (std::nothrow) uint8_t[nImage]();
    if (pBits == nullptr)
        return false;
    sys::BITMAPINFO* pInfo = NewInfo();
    sys::BITMAPINFOHEADER& h = pInfo->bmiHeader;
    h.biSize = kInfoHeaderSize;
    h.biWidth = nWidth;
    h.biHeight = nHeight;
    h.biPlanes = 1;
    h.biBitCount = 8;
    h.biCompression = sys::BI_RGB;
    h.biSizeImage = static_cast<uint32_t>(nImage);
    GreyRamp(*pInfo);
    Replace(pInfo, pBits, true, nImage);
    return true;
}

// ---- reading --------------------------------------------------------------------------------

bool SDIB::LoadFromCFile(CFile* pFile) {
    if (pFile == nullptr)
        return false;
    const uint64_t nStart = pFile->GetPosition();
    const uint64_t nLength = pFile->GetLength();

    uint8_t fileHeader[kFileHeaderSize];
    if (pFile->Read(fileHeader, kFileHeaderSize) != kFileHeaderSize || ReadU16(fileHeader) != kBmpType)
        return false;
    const uint32_t nPixelOffset = ReadU32(fileHeader + 10);

    // The header's own size tells the two kinds apart: 12 bytes for an OS/2 core header, 40 or
    // more for a Windows one (later versions only add fields after the first 40 bytes).
    uint8_t headerBytes[kInfoHeaderSize] = {};
    if (pFile->Read(headerBytes, 4) != 4)
        return false;
    const uint32_t nHeaderSize = ReadU32(headerBytes);
    const bool bCore = nHeaderSize == kCoreHeaderSize;
    sys::BITMAPINFOHEADER header;
    if (bCore) {
        if (pFile->Read(headerBytes + 4, 8) != 8)
            return false;
        header.biWidth = ReadU16(headerBytes + 4);
        header.biHeight = ReadU16(headerBytes + 6);
        header.biPlanes = ReadU16(headerBytes + 8);
        header.biBitCount = ReadU16(headerBytes + 10);
    } else if (nHeaderSize >= kInfoHeaderSize) {
        if (pFile->Read(headerBytes + 4, kInfoHeaderSize - 4) != kInfoHeaderSize - 4)
            return false;
        HeaderFromBytes(headerBytes, header);
    } else {
        return false;
    }
    if (!IsReadableDepth(header.biBitCount) || header.biCompression != sys::BI_RGB || header.biWidth < 1 ||
        header.biHeight == 0)
        return false;
    const int nColours = ColourCount(header, bCore);
    header.biSize = kInfoHeaderSize;
    if (!bCore && header.biClrUsed != 0)
        header.biClrUsed = static_cast<uint32_t>(nColours);

    // The colour table lies right behind the header, whatever its length.
    const uint32_t nEntrySize = bCore ? 3 : 4;
    const uint32_t nTableBytes = static_cast<uint32_t>(nColours) * nEntrySize;
    std::vector<uint8_t> table(nTableBytes);
    pFile->Seek(static_cast<int64_t>(nStart + kFileHeaderSize + nHeaderSize), CFile::begin);
    if (nTableBytes != 0 && pFile->Read(table.data(), nTableBytes) != nTableBytes)
        return false;

    // Every row must be there before anything is allocated for them.
    const uint64_t nImage = StrideOf(header.biWidth, header.biBitCount) * RowCount(header.biHeight);
    const uint64_t nPixelStart = nStart + nPixelOffset;
    if (nPixelStart > nLength || nLength - nPixelStart < nImage || nImage > kMaxImageBytes)
        return false;
    header.biSizeImage = static_cast<uint32_t>(nImage);

    auto* pBits = new (std::nothrow) uint8_t[static_cast<size_t>(nImage)];
    if (pBits == nullptr)
        return false;
    pFile->Seek(static_cast<int64_t>(nPixelStart), CFile::begin);
    if (pFile->Read(pBits, static_cast<unsigned>(nImage)) != nImage) {
        delete[] pBits;
        return false;
    }

    sys::BITMAPINFO* pInfo = NewInfo();
    pInfo->bmiHeader = header;
    for (int i = 0; i < nColours; ++i) {
        const uint8_t* e = table.data() + static_cast<size_t>(i) * nEntrySize;
        pInfo->bmiColors[i] = sys::RGBQUAD{e[0], e[1], e[2], bCore ? uint8_t{0} : e[3]};
    }
    Replace(pInfo, pBits, true, static_cast<size_t>(nImage));
    return true;
}

bool SDIB::LoadFromPath(const char* pszPath) {
    if (pszPath == nullptr)
        return false;
    CFile file;
    if (!file.Open(pszPath, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary))
        return false;
    const bool bLoaded = LoadFromCFile(&file);
    file.Close();
    return bLoaded;
}

bool SDIB::LoadFromResource(uint32_t nResourceId, sys::mmio::HMODULE hModule) {
    const void* pData = nullptr;
    uint32_t nSize = 0;
    if (nResourceId > 0xFFFF ||
        !sys::mmio::FindResource(hModule, kBitmapResourceType, static_cast<uint16_t>(nResourceId), &pData, &nSize) ||
        nSize < kInfoHeaderSize)
        return false;
    const auto* pBytes = static_cast<const uint8_t*>(pData);
    sys::BITMAPINFOHEADER header;
    HeaderFromBytes(pBytes, header);
    if (header.biSize != kInfoHeaderSize || header.biBitCount != 8 || header.biCompression != sys::BI_RGB ||
        header.biWidth < 1 || header.biHeight == 0)
        return false;
    // The pixels follow the colour table the header announces (256 entries unless it says
    // fewer), and every row must be there.
    const int nColours = ColourCount(header, false);
    const uint64_t nPixelStart = kInfoHeaderSize + static_cast<uint64_t>(nColours) * 4;
    const uint64_t nImage = StrideOf(header.biWidth, 8) * RowCount(header.biHeight);
    if (nPixelStart > nSize || nSize - nPixelStart < nImage)
        return false;
    // A size of 0 (or one too small for the rows) is worked out from the rows.
    if (header.biSizeImage < nImage)
        header.biSizeImage = static_cast<uint32_t>(nImage);

    auto* pBits = new (std::nothrow) uint8_t[static_cast<size_t>(nImage)];
    if (pBits == nullptr)
        return false;
    std::memcpy(pBits, pBytes + nPixelStart, static_cast<size_t>(nImage));
    sys::BITMAPINFO* pInfo = NewInfo();
    pInfo->bmiHeader = header;
    std::memcpy(pInfo->bmiColors, pBytes + kInfoHeaderSize, static_cast<size_t>(nColours) * 4);
    Replace(pInfo, pBits, true, static_cast<size_t>(nImage));
    return true;
}

void SDIB::RegisterBitmapResource(sys::mmio::HMODULE hModule, uint32_t nResourceId, const void* pData,
                                  uint32_t nSize) {
    sys::mmio::RegisterResource(hModule, kBitmapResourceType, static_cast<uint16_t>(nResourceId), pData, nSize);
}

bool SDIB::Attach(const sys::BITMAPINFO* pInfo, const void* pBits) {
    if (pInfo == nullptr || pBits == nullptr || pInfo->bmiHeader.biSize < kInfoHeaderSize)
        return false;
    sys::BITMAPINFO* pCopy = NewInfo();
    pCopy->bmiHeader = pInfo->bmiHeader;
    const int nColours = ColourCount(pInfo->bmiHeader, false);
    std::memcpy(pCopy->bmiColors, pInfo->bmiColors, static_cast<size_t>(nColours) * 4);
    const uint64_t nRows = StrideOf(pInfo->bmiHeader.biWidth, pInfo->bmiHeader.biBitCount) *
                           RowCount(pInfo->bmiHeader.biHeight);
    const size_t nSize = static_cast<size_t>(std::max<uint64_t>(nRows, pInfo->bmiHeader.biSizeImage));
    Replace(pCopy, static_cast<uint8_t*>(const_cast<void*>(pBits)), false, nSize);
    return true;
}

bool SDIB::ReadFromArchive(CArchive& ar) { return LoadFromCFile(ar.GetFile()); }

// ---- writing --------------------------------------------------------------------------------

bool SDIB::WriteBMP(CFile* pFile) {
    if (pFile == nullptr || m_pInfo == nullptr || m_pBits == nullptr)
        return false;
    const sys::BITMAPINFOHEADER& h = m_pInfo->bmiHeader;
    // Never fewer bytes than the rows take, so what is written reads back.
    uint64_t nImage = std::max<uint64_t>(h.biSizeImage, StrideOf(h.biWidth, h.biBitCount) * RowCount(h.biHeight));
    nImage = std::min<uint64_t>(nImage, m_nBitsSize);
    const uint32_t nColours = static_cast<uint32_t>(GetColorCount());
    const uint32_t nHeaderBytes = kInfoHeaderSize + 4 * nColours;

    std::vector<uint8_t> head(kFileHeaderSize + nHeaderBytes);
    PutU16(head.data(), kBmpType);
    PutU32(head.data() + 2, static_cast<uint32_t>(nHeaderBytes + nImage + kFileHeaderSize));
    PutU32(head.data() + 10, nHeaderBytes + kFileHeaderSize);
    sys::BITMAPINFOHEADER stored = h;
    stored.biSize = kInfoHeaderSize;
    HeaderToBytes(stored, head.data() + kFileHeaderSize);
    std::memcpy(head.data() + kFileHeaderSize + kInfoHeaderSize, m_pInfo->bmiColors, 4 * nColours);
    pFile->Write(head.data(), static_cast<unsigned>(head.size()));
    pFile->Write(m_pBits, static_cast<unsigned>(nImage));
    return true;
}

bool SDIB::WriteToArchive(CArchive& ar) { return WriteBMP(ar.GetFile()); }

void SDIB::Serialize(CArchive& ar) {
    SResource::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<uint32_t>(m_nTransparentIndex) << static_cast<uint32_t>(m_crTransparent)
           << static_cast<uint32_t>(m_bFlip);
        CMemFile image(1024);
        WriteBMP(&image);
        const auto nLength = static_cast<uint32_t>(image.GetLength());
        ar << nLength;
        uint8_t* pBytes = image.Detach();
        if (pBytes != nullptr) {
            ar.Write(pBytes, nLength);
            std::free(pBytes);
        }
        return;
    }
    uint32_t nIndex = 0;
    uint32_t nColour = 0;
    uint32_t nFlip = 0;
    uint32_t nLength = 0;
    ar >> nIndex >> nColour >> nFlip >> nLength;
    if (nLength > kMaxStoredBytes)
        ThrowArchiveException(CArchiveException::genericException, ar.GetFileName());
    ar.EnsureAvailable(nLength);
    std::vector<uint8_t> bytes(nLength);
    if (nLength != 0 && ar.Read(bytes.data(), nLength) != nLength)
        ThrowArchiveException(CArchiveException::endOfFile, ar.GetFileName());
    CMemFile image(bytes.data(), nLength, 0);
    if (!LoadFromCFile(&image))
        ThrowArchiveException(CArchiveException::genericException, ar.GetFileName());
    m_nTransparentIndex = static_cast<int32_t>(nIndex);
    m_crTransparent = nColour;
    m_bFlip = static_cast<int32_t>(nFlip);
}

// ---- colours and pixels -----------------------------------------------------------------------

int SDIB::GetPaletteEntries(int nFirst, int nCount, sys::PALETTEENTRY* pEntries) {
    if (pEntries == nullptr || nFirst < 0 || nCount < 1 || nFirst > 256 || nCount > 256 - nFirst)
        return 0;
    for (int i = 0; i < nCount; ++i) {
        const sys::RGBQUAD& q = m_pInfo->bmiColors[nFirst + i];
        pEntries[i] = sys::PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
    }
    return 1;
}

int SDIB::GetColorTable(int nFirst, int nCount, sys::RGBQUAD* pEntries) {
    if (pEntries == nullptr || nFirst < 0 || nCount < 1 || nFirst > 256 || nCount > 256 - nFirst)
        return 0;
    std::memcpy(pEntries, m_pInfo->bmiColors + nFirst, static_cast<size_t>(nCount) * sizeof(sys::RGBQUAD));
    return 1;
}

sys::COLORREF SDIB::GetTransparentColor() const {
    if (m_nTransparentIndex < 0 || m_nTransparentIndex > 255)
        return m_crTransparent;
    const sys::RGBQUAD& q = m_pInfo->bmiColors[m_nTransparentIndex];
    return sys::RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

bool SDIB::MatchPalette(sys::HPALETTE hPalette) {
    if (hPalette == nullptr || m_pBits == nullptr || GetBitCount() != 8)
        return false;
    uint8_t map[256];
    for (int i = 0; i < 256; ++i) {
        const sys::RGBQUAD& q = m_pInfo->bmiColors[i];
        const uint32_t nNearest =
            sys::gdi::GetNearestPaletteIndex(hPalette, sys::RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
        if (nNearest == sys::CLR_INVALID)
            return false;
        map[i] = static_cast<uint8_t>(nNearest);
    }
    sys::PALETTEENTRY entries[256] = {};
    sys::gdi::GetPaletteEntries(hPalette, 0, 256, entries);
    for (size_t i = 0; i < m_nBitsSize; ++i)
        m_pBits[i] = map[m_pBits[i]];
    for (int i = 0; i < 256; ++i)
        m_pInfo->bmiColors[i] = sys::RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    m_pInfo->bmiHeader.biClrUsed = 256;
    return true;
}

const uint8_t* SDIB::RowFromTop(int y) const {
    const int32_t nHeight = m_pInfo->bmiHeader.biHeight;
    const size_t nRow = nHeight > 0 ? static_cast<size_t>(nHeight - 1 - y) : static_cast<size_t>(y);
    return m_pBits + nRow * GetStride();
}

uint32_t SDIB::GetPixel(int x, int y) const {
    const sys::BITMAPINFOHEADER& h = m_pInfo->bmiHeader;
    if (m_pBits == nullptr || x < 0 || y < 0 || x >= h.biWidth || static_cast<uint64_t>(y) >= RowCount(h.biHeight))
        return 0;
    const uint8_t* pRow = RowFromTop(y);
    if (h.biBitCount == 8) {
        const sys::RGBQUAD& q = m_pInfo->bmiColors[pRow[x]];
        return static_cast<uint32_t>(q.rgbBlue) | (static_cast<uint32_t>(q.rgbGreen) << 8) |
               (static_cast<uint32_t>(q.rgbRed) << 16) | (static_cast<uint32_t>(q.rgbReserved) << 24);
    }
    if (h.biBitCount == 24) {
        const uint8_t* p = pRow + static_cast<size_t>(x) * 3;
        return sys::RGB(p[2], p[1], p[0]);
    }
    return 0;
}

uint8_t* SDIB::PixelAddress(int x, int y) const {
    const sys::BITMAPINFOHEADER& h = m_pInfo->bmiHeader;
    if (m_pBits == nullptr || h.biBitCount != 8 || x < 0 || y < 0 || x >= h.biWidth ||
        static_cast<uint64_t>(y) >= RowCount(h.biHeight))
        return nullptr;
    return const_cast<uint8_t*>(RowFromTop(y)) + x;
}

void SDIB::CopyRectTo(SDIB* pDest, int nDestX, int nDestY, int nWidth, int nHeight, int nSrcX, int nSrcY,
                      int nTransparent) {
    if (pDest == nullptr || nWidth <= 0 || nHeight <= 0 || m_pBits == nullptr || pDest->m_pBits == nullptr ||
        GetBitCount() != 8 || pDest->GetBitCount() != 8)
        return;
    auto inside = [nWidth, nHeight](const SDIB& dib, int x, int y) {
        const sys::BITMAPINFOHEADER& h = dib.m_pInfo->bmiHeader;
        return x >= 0 && y >= 0 && static_cast<int64_t>(x) + nWidth <= h.biWidth &&
               static_cast<uint64_t>(y) + static_cast<uint64_t>(nHeight) <= RowCount(h.biHeight);
    };
    if (!inside(*this, nSrcX, nSrcY) || !inside(*pDest, nDestX, nDestY))
        return;
    // From the rectangle's bottom row upwards, as the rows lie in memory.
    for (int r = nHeight - 1; r >= 0; --r) {
        const uint8_t* pSrc = RowFromTop(nSrcY + r) + nSrcX;
        uint8_t* pDst = const_cast<uint8_t*>(pDest->RowFromTop(nDestY + r)) + nDestX;
        if (nTransparent == -1) {
            std::memmove(pDst, pSrc, static_cast<size_t>(nWidth));
            continue;
        }
        const auto key = static_cast<uint8_t>(nTransparent);
        for (int x = 0; x < nWidth; ++x) {
            if (pSrc[x] != key)
                pDst[x] = pSrc[x];
        }
    }
}

// ---- drawing ----------------------------------------------------------------------------------

int SDIB::DrawToDC(sys::HDC hDC, int x, int y, uint32_t dwRop) {
    if (hDC == nullptr || m_pBits == nullptr)
        return 0;
    const int nWidth = m_pInfo->bmiHeader.biWidth;
    const int nHeight = static_cast<int>(RowCount(m_pInfo->bmiHeader.biHeight));
    return sys::gdi::StretchDIBits(hDC, x, y, nWidth, m_bFlip != 0 ? -nHeight : nHeight, 0, 0, nWidth, nHeight,
                                   m_pBits, m_pInfo, sys::DIB_RGB_COLORS, dwRop);
}

bool SDIB::DrawToSurfaceRop(SDXSurface* pSurface, int x, int y, uint32_t dwRop) {
    if (pSurface == nullptr || m_pBits == nullptr)
        return false;
    sys::HDC hDC = nullptr;
    if (!pSurface->GetDC(&hDC))
        return false;
    const int nWidth = m_pInfo->bmiHeader.biWidth;
    const int nHeight = static_cast<int>(RowCount(m_pInfo->bmiHeader.biHeight));
    const int nDrawn = sys::gdi::StretchDIBits(hDC, x, y, nWidth, nHeight, 0, 0, nWidth, nHeight, m_pBits, m_pInfo,
                                               sys::DIB_RGB_COLORS, dwRop);
    const bool bReleased = pSurface->ReleaseDC(hDC) != 0;
    return nDrawn != 0 && bReleased;
}

bool SDIB::DrawToSurfaceAt(SDXSurface* pSurface, int x, int y) {
    return DrawToSurfaceRop(pSurface, x, y, sys::SRCCOPY);
}

int SDIB::BlitTo(SDXSurface* pTarget) {
    if (pTarget == nullptr)
        return 0;
    sys::HDC hDC = nullptr;
    if (!pTarget->GetDC(&hDC))
        return 0;
    const int nDrawn = DrawToDC(hDC, 0, 0, sys::SRCCOPY);
    const bool bReleased = pTarget->ReleaseDC(hDC) != 0;
    return nDrawn != 0 && bReleased ? 1 : 0;
}
