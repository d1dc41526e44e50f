// Who gets a console line: comments, object blocks, game commands with their states and
// arguments, point commands, input aliases, built-ins with a "+"/"-" prefix, and the library's
// general parser; plus the interpreter's own tokenizer and the cut of over-long lines.

#include <gtest/gtest.h>

#include <string>

#include "core/SCommandInterpreter.h"
#include "tests/core/ConsoleTestSupport.h"

using consoletest::FakeConsoleHost;

namespace {

class ConsoleDispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.AddGameCommand("walk", "0");   // index 0
        host.AddGameCommand("jump", "1");   // index 1, one-shot
        host.AddGameCommand("shoot", "6");  // index 2, point command
        host.AddGameCommand("exec", "0");   // index 3, shadows the built-in
    }

    bool Run(const char* line) {
        response.Empty();
        return console.ExecuteLine(SString(line), response);
    }

    FakeConsoleHost host;
    SCommandInterpreter console{&host};
    SString response;
};

// Exposes the line loading so the tokenizer can be driven without a command.
class TokenizingInterpreter : public SInterpreter {
public:
    void Load(const char* text) { LoadLine(text); }
};

}  // namespace

TEST_F(ConsoleDispatchTest, EmptyAndCommentLinesReachNobody) {
    host.objectBlock = true;
    EXPECT_FALSE(Run(""));
    EXPECT_FALSE(Run("-- jump"));
    EXPECT_FALSE(Run("--"));
    EXPECT_EQ(host.Log(), "");
}

TEST_F(ConsoleDispatchTest, OneShotCommandIsPlainWhenPressed) {
    EXPECT_TRUE(Run("+jump"));
    EXPECT_TRUE(Run("-jump"));
    EXPECT_TRUE(Run("jump"));
    EXPECT_EQ(host.Log(), "DoCommand 1 2 [] | DoCommand 1 1 [] | DoCommand 1 2 []");
}

TEST_F(ConsoleDispatchTest, HoldCommandKeepsPressedState) {
    EXPECT_TRUE(Run("+WALK 5"));
    EXPECT_EQ(host.Log(), "DoCommand 0 0 [5]");
}

TEST_F(ConsoleDispatchTest, ArgumentTextKeepsInnerBlanksAndQuotes) {
    EXPECT_TRUE(Run("walk  to \"the  door\" "));
    EXPECT_EQ(host.Log(), "DoCommand 0 2 [ to \"the  door\" ]");
}

TEST_F(ConsoleDispatchTest, GameCommandsComeBeforeBuiltins) {
    EXPECT_TRUE(Run("exec nothing"));
    EXPECT_EQ(host.Log(), "DoCommand 3 2 [nothing]");
    EXPECT_TRUE(response.IsEmpty());
}

TEST_F(ConsoleDispatchTest, GameCommandIsHandledWithoutLibrary) {
    host.library = false;
    EXPECT_TRUE(Run("walk"));
    EXPECT_EQ(host.Log(), "");
}

TEST_F(ConsoleDispatchTest, AliasIsRunByTheInputObject) {
    host.AddAliasCommand("runjump", {"+run", "jump"});
    EXPECT_TRUE(Run("runjump"));
    EXPECT_TRUE(Run("+RunJump"));
    EXPECT_EQ(host.Log(), "ExecuteInputCommand 0 | ExecuteInputCommand 0");
}

TEST_F(ConsoleDispatchTest, AliasWithMinusFallsThroughToTheLibrary) {
    host.AddAliasCommand("runjump", {"+run", "jump"});
    EXPECT_TRUE(Run("-runjump"));
    EXPECT_EQ(host.Log(), "ParseCommand -runjump");
}

TEST_F(ConsoleDispatchTest, InputCommandWithoutStepsIsNoAlias) {
    host.AddAliasCommand("crouch", {});
    host.AddAliasCommand("crouch2", {"crouch"});
    EXPECT_TRUE(Run("crouch"));
    EXPECT_EQ(host.Log(), "ParseCommand crouch");
}

