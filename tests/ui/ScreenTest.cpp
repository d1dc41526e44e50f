// Screens: sound indices after loading, interface sounds for clicks by the id rules, focus
// movement among tab stops, the background or its blue frame, packing, and what unloading
// leaves alone.

#include <memory>

#include "core/SCatalog.h"
#include "core/SResourceFactory.h"
#include "dx/sound/SDXSound.h"
#include "dx/sound/SDXSoundBuffer.h"
#include "sys/audio/headless/headless_audio.h"
#include "tests/dx/sound/WaveWriter.h"
#include "tests/support/ScratchFolder.h"
#include "tests/ui/WindowTestSupport.h"
#include "ui/SScreen.h"

using namespace windowtest;

namespace {

class CountedBuffer : public SDXSoundBuffer {
public:
    CountedBuffer(SDXSound* owner, const char* file) : SDXSoundBuffer(owner, file, true, kDefaultFlags) { ++s_live; }
    ~CountedBuffer() override { --s_live; }
    static inline int s_live = 0;
};

class ScreenTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        SResourceFactory::RegisterKind<TestImage>(kKindImage);
        folder = tarvex::test::MakeScratchFolder("screens");
    }
    void TearDown() override {
        SResourceFactory::RegisterKind(kKindImage, nullptr);
        sys::audio::headless::Reset();
        WindowTest::TearDown();
    }
    // A screen whose names are n image files.
    int LoadedWith(SScreen& screen, int n) {
        for (int i = 0; i < n; ++i) {
            const std::string name = "e" + std::to_string(i) + ".bmp";
            WriteImageFile(folder + "/" + name, 10, 10);
            screen.AddResourceName(name.c_str());
        }
        return screen.LoadFromFile(folder.c_str(), 0);
    }
    std::string folder;
};

TEST_F(ScreenTest, SoundIndicesFollowTheNumberOfLoadedEntries) {
    SScreen one, three, six, seven;
    ASSERT_TRUE(LoadedWith(one, 1));
    EXPECT_EQ(one.GetBackgroundIndex(), 0);
    EXPECT_EQ(one.GetClickSoundIndex(), -1);
    for (SScreen* screen : {&three, &six}) {
        ASSERT_TRUE(LoadedWith(*screen, screen == &three ? 3 : 6));
        EXPECT_EQ(screen->GetClickSoundIndex(), 1);
        EXPECT_EQ(screen->GetMouseOverSoundIndex(), 2);
        EXPECT_EQ(screen->GetButtonSoundIndex(), -1);
    }
    ASSERT_TRUE(LoadedWith(seven, 7));
    EXPECT_EQ(seven.GetButtonSoundIndex(), 2);
    EXPECT_EQ(seven.GetOpenSoundIndex(), 3);
    EXPECT_EQ(seven.GetCloseSoundIndex(), 4);
    EXPECT_EQ(seven.GetCubeTurnSoundIndex(), 5);
    EXPECT_EQ(seven.GetMouseOverSoundIndex(), 6);
    EXPECT_EQ(seven.GetBackgroundImage(), seven.GetResourceArray()->GetAt(0));
    SScreen none;
    EXPECT_EQ(none.GetBackgroundImage(), nullptr);
}

