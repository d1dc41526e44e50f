#include "sys/window/clipboard.h"

#include "sys/backend.h"
#include "sys/window/headless/headless_clipboard.h"
#include "sys/window/sdl/sdl_clipboard.h"

namespace sys::clipboard {

bool SetText(const std::string& text) {
    return CurrentBackend() == Backend::Sdl ? sdl::SetText(text) : headless::SetText(text);
}

bool GetText(std::string& text) {
    return CurrentBackend() == Backend::Sdl ? sdl::GetText(text) : headless::GetText(text);
}

}  // namespace sys::clipboard
