// A stand-in light-gun device library: the seven GS_ functions the program calls, each
// writing one line "name(arguments)" into a call log that tests read and clear through two
// extra exports. It keeps the handheld range and mode it is given and answers them back.

#include <cstdio>
#include <string>

namespace {

std::string g_log;
int g_rangeLow = 0;
int g_rangeHigh = 0;
int g_mode = 0;

void Record(const char* name, const char* arguments) {
    g_log += name;
    g_log += "(";
    g_log += arguments;
    g_log += ")\n";
}

void Record2(const char* name, int a, int b) {
    char arguments[32];
    std::snprintf(arguments, sizeof(arguments), "%d,%d", a, b);
    Record(name, arguments);
}

void Record1(const char* name, int a) {
    char arguments[16];
    std::snprintf(arguments, sizeof(arguments), "%d", a);
    Record(name, arguments);
}

}  // namespace

#define GUN_EXPORT extern "C" __attribute__((visibility("default")))

GUN_EXPORT int GS_SetCalibrationMode(int mode, int flags) {
    Record2("GS_SetCalibrationMode", mode, flags);
    return 1;
}

GUN_EXPORT int GS_UnlockResolution() {
    Record("GS_UnlockResolution", "");
    return 1;
}

GUN_EXPORT int GS_SetResolutionRange(int width, int height) {
    Record2("GS_SetResolutionRange", width, height);
    return 1;
}

// Answers the low end for handheld 0 and the high end otherwise.
GUN_EXPORT int GS_GetHandheldRange(int which, int unused) {
    Record2("GS_GetHandheldRange", which, unused);
    return which == 0 ? g_rangeLow : g_rangeHigh;
}

GUN_EXPORT int GS_SetHandheldRange(int low, int high) {
    Record2("GS_SetHandheldRange", low, high);
    g_rangeLow = low;
    g_rangeHigh = high;
    return 1;
}

GUN_EXPORT int GS_GetHandheldMode(int which) {
    Record1("GS_GetHandheldMode", which);
    return g_mode;
}

GUN_EXPORT int GS_SetHandheldMode(int mode) {
    Record1("GS_SetHandheldMode", mode);
    g_mode = mode;
    return 1;
}

// Test side: the calls since the last clear, one line each.
GUN_EXPORT const char* TvGunCallLog() { return g_log.c_str(); }

GUN_EXPORT void TvGunClearLog() { g_log.clear(); }
