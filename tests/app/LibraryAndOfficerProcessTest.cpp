// The built program with damaged files of its own in Home: a game library cut short, which the
// loader would map past its end (the process then dies of a bus error at start), or damaged where
// the loader faults on it, and officer files that must not be taken for the officers they seem
// to hold: nothing but zeros, which a write cut short leaves, bytes after the last officer, and
// a file far larger than any the program saves, which is not even read.

#include <cstdint>
#include <cstdlib>

#include "tests/support/ElfBytes.h"
#include "tests/support/ProcessRun.h"

namespace {

using namespace tarvex::test;

// A cut or damaged library, or a pipe in its place, is refused as a missing one is: named with
// the reason when there is a file, and the program ends with status 1, neither killed by a
// fault inside the loader nor waiting on the pipe.
TEST_F(ProcessTest, AGameLibraryCutShortIsRefusedAsAMissingOneIs) {
    const std::string whole = ReadAll(kBuiltGameLibrary);
    ASSERT_GT(whole.size(), 4096u);
    const size_t dynamic = ElfDynamicAt(whole);
    ASSERT_NE(dynamic, 0u);
    std::string zeroed = whole;
    zeroed.replace(dynamic, 512, 512, '\0');
    const struct {
        const char* what;
        std::string bytes;  // empty: no file, or a pipe
        const char* reason;
    } cases[] = {
        {"an eighth", whole.substr(0, whole.size() / 8), ": the file is shorter than its"},
        {"a half", whole.substr(0, whole.size() / 2), ": the file is shorter than its"},
        {"missing", "", ""},
        {"dynamic segment zeroed", zeroed, ": loading it ends a process with signal"},
        {"a pipe", "", ": it is not a regular file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = MakeScratchFolder("CutLibrary");
        const fs::path library = folder / "Home" / "VQ9Game.so";
        CopyDemoHome(folder / "Home");
        fs::remove(library);
        if (!c.bytes.empty()) {
            WriteText(library, c.bytes);
        } else if (*c.reason != '\0') {
            ASSERT_EQ(std::system(("mkfifo '" + library.string() + "'").c_str()), 0);
        }
        Start(folder);
        const int status = Finish(folder, WaitFor(folder, std::chrono::seconds(30)), true);
        ExpectEnded(folder, status, 1, "Failed to load game DLL!\n" + library.string() + c.reason);
        fs::remove_all(folder);
    }
}

// Each is kept aside byte for byte as any damaged officer file is, and the player is told so.
TEST_F(ProcessTest, DamagedOfficerFilesAreKeptAsideAndTold) {
    const std::string officers =
        ReadAll(fs::path(TARVEX_TEST_DATA) / ".." / "fuzz" / "corpus" / "officer_file_fuzz" / "several_officers");
    ASSERT_EQ(officers.substr(0, 2), std::string("\x03\x00", 2));
    const struct {
        const char* what;
        std::string bytes;
        uint64_t sparse;  // bytes of a sparse file (zeros that take no disk) in place of `bytes`
    } cases[] = {
        {"zeros", std::string(1958, '\0'), 0},
        {"a count made smaller", "\x02" + officers.substr(1), 0},
        {"zeros after the last officer", officers + std::string(1000, '\0'), 0},
        {"1 GiB sparse", "", uint64_t{1} << 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = MakeScratchFolder("OfficerFile");
        CopyDemoHome(folder / "Home");
        fs::copy_file(kBuiltGameLibrary, folder / "Home" / "VQ9Game.so", fs::copy_options::overwrite_existing);
        WriteText(folder / "Home" / "player.cfg", c.bytes);
        if (c.sparse != 0)
            fs::resize_file(folder / "Home" / "player.cfg", c.sparse);
        Start(folder);
        const std::string told =
            "The officer file \"player.cfg\" could not be read.\nIt has been kept as \"player.cfg.bad\"";
        // The huge file is stopped as soon as its copy shows up, if it does: a file too large to
        // read is not copied either, which would take seconds.
        const auto reading = [&] {
            return ReadAll(folder / "stderr.txt").find(told) != std::string::npos ||
                   (c.sparse != 0 && fs::exists(folder / "Home" / "~player.tmp"));
        };
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!reading() && std::chrono::steady_clock::now() < end)
            ASSERT_EQ(WaitFor(folder, std::chrono::milliseconds(10)), -1) << ReadAll(folder / "stderr.txt");
        // The menus hold some 40 MB; a file read whole would cost its size.
        if (c.sparse != 0) {
            EXPECT_LT(PeakMemoryKb(folder), 80 * 1024);
        }
        const int status = Terminate(folder, std::chrono::seconds(c.sparse != 0 ? 1 : 20));
        ExpectEnded(folder, status, 0, told);
        const fs::path kept = folder / "Home" / "player.cfg.bad";
        std::error_code missing;
        if (c.sparse != 0) {
            EXPECT_EQ(fs::file_size(kept, missing), c.sparse);
        } else {
            const std::string bytes = ReadAll(kept);
            EXPECT_TRUE(bytes == c.bytes) << bytes.size() << " bytes kept";
        }
        EXPECT_FALSE(fs::exists(folder / "Home" / "~player.tmp"));
        fs::remove_all(folder);
    }
}

}  // namespace
