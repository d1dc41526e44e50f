#include <algorithm>
#include <cstring>

#include "app/SClientInfo.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SHostCallbacks.h"
#include "app/actors/SActorWorld.h"
#include "assets/models/SSMHandle.h"
#include "assets/models/SViewModel.h"
#include "core/SDataCollection.h"
#include "dx/display/SDXSurface.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SInputObj.h"
#include "frontend/hud/SAppLayout.h"
#include "frontend/screens/SGameLayouts.h"
#include "frontend/screens/SGameScreen.h"
#include "render/SD3D6Parser.h"
#include "render/texture/SD3D6Lock.h"
#include "sys/thread.h"
#include "ui/SDC.h"
#include "ui/SDisplayHost.h"

extern CCriticalSection g_GameLayoutLock;

IMPLEMENT_DYNAMIC(SActiveLayout, CObject)
IMPLEMENT_DYNAMIC(STextureLayout, SActiveLayout)
IMPLEMENT_DYNAMIC(SScrnShotLayout, CObject)

SActiveLayout::SActiveLayout() = default;

SActiveLayout::~SActiveLayout() { delete m_pLayout; }

STextureLayout::~STextureLayout() { delete m_pSurface; }

void STextureLayout::Place(int textureWidth, int textureHeight, int& x, int& y, int& width, int& height) const {
    width = static_cast<int>(static_cast<float>(textureWidth) * m_fWidthFactor);
    height = static_cast<int>(static_cast<float>(textureHeight) * m_fHeightFactor);
    x = static_cast<int>(static_cast<float>(textureWidth) * m_fXFactor);
    y = static_cast<int>(static_cast<float>(textureHeight) * m_fYFactor);
}

namespace {

SGameObjects* Hub() { return SGameObjects::Instance(); }

SD3D6Parser* Renderer() {
    SGameItems* items = Hub()->m_pGameItems;
    return items != nullptr ? items->m_pParser : nullptr;
}

SGameDLL* Library() {
    SGameDLL* library = Hub()->m_pGameDLL;
    return library != nullptr && library->IsLoaded() ? library : nullptr;
}

void Register(SLayout* layout) {
    if (SDisplayHost* host = SDisplayHost::GetInstance())
        host->AddLayout(layout);
}

void Unregister(SLayout* layout) {
    if (SDisplayHost* host = SDisplayHost::GetInstance())
        host->RemoveLayout(layout);
}

}  // namespace

SAppLayout* SGameScreen::MakeOverlayLayout() {
    auto* layout = new SAppLayout(Hub());
    layout->SetToolTipColour(kToolTipColour);
    return layout;
}

int SGameScreen::ShowLayout(int kind, int id) {
    CSingleLock lock(&g_GameLayoutLock);
    if (!lock.Lock(kLockWaitShow))
        return 0;
    std::vector<SActiveLayout*>& list = kind <= 2 ? m_ActiveLayouts : m_PassiveLayouts;
    SActiveLayout* found = nullptr;
    for (SActiveLayout* overlay : list) {
        if (overlay->m_iId == id && overlay->m_bRemove == 0) {
            found = overlay;
            break;
        }
    }
    SGameDLL* library = Library();
    if (kind == 0 || kind == 3 || kind == 4) {
        if (found == nullptr) {
            found = new SActiveLayout;
            found->m_pLayout = MakeOverlayLayout();
            list.push_back(found);
            Register(found->m_pLayout);
        }
        found->m_iId = id;
        if (kind == 3) {
            if (SInputObj* input = Hub()->m_pInput)
                input->DisableMouse();
            const char* dedicated = library != nullptr ? library->GetProperty("ServerDedicated") : nullptr;
            if (dedicated != nullptr && std::atoi(dedicated) != 0)
                m_bExitRequest = 1;
        }
        // Kind 4 overlays only show; the others take input as children of the screen's layout.
        if (kind != 4 && m_pLayout != nullptr)
            found->m_pLayout->SetParent(m_pLayout);
        SGameItems* items = Hub()->m_pGameItems;
        SDataCollection* scripts = items != nullptr && items->m_pClientInfo != nullptr
                                       ? items->m_pClientInfo->m_pScripts
                                       : nullptr;
        if (scripts != nullptr)
            found->m_pLayout->SetScript(scripts->GetValue(id).GetString());
        found->m_pLayout->SetID(
            static_cast<uint32_t>(m_ActiveLayouts.size() + m_PassiveLayouts.size() + m_TextureLayouts.size()));
        if (kind == 0 && id == 7 && library != nullptr && library->GetState() == 7)
            library->SessionCommand(9, 0);
    } else if (kind == 2 || kind == 6) {
        if (found != nullptr)
            found->m_bRemove = 1;
        if (kind == 2 && id == 7 && library != nullptr && library->GetState() == 11)
            library->SessionCommand(9, 0);
    }
    m_iRedrawCount = 2;
    return 1;
}

