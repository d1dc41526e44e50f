// The display-driver tree: what the stand-in display reports (one driver, its hardware device,
// the modes that device renders into, the memory the start-up checks), selection by exact name
// with partial matches, the choice kept in the system profile, and the mode-name filters.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "VideoTestSupport.h"
#include "dx/display/SDXDrawDrivers.h"
#include "sys/profile.h"
#include "tests/support/ScratchFolder.h"

namespace {

using namespace sys::video;

std::vector<std::string> ModeNames(const SDXDeviceInfo* device) {
    std::vector<std::string> names;
    for (POSITION pos = device->m_pModes->GetHeadPosition(); pos != nullptr;) {
        names.emplace_back(device->m_pModes->GetNext(pos)->m_sName.GetString());
    }
    return names;
}

std::string Current(const SDXDrawDrivers& drivers) {
    std::string text;
    text += drivers.GetDriver() != nullptr ? drivers.GetDriver()->m_sName.GetString() : "-";
    text += "/";
    text += drivers.GetDevice() != nullptr ? drivers.GetDevice()->m_sName.GetString() : "-";
    text += "/";
    text += drivers.GetMode() != nullptr ? drivers.GetMode()->m_sName.GetString() : "-";
    return text;
}

const std::vector<std::string> kAllModes = {
    "640 x 480 x 16",   "640 x 480 x 32",   "800 x 600 x 16",   "800 x 600 x 32",
    "1024 x 768 x 16",  "1024 x 768 x 32",  "1152 x 864 x 16",  "1152 x 864 x 32",
    "1280 x 1024 x 16", "1280 x 1024 x 32", "1600 x 1200 x 16", "1600 x 1200 x 32"};

class DisplayModesTest : public tarvex::test::VideoTest {
protected:
    void SetUp() override {
        VideoTest::SetUp();
        m_root = tarvex::test::MakeScratchFolder("video-scratch");
        sys::profile::SetFile(m_root + "/Tarvex.ini");
    }
    void TearDown() override {
        sys::profile::SetFile("");
        std::filesystem::remove_all(m_root);
        VideoTest::TearDown();
    }
    std::string m_root;
};

TEST_F(DisplayModesTest, TheDisplayReportsOneDriverWithItsHardwareDevice) {
    SDXDrawDrivers drivers;
    ASSERT_EQ(drivers.Enumerate(), 1);
    ASSERT_NE(drivers.GetDrivers(), nullptr);
    ASSERT_EQ(drivers.GetDrivers()->GetCount(), 1);
    const SDXDriverInfo* driver = drivers.GetDrivers()->GetHead();
    EXPECT_STREQ(driver->m_sName.GetString(), "display");
    EXPECT_EQ(driver->m_pGuid, nullptr);
    EXPECT_EQ(driver->m_iIndex, 0);
    ASSERT_EQ(driver->m_pDevices->GetCount(), 1);
    const SDXDeviceInfo* device = driver->m_pDevices->GetHead();
    EXPECT_STREQ(device->m_sName.GetString(), "Direct3D HAL");
    EXPECT_EQ(device->m_Guid, IID_IDirect3DHALDevice);
    EXPECT_EQ(device->m_pGuid, &device->m_Guid);
    EXPECT_EQ(device->m_bHardware, 1);
    EXPECT_NE(device->m_Desc.dwFlags & D3DDD_DEVCAPS, 0u);
    EXPECT_EQ(device->m_Desc.dwSize, 252u);
}

TEST_F(DisplayModesTest, ModesAreTheRenderableOnesInEnumerationOrder) {
    SDXDrawDrivers drivers;
    ASSERT_EQ(drivers.Enumerate(), 1);
    const SDXDeviceInfo* device = drivers.GetDrivers()->GetHead()->m_pDevices->GetHead();
    // The 8-bit modes of the display are left out: the device does not render into them.
    EXPECT_EQ(ModeNames(device), kAllModes);
    int expected = 0;
    for (POSITION pos = device->m_pModes->GetHeadPosition(); pos != nullptr;) {
        const SDXModeInfo* mode = device->m_pModes->GetNext(pos);
        EXPECT_EQ(mode->m_iIndex, expected++);
        EXPECT_EQ(mode->m_Desc.dwSize, 124u);
    }
}

TEST_F(DisplayModesTest, EnumerationSelectsTheDefaultChoice) {
    SDXDrawDrivers drivers;
    ASSERT_EQ(drivers.Enumerate(), 1);
    EXPECT_EQ(Current(drivers), "display/Direct3D HAL/640 x 480 x 16");
    // A second enumeration builds the tree anew rather than adding to it.
    ASSERT_EQ(drivers.Enumerate(), 1);
    EXPECT_EQ(drivers.GetDrivers()->GetCount(), 1);
}

TEST_F(DisplayModesTest, TheDriverPassesTheStartUpThresholds) {
    SDXDrawDrivers drivers;
    ASSERT_EQ(drivers.Enumerate(), 1);
    const SDXDriverInfo* driver = drivers.GetDrivers()->GetHead();
    EXPECT_GE(driver->m_dwVidMemPrimary, 1228800u);  // two 640 x 480 surfaces of 16 bits
    EXPECT_GE(driver->m_dwVidMemTexture, 196608u);
    EXPECT_GE(driver->m_dwVidMemTotal, 614400u);
    EXPECT_EQ(driver->m_dwVidMemTotal, driver->m_dwVidMemPrimary);
    EXPECT_NE(driver->m_Caps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED, 0u);
}

TEST_F(DisplayModesTest, OnlySoftwareDirect3DGivesNoDrivers) {
    sys::video::headless::SetHardwareDevice(false);
    SDXDrawDrivers drivers;
    EXPECT_EQ(drivers.Enumerate(), 1);
    EXPECT_EQ(drivers.GetDrivers()->GetCount(), 0);
    EXPECT_EQ(Current(drivers), "-/-/-");
}

TEST_F(DisplayModesTest, ADirectDrawObjectThatCannotBeMadeStopsTheWalk) {
    sys::video::headless::SetDirectDrawCreateFails(true);
    SDXDrawDrivers drivers;
    EXPECT_EQ(drivers.Enumerate(), 1);
    EXPECT_EQ(drivers.GetDrivers()->GetCount(), 0);
}

TEST_F(DisplayModesTest, SelectWithExactNamesMakesAllThreeCurrent) {
    SDXDrawDrivers drivers;
    ASSERT_EQ(drivers.Enumerate(), 1);
    EXPECT_EQ(drivers.Select("display", "Direct3D HAL", "800 x 600 x 32"), 1);
    EXPECT_EQ(Current(drivers), "display/Direct3D HAL/800 x 600 x 32");
}

TEST_F(DisplayModesTest, NamesThatDifferOnlyInCaseAreNotFound) {
    SDXDrawDrivers drivers;
    ASSERT_EQ(drivers.Enumerate(), 1);
    EXPECT_EQ(drivers.Select("Display", "Direct3D HAL", "800 x 600 x 32"), 0);
    EXPECT_EQ(Current(drivers), "display/Direct3D HAL/640 x 480 x 16");
}

TEST_F(DisplayModesTest, APartialMatchLeavesTheLevelsFoundCurrent) {
    SDXDrawDrivers drivers;
    ASSERT_EQ(drivers.Enumerate(), 1);
    ASSERT_EQ(drivers.Select("display", "Direct3D HAL", "1024 x 768 x 32"), 1);
    // The mode is not listed: driver and device are (again) current, the mode stays as it was.
    EXPECT_EQ(drivers.Select("display", "Direct3D HAL", "800 x 600 x 24"), 0);
    EXPECT_EQ(Current(drivers), "display/Direct3D HAL/1024 x 768 x 32");
    // No prefix matching either.
    EXPECT_EQ(drivers.Select("display", "Direct3D HAL", "640 x 480"), 0);
    EXPECT_EQ(drivers.Select("display", "Direct3D", "640 x 480 x 16"), 0);
    EXPECT_EQ(Current(drivers), "display/Direct3D HAL/1024 x 768 x 32");
}

TEST_F(DisplayModesTest, TheChoiceIsKeptInTheSystemProfile) {
    SDXDrawDrivers drivers;
    ASSERT_EQ(drivers.Enumerate(), 1);
    ASSERT_EQ(drivers.Select("display", "Direct3D HAL", "1280 x 1024 x 16"), 1);
    ASSERT_EQ(drivers.SaveChoice(), 1);
    using sys::profile::Kind;
    EXPECT_EQ(sys::profile::GetString(Kind::System, "Settings", "SDXDrawDriver", ""), "display");
    EXPECT_EQ(sys::profile::GetString(Kind::System, "Settings", "SDXDrawDriverDevice", ""), "Direct3D HAL");
    EXPECT_EQ(sys::profile::GetString(Kind::System, "Settings", "SDXDrawDriverMode", ""), "1280 x 1024 x 16");

    SDXDrawDrivers other;
    ASSERT_EQ(other.Enumerate(), 1);
    EXPECT_EQ(other.LoadChoice(), 1);
    EXPECT_EQ(Current(other), "display/Direct3D HAL/1280 x 1024 x 16");
}

TEST_F(DisplayModesTest, AMissingOrUnknownChoiceLeavesTheSelectionAlone) {
    SDXDrawDrivers drivers;
    ASSERT_EQ(drivers.Enumerate(), 1);
    EXPECT_EQ(drivers.LoadChoice(), 0);  // no keys: each reads "Unknown"
    using sys::profile::Kind;
    sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriver", "display");
    sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriverDevice", "Unknown");
    sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriverMode", "800 x 600 x 16");
    EXPECT_EQ(drivers.LoadChoice(), 0);
    sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriverDevice", "");
    EXPECT_EQ(drivers.LoadChoice(), 0);
    EXPECT_EQ(Current(drivers), "display/Direct3D HAL/640 x 480 x 16");
}

TEST_F(DisplayModesTest, LoadChoiceAnswersWhatSelectFound) {
    SDXDrawDrivers drivers;
    ASSERT_EQ(drivers.Enumerate(), 1);
    using sys::profile::Kind;
    sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriver", "display");
    sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriverDevice", "Direct3D HAL");
    sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriverMode", "512 x 384 x 16");
    EXPECT_EQ(drivers.LoadChoice(), 0);
    EXPECT_EQ(Current(drivers), "display/Direct3D HAL/640 x 480 x 16");
}

TEST_F(DisplayModesTest, SaveChoiceWithNothingSelectedWritesNothing) {
    sys::video::headless::SetHardwareDevice(false);
    SDXDrawDrivers drivers;
    ASSERT_EQ(drivers.Enumerate(), 1);
    EXPECT_EQ(drivers.SaveChoice(), 0);
    EXPECT_EQ(sys::profile::GetString(sys::profile::Kind::System, "Settings", "SDXDrawDriver", "none"), "none");
}

TEST_F(DisplayModesTest, ModeNamesFollowTheFilter) {
    SDXDrawDrivers drivers;
    ASSERT_EQ(drivers.Enumerate(), 1);
    DDSURFACEDESC2 filter;
    filter.dwFlags = DDSD_PIXELFORMAT | DDSD_WIDTH;
    filter.ddpfPixelFormat.dwRGBBitCount = 16;
    filter.dwWidth = 640;
    CStringArray names;
    ASSERT_EQ(drivers.GetModeNames("display", "Direct3D HAL", &names, filter), 1);
    ASSERT_EQ(names.GetSize(), 1);
    EXPECT_STREQ(names[0].GetString(), "640 x 480 x 16");

    DDSURFACEDESC2 byHeight;
    byHeight.dwFlags = DDSD_HEIGHT;
    byHeight.dwHeight = 600;
    byHeight.dwWidth = 1;  // not asked for, so not compared
    CStringArray tall;
    ASSERT_EQ(drivers.GetModeNames("display", "Direct3D HAL", &tall, byHeight), 1);
    ASSERT_EQ(tall.GetSize(), 2);
    EXPECT_STREQ(tall[0].GetString(), "800 x 600 x 16");
    EXPECT_STREQ(tall[1].GetString(), "800 x 600 x 32");

    DDSURFACEDESC2 none;
    none.dwFlags = DDSD_WIDTH;
    none.dwWidth = 641;
    CStringArray empty;
    EXPECT_EQ(drivers.GetModeNames("display", "Direct3D HAL", &empty, none), 0);
    EXPECT_EQ(drivers.GetModeNames("display", "Direct3D HAL", nullptr, filter), 0);
    EXPECT_EQ(drivers.GetModeNames("display", "nothing", &empty, filter), 0);
    EXPECT_EQ(empty.GetSize(), 0);
}

TEST_F(DisplayModesTest, DeviceAndDriverFilters) {
    SDXDrawDrivers drivers;
    ASSERT_EQ(drivers.Enumerate(), 1);
    const SDXDriverInfo* driver = drivers.GetDrivers()->GetHead();
    const D3DDEVICEDESC& hal = driver->m_pDevices->GetHead()->m_Desc;
    D3DDEVICEDESC filter;
    filter.dwFlags = D3DDD_DEVCAPS;
    filter.dwDeviceRenderBitDepth = DDBD_16;
    EXPECT_EQ(SDXDrawDrivers::MatchDevice(hal, filter), 1);
    filter.dwDeviceRenderBitDepth = DDBD_16 | DDBD_24;
    EXPECT_EQ(SDXDrawDrivers::MatchDevice(hal, filter), 0);
    filter.dwDeviceRenderBitDepth = 0;
    filter.dwFlags = 0;  // asks for a device without the hardware flag
    EXPECT_EQ(SDXDrawDrivers::MatchDevice(hal, filter), 0);
    filter.dwFlags = D3DDD_DEVCAPS | D3DDD_COLORMODEL;
    filter.dcmColorModel = 1;
    EXPECT_EQ(SDXDrawDrivers::MatchDevice(hal, filter), 0);

    DDCAPS caps;
    caps.dwCaps2 = DDCAPS2_CANRENDERWINDOWED;
    EXPECT_EQ(SDXDrawDrivers::MatchDriver(driver->m_Caps, caps), 1);
    caps.dwCaps = 0x800;  // overlays: the display has none
    EXPECT_EQ(SDXDrawDrivers::MatchDriver(driver->m_Caps, caps), 0);
}

TEST_F(DisplayModesTest, FillModeListAddsEachNameToTheComboBox) {
    std::vector<std::string> added;
    sys::HWND combo = sys::window::CreateWindow(
        "combo", 0, nullptr, [&added](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) -> sys::LRESULT {
            if (m == 0x143) {
                added.emplace_back(reinterpret_cast<const char*>(l));
                return static_cast<sys::LRESULT>(added.size() - 1);
            }
            return sys::window::DefWindowProc(h, m, w, l);
        });
    ASSERT_NE(combo, nullptr);
    SDXDrawDrivers drivers;
    ASSERT_EQ(drivers.Enumerate(), 1);
    DDSURFACEDESC2 filter;
    filter.dwFlags = DDSD_PIXELFORMAT;
    filter.ddpfPixelFormat.dwRGBBitCount = 32;
    EXPECT_EQ(drivers.FillModeList("display", "Direct3D HAL", combo, filter), 1);
    EXPECT_EQ(added, (std::vector<std::string>{"640 x 480 x 32", "800 x 600 x 32", "1024 x 768 x 32",
                                               "1152 x 864 x 32", "1280 x 1024 x 32", "1600 x 1200 x 32"}));
    added.clear();
    EXPECT_EQ(drivers.FillDriverList(combo, DDCAPS{}), 1);
    EXPECT_EQ(added, (std::vector<std::string>{"display"}));
}

}  // namespace
