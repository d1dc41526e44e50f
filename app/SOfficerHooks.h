#pragma once

class CArchive;
class SHunterInfo;
class SHunterInfoList;
class SString;

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
    // The first record, or with a name the first whose name is exactly that; null when none.
    virtual SHunterInfo* FindOfficer(const SHunterInfoList& list, const char* name) = 0;
    virtual int CountOfficers(const SHunterInfoList& list) = 0;
    // What the game-logic library is told of the current officer.
    virtual void GetOfficerDetails(const SHunterInfo& officer, SString& age, SString& location,
                                   SString& email) = 0;

protected:
    SOfficerHooks() = default;
    ~SOfficerHooks() = default;
    SOfficerHooks(const SOfficerHooks&) = default;
    SOfficerHooks& operator=(const SOfficerHooks&) = default;
};
