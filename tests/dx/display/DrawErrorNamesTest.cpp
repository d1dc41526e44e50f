// The DirectDraw result names every display wrapper puts in its error text, the numeric values
// the wrappers branch on, and the bounded error texts of the draw object, clipper, palette and
// surface wrappers.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "VideoTestSupport.h"
#include "dx/display/SDXClipper.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXPalette.h"
#include "dx/display/SDXSurface.h"

namespace {

using namespace sys::video;
using tarvex::test::VideoTest;

std::string TextOf(HRESULT hr) {
    char buffer[64] = "";
    DDErrorText(hr, buffer);
    return buffer;
}

struct NamedCode {
    uint32_t code;
    const char* name;
};

// Every DDERR_ code with its value: the facility-0x876 codes by their numbers, and the ones the
// interface borrows from the system's own codes.
constexpr NamedCode kAllCodes[] = {
    {0x88760005u, "DDERR_ALREADYINITIALIZED"},
    {0x8876000Au, "DDERR_CANNOTATTACHSURFACE"},
    {0x88760014u, "DDERR_CANNOTDETACHSURFACE"},
    {0x88760028u, "DDERR_CURRENTLYNOTAVAIL"},
    {0x88760037u, "DDERR_EXCEPTION"},
    {0x80004005u, "DDERR_GENERIC"},
    {0x8876005Au, "DDERR_HEIGHTALIGN"},
    {0x8876005Fu, "DDERR_INCOMPATIBLEPRIMARY"},
    {0x88760064u, "DDERR_INVALIDCAPS"},
    {0x8876006Eu, "DDERR_INVALIDCLIPLIST"},
    {0x88760078u, "DDERR_INVALIDMODE"},
    {0x88760082u, "DDERR_INVALIDOBJECT"},
    {0x80070057u, "DDERR_INVALIDPARAMS"},
    {0x88760091u, "DDERR_INVALIDPIXELFORMAT"},
    {0x88760096u, "DDERR_INVALIDRECT"},
    {0x887600A0u, "DDERR_LOCKEDSURFACES"},
    {0x887600AAu, "DDERR_NO3D"},
    {0x887600B4u, "DDERR_NOALPHAHW"},
    {0x887600B5u, "DDERR_NOSTEREOHARDWARE"},
    {0x887600B6u, "DDERR_NOSURFACELEFT"},
    {0x887600CDu, "DDERR_NOCLIPLIST"},
    {0x887600D2u, "DDERR_NOCOLORCONVHW"},
    {0x887600D4u, "DDERR_NOCOOPERATIVELEVELSET"},
    {0x887600D7u, "DDERR_NOCOLORKEY"},
    {0x887600DCu, "DDERR_NOCOLORKEYHW"},
    {0x887600DEu, "DDERR_NODIRECTDRAWSUPPORT"},
    {0x887600E1u, "DDERR_NOEXCLUSIVEMODE"},
    {0x887600E6u, "DDERR_NOFLIPHW"},
    {0x887600F0u, "DDERR_NOGDI"},
    {0x887600FAu, "DDERR_NOMIRRORHW"},
    {0x887600FFu, "DDERR_NOTFOUND"},
    {0x88760104u, "DDERR_NOOVERLAYHW"},
    {0x8876010Eu, "DDERR_OVERLAPPINGRECTS"},
    {0x88760118u, "DDERR_NORASTEROPHW"},
    {0x88760122u, "DDERR_NOROTATIONHW"},
    {0x88760136u, "DDERR_NOSTRETCHHW"},
    {0x8876013Cu, "DDERR_NOT4BITCOLOR"},
    {0x8876013Du, "DDERR_NOT4BITCOLORINDEX"},
    {0x88760140u, "DDERR_NOT8BITCOLOR"},
    {0x8876014Au, "DDERR_NOTEXTUREHW"},
    {0x8876014Fu, "DDERR_NOVSYNCHW"},
    {0x88760154u, "DDERR_NOZBUFFERHW"},
    {0x8876015Eu, "DDERR_NOZOVERLAYHW"},
    {0x88760168u, "DDERR_OUTOFCAPS"},
    {0x8007000Eu, "DDERR_OUTOFMEMORY"},
    {0x8876017Cu, "DDERR_OUTOFVIDEOMEMORY"},
    {0x8876017Eu, "DDERR_OVERLAYCANTCLIP"},
    {0x88760180u, "DDERR_OVERLAYCOLORKEYONLYONEACTIVE"},
    {0x88760183u, "DDERR_PALETTEBUSY"},
    {0x88760190u, "DDERR_COLORKEYNOTSET"},
    {0x8876019Au, "DDERR_SURFACEALREADYATTACHED"},
    {0x887601A4u, "DDERR_SURFACEALREADYDEPENDENT"},
    {0x887601AEu, "DDERR_SURFACEBUSY"},
    {0x887601B3u, "DDERR_CANTLOCKSURFACE"},
    {0x887601B8u, "DDERR_SURFACEISOBSCURED"},
    {0x887601C2u, "DDERR_SURFACELOST"},
    {0x887601CCu, "DDERR_SURFACENOTATTACHED"},
    {0x887601D6u, "DDERR_TOOBIGHEIGHT"},
    {0x887601E0u, "DDERR_TOOBIGSIZE"},
    {0x887601EAu, "DDERR_TOOBIGWIDTH"},
    {0x80004001u, "DDERR_UNSUPPORTED"},
    {0x887601FEu, "DDERR_UNSUPPORTEDFORMAT"},
    {0x88760208u, "DDERR_UNSUPPORTEDMASK"},
    {0x88760219u, "DDERR_VERTICALBLANKINPROGRESS"},
    {0x8876021Cu, "DDERR_WASSTILLDRAWING"},
    {0x88760230u, "DDERR_XALIGN"},
    {0x88760231u, "DDERR_INVALIDDIRECTDRAWGUID"},
    {0x88760232u, "DDERR_DIRECTDRAWALREADYCREATED"},
    {0x88760233u, "DDERR_NODIRECTDRAWHW"},
    {0x88760234u, "DDERR_PRIMARYSURFACEALREADYEXISTS"},
    {0x88760235u, "DDERR_NOEMULATION"},
    {0x88760236u, "DDERR_REGIONTOOSMALL"},
    {0x88760237u, "DDERR_CLIPPERISUSINGHWND"},
    {0x88760238u, "DDERR_NOCLIPPERATTACHED"},
    {0x88760239u, "DDERR_NOHWND"},
    {0x8876023Au, "DDERR_HWNDSUBCLASSED"},
    {0x8876023Bu, "DDERR_HWNDALREADYSET"},
    {0x8876023Cu, "DDERR_NOPALETTEATTACHED"},
    {0x8876023Du, "DDERR_NOPALETTEHW"},
    {0x8876023Eu, "DDERR_BLTFASTCANTCLIP"},
    {0x8876023Fu, "DDERR_NOBLTHW"},
    {0x88760240u, "DDERR_NODDROPSHW"},
    {0x88760241u, "DDERR_OVERLAYNOTVISIBLE"},
    {0x88760242u, "DDERR_NOOVERLAYDEST"},
    {0x88760243u, "DDERR_INVALIDPOSITION"},
    {0x88760244u, "DDERR_NOTAOVERLAYSURFACE"},
    {0x88760245u, "DDERR_EXCLUSIVEMODEALREADYSET"},
    {0x88760246u, "DDERR_NOTFLIPPABLE"},
    {0x88760247u, "DDERR_CANTDUPLICATE"},
    {0x88760248u, "DDERR_NOTLOCKED"},
    {0x88760249u, "DDERR_CANTCREATEDC"},
    {0x8876024Au, "DDERR_NODC"},
    {0x8876024Bu, "DDERR_WRONGMODE"},
    {0x8876024Cu, "DDERR_IMPLICITLYCREATED"},
    {0x8876024Du, "DDERR_NOTPALETTIZED"},
    {0x8876024Eu, "DDERR_UNSUPPORTEDMODE"},
    {0x8876024Fu, "DDERR_NOMIPMAPHW"},
    {0x88760250u, "DDERR_INVALIDSURFACETYPE"},
    {0x88760258u, "DDERR_NOOPTIMIZEHW"},
    {0x88760259u, "DDERR_NOTLOADED"},
    {0x8876025Au, "DDERR_NOFOCUSWINDOW"},
    {0x8876026Cu, "DDERR_DCALREADYCREATED"},
    {0x88760276u, "DDERR_NONONLOCALVIDMEM"},
    {0x88760280u, "DDERR_CANTPAGELOCK"},
    {0x88760294u, "DDERR_CANTPAGEUNLOCK"},
    {0x887602A8u, "DDERR_NOTPAGELOCKED"},
    {0x887602B2u, "DDERR_MOREDATA"},
    {0x887602B7u, "DDERR_VIDEONOTACTIVE"},
    {0x887602BBu, "DDERR_DEVICEDOESNTOWNSURFACE"},
    {0x800401F0u, "DDERR_NOTINITIALIZED"},
};

TEST(DrawErrorNamesTest, EveryCodeOfTheTableGivesItsOwnName) {
    ASSERT_EQ(std::size(kAllCodes), 110u);
    for (const NamedCode& entry : kAllCodes) {
        EXPECT_EQ(TextOf(static_cast<HRESULT>(entry.code)), std::string(entry.name) + "\n") << std::hex << entry.code;
    }
}

TEST(DrawErrorNamesTest, CodesTheDisplayCodeBranchesOnHaveTheirPlatformValues) {
    EXPECT_EQ(static_cast<uint32_t>(DDERR_SURFACELOST), 0x887601C2u);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_WRONGMODE), 0x8876024Bu);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_NODIRECTDRAWHW), 0x88760233u);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_EXCLUSIVEMODEALREADYSET), 0x88760245u);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_NOEXCLUSIVEMODE), 0x887600E1u);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_OUTOFVIDEOMEMORY), 0x8876017Cu);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_INVALIDPARAMS), 0x80070057u);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_OUTOFMEMORY), 0x8007000Eu);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_GENERIC), 0x80004005u);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_UNSUPPORTED), 0x80004001u);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_NOTINITIALIZED), 0x800401F0u);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_ALREADYINITIALIZED), 0x88760005u);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_DEVICEDOESNTOWNSURFACE), 0x887602BBu);
}

