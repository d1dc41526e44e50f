#include "ui/layout/SLayoutControlItems.h"

#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"
#include "dx/display/SGraphics.h"
#include "sys/classlib/Exceptions.h"
#include "sys/time/time.h"
#include "ui/widgets/SButton.h"
#include "ui/SDC.h"
#include "ui/SDIB.h"
#include "ui/widgets/SEditBox.h"
#include "ui/SFont.h"
#include "ui/SFrame.h"
#include "ui/layout/SLayout.h"
#include "ui/layout/SLayoutResourceLists.h"
#include "ui/widgets/SSlider.h"
#include "ui/SSprite.h"

IMPLEMENT_DYNAMIC(SLayoutItemButton, SLayoutItem)
IMPLEMENT_DYNAMIC(SLayoutItemSlider, SLayoutItem)
IMPLEMENT_DYNAMIC(SLayoutItemEdit, SLayoutItem)
IMPLEMENT_DYNAMIC(SLayoutItemMake, SLayoutItem)

namespace {

constexpr sys::COLORREF kPlaceholderFill = 0xFFFFFF;
constexpr sys::COLORREF kPlaceholderPen = 0xFF0000;
constexpr sys::COLORREF kDefaultKey = 0xFF00FF;
// Spacings up to this are the font's own business; only wider ones are set.
constexpr int kMinBuiltSpacing = 10;

sys::RECT RectOfSize(int x, int y, int width, int height) { return sys::RECT{x, y, x + width, y + height}; }

int Width(const sys::RECT& rect) { return rect.right - rect.left; }
int Height(const sys::RECT& rect) { return rect.bottom - rect.top; }

uintptr_t DisplayFlags(SLayout* pLayout) {
    SDXDraw* pDisplay = pLayout->GetDisplay();
    return reinterpret_cast<uintptr_t>(pDisplay);
}

void TimeControl(SLayout* pLayout, uint32_t dwStart, uint32_t& rdwTime) {
    rdwTime = sys::time::TickCount() - dwStart;
    if (pLayout != nullptr)
        pLayout->AddTime(SLayout::kTimeControl, rdwTime);
}

}  // namespace

// ---- button ---------------------------------------------------------------------------------

void SLayoutItemButton::Evaluate(SDC* pDC) {
    m_pWindow = nullptr;
    m_byEvaluated = 1;
    const int count = GetArgCount();
    if (count < 3 || m_pLayout == nullptr)
        return;
    m_strName = ArgText(0, pDC);
    m_iX = ArgValue(1, pDC);
    m_iY = ArgValue(2, pDC);
    m_strCommand = count >= 4 ? ArgText(3, pDC) : CString();
    m_strTip = count >= 5 ? ArgText(4, pDC) : CString();
    m_byQuiet = count >= 6 && ArgValue(5, pDC) != 0 ? 1 : 0;
    m_pWindow = m_pLayout->GetButton(m_strName, this, nullptr);
    m_pLayout->SetButtonCommand(m_pWindow, m_strCommand);
    m_pLayout->SetButtonTip(m_pWindow, m_strTip);
    // The screen plays the click sound of a control that keeps its sound flag.
    if (m_byQuiet && m_pWindow != nullptr)
        m_pWindow->SetSoundFlag(false);
}

int32_t SLayoutItemButton::Render(SDC* pDC) {
    const uint32_t start = sys::time::TickCount();
    if (!m_byEvaluated || m_byRefresh)
        Evaluate(pDC);
    if (GetArgCount() >= 3 && m_pLayout != nullptr && pDC != nullptr) {
        if (m_pWindow == nullptr) {
            // The name where the button would be, as written: a missing button shows.
            pDC->TextOut(m_iX, m_iY, m_strName, m_strName.GetLength());
        } else {
            const sys::RECT block = BlockRect(pDC);
            const sys::RECT& current = m_pWindow->GetWindowRect();
            const sys::RECT placed =
                PlaceInBlock(RectOfSize(m_iX, m_iY, Width(current), Height(current)), block);
            m_pWindow->MoveWindow(placed);
            m_pWindow->SetVisible(IsInside(placed, block));
            m_pLayout->DrawChildWindow(m_pWindow, pDC);
        }
    }
    TimeControl(m_pLayout, start, m_dwTime);
    return 0;
}

