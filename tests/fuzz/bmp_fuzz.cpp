// Fuzz target of the BMP reader: any bytes as a BMP file, as a compiled-in bitmap and inside a
// bitmap's archive form. Nothing may crash or allocate for rows that are not there, and every
// bitmap that reads must write out and read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/Exceptions.h"
#include "ui/SDIB.h"

namespace {

void Exercise(SDIB& dib) {
    const int width = dib.GetWidth();
    const int height = dib.GetHeight() < 0 ? -dib.GetHeight() : dib.GetHeight();
    dib.GetPixel(0, 0);
    dib.GetPixel(width - 1, height - 1);
    dib.GetPixel(width, height);
    dib.PixelAddress(width - 1, height - 1);
    sys::PALETTEENTRY entries[256];
    dib.GetPaletteEntries(0, 256, entries);
    SDIB target;
    dib.CopyRectTo(&target, 0, 0, 16, 16, 0, 0, 249);
    dib.CopyRectTo(&target, 0, 0, 4, 4, width - 4, height - 4, -1);

    CMemFile out(1024);
    if (!dib.WriteBMP(&out))
        std::abort();
    out.SeekToBegin();
    SDIB again;
    if (!again.LoadFromCFile(&out) || again.GetWidth() != dib.GetWidth())
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int module = 0;
    if (size > 1u << 20)
        return 0;
    std::vector<uint8_t> bytes(data, data + size);
    {
        CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()), 0);
        SDIB dib;
        if (dib.LoadFromCFile(&file))
            Exercise(dib);
    }
    if (size > 14) {
        SDIB::RegisterBitmapResource(&module, 1, data + 14, static_cast<uint32_t>(size - 14));
        SDIB dib;
        if (dib.LoadFromResource(1, &module))
            Exercise(dib);
        SDIB::RegisterBitmapResource(&module, 1, nullptr, 0);
    }
    {
        // The archive form: schema, transparent index, colour, flip, then the image's length.
        std::vector<uint8_t> archive = {1, 0, 0, 0, 249, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0};
        for (int i = 0; i < 4; ++i)
            archive.push_back(static_cast<uint8_t>(size >> (8 * i)));
        archive.insert(archive.end(), bytes.begin(), bytes.end());
        CMemFile file(archive.data(), static_cast<unsigned>(archive.size()), 0);
        CArchive ar(&file, CArchive::load);
        SDIB dib;
        try {
            dib.Serialize(ar);
        } catch (CException&) {
        }
    }
    return 0;
}