// A namesake without steps does not hide a later one with steps, and a bare "+" names the
// first unnamed command with steps (a binding of several steps).
TEST_F(ConsoleDispatchTest, AliasIsTheFirstNamesakeWithSteps) {
    host.AddAliasCommand("dive", {});
    host.AddAliasCommand("", {});
    host.AddAliasCommand("DIVE", {"+crouch", "jump"});
    host.AddAliasCommand("", {"+fire", "-fire"});
    EXPECT_EQ(console.FindInputAlias("dive"), 2);
    EXPECT_EQ(console.FindInputAlias("+Dive"), 2);
    EXPECT_EQ(console.FindInputAlias("-dive"), -1);
    EXPECT_EQ(console.FindInputAlias("+"), 3);
    EXPECT_EQ(console.FindInputAlias("div"), -1);
}

TEST_F(ConsoleDispatchTest, BuiltinTakesOnePrefix) {
    EXPECT_TRUE(Run("+sound show"));
    EXPECT_TRUE(host.soundStats);
    EXPECT_TRUE(Run("-SOUND show"));
    EXPECT_FALSE(host.soundStats);
    // Two prefixes are not a built-in any more.
    EXPECT_TRUE(Run("++sound show"));
    EXPECT_FALSE(host.soundStats);
    EXPECT_EQ(host.Log(), "ParseCommand ++sound show");
}

TEST_F(ConsoleDispatchTest, UnknownLineGoesToParseCommand) {
    EXPECT_TRUE(Run("say hello"));
    EXPECT_EQ(host.Log(), "ParseCommand say hello");
    host.library = false;
    EXPECT_FALSE(Run("say hello"));
}

TEST_F(ConsoleDispatchTest, BlankLineGoesToParseCommandOnly) {
    EXPECT_TRUE(Run("    "));
    EXPECT_EQ(host.Log(), "ParseCommand     ");
    host.library = false;
    host.log.clear();
    EXPECT_FALSE(Run("   "));
    EXPECT_EQ(host.Log(), "");
}

TEST_F(ConsoleDispatchTest, OpenObjectBlockTakesEveryLine) {
    host.objectBlock = true;
    EXPECT_FALSE(Run("help"));
    EXPECT_FALSE(Run("jump"));
    EXPECT_FALSE(Run("  name \"box\""));
    EXPECT_EQ(host.Log(), "ObjectParse help | ObjectParse jump | ObjectParse   name \"box\"");
    EXPECT_TRUE(response.IsEmpty());
}

TEST_F(ConsoleDispatchTest, ObjectBlockNeedsTheLibrary) {
    host.objectBlock = true;
    host.library = false;
    EXPECT_TRUE(Run("sound show"));
    EXPECT_TRUE(host.soundStats);
}

TEST_F(ConsoleDispatchTest, WithoutHostOnlyBuiltinsWork) {
    SCommandInterpreter bare;
    SString out;
    EXPECT_TRUE(bare.ExecuteLine(SString("set"), out));
    EXPECT_EQ(std::string(out.GetString()), "Usage: SET settingname [\"value\"]");
    EXPECT_FALSE(bare.ExecuteLine(SString("jump"), out));
    EXPECT_FALSE(bare.ExecuteLine(SString("   "), out));
}

TEST_F(ConsoleDispatchTest, PointCommandTakesTheLightGunRay) {
    host.gameState = 7;
    host.lightGunX = 100;
    host.lightGunY = 50;
    host.eye[0] = 8.0f;
    host.eye[1] = 16.0f;
    host.eye[2] = -24.0f;
    host.direction[0] = 1.0f;  // along +x: yaw 90, level: pitch 0
    host.direction[1] = 0.0f;
    host.direction[2] = 0.0f;
    EXPECT_TRUE(Run("+shoot"));
    EXPECT_EQ(host.Log(), "GetViewRay 100 50 | DoCommand 2 0 [1.00,2.00,-3.00, 0.00,90.00]");
}

TEST_F(ConsoleDispatchTest, PointCommandOutsideTheViewDoesNothing) {
    host.gameState = 7;
    host.lightGunX = 640;  // the right edge is outside
    host.lightGunY = 10;
    EXPECT_TRUE(Run("shoot"));
    host.lightGunX = 10;
    host.lightGun = false;
    EXPECT_TRUE(Run("shoot"));
    host.lightGun = true;
    host.renderer = false;
    EXPECT_TRUE(Run("shoot"));
    EXPECT_EQ(host.Log(), "");
}

