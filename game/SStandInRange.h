#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/SHostCallbacks.h"
#include "game/SStandInCareer.h"

class SActor;
class SActorWorld;
class SGameItems;
class SObjectDefList;
class STexture2;

// One target-range session of the stand-in library: the officer qualifies on one weapon with
// a fixed number of rounds and a time limit, shooting at a row of boards set up ahead of him.
// The view turns by the two axis commands, each shot is a line test from the view scored by
// the board's hit region it lands in, and when the rounds or the time are used up, or the host
// ends the session, the results go to the host through its scores callback. Owned by the
// library's state; lives from the session start to the next one.
class SStandInRange {
public:
    // Library states the host looks at: playing and showing the results (the host may end
    // the session from either with its end command), and over (the session has ended).
    static constexpr int16_t kStatePlaying = 7;
    static constexpr int16_t kStateResults = 11;
    static constexpr int16_t kStateEnded = 0;
    static constexpr float kRange = 500.0f;       // metres a shot reaches
    // The row of targets, straight ahead of the officer at the start, in metres; the boards
    // are the demo's target model, whose texture's hit regions carry a "Score" tag.
    static constexpr int kTargetCount = 5;
    static constexpr float kTargetDistance = 20.0f;
    static constexpr float kTargetSpacing = 3.0f;
    static constexpr float kTargetHalfWidth = 0.5f;
    static constexpr float kTargetHeight = 2.0f;
    static constexpr const char* kTargetModel = "Models/Range/target.ssm";
    static constexpr const char* kTargetTexture = "Models/Range/target.stx";
    // A shot into the ground leaves this mark where it landed, drawn at a quarter of the
    // texture's own size.
    static constexpr const char* kHoleTexture = "Models/Range/bullethole.stx";
    static constexpr float kHoleScale = 0.25f;
    // The weapon and its rounds where the started level names no weapon range.
    static constexpr const char* kDefaultWeapon = "Pistol9mm";
    static constexpr int kDefaultRounds = 10;
    static constexpr const char* kRangeDefinition = "TargetRange";
    static constexpr int kWorldCapacity = 64;
    // The longest line a layout file may have: a line of a screen's layout is a few dozen
    // characters, and one far longer is a damaged file, which would be drawn as nothing.
    static constexpr size_t kMaxLayoutLine = 65536;
    // The most of a layout file that is read: a screen's layout is a few kilobytes, and one
    // far larger is no layout (each item is drawn every frame), so its read stops here.
    static constexpr size_t kMaxLayoutSize = 1 << 20;

    // Reads the player's definition and the started level's weapon, rounds and qualifying
    // score (the defaults stand where the host gives none), opens the outdoor scene on the level's map and places the
    // view; true once playing, false (with the reason in GetError) when the map cannot be had.
    bool Start(SGameItems* items, const SHostCallbacks& host, SObjectDefList& objects, uint32_t now);
    // The time limit; true when the session ended in this call.
    bool Update(uint32_t now);
    // Stops the clock (the time left stays as it is) or lets it run on from where it stopped.
    void HoldClock(bool hold, uint32_t now);
    // Turns the view by degrees (yaw) or tilts it (pitch), pitch kept within +-80.
    void Turn(float degrees);
    void Tilt(float degrees);
    // One shot: true when it hit a target. A shot with no rounds left does nothing.
    bool Fire();
    // Reports the results and stops play: the state becomes `state`. The officer and the
    // boards stay until Close, so the last shot is still heard and seen.
    void Finish(int16_t state);
    // Takes the session's actors away; the state becomes `state`.
    void Close(int16_t state);

