#include "guard/protection_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>

#include "classlib/exceptions.h"
#include "classlib/streams.h"
#include "guard/interface_translator.h"
#include "support/protection_records.h"
#include "support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using test_support::EncodeProtectionList;
using test_support::ProtectionRecords;

// Another machine: Windows on D:, a profile of its own.
struct FakePlaces : ISystemPlaces {
    String windows = "D:\\WinNT\\";
    String system = "D:\\WinNT\\System32\\";
    std::map<int, String> folders = {
        {6, "D:\\Profiles\\ann\\Favorites"},
        {7, "D:\\Profiles\\ann\\Start Menu\\Programs\\Startup"},
        {29, "D:\\Profiles\\ann\\Start Menu\\Programs\\AltStartup"},
        {30, "D:\\Profiles\\All Users\\Start Menu\\Programs\\AltStartup"},
        {24, "D:\\Profiles\\All Users\\Start Menu\\Programs\\Startup"},
    };
    String WindowsFolder() const override { return windows; }
    String SystemFolder() const override { return system; }
    String SpecialFolder(int csidl) const override
    {
        const auto at = folders.find(csidl);
        return at == folders.end() ? String() : at->second;
    }
};

TProtectionRecord Record(std::uint8_t type, std::int32_t id, const String& path, bool predefined = true)
{
    TProtectionRecord r;
    r.Kind = type == ptSystemFile ? pkFile : pkFolder;
    r.Path = path;
    r.ListFile = "C:\\data\\protection\\x.protection";
    r.DisplayName = "x";
    r.WatchSubtree = r.Kind == pkFolder;
    r.Predefined = predefined;
    r.PredefinedType = type;
    r.Id = id;
    return r;
}

Bytes Save(ProtectionRecords& list)
{
    TMemoryStream stream;
    WriteComponentRes(stream, list);
    return stream.Bytes();
}

void Load(const Bytes& bytes, ProtectionRecords& list)
{
    TMemoryStream stream(bytes);
    ReadComponentRes(stream, list);
}

}  // namespace

TEST(ProtectionStore, PathsOfPredefinedProtectionsComeFromTheReadingMachine)
{
    FakePlaces full;
    FakePlaces bare;
    bare.windows.clear();
    bare.system.clear();
    bare.folders.clear();
    const String stored = "C:\\stored";
    struct Case {
        TProtectionRecord record;
        const FakePlaces& places;
        String expected;
    } cases[] = {
        // The user's own, and a record not marked predefined, stand as stored.
        {Record(ptNone, 0, stored, false), full, stored},
        {Record(ptNone, -104, stored, true), full, stored},
        {Record(ptSystemFile, -104, stored, false), full, stored},
        {Record(ptFavorites, 6, stored), full, "D:\\Profiles\\ann\\Favorites"},
        {Record(ptFavorites, 0, stored), full, "D:\\Profiles\\ann\\Favorites"},  // the id is not asked
        {Record(ptSystemFolder, 7, stored), full, "D:\\Profiles\\ann\\Start Menu\\Programs\\Startup"},
        {Record(ptSystemFolder, 24, stored), full, "D:\\Profiles\\All Users\\Start Menu\\Programs\\Startup"},
        {Record(ptSystemFolder, 99, stored), full, stored},  // a folder the machine has not
        {Record(ptSystemFile, -100, stored), full, "D:\\WinNT\\win.ini"},
        {Record(ptSystemFile, -101, stored), full, "D:\\WinNT\\system.ini"},
        {Record(ptSystemFile, -102, stored), full, "D:\\WinNT\\wininit.ini"},
        {Record(ptSystemFile, -103, stored), full, "D:\\WinNT\\winstart.bat"},
        {Record(ptSystemFile, -104, stored), full, "D:\\WinNT\\System32\\drivers\\etc\\hosts"},
        {Record(ptSystemFile, -105, stored), full, "D:\\WinNT\\System32\\config.nt"},
        {Record(ptSystemFile, -106, stored), full, "D:\\WinNT\\System32\\autoexec.nt"},
        {Record(ptSystemFile, -107, stored), full, "D:\\autoexec.bat"},
        {Record(ptSystemFile, -108, stored), full, "D:\\config.sys"},
        {Record(ptSystemFile, -99, stored), full, stored},  // ids outside the table
        {Record(ptSystemFile, -109, stored), full, stored},
        {Record(ptSystemFile, 6, stored), full, stored},
        // Places the machine has not keep the stored path.
        {Record(ptFavorites, 6, stored), bare, stored},
        {Record(ptSystemFolder, 7, stored), bare, stored},
        {Record(ptSystemFile, -100, stored), bare, stored},
        {Record(ptSystemFile, -104, stored), bare, stored},
        {Record(ptSystemFile, -107, stored), bare, stored},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PredefinedPath(c.record, c.places), c.expected)
            << "type " << int(c.record.PredefinedType) << " id " << c.record.Id;
}

