// What no definition may make the program remove: each row is one refusal,
// or one neighbour that must stay allowed so real spyware traces still go.
// Values are never asked about here: removing a value from a protected key is
// how autorun and browser entries go, so only keys themselves are checked.
#include "scanner/removal_safety.h"

#include <gtest/gtest.h>

namespace {

constexpr int kHKCR = 0, kHKCU = 1, kHKLM = 2, kHKU = 3, kHKPD = 4, kHKCC = 5, kHKDD = 6;

constexpr const char* kHelperId = "{11111111-2222-3333-4444-555555555555}";

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
        const char* text;
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
        const char* path;
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
        {"a core boot name at the drive root, outside both folders", "C:\\boot.ini", false},
        {"another file in the system folder", "C:\\Windows\\system32\\spyhelper.dll", false},
        {"a name that only starts like a core one", "C:\\Windows\\hosts.txt", false},
        {"an ordinary file", "D:\\Downloads\\spy.exe", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsProtectedFilePath(c.path, folders), c.refused) << c.name;

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
