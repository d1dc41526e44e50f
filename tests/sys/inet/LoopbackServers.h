#pragma once

// Two tiny servers for the download tests, HTTP and FTP, serving a table of files. Each listens
// on 127.0.0.1 only, on a port the system picks, runs on one thread of its own, serves a
// bounded number of connections within a bounded time, and is stopped by its destructor.
// Every request path is recorded. Test code only: it speaks just enough of each protocol for
// the transfer library.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarvex::test {

class LoopbackServer {
public:
    static constexpr int kMaxConnections = 64;
    static constexpr auto kLifetime = std::chrono::seconds(20);

    LoopbackServer() : m_deadline(std::chrono::steady_clock::now() + kLifetime) {
        m_listener = Listen(m_port);
    }
    virtual ~LoopbackServer() { Stop(); }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const { return m_port; }
    // "127.0.0.1:port", the host part of a server base.
    std::string Host() const { return "127.0.0.1:" + std::to_string(m_port); }
    // A listening socket of the tests' own on 127.0.0.1 (closing it frees a port nobody serves).
    static int ListenForTests(int& port) { return Listen(port); }
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

protected:
    void Start() { m_thread = std::thread([this] { Run(); }); }
    void Stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listener >= 0)
            ::close(m_listener);
        m_listener = -1;
    }
    void Record(const std::string& request) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
    }
    bool Expired() const { return m_stop || std::chrono::steady_clock::now() > m_deadline; }

    // A socket listening on 127.0.0.1 with a system-chosen port; -1 on failure.
    static int Listen(int& port) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0)
            return -1;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof(address);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || ::listen(fd, 8) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ::close(fd);
            return -1;
        }
        port = ntohs(address.sin_port);
        return fd;
    }
    // Waits for a connection while the server lives; -1 when it is over.
    int Accept(int listener) const {
        while (!Expired()) {
            pollfd wait{listener, POLLIN, 0};
            if (::poll(&wait, 1, 50) > 0) {
                const int fd = ::accept(listener, nullptr, nullptr);
                if (fd >= 0) {
                    timeval timeout{5, 0};
                    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
                    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
                }
                return fd;
            }
        }
        return -1;
    }
    static void Send(int fd, const std::string& data) {
        size_t sent = 0;
        while (sent < data.size()) {
            const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += static_cast<size_t>(n);
        }
    }
    // One line without its CR LF; false when the peer went away.
    static bool ReadLine(int fd, std::string& line) {
        line.clear();
        char c = 0;
        while (::recv(fd, &c, 1, 0) == 1) {
            if (c == '\n') {
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                return true;
            }
            line += c;
            if (line.size() > 4096)
                return false;
        }
        return false;
    }

    virtual void Serve(int fd) = 0;

private:
    void Run() {
        for (int served = 0; served < kMaxConnections && m_listener >= 0; ++served) {
            const int fd = Accept(m_listener);
            if (fd < 0)
                return;
            Serve(fd);
            ::close(fd);
        }
    }

    int m_port = 0;
    int m_listener = -1;
    std::atomic<bool> m_stop{false};
    std::chrono::steady_clock::time_point m_deadline;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<std::string> m_requests;
};

// Answers GET requests from a table of paths ("/update/QJB_autoupdate.dat"); an unknown path
// gets 404. A file may announce no length, or be cut off after some bytes.
class HttpTestServer : public LoopbackServer {
public:
    struct File {
        std::string body;
        int status = 200;
        bool sendLength = true;
        size_t sendBytes = std::string::npos;  // fewer than the body: the connection drops early
    };

    explicit HttpTestServer(std::map<std::string, File> files = {}) : m_files(std::move(files)) { Start(); }
    ~HttpTestServer() override { Stop(); }
    // Files that name the server itself are added once its port is known.
    void Add(const std::string& path, File file) {
        std::lock_guard<std::mutex> lock(m_filesMutex);
        m_files[path] = std::move(file);
    }

private:
    void Serve(int fd) override {
        std::string line;
        if (!ReadLine(fd, line))
            return;
        const size_t first = line.find(' ');
        const size_t second = line.find(' ', first + 1);
        const std::string path = first == std::string::npos ? "" : line.substr(first + 1, second - first - 1);
        Record(path);
        std::string header;
        while (ReadLine(fd, header) && !header.empty()) {
        }
        File file{"Not here", 404};
        {
            std::lock_guard<std::mutex> lock(m_filesMutex);
            const auto found = m_files.find(path);
            if (found != m_files.end())
                file = found->second;
        }
        std::string answer = "HTTP/1.1 " + std::to_string(file.status) + (file.status == 200 ? " OK" : " Not Found") +
                             "\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n";
        if (file.sendLength)
            answer += "Content-Length: " + std::to_string(file.body.size()) + "\r\n";
        answer += "\r\n" + file.body.substr(0, file.sendBytes);
        Send(fd, answer);
    }

