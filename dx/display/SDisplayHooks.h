#pragma once

#include <cstdint>
#include <string>

#include "sys/video/video.h"
#include "sys/window/window.h"

class SDXSurface;
class SGraphics;

// The display manager sits in the DirectX layer, below the interface toolkit, the renderer and
// the application that it tells about every display change and draws each frame. It reaches
// them only through the small interfaces below; the layers above implement them and install
// them on the display manager at start-up. Every interface is optional: without one, the
// display manager makes none of its calls.

// Something that owns DirectDraw surfaces and must give them up before the display is torn
// down and make them again afterwards: sprites, fonts, layouts, surface drawing contexts, the
// console window. The registering owner keeps it alive until it unregisters.
class SSurfaceOwner {
public:
    virtual ~SSurfaceOwner() = default;
    virtual void ReleaseSurfaces() = 0;
    virtual int RestoreSurfaces(SGraphics* display) = 0;
    // Only sprites are asked, and only when their restore answered 0: a sprite whose surface
    // cannot be restored makes a new one.
    virtual int RebuildSurfaces(SGraphics* display) {
        (void)display;
        return 0;
    }
};

// A member of the display list: a picture drawn over each frame, ordered by its order value
// (the sprite's depth). The list owns its members.
class SDisplayObject {
public:
    virtual ~SDisplayObject() = default;
    virtual int32_t GetOrder() const = 0;
    // Drawn clipped to the 3D view rather than to the whole back buffer.
    virtual int GetClipToView() const = 0;
    virtual int DrawClipped(SDXSurface* dest, const sys::RECT* clip) = 0;
    virtual int RestoreSurfaces(SGraphics* display) = 0;
};

// The software cursor as the display manager draws it; owned by the application.
class SDisplayCursor {
public:
    virtual ~SDisplayCursor() = default;
    // 1: draw straight onto the primary surface, 0: into the back buffer. Answers the previous.
    virtual uint8_t SetDrawMode(uint8_t onPrimary) = 0;
    // Within the rectangle (null: no limit).
    virtual int DrawOnto(SDXSurface* dest, const sys::RECT* rect) = 0;
    virtual void SurfacesLost() = 0;
    virtual int SurfacesRebuilt(SGraphics* display) = 0;
    virtual int RestoreSurfaces(SGraphics* display) = 0;
};

// The renderer's creation record: first word its size (16), the rest zero.
struct SDisplayCreateRecord {
    uint32_t dwSize = 16;
    uint32_t dwWords[3] = {};
};

// The renderer's device record: the display and the two surfaces its 3D device draws with, and
// the Direct3D device chosen among the drivers. dwSize keeps its meaning (44) with native
// pointer widths.
struct SDisplayDeviceRecord {
    uint32_t dwSize = 44;
    uint32_t dwReserved = 0;
    SGraphics* pDisplay = nullptr;
    sys::video::IDirectDrawSurface4* pPrimary = nullptr;
    sys::video::IDirectDrawSurface4* pBack = nullptr;
    const sys::video::GUID* pDevice = nullptr;
};

// What the frame-statistics overlay prints about the renderer's last frame.
struct SDisplayFrameStats {
    double dRenderTime = 0.0;   // seconds
    double dTextureTime = 0.0;  // seconds spent setting textures
    int32_t iOpaqueTriangles = 0;
    int32_t iTranslucentTriangles = 0;
};

// The 3D renderer as the display manager builds and drives it. The renderer belongs to the
// game items; this is the application's view of the current one.
class SDisplayRenderer {
public:
    virtual ~SDisplayRenderer() = default;
    // The renderer keeps what it needs of the records; they need not outlive the call.
    virtual int Create(const SDisplayCreateRecord& record) = 0;
    virtual int CreateRaster(const SDisplayDeviceRecord& record) = 0;
    virtual int BeginFrame() = 0;
    virtual int RenderFrame() = 0;
    virtual int EndFrame() = 0;
    virtual int EvictManagedTextures() = 0;
    virtual int SetViewRects(int l1, int t1, int r1, int b1, int l2, int t2, int r2, int b2) = 0;
    // Non-zero when a world is loaded and may be drawn.
    virtual int IsReady() = 0;
    virtual void GetFrameStats(SDisplayFrameStats& stats) = 0;
};

