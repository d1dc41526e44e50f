#pragma once

#include <cstdint>
#include <vector>

#include "assets/textures/STexTag.h"
#include "sys/classlib/CString.h"

// One MIP level of a texture format: its size, its packed pixels (rows of pitch bytes) and
// its alpha plane (width bytes a row), the lock and source flags, and where its pixels lie in
// the container's file. Owned by its format.
struct STexLayer {
    int16_t width = -1;
    int16_t height = -1;
    int16_t pitch = 0;
    std::vector<uint8_t> rgb;      // pitch x height bytes while present
    std::vector<uint8_t> alpha;    // width x height bytes while present
    bool hasRGB = false;
    bool hasAlpha = false;
    int32_t rgbLock = 0;
    int32_t alphaLock = 0;
    int32_t rgbSource = 0;
    int32_t alphaSource = 0;
    int32_t rgbOffset = -1;
    int32_t alphaOffset = -1;

    // A layer of this size with zeroed colour (pitch rounded up to 4 bytes when asked) and,
    // with alpha, a fully opaque alpha plane.
    static STexLayer* Create(int width, int height, int bytesPerPixel, bool withAlpha, bool roundPitch);
    // Whether a row of this many pixels, padded to 32-bit words, fits the 16-bit pitch.
    static bool PitchFits(int width, int bytesPerPixel) {
        return ((static_cast<int64_t>(bytesPerPixel) * width + 3) & ~int64_t(3)) <= 0x7FFF;
    }
    void FreeRGB();
    void FreeAlpha();
};

// One way of storing a texture's pixels: bytes per pixel, where each channel sits and how
// wide it is, an optional alpha plane and palette, and a layer per MIP level. Converts
// between its packed storage and the working form (32-bit pixels, blue in the lowest byte)
// and 8-bit alpha planes. Owned by its texture container once added; until then by whoever
// made it.
class STexFormat : public STexTagList {
public:
    enum Channel { kRed = 0, kGreen = 1, kBlue = 2, kAlpha = 3 };

    STexFormat();
    ~STexFormat();
    STexFormat(const STexFormat&) = delete;
    STexFormat& operator=(const STexFormat&) = delete;

    // A new format from one line of sixteen space-separated fields; null when the line asks
    // for a layout the conversions cannot store (see IsStorableLayout).
    static STexFormat* Parse(const char* line);
    // Bytes per pixel 1 to 4, channel widths up to 8 bits with a colour width of at least one
    // bit for packed pixels, and an alpha width of at least one bit when the format has alpha.
    bool IsStorableLayout() const;

    int32_t SetRecordErrors(int32_t flag) { return m_iRecordErrors = flag; }
    int32_t GetRecordErrors() const { return m_iRecordErrors; }
    CString GetLastError() const { return m_iRecordErrors == 1 ? m_strLastError : CString(); }
    void ClearLastError() { m_strLastError.Empty(); }

    int16_t GetMIPDepth() const { return m_iMIPDepth; }
    STexLayer* GetLayer(int16_t layer);
    int HasAlpha() const { return m_iNoAlpha == 0 ? 1 : 0; }
    int IsPalettized() const { return m_iColorBits <= 1 && m_iBytesPerPixel == 1 ? 1 : 0; }
    // Same bit counts, bytes per pixel and channel widths, shifts and masks.
    bool SameLayout(const STexFormat& other) const;

    int SetLayerRGBLock(int16_t layer, int32_t value);
    int32_t GetLayerRGBLock(int16_t layer);
    int SetLayerAlphaLock(int16_t layer, int32_t value);
    int32_t GetLayerAlphaLock(int16_t layer);
    int SetLayerRGBSource(int16_t layer, int32_t value);
    int32_t GetLayerRGBSource(int16_t layer);
    int SetLayerAlphaSource(int16_t layer, int32_t value);
    int32_t GetLayerAlphaSource(int16_t layer);

