#include "scanner/search_services.h"

#include "guard/common.h"

HKEY RootKeyHandleOf(TRootKey root)
{
    switch (root) {
    case kClassesRoot: return HKEY_CLASSES_ROOT;
    case kCurrentUser: return HKEY_CURRENT_USER;
    case kLocalMachine: return HKEY_LOCAL_MACHINE;
    case kUsers: return HKEY_USERS;
    case kPerformanceData: return HKEY_PERFORMANCE_DATA;
    case kCurrentConfig: return HKEY_CURRENT_CONFIG;
    case kDynData: return HKEY_DYN_DATA;
    default: return nullptr;
    }
}

String SpecialFolderPath(int csidl)
{
    const String path = ShellFolderPath(csidl);
    return path.empty() ? path : IncludeTrailingPathDelimiter(path);
}

bool KeyExists(TRootKey root, const String& path)
{
    const HKEY rootKey = RootKeyHandleOf(root);
    HKEY key = nullptr;
    if (!rootKey || RegOpenKeyExA(rootKey, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

String SystemErrorText(DWORD code)
{
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&buffer), 0, nullptr);
    String text = length && buffer ? String(buffer, length) : String();
    if (buffer)
        LocalFree(buffer);
    return text;
}

namespace {

String FolderOf(UINT (WINAPI* query)(LPSTR, UINT))
{
    char path[MAX_PATH] = {};
    const UINT length = query(path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? String(path, length) : String();
}

}  // namespace

String WindowsFolder() { return FolderOf(GetWindowsDirectoryA); }
String SystemFolder() { return FolderOf(GetSystemDirectoryA); }

TSafetyFolders ThisProgramSafetyFolders()
{
    TSafetyFolders folders;
    folders.ProgramFolder = GetProgramFolder();
    folders.DataFolder = GetDataFolder();
    folders.WindowsFolder = WindowsFolder();
    folders.SystemFolder = SystemFolder();
    return folders;
}

bool IsRemovableFile(const String& path, const TSafetyFolders& folders)
{
    if (IsProtectedFilePath(path, folders))
        return false;
    // A short name ("PROGRA~1") must not get past the checks of the long one.
    char longPath[4 * MAX_PATH] = {};
    const DWORD length = GetLongPathNameA(path.c_str(), longPath, sizeof longPath);
    if (length > 0 && length < sizeof longPath && IsProtectedFilePath(String(longPath, length), folders))
        return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