TEST_F(ConsoleDispatchTest, PointCommandOutsideAimingNotifiesCalibration) {
    host.gameState = 3;
    EXPECT_TRUE(Run("shoot"));
    EXPECT_TRUE(Run("-shoot"));
    EXPECT_TRUE(Run("shoot 1,2,3, 4,5"));
    EXPECT_EQ(host.Log(), "NotifyGunCalibrateScreen | DoCommand 2 1 [] | DoCommand 2 2 [1,2,3, 4,5]");
}

TEST_F(ConsoleDispatchTest, OverlongLineIsTakenWhole) {
    const std::string line = "say " + std::string(3000, 'x');
    EXPECT_TRUE(Run(line.c_str()));
    ASSERT_EQ(host.log.size(), 1u);
    EXPECT_EQ(host.log[0], "ParseCommand " + line);

    host.log.clear();
    const std::string command = "walk " + std::string(2000, 'y');
    EXPECT_TRUE(Run(command.c_str()));
    EXPECT_EQ(host.log[0], "DoCommand 0 2 [" + std::string(2000, 'y') + "]");
}

TEST_F(ConsoleDispatchTest, GameCommandLookupStates) {
    int index = -1;
    int state = -1;
    int kind = -1;
    ASSERT_TRUE(console.FindGameCommand("-JUMP", index, state, kind));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(state, 1);
    EXPECT_EQ(kind, 1);
    ASSERT_TRUE(console.FindGameCommand("+shoot", index, state, kind));
    EXPECT_EQ(state, 0);
    EXPECT_EQ(kind, 6);
    EXPECT_FALSE(console.FindGameCommand("+", index, state, kind));
    EXPECT_FALSE(console.FindGameCommand("run", index, state, kind));
}

TEST(ConsoleTokenizerTest, QuotedArgumentKeepsItsBlanks) {
    TokenizingInterpreter interpreter;
    interpreter.Load("cmd \"a b\" c");
    EXPECT_STREQ(interpreter.TakeToken(" "), "cmd");
    SString out;
    interpreter.NextToken(out, " ");
    EXPECT_STREQ(out.GetString(), "a b");
    interpreter.NextToken(out, " ");
    EXPECT_STREQ(out.GetString(), "c");
    interpreter.NextToken(out, " ");
    EXPECT_STREQ(out.GetString(), "");
}

TEST(ConsoleTokenizerTest, QuoteSeparatorSkipsBlankTokens) {
    TokenizingInterpreter interpreter;
    interpreter.Load("bind  a   \"Run And Jump\" \"  \" tail  ");
    EXPECT_STREQ(interpreter.TakeToken(" "), "bind");
    EXPECT_STREQ(interpreter.TakeToken(" "), "a");
    SString out;
    interpreter.NextToken(out, "\"");
    EXPECT_STREQ(out.GetString(), "Run And Jump");
    // The blank-only quoted text and the blank between are passed over; the unquoted rest
    // comes back with its trailing blanks.
    interpreter.NextToken(out, "\"");
    EXPECT_STREQ(out.GetString(), " tail  ");
}

TEST(ConsoleTokenizerTest, PositionContinuesAcrossSeparatorSets) {
    TokenizingInterpreter interpreter;
    interpreter.Load("parser shot 10,,20 , 30");
    EXPECT_STREQ(interpreter.TakeToken(" "), "parser");
    EXPECT_STREQ(interpreter.TakeToken(" ,"), "shot");
    EXPECT_STREQ(interpreter.TakeToken(" ,"), "10");
    EXPECT_STREQ(interpreter.TakeToken(","), "20 ");
    EXPECT_STREQ(interpreter.TakeToken(" ,"), "30");
    EXPECT_EQ(interpreter.TakeToken(" ,"), nullptr);
    EXPECT_EQ(interpreter.TakeToken(" ,"), nullptr);
}
