// The sound device wrapper and sound buffers: drivers, capabilities, error names, volume
// clamps, creation from a wave, duplicates, lost buffers, and the buffer counters.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "dx/sound/SDXSound.h"
#include "dx/sound/SDXSoundBuffer.h"
#include "sys/classlib/CStringList.h"
#include "sys/window/headless/headless_window.h"
#include "sys/window/treeview.h"
#include "sys/window/window.h"
#include "tests/dx/sound/SoundTestSupport.h"

using namespace sys::audio;
using namespace tarvex::test;

namespace {

class SoundDeviceTest : public SoundTest {};

class SoundBufferTest : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        ASSERT_TRUE(device.CreateWithFormat(GUID{}, true, 22050, 16, true));
    }

    // The volume the device buffer really has.
    static int32_t DeviceVolume(SDXSoundBuffer& buffer) {
        int32_t volume = 1;
        buffer.GetBuffer()->GetVolume(&volume);
        return volume;
    }

    static std::vector<int16_t> Listen(uint32_t ms) {
        headless::TakeMixed();
        sys::time::AdvanceFake(ms);
        return headless::TakeMixed();
    }

    SDXSound device;
};

namespace headless = sys::audio::headless;

TEST_F(SoundDeviceTest, EnumerationFindsThePrimaryDriverWithoutAGuid) {
    SDXSound device;
    EXPECT_EQ(device.FindDriverByModule(SString("")), -1);  // nothing enumerated yet
    ASSERT_TRUE(device.EnumerateDrivers());
    ASSERT_EQ(device.GetDriverCount(), 1);
    EXPECT_TRUE(device.GetDriverGuid(0).IsNull());
    EXPECT_STREQ(device.GetDriver(0)->m_sDescription.GetString(), "Primary Sound Driver");
    EXPECT_EQ(device.GetDriver(1), nullptr);
    EXPECT_TRUE(device.GetDriverGuid(-1).IsNull());
    EXPECT_STREQ(device.GetDriverModule(7).GetString(), "");

    headless::SetSecondDriver(true);
    ASSERT_TRUE(device.EnumerateDrivers());
    ASSERT_EQ(device.GetDriverCount(), 2);
    EXPECT_EQ(device.FindDriverByModule(SString("TVSOUND.DRV")), 1);
    EXPECT_EQ(device.FindDriverByDescription(SString("primary sound driver")), 0);
    EXPECT_FALSE(device.GetDriverGuidByModule(SString("tvsound.drv")).IsNull());
    CStringList descriptions;
    CStringList modules;
    EXPECT_EQ(device.GetDriverNames(&descriptions, &modules), 1);
    EXPECT_EQ(descriptions.GetCount(), 2);
    EXPECT_STREQ(modules.GetTail().GetString(), "tvsound.drv");
    EXPECT_EQ(device.Create(device.GetDriverGuid(1), DSSCL_PRIORITY, false), 1);

    headless::SetNoDriver(true);
    ASSERT_TRUE(device.EnumerateDrivers());
    EXPECT_EQ(device.GetDriverCount(), 0);
    EXPECT_EQ(device.GetDriverNames(&descriptions, nullptr), 0);
}

TEST_F(SoundDeviceTest, CreationWithoutADriverFailsCleanly) {
    headless::SetNoDriver(true);
    SDXSound device;
    EXPECT_EQ(device.Create(GUID{}, DSSCL_PRIORITY, true), 0);
    EXPECT_EQ(device.GetDirectSound(), nullptr);
    EXPECT_EQ(device.GetLastResult(), DSERR_NODRIVER);
    EXPECT_EQ(device.SetPrimaryFormat(22050, 16, true), 0);
    EXPECT_EQ(device.GetCapsValue(6), 0u);
}

TEST_F(SoundDeviceTest, CapsValuesOutsideTheTableAreZero) {
    SDXSound device;
    ASSERT_EQ(device.Create(GUID{}, DSSCL_PRIORITY, true), 1);
    EXPECT_EQ(device.GetCapsValue(12), 0u);
    EXPECT_EQ(device.GetCapsValue(-1), 0u);
    EXPECT_EQ(device.GetCapsValue(0), 32u);  // hardware mixing buffers
    EXPECT_EQ(device.GetCapsValue(6), 16u);  // hardware 3D buffers
    EXPECT_EQ(device.GetCapsValue(9), 16u);  // free hardware 3D buffers
}

