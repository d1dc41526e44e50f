// The input object's steps: a command's list queued in front of what waits, "wait" pauses, and
// the bound on what waits. A run that keeps queueing more of itself is ended at the bound, with
// what it pressed let go; a list queued whole is never ended for another's steps, and a command
// whose steps find no room is not run.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/STextUtil.h"
#include "dx/input/SInputObj.h"
#include "sys/time/time.h"

namespace {

bool IsAsciiWait(const char* word, size_t length) {
    static constexpr char kWait[] = "wait";
    if (length != 4) {
        return false;
    }
    for (size_t i = 0; i < 4; ++i) {
        char c = word[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != kWait[i]) {
            return false;
        }
    }
    return true;
}

// A wait's count in milliseconds: none (or zero) is the usual pause, a count below zero names a
// time already past and holds nothing, and one past what the tick count can tell waits as long
// as it can tell.
uint32_t WaitDelay(const char* count) {
    const long long value = std::strtoll(count, nullptr, 10);
    if (value == 0)
        return SInputObj::kDefaultWait;
    if (value < 0)
        return 0;
    return static_cast<uint32_t>(std::min<long long>(value, UINT32_MAX));
}

// How much of a command's name the player is shown, in bytes: a name may be as long as a whole
// line, and the notice should fit a row of the console.
constexpr size_t kNameShown = 64;

// The name as shown: a longer one is cut between two of its UTF-8 characters, never inside one.
std::string Shown(std::string name) {
    if (name.size() <= kNameShown)
        return name;
    size_t cut = kNameShown - 3;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    name.resize(cut);
    return name + "...";
}

// The word a marked text ("+left 2", "-left") presses or lets go.
std::string MarkedWord(const char* text) {
    const char* word = WithoutMark(text);
    return std::string(word, std::strcspn(word, " "));
}

// Holds a word at a value for exactly as long as a scope lasts.
class Held {
public:
    Held(uint32_t& word, uint32_t value) : m_word(word), m_saved(word) { m_word = value; }
    ~Held() { m_word = m_saved; }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    uint32_t& m_word;
    uint32_t m_saved;
};

}  // namespace

bool SInputObj::QueueDue() const { return sys::time::TickCount() - m_dwWaitStart >= m_dwWaitDelay; }

void SInputObj::RunQueue() {
    int ran = 0;
    while (!m_Queue.IsEmpty() && QueueDue() && ran < kMaxStepsPerUpdate) {
        const QueuedStep step = m_Queue.RemoveHead();
        if (const auto state = m_Runs.find(step.run); state != m_Runs.end())
            --state->second.waiting;
        {
            const Held within(m_dwRun, step.run);
            RunCommandLine(step.step.GetString());
        }
        // Looked up again: the step may have ended runs. Once it is done, nothing can queue more
        // of a run with no step waiting.
        if (const auto state = m_Runs.find(step.run); state != m_Runs.end() && state->second.waiting == 0)
            ForgetRun(step.run);
        ++ran;
    }
}

void SInputObj::Execute(const SString& text) {
    if (text.GetString()[0] == '-')
        NoteLetGo(text.GetString());
    if (m_Executor) {
        m_Executor(text.GetString());
    }
}

void SInputObj::ExecuteCommand(int index) {
    SInputObjCommand* command = m_Settings.GetCommand(index);
    if (command == nullptr) {
        return;
    }
    command->m_iState = 2;
    if (!command->m_sName.IsEmpty() && command->m_Steps.empty()) {
        SString text = command->m_sName;
        if (command->m_iType == 1 && text.GetAt(0) != '+') {
            text = SString("+") + text;
        }
        Execute(text);
        return;
    }
    if (command->m_Steps.empty()) {
        return;
    }
    const bool inside = m_dwRun != 0;
    const uint32_t run = inside ? m_dwRun : BeginRun();
    // A run still running but no longer kept was ended: it queues nothing more, whatever the
    // step still running does.
    if (inside && m_Runs.count(run) == 0) {
        return;
    }
    // Taken before making room: letting go what an ended run pressed runs console lines, which
    // may rebind the command.
    const std::vector<SString> steps = command->m_Steps;
    const SString name = NameOf(index);
    // All of the steps or none: half an alias (a "+run" without its "-run") is worse than none.
    if (!MakeRoom(run, steps.size(), name)) {
        return;
    }
    // Last to first at the front of the queue, so the steps run in their own order ahead of
    // whatever waits there.
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        SString resolved;
        m_Queue.AddHead(QueuedStep{m_Settings.ResolveAlias(it->GetString(), resolved) ? resolved : *it, run});
    }
    RunState& state = m_Runs[run];
    state.waiting += steps.size();
    if (!inside)
        state.first = steps.size();
    else if (state.waiting > state.first)
        state.grows = true;
    state.name = name;
    m_bRefusalSaid = false;
    m_dwWaitStart = sys::time::TickCount();
    m_dwWaitDelay = 0;
}

uint32_t SInputObj::BeginRun() {
    if (++m_dwLastRun == 0) {
        ++m_dwLastRun;  // 0 is no run
    }
    return m_dwLastRun;
}