TEST(ProtectionStore, TheDefaultsOfAMachineWithEveryPlace)
{
    FakePlaces places;
    TInterfaceTranslator english;
    const auto defaults = DefaultProtections(places, "C:\\data\\protection\\", english);
    struct Row {
        std::uint8_t kind;
        const char* path;
        const char* key;
        const char* name;
        std::uint8_t type;
        std::int32_t id;
    } rows[] = {
        {pkFolder, "D:\\Profiles\\ann\\Favorites", "favorites", "Internet Explorer favorites protection", 1, 6},
        {pkFolder, "D:\\Profiles\\ann\\Start Menu\\Programs\\Startup", "userstartup",
         "Current user Startup folder protection", 2, 7},
        {pkFolder, "D:\\Profiles\\ann\\Start Menu\\Programs\\AltStartup", "altstartup", "AltStartup folder protection",
         2, 29},
        {pkFolder, "D:\\Profiles\\All Users\\Start Menu\\Programs\\AltStartup", "commonaltstartup",
         "CommonAltStartup folder protection", 2, 30},
        {pkFolder, "D:\\Profiles\\All Users\\Start Menu\\Programs\\Startup", "commonstartup",
         "Common Startup folder protection", 2, 24},
        {pkFile, "D:\\WinNT\\win.ini", "win.ini", "Win.ini protection", 3, -100},
        {pkFile, "D:\\WinNT\\system.ini", "system.ini", "System.ini protection", 3, -101},
        {pkFile, "D:\\WinNT\\wininit.ini", "wininit.ini", "Wininit.ini protection", 3, -102},
        {pkFile, "D:\\WinNT\\winstart.bat", "winstart.bat", "Winstart.bat protection", 3, -103},
        {pkFile, "D:\\autoexec.bat", "autoexec.bat", "Autoexec.bat protection", 3, -107},
        {pkFile, "D:\\config.sys", "config.sys", "Config.sys protection", 3, -108},
        {pkFile, "D:\\WinNT\\System32\\drivers\\etc\\hosts", "hosts", "Hosts file protection", 3, -104},
        {pkFile, "D:\\WinNT\\System32\\config.nt", "config.nt", "Config.nt file protection", 3, -105},
        {pkFile, "D:\\WinNT\\System32\\autoexec.nt", "autoexec.nt", "Autoexec.nt file protection", 3, -106},
    };
    ASSERT_EQ(defaults.size(), std::size(rows));
    for (size_t i = 0; i < defaults.size(); ++i) {
        const TProtectionRecord& d = defaults[i];
        const Row& row = rows[i];
        SCOPED_TRACE(row.key);
        EXPECT_EQ(d.Kind, row.kind);
        EXPECT_EQ(d.Path, row.path);
        EXPECT_EQ(d.ListFile, String("C:\\data\\protection\\") + row.key + ".protection");
        EXPECT_EQ(d.DisplayName, row.name);
        EXPECT_TRUE(d.Enabled);
        EXPECT_EQ(d.WatchSubtree, row.kind == pkFolder);
        EXPECT_TRUE(d.Predefined);
        EXPECT_EQ(d.PredefinedType, row.type);
        EXPECT_EQ(d.Id, row.id);
        // Read back on the same machine, a default keeps its path.
        EXPECT_EQ(PredefinedPath(d, places), d.Path);
    }
}

