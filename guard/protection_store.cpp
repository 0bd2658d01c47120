#include "guard/protection_store.h"

#include <algorithm>
#include <iterator>

#include "classlib/exceptions.h"
#include "guard/interface_translator.h"

namespace {

constexpr TSystemFile kSystemFiles[] = {
    {-100, "win.ini", spWindowsFolder, sfWinIni},
    {-101, "system.ini", spWindowsFolder, sfSystemIni},
    {-102, "wininit.ini", spWindowsFolder, sfText},
    {-103, "winstart.bat", spWindowsFolder, sfText},
    {-104, "drivers\\etc\\hosts", spSystemFolder, sfText},
    {-105, "config.nt", spSystemFolder, sfText},
    {-106, "autoexec.nt", spSystemFolder, sfText},
    {-107, ":\\autoexec.bat", spDriveRoot, sfText},
    {-108, ":\\config.sys", spDriveRoot, sfText},
};

struct TDefaultRow {
    std::uint8_t Kind;
    const char* Key;  // names the list file
    int TextId;
    const char* English;
    std::uint8_t Type;
    std::int32_t Id;
};

constexpr TDefaultRow kDefaults[] = {
    {pkFolder, "favorites", 300, "Internet Explorer favorites protection", ptFavorites, kFavoritesCsidl},
    {pkFolder, "userstartup", 301, "Current user Startup folder protection", ptSystemFolder, 7},
    {pkFolder, "altstartup", 302, "AltStartup folder protection", ptSystemFolder, 29},
    {pkFolder, "commonaltstartup", 303, "CommonAltStartup folder protection", ptSystemFolder, 30},
    {pkFolder, "commonstartup", 304, "Common Startup folder protection", ptSystemFolder, 24},
    {pkFile, "win.ini", 305, "Win.ini protection", ptSystemFile, -100},
    {pkFile, "system.ini", 306, "System.ini protection", ptSystemFile, -101},
    {pkFile, "wininit.ini", 307, "Wininit.ini protection", ptSystemFile, -102},
    {pkFile, "winstart.bat", 308, "Winstart.bat protection", ptSystemFile, -103},
    {pkFile, "autoexec.bat", 309, "Autoexec.bat protection", ptSystemFile, -107},
    {pkFile, "config.sys", 310, "Config.sys protection", ptSystemFile, -108},
    {pkFile, "hosts", 311, "Hosts file protection", ptSystemFile, -104},
    {pkFile, "config.nt", 312, "Config.nt file protection", ptSystemFile, -105},
    {pkFile, "autoexec.nt", 313, "Autoexec.nt file protection", ptSystemFile, -106},
};

// The place of a predefined type and id; "" when there is none.
String PlaceOf(std::uint8_t type, std::int32_t id, const ISystemPlaces& places)
{
    switch (type) {
    case ptFavorites:
        return places.SpecialFolder(kFavoritesCsidl);
    case ptSystemFolder:
        return places.SpecialFolder(id);
    case ptSystemFile:
        return SystemFilePath(id, places);
    default:
        return String();
    }
}

}  // namespace

const TSystemFile* FindSystemFile(std::int32_t id)
{
    const auto at = std::find_if(std::begin(kSystemFiles), std::end(kSystemFiles),
                                 [id](const TSystemFile& file) { return file.Id == id; });
    return at == std::end(kSystemFiles) ? nullptr : &*at;
}

String SystemFilePath(std::int32_t id, const ISystemPlaces& places)
{
    const TSystemFile* file = FindSystemFile(id);
    if (!file)
        return String();
    String folder;
    switch (file->Place) {
    case spWindowsFolder:
        folder = places.WindowsFolder();
        break;
    case spSystemFolder:
        folder = places.SystemFolder();
        break;
    case spDriveRoot:
        folder = places.WindowsFolder().substr(0, 1);
        break;
    }
    return folder.empty() ? String() : folder + file->FileName;
}

String PredefinedPath(const TProtectionRecord& record, const ISystemPlaces& places)
{
    if (!record.Predefined)
        return record.Path;
    const String path = PlaceOf(record.PredefinedType, record.Id, places);
    return path.empty() ? record.Path : path;
}

std::vector<TProtectionRecord> DefaultProtections(const ISystemPlaces& places, const String& protectionFolder,
                                                  const TInterfaceTranslator& translator)
{
    String folder = protectionFolder;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    std::vector<TProtectionRecord> defaults;
    for (const TDefaultRow& row : kDefaults) {
        const String path = PlaceOf(row.Type, row.Id, places);
        if (path.empty())
            continue;
        TProtectionRecord record;
        record.Kind = row.Kind;
        record.Path = path;
        record.ListFile = folder + row.Key + ".protection";
        record.DisplayName = translator.Translate(IntToStr(row.TextId), row.English);
        record.Enabled = true;
        record.WatchSubtree = row.Kind == pkFolder;
        record.Predefined = true;
        record.PredefinedType = row.Type;
        record.Id = row.Id;
        defaults.push_back(std::move(record));
    }
    return defaults;
}

void ReadProtectionRecords(TReader& reader, std::vector<TProtectionRecord>& records)
{
    const std::int32_t count = reader.ReadInteger();
    for (std::int32_t i = 0; i < count; ++i) {
        TProtectionRecord record;
        const std::int32_t kind = reader.ReadInteger();
        record.Path = reader.ReadString();
        record.ListFile = reader.ReadString();
        record.DisplayName = reader.ReadString();
        record.Enabled = reader.ReadBoolean();
        record.WatchSubtree = reader.ReadBoolean();
        record.Predefined = reader.ReadBoolean();
        const std::int32_t type = reader.ReadInteger();
        record.Id = reader.ReadInteger();
        // Values the program never writes: not a list of ours, or damaged.
        if (kind != pkFile && kind != pkFolder)
            throw EReadError("Invalid property value");
        if (type < ptNone || type > ptSystemFile)
            throw EReadError("Invalid property value");
        record.Kind = static_cast<std::uint8_t>(kind);
        record.PredefinedType = static_cast<std::uint8_t>(type);
        records.push_back(std::move(record));
    }
}

void WriteProtectionRecords(TWriter& writer, const std::vector<TProtectionRecord>& records)
{
    writer.WriteInteger(static_cast<std::int32_t>(records.size()));
    for (const TProtectionRecord& record : records) {
        writer.WriteInteger(record.Kind);
        writer.WriteString(record.Path);
        writer.WriteString(record.ListFile);
        writer.WriteString(record.DisplayName);
        writer.WriteBoolean(record.Enabled);
        writer.WriteBoolean(record.WatchSubtree);
        writer.WriteBoolean(record.Predefined);
        writer.WriteInteger(record.PredefinedType);
        writer.WriteInteger(record.Id);
    }
}

int AddMissingDefaults(std::vector<TProtectionRecord>& records, const std::vector<TProtectionRecord>& defaults)
{
    int added = 0;
    for (const TProtectionRecord& candidate : defaults) {
        const bool present = std::any_of(records.begin(), records.end(), [&candidate](const TProtectionRecord& r) {
            return r.PredefinedType == candidate.PredefinedType && r.Id == candidate.Id;
        });
        if (!present) {
            records.push_back(candidate);
            ++added;
        }
    }
    return added;
}