TEST(DrawErrorNamesTest, EachCodeIsNamedAsTheHeadersSpellIt) {
    EXPECT_EQ(TextOf(DDERR_SURFACELOST), "DDERR_SURFACELOST\n");
    EXPECT_EQ(TextOf(DDERR_WRONGMODE), "DDERR_WRONGMODE\n");
    EXPECT_EQ(TextOf(DDERR_NODIRECTDRAWHW), "DDERR_NODIRECTDRAWHW\n");
    EXPECT_EQ(TextOf(DDERR_INVALIDPARAMS), "DDERR_INVALIDPARAMS\n");
    EXPECT_EQ(TextOf(DDERR_OUTOFMEMORY), "DDERR_OUTOFMEMORY\n");
    EXPECT_EQ(TextOf(DDERR_NOTINITIALIZED), "DDERR_NOTINITIALIZED\n");
    EXPECT_EQ(TextOf(DDERR_OVERLAYCOLORKEYONLYONEACTIVE), "DDERR_OVERLAYCOLORKEYONLYONEACTIVE\n");
    EXPECT_EQ(TextOf(DDERR_NOTPAGELOCKED), "DDERR_NOTPAGELOCKED\n");
}

TEST(DrawErrorNamesTest, TheTableHolds110DistinctCodesAndNames) {
    EXPECT_EQ(DDErrorNameCount(), 110);
    // Every named code gives back its own name, so no two codes share one.
    std::set<std::string> names;
    const HRESULT samples[] = {DDERR_SURFACELOST, DDERR_WRONGMODE, DDERR_GENERIC, DDERR_UNSUPPORTED,
                               DDERR_NOTFOUND, DDERR_NOCOLORKEY, DDERR_CANTCREATEDC, DDERR_NODC};
    for (HRESULT hr : samples) {
        const char* name = DDErrorName(hr);
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(std::string(name).rfind("DDERR_", 0), 0u);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), std::size(samples));
}

