#pragma once

#include <cstdint>
#include <vector>

#include "app/CConfigSection.h"
#include "core/SString.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CArray.h"
#include "sys/classlib/CObject.h"

class SDXDrawDrivers;
class SDXDriverInfo;

// The graphics section of the configuration: the gfx_ detail switches the renderer reads, the
// display size, weather and texture filter, and the display-driver choice. It also enumerates
// the display drivers once and keeps the ones good enough to run the game on, from which the
// driver choice is made. Owned by CConfigData.
class CGraphicsData : public CObject {
    DECLARE_SERIAL(CGraphicsData)

public:
    enum Weather : int32_t { kWeather3D = 0, kWeather2D = 1, kWeatherOff = 2 };
    enum Filter : int32_t { kFilterNone = 0, kFilterLinear, kFilterBilinear, kFilterTrilinear, kFilterAnisotropic };
    static constexpr int kGuidBytes = 16;
    // The smallest display size gfx_res takes: the size the menus are made for.
    static constexpr int32_t kMinWidth = 640;
    static constexpr int32_t kMinHeight = 480;

    // What a display driver must offer to be usable: two 640 x 480 16-bit surfaces of display
    // memory, room for textures, and one such surface in its total.
    static constexpr uint32_t kMinDisplayMemory = 1228800;
    static constexpr uint32_t kMinTextureMemory = 0x30000;
    static constexpr uint32_t kMinTotalMemory = 614400;

    CGraphicsData();
    ~CGraphicsData() override;
    CGraphicsData(const CGraphicsData&) = delete;
    CGraphicsData& operator=(const CGraphicsData&) = delete;

    // The 32-bit fields in declaration order (the identifier bytes are not stored).
    void Serialize(CArchive& ar) override;

    // False for a name this section does not know, and for a value that gfx_driver_guid,
    // gfx_res (two numbers, at least 640 x 480), gfx_weather or gfx_filter cannot take (the old
    // value is then kept).
    bool SetVariable(const char* name, const char* value);
    bool GetVariable(const char* name, SString& value) const;
    void ListVariables(CArray<SString>& names) const;
    void Write(const SConfigTextWriter& write) const;
    // The graphics values a detail level sets.
    void ApplyProfile(int level);

    // Enumerates the display drivers and keeps the usable ones; only the first call works.
    void EnumerateDrivers();
    // 0: software rendering on the primary display; n >= 1: the n-th usable driver. An n past
    // the usable list changes nothing.
    void SelectDriver(int n);
    // The texture quality the first usable driver's texture memory allows.
    void SetTextureQualityFromMemory();
    // Copies the display choices the video settings edit.
    CGraphicsData* CopyFrom(const CGraphicsData& other);
    // Copies every setting, the variables and the driver choice; the drivers this section
    // enumerated stay its own.
    void TakeSettings(const CGraphicsData& other);

    // The usability test on a driver's three memory figures.
    static bool MeetsMemoryThresholds(uint32_t displayMemory, uint32_t textureMemory, uint32_t totalMemory);
    static bool IsUsableDriver(const SDXDriverInfo& driver);
    int GetUsableDriverCount() const { return static_cast<int>(m_UsableDrivers.size()); }
    // Null outside 1..count.
    SDXDriverInfo* GetUsableDriver(int n) const;
    SDXDrawDrivers* GetDriverEnumeration() const { return m_pDrivers; }

    // The weather and filter names as the file and the console spell them.
    static const char* WeatherName(int32_t weather);
    static const char* FilterName(int32_t filter);

    // Variables, in the order of the file.
    int32_t m_iTreeDensity = 5;          // gfx_treedensity
    int32_t m_iTreePop = 0;              // gfx_treepop
    int32_t m_iLandPop = 0;              // gfx_landpop
    int32_t m_bTreesMipmapped = 1;       // gfx_treesmipmapped
    int32_t m_bLandMipmapped = 1;        // gfx_landmipmapped
    int32_t m_iTextureQuality = 0;       // gfx_texturequality
    int32_t m_iAnimalQuality = 1;        // gfx_animalquality
    int32_t m_iOverlayPersistence = 4000;  // gfx_overlaypersistence
    int32_t m_bSpritePerspective = 0;    // gfx_spriteperspective
    int32_t m_iViewportIndex = 4;        // gfx_viewportindex
    int32_t m_iBackgroundQuality = 0;    // gfx_backgroundquality
    int32_t m_iAnimationQuality = 0;     // gfx_animationquality
    int32_t m_bWBuffering = 1;           // gfx_wbuffering
    int32_t m_bDepthBuffer16Bit = 0;     // gfx_depthbuffer16bit
    int32_t m_bAlphaSprites = 0;         // gfx_alphasprites
    int32_t m_iSoftSprites = 1;          // gfx_softsprites
    int32_t m_bFog = 0;                  // gfx_fog
    int32_t m_bSoftware = 1;             // gfx_software: no Direct3D device
    int32_t m_bWireframe = 0;            // gfx_wireframe
    int32_t m_bTexDetail = 0;            // gfx_texdetail
    int32_t m_bColorKeying = 0;          // gfx_colorkeying
    int32_t m_bSoftwareLight = 1;        // gfx_softwarelight
    int32_t m_bFastScopes = 0;           // gfx_fastscopes
    int32_t m_iDetailQuality = 2;        // gfx_detailquality
    int32_t m_iWeather = kWeatherOff;    // gfx_weather
    int32_t m_iFilter = kFilterNone;     // gfx_filter

    // The driver choice and display, beside the variables.
    int32_t m_bCanRenderWindowed = 1;
    uint8_t m_DriverGuid[kGuidBytes] = {};  // gfx_driver_guid, in memory order
    int32_t m_bPrimaryDriver = 1;           // the primary display (no identifier) is used
    int32_t m_iColorDepth = 16;             // bits per pixel asked for in full screen
    int32_t m_iWidth = 640;                 // gfx_res
    int32_t m_iHeight = 480;
    int32_t m_iProfileLevelValue = 75;      // 25 x level - 25, set with the detail level

private:
    bool SetDriverGuid(const char* value);
    bool SetResolution(const char* value);
    bool SetNamed(int32_t& field, const char* const* names, int count, const char* value);

    SDXDrawDrivers* m_pDrivers = nullptr;        // made by the first EnumerateDrivers
    std::vector<SDXDriverInfo*> m_UsableDrivers;  // into m_pDrivers' tree; not owned
};
