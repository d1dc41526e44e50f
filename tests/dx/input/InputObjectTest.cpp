// The input object's frame: bindings firing on their edges, the step queue with "wait",
// mouse buttons and smoothing as the bindings see them, the aiming axes with their curves and
// clamps, focus and the input-enabled flag, device creation by the settings.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "InputTestSupport.h"
#include "dx/input/SDXActLabsGS.h"
#include "dx/input/SInputObj.h"

using namespace sys::input;
using tarvex::test::ExecutedLines;
using Lines = std::vector<std::string>;

namespace {

class InputObjectTest : public tarvex::test::InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        input = std::make_unique<SInputObj>([this](const char* text) { executed(text); },
                                            [this](int32_t yaw, int32_t pitch) { axes.push_back({yaw, pitch}); });
    }
    void TearDown() override {
        input.reset();
        InputTest::TearDown();
    }

    void CreateDevices() {
        SInputObjSettings settings = input->GetSettings();
        ASSERT_TRUE(input->Create(settings));
    }

    // Presses or releases a key and runs one frame.
    void Key(int dik, bool down) {
        headless::SetKey(dik, down);
        input->Update();
    }

    std::unique_ptr<SInputObj> input;
    ExecutedLines executed;
    std::vector<std::pair<int32_t, int32_t>> axes;
};

TEST_F(InputObjectTest, AHoldBindingSendsPlusOnceAndMinusOnce) {
    input->AddCommand("forward", "Walk Forward", 1, DIK_W, -1, -1);
    CreateDevices();
    input->Update();
    Key(DIK_W, true);
    input->Update();
    input->Update();
    EXPECT_EQ(executed.Take(), (Lines{"+forward"}));
    EXPECT_TRUE(input->IsCommandActive("forward"));
    Key(DIK_W, false);
    input->Update();
    EXPECT_EQ(executed.Take(), (Lines{"-forward"}));
    EXPECT_FALSE(input->IsCommandActive("forward"));
    EXPECT_FALSE(input->WasCommandActive(0));
}

TEST_F(InputObjectTest, ANameWithItsOwnPlusIsSentAsItIs) {
    input->AddCommand("+attack", "", 1, DIK_SPACE, -1, -1);
    CreateDevices();
    Key(DIK_SPACE, true);
    Key(DIK_SPACE, false);
    EXPECT_EQ(executed.Take(), (Lines{"+attack", "-attack"}));
}

TEST_F(InputObjectTest, APlainBindingFiresOnPressOnly) {
    input->AddCommand("screenshot", "", 3, DIK_F12, -1, -1);
    CreateDevices();
    Key(DIK_F12, true);
    Key(DIK_F12, false);
    EXPECT_EQ(executed.Take(), (Lines{"screenshot"}));
}

TEST_F(InputObjectTest, ALatchedBindingFiresAgainOnlyAfterItWasTaken) {
    const int zoom = input->AddCommand("zoom", "", 2, DIK_Z, -1, -1);
    CreateDevices();
    Key(DIK_Z, true);
    input->Update();
    EXPECT_EQ(executed.Take(), (Lines{"zoom"}));
    // Nobody asked: released and pressed again, it stays latched and stays quiet.
    Key(DIK_Z, false);
    Key(DIK_Z, true);
    EXPECT_TRUE(executed.Take().empty());
    EXPECT_TRUE(input->IsCommandActive(zoom));
    EXPECT_FALSE(input->IsCommandActive(zoom));
    // Taken while still held: state 1 until the key comes up.
    input->Update();
    EXPECT_EQ(input->GetCommand(zoom)->m_iState, 1);
    Key(DIK_Z, false);
    EXPECT_EQ(input->GetCommand(zoom)->m_iState, 0);
    EXPECT_TRUE(executed.Take().empty());  // a latched command sends no release
    Key(DIK_Z, true);
    EXPECT_EQ(executed.Take(), (Lines{"zoom"}));
}

TEST_F(InputObjectTest, StepsRunInOrderAndWaitOnTheTickCount) {
    const int jump = input->AddCommand("jump", "Jump", 1, DIK_J, -1, -1);
    const int combo = input->AddCommand("", "", 1, -1, 2, -1);
    for (const char* step : {"+run", "+forward", "wait 200", "jump", "-run", "-forward"}) {
        ASSERT_TRUE(input->AddAlias(combo, step));
    }
    CreateDevices();
    input->EnableMouse();
    headless::MouseButton(2, true);
    input->Update();
    EXPECT_EQ(executed.Take(), (Lines{"+run", "+forward"}));
    sys::time::AdvanceFake(199);
    input->Update();
    EXPECT_TRUE(executed.Take().empty());
    sys::time::AdvanceFake(1);
    input->Update();
    EXPECT_EQ(executed.Take(), (Lines{"+jump", "-run", "-forward"}));
    // The named command's own key is up, so the next frame releases it.
    input->Update();
    EXPECT_EQ(executed.Take(), (Lines{"-jump"}));
    EXPECT_EQ(input->GetCommand(jump)->m_iState, 0);
    // Releasing the button sends nothing: steps run on the press only.
    headless::MouseButton(2, false);
    for (int i = 0; i < 4; ++i) {
        input->Update();
    }
    EXPECT_TRUE(executed.Take().empty());
}

// A wait holds the steps after it for its count of milliseconds: without a usable count for a
// hundred, below zero (a time already past) not at all, and past what an int holds as asked.
TEST_F(InputObjectTest, AWaitHoldsTheNextStepForItsCount) {
    const struct {
        const char* wait;
        uint32_t ms;
    } rows[] = {{"WAIT", 100},   {"wait 0", 100}, {"wait x", 100},         {"wait 250", 250},
                {"wait -1", 0},  {"wait -2147483648", 0}, {"wait 4000000000", 4000000000u},
                {"wait 4294967296", UINT32_MAX}};
    CreateDevices();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.wait);
        const int combo = input->AddCommand("", "", 1, DIK_C, -1, -1);
        input->ClearAlias(combo);
        for (const char* step : {"a", row.wait, "b"})
            input->AddAlias(combo, step);
        Key(DIK_C, true);
        Key(DIK_C, false);
        Lines later{"a", "b"};
        if (row.ms > 0) {
            EXPECT_EQ(executed.Take(), (Lines{"a"}));
            sys::time::AdvanceFake(row.ms - 1);
            input->Update();
            EXPECT_TRUE(executed.Take().empty());
            sys::time::AdvanceFake(1);
            input->Update();
            later = {"b"};
        }
        EXPECT_EQ(executed.Take(), later);
    }
}

