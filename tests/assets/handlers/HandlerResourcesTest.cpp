// The handler resources: the texture list, the file list and the model loader, their archives,
// where they search, and the asset kinds the factory makes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "assets/AssetResourceKinds.h"
#include "assets/handlers/SFileHandler.h"
#include "assets/handlers/STextureHandler.h"
#include "assets/models/SMesh.h"
#include "assets/models/SModel.h"
#include "assets/textures/STexture.h"
#include "core/SDataCollection.h"
#include "core/SResourceFactory.h"
#include "sys/classlib/Exceptions.h"
#include "sys/window/headless/headless_dialogs.h"
#include "tests/assets/textures/TextureTestSupport.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/ScratchFolder.h"

namespace {

using namespace tarvex::test;

TEST(TextureHandler, EntriesAndTheirIndexes) {
    STextureHandler handler;
    ASSERT_EQ(handler.GetEntryCount(), 1);
    uint32_t a1 = 0, a2 = 0;
    float b1 = 0, b2 = 0;
    ASSERT_TRUE(handler.GetEntryParamsA(-1, &a1, &a2));
    ASSERT_TRUE(handler.GetEntryParamsB(0, &b1, &b2));
    EXPECT_EQ(a1, 1u);
    EXPECT_EQ(a2, 365u);
    EXPECT_EQ(b1, 1.0f);
    EXPECT_EQ(b2, 1.0f);
    EXPECT_EQ(handler.GetCurrentFormat(), nullptr);
    EXPECT_NE(handler.GetEntryTexture(-1), nullptr);

    // Indexes out of range answer nothing and change nothing.
    for (int bad : {1, -2, 100}) {
        EXPECT_EQ(handler.GetEntryTexture(bad), nullptr) << bad;
        EXPECT_FALSE(handler.GetEntryParamsA(bad, &a1, &a2)) << bad;
        EXPECT_FALSE(handler.SetEntryParamsB(bad, 2, 3)) << bad;
        EXPECT_TRUE(handler.GetEntryPath(bad).IsEmpty()) << bad;
    }
    handler.SetCurrentIndex(7);
    EXPECT_EQ(handler.GetEntryTexture(-1), nullptr);
    EXPECT_EQ(handler.GetCurrentFormat(), nullptr);
    handler.SetCurrentIndex(0);

    handler.AddEntry();
    EXPECT_EQ(handler.GetCurrentIndex(), 1);
    handler.SetEntryName("b.stex", -1);
    EXPECT_EQ(handler.GetEntryPath(1), CString("b.stex"));
    handler.RemoveEntry(0);
    handler.RemoveEntry(0);
    EXPECT_EQ(handler.GetEntryCount(), 1);  // the only entry goes, a default one comes
    EXPECT_EQ(handler.GetCurrentIndex(), 0);
    ASSERT_TRUE(handler.GetEntryParamsA(0, &a1, &a2));
    EXPECT_EQ(a2, 365u);

    handler.SetValue("Speed", "3");
    handler.SetValue("Speed", "4");
    EXPECT_STREQ(handler.GetValue("Speed"), "4");
    EXPECT_EQ(handler.GetValueCount(), 1);
}

TEST(TextureHandler, ArchiveRoundTripAndEmptyLists) {
    STextureHandler handler;
    handler.SetEntryName("a.stex", 0);
    handler.SetEntryParamsA(0, 4, 5);
    handler.AddEntry();
    handler.SetEntryName("b.stex", -1);
    handler.SetEntryParamsB(-1, 0.5f, 2.0f);
    handler.SetValue("Kind", "wall");
    const Bytes stored = StoreArchive([&](CArchive& ar) { handler.Serialize(ar); });

    STextureHandler back;
    LoadArchive(stored, [&](CArchive& ar) { back.Serialize(ar); });
    ASSERT_EQ(back.GetEntryCount(), 2);
    EXPECT_EQ(back.GetEntryPath(1), CString("b.stex"));
    uint32_t a1 = 0, a2 = 0;
    float b1 = 0, b2 = 0;
    back.GetEntryParamsA(0, &a1, &a2);
    back.GetEntryParamsB(1, &b1, &b2);
    EXPECT_EQ(a1, 4u);
    EXPECT_EQ(b1, 0.5f);
    EXPECT_STREQ(back.GetValue("Kind"), "wall");
    EXPECT_NE(back.GetEntryTexture(0), nullptr);
    EXPECT_EQ(back.GetEntryTexture(1), nullptr);  // textures are made as entries are selected

    // A stored list without entries still leaves one entry to select.
    const Bytes none = StoreArchive([&](CArchive& ar) {
        ar << uint32_t{1};
        ar.WriteCount(0);
        SDataCollection values(0, 1);
        values.Serialize(ar);
    });
    STextureHandler empty;
    LoadArchive(none, [&](CArchive& ar) { empty.Serialize(ar); });
    ASSERT_EQ(empty.GetEntryCount(), 1);
    EXPECT_NE(empty.GetEntryTexture(-1), nullptr);
}

TEST(TextureHandler, LoadsFromTheFirstFolderHoldingTheEntry) {
    const std::string root = MakeScratchFolder("assets-scratch");
    for (const char* sub : {"/one", "/two", "/three"})
        std::filesystem::create_directories(root + sub);
    STexture2 texture;
    ASSERT_TRUE(ImportBmp(texture, root, 8, 8, kRGB565));
    WriteFile(root + "/two/wall.stex", SaveToMemory(texture));
    WriteFile(root + "/three/wall.stex", SaveToMemory(texture));

    STextureHandler handler;
    handler.SetEntryName("wall.stex", 0);
    CStringArray folders;
    EXPECT_FALSE(handler.LoadFromMemory(&folders, 1));
    for (const char* sub : {"/one", "/two", "/three"})
        folders.Add(CString((root + sub).c_str()));
    EXPECT_FALSE(handler.LoadFromMemory(&folders, 0));
    ASSERT_TRUE(handler.LoadFromMemory(&folders, 1));
    EXPECT_EQ(handler.GetFolder(), CString((root + "/two").c_str()));
    EXPECT_EQ(handler.GetCurrentFormatIndex(), 0);
    ASSERT_NE(handler.GetCurrentFormat(), nullptr);
    EXPECT_EQ(handler.FindFormatByName("R5G6B5"), handler.GetCurrentFormat());
    EXPECT_EQ(handler.FindFormatByName("r5g6b5"), nullptr);
    EXPECT_EQ(handler.GetEntryPath(-1), CString((root + "/two\\wall.stex").c_str()));

    // A new format takes the current format's pixels.
    ASSERT_TRUE(handler.AddFormatFromCurrent(STexFormat::Parse(kARGB8888)));
    STexFormat* added = handler.FindFormatByName("A8R8G8B8");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->GetPixel(0, 3, 2) & 0xF8F8F8, handler.GetCurrentFormat()->GetPixel(0, 3, 2) & 0xF8F8F8);

