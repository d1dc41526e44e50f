#include <algorithm>

#include "UiTestSupport.h"
#include "WidgetTestSupport.h"
#include "sys/window/headless/headless_window.h"
#include "ui/widgets/SEditBox.h"
#include "ui/SFont.h"

namespace {

using namespace widgettest;

// Lays text out in 6 x 14 cells like CellDC, as an engine font would measure it.
class CellFont : public SFont {
public:
    void DrawText(const char* pszText, sys::RECT* pRect, uint32_t dwFormat, SDXSurface*) override {
        CellDC dc;
        dc.DrawText(pszText, *pRect, dwFormat);
    }
};

class EditBoxTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        edit = new SEditBox;
        edit->CreateEdit(0, {10, 10, 210, 30}, parent, 5);
    }
    void Type(const char* pszText) {
        for (const char* p = pszText; *p != '\0'; ++p)
            edit->OnChar(static_cast<unsigned char>(*p), 1, 0);
    }
    void Ctrl(char letter) {
        sys::window::headless::InjectKey(sys::VK_CONTROL, 0, true);
        edit->OnChar(static_cast<uint32_t>(letter - 'A' + 1), 1, 0);
        sys::window::headless::InjectKey(sys::VK_CONTROL, 0, false);
    }
    std::string Text() {
        CString strText;
        return edit->GetText(strText).str();
    }

    SEditBox* edit = nullptr;
};

TEST_F(EditBoxTest, TypingInsertsAtTheCaretUpToTheLimitAndAlwaysNotifies) {
    Type("acd");
    edit->SetCaretPos(2);
    Type("b");
    EXPECT_EQ(Text(), "abcd");
    EXPECT_EQ(edit->GetCaretPos(), 3);
    edit->SetLimitText(4);
    Type("x");
    EXPECT_EQ(Text(), "abcd");
    EXPECT_EQ(Notes().size(), 5u);
    EXPECT_EQ(Notes().back(), "5/1024");
}

TEST_F(EditBoxTest, CharacterThatWouldWrapPastTheBoxIsRefused) {
    CellFont font;
    edit->SetFont(&font);
    edit->SetMultiLine(true);
    const std::string full(33, 'a');  // 199 pixels after the caret's 1 hold 33 cells
    Type(full.c_str());
    Type("b");
    EXPECT_EQ(Text(), full);
    EXPECT_EQ(edit->GetCaretPos(), 34);
    EXPECT_EQ(Notes().size(), 34u);
    edit->SetFont(nullptr);
}

TEST_F(EditBoxTest, ASingleLineKeepsOutTextThatWouldNotShowWithItsCaret) {
    // Letters 6 wide, lines 10 high: the 20 high box could hold two wrapped lines, but one line
    // is drawn. After the prefix (6) and with the caret (8), 200 pixels hold 31 letters.
    const std::string folder = tarvex::test::MakeScratchFolder("EditBoxFit");
    tarvex::test::WriteGlyphSheet(folder + "/even.bmp", 16, 8, 10, [](int) { return 6; });
    SFont font;
    font.SetSheetName("even.bmp");
    font.SetColumns(16);
    ASSERT_TRUE(font.Locate(folder.c_str(), nullptr));
    edit->SetFont(&font);
    edit->SetPrefix(">");
    Type(std::string(40, 'a').c_str());
    EXPECT_EQ(Text(), std::string(31, 'a'));
    EXPECT_EQ(edit->GetCaretPos(), 32);
    edit->SetFont(nullptr);
}

TEST_F(EditBoxTest, BackspaceAndDeleteRemoveOneCharacterAndStopAtTheEnds) {
    edit->SetText("abc");
    edit->SetCaretPos(1);
    edit->OnKeyDown(sys::VK_BACK, 1, 0);
    EXPECT_EQ(Text(), "abc");
    EXPECT_EQ(edit->GetCaretPos(), 1);
    edit->OnKeyDown(sys::VK_DELETE, 1, 0);
    EXPECT_EQ(Text(), "bc");
    EXPECT_EQ(edit->GetCaretPos(), 1);
    edit->OnKeyDown(sys::VK_END, 1, 0);
    edit->OnKeyDown(sys::VK_DELETE, 1, 0);
    EXPECT_EQ(Text(), "bc");
    edit->OnKeyDown(sys::VK_BACK, 1, 0);
    EXPECT_EQ(Text(), "b");
    EXPECT_EQ(edit->GetCaretPos(), 2);
    // Every key reaches the parent and is announced.
    EXPECT_EQ(log.back(), "parent:notify5/1024");
    EXPECT_EQ(log[log.size() - 2], "parent:key8/1/0");
}

TEST_F(EditBoxTest, CaretKeysStayInsideTheText) {
    edit->SetText("ab");
    edit->OnKeyDown(sys::VK_HOME, 1, 0);
    edit->OnKeyDown(sys::VK_LEFT, 1, 0);
    EXPECT_EQ(edit->GetCaretPos(), 1);
    for (int i = 0; i < 4; ++i)
        edit->OnKeyDown(sys::VK_RIGHT, 1, 0);
    EXPECT_EQ(edit->GetCaretPos(), 3);
    edit->SetCaretPos(-4);
    EXPECT_EQ(edit->GetCaretPos(), 1);
}

