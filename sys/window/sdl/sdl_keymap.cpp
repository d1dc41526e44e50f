#include "sys/window/sdl/sdl_keymap.h"

#include <SDL.h>

namespace sys::window::sdl {

namespace {

constexpr UINT VK_CLEAR = 0x0C;

// Set-1 scan codes of the letters A..Z, in SDL's scancode order (alphabetical).
constexpr UINT kLetterScanCodes[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                       0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

struct PositionKey {
    SDL_Scancode scancode;
    UINT virtualKey;
    UINT scanCode;
    bool extended;
};

constexpr PositionKey kPositionKeys[] = {
    {SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0x01, false},
    {SDL_SCANCODE_MINUS, VK_OEM_MINUS, 0x0C, false},
    {SDL_SCANCODE_EQUALS, VK_OEM_PLUS, 0x0D, false},
    {SDL_SCANCODE_BACKSPACE, VK_BACK, 0x0E, false},
    {SDL_SCANCODE_TAB, VK_TAB, 0x0F, false},
    {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, 0x1A, false},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, 0x1B, false},
    {SDL_SCANCODE_RETURN, VK_RETURN, 0x1C, false},
    {SDL_SCANCODE_LCTRL, VK_CONTROL, 0x1D, false},
    {SDL_SCANCODE_SEMICOLON, VK_OEM_1, 0x27, false},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_7, 0x28, false},
    {SDL_SCANCODE_GRAVE, VK_OEM_3, 0x29, false},
    {SDL_SCANCODE_LSHIFT, VK_SHIFT, 0x2A, false},
    {SDL_SCANCODE_BACKSLASH, VK_OEM_5, 0x2B, false},
    {SDL_SCANCODE_NONUSHASH, VK_OEM_5, 0x2B, false},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA, 0x33, false},
    {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, 0x34, false},
    {SDL_SCANCODE_SLASH, VK_OEM_2, 0x35, false},
    {SDL_SCANCODE_RSHIFT, VK_SHIFT, 0x36, false},
    {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, 0x37, false},
    {SDL_SCANCODE_LALT, VK_MENU, 0x38, false},
    {SDL_SCANCODE_SPACE, VK_SPACE, 0x39, false},
    {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, 0x3A, false},
    {SDL_SCANCODE_F1, VK_F1, 0x3B, false},
    {SDL_SCANCODE_F2, VK_F2, 0x3C, false},
    {SDL_SCANCODE_F3, VK_F3, 0x3D, false},
    {SDL_SCANCODE_F4, VK_F4, 0x3E, false},
    {SDL_SCANCODE_F5, VK_F5, 0x3F, false},
    {SDL_SCANCODE_F6, VK_F6, 0x40, false},
    {SDL_SCANCODE_F7, VK_F7, 0x41, false},
    {SDL_SCANCODE_F8, VK_F8, 0x42, false},
    {SDL_SCANCODE_F9, VK_F9, 0x43, false},
    {SDL_SCANCODE_F10, VK_F10, 0x44, false},
    {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, 0x45, false},
    {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL, 0x46, false},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, 0x4A, false},
    {SDL_SCANCODE_KP_PLUS, VK_ADD, 0x4E, false},
    {SDL_SCANCODE_NONUSBACKSLASH, VK_OEM_5, 0x56, false},
    {SDL_SCANCODE_F11, VK_F11, 0x57, false},
    {SDL_SCANCODE_F12, VK_F12, 0x58, false},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN, 0x1C, true},
    {SDL_SCANCODE_RCTRL, VK_CONTROL, 0x1D, true},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, 0x35, true},
    {SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT, 0x37, true},
    {SDL_SCANCODE_RALT, VK_MENU, 0x38, true},
    {SDL_SCANCODE_PAUSE, VK_PAUSE, 0x45, false},
    {SDL_SCANCODE_HOME, VK_HOME, 0x47, true},
    {SDL_SCANCODE_UP, VK_UP, 0x48, true},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR, 0x49, true},
    {SDL_SCANCODE_LEFT, VK_LEFT, 0x4B, true},
    {SDL_SCANCODE_RIGHT, VK_RIGHT, 0x4D, true},
    {SDL_SCANCODE_END, VK_END, 0x4F, true},
    {SDL_SCANCODE_DOWN, VK_DOWN, 0x50, true},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT, 0x51, true},
    {SDL_SCANCODE_INSERT, VK_INSERT, 0x52, true},
    {SDL_SCANCODE_DELETE, VK_DELETE, 0x53, true},
    {SDL_SCANCODE_LGUI, VK_LWIN, 0x5B, true},
    {SDL_SCANCODE_RGUI, VK_RWIN, 0x5C, true},
    {SDL_SCANCODE_APPLICATION, VK_APPS, 0x5D, true},
};