    // Without a buffer: the bytes the copy writes. With one: 0 after writing the layer in
    // working form (raw indices for one byte per pixel without expansion); -1 on failure.
    int CopyLayerRGB(int16_t layer, uint8_t* buffer, int expand);
    int CopyLayerAlpha(int16_t layer, uint8_t* buffer);
    uint32_t GetPixel(int16_t layer, int x, int y);
    uint8_t GetAlphaPixel(int16_t layer, int x, int y);
    void SetPixel(int16_t layer, int x, int y, uint32_t color);
    void SetAlphaPixel(int16_t layer, int x, int y, uint8_t alpha);
    int SetLayerRGB(int16_t layer, const uint8_t* buffer);
    int SetLayerAlpha(int16_t layer, const uint8_t* buffer);
    int SetLayerRGBA(int16_t layer, const uint8_t* buffer);
    int LoadLayerRGB(int16_t layer, const char* path);
    int LoadLayerAlpha(int16_t layer, const char* path);
    int LoadLayerRGBA(int16_t layer, const char* path);

    int GetPalette(uint8_t (*palette)[4]);
    int SetPalette(const uint8_t (*palette)[4]);
    int MakeColorKeyAlpha();
    int BuildMipLayersRGB(const char* upFilter, const char* downFilter);
    int BuildMipLayersAlpha(const char* upFilter, const char* downFilter);
    void ComputeStoredSizes();

    STexTag* GetTag(int16_t index) { return GetTagRecord(index); }

    // Packing and unpacking on a layer the caller vouches for (sizes and buffers present).
    uint32_t ReadPixel(const STexLayer& layer, int x, int y) const;
    void WritePixel(STexLayer& layer, int x, int y, uint32_t color) const;
    void UnpackLayer(const STexLayer& layer, uint8_t* buffer, bool expand) const;
    void PackLayer(STexLayer& layer, const uint8_t* buffer) const;
    void UnpackAlpha(const STexLayer& layer, uint8_t* buffer) const;
    void PackAlpha(STexLayer& layer, const uint8_t* buffer) const;
    // One alpha value between its stored top bits and 8 bits.
    uint8_t ExpandAlpha(uint8_t stored) const;
    uint8_t ReduceAlpha(uint8_t alpha) const;
    // Replaces each working-form pixel by its nearest usable palette index.
    void Quantize(const uint8_t* pixels, uint8_t* indices, size_t count) const;
    // Packs a working-form layer (resampled or rebuilt); one-byte formats store palette
    // indexes, whatever their colour bit count, so their colours are matched to the palette.
    void PackWorking(STexLayer& layer, const uint8_t* pixels) const;

    // Layers are created by the container; the format frees them.
    std::vector<STexLayer*>& Layers() { return m_layers; }
    const std::vector<STexLayer*>& Layers() const { return m_layers; }
    void DeleteLayers();

    CString m_strName;
    int32_t m_iStoredRecordSize = 0;
    int32_t m_iStoredPixelSize = 0;
    int16_t m_iWidth = -1;
    int16_t m_iHeight = -1;
    int16_t m_iColorBits = 0;
    int16_t m_iAlphaBits = 0;
    int16_t m_iBytesPerPixel = 0;
    int16_t m_iMIPDepth = 0;
    int32_t m_iNoAlpha = 1;
    uint8_t m_Widths[4] = {};   // red, green, blue, alpha
    uint8_t m_Shifts[4] = {};
    uint8_t m_Masks[4] = {};
    int32_t m_iColorKey = -1;
    uint8_t m_Palette[256][4];
    int16_t m_iPaletteFirst = 0;
    int16_t m_iPaletteLast = 255;

private:
    void Record(const char* message);
    STexLayer* CheckedLayer(int16_t layer);
    int SetLayerWord(int16_t layer, int32_t STexLayer::*word, bool alphaWord, int32_t value);
    int32_t GetLayerWord(int16_t layer, int32_t STexLayer::*word, bool alphaWord);
    int BuildMipLayers(const char* upFilter, const char* downFilter, bool alpha);
    int LoadLayer(int16_t layer, const char* path, bool colour, bool alpha);

    CString m_strLastError;
    int32_t m_iRecordErrors = 0;
    std::vector<STexLayer*> m_layers;
};
