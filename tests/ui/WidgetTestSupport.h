#pragma once

// Shared helpers of the widget tests: a drawing context with a fixed 6 x 14 character cell that
// records text and highlights, and a fixture whose parent window logs what its widgets tell it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WindowTestSupport.h"
#include "sys/window/headless/headless_clipboard.h"

namespace widgettest {

using windowtest::At;
using windowtest::LogWindow;
using windowtest::RecordingDC;

struct TextCall {
    std::string text;
    int x = 0;
    int y = 0;
};

// Every character is 6 pixels wide and 14 high; DrawText lays out one line per 'width / 6'
// characters with word break, so wrapping is easy to count by hand.
class CellDC : public RecordingDC {
public:
    static constexpr int kCharWidth = 6;
    static constexpr int kCharHeight = 14;

    int GetTextExtent(const char* pszText, sys::SIZE& size) override {
        size.cx = kCharWidth * static_cast<int>(std::string(pszText).size());
        size.cy = kCharHeight;
        return 1;
    }
    void TextOut(int x, int y, const char* pszText, int) override { m_texts.push_back({pszText, x, y}); }
    void DrawText(const char* pszText, sys::RECT& rect, uint32_t dwFormat) override {
        if (dwFormat & sys::DT_CALCRECT) {
            const int nPerLine = std::max((rect.right - rect.left) / kCharWidth, 1);
            const int nLength = static_cast<int>(std::string(pszText).size());
            const int nLines = (dwFormat & sys::DT_WORDBREAK) ? std::max((nLength + nPerLine - 1) / nPerLine, 1) : 1;
            rect.right = rect.left + std::min(nLength, nPerLine) * kCharWidth;
            rect.bottom = rect.top + nLines * kCharHeight;
            return;
        }
        m_draws.push_back({pszText, rect.left, rect.top});
        m_formats.push_back(dwFormat);
    }
    void HighlightRect(const sys::RECT& rect) override { m_highlights.push_back(rect); }
    void FillRect(const sys::RECT& rect, sys::HBRUSH, sys::COLORREF, sys::COLORREF) override { m_fills.push_back(rect); }

    std::vector<TextCall> m_texts;
    std::vector<TextCall> m_draws;
    std::vector<uint32_t> m_formats;
    std::vector<sys::RECT> m_highlights;
    std::vector<sys::RECT> m_fills;
};

class WidgetTest : public windowtest::WindowTest {
protected:
    void SetUp() override {
        windowtest::WindowTest::SetUp();
        sys::clipboard::headless::Reset();
        parent = new LogWindow(&log, "parent");
        parent->Create(nullptr, "parent", 0, sys::RECT{0, 0, 640, 480}, nullptr, 1, nullptr);
        // Nobody is under the mouse at the start.
        parent->SWindow::SetMouseOver();
    }
    void TearDown() override {
        delete parent;
        windowtest::WindowTest::TearDown();
    }

    // The notifications the parent received, as "id/code".
    std::vector<std::string> Notes() const {
        std::vector<std::string> notes;
        for (const std::string& entry : log) {
            if (entry.rfind("parent:notify", 0) == 0)
                notes.push_back(entry.substr(13));
        }
        return notes;
    }

    void Press(int x, int y) { parent->SendMessage(sys::WM_LBUTTONDOWN, 0, At(x, y)); }
    void Release(int x, int y) { parent->SendMessage(sys::WM_LBUTTONUP, 0, At(x, y)); }
    void Move(int x, int y) { parent->SendMessage(sys::WM_MOUSEMOVE, 0, At(x, y)); }

    LogWindow* parent = nullptr;
};

}  // namespace widgettest
