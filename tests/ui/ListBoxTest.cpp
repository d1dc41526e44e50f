#include "WidgetTestSupport.h"
#include "sys/classlib/Exceptions.h"
#include "ui/widgets/SListBox.h"
#include "ui/widgets/SListCtrl.h"

namespace {

using namespace widgettest;

class ListBoxTest : public WidgetTest {
protected:
    SListBox* MakeList(sys::RECT rc) {
        auto* pList = new SListBox;
        pList->CreateList(0, rc, parent, 8);
        return pList;
    }
};

TEST_F(ListBoxTest, SelectionAcceptsMinusOneToCountMinusOne) {
    SListBox* pList = MakeList({0, 0, 100, 100});
    pList->InsertString(0, "b");
    pList->InsertString(-5, "a");
    pList->InsertString(99, "c");
    EXPECT_EQ(pList->GetItemText(0), "a");
    EXPECT_EQ(pList->GetItemText(2), "c");
    EXPECT_EQ(pList->GetItemText(3), "");
    EXPECT_EQ(pList->SetCurSel(1), -1);
    EXPECT_EQ(pList->SetCurSel(3), -1);
    EXPECT_EQ(pList->GetCurSel(), 1);
    EXPECT_EQ(pList->SetCurSel(-1), 1);
    EXPECT_EQ(pList->GetCurSel(), -1);
    EXPECT_EQ(pList->SetTopIndex(3), 0);
    EXPECT_EQ(pList->SetTopIndex(2), 2);
}

TEST_F(ListBoxTest, VisibleCountOfThreeRowsIsTwoAndZeroHighRowsFitNone) {
    SListBox* pList = MakeList({0, 10, 100, 10 + 3 * 14});
    CellDC dc;
    int nRemainder = 0;
    EXPECT_EQ(pList->GetVisibleCount(&dc, nRemainder), 2);
    EXPECT_EQ(nRemainder, 0);
    RecordingDC flat;
    EXPECT_EQ(pList->GetVisibleCount(&flat, nRemainder), 0);
}

TEST_F(ListBoxTest, PressSelectsTheRowAndDrawingStopsAtTheBottom) {
    SListBox* pList = MakeList({0, 0, 100, 40});
    for (const char* pszItem : {"one", "two", "three"})
        pList->InsertString(pList->GetCount(), pszItem);
    CellDC dc;
    pList->Draw(&dc);  // rows of 14: the third would end at 42
    ASSERT_EQ(dc.m_texts.size(), 2u);
    EXPECT_EQ(dc.m_texts[1].text, "two");
    EXPECT_EQ(dc.m_texts[1].y, 14);
    Press(50, 20);
    EXPECT_EQ(pList->GetCurSel(), 1);
    pList->Draw(&dc);
    ASSERT_EQ(dc.m_highlights.size(), 1u);
    EXPECT_EQ(dc.m_highlights[0], (sys::RECT{0, 14, 100, 28}));
    Press(50, 35);
    EXPECT_EQ(pList->GetCurSel(), 2);
    EXPECT_EQ(pList->ItemFromPoint(50, 300), -1);
}

class ListCtrlTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        ctrl = new SListCtrl;
        ctrl->CreateListCtrl(0, {0, 0, 200, 200}, parent, 9);
        ctrl->SetColumnCount(2);
    }
    static void Fill(CStringArray& strings, std::initializer_list<const char*> items) {
        for (const char* pszItem : items)
            strings.Add(CString(pszItem));
    }
    SListCtrl* ctrl = nullptr;
};

TEST_F(ListCtrlTest, RowsOfMoreStringsThanColumnsKeepOneCellPerColumn) {
    CStringArray row;
    Fill(row, {"Smith", "120", "extra"});
    EXPECT_EQ(ctrl->AddItem(row), 0);
    EXPECT_EQ(ctrl->GetItemCount(), 1);
    EXPECT_EQ(ctrl->GetItemText(0, 1), "120");
    EXPECT_EQ(ctrl->GetItemText(0, 2), "");
    ctrl->SetItemData(3, 77);
    EXPECT_EQ(ctrl->GetItemData(3), 77u);
    EXPECT_EQ(ctrl->GetItemData(9), 0u);
    EXPECT_EQ(ctrl->GetColumnWidth(1), 50);

    SListCtrl empty;
    EXPECT_THROW(empty.AddItem(row), CUserException);
    EXPECT_EQ(empty.GetItemCount(), 0);
}

TEST_F(ListCtrlTest, RowsStartBelowTheHeaderOnlyWhenItIsShown) {
    CStringArray row;
    Fill(row, {"a", "b"});
    ctrl->AddItem(row);
    ctrl->AddItem(row);
    // Rows 20 high, 1 apart; the header takes the first row.
    EXPECT_EQ(ctrl->RowFromPoint(5, 30), 0);
    EXPECT_EQ(ctrl->RowFromPoint(5, 50), 1);
    EXPECT_EQ(ctrl->RowFromPoint(5, 10), -1);
    ctrl->ShowHeader(false);
    EXPECT_EQ(ctrl->RowFromPoint(5, 10), 0);
    CellDC dc;
    ctrl->Draw(&dc);
    ASSERT_EQ(dc.m_draws.size(), 4u);
    EXPECT_EQ(dc.m_draws[0].y, 0);
    EXPECT_EQ(dc.m_draws[1].y, 21);
    EXPECT_EQ(dc.m_draws[2].x, 50);
}

TEST_F(ListCtrlTest, PressesNotifySelectionChangesAndClicks) {
    CStringArray row;
    Fill(row, {"a", "b"});
    ctrl->AddItem(row);
    Press(5, 30);
    Press(5, 30);
    parent->SendMessage(sys::WM_RBUTTONDOWN, 0, At(5, 100));
    EXPECT_EQ(Notes(), (std::vector<std::string>{"9/1", "9/-2", "9/-2", "9/1", "9/-5"}));
    EXPECT_EQ(ctrl->GetCurSel(), -1);
}

}  // namespace
