// Figures of a spyware scan under Wine, each printed beside a baseline
// measured in the same run:
//   - the file scan (FIL) with 10,000 names over the user's folders and the
//     Windows folder, with 10,000 planted files in 100 folders below the
//     documents folder, beside a bare FindFirstFile walk of the same folders;
//   - the hijack scan (0BH) of 200 places against 50 patterns and 50
//     approved hosts, beside reading the same 400 values bare;
//   - a whole scan of the seven scanners with those definitions.
//   scan_bench <scratch folder>
#include <windows.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

#include "bench/bench_clock.h"
#include "classlib/sysutils.h"
#include "scanner/browser_hijack_search.h"
#include "scanner/known_location_search.h"
#include "scanner/search.h"

namespace {

using namespace bench;

constexpr int kNames = 10000;
constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 100;
constexpr int kPlaces = 200;
constexpr int kPatterns = 50;
constexpr int kRuns = 5;
constexpr char kHijackBase[] = "Software\\TalmorisBench\\Hijack";

std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = {};
    return SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) ? path : "";
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double MedianSeconds(const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const double start = Now();
        run();
        times.push_back(Now() - start);
    }
    return Median(times);
}

using TFolderId = std::tuple<DWORD, DWORD, DWORD>;

// A folder's volume serial and file index; false when they can't be read.
bool FolderId(const std::string& folder, TFolderId& id)
{
    const HANDLE handle = CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    id = TFolderId(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
    return ok;
}

// Every entry below a folder, counted the plainest way; with `seen`, a
// folder reached again through another name is passed over, as the scan does.
unsigned long BareWalk(const std::string& folder, std::set<TFolderId>* seen = nullptr)
{
    TFolderId id;
    if (seen && FolderId(folder, id) && !seen->insert(id).second)
        return 0;
    unsigned long entries = 0;
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        ++entries;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && strcmp(found.cFileName, ".") != 0 &&
            strcmp(found.cFileName, "..") != 0)
            entries += BareWalk(folder + "\\" + found.cFileName, seen);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return entries;
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines)
{
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : lines)
        out << line << "\r\n";
}

void SetText(const std::string& path, const std::string& name, const std::string& text)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string scratch = argc > 1 ? argv[1] : "scan-bench";
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    std::filesystem::create_directories(scratch);

    // The planted tree: names no definition holds, so only the walk counts.
    const std::string documents = ShellFolder(CSIDL_PERSONAL);
    const std::string tree = documents + "\\TalmorisBench";
    std::filesystem::remove_all(tree, ignored);
    for (int f = 0; f < kFolders; ++f) {
        const std::string folder = tree + "\\folder" + std::to_string(f);
        std::filesystem::create_directories(folder);
        for (int i = 0; i < kFilesPerFolder; ++i)
            std::ofstream(folder + "\\file" + std::to_string(i) + ".txt") << "x";
    }

    // Hijack places on keys of their own, half of them holding a value that
    // differs from the expected one, with patterns and approved hosts that
    // don't match (the dearest case: every pattern and every host tried).
    SHDeleteKeyA(HKEY_CURRENT_USER, kHijackBase);
    std::vector<std::string> places, patterns, hosts;
    for (int p = 0; p < kPlaces; ++p) {
        const std::string key = std::string(kHijackBase) + "\\Place" + std::to_string(p);
        places.push_back(key + ",Start Page=about:blank");
        SetText(key, "Start Page", p % 2 ? "about:blank" : "http://site" + std::to_string(p) + ".example/start");
    }
    for (int i = 0; i < kPatterns; ++i) {
        patterns.push_back("^https?://(www\\.)?bad" + std::to_string(i) + "\\.example/");
        hosts.push_back("http://good" + std::to_string(i) + "\\.example/.*");
    }
    WriteLines(scratch + "\\hijack.places", places);
    WriteLines(scratch + "\\hijack.patterns", patterns);
    WriteLines(scratch + "\\good.hosts", hosts);

    // One engine per scanner measured alone, and the program's engine.
    TSearch fileEngine{TSearchTexts(), scratch}, hijackEngine{TSearchTexts(), scratch}, search(scratch);
    fileEngine.AddScanner<TFileSearch>();
    hijackEngine.AddScanner<TBrowserHijackSearch>();
    for (int i = 0; i < kNames; ++i)
        for (TSearch* engine : {&fileEngine, &search})
            engine->AddDefinition("FIL spyware" + std::to_string(i) + ".dll=Spyware " + std::to_string(i));
    unsigned long objects = 0;
    fileEngine.OnObjectScanned = [&] { ++objects; };

    std::printf("Median of %d runs each.\n", kRuns);
    const std::vector<std::string> folders = {documents, ShellFolder(CSIDL_APPDATA), ShellFolder(CSIDL_STARTUP),
                                              ShellFolder(CSIDL_WINDOWS)};
    unsigned long bareEntries = 0, onceEntries = 0;
    const double bare = MedianSeconds([&] {
        bareEntries = 0;
        for (const std::string& folder : folders)
            if (!folder.empty())
                bareEntries += BareWalk(folder);
    });
    const double once = MedianSeconds([&] {
        std::set<TFolderId> seen;
        onceEntries = 0;
        for (const std::string& folder : folders)
            if (!folder.empty())
                onceEntries += BareWalk(folder, &seen);
    });
    const double fileScan = MedianSeconds([&] {
        objects = 0;
        fileEngine.Search();
    });
    std::printf("file scan, %d names: %.1f ms for %lu entries; a bare walk of the same folders, each folder once "
                "(its identity read): %.1f ms for %lu entries (ratio %.2f); a bare walk following every name: "
                "%.1f ms for %lu entries\n",
                kNames, fileScan * 1000, objects, once * 1000, onceEntries, fileScan / once, bare * 1000,
                bareEntries);

    const double bareValues = MedianSeconds([&] {
        char data[1024];
        for (int p = 0; p < kPlaces; ++p)
            for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
                HKEY key = nullptr;
                const std::string path = std::string(kHijackBase) + "\\Place" + std::to_string(p);
                if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
                    DWORD size = sizeof data;
                    RegQueryValueExA(key, "Start Page", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
                    RegCloseKey(key);
                }
            }
    });
    int hijacks = 0;
    const double hijackScan = MedianSeconds([&] {
        hijackEngine.Search();
        hijacks = hijackEngine.ScannerOf("0BH")->ResultCount();
    });
    std::printf("hijack scan, %d places x %d patterns and %d hosts: %.1f ms (%d found); reading the same values "
                "bare: %.1f ms (ratio %.1f)\n",
                kPlaces, kPatterns, kPatterns, hijackScan * 1000, hijacks, bareValues * 1000,
                hijackScan / bareValues);

    const double whole = MedianSeconds([&] { search.Search(); });
    std::printf("whole scan of the seven scanners: %.1f ms; the file scan's bare walk: %.1f ms (ratio %.2f)\n",
                whole * 1000, once * 1000, whole / once);

    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\TalmorisBench");
    std::filesystem::remove_all(tree, ignored);
    std::filesystem::remove_all(scratch, ignored);
    return 0;
}
