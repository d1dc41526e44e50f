// File and folder operations on data-form paths: folders made and removed, files copied,
// moved and deleted, status, the working directory and disk space, each with the error numbers
// callers test when it fails.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <system_error>

#include "tests/support/ScratchFolder.h"
#include "sys/fs/fs.h"

#include <sys/stat.h>

namespace {

namespace fsys = std::filesystem;
using sys::fs::LastError;

class FileOpsTest : public testing::Test {
protected:
    void SetUp() override {
        m_root = tarvex::test::MakeScratchFolder("sysfs-scratch");
        m_previous = fsys::current_path();
    }
    void TearDown() override {
        fsys::current_path(m_previous);
        std::error_code ignored;
        fsys::permissions(m_root, fsys::perms::owner_all, fsys::perm_options::add, ignored);
        fsys::remove_all(m_root);
    }

    std::string Path(const std::string& relative) const { return m_root + "/" + relative; }
    void Write(const std::string& relative, const std::string& contents) {
        std::ofstream(Path(relative), std::ios::binary) << contents;
    }
    std::string Read(const std::string& relative) const {
        std::ifstream in(Path(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void MakeReadOnly(const std::string& relative) {
        fsys::permissions(Path(relative),
                          fsys::perms::owner_read | fsys::perms::group_read | fsys::perms::others_read);
    }
    // Names in the scratch folder, so tests can see that no temporary file is left behind.
    size_t EntryCount(const std::string& relative = "") const {
        size_t count = 0;
        for ([[maybe_unused]] const auto& entry : fsys::directory_iterator(Path(relative))) ++count;
        return count;
    }

    std::string m_root;
    fsys::path m_previous;
};

// --- Folders -----------------------------------------------------------------------------------

TEST_F(FileOpsTest, CreateDirectoryMakesOneFolder) {
    EXPECT_TRUE(sys::fs::CreateDirectory(m_root + "\\Saves"));
    EXPECT_EQ(LastError(), sys::fs::kErrorNone);
    EXPECT_TRUE(fsys::is_directory(Path("Saves")));
    EXPECT_TRUE(sys::fs::CreateDirectory(m_root + "\\SAVES\\Shots"));
    EXPECT_TRUE(fsys::is_directory(Path("Saves/Shots")));
}

TEST_F(FileOpsTest, CreateDirectoryRefusesAnExistingNameInAnyCase) {
    fsys::create_directory(Path("Saves"));
    EXPECT_FALSE(sys::fs::CreateDirectory(m_root + "\\saves"));
    EXPECT_EQ(LastError(), sys::fs::kErrorAlreadyExists);
    EXPECT_FALSE(fsys::exists(Path("saves")));
    Write("file", "x");
    EXPECT_FALSE(sys::fs::CreateDirectory(m_root + "\\FILE"));
    EXPECT_EQ(LastError(), sys::fs::kErrorAlreadyExists);
}

TEST_F(FileOpsTest, CreateDirectoryNeedsItsParent) {
    EXPECT_FALSE(sys::fs::CreateDirectory(m_root + "\\No\\Such"));
    EXPECT_EQ(LastError(), sys::fs::kErrorPathNotFound);
}

TEST_F(FileOpsTest, RemoveDirectoryOnlyTakesEmptyFolders) {
    fsys::create_directories(Path("Full/Inner"));
    EXPECT_FALSE(sys::fs::RemoveDirectory(m_root + "\\FULL"));
    EXPECT_EQ(LastError(), sys::fs::kErrorDirNotEmpty);
    EXPECT_TRUE(sys::fs::RemoveDirectory(m_root + "\\full\\INNER"));
    EXPECT_TRUE(sys::fs::RemoveDirectory(m_root + "\\full"));
    EXPECT_FALSE(fsys::exists(Path("Full")));
}

TEST_F(FileOpsTest, RemoveDirectoryErrors) {
    Write("file.txt", "x");
    EXPECT_FALSE(sys::fs::RemoveDirectory(m_root + "\\file.txt"));
    EXPECT_EQ(LastError(), sys::fs::kErrorDirectory);
    EXPECT_TRUE(fsys::exists(Path("file.txt")));
    EXPECT_FALSE(sys::fs::RemoveDirectory(m_root + "\\Gone"));
    EXPECT_EQ(LastError(), sys::fs::kErrorFileNotFound);
    EXPECT_FALSE(sys::fs::RemoveDirectory(m_root + "\\Gone\\Deeper"));
    EXPECT_EQ(LastError(), sys::fs::kErrorPathNotFound);
}

// --- Copy ------------------------------------------------------------------------------------

TEST_F(FileOpsTest, CopyFileCopiesContentsAndWriteTime) {
    Write("player.cfg", std::string("officer\0data", 12));
    const auto when =
        std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1234567890)));
    fsys::last_write_time(Path("player.cfg"), when);
    EXPECT_TRUE(sys::fs::CopyFile(m_root + "\\PLAYER.CFG", m_root + "\\~player.tmp", true));
    EXPECT_EQ(Read("~player.tmp"), std::string("officer\0data", 12));
    sys::fs::FileStatus status;
    ASSERT_TRUE(sys::fs::GetStatus(m_root + "\\~PLAYER.TMP", status));
    EXPECT_EQ(status.writeTime, 1234567890);
    EXPECT_EQ(EntryCount(), 2u);
}

TEST_F(FileOpsTest, CopyFileCopiesLargeFilesWhole) {
    std::string big;
    for (int i = 0; i < 300000; ++i) big += static_cast<char>(i * 7);
    Write("big.bin", big);
    EXPECT_TRUE(sys::fs::CopyFile(m_root + "\\big.bin", m_root + "\\copy.bin", false));
    EXPECT_EQ(Read("copy.bin"), big);
}

TEST_F(FileOpsTest, CopyFileThatMayNotOverwriteLeavesBothFilesAlone) {
    Write("a.cfg", "new");
    Write("b.cfg", "old");
    EXPECT_FALSE(sys::fs::CopyFile(m_root + "\\a.cfg", m_root + "\\B.CFG", true));
    EXPECT_EQ(LastError(), sys::fs::kErrorFileExists);
    EXPECT_EQ(Read("a.cfg"), "new");
    EXPECT_EQ(Read("b.cfg"), "old");
    EXPECT_EQ(EntryCount(), 2u);
}

TEST_F(FileOpsTest, CopyFileOverwritesTheTargetInItsOwnCase) {
    Write("player.cfg", "current");
    Write("Player.BAK", "older backup");
    EXPECT_TRUE(sys::fs::CopyFile(m_root + "\\player.cfg", m_root + "\\player.bak", false));
    EXPECT_EQ(Read("Player.BAK"), "current");
    EXPECT_FALSE(fsys::exists(Path("player.bak")));
    EXPECT_EQ(EntryCount(), 2u);
}

TEST_F(FileOpsTest, CopyFileOfAMissingSourceIsFileNotFound) {
    // The backup dialog tells "No hunter file has been created yet!" from this number.
    EXPECT_FALSE(sys::fs::CopyFile(m_root + "\\player.cfg", m_root + "\\player.bak", false));
    EXPECT_EQ(LastError(), sys::fs::kErrorFileNotFound);
    EXPECT_FALSE(sys::fs::CopyFile(m_root + "\\Home\\player.cfg", m_root + "\\player.bak", false));
    EXPECT_EQ(LastError(), sys::fs::kErrorPathNotFound);
    EXPECT_EQ(EntryCount(), 0u);
}

TEST_F(FileOpsTest, CopyFileRefusals) {
    Write("src.txt", "s");
    Write("locked.txt", "keep");
    MakeReadOnly("locked.txt");
    EXPECT_FALSE(sys::fs::CopyFile(m_root + "\\src.txt", m_root + "\\locked.txt", false));
    EXPECT_EQ(LastError(), sys::fs::kErrorAccessDenied);
    EXPECT_EQ(Read("locked.txt"), "keep");
    fsys::create_directory(Path("Folder"));
    EXPECT_FALSE(sys::fs::CopyFile(m_root + "\\src.txt", m_root + "\\folder", false));
    EXPECT_EQ(LastError(), sys::fs::kErrorAccessDenied);
    EXPECT_FALSE(sys::fs::CopyFile(m_root + "\\folder", m_root + "\\new.txt", false));
    EXPECT_EQ(LastError(), sys::fs::kErrorAccessDenied);
    EXPECT_FALSE(sys::fs::CopyFile(m_root + "\\src.txt", m_root + "\\NoDir\\new.txt", false));
    EXPECT_EQ(LastError(), sys::fs::kErrorPathNotFound);
    EXPECT_EQ(EntryCount(), 3u);
    EXPECT_EQ(EntryCount("Folder"), 0u);
}

TEST_F(FileOpsTest, CopyFileOntoItselfKeepsTheContents) {
    Write("same.txt", "contents");
    EXPECT_TRUE(sys::fs::CopyFile(m_root + "\\same.txt", m_root + "\\SAME.TXT", false));
    EXPECT_EQ(Read("same.txt"), "contents");
    EXPECT_EQ(EntryCount(), 1u);
}

// --- Move ------------------------------------------------------------------------------------

TEST_F(FileOpsTest, MoveFileRenamesAndMovesBetweenFolders) {
    Write("old.txt", "data");
    fsys::create_directory(Path("Dest"));
    EXPECT_TRUE(sys::fs::MoveFile(m_root + "\\OLD.TXT", m_root + "\\dest\\New.txt"));
    EXPECT_FALSE(fsys::exists(Path("old.txt")));
    EXPECT_EQ(Read("Dest/New.txt"), "data");
    fsys::create_directories(Path("Tree/Leaf"));
    EXPECT_TRUE(sys::fs::MoveFile(m_root + "\\tree", m_root + "\\Dest\\Moved"));
    EXPECT_TRUE(fsys::is_directory(Path("Dest/Moved/Leaf")));
}

TEST_F(FileOpsTest, MoveFileNeverReplacesAnotherEntry) {
    Write("a.txt", "a");
    Write("b.txt", "b");
    EXPECT_FALSE(sys::fs::MoveFile(m_root + "\\a.txt", m_root + "\\B.TXT"));
    EXPECT_EQ(LastError(), sys::fs::kErrorAlreadyExists);
    EXPECT_EQ(Read("a.txt"), "a");
    EXPECT_EQ(Read("b.txt"), "b");
    fsys::create_directory(Path("Empty"));
    EXPECT_FALSE(sys::fs::MoveFile(m_root + "\\a.txt", m_root + "\\empty"));
    EXPECT_EQ(LastError(), sys::fs::kErrorAlreadyExists);
    EXPECT_TRUE(fsys::is_regular_file(Path("a.txt")));
}

TEST_F(FileOpsTest, MoveFileCanChangeOnlyTheCase) {
    Write("officer.cfg", "x");
    EXPECT_TRUE(sys::fs::MoveFile(m_root + "\\officer.cfg", m_root + "\\Officer.CFG"));
    EXPECT_TRUE(fsys::exists(Path("Officer.CFG")));
    EXPECT_FALSE(fsys::exists(Path("officer.cfg")));
    EXPECT_TRUE(sys::fs::MoveFile(m_root + "\\Officer.CFG", m_root + "\\Officer.CFG"));
    EXPECT_EQ(Read("Officer.CFG"), "x");
}

TEST_F(FileOpsTest, MoveFileErrors) {
    EXPECT_FALSE(sys::fs::MoveFile(m_root + "\\none.txt", m_root + "\\other.txt"));
    EXPECT_EQ(LastError(), sys::fs::kErrorFileNotFound);
    Write("a.txt", "a");
    EXPECT_FALSE(sys::fs::MoveFile(m_root + "\\a.txt", m_root + "\\NoDir\\a.txt"));
    EXPECT_EQ(LastError(), sys::fs::kErrorPathNotFound);
    EXPECT_TRUE(fsys::exists(Path("a.txt")));
}

// --- Delete ----------------------------------------------------------------------------------

TEST_F(FileOpsTest, DeleteFileRemovesAFileInAnyCase) {
    Write("~player.tmp", "x");
    EXPECT_TRUE(sys::fs::DeleteFile(m_root + "\\~PLAYER.TMP"));
    EXPECT_EQ(EntryCount(), 0u);
}

TEST_F(FileOpsTest, DeleteFileErrors) {
    EXPECT_FALSE(sys::fs::DeleteFile(m_root + "\\none.txt"));
    EXPECT_EQ(LastError(), sys::fs::kErrorFileNotFound);
    EXPECT_FALSE(sys::fs::DeleteFile(m_root + "\\NoDir\\none.txt"));
    EXPECT_EQ(LastError(), sys::fs::kErrorPathNotFound);
    fsys::create_directory(Path("Folder"));
    EXPECT_FALSE(sys::fs::DeleteFile(m_root + "\\Folder"));
    EXPECT_EQ(LastError(), sys::fs::kErrorAccessDenied);
    Write("locked.txt", "keep");
    MakeReadOnly("locked.txt");
    EXPECT_FALSE(sys::fs::DeleteFile(m_root + "\\locked.txt"));
    EXPECT_EQ(LastError(), sys::fs::kErrorAccessDenied);
    EXPECT_TRUE(fsys::exists(Path("locked.txt")));
    EXPECT_TRUE(fsys::is_directory(Path("Folder")));
}

// --- Status ----------------------------------------------------------------------------------

TEST_F(FileOpsTest, StatusAndAttributes) {
    Write("data.bin", std::string(70000, 'd'));
    fsys::create_directory(Path("Dir"));
    Write(".profile", "p");
    sys::fs::FileStatus status;
    ASSERT_TRUE(sys::fs::GetStatus(m_root + "\\DATA.BIN", status));
    EXPECT_EQ(status.size, 70000u);
    EXPECT_EQ(status.attributes, sys::fs::kAttributeNormal);
    EXPECT_EQ(sys::fs::GetAttributes(m_root + "\\dir"), sys::fs::kAttributeDirectory);
    EXPECT_EQ(sys::fs::GetAttributes(m_root + "\\.PROFILE"), sys::fs::kAttributeHidden);
    MakeReadOnly("data.bin");
    EXPECT_EQ(sys::fs::GetAttributes(m_root + "\\data.bin"), sys::fs::kAttributeReadOnly);
    EXPECT_TRUE(sys::fs::Exists(m_root + "\\Data.Bin"));
    EXPECT_TRUE(sys::fs::IsDirectory(m_root + "\\DIR"));
    EXPECT_FALSE(sys::fs::IsDirectory(m_root + "\\data.bin"));
}

TEST_F(FileOpsTest, StatusOfAMissingPath) {
    EXPECT_EQ(sys::fs::GetAttributes(m_root + "\\none"), sys::fs::kInvalidAttributes);
    EXPECT_EQ(LastError(), sys::fs::kErrorFileNotFound);
    EXPECT_EQ(sys::fs::GetAttributes(m_root + "\\none\\deeper"), sys::fs::kInvalidAttributes);
    EXPECT_EQ(LastError(), sys::fs::kErrorPathNotFound);
    EXPECT_FALSE(sys::fs::Exists(m_root + "\\none"));
    EXPECT_FALSE(sys::fs::IsDirectory(m_root + "\\none"));
}

TEST_F(FileOpsTest, SizesBeyondFourGigabytes) {
    Write("huge.bin", "");
    std::error_code error;
    fsys::resize_file(Path("huge.bin"), 5000000000ull, error);  // sparse: takes no disk
    if (error) GTEST_SKIP() << "this file system cannot hold a sparse 5 GB file";
    sys::fs::FileStatus status;
    ASSERT_TRUE(sys::fs::GetStatus(m_root + "\\huge.bin", status));
    EXPECT_EQ(status.size, 5000000000ull);
    std::vector<sys::fs::FindEntry> entries;
    ASSERT_TRUE(sys::fs::FindFiles(m_root + "\\HUGE.*", entries));
    EXPECT_EQ(entries[0].size, 5000000000ull);
}

// --- Working directory and disks -------------------------------------------------------------

TEST_F(FileOpsTest, WorkingDirectoryIsSetThroughDataPaths) {
    fsys::create_directories(Path("Game/Home"));
    EXPECT_TRUE(sys::fs::SetCurrentDirectory(m_root + "\\game\\HOME"));
    EXPECT_EQ(sys::fs::GetCurrentDirectory(), m_root + "/Game/Home");
    EXPECT_TRUE(sys::fs::SetCurrentDirectory(".."));
    EXPECT_EQ(sys::fs::GetCurrentDirectory(), m_root + "/Game");
    // A failed change leaves the working directory where it was.
    EXPECT_FALSE(sys::fs::SetCurrentDirectory("Home\\Home"));
    EXPECT_EQ(LastError(), sys::fs::kErrorFileNotFound);
    EXPECT_EQ(sys::fs::GetCurrentDirectory(), m_root + "/Game");
}

TEST_F(FileOpsTest, WorkingDirectoryCannotBeAFile) {
    Write("file.txt", "x");
    EXPECT_FALSE(sys::fs::SetCurrentDirectory(m_root + "\\file.txt"));
    EXPECT_EQ(LastError(), sys::fs::kErrorDirectory);
    EXPECT_FALSE(sys::fs::SetCurrentDirectory(m_root + "\\none\\deeper"));
    EXPECT_EQ(LastError(), sys::fs::kErrorPathNotFound);
}

TEST_F(FileOpsTest, DiskSpaceOfTheDiskHoldingAPath) {
    sys::fs::DiskSpace space;
    ASSERT_TRUE(sys::fs::GetDiskSpace(m_root, space));
    const fsys::space_info expected = fsys::space(m_root);
    EXPECT_EQ(space.totalBytes, expected.capacity);
    EXPECT_GT(space.totalBytes, 0u);
    EXPECT_LE(space.freeBytes, space.totalBytes);
    EXPECT_LE(space.availableBytes, space.freeBytes);
    EXPECT_FALSE(sys::fs::GetDiskSpace(m_root + "\\none", space));
    EXPECT_EQ(LastError(), sys::fs::kErrorFileNotFound);
}

}  // namespace

