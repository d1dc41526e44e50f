#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dx/display/SDisplayHooks.h"
#include "ui/SDisplayHost.h"
#include "ui/SSurfaceDC.h"

class CString;
class SDialog;
class SGraphics;

// Makes the game's generic dialogs ("Generic" layouts "YesNo", "OK", "Password") and sets their
// dialog value. The front end installs one; until it does, the dialogs cannot be made.
class SGenericDialogFactory {
public:
    virtual ~SGenericDialogFactory() = default;
    // A new dialog owned by the caller, or null when the layout cannot be made.
    virtual SDialog* CreateDialog(const char* group, const char* layout) = 0;
    virtual void SetDialogValue(SDialog* dialog, uint32_t value) = 0;
};

// The interface toolkit's side of the display manager: it registers sprites, fonts, layouts and
// surface contexts with the display manager, keeps the drawing contexts on its back buffer and
// interface surfaces, the default font and the current screen, draws that screen each frame, and
// runs the game's message, notice and password dialogs. Made and installed by start-up
// (Install); it does not own the display manager.
class SGraphicsHost : public SDisplayHost, public SSurfaceDCRegistry, public SDisplayClient {
public:
    explicit SGraphicsHost(SGraphics* graphics);
    ~SGraphicsHost() override;
    SGraphicsHost(const SGraphicsHost&) = delete;
    SGraphicsHost& operator=(const SGraphicsHost&) = delete;

    // Becomes the toolkit's display host, the contexts' registry and the display manager's
    // client; Uninstall undoes all three (only where it is still the one installed).
    void Install();
    void Uninstall();

    // --- SDisplayHost ---
    int DialogIdle() override;
    int RenderFrameWithoutCursor() override;
    SWindow* GetCurrentScreen() override { return m_pCurrentScreen; }
    void SetCurrentScreen(SWindow* pScreen) override { m_pCurrentScreen = pScreen; }
    void AddSprite(SSprite* pSprite) override;
    void RemoveSprite(SSprite* pSprite) override;
    void AddFont(SFont* pFont) override;
    void RemoveFont(SFont* pFont) override;
    void AddLayout(SLayout* pLayout) override;
    void RemoveLayout(SLayout* pLayout) override;

    // --- SSurfaceDCRegistry ---
    SDXDraw* GetDisplay() override;
    void AddSurfaceDC(SSurfaceDC* pDC) override;
    void RemoveSurfaceDC(SSurfaceDC* pDC) override;

    // --- SDisplayClient ---
    void AttachInterfaceSurfaces(SDXSurface* source, SDXSurface* background) override;
    void ReplaceBackgroundSurface(SDXSurface* background) override;
    void DetachInterfaceSurfaces() override;
    void BeginBackDC(SDXSurface* back) override;
    void EndBackDC() override;
    void DrawScreen() override;
    void UpdateScreen() override;
    void GiveScreenDefaultFont() override;
    void DropDefaultFontCache() override;

    // Drops the current default font (unregistered and released through the catalog); with a
    // name, takes the catalog's font of that name, gives it the spacing and registers it.
    void SetDefaultFont(const CString& name, int spacing);
    SFont* GetDefaultFont() const { return m_pDefaultFont; }
    // A new context on the primary surface, not owning it; null without a primary surface.
    SSurfaceDC* CreatePrimaryDC();
    SSurfaceDC* GetBackDC() { return &m_BackDC; }
    SSurfaceDC* GetSourceDC() const { return m_pSourceDC; }
    SSurfaceDC* GetBackgroundDC() const { return m_pBackgroundDC; }

    // The game's modal dialogs. Each answers the dialog's result (1: yes or OK), or 0 when the
    // dialog cannot be made or the same message is open already.
    int MessageDialog(const char* text, int yesNo, SWindow* parent, uint32_t value);
    int NoticeDialog(const char* text, int yesNo, SWindow* parent);
    int PasswordDialog(const char* prompt, CString& text, SWindow* parent, uint32_t value);
    void SetDialogFactory(SGenericDialogFactory* factory) { m_pDialogFactory = factory; }

    SGraphics* GetGraphics() const { return m_pGraphics; }

private:
    int RunTextDialog(const char* layout, const char* text, SWindow* parent, const uint32_t* value);
    // Runs the dialog under the parent with a context on the back buffer, then deletes both.
    // textChild, when given, gives back the growth of the box made for its text.
    int RunModal(SDialog* dialog, SWindow* parent, const uint32_t* value, SWindow* textChild = nullptr,
                 int grown = 0);

    SGraphics* m_pGraphics;
    SSurfaceDC m_BackDC;
    SSurfaceDC* m_pSourceDC = nullptr;
    SSurfaceDC* m_pBackgroundDC = nullptr;
    SFont* m_pPreviousFont = nullptr;
    SWindow* m_pCurrentScreen = nullptr;
    SFont* m_pDefaultFont = nullptr;
    SGenericDialogFactory* m_pDialogFactory = nullptr;
    // The layout and text of each message dialog running, innermost last.
    std::vector<std::string> m_OpenQuestions;
    // One adapter per registration, handed to the display manager's registries.
    std::vector<std::unique_ptr<SSurfaceOwner>> m_Owners;
};
