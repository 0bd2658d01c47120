// Figures of the registry monitor under Wine, each printed beside a
// baseline measured in the same run:
//   - a 1-value revoke beside a bare RegNotifyChangeKeyValue wake-up of the
//     same kind of write, both timed by the same watcher: until it was woken
//     by the restoring write (beside the wake-up alone), and until it had
//     read the value back (beside the wake-up and that reading);
//   - a revoke in a tree of 1,000 values beside one enumeration of the tree;
//   - a snapshot taken and written beside Wine's own "reg export";
//   - idle CPU while watching 100 guards beside the same program watching none;
//   - the private bytes of Talmoris.exe watching 100 guards beside a bare
//     window program (this program started with --bare-window).
//   monitor_bench <scratch folder> [<staged program folder>]
#include <windows.h>

#include <psapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "bench/bench_clock.h"
#include "classlib/file_system.h"
#include "classlib/own_messages.h"
#include "classlib/thread_stop.h"
#include "guard/registry_monitor_thread.h"
#include "guard/registry_utils.h"
#include "guard/settings.h"

namespace {

using namespace bench;

const char* const kBase = "Software\\TalmorisBench";
constexpr char kBareWindowClass[] = "TalmorisBenchBareWindow";

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_QUERY_GUARD)
        return IsOwnMessage(message, wParam, lParam) ? 1 : 0;
    if (message == WM_ADD_LOG_LINE || message == WM_START_BLINK || message == WM_MONITORING_STARTED)
        return 0;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The main form's stand-in: a message-only window on a thread of its own
// that sleeps in GetMessage, as the program's main form does, while the
// benchmark's own thread writes and times.
class TMainFormThread {
public:
    TMainFormThread()
    {
        thread_ = CreateThread(nullptr, 0, &TMainFormThread::Run, this, 0, &threadId_);
        WaitForSingleObject(ready_, INFINITE);
    }
    ~TMainFormThread()
    {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(ready_);
    }
    HWND Window() const { return window_; }

private:
    static DWORD WINAPI Run(void* self)
    {
        auto& t = *static_cast<TMainFormThread*>(self);
        t.window_ = bench::MakeMainWindow("TalmorisBenchMain", MainWindowProc);
        MSG msg;
        PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue exists before WM_QUIT comes
        SetEvent(t.ready_);
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        DestroyWindow(t.window_);
        return 0;
    }

    HANDLE ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
};

void SetDword(const String& path, const String& name, DWORD value)
{
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    RegCloseKey(key);
}

void PlantTree(const String& path, int subkeys, int valuesPerKey)
{
    SHDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
    SetDword(path, "top", 1);
    for (int k = 0; k < subkeys; ++k)
        for (int v = 0; v < valuesPerKey; ++v)
            SetDword(path + "\\key" + IntToStr(k), "value" + IntToStr(v), static_cast<DWORD>(v));
}

std::unique_ptr<TSingleFreeze> KeyGuard(const String& path, int n)
{
    auto g = std::make_unique<TSingleFreeze>();
    g->RootKeyName = "HKEY_CURRENT_USER";
    g->KeyPath = path;
    g->Kind = gkKey;
    g->Reaction = grRevoke;
    g->GuidText = "{bench-" + IntToStr(n) + "}";
    g->DisplayName = "Bench guard " + IntToStr(n);
    g->Id = GuardIdFromGuid(g->GuidText);
    return g;
}

struct TFigures {
    double median = 0;
    double p99 = 0;
};

TFigures Summarize(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    if (ms.empty())
        return {};
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 99 / 100)]};
}

