// Users of catalog resources: lookups by kind and name or by key, loading on the first use and
// unloading at the last release, failures that hand out nothing and count no user, detaching,
// and the order in which a dying catalog lets resources forget each other.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/SCatalog.h"
#include "sys/window/window.h"
#include "tests/core/CatalogTestSupport.h"

namespace {

namespace fs = std::filesystem;
using catalogtest::KindRegistration;
using catalogtest::MakeDataItem;
using catalogtest::TestResource;

TestResource* AsTest(SResource* pResource) { return dynamic_cast<TestResource*>(pResource); }

class CatalogUseTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::path(TARVEX_TEST_BINARY_DIR) / (std::string("catalog_use_test.") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    SCatalogItem* Add(SCatalogItem* pItem) {
        m_catalog.AddItem(pItem);
        return pItem;
    }

    KindRegistration m_kinds{kKindImage, kKindSound, kKindSprite, kKindDialog, kKindFont};
    fs::path m_dir;
    SCatalog m_catalog;
};

TEST_F(CatalogUseTest, SecondLookupSharesTheObjectAndTheLastReleaseUnloadsOnce) {
    SCatalogItem* pItem = Add(MakeDataItem(kKindSprite, "Cursor", 1, ""));
    SResource* pFirst = m_catalog.GetResource(kKindSprite, "cursor", "", 0x55);
    ASSERT_NE(pFirst, nullptr);
    SResource* pSecond = m_catalog.GetResource(kKindSprite, "CURSOR", "", 0x66);
    EXPECT_EQ(pSecond, pFirst);
    EXPECT_EQ(pItem->GetUseCount(), 2);
    // Only the first user loads, with its own flags and the (empty) search folders.
    EXPECT_EQ(AsTest(pFirst)->m_nLoads, 1);
    EXPECT_EQ(AsTest(pFirst)->m_dwLastFlags, 0x55u);
    EXPECT_EQ(AsTest(pFirst)->m_nLastFolderCount, 0);

    EXPECT_TRUE(m_catalog.ReleaseResource(pFirst));
    EXPECT_EQ(AsTest(pFirst)->m_nUnloads, 0);
    EXPECT_TRUE(m_catalog.ReleaseResource(pFirst));
    EXPECT_EQ(AsTest(pFirst)->m_nUnloads, 1);
    EXPECT_EQ(pItem->GetUseCount(), 0);
    // The object stays in its item and loads again for the next user.
    EXPECT_EQ(pItem->GetResource(), pFirst);
    EXPECT_EQ(m_catalog.GetResource(kKindSprite, "cursor", "", 0), pFirst);
    EXPECT_EQ(AsTest(pFirst)->m_nLoads, 2);
}

TEST_F(CatalogUseTest, ReleaseWithoutUsersChangesNothing) {
    SCatalogItem* pItem = Add(MakeDataItem(kKindSprite, "idle", 1, ""));
    EXPECT_FALSE(m_catalog.ReleaseResource(pItem->GetResource()));
    EXPECT_EQ(pItem->GetUseCount(), 0);
    EXPECT_EQ(AsTest(pItem->GetResource())->m_nUnloads, 0);
    // A later user still loads it as the first user.
    ASSERT_NE(m_catalog.GetResource(kKindSprite, "idle", "", 0), nullptr);
    EXPECT_EQ(pItem->GetUseCount(), 1);
    EXPECT_EQ(AsTest(pItem->GetResource())->m_nLoads, 1);
}

TEST_F(CatalogUseTest, ReleaseOfUnknownResourcesIsRefused) {
    SCatalog empty;
    TestResource stranger;
    EXPECT_FALSE(empty.ReleaseResource(&stranger));
    Add(MakeDataItem(kKindSprite, "known", 1, ""));
    EXPECT_FALSE(m_catalog.ReleaseResource(&stranger));
    EXPECT_FALSE(m_catalog.ReleaseResource(nullptr));
}

TEST_F(CatalogUseTest, KeepLoadedReleaseAnswersTrueAndKeepsTheCount) {
    SCatalogItem* pItem = Add(MakeDataItem(kKindSprite, "kept", 1, ""));
    SResource* pResource = m_catalog.GetResource(kKindSprite, "kept", "", 0);
    m_catalog.SetKeepLoaded(true);
    EXPECT_TRUE(m_catalog.ReleaseResource(pResource));
    EXPECT_EQ(pItem->GetUseCount(), 1);
    EXPECT_EQ(AsTest(pResource)->m_nUnloads, 0);
    m_catalog.SetKeepLoaded(false);
    EXPECT_TRUE(m_catalog.ReleaseResource(pResource));
    EXPECT_EQ(AsTest(pResource)->m_nUnloads, 1);
}

TEST_F(CatalogUseTest, ControlItemsAreFoundOnlyByFindItem) {
    SCatalogItem* pControl = Add(new SCatalogItem(kKindFont, "Label", "label", "Fonts", kKindButton));
    pControl->SetResource(new TestResource);
    EXPECT_EQ(m_catalog.GetResource(kKindFont, "Label", "", 0), nullptr);
    EXPECT_EQ(pControl->GetUseCount(), 0);
    EXPECT_EQ(m_catalog.FindItem("label", "", kKindFont), pControl);
}

TEST_F(CatalogUseTest, FileNameNarrowsTheLookup) {
    Add(MakeDataItem(kKindSound, "shot", 1, ""));
    SCatalogItem* pSecond = Add(new SCatalogItem(kKindSound, "shot", "shot_b", "Sounds"));
    pSecond->SetResource(new TestResource);
    m_catalog.AddEmbeddedName("shot");
    SResource* pResource = m_catalog.GetResource(kKindSound, "Shot", "SHOT_B", 0);
    EXPECT_EQ(pResource, pSecond->GetResource());
    EXPECT_EQ(m_catalog.FindItem("shot", "shot_b", kKindSound), pSecond);
    EXPECT_EQ(m_catalog.FindItem("shot", "shot_c", kKindSound), nullptr);
}

TEST_F(CatalogUseTest, KindWithoutItemsAndKindsOutsideTheTableFindNothing) {
    Add(MakeDataItem(kKindSprite, "only", 1, ""));
    EXPECT_EQ(m_catalog.GetResource(kKindFont, "only", "", 0), nullptr);
    EXPECT_EQ(m_catalog.FirstItemOfKind(kKindFont), nullptr);
    for (int nKind : {28, 29, 1000, -2, -1000}) {
        EXPECT_EQ(m_catalog.GetResource(nKind, "only", "", 0), nullptr) << nKind;
        EXPECT_EQ(m_catalog.GetResourceByKey(nKind, "only-only--3-0", 0), nullptr) << nKind;
        EXPECT_EQ(m_catalog.FindItem("only", "", nKind), nullptr) << nKind;
        EXPECT_EQ(m_catalog.FirstItemOfKind(nKind), nullptr) << nKind;
    }
    EXPECT_NE(m_catalog.FindItem("only", "", -1), nullptr);
}

TEST_F(CatalogUseTest, ItemsAddedAfterALookupAreStillFound) {
    Add(MakeDataItem(kKindSprite, "first", 1, ""));
    EXPECT_EQ(m_catalog.GetResource(kKindSprite, "later", "", 0), nullptr);
    SCatalogItem* pLater = Add(MakeDataItem(kKindSprite, "later", 2, ""));
    EXPECT_EQ(m_catalog.GetResource(kKindSprite, "later", "", 0), pLater->GetResource());
}

TEST_F(CatalogUseTest, FindItemLooksPastItemsOfOtherKinds) {
    Add(MakeDataItem(kKindSound, "alpha", 1, ""));
    SCatalogItem* pSprite = Add(MakeDataItem(kKindSprite, "beta", 2, ""));
    // The walk starts at the first sound and then takes any kind.
    EXPECT_EQ(m_catalog.FindItem("beta", "", kKindSound), pSprite);
    EXPECT_EQ(m_catalog.FindItem("alpha", "", kKindSprite), nullptr);
}

TEST_F(CatalogUseTest, LookupByKey) {
    SCatalogItem* pItem = Add(new SCatalogItem(kKindSprite, "arrow", "ptr", "Sprites", 0, "big"));
    pItem->SetResource(new TestResource);
    EXPECT_EQ(pItem->GetKey(), "arrow-ptr-big-3-0");
    EXPECT_EQ(m_catalog.GetResourceByKey(kKindSprite, "ARROW-PTR-BIG-3-0", 0), pItem->GetResource());
    EXPECT_EQ(m_catalog.GetResourceByKey(-1, "arrow-ptr-big-3-0", 0), pItem->GetResource());
    EXPECT_EQ(pItem->GetUseCount(), 2);
    EXPECT_EQ(m_catalog.GetResourceByKey(kKindFont, "arrow-ptr-big-3-0", 0), nullptr);
    EXPECT_EQ(m_catalog.FindItemByKey("Arrow-Ptr-Big-3-0"), pItem);
    EXPECT_EQ(m_catalog.FindItemByKey("arrow-ptr-big-3-1"), nullptr);
}

TEST_F(CatalogUseTest, FirstUseLoadsTheObjectFromItsFile) {
    m_catalog.GetSearchFolders().Add(m_dir.string().c_str());
    catalogtest::WriteResourceFile(m_dir / "Sprites" / "arrow.spr", "from disk", 5);
    SCatalogItem* pItem = Add(new SCatalogItem(kKindSprite, "arrow", "arrow", "Sprites"));
    SResource* pResource = m_catalog.GetResource(kKindSprite, "arrow", "", 9);
    ASSERT_NE(pResource, nullptr);
    EXPECT_EQ(pItem->GetResource(), pResource);
    EXPECT_TRUE(AsTest(pResource)->m_bFromFile);
    EXPECT_EQ(AsTest(pResource)->m_dwValue, 5u);
    EXPECT_EQ(AsTest(pResource)->m_nLastFolderCount, 1);
    EXPECT_EQ(SResourceFactory::GetLastCreated(), nullptr);
}

TEST_F(CatalogUseTest, WithRootsTheFirstUseLoadsFromTheItemsFolder) {
    m_catalog.SetDevRoot("C:\\Game");
    SCatalogItem* pItem = Add(MakeDataItem(kKindSprite, "arrow", 1, ""));
    pItem->SetFile("C:\\Game\\Sprites", "arrow", false);
    SResource* pResource = m_catalog.GetResource(kKindSprite, "arrow", "", 0);
    ASSERT_NE(pResource, nullptr);
    EXPECT_EQ(AsTest(pResource)->m_strLastFolder, "C:\\Game");
    m_catalog.ReleaseMode() = 1;
    m_catalog.SetReleaseRoot("D:\\Ship");
    pItem->SetFile("D:\\Ship\\Art", "arrow", true);
    ASSERT_TRUE(m_catalog.ReleaseResource(pResource));
    ASSERT_EQ(m_catalog.GetResource(kKindSprite, "arrow", "", 0), pResource);
    EXPECT_EQ(AsTest(pResource)->m_strLastFolder, "D:\\Ship\\Art");
}

TEST_F(CatalogUseTest, MissingFileHandsOutNothingAndCountsNoUser) {
    m_catalog.GetSearchFolders().Add(m_dir.string().c_str());
    const int nLive = TestResource::s_nLive;
    SCatalogItem* pItem = Add(new SCatalogItem(kKindSprite, "gone", "gone", "Sprites"));
    EXPECT_EQ(m_catalog.GetResource(kKindSprite, "gone", "", 0), nullptr);
    EXPECT_EQ(pItem->GetUseCount(), 0);
    EXPECT_EQ(pItem->GetResource(), nullptr);
    EXPECT_EQ(TestResource::s_nLive, nLive);
    EXPECT_EQ(m_catalog.AcquireItem(pItem, 0), nullptr);
    EXPECT_EQ(pItem->GetUseCount(), 0);
    EXPECT_EQ(m_catalog.AcquireItem(nullptr, 0), nullptr);
}

TEST_F(CatalogUseTest, RefusedAndDamagedFilesAreHandledLikeMissingOnes) {
    m_catalog.GetSearchFolders().Add(m_dir.string().c_str());
    catalogtest::WriteResourceFile(m_dir / "Sprites" / "refused.spr", "refuse", 1);
    catalogtest::WriteRawFile(m_dir / "Sprites" / "short.spr", {5, 'a', 'b'});  // text cut off
    const int nLive = TestResource::s_nLive;
    for (const char* pszName : {"refused", "short"}) {
        SCatalogItem* pItem = Add(new SCatalogItem(kKindSprite, pszName, pszName, "Sprites"));
        EXPECT_EQ(m_catalog.GetResource(kKindSprite, pszName, "", 0), nullptr) << pszName;
        EXPECT_EQ(pItem->GetUseCount(), 0) << pszName;
        EXPECT_EQ(pItem->GetResource(), nullptr) << pszName;
        EXPECT_EQ(TestResource::s_nLive, nLive) << pszName;
        EXPECT_EQ(SResourceFactory::GetLastCreated(), nullptr) << pszName;
    }
}

TEST_F(CatalogUseTest, DetachLeavesTheCallerItsObjectAndTheItemAClone) {
    SCatalogItem* pItem = Add(MakeDataItem(kKindSprite, "button", 6, "face"));
    SResource* pResource = m_catalog.GetResource(kKindSprite, "button", "", 0);
    ASSERT_NE(pResource, nullptr);
    m_catalog.DetachResource(pResource);
    std::unique_ptr<SResource> mine(pResource);
    EXPECT_EQ(pItem->GetUseCount(), 0);
    ASSERT_NE(pItem->GetResource(), nullptr);
    EXPECT_NE(pItem->GetResource(), pResource);
    EXPECT_EQ(AsTest(pItem->GetResource())->m_dwValue, 6u);
    EXPECT_EQ(AsTest(pItem->GetResource())->m_strText, "face");
    EXPECT_FALSE(m_catalog.ReleaseResource(pResource));
}

TEST_F(CatalogUseTest, CollectingNamesAndKeys) {
    Add(new SCatalogItem(kKindSprite, "a", "a1", "S"));
    Add(new SCatalogItem(kKindSound, "b", "b1", "S"));
    Add(new SCatalogItem(kKindSprite, "A", "a2", "S"));
    Add(new SCatalogItem(kKindSprite, "a", "a3", "S"));

    CStringArray keys;
    m_catalog.CollectKeysOfKind(kKindSprite, keys);
    ASSERT_EQ(keys.GetSize(), 3);
    EXPECT_EQ(keys[0], "a-a1--3-0");
    EXPECT_EQ(keys[2], "a-a3--3-0");
    CStringArray byName;
    m_catalog.CollectKeysByName(kKindSprite, "A", byName);
    ASSERT_EQ(byName.GetSize(), 3);
    EXPECT_EQ(byName[1], "A-a2--3-0");
    CStringArray names;
    names.Add("b");
    m_catalog.CollectNames(names);
    ASSERT_EQ(names.GetSize(), 3);
    EXPECT_EQ(names[1], "a");
    EXPECT_EQ(names[2], "A");
}

// Resources of later items forget the resource of an item before it is deleted, and a release
// made while the catalog dies changes nothing.
TEST(CatalogDestruction, LaterResourcesForgetEarlierOnesFirst) {
    KindRegistration kinds{kKindImage, kKindDialog};
    TestResource::s_referencesAtDeath.clear();
    const int nLive = TestResource::s_nLive;
    SResource* pImage = nullptr;
    SResource* pLaterImage = nullptr;
    {
        SCatalog catalog;
        SCatalogItem* pImageItem = MakeDataItem(kKindImage, "img", 1, "");
        SCatalogItem* pDialogItem = MakeDataItem(kKindDialog, "dlg", 2, "");
        SCatalogItem* pLaterItem = MakeDataItem(kKindImage, "late", 3, "");
        catalog.AddItem(pImageItem);
        catalog.AddItem(pDialogItem);
        catalog.AddItem(pLaterItem);
        catalog.AddItem(pDialogItem);  // listed twice, deleted once
        pImage = pImageItem->GetResource();
        pLaterImage = pLaterItem->GetResource();
        pDialogItem->GetResource()->GetResourceArray()->Add(pImage);
        pDialogItem->GetResource()->GetResourceArray()->Add(pLaterImage);
    }
    EXPECT_EQ(TestResource::s_nLive, nLive);
    // The dialog died second: the image before it had been cleared, the later one not yet.
    ASSERT_EQ(TestResource::s_referencesAtDeath.size(), 2u);
    EXPECT_EQ(TestResource::s_referencesAtDeath[0], nullptr);
    EXPECT_EQ(TestResource::s_referencesAtDeath[1], pLaterImage);
}

// Records the child messages the main window gets.
std::vector<std::pair<sys::UINT, sys::LPARAM>> g_childMessages;

TEST(CatalogChildMessages, MainWindowHearsOfEveryChildChange) {
    using namespace sys;
    using namespace sys::window;
    HWND hwnd = CreateWindow("catalog test", 0, nullptr, [](HWND h, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == kMsgCatalogChildAdded || msg == kMsgCatalogChildRemoved)
            g_childMessages.emplace_back(msg, l);
        return DefWindowProc(h, msg, w, l);
    });
    if (hwnd == nullptr)
        GTEST_SKIP() << "no main window on this backend";
    g_childMessages.clear();
    {
        SCatalogItem parent(kKindDialog, "p", "p", "");
        SCatalogItem child(kKindSprite, "c", "c", "");
        parent.AddChild(&child);
        parent.AddChild(&parent);
        parent.AddChild(&child);
        parent.RemoveChild(&child);
        const LPARAM lChild = reinterpret_cast<LPARAM>(&child);
        ASSERT_EQ(g_childMessages.size(), 4u);
        EXPECT_EQ(kMsgCatalogChildAdded, 1127u);
        EXPECT_EQ(kMsgCatalogChildRemoved, 1128u);
        EXPECT_EQ(g_childMessages[0], std::make_pair(kMsgCatalogChildAdded, lChild));
        EXPECT_EQ(g_childMessages[1], std::make_pair(kMsgCatalogChildAdded, lChild));
        EXPECT_EQ(g_childMessages[2], std::make_pair(kMsgCatalogChildRemoved, lChild));
        EXPECT_EQ(g_childMessages[3], std::make_pair(kMsgCatalogChildRemoved, lChild));
        // Removing by resource takes the first such child only, and tells nobody.
        child.SetResource(new catalogtest::TestResource);
        parent.AddChild(&child);
        parent.AddChild(&child);
        parent.RemoveChildByResource(child.GetResource());
        EXPECT_EQ(parent.GetChildren()->GetCount(), 1);
        EXPECT_EQ(g_childMessages.size(), 6u);
    }
    DestroyWindow(hwnd);
}

}  // namespace
