#include "sys/input/input.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <deque>
#include <vector>

#include "sys/input/input_core.h"
#include "sys/backend.h"
#include "sys/time/time.h"
#include "sys/window/window.h"

namespace sys::input {

const DIDATAFORMAT c_dfDIKeyboard{256, 1};
const DIDATAFORMAT c_dfDIMouse{sizeof(DIMOUSESTATE), 2};
const DIDATAFORMAT c_dfDIJoystick{sizeof(DIJOYSTATE), 3};

NotificationEvent* CreateNotificationEvent() { return new NotificationEvent; }

void CloseNotificationEvent(NotificationEvent* event) { delete event; }

namespace detail {

InputBackend& ActiveBackend() { return CurrentBackend() == Backend::Sdl ? SdlBackend() : HeadlessBackend(); }

}  // namespace detail

namespace {

using detail::Call;

enum class Kind { Keyboard, Mouse, Joystick };

constexpr int kAxes = 8;
constexpr GUID kFFDriver{0x7A560001, 0x0000, 0x0000, {'T', 'v', 'F', 'F', 0, 0, 0, 1}};

std::array<int, static_cast<size_t>(Call::Count)> g_callCounts{};
uint32_t g_sequence = 0;

// Counts the call and answers the failure a test scripted for it, if any.
HRESULT Enter(Call call) {
    ++g_callCounts[static_cast<size_t>(call)];
    return detail::ActiveBackend().InjectedFailure(call);
}

bool HasFocus(HWND window) { return window != nullptr && sys::window::GetFocus() == window; }

class DeviceImpl;
class EffectImpl;

// Devices alive now, so mouse events reach each mouse and exclusive access can be checked.
// Never destroyed: devices held by long-lived objects are released during the program's exit.
std::vector<DeviceImpl*>& LiveDevices() {
    static auto* devices = new std::vector<DeviceImpl*>;
    return *devices;
}

// One device object handed out by CreateDevice: the keyboard, the mouse or one joystick, with
// its format, cooperative level, acquisition, buffer and properties. Owned through its
// reference count by whoever created it.
class DeviceImpl final : public Device {
public:
    DeviceImpl(Kind kind, int joystick) : m_kind(kind), m_joystick(joystick) {
        for (auto& range : m_ranges) {
            range = {0, 65535};
        }
        if (kind == Kind::Joystick) {
            m_info = detail::ActiveBackend().Joystick(joystick);
        }
        LiveDevices().push_back(this);
    }

    Kind GetKind() const { return m_kind; }
    int Joystick() const { return m_joystick; }
    bool IsAcquired() const { return m_acquired; }
    bool IsExclusive() const { return (m_coop & DISCL_EXCLUSIVE) != 0; }
    bool HasForceFeedback() const { return m_kind == Kind::Joystick && m_info.forceFeedback; }

    uint32_t AddRef() override { return ++m_refs; }

