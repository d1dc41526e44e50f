#include "dx/display/SGraphics.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "dx/display/SDXClipper.h"
#include "dx/display/SDXSurface.h"
#include "core/SCaptureDIB.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/Exceptions.h"
#include "sys/window/dialogs.h"
#include "sys/fs/fs.h"
#include "sys/gdi/gdi.h"

IMPLEMENT_DYNAMIC(SGraphics, SDXDraw)

using namespace sys::video;

namespace {

constexpr const char* kCaption = "Tarvex";

// Whether the display was lost while in a window / in full screen. The loss belongs to the
// process's hold on the screen, not to one display object, so it outlives display rebuilds.
int s_bWindowedLost = 0;
int s_bFullScreenLost = 0;

template <typename T>
void DeleteAndClear(T*& pointer) {
    delete pointer;
    pointer = nullptr;
}

// A broadcast may make an owner unregister itself (or another), so it walks a copy.
std::vector<SSurfaceOwner*> Snapshot(const std::vector<SSurfaceOwner*>& owners) { return owners; }

void AddOwner(std::vector<SSurfaceOwner*>& owners, SSurfaceOwner* owner) {
    if (owner != nullptr) {
        owners.push_back(owner);
    }
}

void RemoveFirst(std::vector<SSurfaceOwner*>& owners, SSurfaceOwner* owner) {
    auto it = std::find(owners.begin(), owners.end(), owner);
    if (it != owners.end()) {
        owners.erase(it);
    }
}

}  // namespace

// --- SSpriteList -----------------------------------------------------------------------------

void SSpriteList::RemoveAll(bool destroy) {
    std::vector<SDisplayObject*> items;
    items.swap(m_Items);
    if (destroy) {
        for (SDisplayObject* item : items) {
            delete item;
        }
    }
}

int SSpriteList::InsertSorted(SDisplayObject* object) {
    if (object == nullptr) {
        return 0;
    }
    const int32_t order = object->GetOrder();
    auto it = std::find_if(m_Items.begin(), m_Items.end(),
                           [order](SDisplayObject* item) { return item->GetOrder() >= order; });
    m_Items.insert(it, object);
    return 1;
}

SDisplayObject* SSpriteList::Remove(SDisplayObject* object) {
    auto it = std::find(m_Items.begin(), m_Items.end(), object);
    if (it == m_Items.end()) {
        return nullptr;
    }
    m_Items.erase(it);
    return object;
}

void SSpriteList::Resort(SDisplayObject* object) {
    if (Remove(object) != nullptr) {
        InsertSorted(object);
    }
}

// --- Life and options ------------------------------------------------------------------------

SGraphics::SGraphics() { ResetState(); }

SGraphics::~SGraphics() {
    m_DisplayList.RemoveAll(true);
    m_pCurrentObject = nullptr;
    ReleaseSurfaces();
    m_Sprites.clear();
    m_Fonts.clear();
    m_Layouts.clear();
    m_SurfaceDCs.clear();
}

int SGraphics::ResetState() {
    m_rcDest = sys::RECT{};
    m_pPrimary = nullptr;
    m_pBack = nullptr;
    m_pInterfaceSource = nullptr;
    m_pInterfaceBackground = nullptr;
    m_pClipper = nullptr;
    m_pBackClipper = nullptr;
    m_pDriverGuid = nullptr;
    m_bReady = 0;
    m_bFullScreen = 0;
    m_bDrawScene = 0;
    m_iDisplayKind = 0;
    m_bUseDirect3D = 1;
    m_pCurrentObject = nullptr;
    m_pCursor = nullptr;
    m_bDrawCursor = 1;
    m_iWidth = 640;
    m_iHeight = 480;
    m_rcView = sys::RECT{0, 0, 640, 480};
    return 1;
}

void SGraphics::SetDisplayOptions(int useDirect3D, int fullScreen) {
    m_bUseDirect3D = useDirect3D;
    m_bFullScreen = fullScreen;
}

