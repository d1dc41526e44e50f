// Critical sections: recursion by the owning thread, timed waits that give up while another
// thread holds the lock, and the scope lock's release on every way out.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "sys/thread.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Holds a critical section on a thread of its own until told to let go.
class Holder {
public:
    explicit Holder(CCriticalSection& section, int levels = 1)
        : m_thread([this, &section, levels] {
              for (int i = 0; i < levels; ++i) {
                  section.Lock();
              }
              m_held.set_value();
              m_release.get_future().wait();
              for (int i = 0; i < levels; ++i) {
                  section.Unlock();
              }
          }) {
        m_held.get_future().wait();
    }
    ~Holder() { Release(); }

    void Release() {
        if (m_thread.joinable()) {
            m_release.set_value();
            m_thread.join();
        }
    }

private:
    std::promise<void> m_held;
    std::promise<void> m_release;
    std::thread m_thread;
};

// Whether another thread could take the section within the wait.
bool OtherThreadCanLock(CCriticalSection& section, uint32_t waitMs) {
    return std::async(std::launch::async, [&section, waitMs] {
               const bool taken = section.Lock(waitMs);
               if (taken) {
                   section.Unlock();
               }
               return taken;
           }).get();
}

TEST(LockTest, WaitTimesOutWhileAnotherThreadHoldsTheLock) {
    CCriticalSection section;
    Holder holder(section);
    const auto start = Clock::now();
    EXPECT_FALSE(section.Lock(100));
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, milliseconds(95));
    EXPECT_LT(waited, milliseconds(2000));
    holder.Release();
    EXPECT_TRUE(section.Lock(1000));
    section.Unlock();
}

TEST(LockTest, WaitSucceedsWhenTheHolderLetsGoInTime) {
    CCriticalSection section;
    std::promise<void> held;
    std::thread holder([&] {
        section.Lock();
        held.set_value();
        std::this_thread::sleep_for(milliseconds(50));
        section.Unlock();
    });
    held.get_future().wait();
    EXPECT_TRUE(section.Lock(1000));
    section.Unlock();
    holder.join();
}

TEST(LockTest, OwnerLocksRecursivelyAndMustReleaseEveryLevel) {
    CCriticalSection section;
    ASSERT_TRUE(section.Lock());
    EXPECT_TRUE(section.Lock(100));
    EXPECT_TRUE(section.Lock(0));
    section.Unlock();
    section.Unlock();
    EXPECT_FALSE(OtherThreadCanLock(section, 50));
    section.Unlock();
    EXPECT_TRUE(OtherThreadCanLock(section, 1000));
}

TEST(LockTest, RecursiveHoldOfAnotherThreadBlocksUntilFullyReleased) {
    CCriticalSection section;
    Holder holder(section, 2);
    EXPECT_FALSE(section.Lock(0));
    holder.Release();
    EXPECT_TRUE(section.Lock(0));
    section.Unlock();
}

TEST(LockTest, InfiniteWaitTakesAFreeLock) {
    CCriticalSection section;
    EXPECT_TRUE(section.Lock(sys::kInfinite));
    section.Unlock();
}

TEST(LockTest, SingleLockReleasesAtTheEndOfItsScope) {
    CCriticalSection section;
    {
        CSingleLock lock(&section);
        EXPECT_FALSE(lock.IsLocked());
        ASSERT_TRUE(lock.Lock(200));
        EXPECT_TRUE(lock.IsLocked());
        EXPECT_FALSE(OtherThreadCanLock(section, 20));
    }
    EXPECT_TRUE(OtherThreadCanLock(section, 1000));
}

TEST(LockTest, SingleLockInitialLockAndExplicitUnlock) {
    CCriticalSection section;
    CSingleLock lock(&section, true);
    EXPECT_TRUE(lock.IsLocked());
    EXPECT_TRUE(lock.Unlock());
    EXPECT_FALSE(lock.IsLocked());
    EXPECT_FALSE(lock.Unlock());  // nothing left to release
    EXPECT_TRUE(OtherThreadCanLock(section, 1000));
}

TEST(LockTest, SingleLockLockedTwiceIsReleasedByOneDestruction) {
    CCriticalSection section;
    {
        CSingleLock lock(&section);
        EXPECT_TRUE(lock.Lock());
        EXPECT_TRUE(lock.Lock(100));
    }
    EXPECT_TRUE(OtherThreadCanLock(section, 1000));
}

TEST(LockTest, TimedOutSingleLockReportsFalseAndReleasesNothing) {
    CCriticalSection section;
    Holder holder(section);
    {
        CSingleLock lock(&section);
        EXPECT_FALSE(lock.Lock(100));
        EXPECT_FALSE(lock.IsLocked());
    }
    // The waiter's end must not have released the holder's lock.
    EXPECT_FALSE(OtherThreadCanLock(section, 20));
    holder.Release();
    EXPECT_TRUE(OtherThreadCanLock(section, 1000));
}

TEST(LockTest, SingleLockWithoutASectionNeverLocks) {
    CSingleLock lock(nullptr);
    EXPECT_FALSE(lock.Lock());
    EXPECT_FALSE(lock.IsLocked());
}

TEST(LockTest, TwoThreadsCountingUnderTheLockLoseNoIncrement) {
    CCriticalSection section;
    int counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            CSingleLock lock(&section);
            if (lock.Lock(1000)) {
                ++counter;
            }
        }
    };
    std::thread first(work);
    std::thread second(work);
    first.join();
    second.join();
    EXPECT_EQ(counter, 40000);
}

}  // namespace
