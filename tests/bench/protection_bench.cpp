// Figures of the file protections under Wine, each printed beside a baseline
// measured in the same run:
//   - idle CPU with the predefined protections of this machine watching
//     beside the same process running none;
//   - this process's private bytes with them running beside without, and
//     beside as many threads that only wait (under Wine a thread alone
//     costs about a MiB);
//   - a new file in a protected folder until its question reached the alert
//     program (the stand-in fake_alert.exe) beside starting that program
//     alone with CreateProcess.
//   protection_bench <scratch folder> [<fake_alert.exe>]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <system_error>
#include <vector>

#include "bench/bench_clock.h"
#include "classlib/file_system.h"
#include "classlib/own_messages.h"
#include "classlib/win_handle.h"
#include "guard/additional_info_interface.h"
#include "guard/alert_block.h"
#include "guard/alert_launcher.h"
#include "guard/file_protector.h"
#include "guard/guard_messages.h"
#include "guard/postponed_log.h"  // llSuccess
#include "guard/protection_list.h"

namespace {

using namespace bench;

constexpr double kIdleSeconds = 15.0;
constexpr int kDrops = 20;

// What the protections report to the main form: counted, not shown.
struct TLogCounts {
    unsigned lines = 0;
    unsigned accepted = 0;  // llSuccess: a change taken
};
TLogCounts logCounts;

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ADD_LOG_LINE) {
        if (IsOwnMessage(message, wParam, lParam)) {
            ++logCounts.lines;
            if (wParam == llSuccess)
                ++logCounts.accepted;
        }
        return 0;
    }
    if (message == WM_START_BLINK)
        return 0;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND MakeMainWindow() { return bench::MakeMainWindow("TalmorisProtectionBenchMain", MainWindowProc); }

// The smallest step in which the process's CPU time is counted (a clock
// tick under Wine): one step over an idle window is the figures' resolution.
double CpuTimeStep()
{
    double step = 0, last = ProcessCpuSeconds();
    for (const double end = Now() + 0.3; Now() < end;) {
        const double now = ProcessCpuSeconds();
        if (now > last) {
            step = step > 0 ? std::min(step, now - last) : now - last;
            last = now;
        }
    }
    return step;
}

// Wine leaves PrivateUsage at 0 and reports a process's anonymous resident
// memory (its private bytes, in effect) as PagefileUsage.
double PrivateMiB()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return 0;
    const SIZE_T bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

struct TFigures {
    double median = -1;  // -1: no sample
    double p90 = -1;
};

TFigures Summarize(std::vector<double> ms)
{
    if (ms.empty())
        return {};
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 9 / 10)]};
}

void RemoveTree(const String& path)
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

