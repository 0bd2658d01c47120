#include "scanner/reg_thread.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "classlib/own_messages.h"
#include "ostrel/request_blocks.h"

namespace {

constexpr std::uint32_t kConnectTimeoutSeconds = 30;
constexpr std::uint32_t kStallTimeoutSeconds = 10;
constexpr char kUserAgent[] = "Talmoris v. 4.0";

struct TStageText {
    int id;
    const char* text;
};
constexpr TStageText kStageTexts[] = {
    {75, "Start socket subsystem..."},   {76, "Make request to server..."}, {77, "Lookup server address..."},
    {78, "Connect to server..."},        {79, "Send request to server..."}, {80, "Receive server answer..."},
    {81, "Shutdown socket subsystem..."},
};

// The library for the length of one request.
class TLoadedLibrary {
public:
    explicit TLoadedLibrary(const String& path) : module_(LoadLibraryA(path.c_str())) {}
    ~TLoadedLibrary()
    {
        if (module_)
            FreeLibrary(module_);
    }
    TLoadedLibrary(const TLoadedLibrary&) = delete;
    TLoadedLibrary& operator=(const TLoadedLibrary&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    template <class T>
    T Function(const char* name) const
    {
        return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

// What the library allocated for one response, given back exactly once.
class TLibraryResponse {
public:
    explicit TLibraryResponse(TFreeInstance freeInstance) : freeInstance_(freeInstance) {}
    ~TLibraryResponse() { freeInstance_(block.Instance); }
    TLibraryResponse(const TLibraryResponse&) = delete;
    TLibraryResponse& operator=(const TLibraryResponse&) = delete;

    TResponseBlock block{};

private:
    TFreeInstance freeInstance_;
};

}  // namespace

TRegThread::TRegThread(const String& programFolder, std::uint32_t proxyPort, const String& proxyAddress, bool useProxy)
    : programFolder_(programFolder), useProxy_(useProxy), proxyPort_(proxyPort)
{
    const size_t kept = std::min(proxyAddress.size(), sizeof proxyAddress_ - 1);
    std::memcpy(proxyAddress_, proxyAddress.data(), kept);
    proxyAddress_[kept] = '\0';
}

LRESULT TRegThread::SendToOwner(UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (!OwnerIsWindow())
        return 0;
    // Sent as ours: the owner reads this object through the pointer it carries.
    return SendOwnMessage(owner_, message, wParam, lParam);
}

void TRegThread::Fail(std::uint32_t code) const
{
    SendToOwner(WM_REQUEST_FAILED, static_cast<WPARAM>(code), reinterpret_cast<LPARAM>(this));
}

void TRegThread::Execute()
{
    libraryPath_ = programFolder_ + "Ostrel.dll";
    translator_.LoadFromFile(InterfaceFileName(programFolder_));

    const TLoadedLibrary library(libraryPath_);
    if (!library.Loaded()) {
        Fail(kRequestLibraryMissing);
        return;
    }
    const auto makeRequest = library.Function<TMakeRequest>("MakeRequest");
    const auto freeInstance = library.Function<TFreeInstance>("FreeInstance");
    if (!makeRequest || !freeInstance) {
        Fail(kRequestLibraryMissing);
        return;
    }

    TRequestBlock request{};
    request.UseProxy = useProxy_ ? 1 : 0;
    request.ProxyPort = proxyPort_;
    request.ProxyAddress = proxyAddress_;
    request.ConnectTimeout = kConnectTimeoutSeconds;
    request.StallTimeout = kStallTimeoutSeconds;
    request.Url = url_.c_str();
    request.QueryAbort = &TRegThread::QueryAbort;
    request.Stage = &TRegThread::Stage;
    request.Progress = &TRegThread::Progress;
    request.Context = this;
    request.UserAgent = kUserAgent;
    responseData_.Clear();

    // Given back after the report, whatever came.
    TLibraryResponse response(freeInstance);
    const bool replied = makeRequest(&request, &response.block) != 0;
    const TResponseBlock& block = response.block;
    if (!replied || !block.Body || block.BodyLength == 0) {
        // An empty body is no answer, whatever the status.
        Fail(block.Status);
        return;
    }
    try {
        responseText_.assign(reinterpret_cast<const char*>(block.Body), block.BodyLength);
        responseData_.Write(block.Body, block.BodyLength);
    } catch (const std::bad_alloc&) {
        // The owner still hears of the end: it waits for one of the two.
        responseText_.clear();
        responseData_.Clear();
        Fail(kRequestNoMemory);
        return;
    }
    responseData_.Seek(0, TSeekOrigin::soBeginning);
    status_ = block.Status;
    SendToOwner(WM_REQUEST_DONE, reinterpret_cast<WPARAM>(this), 0);
}

int WINAPI TRegThread::QueryAbort(void* context)
{
    const auto* self = static_cast<const TRegThread*>(context);
    if (!self || !self->OwnerIsWindow())
        return 1;  // nobody is waiting for the answer
    return self->SendToOwner(WM_REQUEST_QUERY_ABORT, 0, reinterpret_cast<LPARAM>(self)) == 1 ? 1 : 0;
}

void WINAPI TRegThread::Stage(void* context, int stage)
{
    auto* self = static_cast<TRegThread*>(context);
    if (!self || !self->OwnerIsWindow())
        return;
    // A stage the table doesn't know repeats the last text.
    if (stage >= 0 && stage < static_cast<int>(std::size(kStageTexts))) {
        const TStageText& entry = kStageTexts[stage];
        self->stageText_ = self->translator_.Translate(IntToStr(entry.id), entry.text);
    }
    self->SendToOwner(WM_REQUEST_STAGE, reinterpret_cast<WPARAM>(self->stageText_.c_str()), stage);
}

void WINAPI TRegThread::Progress(void* context, std::uint32_t received, std::int32_t total)
{
    const auto* self = static_cast<const TRegThread*>(context);
    if (!self)
        return;
    self->SendToOwner(WM_REQUEST_PROGRESS, static_cast<WPARAM>(received), static_cast<LPARAM>(total));
}
