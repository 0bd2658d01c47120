#include "guard/autostart_helper.h"

#include <shlobj.h>

#include <string>

#include "classlib/file_system.h"

namespace {

const char* const kShortcutName = "Talmoris.lnk";

bool SaveShellLink(const String& target, const String& linkFile, const String& description)
{
    TComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.OutVoid())))
        return false;
    if (FAILED(link->SetPath(target.c_str())) || FAILED(link->SetDescription(description.c_str())))
        return false;
    TComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.OutVoid())))
        return false;
    const std::wstring widePath = WideFromAnsi(linkFile);
    return !widePath.empty() && SUCCEEDED(file->Save(widePath.c_str(), TRUE));
}

}  // namespace

std::wstring WideFromAnsi(const String& text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length) != length)
        return std::wstring();
    wide.resize(static_cast<size_t>(length) - 1);  // the converted NUL
    return wide;
}

bool TShellItemList::LoadSpecialFolder(int folder)
{
    return SUCCEEDED(SHGetSpecialFolderLocation(nullptr, folder, &items_)) && items_;
}

String TShellItemList::Path() const
{
    char path[MAX_PATH] = {};
    if (!items_ || !SHGetPathFromIDListA(items_, path))
        return String();
    path[MAX_PATH - 1] = '\0';
    return path;
}

TAutoStartHelper::TAutoStartHelper() = default;

TAutoStartHelper::~TAutoStartHelper() = default;

String TAutoStartHelper::GetStartupShortcutPath() const
{
    TShellItemList startup;
    if (!startup.LoadSpecialFolder(CSIDL_STARTUP))
        return String();
    const String folder = startup.Path();
    if (folder.empty())
        return String();
    return (folder.back() == '\\' ? folder : folder + "\\") + kShortcutName;
}

bool TAutoStartHelper::CreateStartupShortcut(const String& description, const String& target) const
{
    return SetShortcut(target, GetStartupShortcutPath(), description, false);
}

bool TAutoStartHelper::RemoveStartupShortcut() const
{
    return SetShortcut(String(), GetStartupShortcutPath(), String(), true);
}

bool TAutoStartHelper::SetShortcut(const String& target, const String& linkFile, const String& description,
                                   bool remove) const
{
    if (linkFile.empty())
        return false;  // no Startup folder
    if (remove)
        return DeleteShortcutFile(linkFile);
    return SaveShellLink(target, linkFile, description);
}

bool TAutoStartHelper::DeleteShortcutFile(const String& file)
{
    if (file.empty())
        return false;
    const DWORD attributes = GetFileAttributesA(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;  // nothing to delete; a folder of that name is not ours to strip
    const TQuietFileErrors quiet;
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(file.c_str()) != FALSE;
}
