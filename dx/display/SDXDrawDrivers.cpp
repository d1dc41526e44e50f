#include "dx/display/SDXDrawDrivers.h"

#include <string>

#include "sys/profile.h"

using namespace sys::video;

IMPLEMENT_DYNAMIC(SDXDrawDrivers, CObject)

namespace {

constexpr sys::UINT CB_ADDSTRING = 0x143;
constexpr const char* kSection = "Settings";
constexpr const char* kDriverKey = "SDXDrawDriver";
constexpr const char* kDeviceKey = "SDXDrawDriverDevice";
constexpr const char* kModeKey = "SDXDrawDriverMode";
constexpr const char* kUnknown = "Unknown";
// The profile values were read into buffers of this many characters, terminator included.
constexpr size_t kProfileBuffer = 1028;

struct DriverWalk {
    SDXDriverList* drivers = nullptr;
    int counter = 0;
};

struct DeviceWalk {
    SDXDriverInfo* driver = nullptr;
    IDirectDraw4* draw = nullptr;
    int counter = 0;
};

struct ModeWalk {
    SDXDeviceInfo* device = nullptr;
    int counter = 0;
};

HRESULT ModeStep(DDSURFACEDESC2* mode, void* context) {
    auto* walk = static_cast<ModeWalk*>(context);
    if (mode == nullptr) {
        return DDENUMRET_CANCEL;
    }
    // Only depths the device can render into are kept.
    const uint32_t depths = walk->device->m_Desc.dwDeviceRenderBitDepth;
    const uint32_t bits = mode->ddpfPixelFormat.dwRGBBitCount;
    if ((bits == 8 && (depths & DDBD_8) == 0) || (bits == 16 && (depths & DDBD_16) == 0) ||
        (bits == 24 && (depths & DDBD_24) == 0) || (bits == 32 && (depths & DDBD_32) == 0)) {
        return DDENUMRET_OK;
    }
    auto* info = new SDXModeInfo;
    info->m_Desc = *mode;
    info->m_sName.Format("%ld x %ld x %ld", static_cast<long>(mode->dwWidth), static_cast<long>(mode->dwHeight),
                         static_cast<long>(bits));
    info->m_iIndex = walk->counter++;
    walk->device->m_pModes->AddTail(info);
    return DDENUMRET_OK;
}

HRESULT DeviceStep(GUID* guid, const char* /*description*/, const char* name, D3DDEVICEDESC* hardware,
                   D3DDEVICEDESC* software, void* context) {
    auto* walk = static_cast<DeviceWalk*>(context);
    if (guid == nullptr || hardware == nullptr || software == nullptr) {
        return DDENUMRET_CANCEL;
    }
    if (*guid == IID_IDirect3DNullDevice) {
        return DDENUMRET_OK;
    }
    if (hardware->dwFlags == 0) {
        // A software device: not for this program.
        software->dwFlags &= ~D3DDD_DEVCAPS;
        return DDENUMRET_OK;
    }
    hardware->dwFlags |= D3DDD_DEVCAPS;
    auto* device = new SDXDeviceInfo;
    device->m_Guid = *guid;
    device->m_sName = name != nullptr ? name : "";
    device->m_bHardware = 1;
    device->m_Desc = *hardware;
    ModeWalk modes{device, 0};
    if (Failed(walk->draw->EnumDisplayModes(0, nullptr, &modes, ModeStep)) || device->m_pModes->IsEmpty()) {
        delete device;
        return DDENUMRET_OK;
    }
    device->m_iIndex = walk->counter++;
    walk->driver->m_pDevices->AddTail(device);
    return DDENUMRET_OK;
}

bool DriverStep(GUID* guid, const char* description, const char* name, void* context) {
    auto* walk = static_cast<DriverWalk*>(context);
    IDirectDraw4* draw = nullptr;
    if (Failed(CreateDirectDraw(&draw)) || draw == nullptr) {
        return false;
    }
    if (Failed(draw->Initialize(guid))) {
        draw->Release();
        return false;
    }
    IDirect3D3* d3d = nullptr;
    if (Failed(draw->QueryDirect3D(&d3d)) || d3d == nullptr) {
        draw->Release();
        return true;
    }
    DDCAPS hardware;
    DDCAPS emulation;
    draw->GetCaps(&hardware, &emulation);
    auto* driver = new SDXDriverInfo;
    if (guid != nullptr) {
        driver->m_Guid = *guid;
        driver->m_pGuid = &driver->m_Guid;
    }
    driver->m_sDescription = description != nullptr ? description : "";
    driver->m_sName = name != nullptr ? name : "";
    driver->m_Caps = hardware;
    DeviceWalk devices{driver, draw, 0};
    if (Failed(d3d->EnumDevices(DeviceStep, &devices)) || driver->m_pDevices->IsEmpty()) {
        delete driver;
    } else {
        driver->m_iIndex = walk->counter++;
        walk->drivers->AddTail(driver);
        DDSCAPS2 caps;
        caps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        uint32_t total = 0;
        uint32_t free = 0;
        draw->GetAvailableVidMem(&caps, &total, &free);
        driver->m_dwVidMemPrimary = total;
        driver->m_dwVidMemTotal = total;
        caps.dwCaps = DDSCAPS_TEXTURE;
        total = 0;
        draw->GetAvailableVidMem(&caps, &total, &free);
        driver->m_dwVidMemTexture = total;
    }
    d3d->Release();
    draw->Release();
    return true;
}

bool Same(const CString& name, const char* text) { return text != nullptr && name.Compare(text) == 0; }

}  // namespace

