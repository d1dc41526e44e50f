// Fuzz target of the BMP and TGA importer: any bytes as a picture. Nothing may crash or
// allocate for pictures the file cannot describe; every picture that decodes must resample,
// and import into a 16-bit and a palette format with their MIP levels built.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "assets/textures/STexImage.h"
#include "assets/textures/STexture2.h"
#include "sys/classlib/CMemFile.h"
#include "sys/process.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20)
        return 0;
    std::vector<uint8_t> bytes(data, data + size);
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()), 0);
    std::unique_ptr<STexImage> image = ReadImageFile(file);
    if (!image || static_cast<int64_t>(image->width) * image->height > 96 * 96)
        return 0;
    image->Resample(7, 5, "Catrom", "Bessel", 0, 255);

    static const std::string path = "/tmp/image_import_fuzz." + std::to_string(sys::process::CurrentId());
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
    for (const char* line : {"R5G6B5 16 0 2 5 6 5 0 11 5 0 0 31 63 31 0 ", "P8 1 8 1 0 0 0 8 0 0 0 0 0 0 0 255 "}) {
        STexture2 texture;
        STexFormat* format = STexFormat::Parse(line);
        if (!texture.ImportImage(path.c_str(), format)) {
            if (texture.GetFormat(0) != format)
                delete format;
            continue;
        }
        format->BuildMipLayersRGB("Gaussian", "Sinc");
        format->BuildMipLayersAlpha("Box", "Quadratic");
    }
    std::remove(path.c_str());
    return 0;
}
