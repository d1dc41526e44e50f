#include "app/actors/SActorWorld.h"

#include <cstring>

#include "dx/sound/SActorSound.h"
#include "render/parser/SParser.h"
#include "sys/classlib/CArchive.h"

IMPLEMENT_SERIAL(SActorWorld, CObject, 1)

SActorWorld::SActorWorld() : m_Date(1999, 8, 1, 0, 0, 0) { SActorWorld::ResetState(); }

SActorWorld::~SActorWorld() {
    Clear();
    m_Actors.RemoveAll();
    m_Deferred.RemoveAll();
    m_TextureCache.RemoveAll();
}

void SActorWorld::Serialize(CArchive& ar) { CObject::Serialize(ar); }

void SActorWorld::Reset() { ResetState(); }

void SActorWorld::Init(SParser* scene, SSound* sound, const char* basePath, int capacity) {
    Clear();
    m_pScene = scene;
    m_pSound = sound;
    m_sBasePath = basePath != nullptr ? basePath : "";
    m_Actors.SetSize(capacity > 0 ? capacity : 0, 32);
    for (int i = 0; i < m_Actors.GetSize(); ++i) {
        m_Actors.SetAt(i, nullptr);
    }
}

SSMHandle* SActorWorld::LoadSceneDefinition(const char* line) {
    if (m_pScene == nullptr || line == nullptr || line[0] == '\0') {
        return nullptr;
    }
    const SString text(line);
    if (std::strncmp(line, "id;", 3) == 0) {
        return m_pScene->LoadModels(text.Mid(3).GetString());
    }
    SString parts[3];
    int start = 0;
    for (int part = 0; part < 3; ++part) {
        const int colon = part < 2 ? text.Find(':', start) : -1;
        if (colon < 0) {
            parts[part] = text.Mid(start);
            start = text.GetLength();
            break;
        }
        parts[part] = text.Mid(start, colon - start);
        start = colon + 1;
    }
    if (parts[0].GetLength() == 1) {
        // A drive letter: the whole line names one file.
        SString joined = parts[0];
        joined += ":";
        joined += parts[1];
        parts[0] = joined;
        parts[1] = "";
        parts[2] = "";
    }
    if (!parts[0].IsEmpty() && !parts[1].IsEmpty() && !parts[2].IsEmpty()) {
        return m_pScene->LoadModelsFromHandler(parts[0].GetString(), parts[1].GetString(), parts[2].GetString());
    }
    if (!parts[0].IsEmpty() && !parts[1].IsEmpty()) {
        return m_pScene->LoadSSMModelsFromHandler(parts[0].GetString(), parts[1].GetString());
    }
    SString name = parts[0];
    const char* n = name.GetString();
    const bool relative = name.GetLength() >= 2 && std::strncmp(n, "//", 2) != 0 &&
                          std::strncmp(n, "\\\\", 2) != 0 && n[1] != ':';
    if (relative) {
        SString joined = m_sBasePath;
        if (n[0] != '\\' && n[0] != '/') {
            joined += "\\";
        }
        joined += name;
        name = joined;
    }
    return m_pScene->LoadModels(name.GetString());
}

int16_t SActorWorld::GetTextureId(const char* name) {
    if (name == nullptr) {
        return -1;
    }
    for (int i = 0; i < m_TextureCache.GetSize(); ++i) {
        if (std::strcmp(m_TextureCache[i].m_sName.GetString(), name) == 0) {
            return m_TextureCache[i].m_nId;
        }
    }
    if (m_pScene == nullptr) {
        return -1;
    }
    SCacheTexture entry;
    entry.m_sName = name;
    entry.m_nId = m_pScene->FindTexture(name, 0, 1);
    m_TextureCache.Add(entry);
    return entry.m_nId;
}

