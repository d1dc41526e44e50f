// Texture records on the headless device: the format that fits the target, the built size by
// limits, reduction and freezing, the hit mask and colour key at the alpha threshold, the
// material, the tags that win, the records that cannot be built, and the renderer's copies
// between surfaces and textures and its release of texture items.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "assets/textures/STexFormat.h"
#include "assets/textures/STexture2.h"
#include "sys/d3d/d3d.h"
#include "render/SD3D6Parser.h"
#include "render/pipeline/SD3DRaster.h"
#include "render/texture/SD3D6Lock.h"
#include "tests/assets/textures/TextureTestSupport.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace {

using namespace tarvex::test;
using sys::video::DDPIXELFORMAT;

DDPIXELFORMAT Format4444() {
    DDPIXELFORMAT pf = RgbFormat(16, 0x0F00, 0x00F0, 0x000F);
    pf.dwFlags |= sys::video::DDPF_ALPHAPIXELS;
    pf.dwRGBAlphaBitMask = 0xF000;
    return pf;
}

class TextureRecordTest : public RenderDisplayTest {
protected:
    void SetUp() override {
        RenderDisplayTest::SetUp();
        OpenSurfaces(1);
        ASSERT_EQ(parser.CreateRaster(&record), 1);
        folder = MakeScratchFolder("render");
    }

    void TearDown() override {
        SD3D6Lock::s_fAmbientFactors[0] = SD3D6Lock::s_fAmbientFactors[1] = 1.0f;
        SD3D6Lock::s_fAmbientFactors[2] = SD3D6Lock::s_fAmbientFactors[3] = 1.0f;
        parser.EndSession(0);
        parser.ReleaseRaster();
        CloseSurfaces();
        RenderDisplayTest::TearDown();
    }

    // A record as the texture-list loader prepares it: 16-bit plain, alpha and tree formats.
    std::unique_ptr<SD3D6Lock> NewRecord() {
        auto lock = std::make_unique<SD3D6Lock>();
        auto* raster = static_cast<SD3D6Raster*>(parser.GetRaster());
        lock->m_pD3D = raster->GetDirect3D();
        lock->m_pDevice = raster->GetDevice(0);
        lock->m_pDD = raster->GetDirectDraw();
        for (int i = 0; i < 3; ++i) {
            lock->m_pClassStates[i] = &parser.m_ClassStates[i];
        }
        lock->m_pfPlain = Format565();
        lock->m_pfTree = Format565();
        lock->m_pfBackBuffer = Format565();
        lock->m_pfAlpha = Format4444();
        return lock;
    }

    // A texture file of this size in one format, loaded back with its pixels left on disk.
    // `prepare` may set tags and pixels before it is saved.
    template <typename Prepare>
    std::unique_ptr<STexture2> Texture(int width, int height, const char* line, Prepare prepare) {
        STexture2 made;
        EXPECT_TRUE(ImportBmp(made, folder, width, height, line, line == kPalette8 ? 8 : 24));
        prepare(made);
        const std::string path = folder + "/t" + std::to_string(++files) + ".stx";
        EXPECT_EQ(made.Save(path.c_str()), 1);
        auto loaded = std::make_unique<STexture2>();
        EXPECT_EQ(loaded->Load(path.c_str(), 0), 1);
        return loaded;
    }
    std::unique_ptr<STexture2> Texture(int width, int height, const char* line = kRGB565) {
        return Texture(width, height, line, [](STexture2&) {});
    }

    uint16_t SurfacePixel(SD3D6Lock& lock, int x, int y) {
        sys::video::DDSURFACEDESC2 desc;
        auto* surface = lock.GetSurface();
        EXPECT_EQ(surface->Lock(nullptr, &desc, sys::video::DDLOCK_WAIT, nullptr), sys::video::DD_OK);
        const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + y * desc.lPitch;
        const uint16_t pixel = static_cast<uint16_t>(row[2 * x] | row[2 * x + 1] << 8);
        surface->Unlock(nullptr);
        return pixel;
    }

