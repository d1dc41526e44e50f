// Objects through pointers: class records, the shared index space of classes and objects,
// back-references, versionable schemas and the run-time class registry.
#include <gtest/gtest.h>

#include <memory>

#include "ArchiveTestClasses.h"
#include "sys/classlib/Collections.h"

namespace {

// The class record of ArcPoint as it first appears: new-class tag, schema 1, name.
std::vector<uint8_t> PointClassRecord() {
    auto out = Bytes({0xFF, 0xFF, 0x01, 0x00, 0x08, 0x00});
    AppendText(out, "ArcPoint");
    return out;
}

void DeleteAll(CObList& list) {
    while (!list.IsEmpty())
        delete list.RemoveHead();
}

}  // namespace

TEST(ArchiveObjects, ListOfTwoClassesHasExactTags) {
    ArcPoint a(1, 2);
    ArcPoint b(3, 4);
    ArcLabel label("hi");
    CObList list;
    list.AddTail(&a);
    list.AddTail(&b);
    list.AddTail(&label);
    const auto bytes = Store([&](CArchive& ar) { list.Serialize(ar); });

    auto expected = Bytes({0x03, 0x00});                         // count
    Append(expected, PointClassRecord());                         // class index 1
    Append(expected, Bytes({1, 0, 0, 0, 2, 0, 0, 0}));            // object 2
    Append(expected, Bytes({0x01, 0x80, 3, 0, 0, 0, 4, 0, 0, 0})); // class 1 again; object 3
    Append(expected, Bytes({0xFF, 0xFF, 0x02, 0x00, 0x08, 0x00})); // class index 4, schema 2
    AppendText(expected, "ArcLabel");
    Append(expected, Bytes({0x02, 'h', 'i'}));                    // object 5
    EXPECT_EQ(bytes, expected);

    CObList back;
    Load(bytes, [&](CArchive& ar) { back.Serialize(ar); });
    ASSERT_EQ(back.GetCount(), 3);
    POSITION pos = back.GetHeadPosition();
    auto* p1 = dynamic_cast<ArcPoint*>(back.GetNext(pos));
    auto* p2 = dynamic_cast<ArcPoint*>(back.GetNext(pos));
    auto* l = dynamic_cast<ArcLabel*>(back.GetNext(pos));
    ASSERT_TRUE(p1 && p2 && l);
    EXPECT_EQ(p1->m_x, 1);
    EXPECT_EQ(p1->m_y, 2);
    EXPECT_EQ(p2->m_x, 3);
    EXPECT_EQ(p2->m_y, 4);
    EXPECT_TRUE(l->m_text == "hi");
    EXPECT_NE(p1, p2);
    DeleteAll(back);
}

TEST(ArchiveObjects, SameObjectTwiceReadsBackAsOne) {
    ArcPoint p(5, 6);
    CObArray array;
    array.Add(&p);
    array.Add(&p);
    array.Add(nullptr);
    const auto bytes = Store([&](CArchive& ar) { array.Serialize(ar); });

    auto expected = Bytes({0x03, 0x00});
    Append(expected, PointClassRecord());
    Append(expected, Bytes({5, 0, 0, 0, 6, 0, 0, 0}));
    Append(expected, Bytes({0x02, 0x00, 0x00, 0x00}));  // back-reference to object 2; null
    EXPECT_EQ(bytes, expected);

    CObArray back;
    Load(bytes, [&](CArchive& ar) { back.Serialize(ar); });
    ASSERT_EQ(back.GetSize(), 3);
    ASSERT_NE(back[0], nullptr);
    EXPECT_EQ(back[0], back[1]);
    EXPECT_EQ(back[2], nullptr);
    delete back[0];
}

