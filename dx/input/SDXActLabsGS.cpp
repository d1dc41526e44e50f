#include "dx/input/SDXActLabsGS.h"

#include "dx/input/SDXInput.h"

using namespace sys::input;

namespace {

// Gun 2 is only in view while this bit of the first point-of-view word is set.
constexpr uint32_t kGun2Present = 1u << 2;

template <class Function>
Function Lookup(sys::library::Handle library, const char* name) {
    return reinterpret_cast<Function>(sys::library::Symbol(library, name));
}

}  // namespace

SDXActLabsGS::SDXActLabsGS() {
    m_hLibrary = sys::library::Load(kLibraryName);
    if (m_hLibrary == nullptr) {
        return;
    }
    m_pSetCalibrationMode = Lookup<Function2>(m_hLibrary, "GS_SetCalibrationMode");
    m_pUnlockResolution = Lookup<Function0>(m_hLibrary, "GS_UnlockResolution");
    m_pSetResolutionRange = Lookup<Function2>(m_hLibrary, "GS_SetResolutionRange");
    m_pGetHandheldRange = Lookup<Function2>(m_hLibrary, "GS_GetHandheldRange");
    m_pSetHandheldRange = Lookup<Function2>(m_hLibrary, "GS_SetHandheldRange");
    m_pGetHandheldMode = Lookup<Function1>(m_hLibrary, "GS_GetHandheldMode");
    m_pSetHandheldMode = Lookup<Function1>(m_hLibrary, "GS_SetHandheldMode");
}

SDXActLabsGS::~SDXActLabsGS() {
    if (m_pDevice != nullptr) {
        ReleaseDevice();
    }
    sys::library::Unload(m_hLibrary);
}

bool SDXActLabsGS::CreateOfSubType(SDXInput* input, int /*subtype*/) { return Create(input); }

bool SDXActLabsGS::CreateFF(SDXInput* input) { return Create(input); }

// The gun shows up as a joystick of the standard driver; a joystick of any other product is
// not a gun.
bool SDXActLabsGS::Create(SDXInput* input) {
    m_pInput = input;
    if (input == nullptr || input->GetLastIndex() < 0) {
        if (input) {
            input->ReportError("SDXActLabsGS::Create", DIERR_NOTFOUND);
        }
        return false;
    }
    for (int i = 0; i <= input->GetLastIndex(); ++i) {
        const DIDEVICEINSTANCE& entry = input->GetDevice(i);
        if ((entry.dwDevType & 0xF) == DIDEVTYPE_JOYSTICK && entry.guidProduct == GUID_Joystick) {
            return CreateFromEntry(i, "SDXActLabsGS::Create");
        }
    }
    input->ReportError("SDXActLabsGS::Create", DIERR_NOTFOUND);
    return false;
}

