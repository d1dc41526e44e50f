// BMP files through the bitmap's reader and writer: byte layouts worked out by hand, round trips
// at every depth, OS/2 and long headers, the refusals that keep the old picture, compiled-in
// bitmaps, and the archive form.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/Exceptions.h"
#include "ui/SDIB.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v);
    Put16(b, v >> 16);
}

// A Windows BMP: file header, a header of `headerSize` bytes (zeros after the first 40), the
// colour table, `gap` zero bytes, then the pixels; bfOffBits points at the pixels.
Bytes WindowsBmp(int32_t width, int32_t height, uint16_t bits, const Bytes& table, const Bytes& pixels,
                 uint32_t headerSize = 40, uint32_t compression = 0, uint32_t clrUsed = 0, uint32_t gap = 0) {
    Bytes b;
    const uint32_t offset = 14 + headerSize + static_cast<uint32_t>(table.size()) + gap;
    Put16(b, 0x4D42);
    Put32(b, offset + static_cast<uint32_t>(pixels.size()));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, headerSize);
    Put32(b, static_cast<uint32_t>(width));
    Put32(b, static_cast<uint32_t>(height));
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, compression);
    Put32(b, static_cast<uint32_t>(pixels.size()));
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, clrUsed);
    Put32(b, 0);
    b.resize(14 + headerSize, 0);
    b.insert(b.end(), table.begin(), table.end());
    b.resize(b.size() + gap, 0);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

bool Load(SDIB& dib, Bytes bytes) {
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()), 0);
    return dib.LoadFromCFile(&file);
}

Bytes Write(SDIB& dib) {
    CMemFile file(1024);
    EXPECT_TRUE(dib.WriteBMP(&file));
    const auto length = static_cast<size_t>(file.GetLength());
    uint8_t* raw = file.Detach();
    Bytes bytes(raw, raw + length);
    std::free(raw);
    return bytes;
}

