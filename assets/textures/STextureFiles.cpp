#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "assets/textures/STexture.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/Exceptions.h"
#include "sys/fs/fs.h"
#include "sys/window/dialogs.h"

uint8_t g_byMipRangeFirst = 0;
uint8_t g_byMipRangeEnd = 255;

namespace {

constexpr size_t kSkinHeader = 782;
constexpr size_t kMipHeader = 16;
constexpr size_t kMipPalette = 1024;
constexpr int kMaxSide = 512;
constexpr int kMaxMipLevels = 8;

uint32_t U32(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24; }
int16_t I16(const uint8_t* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The whole file; false when it cannot be opened or read.
bool ReadWhole(const char* pszPath, std::vector<uint8_t>& bytes) {
    CFile file;
    if (!file.Open(pszPath, CFile::modeRead | CFile::typeBinary))
        return false;
    try {
        const uint64_t length = file.GetLength();
        if (length > (64u << 20))
            return false;
        bytes.resize(static_cast<size_t>(length));
        return bytes.empty() || file.Read(bytes.data(), static_cast<unsigned>(bytes.size())) == bytes.size();
    } catch (CFileException&) {
        return false;
    }
}

// Levels of a packed mip record: halved while both sides stay at least 2, at most 8, and the
// top level always.
int MipRecordLevels(int w, int h) {
    int levels = 0;
    while (levels < kMaxMipLevels && w >= 2 && h >= 2) {
        ++levels;
        w /= 2;
        h /= 2;
    }
    return levels < 1 ? 1 : levels;
}

// An 8-bit bottom-up bitmap as stored: its size, bit count, palette entries and rows (each
// width bytes, padding dropped, bottom row first). Every offset and count is checked against
// the file; a refused bitmap answers false.
struct Bitmap8 {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    int colours = 0;
    const uint8_t* palette = nullptr;
    std::vector<uint8_t> rows;
};

enum class BitmapResult { kOk, kBad, kNot8Bit, kTooBig };

BitmapResult ParseBitmap8(const std::vector<uint8_t>& f, Bitmap8& bmp) {
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M')
        return BitmapResult::kBad;
    const uint32_t infoSize = U32(&f[14]);
    const int32_t width = static_cast<int32_t>(U32(&f[18]));
    const int32_t height = static_cast<int32_t>(U32(&f[22]));
    bmp.bitCount = f[28] | f[29] << 8;
    if (infoSize < 40 || infoSize > f.size() - 14)
        return BitmapResult::kBad;
    if (bmp.bitCount != 8)
        return BitmapResult::kNot8Bit;
    if (width > kMaxSide || height > kMaxSide)
        return BitmapResult::kTooBig;
    if (width < 1 || height < 1)
        return BitmapResult::kBad;
    const uint32_t used = U32(&f[46]);
    if (used > 256)
        return BitmapResult::kBad;
    bmp.colours = used == 0 ? 256 : static_cast<int>(used);
    const uint64_t paletteAt = 14 + uint64_t{infoSize};
    if (paletteAt + uint64_t(bmp.colours) * 4 > f.size())
        return BitmapResult::kBad;
    const uint64_t stride = (uint64_t(width) + 3) & ~uint64_t(3);
    const uint64_t pixelsAt = U32(&f[10]);
    if (pixelsAt + stride * uint64_t(height) > f.size())
        return BitmapResult::kBad;
    bmp.width = width;
    bmp.height = height;
    bmp.palette = &f[paletteAt];
    bmp.rows.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        std::memcpy(&bmp.rows[static_cast<size_t>(y) * width], &f[pixelsAt + stride * y], width);
    return BitmapResult::kOk;
}

void FlipRows(uint8_t* pixels, int w, int h) {
    std::vector<uint8_t> row(static_cast<size_t>(w));
    for (int y = 0; y < h / 2; ++y) {
        uint8_t* a = pixels + static_cast<size_t>(y) * w;
        uint8_t* b = pixels + static_cast<size_t>(h - 1 - y) * w;
        std::memcpy(row.data(), a, w);
        std::memcpy(a, b, w);
        std::memcpy(b, row.data(), w);
    }
}

// The open-file cache of packed mip files.
struct MipFileCache {
    bool active = false;
    std::vector<CString> paths;
    std::vector<std::unique_ptr<CFile>> files;
};

MipFileCache& Cache() {
    static MipFileCache cache;
    return cache;
}

void Message(const std::string& text) { sys::dialogs::MessageBox(text, "", sys::MB_OK); }

}  // namespace

// ---- skin files -----------------------------------------------------------------------------

int STexture::LoadSkin(const char* pszPath) {
    std::vector<uint8_t> f;
    if (!ReadWhole(pszPath, f) || f.size() < kSkinHeader || std::memcmp(f.data(), "SKNM", 4) != 0)
        return 0;
    const int w = I16(&f[8]);
    const int h = I16(&f[10]);
    const int levels = I16(&f[12]);
    if (U32(&f[4]) != 1 || w < 4 || w > kMaxSide || h < 4 || h > kMaxSide)
        return 0;
    // The header's level count and the data it implies must be in the file before the texture
    // gives up what it holds.
    const int stored = CountMipLevels(w, h);
    if (levels < 1 || levels > stored)
        return 0;
    // Every level the header names must be stored, whichever build only takes level 0; the
    // in-memory chain reads every level down to sides of 4.
    size_t needed = 0;
    for (int i = 0, lw = w, lh = h; i < (m_iHardware == 1 ? levels : stored); ++i, lw /= 2, lh /= 2)
        needed += static_cast<size_t>(lw) * lh;
    if (f.size() - kSkinHeader < needed)
        return 0;

    SetComponentOffsets();
    m_iWidth = w;
    m_iHeight = h;
    for (int i = 0; i < 256; ++i) {
        const uint8_t* triple = &f[14 + i * 3];
        m_Palette[i][0] = triple[2];
        m_Palette[i][1] = triple[1];
        m_Palette[i][2] = triple[0];
        m_Palette[i][3] = 0;
    }
    SelectPixelFormat();
    m_iLevelCount = stored;
    m_Planes.clear();
    const uint8_t* data = &f[kSkinHeader];
    const int planes = m_iHardware == 1 ? 1 : levels;
    for (int i = 0, lw = w, lh = h; i < planes; ++i, lw /= 2, lh /= 2) {
        PrePlaneTexture plane = NewPlane(lw, lh);
        std::memcpy(plane.m_Pixels.data(), data, plane.m_Pixels.size());
        if (m_iHardware != 1)
            FlipRows(plane.m_Pixels.data(), lw, lh);
        data += plane.m_Pixels.size();
        m_Planes.push_back(std::move(plane));
    }
    return BuildFromPlanes();
}

// ---- 8-bit bitmaps --------------------------------------------------------------------------

int STexture::LoadBitmap8(const char* pszPath) {
    const std::string path(pszPath);
    const std::string skin = (path.size() >= 3 ? path.substr(0, path.size() - 3) : std::string()) + "skn";
    m_FileNames.RemoveAll();
    m_FileNames.AddTail(CString(pszPath));
    {
        CFile probe;
        if (probe.Open(skin.c_str(), CFile::modeRead | CFile::typeBinary)) {
            probe.Close();
            if (LoadSkin(skin.c_str()) == 1)
                return 1;
        }
    }
    std::vector<uint8_t> f;
    Bitmap8 bmp;
    if (!ReadWhole(pszPath, f) || ParseBitmap8(f, bmp) != BitmapResult::kOk)
        return 0;
    m_iWidth = bmp.width;
    m_iHeight = bmp.height;
    std::memcpy(m_Palette, bmp.palette, static_cast<size_t>(bmp.colours) * 4);
    SetComponentOffsets();
    SelectPixelFormat();
    m_iLevelCount = CountMipLevels(m_iWidth, m_iHeight);
    m_Planes.clear();
    PrePlaneTexture plane = NewPlane(bmp.width, bmp.height);
    // The stored rows are bottom first; the hardware build wants the top row first.
    plane.m_Pixels = std::move(bmp.rows);
    if (m_iHardware == 1)
        FlipRows(plane.m_Pixels.data(), bmp.width, bmp.height);
    m_Planes.push_back(std::move(plane));
    return BuildFromPlanes();
}

// ---- packed mip files -----------------------------------------------------------------------

void STexture::BeginFileCache() {
    MipFileCache& cache = Cache();
    if (cache.active)
        return;
    cache.paths.clear();
    cache.files.clear();
    cache.active = true;
}

void STexture::EndFileCache() {
    MipFileCache& cache = Cache();
    cache.files.clear();
    cache.paths.clear();
    cache.active = false;
}

int STexture::LoadFromMipFile() {
    const bool opened = !Cache().active;
    if (opened)
        BeginFileCache();
    int result = 0;
    if (m_iHasMipFile == 1) {
        MipFileCache& cache = Cache();
        const CString path = m_strFolder + "\\" + m_strMipFile;
        CFile* file = nullptr;
        for (size_t i = 0; i < cache.paths.size(); ++i) {
            if (cache.paths[i] == path)
                file = cache.files[i].get();
        }
        if (file == nullptr) {
            auto opening = std::make_unique<CFile>();
            if (opening->Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) {
                file = opening.get();
                cache.paths.push_back(path);
                cache.files.push_back(std::move(opening));
            }
        }
        if (file != nullptr)
            result = ReadMipFile(file, m_iPackOffset);
    }
    if (opened)
        EndFileCache();
    return result;
}

int STexture::ReadMipFile(CFile* pFile, int32_t iOffset) {
    try {
        const uint64_t length = pFile->GetLength();
        if (iOffset < 0 || uint64_t(iOffset) + kMipHeader + kMipPalette > length)
            return 0;
        pFile->Seek(iOffset, CFile::begin);
        uint8_t header[kMipHeader + kMipPalette];
        if (pFile->Read(header, sizeof(header)) != sizeof(header))
            return 0;
        const uint32_t w = U32(header), h = U32(header + 4), levels = U32(header + 8), dataSize = U32(header + 12);
        // A record the build would refuse (sides from 4 to 512) changes nothing.
        if (w < 4 || h < 4 || w > kMaxSide || h > kMaxSide || levels < 1 ||
            levels > static_cast<uint32_t>(MipRecordLevels(static_cast<int>(w), static_cast<int>(h))))
            return 0;
        uint64_t needed = 0;
        for (uint32_t i = 0, lw = w, lh = h; i < levels; ++i, lw /= 2, lh /= 2)
            needed += uint64_t{lw} * lh;
        // The record's own size must cover its levels and lie inside the file.
        if (dataSize < needed || uint64_t(iOffset) + sizeof(header) + dataSize > length)
            return 0;
        std::vector<uint8_t> data(static_cast<size_t>(needed));
        if (pFile->Read(data.data(), static_cast<unsigned>(data.size())) != data.size())
            return 0;

        m_iWidth = static_cast<int32_t>(w);
        m_iHeight = static_cast<int32_t>(h);
        m_iLevelCount = static_cast<int32_t>(levels);
        if (m_iHardware == 1) {
            std::memcpy(m_Palette, header + kMipHeader, kMipPalette);
            for (auto& entry : m_Palette)
                entry[3] = 0;
        }
        SetComponentOffsets();
        SelectPixelFormat();
        m_Planes.clear();
        const uint8_t* level = data.data();
        const uint32_t planes = m_iHardware == 1 ? 1 : levels;
        for (uint32_t i = 0, lw = w, lh = h; i < planes; ++i, lw /= 2, lh /= 2) {
            PrePlaneTexture plane = NewPlane(static_cast<int>(lw), static_cast<int>(lh));
            std::memcpy(plane.m_Pixels.data(), level, plane.m_Pixels.size());
            FlipRows(plane.m_Pixels.data(), static_cast<int>(lw), static_cast<int>(lh));
            level += plane.m_Pixels.size();
            m_Planes.push_back(std::move(plane));
        }
    } catch (CFileException&) {
        return 0;
    }
    return BuildFromPlanes();
}

int STexture::GenerateMipFile(CFile* pFile) {
    m_iPackOffset = static_cast<int32_t>(pFile->GetPosition());
    m_iLevelCount = 0;
    if (m_FileNames.IsEmpty()) {
        Message("There does not appear to be an image to generate the MIPs from!");
        return 0;
    }
    const CString path = m_strFolder + "\\" + m_FileNames.GetHead();
    std::vector<uint8_t> f;
    if (!ReadWhole(path, f))
        return 0;
    Bitmap8 bmp;
    switch (ParseBitmap8(f, bmp)) {
    case BitmapResult::kOk:
        break;
    case BitmapResult::kNot8Bit:
        Message("Error: file " + std::string(path) + " is not an 8 bit texture.  Aborting mipmap creation for this texture.");
        return 0;
    case BitmapResult::kTooBig:
        Message("Error: " + std::string(path) + " is too big to mip.  Size must be < 512");
        return 0;
    case BitmapResult::kBad:
        return 0;
    }
    m_iWidth = bmp.width;
    m_iHeight = bmp.height;
    m_iLevelCount = MipRecordLevels(bmp.width, bmp.height);

    uint8_t record[256][4] = {};
    for (int i = 0; i < 256; ++i) {
        for (int c = 0; c < 3; ++c)
            m_Palette[i][c] = record[i][c] = i < bmp.colours ? bmp.palette[i * 4 + c] : 0;
    }
    g_byMipRangeFirst = 0;
    g_byMipRangeEnd = 255;
    if (m_pPaletteRanges != nullptr && m_iPaletteGroup >= 0) {
        g_byMipRangeFirst = m_pPaletteRanges[m_iPaletteGroup][0];
        g_byMipRangeEnd = m_pPaletteRanges[m_iPaletteGroup][1];
    }

    std::vector<uint8_t> out;
    PutU32(out, static_cast<uint32_t>(bmp.width));
    PutU32(out, static_cast<uint32_t>(bmp.height));
    PutU32(out, static_cast<uint32_t>(m_iLevelCount));
    size_t dataSize = 0;
    for (int i = 0, w = bmp.width, h = bmp.height; i < m_iLevelCount; ++i, w /= 2, h /= 2)
        dataSize += static_cast<size_t>(w) * h;
    PutU32(out, static_cast<uint32_t>(dataSize));
    out.insert(out.end(), &record[0][0], &record[0][0] + kMipPalette);
    out.insert(out.end(), bmp.rows.begin(), bmp.rows.end());
    std::vector<uint8_t> level;
    for (int i = 1, w = bmp.width / 2, h = bmp.height / 2; i < m_iLevelCount; ++i, w /= 2, h /= 2) {
        level.assign(static_cast<size_t>(w) * h, 0);
        ReduceIndexedImage(bmp.rows.data(), level.data(), bmp.width, bmp.height, w, h, record, m_iKeyIndex);
        out.insert(out.end(), level.begin(), level.end());
    }
    pFile->Write(out.data(), static_cast<unsigned>(out.size()));
    m_iHasMipFile = 1;
    m_iWidth = -1;
    m_iHeight = -1;
    return 1;
}

int STexture::WriteMipFile(const char* pszName) {
    const CString path = m_strFolder + "\\" + pszName;
    // The record is made in memory and the file replaced whole, so a failed write leaves the
    // old file as it was.
    CMemFile memory;
    const int result = GenerateMipFile(&memory);
    if (result == 0)
        return 0;
    std::string contents(static_cast<size_t>(memory.GetLength()), '\0');
    memory.SeekToBegin();
    if (!contents.empty())
        memory.Read(contents.data(), static_cast<unsigned>(contents.size()));
    if (!sys::fs::WriteFileAtomically(static_cast<const char*>(path), contents)) {
        Message("There was an error saving " + std::string(path) + "!");
        return 0;
    }
    return result;
}

// ---- the writer's reduction -----------------------------------------------------------------

uint8_t NearestPaletteIndex(float fRed, float fGreen, float fBlue, const uint8_t (*pPalette)[4]) {
    const int target[3] = {static_cast<uint8_t>(static_cast<int>(fRed)), static_cast<uint8_t>(static_cast<int>(fGreen)),
                           static_cast<uint8_t>(static_cast<int>(fBlue))};
    uint8_t best = g_byMipRangeFirst;
    int bestDistance = -1;
    for (int e = g_byMipRangeFirst; e < g_byMipRangeEnd; ++e) {
        int distance = 0;
        for (int c = 0; c < 3; ++c) {
            const int d = pPalette[e][c] - target[c];
            distance += d * d;
        }
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<uint8_t>(e);
        }
    }
    return best;
}

