// The settings store and the Startup shortcut use the program's fixed names
// (its settings key, its shortcut, the browser's Internet Settings key):
// each test starts and ends without the first two and leaves the browser's
// proxy values as it found them.
#include "guard/settings.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <map>
#include <optional>
#include <sstream>

#include "classlib/win_handle.h"
#include "guard/autostart_helper.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"

using test_support::Bin;
using test_support::Dword;
using test_support::RegValue;
using test_support::Sz;

namespace {

const char* const kInternetSettings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char* const kDescription = "Registry monitoring tool";

std::optional<RegValue> ReadValue(const std::string& path, const std::string& name)
{
    const auto tree = test_support::Dump(path);
    const auto key = tree.find("");
    if (key == tree.end())
        return std::nullopt;
    const auto value = key->second.find(name);
    if (value == key->second.end())
        return std::nullopt;
    return value->second;
}

void PutValue(const std::string& path, const std::string& name, const std::optional<RegValue>& value)
{
    if (value) {
        test_support::SetValue(path, name, *value);
        return;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name.c_str());
        RegCloseKey(key);
    }
}

// The shortcut's place found without the code under test.
std::string StartupShortcutFile()
{
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_STARTUP, nullptr, 0, folder)))
        return std::string();
    return IncludeTrailingPathDelimiter(folder) + "Talmoris.lnk";
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveFile(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

std::string ProgramFile()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// A shell link as the shell reads it back.
struct TLinkContents {
    bool loaded = false;
    std::string target, description, arguments, workingFolder;
};

TLinkContents ReadLink(const std::string& file)
{
    TLinkContents contents;
    const HRESULT init = CoInitialize(nullptr);
    {
        TComPtr<IShellLinkA> link;
        TComPtr<IPersistFile> persist;
        std::wstring wide(file.begin(), file.end());  // the test paths are ASCII
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                       link.OutVoid())) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, persist.OutVoid())) &&
            SUCCEEDED(persist->Load(wide.c_str(), STGM_READ))) {
            char text[INFOTIPSIZE] = {};
            contents.loaded = true;
            if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)))
                contents.target = text;
            text[0] = '\0';
            if (SUCCEEDED(link->GetDescription(text, INFOTIPSIZE)))
                contents.description = text;
            text[0] = '\0';
            if (SUCCEEDED(link->GetArguments(text, INFOTIPSIZE)))
                contents.arguments = text;
            text[0] = '\0';
            if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH)))
                contents.workingFolder = text;
        }
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return contents;
}

std::string TimeText(const SYSTEMTIME& t)
{
    std::ostringstream out;
    out << t.wYear << '-' << t.wMonth << '-' << t.wDay << " dow " << t.wDayOfWeek << ' ' << t.wHour << ':' << t.wMinute
        << ':' << t.wSecond << '.' << t.wMilliseconds;
    return out.str();
}

// Every field, for comparisons that name what differs.
std::string Describe(const TSettings& s)
{
    std::ostringstream out;
    out << "AutoActivateFreezeWhenStart=" << s.AutoActivateFreezeWhenStart
        << "\nMinimizeToTrayWhenStart=" << s.MinimizeToTrayWhenStart << "\nAutoStartWithOS=" << s.AutoStartWithOS
        << "\nAskConfirmation=" << s.AskConfirmation << "\nShowHints=" << s.ShowHints
        << "\nFirstStart=" << s.FirstStart << "\nLastSystemScan=" << s.LastSystemScan
        << "\nProxyAddress=" << s.ProxyAddress << "\nProxyPort=" << s.ProxyPort << "\nUseProxy=" << s.UseProxy
        << "\nAutomaticallyCheckUpdates=" << s.AutomaticallyCheckUpdates
        << "\nCheckUpdatesInterval=" << s.CheckUpdatesInterval << "\nLastCheckedTime=" << TimeText(s.LastCheckedTime)
        << "\nLastCheckedVersion=" << s.LastCheckedVersion << '\n';
    return out.str();
}

SYSTEMTIME SampleTime()
{
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDayOfWeek = 4;
    t.wDay = 10;
    t.wHour = 8;
    t.wMinute = 30;
    t.wSecond = 15;
    t.wMilliseconds = 999;
    return t;
}