TEST_F(InputObjectTest, PressingAgainPutsNewStepsInFrontAndEndsTheWait) {
    const int combo = input->AddCommand("", "", 1, DIK_C, -1, -1);
    input->AddAlias(combo, "one");
    input->AddAlias(combo, "wait 500");
    input->AddAlias(combo, "two");
    CreateDevices();
    Key(DIK_C, true);
    Key(DIK_C, false);
    EXPECT_EQ(executed.Take(), (Lines{"one"}));
    sys::time::AdvanceFake(100);
    Key(DIK_C, true);
    // "two" of the first press waits behind the second press's steps.
    EXPECT_EQ(executed.Take(), (Lines{"one"}));
    EXPECT_EQ(input->GetQueuedStepCount(), 2);
    sys::time::AdvanceFake(500);
    input->Update();
    EXPECT_EQ(executed.Take(), (Lines{"two", "two"}));
}

TEST_F(InputObjectTest, AStepNamingACommandRunsThatCommand) {
    input->AddCommand("fire", "", 1, -1, -1, -1);
    input->RunCommandLine("fire");
    input->RunCommandLine("+fire");
    input->RunCommandLine("say hello there");
    EXPECT_EQ(executed.Take(), (Lines{"+fire", "+fire", "say hello there"}));
    input->ReleaseCommandByName("FIRE");
    EXPECT_EQ(executed.Take(), (Lines{"-fire"}));
}

// A list that queues more of itself each time it runs (the console runs "dbl once" as "dbl";
// here the whole name does) runs at most 256 steps a frame and ends when the queue is full, with
// every step it queued and nothing else: a release and a repeating list that waited behind it
// run on, and keys work at once. Whether a key or a line started it, it is said once.
TEST_F(InputObjectTest, AListThatQueuesItselfEndsAtTheBoundAndOnlyItsStepsGo) {
    Lines said;
    int dbl = -1;
    for (const bool byKey : {false, true}) {
        SCOPED_TRACE(byKey ? "pressed" : "run by a line");
        said.clear();
        input = std::make_unique<SInputObj>([this](const char* text) { executed(text); });
        input->SetReporter([&said](const char* text) { said.emplace_back(text); });
        // A list that names itself can only come from a damaged file; the alias checks refuse it.
        dbl = input->AddCommand("dbl", "", 1, byKey ? DIK_D : -1, -1, -1);
        input->GetCommand(dbl)->m_Steps = {SString("dbl"), SString("x")};
        const int spin = input->AddCommand("spin", "", 1, DIK_G, -1, -1);
        input->GetCommand(spin)->m_Steps = {SString("turn 2"), SString("wait 20"), SString("spin")};
        const int turn = input->AddCommand("", "", 1, DIK_F3, -1, -1);
        for (const char* step : {"+tright", "wait 400", "-tright"})
            input->AddAlias(turn, step);
        const int twice = input->AddCommand("", "", 1, DIK_V, -1, -1);
        input->AddAlias(twice, "turn 30");
        input->AddAlias(twice, "turn 30");
        CreateDevices();
        Key(DIK_G, true);
        Key(DIK_G, false);
        Key(DIK_F3, true);
        Key(DIK_F3, false);
        EXPECT_EQ(executed.Take(), (Lines{"turn 2", "+tright"}));
        sys::time::AdvanceFake(100);
        if (byKey) {
            headless::SetKey(DIK_D, true);
        } else {
            input->ExecuteCommand(dbl);
        }
        input->Update();
        // Each run of "dbl" takes one step and puts two in front of "-tright" and "spin".
        EXPECT_EQ(input->GetQueuedStepCount(), 2 + 2 + 256);
        for (int frame = 0; frame < 20; ++frame) {
            input->Update();
            ASSERT_LE(input->GetQueuedStepCount(), SInputObj::kMaxQueuedSteps);
        }
        // Its start cut the other waits short: what waited ran as soon as it was gone.
        EXPECT_EQ(executed.Take(), (Lines{"-tright", "turn 2"}));
        ASSERT_EQ(said.size(), 1u);
        EXPECT_EQ(said[0], "\"dbl\" stopped: kept queueing itself");
        Key(DIK_V, true);
        Key(DIK_V, false);
        headless::SetKey(DIK_D, false);
        for (int frame = 0; frame < 10; ++frame) {
            sys::time::AdvanceFake(10);
            input->Update();
        }
        // V's steps cut the spin's wait short too; it repeats every 20 ms after them.
        EXPECT_EQ(executed.Take(), (Lines{"turn 30", "turn 30", "turn 2", "turn 2", "turn 2", "turn 2", "turn 2", "turn 2"}));
        EXPECT_EQ(said.size(), 1u);
    }
    // A press that does not fit while one grows ends the grower, not itself.
    sys::time::AdvanceFake(SInputObj::kNoticeRepeatMs);
    input->ExecuteCommand(dbl);
    for (int frame = 0; frame < 15; ++frame)
        input->Update();
    ASSERT_EQ(said.size(), 1u);
    const int lots = input->AddCommand("", "", 1, DIK_L, -1, -1);
    input->GetCommand(lots)->m_Steps.assign(300, SString("turn 1"));
    executed.Take();
    Key(DIK_L, true);
    input->Update();
    const Lines ran = executed.Take();
    EXPECT_EQ(std::count(ran.begin(), ran.end(), "turn 1"), 300);
    EXPECT_EQ(std::count(ran.begin(), ran.end(), "x"), 0);
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[1].find("\"dbl\" stopped"), 0u) << said[1];
}

