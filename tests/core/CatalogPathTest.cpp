// Where catalog items live: the relative-path rule, the "\..\" collapse, paths built against
// the development and release roots, and the search through the search folders on disk with
// the image extension probe (bmp, then jpg, else tga).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/SCatalog.h"
#include "tests/core/CatalogTestSupport.h"

namespace {

namespace fs = std::filesystem;

CString Relative(const char* pszRoot, const char* pszPath) { return SCatalogItem::RelativePath(pszRoot, pszPath); }

TEST(CatalogRelativePath, PathInsideTheRoot) {
    EXPECT_EQ(Relative("C:\\Game", "C:\\Game\\Data\\Images"), "Data\\Images");
    EXPECT_EQ(Relative("C:\\Game\\", "C:\\Game\\Data\\"), "Data");
    EXPECT_EQ(Relative("C:\\Game", "C:\\Game"), "");
}

TEST(CatalogRelativePath, PathBesideOrAboveTheRoot) {
    EXPECT_EQ(Relative("C:\\Game\\Res", "C:\\Game\\Other\\X"), "..\\Other\\X");
    EXPECT_EQ(Relative("C:\\A\\B\\C", "C:\\A\\X\\Y"), "..\\..\\X\\Y");
    EXPECT_EQ(Relative("C:\\Game\\Res\\Sub", "C:\\Game"), "..\\..");
    // Components compare exactly, so another letter case is another folder.
    EXPECT_EQ(Relative("C:\\Game\\Res", "C:\\Game\\res\\X"), "..\\res\\X");
}

TEST(CatalogRelativePath, UnrelatedPathsStayAsTheyAre) {
    EXPECT_EQ(Relative("C:\\Game", "D:\\Game\\X"), "D:\\Game\\X");
    EXPECT_EQ(Relative("c:\\Game", "C:\\Game\\X"), "C:\\Game\\X");
    EXPECT_EQ(Relative("", "C:\\X"), "C:\\X");
    EXPECT_EQ(Relative("C:\\X", ""), "");
    EXPECT_EQ(Relative("Data", "Data2\\X"), "Data2\\X");
}

TEST(CatalogCollapse, DoubledStepIsRemoved) {
    EXPECT_EQ(SCatalogItem::CollapsePath("Data\\Images\\..\\Images\\a.bmp"), "Data\\Images\\a.bmp");
    EXPECT_EQ(SCatalogItem::CollapsePath("C:\\G\\Images\\..\\Images"), "C:\\G\\Images");
}

TEST(CatalogCollapse, OtherPathsAreUnchanged) {
    EXPECT_EQ(SCatalogItem::CollapsePath("Data\\Images\\..\\Sounds\\a.wav"), "Data\\Images\\..\\Sounds\\a.wav");
    EXPECT_EQ(SCatalogItem::CollapsePath("Data\\Images\\..\\images\\a.bmp"), "Data\\Images\\..\\images\\a.bmp");
    EXPECT_EQ(SCatalogItem::CollapsePath("\\..\\X\\a"), "\\..\\X\\a");
    EXPECT_EQ(SCatalogItem::CollapsePath("Data\\Images\\a.bmp"), "Data\\Images\\a.bmp");
    // Only the first "\..\" is looked at.
    EXPECT_EQ(SCatalogItem::CollapsePath("A\\B\\..\\C\\D\\..\\D"), "A\\B\\..\\C\\D\\..\\D");
}

TEST(CatalogItemFolders, KindAndControlFolders) {
    SCatalogItem combo(kKindComboBox, "c", "c", "");
    EXPECT_EQ(combo.GetKindFolder(), "Combo Boxes");
    EXPECT_EQ(combo.GetControlFolder(), "");
    SCatalogItem label(kKindFont, "f", "f", "", kKindTextCtrl);
    EXPECT_EQ(label.GetControlFolder(), "Texts");
    SCatalogItem inDialog(kKindImage, "i", "i", "", kKindDialog);
    EXPECT_EQ(inDialog.GetControlFolder(), "");
    SCatalogItem onButton(kKindImage, "i", "i", "", kKindButton);
    EXPECT_EQ(onButton.GetControlFolder(), "Buttons");
    EXPECT_EQ(SCatalogItem(kKindScreen, "s", "s", "").GetExtension(), "scr");
    EXPECT_EQ(SCatalogItem(kKindAnimation, "s", "s", "").GetExtension(), "");
}

TEST(CatalogItemFolders, FoldersAreStoredRelativeToTheRoots) {
    SCatalogItem loose(kKindSound, "a", "a", "C:\\Game\\Sounds");
    EXPECT_EQ(loose.GetDevPath(), "C:\\Game\\Sounds");  // no catalog: unchanged
    EXPECT_EQ(loose.MakeRelativePath("C:\\Game\\X"), "C:\\Game\\X");

    SCatalog catalog;
    catalog.SetDevRoot("C:\\Game");
    catalog.SetReleaseRoot("D:\\Ship");
    auto* pItem = new SCatalogItem(kKindSound, "a", "a", "C:\\Game\\Data\\Sounds");
    catalog.AddItem(pItem);
    EXPECT_EQ(pItem->GetDevPath(), "Data\\Sounds");
    pItem->SetFile("D:\\Ship\\Snd", "a2", true);
    EXPECT_EQ(pItem->GetReleasePath(), "Snd");
    EXPECT_EQ(pItem->GetDevPath(), "Data\\Sounds");
    EXPECT_EQ(pItem->GetFileName(), "a2");
    EXPECT_EQ(pItem->MakeRelativePath("C:\\Game\\Art"), "Art");
    pItem->SetFlags(1);
    EXPECT_EQ(pItem->MakeRelativePath("D:\\Ship\\Art"), "Art");
    EXPECT_EQ(pItem->MakeRelativePath("C:\\Game\\Art"), "C:\\Game\\Art");
}

// Paths built against root folders, without touching the disk.
class CatalogRootPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_catalog.SetDevRoot("C:\\Game");
        m_catalog.SetReleaseRoot("D:\\Rel");
        m_pItem = new SCatalogItem(kKindSound, "boom", "boom", "C:\\Game\\Data\\Sounds");
        m_catalog.AddItem(m_pItem);
        m_pItem->SetFile("D:\\Rel\\Snd", "boom", true);
    }
    SCatalog m_catalog;
    SCatalogItem* m_pItem = nullptr;
};

