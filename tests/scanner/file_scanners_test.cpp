// The two file scanners on the real file system: files planted at known
// locations under each folder token and by name in Startup, Documents and
// below the Windows folder are found with the paths the system gives, files
// that must stay are never reported, the walk of the folder trees ends and
// reports nothing twice through a folder linked back to its parent, and the
// fix removes what it can and reports the rest.
#include "scanner/known_location_search.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "classlib/file_system.h"
#include "guard/common.h"
#include "scanner/search.h"
#include "scanner/search_services.h"
#include "support/test_support.h"

namespace {

// ---- Host programs, for what Wine's Win32 side can't do here

using TUnixFileName = char*(CDECL*)(LPCWSTR);

TUnixFileName WineUnixFileName()
{
    return reinterpret_cast<TUnixFileName>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
}

String UnixPath(const String& path)
{
    const TUnixFileName unixFileName = WineUnixFileName();
    const std::wstring wide(path.begin(), path.end());
    char* unix = unixFileName ? unixFileName(wide.c_str()) : nullptr;
    const String result = unix ? unix : "";
    if (unix)
        HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Wine starts a host program by its Z: path, but its end can't be waited
// for: the effect is polled instead, with a deadline.
bool RunOnHost(const String& commandLine, const std::function<bool()>& done)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    String line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int waited = 0; waited < 10000 && !done(); waited += 20)
        Sleep(20);
    return done();
}