    uint32_t Release() override {
        const uint32_t left = --m_refs;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT QueryDevice2(Device** out) override {
        if (out == nullptr) {
            return DIERR_INVALIDPARAM;
        }
        AddRef();
        *out = this;
        return DI_OK;
    }

    HRESULT SetDataFormat(const DIDATAFORMAT* format) override {
        if (const HRESULT hr = Enter(Call::SetDataFormat); hr != DI_OK) {
            return hr;
        }
        if (m_acquired) {
            return DIERR_ACQUIRED;
        }
        if (format == nullptr || format->kind != static_cast<int>(m_kind) + 1) {
            return DIERR_INVALIDPARAM;
        }
        m_format = format;
        return DI_OK;
    }

    HRESULT SetCooperativeLevel(HWND window, uint32_t flags) override {
        if (const HRESULT hr = Enter(Call::SetCooperativeLevel); hr != DI_OK) {
            return hr;
        }
        if (m_acquired) {
            return DIERR_ACQUIRED;
        }
        const bool oneAccess = ((flags & DISCL_EXCLUSIVE) != 0) != ((flags & DISCL_NONEXCLUSIVE) != 0);
        const bool oneGround = ((flags & DISCL_FOREGROUND) != 0) != ((flags & DISCL_BACKGROUND) != 0);
        if (!oneAccess || !oneGround || (flags & ~0xFu) != 0 || !sys::window::IsWindow(window)) {
            return DIERR_INVALIDPARAM;
        }
        // The system keeps the keyboard for itself while it is held in the background.
        if (m_kind == Kind::Keyboard && (flags & DISCL_EXCLUSIVE) && (flags & DISCL_BACKGROUND)) {
            return DIERR_UNSUPPORTED;
        }
        m_window = window;
        m_coop = flags;
        return DI_OK;
    }

    HRESULT SetProperty(Property property, const DIPROPHEADER* header) override {
        if (const HRESULT hr = Enter(Call::SetProperty); hr != DI_OK) {
            return hr;
        }
        if (header == nullptr || header->dwHeaderSize != sizeof(DIPROPHEADER)) {
            return DIERR_INVALIDPARAM;
        }
        switch (property) {
        case Property::BufferSize:
            if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHow != DIPH_DEVICE) {
                return DIERR_INVALIDPARAM;
            }
            if (m_acquired) {
                return DIERR_ACQUIRED;
            }
            m_bufferSize = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
            return DI_OK;
        case Property::Range: {
            if (header->dwSize != sizeof(DIPROPRANGE)) {
                return DIERR_INVALIDPARAM;
            }
            if (m_kind != Kind::Joystick) {
                return DIERR_UNSUPPORTED;
            }
            const auto* range = reinterpret_cast<const DIPROPRANGE*>(header);
            if (range->lMin > range->lMax) {
                return DIERR_INVALIDPARAM;
            }
            if (header->dwHow == DIPH_DEVICE) {
                for (auto& each : m_ranges) {
                    each = {range->lMin, range->lMax};
                }
                return DI_OK;
            }
            const int axis = AxisAt(*header);
            if (axis < 0) {
                return DIERR_OBJECTNOTFOUND;
            }
            m_ranges[static_cast<size_t>(axis)] = {range->lMin, range->lMax};
            return DI_OK;
        }
        case Property::AutoCenter: {
            if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHow != DIPH_DEVICE) {
                return DIERR_INVALIDPARAM;
            }
            const uint32_t value = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
            if (value > DIPROPAUTOCENTER_ON) {
                return DIERR_INVALIDPARAM;
            }
            if (!HasForceFeedback() || !detail::ActiveBackend().SetAutoCenter(m_joystick, value != 0)) {
                return DIERR_UNSUPPORTED;
            }
            m_autoCenter = value;
            return DI_OK;
        }
        case Property::CalibrationMode: {
            if (header->dwSize != sizeof(DIPROPDWORD)) {
                return DIERR_INVALIDPARAM;
            }
            if (m_kind != Kind::Joystick) {
                return DIERR_UNSUPPORTED;
            }
            if (m_acquired) {
                return DIERR_ACQUIRED;
            }
            const uint32_t value = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
            if (value > DIPROPCALIBRATIONMODE_RAW) {
                return DIERR_INVALIDPARAM;
            }
            m_calibrationMode = value;
            return DI_OK;
        }
        }
        return DIERR_UNSUPPORTED;
    }

    HRESULT GetProperty(Property property, DIPROPHEADER* header) override {
        if (header == nullptr || header->dwHeaderSize != sizeof(DIPROPHEADER)) {
            return DIERR_INVALIDPARAM;
        }
        const bool dword = header->dwSize == sizeof(DIPROPDWORD);
        switch (property) {
        case Property::BufferSize:
            if (!dword) {
                return DIERR_INVALIDPARAM;
            }
            reinterpret_cast<DIPROPDWORD*>(header)->dwData = m_bufferSize;
            return DI_OK;
        case Property::AutoCenter:
            if (!dword) {
                return DIERR_INVALIDPARAM;
            }
            if (!HasForceFeedback()) {
                return DIERR_UNSUPPORTED;
            }
            reinterpret_cast<DIPROPDWORD*>(header)->dwData = m_autoCenter;
            return DI_OK;
        case Property::CalibrationMode:
            if (!dword) {
                return DIERR_INVALIDPARAM;
            }
            if (m_kind != Kind::Joystick) {
                return DIERR_UNSUPPORTED;
            }
            reinterpret_cast<DIPROPDWORD*>(header)->dwData = m_calibrationMode;
            return DI_OK;
        case Property::Range: {
            if (header->dwSize != sizeof(DIPROPRANGE) || header->dwHow != DIPH_BYOFFSET) {
                return DIERR_INVALIDPARAM;
            }
            if (m_kind != Kind::Joystick) {
                return DIERR_UNSUPPORTED;
            }
            const int axis = AxisAt(*header);
            if (axis < 0) {
                return DIERR_OBJECTNOTFOUND;
            }
            auto* range = reinterpret_cast<DIPROPRANGE*>(header);
            range->lMin = m_ranges[static_cast<size_t>(axis)].first;
            range->lMax = m_ranges[static_cast<size_t>(axis)].second;
            return DI_OK;
        }
        }
        return DIERR_UNSUPPORTED;
    }

