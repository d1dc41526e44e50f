// Fuzz target of the "STEX" reader: any bytes as a texture file, read with and without its
// pixels. Nothing may crash or allocate for data the file does not hold, and every texture that
// reads must save, read back with the same formats, and survive format loads, hit tests and a
// resampling.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "assets/textures/STexture2.h"
#include "sys/classlib/CMemFile.h"

namespace {

void Exercise(STexture2& texture, CMemFile& file) {
    for (int16_t f = 0; f < texture.GetNumFormats(); ++f) {
        texture.LoadFormat(f, &file);
        STexFormat* format = texture.GetFormat(f);
        for (int16_t k = 0; k < format->GetMIPDepth(); ++k) {
            const int size = format->CopyLayerRGB(k, nullptr, 1);
            if (size > 0 && size <= (1 << 22)) {
                std::vector<uint8_t> pixels(static_cast<size_t>(size));
                format->CopyLayerRGB(k, pixels.data(), 1);
                format->SetLayerRGBA(k, pixels.data());
            }
            format->GetPixel(k, 0, 0);
            format->GetAlphaPixel(k, 1, 1);
        }
        format->MakeColorKeyAlpha();
    }
    texture.HitTestRegions(0.5f, 0.5f);

    CMemFile out;
    if (texture.SaveToStream(&out)) {
        out.SeekToBegin();
        STexture2 again;
        if (!again.LoadFromStream(&out, 1))
            std::abort();
    }
    if (texture.GetWidth() > 0 && texture.GetHeight() > 0 &&
        static_cast<int>(texture.GetWidth()) * texture.GetHeight() <= 128 * 128) {
        texture.ResampleFormat(texture.GetWidth() / 2 + 4, texture.GetHeight() + 3);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20)
        return 0;
    std::vector<uint8_t> bytes(data, data + size);
    for (int loadPixels : {0, 1}) {
        CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()), 0);
        STexture2 texture;
        texture.m_iRecordErrors = 1;
        if (texture.LoadFromStream(&file, loadPixels))
            Exercise(texture, file);
    }
    return 0;
}
