// The built program itself, started as a user would on a machine without display or sound
// (SDL's dummy drivers), in a scratch folder whose Home holds the demo data the build writes,
// whole or damaged, and our game-logic stand-in; stopped with SIGTERM. It shuts down cleanly
// (status 0, the signal named on stderr, and a "default.cfg" with the first run's detail
// level), also in a range session, whose result it keeps, and after SIGHUP or with nobody left
// to read its error output; a Home it cannot write to keeps every file; and a start it cannot
// make ends with status 1 and its reason on stderr, never with a signal.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ProcessRun.h"
#include "tests/support/ReferenceImage.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace tarvex::test;

TEST_F(ProcessTest, SigtermClosesTheWindowAndSavesTheConfiguration) {
    CopyDemoHome(m_folder / "Home");
    Start(m_folder);
    // Running means past start-up: the first "default.cfg" exists and the loop is turning.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(m_folder / "Home" / "default.cfg") && std::chrono::steady_clock::now() < end)
        ASSERT_EQ(WaitFor(m_folder, std::chrono::milliseconds(20)), -1) << ReadAll(m_folder / "stderr.txt");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_EQ(WaitFor(m_folder, std::chrono::milliseconds(0)), -1) << ReadAll(m_folder / "stderr.txt");
    fs::remove(m_folder / "Home" / "default.cfg");
    const int status = Terminate(m_folder, std::chrono::seconds(20));
    EXPECT_EQ(status, 0) << ReadAll(m_folder / "stderr.txt");
    EXPECT_NE(ReadAll(m_folder / "stderr.txt").find("Closing the game: SIGTERM received.\n"), std::string::npos);
    // Written again by the shut-down, in text mode, with the level the first run chose.
    const std::string text = ReadAll(m_folder / "Home" / "default.cfg");
    EXPECT_NE(text.find("set cfg_sysprofile \"3\""), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n"), std::string::npos);
}

// SDL's dummy display saves every frame it is given as "SDL_window1-<n>.bmp" in the program's
// working directory (Home). The newest file may still be being written, so the one before it
// is looked at; older ones are removed as the test goes, since the program draws a few hundred
// frames a second.
bool ShowsTheMainMenu(const fs::path& home) {
    std::vector<fs::path> frames;
    for (const auto& entry : fs::directory_iterator(home)) {
        if (entry.path().filename().string().rfind("SDL_window", 0) == 0)
            frames.push_back(entry.path());
    }
    std::sort(frames.begin(), frames.end());
    if (frames.size() < 2)
        return false;
    tarvex::test::Image frame, reference;
    const bool read = tarvex::test::ReadBmp(frames[frames.size() - 2].string(), frame);
    for (size_t i = 0; i + 1 < frames.size(); ++i)
        fs::remove(frames[i]);
    return read &&
           tarvex::test::ReadPng(std::string(TARVEX_TEST_DATA) + "/frontend/main_menu.png", reference) &&
           tarvex::test::ImagesMatch(frame, reference, 4, 600);
}

TEST_F(ProcessTest, OnTheDemoDataItReachesTheMainMenuAndSigtermEndsIt) {
    CopyDemoHome(m_folder / "Home");
    Start(m_folder, "SDL_VIDEO_DUMMY_SAVE_FRAMES=1");
    const bool shown = RunsUntil(m_folder, [&] { return ShowsTheMainMenu(m_folder / "Home"); }, std::chrono::seconds(60));
    const int status = Terminate(m_folder, std::chrono::seconds(20));
    EXPECT_TRUE(shown);
    EXPECT_EQ(status, 0) << ReadAll(m_folder / "stderr.txt");
    EXPECT_TRUE(fs::exists(m_folder / "Home" / "default.cfg"));
    fs::remove_all(m_folder);
}

// Whether the running program holds a file of that name open.
bool HoldsOpen(const fs::path& folder, const std::string& name) {
    const std::string pid = ReadAll(folder / "pid.txt");
    const fs::path descriptors = fs::path("/proc") / pid.substr(0, pid.find('\n')) / "fd";
    std::error_code error;
    for (fs::directory_iterator it(descriptors, error), end; !error && it != end; it.increment(error)) {
        if (fs::read_symlink(it->path(), error).filename() == name)
            return true;
    }
    return false;
}

// The file the running program holds at descriptor `fd` and how: "r" read, "w" written, "rw"
// both, after a blank; empty when the descriptor is closed.
std::string Descriptor(const fs::path& folder, int fd) {
    const fs::path proc = fs::path("/proc") / std::to_string(ProcessId(folder));
    std::error_code error;
    const fs::path file = fs::read_symlink(proc / "fd" / std::to_string(fd), error);
    if (error)
        return "";
    // The flags are in octal; their last digit holds the access mode.
    const std::string info = ReadAll(proc / "fdinfo" / std::to_string(fd));
    const size_t flags = info.find("flags:");
    const size_t last = info.find('\n', flags);
    if (flags == std::string::npos || last == std::string::npos || last == 0)
        return "";
    const int mode = (info[last - 1] - '0') & 3;
    return file.string() + (mode == 0 ? " r" : mode == 1 ? " w" : " rw");
}

// Start-up scripts that take a while (each line looks for a file that is not there, through a
// folder of thousands): SIGTERM while they run stops them, the program ends with status 0 at
// once, and "default.cfg" is neither written over with settings only half read nor, when it is
// its own run that the signal stops, set aside as a file that could not be read.
TEST_F(ProcessTest, SigtermDuringTheStartUpScriptsEndsTheProgramAndWritesNothing) {
    const struct {
        const char* settings;  // default.cfg
        const char* slow;      // the file of slow lines, run by name from one of the two
    } cases[] = {
        {"set cfg_sysprofile \"3\"\n", "startup.cfg"},
        // Held open only once default.cfg runs it, past the checks that read default.cfg first;
        // the line after it is the one the stopped run never reaches.
        {"set cfg_sysprofile \"3\"\nexec slow\nset game_viewsize \"2\"\n", "slow.cfg"},
    };
    std::string lines;
    for (int i = 0; i < 10000; ++i)
        lines += "exec many\\gone\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slow);
        const fs::path folder = tarvex::test::MakeScratchFolder("Sigterm");
        CopyDemoHome(folder / "Home");
        fs::copy_file(kBuiltGameLibrary, folder / "Home" / "VQ9Game.so", fs::copy_options::overwrite_existing);
        WriteText(folder / "Home" / "default.cfg", c.settings);
        fs::create_directories(folder / "Home" / "Many");
        for (int i = 0; i < 4000; ++i)
            WriteText(folder / "Home" / "Many" / std::to_string(i), "");
        WriteText(folder / "Home" / c.slow, lines);
        Start(folder);
        const bool running = RunsUntil(folder, [&] { return HoldsOpen(folder, c.slow); }, std::chrono::seconds(20));
        ASSERT_TRUE(running) << ReadAll(folder / "stderr.txt");
        // Scripts deaf to it would run on for seconds of the processor's time.
        const Closed closed = TerminateCounted(folder, std::chrono::seconds(20));
        const std::string said = ReadAll(folder / "stderr.txt");
        EXPECT_EQ(closed.status, 0) << said;
        EXPECT_LT(closed.cpuSeconds, 1.0);
        EXPECT_EQ(ReadAll(folder / "Home" / "default.cfg"), c.settings);
        EXPECT_FALSE(fs::exists(folder / "Home" / "default.cfg.bad"));
        EXPECT_EQ(said.find("ould not"), std::string::npos) << said;
        fs::remove_all(folder);
    }
}

