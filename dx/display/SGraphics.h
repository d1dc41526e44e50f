#pragma once

#include <cstdint>
#include <vector>

#include "dx/display/SDXDraw.h"
#include "dx/display/SDXDrawDrivers.h"
#include "dx/display/SDisplayHooks.h"
#include "sys/thread.h"
#include "sys/video/video.h"
#include "sys/window/window.h"

class SDXClipper;
class SDXSurface;

// The display list: members ordered by their order value, each drawn over every frame. Owns
// nothing until RemoveAll is asked to destroy.
class SSpriteList {
public:
    // With destroy set every member is deleted first.
    void RemoveAll(bool destroy);
    // Before the first member whose order is greater or equal; null is refused with 0.
    int InsertSorted(SDisplayObject* object);
    // The object when it was in the list, else null.
    SDisplayObject* Remove(SDisplayObject* object);
    void Resort(SDisplayObject* object);
    bool IsEmpty() const { return m_Items.empty(); }
    const std::vector<SDisplayObject*>& Items() const { return m_Items; }

private:
    std::vector<SDisplayObject*> m_Items;
};

// The display manager: the program's DirectDraw object with the primary surface, the back
// buffer every frame is drawn into, the two interface surfaces and the clippers, built for a
// window or full screen of the mode size (640 x 480 for the menus) and built again (with a new renderer) on every display-mode
// change. It draws and presents the frames, reacts to a lost or changed display, draws the
// cursor, keeps the registries of surface owners and writes numbered screenshots. One
// instance, owned by the hub; the layers above reach it through the hooks they install.
class SGraphics : public SDXDraw {
    DECLARE_DYNAMIC(SGraphics)

public:
    static constexpr int kKindWindowed = 1;
    static constexpr int kKindFullScreen = 16;
    static constexpr sys::COLORREF kInterfaceKey = 0xFF00FF;

    SGraphics();
    ~SGraphics() override;

    int ResetState();
    void SetDisplayOptions(int useDirect3D, int fullScreen);
    static int IsDirectDrawInstalled();

    // Hooks of the layers above; none is owned.
    void SetShell(SDisplayShell* shell) { m_pShell = shell; }
    void SetClient(SDisplayClient* client) { m_pClient = client; }
    SDisplayShell* GetShell() const { return m_pShell; }
    SDisplayClient* GetClient() const { return m_pClient; }

    // --- Display set-up ---
    int ResetDisplayMode();
    int CreateWindowedDisplay(int kind);
    int CreateFullScreenDisplay(int kind);
    void ReleaseSurfaces();
    SDXSurface* CreateUIBackground();
    int ClearDisplay(int alsoBack);
    int SetScreenOrigin(int x, int y);
    int SetViewRect(int x, int y, int width, int height);

    // --- Frames ---
    int RenderFrame();
    int RenderWindowedFrame();
    int RenderFullScreenFrame();
    void Present();
    void RedrawScene();
    void ShowFrame();
    int DialogIdle();
    int RenderFrameWithoutCursor();
    int RestoreSurfaces();

    // --- Cursor ---
    SDisplayCursor* SetCursorObject(SDisplayCursor* cursor);
    int DrawCursor(int onPrimary);

    // --- Registries ---
    void AddSprite(SSurfaceOwner* sprite);
    void RemoveSprite(SSurfaceOwner* sprite);
    void AddFont(SSurfaceOwner* font);
    void RemoveFont(SSurfaceOwner* font);
    void AddLayout(SSurfaceOwner* layout);
    void RemoveLayout(SSurfaceOwner* layout);
    void AddSurfaceDC(SSurfaceOwner* context);
    void RemoveSurfaceDC(SSurfaceOwner* context);
    int AddDisplayObject(SDisplayObject* object);
    int RemoveDisplayObject(SDisplayObject* object);
    int ResortDisplayObject(SDisplayObject* object);
    void SetCurrentDisplayObject(SDisplayObject* object);
    int ClearCurrentDisplayObject(SDisplayObject* object);
    void RestoreDisplayObjects();
    void ResetBackClipList();
    int SendViewCommand(const char* command, const sys::RECT* rect);

    // --- Screenshots ---
    void SaveScreenShot();
    // Writes folder\prefix<n>.bmp with the first n from 1 whose file does not exist. False when
    // nothing was written (a file that could not be completed is removed).
    static bool WriteScreenShotFile(SDXSurface* surface, const sys::RECT* rect, const char* folder,
                                    const char* prefix);

