// The protection list on this machine: its file against the documented
// bytes, the predefined protections and their providers, and a damaged or
// locked file. No protection is started here.
#include "guard/protection_list.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "classlib/exceptions.h"
#include "classlib/file_system.h"
#include "guard/common.h"
#include "guard/postponed_log.h"
#include "support/monitor_harness.h"
#include "support/protection_records.h"
#include "support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using test_support::EncodeProtectionList;

bool UnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

String SystemFolder()
{
    char folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    return IncludeTrailingPathDelimiter(String(folder, n));
}

String HostsPath() { return SystemFolder() + "drivers\\etc\\hosts"; }

TProtectionRecord RecordOf(const TFileProtection& p)
{
    TProtectionRecord r;
    r.Kind = p.Kind();
    r.Path = p.Path();
    r.ListFile = p.ListFile();
    r.DisplayName = p.DisplayName();
    r.Enabled = p.Enabled();
    r.WatchSubtree = p.WatchSubtree();
    r.Predefined = p.Predefined;
    r.PredefinedType = p.PredefinedType;
    r.Id = p.Id;
    return r;
}

std::vector<TProtectionRecord> RecordsOf(const TProtectionList& list)
{
    std::vector<TProtectionRecord> records;
    for (int i = 0; i < list.Count(); ++i)
        records.push_back(RecordOf(*list.GetItem(i)));
    return records;
}

template <class T>
bool ProvidedBy(const TFileProtection& p)
{
    return dynamic_cast<T*>(p.Provider()) != nullptr;
}

class ProtectionListTest : public ::testing::Test {
protected:
    void SetUp() override { TakePostponedLogLines(); }
    void TearDown() override { TakePostponedLogLines(); }

    std::unique_ptr<TProtectionList> MakeList() const
    {
        return std::make_unique<TProtectionList>(protectionFolder, nullptr,
                                                 TAlertLauncher(test_support::FakeAlertProgram()));
    }
    // The predefined protections of this machine, as the list makes them.
    std::vector<TProtectionRecord> Defaults() const
    {
        auto list = MakeList();
        list->CreateDefaults();
        return RecordsOf(*list);
    }
    TProtectionRecord User(const String& path) const
    {
        TProtectionRecord r;
        r.Kind = pkFolder;
        r.Path = path;
        r.ListFile = protectionFolder + "mine.protection";
        r.DisplayName = "Mine";
        return r;
    }
    void Write(const Bytes& bytes) const { test_support::WriteAll(file, bytes.data(), bytes.size()); }

    test_support::TempFolder folder;
    String protectionFolder = IncludeTrailingPathDelimiter(folder.Path()) + "protection\\";
    String file = folder.File("protection.list");
};

}  // namespace

TEST_F(ProtectionListTest, GoldenFileOfOneProtection)
{
    // One protection: a file, "C:\h", list file "C:\p\h.protection", name
    // "H", enabled, no subtree, predefined, type 3, id -104 (the hosts file).
    const Bytes golden = {
        0xFF, 0x0A, 0x00, 'T', 'P', 'R', 'O', 'T', 'E', 'C', 'T', 'I', 'O', 'N', 'L', 'I', 'S', 'T', 0x00,  // RT_RCDATA, name
        0x30, 0x10, 73, 0, 0, 0,                                                                          // flags, length
        'T', 'P', 'F', '0', 15, 'T', 'P', 'r', 'o', 't', 'e', 'c', 't', 'i', 'o', 'n', 'L', 'i', 's', 't', 0,
        10, 'P', 'r', 'o', 't', 'e', 'c', 't', 'i', 'o', 'n',
        0x02, 1,                                                      // one protection
        0x02, 0,                                                      // kind: file
        0x06, 4, 'C', ':', '\\', 'h',                                 // path
        0x06, 17, 'C', ':', '\\', 'p', '\\', 'h', '.', 'p', 'r', 'o', 't', 'e', 'c', 't', 'i', 'o', 'n',
        0x06, 1, 'H',                                                 // display name
        0x09, 0x08, 0x09,                                             // enabled, no subtree, predefined
        0x02, 3,                                                      // a system file
        0x02, 0x98,                                                   // -104
        0x00, 0x00,                                                   // end of properties, no children
    };
    ASSERT_EQ(golden.size(), 98u);
    Write(golden);

    auto list = MakeList();
    ASSERT_EQ(list->LoadFromFile(file), TProtectionListLoad::Loaded);
    ASSERT_EQ(list->Count(), 1);
    const TFileProtection& hosts = *list->GetItem(0);
    TProtectionRecord expected;
    expected.Kind = pkFile;
    expected.Path = HostsPath();  // this machine's, not the stored one
    expected.ListFile = "C:\\p\\h.protection";
    expected.DisplayName = "H";
    expected.Enabled = true;
    expected.WatchSubtree = false;
    expected.Predefined = true;
    expected.PredefinedType = ptSystemFile;
    expected.Id = -104;
    EXPECT_EQ(RecordOf(hosts), expected);
    EXPECT_TRUE(ProvidedBy<TTextFilesInformation>(hosts));
    EXPECT_TRUE(TakePostponedLogLines().empty());

    list->GetItem(0)->SetPath("C:\\h");
    const String again = folder.File("again.list");
    list->SaveToFile(again);
    EXPECT_EQ(test_support::ReadAll(again), golden);
}