// A thread woken by the change notification of one value's key. Once
// armed, it reports when it woke for the write of the value it waits for,
// and when it had read that value.
class TValueWatcher {
public:
    TValueWatcher(const String& path, const String& name) : name_(name)
    {
        RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE | KEY_NOTIFY, &key_);
        RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, &writer_);
        thread_ = CreateThread(nullptr, 0, &TValueWatcher::Run, this, 0, nullptr);
    }
    ~TValueWatcher()
    {
        quit_ = true;
        SetEvent(changed_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(changed_);
        CloseHandle(done_);
        RegCloseKey(key_);
        RegCloseKey(writer_);
    }
    struct TTimes {
        double woke = -1;  // milliseconds from the write; -1: never came
        double seen = -1;
    };
    // Writes `written` and answers when the watcher, woken by a
    // notification, read `awaited`. `earlierWrites` is how many writes come
    // before the awaited one (1 when the monitor writes it back): when the
    // awaited value was read already after one of their wake-ups, the time
    // of that reading stands for the wake-up, never an earlier one.
    TTimes Measure(DWORD written, DWORD awaited, unsigned earlierWrites, double seconds)
    {
        ResetEvent(done_);
        ResetEvent(changed_);
        RegNotifyChangeKeyValue(key_, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed_, TRUE);
        awaited_ = awaited;
        earlierWrites_ = earlierWrites;
        wakes_ = 0;
        waiting_ = true;
        const double start = Now();
        RegSetValueExA(writer_, name_.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&written), 4);
        WaitForSingleObject(done_, static_cast<DWORD>(seconds * 1000));
        waiting_ = false;
        if (WaitForSingleObject(done_, 0) != WAIT_OBJECT_0)
            return {};
        return {(wokeAt_ - start) * 1000, (doneAt_ - start) * 1000};
    }

private:
    static DWORD WINAPI Run(void* self)
    {
        auto& w = *static_cast<TValueWatcher*>(self);
        while (true) {
            WaitForSingleObject(w.changed_, INFINITE);
            const double woke = Now();
            if (w.quit_)
                return 0;
            ResetEvent(w.changed_);
            // Armed again before reading: nothing written meanwhile is missed.
            RegNotifyChangeKeyValue(w.key_, FALSE, REG_NOTIFY_CHANGE_LAST_SET, w.changed_, TRUE);
            DWORD value = 0, size = 4;
            RegQueryValueExA(w.key_, w.name_.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
            const unsigned wake = ++w.wakes_;
            if (w.waiting_ && value == w.awaited_ && WaitForSingleObject(w.done_, 0) == WAIT_TIMEOUT) {
                w.doneAt_ = Now();
                w.wokeAt_ = wake > w.earlierWrites_ ? woke : w.doneAt_;
                SetEvent(w.done_);
            }
        }
    }

    String name_;
    HKEY key_ = nullptr;
    HKEY writer_ = nullptr;
    HANDLE changed_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE done_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread_ = nullptr;
    std::atomic<bool> quit_{false};
    std::atomic<bool> waiting_{false};
    std::atomic<DWORD> awaited_{0};
    std::atomic<unsigned> earlierWrites_{0};
    std::atomic<unsigned> wakes_{0};
    double doneAt_ = 0;
    double wokeAt_ = 0;
};

// Waits until the monitor sits in its wait with nothing left to do (the
// quiet check of its own write-back included).
void WaitMonitorIdle(const TMonitorCounters& counters, unsigned checksAtLeast)
{
    const double end = Now() + 10;
    while (Now() < end) {
        Sleep(2);
        const unsigned waits = counters.Waits, wakes = counters.Wakes;
        if (counters.Checks >= checksAtLeast && waits == wakes + 1 && counters.Waits == waits) {
            Sleep(2);
            if (counters.Waits == waits)
                return;
        }
    }
}

// Both ends of one kind of measurement: until the watcher was woken by the
// write of the value it waits for, and until it had read that value.
struct TWakeUp {
    TFigures woke;
    TFigures seen;
};

TWakeUp Summarize(const std::vector<TValueWatcher::TTimes>& times)
{
    std::vector<double> woke, seen;
    for (const TValueWatcher::TTimes& t : times)
        if (t.seen >= 0) {
            woke.push_back(t.woke);
            seen.push_back(t.seen);
        }
    return {Summarize(woke), Summarize(seen)};
}

