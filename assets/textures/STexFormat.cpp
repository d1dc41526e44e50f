#include "assets/textures/STexFormat.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assets/textures/STexImage.h"
#include "assets/textures/STextureFilter.h"

namespace {

// The top bits of a channel stretched back to 8 bits by repeating them: 5-bit 31 gives 255.
unsigned Replicate(unsigned v, unsigned width) {
    unsigned t = v;
    for (unsigned n = 8 / width; n > 0; --n) {
        t >>= width;
        v = (v + t) & 0xFF;
    }
    return v;
}

unsigned ReadChannel(uint32_t pixel, unsigned width, unsigned shift, unsigned mask) {
    if (width == 0 || width > 8 || shift >= 32)
        return 0;
    const unsigned v = (((pixel >> shift) & mask) << (8 - width)) & 0xFF;
    return Replicate(v, width);
}

uint32_t WriteChannel(unsigned value, unsigned width, unsigned shift) {
    if (width == 0 || width > 8 || shift >= 32)
        return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(value >> (8 - width)) << shift);
}

}  // namespace

STexLayer* STexLayer::Create(int width, int height, int bytesPerPixel, bool withAlpha, bool roundPitch) {
    auto* layer = new STexLayer;
    layer->width = static_cast<int16_t>(width);
    layer->height = static_cast<int16_t>(height);
    int pitch = bytesPerPixel * width;
    if (roundPitch)
        pitch = (pitch + 3) & ~3;
    layer->pitch = static_cast<int16_t>(pitch);
    layer->rgb.assign(static_cast<size_t>(pitch) * height, 0);
    layer->hasRGB = true;
    if (withAlpha) {
        layer->alpha.assign(static_cast<size_t>(width) * height, 255);
        layer->hasAlpha = true;
    }
    return layer;
}

void STexLayer::FreeRGB() {
    std::vector<uint8_t>().swap(rgb);
    hasRGB = false;
}

void STexLayer::FreeAlpha() {
    std::vector<uint8_t>().swap(alpha);
    hasAlpha = false;
}

STexFormat::STexFormat() {
    SetErrorSink(&m_strLastError, &m_iRecordErrors);
    for (int i = 0; i < 256; ++i) {
        m_Palette[i][0] = m_Palette[i][1] = m_Palette[i][2] = static_cast<uint8_t>(i);
        m_Palette[i][3] = 0;
    }
}

STexFormat::~STexFormat() {
    DeleteLayers();
}

void STexFormat::DeleteLayers() {
    for (STexLayer* layer : m_layers)
        delete layer;
    m_layers.clear();
}

void STexFormat::Record(const char* message) {
    if (m_iRecordErrors == 1)
        m_strLastError = message;
}

STexFormat* STexFormat::Parse(const char* line) {
    if (!line)
        return nullptr;
    // A field counts only when a blank ends it, so a last field with nothing after it is 0.
    std::string text(line);
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t blank; (blank = text.find(' ', start)) != std::string::npos; start = blank + 1)
        fields.push_back(text.substr(start, blank - start));
    auto number = [&](size_t i) { return i < fields.size() ? std::atoi(fields[i].c_str()) : 0; };

    auto* format = new STexFormat;
    format->m_strName = fields.empty() ? CString(line) : CString(fields[0]);
    format->m_iColorBits = static_cast<int16_t>(number(1));
    format->m_iAlphaBits = static_cast<int16_t>(number(2));
    format->m_iBytesPerPixel = static_cast<int16_t>(number(3));
    for (int c = 0; c < 4; ++c) {
        format->m_Widths[c] = static_cast<uint8_t>(number(4 + c));
        format->m_Shifts[c] = static_cast<uint8_t>(number(8 + c));
        format->m_Masks[c] = static_cast<uint8_t>(number(12 + c));
    }
    format->m_iNoAlpha = (format->m_iAlphaBits > 0 && format->m_Widths[kAlpha] > 0) ? 0 : 1;
    if (!format->IsStorableLayout()) {
        delete format;
        return nullptr;
    }
    return format;
}

