// One HTTP request in the background, made by our request library Ostrel.dll
// (loaded from the program folder for every request and unloaded after it),
// with its course reported to an owner window by sent messages: stages and
// progress while it runs, and exactly one of WM_REQUEST_DONE or
// WM_REQUEST_FAILED at its end. The owner stops a request by answering 1 to
// WM_REQUEST_QUERY_ABORT; a window that is gone gets nothing more and the
// request gives up.
//
// The thread frees itself: the caller makes it, sets owner, URL and kind,
// hands it to TThread::StartOwned and from then on touches it only inside
// the handlers of these messages.
#pragma once

#include <windows.h>

#include <cstdint>

#include "classlib/streams.h"
#include "classlib/sysutils.h"
#include "classlib/thread.h"
#include "guard/interface_translator.h"

// Sent (SendOwnMessage) from a request thread to its owner window.
constexpr UINT WM_REQUEST_QUERY_ABORT = 9468;  // 0, the thread; answer 1 to stop
constexpr UINT WM_REQUEST_STAGE = 9469;        // the stage text, the stage 0-6
constexpr UINT WM_REQUEST_FAILED = 9470;       // the error code, the thread
constexpr UINT WM_REQUEST_DONE = 9471;         // the thread, 0
constexpr UINT WM_REQUEST_PROGRESS = 9472;     // bytes received, total (0 or less: unknown)

// The code of WM_REQUEST_FAILED when Ostrel.dll or one of its exports is missing.
constexpr std::uint32_t kRequestLibraryMissing = 123456;

class TRegThread : public TThread {
public:
    // The program folder with its trailing backslash; the proxy address is
    // kept to what a 260-byte field holds.
    TRegThread(const String& programFolder, std::uint32_t proxyPort, const String& proxyAddress, bool useProxy);

    // Set by the caller before the start; the kind is the owner's own
    // mark, read back in its handlers (0 unless set).
    void SetOwner(HWND owner) { owner_ = owner; }
    void SetUrl(const String& url) { url_ = url; }
    void SetRequestKind(std::uint8_t kind) { kind_ = kind; }

    HWND Owner() const { return owner_; }
    std::uint8_t RequestKind() const { return kind_; }
    // The reply, readable inside WM_REQUEST_DONE.
    std::uint32_t Status() const { return status_; }
    const String& ResponseText() const { return responseText_; }
    const TMemoryStream& ResponseData() const { return responseData_; }

protected:
    void Execute() override;

private:
    static int WINAPI QueryAbort(void* context);
    static void WINAPI Stage(void* context, int stage);
    static void WINAPI Progress(void* context, std::uint32_t received, std::int32_t total);

    bool OwnerIsWindow() const { return owner_ && IsWindow(owner_); }
    // Sent only while the owner is a window; 0 otherwise.
    LRESULT SendToOwner(UINT message, WPARAM wParam, LPARAM lParam) const;
    void Fail(std::uint32_t code) const;

    HWND owner_ = nullptr;
    String programFolder_;
    String libraryPath_;
    std::uint8_t kind_ = 0;
    TInterfaceTranslator translator_;
    String stageText_;
    String url_;
    std::uint32_t status_ = 0;
    String responseText_;
    TMemoryStream responseData_;
    bool useProxy_ = false;
    std::uint32_t proxyPort_ = 0;
    char proxyAddress_[260] = {};
};