// A command whose list can never fit, by its steps or by their bytes, is not run and is named in
// a line that fits a row of the console (48 bytes): by its name, cut when long between two
// characters of UTF-8 or at a byte of other text, or by its input.
TEST_F(InputObjectTest, AListLongerThanTheQueueIsNotRunAndIsNamedShort) {
    std::string abc = "abc";  // then two-byte letters: a cut at 16 bytes falls inside one
    for (int i = 0; i < 40; ++i)
        abc += "\xC3\xA9";
    const std::string degrees = "deg" + std::string(70, '\xB0');  // Latin-1, as the console's own text
    const std::string wide(SInputObj::kMaxQueuedBytes / 2 + 1, 'w');
    const struct {
        std::string name;
        int key, mouse;
        Lines steps;
        std::string said;  // before " not run: ..."; none when it runs
    } rows[] = {
        {"", DIK_M, -1, Lines(SInputObj::kMaxQueuedSteps + 1, "step"), "Binding \"m\""},
        {"", -1, 1, Lines(SInputObj::kMaxQueuedSteps + 1, "step"), "Binding \"mouse2\""},
        {"", DIK_M, -1, Lines(SInputObj::kMaxQueuedSteps, "step"), ""},
        {std::string(19, 'n'), -1, -1, Lines(SInputObj::kMaxQueuedSteps + 1, "step"), "\"" + std::string(19, 'n') + "\""},
        {std::string(20, 'n'), -1, -1, Lines(SInputObj::kMaxQueuedSteps + 1, "step"), "\"" + std::string(16, 'n') + "...\""},
        {abc, -1, -1, Lines(SInputObj::kMaxQueuedSteps + 1, "step"), "\"" + abc.substr(0, 15) + "...\""},
        {degrees, -1, -1, Lines(SInputObj::kMaxQueuedSteps + 1, "step"), "\"" + degrees.substr(0, 16) + "...\""},
        {"wide", -1, -1, {wide, wide}, "\"wide\""},
        {"wide", -1, -1, {wide}, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.said);
        Lines said;
        input = std::make_unique<SInputObj>([this](const char* text) { executed(text); });
        input->SetReporter([&said](const char* text) { said.emplace_back(text); });
        const int list = input->AddCommand(row.name.c_str(), "", 1, row.key, row.mouse, -1);
        for (const std::string& step : row.steps)
            input->GetCommand(list)->m_Steps.emplace_back(step.c_str());
        CreateDevices();
        input->EnableMouse();
        if (row.name.empty()) {
            headless::SetKey(DIK_M, true);
            headless::MouseButton(1, true);
            input->Update();
        } else {
            input->ExecuteCommand(list);
        }
        if (row.said.empty()) {
            EXPECT_TRUE(said.empty());
            EXPECT_EQ(input->GetQueuedStepCount() + executed.Take().size(), row.steps.size());
            continue;
        }
        ASSERT_EQ(said, Lines{row.said + " not run: the queue is full"});
        EXPECT_LE(said[0].size(), SInputObj::kNoticeWidth);
        EXPECT_EQ(input->GetQueuedStepCount(), 0);
        EXPECT_TRUE(executed.Take().empty());
    }
}

