#include "frontend/dialogs/SUpdateDlg.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "app/CTarvexApp.h"
#include "app/SGameObjects.h"
#include "core/SString.h"
#include "core/SStringTable.h"
#include "frontend/screens/SAppScreen.h"
#include "dx/display/SGraphics.h"
#include "sys/profile.h"
#include "sys/text.h"
#include "ui/SDisplayHost.h"
#include "ui/SGraphicsHost.h"
#include "ui/SSurfaceDC.h"
#include "sys/classlib/CStdioFile.h"
#include "sys/classlib/Exceptions.h"
#include "sys/fs/fs.h"
#include "sys/window/window.h"

IMPLEMENT_DYNAMIC(SUpdateDlg, STransparantDialog)

namespace inet = sys::inet;

namespace {

// An information file is small; more entries than this is not one.
constexpr size_t kMaxPatches = 256;

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

// A status text of the program's string table.
std::string TableText(uint32_t id) {
    SString text;
    text.LoadString(id);
    return text.GetString();
}

}  // namespace

const char* const SUpdateDlg::kServerBases[3] = {
    "www.quelloninteractive.com/update",
    "ftp.quelloninteractive.com/quellon_upgrade",
    "updates.quelloninteractive.com/quellon_upgrade",
};

SUpdateDlg::SUpdateDlg(SGameObjects* pHub) : STransparantDialog("Generic", "OK", pHub) {}

SUpdateDlg::~SUpdateDlg() {
    Disarm();
    CloseTransfer();
}

// ---- the caller's view --------------------------------------------------------------------------

int SUpdateDlg::DoModal(SDC* pDC) {
    // The loop shows each frame through the display manager, which waits for the display's
    // refresh: without it the dialog would never be seen and the loop would never rest.
    if (GetIdleCallback() == nullptr)
        SetIdleCallback(&SDisplayHost::DialogIdleStep);
    int result = STransparantDialog::DoModal(pDC);
    Disarm();
    if (!m_bCompleted) {
        // Whatever ended the run, a patch that is not complete must not be left to install.
        CloseTransfer();
        m_strDestination.clear();
        if (result == kResultDownloaded)
            result = kResultCanceled;
    }
    return result;
}

int SUpdateDlg::RunDownload(SAppScreen* pOwner, const char* pszVersion, CString& fileName) {
    SGameObjects* hub = SGameObjects::Instance();
    SGraphics* graphics = hub->m_pGraphics;
    if (graphics == nullptr)
        return 0;
    SSurfaceDC backdrop(graphics->GetBack(), false);
    graphics->RenderFrameWithoutCursor();
    SUpdateDlg dialog(hub);
    dialog.SetOwnerPage(pOwner);
    dialog.m_ServerList.assign(std::begin(kServerBases), std::end(kServerBases));
    dialog.m_strTitle = CTarvexApp::kTitle;
    dialog.m_strFilePrefix = kFilePrefix;
    dialog.m_strVersion = pszVersion != nullptr ? pszVersion : "";
    dialog.m_iInstallKind = sys::profile::GetInt(sys::profile::Kind::Application, "Settings", "CDInstall", 0);
    dialog.m_iIndex = 0;
    dialog.StartRequest();
    const int result = dialog.DoModal(&backdrop);
    // A session or file failure ends the run on its own; the player is told why.
    if (result == 0 && !dialog.GetErrorText().empty())
        if (auto* host = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance()))
            host->NoticeDialog(dialog.GetErrorText().c_str(), 0, pOwner);
    // Only a patch that is in place has a destination left to name.
    fileName = dialog.GetDestination().empty() ? "" : dialog.GetFileName().c_str();
    return result;
}

std::string SUpdateDlg::ResultMessage(int nResult, const std::string& fileName) {
    if (nResult == kResultDownloaded && !fileName.empty())
        return "Update download successful\nExit and install " + fileName;
    if (nResult == kResultCanceled)
        return "Update Canceled!";
    return std::string();
}

bool SUpdateDlg::IsSafeFileName(std::string_view name) {
    const auto separator = [](char c) { return c == '\\' || c == '/' || c == ':'; };
    return !name.empty() && std::none_of(name.begin(), name.end(), separator) &&
           name.find("..") == std::string_view::npos;
}

// ---- the state machine --------------------------------------------------------------------------

