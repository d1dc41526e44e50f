#pragma once

#include <cstdint>

#include "ui/SWindow.h"

class SDXSoundBuffer;

// The base of every full screen and every dialog (resource kind 14, "Screens"): a window with a
// background picture, six interface sounds it plays when its controls are clicked, movement of
// the keyboard focus among its controls, and the hooks the screen manager calls when the screen
// becomes current, stops being current, and once per frame. The screen manager owns its
// screens. The sounds are the sound manager's buffers, shared and never released here.
class SScreen : public SWindow {
    DECLARE_SERIAL(SScreen)

public:
    SScreen();
    ~SScreen() override;

    // Forgets the sounds (they are not ours) and unloads as a window; the background stays.
    void Unload() override;
    // Load as a window, then take the indices from the number of loaded entries: the
    // background first, then the sounds.
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override;
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;
    // Packs the children; the background is drawn from the backdrop at the screen's place, so
    // its source rectangle becomes the screen's rectangle.
    bool PackImages(SDC* pDC, int nWidth, int nHeight, sys::POINT& rptCursor) override;
    // Plays the interface sound of a click on a direct child, then passes the notification on.
    void OnNotify(uint32_t nID, int32_t nCode) override;
    void OnNextDlgCtl(bool bForward, SWindow* pTarget) override;
    // The background picture, or a double blue frame when there is none.
    void DrawBackground(SDC* pDC) override;
    void Paint(SDC* pDC) override;

    virtual void PlayCloseSound();
    virtual void PlayOpenSound();
    // Keeps the style, the rectangle (screen coordinates, unchanged) and the owner window; the
    // screen joins no tree here.
    virtual bool CreateScreen(const char* pszClassName, const char* pszText, uint32_t dwStyle,
                              const sys::RECT& rcWindow, SWindow* pOwner, uint32_t nID, void* pCreateContext);
    virtual void Activate();
    virtual void Deactivate();
    // The per-frame step of the current screen, distinct from the tree walk Update(value).
    using SWindow::Update;
    virtual void Update();

    // Entries 1 to 6: click, button, open, close, cube turn, mouse over.
    void SetInterfaceSounds(SDXSoundBuffer* pClick, SDXSoundBuffer* pButton, SDXSoundBuffer* pOpen,
                            SDXSoundBuffer* pClose, SDXSoundBuffer* pCubeTurn, SDXSoundBuffer* pMouseOver);
    // Entries 1 and 2: click and mouse over.
    void SetTwoSounds(SDXSoundBuffer* pClick, SDXSoundBuffer* pMouseOver);
    void PlayMouseOverSound();
    SResource* GetBackgroundImage() const;
    SResource* SetBackgroundImage(SResource* pImage);
    static bool SetCurrentSourceDC(SDC* pDC);

    SWindow* GetOwner() const { return m_pOwner; }
    int GetBackgroundIndex() const { return m_iBackground; }
    int GetClickSoundIndex() const { return m_iClickSound; }
    int GetMouseOverSoundIndex() const { return m_iMouseOverSound; }
    int GetButtonSoundIndex() const { return m_iButtonSound; }
    int GetCloseSoundIndex() const { return m_iCloseSound; }
    int GetCubeTurnSoundIndex() const { return m_iCubeTurnSound; }
    int GetOpenSoundIndex() const { return m_iOpenSound; }

protected:
    // The interface sound of a notification from a direct child.
    void PlayNotifySound(uint32_t nID, int32_t nCode);
    // Rewinds the buffer at that entry and plays it once; nothing for -1 or a non-buffer.
    void PlaySoundAt(int nIndex);
    void SetIndicesFromEntries();
    void ClearSoundEntries();

    int32_t m_iBackground = -1;
    int32_t m_iClickSound = -1;
    int32_t m_iMouseOverSound = -1;
    int32_t m_iButtonSound = -1;
    int32_t m_iCloseSound = -1;
    int32_t m_iCubeTurnSound = -1;
    int32_t m_iOpenSound = -1;
    SWindow* m_pOwner = nullptr;  // not owned; never read by the screen itself
};

// Lets the resource factory make screens (kind 14). Called once at start-up.
void RegisterScreenResourceKind();
