#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/dialogs/STransparantDialog.h"
#include "sys/classlib/CFile.h"
#include "sys/inet/inet.h"

// The patch download: fetches the patch-information file from the first update server that has
// it, picks the patches for this version and installation kind, and downloads the first one it
// can get into the game's base folder. Driven by timer 12 of the main window, one network step
// per tick, so the modal loop keeps drawing and the player can leave at any time. Whoever opens
// it owns it.
class SUpdateDlg : public STransparantDialog {
    DECLARE_DYNAMIC(SUpdateDlg)

public:
    static constexpr uintptr_t kTimerId = 12;
    static constexpr uint32_t kStatusControl = 100;
    static constexpr int kFirstDelay = 500;
    static constexpr int kStepDelay = 100;
    static constexpr int kDelayTicks = 10;
    static constexpr uint32_t kPieceSize = 64000;
    // Results of the modal run: the patch is in place, or the player left before it was.
    static constexpr int kResultDownloaded = 1;
    static constexpr int kResultCanceled = 2;
    static constexpr const char* kFilePrefix = "QJB";
    static constexpr const char* kAgent = "Quellon Application Update";
    static constexpr const char* kWebAddress = "www.quelloninteractive.com";
    // The update servers, in the order they are tried: host name and path, no scheme.
    static const char* const kServerBases[3];

    explicit SUpdateDlg(SGameObjects* pHub = nullptr);
    ~SUpdateDlg() override;

    // Runs the download; answers kResultDownloaded only when the patch file is complete. Any
    // other end closes the transfer and removes what was written of the patch.
    int DoModal(SDC* pDC) override;
    // Timer 12 is one step of the download; other timers go to the base.
    void OnTimer(uintptr_t nIDEvent) override;

    // Closes the file and handles and tries the next entry of the active list.
    virtual void NextServer();
    // Reads the downloaded information file into the patch list.
    virtual void ReadPatchList();
    // Prepares the names for the current index and arms the timer.
    virtual void StartRequest();
    // Called when a transfer has delivered all its data.
    virtual void TransferDone();
    virtual void UpdateHook();

    // The game options' patch download: asks every update server in turn for this version's
    // patch over a backdrop of the current frame, modally. Answers the run's result and, when
    // a patch arrived whole, its file name.
    static int RunDownload(SAppScreen* pOwner, const char* pszVersion, CString& fileName);

    // What the caller shows for a result: the success with the patch's file name, the
    // cancellation, or nothing.
    static std::string ResultMessage(int nResult, const std::string& fileName);
    // Whether a patch's file name may be written into the base folder: a plain name, with no
    // folder, drive or parent part.
    static bool IsSafeFileName(std::string_view name);

    // Filled by the caller before StartRequest.
    std::vector<std::string> m_ServerList;
    std::string m_strTitle;
    std::string m_strFilePrefix;
    std::string m_strVersion;
    int32_t m_iInstallKind = 0;
    int32_t m_iIndex = 0;

    const std::vector<std::string>& GetPatchList() const { return m_PatchList; }
    const std::string& GetStatusText() const { return m_strStatus; }
    const std::string& GetErrorText() const { return m_strError; }
    const std::string& GetFileName() const { return m_strFileName; }
    const std::string& GetDestination() const { return m_strDestination; }
    bool IsInformationMode() const { return m_byInformationMode != 0; }
    bool IsTimerArmed() const { return m_bTimerArmed != 0; }
    uint32_t GetLastError() const { return m_dwLastError; }
    uint32_t GetBytesReceived() const { return m_dwReceived; }

protected:
    void SetStatusText(const std::string& text);
    void ReportInternetError(uint32_t code);
    void PatchNotAvailable();

private:
    void Step();
    void Arm(uint32_t ms);
    void Disarm();
    void CloseTransfer();
    // Gives up on the current server: the partial file goes, the next entry is tried.
    void FailServer();
    // Ends the modal run with a failure text.
    void Fail(const std::string& error);
    bool StepConnect();
    bool StepRequest();
    bool StepLength();
    bool StepCreateFile();
    bool StepTransfer();
    std::string Host() const;
    std::string TempPath() const { return m_strDestination + ".part"; }

    sys::inet::Handle m_hSession = nullptr;
    sys::inet::Handle m_hConnection = nullptr;
    sys::inet::Handle m_hRequest = nullptr;
    int32_t m_bTimerArmed = 0;
    int32_t m_iDelay = 0;
    uint32_t m_dwReceived = 0;
    int64_t m_iTotalLength = 0;  // -1 when unknown
    bool m_bLengthAsked = false;
    bool m_bCompleted = false;
    CFile m_File;  // writes the patch under a temporary name beside the destination
    std::string m_strError;
    std::string m_strFileName;
    std::string m_strDestination;
    std::string m_strRemotePath;
    std::string m_strServerBase;
    std::string m_strStatus;
    std::vector<std::string> m_PatchList;
    uint8_t m_byInformationMode = 1;
    uint32_t m_dwLastError = 0;
};
