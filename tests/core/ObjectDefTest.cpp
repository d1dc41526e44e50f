#include "core/SObjectDef.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "core/SObjectParser.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/Exceptions.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/ScratchFolder.h"

namespace {

using tarvex::test::Bytes;
constexpr auto Store = tarvex::test::StoreArchive;
constexpr auto Load = tarvex::test::LoadArchive;

// A definition class of its own that counts how many of its objects were destroyed, so tests
// can see what a list or a release deleted, and that copies keep their run-time class.
class TrackedObjectDef : public SObjectDef {
    DECLARE_DYNCREATE(TrackedObjectDef)

public:
    TrackedObjectDef() = default;
    explicit TrackedObjectDef(const char* name) { SetName(name); }
    ~TrackedObjectDef() override { ++s_destroyed; }

    static int s_destroyed;
};

int TrackedObjectDef::s_destroyed = 0;
IMPLEMENT_DYNCREATE(TrackedObjectDef, SObjectDef)

SObjectDef* MakeDef(const char* name)
{
    auto* def = new SObjectDef;
    def->SetName(name);
    return def;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class ObjectDefTest : public testing::Test {
protected:
    void SetUp() override { TrackedObjectDef::s_destroyed = 0; }
};

}  // namespace

// ---- inheritance by copy ----------------------------------------------------------------------

TEST_F(ObjectDefTest, DerivedValuesOverrideInheritedOnesInTheirPlace) {
    SObjectDef* base = MakeDef("Weapon");
    base->SetOrAppend("a", "1", 0);
    base->SetOrAppend("b", "2", 0);
    SObjectDef* derived = MakeDef("Pistol");
    derived->SetBase(base);
    derived->SetOrAppend("b", "3", 0);

    ASSERT_EQ(derived->GetCount(), 2);
    EXPECT_STREQ(derived->GetName(0).GetString(), "a");
    EXPECT_STREQ(derived->GetValue(0).GetString(), "1");
    EXPECT_STREQ(derived->GetName(1).GetString(), "b");
    EXPECT_STREQ(derived->GetValue(1).GetString(), "3");
    EXPECT_STREQ(derived->GetName().GetString(), "Pistol");
    EXPECT_STREQ(derived->GetBaseName().GetString(), "Weapon");
    EXPECT_EQ(derived->GetBase(), base);
    EXPECT_TRUE(derived->IsDerivedFrom(base));
    EXPECT_FALSE(base->IsDerivedFrom(derived));
    derived->Release();
    base->Release();
}

TEST_F(ObjectDefTest, ChangingTheBaseLaterDoesNotReachTheDerivedDefinition) {
    SObjectDef* base = MakeDef("Weapon");
    base->SetOrAppend("Range", "50", 0);
    SObjectDef* derived = MakeDef("Rifle");
    derived->SetBase(base);
    base->SetOrAppend("Range", "80", 0);
    base->SetOrAppend("Scope", "1", 0);
    EXPECT_STREQ(derived->GetValueByName("Range").GetString(), "50");
    EXPECT_EQ(derived->FindByName("Scope"), -1);
    derived->Release();
    base->Release();
}

TEST_F(ObjectDefTest, ChildrenOfTheBaseAreCopiedWithTheirClassAndANewParent) {
    SObjectDef* base = MakeDef("Weapon");
    auto* sight = new TrackedObjectDef("Sight");
    sight->SetOrAppend("Zoom", "4", 0);
    sight->SetParent(base);
    base->GetChildren().AddTail(sight);

    SObjectDef* derived = MakeDef("Sniper");
    derived->SetBase(base);
    ASSERT_EQ(derived->GetChildren().GetCount(), 1);
    SObjectDef* copy = derived->GetChildren().GetHead();
    EXPECT_NE(copy, sight);
    EXPECT_NE(dynamic_cast<TrackedObjectDef*>(copy), nullptr);
    EXPECT_EQ(copy->GetParent(), derived);
    EXPECT_STREQ(copy->GetName().GetString(), "Sight");
    EXPECT_STREQ(copy->GetValueByName("Zoom").GetString(), "4");

    derived->Release();
    EXPECT_EQ(TrackedObjectDef::s_destroyed, 1);  // the copy went with its owner, the original stays
    EXPECT_STREQ(sight->GetName().GetString(), "Sight");
    base->Release();
    EXPECT_EQ(TrackedObjectDef::s_destroyed, 2);
}

TEST_F(ObjectDefTest, CopyFromKeepsOwnValuesAndTakesNameAndBase) {
    SObjectDef* base = MakeDef("Item");
    SObjectDef* source = MakeDef("Knife");
    source->SetBase(base);
    source->SetOrAppend("Blade", "7", 0);
    SObjectDef* target = MakeDef("Old");
    target->SetOrAppend("Saved", "1", 0);
    target->SetOrAppend("Blade", "2", 0);

    target->CopyFrom(source);
    EXPECT_STREQ(target->GetName().GetString(), "Knife");
    EXPECT_STREQ(target->GetBaseName().GetString(), "Item");
    EXPECT_EQ(target->GetBase(), base);
    EXPECT_STREQ(target->GetValueByName("Saved").GetString(), "1");
    EXPECT_STREQ(target->GetValueByName("Blade").GetString(), "7");

    target->CopyFrom(nullptr);
    EXPECT_STREQ(target->GetName().GetString(), "Knife");

    SObjectDef copy(source);
    EXPECT_STREQ(copy.GetName().GetString(), "Knife");
    EXPECT_STREQ(copy.GetValueByName("Blade").GetString(), "7");

    target->Release();
    source->Release();
    base->Release();
}

TEST_F(ObjectDefTest, CopyDifferencesTakesOnlyValuesThatDifferFromTheReference) {
    SObjectDef source;
    source.SetName("Kit");
    source.SetBaseName("InvItem");
    source.SetOrAppend("Ammo", "30", 0);
    source.SetOrAppend("Clips", "2", 0);
    SObjectDef reference;
    reference.SetOrAppend("Ammo", "30", 0);
    reference.SetOrAppend("Clips", "5", 0);
    SObjectDef target;
    target.CopyDifferences(&source, &reference);
    EXPECT_STREQ(target.GetName().GetString(), "Kit");
    EXPECT_STREQ(target.GetBaseName().GetString(), "InvItem");
    EXPECT_EQ(target.FindByName("Ammo"), -1);
    EXPECT_STREQ(target.GetValueByName("Clips").GetString(), "2");
}

// ---- kind tests -------------------------------------------------------------------------------

TEST_F(ObjectDefTest, KindIsFoundThroughTheBasesBase) {
    SObjectDef* weapon = MakeDef("weapon");
    SObjectDef* rifle = MakeDef("Rifle");
    rifle->SetBase(weapon);
    SObjectDef* sniper = MakeDef("Sniper");
    sniper->SetBase(rifle);

    EXPECT_TRUE(sniper->IsKindOf("Weapon"));
    EXPECT_TRUE(sniper->IsKindOf("RIFLE"));
    EXPECT_FALSE(sniper->IsKindOf("Sniper"));
    EXPECT_FALSE(sniper->IsKindOf("Shotgun"));
    EXPECT_FALSE(weapon->IsKindOf("weapon"));
    EXPECT_TRUE(sniper->IsDerivedFrom(weapon));
    sniper->Release();
    rifle->Release();
    weapon->Release();
}

TEST_F(ObjectDefTest, RecordedBaseNameAloneAnswersTheKind) {
    // What a definition read back from an archive has: the base's name, no base object.
    SObjectDef def;
    def.SetBaseName("InvWeapon");
    EXPECT_TRUE(def.IsKindOf("invweapon"));
    EXPECT_FALSE(def.IsKindOf("InvItem"));
    EXPECT_FALSE(def.IsKindOf(""));
    EXPECT_FALSE(def.IsDerivedFrom(nullptr));
}

TEST_F(ObjectDefTest, CollectKindOfAppendsMatchesInOrder) {
    SObjectDefList list;
    SObjectDef* a = MakeDef("a");
    a->SetBaseName("InvWeapon");
    SObjectDef* b = MakeDef("b");
    b->SetBaseName("InvItem");
    SObjectDef* c = MakeDef("c");
    c->SetBaseName("invweapon");
    list.AddTail(a);
    list.AddTail(b);
    list.AddTail(c);
    SObjectDefList out;
    list.CollectKindOf("InvWeapon", out);
    ASSERT_EQ(out.GetCount(), 2);
    EXPECT_EQ(out.GetHead(), a);
    EXPECT_EQ(out.GetTail(), c);
    list.DeleteAll();
}

// ---- lists ------------------------------------------------------------------------------------

TEST_F(ObjectDefTest, FindByNameAnswersTheFirstOfNamesThatDifferInCase) {
    SObjectDefList list;
    SObjectDef* first = MakeDef("Score");
    SObjectDef* second = MakeDef("SCORE");
    list.AddTail(first);
    list.AddTail(second);
    EXPECT_EQ(list.FindByName("score"), first);
    EXPECT_EQ(list.FindByName("Scor"), nullptr);
    EXPECT_EQ(list.FindByName(nullptr), nullptr);
    list.DeleteAll();
    EXPECT_TRUE(list.IsEmpty());
}

TEST_F(ObjectDefTest, RemoveDeletesOnlyWhatTheListHolds) {
    SObjectDefList list;
    auto* held = new TrackedObjectDef("held");
    TrackedObjectDef stranger("stranger");
    list.AddTail(held);
    EXPECT_EQ(list.Remove(&stranger), 0);
    EXPECT_EQ(TrackedObjectDef::s_destroyed, 0);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.Remove(held), 1);
    EXPECT_EQ(TrackedObjectDef::s_destroyed, 1);
    EXPECT_TRUE(list.IsEmpty());
}

