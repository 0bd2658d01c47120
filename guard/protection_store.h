// What "protection.list" stores of each file protection, and the predefined
// protections of a machine. No Win32 here: the places of the system are
// handed in, so reading and writing the list also runs under the sanitizers.
#pragma once

#include <cstdint>
#include <vector>

#include "classlib/component_stream.h"
#include "classlib/sysutils.h"

class TInterfaceTranslator;

enum TProtectionKind : std::uint8_t { pkFile = 0, pkFolder = 1 };

// How a predefined protection finds its path on the machine that reads the list.
enum TPredefinedType : std::uint8_t {
    ptNone = 0,          // the user's own: the stored path stands
    ptFavorites = 1,     // the Favorites folder
    ptSystemFolder = 2,  // a shell folder; the id is its CSIDL number
    ptSystemFile = 3,    // a system file; the id is one of the file ids below
};

// The Favorites folder's CSIDL number (CSIDL_FAVORITES).
constexpr int kFavoritesCsidl = 6;

// One protection as stored, in the order of the stored values.
struct TProtectionRecord {
    std::uint8_t Kind = pkFolder;
    String Path;
    String ListFile;
    String DisplayName;
    bool Enabled = true;
    bool WatchSubtree = true;
    bool Predefined = false;
    std::uint8_t PredefinedType = ptNone;
    std::int32_t Id = 0;

    bool operator==(const TProtectionRecord&) const = default;
};

// Where the system keeps its folders on the machine at hand. An empty answer
// means the machine has no such place.
class ISystemPlaces {
public:
    virtual ~ISystemPlaces() = default;
    virtual String WindowsFolder() const = 0;            // with a trailing backslash
    virtual String SystemFolder() const = 0;             // with a trailing backslash
    virtual String SpecialFolder(int csidl) const = 0;  // without a trailing backslash
};

// The system files a predefined protection can name by id.
enum TSystemFilePlace : std::uint8_t {
    spWindowsFolder,  // the file name follows the Windows folder
    spSystemFolder,   // the file name follows the system folder
    spDriveRoot,      // the file name follows the drive letter of the Windows folder
};

// Which description a change of the file gets.
enum TSystemFileProvider : std::uint8_t { sfWinIni, sfSystemIni, sfText };

struct TSystemFile {
    std::int32_t Id;
    const char* FileName;
    TSystemFilePlace Place;
    TSystemFileProvider Provider;
};

// The file of a system-file id, or null for an id outside the table.
const TSystemFile* FindSystemFile(std::int32_t id);
// The path of a system file on this machine; "" for an id outside the table
// or a place the machine has not.
String SystemFilePath(std::int32_t id, const ISystemPlaces& places);

// The path a protection has on the machine of `places`: predefined ones get
// the place of their type and id; a user's protection, an id outside the
// table and a place the machine has not keep the stored path.
String PredefinedPath(const TProtectionRecord& record, const ISystemPlaces& places);

// The predefined protections of a machine, in their order, leaving out those
// whose place it has not. Their list files are `protectionFolder` + key +
// ".protection"; the display names come from `translator`, else English.
std::vector<TProtectionRecord> DefaultProtections(const ISystemPlaces& places, const String& protectionFolder,
                                                  const TInterfaceTranslator& translator);

// The stored "Protection" property: the count, then nine values per record.
// Reading appends only whole records: on damage those before it are in
// `records` and the reader's EReadError goes on. A kind or predefined type
// no protection has is damage too.
void ReadProtectionRecords(TReader& reader, std::vector<TProtectionRecord>& records);
void WriteProtectionRecords(TWriter& writer, const std::vector<TProtectionRecord>& records);

// Appends each default that no record stands for (same predefined type and
// id). Returns how many were added.
int AddMissingDefaults(std::vector<TProtectionRecord>& records, const std::vector<TProtectionRecord>& defaults);
