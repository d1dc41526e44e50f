#pragma once

#include <cstdint>

#include "sys/classlib/CObList.h"

class SHunterInfo;

// Every officer, in the order they were made, stored whole in the officer file "player.cfg".
// The hub holds the one list the program uses; the list owns its records. It remembers
// whether it or any record changed, so that a save without changes writes nothing.
class SHunterInfoList : public CObList {
    DECLARE_SERIAL(SHunterInfoList)

public:
    static constexpr const char* kFileName = "player.cfg";
    // What the officer pages say when the file cannot be written.
    static constexpr const char* kSaveFailedText = "Failed to create hunter file!\n";
    static constexpr const char* kCreateFailedText = "Failed to create player file!\n";

    SHunterInfoList() = default;
    // Deletes every record.
    ~SHunterInfoList() override;
    SHunterInfoList(const SHunterInfoList&) = delete;
    SHunterInfoList& operator=(const SHunterInfoList&) = delete;

    // The list's own changed flag or any record's; the answer is kept in the list's flag.
    bool IsModified();
    void SetModified() { m_bChanged = 1; }
    // Clears the list's changed flag and every record's.
    void ClearModified();

    // Storing writes nothing at all when nothing changed. Loading appends the file's records;
    // a file that cannot be read whole, or holds bytes after its last record, adds none of
    // them. Either way the changed flags are cleared afterwards.
    void Serialize(CArchive& ar) override;
    // The object list alone, whatever the flags say, which it leaves as they are.
    void StoreRecords(CArchive& ar) const;
    void LoadRecords(CArchive& ar);

    // Writes the list to the file when it changed, through a temporary copy renamed over the
    // old file, so a failure at any point leaves the old file whole. Only a completed save
    // clears the changed flags; a failed one keeps them, shows `failureText` and answers false.
    // A list that the next start would refuse to read (more text than an archive reads, or a
    // file larger than the hub reads) fails the same way, and the old file stays.
    // While the hub keeps Home unwritten it writes nothing and answers false without a word.
    bool Save(const char* fileName, const char* failureText);

    // Takes back a record just added whose making a close request cut short: it is deleted and
    // the changed flag is put back as it was before, so no save writes a part of an officer.
    void Withdraw(SHunterInfo* record, bool wasModified);

    SHunterInfo* GetRecord(int index) const;
    // The first record whose name is exactly `name`; null when none.
    SHunterInfo* FindByName(const char* name) const;
    void DeleteAll();

private:
    int32_t m_bChanged = 0;
};
