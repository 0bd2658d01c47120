// Ostrel.dll: one HTTP(S) request over WinINet per MakeRequest call.
//
// WinINet runs in its asynchronous mode, so the calling thread never blocks
// in it: while an operation is pending it waits in steps of 100 ms, asks the
// caller's abort callback, watches for a stall and passes stages and
// progress on. Every callback of the caller runs on the thread that called
// MakeRequest, and the library starts no thread of its own.
//
// A cancel or a stall closes the handles and returns at once. WinINet may
// finish an operation it had pending later (Wine's blocked receive ends only
// with the server or its time-out) and then calls our status callback: the
// state that callback uses is counted per open handle, and the library
// keeps itself loaded for good, since the caller unloads it at once.
#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "ostrel/proxy_text.h"
#include "ostrel/request_blocks.h"

namespace {

constexpr DWORD kAskAbortEveryMs = 100;
constexpr DWORD kCloseWaitMs = 2000;
// WinINet's own time-outs (set from the block) normally end a stall; ours
// follows them by this much, for a WinINet that doesn't keep to them.
constexpr DWORD kWatchdogMarginMs = 2000;
constexpr std::uint32_t kDefaultConnectTimeout = 30;
constexpr std::uint32_t kDefaultStallTimeout = 10;
constexpr std::uint32_t kLongestTimeout = 3600;  // keeps the milliseconds in 32 bits
constexpr DWORD kReadChunk = 64 * 1024;
constexpr DWORD kStopped = 0xFFFFFFFFu;  // no Win32 error has this value

class THandle {
public:
    explicit THandle(HANDLE h) : h_(h) {}
    ~THandle()
    {
        if (h_)
            CloseHandle(h_);
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    HANDLE Get() const { return h_; }

private:
    HANDLE h_;
};

void PinLibrary()
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCSTR>(&PinLibrary), &self);
}

// A finished response, owned by the caller until FreeInstance.
struct TResponse {
    std::vector<std::uint8_t> body;
};

// Responses handed out and not yet freed: FreeInstance ignores any other value.
class TResponses {
public:
    std::uintptr_t Add(std::unique_ptr<TResponse> response)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        live_.insert(response.get());
        return reinterpret_cast<std::uintptr_t>(response.release());
    }
    void Free(std::uintptr_t instance)
    {
        std::unique_ptr<TResponse> response;
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = live_.find(reinterpret_cast<TResponse*>(instance));
        if (it == live_.end())
            return;
        response.reset(*it);
        live_.erase(it);
    }

private:
    std::mutex mutex_;
    std::set<TResponse*> live_;
};

TResponses& Responses()
{
    static TResponses responses;
    return responses;
}

std::uint32_t Seconds(std::uint32_t given, std::uint32_t fallback)
{
    return given == 0 ? fallback : std::min(given, kLongestTimeout);
}

// What WinINet's status callback and the calling thread share. It lives
// while MakeRequest runs or a handle made with it is open (each handle's
// closing notice is the last WinINet says about it), so it is counted.
class TRequestState {
public:
    static TRequestState* Create() { return std::make_unique<TRequestState>().release(); }

    TRequestState()
        : chunk(kReadChunk),
          wake_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          completed_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          released_(CreateEventA(nullptr, FALSE, FALSE, nullptr))
    {
    }

