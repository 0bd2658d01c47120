#include "support/http_test_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <list>
#include <mutex>
#include <thread>

namespace test_support {

namespace {

// Every wait on a socket is this long at most, so a stop is seen quickly.
constexpr int kPollMs = 20;
constexpr size_t kLargestHead = 64 * 1024;

class TSocket {
public:
    explicit TSocket(SOCKET s = INVALID_SOCKET) : s_(s) {}
    ~TSocket() { Close(); }
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;
    SOCKET Get() const { return s_; }
    void Reset(SOCKET s)
    {
        Close();
        s_ = s;
    }
    bool Valid() const { return s_ != INVALID_SOCKET; }
    void Close()
    {
        if (s_ != INVALID_SOCKET)
            closesocket(s_);
        s_ = INVALID_SOCKET;
    }

private:
    SOCKET s_;
};

bool Wait(SOCKET s, bool forWrite)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{0, kPollMs * 1000};
    int n = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, nullptr, &tv);
    return n > 0;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return "";
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

}  // namespace

class THttpTestServer::TImpl {
public:
    TImpl()
    {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        listener_.Reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        if (!listener_.Valid() || bind(listener_.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            listen(listener_.Get(), SOMAXCONN) != 0) {
            std::fprintf(stderr, "THttpTestServer: can't listen (%d)\n", WSAGetLastError());
            return;
        }
        int len = sizeof addr;
        getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        default_.status = 404;
        default_.reason = "Not Found";
        default_.body = "not found";
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }

    ~TImpl()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        stopCv_.notify_all();
        if (acceptor_.joinable())
            acceptor_.join();
        for (auto& c : connections_)
            c.thread.join();
        listener_.Close();
        if (started_)
            WSACleanup();
    }

    std::uint16_t port_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable stopCv_;               // stalls wait on it
    mutable std::condition_variable requestsCv_;   // WaitForRequests waits on it
    bool stopping_ = false;
    std::deque<THttpReply> queue_;
    THttpReply default_;
    std::vector<THttpRequest> requests_;
    size_t accepted_ = 0;

private:
    struct TConnection {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    bool Stopping()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return stopping_;
    }

