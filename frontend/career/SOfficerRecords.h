#pragma once

#include "app/SOfficerHooks.h"

// The front end's side of the hub's officer list: makes, reads, searches and deletes lists of
// officer records for the hub. One static instance serves the whole process.
class SOfficerRecords final : public SOfficerHooks {
public:
    // Installs the one instance for the hub; calling it again changes nothing.
    static void Install();

    SHunterInfoList* CreateList() override;
    void LoadList(SHunterInfoList& list, CArchive& ar) override;
    void DeleteList(SHunterInfoList* list) override;
    SHunterInfo* FindOfficer(const SHunterInfoList& list, const char* name) override;
    int CountOfficers(const SHunterInfoList& list) override;
    void GetOfficerDetails(const SHunterInfo& officer, SString& age, SString& location, SString& email) override;
};
