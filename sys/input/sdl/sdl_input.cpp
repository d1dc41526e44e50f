#include "sys/input/sdl/sdl_input.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "sys/input/input_core.h"
#include "sys/window/sdl/sdl_window.h"

// The Sdl input backend: the keyboard from SDL's key table by scancode, the mouse from SDL's
// motion and button events (watched as the window seam pumps them, so its message loop keeps
// its own copy of every event), joysticks from SDL joysticks, force feedback through SDL
// haptics with the rumble of the joystick as the fallback.
namespace sys::input {

namespace sdl {

namespace {

struct ScancodeKey {
    SDL_Scancode scancode;
    int dik;
};

constexpr ScancodeKey kKeys[] = {
    {SDL_SCANCODE_ESCAPE, DIK_ESCAPE},       {SDL_SCANCODE_1, DIK_1},
    {SDL_SCANCODE_2, DIK_2},                 {SDL_SCANCODE_3, DIK_3},
    {SDL_SCANCODE_4, DIK_4},                 {SDL_SCANCODE_5, DIK_5},
    {SDL_SCANCODE_6, DIK_6},                 {SDL_SCANCODE_7, DIK_7},
    {SDL_SCANCODE_8, DIK_8},                 {SDL_SCANCODE_9, DIK_9},
    {SDL_SCANCODE_0, DIK_0},                 {SDL_SCANCODE_MINUS, DIK_MINUS},
    {SDL_SCANCODE_EQUALS, DIK_EQUALS},       {SDL_SCANCODE_BACKSPACE, DIK_BACK},
    {SDL_SCANCODE_TAB, DIK_TAB},             {SDL_SCANCODE_Q, DIK_Q},
    {SDL_SCANCODE_W, DIK_W},                 {SDL_SCANCODE_E, DIK_E},
    {SDL_SCANCODE_R, DIK_R},                 {SDL_SCANCODE_T, DIK_T},
    {SDL_SCANCODE_Y, DIK_Y},                 {SDL_SCANCODE_U, DIK_U},
    {SDL_SCANCODE_I, DIK_I},                 {SDL_SCANCODE_O, DIK_O},
    {SDL_SCANCODE_P, DIK_P},                 {SDL_SCANCODE_LEFTBRACKET, DIK_LBRACKET},
    {SDL_SCANCODE_RIGHTBRACKET, DIK_RBRACKET}, {SDL_SCANCODE_RETURN, DIK_RETURN},
    {SDL_SCANCODE_LCTRL, DIK_LCONTROL},      {SDL_SCANCODE_A, DIK_A},
    {SDL_SCANCODE_S, DIK_S},                 {SDL_SCANCODE_D, DIK_D},
    {SDL_SCANCODE_F, DIK_F},                 {SDL_SCANCODE_G, DIK_G},
    {SDL_SCANCODE_H, DIK_H},                 {SDL_SCANCODE_J, DIK_J},
    {SDL_SCANCODE_K, DIK_K},                 {SDL_SCANCODE_L, DIK_L},
    {SDL_SCANCODE_SEMICOLON, DIK_SEMICOLON}, {SDL_SCANCODE_APOSTROPHE, DIK_APOSTROPHE},
    {SDL_SCANCODE_GRAVE, DIK_GRAVE},         {SDL_SCANCODE_LSHIFT, DIK_LSHIFT},
    {SDL_SCANCODE_BACKSLASH, DIK_BACKSLASH}, {SDL_SCANCODE_NONUSHASH, DIK_BACKSLASH},
    {SDL_SCANCODE_Z, DIK_Z},                 {SDL_SCANCODE_X, DIK_X},
    {SDL_SCANCODE_C, DIK_C},                 {SDL_SCANCODE_V, DIK_V},
    {SDL_SCANCODE_B, DIK_B},                 {SDL_SCANCODE_N, DIK_N},
    {SDL_SCANCODE_M, DIK_M},                 {SDL_SCANCODE_COMMA, DIK_COMMA},
    {SDL_SCANCODE_PERIOD, DIK_PERIOD},       {SDL_SCANCODE_SLASH, DIK_SLASH},
    {SDL_SCANCODE_RSHIFT, DIK_RSHIFT},       {SDL_SCANCODE_KP_MULTIPLY, DIK_MULTIPLY},
    {SDL_SCANCODE_LALT, DIK_LMENU},          {SDL_SCANCODE_SPACE, DIK_SPACE},
    {SDL_SCANCODE_CAPSLOCK, DIK_CAPITAL},    {SDL_SCANCODE_F1, DIK_F1},
    {SDL_SCANCODE_F2, DIK_F2},               {SDL_SCANCODE_F3, DIK_F3},
    {SDL_SCANCODE_F4, DIK_F4},               {SDL_SCANCODE_F5, DIK_F5},
    {SDL_SCANCODE_F6, DIK_F6},               {SDL_SCANCODE_F7, DIK_F7},
    {SDL_SCANCODE_F8, DIK_F8},               {SDL_SCANCODE_F9, DIK_F9},
    {SDL_SCANCODE_F10, DIK_F10},             {SDL_SCANCODE_NUMLOCKCLEAR, DIK_NUMLOCK},
    {SDL_SCANCODE_SCROLLLOCK, DIK_SCROLL},   {SDL_SCANCODE_KP_7, DIK_NUMPAD7},
    {SDL_SCANCODE_KP_8, DIK_NUMPAD8},        {SDL_SCANCODE_KP_9, DIK_NUMPAD9},
    {SDL_SCANCODE_KP_MINUS, DIK_SUBTRACT},   {SDL_SCANCODE_KP_4, DIK_NUMPAD4},
    {SDL_SCANCODE_KP_5, DIK_NUMPAD5},        {SDL_SCANCODE_KP_6, DIK_NUMPAD6},
    {SDL_SCANCODE_KP_PLUS, DIK_ADD},         {SDL_SCANCODE_KP_1, DIK_NUMPAD1},
    {SDL_SCANCODE_KP_2, DIK_NUMPAD2},        {SDL_SCANCODE_KP_3, DIK_NUMPAD3},
    {SDL_SCANCODE_KP_0, DIK_NUMPAD0},        {SDL_SCANCODE_KP_PERIOD, DIK_DECIMAL},
    {SDL_SCANCODE_NONUSBACKSLASH, DIK_OEM_102}, {SDL_SCANCODE_F11, DIK_F11},
    {SDL_SCANCODE_F12, DIK_F12},             {SDL_SCANCODE_F13, DIK_F13},
    {SDL_SCANCODE_F14, DIK_F14},             {SDL_SCANCODE_F15, DIK_F15},
    {SDL_SCANCODE_INTERNATIONAL2, DIK_KANA}, {SDL_SCANCODE_INTERNATIONAL4, DIK_CONVERT},
    {SDL_SCANCODE_INTERNATIONAL5, DIK_NOCONVERT}, {SDL_SCANCODE_INTERNATIONAL3, DIK_YEN},
    {SDL_SCANCODE_KP_EQUALS, DIK_NUMPADEQUALS}, {SDL_SCANCODE_STOP, DIK_STOP},
    {SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER}, {SDL_SCANCODE_RCTRL, DIK_RCONTROL},
    {SDL_SCANCODE_KP_COMMA, DIK_NUMPADCOMMA}, {SDL_SCANCODE_KP_DIVIDE, DIK_DIVIDE},
    {SDL_SCANCODE_PRINTSCREEN, DIK_SYSRQ},   {SDL_SCANCODE_SYSREQ, DIK_SYSRQ},
    {SDL_SCANCODE_RALT, DIK_RMENU},          {SDL_SCANCODE_PAUSE, DIK_PAUSE},
    {SDL_SCANCODE_HOME, DIK_HOME},           {SDL_SCANCODE_UP, DIK_UP},
    {SDL_SCANCODE_PAGEUP, DIK_PRIOR},        {SDL_SCANCODE_LEFT, DIK_LEFT},
    {SDL_SCANCODE_RIGHT, DIK_RIGHT},         {SDL_SCANCODE_END, DIK_END},
    {SDL_SCANCODE_DOWN, DIK_DOWN},           {SDL_SCANCODE_PAGEDOWN, DIK_NEXT},
    {SDL_SCANCODE_INSERT, DIK_INSERT},       {SDL_SCANCODE_DELETE, DIK_DELETE},
    {SDL_SCANCODE_LGUI, DIK_LWIN},           {SDL_SCANCODE_RGUI, DIK_RWIN},
    {SDL_SCANCODE_APPLICATION, DIK_APPS},
};

}  // namespace

int DikFromSdlScancode(int sdlScancode) {
    for (const ScancodeKey& key : kKeys) {
        if (key.scancode == sdlScancode) {
            return key.dik;
        }
    }
    return 0;
}

}  // namespace sdl

namespace {

// Hat positions in hundredths of a degree clockwise from north.
uint32_t PovFromHat(Uint8 hat) {
    switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return 0xFFFFFFFFu;
    }
}

// One joystick SDL reported, in the position the core knows it by, with its SDL handles while
// a device holds it open.
struct SdlJoystick {
    detail::JoystickInfo info;
    SDL_JoystickID id = -1;
    SDL_Joystick* joystick = nullptr;
    SDL_Haptic* haptic = nullptr;
    int opened = 0;
    std::vector<int> effects;  // SDL haptic effect ids by our handle; -2 for a rumble
};

// The SDL hardware: keyboard state, watched mouse events, joysticks and haptics. One for the
// program, never destroyed.
class SdlInputBackend final : public detail::InputBackend {
public:
    bool Start() override {
        if (!m_started) {
            if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
                std::fprintf(stderr, "Joysticks are unavailable: %s\n", SDL_GetError());
            }
            SDL_InitSubSystem(SDL_INIT_HAPTIC);  // force feedback is optional
            SDL_AddEventWatch(&SdlInputBackend::Watch, nullptr);
            m_started = true;
        }
        Refresh();
        return true;
    }