// The bound ends only a run one of whose steps runs a list it came from again and so comes to
// hold more than its first command queued: a list that names other lists, however long, runs to
// its end whatever comes after it; a command that finds no room beside such lists is not run,
// and that is said at most once a second; a run that is
// ended lets go what it alone pressed, by its steps or by the lines of a file one of them ran,
// and nothing the player's own key holds. The queue bounds the bytes waiting as it does the
// steps. The console runs "dbl once" as the alias "dbl", and a file's lines as given; so does
// this executor, with "exec" and a few files of its own.
TEST_F(InputObjectTest, TheBoundEndsOnlyARunThatGrows) {
    Lines jumps(2048, "jump"), fire{"+fire"}, afterTwo{"two", "two20"};
    jumps.push_back("set game_bucks 0");
    for (int n = 0; n < 1500; ++n)
        fire.insert(fire.end(), {"c" + std::to_string(n), "wait 1"});
    fire.push_back("-fire");
    afterTwo.resize(4082, "s");
    afterTwo.push_back("set game_does 1");
    const std::string lots(100000, 'A');
    const std::map<std::string, Lines> files = {{"exec six", Lines(6, "tw")}, {"exec f3", {"+fire", "ex x", "ex y"}}};
    const auto many = [](int count, const char* line) { return std::vector<const char*>(count, line); };
    const auto join = [](std::vector<const char*> a, const std::vector<const char*>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const struct {
        const char* what;
        Lines big;                       // the steps of "big", which all run in order but the waits
        std::vector<const char*> lines;  // run in turn, "" for a frame 25 ms after the last
        int key;  // then pressed and held: "k" runs 1,200 plain steps, "h" the alias "hx", "a" left
        Lines said;
        Lines last;   // what runs last
        Lines letGo;  // every line that lets go, in order
        std::pair<const char*, long> counted = {"", 0};  // a line that runs so many times
    } rows[] = {
        {"a long list before a runaway", jumps, {"big", "dbl"}, 0,
         {"\"dbl\" stopped: kept queueing itself"}, {"set game_bucks 0"}, {}},
        {"a long key beside a long list", fire, {"big"}, DIK_K,
         {"Binding \"k\" not run: the queue is full"}, {"c1499", "-fire"}, {"-fire"}},
        {"thousands of short lines", {}, many(3000, "two"), 0, {"\"two\" not run: the queue is full"},
         {"jump", "crouch"}, {}, {"crouch", 2048}},
        {"a runaway that pressed", {}, {}, DIK_H, {"\"hx\" stopped: kept queueing itself"}, {}, {"-left"}},
        {"a runaway at a nearly full queue", {}, join(many(2047, "two"), {"dbl"}), 0,
         {"\"dbl\" stopped: kept queueing itself"}, {"jump", "crouch"}, {}, {"crouch", 2047}},
        {"a list naming a long one, then lines", {}, join({"drills", ""}, many(3000, "two")), 0,
         {"\"two\" not run: the queue is full"}, {"shot", "shot"}, {}, {"shot", 2048}},
        {"eight long lists under one", {}, {"eight"}, 0, {}, {"aim", "aim"}, {}, {"aim", 4000}},
        {"an inner list without room", afterTwo, {"big"}, 0, {"\"two20\" not run: the queue is full"},
         {"set game_does 1"}, {}},
        {"a runaway that lets go", {}, {"hy"}, 0, {"\"hy\" stopped: kept queueing itself"}, {}, {}},
        // The queue held 1 + 5n steps after n runs of the file; the 820th met the bound at its
        // second line, and the four after it queued nothing.
        {"a runaway through a file", {}, {"tw"}, 0, {"\"tw\" stopped: kept queueing itself"}, {}, {}, {"exec six", 820}},
        {"a runaway pressing through a file", {}, {"ex"}, 0, {"\"ex\" stopped: kept queueing itself"}, {}, {"-fire"}},
        {"a runaway beside the player's own left", {}, {"hx"}, DIK_A, {"\"hx\" stopped: kept queueing itself"}, {}, {}},
        {"a runaway pressing a bare mark", {}, {"bx"}, 0, {"\"bx\" stopped: kept queueing itself"}, {}, {}},
        {"a runaway that names another list", {}, {"dtwo"}, 0, {"\"dtwo\" stopped: kept queueing itself"}, {}, {}},
        {"a runaway of long steps", {}, {"d"}, 0, {"\"d\" stopped: kept queueing itself"}, {}, {}},
        {"a long name that runs away", {}, {"dbl_with_a_long_name"}, 0, {"\"dbl_with_a_lo...\" stopped: kept queueing itself"},
         {}, {}},
        {"a repeating list beside one that never fits", Lines(SInputObj::kMaxQueuedSteps, "q"), {"spin", "", "", "big"}, 0,
         {"\"big\" not run: the queue is full"}, {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Lines said;
        input = std::make_unique<SInputObj>([&](const char* text) {
            executed(text);
            if (const auto file = files.find(text); file != files.end()) {
                for (const std::string& line : file->second) {
                    executed(line.c_str());
                    input->NoteLine(line.c_str());
                    if (const int alias = input->FindCommand(line.substr(0, line.find(' ')).c_str()); alias >= 0)
                        input->ExecuteCommand(alias);
                }
                return;
            }
            const std::string word(text, std::strcspn(text, " "));
            if (const int alias = input->FindCommand(word.c_str()); alias >= 0 && word[0] != '+')
                input->ExecuteCommand(alias);
        });
        input->SetReporter([&said](const char* text) { said.emplace_back(text); });
        const auto add = [&](const char* name, int key, const Lines& steps) {
            const int index = input->AddCommand(name, "", 1, key, -1, -1);
            for (const std::string& step : steps)
                input->GetCommand(index)->m_Steps.emplace_back(step.c_str());
        };
        add("big", -1, row.big);
        add("dbl", -1, {"dbl once", "dbl twice"});
        add("dbl_with_a_long_name", -1, {"dbl_with_a_long_name once", "dbl_with_a_long_name twice"});
        add("two", -1, {"jump", "crouch"});
        add("two20", -1, Lines(20, "t"));
        add("dtwo", -1, {"two", "dtwo once", "dtwo twice"});
        add("hx", DIK_H, {"+left 2", "hx once", "hx once", "-left"});
        add("hy", -1, {"+left", "-left", "hy once", "hy once"});
        add("bx", -1, {"+ x", "bx once", "bx once"});
        add("tw", -1, {"exec six"});
        add("ex", -1, {"exec f3"});
        add("d", -1, {"d " + lots, "d " + lots});
        add("spin", -1, {"turn 2", "wait 20", "spin"});
        add("drill", -1, Lines(2048, "shot"));
        add("drills", -1, {"drill"});
        add("p", -1, Lines(500, "aim"));
        add("eight", -1, Lines(8, "p"));
        add("left", DIK_A, {});
        add("", DIK_K, Lines(1200, "plain"));
        CreateDevices();
        for (const char* line : row.lines) {
            if (*line == '\0') {
                sys::time::AdvanceFake(25);
                input->Update();
            }
            else
                input->ExecuteCommand(input->FindCommand(line));
        }
        if (row.key != 0)
            Key(row.key, true);
        size_t mostBytes = 0;
        for (int frame = 0; frame < 5000 && input->GetQueuedStepCount() > 0; ++frame) {
            sys::time::AdvanceFake(1);
            input->Update();
            mostBytes = std::max(mostBytes, input->GetQueuedBytes());
            ASSERT_TRUE(input->RunsMatchQueue()) << "after frame " << frame;
        }
        EXPECT_LE(mostBytes, SInputObj::kMaxQueuedBytes);
        EXPECT_EQ(said, row.said);
        Lines ran = executed.Take();
        if (row.key == DIK_A) {
            EXPECT_EQ(ran.front(), "+left");
        }
        headless::SetKey(row.key, false);
        input->Update();
        const Lines released = executed.Take();
        EXPECT_EQ(released, row.key == DIK_A ? Lines{"-left"} : Lines{});
        EXPECT_EQ(input->GetQueuedStepCount() == 0, row.lines.empty() || std::string(row.lines[0]) != "spin");
        ASSERT_GE(ran.size(), row.last.size());
        EXPECT_EQ(Lines(ran.end() - static_cast<long>(row.last.size()), ran.end()), row.last);
        Lines letGo;
        std::copy_if(ran.begin(), ran.end(), std::back_inserter(letGo), [](const std::string& line) { return line[0] == '-'; });
        // A list that presses and lets go in turn is let go once more than it let go itself,
        // when the end came between the two.
        if (row.lines == std::vector<const char*>{"hy"}) {
            EXPECT_EQ(std::count(ran.begin(), ran.end(), "+left"), static_cast<long>(letGo.size()));
            letGo.clear();
        }
        EXPECT_EQ(letGo, row.letGo);
        EXPECT_EQ(std::count(ran.begin(), ran.end(), "plain"), 0);
        // The steps of "big" that reach the executor (a step naming a list runs that list) ran in
        // order, or none did where it never fit.
        const bool bigRefused = !row.said.empty() && row.said[0].rfind("\"big\"", 0) == 0;
        auto at = ran.begin();
        for (const std::string& step : row.big) {
            if (step != "wait 1" && input->FindCommand(step.c_str()) < 0)
                at = std::find(bigRefused ? ran.begin() : at, ran.end(), step);
        }
        EXPECT_EQ(at != ran.end(), !bigRefused) << "the list ran in part";
        EXPECT_EQ(std::count(ran.begin(), ran.end(), row.counted.first), row.counted.second);
        if (row.lines.size() == 3000) {
            // A command that finds no room is said again, though not within a second of the last
            // time.
            for (int line = 0; line < 2049; ++line)
                input->ExecuteCommand(input->FindCommand("two"));
            EXPECT_EQ(said.size(), 1u);
            sys::time::AdvanceFake(SInputObj::kNoticeRepeatMs);
            for (int line = 0; line < 2049; ++line)
                input->ExecuteCommand(input->FindCommand("two"));
            EXPECT_EQ(said.size(), 2u);
        }
    }
}

// Random lists naming each other, pressing and letting go, run by keys, lines and frames: what
// the queue keeps of each run always matches the steps it holds; only a list that can run
// itself again is said to have kept queueing itself; no notice comes twice within a second; and
// whenever the queue is empty, nothing stays pressed but what the player's own key holds. Each
// list lets go what it pressed later in its own steps.
TEST_F(InputObjectTest, WhatIsKeptOfEachRunFollowsTheQueue) {
    const char* const words[] = {"a",     "b",     "c",   "a once", "b once", "c twice",
                                 "+left", "+fire", "+ x", "+duck",  "wait 5", "x"};
    const char* const names[] = {"a", "b", "c"};
    for (unsigned seed = 1; seed <= 24; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        Lines said;
        std::map<std::string, uint32_t> saidAt;
        std::map<std::string, bool> pressed;
        input = std::make_unique<SInputObj>([this, &pressed](const char* text) {
            const std::string word(text, std::strcspn(text, " "));
            EXPECT_NE(word, "-") << "a bare mark let go";
            if (word[0] == '+' || word[0] == '-')
                pressed[word.substr(1)] = word[0] == '+';
            if (const int alias = input->FindCommand(word.c_str()); alias >= 0 && word[0] != '+' && word[0] != '-')
                input->ExecuteCommand(alias);
        });
        input->SetReporter([&](const char* text) {
            const uint32_t now = sys::time::TickCount();
            if (const auto last = saidAt.find(text); last != saidAt.end()) {
                EXPECT_GE(now - last->second, SInputObj::kNoticeRepeatMs) << text;
            }
            saidAt[text] = now;
            said.emplace_back(text);
        });
        std::map<std::string, std::vector<std::string>> named;  // the lists each list names
        for (const char* name : names) {
            const int index = input->AddCommand(name, "", 1, DIK_A + pick(3), -1, -1);
            Lines steps;
            for (int n = 1 + pick(6); n > 0; --n) {
                const std::string step = words[pick(12)];
                const auto at = steps.insert(steps.begin() + pick(static_cast<int>(steps.size()) + 1), step);
                if (step == "+left" || step == "+fire")  // let go later in the list; a duck is kept
                    steps.insert(at + 1, "-" + step.substr(1));
            }
            if (pick(3) == 0)  // some lists are long
                steps.resize(steps.size() + 1000 + static_cast<size_t>(pick(1500)), "x");
            for (const std::string& step : steps) {
                input->GetCommand(index)->m_Steps.emplace_back(step.c_str());
                named[name].push_back(step.substr(0, step.find(' ')));
            }
        }
        input->AddCommand("left", "", 1, DIK_H, -1, -1);
        // Whether a list can reach itself through the lists its steps name.
        const auto cyclic = [&named](const std::string& name) {
            std::vector<std::string> todo = named[name], seen;
            while (!todo.empty()) {
                const std::string next = todo.back();
                todo.pop_back();
                if (next == name)
                    return true;
                if (named.count(next) != 0 && std::find(seen.begin(), seen.end(), next) == seen.end()) {
                    seen.push_back(next);
                    todo.insert(todo.end(), named[next].begin(), named[next].end());
                }
            }
            return false;
        };
        CreateDevices();
        bool keyD = false;
        for (int op = 0; op < 500; ++op) {
            switch (pick(4)) {
            case 0:
                input->ExecuteCommand(pick(3));
                break;
            case 1:
                headless::SetKey(DIK_A + pick(3), pick(2) == 0);
                break;
            case 2:
                keyD = pick(2) == 0;
                headless::SetKey(DIK_H, keyD);
                break;
            default:
                sys::time::AdvanceFake(static_cast<uint32_t>(pick(300)));
                input->Update();
                break;
            }
            ASSERT_TRUE(input->RunsMatchQueue()) << "after operation " << op;
            ASSERT_LE(input->GetQueuedStepCount(), SInputObj::kMaxQueuedSteps);
            if (input->GetQueuedStepCount() == 0) {
                input->Update();  // the keys as they are now
                if (input->GetQueuedStepCount() != 0)
                    continue;
                EXPECT_FALSE(pressed["fire"]) << "after operation " << op;
                EXPECT_TRUE(!pressed["left"] || keyD) << "after operation " << op;
            }
        }
        for (const std::string& notice : said) {
            const size_t stop = notice.find("\" stopped");
            if (stop != std::string::npos) {
                EXPECT_TRUE(cyclic(notice.substr(1, stop - 1))) << notice;
            }
        }
        for (int key = 0; key < 4; ++key)
            headless::SetKey(key < 3 ? DIK_A + key : DIK_H, false);
    }
}

TEST_F(InputObjectTest, AStepListThatRunsItselfAgainAfterAWaitRepeatsOn) {
    // The console runs "spin go" as "spin"; here the whole name does.
    input->SetReporter([](const char* text) { ADD_FAILURE() << text; });
    const int spin = input->AddCommand("spin", "", 0, -1, -1, -1);
    input->GetCommand(spin)->m_Steps = {SString("turn 2"), SString("wait 20"), SString("spin")};
    input->ExecuteCommand(spin);
    for (int frame = 0; frame < 1000; ++frame) {
        sys::time::AdvanceFake(10);
        input->Update();
    }
    EXPECT_EQ(executed.Take(), Lines(500, "turn 2"));
}

TEST_F(InputObjectTest, QueuedStepsSurviveTheTickCountWrapping) {
    sys::time::SetFakeTicks(0xFFFFFF00u);
    const int combo = input->AddCommand("", "", 1, DIK_C, -1, -1);
    input->AddAlias(combo, "wait 300");
    input->AddAlias(combo, "late");
    CreateDevices();
    Key(DIK_C, true);
    // 128 ms in: the resume tick has wrapped past zero, the tick count has not.
    sys::time::AdvanceFake(0x80);
    input->Update();
    EXPECT_TRUE(executed.Take().empty());
    sys::time::AdvanceFake(171);  // 299 ms
    input->Update();
    EXPECT_TRUE(executed.Take().empty());
    sys::time::AdvanceFake(1);  // 300 ms, the tick count now past zero too
    input->Update();
    EXPECT_EQ(executed.Take(), (Lines{"late"}));
}

TEST_F(InputObjectTest, AKeyTappedBetweenTwoFramesStillPressesAndReleases) {
    input->AddCommand("fire", "", 1, DIK_SPACE, -1, -1);
    input->AddCommand("leave", "", 3, DIK_ESCAPE, -1, -1);
    CreateDevices();
    input->Update();
    for (int key : {DIK_SPACE, DIK_ESCAPE}) {
        headless::SetKey(key, true);
        headless::SetKey(key, false);
    }
    input->Update();
    EXPECT_EQ(executed.Take(), (Lines{"+fire", "leave"}));
    input->Update();
    EXPECT_EQ(executed.Take(), (Lines{"-fire"}));
    input->Update();
    EXPECT_TRUE(executed.Take().empty());
    // A key typed while a text line has the keyboard is not kept for the game.
    input->GetKeyboard().Enable(false);
    headless::SetKey(DIK_ESCAPE, true);
    headless::SetKey(DIK_ESCAPE, false);
    input->GetKeyboard().Enable(true);
    input->Update();
    EXPECT_TRUE(executed.Take().empty());
}

TEST_F(InputObjectTest, AClickBetweenTwoFramesStillPressesAndReleases) {
    input->AddCommand("fire", "", 1, -1, 0, -1);
    CreateDevices();
    input->EnableMouse();
    ASSERT_TRUE(input->IsMouseAcquired());
    headless::MouseButton(0, true);
    headless::MouseButton(0, false);
    input->Update();  // pressed
    EXPECT_EQ(executed.Take(), (Lines{"+fire"}));
    input->Update();  // held
    input->Update();  // released
    EXPECT_TRUE(executed.Take().empty());
    input->Update();  // up
    EXPECT_EQ(executed.Take(), (Lines{"-fire"}));
}

// While a text line runs (the console), its keys and clicks are not the game's, also when the
// focus comes back meanwhile; the end hands the mouse back to the game, nested runs at the last.
TEST_F(InputObjectTest, ATextLineKeepsKeysAndClicksFromTheBindingsUntilItEnds) {
    input->AddCommand("fire", "", 1, DIK_SPACE, 0, -1);
    CreateDevices();
    input->EnableMouse();
    input->BeginTextInput();
    input->BeginTextInput();
    EXPECT_FALSE(headless::MouseExclusive()) << "the pointer is free over the line's window";
    for (bool down : {true, false}) {
        headless::SetKey(DIK_SPACE, down);
        headless::MouseButton(0, down);
    }
    input->DisableMouse();  // the focus went and came back
    input->EnableMouse();
    EXPECT_FALSE(input->IsMouseAcquired());
    headless::MouseButton(0, true);
    headless::MouseButton(0, false);
    input->Update();
    input->EndTextInput();
    EXPECT_FALSE(input->IsMouseAcquired());
    input->EndTextInput();
    EXPECT_TRUE(input->IsMouseAcquired());
    input->Update();
    input->Update();
    EXPECT_TRUE(executed.Take().empty());
    headless::MouseButton(0, true);
    input->Update();
    EXPECT_EQ(executed.Take(), (Lines{"+fire"}));
}

TEST_F(InputObjectTest, MouseButtonsCountOnlyWhileTheMouseIsAcquired) {
    input->AddCommand("fire", "", 1, -1, 0, -1);
    CreateDevices();
    headless::MouseButton(0, true);
    input->Update();
    EXPECT_TRUE(executed.Take().empty());
    input->EnableMouse(true);  // mouse input on, but not acquired
    EXPECT_TRUE(input->IsMouseInput());
    EXPECT_FALSE(input->IsMouseAcquired());
    input->Update();
    EXPECT_TRUE(executed.Take().empty());
}

TEST_F(InputObjectTest, MouseMovementTurnsAndAimsAlongTheCurve) {
    input->AddCommand("fire", "", 1, -1, 0, -1);
    CreateDevices();
    input->EnableMouse();
    // Smoothing is on: the first item of 10 counts as (10 + 0) / 2 = 5.
    headless::MoveMouse(10, 10);
    input->Update();
    // 5 x |571 x 5 / 5715| x 127 x 0.45 = 142.75; pitch is inverted by default.
    EXPECT_EQ(input->GetYaw(), 142);
    EXPECT_EQ(input->GetPitch(), -142);
    ASSERT_FALSE(axes.empty());
    EXPECT_EQ(axes.back(), (std::pair<int32_t, int32_t>{142, -142}));
    // No movement: 5 decays to 1, which gives 5.71 -> 5.
    input->Update();
    EXPECT_EQ(input->GetYaw(), 5);
    EXPECT_EQ(input->GetPitch(), -5);
}

TEST_F(InputObjectTest, InvertingAndSensitivityChangeTheAxes) {
    input->AddCommand("fire", "", 1, -1, 0, -1);
    input->GetSettings().SetVariable("inp_invertx", "1");
    input->GetSettings().SetVariable("inp_inverty", "0");
    input->GetSettings().SetVariable("inp_msensitivity", "255");
    CreateDevices();
    input->EnableMouse();
    headless::MoveMouse(-10, 10);
    input->Update();
    // 5 x 5 x 571 / 5715 x 255 x 0.45 = 286.63, mirrored for yaw.
    EXPECT_EQ(input->GetYaw(), 286);
    EXPECT_EQ(input->GetPitch(), 286);
}

TEST_F(InputObjectTest, WithoutAimingTheMouseDoesNotPitch) {
    input->AddCommand("fire", "", 1, -1, 0, -1);
    input->GetSettings().SetVariable("inp_aiming", "0");
    CreateDevices();
    input->EnableMouse();
    headless::MoveMouse(10, 10);
    input->Update();
    EXPECT_EQ(input->GetYaw(), 142);
    EXPECT_EQ(input->GetPitch(), 0);
}

TEST_F(InputObjectTest, AxesNeverLeaveTheFullScale) {
    input->AddCommand("fire", "", 1, -1, 0, -1);
    CreateDevices();
    input->EnableMouse();
    headless::MoveMouse(4000, -30000);
    input->Update();
    EXPECT_EQ(input->GetYaw(), 5715);
    EXPECT_EQ(input->GetPitch(), 5715);
    // Smoothed: (-30000 + 2000) / 2 and (30000 - 15000) / 2.
    headless::MoveMouse(-30000, 30000);
    input->Update();
    EXPECT_EQ(input->GetYaw(), -5715);
    EXPECT_EQ(input->GetPitch(), -5715);
}

TEST_F(InputObjectTest, TheCurvesGrowWithTheSquareOfTheInput) {
    // 5.71 v^2 for the mouse and 0.0444111 v^2 for the joystick at the default 127.
    EXPECT_NEAR(input->ScaleMouseAxis(10), 571.0, 1e-6);
    EXPECT_NEAR(input->ScaleMouseAxis(-10), -571.0, 1e-6);
    EXPECT_NEAR(input->ScaleJoystickAxis(1000), 44411.1111, 1e-3);
    EXPECT_NEAR(input->ScaleJoystickAxis(-100), -444.111111, 1e-5);
    EXPECT_EQ(input->ScaleMouseAxis(0), 0.0);
}

TEST_F(InputObjectTest, NoCommandsMeansNoAxes) {
    CreateDevices();
    input->EnableMouse();
    headless::MoveMouse(10, 10);
    input->Update();
    EXPECT_EQ(input->GetYaw(), 0);
    EXPECT_EQ(input->GetPitch(), 0);
}

TEST_F(InputObjectTest, KeyTurningAcceleratesAndFallsBack) {
    const int right = input->AddCommand("tright", "", 1, DIK_RIGHT, -1, -1);
    input->GetSettings().SetAxisCommand(6, right);
    CreateDevices();
    Key(DIK_RIGHT, true);
    // A = 2, V = 2, P = 2: 5.71 x 4 = 22.84.
    EXPECT_EQ(input->GetYaw(), 22);
    input->Update();
    // A = 4, V = 6, P = 8: 5.71 x 64 = 365.44.
    EXPECT_EQ(input->GetYaw(), 365);
    Key(DIK_RIGHT, false);
    // V = 6 / 15 = 0, P = 8 / 15 = 0.
    EXPECT_EQ(input->GetYaw(), 0);
}

TEST_F(InputObjectTest, AxisSlotsStepByTheFullScale) {
    const int up = input->AddCommand("lup", "", 1, DIK_PRIOR, -1, -1);
    const int down = input->AddCommand("ldown", "", 1, DIK_NEXT, -1, -1);
    input->GetSettings().SetAxisCommand(4, up);
    input->GetSettings().SetAxisCommand(5, down);
    CreateDevices();
    Key(DIK_PRIOR, true);
    EXPECT_EQ(input->GetPitch(), 5715);
    Key(DIK_NEXT, true);
    EXPECT_EQ(input->GetPitch(), 0);
    Key(DIK_PRIOR, false);
    EXPECT_EQ(input->GetPitch(), -5715);
}

TEST_F(InputObjectTest, WhileInputIsDisabledNothingFires) {
    input->AddCommand("forward", "", 1, DIK_W, -1, -1);
    CreateDevices();
    input->SetInputEnabled(false);
    Key(DIK_W, true);
    EXPECT_TRUE(executed.Take().empty());
    EXPECT_TRUE(axes.empty());
    input->SetInputEnabled(true);
    input->Update();
    EXPECT_EQ(executed.Take(), (Lines{"+forward"}));
    EXPECT_EQ(axes.size(), 1u);
}

TEST_F(InputObjectTest, LosingTheFocusStopsTheMouseUntilItIsEnabledAgain) {
    input->AddCommand("fire", "", 1, -1, 0, -1);
    CreateDevices();
    input->EnableMouse();
    sys::window::headless::InjectFocus(false);
    // What the application does on deactivation.
    input->DisableMouse();
    input->SetInputEnabled(false);
    EXPECT_FALSE(input->GetMouse().IsAcquired());
    input->EnableMouse();
    EXPECT_FALSE(input->IsMouseAcquired());  // no focus: acquiring fails
    EXPECT_STREQ(input->GetInput().GetErrorName().GetString(), "DIERR_HANDLEEXISTS");
    sys::window::headless::InjectFocus(true);
    input->SetInputEnabled(true);
    input->EnableMouse();
    EXPECT_TRUE(input->IsMouseAcquired());
    headless::MouseButton(0, true);
    input->Update();
    EXPECT_EQ(executed.Take(), (Lines{"+fire"}));
}

TEST_F(InputObjectTest, MouseMovePositionsAreSigned) {
    input->OnWindowMessage(sys::WM_MOUSEMOVE, 0, sys::MAKELPARAM(-5, 300));
    EXPECT_EQ(input->GetLastMouseX(), -5);
    EXPECT_EQ(input->GetLastMouseY(), 300);
    input->OnWindowMessage(sys::WM_MOUSEMOVE, 0, sys::MAKELPARAM(640, -2));
    EXPECT_EQ(input->GetLastMouseX(), 640);
    EXPECT_EQ(input->GetLastMouseY(), -2);
    EXPECT_EQ(input->OnWindowMessage(sys::WM_LBUTTONDOWN, 0, sys::MAKELPARAM(1, 1)), 0);
    EXPECT_EQ(input->GetLastMouseX(), 640);
}

TEST_F(InputObjectTest, KeyCodesOutsideTheKeyboardAreUnbound) {
    const int broken = input->AddCommand("broken", "", 1, -1, -1, -1);
    input->GetCommand(broken)->m_iKeyCode = 300;
    const int negative = input->AddCommand("negative", "", 1, -1, -1, -1);
    input->GetCommand(negative)->m_iKeyCode = -7;
    CreateDevices();
    for (int key = 0; key < 256; ++key) {
        headless::SetKey(key, true);
    }
    input->Update();
    EXPECT_TRUE(executed.Take().empty());
}

TEST_F(InputObjectTest, JoystickButtonsCountOnlyWithMouseInput) {
    headless::AttachJoystick({});
    input->AddCommand("fire", "", 1, -1, -1, 1);
    input->GetSettings().m_iJoystick = 1;
    CreateDevices();
    ASSERT_NE(input->GetJoystick(), nullptr);
    headless::SetJoystickButton(0, 1, true);
    input->Update();
    EXPECT_TRUE(executed.Take().empty());
    input->EnableMouse(true);
    input->Update();
    EXPECT_EQ(executed.Take(), (Lines{"+fire"}));
}

TEST_F(InputObjectTest, TheJoystickMovesThePointerAndClicksWhileTheMouseIsFree) {
    headless::AttachJoystick({});
    input->GetSettings().m_iJoystick = 1;
    CreateDevices();
    ASSERT_NE(input->GetJoystick(), nullptr);
    sys::POINT before;
    sys::window::GetCursorPos(before);
    headless::SetJoystickAxis(0, 0, 32767);  // X at +1000
    input->Update();
    // 1000 x 127 x 0.001 = 127 pixels, then the accumulator starts again.
    sys::POINT after;
    sys::window::GetCursorPos(after);
    EXPECT_EQ(after.x - before.x, 127);
    EXPECT_EQ(after.y, before.y);
    headless::SetJoystickButton(0, 2, true);
    input->Update();
    EXPECT_LT(sys::window::GetAsyncKeyState(sys::VK_LBUTTON), 0);
    headless::SetJoystickButton(0, 2, false);
    input->Update();
    EXPECT_GE(sys::window::GetAsyncKeyState(sys::VK_LBUTTON), 0);
}

TEST_F(InputObjectTest, JoystickAimingUsesItsOwnCurve) {
    headless::AttachJoystick({});
    input->AddCommand("fire", "", 1, -1, 0, -1);
    input->GetSettings().m_iJoystick = 1;
    CreateDevices();
    input->EnableMouse(true);
    // Raw 3276 of 32767 is 100.0 on the -1000..1000 range: 0.0444111 x 100^2 = 444.11.
    headless::SetJoystickAxis(0, 0, 3276);
    headless::SetJoystickAxis(0, 1, 3276);
    input->Update();
    EXPECT_EQ(input->GetJoystick()->GetX(), 100);
    EXPECT_EQ(input->GetYaw(), 444);
    EXPECT_EQ(input->GetPitch(), -444);
}

TEST_F(InputObjectTest, CreatingDropsJoystickSettingsWithoutAJoystick) {
    SInputObjSettings settings;
    settings.m_iJoystick = 1;
    settings.m_iFFeedback = 1;
    settings.m_iLightGun = 1;
    settings.m_iCalibrateLightGun = 1;
    ASSERT_TRUE(input->Create(settings));
    EXPECT_EQ(input->GetJoystick(), nullptr);
    EXPECT_EQ(input->GetSettings().m_iJoystick, 0);
    EXPECT_EQ(input->GetSettings().m_iFFeedback, 0);
    EXPECT_EQ(input->GetSettings().m_iLightGun, 0);
    EXPECT_EQ(input->GetSettings().m_iCalibrateLightGun, 0);
}

TEST_F(InputObjectTest, CreatingPrefersAForceFeedbackJoystickWhenAsked) {
    headless::AttachJoystick({});
    headless::Joystick ff;
    ff.forceFeedback = true;
    headless::AttachJoystick(ff);
    SInputObjSettings settings;
    settings.m_iJoystick = 1;
    settings.m_iFFeedback = 1;
    ASSERT_TRUE(input->Create(settings));
    ASSERT_NE(input->GetJoystick(), nullptr);
    EXPECT_TRUE(input->GetJoystick()->IsForceFeedback());
    EXPECT_EQ(headless::OpenCount(1), 1);
    EXPECT_EQ(headless::OpenCount(0), 0);
    EXPECT_EQ(input->GetSettings().m_iFFeedback, 1);
}

TEST_F(InputObjectTest, CreatingWithoutAForceFeedbackJoystickFallsBackToAPlainOne) {
    headless::AttachJoystick({});
    SInputObjSettings settings;
    settings.m_iJoystick = 1;
    settings.m_iFFeedback = 1;
    ASSERT_TRUE(input->Create(settings));
    ASSERT_NE(input->GetJoystick(), nullptr);
    EXPECT_FALSE(input->GetJoystick()->IsForceFeedback());
    EXPECT_EQ(input->GetSettings().m_iFFeedback, 0);
    EXPECT_EQ(input->GetSettings().m_iJoystick, 1);
}

TEST_F(InputObjectTest, TheLightGunTakesPrecedence) {
    headless::AttachJoystick({});
    SInputObjSettings settings;
    settings.m_iJoystick = 1;
    settings.m_iLightGun = 1;
    settings.m_iCalibrateLightGun = 1;
    ASSERT_TRUE(input->Create(settings));
    EXPECT_NE(dynamic_cast<SDXActLabsGS*>(input->GetJoystick()), nullptr);
    EXPECT_EQ(headless::OpenCount(0), 1);
    EXPECT_EQ(input->GetSettings().m_iJoystick, 1);
    EXPECT_EQ(input->GetSettings().m_iCalibrateLightGun, 1);
}

TEST_F(InputObjectTest, AJoystickThatIsNoGunBecomesThePlainJoystick) {
    headless::Joystick pad;
    pad.product = GUID{0x0BADF00D, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    headless::AttachJoystick(pad);
    SInputObjSettings settings;
    settings.m_iLightGun = 1;
    settings.m_iCalibrateLightGun = 1;
    settings.m_iJoystick = 1;
    ASSERT_TRUE(input->Create(settings));
    ASSERT_NE(input->GetJoystick(), nullptr);
    EXPECT_EQ(dynamic_cast<SDXActLabsGS*>(input->GetJoystick()), nullptr);
    EXPECT_EQ(input->GetSettings().m_iLightGun, 0);
    EXPECT_EQ(input->GetSettings().m_iCalibrateLightGun, 0);
    EXPECT_EQ(input->GetSettings().m_iJoystick, 1);
}

TEST_F(InputObjectTest, AJoystickThatCannotBeSetUpTurnsJoystickInputOff) {
    headless::Joystick paddle;
    paddle.axes = 1;
    headless::AttachJoystick(paddle);
    SInputObjSettings settings;
    settings.m_iJoystick = 1;
    ASSERT_TRUE(input->Create(settings));
    EXPECT_EQ(input->GetJoystick(), nullptr);
    EXPECT_EQ(input->GetSettings().m_iJoystick, 0);
    EXPECT_EQ(headless::OpenCount(0), 0);
}

TEST_F(InputObjectTest, IndexesOutOfRangeDoNothing) {
    input->AddCommand("fire", "", 1, DIK_SPACE, -1, -1);
    input->ExecuteCommand(1);
    input->ExecuteCommand(-1);
    input->ReleaseCommand(5);
    input->ReleaseCommandByName("nothing");
    EXPECT_TRUE(executed.Take().empty());
    EXPECT_FALSE(input->IsCommandActive(1));
    EXPECT_FALSE(input->WasCommandActive(-1));
    EXPECT_FALSE(input->IsCommandActive("nothing"));
    EXPECT_EQ(input->GetCommand(1), nullptr);
    EXPECT_EQ(input->GetCommandByName("nothing"), nullptr);
}

TEST_F(InputObjectTest, CreationFailsWithoutAnInputSystem) {
    headless::SetUnavailable(true);
    EXPECT_FALSE(input->Create(input->GetSettings()));
    EXPECT_STREQ(input->GetInput().GetErrorOperation().GetString(), "SDXInput::Create");
    headless::SetUnavailable(false);
    EXPECT_TRUE(input->Create(input->GetSettings()));
    EXPECT_TRUE(input->Cleanup());
}

TEST_F(InputObjectTest, TheCursorPositionIsInClientCoordinates) {
    sys::RECT client;
    sys::window::GetClientRect(window, client);
    sys::window::headless::InjectMouseMove(12, 34);
    sys::POINT point;
    EXPECT_TRUE(input->GetCursorPosition(point));
    EXPECT_EQ(point, (sys::POINT{12, 34}));
}

}  // namespace