bool STexFormat::IsStorableLayout() const {
    if (m_iBytesPerPixel < 1 || m_iBytesPerPixel > 4)
        return false;
    for (uint8_t width : m_Widths) {
        if (width > 8)
            return false;
    }
    if (m_iBytesPerPixel > 1 && (m_Widths[kRed] == 0 || m_Widths[kGreen] == 0 || m_Widths[kBlue] == 0))
        return false;
    return !HasAlpha() || m_Widths[kAlpha] > 0;
}

bool STexFormat::SameLayout(const STexFormat& other) const {
    return m_iColorBits == other.m_iColorBits && m_iAlphaBits == other.m_iAlphaBits &&
           m_iBytesPerPixel == other.m_iBytesPerPixel &&
           std::memcmp(m_Widths, other.m_Widths, 4) == 0 &&
           std::memcmp(m_Shifts, other.m_Shifts, 4) == 0 &&
           std::memcmp(m_Masks, other.m_Masks, 4) == 0;
}

STexLayer* STexFormat::CheckedLayer(int16_t layer) {
    if (layer < 0) {
        Record("Layer Index < 0");
        return nullptr;
    }
    if (layer >= m_iMIPDepth || layer >= static_cast<int>(m_layers.size())) {
        Record("Layer Index >= m_iMIPDepth");
        return nullptr;
    }
    return m_layers[layer];
}

STexLayer* STexFormat::GetLayer(int16_t layer) {
    return CheckedLayer(layer);
}

// The four lock and source words of a layer share one rule: a bad layer answers 0, and the
// alpha words exist only in formats with alpha.
int STexFormat::SetLayerWord(int16_t layer, int32_t STexLayer::*word, bool alphaWord, int32_t value) {
    STexLayer* l = CheckedLayer(layer);
    if (!l)
        return 0;
    if (alphaWord && !HasAlpha()) {
        Record("No Alpha in Format");
        return 0;
    }
    l->*word = value;
    return 1;
}

int32_t STexFormat::GetLayerWord(int16_t layer, int32_t STexLayer::*word, bool alphaWord) {
    STexLayer* l = CheckedLayer(layer);
    if (!l)
        return 0;
    if (alphaWord && !HasAlpha()) {
        Record("No Alpha in Format");
        return 0;
    }
    return l->*word;
}

int STexFormat::SetLayerRGBLock(int16_t layer, int32_t value) {
    return SetLayerWord(layer, &STexLayer::rgbLock, false, value);
}

int32_t STexFormat::GetLayerRGBLock(int16_t layer) { return GetLayerWord(layer, &STexLayer::rgbLock, false); }

int STexFormat::SetLayerAlphaLock(int16_t layer, int32_t value) {
    return SetLayerWord(layer, &STexLayer::alphaLock, true, value);
}

int32_t STexFormat::GetLayerAlphaLock(int16_t layer) { return GetLayerWord(layer, &STexLayer::alphaLock, true); }

int STexFormat::SetLayerRGBSource(int16_t layer, int32_t value) {
    return SetLayerWord(layer, &STexLayer::rgbSource, false, value);
}

int32_t STexFormat::GetLayerRGBSource(int16_t layer) { return GetLayerWord(layer, &STexLayer::rgbSource, false); }

int STexFormat::SetLayerAlphaSource(int16_t layer, int32_t value) {
    return SetLayerWord(layer, &STexLayer::alphaSource, true, value);
}

int32_t STexFormat::GetLayerAlphaSource(int16_t layer) { return GetLayerWord(layer, &STexLayer::alphaSource, true); }

uint32_t STexFormat::ReadPixel(const STexLayer& layer, int x, int y) const {
    const uint8_t* p = &layer.rgb[static_cast<size_t>(y) * layer.pitch + static_cast<size_t>(x) * m_iBytesPerPixel];
    uint32_t packed = 0;
    switch (m_iBytesPerPixel) {
    case 1:
        return p[0];
    case 2:
        packed = p[0] | (p[1] << 8);
        break;
    case 3:
        packed = p[0] | (p[1] << 8) | (p[2] << 16);
        break;
    default:
        packed = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
        break;
    }
    const unsigned red = ReadChannel(packed, m_Widths[kRed], m_Shifts[kRed], m_Masks[kRed]);
    const unsigned green = ReadChannel(packed, m_Widths[kGreen], m_Shifts[kGreen], m_Masks[kGreen]);
    const unsigned blue = ReadChannel(packed, m_Widths[kBlue], m_Shifts[kBlue], m_Masks[kBlue]);
    return blue | (green << 8) | (red << 16);
}

