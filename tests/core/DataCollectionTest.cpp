#include "core/SDataCollection.h"

#include <cctype>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "sys/classlib/CArchive.h"
#include "tests/support/ArchiveBytes.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/Exceptions.h"

namespace {

using tarvex::test::Bytes;
constexpr auto Store = tarvex::test::StoreArchive;
constexpr auto Load = tarvex::test::LoadArchive;

void Append(Bytes& bytes, std::initializer_list<uint8_t> more) { bytes.insert(bytes.end(), more); }

// A stored element with one-letter name and value and a small tag.
void AppendElement(Bytes& bytes, char name, char value, uint8_t tag)
{
    Append(bytes, {1, 0, 0, 0, static_cast<uint8_t>(name), 1, 0, 0, 0, static_cast<uint8_t>(value), tag, 0, 0, 0});
}

// A free element of that name, value "k" and tag 3, made by a table's own setter.
SDataElement ElementNamed(const std::string& name)
{
    SDataCollection scratch(1, 1);
    scratch.Set(0, name.c_str(), "k", 3);
    return SDataElement(*scratch.GetElement(0));
}

}  // namespace

// ---- hash and lookups --------------------------------------------------------------------------

TEST(DataElementHashTest, MatchesHandComputedValues) {
    // z o o m: 0x3A ^ (0x2F << 1) ^ (0x2F << 2 & 0xFF) ^ 0x2D = 0xF5.
    EXPECT_EQ(SDataElement::HashText("zoom"), 0xF5);
    EXPECT_EQ(SDataElement::HashText("ZOOM"), 0xF5);
    EXPECT_EQ(SDataElement::HashText("a"), 0x21);
    EXPECT_EQ(SDataElement::HashText("aaa"), 0xE7);
    // Characters below '@' wrap: '1' - 64 is 0xF1; shifted by one it loses its top bit.
    EXPECT_EQ(SDataElement::HashText("11"), 0x13);
    EXPECT_EQ(SDataElement::HashText("a\xE9"), 0x73);
    EXPECT_EQ(SDataElement::HashText(""), 0);
    EXPECT_EQ(SDataElement::HashText(nullptr), 0);
}

TEST(DataCollectionLookupTest, NamesMatchWithoutRegardToCase) {
    SDataCollection c;
    EXPECT_EQ(c.SetOrAppend("ZOOM", "4", 0), 0);
    EXPECT_EQ(c.FindByName("zoom"), 0);
    EXPECT_EQ(c.FindByName(SString("Zoom")), 0);
    EXPECT_EQ(c.SetOrAppend("zoom", "8", 0), 0);
    EXPECT_EQ(c.GetCount(), 1);
    EXPECT_STREQ(c.GetName(0).GetString(), "zoom");
    EXPECT_STREQ(c.GetValueByName("ZoOm").GetString(), "8");
}

TEST(DataCollectionLookupTest, EqualHashesStillCompareTheText) {
    SDataCollection c;
    c.SetOrAppend("a", "1", 0);
    // "@@@a" hashes like "a" (the '@' characters add nothing) but is another name.
    ASSERT_EQ(SDataElement::HashText("@@@a"), SDataElement::HashText("a"));
    EXPECT_EQ(c.FindByName("@@@a"), -1);
    EXPECT_EQ(c.SetOrAppend("@@@a", "2", 0), 1);
    EXPECT_EQ(c.FindByName("a"), 0);
    EXPECT_EQ(c.FindByName("@@@A"), 1);
}

TEST(DataCollectionLookupTest, PreSizedCollectionFindsNothingAndAppendsFromZero) {
    SDataCollection c(512, 32);
    EXPECT_EQ(c.GetCount(), 512);
    EXPECT_EQ(c.GetHighWater(), -1);
    EXPECT_EQ(c.FindByName("anything"), -1);
    EXPECT_EQ(c.FindByName(""), -1);
    EXPECT_EQ(c.SetOrAppend("first", "1", 0), 0);
    EXPECT_EQ(c.SetOrAppend("second", "2", 0), 1);
    EXPECT_EQ(c.SetOrAppend("FIRST", "3", 0), 0);
    EXPECT_EQ(c.GetCount(), 512);
    EXPECT_EQ(c.GetHighWater(), 1);
}

