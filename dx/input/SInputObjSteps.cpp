// The input object's steps: a command's list queued in front of what waits, "wait" pauses, and
// the bound on what waits. A run that keeps queueing more of itself is ended at the bound, with
// what it pressed let go; a list queued whole is never ended for another's steps, and a command
// whose steps find no room is not run.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>
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

constexpr std::string_view kNotRun = " not run: the queue is full";
constexpr std::string_view kStopped = " stopped: kept queueing itself";

// Whether the bytes are UTF-8 throughout; the console's own text is Latin-1, where any byte is
// a character of its own.
bool IsUtf8(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3
                              : (lead & 0xF8) == 0xF0                 ? 4
                                                                      : 0;
        if (length == 0 || (length == 2 && lead < 0xC2) || at + length > text.size())
            return false;
        for (size_t n = 1; n < length; ++n) {
            if ((static_cast<unsigned char>(text[at + n]) & 0xC0) != 0x80)
                return false;
        }
        at += length;
    }
    return true;
}

// The name in at most `width` bytes: a longer one is cut and ends in "...", between two of its
// characters when it is UTF-8, at a byte otherwise.
std::string Shown(std::string name, size_t width) {
    if (name.size() <= width)
        return name;
    size_t cut = width > 3 ? width - 3 : 0;
    if (IsUtf8(name)) {
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
    }
    name.resize(cut);
    return name + "...";
}

// The word a marked text ("+left 2", "-left") presses or lets go; empty for a bare mark.
std::string MarkedWord(const char* text) {
    const char* word = WithoutMark(text);
    return std::string(word, std::strcspn(word, " "));
}

// Who a list is among the lists a step came from: its folded name, or for a binding's own list
// (which only a bare "+" names) its inputs, after a NUL byte that no name holds.
std::string ListId(const SInputObjCommand& command) {
    if (!command.m_sName.IsEmpty())
        return FoldedText(command.m_sName.GetString());
    return std::string(1, '\0') + std::to_string(command.m_iKeyCode) + ' ' + std::to_string(command.m_iMouseCode) +
           ' ' + std::to_string(command.m_iJoyCode);
}

// Holds a value for exactly as long as a scope lasts.
template <class T>
class Held {
public:
    Held(T& held, T value) : m_held(held), m_saved(std::move(held)) { m_held = std::move(value); }
    ~Held() { m_held = std::move(m_saved); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    T& m_held;
    T m_saved;
};

}  // namespace

bool SInputObj::QueueDue() const { return sys::time::TickCount() - m_dwWaitStart >= m_dwWaitDelay; }

SInputObj::Lineage::~Lineage() {
    for (LineagePtr next = std::move(outer); next != nullptr && next.use_count() == 1;)
        next = std::move(next->outer);
}

bool SInputObj::Lineage::Holds(const std::string& folded) const {
    for (const Lineage* list = this; list != nullptr; list = list->outer.get()) {
        if (list->name == folded)
            return true;
    }
    return false;
}