TEST(ArchiveObjects, ObjectReferringToItself) {
    ArcNode node(9);
    node.m_pLink = &node;
    const auto bytes = Store([&](CArchive& ar) { ar << &node; });
    auto expected = Bytes({0xFF, 0xFF, 0x01, 0x00, 0x07, 0x00});
    AppendText(expected, "ArcNode");
    Append(expected, Bytes({9, 0, 0, 0, 0x02, 0x00}));
    EXPECT_EQ(bytes, expected);

    ArcNode* back = nullptr;
    Load(bytes, [&](CArchive& ar) { ar >> back; });
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->m_id, 9);
    EXPECT_EQ(back->m_pLink, back);
    delete back;
}

TEST(ArchiveObjects, IndicesFromThe7FFFthOnUseTheLongForm) {
    // 0x7FFF points take indices 2 .. 0x8000 after their class (1); the label class then gets
    // 0x8001, so its second use, and a reference to the last point, need the long forms.
    const int count = 0x7FFF;
    std::vector<std::unique_ptr<ArcPoint>> points;
    CObArray array;
    for (int i = 0; i < count; ++i) {
        points.push_back(std::make_unique<ArcPoint>(i, 0));
        array.Add(points.back().get());
    }
    ArcLabel first("x");
    ArcLabel second("y");
    const auto bytes = Store([&](CArchive& ar) {
        array.Serialize(ar);
        ar << &first << &second << points.back().get() << points[0x7FFC].get();
    });
    // The array: count, the first point with its class record, then each point with a short
    // class tag. Then the first label with its class record and "x".
    size_t at = 2 + PointClassRecord().size() + static_cast<size_t>(count) * 8 + static_cast<size_t>(count - 1) * 2;
    at += 14 + 2;
    ASSERT_GT(bytes.size(), at + 8);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + static_cast<long>(at), bytes.end()),
              Bytes({0xFF, 0x7F, 0x01, 0x80, 0x00, 0x80, 0x01, 'y',  // class 0x8001, long form
                     0xFF, 0x7F, 0x00, 0x80, 0x00, 0x00,              // object 0x8000, long form
                     0xFE, 0x7F}));                                   // object 0x7FFE, short form

    CObArray back;
    CObject* firstBack = nullptr;
    ArcLabel* secondBack = nullptr;
    ArcPoint* lastBack = nullptr;
    ArcPoint* nearBack = nullptr;
    Load(bytes, [&](CArchive& ar) {
        back.Serialize(ar);
        ar >> firstBack >> secondBack >> lastBack >> nearBack;
    });
    ASSERT_EQ(back.GetSize(), count);
    EXPECT_EQ(lastBack, back[count - 1]);
    EXPECT_EQ(nearBack, back[0x7FFC]);
    ASSERT_NE(secondBack, nullptr);
    EXPECT_TRUE(secondBack->m_text == "y");
    for (int i = 0; i < back.GetSize(); ++i)
        delete back[i];
    delete firstBack;
    delete secondBack;
}

TEST(ArchiveObjects, VersionableClassWritesCurrentSchemaAndReadsOlderOnes) {
    ArcVersioned v;
    v.m_a = 7;
    v.m_name = "n";
    v.m_weight = 2.0f;
    const auto bytes = Store([&](CArchive& ar) { ar << &v; });
    auto expected = Bytes({0xFF, 0xFF, 0x03, 0x00, 0x0C, 0x00});
    AppendText(expected, "ArcVersioned");
    Append(expected, Bytes({7, 0, 0, 0, 0x01, 'n', 0x00, 0x00, 0x00, 0x40}));
    EXPECT_EQ(bytes, expected);

    // The same object as a schema-1 file wrote it: only a.
    auto old = Bytes({0xFF, 0xFF, 0x01, 0x00, 0x0C, 0x00});
    AppendText(old, "ArcVersioned");
    Append(old, Bytes({0x2A, 0, 0, 0}));
    ArcVersioned* back = nullptr;
    Load(old, [&](CArchive& ar) { ar >> back; });
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->m_loadedSchema, 1u);
    EXPECT_EQ(back->m_secondAnswer, 0xFFFFFFFFu);  // the schema is handed over once
    EXPECT_EQ(back->m_a, 42);
    EXPECT_TRUE(back->m_name.IsEmpty());
    EXPECT_EQ(back->m_weight, 0.5f);
    delete back;

    // A second object of the class refers to the class record and gets the same schema.
    auto two = Bytes({0x02, 0x00});
    Append(two, Bytes({0xFF, 0xFF, 0x02, 0x00, 0x0C, 0x00}));
    AppendText(two, "ArcVersioned");
    Append(two, Bytes({1, 0, 0, 0, 0x01, 'p', 0x01, 0x80, 2, 0, 0, 0, 0x01, 'q'}));
    CObList list;
    Load(two, [&](CArchive& ar) { list.Serialize(ar); });
    ASSERT_EQ(list.GetCount(), 2);
    auto* second = dynamic_cast<ArcVersioned*>(list.GetTail());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->m_loadedSchema, 2u);
    EXPECT_TRUE(second->m_name == "q");
    DeleteAll(list);
}

