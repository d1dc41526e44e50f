// The stored bytes of values, strings and counts: every file format of the program is built on
// them, so each expected vector below is written out by hand from the layout.
#include <gtest/gtest.h>

#include <string>

#include "ArchiveTestClasses.h"
#include "sys/classlib/Collections.h"

namespace {

std::vector<uint8_t> StringBytes(const std::vector<uint8_t>& prefix, size_t length) {
    std::vector<uint8_t> out(prefix);
    for (size_t i = 0; i < length; ++i)
        out.push_back(static_cast<uint8_t>('a' + i % 26));
    return out;
}

CString Letters(size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += static_cast<char>('a' + i % 26);
    return CString(text);
}

}  // namespace

TEST(ArchiveBytes, ValuesAreLittleEndianByExactWidth) {
    const auto bytes = Store([](CArchive& ar) {
        ar << uint8_t{0x12} << uint16_t{0x3456} << int32_t{-2} << uint32_t{0x89ABCDEFu};
        ar << 1.0f << 1.0 << 'A' << int16_t{-1};
    });
    EXPECT_EQ(bytes, Bytes({0x12, 0x56, 0x34, 0xFE, 0xFF, 0xFF, 0xFF, 0xEF, 0xCD, 0xAB, 0x89,  //
                            0x00, 0x00, 0x80, 0x3F,                                           // 1.0f
                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F,                   // 1.0
                            0x41, 0xFF, 0xFF}));

    uint8_t b = 0;
    uint16_t w = 0;
    int32_t l = 0;
    uint32_t d = 0;
    float f = 0;
    double g = 0;
    char c = 0;
    int16_t s = 0;
    Load(bytes, [&](CArchive& ar) { ar >> b >> w >> l >> d >> f >> g >> c >> s; });
    EXPECT_EQ(b, 0x12);
    EXPECT_EQ(w, 0x3456);
    EXPECT_EQ(l, -2);
    EXPECT_EQ(d, 0x89ABCDEFu);
    EXPECT_EQ(f, 1.0f);
    EXPECT_EQ(g, 1.0);
    EXPECT_EQ(c, 'A');
    EXPECT_EQ(s, -1);
}

TEST(ArchiveBytes, BoolStoredAsFourByteLong) {
    // BOOL fields go through int32_t: 1 and 0 take four bytes each.
    const int32_t yes = 1;
    const int32_t no = 0;
    EXPECT_EQ(Store([&](CArchive& ar) { ar << yes << no; }), Bytes({1, 0, 0, 0, 0, 0, 0, 0}));
}

struct StringCase {
    size_t length;
    std::vector<uint8_t> prefix;
};

class ArchiveStringBytes : public ::testing::TestWithParam<StringCase> {};

TEST_P(ArchiveStringBytes, LengthPrefixThenCharacters) {
    const StringCase& param = GetParam();
    const CString text = Letters(param.length);
    const auto bytes = Store([&](CArchive& ar) { ar << text; });
    EXPECT_EQ(bytes, StringBytes(param.prefix, param.length));

    CString back("previous");
    Load(bytes, [&](CArchive& ar) { ar >> back; });
    EXPECT_EQ(back.GetLength(), static_cast<int>(param.length));
    EXPECT_TRUE(back == text);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ArchiveStringBytes,
                         ::testing::Values(StringCase{0, {0x00}},                                  //
                                           StringCase{254, {0xFE}},                                //
                                           StringCase{255, {0xFF, 0xFF, 0x00}},                    //
                                           StringCase{65533, {0xFF, 0xFD, 0xFF}},                  //
                                           StringCase{65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
                                           StringCase{70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}}));

TEST(ArchiveBytes, EmptyStringReadsBackEmpty) {
    // Unlike the engine's own string form, a zero length here empties the target.
    CString target("old text");
    Load(Bytes({0x00}), [&](CArchive& ar) { ar >> target; });
    EXPECT_TRUE(target.IsEmpty());
}