void SInputObj::RunQueue() {
    int ran = 0;
    while (!m_Queue.IsEmpty() && QueueDue() && ran < kMaxStepsPerUpdate) {
        QueuedStep step = m_Queue.RemoveHead();
        m_nQueuedBytes -= static_cast<size_t>(step.step.GetLength());
        if (const auto state = m_Runs.find(step.run); state != m_Runs.end())
            --state->second.waiting;
        {
            const Held<uint32_t> within(m_dwRun, step.run);
            const Held<LineagePtr> from(m_pFrom, std::move(step.from));
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
    NoteLine(text.GetString());
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
        // Pressed by the player's own input, it stays held until that input comes up, whatever
        // a run that is ended lets go.
        if (m_dwRun == 0 && command->m_iType == 1)
            NotePressed(text.GetString(), 0);
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
    // may rebind the command. Each step is replaced by what it resolves to, if anything.
    std::vector<SString> steps = command->m_Steps;
    size_t bytes = 0;
    for (SString& step : steps) {
        SString resolved;
        if (m_Settings.ResolveAlias(step.GetString(), resolved))
            step = resolved;
        bytes += static_cast<size_t>(step.GetLength());
    }
    const std::string name = ListId(*command);
    // A list the running step came from, run again, queues itself; when the run then holds more
    // than its first command queued, it grows.
    const bool again = inside && m_pFrom != nullptr && m_pFrom->Holds(name);
    if (again) {
        RunState& state = m_Runs[run];
        if (!state.grows && state.waiting + steps.size() > state.first) {
            state.grows = true;
            state.name = NameOf(index, kStopped.size()).c_str();
        }
    }
    // All of the steps or none: half an alias (a "+run" without its "-run") is worse than none.
    if (!MakeRoom(run, steps.size(), bytes, index)) {
        return;
    }
    const LineagePtr from = again ? m_pFrom : std::make_shared<Lineage>(name, inside ? m_pFrom : nullptr);
    // Last to first at the front of the queue, so the steps run in their own order ahead of
    // whatever waits there.
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        m_Queue.AddHead(QueuedStep{*it, run, from});
    m_nQueuedBytes += bytes;
    RunState& state = m_Runs[run];
    state.waiting += steps.size();
    if (!inside)
        state.first = steps.size();
    m_dwWaitStart = sys::time::TickCount();
    m_dwWaitDelay = 0;
}

uint32_t SInputObj::BeginRun() {
    if (++m_dwLastRun == 0) {
        ++m_dwLastRun;  // 0 is no run
    }
    return m_dwLastRun;
}

std::string SInputObj::NameOf(int index, size_t room) const {
    const SInputObjCommand* command = m_Settings.GetCommand(index);
    const size_t width = kNoticeWidth - std::min(kNoticeWidth, room);
    if (!command->m_sName.IsEmpty())
        return "\"" + Shown(command->m_sName.GetString(), width - std::min(width, size_t{2})) + "\"";
    const char* input = command->m_iKeyCode >= 0     ? KeyCodeToConfigName(command->m_iKeyCode)
                        : command->m_iMouseCode >= 0 ? MouseCodeToConfigName(command->m_iMouseCode)
                        : command->m_iJoyCode >= 0   ? JoyCodeToConfigName(command->m_iJoyCode)
                                                     : "";
    constexpr std::string_view kBinding = "Binding \"\"";
    return "Binding \"" + Shown(input, width - std::min(width, kBinding.size())) + "\"";
}

// A run that queues more of itself every time it runs grows until it holds the queue; ending it
// there, and only it, lets what others left waiting (a release, a long list, a late step) still
// run, and the keys work again at once. A list that never runs itself again is never ended: a
// command that finds no room beside such lists is the one not run, and the rest of its run goes
// on.
bool SInputObj::MakeRoom(uint32_t run, size_t count, size_t bytes, int index) {
    while (static_cast<size_t>(m_Queue.GetCount()) + count > static_cast<size_t>(kMaxQueuedSteps) ||
           m_nQueuedBytes + bytes > kMaxQueuedBytes) {
        // The one adding counts its new steps, and a tie is its own.
        uint32_t ended = 0;
        size_t most = 0;
        for (const auto& [other, state] : m_Runs) {
            const size_t steps = state.waiting + (other == run ? count : 0);
            if (state.grows && (ended == 0 || steps > most || (steps == most && other == run))) {
                ended = other;
                most = steps;
            }
        }
        if (ended == 0) {
            Say(NameOf(index, kNotRun.size()) + std::string(kNotRun));
            return false;
        }
        EndRun(ended);
        if (ended == run)
            return false;
    }
    return true;
}

void SInputObj::EndRun(uint32_t run) {
    for (POSITION at = m_Queue.GetHeadPosition(); at != nullptr;) {
        const POSITION here = at;
        const QueuedStep& step = m_Queue.GetNext(at);
        if (step.run == run) {
            m_nQueuedBytes -= static_cast<size_t>(step.step.GetLength());
            m_Queue.RemoveAt(here);
        }
    }
    const auto state = m_Runs.find(run);
    Say(state->second.name.GetString() + std::string(kStopped));
    m_Runs.erase(state);
    // What it alone pressed is let go; what another run or the player holds as well stays.
    for (const std::string& word : DropHolder(run))
        Execute(SString(("-" + word).c_str()));
}

void SInputObj::ForgetRun(uint32_t run) {
    m_Runs.erase(run);
    DropHolder(run);
}

std::vector<std::string> SInputObj::DropHolder(uint32_t run) {
    std::vector<std::string> alone;
    for (auto it = m_Held.begin(); it != m_Held.end();) {
        if (it->second.by.erase(run) != 0 && it->second.by.empty()) {
            alone.push_back(it->second.word);
            it = m_Held.erase(it);
        } else {
            ++it;
        }
    }
    return alone;
}

bool SInputObj::RunsMatchQueue() const {
    std::map<uint32_t, size_t> waiting;
    size_t bytes = 0;
    for (POSITION at = m_Queue.GetHeadPosition(); at != nullptr;) {
        const QueuedStep& step = m_Queue.GetNext(at);
        ++waiting[step.run];
        bytes += static_cast<size_t>(step.step.GetLength());
        for (const Lineage* list = step.from.get(); list != nullptr; list = list->outer.get()) {
            if (list->outer != nullptr && list->outer->Holds(list->name))
                return false;
        }
    }
    if (bytes != m_nQueuedBytes)
        return false;
    for (const auto& [run, state] : m_Runs) {
        if (state.waiting != (waiting.count(run) ? waiting[run] : 0) || (state.waiting == 0 && run != m_dwRun))
            return false;
    }
    const auto live = [this](uint32_t run) { return run == 0 || m_Runs.count(run) != 0; };
    return std::all_of(waiting.begin(), waiting.end(), [&](const auto& run) { return run.first != 0 && live(run.first); }) &&
           std::all_of(m_Held.begin(), m_Held.end(), [&](const auto& held) {
               return !held.second.by.empty() && std::all_of(held.second.by.begin(), held.second.by.end(), live);
           });
}

void SInputObj::Say(const std::string& text) {
    const uint32_t now = sys::time::TickCount();
    if (const auto said = m_Said.find(text); said != m_Said.end() && now - said->second < kNoticeRepeatMs)
        return;
    // Only notices said within the last second are kept.
    if (m_Said.size() >= 64)
        std::erase_if(m_Said, [now](const auto& said) { return now - said.second >= kNoticeRepeatMs; });
    m_Said[text] = now;
    if (m_Reporter)
        m_Reporter(text.c_str());
}

void SInputObj::NotePressed(const char* text, uint32_t by) {
    const std::string word = MarkedWord(text);
    if (word.empty())
        return;
    HeldWord& held = m_Held[FoldedText(word.c_str())];
    held.word = word;
    held.by.insert(by);
}

void SInputObj::NoteLetGo(const char* text) { m_Held.erase(FoldedText(MarkedWord(text).c_str())); }

void SInputObj::NoteLine(const char* line) {
    if (line[0] == '-')
        NoteLetGo(line);
    else if (line[0] == '+' && m_Runs.count(m_dwRun) != 0)
        NotePressed(line, m_dwRun);
}

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
    Execute(SString(step));
}
