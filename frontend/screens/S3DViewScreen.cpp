#include "frontend/screens/S3DViewScreen.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/CMainFrame.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SHostCallbacks.h"
#include "app/actors/SActor.h"
#include "app/actors/SActorWorld.h"
#include "dx/display/SGraphics.h"
#include "render/SD3D6Parser.h"
#include "ui/SDC.h"

IMPLEMENT_DYNAMIC(S3DViewScreen, SAppScreen)

namespace {

constexpr int kWorldCapacity = 32;
constexpr const char* kBackgroundCommand = "cmd;%d %d modelbackground";

SGameObjects* Hub() { return SGameObjects::Instance(); }

SD3D6Parser* Renderer() {
    SGameItems* items = Hub()->m_pGameItems;
    return items != nullptr ? items->m_pParser : nullptr;
}

const CGraphicsData* GraphicsConfig() {
    const CConfigData* config = Hub()->m_pConfig;
    return config != nullptr ? config->m_pGraphics : nullptr;
}

float Wrap360(float angle) {
    angle = std::fmod(angle, 360.0f);
    return angle < 0.0f ? angle + 360.0f : angle;
}

SString BackgroundCommand(const view_desc_t& desc) {
    SString text;
    text.Format(kBackgroundCommand, desc.m_iRight - desc.m_iLeft, desc.m_iBottom - desc.m_iTop);
    return text;
}

}  // namespace

S3DViewScreen::S3DViewScreen() : m_pWorld(new SActorWorld) {}

S3DViewScreen::~S3DViewScreen() { delete m_pWorld; }

const char* S3DViewScreen::GetTitle() { return ""; }
const char* S3DViewScreen::GetLayoutGroup() { return ""; }
const char* S3DViewScreen::GetLayoutName() { return ""; }
const char* S3DViewScreen::GetMusicName() { return nullptr; }

SModelViewInfo& S3DViewScreen::SessionRecord() {
    static SModelViewInfo s_record;
    return s_record;
}

float S3DViewScreen::ClampFieldOfView(float fov, float minFov, float maxFov) {
    if (fov < minFov)
        fov = minFov;
    if (fov > maxFov)
        fov = maxFov;
    return fov;
}

SVector S3DViewScreen::TurnAngles(const SVector& start, int pressX, int pressY, int x, int y,
                                  const view_desc_t& desc) {
    SVector angles(Wrap360(start.x + static_cast<float>(pressY - y) * kTurnRate),
                   Wrap360(start.y + static_cast<float>(pressX - x) * kTurnRate), Wrap360(start.z));
    const float yawLow = desc.m_fYawCentre - desc.m_fYawRange;
    const float yawHigh = desc.m_fYawCentre + desc.m_fYawRange;
    if (angles.y < yawLow)
        angles.y = yawLow;
    if (angles.y > yawHigh)
        angles.y = yawHigh;
    if (angles.x > 180.0f) {
        const float low = 360.0f - desc.m_fPitchCentre - desc.m_fPitchRange;
        if (angles.x < low)
            angles.x = low;
    } else if (angles.x < 180.0f) {
        const float high = desc.m_fPitchCentre + desc.m_fPitchRange;
        if (angles.x > high)
            angles.x = high;
    }
    const float pitchLow = desc.m_fPitchCentre - desc.m_fPitchRange;
    if (angles.x < pitchLow)
        angles.x = pitchLow;
    return angles;
}

float S3DViewScreen::ZoomFieldOfView(float start, int pressY, int y, const view_desc_t& desc) {
    float fov = start + static_cast<float>(y - pressY) * kZoomRate;
    if (fov > desc.m_fMaxFov)
        fov = desc.m_fMaxFov;
    if (fov < desc.m_fMinFov)
        fov = desc.m_fMinFov;
    return fov;
}

float S3DViewScreen::RangeWeight(int a, int b, int x) {
    if (b >= a)
        return a <= x && x <= b ? 1.0f : 0.0f;
    return x < b || x > a ? 1.0f : 0.0f;
}

float S3DViewScreen::RangeWeightCallback(int32_t a, int32_t b, int32_t x, int32_t, int32_t) {
    return RangeWeight(a, b, x);
}

void S3DViewScreen::AttachSceneToActors() { m_pWorld->ReloadActorModels(); }

void S3DViewScreen::OnCameraUpdate(SActor*) {}

void S3DViewScreen::ResetFieldOfView() { m_fFieldOfView = kDefaultFov; }