int SGraphics::IsDirectDrawInstalled() {
    IDirectDraw4* dd = nullptr;
    if (Failed(CreateDirectDraw(&dd)) || dd == nullptr) {
        sys::dialogs::MessageBox(
            "DirectDraw isn't installed\nPlease Re-install the game\nPress OK to Terminate this application.",
            kCaption, sys::MB_OK);
        return 0;
    }
    dd->Release();
    return 1;
}

SDisplayRenderer* SGraphics::Renderer() const { return m_pShell != nullptr ? m_pShell->GetRenderer() : nullptr; }

// --- Display set-up --------------------------------------------------------------------------

void SGraphics::ReleaseBroadcast() {
    for (SSurfaceOwner* owner : Snapshot(m_Sprites)) {
        owner->ReleaseSurfaces();
    }
    for (SSurfaceOwner* owner : Snapshot(m_Fonts)) {
        owner->ReleaseSurfaces();
    }
    for (SSurfaceOwner* owner : Snapshot(m_Layouts)) {
        owner->ReleaseSurfaces();
    }
    for (SSurfaceOwner* owner : Snapshot(m_SurfaceDCs)) {
        owner->ReleaseSurfaces();
    }
    if (m_pShell != nullptr) {
        m_pShell->ReleaseDeviceObjects();
        if (SSurfaceOwner* console = m_pShell->GetConsoleWindow()) {
            console->ReleaseSurfaces();
        }
    }
}

void SGraphics::RestoreBroadcast() {
    for (SSurfaceOwner* owner : Snapshot(m_Sprites)) {
        if (owner->RestoreSurfaces(this) == 0) {
            owner->RebuildSurfaces(this);
        }
    }
    for (SSurfaceOwner* owner : Snapshot(m_Fonts)) {
        owner->RestoreSurfaces(this);
    }
    for (SSurfaceOwner* owner : Snapshot(m_Layouts)) {
        owner->RestoreSurfaces(this);
    }
    for (SSurfaceOwner* owner : Snapshot(m_SurfaceDCs)) {
        owner->RestoreSurfaces(this);
    }
    if (m_pShell != nullptr) {
        m_pShell->RestoreDeviceObjects(this);
        if (SDisplayRenderer* renderer = m_pShell->GetRenderer()) {
            renderer->EvictManagedTextures();
        }
        if (SSurfaceOwner* console = m_pShell->GetConsoleWindow()) {
            console->RestoreSurfaces(this);
        }
    }
}

const GUID* SGraphics::ChooseDirect3DDevice() {
    if (SDXDeviceInfo* device = m_Drivers.GetDevice()) {
        return device->m_pGuid;
    }
    // Nothing chosen yet (no stored choice matched): the first device of the first driver, so
    // that a fresh machine still gets its 3D view.
    SDXDriverList* drivers = m_Drivers.GetDrivers();
    if (drivers == nullptr || drivers->IsEmpty()) {
        return nullptr;
    }
    SDXDriverInfo* driver = drivers->GetHead();
    if (driver == nullptr || driver->m_pDevices == nullptr || driver->m_pDevices->IsEmpty()) {
        return nullptr;
    }
    SDXDeviceInfo* device = driver->m_pDevices->GetHead();
    return device != nullptr ? device->m_pGuid : nullptr;
}