int SGameScreen::ShowTextureLayout(int show, int index, const char* pszLayout, float widthFactor,
                                   float heightFactor, float xFactor, float yFactor) {
    if (index < 0)
        return 0;
    CSingleLock lock(&g_GameLayoutLock);
    if (!lock.Lock(kLockWaitShow))
        return 0;
    STextureLayout* found = nullptr;
    for (STextureLayout* overlay : m_TextureLayouts) {
        if (overlay->m_iTextureIndex == index && overlay->m_bRemove == 0) {
            found = overlay;
            break;
        }
    }
    if (show == 1) {
        if (found == nullptr) {
            found = new STextureLayout;
            found->m_pLayout = MakeOverlayLayout();
            m_TextureLayouts.push_back(found);
            Register(found->m_pLayout);
        }
        found->m_fWidthFactor = widthFactor;
        found->m_fHeightFactor = heightFactor;
        found->m_fXFactor = xFactor;
        found->m_fYFactor = yFactor;
        found->m_iTextureIndex = index;
        found->m_pLayout->SetVisible(true);
        found->m_pLayout->SetScript(pszLayout != nullptr ? pszLayout : "");
    } else if (found != nullptr) {
        found->m_pLayout->SetVisible(false);
    }
    m_iRedrawCount = 2;
    return 1;
}

int SGameScreen::CaptureTextureLayouts(SDC* pDC) {
    SD3D6Parser* renderer = Renderer();
    SGraphics* display = Hub()->m_pGraphics;
    if (renderer == nullptr || pDC == nullptr)
        return 0;
    for (STextureLayout* overlay : m_TextureLayouts) {
        if (overlay->m_pTexture == nullptr)
            overlay->m_pTexture = renderer->GetTexture(static_cast<int16_t>(overlay->m_iTextureIndex));
        auto* texture = static_cast<SD3D6Lock*>(overlay->m_pTexture);
        if (!overlay->m_pLayout->IsVisible() || texture == nullptr)
            continue;
        int x = 0, y = 0, width = 0, height = 0;
        overlay->Place(texture->GetWidth(), texture->GetHeight(), x, y, width, height);
        if (width <= 0 || height <= 0)
            continue;  // nothing to draw, and no surface of that size
        if (overlay->m_pSurface == nullptr) {
            overlay->m_pSurface = new SDXSurface;
            overlay->m_pSurface->CreateSurface(display, width, height, 0x800, nullptr, 0);
        }
        if (overlay->m_bCaptured == 1) {
            const sys::RECT source{0, 0, width, height};
            const sys::POINT dest{x, y};
            renderer->CopySurfaceToTexture(static_cast<int16_t>(overlay->m_iTextureIndex),
                                           overlay->m_pSurface->GetSurface(), &source, &dest);
            overlay->m_bCaptured = 0;
            continue;
        }
        sys::RECT view{}, second{};
        renderer->GetViewRects(&view, &second);
        sys::RECT place{view.left, view.top, view.left + width, view.top + height};
        if (place.right > view.right || place.bottom > view.bottom) {
            place = sys::RECT{0, 0, width, height};
            m_iRedrawCount = 2;
        }
        overlay->m_pLayout->MoveWindow(place);
        overlay->m_pLayout->Draw(pDC);
        if (SDXSurface* frame = pDC->GetSurface()) {
            // The drawn rectangle is cut to the frame so that a small frame never reads outside.
            sys::RECT source = place;
            source.right = std::min<int>(source.right, frame->GetWidth());
            source.bottom = std::min<int>(source.bottom, frame->GetHeight());
            if (source.right > source.left && source.bottom > source.top) {
                const sys::RECT dest{0, 0, source.right - source.left, source.bottom - source.top};
                overlay->m_pSurface->Blt(frame, &dest, &source, 0, 0, 0);
            }
        }
        overlay->m_bCaptured = 1;
    }
    return 0;
}