    HRESULT InjectedFailure(detail::Call /*call*/) override { return DI_OK; }

    void ReadKeyboard(uint8_t keys[256]) override {
        std::memset(keys, 0, 256);
        int count = 0;
        const Uint8* state = SDL_GetKeyboardState(&count);
        if (state == nullptr) {
            return;
        }
        for (int scancode = 0; scancode < count; ++scancode) {
            if (state[scancode]) {
                if (const int dik = sdl::DikFromSdlScancode(scancode); dik > 0) {
                    keys[dik] = 0x80;
                }
            }
        }
    }

    int JoystickCount() override {
        Refresh();
        return static_cast<int>(m_joysticks.size());
    }

    detail::JoystickInfo Joystick(int index) override {
        const SdlJoystick* entry = At(index);
        return entry ? entry->info : detail::JoystickInfo{};
    }

    bool OpenJoystick(int index) override {
        SdlJoystick* entry = At(index);
        if (!entry) {
            return false;
        }
        if (entry->opened == 0) {
            const int deviceIndex = DeviceIndexOf(entry->id);
            entry->joystick = deviceIndex >= 0 ? SDL_JoystickOpen(deviceIndex) : nullptr;
            if (!entry->joystick) {
                return false;
            }
            if (SDL_JoystickIsHaptic(entry->joystick) == SDL_TRUE) {
                entry->haptic = SDL_HapticOpenFromJoystick(entry->joystick);
            }
        }
        ++entry->opened;
        return true;
    }

