#include "frontend/dialogs/SPerformanceDialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/SGameObjects.h"
#include "dx/display/SDXDrawDrivers.h"
#include "dx/display/SGraphics.h"
#include "frontend/dialogs/SOptionDialogs.h"
#include "ui/widgets/SSlider.h"

IMPLEMENT_DYNAMIC(SPerformanceDialog, STransparantDialog)

int SPerformanceDialog::s_iDetail = 0;
SPerformanceDialog* SPerformanceDialog::s_pCurrent = nullptr;

namespace {

const char* const kDetailTexts[] = {"Low", "Medium", "High"};
constexpr int kDetailCount = 3;
constexpr int kMinWidth = 640;
constexpr int kMinHeight = 480;
constexpr int kMinDepth = 16;

// Reads a decimal number and, unless it is the last, the " x " after it. False when the text
// does not continue that way.
bool ReadPart(const char*& text, int& value, bool last) {
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || number < 0 || number > 65535)
        return false;
    value = static_cast<int>(number);
    text = end;
    if (last)
        return true;
    if (std::strncmp(text, " x ", 3) != 0)
        return false;
    text += 3;
    return true;
}

bool SplitSize(const char* text, int& width, int& height) {
    return ReadPart(text, width, false) && ReadPart(text, height, true);
}

bool SplitMode(const char* text, int& width, int& height, int& depth) {
    return ReadPart(text, width, false) && ReadPart(text, height, false) && ReadPart(text, depth, true);
}

CString SizeText(int width, int height) {
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%d x %d", width, height);
    return CString(buffer);
}

}  // namespace

SPerformanceDialog::SPerformanceDialog() : STransparantDialog(option_dialogs::kLayoutGroup, "OMP") {}

SPerformanceDialog::~SPerformanceDialog() {
    if (s_pCurrent == this)
        s_pCurrent = nullptr;
}

void SPerformanceDialog::CollectResolutions(const CStringArray& modeNames, CStringArray& resolutions) {
    for (int i = 0; i < modeNames.GetSize(); ++i) {
        int width = 0;
        int height = 0;
        int depth = 0;
        if (!SplitMode(modeNames[i].GetString(), width, height, depth))
            continue;
        if (depth < kMinDepth || width < kMinWidth || height < kMinHeight)
            continue;
        const CString size = SizeText(width, height);
        bool known = false;
        for (int j = 0; j < resolutions.GetSize() && !known; ++j)
            known = resolutions[j] == size;
        if (!known)
            resolutions.Add(size);
    }
}

void SPerformanceDialog::OnSliderMoved(int nPosition) {
    if (s_pCurrent != nullptr)
        s_pCurrent->ShowResolution(nPosition);
}

void SPerformanceDialog::ShowResolution(int nPosition) {
    if (m_Resolutions.GetSize() == 0)
        return;
    if (nPosition >= m_Resolutions.GetSize())
        nPosition = m_Resolutions.GetSize() - 1;
    if (nPosition < 0)
        nPosition = 0;
    option_dialogs::SetControlText(*this, kResolutionText, m_Resolutions[nPosition].GetString());
    m_byResolutionShown = 1;
}

void SPerformanceDialog::Activate() {
    s_pCurrent = this;
    STransparantDialog::Activate();
    auto* slider = dynamic_cast<SSlider*>(FindControl(kResolutionSlider));
    if (slider != nullptr)
        slider->SetMin(0);
    m_Resolutions.RemoveAll();

    CConfigData* config = GetConfig();
    CGraphicsData* graphics = config != nullptr ? config->m_pGraphics : nullptr;
    SGraphics* display = GetHub()->m_pGraphics;
    SDXDrawDrivers* drivers = display != nullptr ? &display->GetDrivers() : nullptr;
    const bool software = graphics == nullptr || graphics->m_bSoftware != 0;
    if (software || drivers == nullptr || drivers->GetDriver() == nullptr) {
        if (slider != nullptr)
            slider->SetMax(0);
        m_Resolutions.Add(CString(kSoftwareResolution));
        ShowResolution(0);
    } else {
        CStringArray modes;
        const sys::video::DDSURFACEDESC2 everyMode{};
        const char* device = drivers->GetDevice() != nullptr ? drivers->GetDevice()->m_sName.GetString() : "";
        drivers->GetModeNames(drivers->GetDriver()->m_sName.GetString(), device, &modes, everyMode);
        CollectResolutions(modes, m_Resolutions);
        if (slider != nullptr) {
            slider->SetMax(m_Resolutions.GetSize() - 1);
            slider->SetChangeCallback(&SPerformanceDialog::OnSliderMoved);
            ShowResolution(slider->GetPos());
        } else {
            ShowResolution(0);
        }
        const CString configured = SizeText(graphics->m_iWidth, graphics->m_iHeight);
        for (int i = 0; i < m_Resolutions.GetSize(); ++i)
            if (m_Resolutions[i] == configured && slider != nullptr)
                slider->SetPos(i);
    }
    if (slider != nullptr)
        slider->SetPaintBackground(0);
    s_iDetail = graphics != nullptr ? graphics->m_iDetailQuality : 0;
    if (s_iDetail < 0 || s_iDetail >= kDetailCount)
        s_iDetail = 0;
    option_dialogs::SetControlText(*this, kDetailButton, kDetailTexts[s_iDetail]);
}

int SPerformanceDialog::SliderStep(uint32_t nSliderId) {
    auto* slider = dynamic_cast<SSlider*>(FindControl(nSliderId));
    const int step = slider != nullptr ? (slider->GetMax() - slider->GetMin()) / 10 : 1;
    return step < 1 ? 1 : step;
}

void SPerformanceDialog::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode == kNotifyClick) {
        switch (nID) {
        case kSecondDown:
        case kSecondUp:
            option_dialogs::StepSlider(*this, kSecondSlider,
                                       nID == kSecondUp ? SliderStep(kSecondSlider) : -SliderStep(kSecondSlider));
            m_bChanged = 1;
            break;
        case kResolutionDown:
        case kResolutionUp: {
            const int step = SliderStep(kResolutionSlider);
            option_dialogs::StepSlider(*this, kResolutionSlider, nID == kResolutionUp ? step : -step);
            if (auto* slider = dynamic_cast<SSlider*>(FindControl(kResolutionSlider)))
                ShowResolution(slider->GetPos());
            m_bChanged = 1;
            break;
        }
        case kResolutionSlider:
            m_bChanged = 1;
            break;
        case kDetailButton:
            s_iDetail = s_iDetail + 1 < kDetailCount ? s_iDetail + 1 : 0;
            option_dialogs::SetControlText(*this, kDetailButton, kDetailTexts[s_iDetail]);
            m_bChanged = 1;
            break;
        default:
            break;
        }
    }
    option_dialogs::EndOnButton(*this, nID, nCode);
}

void SPerformanceDialog::Deactivate() { option_dialogs::SaveIfAgreed(*this, m_bChanged); }

void SPerformanceDialog::Save() {
    ShowRestartWarning();
    CConfigData* config = GetConfig();
    if (config == nullptr)
        return;
    CString shown;
    int width = 0;
    int height = 0;
    if (SWindow* text = FindControl(kResolutionText)) {
        text->GetText(shown);
        if (SplitSize(shown.GetString(), width, height)) {
            config->m_pGraphics->m_iWidth = width;
            config->m_pGraphics->m_iHeight = height;
        }
    }
    config->m_pGraphics->m_iDetailQuality = s_iDetail;
}