void SLayoutItemButton::Hide() {
    if (m_pWindow != nullptr)
        m_pWindow->SetVisible(false);
}

// ---- slider ---------------------------------------------------------------------------------

void SLayoutItemSlider::Evaluate(SDC* pDC) {
    m_pWindow = nullptr;
    m_byEvaluated = 1;
    if (GetArgCount() < kNeededArgs || m_pLayout == nullptr)
        return;
    m_strName = ArgText(0, pDC);
    m_rcRect = sys::RECT{ArgValue(1, pDC), ArgValue(2, pDC), ArgValue(3, pDC), ArgValue(4, pDC)};
    m_strCommand = ArgText(5, pDC);
    m_iMin = ArgValue(6, pDC);
    m_iMax = ArgValue(7, pDC);
    m_iExtra = ArgValue(8, pDC);
    m_iPos = ArgValue(9, pDC);
    m_pWindow = m_pLayout->GetSlider(m_strName, this, nullptr);
    if (m_pWindow != nullptr) {
        m_pWindow->SetMin(m_iMin);
        m_pWindow->SetMax(m_iMax);
        m_pWindow->SetPos(m_iPos);
        m_pLayout->SetSliderCommand(m_pWindow, m_strCommand);
    }
}

int32_t SLayoutItemSlider::Render(SDC* pDC) {
    const uint32_t start = sys::time::TickCount();
    if (!m_byEvaluated || m_byRefresh)
        Evaluate(pDC);
    if (GetArgCount() >= kNeededArgs && m_pLayout != nullptr && pDC != nullptr) {
        const sys::RECT block = BlockRect(pDC);
        const sys::RECT placed = PlaceInBlock(m_rcRect, block);
        if (m_pWindow == nullptr) {
            sys::HBRUSH hBrush = sys::gdi::CreateSolidBrush(kPlaceholderFill);
            sys::HPEN hPen = sys::gdi::CreatePen(sys::PS_SOLID, 1, kPlaceholderPen);
            pDC->Rectangle(placed, hPen, hBrush);
            pDC->TextOut(placed.left, placed.top, m_strName, m_strName.GetLength());
            sys::gdi::DeleteObject(hPen);
            sys::gdi::DeleteObject(hBrush);
        } else {
            // The track is as long as the slider is wide: one position a pixel. Set again only
            // when the block moved the slider, so a dragged position stays.
            if (!(m_pWindow->GetWindowRect() == placed)) {
                m_pWindow->MoveWindow(placed);
                m_pWindow->SetMin(0);
                m_pWindow->SetMax(Width(placed));
                m_pWindow->SetExtra(m_iExtra);
            }
            m_pWindow->SetVisible(IsInside(placed, block));
            m_pLayout->DrawChildWindow(m_pWindow, pDC);
        }
    }
    TimeControl(m_pLayout, start, m_dwTime);
    return 0;
}

void SLayoutItemSlider::Hide() {
    if (m_pWindow != nullptr)
        m_pWindow->SetVisible(false);
}

// ---- edit -----------------------------------------------------------------------------------

int SLayoutItemEdit::s_iCounter = 0;

SLayoutItemEdit::SLayoutItemEdit() {
    s_iCounter %= 1000;
    m_strName.Format("Edit%d", s_iCounter);
    ++s_iCounter;
}

