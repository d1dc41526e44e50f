#pragma once

// A server on 127.0.0.1 that answers every connection with a script set by its user: an HTTP
// answer as given, or FTP control replies one per command with a file on the passive data
// connection. It runs on a detached thread for the life of the process, as the patch
// download's fuzz target needs it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
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
        // Every answer is sent whole at once: nothing is gained by holding a piece back.
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
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

// The lines a client sends on one connection, read as many bytes at a time as have arrived.
class LineReader {
public:
    explicit LineReader(int fd) : m_fd(fd) {}
    bool ReadLine(std::string& line) {
        line.clear();
        for (;;) {
            for (; m_next < m_pending.size(); ++m_next) {
                const char c = m_pending[m_next];
                if (c == '\n') {
                    ++m_next;
                    return true;
                }
                if (c != '\r')
                    line += c;
                if (line.size() > 4096)
                    return false;
            }
            char buffer[4096];
            const ssize_t n = ::recv(m_fd, buffer, sizeof(buffer), 0);
            if (n <= 0)
                return false;
            m_pending.assign(buffer, static_cast<size_t>(n));
            m_next = 0;
        }
    }

private:
    int m_fd;
    std::string m_pending;
    size_t m_next = 0;
};

// Whether an FTP control line is the last of a reply: three digits and a blank.
inline bool EndsReply(const std::string& line) {
    const auto digit = [&line](size_t i) { return line[i] >= '0' && line[i] <= '9'; };
    return line.size() > 3 && digit(0) && digit(1) && digit(2) && line[3] == ' ';
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
        LineReader reader(fd);
        std::string line;
        while (reader.ReadLine(line) && !line.empty()) {
        }
        Send(fd, answer);
    }
    static void ServeFtp(int fd, const std::vector<std::string>& replies, const std::string& body) {
        size_t next = 0;
        int data = -1;
        // Sends the next reply; false once none is left, when the connection is closed at
        // once rather than left waiting for a command that answers nothing. A line that does
        // not end a reply ("ddd " and text) leaves the client waiting for more, so the lines
        // after it go too, up to one that does: the server never waits for a command the
        // client cannot send yet.
        // They go in one piece: a second small piece would wait for the client's delayed
        // acknowledgement of the first.
        const auto reply = [&] {
            std::string lines;
            while (next < replies.size()) {
                const std::string& text = replies[next++];
                lines += text + "\r\n";
                if (EndsReply(text))
                    break;
            }
            Send(fd, lines);
            return next < replies.size();
        };
        LineReader reader(fd);
        std::string line;
        if (reply()) {
            while (reader.ReadLine(line)) {
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