int SGraphics::ResetDisplayMode() {
    const sys::HWND window = m_pShell != nullptr ? m_pShell->GetMainWindow() : sys::window::GetMainWindow();
    if (window == nullptr) {
        return 0;
    }
    m_csDisplay.Lock();
    m_rcDest = sys::RECT{};
    ReleaseBroadcast();
    ReleaseSurfaces();

    m_iDisplayKind = m_bFullScreen ? kKindFullScreen : kKindWindowed;
    if (m_pShell != nullptr) {
        m_pShell->SetFullScreen(m_iDisplayKind >= kKindFullScreen ? 1 : 0);
    }

    int result = 0;
    int created = m_pDriverGuid != nullptr ? Create(*m_pDriverGuid) : 0;
    if (created == 0) {
        created = Create(GUID{});
    }
    if (created != 0) {
        result = m_iDisplayKind == kKindWindowed ? CreateWindowedDisplay(kKindWindowed)
                                                 : CreateFullScreenDisplay(kKindFullScreen);
    }
    if (result != 0) {
        m_bReady = 1;
        if (CreateRenderer() == 0) {
            // Without its renderer the display is given up whole, and nobody is told to
            // rebuild on a display that is gone.
            ReleaseSurfaces();
            m_csDisplay.Unlock();
            return 0;
        }
    }
    m_csDisplay.Unlock();

    RestoreBroadcast();
    if (result != 0 && m_pCursor != nullptr) {
        m_pCursor->SurfacesRebuilt(this);
        if (m_pShell != nullptr && m_pShell->HasGameLibrary()) {
            m_pShell->GetGameState();
        }
    }
    return result;
}

int SGraphics::CreateRenderer() {
    // Every device here is drawn in software, so asking for rendering without acceleration
    // still builds the renderer on one; only a platform with no device at all goes without.
    const GUID* device = ChooseDirect3DDevice();
    if (device == nullptr) {
        sys::dialogs::MessageBox("?? There is not valid Direct3D drivers", kCaption, sys::MB_OK);
        return 0;
    }
    SDisplayRenderer* renderer = m_pShell != nullptr ? m_pShell->CreateRenderer() : nullptr;
    if (renderer == nullptr) {
        return 0;
    }
    SDisplayCreateRecord createRecord;
    if (renderer->Create(createRecord) == 0) {
        return 0;
    }
    SDisplayDeviceRecord deviceRecord;
    deviceRecord.pDisplay = this;
    deviceRecord.pPrimary = m_pPrimary->GetSurface();
    deviceRecord.pBack = m_pBack->GetSurface();
    deviceRecord.pDevice = device;
    return renderer->CreateRaster(deviceRecord);
}

void SGraphics::CreateInterfaceSurfaces() {
    if (m_pClient != nullptr) {
        m_pClient->DetachInterfaceSurfaces();
    }
    DeleteAndClear(m_pInterfaceSource);
    DeleteAndClear(m_pInterfaceBackground);
    m_pInterfaceSource = new SDXSurface(CString("Interface Source"));
    // Asked for before the surface exists, so it takes no effect; the screen manager gives
    // the surface its key when it makes it.
    m_pInterfaceSource->SetTransparentColor(kInterfaceKey);
    m_pInterfaceBackground = new SDXSurface(CString("Interface Background"));
    if (m_pClient != nullptr) {
        m_pClient->AttachInterfaceSurfaces(m_pInterfaceSource, m_pInterfaceBackground);
    }
    if (m_pShell != nullptr) {
        m_pShell->SetInterfaceSurfaces();
    }
}

int SGraphics::CreateBackClipper() {
    DeleteAndClear(m_pBackClipper);
    m_pBackClipper = new SDXClipper();
    if (m_pBackClipper->CreateClipper(this) == 0 || m_pBackClipper->SetClipList(m_pBack, nullptr) == 0 ||
        m_pBack->SetClipper(m_pBackClipper) == 0) {
        return 0;
    }
    return 1;
}

