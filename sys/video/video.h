#pragma once

#include <cstdint>

#include "sys/gdi/gdi.h"
#include "sys/window/window.h"

// The Direct3D objects that the Direct3D object below makes (sys/d3d/d3d.h).
namespace sys::d3d {
class IDirect3DDevice3;
class IDirect3DViewport3;
class IDirect3DLight;
class IDirect3DMaterial3;
}  // namespace sys::d3d

// The display seam: a DirectDraw-like device with surfaces, clippers and palettes, and the
// Direct3D object's device list, in the vocabulary the display wrappers were written in
// (result codes with their DDERR_ names and values, capability and flag bits, 124-byte surface
// descriptions kept in meaning). Surfaces live in memory in 8-bit palettised, RGB565, RGB555,
// XRGB8888 and the other RGB layouts a pixel format can describe; every surface but the primary
// and its flipping buffers has a pitch wider than its rows need, so code that assumes
// width x bytes fails.
//
// The primary surface is the screen: whatever reaches it (a blit, a flip, an unlock, a device
// context given back) is presented by the backend:
// - Sdl: the main window shows it, in a window or full screen at the mode's size scaled to the
//   display with its aspect kept; 8- and 16-bit pixels are converted to the window's format.
// - Headless: the last presented frame is kept and presents are counted
//   (headless/headless_video.h), and the display failures the program must survive can be
//   switched on there.
//
// Objects are reference counted like the interfaces they stand for. Releasing a DirectDraw
// object to zero takes the memory of its surfaces away; the surface objects stay valid and
// answer DDERR_INVALIDOBJECT until their own holders release them. Everything here belongs to
// the main thread.
namespace sys::video {

using HRESULT = int32_t;
constexpr HRESULT MakeResult(uint32_t code) { return static_cast<HRESULT>(code); }
constexpr HRESULT MakeDDResult(uint32_t code) { return MakeResult(0x88760000u | code); }
constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDENUMRET_CANCEL = 0;
constexpr HRESULT DDENUMRET_OK = 1;
// What object creation answers when the display object cannot be made at all.
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeResult(0x80040154u);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeResult(0x80040110u);
constexpr HRESULT E_NOINTERFACE = MakeResult(0x80004002u);

// Every DDERR_ code of the interface generation the program uses, with its value.
constexpr HRESULT DDERR_ALREADYINITIALIZED = MakeDDResult(5);
constexpr HRESULT DDERR_CANNOTATTACHSURFACE = MakeDDResult(10);
constexpr HRESULT DDERR_CANNOTDETACHSURFACE = MakeDDResult(20);
constexpr HRESULT DDERR_CURRENTLYNOTAVAIL = MakeDDResult(40);
constexpr HRESULT DDERR_EXCEPTION = MakeDDResult(55);
constexpr HRESULT DDERR_GENERIC = MakeResult(0x80004005u);
constexpr HRESULT DDERR_HEIGHTALIGN = MakeDDResult(90);
constexpr HRESULT DDERR_INCOMPATIBLEPRIMARY = MakeDDResult(95);
constexpr HRESULT DDERR_INVALIDCAPS = MakeDDResult(100);
constexpr HRESULT DDERR_INVALIDCLIPLIST = MakeDDResult(110);
constexpr HRESULT DDERR_INVALIDMODE = MakeDDResult(120);
constexpr HRESULT DDERR_INVALIDOBJECT = MakeDDResult(130);
constexpr HRESULT DDERR_INVALIDPARAMS = MakeResult(0x80070057u);
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = MakeDDResult(145);
constexpr HRESULT DDERR_INVALIDRECT = MakeDDResult(150);
constexpr HRESULT DDERR_LOCKEDSURFACES = MakeDDResult(160);
constexpr HRESULT DDERR_NO3D = MakeDDResult(170);
constexpr HRESULT DDERR_NOALPHAHW = MakeDDResult(180);
constexpr HRESULT DDERR_NOSTEREOHARDWARE = MakeDDResult(181);
constexpr HRESULT DDERR_NOSURFACELEFT = MakeDDResult(182);
constexpr HRESULT DDERR_NOCLIPLIST = MakeDDResult(205);
constexpr HRESULT DDERR_NOCOLORCONVHW = MakeDDResult(210);
constexpr HRESULT DDERR_NOCOOPERATIVELEVELSET = MakeDDResult(212);
constexpr HRESULT DDERR_NOCOLORKEY = MakeDDResult(215);
constexpr HRESULT DDERR_NOCOLORKEYHW = MakeDDResult(220);
constexpr HRESULT DDERR_NODIRECTDRAWSUPPORT = MakeDDResult(222);
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = MakeDDResult(225);
constexpr HRESULT DDERR_NOFLIPHW = MakeDDResult(230);
constexpr HRESULT DDERR_NOGDI = MakeDDResult(240);
constexpr HRESULT DDERR_NOMIRRORHW = MakeDDResult(250);
constexpr HRESULT DDERR_NOTFOUND = MakeDDResult(255);
constexpr HRESULT DDERR_NOOVERLAYHW = MakeDDResult(260);
constexpr HRESULT DDERR_OVERLAPPINGRECTS = MakeDDResult(270);
constexpr HRESULT DDERR_NORASTEROPHW = MakeDDResult(280);
constexpr HRESULT DDERR_NOROTATIONHW = MakeDDResult(290);
constexpr HRESULT DDERR_NOSTRETCHHW = MakeDDResult(310);
constexpr HRESULT DDERR_NOT4BITCOLOR = MakeDDResult(316);
constexpr HRESULT DDERR_NOT4BITCOLORINDEX = MakeDDResult(317);
constexpr HRESULT DDERR_NOT8BITCOLOR = MakeDDResult(320);
constexpr HRESULT DDERR_NOTEXTUREHW = MakeDDResult(330);
constexpr HRESULT DDERR_NOVSYNCHW = MakeDDResult(335);
constexpr HRESULT DDERR_NOZBUFFERHW = MakeDDResult(340);
constexpr HRESULT DDERR_NOZOVERLAYHW = MakeDDResult(350);
constexpr HRESULT DDERR_OUTOFCAPS = MakeDDResult(360);
constexpr HRESULT DDERR_OUTOFMEMORY = MakeResult(0x8007000Eu);
constexpr HRESULT DDERR_OUTOFVIDEOMEMORY = MakeDDResult(380);
constexpr HRESULT DDERR_OVERLAYCANTCLIP = MakeDDResult(382);
constexpr HRESULT DDERR_OVERLAYCOLORKEYONLYONEACTIVE = MakeDDResult(384);
constexpr HRESULT DDERR_PALETTEBUSY = MakeDDResult(387);
constexpr HRESULT DDERR_COLORKEYNOTSET = MakeDDResult(400);
constexpr HRESULT DDERR_SURFACEALREADYATTACHED = MakeDDResult(410);
constexpr HRESULT DDERR_SURFACEALREADYDEPENDENT = MakeDDResult(420);
constexpr HRESULT DDERR_SURFACEBUSY = MakeDDResult(430);
constexpr HRESULT DDERR_CANTLOCKSURFACE = MakeDDResult(435);
constexpr HRESULT DDERR_SURFACEISOBSCURED = MakeDDResult(440);
constexpr HRESULT DDERR_SURFACELOST = MakeDDResult(450);
constexpr HRESULT DDERR_SURFACENOTATTACHED = MakeDDResult(460);
constexpr HRESULT DDERR_TOOBIGHEIGHT = MakeDDResult(470);
constexpr HRESULT DDERR_TOOBIGSIZE = MakeDDResult(480);
constexpr HRESULT DDERR_TOOBIGWIDTH = MakeDDResult(490);
constexpr HRESULT DDERR_UNSUPPORTED = MakeResult(0x80004001u);
constexpr HRESULT DDERR_UNSUPPORTEDFORMAT = MakeDDResult(510);
constexpr HRESULT DDERR_UNSUPPORTEDMASK = MakeDDResult(520);
constexpr HRESULT DDERR_VERTICALBLANKINPROGRESS = MakeDDResult(537);
constexpr HRESULT DDERR_WASSTILLDRAWING = MakeDDResult(540);
constexpr HRESULT DDERR_XALIGN = MakeDDResult(560);
constexpr HRESULT DDERR_INVALIDDIRECTDRAWGUID = MakeDDResult(561);
constexpr HRESULT DDERR_DIRECTDRAWALREADYCREATED = MakeDDResult(562);
constexpr HRESULT DDERR_NODIRECTDRAWHW = MakeDDResult(563);
constexpr HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = MakeDDResult(564);
constexpr HRESULT DDERR_NOEMULATION = MakeDDResult(565);
constexpr HRESULT DDERR_REGIONTOOSMALL = MakeDDResult(566);
constexpr HRESULT DDERR_CLIPPERISUSINGHWND = MakeDDResult(567);
constexpr HRESULT DDERR_NOCLIPPERATTACHED = MakeDDResult(568);
constexpr HRESULT DDERR_NOHWND = MakeDDResult(569);
constexpr HRESULT DDERR_HWNDSUBCLASSED = MakeDDResult(570);
constexpr HRESULT DDERR_HWNDALREADYSET = MakeDDResult(571);
constexpr HRESULT DDERR_NOPALETTEATTACHED = MakeDDResult(572);
constexpr HRESULT DDERR_NOPALETTEHW = MakeDDResult(573);
constexpr HRESULT DDERR_BLTFASTCANTCLIP = MakeDDResult(574);
constexpr HRESULT DDERR_NOBLTHW = MakeDDResult(575);
constexpr HRESULT DDERR_NODDROPSHW = MakeDDResult(576);
constexpr HRESULT DDERR_OVERLAYNOTVISIBLE = MakeDDResult(577);
constexpr HRESULT DDERR_NOOVERLAYDEST = MakeDDResult(578);
constexpr HRESULT DDERR_INVALIDPOSITION = MakeDDResult(579);
constexpr HRESULT DDERR_NOTAOVERLAYSURFACE = MakeDDResult(580);
constexpr HRESULT DDERR_EXCLUSIVEMODEALREADYSET = MakeDDResult(581);
constexpr HRESULT DDERR_NOTFLIPPABLE = MakeDDResult(582);
constexpr HRESULT DDERR_CANTDUPLICATE = MakeDDResult(583);
constexpr HRESULT DDERR_NOTLOCKED = MakeDDResult(584);
constexpr HRESULT DDERR_CANTCREATEDC = MakeDDResult(585);
constexpr HRESULT DDERR_NODC = MakeDDResult(586);
constexpr HRESULT DDERR_WRONGMODE = MakeDDResult(587);
constexpr HRESULT DDERR_IMPLICITLYCREATED = MakeDDResult(588);
constexpr HRESULT DDERR_NOTPALETTIZED = MakeDDResult(589);
constexpr HRESULT DDERR_UNSUPPORTEDMODE = MakeDDResult(590);
constexpr HRESULT DDERR_NOMIPMAPHW = MakeDDResult(591);
constexpr HRESULT DDERR_INVALIDSURFACETYPE = MakeDDResult(592);
constexpr HRESULT DDERR_NOOPTIMIZEHW = MakeDDResult(600);
constexpr HRESULT DDERR_NOTLOADED = MakeDDResult(601);
constexpr HRESULT DDERR_NOFOCUSWINDOW = MakeDDResult(602);
constexpr HRESULT DDERR_DCALREADYCREATED = MakeDDResult(620);
constexpr HRESULT DDERR_NONONLOCALVIDMEM = MakeDDResult(630);
constexpr HRESULT DDERR_CANTPAGELOCK = MakeDDResult(640);
constexpr HRESULT DDERR_CANTPAGEUNLOCK = MakeDDResult(660);
constexpr HRESULT DDERR_NOTPAGELOCKED = MakeDDResult(680);
constexpr HRESULT DDERR_MOREDATA = MakeDDResult(690);
constexpr HRESULT DDERR_VIDEONOTACTIVE = MakeDDResult(695);
constexpr HRESULT DDERR_DEVICEDOESNTOWNSURFACE = MakeDDResult(699);
constexpr HRESULT DDERR_NOTINITIALIZED = MakeResult(0x800401F0u);

// Cooperative levels.
constexpr uint32_t DDSCL_FULLSCREEN = 0x1;
constexpr uint32_t DDSCL_ALLOWREBOOT = 0x2;
constexpr uint32_t DDSCL_NOWINDOWCHANGES = 0x4;
constexpr uint32_t DDSCL_NORMAL = 0x8;
constexpr uint32_t DDSCL_EXCLUSIVE = 0x10;
constexpr uint32_t DDSCL_MULTITHREADED = 0x400;
constexpr uint32_t DDSCL_FPUSETUP = 0x800;

// Surface description flags.
constexpr uint32_t DDSD_CAPS = 0x1;
constexpr uint32_t DDSD_HEIGHT = 0x2;
constexpr uint32_t DDSD_WIDTH = 0x4;
constexpr uint32_t DDSD_PITCH = 0x8;
constexpr uint32_t DDSD_BACKBUFFERCOUNT = 0x20;
constexpr uint32_t DDSD_LPSURFACE = 0x800;
constexpr uint32_t DDSD_PIXELFORMAT = 0x1000;
constexpr uint32_t DDSD_CKSRCBLT = 0x10000;
constexpr uint32_t DDSD_MIPMAPCOUNT = 0x20000;
constexpr uint32_t DDSD_REFRESHRATE = 0x40000;

// Surface capabilities.
constexpr uint32_t DDSCAPS_BACKBUFFER = 0x4;
constexpr uint32_t DDSCAPS_COMPLEX = 0x8;
constexpr uint32_t DDSCAPS_FLIP = 0x10;
constexpr uint32_t DDSCAPS_FRONTBUFFER = 0x20;
constexpr uint32_t DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr uint32_t DDSCAPS_PALETTE = 0x100;
constexpr uint32_t DDSCAPS_PRIMARYSURFACE = 0x200;
constexpr uint32_t DDSCAPS_SYSTEMMEMORY = 0x800;
constexpr uint32_t DDSCAPS_TEXTURE = 0x1000;
constexpr uint32_t DDSCAPS_3DDEVICE = 0x2000;
constexpr uint32_t DDSCAPS_VIDEOMEMORY = 0x4000;
constexpr uint32_t DDSCAPS_VISIBLE = 0x8000;
constexpr uint32_t DDSCAPS_ZBUFFER = 0x20000;
constexpr uint32_t DDSCAPS_MIPMAP = 0x400000;
constexpr uint32_t DDSCAPS_LOCALVIDMEM = 0x10000000;
constexpr uint32_t DDSCAPS_NONLOCALVIDMEM = 0x20000000;
constexpr uint32_t DDSCAPS2_TEXTUREMANAGE = 0x10;

// Pixel format flags.
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr uint32_t DDPF_PALETTEINDEXED8 = 0x20;
constexpr uint32_t DDPF_RGB = 0x40;
constexpr uint32_t DDPF_ZBUFFER = 0x400;

// Blits, flips, locks, colour keys, palettes, mode enumeration.
constexpr uint32_t DDBLT_COLORFILL = 0x400;
constexpr uint32_t DDBLT_DDFX = 0x800;
constexpr uint32_t DDBLT_KEYSRC = 0x8000;
constexpr uint32_t DDBLT_KEYSRCOVERRIDE = 0x10000;
constexpr uint32_t DDBLT_WAIT = 0x1000000;
constexpr uint32_t DDBLTFX_MIRRORLEFTRIGHT = 0x2;
constexpr uint32_t DDBLTFX_MIRRORUPDOWN = 0x4;
constexpr uint32_t DDFLIP_WAIT = 0x1;
constexpr uint32_t DDLOCK_WAIT = 0x1;
constexpr uint32_t DDLOCK_READONLY = 0x10;
constexpr uint32_t DDLOCK_WRITEONLY = 0x20;
constexpr uint32_t DDCKEY_SRCBLT = 0x8;
constexpr uint32_t DDPCAPS_8BIT = 0x4;
constexpr uint32_t DDPCAPS_ALLOW256 = 0x40;

// Driver capabilities (the words the program reads).
constexpr uint32_t DDCAPS_3D = 0x1;
constexpr uint32_t DDCAPS_BLT = 0x40;
constexpr uint32_t DDCAPS_BLTSTRETCH = 0x200;
constexpr uint32_t DDCAPS_GDI = 0x400;
constexpr uint32_t DDCAPS_PALETTE = 0x8000;
constexpr uint32_t DDCAPS_COLORKEY = 0x400000;
constexpr uint32_t DDCAPS_BLTCOLORFILL = 0x4000000;
constexpr uint32_t DDCAPS2_CANRENDERWINDOWED = 0x80000;
constexpr uint32_t DDCKEYCAPS_SRCBLT = 0x200;
constexpr uint32_t DDFXCAPS_BLTMIRRORLEFTRIGHT = 0x10000;
constexpr uint32_t DDFXCAPS_BLTMIRRORUPDOWN = 0x20000;

// Render and z depths of a Direct3D device.
constexpr uint32_t DDBD_8 = 0x800;
constexpr uint32_t DDBD_16 = 0x400;
constexpr uint32_t DDBD_24 = 0x200;
constexpr uint32_t DDBD_32 = 0x100;
constexpr uint32_t D3DDD_COLORMODEL = 0x1;
constexpr uint32_t D3DDD_DEVCAPS = 0x2;
constexpr uint32_t D3DCOLOR_RGB = 2;

// Region data type of a clip list.
constexpr uint32_t RDH_RECTANGLES = 1;

// Palette entries are the GDI seam's (sys::PALETTEENTRY, 4 bytes: red, green, blue, flags).

// Video memory every driver reports, and how large surfaces may be.
constexpr uint32_t kVideoMemoryBytes = 16u * 1024u * 1024u;
constexpr uint32_t kMaxSurfaceSide = 4096;

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};
    bool IsNull() const;
    friend bool operator==(const GUID&, const GUID&) = default;
};

