// The request thread against our Ostrel.dll and a scripted HTTP server on
// 127.0.0.1, reporting to a stand-in owner window on the test's thread: the
// messages and their order, the stage texts, the reply, the proxy fields, a
// cancel by the owner, an owner that goes away, and the library or its
// exports missing. A scripted stand-in library shows the request block as
// the thread fills it.
#include "scanner/reg_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/own_messages.h"
#include "ostrel/request_blocks.h"
#include "support/http_test_server.h"
#include "support/test_support.h"
#include "tools/fake_ostrel.h"

namespace {

using test_support::THttpReply;
using test_support::THttpTestServer;
using test_support::TempFolder;

const char* const kStageDefaults[] = {"Start socket subsystem...", "Make request to server...",
                                      "Lookup server address...",  "Connect to server...",
                                      "Send request to server...", "Receive server answer...",
                                      "Shutdown socket subsystem..."};

// A message-only window on the test's thread that keeps every request
// message as it came, with what the thread let it read during the call.
class TOwnerWindow {
public:
    struct TSeen {
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        bool sentAsOurs = false;  // SendOwnMessage from another thread
        std::string text;         // the stage text, or the response text
        std::uint32_t status = 0;
        std::uint8_t kind = 0;
        std::vector<std::uint8_t> data;
    };

    TOwnerWindow()
    {
        static const ATOM atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &TOwnerWindow::Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "RegThreadTestOwner";
            return RegisterClassA(&wc);
        }();
        EXPECT_NE(atom, 0);
        handle_ = CreateWindowExA(0, "RegThreadTestOwner", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), this);
        EXPECT_NE(handle_, nullptr);
    }
    ~TOwnerWindow() { Destroy(); }
    TOwnerWindow(const TOwnerWindow&) = delete;
    TOwnerWindow& operator=(const TOwnerWindow&) = delete;

    HWND Handle() const { return handle_; }
    void Destroy()
    {
        if (handle_)
            DestroyWindow(handle_);
        handle_ = nullptr;
    }

    std::vector<TSeen> seen;
    // The answer to the n-th WM_REQUEST_QUERY_ABORT (from 1).
    std::function<LRESULT(int)> answerAbort = [](int) { return 0; };
    int queries = 0;

    std::vector<TSeen> Of(UINT message) const
    {
        std::vector<TSeen> of;
        for (const TSeen& s : seen)
            if (s.message == message)
                of.push_back(s);
        return of;
    }
    // The WM_REQUEST_DONE and WM_REQUEST_FAILED seen.
    std::vector<TSeen> Endings() const
    {
        std::vector<TSeen> endings;
        for (const TSeen& s : seen)
            if (s.message == WM_REQUEST_DONE || s.message == WM_REQUEST_FAILED)
                endings.push_back(s);
        return endings;
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE)
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<TOwnerWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (!self || message < WM_REQUEST_QUERY_ABORT || message > WM_REQUEST_PROGRESS)
            return DefWindowProcA(window, message, wParam, lParam);
        TSeen s;
        s.message = message;
        s.wParam = wParam;
        s.lParam = lParam;
        s.sentAsOurs = InSendMessage() && IsOwnMessage(message, wParam, lParam);
        LRESULT result = 0;
        if (message == WM_REQUEST_STAGE) {
            s.text = reinterpret_cast<const char*>(wParam);
        } else if (message == WM_REQUEST_DONE) {
            const auto* thread = reinterpret_cast<const TRegThread*>(wParam);
            s.text = thread->ResponseText();
            s.status = thread->Status();
            s.kind = thread->RequestKind();
            s.data = thread->ResponseData().Bytes();
        } else if (message == WM_REQUEST_QUERY_ABORT) {
            result = self->answerAbort(++self->queries);
        }
        self->seen.push_back(std::move(s));
        return result;
    }

    HWND handle_ = nullptr;
};

