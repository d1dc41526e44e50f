#include "app/CGraphicsData.h"

#include <cstring>
#include <limits>

#include "dx/display/SDXDrawDrivers.h"
#include "dx/display/SDXDriverInfo.h"
#include "sys/video/video.h"

IMPLEMENT_SERIAL(CGraphicsData, CObject, 1)

namespace {

using Row = SConfigIntRow<CGraphicsData>;

// The integer variables in the order of the file and of LIST.
const Row kRows[] = {
    {"gfx_treedensity", &CGraphicsData::m_iTreeDensity},
    {"gfx_treepop", &CGraphicsData::m_iTreePop},
    {"gfx_landpop", &CGraphicsData::m_iLandPop},
    {"gfx_treesmipmapped", &CGraphicsData::m_bTreesMipmapped},
    {"gfx_landmipmapped", &CGraphicsData::m_bLandMipmapped},
    {"gfx_texturequality", &CGraphicsData::m_iTextureQuality},
    {"gfx_animalquality", &CGraphicsData::m_iAnimalQuality},
    {"gfx_overlaypersistence", &CGraphicsData::m_iOverlayPersistence},
    {"gfx_spriteperspective", &CGraphicsData::m_bSpritePerspective},
    {"gfx_viewportindex", &CGraphicsData::m_iViewportIndex},
    {"gfx_backgroundquality", &CGraphicsData::m_iBackgroundQuality},
    {"gfx_animationquality", &CGraphicsData::m_iAnimationQuality},
    {"gfx_wbuffering", &CGraphicsData::m_bWBuffering},
    {"gfx_depthbuffer16bit", &CGraphicsData::m_bDepthBuffer16Bit},
    {"gfx_alphasprites", &CGraphicsData::m_bAlphaSprites},
    {"gfx_softsprites", &CGraphicsData::m_iSoftSprites},
    {"gfx_fog", &CGraphicsData::m_bFog},
    {"gfx_software", &CGraphicsData::m_bSoftware},
    {"gfx_wireframe", &CGraphicsData::m_bWireframe},
    {"gfx_texdetail", &CGraphicsData::m_bTexDetail},
    {"gfx_colorkeying", &CGraphicsData::m_bColorKeying},
    {"gfx_softwarelight", &CGraphicsData::m_bSoftwareLight},
    {"gfx_fastscopes", &CGraphicsData::m_bFastScopes},
    {"gfx_detailquality", &CGraphicsData::m_iDetailQuality},
};

constexpr const char* kDriverGuid = "gfx_driver_guid";
constexpr const char* kResolution = "gfx_res";
constexpr const char* kWeather = "gfx_weather";
constexpr const char* kFilter = "gfx_filter";

const char* const kWeatherNames[] = {"3D", "2D", "Off"};
const char* const kFilterNames[] = {"None", "Linear", "Bilinear", "Trilinear", "Anisotropic"};
constexpr int kWeatherCount = 3;
constexpr int kFilterCount = 5;

// The software display is always 640 x 480.
constexpr int32_t kSoftwareWidth = 640;
constexpr int32_t kSoftwareHeight = 480;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A decimal integer with an optional sign that fits in 32 bits; `text` moves past it.
bool ParseInt(const char*& text, int32_t& out) {
    const char* p = text;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (*p < '0' || *p > '9')
        return false;
    int64_t value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p++ - '0');
        if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1)
            return false;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return false;
    out = static_cast<int32_t>(value);
    text = p;
    return true;
}

}  // namespace

CGraphicsData::CGraphicsData() = default;

CGraphicsData::~CGraphicsData() { delete m_pDrivers; }

void CGraphicsData::Serialize(CArchive& ar) {
    int32_t* const extra[] = {&m_iWeather, &m_iFilter,  &m_bCanRenderWindowed, &m_bPrimaryDriver,
                              &m_iColorDepth, &m_iWidth, &m_iHeight,          &m_iProfileLevelValue};
    configvars::SerializeRows(*this, kRows, ar);
    for (int32_t* field : extra) {
        if (ar.IsStoring())
            ar << *field;
        else
            ar >> *field;
    }
}

bool CGraphicsData::SetVariable(const char* name, const char* value) {
    if (value == nullptr)
        value = "";
    if (configvars::NameIs(name, kDriverGuid))
        return SetDriverGuid(value);
    if (configvars::NameIs(name, kResolution))
        return SetResolution(value);
    if (configvars::NameIs(name, kWeather))
        return SetNamed(m_iWeather, kWeatherNames, kWeatherCount, value);
    if (configvars::NameIs(name, kFilter))
        return SetNamed(m_iFilter, kFilterNames, kFilterCount, value);
    const Row* row = configvars::FindRow(kRows, name);
    if (row == nullptr)
        return false;
    configvars::SetRow(*this, *row, value);
    return true;
}