TEST(ArchiveBytes, CountFormBelowAndAboveWordRange) {
    const auto bytes = Store([](CArchive& ar) {
        ar.WriteCount(0);
        ar.WriteCount(0xFFFE);
        ar.WriteCount(0xFFFF);
        ar.WriteCount(0x12345);
    });
    EXPECT_EQ(bytes, Bytes({0x00, 0x00,                                //
                            0xFE, 0xFF,                                //
                            0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00,        //
                            0xFF, 0xFF, 0x45, 0x23, 0x01, 0x00}));
    std::vector<uint32_t> counts;
    Load(bytes, [&](CArchive& ar) {
        for (int i = 0; i < 4; ++i)
            counts.push_back(ar.ReadCount());
    });
    EXPECT_EQ(counts, (std::vector<uint32_t>{0, 0xFFFE, 0xFFFF, 0x12345}));
}

TEST(ArchiveBytes, StringArrayWithMoreThanAWordOfElements) {
    CStringArray many;
    many.SetSize(0x10000);
    many.SetAt(0x8000, "mid");
    const auto bytes = Store([&](CArchive& ar) { many.Serialize(ar); });
    // Count 0x10000 in the long form, then one length byte per empty string and "mid".
    ASSERT_EQ(bytes.size(), 6u + 0x10000u + 3u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 6), Bytes({0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}));
    EXPECT_EQ(bytes[6 + 0x8000], 3);

    CStringArray back;
    back.Add("dropped on load");
    Load(bytes, [&](CArchive& ar) { back.Serialize(ar); });
    ASSERT_EQ(back.GetSize(), 0x10000);
    EXPECT_TRUE(back[0].IsEmpty());
    EXPECT_TRUE(back[0x8000] == "mid");
}

TEST(ArchiveBytes, StringListAndDWordArrayForms) {
    CStringList list;
    list.AddTail("ab");
    list.AddTail("");
    CDWordArray words;
    words.Add(1);
    words.Add(0xFFFFFFFFu);
    const auto bytes = Store([&](CArchive& ar) {
        list.Serialize(ar);
        words.Serialize(ar);
    });
    EXPECT_EQ(bytes, Bytes({0x02, 0x00, 0x02, 'a', 'b', 0x00,  //
                            0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));

    CStringList listBack;
    listBack.AddTail("kept");  // a list appends what it loads
    CDWordArray wordsBack;
    Load(bytes, [&](CArchive& ar) {
        listBack.Serialize(ar);
        wordsBack.Serialize(ar);
    });
    ASSERT_EQ(listBack.GetCount(), 3);
    POSITION pos = listBack.GetHeadPosition();
    EXPECT_TRUE(listBack.GetNext(pos) == "kept");
    EXPECT_TRUE(listBack.GetNext(pos) == "ab");
    EXPECT_TRUE(listBack.GetNext(pos).IsEmpty());
    ASSERT_EQ(wordsBack.GetSize(), 2);
    EXPECT_EQ(wordsBack[0], 1u);
    EXPECT_EQ(wordsBack[1], 0xFFFFFFFFu);
}

TEST(ArchiveBytes, LargeBlocksPassTheBufferWhole) {
    // Raw blocks larger than the buffer, between small values, keep their order and bytes.
    std::vector<uint8_t> block(10000);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 7);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store, 128);
        ar << uint8_t{1};
        ar.Write(block.data(), static_cast<unsigned>(block.size()));
        ar << uint8_t{2};
        ar.Close();
    }
    ASSERT_EQ(file.GetLength(), 10002u);
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load, 128);
    uint8_t first = 0;
    uint8_t last = 0;
    std::vector<uint8_t> back(block.size());
    ar >> first;
    EXPECT_EQ(ar.Read(back.data(), static_cast<unsigned>(back.size())), back.size());
    ar >> last;
    EXPECT_EQ(first, 1);
    EXPECT_EQ(back, block);
    EXPECT_EQ(last, 2);
    EXPECT_EQ(ar.GetBytesLeft(), 0u);
    // A raw read at the end answers what it got instead of failing.
    uint8_t more[4];
    EXPECT_EQ(ar.Read(more, 4), 0u);
}