    int16_t GetState() const { return m_state; }
    int GetShots() const { return m_nShots; }
    int GetHits() const { return m_nHits; }
    int GetRounds() const { return m_nRounds; }
    // The points of every hit's best region.
    int GetScore() const { return m_nPoints; }
    // The region the last shot landed in ("" for a miss or a board without regions) and
    // its points.
    const std::string& GetLastRegion() const { return m_sLastRegion; }
    int GetLastPoints() const { return m_nLastPoints; }
    // Hits as a whole percentage of the rounds: the score that qualifies.
    int GetPercent() const { return m_nRounds > 0 ? m_nHits * 100 / m_nRounds : 0; }
    bool IsPassed() const { return GetPercent() >= m_nQualify; }
    const std::string& GetWeapon() const { return m_sWeapon; }
    float GetYaw() const { return m_fYaw; }
    float GetPitch() const { return m_fPitch; }
    const std::string& GetError() const { return m_sError; }
    int GetQualify() const { return m_nQualify; }
    // Milliseconds left of the time limit; -1 without one.
    int GetTimeLeft(uint32_t now) const;
    // The officer's eyes (what hears and sees), the board the last shot hit (null for a miss).
    SActor* GetEyes() const { return m_pEyes; }
    SActor* GetLastTarget() const { return m_pLastTarget; }
    SActorWorld* World() const;

private:
    // Reads the boards' model and texture whole; false with the file and the reason in the error.
    bool CheckBoardFiles();
    // The heads-up and results layouts the HUD definition names: false, with the file and the
    // reason in the error, for one that is there but cannot be read, is empty, holds bytes or
    // lines no layout has, is far larger than any layout, or whose blocks nest too deep to be
    // drawn.
    bool CheckLayoutFiles(const SObjectDefList& objects);
    // The scene the shots are tested against; true also when there is no renderer to open.
    bool OpenScene(const SHostCallbacks& host, SObjectDefList& objects);
    void PlaceView();
    // The officer's body and eyes and the targets, in the first world; the client state
    // names the body and the eyes.
    void PlaceActors();
    void ForgetActors();
    void ReleaseRoles();
    // The target the line from the eye meets first within `reach` metres, -1 for none, with
    // the point's texture coordinates (0..1, v down from the board's top).
    int FindTargetHit(const SVector& eye, const SVector& direction, float reach, float* u, float* v) const;
    // The best "Score" of the target texture's regions at (u, v), with that region's name.
    int ScoreAt(float u, float v, std::string& region) const;
    // Lays the hole mark on the ground at `point` (scene units) through the renderer.
    void MarkGround(const SVector& point);
    // Milliseconds played by `now`: the clock's time while it is held.
    uint32_t Played(uint32_t now) const { return (m_bHeld ? m_dwHeldAt : now) - m_dwStart; }
    // A Home file's path: under the host's base path, or in the working folder without one.
    std::string InHome(const char* path) const;

    std::string m_sError;
    SGameItems* m_pItems = nullptr;
    SHostCallbacks m_host{};
    int16_t m_state = kStateEnded;
    std::string m_sWeapon = kDefaultWeapon;
    SRangeRules m_rules;
    const SObjectDefList* m_pObjects = nullptr;       // the library's definitions
    const SObjectDefList* m_pLevelRecords = nullptr;  // the officer's, handed over by the host
    int m_nRounds = 0;
    int m_nLevelIndex = 0;
    int m_nShots = 0;
    int m_nHits = 0;
    int m_nPoints = 0;
    std::string m_sLastRegion;
    int m_nLastPoints = 0;
    SActor* m_pOfficer = nullptr;  // owned by the world, like the eyes and the targets
    SActor* m_pEyes = nullptr;
    SActor* m_pTargets[kTargetCount] = {};
    SActor* m_pLastTarget = nullptr;
    std::shared_ptr<STexture2> m_pTargetTexture;  // its regions score the shots
    int m_nQualify = 0;
    uint32_t m_dwStart = 0;
    uint32_t m_dwTimeLimit = 0;  // milliseconds; 0 = none
    uint32_t m_dwNow = 0;        // the time of the last update
    uint32_t m_dwSpent = 0;      // milliseconds played, once play stopped
    bool m_bHeld = false;        // the clock stands at m_dwHeldAt
    uint32_t m_dwHeldAt = 0;
    float m_fYaw = 0.0f;
    float m_fPitch = 0.0f;
    float m_fPosition[3] = {0.0f, 1.7f, 0.0f};  // eye height of a standing officer
};
