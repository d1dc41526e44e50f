#include "sys/inet/inet.h"

#include <curl/curl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "sys/inet/stand_in.h"

namespace sys::inet {

namespace {

// A server that stops sending for this long has failed; so does one that cannot be reached.
constexpr long kConnectTimeoutSeconds = 30;
constexpr long kStallSeconds = 60;
// Data waiting to be read beyond this pauses the transfer until the reader catches up.
constexpr size_t kMaxBuffered = 1u << 20;
// The most body the library hands over at once (its default buffer size).
constexpr size_t kLibraryPiece = 16384;
// Once an FTP file's data connection has closed, the library waits for the server's word on it
// in one blocking stretch of up to a minute, calling our progress callback after each silent
// second. The first call past this ends the wait, so no step blocks much more than a second.
constexpr auto kFinalReplyPatience = std::chrono::milliseconds(500);

// What the transfers opened now play instead of reaching the network (tests only).
const stand_in::Exchange* g_exchange = nullptr;

thread_local uint32_t t_lastError = 0;
thread_local std::string t_lastResponse;

void SetError(uint32_t code, std::string response = std::string()) {
    t_lastError = code;
    t_lastResponse = std::move(response);
}

bool StartLibrary() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] { started = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return started;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

struct Object {
    enum class Kind { Session, Connection, Transfer };
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
};

namespace {

size_t OnHeader(char* data, size_t size, size_t count, void* user);
size_t OnData(char* data, size_t size, size_t count, void* user);
curl_socket_t OnOpenSocket(void* user, curlsocktype purpose, curl_sockaddr* address);
int OnCloseSocket(void* user, curl_socket_t fd);
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

struct Session : Object {
    Session() : Object(Kind::Session) {}
    std::string agent;
};

struct Connection : Object {
    Connection() : Object(Kind::Connection) {}
    std::string agent;
    std::string host;
    int port = 0;
    Service service = Service::Http;
};

struct Transfer : Object {
    Transfer() : Object(Kind::Transfer) {}
    ~Transfer() override {
        // The library's clean-up says goodbye to an FTP server and waits minutes for the answer;
        // on shut sockets the goodbye fails at once, and nothing more is owed to the server.
        for (const Socket& socket : sockets)
            ::shutdown(socket.fd, SHUT_RDWR);
        if (multi != nullptr && easy != nullptr)
            curl_multi_remove_handle(multi, easy);
        if (easy != nullptr)
            curl_easy_cleanup(easy);
        if (multi != nullptr)
            curl_multi_cleanup(multi);
    }

    size_t Buffered() const { return buffer.size() - readOffset; }
    bool Success() const { return status >= 200 && status < 300; }

    // One step: whatever the sockets hold now, never waiting.
    void Step() {
        if (finished)
            return;
        if (exchange != nullptr) {
            Play();
            return;
        }
        int running = 0;
        curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg == CURLMSG_DONE) {
                finished = true;
                result = message->data.result;
                if (result == CURLE_ABORTED_BY_CALLBACK && finalReplyGivenUp)
                    result = EndWithoutFinalReply();
            }
        }
    }

    // An FTP file ended by its data connection closing cleanly, which is how the protocol ends
    // a file; without the server's word on it, the announced length is the check left.
    CURLcode EndWithoutFinalReply() const {
        curl_off_t announced = -1;
        curl_off_t received = 0;
        curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        curl_easy_getinfo(easy, CURLINFO_SIZE_DOWNLOAD_T, &received);
        return announced < 0 || announced == received ? CURLE_OK : CURLE_PARTIAL_FILE;
    }

    // One step of a played exchange, handed over through the library's own callbacks.
    void Play() {
        if (!playConnected) {
            playConnected = true;
        } else if (!playHeaders) {
            playHeaders = true;
            for (const std::string& line : exchange->headers)
                OnHeader(const_cast<char*>(line.data()), 1, line.size(), this);
        } else if (playAt < exchange->body.size()) {
            // A paused transfer is handed the same piece again once the reader has caught up.
            const size_t piece = std::min(kLibraryPiece, exchange->body.size() - playAt);
            if (!paused && OnData(const_cast<char*>(exchange->body.data() + playAt), 1, piece, this) == piece)
                playAt += piece;
        } else {
            finished = true;
            // A number the library does not have is still a failure, not a value out of range.
            const bool known = exchange->result >= 0 && exchange->result < CURL_LAST;
            result = known ? static_cast<CURLcode>(exchange->result) : CURL_LAST;
        }
    }

    struct Socket {
        curl_socket_t fd;
        bool data;  // FTP: opened after the server's first reply, so a data connection
    };

    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    std::vector<Socket> sockets;  // those the library has open for the transfer
    bool replied = false;         // FTP: the server has answered
    bool retrieving = false;      // FTP: the server has started sending the file
    std::optional<std::chrono::steady_clock::time_point> dataEnded;  // FTP: the file's connection
    bool finalReplyGivenUp = false;
    const stand_in::Exchange* exchange = nullptr;  // played instead of the library's transfer
    bool playConnected = false;
    bool playHeaders = false;
    size_t playAt = 0;  // the body handed over so far
    Service service = Service::Http;
    std::string buffer;
    size_t readOffset = 0;
    bool paused = false;
    bool headersDone = false;
    long status = 0;
    std::string statusLine;  // HTTP status line, or the FTP server's last reply
    std::unordered_map<std::string, std::string> headers;
    bool finished = false;
    CURLcode result = CURLE_OK;
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    const std::string line(data, bytes);
    if (transfer->service == Service::Ftp) {
        if (!Trim(line).empty())
            transfer->statusLine = Trim(line);
        transfer->replied = true;
        // 150 and 125 open the file's transfer.
        if (line.rfind("150", 0) == 0 || line.rfind("125", 0) == 0)
            transfer->retrieving = true;
        return bytes;
    }
    if (line.rfind("HTTP/", 0) == 0) {
        // A new answer (after an interim one) starts its headers afresh.
        transfer->headers.clear();
        transfer->headersDone = false;
        transfer->statusLine = Trim(line);
        const size_t blank = line.find(' ');
        transfer->status = blank != std::string::npos ? std::strtol(line.c_str() + blank + 1, nullptr, 10) : 0;
    } else if (Trim(line).empty()) {
        if (transfer->status >= 200)
            transfer->headersDone = true;
    } else {
        const size_t colon = line.find(':');
        if (colon != std::string::npos)
            transfer->headers[Lower(Trim(line.substr(0, colon)))] = Trim(line.substr(colon + 1));
    }
    return bytes;
}

size_t OnData(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (transfer->Buffered() >= kMaxBuffered) {
        transfer->paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (transfer->readOffset > 0 && transfer->readOffset == transfer->buffer.size()) {
        transfer->buffer.clear();
        transfer->readOffset = 0;
    }
    transfer->buffer.append(data, bytes);
    return bytes;
}

curl_socket_t OnOpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
    auto* transfer = static_cast<Transfer*>(user);
    const curl_socket_t fd = ::socket(address->family, address->socktype, address->protocol);
    if (fd != CURL_SOCKET_BAD)
        transfer->sockets.push_back({fd, transfer->replied});
    return fd;
}

int OnCloseSocket(void* user, curl_socket_t fd) {
    auto* transfer = static_cast<Transfer*>(user);
    const auto found = std::find_if(transfer->sockets.begin(), transfer->sockets.end(),
                                    [fd](const Transfer::Socket& socket) { return socket.fd == fd; });
    if (found != transfer->sockets.end()) {
        if (found->data && transfer->retrieving && !transfer->finished)
            transfer->dataEnded = std::chrono::steady_clock::now();
        transfer->sockets.erase(found);
    }
    return ::close(fd);
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(user);
    if (!transfer->dataEnded || std::chrono::steady_clock::now() - *transfer->dataEnded < kFinalReplyPatience)
        return 0;
    transfer->finalReplyGivenUp = true;
    return 1;
}

uint32_t MapError(CURLcode code) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return kErrorNameNotResolved;
    case CURLE_COULDNT_CONNECT:
        return kErrorCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return kErrorTimeout;
    case CURLE_URL_MALFORMAT:
        return kErrorInvalidUrl;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return kErrorProtocolNotFound;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
        return kErrorConnectionAborted;
    case CURLE_SEND_ERROR:
        return kErrorConnectionReset;
    default:
        return kErrorExtended;
    }
}