TEST_F(CatalogRootPathTest, DevelopmentMode) {
    EXPECT_EQ(m_pItem->GetFullPath(true, true, true), "C:\\Game\\Data\\Sounds\\boom.wav");
    EXPECT_EQ(m_pItem->GetFullPath(), "C:\\Game\\Data\\Sounds");
    EXPECT_EQ(m_pItem->GetFullPath(false, true, true), "Data\\Sounds\\boom.wav");
    EXPECT_EQ(m_pItem->GetFolder(), "C:\\Game");
    EXPECT_EQ(m_catalog.GetRoot(), "C:\\Game");
}

TEST_F(CatalogRootPathTest, ReleaseMode) {
    m_catalog.ReleaseMode() = 1;
    EXPECT_EQ(m_pItem->GetFullPath(true, true, true), "D:\\Rel\\Snd\\boom.wav");
    EXPECT_EQ(m_pItem->GetFolder(), "D:\\Rel\\Snd");
    m_catalog.SetReleaseRootOverride("E:\\Over");
    EXPECT_EQ(m_catalog.GetRoot(7), "E:\\Over");
    EXPECT_EQ(m_pItem->GetFullPath(true, true, true), "E:\\Over\\Snd\\boom.wav");
    EXPECT_EQ(m_pItem->GetFolder(), "E:\\Over\\Snd");
    // The override counts only in release mode.
    m_catalog.ReleaseMode() = 0;
    EXPECT_EQ(m_catalog.GetRoot(), "C:\\Game");
}

TEST_F(CatalogRootPathTest, RelativePathsGetTheRootOnlyWithADevelopmentRoot) {
    m_catalog.ReleaseMode() = 1;
    m_catalog.SetDevRoot("");
    EXPECT_EQ(m_pItem->GetFullPath(true, true, true), "Snd\\boom.wav");
}

TEST_F(CatalogRootPathTest, AbsoluteAndEmptyPaths) {
    m_catalog.ReleaseMode() = 1;
    m_pItem->SetFile("F:\\Abs", "boom", true);
    EXPECT_EQ(m_pItem->GetFullPath(true, true, true), "F:\\Abs\\boom.wav");
    m_pItem->SetFile("", "boom", true);
    EXPECT_EQ(m_pItem->GetFullPath(true, true, true), "D:\\Rel\\boom.wav");
    EXPECT_EQ(m_pItem->GetFolder(), "D:\\Rel");
    // Without a file name there is no path at all.
    m_pItem->SetFile("Snd", "", true);
    EXPECT_EQ(m_pItem->GetFullPath(true, true, true), "");
}

