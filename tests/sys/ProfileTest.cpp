// The profile file: values of the application and system profiles kept apart, the maker's key,
// integers read like atoi, hand-edited files read and kept, and writes that either replace the
// whole file or leave it as it was.

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/ScratchFolder.h"
#include "sys/profile.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fsys = std::filesystem;
using sys::profile::Kind;

class ProfileTest : public testing::Test {
protected:
    void SetUp() override {
        m_root = tarvex::test::MakeScratchFolder("sysfs-scratch");
        m_file = m_root + "/config/Tarvex/Tarvex.ini";
        sys::profile::SetFile(m_file);
        sys::profile::SetRegistryKey("");
    }
    void TearDown() override {
        sys::profile::SetFile("");
        sys::profile::SetRegistryKey("");
        fsys::remove_all(m_root);
    }

    std::string ReadFile() const {
        std::ifstream in(m_file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void WriteFile(const std::string& text) {
        fsys::create_directories(fsys::path(m_file).parent_path());
        std::ofstream(m_file, std::ios::binary) << text;
    }
    size_t EntryCount() const {
        size_t count = 0;
        const fsys::path folder = fsys::path(m_file).parent_path();
        for ([[maybe_unused]] const auto& entry : fsys::directory_iterator(folder)) ++count;
        return count;
    }

    std::string m_root;
    std::string m_file;
};

TEST_F(ProfileTest, MissingFileGivesTheDefaults) {
    EXPECT_EQ(sys::profile::GetString(Kind::System, "Settings", "SDXDrawDriver", "Unknown"), "Unknown");
    EXPECT_EQ(sys::profile::GetString(Kind::Application, "Settings", "BasePath", ""), "");
    EXPECT_EQ(sys::profile::GetInt(Kind::System, "Settings", "MaleVoiceOvers", 1), 1);
    EXPECT_FALSE(fsys::exists(m_file));
}

TEST_F(ProfileTest, WrittenValuesReadBackAndCreateTheFolders) {
    EXPECT_TRUE(sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriverMode", "640 x 480 x 16"));
    EXPECT_TRUE(sys::profile::WriteInt(Kind::Application, "Catalog", "ReleaseMode", 1));
    EXPECT_EQ(sys::profile::GetString(Kind::System, "Settings", "SDXDrawDriverMode", "Unknown"),
              "640 x 480 x 16");
    EXPECT_EQ(sys::profile::GetInt(Kind::Application, "Catalog", "ReleaseMode", 0), 1);
    EXPECT_EQ(ReadFile(),
              "[System/Settings]\n"
              "SDXDrawDriverMode=640 x 480 x 16\n"
              "\n"
              "[Application/Catalog]\n"
              "ReleaseMode=1\n");
}

TEST_F(ProfileTest, TheTwoKindsAreSeparate) {
    // The officer screens store "MaleVoiceOvers" in the application profile; the main menu reads
    // the system profile's value, which stays at its default.
    ASSERT_TRUE(sys::profile::WriteInt(Kind::Application, "Settings", "MaleVoiceOvers", 0));
    EXPECT_EQ(sys::profile::GetInt(Kind::System, "Settings", "MaleVoiceOvers", 1), 1);
    EXPECT_EQ(sys::profile::GetInt(Kind::Application, "Settings", "MaleVoiceOvers", 1), 0);
}

TEST_F(ProfileTest, TheMakersKeyNamesTheApplicationSections) {
    sys::profile::SetRegistryKey("Quellon Interactive");
    ASSERT_TRUE(sys::profile::WriteString(Kind::Application, "Settings", "LastPlayer", "Miller"));
    ASSERT_TRUE(sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriver", "display"));
    EXPECT_EQ(ReadFile(),
              "[Application/Quellon Interactive/Settings]\n"
              "LastPlayer=Miller\n"
              "\n"
              "[System/Settings]\n"
              "SDXDrawDriver=display\n");
    EXPECT_EQ(sys::profile::GetString(Kind::Application, "Settings", "LastPlayer", ""), "Miller");
    sys::profile::SetRegistryKey("");
    EXPECT_EQ(sys::profile::GetString(Kind::Application, "Settings", "LastPlayer", "none"), "none");
    EXPECT_EQ(sys::profile::GetString(Kind::System, "Settings", "SDXDrawDriver", ""), "display");
}

TEST_F(ProfileTest, SectionsAndKeysMatchWithoutRegardToCase) {
    ASSERT_TRUE(sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriver", "display"));
    EXPECT_EQ(sys::profile::GetString(Kind::System, "SETTINGS", "sdxdrawdriver", ""), "display");
    ASSERT_TRUE(sys::profile::WriteString(Kind::System, "settings", "SDXDRAWDRIVER", "other"));
    EXPECT_EQ(ReadFile(), "[System/Settings]\nSDXDrawDriver=other\n");
}

TEST_F(ProfileTest, NewKeysJoinTheirSectionAndOtherLinesSurvive) {
    WriteFile("; kept comment\r\n"
              "[System/Settings]\r\n"
              "SDXDrawDriver = display \r\n"
              "\r\n"
              "[Other]\r\n"
              "x=1\r\n");
    EXPECT_EQ(sys::profile::GetString(Kind::System, "Settings", "SDXDrawDriver", ""), "display");
    ASSERT_TRUE(sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriverDevice", "Direct3D HAL"));
    EXPECT_EQ(ReadFile(),
              "; kept comment\n"
              "[System/Settings]\n"
              "SDXDrawDriver = display \n"
              "SDXDrawDriverDevice=Direct3D HAL\n"
              "\n"
              "[Other]\n"
              "x=1\n");
}

TEST_F(ProfileTest, CarriageReturnsAtTheEdgesOfAValueAreBlanks) {
    // The file is written back with LF ends, so a line that ended in CR CR keeps one CR.
    WriteFile("[System/Settings]\r\nSDXDrawDriver=display\r\r\nMode= \r640\r\r\n");
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(sys::profile::GetString(Kind::System, "Settings", "SDXDrawDriver", ""), "display");
        EXPECT_EQ(sys::profile::GetInt(Kind::System, "Settings", "Mode", 0), 640);
        ASSERT_TRUE(sys::profile::WriteString(Kind::System, "Settings", "Other", "x"));
    }
}

TEST_F(ProfileTest, EmptyValuesAndBlanksAndQuotes) {
    ASSERT_TRUE(sys::profile::WriteString(Kind::Application, "Settings", "BasePath", ""));
    EXPECT_EQ(sys::profile::GetString(Kind::Application, "Settings", "BasePath", "default"), "");
    ASSERT_TRUE(sys::profile::WriteString(Kind::Application, "Settings", "LastPlayer", "  Two Blanks "));
    EXPECT_EQ(sys::profile::GetString(Kind::Application, "Settings", "LastPlayer", ""), "  Two Blanks ");
    ASSERT_TRUE(sys::profile::WriteString(Kind::Application, "Settings", "Quoted", "\"q\""));
    EXPECT_EQ(sys::profile::GetString(Kind::Application, "Settings", "Quoted", ""), "\"q\"");
    const std::string path = "C:\\Games\\Tarvex\\";
    ASSERT_TRUE(sys::profile::WriteString(Kind::Application, "Settings", "HunterPath", path));
    EXPECT_EQ(sys::profile::GetString(Kind::Application, "Settings", "HunterPath", ""), path);
    EXPECT_NE(ReadFile().find("HunterPath=C:\\Games\\Tarvex\\\n"), std::string::npos);
}

TEST_F(ProfileTest, IntegersAreReadLikeAtoi) {
    WriteFile("[Application/Settings]\n"
              "CheatNoCheat=507318\n"
              "Negative= -12abc\n"
              "Words=abc\n"
              "Empty=\n"
              "Plus=+7\n"
              "Huge=99999999999\n"
              "Tiny=-99999999999\n");
    EXPECT_EQ(sys::profile::GetInt(Kind::Application, "Settings", "CheatNoCheat", 0), 507318);
    EXPECT_EQ(sys::profile::GetInt(Kind::Application, "Settings", "Negative", 5), -12);
    EXPECT_EQ(sys::profile::GetInt(Kind::Application, "Settings", "Words", 5), 0);
    EXPECT_EQ(sys::profile::GetInt(Kind::Application, "Settings", "Empty", 5), 0);
    EXPECT_EQ(sys::profile::GetInt(Kind::Application, "Settings", "Plus", 5), 7);
    EXPECT_EQ(sys::profile::GetInt(Kind::Application, "Settings", "Huge", 5), INT_MAX);
    EXPECT_EQ(sys::profile::GetInt(Kind::Application, "Settings", "Tiny", 5), INT_MIN);
    EXPECT_EQ(sys::profile::GetInt(Kind::Application, "Settings", "Missing", 5), 5);
    ASSERT_TRUE(sys::profile::WriteInt(Kind::Application, "Settings", "Low", INT_MIN));
    EXPECT_EQ(sys::profile::GetInt(Kind::Application, "Settings", "Low", 0), INT_MIN);
}

TEST_F(ProfileTest, ValuesThatCannotBeStoredOnOneLineAreRefused) {
    ASSERT_TRUE(sys::profile::WriteString(Kind::Application, "Settings", "LastPlayer", "Miller"));
    const std::string before = ReadFile();
    EXPECT_FALSE(sys::profile::WriteString(Kind::Application, "Settings", "LastPlayer", "Mil\nler"));
    EXPECT_FALSE(sys::profile::WriteString(Kind::Application, "Settings", "Last=Player", "x"));
    EXPECT_FALSE(sys::profile::WriteString(Kind::Application, "Settings", "[Injected]", "x"));
    EXPECT_FALSE(sys::profile::WriteString(Kind::Application, "Settings", "", "x"));
    EXPECT_FALSE(sys::profile::WriteString(Kind::Application, "Set]tings", "Key", "x"));
    EXPECT_FALSE(sys::profile::WriteString(Kind::Application, " Settings", "Key", "x"));
    EXPECT_EQ(ReadFile(), before);
    EXPECT_EQ(sys::profile::GetString(Kind::Application, "Settings", "LastPlayer", ""), "Miller");
}

TEST_F(ProfileTest, AFailedWriteLeavesTheOldFileAndReportsFalse) {
    // A folder at the temporary file's name is not in the way, and stays.
    fsys::create_directories(m_file + ".tmp");
    ASSERT_TRUE(sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriver", "display"));
    EXPECT_EQ(EntryCount(), 2u);
    // A name that leaves no room for the temporary file's ending makes the write fail before
    // the rename; the player is told which file was not saved.
    const std::string longFile = m_root + "/config/Tarvex/" + std::string(253, 'p');
    fsys::copy_file(m_file, longFile);
    sys::profile::SetFile(m_file = longFile);
    const std::string before = ReadFile();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriver", "other"));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("Tarvex: could not save " + m_file + ": ", 0), 0u) << said;
    EXPECT_EQ(ReadFile(), before);
    EXPECT_EQ(sys::profile::GetString(Kind::System, "Settings", "SDXDrawDriver", ""), "display");
    EXPECT_EQ(EntryCount(), 3u);
}

TEST_F(ProfileTest, AProfileThatCannotBeReadIsNeverReplaced) {
    fsys::create_directories(m_file);  // a folder in the file's place
    testing::internal::CaptureStderr();
    EXPECT_FALSE(sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriver", "display"));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "Tarvex: could not save " + m_file + ": it could not be read, and is kept as it is\n");
    EXPECT_EQ(sys::profile::GetString(Kind::System, "Settings", "SDXDrawDriver", "Unknown"), "Unknown");
    EXPECT_TRUE(fsys::is_directory(m_file));
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(ProfileTest, AnOversizedFileIsNotLoaded) {
    WriteFile("[System/Settings]\nSDXDrawDriver=display\n; " + std::string(5 * 1024 * 1024, 'x') + "\n");
    EXPECT_EQ(sys::profile::GetString(Kind::System, "Settings", "SDXDrawDriver", "Unknown"), "Unknown");
    EXPECT_FALSE(sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriver", "other"));
    // A gigabyte with no disk behind it is refused by its size, not read.
    fsys::resize_file(m_file, uintmax_t(1) << 30);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriver", "other"));
    // Read, it would take ten seconds; refused, a moment, which a busy machine may stretch.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// A link at the profile's name is read through but replaced by the write, so the file it names,
// outside the profile's folder, keeps its words.
TEST_F(ProfileTest, AWriteReplacesASymbolicLinkAndLeavesWhatItNamed) {
    const std::string elsewhere = m_root + "/kept.ini";
    std::ofstream(elsewhere) << "[System/Settings]\nSDXDrawDriver=display\n";
    fsys::create_directories(fsys::path(m_file).parent_path());
    fsys::create_symlink(elsewhere, m_file);
    ASSERT_TRUE(sys::profile::WriteInt(Kind::System, "Settings", "MaleVoiceOvers", 0));
    EXPECT_FALSE(fsys::is_symlink(m_file));
    EXPECT_EQ(ReadFile(), "[System/Settings]\nSDXDrawDriver=display\nMaleVoiceOvers=0\n");
    std::ifstream kept(elsewhere, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()),
              "[System/Settings]\nSDXDrawDriver=display\n");
}

// Values come from memory while the file on disk is the one read; any change of it is seen, also
// a rewrite in place of the same length whose modification time is put back, and the profile's
// own writes.
TEST_F(ProfileTest, ValuesAnswerFromMemoryUntilTheFileChanges) {
    auto get = [] { return sys::profile::GetString(Kind::System, "Settings", "Level", ""); };
    WriteFile("[System/Settings]\nLevel=1\n");
    ASSERT_EQ(get(), "1");
    const auto read = fsys::last_write_time(m_file);
    const struct {
        const char* what;
        const char* text;
        bool rename;
        std::chrono::nanoseconds later;
        const char* expected;
    } steps[] = {
        {"same length, time put back: its change time", "[System/Settings]\nLevel=2\n", false, {}, "2"},
        {"a nanosecond later", "[System/Settings]\nLevel=3\n", false, std::chrono::nanoseconds(1), "3"},
        {"another length", "[System/Settings]\nLevel=44\n", false, std::chrono::nanoseconds(1), "44"},
        {"another file", "[System/Settings]\nLevel=55\n", true, std::chrono::nanoseconds(1), "55"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.rename) {
            std::ofstream(m_file + ".new", std::ios::binary) << step.text;
            fsys::rename(m_file + ".new", m_file);
        } else {
            std::ofstream(m_file, std::ios::binary | std::ios::in) << step.text;
        }
        fsys::last_write_time(m_file, read + step.later);
        EXPECT_EQ(get(), step.expected);
    }

    ASSERT_TRUE(sys::profile::WriteString(Kind::System, "Settings", "Level", "6"));
    ASSERT_TRUE(sys::profile::WriteString(Kind::System, "Settings", "Other", "7"));
    EXPECT_EQ(get(), "6");
    EXPECT_EQ(sys::profile::GetString(Kind::System, "Settings", "other", ""), "7");
    fsys::remove(m_file);
    EXPECT_EQ(get(), "");
}

// A profile another user owns and keeps to himself (mode 0600) answers the defaults and refuses
// writes; whatever lets it be read is seen at the next question or write, whether the file changed
// (its mode, shown only in its change time) or the process asking it did. The questions are asked
// by a child process that gives up root, keeping it as its saved user so it can act as the owner.
TEST_F(ProfileTest, AProfileThatCouldNotBeReadIsTriedAgain) {
    if (geteuid() != 0) GTEST_SKIP() << "another user's file needs root to set up";
    const struct passwd* nobody = getpwnam("nobody");
    const uid_t user = nobody ? nobody->pw_uid : 65534;
    const gid_t group = nobody ? nobody->pw_gid : 65534;
    // The scratch folder may sit in a folder only root enters; the other user needs one of its own.
    std::string folder = (fsys::temp_directory_path() / "tarvex-profile-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    ASSERT_EQ(chown(folder.c_str(), user, group), 0);
    const std::string file = folder + "/Tarvex.ini";
    std::ofstream(file, std::ios::binary) << "[System/Settings]\nLevel=1\n";
    ASSERT_EQ(chmod(file.c_str(), 0600), 0);

    int answers[2];
    ASSERT_EQ(pipe(answers), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string said;
        const auto ask = [&] { said += sys::profile::GetString(Kind::System, "Settings", "Level", "none") + " "; };
        const auto write = [&] { said += sys::profile::WriteInt(Kind::System, "Settings", "Level", 2) ? "w " : "- "; };
        const auto asOwner = [&](auto step) {
            if (seteuid(0) != 0) said += "(no root) ";
            step();
            if (seteuid(user) != 0) said += "(still root) ";
        };
        sys::profile::SetFile(file);
        if (setgroups(0, nullptr) != 0 || setresgid(group, group, 0) != 0 || setresuid(user, user, 0) != 0)
            said += "(no other user) ";
        ask();
        write();
        asOwner([&] { chmod(file.c_str(), 0644); });
        ask();
        asOwner([&] { chmod(file.c_str(), 0600); });
        ask();
        asOwner(ask);  // the same file, now asked by one who may read it
        asOwner([&] { chmod(file.c_str(), 0644); });
        write();
        ask();
        const ssize_t sent = ::write(answers[1], said.data(), said.size());
        _exit(sent == static_cast<ssize_t>(said.size()) ? 0 : 1);
    }
    close(answers[1]);
    std::string said;
    char buffer[256];
    for (ssize_t got; (got = read(answers[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<size_t>(got));
    close(answers[0]);
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(said, "none - 1 none 1 w 2 ");
    fsys::remove_all(folder);
}

TEST_F(ProfileTest, TheDefaultFileLivesUnderTheUsersConfigFolder) {
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedConfig = oldConfig ? oldConfig : "";
    const std::string savedHome = oldHome ? oldHome : "";
    sys::profile::SetFile("");
    setenv("XDG_CONFIG_HOME", (m_root + "/xdg").c_str(), 1);
    EXPECT_EQ(sys::profile::FilePath(), m_root + "/xdg/Tarvex/Tarvex.ini");
    // A relative XDG_CONFIG_HOME is ignored, as the base-directory rules say.
    setenv("XDG_CONFIG_HOME", "relative", 1);
    setenv("HOME", (m_root + "/home").c_str(), 1);
    EXPECT_EQ(sys::profile::FilePath(), m_root + "/home/.config/Tarvex/Tarvex.ini");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(sys::profile::FilePath(), m_root + "/home/.config/Tarvex/Tarvex.ini");
    EXPECT_TRUE(sys::profile::WriteString(Kind::System, "Settings", "SDXDrawDriver", "display"));
    EXPECT_TRUE(fsys::is_regular_file(m_root + "/home/.config/Tarvex/Tarvex.ini"));

    if (oldConfig) setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
    if (oldHome) setenv("HOME", savedHome.c_str(), 1); else unsetenv("HOME");
}

}  // namespace