TEST(DataCollectionLookupTest, ChangedNamesAndValuesAreFoundByTheirNewText) {
    SDataCollection c;
    c.SetOrAppend("name", "old value", 0);
    EXPECT_EQ(c.FindByValue(SString("OLD VALUE")), 0);
    c.SetValue(0, "new value");
    EXPECT_EQ(c.FindByValue(SString("new value")), 0);
    EXPECT_EQ(c.FindByValue(SString("old value")), -1);

    c.SetName(0, SString("renamed"));
    EXPECT_EQ(c.FindByName("renamed"), 0);
    EXPECT_EQ(c.FindByName("name"), -1);
    c.SetInt(0, 15);
    EXPECT_EQ(c.FindByValue(SString("15")), 0);
    c.SetFloat(0, 0.25f);
    EXPECT_EQ(c.FindByValue(SString("0.250000")), 0);
}

TEST(DataCollectionLookupTest, EmptyNameIsSetOrAppendedByValue) {
    SDataCollection c;
    c.SetOrAppend("named", "shared", 1);
    EXPECT_EQ(c.SetOrAppend("", "SHARED", 2), 0);
    EXPECT_STREQ(c.GetName(0).GetString(), "");
    EXPECT_EQ(c.GetTag(0), 2u);
    EXPECT_EQ(c.SetOrAppend(nullptr, "other", 3), 1);
}

TEST(DataCollectionLookupTest, FirstMatchInIndexOrderWins) {
    SDataCollection c;
    c.Set(0, "dup", "first", 0);
    c.Set(1, "DUP", "second", 0);
    EXPECT_EQ(c.FindByName("dup"), 0);
    c.RemoveByName("dup");
    EXPECT_EQ(c.FindByName("dup"), 0);
    EXPECT_STREQ(c.GetValueByName("dup").GetString(), "second");
}

// ---- typed reads and writes --------------------------------------------------------------------

TEST(DataCollectionTypedTest, NumbersAreStoredAsCText) {
    SDataCollection c;
    c.SetOrAppendInt("seven", 7);
    c.SetOrAppendFloat("twoandhalf", 2.5f);
    c.SetOrAppend("mixed", "12abc", 0);
    c.SetOrAppend("negative", "  -3.75e1x", 0);
    EXPECT_STREQ(c.GetValueByName("seven").GetString(), "7");
    EXPECT_STREQ(c.GetValueByName(SString("twoandhalf")).GetString(), "2.500000");
    EXPECT_EQ(c.GetIntByName("mixed"), 12);
    EXPECT_EQ(c.GetInt(c.FindByName("mixed")), 12);
    EXPECT_FLOAT_EQ(c.GetFloatByName("negative"), -37.5f);
    EXPECT_EQ(c.GetIntByName("negative"), -3);
    EXPECT_FLOAT_EQ(c.GetFloatByName("absent"), 0.0f);
    EXPECT_EQ(c.GetIntByName("absent"), 0);
    EXPECT_STREQ(c.GetValueByName("absent").GetString(), "");
}

TEST(DataCollectionTypedTest, OutOfRangeReadsAndWritesAreHarmless) {
    SDataCollection c(2, 1);
    c.SetName(2, "x");
    c.SetValue(-1, "x");
    c.SetInt(5, 1);
    c.SetFloat(2, 1.0f);
    c.SetTag(9, 1);
    c.Set(-1, "x", "y", 0);
    EXPECT_EQ(c.GetCount(), 2);
    EXPECT_EQ(c.GetHighWater(), -1);
    EXPECT_STREQ(c.GetName(7).GetString(), "");
    EXPECT_STREQ(c.GetValue(-2).GetString(), "");
    EXPECT_EQ(c.GetInt(2), 0);
    EXPECT_FLOAT_EQ(c.GetFloat(2), 0.0f);
    EXPECT_EQ(c.GetTag(2), 0u);
    EXPECT_EQ(c.GetTagByName("none"), 0u);
    EXPECT_EQ(c.GetElement(2), nullptr);
    EXPECT_EQ(c.GetElement(-1), nullptr);
}

