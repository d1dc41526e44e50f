#include "game/SStandInPresenter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/SClientInfo.h"
#include "app/SGameItems.h"
#include "app/actors/SActorWorld.h"
#include "assets/models/SSMHandle.h"
#include "assets/models/SViewModel.h"
#include "core/SDataCollection.h"
#include "core/SObjectDef.h"
#include "dx/sound/SActorSound.h"
#include "game/SStandInRange.h"
#include "sys/classlib/CStdioFile.h"
#include "sys/classlib/Exceptions.h"

namespace {

// The host's game-sound door, for the actor sounds' fetch function, which takes no context.
SDXSoundBuffer* (*s_pfnGetGameSound)(const char*, int) = nullptr;

SDXSoundBuffer* FetchGameSound(const char* name, uint8_t b3D) {
    return s_pfnGetGameSound != nullptr ? s_pfnGetGameSound(name, b3D) : nullptr;
}

std::string Text(const SObjectDef* definition, const char* name) {
    return definition != nullptr ? std::string(definition->GetValueByName(name).GetString()) : std::string();
}

float Number(const SObjectDef* definition, const char* name) {
    return definition != nullptr ? std::strtof(definition->GetValueByName(name).GetString(), nullptr) : 0.0f;
}

}  // namespace

std::string SStandInPresenter::InHome(const std::string& path) const {
    const char* base = m_pItems != nullptr ? m_pItems->m_sBasePath.GetString() : nullptr;
    return base != nullptr && base[0] != '\0' ? std::string(base) + "/" + path : path;
}

bool SStandInPresenter::ReadScript(const std::string& path, std::string& script, CFileException* pError,
                                   bool* pTooLarge) {
    script.clear();
    if (pTooLarge != nullptr)
        *pTooLarge = false;
    try {
        CStdioFile file;
        if (!file.Open(path.c_str(), CFile::modeRead | CFile::typeText, pError))
            return false;
        // Whole, NUL bytes too: a reader that refuses what no layout holds must see them. One
        // byte past the bound tells a file larger than it without reading the rest.
        const size_t limit = SStandInRange::kMaxLayoutSize;
        char buffer[4096];
        while (script.size() <= limit) {
            const size_t want = std::min(sizeof(buffer), limit + 1 - script.size());
            const unsigned got = file.Read(buffer, static_cast<unsigned>(want));
            if (got == 0)
                break;
            script.append(buffer, got);
        }
        if (script.size() > limit) {
            script.resize(limit);
            if (pTooLarge != nullptr)
                *pTooLarge = true;
        }
    } catch (CFileException& error) {
        if (pError != nullptr)
            *pError = error;
        return false;
    } catch (CException&) {
        if (pError != nullptr)
            *pError = CFileException(CFileException::genericException, -1, path.c_str());
        return false;
    }
    if (!script.empty() && script.back() != '\n')
        script += '\n';
    return true;
}

std::string SStandInPresenter::ReadLayout(const std::string& path, const char* fallback) const {
    std::string script;
    bool tooLarge = false;
    if (path.empty() || !ReadScript(InHome(path), script, nullptr, &tooLarge) || tooLarge || script.empty())
        return fallback;
    return script;
}

void SStandInPresenter::SetValue(int entry, const std::string& text) {
    SClientInfo* client = m_pItems != nullptr ? m_pItems->m_pClientInfo : nullptr;
    if (client != nullptr && client->m_pValues != nullptr)
        client->m_pValues->Set(entry, "", text.c_str(), 0);
}

void SStandInPresenter::ShowScript(int kind, int id, const std::string& script) {
    SClientInfo* client = m_pItems != nullptr ? m_pItems->m_pClientInfo : nullptr;
    if (client == nullptr || client->m_pScripts == nullptr || m_host.HostShowLayout == nullptr)
        return;
    client->m_pScripts->Set(id, "", script.c_str(), 0);
    m_host.HostShowLayout(kind, id);
}

