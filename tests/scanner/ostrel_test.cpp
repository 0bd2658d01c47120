// Ostrel.dll as the request thread uses it: loaded from the program folder,
// MakeRequest driven against the scripted server on 127.0.0.1 (also as a
// proxy for a host that doesn't exist), and once against Python's
// http.server. The callbacks record what the library reports, on which
// thread, and answer the abort question as each test scripts it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ostrel/proxy_text.h"
#include "ostrel/request_blocks.h"
#include "support/http_test_server.h"
#include "support/test_support.h"

// The case tables name only the fields that matter to each case.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using test_support::THttpReply;
using test_support::THttpTestServer;

constexpr char kUserAgent[] = "Talmoris v. 4.0";

std::string LibraryPath() { return test_support::Join(test_support::EnvOr("TALMORIS_PROGRAM_DIR", ""), "Ostrel.dll"); }

// The library loaded as the request thread loads it, unloaded when done.
class TOstrel {
public:
    TOstrel() : module_(LoadLibraryA(LibraryPath().c_str()))
    {
        if (module_) {
            make_ = reinterpret_cast<TMakeRequest>(reinterpret_cast<void*>(GetProcAddress(module_, "MakeRequest")));
            free_ = reinterpret_cast<TFreeInstance>(reinterpret_cast<void*>(GetProcAddress(module_, "FreeInstance")));
        }
    }
    ~TOstrel()
    {
        if (module_)
            FreeLibrary(module_);
    }
    TOstrel(const TOstrel&) = delete;
    TOstrel& operator=(const TOstrel&) = delete;

    bool Loaded() const { return make_ && free_; }
    TMakeRequest Make() const { return make_; }
    TFreeInstance Free() const { return free_; }

private:
    HMODULE module_;
    TMakeRequest make_ = nullptr;
    TFreeInstance free_ = nullptr;
};

// What one request reported, and how its abort question is answered.
struct TRecorder {
    std::function<bool()> abortWhen;           // asked on each abort question
    std::function<void(std::uint32_t)> onProgress;
    std::vector<int> stages;
    std::vector<std::pair<std::uint32_t, std::int32_t>> progress;
    int asks = 0;
    DWORD abortedAt = 0;
    bool foreignThread = false;  // a callback ran on another thread than the caller's
    DWORD caller = GetCurrentThreadId();

    void Check() { foreignThread = foreignThread || GetCurrentThreadId() != caller; }

    static int WINAPI QueryAbort(void* context)
    {
        auto* r = static_cast<TRecorder*>(context);
        r->Check();
        ++r->asks;
        if (r->abortWhen && r->abortWhen()) {
            if (!r->abortedAt)
                r->abortedAt = GetTickCount();
            return 1;
        }
        return 0;
    }
    static void WINAPI Stage(void* context, int stage)
    {
        auto* r = static_cast<TRecorder*>(context);
        r->Check();
        r->stages.push_back(stage);
    }
    static void WINAPI Progress(void* context, std::uint32_t received, std::int32_t total)
    {
        auto* r = static_cast<TRecorder*>(context);
        r->Check();
        r->progress.emplace_back(received, total);
        if (r->onProgress)
            r->onProgress(received);
    }
};

struct TRequest {
    std::string url;
    bool useProxy = false;
    std::string proxyAddress;
    std::uint32_t proxyPort = 0;
    std::uint32_t stallTimeout = 10;
    bool nullUrl = false;
};

struct TResult {
    int answer = -1;
    std::uint32_t status = 0;
    std::string body;
    bool bodyNull = true;
    std::uint32_t bodyLength = 0;
    DWORD returnedAt = 0;
};

