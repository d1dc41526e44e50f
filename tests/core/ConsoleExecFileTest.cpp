// Command files: line cleaning and counting, the "show" listing, responses of the lines run,
// long lines read whole, nesting (and its limit), and LIST FILES over a real folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/SCommandInterpreter.h"
#include "core/SFileSystem.h"
#include "core/SObjectParser.h"
#include "sys/signals.h"
#include "sys/window/headless/headless_dialogs.h"
#include "tests/core/ConsoleTestSupport.h"

namespace fs = std::filesystem;
using consoletest::FakeConsoleHost;

namespace {

// Each test runs inside a folder of its own, since EXEC names files relative to the working
// directory; the old working directory comes back afterwards.
class ConsoleExecFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::path(TARVEX_TEST_BINARY_DIR) /
                (std::string("console_exec_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_previous = fs::current_path();
        fs::current_path(m_dir);
    }
    void TearDown() override {
        fs::current_path(m_previous);
        fs::remove_all(m_dir);
    }

    void Write(const char* name, const std::string& text) {
        std::ofstream out(m_dir / name, std::ios::binary);
        out << text;
    }

    std::string Run(const char* line) {
        SString out;
        console.ExecuteLine(SString(line), out);
        return out.GetString();
    }

    fs::path m_dir;
    fs::path m_previous;
    FakeConsoleHost host;
    SCommandInterpreter console{&host};
};

}  // namespace

TEST_F(ConsoleExecFileTest, SkipsEmptyLinesAndCountsTheRest) {
    Write("three.cfg", "first\n\n   second   \n");
    SString out;
    EXPECT_TRUE(console.ExecFile(SString("three.cfg"), out, false));
    EXPECT_STREQ(out.GetString(), "Executed three.cfg [2 commands]");
    EXPECT_EQ(host.Log(), "ParseCommand first | ParseCommand second");
}

TEST_F(ConsoleExecFileTest, ExecAppendsCfgToANameWithoutDot) {
    Write("autoexec.cfg", "hello\r\nworld\r\n");
    EXPECT_EQ(Run("exec autoexec"), "Executed autoexec.cfg [2 commands]");
    EXPECT_EQ(host.Log(), "ParseCommand hello | ParseCommand world");
}

TEST_F(ConsoleExecFileTest, ShowListsEveryLineAndItsResponse) {
    Write("setup.txt", "sound\n  say hi\n--note\n");
    EXPECT_EQ(Run("EXEC setup.txt SHOW"),
              "\n>sound\nUsage: SOUND [action]\n>say hi\n>--note\n\nExecuted setup.txt [3 commands]");
}

TEST_F(ConsoleExecFileTest, ShowReplacesEarlierResponseText) {
    Write("a.cfg", "x\n");
    SString out("old text");
    EXPECT_TRUE(console.ExecFile(SString("a.cfg"), out, true));
    EXPECT_STREQ(out.GetString(), "\n>x\n\nExecuted a.cfg [1 commands]");
}

TEST_F(ConsoleExecFileTest, CommaSeparatesTheShowOption) {
    Write("b.cfg", "y\n");
    EXPECT_EQ(Run("exec b,show"), "\n>y\n\nExecuted b.cfg [1 commands]");
}

TEST_F(ConsoleExecFileTest, MissingFileIsReported) {
    SString out("kept?");
    EXPECT_FALSE(console.ExecFile(SString("gone.cfg"), out, true));
    EXPECT_STREQ(out.GetString(), "gone.cfg not found");
    fs::create_directory(m_dir / "folder.cfg");
    EXPECT_EQ(Run("exec folder.cfg"), "folder.cfg not found");
    EXPECT_EQ(host.Log(), "");
}

TEST_F(ConsoleExecFileTest, LongLinesRunWhole) {
    // A 600-character alias as the settings save writes it, past the 511 characters of one read,
    // and a line past the first line buffer after a byte-order mark.
    std::string steps;
    for (int n = 100; n < 220; ++n)
        steps += (steps.empty() ? "s" : ";s") + std::to_string(n);
    const std::string say = "say" + std::string(1500, 'z');
    Write("long.cfg", "\xEF\xBB\xBF  alias long \"" + steps + "\" \" \"\r\n" + say + "\n");
    EXPECT_EQ(Run("exec long"), "Executed long.cfg [2 commands]");
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0].steps.size(), 120u);
    EXPECT_EQ(host.commands[0].steps.back(), "s219");
    EXPECT_EQ(host.Log(), "AddInputCommand long [] 1 -1 -1 -1 | ParseCommand " + say);
}

