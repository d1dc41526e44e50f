#include "core/SObjectParser.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/SObjectDef.h"
#include "sys/signals.h"
#include "sys/window/dialogs.h"
#include "sys/window/headless/headless_dialogs.h"
#include "tests/support/PeakMemory.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace headless = sys::dialogs::headless;

class ObjectScriptTest : public testing::Test {
protected:
    void SetUp() override
    {
        headless::Reset();
        m_folder = tarvex::test::MakeScratchFolder("ObjectScriptTest");
        m_parser.SetDefList(&m_list);
    }
    void TearDown() override
    {
        m_list.DeleteAll();
        headless::Reset();
    }

    // Writes a script below the scratch folder ("/" in the name makes sub-folders) and answers
    // its path the way the data writes paths.
    std::string Write(const std::string& relative, const std::string& text)
    {
        const std::filesystem::path file = std::filesystem::path(m_folder) / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        out << text;
        return Path(relative);
    }
    std::string Path(std::string relative) const
    {
        for (char& c : relative) {
            if (c == '/')
                c = '\\';
        }
        return m_folder + "\\" + relative;
    }
    std::string ReadBytes(const std::string& relative) const
    {
        std::ifstream in(std::filesystem::path(m_folder) / relative, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    static std::vector<std::string> Messages()
    {
        std::vector<std::string> texts;
        for (const auto& box : headless::Shown())
            texts.push_back(box.text);
        return texts;
    }
    // How much the process's peak memory grew while `work` ran.
    template <class Work>
    static uint64_t PeakGrowth(Work work)
    {
        tarvex::test::ResetPeakMemory();
        const uint64_t before = tarvex::test::PeakMemoryBytes();
        work();
        const uint64_t after = tarvex::test::PeakMemoryBytes();
        return after - std::min(before, after);
    }
    static std::string Value(const SObjectDef* def, const char* key)
    {
        return def != nullptr ? def->GetValueByName(key).GetString() : "<no definition>";
    }
    // Names of the list's definitions in order, joined by spaces.
    static std::string Names(const SObjectDefList& list)
    {
        std::string names;
        for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
            if (!names.empty())
                names += ' ';
            names += list.GetNext(pos)->GetName().GetString();
        }
        return names;
    }

    std::string m_folder;
    SObjectParser m_parser;
    SObjectDefList m_list;
};

// The definitions of the writer test, and their text worked out by hand.
constexpr const char* kWrittenText =
    "OBJECT Weapon\n"
    "{\n"
    "    set Damage \"10\"\n"
    "}\n"
    "OBJECT Pistol:Weapon\n"
    "{\n"
    "    set Damage \"10\"\n"
    "    set Range \"25\"\n"
    "    OBJECT Sight\n"
    "    {\n"
    "        set Zoom \"2\"\n"
    "        OBJECT Dot\n"
    "        {\n"
    "            set Color \"bright red\"\n"
    "        }\n"
    "    }\n"
    "}\n";

void BuildWrittenDefinitions(SObjectDefList& list)
{
    auto* weapon = new SObjectDef;
    weapon->SetName("Weapon");
    weapon->SetOrAppend("Damage", "10", 0);
    list.AddTail(weapon);
    auto* pistol = new SObjectDef;
    pistol->SetName("Pistol");
    pistol->SetBase(weapon);
    pistol->SetOrAppend("Range", "25", 0);
    auto* sight = new SObjectDef;
    sight->SetName("Sight");
    sight->SetOrAppend("Zoom", "2", 0);
    auto* dot = new SObjectDef;
    dot->SetName("Dot");
    dot->SetOrAppend("Color", "bright red", 0);
    sight->GetChildren().AddTail(dot);
    pistol->GetChildren().AddTail(sight);
    list.AddTail(pistol);
}

}  // namespace

// ---- blocks, keywords and values --------------------------------------------------------------

