#pragma once

#include <cstdint>

#include "sys/classlib/CObList.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CTypedPtrList.h"
#include "sys/video/video.h"

// The three levels of the display-driver tree that SDXDrawDrivers builds: a DirectDraw driver,
// one of its hardware Direct3D devices, and one display mode that device can render into. Each
// level owns the next (destroying a driver destroys its devices and their modes).

// One display mode, named "%ld x %ld x %ld" (width, height, bits per pixel).
class SDXModeInfo : public CObject {
    DECLARE_DYNAMIC(SDXModeInfo)

public:
    int m_iIndex = 0;
    sys::video::DDSURFACEDESC2 m_Desc;
    CString m_sName;
};

using SDXModeList = CTypedPtrList<CObList, SDXModeInfo*>;

// One hardware Direct3D device of a driver.
class SDXDeviceInfo : public CObject {
    DECLARE_DYNAMIC(SDXDeviceInfo)

public:
    SDXDeviceInfo();
    ~SDXDeviceInfo() override;
    SDXDeviceInfo(const SDXDeviceInfo&) = delete;
    SDXDeviceInfo& operator=(const SDXDeviceInfo&) = delete;

    int m_iIndex = 0;
    int m_bHardware = 1;
    sys::video::GUID m_Guid;
    sys::video::GUID* m_pGuid = &m_Guid;
    CString m_sName;
    sys::video::D3DDEVICEDESC m_Desc;
    SDXModeList* m_pModes;
};

using SDXDeviceList = CTypedPtrList<CObList, SDXDeviceInfo*>;

// One DirectDraw driver with its capabilities and video-memory totals.
class SDXDriverInfo : public CObject {
    DECLARE_DYNAMIC(SDXDriverInfo)

public:
    SDXDriverInfo();
    ~SDXDriverInfo() override;
    SDXDriverInfo(const SDXDriverInfo&) = delete;
    SDXDriverInfo& operator=(const SDXDriverInfo&) = delete;

    int m_iIndex = 0;
    sys::video::GUID m_Guid;
    sys::video::GUID* m_pGuid = nullptr;  // null for the display driver, which has no GUID
    CString m_sDescription;
    CString m_sName;
    sys::video::DDCAPS m_Caps;
    uint32_t m_dwVidMemPrimary = 0;
    uint32_t m_dwVidMemTexture = 0;
    uint32_t m_dwVidMemTotal = 0;
    SDXDeviceList* m_pDevices;
};

using SDXDriverList = CTypedPtrList<CObList, SDXDriverInfo*>;