TResult Make(const TOstrel& ostrel, const TRequest& what, TRecorder& recorder)
{
    TRequestBlock block{};
    block.UseProxy = what.useProxy ? 1 : 0;
    block.ProxyPort = what.proxyPort;
    block.ProxyAddress = what.proxyAddress.c_str();
    block.ConnectTimeout = 30;
    block.StallTimeout = what.stallTimeout;
    block.Url = what.nullUrl ? nullptr : what.url.c_str();
    block.QueryAbort = &TRecorder::QueryAbort;
    block.Stage = &TRecorder::Stage;
    block.Progress = &TRecorder::Progress;
    block.Context = &recorder;
    block.UserAgent = kUserAgent;
    TResponseBlock response{};
    TResult result;
    result.answer = ostrel.Make()(&block, &response);
    result.returnedAt = GetTickCount();
    result.status = response.Status;
    result.bodyNull = response.Body == nullptr;
    result.bodyLength = response.BodyLength;
    if (response.Body)
        result.body.assign(reinterpret_cast<const char*>(response.Body), response.BodyLength);
    ostrel.Free()(response.Instance);
    return result;
}

// Stages start at 0, end at 6 and only go forward.
void ExpectStagesInOrder(const std::vector<int>& stages)
{
    ASSERT_FALSE(stages.empty());
    EXPECT_EQ(stages.front(), kStageStartup);
    EXPECT_EQ(stages.back(), kStageShutdown);
    for (size_t i = 1; i < stages.size(); ++i)
        EXPECT_LT(stages[i - 1], stages[i]) << "stage " << stages[i] << " after " << stages[i - 1];
}

void ExpectProgressNeverDecreases(const std::vector<std::pair<std::uint32_t, std::int32_t>>& progress)
{
    for (size_t i = 1; i < progress.size(); ++i) {
        EXPECT_LE(progress[i - 1].first, progress[i].first);
        EXPECT_EQ(progress[i - 1].second, progress[i].second);
    }
}

std::string Pattern(size_t size)
{
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>('0' + (i * 7 + i / 13) % 75);
    return text;
}

// Loaded, used once and unloaded a few hundred times, as the request thread
// does: a calling-convention mismatch or a thread left running shows here.
TEST(OstrelLoop, AFewHundredRequestsWithTheLibraryLoadedForEach)
{
    THttpTestServer server;
    constexpr int kRequests = 300;
    for (int i = 0; i < kRequests; ++i)
        server.Queue(THttpReply{.body = "reply " + std::to_string(i)});
    // A request that ended well leaves nothing that keeps the library
    // loaded (after a cancel it may stay, for WinINet's late notices).
    const bool residentBefore = GetModuleHandleA("Ostrel.dll") != nullptr;
    for (int i = 0; i < kRequests; ++i) {
        {
            TOstrel ostrel;
            ASSERT_TRUE(ostrel.Loaded()) << "load " << i;
            TRecorder recorder;
            TResult result = Make(ostrel, {.url = server.Url("/n?i=" + std::to_string(i))}, recorder);
            ASSERT_EQ(result.answer, 1) << "request " << i << " status " << result.status;
            ASSERT_EQ(result.body, "reply " + std::to_string(i));
            ASSERT_EQ(recorder.stages.size(), 7u);
        }
        if (!residentBefore) {
            ASSERT_EQ(GetModuleHandleA("Ostrel.dll"), nullptr) << "still loaded after request " << i;
        }
    }
    EXPECT_EQ(server.Requests().size(), static_cast<size_t>(kRequests));
    EXPECT_EQ(server.Connections(), static_cast<size_t>(kRequests));
}

class OstrelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ostrel_.Loaded()) << LibraryPath() << " error " << GetLastError(); }

    TOstrel ostrel_;
    THttpTestServer server_;
};