    void Release()
    {
        bool last;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            last = --refs_ == 0;
            if (!last)
                SetEvent(released_.Get());
        }
        if (last)
            std::unique_ptr<TRequestState> gone(this);
    }

    // A handle made with this state as its context: its closing notice releases it.
    void Register(HINTERNET handle)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        handles_.insert(handle);
        ++refs_;
    }
    void Closing(HINTERNET handle)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!handles_.erase(handle))
                return;
        }
        Release();
    }
    // Waits until no handle holds the state any more.
    bool WaitUntilOnlyOurs(DWORD ms)
    {
        const DWORD start = GetTickCount();
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (refs_ == 1)
                    return true;
            }
            const DWORD spent = GetTickCount() - start;
            if (spent >= ms)
                return false;
            WaitForSingleObject(released_.Get(), ms - spent);
        }
    }

    HANDLE WakeEvent() const { return wake_.Get(); }
    HANDLE CompletedEvent() const { return completed_.Get(); }

    // Stages only move forward; a stage reached again (a redirect's second
    // hop) is not reported again.
    void Reach(int stage)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        reached_ = std::max(reached_, stage);
        lastActivity_ = GetTickCount();
        SetEvent(wake_.Get());
    }
    void SetConnecting(bool connecting)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connecting_ = connecting;
        lastActivity_ = GetTickCount();
    }
    void Touch()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lastActivity_ = GetTickCount();
    }
    void SetProgress(std::uint32_t received, std::int32_t total)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        received_ = received;
        total_ = total;
        progressPending_ = true;
        lastActivity_ = GetTickCount();
    }
    // Milliseconds since anything happened, and whether that was while
    // resolving or connecting (the connect time-out) or later (the stall one).
    DWORD Idle(bool& connecting) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connecting = connecting_;
        return GetTickCount() - lastActivity_;
    }

    // On the calling thread: the stages reached since the last call, each in
    // order, then the latest progress.
    void PassOn(const TRequestBlock& request)
    {
        int from, to;
        bool progress;
        std::uint32_t received;
        std::int32_t total;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            from = reported_ + 1;
            to = reached_;
            reported_ = std::max(reported_, reached_);
            progress = progressPending_ && reported_ < kStageShutdown;
            progressPending_ = false;
            received = received_;
            total = total_;
        }
        for (int stage = from; stage <= to; ++stage)
            if (request.Stage)
                request.Stage(request.Context, stage);
        if (progress && request.Progress)
            request.Progress(request.Context, received, total);
    }
    // On the calling thread: the last stage; nothing is reported after it.
    void Finish(const TRequestBlock& request)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (reported_ >= kStageShutdown)
                return;
            reached_ = reported_ = kStageShutdown;
        }
        if (request.Stage)
            request.Stage(request.Context, kStageShutdown);
    }

    // One operation may be pending at a time; a completion nobody waits for
    // (a call that finished at once) is dropped.
    void Expect()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        expecting_ = true;
        done_ = false;
        ResetEvent(completed_.Get());
    }
    void Unexpect()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        expecting_ = false;
        done_ = false;
    }
    bool Expecting() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return expecting_;
    }
    void Complete(const INTERNET_ASYNC_RESULT* result)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!expecting_)
            return;
        expecting_ = false;
        done_ = true;
        // Some operations put a count in dwResult, which may be 0: only an
        // error code says it failed.
        error_ = result && result->dwResult == 0 ? result->dwError : 0;
        SetEvent(completed_.Get());
    }
    bool TakeCompletion(DWORD& error)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!done_)
            return false;
        done_ = false;
        error = error_;
        return true;
    }

    // What WinINet fills in for a pending operation, perhaps after we gave up
    // on it: here rather than on the caller's stack.
    std::vector<std::uint8_t> chunk;
    DWORD available = 0;
    DWORD read = 0;

private:
    THandle wake_;
    THandle completed_;
    THandle released_;
    mutable std::mutex mutex_;
    int refs_ = 1;
    std::set<HINTERNET> handles_;
    int reached_ = kStageStartup;
    int reported_ = kStageStartup;
    bool connecting_ = true;
    DWORD lastActivity_ = GetTickCount();
    bool progressPending_ = false;
    std::uint32_t received_ = 0;
    std::int32_t total_ = 0;
    bool expecting_ = false;
    bool done_ = false;
    DWORD error_ = 0;
};

void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info, DWORD)
{
    auto* state = reinterpret_cast<TRequestState*>(context);
    if (!state)
        return;
    switch (status) {
    case INTERNET_STATUS_RESOLVING_NAME:
        state->SetConnecting(true);
        state->Reach(kStageLookup);
        break;
    case INTERNET_STATUS_CONNECTING_TO_SERVER:
        state->SetConnecting(true);
        state->Reach(kStageConnect);
        break;
    case INTERNET_STATUS_CONNECTED_TO_SERVER:
        state->SetConnecting(false);
        break;
    case INTERNET_STATUS_SENDING_REQUEST:
        state->SetConnecting(false);
        state->Reach(kStageSend);
        break;
    case INTERNET_STATUS_RECEIVING_RESPONSE:
        state->Reach(kStageReceive);
        break;
    case INTERNET_STATUS_REDIRECT:
        state->SetConnecting(true);
        break;
    case INTERNET_STATUS_REQUEST_COMPLETE:
        state->Complete(static_cast<const INTERNET_ASYNC_RESULT*>(info));
        break;
    case INTERNET_STATUS_HANDLE_CLOSING:
        state->Closing(handle);  // may free the state: the last use of it
        break;
    case INTERNET_STATUS_NAME_RESOLVED:
    case INTERNET_STATUS_REQUEST_SENT:
    case INTERNET_STATUS_RESPONSE_RECEIVED:
        state->Touch();  // data moved; other notices don't count against a stall
        break;
    default:
        break;
    }
}