TEST_F(ProtectionListTest, UserProtectionsKeepTheirPathsAndAskWithoutDetail)
{
    TProtectionRecord longPath = User("C:\\" + String(300, 'd'));  // stored with the long-string tag
    TProtectionRecord outside = User("C:\\outside.txt");
    outside.Kind = pkFile;
    outside.WatchSubtree = false;
    outside.Predefined = true;
    outside.PredefinedType = ptSystemFile;
    outside.Id = -99;  // no system file has it
    outside.Enabled = false;
    const std::vector<TProtectionRecord> records = {longPath, outside};
    const Bytes bytes = EncodeProtectionList(records);
    ASSERT_EQ(bytes[61], 0x0C);  // the first path, after the count and the kind
    Write(bytes);

    auto list = MakeList();
    ASSERT_EQ(list->LoadFromFile(file), TProtectionListLoad::Loaded);
    EXPECT_EQ(RecordsOf(*list), records);
    for (int i = 0; i < list->Count(); ++i)
        EXPECT_TRUE(ProvidedBy<TDummyInfo>(*list->GetItem(i))) << i;

    list->SaveToFile(file);
    EXPECT_EQ(test_support::ReadAll(file), bytes);
}

TEST_F(ProtectionListTest, ACountOfZeroLoadsAnEmptyList)
{
    Write(EncodeProtectionList({}));
    auto list = MakeList();
    list->CreateDefaults();
    ASSERT_GT(list->Count(), 0);
    EXPECT_EQ(list->LoadFromFile(file), TProtectionListLoad::Loaded);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_TRUE(TakePostponedLogLines().empty());
}

TEST_F(ProtectionListTest, AMissingFileGivesThePredefinedProtectionsOfThisMachine)
{
    struct Row {
        const char* key;
        const char* name;
        std::uint8_t type;
        std::int32_t id;
        String path;  // "" where this machine has no such place
    };
    char windows[MAX_PATH] = {};
    const String win = IncludeTrailingPathDelimiter(String(windows, GetWindowsDirectoryA(windows, MAX_PATH)));
    const String sys = SystemFolder();
    const String drive = win.substr(0, 1);
    const Row rows[] = {
        {"favorites", "Internet Explorer favorites protection", 1, 6, ShellFolderPath(6)},
        {"userstartup", "Current user Startup folder protection", 2, 7, ShellFolderPath(7)},
        {"altstartup", "AltStartup folder protection", 2, 29, ShellFolderPath(29)},
        {"commonaltstartup", "CommonAltStartup folder protection", 2, 30, ShellFolderPath(30)},
        {"commonstartup", "Common Startup folder protection", 2, 24, ShellFolderPath(24)},
        {"win.ini", "Win.ini protection", 3, -100, win + "win.ini"},
        {"system.ini", "System.ini protection", 3, -101, win + "system.ini"},
        {"wininit.ini", "Wininit.ini protection", 3, -102, win + "wininit.ini"},
        {"winstart.bat", "Winstart.bat protection", 3, -103, win + "winstart.bat"},
        {"autoexec.bat", "Autoexec.bat protection", 3, -107, drive + ":\\autoexec.bat"},
        {"config.sys", "Config.sys protection", 3, -108, drive + ":\\config.sys"},
        {"hosts", "Hosts file protection", 3, -104, sys + "drivers\\etc\\hosts"},
        {"config.nt", "Config.nt file protection", 3, -105, sys + "config.nt"},
        {"autoexec.nt", "Autoexec.nt file protection", 3, -106, sys + "autoexec.nt"},
    };
    std::vector<const Row*> present;
    for (const Row& row : rows)
        if (!row.path.empty())
            present.push_back(&row);
    if (UnderWine()) {
        // Wine has no AltStartup folders, as current Windows has not.
        EXPECT_EQ(present.size(), 12u);
    }

    auto list = MakeList();
    ASSERT_EQ(list->LoadFromFile(file), TProtectionListLoad::Defaults);
    EXPECT_FALSE(FileExists(file));  // written at the first save only
    ASSERT_EQ(static_cast<size_t>(list->Count()), present.size());
    IFileAction* text = nullptr;
    for (int i = 0; i < list->Count(); ++i) {
        const TFileProtection& p = *list->GetItem(i);
        const Row& row = *present[static_cast<size_t>(i)];
        SCOPED_TRACE(row.key);
        const bool isFolder = row.type != ptSystemFile;
        EXPECT_EQ(p.Kind(), isFolder ? pkFolder : pkFile);
        EXPECT_EQ(p.Path(), row.path);
        EXPECT_EQ(p.ListFile(), protectionFolder + row.key + ".protection");
        EXPECT_EQ(p.DisplayName(), row.name);
        EXPECT_TRUE(p.Enabled());
        EXPECT_EQ(p.WatchSubtree(), isFolder);
        EXPECT_TRUE(p.Predefined);
        EXPECT_EQ(p.PredefinedType, row.type);
        EXPECT_EQ(p.Id, row.id);
        EXPECT_FALSE(p.Running());
        EXPECT_EQ(p.Window(), nullptr);
        if (row.type == ptFavorites)
            EXPECT_TRUE(ProvidedBy<TInternetShortcutInformation>(p));
        else if (row.type == ptSystemFolder)
            EXPECT_TRUE(ProvidedBy<TShellLinkInformation>(p));
        else if (row.id == -100 || row.id == -101)
            EXPECT_TRUE(ProvidedBy<TIniFileInformation>(p));
        else {
            EXPECT_TRUE(ProvidedBy<TTextFilesInformation>(p));
            if (!text)
                text = p.Provider();
            EXPECT_EQ(p.Provider(), text);  // one shared provider
        }
    }
}

