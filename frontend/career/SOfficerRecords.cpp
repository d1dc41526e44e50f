#include "frontend/career/SOfficerRecords.h"

#include "core/SString.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"

namespace {
// Constant-initialised and without a destructor of its own, so it serves the hub's
// destruction at process exit whatever the order of the other static objects.
SOfficerRecords s_records;
}  // namespace

void SOfficerRecords::Install() { SOfficerHooks::Install(&s_records); }

SHunterInfoList* SOfficerRecords::CreateList() { return new SHunterInfoList; }

void SOfficerRecords::LoadList(SHunterInfoList& list, CArchive& ar) { list.Serialize(ar); }

void SOfficerRecords::DeleteList(SHunterInfoList* list) { delete list; }  // null is fine

SHunterInfo* SOfficerRecords::FindOfficer(const SHunterInfoList& list, const char* name) {
    if (name == nullptr)
        return list.GetRecord(0);
    return list.FindByName(name);
}

int SOfficerRecords::CountOfficers(const SHunterInfoList& list) { return list.GetCount(); }

void SOfficerRecords::GetOfficerDetails(const SHunterInfo& officer, SString& age, SString& location, SString& email) {
    age = officer.m_Bio.m_sAge;
    location = officer.m_Bio.GetLocation();
    email = officer.m_Bio.m_sEmail;
}
