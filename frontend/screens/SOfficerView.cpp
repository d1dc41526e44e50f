#include "frontend/screens/SOfficerView.h"

#include <string>

#include "app/SGameDLL.h"
#include "app/SGameObjects.h"
#include "app/actors/SActor.h"
#include "app/actors/SActorWorld.h"
#include "core/SObjectDef.h"
#include "ui/SScreen.h"

namespace {

float ValueOr(const SObjectDef* definition, const char* key, float fallback) {
    if (definition == nullptr || definition->GetValueByName(key).IsEmpty())
        return fallback;
    return definition->GetFloatByName(key);
}

// The model files name their folders the other way round.
std::string ForwardSlashes(const char* path) {
    std::string text = path != nullptr ? path : "";
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    return text;
}

}  // namespace

SOfficerView::Settings SOfficerView::ReadSettings(const SObjectDef* definition) {
    Settings settings;
    settings.turn = ValueOr(definition, "Pitch", settings.turn);
    settings.yaw = ValueOr(definition, "Yaw", settings.yaw);
    settings.distance = ValueOr(definition, "ViewDistance", settings.distance);
    settings.height = ValueOr(definition, "Height", settings.height);
    settings.scale = ValueOr(definition, "Scale", settings.scale);
    settings.x = ValueOr(definition, "XPos", settings.x);
    settings.minFov = ValueOr(definition, "MinFOV", settings.minFov);
    settings.maxFov = ValueOr(definition, "MaxFOV", settings.maxFov);
    // A definition that gives no upper bound keeps the whole range rather than a closed view.
    if (settings.maxFov <= 0.0f)
        settings.maxFov = 180.0f;
    return settings;
}

void SOfficerView::Configure(SScreen* layout, int32_t sessionValue) {
    const SWindow* window = layout != nullptr ? layout->FindChild(kViewWindow) : nullptr;
    m_bHasView = window != nullptr;
    if (!m_bHasView)
        return;
    SGameDLL* library = SGameObjects::Instance()->m_pGameDLL;
    SObjectDefList* objects = library != nullptr ? library->GetObjectList() : nullptr;
    m_Settings = ReadSettings(objects != nullptr ? objects->FindByName(kDefinition) : nullptr);
    const sys::RECT& rc = window->GetWindowRect();
    m_Desc = view_desc_t{};
    m_Desc.m_iLeft = rc.left;
    m_Desc.m_iTop = rc.top;
    m_Desc.m_iRight = rc.right;
    m_Desc.m_iBottom = rc.bottom;
    m_Desc.m_iSessionValue1 = sessionValue;
    m_Desc.m_bInteractive = 1;
    m_Desc.m_fMinFov = m_Settings.minFov;
    m_Desc.m_fMaxFov = m_Settings.maxFov;
    m_Desc.m_pShownActor = m_pOfficer;
}

void SOfficerView::PlaceCamera(SActor* camera) const {
    if (camera == nullptr)
        return;
    camera->m_vPosition = SVector(m_Settings.x, m_Settings.height, -m_Settings.distance);
    camera->m_vOrientation = SVector(0.0f, m_Settings.yaw, 0.0f);
}

void SOfficerView::Show(SActorWorld* world, const SActor* camera, const char* modelPath) {
    if (world == nullptr || camera == nullptr || !m_bHasView)
        return;
    const std::string path = ForwardSlashes(modelPath);
    if (m_pOfficer == nullptr) {
        m_pOfficer = new SActor;
        m_pOfficer->m_sName = "Officer";
        m_pOfficer->m_vOrientation = SVector(0.0f, m_Settings.turn, 0.0f);
        world->AddActor(m_pOfficer, 0, -1);
        world->PlaceAllActors();
    }
    m_pOfficer->m_fDrawScale = m_Settings.scale;
    m_Desc.m_pShownActor = m_pOfficer;
    if (path != m_pOfficer->m_sModelPath.GetString())
        m_pOfficer->SetModel(path.c_str());
}

void SOfficerView::Forget() {
    m_pOfficer = nullptr;
    m_Desc.m_pShownActor = nullptr;
}
