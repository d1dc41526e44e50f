#include "sys/input/headless/headless_input.h"

#include <array>
#include <cstring>
#include <deque>

#include "sys/input/input_core.h"

// The headless input backend: a key table, joysticks and force-feedback hardware in memory,
// changed only by the test controls.
namespace sys::input {

namespace {

// One attached joystick: what it is, what its controls read, who holds it open.
struct HeadlessJoystick {
    detail::JoystickInfo info;
    detail::JoystickRaw raw;
    bool plugged = true;
    bool autoCenter = true;
    int opened = 0;
};

struct HeadlessState {
    std::array<uint8_t, 256> keys{};
    std::vector<HeadlessJoystick> joysticks;
    std::array<std::deque<HRESULT>, static_cast<size_t>(detail::Call::Count)> failures;
    bool unavailable = false;
    bool mouseExclusive = false;
    std::vector<headless::EffectRecord> effects;
};

// Never destroyed, like the backend: devices may still be released during the program's exit.
HeadlessState& State() {
    static auto* state = new HeadlessState;
    return *state;
}

HeadlessJoystick* JoystickAt(int index) {
    auto& joysticks = State().joysticks;
    if (index < 0 || static_cast<size_t>(index) >= joysticks.size()) {
        return nullptr;
    }
    return &joysticks[static_cast<size_t>(index)];
}

// The headless hardware: answers the core from the state the test controls set. One for the
// program, never destroyed.
class HeadlessInputBackend final : public detail::InputBackend {
public:
    bool Start() override { return !State().unavailable; }

    HRESULT InjectedFailure(detail::Call call) override {
        auto& queue = State().failures[static_cast<size_t>(call)];
        if (queue.empty()) {
            return DI_OK;
        }
        const HRESULT code = queue.front();
        queue.pop_front();
        return code;
    }

    void ReadKeyboard(uint8_t keys[256]) override { std::memcpy(keys, State().keys.data(), 256); }

    int JoystickCount() override { return static_cast<int>(State().joysticks.size()); }

    detail::JoystickInfo Joystick(int index) override {
        const HeadlessJoystick* joystick = JoystickAt(index);
        return joystick ? joystick->info : detail::JoystickInfo{};
    }

    bool OpenJoystick(int index) override {
        HeadlessJoystick* joystick = JoystickAt(index);
        if (!joystick || !joystick->plugged) {
            return false;
        }
        ++joystick->opened;
        return true;
    }

    void CloseJoystick(int index) override {
        if (HeadlessJoystick* joystick = JoystickAt(index); joystick && joystick->opened > 0) {
            --joystick->opened;
        }
    }

    bool ReadJoystick(int index, detail::JoystickRaw& raw) override {
        const HeadlessJoystick* joystick = JoystickAt(index);
        if (!joystick || !joystick->plugged) {
            return false;
        }
        raw = joystick->raw;
        return true;
    }

    void PollJoysticks() override {}

    void SetMouseExclusive(bool on) override { State().mouseExclusive = on; }

    bool SetAutoCenter(int index, bool on) override {
        HeadlessJoystick* joystick = JoystickAt(index);
        if (!joystick || !joystick->info.forceFeedback) {
            return false;
        }
        joystick->autoCenter = on;
        return true;
    }

    int PlayEffect(int index, const detail::EffectPlay& play) override {
        if (!JoystickAt(index)) {
            return -1;
        }
        headless::EffectRecord record;
        record.joystick = index;
        record.kind = static_cast<int>(play.kind);
        record.magnitude = play.magnitude;
        record.durationUs = play.durationUs;
        record.periodUs = play.periodUs;
        record.iterations = play.iterations;
        record.playing = true;
        State().effects.push_back(record);
        return static_cast<int>(State().effects.size()) - 1;
    }

    void StopEffect(int /*index*/, int handle) override {
        auto& effects = State().effects;
        if (handle >= 0 && static_cast<size_t>(handle) < effects.size()) {
            effects[static_cast<size_t>(handle)].playing = false;
        }
    }
};

}  // namespace

namespace detail {

InputBackend& HeadlessBackend() {
    static auto* backend = new HeadlessInputBackend;
    return *backend;
}

}  // namespace detail

namespace headless {

void Reset() {
    detail::ResetCore();
    State() = HeadlessState{};
}

void SetKey(int dik, bool down) {
    if (dik >= 0 && dik < 256) {
        State().keys[static_cast<size_t>(dik)] = down ? 0x80 : 0x00;
        detail::OnKey(dik, down);
    }
}

void MoveMouse(int dx, int dy) { detail::OnMouseMotion(dx, dy); }

void MouseButton(int button, bool down) { detail::OnMouseButton(button, down); }

void MouseWheel(int delta) { detail::OnMouseWheel(delta); }

int AttachJoystick(const Joystick& joystick) {
    auto& joysticks = State().joysticks;
    HeadlessJoystick entry;
    entry.info.name = joystick.name;
    entry.info.instance = joystick.instance;
    if (entry.info.instance == GUID_NULL) {
        entry.info.instance = GUID{0x7A560100u + static_cast<uint32_t>(joysticks.size()), 0x0001, 0x0002,
                                   {'h', 'e', 'a', 'd', 'l', 'e', 's', 's'}};
    }
    entry.info.product = joystick.product;
    entry.info.devType = joystick.devType;
    entry.info.axes = joystick.axes;
    entry.info.buttons = joystick.buttons;
    entry.info.hats = joystick.hats;
    entry.info.forceFeedback = joystick.forceFeedback;
    entry.info.recordSize = joystick.recordSize;
    joysticks.push_back(entry);
    return static_cast<int>(joysticks.size()) - 1;
}

void SetJoystickAxis(int joystick, int axis, int16_t value) {
    if (HeadlessJoystick* entry = JoystickAt(joystick); entry && axis >= 0 && axis < 8) {
        entry->raw.axes[axis] = value;
    }
}

void SetJoystickButton(int joystick, int button, bool down) {
    if (HeadlessJoystick* entry = JoystickAt(joystick); entry && button >= 0 && button < 32) {
        entry->raw.buttons[button] = down ? 0x80 : 0x00;
    }
}

void SetJoystickPov(int joystick, int pov, uint32_t value) {
    if (HeadlessJoystick* entry = JoystickAt(joystick); entry && pov >= 0 && pov < 4) {
        entry->raw.pov[pov] = value;
    }
}

void UnplugJoystick(int joystick) {
    if (HeadlessJoystick* entry = JoystickAt(joystick)) {
        entry->plugged = false;
    }
}

void FailNext(Call call, HRESULT code, int times) {
    auto& queue = State().failures[static_cast<size_t>(call)];
    for (int i = 0; i < times; ++i) {
        queue.push_back(code);
    }
}

void SetUnavailable(bool unavailable) { State().unavailable = unavailable; }

int CallCount(Call call) { return detail::CallCount(static_cast<detail::Call>(call)); }

std::vector<EffectRecord> Effects() { return State().effects; }

bool AutoCenter(int joystick) {
    const HeadlessJoystick* entry = JoystickAt(joystick);
    return entry && entry->autoCenter;
}

bool MouseExclusive() { return State().mouseExclusive; }

int OpenCount(int joystick) {
    const HeadlessJoystick* entry = JoystickAt(joystick);
    return entry ? entry->opened : 0;
}

}  // namespace headless

}  // namespace sys::input