TEST_F(ProcessTest, AFatalStartEndsWithAFailureStatus) {
    // No catalog: start-up reports the file and gives up.
    Start(m_folder);
    const int status = WaitFor(m_folder, std::chrono::seconds(20));
    if (status == -1)
        Signal(m_folder, "KILL");
    EXPECT_GT(status, 0);
    EXPECT_NE(ReadAll(m_folder / "stderr.txt").find("Error loading file: Tarvex.cat"), std::string::npos);
}

// A range session still running when the program is asked to close ends as leaving its screen
// ends it: the program stops with status 0, the officer file holds the session's result and
// "default.cfg" the alias the start-up file made. A hang-up (its terminal closed, the ssh link to
// a server dropped) asks as SIGTERM does, and so does SIGTERM when the reader of the error output
// has gone, as a log's reader may, and the line said then finds nobody, or when the program was
// started without standard input, output and error at all. A signal the program was started
// with ignored ("nohup", a shell's background job's SIGINT) leaves the session running.
TEST_F(ProcessTest, ACloseSignalInARangeSessionEndsItAndKeepsTheResult) {
    enum class Errors { file, leavingReader, closed };
    const struct {
        const char* signal;
        Errors errors;           // a file; a pipe read by "head -1", which leaves after the first line; none
        const char* shell = "";  // run before the program
        bool ignored = false;    // the signal leaves the session running, and SIGTERM then closes it
    } cases[] = {
        {"TERM", Errors::file},
        {"HUP", Errors::file},
        {"TERM", Errors::leavingReader},
        {"HUP", Errors::file, "nohup", true},
        // The tests' shell starts the program in the background, where SIGINT comes ignored.
        {"INT", Errors::file, "", true},
        {"TERM", Errors::closed, "sh -c 'exec \"$0\" \"$@\" <&- >&- 2>&-'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.signal) + " " + c.shell +
                     (c.errors == Errors::leavingReader ? " to a pipe with no reader"
                      : c.errors == Errors::closed      ? " without standard descriptors"
                                                        : ""));
        const fs::path folder = tarvex::test::MakeScratchFolder("Close");
        CopyDemoHome(folder / "Home");
        fs::copy_file(kBuiltGameLibrary, folder / "Home" / "VQ9Game.so", fs::copy_options::overwrite_existing);
        // The alias that queues more of itself is stopped with a line on stderr, which is what
        // the reader that leaves takes before it goes.
        WriteText(folder / "Home" / "startup.cfg", "alias dbl \"dbl once;dbl twice\"\ndbl\nalias made jump\n");
        const fs::path first = folder / "first.txt";
        if (c.errors == Errors::leavingReader) {
            const std::string f = folder.string();
            ASSERT_EQ(std::system(("mkfifo '" + f + "/stderr.fifo'").c_str()), 0);
            // Named as read only once head has ended, so that nothing holds the pipe open by then.
            ASSERT_EQ(std::system(("( head -1 < '" + f + "/stderr.fifo' > '" + f + "/first.tmp'; mv '" + f +
                                   "/first.tmp' '" + first.string() + "' ) &")
                                      .c_str()),
                      0);
        }
        // A join goes straight to the range with a new officer of that name.
        Start(folder, "SDL_VIDEO_DUMMY_SAVE_FRAMES=1", "SDL_VIDEODRIVER=dummy", "-connect:127.0.0.1 -name:Tester",
              kBuiltProgram, c.errors == Errors::leavingReader ? "stderr.fifo" : "stderr.txt", c.shell);
        // Frames saved one after another mean start-up is over, and with it the session's start:
        // start-up shows the splash only, and a termination request during it ends the program.
        const auto started = [&] {
            return RangeDrawn(folder / "Home") && (c.errors != Errors::leavingReader || fs::exists(first));
        };
        ASSERT_TRUE(RunsUntil(folder, started, std::chrono::seconds(60)));
        if (c.errors == Errors::closed) {
            EXPECT_EQ(Descriptor(folder, 0), "/dev/null r");
            EXPECT_EQ(Descriptor(folder, 1), "/dev/null w");
            EXPECT_EQ(Descriptor(folder, 2), "/dev/null w");
        }
        if (c.ignored) {
            Signal(folder, c.signal);
            // A moment later it still runs, and draws frames it had not drawn then.
            std::this_thread::sleep_for(std::chrono::seconds(1));
            RemoveFrames(folder / "Home");
            EXPECT_TRUE(RunsUntil(folder, [&] { return RangeDrawn(folder / "Home"); }, std::chrono::seconds(60)));
        }
        const char* closing = c.ignored ? "TERM" : c.signal;
        const int status = Terminate(folder, std::chrono::seconds(20), closing);
        const std::string said = ReadAll(folder / "stderr.txt");
        if (c.errors == Errors::file) {
            ExpectEnded(folder, status, 0, std::string("Closing the game: SIG") + closing + " received.\n");
            if (c.ignored) {
                EXPECT_EQ(said.find(std::string("SIG") + c.signal + " received"), std::string::npos) << said;
            }
        } else {
            EXPECT_EQ(status, 0) << ReadAll(first) << said;
        }
        const std::string officers = ReadAll(folder / "Home" / "player.cfg");
        EXPECT_NE(officers.find("Tester"), std::string::npos);
        EXPECT_NE(officers.find("RangeQScore"), std::string::npos);
        EXPECT_NE(ReadAll(folder / "Home" / "default.cfg").find("alias made \"jump\""), std::string::npos);
        fs::remove_all(folder);
    }
}

