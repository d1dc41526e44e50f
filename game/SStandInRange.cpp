#include "game/SStandInRange.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/SClientInfo.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/actors/SActorWorld.h"
#include "core/SObjectDef.h"
#include "core/SVector.h"
#include "game/SStandInCareer.h"
#include "game/SStandInPresenter.h"
#include "assets/textures/STexRegion.h"
#include "assets/textures/STexture2.h"
#include "assets/models/SSMObject.h"
#include "render/SD3D6Parser.h"
#include "render/map/SMapKR5.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/Exceptions.h"
#include "render/parser/SParser.h"
#include "render/shots/SHitTests.h"
#include "ui/layout/SLayout.h"

namespace {

// What a range shot at the centre of the map starts from when the world has no ground yet.
constexpr float kMapCentre = 4096.0f;
constexpr float kEyeHeight = 1.7f;
constexpr float kPitchLimit = 80.0f;
// The line test's mode for a shot: everything solid, as the actors' own sight test asks.
constexpr uint32_t kShotMode = 0x73b;

// How much a texture list's entry weighs on a day of the year: it grows from its first day to
// its last. The renderer draws named textures (the overlays', for one) from such lists.
float GrowsToday(int32_t firstDay, int32_t lastDay, int32_t day, int32_t, int32_t) {
    return firstDay <= day && day <= lastDay ? 1.0f : 0.0f;
}

}  // namespace

bool SStandInRange::Start(SGameItems* items, const SHostCallbacks& host, SObjectDefList& objects, uint32_t now) {
    m_pItems = items;
    m_host = host;
    m_pObjects = &objects;
    m_nShots = 0;
    m_nHits = 0;
    m_nPoints = 0;
    m_sLastRegion.clear();
    m_nLastPoints = 0;
    ForgetActors();
    m_pLastTarget = nullptr;
    m_fYaw = 0.0f;
    m_fPitch = 0.0f;
    m_sWeapon = kDefaultWeapon;

    // The level the host started names the weapon it qualifies on; the level's record in the
    // officer's history names the level again.
    SClientConnect* player = nullptr;
    if (host.HostBuildPlayerDefinition != nullptr)
        host.HostBuildPlayerDefinition(&player);
    const SObjectDef* values = player != nullptr ? player->m_pDef : nullptr;
    m_nLevelIndex = values != nullptr ? values->GetIntByName("LevelIndex") : 0;
    m_pLevelRecords = standin_career::LevelRecords(values);
    m_rules = standin_career::ReadRangeRules(objects, m_nLevelIndex, kDefaultWeapon);
    m_sWeapon = m_rules.weapon;
    m_nRounds = m_rules.rounds > 0 ? m_rules.rounds : kDefaultRounds;
    m_nQualify = m_rules.qualify;
    const SObjectDef* score = objects.FindByName("Score");
    const int limit = score != nullptr ? score->GetIntByName("QualifyTimeLimit") : 0;
    m_dwTimeLimit = limit > 0 ? static_cast<uint32_t>(limit) : 0;
    m_dwStart = now;
    m_dwNow = now;
    m_dwSpent = 0;
    m_bHeld = false;

    m_sError.clear();
    if (!CheckBoardFiles() || !CheckLayoutFiles(objects) || !OpenScene(host, objects))
        return false;

    m_fPosition[0] = kMapCentre;
    m_fPosition[2] = kMapCentre;
    SActorWorld* world = items != nullptr ? items->m_pWorld[0] : nullptr;
    m_fPosition[1] = world != nullptr ? static_cast<float>(world->GroundHeight(kMapCentre, kMapCentre)) + kEyeHeight
                                      : kEyeHeight;
    m_state = kStatePlaying;
    PlaceActors();
    PlaceView();
    return true;
}