void STexFormat::WritePixel(STexLayer& layer, int x, int y, uint32_t color) const {
    uint8_t* p = &layer.rgb[static_cast<size_t>(y) * layer.pitch + static_cast<size_t>(x) * m_iBytesPerPixel];
    if (m_iBytesPerPixel == 1) {
        p[0] = static_cast<uint8_t>(color);
        return;
    }
    const uint32_t packed = WriteChannel((color >> 16) & 0xFF, m_Widths[kRed], m_Shifts[kRed]) +
                            WriteChannel((color >> 8) & 0xFF, m_Widths[kGreen], m_Shifts[kGreen]) +
                            WriteChannel(color & 0xFF, m_Widths[kBlue], m_Shifts[kBlue]);
    for (int i = 0; i < m_iBytesPerPixel; ++i)
        p[i] = static_cast<uint8_t>(packed >> (8 * i));
}

void STexFormat::UnpackLayer(const STexLayer& layer, uint8_t* buffer, bool expand) const {
    const bool indices = m_iBytesPerPixel == 1;
    for (int y = 0; y < layer.height; ++y) {
        for (int x = 0; x < layer.width; ++x) {
            const uint32_t value = ReadPixel(layer, x, y);
            if (indices && !expand) {
                *buffer++ = static_cast<uint8_t>(value);
                continue;
            }
            if (indices) {
                *buffer++ = m_Palette[value][0];
                *buffer++ = m_Palette[value][1];
                *buffer++ = m_Palette[value][2];
                *buffer++ = 0;
            } else {
                *buffer++ = static_cast<uint8_t>(value);
                *buffer++ = static_cast<uint8_t>(value >> 8);
                *buffer++ = static_cast<uint8_t>(value >> 16);
                *buffer++ = 0;
            }
        }
    }
}

void STexFormat::PackLayer(STexLayer& layer, const uint8_t* buffer) const {
    const int step = m_iBytesPerPixel == 1 ? 1 : 4;
    for (int y = 0; y < layer.height; ++y) {
        for (int x = 0; x < layer.width; ++x, buffer += step) {
            const uint32_t color = step == 1 ? buffer[0] : buffer[0] | (buffer[1] << 8) | (buffer[2] << 16);
            WritePixel(layer, x, y, color);
        }
    }
}

uint8_t STexFormat::ExpandAlpha(uint8_t stored) const {
    const unsigned width = m_Widths[kAlpha];
    if (width == 0 || width > 8)
        return 0;
    return static_cast<uint8_t>(Replicate((stored << (8 - width)) & 0xFF, width));
}

uint8_t STexFormat::ReduceAlpha(uint8_t alpha) const {
    const unsigned width = m_Widths[kAlpha];
    return (width == 0 || width > 8) ? 0 : static_cast<uint8_t>(alpha >> (8 - width));
}

void STexFormat::UnpackAlpha(const STexLayer& layer, uint8_t* buffer) const {
    const size_t count = static_cast<size_t>(layer.width) * layer.height;
    for (size_t i = 0; i < count; ++i)
        buffer[i] = ExpandAlpha(layer.alpha[i]);
}

void STexFormat::PackAlpha(STexLayer& layer, const uint8_t* buffer) const {
    const size_t count = static_cast<size_t>(layer.width) * layer.height;
    for (size_t i = 0; i < count; ++i)
        layer.alpha[i] = ReduceAlpha(buffer[i]);
}

void STexFormat::Quantize(const uint8_t* pixels, uint8_t* indices, size_t count) const {
    const int first = m_iPaletteFirst & 0xFF;
    const int last = m_iPaletteLast & 0xFF;
    for (size_t i = 0; i < count; ++i, pixels += 4)
        indices[i] = NearestPaletteIndex(m_Palette, first, last,
                                         pixels[0] | (pixels[1] << 8) | (pixels[2] << 16));
}

