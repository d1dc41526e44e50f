#include "sys/window/sdl/sdl_dialogs.h"

#include <SDL.h>

#include <cstdio>
#include <vector>

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

}  // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t type) {
    const std::vector<int> answers = ButtonsOf(type);
    const int defaultAnswer = DefaultAnswer(type);
    const int escapeAnswer = EscapeAnswer(type);

    std::vector<SDL_MessageBoxButtonData> buttons;
    for (const int answer : answers) {
        Uint32 flags = 0;
        flags |= answer == defaultAnswer ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0;
        flags |= answer == escapeAnswer ? SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT : 0;
        buttons.push_back(SDL_MessageBoxButtonData{flags, answer, LabelOf(answer)});
    }
    const std::string title = sys::sdl::Latin1ToUtf8(caption);
    const std::string message = sys::sdl::Latin1ToUtf8(ExpandTabs(text));
    std::fprintf(stderr, "%s: %s\n", title.c_str(), message.c_str());
    std::fflush(stderr);
    const SDL_MessageBoxData box{IconFlags(type) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
                                 sys::window::sdl::NativeWindow(),
                                 title.c_str(),
                                 message.c_str(),
                                 static_cast<int>(buttons.size()),
                                 buttons.data(),
                                 nullptr};
    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) != 0) {
        return defaultAnswer;
    }
    // Closing the box without a button is Escape.
    return chosen < 0 ? escapeAnswer : chosen;
}

}  // namespace sys::dialogs::sdl
