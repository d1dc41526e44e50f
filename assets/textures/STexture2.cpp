#include "assets/textures/STexture2.h"

#include <algorithm>

#include "assets/textures/STexImage.h"
#include "assets/textures/STextureFilter.h"

STexture2::STexture2() {
    SetErrorSink(&m_strLastError, &m_iRecordErrors);
    SetRegionErrorSink(&m_strLastError, &m_iRecordErrors);
}

STexture2::~STexture2() {
    Clear();
}

void STexture2::Record(const char* message) {
    if (m_iRecordErrors == 1)
        m_strLastError = message;
}

void STexture2::Clear() {
    for (STexFormat* format : m_formats)
        delete format;
    m_formats.clear();
    ClearTags();
    ClearRegions();
}

STexFormat* STexture2::GetFormat(int16_t index) const {
    if (index < 0 || index >= GetNumFormats())
        return nullptr;
    return m_formats[index];
}

int STexture2::FindFormat(const STexFormat* format) {
    if (!format) {
        Record("Format is NULL");
        return 0;
    }
    for (const STexFormat* own : m_formats) {
        if (own->SameLayout(*format))
            return 1;
    }
    return 0;
}

int STexture2::AddFormat(STexFormat* format) {
    if (!format) {
        Record("Format is NULL");
        return 0;
    }
    if (FindFormat(format)) {
        Record("Format already exists");
        return 0;
    }
    if (m_formats.empty() || m_iWidth < 1 || m_iHeight < 1 || m_iMIPDepth < 1) {
        Record("Texture isn't initialized");
        return 0;
    }
    if (!format->IsStorableLayout() || GetNumFormats() == 0x7FFF ||
        !STexLayer::PitchFits(m_iWidth, format->m_iBytesPerPixel))
        return 0;
    format->DeleteLayers();
    format->m_iWidth = m_iWidth;
    format->m_iHeight = m_iHeight;
    format->m_iMIPDepth = m_iMIPDepth;
    for (int k = 0; k < m_iMIPDepth; ++k)
        format->Layers().push_back(STexLayer::Create(m_iWidth >> k, m_iHeight >> k, format->m_iBytesPerPixel,
                                                     format->HasAlpha(), true));
    m_formats.push_back(format);
    return 1;
}

int16_t STexture2::ImportDepth(int width, int height) const {
    int depth = 1;
    while (width / 2 >= 4 && height / 2 >= 4) {
        width /= 2;
        height /= 2;
        ++depth;
    }
    return static_cast<int16_t>(depth);
}

int STexture2::ImportImage(const char* path, STexFormat* format) {
    if (!format) {
        Record("Format is NULL");
        return 0;
    }
    if (!format->IsStorableLayout())
        return 0;
    std::unique_ptr<STexImage> image = ReadImageFile(path);
    if (!image) {
        Record("Unable to load Filename");
        return 0;
    }
    if (format->m_iColorBits < 9 && !image->paletted) {
        Record("Format has Palette - Filename does not");
        return 0;
    }
    if (image->width < 4 || image->height < 4) {
        Record("Filename is too small");
        return 0;
    }
    // Rows of the format must fit the layer's 16-bit pitch.
    if (!STexLayer::PitchFits(image->width, format->m_iBytesPerPixel)) {
        Record("Unable to load Filename");
        return 0;
    }

    // A format this container already holds must survive the clearing below.
    m_formats.erase(std::remove(m_formats.begin(), m_formats.end(), format), m_formats.end());
    Clear();
    m_formats.push_back(format);
    m_iWidth = static_cast<int16_t>(image->width);
    m_iHeight = static_cast<int16_t>(image->height);
    m_iMIPDepth = ImportDepth(image->width, image->height);
    format->DeleteLayers();
    format->m_iWidth = m_iWidth;
    format->m_iHeight = m_iHeight;
    format->m_iMIPDepth = m_iMIPDepth;
    for (int k = 0; k < m_iMIPDepth; ++k)
        format->Layers().push_back(STexLayer::Create(m_iWidth >> k, m_iHeight >> k, format->m_iBytesPerPixel,
                                                     format->HasAlpha(), true));
    format->Layers()[0]->rgbSource = 1;
    if (format->HasAlpha())
        format->Layers()[0]->alphaSource = 1;

    // Indices are kept only where the format stores one-byte indices itself.
    if (image->paletted && (format->m_iColorBits > 8 || format->m_iBytesPerPixel != 1))
        image->ExpandPalette();
    if (image->paletted)
        format->SetPalette(image->palette);
    if (!format->SetLayerRGBA(0, image->pixels.data())) {
        m_strLastError = format->GetLastError();
        return 0;
    }
    return 1;
}