// A folder under the system's temporary folder that every user may enter and read, for a program
// run as another user: the build folder may lie where only its owner can enter (a checkout in
// root's home). Removed with the object.
class SharedScratch {
public:
    SharedScratch() {
        std::random_device random;
        do
            m_path = fs::temp_directory_path() / ("tarvex-process-" + std::to_string(random()));
        while (!fs::create_directory(m_path));
    }
    ~SharedScratch() {
        // A folder the test took the write permission from still holds files to remove.
        std::error_code ignored;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(m_path, ignored)) {
            if (entry.is_directory(ignored))
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
        fs::remove_all(m_path, ignored);
    }
    SharedScratch(const SharedScratch&) = delete;
    SharedScratch& operator=(const SharedScratch&) = delete;
    const fs::path& Path() const { return m_path; }

    // Every folder and file below, the folder itself too, readable by all and written by the
    // owner alone; folders and programs may be entered and run by all.
    void OpenToReading() const {
        const auto open = [](const fs::path& path) {
            const bool runs = fs::is_directory(path) ||
                              (fs::status(path).permissions() & fs::perms::owner_exec) != fs::perms::none;
            fs::permissions(path, runs ? fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                             fs::perms::others_read | fs::perms::others_exec
                                       : fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                             fs::perms::others_read);
        };
        open(m_path);
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(m_path))
            open(entry.path());
    }

private:
    fs::path m_path;
};

