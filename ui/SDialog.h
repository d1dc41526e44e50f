#pragma once

#include <cstdint>

#include "ui/SScreen.h"

class SDialog;

// The idle callback of the modal loop: the dialog and a value (0).
using SDialogIdleProc = int (*)(SDialog* pDialog, uint32_t nValue);

// A screen that runs modally (resource kind 11, "Dialogs"): DoModal takes over the message loop
// until the dialog ends, routes the input messages into the dialog's own tree only, and keeps
// drawing the parent screen and the dialog each pass; the idle callback presents the frame.
// Ids 1 and 2 are OK and Cancel, and Enter and Escape end it the same way. Whoever opens a
// dialog owns it; the contexts it is handed belong to their makers.
class SDialog : public SScreen {
    DECLARE_SERIAL(SDialog)

public:
    // The size the modal loop packs the dialog's images for.
    static constexpr int kPackWidth = 640;
    static constexpr int kPackHeight = 480;

    SDialog();
    ~SDialog() override;

    // Forgets the contexts, then unloads as a screen.
    void Unload() override;
    SResource* Clone(SResource* pTarget) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;
    // Drawn displaced by the draw offset, its images coming from its own context.
    int Draw(SDC* pDC) override;
    // Enter ends with 1, Escape with 2; no key goes further.
    void OnKeyDown(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) override;
    // A click on id 1 or 2 ends the dialog with that id; then as a screen, except that a
    // running dialog passes nothing on to the window behind it.
    void OnNotify(uint32_t nID, int32_t nCode) override;
    // While the modal loop runs, the dialog is the root of everything routed into it: what
    // reaches it goes no further, so a click anywhere in it never acts on the page behind
    // (which might open the same question again, or delete what asked it).
    void OnLButtonDown(uint32_t nFlags, int x, int y) override;
    void OnLButtonDblClk(uint32_t nFlags, int x, int y) override;
    void OnRButtonDown(uint32_t nFlags, int x, int y) override;
    void OnLButtonUp(uint32_t nFlags, int x, int y) override;
    void OnRButtonUp(uint32_t nFlags, int x, int y) override;
    void OnChar(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) override;
    void OnMouseWheel(uint32_t nFlags, int16_t zDelta, int x, int y) override;
    // Entry 0 of the resource array, from the backdrop context when there is one.
    void DrawBackground(SDC* pDC) override;
    void Paint(SDC* pDC) override;
    // A dialog that draws from a context of its own is packed into that context only: packed
    // again into its page's (when the page is drawn anew while it shows), its images would
    // point at places its own context does not hold and draw as black boxes, and the page's
    // own images would be laid over by its.
    bool PackImages(SDC* pDC, int nWidth, int nHeight, sys::POINT& rptCursor) override;

    // Runs the modal loop until EndDialog; answers the result. A quit message taken by the loop
    // ends the dialog with 2 and is posted again for the main loop. A dialog already running
    // does not run again inside itself: that call answers -1 at once.
    virtual int DoModal(SDC* pDC);
    virtual SDC* SetDC(SDC* pDC);

    // The loop ends after its current pass. The first answer stands: the loop takes no message
    // after it, and a later EndDialog before the next run changes nothing.
    void EndDialog(int nResult);
    // The seven messages the modal loop routes into the dialog; the rest go to the main
    // window's procedure.
    static bool IsRoutedMessage(uint32_t nMessage);
    // Packs the images into the own context and remembers the current source context.
    bool PrepareModal();
    // Draws the background picture at the origin of a backdrop context and remembers it.
    bool DrawBackgroundInto(SDC* pDC);

    int GetResult() const { return m_iResult; }
    bool IsDone() const { return m_bDone != 0; }
    bool IsRunning() const { return m_bRunning != 0; }
    // Whether the window is this dialog or lies inside it.
    bool Holds(const SWindow* pWindow) const;
    SDC* GetOwnDC() const { return m_pOwnDC; }
    SDC* GetBackdropDC() const { return m_pBackdropDC; }
    void SetIdleCallback(SDialogIdleProc pfnIdle) { m_pfnIdle = pfnIdle; }
    SDialogIdleProc GetIdleCallback() const { return m_pfnIdle; }
    void SetUpdateParent(bool bUpdate) { m_bUpdateParent = bUpdate ? 1 : 0; }
    void SetDrawParent(bool bDraw) { m_bDrawParent = bDraw ? 1 : 0; }
    void SetDrawOffset(int x, int y) {
        m_iDrawOffsetX = x;
        m_iDrawOffsetY = y;
    }

    // Tick count of the last idle call, shared by all dialogs.
    static uint32_t GetLastIdleTick() { return s_dwLastIdleTick; }
    static void SetLastIdleTick(uint32_t dwTick) { s_dwLastIdleTick = dwTick; }

protected:
    // Takes the waiting messages until the dialog has its answer; false when the quit message
    // was among them.
    bool PumpMessages();
    // Whether the loop has its answer; a dialog that ends through another window says so.
    virtual bool HasAnswer() const { return m_bDone != 0; }
    // The start and end of a modal run. Keys and the mouse then go into the dialog only: a
    // focus or capture held by a window behind it is given up, the focus to the window given.
    void BeginRun(SWindow* pFocus);
    void EndRun() { m_bRunning = 0; }

    int32_t m_iResult = 0;
    int32_t m_bDone = 0;
    SDC* m_pOwnDC = nullptr;       // not owned
    SDC* m_pSavedDC = nullptr;     // the source context as it was when the dialog started
    SDialogIdleProc m_pfnIdle = nullptr;
    SDC* m_pBackdropDC = nullptr;  // not owned
    int32_t m_bUpdateParent = 1;
    int32_t m_bDrawParent = 1;
    int32_t m_iDrawOffsetX = 0;
    int32_t m_iDrawOffsetY = 0;
    int32_t m_bRunning = 0;

    static uint32_t s_dwLastIdleTick;
};

// Lets the resource factory make dialogs (kind 11). Called once at start-up.
void RegisterDialogResourceKind();
