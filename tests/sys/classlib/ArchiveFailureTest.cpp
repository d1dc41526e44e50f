// Bad archives: every way a stored file can be short or wrong must end in CArchiveException
// with the right cause, never a crash, a wrong object or an allocation the data cannot fill.
#include <gtest/gtest.h>

#include <set>

#include "ArchiveTestClasses.h"
#include "sys/classlib/Collections.h"

namespace {

// Loads the bytes with fn and answers the archive exception's cause, or -1 when none came.
template <class Fn>
int LoadCause(const std::vector<uint8_t>& bytes, Fn fn) {
    try {
        Load(bytes, fn);
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return -1;
}

int LoadListCause(const std::vector<uint8_t>& bytes) {
    CObList list;
    const int cause = LoadCause(bytes, [&](CArchive& ar) { list.Serialize(ar); });
    // A list may hold one object twice through a back-reference: delete each once.
    std::set<CObject*> loaded;
    while (!list.IsEmpty())
        loaded.insert(list.RemoveHead());
    for (CObject* object : loaded)
        delete object;
    return cause;
}

std::vector<uint8_t> PointRecord(int schema = 1) {
    auto out = Bytes({0xFF, 0xFF, schema, 0x00, 0x08, 0x00});
    AppendText(out, "ArcPoint");
    return out;
}

class ArchiveFailure : public ::testing::Test {
protected:
    void TearDown() override { ArcCounted::DeleteAllLive(); }
};

}  // namespace

TEST_F(ArchiveFailure, EveryTruncationOfAValidArchiveIsEndOfFile) {
    ArcPoint p(1, 2);
    ArcLabel l("label");
    ArcNode n(3);
    n.m_pLink = &p;
    CObList list;
    list.AddTail(&p);
    list.AddTail(&l);
    list.AddTail(&n);
    list.AddTail(&p);
    const auto bytes = Store([&](CArchive& ar) { list.Serialize(ar); });
    ASSERT_EQ(LoadListCause(bytes), -1);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        EXPECT_EQ(LoadListCause(prefix), CArchiveException::endOfFile) << "cut at " << cut;
    }
}

TEST_F(ArchiveFailure, BadTagsAreBadIndex) {
    // A back-reference to index 1, which is a class record, not an object.
    auto classAsObject = Bytes({0x02, 0x00});
    Append(classAsObject, PointRecord());
    Append(classAsObject, Bytes({1, 0, 0, 0, 2, 0, 0, 0, 0x01, 0x00}));
    EXPECT_EQ(LoadListCause(classAsObject), CArchiveException::badIndex);

    // A class reference to index 2, which is an object.
    auto objectAsClass = Bytes({0x02, 0x00});
    Append(objectAsClass, PointRecord());
    Append(objectAsClass, Bytes({1, 0, 0, 0, 2, 0, 0, 0, 0x02, 0x80}));
    EXPECT_EQ(LoadListCause(objectAsClass), CArchiveException::badIndex);

    // References to indices nothing has taken yet, short and long forms.
    EXPECT_EQ(LoadListCause(Bytes({0x01, 0x00, 0x05, 0x00})), CArchiveException::badIndex);
    EXPECT_EQ(LoadListCause(Bytes({0x01, 0x00, 0x01, 0x80})), CArchiveException::badIndex);
    EXPECT_EQ(LoadListCause(Bytes({0x01, 0x00, 0xFF, 0x7F, 0x00, 0x00, 0x01, 0x00})), CArchiveException::badIndex);
    EXPECT_EQ(LoadListCause(Bytes({0x01, 0x00, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF})), CArchiveException::badIndex);
}

