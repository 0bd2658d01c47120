// The definitions database on files made by the builder: a database with a
// record of every tag loads with its counts and saves back to the expected
// bytes; damaged files fail without losing what was held; appends write
// whole records or nothing; spyware.def is applied only where it can't lose
// definitions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "classlib/file_system.h"
#include "scanner/definitions_change_file.h"
#include "support/definitions_builder.h"
#include "support/test_support.h"
#include "test_scanners.h"

namespace {

using test_support::BuildDefinitions;
using test_support::TScriptedEngine;

std::vector<std::uint8_t> Bytes(const std::string& builderText) { return BuildDefinitions(builderText).database; }

std::vector<std::uint8_t> FileBytes(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(ReadFileBytes(path, bytes)) << path;
    return bytes;
}

struct DatabaseFolder {
    test_support::TempFolder folder;
    std::string db = folder.File("spyware.db");
    std::string def = folder.File("spyware.def");

    void Write(const std::string& builderText) { WriteDefinitions(BuildDefinitions(builderText), folder.Path()); }
    void WriteBytes(const std::vector<std::uint8_t>& bytes) { test_support::WriteAll(db, bytes.data(), bytes.size()); }
};

// One record of each tag, neither in tag order nor in the stores' order.
const char kEveryTag[] = R"(
RUN Evil.exe
KLF <PF>\Bad\Bad.exe | bad program
KEY 2 Software\BadCo=badco
KEY 1 Software\Other=other
APR zeta.exe
APR Alpha.exe
BHO {AAAAAAAA-1111-2222-3333-444444444444}
FIL B.dll | b library
FIL a.dll | a library
0BH
descr badco|other = A bad company.
)";

// What saving it writes: tags in order, each store in its own order, the
// stores' letter-case rules applied on load.
const char kEveryTagSaved[] = R"(
APR Alpha.exe
APR zeta.exe
BHO {aaaaaaaa-1111-2222-3333-444444444444}
FIL a.dll | a library
FIL b.dll | b library
KEY 2 Software\BadCo=badco
KEY 1 Software\Other=other
KLF <pf>\bad\bad.exe | bad program
RUN evil.exe
)";

}  // namespace

TEST(DefinitionsDatabase, LoadsEveryTagAndSavesInTagAndStoreOrder)
{
    DatabaseFolder files;
    files.Write(kEveryTag);
    TScriptedEngine scripted;
    TSearch& search = scripted.engine;
    ASSERT_TRUE(search.LoadDatabase(files.db));

    const std::map<String, int> counts = {{"0BH", 0}, {"APR", 2}, {"BHO", 1}, {"FIL", 2},
                                          {"KEY", 2}, {"KLF", 1}, {"RUN", 1}};
    for (const auto& [tag, count] : counts)
        EXPECT_EQ(scripted[tag].Count(), count) << tag;
    EXPECT_EQ(search.DefinitionCount(), 27u);  // three per definition, as users have always been shown
    EXPECT_TRUE(search.HasDescription("BadCo"));
    EXPECT_EQ(search.DescriptionCount(), 24u);

    ASSERT_TRUE(search.SaveDatabase(files.db));
    EXPECT_EQ(FileBytes(files.db), Bytes(kEveryTagSaved));
    // No temporary file is left beside it.
    EXPECT_EQ(test_support::FolderEntries(files.folder.Path()).size(), 2u);
}

