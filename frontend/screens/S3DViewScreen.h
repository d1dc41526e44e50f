#pragma once

#include <cstdint>

#include "core/SVector.h"
#include "frontend/screens/SAppScreen.h"

class SActor;
class SActorWorld;
struct SModelViewInfo;

// What a model-view page shows and how the user may move it: the view rectangle in screen
// pixels, two values for the model-view session record, whether the user may turn and zoom,
// the field-of-view bounds, the turning limits (degrees) and the model that turning moves.
struct view_desc_t {
    int32_t m_iLeft = 0;
    int32_t m_iTop = 0;
    int32_t m_iRight = 0;
    int32_t m_iBottom = 0;
    int32_t m_iSessionValue1 = 0;  // the record's field 4
    int32_t m_iSessionValue2 = 0;  // the record's field 3
    int32_t m_bInteractive = 0;
    float m_fMinFov = 0.0f;
    float m_fMaxFov = 180.0f;
    float m_fYawCentre = 0.0f;
    float m_fYawRange = 180.0f;
    float m_fPitchCentre = 0.0f;
    float m_fPitchRange = 90.0f;
    SActor* m_pShownActor = nullptr;  // not owned

    bool Contains(int x, int y) const { return x >= m_iLeft && x < m_iRight && y >= m_iTop && y < m_iBottom; }
};

// The base of pages that show one model live inside a rectangle: the renderer runs its
// model-view session, a camera actor of the page's own actor world looks at the model, the left
// button turns the shown model and the right one zooms. While such a page is current the
// display manager draws the renderer's frame under the page. Derived pages supply the view.
class S3DViewScreen : public SAppScreen {
    DECLARE_DYNAMIC(S3DViewScreen)

public:
    static constexpr float kDefaultFov = 60.0f;
    static constexpr float kTurnRate = 0.7f;   // degrees per pixel dragged
    static constexpr float kZoomRate = 0.25f;  // degrees of field of view per pixel

    S3DViewScreen();
    ~S3DViewScreen() override;

    virtual view_desc_t* GetViewDesc() = 0;
    // Lets every actor of the page's world draw through the renderer.
    virtual void AttachSceneToActors();
    // Called every frame with the camera; nothing here.
    virtual void OnCameraUpdate(SActor* camera);
    virtual void ResetFieldOfView();
    virtual void InitViewSession();
    virtual void UpdateViewSession();

    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetLayoutName() override;
    const char* GetMusicName() override;
    void Activate() override;
    void Deactivate() override;
    using SAppScreen::Update;
    void Update() override;
    int Draw(SDC* pDC) override;
    void OnLButtonDown(uint32_t nFlags, int x, int y) override;
    void OnRButtonDown(uint32_t nFlags, int x, int y) override;
    void OnLButtonUp(uint32_t nFlags, int x, int y) override;
    void OnRButtonUp(uint32_t nFlags, int x, int y) override;
    void OnLButtonDblClk(uint32_t nFlags, int x, int y) override;
    void OnMouseMove(uint32_t nFlags, int x, int y) override;

    // The field of view raised to the minimum, then lowered to the maximum (which wins).
    static float ClampFieldOfView(float fov, float minFov, float maxFov);
    // The angles a turn gives: the start angles moved by the drag and held to the limits.
    static SVector TurnAngles(const SVector& start, int pressX, int pressY, int x, int y, const view_desc_t& desc);
    // The field of view a zoom gives: lowered to the maximum, then raised to the minimum.
    static float ZoomFieldOfView(float start, int pressY, int y, const view_desc_t& desc);
    // The renderer's range weight: 1 inside [a, b], or for b < a outside [b, a].
    static float RangeWeight(int a, int b, int x);
    // RangeWeight as the renderer calls it when it weighs a texture list's entries: the entry's
    // two bounds, the day, and two values the range ignores.
    static float RangeWeightCallback(int32_t a, int32_t b, int32_t x, int32_t, int32_t);

    // The record every model-view page fills for the renderer; it lives for the whole run.
    static SModelViewInfo& SessionRecord();

    float GetFieldOfView() const { return m_fFieldOfView; }
    int GetDragMode() const { return m_iDragMode; }
    bool IsActive() const { return m_byActive != 0; }
    SActor* GetCamera() const { return m_pCamera; }
    SActorWorld* GetWorld() const { return m_pWorld; }

protected:
    SActorWorld* m_pWorld;           // owned
    SActor* m_pCamera = nullptr;     // the world's
    int32_t m_iDragMode = 0;         // 0 none, 1 turning, 2 zooming
    SVector m_vDragAngles;
    int32_t m_iPressX = 0;
    int32_t m_iPressY = 0;
    float m_fDragFov = kDefaultFov;
    float m_fFieldOfView = kDefaultFov;
    uint8_t m_byBackgroundSent = 0;
    uint8_t m_byActive = 0;

private:
    bool ModelBackgroundWanted() const;
    void ViewWorld();
};
