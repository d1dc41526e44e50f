// Fuzz target of the patch download's readers: the server's replies and the patch-information
// file they deliver. A server of the target's own on 127.0.0.1 answers the dialog's request for
// the information file with the input:
// - first byte even: the bytes after it are the whole HTTP answer (status line, headers, body);
// - first byte odd: FTP. The lines after it up to the first empty one are the control replies,
//   one per command in turn (a passive-mode request is always answered with the real data
//   port); the rest is the file sent on the data connection.
// The dialog is ticked until it ends, gives up, or has read its patch list (no patch is then
// fetched: the list may name any host). Every patch kept must name a plain file, and nothing
// may be left beside the information file. Anything else (a crash, a hang, a sanitizer report)
// is a finding.
//
// The seeds in corpus/patch_fuzz/ are answers as the download tests' servers give them, written
// by the disabled test FuzzSeedsTest.DISABLED_WriteReaderFuzzSeeds in tests/tools.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

namespace {

using fuzzsupport::Check;

int Listen(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        std::abort();
    port = ntohs(address.sin_port);
    return fd;
}

// A connection from the listener within the time given, or -1.
int Accept(int listener, int ms) {
    pollfd wait{listener, POLLIN, 0};
    if (::poll(&wait, 1, ms) <= 0)
        return -1;
    const int fd = ::accept(listener, nullptr, nullptr);
    if (fd >= 0) {
        // The client is on this machine: what it has not sent within 50 ms it waits for from
        // us, so the connection is given up rather than left to stall the input.
        timeval timeout{0, 50000};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
    }
    return fd;
}

void Send(int fd, const std::string& data) {
    for (size_t sent = 0; sent < data.size();) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

bool ReadLine(int fd, std::string& line) {
    line.clear();
    char c = 0;
    while (::recv(fd, &c, 1, 0) == 1) {
        if (c == '\n')
            return true;
        if (c != '\r')
            line += c;
        if (line.size() > 4096)
            return false;
    }
    return false;
}

// Serves every connection with the script of the current input, one at a time.
class ScriptedServer {
public:
    ScriptedServer() : m_listener(Listen(m_port)) {
        std::thread([this] { Run(); }).detach();
    }
    int Port() const { return m_port; }
    void SetScript(bool ftp, std::vector<std::string> replies, std::string body) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bFtp = ftp;
        m_replies = std::move(replies);
        m_body = std::move(body);
    }

private:
    void Run() {
        for (;;) {
            const int fd = Accept(m_listener, 1000);
            if (fd < 0)
                continue;
            bool ftp;
            std::vector<std::string> replies;
            std::string body;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                ftp = m_bFtp;
                replies = m_replies;
                body = m_body;
            }
            if (ftp)
                ServeFtp(fd, replies, body);
            else
                ServeHttp(fd, body);
            ::close(fd);
        }
    }
    static void ServeHttp(int fd, const std::string& answer) {
        std::string line;
        while (ReadLine(fd, line) && !line.empty()) {
        }
        Send(fd, answer);
    }
    static void ServeFtp(int fd, const std::vector<std::string>& replies, const std::string& body) {
        size_t next = 0;
        int data = -1;
        // Sends the next reply; false once none is left, when the connection is closed at
        // once rather than left waiting for a command that answers nothing.
        const auto reply = [&] {
            if (next >= replies.size())
                return false;
            Send(fd, replies[next++] + "\r\n");
            return next < replies.size();
        };
        std::string line;
        if (reply()) {
            while (ReadLine(fd, line)) {
                const std::string verb = line.substr(0, line.find(' '));
                if (verb == "EPSV" || verb == "PASV") {
                    if (data >= 0)
                        ::close(data);
                    int port = 0;
                    data = Listen(port);
                    Send(fd, verb == "EPSV" ? "229 Entering Extended Passive Mode (|||" + std::to_string(port) + "|)\r\n"
                                            : "227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) +
                                                  "," + std::to_string(port % 256) + ")\r\n");
                    continue;
                }
                if (!reply())
                    break;
                if (verb == "RETR" && data >= 0) {
                    const int transfer = Accept(data, 50);
                    if (transfer >= 0) {
                        Send(transfer, body);
                        ::close(transfer);
                    }
                    if (!reply())
                        break;
                }
            }
        }
        if (data >= 0)
            ::close(data);
    }

    int m_port = 0;
    int m_listener = -1;
    std::mutex m_mutex;
    bool m_bFtp = false;
    std::vector<std::string> m_replies;
    std::string m_body;
};

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
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    Check(dialog.GetPatchList().size() <= 256);
    for (const std::string& patch : dialog.GetPatchList())
        Check(SUpdateDlg::IsSafeFileName(patch.substr(patch.rfind('/') + 1)));
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        Check(entry.path().extension() != ".part");
    std::filesystem::remove(folder + "/QJB_autoupdate.dat");
    return 0;
}
