// The built program with one file it reads replaced by a 1 GiB sparse file (all zeros, and no
// disk spent on them). Each reader reads no more than about its bound, so the program's peak
// memory stays within what a clean session and that bound explain, and SIGTERM sent while the
// file is open ends the program after less than a second of its processor's time, as it does a
// clean session, however long a busy machine makes that in the clock's. (The help text is
// read only on the help page, which a program started without input never reaches; its read is
// cut at 1 MiB.) Files the program itself writes too large, or past a limit on the size of the
// files it writes, are played over several starts.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/ProcessRun.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace tarvex::test;
using Clock = std::chrono::steady_clock;

// A clean range session peaks near 64 MB; the rest is room for a busy machine's timing.
constexpr long kCleanSessionKiB = 96 * 1024;

// Whether the process holds `file` open now.
bool HoldsOpen(int pid, const fs::path& file) {
    std::error_code error;
    for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", error), end; !error && it != end;
         it.increment(error)) {
        std::error_code unread;
        if (fs::read_symlink(it->path(), unread) == file)
            return true;
    }
    return false;
}

// The file becomes 1 GiB: its head, then zeros.
void MakeSparse(const fs::path& file, const std::string& head) {
    fs::remove(file);
    fs::create_directories(file.parent_path());
    WriteText(file, head);
    fs::resize_file(file, 1ull << 30);
}

std::string Catalog(std::initializer_list<uint8_t> tail) {
    // The word, version 2, and four empty texts.
    std::string bytes{0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0};
    bytes.append(tail.begin(), tail.end());
    return bytes;
}

// A join's kit, then an object of more lines than a new officer's making reads in a moment.
std::string LongKit() {
    std::string kit = "OBJECT MultiPlayer\n{\n    set Item00 \"InvPistol9mm\"\n}\nOBJECT Long\n{\n";
    for (int i = 0; i < 900000; ++i)
        kit += "set a \"1\"\n";
    return kit + "}\n";
}

enum class Session { range, server };

struct Row {
    Row(const char* file, Session session, int status, long boundKiB, bool keep = false, std::string head = {},
        bool makingOfficer = false, std::vector<bool> saves = {}, const char* shell = "")
        : file(file), session(session), status(status), boundKiB(boundKiB), keep(keep), head(std::move(head)),
          makingOfficer(makingOfficer), saves(std::move(saves)), shell(shell) {}
    const char* file;  // under the scratch folder
    Session session;
    int status;        // 1 where the game cannot go on without the file
    long boundKiB;     // what the reader may hold of it beyond a clean session
    bool keep;         // the file's own bytes first, then the zeros
    std::string head;  // or these (after the file's own bytes, where they are kept)
    // SIGTERM goes as soon as the file is seen open, while the new officer is made: the officer
    // file is then absent or holds him whole, with his model's skin.
    bool makingOfficer;
    // Or the file is the head alone, not made sparse, and the range is joined once a start, each
    // under a name of its own and closed once drawn: true where that start's save at its close
    // is written, false where it is refused and told and the officer file stays as it was. No
    // start sets a file aside or leaves a temporary file.
    std::vector<bool> saves;
    const char* shell;  // run before each start of those
};

// Officer models whose first, the one a join takes, holds a note of `length` bytes.
std::string NotedModels(uint64_t length) {
    return "OBJECT Player\n{\nset Type \"Player\"\n}\nOBJECT Noted:Player\n{\nset Model "
           "\"Models\\Officers\\officer_m.ssm\"\nset Notes " + std::string(length, 'n') + "\n}\n";
}

// Plays a row of starts; what it finds goes to the test's expectations.
void PlayStarts(const Row& row, const fs::path& folder) {
    const fs::path home = folder / "Home";
    WriteText(folder / row.file, row.head);
    for (size_t start = 0; start < row.saves.size(); ++start) {
        SCOPED_TRACE("start " + std::to_string(start));
        const std::string before = ReadAll(home / "player.cfg");
        fs::remove(folder / "pid.txt");
        fs::remove(folder / "status.txt");
        RemoveFrames(home);
        Start(folder, "SDL_VIDEO_DUMMY_SAVE_FRAMES=1", "SDL_VIDEODRIVER=dummy",
              "-connect:127.0.0.1 -name:Tester" + std::to_string(start), kBuiltProgram, "stderr.txt", row.shell);
        long peak = 0;
        // The profile names the officer once he is made. Frames alone do not say it where their
        // files fail to be written and come quickly, many before the range.
        const std::string made = "LastPlayer=Tester" + std::to_string(start) + "\n";
        const auto drawn = [&] {
            peak = std::max(peak, PeakMemoryKb(folder));
            return RangeDrawn(home) &&
                   ReadAll(folder / "config" / "Tarvex" / "Tarvex.ini").find(made) != std::string::npos;
        };
        EXPECT_TRUE(RunsUntil(folder, drawn, std::chrono::seconds(60)));
        EXPECT_EQ(Terminate(folder, std::chrono::seconds(20)), 0);
        const std::string said = ReadAll(folder / "stderr.txt");
        EXPECT_LT(peak, kCleanSessionKiB + row.boundKiB) << said;
        EXPECT_FALSE(fs::exists(home / "player.cfg.bad")) << said;
        EXPECT_EQ(said.find("Failed to create hunter file!") == std::string::npos, row.saves[start]) << said;
        EXPECT_EQ(ReadAll(home / "player.cfg") == before, !row.saves[start]) << said;
        for (const auto& entry : fs::directory_iterator(home))
            EXPECT_NE(entry.path().extension().string(), ".tmp") << entry.path() << "\n" << said;
    }
}

