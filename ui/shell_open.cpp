#include "ui/shell_open.h"

#include <shellapi.h>

namespace {

IShellOpener* g_opener = nullptr;

const char* OrNull(const String& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

TShellOpenResult TSystemShellOpener::Open(const TShellOpenRequest& request)
{
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | (request.wantProcess ? SEE_MASK_NOCLOSEPROCESS : 0);
    info.lpVerb = OrNull(request.verb);
    info.lpFile = request.file.c_str();
    info.lpParameters = OrNull(request.parameters);
    info.nShow = request.show;
    TShellOpenResult result;
    result.started = ShellExecuteExA(&info) != FALSE;
    if (result.started && request.wantProcess)
        result.process.Reset(info.hProcess);
    return result;
}

TShellOpenResult TRecordingShellOpener::Open(const TShellOpenRequest& request)
{
    requests_.push_back(request);
    return {};
}

IShellOpener& CurrentShellOpener()
{
    static TSystemShellOpener system;
    return g_opener ? *g_opener : system;
}

TScopedShellOpener::TScopedShellOpener(IShellOpener& opener) : previous_(g_opener) { g_opener = &opener; }

TScopedShellOpener::~TScopedShellOpener() { g_opener = previous_; }
