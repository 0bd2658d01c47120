#include "guard/protection_entries.h"

#include "classlib/string_list.h"
#include "guard/md5_encoder.h"

String EntryKey(const String& path) { return HashStringMD5(path); }

String EntryLine(const String& path, bool folder) { return EntryKey(path) + (folder ? "=?" : "=") + path; }

bool SplitEntryLine(const String& line, TEntry& entry)
{
    const String::size_type equals = line.find('=');
    if (equals == String::npos)
        return false;
    entry.Key = line.substr(0, equals);
    entry.Path = line.substr(equals + 1);
    entry.Folder = !entry.Path.empty() && entry.Path[0] == '?';
    if (entry.Folder)
        entry.Path.erase(0, 1);
    return true;
}

void TProtectionEntries::LoadFromFile(const String& fileName)
{
    TStringList file;
    file.LoadFromFile(fileName);
    Clear();
    for (int i = 0; i < file.Count(); ++i)
        if (!file[i].empty())
            Add(file[i]);
}

void TProtectionEntries::SaveToFile(const String& fileName) const
{
    TStringList file;
    for (const String& line : lines_)
        file.Add(line);
    file.SaveToFile(fileName);
}

void TProtectionEntries::Clear()
{
    lines_.clear();
    lineSet_.clear();
    keys_.clear();
}

String TProtectionEntries::LineForKey(const String& key) const
{
    if (!HasKey(key))
        return String();
    for (const String& line : lines_) {
        TEntry entry;
        if (SplitEntryLine(line, entry) && entry.Key == key)
            return line;
    }
    return String();
}

bool TProtectionEntries::Add(const String& line)
{
    if (!lineSet_.insert(line).second)
        return false;
    lines_.push_back(line);
    TEntry entry;
    if (SplitEntryLine(line, entry))
        ++keys_[entry.Key];
    return true;
}

void TProtectionEntries::RemoveKey(const String& key)
{
    if (!HasKey(key))
        return;
    RemoveIf([&](const TEntry& entry) { return entry.Key == key; });
}

int TProtectionEntries::RemoveIf(const std::function<bool(const TEntry&)>& gone)
{
    std::vector<String> kept;
    kept.reserve(lines_.size());
    for (String& line : lines_) {
        TEntry entry;
        if (SplitEntryLine(line, entry) && !entry.Path.empty() && gone(entry))
            continue;
        kept.push_back(std::move(line));
    }
    const int removed = static_cast<int>(lines_.size() - kept.size());
    lines_ = std::move(kept);
    Rebuild();
    return removed;
}

void TProtectionEntries::Rebuild()
{
    lineSet_.clear();
    keys_.clear();
    for (const String& line : lines_) {
        lineSet_.insert(line);
        TEntry entry;
        if (SplitEntryLine(line, entry))
            ++keys_[entry.Key];
    }
}

namespace {

// Folder paths compare as the file system does: ignoring letter case.
String FolderKey(const String& path) { return LowerCase(path); }

}  // namespace

std::vector<TNewFolderItem> FindNewFolderItems(const std::vector<String>& listing, const TProtectionEntries& entries,
                                               const std::vector<String>& pending)
{
    const std::unordered_set<String> pendingLines(pending.begin(), pending.end());
    std::unordered_set<String> pendingFolders;
    for (const String& line : pending) {
        TEntry entry;
        if (SplitEntryLine(line, entry) && entry.Folder)
            pendingFolders.insert(FolderKey(entry.Path));
    }

    // The new lines, and among them the new folders.
    std::vector<std::pair<const String*, TEntry>> fresh;
    std::unordered_set<String> newFolders;
    for (const String& line : listing) {
        TEntry entry;
        if (entries.HasLine(line) || pendingLines.count(line) || !SplitEntryLine(line, entry))
            continue;
        if (entry.Folder)
            newFolders.insert(FolderKey(entry.Path));
        fresh.emplace_back(&line, std::move(entry));
    }

    // Each new line goes to the outermost new folder it lies in, if any.
    std::vector<TNewFolderItem> items;
    std::unordered_map<String, size_t> itemOfFolder;
    std::vector<std::pair<String, const String*>> inside;  // outermost folder, line
    for (const auto& [line, entry] : fresh) {
        const String key = FolderKey(entry.Path);
        String outermost;
        bool underPending = false;
        for (String::size_type slash = key.rfind('\\'); slash != String::npos && slash > 0;
             slash = key.rfind('\\', slash - 1)) {
            const String parent = key.substr(0, slash);
            if (pendingFolders.count(parent)) {
                underPending = true;
                break;
            }
            if (newFolders.count(parent))
                outermost = parent;
        }
        if (underPending)
            continue;
        if (!outermost.empty()) {
            inside.emplace_back(outermost, line);
            continue;
        }
        if (entry.Folder)
            itemOfFolder[key] = items.size();
        items.push_back({*line, {}});
    }
    for (const auto& [folder, line] : inside) {
        const auto at = itemOfFolder.find(folder);
        if (at != itemOfFolder.end())
            items[at->second].Inside.push_back(*line);
    }
    return items;
}
