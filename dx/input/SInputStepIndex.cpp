#include "dx/input/SInputStepIndex.h"

#include <algorithm>
#include <unordered_set>

#include "core/SString.h"
#include "core/STextUtil.h"
#include "dx/input/SInputObjSettings.h"

namespace {

// The names a step runs by: its whole text and, when it has one, its name without the mark.
struct StepNames {
    explicit StepNames(const char* step) : names{step, WithoutMark(step)}, count(names[0] == names[1] ? 1 : 2) {}
    const char* const* begin() const { return names; }
    const char* const* end() const { return names + count; }
    const char* names[2];
    int count;
};

}  // namespace

// One check: the names reached from the new step (ahead) and those that reach the command it is
// given to (behind). A name marked on both sides is a way round; a side with nothing left to
// follow has shown there is none. Each turn follows one step or one namer, so the check costs
// about twice the smaller side.
class SInputStepIndex::Search {
public:
    enum Result { kGoing, kMet, kDone };

    Search(SInputStepIndex& owner, int home) : m_owner(owner) { Mark(m_owner.m_Behind, home, m_behind); }

    // The names the step itself leads to.
    Result Start(const char* step) {
        for (const char* name : StepNames(step)) {
            const int next = m_owner.Find(name);
            if (next < 0)
                continue;
            if (IsMarked(m_owner.m_Behind, next))
                return kMet;
            Mark(m_owner.m_Ahead, next, m_ahead);
        }
        return kGoing;
    }

    Result Ahead() {
        while (m_aheadNode == nullptr || m_aheadAt == m_aheadNode->next.size()) {
            if (m_ahead.empty())
                return kDone;
            m_aheadNode = &m_owner.m_Nodes[static_cast<size_t>(m_ahead.back())];
            m_ahead.pop_back();
            m_aheadAt = 0;
        }
        const int next = m_aheadNode->next[m_aheadAt++];
        if (IsMarked(m_owner.m_Behind, next))
            return kMet;
        Mark(m_owner.m_Ahead, next, m_ahead);
        return kGoing;
    }

    Result Behind() {
        while (m_behindNode == nullptr || m_namer == m_behindNode->namers.end()) {
            if (m_behind.empty())
                return kDone;
            m_behindNode = &m_owner.m_Nodes[static_cast<size_t>(m_behind.back())];
            m_behind.pop_back();
            m_namer = m_behindNode->namers.begin();
        }
        const int namer = (m_namer++)->first;
        if (IsMarked(m_owner.m_Ahead, namer))
            return kMet;
        Mark(m_owner.m_Behind, namer, m_behind);
        return kGoing;
    }

private:
    bool IsMarked(const std::vector<uint32_t>& marks, int node) const {
        return marks[static_cast<size_t>(node)] == m_owner.m_nRound;
    }

    void Mark(std::vector<uint32_t>& marks, int node, std::vector<int>& pending) {
        if (IsMarked(marks, node))
            return;
        marks[static_cast<size_t>(node)] = m_owner.m_nRound;
        pending.push_back(node);
    }

    SInputStepIndex& m_owner;
    std::vector<int> m_ahead, m_behind;  // marked and not yet followed
    const Node* m_aheadNode = nullptr;
    size_t m_aheadAt = 0;
    const Node* m_behindNode = nullptr;
    std::unordered_map<int, int>::const_iterator m_namer;
};

void SInputStepIndex::Reset() {
    m_bBuilt = false;
    m_Ids.clear();
    m_Nodes.clear();
}

int SInputStepIndex::Find(const char* name) const {
    if (name[0] == '\0')
        return -1;  // no command is found by an empty name
    const auto found = m_Ids.find(FoldedText(name));
    return found != m_Ids.end() ? found->second : -1;
}

int SInputStepIndex::Intern(const char* name) {
    const auto made = m_Ids.try_emplace(FoldedText(name), static_cast<int>(m_Nodes.size()));
    if (made.second)
        m_Nodes.emplace_back();
    return made.first->second;
}

void SInputStepIndex::File(int source, const char* step) {
    for (const char* name : StepNames(step)) {
        if (name[0] == '\0')
            continue;
        const int target = Intern(name);
        m_Nodes[static_cast<size_t>(source)].next.push_back(target);
        ++m_Nodes[static_cast<size_t>(target)].namers[source];
    }
}

void SInputStepIndex::Build(const Records& records) {
    Reset();
    std::unordered_set<int> filed;
    for (int i = 0; i < records.GetSize(); ++i) {
        const SInputObjCommand& command = records[i];
        if (command.m_sName.IsEmpty())
            continue;
        const int source = Intern(command.m_sName.GetString());
        if (!filed.insert(source).second)
            continue;  // a later namesake, which no step reaches
        for (const SString& step : command.m_Steps)
            File(source, step.GetString());
    }
    m_bBuilt = true;
}

void SInputStepIndex::StepAdded(const Records& records, int index, bool first, const char* step) {
    const SInputObjCommand& command = records[index];
    if (m_bBuilt && first && !command.m_sName.IsEmpty())
        File(Intern(command.m_sName.GetString()), step);
}

void SInputStepIndex::StepsCleared(const Records& records, int index, bool first) {
    const SInputObjCommand& command = records[index];
    if (!m_bBuilt || !first || command.m_sName.IsEmpty())
        return;
    // A command named after the index was filed, and named by no step, has no node yet: ALIAS
    // clears the steps of every alias it makes.
    const int source = Find(command.m_sName.GetString());
    if (source < 0)
        return;
    // Checked: a node before the array would have its lists cleared through whatever lies there.
    Node& node = m_Nodes.at(static_cast<size_t>(source));
    for (const int target : node.next) {
        auto& namers = m_Nodes[static_cast<size_t>(target)].namers;
        const auto found = namers.find(source);
        if (found != namers.end() && --found->second <= 0)
            namers.erase(found);
    }
    node.next.clear();
}

void SInputStepIndex::NewRound() {
    const size_t size = m_Nodes.size();
    if (m_Ahead.size() < size) {
        m_Ahead.resize(size, 0);
        m_Behind.resize(size, 0);
    }
    if (++m_nRound == 0) {
        std::fill(m_Ahead.begin(), m_Ahead.end(), 0);
        std::fill(m_Behind.begin(), m_Behind.end(), 0);
        m_nRound = 1;
    }
}

bool SInputStepIndex::LeadsBack(const Records& records, int index, const char* step) {
    const char* own = records[index].m_sName.GetString();
    if (own[0] == '\0' || step == nullptr)
        return false;
    if (!m_bBuilt)
        Build(records);
    const int home = Intern(own);
    NewRound();
    Search search(*this, home);
    if (search.Start(step) == Search::kMet)
        return true;
    for (;;) {
        const Search::Result ahead = search.Ahead();
        if (ahead != Search::kGoing)
            return ahead == Search::kMet;
        const Search::Result behind = search.Behind();
        if (behind != Search::kGoing)
            return behind == Search::kMet;
    }
}