// The devices the Direct3D object lists, in the order it lists them.
constexpr GUID IID_IDirect3DNullDevice{0x8767DF22, 0xBACC, 0x11D1, {0x89, 0x69, 0x00, 0xA0, 0xC9, 0x06, 0x29, 0xA8}};
constexpr GUID IID_IDirect3DRGBDevice{0xA4665C60, 0x2673, 0x11CF, {0xA3, 0x1A, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};
constexpr GUID IID_IDirect3DHALDevice{0x84E63DE0, 0x46AA, 0x11CF, {0x81, 0x6F, 0x00, 0x00, 0xC0, 0x20, 0x15, 0x6E}};

struct DDCOLORKEY {
    uint32_t dwColorSpaceLowValue = 0;
    uint32_t dwColorSpaceHighValue = 0;
};

struct DDPIXELFORMAT {
    uint32_t dwSize = 32;
    uint32_t dwFlags = 0;
    uint32_t dwFourCC = 0;
    union {
        uint32_t dwRGBBitCount = 0;
        uint32_t dwZBufferBitDepth;
    };
    union {
        uint32_t dwRBitMask = 0;
        uint32_t dwStencilBitDepth;
    };
    union {
        uint32_t dwGBitMask = 0;
        uint32_t dwZBitMask;
    };
    union {
        uint32_t dwBBitMask = 0;
        uint32_t dwStencilBitMask;
    };
    uint32_t dwRGBAlphaBitMask = 0;
};
static_assert(sizeof(DDPIXELFORMAT) == 32);

struct DDSCAPS2 {
    uint32_t dwCaps = 0;
    uint32_t dwCaps2 = 0;
    uint32_t dwCaps3 = 0;
    uint32_t dwCaps4 = 0;
};

// The surface description; dwSize holds 124, the size of the record on the data's platform.
struct DDSURFACEDESC2 {
    uint32_t dwSize = 124;
    uint32_t dwFlags = 0;
    uint32_t dwHeight = 0;
    uint32_t dwWidth = 0;
    int32_t lPitch = 0;
    uint32_t dwBackBufferCount = 0;
    union {
        uint32_t dwMipMapCount = 0;
        uint32_t dwRefreshRate;
    };
    uint32_t dwAlphaBitDepth = 0;
    uint32_t dwReserved = 0;
    void* lpSurface = nullptr;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS2 ddsCaps;
    uint32_t dwTextureStage = 0;
};

// Blit effects; dwSize holds 100.
struct DDBLTFX {
    uint32_t dwSize = 100;
    uint32_t dwDDFX = 0;
    uint32_t dwROP = 0;
    uint32_t dwDDROP = 0;
    uint32_t dwRotationAngle = 0;
    uint32_t dwZBufferOpCode = 0;
    uint32_t dwZBufferLow = 0;
    uint32_t dwZBufferHigh = 0;
    uint32_t dwZBufferBaseDest = 0;
    uint32_t dwZDestConstBitDepth = 0;
    uint32_t dwZDestConst = 0;
    uint32_t dwZSrcConstBitDepth = 0;
    uint32_t dwZSrcConst = 0;
    uint32_t dwAlphaEdgeBlendBitDepth = 0;
    uint32_t dwAlphaEdgeBlend = 0;
    uint32_t dwReserved = 0;
    uint32_t dwAlphaDestConstBitDepth = 0;
    uint32_t dwAlphaDestConst = 0;
    uint32_t dwAlphaSrcConstBitDepth = 0;
    uint32_t dwAlphaSrcConst = 0;
    uint32_t dwFillColor = 0;
    DDCOLORKEY ddckDestColorkey;
    DDCOLORKEY ddckSrcColorkey;
};
static_assert(sizeof(DDBLTFX) == 100);

// Driver capabilities: the words the program reads; dwSize holds 380.
struct DDCAPS {
    uint32_t dwSize = 380;
    uint32_t dwCaps = 0;
    uint32_t dwCaps2 = 0;
    uint32_t dwCKeyCaps = 0;
    uint32_t dwFXCaps = 0;
    uint32_t dwPalCaps = 0;
    uint32_t dwVidMemTotal = 0;
    uint32_t dwVidMemFree = 0;
    DDSCAPS2 ddsCaps;
};

// A region as a clip list: a 32-byte header followed by nCount rectangles.
struct RGNDATAHEADER {
    uint32_t dwSize = 32;
    uint32_t iType = RDH_RECTANGLES;
    uint32_t nCount = 0;
    uint32_t nRgnSize = 0;
    RECT rcBound;
};
static_assert(sizeof(RGNDATAHEADER) == 32);
struct RGNDATA {
    RGNDATAHEADER rdh;
    RECT Buffer[1];
};

// Direct3D device description (252 bytes on the data's platform, and here).
struct D3DTRANSFORMCAPS {
    uint32_t dwSize = 8;
    uint32_t dwCaps = 0;
};
struct D3DLIGHTINGCAPS {
    uint32_t dwSize = 16;
    uint32_t dwCaps = 0;
    uint32_t dwLightingModel = 0;
    uint32_t dwNumLights = 0;
};
struct D3DPRIMCAPS {
    uint32_t dwSize = 56;
    uint32_t dwMiscCaps = 0;
    uint32_t dwRasterCaps = 0;
    uint32_t dwZCmpCaps = 0;
    uint32_t dwSrcBlendCaps = 0;
    uint32_t dwDestBlendCaps = 0;
    uint32_t dwAlphaCmpCaps = 0;
    uint32_t dwShadeCaps = 0;
    uint32_t dwTextureCaps = 0;
    uint32_t dwTextureFilterCaps = 0;
    uint32_t dwTextureBlendCaps = 0;
    uint32_t dwTextureAddressCaps = 0;
    uint32_t dwStippleWidth = 0;
    uint32_t dwStippleHeight = 0;
};
struct D3DDEVICEDESC {
    uint32_t dwSize = 252;
    uint32_t dwFlags = 0;
    uint32_t dcmColorModel = 0;
    uint32_t dwDevCaps = 0;
    D3DTRANSFORMCAPS dtcTransformCaps;
    int32_t bClipping = 0;
    D3DLIGHTINGCAPS dlcLightingCaps;
    D3DPRIMCAPS dpcLineCaps;
    D3DPRIMCAPS dpcTriCaps;
    uint32_t dwDeviceRenderBitDepth = 0;
    uint32_t dwDeviceZBufferBitDepth = 0;
    uint32_t dwMaxBufferSize = 0;
    uint32_t dwMaxVertexCount = 0;
    uint32_t dwMinTextureWidth = 0;
    uint32_t dwMinTextureHeight = 0;
    uint32_t dwMaxTextureWidth = 0;
    uint32_t dwMaxTextureHeight = 0;
    uint32_t dwMinStippleWidth = 0;
    uint32_t dwMaxStippleWidth = 0;
    uint32_t dwMinStippleHeight = 0;
    uint32_t dwMaxStippleHeight = 0;
    uint32_t dwMaxTextureRepeat = 0;
    uint32_t dwMaxTextureAspectRatio = 0;
    uint32_t dwMaxAnisotropy = 0;
    float dvGuardBandLeft = 0.0f;
    float dvGuardBandTop = 0.0f;
    float dvGuardBandRight = 0.0f;
    float dvGuardBandBottom = 0.0f;
    float dvExtentsAdjust = 0.0f;
    uint32_t dwStencilCaps = 0;
    uint32_t dwFVFCaps = 0;
    uint32_t dwTextureOpCaps = 0;
    uint16_t wMaxTextureBlendStages = 0;
    uint16_t wMaxSimultaneousTextures = 0;
};
static_assert(sizeof(D3DDEVICEDESC) == 252);

// What every interface object shares: a reference count.
class RefCounted {
public:
    uint32_t AddRef();
    // Gives back one reference; the object is destroyed with the last one. Answers the count left.
    uint32_t Release();

protected:
    RefCounted() = default;
    virtual ~RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

private:
    uint32_t m_refs = 1;
};

namespace detail {
struct DeviceState;
struct SurfaceState;
struct ClipperState;
}  // namespace detail
class IDirectDrawSurface4;

// A 256-entry palette.
class IDirectDrawPalette : public RefCounted {
public:
    HRESULT GetEntries(uint32_t flags, uint32_t first, uint32_t count, PALETTEENTRY* entries);
    HRESULT SetEntries(uint32_t flags, uint32_t first, uint32_t count, const PALETTEENTRY* entries);
    HRESULT GetCaps(uint32_t* caps);
    const PALETTEENTRY* Entries() const { return m_entries; }

private:
    friend class IDirectDraw4;
    IDirectDrawPalette() = default;
    uint32_t m_caps = 0;
    PALETTEENTRY m_entries[256] = {};
};

// A clipper: either bound to a window (blits keep to its client area on the screen) or holding
// a list of rectangles.
class IDirectDrawClipper : public RefCounted {
public:
    HRESULT SetHWnd(uint32_t flags, HWND window);
    HRESULT GetHWnd(HWND* window);
    // The rectangles of the region (a null region empties the list).
    HRESULT SetClipList(const RGNDATA* region, uint32_t flags);
    detail::ClipperState* State() const { return m_state; }

protected:
    ~IDirectDrawClipper() override;

private:
    friend class IDirectDraw4;
    IDirectDrawClipper();
    detail::ClipperState* m_state;
};

// One surface.
class IDirectDrawSurface4 : public RefCounted {
public:
    // Locks the rectangle (null: all) and fills the description with its memory and pitch.
    HRESULT Lock(const RECT* rect, DDSURFACEDESC2* desc, uint32_t flags, void* event);
    HRESULT Unlock(const RECT* rect);
    // Colour fill (DDBLT_COLORFILL with fx->dwFillColor), copy, stretch (nearest pixel), source
    // colour key (DDBLT_KEYSRC, or DDBLT_KEYSRCOVERRIDE with fx's key) and mirroring (DDBLT_DDFX
    // with the fx mirror bits). Source and destination share one pixel format. A clipper on the
    // destination clips; without one the rectangles must lie inside the surfaces.
    HRESULT Blt(const RECT* destRect, IDirectDrawSurface4* source, const RECT* sourceRect, uint32_t flags,
                const DDBLTFX* fx);
    // The front buffer of a flipping primary shows its back buffer's pixels and the other way round.
    HRESULT Flip(IDirectDrawSurface4* target, uint32_t flags);
    // The attached surface with these capabilities (the back buffer, the next mip level, an
    // attached z-buffer), with a reference for the caller.
    HRESULT GetAttachedSurface(const DDSCAPS2* caps, IDirectDrawSurface4** attached);
    // Attaches a z-buffer of the same size (the surface holds a reference until it is detached
    // or goes); other kinds of surface cannot be attached by hand.
    HRESULT AddAttachedSurface(IDirectDrawSurface4* zbuffer);
    // Detaches one surface attached by hand, or every one when null.
    HRESULT DeleteAttachedSurface(uint32_t flags, IDirectDrawSurface4* attached);
    // Only source keys (DDCKEY_SRCBLT) are kept; a null key removes it.
    HRESULT SetColorKey(uint32_t flags, const DDCOLORKEY* key);
    HRESULT GetColorKey(uint32_t flags, DDCOLORKEY* key);
    HRESULT SetPalette(IDirectDrawPalette* palette);
    HRESULT GetPalette(IDirectDrawPalette** palette);
    HRESULT SetClipper(IDirectDrawClipper* clipper);
    HRESULT GetClipper(IDirectDrawClipper** clipper);
    HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc);
    HRESULT GetPixelFormat(DDPIXELFORMAT* format);
    // A GDI device context over the surface's pixels; the surface counts as locked until ReleaseDC.
    HRESULT GetDC(HDC* dc);
    HRESULT ReleaseDC(HDC dc);
    // Gives a lost surface its memory back (cleared); the caller draws it again.
    HRESULT Restore();
    HRESULT IsLost();

    detail::SurfaceState* State() const { return m_state; }

protected:
    ~IDirectDrawSurface4() override;

private:
    friend class IDirectDraw4;
    explicit IDirectDrawSurface4(detail::SurfaceState* state) : m_state(state) {}
    detail::SurfaceState* m_state;
};

