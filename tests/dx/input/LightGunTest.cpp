// The light gun: created from a joystick of the standard driver, its three guns' positions and
// buttons, the mask bits, and the seven calls to the gun system's library, which a stand-in
// library built with the tests records.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "InputTestSupport.h"
#include "dx/input/SDXActLabsGS.h"
#include "dx/input/SDXInput.h"
#include "sys/library.h"

using namespace sys::input;

namespace {

namespace fsys = std::filesystem;

// The stand-in library is built into this folder as "ActGSDev.so".
const std::string kLibraryFolder = std::string(TARVEX_TEST_BINARY_DIR) + "/dx/input/lightgun";

class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const fsys::path& folder) : m_previous(fsys::current_path()) {
        fsys::current_path(folder);
    }
    ~ScopedCurrentDirectory() { fsys::current_path(m_previous); }

private:
    fsys::path m_previous;
};

class LightGunTest : public tarvex::test::InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        ASSERT_TRUE(input.Create(nullptr, window));
    }
    void TearDown() override {
        input.Release();
        InputTest::TearDown();
    }

    // A gun on a joystick of the standard driver, created and read once.
    std::unique_ptr<SDXActLabsGS> MakeGun() {
        headless::Joystick gun;
        gun.name = "Gun";
        gun.axes = 8;
        gun.buttons = 12;
        headless::AttachJoystick(gun);
        EXPECT_TRUE(input.EnumAttachedJoysticks());
        auto made = std::make_unique<SDXActLabsGS>();
        EXPECT_TRUE(made->Create(&input));
        return made;
    }

    SDXInput input;
};

TEST_F(LightGunTest, WithoutTheLibraryTheGunStillWorks) {
    auto gun = MakeGun();
    EXPECT_FALSE(gun->HasLibrary());
    EXPECT_EQ(gun->SetHandheldRange(-1000, 1000), 0);
    EXPECT_EQ(gun->SetCalibrationMode(0x20, 0), 0);
    EXPECT_EQ(gun->UnlockResolution(), 0);
    EXPECT_EQ(gun->GetHandheldMode(0), 0);
    headless::SetJoystickButton(0, 4, true);
    EXPECT_TRUE(gun->Update());
    EXPECT_EQ(gun->IsButtonDown(0), 0x80);
}

TEST_F(LightGunTest, TheGunAsksForRawData) {
    auto gun = MakeGun();
    DIPROPDWORD mode;
    mode.diph.dwHow = DIPH_DEVICE;
    ASSERT_EQ(gun->GetDevice()->GetProperty(Property::CalibrationMode, &mode.diph), DI_OK);
    EXPECT_EQ(mode.dwData, DIPROPCALIBRATIONMODE_RAW);
}

