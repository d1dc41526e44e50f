#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "sys/classlib/CArray.h"

class SInputObjCommand;

// Finds input commands by name and by code without walking every record: a script of many
// bindings would otherwise look through all the commands it has made for every line it runs.
// It stands beside the settings' command array and answers exactly as a walk of the array in
// index order would: the first command of a name (compared without regard to case), the first
// command holding a code.
//
// The settings tell it what changes: records appended, records removed, records whose codes may
// change (every record handed out for writing), and everything else (copying, loading) by a
// reset, after which the next lookup builds it anew. A record changed through a pointer handed
// out earlier must be taken again after a lookup; names change only through the settings.
class SInputCommandIndex {
public:
    using Records = CArray<SInputObjCommand, const SInputObjCommand&>;

    void Reset();
    // The record at `index` has been appended (its name and codes set).
    void Appended(const Records& records, int index);
    // The record that was at `index` is gone and those after it have moved down by one. Costs
    // what the array's own removal costs: a script that binds one input again and again removes
    // the last holder each time, and building anew would hash every name once per line.
    void Removed(const Records& records, int index);
    // The record's codes may have changed; it is looked at again before the next code lookup.
    void Touch(int index);

    // The first record of the name, -1 for none (or an empty name).
    int FindName(const Records& records, const char* name);
    // The first record whose key, mouse or joystick code is the given one (-1: not asked).
    int FindByCodes(const Records& records, int keyCode, int mouseCode, int joyCode);
    // Every record but `keep` that holds one of the given codes, in index order.
    void CollectHolders(const Records& records, int keyCode, int mouseCode, int joyCode, int keep,
                        std::vector<int>& holders);

private:
    using Codes = std::array<int32_t, 3>;
    static constexpr int kNoCode = -1;

    void Build(const Records& records);
    // Brings the code lists up to date with the touched records.
    void Sync(const Records& records);
    void Add(const SInputObjCommand& command, int index);
    void IndexCodes(int index, const Codes& codes);
    void MoveDown(int index);

    bool m_bBuilt = false;
    int m_iCount = 0;  // records the index knows
    std::unordered_map<std::string, int> m_Names;  // lower-case name -> first record
    // Per kind (key, mouse, joystick): code -> the records holding it, in index order.
    std::unordered_map<int32_t, std::vector<int>> m_Holders[3];
    std::vector<Codes> m_Indexed;  // the codes each record is listed under
    // Per record, its entry in the names map when it is the first of its name, else null. The
    // map's values stay where they are as it grows, and nothing is taken out of it but by a reset.
    std::vector<int*> m_NameOf;
    std::vector<int> m_Touched;
    bool m_bAllTouched = false;
};