    HRESULT SetEventNotification(NotificationEvent* event) override {
        if (m_acquired) {
            return DIERR_ACQUIRED;
        }
        m_event = event;
        return DI_OK;
    }

    HRESULT Acquire() override {
        if (const HRESULT hr = Enter(Call::Acquire); hr != DI_OK) {
            return hr;
        }
        if (m_format == nullptr) {
            return DIERR_INVALIDPARAM;
        }
        if (m_acquired) {
            return S_FALSE;
        }
        if ((m_coop & DISCL_FOREGROUND) && !HasFocus(m_window)) {
            return DIERR_OTHERAPPHASPRIO;
        }
        if (IsExclusive()) {
            for (const DeviceImpl* other : LiveDevices()) {
                if (other != this && other->m_acquired && other->IsExclusive() && other->m_kind == m_kind &&
                    other->m_joystick == m_joystick) {
                    return DIERR_OTHERAPPHASPRIO;
                }
            }
        }
        m_acquired = true;
        m_buffer.clear();
        m_overflow = false;
        m_mouse = DIMOUSESTATE{};
        m_keyPresses.fill(0);
        if (m_kind == Kind::Mouse && IsExclusive()) {
            detail::ActiveBackend().SetMouseExclusive(true);
            // An exclusive mouse hides the pointer for as long as it is held.
            sys::window::ShowCursor(false);
        }
        return DI_OK;
    }

    HRESULT Unacquire() override {
        if (!m_acquired) {
            return DI_NOEFFECT;
        }
        Drop();
        return DI_OK;
    }

    HRESULT GetDeviceState(uint32_t size, void* data) override {
        if (const HRESULT hr = Enter(Call::GetDeviceState); hr != DI_OK) {
            return hr;
        }
        if (m_format == nullptr || data == nullptr || size != m_format->dwDataSize) {
            return DIERR_INVALIDPARAM;
        }
        if (const HRESULT hr = CheckReadable(); hr != DI_OK) {
            return hr;
        }
        switch (m_kind) {
        case Kind::Keyboard: {
            uint8_t keys[256] = {};
            detail::ActiveBackend().ReadKeyboard(keys);
            // A key that went down since the last read shows down on this one, even when it
            // is already up again: a tap between two reads is still one press and one release.
            for (size_t key = 0; key < m_keyPresses.size(); ++key) {
                keys[key] |= m_keyPresses[key];
            }
            m_keyPresses.fill(0);
            std::memcpy(data, keys, sizeof(keys));
            return DI_OK;
        }
        case Kind::Mouse:
            std::memcpy(data, &m_mouse, sizeof(m_mouse));
            m_mouse.lX = m_mouse.lY = m_mouse.lZ = 0;
            return DI_OK;
        case Kind::Joystick: {
            detail::JoystickRaw raw;
            if (!detail::ActiveBackend().ReadJoystick(m_joystick, raw)) {
                Drop();
                return DIERR_INPUTLOST;
            }
            DIJOYSTATE state = Scaled(raw);
            std::memcpy(data, &state, sizeof(state));
            return DI_OK;
        }
        }
        return DIERR_GENERIC;
    }

    HRESULT GetDeviceData(uint32_t itemSize, DIDEVICEOBJECTDATA* items, uint32_t* inOut, uint32_t flags) override {
        if (const HRESULT hr = Enter(Call::GetDeviceData); hr != DI_OK) {
            return hr;
        }
        if (itemSize != sizeof(DIDEVICEOBJECTDATA) || inOut == nullptr || flags != 0 ||
            (items == nullptr && *inOut != 0)) {
            return DIERR_INVALIDPARAM;
        }
        if (m_bufferSize == 0) {
            return DIERR_NOTBUFFERED;
        }
        if (const HRESULT hr = CheckReadable(); hr != DI_OK) {
            *inOut = 0;
            return hr;
        }
        const uint32_t count = std::min<uint32_t>(*inOut, static_cast<uint32_t>(m_buffer.size()));
        for (uint32_t i = 0; i < count; ++i) {
            items[i] = m_buffer.front();
            m_buffer.pop_front();
        }
        *inOut = count;
        if (m_overflow) {
            m_overflow = false;
            return DI_BUFFEROVERFLOW;
        }
        return DI_OK;
    }