// The Direct3D object of a DirectDraw object: lists the Direct3D devices of its driver.
using EnumDevicesCallback = HRESULT (*)(GUID* guid, const char* description, const char* name,
                                        D3DDEVICEDESC* hardware, D3DDEVICEDESC* software, void* context);
using EnumZBufferFormatsCallback = HRESULT (*)(DDPIXELFORMAT* format, void* context);
class IDirect3D3 : public RefCounted {
public:
    HRESULT EnumDevices(EnumDevicesCallback callback, void* context);
    // The z-buffer formats a device draws with: 16 bits, no stencil. DDERR_INVALIDPARAMS for a
    // device that is not listed.
    HRESULT EnumZBufferFormats(const GUID& device, EnumZBufferFormatsCallback callback, void* context);

    // Creation of the device side, defined with the Direct3D seam (d3d.cpp, d3d.h).
    HRESULT CreateDevice(const GUID& device, IDirectDrawSurface4* target, sys::d3d::IDirect3DDevice3** made,
                         void* outer);
    HRESULT CreateViewport(sys::d3d::IDirect3DViewport3** viewport, void* outer);
    HRESULT CreateLight(sys::d3d::IDirect3DLight** light, void* outer);
    HRESULT CreateMaterial(sys::d3d::IDirect3DMaterial3** material, void* outer);
    HRESULT EvictManagedTextures();

protected:
    ~IDirect3D3() override;

private:
    // The plain creations (viewport, light, material) share their checks.
    template <typename Object>
    HRESULT CreatePlain(Object** made, void* outer);

