// The game options, performance, sound and video dialogs of the settings page: what they load
// from the configuration, what their buttons cycle through, what they write back when the user
// agrees to save, the officer-file backup and restore, and the display and sound changes they
// hand to the display and sound managers.

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "app/CGraphicsData.h"
#include "app/SGameObjects.h"
#include "app/CSoundData.h"
#include "app/CSystemData.h"
#include "dx/sound/SSound.h"
#include "core/SCatalogItem.h"
#include "frontend/SFrontEndSetup.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/career/SOfficerRecords.h"
#include "frontend/dialogs/SGameOptionsDialog.h"
#include "frontend/dialogs/SPerformanceDialog.h"
#include "frontend/dialogs/SSoundDialog.h"
#include "frontend/dialogs/SUpdateDlg.h"
#include "frontend/dialogs/SVideoDialog.h"
#include "sys/audio/headless/headless_audio.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/window/window.h"
#include "ui/widgets/STextCtrl.h"
#include "tests/frontend/OptionDialogsTestSupport.h"

namespace {

using optiontest::Kind;
using tarvex::test::ReadWholeFile;
using tarvex::test::WriteWholeFile;

class SettingsDialogsTest : public optiontest::OptionDialogsTest {
protected:
    void SetUp() override {
        OptionDialogsTest::SetUp();
        sys::audio::headless::Reset();
        m_pSavedSound = m_pHub->m_pGameItems->m_pSound;
        m_pHub->m_pGameItems->m_pSound = &m_sound;
        AddLayout("OMMD", {{3100, Kind::Radio, 1}, {3101, Kind::Radio, 1}, {3110, Kind::Push}, {3200, Kind::Push},
                           {3210, Kind::Push}, {638, Kind::Text}, {77, Kind::Text}});
        AddLayout("OMP", {{3470, Kind::Slider, 0}, {3469, Kind::Push}, {3471, Kind::Push}, {3480, Kind::Text},
                          {4000, Kind::Push}});
        AddLayout("OMS", {{3840, Kind::Check}, {3841, Kind::Check}, {3842, Kind::Check}, {3819, Kind::Radio, 2},
                          {3830, Kind::Radio, 2}, {3820, Kind::Radio, 2}, {3800, Kind::Radio, 3},
                          {3810, Kind::Radio, 3},
                          {3850, Kind::Push}, {3860, Kind::Slider}, {3870, Kind::Push}, {3880, Kind::Push}});
        AddLayout("OMD", {{3720, Kind::Push}, {3700, Kind::Push}, {3730, Kind::Push}, {3740, Kind::Push},
                          {3640, Kind::Check}, {3650, Kind::Check}, {3660, Kind::Check}, {3670, Kind::Check},
                          {3680, Kind::Check}, {3690, Kind::Check}, {3695, Kind::Check}});
    }
    void TearDown() override {
        m_pHub->m_pGameItems->m_pSound = m_pSavedSound;
        sys::audio::headless::Reset();
        OptionDialogsTest::TearDown();
    }

    CGraphicsData& Graphics() { return *m_pHub->m_pConfig->m_pGraphics; }
    CSoundData& Sound() { return *m_pHub->m_pConfig->m_pSound; }
    // An officer file holding one officer of the name.
    static void WriteOfficerFile(const char* path, const char* name) {
        SHunterInfoList list;
        list.AddTail(new SHunterInfo(name));
        list.SetModified();
        ASSERT_TRUE(list.Save(path, "failed"));
    }

