// The resource base: what it stores, how it clones and forgets references, what the base
// answers for image queries and visits, and the fixed table of resource kinds.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "core/SResource.h"
#include "tests/core/CatalogTestSupport.h"

namespace {

using catalogtest::Bytes;

// Records every visit it gets, so a test can see that none happened.
class RecordingVisitor : public SResourceVisitor {
public:
    int32_t VisitSprite(SSprite*) override { return Record(); }
    int32_t VisitDIB(SDIB*) override { return Record(); }
    int32_t VisitReserved(SResource*) override { return Record(); }
    int32_t VisitWave(SWave*) override { return Record(); }
    int m_nVisits = 0;

private:
    int32_t Record() {
        ++m_nVisits;
        return 77;
    }
};

TEST(ResourceBase, FreshResourceStoresOneWordOfValueOne) {
    SResource resource;
    EXPECT_EQ(catalogtest::StoreBytes(resource), (Bytes{0x01, 0x00, 0x00, 0x00}));
}

TEST(ResourceBase, LoadingReadsTheSchemaWordOnly) {
    SResource resource;
    catalogtest::LoadBytes(resource, Bytes{0x05, 0x01, 0x00, 0x00});
    EXPECT_EQ(resource.GetSchemaWord(), 0x105u);
    SResource shortOne;
    EXPECT_THROW(catalogtest::LoadBytes(shortOne, Bytes{0x01, 0x00}), CArchiveException);
}

TEST(ResourceBase, CloneWithoutTargetMakesAPlainResourceWithTheSameFields) {
    SResource original;
    catalogtest::LoadBytes(original, Bytes{0x03, 0x00, 0x00, 0x00});
    original.SetContextValue(0xABCD);
    original.SetSecondWord(42);
    original.SetRect(sys::RECT{1, 2, 30, 40});

    std::unique_ptr<SResource> copy(original.Clone(nullptr));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy.get(), &original);
    EXPECT_EQ(copy->GetRuntimeClass(), RUNTIME_CLASS(SResource));
    EXPECT_EQ(copy->GetSchemaWord(), 3u);
    EXPECT_EQ(copy->GetContextValue(), 0xABCDu);
    EXPECT_EQ(copy->GetSecondWord(), 42u);
    sys::RECT rect;
    EXPECT_EQ(copy->GetRect(&rect), 1);
    EXPECT_EQ(rect, (sys::RECT{1, 2, 30, 40}));
}

TEST(ResourceBase, RemoveReferenceClearsEveryEntryAndKeepsTheSize) {
    SResource holder;
    SResource a;
    SResource b;
    holder.GetResourceArray()->Add(&a);
    holder.GetResourceArray()->Add(&b);
    holder.GetResourceArray()->Add(&a);

    EXPECT_TRUE(holder.RemoveReference(&a));
    ASSERT_EQ(holder.GetResourceArray()->GetSize(), 3);
    EXPECT_EQ(holder.GetResourceArray()->GetAt(0), nullptr);
    EXPECT_EQ(holder.GetResourceArray()->GetAt(1), &b);
    EXPECT_EQ(holder.GetResourceArray()->GetAt(2), nullptr);
}

// Notes at its deletion which of its entries are still set.
class NotingHolder : public SResource {
public:
    explicit NotingHolder(std::vector<std::string>* pNotes) : m_pNotes(pNotes) {}
    ~NotingHolder() override {
        std::string entries;
        for (int i = 0; i < m_pResArray->GetSize(); ++i)
            entries += m_pResArray->GetAt(i) != nullptr ? "x" : "-";
        m_pNotes->push_back(entries);
    }
    std::vector<std::string>* m_pNotes;
};

TEST(ResourceBase, ADestroyedCatalogLeavesNoResourcePointingAtOneDeletedBeforeIt) {
    std::vector<std::string> notes;
    auto* catalog = new SCatalog;
    auto* early = new SResource;
    auto* holder = new NotingHolder(&notes);
    auto* late = new SResource;
    auto* last = new NotingHolder(&notes);
    SResource* items[] = {early, holder, late, last};
    for (int i = 0; i < 4; ++i) {
        auto* item = new SCatalogItem(kKindImage, ("r" + std::to_string(i)).c_str(), "", "");
        item->SetResource(items[i]);
        catalog->AddItem(item);
    }
    // Entries: one before it, itself, one after it; and one to a resource of no item.
    SResource outside;
    for (SResource* entry : {early, static_cast<SResource*>(holder), late, &outside})
        holder->GetResourceArray()->Add(entry);
    for (SResource* entry : {early, static_cast<SResource*>(holder), late, &outside})
        last->GetResourceArray()->Add(entry);
    delete catalog;
    EXPECT_EQ(notes, (std::vector<std::string>{"-xxx", "---x"}));
}

