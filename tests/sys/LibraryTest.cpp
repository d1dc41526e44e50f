// Run-time libraries: loading by the ".dll" names the program uses, in any letter case and
// with backslashes, from the current directory for a bare name, calling into the loaded code,
// and the ordinary failures (no such library, no such export).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "sys/library.h"
#include "tests/support/ElfBytes.h"

#include <sys/stat.h>

namespace {

namespace fsys = std::filesystem;

// The test library is built into this folder as "TvTestLib.so".
const std::string kLibraryFolder = std::string(TARVEX_TEST_BINARY_DIR) + "/sys/testlib";

using AddFunction = int (*)(int, int);

// Moves into a folder for the length of a test and back out again.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const fsys::path& folder) : m_previous(fsys::current_path()) {
        fsys::current_path(folder);
    }
    ~ScopedCurrentDirectory() { fsys::current_path(m_previous); }

private:
    fsys::path m_previous;
};

// Unloads whatever a test loaded, also when an assertion ends the test early.
class LoadedLibrary {
public:
    explicit LoadedLibrary(sys::library::Handle handle) : m_handle(handle) {}
    ~LoadedLibrary() { sys::library::Unload(m_handle); }
    sys::library::Handle get() const { return m_handle; }

private:
    sys::library::Handle m_handle;
};

int CallAdd(sys::library::Handle handle, int a, int b) {
    auto add = reinterpret_cast<AddFunction>(sys::library::Symbol(handle, "TvTestAdd"));
    if (add == nullptr) {
        ADD_FAILURE() << "TvTestAdd not found: " << sys::library::LastError();
        return -1;
    }
    return add(a, b);
}

TEST(LibraryTest, DllNameLoadsTheSoBesideItAndCallsIntoIt) {
    // Loaded twice and released twice, it is gone: loaded again, it starts afresh.
    sys::library::Handle first = sys::library::Load(kLibraryFolder + "/TvTestLib.dll");
    sys::library::Handle second = sys::library::Load(kLibraryFolder + "/TvTestLib.dll");
    EXPECT_EQ(CallAdd(second, 1, 1), 2);
    sys::library::Unload(first);
    sys::library::Unload(second);
    std::string error;
    LoadedLibrary library(sys::library::Load(kLibraryFolder + "/TvTestLib.dll", &error));
    ASSERT_NE(library.get(), nullptr) << error;
    EXPECT_EQ(CallAdd(library.get(), 2, 3), 5);
    EXPECT_EQ(CallAdd(library.get(), -7, 4), -3);
    EXPECT_EQ(reinterpret_cast<int (*)()>(sys::library::Symbol(library.get(), "TvTestCalls"))(), 2);
}

TEST(LibraryTest, DllSuffixAndPathMatchInAnyCase) {
    LoadedLibrary plain(sys::library::Load(kLibraryFolder + "/TvTestLib.dll"));
    ASSERT_NE(plain.get(), nullptr) << sys::library::LastError();

    const std::string upperFolder = std::string(TARVEX_TEST_BINARY_DIR) + "/SYS/TestLib";
    LoadedLibrary mixed(sys::library::Load(upperFolder + "/tvtestlib.DLL"));
    ASSERT_NE(mixed.get(), nullptr) << sys::library::LastError();
    LoadedLibrary backslashed(sys::library::Load(upperFolder + "\\TVTESTLIB.Dll"));
    ASSERT_NE(backslashed.get(), nullptr) << sys::library::LastError();

    // One file, so one library: its state is shared by every handle.
    EXPECT_EQ(mixed.get(), plain.get());
    EXPECT_EQ(backslashed.get(), plain.get());
    auto calls = reinterpret_cast<int (*)()>(sys::library::Symbol(plain.get(), "TvTestCalls"));
    ASSERT_NE(calls, nullptr);
    const int before = calls();
    EXPECT_EQ(CallAdd(mixed.get(), 1, 1), 2);
    EXPECT_EQ(calls(), before + 1);
}

TEST(LibraryTest, BareNameIsLoadedFromTheCurrentDirectory) {
    ScopedCurrentDirectory inside(kLibraryFolder);
    LoadedLibrary library(sys::library::Load("TvTestLib.dll"));
    ASSERT_NE(library.get(), nullptr) << sys::library::LastError();
    EXPECT_EQ(CallAdd(library.get(), 20, 22), 42);
}

