#pragma once

#include <cstdint>
#include <vector>

#include "frontend/screens/SAppScreen.h"

class SScrollBar;

// The help page (screen id 6): shows the text of "help.sss" from the base folder in a text
// control that a scroll bar and two arrow buttons scroll line by line. Owned by the screen
// manager; it owns its copy of the text.
class SHelpScreen : public SAppScreen {
    DECLARE_DYNAMIC(SHelpScreen)

public:
    static constexpr int kScreenId = 6;
    // Control ids of the layout.
    static constexpr uint32_t kBackButton = 222;
    static constexpr uint32_t kTextControl = 9010;
    static constexpr uint32_t kScrollBar = 9020;
    static constexpr uint32_t kLineUpButton = 9019;
    static constexpr uint32_t kLineDownButton = 9021;
    static constexpr int kScrollMin = 0;
    static constexpr int kScrollMax = 50;
    static constexpr int kWheelLines = 3;
    // More help than this is never read: the text is meant for a page, not a book.
    static constexpr uint32_t kMaxTextBytes = 1u << 20;

    SHelpScreen();
    ~SHelpScreen() override;

    void OnNotify(uint32_t nID, int32_t nCode) override;
    // The wheel scrolls three lines a notch; Page Up and Page Down a page, the arrow keys a line,
    // Home and End to either end of the bar.
    void OnMouseWheel(uint32_t nFlags, int16_t zDelta, int x, int y) override;
    void OnKeyDown(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) override;
    // Reads the help text again, so an edited file shows at the next visit.
    void Activate() override;
    void Deactivate() override;

    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetLayoutName() override;
    const char* GetMusicName() override;
    void OnSlideDone() override;

    int GetScrollPosition() const { return m_iScrollPos; }
    // The text as read, without its terminating zero; the window's own text stays reachable.
    using SAppScreen::GetText;
    const char* GetText() const { return m_Text.empty() ? "" : m_Text.data(); }
    // "help.sss" in the base folder, or in the working folder when no base folder is set.
    static CString GetHelpPath();

private:
    // Whatever cannot be read leaves the text empty.
    void ReadHelpText();
    // The text shows from the scroll bar's line on.
    void Synchronise();
    // Moves by the lines, stopping at either end of the bar's range.
    void ScrollBy(int nLines);
    // The lines the text control shows at once, at least 1.
    int PageLines() const;
    // Null without a layout or without the bar in it.
    SScrollBar* FindScrollBar() const;
    static void OnScrollBarChanged(int nPosition);

    int32_t m_iScrollPos = 0;
    std::vector<char> m_Text;  // the file's bytes and a terminating zero

    // The page the scroll bar's callback reaches; the callback carries no page of its own.
    static SHelpScreen* s_pHelpPage;
};
