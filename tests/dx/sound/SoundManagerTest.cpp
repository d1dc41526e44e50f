// The sound manager: set-up from the settings, application sounds by id, game sounds handed out
// per request with reuse, the statistics text, the listener cadence and the idle purge on the
// fake clock.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "core/SDataCollection.h"
#include "dx/sound/SDXSound3DBuffer.h"
#include "dx/sound/SDXSound3DListener.h"
#include "dx/sound/SDXSoundBuffer.h"
#include "dx/sound/SSound.h"
#include "sys/fs/fs.h"
#include "tests/dx/sound/SoundTestSupport.h"

using namespace sys::audio;
using namespace tarvex::test;

namespace {

std::vector<SDXSoundBuffer*> g_released;

void RecordRelease(SDXSoundBuffer* buffer) { g_released.push_back(buffer); }

class SoundManagerTest : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        g_released.clear();
        catalog.GetSearchFolders().Add(CString(folder.c_str()));
    }

    void Init() {
        sound.Initialize(&catalog, &settings, &names);
        sound.SetReleaseHook(RecordRelease);
    }

    std::string Sound(const std::string& name, uint32_t frames) { return Write(name, RampWave(frames)); }

    SCatalog catalog;
    SDataCollection names;
    SSoundSettings settings;
    SSound sound;
};

// --- Keys --------------------------------------------------------------------------------------

TEST(SoundKeyTest, KeyIsThePathWithoutExtensionReversedInLowerCase) {
    EXPECT_STREQ(SSound::MakeSoundKey("C:\\Snd\\Gun.WAV").GetString(), "nug\\dns\\:c");
    EXPECT_STREQ(SSound::MakeSoundKey("a.wav").GetString(), "a");
    EXPECT_STREQ(SSound::MakeSoundKey("abc").GetString(), "");
    EXPECT_STREQ(SSound::MakeSoundKey("").GetString(), "");
    EXPECT_STREQ(SSound::MakeSoundKey(nullptr).GetString(), "");
}

TEST(SoundKeyTest, HashShiftsEachCharacterByItsPositionModuloSix) {
    // 'a' - 64 = 33, 'b' - 64 = 34 << 1 = 68; 33 ^ 68 = 101.
    EXPECT_EQ(SSound::HashSoundKey(SString("ab")), 101);
    // 33, 66, 132, 264 & 255 = 8, 528 & 255 = 16, ('z' - 64) << 5 = 1856 & 255 = 64: XOR 191.
    EXPECT_EQ(SSound::HashSoundKey(SString("aaaaaz")), 191);
    // The seventh character is not shifted again: 191-style runs restart at 33.
    EXPECT_EQ(SSound::HashSoundKey(SString("aaaaaaa")), 33 ^ 66 ^ 132 ^ 8 ^ 16 ^ 32 ^ 33);
    EXPECT_EQ(SSound::HashSoundKey(SString("AB")), 101);
}

// --- Set-up ------------------------------------------------------------------------------------

TEST_F(SoundManagerTest, InitializeCreatesTheDeviceAndWritesTheDriverBack) {
    headless::SetSecondDriver(true);
    settings.m_sDriver = "no-such.drv";
    Init();
    EXPECT_NE(sound.GetDirectSound(), nullptr);
    EXPECT_STREQ(settings.m_sDriver.GetString(), "");  // the first driver's module name
    EXPECT_EQ(sound.GetSampleRate(), 22050);
    EXPECT_EQ(sound.GetBits(), 16);
    EXPECT_EQ(sound.GetListener(), nullptr);  // 3D is off by default
    EXPECT_EQ(sound.GetMax3DBuffers(), 8);

    SSound second;
    settings.m_sDriver = "TVSOUND.DRV";
    second.Initialize(&catalog, &settings, &names);
    EXPECT_STREQ(settings.m_sDriver.GetString(), "TVSOUND.DRV");
    EXPECT_NE(second.GetDirectSound(), nullptr);
}

