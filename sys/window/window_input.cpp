#include <cstdlib>

#include "sys/window/window_core.h"
#include "sys/time/time.h"

// Turns system input (keys, pointer, buttons, wheel, focus) into the window's messages, the way
// the platform's input layer does: keys go to the window with the focus, pointer messages to
// the window under the pointer or holding the capture, focus changes are sent at once.
namespace sys::window::detail {

namespace {

constexpr uint8_t kDown = 0x80;
constexpr uint8_t kToggled = 0x01;

bool IsDown(const KeyTable& table, UINT virtualKey) { return (table[virtualKey & 0xFFu] & kDown) != 0; }

void SetDown(KeyTable& table, UINT virtualKey, bool down) {
    uint8_t& entry = table[virtualKey & 0xFFu];
    entry = down ? static_cast<uint8_t>(entry | kDown) : static_cast<uint8_t>(entry & ~kDown);
}

struct KeySides {
    UINT generic = 0;
    UINT side = 0;  // 0 for keys without sides
};

KeySides SidesOf(UINT virtualKey, UINT scanCode, bool extended) {
    switch (virtualKey) {
    case VK_SHIFT:
        return {VK_SHIFT, scanCode == 0x36 ? VK_RSHIFT : VK_LSHIFT};
    case VK_LSHIFT:
    case VK_RSHIFT:
        return {VK_SHIFT, virtualKey};
    case VK_CONTROL:
        return {VK_CONTROL, extended ? VK_RCONTROL : VK_LCONTROL};
    case VK_LCONTROL:
    case VK_RCONTROL:
        return {VK_CONTROL, virtualKey};
    case VK_MENU:
        return {VK_MENU, extended ? VK_RMENU : VK_LMENU};
    case VK_LMENU:
    case VK_RMENU:
        return {VK_MENU, virtualKey};
    default:
        return {virtualKey, 0};
    }
}

// The window that gets pointer messages now: the one holding the capture, else the visible
// window under the pointer.
HWND PointerTarget() {
    WindowState& state = State();
    if (!state.window) {
        return nullptr;
    }
    const WindowRecord& record = *state.window;
    if (state.captured || (record.visible && PointInRect(ClientOnScreen(record), state.cursor))) {
        return HandleOf(record);
    }
    return nullptr;
}

void QueuePointerMessage(HWND hwnd, UINT message) {
    WindowState& state = State();
    const RECT client = ClientOnScreen(*Find(hwnd));
    const LPARAM where = MAKELPARAM(state.cursor.x - client.left, state.cursor.y - client.top);
    const WPARAM keys = MouseKeyFlags();
    // Moves not yet taken merge into the latest one, as the platform keeps only the newest
    // pointer position between two reads.
    if (message == WM_MOUSEMOVE && !state.input.empty()) {
        MSG& last = state.input.back();
        if (last.message == WM_MOUSEMOVE && last.hwnd == hwnd && last.wParam == keys) {
            last.lParam = where;
            last.time = sys::time::TickCount();
            last.pt = state.cursor;
            return;
        }
    }
    QueueInput(hwnd, message, keys, where);
}

int Clamp(int value, int low, int highInclusive) {
    if (value > highInclusive) {
        value = highInclusive;
    }
    return value < low ? low : value;
}

}  // namespace

void UpdateKeyTable(KeyTable& table, UINT virtualKey, UINT scanCode, bool extended, bool down) {
    const KeySides sides = SidesOf(virtualKey & 0xFFu, scanCode, extended);
    if (sides.side == 0) {
        SetDown(table, sides.generic, down);
        return;
    }
    SetDown(table, sides.side, down);
    const UINT left = sides.generic == VK_SHIFT ? VK_LSHIFT : sides.generic == VK_CONTROL ? VK_LCONTROL : VK_LMENU;
    SetDown(table, sides.generic, IsDown(table, left) || IsDown(table, left + 1));
}

void QueueInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowState& state = State();
    state.input.push_back(MSG{hwnd, message, wParam, lParam, sys::time::TickCount(), state.cursor});
}

WPARAM MouseKeyFlags() {
    const KeyTable& keys = State().asyncKeys;
    WPARAM flags = 0;
    flags |= IsDown(keys, VK_LBUTTON) ? MK_LBUTTON : 0;
    flags |= IsDown(keys, VK_RBUTTON) ? MK_RBUTTON : 0;
    flags |= IsDown(keys, VK_MBUTTON) ? MK_MBUTTON : 0;
    flags |= IsDown(keys, VK_SHIFT) ? MK_SHIFT : 0;
    flags |= IsDown(keys, VK_CONTROL) ? MK_CONTROL : 0;
    return flags;
}

