#include <algorithm>
#include <optional>

#include "sys/window/window_core.h"
#include "sys/time/time.h"

// The message queue: posted messages, the quit flag, input, paint and timers, handed out in
// the platform's order (see window.h), and the translate step that makes characters of keys.
namespace sys::window {

using namespace detail;

namespace {

constexpr uint32_t kMinimumInterval = 10;
constexpr uint32_t kMaximumInterval = 0x7FFFFFFF;

bool InRange(UINT message, UINT filterMin, UINT filterMax) {
    return (filterMin == 0 && filterMax == 0) || (message >= filterMin && message <= filterMax);
}

bool IsPointerMessage(UINT message) { return message >= WM_MOUSEFIRST && message < WM_MOUSEWHEEL; }

// Keeps the queue's key state (GetKeyState, the translate step) in step with the input
// messages as they are taken.
void FollowInputMessage(const MSG& msg) {
    KeyTable& keys = State().queueKeys;
    const uint32_t keyFlags = HIWORD(static_cast<uint64_t>(msg.lParam));
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
        UpdateKeyTable(keys, static_cast<UINT>(msg.wParam), keyFlags & 0xFFu, (keyFlags & KF_EXTENDED) != 0,
                       msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
        UpdateKeyTable(keys, VK_LBUTTON, 0, false, msg.message != WM_LBUTTONUP);
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_RBUTTONUP:
        UpdateKeyTable(keys, VK_RBUTTON, 0, false, msg.message != WM_RBUTTONUP);
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_MBUTTONUP:
        UpdateKeyTable(keys, VK_MBUTTON, 0, false, msg.message != WM_MBUTTONUP);
        break;
    default:
        break;
    }
}

// The timer that has been due longest, among those the filter lets through.
Timer* DueTimer(HWND hwnd, UINT filterMin, UINT filterMax, uint32_t now) {
    if (!InRange(WM_TIMER, filterMin, filterMax)) {
        return nullptr;
    }
    Timer* best = nullptr;
    uint32_t bestOverdue = 0;
    for (Timer& timer : State().timers) {
        if (hwnd && timer.hwnd != hwnd) {
            continue;
        }
        const uint32_t elapsed = now - timer.start;
        if (elapsed < timer.interval) {
            continue;
        }
        const uint32_t overdue = elapsed - timer.interval;
        if (!best || overdue > bestOverdue || (overdue == bestOverdue && timer.order < best->order)) {
            best = &timer;
            bestOverdue = overdue;
        }
    }
    return best;
}

// Milliseconds until the next timer the filter lets through is due; none when none is armed.
std::optional<uint32_t> TimeToNextTimer(HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!InRange(WM_TIMER, filterMin, filterMax)) {
        return std::nullopt;
    }
    const uint32_t now = sys::time::TickCount();
    std::optional<uint32_t> soonest;
    for (const Timer& timer : State().timers) {
        if (hwnd && timer.hwnd != hwnd) {
            continue;
        }
        const uint32_t elapsed = now - timer.start;
        const uint32_t left = elapsed >= timer.interval ? 0 : timer.interval - elapsed;
        soonest = soonest ? std::min(*soonest, left) : left;
    }
    return soonest;
}

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return MSG{hwnd, message, wParam, lParam, sys::time::TickCount(), State().cursor};
}