TWakeUp NotifyWakeUp(int rounds)
{
    const String path = String(kBase) + "\\wake";
    SetDword(path, "v", 0);
    TValueWatcher watcher(path, "v");
    std::vector<TValueWatcher::TTimes> times;
    for (int i = 1; i <= rounds; ++i) {
        times.push_back(watcher.Measure(static_cast<DWORD>(i), static_cast<DWORD>(i), 0, 5.0));
        Sleep(3);
    }
    return Summarize(times);
}

// Revokes of one changed value of a key guard's tree, timed by the same
// watcher as the bare wake-up: the awaited write is the monitor's.
TWakeUp RevokeLatency(HWND window, const String& data, int subkeys, int valuesPerKey, int rounds)
{
    const String path = String(kBase) + "\\latency";
    PlantTree(path, subkeys, valuesPerKey);
    TFreezeList guards;
    guards.Add(KeyGuard(path, 0));
    RemoveFile(GetSnapshotFileName(guards.GetItem(0), data));
    auto counters = std::make_shared<TMonitorCounters>();
    TWorkerHandle worker = StartWorker(std::make_unique<TRegMonitorThread>(guards, window, data, nullptr, counters));
    WaitMonitorIdle(*counters, 1);
    const String target = subkeys > 0 ? path + "\\key" + IntToStr(subkeys / 2) : path;
    const String name = subkeys > 0 ? "value0" : "top";
    DWORD good = 0, size = 4;
    RegGetValueA(HKEY_CURRENT_USER, target.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &good, &size);
    TValueWatcher watcher(target, name);
    std::vector<TValueWatcher::TTimes> times;
    for (int i = 0; i < rounds; ++i) {
        const unsigned checks = counters->Checks;
        times.push_back(watcher.Measure(1000000 + static_cast<DWORD>(i), good, 1, 10.0));
        WaitMonitorIdle(*counters, checks + 2);  // the revoke, then the check of its own write
    }
    StopWorker(worker, 20000);
    return Summarize(times);
}

// Reads every key and value of the tree once, with the plain registry calls.
void EnumerateTree(HKEY parent, const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD subkeys = 0, maxSubkey = 0, values = 0, maxName = 0, maxData = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, &values, &maxName, &maxData,
                     nullptr, nullptr);
    std::vector<char> name(std::max(maxSubkey, maxName) + 2);
    std::vector<BYTE> bytes(maxData + 1);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), dataLength = static_cast<DWORD>(bytes.size()), type = 0;
        if (RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, bytes.data(), &dataLength) != ERROR_SUCCESS)
            break;
    }
    std::vector<std::vector<char>> children;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExA(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.emplace_back(name.data(), name.data() + nameLength + 1);
    }
    for (const auto& child : children)
        EnumerateTree(key, child.data());
    RegCloseKey(key);
}

TFigures TreeEnumeration(int subkeys, int valuesPerKey, int rounds)
{
    const String path = String(kBase) + "\\latency";
    PlantTree(path, subkeys, valuesPerKey);
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        const double start = Now();
        EnumerateTree(HKEY_CURRENT_USER, path.c_str());
        ms.push_back((Now() - start) * 1000);
    }
    return Summarize(ms);
}

void SnapshotBesideRegExport(const String& data)
{
    const String path = String(kBase) + "\\capture";
    PlantTree(path, 100, 100);
    TFreezeList guards;
    guards.Add(KeyGuard(path, 1));
    TRegistryShapshoot snapshot;
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const double start = Now();
        TakeGuardSnapshot(snapshot, *guards.GetItem(0), data);
        best = std::min(best, Now() - start);
    }
    const String exported = data + "capture.reg";
    String command = "reg.exe export \"HKCU\\" + path + "\" \"" + exported + "\" /y";
    double regBest = 1e9;
    for (int i = 0; i < 3; ++i) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        const double start = Now();
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
            break;
        WaitForSingleObject(pi.hProcess, 60000);
        regBest = std::min(regBest, Now() - start);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    std::printf("snapshot of 10,000 values in 100 keys, taken and written: %.0f ms; reg export of the same key: %.0f ms "
                "(ratio %.2f)\n",
                best * 1000, regBest * 1000, best / regBest);
}