    // A file that is there but does not load is reported and thrown.
    WriteFile(root + "/one/wall.stex", Bytes{'S', 'T', 'E', 'X', 1, 2});
    sys::dialogs::headless::Reset();
    EXPECT_THROW(handler.LoadFromFile(CString((root + "/one").c_str()), 1), CUserException);
    ASSERT_EQ(sys::dialogs::headless::Shown().size(), 1u);
    EXPECT_EQ(sys::dialogs::headless::Shown()[0].text, "File load failed");
}

TEST(FileHandlerAndLoader, PathsAndArchives) {
    const std::string root = MakeScratchFolder("assets-scratch");
    std::filesystem::create_directories(root + "/b");
    WriteFile(root + "/b/Shot.wav", Bytes{1});

    SFileHandler files;
    files.AddFile("Shot.wav", "Gunshot", 3, -7);
    files.AddFile("Other.wav", "Other", 0, 0);
    files.SetFlags(1, 9);
    CString path;
    files.LoadFromFile(CString("sounds"), 0);
    ASSERT_EQ(files.FindByName("GUNSHOT", &path), 1);
    EXPECT_EQ(path, CString("sounds\\Shot.wav"));
    EXPECT_EQ(files.FindByName("none", &path), 0);
    EXPECT_EQ(files.GetName(2), nullptr);
    EXPECT_EQ(files.GetFlags(-1), 0u);
    EXPECT_FALSE(files.SetName(5, "x"));
    files.RemoveFile(9);
    EXPECT_EQ(files.GetCount(), 2);

    CStringArray folders;
    folders.Add(CString((root + "/a").c_str()));
    folders.Add(CString((root + "/b").c_str()));
    files.LoadFromMemory(&folders, 0);
    ASSERT_EQ(files.GetFilePath(0, &path), 1);
    EXPECT_EQ(path, CString((root + "/b\\Shot.wav").c_str()));
    EXPECT_EQ(files.GetFilePath(1, &path), 0);

    files.m_dwWord = 12;
    SFileHandler back;
    LoadArchive(StoreArchive([&](CArchive& ar) { files.Serialize(ar); }), [&](CArchive& ar) { back.Serialize(ar); });
    EXPECT_EQ(back.m_dwWord, 12u);
    ASSERT_EQ(back.GetCount(), 2);
    EXPECT_STREQ(back.GetName(0), "Gunshot");
    EXPECT_EQ(back.GetFlags(1), 9u);

    SSMLoader loader;
    loader.SetFileName("Shot.wav");
    EXPECT_EQ(loader.GetPath(false), CString("Shot.wav"));
    loader.LoadFromMemory(&folders, 0);
    EXPECT_EQ(loader.GetPath(true), CString((root + "/b/Shot.wav").c_str()));
    loader.LoadFromFile(CString("models"), 0);
    EXPECT_EQ(loader.GetPath(true), CString("models/Shot.wav"));
    SSMLoader copy;
    LoadArchive(StoreArchive([&](CArchive& ar) { loader.Serialize(ar); }), [&](CArchive& ar) { copy.Serialize(ar); });
    EXPECT_EQ(copy.GetFileName(), CString("Shot.wav"));
}

TEST(AssetResourceKinds, TheFactoryMakesEachKind) {
    RegisterAssetResourceKinds();
    struct Case {
        int kind;
        const CRuntimeClass* cls;
    };
    const Case cases[] = {{kKindMesh, RUNTIME_CLASS(SMesh)},
                          {kKindTexture, RUNTIME_CLASS(STexture)},
                          {kKindModel, RUNTIME_CLASS(SModel)},
                          {kKindSSMLoader, RUNTIME_CLASS(SSMLoader)},
                          {kKindFileHandler, RUNTIME_CLASS(SFileHandler)},
                          {kKindTextureHandler, RUNTIME_CLASS(STextureHandler)}};
    for (const Case& c : cases) {
        SResourceCreator create = SResourceFactory::GetCreator(c.kind);
        ASSERT_NE(create, nullptr) << c.kind;
        std::unique_ptr<SResource> made(create());
        EXPECT_EQ(made->GetRuntimeClass(), c.cls) << c.kind;
        EXPECT_NE(CRuntimeClass::FromName(c.cls->m_lpszClassName), nullptr) << c.kind;
    }
}

}  // namespace