    // --- Debug overlays ---
    void DrawFrameStats();
    void DrawMousePosition();
    void DrawSoundStats();

    // --- State ---
    const sys::RECT& GetDestRect() const { return m_rcDest; }
    const sys::RECT& GetViewRect() const { return m_rcView; }
    SDXDrawDrivers& GetDrivers() { return m_Drivers; }
    int IsReady() const { return m_bReady; }
    int IsFullScreen() const { return m_bFullScreen; }
    int GetDrawScene() const { return m_bDrawScene; }
    void SetDrawScene(int draw) { m_bDrawScene = draw; }
    int GetUseDirect3D() const { return m_bUseDirect3D; }
    int GetDisplayKind() const { return m_iDisplayKind; }
    void SetDriverGuid(const sys::video::GUID* guid) { m_pDriverGuid = guid; }
    const sys::video::GUID* GetDriverGuid() const { return m_pDriverGuid; }
    SDXSurface* GetPrimary() const { return m_pPrimary; }
    SDXSurface* GetBack() const { return m_pBack; }
    SDXSurface* GetInterfaceSource() const { return m_pInterfaceSource; }
    SDXSurface* GetInterfaceBackground() const { return m_pInterfaceBackground; }
    SDXClipper* GetClipper() const { return m_pClipper; }
    SDXClipper* GetBackClipper() const { return m_pBackClipper; }
    SDisplayCursor* GetCursor() const { return m_pCursor; }
    SDisplayObject* GetCurrentDisplayObject() const { return m_pCurrentObject; }
    const SSpriteList& GetDisplayList() const { return m_DisplayList; }
    int GetWidth() const { return m_iWidth; }
    int GetHeight() const { return m_iHeight; }
    // The mode size the next display rebuild (ResetDisplayMode) takes; the display as it is
    // keeps its surfaces until then.
    void SetModeSize(int width, int height) {
        m_iWidth = width;
        m_iHeight = height;
    }
    CCriticalSection& DisplayLock() { return m_csDisplay; }
    CCriticalSection& CursorLock() { return m_csCursor; }

    // The Direct3D device the renderer is built on: the current one of the drivers, else the
    // first device of the first driver; null when there is none.
    const sys::video::GUID* ChooseDirect3DDevice();

private:
    void ReleaseBroadcast();
    void RestoreBroadcast();
    // A new renderer built on the display; 0 (after the message when there is no Direct3D
    // device) when it cannot be had. The caller releases the display on failure.
    int CreateRenderer();
    void CreateInterfaceSurfaces();
    int CreateBackClipper();
    void DrawScene(SDisplayRenderer* renderer);
    void DrawDisplayList();
    int RenderOneFrame(bool fullScreen);
    void DrawOverlays();
    SDisplayRenderer* Renderer() const;

    sys::RECT m_rcDest;
    sys::RECT m_rcView;
    SDXDrawDrivers m_Drivers;
    int m_bReady = 0;
    int m_bFullScreen = 0;
    int m_bDrawScene = 0;
    int m_bUseDirect3D = 1;
    int m_iDisplayKind = 0;
    const sys::video::GUID* m_pDriverGuid = nullptr;
    SDXSurface* m_pPrimary = nullptr;
    SDXSurface* m_pBack = nullptr;
    SDXSurface* m_pInterfaceSource = nullptr;
    SDXSurface* m_pInterfaceBackground = nullptr;
    SDXClipper* m_pClipper = nullptr;
    SDXClipper* m_pBackClipper = nullptr;
    SSpriteList m_DisplayList;
    std::vector<SSurfaceOwner*> m_Sprites;
    std::vector<SSurfaceOwner*> m_Fonts;
    std::vector<SSurfaceOwner*> m_Layouts;
    std::vector<SSurfaceOwner*> m_SurfaceDCs;
    SDisplayObject* m_pCurrentObject = nullptr;
    SDisplayCursor* m_pCursor = nullptr;
    int m_bDrawCursor = 1;
    int m_iWidth = 640;
    int m_iHeight = 480;
    CCriticalSection m_csDisplay;
    CCriticalSection m_csCursor;
    SDisplayShell* m_pShell = nullptr;
    SDisplayClient* m_pClient = nullptr;
};