TEST(DataCollectionTypedTest, TagsAndElements) {
    SDataCollection c(4, 1);
    c.SetTag(2, 0xDEADBEEF);
    EXPECT_EQ(c.GetHighWater(), 2);
    c.SetName(2, "tagged");
    EXPECT_EQ(c.GetTagByName("TAGGED"), 0xDEADBEEFu);
    SDataElement* element = c.GetElement(2);
    ASSERT_NE(element, nullptr);
    EXPECT_STREQ(element->GetName().GetString(), "tagged");
    EXPECT_EQ(element->GetTag(), 0xDEADBEEFu);

    // An element kept across another change renames its slot for every lookup after it.
    SDataCollection large(200, 32);
    for (int i = 0; i < 100; ++i)
        large.Set(i, ("name" + std::to_string(i)).c_str(), "v", 0);
    SDataElement* kept = large.GetElement(5);
    large.Set(120, "other", "x", 0);
    kept->Assign(ElementNamed("fresh"));
    EXPECT_EQ(large.FindByName("fresh"), 5);
    EXPECT_EQ(large.FindByName("name5"), -1);
    EXPECT_EQ(large.SetOrAppend("name5", "again", 0), 121);
    EXPECT_STREQ(large.GetValue(5).GetString(), "k");
}

TEST(DataCollectionTypedTest, FourIntsFromTokens) {
    SDataCollection c;
    c.SetOrAppend("three", "10 20 30", 0);
    c.SetOrAppend("five", " \t\"5\" 6\t7\r\n8 9 ", 0);
    c.SetOrAppend("words", "abc 4", 0);
    int a = -1, b = -1, d = -1, e = -1;
    c.GetFourIntsByName("three", a, b, d, e);
    EXPECT_EQ(a, 10);
    EXPECT_EQ(b, 20);
    EXPECT_EQ(d, 30);
    EXPECT_EQ(e, 0);
    c.GetFourInts(c.FindByName("five"), a, b, d, e);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 6);
    EXPECT_EQ(d, 7);
    EXPECT_EQ(e, 8);
    c.GetFourIntsByName("words", a, b, d, e);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 4);
    EXPECT_EQ(d, 0);
    c.GetFourIntsByName("absent", a, b, d, e);
    EXPECT_EQ(a + b + d + e, 0);
}

// ---- high-water rules and growth -----------------------------------------------------------------

TEST(DataCollectionHighWaterTest, SetPastTheEndGrowsAndRaisesTheMark) {
    SDataCollection c(3, 1);
    c.Set(10, "ten", "10", 7);
    EXPECT_EQ(c.GetCount(), 11);
    EXPECT_EQ(c.GetHighWater(), 10);
    for (int i = 3; i < 10; ++i) {
        EXPECT_STREQ(c.GetName(i).GetString(), "") << i;
        EXPECT_STREQ(c.GetValue(i).GetString(), "") << i;
    }
    EXPECT_EQ(c.FindByName("ten"), 10);
    EXPECT_EQ(c.GetTag(10), 7u);
    c.RaiseHighWater(4);
    EXPECT_EQ(c.GetHighWater(), 10);
    c.RaiseHighWater(20);
    EXPECT_EQ(c.GetHighWater(), 20);
}

