#pragma once

#include "app/SOfficerHooks.h"

// The front end's side of the hub's officer list: makes, reads, searches and deletes lists of
// officer records for the hub. One static instance serves the whole process.
class SOfficerRecords final : public SOfficerHooks {
public:
    // Installs the one instance for the hub; calling it again changes nothing.
    static void Install();
    // The page that gives a new officer its starting kit makes officers once it exists; until
    // then, or when the maker cannot make one, a new officer starts with an empty kit. Null goes
    // back to that.
    using OfficerMaker = SHunterInfo* (*)(SGameObjects* hub, const char* name, const char* kitName,
                                          SObjectDefList* items);
    static void SetOfficerMaker(OfficerMaker maker);

    SHunterInfoList* CreateList() override;
    void LoadList(SHunterInfoList& list, CArchive& ar) override;
    void DeleteList(SHunterInfoList* list) override;
    bool SaveList(SHunterInfoList& list) override;
    SHunterInfo* FindOfficer(const SHunterInfoList& list, const char* name) override;
    int CountOfficers(const SHunterInfoList& list) override;
    SHunterInfo* CreateOfficer(SGameObjects* hub, const char* name, const char* kitName,
                               SObjectDefList* items) override;
    void GetOfficerDetails(const SHunterInfo& officer, SString& age, SString& location, SString& email) override;
    SObjectDefList* GetKit(SHunterInfo& officer, Kit kit) override;
    void GetGameValues(const SHunterInfo& officer, SOfficerGameValues& values) override;
    void ClearTrophyAdded(SHunterInfo& officer) override;
    void ExportStats(const SHunterInfo& officer, SDataCollection* values) override;
    void ImportStats(SHunterInfo& officer, const SDataCollection* values) override;
    void WriteQualifiedWeapons(const SHunterInfo& officer, SObjectDef* out) override;
    void ReadWeaponScores(SHunterInfo& officer, const SObjectDef* scores) override;
    int GetTrophyCount(const SHunterInfo& officer) override;
    void AddTrophy(SHunterInfo& officer, SObjectDef* trophy) override;
    void CountLegalTrophy(SHunterInfo& officer) override;
    void AddLevelScore(SHunterInfo& officer, SObjectDef* score) override;
    void SetHighestPassedLevel(SHunterInfo& officer, int level) override;
    void SetChanged(SHunterInfo& officer) override;
};