int SGameScreen::QueueScreenshot(int width, int height, uint8_t hideFlag, const char* pszLayout,
                                 const char* pszFolder) {
    auto* request = new SScrnShotLayout;
    request->m_iWidth = width;
    request->m_iHeight = height;
    request->m_bHideFlag = hideFlag;
    request->m_sLayout = pszLayout != nullptr ? pszLayout : "";
    request->m_sFolder = pszFolder != nullptr ? pszFolder : "";
    // The library may queue from its own thread while a draw walks the list.
    CSingleLock lock(&g_GameLayoutLock);
    lock.Lock();
    m_Screenshots.push_back(request);
    return static_cast<int>(m_Screenshots.size()) - 1;
}

void SGameScreen::ProcessScreenshot(SDC* pDC) {
    if (m_Screenshots.empty())
        return;
    SScrnShotLayout* request = m_Screenshots.front();
    SDXSurface* frame = pDC != nullptr ? pDC->GetSurface() : nullptr;
    // The shot is cut to the frame; a shot without area is dropped unwritten.
    const int width = frame != nullptr ? std::min<int>(request->m_iWidth, frame->GetWidth()) : 0;
    const int height = frame != nullptr ? std::min<int>(request->m_iHeight, frame->GetHeight()) : 0;
    if (width > 0 && height > 0) {
        if (request->m_bHideFlag == 0)
            SetThirdWorldVisible(false);
        SAppLayout* layout = MakeOverlayLayout();
        layout->SetScript(request->m_sLayout.GetString());
        layout->MoveWindow(sys::RECT{0, 0, width, height});
        layout->Draw(pDC);
        delete layout;
        SString prefix = request->m_sFolder;
        const int length = prefix.GetLength();
        if (length > 0 && (prefix.GetAt(length - 1) == 's' || prefix.GetAt(length - 1) == 'S'))
            prefix = prefix.Left(length - 1);
        const sys::RECT rect{0, 0, width, height};
        SGraphics::WriteScreenShotFile(frame, &rect, request->m_sFolder.GetString(), prefix.GetString());
        if (request->m_bHideFlag == 0)
            SetThirdWorldVisible(true);
    }
    m_Screenshots.erase(m_Screenshots.begin());
    delete request;
    m_iRedrawCount = 2;
}

void SGameScreen::DetachAndDelete(SActiveLayout* overlay, bool bActive) {
    SAppLayout* layout = overlay->m_pLayout;
    if (bActive && layout->GetParent() != nullptr)
        layout->SetParent(nullptr);
    Unregister(layout);
    if (SWindow::GetFocus() != nullptr &&
        (SWindow::GetFocus() == layout || layout->HasFocus(false)) && m_pLayout != nullptr)
        SWindow::SetFocusWindow(m_pLayout);
    delete overlay;
}

void SGameScreen::RemoveFlaggedLayouts() {
    CSingleLock lock(&g_GameLayoutLock);
    if (!lock.Lock(kLockWaitDraw))
        return;
    auto sweep = [this](auto& list, bool bActive) {
        for (size_t i = 0; i < list.size();) {
            if (list[i]->m_bRemove != 0) {
                SActiveLayout* overlay = list[i];
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
                DetachAndDelete(overlay, bActive);
            } else {
                ++i;
            }
        }
    };
    sweep(m_ActiveLayouts, true);
    sweep(m_PassiveLayouts, false);
    sweep(m_TextureLayouts, true);
}

