#include "frontend/dialogs/SVideoDialog.h"

#include <cstring>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/CSystemData.h"
#include "app/SGameObjects.h"
#include "dx/display/SDXDriverInfo.h"
#include "dx/display/SGraphics.h"
#include "frontend/dialogs/SOptionDialogs.h"
#include "sys/video/video.h"

IMPLEMENT_DYNAMIC(SVideoDialog, STransparantDialog)

CStringArray SVideoDialog::s_DriverNames;
int SVideoDialog::s_iDriver = 0;
int SVideoDialog::s_iFilter = 0;
int SVideoDialog::s_iBackground = 0;
int SVideoDialog::s_iTexture = 0;

namespace {

const char* const kFilterTexts[] = {"None", "Linear", "Bilinear", "Trilinear", "Anisotropic"};
const char* const kBackgroundTexts[] = {"None", "Low", "High"};
const char* const kTextureTexts[] = {"Low", "Medium", "High"};
constexpr int kFilterCount = 5;
constexpr int kQualityCount = 3;

// The display manager keeps a pointer to the chosen identifier, so it lives as long as the
// program does, not as long as a dialog.
sys::video::GUID s_ChosenGuid{};

// The next entry of a cycle, back to the first after the last (or from a stored index outside
// the cycle).
int Advance(int nIndex, int nCount) { return nIndex + 1 >= 0 && nIndex + 1 < nCount ? nIndex + 1 : 0; }

// A driver without an identifier is the primary display, which the configuration marks by
// its no-driver flag rather than by an identifier.
bool IsConfiguredDriver(const SDXDriverInfo& driver, const CGraphicsData& graphics, int32_t bPrimary) {
    if (driver.m_pGuid == nullptr)
        return bPrimary != 0;
    return bPrimary == 0 && std::memcmp(driver.m_pGuid, graphics.m_DriverGuid, CGraphicsData::kGuidBytes) == 0;
}

}  // namespace

SVideoDialog::SVideoDialog() : STransparantDialog(option_dialogs::kLayoutGroup, "OMD") {}

CGraphicsData* SVideoDialog::Graphics() const { return GetConfig() != nullptr ? GetConfig()->m_pGraphics : nullptr; }

void SVideoDialog::ShowCycled(uint32_t nID, const char* const* texts, int nCount, int nIndex) {
    option_dialogs::SetControlText(*this, nID, nIndex >= 0 && nIndex < nCount ? texts[nIndex] : "");
}

void SVideoDialog::ShowDriver() {
    if (s_iDriver >= 0 && s_iDriver < s_DriverNames.GetSize())
        option_dialogs::SetControlText(*this, kDriverButton, s_DriverNames[s_iDriver].GetString());
}

void SVideoDialog::Activate() {
    STransparantDialog::Activate();
    CGraphicsData* graphics = Graphics();
    if (graphics == nullptr)
        return;
    s_iFilter = graphics->m_iFilter;
    s_iBackground = graphics->m_iBackgroundQuality;
    s_iTexture = graphics->m_iTextureQuality;
    ShowCycled(kFilterButton, kFilterTexts, kFilterCount, s_iFilter);
    ShowCycled(kBackgroundButton, kBackgroundTexts, kQualityCount, s_iBackground);
    ShowCycled(kTextureButton, kTextureTexts, kQualityCount, s_iTexture);

    graphics->EnumerateDrivers();
    s_DriverNames.RemoveAll();
    for (int n = 1; n <= graphics->GetUsableDriverCount(); ++n)
        s_DriverNames.Add(graphics->GetUsableDriver(n)->m_sDescription);
    const int32_t bWasPrimary = graphics->m_bPrimaryDriver;
    graphics->m_bPrimaryDriver = 1;
    if (s_DriverNames.GetSize() > 0) {
        s_iDriver = 0;
        ShowDriver();
        // Index i names the usable driver at position i, here and when saving.
        for (int i = 0; i < s_DriverNames.GetSize(); ++i) {
            const SDXDriverInfo* driver = graphics->GetUsableDriver(i + 1);
            if (IsConfiguredDriver(*driver, *graphics, bWasPrimary)) {
                s_iDriver = i;
                ShowDriver();
                graphics->m_bPrimaryDriver = driver->m_pGuid == nullptr ? 1 : 0;
            }
        }
    }

    SetCheck(kFastScopesCheck, graphics->m_bFastScopes != 0 ? 1 : 0);
    SetCheck(kFogCheck, graphics->m_bFog != 0 ? 1 : 0);
    SetCheck(kDepth16Check, graphics->m_bDepthBuffer16Bit != 0 ? 1 : 0);
    SetCheck(kColourKeyCheck, graphics->m_bColorKeying != 0 ? 1 : 0);
    SetCheck(kSoftwareLightCheck, graphics->m_bSoftwareLight != 0 ? 1 : 0);
    SetCheck(kTexDetailCheck, graphics->m_bTexDetail != 0 ? 1 : 0);
}