namespace {

// Why a file of the level cannot be played on, or nothing when it can. Each is read whole, as
// a board that could not be drawn or a map cut short must stop the level before it starts.
std::string TextureProblem(const std::string& path) {
    STexture2 texture;
    texture.m_iRecordErrors = 1;
    if (texture.Load(path.c_str(), 1) == 1)
        return std::string();
    const CString why = texture.GetLastError();
    return why.IsEmpty() ? "Unable to load from data source" : why.GetString();
}

std::string ModelProblem(const std::string& path) {
    CFile probe;
    CFileException opening;
    if (!probe.Open(path.c_str(), CFile::modeRead | CFile::typeBinary, &opening)) {
        char text[256] = {};
        opening.GetErrorMessage(text, sizeof(text));
        return text;
    }
    probe.Close();
    SSMObject model;
    return model.LoadFile(path.c_str()) == 1 ? std::string() : "it is damaged or incomplete";
}

std::string Unreadable(const char* what, const std::string& path, const std::string& why) {
    return std::string("The ") + what + " " + path + " could not be read: " + why + ".";
}

// What the player is told of a map the scene could not open. One that is not there is named as
// the host names one wherever it looks for a map.
std::string MapError(const std::string& path) {
    CFile file;
    CFileException error;
    if (!file.Open(path.c_str(), CFile::modeRead, &error) && error.m_cause == CFileException::fileNotFound)
        return MissingMapText(path.c_str()).GetString();
    auto map = std::make_unique<SMapKR5>();
    if (map->LoadFile(path.c_str()) == 1)
        return map->IsUsable() ? "The map " + path + " could not be opened."
                               : Unreadable("map", path, "it is not a map this program can read");
    return Unreadable("map", path, map->GetLoadError().GetString());
}

// Why the presenter could not draw the range's display from a layout file, or nothing when it
// can. One that is not there is no problem here (the presenter shows its plain display
// instead); one that is there but cannot be read, is empty, or holds what no layout holds would
// leave the range without its display, or all black, with nobody told why.
std::string LayoutProblem(const std::string& path) {
    std::string script;
    CFileException error;
    bool tooLarge = false;
    if (!SStandInPresenter::ReadScript(path, script, &error, &tooLarge)) {
        if (error.m_cause == CFileException::fileNotFound)
            return std::string();
        return error.what();
    }
    // A layout is lines of text: NUL and the other control characters are no text, while
    // every other byte is (a label's accented letter draws as its font draws it), and no
    // layout line comes near the bound.
    size_t line = 1;
    size_t lineStart = 0;
    bool blank = true;
    for (size_t i = 0; i < script.size(); ++i) {
        const auto c = static_cast<unsigned char>(script[i]);
        blank = blank && (c == ' ' || c == '\t' || c == '\r' || c == '\n');
        if (c == '\n') {
            ++line;
            lineStart = i + 1;
        } else if (c < 0x20 && c != '\t' && c != '\r') {
            char code[8] = {};
            std::snprintf(code, sizeof(code), "0x%02X", static_cast<unsigned>(c));
            return "line " + std::to_string(line) + " holds a byte no layout has (" + code + ")";
        } else if (i - lineStart >= SStandInRange::kMaxLayoutLine) {
            return "line " + std::to_string(line) + " is longer than " + std::to_string(SStandInRange::kMaxLayoutLine) +
                   " characters";
        }
    }
    if (blank && !tooLarge)
        return "it is empty";
    if (SLayout::NestsTooDeep(script.c_str()))
        return "its blocks nest more than " + std::to_string(SLayout::kMaxNesting) + " deep";
    if (tooLarge)
        return "it is larger than " + std::to_string(SStandInRange::kMaxLayoutSize) + " bytes, far more than any layout";
    return std::string();
}

}  // namespace

bool SStandInRange::CheckBoardFiles() {
    const std::string model = InHome(kTargetModel);
    std::string why = ModelProblem(model);
    if (!why.empty()) {
        m_sError = Unreadable("board model", model, why);
        return false;
    }
    const std::string texture = InHome(kTargetTexture);
    why = TextureProblem(texture);
    if (!why.empty()) {
        m_sError = Unreadable("board texture", texture, why);
        return false;
    }
    return true;
}

bool SStandInRange::CheckLayoutFiles(const SObjectDefList& objects) {
    const SObjectDef* hud = objects.FindByName("HUD");
    if (hud == nullptr)
        return true;
    static const struct {
        const char* name;
        const char* what;
    } kLayouts[] = {{"LayoutFile", "heads-up layout"}, {"ResultsFile", "results layout"}};
    for (const auto& layout : kLayouts) {
        const SString& file = hud->GetValueByName(layout.name);
        if (file.IsEmpty())
            continue;
        const std::string path = InHome(file.GetString());
        const std::string why = LayoutProblem(path);
        if (!why.empty()) {
            m_sError = Unreadable(layout.what, path, why);
            return false;
        }
    }
    return true;
}

