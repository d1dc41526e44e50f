// The catalog file: its byte layout, a read followed by a store giving the same bytes, files of
// version 1 and items of schema 1 and 2, embedded images and sounds, children, and damaged
// files (short files and counts the rest of the file cannot hold) refused without leftovers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "core/SCatalog.h"
#include "sys/signals.h"
#include "tests/core/CatalogTestSupport.h"

namespace {

namespace fs = std::filesystem;
using catalogtest::Bytes;
using catalogtest::KindRegistration;
using catalogtest::MakeDataItem;
using catalogtest::TestResource;

void Append(Bytes& bytes, std::initializer_list<uint8_t> more) { bytes.insert(bytes.end(), more); }
void AppendText(Bytes& bytes, const std::string& text) {
    bytes.push_back(static_cast<uint8_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
}

// Where the schema WORD of the item class record sits: just before the name's length.
size_t ItemSchemaOffset(const Bytes& bytes) {
    const std::string name = "SCatalogItem";
    const auto found = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
    EXPECT_NE(found, bytes.end());
    return static_cast<size_t>(found - bytes.begin()) - 4;
}

std::vector<SCatalogItem*> Items(const SCatalog& catalog) {
    std::vector<SCatalogItem*> items;
    for (POSITION pos = catalog.GetItems()->GetHeadPosition(); pos != nullptr;)
        items.push_back(catalog.GetItems()->GetNext(pos));
    return items;
}

TestResource* Data(const SCatalogItem* pItem) { return dynamic_cast<TestResource*>(pItem->GetResource()); }

// One of everything: embedded and plain images and sounds, data-carrying kinds with strings,
// words and flags, a control item, children pointing back and forth, and kinds without class.
void BuildRichCatalog(SCatalog& catalog) {
    catalog.SetWord(0x01020304);
    catalog.SetFirstText("first");
    catalog.SetSecondText("second");
    catalog.AddEmbeddedName("logo");
    catalog.AddEmbeddedName("click");

    catalog.AddItem(MakeDataItem(kKindImage, "logo", 1, "logo data"));
    catalog.AddItem(new SCatalogItem(kKindImage, "backdrop", "back", "Data\\Images"));
    catalog.AddItem(MakeDataItem(kKindSound, "click", 2, "click data"));
    catalog.AddItem(new SCatalogItem(kKindSound, "music", "theme", "Data\\Sounds"));
    SCatalogItem* pCursor = MakeDataItem(kKindSprite, "cursor", 3, "");
    pCursor->AddString("frame one");
    pCursor->AddString("frame two");
    catalog.AddItem(pCursor);
    SCatalogItem* pButton = MakeDataItem(kKindButton, "ok", 4, "button");
    catalog.AddItem(pButton);
    SCatalogItem* pFont = MakeDataItem(kKindFont, "Master", 5, "font");
    pFont->SetFlags(1);
    pFont->SetFirstWord(0xAAAA);
    pFont->SetSecondWord(0xBBBB);
    catalog.AddItem(pFont);
    auto* pControl = new SCatalogItem(kKindFont, "Master", "master", "Fonts", kKindButton, "extra");
    catalog.AddItem(pControl);
    catalog.AddItem(new SCatalogItem(6, "actor", "actor", "Actors"));
    catalog.AddItem(new SCatalogItem(40, "beyond", "beyond", ""));
    pButton->AddChild(pCursor);
    pButton->AddChild(pFont);
    pCursor->AddChild(pButton);
}

class CatalogFileTest : public ::testing::Test {
protected:
    KindRegistration m_kinds{kKindImage, kKindSound, kKindSprite, kKindButton, kKindFont};
};

TEST_F(CatalogFileTest, HeaderBytes) {
    SCatalog catalog;
    catalog.SetWord(7);
    catalog.SetFirstText("A");
    catalog.SetSecondText("B");
    catalog.SetDevRoot("D");
    catalog.SetReleaseRoot("R");
    // word, version 2, second text, first text, development root, release root, no embedded
    // names, no items.
    const Bytes expected{0x07, 0, 0, 0, 0x02, 0, 0, 0, 1, 'B', 1, 'A', 1, 'D', 1, 'R', 0, 0, 0, 0};
    EXPECT_EQ(catalogtest::StoreBytes(catalog), expected);
}

TEST_F(CatalogFileTest, OneItemBytes) {
    SCatalog catalog;
    SCatalogItem* pItem = MakeDataItem(kKindSprite, "n", 0x44, "t");
    pItem->SetFile("p", "f", false);
    pItem->SetFlags(0x11);
    pItem->SetFirstWord(0x22);
    pItem->SetSecondWord(0x33);
    pItem->AddString("s");
    catalog.AddItem(pItem);
    Bytes expected{0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    Append(expected, {0xFF, 0xFF, 0x03, 0x00, 0x0C, 0x00});
    expected.insert(expected.end(), {'S', 'C', 'a', 't', 'a', 'l', 'o', 'g', 'I', 't', 'e', 'm'});
    Append(expected, {0x11, 0, 0, 0, 0x03, 0, 0, 0});
    AppendText(expected, "n");
    AppendText(expected, "f");
    AppendText(expected, "p");
    AppendText(expected, "");
    Append(expected, {0x22, 0, 0, 0, 0, 0, 0, 0});
    AppendText(expected, "");
    Append(expected, {0x33, 0, 0, 0});
    Append(expected, {0x01, 0, 0, 0, 0x44, 0, 0, 0});  // resource: schema word, value
    AppendText(expected, "t");
    Append(expected, {0x01, 0x00});  // one string
    AppendText(expected, "s");
    Append(expected, {0x00, 0x00});  // no children
    EXPECT_EQ(catalogtest::StoreBytes(catalog), expected);
}

TEST_F(CatalogFileTest, ReadThenStoreGivesTheSameBytes) {
    SCatalog original;
    BuildRichCatalog(original);
    const Bytes written = catalogtest::StoreBytes(original);

    SCatalog read;
    catalogtest::LoadBytes(read, written);
    EXPECT_EQ(catalogtest::StoreBytes(read), written);

    const std::vector<SCatalogItem*> items = Items(read);
    ASSERT_EQ(items.size(), 10u);
    EXPECT_EQ(read.GetWord(), 0x01020304u);
    EXPECT_EQ(read.GetFirstText(), "first");
    EXPECT_EQ(read.GetSecondText(), "second");
    ASSERT_NE(Data(items[0]), nullptr);
    EXPECT_EQ(Data(items[0])->m_strText, "logo data");
    EXPECT_EQ(items[1]->GetResource(), nullptr);  // not embedded: its data stays in its file
    EXPECT_EQ(items[1]->GetDevPath(), "Data\\Images");
    EXPECT_EQ(Data(items[2])->m_dwValue, 2u);
    EXPECT_EQ(items[3]->GetResource(), nullptr);
    ASSERT_EQ(items[4]->GetStrings().GetCount(), 2);
    EXPECT_EQ(items[4]->GetStrings().GetTail(), "frame two");
    EXPECT_EQ(items[6]->GetFlags(), 1u);
    EXPECT_EQ(items[6]->GetFirstWord(), 0xAAAAu);
    EXPECT_EQ(items[6]->GetSecondWord(), 0xBBBBu);
    EXPECT_EQ(items[7]->GetControlKind(), static_cast<uint32_t>(kKindButton));
    EXPECT_EQ(items[7]->GetExtraText(), "extra");
    // Children are the listed items themselves, in both directions.
    ASSERT_EQ(items[5]->GetChildren()->GetCount(), 2);
    EXPECT_EQ(items[5]->GetChildren()->GetHead(), items[4]);
    EXPECT_EQ(items[5]->GetChildren()->GetTail(), items[6]);
    ASSERT_EQ(items[4]->GetChildren()->GetCount(), 1);
    EXPECT_EQ(items[4]->GetChildren()->GetHead(), items[5]);
    for (SCatalogItem* pItem : items)
        EXPECT_EQ(pItem->GetCatalog(), &read);
}

TEST_F(CatalogFileTest, Version1FileHasNoEmbeddedNamesAndBecomesVersion2) {
    SCatalog original;
    original.AddItem(new SCatalogItem(kKindImage, "logo", "logo", "Images"));
    const Bytes version2 = catalogtest::StoreBytes(original);
    // Offsets 0-3 word, 4-7 version, 8-11 four empty texts, 12-13 the embedded-names count.
    Bytes version1 = version2;
    version1[4] = 1;
    version1.erase(version1.begin() + 12, version1.begin() + 14);

    SCatalog read;
    catalogtest::LoadBytes(read, version1);
    EXPECT_EQ(read.GetVersion(), 2u);
    EXPECT_EQ(read.GetEmbeddedNames().GetSize(), 0);
    ASSERT_EQ(read.GetItems()->GetCount(), 1);
    EXPECT_EQ(read.GetItems()->GetHead()->GetName(), "logo");
    EXPECT_EQ(catalogtest::StoreBytes(read), version2);
}

TEST_F(CatalogFileTest, ItemOfSchema2HasNoResourceDataAndLoadsFromItsFile) {
    const fs::path dir = fs::path(TARVEX_TEST_BINARY_DIR) / "catalog_schema2";
    fs::remove_all(dir);
    catalogtest::WriteResourceFile(dir / "Sprites" / "arrow.spr", "from file", 12);

    Bytes bytes;
    {
        // Written while the sprite kind has no class, the item carries no data bytes.
        SResourceFactory::RegisterKind(kKindSprite, nullptr);
        SCatalog original;
        SCatalogItem* pItem = new SCatalogItem(kKindSprite, "arrow", "arrow", "Sprites");
        pItem->AddString("kept");
        original.AddItem(pItem);
        bytes = catalogtest::StoreBytes(original);
        SResourceFactory::RegisterKind<TestResource>(kKindSprite);
    }
    bytes[ItemSchemaOffset(bytes)] = 2;

    SCatalog read;
    read.GetSearchFolders().Add(dir.string().c_str());
    catalogtest::LoadBytes(read, bytes);
    ASSERT_EQ(read.GetItems()->GetCount(), 1);
    SCatalogItem* pItem = read.GetItems()->GetHead();
    ASSERT_EQ(pItem->GetStrings().GetCount(), 1);
    EXPECT_EQ(pItem->GetStrings().GetHead(), "kept");
    // It carries data but none was read, so the read made it from its own file.
    ASSERT_NE(Data(pItem), nullptr);
    EXPECT_TRUE(Data(pItem)->m_bFromFile);
    EXPECT_EQ(Data(pItem)->m_dwValue, 12u);
    fs::remove_all(dir);
}

TEST_F(CatalogFileTest, ItemOfSchema1HasNoChildren) {
    SCatalog original;
    original.AddItem(new SCatalogItem(kKindImage, "plain", "plain", "Images"));
    Bytes bytes = catalogtest::StoreBytes(original);
    bytes[ItemSchemaOffset(bytes)] = 1;
    bytes.resize(bytes.size() - 2);  // the empty children list ends the file

    SCatalog read;
    catalogtest::LoadBytes(read, bytes);
    ASSERT_EQ(read.GetItems()->GetCount(), 1);
    EXPECT_EQ(read.GetItems()->GetHead()->GetName(), "plain");
    EXPECT_TRUE(read.GetItems()->GetHead()->GetChildren()->IsEmpty());
}

TEST_F(CatalogFileTest, UnknownItemSchemasAreRefused) {
    SCatalog original;
    original.AddItem(new SCatalogItem(kKindImage, "plain", "plain", "Images"));
    const Bytes bytes = catalogtest::StoreBytes(original);
    for (uint8_t nSchema : {0, 4, 9}) {
        Bytes patched = bytes;
        patched[ItemSchemaOffset(patched)] = nSchema;
        SCatalog read;
        try {
            catalogtest::LoadBytes(read, patched);
            ADD_FAILURE() << "schema " << int(nSchema) << " accepted";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::badSchema);
        }
        EXPECT_TRUE(read.GetItems()->IsEmpty());
    }
}

TEST_F(CatalogFileTest, ImageDataIsWrittenOnlyOnceItsNameIsEmbedded) {
    SCatalog catalog;
    catalog.AddItem(MakeDataItem(kKindImage, "logo", 9, ""));
    const size_t nPlain = catalogtest::StoreBytes(catalog).size();
    EXPECT_EQ(catalog.AddEmbeddedName("logo"), 1);
    EXPECT_EQ(catalog.AddEmbeddedName("logo"), 1);  // once only
    const Bytes embedded = catalogtest::StoreBytes(catalog);
    // The name in the array (length byte and 4 characters; the count keeps its 2 bytes) and the
    // data (schema word, value, empty text: 9 bytes).
    EXPECT_EQ(embedded.size(), nPlain + 5 + 9);

    SCatalog read;
    catalogtest::LoadBytes(read, embedded);
    ASSERT_NE(Data(read.GetItems()->GetHead()), nullptr);
    EXPECT_EQ(Data(read.GetItems()->GetHead())->m_dwValue, 9u);

    // Embedded names are exact: another case is another name.
    EXPECT_FALSE(read.IsEmbeddedName("LOGO"));
    read.RemoveEmbeddedName("logo");
    EXPECT_FALSE(read.IsEmbeddedName("logo"));
}

TEST_F(CatalogFileTest, EmbeddedImageWithoutObjectIsLoadedBeforeItIsWritten) {
    const fs::path dir = fs::path(TARVEX_TEST_BINARY_DIR) / "catalog_embed_load";
    fs::remove_all(dir);
    catalogtest::WriteResourceFile(dir / "Images" / "logo.bmp", "pixels", 31);

    SCatalog catalog;
    catalog.GetSearchFolders().Add(dir.string().c_str());
    catalog.AddEmbeddedName("logo");
    catalog.AddItem(new SCatalogItem(kKindImage, "logo", "logo", "Images"));
    const Bytes bytes = catalogtest::StoreBytes(catalog);
    ASSERT_NE(Data(catalog.GetItems()->GetHead()), nullptr);
    EXPECT_TRUE(Data(catalog.GetItems()->GetHead())->m_bFromFile);

    fs::remove_all(dir);
    SCatalog read;
    catalogtest::LoadBytes(read, bytes);
    ASSERT_NE(Data(read.GetItems()->GetHead()), nullptr);
    EXPECT_EQ(Data(read.GetItems()->GetHead())->m_dwValue, 31u);
    EXPECT_EQ(Data(read.GetItems()->GetHead())->m_strText, "pixels");
}

TEST_F(CatalogFileTest, DataItemWithoutObjectWritesDefaultDataSoTheReaderStaysInStep) {
    SCatalog catalog;
    catalog.AddEmbeddedName("lost");
    catalog.AddItem(new SCatalogItem(kKindSprite, "bare", "bare", "Sprites"));
    catalog.AddItem(new SCatalogItem(kKindImage, "lost", "lost", "Nowhere"));  // no file to load
    catalog.AddItem(MakeDataItem(kKindSprite, "after", 77, "tail"));
    const Bytes bytes = catalogtest::StoreBytes(catalog);

    SCatalog read;
    catalogtest::LoadBytes(read, bytes);
    const std::vector<SCatalogItem*> items = Items(read);
    ASSERT_EQ(items.size(), 3u);
    ASSERT_NE(Data(items[0]), nullptr);
    EXPECT_EQ(Data(items[0])->m_dwValue, 0u);
    ASSERT_NE(Data(items[1]), nullptr);
    EXPECT_EQ(Data(items[1])->m_dwValue, 0u);
    ASSERT_NE(Data(items[2]), nullptr);
    EXPECT_EQ(Data(items[2])->m_dwValue, 77u);
    EXPECT_EQ(Data(items[2])->m_strText, "tail");
}

TEST_F(CatalogFileTest, ChildThatIsNeverListedBelongsToTheCatalogAndRoundTrips) {
    const int nLive = TestResource::s_nLive;
    Bytes bytes;
    {
        SCatalog original;
        SCatalogItem* pParent = MakeDataItem(kKindButton, "parent", 1, "");
        original.AddItem(pParent);
        std::unique_ptr<SCatalogItem> pLoose(MakeDataItem(kKindSprite, "loose", 2, ""));
        pParent->AddChild(pLoose.get());
        pParent->AddChild(pParent);  // an item never holds itself
        bytes = catalogtest::StoreBytes(original);
        pParent->RemoveChild(pLoose.get());
    }
    EXPECT_EQ(TestResource::s_nLive, nLive);
    {
        SCatalog read;
        catalogtest::LoadBytes(read, bytes);
        ASSERT_EQ(read.GetItems()->GetCount(), 1);
        SCatalogItemList* pChildren = read.GetItems()->GetHead()->GetChildren();
        ASSERT_EQ(pChildren->GetCount(), 1);
        EXPECT_EQ(pChildren->GetHead()->GetName(), "loose");
        EXPECT_EQ(Data(pChildren->GetHead())->m_dwValue, 2u);
        EXPECT_EQ(catalogtest::StoreBytes(read), bytes);
        // Not listed, so lookups do not see it.
        EXPECT_EQ(read.FindItem("loose", "", -1), nullptr);
    }
    EXPECT_EQ(TestResource::s_nLive, nLive);
}

TEST_F(CatalogFileTest, ReadingReplacesWhatTheCatalogHeld) {
    SCatalog source;
    source.AddItem(MakeDataItem(kKindSprite, "new", 1, ""));
    const Bytes bytes = catalogtest::StoreBytes(source);

    SCatalog catalog;
    catalog.AddItem(MakeDataItem(kKindSprite, "old", 2, ""));
    catalog.AddItem(MakeDataItem(kKindSprite, "older", 3, ""));
    catalogtest::LoadBytes(catalog, bytes);
    ASSERT_EQ(catalog.GetItems()->GetCount(), 1);
    EXPECT_EQ(catalog.GetItems()->GetHead()->GetName(), "new");
    EXPECT_EQ(catalog.FindItem("old", "", kKindSprite), nullptr);
}

TEST_F(CatalogFileTest, EveryShortenedFileIsRefusedAndLeavesNothingBehind) {
    SCatalog original;
    BuildRichCatalog(original);
    const Bytes bytes = catalogtest::StoreBytes(original);
    const int nLive = TestResource::s_nLive;
    for (size_t n = 0; n < bytes.size(); ++n) {
        SCatalog read;
        read.SetDevRoot("kept?");
        EXPECT_THROW(catalogtest::LoadBytes(read, Bytes(bytes.begin(), bytes.begin() + n)), CArchiveException)
            << "length " << n;
        EXPECT_TRUE(read.GetItems()->IsEmpty());
        EXPECT_EQ(read.GetVersion(), 2u);
        EXPECT_TRUE(read.GetDevRoot().IsEmpty());
        EXPECT_EQ(TestResource::s_nLive, nLive) << "length " << n;
    }
}

TEST_F(CatalogFileTest, CountsLargerThanTheFileAreRefused) {
    // An empty catalog ends with the embedded-names count and the item count.
    SCatalog empty;
    const Bytes bytes = catalogtest::StoreBytes(empty);
    ASSERT_EQ(bytes.size(), 16u);
    const Bytes hugeCount{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};

    Bytes names(bytes.begin(), bytes.begin() + 12);
    names.insert(names.end(), hugeCount.begin(), hugeCount.end());
    Append(names, {0, 0});
    Bytes items(bytes.begin(), bytes.begin() + 14);
    items.insert(items.end(), hugeCount.begin(), hugeCount.end());
    Bytes wordCount(bytes.begin(), bytes.begin() + 14);
    Append(wordCount, {0xFE, 0xFF, 0, 0, 0, 0});
    // Names the file can hold, empty ones, but more than any catalog has images and sounds.
    Bytes manyNames(bytes.begin(), bytes.begin() + 12);
    const uint32_t many = SCatalog::kMaxEmbeddedNames + 1;
    Append(manyNames, {0xFF, 0xFF, uint8_t(many), uint8_t(many >> 8), uint8_t(many >> 16), uint8_t(many >> 24)});
    manyNames.resize(manyNames.size() + many + 2);

    const struct {
        const Bytes* bad;
        int cause;
    } cases[] = {{&names, CArchiveException::endOfFile},
                 {&items, CArchiveException::endOfFile},
                 {&wordCount, CArchiveException::endOfFile},
                 {&manyNames, CArchiveException::badIndex}};
    for (const auto& c : cases) {
        SCatalog read;
        try {
            catalogtest::LoadBytes(read, *c.bad);
            ADD_FAILURE() << "count accepted";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, c.cause);
        }
    }
}

// A list of empty entries the file can hold takes seconds to read when it is hundreds of millions
// long; a request to close the game stops it, and without one it reads to its end.
TEST_F(CatalogFileTest, ALongItemListStopsAtACloseRequest) {
    SCatalog empty;
    Bytes list = catalogtest::StoreBytes(empty);
    list.resize(14);
    const uint32_t count = 0x30000;
    Append(list, {0xFF, 0xFF, uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16), uint8_t(count >> 24)});
    list.resize(list.size() + 2 * count);
    sys::signals::RequestClose();
    SCatalog stopped;
    EXPECT_THROW(catalogtest::LoadBytes(stopped, list), CUserException);
    EXPECT_TRUE(sys::signals::TakeCloseRequest());
    SCatalog read;
    EXPECT_NO_THROW(catalogtest::LoadBytes(read, list));
    EXPECT_TRUE(read.GetItems()->IsEmpty());
}

