// The layout script parser: words and keywords, argument lists with quotes and if operators,
// blocks and end words, the trailing "r" rule and the fall-back to the application's factory,
// and the top level of scripts that leave blocks open.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/LayoutTestSupport.h"
#include "ui/layout/SLayoutDrawItems.h"

namespace {

using tarvex::test::RecordingDC;
using tarvex::test::TestLayout;
using Strings = std::vector<std::string>;

class LayoutParserTest : public ::testing::Test {
protected:
    SLayoutGroup* Parse(const char* script) {
        layout.SetScript(script);
        return layout.Root();
    }
    SLayoutItem* First(const char* script) { return TestLayout::ItemAt(Parse(script), 0); }
    Strings FirstArgs(const char* script) { return TestLayout::Args(First(script)); }

    TestLayout layout;
};

TEST_F(LayoutParserTest, TokenizerGoesOnWhereItStoppedAndKeepsTheEndingDelimiter) {
    SLayoutTokenizer tokenizer("  ab (cd)) e");
    EXPECT_STREQ(tokenizer.Next(" ("), "ab");
    EXPECT_EQ(tokenizer.GetLastDelimiter(), ' ');
    EXPECT_STREQ(tokenizer.Next("()"), "cd");
    EXPECT_EQ(tokenizer.GetLastDelimiter(), ')');
    EXPECT_STREQ(tokenizer.Next(" "), ")");
    EXPECT_STREQ(tokenizer.Next(" "), "e");
    EXPECT_EQ(tokenizer.GetLastDelimiter(), 0);
    EXPECT_EQ(tokenizer.Next(" "), nullptr);
}

TEST_F(LayoutParserTest, KeywordsIgnoreCaseAndAnEmptyScriptGivesOneEmptyBlock) {
    for (const char* word : {"string", "STRING", "String"}) {
        auto* item = dynamic_cast<SLayoutItemDraw*>(First((std::string(word) + "(\"a\", 1, 2)").c_str()));
        ASSERT_NE(item, nullptr) << word;
        EXPECT_EQ(item->GetKind(), SLayoutItemDraw::kString);
        EXPECT_FALSE(item->GetRefreshFlag());
    }
    for (const char* script : {"", "  \r\n\t \n"}) {
        SLayoutGroup* root = Parse(script);
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(layout.GetGroups().GetCount(), 1);
        EXPECT_EQ(root->GetItems().GetCount(), 0);
        EXPECT_EQ(root->GetKind(), SLayoutGroup::kGroup);
    }
    EXPECT_TRUE(layout.IsScriptLoaded());
    EXPECT_EQ(layout.keyboard.back(), 1);
}

TEST_F(LayoutParserTest, TrailingRGivesTheRefreshFlagAndUnknownWordsGoToTheApplicationWhole) {
    layout.appWords = {"foor", "renderframe"};
    SLayoutGroup* root = Parse("stringr(\"a\",1,2) IMGR(pic,1,2) foor(1,2) renderframe(0,0,640,480) nothing(3)");
    ASSERT_EQ(root->GetItems().GetCount(), 4);
    auto* text = dynamic_cast<SLayoutItemDraw*>(TestLayout::ItemAt(root, 0));
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->GetRefreshFlag());
    auto* image = dynamic_cast<SLayoutItemImage*>(TestLayout::ItemAt(root, 1));
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->GetRefreshFlag());
    EXPECT_EQ(TestLayout::Args(TestLayout::ItemAt(root, 2)), (Strings{"1", "2"}));
    EXPECT_FALSE(TestLayout::ItemAt(root, 2)->GetRefreshFlag());
    EXPECT_EQ(TestLayout::Args(TestLayout::ItemAt(root, 3)), (Strings{"0", "0", "640", "480"}));
    // Engine items are never offered; "nothing" is, and its argument list is read as words.
    EXPECT_EQ(layout.offered, (Strings{"foor", "renderframe", "nothing", "3)"}));
}

