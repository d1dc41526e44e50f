// What a window does with its images: shared and own packing, drawing a packed image, loading
// the resource names from the catalog and from files, giving them back, and the archive form.

#include <filesystem>
#include <memory>
#include <new>

#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "core/SResourceFactory.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/ScratchFolder.h"
#include "tests/ui/WindowTestSupport.h"
#include "ui/SScreen.h"
#include "ui/widgets/SMultiImage.h"

using namespace windowtest;
using tarvex::test::Bytes;

namespace {

class SoundStub : public TestImage {};

class WindowResourcesTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        SResourceFactory::RegisterKind<TestImage>(kKindImage);
        SResourceFactory::RegisterKind<SoundStub>(kKindSound);
        SWindow::SetPackingRowBottom(0);
    }
    void TearDown() override {
        SResourceFactory::RegisterKind(kKindImage, nullptr);
        SResourceFactory::RegisterKind(kKindSound, nullptr);
        WindowTest::TearDown();
    }
    sys::RECT RectOf(SResource& r) {
        sys::RECT rc;
        r.GetRect(&rc);
        return rc;
    }
};

TEST_F(WindowResourcesTest, SharedPackingFillsRowsAndSkipsImagesAlreadyPlaced) {
    TestImage i1(30, 10), i2(50, 20), i3(40, 15), i4(70, 70);
    SWindow root;
    auto* x = new SWindow;
    auto* y = new SWindow;
    x->SetParent(&root);
    y->SetParent(&root);
    x->AddResource(&i1, false);
    x->AddResource(&i2, false);
    y->AddResource(&i1, false);  // already placed by x
    y->AddResource(&i3, false);
    RecordingDC dc;
    sys::POINT cursor;
    ASSERT_TRUE(root.PackImages(&dc, 100, 100, cursor));
    EXPECT_EQ(RectOf(i1), (sys::RECT{0, 0, 30, 10}));
    EXPECT_EQ(RectOf(i2), (sys::RECT{30, 0, 80, 20}));
    // 80 + 40 reaches the width: a new row one pixel below the tallest image of the first.
    EXPECT_EQ(RectOf(i3), (sys::RECT{0, 21, 40, 36}));
    EXPECT_EQ(cursor, (sys::POINT{40, 21}));
    EXPECT_EQ(dc.m_calls.size(), 3u);
    // 40 + 70 needs a new row at 37, whose bottom 107 passes the height: the surface is full.
    root.AddResource(&i4, false);
    EXPECT_FALSE(root.PackImages(&dc, 100, 100, cursor));
    EXPECT_FALSE(root.PackImages(nullptr, 100, 100, cursor));
}

TEST_F(WindowResourcesTest, OwnPackingSizesItsSurfaceForEveryImage) {
    // Five images: 2 columns of the widest (20) and 3 rows of the tallest (12) with their gaps.
    TestImage images[] = {{10, 8}, {20, 5}, {12, 12}, {8, 8}, {20, 4}};
    SWindow w;
    w.SetOwnPacking(1);
    for (TestImage& image : images)
        w.AddResource(&image, false);
    RecordingDC dc;
    sys::POINT cursor;
    ASSERT_TRUE(w.PackImages(&dc, 640, 480, cursor));
    auto* own = dynamic_cast<RecordingDC*>(w.GetPackingDC());
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->m_iWidth, 50);
    EXPECT_EQ(own->m_iHeight, 49);
    EXPECT_EQ(own->m_calls.size(), 5u);
    EXPECT_TRUE(dc.m_calls.empty());
    EXPECT_EQ(RectOf(images[2]), (sys::RECT{30, 0, 42, 12}));
    EXPECT_EQ(RectOf(images[3]), (sys::RECT{0, 13, 8, 21}));
    EXPECT_EQ(RectOf(images[4]), (sys::RECT{8, 13, 28, 17}));

    // Drawing an entry takes it from the own surface.
    EXPECT_TRUE(w.DrawResourceImage(&dc, {5, 5, 15, 13}, 0));
    EXPECT_EQ(dc.m_calls.back().pSource, own);
    EXPECT_FALSE(w.DrawResourceImage(&dc, {0, 0, 1, 1}, 5));
    EXPECT_FALSE(w.DrawResourceImage(nullptr, {0, 0, 1, 1}, 0));

    // No images: a 640 x 480 surface; no surface to be had: failure.
    SWindow empty;
    empty.SetOwnPacking(1);
    ASSERT_TRUE(empty.PackImages(&dc, 640, 480, cursor));
    EXPECT_EQ(dynamic_cast<RecordingDC*>(empty.GetPackingDC())->m_iWidth, 640);
    dc.m_bRefuseChildren = true;
    EXPECT_FALSE(w.PackImages(&dc, 640, 480, cursor));
    EXPECT_EQ(w.GetPackingDC(), nullptr);
}