    std::mutex m_filesMutex;
    std::map<std::string, File> m_files;
};

// Anonymous FTP with extended passive mode, serving a table of paths as RETR names them
// ("quellon_upgrade/QJB_autoupdate.dat"); an unknown path gets 550. A server made silent from a
// verb on does that verb's work but answers neither it nor anything later (RETR still sends
// the file), holding the control connection open as a hung server would.
class FtpTestServer : public LoopbackServer {
public:
    explicit FtpTestServer(std::map<std::string, std::string> files = {}, std::string silentFrom = "")
        : m_files(std::move(files)), m_silentFrom(std::move(silentFrom)) {
        Start();
    }
    ~FtpTestServer() override { Stop(); }
    void Add(const std::string& path, std::string body) {
        std::lock_guard<std::mutex> lock(m_filesMutex);
        m_files[path] = std::move(body);
    }

private:
    void Serve(int fd) override {
        Send(fd, "220 Test server ready\r\n");
        int data = -1;
        int dataPort = 0;
        std::string line;
        bool silent = false;
        while (!Expired() && ReadLine(fd, line)) {
            const std::string verb = line.substr(0, line.find(' '));
            const std::string argument = line.size() > verb.size() + 1 ? line.substr(verb.size() + 1) : "";
            silent = silent || verb == m_silentFrom;
            if (silent && verb != "RETR") {
                HoldSilently(fd);
                break;
            }
            if (verb == "USER") {
                Send(fd, "331 Password please\r\n");
            } else if (verb == "PASS") {
                Send(fd, "230 Logged in\r\n");
            } else if (verb == "PWD") {
                Send(fd, "257 \"/\"\r\n");
            } else if (verb == "TYPE") {
                Send(fd, "200 Type set\r\n");
            } else if (verb == "EPSV") {
                if (data >= 0)
                    ::close(data);
                data = Listen(dataPort);
                Send(fd, "229 Entering Extended Passive Mode (|||" + std::to_string(dataPort) + "|)\r\n");
            } else if (verb == "SIZE") {
                std::string body;
                Send(fd, Find(argument, body) ? "213 " + std::to_string(body.size()) + "\r\n"
                                              : std::string("550 No such file\r\n"));
            } else if (verb == "RETR") {
                std::string body;
                if (!Find(argument, body) || data < 0) {
                    Send(fd, "550 No such file\r\n");
                    continue;
                }
                Record(argument);
                Send(fd, "150 Opening data connection\r\n");
                const int transfer = Accept(data);
                if (transfer >= 0) {
                    Send(transfer, body);
                    ::close(transfer);
                }
                if (silent) {
                    HoldSilently(fd);
                    break;
                }
                Send(fd, "226 Transfer complete\r\n");
            } else if (verb == "QUIT") {
                Send(fd, "221 Bye\r\n");
                break;
            } else {
                Send(fd, "502 Not implemented\r\n");
            }
        }
        if (data >= 0)
            ::close(data);
    }

    // Reads and ignores whatever comes until the client hangs up or the server's life ends.
    void HoldSilently(int fd) const {
        char ignored[256];
        while (!Expired()) {
            pollfd wait{fd, POLLIN, 0};
            if (::poll(&wait, 1, 50) > 0 && ::recv(fd, ignored, sizeof(ignored), 0) <= 0)
                return;
        }
    }

    bool Find(const std::string& path, std::string& body) {
        std::lock_guard<std::mutex> lock(m_filesMutex);
        const auto found = m_files.find(path);
        if (found == m_files.end())
            return false;
        body = found->second;
        return true;
    }

    std::mutex m_filesMutex;
    std::map<std::string, std::string> m_files;
    std::string m_silentFrom;
};

}  // namespace tarvex::test
