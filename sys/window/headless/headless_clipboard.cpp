#include "sys/window/headless/headless_clipboard.h"

#include <optional>

namespace sys::clipboard::headless {

namespace {

struct Clipboard {
    std::optional<std::string> text;
    bool unavailable = false;
};

Clipboard& TheClipboard() {
    static Clipboard clipboard;
    return clipboard;
}

}  // namespace

void Reset() { TheClipboard() = Clipboard{}; }

void SetUnavailable(bool unavailable) { TheClipboard().unavailable = unavailable; }

bool SetText(const std::string& text) {
    Clipboard& clipboard = TheClipboard();
    if (clipboard.unavailable) {
        return false;
    }
    clipboard.text = text;
    return true;
}

bool GetText(std::string& text) {
    const Clipboard& clipboard = TheClipboard();
    if (clipboard.unavailable || !clipboard.text) {
        return false;
    }
    text = *clipboard.text;
    return true;
}

}  // namespace sys::clipboard::headless