// SampleTime's 16 bytes: eight little-endian 16-bit numbers.
const std::vector<unsigned char> kSampleTimeBytes = {0xEA, 0x07, 0x0C, 0x00, 0x04, 0x00, 0x0A, 0x00,
                                                     0x08, 0x00, 0x1E, 0x00, 0x0F, 0x00, 0xE7, 0x03};

// `reg query` of the settings key: value name -> type and data as reg prints them.
std::map<std::string, std::pair<std::string, std::string>> QuerySettingsWithReg()
{
    return test_support::QueryWithReg(kSettingsKey);
}

// Saves the browser's proxy values and clears the program's settings key
// and Startup shortcut; puts everything back as it was at the end.
class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedEnable_ = ReadValue(kInternetSettings, "ProxyEnable");
        savedServer_ = ReadValue(kInternetSettings, "ProxyServer");
        shortcut_ = StartupShortcutFile();
        ASSERT_FALSE(shortcut_.empty()) << "the prefix has no Startup folder";
        Clean();
    }
    void TearDown() override
    {
        Clean();
        PutValue(kInternetSettings, "ProxyEnable", savedEnable_);
        PutValue(kInternetSettings, "ProxyServer", savedServer_);
    }

    void SetBrowserProxy(const std::optional<RegValue>& enable, const std::optional<RegValue>& server)
    {
        PutValue(kInternetSettings, "ProxyEnable", enable);
        PutValue(kInternetSettings, "ProxyServer", server);
    }

    std::string shortcut_;

private:
    void Clean()
    {
        test_support::DeleteTree(kSettingsKey);
        RemoveFile(shortcut_);
    }

    std::optional<RegValue> savedEnable_, savedServer_;
};

using StartupShortcut = SettingsStore;

RegValue Raw(DWORD type, std::vector<unsigned char> bytes) { return RegValue{type, std::move(bytes)}; }
RegValue Chars(size_t count, char fill, DWORD type = REG_SZ) { return Raw(type, std::vector<unsigned char>(count, fill)); }

}  // namespace

TEST_F(SettingsStore, TheBrowsersProxyAsReadIntoItsBuffer)
{
    const std::optional<RegValue> none;
    std::vector<unsigned char> cutPort(258, 'x');  // the colon is the buffer's last character, the port beyond it
    for (char c : std::string(":8080"))
        cutPort.push_back(static_cast<unsigned char>(c));
    cutPort.resize(300, 'y');
    const struct {
        const char* what;
        std::optional<RegValue> enable, server;
        TIEProxy expected;
    } cases[] = {
        {"nothing stored", none, none, {false, "", 0}},
        {"host and port", Dword(1), Sz("proxy.example:8080"), {true, "proxy.example", 8080}},
        {"host only", Dword(1), Sz("proxy.example"), {true, "proxy.example", 0}},
        {"turned off", Dword(0), Sz("proxy.example:8080"), {false, "proxy.example", 8080}},
        {"any non-zero turns it on", Dword(0x100), Sz("p:1"), {true, "p", 1}},
        {"an empty text turns it off", Dword(1), Sz(""), {false, "", 0}},
        {"an empty value without NUL", Dword(1), Raw(REG_SZ, {}), {false, "", 0}},
        {"no text", Dword(1), none, {true, "", 0}},
        {"ProxyEnable stored as 4 binary bytes", Bin({1, 0, 0, 0}), Sz("p:2"), {true, "p", 2}},
        {"ProxyEnable of 2 bytes is ignored", Raw(REG_DWORD, {1, 0}), Sz("p:3"), {false, "p", 3}},
        {"ProxyServer as a number is ignored", Dword(1), Dword(8080), {true, "", 0}},
        {"ProxyServer as an expandable text", Dword(1), Sz("p:4", REG_EXPAND_SZ), {true, "p", 4}},
        {"ProxyServer without its NUL", Dword(1), Raw(REG_SZ, {'p', ':', '5'}), {true, "p", 5}},
        {"300 bytes without NUL keep what the buffer holds", Dword(1), Chars(300, 'x'), {true, std::string(259, 'x'), 0}},
        {"260 bytes without NUL", Dword(1), Chars(260, 'x'), {true, std::string(259, 'x'), 0}},
        {"a port beyond the buffer is cut", Dword(1), Raw(REG_SZ, cutPort), {true, std::string(258, 'x'), 0}},
    };
    for (const auto& c : cases) {
        SetBrowserProxy(c.enable, c.server);
        const TIEProxy proxy = ReadIEProxy();
        EXPECT_EQ(proxy.Enabled, c.expected.Enabled) << c.what;
        EXPECT_EQ(proxy.Host, c.expected.Host) << c.what;
        EXPECT_EQ(proxy.Port, c.expected.Port) << c.what;
    }
}

