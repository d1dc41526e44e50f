#pragma once

// Runs the built program as a user would on a machine without display or sound (SDL's dummy
// drivers), in a scratch folder of the test's, and watches it end: its status, and what it said
// on standard error.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "tests/support/PeakMemory.h"
#include "tests/support/ScratchFolder.h"

namespace tarvex::test {

namespace fs = std::filesystem;

inline std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

const std::string kBuiltProgram = std::string(TARVEX_TEST_BINARY_DIR) + "/../tarvex";
const std::string kBuiltGameLibrary = std::string(TARVEX_TEST_BINARY_DIR) + "/../game/VQ9Game.so";

// Starts the program in the background through the shell, which keeps its process id in
// "pid.txt" and its exit status in "status.txt" once it ends. The environment goes before the
// program's own settings; "env -u NAME" there takes a variable away. Its error output goes to
// the file of the folder named `errors`, which may be a pipe the test reads. The shell runs
// `shell` just before it starts the program: commands that end in ";" and shape what the program
// is given ("trap '' HUP;", "ulimit -f 8;"), or words of a command that starts it.
inline void Start(const fs::path& folder, const std::string& environment = "",
           const std::string& videoDriver = "SDL_VIDEODRIVER=dummy", const std::string& arguments = "",
           const std::string& program = kBuiltProgram, const std::string& errors = "stderr.txt",
           const std::string& shell = "") {
    const std::string f = folder.string();
    // SDL's message boxes open on any X display they find, whatever the video driver: with one in
    // the tests' environment a fatal start would wait for a click.
    const std::string headless = videoDriver.empty() ? "" : "env -u DISPLAY -u WAYLAND_DISPLAY ";
    const std::string command = "( cd '" + f + "' && " + shell + " " + headless + environment + " " + videoDriver +
                                " SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME='" + f + "/config' '" + program + "' " +
                                arguments + " 2>'" + errors + "' >/dev/null & echo $! > '" + f +
                                "/pid.txt'; wait $!; echo $? > '" + f + "/status.tmp'; mv '" + f + "/status.tmp' '" +
                                f + "/status.txt' ) &";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

// Waits up to the limit for the program to end; its exit status, or -1 while it runs.
inline int WaitFor(const fs::path& folder, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    do {
        if (fs::exists(folder / "status.txt"))
            return std::stoi(ReadAll(folder / "status.txt"));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    return -1;
}

inline void Signal(const fs::path& folder, const char* signal) {
    const std::string command = std::string("kill -") + signal + " $(cat '" + (folder / "pid.txt").string() + "')";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

// Ends a program still running (status -1): asked to close with the signal when `ask`, given the
// limit to end, and killed if it has not, so that no test leaves it behind. Its status, or -1
// when it had to be killed.
inline int Finish(const fs::path& folder, int status, bool ask, std::chrono::seconds limit = std::chrono::seconds(20),
                  const char* signal = "TERM") {
    if (status != -1)
        return status;
    if (ask)
        Signal(folder, signal);
    status = WaitFor(folder, limit);
    if (status == -1)
        Signal(folder, "KILL");
    return status;
}
inline int Terminate(const fs::path& folder, std::chrono::seconds limit, const char* signal = "TERM") {
    return Finish(folder, -1, true, limit, signal);
}

// The id of the program Start ran, or 0 before the shell has kept it.
inline int ProcessId(const fs::path& folder) {
    std::ifstream in(folder / "pid.txt");
    int pid = 0;
    in >> pid;
    return pid;
}

// The most memory the running program has held so far (its peak resident set) in kilobytes,
// as the kernel counts it; 0 once it has ended.
inline long PeakMemoryKb(const fs::path& folder) {
    const int pid = ProcessId(folder);
    return pid == 0 ? 0 : static_cast<long>(PeakMemoryBytes(pid) / 1024);
}

// Linux gives a process's times in /proc in ticks of this many a second (its USER_HZ), the same
// on every architecture the project builds for.
constexpr double kProcTicksPerSecond = 100;

// The processor time the running program has spent so far, in seconds, its threads' in the
// kernel and out; 0 once it has ended. A busy machine stretches the wall-clock time of work, and
// a busy disk that of a save, but not this: a bound on it holds under any load.
inline double CpuSeconds(const fs::path& folder) {
    const int pid = ProcessId(folder);
    const std::string stat = pid == 0 ? std::string() : ReadAll("/proc/" + std::to_string(pid) + "/stat");
    const size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos)
        return 0;
    // After the name: the state and ten counts, then the user and the system time in ticks.
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string skipped;
    for (int i = 0; i < 11; ++i)
        fields >> skipped;
    unsigned long long user = 0, system = 0;
    fields >> user >> system;
    return static_cast<double>(user + system) / kProcTicksPerSecond;
}

// Asks the running program to close and gives it the limit to end, as Terminate does: its status
// (-1 when it had to be killed), and the processor time it spent after the request as far as it
// was seen running, which a reader deaf to the request fills and a busy machine does not. It is
// counted from when the request has come, not from before the shell that sends it starts, which
// a busy machine may keep waiting while the program goes on as it was.
struct Closed {
    int status;
    double cpuSeconds;
};
inline Closed TerminateCounted(const fs::path& folder, std::chrono::seconds limit) {
    const double asked = CpuSeconds(folder);
    Signal(folder, "TERM");
    // Nothing once the program has ended; it then spent nothing after the request that was seen.
    const double come = CpuSeconds(folder);
    const double before = come > 0 ? come : asked;
    double seen = before;
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = -1;
    while ((status = WaitFor(folder, std::chrono::milliseconds(0))) == -1 && std::chrono::steady_clock::now() < end) {
        seen = std::max(seen, CpuSeconds(folder));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (status == -1)
        Signal(folder, "KILL");
    return {status, seen - before};
}

// The program ended with the status expected and said why on its error output.
inline void ExpectEnded(const fs::path& folder, int status, int expected, const std::string& reason) {
    const std::string said = ReadAll(folder / "stderr.txt");
    EXPECT_EQ(status, expected) << said;
    EXPECT_NE(said.find(reason), std::string::npos) << said;
}

// A scratch folder with a Home that holds our game-logic stand-in; the test adds the rest.
// SDL's dummy display saves each frame as "SDL_window1-<n>.bmp" in Home when asked to: a few
// of them one after another mean start-up, and with it a range session's start, is over.
inline bool RangeDrawn(const fs::path& home) {
    int frames = 0;
    for (const auto& entry : fs::directory_iterator(home))
        frames += entry.path().filename().string().rfind("SDL_window", 0) == 0 ? 1 : 0;
    return frames >= 5;
}

// Removes the frames SDL's dummy display saved, which are no file of the game's, so that
// RangeDrawn sees only those drawn from now on.
inline void RemoveFrames(const fs::path& home) {
    std::error_code error;
    for (fs::directory_iterator it(home, error), end; !error && it != end; it.increment(error)) {
        if (it->path().filename().string().rfind("SDL_window", 0) == 0)
            fs::remove(it->path(), error);
    }
}

// Waits up to `limit` for `seen` to hold while the program runs. False when it did not; a
// program that ended first is a failure of the test, told with what it said.
template <class Seen>
bool RunsUntil(const fs::path& folder, Seen seen, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (WaitFor(folder, std::chrono::milliseconds(50)) != -1) {
            ADD_FAILURE() << "the program ended: " << ReadAll(folder / "stderr.txt");
            return false;
        }
        if (seen())
            return true;
    }
    return false;
}

class ProcessTest : public testing::Test {
protected:
    void SetUp() override {
        m_folder = MakeScratchFolder("Process");
        fs::create_directories(m_folder / "Home");
        fs::copy_file(kBuiltGameLibrary, m_folder / "Home" / "VQ9Game.so");
    }
    fs::path m_folder;
};

}  // namespace tarvex::test
