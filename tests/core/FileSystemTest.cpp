// The file-system helpers on a scratch folder: path splitting, searches with attribute masks,
// lists, folder trees, copies (never overwriting, never leaving a short copy), renames, sizes
// past 4 GiB and the current directory.

#include <gtest/gtest.h>

#include "tests/support/ScratchFolder.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/SFileSystem.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Texts(CStringList* list) {
    std::unique_ptr<CStringList> owned(list);
    std::vector<std::string> texts;
    for (POSITION at = owned->GetHeadPosition(); at != nullptr;)
        texts.push_back(owned->GetNext(at).str());
    return texts;
}

std::vector<std::string> Sorted(std::vector<std::string> texts) {
    std::sort(texts.begin(), texts.end());
    return texts;
}

// Runs each test inside a fresh scratch folder as the working directory, so the paths below
// are written the data's way ("Data\Sub\c.txt").
class FileSystemHelpers : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        root_ = tarvex::test::MakeScratchFolder("core-scratch");
        fs::current_path(root_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(root_);
    }

    static void Write(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path().empty() ? "." : fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Data\a.txt (10 bytes), Data\b.dat (20), Data\.hidden.txt, Data\Sub\c.txt (30), Data\Sub\Deep\d.txt.
    static void MakeData() {
        Write("Data/a.txt", std::string(10, 'a'));
        Write("Data/b.dat", std::string(20, 'b'));
        Write("Data/.hidden.txt", "h");
        Write("Data/Sub/c.txt", std::string(30, 'c'));
        Write("Data/Sub/Deep/d.txt", "d");
    }

    fs::path previous_;
    fs::path root_;
    SFileSystem files_;
};

}  // namespace

TEST(FileSystemPaths, SplittingPathsOnBackslashes) {
    EXPECT_EQ(SFileSystem::GetFileName("C:\\Games\\Tarvex\\Player.cfg"), "Player.cfg");
    EXPECT_EQ(SFileSystem::GetFileName("Player.cfg"), "Player.cfg");
    EXPECT_EQ(SFileSystem::GetFileName("Home\\"), "");

    EXPECT_EQ(SFileSystem::GetDirectory("C:\\Home\\Player.cfg", true), "C:\\Home\\");
    EXPECT_EQ(SFileSystem::GetDirectory("C:\\Home\\Player.cfg", false), "\\Home\\");
    EXPECT_EQ(SFileSystem::GetDirectory("Home\\Player.cfg", false), "Home\\");
    EXPECT_EQ(SFileSystem::GetDirectory("Player.cfg", true), "");

    EXPECT_EQ(SFileSystem::GetDrive("C:\\Games\\x.cat"), "C:\\");
    EXPECT_EQ(SFileSystem::GetDrive("C:x.cat"), "C:");
    EXPECT_EQ(SFileSystem::GetDrive("Games\\x.cat"), "");

    EXPECT_EQ(SFileSystem::GetFileTitle("C:\\Home\\Player.cfg"), "Player");
    EXPECT_EQ(SFileSystem::GetFileTitle("archive.tar.gz"), "archive.tar");
    EXPECT_EQ(SFileSystem::GetFileTitle("Maps.v2\\README"), "README");

    EXPECT_EQ(SFileSystem::JoinPath("", "a.txt"), "a.txt");
    EXPECT_EQ(SFileSystem::JoinPath("Home", "a.txt"), "Home\\a.txt");
    EXPECT_EQ(SFileSystem::JoinPath("Home\\", "a.txt"), "Home\\a.txt");
}

TEST(FileSystemPaths, ExtensionComesFromTheFileNameOnly) {
    EXPECT_EQ(SFileSystem::GetExtension("C:\\Home\\Player.cfg"), "cfg");
    EXPECT_EQ(SFileSystem::GetExtension("archive.tar.gz"), "gz");
    EXPECT_EQ(SFileSystem::GetExtension("name."), "");
    EXPECT_EQ(SFileSystem::GetExtension(".hidden"), "");
    EXPECT_EQ(SFileSystem::GetExtension("Home\\.hidden"), "");
    // A dot in a folder name is no extension of the file.
    EXPECT_EQ(SFileSystem::GetExtension("Maps.v2\\README"), "");
    EXPECT_EQ(SFileSystem::GetExtension("Maps.v2\\readme.txt"), "txt");
}

