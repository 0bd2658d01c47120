#include "guard/alert_launcher.h"

#include <vector>

#include "classlib/win_handle.h"
#include "guard/common.h"

namespace {

// How often an alert that may no longer be wanted is asked about.
constexpr DWORD kStillWantedPollMs = 100;

// Starts the alert program and waits for it to end, or until `cancel` is
// set or the question is no longer wanted, which ends it.
void RunAlertProgram(const String& program, const String& requestId, HANDLE cancel,
                     const std::function<bool()>& stillWanted)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process{};
    if (cancel && WaitForSingleObject(cancel, 0) == WAIT_OBJECT_0)
        return;  // closed before it was shown
    std::vector<char> commandLine(requestId.begin(), requestId.end());
    commandLine.push_back('\0');
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process))
        return;
    const TUniqueHandle processHandle(process.hProcess);
    const TUniqueHandle threadHandle(process.hThread);
    HANDLE waits[] = {process.hProcess, cancel};
    const DWORD count = cancel ? 2 : 1;
    const DWORD poll = stillWanted ? kStillWantedPollMs : INFINITE;
    for (;;) {
        const DWORD woke = WaitForMultipleObjects(count, waits, FALSE, poll);
        if (woke == WAIT_OBJECT_0)
            return;  // the program has ended
        if (woke == WAIT_TIMEOUT && stillWanted())
            continue;
        break;  // cancelled, no longer wanted, or the wait failed
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, kAlertEndAfterCancelMs);
}

}  // namespace

TAlertLauncher::TAlertLauncher() : alertProgram_(GetProgramFolder() + "Quorvin\\quorvin.exe") {}

TAlertAnswer TAlertLauncher::Ask(const String& requestId, const TAlertQuestion& question, HANDLE cancel,
                                 const std::function<bool()>& stillWanted) const
{
    TAlertAnswer result;
    const String name = AlertBlockName(requestId);
    TUniqueHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                             static_cast<DWORD>(kAlertBlockSize), name.c_str()));
    if (!mapping.Valid() || GetLastError() == ERROR_ALREADY_EXISTS)
        return result;  // another question with this id is open: its block is not ours to overwrite
    TMappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!view.Valid())
        return result;
    auto* block = static_cast<std::uint8_t*>(view.Data());
    WriteAlertBlock(block, question);
    RunAlertProgram(alertProgram_, requestId, cancel, stillWanted);
    const std::int32_t answer = AlertBlockAnswer(block);
    result.Flag = AlertBlockFlag(block);
    if (answer == kAlertYes || answer == kAlertNo)
        result.Answer = answer;
    return result;
}