void SLayoutItemEdit::Evaluate(SDC* pDC) {
    m_pWindow = nullptr;
    m_pFont = nullptr;
    m_iSpacing = 0;
    m_byEvaluated = 1;
    const int count = GetArgCount();
    if (count < kNeededArgs || m_pLayout == nullptr)
        return;
    m_rcRect = sys::RECT{ArgValue(1, pDC), ArgValue(2, pDC), ArgValue(3, pDC), ArgValue(4, pDC)};
    if (count >= 6)
        m_strCommand = ArgText(5, pDC);
    if (count >= 7)
        m_strPrefix = ArgText(6, pDC);
    if (count >= 8)
        m_pFont = m_pLayout->LoadResourceAlt(ArgText(7, pDC), nullptr);
    if (count >= 9)
        m_iSpacing = ArgValue(8, pDC);
    if (count >= 10)
        m_byHideAfterEntry = ArgValue(9, pDC) != 0 ? 1 : 0;
    m_pWindow = m_pLayout->GetEdit(m_strName, this, nullptr);
    if (m_pWindow == nullptr)
        return;
    if (m_pFont != nullptr) {
        m_pFont->SetCharSpacing(m_iSpacing);
        m_pWindow->SetFont(m_pFont);
    }
    m_pWindow->SetStyle(SEditBox::kStyleMultiLine);
    m_pWindow->SetPrefix(m_strPrefix);
    m_pLayout->SetEditCommand(m_pWindow, m_strCommand);
    m_pWindow->SetFocus();
}

int32_t SLayoutItemEdit::Render(SDC* pDC) {
    const uint32_t start = sys::time::TickCount();
    if (!m_byEvaluated || m_byRefresh)
        Evaluate(pDC);
    if (GetArgCount() >= kNeededArgs && m_pLayout != nullptr && pDC != nullptr) {
        const int32_t trigger = ArgValue(0, pDC);
        // A hidden box comes back, empty, only when the trigger asks for it.
        bool show = m_pWindow != nullptr;
        if (show && !m_pWindow->IsVisible()) {
            if (trigger == 0)
                show = false;
            else
                m_pWindow->SetText("");
        }
        if (show) {
            const sys::RECT block = BlockRect(pDC);
            const sys::RECT placed = PlaceInBlock(m_rcRect, block);
            if (!(m_pWindow->GetWindowRect() == placed)) {
                m_pWindow->MoveWindow(placed);
                m_pWindow->SetText("");
            }
            SWindow* pParent = m_pWindow->GetParent();
            if (!IsInside(placed, block)) {
                if (pParent != nullptr)
                    pParent->SetFocus();
                m_pWindow->SetVisible(false);
            } else {
                m_pWindow->SetVisible(true);
                m_pLayout->EnableKeyboard(0);
                SWindow* pGrandParent = pParent != nullptr ? pParent->GetParent() : nullptr;
                const bool familyHasFocus = (pParent != nullptr && pParent->HasFocus(true)) ||
                                            (pGrandParent != nullptr && pGrandParent->HasFocus(true));
                if (!m_pWindow->HasFocus(true) && familyHasFocus)
                    m_pWindow->SetFocus();
                m_pLayout->DrawChildWindow(m_pWindow, pDC);
            }
        }
    }
    TimeControl(m_pLayout, start, m_dwTime);
    return 0;
}

void SLayoutItemEdit::Hide() {
    if (m_pWindow != nullptr)
        m_pWindow->SetVisible(false);
}

// ---- builders -------------------------------------------------------------------------------

void SLayoutItemMake::Evaluate(SDC* pDC) {
    m_byEvaluated = 1;
    if (m_pLayout == nullptr)
        return;
    if (GetArgCount() >= 1)
        m_strName = ArgText(0, pDC);
    switch (m_iKind) {
    case kMakeButton: MakeButton(pDC); break;
    case kMakeFont: MakeFont(pDC); break;
    case kMakeSprite: MakeSprite(pDC); break;
    default: break;
    }
}

void SLayoutItemMake::MakeButton(SDC* pDC) {
    if (GetArgCount() < 4 || m_pLayout->GetButton(m_strName, nullptr, nullptr) != nullptr)
        return;
    auto* pButton = new SButton;
    for (int i = 1; i <= 3; ++i)
        pButton->AddResourceName(ResolvePath(ArgText(i, pDC)));
    pButton->LoadFromFile(CString(), 0);
    SResourceArray* pImages = pButton->GetResourceArray();
    if (pImages->GetSize() > 0 && pImages->GetAt(0) != nullptr)
        pButton->MoveWindow(RectOfSize(0, 0, pImages->GetAt(0)->GetWidth(), pImages->GetAt(0)->GetHeight()));
    SLayoutResourceLists::AddBuiltButton(*m_pLayout, m_strName, pButton);
}