TEST_F(ScreenTest, ClicksPlayTheSoundOfTheirControlAndGoOnToTheParent) {
    SDXSound device;
    ASSERT_TRUE(device.CreateWithFormat(sys::audio::GUID{}, true, 22050, 16, true));
    const std::string wave = folder + "/s.wav";
    tarvex::test::WriteWave(wave, tarvex::test::RampWave(22050));
    std::vector<std::unique_ptr<CountedBuffer>> sounds;
    for (int i = 0; i < 6; ++i)
        sounds.push_back(std::make_unique<CountedBuffer>(&device, wave.c_str()));
    CountedBuffer& click = *sounds[0];
    CountedBuffer& button = *sounds[1];
    CountedBuffer& cube = *sounds[4];
    LogWindow owner(&log, "O");
    auto* screen = new SScreen;
    screen->SetParent(&owner);
    screen->SetInterfaceSounds(sounds[0].get(), sounds[1].get(), sounds[2].get(), sounds[3].get(), sounds[4].get(),
                               sounds[5].get());
    auto add = [&](uint32_t id, bool sound) {
        auto* child = new SWindow;
        child->Create(nullptr, "", 0, {0, 0, 5, 5}, screen, id, nullptr);
        child->SetSoundFlag(sound);
        return child;
    };
    add(3459, true);
    add(1111, true);
    add(500, true);
    add(501, false);
    add(502, true)->SetNotifyParent(false);
    auto played = [&]() {
        std::vector<bool> playing;
        for (auto& sound : sounds) {
            playing.push_back(sound->IsPlaying());
            sound->Stop();
        }
        return playing;
    };
    click.SetCurrentPosition(2000);
    screen->OnNotify(500, SWindow::kNotifyClick);
    uint32_t position = 1;
    click.GetPlayPosition(&position);
    EXPECT_EQ(position, 0u);  // rewound before playing
    EXPECT_EQ(played(), (std::vector<bool>{true, false, false, false, false, false}));
    screen->OnNotify(3459, SWindow::kNotifyClick);
    EXPECT_TRUE(button.IsPlaying());
    EXPECT_EQ(played(), (std::vector<bool>{false, true, false, false, false, false}));
    screen->OnNotify(1111, SWindow::kNotifyClick);
    EXPECT_TRUE(cube.IsPlaying());
    EXPECT_EQ(played(), (std::vector<bool>{true, false, false, false, true, false}));
    screen->OnNotify(500, SWindow::kNotifyEditKey);
    EXPECT_EQ(played(), (std::vector<bool>{true, false, false, false, false, false}));
    // No sound flag, the no-parent-notify bit, or no direct child of that id: silence.
    for (uint32_t id : {501u, 502u, 999u})
        screen->OnNotify(id, SWindow::kNotifyClick);
    screen->OnNotify(500, 1);
    EXPECT_EQ(played(), std::vector<bool>(6, false));
    EXPECT_EQ(log.size(), 8u);  // every notification reached the parent
    EXPECT_EQ(log.back(), "O:notify500/1");
    screen->PlayOpenSound();
    screen->PlayCloseSound();
    screen->PlayMouseOverSound();
    EXPECT_EQ(played(), (std::vector<bool>{false, false, true, true, false, true}));

    // The sounds are the sound manager's: unloading and deleting the screen leave them alive,
    // although a catalog that holds none of them would have every named entry deleted.
    SCatalog catalog;
    SWindow::SetResourceCatalog(&catalog);
    for (const char* name : {"a", "b", "c", "d", "e", "f", "g"})
        screen->AddResourceName(name);
    screen->Unload();
    EXPECT_EQ(screen->GetClickSoundIndex(), -1);
    screen->SetTwoSounds(&click, &button);
    EXPECT_EQ(screen->GetMouseOverSoundIndex(), 2);
    delete screen;
    EXPECT_EQ(CountedBuffer::s_live, 6);
}

TEST_F(ScreenTest, FocusMovesAmongTabStopsAndWraps) {
    SScreen screen;
    auto add = [&](uint32_t style) {
        auto* child = new SWindow;
        child->Create(nullptr, "", style, {0, 0, 5, 5}, &screen, 0, nullptr);
        return child;
    };
    SWindow* c1 = add(SWindow::kStyleTabStop);
    SWindow* c2 = add(0);
    SWindow* c3 = add(SWindow::kStyleTabStop);
    c1->SetFocus();
    screen.OnNextDlgCtl(true, nullptr);
    EXPECT_EQ(SWindow::GetFocus(), c3);
    screen.OnNextDlgCtl(true, nullptr);
    EXPECT_EQ(SWindow::GetFocus(), c1);
    // What the edit box sends for Tab: the previous tab stop, wrapping from head to tail.
    screen.SendMessage(sys::WM_NEXTDLGCTL, 0, 0);
    EXPECT_EQ(SWindow::GetFocus(), c3);
    screen.SendMessage(sys::WM_NEXTDLGCTL, reinterpret_cast<uintptr_t>(c2), 1);
    EXPECT_EQ(SWindow::GetFocus(), c2);
    c3->SetStyle(0);
    c1->SetFocus();
    screen.OnNextDlgCtl(false, nullptr);
    EXPECT_EQ(SWindow::GetFocus(), c1);  // the only tab stop keeps it
}

