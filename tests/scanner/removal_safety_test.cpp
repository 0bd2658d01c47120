// What no definition may make the program remove: each row is one refusal,
// or one neighbour that must stay allowed so real spyware traces still go.
#include "scanner/removal_safety.h"

#include <gtest/gtest.h>

namespace {

constexpr int kHKCR = 0, kHKCU = 1, kHKLM = 2, kHKU = 3, kHKPD = 4, kHKCC = 5, kHKDD = 6;

}  // namespace

TEST(RemovalSafety, RegistryKeys)
{
    const struct {
        int root;
        const char* path;
        bool refused;
    } cases[] = {
        // Malformed paths.
        {kHKLM, "", true},
        {kHKLM, "   ", true},
        {kHKLM, "\\Software\\Spy", true},
        {kHKLM, "Software\\\\Spy", true},
        {kHKLM, "Software\\Spy\\\\", true},  // one trailing backslash is dropped, the second leaves an empty name
        // Roots never touched, and no root at all.
        {kHKPD, "Anything", true},
        {kHKCC, "Software\\Spy", true},
        {kHKDD, "Spy", true},
        {7, "Software\\Spy", true},
        {-1, "Software\\Spy", true},
        // Structural keys of the machine and the user, in any letter case.
        {kHKLM, "Software", true},
        {kHKCU, "SOFTWARE\\", true},
        {kHKLM, "software\\microsoft\\windows\\currentversion\\run", true},
        {kHKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnceEx", true},
        {kHKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects", true},
        {kHKLM, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", true},
        {kHKCU, "Software\\Microsoft\\Internet Explorer\\Toolbar\\WebBrowser", true},
        {kHKLM, "Software\\Microsoft\\Internet Explorer\\URLSearchHooks", true},
        {kHKCU, "Software\\Policies", true},
        // An ancestor of a structural key would take it along.
        {kHKLM, "SYSTEM\\CurrentControlSet\\Control", true},
        {kHKLM, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", true},
        {kHKLM, "SAM", true},
        {kHKLM, "Hardware", true},
        // Keys of one root only.
        {kHKCU, "SYSTEM\\CurrentControlSet", false},
        {kHKCU, "Environment", true},
        {kHKLM, "Environment", false},
        {kHKCU, "Control Panel", true},
        // The classes, under their root and below Software\Classes.
        {kHKCR, "CLSID", true},
        {kHKCR, "*", true},
        {kHKCR, ".exe", true},
        {kHKCR, "htmlfile", true},
        {kHKLM, "Software\\Classes\\CLSID", true},
        {kHKCU, "Software\\Classes\\.html", true},
        {kHKCR, "Software\\Classes\\CLSID", false},  // an odd key, not the machine's classes
        // A user's hive, the default user's among them.
        {kHKU, ".DEFAULT", true},
        {kHKU, "S-1-5-21-1000", true},
        {kHKU, "S-1-5-21-1000\\Software\\Spy", false},
        // What spyware really leaves stays removable.
        {kHKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Spy", false},
        {kHKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\{11111111-2222-3333-4444-555555555555}", false},
        {kHKCR, "CLSID\\{11111111-2222-3333-4444-555555555555}", false},
        {kHKCR, "SpyBar.Toolbar", false},
        {kHKCU, "Software\\SpyCo", false},
        {kHKLM, "Software\\Microsoft\\SpyHelper", false},
        {kHKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\Runner", false},  // a name that only starts like one
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsProtectedRegistryKey(c.root, c.path), c.refused) << c.root << " " << c.path;
    EXPECT_TRUE(IsProtectedRegistryKey(kLocalMachine, "Software"));
    EXPECT_FALSE(IsProtectedRegistryKey(kLocalMachine, "Software\\SpyCo"));
    EXPECT_TRUE(IsProtectedRegistryKey(kNoRootKey, "Software\\SpyCo"));
}

TEST(RemovalSafety, ClassIdsAndClassNames)
{
    const struct {
        const char* text;
        bool classId;
        bool usableName;
    } cases[] = {
        {"{11111111-2222-3333-4444-555555555555}", true, true},
        {"{abcdefAB-cdef-0123-4567-89abcdefABCD}", true, true},
        {"{11111111-2222-3333-4444-55555555555}", false, true},   // one digit short
        {"{11111111-2222-3333-4444-5555555555555}", false, true},  // one too many
        {"{1111111G-2222-3333-4444-555555555555}", false, true},
        {"{11111111+2222-3333-4444-555555555555}", false, true},
        {"11111111-2222-3333-4444-555555555555", false, true},
        {"SpyBar.Toolbar", false, true},
        {"CLSID", false, false},
        {"clsid", false, false},
        {"Interface", false, false},
        {"*", false, false},
        {".lnk", false, false},
        {"exefile", false, false},
        {"SpyBar\\Toolbar", false, false},
        {"", false, false},
        {"  ", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsClassIdForm(c.text), c.classId) << c.text;
        EXPECT_EQ(IsUsableClassName(c.text), c.usableName) << c.text;
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
        const char* path;
        bool refused;
    } cases[] = {
        // Not plainly one file.
        {"", true},
        {"spy.exe", true},
        {"\\spy.exe", true},
        {"C:spy.exe", true},
        {"\\\\server\\share\\spy.exe", true},
        {"\\\\?\\C:\\spy.exe", true},
        {"C:\\Temp\\..\\Windows\\explorer.exe", true},
        {"C:\\Temp\\.\\spy.exe", true},
        {"C:\\Temp\\*.exe", true},
        {"C:\\Temp\\spy?.exe", true},
        {"C:\\Temp\\spy.exe:stream", true},
        {"C:\\Temp\\\\spy.exe", true},
        // The program's own files and data.
        {"C:\\Program Files\\Talmoris\\Talmoris.exe", true},
        {"c:\\program files\\talmoris\\quorvin\\quorvin.exe", true},
        {"C:\\Program Files\\Talmoris", true},
        {"C:\\Users\\me\\AppData\\Local\\Talmoris\\spyware.db", true},
        {"C:\\Program Files\\TalmorisSpy\\spy.exe", false},  // a folder that only starts like ours
        // Core system files in the Windows and system folders.
        {"C:\\Windows\\explorer.exe", true},
        {"C:\\WINDOWS\\SYSTEM32\\KERNEL32.DLL", true},
        {"C:\\Windows\\system32\\drivers\\etc\\hosts", true},
        {"C:\\Windows\\system32\\drivers\\etc\\hosts.", true},  // the system drops the trailing dot
        {"C:/Windows/system32/ntdll.dll", true},
        {"C:\\Windows.\\system32\\ntdll.dll", true},
        {"C:\\Windows\\win.ini", true},
        // The same names elsewhere, and other files there, stay removable.
        {"C:\\Temp\\explorer.exe", false},
        {"C:\\Windows2\\explorer.exe", false},
        {"C:\\Windows\\system32\\spyhelper.dll", false},
        {"C:\\Windows\\hosts.txt", false},
        {"D:\\Downloads\\spy.exe", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsProtectedFilePath(c.path, folders), c.refused) << c.path;

    // Folders that can't be had protect nothing, and refuse nothing either.
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
        std::uint32_t id;
        bool refused;
    } cases[] = {
        {"spy.exe", 0, true},
        {"spy.exe", 4, true},
        {"spy.exe", 1200, true},
        {"spy.exe", 1300, true},
        {"spy.exe", 2000, false},
        {"System", 2000, true},
        {"Idle", 2000, true},
        {"csrss.exe", 2000, true},
        {"SVCHOST.EXE", 2000, true},
        {"explorer.exe", 2000, true},
        {"C:\\Windows\\explorer.exe", 2000, true},
        {"winlogon.exe.", 2000, true},
        {"wineboot.exe", 2000, true},
        {"start.exe", 2000, true},
        {"explorer2.exe", 2000, false},
        {"notepad.exe", 2000, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsProtectedProcess(c.name, c.id, ids), c.refused) << c.name << " " << c.id;
    EXPECT_TRUE(IsProtectedProcessName("LSASS.EXE"));
    EXPECT_FALSE(IsProtectedProcessName("spy.exe"));
}