void SUpdateDlg::SetStatusText(const std::string& text) {
    m_strStatus = text;
    if (SWindow* control = FindControl(kStatusControl))
        control->SetText(text.c_str());
}

void SUpdateDlg::Arm(uint32_t ms) {
    m_bTimerArmed = sys::window::SetTimer(sys::window::GetMainWindow(), kTimerId, ms) != 0 ? 1 : 0;
}

void SUpdateDlg::Disarm() {
    if (m_bTimerArmed != 0)
        sys::window::KillTimer(sys::window::GetMainWindow(), kTimerId);
    m_bTimerArmed = 0;
}

void SUpdateDlg::StartRequest() {
    if (m_iIndex > 0)
        SetStatusText(TableText(SStringTable::IDS_UPDATE_TRYING_ANOTHER));
    else
        SetStatusText(TableText(m_byInformationMode != 0 ? SStringTable::IDS_UPDATE_REQUESTING
                                                         : SStringTable::IDS_UPDATE_DOWNLOADING));
    if (m_byInformationMode != 0) {
        m_strFileName = m_strFilePrefix + "_autoupdate.dat";
        if (m_iIndex >= 0 && static_cast<size_t>(m_iIndex) < m_ServerList.size())
            m_strServerBase = m_ServerList[m_iIndex];
        m_strRemotePath = m_strServerBase + "/" + m_strFileName;
    } else {
        if (m_iIndex >= 0 && static_cast<size_t>(m_iIndex) < m_PatchList.size())
            m_strRemotePath = m_PatchList[m_iIndex];
        const size_t slash = m_strRemotePath.rfind('/');
        m_strFileName = slash == std::string::npos ? m_strRemotePath : m_strRemotePath.substr(slash + 1);
        m_strServerBase = slash == std::string::npos ? std::string() : m_strRemotePath.substr(0, slash);
    }
    m_iDelay = kDelayTicks;
    Arm(kFirstDelay);
}

void SUpdateDlg::OnTimer(uintptr_t nIDEvent) {
    if (nIDEvent != kTimerId) {
        STransparantDialog::OnTimer(nIDEvent);
        return;
    }
    Step();
}

void SUpdateDlg::Step() {
    sys::window::KillTimer(sys::window::GetMainWindow(), kTimerId);
    m_bTimerArmed = 0;
    if (m_iDelay > 0) {
        --m_iDelay;
        Arm(kStepDelay);
        return;
    }
    bool goOn = true;
    if (m_hSession == nullptr) {
        SetStatusText(TableText(SStringTable::IDS_UPDATE_INITIALIZING));
        m_hSession = inet::Open(kAgent);
        if (m_hSession == nullptr) {
            Fail("Quellon Update: Cannot open internet session.\nMake sure your network connection is working.");
            return;
        }
    } else if (m_hConnection == nullptr) {
        goOn = StepConnect();
    } else if (m_hRequest == nullptr) {
        goOn = StepRequest();
    } else if (!m_bLengthAsked) {
        goOn = StepLength();
    } else if (!m_File.IsOpen()) {
        goOn = StepCreateFile();
    } else {
        goOn = StepTransfer();
    }
    if (goOn)
        Arm(kStepDelay);
}

std::string SUpdateDlg::Host() const { return m_strServerBase.substr(0, m_strServerBase.find('/')); }

bool SUpdateDlg::StepConnect() {
    const std::string host = Host();
    SString status;
    status.Format(SStringTable::IDS_UPDATE_CONNECTING, host.c_str());
    SetStatusText(status.GetString());
    const bool ftp = m_strServerBase.size() >= 3 && strncasecmp(m_strServerBase.c_str(), "FTP", 3) == 0;
    m_hConnection = inet::Connect(m_hSession, host.c_str(), ftp ? inet::kDefaultFtpPort : inet::kDefaultHttpPort,
                                  ftp ? inet::Service::Ftp : inet::Service::Http);
    if (m_hConnection == nullptr) {
        ReportInternetError(inet::LastError());
        NextServer();
        return false;
    }
    if (!inet::AttemptConnect()) {
        m_strError = "Unable to connect to update server: " + host;
        NextServer();
        return false;
    }
    return true;
}

