#include "guard/additional_info_win32.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "classlib/format.h"
#include "guard/autostart_helper.h"

namespace {

// The file name of `path` up to, not including, its last ".".
String NameWithoutExtension(const String& path)
{
    const String name = ExtractFileName(path);
    const String::size_type dot = name.rfind('.');
    return dot == String::npos ? name : name.substr(0, dot);
}

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

// COM for the span of one resolution; uninitialised only when the
// initialisation counted (RPC_E_CHANGED_MODE does not).
class TComScope {
public:
    TComScope() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~TComScope()
    {
        if (initialised_)
            CoUninitialize();
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;

private:
    bool initialised_;
};

// An item list handed out by the shell, freed with the task allocator.
class TItemIdList {
public:
    TItemIdList() = default;
    ~TItemIdList() { CoTaskMemFree(items_); }
    TItemIdList(const TItemIdList&) = delete;
    TItemIdList& operator=(const TItemIdList&) = delete;

    LPITEMIDLIST* Out() { return &items_; }
    LPITEMIDLIST Get() const { return items_; }

private:
    LPITEMIDLIST items_ = nullptr;
};

// No window and no search: a broken link stays as it is.
constexpr DWORD kResolveFlags = DWORD{SLR_NO_UI} | DWORD{SLR_NOUPDATE} | DWORD{SLR_INVOKE_MSI};
static_assert(kResolveFlags == 0x89);

// The file a shell link points to, "" when it can't be resolved.
String ResolveShellLink(const String& path)
{
    char target[MAX_PATH] = {};
    {
        const TComScope com;
        TComPtr<IShellLinkA> link;
        TComPtr<IPersistFile> file;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                       link.OutVoid())) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.OutVoid()))) {
            const std::wstring widePath = WideFromAnsi(path);
            if (!widePath.empty() && SUCCEEDED(file->Load(widePath.c_str(), STGM_READ))) {
                link->Resolve(nullptr, kResolveFlags);
                TItemIdList items;
                if (SUCCEEDED(link->GetIDList(items.Out())) && items.Get() &&
                    !SHGetPathFromIDListA(items.Get(), target))
                    target[0] = '\0';
            }
        }
        // Both interfaces are released here, before COM is uninitialised.
    }
    target[MAX_PATH - 1] = '\0';
    return target;
}

}  // namespace

bool TInternetShortcutInformation::Describe(const String& path, const String&, String& text)
{
    text.clear();
    if (LowerCase(ExtractFileExt(path)) != ".url")
        return false;
    char url[1024] = {};
    GetPrivateProfileStringA("InternetShortcut", "URL", "", url, sizeof url, path.c_str());
    url[sizeof url - 1] = '\0';
    text = Format("\r\n\r\nFavorite name: %s", {NameWithoutExtension(path)});
    if (url[0])
        text += Format("\r\nURL: %s", {String(url)});
    return true;
}

bool TShellLinkInformation::Describe(const String& path, const String&, String& text)
{
    text.clear();
    if (LowerCase(ExtractFileExt(path)) != ".lnk")
        return true;
    const String name = NameWithoutExtension(path);
    const String target = ResolveShellLink(path);
    text = Format("\r\n\r\nDisplay name: %s", {name});
    if (!target.empty()) {
        if (LowerCase(ExtractFileName(target)) == "talmoris.exe")
            return false;  // the program's own Startup shortcut
        text += Format("\r\nPath to file: %s", {target});
    }
    return LowerCase(name) != "talmoris";
}
