#pragma once

#include <cstdint>

class SAppScreen;
class STransparantDialog;
class SWindow;

// The five option dialogs of the settings page, and what they share: how they answer the
// settings page's buttons, how they ask before saving and how they put up their messages.
namespace option_dialogs {

constexpr const char* kLayoutGroup = "OPTION_MENU_MAIN";
constexpr const char* kSaveQuestion = "Save changed settings?";

// Fills the settings page's dialog slots (buttons 100 to 500) with the five dialog classes.
void Install();

// The yes/no question over the dialog's owning page; true only for yes.
bool AskYesNo(const STransparantDialog& dialog, const char* text);
// A message with an OK button over the dialog's owning page.
void ShowMessage(const STransparantDialog& dialog, const char* text);
// "Save changed settings?" when the dialog changed anything; on yes the dialog saves.
void SaveIfAgreed(STransparantDialog& dialog, int32_t bChanged);

// What a dialog passes on of its layout's notifications: buttons 1 and 2 end the dialog. The
// rest stops here, because the page around an embedded dialog reads its own buttons' ids,
// which some dialog controls share (the controls list is 200, as is the performance button).
void EndOnButton(STransparantDialog& dialog, uint32_t nID, int32_t nCode);

// The control's text; does nothing when the layout has no such control.
void SetControlText(STransparantDialog& dialog, uint32_t nID, const char* text);
int GetCheck(STransparantDialog& dialog, uint32_t nID);
// Moves a slider by the step within its range; answers whether it moved.
bool StepSlider(STransparantDialog& dialog, uint32_t nID, int nStep);

}  // namespace option_dialogs