TEST_F(EditBoxTest, DraggedSelectionDeletesExactlyTheSelectedCharactersEitherWay) {
    // Columns are 6 pixels from the box's left at 10: x 10 + 6k + 3 lies on character k.
    for (bool bBackward : {false, true}) {
        edit->SetText("abcdef");
        const int xFrom = bBackward ? 10 + 4 * 6 : 10 + 1 * 6;
        const int xTo = bBackward ? 10 + 1 * 6 : 10 + 4 * 6;
        Press(xFrom, 15);
        Move((xFrom + xTo) / 2, 15);
        Release(xTo, 15);
        edit->OnKeyDown(bBackward ? sys::VK_DELETE : sys::VK_BACK, 1, 0);
        EXPECT_EQ(Text(), "aef") << bBackward;
        EXPECT_EQ(edit->GetCaretPos(), 2);
    }
    EXPECT_EQ(Notes().front(), "5/256");
}

TEST_F(EditBoxTest, PressNearTheLeftEdgePutsTheCaretAtOne) {
    edit->SetText("abc");
    Press(14, 15);
    Release(14, 15);
    EXPECT_EQ(edit->GetCaretPos(), 1);
}

TEST_F(EditBoxTest, ClipboardKeysCopyCutAndPasteTheWholeText) {
    edit->SetText("abc");
    Ctrl('C');
    std::string clip;
    ASSERT_TRUE(sys::clipboard::headless::GetText(clip));
    EXPECT_EQ(clip, "abc");
    sys::clipboard::headless::SetText("xy");
    Ctrl('V');
    EXPECT_EQ(Text(), "xy");
    EXPECT_EQ(edit->GetCaretPos(), 3);
    Ctrl('X');
    EXPECT_EQ(Text(), "");
    ASSERT_TRUE(sys::clipboard::headless::GetText(clip));
    EXPECT_EQ(clip, "xy");
    // A paste is held to the limit like typing; without Ctrl the code is not a clipboard key.
    edit->SetLimitText(3);
    sys::clipboard::headless::SetText("123456");
    Ctrl('V');
    EXPECT_EQ(Text(), "123");
    edit->OnChar('X' - 'A' + 1, 1, 0);
    EXPECT_EQ(Text(), "123");
}

TEST_F(EditBoxTest, ReadOnlyAndDisabledBoxesIgnoreInputAndShowNoCaret) {
    for (uint32_t dwStyle : {SEditBox::kStyleReadOnly, SWindow::kStyleNoParentNotify}) {
        edit->SetStyle(dwStyle);
        edit->SetText("abc");
        log.clear();
        Type("d");
        edit->OnKeyDown(sys::VK_BACK, 1, 0);
        edit->OnLButtonDown(0, 20, 15);
        EXPECT_EQ(Text(), "abc");
        EXPECT_TRUE(Notes().empty());
        SWindow::SetFocusWindow(edit);
        CellDC dc;
        edit->Draw(&dc);
        EXPECT_TRUE(dc.m_fills.empty());
        ASSERT_EQ(dc.m_draws.size(), 1u);
        EXPECT_EQ(dc.m_draws[0].text, "abc");
    }
}

TEST_F(EditBoxTest, FocusedBoxDrawsItsCaretAfterThePrefixAndBlinks) {
    edit->SetPrefix("> ");
    edit->SetText("");
    SWindow::SetFocusWindow(edit);
    CellDC dc;
    edit->Draw(&dc);
    ASSERT_EQ(dc.m_fills.size(), 1u);
    // left 10 + prefix 12 + no text; top 10 + 1; 8 wide, one cell high.
    EXPECT_EQ(dc.m_fills[0], (sys::RECT{22, 11, 30, 25}));
    EXPECT_EQ(dc.m_draws[0].x, 10 + 12 + 1);
    sys::time::AdvanceFake(sys::window::GetCaretBlinkTime() + 1);
    edit->Draw(&dc);
    EXPECT_EQ(dc.m_fills.size(), 1u);
}

TEST_F(EditBoxTest, TabMovesTheFocusOnlyWithTheTabStopStyle) {
    edit->OnKeyDown(sys::VK_TAB, 1, 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "parent:nextB-"), 0);
    edit->SetStyle(SWindow::kStyleTabStop);
    edit->OnKeyDown(sys::VK_TAB, 1, 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "parent:nextB-"), 1);
}

TEST_F(EditBoxTest, MultiLineCountsWithoutASurfaceAsOneLine) {
    edit->SetMultiLine(true);
    edit->SetText(std::string(80, 'a').c_str());
    EXPECT_EQ(edit->GetLineCount(), 1);  // no context yet
    RecordingDC flat;  // measures every text 0 x 0
    edit->Draw(&flat);
    EXPECT_EQ(edit->GetLineCount(), 1);
    CellDC dc;  // 200 pixels hold 33 characters a line
    edit->Draw(&dc);
    EXPECT_EQ(edit->GetLineCount(), 3);
    EXPECT_EQ(edit->LineIndex(0, 40), 33);
}

}  // namespace
