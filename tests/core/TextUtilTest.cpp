#include "core/STextUtil.h"

#include <cstdint>

#include <gtest/gtest.h>

#include "sys/classlib/CString.h"

namespace {

struct Token {
    CString text;
    int kind;
};

Token Next(CString& line)
{
    Token t{CString(), 99};
    GetNextToken(line, t.text, &t.kind);
    return t;
}

}  // namespace

TEST(CountCharTest, CountsEveryOccurrence) {
    EXPECT_EQ(CountChar("a/b/c/", '/'), 3);
    EXPECT_EQ(CountChar("abc", '/'), 0);
    EXPECT_EQ(CountChar("", '/'), 0);
    EXPECT_EQ(CountChar(nullptr, '/'), 0);
}

TEST(GetNextTokenTest, QuotedTokenLeavesTheRestOfTheLine) {
    CString line("\"abc def\" more text");
    const Token t = Next(line);
    EXPECT_STREQ(t.text, "abc def");
    EXPECT_EQ(t.kind, 2);
    EXPECT_STREQ(line, " more text");
}

TEST(GetNextTokenTest, PlainTokensSkipLeadingSeparators) {
    CString line("  \tfirst\r\nsecond   third");
    Token t = Next(line);
    EXPECT_STREQ(t.text, "first");
    EXPECT_EQ(t.kind, 1);
    EXPECT_STREQ(line, "\nsecond   third");
    t = Next(line);
    EXPECT_STREQ(t.text, "second");
    EXPECT_EQ(t.kind, 1);
    t = Next(line);
    EXPECT_STREQ(t.text, "third");
    EXPECT_EQ(t.kind, 1);
    EXPECT_TRUE(line.IsEmpty());
    // Nothing left: an empty token of kind -1.
    t = Next(line);
    EXPECT_TRUE(t.text.IsEmpty());
    EXPECT_EQ(t.kind, -1);
}

TEST(GetNextTokenTest, QuotedTextIsTrimmedAndMayBeEmpty) {
    CString line("\"  padded  \"\"\" tail");
    Token t = Next(line);
    EXPECT_STREQ(t.text, "padded");
    EXPECT_EQ(t.kind, 2);
    // Two quotes with nothing between them end the search with an empty quoted token.
    t = Next(line);
    EXPECT_TRUE(t.text.IsEmpty());
    EXPECT_EQ(t.kind, 2);
    EXPECT_STREQ(line, " tail");
}

TEST(GetNextTokenTest, UnclosedQuoteConsumesTheRestOfTheLine) {
    CString line("key \"never closed text");
    Token t = Next(line);
    EXPECT_STREQ(t.text, "key");
    t = Next(line);
    EXPECT_STREQ(t.text, "never closed text");
    EXPECT_EQ(t.kind, 2);
    EXPECT_TRUE(line.IsEmpty());
    // The same text must never come back as further tokens.
    t = Next(line);
    EXPECT_TRUE(t.text.IsEmpty());
    EXPECT_EQ(t.kind, -1);
}

TEST(GetNextTokenTest, KindIsOptionalAndTokenIsAlsoReturned) {
    CString line("one two");
    CString token("stale");
    const CString returned = GetNextToken(line, token);
    EXPECT_STREQ(token, "one");
    EXPECT_STREQ(returned, "one");
    EXPECT_STREQ(line, "two");
}

// Numbers too long for any integer land on the bound of their side. The long ones are chosen
// so that a value kept growing past 64 bits would wrap to a small number inside the bounds.
TEST(ReadSettingIntTest, NumbersPastTheBoundsLandOnThem) {
    const struct {
        const char* text;
        int32_t lo, hi, expected;
    } cases[] = {
        {"2147483647", INT32_MIN, INT32_MAX, INT32_MAX},
        {"-2147483649", INT32_MIN, INT32_MAX, INT32_MIN},
        {"18446744073709551617", INT32_MIN, INT32_MAX, INT32_MAX},   // 2^64 + 1
        {"36893488147419103232", INT32_MIN, INT32_MAX, INT32_MAX},   // 2^65
        {"-18446744073709551621", INT32_MIN, INT32_MAX, INT32_MIN},  // -(2^64 + 5)
        {"  +18446744073709551716 600", 1, 255, 255},                // 2^64 + 100
        {"-18446744073709551716", -1000, 1000, -1000},
        {" 12abc", 1, 255, 12},
        {"", 1, 255, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadSettingInt(c.text, c.lo, c.hi), c.expected) << '"' << c.text << '"';
}

TEST(TrimmedCopyTest, TrimsBothEnds) {
    CString target("old");
    EXPECT_STREQ(TrimmedCopy(target, " \t value with inner space \r\n"), "value with inner space");
    EXPECT_STREQ(target, "value with inner space");
    TrimmedCopy(target, "   ");
    EXPECT_TRUE(target.IsEmpty());
    TrimmedCopy(target, nullptr);
    EXPECT_TRUE(target.IsEmpty());
}

TEST(XorBufferTest, RepeatsTheKeyAndUndoesItself) {
    uint8_t data[5] = {0x00, 0x01, 0x02, 0xFF, 0x10};
    // Key "AB" = 0x41 0x42, repeated: 41 42 41 42 41.
    EXPECT_TRUE(XorBuffer(data, 5, "AB"));
    const uint8_t expected[5] = {0x41, 0x43, 0x43, 0xBD, 0x51};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(data[i], expected[i]) << "byte " << i;
    EXPECT_TRUE(XorBuffer(data, 5, "AB"));
    const uint8_t original[5] = {0x00, 0x01, 0x02, 0xFF, 0x10};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(data[i], original[i]) << "byte " << i;
}

TEST(XorBufferTest, NoKeyIsRefusedAndNoLengthChangesNothing) {
    uint8_t data[2] = {7, 8};
    EXPECT_FALSE(XorBuffer(data, 2, nullptr));
    EXPECT_FALSE(XorBuffer(data, 2, ""));
    EXPECT_TRUE(XorBuffer(data, 0, "key"));
    EXPECT_TRUE(XorBuffer(data, -3, "key"));
    EXPECT_EQ(data[0], 7);
    EXPECT_EQ(data[1], 8);
}
