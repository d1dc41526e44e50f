#pragma once

#include <cstdint>

#include "sys/classlib/CString.h"

class CArchive;
class SDataCollection;
class SGameObjects;
class SHunterInfo;
class SHunterInfoList;
class SObjectDef;
class SObjectDefList;
class SString;

// What the game-logic library is told of an officer before a game, read in one go.
struct SOfficerGameValues {
    CString m_sName;
    CString m_sMapFile;  // empty: the target range
    int32_t m_iStartIndex = 0;
    int32_t m_iLevelType = 0;
    int32_t m_iDayNight = 0;
    int32_t m_iLevelIndex = 0;
    int32_t m_iHighestPassedLevel = -1;
    const SObjectDef* m_pOwnDefs[2] = {nullptr, nullptr};  // skin and model; may be null
    SObjectDefList* m_pLevelScores = nullptr;             // the library gets its address
    CString m_sAge;
    CString m_sCity;
    CString m_sState;
    CString m_sLocation;
    CString m_sEmail;
    CString m_sNotes;
    CString m_sURL;
};

// The officer records belong to the front end, above the application: the hub makes, reads,
// searches and deletes its officer list through this interface, which the front end installs
// once. The installed object lives for the whole process (the hub deletes its list at exit),
// so it is a static object and nobody deletes it through this interface.
class SOfficerHooks {
public:
    // Null uninstalls.
    static void Install(SOfficerHooks* hooks);
    // The installed hooks; null while the front end has installed none.
    static SOfficerHooks* Installed();

    virtual SHunterInfoList* CreateList() = 0;
    // Appends the records an officer file holds; file and archive exceptions pass on, with
    // nothing of a file that cannot be read whole added.
    virtual void LoadList(SHunterInfoList& list, CArchive& ar) = 0;
    // Deletes the list with its records.
    virtual void DeleteList(SHunterInfoList* list) = 0;
    // Writes the list to the officer file when it has changed; false (the user told) when the
    // file cannot be written.
    virtual bool SaveList(SHunterInfoList& list) = 0;
    // The first record, or with a name the first whose name is exactly that; null when none.
    virtual SHunterInfo* FindOfficer(const SHunterInfoList& list, const char* name) = 0;
    virtual int CountOfficers(const SHunterInfoList& list) = 0;
    // A new officer of that name on the hub's list, given the starting kit of that name from
    // `items` and made current; the officer file is not written. Null when none can be made.
    virtual SHunterInfo* CreateOfficer(SGameObjects* hub, const char* name, const char* kitName,
                                       SObjectDefList* items) = 0;
    // What the game-logic library is told of the current officer.
    virtual void GetOfficerDetails(const SHunterInfo& officer, SString& age, SString& location,
                                   SString& email) = 0;

    // --- What the game-logic library's callbacks read and change of an officer ---------------
    enum Kit { kCarriedKit = 0, kStoredKit = 1, kJournal = 2 };
    // The kit list (never null while the officer lives).
    virtual SObjectDefList* GetKit(SHunterInfo& officer, Kit kit) = 0;
    virtual void GetGameValues(const SHunterInfo& officer, SOfficerGameValues& values) = 0;
    virtual void ClearTrophyAdded(SHunterInfo& officer) = 0;
    // The statistics as "HS_" values, and a game's statistics taken back from them.
    virtual void ExportStats(const SHunterInfo& officer, SDataCollection* values) = 0;
    virtual void ImportStats(SHunterInfo& officer, const SDataCollection* values) = 0;
    virtual void WriteQualifiedWeapons(const SHunterInfo& officer, SObjectDef* out) = 0;
    virtual void ReadWeaponScores(SHunterInfo& officer, const SObjectDef* scores) = 0;
    virtual int GetTrophyCount(const SHunterInfo& officer) = 0;
    // The officer takes the definition.
    virtual void AddTrophy(SHunterInfo& officer, SObjectDef* trophy) = 0;
    virtual void CountLegalTrophy(SHunterInfo& officer) = 0;
    // The officer takes the definition.
    virtual void AddLevelScore(SHunterInfo& officer, SObjectDef* score) = 0;
    virtual void SetHighestPassedLevel(SHunterInfo& officer, int level) = 0;
    // Marks the officer for saving.
    virtual void SetChanged(SHunterInfo& officer) = 0;

protected:
    SOfficerHooks() = default;
    ~SOfficerHooks() = default;
    SOfficerHooks(const SOfficerHooks&) = default;
    SOfficerHooks& operator=(const SOfficerHooks&) = default;
};
