// A scripted HTTP/1.1 server on 127.0.0.1 for the tests of the request
// library and its users: replies are queued in order, one per request, and
// every request is recorded as it came (also the absolute-URI requests of a
// client that uses the server as its proxy). Each reply closes its
// connection. Stalls wait on the server's stop, so the destructor ends them
// at once and closes every socket.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

struct THttpReply {
    int status = 200;
    std::string reason = "OK";
    std::vector<std::pair<std::string, std::string>> headers;  // extra headers (e.g. Location)
    std::string body;
    bool chunked = false;        // Transfer-Encoding: chunked, no Content-Length
    bool contentLength = true;   // send Content-Length (when not chunked); false: close ends the body
    int stallBeforeMs = 0;       // wait before sending anything
    int stallMidBodyMs = 0;      // send headers and half the body, then wait, then the rest
    bool closeWithoutReply = false;
    // When non-zero, the body is this many bytes of a repeating pattern made
    // while sending (in place of `body`), so a huge reply costs no memory.
    std::uint64_t generatedLength = 0;
};

struct THttpRequest {
    std::string method, target, version;
    std::map<std::string, std::string> headers;  // names lower-cased; repeated ones joined by ", "
    std::string body;
};

class THttpTestServer {
public:
    THttpTestServer();   // listens on 127.0.0.1, a free port
    ~THttpTestServer();  // stops; stalls end at once; every socket closed
    THttpTestServer(const THttpTestServer&) = delete;
    THttpTestServer& operator=(const THttpTestServer&) = delete;

    std::uint16_t Port() const;
    std::string Url(const std::string& pathAndQuery) const;  // "http://127.0.0.1:<port>" + path
    void Queue(const THttpReply& reply);       // replies given in order, one per request
    void SetDefault(const THttpReply& reply);  // when the queue is empty (default: 404 with a short body)
    std::vector<THttpRequest> Requests() const;
    bool WaitForRequests(size_t count, unsigned ms) const;
    // Connections accepted so far (a client that reuses one shows fewer than requests).
    size_t Connections() const;

    // Byte `i` of a generated body.
    static char GeneratedByte(std::uint64_t i) { return static_cast<char>('a' + i % 26); }

    class TImpl;

private:
    std::unique_ptr<TImpl> impl_;
};

}  // namespace test_support
