#include "core/SString.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/SStringTable.h"
#include "sys/classlib/BStr.h"
#include "sys/classlib/CArchive.h"
#include "tests/support/ArchiveBytes.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/Exceptions.h"

namespace {

using tarvex::test::Bytes;
constexpr auto Store = tarvex::test::StoreArchive;
constexpr auto Load = tarvex::test::LoadArchive;

// Every empty string shares the one static text, so "owns no memory" shows as the same pointer.
const char* SharedEmptyText() { return SString().GetString(); }

void ExpectSharedEmpty(const SString& s)
{
    EXPECT_STREQ(s.GetString(), "");
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.GetString(), SharedEmptyText());
}

}  // namespace

TEST(SStringEmptyTest, EveryEmptyResultSharesTheStaticText) {
    ExpectSharedEmpty(SString());
    ExpectSharedEmpty(SString(""));
    ExpectSharedEmpty(SString(static_cast<const char*>(nullptr)));
    ExpectSharedEmpty(SString(CString()));
    ExpectSharedEmpty(SString("abc", 0));
    ExpectSharedEmpty(SString('x', 0));

    SString s("text");
    s = static_cast<const char*>(nullptr);
    ExpectSharedEmpty(s);
    s = "text";
    s = "";
    ExpectSharedEmpty(s);
    s = "text";
    s.Empty();
    ExpectSharedEmpty(s);
    s = "text";
    s.SetAt(0, '\0');
    ExpectSharedEmpty(s);
    ExpectSharedEmpty(SString("   \t\r\n").Left(3).Mid(5));
}

TEST(SStringConstructionTest, CopiesTextFromEverySource) {
    EXPECT_STREQ(SString("abc").GetString(), "abc");
    EXPECT_STREQ(SString('z', 3).GetString(), "zzz");
    // A count copies exactly that many bytes: the text ends at the first NUL among them.
    EXPECT_STREQ(SString("ab\0cd", 5).GetString(), "ab");
    EXPECT_STREQ(SString("abcdef", 4).GetString(), "abcd");
    // The class-library string's own length is used, embedded NUL included.
    EXPECT_STREQ(SString(CString("xy\0z", 4)).GetString(), "xy");
    EXPECT_STREQ(SString(CString("from class library")).GetString(), "from class library");

    SString original("copy me");
    SString copy(original);
    EXPECT_STREQ(copy.GetString(), "copy me");
    EXPECT_NE(copy.GetString(), original.GetString());
}

TEST(SStringAccessTest, IndexesOutsideTheTextAreHarmless) {
    SString s("ab\xE9");
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_EQ(s.GetAt(0), 'a');
    EXPECT_EQ(s.CharAt(1), 'b');
    // Characters come back as signed 8-bit values.
    EXPECT_EQ(s.GetAt(2), -23);
    EXPECT_EQ(s.GetAt(3), 0);
    EXPECT_EQ(s.GetAt(-1), 0);

    s.SetAt(1, 'B');
    s.SetAt(3, 'x');
    s.SetAt(-1, 'x');
    EXPECT_STREQ(s.GetString(), "aB\xE9");
}

TEST(SStringAssignmentTest, SelfAndOverlappingSourcesKeepTheirText) {
    SString s("keep");
    const SString& alias = s;
    s = alias;
    EXPECT_STREQ(s.GetString(), "keep");

    s = s.GetString();
    EXPECT_STREQ(s.GetString(), "keep");

    // A source inside the string's own buffer is read before the old buffer goes.
    SString tail("prefix-tail");
    tail = tail.GetString() + 7;
    EXPECT_STREQ(tail.GetString(), "tail");

    s = 'q';
    EXPECT_STREQ(s.GetString(), "q");
    s = CString("class");
    EXPECT_STREQ(s.GetString(), "class");
    s = CString();
    ExpectSharedEmpty(s);
}