bool SDXActLabsGS::SetProperties() {
    if (m_pDevice == nullptr) {
        return false;
    }
    HRESULT hr = m_pDevice->SetDataFormat(&c_dfDIJoystick);
    if (hr != DI_OK) {
        return FailProperties("SDXActLabsGS::SetProperties", hr);
    }
    hr = m_pDevice->SetCooperativeLevel(m_pInput->GetWindow(), DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    if (hr != DI_OK) {
        return FailProperties("SDXActLabsGS::SetProperties", hr);
    }
    // The gun's library maps raw positions itself, so the driver's calibration stays out.
    DIPROPDWORD mode;
    mode.diph.dwHow = DIPH_DEVICE;
    mode.dwData = DIPROPCALIBRATIONMODE_RAW;
    hr = m_pDevice->SetProperty(Property::CalibrationMode, &mode.diph);
    if (Failed(hr)) {
        return FailProperties("SDXActLabsGS::SetProperties", hr);
    }
    SetHandheldRange(-1000, 1000);
    return true;
}

int32_t SDXActLabsGS::GunX(const DIJOYSTATE& state, int gun, bool checkMask) {
    switch (gun) {
    case 0: return state.lX;
    case 1: return state.lZ;
    case 2: return (!checkMask || (state.rgdwPOV[0] & kGun2Present)) ? state.rglSlider[0] : 0;
    default: return 0;
    }
}

int32_t SDXActLabsGS::GunY(const DIJOYSTATE& state, int gun, bool checkMask) {
    switch (gun) {
    case 0: return state.lY;
    case 1: return state.lRz;
    case 2: return (!checkMask || (state.rgdwPOV[0] & kGun2Present)) ? state.rglSlider[1] : 0;
    default: return 0;
    }
}

int SDXActLabsGS::GunButton(const DIJOYSTATE& state, int gun, int b) {
    static constexpr int kFirstButton[3] = {0, 8, 4};
    if (gun < 0 || gun > 2) {
        return 0;
    }
    const int index = kFirstButton[gun] + b;
    if (b < 0 || index > 31) {
        return 0;
    }
    return state.rgbButtons[index];
}

int SDXActLabsGS::MapButton(const DIJOYSTATE& state, int n) {
    if (n >= 0 && n <= 2) {
        return GunButton(state, 2, n);
    }
    if (n == 3 || n == 4) {
        return GunButton(state, 0, n - 3);
    }
    if (n == 5 || n == 6) {
        return GunButton(state, 1, n - 5);
    }
    return 0;
}

int SDXActLabsGS::IsButtonDown(int n) { return MapButton(m_State, n); }

int SDXActLabsGS::WasButtonDown(int n) { return MapButton(m_PrevState, n); }

bool SDXActLabsGS::IsMaskBitSet(int n) { return (m_State.rgdwPOV[0] >> (static_cast<unsigned>(n) % 32u)) & 1u; }

bool SDXActLabsGS::WasMaskBitSet(int n) {
    return (m_PrevState.rgdwPOV[0] >> (static_cast<unsigned>(n) % 32u)) & 1u;
}

int32_t SDXActLabsGS::GetGunX(int gun) { return GunX(m_State, gun, true); }

int32_t SDXActLabsGS::GetGunY(int gun) { return GunY(m_State, gun, true); }

int SDXActLabsGS::IsGunButtonDown(int gun, int b) { return GunButton(m_State, gun, b); }

// The previous position is read as it was stored, whether gun 2 was in view or not.
int32_t SDXActLabsGS::GetPrevGunX(int gun) { return GunX(m_PrevState, gun, false); }

int32_t SDXActLabsGS::GetPrevGunY(int gun) { return GunY(m_PrevState, gun, false); }

int SDXActLabsGS::WasGunButtonDown(int gun, int b) { return GunButton(m_PrevState, gun, b); }

int32_t SDXActLabsGS::SetResolutionRange(int32_t a, int32_t b) {
    return m_pSetResolutionRange ? m_pSetResolutionRange(a, b) : 0;
}

int32_t SDXActLabsGS::UnlockResolution() { return m_pUnlockResolution ? m_pUnlockResolution() : 0; }

int32_t SDXActLabsGS::SetCalibrationMode(int32_t a, int32_t b) {
    return m_pSetCalibrationMode ? m_pSetCalibrationMode(a, b) : 0;
}

int32_t SDXActLabsGS::GetHandheldRange(int32_t a, int32_t b) {
    return m_pGetHandheldRange ? m_pGetHandheldRange(a, b) : 0;
}

int32_t SDXActLabsGS::SetHandheldRange(int32_t a, int32_t b) {
    return m_pSetHandheldRange ? m_pSetHandheldRange(a, b) : 0;
}

int32_t SDXActLabsGS::GetHandheldMode(int32_t a) { return m_pGetHandheldMode ? m_pGetHandheldMode(a) : 0; }

int32_t SDXActLabsGS::SetHandheldMode(int32_t a) { return m_pSetHandheldMode ? m_pSetHandheldMode(a) : 0; }