TEST(DataCollectionHighWaterTest, ShrunkArrayPullsTheMarkBackOnTheNextAppend) {
    SDataCollection c;
    for (const char* name : {"a", "b", "c", "d", "e", "f"})
        c.SetOrAppend(name, "v", 0);
    ASSERT_EQ(c.GetHighWater(), 5);
    c.SetSize(2);
    EXPECT_EQ(c.GetCount(), 2);
    EXPECT_EQ(c.FindByName("f"), -1);
    EXPECT_EQ(c.SetOrAppend("new", "v", 0), 2);
    EXPECT_EQ(c.GetHighWater(), 2);
    EXPECT_EQ(c.GetCount(), 3);
}

TEST(DataCollectionHighWaterTest, RemoveKeepsTheMarkAndResetRestoresTheStart) {
    SDataCollection c(4, 2);
    c.SetOrAppend("a", "1", 0);
    c.SetOrAppend("b", "2", 0);
    c.SetOrAppend("c", "3", 0);
    c.RemoveByName("absent");
    EXPECT_EQ(c.GetCount(), 4);
    c.RemoveAt(0);
    c.RemoveAt(17);
    EXPECT_EQ(c.GetCount(), 3);
    EXPECT_EQ(c.GetHighWater(), 2);
    EXPECT_EQ(c.FindByName("b"), 0);
    EXPECT_EQ(c.FindByName("c"), 1);

    c.Set(9, "far", "x", 0);
    c.Reset();
    EXPECT_EQ(c.GetCount(), 4);
    EXPECT_EQ(c.GetHighWater(), -1);
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(c.GetName(i).GetString(), "") << i;
    EXPECT_EQ(c.SetOrAppend("again", "1", 0), 0);
}

// The block moves only when the capacity is exhausted: grow-by 32 gives room for 32 elements at
// once; grow-by 0 grows by an eighth of the size, at least 4 (capacities 4, 8, 12).
TEST(DataCollectionGrowthTest, CapacityFollowsTheGrowBy) {
    SDataCollection by32(0, 32);
    by32.Set(0, "e0", "", 0);
    const SDataElement* block = by32.GetElement(0);
    for (int i = 1; i < 32; ++i) {
        by32.Set(i, "e", "", 0);
        EXPECT_EQ(by32.GetElement(0), block) << "moved at " << i;
    }
    by32.Set(32, "e", "", 0);
    EXPECT_NE(by32.GetElement(0), block);
    EXPECT_STREQ(by32.GetName(0).GetString(), "e0");

    SDataCollection byEighth(0, 0);
    const int movesAt[] = {4, 8, 12};
    int next = 0;
    byEighth.Set(0, "x", "", 0);
    block = byEighth.GetElement(0);
    for (int i = 1; i <= 12; ++i) {
        byEighth.Set(i, "x", "", 0);
        const bool moved = byEighth.GetElement(0) != block;
        const bool expected = next < 3 && movesAt[next] == i;
        EXPECT_EQ(moved, expected) << "at " << i;
        if (moved) {
            ++next;
            block = byEighth.GetElement(0);
        }
    }
}

// A table that grows a slot at a time still makes room for at least an eighth more at once, so
// ten thousand appends move its storage a few dozen times, not once each.
TEST(DataCollectionGrowthTest, GrowingOneByOneMovesTheTableRarely) {
    SDataCollection c(0, 1);
    const SString* first = nullptr;
    int moves = 0;
    for (int i = 0; i < 10000; ++i) {
        c.Set(i, "e", "", 0);
        if (&c.GetName(0) != first) {
            ++moves;
            first = &c.GetName(0);
        }
    }
    EXPECT_LT(moves, 200);
}

// ---- merging ---------------------------------------------------------------------------------------