TEST_F(ObjectScriptTest, LowerCaseKeywordAndAMissingBaseFiledBeforeTheDerived) {
    m_parser.ParseFile(Write("a.txt", "object a:b\n{\nset x 1\n}\n").c_str());
    EXPECT_EQ(Names(m_list), "b a");
    SObjectDef* b = m_list.FindByName("b");
    SObjectDef* a = m_list.FindByName("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(b->GetCount(), 0);
    EXPECT_EQ(a->GetBase(), b);
    EXPECT_STREQ(a->GetBaseName().GetString(), "b");
    EXPECT_EQ(Value(a, "x"), "1");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ObjectScriptTest, SecondBlockOfAnExistingNameAddsToIt) {
    m_parser.ParseFile(Write("gun.txt",
                             "OBJECT Gun\n{\nset Ammo 10\nset Clips 2\n}\n"
                             "OBJECT gun\n{\nset Ammo 12\nset Scope 1\n}\n")
                           .c_str());
    ASSERT_EQ(m_list.GetCount(), 1);
    SObjectDef* gun = m_list.GetHead();
    ASSERT_EQ(gun->GetCount(), 3);
    EXPECT_STREQ(gun->GetName(0).GetString(), "Ammo");
    EXPECT_STREQ(gun->GetValue(0).GetString(), "12");
    EXPECT_STREQ(gun->GetValue(1).GetString(), "2");
    EXPECT_STREQ(gun->GetName(2).GetString(), "Scope");
}

TEST_F(ObjectScriptTest, QuotedValuesAndKeyValueLines) {
    m_parser.ParseFile(Write("q.txt",
                             "OBJECT T\n{\n"
                             "  set Desc \"Service pistol with night sights\"\n"
                             "\tset Empty \"\"\n"
                             "set Padded \"  x y  \"\n"
                             "set Unclosed \"rest of line\n"
                             "Ammo 15 and more\n"
                             "}\n")
                           .c_str());
    SObjectDef* t = m_list.FindByName("T");
    EXPECT_EQ(Value(t, "Desc"), "Service pistol with night sights");
    EXPECT_EQ(t->FindByName("Empty"), -1);
    EXPECT_EQ(Value(t, "Padded"), "x y");
    EXPECT_EQ(Value(t, "Unclosed"), "rest of line");
    EXPECT_EQ(Value(t, "Ammo"), "15");
    EXPECT_EQ(t->GetCount(), 4);
}

TEST_F(ObjectScriptTest, CommentsAndLinesOutsideBlocksChangeNothing) {
    m_parser.ParseFile(Write("c.txt",
                             "// OBJECT Hidden\n"
                             "   //indented comment\n"
                             "set stray 1\n"
                             "stray 2\n"
                             "#include \"\"\n"
                             "OBJECT A //the rest of a line is ignored\n"
                             "{\n"
                             "//set c 1\n"
                             "set k v extra words\n"
                             "}\n")
                           .c_str());
    EXPECT_EQ(Names(m_list), "A");
    SObjectDef* a = m_list.GetHead();
    EXPECT_EQ(a->GetCount(), 1);
    EXPECT_EQ(Value(a, "k"), "v");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ObjectScriptTest, SyntaxErrorsAreShownAndTheLineIsDropped) {
    m_parser.ParseFile(Write("bad.txt",
                             "{\n"
                             "OBJECT A\n"
                             "OBJECT B\n"
                             "set k 1\n"
                             "{\n"
                             "{\n"
                             "set x 1\n"
                             "}\n"
                             "}\n")
                           .c_str());
    // The first error as it is, the other four ('OBJECT', 'SET', '{', '}') counted in its box.
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"Syntax Error: Invalid token '{'\n\n... and 4 more errors in bad.txt"});
    for (const auto& box : headless::Shown()) {
        EXPECT_EQ(box.caption, "Tarvex");
        EXPECT_EQ(box.type, sys::MB_OK);
    }
    EXPECT_EQ(Names(m_list), "A");
    EXPECT_EQ(m_list.GetHead()->GetCount(), 1);
    EXPECT_EQ(Value(m_list.GetHead(), "x"), "1");
}