bool CGraphicsData::GetVariable(const char* name, SString& value) const {
    if (configvars::NameIs(name, kDriverGuid)) {
        value.Empty();
        SString digits;
        for (uint8_t byte : m_DriverGuid) {
            digits.Format("%02X", byte);
            value += digits;
        }
        return true;
    }
    if (configvars::NameIs(name, kResolution)) {
        value.Format("%d %d", m_iWidth, m_iHeight);
        return true;
    }
    if (configvars::NameIs(name, kWeather)) {
        value = WeatherName(m_iWeather);
        return true;
    }
    if (configvars::NameIs(name, kFilter)) {
        value = FilterName(m_iFilter);
        return true;
    }
    const Row* row = configvars::FindRow(kRows, name);
    if (row == nullptr)
        return false;
    configvars::GetRow(*this, *row, value);
    return true;
}

void CGraphicsData::ListVariables(CArray<SString>& names) const {
    names.Add(SString("\n-- Graphic settings\n"));
    configvars::ListRows(kRows, names);
    names.Add(SString(kDriverGuid));
    names.Add(SString(kResolution));
    names.Add(SString(kWeather));
    names.Add(SString("[3D, 2D, Off]"));
    names.Add(SString(kFilter));
    names.Add(SString("[None, Linear, Bilinear, Trilinear, Anisotropic]"));
}

void CGraphicsData::Write(const SConfigTextWriter& write) const {
    write("\n-- Graphic settings\n\n");
    for (const Row& row : kRows)
        configvars::WriteIntLine(write, row.name, this->*(row.field));
    SString text;
    SString line;
    GetVariable(kDriverGuid, text);
    line.Format("set %s \"%s\"\n", kDriverGuid, text.GetString());
    write(line.GetString());
    line.Format("set %s \"%d %d\"\n", kResolution, m_iWidth, m_iHeight);
    write(line.GetString());
    line.Format("set %s \"%s\"\n", kWeather, WeatherName(m_iWeather));
    write(line.GetString());
    line.Format("set %s \"%s\"\n", kFilter, FilterName(m_iFilter));
    write(line.GetString());
}

void CGraphicsData::ApplyProfile(int level) {
    m_iTreeDensity = 5;
    m_iTreePop = 0;
    m_iLandPop = 0;
    m_iTextureQuality = level >= 3 ? 1 : 0;
    m_bSpritePerspective = level >= 3 ? 1 : 0;
    m_iBackgroundQuality = level >= 3 ? 2 : (level == 2 ? 1 : 0);
    m_iAnimationQuality = level >= 2 ? 1 : 0;
    m_bAlphaSprites = level >= 3 ? 1 : 0;
    m_iSoftSprites = level >= 4 ? 2 : 1;
    m_bFog = level >= 4 ? 1 : 0;
    m_bTexDetail = level >= 4 ? 1 : 0;
    m_iDetailQuality = 2;
    m_iWeather = level < 3 ? kWeatherOff : kWeather3D;
    const int filter = level - 2;
    m_iFilter = filter < kFilterNone ? kFilterNone : (filter > kFilterTrilinear ? kFilterTrilinear : filter);
    m_iProfileLevelValue = 25 * level - 25;
}

CGraphicsData* CGraphicsData::CopyFrom(const CGraphicsData& other) {
    m_iTreeDensity = other.m_iTreeDensity;
    m_iTreePop = other.m_iTreePop;
    m_iLandPop = other.m_iLandPop;
    m_iProfileLevelValue = other.m_iProfileLevelValue;
    m_bTreesMipmapped = other.m_bTreesMipmapped;
    m_bLandMipmapped = other.m_bLandMipmapped;
    m_iTextureQuality = other.m_iTextureQuality;
    m_iAnimalQuality = other.m_iAnimalQuality;
    m_iWeather = other.m_iWeather;
    m_iBackgroundQuality = other.m_iBackgroundQuality;
    m_iAnimationQuality = other.m_iAnimationQuality;
    m_bWireframe = other.m_bWireframe;
    m_iDetailQuality = other.m_iDetailQuality;
    m_iWidth = other.m_iWidth;
    m_iHeight = other.m_iHeight;
    m_bColorKeying = other.m_bColorKeying;
    m_bSoftwareLight = other.m_bSoftwareLight;
    std::memcpy(m_DriverGuid, other.m_DriverGuid, sizeof(m_DriverGuid));
    return this;
}

void CGraphicsData::TakeSettings(const CGraphicsData& other) {
    for (const Row& row : kRows)
        this->*row.field = other.*row.field;
    m_iWeather = other.m_iWeather;
    m_iFilter = other.m_iFilter;
    m_bCanRenderWindowed = other.m_bCanRenderWindowed;
    std::memcpy(m_DriverGuid, other.m_DriverGuid, sizeof(m_DriverGuid));
    m_bPrimaryDriver = other.m_bPrimaryDriver;
    m_iColorDepth = other.m_iColorDepth;
    m_iWidth = other.m_iWidth;
    m_iHeight = other.m_iHeight;
    m_iProfileLevelValue = other.m_iProfileLevelValue;
}

const char* CGraphicsData::WeatherName(int32_t weather) {
    return weather >= 0 && weather < kWeatherCount ? kWeatherNames[weather] : "";
}