    HRESULT Poll() override {
        if (const HRESULT hr = Enter(Call::Poll); hr != DI_OK) {
            return hr;
        }
        if (const HRESULT hr = CheckReadable(); hr != DI_OK) {
            return hr;
        }
        if (m_kind != Kind::Joystick) {
            return DI_NOEFFECT;
        }
        detail::ActiveBackend().PollJoysticks();
        return DI_OK;
    }

    HRESULT CreateEffect(const GUID& effect, const DIEFFECT* description, Effect** out, void* outer) override;

    // A mouse event from the system; kept only while acquired with the input allowed.
    void OnMouse(uint32_t offset, uint32_t data) {
        if (m_kind != Kind::Mouse || !m_acquired || ((m_coop & DISCL_FOREGROUND) && !HasFocus(m_window))) {
            return;
        }
        switch (offset) {
        case DIMOFS_X:
            m_mouse.lX += static_cast<int32_t>(data);
            break;
        case DIMOFS_Y:
            m_mouse.lY += static_cast<int32_t>(data);
            break;
        case DIMOFS_Z:
            m_mouse.lZ += static_cast<int32_t>(data);
            break;
        default:
            m_mouse.rgbButtons[offset - DIMOFS_BUTTON0] = static_cast<uint8_t>(data);
            break;
        }
        if (m_bufferSize == 0) {
            return;
        }
        if (m_buffer.size() >= m_bufferSize) {
            m_overflow = true;
            return;
        }
        m_buffer.push_back({offset, data, sys::time::TickCount(), ++g_sequence});
        if (m_event) {
            m_event->signalled = true;
        }
    }

    // A key going down, kept for the next state read of an acquired keyboard with the input
    // allowed; keys pressed before the keyboard was acquired belong to someone else.
    void OnKey(int key, bool down) {
        if (m_kind != Kind::Keyboard || !m_acquired || !down || key <= 0 || key >= 256 ||
            ((m_coop & DISCL_FOREGROUND) && !HasFocus(m_window))) {
            return;
        }
        m_keyPresses[static_cast<size_t>(key)] = 0x80;
    }

    // Lets go of the device without a read: focus lost, device gone, or Unacquire.
    void Drop() {
        if (m_acquired && m_kind == Kind::Mouse && IsExclusive()) {
            detail::ActiveBackend().SetMouseExclusive(false);
            sys::window::ShowCursor(true);
        }
        m_acquired = false;
        m_buffer.clear();
        m_keyPresses.fill(0);
    }

private:
    ~DeviceImpl() override {
        Drop();
        if (m_kind == Kind::Joystick) {
            detail::ActiveBackend().CloseJoystick(m_joystick);
        }
        auto& live = LiveDevices();
        live.erase(std::remove(live.begin(), live.end(), this), live.end());
    }

    // DI_OK while acquired; a foreground device whose window lost the focus is let go and
    // answers DIERR_INPUTLOST once, then DIERR_NOTACQUIRED like any device not acquired.
    HRESULT CheckReadable() {
        if (m_acquired && (m_coop & DISCL_FOREGROUND) && !HasFocus(m_window)) {
            Drop();
            return DIERR_INPUTLOST;
        }
        return m_acquired ? DI_OK : DIERR_NOTACQUIRED;
    }

    // The axis a by-offset header names, when the device has it; -1 otherwise.
    int AxisAt(const DIPROPHEADER& header) const {
        if (header.dwHow != DIPH_BYOFFSET || header.dwObj % 4 != 0) {
            return -1;
        }
        const int axis = static_cast<int>(header.dwObj / 4);
        return axis < std::min(m_info.axes, kAxes) ? axis : -1;
    }

