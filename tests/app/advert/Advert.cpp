// A stand-in advertising library: the sixteen entry points, each writing one line
// "name(arguments)" into a call log that tests read through one more export. "_Startup"
// answers true unless its first parameter is 0; the other entry points answer true.

#include <cstdio>
#include <string>

namespace {

std::string g_log;
void* g_pHandle = nullptr;

bool Record(const char* name, void* handle, const std::string& arguments) {
    g_log += name;
    g_log += "(";
    g_log += handle == g_pHandle ? "h" : "?";
    g_log += arguments.empty() ? "" : "," + arguments;
    g_log += ")\n";
    return true;
}

std::string Text(const char* text) { return text != nullptr ? text : "null"; }

}  // namespace

#define AD_EXPORT extern "C" __attribute__((visibility("default")))

AD_EXPORT const char* AdvertLog() { return g_log.c_str(); }

// The handle block's first word holds the wrapper's address.
AD_EXPORT void* AdvertOwner() { return g_pHandle != nullptr ? *static_cast<void**>(g_pHandle) : nullptr; }

AD_EXPORT bool _Startup(void* handle, void* module, void* window, long a, short b, unsigned long c) {
    // Only a started handle is the one the later calls must carry.
    if (a != 0 || g_pHandle == nullptr)
        g_pHandle = handle;
    Record("_Startup", g_pHandle,
           std::string(module != nullptr ? "module" : "null") + "," + (window != nullptr ? "window" : "null") + "," +
               std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c));
    return a != 0;
}
AD_EXPORT bool _Paint(void* h, void* dc, int x, int y) {
    return Record("_Paint", h, std::string(dc != nullptr ? "dc" : "null") + "," + std::to_string(x) + "," + std::to_string(y));
}
AD_EXPORT bool _OnClick(void* h) { return Record("_OnClick", h, ""); }
AD_EXPORT bool _SetCallback(void* h, void (*)(void*), void* context) {
    return Record("_SetCallback", h, context != nullptr ? "context" : "null");
}
AD_EXPORT bool _SetAdRecordedCallback(void* h, void (*)(void*), void* context) {
    return Record("_SetAdRecordedCallback", h, context != nullptr ? "context" : "null");
}
AD_EXPORT bool _SetNetworkCallback(void* h, void (*)(void*), void* context) {
    return Record("_SetNetworkCallback", h, context != nullptr ? "context" : "null");
}
AD_EXPORT bool _SetBandwidthThrottle(void* h, long value) { return Record("_SetBandwidthThrottle", h, std::to_string(value)); }
AD_EXPORT bool _SetMinimumAdDisplayTime(void* h, long value) {
    return Record("_SetMinimumAdDisplayTime", h, std::to_string(value));
}
AD_EXPORT bool _IsConnectOkay(void* h, int* okay) {
    Record("_IsConnectOkay", h, std::to_string(*okay));
    *okay = 7;
    return true;
}
AD_EXPORT bool _RetryConnect(void* h) { return Record("_RetryConnect", h, ""); }
AD_EXPORT bool _SetNetworkState(void* h, bool state) { return Record("_SetNetworkState", h, state ? "1" : "0"); }
AD_EXPORT bool _SetProxy(void* h, const char* a, long b, const char* c) {
    return Record("_SetProxy", h, Text(a) + "," + std::to_string(b) + "," + Text(c));
}
AD_EXPORT bool _GetStatus(void* h, unsigned long* status, bool flag) {
    Record("_GetStatus", h, flag ? "1" : "0");
    *status = 42;
    return true;
}
AD_EXPORT bool _UseDefaultAd(void* h, const char* a, const char* b) { return Record("_UseDefaultAd", h, Text(a) + "," + Text(b)); }
AD_EXPORT bool _Shutdown(void* h) { return Record("_Shutdown", h, ""); }
AD_EXPORT bool _debugTriggerEvent(void* h, int event) { return Record("_debugTriggerEvent", h, std::to_string(event)); }
