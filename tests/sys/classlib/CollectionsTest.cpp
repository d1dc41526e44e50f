// The class library's arrays and lists: the growth rule, element moves, positions and the
// self-referring edge cases where a careless implementation reads freed memory.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ArchiveTestClasses.h"
#include "sys/classlib/Collections.h"

TEST(Collections, GrowthRuleWithDefaultGrowBy) {
    // Grow-by 0: one eighth of the size, between 4 and 1024, added to the capacity.
    EXPECT_EQ(classlib::GrownCapacity(0, 0, 1, 0), 4);
    EXPECT_EQ(classlib::GrownCapacity(4, 4, 5, 0), 8);
    EXPECT_EQ(classlib::GrownCapacity(64, 64, 65, 0), 72);
    EXPECT_EQ(classlib::GrownCapacity(16384, 16384, 16385, 0), 17408);
    // An explicit grow-by, and a new size beyond capacity + grow-by.
    EXPECT_EQ(classlib::GrownCapacity(3, 3, 4, 32), 35);
    EXPECT_EQ(classlib::GrownCapacity(3, 3, 100, 32), 100);
    EXPECT_EQ(classlib::GrownCapacity(0, 0, 512, 32), 512);
}

TEST(Collections, ArrayKeepsItsBlockUntilTheCapacityIsReached) {
    // Adding to an empty array with grow-by 0 reserves four elements: the block stays the same
    // for the next three and moves at the fifth.
    CDWordArray words;
    words.Add(10);
    const uint32_t* block = words.GetData();
    words.Add(11);
    words.Add(12);
    words.Add(13);
    EXPECT_EQ(words.GetData(), block);
    words.Add(14);
    EXPECT_NE(words.GetData(), block);
    EXPECT_EQ(words[0], 10u);
    EXPECT_EQ(words[4], 14u);

    // An explicit grow-by of 2 from size 3: SetSize(4) makes room for 5.
    CDWordArray grown;
    grown.SetSize(3, 2);
    grown.SetSize(4);
    const uint32_t* before = grown.GetData();
    grown.SetSize(5);
    EXPECT_EQ(grown.GetData(), before);
    grown.SetSize(6);
    EXPECT_NE(grown.GetData(), before);
}

TEST(Collections, ArrayOfStringsMovesElementsIntact) {
    CStringArray names;
    for (int i = 0; i < 100; ++i) {
        CString text;
        text.Format("name%03d", i);
        names.Add(text);
    }
    EXPECT_TRUE(names[0] == "name000");
    EXPECT_TRUE(names[99] == "name099");
    names.InsertAt(1, "x", 2);
    EXPECT_EQ(names.GetSize(), 102);
    EXPECT_TRUE(names[1] == "x");
    EXPECT_TRUE(names[2] == "x");
    EXPECT_TRUE(names[3] == "name001");
    names.RemoveAt(0, 3);
    EXPECT_TRUE(names[0] == "name001");
    EXPECT_EQ(names.GetSize(), 99);
    // Shrinking keeps the front; SetSize(0) empties.
    names.SetSize(2);
    EXPECT_TRUE(names[1] == "name002");
    names.SetSize(0);
    EXPECT_TRUE(names.IsEmpty());
    EXPECT_EQ(names.GetData(), nullptr);
}

TEST(Collections, AddingAnElementOfTheSameArrayWhileItGrows) {
    // The argument lives in the block that growing frees; it must be copied first.
    CStringArray names;
    names.Add("first");
    for (int i = 0; i < 40; ++i)
        names.Add(names[0]);
    EXPECT_EQ(names.GetSize(), 41);
    EXPECT_TRUE(names[40] == "first");
    names.InsertAt(0, names[5]);
    EXPECT_TRUE(names[0] == "first");
    names.SetAtGrow(100, names[1]);
    EXPECT_TRUE(names[100] == "first");
    EXPECT_TRUE(names[99].IsEmpty());
}

TEST(Collections, ArrayAppendCopyAndIndexFaults) {
    CDWordArray a;
    a.Add(1);
    a.Add(2);
    CDWordArray b;
    b.Add(3);
    EXPECT_EQ(a.Append(b), 2);
    EXPECT_EQ(a.Append(a), 3);  // appending itself doubles it
    ASSERT_EQ(a.GetSize(), 6);
    EXPECT_EQ(a[5], 3u);
    b.Copy(a);
    EXPECT_EQ(b.GetSize(), 6);
    EXPECT_EQ(b.GetUpperBound(), 5);
    EXPECT_THROW(a.GetAt(6), std::out_of_range);
    EXPECT_THROW(a.SetAt(-1, 0), std::out_of_range);
    EXPECT_THROW(a.RemoveAt(5, 2), std::out_of_range);
}

TEST(Collections, ListPositionsWalkBothWays) {
    CStringList list;
    list.AddTail("b");
    list.AddHead("a");
    POSITION cPos = list.AddTail("c");
    list.InsertBefore(cPos, "b2");
    list.InsertAfter(cPos, "d");
    ASSERT_EQ(list.GetCount(), 5);

    CString forward;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
        forward += list.GetNext(pos);
    EXPECT_TRUE(forward == "abb2cd");
    CString backward;
    for (POSITION pos = list.GetTailPosition(); pos != nullptr;)
        backward += list.GetPrev(pos);
    EXPECT_TRUE(backward == "dcb2ba");

    EXPECT_EQ(list.Find("c"), cPos);
    EXPECT_EQ(list.Find("c", cPos), nullptr);
    EXPECT_EQ(list.FindIndex(3), cPos);
    EXPECT_EQ(list.FindIndex(5), nullptr);
    list.RemoveAt(cPos);
    EXPECT_TRUE(list.GetAt(list.FindIndex(3)) == "d");
    EXPECT_TRUE(list.RemoveHead() == "a");
    EXPECT_TRUE(list.RemoveTail() == "d");
    EXPECT_TRUE(list.GetHead() == "b");
    EXPECT_TRUE(list.GetTail() == "b2");

    // A list appended to itself doubles once.
    list.AddTail(&list);
    EXPECT_EQ(list.GetCount(), 4);
    list.AddHead(&list);
    EXPECT_EQ(list.GetCount(), 8);
    forward.Empty();
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
        forward += list.GetNext(pos);
    EXPECT_TRUE(forward == "bb2bb2bb2bb2");

    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_THROW(list.GetHead(), std::out_of_range);
    POSITION none = nullptr;
    EXPECT_THROW(list.GetNext(none), std::out_of_range);
}

TEST(Collections, TypedListHandsOutTypedPointers) {
    ArcPoint a(1, 1);
    ArcPoint b(2, 2);
    CTypedPtrList<CObList, ArcPoint*> points;
    points.AddTail(&a);
    points.AddTail(&b);
    int sum = 0;
    for (POSITION pos = points.GetHeadPosition(); pos != nullptr;)
        sum += points.GetNext(pos)->m_x;
    EXPECT_EQ(sum, 3);
    EXPECT_EQ(points.Find(&b), points.GetTailPosition());
    EXPECT_EQ(points.RemoveHead(), &a);
    EXPECT_TRUE(points.IsKindOf(RUNTIME_CLASS(CObList)));
}