bool S3DViewScreen::ModelBackgroundWanted() const {
    const CGraphicsData* graphics = GraphicsConfig();
    return graphics != nullptr && graphics->m_iBackgroundQuality != 0;
}

void S3DViewScreen::InitViewSession() {
    SD3D6Parser* renderer = Renderer();
    const CGraphicsData* graphics = GraphicsConfig();
    const view_desc_t* desc = GetViewDesc();
    if (renderer == nullptr || graphics == nullptr || desc == nullptr)
        return;
    // The renderer asks the host for the description of each actor it draws.
    renderer->SetCallback1(&HostActorCallback);
    SModelViewInfo& record = SessionRecord();
    record.Field(4) = desc->m_iSessionValue1;
    record.Field(3) = desc->m_iSessionValue2;
    record.Field(0) = graphics->m_iViewportIndex;
    record.Field(1) = graphics->m_iTextureQuality;
    record.Field(5) = graphics->m_bWBuffering;
    record.Field(6) = graphics->m_bDepthBuffer16Bit;
    record.Field(7) = graphics->m_bTexDetail;
    record.Field(9) = graphics->m_iColorDepth;
    record.Field(10) = graphics->m_bAlphaSprites;
    record.Field(11) = graphics->m_iSoftSprites;
    record.Field(14) = graphics->m_iAnimationQuality;
    if (ModelBackgroundWanted()) {
        record.Field(18) = 1;
        record.m_sField17 = BackgroundCommand(*desc);
    } else {
        record.Field(18) = 0;
    }
    // Without a weight every texture list of the models would come out empty.
    renderer->SetCallback4(
        reinterpret_cast<SParser::Callback4>(reinterpret_cast<void (*)()>(&RangeWeightCallback)));
    const int steps = renderer->GetSessionStepCount(1);
    for (int step = 0; step < steps; ++step)
        renderer->InitSession(1, &record, step);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
}

void S3DViewScreen::UpdateViewSession() {
    SD3D6Parser* renderer = Renderer();
    const CGraphicsData* graphics = GraphicsConfig();
    const view_desc_t* desc = GetViewDesc();
    if (renderer == nullptr || graphics == nullptr)
        return;
    SModelViewInfo& record = SessionRecord();
    if (desc != nullptr) {
        record.Field(4) = desc->m_iSessionValue1;
        record.Field(3) = desc->m_iSessionValue2;
    }
    record.Field(1) = graphics->m_iTextureQuality;
    renderer->SetSessionParams(&record);
}

void S3DViewScreen::ViewWorld() {
    SActor* focus = m_pWorld->GetFocusActor();
    if (focus == nullptr)
        return;
    // Nothing ticks the page's world, so the viewpoint kept from the last look would never see
    // the camera the page has moved since.
    focus->InvalidateViewpoint();
    m_pWorld->UpdateCamera(m_fFieldOfView);
}

void S3DViewScreen::Activate() {
    view_desc_t* desc = GetViewDesc();
    SGameItems* items = Hub()->m_pGameItems;
    m_pWorld->Init(Renderer(), items != nullptr ? items->m_pSound : nullptr, Hub()->m_sBasePath.GetString(),
                   kWorldCapacity);
    m_fFieldOfView = desc != nullptr ? ClampFieldOfView(kDefaultFov, desc->m_fMinFov, desc->m_fMaxFov) : kDefaultFov;
    SD3D6Parser* renderer = Renderer();
    if (renderer != nullptr && renderer->m_iSessionMode != 0 && renderer->m_iSessionMode != 1) {
        const int steps = renderer->GetEndSessionStepCount(renderer->m_iSessionMode);
        for (int step = 0; step < steps; ++step)
            renderer->EndSession(step);
    }
    if (renderer != nullptr && renderer->m_iSessionMode == 0)
        InitViewSession();
    if (renderer != nullptr && renderer->m_iSessionMode == 1 && desc != nullptr) {
        if (SGraphics* graphics = Hub()->m_pGraphics) {
            graphics->SetViewRect(desc->m_iLeft, desc->m_iTop, desc->m_iRight - desc->m_iLeft,
                                  desc->m_iBottom - desc->m_iTop);
        }
        AttachSceneToActors();
        if (desc->m_bInteractive != 0)
            ResetFieldOfView();
        m_pCamera = new SActor;
        m_pCamera->m_sName = "Camera";
        m_pWorld->AddActor(m_pCamera, 0, -1);
        m_pWorld->SetFocusActor(m_pCamera);
        m_pWorld->PlaceAllActors();
        ViewWorld();
        if (SGraphics* graphics = Hub()->m_pGraphics)
            graphics->SetDrawScene(1);
        UpdateViewSession();
    }
    m_byActive = 1;
    SAppScreen::Activate();
}

