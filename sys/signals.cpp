#include "sys/signals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <string_view>

namespace sys::signals {
namespace {

// Lock-free on every platform we build for, so setting it is signal-safe.
std::atomic<int> s_closeRequested{0};
std::atomic<int> s_closing{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnCloseSignal(int signal) {
    s_closeRequested.store(1, std::memory_order_relaxed);
    s_closing.store(1, std::memory_order_relaxed);
    // Said at once, with the one output call a handler may make: whoever sent it sees why the
    // game closes, even while a message box holds it. After a hang-up the terminal is usually
    // gone and the write fails, which costs nothing.
    static constexpr std::string_view kTerm = "Closing the game: SIGTERM received.\n";
    static constexpr std::string_view kHup = "Closing the game: SIGHUP received.\n";
    static constexpr std::string_view kInt = "Closing the game: SIGINT received.\n";
    const std::string_view said = signal == SIGTERM ? kTerm : signal == SIGHUP ? kHup : kInt;
    const ssize_t written = write(STDERR_FILENO, said.data(), said.size());
    (void)written;
}

// Gives each close signal the action, but for one the program was started with ignored.
void SetCloseSignals(const struct sigaction& action) {
    for (const int which : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction given {};
        if (sigaction(which, nullptr, &given) == 0 && given.sa_handler != SIG_IGN)
            sigaction(which, &action, nullptr);
    }
}

}  // namespace

void InstallCloseHandler() {
    struct sigaction action {};
    action.sa_handler = OnCloseSignal;
    sigemptyset(&action.sa_mask);
    // Restarting interrupted system calls keeps a blocking wait inside SDL or a file read from
    // failing just because the user pressed Ctrl+C; the pump sees the flag on its next pass.
    action.sa_flags = SA_RESTART;
    // A closed terminal or a dropped ssh link leaves nobody to play for; the run's results are
    // saved as at any other close. But a signal the game was started with ignored stays
    // ignored: "nohup" ignores SIGHUP so that a server outlives its terminal, and a shell
    // without job control starts a background job with SIGINT ignored so that Ctrl+C at the
    // prompt does not reach it.
    SetCloseSignals(action);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    // Standard error may be a pipe whose reader has gone (a log's reader restarted, a "| head"):
    // a write there fails and the game goes on instead of ending unsaved. No writer of ours
    // retries a write that failed for a reason other than an interruption.
    sigaction(SIGPIPE, &ignore, nullptr);
    // Under a limit on the size of the files a process writes ("ulimit -f"), a write past it
    // then fails with EFBIG as on a full disk: the save says so and keeps the old file, where
    // the signal would end the game with a temporary file left and the run's results lost.
    sigaction(SIGXFSZ, &ignore, nullptr);
}

void RemoveCloseHandler() {
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    SetCloseSignals(plain);
}

bool TakeCloseRequest() { return s_closeRequested.exchange(0, std::memory_order_relaxed) != 0; }

bool IsCloseRequested() { return s_closeRequested.load(std::memory_order_relaxed) != 0; }

bool IsClosing() { return s_closing.load(std::memory_order_relaxed) != 0; }

void RequestClose() {
    s_closeRequested.store(1, std::memory_order_relaxed);
    s_closing.store(1, std::memory_order_relaxed);
}

}  // namespace sys::signals
