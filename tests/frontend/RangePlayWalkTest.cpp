// The target range played as a player plays it, headless on a copy of the demo Home folder with
// the fake clock: the mouse turns the view and its button fires, a click in the console fires
// nothing, the heads-up display and the weapon show over the range, the shot and its hit on the
// board are heard, Escape shows the session's results and Escape again returns to the scenario
// page, where the menus are heard again, and the history page reports the shot.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/SClientInfo.h"
#include "app/SCommandDialog.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SMsgHandler.h"
#include "app/actors/SActor.h"
#include "core/SDataCollection.h"
#include "dx/sound/SWave.h"
#include "frontend/screens/SGameScreen.h"
#include "frontend/screens/SHistoryScreen.h"
#include "sys/audio/headless/headless_audio.h"
#include "sys/input/headless/headless_input.h"
#include "sys/input/input.h"
#include "sys/video/headless/headless_video.h"
#include "sys/window/headless/headless_window.h"
#include "tests/frontend/WalkTestSupport.h"
#include "tests/support/ReferenceImage.h"

namespace {

using tarvex::test::ScriptedApp;
using tarvex::test::Step;

SGameDLL* Library() { return SGameObjects::Instance()->m_pGameDLL; }
SClientInfo* Client() { return SGameObjects::Instance()->m_pGameItems->m_pClientInfo; }

float Yaw() {
    const SActor* eyes = Client() != nullptr ? Client()->m_pEyes : nullptr;
    return eyes != nullptr ? eyes->m_vOrientation.y : -1.0f;
}

std::string Value(int entry) { return Client()->m_pValues->GetValue(entry).GetString(); }

std::string Tally(const char* name) {
    const char* value = Library()->GetProperty(name);
    return value != nullptr ? value : "(none)";
}

// The sound mixed since the last look, both channels added.
std::vector<double> Mixed() {
    sys::audio::headless::MixToNow();
    const std::vector<int16_t> stereo = sys::audio::headless::TakeMixed();
    std::vector<double> mono(stereo.size() / 2);
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = static_cast<double>(stereo[2 * i]) + stereo[2 * i + 1];
    return mono;
}

// The loudest sample of one channel mixed since the last look.
int Peak(const std::vector<double>& mixed = Mixed()) {
    double peak = 0.0;
    for (double sample : mixed)
        peak = std::max(peak, std::abs(sample) / 2.0);
    return static_cast<int>(peak);
}

// The samples of a mono 16-bit wave file, at the mix's rate.
std::vector<double> Wave(const std::filesystem::path& file) {
    SWave wave;
    sys::audio::WAVEFORMATEX* format = nullptr;
    if (wave.OpenFromFile(file.string().c_str(), true) == 0 || (wave.GetFormat(&format), format == nullptr))
        return {};
    std::vector<int16_t> samples(wave.GetDataSize() / 2);
    wave.GetData(samples.data(), static_cast<uint32_t>(samples.size() * 2));
    const uint32_t rate = format->nSamplesPerSec;
    const uint32_t mixRate = sys::audio::headless::MixRate();
    if (rate == 0 || mixRate == 0 || samples.size() < 2)
        return {};
    std::vector<double> resampled(samples.size() * mixRate / rate);
    for (size_t i = 0; i < resampled.size(); ++i) {
        const double at = static_cast<double>(i) * rate / mixRate;
        const size_t k = std::min(static_cast<size_t>(at), samples.size() - 2);
        resampled[i] = samples[k] + (samples[k + 1] - samples[k]) * (at - static_cast<double>(k));
    }
    return resampled;
}

// How closely some stretch of the mix follows the sound: the best normalised correlation of the
// two, 1 for the sound alone, near 0 where it is not heard.
double Likeness(const std::vector<double>& mixed, const std::vector<double>& sound) {
    double energy = 0.0;
    for (double s : sound)
        energy += s * s;
    double best = 0.0;
    for (size_t lag = 0; lag + sound.size() <= mixed.size(); ++lag) {
        double product = 0.0;
        double local = 0.0;
        for (size_t i = 0; i < sound.size(); ++i) {
            product += mixed[lag + i] * sound[i];
            local += mixed[lag + i] * mixed[lag + i];
        }
        if (local > 0.0 && energy > 0.0)
            best = std::max(best, product / std::sqrt(local * energy));
    }
    return best;
}

class RangePlayWalkTest : public tarvex::test::DemoWalkTest {
protected:
    static Step Wait(int frames) {
        auto left = std::make_shared<int>(frames);
        return [left] { return --*left <= 0; };
    }
    static Step Do(std::function<void()> action) {
        return [action] {
            action();
            return true;
        };
    }
};

TEST_F(RangePlayWalkTest, TheMouseAimsAndFiresAndEscapeShowsTheResultsBeforeTheScenarioPage) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        namespace input = sys::input::headless;
        const auto playing = [] {
            return Manager()->GetCurrentId() == 11 && Library() != nullptr && Library()->GetState() == 7;
        };
        float yaw = 0.0f;
        tarvex::test::Image frame;
        tarvex::test::Image results;
        int quiet = 0;
        int shot = 0;
        int menus = 0;
        // A round into a board: the shot and the board's knock are both heard over the loop.
        struct Heard {
            const char* file;
            double least;
            double likeness = 0.0;
        } heard[] = {{"shot.wav", 0.6}, {"hit.wav", 0.6}};
        app.m_steps = {
            Reached(0), Click(10), Reached(1),
            Do([] { Manager()->GetCurrentScreen()->GetLayout()->FindChild(200)->SetText("Aimer"); }), Click(111),
            Reached(3), Click(10), Reached(4), Click(111), playing, Wait(10),
            Do([] { EXPECT_TRUE(input::MouseExclusive()) << "the range takes the mouse for aiming"; }),
            // The heads-up display reads the rounds, the time and the score the library keeps.
            Do([] {
                EXPECT_EQ(Value(10), "15");
                EXPECT_EQ(Value(11), "2:30");
                EXPECT_EQ(Value(12), "0");
            }),
            Do([&] {
                const auto& last = sys::video::headless::LastFrame();
                frame = tarvex::test::Image{last.width, last.height, last.pixels};
                yaw = Yaw();
                input::MoveMouse(40, 0);
            }),
            Wait(5), Do([&] {
                EXPECT_GT(Yaw(), yaw + 1.0f) << "moving the mouse right turns the view right";
                input::MoveMouse(-40, 0);
            }),
            Wait(5), Do([&] { EXPECT_NEAR(std::remainder(Yaw() - yaw, 360.0f), 0.0f, 0.01f); }),
            // F2, a click on the console's output and F2 again: the device hears the click at
            // once, the console when it takes its messages; no round is fired once it closes.
            Do([] {
                namespace window = sys::window::headless;
                sys::POINT pointer{};
                sys::window::GetCursorPos(pointer);
                sys::window::ScreenToClient(sys::window::GetMainWindow(), pointer);
                window::InjectKey(sys::VK_F2, 0x3C, true);
                window::InjectKey(sys::VK_F2, 0x3C, false);
                window::InjectMouseMove(320, 120);
                window::InjectMouseButton(0, true);
                input::MouseButton(0, true);
                window::InjectMouseButton(0, false);
                input::MouseButton(0, false);
                window::InjectKey(sys::VK_F2, 0x3C, true);
                window::InjectKey(sys::VK_F2, 0x3C, false);
                window::InjectMouseMove(pointer.x, pointer.y);
            }),
            Wait(5), Do([&] {
                const SCommandDialog* console = app.GetMsgHandler()->GetConsole();
                EXPECT_TRUE(console != nullptr && console->GetResult() == 1) << "F2 opened the console and closed it";
                EXPECT_EQ(Tally("Shots"), "0");
                EXPECT_TRUE(input::MouseExclusive()) << "the range has the mouse back for aiming";
                Peak();
            }),
            Wait(10), Do([&] {
                quiet = Peak();  // the range's loop alone
                input::MouseButton(0, true);
            }),
            Do([] { input::MouseButton(0, false); }), Wait(12),
            Do([&] {
                const std::vector<double> mixed = Mixed();
                shot = Peak(mixed);
                for (Heard& sound : heard)
                    sound.likeness = Likeness(mixed, Wave(Home() / "Sounds" / "Range" / sound.file));
                EXPECT_EQ(Tally("Shots"), "1");
                EXPECT_EQ(Tally("Hits"), "1");
                EXPECT_EQ(Value(10), "14");
                EXPECT_EQ(Value(12), "6");  // one of the fifteen rounds hit
                input::SetKey(sys::input::DIK_ESCAPE, true);
            }),
            Do([] { input::SetKey(sys::input::DIK_ESCAPE, false); }), Wait(3),
            Do([&] {
                const auto& last = sys::video::headless::LastFrame();
                results = tarvex::test::Image{last.width, last.height, last.pixels};
                auto* screen = dynamic_cast<SGameScreen*>(Manager()->GetCurrentScreen());
                ASSERT_NE(screen, nullptr) << "the results are shown on the range";
                EXPECT_EQ(Library()->GetState(), 11);
                EXPECT_EQ(screen->GetPassiveLayouts().size(), 1u);
                EXPECT_EQ(Value(20), "9mm Pistol fired: 1");
                EXPECT_EQ(Value(21), "9mm Pistol hits: 1");
                EXPECT_FALSE(input::MouseExclusive()) << "the results give the pointer back";
                input::SetKey(sys::input::DIK_ESCAPE, true);
            }),
            Do([] { input::SetKey(sys::input::DIK_ESCAPE, false); }), Reached(4),
            Do([] { Peak(); }), Click(222), Wait(5), Do([&] { menus = Peak(); }), Reached(3), Click(20), Reached(5),
            Do([] {
                CString labels;
                if (SWindow* item = Manager()->GetCurrentScreen()->GetLayout()->FindChild(SHistoryScreen::kLabelText))
                    item->GetText(labels);
                EXPECT_EQ(std::string(labels.GetString()).rfind("9mm Pistol fired: \n9mm Pistol hits: \n", 0), 0u);
                CString numbers;
                if (SWindow* item = Manager()->GetCurrentScreen()->GetLayout()->FindChild(SHistoryScreen::kValueText))
                    item->GetText(numbers);
                // The first two lines, fired and hits, each end in 1.
                const std::string text = numbers.GetString();
                const size_t second = text.find('\n') + 1;
                EXPECT_EQ(text.substr(0, second), text.substr(0, second - 2) + "1\n") << text;
                EXPECT_EQ(text.substr(second, text.find('\n', second) - second).back(), '1') << text;
            }),
            Click(SHistoryScreen::kBackCommand), Reached(3), Click(222), Reached(2), Click(222), Reached(0), Click(60),
        };
        std::filesystem::remove(Home() / "player.cfg");
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.Run(), 0);

        EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
        EXPECT_EQ(app.m_next, app.m_steps.size());
        // The range's loop is soft; the shot stands well out of it.
        EXPECT_GT(shot, 2 * quiet + 2000) << "quiet " << quiet;
        for (const Heard& sound : heard)
            EXPECT_GT(sound.likeness, sound.least) << sound.file;
        EXPECT_GT(menus, 0) << "the menus' sounds are heard after the session";
        // The crosshair, the panel's values and the pistol over the range.
        EXPECT_TRUE(tarvex::test::MatchesReference(frame, "frontend/range_frame.png", 4, 600));
        // The session's report over the range, the pointer back to leave it.
        EXPECT_TRUE(tarvex::test::MatchesReference(results, "frontend/range_results.png", 4, 600));
    });
}

}  // namespace