TEST(DefinitionsDatabase, DamagedFilesFailAndKeepWhatWasHeld)
{
    const struct {
        const char* name;
        const char* text;  // null: no file at all
        TDatabaseLoad status;
        int aprCount;  // APR definitions held afterwards
    } cases[] = {
        {"missing file", nullptr, TDatabaseLoad::Missing, 1},
        {"empty file", "magic", TDatabaseLoad::Empty, 1},
        {"bad magic", "magic SDX\nAPR a.exe", TDatabaseLoad::BadHeader, 1},
        {"short magic", "magic SD", TDatabaseLoad::BadHeader, 1},
        {"lower-case magic", "magic sdf", TDatabaseLoad::Loaded, 0},
        {"unknown tag between records", "APR a.exe\ntag ZZZ\nAPR b.exe", TDatabaseLoad::Loaded, 2},
        {"0BH takes no payload", "0BH\nAPR a.exe\n0BH", TDatabaseLoad::Loaded, 1},
        {"a string past the end", "APR a.exe\ntag APR\nu32 100\nbytes 41 42", TDatabaseLoad::Damaged, 1},
        {"a huge count", "tag FIL\nu32 0xFFFFFFFF", TDatabaseLoad::Damaged, 1},
        {"a second string missing", "tag KLF\nstr <wd>\\x.exe", TDatabaseLoad::Damaged, 1},
        {"a root index cut short", "tag KEY\nbytes 02 00", TDatabaseLoad::Damaged, 1},
        {"a 1-byte tail", "APR a.exe\nAPR b.exe\nbytes 41", TDatabaseLoad::Loaded, 2},
        {"a 2-byte tail", "APR a.exe\nbytes 41 50", TDatabaseLoad::Loaded, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DatabaseFolder files;
        // Something held before the load: it must survive a failed one.
        TScriptedEngine scripted;
        files.Write("APR held.exe\ndescr held = kept");
        ASSERT_TRUE(scripted.engine.LoadDatabase(files.db));
        RemoveFile(files.db);
        RemoveFile(files.db + ".descr");
        if (c.text)
            files.Write(c.text);

        EXPECT_EQ(scripted.engine.LoadDatabaseStatus(files.db), c.status);
        EXPECT_EQ(scripted["APR"].Count(), c.aprCount);
        const bool loaded = c.status == TDatabaseLoad::Loaded;
        auto& names = static_cast<TNameDefinitions&>(scripted["APR"].Definitions());
        EXPECT_EQ(names.Holds("held.exe"), !loaded);
        EXPECT_EQ(scripted.engine.HasDescription("held"), !loaded);
        if (!c.text) {
            EXPECT_TRUE(FileExists(files.db) && FileBytes(files.db).empty());  // left for appends
        }
    }
}

TEST(DefinitionsDatabase, KeyRecordsWithAnUnknownRootLoadButAreNeverSearched)
{
    DatabaseFolder files;
    files.Write("KEY 9 Software\\Bad=bad\nKEY 2 Software\\Bad=bad\nKEY 2 Software=everything");
    TScriptedEngine scripted;
    ASSERT_TRUE(scripted.engine.LoadDatabase(files.db));
    const auto& keys = static_cast<const TRegKeyDefinitions&>(scripted["KEY"].Definitions()).Entries();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_FALSE(TRegKeyDefinitions::IsSearchable(keys[0]));
    EXPECT_TRUE(TRegKeyDefinitions::IsSearchable(keys[1]));
    EXPECT_FALSE(TRegKeyDefinitions::IsSearchable(keys[2]));  // a structural key is never deleted
    ASSERT_TRUE(scripted.engine.SaveDatabase(files.db));
    EXPECT_EQ(FileBytes(files.db), Bytes("KEY 9 Software\\Bad=bad\nKEY 2 Software\\Bad=bad\nKEY 2 Software=everything"));
}

TEST(DefinitionsDatabase, AppendsWriteWholeRecordsOrNothing)
{
    const char kStart[] = "APR held.exe\nRUN held.exe\nKLF <wd>\\held.exe | held\nKEY 2 Software\\Held=held\nBHO {11111111-2222-3333-4444-555555555555}";
    const struct {
        const char* name;
        const char* definition;
        bool result;
        const char* appended;  // builder text of the bytes added, "" for none
    } cases[] = {
        {"a process", "APR New.exe", true, "APR new.exe"},
        {"an autorun name", "run:Start.EXE", true, "RUN start.exe"},
        {"a known location", "klf <WD>\\X\\Bad.exe=bad thing", true, "KLF <wd>\\x\\bad.exe | bad thing"},
        {"a file name", "FIL Spy.DLL=spy", true, "FIL spy.dll | spy"},
        {"a key", "KEY HKEY_CURRENT_USER=Software\\Spy=spy", true, "KEY 1 Software\\Spy=spy"},
        {"a key, root name in lower case", "KEY hkey_users=S-1\\Software\\Spy=spy", true, "KEY 3 S-1\\Software\\Spy=spy"},
        {"a class id, written as given", "BHO {ABCDEF01-2345-6789-ABCD-EF0123456789}", true,
         "BHO {ABCDEF01-2345-6789-ABCD-EF0123456789}"},
        {"the hijack tag", "0BH anything", true, ""},
        {"a process held", "APR HELD.exe", false, ""},
        {"an autorun name held", "RUN Held.Exe", false, ""},
        {"a location held", "KLF <WD>\\HELD.EXE=other", true, ""},
        {"a key held, other case and description", "KEY hkey_local_machine=SOFTWARE\\held=x", true, ""},
        {"a class id held", "BHO {11111111-2222-3333-4444-555555555555}", true, ""},
        {"too short", "APR", false, ""},
        {"an unknown tag", "XYZ thing", false, ""},
        {"a location without '='", "KLF <wd>\\x.exe", false, ""},
        {"a key without '='", "KEY HKEY_LOCAL_MACHINE", false, ""},
        {"a key with an empty path", "KEY HKEY_LOCAL_MACHINE==desc", false, ""},
        {"a key under an unknown root", "KEY HKLM=Software\\Spy=spy", false, ""},
        {"a structural key", "KEY HKEY_LOCAL_MACHINE=Software\\Microsoft\\Windows=spy", false, ""},
        {"a system process", "APR explorer.exe", false, ""},
        {"a class id of the wrong form", "BHO not-a-class-id", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DatabaseFolder files;
        files.Write(kStart);
        TScriptedEngine scripted;
        ASSERT_TRUE(scripted.engine.LoadDatabase(files.db));
        const std::uint32_t before = scripted.engine.DefinitionCount();

        EXPECT_EQ(scripted.engine.AppendDefinition(files.db, c.definition), c.result);
        std::vector<std::uint8_t> expected = Bytes(kStart);
        const std::vector<std::uint8_t> added = Bytes(c.appended);
        expected.insert(expected.end(), added.begin() + 3, added.end());  // without its header
        EXPECT_EQ(FileBytes(files.db), expected);
        EXPECT_EQ(scripted.engine.DefinitionCount(), before + (added.size() > 3 ? 3u : 0u));
    }
}

namespace {

// A scanner whose append writes half a record and then fails.
class THalfWritingScanner : public test_support::TScriptedScanner {
public:
    using TScriptedScanner::TScriptedScanner;
    bool AppendDefinition(TStream& file, const String&) override
    {
        file.Write("APR\x05\x00", 5);
        return false;
    }
};

}  // namespace

TEST(DefinitionsDatabase, AFailedAppendCutsTheFileBack)
{
    DatabaseFolder files;
    files.Write("KLF <wd>\\held.exe | held");
    TSearch search{TSearchTexts()};
    search.AddScanner<THalfWritingScanner>("APR");
    search.AddScanner<test_support::TScriptedScanner>("KLF");
    ASSERT_TRUE(search.LoadDatabase(files.db));
    EXPECT_FALSE(search.AppendDefinition(files.db, "APR spy.exe"));
    EXPECT_EQ(FileBytes(files.db), Bytes("KLF <wd>\\held.exe | held"));

    // An empty file (left by a load that found none) gets its header first.
    test_support::WriteAll(files.db, "", 0);
    EXPECT_TRUE(search.AppendDefinition(files.db, "KLF <wd>\\new.exe=new"));
    EXPECT_EQ(FileBytes(files.db), Bytes("KLF <wd>\\new.exe | new"));
    EXPECT_FALSE(search.AppendDefinition(files.db + ".missing", "KLF <wd>\\x.exe=x"));
    EXPECT_FALSE(FileExists(files.db + ".missing"));

    // A record that left stdio but can't be flushed to the device is a
    // failed append: the definition isn't held either.
    const std::uint32_t held = search.DefinitionCount();
    EXPECT_FALSE(search.AppendDefinition(test_support::kUnflushableDevice, "KLF <wd>\\unflushed.exe=x"));
    EXPECT_EQ(search.DefinitionCount(), held);
    EXPECT_TRUE(search.AppendDefinition(files.db, "KLF <wd>\\unflushed.exe=x"));
    EXPECT_EQ(FileBytes(files.db), Bytes("KLF <wd>\\new.exe | new\nKLF <wd>\\unflushed.exe | x"))
        << "written now: the failed append held nothing";
}

TEST(DefinitionsDatabase, DeletesAreInMemoryUntilTheNextSave)
{
    DatabaseFolder files;
    const char kStart[] = "APR spy.exe\nRUN run.exe\nBHO {11111111-2222-3333-4444-555555555555}\n"
                          "FIL spy.dll | d\nKLF <wd>\\x.exe | x\nKEY 2 Software\\A=a\nKEY 1 Software\\A=a";
    files.Write(kStart);
    TScriptedEngine scripted;
    TSearch& search = scripted.engine;
    ASSERT_TRUE(search.LoadDatabase(files.db));
    for (const char* text : {"APR SPY.EXE", "run run.exe", "BHO {11111111-2222-3333-4444-555555555555}",
                             "FIL Spy.dll", "KLF <WD>\\X.exe", "KEY hkey_current_user=software\\a", "KEY HKLM=Software\\A",
                             "FIL", "XYZ spy.exe"})
        search.DeleteDefinition(text);
    EXPECT_EQ(FileBytes(files.db), Bytes(kStart));
    ASSERT_TRUE(search.SaveDatabase(files.db));
    EXPECT_EQ(FileBytes(files.db), Bytes("KEY 2 Software\\A=a"));
}

TEST(DefinitionsChangeFile, AppliesItsLinesOnlyWhereNothingCanBeLost)
{
    const char kChanges[] = "def +KLF <WD>\\new.exe=new\n"
                            "def -APR old.exe\n"
                            "def \n"
                            "def   +RUN  Spaced.exe  \n"
                            "def # a comment\n"
                            "def +\n"
                            "def -\n"
                            "def +KEY HKEY_LOCAL_MACHINE=Software\\Spy=spy\n"
                            "def ~APR other.exe\n";
    const struct {
        const char* name;
        const char* database;  // null: no database file
        TChangeFileResult result;
        const char* after;     // the database afterwards
    } cases[] = {
        {"a database that loads", "APR old.exe\nAPR kept.exe", TChangeFileResult::Applied,
         "APR kept.exe\nKEY 2 Software\\Spy=spy\nKLF <wd>\\new.exe | new\nRUN  spaced.exe"},
        {"no database", nullptr, TChangeFileResult::Applied,
         "KEY 2 Software\\Spy=spy\nKLF <wd>\\new.exe | new\nRUN  spaced.exe"},
        {"an empty database", "magic", TChangeFileResult::Applied,
         "KEY 2 Software\\Spy=spy\nKLF <wd>\\new.exe | new\nRUN  spaced.exe"},
        {"a damaged database", "APR old.exe\ntag APR\nu32 99", TChangeFileResult::Kept,
         "APR old.exe\ntag APR\nu32 99"},
        {"a database of another kind", "magic XYZ\nAPR old.exe", TChangeFileResult::Kept, "magic XYZ\nAPR old.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DatabaseFolder files;
        files.Write(std::string(c.database ? c.database : "") + "\n" + kChanges);
        if (!c.database)
            RemoveFile(files.db);
        TScriptedEngine scripted;
        const TDatabaseLoad load = scripted.engine.LoadDatabaseStatus(files.db);
        EXPECT_EQ(ApplyDefinitionChanges(scripted.engine, files.db, files.def, load), c.result);
        EXPECT_EQ(FileBytes(files.db), Bytes(c.after));
        EXPECT_EQ(FileExists(files.def), c.result != TChangeFileResult::Applied);
    }
}

TEST(DefinitionsChangeFile, StaysWhenTheDatabaseCantBeSaved)
{
    DatabaseFolder files;
    files.Write("def +APR spy.exe");
    RemoveFile(files.db);
    std::filesystem::create_directories(files.db);  // nothing can be written there
    TScriptedEngine scripted;
    const TDatabaseLoad load = scripted.engine.LoadDatabaseStatus(files.db);
    EXPECT_EQ(ApplyDefinitionChanges(scripted.engine, files.db, files.def, load), TChangeFileResult::SaveFailed);
    EXPECT_TRUE(FileExists(files.def)) << "kept for the next start";
    EXPECT_TRUE(DirectoryExists(files.db));
}

TEST(DefinitionsChangeFile, SplitsSignedLines)
{
    using Changes = std::vector<TDefinitionChange>;
    const char kText[] = " +APR a.exe \r-RUN b\r\n\n+\nx\n-KEY HKEY_USERS=S\0+APR hidden";
    EXPECT_EQ(ParseDefinitionChanges(String(kText, sizeof kText - 1)),
              (Changes{{true, "APR a.exe"}, {false, "RUN b"}, {true, ""}, {false, "KEY HKEY_USERS=S"}}));
    EXPECT_TRUE(ParseDefinitionChanges("").empty());
}
