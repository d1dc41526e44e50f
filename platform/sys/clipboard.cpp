#include "platform/sys/clipboard.h"

#include "platform/sys/backend.h"
#include "platform/sys/headless/HeadlessClipboard.h"
#include "platform/sys/sdl/SdlClipboard.h"

namespace sys::clipboard {

bool SetText(const std::string& text) {
    return CurrentBackend() == Backend::Sdl ? sdl::SetText(text) : headless::SetText(text);
}

bool GetText(std::string& text) {
    return CurrentBackend() == Backend::Sdl ? sdl::GetText(text) : headless::GetText(text);
}

}  // namespace sys::clipboard