int SGraphics::CreateWindowedDisplay(int kind) {
    const sys::HWND window = m_pShell != nullptr ? m_pShell->GetMainWindow() : sys::window::GetMainWindow();
    if (SetMode(0, window) == 0) {
        ReleaseSurfaces();
        return 0;
    }
    if (m_pShell != nullptr) {
        m_pShell->SetClientSize(m_iWidth, m_iHeight);
    }
    if (kind != kKindWindowed) {
        return 1;
    }
    DeleteAndClear(m_pPrimary);
    m_pPrimary = new SDXSurface(CString("Primary"));
    if (m_pPrimary->CreatePrimarySurface(this, 1, DDSCAPS_3DDEVICE) == 0) {
        ReleaseSurfaces();
        return 0;
    }
    sys::POINT origin;
    sys::window::ClientToScreen(window, origin);
    m_rcDest = sys::RECT{origin.x, origin.y, origin.x + m_iWidth, origin.y + m_iHeight};

    sys::RECT client;
    sys::window::GetClientRect(window, client);
    DeleteAndClear(m_pBack);
    m_pBack = new SDXSurface(CString("Back"));
    if (m_pBack->CreateSurface(this, client.right - client.left, client.bottom - client.top,
                               DDSCAPS_VIDEOMEMORY | DDSCAPS_3DDEVICE, nullptr, 0) == 0) {
        ReleaseSurfaces();
        return 0;
    }
    CreateInterfaceSurfaces();

    DeleteAndClear(m_pClipper);
    m_pClipper = new SDXClipper();
    if (m_pClipper->CreateClipper(this) == 0 || m_pClipper->SetHwnd(window) == 0 ||
        m_pPrimary->SetClipper(m_pClipper) == 0 || CreateBackClipper() == 0) {
        ReleaseSurfaces();
        return 0;
    }
    return 1;
}

int SGraphics::CreateFullScreenDisplay(int kind) {
    const sys::HWND window = m_pShell != nullptr ? m_pShell->GetMainWindow() : sys::window::GetMainWindow();
    if (SetMode(1, window) == 0) {
        ReleaseSurfaces();
        return 0;
    }
    const uint32_t bits = m_pShell != nullptr ? m_pShell->GetFullScreenDepth() : 16;
    if (SetDisplayMode(static_cast<uint32_t>(m_iWidth), static_cast<uint32_t>(m_iHeight), bits, 0, 0) == 0) {
        // A card without 32-bit modes still runs the game in 16 bits; any other refusal fails.
        if (bits != 32 ||
            SetDisplayMode(static_cast<uint32_t>(m_iWidth), static_cast<uint32_t>(m_iHeight), 16, 0, 0) == 0) {
            ReleaseSurfaces();
            return 0;
        }
    }
    if (m_pShell != nullptr) {
        m_pShell->SetClientSize(m_iWidth, m_iHeight);
    }
    if (kind != kKindFullScreen) {
        return 1;
    }
    DeleteAndClear(m_pPrimary);
    DeleteAndClear(m_pBack);
    m_pPrimary = new SDXSurface(CString("Primary"));
    m_pBack = new SDXSurface(CString("Back"));
    if (m_pPrimary->CreatePrimarySurface(this, 2, DDSCAPS_3DDEVICE) == 0 || m_pPrimary->GetBackBuffer(m_pBack) == 0) {
        ReleaseSurfaces();
        return 0;
    }
    ClearDisplay(1);
    CreateInterfaceSurfaces();
    if (CreateBackClipper() == 0) {
        ReleaseSurfaces();
        return 0;
    }
    return 1;
}

void SGraphics::ReleaseSurfaces() {
    if (m_pShell != nullptr) {
        m_pShell->ReleaseRenderer();
    }
    DeleteAndClear(m_pClipper);
    DeleteAndClear(m_pBackClipper);
    if (m_pCursor != nullptr) {
        m_pCursor->SurfacesLost();
    }
    DeleteAndClear(m_pBack);
    DeleteAndClear(m_pPrimary);
    // The contexts on the interface surfaces go with them.
    if (m_pClient != nullptr) {
        m_pClient->DetachInterfaceSurfaces();
    }
    DeleteAndClear(m_pInterfaceSource);
    DeleteAndClear(m_pInterfaceBackground);
    if (m_pClient != nullptr) {
        m_pClient->DropDefaultFontCache();
    }
    Release();
    m_bReady = 0;
}

SDXSurface* SGraphics::CreateUIBackground() {
    DeleteAndClear(m_pInterfaceBackground);
    m_pInterfaceBackground = new SDXSurface(CString("UIBackground"));
    // The background context must never draw into the surface just deleted.
    if (m_pClient != nullptr) {
        m_pClient->ReplaceBackgroundSurface(m_pInterfaceBackground);
    }
    return m_pInterfaceBackground;
}