void IdleCpu(HWND window, const String& data, double seconds)
{
    const double none = IdlePercent(seconds);
    TFreezeList guards;
    for (int i = 0; i < 100; ++i) {
        const String path = String(kBase) + "\\idle\\guard" + IntToStr(i);
        SetDword(path, "v", static_cast<DWORD>(i));
        guards.Add(KeyGuard(path, 100 + i));
    }
    auto counters = std::make_shared<TMonitorCounters>();
    TWorkerHandle worker = StartWorker(std::make_unique<TRegMonitorThread>(guards, window, data, nullptr, counters));
    WaitMonitorIdle(*counters, 100);
    Sleep(1000);
    const unsigned wakes = counters->Wakes;
    const double watching = IdlePercent(seconds);
    const unsigned woke = counters->Wakes - wakes;
    StopWorker(worker, 20000);
    std::printf("idle CPU, %.0f s each: watching 100 guards %.3f%% of one core; the same program watching none "
                "%.3f%% (difference %.3f%%); the monitor woke %u times\n",
                seconds, watching, none, watching - none, woke);
}

// ---- private bytes ----

// Wine leaves PrivateUsage at 0 and reports a process's anonymous resident
// memory (its private bytes, in effect) as PagefileUsage.
SIZE_T PrivateBytes(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return 0;
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

struct TWindowSearch {
    DWORD process;
    const char* className;  // null: any
    bool found = false;
};

BOOL CALLBACK FindWindowOf(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<TWindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (owner == search.process && (!search.className || std::strcmp(name, search.className) == 0))
        search.found = true;
    return !search.found;
}

bool HasWindow(DWORD process, const char* className)
{
    TWindowSearch search{process, className};
    EnumWindows(&FindWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Starts `program`, waits until `ready` holds, lets it settle and answers its
// private bytes (0 when it never got ready); the program is ended then.
SIZE_T MeasureProgram(const String& program, const String& arguments, const std::function<bool(DWORD)>& ready)
{
    String commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 0;
    SIZE_T bytes = 0;
    const double end = Now() + 60;
    while (Now() < end && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT && !ready(pi.dwProcessId))
        Sleep(50);
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT && ready(pi.dwProcessId)) {
        Sleep(3000);  // settled
        bytes = PrivateBytes(pi.hProcess);
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return bytes;
}

String ShellFolder(int csidl)
{
    char folder[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, folder)) ? String(folder) : String();
}

bool KeyThere(const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The real program from its staged folder, with its own data folder and
// settings as a user's start finds them; only in a prefix that has none of
// its own (they are removed again afterwards).
void PrivateBytesBesideBareWindow(const String& programFolder)
{
    const String talmoris = IncludeTrailingPathDelimiter(programFolder) + "Talmoris.exe";
    const String dataFolder = IncludeTrailingPathDelimiter(ShellFolder(CSIDL_LOCAL_APPDATA)) + "Talmoris\\";
    if (programFolder.empty() || !FileExists(talmoris)) {
        std::printf("private bytes: skipped (no staged program folder given)\n");
        return;
    }
    if (FileExists(dataFolder + "freeze.list") || KeyThere(kSettingsKey)) {
        std::printf("private bytes: skipped (this prefix has a guard list or settings of its own)\n");
        return;
    }
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    const SIZE_T bare = MeasureProgram(self, "--bare-window", [](DWORD id) { return HasWindow(id, kBareWindowClass); });

    ForceDirectories(dataFolder + "snapshoots");
    HKEY settings = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &settings, nullptr);
    for (const char* name : {"Value_AutoActivateFreezeWhenStart", "Value_MinimizeToTrayWhenStart"}) {
        const DWORD one = 1;
        RegSetValueExA(settings, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
    }
    const DWORD zero = 0;
    RegSetValueExA(settings, "Value_AutoStartWithOS", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), 4);
    RegCloseKey(settings);

    // No guards: the program alone, its window made.
    const auto started = [](DWORD id) { return HasWindow(id, nullptr); };
    const SIZE_T alone = MeasureProgram(talmoris, "", started);
    // 100 guards: ready once the monitor has taken every snapshot.
    TFreezeList guards;
    for (int i = 0; i < 100; ++i) {
        const String path = String(kBase) + "\\memory\\guard" + IntToStr(i);
        SetDword(path, "v", static_cast<DWORD>(i));
        guards.Add(KeyGuard(path, 300 + i));
    }
    guards.SaveToFile(dataFolder + "freeze.list");
    const auto armed = [&](DWORD id) {
        if (!started(id))
            return false;
        for (int i = 0; i < guards.Count(); ++i)
            if (!SnapshotExists(*guards.GetItem(i), dataFolder))
                return false;
        return true;
    };
    const SIZE_T watching = MeasureProgram(talmoris, "", armed);

    for (int i = 0; i < guards.Count(); ++i)
        RemoveFile(GetSnapshotFileName(guards.GetItem(i), dataFolder));
    RemoveFile(dataFolder + "freeze.list");
    SHDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    const auto mib = [](SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); };
    std::printf("private bytes (under Wine: anonymous resident memory): Talmoris.exe watching 100 guards %.1f MiB; "
                "Talmoris.exe with no guards %.1f MiB; a bare window program %.1f MiB (100 guards beside bare: "
                "%+.1f MiB)\n",
                mib(watching), mib(alone), mib(bare), mib(watching) - mib(bare));
}

int BareWindow()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kBareWindowClass;
    RegisterClassA(&wc);
    CreateWindowExA(0, kBareWindowClass, "bare", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr, wc.hInstance,
                    nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--bare-window") == 0)
        return BareWindow();
    const String data = IncludeTrailingPathDelimiter(argc > 1 ? argv[1] : ".");
    const String programFolder = argc > 2 ? argv[2] : "";
    ForceDirectories(data + "snapshoots");
    const TMainFormThread mainForm;
    const HWND window = mainForm.Window();

    // Both are timed by the same watcher from the same kind of write: until
    // it was woken by the write of the value it waits for (the bare wake-up;
    // for the revoke, the monitor's write-back), and until it had read it.
    const TWakeUp wake = NotifyWakeUp(200);
    const TWakeUp one = RevokeLatency(window, data, 0, 0, 200);
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("1-value revoke, until the value is written back: median %.3f ms, 99th percentile %.3f ms; "
                "a bare notify wake-up of the same write: median %.3f ms, 99th percentile %.3f ms (median ratio "
                "%.1f)\n",
                one.woke.median, one.woke.p99, wake.woke.median, wake.woke.p99,
                ratio(one.woke.median, wake.woke.median));
    std::printf("1-value revoke, until a watcher has read it back: median %.3f ms, 99th percentile %.3f ms; the "
                "bare wake-up and that reading: median %.3f ms, 99th percentile %.3f ms (median ratio %.1f)\n",
                one.seen.median, one.seen.p99, wake.seen.median, wake.seen.p99,
                ratio(one.seen.median, wake.seen.median));
    const TFigures tree = RevokeLatency(window, data, 100, 10, 50).seen;
    const TFigures enumeration = TreeEnumeration(100, 10, 21);
    std::printf("revoke of 1 of 1,000 values in 100 subkeys: median %.1f ms, 99th percentile %.1f ms; one enumeration "
                "of the same tree: median %.1f ms (median ratio %.2f)\n",
                tree.median, tree.p99, enumeration.median,
                enumeration.median > 0 ? tree.median / enumeration.median : 0.0);
    SnapshotBesideRegExport(data);
    IdleCpu(window, data, 30.0);
    SHDeleteKeyA(HKEY_CURRENT_USER, kBase);
    PrivateBytesBesideBareWindow(programFolder);
    SHDeleteKeyA(HKEY_CURRENT_USER, kBase);
    return 0;
}