LONGLONG FileSize(const String& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// asked.log of the fake alert program: it grows by a line at each start.
class TAskedLog {
public:
    explicit TAskedLog(const String& dumpFolder) : path_(dumpFolder + "asked.log") { RemoveFile(path_); }
    // The size now; Grown tells whether a line was added since.
    LONGLONG Mark() const { return FileSize(path_); }
    bool Grown(LONGLONG mark) const { return FileSize(path_) > mark; }
    unsigned Lines() const
    {
        std::vector<std::uint8_t> bytes;
        ReadFileBytes(path_, bytes);
        return static_cast<unsigned>(std::count(bytes.begin(), bytes.end(), '\n'));
    }

private:
    String path_;
};

// ---- idle CPU and memory ----

// Threads that only wait, as many as there are protections: what a thread
// alone costs, beside what a watching protection costs.
class TWaitingThreads {
public:
    explicit TWaitingThreads(int count)
    {
        for (int i = 0; i < count; ++i)
            threads_.emplace_back(CreateThread(nullptr, 0, &TWaitingThreads::Wait, stop_.Get(), 0, nullptr));
    }
    ~TWaitingThreads()
    {
        SetEvent(stop_.Get());
        for (const TUniqueHandle& thread : threads_)
            WaitForSingleObject(thread.Get(), INFINITE);
    }
    TWaitingThreads(const TWaitingThreads&) = delete;
    TWaitingThreads& operator=(const TWaitingThreads&) = delete;

private:
    static DWORD WINAPI Wait(void* stop)
    {
        WaitForSingleObject(static_cast<HANDLE>(stop), INFINITE);
        return 0;
    }

    TUniqueHandle stop_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::vector<TUniqueHandle> threads_;
};

void PredefinedProtections(HWND window, const String& scratch, const String& fakeAlert, const TAskedLog& asked)
{
    const String folder = scratch + "protection\\";
    RemoveTree(folder);
    ForceDirectories(folder);

    const double step = CpuTimeStep();
    PumpFor(1.0);
    const double cpuNone = IdlePercent(kIdleSeconds);

    TProtectionList list(folder, window, TAlertLauncher(fakeAlert));
    list.LoadFromFile(folder + "protection.list");  // not there: the predefined ones
    PumpFor(1.0);
    const double memoryMade = PrivateMiB();
    double memoryThreads = 0;
    {
        const TWaitingThreads threads(list.Count());
        PumpFor(0.5);
        memoryThreads = PrivateMiB();
    }
    PumpFor(0.5);
    const double memoryBeforeStart = PrivateMiB();
    const double starting = Now();
    list.StartEnabled();
    int running = 0, watching = 0;
    for (int i = 0; i < list.Count(); ++i) {
        TFileProtection& p = *list.GetItem(i);
        if (!p.Running())
            continue;
        ++running;
        if (PumpUntil([&] { return p.WaitUntilWatching(0); }, 30.0))
            ++watching;
    }
    const double watchingAfter = Now() - starting;
    PumpFor(1.0);  // the first comparisons' log lines and copies settled
    const double memoryWatching = PrivateMiB();
    const unsigned linesBefore = logCounts.lines, askedBefore = asked.Lines();
    const double cpuWatching = IdlePercent(kIdleSeconds);
    const unsigned lines = logCounts.lines - linesBefore, questions = asked.Lines() - askedBefore;
    list.StopAll();
    PumpFor(1.0);
    const double memoryStopped = PrivateMiB();

    std::printf("predefined protections: %d of this machine, %d running, %d watching after %.1f s\n", list.Count(),
                running, watching, watchingAfter);
    std::printf("idle CPU, %.0f s each: the predefined protections watching %.3f%% of one core; the same process "
                "with no protection running %.3f%% (difference %+.3f%%); meanwhile %u log lines, %u questions; CPU "
                "time is counted in steps of %.1f ms here, %.3f%% over the window\n",
                kIdleSeconds, cpuWatching, cpuNone, cpuWatching - cpuNone, lines, questions, step * 1000,
                100 * step / kIdleSeconds);
    std::printf("private bytes (under Wine: PagefileUsage): the predefined protections running %.1f MiB, not "
                "running %.1f MiB (difference %+.2f MiB); beside that, %d threads that only wait %+.2f MiB in the same "
                "process (%.1f MiB before them); once the protections stopped %.1f MiB\n",
                memoryWatching, memoryBeforeStart, memoryWatching - memoryBeforeStart, list.Count(),
                memoryThreads - memoryMade, memoryMade, memoryStopped);
}

// ---- change to question ----

// Starts the alert program as the launcher does, with a block of its own
// to read; answers the milliseconds until its asked.log line, and until it
// ended (-1 when it did not get there).
struct TBareStart {
    double logged = -1;
    double ended = -1;
};

TBareStart StartAlertAlone(const String& fakeAlert, const TAskedLog& asked, int n)
{
    TBareStart result;
    const String id = "B0000000000000000000000000000" + IntToHex(n, 3);
    const TUniqueHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                   static_cast<DWORD>(kAlertBlockSize), AlertBlockName(id).c_str()));
    if (!mapping.Valid())
        return result;
    {
        TMappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, 0));
        if (view.Valid())
            WriteAlertBlock(static_cast<std::uint8_t*>(view.Data()), {"Bench: a new item", "Allow it?", false});
    }
    std::vector<char> commandLine(id.begin(), id.end());
    commandLine.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process{};
    const LONGLONG mark = asked.Mark();
    const double start = Now();
    if (!CreateProcessA(fakeAlert.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process))
        return result;
    const TUniqueHandle processHandle(process.hProcess);
    const TUniqueHandle threadHandle(process.hThread);
    bool ended = false;
    PumpUntil([&] { return asked.Grown(mark) || (ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0); },
              10.0);
    if (asked.Grown(mark))
        result.logged = (Now() - start) * 1000;
    if (ended || PumpUntil(nullptr, 10.0, process.hProcess))
        result.ended = (Now() - start) * 1000;
    return result;
}