std::uint32_t MapError(DWORD error)
{
    switch (error) {
    case ERROR_INTERNET_TIMEOUT:
    case WSAETIMEDOUT:  // Wine passes on the socket's own code
        return kRequestTimedOut;
    case ERROR_INTERNET_OPERATION_CANCELLED:
        return kRequestCancelled;
    case ERROR_INTERNET_CANNOT_CONNECT:
        return kRequestCantConnect;
    case ERROR_INTERNET_INVALID_URL:
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
        return kRequestBadUrl;
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
        return kRequestNameNotResolved;
    case ERROR_INTERNET_CONNECTION_ABORTED:
    case ERROR_INTERNET_CONNECTION_RESET:
        return kRequestConnectionLost;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return kRequestNoMemory;
    default:
        return kRequestFailed;
    }
}

// A failure while the body comes in: the reply was cut off.
std::uint32_t MapBodyError(DWORD error)
{
    const std::uint32_t code = MapError(error);
    return code == kRequestFailed ? kRequestConnectionLost : code;
}

struct TUrlParts {
    std::string host, user, password, target;
    INTERNET_PORT port = 0;
    bool secure = false;
};

bool CrackUrl(const char* url, TUrlParts& parts)
{
    if (!url || !*url)
        return false;
    URL_COMPONENTSA c{};
    c.dwStructSize = sizeof c;
    // Lengths without buffers: the parts are pointed out within `url`.
    c.dwSchemeLength = c.dwHostNameLength = c.dwUserNameLength = c.dwPasswordLength = c.dwUrlPathLength =
        c.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(url, 0, 0, &c))
        return false;
    if ((c.nScheme != INTERNET_SCHEME_HTTP && c.nScheme != INTERNET_SCHEME_HTTPS) || !c.lpszHostName ||
        c.dwHostNameLength == 0)
        return false;
    auto part = [](const char* text, DWORD length) { return text ? std::string(text, length) : std::string(); };
    parts.host = part(c.lpszHostName, c.dwHostNameLength);
    parts.user = part(c.lpszUserName, c.dwUserNameLength);
    parts.password = part(c.lpszPassword, c.dwPasswordLength);
    std::string path = part(c.lpszUrlPath, c.dwUrlPathLength);
    std::string extra = part(c.lpszExtraInfo, c.dwExtraInfoLength);
    // The fragment stays with the client.
    const size_t hash = extra.find('#');
    if (hash != std::string::npos)
        extra.erase(hash);
    parts.target = (path.empty() ? "/" : path) + extra;
    parts.port = c.nPort;
    parts.secure = c.nScheme == INTERNET_SCHEME_HTTPS;
    return true;
}

struct TOutcome {
    std::uint32_t status = kRequestFailed;  // the HTTP status when `replied`, else an error code
    bool replied = false;
    std::vector<std::uint8_t> body;
};

// One request, driven from the calling thread.
class TRequestRun {
public:
    explicit TRequestRun(const TRequestBlock& request)
        : request_(request),
          connectMs_(Seconds(request.ConnectTimeout, kDefaultConnectTimeout) * 1000),
          stallMs_(Seconds(request.StallTimeout, kDefaultStallTimeout) * 1000),
          state_(TRequestState::Create())
    {
    }
    ~TRequestRun() { state_->Release(); }
    TRequestRun(const TRequestRun&) = delete;
    TRequestRun& operator=(const TRequestRun&) = delete;

    TOutcome Run()
    {
        if (request_.Stage)
            request_.Stage(request_.Context, kStageStartup);
        const std::string proxy = ostrel::ProxyText(request_.UseProxy != 0, request_.ProxyAddress, request_.ProxyPort);
        // Never the system's settings: straight to the server, or through the
        // given proxy for every host, the loopback included.
        session_ = proxy.empty()
                       ? InternetOpenA(UserAgent(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, INTERNET_FLAG_ASYNC)
                       : InternetOpenA(UserAgent(), INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), "<-loopback>",
                                       INTERNET_FLAG_ASYNC);
        if (!session_) {
            state_->Finish(request_);
            return Failed(kRequestNoSession);
        }
        InternetSetOptionA(session_, INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs_, sizeof connectMs_);
        InternetSetStatusCallbackA(session_, StatusCallback);
        state_->Reach(kStageRequest);
        state_->PassOn(request_);

        TOutcome outcome;
        try {
            outcome = Request();
        } catch (const std::bad_alloc&) {
            outcome = Failed(kRequestNoMemory);
        } catch (...) {
            outcome = Failed(kRequestFailed);
        }
        Close();
        return outcome;
    }

private:
    struct TCall {
        DWORD error;   // 0, a Win32 error, or kStopped
        bool pending;  // it completed later, not at once
    };