TEST_F(FileSystemHelpers, StatusOfFilesAndFolders) {
    MakeData();
    EXPECT_TRUE(SFileSystem::FileExists("DATA\\A.TXT"));
    EXPECT_TRUE(SFileSystem::FileExists("Data"));
    EXPECT_FALSE(SFileSystem::FileExists("Data\\missing.txt"));
    EXPECT_TRUE(SFileSystem::IsDirectory("Data\\Sub"));
    EXPECT_FALSE(SFileSystem::IsDirectory("Data\\a.txt"));
    EXPECT_FALSE(SFileSystem::IsDirectory("Missing"));

    uint64_t size = 0;
    EXPECT_TRUE(SFileSystem::GetSize("Data\\b.dat", size));
    EXPECT_EQ(size, 20u);
    uint32_t attributes = 0;
    EXPECT_TRUE(SFileSystem::GetAttributes("Data\\Sub", attributes));
    EXPECT_NE(attributes & 0x10u, 0u);
    CTime modified;
    EXPECT_TRUE(SFileSystem::GetModifiedTime("Data\\a.txt", modified));
    EXPECT_GT(modified.GetYear(), 2000);
    EXPECT_FALSE(SFileSystem::GetModifiedTime("Data\\missing.txt", modified));
}

TEST_F(FileSystemHelpers, FindFileFiltersByMaskButKeepsTheLoopGoing) {
    MakeData();
    // Plain files only: the folders ".", "..", "Sub" and the hidden file come back as empty
    // names with true, so every entry is still visited.
    std::vector<std::string> names;
    int visited = 0;
    CString name;
    for (bool more = files_.FindFile(name, "Data\\*.*", 0); more; more = files_.FindFile(name, "", 0)) {
        ++visited;
        if (!name.IsEmpty())
            names.push_back(name.str());
    }
    EXPECT_EQ(Sorted(names), (std::vector<std::string>{"a.txt", "b.dat"}));
    EXPECT_EQ(visited, 6);
    EXPECT_TRUE(name.IsEmpty());

    // Any entry, and folders only.
    names.clear();
    for (bool more = files_.FindFile(name, "Data\\*.*", SFileSystem::kAnyEntry); more;
         more = files_.FindFile(name, "", SFileSystem::kAnyEntry))
        names.push_back(name.str());
    EXPECT_EQ(names.size(), 6u);
    std::unique_ptr<CString> first(files_.FindFirstMatch("Data\\*", SFileSystem::kDirectory));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(*first, ".");
    EXPECT_EQ(files_.FindFirstMatch("Data\\*.none", SFileSystem::kAnyEntry), nullptr);
    EXPECT_FALSE(files_.FindFile(name, "Missing\\*.*", SFileSystem::kAnyEntry));
}

TEST_F(FileSystemHelpers, ListsOfFilesAndFolders) {
    MakeData();
    EXPECT_EQ(Sorted(Texts(files_.ListFiles("Data\\*.txt", 0))), (std::vector<std::string>{"Data\\a.txt"}));
    EXPECT_EQ(Texts(files_.ListSubdirectories("Data", true)), (std::vector<std::string>{"Data\\Sub"}));
    EXPECT_EQ(Texts(files_.ListSubdirectories("Data\\", false)), (std::vector<std::string>{"Sub"}));
    EXPECT_EQ(Sorted(Texts(files_.ListFilesRecursive("Data\\*.txt", 0, true))),
              (std::vector<std::string>{"Data\\Sub\\Deep\\d.txt", "Data\\Sub\\c.txt", "Data\\a.txt"}));

    // Appending to a list the caller already has.
    auto* list = new CStringList;
    list->AddTail(CString("first"));
    EXPECT_EQ(files_.ListFilesRecursive("Data\\*.dat", 0, false, list), list);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"first", "Data\\b.dat"}));
}

TEST_F(FileSystemHelpers, FolderTreesAreCreatedAndRemoved) {
    EXPECT_FALSE(files_.CreateDirectoryTree(""));
    EXPECT_TRUE(files_.CreateDirectoryTree("Tree\\A\\B"));
    EXPECT_TRUE(fs::is_directory("Tree/A/B"));
    EXPECT_TRUE(files_.CreateDirectoryTree("Tree\\A\\B\\"));  // nothing left to create
    EXPECT_TRUE(files_.CreateDirectoryTree("TREE\\a\\C"));
    EXPECT_TRUE(fs::is_directory("Tree/A/C"));

    Write("Tree/A/B/file.txt", "x");
    Write("Tree/top.txt", "y");
    EXPECT_FALSE(files_.RemoveDirectory("Tree", false));
    EXPECT_TRUE(fs::exists("Tree/top.txt"));
    EXPECT_TRUE(files_.RemoveDirectory("Tree\\A\\C", false));
    EXPECT_TRUE(files_.RemoveDirectory("Tree", true));
    EXPECT_FALSE(fs::exists("Tree"));
    EXPECT_FALSE(files_.RemoveDirectory("Tree", true));
}