TEST(ResourceBase, AcceptOnAPlainResourceAnswersZeroWithoutVisiting) {
    SResource resource;
    RecordingVisitor visitor;
    EXPECT_EQ(resource.Accept(&visitor), 0);
    EXPECT_EQ(visitor.m_nVisits, 0);
}

// A derived class copied as a window copies another.
class CopyableResource : public SResource {
public:
    CopyableResource() = default;
    CopyableResource(const CopyableResource& other) : SResource(other) {}
};

TEST(ResourceBase, CopyOfADerivedResourceHasItsOwnArrayOverTheSameResources) {
    SResource image;
    CopyableResource original;
    original.GetResourceArray()->Add(&image);
    original.SetSecondWord(5);
    {
        CopyableResource copy(original);
        EXPECT_NE(copy.GetResourceArray(), original.GetResourceArray());
        ASSERT_EQ(copy.GetResourceArray()->GetSize(), 1);
        EXPECT_EQ(copy.GetResourceArray()->GetAt(0), &image);
        EXPECT_EQ(copy.GetSecondWord(), 5u);
    }
    ASSERT_EQ(original.GetResourceArray()->GetSize(), 1);
    EXPECT_EQ(original.GetResourceArray()->GetAt(0), &image);
}

TEST(ResourceKindTable, FoldersByCode) {
    EXPECT_STREQ(SResourceKinds::GetFolder(kKindImage), "Images");
    EXPECT_STREQ(SResourceKinds::GetFolder(kKindSound), "Sounds");
    EXPECT_STREQ(SResourceKinds::GetFolder(6), "Actors");
    EXPECT_STREQ(SResourceKinds::GetFolder(7), "Surfaces");
    EXPECT_STREQ(SResourceKinds::GetFolder(kKindComboBox), "Combo Boxes");
    EXPECT_STREQ(SResourceKinds::GetFolder(kKindSoundEmitter), "Sound Emitters");
    EXPECT_STREQ(SResourceKinds::GetFolder(kKindTextureHandler), "Texture2s");
    EXPECT_STREQ(SResourceKinds::GetFolder(kKindScrollBar), "Scrollbars");
    EXPECT_STREQ(SResourceKinds::GetFolder(15), "");
    EXPECT_STREQ(SResourceKinds::GetFolder(kKindListCtrl), "");
    EXPECT_STREQ(SResourceKinds::GetFolder(28), "");
    EXPECT_STREQ(SResourceKinds::GetFolder(-1), "");
}

TEST(ResourceKindTable, ExtensionsByCode) {
    EXPECT_STREQ(SResourceKinds::GetExtension(kKindSound), "wav");
    EXPECT_STREQ(SResourceKinds::GetExtension(kKindSprite), "spr");
    EXPECT_STREQ(SResourceKinds::GetExtension(kKindMesh), "msh");
    EXPECT_STREQ(SResourceKinds::GetExtension(kKindTexture), "tex");
    EXPECT_STREQ(SResourceKinds::GetExtension(kKindButton), "but");
    EXPECT_STREQ(SResourceKinds::GetExtension(kKindDialog), "dlg");
    EXPECT_STREQ(SResourceKinds::GetExtension(kKindScreen), "scr");
    EXPECT_STREQ(SResourceKinds::GetExtension(kKindFont), "fnt");
    EXPECT_STREQ(SResourceKinds::GetExtension(kKindModel), "mod");
    EXPECT_STREQ(SResourceKinds::GetExtension(kKindSoundEmitter), "sem");
    EXPECT_STREQ(SResourceKinds::GetExtension(kKindAnimation), "");
    EXPECT_STREQ(SResourceKinds::GetExtension(kKindSlider), "");
    EXPECT_STREQ(SResourceKinds::GetExtension(99), "");
}

TEST(ResourceKindTable, CodesWithoutAClass) {
    for (int nKind : {-1, 0, 6, 7, 15, 16, 28, 1000})
        EXPECT_FALSE(SResourceKinds::HasClass(nKind)) << nKind;
    for (int nKind : {1, 2, 3, 4, 5, 8, 9, 14, 17, 21, 25, 27})
        EXPECT_TRUE(SResourceKinds::HasClass(nKind)) << nKind;
}

}  // namespace
