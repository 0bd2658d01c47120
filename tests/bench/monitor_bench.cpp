// Figures of the registry monitor under Wine: revoke latency, snapshot
// capture beside Wine's own "reg export", and idle CPU time.
//   monitor_bench <scratch folder>
#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "classlib/file_system.h"
#include "classlib/thread_stop.h"
#include "guard/registry_monitor_thread.h"
#include "guard/registry_utils.h"

namespace {

const char* const kBase = "Software\\TalmorisBench";

double Now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_QUERY_GUARD)
        return 1;
    if (message == WM_ADD_LOG_LINE || message == WM_START_BLINK || message == WM_MONITORING_STARTED)
        return 0;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND MakeMainWindow()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TalmorisBenchMain";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

void PumpFor(double seconds)
{
    const double end = Now() + seconds;
    while (Now() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
}

void SetDword(const String& path, const String& name, DWORD value)
{
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    RegCloseKey(key);
}

DWORD GetDword(const String& path, const String& name)
{
    DWORD value = 0, size = 4;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
    }
    return value;
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
    g->Id = GuardIdFromGuid(g->GuidText);
    return g;
}

void RevokeLatency(HWND window, const String& data, const char* label, int subkeys, int valuesPerKey)
{
    const String path = String(kBase) + "\\latency";
    PlantTree(path, subkeys, valuesPerKey);
    TFreezeList guards;
    guards.Add(KeyGuard(path, 0));
    RemoveFile(GetSnapshotFileName(guards.GetItem(0), data));
    TWorkerHandle worker = StartWorker(std::make_unique<TRegMonitorThread>(guards, window, data, nullptr));
    PumpFor(1.0);
    const String target = subkeys > 0 ? path + "\\key" + IntToStr(subkeys / 2) : path;
    const String name = subkeys > 0 ? "value0" : "top";
    const DWORD good = GetDword(target, name);
    std::vector<double> ms;
    for (int i = 0; i < 200; ++i) {
        const double start = Now();
        SetDword(target, name, 1000000 + static_cast<DWORD>(i));
        while (GetDword(target, name) != good && Now() - start < 5.0)
            Pump();
        ms.push_back((Now() - start) * 1000);
        PumpFor(0.005);
    }
    StopWorker(worker, 20000);
    std::sort(ms.begin(), ms.end());
    std::printf("revoke latency, key guard of %s: median %.1f ms, 99th percentile %.1f ms (200 changes)\n", label,
                ms[ms.size() / 2], ms[ms.size() * 99 / 100]);
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

void IdleCpu(HWND window, const String& data)
{
    TFreezeList guards;
    for (int i = 0; i < 100; ++i) {
        const String path = String(kBase) + "\\idle\\guard" + IntToStr(i);
        SetDword(path, "v", static_cast<DWORD>(i));
        guards.Add(KeyGuard(path, 100 + i));
    }
    TWorkerHandle worker = StartWorker(std::make_unique<TRegMonitorThread>(guards, window, data, nullptr));
    PumpFor(2.0);  // armed
    const auto cpu = [] {
        FILETIME created, exited, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        const auto ticks = [](FILETIME f) { return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
        return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
    };
    const double before = cpu();
    const double start = Now();
    PumpFor(30.0);
    const double used = cpu() - before;
    const double elapsed = Now() - start;
    StopWorker(worker, 20000);
    std::printf("idle watching, 100 guards, %.0f s: %.2f s CPU (%.2f%% of one core)\n", elapsed, used,
                100 * used / elapsed);
}

}  // namespace

int main(int argc, char** argv)
{
    const String data = IncludeTrailingPathDelimiter(argc > 1 ? argv[1] : ".");
    ForceDirectories(data + "snapshoots");
    const HWND window = MakeMainWindow();
    RevokeLatency(window, data, "1 value", 0, 0);
    RevokeLatency(window, data, "1,000 values in 100 subkeys", 100, 10);
    SnapshotBesideRegExport(data);
    IdleCpu(window, data);
    SHDeleteKeyA(HKEY_CURRENT_USER, kBase);
    DestroyWindow(window);
    return 0;
}