int SActorWorld::AddActor(SActor* actor, int place, int index) {
    if (actor == nullptr) {
        return -1;
    }
    if (index < 0) {
        index = m_iHighest + 1;
        for (int i = 0; i <= m_iHighest; ++i) {
            if (m_Actors.GetAt(i) == nullptr) {
                index = i;
                break;
            }
        }
    } else if (index < m_Actors.GetSize() && m_Actors.GetAt(index) != nullptr) {
        // The old actor leaves the table for good: forced, so that one the renderer cannot let
        // go of yet is queued for deletion instead of staying counted under the new one.
        DestroyActorAt(index, 1);
    }
    const int oldSize = m_Actors.GetSize();
    if (index >= oldSize) {
        m_Actors.SetSize(index + 1, 32);
        for (int i = oldSize; i <= index; ++i) {
            m_Actors.SetAt(i, nullptr);
        }
    }
    m_Actors.SetAt(index, actor);
    ++m_iCount;
    if (index > m_iHighest) {
        m_iHighest = index;
    }
    actor->m_pWorld = this;
    if (place != 0) {
        PlaceActor(actor, &actor->m_vPosition);
        actor->m_vLastPlaced = actor->m_vPosition;
    }
    return index;
}

int SActorWorld::FindActor(SActor* actor) {
    if (actor == nullptr) {
        return -1;
    }
    for (int i = 0; i <= m_iHighest && i < m_Actors.GetSize(); ++i) {
        if (m_Actors.GetAt(i) == actor) {
            return i;
        }
    }
    return -1;
}

SActor* SActorWorld::GetActor(int index) {
    if (index < 0 || index > m_iHighest || index >= m_Actors.GetSize()) {
        return nullptr;
    }
    return m_Actors.GetAt(index);
}

SActor* SActorWorld::RemoveActorAt(int index, int force) {
    SActor* actor = GetActor(index);
    return actor != nullptr ? RemoveActor(actor, force) : nullptr;
}

SActor* SActorWorld::RemoveActor(SActor* actor, int force) {
    const int index = FindActor(actor);
    if (index < 0) {
        return nullptr;
    }
    const bool clean = actor->m_bPlaced == 0 || UnplaceActor(actor);
    if (!clean && force == 0) {
        return nullptr;
    }
    --m_iCount;
    if (m_pFocus == actor) {
        SetFocusActor(nullptr);
    }
    m_Actors.SetAt(index, nullptr);
    RecomputeHighestIndex();
    return clean ? actor : nullptr;
}

void SActorWorld::ReleaseActors() {
    for (int i = m_iHighest; i >= 0; --i) {
        SActor* actor = i < m_Actors.GetSize() ? m_Actors.GetAt(i) : nullptr;
        if (actor != nullptr && UnplaceActor(actor)) {
            m_Actors.SetAt(i, nullptr);
            --m_iCount;
            if (m_pFocus == actor) {
                m_pFocus = nullptr;
            }
        }
    }
    RecomputeHighestIndex();
}

void SActorWorld::PlaceAllActors() {
    for (int i = 0; i <= m_iHighest; ++i) {
        if (SActor* actor = GetActor(i)) {
            PlaceActor(actor, &actor->m_vPosition);
        }
    }
}

void SActorWorld::UnplaceAllActors(int) {
    for (int i = 0; i <= m_iHighest; ++i) {
        if (SActor* actor = GetActor(i)) {
            UnplaceActor(actor);
        }
    }
}

SActor* SActorWorld::DestroyActorAt(int index, int force) {
    SActor* actor = GetActor(index);
    return actor != nullptr ? DestroyActor(actor, force) : nullptr;
}

SActor* SActorWorld::DestroyActor(SActor* actor, int force) {
    if (actor == nullptr) {
        return nullptr;
    }
    if (actor->m_pParent != nullptr) {
        actor->m_pParent->DetachChild(actor);
    }
    SActor* removed = RemoveActor(actor, force);
    if (removed != nullptr) {
        if (actor->m_bNotOwned != 0) {
            return actor;
        }
        if (m_pFocus == actor) {
            SetFocusActor(nullptr);
        }
        delete actor;
        return nullptr;
    }
    if (force != 0 && actor->m_bNotOwned == 0 && FindActor(actor) < 0) {
        m_Deferred.Add(actor);
    }
    return nullptr;
}

