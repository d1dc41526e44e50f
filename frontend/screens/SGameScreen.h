#pragma once

#include <cstdint>
#include <vector>

#include "app/SGameScreenLink.h"
#include "core/SString.h"
#include "frontend/screens/SAppScreen.h"

class SActiveLayout;
class SAppLayout;
class SDXSurface;
class SObjectDefList;
class SScrnShotLayout;
class STextureLayout;
class SViewModel;

// The screen on which a scenario is played (screen 11): the 3D view drawn by the heads-up
// layout, the game-logic library's overlay layouts, screenshots and first-person models. It
// starts the library's session when it becomes current, drives it every frame and ends it when
// the library reaches the end state. Made by the screen manager and kept until shut-down.
class SGameScreen : public SAppScreen, public SGameScreenLink {
    DECLARE_DYNAMIC(SGameScreen)

public:
    static constexpr int kScreenId = 11;
    static constexpr int kScenarioScreenId = 4;
    // The heads-up panel's height at the bottom of the display; clicks there are not shots.
    static constexpr int kPanelHeight = 102;
    static constexpr uint32_t kLockWaitDraw = 100;
    static constexpr uint32_t kLockWaitShow = 1000;

    SGameScreen();
    ~SGameScreen() override;

    // --- SWindow / SScreen / SAppScreen ---------------------------------------------------------
    int Draw(SDC* pDC) override;
    // The second drawing pass: passive overlays, the library's post-render hook, debug texts.
    int Update(uintptr_t nValue) override;
    void OnMouseMove(uint32_t nFlags, int x, int y) override;
    void OnLButtonDown(uint32_t nFlags, int x, int y) override;
    void OnRButtonDown(uint32_t nFlags, int x, int y) override;
    void OnLButtonUp(uint32_t nFlags, int x, int y) override;
    void OnRButtonUp(uint32_t nFlags, int x, int y) override;
    // The 3D view is the background.
    void DrawBackground(SDC* pDC) override;
    void Activate() override;
    void Deactivate() override;
    // The per-frame operation; the library's state is what the main loop sees.
    void Update() override;
    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetLayoutName() override;
    void ReleaseDeviceObjects() override;
    void RestoreDeviceObjects(SGraphics* pDisplay) override;

    // --- Its own --------------------------------------------------------------------------------
    virtual int CaptureTextureLayouts(SDC* pDC);
    virtual int DrawFlatSkin(SDC* pDC);
    virtual void RenderViewModelTexture();
    virtual void RemoveAllLayouts();
    virtual void DeleteViewModels();
    virtual void SetLayoutsRedraw(int nCount);
    void EndGame() override;
    int QueueScreenshot(int width, int height, uint8_t hideFlag, const char* pszLayout,
                        const char* pszFolder) override;
    virtual void ProcessScreenshot(SDC* pDC);
    virtual void MoveLayouts(const sys::RECT* pRect);
    int ModelCommand(int command, int a, float b, int c, int d, int e) override;
    virtual SViewModel* GetViewModel();
    virtual SViewModel* GetAttachment(int index);
    int ShowLayout(int kind, int id) override;
    int ShowTextureLayout(int show, int index, const char* pszLayout, float widthFactor, float heightFactor,
                          float xFactor, float yFactor) override;
    virtual void EndRendererSession();
    virtual int ClickCommand(int x, int y, int button);
    virtual void RemoveFlaggedLayouts();

    // Reads "a:b:c" (the third part ending at "[" or "]") into (a << 16) + (b << 8) + c.
    static int32_t PackColonTriple(const char* pszText);
    // Reads up to four comma-separated factors; each number read that is not negative replaces
    // its factor. Texts of any length are read safely.
    static void ReadAmbientFactors(const char* pszText, float factors[4]);
    // The renderer's switches as every session starts: all passes but the quads, no overlay,
    // every object drawn and every cell walked by the line test, neutral ambient factors.
    static void ResetRendererSettings();
    // Writes into the renderer what the scenario definition, the "HUD" and "ModelFlags"
    // definitions and the definition named by the library's scenario name choose.
    static void ApplyDefinitions(SObjectDefList* pDefs, const char* pszScenario, const char* pszScenarioName);
    // The console line a click on the world point (in map units) makes.
    static SString FormatClickLine(const SString& command, const float point[3], const float angles[2]);

    int GetRedrawCount() const { return m_iRedrawCount; }
    int GetEndState() const { return m_iEndState; }
    const SString& GetClickCommand(int button) const { return button == 0 ? m_sLeftClick : m_sRightClick; }
    const std::vector<SActiveLayout*>& GetActiveLayouts() const { return m_ActiveLayouts; }
    const std::vector<SActiveLayout*>& GetPassiveLayouts() const { return m_PassiveLayouts; }
    const std::vector<STextureLayout*>& GetTextureLayouts() const { return m_TextureLayouts; }
    const std::vector<SScrnShotLayout*>& GetScreenshots() const { return m_Screenshots; }
    bool HasExitRequest() const { return m_bExitRequest != 0; }

protected:
    // The world point and two angles under a screen point; false outside the 3D view.
    virtual bool ViewPointAt(int x, int y, float point[3], float angles[2]);
    // Makes an overlay's layout window; the in-game screen's tests may stand in.
    virtual SAppLayout* MakeOverlayLayout();
    virtual SViewModel* CreateViewModel(int index);

private:
    void SetupFromDefinitions();
    void RunSessionStart(SString& log);
    void ReportFailedStart(const SString& log);
    // Texture files the session could not read: the level is played without them, and the
    // player is told which files they were and why.
    void ReportUnreadableTextures();
    void DrawDebugTexts(SDC* pDC);
    // The debug lines of the client the hub's client index names.
    void DrawClientBlock(SDC* pDC);
    void SetThirdWorldVisible(bool bVisible);
    void SetViewModelsHidden(bool bHidden, float fOffset);
    void DetachAndDelete(SActiveLayout* overlay, bool bActive);

    std::vector<SActiveLayout*> m_ActiveLayouts;
    std::vector<SActiveLayout*> m_PassiveLayouts;
    std::vector<STextureLayout*> m_TextureLayouts;
    std::vector<SScrnShotLayout*> m_Screenshots;
    int32_t m_iEndState = -1;
    int32_t m_iRedrawCount = 2;
    SString m_sLeftClick;
    SString m_sRightClick;
    uint8_t m_bExitRequest = 0;
    int32_t m_iViewModelTexture = -1;
    int32_t m_iPrevViewModelTexture = -1;
    float m_fViewModelProjection[5] = {60.0f, 0.0f, 0.0f, 1.0f, 1.0f};
    SDXSurface* m_pTexturePassSurface = nullptr;  // owned
    SViewModel* m_pViewModel = nullptr;           // owned
    SViewModel* m_pAttachments[2] = {nullptr, nullptr};  // owned
    uint8_t m_bViewModelOverlay = 0;
    float m_fViewModelOffset = 0.0f;
};
