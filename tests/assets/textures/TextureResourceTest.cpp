// The 8-bit texture resource: its archive schemas, load by name, cloning and the level counts
// it builds.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "assets/textures/STexture.h"
#include "sys/classlib/CStringList.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/ScratchFolder.h"

namespace {

using tarvex::test::Bytes;
using tarvex::test::LoadArchive;
using tarvex::test::StoreArchive;

// A texture archive of an older or current schema written field by field.
Bytes StoredTexture(uint32_t schema, int16_t keyIndex, int32_t flags = 0x4000000, int32_t extra = 12) {
    return StoreArchive([&](CArchive& ar) {
        ar << schema;
        for (int i = 0; i < 768; ++i)
            ar << static_cast<uint8_t>(i % 251);
        ar << uint32_t{3} << uint32_t{64} << uint32_t{32} << uint32_t{5};
        ar << CString("label") << uint32_t{77} << uint8_t{1} << uint8_t{2} << uint8_t{3};
        ar << 2.0f << 3.0f << 4.0f;
        ar << uint32_t{1} << CString("pack.mip");
        ar << 5.0f << 6.0f << 7.0f << 8.0f << 9.0f << 10.0f;
        ar << int32_t{1040};
        if (schema >= 3)
            ar << keyIndex;
        if (schema >= 4)
            ar << flags << extra;
        CStringList names;
        names.AddTail(CString("a.bmp"));
        names.Serialize(ar);
    });
}

TEST(TextureArchive, ReadsSchemasTwoToFourAndWritesFour) {
    struct Case {
        uint32_t schema;
        int16_t storedKey;
        int16_t key;
        int32_t flags;
    };
    const Case cases[] = {{2, 0, 253, 0}, {3, 17, 17, 0}, {3, -5, -1, 0}, {4, 40, 40, 0x4000000}};
    for (const Case& c : cases) {
        STexture texture;
        LoadArchive(StoredTexture(c.schema, c.storedKey), [&](CArchive& ar) { texture.Serialize(ar); });
        EXPECT_EQ(texture.m_iKeyIndex, c.key) << c.schema;
        EXPECT_EQ(texture.m_iFlags, c.flags) << c.schema;
        EXPECT_EQ(texture.GetSchemaWord(), 4u) << c.schema;
        EXPECT_EQ(texture.m_iWidth, 64);
        EXPECT_EQ(texture.m_iPaletteGroup, 5);
        EXPECT_EQ(texture.m_Palette[1][2], 5);  // byte 5 of the stored triples
        EXPECT_EQ(texture.m_Palette[1][3], 0);
        EXPECT_EQ(texture.m_strLabel, CString("label"));
        EXPECT_EQ(texture.m_fPairA[0], 7.0f);
        EXPECT_EQ(texture.m_fPairB[1], 9.0f);  // pair B is stored second value first
        EXPECT_EQ(texture.m_fPairB[0], 10.0f);
        EXPECT_EQ(texture.m_iPackOffset, 1040);
        ASSERT_EQ(texture.GetFileNames().GetCount(), 1);

        // Stored back in schema 4: identical to a schema-4 archive of the same values.
        const Bytes again = StoreArchive([&](CArchive& ar) { texture.Serialize(ar); });
        EXPECT_EQ(again, StoredTexture(4, c.key, c.flags, c.schema == 4 ? 12 : 0)) << c.schema;
    }
    STexture texture;
    Bytes future = StoredTexture(4, 0);
    future[0] = 5;
    EXPECT_THROW(LoadArchive(future, [&](CArchive& ar) { texture.Serialize(ar); }), CArchiveException);
}

TEST(TextureResource, LoadByNameAndClone) {
    const std::string folder = tarvex::test::MakeScratchFolder("assets-scratch");
    std::fclose(std::fopen((folder + "/wall.bmp").c_str(), "wb"));

    STexture texture;
    texture.m_iHardware = 1;
    EXPECT_FALSE(texture.LoadFromFile(CString(folder.c_str()), 0));
    EXPECT_EQ(texture.m_iHardware, 0);
    EXPECT_TRUE(texture.GetFolder().IsEmpty());

    texture.AddFileName("missing.bmp");
    CStringArray folders;
    folders.Add(CString(folder.c_str()));
    EXPECT_FALSE(texture.LoadFromMemory(&folders, 0));  // the load's own result
    EXPECT_FALSE(texture.LoadFromMemory(nullptr, 0));

    STexture found;
    found.AddFileName("wall.bmp");
    found.AddFileName("wall2.bmp");
    EXPECT_TRUE(found.LoadFromMemory(&folders, 0));
    EXPECT_EQ(found.GetFolder(), CString(folder.c_str()));

    found.m_iLevelCount = 6;
    found.m_iKeyIndex = 9;
    found.m_iHardware = 1;
    found.m_iFlags = 3;
    auto* copy = dynamic_cast<STexture*>(found.Clone(nullptr));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetFileNames().GetCount(), 2);
    EXPECT_EQ(copy->m_iLevelCount, 6);
    EXPECT_EQ(copy->m_iKeyIndex, 9);
    EXPECT_EQ(copy->m_iFlags, 3);
    EXPECT_EQ(copy->m_iHardware, 0);
    EXPECT_EQ(copy->GetFolder(), CString(folder.c_str()));
    delete copy;
    SResource other;
    EXPECT_EQ(found.Clone(&other), &other);
}

TEST(TextureBuild, LevelCounts) {
    const int counts[][3] = {{256, 256, 7}, {256, 64, 5}, {4, 4, 1}, {3, 8, 0}, {8, 3, 0}, {512, 8, 2}};
    for (const auto& c : counts)
        EXPECT_EQ(STexture::CountMipLevels(c[0], c[1]), c[2]) << c[0] << "x" << c[1];
}

}  // namespace
