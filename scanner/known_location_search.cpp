#include "scanner/known_location_search.h"

#include <windows.h>

#include <set>
#include <tuple>
#include <vector>

#include "classlib/file_system.h"
#include "classlib/string_list.h"
#include "classlib/win_handle.h"
#include "guard/common.h"
#include "scanner/file_removal.h"
#include "scanner/known_locations.h"
#include "scanner/search.h"
#include "scanner/search_services.h"

namespace {

constexpr int kCsidlPersonal = 0x0005;       // the user's documents
constexpr int kCsidlStartup = 0x0007;
constexpr int kCsidlAppData = 0x001A;
constexpr int kCsidlProgramFiles = 0x0026;

const TKeyedDefinitions::TStore& KeyedEntries(TDefinitionStore& store)
{
    return static_cast<const TKeyedDefinitions&>(store).Entries();
}

std::unique_ptr<TSearchResultInterface> NewFileItem(const String& path, const String& name, const String& description)
{
    return NewFoundItem(ikFile, icFileName, kNoRootKey, path, name, description);
}

// Both scanners remove their finds the same way, one file per checked item.
void RemoveCheckedFiles(TSearchInterface& scanner)
{
    TFileRemoval removal(scanner);
    for (int i = 0; i < scanner.ResultCount(); ++i)
        if (const TSearchResultInterface* item = scanner.Result(i); item && item->Checked)
            removal.Remove(i);
}

}  // namespace

// ---- KLF

void TKnownLocationSearch::Search()
{
    ClearResults();
    const String& status = Engine().Text(kTextSearchKnownLocations);
    ReportStatus(status, String());
    // Read once: the folders don't move during a search.
    const TKnownLocationFolders folders =
        KnownLocationFoldersFrom(SpecialFolderPath(kCsidlProgramFiles), WindowsFolder(), SystemFolder(),
                                 GetProgramFileName());
    const TSafetyFolders safety = ThisProgramSafetyFolders();
    for (const auto& [location, description] : KeyedEntries(Definitions())) {
        ObjectScanned();
        const String path = ExpandKnownLocation(location, folders);
        ReportStatus(status, path);
        // An expansion that left no full path (an unknown folder) or names a
        // file that must stay is never a find.
        if (FileExists(path) && IsRemovableFile(path, safety))
            AddItem(NewFileItem(path, path, description));
    }
}

void TKnownLocationSearch::Fix()
{
    RemoveCheckedFiles(*this);
    PackResults();
}

// ---- FIL

// Depth-first, a folder's subfolders walked as they come in its listing.
// Links and junctions are followed like any folder, so each folder is known
// by its volume serial number and file index, and one reached again (a link
// back to a parent, another name of a folder walked already) is passed over.
class TFileSearch::TWalk {
public:
    explicit TWalk(TFileSearch& scanner)
        : scanner_(scanner),
          names_(KeyedEntries(scanner.Definitions())),
          status_(scanner.Engine().Text(kTextSearchFiles)),
          safety_(ThisProgramSafetyFolders())
    {
    }

    // False for a folder reached before. A folder whose identity can't be
    // read counts as new; the depth bound ends any loop through it.
    bool Claim(const String& folder)
    {
        TUniqueHandle handle(CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION info{};
        if (!handle.Valid() || !GetFileInformationByHandle(handle.Get(), &info))
            return true;
        return reached_.emplace(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow).second;
    }

    // A claimed folder and everything below it.
    void WalkRoot(const String& folder) { Walk(folder, 0); }

    bool Cancelled() const { return cancelled_; }

private:
    using TFolderId = std::tuple<DWORD, DWORD, DWORD>;  // volume serial, file index high and low

    void Walk(const String& folder, int depth)
    {
        // Deeper than any real tree (an ANSI path of MAX_PATH characters
        // can't hold 64 levels of names of more than two characters): the
        // backstop against a loop where a folder's identity can't be read.
        constexpr int kMaxDepth = 64;
        if (folder.empty() || depth > kMaxDepth || (depth > 0 && !Claim(folder)))
            return;
        const String dir = IncludeTrailingPathDelimiter(folder);
        WIN32_FIND_DATAA entry{};
        TFindHandle find(FindFirstFileA((dir + "*.*").c_str(), &entry));
        if (!find.Valid())
            return;
        scanner_.ReportStatus(status_, dir);
        do {
            if (scanner_.QueryCancel()) {
                cancelled_ = true;
                return;
            }
            scanner_.ObjectScanned();
            const String name = entry.cFileName;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                Check(dir, name);
            else if (name != "." && name != "..")
                Walk(dir + name, depth + 1);
        } while (!cancelled_ && FindNextFileA(find.Get(), &entry));
    }

    void Check(const String& dir, const String& name)
    {
        const String lower = LowerCase(name);
        const auto held = names_.find(lower);
        if (held == names_.end())
            return;
        const String path = dir + lower;
        if (IsRemovableFile(path, safety_))
            scanner_.AddItem(NewFileItem(path, lower, held->second));
    }

    TFileSearch& scanner_;
    const TKeyedDefinitions::TStore& names_;
    const String& status_;
    const TSafetyFolders safety_;
    std::set<TFolderId> reached_;
    bool cancelled_ = false;
};

void TFileSearch::Search()
{
    // Sorted without regard to case, each folder once, whatever order and
    // letter case the system gives them in.
    TStringList folders;
    folders.SetSorted(true);
    folders.SetDuplicates(TDuplicates::dupIgnore);
    folders.SetCaseSensitive(false);
    ClearResults();
    ReportStatus(Engine().Text(kTextSearchFiles), String());
    for (const int csidl : {kCsidlPersonal, kCsidlAppData, kCsidlStartup})
        if (const String folder = ShellFolderPath(csidl); !folder.empty())
            folders.Add(folder);
    if (const String windows = WindowsFolder(); !windows.empty())
        folders.Add(windows);

    // The folders are claimed before any walk, so a file in one of them is
    // reported under the folder's own path, never under another name the
    // folder has inside another tree (Startup inside the application data
    // folder, or a link to the documents folder); a folder that is another
    // name of one claimed before is not walked.
    TWalk walk(*this);
    std::vector<String> roots;
    for (int i = 0; i < folders.Count(); ++i)
        if (walk.Claim(folders[i]))
            roots.push_back(folders[i]);
    for (const String& root : roots) {
        if (walk.Cancelled() || QueryCancel())
            break;
        walk.WalkRoot(root);
    }
}

void TFileSearch::Fix()
{
    RemoveCheckedFiles(*this);
    PackResults();
}