TEST_F(SettingsStore, LoadFillsWhatIsStoredAndKeepsDefaultsForTheRest)
{
    using Values = std::map<std::string, RegValue>;
    using Expect = void (*)(TSettings&);
    const std::optional<Values> noKey;
    const struct {
        const char* what;
        std::optional<RegValue> enable, server;  // the browser's
        std::optional<Values> stored;            // none: no settings key
        Expect expect;                           // changes to the defaults
    } cases[] = {
        {"first start takes the browser's proxy", Dword(1), Sz("ie.example:3128"), noKey,
         [](TSettings& s) {
             s.UseProxy = true;
             s.ProxyAddress = "ie.example";
             s.ProxyPort = 3128;
         }},
        {"first start without a browser proxy", std::nullopt, std::nullopt, noKey, [](TSettings&) {}},
        {"an empty ProxyServer turns the first start's proxy off", Dword(1), Sz(""), noKey, [](TSettings&) {}},
        {"a key without proxy values takes the browser's", Dword(1), Sz("ie.example:3128"), Values{},
         [](TSettings& s) {
             s.FirstStart = false;
             s.UseProxy = true;
             s.ProxyAddress = "ie.example";
             s.ProxyPort = 3128;
         }},
        {"an empty ProxyServer with a key", Dword(1), Sz(""), Values{}, [](TSettings& s) { s.FirstStart = false; }},
        {"stored proxy values win over the browser's", Dword(1), Sz("ie.example:3128"),
         Values{{"Value_UseProxy", Dword(0)}, {"Value_ProxyAddress", Sz("")}, {"Value_ProxyPort", Dword(0)}},
         [](TSettings& s) { s.FirstStart = false; }},
        {"every stored value is read", Dword(1), Sz("ie.example:3128"),
         Values{{"Value_AutoActivateFreezeWhenStart", Dword(0)},
                {"Value_MinimizeToTrayWhenStart", Dword(1)},
                {"Value_AutoStartWithOS", Dword(0)},
                {"Value_AskConfirmation", Dword(0)},
                {"Value_ShowHints", Dword(0)},
                {"Value_LastSystemScan", Sz("10.12.2026 08:30")},
                {"Value_ProxyAddress", Sz("stored.example")},
                {"Value_ProxyPort", Dword(0xFFFFFFFF)},
                {"Value_UseProxy", Dword(0)},
                {"Value_AutomaticallyCheckUpdates", Dword(1)},
                {"Value_CheckUpdatesInterval", Dword(14)},
                {"Value_LastCheckedTime", Bin(kSampleTimeBytes)},
                {"Value_LastCheckedVersion", Dword(0x80000000)},
                {"Value_FirstStart", Dword(1)}},  // not a stored setting
         [](TSettings& s) {
             s.FirstStart = false;
             s.AutoActivateFreezeWhenStart = false;
             s.MinimizeToTrayWhenStart = true;
             s.AutoStartWithOS = false;
             s.AskConfirmation = false;
             s.ShowHints = false;
             s.LastSystemScan = "10.12.2026 08:30";
             s.ProxyAddress = "stored.example";
             s.ProxyPort = -1;
             s.AutomaticallyCheckUpdates = true;
             s.CheckUpdatesInterval = 14;
             s.LastCheckedTime = SampleTime();
             s.LastCheckedVersion = INT32_MIN;
         }},
        {"any non-zero flag is true", std::nullopt, std::nullopt,
         Values{{"Value_MinimizeToTrayWhenStart", Dword(0x100)},
                {"Value_AutomaticallyCheckUpdates", Dword(0xFFFFFFFF)},
                {"Value_UseProxy", Dword(0x10000)}},
         [](TSettings& s) {
             s.FirstStart = false;
             s.MinimizeToTrayWhenStart = true;
             s.AutomaticallyCheckUpdates = true;
             s.UseProxy = true;
         }},
        {"values of the wrong type keep their defaults", Dword(1), Sz("ie.example:3128"),
         Values{{"Value_ProxyPort", Sz("8081")},
                {"Value_UseProxy", Sz("0")},
                {"Value_ProxyAddress", Dword(5)},
                {"Value_LastCheckedTime", Bin(std::vector<unsigned char>(kSampleTimeBytes.begin(), kSampleTimeBytes.begin() + 8))},
                {"Value_ShowHints", Bin({0})},
                {"Value_AskConfirmation", Bin({0, 0, 0, 0})},
                {"Value_LastSystemScan", Dword(5)},
                {"Value_CheckUpdatesInterval", Raw(REG_QWORD, {7, 0, 0, 0, 0, 0, 0, 0})},
                {"Value_LastCheckedVersion", Raw(REG_MULTI_SZ, {'9', 0, 0})}},
         [](TSettings& s) {
             s.FirstStart = false;
             s.UseProxy = true;
             s.ProxyAddress = "ie.example";
             s.ProxyPort = 3128;
         }},
        {"values of the wrong size keep their defaults", std::nullopt, std::nullopt,
         Values{{"Value_LastCheckedTime", [] {
                     auto bytes = kSampleTimeBytes;
                     bytes.push_back(0);
                     return Bin(bytes);
                 }()},
                {"Value_ShowHints", Raw(REG_DWORD, {0, 0, 0, 0, 0, 0, 0, 0})},
                {"Value_AutoStartWithOS", Raw(REG_DWORD, {0, 0})},
                {"Value_ProxyPort", Raw(REG_DWORD, {})},
                {"Value_CheckUpdatesInterval", Raw(REG_DWORD, {9, 0, 0})}},
         [](TSettings& s) { s.FirstStart = false; }},
        {"texts are read as stored, to any length", std::nullopt, std::nullopt,
         Values{{"Value_LastSystemScan", Chars(1000, 's')},  // no NUL
                {"Value_ProxyAddress", Sz("%USERDOMAIN%.example", REG_EXPAND_SZ)}},
         [](TSettings& s) {
             s.FirstStart = false;
             s.LastSystemScan = std::string(1000, 's');
             s.ProxyAddress = "%USERDOMAIN%.example";
         }},
    };
    for (const auto& c : cases) {
        SetBrowserProxy(c.enable, c.server);
        test_support::DeleteTree(kSettingsKey);
        if (c.stored) {
            test_support::CreateKey(kSettingsKey);
            for (const auto& [name, value] : *c.stored)
                test_support::SetValue(kSettingsKey, name, value);
        }
        TSettings expected;
        c.expect(expected);
        TSettings loaded;
        LoadSettings(loaded);
        EXPECT_EQ(Describe(loaded), Describe(expected)) << c.what;
    }
}