TEST_F(ConsoleExecFileTest, NestedFilesAndTheirBindings) {
    Write("inner.cfg", "alias runjump \"+run;jump\"\nbind space \"runjump\"\n");
    Write("outer.cfg", "exec inner\nset\n");
    EXPECT_EQ(Run("exec outer"), "Executed inner.cfg [2 commands]\nUsage: SET settingname [\"value\"]\n"
                                 "Executed outer.cfg [2 commands]");
    // The binding found the alias by its name and gave it the key.
    EXPECT_EQ(Run("bind space"), "+run;jump");
    EXPECT_EQ(Run("alias runjump"), "+run;jump");
}

// A file run from a file puts its reply, listed or not, right after the line that ran it,
// whichever of the two lists its lines; a file that cannot run says so in the same place.
TEST_F(ConsoleExecFileTest, NestedRepliesFollowTheLineThatRanThem) {
    Write("inner.cfg", "say hi\nsound\n");
    const struct {
        const char* outer;
        const char* line;
        const char* reply;
    } cases[] = {
        {"exec inner\nsound\n", "exec outer show",
         "\n>exec inner\nUsage: SOUND [action]\nExecuted inner.cfg [2 commands]\n>sound\nUsage: SOUND [action]\n\n"
         "Executed outer.cfg [2 commands]"},
        {"exec inner show\nsound\n", "exec outer",
         "\n>say hi\n>sound\nUsage: SOUND [action]\n\nExecuted inner.cfg [2 commands]\nUsage: SOUND [action]\n"
         "Executed outer.cfg [2 commands]"},
        {"exec inner show\n", "exec outer show",
         "\n>exec inner show\n\n>say hi\n>sound\nUsage: SOUND [action]\n\nExecuted inner.cfg [2 commands]\n\n"
         "Executed outer.cfg [1 commands]"},
        {"exec gone\nexec inner\n", "exec outer show",
         "\n>exec gone\ngone.cfg not found\n>exec inner\nUsage: SOUND [action]\nExecuted inner.cfg [2 commands]\n\n"
         "Executed outer.cfg [2 commands]"},
    };
    for (const auto& c : cases) {
        Write("outer.cfg", c.outer);
        EXPECT_EQ(Run(c.line), c.reply) << c.outer;
    }
}

TEST_F(ConsoleExecFileTest, FileThatRunsItselfStopsAtTheDepthLimit) {
    Write("self.cfg", "mark\nexec self\n");
    const std::string response = Run("exec self");
    const auto marks = std::count(host.log.begin(), host.log.end(), std::string("ParseCommand mark"));
    EXPECT_EQ(marks, SCommandInterpreter::kMaxExecDepth);
    EXPECT_NE(response.find("self.cfg not executed: command files nested more than 16 deep\n"), std::string::npos);
    const std::string tail = "Executed self.cfg [2 commands]";
    ASSERT_GE(response.size(), tail.size());
    EXPECT_EQ(response.substr(response.size() - tail.size()), tail);
    // Once the run is over the depth is free again.
    Write("plain.cfg", "one\n");
    EXPECT_EQ(Run("exec plain"), "Executed plain.cfg [1 commands]");
}

TEST_F(ConsoleExecFileTest, AThousandFilesInARowAllRun) {
    std::string outer;
    for (int i = 0; i < 1000; ++i) {
        const std::string name = "f" + std::to_string(i);
        Write((name + ".cfg").c_str(), "mark\n");
        outer += "exec " + name + "\n";
    }
    Write("outer.cfg", outer);
    const std::string response = Run("exec outer");
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), std::string("ParseCommand mark")), 1000);
    EXPECT_EQ(response.find("not executed"), std::string::npos);
}

