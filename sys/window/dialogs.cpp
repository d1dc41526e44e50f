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

int MessageBox(const std::string& text, const std::string& caption, uint32_t type) {
    if (CurrentBackend() == Backend::Sdl) {
        return sdl::ShowMessageBox(text, caption, type);
    }
    return headless::Answer(text, caption, type);
}

}  // namespace sys::dialogs