SString SInputObj::NameOf(int index) const {
    const SInputObjCommand* command = m_Settings.GetCommand(index);
    if (!command->m_sName.IsEmpty())
        return SString(("\"" + Shown(command->m_sName.GetString()) + "\"").c_str());
    const char* input = command->m_iKeyCode >= 0     ? KeyCodeToConfigName(command->m_iKeyCode)
                        : command->m_iMouseCode >= 0 ? MouseCodeToConfigName(command->m_iMouseCode)
                        : command->m_iJoyCode >= 0   ? JoyCodeToConfigName(command->m_iJoyCode)
                                                     : "";
    return SString(("Binding \"" + Shown(input) + "\"").c_str());
}

// A run that queues more of itself every time it runs grows until it holds the queue; ending it
// there, and only it, lets what others left waiting (a release, a long list, a late step) still
// run, and the keys work again at once. A list queued whole grows no more, so steps that find
// no room beside such lists are the ones not run.
bool SInputObj::MakeRoom(uint32_t run, size_t count, const SString& name) {
    while (static_cast<size_t>(m_Queue.GetCount()) + count > static_cast<size_t>(kMaxQueuedSteps)) {
        // The one adding counts its new steps, and a tie is its own.
        uint32_t ended = 0;
        size_t most = 0;
        for (const auto& [other, state] : m_Runs) {
            const size_t steps = state.waiting + (other == run ? count : 0);
            if (state.grows && (steps > most || (steps == most && other == run))) {
                ended = other;
                most = steps;
            }
        }
        if (ended == 0) {
            if (!m_bRefusalSaid)
                Say(name.GetString() + (" not run: over " + std::to_string(kMaxQueuedSteps) + " steps would wait"));
            m_bRefusalSaid = true;
            return false;
        }
        EndRun(ended, ended == run ? name : m_Runs[ended].name);
        if (ended == run)
            return false;
    }
    return true;
}

void SInputObj::EndRun(uint32_t run, SString name) {  // a copy: the run's own goes with it
    for (POSITION at = m_Queue.GetHeadPosition(); at != nullptr;) {
        const POSITION here = at;
        if (m_Queue.GetNext(at).run == run) {
            m_Queue.RemoveAt(here);
        }
    }
    m_Runs.erase(run);
    Say(name.GetString() + std::string(" stopped: it kept queueing itself"));
    std::vector<std::string> pressed;
    for (auto it = m_Held.begin(); it != m_Held.end();) {
        if (it->second.first == run) {
            pressed.push_back(it->second.second);
            it = m_Held.erase(it);
        } else {
            ++it;
        }
    }
    for (const std::string& word : pressed)
        Execute(SString(("-" + word).c_str()));
}

void SInputObj::ForgetRun(uint32_t run) {
    m_Runs.erase(run);
    std::erase_if(m_Held, [run](const auto& held) { return held.second.first == run; });
}

bool SInputObj::RunsMatchQueue() const {
    std::map<uint32_t, size_t> waiting;
    for (POSITION at = m_Queue.GetHeadPosition(); at != nullptr;)
        ++waiting[m_Queue.GetNext(at).run];
    for (const auto& [run, state] : m_Runs) {
        if (state.waiting != (waiting.count(run) ? waiting[run] : 0) || (state.waiting == 0 && run != m_dwRun))
            return false;
    }
    const auto live = [this](uint32_t run) { return m_Runs.count(run) != 0; };
    return std::all_of(waiting.begin(), waiting.end(), [&](const auto& run) { return live(run.first); }) &&
           std::all_of(m_Held.begin(), m_Held.end(), [&](const auto& held) { return live(held.second.first); });
}

void SInputObj::Say(const std::string& text) {
    if (m_Reporter)
        m_Reporter(text.c_str());
}

void SInputObj::NotePressed(const char* step) {
    const std::string word = MarkedWord(step);
    m_Held[FoldedText(word.c_str())] = {m_dwRun, word};
}

void SInputObj::NoteLetGo(const char* text) { m_Held.erase(FoldedText(MarkedWord(text).c_str())); }

void SInputObj::ReleaseCommand(int index) {
    const SInputObjCommand* command = m_Settings.GetCommand(index);
    if (command == nullptr || command->m_sName.IsEmpty() || !command->m_Steps.empty() || command->m_iType != 1) {
        return;
    }
    const char* name = command->m_sName.GetString();
    Execute(SString("-") + (name[0] == '+' ? name + 1 : name));
}

void SInputObj::ReleaseCommandByName(const char* name) { ReleaseCommand(m_Settings.FindCommand(name)); }

void SInputObj::RunCommandLine(const char* step) {
    if (step == nullptr) {
        return;
    }
    const char* first = step;
    while (*first == ' ') {
        ++first;
    }
    size_t length = 0;
    while (first[length] != '\0' && first[length] != ' ') {
        ++length;
    }
    if (IsAsciiWait(first, length)) {
        const char* second = first + length;
        while (*second == ' ') {
            ++second;
        }
        m_dwWaitStart = sys::time::TickCount();
        m_dwWaitDelay = WaitDelay(second);
        return;
    }
    const int index = m_Settings.FindCommand(step);
    if (index >= 0) {
        ExecuteCommand(index);
        return;
    }
    // What a step presses stays pressed until a step lets it go; a command's own press is let go
    // by its input coming up.
    if (step[0] == '+' && m_Runs.count(m_dwRun) != 0)
        NotePressed(step);
    Execute(SString(step));
}