// A Home folder that cannot be written to: the game runs on what it read, says so once, and
// every file there stays byte for byte, also after a session that would have saved. Root may
// write anywhere, so there the game runs as the unprivileged user "nobody", from a folder of its
// own that "nobody" can reach with the program and its library.
TEST_F(ProcessTest, AReadOnlyHomeKeepsEveryFileAsItWas) {
    const SharedScratch scratch;
    const fs::path folder = scratch.Path();
    const fs::path home = folder / "Home";
    CopyDemoHome(home);
    fs::copy_file(kBuiltGameLibrary, home / "VQ9Game.so", fs::copy_options::overwrite_existing);
    fs::copy_file(kBuiltProgram, folder / "tarvex");
    fs::copy_file(fs::path(TARVEX_TEST_DATA) / ".." / "fuzz" / "corpus" / "officer_file_fuzz" / "several_officers",
                  home / "player.cfg");
    WriteText(home / "default.cfg", "set cfg_sysprofile \"3\"\r\nset gfx_software \"0\"\r\n");
    const std::string officers = ReadAll(home / "player.cfg");
    const std::string settings = ReadAll(home / "default.cfg");
    std::string asUser;
    if (std::system("test \"$(id -u)\" = 0") == 0) {
        if (std::system("command -v setpriv >/dev/null") != 0)
            GTEST_SKIP() << "running as root without setpriv, so no folder can be read-only for the game";
        scratch.OpenToReading();
        fs::create_directories(folder / "config");
        fs::permissions(folder / "config", fs::perms::all);
        asUser = "setpriv --reuid=65534 --regid=65534 --clear-groups env";
    } else {
        fs::permissions(home, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }
    Start(folder, asUser, "SDL_VIDEODRIVER=dummy", "-connect:127.0.0.1 -name:Tester", (folder / "tarvex").string());
    int status = WaitFor(folder, std::chrono::seconds(3));
    ASSERT_EQ(status, -1) << ReadAll(folder / "stderr.txt");
    status = Terminate(folder, std::chrono::seconds(20));
    EXPECT_EQ(status, 0) << ReadAll(folder / "stderr.txt");
    EXPECT_EQ(ReadAll(home / "player.cfg"), officers);
    EXPECT_EQ(ReadAll(home / "default.cfg"), settings);
    EXPECT_FALSE(fs::exists(home / "player.cfg.bad"));
    // Told once, and nothing else.
    const std::string said = ReadAll(folder / "stderr.txt");
    const std::string notice = "\" cannot be written to.\nThe game runs on what it has read, but nothing will be saved";
    const size_t first = said.find(notice);
    EXPECT_NE(first, std::string::npos) << said;
    EXPECT_EQ(said.find(notice, first + 1), std::string::npos) << said;
    for (const char* other : {"could not", "Could not", "Failed", "moved aside"})
        EXPECT_EQ(said.find(other), std::string::npos) << said;
    fs::remove_all(m_folder);
}

// Damaged or empty files and settings, and a machine without a display: the program either
// runs until SIGTERM ends it cleanly, or ends at once with status 1 and says why. A settings
// file it cannot use is kept aside whole, so nothing the player set is written over; one it can
// use is saved the same at every start.
struct DamagedStart {
    const char* what;
    void (*damage)(const fs::path& home);
    const char* environment;
    const char* videoDriver;
    int status;          // 0: runs until stopped
    const char* reason;  // on stderr
    bool keptAside = false;  // the damaged "default.cfg" is found as "default.cfg.bad", byte for byte
    const char* saved = nullptr;   // lines (split at '\n') of the "default.cfg" saved at the end
    const char* unsaid = nullptr;  // never on stderr
    int starts = 1;  // one after another, each asked to close; the reason is the first one's, and each
                     // after it saves "default.cfg" byte for byte as the one before did
    bool unchanged = false;  // "default.cfg" ends byte for byte as it began
};

// A first start's "default.cfg": the program run on a Home without one until it wrote it.
void FirstRun(const fs::path& home) {
    const fs::path folder = home.parent_path();
    Start(folder);
    const bool written = RunsUntil(folder, [&] { return fs::exists(home / "default.cfg"); }, std::chrono::seconds(20));
    const int status = Terminate(folder, std::chrono::seconds(20));
    ASSERT_TRUE(written && status == 0) << ReadAll(folder / "stderr.txt");
    fs::remove(folder / "status.txt");
}


void CutCatalog(const fs::path& home) {
    const std::string whole = ReadAll(home / "Tarvex.cat");
    WriteText(home / "Tarvex.cat", whole.substr(0, whole.size() / 2));
}

void ZeroCatalogCount(const fs::path& home) {
    std::string whole = ReadAll(home / "Tarvex.cat");
    whole[14] = '\0';
    whole[15] = '\0';
    WriteText(home / "Tarvex.cat", whole);
}

void EmptyDefaultCfg(const fs::path& home) { WriteText(home / "default.cfg", ""); }

void SoftwareDefaultCfg(const fs::path& home) {
    WriteText(home / "default.cfg", "set cfg_sysprofile \"2\"\r\nset gfx_software \"1\"\r\n");
}

void Untouched(const fs::path&) {}

void GarbledDefaultCfg(const fs::path& home) { WriteText(home / "default.cfg", std::string("\x01\x9c\0\xff set", 8)); }

void NoHome(const fs::path& home) { fs::remove_all(home); }

void FFDefaultCfg(const fs::path& home) { WriteText(home / "default.cfg", std::string(2867, '\xFF')); }

// The player's own settings, each line ended by a carriage return alone.
void LoneCrDefaultCfg(const fs::path& home) {
    WriteText(home / "default.cfg", "set inp_msensitivity \"33\"\rset game_viewsize \"2\"\rset cfg_sysprofile \"3\"\r");
}

// Lines of 39 bytes each, which a start reads in a moment; saved, each takes 42.
std::string Aliases(int count) {
    std::string text = "set cfg_sysprofile \"3\"\r\n";
    for (int i = 0; i < count; ++i)
        text += "alias night" + std::to_string(10000 + i) + " \"bind n nightvision\"\r\n";
    return text;
}

// A first start's "default.cfg" with lines typed at the console after it.
void Typed(const fs::path& home, const std::string& lines) {
    FirstRun(home);
    std::ofstream(home / "default.cfg", std::ios::app) << lines;
}

// 120 steps "s000" to "s119" joined: 599 characters, past one read of a command file.
std::string LongSteps() {
    std::string steps;
    for (int n = 1000; n < 1120; ++n)
        steps += (steps.empty() ? "s" : ";s") + std::to_string(n).substr(1);
    return steps;
}

// The names in a folder; none when there is no folder.
std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.insert(it->path().filename().string());
    return names;
}

