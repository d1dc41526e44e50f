#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "WidgetTestSupport.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "ui/widgets/SAnimation.h"
#include "ui/widgets/SButton.h"
#include "ui/widgets/SComboBox.h"
#include "ui/widgets/SEditBox.h"
#include "ui/widgets/SListBox.h"
#include "ui/widgets/SListCtrl.h"
#include "ui/widgets/SScrollBar.h"
#include "ui/widgets/SSlider.h"

namespace {

using Bytes = std::vector<uint8_t>;

template <class F>
Bytes Store(F write) {
    CMemFile file(1024);
    {
        CArchive ar(&file, CArchive::store);
        write(ar);
        ar.Close();
    }
    const auto length = static_cast<size_t>(file.GetLength());
    uint8_t* raw = file.Detach();
    Bytes bytes(raw, raw + length);
    std::free(raw);
    return bytes;
}

template <class F>
void Load(Bytes bytes, F read) {
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()), 0);
    CArchive ar(&file, CArchive::load);
    read(ar);
}

// An object written through a pointer and read back as its class.
template <class T>
std::unique_ptr<T> RoundTrip(T& source) {
    const Bytes bytes = Store([&](CArchive& ar) { ar << static_cast<const CObject*>(&source); });
    T* pCopy = nullptr;
    Load(bytes, [&](CArchive& ar) { ar >> pCopy; });
    return std::unique_ptr<T>(pCopy);
}

