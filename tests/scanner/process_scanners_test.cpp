// The process and autorun scanners on the real machine. Processes: copies of
// a program that only waits, started under planted names, are found once per
// name however many run, and the fix ends every copy with exit code -9; one
// the system won't let us open is reported and stays; one that ended since
// the scan is left quietly; the test program itself and system processes are
// never reported. Autorun: values planted in the autorun keys are found by
// their name or by their program's file name, whole however long, and the
// fix deletes exactly those, read back through Wine's reg.exe.
#include "scanner/process_search.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

#include "classlib/file_system.h"
#include "scanner/process_list.h"
#include "scanner/record_io.h"
#include "scanner/search.h"
#include "scanner/search_services.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"

namespace {

constexpr DWORD kEndedExitCode = 0xFFFFFFF7;  // -9
constexpr DWORD kDeadline = 10000;             // ms

String Unique(const String& stem) { return "TalmorisProcs_" + stem + "_" + IntToStr(GetCurrentProcessId()); }

// Copies of the waiting program, ended and waited for when the test ends so
// their files can go.
class TPlantedProcesses {
public:
    ~TPlantedProcesses()
    {
        for (const PROCESS_INFORMATION& p : started_) {
            TerminateProcess(p.hProcess, 0);
            WaitForSingleObject(p.hProcess, kDeadline);
            CloseHandle(p.hProcess);
            CloseHandle(p.hThread);
        }
    }

    // A copy of the waiting program as `folder`\`name`.
    static String Plant(const test_support::TempFolder& folder, const String& name)
    {
        const String program = test_support::Join(test_support::EnvOr("TALMORIS_TEST_BIN", ""), "idle_process.exe");
        const String copy = folder.File(name);
        EXPECT_TRUE(CopyFileA(program.c_str(), copy.c_str(), FALSE)) << program << " " << GetLastError();
        return copy;
    }

