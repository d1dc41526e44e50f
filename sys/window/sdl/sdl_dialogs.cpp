#include "sys/window/sdl/sdl_dialogs.h"

#include <SDL.h>
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "sys/signals.h"
#include "sys/window/dialogs.h"
#include "sys/window/sdl/sdl_text.h"
#include "sys/window/sdl/sdl_window.h"

namespace sys::dialogs::sdl {

namespace {

const char* LabelOf(int answer) {
    switch (answer) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    default:
        return "?";
    }
}

Uint32 IconFlags(uint32_t type) {
    switch (type & 0xF0u) {
    case MB_ICONHAND:
        return SDL_MESSAGEBOX_ERROR;
    case MB_ICONEXCLAMATION:
        return SDL_MESSAGEBOX_WARNING;
    default:
        return SDL_MESSAGEBOX_INFORMATION;
    }
}

// A termination request stays pending for the message pump, which closes the game. One the
// pump already took has the game closing: a box of its shut-down is not waited for either.
bool CloseRequested() {
    if (!sys::signals::TakeCloseRequest()) {
        return sys::signals::IsClosing();
    }
    sys::signals::RequestClose();
    return true;
}

// The processes this one started and that still run.
std::vector<pid_t> ChildProcesses() {
    std::vector<pid_t> children;
    const pid_t self = getpid();
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        return children;
    }
    while (const dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0') {
            continue;
        }
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        std::getline(stat, line);
        // The parent follows the state, after the name in brackets, which may hold anything.
        const size_t nameEnd = line.rfind(')');
        if (nameEnd == std::string::npos) {
            continue;
        }
        std::istringstream rest(line.substr(nameEnd + 1));
        char state = 0;
        long parent = 0;
        if (rest >> state >> parent && parent == self) {
            children.push_back(static_cast<pid_t>(pid));
        }
    }
    closedir(proc);
    return children;
}

void EndProcessesSince(const std::vector<pid_t>& before) {
    for (const pid_t child : ChildProcesses()) {
        if (std::find(before.begin(), before.end(), child) == before.end()) {
            kill(child, SIGKILL);
        }
    }
}

// SDL shows its box in a process of its own (or a helper program) and waits for it, deaf to
// our signals. So the box runs on a thread, which owns all it uses, and a termination request
// ends the processes that appeared with it; SDL's wait then returns.
struct RunningBox {
    SDL_MessageBoxData data{};
    std::string title;
    std::string message;
    std::vector<SDL_MessageBoxButtonData> buttons;
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    int result = -1;
    int chosen = -1;
};

// SDL's answer (0 when a button was chosen), or -1 when a termination request ended the box.
int RunBox(const std::shared_ptr<RunningBox>& box, int& chosen) {
    const std::vector<pid_t> before = ChildProcesses();
    std::thread([box] {
        int answer = -1;
        const int result = SDL_ShowMessageBox(&box->data, &answer);
        // SDL keeps its error text per thread and frees it only for threads it made itself.
        SDL_TLSCleanup();
        const std::lock_guard<std::mutex> hold(box->lock);
        box->result = result;
        box->chosen = answer;
        box->done = true;
        box->finished.notify_all();
    }).detach();
    std::unique_lock<std::mutex> hold(box->lock);
    const auto done = [&box] { return box->done; };
    while (!box->finished.wait_for(hold, std::chrono::milliseconds(50), done)) {
        if (!CloseRequested()) {
            continue;
        }
        // Tried for a second, as SDL may not have started the box's process yet; a box that
        // cannot be ended is left to its thread.
        for (int tries = 0; tries < 40 && !box->done; ++tries) {
            hold.unlock();
            EndProcessesSince(before);
            hold.lock();
            box->finished.wait_for(hold, std::chrono::milliseconds(25), done);
        }
        return -1;
    }
    chosen = box->chosen;
    return box->result;
}

}  // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t type) {
    const std::vector<int> answers = ButtonsOf(type);
    const int defaultAnswer = DefaultAnswer(type);
    const int escapeAnswer = EscapeAnswer(type);

    auto box = std::make_shared<RunningBox>();
    for (const int answer : answers) {
        Uint32 flags = 0;
        flags |= answer == defaultAnswer ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0;
        flags |= answer == escapeAnswer ? SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT : 0;
        box->buttons.push_back(SDL_MessageBoxButtonData{flags, answer, LabelOf(answer)});
    }
    box->title = sys::sdl::Latin1ToUtf8(caption);
    box->message = sys::sdl::Latin1ToUtf8(ExpandTabs(text));
    std::fprintf(stderr, "%s: %s\n", box->title.c_str(), box->message.c_str());
    std::fflush(stderr);
    // Whoever asked the program to stop is not kept waiting for a click: the box ends as
    // closing it does, as it does when the request comes while it is shown.
    if (CloseRequested()) {
        return escapeAnswer;
    }
    box->data = SDL_MessageBoxData{IconFlags(type) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
                                   sys::window::sdl::NativeWindow(),
                                   box->title.c_str(),
                                   box->message.c_str(),
                                   static_cast<int>(box->buttons.size()),
                                   box->buttons.data(),
                                   nullptr};
    int chosen = -1;
    if (RunBox(box, chosen) != 0) {
        return CloseRequested() ? escapeAnswer : defaultAnswer;
    }
    // Closing the box without a button is Escape.
    return chosen < 0 ? escapeAnswer : chosen;
}

}  // namespace sys::dialogs::sdl