    const char* UserAgent() const { return request_.UserAgent ? request_.UserAgent : ""; }

    static TOutcome Failed(std::uint32_t code)
    {
        TOutcome outcome;
        outcome.status = code;
        return outcome;
    }

    TOutcome Request()
    {
        TUrlParts url;
        if (!CrackUrl(request_.Url, url))
            return Failed(kRequestBadUrl);
        if (AskAbort())
            return Failed(kRequestCancelled);

        const DWORD_PTR context = reinterpret_cast<DWORD_PTR>(state_);
        connection_ = InternetConnectA(session_, url.host.c_str(), url.port, url.user.empty() ? nullptr : url.user.c_str(),
                                       url.password.empty() ? nullptr : url.password.c_str(), INTERNET_SERVICE_HTTP, 0,
                                       context);
        if (!connection_)
            return Failed(MapError(GetLastError()));
        state_->Register(connection_);
        const DWORD flags = INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_CACHE_WRITE |
                            INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_AUTH |
                            INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS | (url.secure ? INTERNET_FLAG_SECURE : 0);
        request_handle_ = HttpOpenRequestA(connection_, "GET", url.target.c_str(), nullptr, nullptr, nullptr, flags,
                                           context);
        if (!request_handle_)
            return Failed(MapError(GetLastError()));
        state_->Register(request_handle_);
        // Wine takes the receive and send time-outs only from a request handle.
        InternetSetOptionA(request_handle_, INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs_, sizeof connectMs_);
        for (DWORD option : {INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                             INTERNET_OPTION_DATA_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT})
            InternetSetOptionA(request_handle_, option, &stallMs_, sizeof stallMs_);

        TCall sent = Call([this] { return HttpSendRequestA(request_handle_, nullptr, 0, nullptr, 0); });
        if (sent.error == kStopped)
            return Failed(stoppedFor_);
        if (sent.error)
            return Failed(Stalled(sent.error) ? kRequestTimedOut : MapError(sent.error));

        DWORD status = 0;
        DWORD size = sizeof status;
        if (!HttpQueryInfoA(request_handle_, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
            status == 0)
            return Failed(kRequestFailed);
        state_->Reach(kStageReceive);
        return ReadBody(status);
    }

    TOutcome ReadBody(DWORD status)
    {
        // Content-Length as text: a length past 4 GiB must not wrap.
        char lengthText[32] = {};
        DWORD size = sizeof lengthText - 1;
        unsigned long long length = 0;
        bool lengthKnown = false;
        if (HttpQueryInfoA(request_handle_, HTTP_QUERY_CONTENT_LENGTH, lengthText, &size, nullptr)) {
            char* end = nullptr;
            length = std::strtoull(lengthText, &end, 10);
            lengthKnown = end != lengthText;
        }
        if (lengthKnown && length > kRequestLargestBody)
            return Failed(kRequestNoMemory);
        const std::int32_t total = lengthKnown ? static_cast<std::int32_t>(length) : 0;

        TOutcome outcome;
        if (lengthKnown)
            outcome.body.reserve(static_cast<size_t>(length));
        state_->SetProgress(0, total);
        for (;;) {
            if (!Watch())
                return Failed(stoppedFor_);
            TCall asked = Call([this] { return InternetQueryDataAvailable(request_handle_, &state_->available, 0, 0); });
            if (asked.error == kStopped)
                return Failed(stoppedFor_);
            if (asked.error)
                return Failed(Stalled(asked.error) ? kRequestTimedOut : MapBodyError(asked.error));
            if (asked.pending)
                continue;  // the data is there now: ask again for its amount
            if (state_->available == 0)
                break;
            const DWORD want = std::min<DWORD>(state_->available, kReadChunk);
            TCall got = Call([this, want] { return InternetReadFile(request_handle_, state_->chunk.data(), want, &state_->read); });
            if (got.error == kStopped)
                return Failed(stoppedFor_);
            if (got.error)
                return Failed(Stalled(got.error) ? kRequestTimedOut : MapBodyError(got.error));
            if (state_->read == 0)
                break;
            if (outcome.body.size() + state_->read > kRequestLargestBody)
                return Failed(kRequestNoMemory);
            outcome.body.insert(outcome.body.end(), state_->chunk.begin(), state_->chunk.begin() + state_->read);
            state_->SetProgress(static_cast<std::uint32_t>(outcome.body.size()), total);
        }
        // The server closed before the length it announced.
        if (lengthKnown && outcome.body.size() < length)
            return Failed(kRequestConnectionLost);
        state_->PassOn(request_);
        outcome.replied = true;
        outcome.status = status;
        return outcome;
    }

    // One WinINet call that may complete later.
    TCall Call(const std::function<BOOL()>& call)
    {
        state_->Expect();
        if (call()) {
            state_->Unexpect();
            return {0, false};
        }
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            state_->Unexpect();
            return {error ? error : static_cast<DWORD>(ERROR_INTERNET_INTERNAL_ERROR), false};
        }
        HANDLE waits[] = {state_->CompletedEvent(), state_->WakeEvent()};
        for (;;) {
            WaitForMultipleObjects(2, waits, FALSE, kAskAbortEveryMs);
            DWORD result = 0;
            if (state_->TakeCompletion(result))
                return {result, true};
            if (!Watch())
                return {kStopped, true};
        }
    }