    DIJOYSTATE Scaled(const detail::JoystickRaw& raw) const {
        int32_t axes[kAxes] = {};
        for (int i = 0; i < std::min(m_info.axes, kAxes); ++i) {
            const auto [low, high] = m_ranges[static_cast<size_t>(i)];
            const double unit = (static_cast<double>(raw.axes[i]) + 32768.0) / 65535.0;
            axes[i] = static_cast<int32_t>(std::lround(low + unit * (static_cast<double>(high) - low)));
        }
        DIJOYSTATE state;
        state.lX = axes[0];
        state.lY = axes[1];
        state.lZ = axes[2];
        state.lRx = axes[3];
        state.lRy = axes[4];
        state.lRz = axes[5];
        state.rglSlider[0] = axes[6];
        state.rglSlider[1] = axes[7];
        for (int i = 0; i < 4; ++i) {
            state.rgdwPOV[i] = i < m_info.hats ? raw.pov[i] : 0xFFFFFFFFu;
        }
        for (int i = 0; i < 32; ++i) {
            state.rgbButtons[i] = i < m_info.buttons ? (raw.buttons[i] & 0x80) : 0;
        }
        return state;
    }

    Kind m_kind;
    int m_joystick;
    detail::JoystickInfo m_info;
    uint32_t m_refs = 1;
    const DIDATAFORMAT* m_format = nullptr;
    HWND m_window = nullptr;
    uint32_t m_coop = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    bool m_acquired = false;
    uint32_t m_bufferSize = 0;
    std::deque<DIDEVICEOBJECTDATA> m_buffer;
    bool m_overflow = false;
    NotificationEvent* m_event = nullptr;
    DIMOUSESTATE m_mouse;
    std::array<uint8_t, 256> m_keyPresses{};  // keyboard: bit 7 for keys pressed since the last read
    std::array<std::pair<int32_t, int32_t>, kAxes> m_ranges;
    uint32_t m_autoCenter = DIPROPAUTOCENTER_ON;
    uint32_t m_calibrationMode = DIPROPCALIBRATIONMODE_COOKED;
};

// A created effect: what to play, and the backend's handle while it plays. Holds a reference
// to its device; owned through its own reference count.
class EffectImpl final : public Effect {
public:
    EffectImpl(DeviceImpl* device, const detail::EffectPlay& play) : m_device(device), m_play(play) {
        m_device->AddRef();
    }

    uint32_t AddRef() override { return ++m_refs; }