TEST_F(LightGunTest, AJoystickOfAnotherProductIsNoGun) {
    headless::Joystick pad;
    pad.product = GUID{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    headless::AttachJoystick(pad);
    ASSERT_TRUE(input.EnumAttachedJoysticks());
    SDXActLabsGS gun;
    EXPECT_FALSE(gun.Create(&input));
    EXPECT_STREQ(input.GetErrorOperation().GetString(), "SDXActLabsGS::Create");
    EXPECT_EQ(headless::CallCount(headless::Call::CreateDevice), 0);
}

TEST_F(LightGunTest, AnEmptyTableGivesNoGun) {
    SDXActLabsGS gun;
    EXPECT_FALSE(gun.Create(&input));
    EXPECT_FALSE(gun.CreateFF(&input));
    EXPECT_FALSE(gun.CreateOfSubType(&input, 2));
}

TEST_F(LightGunTest, APropertyFailureGivesTheDeviceUp) {
    headless::AttachJoystick({});
    ASSERT_TRUE(input.EnumAttachedJoysticks());
    headless::FailNext(headless::Call::SetProperty, DIERR_UNSUPPORTED);
    SDXActLabsGS gun;
    EXPECT_FALSE(gun.Create(&input));
    EXPECT_EQ(gun.GetDevice(), nullptr);
    EXPECT_STREQ(input.GetErrorOperation().GetString(), "SDXActLabsGS::SetProperties");
}

TEST_F(LightGunTest, ThreeGunsShareOneState) {
    auto gun = MakeGun();
    // Axes at -32768 and 32767 read 0 and 65535 on the default range.
    headless::SetJoystickAxis(0, 0, 32767);   // lX: gun 0 X
    headless::SetJoystickAxis(0, 1, -32768);  // lY: gun 0 Y
    headless::SetJoystickAxis(0, 2, -32768);  // lZ: gun 1 X
    headless::SetJoystickAxis(0, 5, 32767);   // lRz: gun 1 Y
    headless::SetJoystickAxis(0, 6, 32767);   // slider 0: gun 2 X
    headless::SetJoystickAxis(0, 7, 32767);   // slider 1: gun 2 Y
    headless::SetJoystickPov(0, 0, 0);        // gun 2 out of view
    ASSERT_TRUE(gun->Update());
    EXPECT_EQ(gun->GetGunX(0), 65535);
    EXPECT_EQ(gun->GetGunY(0), 0);
    EXPECT_EQ(gun->GetGunX(1), 0);
    EXPECT_EQ(gun->GetGunY(1), 65535);
    EXPECT_EQ(gun->GetGunX(2), 0);
    EXPECT_EQ(gun->GetGunY(2), 0);
    EXPECT_EQ(gun->GetX(), 0);
    EXPECT_EQ(gun->GetZ(), 65535);
    EXPECT_EQ(gun->GetRx(), 0);
    EXPECT_EQ(gun->GetRy(), 0);
    EXPECT_EQ(gun->GetRz(), 65535);
    EXPECT_EQ(gun->GetGunX(3), 0);
    EXPECT_EQ(gun->GetGunY(-1), 0);

    headless::SetJoystickPov(0, 0, 1u << 2);
    ASSERT_TRUE(gun->Update());
    EXPECT_EQ(gun->GetX(), 65535);
    EXPECT_EQ(gun->GetY(), 65535);
    EXPECT_TRUE(gun->IsMaskBitSet(2));
    EXPECT_TRUE(gun->IsMaskBitSet(34));  // bits count modulo 32
    EXPECT_FALSE(gun->IsMaskBitSet(1));
    EXPECT_FALSE(gun->WasMaskBitSet(2));
    // The previous position is read without looking at the mask.
    EXPECT_EQ(gun->GetPrevGunX(2), 65535);

    headless::SetJoystickPov(0, 0, 0);
    ASSERT_TRUE(gun->Update());
    EXPECT_EQ(gun->GetX(), 0);
    EXPECT_EQ(gun->GetPrevGunX(2), 65535);
    EXPECT_TRUE(gun->WasMaskBitSet(2));
}

TEST_F(LightGunTest, ButtonsMapToTheThreeGuns) {
    auto gun = MakeGun();
    // Button bytes: gun 0 from 0, gun 2 from 4, gun 1 from 8.
    const struct {
        int byte;
        int bindingButton;
        int gun;
        int gunButton;
    } rows[] = {{4, 0, 2, 0}, {5, 1, 2, 1}, {6, 2, 2, 2}, {0, 3, 0, 0}, {1, 4, 0, 1}, {8, 5, 1, 0}, {9, 6, 1, 1}};
    for (const auto& row : rows) {
        headless::SetJoystickButton(0, row.byte, true);
        ASSERT_TRUE(gun->Update());
        for (int n = 0; n < 8; ++n) {
            EXPECT_EQ(gun->IsButtonDown(n), n == row.bindingButton ? 0x80 : 0) << row.byte << " " << n;
        }
        EXPECT_EQ(gun->IsGunButtonDown(row.gun, row.gunButton), 0x80);
        headless::SetJoystickButton(0, row.byte, false);
        ASSERT_TRUE(gun->Update());
        EXPECT_EQ(gun->WasButtonDown(row.bindingButton), 0x80);
        EXPECT_EQ(gun->WasGunButtonDown(row.gun, row.gunButton), 0x80);
        EXPECT_EQ(gun->IsButtonDown(row.bindingButton), 0);
    }
    EXPECT_EQ(gun->IsGunButtonDown(3, 0), 0);
    EXPECT_EQ(gun->IsButtonDown(7), 0);
    EXPECT_EQ(gun->IsButtonDown(-1), 0);
}

TEST_F(LightGunTest, LibraryCallsAreForwardedWithTheirResults) {
    ScopedCurrentDirectory inside(kLibraryFolder);
    auto gun = MakeGun();
    ASSERT_TRUE(gun->HasLibrary());
    sys::library::Handle library = sys::library::Load("ActGSDev.dll");
    ASSERT_NE(library, nullptr);
    auto callLog = reinterpret_cast<const char* (*)()>(sys::library::Symbol(library, "TvGunCallLog"));
    auto clearLog = reinterpret_cast<void (*)()>(sys::library::Symbol(library, "TvGunClearLog"));
    ASSERT_NE(callLog, nullptr);
    ASSERT_NE(clearLog, nullptr);
    // Creating the gun set the handheld range.
    EXPECT_STREQ(callLog(), "GS_SetHandheldRange(-1000,1000)\n");
    clearLog();

    EXPECT_EQ(gun->GetHandheldRange(0, 0), -1000);
    EXPECT_EQ(gun->GetHandheldRange(1, 0), 1000);
    EXPECT_EQ(gun->UnlockResolution(), 1);
    EXPECT_EQ(gun->SetResolutionRange(640, 480), 1);
    EXPECT_EQ(gun->SetCalibrationMode(0x20, 0), 1);
    EXPECT_EQ(gun->SetHandheldMode(3), 1);
    EXPECT_EQ(gun->GetHandheldMode(1), 3);
    EXPECT_STREQ(callLog(),
                 "GS_GetHandheldRange(0,0)\n"
                 "GS_GetHandheldRange(1,0)\n"
                 "GS_UnlockResolution()\n"
                 "GS_SetResolutionRange(640,480)\n"
                 "GS_SetCalibrationMode(32,0)\n"
                 "GS_SetHandheldMode(3)\n"
                 "GS_GetHandheldMode(1)\n");
    clearLog();
    gun.reset();
    sys::library::Unload(library);
}

}  // namespace