TEST_F(SettingsStore, SavedValuesAsRegSeesThemAndLoadedBack)
{
    // A wrongly typed value from before is replaced by the right type.
    test_support::SetValue(kSettingsKey, "Value_ProxyPort", Sz("8081"));
    TSettings settings;
    settings.AutoActivateFreezeWhenStart = false;
    settings.MinimizeToTrayWhenStart = true;
    settings.AutoStartWithOS = false;  // the shortcut has its own tests
    settings.AskConfirmation = false;
    settings.ShowHints = true;
    settings.LastSystemScan = "10.12.2026 08:30";
    settings.ProxyAddress = "proxy.example";
    settings.ProxyPort = 8080;
    settings.UseProxy = true;
    settings.AutomaticallyCheckUpdates = true;
    settings.CheckUpdatesInterval = -7;
    settings.LastCheckedTime = SampleTime();
    settings.LastCheckedVersion = 0x01020304;
    SaveSettings(settings);

    const std::map<std::string, std::pair<std::string, std::string>> expected = {
        {"Value_AutoActivateFreezeWhenStart", {"REG_DWORD", "0x0"}},
        {"Value_MinimizeToTrayWhenStart", {"REG_DWORD", "0x1"}},
        {"Value_AutoStartWithOS", {"REG_DWORD", "0x0"}},
        {"Value_AskConfirmation", {"REG_DWORD", "0x0"}},
        {"Value_ShowHints", {"REG_DWORD", "0x1"}},
        {"Value_LastSystemScan", {"REG_SZ", "10.12.2026 08:30"}},
        {"Value_UseProxy", {"REG_DWORD", "0x1"}},
        {"Value_ProxyAddress", {"REG_SZ", "proxy.example"}},
        {"Value_ProxyPort", {"REG_DWORD", "0x1f90"}},
        {"Value_AutomaticallyCheckUpdates", {"REG_DWORD", "0x1"}},
        {"Value_CheckUpdatesInterval", {"REG_DWORD", "0xfffffff9"}},
        {"Value_LastCheckedVersion", {"REG_DWORD", "0x1020304"}},
        {"Value_LastCheckedTime", {"REG_BINARY", "EA070C0004000A0008001E000F00E703"}},
    };
    EXPECT_EQ(QuerySettingsWithReg(), expected);

    // The exact bytes: flags are 4-byte 0/1, texts end with their NUL.
    const auto stored = test_support::Dump(kSettingsKey)[""];
    EXPECT_EQ(stored.at("Value_ShowHints"), Dword(1));
    EXPECT_EQ(stored.at("Value_AskConfirmation"), Dword(0));
    EXPECT_EQ(stored.at("Value_ProxyAddress"), Sz("proxy.example"));
    EXPECT_EQ(stored.at("Value_LastCheckedTime"), Bin(kSampleTimeBytes));

    TSettings loaded;
    LoadSettings(loaded);
    TSettings expectedLoad = settings;
    expectedLoad.FirstStart = false;
    EXPECT_EQ(Describe(loaded), Describe(expectedLoad));
}