// A definition whose one set line holds `length` bytes of value.
std::string LongSetLine(uint64_t length) { return "OBJECT Long\n{\nset v " + std::string(length, 'v') + "\n}\n"; }

// Plays the row; what it finds goes to the test's expectations.
void Play(const Row& row, int index) {
    SCOPED_TRACE(row.file);
    const fs::path folder = MakeScratchFolder(("OversizedFile" + std::to_string(index)).c_str());
    const fs::path home = folder / "Home";
    CopyDemoHome(home);
    fs::copy_file(kBuiltGameLibrary, home / "VQ9Game.so", fs::copy_options::overwrite_existing);
    if (!row.saves.empty()) {
        PlayStarts(row, folder);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        return;
    }
    if (row.session == Session::server)
        WriteText(home / "startup.cfg", "OBJECT Score\n{\n    set QualifyTimeLimit \"2000\"\n}\n");
    const fs::path file = folder / row.file;
    MakeSparse(file, (row.keep ? ReadAll(file) : std::string()) + row.head);
    if (row.session == Session::range)
        Start(folder, "SDL_VIDEO_DUMMY_SAVE_FRAMES=1", "SDL_VIDEODRIVER=dummy", "-connect:127.0.0.1 -name:Tester");
    else
        Start(folder, "", "SDL_VIDEODRIVER=dummy", "-dedicated");

    // SIGTERM goes a second after the file is first seen open, so that a reader still at it
    // then is stopped while it reads and one within its bound has come to it; a reader too quick
    // to be seen gets it once the range is drawn (or the server has run a while).
    int pid = 0;
    long peak = 0;
    int status = -1;
    Clock::time_point seenOpen{};
    const auto started = Clock::now();
    Clock::time_point signalled{};
    double cpuAtSignal = 0;
    double cpuSeen = 0;
    while ((status = WaitFor(folder, std::chrono::milliseconds(0))) == -1) {
        if (pid == 0)
            pid = ProcessId(folder);
        if (pid != 0) {
            peak = std::max(peak, PeakMemoryKb(folder));
            const double cpu = CpuSeconds(folder);
            cpuSeen = std::max(cpuSeen, cpu);
            const auto now = Clock::now();
            if (signalled == Clock::time_point{}) {
                if (seenOpen == Clock::time_point{} && HoldsOpen(pid, file))
                    seenOpen = now;
                const bool past = row.session == Session::range ? RangeDrawn(home) : now - started > std::chrono::seconds(4);
                const auto wait = row.makingOfficer ? std::chrono::seconds(0) : std::chrono::seconds(1);
                if (past || now - started > std::chrono::seconds(60) ||
                    (seenOpen != Clock::time_point{} && now - seenOpen >= wait)) {
                    Signal(folder, "TERM");
                    signalled = Clock::now();
                    // Counted from here, where the signal has come: the shell that sends it may
                    // take its time on a busy machine, while the program goes on as it was.
                    const double delivered = CpuSeconds(folder);
                    cpuAtSignal = delivered > 0 ? delivered : cpuSeen;
                    cpuSeen = std::max(cpuSeen, delivered);
                }
            } else if (now - signalled > std::chrono::seconds(20)) {
                Signal(folder, "KILL");
                status = WaitFor(folder, std::chrono::seconds(5));
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto ended = Clock::now();
    const std::string said = ReadAll(folder / "stderr.txt");
    EXPECT_EQ(status, row.status) << said;
    // A reader deaf to the signal spends seconds on the rest of the gigabyte; a clean end, a
    // few hundredths.
    if (signalled != Clock::time_point{}) {
        EXPECT_LT(cpuSeen - cpuAtSignal, 1.0)
            << (seenOpen != Clock::time_point{} ? "the file was seen open" : "the file was not seen open") << "\n"
            << said;
        EXPECT_LT(ended - signalled, std::chrono::seconds(10)) << said;
    }
    EXPECT_LT(peak, kCleanSessionKiB + row.boundKiB) << said;
    if (row.makingOfficer) {
        const std::string officers = ReadAll(home / "player.cfg");
        EXPECT_TRUE(officers.empty() || officers.find("OfficerSkinBlue") != std::string::npos)
            << officers.size() << " bytes of officers";
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

TEST(OversizedFileProcessTest, AGigabyteFileCostsItsReaderOnlyItsBoundAndSigtermStillEndsTheGame) {
    constexpr long MB = 1024;
    const fs::path kOfficers = fs::path(TARVEX_TEST_DATA) / ".." / "fuzz" / "corpus" / "officer_file_fuzz";
    const Row rows[] = {
        // The kit, the officer models and the command files are read to a bound of 64 MB.
        {"Home/DefEquip.cfg", Session::range, 0, 2 * 64 * MB},
        {"Home/DefEquip.cfg", Session::range, 0, 2 * 64 * MB, false, LongKit(), true},
        {"Home/Officers/officers.sss", Session::range, 0, 2 * 64 * MB},
        {"Home/default.cfg", Session::range, 0, 2 * 64 * MB},
        {"Home/defcmds.cfg", Session::range, 0, 2 * 64 * MB},
        {"Home/startup.cfg", Session::range, 0, 2 * 64 * MB},
        {"Home/startup.cfg", Session::server, 0, 2 * 64 * MB},
        // A line within the bound is held once as read and once as its value, and one past it
        // only as read: the session stays below 200 MB.
        {"Home/DefEquip.cfg", Session::range, 0, 200 * MB - kCleanSessionKiB, true, LongSetLine(63ull << 20)},
        {"Home/DefEquip.cfg", Session::range, 0, 200 * MB - kCleanSessionKiB, true, LongSetLine((64ull << 20) + 1)},
        {"Home/Officers/officers.sss", Session::range, 0, 200 * MB - kCleanSessionKiB, true, LongSetLine(63ull << 20)},
        {"Home/Officers/officers.sss", Session::range, 0, 200 * MB - kCleanSessionKiB, true,
         LongSetLine((64ull << 20) + 1)},
        // A layout is a few kilobytes; the officer file and the profile are small.
        {"Home/Layouts/hud.lay", Session::range, 0, 16 * MB},
        {"Home/Layouts/results.lay", Session::range, 0, 16 * MB},
        {"Home/player.cfg", Session::range, 0, 16 * MB},
        {"config/Tarvex/Tarvex.ini", Session::range, 0, 16 * MB},
        // A map is read a piece at a time, as far as its records go.
        {"Home/Maps/targetrange.gmx", Session::range, 0, 16 * MB},
        {"Home/Maps/targetrange.gmx", Session::server, 1, 16 * MB},
        {"Home/Maps/targetrange.gmx", Session::range, 0, 16 * MB, true},
        // Models, textures, sounds, font glyphs and pictures are judged against their own headers.
        {"Home/Models/Range/target.ssm", Session::range, 0, 16 * MB},
        {"Home/Models/Range/target.stx", Session::range, 0, 16 * MB},
        {"Home/Textures/Outdoor/grass.stx", Session::range, 0, 16 * MB},
        {"Home/Sounds/Range/ambient.wav", Session::range, 0, 16 * MB},
        {"Home/splash.wav", Session::range, 0, 16 * MB},
        {"Home/font_Text.bmp", Session::range, 0, 16 * MB},
        {"Home/splash.bmp", Session::range, 0, 16 * MB},
        {"Home/Graphics/hunthand.bmp", Session::range, 0, 16 * MB},
        // The catalog names every page's pictures and fonts: the game cannot start without it.
        {"Home/Tarvex.cat", Session::range, 1, 16 * MB},
        {"Home/Tarvex.cat", Session::range, 0, 16 * MB, true},
        // More embedded names than any catalog has pictures; and an item list of empty entries,
        // seconds of reading that the signal stops, so that the game ends as one closed.
        {"Home/Tarvex.cat", Session::range, 1, 16 * MB, false, Catalog({0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0x3F})},
        {"Home/Tarvex.cat", Session::range, 0, 16 * MB, false, Catalog({0, 0, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0x1F})},
        // A first text of nearly the whole gigabyte, more than any file of ours holds.
        {"Home/Tarvex.cat", Session::range, 1, 16 * MB, false, std::string("\0\0\0\0\2\0\0\0\xFF\xFF\xFF\0\0\0\x3F", 15)},
        // Officers whose notes the officer file cannot hold: a save past what a start reads is
        // refused, and the file keeps the officers it had.
        {"Home/Officers/officers.sss", Session::range, 0, 200 * MB - kCleanSessionKiB, false, NotedModels(17ull << 20),
         false, {false, false}},
        {"Home/Officers/officers.sss", Session::range, 0, 200 * MB - kCleanSessionKiB, false, NotedModels(9ull << 20),
         false, {true, false}},
        // Files the program writes limited to 1 KiB ("ulimit -f 2" counts blocks of 512 bytes),
        // less than the officers it has (its error output, a few lines, fits): each save fails as
        // on a full disk and is told, and the officer file keeps what it had.
        {"Home/player.cfg", Session::range, 0, 16 * MB, false, ReadAll(kOfficers / "several_officers"), false, {false},
         "ulimit -f 2;"},
    };
    // Two at a time: most of each row is waiting for the program, and the suite runs beside it.
    std::atomic<size_t> next{0};
    std::vector<std::thread> players;
    for (int p = 0; p < 2; ++p) {
        players.emplace_back([&] {
            for (size_t i; (i = next++) < std::size(rows);)
                Play(rows[i], static_cast<int>(i));
        });
    }
    for (std::thread& player : players)
        player.join();
}

}  // namespace
