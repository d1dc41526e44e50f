#pragma once

#include <cstdint>
#include <vector>

#include "core/SResource.h"
#include "sys/classlib/CObList.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CStringList.h"
#include "sys/classlib/CTypedPtrList.h"
#include "sys/gdi/gdi.h"
#include "sys/window/window.h"

class CArchive;
class SCatalog;
class SDC;
class SFont;
class SWindowList;

// The base of every on-screen element of the interface: screens, dialogs, widgets and layout
// windows. The windows form a retained tree of our own inside the one main window; the current
// screen routes each window message into it (SendMessage): mouse messages to the capture window
// or the topmost visible window under the pointer, keys to the focus window, and unhandled
// events bubble up to the parent. A window owns its children and deletes them with itself; its
// images and sounds come from the catalog or from files and sit in the resource array.
//
// The virtual operations keep one fixed order after the resource's; screens, dialogs and the
// widgets override them slot by slot.
class SWindow : public SResource {
    DECLARE_SERIAL(SWindow)

public:
    // Style bits the tree itself reads; the low bits belong to the widgets.
    static constexpr uint32_t kStyleTabStop = 0x00010000;
    static constexpr uint32_t kStyleNoParentNotify = 0x08000000;
    // Notification codes carried in lParam of WM_NOTIFY (wParam is the sender's id).
    static constexpr int32_t kNotifyClick = -2;
    static constexpr int32_t kNotifyEditKey = 1024;
    static constexpr sys::COLORREF kDefaultForeColor = 0x00FF00;
    // Windows stored by this program carry this schema word.
    static constexpr uint32_t kSchemaWord = 4;

    SWindow();
    ~SWindow() override;
    SWindow& operator=(const SWindow&) = delete;

    void Serialize(CArchive& ar) override;
    // Gives back the loaded resources (only an owner does) and leaves the parent.
    void Unload() override;
    SResource* Clone(SResource* pTarget) override;
    bool RemoveReference(SResource* pResource) override;
    // Turns the resource names into entries of the resource array: "id;" names through the
    // catalog, other names as files, wave files as sounds and anything else as images. Then the
    // children load. True when every catalog name could be asked for.
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override;
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override;

    virtual void SetFocus();
    virtual uint32_t SetStyle(uint32_t dwStyle);
    // bOnlyThis false: also true when any descendant holds the focus.
    virtual bool HasFocus(bool bOnlyThis);
    // Copies the images of this subtree onto one surface and remembers each image's place there
    // as its source rectangle, so that drawing is a blit from that surface. rptCursor is where
    // the next image goes; (0, 0) starts a new packing. False when the surface is full.
    virtual bool PackImages(SDC* pDC, int nWidth, int nHeight, sys::POINT& rptCursor);
    // rcWindow is relative to the parent's top-left corner. The class name and the create
    // context are not used.
    virtual bool Create(const char* pszClassName, const char* pszText, uint32_t dwStyle, const sys::RECT& rcWindow,
                        SWindow* pParent, uint32_t nID, void* pCreateContext);
    // Answers the previous font. The window does not own its font.
    virtual SFont* SetFont(SFont* pFont);
    virtual int Draw(SDC* pDC);
    // The per-frame walk. The value is handed down unchanged; callers pass their drawing
    // context in it, so it is pointer-sized.
    virtual int Update(uintptr_t nValue);
    virtual void AddChild(SWindow* pChild);
    virtual void SortChildrenByHeight();
    // The whole subtree moves by the change of the top-left corner.
    virtual void MoveWindow(const sys::RECT& rcWindow);
    virtual CString& GetText(CString& strText);
    virtual void SetText(const char* pszText);
    // The deepest, topmost visible window under the point, or null. nValue is not used.
    virtual SWindow* ChildFromPoint(int x, int y, uint32_t nValue);
    virtual SDC* GetDC();
    // Does nothing; kept so the later slots stay in place.
    virtual void WindowHook(uint32_t nValue);
    virtual uint8_t SetPaintBackground(uint8_t byPaint);
    virtual uint8_t SetOwnPacking(uint8_t byOwn);
    virtual uint8_t GetOwnPacking();
    virtual SDC* GetPackingDC();
    virtual sys::COLORREF GetForeColor() const;
    virtual void OnActivate(uint32_t nState, uint32_t bMinimized);
    virtual void OnMouseMove(uint32_t nFlags, int x, int y);
    virtual void OnLButtonDown(uint32_t nFlags, int x, int y);
    virtual void OnLButtonDblClk(uint32_t nFlags, int x, int y);
    virtual void OnRButtonDown(uint32_t nFlags, int x, int y);
    // Bubbles, then tells the parent of a click (WM_NOTIFY, this id, kNotifyClick).
    virtual void OnLButtonUp(uint32_t nFlags, int x, int y);
    virtual void OnRButtonUp(uint32_t nFlags, int x, int y);
    virtual void OnKeyDown(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags);
    // Notifications, timers and wheel turns always go on to the parent, whatever the style.
    virtual void OnNotify(uint32_t nID, int32_t nCode);
    virtual void OnChar(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags);
    virtual void OnTimer(uintptr_t nIDEvent);
    virtual void OnNcMouseMove(uint32_t nHitTest, int x, int y);
    virtual void OnMouseWheel(uint32_t nFlags, int16_t zDelta, int x, int y);
    // Screens move the focus among their children; a plain window does nothing.
    virtual void OnNextDlgCtl(bool bForward, SWindow* pTarget);
    virtual void SetMouseOver();
    virtual void DrawBackground(SDC* pDC);
    virtual void Paint(SDC* pDC);