TEST_F(ProcessTest, DamagedFilesAndNoDisplayNeverEndInASignal) {
    const std::string longSaved = "alias long \"" + LongSteps() + "\" \"\"";
    const DamagedStart cases[] = {
        {"truncated catalog", CutCatalog, "", "SDL_VIDEODRIVER=dummy", 1, "Error loading file: Tarvex.cat"},
        {"catalog of no items", ZeroCatalogCount, "", "SDL_VIDEODRIVER=dummy", 1,
         "The main menu cannot be shown: \"Tarvex.cat\" has no screen \"MM\" in the group \"main_menu\"."},
        {"empty default.cfg", EmptyDefaultCfg, "", "SDL_VIDEODRIVER=dummy", 0, ""},
        {"software rendering", SoftwareDefaultCfg, "", "SDL_VIDEODRIVER=dummy", 0, ""},
        {"garbled default.cfg", GarbledDefaultCfg, "", "SDL_VIDEODRIVER=dummy", 0,
         "could not be read.\nIt has been kept as \"default.cfg.bad\"", true},
        {"default.cfg of 0xFF bytes", FFDefaultCfg, "", "SDL_VIDEODRIVER=dummy", 0,
         "could not be read.\nIt has been kept as \"default.cfg.bad\"", true, "set cfg_sysprofile \"3\"",
         "Hardware Acceleration Found"},
        {"default.cfg of lone CRs", LoneCrDefaultCfg, "", "SDL_VIDEODRIVER=dummy", 0,
         "could not be read.\nIt has been kept as \"default.cfg.bad\"", true},
        // The program's own section headers: lines the interpreter skips.
        {"default.cfg of comments",
         [](const fs::path& h) {
             WriteText(h / "default.cfg",
                       "\n-- Input settings\n\n-- System settings\n\n-- Graphic settings\n\n--\n\n");
         },
         "", "SDL_VIDEODRIVER=dummy", 0, ""},
        {"default.cfg after a byte-order mark",
         [](const fs::path& h) { WriteText(h / "default.cfg", "\xEF\xBB\xBFset inp_msensitivity \"200\"\r\n"); }, "",
         "SDL_VIDEODRIVER=dummy", 0, "", false, "set inp_msensitivity \"200\""},
        {"default.cfg past the read bound",
         [](const fs::path& h) {
             WriteText(h / "default.cfg", "set a 1\n" + std::string(600 << 10, '\n') + "set b 2\n");
         },
         "", "SDL_VIDEODRIVER=dummy", 0,
         "runs past what one start reads.\nIt has been kept as \"default.cfg.bad\",\nand the game starts with its "
         "default settings.\n\ndefault.cfg not read to its end: more than 524,288 bytes in one run",
         true, nullptr, "could not be read"},
        {"default.cfg running a file past the bound",
         [](const fs::path& h) {
             WriteText(h / "long.cfg", "set a 1\n" + std::string(600 << 10, '\n'));
             WriteText(h / "default.cfg", "exec long\r\nset inp_msensitivity \"200\"\r\n");
         },
         "", "SDL_VIDEODRIVER=dummy", 0,
         "runs past what one start reads.\nIt has been kept as \"default.cfg.bad\",\nand the game starts with its "
         "default settings.\n\nlong.cfg not read to its end: more than 524,288 bytes in one run",
         true, nullptr, "could not be read"},
        // The released mark still names a known command.
        {"default.cfg of a released set",
         [](const fs::path& h) { WriteText(h / "default.cfg", "-set game_viewsize \"2\"\r\nnonsense\r\n"); }, "",
         "SDL_VIDEODRIVER=dummy", 0, "", false, "set game_viewsize \"2\""},
        {"no Home folder", NoHome, "", "SDL_VIDEODRIVER=dummy", 1, "/Home\"\nthat holds the game's files does not exist."},
        {"no display", Untouched, "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER", "", 1,
         "Cannot open a display"},
        // Saved, each alias would gain an empty label and take the file past what a start reads:
        // that save is refused and said, and the file is read whole again by the next start.
        {"default.cfg its save would take past the bound",
         [](const fs::path& h) { WriteText(h / "default.cfg", "set inp_msensitivity \"200\"\r\n" + Aliases(12900)); },
         "", "SDL_VIDEODRIVER=dummy", 0, "Could not save to default.cfg: the settings come to", false,
         "set inp_msensitivity \"200\"", nullptr, 2, true},
        // A run cut at the bound uses the defaults and saves them, which the next start reads.
        {"a run cut at the bound, then the next start",
         [](const fs::path& h) {
             WriteText(h / "aliases.cfg", Aliases(14000));
             WriteText(h / "default.cfg", "set inp_msensitivity \"200\"\r\nexec aliases\r\n");
         },
         "", "SDL_VIDEODRIVER=dummy", 0,
         "runs past what one start reads.\nIt has been kept as \"default.cfg.bad\",\nand the game starts with its "
         "default settings.\n\naliases.cfg not read to its end: more than 524,288 bytes in one run",
         true, "set inp_msensitivity \"127\"", "ould not", 2},  // neither "could not be read" nor "Could not save"
        // Bindings typed in this order, kept whole at every start that reads them back: steps of
        // commands named with and without their mark, deep alias trees, an alias defined after
        // its use, a line past one read of a command file, and an alias of a saved command.
        {"default.cfg of marked steps",
         [](const fs::path& h) {
             Typed(h, "bind w \"+forward\"\nbind s \"+back\"\nbind a \"+left\"\nbind d \"+right\"\n"
                      "bind e \"+run\"\nbind q \"+jump\"\nalias dash \"+forward;+back;+left;+right;+run;+jump\"\n"
                      "bind t \"dash;reload\"\n");
         },
         "", "SDL_VIDEODRIVER=dummy", 0, "", false, "bind t \"dash;reload\" \"\"\nbind r \"reload\" \"Reload\"", nullptr, 3},
        {"default.cfg of an alias of ten taps",
         [](const fs::path& h) {
             Typed(h, "alias tap \"+forward;-forward\" \"Tap\"\n"
                      "alias combo10 \"tap;tap;tap;tap;tap;tap;tap;tap;tap;tap\" \"Ten taps\"\n"
                      "alias go10 \"combo10\" \"Go ten\"\nbind k \"go10\" \"Go ten\"\n");
         },
         "", "SDL_VIDEODRIVER=dummy", 0, "", false, "alias go10 \"combo10\" \"Go ten\"\nbind k \"go10\" \"Go ten\"",
         nullptr, 3},
        // Typed as people type, with blanks about the steps: each start reads back what was
        // saved, and the padded step that closes a cycle is refused as it is unpadded.
        {"default.cfg of blank and padded steps",
         [](const fs::path& h) {
             Typed(h, "bind k \" ;\"\nalias blank \" ;\"\nalias pad \" jump ; crouch \"\n"
                      "alias sa \"x; sb\"\nalias sb \"y; sa\"\n");
         },
         "", "SDL_VIDEODRIVER=dummy", 0, "", false, "alias pad \"jump;crouch\" \"\"\nalias sb \"y\" \"\"", nullptr, 3},
        {"default.cfg of an alias redefined after its use",
         [](const fs::path& h) {
             Typed(h, "alias dance \"jump\"\nalias party \"dance\"\nalias dance "
                      "\"+forward;-forward;+back;-back;+left;-left;+right;-right;jump;crouch;jump\"\n");
         },
         "", "SDL_VIDEODRIVER=dummy", 0, "", false, "alias party \"dance\" \"\"", nullptr, 3},
        {"default.cfg of a 600-character alias",
         [](const fs::path& h) { Typed(h, "alias long \"" + LongSteps() + "\"\n"); }, "", "SDL_VIDEODRIVER=dummy", 0,
         "", false, longSaved.c_str(), nullptr, 3},
        {"default.cfg of an alias named set",
         [](const fs::path& h) { Typed(h, "set inp_invertx \"1\"\nset cfg_sysprofile \"3\"\nalias set \"echo\"\n"); },
         "", "SDL_VIDEODRIVER=dummy", 0, "", false, "set inp_invertx \"1\"\nset cfg_sysprofile \"3\"",
         "Hardware Acceleration Found", 3},
    };
    for (const DamagedStart& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = tarvex::test::MakeScratchFolder("Damaged");
        fs::create_directories(folder / "Home");
        CopyDemoHome(folder / "Home");
        c.damage(folder / "Home");
        const std::string settings = ReadAll(folder / "Home" / "default.cfg");
        const std::set<std::string> found = Names(folder / "Home");
        std::string lastSaved;
        for (int start = 0; start < c.starts; ++start) {
            fs::remove(folder / "status.txt");
            int status = -1;
            if (c.status == 0) {
                // Asked to close once its loop draws, so that start-up, however slow on a busy
                // machine, has read and told all it does before the close.
                Start(folder, std::string(c.environment) + " SDL_VIDEO_DUMMY_SAVE_FRAMES=1", c.videoDriver);
                EXPECT_TRUE(RunsUntil(folder, [&] { return RangeDrawn(folder / "Home"); }, std::chrono::seconds(60)));
            } else {
                Start(folder, c.environment, c.videoDriver);
                status = WaitFor(folder, std::chrono::seconds(20));
            }
            // One that should run on is asked to close; one that should have ended is killed at once.
            status = Finish(folder, status, c.status == 0, std::chrono::seconds(c.status == 0 ? 20 : 0));
            RemoveFrames(folder / "Home");
            // The shell reports a signal as 128 and more.
            ExpectEnded(folder, status, c.status, start == 0 ? c.reason : "");
            if (c.unsaid != nullptr) {
                EXPECT_EQ(ReadAll(folder / "stderr.txt").find(c.unsaid), std::string::npos);
            }
            const std::string saved = ReadAll(folder / "Home" / "default.cfg");
            if (start > 0) {
                EXPECT_TRUE(saved == lastSaved) << "start " << start;
            }
            lastSaved = saved;
        }
        if (c.keptAside) {
            EXPECT_TRUE(ReadAll(folder / "Home" / "default.cfg.bad") == settings);
        } else {
            EXPECT_FALSE(fs::exists(folder / "Home" / "default.cfg.bad"));
        }
        EXPECT_FALSE(fs::exists(folder / "Home" / "default.cfg.bad2"));
        std::istringstream savedLines(c.saved != nullptr ? c.saved : "");
        for (std::string line; std::getline(savedLines, line);) {
            EXPECT_NE(lastSaved.find(line), std::string::npos) << line;
        }
        if (c.unchanged) {
            EXPECT_TRUE(ReadAll(folder / "Home" / "default.cfg") == settings);
        }
        // Home holds what it held and what the game saves, nothing the game made for itself.
        for (const std::string& name : Names(folder / "Home")) {
            EXPECT_TRUE(found.count(name) != 0 || name == "default.cfg" || name == "default.cfg.bad") << name;
        }
        fs::remove_all(folder);
    }
}

