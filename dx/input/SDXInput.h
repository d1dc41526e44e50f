#pragma once

#include <cstdint>

#include "core/SString.h"
#include "sys/input/input.h"
#include "sys/window/window.h"

class SDXKeyboard;
class SDXMouse;

// The DirectInput object of the input layer with the table of devices found by enumeration,
// and the last error of every input wrapper. Owned (contained) by the input object; the
// keyboard, mouse, joystick and effect wrappers report their failures here.
class SDXInput {
public:
    static constexpr int kMaxDevices = 16;

    SDXInput();
    virtual ~SDXInput();
    SDXInput(const SDXInput&) = delete;
    SDXInput& operator=(const SDXInput&) = delete;

    bool Create(sys::input::HINSTANCE instance, sys::HWND window);
    bool EnumAttachedJoysticks();
    bool EnumAttachedFFJoysticks();
    bool EnumAttachedDevices();
    bool EnumDevices();
    // Lets go of the DirectInput object and empties the device table.
    void Release();

    // Keeps the code, the operation and the code's name.
    void ReportError(const char* operation, sys::input::HRESULT code);
    // The header's name of a result code, "Undefine Error" for codes outside the table.
    static const char* ErrorName(sys::input::HRESULT code);

    sys::input::DirectInput* GetDirectInput() const { return m_pDI; }
    sys::HWND GetWindow() const { return m_hWnd; }
    sys::input::HINSTANCE GetInstance() const { return m_hInstance; }

    // The device table: entries 0..GetLastIndex() are filled.
    int GetLastIndex() const { return m_iLastDevice; }
    const sys::input::DIDEVICEINSTANCE& GetDevice(int index) const { return m_Devices[index]; }
    bool JoystickFound() const { return m_bJoystickFound != 0; }
    bool FFJoystickFound() const { return m_bFFJoystickFound != 0; }

    sys::input::HRESULT GetLastResult() const { return m_hrLast; }
    const SString& GetErrorName() const { return m_sErrorName; }
    const SString& GetErrorOperation() const { return m_sOperation; }

    void SetKeyboard(SDXKeyboard* keyboard) { m_pKeyboard = keyboard; }
    void SetMouse(SDXMouse* mouse) { m_pMouse = mouse; }
    SDXKeyboard* GetKeyboard() const { return m_pKeyboard; }
    SDXMouse* GetMouse() const { return m_pMouse; }

private:
    bool Enumerate(uint32_t devType, uint32_t flags, bool forceFeedback, const char* operation);
    static int EnumCallback(const sys::input::DIDEVICEINSTANCE* instance, void* ref);
    static int EnumFFCallback(const sys::input::DIDEVICEINSTANCE* instance, void* ref);
    int TakeRecord(const sys::input::DIDEVICEINSTANCE* instance);

    sys::input::DirectInput* m_pDI = nullptr;
    sys::input::DIDEVICEINSTANCE m_Devices[kMaxDevices];
    int m_iLastDevice = -1;
    uint8_t m_bJoystickFound = 0;
    uint8_t m_bFFJoystickFound = 0;
    sys::input::HRESULT m_hrLast = 0;
    SString m_sErrorName;
    SString m_sOperation;
    sys::input::HINSTANCE m_hInstance = nullptr;
    sys::HWND m_hWnd = nullptr;
    SDXKeyboard* m_pKeyboard = nullptr;
    SDXMouse* m_pMouse = nullptr;
};