void SActorWorld::Clear() {
    for (int i = 0; i < m_Deferred.GetSize(); ++i) {
        delete m_Deferred.GetAt(i);
    }
    m_Deferred.RemoveAll();
    UnplaceAllActors(0);
    // Family links go first: actors die in table order, and none may reach a dead parent.
    for (int i = 0; i <= m_iHighest; ++i) {
        if (SActor* actor = GetActor(i)) {
            actor->ForgetFamily();
        }
    }
    for (int i = 0; i <= m_iHighest && i < m_Actors.GetSize(); ++i) {
        SActor* actor = m_Actors.GetAt(i);
        if (actor == nullptr) {
            continue;
        }
        UnplaceActor(actor);
        if (actor->m_bNotOwned == 0) {
            actor->m_Sounds.ForgetBuffers();
            POSITION position = actor->m_Sounds.GetHeadPosition();
            while (position != nullptr) {
                if (SActorSound* sound = actor->m_Sounds.GetNext(position)) {
                    sound->DetachActor();
                }
            }
            if (m_pFocus == actor) {
                m_pFocus = nullptr;
            }
            delete actor;
        }
        m_Actors.SetAt(i, nullptr);
    }
    ReleaseActors();
    ResetState();
}

void SActorWorld::DestroyMarkedActors() {
    for (int i = 0; i <= m_iHighest; ++i) {
        SActor* actor = GetActor(i);
        if (actor != nullptr && actor->HasFlagA(SActor::kDestroyMe)) {
            DestroyActorAt(i, 0);
        }
    }
}

bool SActorWorld::NameMatches(SActor* actor, const char* upperName) const {
    if (actor == nullptr) {
        return false;
    }
    SString className = actor->m_sClassName;
    className.MakeUpper();
    return className.Find(upperName) >= 0;
}

void SActorWorld::DestroyActorsByName(const char* name) {
    if (name == nullptr) {
        return;
    }
    SString upper(name);
    upper.MakeUpper();
    for (int i = 0; i <= m_iHighest; ++i) {
        SActor* actor = GetActor(i);
        if (NameMatches(actor, upper.GetString())) {
            DestroyActor(actor, 0);
        }
    }
}

void SActorWorld::UpdateCamera(float fieldOfView) {
    if (m_pFocus == nullptr) {
        return;
    }
    SVector position;
    SVector angles;
    GetViewpoint(position, angles);
    position *= kToScene;
    angles = SVector(angles.x * SVector::kDegreesToRadians, angles.y * SVector::kDegreesToRadians, 0.0f);
    SetView(position, angles, fieldOfView, -1.0f, -1.0f);
}

SActor* SActorWorld::SetFocusActor(SActor* actor) {
    SActor* previous = m_pFocus;
    m_pFocus = actor;
    if (actor != nullptr) {
        actor->InvalidateViewpoint();
    }
    UpdateCamera(60.0f);
    return previous;
}

SActor* SActorWorld::GetFocusActor() { return m_pFocus; }

bool SActorWorld::GetViewpoint(SVector& position, SVector& angles) {
    if (m_pFocus == nullptr) {
        return false;
    }
    m_pFocus->GetViewpoint(position, angles);
    if (m_vCameraOffset.Dot(m_vCameraOffset) <= 0.0001f) {
        return true;
    }
    const SVector& add = m_vCameraAngleOffset;
    SActor* parent = m_pFocus->m_pParent;
    if (parent != nullptr && parent->HasFlagA(SActor::kPitchToSlope)) {
        angles.x = m_pFocus->m_vOrientation.x + add.x;
        angles.y += add.y;
        angles.z = m_pFocus->m_vOrientation.z + add.z;
    } else {
        angles += add;
    }
    SVector offset = m_vCameraOffset;
    offset.RotateByAngles(SVector(-angles.x, angles.y, angles.z));
    position += offset;
    ClipPosition(position, 1, 1, 1);
    position.y += 0.2f;
    return true;
}

void SActorWorld::GetViewAngles(float* x, float* y, float* z) {
    float values[3] = {};
    if (m_pScene != nullptr) {
        m_pScene->GetViewAngles(&values[0], &values[1], &values[2]);
    }
    if (x != nullptr) *x = values[0];
    if (y != nullptr) *y = values[1];
    if (z != nullptr) *z = values[2];
}