TEST(DataCollectionMergeTest, MergeFromTakesOnlyWrittenSlots) {
    SDataCollection source(512, 32);
    source.SetOrAppend("alpha", "1", 9);
    source.Set(4, "beta", "2", 9);  // slots 1 to 3 stay empty
    SDataCollection target;
    target.SetOrAppend("BETA", "old", 5);
    target.SetOrAppend("kept", "k", 0);
    target.MergeFrom(&source);
    EXPECT_EQ(target.GetCount(), 3);
    EXPECT_EQ(target.GetHighWater(), 2);
    EXPECT_STREQ(target.GetValueByName("beta").GetString(), "2");
    EXPECT_EQ(target.GetTagByName("beta"), 0u);
    EXPECT_STREQ(target.GetValueByName("kept").GetString(), "k");
    EXPECT_EQ(target.FindByName("alpha"), 2);
    EXPECT_EQ(target.FindByName(""), -1);

    target.MergeFrom(nullptr);
    target.MergeFrom(&target);
    EXPECT_EQ(target.GetCount(), 3);
}

TEST(DataCollectionMergeTest, MergeDifferencesComparesTextExactly) {
    SDataCollection source;
    source.SetOrAppend("same", "1", 0);
    source.SetOrAppend("changed", "x", 0);
    source.SetOrAppend("case", "abc", 0);
    source.SetOrAppend("new", "n", 0);
    SDataCollection reference;
    reference.SetOrAppend("same", "1", 0);
    reference.SetOrAppend("changed", "y", 0);
    reference.SetOrAppend("case", "ABC", 0);
    SDataCollection target;
    target.MergeDifferences(&source, &reference);
    EXPECT_EQ(target.GetHighWater(), 2);
    EXPECT_EQ(target.FindByName("same"), -1);
    EXPECT_STREQ(target.GetValueByName("changed").GetString(), "x");
    EXPECT_STREQ(target.GetValueByName("case").GetString(), "abc");
    EXPECT_STREQ(target.GetValueByName("new").GetString(), "n");
    target.MergeDifferences(nullptr, &reference);
    EXPECT_EQ(target.GetHighWater(), 2);
}

// ---- elements ---------------------------------------------------------------------------------------

TEST(DataElementTest, AssignCopiesAndResetClears) {
    SDataCollection c;
    c.SetOrAppend("source", "value", 3);
    SDataElement copy;
    copy.Assign(*c.GetElement(0));
    EXPECT_STREQ(copy.GetName().GetString(), "source");
    EXPECT_STREQ(copy.GetValue().GetString(), "value");
    EXPECT_EQ(copy.GetTag(), 3u);
    copy.Reset();
    EXPECT_STREQ(copy.GetName().GetString(), "");
    EXPECT_STREQ(copy.GetValue().GetString(), "");
    EXPECT_EQ(copy.GetTag(), 0u);
}

// ---- lookups in large tables ------------------------------------------------------------------