TEST_F(FileSystemHelpers, RemovingATreeRemovesItsLinksAsLinks) {
    Write("Outside/keep.txt", "k");
    Write("Outside/Inner/deep.txt", "d");
    Write("Tree/own.txt", "o");
    fs::create_directories("Tree/Sub");
    fs::create_directory_symlink(fs::absolute("Outside"), "Tree/Sub/link");
    fs::create_symlink(fs::absolute("Outside/keep.txt"), "Tree/file-link");
    fs::create_directory_symlink(fs::absolute("Outside"), "Top");

    EXPECT_TRUE(files_.RemoveDirectory("Tree", true));
    EXPECT_FALSE(fs::exists(fs::symlink_status("Tree")));
    EXPECT_TRUE(files_.RemoveDirectory("Top", true));
    EXPECT_FALSE(fs::exists(fs::symlink_status("Top")));
    EXPECT_EQ(Read("Outside/keep.txt"), "k");
    EXPECT_EQ(Read("Outside/Inner/deep.txt"), "d");
}

TEST_F(FileSystemHelpers, DirectorySizes) {
    MakeData();
    EXPECT_EQ(files_.GetDirectorySize("Data", "*.*", false), 31u);  // a, b and the hidden file
    EXPECT_EQ(files_.GetDirectorySize("Data", "*.txt", true), 42u);
    EXPECT_EQ(files_.GetDirectorySize("Missing", "*.*", true), 0u);
}

TEST_F(FileSystemHelpers, SizesPast4GiBSaturate) {
    // Sparse files: no disk space is used.
    fs::create_directories("Big/Sub");
    std::ofstream("Big/large.bin").close();
    fs::resize_file("Big/large.bin", 3ull << 30);
    std::ofstream("Big/Sub/large.bin").close();
    fs::resize_file("Big/Sub/large.bin", 3ull << 30);
    EXPECT_EQ(files_.GetDirectorySize("Big", "*.*", false), 3ull << 30);
    EXPECT_EQ(files_.GetDirectorySize("Big", "*.*", true), SFileSystem::kSizeLimit);

    const uint64_t capacity = fs::space(".").capacity;
    EXPECT_EQ(files_.GetDiskCapacity("c:\\"),
              static_cast<uint32_t>(std::min<uint64_t>(capacity, SFileSystem::kSizeLimit)));
    EXPECT_EQ(files_.GetDiskCapacity("Missing\\"), SFileSystem::kSizeFailed);
}

TEST_F(FileSystemHelpers, CopyFileCopiesInBlocksAndNeverOverwrites) {
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += static_cast<char>(i * 7);
    Write("source.bin", text);
    EXPECT_TRUE(files_.CopyFile("SOURCE.BIN", "copy.bin", 7));
    EXPECT_EQ(Read("copy.bin"), text);
    EXPECT_TRUE(files_.CompareFiles("source.bin", "copy.bin", 10240));

    Write("other.bin", "keep me");
    EXPECT_FALSE(files_.CopyFile("source.bin", "other.bin", 10240));
    EXPECT_EQ(Read("other.bin"), "keep me");
    EXPECT_EQ(Read("source.bin"), text);

    EXPECT_FALSE(files_.CopyFile("missing.bin", "new.bin", 10240));
    EXPECT_FALSE(fs::exists("new.bin"));
    EXPECT_FALSE(files_.CopyFile("source.bin", "NoFolder\\new.bin", 10240));
    EXPECT_FALSE(files_.CopyFile("source.bin", "new.bin", 0));
    EXPECT_FALSE(fs::exists("new.bin"));

    Write("empty.bin", "");
    EXPECT_TRUE(files_.CopyFile("empty.bin", "empty copy.bin", 10240));
    EXPECT_TRUE(fs::exists("empty copy.bin"));
}

TEST_F(FileSystemHelpers, ShortCopyIsRemovedAndReported) {
    // Kernel attribute files report a length of a page but hold a few bytes: the copy ends
    // short of the length and must not pass for complete.
    const char* source = "/sys/devices/system/cpu/online";
    std::error_code error;
    if (!fs::exists(source, error) || fs::file_size(source, error) <= Read(source).size())
        GTEST_SKIP() << "no kernel attribute file to copy from";
    EXPECT_FALSE(files_.CopyFile(source, "short.bin", 10240));
    EXPECT_FALSE(fs::exists("short.bin"));
}