// A program folder of the test's own, holding `library` as Ostrel.dll (none
// when empty) and the interface table lines given.
class TProgramFolder {
public:
    // `name` tells apart the folders of one test.
    TProgramFolder(const std::string& name, const std::string& library, const std::string& interfaceLines = "")
        : folder_("." + name)
    {
        if (!library.empty())
            std::filesystem::copy_file(library, folder_.File("Ostrel.dll"));
        if (!interfaceLines.empty()) {
            std::filesystem::create_directories(folder_.File("interface"));
            test_support::WriteAll(folder_.File("interface\\interface.txt"), interfaceLines);
        }
    }
    String Path() const { return IncludeTrailingPathDelimiter(folder_.Path()); }
    String Library() const { return folder_.File("Ostrel.dll"); }

private:
    TempFolder folder_;
};

std::string ProgramFile(const std::string& name)
{
    return test_support::Join(test_support::EnvOr("TALMORIS_PROGRAM_DIR", ""), name);
}

std::string TestBinFile(const std::string& name)
{
    return test_support::Join(test_support::EnvOr("TALMORIS_TEST_BIN", ""), name);
}

struct TStarted {
    const void* thread = nullptr;  // compared with what the messages carry, never read
    TUniqueHandle ended;
};

TStarted Start(std::unique_ptr<TRegThread> thread, HWND owner, const std::string& url, std::uint8_t kind = 1)
{
    thread->SetOwner(owner);
    thread->SetUrl(url);
    thread->SetRequestKind(kind);
    TStarted started;
    started.thread = thread.get();
    started.ended = thread->DuplicateWaitHandle();
    EXPECT_TRUE(started.ended.Valid());
    EXPECT_TRUE(TThread::StartOwned(std::move(thread)));
    return started;
}

// Handles sent and posted messages until the thread has ended (it frees
// itself before its handle is signalled) or `ms` pass; `tick` runs between.
bool PumpUntilEnded(const TStarted& started, DWORD ms = 30000, const std::function<void()>& tick = nullptr)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent > ms)
            return false;
        HANDLE handle = started.ended.Get();
        const DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE, std::min<DWORD>(ms - spent, 50), QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0)
            return true;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (tick)
            tick();
    }
}

std::unique_ptr<TRegThread> DirectThread(const String& folder)
{
    return std::make_unique<TRegThread>(folder, 0, "", false);
}

bool LibraryLoaded(const String& path) { return GetModuleHandleA(path.c_str()) != nullptr; }

}  // namespace