struct KeypadKey {
    SDL_Scancode scancode;
    UINT digitKey;       // with Num Lock on
    UINT navigationKey;  // with Num Lock off
    UINT scanCode;
};

constexpr KeypadKey kKeypadKeys[] = {
    {SDL_SCANCODE_KP_7, VK_NUMPAD0 + 7, VK_HOME, 0x47},   {SDL_SCANCODE_KP_8, VK_NUMPAD0 + 8, VK_UP, 0x48},
    {SDL_SCANCODE_KP_9, VK_NUMPAD0 + 9, VK_PRIOR, 0x49},  {SDL_SCANCODE_KP_4, VK_NUMPAD0 + 4, VK_LEFT, 0x4B},
    {SDL_SCANCODE_KP_5, VK_NUMPAD0 + 5, VK_CLEAR, 0x4C},  {SDL_SCANCODE_KP_6, VK_NUMPAD0 + 6, VK_RIGHT, 0x4D},
    {SDL_SCANCODE_KP_1, VK_NUMPAD0 + 1, VK_END, 0x4F},    {SDL_SCANCODE_KP_2, VK_NUMPAD0 + 2, VK_DOWN, 0x50},
    {SDL_SCANCODE_KP_3, VK_NUMPAD0 + 3, VK_NEXT, 0x51},   {SDL_SCANCODE_KP_0, VK_NUMPAD0, VK_INSERT, 0x52},
    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, VK_DELETE, 0x53},
};

}  // namespace

KeyMapping MapSdlKey(int sdlScancode, int sdlKeycode, bool numLock) {
    KeyMapping mapping;
    const auto scancode = static_cast<SDL_Scancode>(sdlScancode);
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
        mapping.scanCode = kLetterScanCodes[scancode - SDL_SCANCODE_A];
        mapping.virtualKey = static_cast<UINT>('A' + (scancode - SDL_SCANCODE_A));
    } else if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_0) {
        const int index = scancode - SDL_SCANCODE_1;  // 1..9 then 0
        mapping.scanCode = static_cast<UINT>(0x02 + index);
        mapping.virtualKey = static_cast<UINT>(index == 9 ? '0' : '1' + index);
    } else {
        for (const KeypadKey& key : kKeypadKeys) {
            if (key.scancode == scancode) {
                return KeyMapping{numLock ? key.digitKey : key.navigationKey, key.scanCode, false};
            }
        }
        for (const PositionKey& key : kPositionKeys) {
            if (key.scancode == scancode) {
                return KeyMapping{key.virtualKey, key.scanCode, key.extended};
            }
        }
        return mapping;
    }
    // A letter or digit: the layout decides which one the key types.
    if (sdlKeycode >= SDLK_a && sdlKeycode <= SDLK_z) {
        mapping.virtualKey = static_cast<UINT>('A' + (sdlKeycode - SDLK_a));
    } else if (sdlKeycode >= SDLK_0 && sdlKeycode <= SDLK_9) {
        mapping.virtualKey = static_cast<UINT>(sdlKeycode);
    }
    return mapping;
}

}  // namespace sys::window::sdl