    SD3D6Parser parser;
    std::string folder;
    int files = 0;
};

TEST_F(TextureRecordTest, BuiltSizeFollowsLimitsReductionAndFreezing) {
    struct Case {
        int width, height;
        int minimum, maximum;
        bool reduce;
        const char* freeze;
        int builtWidth, builtHeight;
        float scaleU, scaleV;
    };
    const Case cases[] = {
        {300, 20, 4, 256, false, nullptr, 256, 20, 1.0f, 1.0f},  // 300 / 256 in whole numbers
        {512, 512, 4, 2048, true, nullptr, 256, 256, 2.0f, 2.0f},
        {512, 512, 4, 2048, true, "yes", 512, 512, 1.0f, 1.0f},
        {8, 4, 4, 2048, true, nullptr, 4, 4, 2.0f, 1.0f},  // the height is not halved below 4
        {4, 4, 8, 2048, false, nullptr, 8, 8, 1.0f, 1.0f},  // built larger: scale 1, not 0
        // A device that takes sides of 1: halving still stops where resampling does.
        {8, 4, 1, 2048, true, nullptr, 4, 4, 2.0f, 1.0f},
        {16, 4, 1, 2048, true, nullptr, 8, 4, 2.0f, 1.0f},
        {4, 4, 1, 2048, true, nullptr, 4, 4, 1.0f, 1.0f},
        {8, 8, 1, 2, false, nullptr, 8, 8, 1.0f, 1.0f},  // 2 x 2 cannot be made: built as stored
    };
    for (const Case& c : cases) {
        auto texture = Texture(c.width, c.height, kRGB565, [&](STexture2& t) {
            if (c.freeze != nullptr) {
                t.SetTag("TXT-FreezeSize", c.freeze);
            }
        });
        auto lock = NewRecord();
        lock->m_iMinWidth = lock->m_iMinHeight = c.minimum;
        lock->m_iMaxWidth = lock->m_iMaxHeight = c.maximum;
        lock->m_bReduce = c.reduce ? 1 : 0;
        ASSERT_EQ(lock->Build(texture.get()), 1) << c.width << " x " << c.height;
        EXPECT_EQ(lock->GetWidth(), c.builtWidth);
        EXPECT_EQ(lock->GetHeight(), c.builtHeight);
        EXPECT_EQ(lock->m_fScaleU, c.scaleU);
        EXPECT_EQ(lock->m_fScaleV, c.scaleV);
        EXPECT_EQ(lock->m_fLogicalWidth, c.builtWidth * c.scaleU);
        EXPECT_EQ(texture->GetNumFormats(), 1);
        lock->Release();
    }
}

// The renderer's own limits at the lowest texture quality halve small textures no further than
// they can be resampled, and every one of them loads.
TEST_F(TextureRecordTest, SmallTexturesLoadAtEveryQuality) {
    parser.m_iSessionMode = 2;
    parser.m_SSMVFormats.opaque = parser.m_SSMVFormats.screen = Format565();
    struct Case {
        int quality, width, height, builtWidth, builtHeight;
    };
    const Case cases[] = {{0, 8, 4, 4, 4}, {0, 4, 4, 4, 4}, {0, 16, 4, 8, 4}, {0, 64, 8, 32, 4},
                          {1, 8, 4, 8, 4}, {1, 16, 4, 16, 4}};
    for (const Case& c : cases) {
        parser.m_LevelInfo.Field(2) = c.quality;
        Texture(c.width, c.height);
        const std::string name = "file;" + folder + "/t" + std::to_string(files) + ".stx";
        const int16_t index = parser.FindTexture(name.c_str(), 0, 1);
        ASSERT_GE(index, 0) << c.quality << ": " << c.width << " x " << c.height;
        EXPECT_EQ(parser.TextureRecord(index)->GetWidth(), c.builtWidth);
        EXPECT_EQ(parser.TextureRecord(index)->GetHeight(), c.builtHeight);
    }
}

