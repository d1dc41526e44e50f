#include "core/SCommandLine.h"

#include <string>

#include <gtest/gtest.h>

namespace {

std::string ValueOf(SCommandLine& line, const char* key) {
    std::string value = "<absent>";
    line.GetValue(key, value, false);
    return value;
}

bool HasFlag(SCommandLine& line, const char* key) {
    bool flag = false;
    return line.GetFlag(flag, key, false) && flag;
}

}  // namespace

TEST(CommandLineTest, SwitchesKeysAndPlainWords) {
    SCommandLine line("-dedicated +name Officer -srv_time:30 map1 /connect:10.0.0.1:2000");
    line.Parse();
    EXPECT_EQ(line.GetCount(), 5u);
    EXPECT_TRUE(HasFlag(line, "dedicated"));
    EXPECT_EQ(ValueOf(line, "name"), "Officer");
    EXPECT_EQ(ValueOf(line, "srv_time"), "30");
    EXPECT_EQ(ValueOf(line, "connect"), "10.0.0.1:2000");  // split at the first ":"
    // Each query sees only its own kind.
    EXPECT_FALSE(HasFlag(line, "name"));
    EXPECT_EQ(ValueOf(line, "dedicated"), "<absent>");
    EXPECT_FALSE(HasFlag(line, "map1"));
    std::string word;
    EXPECT_TRUE(line.GetPlainWord(word, false));
    EXPECT_EQ(word, "map1");
}

TEST(CommandLineTest, SlashWorksLikeDashAndKeysIgnoreCase) {
    SCommandLine line("/connect -Name:x");
    line.Parse();
    EXPECT_TRUE(HasFlag(line, "CONNECT"));
    EXPECT_EQ(ValueOf(line, "NAME"), "x");
    bool flag = true;
    EXPECT_FALSE(line.GetFlag(flag, "dedicated", false));
    EXPECT_TRUE(flag);  // left alone when absent
}

TEST(CommandLineTest, QuotesKeepBlanksAndStayInTheValue) {
    SCommandLine line("-name:\"A B\" -x pre\"c d\"post -open:\"e f");
    line.Parse();
    EXPECT_EQ(ValueOf(line, "name"), "\"A B\"");
    EXPECT_TRUE(HasFlag(line, "x"));
    std::string word;
    ASSERT_TRUE(line.GetPlainWord(word, true));
    EXPECT_EQ(word, "pre\"c d\"");  // the closing quote ends the token
    ASSERT_TRUE(line.GetPlainWord(word, true));
    EXPECT_EQ(word, "post");
    // An unmatched quote is an ordinary character.
    EXPECT_EQ(ValueOf(line, "open"), "\"e");
    ASSERT_TRUE(line.GetPlainWord(word, true));
    EXPECT_EQ(word, "f");
}

TEST(CommandLineTest, PlusJoinsOnlyOneBlankIntoItsValue) {
    SCommandLine line("+name Officer +solo\t+a -b +pad  word");
    line.Parse();
    EXPECT_EQ(ValueOf(line, "name"), "Officer");
    EXPECT_TRUE(HasFlag(line, "solo"));  // a tab does not join
    EXPECT_EQ(ValueOf(line, "a"), "-b");
    EXPECT_EQ(ValueOf(line, "pad"), "");  // the second blank ends the token
    std::string word;
    EXPECT_TRUE(line.GetPlainWord(word, false));
    EXPECT_EQ(word, "word");
    EXPECT_EQ(line.GetCount(), 5u);
}

TEST(CommandLineTest, BlanksMakeNoEmptyItemsExceptALeadingOne) {
    SCommandLine spaced("-a  \t -b   ");
    spaced.Parse();
    EXPECT_EQ(spaced.GetCount(), 2u);

    SCommandLine leading("\t-a");
    leading.Parse();
    EXPECT_EQ(leading.GetCount(), 2u);
    std::string word = "x";
    EXPECT_TRUE(leading.GetPlainWord(word, false));
    EXPECT_EQ(word, "");

    SCommandLine empty("");
    empty.Parse();
    SCommandLine null(nullptr);
    null.Parse();
    EXPECT_EQ(empty.GetCount(), 0u);
    EXPECT_EQ(null.GetCount(), 0u);
    EXPECT_FALSE(null.GetPlainWord(word, false));
}

TEST(CommandLineTest, RemoveTakesTheFirstMatchOnce) {
    SCommandLine line("-name:A -name:B -go -go w");
    line.Parse();
    std::string value;
    ASSERT_TRUE(line.GetValue("name", value, true));
    EXPECT_EQ(value, "A");
    ASSERT_TRUE(line.GetValue("name", value, true));
    EXPECT_EQ(value, "B");
    EXPECT_FALSE(line.GetValue("name", value, true));
    bool flag = false;
    EXPECT_TRUE(line.GetFlag(flag, "go", true));
    EXPECT_TRUE(line.GetFlag(flag, "go", true));
    EXPECT_FALSE(line.GetFlag(flag, "go", true));
    EXPECT_TRUE(line.GetPlainWord(value, true));
    EXPECT_FALSE(line.GetPlainWord(value, true));
    EXPECT_EQ(line.GetCount(), 0u);
}

TEST(CommandLineTest, JoinedArgumentsParseAsTheyWereGiven) {
    const char* argv[] = {"tarvex", "-dedicated", "", "+name", "A B", "-pw:x y",
                          "+type TCP", "+motd two words", "free text", "-odd key:z"};
    const std::string text = SCommandLine::JoinArguments(10, argv);
    EXPECT_EQ(text,
              "-dedicated +name \"A B\" -pw:\"x y\" +type TCP +motd \"two words\" "
              "\"free text\" \"-odd key:z\"");
    SCommandLine line(text.c_str());
    line.Parse();
    EXPECT_EQ(line.GetCount(), 7u);
    EXPECT_TRUE(HasFlag(line, "dedicated"));
    EXPECT_EQ(ValueOf(line, "name"), "\"A B\"");
    EXPECT_EQ(ValueOf(line, "pw"), "\"x y\"");
    EXPECT_EQ(ValueOf(line, "type"), "TCP");
    EXPECT_EQ(ValueOf(line, "motd"), "\"two words\"");
    EXPECT_EQ(SCommandLine::JoinArguments(1, argv), "");
}