TEST_F(SoundManagerTest, Hardware3DSizesThePoolFromTheCapabilities) {
    settings.m_b3DEnabled = 1;
    settings.m_b3DSoftware = 0;
    Init();
    EXPECT_EQ(sound.IsHardware3D(), 1);
    EXPECT_EQ(sound.GetMax3DBuffers(), 16);
    ASSERT_NE(sound.GetListener(), nullptr);
    EXPECT_TRUE(sound.GetListener()->Has3DInterface());
}

TEST_F(SoundManagerTest, SettingsAloneChangeOnlyTheValues) {
    Init();
    IDirectSound* device = sound.GetDirectSound();
    SSoundSettings changed;
    changed.m_iMaxSameBuffers = 9;
    changed.m_iIdleRemoveTime = 3;
    sound.Initialize(nullptr, &changed, nullptr);
    EXPECT_EQ(sound.GetDirectSound(), device);
    EXPECT_EQ(sound.GetMaxSameBuffers(), 9);
    EXPECT_EQ(sound.GetPurgeMs(), 3000u);
}

TEST_F(SoundManagerTest, DisabledSoundRecordsIdsButPlaysNothing) {
    settings.m_bEnabled = 0;
    Init();
    EXPECT_EQ(sound.GetDirectSound(), nullptr);
    const int id = sound.LoadSound(Sound("click.wav", 100).c_str());
    EXPECT_EQ(id, 1);
    EXPECT_EQ(sound.EnsureSoundLoaded(id), 0);
    EXPECT_EQ(sound.PlaySound(id, 0, true, 0, 0), 0);
    EXPECT_EQ(sound.GetGameSound(Sound("gun.wav", 100).c_str(), false), nullptr);
}

TEST_F(SoundManagerTest, WithoutASoundDriverSoundsAreRecordedButNothingPlays) {
    headless::SetNoDriver(true);
    Init();
    EXPECT_EQ(sound.GetDirectSound(), nullptr);
    EXPECT_EQ(sound.GetDriverCount(), 0);
    EXPECT_EQ(sound.LoadSound(Sound("a.wav", 10).c_str()), 1);
    EXPECT_EQ(sound.EnsureSoundLoaded(1), 0);
    EXPECT_EQ(sound.GetGameSound(Sound("b.wav", 10).c_str(), false), nullptr);
    EXPECT_EQ(sound.Update(), 1);
    headless::SetNoDriver(false);
    EXPECT_EQ(sound.Restart(&settings), 1);
    EXPECT_NE(sound.GetDirectSound(), nullptr);
    EXPECT_EQ(sound.EnsureSoundLoaded(1), 1);
}

// --- Application sounds ------------------------------------------------------------------------

TEST_F(SoundManagerTest, ApplicationSoundsGetIdsFromOne) {
    Init();
    EXPECT_EQ(sound.FindSound(0), nullptr);
    EXPECT_EQ(sound.FindSound(-1), nullptr);
    EXPECT_EQ(sound.LoadSound((folder + "/missing.wav").c_str()), -1);
    const std::string click = Sound("click.wav", 100);
    EXPECT_EQ(sound.LoadSound(click.c_str()), 1);
    EXPECT_EQ(sound.LoadSound(click.c_str()), 1);  // same key, same id
    EXPECT_EQ(sound.LoadSound(Sound("open.wav", 100).c_str()), 2);
    ASSERT_NE(sound.FindSound(2), nullptr);
    EXPECT_FALSE(sound.FindSound(2)->IsCreated());  // loaded lazily
    EXPECT_EQ(sound.FindAppSoundByKey(click.c_str()), 1);
    EXPECT_EQ(sound.EnsureSoundLoaded(2), 2);
    EXPECT_TRUE(sound.FindSound(2)->IsCreated());
    EXPECT_EQ(sound.EnsureSoundLoaded(5), 0);

    // With sound 1 removed there are two sounds again, yet 2 is taken: the next one gets 3.
    EXPECT_EQ(sound.LoadSound(Sound("third.wav", 100).c_str()), 3);
    SDXSoundBuffer* first = sound.FindSound(1);
    ASSERT_EQ(sound.RemoveAppBuffer(first), 1);
    const int next = sound.LoadSound(Sound("fourth.wav", 100).c_str());
    EXPECT_EQ(next, 4);
    EXPECT_EQ(sound.FindAppSoundByKey(Sound("open.wav", 100).c_str()), 2);
    EXPECT_EQ(sound.FindAppSoundByKey(Sound("third.wav", 100).c_str()), 3);
}