TEST_F(TextureRecordTest, FormatChoiceByChannelWidths) {
    STexture2 palettised;
    ASSERT_TRUE(ImportBmp(palettised, folder, 8, 8, kPalette8, 8));
    // Only a format of at most 8 bits: the last pass takes it for a 16-bit target.
    EXPECT_EQ(SD3D6Lock::ChooseFormat(palettised, Format565(), false), 0);

    STexture2 texture;
    ASSERT_TRUE(ImportBmp(texture, folder, 8, 8, kRGB565));
    for (const char* line : {"I8 8 0 1 0 0 0 0 0 0 0 0 0 0 0 0 ", kARGB8888, kARGB4444,
                             "B5G6R5 16 0 2 5 6 5 0 0 5 11 0 31 63 31 0 ",
                             "A1R5G5B5 15 1 2 5 5 5 1 10 5 0 15 31 31 31 1 "}) {
        ASSERT_EQ(texture.AddFormat(STexFormat::Parse(line)), 1) << line;
    }
    struct Case {
        DDPIXELFORMAT target;
        bool colourKey;
        int expected;
    };
    const Case cases[] = {
        {Format8(), false, 1},    // the first format of 8 bits
        {Format565(), false, 0},  // formats 0 and 4 (blue first) both score 0: the earlier stays
        {Format4444(), false, 3},
        {Format555(), false, 0},  // 565, 565 and 1555 all score 1
        {Format555(), true, 5},   // keying first looks at one-bit alpha formats
        {Format4444(), true, 3},  // one alpha bit is narrower than the target's four
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SD3D6Lock::ChooseFormat(texture, c.target, c.colourKey), c.expected)
            << c.target.dwRGBBitCount << " bits, key " << c.colourKey;
    }
}

TEST_F(TextureRecordTest, HitMaskAndColourKeyMeetAtAlpha128) {
    auto withAlpha = [](STexture2& t) {
        STexFormat* format = t.GetFormat(0);
        for (int16_t level = 0; level < format->GetMIPDepth(); ++level) {
            format->SetAlphaPixel(level, 0, 0, 128);
            format->SetAlphaPixel(level, 1, 0, 127);
            format->SetAlphaPixel(level, 2, 0, 0);
        }
    };
    // Alpha target, no keying: the mask comes from level 1 when there are two levels.
    auto texture = Texture(8, 8, kARGB8888, withAlpha);
    auto lock = NewRecord();
    ASSERT_EQ(lock->Build(texture.get()), 1);
    EXPECT_EQ(lock->m_fMaskWidth, 4.0f);
    EXPECT_TRUE(lock->MaskBit(0, 0));
    EXPECT_FALSE(lock->MaskBit(1, 0));
    EXPECT_FALSE(lock->MaskBit(2, 0));
    EXPECT_TRUE(lock->MaskBit(3, 3));
    EXPECT_EQ(SurfacePixel(*lock, 0, 0) >> 12, 8);  // 128 in four bits
    lock->Release();

    // One level and colour keying: mask from level 0; 128 is solid there and keyed on screen.
    texture = Texture(8, 8, kARGB8888, [&](STexture2& t) {
        withAlpha(t);
        t.SetTag("TXT-RSColorKey", "yes");
        t.SetTag("TXT-TSMIPLevels", "1");
        t.SetTag("TXT-SortType", "alpha");
    });
    lock = NewRecord();
    lock->SetColorKey(0x000000FF);  // blue
    ASSERT_EQ(lock->Build(texture.get()), 1);
    EXPECT_EQ(lock->m_fMaskWidth, 8.0f);
    EXPECT_TRUE(lock->MaskBit(0, 0));
    EXPECT_FALSE(lock->MaskBit(1, 0));
    EXPECT_EQ(lock->m_dwSortType, 0u);
    EXPECT_EQ(lock->m_States.dwColorKeyEnable, 1u);
    // Keyed textures use the plain format; blue with full alpha packs as 0x001F in RGB565.
    EXPECT_EQ(SurfacePixel(*lock, 0, 0), 0x001F);
    EXPECT_EQ(SurfacePixel(*lock, 2, 0), 0x001F);
    EXPECT_NE(SurfacePixel(*lock, 3, 0), 0x001F);
    sys::video::DDCOLORKEY key;
    ASSERT_EQ(lock->GetSurface()->GetColorKey(sys::video::DDCKEY_SRCBLT, &key), sys::video::DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, 0x001Fu);
    // The keyed build limits its class's filters for every later texture of the class.
    EXPECT_EQ(parser.m_ClassStates[SD3D6Lock::kAlphaClass].dwMagFilter, 1u);
    EXPECT_EQ(parser.m_ClassStates[SD3D6Lock::kAlphaClass].dwMipFilter, 2u);
    lock->Release();

    // Alpha into a target without alpha pixels and without keying: no mask.
    texture = Texture(8, 8, kARGB8888, withAlpha);
    parser.m_ClassStates[SD3D6Lock::kAlphaClass] = SD3D6TextureStates{};
    lock = NewRecord();
    lock->m_pfAlpha = Format565();
    ASSERT_EQ(lock->Build(texture.get()), 1);
    EXPECT_EQ(lock->m_pHitMask, nullptr);
    EXPECT_EQ(lock->m_fMaskWidth, -1.0f);
    lock->Release();
}

