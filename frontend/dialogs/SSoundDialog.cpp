#include "frontend/dialogs/SSoundDialog.h"

#include <string>
#include <vector>

#include "app/CConfigData.h"
#include "app/CSoundData.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "dx/sound/SSound.h"
#include "frontend/dialogs/SOptionDialogs.h"
#include "ui/widgets/SSlider.h"

IMPLEMENT_DYNAMIC(SSoundDialog, STransparantDialog)

int SSoundDialog::s_iDriver = -1;

namespace {

constexpr int kResolutionMin = 1;
constexpr int kResolutionMax = 100;

// The driver names a sound manager reports now, display names and identifier texts in step.
struct DriverNames {
    std::vector<std::string> names;
    std::vector<std::string> modules;
};

DriverNames EnumerateDrivers(SSound* sound) {
    DriverNames found;
    if (sound == nullptr || !sound->EnumerateDrivers())
        return found;
    for (int i = 0; i < sound->GetDriverCount(); ++i) {
        const DSDriver* driver = sound->GetDriver(i);
        found.names.emplace_back(driver->m_sDescription.GetString());
        found.modules.emplace_back(driver->m_sModule.GetString());
    }
    return found;
}

// The names of the last enumeration, kept for the driver button.
std::vector<std::string>& DriverDisplayNames() {
    static std::vector<std::string> s_names;
    return s_names;
}

}  // namespace

SSoundDialog::SSoundDialog() : STransparantDialog(option_dialogs::kLayoutGroup, "OMS") {}

SSound* SSoundDialog::Sound() const {
    SGameItems* items = GetHub()->m_pGameItems;
    return items != nullptr ? items->m_pSound : nullptr;
}

void SSoundDialog::ShowDriver() {
    const std::vector<std::string>& names = DriverDisplayNames();
    const bool inList = s_iDriver >= 0 && s_iDriver < static_cast<int>(names.size());
    option_dialogs::SetControlText(*this, kDriverButton,
                                   inList ? names[static_cast<size_t>(s_iDriver)].c_str() : kNoDriverText);
}

void SSoundDialog::Activate() {
    STransparantDialog::Activate();
    CSoundData* config = GetConfig() != nullptr ? GetConfig()->m_pSound : nullptr;
    if (config == nullptr)
        return;
    if (auto* slider = dynamic_cast<SSlider*>(FindControl(kResolutionSlider))) {
        slider->SetMax(kResolutionMax);
        slider->SetMin(kResolutionMin);
        slider->SetPaintBackground(0);
        slider->SetPos(config->m_i3DResolution);
    }
    SetCheck(kEnabledCheck, config->m_bEnabled != 0 ? 1 : 0);
    if (config->m_b3DEnabled == 0)
        SetCheck(k3DOffRadio, 1);
    else
        SetCheck(config->m_b3DSoftware == 0 ? k3DHardwareRadio : k3DSoftwareRadio, 1);

    const DriverNames drivers = EnumerateDrivers(Sound());
    DriverDisplayNames() = drivers.names;
    s_iDriver = 0;
    for (size_t i = 0; i < drivers.modules.size(); ++i)
        if (drivers.modules[i] == config->m_sDriver.GetString())
            s_iDriver = static_cast<int>(i);
    ShowDriver();

    SetCheck(kMusicCheck, config->m_bMusic != 0 ? 1 : 0);
    SetCheck(kVoiceCheck, config->m_bVoice != 0 ? 1 : 0);
    SetCheck(config->m_b8BitQuality == 0 ? k16BitRadio : k8BitRadio, 1);
}

void SSoundDialog::OnNotify(uint32_t nID, int32_t nCode) {
    if (nID == kResolutionSlider && nCode == SSlider::kNotifyReleased)
        m_bChanged = 1;
    if (nCode == kNotifyClick) {
        switch (nID) {
        case kEnabledCheck:
        case kMusicCheck:
        case kVoiceCheck:
        case k8BitRadio:
        case k16BitRadio:
        case kOtherChange:
        case k3DOffRadio:
        case k3DSoftwareRadio:
        case k3DHardwareRadio:
            m_bChanged = 1;
            break;
        case kDriverButton:
            ++s_iDriver;
            if (s_iDriver >= static_cast<int>(DriverDisplayNames().size()))
                s_iDriver = 0;
            ShowDriver();
            m_bChanged = 1;
            break;
        case kResolutionDown:
        case kResolutionUp:
            option_dialogs::StepSlider(*this, kResolutionSlider,
                                       nID == kResolutionUp ? kResolutionStep : -kResolutionStep);
            m_bChanged = 1;
            break;
        default:
            break;
        }
    }
    option_dialogs::EndOnButton(*this, nID, nCode);
}

void SSoundDialog::Deactivate() { option_dialogs::SaveIfAgreed(*this, m_bChanged); }

void SSoundDialog::Save() {
    CSoundData* config = GetConfig() != nullptr ? GetConfig()->m_pSound : nullptr;
    if (config == nullptr)
        return;
    SSound* sound = Sound();
    const DriverNames drivers = EnumerateDrivers(sound);
    const int index = s_iDriver >= 0 && s_iDriver < static_cast<int>(drivers.modules.size()) ? s_iDriver : 0;
    config->m_sDriver = drivers.modules.empty() ? "" : drivers.modules[static_cast<size_t>(index)].c_str();
    config->m_bMusic = option_dialogs::GetCheck(*this, kMusicCheck);
    config->m_bVoice = option_dialogs::GetCheck(*this, kVoiceCheck);
    config->m_bEnabled = option_dialogs::GetCheck(*this, kEnabledCheck);
    config->m_b8BitQuality = option_dialogs::GetCheck(*this, k8BitRadio);
    config->m_b3DEnabled = option_dialogs::GetCheck(*this, k3DOffRadio) != 0 ? 0 : 1;
    config->m_b3DSoftware = option_dialogs::GetCheck(*this, k3DHardwareRadio) != 0 ? 0 : 1;
    if (auto* slider = dynamic_cast<SSlider*>(FindControl(kResolutionSlider)))
        config->m_i3DResolution = slider->GetPos();
    if (sound != nullptr)
        sound->Restart(config);
}
