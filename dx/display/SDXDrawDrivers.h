#pragma once

#include "dx/display/SDXDriverInfo.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CStringArray.h"
#include "sys/video/video.h"
#include "sys/window/window.h"

// The display drivers of the machine, each with its hardware Direct3D devices and the display
// modes they render into, with one current driver, device and mode chosen by name and kept in
// the system profile ("Settings": "SDXDrawDriver", "SDXDrawDriverDevice", "SDXDrawDriverMode").
// The display manager embeds one; the start-up builds another to check for usable hardware.
class SDXDrawDrivers : public CObject {
    DECLARE_DYNAMIC(SDXDrawDrivers)

public:
    SDXDrawDrivers() = default;
    ~SDXDrawDrivers() override;
    SDXDrawDrivers(const SDXDrawDrivers&) = delete;
    SDXDrawDrivers& operator=(const SDXDrawDrivers&) = delete;

    // Builds the tree again (drivers with at least one hardware device that has at least one
    // mode) and selects "display" / "Direct3D HAL" / "640 x 480 x 16" when they exist. 0 when
    // the drivers cannot be listed at all.
    int Enumerate();
    // Walks the tree by exact (case-sensitive) names; 1 when all three were found. A driver or
    // device found on the way stays current even when the rest is not.
    int Select(const char* driver, const char* device, const char* mode);
    // Selects the choice stored in the system profile; 0 when a value is missing or "Unknown",
    // else what Select answered.
    int LoadChoice();
    // Stores the current names; 1 when all three were written (0 with nothing selected).
    int SaveChoice();
    // Appends the names of the device's modes that pass the filter; 1 when any was added.
    int GetModeNames(const char* driver, const char* device, CStringArray* names,
                     const sys::video::DDSURFACEDESC2& filter);
    // CB_ADDSTRING of each matching name to a combo box; 1 when any was added.
    int FillDriverList(sys::HWND combo, const sys::video::DDCAPS& filter);
    int FillDeviceList(const char* driver, sys::HWND combo, const sys::video::D3DDEVICEDESC& filter);
    int FillModeList(const char* driver, const char* device, sys::HWND combo, const sys::video::DDSURFACEDESC2& filter);
    // Destroys every driver and the list. 1.
    int DeleteAll();

    // The filter's flags decide which of depth, width and height must be equal.
    static int MatchMode(const sys::video::DDSURFACEDESC2& mode, const sys::video::DDSURFACEDESC2& filter);
    // Same hardware flag, same colour model when the filter names one, all of the filter's
    // render depths.
    static int MatchDevice(const sys::video::D3DDEVICEDESC& device, const sys::video::D3DDEVICEDESC& filter);
    // Every capability bit of the filter is set in the driver's three words.
    static int MatchDriver(const sys::video::DDCAPS& driver, const sys::video::DDCAPS& filter);

    SDXDriverList* GetDrivers() const { return m_pDrivers; }
    SDXDriverInfo* GetDriver() const { return m_pDriver; }
    SDXDeviceInfo* GetDevice() const { return m_pDevice; }
    SDXModeInfo* GetMode() const { return m_pMode; }

private:
    SDXDriverInfo* FindDriver(const char* name) const;
    static SDXDeviceInfo* FindDevice(const SDXDriverInfo* driver, const char* name);

    SDXDriverList* m_pDrivers = nullptr;
    SDXDriverInfo* m_pDriver = nullptr;
    SDXDeviceInfo* m_pDevice = nullptr;
    SDXModeInfo* m_pMode = nullptr;
};