TEST(DrawErrorNamesTest, UnknownCodesAndSuccessAreUnidentified) {
    EXPECT_EQ(TextOf(0x88760001), "UNIDENTIFIED\n");
    EXPECT_EQ(TextOf(DD_OK), "UNIDENTIFIED\n");
    EXPECT_EQ(TextOf(static_cast<HRESULT>(0x88780096u)), "UNIDENTIFIED\n");  // a sound code
    CString text;
    DDErrorString(DDERR_SURFACEBUSY, text);
    EXPECT_STREQ(text.GetString(), "DDERR_SURFACEBUSY");
    DDErrorString(0x12345, text);
    EXPECT_STREQ(text.GetString(), "UNIDENTIFIED");
}

TEST(DrawErrorNamesTest, TheNameIsAppendedToTheTextAlreadyThereAndCutToTheBuffer) {
    char buffer[32] = "Blt: ";
    DDErrorText(DDERR_SURFACELOST, buffer);
    EXPECT_STREQ(buffer, "Blt: DDERR_SURFACELOST\n");

    char small[12] = "ab";
    DDErrorText(DDERR_SURFACELOST, small);
    EXPECT_STREQ(small, "abDDERR_SUR");
}

class DrawErrorTextTest : public VideoTest {};

TEST_F(DrawErrorTextTest, DrawObjectTextNamesTheOperationAndTheResult) {
    SDXDraw draw;
    OpenDisplay(draw, 1);
    EXPECT_EQ(draw.SetDisplayMode(640, 480, 24, 0, 0), 0);
    EXPECT_STREQ(draw.GetErrorText(), "[SDXDraw::SetDisplayMode] : DDERR_INVALIDMODE\n");
    // After the failing operation returns, the name under way is the one before it.
    EXPECT_STREQ(draw.GetOperation(), "");
}