TEST_F(ArchiveFailure, UnknownOrUnfitClassesAreBadClass) {
    auto unknown = Bytes({0x01, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x07, 0x00});
    AppendText(unknown, "Nothing");
    Append(unknown, Bytes({0, 0, 0, 0}));
    EXPECT_EQ(LoadListCause(unknown), CArchiveException::badClass);

    // A known name with a NUL inside is not that name.
    auto withNul = Bytes({0x01, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x09, 0x00});
    AppendText(withNul, "ArcPoint");
    withNul.push_back(0);
    EXPECT_EQ(LoadListCause(withNul), CArchiveException::badClass);

    // A class that exists but cannot be made from a file.
    auto notSerial = Bytes({0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x05, 0x00});
    AppendText(notSerial, "CFile");
    EXPECT_EQ(LoadListCause(notSerial), CArchiveException::badClass);

    // A point where a typed list wants labels: refused, nothing handed out as a label.
    auto point = Bytes({0x01, 0x00});
    Append(point, PointRecord());
    Append(point, Bytes({1, 0, 0, 0, 2, 0, 0, 0}));
    CTypedPtrList<CObList, ArcLabel*> labels;
    EXPECT_EQ(LoadCause(point, [&](CArchive& ar) { labels.Serialize(ar); }), CArchiveException::badClass);
    EXPECT_TRUE(labels.IsEmpty());

    // The same through a back-reference: a label first, then a reference to it read as a point.
    ArcLabel l("x");
    const auto twice = Store([&](CArchive& ar) { ar << &l << &l; });
    CObject* first = nullptr;
    ArcPoint* second = nullptr;
    EXPECT_EQ(LoadCause(twice, [&](CArchive& ar) { ar >> first >> second; }), CArchiveException::badClass);
    EXPECT_EQ(second, nullptr);
    delete first;
}

TEST_F(ArchiveFailure, SchemaTheClassDoesNotAcceptIsBadSchema) {
    auto newer = Bytes({0x01, 0x00});
    Append(newer, PointRecord(2));
    Append(newer, Bytes({1, 0, 0, 0, 2, 0, 0, 0}));
    EXPECT_EQ(LoadListCause(newer), CArchiveException::badSchema);
}

