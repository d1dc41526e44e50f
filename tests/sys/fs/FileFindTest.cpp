// Finding files with `*` and `?`: which names match, in what order, with which attribute bits,
// sizes and times, and the error numbers of a search that finds nothing.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/ScratchFolder.h"
#include "sys/fs/fs.h"

namespace {

namespace fsys = std::filesystem;

// A scratch folder holding a small fixed set of entries.
class FileFindTest : public testing::Test {
protected:
    void SetUp() override {
        m_root = tarvex::test::MakeScratchFolder("sysfs-scratch");
        MakeFile("a.txt", "hello");
        MakeFile("B.TXT", "");
        MakeFile("c.dat", std::string(1000, 'c'));
        MakeFile(".hidden", "h");
        MakeFile("readonly.cfg", "ro");
        fsys::permissions(m_root + "/readonly.cfg", fsys::perms::owner_read | fsys::perms::group_read |
                                                        fsys::perms::others_read);
        fsys::create_directory(m_root + "/Sub");
        MakeFile("Sub/inner.txt", "i");
    }
    void TearDown() override { fsys::remove_all(m_root); }

    void MakeFile(const std::string& relative, const std::string& contents) {
        std::ofstream(m_root + "/" + relative, std::ios::binary) << contents;
    }
    std::vector<std::string> Find(const std::string& pattern) {
        std::vector<sys::fs::FindEntry> entries;
        sys::fs::FindFiles(pattern, entries);
        std::vector<std::string> names;
        for (const auto& entry : entries) names.push_back(entry.name);
        return names;
    }
    const sys::fs::FindEntry* Entry(const std::vector<sys::fs::FindEntry>& entries, const std::string& name) {
        for (const auto& entry : entries) {
            if (entry.name == name) return &entry;
        }
        return nullptr;
    }

