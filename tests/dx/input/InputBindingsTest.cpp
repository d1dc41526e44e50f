// The bindings table: adding and rebinding commands, alias steps with their loop checks and
// resolution, the code-name tables, the "inp_" variables, and the default bindings with the
// exact input lines they write into "default.cfg".

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <set>
#include <string>
#include <vector>

#include "dx/input/SInputObjSettings.h"
#include "dx/input/SInputs.h"
#include "sys/input/input.h"

using namespace sys::input;

namespace {

std::string Written(const SInputObjSettings& settings, bool pairs) {
    std::string text;
    const SConfigTextWriter write = [&text](const char* line) { text += line; };
    if (pairs) {
        settings.WriteConfigPairs(write);
    } else {
        settings.WriteConfig(write);
    }
    return text;
}

const char* const kDefaultSetLines =
    "set inp_aiming \"1\"\n"
    "set inp_aiming_nload \"1\"\n"
    "set inp_invertx \"0\"\n"
    "set inp_inverty \"1\"\n"
    "set inp_joystick \"0\"\n"
    "set inp_lightgun \"0\"\n"
    "set inp_calibratelightgun \"0\"\n"
    "set inp_ffeedback \"0\"\n"
    "set inp_msmoothing \"1\"\n"
    "set inp_msensitivity \"127\"\n"
    "set inp_jsensitivity \"127\"\n";

TEST(InputBindingsTest, AddingAKnownNameUpdatesThatCommand) {
    SInputObjSettings settings;
    const int fire = settings.AddCommand("fire", "Fire", 1, DIK_SPACE, -1, -1);
    EXPECT_EQ(settings.AddCommand("FIRE", "", 0, -1, 0, -1), fire);
    const SInputObjCommand* command = settings.GetCommand(fire);
    ASSERT_NE(command, nullptr);
    EXPECT_STREQ(command->m_sName.GetString(), "FIRE");
    EXPECT_STREQ(command->m_sDisplayName.GetString(), "Fire");  // an empty label keeps the old one
    EXPECT_EQ(command->m_iType, 1);                             // type 0 keeps the old type
    EXPECT_EQ(command->m_iKeyCode, DIK_SPACE);
    EXPECT_EQ(command->m_iMouseCode, 0);
    EXPECT_EQ(command->m_iJoyCode, -1);
    EXPECT_EQ(settings.GetCommandCount(), 1);
}

TEST(InputBindingsTest, BindingATakenKeyTakesItAway) {
    SInputObjSettings settings;
    const int walk = settings.AddCommand("walk", "Walk", 1, DIK_W, 1, -1);
    const int run = settings.AddCommand("run", "Run", 1, DIK_W, -1, -1);
    EXPECT_EQ(settings.GetCommand(walk)->m_iKeyCode, -1);
    EXPECT_EQ(settings.GetCommand(walk)->m_iMouseCode, 1);
    EXPECT_EQ(settings.GetCommand(run)->m_iKeyCode, DIK_W);
    EXPECT_EQ(settings.FindCommandByCodes(DIK_W, -1, -1), run);
    EXPECT_STREQ(settings.ListUnboundCommands().GetString(), "");
    settings.AddCommand("jump", "Jump", 1, -1, 1, -1);
    EXPECT_STREQ(settings.ListUnboundCommands().GetString(), "walk ");
}

TEST(InputBindingsTest, AnUnnamedBindingLeftWithoutInputsDisappears) {
    SInputObjSettings settings;
    const int steps = settings.AddCommand("", "", 1, DIK_F, -1, -1);
    ASSERT_TRUE(settings.AddAlias(steps, "+run"));
    settings.AddCommand("first", "First", 1, DIK_1, -1, -1);
    settings.AddCommand("second", "Second", 1, DIK_2, -1, -1);
    // "second" moves from index 2 to 1 when the unnamed command goes; it must still get F.
    const int second = settings.AddCommand("second", "", 0, DIK_F, -1, -1);
    EXPECT_EQ(settings.GetCommandCount(), 2);
    EXPECT_EQ(second, 1);
    EXPECT_STREQ(settings.GetCommand(second)->m_sName.GetString(), "second");
    EXPECT_EQ(settings.GetCommand(second)->m_iKeyCode, DIK_F);
    EXPECT_EQ(settings.GetCommand(0)->m_iKeyCode, DIK_1);
}

TEST(InputBindingsTest, AliasesThatLeadBackAreRefused) {
    SInputObjSettings settings;
    const int a = settings.AddCommand("a", "", 1, -1, -1, -1);
    const int b = settings.AddCommand("b", "", 1, -1, -1, -1);
    const int c = settings.AddCommand("c", "", 1, -1, -1, -1);
    EXPECT_FALSE(settings.AddAlias(a, "a"));
    EXPECT_TRUE(settings.AddAlias(a, "b"));
    EXPECT_TRUE(settings.AddAlias(b, "c"));
    EXPECT_FALSE(settings.AddAlias(c, "a"));
    EXPECT_TRUE(settings.AddAlias(c, "jump"));
    EXPECT_EQ(settings.GetAliasCount(c), 1);
    EXPECT_STREQ(settings.GetAliasText(a).GetString(), "b");
}

TEST(InputBindingsTest, APrefixedStepIsCheckedForLoopsByItsName) {
    SInputObjSettings settings;
    const int fire = settings.AddCommand("fire", "", 1, -1, -1, -1);
    const int burst = settings.AddCommand("burst", "", 1, -1, -1, -1);
    EXPECT_FALSE(settings.AddAlias(fire, "+fire"));
    EXPECT_TRUE(settings.AddAlias(burst, "+fire"));
    EXPECT_FALSE(settings.AddAlias(fire, "-burst"));
    EXPECT_EQ(settings.GetAliasCount(fire), 0);
    // A command named with its mark ("bind k \"+fire\"") is reached by a step's whole text too.
    const int pressed = settings.AddCommand("+fire", "", 1, -1, -1, -1);
    EXPECT_FALSE(settings.AddAlias(pressed, "+fire"));
    EXPECT_FALSE(settings.AddAlias(pressed, "burst"));
    EXPECT_EQ(settings.GetAliasCount(pressed), 0);
}

// Aliases defined in order ("name=step;step") beside the plain commands of the default
// bindings, then one more step for one of them.
struct LoopRow {
    const char* what;
    std::vector<std::string> aliases;
    const char* command;
    const char* step;
    bool accepted;
};

// The aliases with "name1=name0", "name2=name1", ... and last "name0=closing" after them: each
// leads to the one before it.
std::vector<std::string> Chain(std::vector<std::string> aliases, const char* name, int length, const char* closing) {
    for (int n = 1; n < length; ++n)
        aliases.push_back(name + std::to_string(n) + "=" + name + std::to_string(n - 1));
    aliases.push_back(name + std::string("0=") + closing);
    return aliases;
}

// Levels 0 to `depth` of aliases down to `bottom`: at each level one alias of each letter of
// `names`, leading to every alias of the level below ("dd": d1=d0;d0, "pq": p1=p0;q0 and
// q1=p0;q0), so that 2^depth ways lead down through a few names.
std::vector<std::string> Ladder(std::vector<std::string> aliases, const std::string& names, int depth,
                                const char* bottom) {
    for (int n = 0; n <= depth; ++n) {
        std::string steps;
        for (const char below : names)
            steps += (steps.empty() ? "" : ";") + (n == 0 ? std::string(bottom) : below + std::to_string(n - 1));
        for (const char name : std::set<char>(names.begin(), names.end()))
            aliases.push_back(name + std::to_string(n) + "=" + steps);
    }
    return aliases;
}

TEST(InputBindingsTest, OnlyAWayBackRefusesAStep) {
    const std::string ten = "tap;tap;tap;tap;tap;tap;tap;tap;tap;tap";
    const LoopRow rows[] = {
        {"a ten-deep tree", {"tap=+forward;-forward", "combo10=" + ten, "go10=combo10"}, "k", "go10", true},
        {"a wide alias named after its use",
         {"dance=+forward;-forward;+back;-back;+left;-left;+right;-right;jump;crouch;jump"}, "party", "dance", true},
        {"chains far past any depth on both sides", Chain(Chain({}, "c", 20, "jump"), "u", 20, "top"), "top", "c19",
         true},
        {"a step of more than a name", {}, "dbl", "dbl once", true},
        {"itself by its mark", {}, "+jump", "+jump", false},
        {"itself without its mark", {}, "fire", "-FIRE", false},
        {"a cycle of two", {"a=b"}, "b", "a", false},
        {"a cycle of three", {"a=b", "b=c"}, "c", "a", false},
        {"a cycle of five", {"a=b", "b=c", "c=d", "d=e"}, "e", "a", false},
        {"a cycle through marks", {"a=+b", "b=-c"}, "c", "+a", false},
        {"a cycle through a marked name", {"a=+b", "+b=c"}, "c", "a", false},
        {"a chain of 100000 closed", Chain({}, "c", 100000, "top"), "top", "c99999", false},
        {"ways that share names on both sides", Ladder(Ladder({}, "dd", 28, "jump"), "pq", 28, "top"), "top", "d28",
         true},
        {"a way back through aliases named after the index was filed", {"a=crouch", "b=jump", "c=a;b"}, "jump", "c",
         false},
    };
    for (const LoopRow& row : rows) {
        SInputObjSettings settings;
        for (const char* plain : {"forward", "back", "left", "right", "jump", "crouch"})
            settings.AddCommand(plain, "", 1, -1, -1, -1);
        for (const std::string& alias : row.aliases) {
            const size_t equals = alias.find('=');
            const int index = settings.AddCommand(alias.substr(0, equals).c_str(), "", 1, -1, -1, -1);
            settings.ClearAlias(index);  // as ALIAS does
            for (size_t at = equals + 1, end; at <= alias.size(); at = end + 1) {
                end = std::min(alias.find(';', at), alias.size());
                EXPECT_TRUE(settings.AddAlias(index, alias.substr(at, end - at).c_str())) << row.what << ": " << alias;
            }
        }
        const int index = settings.AddCommand(row.command, "", 1, -1, -1, -1);
        const std::clock_t start = std::clock();
        EXPECT_EQ(settings.AddAlias(index, row.step), row.accepted) << row.what;
        // A check follows each name once, however many ways lead to it.
        EXPECT_LT(std::clock() - start, CLOCKS_PER_SEC) << row.what;
        EXPECT_EQ(settings.GetAliasCount(index), row.accepted ? 1 : 0) << row.what;
    }
}

TEST(InputBindingsTest, AliasTextsAndSteps) {
    SInputObjSettings settings;
    const int combo = settings.AddCommand("combo", "", 1, -1, -1, -1);
    settings.AddAlias(combo, "+run");
    settings.AddAlias(combo, "wait 200");
    settings.AddAlias(combo, "-run");
    EXPECT_STREQ(settings.GetAliasText(combo).GetString(), "+run;wait 200;-run");
    EXPECT_STREQ(settings.GetAlias(combo, 1).GetString(), "wait 200");
    EXPECT_STREQ(settings.GetAlias(combo, 3).GetString(), "");
    EXPECT_STREQ(settings.GetAlias(combo, -1).GetString(), "");
    EXPECT_STREQ(settings.GetAliasText(7).GetString(), "");
    settings.ClearAlias(combo);
    EXPECT_EQ(settings.GetAliasCount(combo), 0);
}

TEST(InputBindingsTest, ResolvingKeepsTheStrippedPrefixInFront) {
    SInputObjSettings settings;
    const int shoot = settings.AddCommand("shoot", "", 1, -1, -1, -1);
    settings.AddAlias(shoot, "+attack");
    SString resolved;
    EXPECT_TRUE(settings.ResolveAlias("-shoot", resolved));
    EXPECT_STREQ(resolved.GetString(), "-+attack");
    EXPECT_TRUE(settings.ResolveAlias("shoot", resolved));
    EXPECT_STREQ(resolved.GetString(), "+attack");
    EXPECT_FALSE(settings.ResolveAlias("+jump", resolved));
    EXPECT_STREQ(resolved.GetString(), "+jump");
}

TEST(InputBindingsTest, ResolvingFollowsSingleStepsButNotLists) {
    SInputObjSettings settings;
    const int one = settings.AddCommand("one", "", 1, -1, -1, -1);
    const int two = settings.AddCommand("two", "", 1, -1, -1, -1);
    const int list = settings.AddCommand("list", "", 1, -1, -1, -1);
    settings.AddAlias(one, "two");
    settings.AddAlias(two, "final");
    settings.AddAlias(list, "x");
    settings.AddAlias(list, "y");
    SString resolved;
    EXPECT_TRUE(settings.ResolveAlias("one", resolved));
    EXPECT_STREQ(resolved.GetString(), "final");
    EXPECT_FALSE(settings.ResolveAlias("list", resolved));
    EXPECT_STREQ(resolved.GetString(), "list");
}

TEST(InputBindingsTest, ResolvingTwoStepsThatNameEachOtherStops) {
    // Such a pair can only come from a damaged file: the alias checks refuse to make it.
    SInputObjSettings settings;
    const int ping = settings.AddCommand("ping", "", 1, -1, -1, -1);
    const int pong = settings.AddCommand("pong", "", 1, -1, -1, -1);
    settings.GetCommand(ping)->m_Steps.push_back("pong");
    settings.GetCommand(pong)->m_Steps.push_back("ping");
    SString resolved;
    EXPECT_TRUE(settings.ResolveAlias("+ping", resolved));
    // Ten replacements: ping -> pong -> ... -> ping.
    EXPECT_STREQ(resolved.GetString(), "+ping");
    EXPECT_TRUE(settings.ResolveAlias("pong", resolved));
    EXPECT_STREQ(resolved.GetString(), "pong");
}

TEST(InputBindingsTest, LookupsByNameIgnoreCase) {
    SInputObjSettings settings;
    settings.AddCommand("Forward", "", 1, DIK_W, -1, -1);
    EXPECT_EQ(settings.FindCommand("fORWARD"), 0);
    EXPECT_EQ(settings.FindCommand(""), -1);
    EXPECT_EQ(settings.FindCommand(nullptr), -1);
    EXPECT_EQ(settings.FindCommandByCodes(-1, -1, -1), -1);
}

TEST(InputBindingsTest, NameTables) {
    EXPECT_EQ(SInputObjSettings::KeyTableSize(), 120);
    EXPECT_STREQ(SInputObjSettings::KeyCodeToDisplayName(-1), "(None)");
    EXPECT_STREQ(SInputObjSettings::KeyCodeToConfigName(-1), "Unrecognized");
    EXPECT_STREQ(SInputObjSettings::KeyCodeToDisplayName(0x59), "Undefined");
    EXPECT_STREQ(SInputObjSettings::KeyCodeToDisplayName(DIK_NUMPADENTER), "Keypad Enter");
    EXPECT_STREQ(SInputObjSettings::KeyCodeToConfigName(DIK_NUMPADENTER), "enter");
    EXPECT_STREQ(SInputObjSettings::KeyCodeToDisplayName(DIK_BACKSLASH), "\\");
    EXPECT_STREQ(SInputObjSettings::KeyCodeToDisplayName(DIK_DELETE), "Gray delete");
    EXPECT_EQ(SInputObjSettings::KeyConfigNameToCode("PGDN"), DIK_NEXT);
    EXPECT_EQ(SInputObjSettings::KeyConfigNameToCode("k+"), DIK_ADD);
    EXPECT_EQ(SInputObjSettings::KeyConfigNameToCode("nosuchkey"), -1);
    // "N" precedes "M" in the listing order.
    EXPECT_STREQ(SInputObjSettings::KeyIndexToConfigName(22), "n");
    EXPECT_STREQ(SInputObjSettings::KeyIndexToConfigName(23), "m");
    EXPECT_STREQ(SInputObjSettings::KeyIndexToConfigName(0), "0");
    EXPECT_STREQ(SInputObjSettings::KeyIndexToConfigName(119), "yen");
    EXPECT_STREQ(SInputObjSettings::KeyIndexToConfigName(120), "");

    EXPECT_STREQ(SInputObjSettings::MouseCodeToDisplayName(2), "Middle Mouse");
    EXPECT_STREQ(SInputObjSettings::MouseCodeToConfigName(0), "mouse1");
    EXPECT_STREQ(SInputObjSettings::MouseCodeToConfigName(3), "Unrecognized");
    EXPECT_STREQ(SInputObjSettings::MouseCodeToDisplayName(3), "Undefined");
    EXPECT_EQ(SInputObjSettings::MouseConfigNameToCode("MOUSE3"), 2);
    EXPECT_STREQ(SInputObjSettings::MouseIndexToConfigName(1), "mouse2");

    EXPECT_STREQ(SInputObjSettings::JoyCodeToDisplayName(0), "Joystick 1");
    EXPECT_STREQ(SInputObjSettings::JoyCodeToDisplayName(31), "Joystick 32");
    EXPECT_STREQ(SInputObjSettings::JoyCodeToDisplayName(32), "Undefined");
    EXPECT_STREQ(SInputObjSettings::JoyCodeToDisplayName(-1), "(None)");
    EXPECT_STREQ(SInputObjSettings::JoyCodeToConfigName(9), "joy10");
    EXPECT_EQ(SInputObjSettings::JoyConfigNameToCode("Joy32"), 31);
    EXPECT_EQ(SInputObjSettings::JoyConfigNameToCode("joy33"), -1);
    EXPECT_STREQ(SInputObjSettings::JoyIndexToConfigName(32), "");
}

TEST(InputBindingsTest, VariablesClampTheSensitivities) {
    SInputObjSettings settings;
    SString value;
    EXPECT_TRUE(settings.SetVariable("inp_msensitivity", "0"));
    EXPECT_TRUE(settings.GetVariable("inp_msensitivity", value));
    EXPECT_STREQ(value.GetString(), "1");
    EXPECT_TRUE(settings.SetVariable("INP_MSENSITIVITY", "300"));
    EXPECT_TRUE(settings.GetVariable("inp_msensitivity", value));
    EXPECT_STREQ(value.GetString(), "255");
    EXPECT_TRUE(settings.SetVariable("inp_jsensitivity", "254"));
    EXPECT_EQ(settings.m_nJSensitivity, 254);
    EXPECT_TRUE(settings.SetVariable("inp_jsensitivity", "-4"));
    EXPECT_EQ(settings.m_nJSensitivity, 1);
    EXPECT_FALSE(settings.SetVariable("inp_unknown", "1"));
    EXPECT_FALSE(settings.GetVariable("snd_enabled", value));
}

TEST(InputBindingsTest, AimingSetsBothAimingWords) {
    SInputObjSettings settings;
    settings.SetVariable("inp_aiming", "0");
    EXPECT_EQ(settings.m_iAiming, 0);
    EXPECT_EQ(settings.m_iJoyAiming, 0);
    settings.SetVariable("inp_invertx", "12abc");
    SString value;
    settings.GetVariable("inp_invertx", value);
    EXPECT_STREQ(value.GetString(), "12");
}

TEST(InputBindingsTest, VariableNamesAreListedUnderTheirHeader) {
    SInputObjSettings settings;
    CArray<SString> names;
    settings.ListVariables(names);
    const char* expected[] = {"\n-- Input settings\n", "inp_aiming", "inp_aiming_nload", "inp_invertx",
                              "inp_inverty", "inp_joystick", "inp_ffeedback", "inp_msensitivity",
                              "inp_jsensitivity", "inp_msmoothing", "inp_lightgun", "inp_calibratelightgun"};
    ASSERT_EQ(names.GetSize(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_STREQ(names[i].GetString(), expected[i]) << i;
    }
}

TEST(InputBindingsTest, DefaultBindingsOfTheSecondLayoutWriteTheseLines) {
    SInputObjSettings settings;
    SInputs::SetDefaultBindings(settings, 2);
    const std::string expected = std::string(
                                     "\n-- Input settings\n\n"
                                     "bind up \"forward\" \"Walk Forward\"\n"
                                     "bind down \"back\" \"Walk Backward\"\n"
                                     "bind end \"right\" \"Step Right\"\n"
                                     "bind delete \"left\" \"Step Left\"\n"
                                     "bind rshift \"run\" \"Run\"\n"
                                     "bind ralt \"jump\" \"Jump\"\n"
                                     "bind rctrl \"crouch\" \"Crouch\"\n"
                                     "bind lshift \"shift\" \"Function Shift\"\n"
                                     "bind right \"tright\" \"Turn Right\"\n"
                                     "bind left \"tleft\" \"Turn Left\"\n"
                                     "bind pgup \"lup\" \"Look Up\"\n"
                                     "bind pgdn \"ldown\" \"Look Down\"\n"
                                     "bind return \"use\" \"Use Item\"\n"
                                     "bind z \"use2\" \"Use Item 2\"\n"
                                     "bind space \"weapon\" \"Raise Weapon\"\n"
                                     "bind l \"lower\" \"Lower Item\"\n"
                                     "bind [ \"open\" \"Open Weapon\"\n"
                                     "bind ] \"close\" \"Close Weapon\"\n"
                                     "bind = \"zoomin\" \"Zoom In\"\n"
                                     "bind - \"zoomout\" \"Zoom Out\"\n"
                                     "bind k- \"viewdec\" \"Decrease View\"\n"
                                     "bind k+ \"viewinc\" \"Increase View\"\n"
                                     "bind bckspace \"cycle\" \"Cycle Start\"\n") +
                                 kDefaultSetLines;
    EXPECT_EQ(Written(settings, true), expected);
    EXPECT_EQ(settings.GetCommandCount(), 23);
    for (int i = 0; i < settings.GetCommandCount(); ++i) {
        EXPECT_EQ(settings.GetCommand(i)->m_iType, 1);
    }
}

TEST(InputBindingsTest, DefaultBindingsOfTheFirstLayout) {
    SInputObjSettings settings;
    SInputs::SetDefaultBindings(settings, 1);
    const std::string expected = std::string(
                                     "\n-- Input settings\n\n"
                                     "bind w \"forward\"\n"
                                     "bind s \"back\"\n"
                                     "bind d \"right\"\n"
                                     "bind a \"left\"\n"
                                     "bind lshift \"run\"\n"
                                     "bind e \"jump\"\n"
                                     "bind c \"crouch\"\n"
                                     "bind rshift \"shift\"\n"
                                     "bind right \"tright\"\n"
                                     "bind left \"tleft\"\n"
                                     "bind pgup \"lup\"\n"
                                     "bind pgdn \"ldown\"\n"
                                     "bind return \"use\"\n"
                                     "bind z \"use2\"\n"
                                     "bind space \"weapon\"\n"
                                     "bind l \"lower\"\n"
                                     "bind [ \"open\"\n"
                                     "bind ] \"close\"\n"
                                     "bind = \"zoomin\"\n"
                                     "bind - \"zoomout\"\n"
                                     "bind k- \"viewdec\"\n"
                                     "bind k+ \"viewinc\"\n"
                                     "bind bckspace \"cycle\"\n") +
                                 kDefaultSetLines;
    EXPECT_EQ(Written(settings, false), expected);
}

TEST(InputBindingsTest, AliasesAndUnnamedBindingsAreWrittenWithTheirSteps) {
    SInputObjSettings settings;
    const int combo = settings.AddCommand("combo", "Combo", 1, -1, 2, 3);
    settings.AddAlias(combo, "+run");
    settings.AddAlias(combo, "-run");
    const int steps = settings.AddCommand("", "", 1, DIK_F, -1, -1);
    settings.AddAlias(steps, "jump");
    settings.AddAlias(steps, "wait 200");
    settings.AddCommand("", "", 1, DIK_G, -1, -1);  // no steps: "bind g \"\"" would only ask about g
    settings.m_nMSensitivity = 200;
    const std::string text = Written(settings, true);
    const std::string expected = "\n-- Input settings\n\n"
                                 "alias combo \"+run;-run\" \"Combo\"\n"
                                 "bind mouse3 \"combo\" \"Combo\"\n"
                                 "bind joy4 \"combo\" \"Combo\"\n"
                                 "bind f \"jump;wait 200\" \"\"\n";
    EXPECT_EQ(text.substr(0, expected.size()), expected);
    EXPECT_NE(text.find("set inp_msensitivity \"200\"\n"), std::string::npos);
    EXPECT_EQ(text.find("bind g "), std::string::npos);
    const std::string plain = Written(settings, false);
    EXPECT_NE(plain.find("alias combo \"+run;-run\"\n"), std::string::npos);
    EXPECT_NE(plain.find("bind f \"jump;wait 200\"\n"), std::string::npos);
}

TEST(InputBindingsTest, AssignmentCopiesSettingsAndCommandsButNotAxisSlots) {
    SInputObjSettings source;
    source.AddCommand("fire", "Fire", 2, DIK_SPACE, 0, 1);
    source.AddAlias(source.AddCommand("combo", "", 1, -1, -1, -1), "+run");
    source.m_iLightGun = 1;
    source.m_nJSensitivity = 9;
    source.SetAxisCommand(6, 0);
    SInputObjSettings copy;
    copy.SetAxisCommand(4, 1);
    copy = source;
    EXPECT_EQ(copy.GetCommandCount(), 2);
    EXPECT_EQ(copy.GetCommand(0)->m_iType, 2);
    EXPECT_EQ(copy.GetCommand(0)->m_iJoyCode, 1);
    EXPECT_STREQ(copy.GetAliasText(1).GetString(), "+run");
    EXPECT_EQ(copy.m_iLightGun, 1);
    EXPECT_EQ(copy.m_nJSensitivity, 9);
    EXPECT_EQ(copy.GetAxisCommand(6), -1);
    EXPECT_EQ(copy.GetAxisCommand(4), 1);
    EXPECT_EQ(copy.SetAxisCommand(8, 0), -1);
}

}  // namespace