TEST(SStringConcatenationTest, JoinsEveryKindOfRightSide) {
    const SString left("ab");
    EXPECT_STREQ((left + SString("cd")).GetString(), "abcd");
    EXPECT_STREQ((left + CString("ef")).GetString(), "abef");
    EXPECT_STREQ((left + "gh").GetString(), "abgh");
    EXPECT_STREQ((left + 'i').GetString(), "abi");
    EXPECT_STREQ((SString() + "x").GetString(), "x");

    SString s("one");
    s += SString(" two");
    s += CString(" three");
    s += " four";
    s += '!';
    EXPECT_STREQ(s.GetString(), "one two three four!");

    const char* before = s.GetString();
    s += "";
    s += static_cast<const char*>(nullptr);
    s += SString();
    s += CString();
    EXPECT_EQ(s.GetString(), before);

    SString twice("ab");
    twice += twice;
    EXPECT_STREQ(twice.GetString(), "abab");
}

TEST(SStringConcatenationTest, InsertOnlyInsideTheText) {
    SString s("ace");
    EXPECT_EQ(s.Insert(1, "b"), 4);
    EXPECT_EQ(s.Insert(3, "d"), 5);
    EXPECT_EQ(s.Insert(5, "f"), 6);
    EXPECT_EQ(s.Insert(0, ">"), 7);
    EXPECT_STREQ(s.GetString(), ">abcdef");
    s.Insert(8, "x");
    s.Insert(-1, "x");
    EXPECT_STREQ(s.GetString(), ">abcdef");

    SString empty;
    EXPECT_EQ(empty.Insert(0, "new"), 3);
    EXPECT_STREQ(empty.GetString(), "new");
}

TEST(SStringCompareTest, BytesAreUnsignedAndNoCaseFolds) {
    EXPECT_EQ(SString("abc").Compare("abc"), 0);
    EXPECT_EQ(SString("abc").Compare("abd"), -1);
    EXPECT_EQ(SString("abd").Compare("abc"), 1);
    EXPECT_EQ(SString("ab").Compare("abc"), -1);
    // 0xE9 sorts after 'z' as an unsigned byte.
    EXPECT_EQ(SString("\xE9").Compare("z"), 1);
    EXPECT_EQ(SString().Compare(""), 0);

    EXPECT_EQ(SString("Zoom").CompareNoCase("zOOM"), 0);
    EXPECT_LT(SString("apple").CompareNoCase("BANANA"), 0);
    EXPECT_GT(SString("Cherry").CompareNoCase("banana"), 0);
}

TEST(SStringExtractionTest, BoundaryCountsFollowTheirOwnRules) {
    const SString s("abcdef");
    EXPECT_STREQ(s.Left(0).GetString(), "abcdef");
    EXPECT_STREQ(s.Left(2).GetString(), "ab");
    EXPECT_STREQ(s.Left(6).GetString(), "abcdef");
    EXPECT_STREQ(s.Left(7).GetString(), "abcdef");
    EXPECT_STREQ(s.Left(-1).GetString(), "abcdef");

    EXPECT_STREQ(s.Right(0).GetString(), "");
    EXPECT_STREQ(s.Right(2).GetString(), "ef");
    EXPECT_STREQ(s.Right(6).GetString(), "abcdef");
    EXPECT_STREQ(s.Right(7).GetString(), "abcdef");
    EXPECT_STREQ(s.Right(-1).GetString(), "abcdef");

    EXPECT_STREQ(s.Mid(2).GetString(), "cdef");
    EXPECT_STREQ(s.Mid(6).GetString(), "");
    EXPECT_STREQ(s.Mid(-1).GetString(), "");
    EXPECT_STREQ(s.Mid(1, 3).GetString(), "bcd");
    // Mid with a count is Mid then Left, so a count of 0 keeps the whole rest.
    EXPECT_STREQ(s.Mid(1, 0).GetString(), "bcdef");
    EXPECT_STREQ(s.Mid(4, 10).GetString(), "ef");
}