// Pages and dialogs share catalog images but pack them into contexts of their own: an image is
// taken from the source context only while its place there is the one it was last packed into.
TEST_F(WindowResourcesTest, DrawResourceImageTakesFromTheContextThatHoldsItsPlace) {
    TestImage image(4, 4);
    SWindow w, other, empty;
    w.AddResource(&image, true);
    other.AddResource(&image, false);
    EXPECT_EQ(w.GetWindowRect(), (sys::RECT{0, 0, 4, 4}));
    RecordingDC dc, source, elsewhere;
    const auto drawn = [&](SDC* pSource) {
        SWindow::SetSourceDC(pSource);
        w.DrawResourceImage(&dc, {0, 0, 4, 4}, 0);
        return dc.m_calls.back().what == "from" ? dc.m_calls.back().pSource : nullptr;
    };
    EXPECT_EQ(drawn(nullptr), nullptr);
    EXPECT_EQ(drawn(&source), nullptr);
    sys::POINT cursor;
    ASSERT_TRUE(w.PackImages(&source, 640, 480, cursor));
    EXPECT_EQ(drawn(&source), &source);
    cursor = {};
    ASSERT_TRUE(other.PackImages(&elsewhere, 640, 480, cursor));
    EXPECT_EQ(drawn(&source), nullptr);
    EXPECT_EQ(drawn(&elsewhere), &elsewhere);
    // A new packing of that context, without the image, leaves it no place there.
    cursor = {};
    ASSERT_TRUE(empty.PackImages(&elsewhere, 640, 480, cursor));
    EXPECT_EQ(drawn(&elsewhere), nullptr);
    SWindow::SetSourceDC(nullptr);
}

// An image that goes takes its note with it: the next one made at its address lies nowhere.
TEST_F(WindowResourcesTest, AnImageMadeWhereAPackedOneWasLiesOnNoContext) {
    alignas(TestImage) unsigned char storage[sizeof(TestImage)];
    RecordingDC dc;
    auto* first = new (storage) TestImage(4, 4);
    SDC::NotePacked(first, &dc);
    ASSERT_TRUE(dc.HoldsPacked(first));
    first->~TestImage();
    auto* second = new (storage) TestImage(4, 4);
    EXPECT_FALSE(dc.HoldsPacked(second));
    second->~TestImage();
}