void SGameScreen::RemoveAllLayouts() {
    for (SActiveLayout* overlay : m_ActiveLayouts)
        DetachAndDelete(overlay, true);
    for (SActiveLayout* overlay : m_PassiveLayouts)
        DetachAndDelete(overlay, false);
    for (STextureLayout* overlay : m_TextureLayouts)
        DetachAndDelete(overlay, true);
    m_ActiveLayouts.clear();
    m_PassiveLayouts.clear();
    m_TextureLayouts.clear();
    for (SScrnShotLayout* request : m_Screenshots)
        delete request;
    m_Screenshots.clear();
}

void SGameScreen::SetLayoutsRedraw(int /*nCount*/) {
    // The toolkit's layouts redraw every frame they are drawn; the count is kept on the screen.
}

void SGameScreen::MoveLayouts(const sys::RECT* pRect) {
    if (pRect == nullptr)
        return;
    for (SActiveLayout* overlay : m_ActiveLayouts)
        overlay->m_pLayout->MoveWindow(*pRect);
    for (SActiveLayout* overlay : m_PassiveLayouts)
        overlay->m_pLayout->MoveWindow(*pRect);
}

int SGameScreen::DrawFlatSkin(SDC* pDC) {
    SDataCollection* variables = Hub()->m_pVariables;
    if (pDC == nullptr || variables == nullptr || variables->GetIntByName("APP_FLAT_SKIN") == 0)
        return 0;
    SGraphics* display = Hub()->m_pGraphics;
    const int displayWidth = display != nullptr ? display->GetWidth() : 640;
    int x = 0, y = 0, rowHeight = 0;
    for (STextureLayout* overlay : m_TextureLayouts) {
        SDXSurface* surface = overlay->m_pSurface;
        if (surface == nullptr || !overlay->m_pLayout->IsVisible())
            continue;
        const int width = surface->GetWidth();
        const int height = surface->GetHeight();
        if (x > 0 && x + width > displayWidth) {
            x = 0;
            y += rowHeight;
            rowHeight = 0;
        }
        pDC->BlitSurface(surface, x, y);
        x += width;
        rowHeight = std::max(rowHeight, height);
    }
    return 0;
}

// --- View models -------------------------------------------------------------------------------

SViewModel* SGameScreen::GetViewModel() { return m_pViewModel; }

SViewModel* SGameScreen::GetAttachment(int index) {
    return index == 0 || index == 1 ? m_pAttachments[index] : nullptr;
}

SViewModel* SGameScreen::CreateViewModel(int index) {
    auto* model = new SViewModel;
    SGameItems* items = Hub()->m_pGameItems;
    SActorWorld* world = items != nullptr ? items->m_pWorld[0] : nullptr;
    if (world != nullptr && items->m_pSoundNames != nullptr) {
        SSMHandle* instance = world->LoadSceneDefinition(items->m_pSoundNames->GetValue(index).GetString());
        if (instance != nullptr) {
            instance->SetCurrentGroup(instance->FindGroup("Normal"));
            instance->SetScale(8.0f);
            // Taking the instance animates it when the model has animations; a view model
            // stands still on its first frame until the library moves it.
            model->SetModelInstance(instance);
            instance->SetAnimated(0);
            instance->SetFrame(0);
        }
    }
    model->m_bHidden = 1;
    return model;
}

void SGameScreen::SetViewModelsHidden(bool bHidden, float fOffset) {
    SViewModel* models[3] = {m_pViewModel, m_pAttachments[0], m_pAttachments[1]};
    for (SViewModel* model : models) {
        if (model == nullptr)
            continue;
        model->m_vOffsetPosition.z = fOffset;
        if (!bHidden)
            model->m_bHidden = 0;
    }
}

