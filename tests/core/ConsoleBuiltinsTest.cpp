// The thirteen built-in commands: their answers with and without arguments, HELP with and
// without a topic, every LIST topic, SET through the configuration, the variable store and the
// library, ALIAS and BIND round trips, and what each does when a service is missing.

#include <gtest/gtest.h>

#include <string>

#include "core/SCommandInterpreter.h"
#include "core/SConsoleCommands.h"
#include "tests/core/ConsoleTestSupport.h"

using consoletest::FakeConsoleHost;

namespace {

class ConsoleBuiltinsTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.AddGameCommand("Walk", "0");
        host.AddGameCommand("FIRE", "1");
        host.configValues = {{"snd_enabled", "1"}, {"gfx_width", "640"}, {"snd_driver", ""}};
        host.configNames = {SString("cfg_sysprofile"), SString("\n-- Sound settings\n"), SString("snd_enabled")};
        host.variables.SetOrAppend("APP_FPS", "0", 0);
        host.variables.SetOrAppend("APP_INPUT", "0", 0);
        host.variables.SetOrAppend("APP_LAYOUT", "0", 0);
        host.variables.SetOrAppend("APP_CLIENT", "-1", 0);
    }

    // The response of one line.
    std::string Run(const char* line) {
        SString out;
        console.ExecuteLine(SString(line), out);
        return out.GetString();
    }

    FakeConsoleHost host;
    SCommandInterpreter console{&host};
};

}  // namespace

TEST_F(ConsoleBuiltinsTest, TableHasThirteenRowsInOrder) {
    const char* expected[] = {"ALIAS", "BIND",    "EXEC",   "HELP",   "?",    "LIST", "SET",
                              "SOUND", "UNBOUND", "OBJECT", "PARSER", "EXIT", "COMM"};
    const SInterpreterCommand* table = console.GetCommandTable();
    for (int i = 0; i < console::kBuiltinCount; ++i)
        EXPECT_STREQ(table[i].name, expected[i]);
    EXPECT_EQ(table[console::kBuiltinCount].name, nullptr);
}

// --- HELP -----------------------------------------------------------------------------------------

TEST_F(ConsoleBuiltinsTest, HelpWithoutTopicListsTheTable) {
    EXPECT_EQ(Run("help"), "Usage: HELP [command]\nCommands: ALIAS, BIND, EXEC, HELP, ?, LIST, SET, SOUND, UNBOUND, "
                           "OBJECT, PARSER, EXIT, COMM");
    EXPECT_EQ(Run("?"), "Usage: ? [command]\nCommands: ALIAS, BIND, EXEC, HELP, ?, LIST, SET, SOUND, UNBOUND, "
                        "OBJECT, PARSER, EXIT, COMM");
    // The library gets the row name and the empty topic, to add its own list.
    EXPECT_EQ(host.Log(), "ParseCommand HELP  | ParseCommand ? ");
}

TEST_F(ConsoleBuiltinsTest, HelpTopicDescribesTheCommand) {
    EXPECT_EQ(Run("help exec"),
              "Executes commands line by line from a saved text file. If no extension is provided, .cfg is appended "
              "to the given filename. If the \"show\" parameter is provided, it displays the commands being "
              "executed.\nUsage: EXEC file[.cfg] [show]");
    EXPECT_EQ(Run("help unbound"), "Lists all commands and aliases which are not bound to any inputs.");
    EXPECT_EQ(Run("help exit"), "Ends the game if currently playing.\nUsage: EXIT");
    EXPECT_EQ(Run("HELP Comm"),
              "Allows you to perform operations with the communications system.\nParameters: \n STATS : brings up "
              "the comm stats dialog\nUsage: COMM [parameter]");
    EXPECT_EQ(Run("help ?"), "Displays information about a given command if available.\nAlso lists available "
                             "commands if no command name is given\nUsage: ? [command]\nCommands: ");
    EXPECT_EQ(host.Log(), "");
}

