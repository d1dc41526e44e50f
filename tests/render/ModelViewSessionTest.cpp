// The model-view session: the texture formats it chooses from what the device offers, its
// set-up on a display, its frame's background and the models it draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "assets/models/SSMHandle.h"

#include "render/SD3D6Parser.h"
#include "render/modelview/SModelViewSession.h"
#include "render/pipeline/SD3DRaster.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/support/ReferenceImage.h"

namespace {

using sys::video::DDPIXELFORMAT;
namespace f = model_view_fields;

bool Same(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

TEST(ModelViewFormats, ChosenFromWhatTheDeviceOffers) {
    const std::set<int> all = {kFormat8888, kFormat888, kFormat565, kFormat1555, kFormat555, kFormat4444};
    const std::set<int> low = {kFormat555, kFormat4444};
    struct Case {
        const char* name;
        std::set<int> offered;
        int quality, keying, soft;
        SModelViewCandidate opaque, alpha, transparent;
        uint32_t keys[3];
    };
    const Case cases[] = {
        {"quality 1", all, 1, 0, 1, kFormat565, kFormat1555, kFormat1555, {0, 0, 0}},
        {"quality 2", all, 2, 0, 1, kFormat888, kFormat8888, kFormat8888, {0, 0, 0}},
        {"quality 0, low device", low, 0, 0, 0, kFormat555, kFormat4444, kFormat555, {0, 1, 0}},
        {"quality 2, low device", low, 2, 0, 1, kFormat555, kFormat4444, kFormat4444, {0, 0, 0}},
        {"colour keying", all, 1, 1, 1, kFormat565, kFormat565, kFormat565, {1, 1, 0}},
    };
    for (const Case& c : cases) {
        SModelViewFormats formats;
        ChooseModelViewFormats([&](const DDPIXELFORMAT& format) {
            for (int i : c.offered) {
                if (Same(format, ModelViewCandidate(static_cast<SModelViewCandidate>(i))))
                    return true;
            }
            return false;
        }, c.quality, c.keying, c.soft, formats);
        EXPECT_TRUE(Same(formats.opaque, ModelViewCandidate(c.opaque))) << c.name;
        EXPECT_TRUE(Same(formats.alpha, ModelViewCandidate(c.alpha))) << c.name;
        EXPECT_TRUE(Same(formats.transparent, ModelViewCandidate(c.transparent))) << c.name;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(formats.dwClassKeys[i], c.keys[i]) << c.name << " class " << i;
    }

    // A device offering none of a group leaves its format as it was.
    SModelViewFormats formats;
    formats.opaque = ModelViewCandidate(kFormat555);
    formats.alpha = ModelViewCandidate(kFormat4444);
    ChooseModelViewFormats([](const DDPIXELFORMAT&) { return false; }, 2, 0, 1, formats);
    EXPECT_TRUE(Same(formats.opaque, ModelViewCandidate(kFormat555)));
    EXPECT_TRUE(Same(formats.alpha, ModelViewCandidate(kFormat4444)));
}

// A renderer with its raster on a windowed display.
class ModelViewSessionTest : public tarvex::test::RenderDisplayTest {
protected:
    void OpenRenderer() {
        OpenSurfaces(0);
        parser.Create(&info);
        ASSERT_EQ(parser.CreateRaster(&record), 1);
    }

    SParserCreateInfo info;
    SD3D6Parser parser;
};

TEST_F(ModelViewSessionTest, SetUpOnADisplayAndBackgroundPerFrame) {
    OpenRenderer();

    SModelViewInfo view;
    view.Field(f::kDistance) = 12;
    view.Field(f::kTextureQuality) = 7;
    view.Field(f::kSecondSwitch) = -3;
    view.Field(f::kBackgroundClear) = 0;
    view.Field(f::kColourKeying) = 1;
    ASSERT_EQ(parser.InitSession(1, &view, 0), 1);
    EXPECT_EQ(parser.m_ModelView.Field(f::kTextureQuality), 2);
    EXPECT_EQ(parser.m_ModelView.Field(f::kSecondSwitch), 0);
    EXPECT_EQ(parser.m_ModelView.Field(2), 1280);
    EXPECT_EQ(parser.GetLightCount(), 1);
    EXPECT_TRUE(Same(parser.m_SSMVFormats.alpha, parser.m_SSMVFormats.opaque));
    EXPECT_EQ(parser.m_ClassStates[0].dwColorKeyEnable, 1u);
    DDPIXELFORMAT backFormat;
    back->GetSurface()->GetPixelFormat(&backFormat);
    EXPECT_TRUE(Same(parser.m_SSMVFormats.screen, backFormat));
    EXPECT_EQ(parser.m_SSMVBuffers.indexStore.size(), 32768u);
    EXPECT_EQ(parser.m_SSMVBuffers.workPools[0].size(), 1572864u);
    EXPECT_EQ(parser.m_SSMVBuffers.vertexStore.size(), 32768u * 44);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(parser.m_iRenderStateCache[i], -1) << i;

    // Without the background switch the previous frame stays behind the models.
    sys::video::IDirectDrawSurface4* target = back->GetSurface();
    const auto pixel = [&] {
        sys::video::DDSURFACEDESC2 desc;
        EXPECT_EQ(target->Lock(nullptr, &desc, sys::video::DDLOCK_WAIT, nullptr), sys::video::DD_OK);
        uint32_t value = 0;
        std::memcpy(&value, static_cast<uint8_t*>(desc.lpSurface) + 5 * desc.lPitch + 10,
                    desc.ddpfPixelFormat.dwRGBBitCount / 8);
        target->Unlock(nullptr);
        return value;
    };
    sys::video::DDBLTFX fill;
    fill.dwFillColor = 0x1234;
    ASSERT_EQ(target->Blt(nullptr, nullptr, nullptr, sys::video::DDBLT_COLORFILL, &fill), sys::video::DD_OK);
    const uint32_t before = pixel();
    EXPECT_EQ(parser.RenderFrame(), 1);
    EXPECT_EQ(pixel(), before);

    view.Field(f::kBackgroundClear) = 1;
    view.Field(f::kBackgroundColour) = 0;
    ASSERT_EQ(parser.SetSessionParams(&view), 1);
    EXPECT_EQ(parser.RenderFrame(), 1);
    EXPECT_EQ(pixel(), 0u);

    // Rendering into a texture needs a texture item with a built texture.
    const float whole[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    EXPECT_EQ(parser.RenderToTexture(0, 60.0f, 60.0f, whole), 0);
    SD3D6TextureItem empty;
    parser.m_TextureItems.Add(&empty);
    EXPECT_EQ(parser.RenderToTexture(0, 60.0f, 60.0f, whole), 0);
    parser.m_TextureItems.RemoveAll();

    EXPECT_EQ(parser.EndSession(0), 1);
    EXPECT_TRUE(parser.m_SSMVBuffers.indexStore.empty());
    parser.ReleaseRaster();
}

// The demo radio, stood at the origin, fills the middle of a model-view frame seen from in front
// of it, in its own texture's colour, and leaves the frame empty when the camera turns away.
TEST_F(ModelViewSessionTest, AModelInFrontOfTheCameraIsDrawn) {
    OpenRenderer();
    SModelViewInfo view;
    view.Field(f::kDistance) = 4;
    view.Field(f::kTextureQuality) = 1;
    view.Field(f::kBackgroundClear) = 1;
    view.Field(f::kBackgroundColour) = 0;
    ASSERT_EQ(parser.InitSession(1, &view, 0), 1);
    const std::string home = std::string(TARVEX_TEST_BINARY_DIR) + "/../Home";
    std::unique_ptr<SSMHandle> radio(parser.LoadModels((home + "/Models/Inventory/radio.ssm").c_str()));
    ASSERT_NE(radio, nullptr);
    ActorDesc desc;
    desc.m_pModel = radio.get();
    desc.m_dwFlags = 1;
    ASSERT_NE(parser.AddObject(&desc, 0, 0.0, 0.0), nullptr);

    const auto frame = [&](float yaw) {
        parser.SetViewPosition(0.0f, 3.0f, -12.0f);
        parser.SetViewAngles(0.0f, yaw, 0.0f);
        parser.UpdateFrustum();
        parser.BeginFrame();
        parser.RenderFrame();
        parser.EndFrame();
        sys::video::DDSURFACEDESC2 surface;
        EXPECT_EQ(back->GetSurface()->Lock(nullptr, &surface, sys::video::DDLOCK_WAIT, nullptr), sys::video::DD_OK);
        const bool wide = surface.ddpfPixelFormat.dwRGBBitCount == 32;
        const tarvex::test::Image image =
            wide ? tarvex::test::ImageFromXRGB8888(surface.lpSurface, 640, 480, surface.lPitch)
                 : tarvex::test::ImageFromRGB565(surface.lpSurface, 640, 480, surface.lPitch);
        back->GetSurface()->Unlock(nullptr);
        return image;
    };
    const tarvex::test::Image ahead = frame(0.0f);
    const uint32_t middle = ahead.At(320, 240);
    EXPECT_NE(middle, 0u);
    EXPECT_GT(middle & 0xFF, (middle >> 16) & 0xFF) << "grey-blue like its texture, lit";
    EXPECT_EQ(ahead.At(40, 40), 0u);
    const tarvex::test::Image away = frame(3.14159265f);
    EXPECT_TRUE(std::all_of(away.pixels.begin(), away.pixels.end(), [](uint32_t p) { return p == 0; }));

    parser.RemoveObject(&desc, 0.0, 0.0);
    EXPECT_EQ(parser.EndSession(0), 1);
    parser.ReleaseRaster();
}

}  // namespace
