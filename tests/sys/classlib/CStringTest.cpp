// The class library's string: the clamping rules of the substring and search operations, the
// case rules of comparisons, formatting and the C-style buffer access.
#include <gtest/gtest.h>

#include <cstring>

#include "sys/classlib/CString.h"

TEST(CStringOps, ConstructionAndEmptiness) {
    const char* none = nullptr;
    CString fromNull(none);
    EXPECT_TRUE(fromNull.IsEmpty());
    EXPECT_STREQ(fromNull, "");
    CString part("abcdef", 3);
    EXPECT_STREQ(part, "abc");
    CString repeated('x', 4);
    EXPECT_STREQ(repeated, "xxxx");
    CString copy(part);
    copy.Empty();
    EXPECT_EQ(copy.GetLength(), 0);
    EXPECT_EQ(part.GetLength(), 3);
    part = part;  // self-assignment keeps the text
    EXPECT_STREQ(part, "abc");
    part = none;
    EXPECT_TRUE(part.IsEmpty());
}

TEST(CStringOps, SubstringsClampTheirArguments) {
    const CString s("Hello");
    EXPECT_STREQ(s.Left(2), "He");
    EXPECT_STREQ(s.Left(0), "");
    EXPECT_STREQ(s.Left(-1), "");
    EXPECT_STREQ(s.Left(99), "Hello");
    EXPECT_STREQ(s.Mid(1), "ello");
    EXPECT_STREQ(s.Mid(5), "");
    EXPECT_STREQ(s.Mid(9), "");
    EXPECT_STREQ(s.Mid(-2), "Hello");
    EXPECT_STREQ(s.Mid(1, 3), "ell");
    EXPECT_STREQ(s.Mid(3, 99), "lo");
    EXPECT_STREQ(s.Mid(1, -1), "");
    EXPECT_STREQ(s.Mid(2, 0x7FFFFFFF), "llo");
    EXPECT_STREQ(s.Right(3), "llo");
    EXPECT_STREQ(s.Right(0), "");
    EXPECT_STREQ(s.Right(9), "Hello");
}

TEST(CStringOps, SearchesAnswerMinusOneOutsideTheText) {
    const CString s("a.b.c");
    EXPECT_EQ(s.Find('.'), 1);
    EXPECT_EQ(s.Find('.', 2), 3);
    EXPECT_EQ(s.Find('.', 4), -1);
    EXPECT_EQ(s.Find('.', 5), -1);
    EXPECT_EQ(s.Find('.', -1), -1);
    EXPECT_EQ(s.Find('x'), -1);
    EXPECT_EQ(s.Find("b.c"), 2);
    EXPECT_EQ(s.Find("b.c", 3), -1);
    EXPECT_EQ(s.Find(""), 0);
    EXPECT_EQ(s.ReverseFind('.'), 3);
    EXPECT_EQ(s.ReverseFind('z'), -1);
}

TEST(CStringOps, CompareAndCaseRules) {
    const CString s("Alpha");
    EXPECT_EQ(s.Compare("Alpha"), 0);
    EXPECT_LT(s.Compare("alpha"), 0);  // 'A' sorts before 'a'
    EXPECT_EQ(s.CompareNoCase("aLPHA"), 0);
    // Without case, letters fold to lower case: '_' (0x5F) lies between 'A' and 'a', so it
    // sorts before "A" here although it sorts after it with case.
    EXPECT_LT(CString("_").CompareNoCase("A"), 0);
    EXPECT_GT(CString("_").Compare("A"), 0);
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(CString("abcd").CompareNoCase("ABC"), 0);
    // Bytes past 127 compare unsigned and keep their case.
    EXPECT_GT(CString("\xE9").Compare("z"), 0);
    CString upper("\xE9t\xE9 mixed Case");
    upper.MakeUpper();
    EXPECT_STREQ(upper, "\xE9T\xE9 MIXED CASE");
    upper.MakeLower();
    EXPECT_STREQ(upper, "\xE9t\xE9 mixed case");
    EXPECT_TRUE(s == "Alpha");
    EXPECT_TRUE(s != "alpha");
    EXPECT_TRUE(CString("a") < CString("b"));
}

TEST(CStringOps, TrimReverseAndReplace) {
    CString s(" \t\r\n text \v\f");
    s.TrimLeft();
    EXPECT_STREQ(s, "text \v\f");
    s.TrimRight();
    EXPECT_STREQ(s, "text");
    CString blanks("   ");
    blanks.TrimRight();
    EXPECT_TRUE(blanks.IsEmpty());
    CString name("texture01");
    name.MakeReverse();
    EXPECT_STREQ(name, "10erutxet");

    CString path("a\\b\\c");
    EXPECT_EQ(path.Replace('\\', '/'), 2);
    EXPECT_STREQ(path, "a/b/c");
    CString text("aaaa");
    EXPECT_EQ(text.Replace("aa", "b"), 2);  // left to right, not overlapping
    EXPECT_STREQ(text, "bb");
    EXPECT_EQ(text.Replace("b", "bb"), 2);  // the inserted text is not searched again
    EXPECT_STREQ(text, "bbbb");
    EXPECT_EQ(text.Replace("", "x"), 0);
    EXPECT_EQ(text.Replace("b", nullptr), 4);
    EXPECT_TRUE(text.IsEmpty());
}

TEST(CStringOps, FormatGetAtAndConcatenation) {
    CString s;
    s.Format("%s-%d-%05.1f-%c", "x", -3, 2.25, 'z');
    EXPECT_STREQ(s, "x--3-002.2-z");
    const char* volatile none = nullptr;  // hidden from the compiler's format check
    s.Format("[%s]", none);
    EXPECT_STREQ(s, "[(null)]");
    std::string big(5000, 'q');
    s.Format("%s!", big.c_str());
    EXPECT_EQ(s.GetLength(), 5001);
    EXPECT_EQ(s.GetAt(5000), '!');

    CString t("abc");
    EXPECT_EQ(t.GetAt(1), 'b');
    EXPECT_EQ(t.GetAt(3), 0);
    EXPECT_EQ(t[-1], 0);
    t.SetAt(0, 'X');
    t.SetAt(7, 'Y');  // ignored
    EXPECT_STREQ(t, "Xbc");
    CString sum = t + "-" + CString("d") + 'e';
    EXPECT_STREQ(sum, "Xbc-de");
    EXPECT_STREQ('>' + t, ">Xbc");
    EXPECT_STREQ("<" + t, "<Xbc");
    sum += sum;
    EXPECT_STREQ(sum, "Xbc-deXbc-de");
}

TEST(CStringOps, BufferAccessForCWriters) {
    CString s("keep");
    char* buffer = s.GetBuffer(16);
    EXPECT_STREQ(buffer, "keep");
    std::strcpy(buffer, "written");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 7);
    EXPECT_STREQ(s, "written");
    buffer = s.GetBuffer(2);  // never smaller than the text
    buffer[3] = 'T';
    s.ReleaseBuffer(4);
    EXPECT_STREQ(s, "wriT");
}