bool SUpdateDlg::StepRequest() {
    const size_t hostLength = Host().size();
    const std::string object = m_strRemotePath.size() > hostLength ? m_strRemotePath.substr(hostLength + 1) : "";
    SString status;
    status.Format(SStringTable::IDS_UPDATE_CHECKING, m_strRemotePath.c_str());
    SetStatusText(status.GetString());
    m_hRequest = inet::OpenFile(m_hConnection, object.c_str());
    if (m_hRequest == nullptr) {
        NextServer();
        return false;
    }
    if (!inet::AttemptConnect()) {
        m_strError = "Unable to connect to update server: " + Host();
        NextServer();
        return false;
    }
    return true;
}

bool SUpdateDlg::StepLength() {
    std::string type;
    std::string length;
    inet::Result result = inet::Result::Ok;
    if (m_strServerBase.size() >= 3 && strncasecmp(m_strServerBase.c_str(), "FTP", 3) == 0) {
        m_iTotalLength = -1;
        m_bLengthAsked = true;
        return true;
    }
    result = inet::QueryInfo(m_hRequest, inet::Info::ContentType, type);
    if (result == inet::Result::Ok)
        result = inet::QueryInfo(m_hRequest, inet::Info::ContentLength, length);
    if (result == inet::Result::Pending)
        return true;  // the answer's headers are not in yet
    char* end = nullptr;
    const long long value = result == inet::Result::Ok ? std::strtoll(length.c_str(), &end, 10) : -1;
    if (result != inet::Result::Ok || value < 0 || value > UINT32_MAX || end == length.c_str() || *end != '\0') {
        ReportInternetError(result != inet::Result::Ok ? inet::LastError() : inet::kErrorHeaderNotFound);
        NextServer();
        return false;
    }
    m_iTotalLength = value;
    m_bLengthAsked = true;
    return true;
}

bool SUpdateDlg::StepCreateFile() {
    const SGameObjects* hub = GetHub();
    m_strDestination = std::string(hub != nullptr ? hub->m_sBasePath.GetString() : "") + "\\" + m_strFileName;
    if (m_strDestination.empty()) {
        TransferDone();
        return false;
    }
    if (!IsSafeFileName(m_strFileName)) {
        // Never written outside the base folder, whatever the server names.
        FailServer();
        return false;
    }
    if (!m_File.Open(TempPath().c_str(), CFile::modeCreate | CFile::modeWrite)) {
        Fail("Quellon Update: Cannot create destination file: " + m_strDestination);
        return false;
    }
    m_dwReceived = 0;
    return true;
}

bool SUpdateDlg::StepTransfer() {
    SString status;
    status.Format(SStringTable::IDS_UPDATE_TRANSFERRING, m_strRemotePath.c_str());
    SetStatusText(status.GetString());
    uint32_t available = 0;
    const inet::Result result = inet::QueryDataAvailable(m_hRequest, available);
    if (result == inet::Result::Pending)
        return true;
    if (result == inet::Result::Failed) {
        ReportInternetError(inet::LastError());
        FailServer();
        return false;
    }
    if (available == 0) {
        if (m_iTotalLength >= 0 && m_dwReceived != m_iTotalLength) {
            ReportInternetError(inet::kErrorConnectionAborted);
            FailServer();
            return false;
        }
        TransferDone();
        return false;
    }
    // Never more than a piece is read at once, nor more than there is.
    std::vector<char> piece(std::min(available, kPieceSize));
    while (available > 0) {
        uint32_t read = 0;
        if (!inet::ReadFile(m_hRequest, piece.data(), std::min(available, kPieceSize), read)) {
            ReportInternetError(inet::LastError());
            FailServer();
            return false;
        }
        if (read == 0)
            break;
        available -= std::min(available, read);
        m_dwReceived += read;
        if (m_iTotalLength >= 0)
            status.Format(SStringTable::IDS_UPDATE_RECEIVED, m_dwReceived / 1024.0, m_iTotalLength / 1024.0);
        else
            status.Format(SStringTable::IDS_UPDATE_RECEIVED_UNKNOWN, m_dwReceived / 1024.0);
        SetStatusText(status.GetString());
        if (m_iTotalLength >= 0 && m_dwReceived > m_iTotalLength) {
            FailServer();  // more than announced is no more trustworthy than less
            return false;
        }
        try {
            m_File.Write(piece.data(), read);
        } catch (const CFileException&) {
            Fail("Quellon Update: Cannot create destination file: " + m_strDestination);
            return false;
        }
    }
    return true;
}

