#include <gtest/gtest.h>

#include "core/SClipboard.h"
#include "sys/window/headless/headless_clipboard.h"

namespace {

class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override { sys::clipboard::headless::Reset(); }
    void TearDown() override { sys::clipboard::headless::Reset(); }
    SClipboard clipboard;
};

TEST_F(ClipboardTest, EmptyClipboardLeavesTheOutTextAlone) {
    CString strText("kept");
    EXPECT_FALSE(clipboard.GetText(strText));
    EXPECT_EQ(strText, "kept");
}

TEST_F(ClipboardTest, TextGoesRoundAndAnEmptyTextIsATextToo) {
    EXPECT_TRUE(clipboard.SetText("Bravo 7"));
    CString strText;
    EXPECT_TRUE(clipboard.GetText(strText));
    EXPECT_EQ(strText, "Bravo 7");
    EXPECT_TRUE(clipboard.SetText(""));
    strText = "old";
    EXPECT_TRUE(clipboard.GetText(strText));
    EXPECT_EQ(strText, "");
}

TEST_F(ClipboardTest, UnavailableClipboardFails) {
    sys::clipboard::headless::SetUnavailable(true);
    EXPECT_FALSE(clipboard.SetText("x"));
    sys::clipboard::headless::SetUnavailable(false);
}

}  // namespace