    std::string m_root;
};

using Names = std::vector<std::string>;

TEST_F(FileFindTest, StarDotStarListsEverythingDotEntriesFirst) {
    // ".hidden" sorts before "a.txt" because "." is below every letter.
    EXPECT_EQ(Find(m_root + "\\*.*"),
              (Names{".", "..", ".hidden", "a.txt", "B.TXT", "c.dat", "readonly.cfg", "Sub"}));
    EXPECT_EQ(Find(m_root + "/*"), Find(m_root + "\\*.*"));
}

TEST_F(FileFindTest, WildcardsMatchWithoutRegardToCase) {
    EXPECT_EQ(Find(m_root + "\\*.TXT"), (Names{"a.txt", "B.TXT"}));
    EXPECT_EQ(Find(m_root + "\\b*"), (Names{"B.TXT"}));
    EXPECT_EQ(Find(m_root + "\\?.dat"), (Names{"c.dat"}));
    EXPECT_EQ(Find(m_root + "\\*e*"), (Names{".hidden", "readonly.cfg"}));
    EXPECT_EQ(Find(m_root + "\\*.c?g"), (Names{"readonly.cfg"}));
    EXPECT_EQ(Find(m_root + "\\*t"), (Names{"a.txt", "B.TXT", "c.dat"}));
}

TEST_F(FileFindTest, QuestionMarkIsExactlyOneCharacter) {
    std::vector<sys::fs::FindEntry> entries;
    EXPECT_FALSE(sys::fs::FindFiles(m_root + "\\??.dat", entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(sys::fs::LastError(), sys::fs::kErrorFileNotFound);
    EXPECT_EQ(Find(m_root + "\\c.da?"), (Names{"c.dat"}));
}

TEST_F(FileFindTest, NameWithoutWildcardFindsThatEntryInAnyCase) {
    EXPECT_EQ(Find(m_root + "\\C.DAT"), (Names{"c.dat"}));
    EXPECT_EQ(Find(m_root + "\\sub"), (Names{"Sub"}));
    EXPECT_EQ(Find(m_root + "\\SUB\\Inner.TXT"), (Names{"inner.txt"}));
}

TEST_F(FileFindTest, EntriesCarryAttributesAndSizes) {
    std::vector<sys::fs::FindEntry> entries;
    ASSERT_TRUE(sys::fs::FindFiles(m_root + "\\*", entries));
    ASSERT_EQ(entries.size(), 8u);
    EXPECT_EQ(Entry(entries, "a.txt")->attributes, 0x80u);
    EXPECT_EQ(Entry(entries, "a.txt")->size, 5u);
    EXPECT_EQ(Entry(entries, "B.TXT")->size, 0u);
    EXPECT_EQ(Entry(entries, "c.dat")->size, 1000u);
    EXPECT_EQ(Entry(entries, ".hidden")->attributes, 0x02u);
    EXPECT_EQ(Entry(entries, "Sub")->attributes, 0x10u);
    EXPECT_EQ(Entry(entries, "Sub")->size, 0u);
    EXPECT_EQ(Entry(entries, ".")->attributes, 0x10u);
    EXPECT_EQ(Entry(entries, "..")->attributes, 0x10u);
    EXPECT_EQ(Entry(entries, "readonly.cfg")->attributes, 0x01u);
}

TEST_F(FileFindTest, EntriesCarryWriteTimes) {
    // 2001-09-09 01:46:40 UTC.
    const auto when = std::chrono::sys_seconds(std::chrono::seconds(1000000000));
    fsys::last_write_time(m_root + "/c.dat", std::chrono::file_clock::from_sys(when));
    std::vector<sys::fs::FindEntry> entries;
    ASSERT_TRUE(sys::fs::FindFiles(m_root + "\\c.dat", entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].writeTime, 1000000000);
    EXPECT_NE(entries[0].creationTime, 0);
}

TEST_F(FileFindTest, DotEntriesFollowThePattern) {
    EXPECT_EQ(Find(m_root + "\\.*"), (Names{".", "..", ".hidden"}));
    EXPECT_EQ(Find(m_root + "\\*.txt"), (Names{"a.txt", "B.TXT"}));
    // The top of the file system has no "." and "..".
    for (const std::string& name : Find("/*")) {
        EXPECT_NE(name, ".");
        EXPECT_NE(name, "..");
    }
}

TEST_F(FileFindTest, RelativePatternsSearchTheWorkingDirectory) {
    const fsys::path previous = fsys::current_path();
    fsys::current_path(m_root + "/Sub");
    EXPECT_EQ(Find("*.txt"), (Names{"inner.txt"}));
    EXPECT_EQ(Find("C:\\*.TXT"), (Names{"inner.txt"}));
    EXPECT_EQ(Find("..\\*.dat"), (Names{"c.dat"}));
    fsys::current_path(previous);
}

TEST_F(FileFindTest, SearchesThatFindNothingSayWhy) {
    std::vector<sys::fs::FindEntry> entries;
    EXPECT_FALSE(sys::fs::FindFiles(m_root + "\\*.bmp", entries));
    EXPECT_EQ(sys::fs::LastError(), sys::fs::kErrorFileNotFound);
    EXPECT_FALSE(sys::fs::FindFiles(m_root + "\\NoFolder\\*.*", entries));
    EXPECT_EQ(sys::fs::LastError(), sys::fs::kErrorPathNotFound);
    EXPECT_FALSE(sys::fs::FindFiles(m_root + "\\a.txt\\*.*", entries));
    EXPECT_EQ(sys::fs::LastError(), sys::fs::kErrorPathNotFound);
    EXPECT_FALSE(sys::fs::FindFiles(m_root + "\\S*\\*.txt", entries));
    EXPECT_EQ(sys::fs::LastError(), sys::fs::kErrorInvalidName);
    EXPECT_FALSE(sys::fs::FindFiles(m_root + "\\Sub\\", entries));
    EXPECT_EQ(sys::fs::LastError(), sys::fs::kErrorFileNotFound);
    EXPECT_TRUE(entries.empty());
}

TEST_F(FileFindTest, ASuccessfulSearchClearsTheError) {
    std::vector<sys::fs::FindEntry> entries;
    EXPECT_FALSE(sys::fs::FindFiles(m_root + "\\*.bmp", entries));
    EXPECT_TRUE(sys::fs::FindFiles(m_root + "\\*.dat", entries));
    EXPECT_EQ(sys::fs::LastError(), sys::fs::kErrorNone);
}

TEST_F(FileFindTest, ManyStarsAgainstALongNameFinishQuickly) {
    const std::string name(200, 'a');
    MakeFile(name, "");
    std::string pattern;
    for (int i = 0; i < 40; ++i) pattern += "*a";
    pattern += "*b";
    const auto start = std::chrono::steady_clock::now();
    std::vector<sys::fs::FindEntry> entries;
    EXPECT_FALSE(sys::fs::FindFiles(m_root + "\\" + pattern, entries));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(Find(m_root + "\\*a*a*a"), (Names{name}));
}

}  // namespace