TEST_F(ObjectScriptTest, LineReaderAnswersWhetherADefinitionIsOpen) {
    EXPECT_EQ(m_parser.ParseLine("}"), 0);
    EXPECT_EQ(m_parser.ParseLine("OBJECT Q"), 1);
    EXPECT_EQ(m_parser.GetBlockState(), SObjectParser::kAfterObject);
    EXPECT_EQ(m_parser.ParseLine("set a b"), 0);  // not allowed before "{"
    EXPECT_EQ(m_parser.ParseLine("{"), 1);
    EXPECT_EQ(m_parser.ParseLine("  "), 1);
    EXPECT_EQ(m_parser.ParseLine("set a b"), 1);
    EXPECT_EQ(m_parser.ParseLine("}"), 0);
    EXPECT_EQ(m_parser.GetBlockState(), SObjectParser::kOutside);
    EXPECT_EQ(Names(m_list), "Q");
    EXPECT_EQ(Messages().size(), 2u);
}

// ---- inheritance ------------------------------------------------------------------------------

TEST_F(ObjectScriptTest, DerivedBlocksCopyTheBaseAtTheirOwnLine) {
    m_parser.ParseFile(Write("inherit.txt",
                             "OBJECT Weapon\n{\n"
                             "set Damage 10\nset Range 50\n"
                             "OBJECT Sight\n{\nset Zoom 1\n}\n"
                             "}\n"
                             "OBJECT Pistol:Weapon\n{\nset Range 25\n}\n"
                             "OBJECT Weapon\n{\nset Damage 99\n}\n")
                           .c_str());
    EXPECT_EQ(Names(m_list), "Weapon Pistol");
    SObjectDef* weapon = m_list.FindByName("Weapon");
    SObjectDef* pistol = m_list.FindByName("Pistol");
    ASSERT_NE(pistol, nullptr);
    ASSERT_EQ(pistol->GetCount(), 2);
    EXPECT_STREQ(pistol->GetName(0).GetString(), "Damage");
    EXPECT_STREQ(pistol->GetValue(0).GetString(), "10");
    EXPECT_STREQ(pistol->GetName(1).GetString(), "Range");
    EXPECT_STREQ(pistol->GetValue(1).GetString(), "25");
    EXPECT_EQ(Value(weapon, "Damage"), "99");
    EXPECT_EQ(pistol->GetBase(), weapon);
    EXPECT_TRUE(pistol->IsKindOf("weapon"));
    ASSERT_EQ(pistol->GetChildren().GetCount(), 1);
    SObjectDef* sight = pistol->GetChildren().GetHead();
    EXPECT_NE(sight, weapon->GetChildren().GetHead());
    EXPECT_EQ(sight->GetParent(), pistol);
    EXPECT_EQ(Value(sight, "Zoom"), "1");
}

TEST_F(ObjectScriptTest, EachOfALongChainOfDerivationsInheritsAlongIt) {
    constexpr int kChain = 40000;
    std::string text = "OBJECT O0\n{\nset a \"0\"\nset kept \"base\"\n}\n";
    for (int i = 1; i < kChain; ++i) {
        text += "OBJECT O" + std::to_string(i) + ":o" + std::to_string(i - 1) + "\n{\n";
        if (i % 1000 == 0)
            text += "set a \"" + std::to_string(i) + "\"\n";
        text += "}\n";
    }
    m_parser.ParseFile(Write("chain.txt", text).c_str());
    ASSERT_EQ(m_list.GetCount(), kChain);
    SObjectDef* first = m_list.GetHead();
    SObjectDef* last = m_list.GetTail();
    EXPECT_EQ(Value(last, "a"), "39000");
    EXPECT_EQ(Value(m_list.FindByName("O1999"), "a"), "1000");
    EXPECT_EQ(Value(last, "kept"), "base");
    EXPECT_EQ(last->GetBase(), m_list.FindByName("O39998"));
    EXPECT_TRUE(last->IsDerivedFrom(first));
    EXPECT_TRUE(last->IsKindOf("o0"));
    EXPECT_FALSE(first->IsDerivedFrom(last));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ObjectScriptTest, BlocksFindTheFirstOfNamesThatDifferInCaseAsTheListDoes) {
    SObjectDef* first = new SObjectDef;
    first->SetName("Gun");
    m_list.AddTail(first);
    SObjectDef* second = new SObjectDef;
    second->SetName("GUN");
    m_list.AddTail(second);
    m_parser.ParseFile(Write("case.txt", "OBJECT gun\n{\nset x 1\n}\nOBJECT Pistol:GUN\n{\n}\n").c_str());
    EXPECT_EQ(Value(first, "x"), "1");
    EXPECT_EQ(second->FindByName("x"), -1);
    EXPECT_EQ(m_list.FindByName("Pistol")->GetBase(), first);
}