    // Routes one window message into the tree below this window (the root); answers 0.
    intptr_t SendMessage(uint32_t nMessage, uintptr_t wParam, intptr_t lParam);

    SWindow* GetParent() const { return m_pParent; }
    // Leaves the old parent's children and joins the new parent's (on top); answers the old one.
    SWindow* SetParent(SWindow* pNewParent);
    // The first direct child with that id; null when none.
    SWindow* FindChild(uint32_t nID) const;
    // The window with that id anywhere below this one, nearer levels first: dialogs built from
    // layouts keep their controls inside the layout window, not as direct children.
    SWindow* FindDescendant(uint32_t nID) const;
    uint32_t GetStyle() const { return m_dwStyle; }
    void SetNotifyParent(bool bNotify);
    void BringToTop();
    void SendToBack();
    // With bFit the window first takes the resource's width and height, keeping its corner.
    void AddResource(SResource* pResource, bool bFit);
    void AddResourceName(const char* pszName);
    // Draws entry nIndex of the resource array: from the own packing surface, else from the
    // current source context, when it was packed there; else the image itself. False for a null
    // context or a bad index.
    bool DrawResourceImage(SDC* pDC, const sys::RECT& rect, int nIndex);
    // From the source context when the image was packed into it, else the image itself.
    static void DrawPackedImage(SDC* pDC, const sys::RECT& rect, SResource* pImage, SDC* pSource);

    const sys::RECT& GetWindowRect() const { return m_rcWindow; }
    uint32_t GetID() const { return m_nID; }
    void SetID(uint32_t nID) { m_nID = nID; }
    bool IsVisible() const { return m_bVisible != 0; }
    void SetVisible(bool bVisible) { m_bVisible = bVisible ? 1 : 0; }
    bool IsCreated() const { return m_bCreated != 0; }
    bool IsLoaded() const { return m_byLoaded != 0; }
    bool GetSoundFlag() const { return m_bSound != 0; }
    void SetSoundFlag(bool bSound) { m_bSound = bSound ? 1 : 0; }
    uint8_t GetModalParent() const { return m_byModalParent; }
    void SetModalParent(uint8_t byModal) { m_byModalParent = byModal; }
    SFont* GetFont() const { return m_pFont; }
    bool OwnsResources() const { return m_bOwnsResources != 0; }
    SWindowList* GetChildren() const { return m_pChildren; }
    CStringList& GetResourceNames() { return m_ResourceNames; }