void OnKey(UINT virtualKey, UINT scanCode, bool extended, bool down) {
    virtualKey &= 0xFFu;
    if (virtualKey == 0) {
        return;
    }
    WindowState& state = State();
    const KeySides sides = SidesOf(virtualKey, scanCode, extended);
    if (sides.side == VK_RCONTROL || sides.side == VK_RMENU) {
        extended = true;
    }
    const bool wasDown = IsDown(state.asyncKeys, sides.side ? sides.side : sides.generic);
    if (down && !wasDown && (virtualKey == VK_CAPITAL || virtualKey == VK_NUMLOCK || virtualKey == VK_SCROLL)) {
        state.asyncKeys[virtualKey] ^= kToggled;
    }
    UpdateKeyTable(state.asyncKeys, virtualKey, scanCode, extended, down);

    const HWND focus = GetFocus();
    if (!focus) {
        return;
    }
    // Keys pressed with Alt (and without Ctrl, which makes Alt a character modifier) are
    // system keys, and so is F10; the Alt key itself is one in both directions.
    const bool alt = sides.generic == VK_MENU || IsDown(state.asyncKeys, VK_MENU);
    const bool ctrl = IsDown(state.asyncKeys, VK_CONTROL);
    const bool system = (alt && !ctrl) || virtualKey == VK_F10;
    const UINT message = system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    uint32_t flags = scanCode & 0xFFu;
    flags |= extended ? KF_EXTENDED : 0;
    flags |= system && alt ? KF_ALTDOWN : 0;
    flags |= (!down || wasDown) ? KF_REPEAT : 0;
    flags |= down ? 0 : KF_UP;
    const LPARAM keyData = static_cast<LPARAM>(1u | (flags << 16));
    QueueInput(focus, message, sides.generic, keyData);
}

void OnToggle(UINT virtualKey, bool on) {
    uint8_t& entry = State().asyncKeys[virtualKey & 0xFFu];
    entry = on ? static_cast<uint8_t>(entry | kToggled) : static_cast<uint8_t>(entry & ~kToggled);
}

void OnPointerMoved(POINT screen, bool confine) {
    WindowState& state = State();
    if (confine) {
        const RECT desktop = ActiveBackend().DesktopRect();
        screen.x = Clamp(screen.x, desktop.left, desktop.right - 1);
        screen.y = Clamp(screen.y, desktop.top, desktop.bottom - 1);
        if (state.clip) {
            screen.x = Clamp(screen.x, state.clip->left, state.clip->right - 1);
            screen.y = Clamp(screen.y, state.clip->top, state.clip->bottom - 1);
        }
    }
    if (screen == state.cursor) {
        return;
    }
    state.cursor = screen;
    if (const HWND target = PointerTarget()) {
        QueuePointerMessage(target, WM_MOUSEMOVE);
    }
}

void OnButton(int button, bool down) {
    static constexpr UINT kKeys[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
    static constexpr UINT kDownMessages[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    if (button < 0 || button > 2) {
        return;
    }
    WindowState& state = State();
    SetDown(state.asyncKeys, kKeys[button], down);
    const HWND target = PointerTarget();
    if (!target) {
        if (down) {
            state.lastPressButton = -1;
        }
        return;
    }
    UINT message = kDownMessages[button] + (down ? 0 : 1);
    if (down) {
        // A second press of the same button soon enough and close enough is a double click;
        // a third starts over.
        const uint32_t now = sys::time::TickCount();
        const bool twice = state.lastPressButton == button && now - state.lastPressTick <= GetDoubleClickTime() &&
                           std::abs(state.cursor.x - state.lastPressAt.x) <= 2 &&
                           std::abs(state.cursor.y - state.lastPressAt.y) <= 2;
        if (twice) {
            message = kDownMessages[button] + 2;
            state.lastPressButton = -1;
        } else {
            state.lastPressButton = button;
            state.lastPressTick = now;
            state.lastPressAt = state.cursor;
        }
    }
    QueuePointerMessage(target, message);
}

void OnWheel(int delta) {
    WindowState& state = State();
    if (const HWND focus = GetFocus()) {
        QueueInput(focus, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(MouseKeyFlags()), delta),
                   MAKELPARAM(state.cursor.x, state.cursor.y));
    }
}

void OnFocus(bool gained) {
    WindowState& state = State();
    const HWND hwnd = GetMainWindow();
    if (!hwnd || state.focused == gained) {
        return;
    }
    state.focused = gained;
    if (gained) {
        SendMessage(hwnd, WM_ACTIVATEAPP, 1, 0);
        SendMessage(hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
        SendMessage(hwnd, WM_SETFOCUS, 0, 0);
        return;
    }
    // Keys held while the focus leaves are never reported released to us; forget them so no
    // modifier sticks (toggle states stay).
    for (KeyTable* table : {&state.asyncKeys, &state.queueKeys}) {
        for (uint8_t& entry : *table) {
            entry = static_cast<uint8_t>(entry & kToggled);
        }
    }
    SendMessage(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
    SendMessage(hwnd, WM_ACTIVATEAPP, 0, 0);
    SendMessage(hwnd, WM_KILLFOCUS, 0, 0);
}

}  // namespace sys::window::detail