void ReduceIndexedImage(const uint8_t* pSource, uint8_t* pDest, int iSourceWidth, int iSourceHeight, int iDestWidth,
                        int iDestHeight, const uint8_t (*pPalette)[4], int iKeyIndex) {
    if (iDestWidth < 1 || iDestHeight < 1)
        return;
    const int bw = iSourceWidth / iDestWidth;
    const int bh = iSourceHeight / iDestHeight;
    for (int y = 0; y < iDestHeight; ++y) {
        for (int x = 0; x < iDestWidth; ++x) {
            float sum[3] = {};
            int count = 0;
            for (int j = 0; j < bh; ++j) {
                for (int i = 0; i < bw; ++i) {
                    const uint8_t p = pSource[static_cast<size_t>(y * bh + j) * iSourceWidth + x * bw + i];
                    if (p == iKeyIndex)
                        continue;
                    for (int c = 0; c < 3; ++c)
                        sum[c] += pPalette[p][c];
                    ++count;
                }
            }
            pDest[static_cast<size_t>(y) * iDestWidth + x] =
                3 * count > bw * bh ? NearestPaletteIndex(sum[0] / count, sum[1] / count, sum[2] / count, pPalette)
                                    : static_cast<uint8_t>(iKeyIndex);
        }
    }
}