// The US layout's character for a key under the given modifiers; -1 when the key types none.
int CharacterOf(UINT key, bool shift, bool ctrl, bool capsLock) {
    if (ctrl) {
        if (key >= 'A' && key <= 'Z') {
            return static_cast<int>(key - 'A' + 1);
        }
        switch (key) {
        case VK_BACK:
            return 0x7F;
        case VK_RETURN:
            return 0x0A;
        case VK_ESCAPE:
        case VK_OEM_4:
            return 0x1B;
        case VK_OEM_5:
            return 0x1C;
        case VK_OEM_6:
            return 0x1D;
        case VK_SPACE:
            return ' ';
        default:
            return -1;
        }
    }
    if (key >= 'A' && key <= 'Z') {
        return static_cast<int>(shift != capsLock ? key : key - 'A' + 'a');
    }
    if (key >= '0' && key <= '9') {
        static constexpr char kShiftedDigits[] = ")!@#$%^&*(";
        return shift ? kShiftedDigits[key - '0'] : static_cast<int>(key);
    }
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) {
        return static_cast<int>('0' + (key - VK_NUMPAD0));
    }
    struct Pair {
        UINT key;
        char plain;
        char shifted;
    };
    static constexpr Pair kPairs[] = {
        {VK_BACK, 0x08, 0x08},      {VK_TAB, 0x09, 0x09},       {VK_RETURN, 0x0D, 0x0D},
        {VK_ESCAPE, 0x1B, 0x1B},    {VK_SPACE, ' ', ' '},       {VK_MULTIPLY, '*', '*'},
        {VK_ADD, '+', '+'},         {VK_SUBTRACT, '-', '-'},    {VK_DECIMAL, '.', '.'},
        {VK_DIVIDE, '/', '/'},      {VK_OEM_1, ';', ':'},       {VK_OEM_PLUS, '=', '+'},
        {VK_OEM_COMMA, ',', '<'},   {VK_OEM_MINUS, '-', '_'},   {VK_OEM_PERIOD, '.', '>'},
        {VK_OEM_2, '/', '?'},       {VK_OEM_3, '`', '~'},       {VK_OEM_4, '[', '{'},
        {VK_OEM_5, '\\', '|'},      {VK_OEM_6, ']', '}'},       {VK_OEM_7, '\'', '"'},
    };
    for (const Pair& pair : kPairs) {
        if (pair.key == key) {
            return shift ? pair.shifted : pair.plain;
        }
    }
    return -1;
}

}  // namespace

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !Find(hwnd)) {
        return false;
    }
    State().posted.push_back(MakeMessage(hwnd, message, wParam, lParam));
    return true;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = Find(hwnd);
    if (!record) {
        return 0;
    }
    // A copy, so the procedure may destroy its own window while it runs.
    const WNDPROC proc = record->proc;
    return proc ? proc(hwnd, message, wParam, lParam) : DefWindowProc(hwnd, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    WindowState& state = State();
    state.quitPending = true;
    state.quitCode = exitCode;
}

bool PeekMessage(MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (hwnd && !Find(hwnd)) {
        return false;
    }
    ActiveBackend().PumpEvents();
    WindowState& state = State();
    const bool remove = (removeFlags & PM_REMOVE) != 0;
    auto matches = [&](const MSG& candidate) {
        return (!hwnd || candidate.hwnd == hwnd) && InRange(candidate.message, filterMin, filterMax);
    };

    auto posted = std::find_if(state.posted.begin(), state.posted.end(), matches);
    if (posted != state.posted.end()) {
        msg = *posted;
        if (remove) {
            state.posted.erase(posted);
        }
        return true;
    }

    if (state.quitPending) {
        msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<intptr_t>(state.quitCode)), 0);
        if (remove) {
            state.quitPending = false;
        }
        return true;
    }

    auto input = std::find_if(state.input.begin(), state.input.end(), matches);
    if (input != state.input.end()) {
        msg = *input;
        if (remove) {
            state.input.erase(input);
            FollowInputMessage(msg);
            // The pointer's shape is settled before its message is handled, so the window can
            // hide the system pointer over its client area.
            if (IsPointerMessage(msg.message) && !state.captured && Find(msg.hwnd)) {
                SendMessage(msg.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(msg.hwnd),
                            MAKELPARAM(HTCLIENT, static_cast<int>(msg.message)));
            }
        }
        return true;
    }

    if (state.window && state.window->visible && state.window->invalid) {
        const MSG paint = MakeMessage(HandleOf(*state.window), WM_PAINT, 0, 0);
        if (matches(paint)) {
            msg = paint;
            // Handed out once per invalidation, even when the procedure does not validate, so
            // an idle loop never spins on paint messages.
            if (remove) {
                state.window->invalid = false;
            }
            return true;
        }
    }

    const uint32_t now = sys::time::TickCount();
    if (Timer* timer = DueTimer(hwnd, filterMin, filterMax, now)) {
        msg = MakeMessage(timer->hwnd, WM_TIMER, timer->id, 0);
        if (remove) {
            // The next interval runs from the last whole interval that passed, so a late read
            // does not shift the timer's rhythm and several missed intervals give one message.
            const uint32_t elapsed = now - timer->start;
            timer->start += (elapsed / timer->interval) * timer->interval;
        }
        return true;
    }
    return false;
}