TEST_F(SoundManagerTest, CatalogNamesResolveToTheItemsFile) {
    Init();
    Sound("mouse_over.wav", 100);
    catalog.AddItem(new SCatalogItem(kKindSound, "Interface", "mouse_over", ""));
    catalog.AddItem(new SCatalogItem(kKindImage, "Picture", "mouse_over", ""));
    CString path;
    sound.ResolveSoundPath("Interface:mouse_over", path);
    EXPECT_EQ(sys::fs::NativePath(path.GetString()), folder + "/mouse_over.wav");
    EXPECT_EQ(sound.LoadSoundByKey("Interface", "mouse_over"), 1);
    sound.ResolveSoundPath("id;Interface", path);
    EXPECT_EQ(sys::fs::NativePath(path.GetString()), folder + "/mouse_over.wav");
    sound.ResolveSoundPath("id;Picture", path);  // an image is no sound
    EXPECT_STREQ(path.GetString(), "");
    sound.ResolveSoundPath("C:\\sounds\\x.wav", path);  // a drive colon is no group
    EXPECT_STREQ(path.GetString(), "C:\\sounds\\x.wav");
    EXPECT_EQ(sound.LoadSoundByKey("Interface", "nothing"), -1);
}

TEST_F(SoundManagerTest, ReleaseAllExceptKeepsOnlyTheNamedBuffers) {
    Init();
    const int ids[3] = {sound.LoadSound(Sound("a.wav", 10).c_str()), sound.LoadSound(Sound("b.wav", 10).c_str()),
                        sound.LoadSound(Sound("c.wav", 10).c_str())};
    EXPECT_EQ(sound.EnsureSoundsLoaded(ids, 3), 1);
    const int keep[1] = {2};
    EXPECT_EQ(sound.ReleaseAllExcept(keep, 1), 1);
    EXPECT_FALSE(sound.FindSound(1)->IsCreated());
    EXPECT_TRUE(sound.FindSound(2)->IsCreated());
    EXPECT_FALSE(sound.FindSound(3)->IsCreated());
    const int withUnknown[2] = {1, 9};
    EXPECT_EQ(sound.EnsureSoundsLoaded(withUnknown, 2), 0);
    EXPECT_TRUE(sound.FindSound(1)->IsCreated());
    EXPECT_EQ(sound.EnsureSoundsLoaded(nullptr, 0), 1);
    EXPECT_EQ(sound.ReleaseSound(1), 1);
    EXPECT_EQ(sound.FindSound(1)->GetID(), 1);  // the entry stays
}

TEST_F(SoundManagerTest, CreatedAppBuffersTakeTheFirstFreeId) {
    Init();
    EXPECT_EQ(sound.NextFreeId(), 1);
    SDXSoundBuffer* first = sound.CreateAppBuffer(Sound("a.wav", 10).c_str(), 0xE2);
    SDXSoundBuffer* second = sound.CreateAppBuffer(Sound("b.wav", 10).c_str(), 0xE2);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->GetID(), 1);
    EXPECT_EQ(second->GetID(), 2);
    EXPECT_EQ(sound.RemoveAppBuffer(first), 1);
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(sound.NextFreeId(), 1);
    EXPECT_EQ(sound.CreateAppBuffer((folder + "/none.wav").c_str(), 0xE2), nullptr);
    SDXSoundBuffer* stranger = nullptr;
    EXPECT_EQ(sound.RemoveAppBuffer(stranger), 0);
}