// The capability tree as a tree control receives it: each item as "parent path/text".
TEST_F(SoundDeviceTest, TheCapsTreeListsTheSetFlagsAndEachValueUnderItsName) {
    static std::vector<std::string> items;
    static std::vector<std::string> paths;
    static int emptied = 0;
    items.clear();
    paths.clear();
    emptied = 0;
    sys::window::headless::Reset();
    sys::HWND tree = sys::window::CreateWindow(
        "Tarvex", 0, nullptr, [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) -> sys::LRESULT {
            if (m == sys::TVM_DELETEITEM && reinterpret_cast<sys::HTREEITEM>(l) == sys::TVI_ROOT) {
                ++emptied;
                return 1;
            }
            if (m != sys::TVM_INSERTITEM)
                return sys::window::DefWindowProc(h, m, w, l);
            const auto* insert = reinterpret_cast<const sys::TVINSERTSTRUCT*>(l);
            EXPECT_EQ(insert->hInsertAfter, sys::TVI_LAST);
            const sys::LPARAM parent = reinterpret_cast<sys::LPARAM>(insert->hParent);
            const std::string under = insert->hParent == sys::TVI_ROOT ? "" : paths.at(static_cast<size_t>(parent - 1));
            paths.push_back(under + "/" + insert->item.pszText);
            items.push_back(paths.back());
            return static_cast<sys::LRESULT>(paths.size());
        });
    ASSERT_NE(tree, nullptr);
    SDXSound device;
    EXPECT_EQ(device.FillCapsTree(tree), 0);  // no device yet
    ASSERT_EQ(device.Create(GUID{}, DSSCL_PRIORITY, true), 1);
    EXPECT_EQ(device.FillCapsTree(nullptr), 0);
    EXPECT_EQ(device.FillCapsTree(tree), 1);
    EXPECT_EQ(emptied, 1);
    const std::vector<std::string> flags(items.begin(), items.begin() + 10);
    EXPECT_EQ(flags, (std::vector<std::string>{"/Flags", "/Flags/CONTINUOUSRATE", "/Flags/PRIMARY16BIT",
                                                "/Flags/PRIMARY8BIT", "/Flags/PRIMARYMONO", "/Flags/PRIMARYSTEREO",
                                                "/Flags/SECONDARY16BIT", "/Flags/SECONDARY8BIT",
                                                "/Flags/SECONDARYMONO", "/Flags/SECONDARYSTEREO"}));
    ASSERT_EQ(items.size(), 10u + 1u + 2u * 20u);
    EXPECT_EQ(items[10], "/Caps");
    EXPECT_EQ(items[11], "/Caps/Min Secondary Sample Rate");
    EXPECT_EQ(items[17], "/Caps/Max HW Mixing All Buffers");
    EXPECT_EQ(items[18], "/Caps/Max HW Mixing All Buffers/32");
    EXPECT_EQ(items.back(), "/Caps/CPU Overhead SW Buffers/0");
}

TEST_F(SoundDeviceTest, AKeptPrimaryFormatIsNoFailure) {
    headless::SetPrimaryFormatFixed(true);
    SDXSound device;
    ASSERT_EQ(device.Create(GUID{}, DSSCL_PRIORITY, false), 1);
    EXPECT_EQ(device.SetPrimaryFormat(22050, 16, true), 1);
    EXPECT_EQ(device.GetBits(), 16);
    WAVEFORMATEX actual;
    device.GetPrimaryBuffer()->GetFormat(&actual, sizeof actual, nullptr);
    EXPECT_EQ(actual.wBitsPerSample, 8);
}

TEST_F(SoundDeviceTest, Hardware3DIsAskedOfTheNamedDriver) {
    SDXSound device;
    device.EnumerateDrivers();
    EXPECT_TRUE(device.HasHardware3D(SString("Primary Sound Driver")));
    EXPECT_FALSE(device.HasHardware3D(SString("No Such Card")));
    headless::SetHardware3DBuffers(0);
    EXPECT_FALSE(device.HasHardware3D(SString("Primary Sound Driver")));
}