// A table of more than 64 written slots finds names through an index. Random runs of every
// change the table offers (fixed seeds, so a failure repeats) must leave each name answered as a
// walk from the first slot to the high-water index answers it, in either case.
TEST(DataCollectionLargeLookupTest, AnswersAsTheWalkAfterRandomChanges) {
    constexpr uint32_t kNames = 160;
    const auto noCaseLess = [](const std::string& a, const std::string& b) {
        return CompareTextNoCase(a.c_str(), b.c_str()) < 0;
    };
    for (const uint32_t seed : {1u, 7u, 2024u}) {
        std::mt19937 rng(seed);
        const auto pick = [&rng](int below) {
            return below > 0 ? static_cast<int>(rng() % static_cast<uint32_t>(below)) : 0;
        };
        const auto anyName = [&] {
            std::string name = "Name" + std::to_string(rng() % kNames);
            if (rng() % 2 == 0)
                name[0] = 'n';
            return name;
        };
        SDataCollection c(128, 1);
        // An element handed out earlier, kept across other changes and written through later;
        // the address of its slot's name tells, without the pointer, that it is that slot still.
        SDataElement* kept = nullptr;
        int keptSlot = -1;
        const SString* keptName = nullptr;
        // The first slot of every name, by one walk up to the mark.
        const auto walk = [&] {
            std::map<std::string, int, decltype(noCaseLess)> first(noCaseLess);
            for (int i = 0; i <= c.GetHighWater() && i < c.GetCount(); ++i)
                first.emplace(c.GetName(i).GetString(), i);
            return first;
        };
        const auto load = [&] {
            c.SetOrAppend(anyName().c_str(), "before", 0);  // a lookup-ready table is read over
            SDataCollection source(pick(2) * 128, 1);
            for (int n = pick(300); n > 0; --n)
                source.SetOrAppend(anyName().c_str(), "loaded", 0);
            const Bytes bytes = Store([&](CArchive& ar) { source.Serialize(ar); });
            Load(bytes, [&](CArchive& ar) { c.Serialize(ar); });
        };
        const std::vector<std::pair<const char*, std::function<void()>>> changes = {
            {"append", [&] {
                 const std::string name = anyName();
                 const auto first = walk();
                 const auto found = first.find(name);
                 const int expected = found != first.end() ? found->second
                                                             : std::min(c.GetHighWater(), c.GetCount() - 1) + 1;
                 ASSERT_EQ(c.SetOrAppend(name.c_str(), "v", 0), expected) << name;
                 for (int n = pick(24); n > 0; --n)
                     c.SetOrAppend(anyName().c_str(), "v", 0);
             }},
            {"set", [&] { c.Set(pick(c.GetCount() + 40), anyName().c_str(), "s", 0); }},
            {"rename", [&] { c.SetName(pick(c.GetCount() + 1), anyName().c_str()); }},
            {"set value", [&] { c.SetValue(pick(c.GetCount() + 1), "x"); }},
            {"raise mark", [&] { c.RaiseHighWater(pick(c.GetCount() + 10)); }},
            {"remove", [&] { c.RemoveAt(pick(c.GetCount() + 1)); }},
            {"remove by name", [&] { c.RemoveByName(anyName().c_str()); }},
            {"resize", [&] { c.SetSize(pick(320)); }},
            {"edit through the element", [&] {
                 SDataElement* element = c.GetElement(pick(c.GetCount()));
                 const SDataElement* other = c.GetElement(pick(c.GetCount()));
                 if (element != nullptr && other != nullptr && pick(4) != 0)
                     element->Assign(*other);
                 else if (element != nullptr)
                     element->Reset();
             }},
            {"keep an element", [&] {
                 keptSlot = pick(c.GetCount());
                 kept = c.GetElement(keptSlot);
                 keptName = kept != nullptr ? &c.GetName(keptSlot) : nullptr;
             }},
            {"write through the kept element", [&] {
                 if (kept == nullptr || keptSlot >= c.GetCount() || &c.GetName(keptSlot) != keptName)
                     return;
                 SDataElement source = ElementNamed(anyName());
                 switch (pick(5)) {
                 case 0: kept->Assign(source); break;
                 case 1: kept->Reset(); break;
                 case 2: *kept = source; break;
                 case 3: *kept = std::move(source); break;
                 default: {
                     Bytes bytes = Store([&](CArchive& ar) { source.Serialize(ar); });
                     if (pick(2) == 0)
                         bytes.resize(bytes.size() - 5);  // cut in the value, after the new name
                     try {
                         Load(bytes, [&](CArchive& ar) { kept->Serialize(ar); });
                     } catch (CArchiveException&) {
                     }
                 }
                 }
             }},
            {"load", load},
            {"reset", [&] { c.Reset(); }},
        };
        for (int step = 0; step < 2000; ++step) {
            // Appends come often enough to keep the table past the index's threshold.
            const size_t which = pick(2) == 0 ? 0 : static_cast<size_t>(pick(static_cast<int>(changes.size())));
            const auto& [what, change] = changes[which];
            change();
            if (HasFatalFailure())
                return;
            const auto first = walk();
            for (uint32_t n = 0; n < kNames; ++n) {
                std::string name = "NAME" + std::to_string(n);
                const auto found = first.find(name);
                const int expected = found != first.end() ? found->second : -1;
                ASSERT_EQ(c.FindByName(name.c_str()), expected)
                    << name << " after " << what << ", seed " << seed << " step " << step;
                name[1] = 'a';
                ASSERT_EQ(c.FindByName(SString(name.c_str())), expected)
                    << name << " after " << what << ", seed " << seed << " step " << step;
            }
        }
    }
}

