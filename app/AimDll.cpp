#include "app/AimDll.h"

#include <cstring>

#include "sys/library.h"

const char* const AimDll::kEntryNames[AimDll::kEntryPoints] = {
    "_Startup",         "_Paint",          "_OnClick",        "_SetCallback",
    "_SetAdRecordedCallback", "_SetNetworkCallback", "_SetBandwidthThrottle", "_SetMinimumAdDisplayTime",
    "_IsConnectOkay",   "_RetryConnect",   "_SetNetworkState", "_SetProxy",
    "_GetStatus",       "_UseDefaultAd",   "_Shutdown",       "_debugTriggerEvent",
};

namespace {

template <typename Fn>
bool Find(void* module, const char* name, Fn& slot) {
    void* address = sys::library::Symbol(module, name);
    std::memcpy(&slot, &address, sizeof(slot));
    return address != nullptr;
}

}  // namespace

AimDll::AimDll(long a, sys::HWND window, short b, unsigned long c) {
    m_Status = 0;
    m_hModule = sys::library::Load(kLibraryName);
    bool found = m_hModule != nullptr;
    if (found) {
        // Every lookup runs, so the fields are null exactly where an entry point is missing.
        found &= Find(m_hModule, kEntryNames[0], m_pfnStartup);
        found &= Find(m_hModule, kEntryNames[1], m_pfnPaint);
        found &= Find(m_hModule, kEntryNames[2], m_pfnOnClick);
        found &= Find(m_hModule, kEntryNames[3], m_pfnSetCallback);
        found &= Find(m_hModule, kEntryNames[4], m_pfnSetAdRecordedCallback);
        found &= Find(m_hModule, kEntryNames[5], m_pfnSetNetworkCallback);
        found &= Find(m_hModule, kEntryNames[6], m_pfnSetBandwidthThrottle);
        found &= Find(m_hModule, kEntryNames[7], m_pfnSetMinimumAdDisplayTime);
        found &= Find(m_hModule, kEntryNames[8], m_pfnIsConnectOkay);
        found &= Find(m_hModule, kEntryNames[9], m_pfnRetryConnect);
        found &= Find(m_hModule, kEntryNames[10], m_pfnSetNetworkState);
        found &= Find(m_hModule, kEntryNames[11], m_pfnSetProxy);
        found &= Find(m_hModule, kEntryNames[12], m_pfnGetStatus);
        found &= Find(m_hModule, kEntryNames[13], m_pfnUseDefaultAd);
        found &= Find(m_hModule, kEntryNames[14], m_pfnShutdown);
        found &= Find(m_hModule, kEntryNames[15], m_pfnDebugTriggerEvent);
    }
    if (!found) {
        sys::library::Unload(m_hModule);
        m_hModule = nullptr;
        m_bOkay = false;
        m_Status = kStatusMissing;
        return;
    }
    m_pHandle = new HandleBlock{this, 1};
    m_bOkay = m_pfnStartup(m_pHandle, m_hModule, window, a, b, c);
    if (!m_bOkay) {
        // Nothing was started, so nothing is shut down; the library and block go now rather
        // than never.
        delete m_pHandle;
        m_pHandle = nullptr;
        sys::library::Unload(m_hModule);
        m_hModule = nullptr;
    }
}

AimDll::~AimDll() { Release(); }

void AimDll::Release() {
    if (!m_bOkay || m_pHandle == nullptr)
        return;
    if (--m_pHandle->dwShares == 0) {
        m_pfnShutdown(m_pHandle);
        sys::library::Unload(m_hModule);
        delete m_pHandle;
    } else if (m_pHandle->pOwner == this) {
        // The library may still call back through the block's first word.
        m_pHandle->pOwner = nullptr;
    }
    m_pHandle = nullptr;
    m_bOkay = false;
}

AimDll& AimDll::operator=(const AimDll& other) {
    if (this == &other)
        return *this;
    Release();
    std::memcpy(static_cast<void*>(this), static_cast<const void*>(&other), sizeof(AimDll));
    if (m_bOkay && m_pHandle != nullptr)
        ++m_pHandle->dwShares;
    return *this;
}

bool AimDll::GetStatus(unsigned long& status, bool flag) {
    return m_bOkay && m_pfnGetStatus(m_pHandle, &status, flag);
}

bool AimDll::IsConnectOkay(bool& okay) {
    if (!m_bOkay)
        return false;
    int answer = 0;
    const bool result = m_pfnIsConnectOkay(m_pHandle, &answer);
    okay = answer != 0;
    return result;
}

bool AimDll::OnClick() { return m_bOkay && m_pfnOnClick(m_pHandle); }

bool AimDll::Paint(sys::HDC dc, int x, int y) { return m_bOkay && m_pfnPaint(m_pHandle, dc, x, y); }

bool AimDll::RetryConnect() { return m_bOkay && m_pfnRetryConnect(m_pHandle); }

bool AimDll::SetAdRecordedCallback(Callback fn, void* context) {
    return m_bOkay && m_pfnSetAdRecordedCallback(m_pHandle, fn, context);
}

bool AimDll::SetBandwidthThrottle(long value) { return m_bOkay && m_pfnSetBandwidthThrottle(m_pHandle, value); }

bool AimDll::SetCallback(Callback fn, void* context) { return m_bOkay && m_pfnSetCallback(m_pHandle, fn, context); }

bool AimDll::SetMinimumAdDisplayTime(long value) {
    return m_bOkay && m_pfnSetMinimumAdDisplayTime(m_pHandle, value);
}

bool AimDll::SetNetworkCallback(Callback fn, void* context) {
    return m_bOkay && m_pfnSetNetworkCallback(m_pHandle, fn, context);
}

bool AimDll::SetNetworkState(bool state) { return m_bOkay && m_pfnSetNetworkState(m_pHandle, state); }

bool AimDll::SetProxy(const char* a, long b, const char* c) { return m_bOkay && m_pfnSetProxy(m_pHandle, a, b, c); }

bool AimDll::UseDefaultAd(const char* a, const char* b) { return m_bOkay && m_pfnUseDefaultAd(m_pHandle, a, b); }

bool AimDll::debugTriggerEvent(int event) { return m_bOkay && m_pfnDebugTriggerEvent(m_pHandle, event); }

bool AimDll::isOkay() { return m_bOkay; }
