// Fuzz target of the patch download's readers: the server's replies and the patch-information
// file they deliver. The dialog's request for the information file is answered with the input,
// handed to the transfer seam as the transfer library would hand it over (sys/inet/stand_in.h):
// - first byte: even for HTTP, odd for FTP; its other seven bits are how the library ends the
//   transfer, in its own numbering (0: success, else a failure such as a cut-off body);
// - HTTP: the bytes after it are the whole answer: the lines up to the first empty one (with
//   it) are the status line and headers, the rest is the body;
// - FTP: the lines after it up to the first empty one are the server's control replies, the
//   rest is the file sent on the data connection.
// The dialog is ticked until it ends, gives up, or has read its patch list (no patch is then
// fetched: the list may name any host). Every patch kept must name a plain file, and nothing may
// be left beside the information file. Anything else (a crash, a hang, a sanitizer report) is a
// finding.
//
// The seeds in corpus/patch_fuzz/ are answers as the download tests' servers give them, written
// by the disabled test FuzzSeedsTest.DISABLED_WriteReaderFuzzSeeds in tests/tools, and answers
// with more patches than the dialog keeps, checked by ReaderSeedCorpusTest there.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/SGameObjects.h"
#include "frontend/dialogs/SUpdateDlg.h"
#include "sys/inet/stand_in.h"
#include "sys/profile.h"
#include "sys/window/window.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using fuzzsupport::Check;
using sys::inet::stand_in::Exchange;

// The lines of `text` up to its first empty one go to `lines` with their line ends (the empty
// one too, when `withEnd`); the rest is left in `text`.
void SplitLines(std::string& text, std::vector<std::string>& lines, bool withEnd) {
    size_t at = 0;
    for (size_t end; (end = text.find('\n', at)) != std::string::npos;) {
        const bool empty = end == at || (end == at + 1 && text[at] == '\r');
        if (!empty || withEnd)
            lines.push_back(text.substr(at, end + 1 - at));
        at = end + 1;
        if (empty) {
            text.erase(0, at);
            return;
        }
    }
    // Without an empty line everything is lines, and an unfinished last one never reaches the
    // header handler: the library waits for its end.
    text.clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 256 * 1024)
        return 0;
    static const std::string folder = fuzzsupport::ScratchFolder("patch_fuzz");
    static const bool ready = [] {
        sys::profile::SetFile(folder + "/profile.ini");
        SGameObjects::Instance()->m_sBasePath = folder.c_str();
        // The dialog's timer belongs to the game's main window, as in the game.
        sys::window::CreateWindow("Tarvex", sys::WS_OVERLAPPED, nullptr,
                                  [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) {
                                      return sys::window::DefWindowProc(h, m, w, l);
                                  });
        return sys::window::GetMainWindow() != nullptr;
    }();
    Check(ready);

    const bool ftp = (data[0] & 1) != 0;
    Exchange exchange;
    exchange.result = data[0] >> 1;
    exchange.body.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    SplitLines(exchange.body, exchange.headers, !ftp);
    sys::inet::stand_in::Play(&exchange);

    SUpdateDlg dialog(SGameObjects::Instance());
    // A server base that begins with "ftp" is fetched over FTP. The ports are never reached.
    dialog.m_ServerList = {ftp ? "ftp.localhost:2121/update" : "127.0.0.1:8080/update"};
    dialog.m_strTitle = "Tarvex";
    dialog.m_strFilePrefix = "QJB";
    dialog.m_strVersion = "V1.0a";
    dialog.m_iIndex = 0;
    dialog.StartRequest();
    // Every tick moves the dialog or the played transfer on, and the transfer ends a few ticks
    // after its last body piece: a dialog still going after as many ticks as the input has bytes
    // is stuck.
    for (size_t tick = 0; !dialog.IsDone() && dialog.IsInformationMode() && dialog.m_iIndex == 0; ++tick) {
        Check(tick < 100 + size);
        dialog.OnTimer(SUpdateDlg::kTimerId);
    }
    Check(dialog.GetPatchList().size() <= 256);
    for (const std::string& patch : dialog.GetPatchList())
        Check(SUpdateDlg::IsSafeFileName(std::string_view(patch).substr(patch.rfind('/') + 1)));
    // The information file is written under a temporary name until it is whole.
    Check(!std::filesystem::exists(folder + "/QJB_autoupdate.dat.part"));
    std::filesystem::remove(folder + "/QJB_autoupdate.dat");
    sys::inet::stand_in::Play(nullptr);
    return 0;
}
