// The engine as the program makes it, with its seven real scanners, on a
// machine with planted spyware: a database with one definition per kind
// finds every plant, a removal with a real quarantine cleans the machine so
// that a new scan finds nothing, and restoring the quarantine brings every
// file and registry item back. A second database names what removal safety
// refuses and only a scan can tell (a class name read from the registry, a
// server DLL path, a location left relative, the test program itself, a
// running alert program): nothing of it is reported or touched.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <tuple>

#include "classlib/file_system.h"
#include "guard/common.h"
#include "scanner/quarantine.h"
#include "scanner/reg_files.h"
#include "scanner/search.h"
#include "support/definitions_builder.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"
#include "support/window_driving.h"

namespace {

using test_support::DeleteTreeIn;
using test_support::DeleteValueIn;
using test_support::DumpIn;
using test_support::IfMissing;
using test_support::SetValueIn;
using test_support::Sz;
using test_support::ValueExistsIn;
using test_support::ValueTextIn;

// Keys of the plants, each under the root named beside it.
constexpr char kRunBase[] = "Software\\TalmorisTest_ScanRun";  // HKCU
constexpr char kClassId[] = "{5C0FFEE1-7A1B-4C2D-9E3F-A0B1C2D3E4F5}";
constexpr char kClassKey[] = "CLSID\\{5C0FFEE1-7A1B-4C2D-9E3F-A0B1C2D3E4F5}";  // HKCR
constexpr char kToolbarKey[] = "Software\\Microsoft\\Internet Explorer\\Toolbar\\WebBrowser";  // HKCU
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";              // HKCU
constexpr char kRunValue[] = "TalmorisTestScanRun";

std::string KnownFolder(int csidl)
{
    char path[MAX_PATH] = {};
    EXPECT_TRUE(SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) << csidl;
    return path;
}

std::vector<unsigned char> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// The number of subkeys of a key; 0 when it can't be opened.
DWORD SubkeyCount(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    DWORD count = 0;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr);
        RegCloseKey(key);
    }
    return count;
}

std::string IdleProgram() { return test_support::Join(test_support::EnvOr("TALMORIS_TEST_BIN", ""), "idle_process.exe"); }

// A copy of the idle program under another name, started.
struct TPlantedProcess {
    TPlantedProcess(const std::string& copy) : path(copy)
    {
        std::filesystem::create_directories(std::filesystem::path(copy).parent_path());
        EXPECT_TRUE(CopyFileA(IdleProgram().c_str(), copy.c_str(), FALSE)) << copy;
        process = std::make_unique<test_support::ChildProcess>(copy, "\"" + copy + "\" 120");
        EXPECT_TRUE(process->Started()) << copy;
    }
    std::string path;
    std::unique_ptr<test_support::ChildProcess> process;
};

// What a found item is, in a form a table can hold: tag, kind, root and path.
using TFound = std::tuple<std::string, int, TRootKey, std::string>;

std::set<TFound> FoundItems(const TSearch& search)
{
    std::set<TFound> found;
    for (const char* tag : {"0BH", "APR", "BHO", "FIL", "KEY", "KLF", "RUN"}) {
        const TSearchInterface& scanner = *search.ScannerOf(tag);
        for (int i = 0; i < scanner.ResultCount(); ++i) {
            const TSearchResultInterface& item = *scanner.Result(i);
            found.emplace(tag, item.Kind, item.RootKey, LowerCase(item.Path));
        }
    }
    return found;
}

void CheckEverything(TSearch& search)
{
    for (const char* tag : {"0BH", "APR", "BHO", "FIL", "KEY", "KLF", "RUN"}) {
        const TSearchInterface& scanner = *search.ScannerOf(tag);
        for (int i = 0; i < scanner.ResultCount(); ++i)
            scanner.Result(i)->Checked = true;
    }
}

void LoadDefinitions(TSearch& search, const std::string& dataFolder, const std::string& text)
{
    test_support::WriteDefinitions(test_support::BuildDefinitions(text), dataFolder);
    ASSERT_TRUE(search.LoadDatabase(DatabaseFileName(dataFolder)));
}

}  // namespace