TEST_F(ArchiveFailure, HugeCountsFailBeforeAllocating) {
    // Counts near the top of the range over a few bytes: each collection refuses at once.
    const auto hugeCount = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00, 0x00});
    CObArray objects;
    CStringArray strings;
    CDWordArray words;
    CStringList stringList;
    CTypedPtrArray<CObArray, ArcPoint*> points;
    EXPECT_EQ(LoadListCause(hugeCount), CArchiveException::endOfFile);
    EXPECT_EQ(LoadCause(hugeCount, [&](CArchive& ar) { objects.Serialize(ar); }), CArchiveException::endOfFile);
    EXPECT_EQ(LoadCause(hugeCount, [&](CArchive& ar) { strings.Serialize(ar); }), CArchiveException::endOfFile);
    EXPECT_EQ(LoadCause(hugeCount, [&](CArchive& ar) { words.Serialize(ar); }), CArchiveException::endOfFile);
    EXPECT_EQ(LoadCause(hugeCount, [&](CArchive& ar) { stringList.Serialize(ar); }), CArchiveException::endOfFile);
    EXPECT_EQ(LoadCause(hugeCount, [&](CArchive& ar) { points.Serialize(ar); }), CArchiveException::endOfFile);
    EXPECT_EQ(objects.GetSize(), 0);
    EXPECT_EQ(strings.GetSize(), 0);
    EXPECT_EQ(words.GetSize(), 0);

    // Beyond what an int can index at all.
    EXPECT_EQ(LoadCause(Bytes({0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80}), [&](CArchive& ar) { ar.ReadCount(); }),
              CArchiveException::endOfFile);

    // A string claiming more characters than remain, in each length form.
    CString s;
    EXPECT_EQ(LoadCause(Bytes({0x05, 'a', 'b'}), [&](CArchive& ar) { ar >> s; }), CArchiveException::endOfFile);
    EXPECT_EQ(LoadCause(Bytes({0xFF, 0xFD, 0xFF, 'a'}), [&](CArchive& ar) { ar >> s; }), CArchiveException::endOfFile);
    EXPECT_EQ(LoadCause(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}), [&](CArchive& ar) { ar >> s; }),
              CArchiveException::endOfFile);
    // The wide-character marker is no length of ours.
    EXPECT_NE(LoadCause(Bytes({0xFF, 0xFE, 0xFF, 0x01, 'a'}), [&](CArchive& ar) { ar >> s; }), -1);

    // Strings the file holds, but more text than any file of ours has: 16 MiB in all is taken,
    // one more character is refused, whether in one string or spread over several.
    const auto text = [](std::initializer_list<uint32_t> lengths) {
        std::vector<uint8_t> bytes;
        for (uint32_t length : lengths) {
            const auto prefix = Bytes({0xFF, 0xFF, 0xFF, int(length & 0xFF), int((length >> 8) & 0xFF),
                                       int((length >> 16) & 0xFF), int(length >> 24)});
            bytes.insert(bytes.end(), prefix.begin(), prefix.end());
            bytes.resize(bytes.size() + length, 'x');
        }
        return bytes;
    };
    const auto readAll = [&](size_t count) { return [&s, count](CArchive& ar) { for (size_t i = 0; i < count; ++i) ar >> s; }; };
    EXPECT_EQ(LoadCause(text({16u << 20}), readAll(1)), -1);
    EXPECT_EQ(s.GetLength(), 16 << 20);
    EXPECT_EQ(LoadCause(text({(16u << 20) + 1}), readAll(1)), CArchiveException::genericException);
    EXPECT_EQ(LoadCause(text({8u << 20, 8u << 20}), readAll(2)), -1);
    EXPECT_EQ(LoadCause(text({8u << 20, 8u << 20, 1}), readAll(3)), CArchiveException::genericException);
    // Storing spends the same budget: what is stored reads back, and what would not is refused.
    const auto storeCause = [&](std::initializer_list<uint32_t> lengths) {
        try {
            const auto bytes = Store([&](CArchive& ar) {
                for (uint32_t n : lengths)
                    ar << CString(std::string(n, 'x'));
            });
            EXPECT_EQ(LoadCause(bytes, readAll(lengths.size())), -1);
        } catch (const CArchiveException& e) {
            return e.m_cause;
        }
        return -1;
    };
    EXPECT_EQ(storeCause({16u << 20}), -1);
    EXPECT_EQ(storeCause({(16u << 20) + 1}), CArchiveException::genericException);
    EXPECT_EQ(storeCause({8u << 20, 8u << 20}), -1);
    EXPECT_EQ(storeCause({8u << 20, 8u << 20, 1}), CArchiveException::genericException);
}

TEST_F(ArchiveFailure, CountCheckIsExactAtTheBoundary) {
    // Three words need twelve bytes after the count: eleven fail, twelve load.
    auto bytes = Bytes({0x03, 0x00, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0});
    CDWordArray words;
    EXPECT_EQ(LoadCause(bytes, [&](CArchive& ar) { words.Serialize(ar); }), CArchiveException::endOfFile);
    bytes.push_back(0);
    EXPECT_EQ(LoadCause(bytes, [&](CArchive& ar) { words.Serialize(ar); }), -1);
    ASSERT_EQ(words.GetSize(), 3);
    EXPECT_EQ(words[2], 3u);
}

TEST_F(ArchiveFailure, WrongDirectionIsRefused) {
    CMemFile file;
    CArchive storing(&file, CArchive::store);
    int32_t value = 0;
    try {
        storing >> value;
        FAIL() << "read from a storing archive";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::writeOnly);
    }
    EXPECT_EQ(LoadCause(Bytes({1, 2, 3, 4}), [](CArchive& ar) { ar << int32_t{1}; }), CArchiveException::readOnly);
    storing.Close();
    try {
        storing << int32_t{1};
        FAIL() << "write to a closed archive";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::genericException);
    }
}