// A damaged ground texture costs the range one attempt to read it: the session starts, and the
// player is told, once, which file could not be read and why.
TEST_F(ProcessTest, ADamagedGroundTextureIsNamedOnceAndTheRangeStillStarts) {
    const struct {
        const char* what;
        void (*damage)(std::string& bytes);
        const char* why;
    } cases[] = {
        {"cut", [](std::string& bytes) { bytes.resize(bytes.size() / 2); }, "Unable to load from data source"},
        {"all 0xFF", [](std::string& bytes) { bytes.assign(bytes.size(), '\xFF'); },
         "Filename is not an STexture2 stream"},
        {"bad header", [](std::string& bytes) { bytes[4] = 7; }, "Filename is not supported STexture2 version"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = tarvex::test::MakeScratchFolder("GroundTexture");
        CopyDemoHome(folder / "Home");
        fs::copy_file(kBuiltGameLibrary, folder / "Home" / "VQ9Game.so", fs::copy_options::overwrite_existing);
        const fs::path grass = folder / "Home" / "Textures" / "Outdoor" / "grass.stx";
        std::string bytes = ReadAll(grass);
        ASSERT_GT(bytes.size(), 8u);
        c.damage(bytes);
        WriteText(grass, bytes);
        // A join goes straight to the range.
        Start(folder, "", "SDL_VIDEODRIVER=dummy", "-connect:127.0.0.1 -name:Tester");
        const std::string told = std::string("grass.stx could not be read: ") + c.why + ".";
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (ReadAll(folder / "stderr.txt").find(told) == std::string::npos &&
               std::chrono::steady_clock::now() < end)
            ASSERT_EQ(WaitFor(folder, std::chrono::milliseconds(50)), -1) << ReadAll(folder / "stderr.txt");
        const std::string stderrText = ReadAll(folder / "stderr.txt");
        int status = Terminate(folder, std::chrono::seconds(20));
        EXPECT_EQ(status, 0) << stderrText;
        const size_t first = stderrText.find(told);
        ASSERT_NE(first, std::string::npos) << stderrText;
        EXPECT_EQ(stderrText.find("grass.stx", first + told.size()), std::string::npos) << stderrText;
        EXPECT_EQ(stderrText.find("Initialization failed"), std::string::npos) << stderrText;
        fs::remove_all(folder);
    }
}

// A dedicated server needs no display: without one it still starts and runs until stopped.
TEST_F(ProcessTest, ADedicatedServerRunsWithoutADisplay) {
    CopyDemoHome(m_folder / "Home");
    Start(m_folder, "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER", "", "-dedicated");
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(m_folder / "Home" / "default.cfg") && std::chrono::steady_clock::now() < end)
        ASSERT_EQ(WaitFor(m_folder, std::chrono::milliseconds(20)), -1) << ReadAll(m_folder / "stderr.txt");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(WaitFor(m_folder, std::chrono::milliseconds(0)), -1) << ReadAll(m_folder / "stderr.txt");
    const int status = Terminate(m_folder, std::chrono::seconds(20));
    EXPECT_EQ(status, 0) << ReadAll(m_folder / "stderr.txt");
    fs::remove_all(m_folder);
}