TEST(SStringSearchTest, StartPositionsAreClampedOrRefused) {
    const SString s("a.b.c");
    EXPECT_EQ(s.Find('.'), 1);
    EXPECT_EQ(s.Find('.', 2), 3);
    EXPECT_EQ(s.Find('.', -5), 1);
    EXPECT_EQ(s.Find('.', 5), -1);
    EXPECT_EQ(s.Find('x'), -1);
    EXPECT_EQ(s.Find("b.c"), 2);
    EXPECT_EQ(s.Find("b.c", 3), -1);
    EXPECT_EQ(s.Find("a", 5), -1);
    EXPECT_EQ(s.ReverseFind('.'), 3);
    EXPECT_EQ(s.ReverseFind('x'), -1);
    EXPECT_EQ(s.FindOneOf("cb"), 2);
    EXPECT_EQ(s.FindOneOf("cb", 3), 4);
    EXPECT_EQ(s.FindOneOf("xyz"), -1);
    EXPECT_EQ(s.FindOneOf("a", 9), -1);
    EXPECT_EQ(SString().Find('a'), -1);
}

TEST(SStringInPlaceTest, CaseReverseAndTrim) {
    SString s("MiXed 1");
    s.MakeUpper();
    EXPECT_STREQ(s.GetString(), "MIXED 1");
    s.MakeLower();
    EXPECT_STREQ(s.GetString(), "mixed 1");
    s.MakeReverse();
    EXPECT_STREQ(s.GetString(), "1 dexim");

    SString padded(" \t\v\f\r\n text \n\r\f\v\t ");
    padded.TrimLeft();
    EXPECT_STREQ(padded.GetString(), "text \n\r\f\v\t ");
    padded.TrimRight();
    EXPECT_STREQ(padded.GetString(), "text");

    SString blanks("    ");
    blanks.TrimLeft();
    ExpectSharedEmpty(blanks);
    blanks = "  \t ";
    blanks.TrimRight();
    ExpectSharedEmpty(blanks);

    SString untouched("none");
    const char* before = untouched.GetString();
    untouched.TrimLeft();
    untouched.TrimRight();
    EXPECT_EQ(untouched.GetString(), before);
}

TEST(SStringFormatTest, FormatsWithoutOverrun) {
    SString s;
    s.Format("%d-%s-%c-%5.2f|%%", 42, "x", 'y', 1.5);
    EXPECT_STREQ(s.GetString(), "42-x-y- 1.50|%");
    s.Format("%f", 2.5);
    EXPECT_STREQ(s.GetString(), "2.500000");
    // Through a volatile, so the compiler cannot see the null and warn about it.
    const char* volatile nothing = nullptr;
    s.Format("%s", nothing);
    EXPECT_STREQ(s.GetString(), "(null)");
    s.Format("%600d", 7);
    EXPECT_EQ(s.GetLength(), 600);
    EXPECT_EQ(s.GetAt(599), '7');
    s.Format("%s", "");
    ExpectSharedEmpty(s);

    // The arguments may be this string's own text.
    SString self("loop");
    self.Format("%s+%s", self.GetString(), self.GetString());
    EXPECT_STREQ(self.GetString(), "loop+loop");
}

TEST(SStringResourceTest, TableTextsAreLoadedCutAndFormatted) {
    SString text("old");
    EXPECT_EQ(text.LoadString(SStringTable::IDS_UPDATE_DOWNLOADING), 17);
    EXPECT_STREQ(text.GetString(), "Downloading Patch");
    // The buffer of nSize bytes keeps nSize - 1 characters.
    EXPECT_EQ(text.LoadString(SStringTable::IDS_UPDATE_DOWNLOADING, 6), 5);
    EXPECT_STREQ(text.GetString(), "Downl");
    EXPECT_EQ(text.LoadString(1), 0);
    EXPECT_TRUE(text.IsEmpty());

    text.Format(SStringTable::IDS_UPDATE_RECEIVED, 1.5, 2048.0 / 1024.0);
    EXPECT_STREQ(text.GetString(), "Recieved: 1.50Kb of 2.00Kb");
    text.Format(SStringTable::IDS_UPDATE_CONNECTING, "host");
    EXPECT_STREQ(text.GetString(), "Connecting to server: host");
    text.Format(2u, 5);
    EXPECT_TRUE(text.IsEmpty());
}

