// Transfers over HTTP and FTP against the tests' own servers on 127.0.0.1: whole files, the
// answers that count as failures (error status, missing length, a cut-off body, a missing FTP
// file, nobody listening), an FTP server falling silent, and the port a host name may carry.

#include "sys/inet/inet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "sys/inet/stand_in.h"
#include "tests/sys/inet/LoopbackServers.h"

namespace {

namespace inet = sys::inet;
using tarvex::test::FtpTestServer;
using tarvex::test::HttpTestServer;

const std::string kBody(150000, 'x');  // larger than one read

struct Outcome {
    inet::Result length = inet::Result::Pending;  // the length query (HTTP)
    std::string lengthText;
    inet::Result end = inet::Result::Pending;  // how the data ended
    std::string data;
    uint32_t error = 0;
    std::string response;
    std::chrono::steady_clock::duration slowest{};  // the longest single call, closing included
};

// Runs a transfer one step at a time, as the timer ticks would, for at most fifteen seconds (a
// loopback transfer takes a moment; the servers live twenty).
Outcome Fetch(const std::string& host, inet::Service service, const char* path) {
    Outcome out;
    inet::Handle session = inet::Open("Test Agent");
    inet::Handle connection = inet::Connect(session, host.c_str(), 80, service);
    inet::Handle transfer = inet::OpenFile(connection, path);
    EXPECT_NE(transfer, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    auto timed = [&](auto&& call) {
        const auto start = std::chrono::steady_clock::now();
        const auto result = call();
        out.slowest = std::max(out.slowest, std::chrono::steady_clock::now() - start);
        return result;
    };
    auto step = [&](auto&& call) {
        inet::Result result;
        while ((result = timed(call)) == inet::Result::Pending && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return result;
    };
    if (service == inet::Service::Http)
        out.length = step([&] { return inet::QueryInfo(transfer, inet::Info::ContentLength, out.lengthText); });
    if (out.length != inet::Result::Failed) {
        for (;;) {
            uint32_t available = 0;
            out.end = step([&] { return inet::QueryDataAvailable(transfer, available); });
            if (out.end != inet::Result::Ok || available == 0)
                break;
            char piece[64000];
            uint32_t read = 0;
            if (!inet::ReadFile(transfer, piece, sizeof(piece), read)) {
                out.end = inet::Result::Failed;
                break;
            }
            out.data.append(piece, read);
        }
    }
    out.error = inet::LastError();
    out.response = inet::LastResponseInfo();
    timed([&] { inet::Close(transfer); return 0; });
    inet::Close(connection);
    inet::Close(session);
    return out;
}

TEST(InetTest, HttpDeliversWholeFilesAndFailsOnBadAnswers) {
    HttpTestServer server({{"/files/whole.bin", {kBody}},
                           {"/files/nolength.bin", {"abc", 200, false}},
                           {"/files/cut.bin", {kBody, 200, true, 1000}}});
    struct Case {
        const char* path;
        inet::Result length;
        const char* lengthText;
        inet::Result end;
        size_t bytes;
        uint32_t error;
        const char* response;
    };
    const Case cases[] = {
        {"files/whole.bin", inet::Result::Ok, "150000", inet::Result::Ok, kBody.size(), 0, ""},
        {"files/missing.bin", inet::Result::Failed, "", inet::Result::Pending, 0, inet::kErrorExtended,
         "HTTP/1.1 404 Not Found"},
        {"files/nolength.bin", inet::Result::Failed, "", inet::Result::Pending, 0, inet::kErrorHeaderNotFound, ""},
        {"files/cut.bin", inet::Result::Ok, "150000", inet::Result::Failed, 1000, inet::kErrorConnectionAborted, ""},
    };
    for (const Case& c : cases) {
        const Outcome out = Fetch(server.Host(), inet::Service::Http, c.path);
        EXPECT_EQ(out.length, c.length) << c.path;
        EXPECT_EQ(out.lengthText, c.lengthText) << c.path;
        EXPECT_EQ(out.end, c.end) << c.path;
        EXPECT_EQ(out.data.size(), c.bytes) << c.path;
        EXPECT_EQ(out.error, c.error) << c.path;
        EXPECT_EQ(out.response, c.response) << c.path;
    }
    EXPECT_EQ(server.Requests().size(), 4u);
}

TEST(InetTest, FtpDeliversFilesOfUnknownLengthAndReportsMissingOnes) {
    FtpTestServer server({{"pub/whole.bin", kBody}});
    Outcome out = Fetch(server.Host(), inet::Service::Ftp, "pub/whole.bin");
    EXPECT_EQ(out.end, inet::Result::Ok);
    EXPECT_EQ(out.data, kBody);

    out = Fetch(server.Host(), inet::Service::Ftp, "pub/missing.bin");
    EXPECT_EQ(out.end, inet::Result::Failed);
    EXPECT_EQ(out.error, inet::kErrorExtended);
    EXPECT_EQ(out.response.substr(0, 3), "550");
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"pub/whole.bin"});  // files retrieved
}

// A server that stops answering costs no call more than a moment, whether it never confirms
// the file it sent (the library would wait a minute) or ignores the goodbye on closing (two
// minutes). The file it did send in full is still delivered.
TEST(InetTest, FtpServerFallingSilentStallsNoCall) {
    // The library's own final-reply lap is one second, and its waits one and two minutes.
    const auto moment = std::chrono::seconds(10);
    for (const char* verb : {"QUIT", "RETR"}) {
        FtpTestServer server({{"pub/whole.bin", kBody}}, verb);
        const Outcome out = Fetch(server.Host(), inet::Service::Ftp, "pub/whole.bin");
        EXPECT_EQ(out.end, inet::Result::Ok) << verb;
        EXPECT_EQ(out.data, kBody) << verb;
        EXPECT_LT(out.slowest, moment) << verb;
    }
}

TEST(InetTest, NobodyListeningAndBadHandlesFail) {
    int port = 0;
    const int closed = tarvex::test::LoopbackServer::ListenForTests(port);
    ::close(closed);  // the port is now certainly not served
    const Outcome out = Fetch("127.0.0.1:" + std::to_string(port), inet::Service::Http, "x");
    EXPECT_EQ(out.length, inet::Result::Failed);
    EXPECT_EQ(out.error, inet::kErrorCannotConnect);

    EXPECT_EQ(inet::Connect(nullptr, "host", 80, inet::Service::Http), nullptr);
    EXPECT_EQ(inet::LastError(), inet::kErrorInvalidHandle);
    inet::Handle session = inet::Open("a");
    EXPECT_EQ(inet::Connect(session, "", 80, inet::Service::Http), nullptr);
    EXPECT_EQ(inet::OpenFile(session, "x"), nullptr);
    inet::Close(session);
}

// What a stand-in exchange hands over goes through the same handling as the library's: interim
// answers, pieces of a body larger than one, and the library's failures as our error numbers.
TEST(InetTest, PlayedExchangesGoThroughTheSameHandling) {
    const std::string body(40000, 'y');
    struct Case {
        inet::Service service;
        sys::inet::stand_in::Exchange exchange;
        inet::Result length;
        inet::Result end;
        size_t bytes;
        uint32_t error;
        const char* response;
    };
    const Case cases[] = {
        {inet::Service::Http,
         {{"HTTP/1.1 100 Continue\r\n", "\r\n", "HTTP/1.1 200 OK\r\n", "content-length:  40000\r\n", "\r\n"}, body, 0},
         inet::Result::Ok, inet::Result::Ok, body.size(), 0, ""},
        // The library's "partial file" (18): the connection ended before the announced length.
        {inet::Service::Http,
         {{"HTTP/1.1 200 OK\r\n", "Content-Length: 50000\r\n", "\r\n"}, body, 18},
         inet::Result::Ok, inet::Result::Failed, body.size(), inet::kErrorConnectionAborted, ""},
        // The library's "remote file not found" (78) says more in the server's last reply.
        {inet::Service::Ftp,
         {{"220 Ready\r\n", "230 In\r\n", "550 No such file\r\n"}, "", 78},
         inet::Result::Pending, inet::Result::Failed, 0, inet::kErrorExtended, "550 No such file"},
    };
    for (const Case& c : cases) {
        sys::inet::stand_in::Play(&c.exchange);
        const Outcome out = Fetch("127.0.0.1:1", c.service, "x");
        sys::inet::stand_in::Play(nullptr);
        EXPECT_EQ(out.length, c.length) << c.exchange.result;
        EXPECT_EQ(out.end, c.end) << c.exchange.result;
        EXPECT_EQ(out.data.size(), c.bytes) << c.exchange.result;
        EXPECT_EQ(out.error, c.error) << c.exchange.result;
        EXPECT_EQ(out.response, c.response) << c.exchange.result;
    }
}

}  // namespace