// ---- archive form -------------------------------------------------------------------------------------

TEST(DataCollectionArchiveTest, StoredFormIsCountMarkThenElements) {
    SDataCollection c(2, 1);
    c.Set(0, "ab", "12", 0x01020304);
    const Bytes bytes = Store([&](CArchive& ar) { c.Serialize(ar); });
    const Bytes expected = {
        0x02, 0x00, 0x00, 0x00,                          // count
        0x00, 0x00, 0x00, 0x00,                          // high-water index
        0x02, 0x00, 0x00, 0x00, 'a', 'b',                // name
        0x02, 0x00, 0x00, 0x00, '1', '2',                // value
        0x04, 0x03, 0x02, 0x01,                          // tag
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // empty slot: name, value
        0x00, 0x00, 0x00, 0x00,                          // and tag
    };
    EXPECT_EQ(bytes, expected);

    SDataCollection empty;
    EXPECT_EQ(Store([&](CArchive& ar) { empty.Serialize(ar); }),
              (Bytes{0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(DataCollectionArchiveTest, LoadingRebuildsLookupsAndReplacesOldContent) {
    Bytes bytes = {0x03, 0, 0, 0, 0x01, 0, 0, 0};
    AppendElement(bytes, 'K', 'v', 5);
    AppendElement(bytes, 'L', 'w', 6);
    AppendElement(bytes, 'M', 'x', 7);  // above the stored mark: kept, but never found

    SDataCollection c(8, 1);
    c.SetOrAppend("stale", "s", 0);
    Load(bytes, [&](CArchive& ar) { c.Serialize(ar); });
    EXPECT_EQ(c.GetCount(), 3);
    EXPECT_EQ(c.GetHighWater(), 1);
    EXPECT_EQ(c.FindByName("k"), 0);
    EXPECT_EQ(c.FindByValue(SString("W")), 1);
    EXPECT_EQ(c.GetTag(1), 6u);
    EXPECT_EQ(c.FindByName("m"), -1);
    EXPECT_STREQ(c.GetName(2).GetString(), "M");
    EXPECT_EQ(c.FindByName("stale"), -1);

    // Empty stored names replace the names that were there before.
    Bytes blanks = {0x01, 0, 0, 0, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Load(blanks, [&](CArchive& ar) { c.Serialize(ar); });
    EXPECT_EQ(c.GetCount(), 1);
    EXPECT_STREQ(c.GetName(0).GetString(), "");
    EXPECT_STREQ(c.GetValue(0).GetString(), "");

    // A stored count of 0 empties the collection.
    Load({0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, [&](CArchive& ar) { c.Serialize(ar); });
    EXPECT_EQ(c.GetCount(), 0);
    EXPECT_EQ(c.GetHighWater(), -1);
}

TEST(DataCollectionArchiveTest, StoredMarkIsBroughtIntoRange) {
    Bytes high = {0x01, 0, 0, 0, 0x07, 0, 0, 0};
    AppendElement(high, 'a', '1', 0);
    SDataCollection c;
    Load(high, [&](CArchive& ar) { c.Serialize(ar); });
    EXPECT_EQ(c.GetHighWater(), 0);
    EXPECT_EQ(c.SetOrAppend("b", "2", 0), 1);

    // A mark below "nothing written" would make every append land on a negative index.
    Bytes low = {0x01, 0, 0, 0, 0xFB, 0xFF, 0xFF, 0xFF};
    AppendElement(low, 'a', '1', 0);
    Load(low, [&](CArchive& ar) { c.Serialize(ar); });
    EXPECT_EQ(c.GetHighWater(), -1);
    EXPECT_EQ(c.SetOrAppend("b", "2", 0), 0);
    EXPECT_STREQ(c.GetValueByName("b").GetString(), "2");
}

TEST(DataCollectionArchiveTest, CountsAndLengthsBeyondTheDataAreRefused) {
    SDataCollection c(4, 1);
    c.SetOrAppend("keep", "1", 0);

    // Four thousand million elements in a twelve-byte file: refused before any slot is made.
    try {
        Load({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}, [&](CArchive& ar) { c.Serialize(ar); });
        FAIL() << "a huge count was accepted";
    } catch (CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    }
    EXPECT_EQ(c.FindByName("keep"), 0);

    // Three elements announced, two stored.
    Bytes truncated = {0x03, 0, 0, 0, 0x02, 0, 0, 0};
    AppendElement(truncated, 'a', '1', 0);
    AppendElement(truncated, 'b', '2', 0);
    EXPECT_THROW(Load(truncated, [&](CArchive& ar) { c.Serialize(ar); }), CArchiveException);

    // Enough bytes for the count check, but a name length that runs past the end.
    Bytes longName = {0x01, 0, 0, 0, 0x00, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_THROW(Load(longName, [&](CArchive& ar) { c.Serialize(ar); }), CArchiveException);

    // A failed load leaves a fresh collection, never a half-read one.
    EXPECT_EQ(c.GetCount(), 4);
    EXPECT_EQ(c.GetHighWater(), -1);
    EXPECT_EQ(c.FindByName("a"), -1);
}

TEST(DataCollectionArchiveTest, RoundTripsThroughPointersByClassName) {
    SDataCollection original(0, 1);
    original.SetOrAppend("Width", "640", 1);
    original.SetOrAppend("Height", "480", 2);
    const Bytes bytes = Store([&](CArchive& ar) { ar << static_cast<const CObject*>(&original); });
    // New class: 0xFFFF, schema 1, the name's length and characters, then the collection.
    const Bytes header = {0xFF, 0xFF, 0x01, 0x00, 0x0F, 0x00, 'S', 'D', 'a', 't', 'a', 'C', 'o', 'l',
                          'l', 'e', 'c', 't', 'i', 'o', 'n', 0x02, 0, 0, 0, 0x01, 0, 0, 0};
    ASSERT_GE(bytes.size(), header.size());
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(header.size())), header);

    SDataCollection* loaded = nullptr;
    Load(bytes, [&](CArchive& ar) { ar >> loaded; });
    std::unique_ptr<SDataCollection> owner(loaded);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetIntByName("height"), 480);
    EXPECT_EQ(loaded->GetTagByName("WIDTH"), 1u);
}

TEST(DataCollectionRuntimeClassTest, BothClassesAreCreatableByName) {
    const CRuntimeClass* collectionClass = RUNTIME_CLASS(SDataCollection);
    const CRuntimeClass* elementClass = RUNTIME_CLASS(SDataElement);
    EXPECT_STREQ(collectionClass->m_lpszClassName, "SDataCollection");
    EXPECT_STREQ(elementClass->m_lpszClassName, "SDataElement");
    EXPECT_EQ(collectionClass->GetSchema(), 1u);
    EXPECT_EQ(elementClass->GetSchema(), 1u);

    std::unique_ptr<CObject> made(CRuntimeClass::CreateObject("SDataCollection"));
    ASSERT_NE(made, nullptr);
    ASSERT_TRUE(made->IsKindOf(RUNTIME_CLASS(SDataCollection)));
    auto* collection = static_cast<SDataCollection*>(made.get());
    // Made by name it starts as (0, 1): no slots, nothing written.
    EXPECT_EQ(collection->GetCount(), 0);
    EXPECT_EQ(collection->GetHighWater(), -1);

    std::unique_ptr<CObject> element(CRuntimeClass::CreateObject("SDataElement"));
    ASSERT_NE(element, nullptr);
    EXPECT_TRUE(element->IsKindOf(RUNTIME_CLASS(SDataElement)));
}