int SGraphics::ClearDisplay(int alsoBack) {
    if (m_pPrimary != nullptr) {
        m_pPrimary->Clear(nullptr, 0);
    }
    if (alsoBack != 0 && m_pBack != nullptr) {
        m_pBack->Clear(nullptr, 0);
    }
    return 1;
}

int SGraphics::SetScreenOrigin(int x, int y) {
    m_rcDest = sys::RECT{x, y, x + m_iWidth, y + m_iHeight};
    return 1;
}

int SGraphics::SetViewRect(int x, int y, int width, int height) {
    m_rcView = sys::RECT{x, y, x + width, y + height};
    SDisplayRenderer* renderer = Renderer();
    if (renderer == nullptr) {
        return 0;
    }
    const sys::RECT& r = m_rcView;
    renderer->SetViewRects(r.left, r.top, r.right, r.bottom, r.left, r.top, r.right, r.bottom);
    return 1;
}

// --- Frames ----------------------------------------------------------------------------------

int SGraphics::RenderFrame() {
    if (m_bReady == 0) {
        return 1;
    }
    if (m_bFullScreen != 0) {
        RenderFullScreenFrame();
    } else {
        RenderWindowedFrame();
    }
    return 1;
}

int SGraphics::RenderWindowedFrame() { return RenderOneFrame(false); }

int SGraphics::RenderFullScreenFrame() { return RenderOneFrame(true); }

int SGraphics::RenderOneFrame(bool fullScreen) {
    if (m_pDD == nullptr) {
        return 0;
    }
    const HRESULT level = m_pDD->TestCooperativeLevel();
    if (!fullScreen && level == DDERR_EXCLUSIVEMODEALREADYSET) {
        s_bWindowedLost = 1;
        return 0;
    }
    if (fullScreen && level == DDERR_NOEXCLUSIVEMODE) {
        s_bFullScreenLost = 1;
        // Sleep until the system has something to say instead of spinning on a lost screen.
        sys::window::WaitMessage();
        return 0;
    }
    if (level == DDERR_WRONGMODE) {
        ResetDisplayMode();
        if (m_bReady == 0) {
            return 0;
        }
    }
    int& lost = fullScreen ? s_bFullScreenLost : s_bWindowedLost;
    if (lost != 0) {
        if (fullScreen) {
            RestoreSurfaces();
        }
        lost = 0;
    }

    if (m_pClient != nullptr) {
        m_pClient->BeginBackDC(m_pBack);
        m_pClient->DrawScreen();
    }
    SDisplayRenderer* renderer = Renderer();
    if (renderer != nullptr && renderer->IsReady() != 0) {
        DrawScene(renderer);
    } else {
        DrawDisplayList();
    }
    if (m_pClient != nullptr) {
        m_pClient->UpdateScreen();
    }
    DrawCursor(0);
    DrawOverlays();
    Present();
    if (m_pClient != nullptr) {
        m_pClient->EndBackDC();
    }
    return 1;
}

void SGraphics::DrawScene(SDisplayRenderer* renderer) {
    if (m_bDrawScene != 0) {
        renderer->BeginFrame();
        m_pShell->SessionCommand(8, 1);
        renderer->RenderFrame();
        m_pShell->SessionCommand(8, 0);
        renderer->EndFrame();
    }
    for (SDisplayObject* object : m_DisplayList.Items()) {
        const bool clip = object == m_pCurrentObject || object->GetClipToView() != 0;
        object->DrawClipped(m_pBack, clip ? &m_rcView : nullptr);
    }
}

void SGraphics::DrawDisplayList() {
    for (SDisplayObject* object : m_DisplayList.Items()) {
        object->DrawClipped(m_pBack, object == m_pCurrentObject ? &m_rcView : nullptr);
    }
}