    void CloseJoystick(int index) override {
        SdlJoystick* entry = At(index);
        if (!entry || entry->opened == 0 || --entry->opened > 0) {
            return;
        }
        if (entry->haptic) {
            SDL_HapticClose(entry->haptic);
            entry->haptic = nullptr;
        }
        SDL_JoystickClose(entry->joystick);
        entry->joystick = nullptr;
        entry->effects.clear();
    }

    bool ReadJoystick(int index, detail::JoystickRaw& raw) override {
        const SdlJoystick* entry = At(index);
        if (!entry || !entry->joystick || SDL_JoystickGetAttached(entry->joystick) != SDL_TRUE) {
            return false;
        }
        raw = detail::JoystickRaw{};
        for (int axis = 0; axis < std::min(entry->info.axes, 8); ++axis) {
            raw.axes[axis] = SDL_JoystickGetAxis(entry->joystick, axis);
        }
        for (int hat = 0; hat < std::min(entry->info.hats, 4); ++hat) {
            raw.pov[hat] = PovFromHat(SDL_JoystickGetHat(entry->joystick, hat));
        }
        for (int button = 0; button < std::min(entry->info.buttons, 32); ++button) {
            raw.buttons[button] = SDL_JoystickGetButton(entry->joystick, button) ? 0x80 : 0;
        }
        return true;
    }

