#pragma once

#include <cstdint>
#include <string>

#include "app/SHostCallbacks.h"

class CFileException;
class SActor;
class SGameItems;
class SObjectDefList;
class SStandInRange;
class SViewModel;

// What the officer sees and hears of a range session besides the world itself: the heads-up
// display and the values it reads, the weapon in first person with its kick, the sounds of the
// shots, the hits and the range, and the results once play stops. The layouts are the Home
// folder's, named by the "HUD" definition; the sounds and the weapon's model are named by the
// weapon's and the range's definitions. Owned by the library's state; one session at a time.
class SStandInPresenter {
public:
    // Overlay numbers, which are also their scripts' entries in the client state's table.
    static constexpr int kHudLayoutId = 1;
    static constexpr int kResultsLayoutId = 2;
    // Entries of the client state's value table that the layouts show.
    static constexpr int kValueRounds = 10;
    static constexpr int kValueTime = 11;
    static constexpr int kValueScore = 12;
    static constexpr int kValueWeapon = 13;
    static constexpr int kValueReport = 20;  // the results' lines follow one another from here
    static constexpr int kReportLines = 8;
    static constexpr float kSoundSpeed = 343.0f;  // metres a second, for the knock of a hit
    // What the heads-up display is without its layout file: the 3D view over the display.
    static constexpr const char* kPlainHud = "group(0,0,xr,yb) renderframe(0,0,xr,yb,60) endgroup";

    // The weapon belongs to the third actor world, which the host clears before the library
    // goes, so nothing is left to take away then.
    SStandInPresenter() = default;
    ~SStandInPresenter() = default;
    SStandInPresenter(const SStandInPresenter&) = delete;
    SStandInPresenter& operator=(const SStandInPresenter&) = delete;

    // Shows the heads-up display, puts the weapon in view and starts the range's loop.
    void Start(SGameItems* items, const SHostCallbacks& host, const SObjectDefList& objects,
               const SStandInRange& range, uint32_t now);
    // The display's values, the weapon's kick settling and the sounds, once a frame.
    void Update(const SStandInRange& range, uint32_t now);
    // After each shot: its report, the weapon's kick, and the board's sound when it was hit.
    void OnShot(const SStandInRange& range);
    // The session's report over the view, which takes the pointer back from the aim.
    void ShowResults(const SStandInRange& range);
    // Takes the weapon and the results away; before the range's actors go.
    void Stop();

    SViewModel* GetWeapon() const { return m_pWeapon; }
    const std::string& GetShotSound() const { return m_sShotSound; }

    // The text of a layout file, a line feed after each line, up to the layout bound
    // (SStandInRange::kMaxLayoutSize); *pTooLarge, when given, tells whether the file holds more.
    // False when it cannot be opened or read, with the cause in *pError when given.
    static bool ReadScript(const std::string& path, std::string& script, CFileException* pError = nullptr,
                           bool* pTooLarge = nullptr);

private:
    std::string InHome(const std::string& path) const;
    // The text of a Home file, or `fallback` when it cannot be read.
    std::string ReadLayout(const std::string& path, const char* fallback) const;
    void SetValue(int entry, const std::string& text);
    // The heads-up values: rounds left, time left, score and the weapon's name.
    void WriteHeadsUp(const SStandInRange& range, uint32_t now);
    void ShowScript(int kind, int id, const std::string& script);
    // A sound the actor makes once (or over and over with `loop`), heard by the officer: at full
    // level from `fullLevelWithin` metres or nearer (the actor sounds' own metre otherwise),
    // starting `delayMs` milliseconds of play from now.
    void Emit(SActor* actor, const std::string& file, bool loop, float fullLevelWithin = 0.0f, int32_t delayMs = 0);
    void PlaceWeapon(const std::string& model);

    SGameItems* m_pItems = nullptr;
    SHostCallbacks m_host{};
    std::string m_sWeaponName;
    std::string m_sResultsLayout;
    std::string m_sShotSound;
    std::string m_sHitSound;
    SViewModel* m_pWeapon = nullptr;  // owned by the third actor world while it is there
    float m_fKick = 0.0f;             // radians the weapon rises with a shot
    float m_fKickDecay = 0.0f;        // radians it settles by each millisecond
    uint32_t m_dwLast = 0;
    bool m_bResults = false;
};