namespace {

TEST_F(FileOpsTest, AtomicWriteReplacesWholeOrLeavesTheOldFile) {
    Write("Default.cfg", "old text");
    fsys::permissions(Path("Default.cfg"), fsys::perms::owner_read | fsys::perms::owner_write |
                                               fsys::perms::group_read | fsys::perms::others_read);
    EXPECT_TRUE(sys::fs::WriteFileAtomically(Path("default.CFG"), "new text"));
    EXPECT_EQ(Read("Default.cfg"), "new text");
    // The replacement did not narrow who may read the file.
    EXPECT_EQ(fsys::status(Path("Default.cfg")).permissions() & fsys::perms::others_read, fsys::perms::others_read);

    // What stands at the temporary copy's name is neither written through nor in the way of
    // the write or of the check that files can be made; it stays as it was.
    Write("victim.txt", "precious");
    const struct {
        const char* kind;
        std::function<void(const std::string&)> make;
    } held[] = {
        {"hard link", [this](const std::string& at) { fsys::create_hard_link(Path("victim.txt"), at); }},
        {"symbolic link", [this](const std::string& at) { fsys::create_symlink(Path("victim.txt"), at); }},
        {"pipe", [](const std::string& at) { ASSERT_EQ(mkfifo(at.c_str(), 0644), 0); }},
        {"folder", [](const std::string& at) { fsys::create_directory(at); }},
    };
    for (const auto& h : held) {
        SCOPED_TRACE(h.kind);
        h.make(Path("Default.cfg.tmp"));
        EXPECT_TRUE(sys::fs::WriteFileAtomically(Path("Default.cfg"), h.kind));
        EXPECT_TRUE(sys::fs::CanCreateFileBeside(Path("Default.cfg")));
        EXPECT_EQ(Read("Default.cfg"), h.kind);
        EXPECT_EQ(Read("victim.txt"), "precious");
        EXPECT_EQ(EntryCount(), 3u);
        fsys::remove(Path("Default.cfg.tmp"));
    }

    // A name that leaves no room for the temporary copy's ending makes the write fail before
    // the rename.
    const std::string longName(253, 'n');
    Write(longName, "old text");
    EXPECT_FALSE(sys::fs::WriteFileAtomically(Path(longName), "lost text"));
    EXPECT_EQ(LastError(), sys::fs::kErrorFilenameTooLong);
    EXPECT_FALSE(sys::fs::CanCreateFileBeside(Path(longName)));
    EXPECT_EQ(Read(longName), "old text");
    EXPECT_EQ(EntryCount(), 3u);
}

}  // namespace
