#include "scanner/file_removal.h"

#include "classlib/file_system.h"
#include "scanner/search.h"
#include "scanner/search_services.h"

TFileRemoval::TFileRemoval(TSearchInterface& scanner)
    : scanner_(scanner), folders_(ThisProgramSafetyFolders())
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT)
        if (HMODULE kernel = GetModuleHandleA("kernel32.dll"))
            moveFileEx_ = reinterpret_cast<TMoveFileEx>(
                reinterpret_cast<void (*)()>(GetProcAddress(kernel, "MoveFileExA")));
}

void TFileRemoval::Remove(int index)
{
    TSearchResultInterface& item = *scanner_.Result(index);
    const String& path = item.Path;
    const TSearch& engine = scanner_.Engine();
    if (!FileExists(path)) {
        scanner_.NotifyError(item, engine.FormatText(kTextFileNotDeleted, {path, SystemErrorText(ERROR_FILE_NOT_FOUND)}));
        return;
    }
    if (!IsRemovableFile(path, folders_) || !scanner_.NotifyFixing(item, path))
        return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path.c_str())) {
        scanner_.FreeResult(index);
        return;
    }
    DWORD error = GetLastError();
    if (moveFileEx_) {
        if (moveFileEx_(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
            // Gone at the next start: the quarantine copy must stay.
            scanner_.NotifyRemovalDelayed(item, engine.FormatText(kTextFileDeletedAtRestart, {path}));
            scanner_.FreeResult(index);
            return;
        }
        error = GetLastError();
    }
    scanner_.NotifyError(item, engine.FormatText(kTextFileNotDeleted, {path, SystemErrorText(error)}));
}
