#pragma once

#include <cstdint>
#include <string>

#include "sys/classlib/CObList.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CTypedPtrList.h"
#include "sys/gdi/gdi.h"
#include "sys/window/window.h"
#include "ui/layout/SLayoutItem.h"
#include "ui/SWindow.h"

class SButton;
class SCatalog;
class SDC;
class SDXSurface;
class SEditBox;
class SFont;
class SGraphics;
class SSlider;
class SSprite;
class SToolTipCtrl;

// One entry of a layout's record lists: a sprite, surface, font or widget window found by
// name, the command text its widget sends, and whether the next purge keeps it. Owned by its
// list; the object it holds is deleted by the purge that removes the record, not by the record.
class SLayoutRes : public CObject {
    DECLARE_DYNAMIC(SLayoutRes)

public:
    SLayoutRes() = default;
    ~SLayoutRes() override = default;
    SLayoutRes(const SLayoutRes&) = delete;
    SLayoutRes& operator=(const SLayoutRes&) = delete;

    CString m_strName;
    CString m_strCommand;
    CObject* m_pObject = nullptr;
    SLayoutItem* m_pOwner = nullptr;  // the item bound to a widget window; null = free
    uint8_t m_byFromCatalog = 0;
    uint8_t m_byKeep = 1;
};

using SLayoutResList = CTypedPtrList<CObList, SLayoutRes*>;

// The layout parser's own continuing tokenizer over a private copy of the script: each call
// goes on where the previous one stopped, skips leading delimiter characters and ends the
// piece at the next one, which it remembers (so a caller that glues pieces back together puts
// back the delimiter that really stood there). Owned by the parse that made it.
class SLayoutTokenizer {
public:
    explicit SLayoutTokenizer(const char* pszText) : m_text(pszText != nullptr ? pszText : "") {}

    // The next piece (without its delimiter), or null when only delimiters are left.
    const char* Next(const char* pszDelimiters);
    // The delimiter that ended the last piece; 0 when it ran to the end of the text.
    char GetLastDelimiter() const { return m_chLast; }

private:
    std::string m_text;
    size_t m_nPos = 0;
    char m_chLast = 0;
};

// A window drawn from a layout script: the front-end menus, the message and option dialogs,
// the heads-up display and the frame of the 3D view. The script is parsed once into blocks and
// items that are walked every frame; items draw through the drawing context or place widget
// windows held in the layout's record lists, and clicks and typed lines come back as command
// text. Abstract: the application supplies the meaning of argument texts, its own keywords,
// the catalog and display manager, and runs the commands. Screens and dialogs own their
// layouts; the display manager keeps a list of them to release their surfaces.
class SLayout : public SWindow {
    DECLARE_DYNAMIC(SLayout)

public:
    // Where an item's time goes in the frame's totals.
    enum TimeKind { kTimeGroup, kTimeText, kTimeImage, kTimeControl, kTimeSprite };
    static constexpr int kMaxArgPasses = 50;
    // How deep blocks may nest. A screen's layouts nest a handful of blocks (the demo's three
    // at most), and every level is walked by recursion each frame, so a script nested far deeper
    // (a damaged or hostile file) is cut at the block that would go past this, and nothing after
    // it is kept.
    static constexpr int kMaxNesting = 64;
    static constexpr int32_t kButtonIdBase = 0;
    static constexpr int32_t kSliderIdBase = 1000;
    static constexpr int32_t kEditIdBase = 2000;

    // The colour is the tool-tip control's background.
    explicit SLayout(sys::COLORREF crToolTipBack = 0);
    ~SLayout() override;
    SLayout(const SLayout&) = delete;
    SLayout& operator=(const SLayout&) = delete;

    // The per-frame walk of the block tree (the layout's own windows are drawn by their items).
    int Draw(SDC* pDC) override;
    // Never the layout itself: its windows, then the parent's other windows that are not
    // layouts, so a layout covering a screen lets the screen's windows be hit.
    SWindow* ChildFromPoint(int x, int y, uint32_t nValue) override;
    // Clicks on the layout's buttons and sliders become their command texts.
    void OnNotify(uint32_t nID, int32_t nCode) override;
    // Layouts draw no background of their own.
    void DrawBackground(SDC* pDC) override;

    // Skipped while widget windows were created in this frame (the frame is drawn again).
    virtual void DrawChildWindow(SWindow* pWindow, SDC* pDC);
    virtual void OnInitialUpdate();
    virtual void SetDepth(int32_t nDepth);
    virtual int32_t GetDepth();
    virtual void ClearScript();
    virtual void ParseScript();
    // Reads one argument list of the script being parsed into the item. The separators are
    // looked for in the argument text; with bKeep each found separator is an argument too.
    virtual void ReadBlockArgs(SLayoutItem* pItem, const char* const* apSeparators, int nSeparators, bool bKeep);
    virtual void PlayMouseOverSound();