    // While the request runs: passes on what happened, asks the caller and
    // watches for a stall. False: stop, for the reason in stoppedFor_.
    bool Watch()
    {
        state_->PassOn(request_);
        if (GetTickCount() - lastAsk_ >= kAskAbortEveryMs && AskAbort()) {
            stoppedFor_ = kRequestCancelled;
            return false;
        }
        bool connecting = false;
        const DWORD idle = state_->Idle(connecting);
        if (idle > (connecting ? connectMs_ : stallMs_) + kWatchdogMarginMs) {
            stoppedFor_ = kRequestTimedOut;
            return false;
        }
        return true;
    }

    // A connection that failed after nothing came for as long as the time-out
    // allows has timed out: Wine reports its receive time-out as an aborted
    // connection (12030).
    bool Stalled(DWORD error) const
    {
        if (error != ERROR_INTERNET_CONNECTION_ABORTED && error != ERROR_INTERNET_CONNECTION_RESET &&
            error != ERROR_INTERNET_TIMEOUT && error != WSAETIMEDOUT)
            return false;
        bool connecting = false;
        const DWORD idle = state_->Idle(connecting);
        const DWORD limit = connecting ? connectMs_ : stallMs_;
        return idle >= limit - limit / 10;
    }

    bool AskAbort()
    {
        lastAsk_ = GetTickCount();
        return request_.QueryAbort && request_.QueryAbort(request_.Context) != 0;
    }

    // The last stage, then the handles, innermost first. An operation still
    // pending ends in WinINet's time, not ours.
    void Close()
    {
        state_->PassOn(request_);
        state_->Finish(request_);
        const bool abandoned = state_->Expecting();
        if (session_)
            InternetSetStatusCallbackA(session_, nullptr);  // its children keep their own
        for (HINTERNET* handle : {&request_handle_, &connection_, &session_}) {
            if (*handle)
                InternetCloseHandle(*handle);
            *handle = nullptr;
        }
        if (abandoned || !state_->WaitUntilOnlyOurs(kCloseWaitMs))
            PinLibrary();
    }

    const TRequestBlock& request_;
    DWORD connectMs_;
    DWORD stallMs_;
    TRequestState* state_;  // one count of ours
    HINTERNET session_ = nullptr;
    HINTERNET connection_ = nullptr;
    HINTERNET request_handle_ = nullptr;
    DWORD lastAsk_ = 0;
    std::uint32_t stoppedFor_ = kRequestFailed;
};

}  // namespace

extern "C" __declspec(dllexport) int WINAPI MakeRequest(const TRequestBlock* request, TResponseBlock* response)
{
    if (!response)
        return 0;
    *response = TResponseBlock{};
    response->Status = kRequestFailed;
    if (!request)
        return 0;
    try {
        TOutcome outcome = TRequestRun(*request).Run();
        response->Status = outcome.status != 0 ? outcome.status : kRequestFailed;
        if (!outcome.replied)
            return 0;
        if (!outcome.body.empty()) {
            auto kept = std::make_unique<TResponse>();
            kept->body = std::move(outcome.body);
            response->Body = kept->body.data();
            response->BodyLength = static_cast<std::uint32_t>(kept->body.size());
            response->Instance = Responses().Add(std::move(kept));
        }
        return 1;
    } catch (const std::bad_alloc&) {
        response->Status = kRequestNoMemory;
    } catch (...) {
        response->Status = kRequestFailed;
    }
    *response = TResponseBlock{response->Status, nullptr, 0, 0};
    return 0;
}

extern "C" __declspec(dllexport) void WINAPI FreeInstance(std::uintptr_t instance)
{
    if (instance)
        Responses().Free(instance);
}
