#include "app/actors/SActor.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "app/actors/SActorWorld.h"
#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "core/SDataCollection.h"
#include "sys/classlib/CArchive.h"
#include "sys/text.h"
#include "sys/classlib/CStringList.h"

IMPLEMENT_SERIAL(SActor, CObject, 1)

namespace {

struct FlagName {
    const char* name;
    bool stateWord;  // flags B
    uint32_t value;
};

constexpr FlagName kFlagNames[] = {
    {"Visible", false, 0x1},           {"Itterative", false, 0x2},      {"CollidePush", false, 0x4},
    {"DestroyMe", false, 0x8},         {"Collide", false, 0x10},        {"ClipToGround", false, 0x20},
    {"ClipToWater", false, 0x40},      {"ClipToWorld", false, 0x80},    {"Trace", false, 0x100},
    {"Killable", false, 0x200},        {"ServerOnly", false, 0x400},    {"PitchToSlope", false, 0x800},
    {"Aquatic", false, 0x8000},        {"Terrestrial", false, 0x10000}, {"FaceVelocity", false, 0x20000},
    {"OrientVelocity", false, 0x40000}, {"FollowTarget", false, 0x80000}, {"IsChild", false, 0x100000},
    {"DescribeOffsets", false, 0x200000}, {"Smoothed", false, 0x400000}, {"NoMech", false, 0x2000000},
    {"NoUpdates", false, 0x4000000},   {"Flying", true, 0x1},           {"Running", true, 0x2},
    {"SlopeEffect", true, 0x4},        {"Falling", true, 0x8},          {"OnGround", true, 0x10},
    {"Kicking", true, 0x20},           {"Wobbling", true, 0x40},        {"Bobbing", true, 0x80},
    {"Crouching", true, 0x100},
};

const FlagName* FindFlag(const char* name) {
    if (name == nullptr) {
        return nullptr;
    }
    for (const FlagName& flag : kFlagNames) {
        if (sys::text::EqualNoCase(flag.name, name)) {
            return &flag;
        }
    }
    return nullptr;
}

// The 32-metre quad of a coordinate. A stored position may be anywhere: one past the range of
// the whole-metre count reads as its end, one that is not a number as 0.
int QuadOf(float coordinate) {
    if (std::isnan(coordinate)) {
        return 0;
    }
    const float metres = std::fmax(std::fmin(coordinate, 2147483520.0f), -2147483648.0f);
    return static_cast<int>(metres) / 32;
}

// The actor side of actor sounds: viewpoint, velocity and family relation.
class ActorSoundHost : public SActorSoundHost {
public:
    void GetViewpoint(SActor* actor, SVector& position, SVector& angles) override {
        actor->GetViewpoint(position, angles);
    }
    SVector GetVelocity(SActor* actor) override { return actor->m_vVelocity; }
    bool IsRelated(SActor* actor, SActor* other) override { return actor->IsRelated(other, true, true); }
};

ActorSoundHost g_SoundHost;

}  // namespace

SActor::SActor() {
    if (SActorSound::GetHost() == nullptr) {
        SActorSound::SetHost(&g_SoundHost);
    }
    SActor::Reset();
}

SActor::~SActor() {
    ReleaseChildren();
    delete m_pModel;
    m_pModel = nullptr;
    while (!m_Sounds.IsEmpty()) {
        delete m_Sounds.RemoveHead();
    }
    delete m_pProperties;
    m_pProperties = nullptr;
    delete m_pPendingLinks;
    m_pPendingLinks = nullptr;
    if (m_pParent != nullptr) {
        m_pParent->DetachChild(this);
    }
    delete[] m_ppChildDescs;
}

void SActor::Serialize(CArchive& ar) {
    SVector* const vectors[] = {&m_vPosition,     &m_vVectorA,     &m_vLastPlaced,    &m_vOrientation,
                                &m_vVelocity,     &m_vAcceleration, &m_vBoundsMin,    &m_vBoundsMax,
                                &m_vVectorB,      &m_vOffsetAngles, &m_vOffsetPosition, &m_vLockedAngles,
                                &m_vLockedGive,   &m_vVectorC,     &m_vVectorD};
    float* const floats[] = {&m_fFactor1, &m_fFactor2, &m_fHeight, &m_fEnergy,
                             &m_fWadingDepth, &m_fRange, &m_fDrawScale};
    if (ar.IsStoring()) {
        ar << int32_t{2};
        m_sClassName.Serialize(ar);
        m_sModelPath.Serialize(ar);
        for (float* value : floats) {
            ar << *value;
        }
        ar << m_dwFlagsA << m_dwFlagsB << m_fLimit1 << m_fLimit2;
        for (SVector* vector : vectors) {
            vector->Write(ar);
        }
        ar << m_iTargetIndex;
        return;
    }
    int32_t version = 0;
    ar >> version;
    m_sClassName.Serialize(ar);
    m_sModelPath.Serialize(ar);
    for (float* value : floats) {
        ar >> *value;
    }
    ar >> m_dwFlagsA >> m_dwFlagsB >> m_fLimit1 >> m_fLimit2;
    for (SVector* vector : vectors) {
        vector->Read(ar);
    }
    if (version >= 2) {
        ar >> m_iTargetIndex;
    }
}