TEST_F(ObjectScriptTest, ABlockNamingItselfAsBaseReopensTheTopLevelDefinition) {
    m_parser.ParseFile(Write("self.txt",
                             "OBJECT b\n{\nset x 1\n}\n"
                             "OBJECT Holder\n{\nOBJECT b:b\n{\nset y 2\n}\n}\n")
                           .c_str());
    EXPECT_EQ(Names(m_list), "b Holder");
    SObjectDef* b = m_list.FindByName("b");
    EXPECT_EQ(Value(b, "x"), "1");
    EXPECT_EQ(Value(b, "y"), "2");
    EXPECT_TRUE(m_list.FindByName("Holder")->GetChildren().IsEmpty());
}

TEST_F(ObjectScriptTest, TopLevelBlockClosedUnderATakenNameIsReleased) {
    // Deriving c from "a" inside a's own block files an empty "a" first, so the block's own
    // "a" finds its name taken when it closes.
    m_parser.ParseFile(Write("dup.txt", "OBJECT a\n{\nset v 1\nOBJECT c:a\n{\n}\n}\n").c_str());
    ASSERT_EQ(Names(m_list), "a");
    SObjectDef* filed = m_list.GetHead();
    EXPECT_EQ(filed->GetCount(), 0);
    EXPECT_TRUE(filed->GetChildren().IsEmpty());
    // c held a reference on the filed "a"; it went with the released block.
    EXPECT_EQ(filed->GetRefCount(), 1);
}

// ---- files and includes -----------------------------------------------------------------------

TEST_F(ObjectScriptTest, IncludesAreFoundBesideTheOutermostFile) {
    const std::string main = Write("sub/main.txt", "#include inner\\part1.txt\nOBJECT Main\n{\nset m 1\n}\n");
    Write("sub/inner/part1.txt", "#include part2.txt\nOBJECT One\n{\n}\n");
    Write("sub/part2.txt", "OBJECT Two\n{\n}\n");
    Write("sub/inner/part2.txt", "OBJECT Decoy\n{\n}\n");
    m_parser.ParseFile(main.c_str());
    EXPECT_EQ(Names(m_list), "Two One Main");
    EXPECT_EQ(SObjectParser::GetNestingLevel(), 0);
}

TEST_F(ObjectScriptTest, MissingFilesAddNothingAndSayNothing) {
    m_parser.ParseFile(Path("nothing.txt").c_str());
    EXPECT_TRUE(m_list.IsEmpty());
    m_parser.ParseFile(Write("m.txt", "#include gone.txt\nOBJECT A\n{\n}\n").c_str());
    EXPECT_EQ(Names(m_list), "A");
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(SObjectParser::GetNestingLevel(), 0);
}

TEST_F(ObjectScriptTest, IncludeNestingStopsAtSixteenFiles) {
    for (int n = 1; n <= 20; ++n) {
        Write("f" + std::to_string(n) + ".txt",
              "#include f" + std::to_string(n + 1) + ".txt\nOBJECT L" + std::to_string(n) + "\n{\n}\n");
    }
    m_parser.ParseFile(Path("f1.txt").c_str());
    EXPECT_EQ(m_list.GetCount(), 16);
    EXPECT_NE(m_list.FindByName("L16"), nullptr);
    EXPECT_EQ(m_list.FindByName("L17"), nullptr);
    EXPECT_STREQ(m_list.GetHead()->GetName().GetString(), "L16");
    EXPECT_EQ(SObjectParser::GetNestingLevel(), 0);
    EXPECT_EQ(Messages(), std::vector<std::string>{"f17.txt not included: files nested more than 16 deep"});
}

