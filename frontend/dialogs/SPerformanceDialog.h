#pragma once

#include <cstdint>

#include "frontend/dialogs/STransparantDialog.h"
#include "sys/classlib/CStringArray.h"

// The performance page of the settings: the display resolution, chosen on a slider from the
// current display device's modes, and the detail level. A confirmed save writes both to the
// configuration. The settings page owns it while it is shown.
class SPerformanceDialog : public STransparantDialog {
    DECLARE_DYNAMIC(SPerformanceDialog)

public:
    static constexpr uint32_t kResolutionSlider = 3470;
    static constexpr uint32_t kResolutionDown = 3469;
    static constexpr uint32_t kResolutionUp = 3471;
    static constexpr uint32_t kResolutionText = 3480;
    static constexpr uint32_t kSecondSlider = 3460;
    static constexpr uint32_t kSecondDown = 3459;
    static constexpr uint32_t kSecondUp = 3461;
    static constexpr uint32_t kDetailButton = 4000;
    static constexpr const char* kSoftwareResolution = "640 x 480";

    SPerformanceDialog();
    ~SPerformanceDialog() override;

    void Activate() override;
    void OnNotify(uint32_t nID, int32_t nCode) override;
    // Asks whether to save what was changed.
    void Deactivate() override;
    void Save() override;

    bool IsChanged() const { return m_bChanged != 0; }
    const CStringArray& GetResolutions() const { return m_Resolutions; }
    static int GetDetailIndex() { return s_iDetail; }

    // Adds "W x H" for each mode name "W x H x D" of at least 640 x 480 and 16 bits, each size
    // once, in the order first met.
    static void CollectResolutions(const CStringArray& modeNames, CStringArray& resolutions);

private:
    // The entry at the position, clamped into the list, becomes the shown resolution.
    void ShowResolution(int nPosition);
    static void OnSliderMoved(int nPosition);
    int SliderStep(uint32_t nSliderId);

    int32_t m_bChanged = 0;
    CStringArray m_Resolutions;
    uint8_t m_byResolutionShown = 0;
    static int s_iDetail;
    static SPerformanceDialog* s_pCurrent;
};