TEST_F(CatalogRootPathTest, CollapseOfADoubledStep) {
    m_catalog.SetDevRoot("C:\\Game\\Sounds");
    m_pItem->SetFile("..\\Sounds", "boom", false);
    EXPECT_EQ(m_pItem->GetDevPath(), "..\\Sounds");
    EXPECT_EQ(m_pItem->GetFullPath(true, true, true), "C:\\Game\\Sounds\\boom.wav");
    EXPECT_EQ(m_pItem->GetFullPath(true, true, false), "C:\\Game\\Sounds\\..\\Sounds\\boom.wav");
}

// Paths found through search folders on disk.
class CatalogSearchPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::path(TARVEX_TEST_BINARY_DIR) / (std::string("catalog_search_test.") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        for (const char* pszFolder : {"one", "two", "three"}) {
            fs::create_directories(m_dir / pszFolder);
            m_catalog.GetSearchFolders().Add(Folder(pszFolder).c_str());
        }
        m_pImage = new SCatalogItem(kKindImage, "pic", "pic", "Images");
        m_catalog.AddItem(m_pImage);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Folder(const char* pszName) const { return (m_dir / pszName).string(); }
    void Touch(const fs::path& path) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x";
    }

    fs::path m_dir;
    SCatalog m_catalog;
    SCatalogItem* m_pImage = nullptr;
};

TEST_F(CatalogSearchPathTest, ImageFoundOnlyAsJpgInTheThirdFolder) {
    Touch(m_dir / "three" / "Images" / "pic.jpg");
    EXPECT_EQ(m_pImage->GetExtension(), "jpg");
    EXPECT_EQ(m_pImage->GetFullPath(true, true, true), CString(Folder("three").c_str()) + "\\Images\\pic.jpg");
}

TEST_F(CatalogSearchPathTest, BmpAnywhereWinsOverJpg) {
    Touch(m_dir / "one" / "Images" / "pic.jpg");
    Touch(m_dir / "two" / "images" / "PIC.BMP");
    EXPECT_EQ(m_pImage->GetExtension(), "bmp");
    // The first folder has the picture only as jpg: the search takes that one.
    EXPECT_EQ(m_pImage->GetFullPath(true, true, true), CString(Folder("one").c_str()) + "\\Images\\pic.jpg");
}

TEST_F(CatalogSearchPathTest, BmpFoundInTheSecondFolderInAnyLetterCase) {
    Touch(m_dir / "two" / "IMAGES" / "Pic.Bmp");
    EXPECT_EQ(m_pImage->GetFullPath(true, true, true), CString(Folder("two").c_str()) + "\\Images\\pic.bmp");
}

TEST_F(CatalogSearchPathTest, ImageFoundNowhereIsATarga) {
    EXPECT_EQ(m_pImage->GetExtension(), "tga");
}

TEST_F(CatalogSearchPathTest, SoundAndFolderSearches) {
    auto* pSound = new SCatalogItem(kKindSound, "boom", "boom", "Sounds");
    m_catalog.AddItem(pSound);
    Touch(m_dir / "two" / "Sounds" / "boom.wav");
    EXPECT_EQ(pSound->GetFullPath(true, true, true), CString(Folder("two").c_str()) + "\\Sounds\\boom.wav");
    // The common form looks for the folder itself.
    fs::create_directories(m_dir / "three" / "Sounds");
    fs::remove_all(m_dir / "two" / "Sounds");
    EXPECT_EQ(pSound->GetFullPath(), CString(Folder("three").c_str()) + "\\Sounds");
    // Without roots the item's own path is searched as it stands.
    EXPECT_EQ(pSound->GetFullPath(false, true, true).Left(6), "Sounds");
}

TEST_F(CatalogSearchPathTest, EmptyFolderInTheListLeavesThePathAlone) {
    m_catalog.GetSearchFolders().RemoveAll();
    m_catalog.GetSearchFolders().Add("");
    EXPECT_EQ(m_pImage->GetFullPath(true, true, false), "Images\\pic.jpg");
}

}  // namespace