TEST(LibraryTest, BareNameInAnotherFolderIsThatFoldersLibrary) {
    // Two copies of one library in two folders, each loaded by the same bare name while the
    // other is still loaded: each folder gets its own library, with its own state.
    const fsys::path root = fsys::path(TARVEX_TEST_BINARY_DIR) / "sys" / "library-folders";
    fsys::remove_all(root);
    for (const char* folder : {"first", "second"}) {
        fsys::create_directories(root / folder);
        fsys::copy_file(kLibraryFolder + "/TvTestLib.so", root / folder / "TvTestLib.so");
    }
    auto loadIn = [&](const char* folder) {
        ScopedCurrentDirectory inside(root / folder);
        return sys::library::Load("TvTestLib.dll");
    };
    LoadedLibrary first(loadIn("first"));
    LoadedLibrary second(loadIn("second"));
    ASSERT_NE(first.get(), nullptr) << sys::library::LastError();
    ASSERT_NE(second.get(), nullptr) << sys::library::LastError();
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(CallAdd(first.get(), 1, 2), 3);
    auto calls = reinterpret_cast<int (*)()>(sys::library::Symbol(second.get(), "TvTestCalls"));
    ASSERT_NE(calls, nullptr);
    EXPECT_EQ(calls(), 0);
}

TEST(LibraryTest, BareNameIsNotFoundOutsideTheCurrentDirectory) {
    ScopedCurrentDirectory outside(TARVEX_TEST_BINARY_DIR);
    EXPECT_EQ(sys::library::Load("TvTestLib.dll"), nullptr);
    // The C library is on the system search path, which a bare name must not reach.
    EXPECT_EQ(sys::library::Load("libm.so.6"), nullptr);
}

