#pragma once

#include <cstdint>

#include "sys/window/window.h"
#include "ui/SDialog.h"
#include "ui/SGraphicsHost.h"

class CConfigData;
class SAppScreen;
class SButtonSlide1;
class SGameObjects;

// The base of every front-end dialog: the option dialogs the settings page embeds, the message
// and text-entry dialogs of the display manager, the patch download and the officer dialogs.
// It shows a dialog layout from the catalog centred over the display (or at a given place),
// slides it in from the right, gives it the interface sounds and, run modally, keeps its owning
// page drawn behind it while a joystick or light gun may drive the mouse. Owned by whoever
// opens it; it owns its slide and its two drawing contexts and gives the layout back to the
// catalog.
class STransparantDialog : public SDialog {
    DECLARE_DYNAMIC(STransparantDialog)

public:
    static constexpr const char* kSoundGroup = "Interface";
    static constexpr int kDialogsKind = 11;
    static constexpr sys::COLORREF kColourKey = 0xFF00FF;
    // The result of a dialog ended by closing the program.
    static constexpr int kCancel = 2;
    static constexpr const char* kRestartText =
        "Some graphics cards may require that you restart the game before the new settings take effect.";
    // The interface sounds shared by every dialog, in the order of s_aiSounds.
    enum Sound { kClick, kButton, kMouseOver, kOpen, kClose, kCubeTurn, kSoundCount };

    // The layout is the catalog's dialog "group:name". Without a hub the program's one is used.
    STransparantDialog(const char* pszGroup, const char* pszName, SGameObjects* pHub = nullptr);
    ~STransparantDialog() override;
    STransparantDialog(const STransparantDialog&) = delete;
    STransparantDialog& operator=(const STransparantDialog&) = delete;

    // --- SDialog ------------------------------------------------------------------------------
    // Latches a slide that finished at the last step.
    int Draw(SDC* pDC) override;
    // The layout plays its open sound.
    void Activate() override;
    // Steps the slide; once it is latched, the slide-done step runs instead.
    using SDialog::Update;
    void Update() override;
    // Prepares and runs the modal loop; answers the id of the layout button that ended it.
    int DoModal(SDC* pDC) override;

    // --- Its own ------------------------------------------------------------------------------
    // Places the layout and gives it contexts the size of its background image.
    virtual void Prepare(int nUnused);
    // Option dialogs write their values to the configuration here.
    virtual void Save();
    // The layout's direct child with the id, or null.
    virtual SWindow* FindControl(uint32_t nID);
    // Once per slide: the layout plays its close sound.
    virtual void OnSlideDone();
    virtual void StartSlide(int nDirection);
    virtual int GetAnswer();

    // For derived dialogs.
    void SetCheck(uint32_t nID, int nCheck);
    void SetSliderPos(uint32_t nID, int nPos);
    CConfigData* GetConfig() const;
    // Shows the restart notice when the restart-warning flag is set; clears the flag.
    void ShowRestartWarning();

    void SetExplicitRect(const sys::RECT& rect) {
        m_rcExplicit = rect;
        m_byExplicitPos = 1;
    }
    void SetCentred() { m_byExplicitPos = 0; }
    void SetRestartWarning(bool bOn) { m_byRestartWarning = bOn ? 1 : 0; }
    bool GetRestartWarning() const { return m_byRestartWarning != 0; }
    void SetOwnerPage(SAppScreen* pOwner) { m_pOwnerPage = pOwner; }
    SAppScreen* GetOwnerPage() const { return m_pOwnerPage; }
    SDialog* GetLayout() const { return m_pLayout; }
    SButtonSlide1* GetSlide() const { return m_pSlide; }
    bool IsSlideFinished() const { return m_bySlideFinished != 0; }
    bool IsSlideLatched() const { return m_bySlideLatched != 0; }
    SDC* GetBackgroundDC() const { return m_pBackgroundDC; }

    static int GetSoundId(Sound eSound) { return s_aiSounds[eSound]; }
    // Back to "not loaded" (a new sound manager).
    static void ForgetSounds();

protected:
    // The layout's buttons, Return and Escape end the layout rather than this dialog.
    bool HasAnswer() const override;
    SGameObjects* GetHub() const;
    // One pass of the joystick or light gun acting as the mouse.
    void JoystickAsMouse();

private:
    void LoadInterfaceSounds();
    // A new context of the size from the current one, keyed magenta; null when none can be made.
    SDC* NewKeyedContext(int nWidth, int nHeight);

    SGameObjects* m_pHub = nullptr;
    uint8_t m_byExplicitPos = 0;
    sys::RECT m_rcExplicit = {0, 0, 0, 0};
    uint8_t m_byRestartWarning = 0;
    SAppScreen* m_pOwnerPage = nullptr;  // not owned
    SButtonSlide1* m_pSlide = nullptr;
    uint8_t m_bySlideFinished = 0;
    uint8_t m_bySlideLatched = 0;
    uint8_t m_bySlideDoneHandled = 0;
    SDialog* m_pLayout = nullptr;        // the catalog's; given back by the destructor
    SDC* m_pBackgroundDC = nullptr;      // owned
    SDC* m_pOwnContext = nullptr;        // owned; the context the layout draws into

    static inline int s_aiSounds[kSoundCount] = {-1, -1, -1, -1, -1, -1};
};

// Makes the display manager's "Generic" dialogs ("YesNo", "OK", "Password") as option-dialog
// bases. Start-up installs one on the interface host (SGraphicsHost::SetDialogFactory) and
// keeps it for the rest of the run.
class STransparantDialogFactory : public SGenericDialogFactory {
public:
    explicit STransparantDialogFactory(SGameObjects* pHub = nullptr) : m_pHub(pHub) {}
    // Null when the catalog has no such layout.
    SDialog* CreateDialog(const char* group, const char* layout) override;
    // The value cannot name the owning page on this platform; the dialog keeps none.
    void SetDialogValue(SDialog* dialog, uint32_t value) override;

private:
    SGameObjects* m_pHub;
};
