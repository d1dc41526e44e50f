// The code-name tables of the input settings: what users see and what configuration lines say
// for every key, mouse button and joystick button.
#include <array>
#include <cstdio>
#include <cstring>

#include "dx/input/SInputObjSettings.h"
#include "sys/input/input.h"

using namespace sys::input;

namespace {

struct NameRow {
    int code;
    const char* display;
    const char* config;
};

// In the order users have always seen them listed ("N" before "M" included).
constexpr NameRow kKeyNames[] = {
    {DIK_0, "0", "0"}, {DIK_1, "1", "1"}, {DIK_2, "2", "2"}, {DIK_3, "3", "3"}, {DIK_4, "4", "4"},
    {DIK_5, "5", "5"}, {DIK_6, "6", "6"}, {DIK_7, "7", "7"}, {DIK_8, "8", "8"}, {DIK_9, "9", "9"},
    {DIK_A, "A", "a"}, {DIK_B, "B", "b"}, {DIK_C, "C", "c"}, {DIK_D, "D", "d"}, {DIK_E, "E", "e"},
    {DIK_F, "F", "f"}, {DIK_G, "G", "g"}, {DIK_H, "H", "h"}, {DIK_I, "I", "i"}, {DIK_J, "J", "j"},
    {DIK_K, "K", "k"}, {DIK_L, "L", "l"}, {DIK_N, "N", "n"}, {DIK_M, "M", "m"}, {DIK_O, "O", "o"},
    {DIK_P, "P", "p"}, {DIK_Q, "Q", "q"}, {DIK_R, "R", "r"}, {DIK_S, "S", "s"}, {DIK_T, "T", "t"},
    {DIK_U, "U", "u"}, {DIK_V, "V", "v"}, {DIK_W, "W", "w"}, {DIK_X, "X", "x"}, {DIK_Y, "Y", "y"},
    {DIK_Z, "Z", "z"},
    {DIK_ADD, "Keypad +", "k+"},
    {DIK_APOSTROPHE, "'", "'"},
    {DIK_APPS, "App Menu", "apps"},
    {DIK_AT, "At", "at"},
    {DIK_AX, "Ax", "ax"},
    {DIK_BACK, "Backspace", "bckspace"},
    {DIK_BACKSLASH, "\\", "\\"},
    {DIK_CAPITAL, "Capital", "cap"},
    {DIK_CIRCUMFLEX, "Circumflex", "circflx"},
    {DIK_COLON, ":", ":"},
    {DIK_COMMA, ",", ","},
    {DIK_CONVERT, "Convert", "convert"},
    {DIK_DECIMAL, "Keypad .", "k."},
    {DIK_DELETE, "Gray delete", "delete"},
    {DIK_DIVIDE, "Keypad /", "k/"},
    {DIK_DOWN, "Down arrow", "down"},
    {DIK_END, "End", "end"},
    {DIK_EQUALS, "=", "="},
    {DIK_ESCAPE, "Escape", "esc"},
    {DIK_F1, "F1", "f1"}, {DIK_F2, "F2", "f2"}, {DIK_F3, "F3", "f3"}, {DIK_F4, "F4", "f4"},
    {DIK_F5, "F5", "f5"}, {DIK_F6, "F6", "f6"}, {DIK_F7, "F7", "f7"}, {DIK_F8, "F8", "f8"},
    {DIK_F9, "F9", "f9"}, {DIK_F10, "F10", "f10"}, {DIK_F11, "F11", "f11"}, {DIK_F12, "F12", "f12"},
    {DIK_F13, "F13", "f13"}, {DIK_F14, "F14", "f14"}, {DIK_F15, "F15", "f15"},
    {DIK_GRAVE, "Grave", "grave"},
    {DIK_HOME, "Home", "home"},
    {DIK_INSERT, "Gray insert", "insert"},
    {DIK_KANA, "Kana", "kana"},
    {DIK_KANJI, "Kanji", "kanji"},
    {DIK_LBRACKET, "[", "["},
    {DIK_LCONTROL, "Left Control", "lctrl"},
    {DIK_LEFT, "Left arrow", "left"},
    {DIK_LMENU, "Left alt", "lalt"},
    {DIK_LSHIFT, "Left shift", "lshift"},
    {DIK_LWIN, "Left windows", "lwin"},
    {DIK_MINUS, "-", "-"},
    {DIK_MULTIPLY, "Keypad *", "k*"},
    {DIK_NEXT, "Page Down", "pgdn"},
    {DIK_NOCONVERT, "No Convert", "nconvert"},
    {DIK_NUMLOCK, "Num Lock", "numlck"},
    {DIK_NUMPAD0, "Keypad 0", "k0"}, {DIK_NUMPAD1, "Keypad 1", "k1"}, {DIK_NUMPAD2, "Keypad 2", "k2"},
    {DIK_NUMPAD3, "Keypad 3", "k3"}, {DIK_NUMPAD4, "Keypad 4", "k4"}, {DIK_NUMPAD5, "Keypad 5", "k5"},
    {DIK_NUMPAD6, "Keypad 6", "k6"}, {DIK_NUMPAD7, "Keypad 7", "k7"}, {DIK_NUMPAD8, "Keypad 8", "k8"},
    {DIK_NUMPAD9, "Keypad 9", "k9"},
    {DIK_NUMPADCOMMA, "Keypad ,", "k,"},
    {DIK_NUMPADENTER, "Keypad Enter", "enter"},
    {DIK_NUMPADEQUALS, "Keypad =", "k="},
    {DIK_PERIOD, ".", "."},
    {DIK_PRIOR, "Page Up", "pgup"},
    {DIK_RBRACKET, "]", "]"},
    {DIK_RCONTROL, "Right control", "rctrl"},
    {DIK_RETURN, "Return", "return"},
    {DIK_RIGHT, "Right arrow", "right"},
    {DIK_RMENU, "Right alt", "ralt"},
    {DIK_RSHIFT, "Right shift", "rshift"},
    {DIK_RWIN, "Right windows", "rwin"},
    {DIK_SCROLL, "Scroll Lock", "scrlck"},
    {DIK_SEMICOLON, ";", ";"},
    {DIK_SLASH, "/", "/"},
    {DIK_SPACE, "Spacebar", "space"},
    {DIK_STOP, "Stop", "stop"},
    {DIK_SUBTRACT, "Keypad -", "k-"},
    {DIK_SYSRQ, "SysRq", "sysrq"},
    {DIK_TAB, "Tab", "tab"},
    {DIK_UNDERLINE, "_", "_"},
    {DIK_UNLABELED, "Unlabeled", "unlbld"},
    {DIK_UP, "Up arrow", "up"},
    {DIK_YEN, "Yen", "yen"},
};
static_assert(sizeof(kKeyNames) / sizeof(kKeyNames[0]) == 120);

constexpr NameRow kMouseNames[] = {
    {0, "Left Mouse", "mouse1"},
    {1, "Right Mouse", "mouse2"},
    {2, "Middle Mouse", "mouse3"},
};

constexpr int kJoyButtons = 32;

// The tables spell their configuration names in lower case, so a name looked up is the only one
// that needs folding before the first letters are compared.
template <size_t N>
constexpr bool LowerCaseConfigNames(const NameRow (&rows)[N]) {
    for (const NameRow& row : rows) {
        for (const char* c = row.config; *c != '\0'; ++c) {
            if (*c >= 'A' && *c <= 'Z')
                return false;
        }
    }
    return true;
}
static_assert(LowerCaseConfigNames(kKeyNames) && LowerCaseConfigNames(kMouseNames));

// Configuration names compare without regard to ASCII case only, whatever the locale.
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameConfigName(const char* left, const char* right) {
    for (;; ++left, ++right) {
        const char a = LowerAscii(*left);
        const char b = LowerAscii(*right);
        if (a != b) {
            return false;
        }
        if (a == '\0') {
            return true;
        }
    }
}

// "joy1".."joy32" and "Joystick 1".."Joystick 32", made once.
struct JoyNames {
    char display[kJoyButtons][16];
    char config[kJoyButtons][8];
    JoyNames() {
        for (int n = 0; n < kJoyButtons; ++n) {
            std::snprintf(display[n], sizeof(display[n]), "Joystick %d", n + 1);
            std::snprintf(config[n], sizeof(config[n]), "joy%d", n + 1);
        }
    }
};

const JoyNames& Joy() {
    static const JoyNames names;
    return names;
}

template <size_t N>
const NameRow* RowOfCode(const NameRow (&rows)[N], int code) {
    for (const NameRow& row : rows) {
        if (row.code == code) {
            return &row;
        }
    }
    return nullptr;
}

// The first letters of a table's configuration names, in the table's order.
template <size_t N>
constexpr std::array<char, N> FirstLetters(const NameRow (&rows)[N]) {
    std::array<char, N> letters{};
    for (size_t i = 0; i < N; ++i) {
        letters[i] = rows[i].config[0];
    }
    return letters;
}
constexpr auto kKeyFirstLetters = FirstLetters(kKeyNames);
constexpr auto kMouseFirstLetters = FirstLetters(kMouseNames);

// A bound input is looked for in one table after another: only the rows whose names begin with
// its first letter are compared whole, and the C library's scan finds them.
template <size_t N>
int CodeOfConfigName(const NameRow (&rows)[N], const std::array<char, N>& firstLetters, const char* name) {
    if (name == nullptr) {
        return -1;
    }
    const char first = LowerAscii(name[0]);
    const char* const letters = firstLetters.data();
    for (size_t i = 0; i < N; ++i) {
        const void* found = std::memchr(letters + i, first, N - i);
        if (found == nullptr) {
            break;
        }
        i = static_cast<size_t>(static_cast<const char*>(found) - letters);
        if (SameConfigName(rows[i].config, name)) {
            return rows[i].code;
        }
    }
    return -1;
}

}  // namespace

