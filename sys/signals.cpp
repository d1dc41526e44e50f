#include "sys/signals.h"

#include <signal.h>

#include <atomic>

namespace sys::signals {
namespace {

// Lock-free on every platform we build for, so setting it is signal-safe.
std::atomic<int> s_closeRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnCloseSignal(int) { s_closeRequested.store(1, std::memory_order_relaxed); }

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

void RequestClose() { s_closeRequested.store(1, std::memory_order_relaxed); }

}  // namespace sys::signals