void STexFormat::PackWorking(STexLayer& layer, const uint8_t* pixels) const {
    if (m_iBytesPerPixel != 1) {
        PackLayer(layer, pixels);
        return;
    }
    const size_t count = static_cast<size_t>(layer.width) * layer.height;
    std::vector<uint8_t> indices(count);
    Quantize(pixels, indices.data(), count);
    PackLayer(layer, indices.data());
}

int STexFormat::CopyLayerRGB(int16_t layer, uint8_t* buffer, int expand) {
    STexLayer* l = CheckedLayer(layer);
    if (!l)
        return -1;
    // The size asked for is always the size written: raw indices only for one byte per
    // pixel without expansion.
    const bool raw = m_iBytesPerPixel == 1 && expand != 1;
    if (!buffer)
        return l->width * l->height * (raw ? 1 : 4);
    if (!l->hasRGB) {
        Record("RGB Buffer is NULL");
        return -1;
    }
    UnpackLayer(*l, buffer, !raw);
    return 0;
}

int STexFormat::CopyLayerAlpha(int16_t layer, uint8_t* buffer) {
    STexLayer* l = CheckedLayer(layer);
    if (!l)
        return -1;
    if (!HasAlpha()) {
        Record("No Alpha in Format");
        return -1;
    }
    if (!buffer)
        return l->width * l->height;
    if (!l->hasAlpha) {
        Record("Alpha Buffer is NULL");
        return -1;
    }
    UnpackAlpha(*l, buffer);
    return 0;
}

uint32_t STexFormat::GetPixel(int16_t layer, int x, int y) {
    if (layer < 0 || layer >= static_cast<int>(m_layers.size()))
        return 0;
    const STexLayer& l = *m_layers[layer];
    if (x < 0 || y < 0 || x >= l.width || y >= l.height || !l.hasRGB)
        return 0;
    return ReadPixel(l, x, y);
}

uint8_t STexFormat::GetAlphaPixel(int16_t layer, int x, int y) {
    if (layer < 0 || layer >= static_cast<int>(m_layers.size()) || !HasAlpha())
        return 0;
    const STexLayer& l = *m_layers[layer];
    if (x < 0 || y < 0 || x >= l.width || y >= l.height || !l.hasAlpha)
        return 0;
    return ExpandAlpha(l.alpha[static_cast<size_t>(y) * l.width + x]);
}

void STexFormat::SetPixel(int16_t layer, int x, int y, uint32_t color) {
    if (layer < 0 || layer >= static_cast<int>(m_layers.size()))
        return;
    STexLayer& l = *m_layers[layer];
    if (!l.hasRGB || x < 0 || y < 0 || x >= l.width || y >= l.height)
        return;
    WritePixel(l, x, y, color);
}

void STexFormat::SetAlphaPixel(int16_t layer, int x, int y, uint8_t alpha) {
    if (layer < 0 || layer >= static_cast<int>(m_layers.size()) || !HasAlpha())
        return;
    STexLayer& l = *m_layers[layer];
    if (!l.hasAlpha || x < 0 || y < 0 || x >= l.width || y >= l.height)
        return;
    l.alpha[static_cast<size_t>(y) * l.width + x] = ReduceAlpha(alpha);
}

int STexFormat::SetLayerRGB(int16_t layer, const uint8_t* buffer) {
    STexLayer* l = CheckedLayer(layer);
    if (!l)
        return 0;
    if (!buffer) {
        Record("Input Buffer is NULL");
        return 0;
    }
    if (!l->hasRGB) {
        Record("RGB Buffer is NULL");
        return 0;
    }
    if (l->rgbLock == 1) {
        Record("RGB Buffer is Locked");
        return 0;
    }
    PackLayer(*l, buffer);
    return 1;
}

int STexFormat::SetLayerAlpha(int16_t layer, const uint8_t* buffer) {
    STexLayer* l = CheckedLayer(layer);
    if (!l)
        return 0;
    if (!HasAlpha()) {
        Record("No Alpha in Format");
        return 0;
    }
    if (!buffer) {
        Record("Input Buffer is NULL");
        return 0;
    }
    if (!l->hasAlpha) {
        Record("Alpha Buffer is NULL");
        return 0;
    }
    if (l->alphaLock == 1) {
        Record("Alpha Buffer is Locked");
        return 0;
    }
    PackAlpha(*l, buffer);
    return 1;
}

