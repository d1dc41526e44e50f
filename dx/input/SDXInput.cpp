#include "dx/input/SDXInput.h"

#include <algorithm>
#include <cstring>

using namespace sys::input;

namespace {

struct ErrorNameRow {
    HRESULT code;
    const char* name;
};

constexpr ErrorNameRow kErrorNames[] = {
    {DI_OK, "DI_OK"},
    {S_FALSE, "S_FALSE"},
    {DI_POLLEDDEVICE, "DI_POLLEDDEVICE"},
    {DI_DOWNLOADSKIPPED, "DI_DOWNLOADSKIPPED"},
    {DI_EFFECTRESTARTED, "DI_EFFECTRESTARTED"},
    {DI_TRUNCATED, "DI_TRUNCATED"},
    {DI_TRUNCATEDANDRESTARTED, "DI_TRUNCATEDANDRESTARTED"},
    {E_PENDING, "E_PENDING"},
    {DIERR_UNSUPPORTED, "DIERR_UNSUPPORTED"},
    {DIERR_NOINTERFACE, "DIERR_NOINTERFACE"},
    {DIERR_GENERIC, "DIERR_GENERIC"},
    {DIERR_NOAGGREGATION, "DIERR_NOAGGREGATION"},
    {DIERR_DEVICENOTREG, "DIERR_DEVICENOTREG"},
    {DIERR_DEVICEFULL, "DIERR_DEVICEFULL"},
    {DIERR_MOREDATA, "DIERR_MOREDATA"},
    {DIERR_NOTDOWNLOADED, "DIERR_NOTDOWNLOADED"},
    {DIERR_HASEFFECTS, "DIERR_HASEFFECTS"},
    {DIERR_NOTEXCLUSIVEACQUIRED, "DIERR_NOTEXCLUSIVEACQUIRED"},
    {DIERR_INCOMPLETEEFFECT, "DIERR_INCOMPLETEEFFECT"},
    {DIERR_NOTBUFFERED, "DIERR_NOTBUFFERED"},
    {DIERR_EFFECTPLAYING, "DIERR_EFFECTPLAYING"},
    {DIERR_NOTFOUND, "DIERR_NOTFOUND"},
    {DIERR_HANDLEEXISTS, "DIERR_HANDLEEXISTS"},
    {DIERR_NOTACQUIRED, "DIERR_NOTACQUIRED"},
    {DIERR_OUTOFMEMORY, "DIERR_OUTOFMEMORY"},
    {DIERR_NOTINITIALIZED, "DIERR_NOTINITIALIZED"},
    {DIERR_INPUTLOST, "DIERR_INPUTLOST"},
    {DIERR_INVALIDPARAM, "DIERR_INVALIDPARAM"},
    {DIERR_BADDRIVERVER, "DIERR_BADDRIVERVER"},
    {DIERR_ACQUIRED, "DIERR_ACQUIRED"},
    {DIERR_OLDDIRECTINPUTVERSION, "DIERR_OLDDIRECTINPUTVERSION"},
    {DIERR_BETADIRECTINPUTVERSION, "DIERR_BETADIRECTINPUTVERSION"},
    {DIERR_ALREADYINITIALIZED, "DIERR_ALREADYINITIALIZED"},
};

}  // namespace

SDXInput::SDXInput() = default;

SDXInput::~SDXInput() { Release(); }

bool SDXInput::Create(HINSTANCE instance, sys::HWND window) {
    m_hInstance = instance;
    m_hWnd = window;
    const HRESULT hr = DirectInputCreate(instance, DIRECTINPUT_VERSION, &m_pDI, nullptr);
    if (Failed(hr)) {
        m_pDI = nullptr;
        ReportError("SDXInput::Create", hr);
        return false;
    }
    return true;
}

bool SDXInput::EnumAttachedJoysticks() {
    return Enumerate(DIDEVTYPE_JOYSTICK, DIEDFL_ATTACHEDONLY, false, "SDXInput::EnumAttachedJoysticks");
}

bool SDXInput::EnumAttachedFFJoysticks() {
    return Enumerate(DIDEVTYPE_JOYSTICK, DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK, true,
                     "SDXInput::EnumAttachedFFJoysticks");
}

bool SDXInput::EnumAttachedDevices() { return Enumerate(0, DIEDFL_ATTACHEDONLY, false, "SDXInput::EnumAttachedDevices"); }

bool SDXInput::EnumDevices() { return Enumerate(0, DIEDFL_ALLDEVICES, false, "SDXInput::EnumDevices"); }

bool SDXInput::Enumerate(uint32_t devType, uint32_t flags, bool forceFeedback, const char* operation) {
    if (m_pDI == nullptr) {
        ReportError(operation, DIERR_NOTINITIALIZED);
        return false;
    }
    const HRESULT hr = m_pDI->EnumDevices(devType, forceFeedback ? &EnumFFCallback : &EnumCallback, this, flags);
    if (Failed(hr)) {
        ReportError(operation, hr);
        return false;
    }
    return true;
}

int SDXInput::EnumCallback(const DIDEVICEINSTANCE* instance, void* ref) {
    auto* self = static_cast<SDXInput*>(ref);
    if ((instance->dwDevType & 0xF) == DIDEVTYPE_JOYSTICK) {
        self->m_bJoystickFound = 1;
    }
    return self->TakeRecord(instance);
}

int SDXInput::EnumFFCallback(const DIDEVICEINSTANCE* instance, void* ref) {
    auto* self = static_cast<SDXInput*>(ref);
    if ((instance->dwDevType & 0xF) == DIDEVTYPE_JOYSTICK) {
        self->m_bFFJoystickFound = 1;
    }
    return self->TakeRecord(instance);
}

// The record's own size field says how much it holds; never copy more than an entry has room
// for, nor more than the record holds.
int SDXInput::TakeRecord(const DIDEVICEINSTANCE* instance) {
    if (m_iLastDevice >= kMaxDevices - 1) {
        return DIENUM_STOP;
    }
    ++m_iLastDevice;
    DIDEVICEINSTANCE& entry = m_Devices[m_iLastDevice];
    entry = DIDEVICEINSTANCE{};
    const size_t count = std::min<size_t>(instance->dwSize, sizeof(DIDEVICEINSTANCE));
    std::memcpy(&entry, instance, count);
    return DIENUM_CONTINUE;
}

void SDXInput::Release() {
    if (m_pDI != nullptr) {
        m_pDI->Release();
        m_pDI = nullptr;
    }
    // The devices found leave with the object that found them, so a later Create (the option
    // dialogs make the devices anew) starts from an empty table instead of filling it up.
    m_iLastDevice = -1;
    m_bJoystickFound = 0;
    m_bFFJoystickFound = 0;
}

void SDXInput::ReportError(const char* operation, HRESULT code) {
    m_hrLast = code;
    m_sOperation = operation;
    m_sErrorName = ErrorName(code);
}

const char* SDXInput::ErrorName(HRESULT code) {
    for (const ErrorNameRow& row : kErrorNames) {
        if (row.code == code) {
            return row.name;
        }
    }
    return "Undefine Error";
}
