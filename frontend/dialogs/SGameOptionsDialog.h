#pragma once

#include <cstdint>

#include "frontend/dialogs/STransparantDialog.h"
#include "sys/classlib/CString.h"

// The game page of the settings, the one the settings page opens with: window or full screen
// (applied when the settings page is left), backing the officer file up and restoring it, and
// starting the patch download. Changes nothing it has to save. The settings page owns it while
// it is shown.
class SGameOptionsDialog : public STransparantDialog {
    DECLARE_DYNAMIC(SGameOptionsDialog)

public:
    static constexpr uint32_t kWindowRadio = 3100;
    static constexpr uint32_t kFullScreenRadio = 3101;
    static constexpr uint32_t kPatchButton = 3110;
    static constexpr uint32_t kBackupButton = 3200;
    static constexpr uint32_t kRestoreButton = 3210;
    static constexpr uint32_t kLastCheckText = 638;
    static constexpr uint32_t kStatusText = 77;
    static constexpr const char* kBackupName = "player.bak";
    static constexpr const char* kBackupPrompt = "Backing up to this file:";
    static constexpr const char* kRestorePrompt = "Restoring from this file:";
    static constexpr const char* kNoOfficerFileText = "No hunter file has been created yet!";
    static constexpr const char* kConnectText =
        "You must be connected to the internet. \t\tIf you are connected now, click 'YES'. \t\tIf you are not "
        "connected or are unsure, click 'NO'";

    // Runs the patch download modally over the page for the program's version text; answers 1
    // with the downloaded file's name, 2 when it was cancelled, anything else for neither.
    using PatchDownloader = int (*)(SAppScreen* owner, const char* version, CString& fileName);
    // The patch download dialog registers here; without one a confirmed start does nothing.
    static void SetPatchDownloader(PatchDownloader pfnDownload) { s_pfnDownload = pfnDownload; }

    SGameOptionsDialog();

    void Activate() override;
    void OnNotify(uint32_t nID, int32_t nCode) override;
    // Nothing to save: the screen mode is the settings page's to apply.
    void Deactivate() override {}
    int GetAnswer() override { return m_iAnswer; }

    // The two officer-file operations as the buttons run them, after the name was asked for.
    void BackUp(const char* fileName);
    void Restore(const char* fileName);

private:
    // Asks for a file name over the page, proposing the backup name; false when cancelled.
    bool AskFileName(const char* prompt, CString& fileName);
    void StartPatchDownload();

    int32_t m_iAnswer = 0;
    static inline PatchDownloader s_pfnDownload = nullptr;
};