int STexFormat::SetLayerRGBA(int16_t layer, const uint8_t* buffer) {
    STexLayer* l = CheckedLayer(layer);
    if (!l)
        return 0;
    if (!buffer) {
        Record("Input Buffer is NULL");
        return 0;
    }
    const bool alpha = HasAlpha();
    if (l->rgbLock == 1 && (l->alphaLock == 1 || !alpha)) {
        // Without an alpha plane a locked colour side leaves nothing to write.
        Record(alpha ? "RGB and Alpha Buffers Locked" : "RGB Buffer is Locked");
        return 0;
    }
    if (alpha && !l->hasAlpha) {
        Record("Alpha Buffer is NULL");
        return 0;
    }
    if (!l->hasRGB) {
        Record("RGB Buffer is NULL");
        return 0;
    }
    const bool indices = m_iBytesPerPixel == 1;
    const size_t count = static_cast<size_t>(l->width) * l->height;
    if (l->rgbLock != 1)
        PackLayer(*l, buffer);
    if (alpha && l->alphaLock != 1) {
        for (size_t i = 0; i < count; ++i) {
            if (indices)
                l->alpha[i] = static_cast<int32_t>(buffer[i]) == m_iColorKey ? 0 : ReduceAlpha(255);
            else
                l->alpha[i] = ReduceAlpha(buffer[i * 4 + 3]);
        }
    }
    return 1;
}

int STexFormat::LoadLayerRGB(int16_t layer, const char* path) {
    return LoadLayer(layer, path, true, false);
}

int STexFormat::LoadLayerAlpha(int16_t layer, const char* path) {
    return LoadLayer(layer, path, false, true);
}

int STexFormat::LoadLayerRGBA(int16_t layer, const char* path) {
    return LoadLayer(layer, path, true, true);
}

int STexFormat::LoadLayer(int16_t layer, const char* path, bool colour, bool alpha) {
    STexLayer* l = CheckedLayer(layer);
    if (!l)
        return 0;
    const bool both = colour && alpha;
    if (!colour && !HasAlpha()) {
        Record("No Alpha in Format");
        return 0;
    }
    if (both ? (l->rgbLock == 1 && (l->alphaLock == 1 || !HasAlpha())) : colour ? l->rgbLock == 1 : l->alphaLock == 1) {
        Record(both && HasAlpha() ? "RGB and Alpha Buffers Locked"
               : colour           ? "RGB Buffer is Locked"
                                  : "Alpha Buffer is Locked");
        return 0;
    }
    if (colour && !alpha && !l->hasRGB) {
        Record("RGB Buffer is NULL");
        return 0;
    }
    if (alpha && HasAlpha() && !l->hasAlpha) {
        Record("Alpha Buffer is NULL");
        return 0;
    }
    if (both && !l->hasRGB) {
        Record("RGB Buffer is NULL");
        return 0;
    }
    std::unique_ptr<STexImage> image = ReadImageFile(path);
    if (!image) {
        Record("Unable to load Filename");
        return 0;
    }
    if (colour && !image->paletted && m_iColorBits < 9) {
        Record("Format has Palette - Filename does not");
        return 0;
    }
    if (image->width != l->width || image->height != l->height) {
        Record("Filename does not match Layer Resolution");
        return 0;
    }
    const size_t count = static_cast<size_t>(l->width) * l->height;
    if (!colour) {
        std::vector<uint8_t> plane(count);
        for (size_t i = 0; i < count; ++i)
            plane[i] = image->paletted ? image->pixels[i] : image->pixels[i * 4 + 3];
        PackAlpha(*l, plane.data());
        l->alphaSource = 1;
        return 1;
    }
    // Indices are kept only where the format stores one-byte indices itself.
    if (image->paletted && (m_iColorBits > 8 || m_iBytesPerPixel != 1))
        image->ExpandPalette();
    if (image->paletted)
        SetPalette(image->palette);
    if (!alpha) {
        PackLayer(*l, image->pixels.data());
        l->rgbSource = 1;
        return 1;
    }
    const bool rgbOpen = l->rgbLock != 1;
    const bool alphaOpen = HasAlpha() && l->alphaLock != 1;
    if (!SetLayerRGBA(layer, image->pixels.data()))
        return 0;
    if (rgbOpen)
        l->rgbSource = 1;
    if (alphaOpen)
        l->alphaSource = 1;
    return 1;
}