TEST_F(CatalogFileTest, StringAndChildCountsOfAnItemAreChecked) {
    SCatalog original;
    original.AddItem(new SCatalogItem(kKindImage, "plain", "plain", "Images"));
    const Bytes bytes = catalogtest::StoreBytes(original);
    // The file ends with the item's string count and its child count.
    Bytes strings = bytes;
    strings[strings.size() - 4] = 0xF0;
    strings[strings.size() - 3] = 0x7F;
    Bytes children = bytes;
    children[children.size() - 2] = 0x10;
    for (const Bytes* pBad : {&strings, &children}) {
        SCatalog read;
        EXPECT_THROW(catalogtest::LoadBytes(read, *pBad), CArchiveException);
        EXPECT_TRUE(read.GetItems()->IsEmpty());
    }
}

TEST_F(CatalogFileTest, ObjectOfAnotherClassInTheItemListIsRefused) {
    SCatalog original;
    original.AddItem(new SCatalogItem(kKindImage, "plain", "plain", "Images"));
    Bytes bytes = catalogtest::StoreBytes(original);
    // Rename the class record to another class the archive knows: "SResource".
    const size_t nName = ItemSchemaOffset(bytes) + 4;
    const std::string other = "SResource";
    ASSERT_EQ(bytes[nName - 2], 12);
    bytes[nName - 2] = static_cast<uint8_t>(other.size());
    bytes.erase(bytes.begin() + static_cast<long>(nName), bytes.begin() + static_cast<long>(nName) + 12);
    bytes.insert(bytes.begin() + static_cast<long>(nName), other.begin(), other.end());
    SCatalog read;
    EXPECT_THROW(catalogtest::LoadBytes(read, bytes), CArchiveException);
}

