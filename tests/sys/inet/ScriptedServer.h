#pragma once

// A server on 127.0.0.1 that answers every connection with a script set by its user: an HTTP
// answer as given, or FTP control replies one per command with a file on the passive data
// connection. It runs on a detached thread for the life of the process, as the patch
// download's fuzz target needs it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarvex::test::scripted {

inline int Listen(int& port) {
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
inline int Accept(int listener, int ms) {
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

inline void Send(int fd, const std::string& data) {
    for (size_t sent = 0; sent < data.size();) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

inline bool ReadLine(int fd, std::string& line) {
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

}  // namespace tarvex::test::scripted
