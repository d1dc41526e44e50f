#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "dx/input/SInputCommandIndex.h"

// Who names whom among the input commands' steps, and the loop check built on it: a step may
// not lead back to the command it is added to. A step leads to the command of its whole text (a
// queued step runs by it) and to the command of its name without one leading "+" or "-" (the
// console drops the mark); only the first command of a name is ever reached, so only the steps
// of first namesakes are filed. Names are filed once as numbers, so a check follows numbers
// only. It searches from both ends at once, from the step forward along the steps and from the
// command back along the steps that name it, and stops as soon as either side runs out: a long
// chain of aliases costs little whichever way it was written, and no chain is too long for the
// stack.
//
// The settings tell the index of every step added and every list cleared; anything else
// (loading, copying, emptying) resets it, and it is filed anew on the next check. Named commands
// are only ever appended or renamed by case, and unnamed ones, which no step reaches, are the
// only ones removed, so filing by name survives every other change of the command array.
class SInputStepIndex {
public:
    using Records = SInputCommandIndex::Records;

    void Reset();
    // A step appended to the command at `index`, or all of its steps about to go; `first` says
    // whether that command is the first of its name (the settings know).
    void StepAdded(const Records& records, int index, bool first, const char* step);
    void StepsCleared(const Records& records, int index, bool first);

    // Whether `step`, added to the command at `index`, would lead back to a command of that
    // command's name (any case). A step of an unnamed command never does.
    bool LeadsBack(const Records& records, int index, const char* step);

private:
    // A name: the names its command's steps lead to (once per step and name), and the names
    // whose commands' steps lead to it, each with how many steps do.
    struct Node {
        std::vector<int> next;
        std::unordered_map<int, int> namers;
    };
    class Search;

    void Build(const Records& records);
    int Find(const char* name) const;
    int Intern(const char* name);
    void File(int source, const char* step);
    // Starts a search with no name marked on either side.
    void NewRound();

    bool m_bBuilt = false;
    std::unordered_map<std::string, int> m_Ids;  // folded name -> its node
    std::vector<Node> m_Nodes;
    // Marks of the two sides of a search: a name is marked when its entry holds the round.
    std::vector<uint32_t> m_Ahead, m_Behind;
    uint32_t m_nRound = 0;
};
