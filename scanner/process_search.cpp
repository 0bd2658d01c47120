#include "scanner/process_search.h"

#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/file_system.h"
#include "classlib/registry.h"
#include "classlib/win_handle.h"
#include "scanner/names_binding.h"
#include "scanner/process_list.h"
#include "scanner/removal_safety.h"
#include "scanner/search.h"
#include "scanner/search_services.h"

namespace {

// The exit code a process ended by the fix is left with.
constexpr UINT kEndedExitCode = static_cast<UINT>(-9);

// The keys the system starts programs from, each looked at under the user's
// hive first and then the machine's.
const char* const kAutorunKeys[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnceEx",
};
const TRootKey kAutorunRoots[] = {kCurrentUser, kLocalMachine};

const TNameDefinitions& NamesOf(const TSearchInterface& scanner)
{
    // The engine gives the APR and RUN scanners a name store.
    return static_cast<const TNameDefinitions&>(scanner.Definitions());
}

// The display names of the data folder; none when the engine was given no
// folder or the file can't be read.
TNamesBinding DisplayNames(const TSearch& engine)
{
    TNamesBinding names;
    names.LoadFromFile(engine.SideFileName("files.names.binding"));
    return names;
}

// ---- processes

// The ids of `name` the fix may end: never the program itself, a running
// alert program or a system process.
std::vector<std::uint32_t> EndableIds(const TProcessList& processes, const String& name)
{
    const TProtectedProcesses protectedIds = ThisProgramProtectedProcesses(processes);
    std::vector<std::uint32_t> ids = processes.IdsOf(name);
    ids.erase(std::remove_if(ids.begin(), ids.end(),
                             [&](std::uint32_t id) { return IsProtectedProcess(name, id, protectedIds); }),
              ids.end());
    return ids;
}

struct TEndResult {
    bool Ended = false;
    DWORD Error = ERROR_SUCCESS;
};

TEndResult EndProcess(const String& name, std::uint32_t id)
{
    const TUniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, id));
    if (process.Valid() && TerminateProcess(process.Get(), kEndedExitCode))
        return TEndResult{true, ERROR_SUCCESS};
    const DWORD error = GetLastError();
    // A process that ended by itself since the list was taken is no failure.
    TProcessList now;
    if (now.Build() && !now.Runs(name, id))
        return TEndResult{true, ERROR_SUCCESS};
    return TEndResult{false, error};
}

// ---- autorun values

// The value's data as text: up to its first NUL, or all of it when it has none.
String DataText(const TRegistry::TRawValue& value)
{
    const auto end = std::find(value.data.begin(), value.data.end(), std::uint8_t{0});
    return String(value.data.begin(), end);
}

// What follows the last backslash or colon; arguments and quotes stay, so a
// program started with arguments doesn't match its bare file name.
String ProgramFileNamePart(const String& text)
{
    const size_t at = text.find_last_of("\\:");
    return at == String::npos ? text : text.substr(at + 1);
}

// The definition a value is found by, its name tried first; "" when none.
String HeldDefinitionOf(const TNameDefinitions& definitions, const TRegistry::TRawValue& value)
{
    const String name = LowerCase(value.name);
    if (!name.empty() && definitions.Holds(name))
        return name;
    const String program = LowerCase(ProgramFileNamePart(DataText(value)));
    if (!program.empty() && definitions.Holds(program))
        return program;
    return String();
}

// A fix deletes values only where the search looks.
bool IsAutorunPlace(TRootKey root, const String& path)
{
    return std::find(std::begin(kAutorunRoots), std::end(kAutorunRoots), root) != std::end(kAutorunRoots) &&
           std::any_of(std::begin(kAutorunKeys), std::end(kAutorunKeys),
                       [&](const char* key) { return SameText(key, path); });
}

}  // namespace