TEST_F(SoundManagerTest, AppSoundsAreOrderedByPriority) {
    Init();
    auto* low = new SDXSoundBuffer;
    low->SetPriority(5);
    auto* high = new SDXSoundBuffer;
    high->SetPriority(30);
    auto* middle = new SDXSoundBuffer;
    middle->SetPriority(20);
    sound.InsertAppSound(high);
    sound.InsertAppSound(low);
    sound.InsertAppSound(middle);
    EXPECT_EQ(sound.InsertAppSound(nullptr), 0);
    ASSERT_EQ(sound.GetAppSounds().size(), 3u);
    EXPECT_EQ(sound.GetAppSounds()[0], low);
    EXPECT_EQ(sound.GetAppSounds()[1], middle);
    EXPECT_EQ(sound.GetAppSounds()[2], high);
}

TEST_F(SoundManagerTest, PlaySoundSetsVolumeAndPanAndRewinds) {
    Init();
    const int id = sound.LoadSound(Sound("music.wav", 22050).c_str());
    sound.EnsureSoundLoaded(id);
    EXPECT_EQ(sound.GetSoundDurationMs(id), 1000u);
    ASSERT_EQ(sound.PlaySound(id, DSBPLAY_LOOPING, true, -1200, 3000), 1);
    EXPECT_TRUE(sound.IsSoundPlaying(id));
    int32_t volume = 0;
    int32_t pan = 0;
    sound.FindSound(id)->GetVolume(&volume);
    sound.FindSound(id)->GetPan(&pan);
    EXPECT_EQ(volume, -1200);
    EXPECT_EQ(pan, 3000);
    sys::time::AdvanceFake(100);
    EXPECT_EQ(sound.PlaySound(id, 0, true, 0, 0), 1);
    uint32_t position = 99;
    sound.FindSound(id)->GetPlayPosition(&position);
    EXPECT_EQ(position, 0u);
    EXPECT_EQ(sound.StopSound(id), 1);
    EXPECT_FALSE(sound.IsSoundPlaying(id));
    EXPECT_EQ(sound.PlaySound(42, 0, true, 0, 0), 0);
    SDXSoundBuffer outsider;
    EXPECT_EQ(sound.PlayBuffer(&outsider, 0, false), 0);
}

// --- Game sounds -------------------------------------------------------------------------------

TEST_F(SoundManagerTest, TheFifthPlayingRequestRewindsTheCopyThatPlayedFurthest) {
    Init();
    const std::string gun = Sound("gun.wav", 22050);
    std::vector<SDXSoundBuffer*> copies;
    for (int i = 0; i < 4; ++i) {
        SDXSoundBuffer* buffer = sound.GetGameSound(gun.c_str(), false);
        ASSERT_NE(buffer, nullptr);
        buffer->Play(0);
        copies.push_back(buffer);
        sys::time::AdvanceFake(100);
    }
    EXPECT_EQ(sound.GetGameSounds().size(), 4u);
    EXPECT_FALSE(copies[0]->IsDuplicate());
    EXPECT_TRUE(copies[1]->IsDuplicate());
    g_released.clear();
    SDXSoundBuffer* fifth = sound.GetGameSound(gun.c_str(), false);
    EXPECT_EQ(fifth, copies[0]);
    uint32_t position = 99;
    fifth->GetPlayPosition(&position);
    EXPECT_EQ(position, 0u);
    EXPECT_EQ(g_released, std::vector<SDXSoundBuffer*>{copies[0]});  // its earlier holder is told
}

TEST_F(SoundManagerTest, LoopingCopiesAreNeverRewound) {
    Init();
    const std::string engine = Sound("engine.wav", 22050);
    for (int i = 0; i < 4; ++i) {
        SDXSoundBuffer* buffer = sound.GetGameSound(engine.c_str(), false);
        ASSERT_NE(buffer, nullptr);
        buffer->Play(DSBPLAY_LOOPING);
    }
    EXPECT_EQ(sound.GetGameSound(engine.c_str(), false), nullptr);
}

