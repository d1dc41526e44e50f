#pragma once

#include <cstdint>

#include "ui/SWindow.h"

// Shows the window's text as formatted, word-wrapped text in an engine font (resource kind
// 18), scrolled by whole wrapped lines; the help screen ties a scroll bar to it. Owned by its
// parent window.
class STextCtrl : public SWindow {
    DECLARE_SERIAL(STextCtrl)

public:
    static constexpr uint32_t kStyleCentre = 0x1;
    static constexpr uint32_t kStyleRight = 0x2;
    static constexpr uint32_t kStyleNoWrapA = 0x4;
    static constexpr uint32_t kStyleNoWrapB = 0x8;
    static constexpr uint32_t kStyleVCentre = 0x10000;

    STextCtrl();
    ~STextCtrl() override;

    void Serialize(CArchive& ar) override;
    // The resources are always read again; the first one becomes the font when none is set.
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override;
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;
    int Draw(SDC* pDC) override;

    bool CreateText(const char* pszText, uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent, uint32_t nID);
    void SetTopLine(int nLine) { m_iTopLine = nLine; }
    int GetTopLine() const { return m_iTopLine; }
    // The DrawText format the style asks for.
    uint32_t GetTextFormat() const;

protected:
    void TakeFontFromResources(uint8_t byLoadedBefore);

    int32_t m_iTopLine = 0;
};

// Lets the resource factory make STextCtrl objects (kKindTextCtrl). Called once at start-up.
void RegisterTextCtrlResourceKind();