    void PollJoysticks() override { SDL_JoystickUpdate(); }

    void SetMouseExclusive(bool on) override {
        if (SDL_WasInit(SDL_INIT_VIDEO)) {
            SDL_SetRelativeMouseMode(on ? SDL_TRUE : SDL_FALSE);
        }
    }

    bool SetAutoCenter(int index, bool on) override {
        SdlJoystick* entry = At(index);
        if (!entry) {
            return false;
        }
        if (entry->haptic && (SDL_HapticQuery(entry->haptic) & SDL_HAPTIC_AUTOCENTER)) {
            return SDL_HapticSetAutocenter(entry->haptic, on ? 100 : 0) == 0;
        }
        // A rumble-only pad has no spring to switch; there is nothing to refuse either.
        return entry->info.forceFeedback;
    }

    int PlayEffect(int index, const detail::EffectPlay& play) override {
        SdlJoystick* entry = At(index);
        if (!entry || !entry->joystick) {
            return -1;
        }
        const Uint32 lengthMs = play.durationUs == INFINITE_DURATION ? SDL_HAPTIC_INFINITY : play.durationUs / 1000;
        const Uint16 level = static_cast<Uint16>(std::min(play.magnitude, 10000) * 32767 / 10000);
        if (entry->haptic) {
            const unsigned supported = SDL_HapticQuery(entry->haptic);
            SDL_HapticEffect effect;
            std::memset(&effect, 0, sizeof(effect));
            if (play.kind == detail::EffectPlay::Kind::Sine && (supported & SDL_HAPTIC_SINE)) {
                effect.type = SDL_HAPTIC_SINE;
                effect.periodic.length = lengthMs;
                effect.periodic.period = static_cast<Uint16>(std::min<uint32_t>(play.periodUs / 1000, 65535));
                effect.periodic.magnitude = static_cast<Sint16>(level);
            } else if (play.kind != detail::EffectPlay::Kind::Sine && (supported & SDL_HAPTIC_CONSTANT)) {
                effect.type = SDL_HAPTIC_CONSTANT;
                effect.constant.length = lengthMs;
                effect.constant.level = static_cast<Sint16>(level);
            }
            if (effect.type != 0) {
                const int id = SDL_HapticNewEffect(entry->haptic, &effect);
                if (id >= 0 && SDL_HapticRunEffect(entry->haptic, id, play.iterations) == 0) {
                    entry->effects.push_back(id);
                    return static_cast<int>(entry->effects.size()) - 1;
                }
            }
        }
        // The fallback: the pad's rumble motors for the effect's length (a second when endless,
        // as a rumble cannot be left running).
        const Uint32 rumbleMs = lengthMs == SDL_HAPTIC_INFINITY ? 1000 : lengthMs;
        if (SDL_JoystickRumble(entry->joystick, level, level, rumbleMs) != 0) {
            return -1;
        }
        entry->effects.push_back(-2);
        return static_cast<int>(entry->effects.size()) - 1;
    }

