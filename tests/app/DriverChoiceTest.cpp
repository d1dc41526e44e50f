// Which display drivers the configuration counts as usable, and what choosing one (or
// software rendering) sets. Runs on the headless display, which reports one driver, "display",
// without identifier, with the "Direct3D HAL" device.

#include <gtest/gtest.h>

#include <cstring>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "dx/display/SDXDriverInfo.h"
#include "sys/video/headless/headless_video.h"
#include "sys/video/video.h"

namespace {

namespace headless = sys::video::headless;

class DriverChoiceTest : public testing::Test {
protected:
    void SetUp() override { headless::Reset(); }
    void TearDown() override { headless::Reset(); }
};

bool GuidIsZero(const CGraphicsData& graphics) {
    const uint8_t zero[CGraphicsData::kGuidBytes] = {};
    return std::memcmp(zero, graphics.m_DriverGuid, sizeof(zero)) == 0;
}

TEST_F(DriverChoiceTest, TheHeadlessDisplayDriverIsUsable) {
    CGraphicsData graphics;
    graphics.EnumerateDrivers();
    ASSERT_EQ(1, graphics.GetUsableDriverCount());
    EXPECT_STREQ("display", graphics.GetUsableDriver(1)->m_sName.GetString());
    EXPECT_EQ(nullptr, graphics.GetUsableDriver(0));
    EXPECT_EQ(nullptr, graphics.GetUsableDriver(2));
}

TEST_F(DriverChoiceTest, EnumerationRunsOnlyOnce) {
    CGraphicsData graphics;
    graphics.EnumerateDrivers();
    SDXDrawDrivers* first = graphics.GetDriverEnumeration();
    headless::SetDirectDrawCreateFails(true);
    graphics.EnumerateDrivers();
    EXPECT_EQ(first, graphics.GetDriverEnumeration());
    EXPECT_EQ(1, graphics.GetUsableDriverCount());
}

TEST_F(DriverChoiceTest, NoDisplayObjectMeansNoUsableDriver) {
    headless::SetDirectDrawCreateFails(true);
    CGraphicsData graphics;
    graphics.EnumerateDrivers();
    EXPECT_EQ(0, graphics.GetUsableDriverCount());
}

TEST_F(DriverChoiceTest, TooLittleVideoMemoryMakesTheDriverUnusable) {
    headless::SetVideoMemory(1228799);
    CGraphicsData small;
    small.EnumerateDrivers();
    EXPECT_EQ(0, small.GetUsableDriverCount());

    headless::SetVideoMemory(1228800);
    CGraphicsData enough;
    enough.EnumerateDrivers();
    EXPECT_EQ(1, enough.GetUsableDriverCount());
}

TEST_F(DriverChoiceTest, ADriverWithoutHardwareDeviceIsNotUsable) {
    SDXDriverInfo driver;
    driver.m_dwVidMemPrimary = driver.m_dwVidMemTotal = driver.m_dwVidMemTexture = 16u << 20;
    EXPECT_FALSE(CGraphicsData::IsUsableDriver(driver));
    auto* device = new SDXDeviceInfo;
    device->m_bHardware = 0;
    driver.m_pDevices->AddTail(device);
    EXPECT_FALSE(CGraphicsData::IsUsableDriver(driver));
    device->m_bHardware = 1;
    EXPECT_TRUE(CGraphicsData::IsUsableDriver(driver));
    driver.m_dwVidMemTexture = 0x30000 - 1;
    EXPECT_FALSE(CGraphicsData::IsUsableDriver(driver));
}

TEST_F(DriverChoiceTest, ChoosingThePrimaryDriverTurnsDirect3DOn) {
    CConfigData config;
    config.m_pGraphics->m_bCanRenderWindowed = 0;
    config.m_pGraphics->EnumerateDrivers();
    config.m_pGraphics->SelectDriver(1);
    EXPECT_EQ(0, config.m_pGraphics->m_bSoftware);
    EXPECT_EQ(1, config.m_pGraphics->m_bPrimaryDriver);
    EXPECT_TRUE(GuidIsZero(*config.m_pGraphics));
    EXPECT_EQ(1, config.m_pGraphics->m_bCanRenderWindowed);

    config.m_pGraphics->SelectDriver(0);
    EXPECT_EQ(1, config.m_pGraphics->m_bSoftware);
    EXPECT_EQ(1, config.m_pGraphics->m_bPrimaryDriver);
}

TEST_F(DriverChoiceTest, ChoosingADriverWithAnIdentifierCopiesItsBytes) {
    CGraphicsData graphics;
    graphics.EnumerateDrivers();
    ASSERT_EQ(1, graphics.GetUsableDriverCount());
    SDXDriverInfo* driver = graphics.GetUsableDriver(1);
    driver->m_Guid = sys::video::GUID{0x04030201, 0x0605, 0x0807, {9, 10, 11, 12, 13, 14, 15, 16}};
    driver->m_pGuid = &driver->m_Guid;
    driver->m_Caps.dwCaps2 = 0;
    graphics.SelectDriver(1);
    EXPECT_EQ(0, graphics.m_bPrimaryDriver);
    EXPECT_EQ(0, graphics.m_bCanRenderWindowed);
    SString text;
    ASSERT_TRUE(graphics.GetVariable("gfx_driver_guid", text));
    EXPECT_STREQ("0102030405060708090A0B0C0D0E0F10", text.GetString());
}

TEST_F(DriverChoiceTest, AChoicePastTheListChangesNothing) {
    CGraphicsData graphics;
    graphics.EnumerateDrivers();
    graphics.SelectDriver(2);
    graphics.SelectDriver(-1);
    EXPECT_EQ(1, graphics.m_bSoftware);
    EXPECT_EQ(1, graphics.m_bPrimaryDriver);
}

TEST_F(DriverChoiceTest, TextureQualityFollowsTheFirstDriversTextureMemory) {
    CGraphicsData graphics;
    graphics.EnumerateDrivers();
    SDXDriverInfo* driver = graphics.GetUsableDriver(1);
    ASSERT_NE(nullptr, driver);
    const struct {
        uint32_t memory;
        int quality;
    } cases[] = {{16000001, 2}, {16000000, 1}, {7000001, 1}, {7000000, 0}, {0x30000, 0}};
    for (const auto& c : cases) {
        driver->m_dwVidMemTexture = c.memory;
        graphics.SetTextureQualityFromMemory();
        EXPECT_EQ(c.quality, graphics.m_iTextureQuality) << c.memory;
    }
}

TEST_F(DriverChoiceTest, WithoutUsableDriversTextureQualityStays) {
    CGraphicsData graphics;
    graphics.m_iTextureQuality = 1;
    graphics.SetTextureQualityFromMemory();
    EXPECT_EQ(1, graphics.m_iTextureQuality);
}

}  // namespace