void SGraphics::DrawOverlays() {
    if (m_pShell == nullptr) {
        return;
    }
    if (m_pShell->ShowFrameStats()) {
        DrawFrameStats();
    }
    if (m_pShell->ShowMousePosition()) {
        DrawMousePosition();
    }
    if (m_pShell->ShowSoundStats()) {
        DrawSoundStats();
    }
}

void SGraphics::Present() {
    if (m_bReady == 0 || m_pPrimary == nullptr) {
        return;
    }
    if (m_bFullScreen != 0) {
        m_pPrimary->Flip();
    } else if (m_pBack != nullptr) {
        m_pPrimary->Blt(m_pBack, &m_rcDest, nullptr, 1, 0, 0);
    }
}

void SGraphics::RedrawScene() {
    if (SDisplayRenderer* renderer = Renderer()) {
        renderer->BeginFrame();
        renderer->RenderFrame();
        renderer->EndFrame();
    }
    Present();
}

void SGraphics::ShowFrame() {
    if (m_pClient != nullptr) {
        m_pClient->BeginBackDC(m_pBack);
    }
    const int state = m_pShell != nullptr && m_pShell->HasGameLibrary() ? m_pShell->GetGameState() : 0;
    if (state != 3) {
        DrawCursor(0);
    }
    if (m_pPrimary != nullptr) {
        if (m_bFullScreen != 0) {
            m_pPrimary->Flip();
        } else if (m_pBack != nullptr) {
            m_pPrimary->Blt(m_pBack, &m_rcDest, nullptr, 1, 0, 0);
        }
    }
    if (m_pClient != nullptr) {
        m_pClient->EndBackDC();
    }
}

int SGraphics::DialogIdle() {
    ShowFrame();
    if (m_pShell != nullptr) {
        m_pShell->AdvanceGame(60.0f);
    }
    if (m_pClient != nullptr) {
        m_pClient->GiveScreenDefaultFont();
    }
    return 0;
}

int SGraphics::RenderFrameWithoutCursor() {
    if (m_pCursor != nullptr) {
        m_bDrawCursor = 0;
        RenderFrame();
        m_bDrawCursor = 1;
    }
    return 1;
}

int SGraphics::RestoreSurfaces() {
    if (m_pDD != nullptr) {
        m_pDD->RestoreAllSurfaces();
    }
    if (m_pCursor != nullptr) {
        m_pCursor->RestoreSurfaces(this);
    }
    for (SSurfaceOwner* owner : Snapshot(m_Sprites)) {
        if (owner->RestoreSurfaces(this) == 0) {
            owner->RebuildSurfaces(this);
        }
    }
    for (SSurfaceOwner* owner : Snapshot(m_Fonts)) {
        owner->RestoreSurfaces(this);
    }
    for (SSurfaceOwner* owner : Snapshot(m_Layouts)) {
        owner->RestoreSurfaces(this);
    }
    if (SDisplayRenderer* renderer = Renderer()) {
        renderer->EvictManagedTextures();
    }
    return 1;
}

// --- Cursor ----------------------------------------------------------------------------------

SDisplayCursor* SGraphics::SetCursorObject(SDisplayCursor* cursor) {
    m_csCursor.Lock();
    SDisplayCursor* previous = m_pCursor;
    m_pCursor = cursor;
    m_csCursor.Unlock();
    return previous;
}

int SGraphics::DrawCursor(int onPrimary) {
    if (m_pCursor == nullptr || m_bDrawCursor == 0) {
        return 1;
    }
    m_csDisplay.Lock();
    m_csCursor.Lock();
    // Read again under the lock: the library may have taken the cursor away meanwhile.
    if (SDisplayCursor* cursor = m_pCursor) {
        if (onPrimary != 0) {
            const uint8_t previous = cursor->SetDrawMode(1);
            cursor->DrawOnto(m_pPrimary, &m_rcDest);
            cursor->SetDrawMode(previous);
        } else {
            const uint8_t previous = cursor->SetDrawMode(0);
            cursor->DrawOnto(m_pBack, nullptr);
            cursor->SetDrawMode(previous);
        }
    }
    m_csDisplay.Unlock();
    m_csCursor.Unlock();
    return 1;
}

