#pragma once

#include <cstdint>
#include <string>

#include "app/SHostCallbacks.h"

class SGameItems;
class SObjectDefList;

// One target-range session of the stand-in library: the officer qualifies on one weapon with
// a fixed number of rounds and a time limit. The view turns by the two axis commands, each
// shot is a line test from the view, and when the rounds or the time are used up, or the host
// ends the session, the results go to the host through its scores callback. Owned by the
// library's state; lives from the session start to the next one.
class SStandInRange {
public:
    // Library states the host looks at: playing (the host may end the session with its end
    // command), and over (reported to the host as the end of the session).
    static constexpr int16_t kStatePlaying = 7;
    static constexpr int16_t kStateEnded = 0;
    static constexpr int16_t kStateFinished = -1;
    static constexpr float kRange = 500.0f;       // metres a shot reaches
    static constexpr int kPointsPerHit = 100;
    static constexpr const char* kDefaultWeapon = "Pistol9mm";
    static constexpr const char* kRangeDefinition = "TargetRange";
    static constexpr int kWorldCapacity = 64;

    // Reads the player's definition, the weapon and the qualifying rules (the defaults stand
    // where the host gives none), opens the outdoor scene on the level's map and places the
    // view; true once playing, false (with the reason in GetError) when the map cannot be had.
    bool Start(SGameItems* items, const SHostCallbacks& host, SObjectDefList& objects, uint32_t now);
    // The time limit; true when the session ended in this call.
    bool Update(uint32_t now);
    // Turns the view by degrees (yaw) or tilts it (pitch), pitch kept within +-80.
    void Turn(float degrees);
    void Tilt(float degrees);
    // One shot: true when it hit an actor. A shot with no rounds left does nothing.
    bool Fire();
    // Reports the results and ends the session: the state becomes `state`.
    void Finish(int16_t state);

    int16_t GetState() const { return m_state; }
    int GetShots() const { return m_nShots; }
    int GetHits() const { return m_nHits; }
    int GetRounds() const { return m_nRounds; }
    int GetScore() const { return m_nHits * kPointsPerHit; }
    // Hits as a whole percentage of the rounds.
    int GetPercent() const { return m_nRounds > 0 ? m_nHits * 100 / m_nRounds : 0; }
    bool IsPassed() const { return GetPercent() >= m_nQualify; }
    const std::string& GetWeapon() const { return m_sWeapon; }
    float GetYaw() const { return m_fYaw; }
    float GetPitch() const { return m_fPitch; }
    const std::string& GetError() const { return m_sError; }

private:
    // The scene the shots are tested against; true also when there is no renderer to open.
    bool OpenScene(const SHostCallbacks& host, SObjectDefList& objects);
    void PlaceView();

    std::string m_sError;
    SGameItems* m_pItems = nullptr;
    SHostCallbacks m_host{};
    int16_t m_state = kStateEnded;
    std::string m_sWeapon = kDefaultWeapon;
    int m_nRounds = 0;
    int m_nShots = 0;
    int m_nHits = 0;
    int m_nQualify = 0;
    uint32_t m_dwStart = 0;
    uint32_t m_dwTimeLimit = 0;  // milliseconds; 0 = none
    float m_fYaw = 0.0f;
    float m_fPitch = 0.0f;
    float m_fPosition[3] = {0.0f, 1.7f, 0.0f};  // eye height of a standing officer
};
