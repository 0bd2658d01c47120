// Quorvin, the security alert program. The main program starts it with a
// request id as its whole command line; it shows the question of the block
// "map_" + id, writes the answer into it and ends. Whatever it refuses (no
// id, a second start for the same id, no block, a block that doesn't hold a
// whole question) ends it at once without writing anything, so the caller
// finds the question unanswered.
#include <windows.h>

#include <exception>

#include "alert/alert_form.h"
#include "classlib/application.h"
#include "classlib/win_handle.h"
#include "guard/alert_block.h"
#include "guard/common.h"

namespace {

// The question of the caller's block, read once; false when there is none.
bool ReadQuestion(const String& blockName, TAlertQuestion& question)
{
    TUniqueHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0,
                                             static_cast<DWORD>(kAlertBlockSize), blockName.c_str()));
    // Only the caller's block will do: never one of our own making.
    if (!mapping.Valid() || GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    const TMappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
    if (!view.Valid())
        return false;
    MEMORY_BASIC_INFORMATION info{};
    const size_t size = VirtualQuery(view.Get(), &info, sizeof info) ? info.RegionSize : 0;
    return ReadAlertBlock(static_cast<const std::uint8_t*>(view.Get()),
                          size < kAlertBlockSize ? size : kAlertBlockSize, question);
}

// The main program's table: "interface\interface.txt" in the folder above our own.
String TranslationFile()
{
    return ExtractFilePath(ExcludeTrailingPathDelimiter(GetProgramFolder())) + "interface\\interface.txt";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // The whole command line is the id: the caller passes nothing else.
    const String requestId = GetCommandLineA();
    if (Trim(requestId).empty())
        return 0;
    const TUniqueHandle mutex(CreateMutexA(nullptr, FALSE, AlertMutexName(requestId).c_str()));
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;  // another Quorvin serves this request
    TAlertQuestion question;
    if (!ReadQuestion(AlertBlockName(requestId), question))
        return 0;

    TApplication& application = TApplication::Instance();
    const HWND applicationWindow = application.Handle();
    SetWindowLongA(applicationWindow, GWL_EXSTYLE, GetWindowLongA(applicationWindow, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
    ShowWindow(applicationWindow, SW_HIDE);
    try {
        TfmMain form(nullptr);
        application.SetMainForm(&form);
        form.ShowQuestion(question);
        form.SetBlockName(AlertBlockName(requestId));
        form.SetTranslationFile(TranslationFile());
        form.Show();
        application.Run();
        application.SetMainForm(nullptr);
    } catch (...) {
        application.SetTitle("Quorvin");
        application.HandleException();
    }
    return 0;
}