TEST_F(SoundManagerTest, ASilentCopyIsHandedOutBeforeANewOne) {
    settings.m_iMaxSameBuffers = 2;
    Init();
    const std::string step = Sound("step.wav", 22050);
    SDXSoundBuffer* a = sound.GetGameSound(step.c_str(), false);
    a->Play(0);
    SDXSoundBuffer* b = sound.GetGameSound(step.c_str(), false);
    ASSERT_NE(b, a);
    b->Play(0);
    a->Stop();
    b->Stop();
    EXPECT_EQ(sound.GetGameSound(step.c_str(), false), a);
    EXPECT_EQ(sound.GetGameSounds().size(), 2u);
    EXPECT_EQ(sound.GetGameSound((folder + "/none.wav").c_str(), false), nullptr);
}

TEST_F(SoundManagerTest, ThreeDRequestsFallBackToPlainBuffers) {
    Init();  // 3D off
    SDXSoundBuffer* buffer = sound.GetGameSound(Sound("shot.wav", 100).c_str(), true);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->GetKind(), 2);
    EXPECT_TRUE(sound.Get3DSounds().empty());
}

TEST_F(SoundManagerTest, ThreeDRequestsMakeThreeDBuffersAndReuseThePool) {
    settings.m_b3DEnabled = 1;
    Init();
    const std::string shot = Sound("shot.wav", 100);
    WaveSpec stereo = RampWave(100);
    stereo.channels = 2;
    const std::string wide = Write("wide.wav", stereo);
    SDXSoundBuffer* buffer = sound.GetGameSound(shot.c_str(), true);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->GetKind(), 3);
    EXPECT_EQ(sound.Get3DSounds().size(), 1u);
    // A stereo sound cannot be placed: it comes as a plain buffer.
    SDXSoundBuffer* plain = sound.GetGameSound(wide.c_str(), true);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->GetKind(), 2);

    for (int i = 0; i < 7; ++i) {
        SDXSoundBuffer* more = sound.GetGameSound(Sound("s" + std::to_string(i) + ".wav", 100).c_str(), true);
        ASSERT_NE(more, nullptr);
        more->Play(DSBPLAY_LOOPING);
    }
    EXPECT_EQ(sound.Get3DSounds().size(), 8u);
    g_released.clear();
    // The pool is full: the first silent 3D buffer becomes the new sound.
    SDXSoundBuffer* reused = sound.GetGameSound(Sound("new.wav", 100).c_str(), true);
    EXPECT_EQ(reused, buffer);
    EXPECT_EQ(sound.Get3DSounds().size(), 8u);
    EXPECT_EQ(g_released, std::vector<SDXSoundBuffer*>{buffer});
    EXPECT_STREQ(reused->GetKey().GetString(), SSound::MakeSoundKey((folder + "/new.wav").c_str()).GetString());
}

TEST_F(SoundManagerTest, GameSoundsByIndexCountFromOne) {
    Init();
    names.SetOrAppend("first", Sound("one.wav", 10).c_str(), 0);
    EXPECT_EQ(sound.GetGameSoundByIndex(0, false), nullptr);
    EXPECT_EQ(sound.GetGameSoundByIndex(2, false), nullptr);
    SDXSoundBuffer* buffer = sound.GetGameSoundByIndex(1, false);
    ASSERT_NE(buffer, nullptr);
    EXPECT_STREQ(buffer->GetKey().GetString(), SSound::MakeSoundKey((folder + "/one.wav").c_str()).GetString());
}

TEST_F(SoundManagerTest, StopGameSoundStopsAndRewinds) {
    Init();
    const std::string hum = Sound("hum.wav", 22050);
    SDXSoundBuffer* buffer = sound.GetGameSound(hum.c_str(), false);
    buffer->Play(0);
    sys::time::AdvanceFake(50);
    EXPECT_EQ(sound.StopGameSound(hum.c_str()), 1);
    EXPECT_FALSE(buffer->IsPlaying());
    uint32_t position = 1;
    buffer->GetPlayPosition(&position);
    EXPECT_EQ(position, 0u);
}