    uint32_t Release() override {
        const uint32_t left = --m_refs;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT Start(uint32_t iterations, uint32_t flags) override {
        (void)flags;
        if (!m_device->IsAcquired() || !m_device->IsExclusive()) {
            return DIERR_NOTEXCLUSIVEACQUIRED;
        }
        StopPlaying();
        detail::EffectPlay play = m_play;
        play.iterations = iterations;
        m_handle = detail::ActiveBackend().PlayEffect(m_device->Joystick(), play);
        return m_handle >= 0 ? DI_OK : DIERR_GENERIC;
    }

    HRESULT Stop() override {
        if (!m_device->IsAcquired() || !m_device->IsExclusive()) {
            return DIERR_NOTEXCLUSIVEACQUIRED;
        }
        StopPlaying();
        return DI_OK;
    }

private:
    ~EffectImpl() override {
        StopPlaying();
        m_device->Release();
    }

    void StopPlaying() {
        if (m_handle >= 0) {
            detail::ActiveBackend().StopEffect(m_device->Joystick(), m_handle);
            m_handle = -1;
        }
    }

    DeviceImpl* m_device;
    detail::EffectPlay m_play;
    uint32_t m_refs = 1;
    int m_handle = -1;
};

HRESULT DeviceImpl::CreateEffect(const GUID& effect, const DIEFFECT* description, Effect** out, void* outer) {
    if (const HRESULT hr = Enter(Call::CreateEffect); hr != DI_OK) {
        return hr;
    }
    if (outer != nullptr) {
        return DIERR_NOAGGREGATION;
    }
    if (out == nullptr || description == nullptr || description->dwSize != DIEFFECT_SIZE) {
        return DIERR_INVALIDPARAM;
    }
    if (!HasForceFeedback()) {
        return DIERR_UNSUPPORTED;
    }
    detail::EffectPlay play;
    play.durationUs = description->dwDuration;
    const uint32_t gain = std::min<uint32_t>(description->dwGain, DI_FFNOMINALMAX);
    if (effect == GUID_Sine) {
        if (description->cbTypeSpecificParams != sizeof(DIPERIODIC) || description->lpvTypeSpecificParams == nullptr) {
            return DIERR_INVALIDPARAM;
        }
        const auto* periodic = static_cast<const DIPERIODIC*>(description->lpvTypeSpecificParams);
        play.kind = detail::EffectPlay::Kind::Sine;
        play.magnitude = static_cast<int>(std::min<uint32_t>(periodic->dwMagnitude, DI_FFNOMINALMAX));
        play.periodUs = periodic->dwPeriod;
    } else if (effect == GUID_ConstantForce) {
        if (description->cbTypeSpecificParams != sizeof(DICONSTANTFORCE) ||
            description->lpvTypeSpecificParams == nullptr) {
            return DIERR_INVALIDPARAM;
        }
        const auto* constant = static_cast<const DICONSTANTFORCE*>(description->lpvTypeSpecificParams);
        play.kind = detail::EffectPlay::Kind::Constant;
        play.magnitude = std::min<int>(std::abs(constant->lMagnitude), static_cast<int>(DI_FFNOMINALMAX));
    } else if (effect == GUID_CustomForce) {
        // The force samples come in the type-specific block; a custom force without them is
        // not an effect.
        if (description->cbTypeSpecificParams == 0 || description->lpvTypeSpecificParams == nullptr) {
            return DIERR_INVALIDPARAM;
        }
        play.kind = detail::EffectPlay::Kind::Custom;
        play.magnitude = 0;
    } else {
        return DIERR_DEVICENOTREG;
    }
    play.magnitude = static_cast<int>(static_cast<int64_t>(play.magnitude) * gain / DI_FFNOMINALMAX);
    *out = new EffectImpl(this, play);
    return DI_OK;
}

void FillName(char (&target)[260], const std::string& name) {
    const size_t count = std::min(name.size(), sizeof(target) - 1);
    std::memcpy(target, name.data(), count);
    target[count] = '\0';
}

// The DirectInput object: enumerates the keyboard, the mouse and the backend's joysticks and
// makes their devices. Owned through its reference count by the caller of DirectInputCreate.
class DirectInputImpl final : public DirectInput {
public:
    uint32_t AddRef() override { return ++m_refs; }