TEST_F(SoundDeviceTest, ErrorNamesAreAppendedWithALineFeed) {
    SString text;
    EXPECT_STREQ(SDXSound::DSErrorText(0, text).GetString(), "Undefined DirectSound Error\n");
    SString lost("x: ");
    EXPECT_STREQ(SDXSound::DSErrorText(DSERR_BUFFERLOST, lost).GetString(), "x: DSERR_BUFFERLOST\n");
    SString param;
    EXPECT_STREQ(SDXSound::DSErrorText(static_cast<HRESULT>(0x80070057u), param).GetString(), "DSERR_INVALIDPARAM\n");
}

TEST_F(SoundDeviceTest, ReportErrorStaysWithinItsBuffer) {
    headless::SetNoDriver(true);
    SDXSound device;
    device.Create(GUID{}, DSSCL_PRIORITY, false);
    char small[6];
    std::memset(small, 'Z', sizeof small);
    device.ReportError(small, 5);
    EXPECT_STREQ(small, "DSER");
    EXPECT_EQ(small[5], 'Z');
    char whole[64];
    device.ReportError(whole, sizeof whole);
    EXPECT_STREQ(whole, "DSERR_NODRIVER\n");
    char untouched = 'Q';
    device.ReportError(&untouched, 0);
    EXPECT_EQ(untouched, 'Q');
}

TEST_F(SoundDeviceTest, DriverNamesAndErrorNamesGoToWindows) {
    struct Sent {
        sys::UINT message;
        sys::WPARAM wParam;
        sys::LPARAM lParam;
        std::string text;
    };
    static std::vector<Sent> sent;
    sent.clear();
    sys::window::headless::Reset();
    sys::HWND window = sys::window::CreateWindow(
        "Tarvex", 0, nullptr, [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) -> sys::LRESULT {
            if (m == 0x014A || m == 0x00B1 || m == 0x00B7 || m == 0x00C2) {
                const bool hasText = m == 0x014A || m == 0x00C2;
                sent.push_back({m, w, l, hasText ? std::string(reinterpret_cast<const char*>(l)) : std::string()});
                return 0;
            }
            return sys::window::DefWindowProc(h, m, w, l);
        });
    ASSERT_NE(window, nullptr);
    headless::SetSecondDriver(true);
    SDXSound device;
    EXPECT_EQ(device.FillDriverCombo(window), 0);  // nothing enumerated yet
    device.EnumerateDrivers();
    EXPECT_EQ(device.FillDriverCombo(nullptr), 0);
    EXPECT_EQ(device.FillDriverCombo(window), 1);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].message, 0x014Au);  // CB_INSERTSTRING at the end
    EXPECT_EQ(sent[0].wParam, static_cast<sys::WPARAM>(-1));
    EXPECT_EQ(sent[0].text, "Primary Sound Driver");
    EXPECT_EQ(sent[1].text, "Tarvex Test Sound Device");

    sent.clear();
    headless::SetNoDriver(true);
    device.Create(GUID{}, DSSCL_PRIORITY, false);
    device.SetLogWindow(window);
    char text[32];
    device.ReportError(text, sizeof text);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].message, 0x00B1u);  // selection to the end
    EXPECT_EQ(sent[0].wParam, 65534u);
    EXPECT_EQ(sent[0].lParam, 65535);
    EXPECT_EQ(sent[1].message, 0x00B7u);  // scrolled to the caret
    EXPECT_EQ(sent[2].message, 0x00C2u);  // the name inserted
    EXPECT_EQ(sent[2].text, "DSERR_NODRIVER\n");
    sys::window::DestroyWindow(window);
    sys::window::headless::Reset();
}

