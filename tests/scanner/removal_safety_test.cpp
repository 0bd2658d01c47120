// What no definition may make the program remove: each row is one refusal,
// or one neighbour that must stay allowed so real spyware traces still go.
// Values are never asked about here: removing a value from a protected key is
// how autorun and browser entries go, so only keys themselves are checked.
#include "scanner/removal_safety.h"

#include <gtest/gtest.h>

namespace {

constexpr int kHKCR = 0, kHKCU = 1, kHKLM = 2, kHKU = 3, kHKPD = 4, kHKCC = 5, kHKDD = 6;

constexpr const char* kHelperId = "{11111111-2222-3333-4444-555555555555}";

// A literal's every byte, the NULs inside it among them.
template <size_t N>
String WithNul(const char (&text)[N])
{
    return String(text, N - 1);
}

}  // namespace

TEST(RemovalSafety, RegistryKeys)
{
    const struct {
        const char* name;
        int root;
        String path;
        bool refused;
    } cases[] = {
        {"empty path", kHKLM, "", true},
        {"blank path", kHKLM, "   ", true},
        {"nothing but the trailing backslash", kHKCU, "\\", true},
        {"leading backslash", kHKLM, "\\Software\\SpyCo", true},
        {"empty component", kHKLM, "Software\\\\SpyCo", true},
        {"only one trailing backslash is dropped", kHKLM, "Software\\SpyCo\\\\", true},

        {"performance data is never touched", kHKPD, "SpyCo", true},
        {"the current configuration is never touched", kHKCC, "Software\\SpyCo", true},
        {"dynamic data is never touched", kHKDD, "SpyCo", true},
        {"an index past the roots", 7, "Software\\SpyCo", true},
        {"a negative index", -1, "Software\\SpyCo", true},

        {"the machine's Software", kHKLM, "Software", true},
        {"the user's Software, upper case, trailing backslash", kHKCU, "SOFTWARE\\", true},
        {"Run in lower case", kHKLM, "software\\microsoft\\windows\\currentversion\\run", true},
        {"RunServicesOnceEx beside Run", kHKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnceEx", true},
        {"Browser Helper Objects below Explorer", kHKLM,
         "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects", true},
        {"Policies below CurrentVersion", kHKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies", true},
        {"Winlogon", kHKLM, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", true},
        {"Toolbar below Internet Explorer", kHKCU, "Software\\Microsoft\\Internet Explorer\\Toolbar", true},
        {"Toolbar's WebBrowser", kHKLM, "Software\\Microsoft\\Internet Explorer\\Toolbar\\WebBrowser", true},
        {"URLSearchHooks below Internet Explorer", kHKLM, "Software\\Microsoft\\Internet Explorer\\URLSearchHooks", true},
        {"Software's Policies", kHKCU, "Software\\Policies", true},
        {"Microsoft holds Windows", kHKLM, "Software\\Microsoft", true},

        {"a run entry's own key below Run", kHKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Spy", false},
        {"a helper below Browser Helper Objects", kHKLM,
         String("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\") + kHelperId, false},
        {"a name that only starts like Run", kHKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\Runner", false},
        {"a vendor's key below Software", kHKCU, "Software\\SpyCo", false},
        {"a key below Microsoft in no list", kHKLM, "Software\\Microsoft\\SpyHelper", false},
        {"a service's own key", kHKLM, "SYSTEM\\CurrentControlSet\\Services\\SpyService", false},

        {"the machine's SAM", kHKLM, "SAM", true},
        {"the machine's Hardware in another case", kHKLM, "hardware", true},
        {"Session Manager", kHKLM, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", true},
        {"the machine's keys aren't the user's", kHKCU, "SYSTEM\\CurrentControlSet", false},
        {"the user's Environment", kHKCU, "Environment", true},
        {"the user's Identities", kHKCU, "Identities", true},
        {"the user's keys aren't the machine's", kHKLM, "Environment", false},

        {"CLSID", kHKCR, "CLSID", true},
        {"the class of all files", kHKCR, "*", true},
        {"an extension", kHKCR, ".exe", true},
        {"a file class", kHKCR, "htmlfile", true},
        {"the machine's classes", kHKLM, "Software\\Classes\\CLSID", true},
        {"the user's classes, another case", kHKCU, "software\\classes\\.HTML", true},
        {"a helper's class entry", kHKCR, String("CLSID\\") + kHelperId, false},
        {"a spyware ProgID", kHKCR, "SpyBar.Toolbar", false},
        {"a spyware ProgID in the machine's classes", kHKLM, "Software\\Classes\\SpyBar.Toolbar", false},
        {"Software\\Classes means nothing below the classes root", kHKCR, "Software\\Classes\\CLSID", false},

        {"the default user", kHKU, ".default", true},
        {"a user's whole hive", kHKU, "S-1-5-21-1000", true},
        {"a key inside a user's hive", kHKU, "S-1-5-21-1000\\Software\\SpyCo", false},
        {"a key inside the default user's hive", kHKU, ".DEFAULT\\Software\\SpyCo", false},
        {"a vendor's key in a user's hive", kHKU, "S-1-5-21-1000\\Software\\Vendor", false},
        {"a user's Software, as the current user's", kHKU, "S-1-5-21-1000\\Software", true},
        {"a user's Run, another case", kHKU, "s-1-5-21-1000\\software\\microsoft\\windows\\currentversion\\run\\",
         true},
        {"a user's own Environment", kHKU, "S-1-5-21-1000\\Environment", true},
        {"the default user's Control Panel", kHKU, ".DEFAULT\\Control Panel", true},
        {"a user's classes below Software", kHKU, "S-1-5-21-1000\\Software\\Classes\\CLSID", true},
        {"a run entry's own key in a user's hive", kHKU,
         "S-1-5-21-1000\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Spy", false},
        {"the machine's keys aren't a user's", kHKU, "S-1-5-21-1000\\SYSTEM\\CurrentControlSet", false},
        {"a user's classes hive", kHKU, "S-1-5-21-1000_Classes", true},
        {"CLSID in a user's classes hive", kHKU, "S-1-5-21-1000_Classes\\CLSID", true},
        {"an extension in a user's classes hive, another case", kHKU, "s-1-5-21-1000_classes\\.EXE", true},
        {"a spyware ProgID in a user's classes hive", kHKU, "S-1-5-21-1000_Classes\\SpyBar.Toolbar", false},
        {"a helper's class entry in a user's classes hive", kHKU,
         String("S-1-5-21-1000_Classes\\CLSID\\") + kHelperId, false},
        {"a classes hive is no user's root", kHKU, "S-1-5-21-1000_Classes\\Software", false},
        {"a user's root is no classes root", kHKU, "S-1-5-21-1000\\CLSID", false},

        {"the machine's 32-bit view", kHKLM, "Software\\Wow6432Node", true},
        {"the 32-bit view, another case, trailing backslash", kHKLM, "software\\WOW6432NODE\\", true},
        {"Microsoft in the 32-bit view", kHKLM, "Software\\Wow6432Node\\Microsoft", true},
        {"Run in the 32-bit view", kHKLM, "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run", true},
        {"Browser Helper Objects in the 32-bit view", kHKLM,
         "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects", true},
        {"Policies in the 32-bit view", kHKLM, "Software\\Wow6432Node\\Policies", true},
        {"the 32-bit view's classes", kHKLM, "Software\\Wow6432Node\\Classes", true},
        {"CLSID in the 32-bit view's classes", kHKLM, "Software\\Wow6432Node\\Classes\\CLSID", true},
        {"the classes' 32-bit view", kHKLM, "Software\\Classes\\Wow6432Node", true},
        {"CLSID in the classes' 32-bit view", kHKLM, "Software\\Classes\\Wow6432Node\\CLSID", true},
        {"an extension in the classes' 32-bit view", kHKLM, "Software\\Classes\\Wow6432Node\\.lnk", true},
        {"the classes' 32-bit view by the classes root", kHKCR, "Wow6432Node", true},
        {"CLSID in the classes root's 32-bit view", kHKCR, "Wow6432Node\\CLSID", true},
        {"a vendor's key in the 32-bit view", kHKLM, "Software\\Wow6432Node\\Vendor", false},
        {"a run entry's own key in the 32-bit view", kHKLM,
         "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\Spy", false},
        {"a helper's class entry in the classes' 32-bit view", kHKLM,
         String("Software\\Classes\\Wow6432Node\\CLSID\\") + kHelperId, false},
        {"a spyware ProgID in the classes root's 32-bit view", kHKCR, "Wow6432Node\\SpyBar.Toolbar", false},
        {"the machine's own keys have no 32-bit copy", kHKLM, "Software\\Wow6432Node\\SYSTEM", false},
        {"a name that only starts like the 32-bit view", kHKLM, "Software\\Wow6432NodeSpy", false},

        // The system stops at a NUL: "Software\0x" is "Software" to it.
        {"a NUL after a structural key", kHKLM, WithNul("Software\0x"), true},
        {"a NUL after a vendor's key", kHKCU, WithNul("Software\\SpyCo\0"), true},
        {"a NUL first", kHKCR, WithNul("\0CLSID"), true},
        {"a NUL in a user's hive name", kHKU, WithNul("S-1-5-21-1000\0\\Software\\SpyCo"), true},
        {"a tab", kHKCU, "Software\\Spy\tCo", true},
        {"a line break", kHKLM, "Software\\Spy\nCo", true},
        {"a letter beyond ASCII stays allowed", kHKCU, "Software\\Caf\xe9", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsProtectedRegistryKey(c.root, c.path), c.refused) << c.name;
        EXPECT_EQ(IsProtectedRegistryKey(RootKeyOfIndex(c.root), c.path), c.refused) << c.name << " (by handle)";
    }
}

TEST(RemovalSafety, ClassIdsAndClassNames)
{
    const struct {
        const char* name;
        String text;
        bool classId;
        bool usableClassName;
    } cases[] = {
        {"a class id", kHelperId, true, true},
        {"a class id in mixed case", "{abcdefAB-cdef-0123-4567-89abcdefABCD}", true, true},
        {"one digit short", "{11111111-2222-3333-4444-55555555555}", false, true},
        {"one digit too many", "{11111111-2222-3333-4444-5555555555555}", false, true},
        {"a letter that isn't hexadecimal", "{1111111G-2222-3333-4444-555555555555}", false, true},
        {"a wrong separator", "{11111111+2222-3333-4444-555555555555}", false, true},
        {"without braces", "11111111-2222-3333-4444-555555555555", false, true},
        {"a spyware ProgID", "SpyBar.Toolbar", false, true},
        {"a system class", "CLSID", false, false},
        {"a system class in another case", "typelib", false, false},
        {"the class of all files", "*", false, false},
        {"an extension", ".LNK", false, false},
        {"a file class", "exefile", false, false},
        {"two components", "SpyBar\\Toolbar", false, false},
        {"empty", "", false, false},
        {"blank", "  ", false, false},
        {"the classes' 32-bit view", "Wow6432Node", false, false},
        {"a NUL inside a ProgID", WithNul("SpyBar\0x"), false, false},
        {"a system class with a NUL after it", WithNul("CLSID\0"), false, false},
        {"a class id with a NUL after it", String(kHelperId) + '\0', false, false},
        {"a class id with a NUL for a digit", WithNul("{1111111\0-2222-3333-4444-555555555555}"), false, false},
        {"a tab inside a ProgID", "Spy\tBar", false, false},
        {"a ProgID with a letter beyond ASCII", "Caf\xe9.Toolbar", false, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsClassIdForm(c.text), c.classId) << c.name;
        EXPECT_EQ(IsUsableClassName(c.text), c.usableClassName) << c.name;
    }
}

TEST(RemovalSafety, Files)
{
    TSafetyFolders folders;
    folders.ProgramFolder = "C:\\Program Files\\Talmoris\\";
    folders.DataFolder = "C:\\Users\\me\\AppData\\Local\\Talmoris";
    folders.WindowsFolder = "C:\\Windows";
    folders.SystemFolder = "C:\\Windows\\system32\\";
    const struct {
        const char* name;
        String path;
        bool refused;
    } cases[] = {
        {"empty", "", true},
        {"a bare name", "spy.exe", true},
        {"no drive", "\\spy.exe", true},
        {"relative to a drive", "C:spy.exe", true},
        {"a forward slash after the drive", "C:/Temp/spy.exe", true},
        {"a share", "\\\\server\\share\\spy.exe", true},
        {"a device path", "\\\\?\\C:\\spy.exe", true},
        {"a parent component", "C:\\Temp\\..\\Windows\\explorer.exe", true},
        {"a current component", "C:\\Temp\\.\\spy.exe", true},
        {"a star", "C:\\Temp\\*.exe", true},
        {"a question mark", "C:\\Temp\\spy?.exe", true},
        {"an empty component", "C:\\Temp\\\\spy.exe", true},
        {"a stream name that reaches the file itself", "C:\\Windows\\explorer.exe::$DATA", true},

        {"in the program folder", "C:\\Program Files\\Talmoris\\Talmoris.exe", true},
        {"below the program folder, another case", "c:\\program files\\talmoris\\quorvin\\quorvin.exe", true},
        {"the program folder itself", "C:\\Program Files\\Talmoris", true},
        {"in the data folder", "C:\\Users\\me\\AppData\\Local\\Talmoris\\spyware.db", true},
        {"a folder that only starts like the program's", "C:\\Program Files\\TalmorisSpy\\spy.exe", false},

        {"a core name in the Windows folder", "C:\\Windows\\explorer.exe", true},
        {"a core name in the system folder, upper case", "C:\\WINDOWS\\SYSTEM32\\KERNEL32.DLL", true},
        {"a core name below the system folder", "C:\\Windows\\system32\\drivers\\etc\\hosts", true},
        {"a trailing dot the system drops", "C:\\Windows\\system32\\drivers\\etc\\hosts.", true},
        {"forward slashes after the drive's backslash", "C:\\Windows/system32/ntdll.dll", true},
        {"a folder name with a trailing dot", "C:\\Windows.\\system32\\ntdll.dll", true},
        {"a core settings file", "C:\\Windows\\win.ini", true},

        {"a core name elsewhere", "C:\\Temp\\explorer.exe", false},
        {"a folder that only starts like Windows", "C:\\Windows2\\explorer.exe", false},
        {"another file in the system folder", "C:\\Windows\\system32\\spyhelper.dll", false},
        {"a name that only starts like a core one", "C:\\Windows\\hosts.txt", false},
        {"an ordinary file", "D:\\Downloads\\spy.exe", false},

        {"boot.ini in the root of the system drive", "C:\\boot.ini", true},
        {"the boot loader", "C:\\ntldr", true},
        {"the boot manager, upper case", "C:\\BOOTMGR", true},
        {"the paging file, another case of drive", "c:\\pagefile.sys", true},
        {"the hibernation file", "C:\\hiberfil.sys", true},
        {"the swap file", "C:\\swapfile.sys", true},
        {"the start-up batch file", "C:\\autoexec.bat", true},
        {"the start-up settings file, a trailing dot", "C:\\config.sys.", true},
        {"a boot name on another drive", "D:\\boot.ini", false},
        {"the paging file's name on another drive", "D:\\pagefile.sys", false},
        {"a boot name in a folder", "C:\\Temp\\config.sys", false},
        {"a name that only starts like a boot file", "C:\\autoexec.bat.bak", false},

        // The system stops at a NUL: the file it would delete is explorer.exe.
        {"a NUL after a core name", WithNul("C:\\Windows\\explorer.exe\0.txt"), true},
        {"a NUL after an ordinary name", WithNul("D:\\Downloads\\spy.exe\0"), true},
        {"a NUL before the drive", WithNul("\0C:\\spy.exe"), true},
        {"a tab", "D:\\Downloads\\spy\t.exe", true},
        {"a line break", "D:\\Downloads\\spy\n.exe", true},
        {"a letter beyond ASCII stays allowed", "D:\\Downloads\\caf\xe9.exe", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsProtectedFilePath(c.path, folders), c.refused) << c.name;

    // The system drive is the Windows folder's, else the system folder's;
    // when neither is known, every drive's root may be it.
    TSafetyFolders onD;
    onD.WindowsFolder = "d:\\WINNT";
    EXPECT_TRUE(IsProtectedFilePath("D:\\boot.ini", onD));
    EXPECT_FALSE(IsProtectedFilePath("C:\\boot.ini", onD));
    TSafetyFolders systemOnly;
    systemOnly.SystemFolder = "E:\\Windows\\System32";
    EXPECT_TRUE(IsProtectedFilePath("E:\\pagefile.sys", systemOnly));
    EXPECT_FALSE(IsProtectedFilePath("C:\\pagefile.sys", systemOnly));
    EXPECT_TRUE(IsProtectedFilePath("F:\\hiberfil.sys", TSafetyFolders{}));
    EXPECT_FALSE(IsProtectedFilePath("F:\\spy.exe", TSafetyFolders{}));

    // A folder the program couldn't find covers nothing; the path rules stay.
    EXPECT_FALSE(IsProtectedFilePath("C:\\Windows\\explorer.exe", TSafetyFolders{}));
    EXPECT_TRUE(IsProtectedFilePath("C:\\Temp\\..\\spy.exe", TSafetyFolders{}));
}

TEST(RemovalSafety, Processes)
{
    TProtectedProcesses ids;
    ids.OwnProcessId = 1200;
    ids.AlertProcessIds = {1300};
    const struct {
        const char* name;
        const char* imageName;
        std::uint32_t processId;
        bool refused;
    } cases[] = {
        {"the idle process id", "spy.exe", 0, true},
        {"the system process id", "spy.exe", 4, true},
        {"the program itself", "spy.exe", 1200, true},
        {"a running alert program", "spy.exe", 1300, true},
        {"a spyware process", "spy.exe", 2000, false},
        {"System by name", "System", 2000, true},
        {"Idle by name", "Idle", 2000, true},
        {"a session process", "csrss.exe", 2000, true},
        {"a service host in upper case", "SVCHOST.EXE", 2000, true},
        {"the shell by its full path", "C:\\Windows\\explorer.exe", 2000, true},
        {"a trailing dot the system drops", "winlogon.exe.", 2000, true},
        {"Wine's own device host", "winedevice.exe", 2000, true},
        {"a name that only starts like the shell", "explorer2.exe", 2000, false},
        {"a core file that isn't a core process", "notepad.exe", 2000, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsProtectedProcess(c.imageName, c.processId, ids), c.refused) << c.name;

    // Process definitions are refused by name alone, whatever runs.
    EXPECT_TRUE(IsProtectedProcessName("LSASS.EXE"));
    EXPECT_FALSE(IsProtectedProcessName("spy.exe"));
}