TEST(ArchiveObjects, TypedCollectionsHandOutTheirElementClass) {
    ArcLabel a("a");
    ArcTitle t("t");
    CTypedPtrArray<CObArray, ArcLabel*> labels;
    labels.Add(&a);
    labels.Add(&t);
    labels[1] = &a;  // the element reference writes through
    EXPECT_EQ(labels[1], &a);
    labels[1] = &t;
    EXPECT_TRUE(labels[1]->m_text == "t");

    CTypedPtrList<CObList, ArcLabel*> list;
    list.AddTail(&t);
    list.AddHead(&a);
    const auto bytes = Store([&](CArchive& ar) {
        labels.Serialize(ar);
        list.Serialize(ar);
    });
    CTypedPtrArray<CObArray, ArcLabel*> labelsBack;
    CTypedPtrList<CObList, ArcLabel*> listBack;
    Load(bytes, [&](CArchive& ar) {
        labelsBack.Serialize(ar);
        listBack.Serialize(ar);
    });
    ASSERT_EQ(labelsBack.GetSize(), 2);
    ASSERT_EQ(listBack.GetCount(), 2);
    EXPECT_TRUE(labelsBack[1]->IsKindOf(RUNTIME_CLASS(ArcTitle)));
    // The list refers to the objects the array brought.
    EXPECT_EQ(listBack.GetHead(), labelsBack[0]);
    EXPECT_EQ(listBack.GetTail(), labelsBack[1]);
    delete labelsBack[0];
    delete labelsBack[1];
}

TEST(ArchiveObjects, RegistryCreatesByNameAndKnowsKinds) {
    const CRuntimeClass* cls = CRuntimeClass::FromName("ArcTitle");
    ASSERT_EQ(cls, RUNTIME_CLASS(ArcTitle));
    EXPECT_EQ(CRuntimeClass::FromName("arctitle"), nullptr);  // names are exact
    EXPECT_EQ(CRuntimeClass::FromName("NoSuchClass"), nullptr);
    std::unique_ptr<CObject> made(CRuntimeClass::CreateObject("ArcTitle"));
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(ArcLabel)));
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(made->IsKindOf(RUNTIME_CLASS(ArcPoint)));
    EXPECT_EQ(made->GetRuntimeClass()->GetSchema(), 2u);
    EXPECT_EQ(RUNTIME_CLASS(ArcVersioned)->GetSchema(), 3u);
    EXPECT_TRUE(RUNTIME_CLASS(ArcVersioned)->IsVersionable());
    // The class library's own classes are registered too; a dynamic-only class is known but
    // cannot be made from its name.
    EXPECT_EQ(CRuntimeClass::FromName("CObList"), RUNTIME_CLASS(CObList));
    EXPECT_NE(CRuntimeClass::FromName("CFile"), nullptr);
    EXPECT_EQ(CRuntimeClass::CreateObject("CFile"), nullptr);
    EXPECT_FALSE(RUNTIME_CLASS(CFile)->IsSerializable());
}