    void StopEffect(int index, int handle) override {
        SdlJoystick* entry = At(index);
        if (!entry || !entry->joystick || handle < 0 || static_cast<size_t>(handle) >= entry->effects.size()) {
            return;
        }
        const int id = entry->effects[static_cast<size_t>(handle)];
        if (id == -2) {
            SDL_JoystickRumble(entry->joystick, 0, 0, 0);
        } else if (id >= 0 && entry->haptic) {
            SDL_HapticStopEffect(entry->haptic, id);
            SDL_HapticDestroyEffect(entry->haptic, id);
        }
        entry->effects[static_cast<size_t>(handle)] = -1;
    }

private:
    static int Watch(void* /*userdata*/, SDL_Event* event) {
        switch (event->type) {
        case SDL_MOUSEMOTION:
            detail::OnMouseMotion(event->motion.xrel, event->motion.yrel);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const int button = event->button.button == SDL_BUTTON_LEFT     ? 0
                               : event->button.button == SDL_BUTTON_RIGHT  ? 1
                               : event->button.button == SDL_BUTTON_MIDDLE ? 2
                               : event->button.button == SDL_BUTTON_X1     ? 3
                                                                           : -1;
            detail::OnMouseButton(button, event->type == SDL_MOUSEBUTTONDOWN);
            break;
        }
        case SDL_MOUSEWHEEL:
            detail::OnMouseWheel(event->wheel.y * 120);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (event->key.repeat == 0) {
                detail::OnKey(sdl::DikFromSdlScancode(event->key.keysym.scancode), event->type == SDL_KEYDOWN);
            }
            break;
        default:
            break;
        }
        return 1;
    }

    static int DeviceIndexOf(SDL_JoystickID id) {
        const int count = SDL_NumJoysticks();
        for (int i = 0; i < count; ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == id) {
                return i;
            }
        }
        return -1;
    }

    SdlJoystick* At(int index) {
        if (index < 0 || static_cast<size_t>(index) >= m_joysticks.size()) {
            return nullptr;
        }
        return &m_joysticks[static_cast<size_t>(index)];
    }

    // Takes in joysticks plugged in since the last look. Positions never move while the
    // program runs, so a device keeps its joystick; an unplugged one stays in its place and
    // its reads report input lost.
    void Refresh() {
        if (!SDL_WasInit(SDL_INIT_JOYSTICK)) {
            return;
        }
        const int count = SDL_NumJoysticks();
        for (int i = 0; i < count; ++i) {
            const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(i);
            const bool known = std::any_of(m_joysticks.begin(), m_joysticks.end(),
                                           [id](const SdlJoystick& each) { return each.id == id; });
            if (known) {
                continue;
            }
            SDL_Joystick* probe = SDL_JoystickOpen(i);
            if (!probe) {
                continue;
            }
            SdlJoystick entry;
            entry.id = id;
            const char* name = SDL_JoystickName(probe);
            entry.info.name = name ? name : "Joystick";
            entry.info.instance = GUID{0x7A560200u + static_cast<uint32_t>(m_joysticks.size()), 0x5344, 0x4C32,
                                       {'j', 'o', 'y', 's', 't', 'i', 'c', 'k'}};
            entry.info.product = GUID_Joystick;
            entry.info.axes = std::min(SDL_JoystickNumAxes(probe), 8);
            entry.info.buttons = std::min(SDL_JoystickNumButtons(probe), 32);
            entry.info.hats = std::min(SDL_JoystickNumHats(probe), 4);
            entry.info.forceFeedback =
                SDL_JoystickIsHaptic(probe) == SDL_TRUE || SDL_JoystickHasRumble(probe) == SDL_TRUE;
            SDL_JoystickClose(probe);
            m_joysticks.push_back(entry);
        }
    }

    bool m_started = false;
    std::vector<SdlJoystick> m_joysticks;
};

}  // namespace

namespace detail {

// Never destroyed: devices may still be released during the program's exit.
InputBackend& SdlBackend() {
    static auto* backend = new SdlInputBackend;
    return *backend;
}

}  // namespace detail

}  // namespace sys::input
