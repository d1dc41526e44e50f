#pragma once

// The most memory this test process has held since the last ResetPeakMemory, from the kernel's
// own record of it, so a reader's tests can check that reading a file costs what its header
// says and not what the file's size is.

#include <cstdint>
#include <fstream>
#include <string>

namespace tarvex::test {

// Starts a new peak at what the process holds now.
inline void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

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

// The peak since the last reset, in bytes (0 when the kernel does not tell), of this process or
// of the one with that id, such as a program a test started.
inline uint64_t PeakMemoryBytes(int pid = 0) {
    if (!kPeakMemoryMeans)
        return 0;
    std::ifstream status(pid == 0 ? std::string("/proc/self/status") : "/proc/" + std::to_string(pid) + "/status");
    std::string word;
    while (status >> word) {
        if (word == "VmHWM:") {
            uint64_t kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
    }
    return 0;
}

}  // namespace tarvex::test
