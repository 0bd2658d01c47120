// The baseline of a file protection: one line per known item, the key (the
// MD5 of the item's full path, 32 lower-case hex digits), "=", then the path;
// a folder's path has "?" in front. The same lines make the list file. Each
// line is held once, and lookups go through hash sets, so large folders
// compare in linear time.
#pragma once

#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "classlib/sysutils.h"

String EntryKey(const String& path);
String EntryLine(const String& path, bool folder);

struct TEntry {
    String Key;
    String Path;  // without the "?"
    bool Folder = false;
};
// False for a line without "=".
bool SplitEntryLine(const String& line, TEntry& entry);

class TProtectionEntries {
public:
    // Raises the class library's file errors, like TStringList.
    void LoadFromFile(const String& fileName);
    void SaveToFile(const String& fileName) const;

    void Clear();
    int Count() const { return static_cast<int>(lines_.size()); }
    const std::vector<String>& Lines() const { return lines_; }
    bool HasLine(const String& line) const { return lineSet_.count(line) != 0; }
    bool HasKey(const String& key) const { return keys_.count(key) != 0; }
    // The first line of that key, "" when there is none.
    String LineForKey(const String& key) const;
    // False when the line is held already.
    bool Add(const String& line);
    void RemoveKey(const String& key);
    // Removes the lines `gone` answers true for; lines with an empty path stay.
    // Answers how many went.
    int RemoveIf(const std::function<bool(const TEntry&)>& gone);

private:
    void Rebuild();

    std::vector<String> lines_;
    std::unordered_set<String> lineSet_;
    std::unordered_map<String, int> keys_;  // key -> lines of that key
};

// A new item of a folder listing: its line and, when it is a folder, the
// lines of the listing inside it, recorded with it when it is accepted.
struct TNewFolderItem {
    String Line;
    std::vector<String> Inside;
};

// The lines of `listing` that are neither in `entries` nor `pending`. An item
// inside a new folder is not an item of its own but goes with the folder, and
// items inside a pending folder are left for that question.
std::vector<TNewFolderItem> FindNewFolderItems(const std::vector<String>& listing, const TProtectionEntries& entries,
                                               const std::vector<String>& pending);