TEST_F(TextureRecordTest, MaterialTagsAndStatesOfTheBuild) {
    SD3D6Lock::s_fAmbientFactors[1] = 0.5f;
    auto texture = Texture(8, 8, kRGB565, [](STexture2& t) {
        t.SetTag("MAT-AmbientR", "0.8");
        t.SetTag("MAT-AmbientA", "1");
        t.SetTag("MAT-DiffuseG", "0.25");
        t.SetTag("TXT-RSCull", "None");
        t.GetFormat(0)->SetTag("TXT-RSCull", "CCW");
        t.GetFormat(0)->SetTag("TXT-TSAddress", "Mirror");
        t.SetTag("TXT-TSMIPBias", "2");
    });
    auto lock = NewRecord();
    ASSERT_EQ(lock->Build(texture.get()), 1);
    float ambient[4] = {};
    lock->GetAmbient(ambient, 0);
    EXPECT_FLOAT_EQ(ambient[0], 1.0f);
    EXPECT_FLOAT_EQ(ambient[1], 0.4f);
    lock->GetAmbient(ambient, 1);
    EXPECT_FLOAT_EQ(ambient[1], 0.8f);
    EXPECT_FLOAT_EQ(lock->m_Material.diffuse.g, 0.25f);
    sys::d3d::D3DMATERIAL material;
    lock->m_pMaterial->GetMaterial(&material);
    EXPECT_FLOAT_EQ(material.ambient.r, 0.4f);
    // The texture's own tag wins over its format's; a format-only tag still counts.
    EXPECT_EQ(lock->m_States.dwCullMode, 1u);
    EXPECT_EQ(lock->m_States.dwAddress, 2u);
    EXPECT_EQ(lock->m_States.dwMipBias, 2u);
    // Filters come down to the stage-0 filters of the device's level (0: mip 2, min 1, mag 1).
    EXPECT_EQ(lock->m_States.dwMagFilter, 1u);
    EXPECT_EQ(lock->m_States.dwMipFilter, 2u);
    float set[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    lock->SetAmbient(set);
    lock->m_pMaterial->GetMaterial(&material);
    EXPECT_FLOAT_EQ(material.ambient.b, 0.4f);
    lock->Release();
    EXPECT_EQ(lock->m_pMaterial, nullptr);
}

TEST_F(TextureRecordTest, RecordsThatCannotBeBuilt) {
    // Pixels that cannot be read (a container never saved has no file to read them from).
    STexture2 unsaved;
    ASSERT_TRUE(ImportBmp(unsaved, folder, 8, 8, kRGB565));
    auto lock = NewRecord();
    EXPECT_EQ(lock->Build(&unsaved), 0);
    EXPECT_EQ(lock->m_pTexture, nullptr);
    // Setting the ambient of an unbuilt record does nothing.
    float ambient[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    lock->SetAmbient(ambient);
    lock->GetAmbient(ambient, 0);
    EXPECT_EQ(ambient[1], 0.0f);

    // A palettised target is never built; a missing device object or class block fails first.
    auto texture = Texture(8, 8, kPalette8);
    lock = NewRecord();
    lock->m_pfPlain = Format8();
    EXPECT_EQ(lock->Build(texture.get()), 0);
    lock = NewRecord();
    lock->m_pClassStates[2] = nullptr;
    EXPECT_EQ(lock->Build(texture.get()), 0);
    EXPECT_EQ(NewRecord()->Build(nullptr), 0);
}

TEST_F(TextureRecordTest, RendererCopiesBetweenSurfacesAndTexturesAndFreesItsItems) {
    auto texture = Texture(8, 8);
    auto lock = NewRecord();
    ASSERT_EQ(lock->Build(texture.get()), 1);
    auto* item = new SD3D6TextureItem;
    item->m_pTexture = lock.release();
    item->m_sName = "xts.kcirb;elif";
    parser.m_TextureItems.Add(item);
    parser.m_TextureLists.Add(new SD3D6TextureList);
    parser.m_TextureLists[0]->m_pEntries = new SD3D6TextureListEntry[2];
    parser.m_iSessionMode = 1;

    char name[32] = {};
    EXPECT_EQ(parser.GetTextureName(0, name, sizeof(name)), 1);
    EXPECT_STREQ(name, "file;brick.stx");
    char shortName[4] = {'-', '-', '-', '-'};
    EXPECT_EQ(parser.GetTextureName(0, shortName, 3), 1);
    EXPECT_EQ(std::string(shortName, 4), "fil-");

    // A red surface copied into the texture at (2, 2), then the texture back out.
    auto* raster = static_cast<SD3D6Raster*>(parser.GetRaster());
    sys::video::DDSURFACEDESC2 desc = OffscreenDesc(8, 8, Format565());
    sys::video::IDirectDrawSurface4* surface = nullptr;
    ASSERT_EQ(raster->GetDirectDraw()->CreateSurface(&desc, &surface, nullptr), sys::video::DD_OK);
    sys::video::DDBLTFX fill;
    fill.dwFillColor = 0xF800;
    surface->Blt(nullptr, nullptr, nullptr, sys::video::DDBLT_COLORFILL | sys::video::DDBLT_WAIT, &fill);
    const sys::RECT part{0, 0, 2, 2};
    const sys::POINT at{2, 2};
    EXPECT_EQ(parser.CopySurfaceToTexture(0, surface, &part, &at), 1);
    auto* built = static_cast<SD3D6Lock*>(parser.GetTexture(0));
    EXPECT_EQ(SurfacePixel(*built, 3, 3), 0xF800);
    EXPECT_NE(SurfacePixel(*built, 4, 4), 0xF800);
    EXPECT_EQ(parser.CopyTextureToSurface(0, surface), 1);
    EXPECT_EQ(parser.CopySurfaceToTexture(1, surface, nullptr, nullptr), 0);
    EXPECT_EQ(parser.CopyTextureToSurface(0, nullptr), 0);
    surface->Release();

    EXPECT_EQ(parser.EndSession(0), 1);
    EXPECT_EQ(parser.m_TextureItems.GetSize(), 0);
    EXPECT_EQ(parser.m_TextureLists.GetSize(), 0);
}

}  // namespace
