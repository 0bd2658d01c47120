#include "scanner/definitions_change_file.h"

#include "classlib/exceptions.h"
#include "classlib/file_system.h"
#include "classlib/string_list.h"

std::vector<TDefinitionChange> ParseDefinitionChanges(const String& content)
{
    TStringList lines;
    lines.SetText(content);
    std::vector<TDefinitionChange> changes;
    for (int i = 0; i < lines.Count(); ++i) {
        const String line = Trim(lines[i]);
        if (line.empty() || (line[0] != '+' && line[0] != '-'))
            continue;
        changes.push_back({line[0] == '+', line.substr(1)});
    }
    return changes;
}

String ChangeFileName(const String& dataFolder) { return IncludeTrailingPathDelimiter(dataFolder) + "spyware.def"; }

TChangeFileResult ApplyDefinitionChanges(TSearch& search, const String& databasePath, const String& changeFilePath,
                                         TDatabaseLoad load)
{
    if (!FileExists(changeFilePath))
        return TChangeFileResult::NoFile;
    if (load != TDatabaseLoad::Loaded && load != TDatabaseLoad::Missing && load != TDatabaseLoad::Empty)
        return TChangeFileResult::Kept;
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(changeFilePath, bytes))
        return TChangeFileResult::Unreadable;
    for (const TDefinitionChange& change : ParseDefinitionChanges(String(bytes.begin(), bytes.end()))) {
        if (change.Add)
            search.AddDefinition(change.Text);  // the save below writes it
        else
            search.DeleteDefinition(change.Text);
    }
    if (!search.SaveDatabase(databasePath))
        return TChangeFileResult::SaveFailed;
    RemoveFile(changeFilePath);
    return TChangeFileResult::Applied;
}