    // The tree's shared roles. Each belongs to one window at a time, or to none.
    static SWindow* GetCapture() { return s_pCapture; }
    static void SetCapture(SWindow* pWindow) { s_pCapture = pWindow; }
    static SWindow* GetFocus() { return s_pFocus; }
    static void SetFocusWindow(SWindow* pWindow) { s_pFocus = pWindow; }
    static SWindow* GetMouseOver() { return s_pMouseOver; }
    static sys::POINT GetLastMousePosition() { return s_ptLastMouse; }
    // The context holding the current screen's background picture; null by default.
    static void SetGlobalBackdrop(SDC* pDC) { s_pGlobalBackdrop = pDC; }
    static SDC* GetGlobalBackdrop() { return s_pGlobalBackdrop; }
    // The context whose surface holds the packed images of the windows being drawn.
    static void SetSourceDC(SDC* pDC) { s_pCurrentSourceDC = pDC; }
    static SDC* GetSourceDC() { return s_pCurrentSourceDC; }
    static void SetPackingRowBottom(int32_t nBottom) { s_iPackRowBottom = nBottom; }
    static int32_t GetPackingRowBottom() { return s_iPackRowBottom; }
    // The catalog that "id;" names are looked up in: the hub's, handed over by the application
    // once it has opened it. The window tree does not own it.
    static void SetResourceCatalog(SCatalog* pCatalog) { s_pCatalog = pCatalog; }
    static SCatalog* GetResourceCatalog() { return s_pCatalog; }

protected:
    // Loads the resources even when the window was loaded before, keeping the loaded flag,
    // then offers every loaded font in turn through SetFont (the last wins) unless a font is
    // set: lists and combo boxes take their fonts from what they load.
    bool LoadTakingFonts(CStringArray* pSearchFolders, uintptr_t dwFlags);
    bool LoadTakingFonts(const CString& strFolder, uintptr_t dwFlags);

    // A window sharing the source's resources (not owning them), put beside it under the same
    // parent; used by widgets that duplicate themselves.
    SWindow(const SWindow& other);

    bool IsNotifyingParent() const { return m_pParent != nullptr && (m_dwStyle & kStyleNoParentNotify) == 0; }
    // Places one image on a packing surface: in the current row while it fits the width, else
    // on a new row one pixel below the row; false when that row ends below nHeight.
    static bool PlaceImage(SDC* pDC, SResource* pImage, int nWidth, int nHeight, sys::POINT& rptCursor,
                           int32_t& rnRowBottom);
    bool PackOwnImages(SDC* pDC);
    bool LoadNames(CStringArray* pSearchFolders, const CString* pFolder, uintptr_t dwFlags);
    bool IsMadeHere(const SResource* pResource) const;

    CStringList m_ResourceNames;
    sys::COLORREF m_crFore = kDefaultForeColor;
    uint32_t m_dwStyle = 0;
    sys::RECT m_rcWindow;
    CString m_strText;
    SWindow* m_pParent = nullptr;   // not owned
    SWindowList* m_pChildren;       // owned with the children in it; never null
    int32_t m_bCreated = 0;
    int32_t m_bSound = 0;
    uint32_t m_nID = 0;
    int32_t m_bVisible = 1;
    uint8_t m_byModalParent = 0;
    uint8_t m_byLoaded = 0;
    uint8_t m_byPaintBackground = 1;
    uint8_t m_byOwnPacking = 0;
    SDC* m_pLastDC = nullptr;
    SDC* m_pOwnPackingDC = nullptr;  // owned
    SFont* m_pFont = nullptr;        // not owned
    int32_t m_bOwnsResources = 1;
    // The images and sounds this window made itself from their files (owned; freed at Unload,
    // whoever else holds the catalog or the other resources).
    std::vector<SResource*> m_MadeResources;

    static SWindow* s_pCapture;
    static SWindow* s_pFocus;
    static SWindow* s_pMouseOver;
    static sys::POINT s_ptLastMouse;
    static SDC* s_pGlobalBackdrop;
    static SDC* s_pCurrentSourceDC;
    static int32_t s_iPackRowBottom;
    // Images already placed on the shared packing surface; only compared, never dereferenced.
    static std::vector<SResource*> s_PackedImages;
    static SCatalog* s_pCatalog;
};

// The children of a window, in drawing order: head drawn first (bottom), tail last (top). A
// class rather than an alias so that it can be named before SWindow is complete.
class SWindowList : public CTypedPtrList<CObList, SWindow*> {};
