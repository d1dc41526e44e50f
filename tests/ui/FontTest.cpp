// Font metrics measured from a generated sheet, the ".fnt" archive, locating the sheet, and the
// refusal of column counts no cell size can be computed from.

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "UiTestSupport.h"
#include "core/SResourceFactory.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/CStringArray.h"
#include "ui/SFont.h"

namespace {

using tarvex::test::MakeScratchFolder;
using tarvex::test::WriteGlyphSheet;

// 16 columns of 8 x 10 cells; glyph g has 1 + g % 7 columns of ink.
int Ink(int glyph) { return 1 + glyph % 7; }

class FontTest : public testing::Test {
protected:
    void SetUp() override {
        folder = MakeScratchFolder("ui");
        WriteGlyphSheet(folder + "/glyphs.bmp", 16, 8, 10, Ink);
        font.SetSheetName("glyphs.bmp");
        font.SetColumns(16);
    }

    std::vector<uint8_t> FntBytes(const char* name, uint32_t columns) {
        CMemFile file;
        {
            CArchive ar(&file, CArchive::store);
            ar << CString(name) << columns;
            ar.Close();
        }
        const auto size = static_cast<size_t>(file.GetLength());
        uint8_t* block = file.Detach();
        std::vector<uint8_t> bytes(block, block + size);
        free(block);
        return bytes;
    }

    std::string folder;
    SFont font;
};

TEST_F(FontTest, MetricsComeFromTheSheet) {
    ASSERT_TRUE(font.Locate(folder.c_str(), nullptr));
    EXPECT_EQ(font.GetCellWidth(), 8);
    EXPECT_EQ(font.GetCellHeight(), 10);
    EXPECT_EQ(font.GetAdvanceWidth(), 8);
    EXPECT_EQ(font.GetLineHeight(), 10);
    // The space is 70 % blank; 'A' (glyph 33) has 6 ink columns, 'B' 7.
    EXPECT_EQ(font.GetBlankWidth(0), 5);
    EXPECT_EQ(font.GetGlyphRect(0), (sys::RECT{0, 0, 5, 10}));
    EXPECT_EQ(font.GetBlankWidth(33), 2);
    EXPECT_EQ(font.GetBlankWidth(34), 1);
    EXPECT_EQ(font.GetGlyphRect(33), (sys::RECT{8, 20, 16, 30}));
    EXPECT_EQ(font.GetTextExtent("AB", -1), (sys::SIZE{13, 10}));
    EXPECT_EQ(font.GetTextExtent("A B", -1), (sys::SIZE{16, 10}));
    EXPECT_EQ(font.GetTextExtent("AB", 1), (sys::SIZE{6, 10}));
    EXPECT_EQ(font.GetTextExtent("", -1), (sys::SIZE{0, 10}));
    // Characters outside 32..127 measure as spaces.
    EXPECT_EQ(font.GetTextExtent("\x01\xC8", -1), (sys::SIZE{6, 10}));
    font.SetCharSpacing(2);
    EXPECT_EQ(font.GetTextExtent("AB", -1), (sys::SIZE{17, 10}));
}

TEST_F(FontTest, TheLowestRowOfACellHoldsNoInk) {
    // Glyph 1 has ink only in its lowest row, glyph 2 in the row above at column 3.
    std::vector<uint8_t> pixels(16 * 8 * 6 * 10, 0);
    pixels[9 * 128 + 8 + 6] = 1;
    pixels[8 * 128 + 16 + 3] = 1;
    tarvex::test::WriteIndexedBmp(folder + "/rows.bmp", 128, 60, pixels);
    ASSERT_TRUE(font.Locate((folder + "/rows.bmp").c_str(), nullptr));
    EXPECT_EQ(font.GetSheetPath(), CString((folder + "/rows.bmp").c_str()));
    EXPECT_EQ(font.GetBlankWidth(1), 8);
    EXPECT_EQ(font.GetBlankWidth(2), 4);
}

TEST_F(FontTest, FntArchiveHoldsTheSheetNameAndColumnCount) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        font.Serialize(ar);
        ar.Close();
    }
    const std::vector<uint8_t> expected = {10, 'g', 'l', 'y', 'p', 'h', 's', '.', 'b', 'm', 'p', 16, 0, 0, 0};
    std::vector<uint8_t> stored(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(stored.data(), static_cast<unsigned>(stored.size()));
    EXPECT_EQ(stored, expected);
    file.SeekToBegin();
    SFont loaded;
    ASSERT_TRUE(loaded.LoadFromCFile(&file));
    EXPECT_EQ(loaded.GetSheetName(), CString("glyphs.bmp"));
    EXPECT_EQ(loaded.GetColumns(), 16);
}

