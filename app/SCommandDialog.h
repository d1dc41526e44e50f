#pragma once

#include "sys/classlib/CString.h"
#include "ui/SEditDialog.h"

class SGameObjects;

// The console window: the text-entry dialog over the game display, in which the user types
// console command lines and reads their output. F2 opens it in the main window and closes it
// again. Owned by the message handler, which makes it at start-up and keeps it.
class SCommandDialog : public SEditDialog {
public:
    static constexpr uint32_t kToggleKey = 0x71;  // F2

    explicit SCommandDialog(SGameObjects* hub);
    ~SCommandDialog() override;

    // F2 ends the run; every key then goes to the text-entry handling.
    void OnKeyDown(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) override;
    int DoModal(SDC* pDC) override;
    // Runs a non-empty line through the console interpreter and echoes it, then its output.
    void OnSubmit(const char* pszText) override;
    // Ends the run and lets the current screen redraw itself.
    virtual void CloseConsole();
    // The echo's lead: the window's text.
    CString GetCommandText() const { return m_strText; }

private:
    SGameObjects* m_pHub;
};