    friend class IDirectDraw4;
    explicit IDirect3D3(class IDirectDraw4* owner) : m_owner(owner) {}
    class IDirectDraw4* m_owner;  // holds a reference
};

using EnumModesCallback = HRESULT (*)(DDSURFACEDESC2* mode, void* context);

// The DirectDraw object.
class IDirectDraw4 : public RefCounted {
public:
    // Binds an object made by CreateDirectDraw to a driver (null or all zeros: the display).
    HRESULT Initialize(const GUID* driver);
    HRESULT SetCooperativeLevel(HWND window, uint32_t flags);
    // Needs exclusive full-screen mode; a mode that is not listed answers DDERR_INVALIDMODE.
    HRESULT SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t refreshRate,
                           uint32_t flags);
    HRESULT RestoreDisplayMode();
    HRESULT GetDisplayMode(DDSURFACEDESC2* desc);
    // Each listed mode matching the filter's width, height and depth (where its flags ask).
    HRESULT EnumDisplayModes(uint32_t flags, const DDSURFACEDESC2* filter, void* context,
                             EnumModesCallback callback);
    HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface4** surface, void* outer);
    HRESULT CreateClipper(uint32_t flags, IDirectDrawClipper** clipper, void* outer);
    HRESULT CreatePalette(uint32_t flags, const PALETTEENTRY* entries, IDirectDrawPalette** palette, void* outer);
    HRESULT GetCaps(DDCAPS* hardware, DDCAPS* emulation);
    HRESULT GetAvailableVidMem(const DDSCAPS2* caps, uint32_t* total, uint32_t* free);
    // DD_OK while the display is the program's to draw on; else why not.
    HRESULT TestCooperativeLevel();
    HRESULT RestoreAllSurfaces();
    // The Direct3D object (stands for asking the object for its Direct3D interface).
    HRESULT QueryDirect3D(IDirect3D3** d3d);

    detail::DeviceState* State() const { return m_state; }

protected:
    ~IDirectDraw4() override;

private:
    friend HRESULT CreateDirectDraw(IDirectDraw4**);
    explicit IDirectDraw4(detail::DeviceState* state) : m_state(state) {}
    detail::DeviceState* m_state;
};

// A DirectDraw object not yet bound to a driver; every call but Initialize answers
// DDERR_NOTINITIALIZED until it is. REGDB_E_CLASSNOTREG when DirectDraw is not available.
HRESULT CreateDirectDraw(IDirectDraw4** object);

// One DirectDraw driver as enumeration reports it; the display driver has no GUID.
using EnumDriversCallback = bool (*)(GUID* guid, const char* description, const char* name, void* context);
HRESULT DirectDrawEnumerate(EnumDriversCallback callback, void* context);

constexpr const char* kDisplayDriverName = "display";
constexpr const char* kDisplayDriverDescription = "Primary Display Driver";
constexpr const char* kHalDeviceName = "Direct3D HAL";

// The desktop's pixel depth (its size is the window seam's desktop).
uint32_t DesktopBitsPerPixel();

}  // namespace sys::video
