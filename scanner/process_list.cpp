#include "scanner/process_list.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>

#include "classlib/win_handle.h"
#include "guard/common.h"

namespace {

#ifndef _WIN64
// The entry the system fills, as the 32-bit program passes it.
static_assert(sizeof(PROCESSENTRY32) == 296);
#endif

using TCreateSnapshot = HANDLE(WINAPI*)(DWORD, DWORD);
using TProcessWalk = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);
using TQueryImageName = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);

template <class T>
T KernelFunction(const char* name)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, name))) : nullptr;
}

// The full path of a process's image; "" when it can't be read (the query
// came with Vista).
String ImagePathOf(std::uint32_t processId)
{
    const auto query = KernelFunction<TQueryImageName>("QueryFullProcessImageNameA");
    const TUniqueHandle process(query ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId) : nullptr);
    if (!process.Valid())
        return String();
    char path[4 * MAX_PATH] = {};
    DWORD length = sizeof path;
    return query(process.Get(), 0, path, &length) ? String(path, length) : String();
}

}  // namespace

bool TProcessList::Build()
{
    entries_.clear();
    // The ANSI names, as the system exports them.
    const auto createSnapshot = KernelFunction<TCreateSnapshot>("CreateToolhelp32Snapshot");
    const auto first = KernelFunction<TProcessWalk>("Process32First");
    const auto next = KernelFunction<TProcessWalk>("Process32Next");
    if (!createSnapshot || !first || !next)
        return false;
    const TUniqueHandle snapshot(createSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid())
        return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = first(snapshot.Get(), &entry); more; more = next(snapshot.Get(), &entry)) {
        const String image(entry.szExeFile, strnlen(entry.szExeFile, sizeof entry.szExeFile));
        entries_[LowerCase(ExtractFileName(image))].push_back(entry.th32ProcessID);
        entry.dwSize = sizeof entry;
    }
    return true;
}

std::vector<std::uint32_t> TProcessList::IdsOf(const String& name) const
{
    const auto found = entries_.find(LowerCase(name));
    return found != entries_.end() ? found->second : std::vector<std::uint32_t>();
}

bool TProcessList::Runs(const String& name, std::uint32_t id) const
{
    const auto found = entries_.find(LowerCase(name));
    return found != entries_.end() && std::find(found->second.begin(), found->second.end(), id) != found->second.end();
}

String AlertProgramFileName() { return GetProgramFolder() + "Quorvin\\quorvin.exe"; }

TProtectedProcesses ThisProgramProtectedProcesses(const TProcessList& processes)
{
    TProtectedProcesses ids;
    ids.OwnProcessId = GetCurrentProcessId();
    const String alert = AlertProgramFileName();
    for (const std::uint32_t id : processes.IdsOf(ExtractFileName(alert))) {
        const String path = ImagePathOf(id);
        if (path.empty() || SameText(path, alert))
            ids.AlertProcessIds.push_back(id);
    }
    return ids;
}