TEST_F(ConsoleExecFileTest, FileThatRunsItselfTwiceStopsAtTheFileLimit) {
    Write("twice.cfg", "mark\nexec twice\nexec twice\n");
    std::string missing = "mark\n";
    for (int i = 0; i < 40; ++i)
        missing += "exec gone\n";
    Write("missing.cfg", missing);
    // Without a limit on files the depth alone would let it run 2^16 - 1 times; a file that
    // names missing ones costs a search each.
    const struct {
        int limit;
        const char* line;
        int marks;
        const char* refusal;
    } cases[] = {
        {SCommandInterpreter::kMaxExecFiles, "exec twice", SCommandInterpreter::kMaxExecFiles,
         "twice.cfg not executed: more than 10000 command files in one run"},
        {16, "exec twice", 16, "twice.cfg not executed: more than 16 command files in one run"},
        {16, "exec missing", 1, "gone.cfg not found\ngone.cfg not executed: more than 16 command files in one run"},
    };
    for (const auto& c : cases) {
        console.SetExecFileLimit(c.limit);
        for (int run = 0; run < 2; ++run) {
            host.log.clear();
            const std::string response = Run(c.line);
            EXPECT_EQ(std::count(host.log.begin(), host.log.end(), std::string("ParseCommand mark")), c.marks);
            EXPECT_NE(response.find(c.refusal), std::string::npos);
        }
    }
}

