#pragma once

#include <cstdint>
#include <mutex>

// Critical sections under the class library's names. The host itself runs on one thread, but
// the game-logic library may call back from threads of its own, so the display, cursor,
// layout, actor and client-state lists are guarded by these. A wait may be bounded; a
// timed-out wait is reported and the caller skips its work instead of blocking a frame.

namespace sys {
// A wait without a time limit.
constexpr uint32_t kInfinite = 0xFFFFFFFFu;
}  // namespace sys

// A recursive lock: the thread that holds it may take it again and must release it as often.
// Owned by whatever it guards (usually a file-static or a member next to the guarded list).
class CCriticalSection {
public:
    CCriticalSection() = default;
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    // Waits as long as it takes; always true.
    bool Lock();
    // Waits at most timeoutMs milliseconds (sys::kInfinite: no limit); false when the lock
    // stayed held by another thread for the whole wait.
    bool Lock(uint32_t timeoutMs);
    // Releases one level of the calling thread's hold.
    bool Unlock();

private:
    std::recursive_timed_mutex m_mutex;
};

// Takes a critical section for one scope: it is released when the object ends, on every path
// out of the caller. Lives on the caller's stack; does not own the critical section.
class CSingleLock {
public:
    // The class library's constructor can lock at once; the callers here lock explicitly.
    explicit CSingleLock(CCriticalSection* section, bool initialLock = false);
    ~CSingleLock();
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

    // False on a timed-out wait, and also when there is no critical section to take. Locking
    // an already locked object does not take the section a second time.
    bool Lock(uint32_t timeoutMs = sys::kInfinite);
    // True only while this object holds the section.
    bool IsLocked() const { return m_bAcquired; }
    // Releases the section when this object holds it; true when it did.
    bool Unlock();

private:
    CCriticalSection* m_pSection;
    bool m_bAcquired = false;
};