void SStandInPresenter::Start(SGameItems* items, const SHostCallbacks& host, const SObjectDefList& objects,
                              const SStandInRange& range, uint32_t now) {
    Stop();
    m_pItems = items;
    m_host = host;
    m_dwLast = now;
    s_pfnGetGameSound = host.HostGetGameSound;

    const SObjectDef* hud = objects.FindByName("HUD");
    const SObjectDef* weapon = objects.FindByName(range.GetWeapon().c_str());
    const SObjectDef* level = objects.FindByName(SStandInRange::kRangeDefinition);
    m_sWeaponName = Text(weapon, "Name");
    if (m_sWeaponName.empty())
        m_sWeaponName = range.GetWeapon();
    m_sResultsLayout = ReadLayout(Text(hud, "ResultsFile"), "");
    m_sShotSound = Text(weapon, "ShotSound");
    m_sHitSound = Text(level, "HitSound");
    m_fKick = Number(weapon, "Kick");
    const float settle = Number(weapon, "KickTime");
    m_fKickDecay = settle > 0.0f ? m_fKick / settle : 0.0f;

    Update(range, now);
    ShowScript(0, kHudLayoutId, ReadLayout(Text(hud, "LayoutFile"), kPlainHud));
    PlaceWeapon(Text(weapon, "ViewModel"));
    const std::string ambient = Text(level, "AmbientSound");
    if (!ambient.empty())
        Emit(range.GetEyes(), ambient, true);
}

void SStandInPresenter::PlaceWeapon(const std::string& model) {
    SActorWorld* scene = m_pItems != nullptr ? m_pItems->m_pWorld[0] : nullptr;
    SActorWorld* views = m_pItems != nullptr ? m_pItems->m_pWorld[2] : nullptr;
    if (model.empty() || scene == nullptr || views == nullptr)
        return;
    SSMHandle* instance = scene->LoadSceneDefinition(("id;" + InHome(model)).c_str());
    if (instance == nullptr)
        return;
    instance->SetCurrentGroup(instance->FindGroup("Normal"));
    m_pWeapon = new SViewModel;
    m_pWeapon->m_sName = "Weapon";
    m_pWeapon->SetModelInstance(instance);
    // Held low and to the right of the eyes, which the first-person pass puts at the origin.
    m_pWeapon->m_vPosition = SVector(0.12f, -0.13f, 0.3f);
    m_pWeapon->m_fKickDecay = m_fKickDecay;
    views->AddActor(m_pWeapon, 1, -1);
}

void SStandInPresenter::Emit(SActor* actor, const std::string& file, bool loop, float fullLevelWithin,
                             int32_t delayMs) {
    if (actor == nullptr || file.empty() || m_pItems == nullptr)
        return;
    auto* sound = new SActorSound(m_pItems->m_pSound, actor);
    sound->m_sName = InHome(file).c_str();
    sound->SetFetchFunction(&FetchGameSound);
    if (loop) {
        sound->m_fRepeatMin = 0.0f;
        sound->m_fRepeatMax = 0.0f;
    }
    if (delayMs > 0)
        sound->m_iStartTime = 2 * delayMs;  // a sound's clock runs at twice the pace while it waits
    if (fullLevelWithin > sound->m_fMinDistance) {
        sound->m_fMinDistance = fullLevelWithin;
        sound->m_fMaxDistance = std::max(sound->m_fMaxDistance, fullLevelWithin);
    }
    actor->AddSound(sound);  // a third copy of one sound is dropped at once
}

void SStandInPresenter::WriteHeadsUp(const SStandInRange& range, uint32_t now) {
    SetValue(kValueRounds, std::to_string(std::max(range.GetRounds() - range.GetShots(), 0)));
    // Whole seconds counting down: a session starts at its full time and shows 0:00 only
    // once it is up.
    const int left = range.GetTimeLeft(now);
    const int seconds = (left + 999) / 1000;
    char time[16] = "--:--";
    if (left >= 0)
        std::snprintf(time, sizeof time, "%d:%02d", seconds / 60, seconds % 60);
    SetValue(kValueTime, time);
    // The level's own score, which the scenario page sets against the score needed.
    SetValue(kValueScore, std::to_string(range.GetPercent()));
    SetValue(kValueWeapon, m_sWeaponName);
}