TEST_F(SoundManagerTest, StatisticsListEveryBuffer) {
    Init();
    const int a = sound.LoadSound(Sound("a.wav", 2048).c_str());  // 4 k
    sound.LoadSound(Sound("b.wav", 1024).c_str());                // 2 k, not loaded
    sound.EnsureSoundLoaded(a);
    const std::string gun = Sound("gun.wav", 1536);  // 3 k
    SDXSoundBuffer* first = sound.GetGameSound(gun.c_str(), false);
    first->Play(DSBPLAY_LOOPING);
    SDXSoundBuffer* second = sound.GetGameSound(gun.c_str(), false);
    second->SetPriority(0);
    char text[4096];
    sound.GetStatistics(text, sizeof text);
    EXPECT_STREQ(text,
                 "Total Buffers: 4 [7 k]  App Buffers: 2 [4 k] (not loaded [2 k])\n"
                 "Game Buffers: 2 [3 k]  ( 3D: 0 [0 k] )\n"
                 "  gun [3 k] [X]\n"
                 "  gun [Dup] [  ] *\n");
    char small[11];
    std::memset(small, '#', sizeof small);
    sound.GetStatistics(small, 10);
    EXPECT_STREQ(small, "Total Buf");
    EXPECT_EQ(small[10], '#');
}

// --- Listener cadence and idle purge -----------------------------------------------------------

class SoundCadenceTest : public SoundManagerTest {
protected:
    // A 3D sound at the origin, heard from a listener that moves (deferred) 2 m to its left.
    void StartHum() {
        settings.m_b3DEnabled = 1;
        Init();
        WaveSpec spec;
        spec.data = Samples16(std::vector<int16_t>(64, 10000));
        SDXSoundBuffer* buffer = sound.GetGameSound(Write("hum.wav", spec).c_str(), true);
        ASSERT_NE(buffer, nullptr);
        buffer->Play(DSBPLAY_LOOPING);
    }

    // True once the listener's move has been committed (the sound is then on the right).
    bool Moved() {
        headless::TakeMixed();
        sys::time::AdvanceFake(1);
        const std::vector<int16_t> out = headless::TakeMixed();
        return out.at(0) < out.at(1);
    }
};

TEST_F(SoundCadenceTest, FullResolutionCommitsEveryFrame) {
    settings.m_i3DResolution = 100;
    StartHum();
    sound.Update();
    sound.SetListenerPosition(SVector(-2.0f, 0.0f, 0.0f));
    EXPECT_FALSE(Moved());
    sound.Update();
    EXPECT_TRUE(Moved());
}

TEST_F(SoundCadenceTest, ResolutionZeroCommitsEveryHalfSecond) {
    settings.m_i3DResolution = 0;
    StartHum();
    sound.Update();  // due at once after Initialize; the next one 500 ms later
    sound.SetListenerPosition(SVector(-2.0f, 0.0f, 0.0f));
    sys::time::AdvanceFake(490);
    sound.Update();  // 490 ms
    EXPECT_FALSE(Moved());
    sys::time::AdvanceFake(8);
    sound.Update();  // 499 ms
    EXPECT_FALSE(Moved());
    sound.Update();  // 500 ms
    EXPECT_TRUE(Moved());
}

TEST_F(SoundCadenceTest, TheCadenceSurvivesTheTickCountWrapping) {
    sys::time::SetFakeTicks(0xFFFFFF00u);
    settings.m_i3DResolution = 0;
    StartHum();
    sound.Update();  // next commit at 0xFFFFFF00 + 500, past the wrap
    sound.SetListenerPosition(SVector(-2.0f, 0.0f, 0.0f));
    sys::time::AdvanceFake(100);
    sound.Update();
    EXPECT_FALSE(Moved());
    sys::time::AdvanceFake(400);
    sound.Update();
    EXPECT_TRUE(Moved());
}

