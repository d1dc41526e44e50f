#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "assets/textures/STexture2.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/CMemFile.h"
#include "tests/assets/textures/TextureTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace {

using namespace tarvex::test;

uint32_t Field(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

class StexFileTest : public testing::Test {
protected:
    void SetUp() override { folder_ = MakeScratchFolder("assets-scratch"); }

    // An 8 x 4 RGB565 texture with one tag and one triangular region tagged "a" = "b".
    void MakeSmall(STexture2& texture) {
        ASSERT_TRUE(ImportBmp(texture, folder_, 8, 4, kRGB565));
        texture.SetTag("UpFilter", "Box");
        auto* region = new STexRegion;
        region->AddPoint(0, 0);
        region->AddPoint(8, 0);
        region->AddPoint(0, 4);
        region->SetTag("a", "b");
        texture.AddRegion(region);
    }

    std::string Path(const char* name) const { return folder_ + "/" + name; }

    std::string folder_;
};

TEST_F(StexFileTest, WritesTheStoredLayout) {
    STexture2 texture;
    MakeSmall(texture);
    const Bytes bytes = SaveToMemory(texture);
    // Header, then the tag (4 + 8 + 3), the region (6 + 3 points of 8 + tag 4 + 1 + 1), the
    // format record (1116 + "R5G6B5" + one layer record of 36) and 4 rows of 16 bytes.
    const size_t pixelsAt = 40 + 15 + 36 + 1116 + 6 + 36;
    ASSERT_EQ(bytes.size(), pixelsAt + 64);
    EXPECT_EQ(std::memcmp(bytes.data(), "STEX", 4), 0);
    const uint32_t header[] = {1, 0, 1, 8, 4, 1, 0, 1, 1};
    for (size_t i = 0; i < std::size(header); ++i)
        EXPECT_EQ(Field(bytes, 4 + 4 * i), header[i]) << "header field " << i + 1;
    EXPECT_EQ(bytes[40], 8);  // tag name length
    EXPECT_EQ(std::string(bytes.begin() + 42, bytes.begin() + 50), "UpFilter");
    const size_t format = 40 + 15 + 36;
    EXPECT_EQ(bytes[format], 6);
    const size_t description = format + 2 + 6;
    const uint32_t fields[22] = {8, 4, 16, 0, 2, 1, 1, 5, 6, 5, 0, 0, 5, 11, 0, 31, 63, 31, 0, 0xFFFFFFFF, 0, 255};
    for (int i = 0; i < 22; ++i)
        EXPECT_EQ(Field(bytes, description + 4 * i), fields[i]) << "description field " << i + 1;
    const size_t layer = description + 88 + 1024 + 2;
    const uint32_t record[9] = {8, 4, 16, 1, 0, 0, 0, static_cast<uint32_t>(pixelsAt), 0xFFFFFFFF};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(Field(bytes, layer + 4 * i), record[i]) << "layer field " << i + 1;
    // Pixel (1, 0) of the picture packed into 16 bits, little-endian.
    const uint32_t p = PatternPixel(1, 0);
    const uint32_t packed = (((p >> 16) & 0xFF) >> 3 << 11) | (((p >> 8) & 0xFF) >> 2 << 5) | ((p & 0xFF) >> 3);
    EXPECT_EQ(bytes[pixelsAt + 2] | (bytes[pixelsAt + 3] << 8), packed);
}

TEST_F(StexFileTest, RoundTripsLazily) {
    STexture2 texture;
    MakeSmall(texture);
    STexFormat* alpha = STexFormat::Parse(kARGB4444);
    ASSERT_EQ(texture.AddFormat(alpha), 1);
    alpha->SetPixel(0, 7, 3, 0x00FF0000);
    alpha->SetAlphaPixel(0, 7, 3, 0x80);
    ASSERT_EQ(texture.Save(Path("small.stx").c_str()), 1);

    STexture2 again;
    ASSERT_EQ(again.Load(Path("small.stx").c_str(), 0), 1);
    ASSERT_EQ(again.GetNumFormats(), 2);
    EXPECT_EQ(again.GetWidth(), 8);
    EXPECT_EQ(again.GetTagString("UpFilter", ""), "Box");
    ASSERT_EQ(again.GetNumRegions(), 1);
    EXPECT_EQ(again.GetRegion(0)->GetTagString("a", ""), "b");
    EXPECT_EQ(again.GetRegion(0)->Contains(1, 1), 1);
    EXPECT_FALSE(again.GetFormat(1)->GetLayer(0)->hasRGB);
    ASSERT_EQ(again.LoadFormat(1, nullptr), 1);
    EXPECT_EQ(again.GetFormat(1)->GetPixel(0, 7, 3), 0x00FF0000u);
    EXPECT_EQ(again.GetFormat(1)->GetAlphaPixel(0, 7, 3), 0x88);
    ASSERT_EQ(again.LoadFormat(0, nullptr), 1);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(again.GetFormat(0)->GetPixel(0, x, 2), texture.GetFormat(0)->GetPixel(0, x, 2));

    // A container read from a file opened elsewhere reloads from that file's full path, and
    // one saved elsewhere from the new file.
    STexture2 streamed;
    CFile file(Path("small.stx").c_str(), CFile::modeRead | CFile::typeBinary);
    ASSERT_EQ(streamed.LoadFromStream(&file, 1), 1);
    file.Close();
    EXPECT_EQ(streamed.GetFilePath(), Path("small.stx").c_str());
    streamed.GetFormat(0)->SetPixel(0, 0, 0, 0x00FFFFFF);
    ASSERT_EQ(streamed.Save(Path("moved.stx").c_str()), 1);
    std::filesystem::remove(Path("small.stx"));
    streamed.UnloadFormat(0);
    ASSERT_EQ(streamed.LoadFormat(0, nullptr), 1);
    EXPECT_EQ(streamed.GetFormat(0)->GetPixel(0, 0, 0), 0x00FFFFFFu);
}

TEST_F(StexFileTest, SavesOnlyCompleteFormatsAndNeverDestroysAFile) {
    STexture2 texture;
    texture.m_iRecordErrors = 1;
    MakeSmall(texture);
    ASSERT_EQ(texture.AddFormat(STexFormat::Parse(kARGB4444)), 1);
    texture.GetFormat(1)->GetLayer(0)->FreeAlpha();
    const Bytes one = SaveToMemory(texture);
    EXPECT_EQ(Field(one, 12), 1u);

    WriteFile(Path("keep.stx"), Bytes{1, 2, 3});
    texture.UnloadFormat(0);
    EXPECT_EQ(texture.Save(Path("keep.stx").c_str()), 0);
    EXPECT_EQ(texture.GetLastError(), "Texture has no formats");
    EXPECT_EQ(ReadFile(Path("keep.stx")), (Bytes{1, 2, 3}));
    EXPECT_EQ(texture.Save(Path("fresh.stx").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(Path("fresh.stx")));
    EXPECT_EQ(texture.Save(Path("no/folder.stx").c_str()), 0);
}

TEST_F(StexFileTest, AddsFormatsOnlyToInitializedTextures) {
    STexture2 fresh;
    fresh.m_iRecordErrors = 1;
    STexFormat* format = STexFormat::Parse(kARGB4444);
    EXPECT_EQ(fresh.AddFormat(format), 0);
    EXPECT_EQ(fresh.GetLastError(), "Texture isn't initialized");
    EXPECT_EQ(fresh.AddFormat(nullptr), 0);
    EXPECT_EQ(fresh.GetLastError(), "Format is NULL");

    STexture2 texture;
    texture.m_iRecordErrors = 1;
    ASSERT_TRUE(ImportBmp(texture, folder_, 16, 8, kRGB565));
    ASSERT_EQ(texture.AddFormat(format), 1);  // now the texture's
    EXPECT_EQ(format->GetMIPDepth(), 2);
    EXPECT_EQ(format->GetPixel(1, 7, 3), 0u);
    EXPECT_EQ(format->GetAlphaPixel(1, 7, 3), 255);
    std::unique_ptr<STexFormat> twin(STexFormat::Parse(kARGB4444));
    EXPECT_EQ(texture.AddFormat(twin.get()), 0);
    EXPECT_EQ(texture.GetLastError(), "Format already exists");
    EXPECT_EQ(texture.FindFormat(twin.get()), 1);
}

TEST_F(StexFileTest, RefusesDamagedFiles) {
    STexture2 source;
    MakeSmall(source);
    ASSERT_EQ(source.AddFormat(STexFormat::Parse(kARGB4444)), 1);
    const Bytes good = SaveToMemory(source);
    const size_t format = 40 + 15 + 36;
    const size_t description = format + 8;
    const size_t layer = description + 88 + 1024 + 2;

    auto patched = [&](size_t at, uint32_t value, int size = 4) {
        Bytes b = good;
        for (int i = 0; i < size; ++i)
            b[at + i] = static_cast<uint8_t>(value >> (8 * i));
        return b;
    };
    // Format f (0 or 1) resized to `width` x `height` at 2 bytes a pixel, its colour and alpha
    // at the given offsets.
    auto sized = [&](Bytes b, int f, uint32_t width, uint32_t height, uint32_t rgbAt, uint32_t alphaAt) {
        const size_t d = description + 1160 * f, l = layer + 1160 * f;
        for (const auto& [at, value] : {std::pair{d, width}, {d + 4, height}, {l, width}, {l + 4, height},
                                        {l + 8, 2 * width}, {l + 28, rgbAt}, {l + 32, alphaAt}})
            for (int i = 0; i < 4; ++i)
                b[at + i] = static_cast<uint8_t>(value >> (8 * i));
        return b;
    };
    const uint32_t pixelsAt = Field(good, layer + 28);
    // The first format grown to 4096 wide and `height` rows, all in the file.
    auto grown = [&](uint32_t height) {
        Bytes b = sized(good, 0, 4096, height, pixelsAt, ~0u);
        b.resize(pixelsAt + 8192 * static_cast<size_t>(height));
        return b;
    };
    struct Case {
        const char* what;
        Bytes bytes;
        const char* error;
    };
    const Case cases[] = {
        {"formats naming the same bytes, more than the file holds", sized(grown(4096), 1, 4096, 4096, pixelsAt, pixelsAt),
         "Unable to load from data source"},
        {"magic", patched(0, 0x58455453 + 1), "Filename is not an STexture2 stream"},
        {"version", patched(4, 2), "Filename is not supported STexture2 version"},
        {"revision", patched(8, 1), "Filename is not supported STexture2 revision"},
        {"negative format count", patched(12, 0xFFFF), "Unable to load from data source"},
        {"format count past the file", patched(12, 3), "Unable to load from data source"},
        {"name of 9000 bytes", patched(28, 9000), "Unable to load from data source"},
        {"tag value longer than the file", patched(50, 0xFFFF, 2), "Unable to load from data source"},
        {"bytes per pixel 0", patched(description + 16, 0), "Unable to load from data source"},
        {"bytes per pixel 5", patched(description + 16, 5), "Unable to load from data source"},
        {"red 9 bits wide", patched(description + 36, 9), "Unable to load from data source"},
        {"layer wider than the format", patched(layer, 9), "Unable to load from data source"},
        {"pitch below a row", patched(layer + 8, 15), "Unable to load from data source"},
        {"offset past the end", patched(layer + 28, static_cast<uint32_t>(good.size() - 63)),
         "Unable to load from data source"},
        {"depth 40", patched(description + 20, 40), "Unable to load from data source"},
    };
    for (const Case& c : cases) {
        for (int loadPixels : {0, 1}) {
            STexture2 texture;
            texture.m_iRecordErrors = 1;
            MakeSmall(texture);
            CMemFile file(const_cast<uint8_t*>(c.bytes.data()), static_cast<unsigned>(c.bytes.size()));
            EXPECT_EQ(texture.LoadFromStream(&file, loadPixels), 0) << c.what;
            EXPECT_EQ(texture.GetLastError(), c.error) << c.what;
            const bool headerRefused = std::strcmp(c.error, "Unable to load from data source") != 0;
            // A refused header keeps the texture; a damaged body leaves it empty and unsized.
            EXPECT_EQ(texture.GetNumFormats(), headerRefused ? 1 : 0) << c.what;
            EXPECT_EQ(texture.GetNumRegions(), headerRefused ? 1 : 0) << c.what;
            EXPECT_EQ(texture.GetWidth(), headerRefused ? 8 : -1) << c.what;
        }
    }
    // What the writer makes of a 2048 x 2048 picture in three formats (56 MB) reads, lazily or
    // not, as does a format grown to 32 MiB; formats naming more than any file of the writer
    // holds (2.7 GB, sparse), none sharing bytes, do not.
    STexture2 large;
    ASSERT_TRUE(ImportBmp(large, folder_, 2048, 2048, kRGB565));
    ASSERT_EQ(large.AddFormat(STexFormat::Parse(kARGB8888)), 1);
    ASSERT_EQ(large.AddFormat(STexFormat::Parse(kARGB4444)), 1);
    ASSERT_EQ(large.Save(Path("large.stx").c_str()), 1);
    WriteFile(Path("under.stx"), grown(4095));
    const uint32_t rgb = 32764u * 32767, alpha = 16382u * 32767;
    Bytes vast = sized(sized(good, 0, 16382, 32767, pixelsAt, ~0u), 1, 16382, 32767, pixelsAt + rgb + alpha, pixelsAt + rgb);
    vast.resize(pixelsAt);
    WriteFile(Path("vast.stx"), vast);
    std::filesystem::resize_file(Path("vast.stx"), uint64_t{pixelsAt} + 2 * rgb + alpha);
    for (const auto& [name, loads] : {std::pair{"large.stx", 1}, {"under.stx", 1}, {"vast.stx", 0}})
        for (int loadPixels : {0, 1})
            EXPECT_EQ(STexture2().Load(Path(name).c_str(), loadPixels), loads) << name << loadPixels;
    std::filesystem::remove(Path("vast.stx"));

    // Every file cut short fails; with lazy pixels the offsets still must lie in the file.
    for (size_t length = 0; length < good.size(); ++length) {
        Bytes cut(good.begin(), good.begin() + length);
        STexture2 texture;
        CMemFile file(cut.data(), static_cast<unsigned>(cut.size()));
        ASSERT_EQ(texture.LoadFromStream(&file, 0), 0) << length;
        ASSERT_EQ(texture.GetNumFormats(), 0) << length;
    }
    // The last byte of pixels is read only when pixels are asked for: a file that shrank after
    // a lazy load makes the format load fail and stay unloaded.
    WriteFile(Path("shrinks.stx"), good);
    STexture2 lazy;
    ASSERT_EQ(lazy.Load(Path("shrinks.stx").c_str(), 0), 1);
    WriteFile(Path("shrinks.stx"), Bytes(good.begin(), good.end() - 1));
    EXPECT_EQ(lazy.LoadFormat(1, nullptr), 0);
    EXPECT_FALSE(lazy.GetFormat(1)->GetLayer(0)->hasRGB);
    EXPECT_EQ(lazy.LoadFormat(0, nullptr), 1);
    EXPECT_EQ(lazy.LoadFormat(2, nullptr), 0);
}

}  // namespace