TEST_F(ConsoleBuiltinsTest, HelpTopicNamesTheRowTwiceForAlias) {
    EXPECT_EQ(Run("help alias"),
              "You may create new sets of commands by using ALIAS. These commands may be bound to inputs, or included "
              "within other sets of commands. If a command name is not specified, the existing set, if any, will be "
              "displayed. The 'wait [miliseconds]' command is special and available only within these types of "
              "setups.\nExample: ALIAS runjump \"+run;+forward;wait 200;jump;-run;-forward\" \"Run And Jump\"\n"
              "Usage: ALIAS commandname [\"command1;command2;...\"] [\"display name\"]");
}

TEST_F(ConsoleBuiltinsTest, HelpForListAddsTheTopics) {
    EXPECT_EQ(Run("help list"),
              "Displays a list of available information for certain things.\nYou may also list filenames by using "
              "the FILES option with your file pattern following in quotes.\nAvailable Info: INPUTS CMDS SETTINGS "
              "FILES\nUsage: LIST info [\"file pattern\"]");
}

TEST_F(ConsoleBuiltinsTest, HelpUnknownTopicAsksTheLibrary) {
    EXPECT_EQ(Run("help jump"), "");
    EXPECT_EQ(host.Log(), "ParseCommand HELP jump");
}

// --- ALIAS ----------------------------------------------------------------------------------------

TEST_F(ConsoleBuiltinsTest, AliasRoundTrip) {
    EXPECT_EQ(Run("alias runjump \"+run;+forward;wait 200;jump\" \"Run And Jump\""), "");
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0].steps, (std::vector<std::string>{"+run", "+forward", "wait 200", "jump"}));
    EXPECT_EQ(Run("alias runjump"), "Run And Jump: +run;+forward;wait 200;jump");
    EXPECT_EQ(host.log[0], "AddInputCommand runjump [Run And Jump] 1 -1 -1 -1");
    // Control characters are kept as the saved settings write them, tabs as they are.
    EXPECT_EQ(Run("alias go\x01 \"x\x1a;\ty\" \"G\x7f\""), "");
    EXPECT_EQ(Run("bind mouse3 \"a\x0b;b\" \"M\x1c\""), "");
    EXPECT_EQ(host.log[1], "AddInputCommand go? [G?] 1 -1 -1 -1");
    EXPECT_EQ(host.commands[1].steps, (std::vector<std::string>{"x?", "\ty"}));
    EXPECT_EQ(host.log[2], "AddInputCommand  [M?] 1 -1 2 -1");
    EXPECT_EQ(Run("bind mouse3"), "M?: a?;b");
}

TEST_F(ConsoleBuiltinsTest, AliasRedefinitionReplacesTheSteps) {
    Run("alias a \"one;two\"");
    Run("alias a \"three\"");
    EXPECT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(Run("alias a"), "three");
}

TEST_F(ConsoleBuiltinsTest, AliasOfGameCommandIsRefused) {
    EXPECT_EQ(Run("alias walk \"jump\""), "Cannot override fundamental command [walk]");
    EXPECT_EQ(Run("alias +fire \"jump\""), "Cannot override fundamental command [+fire]");
    // Nor the commands the saved settings are made of, which the next start would run as the alias.
    EXPECT_EQ(Run("alias set \"echo\""), "Cannot override fundamental command [set]");
    EXPECT_EQ(Run("alias BIND \"echo\""), "Cannot override fundamental command [BIND]");
    EXPECT_EQ(Run("alias +Alias \"echo\""), "Cannot override fundamental command [+Alias]");
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(Run("alias settings \"echo\""), "");
}

TEST_F(ConsoleBuiltinsTest, AliasReportsRefusedSteps) {
    EXPECT_EQ(Run("alias loop \"jump;loop;duck;LOOP\""), "Could not alias: loop LOOP ");
    EXPECT_EQ(Run("alias loop"), "jump;duck");
    // Blanks around a step do not hide where it leads, and blanks alone are no step.
    EXPECT_EQ(Run("alias loop \" jump ; loop; \t ;  ;duck \""), "Could not alias: loop ");
    EXPECT_EQ(Run("alias loop"), "jump;duck");
}

