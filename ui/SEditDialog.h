#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "core/SString.h"
#include "sys/classlib/CString.h"
#include "ui/SDialog.h"

class SDXSurface;
class SEditBox;
class SListBox;

// A modal text-entry dialog: an output list that fills from the bottom like a terminal, above
// a one-line input with the prefix ">". Enter hands the line to OnSubmit and keeps it in a
// history that Up, Down and F3 recall; text given to the dialog waits in a queue and is
// wrapped into the list at the next draw. The console window derives from it. Whoever opens
// it owns it; the edit box and the list box are its children and go with it.
class SEditDialog : public SDialog {
public:
    static constexpr sys::COLORREF kEditColor = 0x01C306;
    static constexpr const char* kPrefix = ">";

    SEditDialog();
    ~SEditDialog() override;
    SEditDialog(const SEditDialog&) = delete;
    SEditDialog& operator=(const SEditDialog&) = delete;

    // Appends the waiting texts, then draws as a dialog.
    int Draw(SDC* pDC) override;
    // Lays out the list above the input line; with auto size the bottom grows to whole rows.
    void MoveWindow(const sys::RECT& rcWindow) override;
    // A click on an echoed line ("> command") copies the command into the input.
    void OnLButtonUp(uint32_t nFlags, int x, int y) override;
    // Enter, Up, Down and F3; no key bubbles and Escape does not end this dialog.
    void OnKeyDown(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) override;
    void DrawBackground(SDC* pDC) override;
    int DoModal(SDC* pDC) override;

    // Measures the line height in the context and clears the input, which takes the focus.
    virtual void PrepareInput(SDC* pDC);
    virtual sys::COLORREF SetFillColor(sys::COLORREF color);
    virtual sys::COLORREF SetFrameColor(sys::COLORREF color);
    virtual uint8_t SetSeparator(uint8_t separator);
    virtual int32_t SetHistoryLimit(int32_t limit);
    virtual int32_t SetOutputLimit(int32_t limit);
    virtual uint8_t SetAutoSize(uint8_t autoSize);
    // "file:item" of the catalog; the picture is tiled behind the dialog when it can be had.
    virtual void SetBackground(const char* pszName);
    virtual void DeleteBackground();
    virtual void ReloadBackground();
    // 0 is the newest entry; empty outside the history.
    virtual CString GetHistoryItem(int nIndex) const;
    // Waits for the next draw; the oldest waiting text is dropped beyond the pending limit.
    virtual void QueueOutput(const char* pszText);
    virtual void AppendOutput(const char* pszText, SDC* pDC);
    // Each submitted line; nothing here.
    virtual void OnSubmit(const char* pszText);
    // Words that fit the list's width per line; without a context the text stays one line.
    virtual void WrapText(const char* pszText, std::vector<CString>& lines, SDC* pDC);

    SEditBox* GetEditBox() const { return m_pEdit; }
    SListBox* GetListBox() const { return m_pList; }
    int GetHistoryCount() const { return static_cast<int>(m_History.size()); }
    int GetHistoryIndex() const { return m_iHistoryIndex; }
    int GetPendingCount() const { return static_cast<int>(m_Pending.size()); }
    int32_t GetLineHeight() const { return m_iLineHeight; }
    sys::COLORREF GetFillColor() const { return m_crFill; }
    sys::COLORREF GetFrameColor() const { return m_crFrame; }
    uint8_t GetSeparator() const { return m_bySeparator; }
    uint8_t GetAutoSize() const { return m_byAutoSize; }
    const SString& GetBackgroundName() const { return m_sBackgroundName; }

private:
    // The width and the visible row count the output lines were wrapped for.
    struct ListLayout {
        int width = -1;
        int rows = -1;
        bool operator==(const ListLayout&) const = default;
    };
    ListLayout LayoutOf(SDC* pDC) const;
    // The list is emptied and every kept text wrapped into it anew.
    void WrapOutputAgain(SDC* pDC);
    // Wraps the text into lines at the end of the list and follows them when the end showed.
    void AppendLines(const char* pszText, SDC* pDC);
    void ShowHistoryEntry(int nIndex);

    SDialog* m_pCompanion;
    SEditBox* m_pEdit;
    SListBox* m_pList;
    SDXSurface* m_pBackground = nullptr;
    SString m_sBackgroundName;
    sys::COLORREF m_crFrame = 0;
    sys::COLORREF m_crFill = 0xFFFFFF;
    uint8_t m_bySeparator = 1;
    int32_t m_iHistoryLimit = 32;
    int32_t m_iOutputLimit = 50;
    int32_t m_iPendingLimit = 50;
    std::deque<CString> m_History;  // newest first
    int32_t m_iHistoryIndex = -1;
    std::deque<CString> m_Pending;  // oldest first
    std::deque<CString> m_Output;   // the texts appended, oldest first, as they came
    ListLayout m_Laid;
    int32_t m_iLineHeight = 15;
    uint8_t m_byAutoSize = 0;
};
