// Waits until a running Talmoris has finished its start-up, which it ends by
// publishing its main window in the single-instance block. Exit code 0 once
// the block names a window, 1 when the time given (ms, default 30000) ran
// out. For tests driven from outside Wine.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ui/single_instance.h"

namespace {

bool PublishedWindowExists()
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kInstanceBlockName);
    if (!mapping)
        return false;
    std::uint32_t window = 0;
    if (const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 8)) {
        std::memcpy(&window, view, sizeof window);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return IsWindow(reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(window)))) != FALSE;
}

}  // namespace

int main(int argc, char** argv)
{
    const DWORD limit = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 30000;
    const DWORD start = GetTickCount();
    while (!PublishedWindowExists()) {
        if (GetTickCount() - start > limit)
            return 1;
        Sleep(50);
    }
    return 0;
}