TEST_F(FontTest, ColumnCountsWithoutACellSizeAreRefused) {
    for (uint32_t columns : {0u, 97u, 0xFFFFFFFFu}) {
        std::vector<uint8_t> bytes = FntBytes("glyphs.bmp", columns);
        CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
        SFont refused;
        EXPECT_FALSE(refused.LoadFromCFile(&file)) << columns;
        EXPECT_FALSE(refused.Locate(folder.c_str(), nullptr)) << columns;
        EXPECT_TRUE(refused.GetSheetPath().IsEmpty());
    }
    std::vector<uint8_t> bytes = FntBytes("glyphs.bmp", 96);
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
    EXPECT_TRUE(font.LoadFromCFile(&file));
}

TEST_F(FontTest, GlyphCellsBelowTheSheetAreCutToIt) {
    // 7 columns leave 13 rows for 96 glyphs: glyphs 91-95 fall on a 14th row below the sheet.
    WriteGlyphSheet(folder + "/seven.bmp", 7, 8, 5, Ink, 65);
    font.SetColumns(7);
    ASSERT_TRUE(font.Locate((folder + "/seven.bmp").c_str(), nullptr));
    EXPECT_EQ(font.GetCellHeight(), 5);
    EXPECT_EQ(font.GetGlyphRect(95), (sys::RECT{32, 65, 40, 65}));
    EXPECT_EQ(font.GetBlankWidth(95), 8);
}

TEST_F(FontTest, LocatingTriesEachFolderInTurn) {
    CStringArray folders;
    folders.Add((folder + "/missing").c_str());
    folders.Add(folder.c_str());
    ASSERT_TRUE(font.LoadFromMemory(&folders, 0));
    EXPECT_EQ(font.GetSheetPath(), CString((folder + "\\glyphs.bmp").c_str()));

    SFont lost;
    lost.SetSheetName("nowhere.bmp");
    EXPECT_FALSE(lost.LoadFromMemory(&folders, 0));
    EXPECT_TRUE(lost.GetSheetPath().IsEmpty());
    EXPECT_FALSE(lost.LoadFromMemory(nullptr, 0));
}

TEST_F(FontTest, LoadReadsTheFntFileAndTheFactoryMakesFonts) {
    const std::string sheet = folder + "/glyphs.bmp";
    {
        CFile file((folder + "/menu.fnt").c_str(), CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        ar << CString(sheet.c_str()) << uint32_t{16};
        ar.Close();
        file.Close();
    }
    SFont loaded((folder + "/menu").c_str(), nullptr);
    EXPECT_EQ(loaded.GetSheetPath(), CString(sheet.c_str()));
    EXPECT_EQ(loaded.GetCellWidth(), 8);
    EXPECT_THROW(SFont((folder + "/absent").c_str(), nullptr), CFileException);

    RegisterFontResourceKind();
    std::unique_ptr<SResource> made(SResourceFactory().CreateFromFile(kKindFont, folder.c_str(), "/menu.fnt"));
    auto* fromFactory = dynamic_cast<SFont*>(made.get());
    ASSERT_NE(fromFactory, nullptr);
    EXPECT_EQ(fromFactory->GetSheetName(), CString(sheet.c_str()));
    SResourceFactory::RegisterKind(kKindFont, nullptr);
}

}  // namespace