TEST(RegThread, ReportsStagesProgressAndTheReplyInOrder)
{
    THttpTestServer server;
    THttpReply reply;
    reply.body = std::string("updates=yes\r\ncurr_version=5\r\n\0after a NUL\xff", 42);
    server.Queue(reply);
    const TProgramFolder program("real", ProgramFile("Ostrel.dll"));
    TOwnerWindow owner;

    const TStarted started = Start(DirectThread(program.Path()), owner.Handle(),
                                   server.Url("/vq_updates_present.php?fsize=10&rand=20"));
    ASSERT_TRUE(PumpUntilEnded(started));
    EXPECT_FALSE(LibraryLoaded(program.Library())) << "unloaded after the request";

    ASSERT_EQ(server.Requests().size(), 1u);
    auto request = server.Requests()[0];
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/vq_updates_present.php?fsize=10&rand=20");
    EXPECT_EQ(request.headers["user-agent"], "Talmoris v. 4.0");

    ASSERT_FALSE(owner.seen.empty());
    for (const auto& s : owner.seen)
        EXPECT_TRUE(s.sentAsOurs) << "message " << s.message;
    // The stages come in order, each with its text; the reply comes last.
    int lastStage = -1;
    std::vector<int> stages;
    for (const auto& s : owner.Of(WM_REQUEST_STAGE)) {
        ASSERT_GE(s.lParam, 0);
        ASSERT_LE(s.lParam, 6);
        EXPECT_GE(s.lParam, lastStage);
        lastStage = static_cast<int>(s.lParam);
        if (stages.empty() || stages.back() != lastStage)
            stages.push_back(lastStage);
        EXPECT_EQ(s.text, kStageDefaults[s.lParam]);
    }
    EXPECT_EQ(stages, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(owner.seen.front().message, WM_REQUEST_STAGE);
    EXPECT_EQ(owner.seen.front().lParam, 0);
    const auto endings = owner.Endings();
    ASSERT_EQ(endings.size(), 1u);
    EXPECT_EQ(owner.seen.back().message, WM_REQUEST_DONE);
    const auto& done = endings[0];
    EXPECT_EQ(done.wParam, reinterpret_cast<WPARAM>(started.thread));
    EXPECT_EQ(done.lParam, 0);
    EXPECT_EQ(done.status, 200u);
    EXPECT_EQ(done.kind, 1);
    EXPECT_EQ(done.text, reply.body);
    EXPECT_EQ(std::string(done.data.begin(), done.data.end()), reply.body);

    // Progress never goes back and ends at the whole body, of a known length.
    std::uint32_t received = 0;
    const auto progress = owner.Of(WM_REQUEST_PROGRESS);
    ASSERT_FALSE(progress.empty());
    for (const auto& p : progress) {
        EXPECT_GE(static_cast<std::uint32_t>(p.wParam), received);
        received = static_cast<std::uint32_t>(p.wParam);
        EXPECT_EQ(static_cast<std::int32_t>(p.lParam), 42);
    }
    EXPECT_EQ(received, 42u);
    for (const auto& q : owner.Of(WM_REQUEST_QUERY_ABORT)) {
        EXPECT_EQ(q.wParam, 0u);
        EXPECT_EQ(q.lParam, reinterpret_cast<LPARAM>(started.thread));
    }
    EXPECT_GT(owner.queries, 0);
}

TEST(RegThread, ARepliedStatusIsDoneWithABodyAndFailedWithout)
{
    THttpTestServer server;
    const TProgramFolder program("real", ProgramFile("Ostrel.dll"));
    const struct {
        const char* what;
        int status;
        const char* body;
        bool chunked;
        UINT ending;
        std::uint32_t code;  // the status of DONE, or FAILED's code
    } cases[] = {
        {"404 with a body: the owner judges the status", 404, "Not here", false, WM_REQUEST_DONE, 404},
        {"404 without a body", 404, "", false, WM_REQUEST_FAILED, 404},
        {"an empty 200 is no answer", 200, "", false, WM_REQUEST_FAILED, 200},
        {"an empty chunked 200", 200, "", true, WM_REQUEST_FAILED, 200},
        {"a chunked 200", 200, "updates=no", true, WM_REQUEST_DONE, 200},
    };
    for (const auto& c : cases) {
        THttpReply reply;
        reply.status = c.status;
        reply.reason = c.status == 200 ? "OK" : "Not Found";
        reply.body = c.body;
        reply.chunked = c.chunked;
        server.Queue(reply);
        TOwnerWindow owner;
        const TStarted started = Start(DirectThread(program.Path()), owner.Handle(), server.Url("/x"));
        ASSERT_TRUE(PumpUntilEnded(started)) << c.what;
        const auto endings = owner.Endings();
        ASSERT_EQ(endings.size(), 1u) << c.what;
        EXPECT_EQ(endings[0].message, c.ending) << c.what;
        if (c.ending == WM_REQUEST_DONE) {
            EXPECT_EQ(endings[0].status, static_cast<std::uint32_t>(c.code)) << c.what;
            EXPECT_EQ(endings[0].text, c.body) << c.what;
        } else {
            EXPECT_EQ(endings[0].wParam, c.code) << c.what;
            EXPECT_EQ(endings[0].lParam, reinterpret_cast<LPARAM>(started.thread)) << c.what;
        }
        EXPECT_EQ(owner.seen.back().message, c.ending) << c.what;
    }
}

TEST(RegThread, TheProxyFieldsReachTheLibrary)
{
    THttpTestServer server;
    THttpReply reply;
    reply.body = "through the proxy";
    server.SetDefault(reply);
    const TProgramFolder program("real", ProgramFile("Ostrel.dll"));
    {
        // Through the server as the proxy of a host that doesn't exist.
        TOwnerWindow owner;
        auto thread = std::make_unique<TRegThread>(program.Path(), server.Port(), "127.0.0.1", true);
        const TStarted started = Start(std::move(thread), owner.Handle(), "http://updates.invalid/vq.php?a=1");
        ASSERT_TRUE(PumpUntilEnded(started));
        ASSERT_EQ(owner.Endings().size(), 1u);
        EXPECT_EQ(owner.Endings()[0].message, WM_REQUEST_DONE);
        ASSERT_EQ(server.Requests().size(), 1u);
        const std::string target = server.Requests()[0].target;
        EXPECT_EQ(target.rfind("http://updates.invalid", 0), 0u) << target;
        const std::string tail = "/vq.php?a=1";
        EXPECT_TRUE(target.size() > tail.size() && target.compare(target.size() - tail.size(), tail.size(), tail) == 0)
            << target;
    }
    {
        // The same address with the proxy switched off: straight to the server.
        TOwnerWindow owner;
        auto thread = std::make_unique<TRegThread>(program.Path(), server.Port(), "127.0.0.1", false);
        const TStarted started = Start(std::move(thread), owner.Handle(), server.Url("/direct"));
        ASSERT_TRUE(PumpUntilEnded(started));
        ASSERT_EQ(server.Requests().size(), 2u);
        EXPECT_EQ(server.Requests()[1].target, "/direct");
    }
}

TEST(RegThread, TheOwnerAnsweringOneCancelsTheRequest)
{
    THttpTestServer server;
    THttpReply slow;
    slow.body = "too late";
    slow.stallBeforeMs = 20000;
    server.Queue(slow);
    const TProgramFolder program("real", ProgramFile("Ostrel.dll"));
    TOwnerWindow owner;
    owner.answerAbort = [&](int) { return server.Requests().empty() ? 0 : 1; };

    const TStarted started = Start(DirectThread(program.Path()), owner.Handle(), server.Url("/slow"));
    // Well before the stall would end, and before the library's own time-out.
    ASSERT_TRUE(PumpUntilEnded(started, 8000));
    const auto endings = owner.Endings();
    ASSERT_EQ(endings.size(), 1u);
    EXPECT_EQ(endings[0].message, WM_REQUEST_FAILED);
    EXPECT_EQ(endings[0].wParam, kRequestCancelled);
    // Not checked: whether the library could be unloaded after a request it
    // had to abandon (it may keep itself loaded for WinINet's late calls).
}

TEST(RegThread, AnOwnerThatGoesAwayHearsNothingMoreAndTheThreadEnds)
{
    THttpTestServer server;
    THttpReply slow;
    slow.body = "nobody listens";
    slow.stallBeforeMs = 20000;
    server.Queue(slow);
    const TProgramFolder program("real", ProgramFile("Ostrel.dll"));
    TOwnerWindow owner;
    const HWND window = owner.Handle();

    const TStarted started = Start(DirectThread(program.Path()), window, server.Url("/slow"));
    size_t seenAtDestroy = 0;
    // Gone while the server holds the reply back; a gone owner answers
    // "abort" for itself, so the thread ends long before the stall would.
    ASSERT_TRUE(PumpUntilEnded(started, 8000, [&] {
        if (owner.Handle() && !server.Requests().empty()) {
            seenAtDestroy = owner.seen.size();
            owner.Destroy();
        }
    }));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_GT(seenAtDestroy, 0u);
    EXPECT_EQ(owner.seen.size(), seenAtDestroy);
    EXPECT_TRUE(owner.Endings().empty());
}

TEST(RegThread, AMissingLibraryOrExportFails123456)
{
    const TProgramFolder noLibrary("none", "");
    // bz.dll has neither export; the half stand-in only MakeRequest.
    const TProgramFolder otherLibrary("bz", ProgramFile("bz.dll"));
    const TProgramFolder halfLibrary("half", TestBinFile("half_ostrel.dll"));
    // Held here too, so its record of calls outlives the thread's unloading.
    const HMODULE half = LoadLibraryA(halfLibrary.Library().c_str());
    ASSERT_NE(half, nullptr);
    const auto getSeen = reinterpret_cast<TFakeOstrelGetSeen>(
        reinterpret_cast<void*>(GetProcAddress(half, "FakeOstrelGetSeen")));
    ASSERT_NE(getSeen, nullptr);
    ASSERT_NE(GetProcAddress(half, "MakeRequest"), nullptr);
    ASSERT_EQ(GetProcAddress(half, "FreeInstance"), nullptr);

    for (const TProgramFolder* program : {&noLibrary, &otherLibrary, &halfLibrary}) {
        TOwnerWindow owner;
        const TStarted started = Start(DirectThread(program->Path()), owner.Handle(), "http://127.0.0.1:9/");
        ASSERT_TRUE(PumpUntilEnded(started));
        ASSERT_EQ(owner.seen.size(), 1u) << program->Path();
        EXPECT_EQ(owner.seen[0].message, WM_REQUEST_FAILED);
        EXPECT_EQ(owner.seen[0].wParam, 123456u);
        EXPECT_EQ(owner.seen[0].lParam, reinterpret_cast<LPARAM>(started.thread));
    }
    TFakeOstrelSeen seen;
    getSeen(&seen);
    EXPECT_EQ(seen.calls, 0) << "no request without both exports";
    FreeLibrary(half);
    EXPECT_FALSE(LibraryLoaded(otherLibrary.Library()));
}

TEST(RegThread, FillsTheRequestBlockAndGivesTheInstanceBack)
{
    // The stage texts come from the thread's own translator of the program
    // folder's table: 75 and 80 translated, the rest in English.
    const TProgramFolder program("fake", TestBinFile("fake_ostrel.dll"), "75=Erste Stufe\r\n80=Antwort empfangen\r\n");
    const HMODULE fake = LoadLibraryA(program.Library().c_str());
    ASSERT_NE(fake, nullptr);
    const auto setScript = reinterpret_cast<TFakeOstrelSetScript>(
        reinterpret_cast<void*>(GetProcAddress(fake, "FakeOstrelSetScript")));
    const auto getSeen = reinterpret_cast<TFakeOstrelGetSeen>(
        reinterpret_cast<void*>(GetProcAddress(fake, "FakeOstrelGetSeen")));
    ASSERT_TRUE(setScript && getSeen);

    const String longProxy(300, 'p');
    const struct {
        const char* what;
        int result;
        std::uint32_t status;
        const char* body;
        UINT ending;
        WPARAM code;
    } cases[] = {
        {"a reply", 1, 200, "abc", WM_REQUEST_DONE, 0},
        {"no reply", 0, kRequestCantConnect, "", WM_REQUEST_FAILED, kRequestCantConnect},
        {"no reply, yet a body", 0, kRequestConnectionLost, "half", WM_REQUEST_FAILED, kRequestConnectionLost},
        {"a reply of no length", 1, 200, "", WM_REQUEST_FAILED, 200},
    };
    for (const auto& c : cases) {
        TFakeOstrelScript script;
        script.result = c.result;
        script.status = c.status;
        script.bodyLength = static_cast<std::uint32_t>(std::strlen(c.body));
        std::memcpy(script.body, c.body, script.bodyLength);
        const int stages[] = {0, 9, 5, -1, 6};
        std::copy(std::begin(stages), std::end(stages), script.stages);
        script.stageCount = 5;
        setScript(&script);

        TOwnerWindow owner;
        auto thread = std::make_unique<TRegThread>(program.Path(), 70000, longProxy, true);
        const TStarted started = Start(std::move(thread), owner.Handle(), "http://updates.example/q?x=1");
        ASSERT_TRUE(PumpUntilEnded(started)) << c.what;

        TFakeOstrelSeen seen;
        getSeen(&seen);
        EXPECT_EQ(seen.calls, 1) << c.what;
        EXPECT_EQ(seen.useProxy, 1);
        EXPECT_EQ(seen.proxyPort, 70000u);
        EXPECT_EQ(String(seen.proxyAddress), longProxy.substr(0, 259)) << "what a 260-byte field holds";
        for (std::uint32_t reserved : seen.reserved)
            EXPECT_EQ(reserved, 0u);
        EXPECT_EQ(seen.connectTimeout, 30u);
        EXPECT_EQ(seen.stallTimeout, 10u);
        EXPECT_STREQ(seen.url, "http://updates.example/q?x=1");
        EXPECT_STREQ(seen.userAgent, "Talmoris v. 4.0");
        EXPECT_TRUE(seen.callbacksSet);
        EXPECT_EQ(seen.context, started.thread);
        EXPECT_EQ(seen.nullContextAbortAnswer, 1) << "no context: abort";
        EXPECT_EQ(seen.abortAnswer, 0) << "the owner said 0";
        EXPECT_EQ(seen.freed, 1) << c.what << ": given back in both cases";
        EXPECT_EQ(seen.lastFreed, seen.instanceGiven) << c.what;

        // A stage out of the table repeats the previous text with its own number.
        std::vector<std::pair<LPARAM, std::string>> stageTexts;
        for (const auto& s : owner.Of(WM_REQUEST_STAGE))
            stageTexts.emplace_back(s.lParam, s.text);
        EXPECT_EQ(stageTexts, (std::vector<std::pair<LPARAM, std::string>>{{0, "Erste Stufe"},
                                                                            {9, "Erste Stufe"},
                                                                            {5, "Antwort empfangen"},
                                                                            {-1, "Antwort empfangen"},
                                                                            {6, "Shutdown socket subsystem..."}}))
            << c.what;
        const auto endings = owner.Endings();
        ASSERT_EQ(endings.size(), 1u) << c.what;
        EXPECT_EQ(endings[0].message, c.ending) << c.what;
        if (c.ending == WM_REQUEST_DONE) {
            EXPECT_EQ(endings[0].status, c.status);
            EXPECT_EQ(endings[0].text, c.body);
        } else {
            EXPECT_EQ(endings[0].wParam, c.code) << c.what;
        }
    }
    FreeLibrary(fake);
}

TEST(RegThread, ManyRequestsInARow)
{
    // Each request loads and unloads the library; a calling-convention or
    // clean-up fault shows within a few hundred.
    THttpTestServer server;
    THttpReply reply;
    reply.body = "curr_version=4";
    server.SetDefault(reply);
    const TProgramFolder program("real", ProgramFile("Ostrel.dll"));
    for (int i = 0; i < 100; ++i) {
        TOwnerWindow owner;
        const TStarted started = Start(DirectThread(program.Path()), owner.Handle(), server.Url("/n?i=" + IntToStr(i)));
        ASSERT_TRUE(PumpUntilEnded(started)) << "request " << i;
        const auto endings = owner.Endings();
        ASSERT_EQ(endings.size(), 1u) << "request " << i;
        ASSERT_EQ(endings[0].message, WM_REQUEST_DONE) << "request " << i;
        ASSERT_EQ(endings[0].text, "curr_version=4");
    }
    EXPECT_EQ(server.Requests().size(), 100u);
    EXPECT_FALSE(LibraryLoaded(program.Library()));
}