void SActor::Describe(CStringList* lines) {
    if (lines == nullptr) {
        return;
    }
    CString text;
    text.Format("Actor: %s", m_sClassName.GetString());
    lines->AddTail(text);
    text.Format("Position [M]:\t%s (Quad %d, %d)", m_vPosition.ToString().GetString(), QuadOf(m_vPosition.x),
                QuadOf(m_vPosition.z));
    lines->AddTail(text);
    const struct {
        const char* format;
        const SVector* value;
    } vectors[] = {
        {"Offset Position [M]: %s", &m_vOffsetPosition}, {"Velocity [M/s]: %s", &m_vVelocity},
        {"Acceleration [M/s]: %s", &m_vAcceleration},    {"Orientation [A]: %s", &m_vOrientation},
        {"Offset Angles [A]: %s", &m_vOffsetAngles},     {"Locked Angles [A]: %s", &m_vLockedAngles},
        {"Locked Give [A]: %s", &m_vLockedGive},
    };
    for (const auto& line : vectors) {
        text.Format(line.format, line.value->ToString().GetString());
        lines->AddTail(text);
    }
    text.Format("Speed %%: %f (Energy %f)", static_cast<double>(m_fSpeed), static_cast<double>(m_fEnergy));
    lines->AddTail(text);
    text.Format("Grounded: %s", HasFlagB(kOnGround) ? "Yes" : "No");
    lines->AddTail(text);
    lines->AddTail(CString());
}

void SActor::SetModelInstance(SSMHandle* instance) {
    if (instance == nullptr) {
        return;
    }
    if (instance != m_pModel) {
        delete m_pModel;
        m_pModel = instance;
    }
    int16_t group = instance->FindGroup("Normal");
    if (group == -1) {
        group = instance->FindGroup("Camera");
    }
    if (group != -1) {
        instance->SetCurrentGroup(group);
    }
    instance->SetScale(8.0f);
    if (instance->GetModel() != nullptr && instance->GetModel()->m_nAnims > 0) {
        instance->SetAnimated(1);
    } else {
        instance->SetAnimated(0);
        instance->SetFrame(0);
    }
}

void SActor::SetModel(const char* path) {
    // The path may be our own model path, which the assignment below replaces.
    const SString newPath(path != nullptr ? path : "");
    delete m_pModel;
    m_pModel = nullptr;
    m_nTextureId = -1;
    m_sModelPath = newPath;
    if (m_pWorld == nullptr || newPath.IsEmpty()) {
        return;
    }
    if (newPath.FindOneOf(":.\\/") >= 0) {
        if (SSMHandle* instance = m_pWorld->LoadSceneDefinition(newPath.GetString())) {
            SetModelInstance(instance);
            return;
        }
    }
    m_nTextureId = m_pWorld->GetTextureId(newPath.GetString());
}

void SActor::AddSound(SActorSound*& sound) {
    if (sound == nullptr) {
        return;
    }
    POSITION position = m_Sounds.GetHeadPosition();
    while (position != nullptr) {
        SActorSound* existing = m_Sounds.GetNext(position);
        if (existing != nullptr && std::strcmp(existing->GetName().GetString(), sound->GetName().GetString()) == 0) {
            delete sound;
            sound = nullptr;
            return;
        }
    }
    m_Sounds.AddTail(sound);
}

void SActor::RemoveSound(const char* name) {
    if (name == nullptr) {
        return;
    }
    POSITION position = m_Sounds.GetHeadPosition();
    while (position != nullptr) {
        const POSITION current = position;
        SActorSound* sound = m_Sounds.GetNext(position);
        if (sound != nullptr && std::strcmp(sound->GetName().GetString(), name) == 0) {
            m_Sounds.RemoveAt(current);
            delete sound;
        }
    }
}

int SActor::HandleMessage(int, int, int) { return 0; }

void SActor::UpdateSounds(SActor* listener, float frameTime) {
    POSITION position = m_Sounds.GetHeadPosition();
    while (position != nullptr) {
        const POSITION current = position;
        SActorSound* sound = m_Sounds.GetNext(position);
        if (sound == nullptr) {
            continue;
        }
        sound->Update(listener, frameTime);
        if (sound->m_bFinished != 0) {
            m_Sounds.RemoveAt(current);
            delete sound;
        }
    }
}

SActorList* SActor::GetChildren() { return m_pChildren; }

int SActor::OnEvent(int) { return 0; }
void SActor::Hook0() {}
void SActor::Hook1(int) {}
void SActor::Hook2(int, int) {}
int SActor::Hook3(int) { return 0; }

int SActor::OnSceneChanged(SParser*) {
    SetModel(m_sModelPath.GetString());
    return 1;
}

