#include "guard/common.h"

#include <shlobj.h>

#include <vector>

#include "classlib/win_handle.h"
#include "guard/common_rules.h"

namespace {

std::uint64_t Ticks(const SYSTEMTIME& time)
{
    FILETIME ft{};
    if (!SystemTimeToFileTime(&time, &ft))
        return 0;
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

}  // namespace

String GetProgramFileName()
{
    // Long paths don't fit MAX_PATH: grow until the whole name fits.
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        std::vector<char> path(size);
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), size);
        if (n == 0)
            break;
        if (n < size)
            return String(path.data(), n);
    }
    return String();
}

String GetProgramFolder()
{
    const String file = GetProgramFileName();
    return file.empty() ? ".\\" : ExtractFilePath(file);  // the current folder rather than the drive's root
}

String ShellFolderPath(int csidl)
{
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) || !items)
        return String();
    char path[MAX_PATH] = {};
    const BOOL ok = SHGetPathFromIDListA(items, path);
    CoTaskMemFree(items);
    path[MAX_PATH - 1] = '\0';
    return ok ? String(path) : String();
}

String GetDataFolder() { return DataFolderFor(ShellFolderPath(CSIDL_LOCAL_APPDATA), GetProgramFolder()); }

String HashFileMD5(const String& fileName)
{
    TUniqueHandle file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return String();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart == 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > SIZE_MAX)
        return String();
    TUniqueHandle mapping(CreateFileMappingA(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping.Valid())
        return String();
    TMappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
    if (!view.Valid())
        return String();
    return HashBytesMD5(view.Get(), static_cast<size_t>(size.QuadPart));
}

bool TryHashFileMD5(const String& fileName, String& digest)
{
    TUniqueHandle file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid())
        return false;
    TMD5 md5;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return false;
        if (read == 0)
            break;
        md5.Update(buffer.data(), read);
    }
    digest = DigestToHex(md5.Final());
    return true;
}

std::uint32_t QueryFileSize(const String& fileName)
{
    TUniqueHandle file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return 0;
    const DWORD size = GetFileSize(file.Get(), nullptr);
    return size == INVALID_FILE_SIZE ? 0 : size;
}

std::uint64_t WholeDaysBetween(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return WholeDaysBetweenTicks(Ticks(a), Ticks(b));
}

bool IsWindowsXPOrLater()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info))
        return false;
#pragma GCC diagnostic pop
    return IsXPOrLaterVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

void ShowOnlyChild(TWinControl* container, const TWinControl* child)
{
    if (!container)
        return;
    for (int i = 0; i < container->ControlCount(); ++i) {
        auto* windowed = dynamic_cast<TWinControl*>(container->Controls(i));
        if (windowed && windowed->Tag() != kKeepVisibleTag)
            windowed->SetVisible(windowed == child);
    }
}