int STexture2::ResampleFormat(int newWidth, int newHeight) {
    if (newWidth == m_iWidth && newHeight == m_iHeight)
        return 1;
    if (newWidth < kMinResampleSide || newHeight < kMinResampleSide || m_iMIPDepth < 1 || m_formats.empty())
        return 0;
    // Sizes are 16-bit, and the working buffers must stay allocatable.
    if (newWidth > STexImage::kMaxSide || newHeight > STexImage::kMaxSide ||
        static_cast<int64_t>(newWidth) * newHeight > STexImage::kMaxPixels)
        return 0;
    for (STexFormat* format : m_formats) {
        if (format->m_iMIPDepth != m_iMIPDepth || format->m_iWidth != m_iWidth ||
            format->m_iHeight != m_iHeight || static_cast<int>(format->Layers().size()) != m_iMIPDepth)
            return 0;
        if (!STexLayer::PitchFits(newWidth, format->m_iBytesPerPixel))
            return 0;
        for (const STexLayer* layer : format->Layers()) {
            if (!layer->hasRGB || (format->HasAlpha() && !layer->hasAlpha))
                return 0;
        }
    }

    auto ensureSources = [](STexFormat& format) {
        std::vector<STexLayer*>& layers = format.Layers();
        if (layers.empty())
            return;
        if (std::none_of(layers.begin(), layers.end(), [](const STexLayer* l) { return l->rgbSource != 0; }))
            layers[0]->rgbSource = 1;
        if (std::none_of(layers.begin(), layers.end(), [](const STexLayer* l) { return l->alphaSource != 0; }))
            layers[0]->alphaSource = 1;
    };

    // A size that an existing level already has only drops the larger levels.
    for (int k = 1; k < m_iMIPDepth; ++k) {
        if ((m_iWidth >> k) != newWidth || (m_iHeight >> k) != newHeight)
            continue;
        for (STexFormat* format : m_formats) {
            std::vector<STexLayer*>& layers = format->Layers();
            for (int i = 0; i < k; ++i)
                delete layers[i];
            layers.erase(layers.begin(), layers.begin() + k);
            format->m_iWidth = static_cast<int16_t>(newWidth);
            format->m_iHeight = static_cast<int16_t>(newHeight);
            format->m_iMIPDepth = static_cast<int16_t>(m_iMIPDepth - k);
            ensureSources(*format);
        }
        m_iWidth = static_cast<int16_t>(newWidth);
        m_iHeight = static_cast<int16_t>(newHeight);
        m_iMIPDepth = static_cast<int16_t>(m_iMIPDepth - k);
        return 1;
    }

    const CString upName = GetTagString("UpFilter", "Point");
    const CString downName = GetTagString("DownFilter", "Point");
    const char* up = g_TextureFilters[FindTextureFilter(upName)].name;
    const char* down = g_TextureFilters[FindTextureFilter(downName)].name;
    const int16_t newDepth = ImportDepth(newWidth, newHeight);

    for (STexFormat* format : m_formats) {
        std::vector<STexLayer*>& old = format->Layers();
        std::vector<STexLayer*> fresh;
        for (int k = 0; k < newDepth; ++k) {
            const int width = newWidth >> k;
            const int height = newHeight >> k;
            const STexLayer* source = old[0];
            for (int i = static_cast<int>(old.size()) - 1; i >= 0; --i) {
                if (old[i]->width >= width && old[i]->height >= height) {
                    source = old[i];
                    break;
                }
            }
            STexLayer* layer;
            if (source->width == width && source->height == height) {
                layer = new STexLayer(*source);
            } else {
                layer = STexLayer::Create(width, height, format->m_iBytesPerPixel,
                                          format->HasAlpha() && source->hasAlpha, false);
                const size_t srcCount = static_cast<size_t>(source->width) * source->height;
                const size_t count = static_cast<size_t>(width) * height;
                const char* xFilter = width <= source->width ? down : up;
                const char* yFilter = height <= source->height ? down : up;
                std::vector<uint8_t> in(srcCount * 4);
                std::vector<uint8_t> out(count * 4);
                format->UnpackLayer(*source, in.data(), true);
                ResamplePixels(in.data(), source->width, source->height, out.data(), width, height,
                               xFilter, yFilter, 4);
                format->PackWorking(*layer, out.data());
                if (layer->hasAlpha) {
                    format->UnpackAlpha(*source, in.data());
                    ResamplePixels(in.data(), source->width, source->height, out.data(), width, height,
                                   xFilter, yFilter, 1);
                    format->PackAlpha(*layer, out.data());
                }
                layer->rgbLock = source->rgbLock;
                layer->alphaLock = source->alphaLock;
                layer->rgbSource = source->rgbSource;
                layer->alphaSource = source->alphaSource;
            }
            layer->rgbOffset = -1;
            layer->alphaOffset = -1;
            fresh.push_back(layer);
        }
        format->DeleteLayers();
        format->Layers() = std::move(fresh);
        format->m_iWidth = static_cast<int16_t>(newWidth);
        format->m_iHeight = static_cast<int16_t>(newHeight);
        format->m_iMIPDepth = newDepth;
        ensureSources(*format);
    }
    m_iWidth = static_cast<int16_t>(newWidth);
    m_iHeight = static_cast<int16_t>(newHeight);
    m_iMIPDepth = newDepth;
    return 1;
}
