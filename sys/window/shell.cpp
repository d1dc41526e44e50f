#include "sys/window/shell.h"

#include <mutex>

namespace sys::window {

namespace {

std::mutex g_mutex;
std::vector<ShellRequest> g_requests;

std::string Text(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

int ShellExecute(HWND hwnd, const char* operation, const char* file, const char* parameters, const char* directory,
                 int show) {
    (void)hwnd;
    (void)directory;
    (void)show;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_requests.push_back({Text(operation), Text(file), Text(parameters)});
    return SE_ERR_FNF;
}

std::vector<ShellRequest> ShellRequests() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_requests;
}

void ClearShellRequests() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_requests.clear();
}

}  // namespace sys::window
