#pragma once

#include <cstdint>
#include <unordered_set>

#include "frontend/career/SHuntStats.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CTime.h"

class SObjectDef;
class SObjectDefList;

// An officer's biography: eight texts embedded in the officer record. The game-logic library
// receives them as the "bio" values.
class SHunterBio : public CObject {
    DECLARE_SERIAL(SHunterBio)

public:
    static constexpr int32_t kVersion = 1;

    // A version word (not checked on reading), then city, state, e-mail, web page, age, the
    // sixth and seventh texts and the notes.
    void Serialize(CArchive& ar) override;
    // "city, state" with a line break; either alone with a line break; empty when both are.
    CString GetLocation() const;

    CString m_sCity;
    CString m_sState;
    CString m_sAge;
    CString m_sEmail;
    CString m_sURL;
    CString m_sText6;
    CString m_sText7;
    CString m_sNotes;
};

// One officer: name, progress through the levels, weapon scores and qualifications, biography,
// statistics, trophies, level scores and kits. Owned by the officer list; the hub's current
// officer is one of its records. Every change to stored data sets the changed flag, which only
// the list's save clears.
class SHunterInfo : public CObject {
    DECLARE_SERIAL(SHunterInfo)

public:
    static constexpr int32_t kVersion = 5;

    SHunterInfo();
    explicit SHunterInfo(const char* name);
    ~SHunterInfo() override;
    SHunterInfo(const SHunterInfo&) = delete;
    SHunterInfo& operator=(const SHunterInfo&) = delete;

    // Empties the map file and the first note and starts again at start index 0.
    void Reset();
    // Stores version 5; loads every version. After loading, the kit entries take the game
    // library's current definitions of their names.
    void Serialize(CArchive& ar) override;
    // Each kit entry (carried and stored) of a name that `library` defines becomes a copy of
    // that definition; the others keep their stored values. Nothing without a list.
    void RefreshKits(const SObjectDefList* library);

    // Puts the item in the carried kit: a stored entry of the same name comes back with the
    // item's values (and the item is deleted), otherwise the item itself is added. The record
    // takes the item.
    void TakeItem(SObjectDef* item);
    // Moves the first carried entry of that name to the stored kit.
    void StoreItem(const char* name);
    bool HasWeapon() const;

    // True, and marked changed, when the time differs from the one held.
    bool SetScenarioTime(const CTime& time);
    const CTime& GetScenarioTime() const { return m_tScenarioTime; }
    // The scenario time's month, day and time of day in the current year; 29 February becomes
    // 28 February in a year without it.
    CTime GetScenarioDate() const;
    void SetMapFile(const char* mapFile);
    const CString& GetMapFile() const { return m_sMapFile; }

    int GetTrophyCount() const;
    SObjectDef* GetTrophy(int index) const;
    // The record takes the trophy. Always true.
    bool AddTrophy(SObjectDef* trophy);
    void RemoveTrophy(int index);
    int GetLevelScoreCount() const;
    SObjectDef* GetLevelScore(int index) const;
    // The record takes the score; the caller marks the record changed.
    void AddLevelScore(SObjectDef* score);
    void RemoveLevelScore(int index);

    // The four scores from "Gun", "Sniper", "Shotgun" and "MP5"; each qualification not yet
    // earned from "GunQ", "SniperQ", "ShotgunQ" and "MP5Q".
    void ReadWeaponScores(const SObjectDef* scores);
    // Names the definition "QualifiedWeapons" and sets "Pistol9mm", "Sniper", "Shotgun" and
    // "MP5" to the four qualifications.
    void WriteQualifiedWeapons(SObjectDef* out) const;

    bool IsChanged() const { return m_bChanged != 0; }
    void SetChanged() { m_bChanged = 1; }
    void ClearChanged() { m_bChanged = 0; }

    // --- Fields, in the record's order ------------------------------------------------------
    CString m_sName;
    int32_t m_iRank = 0;
    int32_t m_iSkill = 0;
    CString m_sNote1;
    CString m_sNote2;
    int32_t m_iPortrait = 0;
    int32_t m_iLevelType = 0;
    int32_t m_iCounter4 = 0;  // not stored
    int32_t m_iDayNight = 0;
    int32_t m_iWork[4] = {0, 0, 0, 0};  // not stored
    int32_t m_iStartIndex = 0;
    SObjectDef* m_pSkinDef = nullptr;   // owned
    SObjectDef* m_pModelDef = nullptr;  // owned
    int32_t m_bTrophyAdded = 0;
    SHunterBio m_Bio;
    SHuntStats m_Stats;
    SObjectDefList* m_pCarriedKit = nullptr;  // each list owned with its entries
    SObjectDefList* m_pStoredKit = nullptr;
    SObjectDefList* m_pThirdKit = nullptr;
    CTime m_tScenarioTime;  // not stored
    int32_t m_bChanged = 0;
    CString m_sMapFile;  // empty: the target range
    SObjectDefList* m_pTrophies = nullptr;
    int32_t m_bQualifiedPistol = 0;  // latched: once earned never cleared
    int32_t m_bQualifiedShotgun = 0;
    int32_t m_bQualifiedSniper = 0;
    int32_t m_bQualifiedMP5 = 0;
    int32_t m_iScorePistol = 0;
    int32_t m_iScoreSniper = 0;
    int32_t m_iScoreShotgun = 0;
    int32_t m_iScoreMP5 = 0;
    int32_t m_iHighestPassedLevel = -1;
    int32_t m_iLevelIndex = 0;
    SObjectDefList* m_pLevelScores = nullptr;
};

namespace career {

// While an officer file is read, every record and list entry read so far: a file that names
// one object twice (through a back-reference) would hand it to two owners, so such a file is
// refused. A repeat met inside a record is only noted and left out, and the file is refused once
// the record is read whole, because the archive keeps (and so would leak) an object whose load
// fails after it handed out a back-reference. A reader opens one for the whole file; a record
// read on its own opens its own.
class LoadedObjects {
public:
    LoadedObjects();
    ~LoadedObjects();
    LoadedObjects(const LoadedObjects&) = delete;
    LoadedObjects& operator=(const LoadedObjects&) = delete;

    // False for an object read before (the file is then marked damaged); CArchiveException for
    // a null object.
    static bool Claim(CArchive& ar, const CObject* object);
    // CArchiveException when a repeat was met since the reading began.
    static void ThrowIfDamaged(CArchive& ar);
    // Whether this one spans the reading, not one opened inside it.
    bool IsOutermost() const { return m_pOuter == nullptr; }

    // The record being read. The archive keeps (does not delete) a record whose reading fails
    // after it handed out a back-reference, so the reader that spans the file deletes the one
    // left half-read; a record read whole, or deleted, is no longer half-read.
    static void BeginRecord(CObject* record);
    static void EndRecord(const CObject* record);
    CObject* TakeHalfRead();

private:
    std::unordered_set<const CObject*> m_seen;
    LoadedObjects* m_pOuter;
    CObject* m_pHalfRead = nullptr;
    bool m_bDamaged = false;
};

}  // namespace career