// A picture switcher draws its next picture into the place its last one took on the context
// being drawn from, and only there; the picture given back lies there no more.
TEST_F(WindowResourcesTest, APictureSwitcherPutsTheNextPictureInThePlaceOfTheLast) {
    SCatalog catalog;
    TestImage* pictures[3] = {};
    const char* names[3] = {"A", "B", "C"};
    for (int i = 0; i < 3; ++i) {
        auto* item = new SCatalogItem(kKindImage, names[i], names[i], "");
        pictures[i] = new TestImage(4, 4);
        item->SetResource(pictures[i]);
        catalog.AddItem(item);
    }
    SWindow::SetResourceCatalog(&catalog);
    {
        SMultiImage switcher;
        for (const char* name : {"id;A", "id;B", "id;C"})
            switcher.AddResourceName(name);
        ASSERT_TRUE(switcher.LoadFromMemory(nullptr, 0));
        RecordingDC source, elsewhere;
        sys::POINT cursor{};
        ASSERT_TRUE(switcher.PackImages(&source, 640, 480, cursor));
        SWindow::SetSourceDC(&source);
        switcher.SetCurImage(1);
        ASSERT_FALSE(source.m_calls.empty());
        EXPECT_EQ(source.m_calls.back().what, "image");
        EXPECT_EQ(source.m_calls.back().pImage, pictures[1]);
        EXPECT_EQ(RectOf(*pictures[1]), (sys::RECT{0, 0, 4, 4}));
        EXPECT_TRUE(source.HoldsPacked(pictures[1]));
        EXPECT_FALSE(source.HoldsPacked(pictures[0]));
        // Drawn from another context, where B never lay: C takes no place there.
        SWindow::SetSourceDC(&elsewhere);
        switcher.SetCurImage(2);
        EXPECT_TRUE(elsewhere.m_calls.empty());
        EXPECT_FALSE(elsewhere.HoldsPacked(pictures[2]));
        SWindow::SetSourceDC(nullptr);
    }
    SWindow::SetResourceCatalog(nullptr);
}

TEST_F(WindowResourcesTest, LoadingNamesFromFilesAndTheCatalog) {
    const std::string folder = tarvex::test::MakeScratchFolder("windows");
    WriteImageFile(folder + "/pic.bmp", 8, 6);
    WriteImageFile(folder + "/click.wav", 1, 1);
    WriteImageFile(folder + "/broken.bmp", -1, 0);  // refused by its reader below

    // Without a catalog: the catalog name is reported and fails the load; files still load.
    SWindow w;
    for (const char* name : {"id;Backdrop", "pic.bmp", "missing.bmp", "click.wav", "broken.bmp"})
        w.AddResourceName(name);
    EXPECT_FALSE(w.LoadFromFile(folder.c_str(), 0));
    ASSERT_EQ(w.GetResourceArray()->GetSize(), 2);
    EXPECT_EQ(w.GetResourceArray()->GetAt(0)->GetWidth(), 8);
    EXPECT_NE(dynamic_cast<SoundStub*>(w.GetResourceArray()->GetAt(1)), nullptr);
    const auto shown = sys::dialogs::headless::Shown();
    ASSERT_EQ(shown.size(), 3u);  // the catalog name, the missing file and the broken one
    EXPECT_EQ(shown[0].text, "No catalog to load id;Backdrop!");
    EXPECT_EQ(shown[2].text, "Failed to load file " + folder + "\\broken.bmp!");
    EXPECT_TRUE(w.IsLoaded());
    EXPECT_TRUE(w.LoadFromFile(folder.c_str(), 0));  // loaded once only

    // With a catalog: the entry is acquired, and the search folders are tried in order.
    SCatalog catalog;
    auto* item = new SCatalogItem(kKindImage, "Backdrop", "backdrop", "");
    auto* backdrop = new TestImage(64, 48);
    item->SetResource(backdrop);
    catalog.AddItem(item);
    SWindow::SetResourceCatalog(&catalog);
    CStringArray folders;
    folders.Add((folder + "/nowhere").c_str());
    folders.Add(folder.c_str());
    auto* child = new SWindow;
    child->AddResourceName("pic.bmp");
    SWindow v;
    child->SetParent(&v);
    v.SetContextValue(77);
    for (const char* name : {"id;Backdrop", "id;Unknown", "click.wav", "nowhere.wav"})
        v.AddResourceName(name);
    EXPECT_TRUE(v.LoadFromMemory(&folders, 0));
    ASSERT_EQ(v.GetResourceArray()->GetSize(), 2);
    EXPECT_EQ(v.GetResourceArray()->GetAt(0), backdrop);
    EXPECT_EQ(item->GetUseCount(), 1);
    EXPECT_EQ(child->GetResourceArray()->GetSize(), 1);
    EXPECT_EQ(child->GetContextValue(), 77u);

    // Unloading gives the catalog entry back and deletes what the catalog does not hold.
    v.Unload();
    EXPECT_EQ(item->GetUseCount(), 0);
    EXPECT_EQ(v.GetResourceArray()->GetSize(), 0);
    EXPECT_FALSE(v.IsLoaded());
    w.Unload();
    SWindow::SetResourceCatalog(nullptr);
}