TEST(ProtectionStore, DefaultsLeaveOutThePlacesAMachineHasNot)
{
    struct Case {
        const char* what;
        void (*change)(FakePlaces&);
        std::vector<std::int32_t> ids;
    } cases[] = {
        {"no AltStartup folders, as on Wine and current Windows",
         [](FakePlaces& p) {
             p.folders.erase(29);
             p.folders.erase(30);
         },
         {6, 7, 24, -100, -101, -102, -103, -107, -108, -104, -105, -106}},
        {"no Favorites", [](FakePlaces& p) { p.folders.erase(6); },
         {7, 29, 30, 24, -100, -101, -102, -103, -107, -108, -104, -105, -106}},
        {"no Windows folder", [](FakePlaces& p) { p.windows.clear(); }, {6, 7, 29, 30, 24, -104, -105, -106}},
        {"no system folder", [](FakePlaces& p) { p.system.clear(); },
         {6, 7, 29, 30, 24, -100, -101, -102, -103, -107, -108}},
        {"nothing at all",
         [](FakePlaces& p) {
             p.folders.clear();
             p.windows.clear();
             p.system.clear();
         },
         {}},
    };
    TInterfaceTranslator english;
    for (const Case& c : cases) {
        FakePlaces places;
        c.change(places);
        std::vector<std::int32_t> ids;
        for (const TProtectionRecord& d : DefaultProtections(places, "C:\\p\\", english))
            ids.push_back(d.Id);
        EXPECT_EQ(ids, c.ids) << c.what;
    }
}

TEST(ProtectionStore, DefaultNamesAreTranslatedAndTheFolderGetsItsBackslash)
{
    test_support::TempFolder folder;
    const String table = folder.File("interface.txt");
    test_support::WriteAll(table, "311=Hosts-Datei\r\n300=\r\n");
    TInterfaceTranslator translator;
    translator.LoadFromFile(table);
    FakePlaces places;
    const auto defaults = DefaultProtections(places, "C:\\p", translator);
    ASSERT_EQ(defaults.size(), 14u);
    EXPECT_EQ(defaults[11].DisplayName, "Hosts-Datei");
    EXPECT_EQ(defaults[0].DisplayName, "Internet Explorer favorites protection");  // empty: English
    EXPECT_EQ(defaults[1].DisplayName, "Current user Startup folder protection");  // absent: English
    EXPECT_EQ(defaults[11].ListFile, "C:\\p\\hosts.protection");
}

TEST(ProtectionStore, RecordsRoundTripInTheDocumentedEncoding)
{
    ProtectionRecords list;
    TProtectionRecord user = Record(ptNone, 0, "C:\\" + String(300, 'p'), false);  // a long string
    user.Kind = pkFile;
    user.WatchSubtree = false;
    user.Enabled = false;
    user.DisplayName = "\xe4\xf6\xfc mine";
    TProtectionRecord wide = Record(ptSystemFolder, 40000, "C:\\f");  // a 32-bit id
    wide.ListFile = String(256, 'l');
    list.records = {user, Record(ptSystemFile, -104, "C:\\h"), Record(ptSystemFolder, -200, ""), wide};
    const Bytes bytes = Save(list);
    EXPECT_EQ(bytes, EncodeProtectionList(list.records));
    // The long path's tag and length, right after the kind.
    const Bytes name = {10, 'P', 'r', 'o', 't', 'e', 'c', 't', 'i', 'o', 'n', 0x02, 4, 0x02, 0x00,
                        0x0C, 0x2F, 0x01, 0x00, 0x00, 'C'};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), name.begin(), name.end()), bytes.end());

    ProtectionRecords back;
    Load(bytes, back);
    EXPECT_EQ(back.records, list.records);
}

TEST(ProtectionStore, ACountBelowOneReadsNothing)
{
    for (std::int32_t count : {0, -1, -40000}) {
        // The count is the first value; nothing follows it.
        Bytes bytes = EncodeProtectionList({});
        ASSERT_EQ(bytes[bytes.size() - 4], 0x02);
        bytes.erase(bytes.end() - 4, bytes.end());
        const Bytes value = count >= -128 ? Bytes{0x02, static_cast<std::uint8_t>(count)}
                                          : Bytes{0x04, 0xC0, 0x63, 0xFF, 0xFF};
        bytes.insert(bytes.end(), value.begin(), value.end());
        bytes.insert(bytes.end(), {0, 0});
        bytes[21] = static_cast<std::uint8_t>(bytes.size() - 25);  // the header's length
        ProtectionRecords list;
        list.records = {Record(ptNone, 0, "C:\\old", false)};
        Load(bytes, list);
        EXPECT_TRUE(list.records.empty()) << count;
    }
}

TEST(ProtectionStore, DamageKeepsTheWholeRecordsBeforeIt)
{
    std::vector<TProtectionRecord> records = {Record(ptNone, 0, "C:\\one", false), Record(ptFavorites, 6, "C:\\two"),
                                              Record(ptSystemFile, -104, "C:\\three")};
    const Bytes whole = EncodeProtectionList(records);
    // Record i ends where a list of the first i + 1 records ends its data.
    std::vector<size_t> ends;
    for (size_t n = 1; n <= records.size(); ++n)
        ends.push_back(EncodeProtectionList({records.begin(), records.begin() + static_cast<long>(n)}).size() - 2);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        ProtectionRecords back;
        EXPECT_THROW(Load(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)), back), EReadError) << cut;
        size_t read = 0;
        while (read < ends.size() && ends[read] <= cut)
            ++read;
        ASSERT_EQ(back.records.size(), read) << cut;
        for (size_t i = 0; i < read; ++i)
            EXPECT_EQ(back.records[i], records[i]) << cut;
    }
}

