#include <algorithm>

#include "WidgetTestSupport.h"
#include "ui/widgets/SComboBox.h"
#include "ui/widgets/SEditBox.h"
#include "ui/SFont.h"
#include "ui/widgets/SListBox.h"

namespace {

using namespace widgettest;
using windowtest::TestImage;

class ComboBoxTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        combo = new SComboBox;
        // A drop-down list 100 x 20 at (10, 10); its list starts 20 high below the edit.
        combo->CreateCombo(0x3, {10, 10, 110, 30}, parent, 12);
        for (const char* pszItem : {"Easy", "Normal", "Hard"})
            combo->AddString(pszItem);
    }
    std::string EditText() {
        CString strText;
        return combo->GetText(strText).str();
    }
    SComboBox* combo = nullptr;
};

TEST_F(ComboBoxTest, PartsAreLaidOutFromTheRectangle) {
    EXPECT_EQ(combo->GetEdit()->GetWindowRect(), (sys::RECT{10, 10, 90, 30}));
    EXPECT_EQ(combo->GetList()->GetWindowRect(), (sys::RECT{10, 30, 110, 50}));
    EXPECT_EQ(combo->GetButtonRect(), (sys::RECT{90, 10, 110, 30}));
    EXPECT_NE(combo->GetEdit()->GetStyle() & SEditBox::kStyleReadOnly, 0u);
}

TEST_F(ComboBoxTest, ButtonOpensAndHoverSelectsBeforeAnyClick) {
    combo->SetListHeight(3 * 14);
    Press(100, 20);
    EXPECT_TRUE(combo->IsDropped());
    EXPECT_EQ(combo->GetWindowRect().bottom, 30 + 42);
    Move(50, 30 + 14 + 3);
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(EditText(), "Normal");
    // Rows past the last item select nothing.
    Move(50, 30 + 3 * 14 + 1);
    EXPECT_EQ(combo->GetCurSel(), 1);
    Release(50, 30 + 14 + 3);
    EXPECT_FALSE(combo->IsDropped());
    EXPECT_EQ(combo->GetWindowRect().bottom, 30);
    EXPECT_EQ(SWindow::GetCapture(), nullptr);
    EXPECT_EQ(Notes(), (std::vector<std::string>{"12/1"}));
}

TEST_F(ComboBoxTest, PressOnTheButtonAgainClosesWithoutANotification) {
    Press(100, 20);
    Release(100, 20);
    Press(100, 20);
    Release(100, 20);
    EXPECT_FALSE(combo->IsDropped());
    EXPECT_TRUE(Notes().empty());
}

TEST_F(ComboBoxTest, KeysGoThroughTheEditAndOnUpOnce) {
    auto* pTyped = new SComboBox;
    pTyped->CreateCombo(0, {10, 100, 110, 120}, parent, 13);
    pTyped->OnChar('a', 1, 0);
    pTyped->OnKeyDown(sys::VK_HOME, 1, 0);
    CString strText;
    EXPECT_EQ(pTyped->GetText(strText), "a");
    EXPECT_EQ(pTyped->GetEdit()->GetCaretPos(), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "parent:key36/1/0"), 1);
}

TEST_F(ComboBoxTest, OutOfRangeItemsReadEmpty) {
    CString strText("old");
    combo->GetLBText(7, strText);
    EXPECT_EQ(strText, "");
    combo->GetLBText(-1, strText);
    EXPECT_EQ(strText, "");
    combo->GetLBText(2, strText);
    EXPECT_EQ(strText, "Hard");
}

TEST_F(ComboBoxTest, FontBeforeImagesIsRefusedAndImagesGoInOrder) {
    SFont font;
    combo->AttachResource("font.fnt", &font);
    ASSERT_EQ(sys::dialogs::headless::Shown().size(), 1u);
    EXPECT_EQ(sys::dialogs::headless::Shown()[0].text, "Please attach images before fonts");
    EXPECT_EQ(combo->GetResourceArray()->GetSize(), 0);

    TestImage listImage(100, 60), button(16, 18), face(120, 24);
    combo->AttachResource("list.bmp", &listImage);
    combo->AttachResource("button.bmp", &button);
    combo->AttachResource("face.bmp", &face);
    combo->AttachResource("font.fnt", &font);
    EXPECT_EQ(combo->GetList()->GetResourceArray()->GetAt(0), &listImage);
    EXPECT_EQ(combo->GetList()->GetWindowRect(), (sys::RECT{10, 30, 90, 90}));
    EXPECT_EQ(combo->GetButtonRect(), (sys::RECT{94, 10, 110, 28}));
    EXPECT_EQ(combo->GetWindowRect(), (sys::RECT{10, 10, 130, 34}));
    EXPECT_EQ(combo->GetResourceArray()->GetSize(), 3);
    EXPECT_EQ(combo->GetResourceNames().GetCount(), 4);
    combo->GetResourceArray()->RemoveAll();
    combo->GetList()->GetResourceArray()->RemoveAll();
}

}  // namespace
