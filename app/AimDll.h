#pragma once

#include <cstdint>

#include "sys/gdi/gdi.h"
#include "sys/window/window.h"

// The program's exported wrapper around the outside advertising library "advert.dll": it loads
// the library, looks up its entry points and forwards each method to one of them with an opaque
// handle first. Nothing in the program uses it; it exists for an outside caller, so its methods,
// argument types and field order are its whole interface. Where the library is absent (as on
// Linux) every method answers false.
class AimDll {
public:
    static constexpr const char* kLibraryName = "advert.dll";
    static constexpr uint32_t kStatusMissing = 0x80000000u;
    static constexpr int kEntryPoints = 16;
    // Names of the entry points, in the order of the pointer fields.
    static const char* const kEntryNames[kEntryPoints];

    using Callback = void (*)(void*);

    AimDll(long a, sys::HWND window, short b, unsigned long c);
    ~AimDll();
    // Copies every field; the copy shares the started library with the original, and the last
    // of them to go shuts it down.
    AimDll& operator=(const AimDll& other);
    AimDll(const AimDll&) = delete;

    bool GetStatus(unsigned long& status, bool flag);
    bool IsConnectOkay(bool& okay);
    bool OnClick();
    bool Paint(sys::HDC dc, int x, int y);
    bool RetryConnect();
    bool SetAdRecordedCallback(Callback fn, void* context);
    bool SetBandwidthThrottle(long value);
    bool SetCallback(Callback fn, void* context);
    bool SetMinimumAdDisplayTime(long value);
    bool SetNetworkCallback(Callback fn, void* context);
    bool SetNetworkState(bool state);
    bool SetProxy(const char* a, long b, const char* c);
    bool UseDefaultAd(const char* a, const char* b);
    bool debugTriggerEvent(int event);
    bool isOkay();

    // The block handed to every entry point; the library sees only its first word, the
    // wrapper's address. The count of wrappers sharing it follows.
    struct HandleBlock {
        AimDll* pOwner;
        uint32_t dwShares;
    };

    uint32_t m_Status = 0;
    bool (*m_pfnStartup)(HandleBlock*, void*, sys::HWND, long, short, unsigned long) = nullptr;
    bool (*m_pfnPaint)(HandleBlock*, sys::HDC, int, int) = nullptr;
    bool (*m_pfnOnClick)(HandleBlock*) = nullptr;
    bool (*m_pfnSetCallback)(HandleBlock*, Callback, void*) = nullptr;
    bool (*m_pfnSetAdRecordedCallback)(HandleBlock*, Callback, void*) = nullptr;
    bool (*m_pfnSetNetworkCallback)(HandleBlock*, Callback, void*) = nullptr;
    bool (*m_pfnSetBandwidthThrottle)(HandleBlock*, long) = nullptr;
    bool (*m_pfnSetMinimumAdDisplayTime)(HandleBlock*, long) = nullptr;
    bool (*m_pfnIsConnectOkay)(HandleBlock*, int*) = nullptr;
    bool (*m_pfnRetryConnect)(HandleBlock*) = nullptr;
    bool (*m_pfnSetNetworkState)(HandleBlock*, bool) = nullptr;
    bool (*m_pfnSetProxy)(HandleBlock*, const char*, long, const char*) = nullptr;
    bool (*m_pfnGetStatus)(HandleBlock*, unsigned long*, bool) = nullptr;
    bool (*m_pfnUseDefaultAd)(HandleBlock*, const char*, const char*) = nullptr;
    bool (*m_pfnShutdown)(HandleBlock*) = nullptr;
    bool (*m_pfnDebugTriggerEvent)(HandleBlock*, int) = nullptr;
    HandleBlock* m_pHandle = nullptr;
    void* m_hModule = nullptr;
    bool m_bOkay = false;

private:
    // Lets go of this wrapper's share of the started library.
    void Release();
};