void SetTransferError(const Transfer& transfer) {
    const uint32_t code = MapError(transfer.result);
    std::string response = transfer.statusLine;
    if (response.empty())
        response = curl_easy_strerror(transfer.result);
    SetError(code, code == kErrorExtended ? response : std::string());
}

template <typename T>
T* As(Handle handle, Object::Kind kind) {
    if (handle == nullptr || handle->kind != kind) {
        SetError(kErrorInvalidHandle);
        return nullptr;
    }
    return static_cast<T*>(handle);
}

}  // namespace

Handle Open(const char* agent) {
    if (!StartLibrary()) {
        SetError(kErrorExtended, "The transfer library cannot start.");
        return nullptr;
    }
    auto* session = new Session;
    session->agent = agent != nullptr ? agent : "";
    SetError(0);
    return session;
}

Handle Connect(Handle sessionHandle, const char* host, int port, Service service) {
    auto* session = As<Session>(sessionHandle, Object::Kind::Session);
    if (session == nullptr)
        return nullptr;
    std::string name = host != nullptr ? host : "";
    const size_t colon = name.find(':');
    if (colon != std::string::npos && colon + 1 < name.size() &&
        name.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
        port = std::atoi(name.c_str() + colon + 1);
        name.erase(colon);
    }
    if (name.empty() || port <= 0 || port > 65535) {
        SetError(kErrorInvalidUrl);
        return nullptr;
    }
    auto* connection = new Connection;
    connection->agent = session->agent;
    connection->host = name;
    connection->port = port;
    connection->service = service;
    SetError(0);
    return connection;
}