TEST(ScanAndRemove, EveryKindIsFoundRemovedAndRestored)
{
    test_support::TempFolder data("-data"), plants("-plants");
    const std::string programFiles = test_support::Join(KnownFolder(CSIDL_PROGRAM_FILES), "TalmorisTest_ScanRun");
    const std::string documents = test_support::Join(KnownFolder(CSIDL_PERSONAL), "TalmorisTest_ScanRun");
    const auto cleanUp = [&] {
        std::error_code ignored;
        std::filesystem::remove_all(programFiles, ignored);
        std::filesystem::remove_all(documents, ignored);
        DeleteTreeIn(HKEY_CURRENT_USER, kRunBase);
        DeleteTreeIn(HKEY_CLASSES_ROOT, kClassKey);
        DeleteValueIn(HKEY_CURRENT_USER, kToolbarKey, kClassId, IfMissing::Ignore);
        DeleteValueIn(HKEY_CURRENT_USER, kRunKey, kRunValue, IfMissing::Ignore);
    };
    cleanUp();
    struct TCleanUp {
        std::function<void()> run;
        ~TCleanUp() { run(); }
    } atEnd{cleanUp};

    // The plants: a file at a known location and one by name, a key tree, a
    // running process, an autorun value, a browser object with its DLL and
    // toolbar value, and a hijacked start page.
    const std::string knownFile = test_support::Join(programFiles, "Klf Spy.exe");
    const std::string namedFile = test_support::Join(documents, "TalmorisTest_FilSpy.DLL");
    const std::string serverDll = plants.File("bho spy.dll");
    std::filesystem::create_directories(programFiles);
    std::filesystem::create_directories(documents);
    test_support::WriteAll(knownFile, "MZ known location");
    test_support::WriteAll(namedFile, "MZ file by name");
    test_support::WriteAll(serverDll, "MZ browser object");
    const std::string keyTree = std::string(kRunBase) + "\\Key";
    test_support::Plant(keyTree, {{"", {{"Installed", test_support::Dword(1)}}},
                                  {"Deep\\Deeper\\Deepest", {{"", test_support::Sz("bottom")}}}});
    SetValueIn(HKEY_CURRENT_USER, kRunKey, kRunValue, Sz("C:\\nowhere\\dialer.exe"));
    SetValueIn(HKEY_CLASSES_ROOT, kClassKey, "", Sz("Test toolbar"));
    SetValueIn(HKEY_CLASSES_ROOT, std::string(kClassKey) + "\\InprocServer32", "", Sz(serverDll));
    SetValueIn(HKEY_CURRENT_USER, kToolbarKey, kClassId, Sz(""));
    const std::string mainKey = std::string(kRunBase) + "\\Main";
    SetValueIn(HKEY_CURRENT_USER, mainKey, "Start Page", Sz("http://evil.example/start"));
    TPlantedProcess process(plants.File("talmoristest_spy.exe"));

    const test_support::RegTree keyBefore = test_support::Dump(keyTree);
    const test_support::RegTree classBefore = DumpIn(HKEY_CLASSES_ROOT, kClassKey);

    test_support::WriteAll(data.File("files.names.binding"), "talmoristest_spy.exe=Test Dialer\r\n");
    test_support::WriteAll(data.File("bho.names.binding"), LowerCase(kClassId) + "=Test Toolbar\r\n");
    test_support::WriteAll(data.File("hijack.patterns"), "evil\\.example\r\n");
    test_support::WriteAll(data.File("hijack.places"), mainKey + ",Start Page=about:blank\r\n");
    TSearch search(data.Path());
    LoadDefinitions(search, data.Path(),
                    "KLF <pf>\\talmoristest_scanrun\\klf spy.exe | KlfSpy\n"
                    "FIL talmoristest_filspy.dll | FilSpy\n"
                    "KEY 1 " + keyTree + "=KeySpy\n"
                    "APR talmoristest_spy.exe\n"
                    "RUN talmoristestscanrun\n"
                    "BHO " + std::string(kClassId) + "\n"
                    "0BH\n");

    search.Search();
    const std::set<TFound> found = FoundItems(search);
    for (const TFound& expected : std::initializer_list<TFound>{
             {"KLF", ikFile, kNoRootKey, LowerCase(knownFile)},
             {"FIL", ikFile, kNoRootKey, LowerCase(namedFile)},
             {"KEY", ikRegistryKey, kCurrentUser, LowerCase(keyTree)},
             {"APR", ikProcess, kNoRootKey, "talmoristest_spy.exe"},
             {"RUN", ikAutorunValue, kCurrentUser, LowerCase(kRunKey)},
             {"BHO", ikRegistryKey, kClassesRoot, LowerCase(kClassKey)},
             {"BHO", ikRegistryValue, kCurrentUser, LowerCase(kToolbarKey)},
             {"BHO", ikFile, kNoRootKey, LowerCase(serverDll)},
             {"0BH", ikRegistryValue, kCurrentUser, LowerCase(mainKey)},
         })
        EXPECT_EQ(found.count(expected), 1u) << std::get<0>(expected) << " " << std::get<3>(expected);

    // The removal run, each item kept in a real quarantine before it goes.
    TRegFileQuarantineRegistry registry;
    TQuarantineList quarantines(registry);
    TQuarantine* quarantine = quarantines.CreateQuarantine(data.File("2026_12_11_12_00_00.vqq"));
    ASSERT_NE(quarantine, nullptr);
    std::vector<String> errors;
    search.OnFixing = [&](TSearchResultInterface& item, const String&) {
        return item.Kind == ikProcess || quarantine->AddItem(item) != nullptr;
    };
    search.OnError = [&](TSearchResultInterface&, const String& text) { errors.push_back(text); };
    CheckEverything(search);
    search.RemoveChecked();
    EXPECT_EQ(errors, std::vector<String>{});

    EXPECT_FALSE(FileExists(knownFile));
    EXPECT_FALSE(FileExists(namedFile));
    EXPECT_FALSE(FileExists(serverDll));
    EXPECT_EQ(test_support::Dump(keyTree), test_support::RegTree{});
    EXPECT_FALSE(ValueExistsIn(HKEY_CURRENT_USER, kRunKey, kRunValue));
    EXPECT_FALSE(ValueExistsIn(HKEY_CURRENT_USER, kToolbarKey, kClassId));
    EXPECT_EQ(DumpIn(HKEY_CLASSES_ROOT, kClassKey), test_support::RegTree{});
    EXPECT_EQ(ValueTextIn(HKEY_CURRENT_USER, mainKey, "Start Page"), "about:blank");
    ASSERT_TRUE(process.process->EndsWithin(10000));
    EXPECT_EQ(process.process->ExitCode(), static_cast<DWORD>(-9));

    search.Search();
    EXPECT_EQ(FoundItems(search), std::set<TFound>{});

    // Everything but the process comes back from the quarantine.
    ASSERT_TRUE(quarantine->RestoreAll()) << quarantine->LastError();
    EXPECT_EQ(test_support::ReadAll(knownFile), Bytes("MZ known location"));
    EXPECT_EQ(test_support::ReadAll(namedFile), Bytes("MZ file by name"));
    EXPECT_EQ(test_support::ReadAll(serverDll), Bytes("MZ browser object"));
    EXPECT_EQ(test_support::Dump(keyTree), keyBefore);
    EXPECT_EQ(DumpIn(HKEY_CLASSES_ROOT, kClassKey), classBefore);
    EXPECT_TRUE(ValueExistsIn(HKEY_CURRENT_USER, kRunKey, kRunValue));
    EXPECT_TRUE(ValueExistsIn(HKEY_CURRENT_USER, kToolbarKey, kClassId));
    EXPECT_EQ(ValueTextIn(HKEY_CURRENT_USER, mainKey, "Start Page"), "http://evil.example/start");
}