// The program, running on, holds 20 s later no more memory than a moment after it said what
// it dropped, and has said it once. A queue that grows takes tens of megabytes in that time.
void ExpectSteady(const fs::path& folder, const std::string& said) {
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const long early = PeakMemoryKb(folder);
    EXPECT_EQ(WaitFor(folder, std::chrono::seconds(20)), -1);
    EXPECT_LT(PeakMemoryKb(folder) - early, 4 * 1024) << early << " KiB early";
    const std::string text = ReadAll(folder / "stderr.txt");
    EXPECT_EQ(text.find(said, text.find(said) + 1), std::string::npos) << text;
}

// Files of Home the program cannot use are named on standard error, whether it goes on or ends:
// a heads-up layout nested 100,000 groups deep stops the range it belongs to (it never starts,
// and the program runs on until stopped), a dedicated server's map that is not there ends
// start-up with status 1, and one that cannot be read closes the server, which has nobody to
// click a notice away, with status 1 too. A join whose officer's map is not there names it as
// the scenario page does and stays on the main menu. Steps of a start-up alias that would
// queue past what the queue holds are named once, and the program runs on in the same memory.
TEST_F(ProcessTest, FilesItCannotUseAreNamedOnStandardError) {
    struct Case {
        const char* what;
        void (*damage)(const fs::path& home);
        const char* arguments;
        int status;
        bool runsOn;  // until it is stopped
        const char* reason;
        bool steady = false;  // said once, and 20 s later it holds no more memory than when it said it
    };
    const Case cases[] = {
        {"deep heads-up layout",
         [](const fs::path& home) {
             std::string deep;
             for (int i = 0; i < 100000; ++i)
                 deep += "group(0,0,xr,yb)\n";
             WriteText(home / "Layouts" / "hud.lay", deep);
         },
         "-connect:127.0.0.1 -name:Tester", 0, true,
         "The heads-up layout Layouts/hud.lay could not be read: its blocks nest more than 64 deep."},
        {"dedicated server's missing map", [](const fs::path&) {}, "-dedicated -map:nosuchmap", 1, false,
         "Tarvex: ??? can't find map file: \\Maps\\nosuchmap\n"},
        {"join with an officer whose map is not there",
         [](const fs::path& home) {
             fs::copy_file(fs::path(TARVEX_TEST_DATA) / ".." / "fuzz" / "corpus" / "officer_file_fuzz" / "full_officer",
                           home / "player.cfg", fs::copy_options::overwrite_existing);
         },
         "-connect:127.0.0.1 -name:Veteran", 0, true, "??? can't find map file: \\Maps\\Levels\\Alley_Med_Day.gmx\n"},
        {"dedicated server's damaged map",
         [](const fs::path& home) { fs::resize_file(home / "Maps" / "targetrange.gmx", 1000); }, "-dedicated", 1,
         false, "The map \\Maps\\targetrange.gmx could not be read"},
        // Each run of a step queues two more, of two hundred letters each, so that a queue that
        // grows shows in megabytes.
        {"an alias that queues more of itself at every run",
         [](const fs::path& home) {
             const std::string more = "dbl " + std::string(200, 'm');
             WriteText(home / "startup.cfg", "alias dbl \"" + more + ";" + more + "\"\ndbl\n");
         },
         "", 0, true, "\"dbl\" stopped: kept queueing itself", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = tarvex::test::MakeScratchFolder("Unusable");
        CopyDemoHome(folder / "Home");
        fs::copy_file(kBuiltGameLibrary, folder / "Home" / "VQ9Game.so", fs::copy_options::overwrite_existing);
        c.damage(folder / "Home");
        Start(folder, "", "SDL_VIDEODRIVER=dummy", c.arguments);
        int status = -1;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (status == -1 && ReadAll(folder / "stderr.txt").find(c.reason) == std::string::npos &&
               std::chrono::steady_clock::now() < end)
            status = WaitFor(folder, std::chrono::milliseconds(50));
        if (c.steady && status == -1)
            ExpectSteady(folder, c.reason);
        status = Finish(folder, status, c.runsOn);
        ExpectEnded(folder, status, c.status, c.reason);
        fs::remove_all(folder);
    }
}

}  // namespace