const char* CGraphicsData::FilterName(int32_t filter) {
    return filter >= 0 && filter < kFilterCount ? kFilterNames[filter] : "";
}

void CGraphicsData::EnumerateDrivers() {
    if (m_pDrivers != nullptr)
        return;
    m_pDrivers = new SDXDrawDrivers;
    m_pDrivers->Enumerate();
    m_UsableDrivers.clear();
    if (SDXDriverList* drivers = m_pDrivers->GetDrivers()) {
        for (POSITION pos = drivers->GetHeadPosition(); pos != nullptr;) {
            SDXDriverInfo* driver = drivers->GetNext(pos);
            if (IsUsableDriver(*driver))
                m_UsableDrivers.push_back(driver);
        }
    }
}

void CGraphicsData::SelectDriver(int n) {
    if (n == 0) {
        std::memset(m_DriverGuid, 0, sizeof(m_DriverGuid));
        m_bPrimaryDriver = 1;
        m_bSoftware = 1;
        return;
    }
    const SDXDriverInfo* driver = GetUsableDriver(n);
    if (driver == nullptr)
        return;
    static_assert(sizeof(driver->m_Guid) == kGuidBytes, "a driver identifier is 16 bytes");
    if (driver->m_pGuid == nullptr) {
        m_bPrimaryDriver = 1;
        std::memset(m_DriverGuid, 0, sizeof(m_DriverGuid));
    } else {
        m_bPrimaryDriver = 0;
        std::memcpy(m_DriverGuid, driver->m_pGuid, sizeof(m_DriverGuid));
    }
    m_bSoftware = 0;
    m_bCanRenderWindowed = (driver->m_Caps.dwCaps2 & sys::video::DDCAPS2_CANRENDERWINDOWED) != 0 ? 1 : 0;
}

void CGraphicsData::SetTextureQualityFromMemory() {
    const SDXDriverInfo* driver = GetUsableDriver(1);
    if (driver == nullptr)
        return;
    const uint32_t memory = driver->m_dwVidMemTexture;
    m_iTextureQuality = memory > 16000000 ? 2 : (memory > 7000000 ? 1 : 0);
}

SDXDriverInfo* CGraphicsData::GetUsableDriver(int n) const {
    if (n < 1 || n > GetUsableDriverCount())
        return nullptr;
    return m_UsableDrivers[static_cast<size_t>(n - 1)];
}

// Usable: a hardware Direct3D device, and memory for the display and for textures.
bool CGraphicsData::IsUsableDriver(const SDXDriverInfo& driver) {
    bool hasDevice = false;
    if (driver.m_pDevices != nullptr) {
        for (POSITION pos = driver.m_pDevices->GetHeadPosition(); pos != nullptr && !hasDevice;)
            hasDevice = driver.m_pDevices->GetNext(pos)->m_bHardware != 0;
    }
    return hasDevice &&
           MeetsMemoryThresholds(driver.m_dwVidMemPrimary, driver.m_dwVidMemTexture, driver.m_dwVidMemTotal);
}

bool CGraphicsData::MeetsMemoryThresholds(uint32_t displayMemory, uint32_t textureMemory, uint32_t totalMemory) {
    return displayMemory >= kMinDisplayMemory && textureMemory >= kMinTextureMemory && totalMemory >= kMinTotalMemory;
}

// Exactly 32 hexadecimal digits, two per byte in memory order. Anything else would leave a
// half-read identifier that names no driver, so it is refused and the old one kept.
bool CGraphicsData::SetDriverGuid(const char* value) {
    if (std::strlen(value) != 2 * kGuidBytes)
        return false;
    uint8_t bytes[kGuidBytes];
    for (int i = 0; i < kGuidBytes; ++i) {
        const int high = HexDigit(value[2 * i]);
        const int low = HexDigit(value[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    std::memcpy(m_DriverGuid, bytes, sizeof(m_DriverGuid));
    return true;
}

// Two integers separated by blanks or tabs, at least the menus' 640 x 480. A text that is not
// exactly that would leave a display size nobody asked for or one the pages do not fit in (a
// window of a pixel), so it is refused and the old size kept. The software display ignores the
// size asked for.
bool CGraphicsData::SetResolution(const char* value) {
    const char* p = value;
    while (IsBlank(*p))
        ++p;
    int32_t width = 0;
    int32_t height = 0;
    if (!ParseInt(p, width) || !IsBlank(*p))
        return false;
    while (IsBlank(*p))
        ++p;
    if (!ParseInt(p, height))
        return false;
    while (IsBlank(*p))
        ++p;
    if (*p != '\0' || width < kMinWidth || height < kMinHeight)
        return false;
    if (m_bSoftware) {
        width = kSoftwareWidth;
        height = kSoftwareHeight;
    }
    m_iWidth = width;
    m_iHeight = height;
    return true;
}

// The names are compared exactly: "off" is not "Off".
bool CGraphicsData::SetNamed(int32_t& field, const char* const* names, int count, const char* value) {
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(value, names[i]) == 0) {
            field = i;
            return true;
        }
    }
    return false;
}