TEST_F(CatalogFileTest, CatalogFileOnDiskIsReadByTheFileConstructor) {
    const fs::path dir = fs::path(TARVEX_TEST_BINARY_DIR) / "catalog_file_ctor";
    fs::remove_all(dir);
    SCatalog original;
    BuildRichCatalog(original);
    const Bytes bytes = catalogtest::StoreBytes(original);
    catalogtest::WriteRawFile(dir / "Tarvex.cat", bytes);

    SCatalog read((dir.string() + "\\TARVEX.CAT").c_str());
    EXPECT_EQ(read.GetItems()->GetCount(), 10);
    EXPECT_EQ(catalogtest::StoreBytes(read), bytes);
    SCatalog second((dir.string() + "/Tarvex.cat").c_str(), 1);
    EXPECT_EQ(second.GetItems()->GetCount(), 10);

    EXPECT_THROW(SCatalog((dir.string() + "/Missing.cat").c_str()), CFileException);
    catalogtest::WriteRawFile(dir / "Short.cat", Bytes(bytes.begin(), bytes.begin() + 30));
    EXPECT_THROW(SCatalog((dir.string() + "/Short.cat").c_str()), CArchiveException);
    fs::remove_all(dir);
}

// Writes the catalog fuzz target's seeds. Run by hand after a change of the format:
//   tarvex_core_tests --gtest_also_run_disabled_tests --gtest_filter=*WriteCatalogFuzzSeeds
TEST_F(CatalogFileTest, DISABLED_WriteCatalogFuzzSeeds) {
    const fs::path dir = fs::path(TARVEX_FUZZ_CORPUS) / "catalog_fuzz";
    fs::create_directories(dir);
    {
        SCatalog empty;
        catalogtest::WriteRawFile(dir / "empty.cat", catalogtest::StoreBytes(empty));
    }
    {
        SCatalog one;
        SCatalogItem* pItem = MakeDataItem(kKindSprite, "cursor", 3, "arrow");
        pItem->AddString("frame");
        one.AddItem(pItem);
        catalogtest::WriteRawFile(dir / "one_item.cat", catalogtest::StoreBytes(one));
    }
    {
        SCatalog rich;
        BuildRichCatalog(rich);
        catalogtest::WriteRawFile(dir / "rich.cat", catalogtest::StoreBytes(rich));
    }
    {
        SCatalog plain;
        plain.AddItem(new SCatalogItem(kKindImage, "logo", "logo", "Images"));
        Bytes version1 = catalogtest::StoreBytes(plain);
        version1[4] = 1;
        version1.erase(version1.begin() + 12, version1.begin() + 14);
        catalogtest::WriteRawFile(dir / "version1.cat", version1);
    }
}

}  // namespace
