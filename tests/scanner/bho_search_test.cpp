// The browser helper object scanner on a real registry: a whole planted
// class (its keys, program ids, DLL, registration and toolbar value) found
// as a table and removed, with Wine's reg.exe as the judge of what is left;
// the categories that the browser places give; and what removal safety
// refuses (a class name that is a system key, a server DLL given by bare
// name or in the system folder, a stored definition that is no class id).
//
// HKEY_CLASSES_ROOT is HKLM\Software\Classes here, so a class planted under
// it shows under HKLM as well.
#include "scanner/bho_search.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

#include "classlib/file_system.h"
#include "classlib/streams.h"
#include "scanner/record_io.h"
#include "scanner/search.h"
#include "scanner/search_services.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"

namespace {

using test_support::CreateKeyIn;
using test_support::DeleteTreeIn;
using test_support::DeleteValueIn;
using test_support::IfMissing;
using test_support::QueryKeyWithReg;
using test_support::RegQueryResult;
using test_support::SetValueIn;
using test_support::Sz;

constexpr char kUrlSearchHooks[] = "Software\\Microsoft\\Internet Explorer\\URLSearchHooks";
constexpr char kExplorerBars[] = "Software\\Microsoft\\Internet Explorer\\Explorer Bars";
constexpr char kToolbar[] = "Software\\Microsoft\\Internet Explorer\\Toolbar";
constexpr char kWebBrowser[] = "Software\\Microsoft\\Internet Explorer\\Toolbar\\WebBrowser";
constexpr char kHelperObjects[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
constexpr char kExtensions[] = "Software\\Microsoft\\Internet Explorer\\Extensions";
constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";

const char* const kAllPlaces[] = {
    kUrlSearchHooks,
    kExplorerBars,
    kToolbar,
    "Software\\Microsoft\\Internet Explorer\\Toolbar\\Explorer",
    "Software\\Microsoft\\Internet Explorer\\Toolbar\\ShellBrowser",
    kWebBrowser,
};

// A class id of a test's own: "{7A1B0BE0-D15C-" + the test's group + ...
// with the class's last digits, upper case as installers write them.
std::string ClassId(const char* group, const char* last)
{
    return std::string("{7A1B0BE0-D15C-") + group + "-B0B0-" + last + "}";
}

std::string Lower(std::string text) { return LowerCase(text); }

// Everything a class of a test may have left anywhere the scanner looks,
// and the HKEY_CLASSES_ROOT keys the test names: removed when made and when
// destroyed.
class TPlantedClasses {
public:
    TPlantedClasses(std::vector<std::string> ids, std::vector<std::string> namedKeys,
                    std::vector<std::string> values = {})
        : ids_(std::move(ids)), namedKeys_(std::move(namedKeys)), values_(std::move(values))
    {
        CleanUp();
    }
    ~TPlantedClasses() { CleanUp(); }
    TPlantedClasses(const TPlantedClasses&) = delete;
    TPlantedClasses& operator=(const TPlantedClasses&) = delete;

private:
    void CleanUp() const
    {
        for (const std::string& id : ids_) {
            for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
                for (const char* format : {"CLSID\\", "Interface\\", "TypeLib\\", "Software\\Classes\\CLSID\\",
                                           "Software\\Classes\\Interface\\", "Software\\Classes\\TypeLib\\"})
                    DeleteTreeIn(root, format + id);
            for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
                for (const char* place : kAllPlaces) {
                    DeleteTreeIn(root, std::string(place) + "\\" + id);
                    DeleteValueIn(root, place, id, IfMissing::Ignore);
                }
            DeleteTreeIn(HKEY_LOCAL_MACHINE, std::string(kHelperObjects) + "\\" + id);
            DeleteTreeIn(HKEY_LOCAL_MACHINE, std::string(kExtensions) + "\\" + id);
        }
        for (const std::string& key : namedKeys_)
            DeleteTreeIn(HKEY_CLASSES_ROOT, key);
        for (const std::string& name : values_)
            for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
                for (const char* place : kAllPlaces)
                    DeleteValueIn(root, place, name, IfMissing::Ignore);
    }

    std::vector<std::string> ids_, namedKeys_, values_;
};

// PendingFileRenameOperations: pairs of a source ("\??\" and the path) and a
// target (empty: delete), then one more NUL.
std::vector<std::pair<std::string, std::string>> PendingRenames()
{
    std::vector<std::pair<std::string, std::string>> pairs;
    const auto value = test_support::ReadValueIn(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations");
    const std::vector<unsigned char> data = value ? value->data : std::vector<unsigned char>();
    size_t at = 0;
    const auto next = [&] {
        std::string text;
        while (at < data.size() && data[at] != '\0')
            text += static_cast<char>(data[at++]);
        ++at;
        return text;
    };
    while (at < data.size()) {
        std::string source = next();
        if (source.empty())
            break;
        pairs.emplace_back(std::move(source), next());
    }
    return pairs;
}

bool IsRenameOf(const std::pair<std::string, std::string>& pair, const std::string& path)
{
    return SameText(pair.first, "\\??\\" + path) && pair.second.empty();
}

// Takes out only the pairs that delete `path`, so a restart of this prefix
// never acts on a file of a test; any other pair stays as it was.
void ForgetPendingRemoval(const std::string& path)
{
    std::vector<std::pair<std::string, std::string>> pairs = PendingRenames();
    const size_t before = pairs.size();
    std::erase_if(pairs, [&](const auto& pair) { return IsRenameOf(pair, path); });
    if (pairs.size() == before)
        return;
    if (pairs.empty()) {
        DeleteValueIn(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations", IfMissing::Ignore);
    } else {
        std::string data;
        for (const auto& [source, target] : pairs)
            data += source + '\0' + target + '\0';
        data += '\0';
        SetValueIn(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations",
                   test_support::RegValue{REG_MULTI_SZ, std::vector<unsigned char>(data.begin(), data.end())});
    }
}

// The value names of a reg query, in any letter case.
bool HoldsName(const RegQueryResult& query, const std::string& name)
{
    for (const auto& [held, typeAndData] : query.values)
        if (SameText(held, name))
            return true;
    return false;
}

// One found item as the results list shows it.
struct TRow {
    int kind;
    int category;
    std::string root;  // the short prefix; "" for files
    std::string path;
    std::string name;
    std::string description;
    bool operator==(const TRow&) const = default;
};

void PrintTo(const TRow& row, std::ostream* os)
{
    *os << "{" << row.kind << ", " << row.category << ", " << row.root << row.path << ", " << row.name << ", \""
        << row.description << "\"}";
}

std::vector<TRow> Rows(const TSearchInterface& scanner)
{
    std::vector<TRow> rows;
    for (int i = 0; i < scanner.ResultCount(); ++i) {
        const TSearchResultInterface& item = *scanner.Result(i);
        rows.push_back(
            TRow{item.Kind, item.Category, RootKeyPrefix(item.RootKey), item.Path, item.Name, item.Description});
    }
    return rows;
}

void CheckAll(const TSearchInterface& scanner)
{
    for (int i = 0; i < scanner.ResultCount(); ++i)
        scanner.Result(i)->Checked = true;
}

void Append(TBHOSearch& scanner, const std::string& id)
{
    TMemoryStream file;
    ASSERT_TRUE(scanner.AppendDefinition(file, id)) << id;
}

// What a fix told its owner, in order.
struct TFixEvents {
    explicit TFixEvents(TSearch& search)
    {
        search.OnFixing = [this](TSearchResultInterface&, const String& text) {
            lines.push_back("fixing " + text);
            return true;
        };
        search.OnError = [this](TSearchResultInterface&, const String& text) { lines.push_back("error " + text); };
        search.OnRemovalDelayed = [this](TSearchResultInterface&, const String& text) {
            lines.push_back("delayed " + text);
        };
    }
    std::vector<std::string> lines;
};

// Sets an environment variable for one test.
class TEnvironmentVariable {
public:
    TEnvironmentVariable(const char* name, const std::string& value) : name_(name)
    {
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~TEnvironmentVariable() { SetEnvironmentVariableA(name_, nullptr); }
    TEnvironmentVariable(const TEnvironmentVariable&) = delete;
    TEnvironmentVariable& operator=(const TEnvironmentVariable&) = delete;

private:
    const char* name_;
};

}  // namespace

TEST(BHOSearch, WholeObjectIsFoundAsATableAndRemoved)
{
    const std::string id = ClassId("4A11", "0000000A0001"), lower = Lower(id);
    const std::string progId = "TalmorisTest_BHOSearch.Whole.1", independent = "TalmorisTest_BHOSearch.Whole";
    TPlantedClasses planted({id}, {progId, independent});
    test_support::TempFolder folder;
    const std::string dll = folder.File("Talmoris Bho Whole.dll");
    struct TForget {
        std::string path;
        ~TForget() { ForgetPendingRemoval(path); }
    } forget{dll};
    ForgetPendingRemoval(dll);

    const std::string classKey = "CLSID\\" + id;
    SetValueIn(HKEY_CLASSES_ROOT, classKey, "", Sz("Talmoris test browser object"));
    SetValueIn(HKEY_CLASSES_ROOT, classKey + "\\VersionIndependentProgID", "", Sz(independent));
    SetValueIn(HKEY_CLASSES_ROOT, classKey + "\\ProgID", "", Sz(progId));
    // Longer than a 260-byte read, with blanks around it and the folder in an
    // environment string.
    const TEnvironmentVariable variable("TALMORIS_BHO_TEST_FOLDER", folder.Path());
    SetValueIn(HKEY_CLASSES_ROOT, classKey + "\\InprocServer32", "",
               Sz(std::string(280, ' ') + "%TALMORIS_BHO_TEST_FOLDER%\\Talmoris Bho Whole.dll  ", REG_EXPAND_SZ));
    SetValueIn(HKEY_CLASSES_ROOT, classKey + "\\InprocServer32", "ThreadingModel", Sz("Apartment"));
    SetValueIn(HKEY_CLASSES_ROOT, independent + "\\CLSID", "", Sz(id));
    SetValueIn(HKEY_CLASSES_ROOT, progId + "\\CLSID", "", Sz(id));
    SetValueIn(HKEY_CLASSES_ROOT, "TypeLib\\" + id + "\\1.0", "", Sz("Talmoris test type library"));
    CreateKeyIn(HKEY_LOCAL_MACHINE, std::string(kHelperObjects) + "\\" + id);
    SetValueIn(HKEY_LOCAL_MACHINE, std::string(kExtensions) + "\\" + id, "ButtonText", Sz("Spy"));
    SetValueIn(HKEY_CURRENT_USER, kWebBrowser, id, Sz(""));
    test_support::WriteAll(dll, "MZ browser helper object");
    // Held open without delete sharing, as a browser holds a loaded DLL.
    const HANDLE held = CreateFileA(dll.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    TSearch search{TSearchTexts(), folder.Path()};
    TBHOSearch& scanner = search.AddScanner<TBHOSearch>();
    Append(scanner, id);
    search.Search();

    const std::string description = independent;
    const std::vector<TRow> found = {
        {ikRegistryValue, icToolbar, "HKCU\\", kWebBrowser, lower, description},
        // The last browser place that held the class was of the current user.
        {ikRegistryKey, icBrowserObject, "HKCR\\", "CLSID\\" + lower, lower, description},
        {ikFile, icFileName, "", dll, lower, description},
        {ikRegistryKey, icBrowserObject, "HKCR\\", independent, lower, description},
        {ikRegistryKey, icBrowserObject, "HKCR\\", progId, lower, progId},
        {ikRegistryKey, icBrowserObject, "HKCR\\", "TypeLib\\" + lower, lower, description},
        {ikRegistryKey, icBrowserObject, "HKLM\\", "Software\\Classes\\CLSID\\" + lower, lower, description},
        {ikRegistryKey, icBrowserObject, "HKLM\\", "Software\\Classes\\TypeLib\\" + lower, lower, description},
        {ikRegistryKey, icBrowserObject, "HKLM\\", std::string(kHelperObjects) + "\\" + lower, lower, description},
        {ikRegistryKey, icBrowserObject, "HKLM\\", std::string(kExtensions) + "\\" + lower, lower, description},
    };
    EXPECT_EQ(Rows(scanner), found);

    CheckAll(scanner);
    TFixEvents events(search);
    search.RemoveChecked();
    CloseHandle(held);
    EXPECT_EQ(events.lines, (std::vector<std::string>{
                                "fixing HKCU\\" + std::string(kWebBrowser),
                                "fixing HKCR\\CLSID\\" + lower,
                                "fixing " + dll,
                                "delayed Unable to delete '" + dll +
                                    "' file! This file will be deleted after system reboot.",
                                "fixing HKCR\\" + independent,
                                "fixing HKCR\\" + progId,
                                "fixing HKCR\\TypeLib\\" + lower,
                                "fixing HKLM\\" + std::string(kHelperObjects) + "\\" + lower,
                                "fixing HKLM\\" + std::string(kExtensions) + "\\" + lower,
                            }));
    // The HKLM names of the class keys went with their HKEY_CLASSES_ROOT
    // twins: found gone, left without a word.
    EXPECT_EQ(Rows(scanner), (std::vector<TRow>{found[6], found[7]}));
    int pending = 0;
    for (const auto& pair : PendingRenames())
        pending += IsRenameOf(pair, dll);
    EXPECT_EQ(pending, 1) << "the DLL in use goes at the next start";

    for (const std::string& gone :
         {"HKCR\\" + classKey, "HKLM\\Software\\Classes\\" + classKey, "HKCR\\" + independent, "HKCR\\" + progId,
          "HKCR\\TypeLib\\" + id, "HKLM\\" + std::string(kHelperObjects) + "\\" + id,
          "HKLM\\" + std::string(kExtensions) + "\\" + id})
        EXPECT_FALSE(QueryKeyWithReg(gone).exists) << gone;
    for (const std::string& stays : {"HKLM\\" + std::string(kHelperObjects), "HKLM\\" + std::string(kExtensions),
                                     std::string("HKCR\\CLSID"), std::string("HKCR\\TypeLib")})
        EXPECT_TRUE(QueryKeyWithReg(stays).exists) << stays;
    const RegQueryResult toolbar = QueryKeyWithReg("HKCU\\" + std::string(kWebBrowser));
    EXPECT_TRUE(toolbar.exists);
    EXPECT_FALSE(HoldsName(toolbar, id));

    search.Search();
    EXPECT_EQ(scanner.ResultCount(), 0) << "the DLL is still there, but nothing registers it";
    DeleteFileA(dll.c_str());
}

TEST(BHOSearch, CategoriesFollowTheLastBrowserPlace)
{
    const std::string b = ClassId("4CA7", "00000000000B"), c = ClassId("4CA7", "00000000000C"),
                      d = ClassId("4CA7", "00000000000D"), e = ClassId("4CA7", "00000000000E"),
                      f = ClassId("4CA7", "00000000000F"), absent = ClassId("4CA7", "000000000A05");
    const std::string onlyProgId = "TalmorisTest_BHOSearch.OnlyProgId";
    TPlantedClasses planted({b, c, d, e, f, absent}, {onlyProgId});
    test_support::TempFolder folder;
    test_support::WriteAll(folder.File("bho.names.binding"), b + "=Talmoris Test Bar B\r\n");

    for (const std::string& id : {b, c, d, e, f})
        SetValueIn(HKEY_CLASSES_ROOT, "CLSID\\" + id, "", Sz("Talmoris test class"));
    // Only a value in the current user's WebBrowser toolbar key.
    SetValueIn(HKEY_CURRENT_USER, kWebBrowser, b, Sz(""));
    // Found in the machine's toolbar key first, then in the user's.
    SetValueIn(HKEY_LOCAL_MACHINE, kToolbar, c, Sz(""));
    SetValueIn(HKEY_CURRENT_USER, kWebBrowser, c, Sz(""));
    // A user's search hook, then a user's explorer bar (a subkey).
    SetValueIn(HKEY_CURRENT_USER, kUrlSearchHooks, d, Sz(""));
    CreateKeyIn(HKEY_CURRENT_USER, std::string(kExplorerBars) + "\\" + d);
    // Only in the machine's toolbar key.
    SetValueIn(HKEY_LOCAL_MACHINE, kToolbar, e, Sz(""));
    // A program id and no version-independent one: the class name is the
    // program id, and its key is one item.
    SetValueIn(HKEY_CLASSES_ROOT, "CLSID\\" + f + "\\ProgID", "", Sz(onlyProgId));
    SetValueIn(HKEY_CLASSES_ROOT, onlyProgId + "\\CLSID", "", Sz(f));

    TSearch search{TSearchTexts(), folder.Path()};
    TBHOSearch& scanner = search.AddScanner<TBHOSearch>();
    for (const std::string& id : {f, e, d, c, b, absent})
        Append(scanner, id);
    search.Search();

    const std::string lb = Lower(b), lc = Lower(c), ld = Lower(d), le = Lower(e), lf = Lower(f);
    const std::string bar = "Talmoris Test Bar B";
    EXPECT_EQ(Rows(scanner),
              (std::vector<TRow>{
                  {ikRegistryValue, icToolbar, "HKCU\\", kWebBrowser, lb, bar},
                  {ikRegistryKey, icBrowserObject, "HKCR\\", "CLSID\\" + lb, lb, bar},
                  {ikRegistryKey, icBrowserObject, "HKLM\\", "Software\\Classes\\CLSID\\" + lb, lb, bar},

                  {ikRegistryValue, icToolbar, "HKLM\\", kToolbar, lc, lc},
                  {ikRegistryValue, icToolbar, "HKCU\\", kWebBrowser, lc, lc},
                  {ikRegistryKey, icBrowserObject, "HKCR\\", "CLSID\\" + lc, lc, lc},
                  {ikRegistryKey, icBrowserObject, "HKLM\\", "Software\\Classes\\CLSID\\" + lc, lc, lc},

                  {ikRegistryValue, icToolbar, "HKCU\\", kUrlSearchHooks, ld, ld},
                  {ikRegistryKey, icToolbar, "HKCU\\", std::string(kExplorerBars) + "\\" + ld, ld, ld},
                  {ikRegistryKey, icToolbar, "HKCR\\", "CLSID\\" + ld, ld, ld},
                  {ikRegistryKey, icToolbar, "HKLM\\", "Software\\Classes\\CLSID\\" + ld, ld, ld},

                  {ikRegistryValue, icToolbar, "HKLM\\", kToolbar, le, le},
                  {ikRegistryKey, icToolbar, "HKCR\\", "CLSID\\" + le, le, le},
                  {ikRegistryKey, icToolbar, "HKLM\\", "Software\\Classes\\CLSID\\" + le, le, le},

                  {ikRegistryKey, icBrowserObject, "HKCR\\", "CLSID\\" + lf, lf, onlyProgId},
                  {ikRegistryKey, icBrowserObject, "HKCR\\", onlyProgId, lf, onlyProgId},
                  {ikRegistryKey, icBrowserObject, "HKLM\\", "Software\\Classes\\CLSID\\" + lf, lf, onlyProgId},
              }));
    for (const std::string& never : {"HKCR\\CLSID\\" + absent, "HKCU\\" + std::string(kExplorerBars) + "\\" + absent,
                                     "HKLM\\" + std::string(kHelperObjects) + "\\" + absent})
        EXPECT_FALSE(QueryKeyWithReg(never).exists) << "a search creates nothing: " << never;

    CheckAll(scanner);
    TFixEvents events(search);
    search.RemoveChecked();
    for (const std::string& error : events.lines)
        EXPECT_EQ(error.rfind("error", 0), std::string::npos) << error;
    for (const auto& [key, ids] : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"HKCU\\" + std::string(kWebBrowser), {b, c}},
             {"HKLM\\" + std::string(kToolbar), {c, e}},
             {"HKCU\\" + std::string(kUrlSearchHooks), {d}},
         }) {
        const RegQueryResult query = QueryKeyWithReg(key);
        EXPECT_TRUE(query.exists) << key;
        for (const std::string& id : ids)
            EXPECT_FALSE(HoldsName(query, id)) << key << " " << id;
    }
    for (const std::string& gone : {"HKCU\\" + std::string(kExplorerBars) + "\\" + d, "HKCR\\CLSID\\" + b,
                                    "HKCR\\CLSID\\" + f, "HKCR\\" + onlyProgId})
        EXPECT_FALSE(QueryKeyWithReg(gone).exists) << gone;
}

TEST(BHOSearch, RefusesWhatRemovalSafetyProtects)
{
    const std::string named = ClassId("4EF0", "0000000000A1"), systemDll = ClassId("4EF0", "0000000000A2");
    const std::string notAnId = "TalmorisTest_BHOSearch_NotAnId";
    TPlantedClasses planted({named, systemDll}, {}, {notAnId});
    test_support::TempFolder folder;
    const TSafetyFolders folders = ThisProgramSafetyFolders();
    const std::string shdocvw = folders.SystemFolder + "\\shdocvw.dll";
    const std::string kernel32 = folders.SystemFolder + "\\kernel32.dll";
    ASSERT_TRUE(FileExists(shdocvw));
    ASSERT_TRUE(FileExists(kernel32));

    // The system's own class key as a program id, and the browser's DLL by
    // the bare name the system would find it under.
    SetValueIn(HKEY_CLASSES_ROOT, "CLSID\\" + named, "", Sz("Talmoris test class"));
    SetValueIn(HKEY_CLASSES_ROOT, "CLSID\\" + named + "\\ProgID", "", Sz("CLSID"));
    SetValueIn(HKEY_CLASSES_ROOT, "CLSID\\" + named + "\\InprocServer32", "", Sz("shdocvw.dll"));
    // A core system DLL, once expanded.
    SetValueIn(HKEY_CLASSES_ROOT, "CLSID\\" + systemDll, "", Sz("Talmoris test class"));
    SetValueIn(HKEY_CLASSES_ROOT, "CLSID\\" + systemDll + "\\InprocServer32", "",
               Sz("%SystemRoot%\\system32\\kernel32.dll", REG_EXPAND_SZ));
    // A stored database may hold what an append refuses.
    SetValueIn(HKEY_CURRENT_USER, kWebBrowser, notAnId, Sz(""));

    TSearch search{TSearchTexts(), folder.Path()};
    TBHOSearch& scanner = search.AddScanner<TBHOSearch>();
    Append(scanner, named);
    Append(scanner, systemDll);
    TMemoryStream stored;
    ASSERT_TRUE(WriteRecordString(stored, notAnId));
    stored.SetPosition(0);
    ASSERT_TRUE(scanner.LoadRecord(stored));
    ASSERT_EQ(scanner.Count(), 3);
    {
        // From the system folder the bare name is a file that exists.
        char saved[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, saved);
        SetCurrentDirectoryA(folders.SystemFolder.c_str());
        search.Search();
        SetCurrentDirectoryA(saved);
    }

    const std::string ln = Lower(named), ls = Lower(systemDll);
    EXPECT_EQ(Rows(scanner), (std::vector<TRow>{
                                 {ikRegistryKey, icBrowserObject, "HKCR\\", "CLSID\\" + ln, ln, ln},
                                 {ikRegistryKey, icBrowserObject, "HKLM\\", "Software\\Classes\\CLSID\\" + ln, ln, ln},
                                 {ikRegistryKey, icBrowserObject, "HKCR\\", "CLSID\\" + ls, ls, ls},
                                 {ikRegistryKey, icBrowserObject, "HKLM\\", "Software\\Classes\\CLSID\\" + ls, ls, ls},
                             }));

    CheckAll(scanner);
    TFixEvents events(search);
    search.RemoveChecked();
    EXPECT_EQ(events.lines, (std::vector<std::string>{"fixing HKCR\\CLSID\\" + ln, "fixing HKCR\\CLSID\\" + ls}));
    EXPECT_TRUE(QueryKeyWithReg("HKCR\\CLSID").exists);
    EXPECT_TRUE(FileExists(shdocvw));
    EXPECT_TRUE(FileExists(kernel32));
    EXPECT_TRUE(HoldsName(QueryKeyWithReg("HKCU\\" + std::string(kWebBrowser)), notAnId));
}