void SLayoutItemMake::MakeFont(SDC* pDC) {
    const int count = GetArgCount();
    if (count < 2 || m_pLayout->LoadResourceAlt(m_strName, nullptr) != nullptr)
        return;
    auto* pFont = new SFont;
    // The glyph grid is measured while the sheet is built, so the columns must be known first.
    const int columns = count >= 6 ? ArgValue(5, pDC) : 0;
    if (columns > 0)
        pFont->SetColumns(columns);
    bool built = false;
    try {
        built = pFont->Locate(ResolvePath(ArgText(1, pDC)), m_pLayout->GetDisplay());
    } catch (const CException&) {
        built = false;
    }
    if (!built) {
        delete pFont;
        return;
    }
    const sys::COLORREF key = count >= 5 ? ArgColour(2, pDC) : kDefaultKey;
    if (SDXSurface* pSheet = pFont->GetSheetSurface())
        pSheet->SetTransparentColor(key);
    const int spacing = count >= 7 ? ArgValue(6, pDC) : 0;
    if (spacing > kMinBuiltSpacing)
        pFont->SetCharSpacing(spacing);
    SLayoutResourceLists::AddBuiltFont(*m_pLayout, m_strName, pFont);
}

void SLayoutItemMake::MakeSprite(SDC* pDC) {
    const int count = GetArgCount();
    if (count < 7 || m_pLayout->LoadResource(m_strName, nullptr) != nullptr)
        return;
    const int hotX = ArgValue(1, pDC);
    const int hotY = ArgValue(2, pDC);
    for (int i = 3; i <= 5; ++i)
        ArgValue(i, pDC);
    auto* pSprite = new SSprite;
    for (int i = 6; i < count; ++i) {
        auto* pFrame = new SFrame;
        const CString path = ResolvePath(ArgText(i, pDC));
        if (SDIB* pBitmap = SLayoutResourceLists::ReadBitmapFile(path)) {
            pFrame->SetFrameRect(RectOfSize(0, 0, pBitmap->GetWidth(), pBitmap->GetHeight()));
            pFrame->SetHotSpot(hotX, hotY);
            pFrame->SetFileName(path);
            delete pBitmap;
        }
        pSprite->InsertFrame(pFrame, -1);
    }
    pSprite->LoadFromFile(CString(), DisplayFlags(m_pLayout));
    SLayoutResourceLists::AddBuiltSprite(*m_pLayout, m_strName, pSprite);
}

void SLayoutItemMake::MakeHook(SDC*) {}

CString SLayoutItemMake::ResolvePath(const char* pszText) {
    CString strName;
    CString strRest;
    if (!SLayoutResourceLists::SplitName(pszText, strName, strRest))
        return CString(pszText != nullptr ? pszText : "");
    const int colon = strRest.Find(':');
    const CString strFile = colon < 0 ? strRest : strRest.Left(colon);
    SCatalog* pCatalog = m_pLayout != nullptr ? m_pLayout->GetCatalog() : nullptr;
    SCatalogItem* pItem = pCatalog != nullptr ? pCatalog->FindItem(strName, strFile, -1) : nullptr;
    return pItem != nullptr ? pItem->GetFullPath(true, true, true) : CString();
}

// ---- factory --------------------------------------------------------------------------------

SLayoutItem* CreateLayoutControlItem(const char* pszWord) {
    const CString word(pszWord != nullptr ? pszWord : "");
    if (word.CompareNoCase("button") == 0)
        return new SLayoutItemButton;
    if (word.CompareNoCase("slider") == 0)
        return new SLayoutItemSlider;
    if (word.CompareNoCase("edit") == 0)
        return new SLayoutItemEdit;
    if (word.CompareNoCase("makebutton") == 0)
        return new SLayoutItemMake(SLayoutItemMake::kMakeButton);
    if (word.CompareNoCase("makefont") == 0)
        return new SLayoutItemMake(SLayoutItemMake::kMakeFont);
    if (word.CompareNoCase("makesprite") == 0)
        return new SLayoutItemMake(SLayoutItemMake::kMakeSprite);
    if (word.CompareNoCase("makeslider") == 0)
        return new SLayoutItemMake(SLayoutItemMake::kMakeSlider);
    return nullptr;
}