TEST(SStringResourceTest, SystemStringsCarryTheWideCharactersOfTheCodePage) {
    const SString text("A\x80\xE9");
    BSTR wide = text.AllocSysString();
    ASSERT_NE(wide, nullptr);
    ASSERT_EQ(SysStringLen(wide), 3u);
    EXPECT_EQ(wide[0], u'A');
    EXPECT_EQ(wide[1], u'\u20AC');  // the euro sign of the code page
    EXPECT_EQ(wide[2], u'\u00E9');
    EXPECT_EQ(wide[3], 0);

    const SString shorter("ok");
    EXPECT_EQ(shorter.SetSysString(&wide), wide);
    EXPECT_EQ(SysStringLen(wide), 2u);
    EXPECT_EQ(std::u16string(wide), u"ok");
    SysFreeString(wide);

    BSTR empty = SString().AllocSysString();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);
}

TEST(SStringArchiveTest, StoredFormIsLengthThenCharacters) {
    const Bytes text = Store([](CArchive& ar) {
        SString s("abc");
        s.Serialize(ar);
    });
    EXPECT_EQ(text, (Bytes{0x03, 0x00, 0x00, 0x00, 'a', 'b', 'c'}));

    const Bytes empty = Store([](CArchive& ar) {
        SString s;
        s.Serialize(ar);
    });
    EXPECT_EQ(empty, (Bytes{0x00, 0x00, 0x00, 0x00}));

    const SString longText('L', 300);
    const Bytes longBytes = Store([&](CArchive& ar) {
        SString s(longText);
        s.Serialize(ar);
    });
    ASSERT_EQ(longBytes.size(), 304u);
    EXPECT_EQ(longBytes[0], 0x2C);
    EXPECT_EQ(longBytes[1], 0x01);
    EXPECT_EQ(longBytes[2], 0x00);
    EXPECT_EQ(longBytes[303], 'L');
}

TEST(SStringArchiveTest, LoadingReadsExactlyTheStoredLength) {
    SString first("old");
    SString second;
    Load({0x02, 0x00, 0x00, 0x00, 'h', 'i', 0x05, 0x00, 0x00, 0x00, 'w', 'o', 'r', 'l', 'd'},
         [&](CArchive& ar) {
             first.Serialize(ar);
             second.Serialize(ar);
         });
    EXPECT_STREQ(first.GetString(), "hi");
    EXPECT_STREQ(second.GetString(), "world");
}

TEST(SStringArchiveTest, StoredEmptyStringEmptiesTheTarget) {
    SString target("previous name");
    Load({0x00, 0x00, 0x00, 0x00}, [&](CArchive& ar) { target.Serialize(ar); });
    ExpectSharedEmpty(target);
}

TEST(SStringArchiveTest, LengthBeyondTheDataIsAnArchiveErrorAndKeepsTheTarget) {
    SString target("kept");
    try {
        Load({0x0A, 0x00, 0x00, 0x00, 'a', 'b', 'c'}, [&](CArchive& ar) { target.Serialize(ar); });
        FAIL() << "a short string was accepted";
    } catch (CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    }
    EXPECT_STREQ(target.GetString(), "kept");

    // A length of four thousand million must be refused before anything is allocated for it.
    EXPECT_THROW(Load({0xFF, 0xFF, 0xFF, 0xFF, 'x'}, [&](CArchive& ar) { target.Serialize(ar); }),
                 CArchiveException);
    EXPECT_THROW(Load({0x01, 0x00}, [&](CArchive& ar) { target.Serialize(ar); }), CArchiveException);
    EXPECT_STREQ(target.GetString(), "kept");
}