TEST_F(FileSystemHelpers, CopyFilesStopsAtTheFirstFailureUnlessToldToGoOn) {
    MakeData();
    fs::create_directories("Out");
    Write("Out/a.txt", "already here");
    EXPECT_FALSE(files_.CopyFiles("Data\\*.*", "Out", false, 0));
    // "a.txt" comes first and fails, so "b.dat" was never tried.
    EXPECT_FALSE(fs::exists("Out/b.dat"));
    EXPECT_FALSE(files_.CopyFiles("Data\\*.*", "Out\\", true, 0));
    EXPECT_EQ(Read("Out/b.dat"), std::string(20, 'b'));
    EXPECT_EQ(Read("Out/a.txt"), "already here");
    EXPECT_FALSE(fs::exists("Out/.hidden.txt"));
    EXPECT_TRUE(files_.CopyFiles("Data\\Sub\\*.txt", "Out", false, 0));
    EXPECT_EQ(Read("Out/c.txt"), std::string(30, 'c'));
}

TEST_F(FileSystemHelpers, CompareFiles) {
    Write("one.txt", "abcdef");
    Write("same.txt", "abcdef");
    Write("differs.txt", "abcdeX");
    Write("longer.txt", "abcdefg");
    EXPECT_TRUE(files_.CompareFiles("one.txt", "same.txt", 4));
    EXPECT_FALSE(files_.CompareFiles("one.txt", "differs.txt", 4));
    EXPECT_FALSE(files_.CompareFiles("one.txt", "longer.txt", 4));
    EXPECT_FALSE(files_.CompareFiles("one.txt", "missing.txt", 4));
}

TEST_F(FileSystemHelpers, RenameAndDelete) {
    MakeData();
    EXPECT_TRUE(files_.RenameFile("Data\\a.txt", "Data\\a.txt"));
    EXPECT_TRUE(files_.RenameFile("Data\\a.txt", "Data\\renamed.txt"));
    EXPECT_EQ(Read("Data/renamed.txt"), std::string(10, 'a'));
    EXPECT_FALSE(files_.RenameFile("Data\\missing.txt", "Data\\x.txt"));
    EXPECT_FALSE(files_.RenameFile("Data\\renamed.txt", "Data\\b.dat"));  // the target exists
    EXPECT_FALSE(files_.RenameFile("Data\\Sub", "Data\\Moved"));           // not a file
    EXPECT_FALSE(files_.RenameDirectory("Data\\b.dat", "Data\\Moved"));    // not a folder
    EXPECT_TRUE(files_.RenameDirectory("Data\\Sub", "Data\\Moved"));
    EXPECT_TRUE(fs::exists("Data/Moved/c.txt"));

    EXPECT_TRUE(files_.DeleteFile("Data\\b.dat"));
    EXPECT_FALSE(files_.DeleteFile("Data\\b.dat"));
    Write("Data/x.tmp", "1");
    Write("Data/y.tmp", "2");
    EXPECT_TRUE(files_.DeleteFiles("Data\\*.tmp", 0));
    EXPECT_FALSE(fs::exists("Data/x.tmp"));
    EXPECT_FALSE(fs::exists("Data/y.tmp"));
    EXPECT_TRUE(fs::exists("Data/renamed.txt"));
}

TEST_F(FileSystemHelpers, CurrentDirectoryIsRestoredExactly) {
    MakeData();
    fs::current_path("Data");
    const fs::path before = fs::current_path();
    CString text;
    files_.GetCurrentDirectory(text, "Sub\\Deep");
    EXPECT_EQ(fs::path(text.str()), before / "Sub" / "Deep");
    EXPECT_EQ(fs::current_path(), before);

    files_.GetCurrentDirectory(text, "");
    EXPECT_EQ(fs::path(text.str()), before);
    files_.GetCurrentDirectory(text, "Missing");
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(fs::current_path(), before);

    EXPECT_TRUE(files_.SetCurrentDirectory("SUB"));
    EXPECT_EQ(fs::current_path(), before / "Sub");
    EXPECT_FALSE(files_.SetCurrentDirectory("Missing"));
    EXPECT_EQ(files_.GetFullPath("c.txt"), (before / "Sub" / "c.txt").string());
}

TEST_F(FileSystemHelpers, ReadOnlyProbeLeavesNothingBehind) {
    fs::create_directories("Writable");
    EXPECT_FALSE(files_.IsDirectoryReadOnly("Writable"));
    EXPECT_TRUE(fs::is_empty("Writable"));
    EXPECT_TRUE(files_.IsDirectoryReadOnly("Missing"));
}

TEST_F(FileSystemHelpers, TheOneDrive) {
    EXPECT_EQ(Texts(files_.GetDriveList()), (std::vector<std::string>{"c:\\"}));
    EXPECT_TRUE(files_.IsDriveListed("C:\\"));
    EXPECT_FALSE(files_.IsDriveListed("d:\\"));
    EXPECT_EQ(files_.GetDriveType("c:\\"), 3);
    EXPECT_EQ(files_.GetDriveType("q:\\"), 1);
    EXPECT_TRUE(files_.SelectDrive('C'));
    EXPECT_FALSE(files_.SelectDrive('q'));
}