void SUpdateDlg::TransferDone() {
    if (m_File.IsOpen()) {
        bool written = true;
        try {
            m_File.Flush();
            m_File.Close();
        } catch (const CFileException&) {
            m_File.Abort();
            written = false;
        }
        // The finished file takes the real name only once it is all on the disk; the copy
        // replaces an older file of that name in one step.
        const bool placed = written && sys::fs::CopyFile(TempPath(), m_strDestination, false);
        sys::fs::DeleteFile(TempPath());
        if (!placed) {
            Fail("Quellon Update: Cannot create destination file: " + m_strDestination);
            return;
        }
    }
    if (m_byInformationMode == 0) {
        m_bCompleted = true;
        EndDialog(kResultDownloaded);
        return;
    }
    m_byInformationMode = 0;
    m_iIndex = -1;
    ReadPatchList();
    if (m_PatchList.empty()) {
        CloseTransfer();
        PatchNotAvailable();
    } else {
        NextServer();
    }
}

void SUpdateDlg::ReadPatchList() {
    if (m_File.IsOpen())
        m_File.Abort();
    CStdioFile file;
    if (!file.Open(m_strDestination.c_str(), CFile::modeRead | CFile::typeText))
        return;
    try {
        CString line;
        while (m_PatchList.size() < kMaxPatches && file.ReadString(line)) {
            // The pieces are views of the line: only a patch that is kept is copied.
            const std::string_view text(line.GetString());
            // Version and installation kind end at the first two colons; the patch path keeps
            // any colon of its own (a host's port).
            const size_t first = text.find(':');
            const size_t second = first == std::string_view::npos ? std::string_view::npos : text.find(':', first + 1);
            if (second == std::string_view::npos)
                continue;
            const std::string_view version = text.substr(0, first);
            const int kind = std::atoi(std::string(text.substr(first + 1, second - first - 1)).c_str());
            std::string_view path = text.substr(second + 1);
            while (!path.empty() && (path.back() == '\r' || path.back() == ' '))
                path.remove_suffix(1);
            const size_t slash = path.rfind('/');
            if (!sys::text::EqualNoCase(version, m_strVersion) || kind != m_iInstallKind ||
                slash == std::string_view::npos || !IsSafeFileName(path.substr(slash + 1)))
                continue;
            m_PatchList.emplace_back(path);
        }
    } catch (const CFileException&) {
        // A file that cannot be read further ends the list quietly.
    }
    file.Abort();
}

void SUpdateDlg::CloseTransfer() {
    if (m_File.IsOpen()) {
        m_File.Abort();
        sys::fs::DeleteFile(TempPath());
    }
    inet::Close(m_hRequest);
    inet::Close(m_hConnection);
    inet::Close(m_hSession);
    m_hRequest = m_hConnection = m_hSession = nullptr;
    m_bLengthAsked = false;
    m_iTotalLength = 0;
    m_dwReceived = 0;
}

void SUpdateDlg::FailServer() {
    NextServer();
}

void SUpdateDlg::NextServer() {
    CloseTransfer();
    ++m_iIndex;
    const size_t count = m_byInformationMode != 0 ? m_ServerList.size() : m_PatchList.size();
    if (m_iIndex >= 0 && static_cast<size_t>(m_iIndex) < count) {
        StartRequest();
        return;
    }
    Disarm();
    PatchNotAvailable();
}

void SUpdateDlg::Fail(const std::string& error) {
    CloseTransfer();
    m_strError = error;
    EndDialog(0);
}

void SUpdateDlg::UpdateHook() {}

void SUpdateDlg::ReportInternetError(uint32_t code) {
    if (code == inet::kErrorExtended) {
        m_strError = "Cannot get file length\n" + inet::LastResponseInfo();
    } else {
        const std::string text = inet::ErrorText(code);
        m_strError = !text.empty() ? "Error: " + text : Printf("Error: %x", code);
    }
    SetStatusText(m_strError);
    m_dwLastError = code;
}

void SUpdateDlg::PatchNotAvailable() {
    SetStatusText(m_strTitle + " patch not available.\nPlease check " + kWebAddress + " for more information.");
    m_strDestination.clear();
}
