#include "assets/models/SViewModel.h"

#include <atomic>
#include <cmath>
#include <cstdio>

#include "app/actors/SActorWorld.h"
#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "render/parser/SParser.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CStringList.h"

IMPLEMENT_SERIAL(SViewModel, SActor, 1)

namespace {

constexpr float kToScene = 8.0f;
constexpr float kDegreesPerRadian = 57.29578f;
constexpr float kRadiansPerDegree = 0.017453292f;
constexpr float kPi = 3.14159265f;
constexpr int16_t kCurrentAnim = -1;  // 0xFFFF: the handle's current animation

// Numbers the view models of the whole process in the order they are initialised.
std::atomic<int> s_iNextNumber{1};

}  // namespace

SViewModel::SViewModel() { Init(); }

SViewModel::~SViewModel() { DeleteTriggers(); }

void SViewModel::Init() {
    const int number = s_iNextNumber.fetch_add(1);
    m_sClassName.Format("ViewModel%d", number);
    m_iRotateType = kSyncPitchAndYaw;
    SetFlag("ClipToGround", false);
    SetFlag("Flying", true);
    m_pOwner = nullptr;
    m_pRenderer = nullptr;
    m_Desc.m_fScale = 1.0f;
    m_fScale = 1.0f;
    m_fKickDecay = 0.0f;
    m_pfnTrigger = nullptr;
}

void SViewModel::DeleteTriggers() {
    while (!m_Triggers.IsEmpty())
        delete m_Triggers.RemoveHead();
}

const char* SViewModel::RotateTypeName(int type) {
    switch (type) {
        case kSyncYaw:
            return "Sync Yaw";
        case kSyncPitchAndYaw:
            return "Sync Pitch and Yaw";
        case kLockOwnerYaw:
            return "Lock Owner Yaw";
        default:
            return "Unknown!";
    }
}

SVector SViewModel::CameraAngles() {
    SVector angles;
    if (m_pWorld != nullptr)
        m_pWorld->GetViewAngles(&angles.x, &angles.y, &angles.z);
    else if (m_pRenderer != nullptr)
        m_pRenderer->GetViewAngles(&angles.x, &angles.y, &angles.z);
    return angles;
}

void SViewModel::SetRotateType(int type) {
    const bool pitchSwitch = (m_iRotateType == kSyncYaw && type == kSyncPitchAndYaw) ||
                             (m_iRotateType == kSyncPitchAndYaw && type == kSyncYaw);
    if (pitchSwitch) {
        float pitch = CameraAngles().x;
        // Without an animation to spread it over, a kick would never decay; none is given.
        const float length = m_pModel != nullptr ? m_pModel->GetAnimTotalTime(kCurrentAnim) : 0.0f;
        if (length > 0.0f) {
            if (pitch > kPi)
                pitch -= 2.0f * kPi;
            m_fKickDecay = std::fabs(pitch) / length;
            m_vPitchKick = SVector(pitch, 0.0f, 0.0f);
        } else {
            m_fKickDecay = 0.0f;
            m_vPitchKick = SVector();
        }
    }
    m_iRotateType = type;
}