bool AttemptConnect() {
    SetError(0);
    return true;
}

Handle OpenFile(Handle connectionHandle, const char* path) {
    auto* connection = As<Connection>(connectionHandle, Object::Kind::Connection);
    if (connection == nullptr)
        return nullptr;
    auto* transfer = new Transfer;
    transfer->service = connection->service;
    if (g_exchange != nullptr) {
        transfer->exchange = g_exchange;
        transfer->Step();
        SetError(0);
        return transfer;
    }
    transfer->multi = curl_multi_init();
    transfer->easy = curl_easy_init();
    if (transfer->multi == nullptr || transfer->easy == nullptr) {
        delete transfer;
        SetError(kErrorExtended, "The transfer library cannot start.");
        return nullptr;
    }
    const std::string url = std::string(connection->service == Service::Ftp ? "ftp://" : "http://") +
                            connection->host + ":" + std::to_string(connection->port) + "/" +
                            (path != nullptr ? path : "");
    CURL* easy = transfer->easy;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,ftp");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, connection->agent.c_str());
    // Direct access: no proxy from the environment either.
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, transfer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &OnData);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &OnOpenSocket);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, transfer);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &OnCloseSocket);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, transfer);
    if (connection->service == Service::Ftp) {
        curl_easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
        curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &OnProgress);
        curl_easy_setopt(easy, CURLOPT_XFERINFODATA, transfer);
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    }
    if (curl_multi_add_handle(transfer->multi, easy) != CURLM_OK) {
        delete transfer;
        SetError(kErrorExtended, "The transfer cannot be started.");
        return nullptr;
    }
    transfer->Step();
    SetError(0);
    return transfer;
}

