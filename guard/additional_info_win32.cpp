#include "guard/additional_info_win32.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "classlib/format.h"
#include "guard/autostart_helper.h"

namespace {

// No window and no search: a broken link stays as it is.
constexpr DWORD kResolveFlags = DWORD{SLR_NO_UI} | DWORD{SLR_NOUPDATE} | DWORD{SLR_INVOKE_MSI};
static_assert(kResolveFlags == 0x89);

// The file a shell link points to, "" when it can't be resolved.
String ResolveShellLink(const String& path)
{
    String target;
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
                // A link without a target may hand back success with no list
                // at all (S_FALSE); the list, when there is one, is freed here.
                TShellItemList items;
                if (SUCCEEDED(link->GetIDList(items.Out())) && items.Get())
                    target = items.Path();
            }
        }
        // Both interfaces are released here, before COM is uninitialised.
    }
    return target;
}

}  // namespace

bool TInternetShortcutInformation::Describe(const String& path, const String&, String& text)
{
    return DescribeOrAskPlainly(text, [&] {
        if (LowerCase(ExtractFileExt(path)) != ".url")
            return false;
        char url[1024] = {};
        GetPrivateProfileStringA("InternetShortcut", "URL", "", url, sizeof url, path.c_str());
        url[sizeof url - 1] = '\0';
        text = Format("\r\n\r\nFavorite name: %s", {ChangeFileExt(ExtractFileName(path), "")});
        if (url[0])
            text += Format("\r\nURL: %s", {String(url)});
        return true;
    });
}

bool TShellLinkInformation::Describe(const String& path, const String&, String& text)
{
    return DescribeOrAskPlainly(text, [&] {
        if (LowerCase(ExtractFileExt(path)) != ".lnk")
            return true;
        const String name = ChangeFileExt(ExtractFileName(path), "");
        const String target = ResolveShellLink(path);
        text = Format("\r\n\r\nDisplay name: %s", {name});
        if (!target.empty()) {
            if (LowerCase(ExtractFileName(target)) == "talmoris.exe")
                return false;  // the program's own Startup shortcut
            text += Format("\r\nPath to file: %s", {target});
        }
        return LowerCase(name) != "talmoris";
    });
}