// Counts the pictures and sounds that are made and not yet deleted.
class CountedImage : public TestImage {
public:
    CountedImage() { ++s_alive; }
    ~CountedImage() override { --s_alive; }
    static inline int s_alive = 0;
};

TEST_F(WindowResourcesTest, WhatAWindowMadeFromFilesGoesAtUnloadWithOrWithoutACatalog) {
    const std::string folder = tarvex::test::MakeScratchFolder("windows");
    SResourceFactory::RegisterKind<CountedImage>(kKindImage);
    SResourceFactory::RegisterKind<CountedImage>(kKindSound);
    WriteImageFile(folder + "/pic.bmp", 8, 6);
    for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav", "f.wav"})
        WriteImageFile(folder + "/" + name, 1, 1);
    SCatalog catalog;
    struct Case {
        bool screen;
        SCatalog* catalog;
    };
    for (const Case& c : {Case{false, nullptr}, Case{false, &catalog}, Case{true, nullptr}, Case{true, &catalog}}) {
        SWindow::SetResourceCatalog(c.catalog);
        std::unique_ptr<SWindow> w(c.screen ? new SScreen : new SWindow);
        for (const char* name : {"pic.bmp", "a.wav", "b.wav", "c.wav", "d.wav", "e.wav", "f.wav"})
            w->AddResourceName(name);
        ASSERT_TRUE(w->LoadFromFile(folder.c_str(), 0));
        EXPECT_EQ(CountedImage::s_alive, 7);
        w->Unload();  // a screen's six sound entries are cleared before the window unloads
        EXPECT_EQ(CountedImage::s_alive, 0) << c.screen << (c.catalog != nullptr);
        ASSERT_TRUE(w->LoadFromFile(folder.c_str(), 0));
        w.reset();
        EXPECT_EQ(CountedImage::s_alive, 0) << c.screen << (c.catalog != nullptr);
    }
    SWindow::SetResourceCatalog(nullptr);
}

TEST_F(WindowResourcesTest, APictureSwitcherGivesBackWhatItHeldBeforeLoadingEveryPicture) {
    const std::string folder = tarvex::test::MakeScratchFolder("windows");
    SResourceFactory::RegisterKind<CountedImage>(kKindImage);
    WriteImageFile(folder + "/a.bmp", 1, 1);
    WriteImageFile(folder + "/b.bmp", 1, 1);
    SCatalog catalog;
    SWindow::SetResourceCatalog(&catalog);
    {
        SMultiImage pictures;
        pictures.AddResourceName("a.bmp");
        pictures.AddResourceName("b.bmp");
        ASSERT_TRUE(pictures.LoadFromFile(folder.c_str(), 0));
        EXPECT_EQ(CountedImage::s_alive, 1);  // the current picture
        pictures.LoadAllImages(folder.c_str());
        EXPECT_EQ(CountedImage::s_alive, 2);
        pictures.LoadAllImages(folder.c_str());
        EXPECT_EQ(CountedImage::s_alive, 2);
    }
    EXPECT_EQ(CountedImage::s_alive, 0);
    SWindow::SetResourceCatalog(nullptr);
}

