#pragma once

#include <string>
#include <vector>

// For tests: transfers that play what the transfer library would hand them instead of reaching
// the network. Everything of ours still runs on what they are handed: the header and data
// handling, the status and length checks, the buffering and the mapping of the library's
// failures to our error numbers. A test drives a server's answer through them in microseconds,
// with no socket, thread or wait.
namespace sys::inet::stand_in {

// What the library hands one transfer, in order: the header lines as they arrive (an HTTP
// answer's status line and headers with their line ends, then the empty line that ends them; an
// FTP server's replies), then the body, then how the transfer ended, in the library's own
// numbering (0: success; a number it does not have is a failure all the same).
struct Exchange {
    std::vector<std::string> headers;
    std::string body;
    int result = 0;
};

// Transfers opened from now on play `exchange`, which must outlive them: the step that opens one
// connects, the next brings all the header lines, each later one a piece of the body of at most
// the library's buffer size, and the one after the body ends the transfer. Null sends the
// transfers opened after it to the network again.
void Play(const Exchange* exchange);

}  // namespace sys::inet::stand_in