TEST_F(ObjectDefTest, ReleaseAllGivesUpOneReferenceEach) {
    SObjectDefList list;
    auto* kept = new TrackedObjectDef("kept");
    kept->AddRef();
    list.AddTail(kept);
    list.AddTail(new TrackedObjectDef("dropped"));
    list.ReleaseAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(TrackedObjectDef::s_destroyed, 1);
    EXPECT_EQ(kept->GetRefCount(), 1);
    kept->Release();
    EXPECT_EQ(TrackedObjectDef::s_destroyed, 2);
}

// ---- the base's lifetime ----------------------------------------------------------------------

TEST_F(ObjectDefTest, DerivedDefinitionKeepsItsBaseAlive) {
    auto* base = new TrackedObjectDef("Weapon");
    base->SetOrAppend("Damage", "10", 0);
    SObjectDef* derived = MakeDef("Pistol");
    derived->SetBase(base);
    EXPECT_EQ(base->GetRefCount(), 2);

    base->Release();  // its first holder is done with it
    EXPECT_EQ(TrackedObjectDef::s_destroyed, 0);
    ASSERT_EQ(derived->GetBase(), base);
    EXPECT_TRUE(derived->IsKindOf("weapon"));

    derived->Release();
    EXPECT_EQ(TrackedObjectDef::s_destroyed, 1);
}

