#include "scanner/removal_safety.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <initializer_list>
#include <iterator>

namespace {

// Keys under both HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
const char* const kMachineAndUserKeys[] = {
    "Software",
    "Software\\Classes",
    "Software\\Microsoft",
    "Software\\Microsoft\\Windows",
    "Software\\Microsoft\\Windows\\CurrentVersion",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnceEx",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies",
    "Software\\Microsoft\\Windows NT",
    "Software\\Microsoft\\Windows NT\\CurrentVersion",
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
    "Software\\Microsoft\\Internet Explorer",
    "Software\\Microsoft\\Internet Explorer\\Main",
    "Software\\Microsoft\\Internet Explorer\\Toolbar",
    "Software\\Microsoft\\Internet Explorer\\Toolbar\\WebBrowser",
    "Software\\Microsoft\\Internet Explorer\\Toolbar\\ShellBrowser",
    "Software\\Microsoft\\Internet Explorer\\Toolbar\\Explorer",
    "Software\\Microsoft\\Internet Explorer\\Explorer Bars",
    "Software\\Microsoft\\Internet Explorer\\Extensions",
    "Software\\Microsoft\\Internet Explorer\\URLSearchHooks",
    "Software\\Policies",
};

const char* const kMachineKeys[] = {
    "SAM",
    "SECURITY",
    "HARDWARE",
    "SYSTEM",
    "SYSTEM\\CurrentControlSet",
    "SYSTEM\\CurrentControlSet\\Services",
    "SYSTEM\\CurrentControlSet\\Control",
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
};

const char* const kUserKeys[] = {"Control Panel", "Environment", "Identities"};

// Below HKEY_CLASSES_ROOT, and below Software\Classes of the machine and
// the user.
const char* const kClassKeys[] = {
    "CLSID",   "Interface", "TypeLib", "AppID",   "*",       "Directory", "Drive",   "Folder",   "AllFilesystemObjects",
    "exefile", "batfile",   "cmdfile", "comfile", "lnkfile", "htmlfile",  "http",    "https",    "ftp",
    "file",    ".exe",      ".bat",    ".cmd",    ".com",    ".lnk",      ".htm",    ".html",
};

const char* const kCoreFileNames[] = {
    "ntdll.dll",    "kernel32.dll", "kernelbase.dll", "user32.dll",   "gdi32.dll",    "advapi32.dll", "shell32.dll",
    "shlwapi.dll",  "ole32.dll",    "oleaut32.dll",   "comctl32.dll", "comdlg32.dll", "rpcrt4.dll",   "msvcrt.dll",
    "ws2_32.dll",   "wininet.dll",  "urlmon.dll",     "mshtml.dll",   "ieframe.dll",  "shdocvw.dll",  "browseui.dll",
    "secur32.dll",  "crypt32.dll",  "hal.dll",        "ntoskrnl.exe", "smss.exe",     "csrss.exe",    "wininit.exe",
    "winlogon.exe", "services.exe", "lsass.exe",      "svchost.exe",  "explorer.exe", "iexplore.exe", "rundll32.exe",
    "regsvr32.exe", "regedit.exe",  "cmd.exe",        "notepad.exe",  "userinit.exe", "taskmgr.exe",  "win.ini",
    "system.ini",   "hosts",        "boot.ini",       "ntldr",        "bootmgr",      "pagefile.sys", "hiberfil.sys",
};

// The files the system starts from and pages to, in the root folder of its
// drive.
const char* const kBootFileNames[] = {
    "boot.ini", "ntldr", "bootmgr", "pagefile.sys", "hiberfil.sys", "swapfile.sys", "autoexec.bat", "config.sys",
};

const char* const kSystemProcessNames[] = {
    "system",       "idle",       "smss.exe",    "csrss.exe",     "wininit.exe",  "winlogon.exe",
    "services.exe", "lsass.exe",  "lsm.exe",     "svchost.exe",   "explorer.exe", "dwm.exe",
    "spoolsv.exe",  "taskhost.exe", "taskhostw.exe", "conhost.exe", "fontdrvhost.exe", "sihost.exe",
    "ctfmon.exe",   "userinit.exe", "winedevice.exe", "plugplay.exe", "rpcss.exe", "wineboot.exe",
    "start.exe",
};

template <std::size_t N>
bool InList(const String& text, const char* const (&list)[N])
{
    return std::any_of(std::begin(list), std::end(list), [&](const char* entry) { return SameText(text, entry); });
}

// `path` is `key` or one of its ancestors.
bool IsKeyOrAncestor(const String& path, const String& key)
{
    return SameText(path, key) || (key.size() > path.size() && key[path.size()] == '\\' &&
                                   SameText(key.substr(0, path.size()), path));
}

template <std::size_t N>
bool CoversAny(const String& path, const char* const (&keys)[N], const String& below = String())
{
    return std::any_of(std::begin(keys), std::end(keys),
                       [&](const char* key) { return IsKeyOrAncestor(path, below + key); });
}

// `path` is `base` (then `rest` is "") or below it (then `rest` is what
// follows `base` and its backslash).
bool IsAtOrBelow(const String& path, const String& base, String& rest)
{
    if (SameText(path, base)) {
        rest.clear();
        return true;
    }
    if (path.size() > base.size() && path[base.size()] == '\\' && SameText(path.substr(0, base.size()), base)) {
        rest = path.substr(base.size() + 1);
        return true;
    }
    return false;
}

// Below a classes root: HKEY_CLASSES_ROOT, Software\Classes, a user's
// "<sid>_Classes" hive. The 32-bit view keeps its own copy of the system's
// classes below Wow6432Node.
bool CoversClassKey(const String& key)
{
    String view;
    if (IsAtOrBelow(key, "Wow6432Node", view))
        return view.empty() || CoversAny(view, kClassKeys);
    return CoversAny(key, kClassKeys);
}

// Below the machine's or a user's root: Software and its classes.
bool CoversSoftwareKey(const String& key)
{
    String classes;
    if (IsAtOrBelow(key, "Software\\Classes", classes) && !classes.empty())
        return CoversClassKey(classes);
    return CoversAny(key, kMachineAndUserKeys);
}

bool CoversUserKey(const String& key) { return CoversSoftwareKey(key) || CoversAny(key, kUserKeys); }

bool CoversMachineKey(const String& key)
{
    // The 32-bit view of Software on 64-bit Windows: Wow6432Node itself and
    // each key of Software again below it.
    String view;
    if (IsAtOrBelow(key, "Software\\Wow6432Node", view))
        return CoversSoftwareKey(view.empty() ? String("Software") : "Software\\" + view);
    return CoversSoftwareKey(key) || CoversAny(key, kMachineKeys);
}

// A key below HKEY_USERS: a user's whole hive (the default user's among
// them), and inside one what the user's own root protects; a "<sid>_Classes"
// hive is that user's classes root.
bool CoversUsersKey(const String& key)
{
    const size_t slash = key.find('\\');
    if (slash == String::npos)
        return true;
    const String hive = key.substr(0, slash);
    const String inside = key.substr(slash + 1);
    static const String kClassesSuffix = "_Classes";
    const bool classes = hive.size() > kClassesSuffix.size() &&
                         SameText(hive.substr(hive.size() - kClassesSuffix.size()), kClassesSuffix);
    return classes ? CoversClassKey(inside) : CoversUserKey(inside);
}

// The system's own functions take names as NUL-terminated texts and stop at
// a NUL: "Software\0x" would be "Software" to them. No name the program acts
// on holds a NUL or any other control character.
bool HoldsControlCharacter(const String& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::vector<String> Components(const String& path, bool slashToo)
{
    std::vector<String> parts(1);
    for (char c : path) {
        if (c == '\\' || (slashToo && c == '/'))
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// The system drops trailing dots and blanks from a name: "hosts." is "hosts".
String AsTheSystemNamesIt(String name)
{
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
    return name;
}

// Lower case, one kind of separator, each name as the system reads it.
String NormalPath(const String& path)
{
    String normal;
    for (const String& part : Components(path, true))
        normal += (normal.empty() && part.size() == 2 && part[1] == ':' ? part : AsTheSystemNamesIt(part)) + "\\";
    normal.pop_back();
    return LowerCase(normal);
}

bool IsInFolder(const String& normalPath, const String& folder)
{
    if (Trim(folder).empty())
        return false;
    const String normalFolder = NormalPath(ExcludeTrailingPathDelimiter(folder));
    return normalPath == normalFolder ||
           (normalPath.size() > normalFolder.size() && normalPath[normalFolder.size()] == '\\' &&
            normalPath.compare(0, normalFolder.size(), normalFolder) == 0);
}

// The drive of the Windows folder (else of the system folder), where the
// system starts from. When neither is known, any drive may be that drive.
bool IsOnSystemDrive(const String& path, const TSafetyFolders& folders)
{
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    for (const String* folder : {&folders.WindowsFolder, &folders.SystemFolder}) {
        const String drive = Trim(*folder);
        if (drive.size() >= 2 && std::isalpha(static_cast<unsigned char>(drive[0])) && drive[1] == ':')
            return lower(drive[0]) == lower(path[0]);
    }
    return true;
}

}  // namespace

bool IsWellFormedKeyPath(const String& path)
{
    String key = path;
    if (!key.empty() && key.back() == '\\')
        key.pop_back();
    if (HoldsControlCharacter(key) || Trim(key).empty() || key.front() == '\\')
        return false;
    for (const String& part : Components(key, false))
        if (part.empty())
            return false;
    return true;
}

bool IsProtectedRegistryKey(int rootIndex, const String& path)
{
    if (!IsWellFormedKeyPath(path))
        return true;
    String key = path;
    if (key.back() == '\\')
        key.pop_back();

    switch (RootKeyOfIndex(rootIndex)) {
    case kClassesRoot:
        return CoversClassKey(key);
    case kLocalMachine:
        return CoversMachineKey(key);
    case kCurrentUser:
        return CoversUserKey(key);
    case kUsers:
        return CoversUsersKey(key);
    default:
        // Performance data, the current configuration, dynamic data, and
        // anything that isn't a root at all.
        return true;
    }
}

bool IsProtectedRegistryKey(TRootKey root, const String& path) { return IsProtectedRegistryKey(RootKeyIndexOf(root), path); }

bool IsClassIdForm(const String& id)
{
    if (id.size() != 38 || id.front() != '{' || id.back() != '}')
        return false;
    for (std::size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? id[i] != '-' : !IsHexDigit(id[i]))
            return false;
    }
    return true;
}

bool IsUsableClassName(const String& name)
{
    return name.find('\\') == String::npos && !IsProtectedRegistryKey(kClassesRoot, name);
}

bool IsProtectedFilePath(const String& path, const TSafetyFolders& folders)
{
    // Fully qualified: a drive letter, a colon, a backslash. No wildcard, and
    // no colon after the drive: "explorer.exe::$DATA" is explorer.exe itself.
    if (HoldsControlCharacter(path) || path.size() < 4 || !std::isalpha(static_cast<unsigned char>(path[0])) ||
        path[1] != ':' || path[2] != '\\')
        return true;
    if (path.find_first_of("*?") != String::npos || path.find(':', 2) != String::npos)
        return true;
    const std::vector<String> parts = Components(path.substr(3), true);
    for (const String& part : parts)
        if (part.empty() || part == "." || part == ".." || AsTheSystemNamesIt(part).empty())
            return true;

    const String normal = NormalPath(path);
    if (IsInFolder(normal, folders.ProgramFolder) || IsInFolder(normal, folders.DataFolder))
        return true;
    const String name = AsTheSystemNamesIt(parts.back());
    if (parts.size() == 1 && InList(name, kBootFileNames) && IsOnSystemDrive(path, folders))
        return true;
    return InList(name, kCoreFileNames) &&
           (IsInFolder(normal, folders.WindowsFolder) || IsInFolder(normal, folders.SystemFolder));
}

bool IsProtectedProcessName(const String& imageName)
{
    return InList(AsTheSystemNamesIt(ExtractFileName(imageName)), kSystemProcessNames);
}

bool IsProtectedProcess(const String& imageName, std::uint32_t processId, const TProtectedProcesses& ids)
{
    if (processId == 0 || processId == 4 || processId == ids.OwnProcessId)
        return true;
    if (std::find(ids.AlertProcessIds.begin(), ids.AlertProcessIds.end(), processId) != ids.AlertProcessIds.end())
        return true;
    return IsProtectedProcessName(imageName);
}