TEST_F(SoundBufferTest, VolumeIsClampedAfterTheMasterOffsetAndReportedAsAsked) {
    SDXSoundBuffer buffer(&device, Write("v.wav", RampWave(100)).c_str(), true, SDXSoundBuffer::kDefaultFlags);
    ASSERT_TRUE(buffer.IsCreated());
    EXPECT_EQ(buffer.SetVolume(-9000), 1);
    EXPECT_EQ(DeviceVolume(buffer), -9000);
    EXPECT_EQ(buffer.SetVolume(500), 1);
    EXPECT_EQ(DeviceVolume(buffer), 0);
    EXPECT_EQ(buffer.SetVolume(-20000), 1);
    EXPECT_EQ(DeviceVolume(buffer), -10000);
    int32_t asked = 0;
    EXPECT_EQ(buffer.GetVolume(&asked), 1);
    EXPECT_EQ(asked, -20000);
    SDXSound::s_lMasterVolume = -1000;
    buffer.SetVolume(-500);
    EXPECT_EQ(DeviceVolume(buffer), -1500);
}

TEST_F(SoundBufferTest, WithoutADeviceBufferNothingIsStored) {
    SDXSoundBuffer buffer;
    EXPECT_EQ(buffer.SetVolume(-300), 0);
    int32_t volume = 77;
    EXPECT_EQ(buffer.GetVolume(&volume), 0);
    EXPECT_EQ(volume, 77);
    EXPECT_EQ(buffer.Play(0), 0);
    EXPECT_FALSE(buffer.IsPlaying());
    EXPECT_EQ(buffer.GetDurationMs(), 0u);
    EXPECT_EQ(buffer.CreateBuffer(), 0);  // no owner
    EXPECT_EQ(buffer.Cleanup(), 1);
}

TEST_F(SoundBufferTest, CreationHandsTheDataToTheDeviceAndCounts) {
    const int32_t count = SDXSoundBuffer::s_nBufferCount;
    const uint32_t bytes = SDXSoundBuffer::s_nBufferBytes;
    const std::string path = Write("c.wav", RampWave(22050));
    SDXSoundBuffer buffer(&device, path.c_str(), true, SDXSoundBuffer::kDefaultFlags);
    ASSERT_TRUE(buffer.IsCreated());
    EXPECT_FALSE(buffer.HasData());  // held once: the wave dropped its copy
    EXPECT_EQ(SDXSoundBuffer::s_nBufferCount, count + 1);
    EXPECT_EQ(SDXSoundBuffer::s_nBufferBytes, bytes + 44100);
    EXPECT_EQ(buffer.GetDurationMs(), 1000u);
    std::filesystem::remove(path);
    EXPECT_EQ(buffer.CreateBuffer(), 1);  // created already: the file is not needed

    SDXSoundBuffer copy;
    ASSERT_EQ(buffer.Duplicate(&copy), 1);
    EXPECT_TRUE(copy.IsDuplicate());
    EXPECT_EQ(SDXSoundBuffer::s_nBufferCount, count + 2);
    EXPECT_EQ(SDXSoundBuffer::s_nBufferBytes, bytes + 44100);
    copy.Play(0);
    const std::vector<int16_t> out = Listen(1);
    EXPECT_EQ(out.at(0), -5000);
    EXPECT_EQ(out.at(2), -4900);
    copy.Cleanup();
    EXPECT_EQ(SDXSoundBuffer::s_nBufferCount, count + 1);
    EXPECT_EQ(SDXSoundBuffer::s_nBufferBytes, bytes + 44100);
    buffer.Cleanup();
    EXPECT_EQ(SDXSoundBuffer::s_nBufferCount, count);
    EXPECT_EQ(SDXSoundBuffer::s_nBufferBytes, bytes);
}

TEST_F(SoundBufferTest, ABufferWhoseDataCannotBeReadIsNotCreated) {
    const int32_t count = SDXSoundBuffer::s_nBufferCount;
    const std::string path = Write("lost.wav", RampWave(50));
    SDXSoundBuffer buffer(&device, path.c_str(), false, SDXSoundBuffer::kDefaultFlags);
    ASSERT_EQ(buffer.GetDataSize(), 100u);
    std::filesystem::remove(path);
    EXPECT_EQ(buffer.CreateBuffer(), 0);
    EXPECT_FALSE(buffer.IsCreated());
    EXPECT_EQ(buffer.GetBuffer(), nullptr);
    EXPECT_EQ(SDXSoundBuffer::s_nBufferCount, count);
}