TEST_F(StartupShortcut, SavingFollowsAutoStartWithOS)
{
    // Something already there (an old shortcut, or junk) is overwritten.
    test_support::WriteAll(shortcut_, "not a shell link");
    TSettings settings;
    ASSERT_TRUE(settings.AutoStartWithOS);
    SaveSettings(settings);
    const TLinkContents link = ReadLink(shortcut_);
    ASSERT_TRUE(link.loaded) << shortcut_;
    EXPECT_TRUE(SameText(link.target, ProgramFile())) << link.target;
    EXPECT_EQ(link.description, kDescription);
    EXPECT_EQ(link.arguments, "");
    EXPECT_EQ(link.workingFolder, "");
    EXPECT_EQ(test_support::Dump(kSettingsKey)[""].at("Value_AutoStartWithOS"), Dword(1));

    // Removed even when read-only; a second removal finds nothing and is silent.
    ASSERT_TRUE(SetFileAttributesA(shortcut_.c_str(), FILE_ATTRIBUTE_READONLY));
    settings.AutoStartWithOS = false;
    SaveSettings(settings);
    EXPECT_FALSE(FileExists(shortcut_));
    const auto entries = test_support::FolderEntries(ExtractFilePath(shortcut_));
    SaveSettings(settings);
    EXPECT_FALSE(FileExists(shortcut_));
    EXPECT_EQ(test_support::FolderEntries(ExtractFilePath(shortcut_)), entries);
}

TEST_F(StartupShortcut, ThePathIsTheStartupFolderAndTheProgramName)
{
    const TAutoStartHelper helper;
    EXPECT_EQ(helper.GetStartupShortcutPath(), shortcut_);
    EXPECT_TRUE(helper.CreateStartupShortcut("described", "C:\\windows\\notepad.exe"));
    const TLinkContents link = ReadLink(shortcut_);
    EXPECT_TRUE(SameText(link.target, "C:\\windows\\notepad.exe")) << link.target;
    EXPECT_EQ(link.description, "described");
    EXPECT_TRUE(helper.RemoveStartupShortcut());
    EXPECT_FALSE(FileExists(shortcut_));
    EXPECT_FALSE(helper.RemoveStartupShortcut()) << "nothing left to remove";
}