TEST_F(ObjectDefTest, DeletedBaseFallsBackToTheRecordedName) {
    SObjectDefList library;
    auto* weapon = new TrackedObjectDef("Weapon");
    SObjectDef* rifle = MakeDef("Rifle");
    rifle->SetBase(weapon);
    library.AddTail(weapon);
    library.AddTail(rifle);

    // A copy made from the library outlives it, as the officer's kit does.
    SObjectDef* kit = new SObjectDef(rifle);
    EXPECT_EQ(kit->GetBase(), weapon);
    library.DeleteAll();  // deletes outright, whatever the references
    EXPECT_EQ(TrackedObjectDef::s_destroyed, 1);

    EXPECT_EQ(kit->GetBase(), nullptr);
    EXPECT_TRUE(kit->IsKindOf("Weapon"));
    EXPECT_FALSE(kit->IsDerivedFrom(nullptr));
    EXPECT_EQ(std::string(SObjectParser::WriteDefinition(*kit, 0)), "OBJECT Rifle:Weapon\n{\n}\n");

    // A copy of a definition whose base is gone names the base the same way.
    SObjectDef second(kit);
    EXPECT_EQ(std::string(SObjectParser::WriteDefinition(second, 0)), "OBJECT Rifle:Weapon\n{\n}\n");
    kit->Release();
    EXPECT_EQ(TrackedObjectDef::s_destroyed, 1);
}

TEST_F(ObjectDefTest, BaseThatWouldCloseALoopIsNotLinked) {
    SObjectDef* a = MakeDef("a");
    SObjectDef* b = MakeDef("b");
    b->SetBase(a);
    a->SetBase(a);
    EXPECT_EQ(a->GetBase(), nullptr);
    a->SetBase(b);  // values come in, the link does not
    EXPECT_EQ(a->GetBase(), nullptr);
    EXPECT_FALSE(a->IsKindOf("c"));
    EXPECT_EQ(a->GetRefCount(), 2);  // held by b only
    b->Release();
    EXPECT_EQ(a->GetRefCount(), 1);
    a->Release();
}

// ---- archive form -----------------------------------------------------------------------------