    SSound m_sound;
    SSound* m_pSavedSound = nullptr;
};

TEST_F(SettingsDialogsTest, ModeNamesGiveEachLargeEnoughSizeOnce) {
    CStringArray modes;
    for (const char* name : {"800 x 600 x 16", "800 x 600 x 32", "512 x 384 x 16", "640 x 480 x 8", "640 x 480 x 16",
                             "1024 x 768 x 32", "1024x768x32", "800 x 600"})
        modes.Add(CString(name));
    CStringArray sizes;
    SPerformanceDialog::CollectResolutions(modes, sizes);
    ASSERT_EQ(sizes.GetSize(), 3);
    EXPECT_EQ(sizes[0], "800 x 600");
    EXPECT_EQ(sizes[1], "640 x 480");
    EXPECT_EQ(sizes[2], "1024 x 768");
}

TEST_F(SettingsDialogsTest, PerformanceOffersTheDisplaysSizesAndCyclesTheDetail) {
    Graphics().m_bSoftware = 1;
    Graphics().m_iDetailQuality = 0;
    {
        SPerformanceDialog dialog;
        dialog.Activate();
        ASSERT_EQ(dialog.GetResolutions().GetSize(), 1);
        EXPECT_EQ(Text(dialog, 3480), "640 x 480");
        EXPECT_EQ(Slider(dialog, 3470)->GetMax(), 0);
        EXPECT_EQ(Text(dialog, 4000), "Low");
        const char* cycle[] = {"Medium", "High", "Low"};
        for (const char* expected : cycle) {
            Click(dialog, 4000);
            EXPECT_EQ(Text(dialog, 4000), expected);
        }
    }

    Graphics().m_bSoftware = 0;
    Graphics().m_iWidth = 800;
    Graphics().m_iHeight = 600;
    ASSERT_EQ(m_graphics.GetDrivers().Enumerate(), 1);
    SPerformanceDialog dialog;
    dialog.Activate();
    const CStringArray& sizes = dialog.GetResolutions();
    ASSERT_GE(sizes.GetSize(), 2);
    EXPECT_EQ(Slider(dialog, 3470)->GetMax(), sizes.GetSize() - 1);
    EXPECT_EQ(Text(dialog, 3480), "800 x 600");
    const int at = Slider(dialog, 3470)->GetPos();
    EXPECT_EQ(sizes[at], "800 x 600");
    Click(dialog, at > 0 ? 3469 : 3471);
    const std::string chosen = Text(dialog, 3480);
    EXPECT_NE(chosen, "800 x 600");
    Click(dialog, 4000);
    dialog.Deactivate();
    EXPECT_EQ(m_script.shown, std::vector<std::string>{"YesNo: Save changed settings?"});
    EXPECT_EQ(std::to_string(Graphics().m_iWidth) + " x " + std::to_string(Graphics().m_iHeight), chosen);
    EXPECT_EQ(Graphics().m_iDetailQuality, 1);
}

TEST_F(SettingsDialogsTest, GameOptionsBackUpTheOfficerFileAndRestoreOnlyAReadableOne) {
    SOfficerRecords::Install();
    m_pHub->m_pConfig->m_bPendingFullScreen = 1;
    SGameOptionsDialog dialog;
    dialog.Activate();
    EXPECT_EQ(Check(dialog, 3101), 1);
    EXPECT_EQ(Check(dialog, 3100), 0);
    EXPECT_EQ(Text(dialog, 638), "Never");
    Toggle(dialog, 3100);
    EXPECT_EQ(m_pHub->m_pConfig->m_bPendingFullScreen, 0);

    Click(dialog, 3200);
    EXPECT_EQ(m_script.shown, (std::vector<std::string>{"Password: Backing up to this file:",
                                                        "OK: No hunter file has been created yet!"}));

    WriteOfficerFile("player.cfg", "Al");
    const std::string officers = ReadWholeFile("player.cfg");
    Click(dialog, 3200);
    EXPECT_EQ(ReadWholeFile("player.bak"), officers);

    // An officer list that reads whole though a start would not read it: one byte past the bound,
    // made by the archive alone, as the game's save refuses it.
    const auto archived = [](uint64_t mapChars) {
        SHunterInfoList list;
        list.AddTail(new SHunterInfo("Big"));
        list.GetRecord(0)->SetMapFile(std::string(mapChars, 'm').c_str());
        CMemFile file;
        CArchive archive(&file, CArchive::store, 4096);
        list.Serialize(archive);
        archive.Close();
        std::string bytes(static_cast<size_t>(file.GetLength()), '\0');
        file.SeekToBegin();
        file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
        return bytes;
    };
    const uint64_t bare = archived(0).size();  // a longer map name's length prefix grows by 6
    struct Case {
        const char* file;
        std::optional<std::string> contents;  // none: no such file
        const char* message;
    } cases[] = {{"missing.bak", std::nullopt, "OK: missing.bak not found."},
                 {"bad.bak", "not an officer file", "OK: Error 31 restoring trophy room!"},
                 {"empty.bak", "", "OK: Error 31 restoring trophy room!"},
                 {"huge.bak", archived(SGameObjects::kMaxPlayerFileSize - bare - 5), "OK: Error 31 restoring trophy room!"}};
    for (const Case& c : cases) {
        if (c.contents)
            WriteWholeFile(c.file, *c.contents);
        m_script.shown.clear();
        m_script.fileName = c.file;
        Click(dialog, 3210);
        EXPECT_EQ(m_script.shown, (std::vector<std::string>{"Password: Restoring from this file:", c.message}))
            << c.file;
        EXPECT_EQ(ReadWholeFile("player.cfg"), officers) << c.file;
    }

    // A cancelled entry copies nothing.
    WriteOfficerFile("other.bak", "Bo");
    m_script.fileName = "other.bak";
    m_script.answer = 2;
    Click(dialog, 3210);
    EXPECT_EQ(ReadWholeFile("player.cfg"), officers);

    m_script.answer = 1;
    m_script.shown.clear();
    Click(dialog, 3210);
    EXPECT_EQ(m_script.shown, std::vector<std::string>{"Password: Restoring from this file:"});
    EXPECT_EQ(ReadWholeFile("player.cfg"), ReadWholeFile("other.bak"));
    ASSERT_NE(m_pHub->m_pPlayerList, nullptr);
    EXPECT_NE(m_pHub->m_pPlayerList->FindByName("Bo"), nullptr);

    std::filesystem::remove("player.cfg");
    m_pHub->LoadPlayerList(true);
}

TEST_F(SettingsDialogsTest, ThePatchDownloadStartsOnlyWhenTheUserIsOnline) {
    SGameOptionsDialog::SetPatchDownloader([](SAppScreen*, const char*, CString& file) {
        file = "patch101.exe";
        return 1;
    });
    SGameOptionsDialog dialog;
    dialog.Activate();
    m_script.answer = 2;
    Click(dialog, 3110);
    ASSERT_EQ(m_script.shown.size(), 1u);
    EXPECT_EQ(m_script.shown[0], std::string("YesNo: ") + SGameOptionsDialog::kConnectText);
    m_script.answer = 1;
    Click(dialog, 3110);
    ASSERT_EQ(m_script.shown.size(), 3u);
    EXPECT_EQ(m_script.shown[2], "OK: Update download successful\nExit and install patch101.exe");
    SGameOptionsDialog::SetPatchDownloader(nullptr);
}

TEST_F(SettingsDialogsTest, TheFrontEndsPatchDownloadRunsTheDownloadDialogAndReportsALeftDownload) {
    auto* layout = new SDialog;
    layout->Create(nullptr, "", 0, sys::RECT{0, 0, 300, 100}, nullptr, 0, nullptr);
    (new STextCtrl)->CreateText("", 0, sys::RECT{10, 10, 290, 40}, layout, SUpdateDlg::kStatusControl);
    auto* item = new SCatalogItem(STransparantDialog::kDialogsKind, "Generic", "OK", "");
    item->SetResource(layout);
    m_catalog.AddItem(item);
    {
        const SFrontEndSetup frontEnd;
        SGameOptionsDialog dialog;
        dialog.Activate();
        m_script.answer = 1;
        // The player leaves before the first network step.
        sys::window::PostMessage(nullptr, sys::WM_KEYDOWN, sys::VK_ESCAPE, 0);
        Click(dialog, 3110);
    }
    ASSERT_EQ(m_script.shown.size(), 2u);
    EXPECT_EQ(m_script.shown[1], "OK: Update Canceled!");
    SGameOptionsDialog::SetPatchDownloader(nullptr);
}

TEST_F(SettingsDialogsTest, SoundShowsTheConfiguredDriverAndSavesAndAppliesItsValues) {
    sys::audio::headless::SetSecondDriver(true);
    Sound().m_sDriver = "tvsound.drv";
    Sound().m_i3DResolution = 98;
    Sound().m_b3DEnabled = 1;
    Sound().m_b3DSoftware = 0;
    Sound().m_b8BitQuality = 1;
    Sound().m_bMusic = 0;
    SSoundDialog dialog;
    dialog.Activate();
    EXPECT_EQ(Text(dialog, 3850), "Tarvex Test Sound Device");
    EXPECT_EQ(Check(dialog, 3830), 1);
    EXPECT_EQ(Check(dialog, 3800), 1);
    EXPECT_EQ(Check(dialog, 3841), 0);
    Click(dialog, 3880);
    EXPECT_EQ(Slider(dialog, 3860)->GetPos(), 100);
    Click(dialog, 3880);
    EXPECT_EQ(Slider(dialog, 3860)->GetPos(), 100);
    Click(dialog, 3850);  // back to the first driver
    EXPECT_NE(Text(dialog, 3850), "Tarvex Test Sound Device");
    Toggle(dialog, 3819);
    Toggle(dialog, 3810);
    Toggle(dialog, 3841);
    dialog.Deactivate();
    EXPECT_EQ(m_script.shown, std::vector<std::string>{"YesNo: Save changed settings?"});
    EXPECT_STRNE(Sound().m_sDriver.GetString(), "tvsound.drv");
    EXPECT_EQ(Sound().m_i3DResolution, 100);
    EXPECT_EQ(Sound().m_b3DEnabled, 0);
    EXPECT_EQ(Sound().m_b8BitQuality, 0);
    EXPECT_EQ(Sound().m_bMusic, 1);
    // The sound manager was built again on the saved section.
    EXPECT_EQ(m_sound.GetMaxSameBuffers(), Sound().m_iMaxSameBuffers);
}

TEST_F(SettingsDialogsTest, SoundNamesTheFirstDriverForAnUnknownOneAndNoneWithoutDrivers) {
    Sound().m_sDriver = "gone.drv";
    {
        SSoundDialog dialog;
        dialog.Activate();
        EXPECT_EQ(SSoundDialog::GetDriverIndex(), 0);
        EXPECT_NE(Text(dialog, 3850), SSoundDialog::kNoDriverText);
    }
    sys::audio::headless::SetNoDriver(true);
    SSoundDialog dialog;
    dialog.Activate();
    EXPECT_EQ(Text(dialog, 3850), SSoundDialog::kNoDriverText);
    Click(dialog, 3850);
    EXPECT_EQ(Text(dialog, 3850), SSoundDialog::kNoDriverText);
    dialog.Save();
    EXPECT_STREQ(Sound().m_sDriver.GetString(), "");
}

TEST_F(SettingsDialogsTest, VideoCyclesItsValuesSavesThemAndHandsTheDriverToTheDisplay) {
    Graphics().m_iFilter = CGraphicsData::kFilterAnisotropic;
    Graphics().m_iBackgroundQuality = 2;
    Graphics().m_iTextureQuality = 0;
    Graphics().m_bFog = 1;
    Graphics().m_bSoftware = 1;
    Graphics().m_bPrimaryDriver = 1;
    SVideoDialog dialog;
    dialog.Activate();
    ASSERT_GE(SVideoDialog::GetDriverNames().GetSize(), 1);
    EXPECT_EQ(Text(dialog, 3720), SVideoDialog::GetDriverNames()[0].GetString());
    EXPECT_EQ(Check(dialog, 3650), 1);
    const struct {
        uint32_t id;
        const char* before;
        const char* after;
    } cycles[] = {{3700, "Anisotropic", "None"}, {3730, "High", "None"}, {3740, "Low", "Medium"}};
    for (const auto& c : cycles) {
        EXPECT_EQ(Text(dialog, c.id), c.before);
        Click(dialog, c.id);
        EXPECT_EQ(Text(dialog, c.id), c.after);
    }
    // The value switches change no driver and ask no restart; the depth switch does.
    for (uint32_t id : {3640u, 3650u, 3680u, 3690u, 3695u})
        Toggle(dialog, id);
    EXPECT_FALSE(dialog.GetRestartWarning());
    EXPECT_EQ(SVideoDialog::GetDriverIndex(), 0);
    Toggle(dialog, 3670);
    EXPECT_TRUE(dialog.GetRestartWarning());

    const sys::video::GUID other{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    m_graphics.SetDriverGuid(&other);
    dialog.Deactivate();
    EXPECT_EQ(m_script.shown, (std::vector<std::string>{"YesNo: Save changed settings?",
                                                        std::string("OK: ") + STransparantDialog::kRestartText}));
    EXPECT_EQ(Graphics().m_iFilter, CGraphicsData::kFilterNone);
    EXPECT_EQ(Graphics().m_iBackgroundQuality, 0);
    EXPECT_EQ(Graphics().m_iTextureQuality, 1);
    EXPECT_EQ(Graphics().m_bFog, 0);
    EXPECT_EQ(Graphics().m_bFastScopes, 1);
    EXPECT_EQ(Graphics().m_bDepthBuffer16Bit, 1);
    EXPECT_EQ(Graphics().m_bSoftware, 0);
    // The platform's display driver has no identifier: it is chosen as the primary display.
    EXPECT_EQ(Graphics().m_bPrimaryDriver, 1);
    EXPECT_EQ(m_graphics.GetDriverGuid(), nullptr);
    EXPECT_FALSE(dialog.GetRestartWarning());
}

}  // namespace