TEST_F(SoundBufferTest, PlayRestoresAndRefillsALostBuffer) {
    SDXSoundBuffer buffer(&device, Write("r.wav", RampWave(200)).c_str(), true, SDXSoundBuffer::kDefaultFlags);
    ASSERT_TRUE(buffer.IsCreated());
    headless::LoseAllBuffers();
    uint32_t status = 0;
    ASSERT_EQ(buffer.GetStatus(&status), 1);
    EXPECT_NE(status & DSBSTATUS_BUFFERLOST, 0u);
    ASSERT_EQ(buffer.Play(0), 1);
    const std::vector<int16_t> out = Listen(1);
    EXPECT_EQ(out.at(0), -5000);
    EXPECT_EQ(out.at(2), -4900);
    EXPECT_EQ(out.at(4), -4800);
}

TEST_F(SoundBufferTest, AFailedCallHidesThePlayingStatusUntilACallSucceeds) {
    SDXSoundBuffer buffer(&device, Write("s.wav", RampWave(22050)).c_str(), true, SDXSoundBuffer::kDefaultFlags);
    buffer.Play(0);
    EXPECT_TRUE(buffer.IsPlaying());
    EXPECT_EQ(buffer.SetFrequency(5), 0);
    EXPECT_FALSE(buffer.IsPlaying());
    char text[64];
    buffer.ReportError(text, sizeof text);
    EXPECT_STREQ(text, "DSERR_INVALIDPARAM\n");
    EXPECT_EQ(buffer.SetFrequency(11025), 1);
    EXPECT_TRUE(buffer.IsPlaying());
}

TEST_F(SoundBufferTest, PanFrequencyAndPositionReachTheDevice) {
    SDXSoundBuffer buffer(&device, Write("p.wav", RampWave(1000)).c_str(), true, SDXSoundBuffer::kDefaultFlags);
    EXPECT_EQ(buffer.SetPan(-2500), 1);
    int32_t pan = 0;
    EXPECT_EQ(buffer.GetPan(&pan), 1);
    EXPECT_EQ(pan, -2500);
    EXPECT_EQ(buffer.SetCurrentPosition(100), 1);
    uint32_t position = 0;
    EXPECT_EQ(buffer.GetPlayPosition(&position), 1);
    EXPECT_EQ(position, 100u);
    WAVEFORMATEX format;
    EXPECT_EQ(buffer.GetBufferFormat(&format), 1);
    EXPECT_EQ(format.nSamplesPerSec, 22050u);
    DSBCAPS caps;
    EXPECT_EQ(buffer.GetCaps(&caps), 1);
    EXPECT_EQ(caps.dwBufferBytes, 2000u);
    EXPECT_NE(caps.dwFlags & DSBCAPS_LOCSOFTWARE, 0u);  // software unless asked for location 2
}

TEST_F(SoundBufferTest, CopyWaveDataReadsBackOutOfTheDeviceBuffer) {
    SDXSoundBuffer buffer(&device, Write("w.wav", RampWave(10)).c_str(), true, SDXSoundBuffer::kDefaultFlags);
    ASSERT_FALSE(buffer.HasData());
    SDXSoundBuffer target;
    ASSERT_EQ(buffer.CopyWaveData(&target), 1);
    EXPECT_TRUE(target.HasData());
    EXPECT_EQ(target.GetDataSize(), 20u);
    int16_t samples[10] = {};
    EXPECT_EQ(target.GetData(samples, 20), 20u);
    EXPECT_EQ(samples[9], -4100);
}

TEST_F(SoundBufferTest, ResourceWavesBecomeBuffers) {
    static const std::vector<uint8_t> bytes = MakeWave(RampWave(30));
    static int module = 0;
    sys::mmio::RegisterResource(&module, "wave", 7, bytes.data(), static_cast<uint32_t>(bytes.size()));
    SDXSoundBuffer buffer(&device, 7u, true, SDXSoundBuffer::kDefaultFlags, &module);
    EXPECT_TRUE(buffer.IsCreated());
    EXPECT_EQ(buffer.GetDataSize(), 60u);
}

}  // namespace