TEST_F(SoundManagerTest, IdleBuffersArePurgedAfterTheIdleTime) {
    settings.m_iIdleRemoveTime = 2;
    Init();
    SDXSoundBuffer* buffer = sound.GetGameSound(Sound("idle.wav", 100).c_str(), false);
    ASSERT_NE(buffer, nullptr);
    sys::time::AdvanceFake(2000);
    sound.Update();
    EXPECT_EQ(sound.GetGameSounds().size(), 1u);
    sys::time::AdvanceFake(1);
    sound.Update();
    EXPECT_TRUE(sound.GetGameSounds().empty());
    EXPECT_EQ(g_released, std::vector<SDXSoundBuffer*>{buffer});
}

TEST_F(SoundManagerTest, NoIdleTimeOrPriorityZeroKeepsBuffers) {
    Init();  // idle time 0: never
    sound.GetGameSound(Sound("a.wav", 100).c_str(), false);
    sys::time::AdvanceFake(3600 * 1000);
    sound.Update();
    EXPECT_EQ(sound.GetGameSounds().size(), 1u);

    settings.m_iIdleRemoveTime = 1;
    sound.Initialize(nullptr, &settings, nullptr);
    sound.GetGameSounds()[0]->SetPriority(0);
    sys::time::AdvanceFake(5000);
    sound.Update();
    EXPECT_EQ(sound.GetGameSounds().size(), 1u);
}

TEST_F(SoundManagerTest, ABufferHandedOutAgainCountsAsUsedThen) {
    settings.m_iIdleRemoveTime = 2;
    Init();
    const std::string path = Sound("again.wav", 100);
    SDXSoundBuffer* buffer = sound.GetGameSound(path.c_str(), false);
    sys::time::AdvanceFake(1900);
    g_released.clear();
    EXPECT_EQ(sound.GetGameSound(path.c_str(), false), buffer);
    EXPECT_EQ(g_released, std::vector<SDXSoundBuffer*>{buffer});
    sys::time::AdvanceFake(200);  // 2100 ms after creation, 200 ms after the hand-out
    sound.Update();
    ASSERT_EQ(sound.GetGameSounds().size(), 1u);
    EXPECT_EQ(sound.GetGameSounds()[0], buffer);
}

TEST_F(SoundManagerTest, WhenASourceIsPurgedItsFirstDuplicateTakesOver) {
    settings.m_iIdleRemoveTime = 1;
    Init();
    const std::string path = Sound("src.wav", 22050);
    SDXSoundBuffer* source = sound.GetGameSound(path.c_str(), false);
    source->Play(0);
    SDXSoundBuffer* duplicate = sound.GetGameSound(path.c_str(), false);
    ASSERT_TRUE(duplicate->IsDuplicate());
    source->Stop();
    duplicate->Play(DSBPLAY_LOOPING);
    sys::time::AdvanceFake(1500);
    sound.Update();
    ASSERT_EQ(sound.GetGameSounds().size(), 1u);
    EXPECT_EQ(sound.GetGameSounds()[0], duplicate);
    EXPECT_FALSE(duplicate->IsDuplicate());
    EXPECT_TRUE(duplicate->IsPlaying());  // the shared memory outlived its first buffer
}

TEST_F(SoundManagerTest, ReleasingGameSoundsEmptiesBothLists) {
    settings.m_b3DEnabled = 1;
    Init();
    const int32_t count = SDXSoundBuffer::s_nBufferCount;
    ASSERT_NE(sound.GetGameSound(Sound("a.wav", 10).c_str(), true), nullptr);
    ASSERT_NE(sound.GetGameSound(Sound("b.wav", 10).c_str(), false), nullptr);
    EXPECT_EQ(sound.Get3DSounds().size(), 1u);
    sound.ReleaseGameSounds();
    EXPECT_TRUE(sound.GetGameSounds().empty());
    EXPECT_TRUE(sound.Get3DSounds().empty());
    EXPECT_EQ(SDXSoundBuffer::s_nBufferCount, count);
    const std::string again = Sound("c.wav", 10);
    EXPECT_NE(sound.GetGameSound(again.c_str(), false), nullptr);
}

}  // namespace
