#include "frontend/screens/SHelpScreen.h"

#include <algorithm>

#include "app/SGameObjects.h"
#include "sys/classlib/CFile.h"
#include "sys/window/window.h"
#include "ui/SFont.h"
#include "ui/widgets/SScrollBar.h"
#include "ui/widgets/STextCtrl.h"

IMPLEMENT_DYNAMIC(SHelpScreen, SAppScreen)

SHelpScreen* SHelpScreen::s_pHelpPage = nullptr;

namespace {

constexpr const char* kMusic = "Interface:cop_training";
constexpr int kMainMenuScreen = 0;
// The platform's wheel units in one notch.
constexpr int kWheelDelta = 120;

}  // namespace

SHelpScreen::SHelpScreen() = default;

SHelpScreen::~SHelpScreen() {
    if (s_pHelpPage == this)
        s_pHelpPage = nullptr;
}

const char* SHelpScreen::GetTitle() { return "Help"; }
const char* SHelpScreen::GetLayoutGroup() { return "Help"; }
const char* SHelpScreen::GetLayoutName() { return "h"; }
const char* SHelpScreen::GetMusicName() { return kMusic; }

CString SHelpScreen::GetHelpPath() {
    const SString& base = SGameObjects::Instance()->m_sBasePath;
    // A leading "\" would name the root folder, not the working one.
    if (base.IsEmpty())
        return CString("help.sss");
    return CString(base.GetString()) + "\\help.sss";
}

void SHelpScreen::ReadHelpText() {
    m_Text.assign(1, '\0');
    CFile file;
    if (!file.Open(GetHelpPath(), CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary))
        return;
    try {
        const auto nLength = static_cast<uint32_t>(std::min<uint64_t>(file.GetLength(), kMaxTextBytes));
        m_Text.assign(nLength + 1, '\0');
        // The file may have become shorter since its length was taken.
        const unsigned nRead = file.Read(m_Text.data(), nLength);
        m_Text.resize(nRead);
        // A text saved with CR LF line ends reads as one with LF ends; a lone CR would be drawn.
        size_t nKept = 0;
        for (size_t i = 0; i < m_Text.size(); ++i) {
            if (m_Text[i] != '\r' || i + 1 == m_Text.size() || m_Text[i + 1] != '\n')
                m_Text[nKept++] = m_Text[i];
        }
        m_Text.resize(nKept);
        m_Text.push_back('\0');
    } catch (CFileException&) {
        m_Text.assign(1, '\0');
    }
}

void SHelpScreen::Activate() {
    s_pHelpPage = this;
    ReadHelpText();
    SWindow* pText = m_pLayout != nullptr ? m_pLayout->FindChild(kTextControl) : nullptr;
    if (pText != nullptr)
        pText->SetText(GetText());
    m_iScrollPos = 0;
    SScrollBar* pBar = FindScrollBar();
    if (pBar != nullptr) {
        pBar->SetChangeCallback(&SHelpScreen::OnScrollBarChanged);
        pBar->SetRange(kScrollMin, kScrollMax);
        // Every visit starts at the top of the text, with the bar and the text agreeing.
        pBar->SetPos(m_iScrollPos);
        Synchronise();
    }
    SAppScreen::Activate();
    // The keys reach the page before anything on it was clicked.
    SetFocusWindow(this);
    StartSlide(1);
}

void SHelpScreen::Deactivate() {
    // Keys go to the next page, not to this one while it is away.
    if (GetFocus() == this)
        SetFocusWindow(nullptr);
    SAppScreen::Deactivate();
}

void SHelpScreen::OnMouseWheel(uint32_t, int16_t zDelta, int, int) {
    // A notch away from the user moves the text back toward its start.
    const int nNotches = zDelta / kWheelDelta;
    ScrollBy(-nNotches * kWheelLines);
}

void SHelpScreen::OnKeyDown(uint32_t nChar, uint32_t, uint32_t) {
    switch (nChar) {
        case sys::VK_PRIOR:
            ScrollBy(-PageLines());
            break;
        case sys::VK_NEXT:
            ScrollBy(PageLines());
            break;
        case sys::VK_UP:
            ScrollBy(-1);
            break;
        case sys::VK_DOWN:
            ScrollBy(1);
            break;
        // The bar's ends: the first line, and as far down as the text goes.
        case sys::VK_HOME:
            ScrollBy(-(kScrollMax - kScrollMin));
            break;
        case sys::VK_END:
            ScrollBy(kScrollMax - kScrollMin);
            break;
        default:
            break;
    }
}

int SHelpScreen::PageLines() const {
    const SWindow* pText = m_pLayout != nullptr ? m_pLayout->FindChild(kTextControl) : nullptr;
    const SFont* pFont = pText != nullptr ? pText->GetFont() : nullptr;
    if (pFont == nullptr || pFont->GetLineHeight() <= 0)
        return 1;
    const sys::RECT& rc = pText->GetWindowRect();
    return std::max((rc.bottom - rc.top) / pFont->GetLineHeight(), 1);
}

void SHelpScreen::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode != kNotifyClick)
        return;
    switch (nID) {
        case kLineUpButton:
            ScrollBy(-1);
            break;
        case kLineDownButton:
            ScrollBy(1);
            break;
        case kBackButton:
            StartSlide(0);
            break;
        default:
            break;
    }
}

SScrollBar* SHelpScreen::FindScrollBar() const {
    return m_pLayout != nullptr ? dynamic_cast<SScrollBar*>(m_pLayout->FindChild(kScrollBar)) : nullptr;
}

void SHelpScreen::ScrollBy(int nLines) {
    SScrollBar* pBar = FindScrollBar();
    if (pBar == nullptr)
        return;
    int nMin = 0;
    int nMax = 0;
    pBar->GetRange(nMin, nMax);
    m_iScrollPos = std::clamp(m_iScrollPos + nLines, std::min(nMin, nMax), std::max(nMin, nMax));
    pBar->SetPos(m_iScrollPos);
    Synchronise();
}

void SHelpScreen::Synchronise() {
    SScrollBar* pBar = FindScrollBar();
    if (pBar == nullptr)
        return;
    const int nLine = pBar->GetPos();
    if (auto* pText = dynamic_cast<STextCtrl*>(m_pLayout->FindChild(kTextControl)))
        pText->SetTopLine(nLine);
    m_iScrollPos = nLine;
}

void SHelpScreen::OnScrollBarChanged(int) {
    if (s_pHelpPage != nullptr)
        s_pHelpPage->Synchronise();
}

void SHelpScreen::OnSlideDone() {
    SAppScreen::OnSlideDone();
    SwitchAfterSlideOut(kMainMenuScreen);
}