TEST_F(ObjectScriptTest, AScriptIncludingItselfEnds) {
    const std::string refused = " not included: it is being read already (a file may not include itself)";
    std::string fifty;
    for (int i = 0; i < 50; ++i)
        fifty += "#include loop.txt\n";
    Write("b.txt", "#include A.TXT\nOBJECT B\n{\n}\n");
    Write("part.txt", "OBJECT P\n{\n}\n");
    const struct {
        const char* file;
        std::string text;
        const char* names;
        std::vector<std::string> told;
    } cases[] = {
        {"loop.txt", fifty + "OBJECT S\n{\nset n 1\n}\n", "S",
         {"loop.txt" + refused + "\n\n... and 49 more errors in loop.txt"}},
        {"a.txt", "#include b.txt\nOBJECT A\n{\n}\n", "B A", {"A.TXT" + refused}},
        // The same file twice, one after the other, is no loop.
        {"twice.txt", "#include part.txt\n#include part.txt\n", "P", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        m_list.DeleteAll();
        headless::Reset();
        m_parser.ParseFile(Write(c.file, c.text).c_str());
        EXPECT_EQ(Names(m_list), c.names);
        EXPECT_EQ(Messages(), c.told);
        EXPECT_EQ(SObjectParser::GetNestingLevel(), 0);
    }
}

TEST_F(ObjectScriptTest, EachReadCountsItsOwnErrors) {
    m_parser.ParseFile(Write("two.txt", "{\n}\n").c_str());
    m_parser.ParseFile(Write("one.txt", "}\nOBJECT A\n{\n}\n").c_str());
    const std::vector<std::string> expected = {"Syntax Error: Invalid token '{'\n\n... and 1 more error in two.txt",
                                               "Syntax Error: Invalid token '}'"};
    EXPECT_EQ(Messages(), expected);
}

TEST_F(ObjectScriptTest, OneReadStopsAtItsBoundsAndSaysWhere) {
    std::string includes;
    for (int i = 0; i < SObjectParser::kMaxFilesPerRead; ++i)
        includes += "#include part.txt\n";
    Write("part.txt", "// nothing\n");
    m_parser.ParseFile(Write("many.txt", includes + "OBJECT After\n{\n}\n").c_str());
    EXPECT_EQ(Messages(), std::vector<std::string>{"part.txt not included: more than 1,000 files in one read"});
    EXPECT_EQ(Names(m_list), "After");

    std::string lines = "OBJECT Long\n{\n";
    for (int i = 2; i < SObjectParser::kMaxLinesPerRead; ++i)
        lines += "a 1\n";
    std::string closes;
    for (int i = 0; i <= SObjectParser::kMaxLinesPerRead; ++i)
        closes += "}\n";
    const std::string cutByLines = " not read to its end: more than 1,000,000 lines in one read";
    const std::string cutByBytes = " not read to its end: more than 67,108,864 bytes in one read";
    const struct {
        const char* file;
        std::string text;
        uint64_t size;  // made this long with zero bytes, as a sparse file is
        std::string told;
        bool closing = false;  // a request to close the game waits: the read stops at once, saying nothing
    } cases[] = {
        {"lines.txt", lines + "b 2\n}\n", 0, "lines.txt" + cutByLines},
        // The cut is told even when the read is mostly errors.
        {"closes.txt", closes, 0,
         "closes.txt" + cutByLines + "\n\nSyntax Error: Invalid token '}'\n\n... and 999,999 more errors in closes.txt"},
        {"sparse.txt", "OBJECT Sparse\n{\n", 1ull << 30, "sparse.txt" + cutByBytes},
        {"line.txt", "OBJECT Line\n{\nset v " + std::string(SObjectParser::kMaxBytesPerRead, 'v'), 0,
         "line.txt" + cutByBytes},
        // Zeros are one line up to the bound, which the request does not wait for.
        {"closing.txt", "", 1ull << 30, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        headless::Reset();
        const std::string path = Write(c.file, c.text);
        if (c.size > 0)
            std::filesystem::resize_file(std::filesystem::path(m_folder) / c.file, c.size);
        if (c.closing)
            sys::signals::RequestClose();
        const uint64_t growth = PeakGrowth([&] { m_parser.ParseFile(path.c_str()); });
        EXPECT_EQ(c.closing, sys::signals::TakeCloseRequest());
        EXPECT_EQ(Messages(), c.closing ? std::vector<std::string>{} : std::vector<std::string>{c.told});
        // A read holds about its bound at most, whatever the file's lines.
        EXPECT_LT(growth, SObjectParser::kMaxBytesPerRead + (16u << 20));
    }
    EXPECT_EQ(Value(m_list.FindByName("Long"), "a"), "1");
    EXPECT_EQ(m_list.FindByName("Long")->FindByName("b"), -1);
    EXPECT_EQ(Names(m_list), "After Long Sparse Line");
    EXPECT_EQ(m_list.FindByName("Line")->FindByName("v"), -1);
}

// The game library keeps one parser for all it reads: no read leaves a trace in the next.
TEST_F(ObjectScriptTest, OneParserReadsAgainAfterEachKindOfRead) {
    std::string lines;
    for (int i = 0; i <= SObjectParser::kMaxLinesPerRead; ++i)
        lines += "// line\n";
    m_parser.ParseFile(Write("stopped.txt", lines).c_str());
    m_parser.ParseFile(Write("next.txt", "OBJECT Next\n{\n}\n").c_str());
    EXPECT_EQ(Names(m_list), "Next");

    Write("part.txt", "OBJECT Part\n{\n}\n");
    const std::string plain = Write("plain.txt", "// nothing\n");
    for (int i = 0; i < SObjectParser::kMaxFilesPerRead; ++i)
        m_parser.ParseFile(plain.c_str());
    m_parser.ParseFile(Write("includes.txt", "#include part.txt\n").c_str());
    EXPECT_EQ(Names(m_list), "Next Part");

    // Lines fed after a read find what it filed, as the list walk does.
    for (const char* line : {"OBJECT next", "{", "set fed 1", "}"})
        m_parser.ParseLine(line);
    EXPECT_EQ(Names(m_list), "Next Part");
    EXPECT_EQ(Value(m_list.GetHead(), "fed"), "1");
    EXPECT_EQ(Messages(), std::vector<std::string>{"stopped.txt" +
                                                   std::string(" not read to its end: more than 1,000,000 lines in one read")});
}

TEST_F(ObjectScriptTest, BlocksLeftOpenAreClosedWhenTheOutermostFileEnds) {
    m_parser.ParseFile(Write("open.txt", "OBJECT A\n{\nset a 1\nOBJECT B\n{\nset b 2\n").c_str());
    EXPECT_EQ(m_parser.GetCurrent(), nullptr);
    EXPECT_EQ(m_parser.GetBlockState(), SObjectParser::kOutside);
    ASSERT_EQ(Names(m_list), "A");
    SObjectDef* a = m_list.GetHead();
    ASSERT_EQ(a->GetChildren().GetCount(), 1);
    EXPECT_EQ(Value(a->GetChildren().GetHead(), "b"), "2");

    // The next file starts outside every block: its stray line reaches no old definition.
    m_parser.ParseFile(Write("next.txt", "set stray 1\nOBJECT C\n{\n}\nOBJECT D\n").c_str());
    EXPECT_EQ(a->FindByName("stray"), -1);
    EXPECT_EQ(Names(m_list), "A C D");
    EXPECT_EQ(m_parser.GetBlockState(), SObjectParser::kOutside);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ObjectScriptTest, ABlockOpenedInAnIncludeGoesOnInTheIncludingFile) {
    Write("head.txt", "OBJECT A\n{\n");
    m_parser.ParseFile(Write("body.txt", "#include head.txt\nset x 1\n}\nOBJECT B\n{\n}\n").c_str());
    EXPECT_EQ(Names(m_list), "A B");
    EXPECT_EQ(Value(m_list.GetHead(), "x"), "1");
    EXPECT_TRUE(m_list.GetHead()->GetChildren().IsEmpty());
    EXPECT_TRUE(Messages().empty());
}

// Lines fed one at a time, as the game library feeds them, may include a file inside a block:
// the end of that read closes only what the file opened.
TEST_F(ObjectScriptTest, AReadClosesOnlyTheBlocksItOpened) {
    const struct {
        const char* included;
        const char* names;
        const char* values;  // of a: "inner after"
        const char* children;
        std::vector<std::string> told;
        const char* before = "OBJECT a\n{\n";  // the fed lines, the include between them
        const char* after = "set after 2\n}\n";
    } cases[] = {
        {"set inner 1\n", "a", "1 2", "", {}},
        {"set inner 1", "a", "1 2", "", {}},  // a last line without its line end
        // The read's own "{" opens the fed block, one without it leaves that to the fed lines,
        // and one that closes a fed block leaves the block around it open.
        {"{\nset inner 1\n", "a", "1 2", "", {}, "OBJECT a\n"},
        {"inner 1\n", "a", "1 2", "", {}, "OBJECT a\n", "{\nset after 2\n}\n"},
        {"}\n", "a", "- 2", "b", {}, "OBJECT a\n{\nOBJECT b\n{\n"},
        {"set inner 1\nOBJECT c\n{\nset deep 3\n", "a", "1 2", "c", {}},
        {"set inner 1\nOBJECT c\n", "a", "1 2", "c", {}},
        // A file that closes the fed block leaves nothing open for the fed lines.
        {"set inner 1\n}\nOBJECT b\n{\n", "a b", "1 -", "", {"Syntax Error: Invalid token '}'"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.included);
        m_list.DeleteAll();
        headless::Reset();
        SObjectParser parser;  // a row that fails leaves the next one no state
        parser.SetDefList(&m_list);
        std::istringstream fed(c.before + ("#include " + Write("more.txt", c.included)) + "\n" + c.after);
        for (std::string line; std::getline(fed, line);)
            parser.ParseLine(line.c_str());
        EXPECT_EQ(Names(m_list), c.names);
        SObjectDef* a = m_list.FindByName("a");
        if (a == nullptr)
            continue;  // told by the names, and the next rows still run
        const auto value = [&](const char* key) { return a->FindByName(key) < 0 ? "-" : Value(a, key); };
        EXPECT_EQ(value("inner") + " " + value("after"), c.values);
        EXPECT_EQ(Names(a->GetChildren()), c.children);
        EXPECT_EQ(parser.GetBlockState(), SObjectParser::kOutside);
        EXPECT_EQ(Messages(), c.told);
    }
}

// ---- reading into one definition --------------------------------------------------------------

TEST_F(ObjectScriptTest, FileReadIntoOneDefinitionDerivedFromANamedBase) {
    m_parser.ParseFile(Write("lib.txt", "OBJECT Weapon\n{\nset Damage 10\n}\n").c_str());
    const std::string path = Write("pistol.txt", "set Range 25\nAmmo 15\n");
    SObjectDef* def = m_parser.ParseFileInto(path.c_str(), "weapon", nullptr);
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(std::string(def->GetName()), path);
    EXPECT_TRUE(def->IsFiled());
    EXPECT_EQ(def->GetBase(), m_list.FindByName("Weapon"));
    EXPECT_EQ(def->GetParent(), nullptr);
    EXPECT_EQ(Value(def, "Damage"), "10");
    EXPECT_EQ(Value(def, "Range"), "25");
    EXPECT_EQ(Value(def, "Ammo"), "15");
    EXPECT_EQ(m_parser.GetCurrent(), nullptr);
    EXPECT_EQ(m_list.GetCount(), 1);
    def->Release();

    EXPECT_EQ(m_parser.ParseFileInto(path.c_str(), "Shotgun", nullptr), nullptr);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Script Error: " + path + "\nBase class not found: Shotgun\n"});
}

TEST_F(ObjectScriptTest, LoadFromScriptFillsTheDefinitionItself) {
    const std::string path = Write("values.txt", "set Rank 3\n");
    SObjectDef def;
    def.SetOrAppend("Kept", "1", 0);
    EXPECT_TRUE(def.LoadFromScript(path.c_str(), nullptr));
    EXPECT_EQ(def.FindByName("Rank"), -1);
    EXPECT_TRUE(def.LoadFromScript(path.c_str(), &m_parser));
    EXPECT_EQ(Value(&def, "Rank"), "3");
    EXPECT_EQ(Value(&def, "Kept"), "1");
    EXPECT_EQ(std::string(def.GetName()), path);
}

// ---- writing ----------------------------------------------------------------------------------

TEST_F(ObjectScriptTest, WriterTextIsExact) {
    BuildWrittenDefinitions(m_list);
    EXPECT_EQ(std::string(m_parser.ToText()), kWrittenText);
    EXPECT_EQ(std::string(m_list.ToText()), kWrittenText);
}

TEST_F(ObjectScriptTest, SavedScriptReadsBackTheSame) {
    BuildWrittenDefinitions(m_list);
    ASSERT_TRUE(m_parser.SaveFile(Path("saved.txt").c_str()));
    std::string crlf;
    for (const char c : std::string(kWrittenText))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(ReadBytes("saved.txt"), crlf);

    SObjectDefList back;
    SObjectParser reader;
    reader.SetDefList(&back);
    reader.ParseFile(Path("saved.txt").c_str());
    EXPECT_EQ(std::string(back.ToText()), kWrittenText);
    EXPECT_EQ(back.FindByName("Pistol")->GetBase(), back.FindByName("Weapon"));
    back.DeleteAll();
}

TEST_F(ObjectScriptTest, LongValuesReadBackWhole) {
    auto* def = new SObjectDef;
    def->SetName("Long");
    std::string value;
    for (int i = 0; i < 1000; ++i)
        value += static_cast<char>('a' + i % 26);
    def->SetOrAppend("Text", value.c_str(), 0);
    def->SetOrAppend("After", "1", 0);
    m_list.AddTail(def);
    ASSERT_TRUE(m_parser.SaveFile(Path("long.txt").c_str()));

    SObjectDefList back;
    SObjectParser reader;
    reader.SetDefList(&back);
    reader.ParseFile(Path("long.txt").c_str());
    ASSERT_EQ(back.GetCount(), 1);
    EXPECT_EQ(Value(back.GetHead(), "Text"), value);
    EXPECT_EQ(back.GetHead()->GetCount(), 2);
    EXPECT_TRUE(Messages().empty());
    back.DeleteAll();
}

TEST_F(ObjectScriptTest, QuotesAndOuterSpacesDoNotSurviveARoundTrip) {
    auto* def = new SObjectDef;
    def->SetName("Q");
    def->SetOrAppend("Said", "say \"hi\"", 0);
    def->SetOrAppend("Lead", "  x", 0);
    m_list.AddTail(def);
    ASSERT_TRUE(m_parser.SaveFile(Path("q.txt").c_str()));

    SObjectDefList back;
    SObjectParser reader;
    reader.SetDefList(&back);
    reader.ParseFile(Path("q.txt").c_str());
    EXPECT_EQ(Value(back.GetHead(), "Said"), "say");
    EXPECT_EQ(Value(back.GetHead(), "Lead"), "x");
    back.DeleteAll();
}

TEST_F(ObjectScriptTest, SaveFileReportsAFolderThatIsMissing) {
    EXPECT_FALSE(m_parser.SaveFile(Path("no/such/folder/x.txt").c_str()));
    SObjectParser unbound;
    EXPECT_TRUE(unbound.SaveFile(Path("empty.txt").c_str()));
    EXPECT_EQ(ReadBytes("empty.txt"), "");
}
