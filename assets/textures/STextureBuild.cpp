#include <algorithm>
#include <bit>
#include <cstring>

#include "assets/textures/STexture.h"
#include "sys/d3d/d3d.h"

using namespace sys::video;

namespace {

constexpr uint32_t kDdsdTextureStage = 0x100000;

void ChannelShifts(uint32_t mask, uint8_t& right, uint8_t& left) {
    // Channels wider than 8 bits would need a negative shift: they keep all 8 bits instead.
    const int bits = std::popcount(mask);
    right = static_cast<uint8_t>(bits >= 8 ? 0 : 8 - bits);
    left = static_cast<uint8_t>(mask == 0 ? 0 : std::countr_zero(mask));
}

uint32_t Unpack(uint32_t p, uint8_t right, uint8_t left) { return ((p >> left) << right) & 0xFF; }

// The first plane of exactly w x h (of the given depth when it is not 0); null when none.
const PrePlaneTexture* FindPlane(const std::vector<PrePlaneTexture>& planes, int w, int h, int bits) {
    for (const PrePlaneTexture& plane : planes) {
        if (plane.m_iWidth == w && plane.m_iHeight == h && (bits == 0 || plane.m_iBitsPerPixel == bits))
            return &plane;
    }
    return nullptr;
}

}  // namespace

// ---- pixel formats --------------------------------------------------------------------------

void STexture::SelectPixelFormat() {
    if (!HasKey()) {
        m_CurrentFormat = m_OpaqueFormat;
        m_dwAlphaMask = 0;
        m_byAlphaBits = 0;
    } else {
        m_CurrentFormat = m_KeyedFormat;
        if ((m_CurrentFormat.dwFlags & DDPF_ALPHAPIXELS) != 0) {
            m_dwAlphaMask = m_CurrentFormat.dwRGBAlphaBitMask;
            m_byAlphaBits = static_cast<uint8_t>(std::popcount(m_dwAlphaMask));
        } else {
            m_dwAlphaMask = 0;
            m_byAlphaBits = 0;
        }
    }
    ChannelShifts(m_CurrentFormat.dwRBitMask, m_byShift[0], m_byShift[1]);
    ChannelShifts(m_CurrentFormat.dwGBitMask, m_byShift[2], m_byShift[3]);
    ChannelShifts(m_CurrentFormat.dwBBitMask, m_byShift[4], m_byShift[5]);
    if (!HasKey()) {
        m_dwKeyValue = 0xFFFFFFFFu;
    } else {
        const uint8_t* entry = m_Palette[m_iKeyIndex];
        m_dwKeyValue = Pack(entry[m_byOffset[0]], entry[m_byOffset[1]], entry[m_byOffset[2]]);
    }
}

uint32_t STexture::Pack(uint32_t r, uint32_t g, uint32_t b) const {
    return ((r >> m_byShift[0]) << m_byShift[1]) + ((g >> m_byShift[2]) << m_byShift[3]) +
           ((b >> m_byShift[4]) << m_byShift[5]);
}

uint32_t STexture::Marker() const { return m_dwAlphaMask != 0 ? m_dwAlphaMask : m_dwKeyValue; }

int STexture::CountMipLevels(int iWidth, int iHeight) {
    if (iWidth < 4 || iHeight < 4)
        return 0;
    int levels = 1;
    while (iWidth / 2 >= 4 && iHeight / 2 >= 4) {
        iWidth /= 2;
        iHeight /= 2;
        ++levels;
    }
    return levels;
}

void STexture::SetComponentOffsets() {
    if (m_iHardware == 1) {
        m_byOffset[0] = 2;
        m_byOffset[1] = 1;
        m_byOffset[2] = 0;
    } else {
        m_byOffset[0] = 0;
        m_byOffset[1] = 1;
        m_byOffset[2] = 2;
    }
}

PrePlaneTexture STexture::NewPlane(int iWidth, int iHeight) const {
    PrePlaneTexture plane;
    plane.m_iBitsPerPixel = 8;
    plane.m_iWidth = iWidth;
    plane.m_iHeight = iHeight;
    plane.m_Pixels.resize(static_cast<size_t>(iWidth) * iHeight);
    std::memcpy(plane.m_byShift, m_byShift, sizeof(m_byShift));
    plane.m_dwAlphaMask = m_dwAlphaMask;
    plane.m_dwKeyValue = m_dwKeyValue;
    std::memcpy(plane.m_Palette, m_Palette, sizeof(m_Palette));
    plane.m_wKeyIndex = static_cast<uint16_t>(m_iKeyIndex);
    return plane;
}

// ---- the build step -------------------------------------------------------------------------