TEST_F(LayoutParserTest, IfArgumentsSplitAtTheEarliestLongestOperator) {
    SLayoutGroup* block = static_cast<SLayoutGroup*>(First("if(a>=b) endif"));
    EXPECT_EQ(TestLayout::Args(block), (Strings{"a", ">=", "b"}));
    EXPECT_EQ(FirstArgs("if( x < 10 )"), (Strings{"x", "<", "10"}));
    EXPECT_EQ(FirstArgs("if(a && b && c)"), (Strings{"a", "&&", "b", "&&", "c"}));
    // A quoted left side directly before the operator loses the operator.
    EXPECT_EQ(FirstArgs("if(\"x\">=3)"), (Strings{"\"x\"", "3"}));
    EXPECT_EQ(FirstArgs("if(flags & 4)"), (Strings{"flags", "&", "4"}));
    EXPECT_EQ(FirstArgs("if(a||b)"), (Strings{"a", "||", "b"}));
    // Block and end words are offered to the application too.
    EXPECT_EQ(layout.offered.front(), "if");
}

TEST_F(LayoutParserTest, IfBlocksTestTheirConditionAndHideWhatTheyDoNotDraw) {
    layout.appWords = {"probe"};
    layout.variables = {{"a", 0}, {"b", 1}};
    RecordingDC dc;
    const auto run = [&](const char* condition) {
        layout.appItems.clear();
        layout.SetScript((std::string("if(") + condition + ") probe(0) endif").c_str());
        layout.Draw(&dc);
        return layout.appItems.at(0)->renders > 0 ? "drawn" : layout.appItems[0]->hides > 0 ? "hidden" : "left";
    };
    EXPECT_STREQ(run("b"), "drawn");
    EXPECT_STREQ(run("a"), "hidden");
    EXPECT_STREQ(run("a < b"), "drawn");
    EXPECT_STREQ(run("a>=b"), "hidden");
    EXPECT_STREQ(run("a && b && a"), "drawn");  // five arguments: always drawn
    EXPECT_STREQ(run("\"a\">=b"), "drawn");     // two arguments: always drawn
    EXPECT_STREQ(run("a ~ b"), "hidden");       // "~" is no operator: one argument, 0 here
    EXPECT_EQ(SLayoutGroup::FindOperator("=>"), SLayoutGroup::kNoOperator);
    EXPECT_FALSE(SLayoutGroup::TestOperator(SLayoutGroup::kNoOperator, 1, 1));
    EXPECT_TRUE(SLayoutGroup::TestOperator(8, 6, 4));
    EXPECT_FALSE(SLayoutGroup::TestOperator(8, 2, 4));
}

TEST_F(LayoutParserTest, QuotedArgumentsKeepQuotesCommasAndBrackets) {
    EXPECT_EQ(FirstArgs("string(\"a, b\", 3, 4)"), (Strings{"\"a, b\"", "3", "4"}));
    EXPECT_EQ(FirstArgs("string( a b , 1 ,, 2 )"), (Strings{"a b", "1", "2"}));
    EXPECT_EQ(FirstArgs("string(\"x(y)z\", 1, 2)"), (Strings{"\"x(y)z\"", "1", "2"}));
    // The bracket put back is the one that ended the piece, not always an opening one.
    EXPECT_EQ(FirstArgs("string(\"a)b(c\", 1, 2)"), (Strings{"\"a)b(c\"", "1", "2"}));
}

TEST_F(LayoutParserTest, AnUnclosedQuoteTakesTheRestOfTheText) {
    EXPECT_EQ(FirstArgs("string(\"abc"), (Strings{"\"abc"}));
    EXPECT_EQ(FirstArgs("string(\"ab) rect(1,2,3,4)"), (Strings{"\"ab) rect(1,2,3,4"}));
    EXPECT_EQ(FirstArgs("string(1, \"tail"), (Strings{"1", "\"tail"}));
}

TEST_F(LayoutParserTest, ArgumentListsStopAfterFiftyPieces) {
    std::string script = "string(";
    for (int i = 0; i < 60; ++i)
        script += std::to_string(i) + (i < 59 ? "," : ")");
    const Strings args = FirstArgs(script.c_str());
    ASSERT_EQ(args.size(), 50u);
    EXPECT_EQ(args.back(), "49");
}