// --- Registries ------------------------------------------------------------------------------

void SGraphics::AddSprite(SSurfaceOwner* sprite) { AddOwner(m_Sprites, sprite); }
void SGraphics::RemoveSprite(SSurfaceOwner* sprite) { RemoveFirst(m_Sprites, sprite); }
void SGraphics::AddFont(SSurfaceOwner* font) { AddOwner(m_Fonts, font); }
void SGraphics::RemoveFont(SSurfaceOwner* font) { RemoveFirst(m_Fonts, font); }
void SGraphics::AddLayout(SSurfaceOwner* layout) { AddOwner(m_Layouts, layout); }
void SGraphics::RemoveLayout(SSurfaceOwner* layout) { RemoveFirst(m_Layouts, layout); }
void SGraphics::AddSurfaceDC(SSurfaceOwner* context) { AddOwner(m_SurfaceDCs, context); }
void SGraphics::RemoveSurfaceDC(SSurfaceOwner* context) { RemoveFirst(m_SurfaceDCs, context); }

int SGraphics::AddDisplayObject(SDisplayObject* object) { return m_DisplayList.InsertSorted(object); }

int SGraphics::RemoveDisplayObject(SDisplayObject* object) { return m_DisplayList.Remove(object) != nullptr ? 1 : 0; }

int SGraphics::ResortDisplayObject(SDisplayObject* object) {
    m_DisplayList.Resort(object);
    return 1;
}

void SGraphics::SetCurrentDisplayObject(SDisplayObject* object) {
    if (m_pCurrentObject != nullptr) {
        m_DisplayList.Remove(m_pCurrentObject);
    }
    m_pCurrentObject = object;
    m_DisplayList.InsertSorted(object);
}

int SGraphics::ClearCurrentDisplayObject(SDisplayObject* object) {
    if (object == nullptr || object != m_pCurrentObject) {
        return 0;
    }
    const int removed = RemoveDisplayObject(object);
    m_pCurrentObject = nullptr;
    return removed;
}

void SGraphics::RestoreDisplayObjects() {
    if (m_DisplayList.IsEmpty()) {
        return;
    }
    for (SDisplayObject* object : m_DisplayList.Items()) {
        object->RestoreSurfaces(this);
    }
    for (SSurfaceOwner* owner : Snapshot(m_Sprites)) {
        owner->RestoreSurfaces(this);
    }
}

void SGraphics::ResetBackClipList() {
    if (m_pBackClipper != nullptr) {
        m_pBackClipper->SetClipList(m_pBack, nullptr);
    }
}

int SGraphics::SendViewCommand(const char*, const sys::RECT*) { return -1; }

// --- Debug overlays --------------------------------------------------------------------------

void SGraphics::DrawFrameStats() {
    sys::HDC dc = nullptr;
    if (m_pBack == nullptr || m_pBack->GetDC(&dc) == 0) {
        return;
    }
    SDisplayFrameStats stats;
    if (SDisplayRenderer* renderer = Renderer()) {
        renderer->GetFrameStats(stats);
    }
    // A renderer that has not timed a frame yet shows 0 rather than an infinite rate.
    const auto rate = [](double seconds) { return seconds > 0.0 ? 1.0 / seconds : 0.0; };
    const float fps = m_pShell != nullptr ? m_pShell->GetFrameRate() : 0.0f;
    char lines[5][64];
    std::snprintf(lines[0], sizeof(lines[0]), "Overall: %2.1f fps", static_cast<double>(fps));
    std::snprintf(lines[1], sizeof(lines[1]), "Render : %4.1f fps", rate(stats.dRenderTime));
    std::snprintf(lines[2], sizeof(lines[2]), "#TrisOpaque: %6i", stats.iOpaqueTriangles);
    std::snprintf(lines[3], sizeof(lines[3]), "#TrisTransl: %6i", stats.iTranslucentTriangles);
    std::snprintf(lines[4], sizeof(lines[4]), "SetTex : %4.1f fps", rate(stats.dTextureTime));
    for (int i = 0; i < 5; ++i) {
        sys::gdi::TextOut(dc, 15, 15 + 15 * i, lines[i], static_cast<int>(std::char_traits<char>::length(lines[i])));
    }
    m_pBack->ReleaseDC(dc);
}