TEST(Shortcut, LinksAreWrittenAndDeletedWhereAsked)
{
    test_support::TempFolder folder;
    const TAutoStartHelper helper;
    const std::string link = folder.File("a.lnk");
    const std::string target = ProgramFile();

    EXPECT_TRUE(helper.SetShortcut(target, link, "first", false));
    EXPECT_TRUE(helper.SetShortcut(target, link, "second", false)) << "an existing link is overwritten";
    EXPECT_EQ(ReadLink(link).description, "second");
    EXPECT_TRUE(helper.SetShortcut(target, link, "", true));
    EXPECT_FALSE(FileExists(link));

    // Failures are answers, never crashes or stray files.
    EXPECT_FALSE(helper.SetShortcut(target, folder.File("missing\\b.lnk"), "d", false));
    EXPECT_FALSE(helper.SetShortcut(target, "", "d", false));
    EXPECT_FALSE(helper.SetShortcut(target, "", "d", true));
    EXPECT_FALSE(TAutoStartHelper::DeleteShortcutFile(folder.File("none.lnk")));
    EXPECT_FALSE(TAutoStartHelper::DeleteShortcutFile(""));
    const std::string subFolder = folder.File("c.lnk");
    ASSERT_TRUE(CreateDirectoryA(subFolder.c_str(), nullptr));
    EXPECT_FALSE(TAutoStartHelper::DeleteShortcutFile(subFolder)) << "a folder is not a shortcut";
    EXPECT_TRUE(FileExists(subFolder));
    EXPECT_EQ(test_support::FolderEntries(folder.Path()), std::vector<std::string>{"c.lnk"});

    // A file held open without delete sharing can't go; that is silent too.
    const std::string held = folder.File("held.lnk");
    test_support::WriteAll(held, "x");
    {
        TUniqueHandle lock(CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(lock.Valid());
        EXPECT_FALSE(TAutoStartHelper::DeleteShortcutFile(held));
        EXPECT_TRUE(FileExists(held));
    }
    EXPECT_TRUE(TAutoStartHelper::DeleteShortcutFile(held));
}

namespace {

struct TComProbe {
    std::string link;  // a shell link the helper writes inside the thread
    bool linkSaved = false;
    HRESULT afterwards = E_UNEXPECTED;  // CoInitializeEx(multithreaded) once the helper is gone
};

// The thread already lives in the multithreaded apartment: the helper's
// CoInitialize is refused and its destructor must not end that apartment.
DWORD WINAPI HelperInMultithreadedApartment(void* parameter)
{
    auto& probe = *static_cast<TComProbe*>(parameter);
    const HRESULT outer = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        const TAutoStartHelper helper;
        probe.linkSaved = helper.SetShortcut(ProgramFile(), probe.link, "mta", false);
    }
    probe.afterwards = CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // S_FALSE while the apartment lives
    if (SUCCEEDED(probe.afterwards))
        CoUninitialize();
    if (SUCCEEDED(outer))
        CoUninitialize();
    return 0;
}

// The thread is already in a single-threaded apartment: the helper's
// CoInitialize answers S_FALSE and needs its own matching uninitialise.
DWORD WINAPI HelperInsideSingleThreadedApartment(void* parameter)
{
    auto& probe = *static_cast<TComProbe*>(parameter);
    const HRESULT outer = CoInitialize(nullptr);
    {
        const TAutoStartHelper helper;
        probe.linkSaved = helper.SetShortcut(ProgramFile(), probe.link, "sta", false);
    }
    if (SUCCEEDED(outer))
        CoUninitialize();
    // Balanced, the thread has left its apartment and may join another one.
    probe.afterwards = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(probe.afterwards))
        CoUninitialize();
    return 0;
}

// A thread without COM: the helper initialises it and leaves it as it was.
DWORD WINAPI HelperOnItsOwn(void* parameter)
{
    auto& probe = *static_cast<TComProbe*>(parameter);
    {
        const TAutoStartHelper helper;
        probe.linkSaved = helper.SetShortcut(ProgramFile(), probe.link, "own", false);
    }
    probe.afterwards = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(probe.afterwards))
        CoUninitialize();
    return 0;
}

}  // namespace

TEST(Shortcut, ComIsUninitialisedOnlyWhenTheHelperInitialisedIt)
{
    test_support::TempFolder folder;
    const struct {
        const char* what;
        LPTHREAD_START_ROUTINE thread;
        HRESULT afterwards;
    } cases[] = {
        {"inside the multithreaded apartment", HelperInMultithreadedApartment, S_FALSE},
        {"inside a single-threaded apartment", HelperInsideSingleThreadedApartment, S_OK},
        {"on a thread without COM", HelperOnItsOwn, S_OK},
    };
    int n = 0;
    for (const auto& c : cases) {
        TComProbe probe;
        probe.link = folder.File("probe" + std::to_string(n++) + ".lnk");
        TUniqueHandle thread(CreateThread(nullptr, 0, c.thread, &probe, 0, nullptr));
        ASSERT_TRUE(thread.Valid());
        ASSERT_EQ(WaitForSingleObject(thread.Get(), 30000), WAIT_OBJECT_0) << c.what;
        EXPECT_TRUE(probe.linkSaved) << c.what;
        EXPECT_TRUE(ReadLink(probe.link).loaded) << c.what;
        EXPECT_EQ(probe.afterwards, c.afterwards) << c.what;
    }
}