void SStandInPresenter::Update(const SStandInRange& range, uint32_t now) {
    const uint32_t elapsed = now - m_dwLast;
    m_dwLast = now;
    if (!m_bResults)
        WriteHeadsUp(range, now);
    if (m_pWeapon != nullptr)
        m_pWeapon->OnEvent(static_cast<int>(elapsed));
    SActor* listener = range.GetEyes();
    SActorWorld* world = range.World();
    if (listener == nullptr || world == nullptr)
        return;
    const float seconds = static_cast<float>(elapsed) / 1000.0f;
    for (int i = 0; i <= world->GetHighestIndex(); ++i) {
        if (SActor* actor = world->GetActor(i))
            actor->UpdateSounds(listener, seconds);
    }
}

void SStandInPresenter::OnShot(const SStandInRange& range) {
    SActor* eyes = range.GetEyes();
    Emit(eyes, m_sShotSound, false);
    if (SActor* board = range.GetLastTarget(); board != nullptr && eyes != nullptr) {
        // The knock is the officer's word that the round hit, so it is not left to fade with the
        // board's distance as the range's other sounds do: it comes at full level, from the
        // board's side, once sound has come back from the board, clear of the shot's bang. A
        // metre more keeps the full level should the eyes shift before it starts.
        SVector from, to, angles;
        eyes->GetViewpoint(from, angles);
        board->GetViewpoint(to, angles);
        const float distance = (to - from).Length();
        Emit(board, m_sHitSound, false, distance + 1.0f, static_cast<int32_t>(distance / kSoundSpeed * 1000.0f));
    }
    if (m_pWeapon != nullptr)
        m_pWeapon->m_vPitchKick.x = -m_fKick;  // the muzzle rises: the model's pitch counts downward
}

void SStandInPresenter::ShowResults(const SStandInRange& range) {
    if (m_bResults)
        return;
    // Play may have stopped on a shot or a key since the last frame: the heads-up display is
    // left with the final count, not the one before it.
    WriteHeadsUp(range, m_dwLast);
    m_bResults = true;
    const int shots = range.GetShots();
    const int hits = range.GetHits();
    const std::string& name = m_sWeaponName;
    const std::string lines[kReportLines] = {
        name + " fired: " + std::to_string(shots),
        name + " hits: " + std::to_string(hits),
        name + " missed: " + std::to_string(shots - hits),
        name + " accuracy: " + std::to_string(shots > 0 ? hits * 100 / shots : 0) + "%",
        // As the level's record has it: the share of the rounds that hit against the qualifying share.
        name + " score: " + std::to_string(range.GetPercent()) + "/" + std::to_string(range.GetQualify()),
        "",
        range.IsPassed() ? "Qualified" : "Not qualified",
        "Escape: back to the scenarios",
    };
    for (int i = 0; i < kReportLines; ++i)
        SetValue(kValueReport + i, lines[i]);
    // Shown as a page that takes the pointer back from the aim.
    if (!m_sResultsLayout.empty())
        ShowScript(3, kResultsLayoutId, m_sResultsLayout);
    else if (m_host.HostSetMouseInput != nullptr)
        m_host.HostSetMouseInput(0);
}

void SStandInPresenter::Stop() {
    if (m_bResults && m_host.HostShowLayout != nullptr)
        m_host.HostShowLayout(6, kResultsLayoutId);
    m_bResults = false;
    SActorWorld* views = m_pItems != nullptr ? m_pItems->m_pWorld[2] : nullptr;
    if (m_pWeapon != nullptr && views != nullptr && views->FindActor(m_pWeapon) >= 0)
        views->DestroyActor(m_pWeapon, 1);
    m_pWeapon = nullptr;
}