void SViewModel::Describe(CStringList* lines) {
    if (lines == nullptr)
        return;
    CString text;
    text.Format("View Model: %s [%s]", m_sClassName.GetString(), m_sModelPath.GetString());
    lines->AddTail(text);
    text.Format("Rotate Type: %s", RotateTypeName(m_iRotateType));
    lines->AddTail(text);
    text.Format("Position (map coords): %f, %f, %f", static_cast<double>(m_Desc.m_vPosition.x),
                static_cast<double>(m_Desc.m_vPosition.y), static_cast<double>(m_Desc.m_vPosition.z));
    lines->AddTail(text);
    text.Format("Orientation (radians): %f, %f, %f", static_cast<double>(m_Desc.m_vAngles.x),
                static_cast<double>(m_Desc.m_vAngles.y), static_cast<double>(m_Desc.m_vAngles.z));
    lines->AddTail(text);
    const int16_t anim = m_pModel != nullptr ? m_pModel->m_nCurAnim : -1;
    SSMObject* model = m_pModel != nullptr ? m_pModel->GetModel() : nullptr;
    if (model != nullptr && anim >= 0 && static_cast<size_t>(anim) < model->m_anims.size()) {
        text.Format("Animation: %s (%d) Frame: %d (Global: %d)",
                    static_cast<const char*>(model->m_anims[static_cast<size_t>(anim)]->name), anim,
                    m_pModel->GetAnimStep(kCurrentAnim), m_pModel->GetFrame());
    } else {
        text.Format("Animation: (none) Frame: %d", m_pModel != nullptr ? m_pModel->GetFrame() : -1);
    }
    lines->AddTail(text);
}

ActorDesc* SViewModel::Update() {
    SVector place = m_vPosition + m_vOffsetPosition + m_vViewOffset;
    const SVector& offset = m_vOffsetAngles;
    if (HasFlagA(kVisible))
        m_Desc.m_dwFlags = 1;
    else
        m_Desc.m_dwFlags &= ~1u;
    if (m_pModel != nullptr) {
        m_Desc.m_pModel = m_pModel;
        m_Desc.m_nKind = 0;
        m_Desc.m_nSubKind = 0;
        const SVector camera = CameraAngles();
        if (m_pOwner != nullptr) {
            SVector turned = m_pOwner->m_vOffsetPosition;
            turned.RotateByAngles(SVector(0.0f, camera.y * kDegreesPerRadian, 0.0f));
            place = place + turned * m_fScale;
        }
        m_Desc.m_vPosition = place * kToScene;
        const float pitch = m_iRotateType == kSyncYaw ? camera.x - m_vPitchKick.x
                                                      : offset.x * kRadiansPerDegree + m_vPitchKick.x;
        const float yaw = m_iRotateType == kLockOwnerYaw ? camera.y : offset.y * kRadiansPerDegree;
        m_Desc.m_vAngles = SVector(pitch, yaw, offset.z * kRadiansPerDegree);
    }
    UpdateChildren();
    m_Desc.m_nChildCount = static_cast<int16_t>(m_pChildren != nullptr ? m_pChildren->GetCount() : 0);
    m_Desc.m_ppChildren = m_ppChildDescs;
    return &m_Desc;
}

int SViewModel::OnEvent(int amount) {
    SActor::OnEvent(amount);
    const float kick = m_vPitchKick.Length();
    if (kick != 0.0f) {
        float length = kick - static_cast<float>(amount) * m_fKickDecay;
        if (length < 0.0f)
            length = 0.0f;
        m_vPitchKick = m_vPitchKick * (length / kick);
    }
    int result = 0;
    if (m_pfnTrigger == nullptr)
        return result;
    for (POSITION position = m_Triggers.GetHeadPosition(); position != nullptr;) {
        SVMTrigger* trigger = m_Triggers.GetNext(position);
        if (TriggerFired(trigger))
            result = m_pfnTrigger(this, m_pOwner, trigger);
    }
    return result;
}

bool SViewModel::TriggerFired(SVMTrigger* trigger) {
    if (trigger == nullptr || m_pModel == nullptr || m_pModel->m_nCurAnim != trigger->m_iAnimation)
        return false;
    const int32_t animation = m_pModel->m_nCurAnim;
    const int32_t frame = m_pModel->GetAnimStep(kCurrentAnim);
    if (frame < trigger->m_iLastFrame || trigger->m_iLastAnimation != animation)
        trigger->m_iLastFrame = -1;
    const bool fired = frame >= trigger->m_iFrame && trigger->m_iLastFrame < trigger->m_iFrame;
    trigger->m_iLastFrame = frame;
    trigger->m_iLastAnimation = animation;
    return fired;
}