int GetMessage(MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    for (;;) {
        if (hwnd && !Find(hwnd)) {
            return -1;
        }
        if (PeekMessage(msg, hwnd, filterMin, filterMax, PM_REMOVE)) {
            return msg.message == WM_QUIT ? 0 : 1;
        }
        const std::optional<uint32_t> untilTimer = TimeToNextTimer(hwnd, filterMin, filterMax);
        if (ActiveBackend().WaitForEvents(untilTimer.value_or(kWaitForever))) {
            continue;
        }
        // Nothing can arrive while a headless caller waits: time passes until the next timer,
        // and without one the wait would never end.
        if (untilTimer) {
            sys::time::AdvanceFake(*untilTimer);
            continue;
        }
        msg = MakeMessage(nullptr, WM_QUIT, 0, 0);
        return 0;
    }
}

bool TranslateMessage(const MSG& msg) {
    if (msg.message != WM_KEYDOWN) {
        return false;
    }
    const KeyTable& keys = State().queueKeys;
    const bool shift = (keys[VK_SHIFT] & 0x80) != 0;
    const bool ctrl = (keys[VK_CONTROL] & 0x80) != 0;
    const bool alt = (keys[VK_MENU] & 0x80) != 0;
    const bool capsLock = (State().asyncKeys[VK_CAPITAL] & 0x01) != 0;
    if (ctrl && alt) {
        return false;
    }
    const int character = CharacterOf(static_cast<UINT>(msg.wParam & 0xFFu), shift, ctrl, capsLock);
    if (character < 0) {
        return false;
    }
    MSG typed = MakeMessage(msg.hwnd, WM_CHAR, static_cast<WPARAM>(character), msg.lParam);
    State().posted.push_front(typed);
    return true;
}

LRESULT DispatchMessage(const MSG& msg) {
    return msg.hwnd ? SendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam) : 0;
}

bool WaitMessage() {
    MSG msg;
    while (!PeekMessage(msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!ActiveBackend().WaitForEvents(TimeToNextTimer(nullptr, 0, 0).value_or(kWaitForever))) {
            break;
        }
    }
    return true;
}

int16_t GetKeyState(int virtualKey) {
    const WindowState& state = State();
    const uint8_t entry = state.queueKeys[static_cast<unsigned>(virtualKey) & 0xFFu];
    const uint8_t toggle = state.asyncKeys[static_cast<unsigned>(virtualKey) & 0xFFu] & 0x01;
    return static_cast<int16_t>(((entry & 0x80) ? 0x8000 : 0) | toggle);
}

int16_t GetAsyncKeyState(int virtualKey) {
    const uint8_t entry = State().asyncKeys[static_cast<unsigned>(virtualKey) & 0xFFu];
    return static_cast<int16_t>((entry & 0x80) ? 0x8000 : 0);
}

uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT intervalMs) {
    if (hwnd && !Find(hwnd)) {
        return 0;
    }
    WindowState& state = State();
    const uint32_t interval = std::clamp<uint32_t>(intervalMs, kMinimumInterval, kMaximumInterval);
    const uint32_t now = sys::time::TickCount();
    auto existing = std::find_if(state.timers.begin(), state.timers.end(), [&](const Timer& timer) {
        return timer.hwnd == hwnd && timer.id == id && (hwnd || id != 0);
    });
    if (existing != state.timers.end()) {
        existing->interval = interval;
        existing->start = now;
        return id != 0 ? id : 1;
    }
    if (!hwnd) {
        // A timer of the thread gets an id of its own.
        id = 1;
        while (std::any_of(state.timers.begin(), state.timers.end(),
                           [id](const Timer& timer) { return !timer.hwnd && timer.id == id; })) {
            ++id;
        }
    }
    state.timers.push_back(Timer{hwnd, id, interval, now, state.nextTimerOrder++});
    // The answer is never 0, which means failure.
    return id != 0 ? id : 1;
}

bool KillTimer(HWND hwnd, uintptr_t id) {
    std::vector<Timer>& timers = State().timers;
    auto found = std::find_if(timers.begin(), timers.end(),
                              [&](const Timer& timer) { return timer.hwnd == hwnd && timer.id == id; });
    if (found == timers.end()) {
        return false;
    }
    timers.erase(found);
    return true;
}

}  // namespace sys::window