void SActorWorld::SetView(const SVector& position, const SVector& angles, float fieldOfView, float value3,
                          float value4) {
    if (m_pScene == nullptr) {
        return;
    }
    float projection[4] = {};
    m_pScene->GetProjection(&projection[0], &projection[1], &projection[2], &projection[3]);
    if (fieldOfView != -1.0f) projection[0] = fieldOfView;
    if (value3 != -1.0f) projection[2] = value3;
    if (value4 != -1.0f) projection[3] = value4;
    m_pScene->SetViewPosition(position.x, position.y, position.z);
    m_pScene->SetViewAngles(angles.x, angles.y, angles.z);
    m_pScene->SetProjection(projection[0], projection[1], projection[2], projection[3]);
    m_pScene->UpdateFrustum();
}

void SActorWorld::ReloadActorModels() {
    for (int i = 0; i <= m_iHighest; ++i) {
        if (SActor* actor = GetActor(i)) {
            actor->OnSceneChanged(m_pScene);
        }
    }
}

int SActorWorld::CountByName(const char* name) {
    if (name == nullptr || name[0] == '\0') {
        return 0;
    }
    SString upper(name);
    upper.MakeUpper();
    int count = 0;
    for (int i = 0; i <= m_iHighest; ++i) {
        if (NameMatches(GetActor(i), upper.GetString())) {
            ++count;
        }
    }
    return count;
}

void SActorWorld::SetMoveCallback(MoveCallback callback) { m_pfnMove = callback; }

void SActorWorld::SetTether(int indexA, int indexB, float distance) {
    m_iTetherA = indexA;
    m_iTetherB = indexB;
    m_fTetherDistance = distance;
}

void SActorWorld::Tick() {
    DestroyMarkedActors();
    ApplyTether();
}

int SActorWorld::CollectByName(CObList* list, const char* name) {
    if (list == nullptr) {
        return 0;
    }
    SString upper(name != nullptr ? name : "");
    upper.MakeUpper();
    for (int i = 0; i <= m_iHighest; ++i) {
        SActor* actor = GetActor(i);
        if (NameMatches(actor, upper.GetString())) {
            list->AddTail(actor);
        }
    }
    return list->GetCount();
}

double SActorWorld::ToSceneUnits(float metres) { return static_cast<double>(metres) * kToScene; }

void SActorWorld::OnEvent(int) {}

void SActorWorld::ResetState() {
    m_iHighest = -1;
    m_iTetherA = -1;
    m_iTetherB = -1;
    m_fTetherDistance = 0.0f;
    m_pScene = nullptr;
    m_pSound = nullptr;
    m_pfnMove = nullptr;
    m_pFocus = nullptr;
    m_iCount = 0;
    m_dwLineTestMs = 0;
    m_dwLineTestCount = 0;
    m_vCameraOffset = SVector();
    m_vCameraAngleOffset = SVector();
    m_TextureCache.RemoveAll();
    m_bUseCellLists = 1;
    m_fWorldValue = 0.0f;
}

void SActorWorld::RecomputeHighestIndex() {
    int highest = m_iHighest < m_Actors.GetSize() ? m_iHighest : m_Actors.GetSize() - 1;
    while (highest >= 0 && m_Actors.GetAt(highest) == nullptr) {
        --highest;
    }
    m_iHighest = highest;
}

void SActorWorld::ApplyTether() {
    if (m_iTetherA < 0 || m_iTetherB < 0) {
        return;
    }
    SActor* a = GetActor(m_iTetherA);
    SActor* b = GetActor(m_iTetherB);
    if (a == nullptr || b == nullptr) {
        m_iTetherA = m_iTetherB = -1;
        return;
    }
    const SVector direction = SVector::ToDirection(SVector(a->m_vOrientation.x, a->m_vOrientation.y, 0.0f));
    a->m_vPosition = b->m_vPosition - direction * m_fTetherDistance;
}
