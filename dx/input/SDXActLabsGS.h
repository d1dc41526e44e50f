#pragma once

#include <cstdint>

#include "dx/input/SDXJoystick.h"
#include "sys/library.h"

// The light gun: to the input layer a joystick of the standard joystick driver carrying up to
// three guns in one state record, plus the gun system's own device library for calibration
// modes and coordinate ranges. The library is optional; without it every library call answers
// 0 and the gun still works as a joystick. Created and owned by the input object when
// "inp_lightgun" is set; the calibration screen and display-mode changes call the library
// wrappers.
class SDXActLabsGS : public SDXJoystick {
public:
    static constexpr const char* kLibraryName = "ActGSDev.dll";

    SDXActLabsGS();
    ~SDXActLabsGS() override;

    bool CreateOfSubType(SDXInput* input, int subtype) override;
    bool Create(SDXInput* input) override;
    bool CreateFF(SDXInput* input) override;
    bool SetProperties() override;
    int32_t GetX() override { return GetGunX(2); }
    int32_t GetY() override { return GetGunY(2); }
    int32_t GetZ() override { return GetGunX(0); }
    int32_t GetRx() override { return GetGunY(0); }
    int32_t GetRy() override { return GetGunX(1); }
    int32_t GetRz() override { return GetGunY(1); }
    // Button n as the bindings see it: 0..2 gun 2's buttons, 3..4 gun 0's, 5..6 gun 1's.
    int IsButtonDown(int n) override;
    int WasButtonDown(int n) override;

    virtual bool IsMaskBitSet(int n);
    virtual bool WasMaskBitSet(int n);
    virtual int32_t GetGunX(int gun);
    virtual int32_t GetGunY(int gun);
    virtual int IsGunButtonDown(int gun, int b);
    virtual int32_t GetPrevGunX(int gun);
    virtual int32_t GetPrevGunY(int gun);
    virtual int WasGunButtonDown(int gun, int b);
    virtual int32_t SetResolutionRange(int32_t a, int32_t b);
    virtual int32_t UnlockResolution();
    virtual int32_t SetCalibrationMode(int32_t a, int32_t b);
    virtual int32_t GetHandheldRange(int32_t a, int32_t b);
    virtual int32_t SetHandheldRange(int32_t a, int32_t b);
    virtual int32_t GetHandheldMode(int32_t a);
    virtual int32_t SetHandheldMode(int32_t a);

    bool HasLibrary() const { return m_hLibrary != nullptr; }

private:
    using Function0 = int32_t (*)();
    using Function1 = int32_t (*)(int32_t);
    using Function2 = int32_t (*)(int32_t, int32_t);

    static int32_t GunX(const sys::input::DIJOYSTATE& state, int gun, bool checkMask);
    static int32_t GunY(const sys::input::DIJOYSTATE& state, int gun, bool checkMask);
    static int GunButton(const sys::input::DIJOYSTATE& state, int gun, int b);
    static int MapButton(const sys::input::DIJOYSTATE& state, int n);

    sys::library::Handle m_hLibrary = nullptr;
    Function2 m_pSetCalibrationMode = nullptr;
    Function0 m_pUnlockResolution = nullptr;
    Function2 m_pSetResolutionRange = nullptr;
    Function2 m_pGetHandheldRange = nullptr;
    Function2 m_pSetHandheldRange = nullptr;
    Function1 m_pGetHandheldMode = nullptr;
    Function1 m_pSetHandheldMode = nullptr;
};