uint32_t U32At(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

TEST(WidgetArchiveTest, SliderAndScrollBarAddTheirLimitsAfterTheWindowPart) {
    SSlider slider;
    slider.SetMin(-5);
    slider.SetMax(90);
    const Bytes bytes = Store([&](CArchive& ar) { slider.Serialize(ar); });
    const size_t tail = bytes.size() - 24;
    EXPECT_EQ(U32At(bytes, tail), 90u);
    EXPECT_EQ(U32At(bytes, tail + 4), 30u);
    EXPECT_EQ(U32At(bytes, tail + 8), 0u);
    EXPECT_EQ(U32At(bytes, tail + 12), static_cast<uint32_t>(-5));
    EXPECT_EQ(U32At(bytes, tail + 16), 0u);
    EXPECT_EQ(U32At(bytes, tail + 20), 0u);

    SScrollBar bar;
    bar.SetRange(3, 70);
    const Bytes barBytes = Store([&](CArchive& ar) { bar.Serialize(ar); });
    EXPECT_EQ(U32At(barBytes, barBytes.size() - 8), 70u);
    EXPECT_EQ(U32At(barBytes, barBytes.size() - 4), 3u);
}

TEST(WidgetArchiveTest, ButtonSliderAndAnimationKeepTheirStoredFields) {
    SButton button;
    button.CreateButton("OK", SButton::kStyleGroup, {1, 2, 3, 4}, nullptr, 77);
    button.SetGroup(12);
    button.SetCheck(1);
    auto pButton = RoundTrip(button);
    EXPECT_EQ(pButton->GetGroup(), 12u);
    EXPECT_EQ(pButton->GetCheck(), 0);  // state lives only in memory
    EXPECT_EQ(pButton->GetID(), 77u);

    SSlider slider;
    slider.SetMax(100);
    slider.SetMin(10);
    slider.SetPos(50);
    auto pSlider = RoundTrip(slider);
    EXPECT_EQ(pSlider->GetMax(), 100);
    EXPECT_EQ(pSlider->GetMin(), 10);
    EXPECT_EQ(pSlider->GetPos(), 0);  // not stored

    SAnimation animation;
    animation.SetLoop(true);
    EXPECT_TRUE(RoundTrip(animation)->GetLoop());
}

TEST(WidgetArchiveTest, ListsKeepTheirItemsAndColumns) {
    SListBox list;
    list.InsertString(0, "alpha");
    list.InsertString(1, "beta");
    auto pList = RoundTrip(list);
    ASSERT_EQ(pList->GetCount(), 2);
    EXPECT_EQ(pList->GetItemText(1), "beta");

    SListCtrl ctrl;
    ctrl.SetColumnCount(2);
    ctrl.SetColumnTitle(0, "Name");
    ctrl.SetColumnWidth(1, 300);
    CStringArray row;
    row.Add(CString("Vance"));
    row.Add(CString("4200"));
    ctrl.AddItem(row);
    auto pCtrl = RoundTrip(ctrl);
    ASSERT_EQ(pCtrl->GetColumnCount(), 2);
    EXPECT_EQ(pCtrl->GetColumnTitle(0), "Name");
    EXPECT_EQ(pCtrl->GetColumnWidth(1), 300);
    EXPECT_EQ(pCtrl->GetItemText(0, 1), "4200");
}

// Stores an owner whose child list ends in a second entry (null, or its child once more) and
// reads it back: the null is left out, the repeated child refused.
template <class T>
void CheckChildListOf() {
    for (const bool twice : {false, true}) {
        T owner;
        auto* child = new SButton;
        child->CreateButton("c", 0, sys::RECT{0, 0, 1, 1}, &owner, 5);
        const int count = owner.GetChildren()->GetCount();
        owner.GetChildren()->AddTail(twice ? child : nullptr);
        const Bytes bytes = Store([&](CArchive& ar) { owner.Serialize(ar); });
        owner.GetChildren()->RemoveTail();
        T back;
        if (twice) {
            EXPECT_THROW(Load(bytes, [&](CArchive& ar) { back.Serialize(ar); }), CArchiveException);
            continue;
        }
        Load(bytes, [&](CArchive& ar) { back.Serialize(ar); });
        ASSERT_EQ(back.GetChildren()->GetCount(), count);
        EXPECT_EQ(back.GetChildren()->GetTail()->GetParent(), &back);
    }
}

// A window owns its children and a table its columns: one stored as a reference to one read
// before would be deleted twice, so the file is refused; a null child is left out.
TEST(WidgetArchiveTest, ChildrenAndColumnsAreObjectsOfTheirOwn) {
    CheckChildListOf<SWindow>();
    CheckChildListOf<SEditBox>();

    struct OpenListCtrl : SListCtrl {
        using SListCtrl::m_pColumns;
    } ctrl;
    ctrl.SetColumnCount(1);
    ctrl.m_pColumns->Add(ctrl.m_pColumns->GetAt(0));
    const Bytes bytes = Store([&](CArchive& ar) { ctrl.Serialize(ar); });
    ctrl.m_pColumns->SetSize(1);
    SListCtrl back;
    EXPECT_THROW(Load(bytes, [&](CArchive& ar) { back.Serialize(ar); }), CArchiveException);
}

TEST(WidgetArchiveTest, EditBoxWritesMarginsAndPrefixAndReadsOlderSchemas) {
    SEditBox edit;
    edit.CreateEdit(0, {0, 0, 80, 20}, nullptr, 3);
    edit.SetText("callsign");
    edit.SetMargins(4, 2);
    edit.SetPrefix("Name: ");
    auto pEdit = RoundTrip(edit);
    CString strText;
    EXPECT_EQ(pEdit->GetText(strText), "callsign");
    EXPECT_EQ(pEdit->GetMarginX(), 4);
    EXPECT_EQ(pEdit->GetMarginY(), 2);
    EXPECT_EQ(pEdit->GetPrefix(), "Name: ");
    EXPECT_EQ(pEdit->GetSchemaWord(), 4u);

    // Schema 2: no own-packing word, margins but no prefix.
    const Bytes old = Store([](CArchive& ar) {
        ar << uint32_t{2} << int32_t{0} << int32_t{0} << int32_t{50} << int32_t{14} << uint32_t{0} << CString("old")
           << uint32_t{9} << uint16_t{0} << uint16_t{0} << int32_t{7} << int32_t{1};
    });
    SEditBox loaded;
    Load(old, [&](CArchive& ar) { loaded.Serialize(ar); });
    EXPECT_EQ(loaded.GetText(strText), "old");
    EXPECT_EQ(loaded.GetID(), 9u);
    EXPECT_EQ(loaded.GetMarginX(), 7);
    EXPECT_EQ(loaded.GetPrefix(), "");
    EXPECT_EQ(loaded.GetSchemaWord(), 4u);
}

TEST(WidgetArchiveTest, ComboBoxTakesItsPartsFromTheStoredChildren) {
    SComboBox combo;
    combo.CreateCombo(0x3, {10, 10, 110, 30}, nullptr, 4);
    combo.AddString("Easy");
    combo.AddString("Hard");
    combo.ShowDropDown(true);
    auto pCombo = RoundTrip(combo);
    ASSERT_NE(pCombo->GetEdit(), nullptr);
    ASSERT_NE(pCombo->GetList(), nullptr);
    EXPECT_EQ(pCombo->GetList()->GetParent(), pCombo.get());
    EXPECT_EQ(pCombo->GetList()->GetCount(), 2);
    EXPECT_TRUE(pCombo->IsDropped());
    EXPECT_EQ(pCombo->GetButtonRect(), (sys::RECT{90, 10, 110, 30}));
    CString strText;
    pCombo->GetLBText(1, strText);
    EXPECT_EQ(strText, "Hard");
}

}  // namespace