int STexFormat::GetPalette(uint8_t (*palette)[4]) {
    if (!IsPalettized()) {
        Record("Format has no Palette");
        return 0;
    }
    if (palette)
        std::memcpy(palette, m_Palette, sizeof m_Palette);
    return 1;
}

int STexFormat::SetPalette(const uint8_t (*palette)[4]) {
    if (palette)
        std::memcpy(m_Palette, palette, sizeof m_Palette);
    return 1;
}

int STexFormat::MakeColorKeyAlpha() {
    if (!HasAlpha()) {
        Record("Format has no Alpha");
        return 0;
    }
    for (STexLayer* l : m_layers) {
        if (!l->hasRGB || !l->hasAlpha || l->alphaLock == 1)
            continue;
        for (int y = 0; y < l->height; ++y) {
            for (int x = 0; x < l->width; ++x) {
                const bool keyed = ReadPixel(*l, x, y) == static_cast<uint32_t>(m_iColorKey);
                l->alpha[static_cast<size_t>(y) * l->width + x] = keyed ? 0 : 255;
            }
        }
    }
    return 1;
}

int STexFormat::BuildMipLayersRGB(const char* upFilter, const char* downFilter) {
    return BuildMipLayers(upFilter, downFilter, false);
}

int STexFormat::BuildMipLayersAlpha(const char* upFilter, const char* downFilter) {
    return BuildMipLayers(upFilter, downFilter, true);
}

int STexFormat::BuildMipLayers(const char* upFilter, const char* downFilter, bool alpha) {
    const char* missing = alpha ? "Missing Layer Alpha Data" : "Missing Layer RGB Data";
    if (alpha && !HasAlpha()) {
        Record("Format has no Alpha");
        return 0;
    }
    STexLayer* source = nullptr;
    for (STexLayer* l : m_layers) {
        if (!(alpha ? l->hasAlpha : l->hasRGB)) {
            Record(missing);
            return 0;
        }
        if (!source && (alpha ? l->alphaSource : l->rgbSource))
            source = l;
    }
    // Without a supplied level there is nothing to build the others from.
    if (!source) {
        Record(missing);
        return 0;
    }
    const char* up = g_TextureFilters[FindTextureFilter(upFilter)].name;
    const char* down = g_TextureFilters[FindTextureFilter(downFilter)].name;
    const int channels = alpha ? 1 : 4;

    for (STexLayer* l : m_layers) {
        if (alpha ? l->alphaSource : l->rgbSource) {
            source = l;
            continue;
        }
        if ((alpha ? l->alphaLock : l->rgbLock) == 1)
            continue;
        if (l->width < 1 || l->height < 1 || source->width < 1 || source->height < 1)
            continue;
        const size_t srcCount = static_cast<size_t>(source->width) * source->height;
        const size_t dstCount = static_cast<size_t>(l->width) * l->height;
        std::vector<uint8_t> in(srcCount * channels);
        std::vector<uint8_t> out(dstCount * channels);
        if (alpha)
            UnpackAlpha(*source, in.data());
        else
            UnpackLayer(*source, in.data(), true);
        ResamplePixels(in.data(), source->width, source->height, out.data(), l->width, l->height,
                       source->width <= l->width ? up : down, source->height <= l->height ? up : down,
                       channels);
        if (alpha)
            PackAlpha(*l, out.data());
        else
            PackWorking(*l, out.data());
    }
    return 1;
}

void STexFormat::ComputeStoredSizes() {
    int64_t record = 1116 + m_strName.GetLength() + 36 * static_cast<int64_t>(m_iMIPDepth);
    for (const STexTag& tag : Tags())
        record += 4 + tag.name.GetLength() + tag.value.GetLength();
    int64_t pixels = 0;
    for (const STexLayer* l : m_layers) {
        pixels += static_cast<int64_t>(l->pitch) * l->height;
        if (HasAlpha())
            pixels += static_cast<int64_t>(l->width) * l->height;
    }
    m_iStoredRecordSize = static_cast<int32_t>(record);
    m_iStoredPixelSize = static_cast<int32_t>(pixels);
}