TEST_F(WindowResourcesTest, ArchiveFormOfALeafWindow) {
    SWindow w;
    w.Create(nullptr, "W", 0x10001, {1, 2, 3, 4}, nullptr, 7, nullptr);
    w.SetOwnPacking(1);
    const Bytes bytes = tarvex::test::StoreArchive([&](CArchive& ar) { w.Serialize(ar); });
    const Bytes expected = {4, 0, 0, 0,                                          // schema word
                            1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0,  // rectangle
                            1, 0, 1, 0,                                          // style
                            1, 'W',                                              // text
                            7, 0, 0, 0,                                          // id
                            1, 0, 0, 0,                                          // own packing
                            0, 0,                                                // no children
                            0, 0};                                               // no names
    EXPECT_EQ(bytes, expected);

    // A window of schema 3 carries no own-packing word and becomes schema 4.
    Bytes old = {3, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 1, 0, 1, 0, 1, 'W', 7, 0, 0, 0,
                 0, 0, 1, 0, 5, 'a', '.', 'b', 'm', 'p'};
    SWindow loaded;
    tarvex::test::LoadArchive(old, [&](CArchive& ar) { loaded.Serialize(ar); });
    EXPECT_EQ(loaded.GetOwnPacking(), 0);
    EXPECT_EQ(loaded.GetSchemaWord(), 4u);
    EXPECT_TRUE(loaded.IsCreated());
    EXPECT_EQ(loaded.GetWindowRect(), (sys::RECT{1, 2, 3, 4}));
    ASSERT_EQ(loaded.GetResourceNames().GetCount(), 1);
    EXPECT_STREQ(loaded.GetResourceNames().GetHead(), "a.bmp");
}

TEST_F(WindowResourcesTest, AChildOfAnUnknownClassFailsTheLoadAndLeavesAWindowThatCanBeDeleted) {
    SWindow root;
    (new SWindow)->SetParent(&root);
    (new SScreen)->SetParent(&root);
    Bytes bytes = tarvex::test::StoreArchive([&](CArchive& ar) { root.Serialize(ar); });
    const std::string stored(bytes.begin(), bytes.end());
    const size_t at = stored.find("SScreen");
    ASSERT_NE(at, std::string::npos);
    bytes[at + 6] = 'X';
    auto* loaded = new SWindow;
    EXPECT_THROW(tarvex::test::LoadArchive(bytes, [&](CArchive& ar) { loaded->Serialize(ar); }), CArchiveException);
    EXPECT_EQ(loaded->GetChildren()->GetCount(), 1);
    delete loaded;
}

TEST_F(WindowResourcesTest, TreeRoundTripAndClone) {
    SWindow root;
    root.Create(nullptr, "Root", 0, {0, 0, 640, 480}, nullptr, 1, nullptr);
    auto* child = new SWindow;
    child->Create(nullptr, "Child", SWindow::kStyleTabStop, {10, 10, 20, 20}, &root, 2, nullptr);
    child->AddResourceName("id;Thing");
    const Bytes bytes = tarvex::test::StoreArchive([&](CArchive& ar) { ar << &root; });

    SWindow* copy = nullptr;
    tarvex::test::LoadArchive(bytes, [&](CArchive& ar) { ar >> copy; });
    std::unique_ptr<SWindow> owner(copy);
    ASSERT_NE(copy, nullptr);
    SWindow* loadedChild = copy->FindChild(2);
    ASSERT_NE(loadedChild, nullptr);
    EXPECT_EQ(loadedChild->GetParent(), copy);
    EXPECT_EQ(loadedChild->GetWindowRect(), (sys::RECT{10, 10, 20, 20}));
    EXPECT_EQ(loadedChild->GetStyle(), SWindow::kStyleTabStop);
    EXPECT_STREQ(loadedChild->GetResourceNames().GetHead(), "id;Thing");

    std::unique_ptr<SResource> clone(child->Clone(nullptr));
    auto* window = dynamic_cast<SWindow*>(clone.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetID(), 2u);
    EXPECT_EQ(window->GetParent(), nullptr);
    EXPECT_EQ(window->GetResourceNames().GetCount(), 1);
    TestImage notAWindow;
    EXPECT_EQ(child->Clone(&notAWindow), nullptr);
}

}  // namespace
