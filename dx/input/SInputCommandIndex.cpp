#include "dx/input/SInputCommandIndex.h"

#include <algorithm>
#include <climits>

#include "core/SString.h"
#include "core/STextUtil.h"
#include "dx/input/SInputObjSettings.h"

namespace {

std::array<int32_t, 3> CodesOf(const SInputObjCommand& command) {
    return {command.m_iKeyCode, command.m_iMouseCode, command.m_iJoyCode};
}

void InsertSorted(std::vector<int>& list, int index) {
    list.insert(std::lower_bound(list.begin(), list.end(), index), index);
}

}  // namespace

void SInputCommandIndex::Reset() {
    m_bBuilt = false;
    m_iCount = 0;
    m_Names.clear();
    for (auto& holders : m_Holders)
        holders.clear();
    m_Indexed.clear();
    m_NameOf.clear();
    m_Touched.clear();
    m_bAllTouched = false;
}

void SInputCommandIndex::Build(const Records& records) {
    Reset();
    const int count = records.GetSize();
    m_Indexed.reserve(static_cast<size_t>(count));
    m_NameOf.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        Add(records[i], i);
    m_bBuilt = true;
}

void SInputCommandIndex::Add(const SInputObjCommand& command, int index) {
    const char* name = command.m_sName.GetString();
    int* first = nullptr;
    if (name[0] != '\0') {
        const auto made = m_Names.emplace(FoldedText(name), index);  // a later namesake leaves the first
        if (made.second)
            first = &made.first->second;
    }
    m_NameOf.push_back(first);
    m_Indexed.push_back({kNoCode, kNoCode, kNoCode});
    IndexCodes(index, CodesOf(command));
    m_iCount = index + 1;
}

void SInputCommandIndex::IndexCodes(int index, const Codes& codes) {
    Codes& indexed = m_Indexed[static_cast<size_t>(index)];
    for (size_t kind = 0; kind < codes.size(); ++kind) {
        if (codes[kind] == indexed[kind])
            continue;
        if (indexed[kind] != kNoCode) {
            auto found = m_Holders[kind].find(indexed[kind]);
            if (found != m_Holders[kind].end()) {
                std::vector<int>& list = found->second;
                list.erase(std::remove(list.begin(), list.end(), index), list.end());
                if (list.empty())
                    m_Holders[kind].erase(found);
            }
        }
        if (codes[kind] != kNoCode)
            InsertSorted(m_Holders[kind][codes[kind]], index);
        indexed[kind] = codes[kind];
    }
}

void SInputCommandIndex::Appended(const Records& records, int index) {
    // Anything but the next record in line means the index has lost track: built again later.
    if (!m_bBuilt || index != m_iCount || index >= records.GetSize()) {
        Reset();
        return;
    }
    Add(records[index], index);
}

void SInputCommandIndex::Removed(const Records& records, int index) {
    // The first of a name gives way to a later namesake, if any, which only a walk finds.
    if (!m_bBuilt || index < 0 || index >= m_iCount || records.GetSize() != m_iCount - 1 ||
        m_NameOf[static_cast<size_t>(index)] != nullptr) {
        Reset();
        return;
    }
    IndexCodes(index, {kNoCode, kNoCode, kNoCode});
    for (int later = index + 1; later < m_iCount; ++later)
        MoveDown(later);
    m_Indexed.erase(m_Indexed.begin() + index);
    m_NameOf.erase(m_NameOf.begin() + index);
    // A touch of the record that went means nothing now; the others follow their records.
    m_Touched.erase(std::remove(m_Touched.begin(), m_Touched.end(), index), m_Touched.end());
    for (int& touched : m_Touched) {
        if (touched > index)
            --touched;
    }
    --m_iCount;
}

// Every list and name entry holding the record at `index` holds it one place lower.
void SInputCommandIndex::MoveDown(int index) {
    const Codes& codes = m_Indexed[static_cast<size_t>(index)];
    for (size_t kind = 0; kind < codes.size(); ++kind) {
        if (codes[kind] == kNoCode)
            continue;
        std::vector<int>& list = m_Holders[kind][codes[kind]];
        *std::lower_bound(list.begin(), list.end(), index) = index - 1;
    }
    if (int* name = m_NameOf[static_cast<size_t>(index)])
        *name = index - 1;
}

void SInputCommandIndex::Touch(int index) {
    if (!m_bBuilt || m_bAllTouched || index < 0 || index >= m_iCount)
        return;
    // A pass over every record (as the input object makes each frame) needs no list of them.
    if (m_Touched.size() >= static_cast<size_t>(m_iCount)) {
        m_Touched.clear();
        m_bAllTouched = true;
        return;
    }
    m_Touched.push_back(index);
}

void SInputCommandIndex::Sync(const Records& records) {
    if (!m_bBuilt || m_iCount != records.GetSize()) {
        Build(records);
        return;
    }
    if (m_bAllTouched) {
        for (int i = 0; i < m_iCount; ++i)
            IndexCodes(i, CodesOf(records[i]));
    } else {
        for (const int i : m_Touched)
            IndexCodes(i, CodesOf(records[i]));
    }
    m_Touched.clear();
    m_bAllTouched = false;
}

int SInputCommandIndex::FindName(const Records& records, const char* name) {
    if (name == nullptr || name[0] == '\0')
        return -1;
    if (!m_bBuilt || m_iCount != records.GetSize())
        Build(records);
    const std::string key = FoldedText(name);
    auto found = m_Names.find(key);
    if (found == m_Names.end())
        return -1;
    // A record renamed behind the settings' back is caught here, at least when it was found.
    if (CompareTextNoCase(records[found->second].m_sName.GetString(), name) != 0) {
        Build(records);
        found = m_Names.find(key);
        if (found == m_Names.end())
            return -1;
    }
    return found->second;
}

int SInputCommandIndex::FindByCodes(const Records& records, int keyCode, int mouseCode, int joyCode) {
    Sync(records);
    const int32_t asked[3] = {keyCode, mouseCode, joyCode};
    int first = INT_MAX;
    for (size_t kind = 0; kind < 3; ++kind) {
        if (asked[kind] == kNoCode)
            continue;
        const auto found = m_Holders[kind].find(asked[kind]);
        if (found != m_Holders[kind].end())
            first = std::min(first, found->second.front());
    }
    return first == INT_MAX ? -1 : first;
}

void SInputCommandIndex::CollectHolders(const Records& records, int keyCode, int mouseCode, int joyCode, int keep,
                                        std::vector<int>& holders) {
    Sync(records);
    holders.clear();
    const int32_t asked[3] = {keyCode, mouseCode, joyCode};
    for (size_t kind = 0; kind < 3; ++kind) {
        if (asked[kind] == kNoCode)
            continue;
        const auto found = m_Holders[kind].find(asked[kind]);
        if (found == m_Holders[kind].end())
            continue;
        for (const int index : found->second) {
            if (index != keep)
                holders.push_back(index);
        }
    }
    std::sort(holders.begin(), holders.end());
    holders.erase(std::unique(holders.begin(), holders.end()), holders.end());
}
