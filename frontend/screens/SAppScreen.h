#pragma once

#include <cstdint>
#include <vector>

#include "ui/SScreen.h"

class SButtonSlide;
class SFont;
class SGraphics;
class SSprite;
class SToolTipCtrl;

// The base of every full-screen page of the front end. It fetches the page's layout from the
// catalog, gives it the interface sounds, plays a voice-over, the shared ambient loop and the
// music when the page is first drawn, drives the slide of the layout's buttons and turns the
// end of a slide into OnSlideDone, where the derived page navigates. The screen manager owns
// every page; the page owns its slide and tool tips and holds one catalog use of its layout.
class SAppScreen : public SScreen {
    DECLARE_DYNAMIC(SAppScreen)

public:
    SAppScreen();
    ~SAppScreen() override;

    // SScreen's handler: the click sounds. Derived pages handle their commands here.
    void OnNotify(uint32_t nID, int32_t nCode) override;
    // Draws the tree, then starts the sounds once per visit and latches a finished slide.
    int Draw(SDC* pDC) override;
    // Loads the interface sounds once for all pages and hands them to the layout.
    bool CreateScreen(const char* pszClassName, const char* pszText, uint32_t dwStyle, const sys::RECT& rcWindow,
                      SWindow* pOwner, uint32_t nID, void* pCreateContext) override;
    void Activate() override;
    void Deactivate() override;
    using SScreen::Update;
    // The per-frame step: the slide, or OnSlideDone once its end has been latched.
    void Update() override;

    // Fetches the layout and its fonts and builds the tool tips; true when a layout was found.
    virtual bool Initialise();
    virtual SScreen* GetLayout();
    virtual const char* GetTitle();
    virtual const char* GetLayoutGroup();
    virtual const char* GetAmbientLoopName();
    // Sound keys ending with a null entry, or null for none.
    virtual const char* const* GetVoiceOverList();
    virtual const char* GetMusicName();
    virtual const char* GetLayoutName();
    // Told before and after a display-mode change.
    virtual void ReleaseDeviceObjects();
    virtual void RestoreDeviceObjects(SGraphics* pDisplay);
    // The base step plays the layout's close sound once per visit. Update calls this on every
    // frame once a slide's end is latched, so what a page adds must be harmless to repeat.
    virtual void OnSlideDone();
    virtual void StartVoiceOver();
    virtual void StartAmbientLoop();
    virtual void StartMusic();
    // 1 slides in, 0 slides out.
    virtual void StartSlide(int nDirection);
    // Sizes the main window for play at the configured game resolution.
    virtual void PlaceMainWindow();
    // Back to the 640 x 480 of the menus.
    virtual void RestoreMenuResolution();
    virtual void ReleaseSoundsExceptInterface();

    // The direction of the last slide started (1 in, 0 out).
    int GetSlideDirection() const;
    // True once an outward slide started in this visit has ended: the only moment a page may
    // switch to another.
    bool HasSlidOut() const;
    // Switches to the screen when an outward slide has ended; the end of an inward slide
    // changes nothing. True when it switched; when the screen cannot be had, this page's
    // buttons slide back in.
    bool SwitchAfterSlideOut(int nScreenId);

    SButtonSlide* GetButtonSlide() const { return m_pButtonSlide; }
    SToolTipCtrl* GetToolTips() const { return m_pToolTips; }
    int GetVoiceOverId() const { return m_iVoiceOver; }
    bool IsSlideFinished() const { return m_bySlideFinished != 0; }
    bool IsSlideLatched() const { return m_bySlideLatched != 0; }
    int GetSavedModeWidth() const { return m_iSavedModeWidth; }
    int GetSavedModeHeight() const { return m_iSavedModeHeight; }

    static void SetMaleVoiceOvers(bool bMale) { s_bMaleVoiceOvers = bMale ? 1 : 0; }
    static bool GetMaleVoiceOvers() { return s_bMaleVoiceOvers != 0; }
    static int GetMusicId() { return s_iMusic; }
    static int GetAmbientId() { return s_iAmbient; }
    // Interface sounds in the order click, button, mouse over, open, close, cube turn.
    static const int* GetInterfaceSoundIds() { return s_aInterfaceSounds; }
    // Picks one entry of a null-terminated list: the k-th (from 1) replaces the choice when a
    // draw r satisfies r % 100 < 100 / k, so each of n entries wins about once in n. Null for
    // an empty or missing list.
    static const char* ChooseVoiceOver(const char* const* ppList);

    static constexpr sys::COLORREF kToolTipColour = 0x467888;
    static constexpr int kInterfaceSoundCount = 6;

protected:
    // A sprite of the catalog, registered with the display so its surface follows every
    // display-mode change; null when the catalog has none of that name.
    SSprite* LoadCatalogSprite(const char* pszName, const char* pszGroup);
    // Unregisters and gives back a sprite LoadCatalogSprite made; null afterwards.
    void ReleaseCatalogSprite(SSprite*& pSprite);

    SScreen* m_pLayout = nullptr;  // one catalog use; a child of this screen
    int32_t m_iVoiceOver = -1;
    int32_t m_bVoiceOverStarted = 0;
    int32_t m_bAmbientStarted = 0;
    int32_t m_bMusicStarted = 0;
    SButtonSlide* m_pButtonSlide;  // owned
    int32_t m_iSavedModeWidth = 0;
    int32_t m_iSavedModeHeight = 0;
    uint8_t m_bySlideFinished = 0;
    uint8_t m_bySlideLatched = 0;
    SToolTipCtrl* m_pToolTips = nullptr;  // owned
    int32_t m_bSlideDoneHandled = 0;

private:
    void LoadInterfaceSounds();
    void ReloadLayoutFonts();
    void CreateToolTips();
    // The page and its layout take the size, and the display is built again for its mode size.
    void ResizeDisplay(int nWidth, int nHeight);

    uint8_t m_bySlideStarted = 0;  // a slide was started in this visit
    std::vector<SFont*> m_RegisteredFonts;  // told to the display manager; not owned

    static int s_aInterfaceSounds[kInterfaceSoundCount];
    static int s_iMusic;
    static int s_iAmbient;
    static uint8_t s_bMaleVoiceOvers;
};