    uint32_t Release() override {
        const uint32_t left = --m_refs;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT EnumDevices(uint32_t devType, LPDIENUMDEVICESCALLBACK callback, void* ref, uint32_t flags) override {
        if (const HRESULT hr = Enter(Call::EnumDevices); hr != DI_OK) {
            return hr;
        }
        if (callback == nullptr || (flags & ~(DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK)) != 0 || devType > 0xFF) {
            return DIERR_INVALIDPARAM;
        }
        // Every device the system knows of is attached, so both enumerations see the same.
        std::vector<DIDEVICEINSTANCE> records;
        DIDEVICEINSTANCE keyboard;
        keyboard.guidInstance = keyboard.guidProduct = GUID_SysKeyboard;
        keyboard.dwDevType = DIDEVTYPE_KEYBOARD | (4u << 8);
        FillName(keyboard.tszInstanceName, "Keyboard");
        FillName(keyboard.tszProductName, "Keyboard");
        keyboard.wUsagePage = 1;
        keyboard.wUsage = 6;
        records.push_back(keyboard);
        DIDEVICEINSTANCE mouse;
        mouse.guidInstance = mouse.guidProduct = GUID_SysMouse;
        mouse.dwDevType = DIDEVTYPE_MOUSE | (1u << 8);
        FillName(mouse.tszInstanceName, "Mouse");
        FillName(mouse.tszProductName, "Mouse");
        mouse.wUsagePage = 1;
        mouse.wUsage = 2;
        records.push_back(mouse);
        detail::InputBackend& backend = detail::ActiveBackend();
        const int joysticks = backend.JoystickCount();
        for (int i = 0; i < joysticks; ++i) {
            const detail::JoystickInfo info = backend.Joystick(i);
            DIDEVICEINSTANCE record;
            record.guidInstance = info.instance;
            record.guidProduct = info.product;
            record.dwDevType = info.devType;
            FillName(record.tszInstanceName, info.name);
            FillName(record.tszProductName, info.name);
            record.guidFFDriver = info.forceFeedback ? kFFDriver : GUID_NULL;
            record.wUsagePage = 1;
            record.wUsage = 4;
            record.dwSize = info.recordSize;
            records.push_back(record);
        }
        for (DIDEVICEINSTANCE& record : records) {
            if (record.dwSize == 0) {
                record.dwSize = sizeof(DIDEVICEINSTANCE);
            }
            if (devType != 0 && (record.dwDevType & 0xFF) != devType) {
                continue;
            }
            if ((flags & DIEDFL_FORCEFEEDBACK) && record.guidFFDriver == GUID_NULL) {
                continue;
            }
            if (callback(&record, ref) == DIENUM_STOP) {
                break;
            }
        }
        return DI_OK;
    }

    HRESULT CreateDevice(const GUID& instance, Device** out, void* outer) override {
        if (const HRESULT hr = Enter(Call::CreateDevice); hr != DI_OK) {
            return hr;
        }
        if (outer != nullptr) {
            return DIERR_NOAGGREGATION;
        }
        if (out == nullptr) {
            return DIERR_INVALIDPARAM;
        }
        *out = nullptr;
        if (instance == GUID_SysKeyboard) {
            *out = new DeviceImpl(Kind::Keyboard, -1);
            return DI_OK;
        }
        if (instance == GUID_SysMouse) {
            *out = new DeviceImpl(Kind::Mouse, -1);
            return DI_OK;
        }
        detail::InputBackend& backend = detail::ActiveBackend();
        const int joysticks = backend.JoystickCount();
        for (int i = 0; i < joysticks; ++i) {
            if (backend.Joystick(i).instance == instance) {
                if (!backend.OpenJoystick(i)) {
                    return DIERR_GENERIC;
                }
                *out = new DeviceImpl(Kind::Joystick, i);
                return DI_OK;
            }
        }
        return DIERR_DEVICENOTREG;
    }

private:
    uint32_t m_refs = 1;
};

void DeliverMouse(uint32_t offset, uint32_t data) {
    // A copy: nothing here may create or destroy devices, but stay safe if it ever does.
    const std::vector<DeviceImpl*> devices = LiveDevices();
    for (DeviceImpl* device : devices) {
        device->OnMouse(offset, data);
    }
}

void DeliverKey(int key, bool down) {
    const std::vector<DeviceImpl*> devices = LiveDevices();
    for (DeviceImpl* device : devices) {
        device->OnKey(key, down);
    }
}

}  // namespace

HRESULT DirectInputCreate(HINSTANCE instance, uint32_t version, DirectInput** out, void* outer) {
    (void)instance;
    if (const HRESULT hr = Enter(Call::Create); hr != DI_OK) {
        return hr;
    }
    if (out == nullptr) {
        return DIERR_INVALIDPARAM;
    }
    *out = nullptr;
    if (outer != nullptr) {
        return DIERR_NOAGGREGATION;
    }
    if (version == 0) {
        return DIERR_INVALIDPARAM;
    }
    if (version > DIRECTINPUT_VERSION) {
        return DIERR_OLDDIRECTINPUTVERSION;
    }
    if (!detail::ActiveBackend().Start()) {
        return DIERR_GENERIC;
    }
    *out = new DirectInputImpl;
    return DI_OK;
}

namespace detail {

void OnMouseMotion(int dx, int dy) {
    if (dx != 0) {
        DeliverMouse(DIMOFS_X, static_cast<uint32_t>(dx));
    }
    if (dy != 0) {
        DeliverMouse(DIMOFS_Y, static_cast<uint32_t>(dy));
    }
}

void OnMouseButton(int button, bool down) {
    if (button < 0 || button > 3) {
        return;
    }
    DeliverMouse(DIMOFS_BUTTON0 + static_cast<uint32_t>(button), down ? 0x80u : 0u);
}

void OnKey(int dik, bool down) { DeliverKey(dik, down); }

void OnMouseWheel(int delta) {
    if (delta != 0) {
        DeliverMouse(DIMOFS_Z, static_cast<uint32_t>(delta));
    }
}

int CallCount(Call call) { return g_callCounts[static_cast<size_t>(call)]; }

void ResetCallCounts() { g_callCounts.fill(0); }

void ResetCore() {
    // Devices still held by a test stay valid objects; they only stop holding the hardware.
    for (DeviceImpl* device : LiveDevices()) {
        device->Drop();
    }
    ResetCallCounts();
}

}  // namespace detail

}  // namespace sys::input