void SVideoDialog::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode == kNotifyClick) {
        switch (nID) {
        case kDriverButton:
            s_iDriver = Advance(s_iDriver, s_DriverNames.GetSize());
            ShowDriver();
            SetRestartWarning(true);
            m_bChanged = 1;
            break;
        case kRestartCheck:
        case kDepth16Check:
            SetRestartWarning(true);
            m_bChanged = 1;
            break;
        case kFastScopesCheck:
        case kFogCheck:
        case kColourKeyCheck:
        case kTexDetailCheck:
        case kSoftwareLightCheck:
            m_bChanged = 1;
            break;
        case kFilterButton:
            s_iFilter = Advance(s_iFilter, kFilterCount);
            ShowCycled(kFilterButton, kFilterTexts, kFilterCount, s_iFilter);
            m_bChanged = 1;
            break;
        case kBackgroundButton:
            s_iBackground = Advance(s_iBackground, kQualityCount);
            ShowCycled(kBackgroundButton, kBackgroundTexts, kQualityCount, s_iBackground);
            m_bChanged = 1;
            break;
        case kTextureButton:
            s_iTexture = Advance(s_iTexture, kQualityCount);
            ShowCycled(kTextureButton, kTextureTexts, kQualityCount, s_iTexture);
            m_bChanged = 1;
            break;
        default:
            break;
        }
    }
    option_dialogs::EndOnButton(*this, nID, nCode);
}

void SVideoDialog::Deactivate() { option_dialogs::SaveIfAgreed(*this, m_bChanged); }

void SVideoDialog::Save() {
    CGraphicsData* graphics = Graphics();
    if (graphics == nullptr)
        return;
    graphics->m_iFilter = s_iFilter >= 0 && s_iFilter < kFilterCount ? s_iFilter : 0;
    graphics->m_iBackgroundQuality = s_iBackground;
    graphics->m_iTextureQuality = s_iTexture;

    graphics->m_bPrimaryDriver = 1;
    if (const SDXDriverInfo* driver = graphics->GetUsableDriver(s_iDriver + 1)) {
        CSystemData* system = GetConfig()->m_pSystem;
        if (system->m_bFullScreen == 0 && (driver->m_Caps.dwCaps2 & sys::video::DDCAPS2_CANRENDERWINDOWED) == 0) {
            option_dialogs::ShowMessage(*this, kNotWindowedText);
            system->m_bFullScreen = 1;
        }
        graphics->SelectDriver(s_iDriver + 1);
    }
    graphics->m_bSoftware = 0;

    graphics->m_bFastScopes = option_dialogs::GetCheck(*this, kFastScopesCheck);
    graphics->m_bFog = option_dialogs::GetCheck(*this, kFogCheck);
    graphics->m_bDepthBuffer16Bit = option_dialogs::GetCheck(*this, kDepth16Check);
    graphics->m_bColorKeying = option_dialogs::GetCheck(*this, kColourKeyCheck);
    graphics->m_bTexDetail = option_dialogs::GetCheck(*this, kTexDetailCheck);
    graphics->m_bSoftwareLight = option_dialogs::GetCheck(*this, kSoftwareLightCheck);

    if (SGraphics* display = GetHub()->m_pGraphics) {
        if (graphics->m_bPrimaryDriver != 0) {
            display->SetDriverGuid(nullptr);
        } else {
            std::memcpy(&s_ChosenGuid, graphics->m_DriverGuid, sizeof(s_ChosenGuid));
            display->SetDriverGuid(&s_ChosenGuid);
        }
    }
    SetRestartWarning(true);
    ShowRestartWarning();
}