TEST_F(ProtectionListTest, TheIniProvidersWatchTheirValues)
{
    auto list = MakeList();
    list->CreateDefaults();
    IFileAction* winIni = nullptr;
    IFileAction* systemIni = nullptr;
    for (int i = 0; i < list->Count(); ++i) {
        if (list->GetItem(i)->Id == -100)
            winIni = list->GetItem(i)->Provider();
        if (list->GetItem(i)->Id == -101)
            systemIni = list->GetItem(i)->Provider();
    }
    ASSERT_NE(winIni, nullptr);
    ASSERT_NE(systemIni, nullptr);
    ASSERT_NE(winIni, systemIni);

    struct Case {
        const char* section;
        const char* value;
        bool winIniAsks, systemIniAsks;
    } cases[] = {
        {"windows", "load", true, false},       {"windows", "run", true, false},
        {"windows", "device", false, false},    {"boot", "shell", false, true},
        {"boot", "scrnsave.exe", false, true},  {"boot", "user.exe", false, true},
        {"boot", "gdi.exe", false, true},       {"boot", "load", false, false},
        {"386Enh", "shell", false, false},
    };
    const String now = folder.File("now.ini");
    const String copy = folder.File("copy.ini");
    for (const Case& c : cases) {
        const String section = String("[") + c.section + "]\r\n";
        test_support::WriteAll(copy, section + c.value + "=before.exe\r\n");
        test_support::WriteAll(now, section + c.value + "=after.exe\r\n");
        String text;
        EXPECT_EQ(winIni->Describe(now, copy, text), c.winIniAsks) << c.section << " " << c.value;
        EXPECT_EQ(systemIni->Describe(now, copy, text), c.systemIniAsks) << c.section << " " << c.value;
    }
}

TEST_F(ProtectionListTest, SavedListsReadBackAsTheyWereAndSaveFailuresRaise)
{
    auto list = MakeList();
    list->CreateDefaults();
    list->GetItem(0)->SetEnabled(false);
    list->SaveToFile(file);
    const auto records = RecordsOf(*list);
    EXPECT_EQ(test_support::ReadAll(file), EncodeProtectionList(records));

    auto back = MakeList();
    EXPECT_EQ(back->LoadFromFile(file), TProtectionListLoad::Loaded);
    EXPECT_EQ(RecordsOf(*back), records);

    EXPECT_THROW(list->SaveToFile(folder.File("no such folder\\protection.list")), EFCreateError);
}