std::string SStandInRange::InHome(const char* path) const {
    const char* base = m_pItems != nullptr ? m_pItems->m_sBasePath.GetString() : nullptr;
    return base != nullptr && base[0] != '\0' ? std::string(base) + "/" + path : std::string(path);
}

SActorWorld* SStandInRange::World() const { return m_pItems != nullptr ? m_pItems->m_pWorld[0] : nullptr; }

void SStandInRange::ReleaseRoles() {
    SClientInfo* client = m_pItems != nullptr ? m_pItems->m_pClientInfo : nullptr;
    if (client == nullptr)
        return;
    if (client->m_pHunter == m_pOfficer)
        client->m_pHunter = nullptr;
    if (client->m_pEyes == m_pEyes)
        client->m_pEyes = nullptr;
}

void SStandInRange::ForgetActors() {
    ReleaseRoles();
    SActorWorld* world = World();
    SActor* mine[kTargetCount + 2] = {m_pOfficer, m_pEyes};
    std::copy(std::begin(m_pTargets), std::end(m_pTargets), mine + 2);
    for (SActor* actor : mine) {
        if (actor != nullptr && world != nullptr && world->FindActor(actor) >= 0)
            world->DestroyActor(actor, 1);
    }
    m_pOfficer = nullptr;
    m_pEyes = nullptr;
    std::fill(std::begin(m_pTargets), std::end(m_pTargets), nullptr);
}

void SStandInRange::PlaceActors() {
    SActorWorld* world = World();
    if (world == nullptr)
        return;
    const SVector feet(m_fPosition[0], m_fPosition[1] - kEyeHeight, m_fPosition[2]);
    m_pOfficer = new SActor;
    m_pOfficer->m_sName = "Officer";
    m_pOfficer->m_sClassName = "Officer";
    m_pOfficer->m_vPosition = feet;
    // The body sees from the eyes' height: the camera and the first-person models follow it.
    m_pOfficer->m_fHeight = kEyeHeight;
    m_pOfficer->m_dwFlagsA &= ~SActor::kVisible;
    world->AddActor(m_pOfficer, 1, -1);
    m_pEyes = new SActor;
    m_pEyes->m_sName = "Eyes";
    m_pEyes->m_sClassName = "Eyes";
    m_pEyes->m_vPosition = feet;
    m_pEyes->m_fHeight = kEyeHeight;
    m_pEyes->m_dwFlagsA &= ~SActor::kVisible;
    world->AddActor(m_pEyes, 1, -1);
    world->SetFocusActor(m_pOfficer);
    if (m_pItems->m_pClientInfo != nullptr) {
        m_pItems->m_pClientInfo->m_pHunter = m_pOfficer;
        m_pItems->m_pClientInfo->m_pEyes = m_pEyes;
    }

    // The row stands across the officer's first line of sight (yaw 0 looks along +z).
    for (int i = 0; i < kTargetCount; ++i) {
        const float x = feet.x + (static_cast<float>(i) - (kTargetCount - 1) / 2.0f) * kTargetSpacing;
        const float z = feet.z + kTargetDistance;
        auto* target = new SActor;
        target->m_sName = "Target";
        target->m_sClassName = "Target";
        target->m_vPosition = SVector(x, static_cast<float>(world->GroundHeight(x, z)), z);
        target->m_dwFlagsA &= ~(SActor::kClipToGround | SActor::kClipToWater);
        world->AddActor(target, 1, -1);
        // Named as the loader takes it ("id;"), so an empty base path means the Home folder.
        target->SetModel(("id;" + InHome(kTargetModel)).c_str());
        m_pTargets[i] = target;
    }

    // The regions come from the texture file itself: they score shots with or without a
    // renderer to draw the boards.
    m_pTargetTexture = std::make_shared<STexture2>();
    if (m_pTargetTexture->Load(InHome(kTargetTexture).c_str(), 0) != 1)
        m_pTargetTexture.reset();
}

