#pragma once

#include <cstdint>

#include "frontend/dialogs/STransparantDialog.h"
#include "sys/classlib/CStringArray.h"

class CGraphicsData;

// The video page of the settings: the display driver, the texture filter, background and
// texture quality and six display switches. Loads its controls from the configuration when
// activated; on a confirmed save it writes them back, hands the driver choice to the display
// manager and warns that a restart may be needed. The settings page owns it while it is shown.
class SVideoDialog : public STransparantDialog {
    DECLARE_DYNAMIC(SVideoDialog)

public:
    static constexpr uint32_t kDriverButton = 3720;
    static constexpr uint32_t kFilterButton = 3700;
    static constexpr uint32_t kBackgroundButton = 3730;
    static constexpr uint32_t kTextureButton = 3740;
    static constexpr uint32_t kFastScopesCheck = 3640;
    static constexpr uint32_t kFogCheck = 3650;
    static constexpr uint32_t kRestartCheck = 3660;  // no value of its own
    static constexpr uint32_t kDepth16Check = 3670;
    static constexpr uint32_t kColourKeyCheck = 3680;
    static constexpr uint32_t kTexDetailCheck = 3690;
    static constexpr uint32_t kSoftwareLightCheck = 3695;
    static constexpr const char* kNotWindowedText =
        "This card is not capable of running in windowed mode.  Switching to full-screen...";

    SVideoDialog();

    void Activate() override;
    void OnNotify(uint32_t nID, int32_t nCode) override;
    // Asks whether to save what was changed.
    void Deactivate() override;
    void Save() override;

    bool IsChanged() const { return m_bChanged != 0; }
    // The shown entry of each cycling button.
    static int GetDriverIndex() { return s_iDriver; }
    static int GetFilterIndex() { return s_iFilter; }
    static int GetBackgroundIndex() { return s_iBackground; }
    static int GetTextureIndex() { return s_iTexture; }
    static const CStringArray& GetDriverNames() { return s_DriverNames; }

private:
    CGraphicsData* Graphics() const;
    void ShowCycled(uint32_t nID, const char* const* texts, int nCount, int nIndex);
    void ShowDriver();

    [[maybe_unused]] int32_t m_iValue = 0;
    int32_t m_bChanged = 0;
    static CStringArray s_DriverNames;
    static int s_iDriver;
    static int s_iFilter;
    static int s_iBackground;
    static int s_iTexture;
};
