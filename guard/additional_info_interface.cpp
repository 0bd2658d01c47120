#include "guard/additional_info_interface.h"

#include <exception>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "classlib/exceptions.h"
#include "classlib/file_system.h"
#include "classlib/format.h"

namespace {

// The lines of `fileName`, or false when it can't be read.
bool LoadLines(const String& fileName, TStringList& lines)
{
    try {
        lines.LoadFromFile(fileName);
        return true;
    } catch (const std::exception&) {
        // The class library's file errors, and a file larger than memory.
        lines.Clear();
        return false;
    }
}

enum class TFilePair { Missing, Unreadable, Loaded };

// The present file and its stored copy as lines. A missing file is no
// question; one that can't be read is asked about without detail rather than
// let pass. A stored copy that is missing or unreadable counts as empty:
// everything in the present file then shows as new.
TFilePair LoadFileAndCopy(const String& path, const String& copyPath, TStringList& current, TStringList& stored)
{
    if (!FileExists(path))
        return TFilePair::Missing;
    if (!LoadLines(path, current))
        return TFilePair::Unreadable;
    stored.Clear();
    if (FileExists(copyPath))
        LoadLines(copyPath, stored);
    return TFilePair::Loaded;
}

std::vector<String> NonEmptyTrimmedLines(const TStringList& lines)
{
    std::vector<String> result;
    for (int i = 0; i < lines.Count(); ++i) {
        String line = Trim(lines[i]);
        if (!line.empty())
            result.push_back(std::move(line));
    }
    return result;
}

}  // namespace

bool TDummyInfo::Describe(const String&, const String&, String& text)
{
    text.clear();
    return true;
}

namespace {

// The section a header line opens, trimmed as the system's own ini reading
// trims it ("  [ Windows ]  " opens "windows"); false for any other line.
// What follows the first "]" is not part of the name.
bool HeaderName(const String& trimmedLine, String& name)
{
    if (trimmedLine.empty() || trimmedLine[0] != '[')
        return false;
    const String::size_type close = trimmedLine.find(']');
    if (close == String::npos)
        return false;
    name = Trim(trimmedLine.substr(1, close - 1));
    return true;
}

}  // namespace

String GetIniValue(const TStringList& lines, const String& section, const String& valueName)
{
    String result;
    bool inSection = false;
    bool foundHere = false;
    for (int i = 0; i < lines.Count(); ++i) {
        const String line = Trim(lines[i]);
        String header;
        if (HeaderName(line, header)) {
            inSection = SameText(header, section);
            foundHere = false;
            continue;
        }
        if (!line.empty() && line[0] == '[') {
            inSection = false;  // a broken header still ends the section
            continue;
        }
        if (!inSection || foundHere)
            continue;  // the first occurrence in a section is the one that counts
        const String::size_type p = line.find('=');
        if (p == String::npos || p == 0)
            continue;
        const String name = Trim(line.substr(0, p));
        if (!name.empty() && SameText(name, valueName)) {
            result = Trim(line.substr(p + 1));
            foundHere = true;
        }
    }
    return result;
}

void TIniFileInformation::AddWatch(const String& section, const String& valueName)
{
    watches_.Add(valueName + "=" + section);
}

bool TIniFileInformation::Describe(const String& path, const String& copyPath, String& text)
{
    return DescribeOrAskPlainly(text, [&] {
        TStringList current, stored;
        if (const TFilePair pair = LoadFileAndCopy(path, copyPath, current, stored); pair != TFilePair::Loaded)
            return pair == TFilePair::Unreadable;

        bool found = false;
        for (int i = 0; i < watches_.Count(); ++i) {
            const String valueName = watches_.Names(i);
            const String section = watches_.ValueFromIndex(i);
            const String now = GetIniValue(current, section, valueName);
            const String before = GetIniValue(stored, section, valueName);
            if ((now.empty() && before.empty()) || SameText(now, before))
                continue;
            found = true;
            if (now.empty()) {
                text += Format("\r\nValue '%s' in section [%s] %s.", {valueName, section, "deleted"});
                text += Format("\r\nDeleted value: %s\r\n", {before});
            } else if (before.empty()) {
                text += Format("\r\nValue '%s' in section [%s] %s.", {valueName, section, "added"});
                text += Format("\r\nAdded value: %s\r\n", {now});
            } else {
                text += Format("\r\nValue '%s' in section [%s] %s.", {valueName, section, "changed"});
                text += Format("\r\nOld value: %s\r\nNew value: %s\r\n", {before, now});
            }
        }
        if (found)
            text = "\r\n" + text;
        return found;
    });
}

bool TTextFilesInformation::Describe(const String& path, const String& copyPath, String& text)
{
    return DescribeOrAskPlainly(text, [&] {
        TStringList currentList, storedList;
        if (const TFilePair pair = LoadFileAndCopy(path, copyPath, currentList, storedList);
            pair != TFilePair::Loaded)
            return pair == TFilePair::Unreadable;
        const std::vector<String> current = NonEmptyTrimmedLines(currentList);
        const std::vector<String> stored = NonEmptyTrimmedLines(storedList);

        // Lines match ignoring letter case, looked up by their lower-cased
        // text so that a hosts file of many thousand lines takes no longer
        // than reading it. The class library's case rules are ASCII only,
        // where the system's lstrcmpiA follows the locale; the texts guarded
        // here (hosts, batch and configuration files) are ASCII.
        std::unordered_map<String, const String*> firstStored;
        firstStored.reserve(stored.size());
        for (const String& old : stored)
            firstStored.emplace(LowerCase(old), &old);  // keeps the first of equal lines
        std::unordered_set<String> present;
        present.reserve(current.size());

        unsigned added = 0, deleted = 0, changed = 0;
        String addedBlock, deletedBlock, changedBlock;
        for (const String& line : current) {
            String key = LowerCase(line);
            const auto match = firstStored.find(key);
            if (match == firstStored.end())
                addedBlock += Format("\r\n%u. '%s'", {++added, line});
            else if (*match->second != line)
                changedBlock += Format("\r\n%u. from '%s' to '%s'", {++changed, *match->second, line});
            present.insert(std::move(key));
        }
        for (const String& old : stored) {
            if (!present.contains(LowerCase(old)))
                deletedBlock += Format("\r\n%u. '%s'", {++deleted, old});
        }
        if (!added && !deleted && !changed)
            return false;
        text = "\r\n";
        if (!addedBlock.empty())
            text += Format("\r\nAdded strings:\r\n%s\r\n", {addedBlock});
        if (!deletedBlock.empty())
            text += Format("\r\nDeleted strings:\r\n%s\r\n", {deletedBlock});
        if (!changedBlock.empty())
            text += Format("\r\nChanged strings:\r\n%s\r\n", {changedBlock});
        return true;
    });
}