uint32_t U32At(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// A 2 x 2 picture whose identity survives: the old picture refusals must keep.
void MakeMarker(SDIB& dib) {
    ASSERT_TRUE(dib.Create(2, 2));
    *dib.PixelAddress(1, 0) = 77;
}
void ExpectMarker(const SDIB& dib) {
    ASSERT_NE(dib.PixelAddress(1, 0), nullptr);
    EXPECT_EQ(*dib.PixelAddress(1, 0), 77);
}

TEST(DIBReadWriteTest, NewBitmapIsSixteenSquareGreyRamp) {
    SDIB dib;
    EXPECT_EQ(dib.GetWidth(), 16);
    EXPECT_EQ(dib.GetHeight(), 16);
    EXPECT_EQ(dib.GetBitCount(), 8);
    EXPECT_EQ(dib.GetColorCount(), 256);
    EXPECT_EQ(dib.GetTransparentIndex(), -1);
    EXPECT_EQ(dib.GetTransparentColorValue(), 0xFF00FFu);
    EXPECT_EQ(dib.GetTransparentColor(), 0xFF00FFu);  // no index: the colour value itself
    sys::RGBQUAD entry;
    ASSERT_TRUE(dib.GetColorTable(200, 1, &entry));
    EXPECT_EQ(entry.rgbRed, 200);
    EXPECT_EQ(entry.rgbBlue, 200);
}

TEST(DIBReadWriteTest, OneBitFileUsesThirtyTwoBitPaddedRows) {
    // 3 x 2 at 1 bit: the 3 bits of a row round up to one 4-byte word; 2 colours.
    SDIB dib;
    ASSERT_TRUE(Load(dib, WindowsBmp(3, 2, 1, {0, 0, 0, 0, 255, 255, 255, 0}, {0xA0, 0, 0, 0, 0x40, 0, 0, 0})));
    const Bytes out = Write(dib);
    ASSERT_EQ(out.size(), 14u + 40 + 8 + 8);
    EXPECT_EQ(U32At(out, 2), 70u);   // bfSize
    EXPECT_EQ(U32At(out, 10), 62u);  // bfOffBits
    EXPECT_EQ(out[62], 0xA0);
    EXPECT_EQ(out[66], 0x40);
}

TEST(DIBReadWriteTest, EveryDepthRoundTripsThroughTheWriter) {
    const struct {
        uint16_t bits;
        int width;
        size_t stride;
        size_t colours;
    } cases[] = {{1, 9, 4, 2}, {4, 5, 4, 16}, {8, 5, 8, 256}, {24, 3, 12, 0}};
    for (const auto& c : cases) {
        Bytes table;
        for (size_t i = 0; i < c.colours; ++i) {
            const auto v = static_cast<uint8_t>(i * 7);
            table.insert(table.end(), {v, static_cast<uint8_t>(v + 1), static_cast<uint8_t>(v + 2), 0});
        }
        Bytes pixels(c.stride * 3);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<uint8_t>(i * 37 + 11);
        const Bytes file = WindowsBmp(c.width, 3, c.bits, table, pixels);
        SDIB dib;
        ASSERT_TRUE(Load(dib, file)) << c.bits;
        EXPECT_EQ(Write(dib), file) << c.bits;
    }
}

TEST(DIBReadWriteTest, TwentyFourBitPixelsAnswerColourRefs) {
    // 1 x 2, rows bottom first: bottom (blue, green, red) = (1, 2, 3), top = (4, 5, 6).
    SDIB dib;
    ASSERT_TRUE(Load(dib, WindowsBmp(1, 2, 24, {}, {1, 2, 3, 0, 4, 5, 6, 0})));
    EXPECT_EQ(dib.GetPixel(0, 0), 0x040506u);
    EXPECT_EQ(dib.GetPixel(0, 1), 0x010203u);
    EXPECT_EQ(dib.GetPixel(0, 2), 0u);
    EXPECT_EQ(dib.GetPixel(-1, 0), 0u);
}

TEST(DIBReadWriteTest, OsTwoCoreHeaderLoadsAsWindowsBitmap) {
    Bytes b;
    Put16(b, 0x4D42);
    Put32(b, 14 + 12 + 6 + 4);
    Put32(b, 0);
    Put32(b, 14 + 12 + 6);
    Put32(b, 12);
    Put16(b, 2);  // width
    Put16(b, 1);  // height
    Put16(b, 1);
    Put16(b, 1);  // 1 bit: two 3-byte entries (blue, green, red)
    b.insert(b.end(), {10, 20, 30, 40, 50, 60});
    b.insert(b.end(), {0x40, 0, 0, 0});
    SDIB dib;
    ASSERT_TRUE(Load(dib, b));
    EXPECT_EQ(dib.GetWidth(), 2);
    EXPECT_EQ(dib.GetInfo()->bmiHeader.biSize, 40u);
    sys::PALETTEENTRY entries[2];
    ASSERT_TRUE(dib.GetPaletteEntries(0, 2, entries));
    EXPECT_EQ(entries[0], (sys::PALETTEENTRY{30, 20, 10, 0}));
    EXPECT_EQ(entries[1], (sys::PALETTEENTRY{60, 50, 40, 0}));
}

TEST(DIBReadWriteTest, LongHeaderIsSkippedAndPixelOffsetHonoured) {
    // A 124-byte header and 6 bytes between the colour table and the pixels.
    Bytes table(256 * 4, 0);
    table[5 * 4 + 2] = 0xEE;  // entry 5 red
    SDIB dib;
    ASSERT_TRUE(Load(dib, WindowsBmp(1, 1, 8, table, {5, 0, 0, 0}, 124, 0, 0, 6)));
    EXPECT_EQ(dib.GetPixel(0, 0), 0xEE0000u);  // table entry as stored: red in the third byte
}

TEST(DIBReadWriteTest, ColourCountIsCappedAtTwoHundredFiftySix) {
    Bytes table(256 * 4, 1);
    SDIB dib;
    ASSERT_TRUE(Load(dib, WindowsBmp(1, 1, 8, table, {0, 0, 0, 0}, 40, 0, 5000)));
    EXPECT_EQ(dib.GetColorCount(), 256);
}

TEST(DIBReadWriteTest, RefusedFilesKeepTheOldPicture) {
    const Bytes pixels8(4, 0);
    Bytes notBm = WindowsBmp(1, 1, 8, {}, pixels8);
    notBm[0] = 'X';
    Bytes truncated = WindowsBmp(4, 4, 8, {}, Bytes(16, 1));
    truncated.resize(truncated.size() - 1);
    const Bytes refused[] = {
        notBm,
        WindowsBmp(1, 1, 8, {}, pixels8, 20),      // header neither 12 nor 40 or more
        WindowsBmp(1, 1, 8, {}, pixels8, 40, 1),   // RLE8
        WindowsBmp(1, 1, 16, {}, pixels8),         // 16 bits
        WindowsBmp(1, 1, 32, {}, pixels8),         // 32 bits
        WindowsBmp(0, 1, 8, {}, pixels8),          // no width
        WindowsBmp(65536, 65536, 24, {}, pixels8), // rows the file does not hold
        WindowsBmp(4096, 4097, 8, {}, Bytes(4096 * 4097, 1)),  // more pixels than any picture
        truncated,
        Bytes{'B', 'M', 0},
    };
    for (size_t i = 0; i < std::size(refused); ++i) {
        SDIB dib;
        MakeMarker(dib);
        EXPECT_FALSE(Load(dib, refused[i])) << i;
        ExpectMarker(dib);
    }
    SDIB dib;
    MakeMarker(dib);
    EXPECT_FALSE(dib.LoadFromPath("no such folder/none.bmp"));
    ExpectMarker(dib);
    EXPECT_TRUE(Load(dib, WindowsBmp(4096, 4096, 8, {}, Bytes(SDIB::kMaxImageBytes, 1))));  // at the bound
}

TEST(DIBReadWriteTest, CompiledInBitmapsLoadOnlyAtEightBits) {
    static const int module = 0;
    // 40-byte header, 256 colours, one row of 2 pixels padded to 4; biSizeImage left 0.
    static Bytes eight = [] {
        Bytes b = WindowsBmp(2, 1, 8, Bytes(1024, 9), {3, 4, 0, 0});
        std::fill(b.begin() + 14 + 20, b.begin() + 14 + 24, 0);
        return Bytes(b.begin() + 14, b.end());
    }();
    static Bytes four = [] {
        Bytes b = WindowsBmp(2, 1, 4, Bytes(64, 9), {0x34, 0, 0, 0});
        return Bytes(b.begin() + 14, b.end());
    }();
    SDIB::RegisterBitmapResource(&module, 101, eight.data(), static_cast<uint32_t>(eight.size()));
    SDIB::RegisterBitmapResource(&module, 102, four.data(), static_cast<uint32_t>(four.size()));
    SDIB dib;
    ASSERT_TRUE(dib.LoadFromResource(101, &module));
    EXPECT_EQ(dib.GetInfo()->bmiHeader.biSizeImage, 4u);
    EXPECT_EQ(*dib.PixelAddress(1, 0), 4);
    // A stated image size smaller than the rows is not trusted: the bitmap writes what reads back.
    static Bytes understated = [] {
        Bytes b = eight;
        b[20] = 2;
        return b;
    }();
    SDIB::RegisterBitmapResource(&module, 104, understated.data(), static_cast<uint32_t>(understated.size()));
    ASSERT_TRUE(dib.LoadFromResource(104, &module));
    SDIB again;
    ASSERT_TRUE(Load(again, Write(dib)));
    EXPECT_EQ(*again.PixelAddress(1, 0), 4);
    EXPECT_FALSE(dib.LoadFromResource(102, &module));
    EXPECT_FALSE(dib.LoadFromResource(103, &module));
    EXPECT_EQ(dib.GetWidth(), 2);
}

TEST(DIBReadWriteTest, ArchiveRoundTripKeepsPictureAndFlags) {
    SDIB source;
    ASSERT_TRUE(source.Create(3, 2));
    *source.PixelAddress(2, 1) = 249;
    source.SetTransparentIndex(249);
    source.SetTransparentColorValue(0x123456);
    source.SetFlip(true);
    CMemFile file(1024);
    {
        CArchive ar(&file, CArchive::store);
        source.Serialize(ar);
        ar.Close();
    }
    file.SeekToBegin();
    SDIB copy;
    CArchive ar(&file, CArchive::load);
    copy.Serialize(ar);
    EXPECT_EQ(copy.GetWidth(), 3);
    EXPECT_EQ(copy.GetHeight(), 2);
    EXPECT_EQ(*copy.PixelAddress(2, 1), 249);
    EXPECT_EQ(copy.GetTransparentIndex(), 249);
    EXPECT_EQ(copy.GetTransparentColorValue(), 0x123456u);
    EXPECT_TRUE(copy.GetFlip());
    EXPECT_EQ(copy.GetTransparentColor(), sys::RGB(249, 249, 249));
    EXPECT_EQ(std::memcmp(copy.GetInfo(), source.GetInfo(), sizeof(sys::BITMAPINFO)), 0);
}

TEST(DIBReadWriteTest, ArchiveWithBrokenImageRaisesAndKeepsPicture) {
    Bytes b;
    Put32(b, 1);        // schema
    Put32(b, 5);        // transparent index
    Put32(b, 0);        // colour
    Put32(b, 0);        // flip
    Put32(b, 4);        // image length
    b.insert(b.end(), {'B', 'M', 0, 0});
    CMemFile file(b.data(), static_cast<unsigned>(b.size()), 0);
    CArchive ar(&file, CArchive::load);
    SDIB dib;
    MakeMarker(dib);
    EXPECT_THROW(dib.Serialize(ar), CArchiveException);
    ExpectMarker(dib);
    EXPECT_EQ(dib.GetTransparentIndex(), -1);
}

TEST(DIBReadWriteTest, ArchiveLengthPastTheDataIsRefusedBeforeAllocating) {
    Bytes b;
    for (uint32_t v : {1u, 0u, 0u, 0u, 0xFFFFFFF0u})
        Put32(b, v);
    CMemFile file(b.data(), static_cast<unsigned>(b.size()), 0);
    CArchive ar(&file, CArchive::load);
    SDIB dib;
    EXPECT_THROW(dib.Serialize(ar), CArchiveException);

    // A sound picture whose stored length, with bytes after it, passes what any picture takes
    // is refused unread, even with every byte there.
    for (uint64_t extra : {uint64_t{0}, SDIB::kMaxStoredBytes}) {
        Bytes image = WindowsBmp(4096, 4096, 8, Bytes(256 * 4, 0), Bytes(SDIB::kMaxImageBytes, 1));
        image.resize(extra == 0 ? image.size() : extra + 1, 0);
        Bytes stored;
        for (uint32_t v : {1u, 0u, 0u, 0u, static_cast<uint32_t>(image.size())})
            Put32(stored, v);
        stored.insert(stored.end(), image.begin(), image.end());
        CMemFile big(stored.data(), static_cast<unsigned>(stored.size()), 0);
        CArchive bigAr(&big, CArchive::load);
        if (extra == 0)
            EXPECT_NO_THROW(dib.Serialize(bigAr));
        else
            EXPECT_THROW(dib.Serialize(bigAr), CArchiveException);
    }
}

}  // namespace