void SGameScreen::SetThirdWorldVisible(bool bVisible) {
    SGameItems* items = Hub()->m_pGameItems;
    SActorWorld* world = items != nullptr ? items->m_pWorld[2] : nullptr;
    if (world == nullptr)
        return;
    for (int i = 0; i <= world->GetHighestIndex(); ++i) {
        if (SActor* actor = world->GetActor(i))
            actor->SetFlag("Visible", bVisible);
    }
}

int SGameScreen::ModelCommand(int command, int a, float b, int c, int d, int e) {
    (void)c;
    SViewModel* models[3] = {m_pViewModel, m_pAttachments[0], m_pAttachments[1]};
    switch (command) {
    case -2:
        m_bViewModelOverlay = 1;
        m_fViewModelOffset = b;
        for (SViewModel* model : models)
            if (model != nullptr)
                model->m_bHidden = 0;
        SD3D6Parser::s_bViewModelsAfterOverlays = true;
        break;
    case -3:
        m_bViewModelOverlay = 0;
        for (SViewModel* model : models)
            if (model != nullptr)
                model->m_bHidden = 1;
        SD3D6Parser::s_bViewModelsAfterOverlays = false;
        break;
    case -4: SD3D6Parser::s_bNightVision = true; break;
    case -5: SD3D6Parser::s_bNightVision = false; break;
    case -6:
    case -7: {
        SViewModel* attachment = m_pAttachments[command == -6 ? 0 : 1];
        SSMHandle* instance = attachment != nullptr ? attachment->m_pModel : nullptr;
        const int frames = instance != nullptr ? instance->GetAnimFrameCount(0) : 0;
        // A model without frames has nothing to select; the factor is kept within the frames.
        if (frames > 0) {
            int frame = static_cast<int>(static_cast<float>(frames - 1) * b);
            frame = std::clamp(frame, 0, frames - 1);
            instance->SetFrame(static_cast<int16_t>(frame));
        }
        break;
    }
    case -10:
        if (a >= 0 && m_pViewModel == nullptr) {
            m_pViewModel = CreateViewModel(a);
            if (d >= 0)
                m_pAttachments[0] = CreateViewModel(d);
            if (e >= 0)
                m_pAttachments[1] = CreateViewModel(e);
            SetHostScreenViewModels(m_pViewModel, m_pAttachments[0], m_pAttachments[1]);
        }
        break;
    case -11:
        SD3D6Parser::s_bCentredOverlay = true;
        SD3D6Parser::s_iCentredIndex = a;
        SD3D6Parser::s_fCentredScale = b;
        break;
    case -12: SD3D6Parser::s_bCentredOverlay = false; break;
    case -13: SD3D6Parser::s_bRedFlash = true; break;
    case -14: SD3D6Parser::s_bRedFlash = false; break;
    default: break;
    }
    return 0;
}

void SGameScreen::DeleteViewModels() {
    SetHostScreenViewModels(nullptr, nullptr, nullptr);
    delete m_pTexturePassSurface;
    delete m_pViewModel;
    delete m_pAttachments[0];
    delete m_pAttachments[1];
    m_pTexturePassSurface = nullptr;
    m_pViewModel = nullptr;
    m_pAttachments[0] = nullptr;
    m_pAttachments[1] = nullptr;
}

void SGameScreen::RenderViewModelTexture() {
    // Nothing in the host chooses a target texture, so the pass only follows the index.
    m_iPrevViewModelTexture = m_iViewModelTexture;
}

void SGameScreen::ReleaseDeviceObjects() {
    SAppScreen::ReleaseDeviceObjects();
    delete m_pTexturePassSurface;
    m_pTexturePassSurface = nullptr;
    for (STextureLayout* overlay : m_TextureLayouts) {
        delete overlay->m_pSurface;
        overlay->m_pSurface = nullptr;
        overlay->m_bCaptured = 0;
    }
}

void SGameScreen::RestoreDeviceObjects(SGraphics* pDisplay) { SAppScreen::RestoreDeviceObjects(pDisplay); }