TEST_F(ProtectionListTest, ADamagedFileKeepsWhatWasReadAddsTheMissingDefaultsAndIsKeptAside)
{
    TProtectionRecord favorites = User("C:\\elsewhere\\Favorites");
    favorites.Predefined = true;
    favorites.PredefinedType = ptFavorites;
    favorites.Id = 6;
    favorites.DisplayName = "Favoriten";
    favorites.ListFile = protectionFolder + "favorites.protection";
    TProtectionRecord hosts = User("C:\\elsewhere\\hosts");
    hosts.Kind = pkFile;
    hosts.WatchSubtree = false;
    hosts.Predefined = true;
    hosts.PredefinedType = ptSystemFile;
    hosts.Id = -104;
    hosts.ListFile = protectionFolder + "hosts.protection";
    const std::vector<TProtectionRecord> stored = {User("C:\\mine"), favorites, hosts};
    const Bytes whole = EncodeProtectionList(stored);
    std::vector<size_t> ends;  // where each record's data ends
    for (size_t n = 1; n <= stored.size(); ++n)
        ends.push_back(EncodeProtectionList({stored.begin(), stored.begin() + static_cast<long>(n)}).size() - 2);
    Bytes badKind = whole;
    const size_t secondKind = ends[0];
    ASSERT_EQ(badKind[secondKind], 0x02);
    badKind[secondKind + 1] = 7;

    const auto cut = [&whole](size_t size) { return Bytes(whole.begin(), whole.begin() + static_cast<long>(size)); };
    struct Case {
        const char* what;
        Bytes bytes;
        size_t read;
    } cases[] = {
        {"the resource header", cut(10), 0},
        {"the class name", cut(32), 0},
        {"the first record", cut(ends[0] - 3), 0},
        {"right after the first record", cut(ends[0]), 1},
        {"the last record's id", cut(ends[2] - 1), 2},
        {"the two end bytes", cut(whole.size() - 2), 3},
        {"a kind no protection has", badKind, 1},
    };
    const auto defaults = Defaults();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Write(c.bytes);
        auto list = MakeList();
        list->CreateDefaults();  // what was there before goes
        ASSERT_EQ(list->LoadFromFile(file), TProtectionListLoad::Damaged);

        // The records read whole, with this machine's paths, then each
        // default none of them stands for.
        std::vector<TProtectionRecord> expected(stored.begin(), stored.begin() + static_cast<long>(c.read));
        for (auto& r : expected) {
            const String machine = !r.Predefined ? String() : r.Id == 6 ? ShellFolderPath(6) : HostsPath();
            if (!machine.empty())
                r.Path = machine;
        }
        for (const auto& d : defaults)
            if (std::none_of(expected.begin(), expected.end(),
                             [&d](const auto& r) { return r.PredefinedType == d.PredefinedType && r.Id == d.Id; }))
                expected.push_back(d);
        EXPECT_EQ(RecordsOf(*list), expected);

        EXPECT_FALSE(FileExists(file));  // out of the way of the next save
        EXPECT_EQ(test_support::ReadAll(file + ".bad"), c.bytes);
        const auto lines = TakePostponedLogLines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].level, llWarning);
        EXPECT_NE(lines[0].text.find(file + ".bad"), String::npos) << lines[0].text;
        EXPECT_NE(lines[0].text.find(" " + std::to_string(c.read) + " protections were read"), String::npos)
            << lines[0].text;
        RemoveFile(file + ".bad");
    }
}

TEST_F(ProtectionListTest, ADamagedFileThatCantBeKeptAsideIsLeftInPlace)
{
    const std::vector<TProtectionRecord> stored = {User("C:\\mine")};
    Bytes bytes = EncodeProtectionList(stored);
    bytes.resize(bytes.size() - 1);
    Write(bytes);
    // Every name the damaged file could be kept under is taken.
    ASSERT_TRUE(CreateFileIfAbsent(file + ".bad"));
    for (int i = 1; i < 1000; ++i)
        ASSERT_TRUE(CreateFileIfAbsent(file + ".bad." + std::to_string(i)));

    auto list = MakeList();
    EXPECT_EQ(list->LoadFromFile(file), TProtectionListLoad::Unreadable);
    std::vector<TProtectionRecord> expected = stored;
    const auto defaults = Defaults();
    expected.insert(expected.end(), defaults.begin(), defaults.end());
    EXPECT_EQ(RecordsOf(*list), expected);  // protection goes on
    EXPECT_EQ(test_support::ReadAll(file), bytes);
    const auto lines = TakePostponedLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, llWarning);
}

TEST_F(ProtectionListTest, AFileHeldWithoutSharingIsLeftAsItIs)
{
    auto saved = MakeList();
    saved->CreateDefaults();
    saved->GetItem(0)->SetDisplayName("kept");
    saved->SaveToFile(file);
    const Bytes bytes = test_support::ReadAll(file);
    {
        // Held without sharing, as a backup tool might hold it.
        TUniqueHandle lock(CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                       nullptr));
        ASSERT_TRUE(lock.Valid());
        auto list = MakeList();
        EXPECT_EQ(list->LoadFromFile(file), TProtectionListLoad::Unreadable);
        EXPECT_EQ(RecordsOf(*list), Defaults());  // the predefined ones stand in
    }
    EXPECT_EQ(test_support::ReadAll(file), bytes);
    EXPECT_FALSE(FileExists(file + ".bad"));
    const auto lines = TakePostponedLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, llWarning);
    EXPECT_NE(lines[0].text.find(file), String::npos) << lines[0].text;
}
