#include "sys/signals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

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
    // game closes, even while a message box holds it.
    static constexpr char kTerm[] = "Closing the game: SIGTERM received.\n";
    static constexpr char kInt[] = "Closing the game: SIGINT received.\n";
    const ssize_t written = signal == SIGTERM ? write(STDERR_FILENO, kTerm, sizeof(kTerm) - 1)
                                              : write(STDERR_FILENO, kInt, sizeof(kInt) - 1);
    (void)written;
}

}  // namespace

void InstallCloseHandler() {
    struct sigaction action {};
    action.sa_handler = OnCloseSignal;
    sigemptyset(&action.sa_mask);
    // Restarting interrupted system calls keeps a blocking wait inside SDL or a file read from
    // failing just because the user pressed Ctrl+C; the pump sees the flag on its next pass.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool TakeCloseRequest() { return s_closeRequested.exchange(0, std::memory_order_relaxed) != 0; }

bool IsCloseRequested() { return s_closeRequested.load(std::memory_order_relaxed) != 0; }

bool IsClosing() { return s_closing.load(std::memory_order_relaxed) != 0; }

void RequestClose() {
    s_closeRequested.store(1, std::memory_order_relaxed);
    s_closing.store(1, std::memory_order_relaxed);
}

}  // namespace sys::signals
