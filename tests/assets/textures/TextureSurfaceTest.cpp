// Hardware builds of the 8-bit texture: mipmapped texture surfaces in the device's format,
// with the colour key as alpha bits (and bled colours) or as a source colour key.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "assets/textures/STexture.h"
#include "dx/display/SDXDraw.h"
#include "sys/d3d/d3d.h"
#include "tests/assets/textures/TextureSourceSupport.h"
#include "tests/dx/display/VideoTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace {

using namespace tarvex::test;
using namespace sys::video;

DDPIXELFORMAT Format16(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    DDPIXELFORMAT f;
    f.dwFlags = DDPF_RGB | (a != 0 ? DDPF_ALPHAPIXELS : 0);
    f.dwRGBBitCount = 16;
    f.dwRBitMask = r;
    f.dwGBitMask = g;
    f.dwBBitMask = b;
    f.dwRGBAlphaBitMask = a;
    return f;
}

// Each level's pixels, top level first, read back through the attached-surface chain.
std::vector<std::vector<uint16_t>> ReadLevels(IDirectDrawSurface4* top, std::vector<DDCOLORKEY>& keys) {
    std::vector<std::vector<uint16_t>> levels;
    IDirectDrawSurface4* surface = top;
    surface->AddRef();
    while (surface != nullptr) {
        DDSURFACEDESC2 desc;
        if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK)
            break;
        std::vector<uint16_t> pixels(desc.dwWidth * desc.dwHeight);
        for (uint32_t y = 0; y < desc.dwHeight; ++y)
            std::memcpy(&pixels[y * desc.dwWidth], static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch,
                        desc.dwWidth * 2);
        surface->Unlock(nullptr);
        levels.push_back(pixels);
        DDCOLORKEY key;
        surface->GetColorKey(DDCKEY_SRCBLT, &key);
        keys.push_back(key);
        DDSCAPS2 caps;
        caps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP;
        IDirectDrawSurface4* next = nullptr;
        if (surface->GetAttachedSurface(&caps, &next) != DD_OK)
            next = nullptr;
        surface->Release();
        surface = next;
    }
    return levels;
}

class TextureSurfaceTest : public VideoTest {
protected:
    // A 64 x 64 bitmap: the left half the key index 5, the right half red (index 1).
    int Load(const DDPIXELFORMAT& keyed) {
        Prepare(keyed);
        const std::string path = folder + "/half.bmp";
        SaveBytes(path, MakeBitmap8(64, 64, 16, [](int x, int) { return static_cast<uint8_t>(x < 32 ? 5 : 1); },
                                    [](int i) { return i == 1 ? 0xFF0000u : 0x00102030u; }));
        return texture.LoadBitmap8(path.c_str());
    }
    void Prepare(const DDPIXELFORMAT& keyed) {
        OpenDisplay(draw, 0);
        texture.m_pDD = draw.GetDirectDraw();
        texture.m_iHardware = 1;
        texture.m_iKeyIndex = 5;
        texture.m_KeyedFormat = keyed;
        texture.m_OpaqueFormat = Format16(0xF800, 0x7E0, 0x1F, 0);
    }

    std::string folder = MakeScratchFolder("assets-scratch");

    SDXDraw draw;
    STexture texture;
};

TEST_F(TextureSurfaceTest, AlphaFormatsMarkTransparencyAndBleedColour) {
    ASSERT_EQ(Load(Format16(0x7C00, 0x3E0, 0x1F, 0x8000)), 1);
    ASSERT_NE(texture.GetTextureInterface(), nullptr);
    std::vector<DDCOLORKEY> keys;
    const auto levels = ReadLevels(texture.GetTextureInterface()->Surface(), keys);
    ASSERT_EQ(levels.size(), 5u);  // 64 x 64 down to 4 x 4
    for (size_t k = 0; k < levels.size(); ++k) {
        const int w = 64 >> k;
        const auto& level = levels[k];
        EXPECT_EQ(level[w / 2], 0xFC00) << k;          // opaque red with its alpha bit
        EXPECT_EQ(level[w / 2 - 1], 0x7C00) << k;      // transparent, red taken from the right
        EXPECT_EQ(level[0], 0) << k;                   // transparent without an opaque neighbour
        EXPECT_EQ(keys[k].dwColorSpaceLowValue, 0u) << k;
    }
    // The mask of the top level: the right half of each row is opaque.
    ASSERT_GE(texture.GetTransparencyMask().size(), 64u * 64 / 32);
    EXPECT_EQ(texture.GetTransparencyMask()[0], 0u);
    EXPECT_EQ(texture.GetTransparencyMask()[1], 0xFFFFFFFFu);
    EXPECT_EQ(texture.m_wMaskWidth, 64);
    EXPECT_TRUE(texture.Planes().empty());

    // Loading by name clears the hardware flag; the built texture is still given back.
    IDirectDrawSurface4* top = texture.GetTextureInterface()->Surface();
    top->AddRef();
    texture.LoadFromFile(CString("nowhere"), 0);
    texture.ReleaseImage();
    EXPECT_EQ(top->Release(), 0u);
}

TEST_F(TextureSurfaceTest, FormatsWithoutAlphaGetASourceColourKey) {
    ASSERT_EQ(Load(Format16(0xF800, 0x7E0, 0x1F, 0)), 1);
    // Entry 5 is stored blue 0x30, green 0x20, red 0x10: in 565 0x1000 | 0x100 | 0x6.
    const uint32_t key = 0x1000 | 0x100 | 0x6;
    EXPECT_EQ(texture.m_dwKeyValue, key);
    std::vector<DDCOLORKEY> keys;
    const auto levels = ReadLevels(texture.GetTextureInterface()->Surface(), keys);
    ASSERT_EQ(levels.size(), 5u);
    for (size_t k = 0; k < levels.size(); ++k) {
        EXPECT_EQ(keys[k].dwColorSpaceLowValue, key) << k;
        EXPECT_EQ(keys[k].dwColorSpaceHighValue, key) << k;
        EXPECT_EQ(levels[k][0], key) << k;
        EXPECT_EQ(levels[k][(64 >> k) / 2], 0xF800) << k;
    }
}

TEST_F(TextureSurfaceTest, UnwritableFormatsAreRefused) {
    DDPIXELFORMAT narrow = Format16(0xE0, 0x1C, 0x3, 0);
    narrow.dwRGBBitCount = 8;
    EXPECT_EQ(Load(narrow), 0);
    EXPECT_EQ(texture.GetTextureInterface(), nullptr);
    EXPECT_TRUE(texture.Planes().empty());

    STexture unset;
    unset.m_iHardware = 1;
    EXPECT_EQ(unset.BuildSurfaces(), 0);
}

// The hardware build takes level 0 only, yet a skin must still hold every level its header names.
TEST_F(TextureSurfaceTest, SkinsMustHoldTheLevelsTheirHeaderNames) {
    Prepare(Format16(0xF800, 0x7E0, 0x1F, 0));
    const auto pixel = [](int x, int y) { return static_cast<uint8_t>(x + y); };
    Bytes whole = MakeSkin(16, 16, 3, pixel);
    const std::string path = folder + "/skin.skn";
    SaveBytes(path, whole);
    EXPECT_EQ(texture.LoadSkin(path.c_str()), 1);
    whole.resize(782 + 16 * 16);
    SaveBytes(path, whole);
    EXPECT_EQ(texture.LoadSkin(path.c_str()), 0);
    whole[12] = 1;
    SaveBytes(path, whole);
    EXPECT_EQ(texture.LoadSkin(path.c_str()), 1);
}

}  // namespace
