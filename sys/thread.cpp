#include "sys/thread.h"

#include <chrono>

bool CCriticalSection::Lock() {
    m_mutex.lock();
    return true;
}

bool CCriticalSection::Lock(uint32_t timeoutMs) {
    if (timeoutMs == sys::kInfinite) {
        return Lock();
    }
    // A zero wait still tries once, so the owner re-entering never fails.
    return m_mutex.try_lock_for(std::chrono::milliseconds(timeoutMs));
}

bool CCriticalSection::Unlock() {
    m_mutex.unlock();
    return true;
}

CSingleLock::CSingleLock(CCriticalSection* section, bool initialLock) : m_pSection(section) {
    if (initialLock) {
        Lock();
    }
}

CSingleLock::~CSingleLock() { Unlock(); }

bool CSingleLock::Lock(uint32_t timeoutMs) {
    if (m_pSection == nullptr) {
        return false;
    }
    // Taking it twice through one object would leave a hold that the destructor's single
    // release never gives back.
    if (m_bAcquired) {
        return true;
    }
    m_bAcquired = m_pSection->Lock(timeoutMs);
    return m_bAcquired;
}

bool CSingleLock::Unlock() {
    if (!m_bAcquired) {
        return false;
    }
    m_pSection->Unlock();
    m_bAcquired = false;
    return true;
}
