// Fuzz target of the font archive: any bytes as a ".fnt" file, then the same bytes laid out as
// text in a rectangle whose width the first byte picks. Nothing may crash, hang or allocate for
// bytes that are not there; the sheet is never looked for, so no file is touched.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sys/classlib/CMemFile.h"
#include "sys/classlib/Exceptions.h"
#include "ui/SFont.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) {
        return 0;
    }
    std::vector<uint8_t> bytes(data, data + size);
    SFont font;
    try {
        CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
        font.LoadFromCFile(&file);
    } catch (const CException&) {
    }
    // Whatever count was read, the cell arithmetic must not divide by it.
    font.GlyphLeft(95);
    font.GlyphTop(95);
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int width = size > 0 ? static_cast<int>(data[0]) - 16 : 0;
    const sys::RECT rect{0, 0, width, 200};
    sys::RECT calc = rect;
    font.DrawText(text.c_str(), &calc, 0x410, nullptr);
    char line[64];
    font.GetLine(text.c_str(), rect, 3, 0x10, line, sizeof line);
    font.CharFromLine(text.c_str(), rect, 2, 5, 0x10);
    return 0;
}
