// Fuzz target of the patch download's readers: the server's replies and the patch-information
// file they deliver. A server of the target's own on 127.0.0.1 answers the dialog's request for
// the information file with the input:
// - first byte even: the bytes after it are the whole HTTP answer (status line, headers, body);
// - first byte odd: FTP. The lines after it up to the first empty one are the control replies,
//   one per command in turn (a line that does not end a reply goes with the lines after it,
//   up to one that does; a passive-mode request is always answered with the real data port);
//   the rest is the file sent on the data connection.
// The dialog is ticked, as fast as it goes, until it ends, gives up, or has read its patch list
// (no patch is then fetched: the list may name any host). Every patch kept must name a plain file, and nothing
// may be left beside the information file. Anything else (a crash, a hang, a sanitizer report)
// is a finding.
//
// The seeds in corpus/patch_fuzz/ are answers as the download tests' servers give them, written
// by the disabled test FuzzSeedsTest.DISABLED_WriteReaderFuzzSeeds in tests/tools, and answers
// with more patches than the dialog keeps, checked by ReaderSeedCorpusTest there.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/SGameObjects.h"
#include "frontend/dialogs/SUpdateDlg.h"
#include "sys/profile.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/sys/inet/ScriptedServer.h"

namespace {

using fuzzsupport::Check;
using tarvex::test::scripted::ScriptedServer;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 256 * 1024)
        return 0;
    static const std::string folder = fuzzsupport::ScratchFolder("patch_fuzz");
    static ScriptedServer* server = [] {
        sys::profile::SetFile(folder + "/profile.ini");
        SGameObjects::Instance()->m_sBasePath = folder.c_str();
        return new ScriptedServer;
    }();

    const bool ftp = (data[0] & 1) != 0;
    std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<std::string> replies;
    if (ftp) {
        for (size_t at = 0;;) {
            const size_t end = rest.find('\n', at);
            const std::string line = rest.substr(at, end == std::string::npos ? std::string::npos : end - at);
            if (line.empty() || end == std::string::npos) {
                rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
                if (!line.empty())
                    replies.push_back(line);
                break;
            }
            replies.push_back(line);
            at = end + 1;
        }
    }
    server->SetScript(ftp, std::move(replies), std::move(rest));

    SUpdateDlg dialog(SGameObjects::Instance());
    // A server base that begins with "ftp" is fetched over FTP.
    dialog.m_ServerList = {(ftp ? "ftp.localhost:" : "127.0.0.1:") + std::to_string(server->Port()) + "/update"};
    dialog.m_strTitle = "Tarvex";
    dialog.m_strFilePrefix = "QJB";
    dialog.m_strVersion = "V1.0a";
    dialog.m_iIndex = 0;
    dialog.StartRequest();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!dialog.IsDone() && dialog.IsInformationMode() && dialog.m_iIndex == 0 &&
           std::chrono::steady_clock::now() < end) {
        dialog.OnTimer(SUpdateDlg::kTimerId);
        std::this_thread::yield();
    }
    Check(dialog.GetPatchList().size() <= 256);
    for (const std::string& patch : dialog.GetPatchList())
        Check(SUpdateDlg::IsSafeFileName(patch.substr(patch.rfind('/') + 1)));
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        Check(entry.path().extension() != ".part");
    std::filesystem::remove(folder + "/QJB_autoupdate.dat");
    return 0;
}