TEST(ProtectionStore, KindsAndTypesNoProtectionHasAreDamage)
{
    struct Case {
        std::int32_t kind, type;
        bool damaged;
    } cases[] = {{0, 0, false}, {1, 3, false}, {2, 0, true}, {-1, 0, true}, {0, 4, true}, {0, -1, true}, {1, 256, true}};
    for (const Case& c : cases) {
        // Our writer can't store these: the second record is patched.
        std::vector<TProtectionRecord> records = {Record(ptNone, 0, "C:\\a", false), Record(ptNone, 0, "C:\\b", false)};
        Bytes bytes = EncodeProtectionList(records);
        const Bytes second = {0x02, static_cast<std::uint8_t>(records[1].Kind), 0x06, 4, 'C', ':', '\\', 'b'};
        auto at = std::search(bytes.begin(), bytes.end(), second.begin(), second.end());
        ASSERT_NE(at, bytes.end());
        at[1] = static_cast<std::uint8_t>(c.kind);
        // The type is the second value from the end of the record.
        const size_t typeAt = bytes.size() - 2 - 2 - 2;
        ASSERT_EQ(bytes[typeAt], 0x02);
        Bytes patched(bytes.begin(), bytes.begin() + static_cast<long>(typeAt));
        if (c.type >= -128 && c.type <= 127) {
            patched.insert(patched.end(), {0x02, static_cast<std::uint8_t>(c.type)});
        } else {
            patched.insert(patched.end(), {0x03, static_cast<std::uint8_t>(c.type), static_cast<std::uint8_t>(c.type >> 8)});
        }
        patched.insert(patched.end(), bytes.begin() + static_cast<long>(typeAt) + 2, bytes.end());
        const std::uint32_t length = static_cast<std::uint32_t>(patched.size() - 25);
        for (int i = 0; i < 4; ++i)
            patched[21 + i] = static_cast<std::uint8_t>(length >> (8 * i));

        ProtectionRecords back;
        if (c.damaged) {
            EXPECT_THROW(Load(patched, back), EReadError) << c.kind << " " << c.type;
            EXPECT_EQ(back.records.size(), 1u);
        } else {
            EXPECT_NO_THROW(Load(patched, back));
            ASSERT_EQ(back.records.size(), 2u);
            EXPECT_EQ(back.records[1].Kind, c.kind);
            EXPECT_EQ(back.records[1].PredefinedType, c.type);
        }
    }
}

TEST(ProtectionStore, MissingDefaultsAreThoseNoRecordStandsFor)
{
    const std::vector<TProtectionRecord> defaults = {Record(ptFavorites, 6, "F"), Record(ptSystemFolder, 7, "S"),
                                                     Record(ptSystemFile, -104, "H")};
    struct Case {
        const char* what;
        std::vector<TProtectionRecord> records;
        std::vector<String> paths;  // afterwards
    } cases[] = {
        {"none", {}, {"F", "S", "H"}},
        {"all, with other paths and names",
         {Record(ptSystemFile, -104, "h"), Record(ptFavorites, 6, "f"), Record(ptSystemFolder, 7, "s")},
         {"h", "f", "s"}},
        {"the same id under another type is another protection",
         {Record(ptSystemFolder, 6, "x"), Record(ptNone, -104, "y", false)},
         {"x", "y", "F", "S", "H"}},
        {"one switched off counts as there",
         [] {
             auto r = Record(ptSystemFolder, 7, "s");
             r.Enabled = false;
             return std::vector<TProtectionRecord>{Record(ptNone, 0, "mine", false), r};
         }(),
         {"mine", "s", "F", "H"}},
    };
    for (Case& c : cases) {
        const size_t before = c.records.size();
        const int added = AddMissingDefaults(c.records, defaults);
        EXPECT_EQ(static_cast<size_t>(added), c.paths.size() - before) << c.what;
        std::vector<String> paths;
        for (const auto& r : c.records)
            paths.push_back(r.Path);
        EXPECT_EQ(paths, c.paths) << c.what;
    }
}
