#include "frontend/dialogs/SOptionDialogs.h"

#include "frontend/dialogs/SControlsDialog.h"
#include "frontend/dialogs/SGameOptionsDialog.h"
#include "frontend/dialogs/SPerformanceDialog.h"
#include "frontend/dialogs/SSoundDialog.h"
#include "frontend/dialogs/STransparantDialog.h"
#include "frontend/dialogs/SVideoDialog.h"
#include "frontend/screens/SAppScreen.h"
#include "frontend/screens/SSettingsScreen.h"
#include "sys/window/dialogs.h"
#include "ui/SDisplayHost.h"
#include "ui/SGraphicsHost.h"
#include "ui/widgets/SButton.h"
#include "ui/widgets/SSlider.h"

namespace option_dialogs {

namespace {

constexpr uint32_t kOkButton = 1;
constexpr uint32_t kCancelButton = 2;

SGraphicsHost* Host() { return dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance()); }

template <class T>
STransparantDialog* Make() {
    return new T;
}

}  // namespace

void Install() {
    SSettingsScreen::SetDialogMaker(SSettingsScreen::kGameOptionsButton, &Make<SGameOptionsDialog>);
    SSettingsScreen::SetDialogMaker(SSettingsScreen::kPerformanceButton, &Make<SPerformanceDialog>);
    SSettingsScreen::SetDialogMaker(SSettingsScreen::kControlsButton, &Make<SControlsDialog>);
    SSettingsScreen::SetDialogMaker(SSettingsScreen::kVideoButton, &Make<SVideoDialog>);
    SSettingsScreen::SetDialogMaker(SSettingsScreen::kSoundButton, &Make<SSoundDialog>);
}

bool AskYesNo(const STransparantDialog& dialog, const char* text) {
    SGraphicsHost* host = Host();
    return host != nullptr && host->MessageDialog(text, static_cast<int>(sys::MB_YESNO), dialog.GetOwnerPage(), 0) == 1;
}

void ShowMessage(const STransparantDialog& dialog, const char* text) {
    if (SGraphicsHost* host = Host())
        host->MessageDialog(text, 0, dialog.GetOwnerPage(), 0);
}

void SaveIfAgreed(STransparantDialog& dialog, int32_t bChanged) {
    if (bChanged != 0 && AskYesNo(dialog, kSaveQuestion))
        dialog.Save();
}

void EndOnButton(STransparantDialog& dialog, uint32_t nID, int32_t nCode) {
    if (nCode == SWindow::kNotifyClick && (nID == kOkButton || nID == kCancelButton))
        dialog.EndDialog(static_cast<int>(nID));
}

void SetControlText(STransparantDialog& dialog, uint32_t nID, const char* text) {
    if (SWindow* control = dialog.FindControl(nID))
        control->SetText(text);
}

int GetCheck(STransparantDialog& dialog, uint32_t nID) {
    auto* button = dynamic_cast<SButton*>(dialog.FindControl(nID));
    return button != nullptr ? button->GetCheck() : 0;
}

bool StepSlider(STransparantDialog& dialog, uint32_t nID, int nStep) {
    auto* slider = dynamic_cast<SSlider*>(dialog.FindControl(nID));
    if (slider == nullptr)
        return false;
    if ((nStep < 0 && slider->GetPos() <= slider->GetMin()) || (nStep > 0 && slider->GetPos() >= slider->GetMax()))
        return false;
    slider->SetPos(slider->GetPos() + nStep);  // the slider clamps to its range
    return true;
}

}  // namespace option_dialogs