int STexture::BuildFromPlanes() {
    m_Mask.assign(4 * 4, 0);
    m_iLevelCount = CountMipLevels(m_iWidth, m_iHeight);
    if ((m_iFlags & kFlagFullDetail) == 0) {
        const auto halve = [this] {
            m_iWidth /= 2;
            m_iHeight /= 2;
            m_fTexelFactor *= 2.0f;
            --m_iLevelCount;
        };
        if (m_iReduceDetail != 0 && m_iPaletteGroup != 5 && m_iLevelCount >= 2)
            halve();
        if (m_iReduceDetail5 != 0 && m_iPaletteGroup == 5 && m_iLevelCount > 1)
            halve();
    }
    if (m_iLevelCount < 1 || (m_iFlags & kFlagOneLevel) != 0)
        m_iLevelCount = 1;
    const int result = m_iHardware == 1 ? BuildSurfaces() : BuildMipChain8();
    m_Planes.clear();
    return result;
}

// ---- hardware surfaces ----------------------------------------------------------------------

uint32_t STexture::ConvertPixel(const PrePlaneTexture& plane, const uint8_t* p) const {
    switch (plane.m_iBitsPerPixel) {
    case 8: {
        if (p[0] == plane.m_wKeyIndex)
            return Marker();
        const uint8_t* entry = plane.m_Palette[p[0]];
        return Pack(entry[m_byOffset[0]], entry[m_byOffset[1]], entry[m_byOffset[2]]);
    }
    case 16: {
        const uint32_t v = uint32_t{p[0]} | uint32_t{p[1]} << 8;
        const uint32_t transparent = plane.m_dwAlphaMask != 0 ? plane.m_dwAlphaMask : plane.m_dwKeyValue;
        if (HasKey() && v == transparent)
            return Marker();
        return Pack(Unpack(v, plane.m_byShift[0], plane.m_byShift[1]), Unpack(v, plane.m_byShift[2], plane.m_byShift[3]),
                    Unpack(v, plane.m_byShift[4], plane.m_byShift[5]));
    }
    case 24:
    case 32: {
        const uint32_t r = p[m_byOffset[0]], g = p[m_byOffset[1]], b = p[m_byOffset[2]];
        if ((r << 16 | g << 8 | b) == plane.m_dwKeyValue)
            return Marker();
        return Pack(r, g, b);
    }
    default:
        return 0;
    }
}

void STexture::ReduceWork(const std::vector<uint32_t>& src, int w, int h, std::vector<uint32_t>& dst) const {
    const int sw = w * 2;
    const uint32_t marker = Marker();
    const bool keyed = HasKey();
    dst.assign(static_cast<size_t>(w) * h, marker);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t block[4] = {src[(2 * y) * sw + 2 * x], src[(2 * y) * sw + 2 * x + 1],
                                       src[(2 * y + 1) * sw + 2 * x], src[(2 * y + 1) * sw + 2 * x + 1]};
            float sum[3] = {};
            int count = 0;
            for (uint32_t p : block) {
                if (keyed && p == marker)
                    continue;
                sum[0] += static_cast<float>(Unpack(p, m_byShift[0], m_byShift[1]));
                sum[1] += static_cast<float>(Unpack(p, m_byShift[2], m_byShift[3]));
                sum[2] += static_cast<float>(Unpack(p, m_byShift[4], m_byShift[5]));
                ++count;
            }
            if (!keyed) {
                dst[y * w + x] = Pack(static_cast<uint32_t>(sum[0] * 0.25f), static_cast<uint32_t>(sum[1] * 0.25f),
                                      static_cast<uint32_t>(sum[2] * 0.25f));
            } else if (count >= 2) {
                dst[y * w + x] = Pack(static_cast<uint32_t>(sum[0] / count), static_cast<uint32_t>(sum[1] / count),
                                      static_cast<uint32_t>(sum[2] / count));
            }
        }
    }
}

void STexture::BuildMask(const uint8_t* pLevel, const uint32_t* pPacked, int w, int h) {
    m_Mask.assign(static_cast<size_t>(w) * h / 32 + 16, 0);
    const uint32_t marker = Marker();
    for (int i = 0; i < w * h; ++i) {
        const bool opaque = pLevel != nullptr ? pLevel[i] != m_iKeyIndex : (!HasKey() || pPacked[i] != marker);
        if (opaque)
            m_Mask[static_cast<size_t>(i) >> 5] |= 1u << (i & 31);
    }
    m_wMaskWidth = static_cast<uint16_t>(w);
    m_wMaskHeight = static_cast<uint16_t>(h);
}