TEST_F(ObjectDefTest, ListArchiveFormIsCountThenDefinitionsInline) {
    SObjectDefList list;
    SObjectDef* def = MakeDef("ab");
    def->SetBaseName("c");
    def->SetOrAppend("x", "1", 0);
    list.AddTail(def);
    const Bytes bytes = Store([&](CArchive& ar) { list.Serialize(ar); });
    const Bytes expected = {
        1, 0, 0, 0,                // definitions
        2, 'a', 'b',               // name
        1, 'c',                    // base name
        1, 0, 0, 0,                // elements
        0, 0, 0, 0,                // high-water index
        1, 0, 0, 0, 'x',           // element name
        1, 0, 0, 0, '1',           // element value
        0, 0, 0, 0,                // tag
    };
    EXPECT_EQ(bytes, expected);

    SObjectDefList back;
    Load(bytes, [&](CArchive& ar) { back.Serialize(ar); });
    ASSERT_EQ(back.GetCount(), 1);
    SObjectDef* read = back.GetHead();
    EXPECT_STREQ(read->GetName().GetString(), "ab");
    EXPECT_STREQ(read->GetBaseName().GetString(), "c");
    EXPECT_EQ(read->GetBase(), nullptr);
    EXPECT_STREQ(read->GetValueByName("x").GetString(), "1");
    EXPECT_FALSE(read->IsFiled());
    EXPECT_EQ(read->GetRefCount(), 1);
    back.DeleteAll();
    list.DeleteAll();
}

TEST_F(ObjectDefTest, DefinitionRoundTripsThroughAnObjectPointer) {
    SObjectDef def;
    def.SetName("Trophy000000001");
    def.SetOrAppend("Score", "120", 7);
    const Bytes bytes = Store([&](CArchive& ar) { ar << static_cast<const CObject*>(&def); });
    SObjectDef* read = nullptr;
    Load(bytes, [&](CArchive& ar) { ar >> read; });
    ASSERT_NE(read, nullptr);
    EXPECT_STREQ(read->GetName().GetString(), "Trophy000000001");
    EXPECT_EQ(read->GetTagByName("Score"), 7u);
    delete read;
}

TEST_F(ObjectDefTest, LoadingAListLetsGoOfItsOldDefinitionsWithoutDeleting) {
    SObjectDefList source;
    source.AddTail(MakeDef("new"));
    const Bytes bytes = Store([&](CArchive& ar) { source.Serialize(ar); });
    source.DeleteAll();

    SObjectDefList list;
    auto* old = new TrackedObjectDef("old");
    list.AddTail(old);
    Load(bytes, [&](CArchive& ar) { list.Serialize(ar); });
    EXPECT_EQ(TrackedObjectDef::s_destroyed, 0);
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_STREQ(list.GetHead()->GetName().GetString(), "new");
    list.DeleteAll();
    delete old;
}

TEST_F(ObjectDefTest, CountLargerThanTheArchiveIsRefusedBeforeAnythingIsMade) {
    // Ten bytes is the smallest stored definition; 0xFFFFFFFF of them cannot follow.
    const Bytes bytes = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    SObjectDefList list;
    try {
        Load(bytes, [&](CArchive& ar) { list.Serialize(ar); });
        FAIL() << "a count beyond the data was accepted";
    } catch (CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    }
    EXPECT_TRUE(list.IsEmpty());
}

TEST_F(ObjectDefTest, TruncatedListLeavesNothingHalfRead) {
    SObjectDefList source;
    source.AddTail(MakeDef("first"));
    SObjectDef* second = MakeDef("second");
    second->SetOrAppend("k", "v", 0);
    source.AddTail(second);
    Bytes bytes = Store([&](CArchive& ar) { source.Serialize(ar); });
    source.DeleteAll();
    bytes.resize(bytes.size() - 3);  // the last element's tag is cut

    SObjectDefList list;
    EXPECT_THROW(Load(bytes, [&](CArchive& ar) { list.Serialize(ar); }), CArchiveException);
    EXPECT_TRUE(list.IsEmpty());
}

// ---- saving into files ------------------------------------------------------------------------

TEST_F(ObjectDefTest, SaveToFileNeedsAnExistingFileAndReplacesAllOfIt) {
    const std::string folder = tarvex::test::MakeScratchFolder("ObjectDefTest");
    const std::string path = folder + "/defs.txt";
    SObjectDef def;
    def.SetName("A");
    def.SetOrAppend("k", "v", 0);

    def.SaveToFile(path.c_str());
    EXPECT_FALSE(std::filesystem::exists(path));

    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(200, 'x');
    }
    def.SaveToFile(path.c_str());
    EXPECT_EQ(ReadFile(path), "OBJECT A\r\n{\r\n    set k \"v\"\r\n}\r\n");

    SObjectDefList list;
    list.AddTail(MakeDef("B"));
    list.AddTail(MakeDef("C"));
    list.SaveToFile(path.c_str());
    EXPECT_EQ(ReadFile(path), "OBJECT B\r\n{\r\n}\r\nOBJECT C\r\n{\r\n}\r\n");
    list.DeleteAll();
}