TEST(LibraryTest, MissingLibraryIsAnOrdinaryFailureWithAReason) {
    std::string error;
    EXPECT_EQ(sys::library::Load(kLibraryFolder + "/NoSuchLibrary.dll", &error), nullptr);
    EXPECT_NE(error.find("NoSuchLibrary"), std::string::npos) << error;
    EXPECT_EQ(sys::library::LastError(), error);
    EXPECT_EQ(sys::library::LastReason(), "");  // the path alone tells a missing file

    EXPECT_EQ(sys::library::Load("", &error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(LibraryTest, MissingExportIsNullWithAReason) {
    LoadedLibrary library(sys::library::Load(kLibraryFolder + "/TvTestLib.dll"));
    ASSERT_NE(library.get(), nullptr) << sys::library::LastError();
    EXPECT_EQ(sys::library::Symbol(library.get(), "NoSuchExport"), nullptr);
    EXPECT_NE(sys::library::LastError().find("NoSuchExport"), std::string::npos);
    EXPECT_EQ(sys::library::Symbol(nullptr, "TvTestAdd"), nullptr);
    sys::library::Unload(nullptr);  // ignored
}

uint64_t Field(const std::string& bytes, size_t at, size_t width) {
    return tarvex::test::ElfField(bytes, at, width);
}

// The end of the file's last segment, from its program headers.
uint64_t SegmentsEnd(const std::string& bytes) {
    uint64_t end = 0;
    const uint64_t table = Field(bytes, 32, 8), size = Field(bytes, 54, 2), count = Field(bytes, 56, 2);
    for (uint64_t i = 0; i < count; ++i)
        end = std::max(end, Field(bytes, table + i * size + 8, 8) + Field(bytes, table + i * size + 32, 8));
    return end;
}

size_t DynamicAt(const std::string& bytes) {
    const size_t at = tarvex::test::ElfDynamicAt(bytes);
    EXPECT_NE(at, 0u) << "no dynamic segment";
    return at;
}

// The library with `count` bytes at `at` replaced by `fill(i)`.
template <class Fill>
std::string Damaged(std::string bytes, size_t at, size_t count, Fill fill) {
    for (size_t i = 0; i < count; ++i)
        bytes.at(at + i) = static_cast<char>(fill(i));
    return bytes;
}

// The library with the string table's address in its dynamic segment (tag 5) set to 2^40.
std::string StringTableFarAway(std::string bytes) {
    for (size_t at = DynamicAt(bytes); Field(bytes, at, 8) != 0; at += 16)
        if (Field(bytes, at, 8) == 5)
            return Damaged(bytes, at + 8, 8, [](size_t i) { return i == 5 ? 1 : 0; });
    ADD_FAILURE() << "no string table entry";
    return bytes;
}

// The loader maps segments past the end of a file cut short, and the first touch of such a page
// ends the process: a file shorter than its headers say it holds is refused before it is loaded,
// whether its section table or its segments are what is missing. Damage no length shows (in the
// dynamic segment, in the code) makes the loader fault inside the process that loads it: such a
// library is refused without harm to the caller, with the reason, as is a pipe in its place, on
// which the loader would wait for ever.
TEST(LibraryTest, AFileCutShortOrDamagedIsRefused) {
    std::ifstream in(kLibraryFolder + "/TvTestLib.so", std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(whole.compare(0, 6, "\x7f" "ELF\x02\x01"), 0);
    std::string unsectioned = whole;  // no section table: only the segments tell the length
    for (size_t i = 40; i < 48; ++i)
        unsectioned[i] = 0;
    unsectioned[60] = unsectioned[61] = 0;
    const uint64_t segmentsEnd = SegmentsEnd(whole);
    ASSERT_LT(segmentsEnd, whole.size());
    const size_t dynamic = DynamicAt(whole);
    const struct {
        const char* what;
        std::string bytes;
        const char* refusal;  // null: it loads
        const char* initialiser = "";
    } cases[] = {
        {"one byte short", whole.substr(0, whole.size() - 1), "shorter than its"},
        {"a segment a byte short", unsectioned.substr(0, segmentsEnd - 1), "shorter than its"},
        {"the segments whole", unsectioned.substr(0, segmentsEnd), nullptr},
        {"a byte more", whole + '\0', nullptr},
        {"dynamic segment zeroed", Damaged(whole, dynamic, 256, [](size_t) { return 0; }), ""},
        {"dynamic segment of 0xFF", Damaged(whole, dynamic, 256, [](size_t) { return 0xFF; }), ""},
        {"string table at 2^40", StringTableFarAway(whole), ""},
        {"4 KiB of junk in the middle",
         Damaged(whole, whole.size() / 2, 4096, [](size_t i) { return (i * 37 + 11) & 0xFF; }), ""},
        {"a pipe", std::string(), "it is not a regular file"},
        {"an initialiser that exits", whole, "ends a process with status 0", "exit"},
        {"an initialiser that speaks", whole, nullptr, "say"},
    };
    const fsys::path root = fsys::path(TARVEX_TEST_BINARY_DIR) / "sys" / "library-cut";
    fsys::remove_all(root);
    // The trial's process is this one's copy: an initialiser's exit() there must not run what
    // this process left to do at its own exit.
    static const std::string exitMark = (root / "exit-handlers-ran").string();
    static const bool registered = std::atexit([] { std::ofstream(exitMark) << "ran"; }) == 0;
    ASSERT_TRUE(registered);
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // A folder of its own each: the loader knows a library it has loaded by its path.
        const fsys::path file = root / std::to_string(index++) / "TvTestLib.so";
        fsys::create_directories(file.parent_path());
        if (c.bytes.empty()) {
            ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
        } else {
            std::ofstream(file, std::ios::binary) << c.bytes;
        }
        std::string error;
        setenv("TV_TEST_INITIALISER", c.initialiser, 1);
        testing::internal::CaptureStderr();
        LoadedLibrary library(sys::library::Load(file.string(), &error));
        const std::string said = testing::internal::GetCapturedStderr();
        unsetenv("TV_TEST_INITIALISER");
        // Said once, by the load that keeps it, not by its trial too.
        if (std::strcmp(c.initialiser, "say") == 0) {
            EXPECT_EQ(said, "TvTestLib initialised\n");
        }
        EXPECT_FALSE(fsys::exists(exitMark));
        if (c.refusal == nullptr) {
            ASSERT_NE(library.get(), nullptr) << error;
            EXPECT_EQ(CallAdd(library.get(), 2, 2), 4);
        } else {
            EXPECT_EQ(library.get(), nullptr);
            EXPECT_NE(error.find(file.string()), std::string::npos) << error;
            const std::string reason = sys::library::LastReason();
            EXPECT_NE(reason.find(c.refusal), std::string::npos) << reason;
            EXPECT_FALSE(reason.empty());
            EXPECT_EQ(reason.find(file.string()), std::string::npos) << reason;
        }
    }
    fsys::remove_all(root);
}

TEST(LibraryTest, FileNamesForTheNamesTheProgramUses) {
    EXPECT_EQ(sys::library::FileNameFor("ActGSDev.dll"), "./ActGSDev.so");
    EXPECT_EQ(sys::library::FileNameFor("advert.DLL"), "./advert.so");
    EXPECT_EQ(sys::library::FileNameFor("C:\\Tarvex\\Home\\VQ9Game.Dll"), "C:\\Tarvex\\Home\\VQ9Game.so");
    EXPECT_EQ(sys::library::FileNameFor("plugins/extra.so"), "plugins/extra.so");
    EXPECT_EQ(sys::library::FileNameFor("game.dll.old"), "./game.dll.old");
    EXPECT_EQ(sys::library::FileNameFor("dll"), "./dll");
}

}  // namespace