void SGraphics::DrawMousePosition() {
    sys::HDC dc = nullptr;
    if (m_pBack == nullptr || m_pBack->GetDC(&dc) == 0) {
        return;
    }
    const sys::POINT mouse = m_pShell != nullptr ? m_pShell->GetMousePosition() : sys::POINT{};
    char line[64];
    const int length = std::snprintf(line, sizeof(line), "Mx: %d My: %d", mouse.x, mouse.y);
    sys::gdi::TextOut(dc, 15, 30, line, length);
    m_pBack->ReleaseDC(dc);
}

void SGraphics::DrawSoundStats() {
    // Eight points at the screen's 96 dots per inch.
    sys::HFONT font = sys::gdi::CreateFont(-11, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Times New Roman");
    if (font == nullptr) {
        return;
    }
    sys::HDC dc = nullptr;
    if (m_pBack != nullptr && m_pBack->GetDC(&dc) != 0) {
        std::string text = m_pShell != nullptr ? m_pShell->GetSoundStats() : std::string();
        if (text.size() > 4096) {
            text.resize(4096);
        }
        sys::RECT rect{15, 21, m_rcDest.right - m_rcDest.left, m_rcDest.bottom - m_rcDest.top};
        sys::HGDIOBJ previous = sys::gdi::SelectObject(dc, font);
        sys::gdi::DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rect, 0);
        sys::gdi::SelectObject(dc, previous);
        m_pBack->ReleaseDC(dc);
    }
    sys::gdi::DeleteObject(font);
}

// --- Screenshots -----------------------------------------------------------------------------

void SGraphics::SaveScreenShot() {
    if (m_pPrimary == nullptr) {
        return;
    }
    sys::RECT rect{0, 0, m_iWidth, m_iHeight};
    if (m_bFullScreen == 0) {
        const sys::HWND window = m_pShell != nullptr ? m_pShell->GetMainWindow() : sys::window::GetMainWindow();
        sys::window::GetWindowRect(window, rect);
    }
    WriteScreenShotFile(m_pPrimary, &rect, "ScreenShots", "ScreenShot");
}

bool SGraphics::WriteScreenShotFile(SDXSurface* surface, const sys::RECT* rect, const char* folder,
                                    const char* prefix) {
    if (surface == nullptr || rect == nullptr || folder == nullptr || prefix == nullptr) {
        return false;
    }
    if (!sys::fs::IsDirectory(folder)) {
        sys::fs::CreateDirectory(folder);
    }
    const std::string base = std::string(folder) + "\\" + prefix;
    std::string name;
    for (unsigned n = 1; n != 0; ++n) {
        name = base + std::to_string(n) + ".bmp";
        if (!sys::fs::Exists(name)) {
            break;
        }
    }
    CFile file;
    if (!file.Open(name.c_str(), CFile::modeCreate | CFile::modeWrite)) {
        return false;
    }
    bool written = false;
    sys::HDC dc = nullptr;
    if (surface->GetDC(&dc) != 0) {
        try {
            written = CaptureDCToDIB(file, dc, *rect);
        } catch (const CException&) {
            written = false;
        }
        surface->ReleaseDC(dc);
    }
    if (written) {
        try {
            file.Close();
        } catch (const CException&) {
            written = false;
        }
    }
    if (!written) {
        // A screenshot is never worth a broken picture on the disk or a stopped game.
        file.Abort();
        sys::fs::DeleteFile(name);
    }
    return written;
}