int SInputObjSettings::KeyTableSize() { return static_cast<int>(sizeof(kKeyNames) / sizeof(kKeyNames[0])); }

const char* SInputObjSettings::KeyCodeToDisplayName(int code) {
    if (code == -1) {
        return "(None)";
    }
    const NameRow* row = RowOfCode(kKeyNames, code);
    return row ? row->display : "Undefined";
}

const char* SInputObjSettings::MouseCodeToDisplayName(int code) {
    if (code == -1) {
        return "(None)";
    }
    const NameRow* row = RowOfCode(kMouseNames, code);
    return row ? row->display : "Undefined";
}

const char* SInputObjSettings::JoyCodeToDisplayName(int code) {
    if (code == -1) {
        return "(None)";
    }
    return code >= 0 && code < kJoyButtons ? Joy().display[code] : "Undefined";
}

const char* SInputObjSettings::KeyIndexToConfigName(int index) {
    return index >= 0 && index < KeyTableSize() ? kKeyNames[index].config : "";
}

const char* SInputObjSettings::MouseIndexToConfigName(int index) {
    return index >= 0 && index < 3 ? kMouseNames[index].config : "";
}

const char* SInputObjSettings::JoyIndexToConfigName(int index) {
    return index >= 0 && index < kJoyButtons ? Joy().config[index] : "";
}

const char* SInputObjSettings::KeyCodeToConfigName(int code) {
    const NameRow* row = RowOfCode(kKeyNames, code);
    return row ? row->config : "Unrecognized";
}

const char* SInputObjSettings::MouseCodeToConfigName(int code) {
    const NameRow* row = RowOfCode(kMouseNames, code);
    return row ? row->config : "Unrecognized";
}

const char* SInputObjSettings::JoyCodeToConfigName(int code) {
    return code >= 0 && code < kJoyButtons ? Joy().config[code] : "Unrecognized";
}

int SInputObjSettings::KeyConfigNameToCode(const char* name) {
    return CodeOfConfigName(kKeyNames, kKeyFirstLetters, name);
}

int SInputObjSettings::MouseConfigNameToCode(const char* name) {
    return CodeOfConfigName(kMouseNames, kMouseFirstLetters, name);
}

int SInputObjSettings::JoyConfigNameToCode(const char* name) {
    if (name == nullptr) {
        return -1;
    }
    const char first = LowerAscii(name[0]);
    for (int n = 0; n < kJoyButtons; ++n) {
        if (Joy().config[n][0] == first && SameConfigName(Joy().config[n], name)) {
            return n;
        }
    }
    return -1;
}