Result QueryInfo(Handle handle, Info what, std::string& value) {
    auto* transfer = As<Transfer>(handle, Object::Kind::Transfer);
    if (transfer == nullptr)
        return Result::Failed;
    if (transfer->service != Service::Http) {
        SetError(kErrorHeaderNotFound);
        return Result::Failed;
    }
    transfer->Step();
    if (!transfer->headersDone) {
        if (!transfer->finished)
            return Result::Pending;
        SetTransferError(*transfer);
        return Result::Failed;
    }
    if (!transfer->Success()) {
        SetError(kErrorExtended, transfer->statusLine);
        return Result::Failed;
    }
    if (what == Info::StatusCode) {
        value = std::to_string(transfer->status);
        SetError(0);
        return Result::Ok;
    }
    const auto found = transfer->headers.find(what == Info::ContentType ? "content-type" : "content-length");
    if (found == transfer->headers.end()) {
        SetError(kErrorHeaderNotFound);
        return Result::Failed;
    }
    value = found->second;
    SetError(0);
    return Result::Ok;
}

Result QueryDataAvailable(Handle handle, uint32_t& bytes) {
    bytes = 0;
    auto* transfer = As<Transfer>(handle, Object::Kind::Transfer);
    if (transfer == nullptr)
        return Result::Failed;
    transfer->Step();
    if (transfer->service == Service::Http && transfer->headersDone && !transfer->Success()) {
        SetError(kErrorExtended, transfer->statusLine);
        return Result::Failed;
    }
    if (transfer->Buffered() > 0) {
        bytes = static_cast<uint32_t>(std::min<size_t>(transfer->Buffered(), UINT32_MAX));
        SetError(0);
        return Result::Ok;
    }
    if (!transfer->finished)
        return Result::Pending;
    if (transfer->result != CURLE_OK || (transfer->service == Service::Http && !transfer->headersDone)) {
        SetTransferError(*transfer);
        return Result::Failed;
    }
    SetError(0);
    return Result::Ok;
}

bool ReadFile(Handle handle, void* buffer, uint32_t size, uint32_t& read) {
    read = 0;
    auto* transfer = As<Transfer>(handle, Object::Kind::Transfer);
    if (transfer == nullptr)
        return false;
    if (transfer->Buffered() == 0 && transfer->finished && transfer->result != CURLE_OK) {
        SetTransferError(*transfer);
        return false;
    }
    const size_t count = std::min<size_t>(size, transfer->Buffered());
    if (count > 0)
        std::memcpy(buffer, transfer->buffer.data() + transfer->readOffset, count);
    transfer->readOffset += count;
    read = static_cast<uint32_t>(count);
    if (transfer->paused && transfer->Buffered() < kMaxBuffered) {
        transfer->paused = false;
        if (transfer->easy != nullptr)
            curl_easy_pause(transfer->easy, CURLPAUSE_CONT);
    }
    SetError(0);
    return true;
}

void Close(Handle handle) { delete handle; }

uint32_t LastError() { return t_lastError; }

std::string LastResponseInfo() { return t_lastResponse; }

std::string ErrorText(uint32_t code) {
    switch (code) {
    case kErrorTimeout:
        return "The operation timed out";
    case kErrorExtended:
        return "The server returned extended information";
    case kErrorInvalidUrl:
        return "The URL is invalid";
    case kErrorNameNotResolved:
        return "The server name or address could not be resolved";
    case kErrorProtocolNotFound:
        return "The URL does not use a recognized protocol";
    case kErrorInvalidHandle:
        return "The handle is of the wrong type for this operation";
    case kErrorCannotConnect:
        return "A connection with the server could not be established";
    case kErrorConnectionAborted:
        return "The connection with the server was terminated abnormally";
    case kErrorConnectionReset:
        return "The connection with the server was reset";
    case kErrorHeaderNotFound:
        return "The requested header was not found";
    default:
        return std::string();
    }
}

namespace stand_in {

void Play(const Exchange* exchange) { g_exchange = exchange; }

}  // namespace stand_in

}  // namespace sys::inet