void TProcessSearch::Search()
{
    ClearResults();
    ReportStatus(Engine().Text(kTextSearchProcesses), String());
    TProcessList processes;
    processes.Build();
    if (QueryCancel())
        return;
    const TNamesBinding names = DisplayNames(Engine());
    const TNameDefinitions& definitions = NamesOf(*this);
    const TProtectedProcesses protectedIds = ThisProgramProtectedProcesses(processes);
    for (const auto& [name, ids] : processes.Entries()) {
        ObjectScanned();
        if (name.empty() || !definitions.Holds(name))
            continue;
        // A name only protected processes run is never shown: the fix would
        // end none of them.
        if (std::all_of(ids.begin(), ids.end(),
                        [&](std::uint32_t id) { return IsProtectedProcess(name, id, protectedIds); }))
            continue;
        AddItem(NewFoundItem(ikProcess, icProcess, kNoRootKey, name, name, names.DisplayNameOr(name, name)));
    }
}

void TProcessSearch::Fix()
{
    for (int i = 0; i < ResultCount(); ++i) {
        TSearchResultInterface* item = Result(i);
        if (!item || !item->Checked || item->Kind != ikProcess)
            continue;
        // The ids of the scan may have ended or been given to other
        // programs since: the list is taken again for each item.
        TProcessList processes;
        processes.Build();
        const std::vector<std::uint32_t> ids = EndableIds(processes, item->Path);
        if (ids.empty())
            continue;  // not running any more: nothing to do, nothing to say
        if (!NotifyFixing(*item, item->Path))
            continue;
        bool allEnded = true;
        for (const std::uint32_t id : ids) {
            const TEndResult result = EndProcess(item->Path, id);
            if (result.Ended)
                continue;
            allEnded = false;
            NotifyError(*item, Engine().FormatText(kTextProcessNotEnded, {item->Path, SystemErrorText(result.Error)}));
        }
        if (allEnded)
            FreeResult(i);
    }
    PackResults();
}

void TAutorunSearch::Search()
{
    ClearResults();
    ReportStatus(Engine().Text(kTextSearchAutorun), String());
    const TNamesBinding names = DisplayNames(Engine());
    const TNameDefinitions& definitions = NamesOf(*this);
    for (const char* keyPath : kAutorunKeys) {
        for (const TRootKey root : kAutorunRoots) {
            ObjectScanned();
            TRegistry registry(KEY_READ);
            registry.SetRootKey(RootKeyHandleOf(root));
            if (!registry.OpenKeyReadOnly(keyPath))
                continue;
            // Names and data are read whole, so a long value neither hides
            // the ones after it nor escapes the check itself. A walk that
            // fails part way still gives the values read before.
            std::vector<TRegistry::TRawValue> values;
            registry.GetValues(values);
            for (const TRegistry::TRawValue& value : values) {
                ObjectScanned();
                const String held = HeldDefinitionOf(definitions, value);
                if (held.empty())
                    continue;
                auto item = NewFoundItem(ikAutorunValue, icAutorunEntry, root, keyPath, LowerCase(value.name),
                                         names.DisplayNameOr(held, held));
                // Data, unused by autorun items otherwise, keeps the value's
                // name as the registry gave it: the fix deletes that name.
                item->Data = value.name;
                AddItem(std::move(item));
            }
        }
    }
}

void TAutorunSearch::Fix()
{
    const TQuietFileErrors quiet;
    for (int i = 0; i < ResultCount(); ++i) {
        TSearchResultInterface* item = Result(i);
        if (!item || !item->Checked || item->Kind != ikAutorunValue || !IsAutorunPlace(item->RootKey, item->Path))
            continue;
        if (!NotifyFixing(*item, RootKeyPrefix(item->RootKey) + item->Path))
            continue;
        const DWORD result = SHDeleteValueA(RootKeyHandleOf(item->RootKey), item->Path.c_str(), item->Data.c_str());
        if (result == ERROR_SUCCESS)
            FreeResult(i);
        else
            NotifyError(*item, Engine().FormatText(kTextValueNotDeleted, {item->Name, SystemErrorText(result)}));
    }
    PackResults();
}
