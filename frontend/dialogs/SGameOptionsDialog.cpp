#include "frontend/dialogs/SGameOptionsDialog.h"

#include <cstdio>
#include <string>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/SGameObjects.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/dialogs/SOptionDialogs.h"
#include "frontend/dialogs/SUpdateDlg.h"
#include "frontend/screens/SAppScreen.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/Exceptions.h"
#include "sys/classlib/CFile.h"
#include "sys/fs/fs.h"
#include "sys/window/dialogs.h"
#include "ui/SDisplayHost.h"
#include "ui/SGraphicsHost.h"

IMPLEMENT_DYNAMIC(SGameOptionsDialog, STransparantDialog)

namespace {

constexpr int kVersionSize = 64;

std::string Formatted(const char* format, const char* text) {
    char buffer[512];
    std::snprintf(buffer, sizeof(buffer), format, text);
    return buffer;
}

std::string Formatted(const char* format, uint32_t number) {
    char buffer[128];
    std::snprintf(buffer, sizeof(buffer), format, static_cast<int>(number));
    return buffer;
}

// Whether the file holds an officer list that reads whole. The records go with the scratch
// list; only the answer is kept.
bool IsReadableOfficerFile(const char* fileName) {
    try {
        CFile file(fileName, CFile::modeRead);
        // Copied in, a file larger than a start reads would be set aside with the officers.
        if (!SGameObjects::IsReadablePlayerFileSize(file.GetLength()))
            return false;
        CArchive archive(&file, CArchive::load, 4096);
        SHunterInfoList scratch;
        scratch.Serialize(archive);
        archive.Close();
        file.Close();
        return true;
    } catch (const CException&) {
        return false;
    }
}

// Takes the dialog out of its parent while a modal dialog of the display runs, and puts it
// back afterwards.
class Detached {
public:
    explicit Detached(STransparantDialog& dialog) : m_Dialog(dialog), m_pParent(dialog.GetParent()) {
        m_Dialog.SetParent(nullptr);
    }
    ~Detached() { m_Dialog.SetParent(m_pParent); }
    Detached(const Detached&) = delete;
    Detached& operator=(const Detached&) = delete;

private:
    STransparantDialog& m_Dialog;
    SWindow* m_pParent;
};

}  // namespace

SGameOptionsDialog::SGameOptionsDialog() : STransparantDialog(option_dialogs::kLayoutGroup, "OMMD") {}

void SGameOptionsDialog::Activate() {
    STransparantDialog::Activate();
    CConfigData* config = GetConfig();
    if (config != nullptr)
        SetCheck(config->m_bPendingFullScreen != 0 ? kFullScreenRadio : kWindowRadio, 1);
    option_dialogs::SetControlText(*this, kLastCheckText, "Never");
    option_dialogs::SetControlText(*this, kStatusText, "");
    if (config != nullptr && config->m_pGraphics->m_bCanRenderWindowed == 0)
        if (SWindow* window = FindControl(kWindowRadio))
            window->SetNotifyParent(false);
}

void SGameOptionsDialog::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode == kNotifyClick) {
        CConfigData* config = GetConfig();
        CString fileName;
        switch (nID) {
        case kWindowRadio:
        case kFullScreenRadio:
            if (config != nullptr)
                config->m_bPendingFullScreen = nID == kFullScreenRadio ? 1 : 0;
            break;
        case kBackupButton:
            if (AskFileName(kBackupPrompt, fileName))
                BackUp(fileName.GetString());
            break;
        case kRestoreButton:
            if (AskFileName(kRestorePrompt, fileName))
                Restore(fileName.GetString());
            break;
        case kPatchButton:
            StartPatchDownload();
            break;
        default:
            break;
        }
    }
    option_dialogs::EndOnButton(*this, nID, nCode);
}

bool SGameOptionsDialog::AskFileName(const char* prompt, CString& fileName) {
    auto* host = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance());
    if (host == nullptr)
        return false;
    const Detached detached(*this);
    fileName = kBackupName;
    return host->PasswordDialog(prompt, fileName, GetOwnerPage(), 0) == 1;
}

void SGameOptionsDialog::BackUp(const char* fileName) {
    const Detached detached(*this);
    if (sys::fs::CopyFile(SHunterInfoList::kFileName, fileName, false))
        return;
    const uint32_t error = sys::fs::LastError();
    option_dialogs::ShowMessage(*this, error == sys::fs::kErrorFileNotFound
                                           ? kNoOfficerFileText
                                           : Formatted("Error %d backing up trophy room!", error).c_str());
}

void SGameOptionsDialog::Restore(const char* fileName) {
    const Detached detached(*this);
    uint32_t error = sys::fs::kErrorNone;
    if (!sys::fs::Exists(fileName) || sys::fs::IsDirectory(fileName)) {
        error = sys::fs::IsDirectory(fileName) ? sys::fs::kErrorAccessDenied : sys::fs::kErrorFileNotFound;
    } else if (!IsReadableOfficerFile(fileName)) {
        // A damaged backup must not replace officers that still load.
        error = sys::fs::kErrorGenFailure;
    } else if (!sys::fs::CopyFile(fileName, SHunterInfoList::kFileName, false)) {
        error = sys::fs::LastError();
    }
    if (error == sys::fs::kErrorNone) {
        GetHub()->LoadPlayerList(true);
        return;
    }
    option_dialogs::ShowMessage(*this, error == sys::fs::kErrorFileNotFound
                                           ? Formatted("%s not found.", fileName).c_str()
                                           : Formatted("Error %d restoring trophy room!", error).c_str());
}

void SGameOptionsDialog::StartPatchDownload() {
    char version[kVersionSize] = {};
    GetHub()->GetVersionString(version, kVersionSize);
    const Detached detached(*this);
    if (GetHub()->m_pGraphics == nullptr || !option_dialogs::AskYesNo(*this, kConnectText))
        return;
    if (s_pfnDownload == nullptr)
        return;
    CString downloaded;
    const int result = s_pfnDownload(GetOwnerPage(), version, downloaded);
    const std::string message = SUpdateDlg::ResultMessage(result, downloaded.GetString());
    if (!message.empty())
        option_dialogs::ShowMessage(*this, message.c_str());
}