    // The record lists. A created flag (may be null) tells whether a new object was made.
    virtual SSprite* LoadResource(const char* pszName, bool* pbCreated);
    virtual SDXSurface* LoadImageSurface(const char* pszName, bool* pbCreated);
    virtual SDXSurface* GetCacheSurface(const char* pszName, int nWidth, int nHeight, bool* pbCreated);
    virtual SButton* GetButton(const char* pszName, SLayoutItem* pOwner, bool* pbCreated);
    virtual SFont* LoadResourceAlt(const char* pszName, bool* pbCreated);
    virtual SSlider* GetSlider(const char* pszName, SLayoutItem* pOwner, bool* pbCreated);
    virtual SEditBox* GetEdit(const char* pszName, SLayoutItem* pOwner, bool* pbCreated);
    virtual SLayoutResList& GetSpriteList();
    virtual SLayoutResList& GetSurfaceList();
    virtual SLayoutResList& GetButtonList();
    virtual SLayoutResList& GetFontList();
    virtual SLayoutResList& GetSliderList();
    virtual SLayoutResList& GetEditList();
    virtual void SetButtonCommand(SWindow* pWindow, const char* pszText);
    virtual void SetSliderCommand(SWindow* pWindow, const char* pszText);
    virtual void SetEditCommand(SWindow* pWindow, const char* pszText);
    virtual void SetButtonTip(SWindow* pWindow, const char* pszText);

    // The keyword factory of the engine's own items; null for any other word.
    virtual SLayoutItem* CreateItem(const char* pszWord);
    // Nothing calls it; kept so the later slots stay in place.
    virtual int LayoutHook(uint32_t nValue);
    // After a display rebuild. The surfaces come back through the next lookups; answers 1.
    virtual int RestoreSurfaces(SGraphics* pDisplay);
    // Before a display change: the surface records go. Answers 1.
    virtual int ReleaseSurfaces();

    // Supplied by the application.
    virtual SCatalog* GetCatalog() = 0;
    virtual SGraphics* GetDisplay() = 0;
    // Any text gives a value (numbers and named values, some relative to the block's
    // rectangle); pBlock is null for the conditions of if and depth blocks. Never fails.
    virtual int32_t GetValue(const char* pszArg, SDC* pDC, SLayoutGroup* pBlock) = 0;
    virtual float GetFloatValue(const char* pszArg, SDC* pDC, SLayoutGroup* pBlock) = 0;
    virtual CString GetText(const char* pszArg, SDC* pDC) = 0;
    // Items for the application's own keywords; null for every other word.
    virtual SLayoutItem* CreateAppItem(const char* pszWord) = 0;
    // Runs the text as one console line.
    virtual void OnCommand(const char* pszCommand) = 0;
    // Keyboard game input on (1) or off (0).
    virtual void EnableKeyboard(int bEnable) = 0;
    // Widget windows were created in this frame: the screen is painted again.
    virtual void OnWindowsCreated() = 0;

    virtual void MarkResources(bool bKeep);
    virtual void PurgeUnmarkedResources();

    // SWindow's text operations, visible beside the layout's own GetText.
    using SWindow::GetText;

    void SetScript(const char* pszScript);
    CString GetScript() const { return m_strScript; }
    void ShowAllGroups();
    // The background of the tip texts shown for the layout's buttons.
    void SetToolTipColour(sys::COLORREF crBack);
    SToolTipCtrl* GetToolTip() const { return m_pToolTip; }

    void AddTime(TimeKind eKind, uint32_t dwMilliseconds);
    uint32_t GetTime(TimeKind eKind) const;
    uint32_t GetLayoutTime() const { return m_dwLayoutTime; }
    SLayoutItemList& GetGroups() { return m_Groups; }
    bool IsScriptLoaded() const { return m_byScriptLoaded != 0; }
    // The last parse stopped at a block nested deeper than kMaxNesting.
    bool IsScriptCut() const { return m_byScriptCut != 0; }
    // Whether the script's blocks nest deeper than kMaxNesting, read with the engine's own
    // keywords (the application's are taken as words without arguments). For readers that
    // name the file they refuse before a layout is given the script.
    static bool NestsTooDeep(const char* pszScript);
    bool IsInitialised() const { return m_byInitialised != 0; }
    int32_t GetWindowsCreated() const { return m_iWindowsCreated; }
    void AddWindowsCreated() { ++m_iWindowsCreated; }
    // Changes whenever the layout's surfaces were given up, so that items holding one look it
    // up again instead of drawing from a released surface.
    uint32_t GetSurfaceGeneration() const { return m_dwSurfaceGeneration; }

    // The separator table of every argument list but an if block's.
    static const char* const s_aComma[1];

protected:
    // Appends the item to the block and makes it part of this layout.
    void AttachItem(SLayoutItem* pItem, SLayoutGroup* pBlock);
    void DeleteGroups();

    uint32_t m_dwGroupTime = 0;
    uint32_t m_dwTextTime = 0;
    uint32_t m_dwImageTime = 0;
    uint32_t m_dwControlTime = 0;
    uint32_t m_dwSpriteTime = 0;
    CString m_strScript;
    SLayoutItemList m_Groups;
    int32_t m_iDepth = 32767;
    uint8_t m_byScriptLoaded = 0;
    uint8_t m_byEnterWasUp = 1;
    uint8_t m_byInitialised = 0;
    SToolTipCtrl* m_pToolTip = nullptr;  // owned; a child window of the layout while it lives
    int32_t m_iWindowsCreated = 0;
    uint32_t m_dwLayoutTime = 0;
    SLayoutResList m_Sprites;
    SLayoutResList m_Surfaces;
    SLayoutResList m_Buttons;
    SLayoutResList m_Fonts;
    SLayoutResList m_Sliders;
    SLayoutResList m_Edits;
    uint32_t m_dwSurfaceGeneration = 0;
    uint8_t m_byRedrawing = 0;
    uint8_t m_byScriptCut = 0;
    // Live only while ParseScript runs.
    SLayoutTokenizer* m_pTokenizer = nullptr;
};