void STexture::AlphaAndBleed(std::vector<uint32_t>& level, int w, int h) const {
    const uint32_t marker = Marker();
    for (uint32_t& p : level)
        p = p == marker ? 0 : p | m_dwAlphaMask;
    // Filtering would blend transparent texels' colour into the edges: they take an opaque
    // neighbour's colour and stay transparent.
    const std::vector<uint32_t> copy = level;
    static constexpr int kOrder[8][2] = {{-1, 0}, {1, 0}, {0, -1}, {-1, -1}, {1, -1}, {0, 1}, {-1, 1}, {1, 1}};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if ((copy[y * w + x] & m_dwAlphaMask) != 0)
                continue;
            for (const auto& d : kOrder) {
                const int nx = x + d[0], ny = y + d[1];
                if (nx < 0 || ny < 0 || nx >= w || ny >= h || copy[ny * w + nx] == 0)
                    continue;
                level[y * w + x] = copy[ny * w + nx] & ~m_dwAlphaMask;
                break;
            }
        }
    }
}

int STexture::BuildSurfaces() {
    const uint32_t bits = m_CurrentFormat.dwRGBBitCount;
    // Levels are written two or four bytes a pixel: other depths cannot be filled.
    if (m_pDD == nullptr || m_iHardware != 1 || m_iLevelCount < 1 || m_iWidth < 4 || m_iHeight < 4 ||
        m_Planes.empty() || (bits != 16 && bits != 32))
        return 0;
    if (FindPlane(m_Planes, m_iWidth, m_iHeight, 0) == nullptr &&
        FindPlane(m_Planes, m_iWidth * 2, m_iHeight * 2, 0) == nullptr)
        return 0;

    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_MIPMAPCOUNT | kDdsdTextureStage;
    desc.dwHeight = static_cast<uint32_t>(m_iHeight);
    desc.dwWidth = static_cast<uint32_t>(m_iWidth);
    desc.dwMipMapCount = static_cast<uint32_t>(m_iLevelCount);
    desc.dwTextureStage = 0;
    desc.ddpfPixelFormat = m_CurrentFormat;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
    desc.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;
    IDirectDrawSurface4* top = nullptr;
    if (m_pDD->CreateSurface(&desc, &top, nullptr) != DD_OK || top == nullptr)
        return 0;
    if (m_pTexture != nullptr) {
        m_pTexture->Release();
        m_pTexture = nullptr;
    }
    if (sys::d3d::QueryTexture(top, &m_pTexture) != DD_OK) {
        m_pTexture = nullptr;
        top->Release();
        return 0;
    }
    SelectPixelFormat();

    const int pixelSize = m_CurrentFormat.dwRGBBitCount == 32 ? 4 : 2;
    const int maskLevel = m_iLevelCount == 1 && (m_iWidth >= 256 || m_iHeight >= 256) ? -1 : 0;
    std::vector<uint32_t> work;
    std::vector<uint32_t> level;
    IDirectDrawSurface4* surface = top;  // the builder's reference, handed down the chain
    int w = m_iWidth, h = m_iHeight;
    for (int i = 0; i < m_iLevelCount && surface != nullptr; ++i) {
        DDSURFACEDESC2 locked;
        if (surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr) != DD_OK || locked.lpSurface == nullptr) {
            // A level that cannot be written would be drawn as garbage: give the texture up.
            surface->Release();
            m_pTexture->Release();
            m_pTexture = nullptr;
            return 0;
        }
        const PrePlaneTexture* exact = FindPlane(m_Planes, w, h, 0);
        level.assign(static_cast<size_t>(w) * h, 0);
        if (exact != nullptr) {
            const int step = exact->m_iBitsPerPixel / 8;
            for (int p = 0; p < w * h; ++p)
                level[p] = ConvertPixel(*exact, &exact->m_Pixels[static_cast<size_t>(p) * step]);
        } else if (i == 0) {
            const PrePlaneTexture* big = FindPlane(m_Planes, w * 2, h * 2, 0);
            const int step = big->m_iBitsPerPixel / 8;
            std::vector<uint32_t> source(static_cast<size_t>(w) * h * 4);
            for (size_t p = 0; p < source.size(); ++p)
                source[p] = ConvertPixel(*big, &big->m_Pixels[p * step]);
            ReduceWork(source, w, h, level);
        } else {
            ReduceWork(work, w, h, level);
        }
        work = level;
        if (i == maskLevel)
            BuildMask(nullptr, level.data(), w, h);
        if (m_dwAlphaMask != 0)
            AlphaAndBleed(level, w, h);
        auto* row = static_cast<uint8_t*>(locked.lpSurface);
        for (int y = 0; y < h; ++y, row += locked.lPitch) {
            for (int x = 0; x < w; ++x) {
                const uint32_t v = level[y * w + x];
                if (pixelSize == 4)
                    std::memcpy(row + x * 4, &v, 4);
                else {
                    const uint16_t s = static_cast<uint16_t>(v);
                    std::memcpy(row + x * 2, &s, 2);
                }
            }
        }
        surface->Unlock(nullptr);
        if (m_dwAlphaMask == 0 && m_dwKeyValue != 0xFFFFFFFFu) {
            DDCOLORKEY key;
            key.dwColorSpaceLowValue = key.dwColorSpaceHighValue = m_dwKeyValue;
            surface->SetColorKey(DDCKEY_SRCBLT, &key);
        }
        IDirectDrawSurface4* next = nullptr;
        if (i + 1 < m_iLevelCount) {
            DDSCAPS2 caps;
            caps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP;
            if (surface->GetAttachedSurface(&caps, &next) != DD_OK)
                next = nullptr;
        }
        surface->Release();
        surface = next;
        w /= 2;
        h /= 2;
    }
    if (surface != nullptr)
        surface->Release();
    return 1;
}