// The application above the display manager: its main frame, the renderer held by the game
// items, the game-logic library, the screen manager, the console window and the values the
// debug overlays print. The defaults stand for a program where none of these exist yet.
class SDisplayShell {
public:
    virtual ~SDisplayShell() = default;

    // --- Main frame ---
    virtual sys::HWND GetMainWindow() { return sys::window::GetMainWindow(); }
    // Caption and frame for a window, none for full screen.
    virtual void SetFullScreen(int fullScreen) { (void)fullScreen; }
    // Sizes and centres the main frame around a client area of that size.
    virtual void SetClientSize(int width, int height) {
        (void)width;
        (void)height;
    }

    // The colour depth asked for in full screen (the configuration's graphics settings).
    virtual uint32_t GetFullScreenDepth() { return 16; }

    // --- Renderer ---
    // A new renderer, already handed to the game items as their current one; null when none
    // can be made.
    virtual SDisplayRenderer* CreateRenderer() { return nullptr; }
    // The game items' current renderer, or null.
    virtual SDisplayRenderer* GetRenderer() { return nullptr; }
    // The game items shut down and delete their renderer; nothing without one.
    virtual void ReleaseRenderer() {}

    // --- Game-logic library ---
    virtual bool HasGameLibrary() { return false; }
    // Its state code; 0 without the library.
    virtual int GetGameState() { return 0; }
    virtual void SessionCommand(int code, int argument) {
        (void)code;
        (void)argument;
    }
    // The idle step of modal dialogs: the library's update and the first actor world's advance.
    virtual void AdvanceGame(float framesPerSecond) { (void)framesPerSecond; }

    // --- Screen manager and console window ---
    virtual void ReleaseDeviceObjects() {}
    virtual void RestoreDeviceObjects(SGraphics* display) { (void)display; }
    // The interface surfaces exist (not yet created); the screen manager takes their contexts.
    virtual void SetInterfaceSurfaces() {}
    // The console window when the message pump holds one.
    virtual SSurfaceOwner* GetConsoleWindow() { return nullptr; }

    // --- What the overlays show ---
    virtual bool ShowFrameStats() { return false; }
    virtual bool ShowMousePosition() { return false; }
    virtual bool ShowSoundStats() { return false; }
    virtual float GetFrameRate() { return 0.0f; }
    virtual sys::POINT GetMousePosition() { return sys::POINT{}; }
    virtual std::string GetSoundStats() { return std::string(); }
};

// The interface toolkit as the display manager drives it: the drawing contexts on the back
// buffer and the two interface surfaces, the default font, and the current screen.
class SDisplayClient {
public:
    virtual ~SDisplayClient() = default;
    // The interface surfaces were made (without DirectDraw surfaces yet): contexts on them.
    virtual void AttachInterfaceSurfaces(SDXSurface* source, SDXSurface* background) {
        (void)source;
        (void)background;
    }
    // The interface background was replaced by a new surface: its context moves to it.
    virtual void ReplaceBackgroundSurface(SDXSurface* background) { (void)background; }
    // The display's surfaces are about to be deleted: the contexts on the interface surfaces
    // go first, and the back-buffer context lets go of the back buffer.
    virtual void DetachInterfaceSurfaces() {}
    // The back-buffer context draws into `back` (null: none) with the default font selected.
    virtual void BeginBackDC(SDXSurface* back) { (void)back; }
    // The back-buffer context gets back the font it had before BeginBackDC.
    virtual void EndBackDC() {}
    // The current screen draws itself / runs its per-frame update in the back-buffer context.
    virtual void DrawScreen() {}
    virtual void UpdateScreen() {}
    // The current screen is handed the default font (the modal idle step).
    virtual void GiveScreenDefaultFont() {}
    // The default font empties its glyph cache: its surfaces are going.
    virtual void DropDefaultFontCache() {}
};