    // Starts `path`; `unopenable` gives the process an empty access list, so
    // nobody but the handle returned here may end it.
    HANDLE Start(const String& path, bool unopenable = false)
    {
        SECURITY_DESCRIPTOR descriptor;
        ACL emptyList;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        InitializeAcl(&emptyList, sizeof emptyList, ACL_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, &emptyList, FALSE);
        SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        String commandLine = "\"" + path + "\" 60";
        if (!CreateProcessA(path.c_str(), commandLine.data(), unopenable ? &attributes : nullptr, nullptr, FALSE,
                            CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
            ADD_FAILURE() << "can't start " << path << ": " << GetLastError();
            return nullptr;
        }
        started_.push_back(info);
        return info.hProcess;
    }

private:
    std::vector<PROCESS_INFORMATION> started_;
};

bool StillRunning(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

DWORD ExitCodeAfterEnd(HANDLE process)
{
    if (WaitForSingleObject(process, kDeadline) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return code;
}

String OwnImageName()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    return LowerCase(ExtractFileName(path));
}

// What an engine's fix reports, in order.
std::vector<String> RecordFixEvents(TSearch& search, const std::set<String>& uncopied = {})
{
    auto events = std::make_shared<std::vector<String>>();
    search.OnFixing = [events, uncopied](TSearchResultInterface& item, const String& text) {
        events->push_back("fixing " + text);
        return uncopied.count(item.Path) == 0;
    };
    search.OnError = [events](TSearchResultInterface&, const String& text) { events->push_back("error " + text); };
    search.RemoveChecked();
    search.OnFixing = nullptr;
    search.OnError = nullptr;
    return *events;
}

std::vector<String> ResultNames(const TSearchInterface& scanner)
{
    std::vector<String> names;
    for (int i = 0; i < scanner.ResultCount(); ++i)
        names.push_back(scanner.Result(i)->Name);
    return names;
}

TSearchResultInterface* FindResult(const TSearchInterface& scanner, const String& name)
{
    for (int i = 0; i < scanner.ResultCount(); ++i)
        if (scanner.Result(i)->Name == name)
            return scanner.Result(i);
    return nullptr;
}

}  // namespace

TEST(ProcessSearch, EveryCopyOfAPlantedNameFoundOnceAndEnded)
{
    test_support::TempFolder folder;
    TPlantedProcesses processes;
    const String spy = Unique("Spy") + ".exe", kept = Unique("Kept") + ".exe";
    const String spyPath = TPlantedProcesses::Plant(folder, spy), keptPath = TPlantedProcesses::Plant(folder, kept);
    const HANDLE spyFirst = processes.Start(spyPath), spySecond = processes.Start(spyPath);
    const HANDLE keptOnly = processes.Start(keptPath);
    ASSERT_TRUE(spyFirst && spySecond && keptOnly);

    TProcessList list;
    ASSERT_TRUE(list.Build());
    const std::vector<std::uint32_t> spyIds = list.IdsOf(UpperCase(spy));
    EXPECT_EQ(std::set<std::uint32_t>(spyIds.begin(), spyIds.end()),
              (std::set<std::uint32_t>{GetProcessId(spyFirst), GetProcessId(spySecond)}))
        << "every id of a name, looked up in any letter case";
    EXPECT_EQ(ThisProgramProtectedProcesses(list).OwnProcessId, GetCurrentProcessId());

    const String data = folder.Path();
    // The first line of a name wins, whatever its letter case.
    test_support::WriteAll(test_support::Join(data, "files.names.binding"),
                           "no separator here\r\n\r\n" + UpperCase(spy) + "=Planted Spy\n" + spy + "=Second Line\r");
    TSearch search{TSearchTexts(), data};
    TProcessSearch& scanner = search.AddScanner<TProcessSearch>();
    for (const String& name : {spy, kept, OwnImageName(), Unique("NotRunning") + ".exe"})
        ASSERT_TRUE(search.AddDefinition("APR:" + name)) << name;
    // A stored database may hold a system process the append refuses.
    TMemoryStream stored;
    ASSERT_TRUE(WriteRecordString(stored, "services.exe"));
    stored.SetPosition(0);
    ASSERT_TRUE(scanner.LoadRecord(stored));
    std::vector<String> statuses;
    search.OnStatus = [&](const String& text, const String&) { statuses.push_back(text); };

    search.Search();
    EXPECT_EQ(statuses, (std::vector<String>{"Step 1 of 1. Search for spyware processes..."}));
    ASSERT_EQ(ResultNames(scanner), (std::vector<String>{LowerCase(kept), LowerCase(spy)}))
        << "one item per name; never the test program itself nor a system process";
    const TSearchResultInterface& found = *FindResult(scanner, LowerCase(spy));
    EXPECT_EQ(found.Kind, ikProcess);
    EXPECT_EQ(found.Category, icProcess);
    EXPECT_EQ(found.Path, LowerCase(spy));
    EXPECT_EQ(found.RootKey, kNoRootKey);
    EXPECT_EQ(found.Description, "Planted Spy");
    EXPECT_EQ(FindResult(scanner, LowerCase(kept))->Description, LowerCase(kept)) << "no display name: the name";

    FindResult(scanner, LowerCase(spy))->Checked = true;
    EXPECT_EQ(RecordFixEvents(search), (std::vector<String>{"fixing " + LowerCase(spy)}));
    EXPECT_EQ(ExitCodeAfterEnd(spyFirst), kEndedExitCode);
    EXPECT_EQ(ExitCodeAfterEnd(spySecond), kEndedExitCode);
    EXPECT_TRUE(StillRunning(keptOnly)) << "an unchecked item is left alone";
    EXPECT_EQ(ResultNames(scanner), (std::vector<String>{LowerCase(kept)}));
}

TEST(ProcessSearch, ACopyThatCantBeEndedIsReportedAndOneGoneSinceTheScanIsLeftQuietly)
{
    test_support::TempFolder folder;
    TPlantedProcesses processes;
    const String locked = LowerCase(Unique("Locked") + ".exe"), gone = LowerCase(Unique("Gone") + ".exe"),
                 uncopied = LowerCase(Unique("Uncopied") + ".exe");
    const String lockedPath = TPlantedProcesses::Plant(folder, locked);
    const HANDLE lockedOpen = processes.Start(lockedPath);
    const HANDLE lockedShut = processes.Start(lockedPath, true);
    const HANDLE goneOnly = processes.Start(TPlantedProcesses::Plant(folder, gone));
    const HANDLE uncopiedOnly = processes.Start(TPlantedProcesses::Plant(folder, uncopied));
    ASSERT_TRUE(lockedOpen && lockedShut && goneOnly && uncopiedOnly);
    // Whether this system enforces a process's access list at all.
    const HANDLE probe = OpenProcess(PROCESS_TERMINATE, FALSE, GetProcessId(lockedShut));
    const DWORD refusal = probe ? ERROR_SUCCESS : GetLastError();
    if (probe)
        CloseHandle(probe);
    if (refusal != ERROR_ACCESS_DENIED)
        GTEST_SKIP() << "this system lets us open a process with an empty access list";

    TSearch search{TSearchTexts(), folder.Path()};
    TProcessSearch& scanner = search.AddScanner<TProcessSearch>();
    for (const String& name : {locked, gone, uncopied})
        ASSERT_TRUE(search.AddDefinition("APR:" + name));
    search.Search();
    ASSERT_EQ(ResultNames(scanner), (std::vector<String>{gone, locked, uncopied}));
    for (int i = 0; i < scanner.ResultCount(); ++i)
        scanner.Result(i)->Checked = true;
    TerminateProcess(goneOnly, 0);
    ASSERT_EQ(WaitForSingleObject(goneOnly, kDeadline), WAIT_OBJECT_0);

    EXPECT_EQ(RecordFixEvents(search, {uncopied}),
              (std::vector<String>{
                  "fixing " + locked,
                  "error Unable to kill '" + locked +
                      "' process! Error message: " + SystemErrorText(ERROR_ACCESS_DENIED),
                  "fixing " + uncopied,
                  "error Unable to keep a quarantine copy of '" + uncopied + "'! It was not removed.",
              }))
        << "nothing said of the process that ended since the scan";
    EXPECT_EQ(ExitCodeAfterEnd(lockedOpen), kEndedExitCode) << "the copy that could be ended was";
    EXPECT_TRUE(StillRunning(lockedShut));
    EXPECT_TRUE(StillRunning(uncopiedOnly)) << "no quarantine copy: left as it is";
    EXPECT_EQ(ResultNames(scanner), (std::vector<String>{gone, locked, uncopied}));
    for (int i = 0; i < scanner.ResultCount(); ++i)
        EXPECT_TRUE(scanner.Result(i)->Checked);
}

namespace {

constexpr char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr char kRunOnceEx[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
constexpr char kRunServices[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr char kRunServicesOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce";
constexpr char kRunServicesOnceEx[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnceEx";

HKEY Handle(TRootKey root) { return root == kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

struct TAutorunCase {
    const char* label;
    TRootKey root;
    String key;
    String valueName;
    String data;
    DWORD type;
    std::vector<String> definitions;
    bool found;
    String description;  // of the item when found
    bool goneBeforeFix;  // deleted by the test between scan and fix
};

void WriteValue(const TAutorunCase& c)
{
    SCOPED_TRACE(c.label);
    // Stored with its terminating zero, as the system stores texts.
    test_support::SetValueIn(Handle(c.root), c.key, c.valueName, test_support::Sz(c.data, c.type));
}

void RemoveValue(const TAutorunCase& c)
{
    test_support::DeleteValueIn(Handle(c.root), c.key, c.valueName, test_support::IfMissing::Ignore);
}

// The value names of a key as Wine's reg.exe lists them.
std::set<String> NamesWithReg(TRootKey root, const String& key)
{
    std::set<String> names;
    for (const auto& [name, typeAndData] :
         test_support::QueryKeyWithReg((root == kLocalMachine ? "HKLM\\" : "HKCU\\") + key).values)
        names.insert(name);
    return names;
}

}  // namespace

TEST(AutorunSearch, PlantedValuesFoundByNameOrProgramAndDeletedByTheFix)
{
    const String bin = "C:\\Program Files\\Spy\\";
    const String longName = Unique("LongName") + String(300, 'N');
    const String spyFile = LowerCase(Unique("SpyFile")) + ".exe";
    const std::vector<TAutorunCase> cases = {
        {"by value name", kCurrentUser, kRun, Unique("ByName"), "C:\\Windows\\harmless.exe", REG_SZ,
         {LowerCase(Unique("ByName"))}, true, "Planted By Name", false},
        {"by the program's file name", kCurrentUser, kRunOnce, Unique("ByFile"), bin + Unique("SpyFile") + ".exe",
         REG_SZ, {spyFile}, true, spyFile, false},
        {"the name wins over the file name", kCurrentUser, kRun, Unique("Both"),
         bin + Unique("BothFile") + ".exe", REG_SZ, {LowerCase(Unique("Both")), LowerCase(Unique("BothFile")) + ".exe"},
         true, "Both By Name", false},
        {"a file name after a colon", kCurrentUser, kRunServices, Unique("Colon"), "C:" + Unique("ColonFile") + ".exe",
         REG_SZ, {LowerCase(Unique("ColonFile")) + ".exe"}, true, LowerCase(Unique("ColonFile")) + ".exe", false},
        {"arguments are part of the file name", kCurrentUser, kRun, Unique("Args"),
         bin + Unique("ArgsFile") + ".exe /silent", REG_SZ, {LowerCase(Unique("ArgsFile")) + ".exe"}, false, "",
         false},
        {"quotes are part of the file name", kCurrentUser, kRun, Unique("Quoted"),
         "\"" + bin + Unique("QuotedFile") + ".exe\"", REG_SZ, {LowerCase(Unique("QuotedFile")) + ".exe"}, false, "",
         false},
        {"a slash is no path break", kCurrentUser, kRun, Unique("Slash"),
         bin + "launcher.exe /" + Unique("SlashFile") + ".exe", REG_SZ, {LowerCase(Unique("SlashFile")) + ".exe"},
         false, "", false},
        // Sorts first on Wine and is planted first for Windows, which keeps
        // the order values were written in.
        {"a 300-byte first value", kCurrentUser, kRunServicesOnceEx, "!" + Unique("LongFirst"),
         "C:\\" + String(300, 'f') + "\\harmless.exe", REG_SZ, {}, false, "", false},
        {"a value after the long one", kCurrentUser, kRunServicesOnceEx, Unique("AfterLong"), "C:\\harmless.exe",
         REG_SZ, {LowerCase(Unique("AfterLong"))}, true, LowerCase(Unique("AfterLong")), false},
        {"a program path of 300 bytes", kCurrentUser, kRunServicesOnce, Unique("LongData"),
         "%SystemDrive%\\" + String(300, 'd') + "\\" + Unique("LongDataFile") + ".exe", REG_EXPAND_SZ,
         {LowerCase(Unique("LongDataFile")) + ".exe"}, true, LowerCase(Unique("LongDataFile")) + ".exe", false},
        {"a value name of 300 letters", kCurrentUser, kRunOnceEx, longName, "C:\\harmless.exe", REG_SZ,
         {LowerCase(longName)}, true, LowerCase(longName), false},
        {"a subkey of an autorun key is not looked in", kCurrentUser, String(kRun) + "\\" + Unique("Sub"),
         Unique("InSub"), "C:\\harmless.exe", REG_SZ, {LowerCase(Unique("InSub"))}, false, "", false},
        {"under the machine's key", kLocalMachine, kRun, Unique("Machine"), "C:\\harmless.exe", REG_SZ,
         {LowerCase(Unique("Machine"))}, true, "Planted Machine", false},
        {"gone between scan and fix", kCurrentUser, kRun, Unique("Gone"), "C:\\harmless.exe", REG_SZ,
         {LowerCase(Unique("Gone"))}, true, LowerCase(Unique("Gone")), true},
    };
    struct TCleanup {
        const std::vector<TAutorunCase>& cases;
        void Run() const
        {
            for (const TAutorunCase& c : cases)
                RemoveValue(c);
            test_support::DeleteTreeIn(HKEY_CURRENT_USER, String(kRun) + "\\" + Unique("Sub"));
        }
        ~TCleanup() { Run(); }
    } cleanup{cases};
    cleanup.Run();
    for (const TAutorunCase& c : cases)
        WriteValue(c);

    test_support::TempFolder folder;
    test_support::WriteAll(folder.File("files.names.binding"),
                           LowerCase(Unique("ByName")) + "=Planted By Name\n" + Unique("Both") + "=Both By Name\n" +
                               LowerCase(Unique("BothFile")) + ".exe=Both By File\n" + Unique("Machine") +
                               "=Planted Machine\n");
    TSearch search{TSearchTexts(), folder.Path()};
    TAutorunSearch& scanner = search.AddScanner<TAutorunSearch>();
    for (const TAutorunCase& c : cases)
        for (const String& definition : c.definitions)
            ASSERT_TRUE(search.AddDefinition("RUN:" + definition)) << c.label;

    search.Search();
    std::map<std::tuple<TRootKey, String, String>, const TSearchResultInterface*> found;
    for (int i = 0; i < scanner.ResultCount(); ++i) {
        const TSearchResultInterface* item = scanner.Result(i);
        found[{item->RootKey, item->Path, item->Name}] = item;
    }
    size_t expected = 0;
    for (const TAutorunCase& c : cases) {
        SCOPED_TRACE(c.label);
        const auto at = found.find({c.root, c.key, LowerCase(c.valueName)});
        ASSERT_EQ(at != found.end(), c.found);
        if (!c.found)
            continue;
        ++expected;
        const TSearchResultInterface& item = *at->second;
        EXPECT_EQ(item.Kind, ikAutorunValue);
        EXPECT_EQ(item.Category, icAutorunEntry);
        EXPECT_EQ(item.Description, c.description);
        EXPECT_EQ(item.Data, c.valueName) << "the name as the registry gave it";
    }
    EXPECT_EQ(static_cast<size_t>(scanner.ResultCount()), expected) << "each value found once";

    for (int i = 0; i < scanner.ResultCount(); ++i) {
        TSearchResultInterface* item = scanner.Result(i);
        item->Checked = found.count({item->RootKey, item->Path, item->Name}) != 0;
    }
    String goneName;
    for (const TAutorunCase& c : cases)
        if (c.goneBeforeFix) {
            RemoveValue(c);
            goneName = LowerCase(c.valueName);
        }
    const std::vector<String> events = RecordFixEvents(search);
    EXPECT_EQ(std::count(events.begin(), events.end(), "fixing HKCU\\" + String(kRun)), 3) << "by name, both, gone";
    EXPECT_EQ(std::count(events.begin(), events.end(), "fixing HKLM\\" + String(kRun)), 1);
    EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const String& e) { return e.rfind("error ", 0) == 0; }),
              1);
    EXPECT_NE(std::find(events.begin(), events.end(),
                        "error Unable to delete '" + goneName + "' value from registry! Error message: " +
                            SystemErrorText(ERROR_FILE_NOT_FOUND)),
              events.end());
    std::vector<String> left;
    for (int i = 0; i < scanner.ResultCount(); ++i)
        if (scanner.Result(i)->Checked)
            left.push_back(scanner.Result(i)->Name);
    EXPECT_EQ(left, (std::vector<String>{goneName})) << "the value that couldn't be deleted stays";

    for (const TAutorunCase& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(NamesWithReg(c.root, c.key).count(c.valueName), (c.found || c.goneBeforeFix) ? 0u : 1u)
            << "the fix deletes the planted finds and nothing else";
    }
}
