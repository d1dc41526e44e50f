#pragma once

// The most memory this test process has held since the last ResetPeakMemory, from the kernel's
// own record of it, so a reader's tests can check that reading a file costs what its header
// says and not what the file's size is.

#include <malloc.h>

#include <cstdint>
#include <fstream>
#include <string>

namespace tarvex::test {

namespace peak_detail {

// A figure of "/proc/<pid>/status" in bytes ("VmHWM:", "VmRSS:"), 0 when the kernel does not tell.
inline uint64_t StatusBytes(const std::string& file, const char* figure) {
    std::ifstream status(file);
    std::string word;
    while (status >> word) {
        if (word == figure) {
            uint64_t kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
    }
    return 0;
}

// What this process held when the peak was last reset.
inline uint64_t g_resetBytes = 0;

}  // namespace peak_detail

// The address sanitizer keeps freed memory in quarantine and a shadow of every byte, so under it
// a peak says nothing of what a reader holds: there the peak reads as 0 and no bound is checked.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPeakMemoryMeans = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPeakMemoryMeans = false;
#else
constexpr bool kPeakMemoryMeans = true;
#endif
#else
constexpr bool kPeakMemoryMeans = true;
#endif

// Starts a new peak at what the process holds now. Free heap that earlier tests left resident is
// first given back: the peak starts where the live memory is, whatever ran before, and a reader's
// allocations fault in pages of their own rather than reuse ones already counted.
inline void ResetPeakMemory() {
    if (!kPeakMemoryMeans)
        return;
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    peak_detail::g_resetBytes = peak_detail::StatusBytes("/proc/self/status", "VmHWM:");
}

// The peak since the last reset, in bytes (0 when the kernel does not tell), of this process or
// of the one with that id, such as a program a test started.
inline uint64_t PeakMemoryBytes(int pid = 0) {
    if (!kPeakMemoryMeans)
        return 0;
    return peak_detail::StatusBytes(pid == 0 ? std::string("/proc/self/status") : "/proc/" + std::to_string(pid) + "/status",
                                    "VmHWM:");
}

// How far this process's peak since the last reset rose above what it held at the reset: what
// the work since then took, whatever earlier tests left live.
inline uint64_t PeakGrowthBytes() {
    const uint64_t peak = PeakMemoryBytes();
    return peak > peak_detail::g_resetBytes ? peak - peak_detail::g_resetBytes : 0;
}

}  // namespace tarvex::test