SDXDrawDrivers::~SDXDrawDrivers() { DeleteAll(); }

int SDXDrawDrivers::DeleteAll() {
    if (m_pDrivers != nullptr) {
        while (!m_pDrivers->IsEmpty()) {
            delete m_pDrivers->RemoveHead();
        }
        delete m_pDrivers;
        m_pDrivers = nullptr;
    }
    m_pDriver = nullptr;
    m_pDevice = nullptr;
    m_pMode = nullptr;
    return 1;
}

int SDXDrawDrivers::Enumerate() {
    DeleteAll();
    m_pDrivers = new SDXDriverList(10);
    DriverWalk walk{m_pDrivers, 0};
    if (Failed(DirectDrawEnumerate(DriverStep, &walk))) {
        return 0;
    }
    Select(kDisplayDriverName, kHalDeviceName, "640 x 480 x 16");
    return 1;
}

SDXDriverInfo* SDXDrawDrivers::FindDriver(const char* name) const {
    if (m_pDrivers == nullptr) {
        return nullptr;
    }
    for (POSITION pos = m_pDrivers->GetHeadPosition(); pos != nullptr;) {
        SDXDriverInfo* driver = m_pDrivers->GetNext(pos);
        if (Same(driver->m_sName, name)) {
            return driver;
        }
    }
    return nullptr;
}

SDXDeviceInfo* SDXDrawDrivers::FindDevice(const SDXDriverInfo* driver, const char* name) {
    for (POSITION pos = driver->m_pDevices->GetHeadPosition(); pos != nullptr;) {
        SDXDeviceInfo* device = driver->m_pDevices->GetNext(pos);
        if (Same(device->m_sName, name)) {
            return device;
        }
    }
    return nullptr;
}

int SDXDrawDrivers::Select(const char* driverName, const char* deviceName, const char* modeName) {
    if (m_pDrivers == nullptr) {
        return 0;
    }
    for (POSITION dp = m_pDrivers->GetHeadPosition(); dp != nullptr;) {
        SDXDriverInfo* driver = m_pDrivers->GetNext(dp);
        if (!Same(driver->m_sName, driverName)) {
            continue;
        }
        m_pDriver = driver;
        for (POSITION vp = driver->m_pDevices->GetHeadPosition(); vp != nullptr;) {
            SDXDeviceInfo* device = driver->m_pDevices->GetNext(vp);
            if (!Same(device->m_sName, deviceName)) {
                continue;
            }
            m_pDevice = device;
            for (POSITION mp = device->m_pModes->GetHeadPosition(); mp != nullptr;) {
                SDXModeInfo* mode = device->m_pModes->GetNext(mp);
                if (Same(mode->m_sName, modeName)) {
                    m_pMode = mode;
                    return 1;
                }
            }
        }
    }
    return 0;
}

int SDXDrawDrivers::LoadChoice() {
    std::string values[3];
    const char* keys[3] = {kDriverKey, kDeviceKey, kModeKey};
    for (int i = 0; i < 3; ++i) {
        values[i] = sys::profile::GetString(sys::profile::Kind::System, kSection, keys[i], kUnknown);
        if (values[i].size() >= kProfileBuffer) {
            values[i].resize(kProfileBuffer - 1);
        }
        if (values[i].empty() || values[i] == kUnknown) {
            return 0;
        }
    }
    return Select(values[0].c_str(), values[1].c_str(), values[2].c_str());
}

int SDXDrawDrivers::SaveChoice() {
    if (m_pDriver == nullptr || m_pDevice == nullptr || m_pMode == nullptr) {
        return 0;
    }
    using sys::profile::Kind;
    if (!sys::profile::WriteString(Kind::System, kSection, kDriverKey, m_pDriver->m_sName.GetString())) {
        return 0;
    }
    if (!sys::profile::WriteString(Kind::System, kSection, kDeviceKey, m_pDevice->m_sName.GetString())) {
        return 0;
    }
    if (!sys::profile::WriteString(Kind::System, kSection, kModeKey, m_pMode->m_sName.GetString())) {
        return 0;
    }
    return 1;
}