TEST_F(ArchiveFailure, HalfReadObjectIsDeletedWithWhatItMade) {
    // An object whose child is complete but whose own value is cut off.
    ArcCounted parent(1, new ArcCounted(2));
    auto bytes = Store([&](CArchive& ar) { ar << &parent; });
    bytes.pop_back();  // the last two bytes of the parent's value
    bytes.pop_back();
    ASSERT_EQ(ArcCounted::Live().size(), 2u);
    ArcCounted* back = nullptr;
    EXPECT_EQ(LoadCause(bytes, [&](CArchive& ar) { ar >> back; }), CArchiveException::endOfFile);
    EXPECT_EQ(back, nullptr);
    // Both read objects are gone again; only the two written ones live.
    EXPECT_EQ(ArcCounted::Live().size(), 2u);
}

TEST_F(ArchiveFailure, HalfReadObjectHoldingABackReferenceIsLeftAlone) {
    // First a complete object A; then B, whose child is a reference to A, cut off in its value.
    // Deleting B would delete A, which the caller's list already holds.
    ArcCounted a(1);
    ArcCounted b(2);
    b.m_pChild = &a;
    auto bytes = Store([&](CArchive& ar) { ar << &a << &b; });
    b.m_pChild = nullptr;
    bytes.pop_back();

    CObject* aBack = nullptr;
    CObject* bBack = nullptr;
    EXPECT_EQ(LoadCause(bytes, [&](CArchive& ar) { ar >> aBack >> bBack; }), CArchiveException::endOfFile);
    ASSERT_NE(aBack, nullptr);
    EXPECT_EQ(ArcCounted::Live().count(static_cast<ArcCounted*>(aBack)), 1u);
    EXPECT_EQ(static_cast<ArcCounted*>(aBack)->m_value, 1);
    // A, B and the two loaded copies.
    EXPECT_EQ(ArcCounted::Live().size(), 4u);
}

// Containers that own their elements take each one as an object of its own: a back-reference
// (the same element twice, or an element inside itself) is refused, while nulls and distinct
// objects read as they do for a shared container.
TEST_F(ArchiveFailure, OwnedContainersRefuseBackReferences) {
    ArcLabel a("a");
    ArcLabel b("b");
    struct Case {
        std::vector<ArcLabel*> elements;
        int cause;
    } const cases[] = {
        {{&a, nullptr, &b}, -1},
        {{&a, &a}, CArchiveException::badIndex},
        {{&a, &b, &a}, CArchiveException::badIndex},
    };
    for (const Case& c : cases) {
        CTypedPtrList<CObList, ArcLabel*> list;
        CTypedPtrArray<CObArray, ArcLabel*> array;
        for (ArcLabel* element : c.elements) {
            list.AddTail(element);
            array.Add(element);
        }
        const auto listBytes = Store([&](CArchive& ar) { list.SerializeOwned(ar); });
        const auto arrayBytes = Store([&](CArchive& ar) { array.SerializeOwned(ar); });
        CTypedPtrList<CObList, ArcLabel*> listBack;
        CTypedPtrArray<CObArray, ArcLabel*> arrayBack;
        EXPECT_EQ(LoadCause(listBytes, [&](CArchive& ar) { listBack.SerializeOwned(ar); }), c.cause);
        EXPECT_EQ(LoadCause(arrayBytes, [&](CArchive& ar) { arrayBack.SerializeOwned(ar); }), c.cause);
        // What was read before the refusal is there for the owner, each object once.
        EXPECT_EQ(listBack.GetCount(), c.cause == -1 ? 3 : static_cast<int>(c.elements.size()) - 1);
        while (!listBack.IsEmpty())
            delete listBack.RemoveHead();
        for (int i = 0; i < arrayBack.GetSize(); ++i)
            delete arrayBack[i];
        // A container that does not own its elements still reads the same bytes.
        CTypedPtrList<CObList, ArcLabel*> shared;
        EXPECT_EQ(LoadCause(listBytes, [&](CArchive& ar) { shared.Serialize(ar); }), -1);
        std::set<ArcLabel*> once;
        while (!shared.IsEmpty())
            once.insert(shared.RemoveHead());
        for (ArcLabel* element : once)
            delete element;
    }
}