TEST_F(LayoutParserTest, EndWordsCloseTheInnermostBlockOfAnyKind) {
    SLayoutGroup* root = Parse(
        "group(1,2,3,4) if(1) string(\"a\",0,0) endgroup string(\"b\",0,0) enddepth string(\"c\",0,0) endif endif");
    ASSERT_EQ(root->GetItems().GetCount(), 2);
    auto* group = static_cast<SLayoutGroup*>(TestLayout::ItemAt(root, 0));
    EXPECT_EQ(group->GetKind(), SLayoutGroup::kGroup);
    EXPECT_EQ(group->GetGroup(), root);
    ASSERT_EQ(group->GetItems().GetCount(), 2);  // the if block and "b"
    auto* inner = static_cast<SLayoutGroup*>(TestLayout::ItemAt(group, 0));
    EXPECT_EQ(inner->GetKind(), SLayoutGroup::kIf);
    EXPECT_EQ(inner->GetItems().GetCount(), 1);
    EXPECT_EQ(TestLayout::Args(TestLayout::ItemAt(root, 1)), (Strings{"\"c\"", "0", "0"}));
    EXPECT_EQ(TestLayout::ItemAt(root, 1)->GetLayout(), &layout);
}

TEST_F(LayoutParserTest, ALineEndWithoutABlankJoinsTwoWords) {
    layout.appWords = {"probe"};
    SLayoutGroup* root = Parse("group(0,0,9,9)\nprobe\nendgroup\nprobe");
    // "probe\nendgroup\nprobe" is one word that nobody knows, so the group stays open.
    ASSERT_EQ(root->GetItems().GetCount(), 1);
    EXPECT_EQ(static_cast<SLayoutGroup*>(TestLayout::ItemAt(root, 0))->GetItems().GetCount(), 0);
}

TEST_F(LayoutParserTest, BlocksLeftOpenAreClosedAndTheTopLevelIsDrawn) {
    layout.MoveWindow(sys::RECT{0, 0, 640, 480});
    RecordingDC dc;
    layout.SetScript("string(\"top\",1,1) group(10,10,100,100) string(\"in\",0,0) if(1) string(\"deep\",2,2)");
    EXPECT_EQ(layout.GetGroups().GetCount(), 1);
    layout.Draw(&dc);
    EXPECT_EQ(dc.calls, (Strings{"text 1,1 top", "text 10,10 in", "text 12,12 deep"}));
    EXPECT_TRUE(layout.IsInitialised());
    EXPECT_FALSE(layout.IsScriptLoaded());  // the first frame's purge clears it
}

// Blocks nest kMaxNesting deep at most: the block word that would go deeper cuts the script
// there, with the rest of it, and readers can ask the same of a script before handing it on.
TEST_F(LayoutParserTest, BlocksNestedTooDeepCutTheScriptThere) {
    constexpr int kMax = SLayout::kMaxNesting;
    for (const int depth : {kMax, kMax + 1}) {
        SCOPED_TRACE(depth);
        std::string script;
        for (int i = 0; i < depth; ++i)
            script += "string(\"" + std::to_string(i) + "\",0,0) group(0,0,9,9)\n";
        script += "string(\"inner\",0,0) endgroup string(\"after\",0,0)";
        SLayoutGroup* block = Parse(script.c_str());
        int levels = 0;
        SLayoutGroup* outer = block;
        while (auto* inner = dynamic_cast<SLayoutGroup*>(TestLayout::ItemAt(block, 1))) {
            outer = block;
            block = inner;
            ++levels;
        }
        const bool cut = depth > kMax;
        EXPECT_EQ(layout.IsScriptCut(), cut);
        EXPECT_EQ(SLayout::NestsTooDeep(script.c_str()), cut);
        EXPECT_EQ(levels, kMax);
        // Kept whole, or up to the text before the block that went too deep.
        const std::string last = cut ? std::to_string(kMax) : std::string("inner");
        EXPECT_EQ(TestLayout::Args(TestLayout::ItemAt(block, 0))[0], "\"" + last + "\"");
        EXPECT_EQ(outer->GetItems().GetCount(), cut ? 2 : 3);
    }
    Parse("group(0,0,9,9) endgroup");
    EXPECT_FALSE(layout.IsScriptCut());
}

}  // namespace