bool SStandInRange::OpenScene(const SHostCallbacks& host, SObjectDefList& objects) {
    SLevelInfo* level = nullptr;
    if (host.HostGetLevelInfo != nullptr)
        host.HostGetLevelInfo(&level);
    SParser* scene = m_pItems != nullptr ? m_pItems->m_pParser : nullptr;
    if (scene == nullptr || level == nullptr)
        return true;  // nothing to draw into: the range is played blind
    // An officer's target range names no map of its own; the range's definition does.
    std::string path = level->m_sMapPath.GetString();
    // A dedicated server started without a map has no officer to name one: the range's own map
    // in the Home's map folder, where the map-path callback would have put it.
    if (path.empty())
        path = std::string(m_pItems->m_sBasePath.GetString()) + "\\Maps\\";
    if (path.back() == '\\' || path.back() == '/') {
        const SObjectDef* range = objects.FindByName(kRangeDefinition);
        const SString& file = range != nullptr ? range->GetValueByName("MapFile") : SString();
        if (file.IsEmpty())
            return true;
        path += file.GetString();
        level->m_sMapPath = path.c_str();
    }
    scene->SetCallback4(reinterpret_cast<SParser::Callback4>(reinterpret_cast<void (*)()>(&GrowsToday)));
    const int steps = scene->GetSessionStepCount(2);
    for (int step = 0; step < steps; ++step) {
        if (scene->InitSession(2, level, step) == 0) {
            m_sError = MapError(path);
            return false;
        }
    }
    if (SActorWorld* world = m_pItems->m_pWorld[0])
        world->Init(scene, m_pItems->m_pSound, m_pItems->m_sBasePath.GetString(), kWorldCapacity);
    return true;
}

void SStandInRange::PlaceView() {
    SActorWorld* world = World();
    if (world == nullptr || m_pEyes == nullptr || m_pOfficer == nullptr)
        return;
    for (SActor* actor : {m_pOfficer, m_pEyes}) {
        actor->m_vOrientation = SVector(m_fPitch, m_fYaw, 0.0f);
        actor->InvalidateViewpoint();
    }
    // The camera follows the body, which sees from the eyes' height, so the first-person
    // models show; the world gives the renderer its own units.
    world->UpdateCamera(60.0f);
}

bool SStandInRange::Update(uint32_t now) {
    if (m_state != kStatePlaying)
        return false;
    m_dwNow = now;
    PlaceView();
    if (m_dwTimeLimit != 0 && Played(now) >= m_dwTimeLimit) {
        Finish(kStateResults);
        return true;
    }
    return false;
}

void SStandInRange::HoldClock(bool hold, uint32_t now) {
    if (hold == m_bHeld)
        return;
    // Letting go moves the start on by the time held, so that time is never counted.
    if (!hold)
        m_dwStart += now - m_dwHeldAt;
    m_dwHeldAt = now;
    m_bHeld = hold;
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
    m_sLastRegion.clear();
    m_nLastPoints = 0;
    const SVector eye(m_fPosition[0], m_fPosition[1], m_fPosition[2]);
    const SVector direction = SVector::ToDirection(SVector(m_fPitch, m_fYaw, 0.0f));
    float reach = kRange;
    bool ground = false;
    SVector landed;
    if (SActorWorld* world = World()) {
        // The scene stops a shot short of a board behind a hut or a hill. The test answers
        // 0 when the line met something.
        const int clear = world->LineTest(nullptr, eye, eye + direction * kRange, 0.0f, 0.0f, kShotMode);
        const SHitRecord* record = world->GetLastLineTestResult();
        if (clear == 0 && record != nullptr && record->m_dwObject == 0) {
            const SVector offset = record->m_vPoint * SActorWorld::kFromScene - eye;
            reach = std::sqrt(offset.Dot(offset));
            ground = (record->m_dwKind & hit::kKindTerrain) != 0;
            landed = record->m_vPoint;
        }
    }
    float u = 0.0f;
    float v = 0.0f;
    const int target = FindTargetHit(eye, direction, reach, &u, &v);
    m_pLastTarget = target >= 0 ? m_pTargets[target] : nullptr;
    if (target >= 0) {
        ++m_nHits;
        m_nLastPoints = ScoreAt(u, v, m_sLastRegion);
        m_nPoints += m_nLastPoints;
    } else if (ground) {
        MarkGround(landed);
    }
    if (m_nShots >= m_nRounds)
        Finish(kStateResults);
    return target >= 0;
}

void SStandInRange::MarkGround(const SVector& point) {
    SParser* scene = m_pItems != nullptr ? m_pItems->m_pParser : nullptr;
    SActorWorld* world = World();
    if (scene == nullptr || world == nullptr)
        return;
    // The world keeps the index once looked up; -1 (no such file) places nothing.
    ActorDesc mark;
    mark.m_nModelIndex = world->GetTextureId(("file;" + InHome(kHoleTexture)).c_str());
    if (mark.m_nModelIndex < 0)
        return;
    mark.m_vPosition = point;
    mark.m_vAngles = SVector(0.0f, m_fYaw * 0.017453292f, 0.0f);
    mark.m_fScale = kHoleScale;
    // No child description, and the ring's next place.
    scene->PlaceDecal(mark, 0, 0xFFFFFFFFu, 0xFFFFFFFFu);
}