TEST_F(ScreenTest, BackgroundFrameAndPacking) {
    SScreen screen;
    screen.CreateScreen(nullptr, "", 0, {0, 0, 640, 480}, nullptr, 0, nullptr);
    RecordingDC dc;
    screen.DrawBackground(&dc);
    ASSERT_EQ(dc.m_calls.size(), 3u);
    EXPECT_EQ(dc.m_calls[0].what, "frame");
    EXPECT_EQ(dc.m_calls[0].rect, (sys::RECT{0, 0, 640, 480}));
    EXPECT_EQ(dc.m_calls[1].rect, (sys::RECT{1, 1, 639, 479}));
    EXPECT_EQ(dc.m_calls[2].what, "rectangle");
    EXPECT_EQ(dc.m_calls[2].rect, (sys::RECT{2, 2, 638, 478}));

    auto* background = new TestImage(320, 240);
    screen.SetBackgroundImage(background);
    EXPECT_EQ(screen.GetWindowRect(), (sys::RECT{0, 0, 320, 240}));
    screen.MoveWindow({320, 0, 640, 240});
    TestImage icon(16, 16);
    auto* child = new SWindow;
    child->SetParent(&screen);
    child->AddResource(&icon, false);
    SWindow::SetPackingRowBottom(99);
    sys::POINT cursor;
    ASSERT_TRUE(screen.PackImages(&dc, 640, 960, cursor));
    sys::RECT rc;
    background->GetRect(&rc);
    EXPECT_EQ(rc, (sys::RECT{320, 0, 640, 240}));
    icon.GetRect(&rc);
    EXPECT_EQ(rc, (sys::RECT{0, 0, 16, 16}));
    EXPECT_EQ(SWindow::GetPackingRowBottom(), 16);

    RecordingDC backdrop;
    dc.m_calls.clear();
    screen.DrawBackground(&dc);
    SWindow::SetGlobalBackdrop(&backdrop);
    screen.DrawBackground(&dc);
    ASSERT_EQ(dc.m_calls.size(), 2u);
    EXPECT_EQ(dc.m_calls[0].what, "image");
    EXPECT_EQ(dc.m_calls[1].what, "from");
    EXPECT_EQ(dc.m_calls[1].pSource, &backdrop);
    EXPECT_EQ(dc.m_calls[1].rect, (sys::RECT{320, 0, 640, 240}));

    auto* other = new TestImage(1, 1);
    EXPECT_EQ(screen.SetBackgroundImage(other), other);  // the old one is deleted here
    EXPECT_EQ(screen.GetBackgroundImage(), other);
    SWindow::SetResourceCatalog(nullptr);
    screen.GetResourceArray()->SetAt(0, nullptr);
    delete other;
}

}  // namespace

namespace {

// A picture the screen read from its own file belongs to the screen: replacing it frees it
// once, and the screen's destruction does not free it again.
TEST_F(ScreenTest, ABackgroundReadFromAFileIsFreedOnceWhenReplaced) {
    auto screen = std::make_unique<SScreen>();
    ASSERT_TRUE(LoadedWith(*screen, 1));
    auto* replacement = new TestImage(2, 2);
    EXPECT_EQ(screen->SetBackgroundImage(replacement), replacement);
    EXPECT_EQ(screen->GetBackgroundImage(), replacement);
    screen.reset();
    delete replacement;  // no catalog: the screen leaves an image it did not make alone
}

}  // namespace
