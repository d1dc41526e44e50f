#include <gtest/gtest.h>

#include <string>

#include "sys/window/clipboard.h"
#include "sys/window/headless/headless_clipboard.h"
#include "sys/window/sdl/sdl_text.h"

// The clipboard's text on the headless backend, and the Latin-1 / UTF-8 conversion the Sdl
// backends use for it.
namespace {

using namespace sys;

class ClipboardTest : public testing::Test {
protected:
    void SetUp() override { clipboard::headless::Reset(); }
    void TearDown() override { clipboard::headless::Reset(); }
};

TEST_F(ClipboardTest, NoTextLeavesTheCallersTextUntouched) {
    std::string text = "kept";
    EXPECT_FALSE(clipboard::GetText(text));
    EXPECT_EQ(text, "kept");
}

TEST_F(ClipboardTest, TextComesBackAsItWasPut) {
    ASSERT_TRUE(clipboard::SetText("Officer Smith"));
    ASSERT_TRUE(clipboard::SetText("xy"));
    std::string text;
    ASSERT_TRUE(clipboard::GetText(text));
    EXPECT_EQ(text, "xy");
}

TEST_F(ClipboardTest, AnEmptyTextIsStillText) {
    ASSERT_TRUE(clipboard::SetText(""));
    std::string text = "old";
    EXPECT_TRUE(clipboard::GetText(text));
    EXPECT_EQ(text, "");
}

TEST_F(ClipboardTest, AnUnavailableClipboardFailsAndKeepsItsText) {
    clipboard::SetText("before");
    clipboard::headless::SetUnavailable(true);
    EXPECT_FALSE(clipboard::SetText("after"));
    std::string text = "mine";
    EXPECT_FALSE(clipboard::GetText(text));
    EXPECT_EQ(text, "mine");
    clipboard::headless::SetUnavailable(false);
    ASSERT_TRUE(clipboard::GetText(text));
    EXPECT_EQ(text, "before");
}

TEST(SdlTextTest, Latin1AndUtf8ConvertBothWays) {
    EXPECT_EQ(sdl::Latin1ToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(sdl::Latin1ToUtf8("\xFF!"), "\xC3\xBF!");
    EXPECT_EQ(sdl::Utf8ToLatin1("caf\xC3\xA9"), "caf\xE9");
    EXPECT_EQ(sdl::Utf8ToLatin1("plain ASCII"), "plain ASCII");
}

TEST(SdlTextTest, WhatLatin1CannotHoldBecomesAQuestionMark) {
    EXPECT_EQ(sdl::Utf8ToLatin1("\xE2\x82\xAC 5"), "? 5");    // the euro sign
    EXPECT_EQ(sdl::Utf8ToLatin1("\xF0\x9F\x98\x80"), "?");    // beyond the basic plane
    EXPECT_EQ(sdl::Utf8ToLatin1("a\xC1\x81z"), "a?z");        // an overlong 'A'
    EXPECT_EQ(sdl::Utf8ToLatin1("a\xC3"), "a?");              // cut short
    EXPECT_EQ(sdl::Utf8ToLatin1("\x80x"), "?x");              // a stray continuation
    EXPECT_EQ(sdl::Utf8ToLatin1("\xC3x"), "?x");              // a lead without its continuation
}

}  // namespace
