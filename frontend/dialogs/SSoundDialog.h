#pragma once

#include <cstdint>

#include "frontend/dialogs/STransparantDialog.h"

class SSound;

// The sound page of the settings: sound on or off, music, voice, 3D sound in hardware or
// software, 8-bit quality, the sound driver and the 3D resolution. Loads its controls from the
// configuration when activated; on a confirmed save it writes them back and the sound manager
// builds its device again. The settings page owns it while it is shown.
class SSoundDialog : public STransparantDialog {
    DECLARE_DYNAMIC(SSoundDialog)

public:
    static constexpr uint32_t kEnabledCheck = 3840;
    static constexpr uint32_t kMusicCheck = 3841;
    static constexpr uint32_t kVoiceCheck = 3842;
    static constexpr uint32_t k3DOffRadio = 3819;
    static constexpr uint32_t k3DHardwareRadio = 3830;
    static constexpr uint32_t k3DSoftwareRadio = 3820;
    static constexpr uint32_t k8BitRadio = 3800;
    static constexpr uint32_t k16BitRadio = 3810;
    static constexpr uint32_t kDriverButton = 3850;
    static constexpr uint32_t kResolutionSlider = 3860;
    static constexpr uint32_t kResolutionDown = 3870;
    static constexpr uint32_t kResolutionUp = 3880;
    static constexpr int kResolutionStep = 5;
    // A click from a control of this id marks a change too; the dialog sets up no such control.
    static constexpr uint32_t kOtherChange = 3120;
    static constexpr const char* kNoDriverText = "??? none";

    SSoundDialog();

    void Activate() override;
    void OnNotify(uint32_t nID, int32_t nCode) override;
    // Asks whether to save what was changed.
    void Deactivate() override;
    void Save() override;

    bool IsChanged() const { return m_bChanged != 0; }
    static int GetDriverIndex() { return s_iDriver; }

private:
    SSound* Sound() const;
    // Shows the chosen driver's name, or the no-driver text when the index is outside the list.
    void ShowDriver();

    int32_t m_bChanged = 0;
    static int s_iDriver;
};
