#pragma once

#include <cstdint>
#include <string>

// Internet transfers over HTTP and FTP, for the patch download. A session, a connection to a
// host and one open transfer, each a handle closed with Close. Nothing here waits on the
// network: opening a transfer starts it, and every later call does one non-blocking step of
// it, answering Pending while the data or the headers have not yet arrived. So a caller that
// runs one call per timer tick never stalls its message loop.
//
// Failures keep a code of the classic internet-error numbering in LastError(); an HTTP answer
// that is not a 2xx success, a transfer that ends before its announced length and a broken
// connection are failures, never an ordinary end of data. Only HTTP and FTP are spoken.
namespace sys::inet {

struct Object;
using Handle = Object*;

enum class Service { Http, Ftp };
enum class Result { Ok, Pending, Failed };
// What QueryInfo reads of an HTTP answer's headers.
enum class Info { ContentType, ContentLength, StatusCode };

constexpr int kDefaultHttpPort = 80;
constexpr int kDefaultFtpPort = 21;

// Error numbers, as the program has always reported them.
constexpr uint32_t kErrorTimeout = 12002;
constexpr uint32_t kErrorExtended = 12003;  // the server's answer says more: LastResponseInfo
constexpr uint32_t kErrorInvalidUrl = 12005;
constexpr uint32_t kErrorNameNotResolved = 12007;
constexpr uint32_t kErrorProtocolNotFound = 12008;
constexpr uint32_t kErrorInvalidHandle = 12018;
constexpr uint32_t kErrorConnectionAborted = 12030;
constexpr uint32_t kErrorCannotConnect = 12029;
constexpr uint32_t kErrorConnectionReset = 12031;
constexpr uint32_t kErrorHeaderNotFound = 12150;

// A session for the agent name; null when the transfer library cannot start.
Handle Open(const char* agent);
// A connection to the host through the service's port. The host may carry its own port
// ("host:8080"), which wins over `port`. No network traffic yet; null for an empty host.
Handle Connect(Handle session, const char* host, int port, Service service);
// Whether the machine can reach a network at all (always, where no dial-up exists).
bool AttemptConnect();
// Starts fetching the object at the path (no leading "/") on the connection: an HTTP GET
// that bypasses caches, or an FTP binary retrieval. Null when it cannot be started.
Handle OpenFile(Handle connection, const char* path);
// HTTP only: a header of the answer once the headers are in. Failed (and the code
// kErrorHeaderNotFound) when the header is missing, kErrorExtended when the status is not a
// success; FTP transfers answer Failed.
Result QueryInfo(Handle transfer, Info what, std::string& value);
// Bytes ready to read after one step of the transfer: Ok with a count above 0; Ok with 0 once
// every byte has been read and the transfer ended well; Pending while nothing is buffered yet.
Result QueryDataAvailable(Handle transfer, uint32_t& bytes);
// Copies up to `size` buffered bytes; false on a failed transfer. `read` is 0 when nothing is
// buffered.
bool ReadFile(Handle transfer, void* buffer, uint32_t size, uint32_t& read);
// Closes a session, connection or transfer; a transfer in flight is abandoned. Null is fine.
void Close(Handle handle);

// The code of the last failure on this thread; 0 after success.
uint32_t LastError();
// The server's last answer line (an HTTP status line, an FTP reply) for kErrorExtended.
std::string LastResponseInfo();
// A sentence for an error number; empty for numbers without one.
std::string ErrorText(uint32_t code);

}  // namespace sys::inet
