#include "sys/window/sdl/sdl_text.h"

#include <cstdint>

namespace sys::sdl {

std::string Latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return out;
}

std::string Utf8ToLatin1(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++i;
            continue;
        }
        size_t length = 0;
        uint32_t code = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
        }
        size_t taken = 1;
        bool valid = length != 0;
        while (valid && taken < length) {
            if (i + taken >= text.size() || (static_cast<uint8_t>(text[i + taken]) & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            code = (code << 6) | (static_cast<uint8_t>(text[i + taken]) & 0x3F);
            ++taken;
        }
        // Overlong forms of ASCII would smuggle control characters past a caller's checks.
        if (valid && code >= 0x80 && code <= 0xFF) {
            out.push_back(static_cast<char>(code));
        } else {
            out.push_back('?');
        }
        i += taken;
    }
    return out;
}

}  // namespace sys::sdl
