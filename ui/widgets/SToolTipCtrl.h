#pragma once

#include <cstdint>

#include "sys/classlib/CObList.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CTypedPtrList.h"
#include "sys/gdi/gdi.h"
#include "ui/SWindow.h"

// One registered tip: the window it belongs to (the key, not owned) and its text.
class Tip : public CObject {
public:
    Tip(SWindow* pWindow, const char* pszText) : m_pWindow(pWindow), m_strText(pszText) {}

    SWindow* m_pWindow;
    CString m_strText;
};

class STipList : public CTypedPtrList<CObList, Tip*> {};

// Shows a short text just above the window under the mouse once the mouse has rested on it for
// half a second. A window of the tree with an empty rectangle; its owner (a screen or a layout)
// registers one tip per window and calls Update with the frame's context, after everything
// else is drawn. It owns its tips and its brush.
class SToolTipCtrl : public SWindow {
public:
    static constexpr uint32_t kHoverDelay = 500;
    static constexpr sys::COLORREF kDefaultBackground = 0xFFFFFF;

    SToolTipCtrl();
    explicit SToolTipCtrl(sys::COLORREF crBackground);
    ~SToolTipCtrl() override;

    // nValue is the frame's drawing context (SDC*).
    int Update(uintptr_t nValue) override;
    virtual bool CreateToolTip(SWindow* pParent, uint32_t dwStyle);

    // One tip per window: an earlier tip of the window is replaced. 1.
    int AddTip(SWindow* pWindow, const char* pszText, uint32_t dwUnused1 = 0, uint32_t dwUnused2 = 0);
    void SetTipText(SWindow* pWindow, const char* pszText);
    // 1 when the window had a tip.
    int RemoveTip(SWindow* pWindow);
    void SetBackgroundColor(sys::COLORREF crBackground);
    // Takes the brush over (the old one is deleted).
    void SetBackgroundBrush(sys::HBRUSH hBrush);

    Tip* FindTip(const SWindow* pWindow) const;
    int GetTipCount() const { return static_cast<int>(m_pTips->GetCount()); }
    SWindow* GetCurrentWindow() const { return m_pCurrent; }
    // The box of the last tip drawn (empty when none is showing).
    const sys::RECT& GetTipRect() const { return m_rcTip; }

protected:
    // Tips of windows that have left the owner's tree (deleted with it) go with them, so a
    // later window at the same address never shows an old text.
    void RemoveTipsOfDeadWindows();

    STipList* m_pTips;  // owned, with its tips
    uint32_t m_dwHoverStart = 0;
    SWindow* m_pCurrent = nullptr;
    sys::HBRUSH m_hBackground = nullptr;  // owned
    sys::RECT m_rcTip;
};