void SActor::MeasureFocusDistance() {
    SActor* focus = m_pWorld != nullptr ? m_pWorld->GetFocusActor() : nullptr;
    if (focus == nullptr) {
        return;
    }
    const SVector offset = focus->m_vPosition - m_vPosition;
    m_fFocusDistance = std::sqrt(offset.Dot(offset));
}

void SActor::MeasureFocusBearing() {
    SActor* focus = m_pWorld != nullptr ? m_pWorld->GetFocusActor() : nullptr;
    if (focus == nullptr) {
        return;
    }
    m_fFocusBearing = (focus->m_vPosition - m_vPosition).ToAngles().y;
}

float SActor::GetWorldValue() { return m_pWorld != nullptr ? m_pWorld->m_fWorldValue : 0.0f; }

void SActor::Reset() {
    m_sName = "";
    m_iValue1 = 0;
    m_vExtraAngles = SVector();
    m_sClassName = "Actor";
    m_vPosition = m_vLastPlaced = m_vVectorA = m_vOrientation = m_vVelocity = SVector();
    m_vVectorB = m_vAcceleration = m_vOffsetAngles = m_vOffsetPosition = SVector();
    m_vBoundsMin = SVector(-1.0f, -1.0f, -1.0f);
    m_vBoundsMax = SVector(1.0f, 1.0f, 1.0f);
    m_vLockedAngles = SVector(-1.0f, -1.0f, 0.0f);
    m_vLockedGive = m_vVectorC = m_vVectorD = SVector();
    m_fFactor1 = m_fFactor2 = 2.0f;
    m_fHeight = 1.875f;
    m_fWadingDepth = 0.2f;
    m_fFactor3 = 0.5f;
    m_fRange = 1600.0f;
    m_fEnergy = 100.0f;
    m_fDrawScale = 1.0f;
    m_fSpeed = 1.0f;
    m_fFocusDistance = m_fFocusBearing = 0.0f;
    m_fLimit1 = -1.0f;
    m_fLimit2 = 360.0f;
    m_fFactor4 = m_fFactor5 = 1.0f;
    m_nCounter1 = 25;
    m_nCounter2 = 0;
    m_Desc = ActorDesc();
    // The description's owner word carries our address, so that "belongs to an actor" can be
    // told from it and a shot that hits an attached part leads back to us.
    m_Desc.m_dwOwner = reinterpret_cast<uintptr_t>(this);
    m_Desc.m_fScale = 1.0f;
    m_Desc.m_dwFlags = 4;
    m_pParent = nullptr;
    m_pChildren = nullptr;
    m_ppChildDescs = nullptr;
    m_pTarget = nullptr;
    m_iTargetIndex = -1;
    m_dwFlagsA = kDefaultFlagsA;
    m_dwFlagsB = 0;
    m_pModel = nullptr;
    m_sModelPath = "";
    m_nTextureId = -1;
    m_bPlaced = 0;
    m_bNotOwned = 0;
    m_iUpdateStamp = 0;
    m_iCachedStamp = -1;
    m_pWorld = nullptr;
    m_pProperties = nullptr;
    m_pPendingLinks = nullptr;
}

void SActor::SetFlag(const char* name, bool on) {
    const FlagName* flag = FindFlag(name);
    if (flag == nullptr) {
        return;
    }
    uint32_t& word = flag->stateWord ? m_dwFlagsB : m_dwFlagsA;
    word = on ? (word | flag->value) : (word & ~flag->value);
}

int SActor::GetFlag(const char* name) const {
    const FlagName* flag = FindFlag(name);
    if (flag == nullptr) {
        return 0;
    }
    if (flag->stateWord && flag->value == kRunning) {
        return (m_dwFlagsB & (kRunning | kRunningToo)) != 0 ? 1 : 0;
    }
    return ((flag->stateWord ? m_dwFlagsB : m_dwFlagsA) & flag->value) != 0 ? 1 : 0;
}

SDataCollection* SActor::GetProperties() {
    if (m_pProperties == nullptr) {
        m_pProperties = new SDataCollection();
    }
    return m_pProperties;
}

void SActor::AddPoint(const SVector& point) { m_Points.Add(point); }

void SActor::ClearPoints() { m_Points.RemoveAll(); }

void SActor::AddPendingLink(uint16_t word) {
    if (m_pPendingLinks == nullptr) {
        m_pPendingLinks = new SAttachmentInfoList();
    }
    m_pPendingLinks->Add(word);
}

bool SActor::IsRelated(const SActor* other, bool up, bool down) const {
    if (other == nullptr) {
        return false;
    }
    if (other == this) {
        return true;
    }
    if (up) {
        int depth = 0;
        for (const SActor* parent = m_pParent; parent != nullptr && depth < kMaxChainDepth;
             parent = parent->m_pParent, ++depth) {
            if (parent == other) {
                return true;
            }
        }
    }
    if (down) {
        return other->IsRelated(this, true, false);
    }
    return false;
}