bool Drop(const String& path)
{
    const TUniqueHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.Valid() && WriteFile(file.Get(), "new\r\n", 5, &written, nullptr);
}

void ChangeToQuestion(HWND window, const String& scratch, const String& fakeAlert, const TAskedLog& asked)
{
    const String guarded = scratch + "dropped\\";
    const String lists = scratch + "lists\\";
    RemoveTree(guarded);
    RemoveTree(lists);
    ForceDirectories(guarded);
    ForceDirectories(lists);
    StartAlertAlone(fakeAlert, asked, 0);  // the first start of a program is slower under Wine: not counted

    TDummyInfo provider;
    TFileProtection protection(&provider, window, TAlertLauncher(fakeAlert));
    protection.SetKind(pkFolder);
    protection.SetPath(guarded);
    protection.SetListFile(lists + "dropped.protection");
    protection.SetDisplayName("Bench protection");
    protection.Start();
    if (!PumpUntil([&] { return protection.WaitUntilWatching(0); }, 30.0)) {
        std::printf("change to question: skipped (the protection did not start watching)\n");
        return;
    }
    PumpFor(0.5);

    // Taken in turns, so that both see the same state of the prefix.
    std::vector<double> asking, taken, bareLogged, bareEnded;
    int lost = 0;
    for (int i = 1; i <= kDrops; ++i) {
        const unsigned accepted = logCounts.accepted;
        const LONGLONG mark = asked.Mark();
        const double start = Now();
        if (!Drop(guarded + "drop" + IntToStr(i) + ".txt"))
            break;
        if (PumpUntil([&] { return asked.Grown(mark); }, 10.0))
            asking.push_back((Now() - start) * 1000);
        if (PumpUntil([&] { return logCounts.accepted > accepted; }, 10.0))
            taken.push_back((Now() - start) * 1000);
        else
            ++lost;
        PumpFor(0.05);

        const TBareStart bare = StartAlertAlone(fakeAlert, asked, i);
        if (bare.logged >= 0)
            bareLogged.push_back(bare.logged);
        if (bare.ended >= 0)
            bareEnded.push_back(bare.ended);
        PumpFor(0.05);
    }
    protection.Stop();
    const TFigures q = Summarize(asking), t = Summarize(taken), l = Summarize(bareLogged), e = Summarize(bareEnded);
    std::printf("change to question, %zu of %d drops: a new file in a protected folder reached the alert program "
                "(its asked.log line) after median %.1f ms, 90th percentile %.1f ms; its Yes was taken after median "
                "%.1f ms%s\n",
                asking.size(), kDrops, q.median, q.p90, t.median, lost ? " (some answers never came)" : "");
    std::printf("fake_alert.exe started alone with CreateProcess, %zu starts: its asked.log line after median %.1f ms, "
                "90th percentile %.1f ms; ended after median %.1f ms (change to question beside start to line: "
                "%+.1f ms)\n",
                bareLogged.size(), l.median, l.p90, e.median, q.median - l.median);
}

String ProgramBeside(const char* name)
{
    char self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    return ExtractFilePath(String(self, length)) + name;
}

}  // namespace

int main(int argc, char** argv)
{
    const String scratch = IncludeTrailingPathDelimiter(argc > 1 ? argv[1] : ".");
    const String fakeAlert = argc > 2 ? String(argv[2]) : ProgramBeside("fake_alert.exe");
    if (!FileExists(fakeAlert)) {
        std::fprintf(stderr, "protection_bench: %s is missing\n", fakeAlert.c_str());
        return 1;
    }
    const String dump = scratch + "alert\\";
    RemoveTree(dump);
    ForceDirectories(dump);
    // The alert program finds its answer and its dump folder in the
    // environment it inherits; any question the predefined protections ask
    // shows in asked.log, too.
    SetEnvironmentVariableA("TALMORIS_FAKE_ALERT_DUMP", ExcludeTrailingPathDelimiter(dump).c_str());
    SetEnvironmentVariableA("TALMORIS_FAKE_ALERT_ANSWER", "6 0");
    const TAskedLog asked(dump);
    const HWND window = MakeMainWindow();

    PredefinedProtections(window, scratch, fakeAlert, asked);
    ChangeToQuestion(window, scratch, fakeAlert, asked);

    DestroyWindow(window);
    return 0;
}