// ---- 8-bit level chain ----------------------------------------------------------------------

void STexture::PaletteRange(int& first, int& last) const {
    first = 0;
    last = 255;
    if (m_pPaletteRanges != nullptr && m_iPaletteGroup >= 0) {
        first = m_pPaletteRanges[m_iPaletteGroup][0];
        last = m_pPaletteRanges[m_iPaletteGroup][1];
    }
}

int STexture::BuildMipChain8() {
    if (m_iHardware == 1 || m_iLevelCount < 1 || m_iWidth < 4 || m_iHeight < 4 || m_Planes.empty())
        return 0;
    if (FindPlane(m_Planes, m_iWidth, m_iHeight, 8) == nullptr &&
        FindPlane(m_Planes, m_iWidth * 2, m_iHeight * 2, 8) == nullptr)
        return 0;

    size_t total = 0;
    for (int i = 0, w = m_iWidth, h = m_iHeight; i < m_iLevelCount; ++i, w /= 2, h /= 2)
        total += static_cast<size_t>(w) * h;
    m_LevelChain.assign(total + 32, 0);
    int first = 0, last = 255;
    PaletteRange(first, last);
    int maskLevel = m_iLevelCount > 2 ? 2 : m_iLevelCount;
    if (m_iLevelCount == 1 && (m_iWidth >= 256 || m_iHeight >= 256))
        maskLevel = -1;

    uint8_t* previous = nullptr;
    uint8_t* out = m_LevelChain.data();
    for (int i = 0, w = m_iWidth, h = m_iHeight; i < m_iLevelCount; ++i, w /= 2, h /= 2) {
        const PrePlaneTexture* exact = FindPlane(m_Planes, w, h, 8);
        if (exact != nullptr) {
            std::memcpy(out, exact->m_Pixels.data(), static_cast<size_t>(w) * h);
        } else {
            const PrePlaneTexture* big = i == 0 ? FindPlane(m_Planes, w * 2, h * 2, 8) : nullptr;
            const uint8_t* source = big != nullptr ? big->m_Pixels.data() : previous;
            const int sw = w * 2;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const uint8_t block[4] = {source[2 * y * sw + 2 * x], source[2 * y * sw + 2 * x + 1],
                                              source[(2 * y + 1) * sw + 2 * x], source[(2 * y + 1) * sw + 2 * x + 1]};
                    int sum[3] = {}, count = 0;
                    for (uint8_t p : block) {
                        if (p == m_iKeyIndex)
                            continue;
                        for (int c = 0; c < 3; ++c)
                            sum[c] += m_Palette[p][m_byOffset[c]];
                        ++count;
                    }
                    uint8_t result = static_cast<uint8_t>(m_iKeyIndex);
                    if (count >= 2) {
                        const int avg[3] = {sum[0] / count, sum[1] / count, sum[2] / count};
                        int bestDistance = -1;
                        for (int e = first; e <= last; ++e) {
                            int distance = 0;
                            for (int c = 0; c < 3; ++c) {
                                const int d = m_Palette[e][m_byOffset[c]] - avg[c];
                                distance += d * d;
                            }
                            if (bestDistance < 0 || distance < bestDistance) {
                                bestDistance = distance;
                                result = static_cast<uint8_t>(e);
                                if (distance == 0)
                                    break;
                            }
                        }
                    }
                    out[y * w + x] = result;
                }
            }
        }
        if (i == maskLevel)
            BuildMask(out, nullptr, w, h);
        previous = out;
        out += static_cast<size_t>(w) * h;
    }
    return 1;
}
