#include "game/SStandInRange.h"

#include <algorithm>

#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/actors/SActorWorld.h"
#include "core/SObjectDef.h"
#include "core/SVector.h"
#include "render/SD3D6Parser.h"
#include "render/parser/SParser.h"

namespace {

// What a range shot at the centre of the map starts from when the world has no ground yet.
constexpr float kMapCentre = 4096.0f;
constexpr float kEyeHeight = 1.7f;
constexpr float kPitchLimit = 80.0f;
// The line test's mode for a shot: everything solid, as the actors' own sight test asks.
constexpr uint32_t kShotMode = 0x73b;

}  // namespace

bool SStandInRange::Start(SGameItems* items, const SHostCallbacks& host, SObjectDefList& objects, uint32_t now) {
    m_pItems = items;
    m_host = host;
    m_nShots = 0;
    m_nHits = 0;
    m_fYaw = 0.0f;
    m_fPitch = 0.0f;
    m_sWeapon = kDefaultWeapon;

    // The weapon is the first thing the officer carries that the library knows as a weapon.
    SClientConnect* player = nullptr;
    if (host.HostBuildPlayerDefinition != nullptr)
        host.HostBuildPlayerDefinition(&player);
    if (player != nullptr && player->m_pDefs != nullptr) {
        for (POSITION pos = player->m_pDefs->GetHeadPosition(); pos != nullptr;) {
            const SObjectDef* item = player->m_pDefs->GetNext(pos);
            const SObjectDef* known = item != nullptr ? objects.FindByName(item->GetName()) : nullptr;
            if (known != nullptr && known->IsKindOf("Weapon")) {
                m_sWeapon = static_cast<const char*>(item->GetName());
                break;
            }
        }
    }
    const SObjectDef* weapon = objects.FindByName(m_sWeapon.c_str());
    m_nRounds = weapon != nullptr ? weapon->GetIntByName("Rounds") : 0;
    if (m_nRounds <= 0)
        m_nRounds = 10;
    const SObjectDef* score = objects.FindByName("Score");
    m_nQualify = score != nullptr ? score->GetIntByName((m_sWeapon + "QualifyScore").c_str()) : 0;
    const int limit = score != nullptr ? score->GetIntByName("QualifyTimeLimit") : 0;
    m_dwTimeLimit = limit > 0 ? static_cast<uint32_t>(limit) : 0;
    m_dwStart = now;

    if (!OpenScene(host, objects))
        return false;

    m_fPosition[0] = kMapCentre;
    m_fPosition[2] = kMapCentre;
    SActorWorld* world = items != nullptr ? items->m_pWorld[0] : nullptr;
    m_fPosition[1] = world != nullptr ? static_cast<float>(world->GroundHeight(kMapCentre, kMapCentre)) + kEyeHeight
                                      : kEyeHeight;
    m_state = kStatePlaying;
    PlaceView();
    return true;
}

bool SStandInRange::OpenScene(const SHostCallbacks& host, SObjectDefList& objects) {
    m_sError.clear();
    SLevelInfo* level = nullptr;
    if (host.HostGetLevelInfo != nullptr)
        host.HostGetLevelInfo(&level);
    SParser* scene = m_pItems != nullptr ? m_pItems->m_pParser : nullptr;
    if (scene == nullptr || level == nullptr)
        return true;  // nothing to draw into: the range is played blind
    // An officer's target range names no map of its own; the range's definition does.
    std::string path = level->m_sMapPath.GetString();
    if (path.empty() || path.back() == '\\' || path.back() == '/') {
        const SObjectDef* range = objects.FindByName(kRangeDefinition);
        const SString& file = range != nullptr ? range->GetValueByName("MapFile") : SString();
        if (file.IsEmpty())
            return true;
        path += file.GetString();
        level->m_sMapPath = path.c_str();
    }
    const int steps = scene->GetSessionStepCount(2);
    for (int step = 0; step < steps; ++step) {
        if (scene->InitSession(2, level, step) == 0) {
            m_sError = "The map " + path + " could not be opened.";
            return false;
        }
    }
    if (SActorWorld* world = m_pItems->m_pWorld[0])
        world->Init(scene, m_pItems->m_pSound, m_pItems->m_sBasePath.GetString(), kWorldCapacity);
    return true;
}

void SStandInRange::PlaceView() {
    SActorWorld* world = m_pItems != nullptr ? m_pItems->m_pWorld[0] : nullptr;
    if (world == nullptr)
        return;
    world->SetView(SVector(m_fPosition[0], m_fPosition[1], m_fPosition[2]), SVector(m_fPitch, m_fYaw, 0.0f), 60.0f,
                   0.0f, 0.0f);
}

bool SStandInRange::Update(uint32_t now) {
    if (m_state != kStatePlaying)
        return false;
    PlaceView();
    if (m_dwTimeLimit != 0 && now - m_dwStart >= m_dwTimeLimit) {
        Finish(kStateFinished);
        return true;
    }
    return false;
}

void SStandInRange::Turn(float degrees) {
    m_fYaw += degrees;
    while (m_fYaw >= 360.0f)
        m_fYaw -= 360.0f;
    while (m_fYaw < 0.0f)
        m_fYaw += 360.0f;
}

void SStandInRange::Tilt(float degrees) { m_fPitch = std::clamp(m_fPitch + degrees, -kPitchLimit, kPitchLimit); }

bool SStandInRange::Fire() {
    if (m_state != kStatePlaying || m_nShots >= m_nRounds)
        return false;
    ++m_nShots;
    bool hit = false;
    SActorWorld* world = m_pItems != nullptr ? m_pItems->m_pWorld[0] : nullptr;
    if (world != nullptr) {
        const SVector eye(m_fPosition[0], m_fPosition[1], m_fPosition[2]);
        const SVector end = eye + SVector::ToDirection(SVector(m_fPitch, m_fYaw, 0.0f)) * kRange;
        // The test answers 0 when the line met something; an actor's node value marks a target.
        const int clear = world->LineTest(nullptr, eye, end, 0.0f, 0.0f, kShotMode);
        const SHitRecord* record = world->GetLastLineTestResult();
        hit = clear == 0 && record != nullptr && record->m_dwObject != 0;
    }
    if (hit)
        ++m_nHits;
    if (m_nShots >= m_nRounds)
        Finish(kStateFinished);
    return hit;
}

void SStandInRange::Finish(int16_t state) {
    if (m_state == kStatePlaying && m_host.HostPlayerScores != nullptr) {
        SClientConnect results;
        results.m_pDef->SetOrAppendInt("Flag", 1);
        results.m_pDef->SetOrAppendInt("LevelPassed", IsPassed() ? 1 : 0);
        results.m_pDef->SetOrAppendInt("Shots", m_nShots);
        results.m_pDef->SetOrAppendInt("Hits", m_nHits);
        results.m_pDef->SetOrAppendInt("Score", GetScore());
        auto* weaponScore = new SObjectDef;
        weaponScore->SetName(m_sWeapon.c_str());
        weaponScore->SetOrAppendInt("Shots", m_nShots);
        weaponScore->SetOrAppendInt("Hits", m_nHits);
        weaponScore->SetOrAppendInt("Percent", GetPercent());
        results.m_pDefs->AddTail(weaponScore);
        m_host.HostPlayerScores(&results);
    }
    m_state = state;
}
