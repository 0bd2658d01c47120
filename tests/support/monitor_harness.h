// The main form's side of the registry monitor for tests: a window that
// answers the monitor's queries and collects its log lines, and a question
// sink that answers from a script.
#pragma once

#include <windows.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "classlib/file_system.h"
#include "classlib/own_messages.h"
#include "classlib/thread_stop.h"
#include "guard/registry_monitor_thread.h"
#include "guard/registry_utils.h"
#include "support/test_support.h"

namespace test_support {

struct LogLine {
    int level;
    std::string text;
    bool operator==(const LogLine&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const LogLine& l) { return os << l.level << ":" << l.text; }

// Answers questions from a script, on the monitor's thread, as the alert
// program's hand-over will. Nothing runs on after Ask, so it hands back no
// handle to wait for.
class ScriptedAnswers : public TQuestionSink {
public:
    void Answer(std::uint16_t code, bool alwaysForbid = false)
    {
        std::lock_guard<std::mutex> hold(lock_);
        script_.push_back((alwaysForbid ? 0x10000u : 0u) | code);
    }
    TUniqueHandle Ask(const TGuardQuestion& question) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        asked_.push_back(question);
        if (script_.empty())
            return TUniqueHandle();
        PostThreadMessageA(question.MonitorThreadId, WM_GUARD_ANSWER, script_.front(), static_cast<LPARAM>(question.GuardId));
        script_.erase(script_.begin());
        return TUniqueHandle();
    }
    std::vector<TGuardQuestion> Asked()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return asked_;
    }

private:
    std::mutex lock_;
    std::vector<WPARAM> script_;
    std::vector<TGuardQuestion> asked_;
};

// The stand-in alert program (tests/tools/fake_alert.cpp), next to the tests.
inline std::string FakeAlertProgram() { return Join(EnvOr("TALMORIS_TEST_BIN", "."), "fake_alert.exe"); }

// Tells the fake alert program how to answer (see fake_alert.cpp) and where
// to dump the blocks it is given, for every alert started while it lives.
class ScriptedFakeAlert {
public:
    explicit ScriptedFakeAlert(const std::string& script)
    {
        SetEnvironmentVariableA("TALMORIS_FAKE_ALERT_DUMP", folder.Path().c_str());
        Answer(script);
    }
    ~ScriptedFakeAlert()
    {
        SetEnvironmentVariableA("TALMORIS_FAKE_ALERT_DUMP", nullptr);
        SetEnvironmentVariableA("TALMORIS_FAKE_ALERT_ANSWER", nullptr);
    }
    // The answer of the alerts started from now on.
    void Answer(const std::string& script) { SetEnvironmentVariableA("TALMORIS_FAKE_ALERT_ANSWER", script.c_str()); }
    // The block the alert program was last given, or nothing when it never ran.
    std::vector<std::uint8_t> Dump(const std::string& id) const
    {
        std::ifstream in(folder.File(id + ".block"), std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    TempFolder folder{".alert"};
};

// The main form's side of the monitor: a window on the test's thread that
// answers WM_QUERY_GUARD and collects what the monitor sends. Like the main
// form it honours a message that carries a pointer or an order only when
// one of our threads sends it (SendOwnMessage); any other is a failure.
class MonitorHarness {
public:
    MonitorHarness() : answers(std::make_shared<ScriptedAnswers>())
    {
        static ATOM atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &MonitorHarness::WindowProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "TalmorisMonitorHarness";
            return RegisterClassA(&wc);
        }();
        (void)atom;
        window = CreateWindowExA(0, "TalmorisMonitorHarness", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        dataFolder = IncludeTrailingPathDelimiter(folder.Path());
        ForceDirectories(dataFolder + "snapshoots");
    }
    ~MonitorHarness()
    {
        Stop();
        DestroyWindow(window);
    }

    void Start(const TFreezeList& guards)
    {
        worker = StartWorker(std::make_unique<TRegMonitorThread>(guards, window, dataFolder, sink, counters));
    }
    bool Stop() { return StopWorker(worker, 20000); }

    // Handles the monitor's messages until `done` holds or the time runs out.
    bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000)
    {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > timeoutMs)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
        return true;
    }
    void PumpFor(DWORD ms)
    {
        const DWORD start = GetTickCount();
        PumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
    }
    bool WaitStarted() { return PumpUntil([this] { return started; }); }

    // The log lines from index `from` on.
    std::vector<LogLine> LinesFrom(size_t from) const
    {
        return std::vector<LogLine>(lines.begin() + static_cast<long>(std::min(from, lines.size())), lines.end());
    }

    test_support::TempFolder folder{".host"};
    String dataFolder;
    HWND window = nullptr;
    std::shared_ptr<ScriptedAnswers> answers;
    std::shared_ptr<TQuestionSink> sink = answers;  // where the monitor's questions go
    std::shared_ptr<TMonitorCounters> counters = std::make_shared<TMonitorCounters>();
    TWorkerHandle worker;
    std::vector<LogLine> lines;
    bool started = false;
    int nothingToMonitor = 0;
    int blinks = 0;
    int queries = 0;
    std::set<std::uint32_t> inactive;  // guard ids WM_QUERY_GUARD answers 0 for
    std::vector<std::pair<WPARAM, LPARAM>> reactions;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<MonitorHarness*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!self)
            return DefWindowProcA(hwnd, message, wParam, lParam);
        const bool ours = IsOwnMessage(message, wParam, lParam);
        switch (message) {
        case WM_ADD_LOG_LINE:
            if (!ours)
                break;
            self->lines.push_back(LogLine{static_cast<int>(wParam), reinterpret_cast<const char*>(lParam)});
            return 0;
        case WM_QUERY_GUARD: {
            if (!ours)
                break;
            ++self->queries;
            const auto* guard = reinterpret_cast<const TSingleFreeze*>(wParam);
            return self->inactive.count(guard->Id) ? 0 : 1;
        }
        case WM_SET_GUARD_REACTION:
            if (!ours)
                break;
            self->reactions.emplace_back(wParam, lParam);
            return 0;
        case WM_MONITORING_STARTED: self->started = true; return 0;
        case WM_NOTHING_TO_MONITOR: ++self->nothingToMonitor; return 0;
        case WM_START_BLINK: ++self->blinks; return 0;
        default: return DefWindowProcA(hwnd, message, wParam, lParam);
        }
        ADD_FAILURE() << "message " << message << " was not sent as ours";
        return 0;
    }
};

inline TSingleFreeze* AddGuard(TFreezeList& list, const std::string& path, std::uint8_t kind, std::uint8_t reaction,
                        const std::string& value = "", std::uint32_t id = 0)
{
    auto g = std::make_unique<TSingleFreeze>();
    g->State = gsActive;
    g->RootKeyName = "HKEY_CURRENT_USER";
    g->KeyPath = path;
    g->ValueName = value;
    g->DisplayName = "Guard of " + path.substr(path.rfind('\\') + 1);
    g->Kind = kind;
    g->Reaction = reaction;
    g->GuidText = "{" + path + value + IntToStr(list.Count()) + "}";
    g->Id = id ? id : GuardIdFromGuid(g->GuidText);
    return list.Add(std::move(g));
}

}  // namespace test_support