TEST(ScanAndRemove, NothingRemovalSafetyRefusesIsReportedOrTouched)
{
    test_support::TempFolder data("-data"), plants("-plants");
    constexpr char kProgIdClass[] = "{5C0FFEE2-7A1B-4C2D-9E3F-A0B1C2D3E4F5}";
    constexpr char kBareDllClass[] = "{5C0FFEE3-7A1B-4C2D-9E3F-A0B1C2D3E4F5}";
    constexpr char kSystemDllClass[] = "{5C0FFEE4-7A1B-4C2D-9E3F-A0B1C2D3E4F5}";
    const std::string alertFolder = test_support::Join(GetProgramFolder(), "Quorvin");
    const bool alertFolderMade = !std::filesystem::exists(alertFolder);
    const auto cleanUp = [&] {
        for (const char* id : {kProgIdClass, kBareDllClass, kSystemDllClass})
            DeleteTreeIn(HKEY_CLASSES_ROOT, std::string("CLSID\\") + id);
    };
    cleanUp();
    struct TCleanUp {
        std::function<void()> run;
        ~TCleanUp() { run(); }
    } atEnd{cleanUp};

    // The class names and server paths a spyware registration could hold to
    // point a removal at the system's own classes and files.
    const std::string progIdKey = std::string("CLSID\\") + kProgIdClass;
    SetValueIn(HKEY_CLASSES_ROOT, progIdKey + "\\ProgID", "", Sz("CLSID"));
    SetValueIn(HKEY_CLASSES_ROOT, progIdKey + "\\VersionIndependentProgID", "", Sz("CLSID"));
    SetValueIn(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kBareDllClass + "\\InprocServer32", "", Sz("shdocvw.dll"));
    SetValueIn(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kSystemDllClass + "\\InprocServer32", "",
               Sz(" %SystemRoot%\\system32\\kernel32.dll "));
    // Relative names resolve against the current folder: files stand there
    // under both names, so only the rule keeps them.
    char previousFolder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previousFolder);
    ASSERT_TRUE(SetCurrentDirectoryA(plants.Path().c_str()));
    struct TRestoreFolder {
        const char* folder;
        ~TRestoreFolder() { SetCurrentDirectoryA(folder); }
    } restoreFolder{previousFolder};
    test_support::WriteAll(plants.File("shdocvw.dll"), "MZ bare name");
    test_support::WriteAll(plants.File("talmoristest_relative.exe"), "MZ relative");
    // An alert program where this program starts it, and one of that name elsewhere.
    TPlantedProcess alert(test_support::Join(alertFolder, "quorvin.exe"));
    TPlantedProcess impostor(plants.File("elsewhere\\quorvin.exe"));
    char ownPath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, ownPath, MAX_PATH);
    const std::string ownName = LowerCase(ExtractFileName(ownPath));

    const DWORD classesBefore = SubkeyCount(HKEY_CLASSES_ROOT, "CLSID");

    TSearch search(data.Path());
    LoadDefinitions(search, data.Path(),
                    "KLF <zz>talmoristest_relative.exe | Relative\n"
                    "APR " + ownName + "\n"
                    "APR quorvin.exe\n"
                    "BHO " + std::string(kProgIdClass) + "\n"
                    "BHO " + std::string(kBareDllClass) + "\n"
                    "BHO " + std::string(kSystemDllClass) + "\n");
    search.Search();
    const std::set<TFound> found = FoundItems(search);
    for (const TFound& refused : std::initializer_list<TFound>{
             {"BHO", ikRegistryKey, kClassesRoot, "clsid"},
             {"BHO", ikFile, kNoRootKey, "shdocvw.dll"},
             {"KLF", ikFile, kNoRootKey, "talmoristest_relative.exe"},
             {"APR", ikProcess, kNoRootKey, ownName},
         })
        EXPECT_EQ(found.count(refused), 0u) << std::get<0>(refused) << " " << std::get<3>(refused);
    for (const TFound& item : found)
        EXPECT_NE(ExtractFileName(std::get<3>(item)), "kernel32.dll") << std::get<3>(item);
    // The alert program elsewhere is no alert program of ours.
    EXPECT_EQ(found.count({"APR", ikProcess, kNoRootKey, "quorvin.exe"}), 1u);

    CheckEverything(search);
    search.OnFixing = [](TSearchResultInterface&, const String&) { return true; };
    search.RemoveChecked();
    EXPECT_TRUE(impostor.process->EndsWithin(10000));
    EXPECT_FALSE(alert.process->EndsWithin(0)) << "the alert program was ended";
    // The planted classes' own keys may go; no other class does.
    EXPECT_GE(SubkeyCount(HKEY_CLASSES_ROOT, "CLSID") + 3, classesBefore);
    EXPECT_TRUE(FileExists(plants.File("shdocvw.dll")));
    EXPECT_TRUE(FileExists(plants.File("talmoristest_relative.exe")));
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_TRUE(FileExists(test_support::Join(system, "kernel32.dll")));

    alert.process.reset();
    std::error_code ignored;
    if (alertFolderMade)
        std::filesystem::remove_all(alertFolder, ignored);
}