TEST_F(DrawErrorTextTest, CreateWithoutDirectDrawHardwareSucceedsAndNamesTheCode) {
    sys::video::headless::SetNoHardware(true);
    SDXDraw draw;
    EXPECT_EQ(draw.Create(GUID{}), 1);
    EXPECT_NE(draw.GetDirectDraw(), nullptr);
    EXPECT_STREQ(draw.GetErrorText(), "[SDXDraw::Create] : DDERR_NODIRECTDRAWHW\n");
}

TEST_F(DrawErrorTextTest, ClipperAndPaletteTextsNameTheirClass) {
    SDXDraw draw;
    OpenDisplay(draw, 0);
    SDXClipper clipper;
    ASSERT_EQ(clipper.CreateClipper(&draw), 1);
    ASSERT_EQ(clipper.SetHwnd(sys::window::GetMainWindow()), 1);
    RGNDATA region;
    region.rdh.nCount = 1;
    region.Buffer[0] = sys::RECT{0, 0, 10, 10};
    EXPECT_EQ(clipper.SetClipList(nullptr, &region), 0);
    EXPECT_STREQ(clipper.GetErrorText(), "[SDXClipper::SetClipList] : DDERR_CLIPPERISUSINGHWND\n");

    SDXPalette palette;
    tarvex::test::TestImage image(4, 4, 0);
    ASSERT_EQ(palette.CreatePalette(&image, &draw, 0), 1);
    SDXSurface surface(CString("Grid"));
    ASSERT_EQ(surface.CreateSurface(&draw, 256, 256, DDSCAPS_SYSTEMMEMORY, nullptr, 0), 1);
    DDSURFACEDESC2 desc;
    ASSERT_EQ(surface.Lock(&desc), 1);
    EXPECT_EQ(palette.Draw(&surface), 0);
    EXPECT_STREQ(palette.GetErrorText(), "[SDXPalette::Draw] : DDERR_SURFACEBUSY\n");
    surface.Unlock();
}

TEST_F(DrawErrorTextTest, SurfaceTextNamesSizeOperationAndSurface) {
    SDXDraw draw;
    OpenDisplay(draw, 0);
    SDXSurface surface(CString("Interface Source"));
    ASSERT_EQ(surface.CreateSurface(&draw, 16, 8, DDSCAPS_SYSTEMMEMORY, nullptr, 0), 1);
    EXPECT_EQ(surface.Flip(), 0);  // not a primary: no call, no text
    EXPECT_STREQ(surface.GetErrorText(), "");
    sys::HDC dc = nullptr;
    ASSERT_EQ(surface.GetDC(&dc), 1);
    sys::HDC second = nullptr;
    EXPECT_EQ(surface.GetDC(&second), 0);
    EXPECT_STREQ(surface.GetErrorText(),
                 "[SDXSurface ( 16 x 8 )::GetDC] { Interface Source }:DDERR_DCALREADYCREATED\n");
    EXPECT_EQ(surface.ReleaseDC(dc), 1);
}

TEST_F(DrawErrorTextTest, AFailureInsideANestedCallReportsTheInnermostOperation) {
    SDXDraw draw;
    OpenDisplay(draw, 0);
    SDXSurface surface(CString("Zero"));
    // A surface without width is refused in video memory and again in system memory.
    EXPECT_EQ(surface.CreateSurface(&draw, 0, 8, DDSCAPS_VIDEOMEMORY, nullptr, 0), 0);
    EXPECT_STREQ(surface.GetErrorText(), "[SDXSurface ( 0 x 0 )::CreateSurface (DESC)] { Zero }:DDERR_INVALIDPARAMS\n");
}

TEST_F(DrawErrorTextTest, ALongSurfaceNameIsCutAndTheTextStaysTerminated) {
    SDXDraw draw;
    OpenDisplay(draw, 0);
    const std::string longName(400, 'N');
    SDXSurface surface(CString(longName.c_str()));
    ASSERT_EQ(surface.CreateSurface(&draw, 4, 4, DDSCAPS_SYSTEMMEMORY, nullptr, 0), 1);
    sys::HDC dc = nullptr;
    ASSERT_EQ(surface.GetDC(&dc), 1);
    sys::HDC second = nullptr;
    EXPECT_EQ(surface.GetDC(&second), 0);
    const std::string text = surface.GetErrorText();
    EXPECT_EQ(text.size(), 127u);
    EXPECT_EQ(text.rfind("[SDXSurface ( 4 x 4 )::GetDC] { NNNN", 0), 0u);
    surface.ReleaseDC(dc);
}

}  // namespace