int SStandInRange::FindTargetHit(const SVector& eye, const SVector& direction, float reach, float* u,
                                 float* v) const {
    // The boards face -z, square to the officer's first line of sight.
    int best = -1;
    float nearest = reach;
    for (int i = 0; i < kTargetCount; ++i) {
        const SActor* target = m_pTargets[i];
        if (target == nullptr || direction.z <= 0.0f)
            continue;
        const SVector& foot = target->m_vPosition;
        const float t = (foot.z - eye.z) / direction.z;
        if (t < 0.0f || t > nearest)
            continue;
        const SVector point = eye + direction * t;
        const float across = (point.x - foot.x + kTargetHalfWidth) / (2.0f * kTargetHalfWidth);
        const float down = (foot.y + kTargetHeight - point.y) / kTargetHeight;
        if (across < 0.0f || across > 1.0f || down < 0.0f || down > 1.0f)
            continue;
        best = i;
        nearest = t;
        *u = across;
        *v = down;
    }
    return best;
}

int SStandInRange::ScoreAt(float u, float v, std::string& region) const {
    region.clear();
    if (m_pTargetTexture == nullptr || m_pTargetTexture->HitTestRegions(u, v) == 0)
        return 0;
    int best = 0;
    for (int16_t i = 0; i < m_pTargetTexture->GetNumRegions(); ++i) {
        const STexRegion* hit = m_pTargetTexture->GetRegion(i);
        if (hit == nullptr || hit->IsHit() == 0)
            continue;
        const int points = std::atoi(hit->GetTagString("Score", "0").GetString());
        if (region.empty() || points > best) {
            best = points;
            region = hit->GetName().GetString();
        }
    }
    return best;
}

void SStandInRange::Finish(int16_t state) {
    if (m_state == kStatePlaying && m_host.HostPlayerScores != nullptr) {
        SClientConnect results;
        results.m_pDef->SetOrAppendInt("Flag", 1);
        results.m_pDef->SetOrAppendInt("LevelPassed", IsPassed() ? 1 : 0);
        results.m_pDef->SetOrAppendInt("Shots", m_nShots);
        results.m_pDef->SetOrAppendInt("Hits", m_nHits);
        results.m_pDef->SetOrAppendInt("Score", GetPercent());
        results.m_pDefs->AddTail(standin_career::MakeWeaponsScores(*m_pObjects, m_rules, GetPercent(), IsPassed(),
                                                                   m_pLevelRecords));
        // The host files a "...QScore" result flagged 1 as the level's record in the history.
        auto* record = new SObjectDef;
        record->SetName("RangeQScore");
        record->SetOrAppendInt("Flag", 1);
        record->SetOrAppendInt("LevelIndex", m_nLevelIndex);
        record->SetOrAppendInt("LevelPassed", IsPassed() ? 1 : 0);
        // The score set against the level's qualifying score is the share of the rounds that hit.
        record->SetOrAppendInt("Score", GetPercent());
        record->SetOrAppend("Weapon", m_sWeapon.c_str(), 0);
        record->SetOrAppendInt("Fired", m_nShots);
        record->SetOrAppendInt("BHits", m_nHits);
        record->SetOrAppendInt("BMissed", m_nShots - m_nHits);
        results.m_pDefs->AddTail(record);
        m_host.HostPlayerScores(&results);
    }
    if (m_state == kStatePlaying)
        m_dwSpent = Played(m_dwNow);
    m_state = state;
}

void SStandInRange::Close(int16_t state) {
    // The session's actors go with it: the host may drop the renderer or the world once the
    // session is over, and neither may be left holding them.
    ForgetActors();
    m_pLastTarget = nullptr;
    m_state = state;
}

int SStandInRange::GetTimeLeft(uint32_t now) const {
    if (m_dwTimeLimit == 0)
        return -1;
    const uint32_t spent = m_state == kStatePlaying ? Played(now) : m_dwSpent;
    return spent >= m_dwTimeLimit ? 0 : static_cast<int>(m_dwTimeLimit - spent);
}