TEST_F(OstrelTest, SendsOneGetWithTheUserAgentAndReportsEveryStageOnTheCallingThread)
{
    server_.Queue(THttpReply{.body = "curr_version=5"});
    TRecorder recorder;
    TResult result = Make(ostrel_, {.url = server_.Url("/check.php?fsize=123456&rand=789")}, recorder);

    EXPECT_EQ(result.answer, 1);
    EXPECT_EQ(result.status, 200u);
    EXPECT_EQ(result.body, "curr_version=5");
    auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/check.php?fsize=123456&rand=789");
    EXPECT_EQ(requests[0].version, "HTTP/1.1");
    EXPECT_EQ(requests[0].headers["user-agent"], kUserAgent);
    EXPECT_EQ(requests[0].headers.count("cookie"), 0u);
    // No cache on the way answers for the server.
    EXPECT_EQ(requests[0].headers["pragma"], "no-cache");
    EXPECT_EQ(recorder.stages, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    ASSERT_FALSE(recorder.progress.empty());
    ExpectProgressNeverDecreases(recorder.progress);
    EXPECT_EQ(recorder.progress.back(), std::make_pair(std::uint32_t{14}, std::int32_t{14}));
    EXPECT_GE(recorder.asks, 1);
    EXPECT_FALSE(recorder.foreignThread);
}

// Every reply that came is a success with its HTTP status, whatever the
// status, however the body is framed and even when it is empty.
TEST_F(OstrelTest, AnyReplyIsItsStatusWithItsBody)
{
    struct TCase {
        const char* name;
        THttpReply reply;
        std::int32_t total;  // what progress reports as the total
    };
    const std::string big = Pattern(300000);
    const TCase cases[] = {
        {"404 with a body", {.status = 404, .reason = "Not Found", .body = "no such page"}, 12},
        {"404 without a body", {.status = 404, .reason = "Not Found"}, 0},
        {"empty 200", {}, 0},
        {"500", {.status = 500, .reason = "Server Error", .body = "oops"}, 4},
        {"chunked", {.body = big, .chunked = true}, 0},
        {"ended by the close", {.body = big, .contentLength = false}, 0},
        {"with a length", {.body = big}, 300000},
        {"a short stall before the reply", {.body = "late", .stallBeforeMs = 700}, 4},
        {"a short stall mid-body", {.body = big, .stallMidBodyMs = 700}, 300000},
        {"a short stall mid-chunks", {.body = big, .chunked = true, .stallMidBodyMs = 700}, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        server_.Queue(c.reply);
        TRecorder recorder;
        TResult result = Make(ostrel_, {.url = server_.Url("/x")}, recorder);
        EXPECT_EQ(result.answer, 1);
        EXPECT_EQ(result.status, static_cast<std::uint32_t>(c.reply.status));
        EXPECT_EQ(result.bodyLength, c.reply.body.size());
        EXPECT_TRUE(result.body == c.reply.body) << result.body.size() << " bytes came";
        EXPECT_EQ(result.bodyNull, c.reply.body.empty());
        ExpectStagesInOrder(recorder.stages);
        EXPECT_EQ(recorder.stages, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
        ExpectProgressNeverDecreases(recorder.progress);
        ASSERT_FALSE(recorder.progress.empty());
        EXPECT_EQ(recorder.progress.back().first, c.reply.body.size());
        EXPECT_EQ(recorder.progress.back().second, c.total);
        if (c.reply.stallBeforeMs || c.reply.stallMidBodyMs) {
            EXPECT_GE(recorder.asks, 3) << "the abort question is asked while WinINet waits";
        }
        EXPECT_FALSE(recorder.foreignThread);
    }
    EXPECT_EQ(server_.Requests().size(), std::size(cases));
}

TEST_F(OstrelTest, FollowsARedirectAndReportsEachStageOnce)
{
    server_.Queue(THttpReply{.status = 302, .reason = "Found", .headers = {{"Location", "/moved/here?a=1"}},
                             .body = "elsewhere"});
    server_.Queue(THttpReply{.body = "arrived"});
    TRecorder recorder;
    TResult result = Make(ostrel_, {.url = server_.Url("/first")}, recorder);
    EXPECT_EQ(result.answer, 1);
    EXPECT_EQ(result.status, 200u);
    EXPECT_EQ(result.body, "arrived");
    auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].target, "/moved/here?a=1");
    EXPECT_EQ(requests[1].headers["user-agent"], kUserAgent);
    EXPECT_EQ(recorder.stages, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    ASSERT_FALSE(recorder.progress.empty());
    EXPECT_EQ(recorder.progress.back(), std::make_pair(std::uint32_t{7}, std::int32_t{7}));
}

// The caller answers "abort" once the server holds the request: the library
// gives up within a second, wherever WinINet was waiting.
TEST_F(OstrelTest, ACancelDuringAStallEndsTheRequestWithinASecond)
{
    struct TCase {
        const char* name;
        THttpReply reply;
        bool afterSomeBody;  // abort once part of the body came
    };
    const std::string body = Pattern(200000);
    const TCase cases[] = {
        {"before the reply", {.body = "never", .stallBeforeMs = 60000}, false},
        {"mid-body", {.body = body, .stallMidBodyMs = 60000}, true},
        {"mid-chunks", {.body = body, .chunked = true, .stallMidBodyMs = 60000}, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t before = server_.Requests().size();
        server_.Queue(c.reply);
        TRecorder recorder;
        std::uint32_t received = 0;
        recorder.onProgress = [&](std::uint32_t r) { received = r; };
        recorder.abortWhen = [&] {
            return server_.Requests().size() > before && (!c.afterSomeBody || received > 0);
        };
        TResult result = Make(ostrel_, {.url = server_.Url("/stall")}, recorder);
        EXPECT_EQ(result.answer, 0);
        EXPECT_EQ(result.status, static_cast<std::uint32_t>(kRequestCancelled));
        EXPECT_TRUE(result.bodyNull);
        ASSERT_NE(recorder.abortedAt, 0u);
        EXPECT_LT(result.returnedAt - recorder.abortedAt, 1000u);
        ExpectStagesInOrder(recorder.stages);
        EXPECT_FALSE(recorder.foreignThread);
    }
}

TEST_F(OstrelTest, AnAbortBeforeAnythingWasSentSendsNothing)
{
    TRecorder recorder;
    recorder.abortWhen = [] { return true; };
    TResult result = Make(ostrel_, {.url = server_.Url("/x")}, recorder);
    EXPECT_EQ(result.answer, 0);
    EXPECT_EQ(result.status, static_cast<std::uint32_t>(kRequestCancelled));
    EXPECT_EQ(recorder.asks, 1);
    ExpectStagesInOrder(recorder.stages);
    EXPECT_FALSE(server_.WaitForRequests(1, 300));
}

// A send or receive that stalls longer than the block allows is a time-out;
// the shipped block allows 10 s, the shorter ones keep the other cases quick.
TEST_F(OstrelTest, AStallPastTheStallTimeoutIsATimeOut)
{
    struct TCase {
        const char* name;
        THttpReply reply;
        std::uint32_t stallTimeout;
    };
    const TCase cases[] = {
        {"10 s before the reply", {.body = "late", .stallBeforeMs = 60000}, 10},
        {"1 s before the reply", {.body = "late", .stallBeforeMs = 60000}, 1},
        {"1 s mid-body", {.body = Pattern(100000), .stallMidBodyMs = 60000}, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        server_.Queue(c.reply);
        TRecorder recorder;
        const DWORD start = GetTickCount();
        TResult result = Make(ostrel_, {.url = server_.Url("/slow"), .stallTimeout = c.stallTimeout}, recorder);
        EXPECT_EQ(result.answer, 0);
        EXPECT_EQ(result.status, static_cast<std::uint32_t>(kRequestTimedOut));
        EXPECT_TRUE(result.bodyNull);
        EXPECT_GE(result.returnedAt - start, c.stallTimeout * 1000 - 100);
        EXPECT_LT(result.returnedAt - start, c.stallTimeout * 1000 + 5000);
        ExpectStagesInOrder(recorder.stages);
    }
}

TEST_F(OstrelTest, NoReplyIsAnErrorCodeAndNeverZero)
{
    // A port nobody listens on: a server that was there and is gone.
    std::string closedUrl;
    {
        THttpTestServer gone;
        closedUrl = gone.Url("/x");
    }
    struct TCase {
        const char* name;
        TRequest request;
        std::uint32_t status;
    };
    const TCase cases[] = {
        {"closed port", {.url = closedUrl}, kRequestCantConnect},
        {"no URL", {.nullUrl = true}, kRequestBadUrl},
        {"empty URL", {.url = ""}, kRequestBadUrl},
        {"not a URL", {.url = "just words"}, kRequestBadUrl},
        {"no host", {.url = "http:///x"}, kRequestBadUrl},
        {"not a web scheme", {.url = "ftp://127.0.0.1/x"}, kRequestBadUrl},
        {"a name that resolves nowhere", {.url = "http://updates.invalid/x"}, kRequestNameNotResolved},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TRecorder recorder;
        TResult result = Make(ostrel_, c.request, recorder);
        EXPECT_EQ(result.answer, 0);
        EXPECT_EQ(result.status, c.status);
        EXPECT_TRUE(result.bodyNull);
        ExpectStagesInOrder(recorder.stages);
        EXPECT_TRUE(recorder.progress.empty());
    }
}

TEST_F(OstrelTest, AConnectionLostMidBodyIsNotAReply)
{
    // Headers and half the body come, then the server goes away.
    auto server = std::make_unique<THttpTestServer>();
    server->Queue(THttpReply{.body = Pattern(100000), .stallMidBodyMs = 60000});
    TRecorder recorder;
    recorder.onProgress = [&](std::uint32_t received) {
        if (received > 0)
            server.reset();
    };
    TResult result = Make(ostrel_, {.url = server->Url("/x")}, recorder);
    EXPECT_EQ(result.answer, 0);
    EXPECT_EQ(result.status, static_cast<std::uint32_t>(kRequestConnectionLost));
    EXPECT_TRUE(result.bodyNull);
    EXPECT_EQ(server, nullptr);

    // The server closes without any reply.
    server_.Queue(THttpReply{.closeWithoutReply = true});
    TRecorder silent;
    result = Make(ostrel_, {.url = server_.Url("/x")}, silent);
    EXPECT_EQ(result.answer, 0);
    // Wine calls it an invalid response (1003, "anything else"); Windows may
    // call it an aborted connection.
    EXPECT_TRUE(result.status == kRequestFailed || result.status == kRequestConnectionLost) << result.status;
}

TEST_F(OstrelTest, ABodyOver64MiBIsRefusedWithNoMemory)
{
    struct TCase {
        const char* name;
        THttpReply reply;
        int answer;
        std::uint32_t status;
    };
    const TCase cases[] = {
        {"exactly 64 MiB", {.generatedLength = kRequestLargestBody}, 1, 200},
        // An announced length is refused before anything is read. (The body
        // is short: Wine's close reads an unread body to its end while it
        // keeps coming.)
        {"one byte more, announced", {.headers = {{"Content-Length", std::to_string(kRequestLargestBody + 1ull)}},
                                      .body = "short", .contentLength = false}, 0, kRequestNoMemory},
        {"one byte more, chunked", {.chunked = true, .generatedLength = kRequestLargestBody + 1ull}, 0,
         kRequestNoMemory},
        {"one byte more, ended by the close",
         {.contentLength = false, .generatedLength = kRequestLargestBody + 1ull}, 0, kRequestNoMemory},
        {"announced as 5 GiB", {.headers = {{"Content-Length", "5368709120"}}, .body = "short",
                                .contentLength = false}, 0, kRequestNoMemory},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        server_.Queue(c.reply);
        TRecorder recorder;
        TRequestBlock block{};
        const std::string url = server_.Url("/big");
        block.Url = url.c_str();
        block.ConnectTimeout = 30;
        block.StallTimeout = 10;
        block.QueryAbort = &TRecorder::QueryAbort;
        block.Stage = &TRecorder::Stage;
        block.Progress = &TRecorder::Progress;
        block.Context = &recorder;
        block.UserAgent = kUserAgent;
        TResponseBlock response{};
        EXPECT_EQ(ostrel_.Make()(&block, &response), c.answer);
        EXPECT_EQ(response.Status, c.status);
        if (c.answer) {
            ASSERT_NE(response.Body, nullptr);
            ASSERT_EQ(response.BodyLength, kRequestLargestBody);
            bool same = true;
            for (std::uint32_t i = 0; i < response.BodyLength && same; i += 4093)
                same = static_cast<char>(response.Body[i]) == THttpTestServer::GeneratedByte(i);
            EXPECT_TRUE(same);
            EXPECT_EQ(static_cast<char>(response.Body[response.BodyLength - 1]),
                      THttpTestServer::GeneratedByte(kRequestLargestBody - 1));
        } else {
            EXPECT_EQ(response.Body, nullptr);
        }
        ostrel_.Free()(response.Instance);
        ExpectProgressNeverDecreases(recorder.progress);
        ExpectStagesInOrder(recorder.stages);
    }
}

// The proxy the block names carries the request (the absolute URI of a host
// that doesn't exist); a port outside 1-65535 is the proxy's default port,
// never a truncated one; without "use proxy" or an address it connects
// directly, never through the system's settings.
TEST_F(OstrelTest, UsesTheProxyTheBlockNames)
{
    const std::uint32_t port = server_.Port();
    const std::string own = "127.0.0.1:" + std::to_string(port);
    struct TCase {
        const char* name;
        TRequest request;
        const char* target;  // as the server got it; null: it got nothing
        bool viaProxy = true;
    };
    const TCase cases[] = {
        {"proxy and port", {.url = "http://updates.invalid/check.php?x=1", .useProxy = true,
                            .proxyAddress = "127.0.0.1", .proxyPort = port},
         "/check.php?x=1"},
        {"port 0 keeps the address's own", {.url = "http://updates.invalid/p0", .useProxy = true,
                                            .proxyAddress = own, .proxyPort = 0},
         "/p0"},
        {"port 0 is the default port", {.url = "http://updates.invalid/d0", .useProxy = true,
                                        .proxyAddress = "127.0.0.1", .proxyPort = 0},
         nullptr},
        {"a port past 65535 is not cut to 16 bits", {.url = "http://updates.invalid/big", .useProxy = true,
                                                     .proxyAddress = "127.0.0.1", .proxyPort = 65536 + port},
         nullptr},
        {"port -1 is the default port", {.url = "http://updates.invalid/m1", .useProxy = true,
                                         .proxyAddress = "127.0.0.1", .proxyPort = 0xFFFFFFFFu},
         nullptr},
        {"use proxy off", {.url = server_.Url("/direct"), .useProxy = false, .proxyAddress = "updates.invalid",
                           .proxyPort = 8080},
         "/direct", false},
        {"no address", {.url = server_.Url("/direct2"), .useProxy = true, .proxyAddress = "", .proxyPort = 8080},
         "/direct2", false},
    };
    server_.SetDefault(THttpReply{.body = "through"});
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t before = server_.Requests().size();
        TRecorder recorder;
        TResult result = Make(ostrel_, c.request, recorder);
        auto requests = server_.Requests();
        if (!c.target) {
            EXPECT_EQ(requests.size(), before);
            EXPECT_EQ(result.answer, 0);
            continue;
        }
        EXPECT_EQ(result.answer, 1);
        EXPECT_EQ(result.body, "through");
        ASSERT_EQ(requests.size(), before + 1);
        const std::string& target = requests.back().target;
        if (c.viaProxy) {
            // WinINet writes the default port into the absolute URI or leaves it out.
            EXPECT_TRUE(target == std::string("http://updates.invalid") + c.target ||
                        target == std::string("http://updates.invalid:80") + c.target)
                << target;
            EXPECT_EQ(requests.back().headers["host"], "updates.invalid");
        } else {
            EXPECT_EQ(target, c.target);
        }
        EXPECT_EQ(requests.back().headers["user-agent"], kUserAgent);
        ExpectStagesInOrder(recorder.stages);
    }
}

TEST(OstrelProxyText, PortsOutsideTheRangeLeaveTheDefault)
{
    struct TCase {
        bool use;
        const char* address;
        std::uint32_t port;
        const char* text;
    };
    const TCase cases[] = {
        {true, "proxy.example", 8080, "proxy.example:8080"},
        {true, "proxy.example", 0, "proxy.example"},
        {true, "proxy.example", 70000, "proxy.example"},
        {true, "proxy.example", 0xFFFFFFFFu, "proxy.example"},
        {true, "proxy.example", 65535, "proxy.example:65535"},
        {true, "proxy.example", 1, "proxy.example:1"},
        {true, "", 8080, ""},
        {true, nullptr, 8080, ""},
        {false, "proxy.example", 8080, ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ostrel::ProxyText(c.use, c.address, c.port), c.text) << c.address << " " << c.port;
}

TEST_F(OstrelTest, FreeInstanceIgnoresZeroAndAHandleGivenBackTwice)
{
    server_.Queue(THttpReply{.body = "freed"});
    TRecorder recorder;
    TRequestBlock block{};
    const std::string url = server_.Url("/x");
    block.Url = url.c_str();
    block.Context = &recorder;
    block.Stage = &TRecorder::Stage;
    // Only a stage callback, no user agent and zero time-outs (the defaults).
    TResponseBlock response{};
    ASSERT_EQ(ostrel_.Make()(&block, &response), 1);
    EXPECT_EQ(recorder.stages, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    ASSERT_NE(response.Instance, 0u);
    ostrel_.Free()(0);
    ostrel_.Free()(response.Instance);
    ostrel_.Free()(response.Instance);  // a double free would corrupt the heap
}

// One request to Python's http.server, which the ostrel_python_peer test
// starts (its address in TALMORIS_PEER_URL) serving the file TALMORIS_PEER_FILE
// as peer.txt.
TEST(OstrelPeer, PythonHttpServerServesTheFile)
{
    const char* root = std::getenv("TALMORIS_PEER_URL");
    if (!root || !*root)
        GTEST_SKIP() << "runs from the ostrel_python_peer test";
    const auto expected = test_support::ReadAll(test_support::EnvOr("TALMORIS_PEER_FILE", ""));
    ASSERT_FALSE(expected.empty());
    TOstrel ostrel;
    ASSERT_TRUE(ostrel.Loaded());
    TRecorder recorder;
    TResult result = Make(ostrel, {.url = std::string(root) + "/peer.txt?fsize=1234&rand=5678"}, recorder);
    EXPECT_EQ(result.answer, 1);
    EXPECT_EQ(result.status, 200u);
    EXPECT_EQ(result.body, std::string(expected.begin(), expected.end()));
    EXPECT_EQ(recorder.stages, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    ASSERT_FALSE(recorder.progress.empty());
    EXPECT_EQ(recorder.progress.back().second, static_cast<std::int32_t>(expected.size()));

    // A missing file is its 404, with Python's page as the body.
    TRecorder missing;
    result = Make(ostrel, {.url = std::string(root) + "/missing.txt"}, missing);
    EXPECT_EQ(result.answer, 1);
    EXPECT_EQ(result.status, 404u);
}

}  // namespace