TEST_F(ConsoleBuiltinsTest, AliasWithoutNameOrUnknownNameShowsUsage) {
    const std::string usage = "Usage: ALIAS commandname [\"command1;command2;...\"] [\"display name\"]";
    EXPECT_EQ(Run("alias"), usage);
    EXPECT_EQ(Run("alias nothing"), usage);
    EXPECT_EQ(Run("+alias"), usage);
}

TEST_F(ConsoleBuiltinsTest, AliasWithoutInputObjectDoesNothing) {
    host.input = false;
    EXPECT_EQ(Run("alias a \"b\""), "");
    EXPECT_EQ(Run("alias a"), "");
    EXPECT_TRUE(host.commands.empty());
}

// --- BIND -----------------------------------------------------------------------------------------

TEST_F(ConsoleBuiltinsTest, BindRoundTripSingleCommand) {
    EXPECT_EQ(Run("bind space \"+jump\" \"Jump\""), "");
    // "space" is row 2 of the fake key table, code 32.
    EXPECT_EQ(host.log[0], "AddInputCommand +jump [Jump] 1 32 -1 -1");
    EXPECT_EQ(Run("bind SPACE"), "Jump: +jump");
    // One step among blank pieces is the command itself; blank pieces alone bind no step.
    EXPECT_EQ(Run("bind a \" ; +duck ;\t\""), "");
    EXPECT_EQ(Run("bind b \" ;\""), "");
    EXPECT_EQ(host.log[1], "AddInputCommand +duck [] 1 30 -1 -1");
    EXPECT_EQ(host.log[2], "AddInputCommand  [] 1 31 -1 -1");
    EXPECT_TRUE(host.commands.back().steps.empty());
}

TEST_F(ConsoleBuiltinsTest, BindRoundTripSetOfSteps) {
    EXPECT_EQ(Run("bind mouse3 \"+run;+forward;wait 200;jump\""), "");
    EXPECT_EQ(host.log[0], "AddInputCommand  [] 1 -1 2 -1");
    EXPECT_EQ(Run("bind mouse3"), "+run;+forward;wait 200;jump");
}

TEST_F(ConsoleBuiltinsTest, BindOfJoystickButton) {
    Run("bind joy2 \"duck\"");
    EXPECT_EQ(host.log[0], "AddInputCommand duck [] 1 -1 -1 1");
}

