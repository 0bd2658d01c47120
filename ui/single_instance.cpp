#include "ui/single_instance.h"

#include <cstdint>
#include <cstring>

namespace {

// The block holds 32-bit handles in both builds; window handles fit them.
HWND FromWord(std::uint32_t word) { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(word))); }
std::uint32_t ToWord(HWND window) { return static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(window)); }

}  // namespace

TInstanceMutex::TInstanceMutex() : mutex_(CreateMutexA(nullptr, FALSE, kInstanceMutexName))
{
    alreadyExists_ = GetLastError() == ERROR_ALREADY_EXISTS;
}

bool HandOverToRunningInstance(DWORD timeoutMs)
{
    // A create call: before the first instance publishes, this makes a
    // zero-filled block, whose first word is no window.
    const TUniqueHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 8,
                                                   kInstanceBlockName));
    if (!mapping.Valid())
        return false;
    std::uint32_t words[2] = {0, 0};
    {
        const TMappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
        if (!view.Valid())
            return false;
        std::memcpy(words, view.Get(), sizeof words);
    }
    const HWND mainForm = FromWord(words[0]);
    const HWND applicationWindow = FromWord(words[1]);
    if (!IsWindow(mainForm))
        return false;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(mainForm, WM_ACTIVATE_INSTANCE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, timeoutMs, &ignored);
    // To the front without waiting: a hung instance must not hold this start
    // (a plain BringWindowToTop waits for the other process).
    SetForegroundWindow(applicationWindow);
    SetForegroundWindow(mainForm);
    for (HWND window : {applicationWindow, mainForm})
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    return true;
}

bool TInstanceBlock::Publish(HWND mainForm, HWND applicationWindow)
{
    mapping_.Reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 8, kInstanceBlockName));
    if (!mapping_.Valid())
        return false;
    TMappedView view(MapViewOfFile(mapping_.Get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!view.Valid())
        return false;
    const std::uint32_t words[2] = {ToWord(mainForm), ToWord(applicationWindow)};
    std::memcpy(view.Data(), words, sizeof words);
    return true;
}
