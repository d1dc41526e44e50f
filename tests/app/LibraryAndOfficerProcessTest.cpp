// The built program with damaged files of its own in Home: a game library cut short, which the
// loader would map past its end (the process then dies of a bus error at start), or damaged where
// the loader faults on it, and officer files that must not be taken for the officers they seem
// to hold: nothing but zeros, which a write cut short leaves, bytes after the last officer, and
// a file far larger than any the program saves, which is not even read.

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <thread>

#include "tests/support/ElfBytes.h"
#include "tests/support/ProcessRun.h"

namespace {

using namespace tarvex::test;

// Whether the process whose "/proc/<id>/stat" that is runs (not when it ended, reaped or not).
bool Runs(const std::string& stat) {
    const std::string text = ReadAll(stat);
    return text.size() > text.rfind(')') + 2 && text[text.rfind(')') + 2] != 'Z';
}

// A cut or damaged library, a pipe in its place, or one whose initialiser ends the process, is
// refused as a missing one is: named with the reason when there is a file, and the program ends
// with status 1, neither killed by a fault inside the loader nor waiting on the pipe, and leaves
// no core file of the trial even where the limit allows one. An initialiser that takes long is
// cut short by SIGTERM within a second (status 0, nothing loaded), and its trial never outlives
// the program, even one that is killed. The trial of a program started under "nohup" outlives a
// hang-up as the program does.
TEST_F(ProcessTest, AGameLibraryCutShortIsRefusedAsAMissingOneIs) {
    const std::string whole = ReadAll(kBuiltGameLibrary);
    ASSERT_GT(whole.size(), 4096u);
    const size_t dynamic = ElfDynamicAt(whole);
    ASSERT_NE(dynamic, 0u);
    std::string zeroed = whole;
    zeroed.replace(dynamic, 512, 512, '\0');
    const std::string initialised = ReadAll(std::string(TARVEX_TEST_BINARY_DIR) + "/sys/testlib/TvTestLib.so");
    const struct {
        const char* what;
        std::string bytes;  // empty: no file, or a pipe
        const char* reason;
        const char* initialiser = "";  // what the library's initialiser does
        const char* signal = nullptr;  // sent once the initialiser runs
        int status = 1;
        const char* shell = "";  // run before the program
        bool toTrial = false;    // the signal goes to the trial, which runs on until SIGTERM ends the program
    } cases[] = {
        {"an eighth", whole.substr(0, whole.size() / 8), ": the file is shorter than its"},
        {"a half", whole.substr(0, whole.size() / 2), ": the file is shorter than its"},
        {"missing", "", ""},
        {"dynamic segment zeroed", zeroed, ": loading it ends a process with signal"},
        {"a pipe", "", ": it is not a regular file"},
        {"an initialiser that faults", initialised, ": loading it ends a process with signal 11", "fault"},
        {"an initialiser that exits", initialised, ": loading it ends a process with status 0", "exit"},
        {"an initialiser that sleeps", initialised, "SIGTERM received", "sleep", "TERM", 0},
        {"killed while it sleeps", initialised, "", "sleep", "KILL", 128 + SIGKILL},
        {"a hang-up under nohup while it sleeps", initialised, "SIGTERM received", "sleep", "HUP", 0, "nohup", true},
    };
    // A core file is written wherever the limit allows it, which the trial must not: the program
    // runs with its soft limit raised to the hard one.
    const std::string coreAllowed = " prlimit --core=$(prlimit --core --output HARD --noheadings --raw): env";
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
        Start(folder, std::string("TV_TEST_INITIALISER=") + c.initialiser + coreAllowed, "SDL_VIDEODRIVER=dummy", "",
              kBuiltProgram, "stderr.txt", c.shell);
        const fs::path trialId = folder / "Home" / "initialiser.pid";
        int status = -1;
        if (c.signal == nullptr) {
            status = WaitFor(folder, std::chrono::seconds(30));
        } else if (RunsUntil(folder, [&] { return fs::exists(trialId); }, std::chrono::seconds(30))) {
            if (c.toTrial) {
                const std::string id = std::to_string(std::atoi(ReadAll(trialId).c_str()));
                ASSERT_EQ(std::system(("kill -" + std::string(c.signal) + " " + id).c_str()), 0);
                const std::string trial = "/proc/" + id + "/stat";
                // A moment later both still run.
                EXPECT_EQ(WaitFor(folder, std::chrono::seconds(1)), -1);
                EXPECT_TRUE(Runs(trial));
            } else {
                Signal(folder, c.signal);
                status = WaitFor(folder, std::chrono::seconds(1));
            }
        }
        status = Finish(folder, status, true);
        ExpectEnded(folder, status, c.status,
                    c.signal != nullptr ? c.reason : "Failed to load game DLL!\n" + library.string() + c.reason);
        if (c.signal != nullptr) {
            const std::string trial = "/proc/" + std::to_string(std::atoi(ReadAll(trialId).c_str())) + "/stat";
            for (int i = 0; i < 1000 && Runs(trial); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            EXPECT_FALSE(Runs(trial));
            EXPECT_EQ(ReadAll(folder / "stderr.txt").find("Failed to load"), std::string::npos);
        }
        for (const auto& entry : fs::directory_iterator(folder / "Home"))
            EXPECT_NE(entry.path().filename().string().rfind("core", 0), 0u) << entry.path();
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
        // A copy of the gigabyte would cost seconds of the processor's time, signal or not.
        const Closed closed = TerminateCounted(folder, std::chrono::seconds(20));
        EXPECT_LT(closed.cpuSeconds, 1.0);
        ExpectEnded(folder, closed.status, 0, told);
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