bool Exists(const String& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A folder link `link` -> "..". Wine 8's CreateSymbolicLinkA answers TRUE and
// makes nothing, so under Wine the link is a host symlink made by ln.
bool MakeLinkToParent(const String& link)
{
    if (WineUnixFileName())
        return RunOnHost("Z:\\bin\\ln -s .. \"" + UnixPath(link) + "\"", [&] { return Exists(link); });
    // Looked up: the headers of the oldest system the program runs on lack it.
    using TCreateSymbolicLink = BOOLEAN(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    const auto create = reinterpret_cast<TCreateSymbolicLink>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA")));
    const DWORD kDirectory = 1, kUnprivileged = 2;
    const String parent = link.substr(0, link.find_last_of('\\', link.find_last_of('\\') - 1));
    return create && create(link.c_str(), parent.c_str(), kDirectory | kUnprivileged) && Exists(link);
}

// A planted tree gone whole, a link in it removed as a link (never followed).
void RemoveTree(const String& folder)
{
    if (!Exists(folder))
        return;
    if (WineUnixFileName()) {
        const String unix = UnixPath(folder);
        ASSERT_FALSE(unix.empty());
        EXPECT_TRUE(RunOnHost("Z:\\bin\\rm -rf \"" + unix + "\"", [&] { return !Exists(folder); })) << folder;
        return;
    }
    WIN32_FIND_DATAA entry{};
    const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const String name = entry.cFileName, path = folder + "\\" + name;
            if (name == "." || name == "..")
                continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                RemoveDirectoryA(path.c_str());
            else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// Planted folders of one test, removed before and after it.
class TPlantedFolders {
public:
    explicit TPlantedFolders(std::vector<String> folders) : folders_(std::move(folders))
    {
        for (const String& folder : folders_) {
            RemoveTree(folder);
            EXPECT_TRUE(ForceDirectories(folder)) << folder;
        }
    }
    ~TPlantedFolders()
    {
        for (const String& folder : folders_)
            RemoveTree(folder);
    }
    TPlantedFolders(const TPlantedFolders&) = delete;
    TPlantedFolders& operator=(const TPlantedFolders&) = delete;

private:
    std::vector<String> folders_;
};

// A planted file held open without delete sharing, as a running program
// holds its own file.
class THeldFile {
public:
    void Hold(const String& path)
    {
        path_ = path;
        handle_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(handle_, INVALID_HANDLE_VALUE) << path;
    }
    ~THeldFile()
    {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
            DeleteFileA(path_.c_str());  // free now; the deletion at restart then finds nothing
        }
    }

private:
    String path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

enum class TFix { Removed, Delayed, Missing, NotFound };

// What a search and the fix after it told the engine's owner.
struct TEvents {
    std::vector<String> fixing, errors, delayed, statusPaths;
    int scanned = 0;
};

void Listen(TSearch& search, TEvents& events)
{
    search.OnFixing = [&](TSearchResultInterface&, const String& text) {
        events.fixing.push_back(text);
        return true;
    };
    search.OnError = [&](TSearchResultInterface&, const String& text) { events.errors.push_back(text); };
    search.OnRemovalDelayed = [&](TSearchResultInterface&, const String& text) { events.delayed.push_back(text); };
    search.OnStatus = [&](const String&, const String& path) { events.statusPaths.push_back(path); };
    search.OnObjectScanned = [&] { ++events.scanned; };
}

std::vector<const TSearchResultInterface*> ResultsOf(const TSearchInterface& scanner)
{
    std::vector<const TSearchResultInterface*> results;
    for (int i = 0; i < scanner.ResultCount(); ++i)
        results.push_back(scanner.Result(i));
    return results;
}

void CheckAll(TSearchInterface& scanner)
{
    for (int i = 0; i < scanner.ResultCount(); ++i)
        scanner.Result(i)->Checked = true;
}

String Deleted(const String& path)
{
    return "Unable to delete '" + path + "' file! Error message: " + SystemErrorText(ERROR_FILE_NOT_FOUND);
}
String AtRestart(const String& path)
{
    return "Unable to delete '" + path + "' file! This file will be deleted after system reboot.";
}

// The current folder for a while: a location that expands to a relative path
// would resolve against it.
class TCurrentFolder {
public:
    explicit TCurrentFolder(const String& folder)
    {
        GetCurrentDirectoryA(MAX_PATH, previous_);
        EXPECT_TRUE(SetCurrentDirectoryA(folder.c_str())) << folder;
    }
    ~TCurrentFolder() { SetCurrentDirectoryA(previous_); }
    TCurrentFolder(const TCurrentFolder&) = delete;
    TCurrentFolder& operator=(const TCurrentFolder&) = delete;

private:
    char previous_[MAX_PATH] = {};
};

}  // namespace

TEST(KnownLocationSearch, FindsUnderEachTokenAndFixes)
{
    const String programFiles = ExcludeTrailingPathDelimiter(SpecialFolderPath(0x0026));
    const String windows = WindowsFolder(), system = SystemFolder(), drive = windows.substr(0, 2);
    ASSERT_FALSE(programFiles.empty());
    const String folderName = "TalmorisTest_KnownLocationSearch";
    const TPlantedFolders planted({programFiles + "\\" + folderName, drive + "\\" + folderName,
                                   windows + "\\" + folderName, system + "\\" + folderName});

    const struct {
        String location;  // as the definition text gives it
        String planted;        // "" plants nothing
        String path;           // the item's path; "" when nothing may be found
        TFix fix;
    } cases[] = {
        {"<PF>\\TalmorisTest_KnownLocationSearch\\SpyPf.EXE", programFiles + "\\" + folderName + "\\SpyPf.EXE",
         programFiles + "\\talmoristest_knownlocationsearch\\spypf.exe", TFix::Removed},
        {"<sd>\\TalmorisTest_KnownLocationSearch\\SpySd.dll", system + "\\" + folderName + "\\SpySd.dll",
         system + "\\talmoristest_knownlocationsearch\\spysd.dll", TFix::Delayed},
        {"<Wd>\\TalmorisTest_KnownLocationSearch\\SpyWd.dll", windows + "\\" + folderName + "\\SpyWd.dll",
         windows + "\\talmoristest_knownlocationsearch\\spywd.dll", TFix::Missing},
        {"<wR>\\TalmorisTest_KnownLocationSearch\\SpyWr.exe", drive + "\\" + folderName + "\\SpyWr.exe",
         drive + "\\talmoristest_knownlocationsearch\\spywr.exe", TFix::Removed},
        // An unknown token is dropped: what is left is looked for as it stands.
        {"<zz>" + drive + "\\TalmorisTest_KnownLocationSearch\\SpyZz.exe", drive + "\\" + folderName + "\\SpyZz.exe",
         LowerCase(drive) + "\\talmoristest_knownlocationsearch\\spyzz.exe", TFix::Removed},
        // ... and a relative path left by it is never a find, although the
        // system would open the file against the current folder.
        {"<zz>\\TalmorisTest_KnownLocationSearch\\SpyRel.exe", drive + "\\" + folderName + "\\SpyRel.exe", "",
         TFix::NotFound},
        {"<zz>SpyRel.exe", "", "", TFix::NotFound},
        // Files the system needs are never reported.
        {"<SD>\\kernel32.dll", "", "", TFix::NotFound},
        {"<wd>\\explorer.exe", "", "", TFix::NotFound},
        {"<wd>\\TalmorisTest_KnownLocationSearch\\Absent.exe", "", "", TFix::NotFound},
    };
    for (const auto& c : cases)
        if (!c.planted.empty())
            test_support::WriteAll(c.planted, "MZ spyware");
    ASSERT_TRUE(FileExists(system + "\\kernel32.dll"));
    const TCurrentFolder current(drive + "\\" + folderName);
    ASSERT_TRUE(FileExists("\\talmoristest_knownlocationsearch\\spyrel.exe")) << "the relative path does open";
    ASSERT_TRUE(FileExists("spyrel.exe"));

    TSearch search{TSearchTexts()};
    TKnownLocationSearch& scanner = search.AddScanner<TKnownLocationSearch>();
    for (const auto& c : cases)
        ASSERT_TRUE(search.AddDefinition("KLF:" + c.location + "=Spy " + c.location)) << c.location;
    // The same location in other letters is held already: nothing changes.
    ASSERT_TRUE(search.AddDefinition("KLF:<pf>\\talmoristest_knownlocationsearch\\SPYPF.EXE=again"));
    ASSERT_EQ(scanner.Count(), static_cast<int>(std::size(cases)));
    TEvents events;
    Listen(search, events);
    search.Search();

    // Found in the order of the locations, byte by byte.
    std::vector<String> expected;
    std::map<String, String> descriptions;
    for (const auto& c : cases)
        if (!c.path.empty()) {
            expected.push_back(c.path);
            descriptions[c.path] = "Spy " + c.location;
        }
    std::vector<String> found;
    for (const TSearchResultInterface* item : ResultsOf(scanner)) {
        found.push_back(item->Path);
        EXPECT_EQ(item->Name, item->Path);
        EXPECT_EQ(item->Description, descriptions[item->Path]);
        EXPECT_EQ(item->Kind, ikFile);
        EXPECT_EQ(item->Category, icFileName);
        EXPECT_EQ(item->RootKey, kNoRootKey);
    }
    ASSERT_EQ(found, expected) << "stops here rather than fix a file the system needs";
    EXPECT_EQ(events.scanned, static_cast<int>(std::size(cases)));
    EXPECT_EQ(events.statusPaths.size(), std::size(cases) + 1) << "the start, then each location";

    THeldFile held;
    std::vector<String> fixing, errors, delayed, left;
    for (const auto& c : cases) {
        if (c.fix == TFix::NotFound)
            continue;
        if (c.fix == TFix::Delayed)
            held.Hold(c.planted);
        if (c.fix == TFix::Missing) {
            ASSERT_TRUE(DeleteFileA(c.planted.c_str()));
            errors.push_back(Deleted(c.path));
            left.push_back(c.path);
        } else {
            fixing.push_back(c.path);
        }
        if (c.fix == TFix::Delayed)
            delayed.push_back(AtRestart(c.path));
    }
    CheckAll(scanner);
    search.RemoveChecked();
    EXPECT_EQ(events.fixing, fixing);
    EXPECT_EQ(events.errors, errors);
    EXPECT_EQ(events.delayed, delayed);
    found.clear();
    for (const TSearchResultInterface* item : ResultsOf(scanner))
        found.push_back(item->Path);
    EXPECT_EQ(found, left) << "a missing file stays; one that goes at restart counts as removed";
    for (const auto& c : cases) {
        if (c.fix == TFix::Removed) {
            EXPECT_FALSE(Exists(c.planted)) << c.planted;
        }
    }
    EXPECT_TRUE(FileExists(system + "\\kernel32.dll"));
    EXPECT_TRUE(FileExists("spyrel.exe"));
}

TEST(FileSearch, FindsByNameBelowEachFolderAndFixes)
{
    const String startup = ShellFolderPath(0x0007), documents = ShellFolderPath(0x0005);
    ASSERT_FALSE(startup.empty());
    ASSERT_FALSE(documents.empty());
    const String tree = WindowsFolder() + "\\TalmorisTest_FileSearch", deep = tree + "\\Deep";
    const TPlantedFolders planted({tree});
    ASSERT_TRUE(ForceDirectories(deep));
    // Deep\Back is Deep's parent again: without a guard the walk would run
    // round Deep\Back\Deep\Back\... and find each file below the tree anew.
    ASSERT_TRUE(MakeLinkToParent(deep + "\\Back")) << "a folder link could not be made";

    const struct {
        String folder;     // as the system gives it
        const char* file;  // planted with capitals, defined in lower case
        bool found;
        TFix fix;
    } cases[] = {
        {startup, "TalmorisTest_FileSearch_Startup.EXE", true, TFix::Removed},
        {documents, "TalmorisTest_FileSearch_Docs.Scr", true, TFix::Delayed},
        {tree, "TalmorisTest_FileSearch_Windows.DLL", true, TFix::Missing},
        {deep, "TalmorisTest_FileSearch_Deep.OCX", true, TFix::Removed},
        // A core system name in the Windows folder is never reported, here
        // or at its real place.
        {tree, "Explorer.EXE", false, TFix::NotFound},
    };
    std::vector<String> plantedFiles;
    for (const auto& c : cases) {
        plantedFiles.push_back(IncludeTrailingPathDelimiter(c.folder) + c.file);
        test_support::WriteAll(plantedFiles.back(), "MZ spyware");
    }
    struct TRemoveFiles {
        const std::vector<String>& files;
        ~TRemoveFiles()
        {
            for (const String& file : files)
                DeleteFileA(file.c_str());
        }
    } removeFiles{plantedFiles};
    ASSERT_TRUE(FileExists(deep + "\\Back\\Deep\\Back\\TalmorisTest_FileSearch_Windows.DLL")) << "the link leads round";

    TSearch search{TSearchTexts()};
    TFileSearch& scanner = search.AddScanner<TFileSearch>();
    for (const auto& c : cases)
        ASSERT_TRUE(search.AddDefinition(String("FIL:") + c.file + "=Spy " + c.file));
    ASSERT_TRUE(search.AddDefinition("FIL:TalmorisTest_FileSearch_Absent.exe=absent"));
    TEvents events;
    Listen(search, events);
    search.Search();

    std::map<String, const TSearchResultInterface*> byName;
    for (const TSearchResultInterface* item : ResultsOf(scanner)) {
        EXPECT_TRUE(byName.emplace(item->Name, item).second) << "found twice: " << item->Path;
        EXPECT_EQ(item->Kind, ikFile);
        EXPECT_EQ(item->Category, icFileName);
        EXPECT_EQ(item->RootKey, kNoRootKey);
    }
    for (const auto& c : cases) {
        const String name = LowerCase(c.file);
        const auto item = byName.find(name);
        ASSERT_EQ(item != byName.end(), c.found) << c.file;
        if (!c.found)
            continue;
        EXPECT_EQ(item->second->Path, IncludeTrailingPathDelimiter(c.folder) + name);
        EXPECT_EQ(item->second->Description, String("Spy ") + c.file);
    }
    ASSERT_EQ(byName.size(), 4u) << "stops here rather than fix a file the system needs";

    // Each folder is walked once: the link back is not walked, nor is the
    // Startup folder inside the application data folder (it is walked as
    // itself), nor the documents folder under the other names Wine gives it
    // in the application data folder (Templates).
    const auto walks = [&](const String& folder) {
        return std::count(events.statusPaths.begin(), events.statusPaths.end(), IncludeTrailingPathDelimiter(folder));
    };
    EXPECT_EQ(walks(tree), 1);
    EXPECT_EQ(walks(deep), 1);
    EXPECT_EQ(walks(startup), 1);
    EXPECT_EQ(walks(deep + "\\Back"), 0);
    std::vector<String> sorted = events.statusPaths;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "a folder walked twice";
    EXPECT_GT(events.scanned, 100) << "the whole Windows folder is walked";

    THeldFile held;
    std::vector<String> errors, delayed;
    std::vector<String> left;
    std::vector<String> fixing;
    for (const TSearchResultInterface* item : ResultsOf(scanner)) {
        const auto c = std::find_if(std::begin(cases), std::end(cases),
                                    [&](const auto& c) { return LowerCase(c.file) == item->Name; });
        const String path = IncludeTrailingPathDelimiter(c->folder) + c->file;
        if (c->fix == TFix::Missing) {
            ASSERT_TRUE(DeleteFileA(path.c_str()));
            errors.push_back(Deleted(item->Path));
            left.push_back(item->Path);
            continue;
        }
        fixing.push_back(item->Path);
        if (c->fix == TFix::Delayed) {
            held.Hold(path);
            delayed.push_back(AtRestart(item->Path));
        }
    }
    CheckAll(scanner);
    search.RemoveChecked();
    EXPECT_EQ(events.fixing, fixing);
    EXPECT_EQ(events.errors, errors);
    EXPECT_EQ(events.delayed, delayed);
    std::vector<String> found;
    for (const TSearchResultInterface* item : ResultsOf(scanner))
        found.push_back(item->Path);
    EXPECT_EQ(found, left);
    for (const auto& c : cases) {
        if (c.fix == TFix::Removed) {
            EXPECT_FALSE(Exists(IncludeTrailingPathDelimiter(c.folder) + c.file)) << c.file;
        }
    }
    EXPECT_TRUE(FileExists(tree + "\\Explorer.EXE"));
    EXPECT_TRUE(FileExists(WindowsFolder() + "\\explorer.exe"));
}

TEST(FileSearch, StopsWhereTheOwnerCancels)
{
    TSearch search{TSearchTexts()};
    search.AddScanner<TFileSearch>();
    ASSERT_TRUE(search.AddDefinition("FIL:TalmorisTest_FileSearch_Cancel.exe=x"));
    int scanned = 0;
    search.OnObjectScanned = [&] { ++scanned; };
    search.OnQueryCancel = [&](bool& cancel) { cancel = scanned >= 25; };
    search.Search();
    EXPECT_EQ(scanned, 25) << "asked before each entry, at every depth, and no folder after";
}