// However long a command file is, one run reads a bounded part of it and keeps a bounded
// reply; the cut is named in the reply and in one box, and the files that ran the cut one stop.
// Up to the bound a file runs whole, each line a command of its own whatever bytes it holds.
TEST_F(ConsoleExecFileTest, ARunStopsAtItsBoundAndSaysWhere) {
    std::string sounds;
    for (int i = 0; i < 60000; ++i)
        sounds += "sound\n";
    Write("sounds.cfg", sounds + "say last\n");
    Write("huge.cfg", "say first\n");
    fs::resize_file(m_dir / "huge.cfg", 1ull << 30);
    Write("outer.cfg", "exec huge\nsay after\n");
    Write("blank.cfg", "say first\n" + std::string(600 * 1024, '\n') + "say last\n");
    Write("whole.cfg",
          "say first\n" + std::string(SCommandInterpreter::kMaxExecBytes - 26, '\n') + "alias last \"x\"\r\n");
    ASSERT_EQ(fs::file_size(m_dir / "whole.cfg"), SCommandInterpreter::kMaxExecBytes);
    Write("nul.cfg", std::string("alias a1 \"x1\"") + '\0' + "junk\nalias b1 \"y1\"\nalias c1 \"z1\"\n");
    // The NUL and the line feed of its line in two pieces of a read.
    Write("nulpast.cfg", std::string("say first") + '\0' + std::string(600, 'z') + " tail\nsay next\n");
    const std::string cut = "huge.cfg not read to its end: more than 524,288 bytes in one run";
    const std::string blankCut = "blank.cfg not read to its end: more than 524,288 bytes in one run";
    const struct {
        const char* line;
        const char* log;
        const char* told;  // in the reply, and the one box; or a reply cut short
        const char* tail;
    } cases[] = {
        {"exec huge", "ParseCommand say first", cut.c_str(), "Executed huge.cfg [1 commands]"},
        {"exec outer", "ParseCommand say first", cut.c_str(), "Executed outer.cfg [1 commands]"},
        {"exec sounds", "ParseCommand say last", "... the rest of the reply is left out", "Executed sounds.cfg [60001 commands]"},
        {"exec blank", "ParseCommand say first", blankCut.c_str(), "Executed blank.cfg [1 commands]"},
        {"exec whole", "ParseCommand say first | AddInputCommand last [] 1 -1 -1 -1", "",
         "Executed whole.cfg [2 commands]"},
        {"exec nul", "AddInputCommand a1 [] 1 -1 -1 -1 | AddInputCommand b1 [] 1 -1 -1 -1 | AddInputCommand c1 [] 1 -1 -1 -1",
         "", "Executed nul.cfg [3 commands]"},
        {"exec nulpast", "ParseCommand say first | ParseCommand say next", "", "Executed nulpast.cfg [2 commands]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        host.log.clear();
        sys::dialogs::headless::Reset();
        const std::string reply = Run(c.line);
        EXPECT_EQ(host.Log(), c.log);
        EXPECT_NE(reply.find(c.told), std::string::npos);
        EXPECT_EQ(reply.substr(reply.size() - std::min(reply.size(), std::strlen(c.tail))), c.tail);
        EXPECT_LT(reply.size(), SCommandInterpreter::kMaxExecReply + 4096);
        const auto& shown = sys::dialogs::headless::Shown();
        const bool boxed = c.told == cut.c_str() || c.told == blankCut.c_str();
        EXPECT_EQ(console.WasRunCut(), boxed);
        EXPECT_EQ(reply.find("not read to its end") != std::string::npos, boxed);
        ASSERT_EQ(shown.size(), boxed ? 1u : 0u);
        if (boxed) {
            EXPECT_EQ(shown[0].text, c.told);
        }
    }
    SString response;
    EXPECT_EQ(Run("alias a1"), "x1");
    EXPECT_TRUE(console.ExecFile(SString("whole.cfg"), response, false));
    EXPECT_FALSE(console.ExecFile(SString("huge.cfg"), response, false));
    Write("plain.cfg", "one\n");
    EXPECT_EQ(Run("exec plain"), "Executed plain.cfg [1 commands]");
    sys::dialogs::headless::Reset();
}

// Object lines go to the library's parser; those of one command file that it refuses cost one
// box with the count of the rest, while a line typed at the console is answered at once.
TEST_F(ConsoleExecFileTest, ObjectErrorsOfAFileShowAsOneBox) {
    struct ParsingHost : FakeConsoleHost {
        SObjectParser parser;
        bool IsObjectBlockOpen() override { return parser.GetBlockState() != SObjectParser::kOutside; }
        int ObjectParse(const char* line) override { return parser.ParseLine(line); }
    } parsing;
    SCommandInterpreter script(&parsing);
    std::string objects;
    for (int i = 0; i < 4000; ++i)
        objects += "object O" + std::to_string(i) + "\n";
    Write("objects.cfg", objects);
    Write("outer.cfg", "exec objects\nobject P\n");
    sys::dialogs::headless::Reset();
    SString response;
    script.ExecFile(SString("outer.cfg"), response, false);
    std::vector<std::string> told;
    for (const auto& box : sys::dialogs::headless::Shown())
        told.push_back(box.text);
    EXPECT_EQ(told, std::vector<std::string>{"Syntax Error: Invalid token 'OBJECT'\n\n... and 3,999 more errors in "
                                             "outer.cfg"});
    script.ExecuteLine(SString("object Typed"), response);
    EXPECT_EQ(sys::dialogs::headless::Shown().size(), 2u);
    EXPECT_EQ(sys::dialogs::headless::Shown().back().text, "Syntax Error: Invalid token 'OBJECT'");
    sys::dialogs::headless::Reset();
}

// A termination request made while a script runs (here by one of its lines) stops it and the
// files that ran it before their next line.
TEST_F(ConsoleExecFileTest, ATerminationRequestStopsTheScripts) {
    struct StoppingHost : FakeConsoleHost {
        bool ParseCommand(const char* line) override {
            if (std::string(line) == "stop")
                sys::signals::RequestClose();
            return FakeConsoleHost::ParseCommand(line);
        }
    } stopping;
    SCommandInterpreter script(&stopping);
    Write("inner.cfg", "first\nstop\nsecond\n");
    Write("outer.cfg", "exec inner\nafter\n");
    SString response;
    const bool finished = script.ExecFile(SString("outer.cfg"), response, false);
    const bool pending = sys::signals::TakeCloseRequest();
    EXPECT_FALSE(finished);
    EXPECT_TRUE(pending);
    EXPECT_EQ(stopping.Log(), "ParseCommand first | ParseCommand stop");
}

TEST_F(ConsoleExecFileTest, ListFilesMatchesThePattern) {
    Write("a.cfg", "");
    Write("b.CFG", "");
    Write("c.txt", "");
    std::istringstream words(Run("list files \"*.cfg\""));
    std::set<std::string> names;
    for (std::string word; words >> word;)
        names.insert(word);
    EXPECT_EQ(names, (std::set<std::string>{"a.cfg", "b.CFG"}));
}

TEST_F(ConsoleExecFileTest, ListFilesWithoutPatternListsTheFolder) {
    Write("a.cfg", "");
    fs::create_directory(m_dir / "sub");
    const std::string response = Run("list files");
    EXPECT_NE(response.find("a.cfg "), std::string::npos);
    EXPECT_NE(response.find("sub "), std::string::npos);
    EXPECT_EQ(response.find(". "), std::string::npos);
}

TEST_F(ConsoleExecFileTest, ListFilesReportsNoMatch) {
    EXPECT_EQ(Run("list files \"*.zzz\""), "No files matching '*.zzz' found.");
    const std::string pattern(3000, 'q');
    EXPECT_EQ(Run(("list files \"" + pattern + "\"").c_str()),
              "No files matching '" + pattern + "' found.");
}