int SDXDrawDrivers::GetModeNames(const char* driverName, const char* deviceName, CStringArray* names,
                                 const DDSURFACEDESC2& filter) {
    if (names == nullptr) {
        return 0;
    }
    const SDXDriverInfo* driver = FindDriver(driverName);
    const SDXDeviceInfo* device = driver != nullptr ? FindDevice(driver, deviceName) : nullptr;
    if (device == nullptr) {
        return 0;
    }
    int added = 0;
    for (POSITION pos = device->m_pModes->GetHeadPosition(); pos != nullptr;) {
        const SDXModeInfo* mode = device->m_pModes->GetNext(pos);
        if (MatchMode(mode->m_Desc, filter)) {
            names->Add(mode->m_sName);
            ++added;
        }
    }
    return added > 0 ? 1 : 0;
}

int SDXDrawDrivers::FillDriverList(sys::HWND combo, const DDCAPS& filter) {
    if (m_pDrivers == nullptr) {
        return 0;
    }
    int added = 0;
    for (POSITION pos = m_pDrivers->GetHeadPosition(); pos != nullptr;) {
        const SDXDriverInfo* driver = m_pDrivers->GetNext(pos);
        if (MatchDriver(driver->m_Caps, filter)) {
            sys::window::SendMessage(combo, CB_ADDSTRING, 0,
                                     reinterpret_cast<sys::LPARAM>(driver->m_sName.GetString()));
            ++added;
        }
    }
    return added > 0 ? 1 : 0;
}

int SDXDrawDrivers::FillDeviceList(const char* driverName, sys::HWND combo, const D3DDEVICEDESC& filter) {
    const SDXDriverInfo* driver = FindDriver(driverName);
    if (driver == nullptr) {
        return 0;
    }
    int added = 0;
    for (POSITION pos = driver->m_pDevices->GetHeadPosition(); pos != nullptr;) {
        const SDXDeviceInfo* device = driver->m_pDevices->GetNext(pos);
        if (MatchDevice(device->m_Desc, filter)) {
            sys::window::SendMessage(combo, CB_ADDSTRING, 0,
                                     reinterpret_cast<sys::LPARAM>(device->m_sName.GetString()));
            ++added;
        }
    }
    return added > 0 ? 1 : 0;
}

int SDXDrawDrivers::FillModeList(const char* driverName, const char* deviceName, sys::HWND combo,
                                 const DDSURFACEDESC2& filter) {
    CStringArray names;
    const int result = GetModeNames(driverName, deviceName, &names, filter);
    for (int i = 0; i < names.GetSize(); ++i) {
        sys::window::SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<sys::LPARAM>(names[i].GetString()));
    }
    return result;
}

int SDXDrawDrivers::MatchMode(const DDSURFACEDESC2& mode, const DDSURFACEDESC2& filter) {
    if ((filter.dwFlags & DDSD_PIXELFORMAT) != 0 &&
        mode.ddpfPixelFormat.dwRGBBitCount != filter.ddpfPixelFormat.dwRGBBitCount) {
        return 0;
    }
    if ((filter.dwFlags & DDSD_WIDTH) != 0 && mode.dwWidth != filter.dwWidth) {
        return 0;
    }
    if ((filter.dwFlags & DDSD_HEIGHT) != 0 && mode.dwHeight != filter.dwHeight) {
        return 0;
    }
    return 1;
}

int SDXDrawDrivers::MatchDevice(const D3DDEVICEDESC& device, const D3DDEVICEDESC& filter) {
    if (((device.dwFlags & D3DDD_DEVCAPS) != 0) != ((filter.dwFlags & D3DDD_DEVCAPS) != 0)) {
        return 0;
    }
    if ((filter.dwFlags & D3DDD_COLORMODEL) != 0 && device.dcmColorModel != filter.dcmColorModel) {
        return 0;
    }
    if (filter.dwDeviceRenderBitDepth != 0 &&
        (device.dwDeviceRenderBitDepth & filter.dwDeviceRenderBitDepth) != filter.dwDeviceRenderBitDepth) {
        return 0;
    }
    return 1;
}

int SDXDrawDrivers::MatchDriver(const DDCAPS& driver, const DDCAPS& filter) {
    return (driver.dwCaps & filter.dwCaps) == filter.dwCaps && (driver.dwCaps2 & filter.dwCaps2) == filter.dwCaps2 &&
           (driver.ddsCaps.dwCaps & filter.ddsCaps.dwCaps) == filter.ddsCaps.dwCaps;
}
