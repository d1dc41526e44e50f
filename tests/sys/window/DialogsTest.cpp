#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "sys/signals.h"
#include "sys/window/dialogs.h"
#include "sys/window/headless/headless_dialogs.h"
#include "sys/window/sdl/sdl_dialogs.h"

// Message boxes on the headless backend: their buttons, default and escape answers, the
// script of answers and the record of what was shown; and the Sdl box of a closing game.
namespace {

using namespace sys;

class DialogsTest : public testing::Test {
protected:
    void SetUp() override { dialogs::headless::Reset(); }
    void TearDown() override { dialogs::headless::Reset(); }
};

TEST_F(DialogsTest, ButtonsOfEachKindLeftToRight) {
    EXPECT_EQ(dialogs::ButtonsOf(MB_OK), (std::vector<int>{IDOK}));
    EXPECT_EQ(dialogs::ButtonsOf(MB_OKCANCEL), (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_EQ(dialogs::ButtonsOf(MB_YESNOCANCEL), (std::vector<int>{IDYES, IDNO, IDCANCEL}));
    EXPECT_EQ(dialogs::ButtonsOf(MB_YESNO | MB_ICONQUESTION), (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(dialogs::ButtonsOf(MB_OK | MB_ICONINFORMATION), (std::vector<int>{IDOK}));
    // Kinds the program never asks for are shown with OK alone.
    EXPECT_EQ(dialogs::ButtonsOf(0x2), (std::vector<int>{IDOK}));
}

TEST_F(DialogsTest, WithoutAScriptTheDefaultButtonAnswers) {
    EXPECT_EQ(dialogs::MessageBox("File load failed", "Tarvex", MB_OK), IDOK);
    EXPECT_EQ(dialogs::MessageBox("Change screen mode?", "Tarvex", MB_OKCANCEL), IDOK);
    EXPECT_EQ(dialogs::MessageBox("Really delete this score?", "Tarvex", MB_YESNO), IDYES);
    EXPECT_EQ(dialogs::MessageBox("Save?", "Tarvex", MB_YESNOCANCEL), IDYES);
    EXPECT_EQ(dialogs::MessageBox("Save?", "Tarvex", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(dialogs::MessageBox("Sure?", "Tarvex", MB_YESNO | MB_DEFBUTTON2), IDNO);
    // A default beyond the buttons falls back to the first.
    EXPECT_EQ(dialogs::MessageBox("Sure?", "Tarvex", MB_OKCANCEL | MB_DEFBUTTON3), IDOK);
}

TEST_F(DialogsTest, EscapeChoosesCancelOrTheOnlyButton) {
    EXPECT_EQ(dialogs::EscapeAnswer(MB_OK), IDOK);
    EXPECT_EQ(dialogs::EscapeAnswer(MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(dialogs::EscapeAnswer(MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(dialogs::EscapeAnswer(MB_YESNO), IDYES);
    EXPECT_EQ(dialogs::EscapeAnswer(MB_YESNO | MB_DEFBUTTON2), IDNO);
}

TEST_F(DialogsTest, ScriptedAnswersAreTakenInOrderThenDefaultsAgain) {
    dialogs::headless::ScriptAnswer(IDNO);
    dialogs::headless::ScriptAnswer(IDCANCEL);
    EXPECT_EQ(dialogs::headless::ScriptedAnswersLeft(), 2u);
    EXPECT_EQ(dialogs::MessageBox("first", "Tarvex", MB_YESNO), IDNO);
    EXPECT_EQ(dialogs::MessageBox("second", "Tarvex", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(dialogs::headless::ScriptedAnswersLeft(), 0u);
    EXPECT_EQ(dialogs::MessageBox("third", "Tarvex", MB_YESNO), IDYES);
}

TEST_F(DialogsTest, EveryBoxIsRecordedWithWhatItAnswered) {
    dialogs::headless::ScriptAnswer(IDNO);
    dialogs::MessageBox("You've already passed this assignment are you sure you want to \tenter it again?", "Tarvex",
                        MB_YESNO | MB_ICONQUESTION);
    dialogs::MessageBox("Failed to load game DLL!\nVQ9Game.dll", "Tarvex", MB_OK | MB_ICONHAND);
    const std::vector<dialogs::headless::MessageBoxRecord> shown = dialogs::headless::Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "You've already passed this assignment are you sure you want to \tenter it again?");
    EXPECT_EQ(shown[0].caption, "Tarvex");
    EXPECT_EQ(shown[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(shown[0].buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(shown[0].answer, IDNO);
    EXPECT_EQ(shown[1].text, "Failed to load game DLL!\nVQ9Game.dll");
    EXPECT_EQ(shown[1].buttons, (std::vector<int>{IDOK}));
    EXPECT_EQ(shown[1].answer, IDOK);
}

TEST_F(DialogsTest, ResetForgetsRecordsAndScript) {
    dialogs::headless::ScriptAnswer(IDNO);
    dialogs::MessageBox("a", "b", MB_OK);
    dialogs::headless::ScriptAnswer(IDNO);
    dialogs::headless::Reset();
    EXPECT_TRUE(dialogs::headless::Shown().empty());
    EXPECT_EQ(dialogs::MessageBox("c", "d", MB_YESNO), IDYES);
}

TEST_F(DialogsTest, TabsShowAsBlanksToTheNextEighthColumn) {
    const struct {
        const char* text;
        const char* shown;
    } cases[] = {
        {"a\tb", "a       b"},
        {"\tset gfx_software", "        set gfx_software"},
        {"abcdefgh\tx", "abcdefgh        x"},
        {"line.\n\t\tPress OK", "line.\n                Press OK"},
        {"no tabs", "no tabs"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sys::dialogs::ExpandTabs(c.text), c.shown) << c.text;
    }
    // The headless record keeps the text as the program gave it.
    sys::dialogs::MessageBox("a\tb", "T", sys::MB_OK);
    EXPECT_EQ(sys::dialogs::headless::Shown().back().text, "a\tb");
}

// A box of the shut-down after SIGTERM (a save that failed) keeps nobody waiting for a click,
// whether the message pump has taken the request already or not: it answers as Escape does,
// and a request not yet taken stays for the pump. Without a display a box that did open would fail at once
// with the default answer, OK, rather than wait.
TEST_F(DialogsTest, AnSdlBoxOpenedAfterATerminationSignalEndsWithoutAnAnswer) {
    std::vector<std::pair<const char*, std::string>> displays;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        if (const char* value = std::getenv(name))
            displays.emplace_back(name, value);
        unsetenv(name);
    }
    sys::signals::InstallCloseHandler();
    // The taken request first: a box that sees a pending one marks the game closing itself.
    for (const bool taken : {true, false}) {
        std::raise(SIGTERM);
        EXPECT_TRUE(!taken || sys::signals::TakeCloseRequest());
        EXPECT_EQ(dialogs::sdl::ShowMessageBox("Could not save", "Tarvex", MB_OKCANCEL), IDCANCEL) << taken;
        EXPECT_EQ(sys::signals::TakeCloseRequest(), !taken);
    }
    // The handler's dispositions outlive the test: the tests after it get the defaults back.
    for (const int which : {SIGTERM, SIGINT, SIGHUP, SIGPIPE})
        std::signal(which, SIG_DFL);
    for (const auto& [name, value] : displays)
        setenv(name, value.c_str(), 1);
}

}  // namespace
