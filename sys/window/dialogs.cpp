#include "sys/window/dialogs.h"

#include "sys/backend.h"
#include "sys/window/headless/headless_dialogs.h"
#include "sys/window/sdl/sdl_dialogs.h"

namespace sys::dialogs {

std::vector<int> ButtonsOf(uint32_t type) {
    switch (type & 0xFu) {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    default:
        return {IDOK};
    }
}

int DefaultAnswer(uint32_t type) {
    const std::vector<int> buttons = ButtonsOf(type);
    const size_t index = (type >> 8) & 0xFu;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

int EscapeAnswer(uint32_t type) {
    const std::vector<int> buttons = ButtonsOf(type);
    for (const int button : buttons) {
        if (button == IDCANCEL) {
            return IDCANCEL;
        }
    }
    return buttons.size() == 1 ? buttons.front() : DefaultAnswer(type);
}

std::string ExpandTabs(const std::string& text) {
    constexpr size_t kTabStop = 8;
    std::string shown;
    size_t column = 0;
    for (const char c : text) {
        if (c == '\t') {
            const size_t blanks = kTabStop - column % kTabStop;
            shown.append(blanks, ' ');
            column += blanks;
            continue;
        }
        shown.push_back(c);
        column = c == '\n' ? 0 : column + 1;
    }
    return shown;
}

int MessageBox(const std::string& text, const std::string& caption, uint32_t type) {
    if (CurrentBackend() == Backend::Sdl) {
        return sdl::ShowMessageBox(text, caption, type);
    }
    return headless::Answer(text, caption, type);
}

}  // namespace sys::dialogs
