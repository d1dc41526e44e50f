#pragma once

// The seed corpora of the texture fuzz targets: "STEX" files written by the container's own
// writer (one format, two formats with alpha, a palette format, one cut short) and BMP and TGA
// pictures at every depth the importer takes.

#include <string>
#include <utility>
#include <vector>

#include "tests/assets/textures/TextureTestSupport.h"

namespace tarvex::test {

using Seeds = std::vector<std::pair<std::string, Bytes>>;

inline Seeds StexSeeds(const std::string& folder) {
    Seeds seeds;
    {
        STexture2 texture;
        ImportBmp(texture, folder, 8, 4, kRGB565);
        texture.SetTag("UpFilter", "Box");
        texture.SetTag("DownFilter", "Catrom");
        auto* region = new STexRegion;
        region->AddPoint(0, 0);
        region->AddPoint(8, 0);
        region->AddPoint(0, 4);
        region->SetTag("TXT-Hit", "head");
        texture.AddRegion(region);
        seeds.emplace_back("rgb565_8x4.stx", SaveToMemory(texture));
        texture.AddFormat(STexFormat::Parse(kARGB4444));
        texture.GetFormat(1)->SetTag("Kind", "alpha");
        const Bytes two = SaveToMemory(texture);
        seeds.emplace_back("two_formats.stx", two);
        seeds.emplace_back("cut_short.stx", Bytes(two.begin(), two.begin() + two.size() / 2));
    }
    {
        STexture2 texture;
        ImportBmp(texture, folder, 16, 16, kPalette8, 8);
        texture.GetFormat(0)->BuildMipLayersRGB("Box", "Triangle");
        seeds.emplace_back("palette_16x16.stx", SaveToMemory(texture));
    }
    return seeds;
}

inline Seeds ImageSeeds() {
    Seeds seeds = {
        {"rgb_5x3.bmp", MakeBmp(5, 3, 24)},
        {"rgba_4x4.bmp", MakeBmp(4, 4, 32)},
        {"indexed_6x5.bmp", MakeBmp(6, 5, 8)},
        {"indexed_16colours.bmp", MakeBmp(4, 4, 8, 16)},
    };
    Bytes pixels;
    for (int i = 0; i < 16; ++i)
        pixels.insert(pixels.end(), {static_cast<uint8_t>(i * 16), 0x40, static_cast<uint8_t>(255 - i), 0x80});
    seeds.emplace_back("true_4x4_32.tga", MakeTga(2, 4, 4, 32, 0x20, pixels));
    seeds.emplace_back("true_4x4_16.tga", MakeTga(2, 4, 4, 16, 0, Bytes(pixels.begin(), pixels.begin() + 32)));
    seeds.emplace_back("rle_4x4_24.tga", MakeTga(10, 4, 4, 24, 0, Bytes{0x87, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0x84, 9, 9, 9}));
    return seeds;
}

}  // namespace tarvex::test