TEST_F(ConsoleBuiltinsTest, BindUnknownInputIsRefused) {
    EXPECT_EQ(Run("bind wheel9 \"jump\""), "Input 'wheel9' not recognized.");
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(ConsoleBuiltinsTest, BindShowsUsageWhenNothingIsBound) {
    const std::string usage = "Usage: BIND input [\"command1;command2;...\"] [\"display name\"]";
    EXPECT_EQ(Run("bind mouse2"), usage);
    EXPECT_EQ(Run("bind"), usage);
    host.input = false;
    EXPECT_EQ(Run("bind a \"jump\""), usage);
}

// --- EXEC (files are in ConsoleExecFileTest) ------------------------------------------------------

TEST_F(ConsoleBuiltinsTest, ExecWithoutFileShowsUsage) { EXPECT_EQ(Run("exec"), "Usage: EXEC file[.cfg] [show]"); }

TEST_F(ConsoleBuiltinsTest, ExecOfMissingFileAddsTheExtension) {
    EXPECT_EQ(Run("exec no_such_script"), "no_such_script.cfg not found");
    EXPECT_EQ(Run("exec no_such.txt show"), "no_such.txt not found");
}

// --- LIST -----------------------------------------------------------------------------------------

TEST_F(ConsoleBuiltinsTest, ListWithoutTopic) {
    EXPECT_EQ(Run("list"), "Available Info: INPUTS CMDS SETTINGS FILES\nUsage: LIST info [\"file pattern\"]");
}

TEST_F(ConsoleBuiltinsTest, ListInputs) {
    EXPECT_EQ(Run("list inputs"), "a b space enter mouse1 mouse2 mouse3 joy1 joy2 ");
    host.input = false;
    EXPECT_EQ(Run("list inputs"), "");
}

TEST_F(ConsoleBuiltinsTest, ListCommandsInLowerCase) {
    EXPECT_EQ(Run("LIST cmds"), "walk fire");
    host.withGameCommands = false;
    EXPECT_EQ(Run("list cmds"), "");
}

TEST_F(ConsoleBuiltinsTest, ListCommandsSkipsUnwrittenSlots) {
    // The game items keep thousands of empty slots for the library's appends.
    SDataCollection* commands = host.GetGameCommands();
    commands->SetSize(64);
    EXPECT_EQ(Run("list cmds"), "walk fire");
}

TEST_F(ConsoleBuiltinsTest, ListSettings) {
    host.gameSettings.SetOrAppend("g_speed", "3", 0);
    host.gameSettings.SetOrAppend("g_hidden", "1", 5);
    host.gameSettings.SetOrAppend("g_gravity", "9", 0);
    EXPECT_EQ(Run("list settings"), "cfg_sysprofile \n-- Sound settings\n snd_enabled g_speed  g_gravity");
    host.config = false;
    EXPECT_EQ(Run("list settings"), "");
}

TEST_F(ConsoleBuiltinsTest, ListUnknownTopic) {
    EXPECT_EQ(Run("list maps"), "'maps' is not a recognized list of information.\nAvailable Info: INPUTS CMDS "
                                "SETTINGS FILES\n");
    host.input = false;
    EXPECT_EQ(Run("list files \"*\""), "'files' is not a recognized list of information.\nAvailable Info: INPUTS "
                                       "CMDS SETTINGS FILES\n");
}

// --- SET ------------------------------------------------------------------------------------------

TEST_F(ConsoleBuiltinsTest, SetGoesToTheConfigurationFirst) {
    EXPECT_EQ(Run("set snd_enabled \"0\""), "");
    EXPECT_EQ(host.Log(), "SetConfigVariable snd_enabled [0]");
    EXPECT_EQ(Run("set snd_enabled"), "snd_enabled is \"0\"");
}

TEST_F(ConsoleBuiltinsTest, SetOfVariableStoreSwitchesOverlays) {
    EXPECT_EQ(Run("set APP_FPS \"1\""), "");
    EXPECT_TRUE(host.showFps);
    EXPECT_FALSE(host.showInput);
    EXPECT_EQ(host.clientValue, -1);
    Run("set app_client 3");
    EXPECT_EQ(host.clientValue, 3);
    EXPECT_EQ(host.variables.GetIntByName("APP_CLIENT"), 3);
    EXPECT_EQ(host.Log(), "");
}

TEST_F(ConsoleBuiltinsTest, SetOfUnknownNameGoesToTheLibrary) {
    EXPECT_EQ(Run("SET g_speed \"fast car\""), "");
    EXPECT_EQ(host.Log(), "ParseCommand SET g_speed \"fast car\"");
}

TEST_F(ConsoleBuiltinsTest, SetShowsLibrarySettingsAndMisses) {
    host.gameSettings.SetOrAppend("g_speed", "3", 0);
    EXPECT_EQ(Run("set G_SPEED"), "G_SPEED is \"3\"");
    EXPECT_EQ(Run("set nosuch"), "nosuch not found.");
    // A known setting with an empty value reads as missing.
    EXPECT_EQ(Run("set snd_driver"), "snd_driver not found.");
}

TEST_F(ConsoleBuiltinsTest, SetWithoutNameAppendsUsage) {
    SString out("before ");
    console.ExecuteLine(SString("set"), out);
    EXPECT_STREQ(out.GetString(), "before Usage: SET settingname [\"value\"]");
}

TEST_F(ConsoleBuiltinsTest, SetWithoutConfigurationDoesNothing) {
    host.config = false;
    EXPECT_EQ(Run("set APP_FPS 1"), "");
    EXPECT_EQ(Run("set snd_enabled"), "");
    EXPECT_FALSE(host.showFps);
    EXPECT_EQ(host.Log(), "");
}

// --- SOUND, UNBOUND, OBJECT, PARSER, EXIT, COMM ---------------------------------------------------

TEST_F(ConsoleBuiltinsTest, SoundShowTogglesTheOverlay) {
    EXPECT_EQ(Run("sound show"), "");
    EXPECT_TRUE(host.soundStats);
    Run("sound SHOW");
    EXPECT_FALSE(host.soundStats);
    Run("sound play");
    EXPECT_FALSE(host.soundStats);
    EXPECT_EQ(Run("sound"), "Usage: SOUND [action]");
}

TEST_F(ConsoleBuiltinsTest, UnboundListsCommandsWithoutInputs) {
    EXPECT_EQ(Run("unbound"), "All commands and aliases are bound to inputs.");
    Run("alias runjump \"jump\"");
    Run("bind a \"duck\"");
    EXPECT_EQ(Run("unbound"), "runjump ");
    host.input = false;
    EXPECT_EQ(Run("unbound"), "");
}

TEST_F(ConsoleBuiltinsTest, ObjectOpensABlockWhileAllowed) {
    EXPECT_EQ(Run("object crate extra"), "");
    EXPECT_EQ(host.Log(), "ObjectParse OBJECT crate");
    host.objectCommands = false;
    EXPECT_EQ(Run("object crate"), "Object commands are disabled after game initialization");
    host.library = false;
    EXPECT_EQ(Run("object crate"), "");
}

TEST_F(ConsoleBuiltinsTest, ParserShotDefaultsAndArguments) {
    EXPECT_EQ(Run("parser shot"), "");
    EXPECT_EQ(Run("parser shot 500"), "");
    EXPECT_EQ(Run("parser SHOT 300, 2500.5,100 ,900"), "");
    EXPECT_EQ(host.Log(), "RendererOverheadShot 200 1000.0 2000 20000 | SaveScreenShot | "
                          "RendererOverheadShot 500 1000.0 2000 20000 | SaveScreenShot | "
                          "RendererOverheadShot 300 2500.5 100 900 | SaveScreenShot");
}

TEST_F(ConsoleBuiltinsTest, ParserLogAndUsage) {
    EXPECT_EQ(Run("parser log"), "");
    EXPECT_EQ(host.Log(), "RendererStatusLog");
    EXPECT_EQ(Run("parser"), "Usage: PARSER [parameter]");
    EXPECT_EQ(Run("parser spin"), "Usage: PARSER [parameter]");
}

TEST_F(ConsoleBuiltinsTest, ParserWithoutRendererDoesNothing) {
    host.renderer = false;
    EXPECT_EQ(Run("parser log"), "");
    EXPECT_EQ(Run("parser shot 1 2 3 4"), "");
    EXPECT_EQ(host.Log(), "");
}

TEST_F(ConsoleBuiltinsTest, ExitEndsOnlyARunningGame) {
    EXPECT_EQ(Run("exit"), "");
    EXPECT_EQ(host.Log(), "");
    host.gameScreen = true;
    EXPECT_EQ(Run("exit"), "");
    EXPECT_EQ(host.Log(), "EndGame");
}

TEST_F(ConsoleBuiltinsTest, CommStatsAsksTheLibrary) {
    EXPECT_EQ(Run("comm stats"), "");
    EXPECT_EQ(Run("comm"), "");
    EXPECT_EQ(Run("comm ping"), "");
    EXPECT_EQ(host.Log(), "ParseCommand COMMSTATS");
}