    // Answers false when the server stops first.
    bool Stall(int ms)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return !stopCv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
    }

    void AcceptLoop()
    {
        while (!Stopping()) {
            // Finished connections are joined as we go: a few hundred requests
            // in a row leave no pile of threads.
            for (auto it = connections_.begin(); it != connections_.end();) {
                if (it->done->load()) {
                    it->thread.join();
                    it = connections_.erase(it);
                } else {
                    ++it;
                }
            }
            if (!Wait(listener_.Get(), false))
                continue;
            SOCKET s = accept(listener_.Get(), nullptr, nullptr);
            if (s == INVALID_SOCKET)
                continue;
            u_long nonBlocking = 1;
            ioctlsocket(s, FIONBIO, &nonBlocking);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                ++accepted_;
            }
            auto done = std::make_shared<std::atomic<bool>>(false);
            connections_.push_back({std::thread([this, s, done] {
                                        TSocket socket(s);
                                        Serve(socket.Get());
                                        done->store(true);
                                    }),
                                    done});
        }
    }

    bool SendAll(SOCKET s, const char* data, size_t size)
    {
        while (size > 0) {
            if (Stopping())
                return false;
            if (!Wait(s, true))
                continue;
            int n = send(s, data, static_cast<int>(std::min<size_t>(size, 1 << 16)), 0);
            if (n == SOCKET_ERROR) {
                if (WSAGetLastError() == WSAEWOULDBLOCK)
                    continue;
                return false;
            }
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    bool SendAll(SOCKET s, const std::string& text) { return SendAll(s, text.data(), text.size()); }

    // Appends what came to `buffer`; false on the peer's close, an error or the stop.
    bool ReceiveSome(SOCKET s, std::string& buffer)
    {
        for (;;) {
            if (Stopping())
                return false;
            if (!Wait(s, false))
                continue;
            char chunk[4096];
            int n = recv(s, chunk, sizeof chunk, 0);
            if (n > 0) {
                buffer.append(chunk, static_cast<size_t>(n));
                return true;
            }
            if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)
                continue;
            return false;
        }
    }

    bool ReadRequest(SOCKET s, std::string& buffer, THttpRequest& request)
    {
        size_t end;
        while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
            if (buffer.size() > kLargestHead || !ReceiveSome(s, buffer))
                return false;
        }
        std::string head = buffer.substr(0, end);
        buffer.erase(0, end + 4);
        size_t lineEnd = head.find("\r\n");
        std::string line = head.substr(0, lineEnd);
        size_t a = line.find(' ');
        size_t b = line.rfind(' ');
        if (a == std::string::npos || b == a)
            return false;
        request.method = line.substr(0, a);
        request.target = line.substr(a + 1, b - a - 1);
        request.version = line.substr(b + 1);
        while (lineEnd != std::string::npos) {
            size_t start = lineEnd + 2;
            lineEnd = head.find("\r\n", start);
            std::string field = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
            size_t colon = field.find(':');
            if (colon == std::string::npos)
                continue;
            std::string name = Lower(Trim(field.substr(0, colon)));
            std::string value = Trim(field.substr(colon + 1));
            auto it = request.headers.find(name);
            if (it == request.headers.end())
                request.headers.emplace(name, value);
            else
                it->second += ", " + value;
        }
        size_t length = 0;
        auto it = request.headers.find("content-length");
        if (it != request.headers.end())
            length = static_cast<size_t>(std::strtoull(it->second.c_str(), nullptr, 10));
        while (buffer.size() < length) {
            if (!ReceiveSome(s, buffer))
                return false;
        }
        request.body = buffer.substr(0, length);
        buffer.erase(0, length);
        return true;
    }

    // Sends body bytes [from, to) of the reply.
    bool SendBody(SOCKET s, const THttpReply& reply, std::uint64_t from, std::uint64_t to)
    {
        if (reply.generatedLength == 0)
            return SendAll(s, reply.body.data() + from, static_cast<size_t>(to - from));
        std::string block;
        while (from < to) {
            size_t n = static_cast<size_t>(std::min<std::uint64_t>(to - from, 1 << 16));
            block.resize(n);
            for (size_t i = 0; i < n; ++i)
                block[i] = THttpTestServer::GeneratedByte(from + i);
            if (!SendAll(s, block))
                return false;
            from += n;
        }
        return true;
    }

    // A chunked body goes in chunks of uneven sizes, so a client that reads
    // only the first chunk, or mistakes a size line for data, shows it.
    bool SendChunks(SOCKET s, const THttpReply& reply, std::uint64_t from, std::uint64_t to)
    {
        std::uint64_t size = 1;
        while (from < to) {
            std::uint64_t n = std::min<std::uint64_t>(to - from, size);
            char line[32];
            std::snprintf(line, sizeof line, "%llx\r\n", static_cast<unsigned long long>(n));
            if (!SendAll(s, line) || !SendBody(s, reply, from, from + n) || !SendAll(s, "\r\n"))
                return false;
            from += n;
            size = std::min<std::uint64_t>(size * 7 + 3, 1 << 16);
        }
        return true;
    }

    void Serve(SOCKET s)
    {
        std::string buffer;
        THttpRequest request;
        if (!ReadRequest(s, buffer, request))
            return;
        THttpReply reply;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
            if (!queue_.empty()) {
                reply = queue_.front();
                queue_.pop_front();
            } else {
                reply = default_;
            }
        }
        requestsCv_.notify_all();
        if (reply.stallBeforeMs > 0 && !Stall(reply.stallBeforeMs))
            return;
        if (reply.closeWithoutReply)
            return;

        const std::uint64_t length = reply.generatedLength ? reply.generatedLength : reply.body.size();
        const bool noBody = request.method == "HEAD";
        std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reply.reason + "\r\n";
        if (reply.chunked)
            head += "Transfer-Encoding: chunked\r\n";
        else if (reply.contentLength)
            head += "Content-Length: " + std::to_string(length) + "\r\n";
        for (const auto& [name, value] : reply.headers)
            head += name + ": " + value + "\r\n";
        // One request per connection keeps the client's connection reuse out
        // of the way of the queued replies.
        head += "Connection: close\r\n\r\n";
        if (!SendAll(s, head) || noBody)
            return;

        const std::uint64_t half = reply.stallMidBodyMs > 0 ? length / 2 : length;
        auto send = [&](std::uint64_t from, std::uint64_t to) {
            return reply.chunked ? SendChunks(s, reply, from, to) : SendBody(s, reply, from, to);
        };
        if (!send(0, half))
            return;
        if (reply.stallMidBodyMs > 0 && (!Stall(reply.stallMidBodyMs) || !send(half, length)))
            return;
        if (reply.chunked && !SendAll(s, "0\r\n\r\n"))
            return;
        // Let the client read everything before the close: a close with
        // unread data in our receive queue would reset the connection.
        shutdown(s, SD_SEND);
        std::string rest;
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < until && ReceiveSome(s, rest))
            rest.clear();
    }

    bool started_ = false;
    TSocket listener_;
    std::thread acceptor_;
    std::list<TConnection> connections_;  // the acceptor's only
};

THttpTestServer::THttpTestServer() : impl_(std::make_unique<TImpl>()) {}

THttpTestServer::~THttpTestServer() = default;

std::uint16_t THttpTestServer::Port() const { return impl_->port_; }

std::string THttpTestServer::Url(const std::string& pathAndQuery) const
{
    return "http://127.0.0.1:" + std::to_string(impl_->port_) + pathAndQuery;
}

void THttpTestServer::Queue(const THttpReply& reply)
{
    std::lock_guard<std::mutex> lock(impl_->mutex_);
    impl_->queue_.push_back(reply);
}

void THttpTestServer::SetDefault(const THttpReply& reply)
{
    std::lock_guard<std::mutex> lock(impl_->mutex_);
    impl_->default_ = reply;
}

std::vector<THttpRequest> THttpTestServer::Requests() const
{
    std::lock_guard<std::mutex> lock(impl_->mutex_);
    return impl_->requests_;
}

bool THttpTestServer::WaitForRequests(size_t count, unsigned ms) const
{
    std::unique_lock<std::mutex> lock(impl_->mutex_);
    return impl_->requestsCv_.wait_for(lock, std::chrono::milliseconds(ms),
                                       [this, count] { return impl_->requests_.size() >= count; });
}

size_t THttpTestServer::Connections() const
{
    std::lock_guard<std::mutex> lock(impl_->mutex_);
    return impl_->accepted_;
}

}  // namespace test_support