void S3DViewScreen::Deactivate() {
    view_desc_t* desc = GetViewDesc();
    if (SGraphics* graphics = Hub()->m_pGraphics)
        graphics->SetDrawScene(0);
    m_pWorld->Clear();
    m_pCamera = nullptr;
    if (desc != nullptr)
        desc->m_pShownActor = nullptr;
    m_byActive = 0;
    m_iDragMode = 0;
    SAppScreen::Deactivate();
}

void S3DViewScreen::Update() {
    SAppScreen::Update();
    UpdateViewSession();
    OnCameraUpdate(m_pCamera);
    ViewWorld();
}

int S3DViewScreen::Draw(SDC* pDC) {
    const bool firstPaint = m_bVoiceOverStarted == 0;
    const int result = SAppScreen::Draw(pDC);
    const view_desc_t* desc = GetViewDesc();
    if (firstPaint && m_byBackgroundSent == 0 && desc != nullptr && ModelBackgroundWanted()) {
        m_byBackgroundSent = 1;
        SessionRecord().m_sField17 = BackgroundCommand(*desc);
        const sys::RECT rect{desc->m_iLeft, desc->m_iTop, desc->m_iRight, desc->m_iBottom};
        if (SGraphics* graphics = Hub()->m_pGraphics)
            graphics->SendViewCommand(SessionRecord().m_sField17.GetString(), &rect);
    }
    return result;
}

void S3DViewScreen::OnLButtonDown(uint32_t nFlags, int x, int y) {
    m_iDragMode = 0;
    const view_desc_t* desc = GetViewDesc();
    if (GetModalParent() == 0 && desc != nullptr && desc->m_bInteractive != 0 && desc->Contains(x, y)) {
        m_iPressX = x;
        m_iPressY = y;
        if (desc->m_pShownActor != nullptr)
            m_vDragAngles = desc->m_pShownActor->m_vOrientation;
        m_iDragMode = 1;
    }
    SAppScreen::OnLButtonDown(nFlags, x, y);
}

void S3DViewScreen::OnRButtonDown(uint32_t nFlags, int x, int y) {
    m_iDragMode = 0;
    const view_desc_t* desc = GetViewDesc();
    if (desc != nullptr && desc->m_bInteractive != 0 && desc->Contains(x, y)) {
        m_iPressX = x;
        m_iPressY = y;
        m_fDragFov = m_fFieldOfView;
        m_iDragMode = 2;
    }
    SAppScreen::OnRButtonDown(nFlags, x, y);
}

void S3DViewScreen::OnLButtonUp(uint32_t nFlags, int x, int y) {
    m_iDragMode = 0;
    SAppScreen::OnLButtonUp(nFlags, x, y);
}

void S3DViewScreen::OnRButtonUp(uint32_t nFlags, int x, int y) {
    m_iDragMode = 0;
    SAppScreen::OnRButtonUp(nFlags, x, y);
}

void S3DViewScreen::OnLButtonDblClk(uint32_t nFlags, int x, int y) {
    m_iDragMode = 0;
    const view_desc_t* desc = GetViewDesc();
    if (desc != nullptr && desc->m_bInteractive != 0)
        ResetFieldOfView();
    SAppScreen::OnLButtonDblClk(nFlags, x, y);
}

void S3DViewScreen::OnMouseMove(uint32_t nFlags, int x, int y) {
    const view_desc_t* desc = GetViewDesc();
    const bool inClient = x >= 0 && y >= 0 && x < CMainFrame::kClientWidth && y < CMainFrame::kClientHeight;
    if (inClient && desc != nullptr && desc->m_bInteractive != 0) {
        if (m_iDragMode == 1) {
            const SVector angles = TurnAngles(m_vDragAngles, m_iPressX, m_iPressY, x, y, *desc);
            if (desc->m_pShownActor != nullptr)
                desc->m_pShownActor->m_vOrientation = angles;
        } else if (m_iDragMode == 2) {
            m_fFieldOfView = ZoomFieldOfView(m_fDragFov, m_iPressY, y, *desc);
        }
    }
    SAppScreen::OnMouseMove(nFlags, x, y);
}
